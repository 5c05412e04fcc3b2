// Templates info (filters, type codes, month ranges, page building), the card
// and designer-print workflow data (themes, formats, format of a template)
// and the calendar workflow data (counts, begin date, month grids).
#include "ProductWorkflowFakes.h"

#include "UAppExceptions.h"
#include "UCtrlScreenBase.h"
#include "UTemplatesInfo.h"
#include "UWorkflowDataProductCalendar.h"
#include "UWorkflowDataProductCard.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace productfakes;

namespace {

// A main frame that keeps the workflow data objects, as the window does.
class StoreMain : public ProductMain {
public:
    void setWorkflowData(TWorkflowDataType t, IWorkflowDataRef d) override { store[t] = d; }
    IWorkflowDataRef getWorkflowData(TWorkflowDataType t) override { return store.value(t); }
    QHash<TWorkflowDataType, IWorkflowDataRef> store;
};

class TemplatesTest : public ::testing::Test {
protected:
    TemplatesTest()
    {
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
        TTemplateProductImpl::InstallFactory();
        TTemplatesInfo::SetVignetteFactory([](IMainFrame*, qint32 id) {
            return std::make_unique<TestImage>(QStringLiteral("v%1").arg(id), QSizeF(100, 100));
        });
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~TemplatesTest() override
    {
        main.store.clear();
        order.reset();
        TTemplatesInfo::SetVignetteFactory(nullptr);
    }

    ZebtemplateVelmora2* tpl(qint32 id, qint32 type, const QString& lang = QString(), qint32 w = 100,
                             qint32 h = 150, bool monthly = false, qint32 verso = 0, ArrayOfint cals = {})
    {
        auto* t = new ZebtemplateVelmora2();
        t->setId(id);
        t->setType_(type);
        t->setCodeLangue(lang);
        t->setLargeurPapier(w);
        t->setHauteurPapier(h);
        t->setCalendrierMois(monthly);
        t->setRectoSDid(id * 10);
        t->setVersoSDid(verso);
        t->setTemplateCalendrierIds(std::move(cals));
        main.templates.Add(t);
        return t;
    }
    TemplateCalendrier2* design(qint32 id, const QString& lang, const std::vector<std::pair<int, int>>& months)
    {
        auto* c = new TemplateCalendrier2();
        c->setId(id);
        c->setCodeLangue(lang);
        TemplateCalendrierImage2List images;
        for (auto [y, m] : months) {
            auto img = std::make_unique<TemplateCalendrierImage2>();
            img->setAnnee(y);
            img->setMois(m);
            auto v = std::make_unique<Vignette2>();
            v->setVignetteId(y * 100 + m);
            img->setPictIdSD(std::move(v));
            images.push_back(std::move(img));
        }
        c->setImages(std::move(images));
        main.calendars.Add(c);
        return c;
    }
    std::shared_ptr<TTemplatesInfo> info() { return TCtrlScreenBase::WorkflowData<TTemplatesInfo>(&main); }
    static QList<qint32> types(const IArcList<qint32>& l)
    {
        QList<qint32> out;
        for (int i = 0; i < l->GetCount(); ++i)
            out << l->GetItem(i);
        return out;
    }
    static QList<qint32> tplIds(const IArcList<TTemplateVelmoraData*>& l)
    {
        QList<qint32> out;
        for (int i = 0; i < l->GetCount(); ++i)
            out << l->GetItem(i)->key();
        return out;
    }
    static QList<qint32> fmtIds(const IArcList<Tirage2*>& l)
    {
        QList<qint32> out;
        for (int i = 0; i < l->GetCount(); ++i)
            out << l->GetItem(i)->Id();
        return out;
    }

    StoreMain main;
    std::unique_ptr<TPrintOrder> order;
};

std::vector<std::pair<int, int>> monthsOf(int y1, int m1, int y2, int m2)
{
    std::vector<std::pair<int, int>> out;
    for (int i = y1 * 12 + m1 - 1; i <= y2 * 12 + m2 - 1; ++i)
        out.push_back({ i / 12, i % 12 + 1 });
    return out;
}

} // namespace

TEST_F(TemplatesTest, TypeCodeListHasThemesInOrderThenCalendars)
{
    tpl(1, 12);
    tpl(2, 105);
    tpl(3, 12);
    tpl(4, 3);
    tpl(5, 1);                                                       // annual
    tpl(6, 1, QString(), 100, 150, true, 0, { 50 });                 // monthly
    design(50, QStringLiteral("de"), monthsOf(2026, 1, 2026, 12));
    EXPECT_EQ(types(info()->getTplBackgroundFilteredTypeList(nullptr, true)), (QList<qint32> { 12, 105, 3, -2, -3 }));
    EXPECT_EQ(types(info()->getTplBackgroundFilteredTypeList(nullptr, false)), (QList<qint32> { 12, 105, 3, -3 }));

    // Cards see the themes above 0 only.
    TWorkflowDataProductCard cards(&main);
    EXPECT_EQ(cards.getCardThemeList(), (QList<qint32> { 12, 105, 3 }));
    EXPECT_TRUE(cards.hasCards());
    EXPECT_TRUE(cards.hasDesignerPrints());
}

TEST_F(TemplatesTest, OnlyCalendarTemplatesGiveNoCardTheme)
{
    tpl(5, 1);
    TWorkflowDataProductCard cards(&main);
    EXPECT_TRUE(cards.getCardThemeList().isEmpty());
    EXPECT_FALSE(cards.hasCards());
    EXPECT_FALSE(cards.hasDesignerPrints());
}

TEST_F(TemplatesTest, TemplateQueriesByTypeLanguageAndFormat)
{
    tpl(1, 12, QStringLiteral("FR"));
    tpl(2, 12, QStringLiteral("xx"));
    tpl(3, 1, QString(), 100, 150, true, 0, { 50 }); // monthly, design in every language
    tpl(4, 1, QString(), 100, 150, true, 0, { 51 }); // monthly, design in German only
    tpl(5, 12, QString(), 150, 100, false, 77);      // with a back, other orientation
    design(50, QStringLiteral("XX"), monthsOf(2026, 1, 2026, 12));
    design(51, QStringLiteral("de"), monthsOf(2026, 1, 2026, 12));
    Tirage2* rv = main.addTemplateFormat(900, 100, 150, true);
    Tirage2* single = main.addTemplateFormat(901, 150, 100, false);

    struct Case {
        const char* name;
        Tirage2* format;
        qint32 type;
        bool allLang;
        QList<qint32> expected;
    };
    const Case cases[] = {
        { "current language, any type: no monthly template", nullptr, -1, false, { 1, 5 } },
        { "monthly: those with a design in the language", nullptr, -2, false, { 3 } },
        { "every language, any type: everything", nullptr, -1, true, { 1, 2, 3, 4, 5 } },
        { "recto-verso format needs a back", rv, 12, false, { 5 } },
        { "single-sided format of either orientation", single, 12, false, { 1, 5 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tplIds(info()->getTplBackgroundFilteredList(c.format, c.type, c.allLang)), c.expected);
    }
    main.lang = QStringLiteral("xx");
    EXPECT_EQ(tplIds(info()->getTplBackgroundFilteredList(nullptr, 12, false)), (QList<qint32> { 2, 5 }));
}

TEST_F(TemplatesTest, QueryCachesReturnTheSameListUntilTheKeyChanges)
{
    tpl(1, 12);
    Tirage2* f = main.addTemplateFormat(900, 100, 150);
    auto a = info()->getTplBackgroundFilteredList(nullptr, -1, false);
    EXPECT_EQ(info()->getTplBackgroundFilteredList(nullptr, -1, false), a);
    auto typesBefore = info()->getTplBackgroundFilteredTypeList(nullptr, false);
    EXPECT_EQ(info()->getTplBackgroundFilteredTypeList(nullptr, false), typesBefore);
    info()->getTplBackgroundFilteredList(f, -1, false);
    EXPECT_NE(info()->getTplBackgroundFilteredTypeList(nullptr, false), typesBefore);
}

TEST_F(TemplatesTest, DesignMonthRangeKeepsTheBestRunOfConsecutiveMonths)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> months;
        qint32 dateMin, dateMax;
    };
    auto join = [](std::vector<std::pair<int, int>> a, const std::vector<std::pair<int, int>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        { "one year", monthsOf(2017, 1, 2017, 12), 24204, 24215 },
        { "a single month", { { 2017, 5 } }, 24208, 24208 },
        { "no month", {}, 0, 0 },
        { "the longer earlier run beats a short recent one", join(monthsOf(2016, 1, 2016, 8), monthsOf(2017, 1, 2017, 6)),
          24192, 24199 },
        { "a recent run of 12 months gives way to a longer one",
          join(monthsOf(2016, 1, 2017, 3), monthsOf(2017, 6, 2018, 5)), 24192, 24206 },
        { "13 recent months are kept", join(monthsOf(2015, 1, 2016, 6), monthsOf(2017, 1, 2018, 1)), 24204, 24216 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* rec = new TemplateCalendrier2();
        TemplateCalendrierImage2List images;
        for (auto [y, m] : c.months) {
            auto img = std::make_unique<TemplateCalendrierImage2>();
            img->setAnnee(y);
            img->setMois(m);
            images.push_back(std::move(img));
        }
        rec->setImages(std::move(images));
        TTemplateCalendar cal(&main, rec);
        EXPECT_EQ(cal.DateMin(), c.dateMin);
        EXPECT_EQ(cal.DateMax(), c.dateMax);
        delete rec;
    }
    EXPECT_THROW(TTemplatesInfo::TplCalDateCalc(2017, 13), Exception);
}

TEST_F(TemplatesTest, BeginDateFitsTheDesignRange)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> months;
        qint32 begin;
        qint32 expected;
    };
    const qint32 jan2017 = 2017 * 12;
    const Case cases[] = {
        { "before the first month", monthsOf(2017, 1, 2018, 12), jan2017 - 5, jan2017 },
        { "inside", monthsOf(2017, 1, 2018, 12), jan2017 + 3, jan2017 + 3 },
        { "too late for twelve months", monthsOf(2017, 1, 2018, 12), jan2017 + 20, jan2017 + 12 },
        { "an 8-month design starts at its first month", monthsOf(2017, 1, 2017, 8), jan2017 + 3, jan2017 },
        { "exactly twelve months", monthsOf(2017, 1, 2017, 12), jan2017 + 6, jan2017 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemplateCalendrier2* rec = design(int(main.calendars.Count()) + 1, QString(), c.months);
        TTemplateCalendar cal(&main, rec);
        EXPECT_EQ(TWorkflowDataProductCalendar::adaptBeginDateToCalendarGrid(&cal, c.begin), c.expected);
    }
}

TEST_F(TemplatesTest, CalendarCountsKeepTheKindAndAskNoFrameDetails)
{
    tpl(5, 1);
    tpl(6, 1);
    tpl(7, 1, QString(), 100, 150, true, 0, { 50 });
    design(50, QString(), monthsOf(2026, 1, 2026, 12));
    TWorkflowDataProductCalendar cal(&main);
    const auto monthly = cal.getCalendarTemplateVelmoraDataList();
    EXPECT_EQ(cal.annualCalendarProductCount(), 2);
    EXPECT_EQ(cal.calType(), ct_month);
    EXPECT_TRUE(main.loadInfoCalls.isEmpty());
    EXPECT_NE(cal.getCalendarTemplateVelmoraDataList(), monthly) << "the count dropped the kind's list";
    EXPECT_EQ(cal.allCalendarProductCount(), 3);

    const auto kept = cal.getCalendarTemplateVelmoraDataList();
    cal.setCalType(ct_month);
    EXPECT_EQ(main.loadInfoCalls, (QStringList { "-2/-1/-1" }));
    EXPECT_EQ(cal.getCalendarTemplateVelmoraDataList(), kept);

    main.lang = QStringLiteral("de");
    EXPECT_NE(cal.getCalendarTemplateVelmoraDataList(), kept) << "a language change rebuilds the templates";
}

TEST_F(TemplatesTest, CardFormatOfATemplatePrefersTheExactRectoVersoFlag)
{
    tpl(1, 12, QString(), 100, 150, false, 77); // with a back
    tpl(2, 12, QString(), 100, 150);            // single-sided
    tpl(3, 105, QString(), 200, 300);           // designer print only
    main.addTemplateFormat(10, 100, 150, false);
    main.addTemplateFormat(11, 150, 100, true);
    main.addTemplateFormat(12, 200, 300, false);
    for (qint32 id : { 10, 11, 12 })
        main.addTemplateTier(id, 1, 0, 1.0 + id / 100.0);
    auto templates = info()->TplBackgroundGlobalList();

    TWorkflowDataProductCard cards(&main);
    EXPECT_EQ(fmtIds(cards.getCardProductList()), (QList<qint32> { 10, 11 }));
    EXPECT_EQ(fmtIds(cards.getDesignerPrintProductList()), (QList<qint32> { 12 }));

    struct Case {
        const char* name;
        TTemplateType mode;
        int tplIndex;
        qint32 expected; // 0: "product not found"
    };
    const Case cases[] = {
        { "a template with a back takes the recto-verso format", TTemplateType::ClassicTemplate, 0, 11 },
        { "a single-sided template takes the single-sided format", TTemplateType::ClassicTemplate, 1, 10 },
        { "designer print", TTemplateType::DesignerPrint, 2, 12 },
        { "no mode", TTemplateType::None, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cards.setMode(c.mode);
        if (c.expected == 0) {
            try {
                cards.getCardProductFromTemplateVelmoraData(templates->GetItem(c.tplIndex));
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(),
                          "TWorkflowDataProductCard.getCardProductFromTemplateVelmoraData: product not found");
            }
        } else {
            EXPECT_EQ(cards.getCardProductFromTemplateVelmoraData(templates->GetItem(c.tplIndex))->Id(), c.expected);
        }
    }
    const TProductPrice cardPrice = cards.getMinPrice(TTemplateType::ClassicTemplate);
    EXPECT_EQ(cardPrice.price, 11000);
    EXPECT_EQ(cards.getMinPrice().price, 11000);
    EXPECT_EQ(cards.getMinPrice(TTemplateType::DesignerPrint).price, 11200);
}

TEST_F(TemplatesTest, MonthlyCalendarPagesShowTheMonthOfTheirPosition)
{
    ZebtemplateVelmora2* t = tpl(7, 1, QString(), 100, 150, true, 0, { 50 });
    TemplateCalendrier2* d = design(50, QString(), monthsOf(2026, 1, 2026, 12));
    Tirage2* f = main.addTemplateFormat(20, 100, 150, false, true);
    auto templates = info()->TplBackgroundGlobalList();
    TTemplateCalendar* grid = TTemplatesInfo::GetTplCalendarById(info()->TplCalendarGlobalList(), 50);

    std::unique_ptr<TTemplateProduct> owned = TTemplateProduct::CreateFor(order.get());
    auto* prod = dynamic_cast<TTemplateProductImpl*>(owned.get());
    ASSERT_NE(prod, nullptr);
    prod->SetTirage(f);
    prod->SetTplType(TTemplateType::MonthCalendar);
    prod->SetTplCal(d);
    prod->SetDateStart(2026 * 12);
    TTemplatesInfo::BuildCalendarTemplate(&main, prod, templates->GetItem(0), grid);
    ASSERT_EQ(prod->GetPagesList()->GetCount(), 13);
    (void)t;

    TWorkflowDataProductCalendar cal(&main);
    cal.setCurrentCalendarProduct(prod);
    auto monthOf = [&](int index) -> QString {
        TCustomizedPageBase* page = prod->GetPagesList()->GetItem(index);
        for (TCustomizedFrame* fr : page->CustomizedFrameList())
            if (fr->TypeFrame() == TTypeFrame::FrameCalendarGrid)
                return fr->Image() ? fr->Image()->ImageID() : QStringLiteral("none");
        return QStringLiteral("no grid");
    };
    EXPECT_EQ(monthOf(1), "v202601");
    cal.MovePage(4, 1); // page 5 (April) becomes page 2
    EXPECT_EQ(monthOf(1), "v202601");
    EXPECT_EQ(monthOf(4), "v202604");
    cal.MovePage(2, 0); // an inner page becomes the cover: its grid goes
    EXPECT_EQ(monthOf(0), "no grid");
    EXPECT_EQ(monthOf(1), "v202601");
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(prod->GetPagesList()->GetItem(i)->PageNum(), i + 1);
}
