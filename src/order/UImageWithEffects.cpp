#include "UImageWithEffects.h"

#include "UCatalogueLists.h"
#include "UDebug.h"
#include "UFormat.h"
#include "UImageCodec.h"
#include "ULangTexts.h"
#include "UOrderBitmapCache.h"
#include "UPrintOrder.h"
#include "UThreadCancel.h"
#include "UTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace {

bool isLandscape(QSizeF s)
{
    return s.width() >= s.height();
}

// Resolution of an uncropped print file: the lab fills the print with the
// picture, so the side that is the shorter in proportion sets it.
int fillInDpi(QSize picture, QSizeF frameMm)
{
    if (picture.isEmpty() || frameMm.width() <= 0 || frameMm.height() <= 0)
        return 0;
    if (isLandscape(QSizeF(picture)) != isLandscape(frameMm))
        frameMm.transpose();
    const double dpi = std::min(picture.width() * 25.4 / frameMm.width(), picture.height() * 25.4 / frameMm.height());
    return int(std::lround(dpi));
}

} // namespace

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageToTransfer, TXMLSerializableNeedParent, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageWithEffects, TImageToTransfer, )

// ----------------------------------------------------------- TImageToTransfer

TImageToTransfer::TImageToTransfer() = default;

TImageToTransfer::~TImageToTransfer()
{
    ImageCacheDetach();
    try {
        // Not virtual here: the subclass is gone already.
        TImageToTransfer::ImageTransfoReset();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TImageToTransfer.Destroy"), e);
    }
}

void TImageToTransfer::ImageTransfoReset()
{
    if (fImageTransfoPath.isEmpty())
        return;
    if (QFile::exists(fImageTransfoPath))
        TFileTools::DeleteFileRequired(fImageTransfoPath);
    fImageTransfoPath.clear();
}

QString TImageToTransfer::FTPFilepathGet(IMainFrame* main, bool bRawFmt)
{
    if (!fImageTransfoPath.isEmpty())
        return fImageTransfoPath;
    TPrintOrder* order = main ? main->GetOrder() : nullptr;
    const QString folder = order ? order->TempPath() : QString();
    if (folder.isEmpty())
        throw Exception(QStringLiteral("TImageToTransfer.FTPFilepathGet: the order has no transfer folder"));
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("TImageToTransfer.FTPFilepathGet: cannot create the folder ") + folder);
    const QString ext =
        TImageTransferTools::PrintFileExtension(SourceFileName(), bRawFmt, transparencyAllowedForOutput());
    fImageTransfoPath = TImageTransferTools::PrintFilePathChoose(folder, TransferQuantity(), IsRedEyesCorrection(),
                                                                 FileChannel(), ext);
    return fImageTransfoPath;
}

QString TImageToTransfer::FTPFilepath() const
{
    if (fImageTransfoPath.isEmpty())
        throw Exception(QStringLiteral(
            "Unexpected call to TImageToTransfer.GetFTPFilepath, ImageTransfo must be called before"));
    return fImageTransfoPath;
}

QString TImageToTransfer::FTPFilename() const
{
    if (fImageTransfoPath.isEmpty())
        throw Exception(QStringLiteral(
            "Unexpected call to TImageToTransfer.GetFTPFilename, ImageTransfo must be called before"));
    return QFileInfo(fImageTransfoPath).fileName();
}

int TImageToTransfer::ImageFileSize() const
{
    return int(QFileInfo(FTPFilepath()).size() / 1024);
}

// ---------------------------------------------------------- TImageWithEffects

TImageWithEffects::TImageWithEffects() = default;

TImageWithEffects::~TImageWithEffects() = default;

bool TImageWithEffects::IsImageValid()
{
    if (!HasNoLoadError())
        return false;
    TOrderImageBase* photo = ImageSource();
    return photo && photo->IsImageValid();
}

bool TImageWithEffects::HasNoLoadError()
{
    return ErrorImage() == nullptr;
}

int TImageWithEffects::GetImageDPI(IMainFrame* main)
{
    TOrderImageBase* photo = ImageSource();
    if (!photo || !photo->IsImageValid() || !main)
        return 0;
    int dpi = 0;
    const QSizeF mm = GetImageSizeInMm(main);
    const QSizeF printPixels = main->BitmapSizeMmToPixel(TransferChannel(), mm, &dpi, false);
    return TImageTransferTools::ImageDPI(*Effects(), mm, printPixels, dpi, photo->ImageSize(), ImageRotateIfBetter());
}

TImageQuality TImageWithEffects::GetImageQuality(IMainFrame* main)
{
    try {
        Photographe2* photographer = main ? main->GetWebSvcPhotographer() : nullptr;
        if (!photographer)
            throw Exception(QStringLiteral("no photographer record"));
        double reduction = 100;
        const int channel = TransferChannel();
        if (channel != 0) {
            TChannelList* channels = main->GetWebSvcChannels();
            if (!channels)
                throw Exception(QStringLiteral("no channel list"));
            reduction = channels->byId(channel)->TauxReduction();
        }
        return TImageTransferTools::ImageQuality(GetImageDPI(main), photographer->ResolutionDpi(), channel, reduction);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TImageWithEffects.GetImageQuality"), e);
        return TImageQuality::iq_na;
    }
}

QSizeF TImageWithEffects::ImageSize()
{
    TOrderImageBase* photo = ImageSource();
    return photo ? photo->ImageSize() : QSizeF();
}

QSizeF TImageWithEffects::ImageSizeForMax(int, int, TOrderBitmapMode)
{
    return QSizeF(0, 0);
}

TImageSource* TImageWithEffects::GetImageCacheRef()
{
    if (TOrderImageBase* err = ErrorImage())
        return err;
    return this;
}

void TImageWithEffects::CacheInvalidate(IOrderBitmapRef exceptBmp)
{
    fErrorImage.store(nullptr, std::memory_order_release);
    TImageToTransfer::CacheInvalidate(std::move(exceptBmp));
}

void TImageWithEffects::onBitmapLoadErrorClear(IMainFrame* main)
{
    fErrorImage.store(nullptr, std::memory_order_release);
}

bool TImageWithEffects::onBitmapLoadError(IMainFrame* main, const std::exception& ex)
{
    fErrorImage.store(TOrderImageBase::LoadErrorPlaceholder(main, ex), std::memory_order_release);
    LogDebugFmt(QStringLiteral("%s.onBitmapLoadError"), { DebugLabel() }, ex);
    return true;
}

QString TImageWithEffects::DebugLabel()
{
    return SafeDebugLabel(*this, [this] {
        TOrderImageBase* photo = ImageSource();
        return photo ? photo->DebugLabel() : QStringLiteral("image=nil");
    });
}

void TImageWithEffects::onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                           TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
{
    int dpi = 0;
    bitmapSurface = renderBitmap(main, bitmapWidthMax, bitmapHeightMax, bitmapMode, dpi);
}

QImage TImageWithEffects::renderBitmap(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                       TOrderBitmapMode bitmapMode, int& printDpi)
{
    TOrderImageBase* photo = ImageSource();
    if (!photo || !main)
        throw ESystem(QStringLiteral("TImageWithEffects.onAsyncBitmapBuild: image invalid"));
    const bool debug = main->GetDebugMode();
    const QSizeF mm = GetImageSizeInMm(main);
    const QSizeF p = photo->ImageSize();
    printDpi = 0;
    QSizeF printPixels;
    if (bitmapWidthMax == 0)
        printPixels = main->BitmapSizeMmToPixel(TransferChannel(), mm, &printDpi, true);
    const TImageEffects& effects = *Effects();
    TImageEffectInfo info;
    const QSizeF s = TImageTransferTools::RenderPrepare(info, effects, mm, p, ImageRotateIfBetter(),
                                                        transparencyAllowedForOutput(), bitmapWidthMax,
                                                        bitmapHeightMax, bitmapMode, printPixels);
    const QString modeName = OrderBitmapModeName(bitmapMode);
    if (debug) {
        if (bitmapWidthMax == 0)
            LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: START: asked size=%.0fmmx%.0fmm(%ddpi/%s), source "
                                       "size=%.0fx%.0f, recommanded size=%.0fx%.0f %s"),
                        { DebugLabel(), mm.width(), mm.height(), printDpi, modeName, p.width(), p.height(),
                          s.width(), s.height(), main->AppMemoryUsageStr() });
        else
            LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: START: asked size=%dx%d(%s), source size=%.0fx%.0f, "
                                       "recommanded size=%.0fx%.0f %s"),
                        { DebugLabel(), bitmapWidthMax, bitmapHeightMax, modeName, p.width(), p.height(), s.width(),
                          s.height(), main->AppMemoryUsageStr() });
    }

    // The photo at the size worth loading, from the bitmap cache (read-only:
    // it belongs to the cache).
    const int sw = std::max(1, int(std::lround(s.width())));
    const int sh = std::max(1, int(std::lround(s.height())));
    QImage surface;
    bool readOnly = true;
    if (photo->IsImageValid()) {
        IOrderBitmapRef bmp = main->BitmapCache(photo, sw, sh, TOrderBitmapMode::obm_sizeMax);
        bool loaded = false;
        try {
            loaded = bmp && bmp->IsBitmapLoaded(nullptr, nullptr, true);
        } catch (const ETaskRetry&) {
            // A failed load leaves the item empty and asks to be tried
            // again; when the photo now has its placeholder the failure is
            // the picture's own, told below.
            if (photo->IsImageValid())
                throw;
        }
        if (photo->IsImageValid()) {
            if (!loaded)
                throw ETaskNotReady(Format(QStringLiteral("%s.onAsyncBitmapBuild: imgCache not ready"), { DebugLabel() }));
            surface = bmp->BitmapSurface();
        }
    }
    if (surface.isNull()) {
        // The photo could not be loaded and a placeholder stands for it in
        // the cache. The rendering is never made from the placeholder:
        // decoding the photo here again raises the failure itself (damaged
        // file, picture too big, unknown format) for this picture.
        photo->LoadBitmap(surface, sw, sh, TOrderBitmapMode::obm_sizeMax);
        if (surface.isNull())
            throw Exception(Format(QStringLiteral("%s.onAsyncBitmapBuild: the picture cannot be loaded"),
                                   { DebugLabel() }));
        readOnly = false;
    }
    ThreadCancel::Check();
    if (debug)
        LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: MID: asked size=%dx%d(%s), source loaded=%dx%d %s"),
                    { DebugLabel(), bitmapWidthMax, bitmapHeightMax, modeName, surface.width(), surface.height(),
                      main->AppMemoryUsageStr() });
    QImage result = TImageTransferTools::Render(effects, info, std::move(surface), readOnly, bitmapMode);
    if (debug)
        LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: END: asked size=%dx%d(%s), bmp(surface) generated=%dx%d %s"),
                    { DebugLabel(), bitmapWidthMax, bitmapHeightMax, modeName, result.width(), result.height(),
                      main->AppMemoryUsageStr() });
    return result;
}

QString TImageWithEffects::SourceFileName()
{
    TOrderImageBase* photo = ImageSource();
    const QString id = photo ? photo->ImageID() : QString();
    return id.isEmpty() ? QStringLiteral("text.png") : id;
}

bool TImageWithEffects::IsRedEyesCorrection()
{
    return Effects()->RedEyes();
}

bool TImageWithEffects::transparencyAllowedForOutput()
{
    return TImageTransferTools::TransparencyAllowedFor(SourceFileName());
}

TImageWithEffects::TTransfoKey TImageWithEffects::transfoKeyCalc(bool forceCrop)
{
    TTransfoKey key;
    key.ops = Effects()->Operations();
    key.forceCrop = forceCrop;
    key.quantity = TransferQuantity();
    key.transferChannel = TransferChannel();
    key.fileChannel = FileChannel();
    key.redEyes = IsRedEyesCorrection();
    TOrderImageBase* photo = ImageSource();
    key.sourceId = photo ? photo->ImageID() : QString();
    key.extra = TransfoKeyExtra();
    return key;
}

void TImageWithEffects::ImageTransfoReset()
{
    TImageToTransfer::ImageTransfoReset();
    fTransfoKey.reset();
}

QString TImageWithEffects::ImageTransfo(IMainFrame* main, bool forceCrop)
{
    // A file made before the picture changed is dropped: the next one is
    // rendered again under a new name.
    TTransfoKey key = transfoKeyCalc(forceCrop);
    if (!fImageTransfoPath.isEmpty() && fTransfoKey != key) {
        LogDebugFmt(QStringLiteral("%s.ImageTransfo: the picture changed, %s dropped"), { DebugLabel(), fImageTransfoPath });
        ImageTransfoReset();
    }

    TOrderImageBase* photo = ImageSource();
    const TImageEffects& effects = *Effects();
    TImgRawMode rawAllowed = TImgRawMode::irm_noop;
    if (!forceCrop && !effects.requiresCrop() && photo && main)
        rawAllowed = main->ToTransferAsRowIfPossible(photo->ImageID());
    const TImgRawMode raw = TImageTransferTools::RawModeChoose(forceCrop, effects, photo != nullptr, rawAllowed);

    const QString path = FTPFilepathGet(main, raw == TImgRawMode::irm_rawKeepFmt);
    fTransfoKey = key;
    if (QFileInfo::exists(path))
        return path;

    const bool hasId = photo && !photo->ImageID().isEmpty();
    try {
        switch (raw) {
        case TImgRawMode::irm_rawKeepFmt: {
            // The copy is made beside the target and renamed into place, so
            // that a cut copy never stands under the print file's name.
            const QString part = path + QStringLiteral(".part");
            QFile::remove(part);
            try {
                photo->CopyToFile(part);
                if (!QFile::rename(part, path))
                    throw Exception(QStringLiteral("TImageWithEffects.ImageTransfo: cannot rename ") + part
                                    + QStringLiteral(" to ") + path);
            } catch (...) {
                QFile::remove(part);
                throw;
            }
            break;
        }
        case TImgRawMode::irm_rawAsJpeg: {
            QImage surface;
            photo->LoadBitmap(surface, 0, 0, TOrderBitmapMode::obm_sizeMax);
            ThreadCancel::Check();
            TImageCodec::SaveToFile(surface, path, TImageTransferTools::RawJpegQuality);
            if (hasId)
                photo->SaveExifDataToFile(main, path);
            break;
        }
        case TImgRawMode::irm_noop:
            imageTransfoRender(main, forceCrop, path);
            if (hasId)
                photo->SaveExifDataToFile(main, path);
            break;
        }
    } catch (const std::exception& e) {
        if (raw != TImgRawMode::irm_rawKeepFmt && TAppTools::IsOutOfMem(e)) {
            EUser user(LangTexts::Order::OutputResolutionRequiredLeastOne);
            user.SetInnerException(std::current_exception());
            throw user;
        }
        throw;
    }
    if (main && main->FilesToCrypt())
        TAppTools::CryptFile(path);
    return path;
}

QString TImageWithEffects::imageTransfoRender(IMainFrame* main, bool forceCrop, const QString& path)
{
    const TOrderBitmapMode mode = forceCrop ? TOrderBitmapMode::obm_sizeMax : TOrderBitmapMode::obm_sizeMaxNoCrop;
    int dpi = 0;
    QImage surface;
    if (ImageSource()) {
        surface = renderBitmap(main, 0, 0, mode, dpi);
    } else {
        // A picture without photo (a text frame) renders itself at print
        // size; its resolution is that of the rendering over the frame.
        onAsyncBitmapBuild(main, 0, 0, mode, surface);
        dpi = fillInDpi(surface.size(), GetImageSizeInMm(main));
    }
    ThreadCancel::Check();
    // An uncropped file holds the whole picture: its resolution is that of
    // the picture filling the print.
    if (mode == TOrderBitmapMode::obm_sizeMaxNoCrop)
        dpi = fillInDpi(surface.size(), GetImageSizeInMm(main));
    const int channel = TransferChannel();
    double compression = 0;
    if (channel >= 1) {
        TChannelList* channels = main->GetWebSvcChannels();
        if (!channels)
            throw Exception(QStringLiteral("TImageWithEffects.ImageTransfo: no channel list"));
        compression = channels->byId(channel)->TauxCompression();
    }
    TImageCodec::SaveToFile(surface, path, TImageTransferTools::PrintFileQuality(channel, compression), dpi);
    return path;
}
