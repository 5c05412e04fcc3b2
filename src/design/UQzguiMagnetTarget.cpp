#include "UQzguiMagnetTarget.h"

#include "UAppExceptions.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "UPrintOrderEffects.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace {

using Mode = TQzguiMagnetTargetMode;
using Loc = TPointClickLocation;

// One frame outline (or the page, frame null) that a moving frame may align with.
struct Candidate {
    QRectF outline;
    TCustomizedFrame* frame;
};

// The best candidate of one search: the smallest distance within the snap
// distance. Ties add their frame to the list of aligned frames.
class Search {
public:
    explicit Search(double snap) : fSnap(snap) { }

    // True when c becomes the best candidate for v; then out = c and list
    // (emptied, as is other) holds frame alone.
    bool test(double v, double c, TCustomizedFrame* frame, std::vector<TCustomizedFrame*>& list,
              std::vector<TCustomizedFrame*>* other, double& out)
    {
        const double d = std::abs(v - c);
        if (d > fSnap)
            return false;
        if (fFound) {
            if (d > fBest)
                return false;
            if (d == fBest) {
                list.push_back(frame);
                return false;
            }
        }
        fFound = true;
        fBest = d;
        list.clear();
        if (other)
            other->clear();
        list.push_back(frame);
        out = c;
        return true;
    }

private:
    double fSnap;
    bool fFound = false;
    double fBest = 0;
};

double lo(const QRectF& r, bool x) { return x ? r.left() : r.top(); }
double hi(const QRectF& r, bool x) { return x ? r.right() : r.bottom(); }
double mid(const QRectF& r, bool x) { return x ? r.center().x() : r.center().y(); }

// Aligns one value (a resized edge): 0 nothing, 1 an edge, 3 a centre; v
// takes the best value.
int alignValue(double& v, bool x, const std::vector<Candidate>& cands, double pageMid, double snap,
               std::vector<TCustomizedFrame*>& list)
{
    Search s(snap);
    double out = v;
    int kind = 0;
    for (const Candidate& c : cands) {
        if (s.test(v, lo(c.outline, x), c.frame, list, nullptr, out))
            kind = 1;
        if (s.test(v, hi(c.outline, x), c.frame, list, nullptr, out))
            kind = 1;
        if (s.test(v, mid(c.outline, x), c.frame, list, nullptr, out))
            kind = 3;
    }
    if (s.test(v, pageMid, nullptr, list, nullptr, out))
        kind = 3;
    if (kind != 0)
        v = out;
    return kind;
}

// Aligns an interval [a, b] (a moved frame's sides) keeping its length:
// 1 edge at a, 2 edge at b, 3 centre at the middle, 4 a centre at a, 5 a
// centre at b, 0 nothing.
int alignInterval(double& a, double& b, bool x, const std::vector<Candidate>& cands, double pageMid, double snap,
                  std::vector<TCustomizedFrame*>& listA, std::vector<TCustomizedFrame*>& listB, const char* name)
{
    const double m = (a + b) / 2;
    const double length = b - a;
    Search s(snap);
    double out = 0;
    int state = 0;
    for (const Candidate& c : cands) {
        const QRectF& o = c.outline;
        if (s.test(a, lo(o, x), c.frame, listA, &listB, out))
            state = 1;
        if (s.test(a, hi(o, x), c.frame, listA, &listB, out))
            state = 1;
        if (s.test(b, lo(o, x), c.frame, listB, &listA, out))
            state = 2;
        if (s.test(b, hi(o, x), c.frame, listB, &listA, out))
            state = 2;
        if (s.test(m, mid(o, x), c.frame, listA, &listB, out))
            state = 3;
        if (s.test(a, mid(o, x), c.frame, listA, &listB, out))
            state = 4;
        if (s.test(b, mid(o, x), c.frame, listB, &listA, out))
            state = 5;
    }
    if (s.test(m, pageMid, nullptr, listA, &listB, out))
        state = 3;
    if (s.test(a, pageMid, nullptr, listA, &listB, out))
        state = 4;
    if (s.test(b, pageMid, nullptr, listB, &listA, out))
        state = 5;
    switch (state) {
    case 0:
        break;
    case 1:
    case 4:
        a = out;
        break;
    case 2:
    case 5:
        b = out;
        break;
    case 3:
        a += out - m;
        b += out - m;
        break;
    default:
        throw Exception(QString::fromLatin1(name) + QStringLiteral(": invalid return!"));
    }
    if (state == 2 || state == 5)
        a = b - length;
    else
        b = a + length;
    return state;
}

Mode modeOfKind(int kind)
{
    switch (kind) {
    case 0:
        return Mode::TargetOk;
    case 1:
        return Mode::TargetAligned;
    default:
        return Mode::TargetAlignedMiddle;
    }
}

// Guide modes and coordinates of the two points of a move along one axis.
void moveModes(int s, bool x, TQzguiMagnetTargetPoint& A, TQzguiMagnetTargetPoint& B, const char* name)
{
    Mode& ma = x ? A.m_ptXalign : A.m_ptYalign;
    Mode& mb = x ? B.m_ptXalign : B.m_ptYalign;
    const auto coord = [x](TQzguiMagnetTargetPoint& p) -> qreal& { return x ? p.m_pt.rx() : p.m_pt.ry(); };
    switch (s) {
    case 0:
    case 1:
    case 2:
        ma = s == 1 ? Mode::TargetAligned : Mode::TargetOk;
        mb = s == 2 ? Mode::TargetAligned : Mode::TargetOk;
        break;
    case 3:
        ma = mb = Mode::TargetAlignedMiddle;
        coord(A) = (coord(A) + coord(B)) / 2;
        coord(B) = coord(A);
        break;
    case 4:
        ma = mb = Mode::TargetAlignedMiddle;
        coord(B) = coord(A);
        break;
    case 5:
        ma = mb = Mode::TargetAlignedMiddle;
        coord(A) = coord(B);
        break;
    default:
        throw Exception(QString::fromLatin1(name) + QStringLiteral(": invalid return!"));
    }
}

QColor argb(int alpha, unsigned rgb)
{
    return QColor::fromRgba((unsigned(alpha) << 24) | rgb);
}

} // namespace

// ---------------------------------------------------------------------------
// TQzguiMagnetTargetPoint

void TQzguiMagnetTargetPoint::Reset()
{
    m_pt = QPointF(0, 0);
    m_ptXalign = Mode::TargetNone;
    m_ptYalign = Mode::TargetNone;
    m_alignedFrameListX.clear();
    m_alignedFrameListY.clear();
}

bool TQzguiMagnetTargetPoint::IsValid() const
{
    return m_ptXalign != Mode::TargetNone || m_ptYalign != Mode::TargetNone;
}

bool TQzguiMagnetTargetPoint::ChangeFrom(const TQzguiMagnetTargetPoint& other)
{
    const bool changed = m_pt != other.m_pt || m_ptXalign != other.m_ptXalign || m_ptYalign != other.m_ptYalign
        || m_alignedFrameListX != other.m_alignedFrameListX || m_alignedFrameListY != other.m_alignedFrameListY;
    m_pt = other.m_pt;
    m_ptXalign = other.m_ptXalign;
    m_ptYalign = other.m_ptYalign;
    m_alignedFrameListX = other.m_alignedFrameListX;
    m_alignedFrameListY = other.m_alignedFrameListY;
    return changed;
}

// ---------------------------------------------------------------------------
// TQzguiMagnetTarget

TQzguiMagnetTarget::TQzguiMagnetTarget()
{
    _timerClose.setInterval(kFadeIntervalMs);
    QObject::connect(&_timerClose, &QTimer::timeout, this, [this] { FadeStep(); });
}

TQzguiMagnetTarget::~TQzguiMagnetTarget()
{
    _timerClose.stop();
}

int TQzguiMagnetTarget::AlphaForStep(int step)
{
    // Halves go to the even neighbour (the default rounding mode).
    return int(std::nearbyint(kAlphaFull - step * double(kAlphaFull) / kFadeSteps));
}

QRectF TQzguiMagnetTarget::alignRectInMm(TCustomizedFrame* frame, TCustomizedPageBase* viewPage)
{
    if (!frame) {
        if (!viewPage)
            return QRectF();
        return QRectF(0, 0, viewPage->PageWidth(), viewPage->PageHeight());
    }
    TCustomizedPageBase* own = frame->Page();
    const bool mirrored = viewPage && own != viewPage;
    TCustomizedPageBase* sizePage = viewPage ? viewPage : own;
    TImageEffectInfo info;
    info.src = QSizeF(frame->Width(), frame->Height());
    if (sizePage)
        info.dst = QSizeF(sizePage->PageWidth(), sizePage->PageHeight());
    info.DstOriginCustom = true;
    double cx = frame->PositionX() + frame->Width() / 2.0;
    const double cy = frame->PositionY() + frame->Height() / 2.0;
    info.angle = frame->RotationAngle();
    if (mirrored) {
        info.angle = -info.angle;
        cx = info.dst.width() - cx;
    }
    info.DstOrigin = QPointF(cx, cy);
    return TPrintOrderEffects::calcBoundingRectSrc(info);
}

void TQzguiMagnetTarget::registerNotif(IQzguiMagnetTargetNotif* notif)
{
    if (notif && std::find(m_lstNotif.begin(), m_lstNotif.end(), notif) == m_lstNotif.end())
        m_lstNotif.push_back(notif);
}

void TQzguiMagnetTarget::unregisterNotif(IQzguiMagnetTargetNotif* notif)
{
    std::erase(m_lstNotif, notif);
    if (m_targetMovedPage == notif)
        m_targetMovedPage = nullptr;
}

TQzguiMagnetTargetPoint& TQzguiMagnetTarget::preparePoint(size_t i)
{
    while (m_targetPrepareList.size() <= i)
        m_targetPrepareList.push_back(std::make_unique<TQzguiMagnetTargetPoint>(this));
    return *m_targetPrepareList[i];
}

void TQzguiMagnetTarget::targetMove(IQzguiMagnetTargetNotif* page, const TPointClickInfo& clickInfo, bool bGlue)
{
    TCustomizedFrame* moving = clickInfo.frame;
    if (!page || !moving)
        return;
    TCustomizedPageBase* movingPage = page->OnMagnetTargetPage(this);
    if (!movingPage)
        return;
    TQzguiMagnetTargetPoint& A = preparePoint(0);
    TQzguiMagnetTargetPoint& B = preparePoint(1);
    A.Reset();
    B.Reset();

    int dirX = 0;
    int dirY = 0;
    switch (clickInfo.loc) {
    case Loc::TopLeft: dirX = -1; dirY = -1; break;
    case Loc::Top: dirY = -1; break;
    case Loc::TopRight: dirX = 1; dirY = -1; break;
    case Loc::Left: dirX = -1; break;
    case Loc::Right: dirX = 1; break;
    case Loc::BottomLeft: dirX = -1; dirY = 1; break;
    case Loc::Bottom: dirY = 1; break;
    case Loc::BottomRight: dirX = 1; dirY = 1; break;
    default: break;
    }
    const double snap = bGlue ? kSnapGlueMm : kSnapNoGlueMm;
    const QRectF R = alignRectInMm(moving, movingPage);

    // Every other frame that shows guides, as the moving page sees it.
    std::vector<Candidate> cands;
    for (IQzguiMagnetTargetNotif* n : m_lstNotif) {
        for (TCustomizedFrame* f : n->OnMagnetTargetFrameList(this)) {
            if (f == moving || !f->isMagnetVisible())
                continue;
            cands.push_back({ alignRectInMm(f, movingPage), f });
        }
    }
    const double pageMidX = movingPage->PageWidth() / 2.0;
    const double pageMidY = movingPage->PageHeight() / 2.0;

    double dx = 0;
    double dy = 0;
    bool changed = false;
    if (dirX != 0 || dirY != 0) {
        if (dirY != 0) {
            A.m_pt = QPointF(R.left(), dirY < 0 ? R.top() : R.bottom());
            double y = A.m_pt.y();
            const int kind = alignValue(y, false, cands, pageMidY, snap, A.m_alignedFrameListY);
            if (bGlue)
                A.m_pt.setY(y);
            A.m_ptYalign = modeOfKind(kind);
            const double edge = dirY < 0 ? R.top() : R.bottom();
            if (A.m_pt.y() != edge) {
                dy = A.m_pt.y() - edge;
                changed = true;
            }
        }
        if (dirX != 0) {
            const QPointF pt(dirX < 0 ? R.left() : R.right(), R.top());
            if (dirY != 0)
                A.m_pt.setX(pt.x());
            else
                A.m_pt = pt;
            double x = A.m_pt.x();
            const int kind = alignValue(x, true, cands, pageMidX, snap, A.m_alignedFrameListX);
            if (bGlue)
                A.m_pt.setX(x);
            A.m_ptXalign = modeOfKind(kind);
            if (A.m_pt.x() != pt.x()) {
                dx = A.m_pt.x() - pt.x();
                changed = true;
            }
        }
    } else {
        double top = R.top();
        double bottom = R.bottom();
        const int sy = alignInterval(top, bottom, false, cands, pageMidY, snap, A.m_alignedFrameListY,
                                     B.m_alignedFrameListY, "tryPointAlignY");
        double left = R.left();
        double right = R.right();
        const int sx = alignInterval(left, right, true, cands, pageMidX, snap, A.m_alignedFrameListX,
                                     B.m_alignedFrameListX, "tryPointAlignX");
        const QRectF aligned = bGlue ? QRectF(QPointF(left, top), QPointF(right, bottom)) : R;
        A.m_pt = aligned.topLeft();
        B.m_pt = aligned.bottomRight();
        if (aligned.top() != R.top()) {
            dy = aligned.top() - R.top();
            changed = true;
        }
        if (aligned.left() != R.left()) {
            dx = aligned.left() - R.left();
            changed = true;
        }
        moveModes(sy, false, A, B, "targetMove.tryPointAlignY");
        moveModes(sx, true, A, B, "targetMove.tryPointAlignX");
    }
    if (bGlue && changed)
        page->OnMagnetTargetMoveCorrec(this, clickInfo, QPointF(dx, dy));
    targetCommit(page);
}

void TQzguiMagnetTarget::targetCommit(IQzguiMagnetTargetNotif* page)
{
    while (m_targetList.size() < 2)
        m_targetList.push_back(std::make_unique<TQzguiMagnetTargetPoint>(this));
    bool changed = false;
    for (size_t i = 0; i < m_targetList.size(); ++i)
        changed = m_targetList[i]->ChangeFrom(preparePoint(i)) || changed;
    if (m_targetMovedPage != page) {
        m_targetMovedPage = page;
        changed = true;
    }
    if (!changed)
        return;
    const bool valid = std::any_of(m_targetList.begin(), m_targetList.end(), [](const auto& p) { return p->IsValid(); });
    if (valid)
        show();
    else
        targetHide();
}

void TQzguiMagnetTarget::show()
{
    if (m_cTargetShowLock < 1)
        _timerClose.start();
    else
        _timerClose.stop();
    m_cCloseStep = 0;
    m_targetHidden = false;
    repaintAll();
}

void TQzguiMagnetTarget::repaintAll()
{
    // A canvas may unregister itself while repainting: walk a copy.
    const std::vector<IQzguiMagnetTargetNotif*> notifs = m_lstNotif;
    for (IQzguiMagnetTargetNotif* n : notifs)
        n->OnMagnetTargetRepaint(this);
}

void TQzguiMagnetTarget::FadeStep()
{
    ++m_cCloseStep;
    if (m_cCloseStep < kFadeSteps)
        repaintAll();
    else
        targetHide();
}

void TQzguiMagnetTarget::targetHide()
{
    if (m_targetHidden)
        return;
    m_targetMovedPage = nullptr;
    m_targetHidden = true;
    _timerClose.stop();
    repaintAll();
}

void TQzguiMagnetTarget::targetShowLock()
{
    ++m_cTargetShowLock;
    if (!m_targetHidden && _timerClose.isActive()) {
        _timerClose.stop();
        m_cCloseStep = 0;
        repaintAll();
    }
}

void TQzguiMagnetTarget::targetShowUnlock()
{
    if (m_cTargetShowLock <= 0)
        throw Exception(QStringLiteral("TQzguiMagnetTarget.targetShowUnlock: unexpected call"));
    --m_cTargetShowLock;
    if (m_cTargetShowLock == 0 && !m_targetHidden)
        show();
}

void TQzguiMagnetTarget::invalidateVisualIfReq()
{
    if (!m_targetHidden)
        repaintAll();
}

QRectF TQzguiMagnetTarget::alignRectInPx(TCustomizedFrame* frame, const QRectF& rectPageInPx)
{
    if (!frame)
        return rectPageInPx;
    for (IQzguiMagnetTargetNotif* n : m_lstNotif) {
        if (n->OnMagnetTargetPage(this) != frame->Page())
            continue;
        const QRectF r = n->OnMagnetTargetUpdateLocMatrix(this, frame);
        return TPrintOrderEffects::calcBoundingRect(frame->getLocMatrix(), r);
    }
    throw Exception(QStringLiteral("TQzguiMagnetTarget.alignRectInPx: page control not found"));
}

void TQzguiMagnetTarget::OnRender(QPainter& canvas, const QRectF& P, double ratio, IQzguiMagnetTargetNotif* page)
{
    if (m_targetHidden || ratio <= 0)
        return;
    const int alpha = AlphaForStep(m_cCloseStep);
    canvas.save();
    try {
        canvas.setPen(Qt::NoPen);
        const double d = m_designMargin / ratio;
        if (m_designMargin > 0) {
            const QColor c = argb(alpha, kColorMargin);
            canvas.fillRect(QRectF(P.left(), P.top(), P.width(), d), c);
            canvas.fillRect(QRectF(QPointF(P.left(), P.bottom() - d), P.bottomRight()), c);
            canvas.fillRect(QRectF(QPointF(P.left(), P.top() + d), QPointF(P.left() + d, P.bottom() - d)), c);
            canvas.fillRect(QRectF(QPointF(P.right() - d, P.top() + d), QPointF(P.right(), P.bottom() - d)), c);
        }
        for (const auto& pt : m_targetList)
            renderPoint(canvas, *pt, P, ratio, page, alpha);
    } catch (...) {
        canvas.restore();
        throw;
    }
    canvas.restore();
}

void TQzguiMagnetTarget::renderPoint(QPainter& canvas, const TQzguiMagnetTargetPoint& pt, const QRectF& P,
                                     double ratio, IQzguiMagnetTargetNotif* page, int alpha)
{
    TCustomizedPageBase* own = page ? page->OnMagnetTargetPage(this) : nullptr;
    if (!own)
        return;
    const bool moving = page == m_targetMovedPage;
    QPointF test = pt.m_pt;
    if (!moving)
        test.setX(own->PageWidth() - test.x());
    const QColor aligned = argb(alpha, kColorAligned);
    const QColor plain = argb(alpha, kColorPlain);

    std::vector<TCustomizedFrame*> drawn;
    const auto highlight = [&](TCustomizedFrame* f) {
        if (f ? f->Page() != own : !moving)
            return;
        if (std::find(drawn.begin(), drawn.end(), f) != drawn.end())
            return;
        const QRectF O = alignRectInMm(f, own);
        const auto near = [](double a, double b) { return std::abs(a - b) <= kRenderToleranceMm; };
        const bool edgeX = near(O.left(), test.x()) || near(O.right(), test.x());
        const bool midX = !edgeX && near(O.center().x(), test.x());
        const bool edgeY = near(O.top(), test.y()) || near(O.bottom(), test.y());
        const bool midY = !edgeY && near(O.center().y(), test.y());
        if (!edgeX && !midX && !edgeY && !midY)
            return;
        drawn.push_back(f);
        const QRectF box = alignRectInPx(f, P);
        canvas.fillRect(box, aligned);
        if (midX || midY) {
            QPen pen(aligned, kLineWidthPx, Qt::DashLine);
            canvas.setPen(pen);
            canvas.drawLine(box.topLeft(), box.bottomRight());
            canvas.drawLine(box.topRight(), box.bottomLeft());
            canvas.setPen(Qt::NoPen);
        }
    };
    for (TCustomizedFrame* f : pt.m_alignedFrameListX)
        highlight(f);
    for (TCustomizedFrame* f : pt.m_alignedFrameListY)
        highlight(f);

    const double y = P.top() + pt.m_pt.y() / ratio;
    const double x = moving ? P.left() + pt.m_pt.x() / ratio : P.right() - pt.m_pt.x() / ratio;
    const auto colorOf = [&](Mode m) { return m == Mode::TargetOk ? plain : aligned; };
    if (pt.m_ptXalign != Mode::TargetNone) {
        canvas.setPen(QPen(colorOf(pt.m_ptXalign), kLineWidthPx, Qt::SolidLine, Qt::FlatCap));
        canvas.drawLine(QPointF(x, std::min(P.top(), y)), QPointF(x, std::max(P.bottom(), y)));
    }
    if (pt.m_ptYalign != Mode::TargetNone) {
        canvas.setPen(QPen(colorOf(pt.m_ptYalign), kLineWidthPx, Qt::SolidLine, Qt::FlatCap));
        canvas.drawLine(QPointF(std::min(P.left(), x), y), QPointF(std::max(P.right(), x), y));
    }
    canvas.setPen(Qt::NoPen);
}

// ---------------------------------------------------------------------------
// TQzguiMagnetTargetLock

TQzguiMagnetTargetLock::~TQzguiMagnetTargetLock()
{
    try {
        Unlock();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzguiMagnetTargetLock.Destroy"), e);
    }
}

void TQzguiMagnetTargetLock::Lock(IQzguiMagnetTargetRef target)
{
    if (fTarget)
        Unlock();
    if (!target)
        return;
    target->targetShowLock();
    fTarget = std::move(target);
}

void TQzguiMagnetTargetLock::Unlock()
{
    if (!fTarget)
        return;
    IQzguiMagnetTargetRef t = std::move(fTarget);
    fTarget.reset();
    t->targetShowUnlock();
}
