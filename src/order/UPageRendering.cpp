#include "UPageRendering.h"

#include "UAppExceptions.h"
#include "UPrintOrderEffects.h"
#include "UTools.h"

#include <QTextOption>
#include <cmath>

double TPageRenderTools::FitRatioMmPerPx(QSizeF sizeMm, QSizeF& panel)
{
    float w = float(panel.width());
    float h = float(panel.height());
    TImageTools::AspectRatioSizeCoerceF(w, h, float(sizeMm.width()), float(sizeMm.height()));
    panel = QSizeF(w, h);
    return w > 0 ? sizeMm.width() / double(w) : 0;
}

QRectF TPageRenderTools::PageRect(const QRectF& local, QSizeF pageMm, TPagePlacement placement)
{
    QSizeF page = local.size();
    FitRatioMmPerPx(pageMm, page);
    const double spareW = local.width() - page.width();
    const double spareH = local.height() - page.height();
    double x = 0;
    switch (placement) {
    case TPagePlacement::PageCenter:
        x = spareW / 2;
        break;
    case TPagePlacement::PageLeft:
        x = spareW;
        break;
    case TPagePlacement::PageRight:
        x = 0;
        break;
    }
    // Offsets are measured from the canvas origin, as the caller's local
    // rectangle starts there.
    return QRectF(QPointF(x, spareH / 2), page);
}

QRectF TPageRenderTools::FrameRect(const QRectF& pageRect, double r, const QRectF& frameMm)
{
    const double left = pageRect.left() + frameMm.x() / r;
    const double top = pageRect.top() + frameMm.y() / r;
    return QRectF(left, top, frameMm.width() / r, frameMm.height() / r);
}

QTransform TPageRenderTools::FrameMatrix(double angleDeg, const QRectF& frameRect)
{
    TImageEffectInfo info;
    info.angle = angleDeg;
    info.src = frameRect.size();
    info.dst = frameRect.size();
    info.frameRectCalc = frameRect;
    info.srcAsDstOrigin = true;
    return TPrintOrderEffects::MatrixCalc(info);
}

QRectF TPageRenderTools::CenterCrop(QSizeF bitmap, QSizeF frame)
{
    if (frame.width() <= 0 || frame.height() <= 0 || bitmap.isEmpty())
        return QRectF(QPointF(0, 0), bitmap);
    QSizeF s = bitmap;
    float w = float(s.width());
    float h = float(s.height());
    TImageTools::AspectRatioSizeCoerceF(w, h, float(frame.width()), float(frame.height()));
    return QRectF((bitmap.width() - w) / 2, (bitmap.height() - h) / 2, w, h);
}

void TPageRenderTools::DrawPicture(QPainter& p, const QImage& img, const QRectF& dst, const QRectF& src, bool smooth)
{
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    p.setOpacity(1.0);
    p.drawImage(dst, img, src);
    p.restore();
}

void TPageRenderTools::DrawBorderLine(QPainter& p, const QRectF& frameRect, QRgb color, double thickness,
                                      double r)
{
    if (thickness <= 0 || r <= 0)
        return;
    const double t = thickness / 10.0 / r;
    p.save();
    QPen pen(QColor::fromRgba(color), t, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(frameRect.adjusted(-t / 2, -t / 2, t / 2, t / 2));
    p.restore();
}

TZebbitmap TPageRenderTools::TextPicture(const TTextBloc& text, QSizeF frameMm, int maxWidth, int maxHeight)
{
    if (frameMm.width() <= 0 || frameMm.height() <= 0)
        throw Exception(QStringLiteral("TCustomizedFrame.onAsyncBitmapBuild/text: frame without size"));
    QSizeF panel(maxWidth, maxHeight);
    const double r = FitRatioMmPerPx(frameMm, panel);
    const QSize px(qMax(1, qRound(panel.width())), qMax(1, qRound(panel.height())));
    TZebbitmap bmp(px.width(), px.height(), QImage::Format_ARGB32_Premultiplied);
    bmp.fill(Qt::transparent);
    {
        QPainter p(&bmp);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.fillRect(QRect(QPoint(0, 0), px), QColor::fromRgba(text.BackAlphaColor()));
        p.setPen(QColor::fromRgba(text.FontAlphaColor()));
        p.setFont(text.QtFont(r > 0 ? text.FontSize() / r : 0));
        const double margin = r > 0 ? TextMarginMm / r : 0;
        const QRectF box = QRectF(QPointF(0, 0), QSizeF(px)).adjusted(margin, margin, -margin, -margin);
        Qt::Alignment align;
        switch (text.FontHorzPosition()) {
        case TTextAlign::Center:
            align |= Qt::AlignHCenter;
            break;
        case TTextAlign::Leading:
            align |= Qt::AlignLeft;
            break;
        case TTextAlign::Trailing:
            align |= Qt::AlignRight;
            break;
        }
        switch (text.FontVertPosition()) {
        case TTextAlign::Center:
            align |= Qt::AlignVCenter;
            break;
        case TTextAlign::Leading:
            align |= Qt::AlignTop;
            break;
        case TTextAlign::Trailing:
            align |= Qt::AlignBottom;
            break;
        }
        QTextOption opt(align);
        opt.setWrapMode(QTextOption::WordWrap);
        p.drawText(box, text.Text(), opt);
    }
    TCanvasHelper::ProcessTexturesToFree();
    return bmp;
}

TZebbitmap TPageRenderTools::BorderPicture(const QImage& clipart, int L, int T, int R, int B, QSize total,
                                           const QRectF& bands, QSizeF frame)
{
    TZebbitmap bmp(qMax(1, total.width()), qMax(1, total.height()), QImage::Format_ARGB32_Premultiplied);
    bmp.fill(Qt::transparent);
    const double W = clipart.width();
    const double H = clipart.height();
    const double lx = std::ceil(bands.left());
    const double rx = std::trunc(bands.left() + frame.width());
    const double ty = std::ceil(bands.top());
    const double by = std::trunc(bands.top() + frame.height());
    const double cols[4] = { 0, lx, rx, double(total.width()) };
    const double rows[4] = { 0, ty, by, double(total.height()) };
    const double srcCols[4] = { 0, double(L), W - R, W };
    const double srcRows[4] = { 0, double(T), H - B, H };
    {
        QPainter p(&bmp);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                if (row == 1 && col == 1)
                    continue; // the frame's own area stays transparent
                const QRectF src(QPointF(srcCols[col], srcRows[row]), QPointF(srcCols[col + 1], srcRows[row + 1]));
                const QRectF dst(QPointF(cols[col], rows[row]), QPointF(cols[col + 1], rows[row + 1]));
                if (src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 || dst.height() <= 0)
                    continue;
                p.drawImage(dst, clipart, src);
            }
    }
    TCanvasHelper::ProcessTexturesToFree();
    return bmp;
}

QRectF TPageRenderTools::CoverWindowRect(const QRectF& rect, double pageWidthMm, const QRectF& photoMm, int pageNum)
{
    const double r = pageWidthMm / rect.width();
    const double w = photoMm.width() / r;
    const double h = photoMm.height() / r;
    const double top = rect.top() + photoMm.y() / r;
    const double left = pageNum == 1 ? rect.left() + photoMm.x() / r : rect.right() - photoMm.x() / r - w;
    return QRectF(left, top, w, h);
}

void TPageRenderTools::DrawCoverWindow(QPainter& p, const QRectF& rect, const QRectF& window, const QImage* page3)
{
    p.fillRect(window, Qt::white);
    if (page3 && !page3->isNull())
        DrawPicture(p, *page3, window, window.translated(-rect.topLeft()));
}
