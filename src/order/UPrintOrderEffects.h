#pragma once
// Placement geometry of a photo in its frame and the final rendering.
//
// The effect list is replayed on a placement context (`TImageEffectInfo`)
// that ends with an angle, a zoom and an offset. From it an affine matrix maps
// picture pixels into frame coordinates; from the matrix follow the zoom at
// which the photo exactly covers the frame (fill-in) or exactly fits inside it
// (fit-in), the moves that bring it back into the frame, and the final picture
// drawn at the frame's pixel size.
//
// Units: frame sizes in millimetres for placement checks and in pixels for a
// rendering; picture sizes in pixels; offsets in percent of the frame's width
// and height; angles in degrees, positive turning the picture
// counter-clockwise on screen (y down).
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <vector>

// How the photo must relate to its frame.
enum class TImageEffectFrameLimit : uint8_t {
    StayFillIn = 0, // always covers the whole frame
    StayFitIn = 1,  // always lies wholly inside the frame
    StayFree = 2,   // no constraint
};

// Placement context: created by its user for one computation, owned by one
// thread.
class TImageEffectInfo {
public:
    TImageEffectInfo();

    // Back to the starting placement; sizes, flags and the frame stay.
    void Reset();

    QSizeF dst;                  // frame size
    QSizeF src;                  // picture size in pixels
    double angle = 0;            // degrees
    double zoomUser = 1;         // customer's zoom, 1 = starting zoom
    double zoomFillInStart = 1;  // zoom at which the unrotated picture covers the frame
    QPointF offset;              // percent of the frame, divided by ZoomCalc
    TImageEffectFrameLimit opLimit = TImageEffectFrameLimit::StayFillIn;
    bool fastRender = true;
    bool rotate90 = false;       // frame rendered turned; the result is turned back
    bool transparencyAllowed = true;
    QRectF frameRectCalc;        // frame rectangle; (0, 0, dst) while empty
    bool srcAsDstOrigin = false; // rotate and scale about the frame centre
    bool DstOriginCustom = false;
    QPointF DstOrigin;

    // frameRectCalc, or (0, 0, dst) while it has no area. A user that
    // changes dst after setting frameRectCalc clears it.
    QRectF frameRect() const;
    QPointF frameCenter() const;
    QRectF sourceRect() const;
    QRectF sourceDrawRect() const;
    QPointF sourceCenter() const;
    QPointF sourceDrawCenter() const;

    double ZoomCalc() const { return zoomUser * zoomFillInStart; }
    // The shift in frame units.
    QPointF offsetCalc() const;
    // Picture size worth loading to render this placement, given the
    // picture's full size (may exceed it; the loader limits it).
    QSizeF RecommandedSourceSize(QSizeF imgSize) const;
};

class TPrintOrderEffects {
public:
    TPrintOrderEffects() = delete;

    // Placement steps played by the effect operations.
    static void Move(double dx, double dy, TImageEffectInfo& effectInfo);
    static void Zoom(double zoom, TImageEffectInfo& effectInfo);
    static void Rotate(double angle, TImageEffectInfo& effectInfo, double zoomCorrec);
    static void FillIn(TImageEffectInfo& effectInfo);
    static void FitIn(TImageEffectInfo& effectInfo);

    static bool FillInOk(const TImageEffectInfo& effectInfo);
    static bool FitInOk(const TImageEffectInfo& effectInfo);

    static QTransform MatrixCalc(const TImageEffectInfo& effectInfo);
    static QPointF MatrixTransfo(const QTransform& matrix, QPointF pt);
    static void MatrixTransfo(const QTransform& matrix, std::vector<QPointF>& arrpt);

    // Factor by which the placed picture must grow to cover the frame:
    // 0 < z <= 1 covers already; -1 or a value <= 0 when it cannot be told.
    static double fillInZoom(const TImageEffectInfo& effectInfo, bool traceRects = false);
    // Factor by which the placed picture may grow and still lie inside the
    // frame: >= 1 fits; below 1 it must shrink; -1 when it cannot be told.
    static double fitInZoom(const TImageEffectInfo& effectInfo);

    // Shift in frame units that covers the frame corners left uncovered.
    static QPointF calcFillInMove(const TImageEffectInfo& effectInfo);
    // Shift in frame units that brings a sticking-out picture back inside.
    static QPointF calcFitInMove(const TImageEffectInfo& effectInfo);
    static QRectF calcBoundingRectSrc(const TImageEffectInfo& effectInfo);
    static QRectF calcBoundingRect(const QTransform& matrix, const QRectF& rect);

    // val × 100 rounded, halves to even.
    static int64_t valRndInt(double val);
    static QString rectsToStr(const std::vector<QPointF>& arrpt);

    // Draws the placed picture at the frame's pixel size (dst rounded) on
    // the calling thread. bitmapSurface is the picture; on return it holds
    // the result (turned back by a quarter turn clockwise when rotate90) and
    // bitmapSurfaceReadOnly is false. A read-only surface is never written to.
    static void GenerateFinalBitmap(QImage& bitmapSurface, bool& bitmapSurfaceReadOnly,
                                    const TImageEffectInfo& effectInfo);

    // The surface's quarter turn clockwise.
    static QImage Rotate90(const QImage& surface);
};
