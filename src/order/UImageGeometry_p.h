#pragma once
// Aspect-ratio sizing used by the placement and rendering code.
#include <QSizeF>

namespace imagegeometry {

// Largest size with the ratio ref.width : ref.height inside size (the side
// that is too long is cut). Sizes without area are returned unchanged.
inline QSizeF AspectRatioSizeCoerce(QSizeF size, QSizeF ref)
{
    if (ref.width() <= 0 || ref.height() <= 0 || size.width() <= 0 || size.height() <= 0)
        return size;
    if (size.width() * ref.height() > size.height() * ref.width())
        size.setWidth(size.height() * ref.width() / ref.height());
    else
        size.setHeight(size.width() * ref.height() / ref.width());
    return size;
}

// Smallest size with the ratio ref.width : ref.height containing size.
inline QSizeF AspectRatioSizeCoerceMin(QSizeF size, QSizeF ref)
{
    if (ref.width() <= 0 || ref.height() <= 0 || size.width() <= 0 || size.height() <= 0)
        return size;
    if (size.width() * ref.height() > size.height() * ref.width())
        size.setHeight(size.width() * ref.height() / ref.width());
    else
        size.setWidth(size.height() * ref.width() / ref.height());
    return size;
}

} // namespace imagegeometry
