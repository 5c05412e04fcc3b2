// Money on the fixed-point grid and the price rules of the order: tiers,
// packs, the free first tier, the gallery surcharge, nearest tier, and the
// three fees.
#include "UOrderPricing.h"

#include "UAppExceptions.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr auto Money_ = Tarif_TypeTarif::EurosMagasin;
constexpr auto Card = Tarif_TypeTarif::EurosCB;
constexpr auto Packs = Tarif_TypeTarif::Packs;

TPriceTier tier(qint32 min, qint32 max, double prix, qint32 packs = 0, Tarif_TypeTarif t = Money_)
{
    return TPriceTier { min, max, prix, packs, t };
}

struct Line {
    int tier;
    bool gallery;
    Currency unit;
    qint32 qty;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os)
{
    *os << "{tier " << l.tier << (l.gallery ? " gallery " : " normal ") << l.unit << " x " << l.qty << "}";
}

} // namespace

TEST(Money, FromDoubleRoundsHalvesToEven)
{
    struct Case {
        const char* name;
        double value;
        Currency expected;
    } cases[] = {
        { "quarter", 0.25, 2500 },
        { "thirty cents", 0.30, 3000 },
        { "ten cents (inexact in binary)", 0.1, 1000 },
        { "half unit of the grid rounds to even (down)", 0.00005, 0 },
        { "three and a half units rounds to even (up)", 0.00035, 4 },
        { "1234.5 units rounds to even (down)", 0.12345, 1234 },
        { "20002.5 units rounds to even (down)", 2.00025, 20002 },
        { "two and a half units rounds to even (down)", 0.00025, 2 },
        { "negative half unit", -0.00005, 0 },
        { "large price", 123456789.1234, 1234567891234 },
        { "zero", 0.0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Money::FromDouble(c.value), c.expected);
    }
}

TEST(Money, BadValuesRaiseConvertError)
{
    EXPECT_THROW(Money::FromDouble(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_THROW(Money::FromDouble(std::numeric_limits<double>::infinity()), EConvertError);
    EXPECT_THROW(Money::FromDouble(1e300), EConvertError);
    EXPECT_THROW(Money::Mul(std::numeric_limits<Currency>::max() / 2, 3), EConvertError);
    EXPECT_THROW(Money::Add(std::numeric_limits<Currency>::max(), 1), EConvertError);
    EXPECT_THROW(Money::FromUnits(std::numeric_limits<qint64>::max()), EConvertError);
}

TEST(Money, TextIsExact)
{
    EXPECT_EQ(Money::ToText(31000), QStringLiteral("3.1000"));
    EXPECT_EQ(Money::ToText(-5), QStringLiteral("-0.0005"));
    EXPECT_EQ(Money::ToText(std::numeric_limits<Currency>::min()), QStringLiteral("-922337203685477.5808"));
}

TEST(Money, RoundToDecimalsHalvesToEven)
{
    constexpr Currency kMax = std::numeric_limits<Currency>::max();
    struct Case {
        const char* name;
        Currency value;
        int decimals;
        Currency expected;
    } cases[] = {
        { "2.125 to 2 decimals: half, even below", 21250, 2, 21200 },
        { "2.375 to 2 decimals: half, even above", 23750, 2, 23800 },
        { "12.345 to 2", 123450, 2, 123400 },
        { "12.355 to 2", 123550, 2, 123600 },
        { "12.3449 to 2: below the half", 123449, 2, 123400 },
        { "12.3451 to 2: above the half", 123451, 2, 123500 },
        { "1234.5 to 0: even below", 12345000, 0, 12340000 },
        { "1235.5 to 0: even above", 12355000, 0, 12360000 },
        { "negative decimals count as 0", 12355000, -1, 12360000 },
        { "-2.125 to 2", -21250, 2, -21200 },
        { "-2.375 to 2", -23750, 2, -23800 },
        { "-0.004 to 2", -40, 2, 0 },
        { "3 decimals", 12345, 3, 12340 },
        { "4 decimals: the grid itself", 12345, 4, 12345 },
        { "more decimals than the grid", 12345, 6, 12345 },
        { "largest value, grid kept", kMax, 4, kMax },
        { "zero", 0, 2, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Money::RoundTo(c.value, c.decimals), c.expected);
    }
    // Rounding up past the largest value does not wrap.
    EXPECT_THROW(Money::RoundTo(kMax, 0), EConvertError);
    EXPECT_EQ(Money::RoundTo(std::numeric_limits<Currency>::min() + 5000, 0) % 10000, 0);
}

TEST(OrderPricing, IsFreePrice)
{
    EXPECT_TRUE(TOrderPricing::IsFreePrice(tier(1, 5, 0)));
    EXPECT_FALSE(TOrderPricing::IsFreePrice(tier(2, 5, 0)));
    EXPECT_FALSE(TOrderPricing::IsFreePrice(tier(1, 5, 0.01)));
    EXPECT_FALSE(TOrderPricing::IsFreePrice(tier(1, 5, 0, 1, Packs)));
}

TEST(OrderPricing, AppliedTiers)
{
    struct Case {
        const char* name;
        std::vector<TPriceTier> tiers;
        qint32 qty;
        bool freeAllowed;
        std::vector<int> expected;
    } cases[] = {
        { "matching tier", { tier(1, 10, 0.3), tier(11, 50, 0.25), tier(51, 100, 0.2) }, 20, true, { 1 } },
        { "bounds are inclusive", { tier(1, 10, 0.3), tier(11, 50, 0.25) }, 10, true, { 0 } },
        { "nearest tier below", { tier(1, 10, 0.3), tier(20, 30, 0.25) }, 13, true, { 0 } },
        { "nearest tier above", { tier(1, 10, 0.3), tier(20, 30, 0.25) }, 18, true, { 1 } },
        { "tie goes to the earlier tier", { tier(1, 10, 0.3), tier(20, 30, 0.25) }, 15, true, { 0 } },
        { "beyond every tier", { tier(1, 10, 0.3), tier(20, 30, 0.25) }, 500, true, { 1 } },
        { "free tier holding the quantity stops the walk", { tier(1, 5, 0), tier(6, 50, 0.2) }, 4, true, { 0 } },
        { "free tier then the matching tier", { tier(1, 5, 0), tier(6, 50, 0.2) }, 8, true, { 0, 1 } },
        { "free tier skipped when not allowed", { tier(1, 5, 0), tier(6, 50, 0.2) }, 4, false, { 1 } },
        { "only the first tier may be free", { tier(1, 5, 0.1), tier(1, 5, 0) }, 3, true, { 0 } },
        { "empty list", {}, 3, true, {} },
        { "free tier alone, quantity beyond it", { tier(1, 5, 0) }, 8, true, { 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TOrderPricing::AppliedTiers(c.tiers, c.qty, c.freeAllowed), c.expected);
    }
}

TEST(OrderPricing, PricePrintsTable)
{
    struct Case {
        const char* name;
        std::vector<TPriceTier> tiers;
        qint32 packQty;
        TPrintCount count;
        double coeff;
        Tarif_TypeTarif priceType;
        TProductPrice expected;
        std::vector<Line> lines;
    } cases[] = {
        { "12 prints at 0.25", { tier(1, 100, 0.25) }, 0, { 12, 0 }, 1.0, Money_, { 12, 30000, Money_ }, { { 0, false, 2500, 12 } } },
        { "2 of 12 from the gallery at 1.2", { tier(1, 100, 0.25) }, 0, { 10, 2 }, 1.2, Money_, { 12, 31000, Money_ },
          { { 0, false, 2500, 10 }, { 0, true, 3000, 2 } } },
        { "coefficient below 1 never lowers the gallery price", { tier(1, 100, 0.25) }, 0, { 10, 2 }, 0.5, Money_,
          { 12, 30000, Money_ }, { { 0, false, 2500, 10 }, { 0, true, 2500, 2 } } },
        { "packs of 10: 3 normal and 2 gallery are one normal pack", { tier(1, 100, 2.0) }, 10, { 3, 2 }, 1.5, Money_,
          { 1, 20000, Money_ }, { { 0, false, 20000, 1 } } },
        { "packs of 10: 10 normal and 5 gallery are a normal and a gallery pack", { tier(1, 100, 2.0) }, 10, { 10, 5 }, 1.5,
          Money_, { 2, 50000, Money_ }, { { 0, false, 20000, 1 }, { 0, true, 30000, 1 } } },
        { "free first tier 1..5 then 0.20: 8 prints", { tier(1, 5, 0), tier(6, 50, 0.2) }, 0, { 8, 0 }, 1.0, Money_,
          { 8, 6000, Money_ }, { { 0, false, 0, 5 }, { 1, false, 2000, 3 } } },
        { "free tier takes normal pictures first, then gallery", { tier(1, 5, 0), tier(6, 50, 0.2) }, 0, { 3, 5 }, 2.0, Money_,
          { 8, 12000, Money_ }, { { 0, false, 0, 3 }, { 0, true, 0, 2 }, { 1, true, 4000, 3 } } },
        { "quantity inside the free tier costs nothing", { tier(1, 5, 0), tier(6, 50, 0.2) }, 0, { 4, 0 }, 1.0, Money_,
          { 4, 0, Money_ }, { { 0, false, 0, 4 } } },
        { "nearest tier prices the whole quantity", { tier(1, 10, 0.3), tier(20, 30, 0.25) }, 0, { 18, 0 }, 1.0, Money_,
          { 18, 45000, Money_ }, { { 1, false, 2500, 18 } } },
        { "tie between tiers: the earlier prices it", { tier(1, 10, 0.3), tier(20, 30, 0.25) }, 0, { 15, 0 }, 1.0, Money_,
          { 15, 45000, Money_ }, { { 0, false, 3000, 15 } } },
        { "pack tier", { tier(1, 100, 0, 2, Packs) }, 0, { 3, 1 }, 1.5, Packs, { 4, 90000, Packs },
          { { 0, false, 20000, 3 }, { 0, true, 30000, 1 } } },
        { "pack gallery count never below the normal count", { tier(1, 100, 0, 5, Packs) }, 0, { 0, 1 }, 0.5, Packs,
          { 1, 50000, Packs }, { { 0, true, 50000, 1 } } },
        { "pack gallery 1 x 2.5 = 2.5 -> 2 (halves to even)", { tier(1, 100, 0, 1, Packs) }, 0, { 0, 1 }, 2.5, Packs,
          { 1, 20000, Packs }, { { 0, true, 20000, 1 } } },
        { "pack gallery 5 x 1.1 = 5.5 -> 6", { tier(1, 100, 0, 5, Packs) }, 0, { 0, 1 }, 1.1, Packs, { 1, 60000, Packs },
          { { 0, true, 60000, 1 } } },
        { "pack gallery 3 x 1.5 = 4.5 -> 4", { tier(1, 100, 0, 3, Packs) }, 0, { 0, 1 }, 1.5, Packs, { 1, 40000, Packs },
          { { 0, true, 40000, 1 } } },
        { "nothing to price", {}, 0, { 0, 0 }, 1.0, Card, { 0, 0, Card }, {} },
        { "result carries the customer's tariff type", { tier(1, 100, 0.25) }, 0, { 1, 0 }, 1.0, Card, { 1, 2500, Card },
          { { 0, false, 2500, 1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Line> lines;
        const TProductPrice p = TOrderPricing::PricePrints(
            c.tiers, c.packQty, c.count, c.coeff, c.priceType, nullptr,
            [&](const TPrintPriceLine& l) { lines.push_back({ l.tierIndex, l.gallery, l.unitPrice.price, l.qty }); });
        EXPECT_EQ(p.qty, c.expected.qty);
        EXPECT_EQ(p.price, c.expected.price) << Money::ToText(p.price).toStdString();
        EXPECT_EQ(p.priceType, c.expected.priceType);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(OrderPricing, EmptyTierListRaisesCalcProblem)
{
    try {
        TOrderPricing::PricePrints({}, 0, { 3, 0 }, 1.0, Money_, nullptr, nullptr);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Calc problem"));
    }
}

TEST(OrderPricing, UnitPricesGoThroughTheShopRounding)
{
    // The shop rounds money to two decimals (halves up in this fake) and
    // sees each unit with the tier's own type.
    std::vector<Tarif_TypeTarif> seen;
    auto round2 = [&](TProductPrice& p) {
        seen.push_back(p.priceType);
        p.price = (p.price + 50) / 100 * 100;
    };
    const std::vector<TPriceTier> tiers { tier(1, 100, 0.125) };
    const TProductPrice p = TOrderPricing::PricePrints(tiers, 0, { 4, 1 }, 1.0, Card, round2, nullptr);
    EXPECT_EQ(p.price, 1300 * 5);
    EXPECT_EQ(seen, (std::vector<Tarif_TypeTarif> { Money_, Money_ }));
}

TEST(OrderPricing, SumsAreExactOverManyPrints)
{
    // 0.1 has no exact binary value; a float sum of a million of them drifts,
    // the fixed-point sum does not.
    const std::vector<TPriceTier> tiers { tier(1, 10'000'000, 0.1) };
    const TProductPrice p = TOrderPricing::PricePrints(tiers, 0, { 1'000'000, 0 }, 1.0, Money_, nullptr, nullptr);
    EXPECT_EQ(p.price, Currency(100000) * 10000);
}

TEST(OrderPricing, ExpressFee)
{
    TFeeSettings s;
    s.PrixExpress = 4.5;
    struct Case {
        const char* name;
        bool express, tplOrAlbum, labPrint;
        Currency expected;
    } cases[] = {
        { "not express", false, true, true, 0 },
        { "express with a template product", true, true, false, 45000 },
        { "express with a lab print", true, false, true, 45000 },
        { "express with only direct prints", true, false, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TOrderPricing::ExpressFee(c.express, c.tplOrAlbum, c.labPrint, s), c.expected);
    }
}

TEST(OrderPricing, ShippingFee)
{
    TFeeSettings s;
    s.FraisDePortEnPrix = 6.9;
    s.FraisDePortEnPacks = 3;
    struct Case {
        const char* name;
        bool postal, canHave;
        Tarif_TypeTarif type;
        Currency expected;
    } cases[] = {
        { "not shipped", false, true, Money_, 0 },
        { "nothing to ship", true, false, Money_, 0 },
        { "money", true, true, Card, 69000 },
        { "undefined type counts as money", true, true, Tarif_TypeTarif::Undef, 69000 },
        { "packs", true, true, Packs, 30000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TOrderPricing::ShippingFee(c.postal, c.canHave, c.type, s), c.expected);
    }
}

TEST(OrderPricing, HandlingFee)
{
    TFeeSettings base;
    base.FraisDePriseEnCharge = 2.5;
    base.FraisPriseEnChargeEurosMagasin = true;
    base.MontantPalierDeLaCommande = 20.0;
    struct Case {
        const char* name;
        Tarif_TypeTarif type;
        bool allIgnore;
        Currency amount;
        double fee;
        bool atShopAllowed;
        double threshold;
        Currency expected;
        bool amountAsked;
    } cases[] = {
        { "pack tariff", Packs, false, 0, 2.5, true, 20, 0, false },
        { "undefined tariff", Tarif_TypeTarif::Undef, false, 0, 2.5, true, 20, 0, false },
        { "fee not set", Card, false, 0, 0, true, 20, 0, false },
        { "money at the shop not allowed", Money_, false, 0, 2.5, false, 20, 0, false },
        { "card payment ignores the shop flag", Card, false, 100000, 2.5, false, 20, 25000, true },
        { "every product exempt", Card, true, 0, 2.5, true, 20, 0, false },
        { "threshold reached", Card, false, 200000, 2.5, true, 20, 0, true },
        { "threshold 0 never charges", Card, false, 0, 2.5, true, 0, 0, true },
        { "below threshold", Money_, false, 199999, 2.5, true, 20, 25000, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFeeSettings s = base;
        s.FraisDePriseEnCharge = c.fee;
        s.FraisPriseEnChargeEurosMagasin = c.atShopAllowed;
        s.MontantPalierDeLaCommande = c.threshold;
        bool asked = false;
        const Currency fee = TOrderPricing::HandlingFee(c.type, c.allIgnore, [&] {
            asked = true;
            return c.amount;
        }, s);
        EXPECT_EQ(fee, c.expected);
        EXPECT_EQ(asked, c.amountAsked);
    }
}
