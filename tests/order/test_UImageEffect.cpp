// Pixel filters: per-pixel tables, format checks and the oil painting golden.
#include "UAppExceptions.h"
#include "UImageEffect.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QImage>
#include <array>
#include <functional>
#include <random>

namespace {

using Bytes = std::array<uint8_t, 4>;

QImage onePixel(QImage::Format format, Bytes b)
{
    QImage img(1, 1, format);
    std::copy(b.begin(), b.end(), img.bits());
    return img;
}

Bytes pixelBytes(const QImage& img, int x = 0, int y = 0)
{
    const uint8_t* p = img.constScanLine(y) + 4 * x;
    return { p[0], p[1], p[2], p[3] };
}

struct FilterCase {
    const char* name;
    QImage::Format format;
    Bytes in;
    std::function<void(QImage&)> filter;
    Bytes expected;
};

} // namespace

TEST(TImageEffect, PixelTable)
{
    const auto sepia = [](QImage& i) { TImageEffect::ConvertToSepia(i, 20, 30); };
    const auto bw = [](QImage& i) { TImageEffect::ConvertToBlackAndWhite(i); };
    const auto bright = [](float r) { return [r](QImage& i) { TImageEffect::ConvertToBrightness(i, r); }; };
    const auto light = [](float r) { return [r](QImage& i) { TImageEffect::ConvertToLightness(i, r); }; };
    const FilterCase cases[] = {
        // Byte order in memory: ARGB32/RGB32 are B, G, R, A; RGBA8888 is R, G, B, A.
        { "sepia BGRA", QImage::Format_ARGB32, { 100, 150, 200, 255 }, sepia, { 130, 180, 210, 255 } },
        { "sepia BGRA transparent pixel untouched", QImage::Format_ARGB32, { 100, 150, 200, 0 }, sepia,
          { 100, 150, 200, 0 } },
        { "sepia RGBA", QImage::Format_RGBA8888, { 200, 150, 100, 255 }, sepia, { 210, 180, 130, 255 } },
        { "sepia BGR has no alpha to test", QImage::Format_RGB32, { 100, 150, 200, 255 }, sepia,
          { 130, 180, 210, 255 } },
        { "sepia of white saturates, blue lowered", QImage::Format_ARGB32, { 255, 255, 255, 255 }, sepia,
          { 235, 255, 255, 255 } },
        { "sepia of black: blue limited to 0", QImage::Format_RGBA8888, { 0, 0, 0, 255 }, sepia, { 60, 30, 0, 255 } },
        { "sepia rounds thirds", QImage::Format_RGBA8888, { 1, 0, 0, 255 }, sepia, { 60, 30, 0, 255 } },
        { "black and white integer mean", QImage::Format_ARGB32, { 10, 20, 31, 77 }, bw, { 20, 20, 20, 77 } },
        { "black and white ignores alpha 0", QImage::Format_ARGB32, { 10, 20, 31, 0 }, bw, { 20, 20, 20, 0 } },
        { "brightness -1 turns black", QImage::Format_ARGB32, { 255, 128, 1, 200 }, bright(-1.0f), { 0, 0, 0, 200 } },
        { "brightness 0.5 adds 128", QImage::Format_ARGB32, { 10, 127, 200, 255 }, bright(0.5f),
          { 138, 255, 255, 255 } },
        { "brightness 0 unchanged", QImage::Format_RGBX8888, { 10, 127, 200, 255 }, bright(0.0f),
          { 10, 127, 200, 255 } },
        { "brightness truncates", QImage::Format_RGB32, { 10, 20, 30, 255 }, bright(0.01f), { 12, 22, 32, 255 } },
        { "lightness 1 turns white", QImage::Format_ARGB32, { 0, 100, 200, 9 }, light(1.0f), { 255, 255, 255, 9 } },
        { "lightness 0 unchanged", QImage::Format_ARGB32, { 0, 100, 200, 9 }, light(0.0f), { 0, 100, 200, 9 } },
        { "lightness 0.5 blends halfway", QImage::Format_ARGB32, { 0, 100, 201, 255 }, light(0.5f),
          { 127, 177, 228, 255 } },
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.name);
        QImage img = onePixel(c.format, c.in);
        c.filter(img);
        EXPECT_EQ(pixelBytes(img), c.expected);
    }
}

TEST(TImageEffect, FormatChecks)
{
    struct Case {
        const char* name;
        QImage::Format format;
        const char* message;
    };
    const Case cases[] = {
        { "3 bytes per pixel", QImage::Format_RGB888,
          "TImageEffect.CheckBitmapFormat: unsupported image format (pixel fmt=Format_RGB888)" },
        { "16-bit RGB", QImage::Format_RGB16,
          "TImageEffect.CheckBitmapFormat: unsupported image format (pixel fmt=Format_RGB16)" },
        { "premultiplied", QImage::Format_ARGB32_Premultiplied,
          "TImageEffect.CheckBitmapFormat: unsupported image format (pixel fmt=Format_ARGB32_Premultiplied)" },
    };
    const std::function<void(QImage&)> filters[] = {
        [](QImage& i) { TImageEffect::ConvertToBlackAndWhite(i); },
        [](QImage& i) { TImageEffect::ConvertToSepia(i, 20, 30); },
        [](QImage& i) { TImageEffect::ConvertToBrightness(i, 0.2f); },
        [](QImage& i) { TImageEffect::ConvertToLightness(i, 0.2f); },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& f : filters) {
            QImage img(3, 3, c.format);
            img.fill(Qt::gray);
            const QImage before = img.copy();
            try {
                f(img);
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
            }
            EXPECT_EQ(img, before);
        }
    }
    // The oil painting filter takes any 4-byte surface but refuses others
    // instead of reading past the rows.
    QImage rgb888(8, 8, QImage::Format_RGB888);
    rgb888.fill(Qt::gray);
    EXPECT_THROW(TImageEffect::ConvertToOilPainting(rgb888, 2, 7), Exception);
}

TEST(TImageEffect, ByteFromSingle)
{
    EXPECT_EQ(TImageEffect::byteFromSingle(-3.7f), 0);
    EXPECT_EQ(TImageEffect::byteFromSingle(12.99f), 12);
    EXPECT_EQ(TImageEffect::byteFromSingle(255.5f), 255);
    EXPECT_EQ(TImageEffect::byteFromSingle(1e9f), 255);
}

TEST(TImageEffect, OilPaintingLeavesSmallPicturesAndBordersUnchanged)
{
    QImage img(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            img.setPixel(x, y, qRgba(x * 60, y * 60, (x + y) * 30, 255));
    const QImage before = img.copy();
    TImageEffect::ConvertToOilPainting(img, 2, 7);
    EXPECT_EQ(img, before);
}

TEST(TImageEffect, OilPaintingMajorityBinAndTieBreak)
{
    // 5 x 5 with radius 2: only the centre pixel is painted. 13 dark pixels
    // (sum 30 -> bin 0) against 12 light ones (sum 600 -> bin 5): the dark
    // bin wins and the centre gets the dark mean.
    QImage img(5, 5, QImage::Format_RGBA8888);
    int n = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x, ++n) {
            uint8_t* p = img.scanLine(y) + 4 * x;
            const bool dark = n % 2 == 0; // 13 of 25
            p[0] = dark ? (n % 4 == 0 ? 9 : 11) : 200;
            p[1] = dark ? 10 : 200;
            p[2] = dark ? 10 : 200;
            p[3] = 255;
        }
    TImageEffect::ConvertToOilPainting(img, 2, 7);
    const uint8_t* c = img.constScanLine(2) + 8;
    // Dark pixels: 7 with 9 and 6 with 11 in channel 0 -> 129 / 13 = 9.
    EXPECT_EQ(c[0], 9);
    EXPECT_EQ(c[1], 10);
    EXPECT_EQ(c[2], 10);
    EXPECT_EQ(c[3], 255);

    // 25 pixels in two bins with equal counts cannot happen; with three bins
    // 10/10/5 the lowest of the tied bins wins.
    QImage tie(5, 5, QImage::Format_RGBA8888);
    n = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x, ++n) {
            uint8_t* p = tie.scanLine(y) + 4 * x;
            const uint8_t v = n < 10 ? 250 : (n < 20 ? 120 : 0);
            p[0] = p[1] = p[2] = v;
            p[3] = 255;
        }
    TImageEffect::ConvertToOilPainting(tie, 2, 7);
    EXPECT_EQ(tie.constScanLine(2)[8], 120);
}

TEST(TImageEffect, OilPaintingGolden)
{
    QImage input(testsupport::dataPath(QStringLiteral("oil_input.png")));
    QImage golden(testsupport::dataPath(QStringLiteral("oil_golden.png")));
    ASSERT_FALSE(input.isNull());
    ASSERT_FALSE(golden.isNull());
    input.convertTo(QImage::Format_ARGB32);
    golden.convertTo(QImage::Format_ARGB32);
    ASSERT_NE(input, golden);
    TImageEffect::ConvertToOilPainting(input, 2, 7);
    for (int y = 0; y < input.height(); ++y)
        for (int x = 0; x < input.width(); ++x)
            ASSERT_EQ(input.pixel(x, y), golden.pixel(x, y)) << "pixel " << x << "," << y;
}

TEST(TImageEffect, OilPaintingMatchesFullClearReference)
{
    // The filter clears only the bins it used; on a random picture it must
    // give what a full clear of the 256 bins per pixel gives.
    std::mt19937 rng(7);
    QImage img(40, 31, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgba(rng() % 256, rng() % 256, rng() % 256, rng() % 256));
    for (int levels : { 7, 20, 255 }) {
        SCOPED_TRACE(levels);
        QImage ref = img.copy();
        const int R = 2;
        for (int y = R; y < ref.height() - R; ++y)
            for (int x = R; x < ref.width() - R; ++x) {
                std::array<int, 256> count{}, s0{}, s1{}, s2{};
                for (int dy = -R; dy <= R; ++dy)
                    for (int dx = -R; dx <= R; ++dx) {
                        const uint8_t* p = ref.constScanLine(y + dy) + 4 * (x + dx);
                        const int bin = std::min(int(std::nearbyint((p[0] + p[1] + p[2]) / 3.0 * levels)) / 255, 255);
                        ++count[bin];
                        s0[bin] += p[0];
                        s1[bin] += p[1];
                        s2[bin] += p[2];
                    }
                int best = 0;
                for (int b = 1; b < 256; ++b)
                    if (count[b] > count[best])
                        best = b;
                uint8_t* t = ref.scanLine(y) + 4 * x;
                t[0] = uint8_t(s0[best] / count[best]);
                t[1] = uint8_t(s1[best] / count[best]);
                t[2] = uint8_t(s2[best] / count[best]);
            }
        QImage out = img.copy();
        TImageEffect::ConvertToOilPainting(out, 2, levels);
        EXPECT_EQ(out, ref);
    }
}
