#include "UIArcList.h"

#include "UAppExceptions.h"

namespace ArcListDetail {

// The texts keep the letter T whatever the element type is.

void RaiseClearAndFreeNotClass()
{
    throw Exception(QStringLiteral("TArcList<T>.ClearAndFree: T must be a class"));
}

void RaiseGetCurrentNotClass()
{
    throw Exception(QStringLiteral("TArcEnumerator<T>.GetCurrent: T must be a class"));
}

void RaiseNoKeyComparer()
{
    throw Exception(QStringLiteral("TArcList<T>.BinarySearchKey: no comparer"));
}

} // namespace ArcListDetail
