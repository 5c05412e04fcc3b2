#pragma once
// Drawing of designed pages and their frames through the bitmap cache: the
// steps that turn a page's frames into cache requests and draw what is
// ready, and the off-screen builds that the cache runs for page previews,
// text pictures and clip-art border pictures.
//
// The page and frame classes describe themselves to these routines (a
// TFrameDrawInfo per frame, the page size in millimetres); the geometry and
// the pixel work are those of TPageRenderTools. Screen drawing runs on the
// main thread inside a control's paint; the builds run wherever the cache
// runs them and do their drawing on the main thread through
// MainThreadSynchro, because drawable bitmaps and canvases may only be used
// there.
#include "UCustomizedFrameRules.h"
#include "UOrderBitmapCache.h"
#include "UPageRendering.h"

#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <functional>

class TCustomizedFrame;

// Lets a control draw its marks over a frame once the frame has been drawn
// (the page editor's selection and swap marks). Called in the frame's
// rotated coordinates.
class ICustomizedFrameDraw {
public:
    virtual ~ICustomizedFrameDraw() = default;
    virtual void drawFrameSwapMark(TCustomizedFrame* frame, IMainFrame* main, QPainter& canvas,
                                   const QRectF& frameRect, TThreadTaskQueueBase* taskQueue, bool bForce)
        = 0;
};

// What drawing needs of one frame.
struct TFrameDrawInfo {
    // The frame itself, handed to ICustomizedFrameDraw; may be null.
    TCustomizedFrame* frame = nullptr;
    // Position and size on the page, in millimetres, before rotation.
    QRectF rectMm;
    // Degrees about the frame's centre, positive turning counter-clockwise.
    double rotationAngle = 0;
    // The frame's own rendering (text frames, frames without picture or with
    // effects), asked at the frame's pixel size in obm_sizeMax. When null,
    // orderImage's shared bitmap is drawn with a centre crop instead.
    TImageSource* ownPicture = nullptr;
    TImageSource* orderImage = nullptr;
    // A clip-art border: its picture source (the border) and the widths of
    // its bands around the frame in millimetres. Null without clip-art.
    TImageSource* borderPicture = nullptr;
    TCustomizedFrameRules::TBands borderBandsMm;
    // A plain border line when there is no border picture: thickness in
    // tenths of a millimetre (0 or less: none) and colour.
    double borderThickness = 0;
    QRgb borderColor = 0;
};

class TPageDrawing {
public:
    TPageDrawing() = delete;

    // Draws a page into the canvas: fits the page (pageMm) into local (whose
    // origin is the canvas origin) by placement, clips to it and calls
    // drawFrames with the page rectangle. The canvas state is restored in
    // every case. An exception other than ETaskRetry is logged and swallowed
    // (the page shows what was drawn); ETaskRetry goes on to the caller.
    static void DrawPage(QPainter& canvas, const QRectF& local, QSizeF pageMm, TPagePlacement placement,
                         const std::function<void(const QRectF& pageRect)>& drawFrames);

    // Draws one frame of a page drawn into pageRect at mmPerPx millimetres
    // per pixel. Bitmaps that are not ready are asked on taskQueue with notif
    // as the one to tell (bForce builds them at once) and left out. Returns
    // the frame's placement matrix (kept by the frame for hit testing).
    static QTransform DrawFrame(IMainFrame* main, QPainter& canvas, const QRectF& pageRect, double mmPerPx,
                                const TFrameDrawInfo& f, TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif,
                                bool bForce);

    // The photo window of a photo-book cover (page 1 or 2 of an album with a
    // first-page photo), drawn after the frames: white, and on the front
    // cover the matching part of page 3's preview once that is in the cache
    // (asked at the rectangle's rounded size with taskQueue and notif).
    static void DrawCoverWindow(IMainFrame* main, QPainter& canvas, const QRectF& rect, double pageWidthMm,
                                const QRectF& photoMm, int pageNum, TImageSource* page3,
                                TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif);

    // The preview of a page for the cache: the box (maxWidth, maxHeight)
    // fitted to the page, then on the main thread a transparent bitmap into
    // which draw paints the page at (0, 0, width, height). draw gets the queue
    // of the building worker (null on the main thread): frame bitmaps not
    // ready are asked there as high-priority tasks, and the cache then builds
    // the page again after them. Raises ETaskNotReady while 2D rendering is
    // not ready.
    static TZebbitmap BuildPagePreview(
        IMainFrame* main, const QString& label, QSizeF pageMm, int maxWidth, int maxHeight, TOrderBitmapMode mode,
        const std::function<void(QPainter& canvas, const QRectF& local, TThreadTaskQueueBase* taskQueue)>& draw);

    // The picture of a text frame: at the box (maxWidth, maxHeight), or at
    // print size for the channel when maxWidth is 0. Drawn on the main
    // thread.
    static TZebbitmap BuildTextPicture(IMainFrame* main, const QString& label, const TTextBloc& text,
                                       QSizeF frameMm, int transferChannel, int maxWidth, int maxHeight,
                                       TOrderBitmapMode mode);

    // A clip-art border picture around a frame of frameMm: the box (or print
    // size for the channel when maxWidth is 0) fitted to the frame with its
    // bands, the clip-art picture (clipart, whose bands are L, T, R, B of its
    // own pixels) taken from the cache at full size, and its eight pieces
    // stretched around a transparent centre. Raises "ClipartFrame must not
    // be nil here!" without clip-art and ETaskNotReady when its picture
    // cannot be had.
    static TZebbitmap BuildBorderPicture(IMainFrame* main, const QString& label, TImageSource* clipart, int L,
                                         int T, int R, int B, const TCustomizedFrameRules::TBands& bandsMm,
                                         QSizeF frameMm, int transferChannel, int maxWidth, int maxHeight,
                                         TOrderBitmapMode mode);
};
