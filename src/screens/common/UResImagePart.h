#pragma once
// The "drawlayout" part of a tile that shows a picture of the program's
// resources (home tiles, calendar-type tiles): the picture comes from the
// main window's resource-image cache and is drawn through the shared bitmap
// cache, centred at its own pixel size. A picture not built yet is built on
// the bitmap queue (ResImageBitmapQueue) and the part repaints when it is
// ready; without a queue it is built at once on the main thread.
#include "UBitmapCachePart.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class IMainFrame;
class TOrderImageBase;
class TThreadTaskQueueBase;

// The queue that builds the tiles' pictures: the photo source's bitmap
// queue once that is registered; null builds at once.
using TResImageQueueHook = std::function<TThreadTaskQueueBase*(IMainFrame* main)>;
void SetResImageBitmapQueue(TResImageQueueHook hook);
TThreadTaskQueueBase* ResImageBitmapQueue(IMainFrame* main);

class TResImagePart : public TBitmapCachePart {
    Q_OBJECT
public:
    // logName: the owner's class name for the log lines
    // ("<logName>.layout...Paint", "<logName>.Destroy").
    TResImagePart(const QString& logName, const QString& paintLogName, QWidget* parent);

    // The picture (not owned); null shows nothing.
    void setImage(TOrderImageBase* img);
    TOrderImageBase* image() const { return fImg; }

protected:
    bool paintPart() override;

private:
    TOrderImageBase* fImg = nullptr;
};
