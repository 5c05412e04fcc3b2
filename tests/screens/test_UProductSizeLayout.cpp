#include "choice/UProductSizeLayout.h"

#include <gtest/gtest.h>

#include <array>

namespace {

constexpr double kEps = 0.01;

void expectRect(const QRectF& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, kEps);
    EXPECT_NEAR(r.y(), y, kEps);
    EXPECT_NEAR(r.width(), w, kEps);
    EXPECT_NEAR(r.height(), h, kEps);
}

TEST(ProductSizeLayout, PageRanges)
{
    struct Case {
        const char* name;
        int pageNo, perPage, count, first, last;
    };
    const Case cases[] = {
        { "full first page", 1, 3, 7, 0, 2 },
        { "short last page", 3, 3, 7, 6, 6 },
        { "past the end", 4, 3, 7, 9, 6 },
        { "no buttons", 1, 3, 0, 0, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TSizePageRange r = TProductSizeLayout::pageRange(c.pageNo, c.perPage, c.count);
        EXPECT_EQ(r.first, c.first);
        EXPECT_EQ(r.last, c.last);
    }
}

// Pictures of one page share a scale and stand on the phone's baseline;
// their texts (ext) hang below it.
TEST(ProductSizeLayout, HorizontalStandsOnTheBaseline)
{
    // 1000 x 400, three a page, texts 40 high: availW 825, availH 360,
    // maxY 300, sumX 430 + 58, gap 25, scale = 360 / 325.
    const std::vector<QSize> sizes = { { 100, 150 }, { 130, 180 }, { 200, 300 } };
    const TSizeLayoutResult r = TProductSizeLayout::horizontal({ 1000, 400 }, sizes, 3, 40);
    ASSERT_TRUE(r.placed);
    ASSERT_EQ(r.buttons.size(), 3u);
    const double scale = 360.0 / 325.0;
    EXPECT_NEAR(r.scale, scale, 1e-5);
    const double top = (360 - 300 * scale) / 2;
    const double baseline = top + 300 * scale;
    const double left = (825 - 488 * scale - 25 * scale) / 2 + 25 * scale;
    expectRect(r.phone, left + 35, baseline - 123 * scale, 58 * scale, 123 * scale);
    double x = left + 35 + 58 * scale + 35;
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(i);
        expectRect(r.buttons[i], x, baseline - sizes[i].height() * scale, sizes[i].width() * scale,
                   sizes[i].height() * scale + 40);
        x += sizes[i].width() * scale + 35;
    }
}

TEST(ProductSizeLayout, ShortPagesKeepTheScaleOfAFullPage)
{
    const QSize s(100, 150);
    const float full = TProductSizeLayout::horizontal({ 1000, 400 }, { s, s, s }, 3, 0).scale;
    struct Case {
        const char* name;
        std::vector<QSize> sizes;
    };
    const Case cases[] = {
        { "two buttons count one and a half", { s, s } },
        { "one button counts three times", { s } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TSizeLayoutResult r = TProductSizeLayout::horizontal({ 1000, 400 }, c.sizes, 3, 0);
        ASSERT_TRUE(r.placed);
        EXPECT_NEAR(r.scale, full, 1e-5);
        EXPECT_NEAR(r.buttons[0].width(), 100 * full, kEps);
    }
}

TEST(ProductSizeLayout, TallFormatShrinksThePageTogether)
{
    // A wide page: the height sets the scale.
    const TSizeLayoutResult low = TProductSizeLayout::horizontal({ 3000, 400 }, { { 100, 100 }, { 100, 120 } }, 3, 0);
    const TSizeLayoutResult tall = TProductSizeLayout::horizontal({ 3000, 400 }, { { 100, 100 }, { 100, 400 } }, 3, 0);
    ASSERT_TRUE(low.placed);
    ASSERT_TRUE(tall.placed);
    // Below the phone's height the phone sets maxY; above it the format does.
    EXPECT_NEAR(low.scale, 400.0 / (123 + 123.0 / 12), 1e-4);
    EXPECT_NEAR(tall.scale, 400.0 / (400 + 400.0 / 12), 1e-4);
    EXPECT_NEAR(tall.buttons[0].bottom(), tall.buttons[1].bottom(), kEps);
    EXPECT_NEAR(tall.phone.bottom(), tall.buttons[0].bottom(), kEps);
}

TEST(ProductSizeLayout, NoPictureWidthPlacesNothing)
{
    const TSizeLayoutResult r = TProductSizeLayout::horizontal({ 1000, 400 }, { { 0, 100 }, { 0, 200 } }, 3, 0);
    EXPECT_FALSE(r.placed);
    EXPECT_TRUE(r.buttons.empty());
    EXPECT_FALSE(TProductSizeLayout::horizontal({ 1000, 400 }, {}, 3, 0).placed);
}

TEST(ProductSizeLayout, VerticalFitsEachPictureInItsRow)
{
    // 400 x 1000, two a page, texts 50: availH 870, availW 380, rowH 435.
    struct Case {
        const char* name;
        std::vector<QSize> sizes;
        std::vector<std::array<double, 4>> rects;
    };
    const double wideH = 380.0 * 100 / 300;
    const Case cases[] = {
        { "tall picture fills the row height, wide one the width",
          { { 100, 150 }, { 300, 100 } },
          { { { 55, 10, 290, 435 + 50 } }, { { 10, 505 + (435 - wideH) / 2, 380, wideH + 50 } } } },
        // A page with fewer buttons than it holds gives them taller rows.
        // rowH 652.5: the picture is held by the width (380 x 570).
        { "short page", { { 100, 150 } }, { { { 10, 10 + (652.5 - 570) / 2, 380, 570 + 50 } } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TSizeLayoutResult r = TProductSizeLayout::verticalFit({ 400, 1000 }, c.sizes, 2, 50);
        ASSERT_EQ(r.buttons.size(), c.rects.size());
        for (size_t i = 0; i < c.rects.size(); ++i)
            expectRect(r.buttons[i], c.rects[i][0], c.rects[i][1], c.rects[i][2], c.rects[i][3]);
    }
    EXPECT_FALSE(TProductSizeLayout::verticalFit({ 400, 1000 }, {}, 2, 50).placed);
}

TEST(ProductSizeLayout, ThemeGridShapes)
{
    EXPECT_EQ(TProductSizeLayout::themeGridShape(6, false), QSize(3, 2));
    EXPECT_EQ(TProductSizeLayout::themeGridShape(5, false), QSize(3, 2));
    EXPECT_EQ(TProductSizeLayout::themeGridShape(2, true), QSize(1, 2));
}

TEST(ProductSizeLayout, ThemeGridPlacesDoublePages)
{
    // 1200 x 700, 6 a page: 3 columns, 2 rows; double page 400 x 200,
    // texts 30. scale = min(1060 / 3 / 400, 535 / 2 / 200).
    const double scale = 1060.0 / 3 / 400;
    const double w = 400 * scale;
    const double h = 200 * scale + 30;
    const double t = (700 - 105 - h * 2) / 2;
    struct Case {
        const char* name;
        int pageNo;
        int count;
        size_t tiles;
    };
    const Case cases[] = {
        { "full first page", 1, 10, 6 },
        { "last page of four: one full row and the first of the next", 2, 10, 4 },
        { "past the end", 3, 10, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TSizeLayoutResult r = TProductSizeLayout::themeGrid({ 1200, 700 }, c.pageNo, 6, false, { 400, 200 },
                                                                  c.count, 30);
        ASSERT_EQ(r.buttons.size(), c.tiles);
        if (c.tiles == 0)
            continue;
        EXPECT_NEAR(r.scale, scale, 1e-5);
        expectRect(r.buttons[0], 35, t + 35, w, h);
        expectRect(r.buttons[1], 35 + 35 + w, t + 35, w, h);
        expectRect(r.buttons[3], 35, t + 35 + 35 + h, w, h);
    }
}

} // namespace
