#include "UImageEffect.h"

#include "UAppExceptions.h"

#include <QMetaEnum>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace {

bool isRedFirst(QImage::Format f)
{
    return f == QImage::Format_RGBA8888 || f == QImage::Format_RGBX8888;
}

bool hasAlpha(QImage::Format f)
{
    return f == QImage::Format_ARGB32 || f == QImage::Format_RGBA8888;
}

uint8_t clampByte(int v)
{
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Rounds halves to even (the default floating-point rounding mode).
int roundEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

// Applies one 256-entry table to the three colour channels of every pixel.
void applyChannelTable(QImage& bitmap, const std::array<uint8_t, 256>& table)
{
    const int w = bitmap.width();
    const int h = bitmap.height();
    for (int y = 0; y < h; ++y) {
        uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            p[0] = table[p[0]];
            p[1] = table[p[1]];
            p[2] = table[p[2]];
        }
    }
}

void checkFourBytes(const QImage& bitmap)
{
    if (bitmap.depth() != 32)
        throw Exception(QStringLiteral("TImageEffect.CheckBitmapFormat: unsupported image format (pixel bytes=%1)")
                            .arg(bitmap.depth() / 8));
}

} // namespace

QString TImageEffect::FormatName(QImage::Format format)
{
    const QMetaEnum e = QMetaEnum::fromType<QImage::Format>();
    const char* key = e.valueToKey(format);
    return key ? QString::fromLatin1(key) : QString::number(int(format));
}

void TImageEffect::CheckBitmapFormat(const QImage& bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBX8888:
        break;
    default:
        throw Exception(QStringLiteral("TImageEffect.CheckBitmapFormat: unsupported image format (pixel fmt=")
                        + FormatName(bitmap.format()) + QLatin1Char(')'));
    }
    checkFourBytes(bitmap);
}

void TImageEffect::ConvertToBlackAndWhite(QImage& bitmap)
{
    CheckBitmapFormat(bitmap);
    const int w = bitmap.width();
    const int h = bitmap.height();
    for (int y = 0; y < h; ++y) {
        uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const uint8_t g = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
            p[0] = p[1] = p[2] = g;
        }
    }
}

void TImageEffect::ConvertToSepia(QImage& bitmap, int sepiaIntensity, int sepiaDepth)
{
    CheckBitmapFormat(bitmap);
    // The three outputs depend only on the channel sum (0..765): tabulate them.
    std::array<uint8_t, 766> red{}, green{}, blue{};
    for (int s = 0; s <= 765; ++s) {
        const double g = s / 3.0;
        red[s] = clampByte(roundEven(std::min(g + 2.0 * sepiaDepth, 255.0)));
        green[s] = clampByte(roundEven(std::min(g + sepiaDepth, 255.0)));
        blue[s] = clampByte(roundEven(std::clamp(std::min(g, 255.0) - sepiaIntensity, 0.0, 255.0)));
    }
    const bool redFirst = isRedFirst(bitmap.format());
    const bool alpha = hasAlpha(bitmap.format());
    const int w = bitmap.width();
    const int h = bitmap.height();
    for (int y = 0; y < h; ++y) {
        uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            if (alpha && p[3] == 0)
                continue;
            const int s = p[0] + p[1] + p[2];
            p[0] = redFirst ? red[s] : blue[s];
            p[1] = green[s];
            p[2] = redFirst ? blue[s] : red[s];
        }
    }
}

void TImageEffect::ConvertToBrightness(QImage& bitmap, float ratio)
{
    CheckBitmapFormat(bitmap);
    const float a = ratio * 256.0f;
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = byteFromSingle(static_cast<float>(c) + a);
    applyChannelTable(bitmap, table);
}

void TImageEffect::ConvertToLightness(QImage& bitmap, float ratio)
{
    CheckBitmapFormat(bitmap);
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = byteFromSingle(static_cast<float>(c) * (1.0f - ratio) + ratio * 255.0f);
    applyChannelTable(bitmap, table);
}

void TImageEffect::ConvertToOilPainting(QImage& bitmap, int pixelRadius, int fIntensityLevels)
{
    // The format is not checked (callers give 4-byte surfaces), but a surface
    // with other pixel sizes would be addressed out of its rows.
    checkFourBytes(bitmap);
    const int R = std::max(pixelRadius, 0);
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (w < 2 * R + 1 || h < 2 * R + 1)
        return;

    // Bin of a neighbour from its channel sum.
    std::array<uint8_t, 766> binOf{};
    for (int s = 0; s <= 765; ++s)
        binOf[s] = static_cast<uint8_t>(std::min(roundEven(s / 3.0 * fIntensityLevels) / 255, 255));

    std::array<int, 256> count{}, sum0{}, sum1{}, sum2{};
    // Bins touched for the current pixel, so that only those are cleared.
    std::array<uint8_t, 256> used{};
    const int side = 2 * R + 1;
    std::vector<uint8_t*> rows(static_cast<size_t>(side));

    for (int y = R; y <= h - R - 1; ++y) {
        for (int k = 0; k < side; ++k)
            rows[static_cast<size_t>(k)] = bitmap.scanLine(y - R + k);
        uint8_t* target = bitmap.scanLine(y);
        for (int x = R; x <= w - R - 1; ++x) {
            int nUsed = 0;
            for (int k = 0; k < side; ++k) {
                const uint8_t* p = rows[static_cast<size_t>(k)] + 4 * (x - R);
                for (int d = 0; d < side; ++d, p += 4) {
                    const uint8_t bin = binOf[p[0] + p[1] + p[2]];
                    if (count[bin]++ == 0)
                        used[nUsed++] = bin;
                    sum0[bin] += p[0];
                    sum1[bin] += p[1];
                    sum2[bin] += p[2];
                }
            }
            // Highest count wins; among equal counts the lowest bin.
            int best = used[0];
            for (int i = 1; i < nUsed; ++i) {
                const int b = used[i];
                if (count[b] > count[best] || (count[b] == count[best] && b < best))
                    best = b;
            }
            uint8_t* t = target + 4 * x;
            const int n = count[best];
            t[0] = static_cast<uint8_t>(sum0[best] / n);
            t[1] = static_cast<uint8_t>(sum1[best] / n);
            t[2] = static_cast<uint8_t>(sum2[best] / n);
            for (int i = 0; i < nUsed; ++i) {
                const int b = used[i];
                count[b] = sum0[b] = sum1[b] = sum2[b] = 0;
            }
        }
    }
}

uint8_t TImageEffect::byteFromSingle(float val)
{
    if (!(val > 0.0f)) // also NaN
        return 0;
    if (val >= 255.0f)
        return 255;
    return static_cast<uint8_t>(val); // truncation towards zero
}

double TImageEffect::getTime()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
