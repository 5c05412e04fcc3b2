#pragma once
// The "drawlayout" part of a tile that draws through the shared bitmap
// cache: an overlay that follows its parent's size and lets clicks through,
// brackets each paint with the cache's use calls, repaints when a bitmap it
// waited for is built, and logs a failing paint without passing it on (a
// broken picture must not take the screen down).
#include "UOrderBitmapCache.h"

#include <QString>
#include <QWidget>

class IMainFrame;
class QPainter;
class TOrderImageBase;

class TBitmapCachePart : public QWidget, public IOrderBitmapNotif {
    Q_OBJECT
public:
    // logName: the owner's class name ("<logName>.Destroy"); paintLogName:
    // the log line of a failing paint.
    TBitmapCachePart(const QString& logName, const QString& paintLogName, QWidget* parent);
    ~TBitmapCachePart() override;

    void setMain(IMainFrame* main) { fMain = main; }
    IMainFrame* main() const { return fMain; }
    // Everything was drawn at the last paint.
    bool Drawn() const { return fDrawn; }

    void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) override;

protected:
    // Draws the part inside the cache's use bracket (main frame set);
    // answers whether everything was drawn. May raise.
    virtual bool paintPart() = 0;
    // The picture's bitmap at the part's size, built on the resource
    // bitmap queue (the part repaints when it is ready); null until then.
    TZebbitmap cachedBitmap(TOrderImageBase* img);
    // Draws the bitmap centred at its own pixel size; answers where.
    QRectF drawCentred(QPainter& p, const TZebbitmap& pic) const;

    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString fLogName;
    QString fPaintLogName;
    IMainFrame* fMain = nullptr;
    bool fDrawn = false;
};
