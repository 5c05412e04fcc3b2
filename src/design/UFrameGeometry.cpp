#include "UFrameGeometry.h"

#include "UAppExceptions.h"
#include "UCustomizedFrame.h"

#include <cmath>

using Loc = TPointClickLocation;

namespace {

QPointF centreOf(const TCustomizedFrame& f)
{
    return QPointF(f.PositionX() + f.Width() / 2.0, f.PositionY() + f.Height() / 2.0);
}

void contextFollow(const TCustomizedFrame& f, TImageEffectInfo& ctx)
{
    ctx.src = QSizeF(f.Width(), f.Height());
    ctx.DstOrigin = centreOf(f);
}

} // namespace

TImageEffectInfo TFrameGeometry::Context(const TCustomizedFrame& frame, const QRectF& usable)
{
    TImageEffectInfo ctx;
    ctx.angle = frame.RotationAngle();
    ctx.dst = usable.size();
    ctx.frameRectCalc = usable;
    ctx.DstOriginCustom = true;
    contextFollow(frame, ctx);
    return ctx;
}

QPointF TFrameGeometry::RefPoint(Loc handle, double w, double h)
{
    switch (handle) {
    case Loc::TopLeft: return QPointF(w, h);
    case Loc::Top: return QPointF(w / 2, h);
    case Loc::TopRight: return QPointF(0, h);
    case Loc::Left: return QPointF(w, h / 2);
    case Loc::Right: return QPointF(0, h / 2);
    case Loc::BottomLeft: return QPointF(w, 0);
    case Loc::Bottom: return QPointF(w / 2, 0);
    case Loc::BottomRight: return QPointF(0, 0);
    default: break;
    }
    throw Exception(QStringLiteral("TZebguiCustomizedPage.frameAddSizeRefPoint: internal pb"));
}

void TFrameGeometry::AddSize(TCustomizedFrame& frame, Loc handle, QPointF delta, TImageEffectInfo& ctx)
{
    const double w = frame.Width();
    const double h = frame.Height();
    const QPointF p0 = TPrintOrderEffects::MatrixCalc(ctx).map(RefPoint(handle, w, h));
    double nw = w;
    double nh = h;
    switch (handle) {
    case Loc::TopLeft:
    case Loc::BottomLeft:
        nw = w - delta.x();
        nh = nw * h / w;
        break;
    case Loc::TopRight:
    case Loc::BottomRight:
        nw = w + delta.x();
        nh = nw * h / w;
        break;
    case Loc::Top: nh = h - delta.y(); break;
    case Loc::Bottom: nh = h + delta.y(); break;
    case Loc::Left: nw = w - delta.x(); break;
    case Loc::Right: nw = w + delta.x(); break;
    default: RefPoint(handle, w, h); // raises
    }
    frame.SetWidth(float(nw));
    frame.SetHeight(float(nh));
    contextFollow(frame, ctx);
    const QPointF p1 = TPrintOrderEffects::MatrixCalc(ctx).map(RefPoint(handle, frame.Width(), frame.Height()));
    if (p1 != p0) {
        frame.SetPositionX(float(frame.PositionX() + p0.x() - p1.x()));
        frame.SetPositionY(float(frame.PositionY() + p0.y() - p1.y()));
        contextFollow(frame, ctx);
    }
}

QPointF TFrameGeometry::PageDeltaToLocal(const TImageEffectInfo& ctx, QPointF pageDelta)
{
    const QTransform inv = TPrintOrderEffects::MatrixCalc(ctx).inverted();
    return inv.map(ctx.DstOrigin + pageDelta) - ctx.sourceCenter();
}

bool TFrameGeometry::CheckBasic(TCustomizedFrame* frame, const QRectF& usable, bool* minReached)
{
    if (!frame || !frame->isMoveableAndResizable())
        return false;
    bool changed = false;
    const QPointF c = centreOf(*frame);
    const auto limit = [&](float v, double maxV, auto set) {
        if (v < kMinSizeMm) {
            set(float(kMinSizeMm));
            if (minReached)
                *minReached = true;
            changed = true;
        } else if (v > maxV) {
            set(float(maxV));
            changed = true;
        }
    };
    limit(frame->Width(), usable.width(), [&](float v) { frame->SetWidth(v); });
    limit(frame->Height(), usable.height(), [&](float v) { frame->SetHeight(v); });
    if (c.x() < usable.left()) {
        frame->SetPositionX(float(usable.left() - frame->Width() / 2.0));
        changed = true;
    } else if (c.x() > usable.right()) {
        frame->SetPositionX(float(usable.right() - frame->Width() / 2.0));
        changed = true;
    }
    if (c.y() < usable.top()) {
        frame->SetPositionY(float(usable.top() - frame->Height() / 2.0));
        changed = true;
    } else if (c.y() > usable.bottom()) {
        frame->SetPositionY(float(usable.bottom() - frame->Height() / 2.0));
        changed = true;
    }
    return changed;
}

bool TFrameGeometry::Check(TCustomizedFrame* frame, const QRectF& usable, Loc hit, bool* minReached)
{
    if (!frame || !frame->isMoveableAndResizable())
        return false;
    bool result = CheckBasic(frame, usable, minReached);
    TImageEffectInfo ctx = Context(*frame, usable);
    double z = -1;
    if (TPrintOrderEffects::FitInOk(ctx)) {
        z = TPrintOrderEffects::fitInZoom(ctx);
        if (z >= 1)
            return result;
    }
    result = true;
    if (hit != Loc::Rotate) {
        const QPointF m = TPrintOrderEffects::calcFitInMove(ctx);
        if (IsResizeHandle(hit)) {
            AddSize(*frame, hit, PageDeltaToLocal(ctx, m), ctx);
        } else {
            frame->SetPositionX(float(frame->PositionX() + m.x()));
            frame->SetPositionY(float(frame->PositionY() + m.y()));
        }
        contextFollow(*frame, ctx);
        if (!TPrintOrderEffects::FitInOk(ctx))
            throw Exception(QStringLiteral("TZebguiCustomizedPage.checkFrameSizeAndPos: fit in failed"));
        z = TPrintOrderEffects::fitInZoom(ctx);
        if (z >= 1)
            return result;
    }
    if (z <= 0)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.checkFrameSizeAndPos: fit in failed (2)"));
    const QPointF c = centreOf(*frame);
    const double w = frame->Width() * z;
    const double h = frame->Height() * z;
    frame->SetWidth(float(w));
    frame->SetHeight(float(h));
    frame->SetPositionX(float(c.x() - w / 2));
    frame->SetPositionY(float(c.y() - h / 2));
    return result;
}

void TFrameGeometry::CheckNewSize(TCustomizedFrame* frame, const QRectF& usable)
{
    double w = frame->Width();
    double h = frame->Height();
    if (w > usable.width()) {
        const double nw = usable.width() / 1.3;
        h = w > 0 ? nw * h / w : h;
        w = nw;
    }
    if (h >= usable.height()) {
        const double nh = usable.height() / 1.3;
        w = h > 0 ? nh * w / h : w;
        h = nh;
    }
    frame->SetWidth(float(w));
    frame->SetHeight(float(h));
    const QPointF c = usable.center();
    frame->SetPositionX(float(c.x() - w / 2));
    frame->SetPositionY(float(c.y() - h / 2));
}

void TFrameGeometry::MoveCorrec(TCustomizedFrame* frame, const QRectF& usable, Loc loc, QPointF delta)
{
    if (!frame || !frame->isMoveableAndResizable())
        return;
    TImageEffectInfo ctx = Context(*frame, usable);
    if (IsResizeHandle(loc)) {
        AddSize(*frame, loc, PageDeltaToLocal(ctx, delta), ctx);
    } else {
        frame->SetPositionX(float(frame->PositionX() + delta.x()));
        frame->SetPositionY(float(frame->PositionY() + delta.y()));
        contextFollow(*frame, ctx);
    }
    if (!TPrintOrderEffects::FitInOk(ctx))
        throw Exception(QStringLiteral("TZebguiCustomizedPage.OnMagnetTargetMoveCorrec: fit in failed"));
}

bool TFrameGeometry::PointAngle(QPointF centre, QPointF p, double& angle)
{
    const double dx = p.x() - centre.x();
    const double dy = centre.y() - p.y();
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r == 0)
        return false;
    angle = std::asin(dy / r) * 57.29577951308232;
    if (dx < 0)
        angle = 180 - angle;
    return true;
}
