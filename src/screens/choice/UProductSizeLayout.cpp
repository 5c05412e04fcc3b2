#include "UProductSizeLayout.h"

#include "UTools.h"

#include <algorithm>
#include <cmath>

TSizePageRange TProductSizeLayout::pageRange(int pageNo, int perPage, int count)
{
    TSizePageRange r;
    if (pageNo < 1 || perPage < 1 || count < 1)
        return r;
    r.first = (pageNo - 1) * perPage;
    r.last = std::min(r.first + perPage - 1, count - 1);
    return r;
}

TSizeLayoutResult TProductSizeLayout::horizontal(const QSizeF& page, const std::vector<QSize>& sizes, int perPage,
                                                 float ext)
{
    TSizeLayoutResult res;
    const float availW = float(page.width()) - float(perPage + 2) * HorzGap;
    float availH = float(page.height());
    float sumX = 0;
    float maxY = PhoneHeight;
    for (const QSize& s : sizes) {
        sumX += float(s.width());
        maxY = std::max(maxY, float(s.height()));
    }
    if (sumX == 0)
        return res;
    availH -= ext;
    // A short last page keeps about the scale of a full page of three.
    if (sizes.size() == 2)
        sumX = std::nearbyint(sumX * 1.5f);
    else if (sizes.size() == 1)
        sumX = sumX * 3;
    sumX += PhoneWidth;
    const float gap = maxY / 12;
    const float scale = std::min(availH / (gap + maxY), availW / sumX);
    const float left = availW - sumX * scale > 0 ? (availW - sumX * scale - gap * scale) / 2 + gap * scale : 0;
    const float top = availH - maxY * scale > 0 ? (availH - maxY * scale) / 2 : 0;
    const float baseline = top + maxY * scale;

    float x = left + HorzGap;
    const float phoneW = PhoneWidth * scale;
    const float phoneH = PhoneHeight * scale;
    res.phone = QRectF(x, baseline - phoneH, phoneW, phoneH);
    x += phoneW + HorzGap;
    for (const QSize& s : sizes) {
        const float w = float(s.width()) * scale;
        const float h = float(s.height()) * scale + ext;
        // The picture stands on the baseline; its texts hang below it.
        res.buttons.emplace_back(x, baseline - h + ext, w, h);
        x += w + HorzGap;
    }
    res.placed = true;
    res.scale = scale;
    return res;
}

TSizeLayoutResult TProductSizeLayout::verticalFit(const QSizeF& page, const std::vector<QSize>& sizes, int perPage,
                                                  float ext)
{
    TSizeLayoutResult res;
    if (sizes.empty() || perPage < 1)
        return res;
    const float wp = float(page.width());
    const float availH = float(page.height()) - float(perPage) * ext - float(perPage + 1) * VertMargin;
    const float availW = wp - 2 * VertMargin;
    float rowH = availH / float(perPage);
    if (int(sizes.size()) < perPage)
        rowH = rowH * 1.5f;
    float y = VertMargin;
    for (const QSize& s : sizes) {
        float w = availW;
        float h = rowH;
        TImageTools::AspectRatioSizeCoerceF(w, h, float(s.width()), float(s.height()));
        res.buttons.emplace_back((wp - w) / 2, y + (rowH - h) / 2, w, h + ext);
        y += rowH + ext + VertMargin;
    }
    res.placed = true;
    return res;
}

QSize TProductSizeLayout::themeGridShape(int perPage, bool vertical)
{
    if (vertical)
        return QSize(1, std::max(perPage, 1));
    return QSize(std::max((perPage + 1) / 2, 1), 2);
}

TSizeLayoutResult TProductSizeLayout::themeGrid(const QSizeF& page, int pageNo, int perPage, bool vertical,
                                                const QSize& size0, int count, float ext)
{
    TSizeLayoutResult res;
    if (count < 1 || pageNo < 1 || size0.width() <= 0 || size0.height() <= 0)
        return res;
    const QSize shape = themeGridShape(perPage, vertical);
    const int cols = shape.width();
    const int rows = shape.height();
    const int first = (pageNo - 1) * rows * cols;
    const int last = std::min(pageNo * rows * cols - 1, count - 1);
    if (last < first)
        return res;
    const float wp = float(page.width());
    const float hp = float(page.height());
    const float x0 = float(size0.width());
    const float y0 = float(size0.height());
    const float scale = std::min((wp - float(cols + 1) * HorzGap) / float(cols) / x0,
                                 (hp - float(rows + 1) * HorzGap - ext * float(rows)) / float(rows) / y0);
    const float l = (wp - float(cols + 1) * HorzGap - x0 * scale * float(cols)) / 2;
    const float t = (hp - float(rows + 1) * HorzGap - (y0 * scale + ext) * float(rows)) / 2;
    const float w = x0 * scale;
    const float h = y0 * scale + ext;
    for (int i = first; i <= last; ++i) {
        const int row = (i - first) / cols;
        const int col = (i - first) % cols;
        res.buttons.emplace_back(l + HorzGap + float(col) * (HorzGap + w), t + HorzGap + float(row) * (HorzGap + h), w,
                                 h);
    }
    res.placed = true;
    res.scale = scale;
    return res;
}
