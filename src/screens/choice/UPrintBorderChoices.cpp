#include "UPrintBorderChoices.h"

#include "UAppExceptions.h"
#include "UPrintOrder.h"
#include "UTirageProduct.h"

std::vector<bool> TPrintBorderChoices::borders(const std::vector<Tirage2*>& formats)
{
    std::vector<bool> result;
    bool with = false;
    bool without = false;
    for (Tirage2* f : formats) {
        if (!f)
            continue;
        if (f->AvecMarges() && !with) {
            with = true;
            result.push_back(true);
        } else if (!f->AvecMarges() && !without) {
            without = true;
            result.push_back(false);
        }
        if (with && without)
            break;
    }
    return result;
}

Tirage2* TPrintBorderChoices::formatFor(const std::vector<Tirage2*>& formats, bool border)
{
    for (Tirage2* f : formats)
        if (f && f->AvecMarges() == border)
            return f;
    return nullptr;
}

TTirageProduct* TPrintBorderChoices::productFor(TPrintOrder& order, const std::vector<Tirage2*>& formats, bool border)
{
    Tirage2* f = formatFor(formats, border);
    if (!f)
        throw Exception(QStringLiteral("TCtrlProductChoicePrintBorder: No product found"));
    if (TTirageProduct* p = order.TirageProductFind(f))
        return p;
    return order.TirageProductAdd(f, 1);
}

bool TPrintBorderChoices::frontPrintNext(bool frontPrintActivated, TTirageProduct* product)
{
    if (!frontPrintActivated)
        return false;
    return !(product && product->IsDirectPrint());
}
