#pragma once
// The arithmetic of a page canvas, without the widget: where the page lies in
// the control, millimetres <-> pixels, the frames' pixel rectangles and
// placement matrices, the column of action buttons (pictos) beside the
// selection, and the hit test that tells what lies under a point.
//
// Page geometry is in millimetres from the page's top-left corner; a frame is
// the axis-aligned rectangle (x, y, width, height) turned by its rotation
// about its centre. Pixels are the control's local coordinates.
#include "UPageRendering.h"
#include "UQzguiMagnetTarget.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <array>
#include <vector>

class TCustomizedFrame;

// The five action buttons beside a selected frame, in drawing order.
enum class TPicto : int { Rotate = 0, Foreground = 1, PopupEdit = 2, FrameSwap = 3, Delete = 4 };

// Where each picto was last drawn, in pixels of the selected frame's
// unrotated system; empty when not drawn.
struct TPictoRects {
    std::array<QRectF, 5> rects;
    QRectF& operator[](TPicto p) { return rects[size_t(p)]; }
    const QRectF& operator[](TPicto p) const { return rects[size_t(p)]; }
    void Clear() { rects = {}; }
};

class TPageCanvasGeometry {
public:
    static constexpr double kPageMarginPx = 0;
    static constexpr double kHandlePx = 30;
    static constexpr double kPictoPx = 40;
    static constexpr double kPictoGapPx = 2;

    // Lays the page (whole millimetres) out in a control of controlSize;
    // designMarginMm is the photographer's margin, replaced by 0 (and
    // marginInvalid set) when negative or a third of a side or more.
    void Calc(QSizeF controlSize, QSizeF pageSizeMm, TPagePlacement placement, double designMarginMm,
              bool* marginInvalid = nullptr);

    bool Valid() const { return fRatioMmPerPx > 0; }
    double RatioMmPerPx() const { return fRatioMmPerPx; }
    QPointF OffsetFrame() const { return fOffsetFrame; }
    QSizeF SizeFrame() const { return fSizeFrame; }
    QSizeF PageSizeInMm() const { return fPageSizeInMm; }
    // The usable area: the page less the design margin on every side.
    QRectF PageRectInMm() const { return fPageRectInMm; }
    double DesignMargin() const { return fDesignMargin; }
    QRectF PageRectInPx() const { return QRectF(fOffsetFrame, fSizeFrame); }
    QSizeF ControlSize() const { return fControlSize; }

    double PxToMm(double v) const { return v * fRatioMmPerPx; }
    double MmToPx(double v) const { return v / fRatioMmPerPx; }
    QPointF PointMmToPointPx(QPointF p) const { return p / fRatioMmPerPx + fOffsetFrame; }
    QPointF PointPxToPointMm(QPointF p) const { return (p - fOffsetFrame) * fRatioMmPerPx; }

    // The frame's unrotated pixel rectangle; stores the frame's placement
    // matrix (its rotation about the rectangle's centre) in the frame.
    QRectF FrameRectInPx(TCustomizedFrame* frame) const;
    // A point of page millimetres in the frame's unrotated system (page
    // millimetres before the frame's rotation).
    static QPointF PointMmToFrameLocalMm(const TCustomizedFrame* frame, QPointF pointMm);

    // The pictos shown for a selected frame, in drawing order.
    struct TPictoChoice {
        bool swapMode = false;
        bool moveableAndResizable = false;
        bool popupEditable = false;
        bool mobileDesign = false;
        bool imageValid = false;
        bool canSwap = false;
        bool deletable = false;
    };
    static std::vector<TPicto> PictosShown(const TPictoChoice& c);
    // Lays the picto column out beside a frame (frameRect: its unrotated
    // pixel rectangle, matrix: its placement matrix, band: the selection's
    // stroke width) so that it stays inside controlRect when it can.
    static TPictoRects PictoLayout(const std::vector<TPicto>& shown, const QRectF& frameRect,
                                   const QTransform& matrix, double band, const QRectF& controlRect);

    // What lies under pointMm. frames: the page's frames, bottom first;
    // selected: the current selection; pictos: where they were drawn.
    TPointClickInfo HitTest(const std::vector<TCustomizedFrame*>& frames, const TPointClickInfo& selected,
                            const TPictoRects& pictos, QPointF pointMm, bool forDrag) const;

private:
    QSizeF fControlSize;
    double fRatioMmPerPx = 0;
    QPointF fOffsetFrame;
    QSizeF fSizeFrame;
    QSizeF fPageSizeInMm;
    QRectF fPageRectInMm;
    double fDesignMargin = 0;
};
