// Prices as the main window answers them: rounding to the store's currency,
// money and pack texts, the unit price of a print format, the direct-print
// code and the front-print switch.
#include "LogCapture.h"
#include "UCataloguePrices.h"

#include <gtest/gtest.h>

namespace {

// The records cannot be copied: each currency lives in a table kept for
// the test program.
const Monnaie2& currency(qint32 decimals, const QString& symbol = QStringLiteral("€"), bool left = false,
                         const QString& code = QStringLiteral("EUR"))
{
    static std::vector<std::unique_ptr<Monnaie2>> kept;
    auto c = std::make_unique<Monnaie2>();
    c->setDecimals(decimals);
    c->setSymbole(symbol);
    c->setSymboleAgauche(left);
    c->setCode(code);
    kept.push_back(std::move(c));
    return *kept.back();
}

Currency units(double v)
{
    return Money::FromDouble(v);
}

} // namespace

TEST(CataloguePrices, DecimalsOfTheCurrency)
{
    EXPECT_EQ(TCataloguePrices::CurrencyDecimals(currency(3)), 3);
    EXPECT_EQ(TCataloguePrices::CurrencyDecimals(currency(0)), 2);
    EXPECT_EQ(TCataloguePrices::CurrencyDecimals(currency(-1)), 0);
}

TEST(CataloguePrices, RoundingAndTextTable)
{
    struct Case {
        const char* name;
        double amount;
        qint32 decimals;
        double rounded;
        const char* text;
    } cases[] = {
        { "half below to even", 2.125, 2, 2.12, "2.12" },
        { "half above to even", 2.375, 2, 2.38, "2.38" },
        { "Decimals 0 means two", 1234.5, 0, 1234.5, "1234.50" },
        { "Decimals -1 means none, tie down", 1234.5, -1, 1234, "1234" },
        { "Decimals -1 means none, tie up", 1235.5, -1, 1236, "1236" },
        { "three decimals", 1.2345, 3, 1.234, "1.234" },
        { "no thousands separator", 1234567.891, 2, 1234567.89, "1234567.89" },
        { "negative amount", -2.375, 2, -2.38, "-2.38" },
        { "below one", 0.05, 2, 0.05, "0.05" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Monnaie2& cur = currency(c.decimals);
        EXPECT_EQ(TCataloguePrices::priceRound(units(c.amount), cur), units(c.rounded));
        EXPECT_EQ(TCataloguePrices::priceToStr(units(c.amount), false, cur, QLatin1Char('.')),
                  QString::fromUtf8(c.text));
    }
}

TEST(CataloguePrices, SymbolPlaceAndSeparator)
{
    EXPECT_EQ(TCataloguePrices::priceToStr(units(10), true, currency(2, QStringLiteral("?"), true, QStringLiteral("CHF")),
                                           QLatin1Char('.')),
              QStringLiteral("CHF 10.00"));
    EXPECT_EQ(TCataloguePrices::priceToStr(units(10.5), true, currency(2), QLatin1Char(',')),
              QStringLiteral("10,50 €"));
    EXPECT_EQ(TCataloguePrices::priceToStr(units(3), true, currency(2, QStringLiteral("$"), true), QLatin1Char('.')),
              QStringLiteral("$ 3.00"));
}

TEST(CataloguePrices, PackPricesGoToWholePacks)
{
    const Monnaie2& cur = currency(2);
    struct Case {
        double packs;
        const char* withSymbol;
        const char* bare;
    } cases[] = {
        { 2.5, "2 packs", "2" },
        { 3.5, "4 packs", "4" },
        { 1, "1 packs", "1" },
        { 0, "0 packs", "0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packs);
        const TProductPrice p { 1, units(c.packs), Tarif_TypeTarif::Packs };
        EXPECT_EQ(TCataloguePrices::priceToStr(p, true, cur, QLatin1Char('.')), QString::fromUtf8(c.withSymbol));
        EXPECT_EQ(TCataloguePrices::priceToStr(p, false, cur, QLatin1Char('.')), QString::fromUtf8(c.bare));
    }
    EXPECT_EQ(TCataloguePrices::pricePackToStr(2, true), QStringLiteral("2 packs"));

    TProductPrice pack { 1, units(2.5), Tarif_TypeTarif::Packs };
    TCataloguePrices::priceRound(pack, cur);
    EXPECT_EQ(pack.price, units(2));
    TProductPrice money { 1, units(2.375), Tarif_TypeTarif::EurosMagasin };
    TCataloguePrices::priceRound(money, cur);
    EXPECT_EQ(money.price, units(2.38));
    EXPECT_EQ(TCataloguePrices::priceToStr(money, true, cur, QLatin1Char('.')), QStringLiteral("2.38 €"));
}

TEST(CataloguePrices, UnitPriceTakesTheFirstTierForOnePrint)
{
    auto tier = [](qint32 id, qint32 min, qint32 max, double cost) {
        auto t = new Tarif2;
        t->setId(id);
        t->setTirageId(7);
        t->setQuantiteMinimale(min);
        t->setQuantiteMaximale(max);
        t->setCoutEnPrix(cost);
        return t;
    };
    TPrintTarifList prices;
    prices.AddRow(tier(1, 2, 9, 0.5), true);
    prices.AddRow(tier(2, 1, 1, 0.8), true);
    prices.AddRow(tier(3, 0, 99, 0.3), true);
    Tirage2 tir;
    tir.setId(7);
    EXPECT_DOUBLE_EQ(TCataloguePrices::UnitPrice(prices, tir), 0.8);

    TPrintTarifList none;
    none.AddRow(tier(4, 2, 9, 0.5), true);
    EXPECT_DOUBLE_EQ(TCataloguePrices::UnitPrice(none, tir), 0.0);

    Tirage2 other;
    other.setId(8);
    EXPECT_ANY_THROW(TCataloguePrices::UnitPrice(prices, other));
}

TEST(CataloguePrices, DirectPrintCodeIsRefusedWhenTheStoreSentNone)
{
    EXPECT_THROW(TCataloguePrices::PasswordForDirectPrintOrBurn(nullptr), Exception);

    Photographe2 absent;
    EXPECT_THROW(TCataloguePrices::PasswordForDirectPrintOrBurn(&absent), EUser);
    Photographe2 empty;
    empty.setPasswordForImprimanteBorne(QString());
    EXPECT_THROW(TCataloguePrices::PasswordForDirectPrintOrBurn(&empty), EUser);

    LogCapture log;
    Photographe2 none;
    none.setPasswordForImprimanteBorne(QStringLiteral("*"));
    EXPECT_EQ(TCataloguePrices::PasswordForDirectPrintOrBurn(&none), QString());
    EXPECT_TRUE(log.Text().contains(QStringLiteral("Password for direct print or burn: password set to none")));
    Photographe2 code;
    code.setPasswordForImprimanteBorne(QStringLiteral("1234"));
    EXPECT_EQ(TCataloguePrices::PasswordForDirectPrintOrBurn(&code), QStringLiteral("1234"));
    EXPECT_TRUE(log.Text().contains(QStringLiteral("Password for direct print or burn: password set to '1234'")));
    EXPECT_FALSE(log.Text().contains(QStringLiteral("5947")));
}

TEST(CataloguePrices, FrontPrintNeedsTheFormatAndThreePictures)
{
    EXPECT_FALSE(TCataloguePrices::FrontPrintActivated(nullptr));
    Photographe2 p;
    p.setFrontPrintDateFormat(QStringLiteral("dd/mm/yyyy"));
    p.setFrontPrintWithDateMD5(QStringLiteral("a"));
    p.setFrontPrintWithDateTimeMD5(QStringLiteral("b"));
    EXPECT_FALSE(TCataloguePrices::FrontPrintActivated(&p));
    p.setFrontPrintWithoutDateMD5(QStringLiteral("c"));
    EXPECT_TRUE(TCataloguePrices::FrontPrintActivated(&p));
    p.setFrontPrintDateFormat(QString());
    EXPECT_FALSE(TCataloguePrices::FrontPrintActivated(&p));
}
