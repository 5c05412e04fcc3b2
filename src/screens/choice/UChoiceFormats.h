#pragma once
// The workflow data hand their format lists over as counted lists; the
// choice logic walks plain vectors of the same records.
#include "UIArcList.h"

#include <vector>

template <class T>
std::vector<T> ChoiceListToVector(const IArcList<T>& list)
{
    std::vector<T> items;
    if (!list)
        return items;
    items.reserve(size_t(list->GetCount()));
    for (int i = 0; i < list->GetCount(); ++i)
        items.push_back(list->GetItem(i));
    return items;
}

#include "IMainFrame.h"
#include "UAppExceptions.h"

class TPrintOrder;

// The order a choice writes into; a window without a current order refuses
// the choice with a message naming the screen rather than failing later.
inline TPrintOrder& ChoiceOrder(IMainFrame* main, const QString& who)
{
    TPrintOrder* order = main ? main->GetOrder() : nullptr;
    if (!order)
        throw Exception(who + QStringLiteral(": no current order"));
    return *order;
}
