#include "UResImagePart.h"

#include "IMainFrame.h"
#include "UDebug.h"
#include "UImageSource.h"
#include "UImageTransfer.h"
#include "UOrderImage.h"
#include "UThreadTaskQueue.h"

#include <QEvent>
#include <QPainter>

namespace {
TResImageQueueHook& queueHook()
{
    static TResImageQueueHook hook;
    return hook;
}
} // namespace

void SetResImageBitmapQueue(TResImageQueueHook hook)
{
    queueHook() = std::move(hook);
}

TThreadTaskQueueBase* ResImageBitmapQueue(IMainFrame* main)
{
    return queueHook() ? queueHook()(main) : nullptr;
}

TResImagePart::TResImagePart(const QString& logName, const QString& paintLogName, QWidget* parent)
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

bool TResImagePart::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

TResImagePart::~TResImagePart()
{
    if (!fMain)
        return;
    try {
        fMain->BitmapCacheCtrlDestroyed(this);
    } catch (const std::exception& e) {
        LogError(fLogName + QStringLiteral(".Destroy"), e);
    }
}

void TResImagePart::setImage(TOrderImageBase* img)
{
    fImg = img;
    update();
}

void TResImagePart::OnOrderBitmapLoaded(const IOrderBitmapRef&)
{
    // The cache tells a QObject on the main thread.
    update();
}

void TResImagePart::paintEvent(QPaintEvent*)
{
    fDrawn = false;
    if (!fImg || !fMain)
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
        IOrderBitmapRef bmp = fMain->BitmapCache(fImg, width(), height(), TOrderBitmapMode::obm_sizeMax);
        if (!bmp)
            return;
        TThreadTaskQueueBase* queue = ResImageBitmapQueue(fMain);
        if (!bmp->IsBitmapLoaded(queue, this, queue == nullptr))
            return;
        const TZebbitmap pic = bmp->Bitmap();
        if (pic.isNull())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const qreal dpr = pic.devicePixelRatio() > 0 ? pic.devicePixelRatio() : 1;
        const QSizeF size(pic.width() / dpr, pic.height() / dpr);
        p.drawImage(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), pic);
        fDrawn = true;
    } catch (const std::exception& e) {
        LogError(fPaintLogName, e);
    }
}
