#include "UTileLayout.h"

#include <algorithm>
#include <cmath>

TTileLayoutResult TileLayoutCompute(const TTileLayoutInput& in)
{
    TTileLayoutResult out;
    const int n = in.count;
    if (n <= 0 || in.design.width() <= 0 || in.design.height() <= 0)
        return out;
    const double W = in.area.width();
    const double H = in.area.height();
    const double mv = in.marginVert;
    const double add = in.addHeight;
    const double used = in.heightUsed;
    const double bw = in.design.width();
    const double bh = in.design.height();

    double c = in.marginHorz;
    if (in.marginHorzDiv != 0 && W / in.marginHorzDiv >= in.marginHorz)
        c = std::min<double>(W / in.marginHorzDiv, in.marginHorzMax);

    int p = int(std::nearbyint((W - c) / (bw + c))); // halves to even
    p = std::max(1, std::min(p, in.perRowMax));
    int pmax = in.perRowMax;

    double w = 0;
    double h = 0;
    int r = 1;
    double L = 0;
    double N = 0;
    double S = 0;
    double container = 0;
    bool shrunk = false;
    bool sized = false;
    for (;;) {
        if (!sized) {
            // Width and height for p tiles per row.
            w = (W - c * (p + 1)) / p;
            if (in.widthMax > 0 && w > in.widthMax) {
                w = in.widthMax;
            } else if (!in.popup && in.widthMin > 0 && w < in.widthMin && p > 1) {
                --p;
                pmax = p;
                continue;
            }
            h = bh / bw * w;
        }
        sized = false;
        r = std::max(1, (n + p - 1) / p);
        L = W - (c + p * (w + c));
        N = mv + r * (h + add + mv);
        if (std::trunc(H - used) >= std::trunc(N)) {
            container = H - used;
            S = std::max(0.0, H - N - used);
            break;
        }
        if (1 < p && p < (in.popup ? in.perRowMax : pmax)) {
            ++p;
            continue;
        }
        if (p >= 3 && !shrunk) {
            // Smaller tiles of the same aspect: the rows share the height
            // left, each tile losing the extra height once.
            const double hh = (H - used - mv) / r - mv - add;
            if (hh >= in.heightMin) {
                h = hh;
                w = bw / bh * h;
                shrunk = true;
                sized = true;
                continue;
            }
        }
        container = N;
        S = 0;
        break;
    }

    const double g = c + L / (p + 1);
    const double v = mv + S / (r + 1);
    out.margin = float(c);
    out.perRow = p;
    out.rows = r;
    out.tile = QSizeF(w, h);
    out.containerHeight = float(container);
    out.rects.reserve(size_t(n));
    for (int i = 1; i <= r; ++i) {
        const bool lastShort = i == r && p * r > n;
        const double o = lastShort ? (p * r - n) * (w + g) / 2 : 0;
        for (int k = 1; k <= p; ++k) {
            const int index = (i - 1) * p + k;
            if (index > n)
                break;
            out.rects.emplace_back(g + o + (k - 1) * (w + g), v + (i - 1) * (h + add + v), w, h + add);
        }
    }
    return out;
}
