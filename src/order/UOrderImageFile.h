#pragma once
// The order photo of one picture file: its size, date and Exif data, read
// once and cached; its pixels decoded at the size asked for and turned
// upright; its byte-for-byte copy. The file-backed pictures of every media
// source derive from it.
#include "UOrderImage.h"

#include <memory>

// A picture that cannot be read or decoded.
class EImgNotSupported : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EImgNotSupported)
};

class TOrderImageFile : public TOrderImageBase {
    KIOSK_SERIALIZABLE_CLASS(TOrderImageFile)
public:
    // imgid: the picture's virtual path; imgpath: the file. Nothing is read yet.
    TOrderImageFile(const QString& imgid, const QString& imgpath);
    ~TOrderImageFile() override;

    // Thumbnails smaller than this on both sides may come from the picture's
    // embedded thumbnail.
    static constexpr float ThumbnailThreshold = 200.0f;

    QSizeF ImageSize() override;
    QString ImageID() override { return fimgid; }
    QString ImageUnicID() override { return fimgpath; }
    QDateTime ImageDate() override;
    TSimplifiedExifData* ExifData() override;

    void LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void CopyToFile(const QString& fname) override;
    void SortAndDesignInfoPreLoad() override;
    bool hasExifDate() override;
    void ClearImageDataCache() override;

    // The medium's name for error messages; empty for a plain file.
    virtual QString mediaLabelForError() { return QString(); }
    // Called before each access to the file: stops at once when the running
    // task is cancelled. Sources that fetch their files on demand fetch here.
    virtual void checkFile();

    const QString& ImagePath() const { return fimgpath; }
    // Points the photo at another file (a cached copy of it).
    void SetImagePath(const QString& path) { fimgpath = path; }

    // Turns a decoded picture upright: quarter turns clockwise, then a left
    // to right mirror when the orientation asks for one.
    static QImage TurnUpright(const QImage& img, int quarterTurns, bool mirrored);

private:
    void dateCalc();
    // Decodes the whole file; raises EImgNotSupported (or EImgTooBig).
    QImage decodeFull();
    QImage decodeReduced(int w, int h, const char* failure);
    QImage decodeThumbnail();
    void turn(QImage& bmp);

    QString fimgid;
    QString fimgpath;
    QSizeF fSize { -1, -1 };
    bool fExifDataInit = false;
    std::unique_ptr<TSimplifiedExifData> fExifData;
    QDateTime fDate;
    bool fDateInit = false;
    bool fDateExif = false;
};
