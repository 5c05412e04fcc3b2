#pragma once
// The page canvas: the interactive control that shows one designed page of
// the current order with its frames, all measured in millimetres. It paints
// the page through the order model, draws the selected frame with its band,
// handles and action buttons, tells by a hit test what lies under a point,
// and edits the order model in place with the finger: move, resize, rotate,
// move a picture inside its frame, swap pictures, delete, bring to front,
// and drops of pictures. Every change is reported to its owner (the design
// editor) through IZebguiCustomizedPageNotif.
//
// The geometry, hit test, resize and constraints are plain classes
// (TPageCanvasGeometry, TFrameGeometry); this widget translates events and
// paints. There is no copy of the frames: each paint and each pointer step
// starts again from the millimetre model.
#include "UDragObject.h"
#include "UFrameGeometry.h"
#include "UOrderBitmapCache.h"
#include "UPageCanvasGeometry.h"
#include "UPageDrawing.h"
#include "UQzguiMagnetTarget.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>

class IMainFrame;
class TCustomizedFrame;
class TCustomizedPageBase;
class TThreadTaskQueueBase;
class TCtrlPopupBase;
class TZebguiCustomizedPage;

// The owner of a page canvas (the design editor).
class IZebguiCustomizedPageNotif {
public:
    virtual ~IZebguiCustomizedPageNotif() = default;
    virtual IMainFrame* mainFrame() = 0;
    // The queue on which the order model loads the frames' bitmaps.
    virtual TThreadTaskQueueBase* bitmapTaskQueue() = 0;
    // The selection changed (null: nothing selected).
    virtual void OnFrameSelected(TCustomizedFrame* frame) = 0;
    // The selected frame was removed.
    virtual void OnFrameUnselected() = 0;
    // A gesture on a text frame ended: the inline editor goes over it again.
    virtual void textEditStart() = 0;
    // The selection leaves a text frame, or a press comes while one is selected.
    virtual void textEditEnd(TCustomizedFrame* frame) = 0;
    virtual void OnPageInvalidated(TCustomizedPageBase* page) = 0;
    virtual void imageFramingCorrect() = 0;
    virtual void optionsRefresh() = 0;
    virtual void optionsUpdate() = 0;
    virtual void popupEditFrame(TZebguiCustomizedPage* canvas, TCustomizedFrame* frame) = 0;
    // A gesture starts (the owner locks its touch scrolling) and ends.
    virtual void scrollLock(TZebguiCustomizedPage* canvas) = 0;
    virtual void scrollUnlock(TZebguiCustomizedPage* canvas) = 0;
    virtual void swapModeChanged(TZebguiCustomizedPage* canvas, bool on) = 0;
};

class TZebguiCustomizedPage : public QWidget,
                              public ICustomizedFrameDraw,
                              public IQzguiMagnetTargetNotif,
                              public IOrderBitmapNotif {
    Q_OBJECT
public:
    static constexpr double kSwapDragStartPx = 10;

    explicit TZebguiCustomizedPage(QWidget* owner = nullptr);
    ~TZebguiCustomizedPage() override;

    IZebguiCustomizedPageNotif* Notif() const { return fNotif; }
    void SetNotif(IZebguiCustomizedPageNotif* notif) { fNotif = notif; }

    // --- geometry
    double RatioMmPerPx() const { return fGeom.RatioMmPerPx(); }
    QPointF OffsetFrame() const { return fGeom.OffsetFrame(); }
    QSizeF PageSizeInMm() const { return fGeom.PageSizeInMm(); }
    QRectF PageRectInMm() const { return fGeom.PageRectInMm(); }
    const TPageCanvasGeometry& Geometry() const { return fGeom; }
    double PagePosLeft() const { return fPagePosLeft; }
    double PagePosTop() const { return fPagePosTop; }
    double PagePosRight() const { return fPagePosRight; }
    double PagePosBottom() const { return fPagePosBottom; }
    void CalcPageAspectSizes();
    QPointF PointMmToPointPx(QPointF p) const { return fGeom.PointMmToPointPx(p); }
    QPointF PointPxToPointMm(QPointF p) const { return fGeom.PointPxToPointMm(p); }
    double PxToMm(double v) const { return fGeom.PxToMm(v); }
    double MmToPx(double v) const { return fGeom.MmToPx(v); }
    // The frame's unrotated pixel rectangle; refreshes its placement matrix.
    QRectF FrameRectInPx(TCustomizedFrame* frame);

    // --- page, spread and selection
    TCustomizedPageBase* CurrentPage() const { return fCurrentPage; }
    void SetCurrentPage(TCustomizedPageBase* page);
    TPagePlacement PagePlacement() const { return fPagePlacement; }
    void SetPagePlacement(TPagePlacement p) { fPagePlacement = p; }
    TZebguiCustomizedPage* PageLinked() const { return fPageLinked; }
    void SetPageLinked(TZebguiCustomizedPage* other) { fPageLinked = other; }
    TCustomizedFrame* FrameSelected() const { return fSelected.frame; }
    void SetFrameSelected(TCustomizedFrame* frame);
    const TPointClickInfo& Selected() const { return fSelected; }
    bool SelectFirstFrame();
    void FrameUnselect();
    // The hit test at a point of page millimetres.
    TPointClickInfo PointMmToFrame(QPointF val, bool bForDrag);
    // Where the action buttons were last drawn.
    const TPictoRects& PictoRects() const { return fPictoRects; }

    // --- snapping guides
    void MagnetTargetCreate();
    IQzguiMagnetTargetRef MagnetTarget() const { return fMagnetTarget; }
    void SetMagnetTarget(IQzguiMagnetTargetRef target);

    // --- change notifications
    void contentRepaint();
    void contentChanged();
    void contentAndOrderChanged();

    // --- editing operations
    bool CanSwapFrame(TCustomizedFrame* frame);
    bool HasSwapableFrame(TCustomizedFrame* frameToExclude);
    void checkNewFrameSize(TCustomizedFrame* frame);
    bool checkFrameSizeAndPosBasic(TCustomizedFrame* frame);
    bool checkFrameSizeAndPos(TCustomizedFrame* frame, TPointClickLocation hit);
    // Asks for confirmation, then removes the selected frame; sender: the
    // popup that asked (the text popup), closed after the removal (may be
    // null).
    void removeFrameSelectedConfirm(TCtrlPopupBase* sender);
    void bringToFrontFrameSelected();
    void popupEditFrameSelected();
    void swapFrameSelectedStart();
    void swapFrameSelectedCancel(bool slaveCall = false);
    void swapFrameSelectedDo(TCustomizedFrame* dst);
    TCustomizedFrame* swapFrameSource() const;
    // Puts a tapped strip picture or a chosen clip-art into the page.
    void addImgIntoCustomizedPage(const std::shared_ptr<IDragOrderImage>& img);

    // --- gesture state
    bool MoveImgStarted() const { return fMoveImgStarted; }
    bool MoveFrameStarted() const { return fMoveFrameStarted; }
    bool ChangeSizeFrameStarted() const { return fChangeSizeFrameStarted; }

    // --- ICustomizedFrameDraw
    void drawFrameSwapMark(TCustomizedFrame* frame, IMainFrame* main, QPainter& canvas, const QRectF& frameRect,
                           TThreadTaskQueueBase* taskQueue, bool bForce) override;
    // --- IQzguiMagnetTargetNotif
    void OnMagnetTargetRepaint(IQzguiMagnetTarget* target) override;
    std::vector<TCustomizedFrame*> OnMagnetTargetFrameList(IQzguiMagnetTarget* target) override;
    TCustomizedPageBase* OnMagnetTargetPage(IQzguiMagnetTarget* target) override;
    void OnMagnetTargetMoveCorrec(IQzguiMagnetTarget* target, const TPointClickInfo& info, QPointF delta) override;
    QRectF OnMagnetTargetUpdateLocMatrix(IQzguiMagnetTarget* target, TCustomizedFrame* frame) override;
    // --- IOrderBitmapNotif
    void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

    // Starts the drag of a frame's picture with its bitmap as drag image;
    // true when the drag ran.
    virtual bool beginDrag(std::unique_ptr<TDragObjectMimeData> data, const QImage& image);

private:
    IMainFrame* mainFrame() const;
    bool mobileDesign() const;
    void FrameSelect(const TPointClickInfo& info);
    void gestureFlagsClear();
    void pressAt(QPointF point);
    void moveTo(QPointF point);
    void releaseAt(QPointF point);
    void paintSelection(QPainter& p);
    void paintPicto(QPainter& p, const QRectF& cell, const QImage& image, QColor disc);
    void removeFrameSelected();
    void selectedFrameOffsetAdd(QPointF point);
    void selectedFrameChangeSize(QPointF point);
    void selectedImgFrameMove(QPointF point, bool check);
    void selectedImgFrameOffsetAdd(double dx, double dy);
    void selectedImgFrameOffsetMemorize();
    void selectedImgFrameOffsetRestore();
    bool selectedFrameDragStart();
    // The drag's payload when it can be dropped here (an order picture or a
    // frame's picture on a customizable page); operation Move or Copy.
    Qt::DropAction dragAccept(const TDragObject& data, QPointF pos);
    bool dragIsImage(const TDragObject& data);
    std::shared_ptr<IDragOrderImage> dragAsImage(const TDragObject& data);
    // Puts img into frame, through the product's list of used pictures.
    void frameImageSet(TCustomizedFrame* frame, TOrderImageBase* img, IDragOrderImage& drag);
    // A new customer frame with img on the current page; centred on dropMm,
    // or on the usable area without a drop point.
    void frameNewWithImage(TOrderImageBase* img, IDragOrderImage& drag, const QPointF* dropMm);
    void restoreFrameRectInitial(TCustomizedFrame* f);
    std::vector<TCustomizedFrame*> frames() const;

    IZebguiCustomizedPageNotif* fNotif = nullptr;
    TPageCanvasGeometry fGeom;
    TPointClickInfo fSelected { nullptr, TPointClickLocation::Inner };
    QPointF fMousePointInitial;
    QRectF fFrameRectInitial;
    float fRotationAngleInitial = 0;
    bool fMoveImgStarted = false;
    bool fMoveFrameStarted = false;
    bool fChangeSizeFrameStarted = false;
    QRectF fLastImgFrame;
    double fPagePosLeft = 0;
    double fPagePosTop = 0;
    double fPagePosRight = 0;
    double fPagePosBottom = 0;
    QImage fPictoRotate;
    QImage fPictoForegd;
    QImage fPictoTrash;
    QImage fPictoEdit;
    QImage fPictoSwap;
    TPictoRects fPictoRects;
    TPagePlacement fPagePlacement = TPagePlacement::PageCenter;
    QPointer<TZebguiCustomizedPage> fPageLinked;
    IQzguiMagnetTargetRef fMagnetTarget;
    std::unique_ptr<TQzguiMagnetTargetLock> fMagnetTargetLock;
    TCustomizedPageBase* fCurrentPage = nullptr;
    QPointF fImgOffsetMem;
    TCustomizedFrame* fSwapFrameSource = nullptr;
};
