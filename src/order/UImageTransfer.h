#pragma once
// Rendering of a photo with its effect list and the print files sent to the
// lab: render modes, placement of a rendering, print resolution and quality,
// print-file names, raw copies and the file's codec settings.
//
// These are the computations of an image with effects that need nothing of
// the order: the order's picture classes supply the photo, the frame's size
// in millimetres, the print's pixel size at the lab's resolution and the
// transfer folder, and call them.
#include "UImageEffects.h"
#include "UPrintOrderEffects.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTime>
#include <functional>

// How a bitmap is asked for; the bitmap cache keys its bitmaps on it.
enum class TOrderBitmapMode {
    obm_sizeMax,          // framed picture at the frame's size
    obm_sizeMaxNoRender,  // whole picture, colour effects, no framing, never turned
    obm_sizeMaxNoRotate,  // framed picture, never turned
    obm_sizeMinForCrop,   // as obm_sizeMax
    obm_sizeMaxNoCrop,    // whole picture, colour effects, turned when the frame is
};
QString OrderBitmapModeName(TOrderBitmapMode mode);

enum class TImageQuality { iq_na = 0, iq_poor = 1, iq_average = 2, iq_good = 3 };

// Whether a picture may go to the lab as its own file.
enum class TImgRawMode { irm_noop, irm_rawKeepFmt, irm_rawAsJpeg };

class TImageTransferTools {
public:
    TImageTransferTools() = delete;

    // JPEG quality of a full-size raw copy.
    static constexpr int RawJpegQuality = 95;

    // --- print files ------------------------------------------------------

    // The output may keep transparency: the source is a PNG or GIF file.
    static bool TransparencyAllowedFor(const QString& sourceFileName);
    // ".png"/".jpg", or with bRawFmt the source's own extension in lower
    // case (".jpg" when it has none).
    static QString PrintFileExtension(const QString& sourceFileName, bool bRawFmt, bool transparencyAllowed);
    // "YR_" for red-eye correction, the quantity, "_", the time as
    // hhmmsszzz, "_CH" and the channel as three digits when above 0, ext.
    static QString PrintFileName(int quantity, bool redEyes, int fileChannel, const QTime& time, const QString& ext);
    // A name in folder that no file has yet; built again with the then
    // current time while the name is taken.
    static QString PrintFilePathChoose(const QString& folder, int quantity, bool redEyes, int fileChannel,
                                       const QString& ext,
                                       const std::function<QTime()>& clock = &QTime::currentTime);
    // JPEG quality of a print file: 90 without channel, else the channel's
    // compression rate rounded (limited to 1..100).
    static int PrintFileQuality(int transferChannel, double channelCompressionRate);

    // Which file production applies. forceCrop comes in as the caller asks
    // and goes out true when the effects need the final framing.
    // rawAllowed is what the connection mode allows for the photo.
    static TImgRawMode RawModeChoose(bool& forceCrop, const TImageEffects& effects, bool hasPhoto,
                                     TImgRawMode rawAllowed);

    // The whole photo decoded and written as JPEG at RawJpegQuality (the
    // raw copy for a lab that takes JPEG only).
    static void WriteRawAsJpeg(const QString& photoPath, const QString& path);

    // --- rendering --------------------------------------------------------

    // Prepares the context of a rendering and returns the picture size worth
    // loading. frameMm: the frame's printed size; bitmapWidthMax 0 means a
    // print rendering at printPixels (the print's pixel size at the lab's
    // resolution), else a screen rendering inside (|max width|, |max height|).
    static QSizeF RenderPrepare(TImageEffectInfo& info, const TImageEffects& effects, QSizeF frameMm,
                                QSizeF photoSize, bool imageRotateIfBetter, bool transparencyAllowed,
                                int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode mode,
                                QSizeF printPixels);

    // Renders the photo (as loaded, possibly smaller than its full size) with
    // the effects in the prepared context. A read-only photo (held by the
    // bitmap cache) is never changed. Returns the result surface.
    static QImage Render(const TImageEffects& effects, TImageEffectInfo& info, QImage photo, bool photoReadOnly,
                         TOrderBitmapMode mode);

    // --- resolution and quality -------------------------------------------

    // Resolution at which the photo is printed: dpi (the lab's resolution
    // that gave printPixels) × how many times the photo holds the pixels the
    // placement needs, rounded.
    static int ImageDPI(const TImageEffects& effects, QSizeF frameMm, QSizeF printPixels, int dpi,
                        QSizeF photoSize, bool imageRotateIfBetter);
    // Compares the print resolution with the lab's (reduced by the channel's
    // rate when a channel is given): at least the lab's is good, at least two
    // thirds average, below poor; a lab resolution of 0 or less cannot be
    // judged.
    static TImageQuality ImageQuality(int imageDpi, int labDpi, int transferChannel, double channelReductionRate);
};
