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
    : TBitmapCachePart(logName, paintLogName, parent)
{
}

void TResImagePart::setImage(TOrderImageBase* img)
{
    fImg = img;
    update();
}

bool TResImagePart::paintPart()
{
    if (!fImg)
        return false;
    const TZebbitmap pic = cachedBitmap(fImg);
    if (pic.isNull())
        return false;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    drawCentred(p, pic);
    return true;
}
