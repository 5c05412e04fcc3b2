#include "OrderFakes.h"
#include "TestSupport.h"
#include "UAppExceptions.h"
#include "UCustomizedPage.h"
#include "UDesignedProducts.h"
#include "ULabAlbumContracts.h"
#include "ULabTemplateContracts.h"
#include "UOrderBitmapCache.h"
#include "UXmlSerializer.h"
#include "UZebtemplateVelmoraFrameInfo.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace orderfakes;

namespace {

// A main frame with a bitmap cache, a placeholder for empty frames and 2D
// rendering ready.
class PageMainFrame : public OrderMainFrame {
public:
    IOrderBitmapRef BitmapCache(TImageSource* src, int w, int h, TOrderBitmapMode mode) override
    {
        return cache.Access(src, w, h, mode);
    }
    bool Is2DrenderingReady() override { return true; }
    TOrderImageBase* GetDropImgExample(float, float) override { return &drop; }

    TOrderBitmapCache cache { this };
    TestImage drop { QStringLiteral("res\\drop.png") };
};

// Products that hold their pages.
template <class Base>
class Paged : public Base {
public:
    using Base::Base;
    TCustomizedPageBase* GetPageByNum(int n) override
    {
        for (auto& p : pages)
            if (p->PageNum() == n)
                return p.get();
        return nullptr;
    }
    IArcList<TCustomizedPageBase*> GetPagesList() override
    {
        auto list = TArcList<TCustomizedPageBase*>::Create();
        for (auto& p : pages)
            list->Add(p.get());
        return list;
    }
    QString PageLabel(int n, TProductLabelMode) override { return QStringLiteral("page %1").arg(n); }
    template <class P>
    P* add(std::unique_ptr<P> p)
    {
        P* raw = p.get();
        pages.push_back(std::move(p));
        return raw;
    }
    std::vector<std::unique_ptr<TCustomizedPageBase>> pages;
};
using Card = Paged<TestTemplateProduct>;
using Book = Paged<TestAlbumProduct>;

class PageTest : public ::testing::Test {
protected:
    PageTest()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
        tpl.setLargeurPapier(100);
        tpl.setHauteurPapier(150);
        album.setLargeurPage(200);
        album.setHauteurPage(200);
    }
    ~PageTest() override
    {
        card.reset();
        book.reset();
        main.cache.ClearAll();
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }

    static TemplateVelmoraFrame* slot(int page, double x, bool background, double angle = 0)
    {
        auto* c = new TemplateVelmoraFrame();
        c->PageNum = page;
        c->X = x;
        c->Y = 10;
        c->Largeur = 30;
        c->Hauteur = 20;
        c->Background = background;
        c->AngleRot = angle;
        return c;
    }

    std::vector<TTypeFrame> kinds(TCustomizedPageBase* page)
    {
        std::vector<TTypeFrame> k;
        for (TCustomizedFrame* f : page->CustomizedFrameList())
            k.push_back(f->TypeFrame());
        return k;
    }

    PageMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
    ZebtemplateVelmora2 tpl;
    AlbumPhotographe2 album;
    TestImage bg { QStringLiteral("bg.jpg") };
    TestImage cal { QStringLiteral("cal.png") };
    std::unique_ptr<Card> card = std::make_unique<Card>(nullptr);
    std::unique_ptr<Book> book = std::make_unique<Book>(nullptr);
};

using K = TTypeFrame;

} // namespace

// ---------------------------------------------------------------------------
// Frames

TEST_F(PageTest, FramesFromTheCatalogue)
{
    // A template frame turns the other way round.
    const std::unique_ptr<TemplateVelmoraFrame> c(slot(1, 5, false, 15));
    TCustomizedFrame f(nullptr, c.get(), &bg, K::FrameFixed);
    EXPECT_EQ(f.RectInMm(), QRectF(5, 10, 30, 20));
    EXPECT_FLOAT_EQ(f.RotationAngle(), -15);
    EXPECT_EQ(f.Image(), &bg);

    TCustomizedFrame user(nullptr);
    EXPECT_EQ(user.RectInMm(), QRectF(0, 0, 100, 100));
    EXPECT_EQ(user.TypeFrame(), K::FrameUser);

    EXPECT_EQ(TCustomizedFrame(nullptr, &tpl, &bg, K::FrameBackground).RectInMm(), QRectF(0, 0, 100, 150));
    EXPECT_EQ(TCustomizedFrame(nullptr, &album, &bg, K::FrameBackground).RectInMm(), QRectF(0, 0, 200, 200));
    struct Case {
        const char* name;
        std::function<void()> make;
        QString message;
    };
    const Case cases[] = {
        { "background of no template", [] { TCustomizedFrame(nullptr, static_cast<ZebtemplateVelmora2*>(nullptr), nullptr, K::FrameBackground); },
          QStringLiteral("TCustomizedFrame.Create: tplVelmora nil") },
        { "background of no album", [] { TCustomizedFrame(nullptr, static_cast<AlbumPhotographe2*>(nullptr), nullptr, K::FrameBackground); },
          QStringLiteral("TCustomizedFrame.Create: alb nil") },
    };
    for (const Case& cs : cases) {
        SCOPED_TRACE(cs.name);
        try {
            cs.make();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), cs.message);
        }
    }
}

TEST_F(PageTest, FrameCapabilitiesFollowKindAndContent)
{
    TCustomizedFrame text(nullptr);
    text.SetTextBloc(std::make_unique<TTextBloc>());
    TCustomizedFrame photo(nullptr);
    photo.SetImage(&bg);
    TCustomizedFrame background(nullptr, &tpl, &bg, K::FrameBackground);
    // A text frame takes no picture and, outside the mobile design, no popup.
    EXPECT_FALSE(text.isDroppable());
    EXPECT_FALSE(text.isImageCustomizable());
    EXPECT_FALSE(text.isPopupEditable());
    EXPECT_TRUE(photo.isDroppable());
    EXPECT_TRUE(photo.isPopupEditable());
    EXPECT_TRUE(photo.isImageMoveable());
    EXPECT_FALSE(background.isClickable());
    EXPECT_FALSE(background.isDeletable());
    EXPECT_FALSE(background.isToSendToLumlab());
}

TEST_F(PageTest, ClipartBorderBands)
{
    TCustomizedFrame f(nullptr);
    auto clip = std::make_unique<TClipartFrame>();
    clip->BorderLeft = 60;
    clip->DpiX = 300;
    clip->DpiY = 300;
    clip->SetImage(&bg);
    auto border = std::make_unique<TFrameBorder>();
    border->SetClipartFrame(std::move(clip));
    border->SetBorderThickness(50);
    f.SetFrameBorder(std::move(border));
    EXPECT_EQ(f.FrameBorder()->Frame(), &f);
    EXPECT_TRUE(f.HasClipartFrame());
    EXPECT_NEAR(f.FrameBorder()->GetBorderRectInMm().left, 2.54, 1e-4); // 60 x 25.4 / 300 x 0.5
    f.FrameBorder()->SetBorderThickness(0);
    EXPECT_FALSE(f.HasClipartFrame());
    EXPECT_EQ(f.FrameBorder()->GetBorderRectInMm(), TCustomizedFrameRules::TBands());
}

TEST_F(PageTest, SwappingFramesSwapsPicturesAndEffects)
{
    TCustomizedFrame a(nullptr), b(nullptr);
    TestImage other(QStringLiteral("other.jpg"));
    a.SetImage(&bg);
    b.SetImage(&other);
    a.ImageEffects()->SetZoom(2);
    TImageEffects* aEffects = a.ImageEffects();
    a.SwapImageAndEffectsWithFrame(&b);
    EXPECT_EQ(a.Image(), &other);
    EXPECT_EQ(b.Image(), &bg);
    EXPECT_EQ(b.ImageEffects(), aEffects);
    EXPECT_FLOAT_EQ(b.ImageEffects()->Zoom(), 2);
    auto copy = b.copyImgEffect();
    EXPECT_EQ(copy->Operations(), b.ImageEffects()->Operations());
}

TEST_F(PageTest, AFrameIsStoredWithItsBorderTextAndEffects)
{
    TCustomizedFrame f(nullptr);
    f.SetPositionX(12.5f);
    f.SetPositionY(7);
    f.SetWidth(40);
    f.SetHeight(30);
    f.SetRotationAngle(-15);
    f.SetTypeFrame(K::FrameFromModel);
    f.ImageEffects()->SetZoom(2);
    auto border = std::make_unique<TFrameBorder>();
    border->SetBorderThickness(20);
    border->SetBorderAlphaColor(qRgba(0x10, 0x20, 0x30, 0xFF));
    f.SetFrameBorder(std::move(border));
    f.SetTextBloc(std::make_unique<TTextBloc>());
    f.TextBloc()->SetText(QStringLiteral("Happy birthday"));

    auto serializer = [] {
        auto s = std::make_unique<TXMLSerializer>();
        for (const TClassInfo* c : { &TCustomizedFrame::StaticClassInfo(), &TFrameBorder::StaticClassInfo(),
                                     &TClipartFrame::StaticClassInfo(), &TTextBloc::StaticClassInfo(),
                                     &TImageEffects::StaticClassInfo(), &TImageEffectOpItem::StaticClassInfo() })
            s->ClassRegister(*c);
        return s;
    };
    auto writer = serializer();
    writer->SaveObject(&f);
    const QByteArray bytes = writer->SaveToBytes();
    const QString xml = QString::fromUtf8(bytes);
    // The stored properties in their order.
    qsizetype last = -1;
    for (const char* e : { "ImageEffects", "Width", "Height", "PositionX", "PositionY", "RotationAngle", "TypeFrame",
                           "FrameBorder", "TextBloc" }) {
        const qsizetype at = xml.indexOf(QStringLiteral("<TCustomizedFrame.") + QLatin1String(e));
        ASSERT_GT(at, last) << e;
        last = at;
    }
    EXPECT_TRUE(xml.contains(QStringLiteral("FF102030")));

    auto reader = serializer();
    reader->LoadFromBytes(bytes);
    auto back = reader->LoadObjectAs<TCustomizedFrame>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->RectInMm(), QRectF(12.5, 7, 40, 30));
    EXPECT_FLOAT_EQ(back->RotationAngle(), -15);
    EXPECT_EQ(back->TypeFrame(), K::FrameFromModel);
    EXPECT_FLOAT_EQ(back->ImageEffects()->Zoom(), 2);
    ASSERT_TRUE(back->FrameBorder());
    EXPECT_EQ(back->FrameBorder()->Frame(), back.get());
    EXPECT_FLOAT_EQ(back->FrameBorder()->BorderThickness(), 20);
    EXPECT_EQ(back->FrameBorder()->BorderAlphaColor(), qRgba(0x10, 0x20, 0x30, 0xFF));
    ASSERT_TRUE(back->TextBloc());
    EXPECT_EQ(back->TextBloc()->Text(), QStringLiteral("Happy birthday"));
}

// ---------------------------------------------------------------------------
// Template pages

TEST_F(PageTest, TemplatePageConstruction)
{
    ZebtemplateVelmoraFrameInfo info;
    info.Cadres().Add(slot(1, 0, true));
    info.Cadres().Add(slot(1, 10, false));
    info.Cadres().Add(slot(1, 20, false, 15));
    info.Cadres().Add(slot(2, 30, false));

    struct Case {
        const char* name;
        TTemplateType type;
        int pageNum;
        bool withCalendar;
        std::vector<TTypeFrame> expected;
        std::vector<double> slotX; // x of the template slots, in page order
    };
    const Case cases[] = {
        { "card page: slot under the background, the background, two slots over it", TTemplateType::ClassicTemplate,
          1, false, { K::FrameFixedUnderBg, K::FrameBackground, K::FrameFixed, K::FrameFixed }, { 0, 10, 20 } },
        { "calendar page 1: every slot under the background, no grid", TTemplateType::MonthCalendar, 1, true,
          { K::FrameFixedUnderBg, K::FrameFixedUnderBg, K::FrameFixedUnderBg, K::FrameFixedUnderBg, K::FrameBackground },
          { 0, 10, 20, 30 } },
        { "calendar page 2 with its grid over the background", TTemplateType::MonthCalendar, 2, true,
          { K::FrameFixedUnderBg, K::FrameFixedUnderBg, K::FrameFixedUnderBg, K::FrameFixedUnderBg, K::FrameBackground,
            K::FrameCalendarGrid },
          { 0, 10, 20, 30 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        card->SetTplType(c.type);
        TCustomizedPage page(card.get(), &main, &tpl, &info, &bg, c.pageNum, c.withCalendar ? &cal : nullptr);
        EXPECT_EQ(kinds(&page), c.expected);
        EXPECT_TRUE(page.FramesInfoOk());
        std::vector<double> xs;
        for (TCustomizedFrame* f : page.CustomizedFrameList()) {
            EXPECT_EQ(f->Page(), &page);
            if (f->TypeFrame() == K::FrameBackground) {
                EXPECT_EQ(f->Image(), &bg);
                EXPECT_EQ(f->RectInMm(), QRectF(0, 0, 100, 150));
            } else if (f->TypeFrame() == K::FrameCalendarGrid) {
                EXPECT_EQ(f->Image(), &cal);
            } else {
                EXPECT_EQ(f->Image(), &main.drop);
                xs.push_back(f->PositionX());
            }
        }
        EXPECT_EQ(xs, c.slotX);
    }
}

TEST_F(PageTest, FrameInformationArrivingLaterSurroundsTheFramesInPlace)
{
    card->SetTplType(TTemplateType::ClassicTemplate);
    TCustomizedPage page(card.get(), &main, &tpl, nullptr, &bg, 1, nullptr);
    EXPECT_FALSE(page.FramesInfoOk());
    TCustomizedFrame* user = page.FrameAdd(std::make_unique<TCustomizedFrame>(&page));
    ZebtemplateVelmoraFrameInfo info;
    info.Cadres().Add(slot(1, 0, true));
    info.Cadres().Add(slot(1, 10, false));
    page.FramesInfoComplete(&main, &tpl, &info);
    EXPECT_EQ(kinds(&page), (std::vector<TTypeFrame> { K::FrameFixedUnderBg, K::FrameBackground, K::FrameUser,
                                                       K::FrameFixed }));
    EXPECT_EQ(page.CustomizedFrameList()[2], user);
    page.FramesInfoComplete(&main, &tpl, &info); // once only
    EXPECT_EQ(page.CustomizedFrameList().Count(), 4);
}

TEST_F(PageTest, RemovingAnImageUsedInAFrame)
{
    auto* page = card->add(std::make_unique<TCustomizedPage>(card.get(), &main, &tpl, nullptr, &bg, 3, nullptr));
    TestImage photo(QStringLiteral("dir/holiday.jpg"));
    TCustomizedFrame* f = page->FrameAdd(std::make_unique<TCustomizedFrame>(page));
    f->SetImage(&photo);
    try {
        page->ImageUsedDel(&main, &photo, false);
        ADD_FAILURE() << "no refusal";
    } catch (const EUser& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("You have used the image holiday in a frame of page 3 !"));
    }
    EXPECT_EQ(f->Image(), &photo);
    page->ImageUsedDel(&main, &photo, true);
    EXPECT_EQ(f->Image(), &main.drop);
}

// ---------------------------------------------------------------------------
// Photo books

TEST_F(PageTest, PhotoBookPagesAndCovers)
{
    book->SetAlbum(&album);
    struct Case {
        const char* name;
        bool rectoVerso;
        int pageNum;
        bool customizable;
        int lab;
    };
    const Case cases[] = {
        { "one-sided book: page 4 is a blank back", false, 4, false, -1 },
        { "one-sided book: page 5", false, 5, true, 2 },
        { "two-sided book: page 5", true, 5, true, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        album.setRectoVerso(c.rectoVerso);
        TCustomizedAlbumPage page(book.get(), &main, c.pageNum);
        EXPECT_EQ(page.IsCustomizable(), c.customizable);
        EXPECT_EQ(page.PageNumForLab(), c.lab);
        EXPECT_EQ(page.PageWidth(), 200);
    }
    album.setCouvertureImprimee(true);
    album.setCouvertureBackCustomizable(true);
    book->add(std::make_unique<TCustomizedAlbumCover>(book.get(), &main, QString(), 1));
    auto* back = book->add(std::make_unique<TCustomizedAlbumCover>(book.get(), &main, QString(), 12));
    EXPECT_EQ(book->GetPageByNum(1)->PageNumForLab(), 0);
    EXPECT_EQ(back->PageNumForLab(), 9999);
    EXPECT_FALSE(book->GetPageByNum(1)->IsCustomizable());
    EXPECT_TRUE(back->IsCustomizable());
    EXPECT_FALSE(back->IsMoveable());
}

TEST_F(PageTest, PageThreeOfABookWithAFirstPagePhoto)
{
    album.setPhotoEn1erePage(true);
    album.setXPhoto1erePage(5);
    album.setYPhoto1erePage(10);
    album.setLargeurPhoto1erePage(100);
    album.setHauteurPhoto1erePage(80);
    book->SetAlbum(&album);
    TCustomizedAlbumPage page(book.get(), &main, nullptr, &bg, 3);
    ASSERT_EQ(kinds(&page), (std::vector<TTypeFrame> { K::FrameBackground, K::FrameFixed }));
    EXPECT_EQ(page.CustomizedFrameList()[1]->RectInMm(), QRectF(0, 3, 112, 94));
    EXPECT_EQ(page.CustomizedFrameList()[1]->Image(), &main.drop);
    EXPECT_FALSE(page.IsMoveable());
    EXPECT_FALSE(page.IsFrameTemplatable());
}

// ---------------------------------------------------------------------------
// Drawing

TEST_F(PageTest, APagePreviewShowsTheFramesThatAreReady)
{
    tpl.setLargeurPapier(100);
    tpl.setHauteurPapier(50);
    TCustomizedPage page(card.get(), &main, &tpl, nullptr, nullptr, 1, nullptr);
    page.CustomizedFrameList().Clear();
    TCustomizedFrame* text = page.FrameAdd(std::make_unique<TCustomizedFrame>(&page));
    text->SetPositionX(50);
    text->SetWidth(50);
    text->SetHeight(50);
    auto bloc = std::make_unique<TTextBloc>();
    bloc->SetText(QString());
    bloc->SetBackAlphaColor(qRgba(0, 0, 255, 255));
    text->SetTextBloc(std::move(bloc));

    // Built on the main thread without a queue: the text picture is not
    // there yet, the preview lacks it.
    auto preview = main.cache.Access(&page, 200, 100, TOrderBitmapMode::obm_sizeMax);
    ASSERT_TRUE(preview->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_EQ(preview->BitmapSurface().pixelColor(150, 50).alpha(), 0);

    ASSERT_TRUE(main.cache.Access(text, 100, 100, TOrderBitmapMode::obm_sizeMax)->IsBitmapLoaded(nullptr, nullptr, true));
    preview->Reset();
    ASSERT_TRUE(preview->IsBitmapLoaded(nullptr, nullptr, true));
    const QImage shown = preview->BitmapSurface();
    EXPECT_EQ(shown.size(), QSize(200, 100));
    EXPECT_EQ(shown.pixelColor(150, 50), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(50, 50).alpha(), 0);
}

TEST_F(PageTest, TheBackCoverShowsItsInsideColourAndAWhiteWindow)
{
    album.setCouleurInterieur(QStringLiteral("00FF00"));
    album.setPhotoEn1erePage(true);
    album.setXPhoto1erePage(30);
    album.setYPhoto1erePage(40);
    album.setLargeurPhoto1erePage(100);
    album.setHauteurPhoto1erePage(80);
    book->SetAlbum(&album);
    auto* cover = book->add(std::make_unique<TCustomizedAlbumCover>(book.get(), &main, QString(), 2));
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        cover->draw(&main, p, QRectF(0, 0, 200, 200), nullptr, nullptr, TPagePlacement::PageCenter, nullptr);
    }
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::green));
    // Page 2: the window's right edge 30 mm from the right.
    EXPECT_EQ(img.pixelColor(75, 45), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(65, 45), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(172, 45), QColor(Qt::green));
}
