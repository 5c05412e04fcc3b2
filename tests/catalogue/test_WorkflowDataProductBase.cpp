// The shared operations of the product workflow data: automatic filling by
// orientation, the picture order, removal, page moves and the price of a
// tariff row.
#include "ProductWorkflowFakes.h"

#include "UAppExceptions.h"

#include <gtest/gtest.h>

using namespace productfakes;

namespace {

// A product workflow data editing one template product.
class TestProductData : public TWorkflowDataProductBase {
public:
    using TWorkflowDataProductBase::TWorkflowDataProductBase;
    TProduct* CurrentProduct() override { return product; }
    TProductPrice getMinPrice() override { return TProductPrice(); }
    bool isUsingImage(TOrderImageBase*) override { return false; }
    bool hasMinMaxPhotos() override { return false; }
    int getMinPhotos() override { return 0; }
    int getMaxPhotos() override { return 0; }
    TProduct* product = nullptr;
};

class ProductBaseTest : public ::testing::Test {
protected:
    ProductBaseTest()
    {
        tpl = std::make_unique<TTemplateProductImpl>(env.order.get());
        data.product = tpl.get();
    }
    // Pages given as frame sizes; returns the pages in order.
    std::vector<TCustomizedPageBase*> setPages(const std::vector<std::vector<QSizeF>>& pages)
    {
        std::vector<std::unique_ptr<TCustomizedPageBase>> list;
        for (const auto& frames : pages)
            list.push_back(framesPage(&env.main, frames));
        tpl->SetPages(std::move(list));
        std::vector<TCustomizedPageBase*> out;
        for (int i = 0; i < tpl->GetPagesList()->GetCount(); ++i)
            out.push_back(tpl->GetPagesList()->GetItem(i));
        return out;
    }
    void addAvailable(TOrderImageBase* img) { tpl->ImgsAvailableList()->Add(img); }
    static QString imageAt(TCustomizedPageBase* page, int frame)
    {
        TOrderImageBase* img = page->CustomizedFrameList().Items(frame)->Image();
        return img && img->IsImageValid() ? img->ImageID() : QStringLiteral("-");
    }

    ProductEnv env;
    std::unique_ptr<TTemplateProductImpl> tpl;
    TestProductData data { &env.main };
};

const QSizeF L(150, 100);
const QSizeF P(100, 150);

} // namespace

TEST_F(ProductBaseTest, AutofillMatchesFrameAndPictureOrientation)
{
    struct Case {
        const char* name;
        std::vector<QSizeF> frames;
        std::vector<std::pair<const char*, QSizeF>> pictures; // in available order
        QStringList expected;                                 // picture per frame
    };
    const Case cases[] = {
        { "landscape frames take landscape pictures", { L, L, P }, { { "L1", L }, { "P1", P }, { "L2", L } },
          { "L1", "L2", "P1" } },
        { "portrait pictures fill landscape frames when nothing else is left", { L, L }, { { "P1", P }, { "P2", P } },
          { "P1", "P2" } },
        { "a leftover landscape picture goes to the portrait frame", { P, L }, { { "L1", L }, { "L2", L } },
          { "L2", "L1" } },
        { "a square picture counts as portrait", { L, P }, { { "S1", QSizeF(100, 100) }, { "L1", L } },
          { "L1", "S1" } },
        { "more frames than pictures keep their placeholders", { L, P, L }, { { "P1", P } }, { "P1", "-", "-" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tpl = std::make_unique<TTemplateProductImpl>(env.order.get());
        data.product = tpl.get();
        auto pages = setPages({ c.frames });
        for (const auto& [id, size] : c.pictures)
            addAvailable(env.image(QString::fromLatin1(id), int(size.width()), int(size.height())));
        data.autofillUserFrames(false);
        QStringList got;
        for (int i = 0; i < int(c.frames.size()); ++i)
            got << imageAt(pages[0], i);
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(ProductBaseTest, AutofillSkipsPlacedAndClipArtPicturesAndRunsAcrossPages)
{
    auto pages = setPages({ { L }, { L, L } });
    TestImage* placed = env.image(QStringLiteral("A"), 150, 100);
    pages[0]->CustomizedFrameList().Items(0)->SetImage(placed);
    ScrapImage scrap(QStringLiteral("clip"), QSizeF(150, 100));
    addAvailable(placed);
    addAvailable(&scrap);
    addAvailable(env.image(QStringLiteral("B"), 150, 100));
    addAvailable(env.image(QStringLiteral("C"), 150, 100));
    const int changedBefore = env.main.orderChangedCount;

    data.autofillUserFrames(false);

    EXPECT_EQ(imageAt(pages[0], 0), "A");
    EXPECT_EQ(imageAt(pages[1], 0), "B");
    EXPECT_EQ(imageAt(pages[1], 1), "C");
    EXPECT_EQ(env.main.orderChangedCount, changedBefore + 1);
}

TEST_F(ProductBaseTest, AutofillAskedByTheCustomerWithoutPicturesRaises)
{
    auto pages = setPages({ { L, P } });
    try {
        data.autofillUserFrames(true);
        FAIL() << "no EUser";
    } catch (const EUser& e) {
        EXPECT_EQ(e.Message(), "No image found for autoFill function");
    }
    EXPECT_EQ(pages[0]->CustomizedFrameList().Items(0)->Image(), &env.main.dropImage);

    EXPECT_NO_THROW(data.autofillUserFrames(false));
    EXPECT_EQ(pages[0]->CustomizedFrameList().Items(1)->Image(), &env.main.dropImage);
}

TEST_F(ProductBaseTest, PendingAutofillSortsPicturesByDateThenIdCollation)
{
    auto pages = setPages({ { L, L, L, L } });
    const QDateTime day(QDate(2024, 5, 1), QTime(10, 0));
    TestImage* late = env.image(QStringLiteral("a_late"), 150, 100);
    late->fDate = day.addDays(1);
    TestImage* i2 = env.image(QStringLiteral("img2"), 150, 100);
    i2->fDate = day;
    TestImage* i10 = env.image(QStringLiteral("img10"), 150, 100);
    i10->fDate = day;
    TestImage* early = env.image(QStringLiteral("z_early"), 150, 100);
    early->fDate = day.addDays(-1);
    for (TestImage* img : { late, i2, i10, early })
        addAvailable(img);

    data.autofillUserFramesToDo();
    EXPECT_TRUE(data.autofillUserFramesPending());
    data.autofillUserFramesToCheck();

    EXPECT_FALSE(data.autofillUserFramesPending());
    // Character by character, "img10" comes before "img2".
    EXPECT_EQ((QStringList { imageAt(pages[0], 0), imageAt(pages[0], 1), imageAt(pages[0], 2), imageAt(pages[0], 3) }),
              (QStringList { "z_early", "img10", "img2", "a_late" }));
    EXPECT_EQ(tpl->ImgsAvailableList()->GetItem(0), early);
}

TEST_F(ProductBaseTest, RemoveAllPhotosPutsPlaceholdersBackAndKeepsPictures)
{
    auto pages = setPages({ { L }, { L } });
    TestImage* a = env.image(QStringLiteral("A"), 150, 100);
    addAvailable(a);
    addAvailable(env.image(QStringLiteral("B"), 150, 100));
    data.autofillUserFrames(false);
    pages[0]->CustomizedFrameList().Items(0)->ImageEffects()->SetZoom(2.0f);
    const int changedBefore = env.main.orderChangedCount;

    data.removePhotosOfPage(nullptr);
    EXPECT_EQ(env.main.orderChangedCount, changedBefore);
    data.removeAllPhotos();

    EXPECT_EQ(env.main.orderChangedCount, changedBefore + 1);
    EXPECT_EQ(imageAt(pages[0], 0), "-");
    EXPECT_EQ(imageAt(pages[1], 0), "-");
    EXPECT_FLOAT_EQ(pages[0]->CustomizedFrameList().Items(0)->ImageEffects()->Zoom(), 1.0f);
    EXPECT_EQ(tpl->ImgsAvailableList()->GetCount(), 2);
}

TEST_F(ProductBaseTest, MoveAndReplacePagesRenumber)
{
    struct Case {
        const char* name;
        bool replace;
        int from, to;
        std::vector<int> order; // original index at each position
    };
    const Case cases[] = {
        { "move first to last", false, 0, 2, { 1, 2, 0 } },
        { "move last to first", false, 2, 0, { 2, 0, 1 } },
        { "exchange first and last", true, 0, 2, { 2, 1, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto pages = setPages({ { L }, { L }, { L } });
        c.replace ? data.ReplacePage(c.from, c.to) : data.MovePage(c.from, c.to);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(tpl->GetPagesList()->GetItem(i), pages[size_t(c.order[size_t(i)])]);
            EXPECT_EQ(tpl->GetPagesList()->GetItem(i)->PageNum(), i + 1);
        }
    }
    EXPECT_THROW(data.MovePage(0, 3), Exception);
}

TEST(ProductBasePrice, TariffRowBecomesStartingPrice)
{
    struct Case {
        const char* name;
        Tarif_TypeTarif type;
        double money;
        qint32 packs;
        Currency expected;
    };
    const Case cases[] = {
        { "half cent goes down to even", Tarif_TypeTarif::EurosMagasin, 2.125, 0, 21200 },
        { "half cent goes up to even", Tarif_TypeTarif::EurosCB, 2.375, 0, 23800 },
        { "plain cents", Tarif_TypeTarif::EurosMagasin, 0.29, 0, 2900 },
        { "packs", Tarif_TypeTarif::Packs, 9.99, 3, 30000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = orderfakes::makeTier(1, 1, 0, c.money, c.packs, c.type);
        const TProductPrice p = TWorkflowDataProductBase::PriceFromTarif(row.get(), QStringLiteral("X"));
        EXPECT_EQ(p.qty, 1);
        EXPECT_EQ(p.price, c.expected);
        EXPECT_EQ(p.priceType, c.type);
    }
    auto odd = orderfakes::makeTier(1, 1, 0, 1.0, 0, Tarif_TypeTarif::Undef);
    try {
        TWorkflowDataProductBase::PriceFromTarif(odd.get(), QStringLiteral("TWorkflowDataProductPrint"));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TWorkflowDataProductPrint.getMinPrice: unsupported currency mode");
    }
}
