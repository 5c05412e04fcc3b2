#pragma once
// The "drawlayout" part of the tiles that show a live preview of a product
// (card backgrounds, calendars, photo books and their themes): the owner
// hands a painter that draws the preview's page(s) through the bitmap
// cache; the part brackets it with the cache's use calls, repaints when a
// bitmap it waited for is built, and logs a failing paint without passing
// it on (a broken preview must not take the screen down).
#include "UBitmapCachePart.h"

#include <QWidget>

#include <functional>

class IMainFrame;
class TCustomizedPageBase;
class TThreadTaskQueueBase;

class TPagePreviewPart : public TBitmapCachePart {
    Q_OBJECT
public:
    // The painter answers whether it drew the whole preview.
    using TPainter = std::function<bool(TPagePreviewPart* part, QPainter& canvas, const QRectF& rect)>;

    TPagePreviewPart(const QString& logName, const QString& paintLogName, QWidget* parent);

    void setPainter(TPainter painter);
    // The queue on which preview bitmaps are built (null: at once).
    TThreadTaskQueueBase* bitmapQueue() const;

    // Draws a page of a preview product fitted in rect.
    static bool drawPage(TPagePreviewPart* part, QPainter& canvas, const QRectF& rect, TCustomizedPageBase* page);
    // Draws two pages side by side (an open double page), each half of
    // rect; nothing until both bitmaps are ready.
    static bool drawSpread(TPagePreviewPart* part, QPainter& canvas, const QRectF& rect, TCustomizedPageBase* left,
                           TCustomizedPageBase* right);

protected:
    bool paintPart() override;

private:
    TPainter fPainter;
};
