#include "ChoiceFakes.h"
#include "choice/UPrintBorderChoices.h"
#include "UPrintOrder.h"
#include "UTirageProduct.h"

#include <gtest/gtest.h>

using orderfakes::OrderEnv;

namespace {

Tirage2* addFormat(OrderEnv& env, qint32 id, bool border, const QString& printer = QString())
{
    Tirage2* t = env.main.addTirage(id, 10, 15);
    t->setAvecMarges(border);
    t->setImprimanteBorneNomWindows(printer);
    return t;
}

TEST(PrintBorderChoices, TilesInOrderOfFirstAppearance)
{
    OrderEnv env;
    Tirage2* with1 = addFormat(env, 1, true);
    Tirage2* with2 = addFormat(env, 2, true);
    Tirage2* without = addFormat(env, 3, false);
    struct Case {
        const char* name;
        std::vector<Tirage2*> formats;
        std::vector<bool> tiles;
    };
    const Case cases[] = {
        { "border first", { with1, without, with2 }, { true, false } },
        { "no border first", { without, with1 }, { false, true } },
        { "all with margins: one tile", { with1, with2 }, { true } },
        { "nothing open", {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPrintBorderChoices::borders(c.formats), c.tiles);
    }
}

TEST(PrintBorderChoices, SameFormatTwiceLeavesOneProduct)
{
    OrderEnv env;
    Tirage2* without = addFormat(env, 1, false);
    Tirage2* with = addFormat(env, 2, true);
    const std::vector<Tirage2*> open = { without, with };
    TTirageProduct* first = TPrintBorderChoices::productFor(*env.order, open, true);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Tirage(), with);
    TTirageProduct* again = TPrintBorderChoices::productFor(*env.order, open, true);
    EXPECT_EQ(again, first);
    EXPECT_EQ(env.order->TirageProductFind(with), first);
    TTirageProduct* other = TPrintBorderChoices::productFor(*env.order, open, false);
    EXPECT_NE(other, first);
    EXPECT_EQ(other->Tirage(), without);
}

TEST(PrintBorderChoices, BorderNoFormatHasRaisesAndLeavesTheOrder)
{
    OrderEnv env;
    Tirage2* without = addFormat(env, 1, false);
    try {
        TPrintBorderChoices::productFor(*env.order, { without }, true);
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "TCtrlProductChoicePrintBorder: No product found");
    }
    EXPECT_EQ(env.order->TirageProductFind(without), nullptr);
}

TEST(PrintBorderChoices, FrontPrintStepOnlyForLabPrintsOfAFrontPrintingShop)
{
    OrderEnv env;
    TTirageProduct* lab = env.order->TirageProductAdd(addFormat(env, 1, false), 1);
    TTirageProduct* kiosk = env.order->TirageProductAdd(addFormat(env, 2, false, QStringLiteral("KioskPrinter")), 1);
    struct Case {
        const char* name;
        bool active;
        TTirageProduct* product;
        bool front;
    };
    const Case cases[] = {
        { "front print on, lab print", true, lab, true },
        { "front print on, kiosk printer", true, kiosk, false },
        { "front print off", false, lab, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TPrintBorderChoices::frontPrintNext(c.active, c.product), c.front);
    }
}

} // namespace
