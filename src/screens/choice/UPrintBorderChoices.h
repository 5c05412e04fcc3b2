#pragma once
// The print border step: which of "with border" and "without border" the
// open formats actually have (in the order the two kinds first appear), and
// the order product a border choice stands for: the print product of the
// first open format with that border, found in the order or added to it, so
// that choosing the same format twice leaves one product.
#include <vector>

class Tirage2;
class TPrintOrder;
class TTirageProduct;

class TPrintBorderChoices {
public:
    TPrintBorderChoices() = delete;

    // true for "with border"; at most two entries.
    static std::vector<bool> borders(const std::vector<Tirage2*>& formats);
    // The first format whose margins equal border, null when none.
    static Tirage2* formatFor(const std::vector<Tirage2*>& formats, bool border);
    // The order's print product of that format, added (quantity 1) when the
    // order has none. Raises "TCtrlProductChoicePrintBorder: No product
    // found" when no format has that border; the order is then unchanged.
    static TTirageProduct* productFor(TPrintOrder& order, const std::vector<Tirage2*>& formats, bool border);
    // After the border: the front-print step only when the shop prints
    // dates on the front and the product is not printed on the kiosk's own
    // printer.
    static bool frontPrintNext(bool frontPrintActivated, TTirageProduct* product);
};
