#pragma once
// A photo placed in a print format or in a frame of a designed page: the
// photo plus its effect list. TImageToTransfer is the base of everything
// sent to the lab as a picture file; TImageWithEffects adds the photo and
// its effects, its placeholder after a failed load, the judgement of its
// print resolution, its renderings and its print file.
//
// A print file is made once and kept while it matches what it was made
// from: an edit of the effects (or of the quantity, channel or red-eye
// request that the file name carries) after it was made deletes it, and the
// next production renders it again under a new name, so a send that is
// tried again never uploads a picture rendered before the customer's last
// change.
#include "UImageEffects.h"
#include "UOrderImage.h"

#include <atomic>
#include <optional>
#include <vector>

class TImageToTransfer : public TXMLSerializableNeedParent, public TImageSource {
    KIOSK_SERIALIZABLE_CLASS(TImageToTransfer)
public:
    TImageToTransfer();
    ~TImageToTransfer() override;

    // Name of the picture the file comes from.
    virtual QString SourceFileName() = 0;
    // The lab must correct red eyes.
    virtual bool IsRedEyesCorrection() = 0;
    virtual int TransferQuantity() = 0;
    virtual int TransferChannel() = 0;
    // The channel written into the file name.
    virtual int FileChannel() { return TransferChannel(); }
    // Produces the print file and returns its path.
    virtual QString ImageTransfo(IMainFrame* main, bool forceCrop) = 0;
    // Deletes the produced file, if any, and forgets its path.
    virtual void ImageTransfoReset();
    // The output may keep transparency (PNG).
    virtual bool transparencyAllowedForOutput() = 0;

    // The path of the print file, chosen once: the order's transfer folder
    // and a name made of the quantity, the red-eye request, the time and
    // the channel; with bRawFmt the source's own extension.
    QString FTPFilepathGet(IMainFrame* main, bool bRawFmt);

    // The produced file; raise before ImageTransfo.
    QString FTPFilepath() const;
    QString FTPFilename() const;
    // Size of the produced file in KiB.
    int ImageFileSize() const;

protected:
    QString fImageTransfoPath;
};

class TImageWithEffects : public TImageToTransfer {
    KIOSK_SERIALIZABLE_CLASS(TImageWithEffects)
public:
    TImageWithEffects();
    ~TImageWithEffects() override;

    virtual TImageEffects* Effects() = 0;
    // The photo; null for a frame without one.
    virtual TOrderImageBase* ImageSource() = 0;
    // The frame may be turned by 90 degrees when that suits the photo.
    virtual bool ImageRotateIfBetter() = 0;
    // No placeholder, and a photo that is itself valid.
    virtual bool IsImageValid();
    // No placeholder.
    virtual bool HasNoLoadError();
    // The frame's printed size in millimetres.
    virtual QSizeF GetImageSizeInMm(IMainFrame* main) = 0;
    // Resolution at which the photo is printed; 0 without a valid photo.
    virtual int GetImageDPI(IMainFrame* main);
    // The print resolution against the lab's; iq_na when it cannot be told.
    virtual TImageQuality GetImageQuality(IMainFrame* main);

    // --- image source
    QSizeF ImageSize() override;
    QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    TImageSource* GetImageCacheRef() override;
    void CacheInvalidate(IOrderBitmapRef exceptBmp) override;
    void onBitmapLoadErrorClear(IMainFrame* main) override;
    bool onBitmapLoadError(IMainFrame* main, const std::exception& ex) override;
    QString DebugLabel() override;
    // Rendering of the photo with its effects; provided with the bitmap
    // cache, which supplies the decoded photo.
    void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                            QImage& bitmapSurface) override;

    // --- picture to transfer
    QString SourceFileName() override;
    bool IsRedEyesCorrection() override;
    bool transparencyAllowedForOutput() override;
    // Makes the print file (a raw copy of the photo, its full-size JPEG
    // copy, or a rendering with the effects) unless the one made before
    // still matches the picture, and returns its path.
    QString ImageTransfo(IMainFrame* main, bool forceCrop) override;
    void ImageTransfoReset() override;

    TOrderImageBase* ErrorImage() const { return fErrorImage.load(std::memory_order_acquire); }

protected:
    // What else the print file is made from, for pictures that depend on
    // more than the photo and its effects (a frame's size or text).
    virtual QString TransfoKeyExtra() { return QString(); }

private:
    // What a print file was made from.
    struct TTransfoKey {
        std::vector<TImageEffectOpItem> ops;
        bool forceCrop = false;
        int quantity = 0;
        int transferChannel = 0;
        int fileChannel = 0;
        bool redEyes = false;
        QString sourceId;
        QString extra;
        bool operator==(const TTransfoKey&) const = default;
    };
    TTransfoKey transfoKeyCalc(bool forceCrop);
    // The rendering of onAsyncBitmapBuild; printDpi receives the resolution
    // of a print rendering (0 for a screen one).
    QImage renderBitmap(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                        int& printDpi);
    QString imageTransfoRender(IMainFrame* main, bool forceCrop, const QString& path);

    std::atomic<TOrderImageBase*> fErrorImage { nullptr };
    std::optional<TTransfoKey> fTransfoKey;
};
