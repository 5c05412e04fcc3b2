#include "UPrintOrderEffects.h"

#include "UAppExceptions.h"
#include "UFormat.h"
#include "UImageGeometry_p.h"
#include "UDebug.h"
#include "UTools.h"

#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<QPointF> rectCorners(const QRectF& r)
{
    // left-top, right-top, right-bottom, left-bottom
    return { QPointF(r.left(), r.top()), QPointF(r.right(), r.top()), QPointF(r.right(), r.bottom()),
             QPointF(r.left(), r.bottom()) };
}

double distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

bool between(double v, double a, double b)
{
    const int64_t iv = TPrintOrderEffects::valRndInt(v);
    const int64_t ia = TPrintOrderEffects::valRndInt(a);
    const int64_t ib = TPrintOrderEffects::valRndInt(b);
    return iv >= std::min(ia, ib) - 2 && iv <= std::max(ia, ib) + 2;
}

// Ray from c through p against the segment ab: the distance from c to the
// crossing point when the segment is hit (with a tolerance of two hundredths
// on its ends), none otherwise. The crossing is computed in parametric form
// so that nearly vertical lines (a quarter turn computed in floating point)
// keep their precision.
bool rayHit(QPointF c, QPointF p, QPointF a, QPointF b, double& dist)
{
    const QPointF d1 = p - c;
    const QPointF d2 = b - a;
    if (d1.isNull() || d2.isNull())
        return false;
    const double denom = cross(d1, d2);
    if (denom == 0)
        return false; // parallel
    const double t = cross(a - c, d2) / denom;
    const QPointF i = c + t * d1;
    if (!between(i.x(), a.x(), b.x()) || !between(i.y(), a.y(), b.y()))
        return false;
    // On the ray from c through p, not behind c.
    const auto onRay = [](double cv, double iv, double pv) {
        const int64_t ic = TPrintOrderEffects::valRndInt(cv);
        return (ic <= TPrintOrderEffects::valRndInt(iv)) == (ic <= TPrintOrderEffects::valRndInt(pv));
    };
    if (!onRay(c.x(), i.x(), p.x()) || !onRay(c.y(), i.y(), p.y()))
        return false;
    dist = distance(c, i);
    return true;
}

// A frame or a picture without area cannot be placed; a picture of one
// line would otherwise "fit" any frame.
bool hasArea(const TImageEffectInfo& info)
{
    return !info.frameRect().isEmpty() && !info.sourceDrawRect().isEmpty() && info.ZoomCalc() != 0;
}

// Draws `source` through `matrix` into the rows [y0, y1) of `target`.
// The target's bits are taken once by the caller: scanLine() on a shared
// QImage from several threads would race on its detach bookkeeping.
void drawBand(uchar* targetBits, qsizetype bytesPerLine, int width, QImage::Format format, int y0, int y1,
              QImage source, const QTransform& matrix, const QRectF& drawRect, const QRectF& srcRect, bool smooth)
{
    QImage band(targetBits + y0 * bytesPerLine, width, y1 - y0, bytesPerLine, format);
    QPainter painter(&band);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setTransform(matrix * QTransform::fromTranslate(0, -y0));
    painter.drawImage(drawRect, source, srcRect);
    painter.end();
}

} // namespace

// ---------------------------------------------------------------------------
// TImageEffectInfo

TImageEffectInfo::TImageEffectInfo()
{
    Reset();
}

void TImageEffectInfo::Reset()
{
    opLimit = TImageEffectFrameLimit::StayFillIn;
    angle = 0;
    zoomUser = 1;
    zoomFillInStart = 1;
    offset = QPointF(0, 0);
}

QRectF TImageEffectInfo::frameRect() const
{
    if (frameRectCalc.isEmpty())
        return QRectF(0, 0, dst.width(), dst.height());
    return frameRectCalc;
}

QPointF TImageEffectInfo::frameCenter() const
{
    return DstOriginCustom ? DstOrigin : frameRect().center();
}

QRectF TImageEffectInfo::sourceRect() const
{
    return QRectF(0, 0, src.width(), src.height());
}

QRectF TImageEffectInfo::sourceDrawRect() const
{
    return sourceRect();
}

QPointF TImageEffectInfo::sourceCenter() const
{
    return sourceRect().center();
}

QPointF TImageEffectInfo::sourceDrawCenter() const
{
    return sourceDrawRect().center();
}

QPointF TImageEffectInfo::offsetCalc() const
{
    const QRectF f = frameRect();
    const double z = ZoomCalc();
    return QPointF(offset.x() * f.width() / 100.0 * z, offset.y() * f.height() / 100.0 * z);
}

QSizeF TImageEffectInfo::RecommandedSourceSize(QSizeF imgSize) const
{
    const QSizeF s(src.width() * zoomUser, src.height() * zoomUser);
    return imagegeometry::AspectRatioSizeCoerceMin(s, imgSize);
}

// ---------------------------------------------------------------------------
// TPrintOrderEffects: placement steps

void TPrintOrderEffects::Move(double dx, double dy, TImageEffectInfo& effectInfo)
{
    const double z = effectInfo.ZoomCalc();
    effectInfo.offset = QPointF(dx / z, dy / z);
}

void TPrintOrderEffects::Zoom(double zoom, TImageEffectInfo& effectInfo)
{
    // The shift in frame units stays where it is.
    effectInfo.offset *= effectInfo.ZoomCalc();
    effectInfo.zoomUser = zoom;
    effectInfo.offset /= effectInfo.ZoomCalc();
}

void TPrintOrderEffects::Rotate(double angle, TImageEffectInfo& effectInfo, double zoomCorrec)
{
    effectInfo.angle = angle;
    if (zoomCorrec != 0)
        Zoom(zoomCorrec * effectInfo.zoomUser, effectInfo);
}

void TPrintOrderEffects::FillIn(TImageEffectInfo& effectInfo)
{
    effectInfo.opLimit = TImageEffectFrameLimit::StayFillIn;
    effectInfo.offset = QPointF(0, 0);
    if (effectInfo.zoomFillInStart < 0) {
        // Start of a replay: the starting zoom is the one that covers the frame.
        effectInfo.zoomFillInStart = 1;
        effectInfo.zoomFillInStart = fillInZoom(effectInfo, false);
    } else {
        effectInfo.zoomUser = 1;
        effectInfo.zoomUser = fillInZoom(effectInfo, false);
    }
}

void TPrintOrderEffects::FitIn(TImageEffectInfo& effectInfo)
{
    if (!(effectInfo.zoomFillInStart > 0))
        throw Exception(Format(QStringLiteral("TPrintOrderEffects.FitIn: zoom start problem(%f)"),
                               { effectInfo.zoomFillInStart }));
    effectInfo.opLimit = TImageEffectFrameLimit::StayFitIn;
    effectInfo.offset = QPointF(0, 0);
    effectInfo.zoomUser = 1;
    effectInfo.zoomUser = fitInZoom(effectInfo);
}

bool TPrintOrderEffects::FillInOk(const TImageEffectInfo& effectInfo)
{
    return fillInZoom(effectInfo) > 0;
}

bool TPrintOrderEffects::FitInOk(const TImageEffectInfo& effectInfo)
{
    return fitInZoom(effectInfo) > 0;
}

// ---------------------------------------------------------------------------
// Matrix

QTransform TPrintOrderEffects::MatrixCalc(const TImageEffectInfo& effectInfo)
{
    const QPointF c = effectInfo.frameCenter();
    const QPointF o = effectInfo.srcAsDstOrigin ? c : effectInfo.sourceDrawCenter();
    const double rad = effectInfo.angle * kPi / 180.0;
    const double s = std::sin(rad);
    const double k = std::cos(rad);
    const double z = effectInfo.ZoomCalc();
    const QRectF f = effectInfo.frameRect();
    const double m31 = c.x() - o.x() * k * z - o.y() * s * z + effectInfo.offset.x() * f.width() / 100.0 * z;
    const double m32 = c.y() + o.x() * s * z - o.y() * k * z + effectInfo.offset.y() * f.height() / 100.0 * z;
    return QTransform(k * z, -s * z, s * z, k * z, m31, m32);
}

QPointF TPrintOrderEffects::MatrixTransfo(const QTransform& matrix, QPointF pt)
{
    return matrix.map(pt);
}

void TPrintOrderEffects::MatrixTransfo(const QTransform& matrix, std::vector<QPointF>& arrpt)
{
    for (QPointF& p : arrpt)
        p = matrix.map(p);
}

// ---------------------------------------------------------------------------
// Zooms and moves

double TPrintOrderEffects::fillInZoom(const TImageEffectInfo& effectInfo, bool /*traceRects*/)
{
    if (!hasArea(effectInfo))
        return -1;
    const QTransform m = MatrixCalc(effectInfo);
    const std::vector<QPointF> f = rectCorners(effectInfo.frameRect());
    std::vector<QPointF> q = rectCorners(effectInfo.sourceDrawRect());
    MatrixTransfo(m, q);
    const QPointF c = effectInfo.frameCenter();

    double d = std::numeric_limits<double>::max();
    for (const QPointF& p : f) {
        bool hit = false;
        for (size_t e = 0; e < 4; ++e) {
            double dist = 0;
            if (rayHit(c, p, q[e], q[(e + 1) % 4], dist)) {
                hit = true;
                d = std::min(d, dist);
            }
        }
        if (!hit)
            return -1;
    }
    if (!(d > 0))
        return d;
    return distance(c, f[0]) / d;
}

double TPrintOrderEffects::fitInZoom(const TImageEffectInfo& effectInfo)
{
    if (!hasArea(effectInfo))
        return -1;
    const QTransform m = MatrixCalc(effectInfo);
    const std::vector<QPointF> f = rectCorners(effectInfo.frameRect());
    std::vector<QPointF> q = rectCorners(effectInfo.sourceDrawRect());
    MatrixTransfo(m, q);
    const QPointF c = effectInfo.frameCenter();

    double ratio = std::numeric_limits<double>::max();
    for (const QPointF& p : q) {
        const double e = distance(c, p);
        bool hit = false;
        for (size_t k = 0; k < 4; ++k) {
            double dist = 0;
            if (rayHit(c, p, f[k], f[(k + 1) % 4], dist)) {
                hit = true;
                ratio = std::min(ratio, dist / e);
            }
        }
        if (!hit)
            return -1;
    }
    return ratio;
}

QPointF TPrintOrderEffects::calcFillInMove(const TImageEffectInfo& effectInfo)
{
    const QTransform m = MatrixCalc(effectInfo);
    bool invertible = false;
    const QTransform inv = m.inverted(&invertible);
    if (!invertible)
        return QPointF(0, 0);
    const QRectF s = effectInfo.sourceRect();
    double dx = 0;
    double dy = 0;
    for (const QPointF& corner : rectCorners(effectInfo.frameRect())) {
        const QPointF q = inv.map(corner);
        if (q.x() >= s.left() && q.x() < s.right() && q.y() >= s.top() && q.y() < s.bottom())
            continue;
        double vx = 0;
        if (q.x() < s.left())
            vx = s.left() - q.x();
        else if (q.x() > s.right())
            vx = s.right() - q.x();
        if (std::abs(vx) > std::abs(dx))
            dx = vx;
        double vy = 0;
        if (q.y() < s.top())
            vy = s.top() - q.y();
        else if (q.y() > s.bottom())
            vy = s.bottom() - q.y();
        if (std::abs(vy) > std::abs(dy))
            dy = vy;
    }
    const QPointF p = m.map(s.center() + QPointF(dx, dy));
    return -((p - effectInfo.frameRect().center()) - effectInfo.offsetCalc());
}

QPointF TPrintOrderEffects::calcFitInMove(const TImageEffectInfo& effectInfo)
{
    const QRectF b = calcBoundingRectSrc(effectInfo);
    const QRectF f = effectInfo.frameRect();
    double x = 0;
    if (f.left() > b.left())
        x = f.left() - b.left();
    else if (b.right() > f.right())
        x = f.right() - b.right();
    double y = 0;
    if (f.top() > b.top())
        y = f.top() - b.top();
    else if (b.bottom() > f.bottom())
        y = f.bottom() - b.bottom();
    return QPointF(x, y);
}

QRectF TPrintOrderEffects::calcBoundingRectSrc(const TImageEffectInfo& effectInfo)
{
    return calcBoundingRect(MatrixCalc(effectInfo), effectInfo.sourceRect());
}

QRectF TPrintOrderEffects::calcBoundingRect(const QTransform& matrix, const QRectF& rect)
{
    std::vector<QPointF> pts = rectCorners(rect);
    MatrixTransfo(matrix, pts);
    double l = pts[0].x(), r = pts[0].x(), t = pts[0].y(), b = pts[0].y();
    for (const QPointF& p : pts) {
        l = std::min(l, p.x());
        r = std::max(r, p.x());
        t = std::min(t, p.y());
        b = std::max(b, p.y());
    }
    return QRectF(QPointF(l, t), QPointF(r, b));
}

int64_t TPrintOrderEffects::valRndInt(double val)
{
    return static_cast<int64_t>(std::nearbyint(val * 100.0));
}

QString TPrintOrderEffects::rectsToStr(const std::vector<QPointF>& arrpt)
{
    QStringList parts;
    for (const QPointF& p : arrpt)
        parts << QString::number(p.x()) + QLatin1Char(',') + QString::number(p.y());
    return parts.join(QStringLiteral("; "));
}

// ---------------------------------------------------------------------------
// Final rendering

QImage TPrintOrderEffects::Rotate90(const QImage& surface)
{
    return surface.transformed(QTransform().rotate(90));
}

void TPrintOrderEffects::GenerateFinalBitmap(QImage& bitmapSurface, bool& bitmapSurfaceReadOnly,
                                             const TImageEffectInfo& effectInfo)
{
    const int w = static_cast<int>(std::lround(effectInfo.dst.width()));
    const int h = static_cast<int>(std::lround(effectInfo.dst.height()));
    if (w <= 0 || h <= 0)
        throw Exception(QStringLiteral("TPrintOrderEffects.GenerateFinalBitmap: invalid frame size (%1x%2)")
                            .arg(w)
                            .arg(h));

    // Opaque renderings (every print) go to RGB32, which the JPEG writer
    // takes as it is; transparent ones are drawn premultiplied, as the
    // painter needs, and handed out straight.
    const QImage::Format format = effectInfo.transparencyAllowed ? QImage::Format_ARGB32_Premultiplied
                                                                 : QImage::Format_RGB32;
    // A turned frame is drawn straight into its final orientation: the
    // quarter turn clockwise is folded into the matrix ((x, y) of the drawn
    // frame goes to (h - y, x)), which samples the same points as drawing
    // and then turning, without a second full-size surface.
    const int outW = effectInfo.rotate90 ? h : w;
    const int outH = effectInfo.rotate90 ? w : h;
    QTransform matrix = MatrixCalc(effectInfo);
    if (effectInfo.rotate90) {
        LogDebug(QStringLiteral("TPrintOrderEffects.GenerateFinalBitmap.Rotate90: start %1")
                            .arg(TAppTools::AppMemoryUsageStr()));
        matrix = matrix * QTransform(0, 1, -1, 0, h, 0);
    }
    QImage result(outW, outH, format);
    if (result.isNull())
        throw EImgTooBig(QStringLiteral("TPrintOrderEffects.GenerateFinalBitmap: cannot allocate %1x%2")
                             .arg(outW)
                             .arg(outH));
    result.fill(effectInfo.transparencyAllowed ? QColor(Qt::transparent) : QColor(Qt::white));

    const QImage source = bitmapSurface; // shared, only read
    const bool smooth = !effectInfo.fastRender;
    if (!source.isNull()) {
        // Large renderings are drawn in horizontal bands on several threads;
        // each band is the same drawing clipped to its rows.
        const int cores = std::max(1, QThread::idealThreadCount());
        const int bands = std::clamp(std::min(cores, 8), 1, std::max(1, outH / 256));
        uchar* bits = result.bits();
        const qsizetype bpl = result.bytesPerLine();
        if (bands == 1) {
            drawBand(bits, bpl, outW, format, 0, outH, source, matrix, effectInfo.sourceDrawRect(),
                     effectInfo.sourceRect(), smooth);
        } else {
            std::vector<std::thread> threads;
            threads.reserve(static_cast<size_t>(bands));
            for (int i = 0; i < bands; ++i) {
                const int y0 = static_cast<int>(int64_t(outH) * i / bands);
                const int y1 = static_cast<int>(int64_t(outH) * (i + 1) / bands);
                const auto draw = [&, y0, y1] {
                    drawBand(bits, bpl, outW, format, y0, y1, source, matrix, effectInfo.sourceDrawRect(),
                             effectInfo.sourceRect(), smooth);
                };
                try {
                    threads.emplace_back(draw);
                } catch (const std::system_error&) {
                    draw(); // no thread to be had: this band on the calling thread
                }
            }
            for (std::thread& t : threads)
                t.join();
        }
    }

    // The picture is no longer needed here; a read-only surface stays with
    // its owner (the bitmap cache).
    bitmapSurface = QImage();
    bitmapSurfaceReadOnly = false;

    if (effectInfo.transparencyAllowed)
        result.convertTo(QImage::Format_ARGB32);
    if (effectInfo.rotate90)
        LogDebug(QStringLiteral("TPrintOrderEffects.GenerateFinalBitmap.Rotate90: end %1")
                            .arg(TAppTools::AppMemoryUsageStr()));
    bitmapSurface = std::move(result);
}
