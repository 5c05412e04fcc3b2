#include "UOrderImageFile.h"

#include "UDebug.h"
#include "UImageCodec.h"
#include "UMediaEjected.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QFileInfo>
#include <QTransform>

#include <exiv2/exiv2.hpp>

#include <cmath>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TOrderImageFile, TOrderImageBase, )

namespace {

// Decoding errors keep their cause; a picture too big stays EImgTooBig so
// that the "file too big" placeholder is chosen for it.
[[noreturn]] void rethrowAsNotSupported(const char* message)
{
    try {
        throw;
    } catch (const EImgTooBig&) {
        throw;
    } catch (const ECancel&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        EImgNotSupported err(QString::fromLatin1(message));
        err.SetInnerException(std::current_exception());
        throw err;
    }
}

} // namespace

TOrderImageFile::TOrderImageFile(const QString& imgid, const QString& imgpath)
    : fimgid(imgid)
    , fimgpath(imgpath)
{
}

TOrderImageFile::~TOrderImageFile() = default;

void TOrderImageFile::checkFile()
{
    TThreadTaskQueueWithoutThread::CheckCancel();
}

QSizeF TOrderImageFile::ImageSize()
{
    if (fSize.width() >= 0)
        return fSize;
    checkFile();
    QSize size;
    try {
        size = TImageCodec::ReadImageSize(fimgpath);
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception&) {
        size = QSize();
    }
    if (size.width() <= 0 || size.height() <= 0)
        throw EImgNotSupported(QStringLiteral("Image not accessible or not supported"));
    QSizeF result(size);
    const int base = ImageOrientationBase();
    if (base == 90 || base == 270)
        result.transpose();
    fSize = result;
    return fSize;
}

TSimplifiedExifData* TOrderImageFile::ExifData()
{
    if (!fExifDataInit) {
        checkFile();
        auto data = std::make_unique<TSimplifiedExifData>();
        if (data->LoadFromGraphic(fimgpath))
            fExifData = std::move(data);
        fExifDataInit = true;
    }
    return fExifData.get();
}

void TOrderImageFile::dateCalc()
{
    if (fDateInit)
        return;
    fDateExif = false;
    QDateTime date;
    if (TSimplifiedExifData* exif = ExifData()) {
        if (exif->DateTimeOriginal().isValid()) {
            date = exif->DateTimeOriginal();
            fDateExif = true;
        } else if (exif->DateTime().isValid()) {
            date = exif->DateTime();
        }
    }
    if (!date.isValid()) {
        checkFile();
        date = QFileInfo(fimgpath).lastModified();
    }
    fDate = date;
    fDateInit = true;
}

QDateTime TOrderImageFile::ImageDate()
{
    dateCalc();
    return fDate;
}

bool TOrderImageFile::hasExifDate()
{
    dateCalc();
    return fDateExif;
}

void TOrderImageFile::SortAndDesignInfoPreLoad()
{
    ExifData();
    ImageSize();
    dateCalc();
}

void TOrderImageFile::ClearImageDataCache()
{
    fSize = QSizeF(-1, -1);
    fExifData.reset();
    fExifDataInit = false;
    fDate = QDateTime();
    fDateInit = false;
    fDateExif = false;
    TOrderImageBase::ClearImageDataCache();
}

void TOrderImageFile::CopyToFile(const QString& fname)
{
    checkFile();
    QByteArray data;
    try {
        data = TAppTools::LoadByteArrayFromFile(fimgpath);
    } catch (const std::exception&) {
        // The medium is taken as removed.
        EMediaEjected err(mediaLabelForError(), QStringLiteral("TOrderImageFile.CopyToFile failed"));
        err.SetInnerException(std::current_exception());
        throw err;
    }
    TAppTools::WriteByteArrayToFile(data, fname);
}

QImage TOrderImageFile::TurnUpright(const QImage& img, int quarterTurns, bool mirrored)
{
    QImage result = img;
    const int n = ((quarterTurns % 4) + 4) % 4;
    if (n != 0)
        result = result.transformed(QTransform().rotate(90.0 * n));
    if (mirrored)
        result = result.mirrored(true, false);
    return result;
}

void TOrderImageFile::turn(QImage& bmp)
{
    const int n = ImageOrientationBase() / 90;
    const bool mirrored = ImageOrientationMirrored();
    if (n % 4 == 0 && !mirrored)
        return;
    const bool debug = LogIsDebug();
    if (debug)
        LogDebugFmt(QStringLiteral("%s.LoadBitmap.rotate90: start %s"), { DebugLabel(), TAppTools::AppMemoryUsageStr() });
    bmp = TurnUpright(bmp, n, mirrored);
    if (debug)
        LogDebugFmt(QStringLiteral("%s.LoadBitmap.rotate90: end %s"), { DebugLabel(), TAppTools::AppMemoryUsageStr() });
}

QImage TOrderImageFile::decodeFull()
{
    try {
        return TImageCodec::LoadFromFile(fimgpath);
    } catch (...) {
        rethrowAsNotSupported("TOrderImageFile.LoadFromFile failed");
    }
}

QImage TOrderImageFile::decodeReduced(int w, int h, const char* failure)
{
    try {
        return TImageCodec::LoadFromFile(fimgpath, std::max(w, 1), std::max(h, 1));
    } catch (...) {
        rethrowAsNotSupported(failure);
    }
}

QImage TOrderImageFile::decodeThumbnail()
{
    // The Exif thumbnail, when the file has one whose proportions are the
    // picture's: cameras often pad a 3:2 picture into a 4:3 thumbnail, and
    // such a thumbnail would show black bars.
    try {
        ExifLibraryInit();
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(fimgpath).toStdString(), false);
        if (!image.get())
            return QImage();
        image->readMetadata();
        Exiv2::ExifThumbC thumb(image->exifData());
        const Exiv2::DataBuf buf = thumb.copy();
        if (buf.size_ <= 0)
            return QImage();
        QImage t = QImage::fromData(buf.pData_, int(buf.size_));
        if (t.isNull())
            return QImage();
        QSizeF s = ImageSize();
        const int base = ImageOrientationBase();
        if (base == 90 || base == 270)
            s.transpose();
        const double picRatio = s.width() / s.height();
        const double thumbRatio = double(t.width()) / double(t.height());
        if (std::fabs(picRatio - thumbRatio) > 0.02 * picRatio)
            return QImage();
        return t.convertToFormat(QImage::Format_RGB32);
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception&) {
        return QImage();
    }
}

void TOrderImageFile::LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode)
{
    checkFile();
    int W = bitmapWidthMax;
    int H = bitmapHeightMax;
    if (W <= 0) {
        bmp = decodeFull();
        turn(bmp);
        return;
    }
    const QSizeF S = ImageSize();
    const int sw = int(std::lround(S.width()));
    const int sh = int(std::lround(S.height()));
    if (W > S.width())
        W = sw;
    if (H > S.height())
        H = sh;
    if (bitmapMode == TOrderBitmapMode::obm_sizeMinForCrop)
        TImageTools::AspectRatioSizeCoerceMin(W, H, sw, sh);
    else
        TImageTools::AspectRatioSizeCoerce(W, H, sw, sh);

    if (W >= S.width() && H >= S.height()) {
        bmp = decodeFull();
        turn(bmp);
        if (bmp.width() > W || bmp.height() > H)
            throw EImgNotSupported(QStringLiteral("TOrderImageFile.LoadFromFile failed / image too big"));
        return;
    }

    // The box in the file's own orientation.
    const int base = ImageOrientationBase();
    if (base == 90 || base == 270)
        std::swap(W, H);
    if (W >= ThumbnailThreshold || H >= ThumbnailThreshold) {
        bmp = decodeReduced(W, H, "TOrderImageFile.LoadBitmap / LoadThumbnailFromFile(4) failed");
    } else {
        QImage first = decodeThumbnail();
        if (first.isNull())
            first = decodeReduced(W, H, "TOrderImageFile.LoadBitmap / LoadThumbnailFromFile failed");
        if (first.width() > W && first.height() > H)
            bmp = decodeReduced(W, H, "TOrderImageFile.LoadBitmap / LoadThumbnailFromFile(2) failed");
        else if (first.width() < W && first.height() < H)
            bmp = decodeReduced(W, H, "TOrderImageFile.LoadBitmap / LoadThumbnailFromFile(3) failed");
        else
            bmp = first;
    }
    turn(bmp);
}
