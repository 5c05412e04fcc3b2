#include "UTileLayout.h"

#include <gtest/gtest.h>

namespace {

TTileLayoutInput input(QSizeF area, int n, QSizeF design = { 250, 200 })
{
    TTileLayoutInput in;
    in.area = area;
    in.count = n;
    in.design = design;
    return in;
}

TEST(TileLayout, TableOfAreas)
{
    struct Case {
        const char* name;
        TTileLayoutInput in;
        float c;
        int p;
        int r;
        double w;
        double h;
        float container;
    };
    const double w3 = (1024 - 204.8) / 3;
    TTileLayoutInput low = input({ 1024, 400 }, 6);
    TTileLayoutInput lower = input({ 1024, 250 }, 6);
    TTileLayoutInput popup = input({ 300, 768 }, 3, { 100, 80 });
    popup.popup = true;
    const std::vector<Case> cases = {
        // c = 1024 / 20; p = round(972.8 / 301.2) = 3; one row fits.
        { "1024x768 three tiles", input({ 1024, 768 }, 3), 51.2f, 3, 1, w3, w3 * 0.8, 768 },
        { "five tiles, two rows", input({ 1024, 768 }, 5), 51.2f, 3, 2, w3, w3 * 0.8, 768 },
        // Narrow: 2 per row would be 120 wide, under 150: 1 per row.
        { "narrow step", input({ 300, 2000 }, 3, { 100, 80 }), 20, 1, 3, 260, 208, 2000 },
        // A popup keeps 2 per row even under the least width.
        { "narrow popup", popup, 20, 2, 2, 120, 96, 768 },
        // Too low for two rows of 3: the tiles shrink to fit the height.
        { "shrunk to fit", low, 51.2f, 3, 2, (400 - 20) / 2.0 - 20 + 0.0, 0, 400 },
        // Lower still: smaller tiles would be under 100 high, the tiles scroll.
        { "scrolls", lower, 51.2f, 3, 2, w3, w3 * 0.8, float(20 + 2 * (w3 * 0.8 + 20)) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TTileLayoutResult r = TileLayoutCompute(c.in);
        EXPECT_FLOAT_EQ(r.margin, c.c);
        EXPECT_EQ(r.perRow, c.p);
        EXPECT_EQ(r.rows, c.r);
        if (std::string(c.name) == "shrunk to fit") {
            // h := (H - mv) / r - mv, w keeps the aspect.
            EXPECT_NEAR(r.tile.height(), 170, 1e-3);
            EXPECT_NEAR(r.tile.width(), 170 * 1.25, 1e-3);
        } else {
            EXPECT_NEAR(r.tile.width(), c.w, 1e-3);
            EXPECT_NEAR(r.tile.height(), c.h, 1e-3);
        }
        EXPECT_NEAR(r.containerHeight, c.container, 1e-3);
        EXPECT_EQ(int(r.rects.size()), c.in.count);
    }
}

TEST(TileLayout, OneRowIsCentredVerticallyAndFillsTheWidth)
{
    const TTileLayoutResult r = TileLayoutCompute(input({ 1024, 768 }, 3));
    const double w = (1024 - 204.8) / 3;
    const double h = w * 0.8;
    const double v = 20 + (768 - (20 + h + 20)) / 2;
    ASSERT_EQ(r.rects.size(), 3u);
    EXPECT_NEAR(r.rects[0].left(), 51.2, 1e-3);
    EXPECT_NEAR(r.rects[1].left(), 51.2 * 2 + w, 1e-3);
    EXPECT_NEAR(r.rects[2].right(), 1024 - 51.2, 1e-3);
    for (const QRectF& rect : r.rects)
        EXPECT_NEAR(rect.top(), v, 1e-3);
}

TEST(TileLayout, AShortLastRowIsCentred)
{
    const TTileLayoutResult r = TileLayoutCompute(input({ 1024, 768 }, 5));
    ASSERT_EQ(r.rects.size(), 5u);
    const double w = r.tile.width();
    const double g = 51.2;
    // Second row: two tiles shifted by (3 * 2 - 5) * (w + g) / 2.
    EXPECT_NEAR(r.rects[3].left(), g + (w + g) / 2, 1e-3);
    EXPECT_NEAR(r.rects[4].left(), g + (w + g) / 2 + w + g, 1e-3);
    EXPECT_NEAR(r.rects[3].center().x(), 1024 / 2.0 - (w + g) / 2, 1e-3);
    EXPECT_GT(r.rects[3].top(), r.rects[0].bottom());
}

TEST(TileLayout, ExtraCaptionHeightIsSubtractedOncePerTileWhenShrinking)
{
    TTileLayoutInput in = input({ 1024, 500 }, 6);
    in.addHeight = 30;
    const TTileLayoutResult r = TileLayoutCompute(in);
    EXPECT_EQ(r.rows, 2);
    // (500 - 20) / 2 - 20 - 30 = 190: both rows and their captions fill
    // the height exactly.
    EXPECT_NEAR(r.tile.height(), 190, 1e-3);
    EXPECT_NEAR(r.rects.back().bottom(), 500 - 20, 1e-3);
    EXPECT_NEAR(r.rects[0].height(), 220, 1e-3);
    EXPECT_FLOAT_EQ(r.containerHeight, 500);
}

TEST(TileLayout, NothingToPlace)
{
    EXPECT_TRUE(TileLayoutCompute(input({ 1024, 768 }, 0)).rects.empty());
    EXPECT_TRUE(TileLayoutCompute(input({ 1024, 768 }, 3, { 0, 0 })).rects.empty());
}

} // namespace
