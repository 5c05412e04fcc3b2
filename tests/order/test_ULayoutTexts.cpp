// The one-line text forms of template frames and page models: writing,
// reading back, the splitting rules, and refusal of malformed lab text.
#include "UPageModeleZeb.h"
#include "UZebtemplateVelmoraFrameInfo.h"

#include "UAppExceptions.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

void addFrame(ZebtemplateVelmoraFrameInfo& info, qint32 page, double x, double y, double w, double h, bool bg,
              double angle)
{
    auto* f = new TemplateVelmoraFrame;
    f->PageNum = page;
    f->X = x;
    f->Y = y;
    f->Largeur = w;
    f->Hauteur = h;
    f->Background = bg;
    f->AngleRot = angle;
    info.Cadres().Add(f);
}

class LocaleGuard {
public:
    explicit LocaleGuard(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleGuard() { QLocale::setDefault(fSaved); }

private:
    QLocale fSaved;
};

} // namespace

TEST(TemplateFrameText, WritesAndReadsBackTwoFrames)
{
    ZebtemplateVelmoraFrameInfo info;
    info.SetId(12);
    addFrame(info, 1, 10.5, 20, 80, 60, false, 0);
    addFrame(info, 1, 0, 0, 148, 105, true, 0);
    const QString text = info.Info();
    EXPECT_EQ(text, QStringLiteral("12|1;10.5;20;80;60;0;0#1;0;0;148;105;1;0"));

    ZebtemplateVelmoraFrameInfo back;
    back.SetInfo(text);
    EXPECT_EQ(back.Id(), 12);
    ASSERT_EQ(back.Cadres().Count(), 2);
    EXPECT_EQ(back.Cadres()[0]->PageNum, 1);
    EXPECT_DOUBLE_EQ(back.Cadres()[0]->X, 10.5);
    EXPECT_FALSE(back.Cadres()[0]->Background);
    EXPECT_TRUE(back.Cadres()[1]->Background);
    EXPECT_DOUBLE_EQ(back.Cadres()[1]->Largeur, 148);
    EXPECT_EQ(back.Info(), text);
}

TEST(TemplateFrameText, DecimalsUseAPointWhateverTheLocale)
{
    LocaleGuard guard(QLocale(QLocale::French, QLocale::France));
    ZebtemplateVelmoraFrameInfo info;
    info.SetId(3);
    addFrame(info, 2, 1.25, 0.1, 1234567.5, 2, false, 90);
    EXPECT_EQ(info.Info(), QStringLiteral("3|2;1.25;0.1;1234567.5;2;0;90"));
    ZebtemplateVelmoraFrameInfo back;
    back.SetInfo(info.Info());
    EXPECT_DOUBLE_EQ(back.Cadres()[0]->Largeur, 1234567.5);
    EXPECT_DOUBLE_EQ(back.Cadres()[0]->AngleRot, 90);
}

TEST(TemplateFrameText, ReadingRules)
{
    struct Case {
        const char* name;
        const char* text;
        qint32 id;
        int frames;
        bool firstBackground;
    } cases[] = {
        { "no frame after the bar", "12|", 12, 0, false },
        { "no bar at all", "12", 12, 0, false },
        { "parts after a second bar are ignored", "7|1;0;0;1;1;1;0|garbage", 7, 1, true },
        { "a trailing # adds no frame", "7|1;0;0;1;1;0;0#", 7, 1, false },
        { "a trailing ; adds no field", "7|1;0;0;1;1;1;0;", 7, 1, true },
        { "fields after the seventh are ignored", "7|1;0;0;1;1;1;0;9;9", 7, 1, true },
        { "background 'true' reads as false", "7|1;0;0;1;1;true;0", 7, 1, false },
        { "background 2 reads as false", "7|1;0;0;1;1;2;0", 7, 1, false },
        { "negative numbers and exponents", "-4|-1;-2.5;1e2;3;4;1;-90", -4, 1, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZebtemplateVelmoraFrameInfo info;
        info.SetInfo(QString::fromLatin1(c.text));
        EXPECT_EQ(info.Id(), c.id);
        ASSERT_EQ(info.Cadres().Count(), c.frames);
        if (c.frames > 0) {
            EXPECT_EQ(info.Cadres()[0]->Background, c.firstBackground);
        }
    }
}

TEST(TemplateFrameText, MalformedTextIsRefusedAndChangesNothing)
{
    struct Case {
        const char* name;
        const char* text;
        const char* inMessage;
    } cases[] = {
        { "empty text", "", "empty text" },
        { "id not a number", "x|1;0;0;1;1;0;0", "'x' is not a valid integer for the template id" },
        { "too few fields", "5|1;0;0;1;1;0", "(frame 1): 6 fields, 7 expected" },
        { "empty frame between separators", "5|1;0;0;1;1;0;0##1;0;0;1;1;0;0", "(frame 2): 0 fields" },
        { "decimal comma", "5|1;0,5;0;1;1;0;0", "'0,5' is not a valid number for X" },
        { "page not an integer", "5|1.5;0;0;1;1;0;0", "'1.5' is not a valid integer for PageNum" },
        { "blank in a number", "5|1; 2;0;1;1;0;0", "' 2' is not a valid number for X" },
        { "not a finite number", "5|1;inf;0;1;1;0;0", "'inf' is not a valid number for X" },
        { "second frame bad", "5|1;0;0;1;1;0;0#2;0;0;a;1;0;0", "(frame 2): 'a' is not a valid number for Largeur" },
        { "integer overflow", "99999999999|", "is not a valid integer" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZebtemplateVelmoraFrameInfo info;
        info.SetInfo(QStringLiteral("42|3;1;2;3;4;1;0"));
        try {
            info.SetInfo(QString::fromLatin1(c.text));
            ADD_FAILURE() << "accepted";
        } catch (const EConvertError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("ZebtemplateVelmoraFrameInfo.info"))) << qPrintable(e.Message());
            EXPECT_TRUE(e.Message().contains(QLatin1String(c.inMessage))) << qPrintable(e.Message());
        }
        EXPECT_EQ(info.Info(), QStringLiteral("42|3;1;2;3;4;1;0"));
    }
}

TEST(TemplateFrameText, DescribedForTheSerializer)
{
    const TRttiCache& cache = TRttiCache::Get(ZebtemplateVelmoraFrameInfo::StaticClassInfo());
    ASSERT_EQ(cache.PropInfoForRead().size(), 2u);
    EXPECT_EQ(cache.PropInfoForRead()[0].propName, QStringLiteral("Id"));
    EXPECT_EQ(cache.PropInfoForRead()[1].propName, QStringLiteral("info"));
    ZebtemplateVelmoraFrameInfo info;
    cache.PropInfoForWrite(QStringLiteral("info"))->SetString(info, QStringLiteral("9|1;1;1;1;1;0;0"));
    EXPECT_EQ(info.Id(), 9);
    EXPECT_EQ(cache.PropInfoForWrite(QStringLiteral("Id"))->GetInteger(info), 9);
}

// ---------------------------------------------------------- page-model text

TEST(PageModelText, WritesAndReadsBack)
{
    PageModeleZeb m;
    m.SetNombreCadreOrientationVerticale(2);
    m.SetNombreCadreOrientationHorizontale(1);
    for (auto [x, y, w, h] : { std::tuple { 0, 0, 100, 150 }, { 100, 0, 100, 150 }, { 0, 150, 200, 100 } }) {
        auto* f = new PageModelFrameZeb;
        f->X = x;
        f->Y = y;
        f->Largeur = w;
        f->Hauteur = h;
        m.Cadres().Add(f);
    }
    const QString text = m.Info();
    EXPECT_EQ(text, QStringLiteral("2;1|0;0;100;150#100;0;100;150#0;150;200;100"));
    PageModeleZeb back;
    back.SetInfo(text);
    EXPECT_EQ(back.NombreCadreOrientationVerticale(), 2);
    EXPECT_EQ(back.NombreCadreOrientationHorizontale(), 1);
    ASSERT_EQ(back.Cadres().Count(), 3);
    EXPECT_EQ(back.Cadres()[2]->Largeur, 200);
    EXPECT_EQ(back.Info(), text);

    PageModeleZeb bare;
    bare.SetInfo(QStringLiteral("2;1|"));
    EXPECT_EQ(bare.Cadres().Count(), 0);
    EXPECT_EQ(bare.NombreCadreOrientationVerticale(), 2);
    // Counts are taken as they stand.
    bare.SetInfo(QStringLiteral("5;0|1;2;3;4"));
    EXPECT_EQ(bare.NombreCadreOrientationVerticale(), 5);
    EXPECT_EQ(bare.Cadres().Count(), 1);
}

TEST(PageModelText, MalformedTextIsRefusedAndChangesNothing)
{
    struct Case {
        const char* name;
        const char* text;
        const char* inMessage;
    } cases[] = {
        { "empty text", "", "empty text" },
        { "one count", "2|1;2;3;4", "1 frame counts, 2 expected" },
        { "count not a number", "a;1|", "'a' is not a valid integer for the portrait frame count" },
        { "frame with three fields", "2;1|1;2;3", "(frame 1): 3 fields, 4 expected" },
        { "decimal coordinate", "2;1|1;2.5;3;4", "'2.5' is not a valid integer for Y" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageModeleZeb m;
        m.SetInfo(QStringLiteral("1;1|9;9;9;9"));
        try {
            m.SetInfo(QString::fromLatin1(c.text));
            ADD_FAILURE() << "accepted";
        } catch (const EConvertError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("PageModeleZeb.info"))) << qPrintable(e.Message());
            EXPECT_TRUE(e.Message().contains(QLatin1String(c.inMessage))) << qPrintable(e.Message());
        }
        EXPECT_EQ(m.Info(), QStringLiteral("1;1|9;9;9;9"));
    }
}

TEST(PageModelText, StoredPropertiesAndParent)
{
    const TRttiCache& cache = TRttiCache::Get(PageModeleZeb::StaticClassInfo());
    ASSERT_EQ(cache.PropInfoForRead().size(), 3u);
    EXPECT_EQ(cache.PropInfoForRead()[0].propName, QStringLiteral("info"));
    PageModeleZeb m;
    // Only a photo-book size may own a page model.
    EXPECT_NE(m.GiveParent(&m), nullptr);
    EXPECT_EQ(m.Parent(), nullptr);
}
