#pragma once
// Aspect-ratio sizing of the placement and rendering code on Qt sizes.
#include "UTools.h"

#include <QSizeF>

namespace imagegeometry {

// Largest size with the ratio ref.width : ref.height inside size. Sizes
// without area are returned unchanged (the ratio would divide by zero).
inline QSizeF AspectRatioSizeCoerce(QSizeF size, QSizeF ref)
{
    if (ref.width() <= 0 || ref.height() <= 0 || size.width() <= 0 || size.height() <= 0)
        return size;
    float w = float(size.width());
    float h = float(size.height());
    TImageTools::AspectRatioSizeCoerceF(w, h, float(ref.width()), float(ref.height()));
    return QSizeF(w, h);
}

// Smallest size with the ratio ref.width : ref.height containing size.
inline QSizeF AspectRatioSizeCoerceMin(QSizeF size, QSizeF ref)
{
    if (ref.width() <= 0 || ref.height() <= 0 || size.width() <= 0 || size.height() <= 0)
        return size;
    float w = float(size.width());
    float h = float(size.height());
    TImageTools::AspectRatioSizeCoerceMinF(w, h, float(ref.width()), float(ref.height()));
    return QSizeF(w, h);
}

} // namespace imagegeometry
