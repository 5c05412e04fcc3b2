#pragma once
// Colour filters of the effect list: black and white, sepia, brightness,
// lightness and oil painting. They change a pixel surface in place and run on
// worker threads while bitmaps are built, so they touch nothing but the
// surface they are given.
//
// A surface is a QImage with 4-byte pixels whose colour channels are bytes 0
// to 2 and whose byte 3 is alpha (or unused): straight, never premultiplied.
// Accepted formats: Format_ARGB32 and Format_RGB32 (blue in byte 0, red in
// byte 2, as stored on little-endian machines) and Format_RGBA8888 and
// Format_RGBX8888 (red in byte 0, blue in byte 2). Alpha is never changed.
#include <QImage>
#include <QString>
#include <cstdint>

class TImageEffect {
public:
    TImageEffect() = delete;

    // Raises when the surface is not one of the four 4-byte straight formats.
    static void CheckBitmapFormat(const QImage& bitmap);

    static void ConvertToBlackAndWhite(QImage& bitmap);
    static void ConvertToSepia(QImage& bitmap, int sepiaIntensity, int sepiaDepth);
    // ratio from -1 (black) to 1.
    static void ConvertToBrightness(QImage& bitmap, float ratio);
    // ratio from 0 (unchanged) to 1 (white).
    static void ConvertToLightness(QImage& bitmap, float ratio);
    // Works in place, row by row: later neighbourhoods read pixels already
    // written. A border of pixelRadius pixels stays unchanged.
    static void ConvertToOilPainting(QImage& bitmap, int pixelRadius, int fIntensityLevels);

    // val truncated towards zero and limited to 0..255.
    static uint8_t byteFromSingle(float val);
    // Monotonic clock in seconds, a timing aid for log lines.
    static double getTime();

    // Name of a QImage format as error messages print it.
    static QString FormatName(QImage::Format format);
};
