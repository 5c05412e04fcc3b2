#pragma once
// Where the buttons of a size page go. Each size button carries a picture
// of the format drawn to scale (x, y in millimetre-like units); all the
// pictures of one page share one scale so that the customer compares sizes
// at a glance. Wide designs put a phone outline first (58 x 123, a familiar
// object) and stand every picture on its baseline; the narrow design fits
// one picture per row. The photo-book theme page lays open double pages in
// a grid. Plain arithmetic in single precision, tested with tables.
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <vector>

// The buttons of page pageNo (from 1): indexes first..last of the sorted
// button list; empty (last < first) past the end.
struct TSizePageRange {
    int first = 0;
    int last = -1;
    int count() const { return last >= first ? last - first + 1 : 0; }
};

struct TSizeLayoutResult {
    bool placed = false;          // false: nothing is placed (no picture width)
    QRectF phone;                 // the phone outline (horizontal layout only)
    std::vector<QRectF> buttons;  // one per button of the page, in order
    float scale = 0;
};

class TProductSizeLayout {
public:
    TProductSizeLayout() = delete;

    // The phone outline, in the units of the size pictures.
    static constexpr float PhoneWidth = 58;
    static constexpr float PhoneHeight = 123;
    // Gap between pictures in the horizontal layout, margins in the
    // vertical one, gap between theme tiles.
    static constexpr float HorzGap = 35;
    static constexpr float VertMargin = 10;

    static TSizePageRange pageRange(int pageNo, int perPage, int count);

    // Pictures side by side on one baseline, the phone first. sizes: x, y
    // of the page's buttons; ext: the height a button needs below its
    // picture for its texts.
    static TSizeLayoutResult horizontal(const QSizeF& page, const std::vector<QSize>& sizes, int perPage, float ext);

    // One row per button, each picture fitted to its row and centred.
    static TSizeLayoutResult verticalFit(const QSizeF& page, const std::vector<QSize>& sizes, int perPage,
                                         float ext);

    // Grid of equal theme tiles (open double pages of size0): one column
    // of perPage rows on a vertical page, two rows otherwise. Answers the
    // rectangles of the tiles of page pageNo (count tiles in all).
    static TSizeLayoutResult themeGrid(const QSizeF& page, int pageNo, int perPage, bool vertical, const QSize& size0,
                                       int count, float ext);
    // Columns and rows of that grid.
    static QSize themeGridShape(int perPage, bool vertical);
};
