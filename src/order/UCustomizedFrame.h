#pragma once
// The frames of a designed page: a rectangle in millimetres that shows a
// picture (an order photo with its own effect list, a clip-art picture or a
// placeholder) or a text block, optionally surrounded by a border (a plain
// line or a clip-art picture stretched around it). The page's background
// picture and the calendar grid are frames too.
//
// A frame is an image source of its own (its rendering with effects, or its
// text picture); its border is another one (the border picture, sent to the
// lab as a file of its own). Drawing goes through TPageDrawing.
#include "UCustomizedFrameRules.h"
#include "UImageWithEffects.h"
#include "UPageDrawing.h"
#include "UTextBloc.h"

#include <QRectF>
#include <QTransform>
#include <memory>

class TCustomizedPageBase;
class TCustomizedFrame;
class TemplateVelmoraFrame;
class ZebtemplateVelmora2;
class AlbumPhotographe2;
class ScrapFrame2;

// A clip-art border picture and the widths of its bands.
class TClipartFrame : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TClipartFrame)
public:
    // Owns the picture it will be given.
    TClipartFrame();
    // From the catalogue's record: bands and resolutions copied, the picture
    // loaded by the main frame (which says whether to free it).
    TClipartFrame(ScrapFrame2* scrap, IMainFrame* main);
    // A copy whose picture is the current order's object for the other
    // one's picture; the copy does not own it.
    TClipartFrame(TClipartFrame* other, IMainFrame* main);
    ~TClipartFrame() override;

    qint32 BorderBottom = 0;
    qint32 BorderLeft = 0;
    qint32 BorderRight = 0;
    qint32 BorderTop = 0;
    // 0: the picture's own resolution applies.
    qint32 DpiX = 0;
    qint32 DpiY = 0;

    TOrderImageBase* Image() const { return fImage; }
    // Frees an owned picture first; the new one is not owned.
    void SetImage(TOrderImageBase* image);
    // The same, the clip-art frame owning the new picture.
    void SetOwnedImage(TOrderImageBase* image);
    bool ImageToFree() const { return fImageToFree; }
    // Replaces the picture when it is oldImg (dropping ownership).
    virtual bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg);

private:
    TOrderImageBase* fImage = nullptr;
    bool fImageToFree = true;
};

// The border of a frame.
class TFrameBorder : public TImageToTransfer {
    KIOSK_SERIALIZABLE_CLASS(TFrameBorder)
public:
    TFrameBorder();
    // Thickness 100, colour 0, a copy of clipart when both it and main are
    // given.
    TFrameBorder(TCustomizedFrame* frame, TClipartFrame* clipart, IMainFrame* main);
    ~TFrameBorder() override;

    const TClassInfo* GiveParent(TRemotable* parent) override;

    TClipartFrame* ClipartFrame() const { return fClipartFrame.get(); }
    void SetClipartFrame(std::unique_ptr<TClipartFrame> c) { fClipartFrame = std::move(c); }
    // With clip-art: percent of the clip-art's bands; without: tenths of a
    // millimetre of a plain line. 0 or less: no border.
    float BorderThickness() const { return fBorderThickness; }
    void SetBorderThickness(float t) { fBorderThickness = t; }
    // "AARRGGBB".
    QString BorderColor() const { return TColorText::ToText(fBorderColor); }
    void SetBorderColor(const QString& text) { fBorderColor = TColorText::FromText(text, 0); }
    QRgb BorderAlphaColor() const { return fBorderColor; }
    void SetBorderAlphaColor(QRgb c) { fBorderColor = c; }
    TCustomizedFrame* Frame() const { return fFrame; }
    void SetFrame(TCustomizedFrame* f) { fFrame = f; }

    // The widths of the bands around the frame in millimetres.
    TCustomizedFrameRules::TBands GetBorderRectInMm() const;
    bool HasClipart() const { return fClipartFrame && fClipartFrame->Image(); }

    // --- image source and transfer
    QSizeF ImageSize() override;
    QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                            QImage& bitmapSurface) override;
    QString DebugLabel() override;
    QString SourceFileName() override;
    bool IsRedEyesCorrection() override { return false; }
    int TransferQuantity() override { return 1; }
    int TransferChannel() override;
    int FileChannel() override { return 0; }
    bool transparencyAllowedForOutput() override { return true; }
    QString ImageTransfo(IMainFrame* main, bool forceCrop) override;
    bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg);

private:
    IMainFrame* mainFrame() const;
    // What the border's print file is made from: the frame's size, the
    // thickness and colour, the clip-art picture and its bands.
    QString transfoKeyCalc() const;

    std::unique_ptr<TClipartFrame> fClipartFrame;
    QString fTransfoKey;
    QRgb fBorderColor = 0;
    float fBorderThickness = 0;
    TCustomizedFrame* fFrame = nullptr;
};

class TCustomizedFrame : public TImageWithEffects {
    KIOSK_SERIALIZABLE_CLASS(TCustomizedFrame)
public:
    // For the loader.
    TCustomizedFrame();
    // A customer's frame: 100 x 100 mm at (0, 0).
    explicit TCustomizedFrame(TCustomizedPageBase* page);
    // From a template frame (null: 100 x 100 mm at (0, 0)); the template's
    // rotation sense is the opposite of the frame's.
    TCustomizedFrame(TCustomizedPageBase* page, const TemplateVelmoraFrame* tplFrame, TOrderImageBase* image,
                     TTypeFrame kind);
    // The paper size of a lab template, at (0, 0).
    TCustomizedFrame(TCustomizedPageBase* page, ZebtemplateVelmora2* tpl, TOrderImageBase* image, TTypeFrame kind);
    // The page size of a photo book, at (0, 0).
    TCustomizedFrame(TCustomizedPageBase* page, AlbumPhotographe2* album, TOrderImageBase* image, TTypeFrame kind);
    ~TCustomizedFrame() override;

    const TClassInfo* GiveParent(TRemotable* parent) override;

    // --- data
    float Width() const { return fWidth; }
    void SetWidth(float v) { fWidth = v; }
    float Height() const { return fHeight; }
    void SetHeight(float v) { fHeight = v; }
    float PositionX() const { return fPositionX; }
    void SetPositionX(float v) { fPositionX = v; }
    float PositionY() const { return fPositionY; }
    void SetPositionY(float v) { fPositionY = v; }
    float RotationAngle() const { return fRotationAngle; }
    void SetRotationAngle(float v) { fRotationAngle = v; }
    TTypeFrame TypeFrame() const { return fTypeFrame; }
    void SetTypeFrame(TTypeFrame k) { fTypeFrame = k; }
    TOrderImageBase* Image() const { return fImage; }
    void SetImage(TOrderImageBase* image) { fImage = image; }
    // The picture as the order file keeps it: one of the order's photos, or
    // null for the kiosk's placeholders and the catalogue's backgrounds and
    // calendar grids, which the page gives back after a reload.
    TOrderImageBase* StoredImage() const;
    TImageEffects* ImageEffects() const { return fImgEffects.get(); }
    // Frees the previous list; a frame always has one.
    void SetImageEffects(std::unique_ptr<TImageEffects> e)
    {
        fImgEffects = e ? std::move(e) : std::make_unique<TImageEffects>();
    }
    TTextBloc* TextBloc() const { return fTextBloc.get(); }
    void SetTextBloc(std::unique_ptr<TTextBloc> t) { fTextBloc = std::move(t); }
    TFrameBorder* FrameBorder() const { return fFrameBorder.get(); }
    void SetFrameBorder(std::unique_ptr<TFrameBorder> b);
    TCustomizedPageBase* Page() const { return fPage; }
    void SetPage(TCustomizedPageBase* page) { fPage = page; }

    // --- capability tests
    bool isFrameBackground() const;
    bool isCalendarGrid() const;
    bool isText() const { return fTextBloc != nullptr; }
    bool isClickable() const;
    bool isMagnetVisible() const;
    bool isToSendToLumlab() const;
    bool isMoveableAndResizable() const;
    bool isPopupEditable();
    bool isBorderEditable() const;
    bool isDeletable() const;
    bool isImageCustomizable() const;
    bool isImageCustomizableForAutoFill() const;
    bool isImageMoveable();
    bool IsFrameCustomizable() const;
    bool isDroppable() const;
    bool HasClipartFrame() const;
    // What the capability rules look at (the picture's validity aside).
    TFrameTraits Traits() const { return traits(); }

    // --- geometry
    QRectF RectInMm() const { return QRectF(fPositionX, fPositionY, fWidth, fHeight); }
    // Shrinks the panel to the frame's ratio; millimetres per pixel.
    double getRatioMmPerPx(float& panelWidth, float& panelHeight) const;
    void setLocMatrix(const QTransform& m) { fMatrix = m; }
    QTransform getLocMatrix() const { return fMatrix; }

    // --- operations
    std::unique_ptr<TImageEffects> copyImgEffect() const;
    // Exchanges effect lists and pictures; both frames' bitmaps and page
    // previews are rebuilt.
    void SwapImageAndEffectsWithFrame(TCustomizedFrame* other);
    virtual bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg);
    IMainFrame* mainFrame() const;

    // Draws the frame on a page drawn into pageRect.
    void draw(IMainFrame* main, QPainter& canvas, const QRectF& pageRect, TThreadTaskQueueBase* taskQueue,
              IOrderBitmapNotif* notif, bool bForce);

    // --- image with effects
    TImageEffects* Effects() override { return fImgEffects.get(); }
    TOrderImageBase* ImageSource() override { return fImage; }
    bool ImageRotateIfBetter() override { return false; }
    QSizeF GetImageSizeInMm(IMainFrame* main) override { return QSizeF(fWidth, fHeight); }
    QSizeF ImageSize() override;
    int TransferQuantity() override { return 0; }
    int TransferChannel() override;
    int FileChannel() override { return 0; }
    void CacheInvalidate(IOrderBitmapRef exceptBmp) override;
    void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                            QImage& bitmapSurface) override;

protected:
    QString TransfoKeyExtra() override;

private:
    TFrameTraits traits() const;

    float fWidth = 100;
    float fHeight = 100;
    float fPositionX = 0;
    float fPositionY = 0;
    float fRotationAngle = 0;
    std::unique_ptr<TImageEffects> fImgEffects;
    TOrderImageBase* fImage = nullptr;
    std::unique_ptr<TTextBloc> fTextBloc;
    TTypeFrame fTypeFrame = TTypeFrame::FrameUser;
    QTransform fMatrix;
    std::unique_ptr<TFrameBorder> fFrameBorder;
    TCustomizedPageBase* fPage = nullptr;
};
