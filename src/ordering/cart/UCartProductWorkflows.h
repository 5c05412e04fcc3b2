#pragma once
// What the cart needs of the product workflows of the current customer:
// re-opening a product of the order in its own workflow, dropping a
// family's choices before a new product, and the lowest price a family
// starts from. The workflow data live in the product-data layer, which
// installs these hooks; without them the cart still opens the steps and
// shows no "From" price.
#include "IMainFrame.h"
#include "UMainFrameTypes.h"
#include "UProductPrice.h"

#include <functional>
#include <optional>

class TProduct;

struct TCartProductWorkflows {
    // Makes product the one its workflow edits (the workflow's data object
    // is new): the print workflow's current print product, the calendar
    // workflow's calendar with its calendar type, the photo-book workflow's
    // book, the card workflow's card with its mode.
    std::function<void(IMainFrame* main, TProduct* product)> editProduct;
    // Drops the family's data object and the photo source's, before a new
    // product of that family; designer prints and cards share theirs, whose
    // mode the hook sets.
    std::function<void(IMainFrame* main, TProductVisibilityType family)> startFamily;
    // The lowest price of the family's products, when it has one.
    std::function<std::optional<TProductPrice>(IMainFrame* main, TProductVisibilityType family)> minPrice;
};

TCartProductWorkflows& CartProductWorkflows();
