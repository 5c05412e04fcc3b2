#pragma once
// Image sources and the customer photos of an order.
//
// An image source is anything the bitmap cache can render (an order photo,
// a print format of a photo, a frame or a page): the cache asks it for a
// bitmap no larger than a box and in a rendering mode, and the source tells
// the cache when its bitmaps are out of date. TOrderImageBase is the photo
// of an order; the picture classes of the media sources derive from it and
// supply the picture itself (size, date, Exif data, decoding, copy).
//
// A photo whose load failed is "replaced": a placeholder of the main frame
// (the "image not found" or the "file too big" picture) stands for it, it
// reports itself invalid, and the cache shows the placeholder's bitmaps
// until the error is cleared.
#include "IMainFrame.h"
#include "UImageSource.h"
#include "UImageTransfer.h"
#include "USimplifiedExifData.h"
#include "UXmlSerializer.h"

#include <QDateTime>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <exception>

// The photos are stored in order files: they are documents of the
// serializer as well as image sources of the bitmap cache.

class TOrderImageBase : public TXMLSerializableNeedParent, public TImageSource {
    KIOSK_SERIALIZABLE_CLASS(TOrderImageBase)
public:
    TOrderImageBase();
    ~TOrderImageBase() override;

    // --- properties (the picture classes provide the abstract ones)
    virtual QString ImageID() = 0;
    // Tells two photos apart (two ids of one file are one photo).
    virtual QString ImageUnicID() { return ImageID(); }
    // The file name of the id, without folder and extension.
    virtual QString ImageLabel();
    // What a subclass needs to find the photo again after a reload.
    virtual QString ImageData() { return QString(); }
    virtual QDateTime ImageDate() = 0;
    // Clockwise turn in degrees from the Exif orientation (0 without data).
    virtual float ImageOrientationFull();
    // The turn rounded to a quarter (halves to even), in degrees.
    virtual int ImageOrientationBase();
    virtual float ImageOrientationWisp();
    // The picture is also mirrored left to right after the turn (Exif
    // orientations 2, 4, 5 and 7).
    virtual bool ImageOrientationMirrored();
    // Null when the picture has none; owned by the photo.
    virtual TSimplifiedExifData* ExifData() = 0;
    virtual bool IsImageValid() { return fErrorImage.load(std::memory_order_acquire) == nullptr; }
    virtual bool IsImageGalleryPro() { return false; }
    virtual bool IsImageScrap() { return false; }
    virtual bool IsImageSizeReady() { return IsImageValid(); }
    virtual float DpiX();
    virtual float DpiY();
    // Printed size at the picture's own resolution, in millimetres.
    QSizeF ImageSizeMm();

    // --- operations
    // Decodes the picture into bmp, upright, no larger than the box (0 and
    // 0: the whole picture). Runs on worker threads; raises on any failure.
    virtual void LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) = 0;
    // Copies the picture file byte for byte to fname.
    virtual void CopyToFile(const QString& fname) = 0;
    // Reads ahead what sorting and the page designer need (date, size).
    virtual void SortAndDesignInfoPreLoad() = 0;
    // The order takes the photo.
    virtual void UsedPrepare(IMainFrame* main) { }
    // Writes the capture date into a picture file produced from this photo
    // when the order prints dates; never raises (errors are logged).
    virtual void SaveExifDataToFile(IMainFrame* main, const QString& imgpath);
    virtual bool hasExifDate() = 0;
    // The order is destroyed and the photo's waiting load tasks cancelled.
    virtual void waitingTasksCancelled() { }
    // Drops the photo's cached bitmaps (and, in subclasses, what it read).
    virtual void ClearImageDataCache();

    // --- image source
    QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    TImageSource* GetImageCacheRef() override;
    void CacheInvalidate(IOrderBitmapRef exceptBmp) override;
    void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                            QImage& bitmapSurface) override;
    void onBitmapLoadErrorClear(IMainFrame* main) override;
    bool onBitmapLoadError(IMainFrame* main, const std::exception& ex) override;
    // The placeholder shown for a picture that failed to load: "too big" when
    // memory ran out, "not found" otherwise; null without a main frame.
    static TOrderImageBase* LoadErrorPlaceholder(IMainFrame* main, const std::exception& ex);
    QString DebugLabel() override;

    // A photo needs no owner: any parent is accepted.
    const TClassInfo* GiveParent(TRemotable* parent) override { return nullptr; }

    // The placeholder standing for the photo, null while it loads normally.
    TOrderImageBase* ErrorImage() const { return fErrorImage.load(std::memory_order_acquire); }

    // The Exif software name written into print files.
    static QString ExifSoftwareName();

private:
    std::atomic<TOrderImageBase*> fErrorImage { nullptr };
};
