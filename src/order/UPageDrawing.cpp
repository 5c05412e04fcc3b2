#include "UPageDrawing.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "UFormat.h"

namespace {

const QString kNoPageSize =
    QStringLiteral("TCustomizedPage.getRatioMmPerPx: no background frame or background frame with invalid size");

bool debugMode(IMainFrame* main)
{
    return main && main->GetDebugMode();
}

QString memoryText(IMainFrame* main)
{
    return main ? main->AppMemoryUsageStr() : QString();
}

// Off-screen drawing waits while the main window cannot draw yet; the task
// is run again later.
void check2DReady(IMainFrame* main, const QString& label)
{
    if (main && !main->Is2DrenderingReady())
        throw ETaskNotReady(Format(QStringLiteral("%s.onAsyncBitmapBuild: 2D rendering not ready"), { label }));
}

IOrderBitmapRef cacheAccess(IMainFrame* main, TImageSource* src, int w, int h, TOrderBitmapMode mode)
{
    if (!main)
        throw Exception(QStringLiteral("TCustomizedFrame.draw: no main frame"));
    return main->BitmapCache(src, w, h, mode);
}

// The box of an off-screen picture: the asked maximum, or the print size of
// sizeMm for the channel when no maximum is given (dpi then set).
QSizeF pictureBox(IMainFrame* main, int transferChannel, QSizeF sizeMm, int maxWidth, int maxHeight, int* dpi)
{
    if (maxWidth != 0)
        return QSizeF(maxWidth, maxHeight);
    if (!main)
        throw Exception(QStringLiteral("TCustomizedFrame.onAsyncBitmapBuild: no main frame"));
    return main->BitmapSizeMmToPixel(transferChannel, sizeMm, dpi, true);
}

} // namespace

void TPageDrawing::DrawPage(QPainter& canvas, const QRectF& local, QSizeF pageMm, TPagePlacement placement,
                            const std::function<void(const QRectF& pageRect)>& drawFrames)
{
    canvas.save();
    try {
        if (pageMm.width() <= 0 || pageMm.height() <= 0)
            throw Exception(kNoPageSize);
        const QRectF pageRect = TPageRenderTools::PageRect(local, pageMm, placement);
        canvas.setClipRect(pageRect, Qt::IntersectClip);
        if (drawFrames)
            drawFrames(pageRect);
    } catch (const ETaskRetry&) {
        canvas.restore();
        throw;
    } catch (const std::exception& e) {
        // The page shows what could be drawn; the control paints again when
        // the missing bitmaps arrive.
        LogDebug(QStringLiteral("TCustomizedPage.draw"), e);
    }
    canvas.restore();
}

QTransform TPageDrawing::DrawFrame(IMainFrame* main, QPainter& canvas, const QRectF& pageRect, double r,
                                   const TFrameDrawInfo& f, TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif,
                                   bool bForce)
{
    if (r <= 0)
        throw Exception(kNoPageSize);
    const QRectF frameRect = TPageRenderTools::FrameRect(pageRect, r, f.rectMm);
    const double w = frameRect.width();
    const double h = frameRect.height();

    // The picture: the frame's own rendering at its size, or the order
    // image's shared bitmap, cropped at drawing time.
    IOrderBitmapRef picture;
    bool crop = false;
    if (f.ownPicture) {
        picture = cacheAccess(main, f.ownPicture, qRound(w), qRound(h), TOrderBitmapMode::obm_sizeMax);
    } else if (f.orderImage) {
        picture = cacheAccess(main, f.orderImage, qRound(w), qRound(h), TOrderBitmapMode::obm_sizeMinForCrop);
        crop = true;
    }
    // Both bitmaps stay in the cache while this frame is drawn.
    TOrderBitmapPin picturePin(picture);

    IOrderBitmapRef border;
    QRectF borderRect;
    if (f.borderPicture) {
        const double bl = f.borderBandsMm.left / r;
        const double bt = f.borderBandsMm.top / r;
        const double br = f.borderBandsMm.right / r;
        const double bb = f.borderBandsMm.bottom / r;
        border = cacheAccess(main, f.borderPicture, qRound(w + bl + br), qRound(h + bt + bb),
                             TOrderBitmapMode::obm_sizeMax);
        borderRect = frameRect.adjusted(-bl, -bt, br, bb);
    }
    TOrderBitmapPin borderPin(border);

    const QTransform matrix = TPageRenderTools::FrameMatrix(f.rotationAngle, frameRect);
    canvas.save();
    try {
        canvas.setTransform(matrix, true);
        if (picture && picture->IsBitmapLoaded(taskQueue, notif, bForce)) {
            const TZebbitmap img = picture->Bitmap();
            const QRectF whole(QPointF(0, 0), QSizeF(img.size()));
            TPageRenderTools::DrawPicture(canvas, img, frameRect,
                                          crop ? TPageRenderTools::CenterCrop(img.size(), frameRect.size()) : whole,
                                          true);
            TCanvasHelper::AddBmpTexturesToFree(img);
        }
        if (border) {
            if (border->IsBitmapLoaded(taskQueue, notif, bForce)) {
                const TZebbitmap img = border->Bitmap();
                TPageRenderTools::DrawPicture(canvas, img, borderRect, QRectF(QPointF(0, 0), QSizeF(img.size())),
                                              false);
                TCanvasHelper::AddBmpTexturesToFree(img);
            }
        } else if (f.borderThickness > 0) {
            TPageRenderTools::DrawBorderLine(canvas, frameRect, f.borderColor, f.borderThickness, r);
        }
        if (auto* marks = dynamic_cast<ICustomizedFrameDraw*>(notif))
            marks->drawFrameSwapMark(f.frame, main, canvas, frameRect, taskQueue, bForce);
    } catch (...) {
        canvas.restore();
        throw;
    }
    canvas.restore();
    return matrix;
}

void TPageDrawing::DrawCoverWindow(IMainFrame* main, QPainter& canvas, const QRectF& rect, double pageWidthMm,
                                   const QRectF& photoMm, int pageNum, TImageSource* page3,
                                   TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif)
{
    if (pageNum != 1 && pageNum != 2)
        return;
    const QRectF window = TPageRenderTools::CoverWindowRect(rect, pageWidthMm, photoMm, pageNum);
    TZebbitmap shown;
    if (pageNum == 1 && page3) {
        IOrderBitmapRef bmp = cacheAccess(main, page3, qRound(rect.width()), qRound(rect.height()),
                                          TOrderBitmapMode::obm_sizeMax);
        TOrderBitmapPin pin(bmp);
        if (bmp->IsBitmapLoaded(taskQueue, notif, false))
            shown = bmp->Bitmap();
    }
    TPageRenderTools::DrawCoverWindow(canvas, rect, window, shown.isNull() ? nullptr : &shown);
}

TZebbitmap TPageDrawing::BuildPagePreview(
    IMainFrame* main, const QString& label, QSizeF pageMm, int maxWidth, int maxHeight, TOrderBitmapMode mode,
    const std::function<void(QPainter& canvas, const QRectF& local, TThreadTaskQueueBase* taskQueue)>& draw)
{
    if (pageMm.width() <= 0 || pageMm.height() <= 0)
        throw Exception(kNoPageSize);
    QSizeF panel(maxWidth, maxHeight);
    TPageRenderTools::FitRatioMmPerPx(pageMm, panel);
    // Frames not ready are asked on the building worker's queue: their
    // builds then run first and the cache builds this page again.
    TThreadTaskQueueBase* queue = TThreadTaskQueueWithoutThread::Current();
    TZebbitmap result;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        check2DReady(main, label);
        const bool dbg = debugMode(main);
        if (dbg)
            LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: START: asked size=%dx%d(%s) %s"),
                        { label, maxWidth, maxHeight, OrderBitmapModeName(mode), memoryText(main) });
        const QSize px(qMax(1, qRound(panel.width())), qMax(1, qRound(panel.height())));
        TZebbitmap bmp(px.width(), px.height(), QImage::Format_ARGB32_Premultiplied);
        bmp.fill(Qt::transparent);
        {
            QPainter p(&bmp);
            draw(p, QRectF(QPointF(0, 0), QSizeF(px)), queue);
        }
        TCanvasHelper::ProcessTexturesToFree();
        if (dbg)
            LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: END: asked size=%dx%d(%s), bmp(std) generated=%dx%d %s"),
                        { label, maxWidth, maxHeight, OrderBitmapModeName(mode), bmp.width(), bmp.height(),
                          memoryText(main) });
        result = std::move(bmp);
    });
    return result;
}

TZebbitmap TPageDrawing::BuildTextPicture(IMainFrame* main, const QString& label, const TTextBloc& text,
                                          QSizeF frameMm, int transferChannel, int maxWidth, int maxHeight,
                                          TOrderBitmapMode mode)
{
    int dpi = 0;
    const QSizeF box = pictureBox(main, transferChannel, frameMm, maxWidth, maxHeight, &dpi);
    TZebbitmap result;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        check2DReady(main, label);
        const bool dbg = debugMode(main);
        if (dbg) {
            if (maxWidth == 0)
                LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild/text: START: asked size=%.0fmmx%.0fmm(%.0fdpi/%s), "
                                           "calc size=%dx%d %s"),
                            { label, frameMm.width(), frameMm.height(), double(dpi), OrderBitmapModeName(mode),
                              qRound(box.width()), qRound(box.height()), memoryText(main) });
            else
                LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild/text: START: asked size=%dx%d(%s) %s"),
                            { label, maxWidth, maxHeight, OrderBitmapModeName(mode), memoryText(main) });
        }
        result = TPageRenderTools::TextPicture(text, frameMm, qRound(box.width()), qRound(box.height()));
        if (dbg)
            LogDebugFmt(
                QStringLiteral("%s.onAsyncBitmapBuild/text: END: asked size=%dx%d(%s), bmp(std) generated=%dx%d %s"),
                { label, maxWidth, maxHeight, OrderBitmapModeName(mode), result.width(), result.height(),
                  memoryText(main) });
    });
    return result;
}

TZebbitmap TPageDrawing::BuildBorderPicture(IMainFrame* main, const QString& label, TImageSource* clipart, int L,
                                            int T, int R, int B, const TCustomizedFrameRules::TBands& bandsMm,
                                            QSizeF frameMm, int transferChannel, int maxWidth, int maxHeight,
                                            TOrderBitmapMode mode)
{
    if (!clipart)
        throw Exception(QStringLiteral("ClipartFrame must not be nil here!"));
    const QSizeF totalMm(bandsMm.left + frameMm.width() + bandsMm.right,
                         bandsMm.top + frameMm.height() + bandsMm.bottom);
    if (totalMm.width() <= 0 || totalMm.height() <= 0)
        throw Exception(QStringLiteral("TFrameBorder.onAsyncBitmapBuild: frame without size"));
    int dpi = 0;
    QSizeF px = pictureBox(main, transferChannel, totalMm, maxWidth, maxHeight, &dpi);
    const double r = TPageRenderTools::FitRatioMmPerPx(totalMm, px);
    if (r <= 0)
        throw Exception(QStringLiteral("TFrameBorder.onAsyncBitmapBuild: no room for the border"));
    const QRectF bandsPx(bandsMm.left / r, bandsMm.top / r, bandsMm.right / r, bandsMm.bottom / r);
    const QSizeF framePx(frameMm.width() / r, frameMm.height() / r);

    // The clip-art picture at full size, built here and now if need be.
    IOrderBitmapRef art = cacheAccess(main, clipart, 0, 0, TOrderBitmapMode::obm_sizeMax);
    TOrderBitmapPin pin(art);
    if (!art->IsBitmapLoaded(nullptr, nullptr, true))
        throw ETaskNotReady(Format(QStringLiteral("%s.onAsyncBitmapBuild: bmpBorderCache not ready"), { label }));

    TZebbitmap result;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        check2DReady(main, label);
        const bool dbg = debugMode(main);
        if (dbg)
            LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: START: asked size=%dx%d(%s) %s"),
                        { label, maxWidth, maxHeight, OrderBitmapModeName(mode), memoryText(main) });
        const TZebbitmap pic = art->Bitmap();
        result = TPageRenderTools::BorderPicture(pic, L, T, R, B, QSize(qRound(px.width()), qRound(px.height())),
                                                 bandsPx, framePx);
        if (dbg)
            LogDebugFmt(QStringLiteral("%s.onAsyncBitmapBuild: END: asked size=%dx%d(%s), bmp(std) generated=%dx%d %s"),
                        { label, maxWidth, maxHeight, OrderBitmapModeName(mode), result.width(), result.height(),
                          memoryText(main) });
    });
    return result;
}
