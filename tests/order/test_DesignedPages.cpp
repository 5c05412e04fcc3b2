// Designed pages inside their products: the products reach their pages
// without any set-up, pages keep and re-link their catalogue records, and
// orders holding designed products survive a save and reload.
#include "DesignedFakes.h"
#include "TestSupport.h"
#include "UAppExceptions.h"
#include "UCustomizedPage.h"
#include "ULabAlbumContracts.h"
#include "ULabTemplateContracts.h"
#include "UOrderBitmapCache.h"
#include "UOrderImageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <cmath>
#include <gtest/gtest.h>

using namespace designedfakes;

namespace {

// The catalogue of designed products, placeholders for empty frames.
class PagesMainFrame : public DesignedMainFrame {
public:
    TOrderImageBase* GetDropImgExample(float, float) override { return &drop; }
    TTemplateVelmoraList* GetWebSvcTemplatesVelmora() override { return &templates; }
    TMaterColorList* GetWebSvcMaterColor() override { return &materials; }
    TOrderImageBase* GetBackgroundImg(TTemplateProduct*, TCustomizedPage*) override { return &tplBg; }
    TOrderImageBase* GetCalImg(TTemplateProduct*, TCustomizedPage*) override { return &calGrid; }
    TOrderImageBase* GetCoverImage(int) override { return &coverBg; }
    // Every picture of an order file comes back (as a new object).
    TOrderImageBase* OrderImageReload(const QString& id, const QString&, const QString&) override
    {
        return new TestImage(id);
    }

    ZebtemplateVelmora2* addTemplate(qint32 id, qint32 w, qint32 h, qint32 type = 0)
    {
        auto* t = new ZebtemplateVelmora2();
        t->setId(id);
        t->setLargeurPapier(w);
        t->setHauteurPapier(h);
        t->setType_(type);
        templates.Add(t);
        return t;
    }

    TestImage drop { QStringLiteral("res\\drop.png") };
    TestImage tplBg { QStringLiteral("res\\tplbg.jpg") };
    TestImage calGrid { QStringLiteral("res\\cal.png") };
    TestImage coverBg { QStringLiteral("res\\cover.jpg") };
    TTemplateVelmoraList templates { true };
    TMaterColorList materials { true };
    QTemporaryDir temp;
};

class PagesEnv {
public:
    PagesEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProductImpl::InstallFactory();
        TAlbumProductImpl::InstallFactory();
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~PagesEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }

    PagesMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
};

// A customer's frame showing img on page.
TCustomizedFrame* addUserFrame(TCustomizedPageBase* page, TOrderImageBase* img)
{
    auto f = std::make_unique<TCustomizedFrame>(page);
    f->SetImage(img);
    return page->FrameAdd(std::move(f));
}

} // namespace

TEST(DesignedPages, FreshProductsHoldAPageListWithoutAnySetUp)
{
    PagesEnv env;
    // Nothing was installed: the page classes' access is the one in use.
    ASSERT_TRUE(DesignedPageAccess::Current());
    EXPECT_EQ(DesignedPageAccess::Current(), DesignedPageAccess::PageClassesAccess());

    TTemplateProductImpl loadedCard;
    TAlbumProductImpl loadedBook;
    TTemplateProduct* card = env.order->TemplateProductAdd(env.main.addTemplateFormat(5, 100, 150), 1);
    TAlbumProduct* book = env.order->AlbumProductAdd(env.main.addAlbum(9, 200, 200, 20), 1);
    struct Case {
        const char* name;
        TProduct* product;
    } cases[] = {
        { "loader's template product", &loadedCard },
        { "loader's photo book", &loadedBook },
        { "order's template product", card },
        { "order's photo book", book },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IArcList<TCustomizedPageBase*> pages = c.product->GetPagesList();
        ASSERT_TRUE(pages);
        EXPECT_EQ(pages->GetCount(), 0);
        EXPECT_TRUE(c.product->IsEmpty());
    }
}

TEST(DesignedPages, ProductsReachTheirPagesFramesAndPictures)
{
    PagesEnv env;
    ZebtemplateVelmora2* annual = env.main.addTemplate(31, 100, 150, 1);
    auto* card = static_cast<TTemplateProductImpl*>(
        env.order->TemplateProductAdd(env.main.addTemplateFormat(5, 100, 150), 1));
    TestImage a(QStringLiteral("a.jpg"));
    TestImage b(QStringLiteral("b.jpg"));
    auto page = std::make_unique<TCustomizedPage>(card, &env.main, annual, nullptr, &env.main.tplBg, 1, nullptr);
    TCustomizedFrame* frame = addUserFrame(page.get(), &a);
    TCustomizedPage* raw = page.get();
    card->CustomizedPageList()->Add(page.release());

    EXPECT_EQ(card->GetPageByNum(1), raw);
    EXPECT_EQ(card->GetPageByNum(2), nullptr);
    // The first page's template tells an annual calendar.
    EXPECT_TRUE(card->IsCalendarAnnual());
    EXPECT_FALSE(card->IsEmpty());
    EXPECT_EQ(card->GetNbCustomizableFrames(), 0); // a customer's frame can be deleted

    EXPECT_TRUE(card->ImageUsedReplace(&a, &b));
    EXPECT_EQ(frame->Image(), &b);
    EXPECT_FALSE(card->ImageUsedReplace(&a, &b));

    // Removing a picture still shown in a frame needs force.
    EXPECT_THROW(card->ImageUsedDel(&env.main, &b, false), EUser);
    EXPECT_EQ(frame->Image(), &b);
    card->ImageUsedDel(&env.main, &b, true);
    EXPECT_EQ(frame->Image(), &env.main.drop);
}

namespace {

// The catalogue of the round trip, built the same way for the saving and
// the reloading main frame (new objects, same ids).
void fillCatalogue(PagesMainFrame& main, bool withBackground = true, bool withTemplate = true)
{
    main.addTemplateFormat(5, 100, 150, false, true);
    if (withTemplate)
        main.addTemplate(31, 100, 150);
    AlbumPhotographe2* album = main.addAlbum(9, 200, 200, 2);
    album->setRectoVerso(true);
    album->setCouvertureImprimee(true);
    album->setCouvertureFrontCustomizable(true);
    album->setCouvertureBackCustomizable(true);
    auto* size = new TAlbumSize(200, 200);
    if (withBackground) {
        auto* bg = new FondAlbum2();
        bg->setId(61);
        size->BackgroundList().Add(bg);
    }
    main.albumSizes.Add(size);
    auto* material = new CouleurMatiere2();
    material->setId(71);
    main.materials.Add(material);
}

// One line per page and frame, with what the order file must keep.
QString describe(TPrintOrder& order)
{
    QStringList out;
    auto frames = [&out](TCustomizedPageBase* page) {
        for (TCustomizedFrame* f : page->CustomizedFrameList()) {
            QString line = QStringLiteral("  frame %1 %2,%3 %4x%5 rot %6")
                               .arg(int(f->TypeFrame()))
                               .arg(f->PositionX())
                               .arg(f->PositionY())
                               .arg(f->Width())
                               .arg(f->Height())
                               .arg(f->RotationAngle());
            // Backgrounds and calendar grids take the catalogue's pictures
            // again when the page is re-linked.
            if (!f->isFrameBackground() && !f->isCalendarGrid())
                line += QStringLiteral(" img ") + (f->Image() ? f->Image()->ImageID() : QStringLiteral("-"));
            for (const TImageEffectOpItem& op : f->ImageEffects()->Operations())
                line += QStringLiteral(" op%1(%2,%3)").arg(int(op.OpType)).arg(op.OpArg1).arg(op.OpArg2);
            if (TTextBloc* t = f->TextBloc())
                line += QStringLiteral(" text '%1' %2 %3 %4").arg(t->Text()).arg(t->FontSize()).arg(t->FontColor(), t->BackColor());
            if (TFrameBorder* b = f->FrameBorder()) {
                line += QStringLiteral(" border %1 %2").arg(b->BorderThickness()).arg(b->BorderColor());
                if (TClipartFrame* c = b->ClipartFrame())
                    line += QStringLiteral(" clipart %1 %2 %3 %4 dpi %5 %6 %7")
                                .arg(c->BorderLeft)
                                .arg(c->BorderTop)
                                .arg(c->BorderRight)
                                .arg(c->BorderBottom)
                                .arg(c->DpiX)
                                .arg(c->DpiY)
                                .arg(c->Image() ? c->Image()->ImageID() : QStringLiteral("-"));
            }
            out << line;
        }
    };
    for (TTemplateProduct* p : order.TemplatesProducts()) {
        auto* t = static_cast<TTemplateProductImpl*>(p);
        out << QStringLiteral("template %1 type %2").arg(t->TirageId()).arg(int(t->TplType()));
        for (TCustomizedPageBase* page : t->CustomizedPageList()) {
            auto* tp = dynamic_cast<TCustomizedPage*>(page);
            out << QStringLiteral(" page %1 tpl %2").arg(page->PageNum()).arg(tp && tp->TplVelmora() ? tp->TplVelmora()->Id() : -1);
            frames(page);
        }
    }
    for (TAlbumProduct* p : order.AlbumsProducts()) {
        auto* a = static_cast<TAlbumProductImpl*>(p);
        out << QStringLiteral("album %1").arg(a->AlbumId());
        for (TCustomizedPageBase* page : a->CustomizedAlbumPageList()) {
            auto* ap = dynamic_cast<TCustomizedAlbumPageBase*>(page);
            auto* cover = dynamic_cast<TCustomizedAlbumCover*>(page);
            out << QStringLiteral(" %1 %2 bg %3 cover %4")
                       .arg(page->ClassInfo().ClassName())
                       .arg(page->PageNum())
                       .arg(ap && ap->BgAlbum() ? ap->BgAlbum()->Id() : -1)
                       .arg(cover && cover->Cover() ? cover->Cover()->Id() : -1);
            frames(page);
        }
    }
    return out.join(QLatin1Char('\n'));
}

// A calendar with a cover and one month, and a photo book with its two
// covers and two inner pages; "a.jpg" is used by both products.
struct DesignedOrder {
    DesignedOrder()
    {
        fillCatalogue(env.main);
        PagesMainFrame& m = env.main;
        a = addPhoto(QStringLiteral("/media/usb/a.jpg"));
        b = addPhoto(QStringLiteral("/media/usb/b.jpg"));
        clip = addPhoto(QStringLiteral("res\\scrap\\gold.png"));

        calendar = static_cast<TTemplateProductImpl*>(env.order->TemplateProductAdd(m.tplFormats[0], 1));
        calendar->SetDateStart(TTemplateProductImpl::getDateAsInt(2027, 1));
        ZebtemplateVelmora2* tpl = m.templates[0];
        std::vector<std::unique_ptr<TCustomizedPageBase>> calPages;
        for (int n = 1; n <= 2; ++n)
            calPages.push_back(std::make_unique<TCustomizedPage>(calendar, &m, tpl, nullptr, &m.tplBg, n, &m.calGrid));
        TCustomizedPageBase* month = calPages[1].get();
        TCustomizedFrame* photo = addUserFrame(month, a);
        photo->SetPositionX(10.5f);
        photo->SetPositionY(20);
        photo->SetWidth(50);
        photo->SetHeight(40);
        photo->SetRotationAngle(-15);
        photo->ImageEffects()->SetZoom(1.5f);
        photo->ImageEffects()->SetSepia(true);
        photo->SetFrameBorder(std::make_unique<TFrameBorder>(photo, nullptr, nullptr));
        photo->FrameBorder()->SetBorderThickness(20);
        photo->FrameBorder()->SetBorderAlphaColor(qRgba(200, 10, 20, 255));
        // Empty frames hold a placeholder once the page is prepared.
        TCustomizedFrame* text = addUserFrame(month, &m.drop);
        auto bloc = std::make_unique<TTextBloc>();
        bloc->SetText(QStringLiteral("Bonne année <2027> & plus"));
        bloc->SetFontSize(7.5);
        bloc->SetFontAlphaColor(qRgba(0, 0, 255, 255));
        text->SetTextBloc(std::move(bloc));
        TCustomizedFrame* framed = addUserFrame(calPages[0].get(), b);
        auto art = std::make_unique<TClipartFrame>();
        art->BorderLeft = 40;
        art->BorderTop = 30;
        art->BorderRight = 10;
        art->BorderBottom = 20;
        art->DpiX = 300;
        art->DpiY = 150;
        art->SetImage(clip);
        framed->SetFrameBorder(std::make_unique<TFrameBorder>(framed, nullptr, nullptr));
        framed->FrameBorder()->SetClipartFrame(std::move(art));
        framed->FrameBorder()->SetBorderThickness(50);
        calendar->SetPages(std::move(calPages));

        book = static_cast<TAlbumProductImpl*>(env.order->AlbumProductAdd(m.albums[0], 1));
        FondAlbum2* bg = m.albumSizes[0]->BackgroundList()[0];
        CouleurMatiere2* material = m.materials[0];
        std::vector<std::unique_ptr<TCustomizedPageBase>> bookPages;
        bookPages.push_back(std::make_unique<TCustomizedAlbumCover>(book, &m, material, &m.coverBg, 1));
        bookPages.push_back(std::make_unique<TCustomizedAlbumPage>(book, &m, bg, &m.tplBg, 2));
        bookPages.push_back(std::make_unique<TCustomizedAlbumPage>(book, &m, bg, &m.tplBg, 3));
        bookPages.push_back(std::make_unique<TCustomizedAlbumCover>(book, &m, material, &m.coverBg, 4));
        addUserFrame(bookPages[0].get(), b);
        TCustomizedFrame* shared = addUserFrame(bookPages[2].get(), a);
        shared->ImageEffects()->SetAngle(90);
        book->SetPages(std::move(bookPages));
        path = env.main.temp.filePath(QStringLiteral("designed.qzo"));
    }

    TOrderImageBase* addPhoto(const QString& id)
    {
        auto* img = new TestImage(id);
        TOrderImageBase* own = env.order->GlobalImageUsedAdd(img);
        if (own != img)
            delete img;
        return own;
    }

    PagesEnv env;
    TOrderImageBase* a = nullptr;
    TOrderImageBase* b = nullptr;
    TOrderImageBase* clip = nullptr;
    TTemplateProductImpl* calendar = nullptr;
    TAlbumProductImpl* book = nullptr;
    QString path;
};

} // namespace

TEST(DesignedPagesFiles, CalendarAndPhotoBookReloadEqual)
{
    DesignedOrder saved;
    const QString before = describe(*saved.env.order);
    const auto photoIds = [](TPrintOrder& o) {
        QStringList ids;
        for (TOrderImageBase* img : o.usedImagesList())
            ids << img->ImageID();
        return ids.join(QStringLiteral(", "));
    };
    const QString photosBefore = photoIds(*saved.env.order);
    saved.env.order->SetDirty();
    saved.env.order->Save(saved.path);

    // The products' pages sit between their pictures and what follows, and
    // each page class stores its catalogue record under its own name.
    QFile file(saved.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(file.readAll());
    const struct {
        const char* before;
        const char* after;
    } order[] = {
        { "<TemplateProduct.Images", "<TemplateProduct.Pages" },
        { "<TemplateProduct.Pages", "<TemplateProduct.TplCal" },
        { "<CustomizedPage.PageNum", "<CustomizedPage.TplVelmora" },
        { "<AlbumProduct.Images", "<AlbumProduct.Pages" },
        { "<CustomizedAlbumCover.BgAlbum", "<CustomizedAlbumCover.Cover" },
        { "<CustomizedAlbumPage.PageNum", "<CustomizedAlbumPage.BgAlbum" },
        { "<CustomizedAlbumPage.BgAlbum", "<BackgroundAlbum" },
        { "<CustomizedAlbumCover.Cover", "<MaterColor" },
    };
    for (const auto& o : order) {
        SCOPED_TRACE(o.after);
        const qsizetype at = xml.indexOf(QLatin1String(o.before));
        ASSERT_GE(at, 0);
        EXPECT_GT(xml.indexOf(QLatin1String(o.after), at), at);
    }

    PagesMainFrame main;
    fillCatalogue(main);
    std::unique_ptr<TPrintOrder> back = TPrintOrder::TryLoadCreate(&main, saved.path);
    ASSERT_TRUE(back);
    main.order = back.get();
    EXPECT_EQ(back->ProductReloadMessage(), QString());
    ASSERT_EQ(back->TemplatesProducts().Count(), 1);
    ASSERT_EQ(back->AlbumsProducts().Count(), 1);
    EXPECT_EQ(describe(*back), before);
    // Placeholders and catalogue pictures are not stored: they come back
    // from the pages, not as photos of the order.
    EXPECT_EQ(photoIds(*back), photosBefore);
    EXPECT_EQ(back->ImageUsedInvalidCount(), 0);

    auto* calendar = static_cast<TTemplateProductImpl*>(back->TemplatesProducts()[0]);
    auto* book = static_cast<TAlbumProductImpl*>(back->AlbumsProducts()[0]);
    TOrderImageBase* a = back->ImageUsedFind(QStringLiteral("/media/usb/a.jpg"));
    TOrderImageBase* clip = back->ImageUsedFind(QStringLiteral("res\\scrap\\gold.png"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(clip, nullptr);

    // The pages are the products' and point at the reloading catalogue's
    // records, which they do not own.
    auto* month = dynamic_cast<TCustomizedPage*>(calendar->GetPageByNum(2));
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->Product(), calendar);
    EXPECT_EQ(month->TplVelmora(), main.templates[0]);
    EXPECT_FALSE(month->OwnsTplVelmora());
    EXPECT_EQ(month->PageWidth(), 100);
    auto* cover = dynamic_cast<TCustomizedAlbumCover*>(book->GetPageByNum(1));
    auto* inner = dynamic_cast<TCustomizedAlbumPage*>(book->GetPageByNum(3));
    ASSERT_NE(cover, nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(cover->Cover(), main.materials[0]);
    EXPECT_FALSE(cover->OwnsCover());
    EXPECT_EQ(inner->BgAlbum(), main.albumSizes[0]->BackgroundList()[0]);
    EXPECT_FALSE(inner->OwnsBgAlbum());
    EXPECT_EQ(inner->Product(), book);

    // Frames know their page; pictures are the order's objects, shared.
    TCustomizedFrame* monthPhoto = month->CustomizedFrameList()[2];
    TCustomizedFrame* innerPhoto = inner->CustomizedFrameList()[1];
    EXPECT_EQ(monthPhoto->Page(), month);
    EXPECT_EQ(monthPhoto->Image(), a);
    EXPECT_EQ(innerPhoto->Image(), a);
    TClipartFrame* art = calendar->GetPageByNum(1)->CustomizedFrameList()[1]->FrameBorder()->ClipartFrame();
    EXPECT_EQ(art->Image(), clip);
    EXPECT_FALSE(art->ImageToFree());
    // The backgrounds show the reloading catalogue's pictures again.
    EXPECT_EQ(month->CustomizedFrameList()[0]->Image(), &main.tplBg);
    EXPECT_EQ(month->CustomizedFrameList()[1]->Image(), &main.calGrid);
    EXPECT_EQ(cover->CustomizedFrameList()[0]->Image(), &main.coverBg);
    EXPECT_EQ(month->CustomizedFrameList()[3]->Image(), &main.drop);

    // Replacing the shared picture reaches every frame of both products.
    TestImage fresh(QStringLiteral("/media/usb/a2.jpg"));
    EXPECT_TRUE(calendar->ImageUsedReplace(a, &fresh));
    EXPECT_TRUE(book->ImageUsedReplace(a, &fresh));
    EXPECT_EQ(monthPhoto->Image(), &fresh);
    EXPECT_EQ(innerPhoto->Image(), &fresh);
    EXPECT_TRUE(calendar->ImageUsedReplace(&fresh, a));
    EXPECT_TRUE(book->ImageUsedReplace(&fresh, a));
    back.reset();
}

TEST(DesignedPagesFiles, RecordsGoneFromTheCatalogueDropTheProductAndSaySo)
{
    struct Case {
        const char* name;
        bool withTemplate;
        bool withBackground;
        bool withMaterial;
        int templates; // products kept
        int albums;
    };
    const Case cases[] = {
        { "all records still there", true, true, true, 1, 1 },
        { "lab template gone", false, true, true, 0, 1 },
        { "album background gone", true, false, true, 1, 0 },
        { "cover material gone", true, true, false, 1, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignedOrder saved;
        saved.env.order->SetDirty();
        saved.env.order->Save(saved.path);

        PagesMainFrame main;
        fillCatalogue(main, c.withBackground, c.withTemplate);
        if (!c.withMaterial)
            main.materials.Clear();
        std::unique_ptr<TPrintOrder> back = TPrintOrder::TryLoadCreate(&main, saved.path);
        ASSERT_TRUE(back);
        main.order = back.get();
        EXPECT_EQ(back->TemplatesProducts().Count(), c.templates);
        EXPECT_EQ(back->AlbumsProducts().Count(), c.albums);
        const int dropped = 2 - c.templates - c.albums;
        EXPECT_EQ(back->ProductReloadMessage().count(QStringLiteral(": not found, removed")), dropped);
        EXPECT_EQ(back->Dirty(), dropped > 0);
        // The pictures stay in the order.
        EXPECT_NE(back->ImageUsedFind(QStringLiteral("/media/usb/a.jpg")), nullptr);
        EXPECT_NE(back->ImageUsedFind(QStringLiteral("/media/usb/b.jpg")), nullptr);
    }
}

TEST(DesignedPages, RelinkOfEachPageKindTable)
{
    // One page at a time, its record read from a file (owned) and the
    // catalogue holding or missing it.
    struct Case {
        const char* name;
        std::function<TCustomizedPageBase*(DesignedOrder&)> page;
        std::function<void(PagesMainFrame&)> dropRecord;
        bool expected;
        std::function<bool(TCustomizedPageBase*, PagesMainFrame&)> linked;
    };
    const Case cases[] = {
        { "template found", [](DesignedOrder& d) { return d.calendar->GetPageByNum(2); }, nullptr, true,
          [](TCustomizedPageBase* p, PagesMainFrame& m) {
              return static_cast<TCustomizedPage*>(p)->TplVelmora() == m.templates[0];
          } },
        { "template gone", [](DesignedOrder& d) { return d.calendar->GetPageByNum(2); },
          [](PagesMainFrame& m) { m.templates.Clear(); }, false,
          [](TCustomizedPageBase* p, PagesMainFrame&) { return static_cast<TCustomizedPage*>(p)->TplVelmora() == nullptr; } },
        { "background found", [](DesignedOrder& d) { return d.book->GetPageByNum(3); }, nullptr, true,
          [](TCustomizedPageBase* p, PagesMainFrame& m) {
              return static_cast<TCustomizedAlbumPage*>(p)->BgAlbum() == m.albumSizes[0]->BackgroundList()[0];
          } },
        { "background gone", [](DesignedOrder& d) { return d.book->GetPageByNum(3); },
          [](PagesMainFrame& m) { m.albumSizes[0]->BackgroundList().Clear(); }, false,
          [](TCustomizedPageBase* p, PagesMainFrame&) { return static_cast<TCustomizedAlbumPage*>(p)->BgAlbum() == nullptr; } },
        { "page size gone", [](DesignedOrder& d) { return d.book->GetPageByNum(3); },
          [](PagesMainFrame& m) { m.albumSizes.Clear(); }, false,
          [](TCustomizedPageBase* p, PagesMainFrame&) { return static_cast<TCustomizedAlbumPage*>(p)->BgAlbum() == nullptr; } },
        { "unprinted back side drops its background", [](DesignedOrder& d) { return d.book->GetPageByNum(2); },
          [](PagesMainFrame& m) { m.albums[0]->setRectoVerso(false); }, true,
          [](TCustomizedPageBase* p, PagesMainFrame&) { return static_cast<TCustomizedAlbumPage*>(p)->BgAlbum() == nullptr; } },
        { "front cover material found", [](DesignedOrder& d) { return d.book->GetPageByNum(1); }, nullptr, true,
          [](TCustomizedPageBase* p, PagesMainFrame& m) {
              return static_cast<TCustomizedAlbumCover*>(p)->Cover() == m.materials[0];
          } },
        { "front cover material gone", [](DesignedOrder& d) { return d.book->GetPageByNum(1); },
          [](PagesMainFrame& m) { m.materials.Clear(); }, false,
          [](TCustomizedPageBase* p, PagesMainFrame&) { return static_cast<TCustomizedAlbumCover*>(p)->Cover() == nullptr; } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignedOrder d;
        TCustomizedPageBase* page = c.page(d);
        ASSERT_NE(page, nullptr);
        // The page holds a copy of its record, as after reading a file.
        if (auto* tp = dynamic_cast<TCustomizedPage*>(page)) {
            auto copy = std::make_unique<ZebtemplateVelmora2>();
            copy->setId(tp->TplVelmora()->Id());
            copy->setLargeurPapier(100);
            copy->setHauteurPapier(150);
            tp->SetTplVelmoraOwned(std::move(copy));
            EXPECT_TRUE(tp->OwnsTplVelmora());
        }
        if (auto* ap = dynamic_cast<TCustomizedAlbumPageBase*>(page); ap && ap->BgAlbum()) {
            auto copy = std::make_unique<FondAlbum2>();
            copy->setId(ap->BgAlbum()->Id());
            ap->SetBgAlbumOwned(std::move(copy));
        }
        if (auto* cp = dynamic_cast<TCustomizedAlbumCover*>(page)) {
            auto copy = std::make_unique<CouleurMatiere2>();
            copy->setId(cp->Cover()->Id());
            cp->SetCoverOwned(std::move(copy));
        }
        if (c.dropRecord)
            c.dropRecord(d.env.main);
        EXPECT_EQ(page->XMLloadFinalize(&d.env.main), c.expected);
        EXPECT_TRUE(c.linked(page, d.env.main));
        // Relinking again changes nothing.
        EXPECT_EQ(page->XMLloadFinalize(&d.env.main), c.expected);
    }
}

namespace {

// Print files of frames and borders: a real bitmap cache, files in a
// transfer folder of the test.
class TransferPagesMainFrame : public PagesMainFrame {
public:
    ~TransferPagesMainFrame() override { cache.ClearAll(); }
    IOrderBitmapRef BitmapCache(TImageSource* src, int w, int h, TOrderBitmapMode mode) override
    {
        return cache.Access(src, w, h, mode);
    }
    bool Is2DrenderingReady() override { return true; }
    TImgRawMode ToTransferAsRowIfPossible(const QString&) override { return TImgRawMode::irm_noop; }
    bool FilesToCrypt() override { return crypt; }

    TOrderBitmapCache cache { this };
    bool crypt = false;
};

// A card page of 100 x 150 mm; photos are files of the test.
class FrameFilesEnv {
public:
    FrameFilesEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProductImpl::InstallFactory();
        TAlbumProductImpl::InstallFactory();
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
        order->SetTempPath(main.temp.filePath(QStringLiteral("transfer")));
        ZebtemplateVelmora2* tpl = main.addTemplate(31, 100, 150);
        card = static_cast<TTemplateProductImpl*>(
            order->TemplateProductAdd(main.addTemplateFormat(5, 100, 150), 1));
        std::vector<std::unique_ptr<TCustomizedPageBase>> pages;
        pages.push_back(std::make_unique<TCustomizedPage>(card, &main, tpl, nullptr, &main.tplBg, 1, nullptr));
        page = pages[0].get();
        card->SetPages(std::move(pages));
    }
    ~FrameFilesEnv()
    {
        main.cache.ClearAll();
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
    }

    // A picture file of the test, taken by the order.
    TOrderImageBase* photo(const QString& name, const QImage& img)
    {
        const QString path = main.temp.filePath(name);
        EXPECT_TRUE(img.save(path));
        auto* file = new TOrderImageFile(path, path);
        TOrderImageBase* own = order->GlobalImageUsedAdd(file);
        if (own != file)
            delete file;
        return own;
    }
    TCustomizedFrame* frame(TOrderImageBase* img, float w, float h)
    {
        TCustomizedFrame* f = addUserFrame(page, img);
        f->SetPositionX(10);
        f->SetPositionY(20);
        f->SetWidth(w);
        f->SetHeight(h);
        return f;
    }

    TransferPagesMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
    TTemplateProductImpl* card = nullptr;
    TCustomizedPageBase* page = nullptr;
};

QImage filled(int w, int h, QImage::Format format, QRgb colour)
{
    QImage img(w, h, format);
    img.fill(colour);
    return img;
}

// Pixels at 300 dpi for millimetres.
int px(double mm)
{
    return int(std::lround(mm * 300 / 25.4));
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(DesignedPageFiles, FramePrintFilesTable)
{
    struct Case {
        const char* name;
        const char* photoName; // null: a text frame
        QImage::Format format;
        float w, h;            // frame in millimetres
        const char* pattern;
        bool alpha;            // the file keeps transparency
    };
    const Case cases[] = {
        { "zoomed photo: cropped to the frame at print size", "photo.jpg", QImage::Format_RGB32, 50, 40,
          "^0_\\d{9}\\.jpg$", false },
        { "portrait frame on a landscape photo", "photo.jpg", QImage::Format_RGB32, 30, 60, "^0_\\d{9}\\.jpg$",
          false },
        { "transparent PNG source stays PNG", "logo.png", QImage::Format_ARGB32, 40, 40, "^0_\\d{9}\\.png$", true },
        { "text frame: a PNG picture of the frame", nullptr, QImage::Format_ARGB32, 100, 50, "^0_\\d{9}\\.png$",
          true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameFilesEnv env;
        TOrderImageBase* img = c.photoName
            ? env.photo(QLatin1String(c.photoName), filled(600, 400, c.format, qRgba(200, 40, 40, 128)))
            : nullptr;
        TCustomizedFrame* f = env.frame(img, c.w, c.h);
        if (img) {
            f->ImageEffects()->SetZoom(1.25f);
        } else {
            f->SetTextBloc(std::make_unique<TTextBloc>());
            f->TextBloc()->SetBackAlphaColor(qRgba(0, 0, 0, 0));
        }
        const QString path = f->ImageTransfo(&env.main, false);
        EXPECT_TRUE(QFileInfo(path).fileName().contains(QRegularExpression(QLatin1String(c.pattern))))
            << path.toStdString();
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(env.order->TempPath()).absolutePath());
        QImage out(path);
        ASSERT_FALSE(out.isNull());
        EXPECT_NEAR(out.width(), px(c.w), 1);
        EXPECT_NEAR(out.height(), px(c.h), 1);
        EXPECT_EQ(out.hasAlphaChannel(), c.alpha);
        EXPECT_EQ(int(std::lround(out.dotsPerMeterX() * 0.0254)), 300);
        // A second call hands the same file back.
        EXPECT_EQ(f->ImageTransfo(&env.main, false), path);
    }
}

TEST(DesignedPageFiles, BorderFileIsTheClipartStretchedAroundTheFrame)
{
    FrameFilesEnv env;
    // A 100 x 80 clip-art picture: red left band (40 px), the rest green.
    QImage art = filled(100, 80, QImage::Format_ARGB32, qRgba(0, 200, 0, 255));
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 40; ++x)
            art.setPixel(x, y, qRgba(220, 0, 0, 255));
    TOrderImageBase* clip = env.photo(QStringLiteral("gold.png"), art);
    TCustomizedFrame* f = env.frame(nullptr, 50, 40);
    auto c = std::make_unique<TClipartFrame>();
    c->BorderLeft = 40;
    c->BorderTop = 30;
    c->BorderRight = 10;
    c->BorderBottom = 20;
    c->DpiX = 300;
    c->DpiY = 300;
    c->SetImage(clip);
    f->SetFrameBorder(std::make_unique<TFrameBorder>(f, nullptr, nullptr));
    TFrameBorder* border = f->FrameBorder();
    border->SetClipartFrame(std::move(c));

    const QString path = border->ImageTransfo(&env.main, false);
    EXPECT_TRUE(QFileInfo(path).fileName().contains(QRegularExpression(QStringLiteral("^1_\\d{9}\\.png$"))))
        << path.toStdString();
    EXPECT_EQ(border->FTPFilepath(), path);
    QImage out(path);
    ASSERT_FALSE(out.isNull());
    // The frame plus its bands (40 + 10 by 30 + 20 clip-art pixels at
    // 300 dpi) at the print's 300 dpi.
    EXPECT_NEAR(out.width(), px(50) + 50, 1);
    EXPECT_NEAR(out.height(), px(40) + 50, 1);
    EXPECT_EQ(qRed(out.pixel(5, out.height() / 2)), 220);        // left band
    EXPECT_EQ(qGreen(out.pixel(out.width() - 3, 5)), 200);       // top-right corner
    EXPECT_EQ(qAlpha(out.pixel(out.width() / 2, out.height() / 2)), 0); // the frame shows through

    // An existing file is not built again.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    EXPECT_EQ(border->ImageTransfo(&env.main, false), path);
    EXPECT_EQ(fileBytes(path), QByteArray("kept"));
}

TEST(DesignedPageFiles, BorderFileScrambledOrRefused)
{
    struct Case {
        const char* name;
        bool withClipart;
        bool crypt;
        const char* error; // null: a file is made
    };
    const Case cases[] = {
        { "scrambled when the lab wants scrambled files", true, true, nullptr },
        { "a plain line has no file", false, false, "ClipartFrame must not be nil here!" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameFilesEnv env;
        env.main.crypt = c.crypt;
        TCustomizedFrame* f = env.frame(nullptr, 20, 20);
        f->SetFrameBorder(std::make_unique<TFrameBorder>(f, nullptr, nullptr));
        if (c.withClipart) {
            auto art = std::make_unique<TClipartFrame>();
            art->BorderLeft = art->BorderTop = art->BorderRight = art->BorderBottom = 4;
            art->DpiX = art->DpiY = 300;
            art->SetImage(env.photo(QStringLiteral("art.png"), filled(16, 16, QImage::Format_ARGB32, qRgba(1, 2, 3, 255))));
            f->FrameBorder()->SetClipartFrame(std::move(art));
        }
        if (c.error) {
            try {
                f->FrameBorder()->ImageTransfo(&env.main, false);
                ADD_FAILURE() << "no error";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), QLatin1String(c.error));
            }
            continue;
        }
        const QString path = f->FrameBorder()->ImageTransfo(&env.main, false);
        const QByteArray bytes = fileBytes(path);
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_FALSE(bytes.startsWith("\x89PNG"));
    }
}

// A frame or border edited after its print file was made (for a send that
// then failed) gets a new file on the next send: the old one is deleted and
// never uploaded again.
TEST(DesignedPageFiles, AFrameOrBorderChangedAfterItsFileIsRenderedAgain)
{
    struct Case {
        const char* name;
        bool border;                             // the border's file, else the frame's
        std::function<void(TCustomizedFrame*)> edit;
        float w, h;                              // frame size after the edit, mm
    };
    const Case cases[] = {
        { "frame resized", false, [](TCustomizedFrame* f) { f->SetWidth(30); }, 30, 20 },
        { "text changed", false, [](TCustomizedFrame* f) { f->TextBloc()->SetText(QStringLiteral("Noël")); }, 20, 20 },
        { "border of a resized frame", true, [](TCustomizedFrame* f) { f->SetHeight(35); }, 20, 35 },
        { "border made thinner", true, [](TCustomizedFrame* f) { f->FrameBorder()->SetBorderThickness(50); }, 20, 20 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameFilesEnv env;
        TCustomizedFrame* f = env.frame(nullptr, 20, 20);
        f->SetTextBloc(std::make_unique<TTextBloc>());
        f->TextBloc()->SetText(QStringLiteral("Hello"));
        f->SetFrameBorder(std::make_unique<TFrameBorder>(f, nullptr, nullptr));
        auto art = std::make_unique<TClipartFrame>();
        art->BorderLeft = art->BorderTop = art->BorderRight = art->BorderBottom = 30;
        art->DpiX = art->DpiY = 300;
        art->SetImage(env.photo(QStringLiteral("art.png"), filled(90, 90, QImage::Format_ARGB32, qRgba(1, 2, 3, 255))));
        f->FrameBorder()->SetClipartFrame(std::move(art));
        TImageToTransfer* item = c.border ? static_cast<TImageToTransfer*>(f->FrameBorder()) : f;

        const QString before = item->ImageTransfo(&env.main, true);
        ASSERT_TRUE(QFileInfo::exists(before));
        const QByteArray oldBytes = fileBytes(before);
        QThread::msleep(20); // file names carry the time
        c.edit(f);
        const QString after = item->ImageTransfo(&env.main, true);
        EXPECT_NE(after, before);
        EXPECT_FALSE(QFileInfo::exists(before));
        EXPECT_NE(fileBytes(after), oldBytes);
        QImage out(after);
        ASSERT_FALSE(out.isNull());
        const float bands = c.border ? 2 * 30 * f->FrameBorder()->BorderThickness() / 100.f : 0;
        EXPECT_NEAR(out.width(), px(c.w) + bands, 2);
        EXPECT_NEAR(out.height(), px(c.h) + bands, 2);
        // Unchanged since: the same file again.
        EXPECT_EQ(item->ImageTransfo(&env.main, true), after);
    }
}
