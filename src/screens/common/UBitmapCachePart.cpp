#include "UBitmapCachePart.h"

#include "IMainFrame.h"
#include "UDebug.h"
#include "UOrderImage.h"
#include "UResImagePart.h"

#include <QEvent>
#include <QPainter>

TBitmapCachePart::TBitmapCachePart(const QString& logName, const QString& paintLogName, QWidget* parent)
    : QWidget(parent)
    , fLogName(logName)
    , fPaintLogName(paintLogName)
{
    setObjectName(QStringLiteral("drawlayout"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

TBitmapCachePart::~TBitmapCachePart()
{
    if (!fMain)
        return;
    try {
        fMain->BitmapCacheCtrlDestroyed(this);
    } catch (const std::exception& e) {
        LogError(fLogName + QStringLiteral(".Destroy"), e);
    }
}

bool TBitmapCachePart::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TBitmapCachePart::OnOrderBitmapLoaded(const IOrderBitmapRef&)
{
    // The cache tells a QObject on the main thread.
    update();
}

void TBitmapCachePart::paintEvent(QPaintEvent*)
{
    fDrawn = false;
    if (!fMain)
        return;
    try {
        fMain->BitmapCacheCtrlStartUse(this);
        struct TEndUse {
            IMainFrame* main;
            QObject* ctrl;
            ~TEndUse()
            {
                try {
                    main->BitmapCacheCtrlEndUse(ctrl, true);
                } catch (...) {
                }
            }
        } endUse { fMain, this };
        fDrawn = paintPart();
    } catch (const std::exception& e) {
        LogError(fPaintLogName, e);
    }
}

TZebbitmap TBitmapCachePart::cachedBitmap(TOrderImageBase* img)
{
    IOrderBitmapRef bmp = fMain->BitmapCache(img, width(), height(), TOrderBitmapMode::obm_sizeMax);
    if (!bmp)
        return TZebbitmap();
    TThreadTaskQueueBase* queue = ResImageBitmapQueue(fMain);
    if (!bmp->IsBitmapLoaded(queue, this, queue == nullptr))
        return TZebbitmap();
    return bmp->Bitmap();
}

QRectF TBitmapCachePart::drawCentred(QPainter& p, const TZebbitmap& pic) const
{
    const qreal dpr = pic.devicePixelRatio() > 0 ? pic.devicePixelRatio() : 1;
    const QSizeF size(pic.width() / dpr, pic.height() / dpr);
    const QRectF at(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.drawImage(at.topLeft(), pic);
    return at;
}
