// The print workflow data: offered format kinds, the filtered lists and their
// caches, surface and group choices with prices, the kiosk-printer check and
// the print products of a visit.
#include "ProductWorkflowFakes.h"

#include "UAppExceptions.h"
#include "UWorkflowDataProductPrint.h"

#include <gtest/gtest.h>

using namespace productfakes;

namespace {

struct Fmt {
    qint32 id;
    qint32 w, h;
    double price;
    qint32 group = 0;
    qint32 surface = 0;
    bool border = false;
    QString prefix = QString();
};

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TWorkflowDataProductPrint::SetPrinterNamesProvider([this] { return printers; });
    }
    void TearDown() override { TWorkflowDataProductPrint::SetPrinterNamesProvider(nullptr); }

    Tirage2* add(const Fmt& f)
    {
        Tirage2* t = env.main.addTirage(f.id, f.w, f.h);
        t->setNumeroGroupeFormat(f.group);
        t->setNumeroGroupePapier(f.surface);
        t->setAvecMarges(f.border);
        t->setPrefixe(f.prefix);
        env.main.addTier(f.id, 1, 0, f.price);
        return t;
    }
    static QList<qint32> ids(const IArcList<Tirage2*>& list)
    {
        QList<qint32> out;
        for (int i = 0; i < list->GetCount(); ++i)
            out << list->GetItem(i)->Id();
        return out;
    }

    ProductEnv env;
    QStringList printers;
    TWorkflowDataProductPrint data { &env.main };
};

} // namespace

TEST_F(PrintTest, OfferedKindsMergeBothOrientationsKeepingTheCheaper)
{
    struct Case {
        const char* name;
        std::vector<Fmt> formats;
        QList<qint32> expected;
    };
    const Case cases[] = {
        { "the cheaper of 10x15 and 15x10", { { 1, 10, 15, 0.30 }, { 2, 15, 10, 0.25 } }, { 2 } },
        { "the earlier when it is cheaper", { { 1, 10, 15, 0.20 }, { 2, 15, 10, 0.25 } }, { 1 } },
        { "the later on equal prices", { { 1, 10, 15, 0.25 }, { 2, 15, 10, 0.25 } }, { 2 } },
        { "border makes another kind", { { 1, 10, 15, 0.25 }, { 2, 10, 15, 0.25, 0, 0, true } }, { 1, 2 } },
        { "prefix makes another kind", { { 1, 10, 15, 0.25 }, { 2, 10, 15, 0.25, 0, 0, false, "M" } }, { 1, 2 } },
        { "another size", { { 1, 10, 15, 0.25 }, { 2, 13, 18, 0.25 } }, { 1, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductEnv local;
        for (const Fmt& f : c.formats) {
            Tirage2* t = local.main.addTirage(f.id, f.w, f.h);
            t->setAvecMarges(f.border);
            t->setPrefixe(f.prefix);
            local.main.addTier(f.id, 1, 0, f.price);
        }
        TWorkflowDataProductPrint d(&local.main);
        EXPECT_EQ(ids(d.getPrintProductListNoFilter()), c.expected);
    }
}

TEST_F(PrintTest, ProductGroupIsPartOfTheKindOnlyWhenGroupsAreInUse)
{
    add({ 1, 10, 15, 0.30, 1 });
    add({ 2, 10, 15, 0.30, 2 });
    env.main.addGroup(env.main.groups, 1);
    env.main.addGroup(env.main.groups, 2);
    EXPECT_EQ(ids(data.getPrintProductListNoFilter()), (QList<qint32> { 1, 2 }));
    data.setGroup(2);
    EXPECT_EQ(ids(data.getPrintProductListWithGroupFilter()), (QList<qint32> { 2 }));

    // The same formats when the store has no product groups: one kind.
    ProductEnv noGroups;
    for (qint32 id : { 1, 2 }) {
        noGroups.main.addTirage(id, 10, 15);
        noGroups.main.addTier(id, 1, 0, 0.30);
    }
    TWorkflowDataProductPrint plain(&noGroups.main);
    EXPECT_EQ(plain.getPrintProductListNoFilter()->GetCount(), 1);
    ASSERT_EQ(plain.getPrintGroupList().Count(), 1);
    TGroupIdChoice* only = plain.getPrintGroupList().Items(0);
    EXPECT_EQ(only->GroupId(), 0);
    EXPECT_TRUE(only->Name().isEmpty());
    EXPECT_EQ(only->MinPrice(), nullptr);
    EXPECT_EQ(only->FullDescription(&noGroups.main), "From ");
}

TEST_F(PrintTest, FormatsWithoutSurfaceAreSoldAsSurfaceEleven)
{
    add({ 1, 10, 15, 0.30, 0, 3 });
    Tirage2* bare = add({ 2, 13, 18, 0.40 });
    env.main.addGroup(env.main.surfaces, 3);
    env.main.addGroup(env.main.surfaces, 11);
    EXPECT_EQ(ids(data.getPrintProductListNoFilter()), (QList<qint32> { 1, 2 }));
    EXPECT_EQ(bare->NumeroGroupePapier(), 11);

    // A store whose surfaces leave out 11 does not offer them at all.
    ProductEnv other;
    for (auto [id, surface] : { std::pair { 1, 3 }, std::pair { 2, 0 } }) {
        Tirage2* t = other.main.addTirage(id, 10 + id, 15);
        t->setNumeroGroupePapier(surface);
        other.main.addTier(id, 1, 0, 0.30);
    }
    other.main.addGroup(other.main.surfaces, 3);
    TWorkflowDataProductPrint d(&other.main);
    EXPECT_EQ(ids(d.getPrintProductListNoFilter()), (QList<qint32> { 1 }));
}

TEST_F(PrintTest, FilteredListsAndTheirCaches)
{
    add({ 1, 10, 15, 0.30, 0, 3 });
    add({ 2, 10, 15, 0.35, 0, 5 });
    add({ 3, 13, 18, 0.50, 0, 3 });
    add({ 4, 10, 15, 0.40, 0, 3, false, "P" });

    EXPECT_EQ(data.getPrintProductListWithSizeFilter()->GetCount(), 0);
    EXPECT_EQ(data.getPrintProductListWithSizeAndFinishFilter()->GetCount(), 0);

    data.setFilterWidth(10);
    data.setFilterHeight(15);
    const IArcList<Tirage2*> size = data.getPrintProductListWithSizeFilter();
    EXPECT_EQ(ids(size), (QList<qint32> { 1, 2 }));
    data.setFinish(5);
    EXPECT_EQ(data.getPrintProductListWithSizeFilter(), size) << "finish keeps the size list";
    EXPECT_EQ(ids(data.getPrintProductListWithSizeAndFinishFilter()), (QList<qint32> { 2 }));
    EXPECT_EQ(ids(data.getPrintProductListWithGroupAndFinishFilter()), (QList<qint32> { 2 }));

    data.setPrefix(QString());
    EXPECT_NE(data.getPrintProductListWithSizeFilter(), size) << "the same prefix still drops the size list";
    data.setPrefix(QStringLiteral("P"));
    EXPECT_EQ(ids(data.getPrintProductListWithSizeFilter()), (QList<qint32> { 4 }));

    // The size step lists the group list, or the group-and-finish list when
    // the store offers several product groups.
    EXPECT_EQ(data.getPrintProductListForSizeChoice()->GetCount(), 4);
    env.main.altPrintWorkflow = true;
    EXPECT_EQ(ids(data.getPrintProductListForSizeChoice()), (QList<qint32> { 2 }));
}

TEST_F(PrintTest, SurfaceChoicesFollowTheStoreOrderWithTheirCheapestPrice)
{
    add({ 1, 10, 15, 0.30, 0, 3 });
    add({ 2, 13, 18, 0.25, 0, 3 });
    add({ 3, 10, 15, 0.45, 0, 5 });
    env.main.addGroup(env.main.surfaces, 5);
    env.main.addGroup(env.main.surfaces, 7);
    env.main.addGroup(env.main.surfaces, 3);

    const auto& choices = data.getPrintFinishListWithGroupFilter();
    ASSERT_EQ(choices.Count(), 2);
    EXPECT_EQ(choices.Items(0)->GroupId(), 5);
    EXPECT_DOUBLE_EQ(choices.Items(0)->MinPrice()->CoutEnPrix(), 0.45);
    EXPECT_EQ(choices.Items(1)->GroupId(), 3);
    EXPECT_DOUBLE_EQ(choices.Items(1)->MinPrice()->CoutEnPrix(), 0.25);
    EXPECT_EQ(choices.Items(1)->PriceAsString(&env.main), "€0.2500");

    // Formats without any surface: the single choice 0.
    data.setFilterWidth(10);
    data.setFilterHeight(15);
    ProductEnv bare;
    bare.main.addTirage(1, 10, 15);
    bare.main.addTier(1, 1, 0, 0.30);
    TWorkflowDataProductPrint d(&bare.main);
    ASSERT_EQ(d.getPrintFinishListWithGroupFilter().Count(), 1);
    EXPECT_EQ(d.getPrintFinishListWithGroupFilter().Items(0)->GroupId(), 0);
}

TEST_F(PrintTest, KioskPrinterFormatsNeedAMatchingPrinterInKioskModes)
{
    struct Case {
        const char* name;
        quint8 mode;
        QStringList printers;
        bool offered;
    };
    const Case cases[] = {
        { "network printer by its last path component", 21, { "ipp://server/printers/LAB-Printer" }, true },
        { "full name, any case", 22, { "Office", "lab-printer" }, true },
        { "no matching printer", 21, { "Office" }, false },
        { "on-line mode", 10, { "lab-printer" }, false },
        { "off-line mode", 11, { "lab-printer" }, false },
        { "kiosk mode I", 20, { "lab-printer" }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProductEnv local;
        local.main.connectionMode = c.mode;
        printers = c.printers;
        Tirage2* direct = local.main.addTirage(1, 10, 15);
        direct->setImprimanteBorneId(4);
        direct->setImprimanteBorneNomWindows(QStringLiteral("Lab-Printer"));
        local.main.addTier(1, 1, 0, 0.30);
        local.main.addTirage(2, 13, 18);
        local.main.addTier(2, 1, 0, 0.30);
        TWorkflowDataProductPrint d(&local.main);
        EXPECT_EQ(ids(d.getPrintProductListNoFilter()).contains(1), c.offered);
        EXPECT_TRUE(ids(d.getPrintProductListNoFilter()).contains(2));
    }
}

TEST_F(PrintTest, StartingPriceAndItsFailures)
{
    EXPECT_THROW(
        {
            try {
                data.getMinPrice();
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), "TWorkflowDataProductPrint.getMinPrice: no product");
                throw;
            }
        },
        Exception);

    ProductEnv priced;
    for (auto [id, price] : { std::pair { 1, 0.375 }, std::pair { 2, 0.125 }, std::pair { 3, 0.125 } }) {
        priced.main.addTirage(id, 10 + id, 15);
        priced.main.addTier(id, 1, 0, price);
    }
    TWorkflowDataProductPrint d(&priced.main);
    const TProductPrice p = d.getMinPrice();
    EXPECT_EQ(p.qty, 1);
    EXPECT_EQ(p.price, 1200);
    EXPECT_EQ(p.priceType, Tarif_TypeTarif::EurosMagasin);
}

TEST_F(PrintTest, CurrentPrintProductsOfTheVisit)
{
    Tirage2* t = add({ 1, 10, 15, 0.30 });
    TTirageProduct* product = env.order->TirageProductAdd(t, 1);
    EXPECT_FALSE(data.HasImageSelected());
    EXPECT_EQ(data.ImageSelectedCount(), 0);

    data.setCurrentPrintProduct(product);
    data.setCurrentPrintProduct(product);
    EXPECT_EQ(data.currentPrintProductList()->GetCount(), 1);
    EXPECT_EQ(data.CurrentProduct(), product);

    product->SetQuantity(3);
    TOrderImageBase* a = product->ImageUsedAdd(new TestImage(QStringLiteral("a")));
    product->ImageUsedAdd(new TestImage(QStringLiteral("b")));
    EXPECT_TRUE(data.HasImageSelected());
    EXPECT_EQ(data.ImageSelectedCount(), 6);
    EXPECT_TRUE(data.isUsingImage(a));
    EXPECT_THROW(data.UpdateControlList(nullptr), Exception);
}
