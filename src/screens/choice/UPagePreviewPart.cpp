#include "UPagePreviewPart.h"

#include "IMainFrame.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "UPageRendering.h"
#include "UResImagePart.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

TPagePreviewPart::TPagePreviewPart(const QString& logName, const QString& paintLogName, QWidget* parent)
    : TBitmapCachePart(logName, paintLogName, parent)
{
}

void TPagePreviewPart::setPainter(TPainter painter)
{
    fPainter = std::move(painter);
    update();
}

TThreadTaskQueueBase* TPagePreviewPart::bitmapQueue() const
{
    return ResImageBitmapQueue(main());
}

bool TPagePreviewPart::paintPart()
{
    if (!fPainter)
        return false;
    QPainter p(this);
    return fPainter(this, p, QRectF(rect()));
}

bool TPagePreviewPart::drawPage(TPagePreviewPart* part, QPainter& canvas, const QRectF& rect,
                                TCustomizedPageBase* page)
{
    if (!page)
        return false;
    page->draw(part->main(), canvas, rect, part->bitmapQueue(), part, TPagePlacement::PageCenter, nullptr);
    return true;
}

bool TPagePreviewPart::drawSpread(TPagePreviewPart* part, QPainter& canvas, const QRectF& rect,
                                  TCustomizedPageBase* left, TCustomizedPageBase* right)
{
    if (!left || !right)
        return false;
    IMainFrame* main = part->main();
    const int w = int(std::nearbyint(rect.width() / 2));
    const int h = int(std::nearbyint(rect.height()));
    IOrderBitmapRef b1 = main->BitmapCache(left, w, h, TOrderBitmapMode::obm_sizeMax);
    IOrderBitmapRef b2 = main->BitmapCache(right, w, h, TOrderBitmapMode::obm_sizeMax);
    if (!b1 || !b2)
        return false;
    TThreadTaskQueueBase* queue = part->bitmapQueue();
    const bool l1 = b1->IsBitmapLoaded(queue, part, queue == nullptr);
    const bool l2 = b2->IsBitmapLoaded(queue, part, queue == nullptr);
    // A half-drawn double page would jump when its other half arrives.
    if (!l1 || !l2)
        return false;
    const TZebbitmap p1 = b1->Bitmap();
    const TZebbitmap p2 = b2->Bitmap();
    if (p1.isNull() || p2.isNull())
        return false;
    const qreal dpr = p1.devicePixelRatio() > 0 ? p1.devicePixelRatio() : 1;
    canvas.drawImage(rect.topLeft(), p1);
    canvas.drawImage(rect.topLeft() + QPointF(p1.width() / dpr, 0), p2);
    return true;
}
