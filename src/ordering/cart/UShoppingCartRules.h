#pragma once
// The arithmetic and rules of the cart, apart from its widgets: the copy
// count range, the availability and price of the order options, the steps
// that follow the cart, the heights and scales of its layouts, the
// thumbnail strip of a line, the click-versus-drag test and the record of
// extra sets of prints.
#include "IMainFrame.h"
#include "UMainFrameTypes.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <vector>

class TImageTirageData;

// The options of an order shown as cart lines.
enum TShoppingCartOptions : int { sco_cd = 0, sco_index = 1 };

class TShoppingCartRules {
public:
    TShoppingCartRules() = delete;

    static constexpr int MaxCopyCount = 9999;

    // EUser "Minimum value is 0" / "Maximum value is 9999" outside the range.
    static void copyCountCheck(qint64 value);

    // What decides whether an option can be taken.
    struct TOptionFacts {
        bool hasLabPrint = false;
        TZebdesign design = zebd_kiosk;
        double prixCd = 0;
        double prixIndex = 0;
        bool cdBurnOnKiosk = false;
        bool cdBurningAvailable = false;
    };
    // Any option but sco_cd and sco_index raises EToDo.
    static bool optionAvailable(TShoppingCartOptions option, const TOptionFacts& facts);
    // The option's price as money (the lab's amount on the fixed-point grid).
    static Currency optionPrice(TShoppingCartOptions option, double prixCd, double prixIndex);

    // The checkout steps after the cart.
    struct TCheckoutFacts {
        bool readyToPrint = false;
        bool kiosk = false;
        bool onlyDirectPrint = false;
        double prixExpress = 0;
        quint8 connectionMode = 0;
        bool showNameRef = false;
        bool showTel = false;
    };
    struct TCheckoutSteps {
        // The step after the cart is reachable (else the cart is the last).
        bool nextReachable = false;
        bool expressVisible = false;
        bool customerDetailsVisible = false;
    };
    static TCheckoutSteps checkoutSteps(const TCheckoutFacts& facts);

    // Height of the cart's content: each product line with its top margin,
    // then each option line with its top margin.
    static int contentHeight(int productLines, int optionLines, bool mobile);
    // Scale of the bottom bar for a step area of w x h.
    static float bottomScale(float w, float h, bool mobile, bool hasCrossSelling);
    // Scale of the cross-selling tiles (140 x 150, gap 10) in a panel of
    // w x h; 1 when no tile is visible, never negative.
    static float crossSellingScale(float w, float h, int visibleTiles);

    // Where the thumbnails of a line go in a strip of W x H: prints and
    // designed pages side by side with a gap of 10; photo-book pages as a
    // lone cover followed by pairs of facing pages. itemW x itemH is the
    // size of one item in any unit; only the items that fit are placed.
    enum class TStripKind { Print, Pages, Book };
    static std::vector<QRectF> stripLayout(TStripKind kind, int W, int H, double itemW, double itemH, int entries);
};

// Click or drag on a line's thumbnails: the pointer's path length since it
// went down, counted until it passes 10 units.
class TClickTracker {
public:
    static constexpr double MaxClickOffset = 10;
    void press(const QPointF& pt);
    void move(const QPointF& pt);
    // True when the gesture was a click, not a scroll of the cart.
    bool isClick() const { return fOffset <= MaxClickOffset; }
    double offset() const { return fOffset; }

private:
    double fOffset = 0;
    QPointF fLast;
};

// The extra sets of prints a cart line added, so that removing one takes
// back exactly the copies it added and never those the customer set.
class TExtraSetLedger {
public:
    // One more copy of every entry below the maximum; returns the number of
    // entries increased (nothing is recorded when none was).
    int add(const QList<TImageTirageData*>& entries);
    // Takes back the last set: one copy of each entry it increased that is
    // still among current and has at least 2 copies; returns the number of
    // entries decreased.
    int remove(const QList<TImageTirageData*>& current);
    // Entries increased by the sets still recorded.
    int count() const;
    bool canRemove() const { return !fSets.empty(); }

private:
    std::vector<std::vector<TImageTirageData*>> fSets;
};
