#pragma once
// Gesture geometry of a frame on a page canvas: resizing by a handle with
// the opposite point fixed on the page (also for rotated frames), the size
// and position constraints that keep a frame inside the page's usable area,
// the size of a new frame, the pointer angle of a rotation and the snapping
// correction. Millimetres of the page throughout.
#include "UPrintOrderEffects.h"
#include "UQzguiMagnetTarget.h"

#include <QPointF>
#include <QRectF>

class TCustomizedFrame;

class TFrameGeometry {
public:
    TFrameGeometry() = delete;

    // Smallest frame width and height.
    static constexpr double kMinSizeMm = 10;

    // The frame's placement in the usable area: maps a point of the
    // unrotated frame (0..width, 0..height) to page millimetres.
    static TImageEffectInfo Context(const TCustomizedFrame& frame, const QRectF& usable);
    // The point of the unrotated frame that a handle's drag keeps fixed.
    static QPointF RefPoint(TPointClickLocation handle, double w, double h);
    // Resizes by a handle dragged by delta (along the frame's own axes);
    // corner handles keep the aspect ratio and follow the horizontal part.
    // The reference point stays where it was on the page; ctx follows.
    static void AddSize(TCustomizedFrame& frame, TPointClickLocation handle, QPointF delta, TImageEffectInfo& ctx);
    // A move of the page (millimetres) as a drag along the frame's axes.
    static QPointF PageDeltaToLocal(const TImageEffectInfo& ctx, QPointF pageDelta);

    // Width and height at least the minimum and at most the usable area's,
    // the centre inside the usable area. False (nothing changed) for a frame
    // that is not movable and resizable. minReached: a side was below the
    // minimum (the gesture ends there).
    static bool CheckBasic(TCustomizedFrame* frame, const QRectF& usable, bool* minReached = nullptr);
    // CheckBasic, then the whole rotated frame inside the usable area: a
    // move is pulled back, a handle's side shrinks by the overflow, a
    // rotation shrinks the frame about its centre.
    static bool Check(TCustomizedFrame* frame, const QRectF& usable, TPointClickLocation hit,
                      bool* minReached = nullptr);
    // A new frame: at most the usable area (1.3 times smaller when it
    // exceeds it, keeping its ratio), centred on the usable area.
    static void CheckNewSize(TCustomizedFrame* frame, const QRectF& usable);
    // The snapping correction: a move by delta, or a handle's drag by it.
    static void MoveCorrec(TCustomizedFrame* frame, const QRectF& usable, TPointClickLocation loc, QPointF delta);

    // Angle in degrees of p seen from centre (y upward, 0 to the right);
    // false when p is the centre.
    static bool PointAngle(QPointF centre, QPointF p, double& angle);
};
