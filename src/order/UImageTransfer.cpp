#include "UImageTransfer.h"

#include "UAppExceptions.h"
#include "UImageCodec.h"
#include "UImageGeometry_p.h"
#include "UThreadCancel.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <cmath>

namespace {

bool isLandscape(QSizeF s)
{
    return s.width() >= s.height();
}

// The frame is turned when the effects ask for it, inverted when the frame
// may be turned for a photo of the other orientation.
bool frameTurned(const TImageEffects& effects, QSizeF frameMm, QSizeF photoSize, bool imageRotateIfBetter,
                 bool orientationTest)
{
    bool r = effects.RotateFrame();
    if (orientationTest && imageRotateIfBetter && frameMm.width() != frameMm.height()
        && isLandscape(photoSize) != isLandscape(frameMm))
        r = !r;
    return r;
}

} // namespace

QString OrderBitmapModeName(TOrderBitmapMode mode)
{
    switch (mode) {
    case TOrderBitmapMode::obm_sizeMax:
        return QStringLiteral("obm_sizeMax");
    case TOrderBitmapMode::obm_sizeMaxNoRender:
        return QStringLiteral("obm_sizeMaxNoRender");
    case TOrderBitmapMode::obm_sizeMaxNoRotate:
        return QStringLiteral("obm_sizeMaxNoRotate");
    case TOrderBitmapMode::obm_sizeMinForCrop:
        return QStringLiteral("obm_sizeMinForCrop");
    case TOrderBitmapMode::obm_sizeMaxNoCrop:
        return QStringLiteral("obm_sizeMaxNoCrop");
    }
    return QString();
}

// ---------------------------------------------------------------------------
// Print files

bool TImageTransferTools::TransparencyAllowedFor(const QString& sourceFileName)
{
    const QString ext = QFileInfo(sourceFileName).suffix().toLower();
    return ext == QLatin1String("png") || ext == QLatin1String("gif");
}

QString TImageTransferTools::PrintFileExtension(const QString& sourceFileName, bool bRawFmt,
                                                bool transparencyAllowed)
{
    if (bRawFmt) {
        const QString ext = QFileInfo(sourceFileName).suffix().toLower();
        return ext.isEmpty() ? QStringLiteral(".jpg") : QLatin1Char('.') + ext;
    }
    return transparencyAllowed ? QStringLiteral(".png") : QStringLiteral(".jpg");
}

QString TImageTransferTools::PrintFileName(int quantity, bool redEyes, int fileChannel, const QTime& time,
                                           const QString& ext)
{
    QString name;
    if (redEyes)
        name += QStringLiteral("YR_");
    name += QString::number(quantity) + QLatin1Char('_') + time.toString(QStringLiteral("hhmmsszzz"));
    if (fileChannel > 0)
        name += QStringLiteral("_CH") + QString::asprintf("%03d", fileChannel);
    return name + ext;
}

QString TImageTransferTools::PrintFilePathChoose(const QString& folder, int quantity, bool redEyes, int fileChannel,
                                                 const QString& ext, const std::function<QTime()>& clock)
{
    const QDir dir(folder);
    // The time moves on between attempts; the bound only guards against a
    // clock that stands still.
    for (int attempt = 0; attempt < 10000; ++attempt) {
        const QString path = dir.filePath(PrintFileName(quantity, redEyes, fileChannel, clock(), ext));
        if (!QFileInfo::exists(path))
            return path;
        QThread::msleep(1);
    }
    throw Exception(QStringLiteral("TImageToTransfer.FTPFilepathGet: no free file name in ") + folder);
}

int TImageTransferTools::PrintFileQuality(int transferChannel, double channelCompressionRate)
{
    if (transferChannel < 1)
        return 90;
    return std::clamp(static_cast<int>(std::nearbyint(channelCompressionRate)), 1, 100);
}

TImgRawMode TImageTransferTools::RawModeChoose(bool& forceCrop, const TImageEffects& effects, bool hasPhoto,
                                               TImgRawMode rawAllowed)
{
    if (forceCrop)
        return TImgRawMode::irm_noop;
    if (effects.requiresCrop()) {
        forceCrop = true;
        return TImgRawMode::irm_noop;
    }
    if (!hasPhoto || effects.requiresTransfo())
        return TImgRawMode::irm_noop;
    return rawAllowed;
}

void TImageTransferTools::WriteRawAsJpeg(const QString& photoPath, const QString& path)
{
    const QImage photo = TImageCodec::LoadFromFile(photoPath);
    ThreadCancel::Check();
    TImageCodec::SaveToFile(photo, path, RawJpegQuality);
}

// ---------------------------------------------------------------------------
// Rendering

QSizeF TImageTransferTools::RenderPrepare(TImageEffectInfo& info, const TImageEffects& effects, QSizeF frameMm,
                                          QSizeF photoSize, bool imageRotateIfBetter, bool transparencyAllowed,
                                          int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode mode,
                                          QSizeF printPixels)
{
    info.transparencyAllowed = transparencyAllowed;
    QSizeF dst;
    if (bitmapWidthMax == 0) {
        dst = printPixels;
        info.fastRender = false;
    } else {
        dst = QSizeF(std::abs(bitmapWidthMax), std::abs(bitmapHeightMax));
        info.fastRender = mode != TOrderBitmapMode::obm_sizeMaxNoRender;
    }
    const bool r = frameTurned(effects, frameMm, photoSize, imageRotateIfBetter,
                               mode != TOrderBitmapMode::obm_sizeMaxNoRender);
    if (r) {
        if (mode != TOrderBitmapMode::obm_sizeMaxNoRender && mode != TOrderBitmapMode::obm_sizeMaxNoRotate) {
            info.rotate90 = true;
            dst.transpose();
        }
        dst = imagegeometry::AspectRatioSizeCoerce(dst, frameMm.transposed());
    } else {
        dst = imagegeometry::AspectRatioSizeCoerce(dst, frameMm);
    }
    info.dst = dst;
    info.src = dst;
    info.frameRectCalc = QRectF();
    effects.play(info);
    return info.RecommandedSourceSize(photoSize);
}

QImage TImageTransferTools::Render(const TImageEffects& effects, TImageEffectInfo& info, QImage photo,
                                   bool photoReadOnly, TOrderBitmapMode mode)
{
    if (photo.isNull())
        throw Exception(QStringLiteral("TImageWithEffects.onAsyncBitmapBuild: image invalid"));
    info.Reset();
    info.src = QSizeF(photo.size());
    bool readOnly = photoReadOnly;
    effects.play(photo, readOnly, info);
    ThreadCancel::Check();

    if (mode == TOrderBitmapMode::obm_sizeMaxNoRender || mode == TOrderBitmapMode::obm_sizeMaxNoCrop) {
        if (readOnly) {
            photo = photo.copy();
            readOnly = false;
        }
        if (mode == TOrderBitmapMode::obm_sizeMaxNoCrop && info.rotate90)
            photo = TPrintOrderEffects::Rotate90(photo);
        return photo;
    }
    TPrintOrderEffects::GenerateFinalBitmap(photo, readOnly, info);
    return photo;
}

// ---------------------------------------------------------------------------
// Resolution and quality

int TImageTransferTools::ImageDPI(const TImageEffects& effects, QSizeF frameMm, QSizeF printPixels, int dpi,
                                  QSizeF photoSize, bool imageRotateIfBetter)
{
    if (photoSize.width() <= 0 || photoSize.height() <= 0)
        return 0;
    TImageEffectInfo info;
    QSizeF dst = printPixels;
    if (frameTurned(effects, frameMm, photoSize, imageRotateIfBetter, true)) {
        info.rotate90 = true;
        dst.transpose();
    }
    info.dst = dst;
    info.src = dst;
    effects.play(info);
    const QSizeF s = info.RecommandedSourceSize(photoSize);
    if (s.width() <= 0 || s.height() <= 0)
        return 0;
    const double factor = std::min(photoSize.height() / s.height(), photoSize.width() / s.width());
    return static_cast<int>(std::nearbyint(dpi * factor));
}

TImageQuality TImageTransferTools::ImageQuality(int imageDpi, int labDpi, int transferChannel,
                                                double channelReductionRate)
{
    double b = labDpi;
    if (transferChannel != 0)
        b = std::nearbyint(b * channelReductionRate / 100.0);
    if (!(b > 0))
        return TImageQuality::iq_na;
    const double a = imageDpi / b;
    if (a >= 1)
        return TImageQuality::iq_good;
    if (a >= 2.0 / 3.0)
        return TImageQuality::iq_average;
    return TImageQuality::iq_poor;
}
