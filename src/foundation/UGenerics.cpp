#include "UGenerics.h"

#include "UAppExceptions.h"

namespace GenericsDetail {

void RaiseArgumentOutOfRange()
{
    throw EArgumentOutOfRangeException();
}

void RaiseNoDefaultOrder()
{
    // A record type without operator< that cannot be compared byte-wise
    // either (it holds strings or other owning members).
    throw Exception(QStringLiteral("TComparer<T>.Default: T has no default order"));
}

} // namespace GenericsDetail
