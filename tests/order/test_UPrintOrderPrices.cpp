// Prices and fees of an order: prints through the lab's tiers (receipt
// lines included), designed products, the total, and the three fees.
#include "OrderFakes.h"

#include <gtest/gtest.h>

using namespace orderfakes;

namespace {

class TestReceipt : public TReceiptOutput {
public:
    struct Line {
        QString description;
        Currency unit;
        int qty;
        bool operator==(const Line&) const = default;
    };
    void AddItem(Tirage2*, const QString& d, const TProductPrice& u, int q) override { lines.push_back({ d, u.price, q }); }
    void AddItem(TProduct*, const QString& d, const TProductPrice& u, int q) override { lines.push_back({ d, u.price, q }); }
    std::vector<Line> lines;
};

void PrintTo(const TestReceipt::Line& l, std::ostream* os)
{
    *os << "{" << l.description.toStdString() << ", " << l.unit << " x " << l.qty << "}";
}

// An order with one 10x15 product of quantity 1 holding `normal` plus
// `gallery` photos, priced by `tiers`.
struct PrintSetup {
    std::vector<std::tuple<qint32, qint32, double>> tiers;
    int normal = 0;
    int gallery = 0;
    double coeff = 1.0;
    qint32 packQty = 0;
};

} // namespace

TEST(PrintOrderPrices, PrintPriceTable)
{
    struct Case {
        const char* name;
        PrintSetup setup;
        TProductPrice expected;
        std::vector<TestReceipt::Line> lines;
    } cases[] = {
        { "12 prints at 0.25", { { { 1, 100, 0.25 } }, 12, 0 }, { 12, 30000, Tarif_TypeTarif::EurosMagasin },
          { { QStringLiteral("Print 10x15 "), 2500, 12 } } },
        { "2 of 12 from the gallery, coefficient 1.2", { { { 1, 100, 0.25 } }, 10, 2, 1.2 },
          { 12, 31000, Tarif_TypeTarif::EurosMagasin },
          { { QStringLiteral("Print 10x15 "), 2500, 10 }, { QStringLiteral("Print 10x15  PRO Pictures"), 3000, 2 } } },
        { "coefficient below 1", { { { 1, 100, 0.25 } }, 10, 2, 0.8 }, { 12, 30000, Tarif_TypeTarif::EurosMagasin },
          { { QStringLiteral("Print 10x15 "), 2500, 10 }, { QStringLiteral("Print 10x15  PRO Pictures"), 2500, 2 } } },
        { "packs of 10: 3 normal and 2 gallery are one normal pack", { { { 1, 100, 2.0 } }, 3, 2, 1.5, 10 },
          { 1, 20000, Tarif_TypeTarif::EurosMagasin }, { { QStringLiteral("Print 10x15 "), 20000, 1 } } },
        { "free tier 1..5, then 0.20: 8 prints", { { { 1, 5, 0.0 }, { 6, 50, 0.20 } }, 8, 0 },
          { 8, 6000, Tarif_TypeTarif::EurosMagasin },
          { { QStringLiteral("Print 10x15 "), 0, 5 }, { QStringLiteral("Print 10x15 "), 2000, 3 } } },
        { "no tier holds 18: the nearest prices it", { { { 1, 10, 0.30 }, { 20, 30, 0.25 } }, 18, 0 },
          { 18, 45000, Tarif_TypeTarif::EurosMagasin }, { { QStringLiteral("Print 10x15 "), 2500, 18 } } },
        { "tie at 15: the earlier tier prices it", { { { 1, 10, 0.30 }, { 20, 30, 0.25 } }, 15, 0 },
          { 15, 45000, Tarif_TypeTarif::EurosMagasin }, { { QStringLiteral("Print 10x15 "), 3000, 15 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderEnv env;
        Tirage2* fmt = env.main.addTirage(1, 10, 15);
        fmt->setPackQty(c.setup.packQty);
        for (auto [min, max, prix] : c.setup.tiers)
            env.main.addTier(1, min, max, prix);
        env.main.config.SetGalleryProCoeff(c.setup.coeff);
        TTirageProduct* p = env.order->TirageProductAdd(fmt, 1);
        for (int i = 0; i < c.setup.normal; ++i)
            env.addPrint(p, QStringLiteral("n%1.jpg").arg(i));
        for (int i = 0; i < c.setup.gallery; ++i)
            env.addPrint(p, QStringLiteral("g%1.jpg").arg(i), true);
        TestReceipt receipt;
        const TProductPrice price = env.order->calcPrintPrice(nullptr, &receipt);
        EXPECT_EQ(price, c.expected) << Money::ToText(price.price).toStdString();
        EXPECT_EQ(receipt.lines, c.lines);
        EXPECT_EQ(p->GetPrice(), c.expected);
    }
}

TEST(PrintOrderPrices, QuantitiesAndFiltersPerProduct)
{
    OrderEnv env;
    Tirage2* small = env.main.addTirage(1, 10, 15);
    Tirage2* large = env.main.addTirage(2, 20, 30);
    env.main.addTier(1, 1, 1000, 0.25);
    env.main.addTier(2, 1, 1000, 1.5);
    TTirageProduct* ps = env.order->TirageProductAdd(small, 3);
    TTirageProduct* pl = env.order->TirageProductAdd(large, 1);
    env.addPrint(ps, QStringLiteral("a.jpg"));
    env.addPrint(ps, QStringLiteral("b.jpg"));
    env.addPrint(pl, QStringLiteral("a.jpg"));
    EXPECT_EQ(env.order->calcPrintPrice(nullptr, nullptr).price, 6 * 2500 + 15000);
    EXPECT_EQ(env.order->calcPrintPrice(pl, nullptr).price, 15000);
    EXPECT_EQ(ps->GetPrice().qty, 6);
    // Every unit price goes through the shop's rounding.
    EXPECT_GT(env.main.roundCount, 0);
}

// Quantities near the 32-bit limit are summed in 64 bits: too many prints
// is a clear error, never a wrapped count.
TEST(PrintOrderPrices, QuantitySumsBeyondThe32BitRangeAreAnError)
{
    OrderEnv env;
    Tirage2* fmt = env.main.addTirage(1, 10, 15);
    env.main.addTier(1, 1, std::numeric_limits<qint32>::max(), 0.25);
    TTirageProduct* p = env.order->TirageProductAdd(fmt, std::numeric_limits<qint32>::max());
    env.addPrint(p, QStringLiteral("a.jpg"));
    env.addPrint(p, QStringLiteral("b.jpg"), true);
    env.addPrint(p, QStringLiteral("c.jpg"));
    EXPECT_THROW(env.order->calcPrintPrice(nullptr, nullptr), EConvertError);
}

TEST(PrintOrderPrices, ProductPriceFollowsEveryChangeOfItsFormats)
{
    // A product's own price is counted from its formats; after each change
    // it must still be the one the walk over the whole order gives it.
    OrderEnv env;
    Tirage2* small = env.main.addTirage(1, 10, 15);
    Tirage2* large = env.main.addTirage(2, 20, 30);
    env.main.addTier(1, 1, 2, 0.0);
    env.main.addTier(1, 3, 1000, 0.25);
    env.main.addTier(2, 1, 1000, 1.5);
    env.main.config.SetGalleryProCoeff(2.0);
    TTirageProduct* ps = env.order->TirageProductAdd(small, 2);
    TTirageProduct* ps2 = env.order->TirageProductAdd(small, 1);
    TTirageProduct* pl = env.order->TirageProductAdd(large, 1);
    auto expectWalk = [&](const char* step, Currency psPrice) {
        SCOPED_TRACE(step);
        for (TTirageProduct* p : env.order->TirageProducts())
            EXPECT_EQ(p->GetPrice(), env.order->calcPrintPrice(p, nullptr)) << p->ProductLabel().toStdString();
        EXPECT_EQ(ps->GetPrice().price, psPrice);
    };
    EXPECT_EQ(ps->GetPrice(), (TProductPrice { 0, 0, env.order->TariffType() }));

    TestImage* a = env.addPrint(ps, QStringLiteral("a.jpg"));
    TestImage* b = env.addPrint(ps, QStringLiteral("b.jpg"), true);
    env.addPrint(ps2, QStringLiteral("b.jpg"));
    env.addPrint(pl, QStringLiteral("a.jpg"));
    env.addPrint(pl, QStringLiteral("c.jpg"), true);
    // ps: 2 normal + 2 gallery; 2 free, then 2 gallery at 0.50.
    expectWalk("filled", 2 * 5000);

    TImageTirageGroupData* ga = env.order->ImagesSelectionneesTirageFind(a);
    ASSERT_NE(ga, nullptr);
    TImageTirageData* fa = ga->LstFormats()[0];
    ASSERT_EQ(fa->Product(), ps);
    fa->SetQuantity(5);
    // 7 prints: 2 free (normal first), 3 normal at 0.25, 2 gallery at 0.50.
    expectWalk("quantity", 3 * 2500 + 2 * 5000);

    TImageTirageData* dup = ga->TirageDuplicate(&env.main, fa);
    ASSERT_EQ(dup->Product(), ps);
    expectWalk("duplicated", 5 * 2500 + 2 * 5000);

    dup->SetProduct(ps2);
    expectWalk("moved to another product", 3 * 2500 + 2 * 5000);

    ps->ImageUsedDel(&env.main, b, true);
    expectWalk("photo left the product", 3 * 2500);

    env.order->TirageProductDel(pl, false);
    expectWalk("other product removed", 3 * 2500);

    env.order->TirageProductDel(ps2, false);
    ASSERT_EQ(env.order->TirageProducts().Count(), 1);
    expectWalk("product with a moved format removed", 3 * 2500);
}

TEST(PrintOrderPrices, CalcProblemAndMissingPrices)
{
    OrderEnv env;
    Tirage2* fmt = env.main.addTirage(1, 10, 15);
    TTirageProduct* p = env.order->TirageProductAdd(fmt, 1);
    env.addPrint(p, QStringLiteral("a.jpg"));
    // No price list for the format at all.
    EXPECT_THROW(env.order->calcPrintPrice(nullptr, nullptr), Exception);
    // An empty price list.
    env.main.prices.AddOrSetValue(1, std::make_unique<TTarifList>(true));
    try {
        env.order->calcPrintPrice(nullptr, nullptr);
        FAIL() << "priced";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Calc problem"));
    }
}

TEST(PrintOrderPrices, AppliedPricesAndBaseTariff)
{
    OrderEnv env;
    env.main.addTirage(1, 10, 15);
    env.main.addTier(1, 1, 5, 0.0);
    env.main.addTier(1, 6, 50, 0.20);
    env.main.addTier(1, 51, 100, 0.15);
    TTarifList* tiers = env.main.prices.Items(1);
    auto applied = TPrintOrder::GetAppliedPrices(tiers, 8, true);
    ASSERT_EQ(applied->Count(), 2);
    EXPECT_FALSE(applied->OwnsObjects());
    EXPECT_EQ((*applied)[0], (*tiers)[0]);
    EXPECT_EQ((*applied)[1], (*tiers)[1]);
    EXPECT_TRUE(TPrintOrder::IsFreePrice((*tiers)[0]));

    // The base tariff is the list's first row once a tier applies.
    EXPECT_EQ(TTirageProduct::GetBaseTarif(&env.main, 1, 60), (*tiers)[0]);
    const TProductPrice base = TTirageProduct::GetBasePrice(&env.main, 1, 60);
    EXPECT_EQ(base.qty, 60);
    EXPECT_EQ(base.price, 0);

    env.main.prices.AddOrSetValue(2, std::make_unique<TTarifList>(true));
    try {
        TTirageProduct::GetBaseTarif(&env.main, 2, 1);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TTirageProduct.GetBaseTarif: price not found"));
    }
}

TEST(PrintOrderPrices, DesignedProductsAndTotal)
{
    OrderEnv env;
    Tirage2* fmt = env.main.addTirage(1, 10, 15);
    env.main.addTier(1, 1, 100, 0.25);
    TTirageProduct* p = env.order->TirageProductAdd(fmt, 1);
    env.addPrint(p, QStringLiteral("a.jpg"));
    auto* card = static_cast<TestTemplateProduct*>(env.order->TemplateProductAdd(fmt, 2));
    card->unit = 15000;
    env.order->TemplateProductAdd(fmt, 0); // not priced
    auto* book = static_cast<TestAlbumProduct*>(env.order->AlbumProductAdd(nullptr, 3));
    book->extraPages = 4;
    env.main.photographer.setPrixCd(5.0);
    env.main.photographer.setPrixIndex(1.1);

    TestReceipt receipt;
    const TProductPrice tpl = env.order->calcTemplatePrice(&receipt);
    EXPECT_EQ(tpl.qty, 2);
    EXPECT_EQ(tpl.price, 30000);
    const TProductPrice album = env.order->calcAlbumPrice(&receipt);
    EXPECT_EQ(album.qty, 3);
    EXPECT_EQ(album.price, 3 * 200000 + 4 * 3 * 5000);
    ASSERT_EQ(receipt.lines.size(), 3u);
    EXPECT_EQ(receipt.lines[0], (TestReceipt::Line { QStringLiteral("Card"), 15000, 2 }));
    EXPECT_EQ(receipt.lines[1], (TestReceipt::Line { QStringLiteral("Book (0 pages)"), 200000, 3 }));
    EXPECT_EQ(receipt.lines[2], (TestReceipt::Line { QStringLiteral("Additional pages"), 5000, 12 }));

    TProductPrice total = env.order->totalPrice();
    EXPECT_EQ(total.qty, 1);
    EXPECT_EQ(total.price, 2500 + 30000 + 660000);
    env.order->SetCdWanted(true);
    env.order->SetIndexWanted(true);
    total = env.order->totalPrice();
    EXPECT_EQ(total.price, 2500 + 30000 + 660000 + 50000 + 11000);
    EXPECT_EQ(total.priceType, Tarif_TypeTarif::EurosMagasin);
}

TEST(PrintOrderPrices, Fees)
{
    struct Case {
        const char* name;
        bool labPrint, directPrint, designed, express, postal;
        Tarif_TypeTarif tariff;
        Currency express_, shipping;
    } cases[] = {
        { "express with a lab print", true, false, false, true, false, Tarif_TypeTarif::EurosCB, 45000, 0 },
        { "express with only direct prints", false, true, false, true, false, Tarif_TypeTarif::EurosCB, 0, 0 },
        { "express with a designed product", false, true, true, true, false, Tarif_TypeTarif::EurosCB, 45000, 0 },
        { "shipping in money", true, false, false, false, true, Tarif_TypeTarif::EurosCB, 0, 69000 },
        { "shipping in packs", true, false, false, false, true, Tarif_TypeTarif::Packs, 0, 20000 },
        { "nothing to ship", false, true, false, false, true, Tarif_TypeTarif::EurosCB, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderEnv env;
        env.main.consumer.setTypeTarif(c.tariff);
        env.main.photographer.setPrixExpress(4.5);
        env.main.photographer.setFraisDePortEnPrix(6.9);
        env.main.photographer.setFraisDePortEnPacks(2);
        if (c.labPrint)
            env.order->TirageProductAdd(env.main.addTirage(1, 10, 15), 1);
        if (c.directPrint) {
            Tirage2* kiosk = env.main.addTirage(2, 10, 15);
            kiosk->setImprimanteBorneNomWindows(QStringLiteral("printer"));
            env.order->TirageProductAdd(kiosk, 1);
        }
        if (c.designed)
            env.order->AlbumProductAdd(nullptr, 1);
        env.order->SetExpressOrder(c.express);
        env.order->SetPostalShipping(c.postal);
        EXPECT_EQ(env.order->getExpressFees(), c.express_);
        EXPECT_EQ(env.order->getShippingFees(), c.shipping);
    }
}

TEST(PrintOrderPrices, HandlingFee)
{
    struct Case {
        const char* name;
        Tarif_TypeTarif tariff;
        double fee;
        bool atShop;
        double threshold;
        bool ignoreAll;
        bool postal;
        Currency expected;
    } cases[] = {
        { "pack tariff", Tarif_TypeTarif::Packs, 2.5, true, 100, false, false, 0 },
        { "fee not set", Tarif_TypeTarif::EurosCB, 0, true, 100, false, false, 0 },
        { "money at the shop not allowed", Tarif_TypeTarif::EurosMagasin, 2.5, false, 100, false, false, 0 },
        { "every product exempt", Tarif_TypeTarif::EurosCB, 2.5, true, 100, true, false, 0 },
        { "threshold reached", Tarif_TypeTarif::EurosCB, 2.5, true, 3.0, false, false, 0 },
        { "shipping counts toward the threshold", Tarif_TypeTarif::EurosCB, 2.5, true, 8.0, false, true, 0 },
        { "threshold 0", Tarif_TypeTarif::EurosCB, 2.5, true, 0, false, false, 0 },
        { "below threshold", Tarif_TypeTarif::EurosCB, 2.5, true, 100, false, false, 25000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderEnv env;
        env.main.consumer.setTypeTarif(c.tariff);
        env.main.photographer.setFraisDePriseEnCharge(c.fee);
        env.main.photographer.setFraisPriseEnChargeEurosMagasin(c.atShop);
        env.main.photographer.setMontantPalierDeLaCommande(c.threshold);
        env.main.photographer.setFraisDePortEnPrix(6.0);
        Tirage2* fmt = env.main.addTirage(1, 10, 15);
        fmt->setFdpcIgnore(c.ignoreAll);
        env.main.addTier(1, 1, 100, 0.25, 1, c.tariff == Tarif_TypeTarif::Packs ? Tarif_TypeTarif::Packs
                                                                               : Tarif_TypeTarif::EurosCB);
        TTirageProduct* p = env.order->TirageProductAdd(fmt, 1);
        for (int i = 0; i < 12; ++i)
            env.addPrint(p, QStringLiteral("%1.jpg").arg(i)); // 3.00 of prints
        env.order->SetPostalShipping(c.postal);
        EXPECT_EQ(env.order->getFDPCfees(), c.expected);
    }
    OrderEnv empty;
    empty.main.consumer.setTypeTarif(Tarif_TypeTarif::EurosCB);
    empty.main.photographer.setFraisDePriseEnCharge(2.5);
    empty.main.photographer.setMontantPalierDeLaCommande(100);
    EXPECT_EQ(empty.order->getFDPCfees(), 0); // an order without products counts as exempt
}
