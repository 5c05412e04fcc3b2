// Photo books: price rows and prices, extra pages, photo counts, labels, the
// checks before sending, the binding to the catalogue after a reload, and
// the page sizes with their page-model scores and backgrounds.
#include "DesignedFakes.h"
#include "UAlbumProduct.h"
#include "UAlbumSize.h"
#include "UPageModeleZeb.h"

#include <gtest/gtest.h>

using namespace designedfakes;

namespace {

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

struct Row {
    qint32 albumId, min, max;
    bool extraPage;
    double cout;
};

void addRows(DesignedMainFrame& main, std::initializer_list<Row> rows)
{
    qint32 id = 1;
    for (const Row& r : rows) {
        auto p = std::make_unique<PrixAlbum2>();
        p->setPrixId(id++);
        p->setAlbumId(r.albumId);
        p->setQuantiteMinimale(r.min);
        p->setQuantiteMaximale(r.max);
        p->setEstTarifPageSupplementaire(r.extraPage);
        p->setCout(r.cout);
        p->setTypeDeTarif(Tarif_TypeTarif::EurosCB);
        main.albumPrices.Add(p.release());
    }
}

std::unique_ptr<PageModeleZeb> model(const QString& info)
{
    auto m = std::make_unique<PageModeleZeb>();
    m->SetInfo(info);
    return m;
}

} // namespace

// ------------------------------------------------------------------ price rows

TEST(AlbumPrices, PriceRowTable)
{
    struct Case {
        const char* name;
        std::vector<Row> rows;
        qint32 qty;
        bool extraPage;
        int expectedPrixId; // 0: none
    } cases[] = {
        { "inside a row", { { 5, 1, 9, false, 20 }, { 5, 20, 49, false, 18 } }, 5, false, 1 },
        { "nearest row: 20-49 at 5 beats 1-9 at 6", { { 5, 1, 9, false, 20 }, { 5, 20, 49, false, 18 } }, 15, false, 2 },
        { "equally near: the earlier row", { { 5, 1, 9, false, 20 }, { 5, 21, 49, false, 18 } }, 15, false, 1 },
        { "equally near, listed the other way", { { 5, 21, 49, false, 18 }, { 5, 1, 9, false, 20 } }, 15, false, 1 },
        { "a later row holding the quantity wins over a nearer one",
          { { 5, 16, 19, false, 20 }, { 5, 10, 20, false, 18 } }, 15, false, 2 },
        { "extra-page rows apart", { { 5, 1, 99, true, 1 }, { 5, 1, 99, false, 25 } }, 3, true, 1 },
        { "base rows apart", { { 5, 1, 99, true, 1 }, { 5, 1, 99, false, 25 } }, 3, false, 2 },
        { "never a row of the other kind", { { 5, 1, 99, true, 1 } }, 3, false, 0 },
        { "never another album's row", { { 6, 1, 99, false, 1 } }, 3, false, 0 },
        { "no rows at all", {}, 3, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignedMainFrame main;
        qint32 id = 1;
        for (const Row& r : c.rows) {
            auto p = std::make_unique<PrixAlbum2>();
            p->setPrixId(id++);
            p->setAlbumId(r.albumId);
            p->setQuantiteMinimale(r.min);
            p->setQuantiteMaximale(r.max);
            p->setEstTarifPageSupplementaire(r.extraPage);
            p->setCout(r.cout);
            main.albumPrices.Add(p.release());
        }
        PrixAlbum2* row = TAlbumProductImpl::GetAlbumPrice(&main, 5, c.qty, c.extraPage, false);
        if (c.expectedPrixId == 0) {
            EXPECT_EQ(row, nullptr);
            EXPECT_EQ(messageOf([&] { TAlbumProductImpl::GetAlbumPrice(&main, 5, c.qty, c.extraPage, true); }),
                      QStringLiteral("TAlbumProduct.GetAlbumPrice: PrixAlbum2 not found"));
        } else {
            ASSERT_NE(row, nullptr);
            EXPECT_EQ(row->PrixId(), c.expectedPrixId);
        }
    }
}

TEST(AlbumPrices, BasePriceUsesTheCustomersTariffType)
{
    DesignedMainFrame main;
    main.consumer.setTypeTarif(Tarif_TypeTarif::EurosMagasin);
    addRows(main, { { 5, 1, 99, false, 19.99 }, { 5, 1, 99, true, 0.45 } });

    const TProductPrice base = TAlbumProductImpl::GetBasePrice(&main, 5, 2, false, true);
    EXPECT_EQ(base.qty, 2);
    EXPECT_EQ(base.price, 199900);
    EXPECT_EQ(base.priceType, Tarif_TypeTarif::EurosMagasin) << "the customer's type, not the row's";
    EXPECT_EQ(main.roundCount, 1);
    EXPECT_EQ(TAlbumProductImpl::GetBasePrice(&main, 5, 2, true, true).price, 4500);

    EXPECT_EQ(messageOf([&] { TAlbumProductImpl::GetBasePrice(&main, 6, 1, false, true); }),
              QStringLiteral("TAlbumProduct.GetBasePrice: price not found"));
    const TProductPrice none = TAlbumProductImpl::GetBasePrice(&main, 6, 1, false, false);
    EXPECT_EQ(none.price, 0);
    EXPECT_EQ(none.qty, 1);
    EXPECT_EQ(none.priceType, Tarif_TypeTarif::EurosMagasin);
    EXPECT_EQ(main.roundCount, 2) << "a missing row is not rounded";
}

TEST(AlbumPrices, ProductAndOrderPrices)
{
    DesignedEnv env;
    TAlbumProductImpl::InstallFactory();
    AlbumPhotographe2* alb = env.main.addAlbum(5, 200, 200, 20);
    addRows(env.main, { { 5, 1, 1, false, 25.00 }, { 5, 2, 10, false, 22.50 }, { 5, 1, 99, true, 0.50 } });

    TAlbumProduct* book = env.order->AlbumProductAdd(alb, 2);
    ASSERT_NE(dynamic_cast<TAlbumProductImpl*>(book), nullptr);
    EXPECT_EQ(book->GetPrice().price, 450000);
    book->SetQuantity(0);
    EXPECT_EQ(book->GetPrice().price, 250000) << "quantity 0: the unit price of the nearest row, unchanged";
    book->SetQuantity(1);
    env.order->AlbumProductAdd(alb, 3);
    const TProductPrice total = env.order->calcAlbumPrice(nullptr);
    EXPECT_EQ(total.qty, 4);
    EXPECT_EQ(total.price, 250000 + 3 * 225000);
    TAlbumProductImpl noAlbum(env.order.get());
    EXPECT_EQ(messageOf([&] { noAlbum.GetPrice(); }), QStringLiteral("TAlbumProduct.GetAlbumId: no album"));
}

// ------------------------------------------------------------------ counts

TEST(AlbumCounts, ExtraPagesTable)
{
    struct Case {
        const char* name;
        int pages;
        bool rectoVerso;
        qint32 minPages;
        int expected;
    } cases[] = {
        { "two-sided, 26 pages, minimum 20", 26, true, 20, 2 },
        { "two-sided at the minimum", 24, true, 20, 0 },
        { "one-sided, 49 pages: 22.5 rounds to 22", 49, false, 20, 2 },
        { "one-sided, 51 pages: 23.5 rounds to 24", 51, false, 20, 4 },
        { "one-sided, 50 pages", 50, false, 20, 3 },
        { "one-sided below the minimum", 30, false, 20, 0 },
        { "no pages", 0, true, 20, 0 },
        { "covers only", 4, false, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAlbumProductImpl::PageSuppCountFor(c.pages, c.rectoVerso, c.minPages), c.expected);
    }
    TAlbumProductImpl noAlbum;
    EXPECT_EQ(messageOf([&] { noAlbum.PageSuppCount(); }), QStringLiteral("TAlbumProduct.PageSuppCount: album = nil"));
}

TEST(AlbumCounts, PhotoCountTable)
{
    struct Case {
        const char* name;
        bool photoOnFirstPage;
        qint32 minPages, frames, expected;
    } cases[] = {
        { "first-page photo, 20 pages, 1 frame", true, 20, 1, 20 },
        { "first-page photo, 20 pages, 4 frames", true, 20, 4, 77 },
        { "first-page photo, 20 pages, 2 frames", true, 20, 2, 39 },
        { "no first-page photo", false, 20, 2, 40 },
        { "first-page photo without pages", true, 0, 3, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAlbumProductImpl::PhotoCountFor(c.photoOnFirstPage, c.minPages, c.frames), c.expected);
    }
}

TEST(AlbumCounts, PhotosFromThePageModelsOfTheSize)
{
    DesignedEnv env;
    AlbumPhotographe2* alb = env.main.addAlbum(5, 200, 200, 20);
    alb->setPhotoEn1erePage(true);
    TAlbumProductImpl book(env.order.get());
    book.SetAlbum(alb);

    // No such size in the catalogue: one frame per page, asked again later.
    EXPECT_EQ(book.getMinFramesPerPageOnModels(), 1);
    EXPECT_EQ(book.getMaxFramesPerPageOnModels(), 1);

    auto* size = new TAlbumSize(200, 200);
    size->PageModelListStr({ QStringLiteral("1;0|0;0;10;10"), QStringLiteral("2;2|0;0;1;1#1;1;1;1#2;2;1;1#3;3;1;1"),
                             QStringLiteral("1;1|0;0;1;1#1;1;1;1") });
    env.main.albumSizes.Add(size);
    EXPECT_EQ(book.getMinPhotos(), 20);
    EXPECT_EQ(book.getMaxPhotos(), 77);
    EXPECT_EQ(book.getMinPhotosForFramesPerPage(2), 39);
    EXPECT_EQ(book.getMaxPhotosForFramesPerPage(2), 39);
    EXPECT_EQ(book.getMinPages(), 20);

    // Models without frames: one frame per page.
    AlbumPhotographe2* square = env.main.addAlbum(6, 300, 300, 10);
    auto* noFrames = new TAlbumSize(300, 300);
    noFrames->PageModelListStr({ QStringLiteral("2;1|") });
    env.main.albumSizes.Add(noFrames);
    book.SetAlbum(square);
    EXPECT_EQ(book.getMinFramesPerPageOnModels(), 1);
    EXPECT_EQ(book.getMaxFramesPerPageOnModels(), 1);
    EXPECT_EQ(book.getMaxPhotos(), 10);
}

// ------------------------------------------------------------------ labels

TEST(AlbumLabels, PageAndSpreadLabelTables)
{
    struct PageCase {
        int page;
        TProductLabelMode mode;
        const char* expected;
    } pages[] = {
        { 1, plm_short, "Front Cover" },  { 1, plm_std, "the front cover" }, { 24, plm_short, "Back Cover" },
        { 24, plm_full, "the back cover" }, { 3, plm_std, "the page 1" },    { 10, plm_short, "Page 8" },
        { 2, plm_short, "Page 0" },
    };
    for (const PageCase& c : pages) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(TAlbumProductImpl::PageLabelFor(c.page, 24, c.mode), QLatin1String(c.expected));
    }
    struct SpreadCase {
        int index;
        const char* expected;
    } spreads[] = {
        { 0, "Front Cover" }, { 2, "Page 1" }, { 4, "Pages 2 and 3" }, { 6, "Pages 4 and 5" },
        { 22, "Page 20" },    { 24, "Back Cover" },
    };
    for (const SpreadCase& c : spreads) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(TAlbumProductImpl::DoublePageLabelFor(c.index, 24), QLatin1String(c.expected));
    }
}

TEST(AlbumLabels, ProductLabels)
{
    DesignedEnv env;
    AlbumPhotographe2* named = env.main.addAlbum(5, 200, 200, 20);
    named->setNomAlbumPhotographe(QStringLiteral("Wedding"));
    AlbumPhotographe2* plain = env.main.addAlbum(6, 215, 300, 20);
    plain->setChannel(4);
    plain->setChannelCouvertureImprimee(9);

    TAlbumProductImpl book(env.order.get());
    EXPECT_EQ(book.ProductLabel(), QStringLiteral("?"));
    book.SetAlbum(named);
    EXPECT_EQ(book.ProductShortLabel(), QStringLiteral("20x20 Wedding"));
    EXPECT_EQ(book.ProductCartLabel(), QStringLiteral("20 x 20 cm Wedding"));
    EXPECT_EQ(book.DebugLabel(), QStringLiteral("20x20 Wedding(ID : 5)"));
    EXPECT_EQ(book.ChannelId(), 0);
    EXPECT_EQ(book.ChannelIdForPrintedCover(), 0);
    book.SetAlbum(plain);
    EXPECT_EQ(book.ProductLabel(), QStringLiteral("21.5x30.0 Photo Book"));
    EXPECT_EQ(book.ChannelId(), 4);
    EXPECT_EQ(book.ChannelIdForPrintedCover(), 9);

    TAlbumProductImpl orphan;
    orphan.SetAlbum(named);
    EXPECT_EQ(orphan.ProductLabel(), QStringLiteral("?")) << "no order";
}

// ------------------------------------------------------------------ Check

TEST(AlbumCheck, PagesTable)
{
    using K = TTypeFrame;
    struct Case {
        const char* name;
        std::vector<TDesignedPageContent> pages;
        const char* error;
    } cases[] = {
        { "photos and a text", { { 1, { frame(K::FrameBackground, false), frame(K::FrameUser, false, true) } },
                                  { 3, { frame(K::FrameFromModel, true) } } }, nullptr },
        { "a text alone is content", { { 3, { frame(K::FrameUser, false, true) } } }, nullptr },
        { "the first missing picture names its page",
          { { 3, { frame(K::FrameFromModel, true) } }, { 4, { frame(K::FrameFromModel, false) } },
            { 5, { frame(K::FrameFromModel, false) } } },
          "The product 'Book' has at least one invalid or missing image on the page 2" },
        { "the customer's background is checked like any picture", { { 1, { frame(K::FrameBgUser, false) } } },
          "The product 'Book' has at least one invalid or missing image on the front cover" },
        { "backgrounds do not count", { { 1, { frame(K::FrameBackground, true) } } },
          "The product 'Book' has no image, and it requires at least one" },
        { "no pages", {}, "The product 'Book' has no image, and it requires at least one" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto label = [](int n) { return TAlbumProductImpl::PageLabelFor(n, 24, plm_std); };
        if (c.error) {
            try {
                TAlbumProductImpl::CheckPages(QStringLiteral("Book"), c.pages, label);
                ADD_FAILURE() << "no EUser";
            } catch (const EUser& e) {
                EXPECT_EQ(e.Message(), QLatin1String(c.error));
            }
        } else {
            EXPECT_NO_THROW(TAlbumProductImpl::CheckPages(QStringLiteral("Book"), c.pages, label));
        }
    }
}

// ------------------------------------------------------------------ reload

TEST(AlbumReload, BindsModelAndBackgroundRangeTable)
{
    DesignedEnv env;
    AlbumPhotographe2* catalogueAlbum = env.main.addAlbum(5, 200, 200, 20);
    auto* range = new GammeFond2();
    range->setId(70);
    env.main.ranges.Add(range);
    env.main.albumSizes.Add(new TAlbumSize(200, 200));

    struct Case {
        const char* name;
        qint32 albumId;
        qint32 pageWidth;
        qint32 rangeId; // 0: none
        bool expected, albumOwned, rangeOwned;
    } cases[] = {
        { "all in the catalogue", 5, 200, 70, true, false, false },
        { "no background range", 5, 200, 0, true, false, false },
        { "model gone", 9, 200, 70, false, true, false },
        { "range gone", 5, 200, 71, false, false, true },
        { "page size gone keeps the loaded range", 9, 210, 70, false, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAlbumProductImpl book;
        book.GiveParent(env.order.get());
        auto loaded = std::make_unique<AlbumPhotographe2>();
        loaded->setAlbumPhotographeId(c.albumId);
        loaded->setLargeurPage(c.pageWidth);
        loaded->setHauteurPage(200);
        book.SetAlbumOwned(std::move(loaded));
        if (c.rangeId) {
            auto r = std::make_unique<GammeFond2>();
            r->setId(c.rangeId);
            book.SetBackgroundRangeOwned(std::move(r));
        }
        EXPECT_EQ(book.XMLloadFinalize(env.order.get(), &env.main), c.expected);
        EXPECT_EQ(book.OwnsAlbum(), c.albumOwned);
        EXPECT_EQ(book.OwnsBackgroundRange(), c.rangeOwned);
        if (!c.albumOwned)
            EXPECT_EQ(book.Album(), catalogueAlbum);
        if (c.rangeId == 70 && !c.rangeOwned)
            EXPECT_EQ(book.BackgroundRange(), range);
        EXPECT_EQ(book.AlbumId(), c.albumId);
    }
}

TEST(AlbumFiles, OrderFilesNameTheProductTAlbumProduct)
{
    const TClassInfo& info = TAlbumProduct::StaticClassInfo();
    EXPECT_EQ(info.ClassName(), QStringLiteral("TAlbumProduct"));
    ASSERT_TRUE(info.CanCreate());
    const std::unique_ptr<TRemotable> made = info.CreateInstance();
    auto* book = dynamic_cast<TAlbumProductImpl*>(made.get());
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(book->AlbumPlacing(), TAlbumPlacingEnum::Auto);
    EXPECT_EQ(book->randomSeedMem(), -1);
    QStringList names;
    for (const TRttiItem& item : TRttiCache::Get(info).PropInfoForRead())
        names << item.propName;
    EXPECT_EQ(names, (QStringList { QStringLiteral("Quantity"), QStringLiteral("Album"),
                                    QStringLiteral("BackgroundRange"), QStringLiteral("Images"),
                                    QStringLiteral("Pages") }));
}

// ------------------------------------------------------------------ sizes

TEST(AlbumSizes, PageModelScoreTable)
{
    struct Case {
        const char* name;
        qint32 v, h, portrait, landscape;
        float expected;
    } cases[] = {
        { "2 portrait + 1 landscape for the same", 2, 1, 2, 1, 1100.0f },
        { "3 portrait for 2 portrait + 1 landscape", 3, 0, 2, 1, 1000.0f + 2.0f / 3.0f * 50.0f },
        { "empty model for no picture", 0, 0, 0, 0, 1100.0f },
        { "no picture for a model of 2", 2, 0, 0, 0, 50.0f },
        { "4 frames for 2 pictures", 2, 2, 1, 1, 500.0f + 25.0f + 25.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(TAlbumSize::PageModelScore(c.v, c.h, c.portrait, c.landscape), c.expected);
    }
}

TEST(AlbumSizes, BestPageModelIsChosenAndFullSizeFramesLeftOut)
{
    TAlbumSize size(200, 200);
    size.PageModelListStr({ QStringLiteral("3;0|0;0;50;50#50;0;50;50#100;0;50;50"),
                            QStringLiteral("2;1|0;0;50;50#50;0;50;50#0;100;100;50"),
                            QStringLiteral("2;1|0;0;200;200#50;0;50;50#0;100;100;50") });
    PageModeleZeb* threePortrait = size.PageModelList()[0];
    PageModeleZeb* mixed = size.PageModelList()[1];
    PageModeleZeb* fullPage = size.PageModelList()[2];
    EXPECT_EQ(threePortrait->Parent(), &size);
    EXPECT_TRUE(size.pageModelWithFullSizeFrame(fullPage));
    EXPECT_FALSE(size.pageModelWithFullSizeFrame(mixed));

    const TPageModelScoreMap all = size.getPageModelAvailableList(2, 1, false);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all.rbegin()->second, (std::vector<PageModeleZeb*> { mixed, fullPage }));
    const TPageModelScoreMap noFull = size.getPageModelAvailableList(2, 1, true);
    EXPECT_EQ(noFull.rbegin()->second, (std::vector<PageModeleZeb*> { mixed }));

    for (quint32 seed = 0; seed < 20; ++seed) {
        AlbumRandom::Seed(seed);
        EXPECT_EQ(size.getRandomInBestPageModelAvailable(2, 1, true), mixed);
    }
    // Two equally good models: a seed decides, and both come up.
    bool sawMixed = false, sawFull = false;
    for (quint32 seed = 0; seed < 50; ++seed) {
        AlbumRandom::Seed(seed);
        PageModeleZeb* first = size.getRandomInBestPageModelAvailable(2, 1, false);
        AlbumRandom::Seed(seed);
        EXPECT_EQ(size.getRandomInBestPageModelAvailable(2, 1, false), first) << "same seed, same choice";
        sawMixed |= first == mixed;
        sawFull |= first == fullPage;
    }
    EXPECT_TRUE(sawMixed && sawFull);

    TAlbumSize empty(200, 200);
    EXPECT_EQ(messageOf([&] { empty.getRandomInBestPageModelAvailable(1, 1, false); }),
              QStringLiteral("TAlbumSize.getRandomInBestPageModelAvailable: no page model found !"));
    TAlbumSize onlyFull(200, 200);
    onlyFull.PageModelListStr({ QStringLiteral("1;0|0;0;200;200") });
    EXPECT_EQ(messageOf([&] { onlyFull.getRandomInBestPageModelAvailable(1, 0, true); }),
              QStringLiteral("TAlbumSize.getRandomInBestPageModelAvailable: no page model found !"));
}

TEST(AlbumSizes, FrameLimitsAreComputedOnce)
{
    TAlbumSize size(200, 200);
    size.PageModelListStr({ QStringLiteral("1;0|0;0;10;10"), QStringLiteral("2;0|"),
                            QStringLiteral("1;1|0;0;10;10#0;0;10;10#0;0;10;10") });
    TPageModelFramesLimit limit = size.getPageModelFramesLimit();
    EXPECT_EQ(limit.min, 1) << "models without frames are left out";
    EXPECT_EQ(limit.max, 3);
    size.PageModelListStr({ QStringLiteral("1;0|0;0;10;10#0;0;10;10#0;0;10;10#0;0;10;10#0;0;10;10") });
    limit = size.getPageModelFramesLimit();
    EXPECT_EQ(limit.min, 1);
    EXPECT_EQ(limit.max, 3);

    TAlbumSize noFrames(200, 200);
    noFrames.PageModelListStr({ QStringLiteral("2;1|") });
    limit = noFrames.getPageModelFramesLimit();
    EXPECT_EQ(limit.min, 0);
    EXPECT_EQ(limit.max, 0);

    // A malformed text leaves the models as they were.
    TAlbumSize kept(200, 200);
    kept.PageModelListStr({ QStringLiteral("1;0|0;0;10;10") });
    EXPECT_THROW(kept.PageModelListStr({ QStringLiteral("1;1|0;0;1;1"), QStringLiteral("x;1|") }), EConvertError);
    ASSERT_EQ(kept.PageModelList().Count(), 1);
    EXPECT_EQ(kept.PageModelList()[0]->Info(), QStringLiteral("1;0|0;0;10;10"));
}

TEST(AlbumSizes, BackgroundDataAndSizeLookup)
{
    DesignedMainFrame main;
    std::vector<std::pair<qint32, FondAlbum2*>> made;
    TBgAlbumData::SetImageFactory([&made](IMainFrame*, FondAlbum2* bg) {
        made.push_back({ bg->Id(), bg });
        return std::make_unique<TestImage>(QStringLiteral("bg%1").arg(bg->Id()));
    });
    TAlbumSize size(200, 200);
    for (qint32 id : { 3, 4 }) {
        auto* bg = new FondAlbum2();
        bg->setId(id);
        size.BackgroundList().Add(bg);
    }
    TOwnerList<TBgAlbumData>& data = size.getBgAlbumDataList(&main);
    ASSERT_EQ(data.Count(), 2);
    EXPECT_EQ(&size.getBgAlbumDataList(&main), &data) << "built once";
    EXPECT_EQ(made.size(), 2u);
    TBgAlbumData* four = size.bgAlbumDataById(&main, 4);
    EXPECT_EQ(four->BackgroundAlbum(), size.BackgroundList()[1]);
    EXPECT_EQ(four->Image()->ImageID(), QStringLiteral("bg4"));
    EXPECT_EQ(messageOf([&] { size.bgAlbumDataById(&main, 5); }),
              QStringLiteral("AlbumSize.bgAlbumDataById: background not found"));
    TBgAlbumData::SetImageFactory(nullptr);

    TAlbumSizeList sizes(true);
    sizes.Add(new TAlbumSize(200, 300));
    TAlbumSize* wanted = new TAlbumSize(300, 200);
    sizes.Add(wanted);
    sizes.Add(new TAlbumSize(300, 200));
    EXPECT_EQ(sizes.byWidthHeight(300, 200), wanted);
    EXPECT_EQ(sizes.byWidthHeight(300, 300), nullptr);
}
