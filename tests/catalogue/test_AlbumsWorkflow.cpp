// Photo-book building and the album workflow data: pages and backgrounds,
// page models spread over the pages, the process-wide generator, offers and
// prices, the first build from a preview's seed, blank back pages and the
// overview spreads.
#include "ProductWorkflowFakes.h"

#include "UAlbumsInfo.h"
#include "UAppExceptions.h"
#include "UCtrlScreenBase.h"
#include "UPageModeleZeb.h"
#include "UTemplatesInfo.h"
#include "UWorkflowDataProductAlbum.h"

#include <QHash>
#include <gtest/gtest.h>
#include <map>

using namespace productfakes;

namespace {

class StoreMain : public ProductMain {
public:
    void setWorkflowData(TWorkflowDataType t, IWorkflowDataRef d) override { store[t] = d; }
    IWorkflowDataRef getWorkflowData(TWorkflowDataType t) override { return store.value(t); }
    QHash<TWorkflowDataType, IWorkflowDataRef> store;
};

// The overview list as the album workflow data fills it.
class RecordingOverview : public IPageOverviewList {
public:
    QString overviewKind() const override { return QStringLiteral("album"); }
    void RootDetach() override { items.clear(); }
    void itemSetPage(const QString& path, TCustomizedPageBase* page, bool left) override
    {
        (left ? items[path].second : items[path].first) = page;
    }
    void itemInitializationEnd(const QString& path) override { finished.insert(path); }
    std::map<QString, std::pair<TCustomizedPageBase*, TCustomizedPageBase*>> items;
    QSet<QString> finished;
};

class AlbumTest : public ::testing::Test {
protected:
    AlbumTest()
    {
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
        TAlbumProductImpl::InstallFactory();
        TTemplatesInfo::SetVignetteFactory([](IMainFrame*, qint32 id) {
            return std::make_unique<TestImage>(QStringLiteral("v%1").arg(id), QSizeF(100, 100));
        });
        TWorkflowDataProductBase::SetPreviewImageProvider(
            [this](IMainFrame*, int& idx, std::shared_ptr<void>& repo) -> TOrderImageBase* {
                if (idx >= int(samples.size()))
                    return nullptr;
                repo = sampleRepository;
                return samples[size_t(idx++)].get();
            });
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();

        auto size = std::make_unique<TAlbumSize>(200, 200);
        for (qint32 id : { 301, 302, 303 }) {
            auto* bg = new FondAlbum2();
            bg->setId(id);
            size->BackgroundList().Add(bg);
        }
        size->PageModelListStr({
            "0;1|10;10;180;120",
            "1;0|10;10;120;180",
            "0;2|10;10;180;80#10;100;180;80",
            "0;2|10;20;180;70#10;110;180;70",
            "2;0|10;10;80;180#100;10;80;180",
            "0;3|10;10;180;50#10;70;180;50#10;130;180;50",
            "3;0|10;10;50;180#70;10;50;180#130;10;50;180",
            "1;2|10;10;80;180#100;10;90;80#100;100;90;80",
            "2;1|10;10;80;180#100;10;80;180#10;150;180;40",
        });
        main.albumSizes.Add(size.release());
        for (qint32 id : { 401, 402 }) {
            auto* m = new CouleurMatiere2();
            m->setId(id);
            main.materials.Add(m);
        }
        auto* cover = new Couverture2();
        cover->setId(7);
        main.covers.Add(cover);
        range = new GammeFond2();
        range->setId(60);
        range->setFamilleFondId(6);
        range->setFondAlbumIds({ 301, 302, 303, 999 });
        main.ranges.Add(range);
    }
    ~AlbumTest() override
    {
        TWorkflowDataProductBase::SetPreviewImageProvider(nullptr);
        main.store.clear();
        books.clear();
        order.reset();
        TTemplatesInfo::SetVignetteFactory(nullptr);
    }

    AlbumPhotographe2* offer(qint32 id, bool rectoVerso, qint32 minPages, bool withPrice = true)
    {
        AlbumPhotographe2* a = main.addAlbum(id, 200, 200, minPages);
        a->setRectoVerso(rectoVerso);
        a->setCouleurMatiereId(401);
        a->setCouvertureId(7);
        a->setGammeFondId(60);
        a->setFamilleFondId(6);
        if (withPrice) {
            auto* p = new PrixAlbum2();
            p->setAlbumId(id);
            p->setCout(19.995 + id);
            p->setQuantiteMinimale(1);
            p->setQuantiteMaximale(99);
            p->setTypeDeTarif(Tarif_TypeTarif::EurosMagasin);
            main.albumPrices.Add(p);
        }
        return a;
    }
    TAlbumProductImpl* book(AlbumPhotographe2* a)
    {
        books.push_back(TAlbumProduct::CreateFor(order.get()));
        auto* b = dynamic_cast<TAlbumProductImpl*>(books.back().get());
        b->SetAlbum(a);
        b->SetBackgroundRange(range);
        return b;
    }
    void addPhotos(TAlbumProductImpl* b, int n, bool landscape = true)
    {
        for (int i = 0; i < n; ++i) {
            photos.push_back(std::make_unique<TestImage>(QStringLiteral("p%1").arg(photos.size()),
                                                         landscape ? QSizeF(300, 200) : QSizeF(200, 300)));
            b->ImgsAvailableList()->Add(photos.back().get());
        }
    }
    std::shared_ptr<TAlbumsInfo> albums() { return TCtrlScreenBase::WorkflowData<TAlbumsInfo>(&main); }
    static int modelFrames(TCustomizedPageBase* page)
    {
        int n = 0;
        for (TCustomizedFrame* f : page->CustomizedFrameList())
            n += f->TypeFrame() == TTypeFrame::FrameFromModel ? 1 : 0;
        return n;
    }
    // The frames of every page as text: the page models laid.
    static QStringList layout(TAlbumProduct* b)
    {
        QStringList out;
        for (int i = 0; i < b->GetPagesList()->GetCount(); ++i) {
            QString s;
            for (TCustomizedFrame* f : b->GetPagesList()->GetItem(i)->CustomizedFrameList())
                if (f->TypeFrame() == TTypeFrame::FrameFromModel)
                    s += QStringLiteral("[%1,%2,%3,%4]").arg(f->PositionX()).arg(f->PositionY()).arg(f->Width()).arg(f->Height());
            out << s;
        }
        return out;
    }

    StoreMain main;
    std::unique_ptr<TPrintOrder> order;
    GammeFond2* range = nullptr;
    std::vector<std::unique_ptr<TAlbumProduct>> books;
    std::vector<std::unique_ptr<TestImage>> photos;
    std::vector<std::unique_ptr<TestImage>> samples;
    std::shared_ptr<void> sampleRepository = std::make_shared<int>(1);
};

} // namespace

TEST(AlbumRandomTest, GeneratorFollowsTheReferenceSequence)
{
    AlbumRandom::Seed(12345);
    QList<int> draws;
    for (int i = 0; i < 8; ++i)
        draws << AlbumRandom::Below(1000);
    EXPECT_EQ(draws, (QList<int> { 385, 289, 79, 553, 633, 341, 439, 79 }));
    EXPECT_EQ(AlbumRandom::GetSeed(), 340655249);

    AlbumRandom::SetSeed(-1);
    EXPECT_EQ(AlbumRandom::Below(10), 9);
    EXPECT_EQ(quint32(AlbumRandom::GetSeed()), 4160191484u);
    EXPECT_THROW(AlbumRandom::Below(0), std::exception);
}

TEST_F(AlbumTest, PagesOfSingleSidedAndRectoVersoBooks)
{
    struct Case {
        const char* name;
        bool rectoVerso;
        int pages;
    };
    for (const Case& c : { Case { "single-sided", false, 24 }, Case { "recto-verso", true, 14 } }) {
        SCOPED_TRACE(c.name);
        TAlbumProductImpl* b = book(offer(c.rectoVerso ? 2 : 1, c.rectoVerso, 10));
        albums()->BuildAlbum(&main, b, 0);
        IArcList<TCustomizedPageBase*> pages = b->GetPagesList();
        ASSERT_EQ(pages->GetCount(), c.pages);
        for (int i = 0; i < c.pages; ++i) {
            TCustomizedPageBase* p = pages->GetItem(i);
            SCOPED_TRACE(i + 1);
            EXPECT_EQ(p->PageNum(), i + 1);
            const bool cover = i < 2 || i >= c.pages - 2;
            EXPECT_EQ(dynamic_cast<TCustomizedAlbumCover*>(p) != nullptr, cover);
            if (!cover) {
                auto* inner = dynamic_cast<TCustomizedAlbumPage*>(p);
                const bool background = c.rectoVerso || (i + 1) % 2 == 1;
                EXPECT_EQ(inner->BgAlbum() != nullptr, background);
            }
        }
        auto* front = dynamic_cast<TCustomizedAlbumCover*>(pages->GetItem(0));
        auto* back = dynamic_cast<TCustomizedAlbumCover*>(pages->GetItem(c.pages - 1));
        EXPECT_EQ(front->Cover()->Id(), 401);
        EXPECT_EQ(back->Cover()->Id(), 401) << "no back material: the front one";
    }
}

TEST_F(AlbumTest, BackgroundsAreDrawnAmongTheLeastUsed)
{
    struct Case {
        int sheets;
        std::multiset<int> counts;
    };
    for (const Case& c : { Case { 10, { 3, 3, 4 } }, Case { 3, { 1, 1, 1 } } }) {
        SCOPED_TRACE(c.sheets);
        AlbumRandom::Seed(77);
        TAlbumProductImpl* b = book(offer(c.sheets, true, c.sheets));
        albums()->BuildAlbum(&main, b, 0);
        std::map<int, int> uses;
        for (int i = 0; i < b->GetPagesList()->GetCount(); ++i)
            if (auto* p = dynamic_cast<TCustomizedAlbumPage*>(b->GetPagesList()->GetItem(i)))
                ++uses[p->BgAlbum()->Id()];
        std::multiset<int> counts;
        for (auto [id, n] : uses)
            counts.insert(n);
        EXPECT_EQ(counts, c.counts);
        EXPECT_EQ(uses.count(999), 0u) << "a background the size lacks is never drawn";
    }

    range->setFondAlbumIds({ 999 });
    TAlbumProductImpl* none = book(offer(50, true, 2));
    try {
        albums()->BuildAlbum(&main, none, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TAlbumsInfo.BuildAlbum: No background found");
    }
}

TEST_F(AlbumTest, FramesPerPageFollowThePhotoCount)
{
    struct Case {
        const char* name;
        int photos;
        int fixed;
        QList<int> frames; // model frames per interior page
        int placedPhotos;
    };
    const Case cases[] = {
        { "25 photos over 10 pages", 25, -1, { 2, 3, 2, 3, 2, 3, 2, 3, 2, 3 }, 25 },
        { "20 photos over 10 pages", 20, -1, { 2, 2, 2, 2, 2, 2, 2, 2, 2, 2 }, 20 },
        { "100 photos are capped at the largest model", 100, -1, { 3, 3, 3, 3, 3, 3, 3, 3, 3, 3 }, 30 },
        { "no photo: the smallest model everywhere", 0, -1, { 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 }, 0 },
        { "a fixed count", 5, 2, { 2, 2, 2, 2, 2, 2, 2, 2, 2, 2 }, 5 },
    };
    int id = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAlbumProductImpl* b = book(offer(++id, true, 10));
        addPhotos(b, c.photos);
        albums()->BuildAlbum(&main, b, 0);
        albums()->InitAlbumFrames(10, b, false, c.fixed);
        QList<int> frames;
        QSet<TOrderImageBase*> placed;
        for (int i = 2; i < 12; ++i) {
            TCustomizedPageBase* page = b->GetPagesList()->GetItem(i);
            frames << modelFrames(page);
            for (TCustomizedFrame* f : page->CustomizedFrameList())
                if (f->TypeFrame() == TTypeFrame::FrameFromModel && f->Image() && f->Image()->IsImageValid())
                    placed.insert(f->Image());
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(placed.size(), c.placedPhotos);
    }
}

TEST_F(AlbumTest, AModelTakesOverThePhotosOfAPageByOrientation)
{
    TAlbumProductImpl* b = book(offer(1, true, 2));
    albums()->BuildAlbum(&main, b, 0);
    TCustomizedPageBase* page = b->GetPagesList()->GetItem(2);
    addPhotos(b, 3, false);
    albums()->ApplyPageModel(b, page, main.albumSizes.Items(0)->PageModelList().Items(6)); // 3 portrait
    int idx = 0;
    albums()->setImgInPageFrames(b, page, idx, 3);
    PageModeleZeb* mixed = main.albumSizes.Items(0)->PageModelList().Items(7); // portrait, then two landscape
    albums()->ApplyPageModel(b, page, mixed);
    std::vector<TCustomizedFrame*> frames;
    for (TCustomizedFrame* f : page->CustomizedFrameList())
        if (f->TypeFrame() == TTypeFrame::FrameFromModel)
            frames.push_back(f);
    ASSERT_EQ(frames.size(), 3u);
    // The portrait place takes the first photo in the first pass, the two
    // landscape places the other two in the second.
    EXPECT_EQ(frames[0]->Image()->ImageID(), "p0");
    EXPECT_EQ(frames[0]->Width(), 80);
    EXPECT_EQ(frames[1]->Image()->ImageID(), "p1");
    EXPECT_EQ(frames[2]->Image()->ImageID(), "p2");

    // A model with fewer places frees the frames it cannot place.
    albums()->ApplyPageModel(b, page, main.albumSizes.Items(0)->PageModelList().Items(0));
    EXPECT_EQ(modelFrames(page), 1);
    EXPECT_THROW(albums()->ApplyPageModel(b, page, nullptr), Exception);
}

TEST_F(AlbumTest, OffersPricesAndPreviewSeed)
{
    offer(1, true, 10);
    offer(2, true, 10, false); // no price: left out
    AlbumPhotographe2* noCover = offer(3, true, 10);
    noCover->setCouvertureId(99);
    offer(4, false, 10);
    AlbumPhotographe2* noSize = offer(5, true, 10);
    noSize->setLargeurPage(123);
    TWorkflowDataProductAlbum data(&main);
    IArcList<TChoiceAlbumProduct*> choices = data.getChoiceAlbumProductList();
    ASSERT_EQ(choices->GetCount(), 2);
    EXPECT_EQ(choices->GetItem(0)->album()->AlbumPhotographeId(), 1);
    EXPECT_EQ(choices->GetItem(1)->album()->AlbumPhotographeId(), 4);
    ASSERT_EQ(choices->GetItem(0)->choiceBackgroundRangeList()->GetCount(), 1);
    EXPECT_TRUE(choices->GetItem(0)->choiceBackgroundRangeList()->GetItem(0)->isDefault());

    const TProductPrice p = data.getMinPrice();
    EXPECT_EQ(p.qty, 1);
    EXPECT_EQ(p.price, 210000); // 20.995 rounds to 21.00

    samples.push_back(std::make_unique<TestImage>(QStringLiteral("sample"), QSizeF(300, 200)));
    // The seed recorded is the one after the two background draws of the
    // preview's sheets; started here, they leave it at -1, which is recorded
    // (and continued) as 0.
    AlbumRandom::SetSeed(-687280415);
    std::unique_ptr<TAlbumProduct> preview = data.getPreview(choices->GetItem(0));
    auto* pb = dynamic_cast<TAlbumProductImpl*>(preview.get());
    EXPECT_EQ(pb->randomSeedMem(), 0);
    AlbumRandom::SetSeed(-687280415);
    AlbumRandom::Below(2);
    AlbumRandom::Below(2);
    EXPECT_EQ(AlbumRandom::GetSeed(), -1) << "the background draws of the two sheets";
    EXPECT_EQ(pb->GetPagesList()->GetCount(), 6);
    EXPECT_EQ(pb->ImgsAvailableList()->GetCount(), 1);
    EXPECT_EQ(pb->ArcResourceCount(), 1);

    main.albums.Clear();
    TWorkflowDataProductAlbum none(&main);
    EXPECT_EQ(none.getChoiceAlbumProductList()->GetCount(), 0);
    EXPECT_EQ(none.getMinPrice().qty, 0);
}

TEST_F(AlbumTest, BooksBuiltFromTheSameSeedGetTheSameModels)
{
    AlbumPhotographe2* a = offer(1, true, 10);
    QStringList first;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        TAlbumProductImpl* b = book(a);
        addPhotos(b, 7);
        addPhotos(b, 6, false);
        TWorkflowDataProductAlbum data(&main);
        data.setCurrentAlbumProduct(b);
        data.setRandomSeedMem(4242);
        // Whatever was drawn before does not matter.
        for (int i = 0; i < run * 5; ++i)
            AlbumRandom::Below(7);
        EXPECT_TRUE(data.hasMinMaxPhotos());
        data.BuildAlbumIfEmpty();
        EXPECT_EQ(data.randomSeedMem(), -1);
        EXPECT_FALSE(data.hasMinMaxPhotos());
        if (run == 0)
            first = layout(b);
        else
            EXPECT_EQ(layout(b), first);
    }
}

TEST_F(AlbumTest, NoFramesChoiceAndBackgroundPreview)
{
    TAlbumProductImpl* b = book(offer(1, true, 4));
    TWorkflowDataProductAlbum data(&main);
    EXPECT_EQ(data.getBackgroundPreview(range, -1), nullptr);
    data.setCurrentAlbumProduct(b);
    data.setNbFramesPerPage(0);
    EXPECT_FALSE(data.hasMinMaxPhotos());
    data.BuildAlbumIfEmpty();
    for (int i = 0; i < b->GetPagesList()->GetCount(); ++i)
        EXPECT_EQ(modelFrames(b->GetPagesList()->GetItem(i)), 0);

    for (int i = 0; i < 20; ++i)
        samples.push_back(std::make_unique<TestImage>(QStringLiteral("s%1").arg(i), QSizeF(300, 200)));
    std::unique_ptr<TAlbumProduct> none = data.getBackgroundPreview(range, 0);
    EXPECT_EQ(none->ImgsAvailableList()->GetCount(), 16);
    EXPECT_EQ(none->GetPagesList()->GetCount(), 8);
    EXPECT_EQ(modelFrames(none->GetPagesList()->GetItem(2)), 0);
    std::unique_ptr<TAlbumProduct> framed = data.getBackgroundPreview(range, 2);
    EXPECT_EQ(modelFrames(framed->GetPagesList()->GetItem(2)), 2);
}

TEST_F(AlbumTest, SingleSidedBookKeepsBlankBackPagesAfterASpreadMoves)
{
    TAlbumProductImpl* b = book(offer(1, false, 4));
    TWorkflowDataProductAlbum data(&main);
    data.setCurrentAlbumProduct(b);
    data.BuildAlbumIfEmpty();
    ASSERT_EQ(b->GetPagesList()->GetCount(), 12);
    TCustomizedPageBase* moved = b->GetPagesList()->GetItem(6); // the third sheet's page
    data.MovePage(6, 2);
    ASSERT_EQ(b->GetPagesList()->GetCount(), 12);
    EXPECT_EQ(b->GetPagesList()->GetItem(2), moved);
    for (int i = 2; i < 10; ++i) {
        auto* p = dynamic_cast<TCustomizedAlbumPage*>(b->GetPagesList()->GetItem(i));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->BgAlbum() != nullptr, i % 2 == 0) << i;
        EXPECT_EQ(p->PageNum(), i + 1);
    }

    RecordingOverview overview;
    data.UpdateControlList(&overview);
    QStringList keys;
    for (const auto& [k, v] : overview.items)
        keys << k;
    EXPECT_EQ(keys, (QStringList { "01", "03", "05", "07", "09", "11", "13" }));
    EXPECT_EQ(overview.items["13"].second, b->GetPagesList()->GetItem(11));
    EXPECT_TRUE(overview.finished.contains("13"));

    EXPECT_TRUE(data.ChangeBackgroundsIfNotEmpty());
}
