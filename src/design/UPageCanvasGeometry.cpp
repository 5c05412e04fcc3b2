#include "UPageCanvasGeometry.h"

#include "UCustomizedFrame.h"

#include <algorithm>

using Loc = TPointClickLocation;

void TPageCanvasGeometry::Calc(QSizeF controlSize, QSizeF pageSizeMm, TPagePlacement placement,
                               double designMarginMm, bool* marginInvalid)
{
    fControlSize = controlSize;
    fPageSizeInMm = pageSizeMm;
    if (marginInvalid)
        *marginInvalid = false;
    QSizeF page(controlSize.width() - 2 * kPageMarginPx, controlSize.height() - 2 * kPageMarginPx);
    if (pageSizeMm.width() <= 0 || pageSizeMm.height() <= 0 || page.width() <= 0 || page.height() <= 0) {
        fRatioMmPerPx = 0;
        fSizeFrame = QSizeF();
        fOffsetFrame = QPointF();
        fPageRectInMm = QRectF();
        return;
    }
    fRatioMmPerPx = TPageRenderTools::FitRatioMmPerPx(pageSizeMm, page);
    double x = 0;
    switch (placement) {
    case TPagePlacement::PageCenter:
        x = (controlSize.width() - page.width()) / 2;
        break;
    case TPagePlacement::PageLeft:
        // The left page of a spread touches the spine on its right.
        x = controlSize.width() - page.width();
        break;
    case TPagePlacement::PageRight:
        x = 0;
        break;
    }
    fOffsetFrame = QPointF(x, (controlSize.height() - page.height()) / 2);
    fSizeFrame = page;

    double d = designMarginMm;
    if (d < 0 || 3 * d >= pageSizeMm.width() || 3 * d >= pageSizeMm.height()) {
        if (marginInvalid)
            *marginInvalid = true;
        d = 0;
    }
    fDesignMargin = d;
    fPageRectInMm = QRectF(QPointF(d, d), QPointF(pageSizeMm.width() - d, pageSizeMm.height() - d));
}

QRectF TPageCanvasGeometry::FrameRectInPx(TCustomizedFrame* frame) const
{
    const double r = fRatioMmPerPx > 0 ? fRatioMmPerPx : 1;
    const double left = frame->PositionX() / r + fOffsetFrame.x();
    const double top = frame->PositionY() / r + fOffsetFrame.y();
    const QRectF rect(left, top, frame->Width() / r, frame->Height() / r);
    frame->setLocMatrix(TPageRenderTools::FrameMatrix(frame->RotationAngle(), rect));
    return rect;
}

QPointF TPageCanvasGeometry::PointMmToFrameLocalMm(const TCustomizedFrame* frame, QPointF pointMm)
{
    const QTransform m = TPageRenderTools::FrameMatrix(frame->RotationAngle(), frame->RectInMm());
    return m.inverted().map(pointMm);
}

std::vector<TPicto> TPageCanvasGeometry::PictosShown(const TPictoChoice& c)
{
    std::vector<TPicto> shown;
    if (c.swapMode)
        return shown;
    if (c.moveableAndResizable) {
        shown.push_back(TPicto::Rotate);
        shown.push_back(TPicto::Foreground);
    }
    if (c.popupEditable && ((c.moveableAndResizable && c.mobileDesign) || (c.imageValid && !c.mobileDesign)))
        shown.push_back(TPicto::PopupEdit);
    if (c.canSwap)
        shown.push_back(TPicto::FrameSwap);
    if (c.deletable)
        shown.push_back(TPicto::Delete);
    return shown;
}

TPictoRects TPageCanvasGeometry::PictoLayout(const std::vector<TPicto>& shown, const QRectF& frameRect,
                                             const QTransform& matrix, double band, const QRectF& controlRect)
{
    TPictoRects result;
    if (shown.empty())
        return result;
    const double n = double(shown.size());
    const double cell = kPictoPx + kPictoGapPx;
    const double columnH = n * cell - kPictoGapPx;
    const double cx = frameRect.right() + band / 2;
    const double cy = frameRect.top() - band / 2;
    const bool rotateShown = std::find(shown.begin(), shown.end(), TPicto::Rotate) != shown.end()
        && std::find(shown.begin(), shown.end(), TPicto::Foreground) != shown.end();
    const double s = rotateShown ? (kPictoPx - band) / 2 : -band / 2;
    const QPointF tries[4] = {
        QPointF(cx + kPictoGapPx, cy - kPictoPx - s),
        QPointF(cx + kPictoGapPx, cy),
        QPointF(cx - cell - band, cy + kPictoGapPx + band),
        QPointF(cx - cell - band, frameRect.bottom() + band / 2 - columnH),
    };
    QPointF pos = tries[3];
    for (int i = 0; i < 3; ++i) {
        const QRectF col(tries[i], QSizeF(kPictoPx, columnH));
        const QPointF corners[4] = { col.topLeft(), col.topRight(), col.bottomRight(), col.bottomLeft() };
        if (std::all_of(std::begin(corners), std::end(corners), [&](QPointF c) {
                const QPointF m = matrix.map(c);
                return m.x() >= controlRect.left() && m.x() <= controlRect.right() && m.y() >= controlRect.top()
                    && m.y() <= controlRect.bottom();
            })) {
            pos = tries[i];
            break;
        }
    }
    for (TPicto p : shown) {
        QRectF r(pos, QSizeF(kPictoPx, kPictoPx));
        // The edit button answers only well inside its disc.
        if (p == TPicto::PopupEdit)
            r.adjust(3, 3, -3, -3);
        result[p] = r;
        pos.ry() += cell;
    }
    return result;
}

namespace {

bool insideFrame(const TCustomizedFrame* f, QPointF pointMm)
{
    const QPointF p = TPageCanvasGeometry::PointMmToFrameLocalMm(f, pointMm);
    return p.x() >= f->PositionX() && p.x() <= f->PositionX() + f->Width() && p.y() >= f->PositionY()
        && p.y() <= f->PositionY() + f->Height();
}

bool hitRect(const QRectF& r, QPointF p)
{
    return !r.isEmpty() && r.contains(p);
}

} // namespace

TPointClickInfo TPageCanvasGeometry::HitTest(const std::vector<TCustomizedFrame*>& frames,
                                             const TPointClickInfo& selected, const TPictoRects& pictos,
                                             QPointF pointMm, bool forDrag) const
{
    if (!Valid())
        return {};
    TCustomizedFrame* sel = selected.frame;
    bool insideSelection = false;
    if (!forDrag && sel && sel->isClickable()) {
        FrameRectInPx(sel); // refreshes its placement matrix
        const QPointF localPx = sel->getLocMatrix().inverted().map(PointMmToPointPx(pointMm));
        const bool moveable = sel->isMoveableAndResizable();
        if (hitRect(pictos[TPicto::Delete], localPx))
            return { sel, Loc::Delete };
        if (hitRect(pictos[TPicto::PopupEdit], localPx))
            return { sel, Loc::PopupEdit };
        if (hitRect(pictos[TPicto::FrameSwap], localPx))
            return { sel, Loc::FrameSwap };
        if (moveable) {
            if (hitRect(pictos[TPicto::Rotate], localPx))
                return { sel, Loc::Rotate };
            if (hitRect(pictos[TPicto::Foreground], localPx))
                return { sel, Loc::Foreground };
        }
        const QPointF p = PointPxToPointMm(localPx);
        const double px = p.x();
        const double py = p.y();
        const double t = kHandlePx * fRatioMmPerPx;
        const double u = t / 2;
        const double w = sel->Width();
        const double h = sel->Height();
        const double L = sel->PositionX() - u;
        const double T = sel->PositionY() - u;
        const double R = sel->PositionX() + w + u;
        const double B = sel->PositionY() + h + u;
        if (px >= L && px <= R && py >= T && py <= B) {
            if (moveable) {
                Loc loc = Loc::None;
                if (px <= L + t || px >= R - t || py <= T + t || py >= B - t)
                    loc = Loc::Border;
                const bool midX = px >= L + w / 2 && px <= L + w / 2 + t;
                const bool midY = py >= T + h / 2 && py <= T + h / 2 + t;
                if (px <= L + t && py <= T + t)
                    loc = Loc::TopLeft;
                if (midX && py <= T + t)
                    loc = Loc::Top;
                if (px >= R - t && py <= T + t)
                    loc = Loc::TopRight;
                if (px <= L + t && midY)
                    loc = Loc::Left;
                if (px >= R - t && midY)
                    loc = Loc::Right;
                if (px <= L + t && py >= B - t)
                    loc = Loc::BottomLeft;
                if (midX && py >= B - t)
                    loc = Loc::Bottom;
                if (px >= R - t && py >= B - t)
                    loc = Loc::BottomRight;
                if (loc != Loc::None)
                    return { sel, loc };
            }
            insideSelection = true;
        }
    }

    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        TCustomizedFrame* f = *it;
        if (insideSelection && f == sel)
            break;
        const bool candidate = forDrag ? f->isDroppable() : f->isClickable();
        if (candidate && insideFrame(f, pointMm))
            return { f, Loc::Border };
        // A background chosen by the customer hides what lies under it.
        if (f->TypeFrame() == TTypeFrame::FrameBgUser)
            break;
    }
    if (!insideSelection) {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if ((*it)->TypeFrame() == TTypeFrame::FrameBgEditable && insideFrame(*it, pointMm))
                return { *it, Loc::Border };
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if ((*it)->isFrameBackground() && insideFrame(*it, pointMm))
                return { *it, Loc::Border };
    }
    if (insideSelection)
        return { sel, Loc::Inner };
    return {};
}
