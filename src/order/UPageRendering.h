#pragma once
// Drawing of designed pages and their frames with QPainter: the geometry
// that turns the millimetres of the model into pixels, and the pictures
// rendered off screen (text pictures, eight-piece border pictures).
//
// One ratio of millimetres per pixel holds for a whole page drawing. Frames
// are placed from the page rectangle, turned about their centre, and show
// either their own rendering or the order image's shared bitmap with a
// centre crop; a border is a clip-art picture stretched around the frame or
// a plain line just outside it.
#include "UTextBloc.h"
#include "UZebbitmap.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

// Where a page sits in a rectangle wider than the page: a left page is
// pushed to the right end, a right page to the left end.
enum class TPagePlacement : int { PageCenter = 0, PageLeft = 1, PageRight = 2 };

class TPageRenderTools {
public:
    TPageRenderTools() = delete;

    // Margin between a text frame's edge and its text, in millimetres.
    static constexpr double TextMarginMm = 5;

    // Shrinks panel to the largest size with the ratio of sizeMm inside it
    // and returns millimetres per pixel (sizeMm width / new panel width).
    // sizeMm must have an area.
    static double FitRatioMmPerPx(QSizeF sizeMm, QSizeF& panel);

    // The page rectangle inside local (whose origin is the canvas origin).
    static QRectF PageRect(const QRectF& local, QSizeF pageMm, TPagePlacement placement);

    // A frame's rectangle in pixels before rotation: positions and sizes in
    // millimetres divided by r, from the page rectangle's corner.
    static QRectF FrameRect(const QRectF& pageRect, double mmPerPx, const QRectF& frameMm);

    // Rotation of angle degrees (positive turns counter-clockwise on screen)
    // about the frame rectangle's centre.
    static QTransform FrameMatrix(double angleDeg, const QRectF& frameRect);

    // The largest rectangle with the frame's ratio inside a bitmap, centred.
    static QRectF CenterCrop(QSizeF bitmap, QSizeF frame);

    // A picture drawn from src (in the picture's pixels) into dst.
    static void DrawPicture(QPainter& p, const QImage& img, const QRectF& dst, const QRectF& src,
                            bool smooth = true);

    // A plain border: a line of thickness / 10 millimetres, centred on the
    // frame rectangle enlarged by half its width, square corners.
    static void DrawBorderLine(QPainter& p, const QRectF& frameRect, QRgb color, double thickness,
                               double mmPerPx);

    // A text picture for a frame of frameMm: the box (maxWidth, maxHeight)
    // fitted to the frame's ratio, the background colour, the text at
    // FontSize / r pixels, word-wrapped, inset by the text margin.
    static TZebbitmap TextPicture(const TTextBloc& text, QSizeF frameMm, int maxWidth, int maxHeight);

    // The eight pieces of a clip-art border picture (W x H, bands L, T, R, B
    // in its own pixels) stretched around a frame: total is the picture's
    // pixel size, bands the border widths around the frame in pixels
    // (left, top, right, bottom) and frame the frame's size in pixels. The
    // centre stays transparent.
    static TZebbitmap BorderPicture(const QImage& clipart, int L, int T, int R, int B, QSize total,
                                    const QRectF& bands, QSizeF frame);

    // The photo window of a photo-book cover: page 1 measures its left from
    // the rectangle's left, page 2 its right from the rectangle's right.
    // photoMm: the album's window (X, Y, width, height) in millimetres.
    static QRectF CoverWindowRect(const QRectF& rect, double pageWidthMm, const QRectF& photoMm, int pageNum);
    // Fills the window with opaque white and, when page3 is given (the first
    // interior page's preview drawn at the rectangle's size), shows the same
    // region of it: the front cover shows the first photo through its window.
    static void DrawCoverWindow(QPainter& p, const QRectF& rect, const QRectF& window, const QImage* page3);
};
