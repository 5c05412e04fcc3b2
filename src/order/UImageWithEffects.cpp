#include "UImageWithEffects.h"

#include "UCatalogueLists.h"
#include "UDebug.h"
#include "UTools.h"

#include <QFile>
#include <QFileInfo>

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
    TOrderImageBase* placeholder = nullptr;
    if (main)
        placeholder = TAppTools::IsOutOfMem(ex) ? main->GetImgTooBig() : main->GetImgNotFound();
    fErrorImage.store(placeholder, std::memory_order_release);
    LogDebugFmt(QStringLiteral("%s.onBitmapLoadError"), { DebugLabel() }, ex);
    return true;
}

QString TImageWithEffects::DebugLabel()
{
    QString name;
    try {
        name = ClassInfo().ClassName();
    } catch (...) {
        return QStringLiteral("???");
    }
    try {
        TOrderImageBase* photo = ImageSource();
        if (!photo)
            return name + QStringLiteral("(image=nil)");
        return name + QLatin1Char('(') + photo->DebugLabel() + QLatin1Char(')');
    } catch (...) {
        return name + QStringLiteral("(\?\?\?)");
    }
}

void TImageWithEffects::onAsyncBitmapBuild(IMainFrame*, int, int, TOrderBitmapMode, QImage&)
{
    throw EToDo(QStringLiteral("TImageWithEffects.onAsyncBitmapBuild: rendering needs the bitmap cache"));
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

QString TImageWithEffects::ImageTransfo(IMainFrame*, bool)
{
    throw EToDo(QStringLiteral("TImageWithEffects.ImageTransfo: print files need the order's transfer folder"));
}
