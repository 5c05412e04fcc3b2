// Cart rules: copy range, option availability, the steps after the cart,
// layout heights and scales, the thumbnail strip, click versus drag, and
// extra sets of prints taken back exactly.
#include "OrderFakes.h"
#include "OrderingTestSupport.h"
#include "UShoppingCartRules.h"

#include <gtest/gtest.h>

using orderingtest::exceptionText;
using R = TShoppingCartRules;

TEST(ShoppingCartRules, CopyCountRange)
{
    struct Case {
        qint64 value;
        const char* error;
    } cases[] = {
        { -1, "Minimum value is 0" }, { 0, "" }, { 1, "" }, { 9999, "" }, { 10000, "Maximum value is 9999" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(exceptionText([&] { R::copyCountCheck(c.value); }), QString::fromLatin1(c.error));
    }
}

TEST(ShoppingCartRules, OptionAvailability)
{
    struct Case {
        const char* name;
        TShoppingCartOptions option;
        R::TOptionFacts facts;
        bool available;
    } cases[] = {
        { "index priced on a kiosk", sco_index, { true, zebd_kiosk, 0, 1.5 }, true },
        { "index without lab print", sco_index, { false, zebd_kiosk, 0, 1.5 }, false },
        { "index free", sco_index, { true, zebd_kiosk, 0, 0 }, false },
        { "index at home", sco_index, { true, zebd_home, 0, 1.5 }, false },
        { "index on mobile", sco_index, { true, zebd_mobile, 0, 1.5 }, false },
        { "cd priced, lab burns", sco_cd, { true, zebd_kiosk, 4, 0, false, false }, true },
        { "cd free, lab burns", sco_cd, { true, zebd_kiosk, 0, 0, false, false }, false },
        { "cd on kiosk with burner, free", sco_cd, { true, zebd_kiosk, 0, 0, true, true }, true },
        { "cd on kiosk without burner, priced", sco_cd, { true, zebd_kiosk, 4, 0, true, false }, false },
        { "cd at home", sco_cd, { true, zebd_home, 4, 0, false, false }, false },
        { "cd without lab print", sco_cd, { false, zebd_kiosk, 4, 0, true, true }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(R::optionAvailable(c.option, c.facts), c.available);
    }
    EXPECT_THROW(R::optionAvailable(TShoppingCartOptions(7), {}), EToDo);
    EXPECT_EQ(R::optionPrice(sco_cd, 4.99, 1), 49900);
    EXPECT_EQ(R::optionPrice(sco_index, 4.99, 0.35), 3500);
}

TEST(ShoppingCartRules, CheckoutSteps)
{
    struct Case {
        const char* name;
        R::TCheckoutFacts facts;
        bool next, express, details;
    } cases[] = {
        { "not ready: cart is the last step", { false, true, false, 2, 21, true, true }, false, false, false },
        { "kiosk, express priced, details asked", { true, true, false, 2, 21, true, false }, true, true, true },
        { "kiosk on line in mode 20: no express", { true, true, false, 2, 20, false, true }, true, false, true },
        { "no express price, no details", { true, true, false, 0, 21, false, false }, true, false, false },
        { "only direct prints", { true, true, true, 2, 21, true, true }, true, false, false },
        { "not a kiosk", { true, false, false, 2, 10, true, true }, true, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const R::TCheckoutSteps s = R::checkoutSteps(c.facts);
        EXPECT_EQ(s.nextReachable, c.next);
        EXPECT_EQ(s.expressVisible, c.express);
        EXPECT_EQ(s.customerDetailsVisible, c.details);
    }
}

TEST(ShoppingCartRules, HeightsAndScales)
{
    EXPECT_EQ(R::contentHeight(3, 2, false), 3 * 121 + 2 * 56);
    EXPECT_EQ(R::contentHeight(3, 0, true), 3 * 112);
    struct Case {
        const char* name;
        float w, h;
        bool mobile, cross;
        float scale;
    } cases[] = {
        { "wide and high", 1920, 1080, false, true, 1 },
        { "narrow", 960, 1080, false, true, 0.8f },
        { "low with cross-selling", 1920, 480, false, true, 0.8f },
        { "low without cross-selling", 1920, 480, false, false, 1 },
        { "narrow and low: the smaller", 600, 540, false, true, 0.5f },
        { "mobile reference", 205, 900, true, false, 0.5f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(R::bottomScale(c.w, c.h, c.mobile, c.cross), c.scale);
    }
}

TEST(ShoppingCartRules, CrossSellingScale)
{
    struct Case {
        const char* name;
        float w, h;
        int tiles;
        float scale;
    } cases[] = {
        { "one tile fills the height", 1000, 300, 1, 2 },
        { "seven tiles by width", 520, 1000, 7, 0.5f },
        { "no tile visible", 580, 300, 0, 1 },
        { "negative count", 580, 300, -1, 1 },
        { "panel without size", 0, 0, 3, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(R::crossSellingScale(c.w, c.h, c.tiles), c.scale);
    }
}

TEST(ShoppingCartRules, ThumbnailStrip)
{
    using K = R::TStripKind;
    struct Case {
        const char* name;
        K kind;
        int W, H;
        double itemW, itemH;
        int entries;
        std::vector<double> lefts;
    } cases[] = {
        // 10x15 prints in a strip 90 high: 60 wide, 70 apart.
        { "prints that fit", K::Print, 400, 90, 10, 15, 3, { 0, 70, 140 } },
        { "prints cut by the width", K::Print, 200, 90, 10, 15, 9, { 0, 70, 140 } },
        { "strip narrower than one thumbnail and its gap", K::Print, 59, 90, 10, 15, 3, {} },
        { "no entry", K::Print, 400, 90, 10, 15, 0, {} },
        { "pages", K::Pages, 420, 100, 200, 100, 5, { 0, 210 } },
        // Book pages 50 wide: cover, then pairs touching, 10 between pairs.
        { "book spreads", K::Book, 300, 100, 100, 200, 6, { 0, 60, 110, 170, 220 } },
        { "page without height", K::Pages, 400, 100, 200, 0, 5, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rects = R::stripLayout(c.kind, c.W, c.H, c.itemW, c.itemH, c.entries);
        std::vector<double> lefts;
        for (const QRectF& r : rects) {
            lefts.push_back(r.left());
            EXPECT_DOUBLE_EQ(r.height(), c.H);
        }
        EXPECT_EQ(lefts, c.lefts);
    }
}

TEST(ShoppingCartRules, ClickOrDrag)
{
    struct Case {
        const char* name;
        std::vector<QPointF> path;
        bool click;
    } cases[] = {
        { "still", { { 5, 5 } }, true },
        { "small wobble", { { 5, 5 }, { 8, 9 }, { 5, 5 } }, true },
        { "scroll down", { { 5, 5 }, { 5, 30 } }, false },
        // Measured on absolute coordinates this gesture would count 0.
        { "across the origin", { { -20, 0 }, { 20, 0 } }, false },
        { "many small steps", { { 0, 0 }, { 4, 0 }, { 8, 0 }, { 12, 0 } }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TClickTracker t;
        t.press(c.path.front());
        for (size_t i = 1; i < c.path.size(); ++i)
            t.move(c.path[i]);
        EXPECT_EQ(t.isClick(), c.click);
    }
}

namespace {

struct ExtraSetWorld {
    orderfakes::OrderEnv env;
    TTirageProduct* product;
    QList<TImageTirageData*> entries;

    explicit ExtraSetWorld(std::initializer_list<int> quantities)
    {
        Tirage2* fmt = env.main.addTirage(1, 10, 15);
        product = env.order->TirageProductAdd(fmt, 1);
        int i = 0;
        for (int q : quantities) {
            env.addPrint(product, QStringLiteral("img%1").arg(i++));
            (void)q;
        }
        entries = current();
        i = 0;
        for (int q : quantities)
            entries[i++]->SetQuantity(q);
    }
    QList<TImageTirageData*> current()
    {
        QList<TImageTirageData*> out;
        const IArcList<TImageTirageData*> list = product->ImgsDataList();
        for (TImageTirageData* e : *list)
            out << e;
        return out;
    }
    std::vector<int> quantities()
    {
        std::vector<int> q;
        for (TImageTirageData* e : current())
            q.push_back(e->Quantity());
        return q;
    }
};

} // namespace

TEST(ExtraSetLedger, AddThenRemoveRestoresQuantities)
{
    ExtraSetWorld w { 1, 1, 1 };
    TExtraSetLedger ledger;
    EXPECT_EQ(ledger.add(w.current()), 3);
    EXPECT_EQ(w.quantities(), (std::vector<int> { 2, 2, 2 }));
    EXPECT_EQ(ledger.count(), 3);
    EXPECT_TRUE(ledger.canRemove());
    EXPECT_EQ(ledger.remove(w.current()), 3);
    EXPECT_EQ(w.quantities(), (std::vector<int> { 1, 1, 1 }));
    EXPECT_FALSE(ledger.canRemove());
    EXPECT_EQ(ledger.remove(w.current()), 0);
}

TEST(ExtraSetLedger, EntryAtMaximumIsSkippedAndNeverTakenBack)
{
    ExtraSetWorld w { 1, 9999, 3 };
    TExtraSetLedger ledger;
    EXPECT_EQ(ledger.add(w.current()), 2);
    EXPECT_EQ(ledger.count(), 2);
    EXPECT_EQ(w.quantities(), (std::vector<int> { 2, 9999, 4 }));
    ledger.remove(w.current());
    EXPECT_EQ(w.quantities(), (std::vector<int> { 1, 9999, 3 }));
}

TEST(ExtraSetLedger, ManualChangesInBetweenAreKept)
{
    struct Case {
        const char* name;
        int manualIndex;
        int manualQty;
        std::vector<int> afterRemove;
    } cases[] = {
        { "raised by hand keeps the customer's copies", 0, 7, { 6, 1, 5 } },
        { "lowered to one by hand is left alone", 1, 1, { 1, 1, 5 } },
        { "entry not in the set keeps its copies", 2, 9, { 1, 1, 9 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExtraSetWorld w { 1, 1, 5 };
        TExtraSetLedger ledger;
        // The third entry is raised by hand before the set: only the first
        // two are part of the set that is added after it.
        ledger.add(QList<TImageTirageData*> { w.entries[0], w.entries[1] });
        w.entries[c.manualIndex]->SetQuantity(c.manualQty);
        ledger.remove(w.current());
        EXPECT_EQ(w.quantities(), c.afterRemove);
    }
}

TEST(ExtraSetLedger, TwoSetsComeOffOneAtATimeAndRemovedEntriesAreSkipped)
{
    ExtraSetWorld w { 1, 1 };
    TExtraSetLedger ledger;
    ledger.add(w.current());
    ledger.add(w.current());
    EXPECT_EQ(w.quantities(), (std::vector<int> { 3, 3 }));
    EXPECT_EQ(ledger.count(), 4);
    ledger.remove(w.current());
    EXPECT_EQ(w.quantities(), (std::vector<int> { 2, 2 }));
    // The second entry leaves the product: the last set skips it.
    QList<TImageTirageData*> onlyFirst { w.entries[0] };
    EXPECT_EQ(ledger.remove(onlyFirst), 1);
    EXPECT_EQ(w.entries[0]->Quantity(), 1);
    EXPECT_EQ(w.entries[1]->Quantity(), 2);
}
