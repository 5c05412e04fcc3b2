#include "ChoiceFakes.h"
#include "choice/UChoicePriceText.h"
#include "choice/UPrintSizeChoices.h"

#include <gtest/gtest.h>

#include <map>

using namespace choicefakes;
using orderfakes::makeTirage;

namespace {

std::unique_ptr<Tirage2> fmt(qint32 id, qint32 w, qint32 l, const QString& prefix = QString(), bool hide = false,
                             qint32 order = 0)
{
    auto t = makeTirage(id, w, l, prefix);
    t->setMasquerFormatTirage(hide);
    t->setPositionAffichage(order);
    return t;
}

TEST(PrintSizeChoices, SizeKeysGroupOnlyEqualSizes)
{
    struct Case {
        const char* name;
        std::unique_ptr<Tirage2> a, b;
        bool same;
    };
    Case cases[] = {
        { "10x15 and 15x10 are one size", fmt(1, 10, 15), fmt(2, 15, 10), true },
        { "20x30 and 25x25 have equal sums but are two sizes", fmt(1, 20, 30), fmt(2, 25, 25), false },
        { "11x20 and 15x16 neither", fmt(1, 11, 20), fmt(2, 15, 16), false },
        { "another prefix is another size", fmt(1, 10, 15, QStringLiteral("Pano")), fmt(2, 10, 15), false },
        { "a hidden size label is another size", fmt(1, 10, 15, {}, true), fmt(2, 10, 15, {}, false), false },
        // The sides and the prefix must not run into each other.
        { "side digits and prefix stay apart", fmt(1, 1, 12, QStringLiteral("3")), fmt(2, 1, 123), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPrintSizeChoices::sizeKey(*c.a) == TPrintSizeChoices::sizeKey(*c.b), c.same);
    }
}

TEST(PrintSizeChoices, OneChoicePerSizeWithTheLowestPrice)
{
    auto f1 = fmt(1, 10, 15, QStringLiteral("Std"), false, 5);
    auto f2 = fmt(2, 15, 10, QStringLiteral("Std"), false, 1); // same size, later
    auto f3 = fmt(3, 20, 30, {}, false, 3);
    auto f4 = fmt(4, 25, 25, {}, false, 3);
    auto f5 = fmt(5, 10, 15, QStringLiteral("Std"), false, 9);
    auto p1 = money(0.30), p2 = money(0.25), p3 = money(2), p4 = money(2.5), p5 = money(0.25);
    std::map<Tirage2*, const Tarif2*> prices = {
        { f1.get(), p1.get() }, { f2.get(), p2.get() }, { f3.get(), p3.get() }, { f4.get(), p4.get() },
        { f5.get(), p5.get() }
    };
    const auto choices = TPrintSizeChoices::build({ f1.get(), f2.get(), f3.get(), f4.get(), f5.get() },
                                                  [&](Tirage2* f) { return prices[f]; }, false);
    ASSERT_EQ(choices.size(), 3u);
    // Sorted by display order, then picture height, width and id.
    EXPECT_EQ(choices[0].format, f4.get());
    EXPECT_EQ(choices[1].format, f3.get());
    const TSizeChoice& c10x15 = choices[2];
    // The choice keeps the first format's data and the lowest price; an
    // equal later price keeps the stored one.
    EXPECT_EQ(c10x15.format, f1.get());
    EXPECT_EQ(c10x15.displayOrder, 5);
    EXPECT_EQ(c10x15.filterWidth, 10);
    EXPECT_EQ(c10x15.filterHeight, 15);
    EXPECT_EQ(c10x15.prefix, QStringLiteral("Std"));
    EXPECT_EQ(c10x15.minPrice, p2.get());
    EXPECT_EQ(c10x15.id, qint64(15 * 65536 + 10));
    EXPECT_EQ(c10x15.x, 100);
    EXPECT_EQ(c10x15.y, 150);
    // 25 x 25 sorts before 20 x 30 by its lower picture.
    EXPECT_EQ(choices[0].y, 250);
    EXPECT_EQ(choices[1].y, 300);
}

TEST(PrintSizeChoices, MobilePicturesAreLandscape)
{
    auto f = fmt(1, 15, 10);
    int x = 0, y = 0;
    TPrintSizeChoices::pictureSize(*f, true, x, y);
    EXPECT_EQ(QSize(x, y), QSize(150, 100));
    TPrintSizeChoices::pictureSize(*f, false, x, y);
    EXPECT_EQ(QSize(x, y), QSize(100, 150));
}

TEST(PrintSizeChoices, PricesOfDifferentTypesUnderOneSizeRaise)
{
    auto f1 = fmt(1, 10, 15), f2 = fmt(2, 15, 10);
    auto p1 = money(0.3);
    auto p2 = packs(1);
    std::map<Tirage2*, const Tarif2*> prices = { { f1.get(), p1.get() }, { f2.get(), p2.get() } };
    EXPECT_THROW(TPrintSizeChoices::build({ f1.get(), f2.get() }, [&](Tirage2* f) { return prices[f]; }, false),
                 std::exception);
}

TEST(PrintSizeChoices, EmptyListAndFormatsWithoutPrice)
{
    EXPECT_TRUE(TPrintSizeChoices::build({}, nullptr, false).empty());
    auto f1 = fmt(1, 10, 15), f2 = fmt(2, 15, 10);
    auto p2 = money(0.4);
    std::map<Tirage2*, const Tarif2*> prices = { { f1.get(), nullptr }, { f2.get(), p2.get() } };
    const auto choices = TPrintSizeChoices::build({ f1.get(), f2.get() }, [&](Tirage2* f) { return prices[f]; }, false);
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].minPrice, p2.get());
}

TEST(PrintSizeChoices, PrefixSecondLine)
{
    struct Case {
        const char* name;
        QString prefix;
        QString second;
    };
    const Case cases[] = {
        { "one line", QStringLiteral("Panorama"), QString() },
        { "CR LF", QStringLiteral("Panorama\r\n  Matt  "), QStringLiteral("Matt") },
        { "LF only", QStringLiteral("Pano\nGloss\t"), QStringLiteral("Gloss") },
        { "three lines keep the rest joined", QStringLiteral("A\r\nB\r\nC"), QStringLiteral("B\rC") },
        { "empty", QString(), QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPrintSizeChoices::prefixSecondLine(c.prefix), c.second);
    }
}

TEST(ChoicePriceText, TariffTypes)
{
    PriceMainFrame main;
    auto m = money(0.12346);
    auto cb = money(1.5, Tarif_TypeTarif::EurosCB);
    auto p = packs(3);
    auto undef = money(9, Tarif_TypeTarif::Undef);
    struct Case {
        const char* name;
        const Tarif2* price;
        QString text;
    };
    const Case cases[] = {
        { "shop money to the nearest ten-thousandth", m.get(), QStringLiteral("EUR 0.1235") },
        { "card money", cb.get(), QStringLiteral("EUR 1.5000") },
        { "packs", p.get(), QStringLiteral("3 packs") },
        { "undefined type shows no price", undef.get(), QString() },
        { "no tariff", nullptr, QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TChoicePriceText::tariff(&main, c.price), c.text);
        EXPECT_EQ(TChoicePriceText::from(TChoicePriceText::tariff(&main, c.price)),
                  c.text.isEmpty() ? QString() : QStringLiteral("From ") + c.text);
    }
}

} // namespace
