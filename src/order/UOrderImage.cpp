#include "UOrderImage.h"

#include "UDebug.h"
#include "UPrintOrder.h"
#include "UTools.h"

#include <cfenv>
#include <cmath>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TOrderImageBase, TXMLSerializableNeedParent, )

// ------------------------------------------------------------ TOrderImageBase

TOrderImageBase::TOrderImageBase() = default;

TOrderImageBase::~TOrderImageBase()
{
    // No build of the cache may run on a photo being destroyed.
    ImageCacheDetach();
}

QString TOrderImageBase::ExifSoftwareName()
{
    return QStringLiteral("VELMORA Brindlewick");
}

QString TOrderImageBase::ImageLabel()
{
    // Ids are virtual paths whose parts may be separated by "\" or "/".
    const QString id = ImageID();
    const qsizetype sep = std::max(id.lastIndexOf(QLatin1Char('\\')), id.lastIndexOf(QLatin1Char('/')));
    QString name = id.mid(sep + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

float TOrderImageBase::ImageOrientationFull()
{
    TSimplifiedExifData* exif = ExifData();
    return exif ? float(TSimplifiedExifData::OrientationAngle(exif->Orientation())) : 0.0f;
}

int TOrderImageBase::ImageOrientationBase()
{
    const double quarters = double(ImageOrientationFull()) / 90.0;
    const int previous = std::fegetround();
    if (previous != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(quarters);
    if (previous != FE_TONEAREST)
        std::fesetround(previous);
    return int(r) * 90;
}

float TOrderImageBase::ImageOrientationWisp()
{
    return ImageOrientationFull() - float(ImageOrientationBase());
}

bool TOrderImageBase::ImageOrientationMirrored()
{
    TSimplifiedExifData* exif = ExifData();
    return exif && TSimplifiedExifData::OrientationMirrored(exif->Orientation());
}

float TOrderImageBase::DpiX()
{
    TSimplifiedExifData* exif = ExifData();
    return exif && exif->ResolutionX() > 0 ? exif->ResolutionX() : 96.0f;
}

float TOrderImageBase::DpiY()
{
    TSimplifiedExifData* exif = ExifData();
    return exif && exif->ResolutionY() > 0 ? exif->ResolutionY() : 96.0f;
}

QSizeF TOrderImageBase::ImageSizeMm()
{
    const QSizeF px = ImageSize();
    return QSizeF(px.width() * 25.4 / DpiX(), px.height() * 25.4 / DpiY());
}

void TOrderImageBase::SaveExifDataToFile(IMainFrame* main, const QString& imgpath)
{
    try {
        TPrintOrder* order = main ? main->GetOrder() : nullptr;
        if (!order || order->PrintDateFormat() == TPrintDateFormat::pdWithout)
            return;
        if (!hasExifDate())
            return;
        TExifWriter::WriteSoftwareAndDate(imgpath, ExifSoftwareName(), ImageDate());
    } catch (const std::exception& e) {
        QString id;
        try {
            id = ImageID();
        } catch (...) {
            id = QStringLiteral("???");
        }
        LogErrorFmt(QStringLiteral("TOrderImageBase.SaveExifDataToFile(%s -> %s)"), { id, imgpath }, e);
    }
}

void TOrderImageBase::ClearImageDataCache()
{
    CacheInvalidate(nullptr);
}

QSizeF TOrderImageBase::ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode)
{
    const QSizeF ratio = ImageSize();
    float w = float(bitmapWidthMax);
    float h = float(bitmapHeightMax);
    if (ratio.width() <= 0 || ratio.height() <= 0)
        return QSizeF(w, h);
    if (bitmapMode == TOrderBitmapMode::obm_sizeMinForCrop)
        TImageTools::AspectRatioSizeCoerceMinF(w, h, float(ratio.width()), float(ratio.height()));
    else
        TImageTools::AspectRatioSizeCoerceF(w, h, float(ratio.width()), float(ratio.height()));
    return QSizeF(w, h);
}

TImageSource* TOrderImageBase::GetImageCacheRef()
{
    if (TOrderImageBase* err = ErrorImage())
        return err;
    return this;
}

void TOrderImageBase::CacheInvalidate(IOrderBitmapRef exceptBmp)
{
    fErrorImage.store(nullptr, std::memory_order_release);
    TImageSource::CacheInvalidate(std::move(exceptBmp));
}

void TOrderImageBase::onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                         TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
{
    const bool debug = main && main->GetDebugMode();
    if (debug) {
        const QSizeF size = ImageSize();
        LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: START: asked size=%dx%d(%s), source size=%.0fx%.0f %s"),
                    { DebugLabel(), bitmapWidthMax, bitmapHeightMax, OrderBitmapModeName(bitmapMode), size.width(),
                      size.height(), main->AppMemoryUsageStr() });
    }
    bitmapSurface = QImage();
    LoadBitmap(bitmapSurface, bitmapWidthMax, bitmapHeightMax, bitmapMode);
    if (debug) {
        LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: END: asked size=%dx%d(%s), bmp(surface) generated=%dx%d %s"),
                    { DebugLabel(), bitmapWidthMax, bitmapHeightMax, OrderBitmapModeName(bitmapMode),
                      bitmapSurface.width(), bitmapSurface.height(), main->AppMemoryUsageStr() });
    }
}

void TOrderImageBase::onBitmapLoadErrorClear(IMainFrame* main)
{
    fErrorImage.store(nullptr, std::memory_order_release);
}

TOrderImageBase* TOrderImageBase::LoadErrorPlaceholder(IMainFrame* main, const std::exception& ex)
{
    if (!main)
        return nullptr;
    return TAppTools::IsOutOfMem(ex) ? main->GetImgTooBig() : main->GetImgNotFound();
}

bool TOrderImageBase::onBitmapLoadError(IMainFrame* main, const std::exception& ex)
{
    fErrorImage.store(TOrderImageBase::LoadErrorPlaceholder(main, ex), std::memory_order_release);
    LogDebugFmt(QStringLiteral("%s.onBitmapLoadError"), { DebugLabel() }, ex);
    return true;
}

QString TOrderImageBase::DebugLabel()
{
    return SafeDebugLabel(*this, [this] { return ImageID(); });
}
