#include "UQzguiCustomizedPage.h"

#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UCtrlPopupBase.h"
#include "UPopupPanel.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "ULabPartyContracts.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UOrderImage.h"
#include "UProductBase.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <cmath>
#include <mutex>

using Loc = TPointClickLocation;

static void initDesignResources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(design); });
}

namespace {

QImage loadPicto(const QString& name)
{
    try {
        return TImageTools::LoadBitmapFromRes(name);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TZebguiCustomizedPage.Create: picto ") + name, e);
        return QImage();
    }
}

} // namespace

TZebguiCustomizedPage::TZebguiCustomizedPage(QWidget* owner)
    : QWidget(owner)
    , fMagnetTargetLock(std::make_unique<TQzguiMagnetTargetLock>())
{
    initDesignResources();
    fPictoRotate = loadPicto(QStringLiteral("picto_rotate"));
    fPictoForegd = loadPicto(QStringLiteral("picto_foreground"));
    fPictoTrash = loadPicto(QStringLiteral("picto_delete_cross"));
    fPictoEdit = loadPicto(QStringLiteral("picto_fullscreen"));
    fPictoSwap = loadPicto(QStringLiteral("picto_swap"));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
}

TZebguiCustomizedPage::~TZebguiCustomizedPage()
{
    if (fMagnetTargetLock) {
        SetMagnetTarget(nullptr);
        fMagnetTargetLock.reset();
    }
    if (fNotif) {
        try {
            if (IMainFrame* main = mainFrame())
                main->BitmapCacheCtrlDestroyed(this);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TZebguiCustomizedPage.Destroy"), e);
        }
    }
}

IMainFrame* TZebguiCustomizedPage::mainFrame() const
{
    return fNotif ? fNotif->mainFrame() : nullptr;
}

bool TZebguiCustomizedPage::mobileDesign() const
{
    IMainFrame* main = mainFrame();
    return main && main->Zebdesign() == zebd_mobile;
}

std::vector<TCustomizedFrame*> TZebguiCustomizedPage::frames() const
{
    std::vector<TCustomizedFrame*> list;
    if (!fCurrentPage)
        return list;
    list.reserve(size_t(fCurrentPage->CustomizedFrameList().Count()));
    for (TCustomizedFrame* f : fCurrentPage->CustomizedFrameList())
        list.push_back(f);
    return list;
}

// ---------------------------------------------------------------------------
// Geometry

void TZebguiCustomizedPage::CalcPageAspectSizes()
{
    if (!fCurrentPage)
        return;
    double margin = 0;
    if (IMainFrame* main = mainFrame())
        if (Photographe2* ph = main->GetWebSvcPhotographer())
            margin = ph->MargeSecu();
    bool invalid = false;
    fGeom.Calc(QSizeF(size()), QSizeF(fCurrentPage->PageWidth(), fCurrentPage->PageHeight()), fPagePlacement, margin,
               &invalid);
    if (invalid)
        LogWarnFmt(QStringLiteral("TZebguiCustomizedPage.CalcPageAspectSizes: design margin invalid(%f)"), { margin });
    if (fMagnetTarget)
        fMagnetTarget->SetDesignMargin(float(fGeom.DesignMargin()));
}

QRectF TZebguiCustomizedPage::FrameRectInPx(TCustomizedFrame* frame)
{
    const QRectF r = fGeom.FrameRectInPx(frame);
    if (frame == fSelected.frame)
        fLastImgFrame = r;
    return r;
}

void TZebguiCustomizedPage::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    CalcPageAspectSizes();
}

// ---------------------------------------------------------------------------
// Page and selection

void TZebguiCustomizedPage::SetCurrentPage(TCustomizedPageBase* page)
{
    FrameUnselect();
    fCurrentPage = page;
    CalcPageAspectSizes();
    update();
}

TPointClickInfo TZebguiCustomizedPage::PointMmToFrame(QPointF val, bool bForDrag)
{
    if (!fCurrentPage)
        return {};
    return fGeom.HitTest(frames(), fSelected, fPictoRects, val, bForDrag);
}

void TZebguiCustomizedPage::FrameSelect(const TPointClickInfo& info)
{
    if (info.loc == Loc::Border || info.loc == Loc::Inner)
        swapFrameSelectedDo(info.frame);
    else if (info.loc != Loc::FrameSwap)
        swapFrameSelectedCancel();
    // One selection per spread.
    if (fPageLinked && fPageLinked->fSelected.frame)
        fPageLinked->FrameUnselect();
    if (info == fSelected)
        return;
    if (fSelected.frame && fSelected.frame->isText() && fNotif)
        fNotif->textEditEnd(fSelected.frame);
    if (fMagnetTarget)
        fMagnetTarget->targetHide();
    fMagnetTargetLock->Unlock();
    fSelected = info;
    // The buttons of the new selection exist once it has been painted.
    fPictoRects.Clear();
    if (fNotif)
        fNotif->OnFrameSelected(info.frame);
    update();
}

void TZebguiCustomizedPage::SetFrameSelected(TCustomizedFrame* frame)
{
    swapFrameSelectedCancel();
    FrameSelect({ frame, Loc::Inner });
}

void TZebguiCustomizedPage::FrameUnselect()
{
    swapFrameSelectedCancel();
    if (!fSelected.frame)
        return;
    if (fSelected.frame->isText() && fNotif)
        fNotif->textEditEnd(fSelected.frame);
    if (fMagnetTarget)
        fMagnetTarget->targetHide();
    fMagnetTargetLock->Unlock();
    fSelected = { nullptr, Loc::Inner };
    fPictoRects.Clear();
    if (fNotif)
        fNotif->OnFrameSelected(nullptr);
    update();
}

bool TZebguiCustomizedPage::SelectFirstFrame()
{
    if (!fCurrentPage)
        return false;
    const std::vector<TCustomizedFrame*> list = frames();
    const auto first = [&](auto pred) -> TCustomizedFrame* {
        for (TCustomizedFrame* f : list)
            if (pred(f))
                return f;
        return nullptr;
    };
    TCustomizedFrame* f = first([](TCustomizedFrame* f) { return f->isImageCustomizableForAutoFill() || f->isText(); });
    if (!f)
        f = first([](TCustomizedFrame* f) { return f->isClickable(); });
    if (!f)
        f = first([](TCustomizedFrame* f) { return f->isFrameBackground(); });
    if (!f)
        return false;
    SetFrameSelected(f);
    return true;
}

// ---------------------------------------------------------------------------
// Snapping guides

void TZebguiCustomizedPage::MagnetTargetCreate()
{
    if (!fMagnetTarget)
        SetMagnetTarget(std::make_shared<TQzguiMagnetTarget>());
}

void TZebguiCustomizedPage::SetMagnetTarget(IQzguiMagnetTargetRef target)
{
    if (fMagnetTargetLock)
        fMagnetTargetLock->Unlock();
    if (fMagnetTarget)
        fMagnetTarget->unregisterNotif(this);
    fMagnetTarget = std::move(target);
    if (fMagnetTarget)
        fMagnetTarget->registerNotif(this);
}

void TZebguiCustomizedPage::OnMagnetTargetRepaint(IQzguiMagnetTarget*)
{
    update();
}

std::vector<TCustomizedFrame*> TZebguiCustomizedPage::OnMagnetTargetFrameList(IQzguiMagnetTarget*)
{
    return frames();
}

TCustomizedPageBase* TZebguiCustomizedPage::OnMagnetTargetPage(IQzguiMagnetTarget*)
{
    return fCurrentPage;
}

void TZebguiCustomizedPage::OnMagnetTargetMoveCorrec(IQzguiMagnetTarget*, const TPointClickInfo& info, QPointF delta)
{
    TFrameGeometry::MoveCorrec(info.frame, fGeom.PageRectInMm(), info.loc, delta);
}

QRectF TZebguiCustomizedPage::OnMagnetTargetUpdateLocMatrix(IQzguiMagnetTarget*, TCustomizedFrame* frame)
{
    if (!fCurrentPage || !frame || frame->Page() != fCurrentPage)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.OnMagnetTargetUpdateLocMatrix: unexpected frame"));
    return FrameRectInPx(frame);
}

// ---------------------------------------------------------------------------
// Change notifications

void TZebguiCustomizedPage::contentRepaint()
{
    update();
}

void TZebguiCustomizedPage::contentChanged()
{
    if (fCurrentPage)
        fCurrentPage->CacheInvalidate(nullptr);
    update();
    if (fCurrentPage && fNotif)
        fNotif->OnPageInvalidated(fCurrentPage);
}

void TZebguiCustomizedPage::contentAndOrderChanged()
{
    if (!fCurrentPage)
        return;
    fCurrentPage->CacheInvalidate(nullptr);
    if (IMainFrame* main = mainFrame())
        main->orderChanged();
    update();
    if (fNotif)
        fNotif->OnPageInvalidated(fCurrentPage);
}

void TZebguiCustomizedPage::OnOrderBitmapLoaded(const IOrderBitmapRef&)
{
    if (QThread::currentThread() == thread())
        contentRepaint();
    else
        QMetaObject::invokeMethod(this, [this] { contentRepaint(); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Painting

void TZebguiCustomizedPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QString cls = QStringLiteral("TZebguiCustomizedPage");
    if (!fCurrentPage) {
        if (LogIsDebug())
            LogDebugFmt(QStringLiteral("TZebguiCustomizedPage(%s).Painting: no page"), { cls });
        return;
    }
    try {
        if (LogIsDebug())
            LogDebugFmt(QStringLiteral("TZebguiCustomizedPage(%s).Painting: page %s: START"),
                        { cls, fCurrentPage->DebugLabel() });
        const QRectF local(QPointF(0, 0), QSizeF(size()));
        const QRectF pageRect = TPageRenderTools::PageRect(
            local, QSizeF(fCurrentPage->PageWidth(), fCurrentPage->PageHeight()), fPagePlacement);
        fPagePosLeft = pageRect.left();
        fPagePosTop = pageRect.top();
        fPagePosRight = pageRect.right();
        fPagePosBottom = pageRect.bottom();
        try {
            fCurrentPage->draw(mainFrame(), p, local, fNotif ? fNotif->bitmapTaskQueue() : nullptr, this,
                               fPagePlacement, fSelected.frame);
        } catch (const std::exception& e) {
            // A frame whose picture cannot be had leaves the page as drawn;
            // the selection and the guides still show.
            LogFatal(QStringLiteral("TZebguiCustomizedPage.Painting"), e);
        }
        if (fSelected.frame)
            paintSelection(p);
        if (fMagnetTarget)
            fMagnetTarget->OnRender(p, fGeom.PageRectInPx(), fGeom.RatioMmPerPx(), this);
        if (LogIsDebug())
            LogDebugFmt(QStringLiteral("TZebguiCustomizedPage(%s).Painting: page %s: END"),
                        { cls, fCurrentPage->DebugLabel() });
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TZebguiCustomizedPage.Painting"), e);
    }
}

void TZebguiCustomizedPage::paintPicto(QPainter& p, const QRectF& cell, const QImage& image, QColor disc)
{
    p.save();
    p.setOpacity(1);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(cell);
    p.setOpacity(0.8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2));
    p.drawEllipse(cell.adjusted(1, 1, -1, -1));
    p.restore();
}

void TZebguiCustomizedPage::paintSelection(QPainter& p)
{
    TCustomizedFrame* f = fSelected.frame;
    const QRectF r = FrameRectInPx(f);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setTransform(f->getLocMatrix(), true);
    p.setBrush(Qt::NoBrush);
    if (fSelected.loc == Loc::DragOver) {
        p.setOpacity(1);
        p.setPen(QPen(QColor::fromRgba(0xFF0000FF), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(r);
        p.restore();
        return;
    }
    const bool mr = f->isMoveableAndResizable();
    const double band = mr ? TPageCanvasGeometry::kHandlePx : TPageCanvasGeometry::kHandlePx / 4;
    p.setOpacity(mr ? 0.2 : 0.6);
    p.setPen(QPen(Qt::black, band, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(r);
    p.setOpacity(0.8);
    p.setPen(QPen(Qt::white, band / 8, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(r);
    if (mr) {
        const double hs = TPageCanvasGeometry::kHandlePx;
        const QPointF points[8] = { r.topLeft(),    QPointF(r.center().x(), r.top()),    r.topRight(),
                                    QPointF(r.left(), r.center().y()),                   QPointF(r.right(), r.center().y()),
                                    r.bottomLeft(), QPointF(r.center().x(), r.bottom()), r.bottomRight() };
        for (const QPointF& c : points) {
            const QRectF h(c - QPointF(hs / 2, hs / 2), QSizeF(hs, hs));
            p.setOpacity(1);
            p.fillRect(h, Qt::black);
            p.setOpacity(0.8);
            p.setPen(QPen(Qt::white, 2));
            p.drawRect(h);
        }
    }
    TPageCanvasGeometry::TPictoChoice c;
    c.swapMode = swapFrameSource() != nullptr;
    c.moveableAndResizable = mr;
    c.popupEditable = f->isPopupEditable();
    c.mobileDesign = mobileDesign();
    c.imageValid = f->IsImageValid();
    c.canSwap = !c.swapMode && CanSwapFrame(f);
    c.deletable = f->isDeletable();
    const std::vector<TPicto> shown = TPageCanvasGeometry::PictosShown(c);
    fPictoRects = TPageCanvasGeometry::PictoLayout(shown, r, f->getLocMatrix(), band, QRectF(rect()));
    for (TPicto picto : shown) {
        const QRectF stored = fPictoRects[picto];
        const QRectF cell = picto == TPicto::PopupEdit ? stored.adjusted(-3, -3, 3, 3) : stored;
        paintPicto(p, cell, QImage(), Qt::black);
        const QImage* img = nullptr;
        switch (picto) {
        case TPicto::Rotate: img = &fPictoRotate; break;
        case TPicto::Foreground: img = &fPictoForegd; break;
        case TPicto::PopupEdit: img = &fPictoEdit; break;
        case TPicto::FrameSwap: img = &fPictoSwap; break;
        case TPicto::Delete: img = &fPictoTrash; break;
        }
        if (img && !img->isNull()) {
            p.setOpacity(1);
            p.drawImage(stored, *img);
        }
    }
    p.restore();
}

void TZebguiCustomizedPage::drawFrameSwapMark(TCustomizedFrame* frame, IMainFrame*, QPainter& canvas,
                                              const QRectF& frameRect, TThreadTaskQueueBase*, bool)
{
    TCustomizedFrame* source = swapFrameSource();
    if (!source || !frame || (frame != source && !frame->isDroppable()))
        return;
    const double d = TPageCanvasGeometry::kPictoPx;
    const QRectF cell(frameRect.center() - QPointF(d / 2, d / 2), QSizeF(d, d));
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing);
    paintPicto(canvas, cell, QImage(), frame == source ? QColor::fromRgba(0xFF9AB81E) : QColor(Qt::black));
    if (!fPictoSwap.isNull())
        canvas.drawImage(cell, fPictoSwap);
    canvas.restore();
}

// ---------------------------------------------------------------------------
// Pointer

void TZebguiCustomizedPage::gestureFlagsClear()
{
    fMoveImgStarted = false;
    fMoveFrameStarted = false;
    fChangeSizeFrameStarted = false;
}

void TZebguiCustomizedPage::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    if (e->button() == Qt::LeftButton)
        pressAt(e->position());
}

void TZebguiCustomizedPage::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    if (e->buttons() & Qt::LeftButton)
        moveTo(e->position());
}

void TZebguiCustomizedPage::mouseReleaseEvent(QMouseEvent* e)
{
    QWidget::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton)
        releaseAt(e->position());
}

void TZebguiCustomizedPage::pressAt(QPointF point)
{
    if (fSelected.frame && fSelected.frame->isText() && fNotif)
        fNotif->textEditEnd(fSelected.frame);
    gestureFlagsClear();
    fMousePointInitial = point;
    const TPointClickInfo hit = PointMmToFrame(PointPxToPointMm(point), false);
    FrameSelect(hit);
    if (!hit.frame) {
        if (fMagnetTarget)
            fMagnetTarget->targetHide();
        fMagnetTargetLock->Unlock();
        return;
    }
    TCustomizedFrame* f = hit.frame;
    fFrameRectInitial = QRectF(f->PositionX(), f->PositionY(), f->Width(), f->Height());
    fRotationAngleInitial = f->RotationAngle();
    const bool mr = f->isMoveableAndResizable();
    const bool popupInMobile = f->isPopupEditable() && mobileDesign();
    switch (hit.loc) {
    case Loc::Border:
    case Loc::Rotate:
        if (mr)
            fMoveFrameStarted = true;
        else if (hit.loc == Loc::Border && popupInMobile)
            fSelected.loc = Loc::PopupEdit;
        break;
    case Loc::Inner:
        if (mr)
            fMoveFrameStarted = true;
        else if (popupInMobile)
            fSelected.loc = Loc::PopupEdit;
        else if (f->isImageMoveable())
            fMoveImgStarted = true;
        break;
    case Loc::FrameSwap:
        if (f->isImageMoveable())
            fMoveImgStarted = true;
        break;
    default:
        if (IsResizeHandle(hit.loc) && mr)
            fChangeSizeFrameStarted = true;
        break;
    }
    if (fMoveImgStarted)
        selectedImgFrameOffsetMemorize();
    const bool started = fMoveImgStarted || fMoveFrameStarted || fChangeSizeFrameStarted;
    if (fMagnetTarget) {
        if (started) {
            fMagnetTargetLock->Lock(fMagnetTarget);
            if (fMoveImgStarted)
                fMagnetTarget->targetImageMove(this, fSelected);
            else
                fMagnetTarget->targetMove(this, fSelected, false);
        } else {
            fMagnetTarget->targetHide();
            fMagnetTargetLock->Unlock();
        }
    }
    if (started && fNotif)
        fNotif->scrollLock(this);
}

void TZebguiCustomizedPage::moveTo(QPointF point)
{
    if (!fSelected.frame) {
        gestureFlagsClear();
        return;
    }
    try {
        if (fMoveImgStarted)
            selectedImgFrameMove(point, true);
        else if (fMoveFrameStarted)
            selectedFrameOffsetAdd(point);
        else if (fChangeSizeFrameStarted)
            selectedFrameChangeSize(point);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TZebguiCustomizedPage.MouseMove"), e);
    }
}

void TZebguiCustomizedPage::releaseAt(QPointF point)
{
    fMagnetTargetLock->Unlock();
    const bool running = fMoveImgStarted || fMoveFrameStarted || fChangeSizeFrameStarted;
    if (running && fNotif)
        fNotif->scrollUnlock(this);
    if (!fSelected.frame) {
        gestureFlagsClear();
        return;
    }
    switch (fSelected.loc) {
    case Loc::FrameSwap:
        if (fMoveImgStarted) {
            fMoveImgStarted = false;
            swapFrameSelectedStart();
        }
        break;
    case Loc::PopupEdit:
        popupEditFrameSelected();
        break;
    case Loc::Delete:
        removeFrameSelectedConfirm(nullptr);
        break;
    case Loc::Foreground:
        bringToFrontFrameSelected();
        break;
    default:
        if (fMoveImgStarted) {
            selectedImgFrameMove(point, false);
            fMoveImgStarted = false;
        }
        if (fMoveFrameStarted) {
            selectedFrameOffsetAdd(point);
            fMoveFrameStarted = false;
        }
        if (fChangeSizeFrameStarted) {
            selectedFrameChangeSize(point);
            fChangeSizeFrameStarted = false;
        }
        if (fSelected.frame && fSelected.frame->isText() && fNotif)
            fNotif->textEditStart();
        break;
    }
}

void TZebguiCustomizedPage::restoreFrameRectInitial(TCustomizedFrame* f)
{
    f->SetWidth(float(fFrameRectInitial.width()));
    f->SetHeight(float(fFrameRectInitial.height()));
    f->SetPositionX(float(fFrameRectInitial.x()));
    f->SetPositionY(float(fFrameRectInitial.y()));
}

void TZebguiCustomizedPage::selectedFrameOffsetAdd(QPointF point)
{
    TCustomizedFrame* f = fSelected.frame;
    if (!f)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.selectedFrameOffsetAdd: no frame selected"));
    restoreFrameRectInitial(f);
    if (fSelected.loc == Loc::Border || fSelected.loc == Loc::Inner) {
        f->SetPositionX(float(fFrameRectInitial.x() + PxToMm(point.x() - fMousePointInitial.x())));
        f->SetPositionY(float(fFrameRectInitial.y() + PxToMm(point.y() - fMousePointInitial.y())));
        checkFrameSizeAndPos(f, Loc::Border);
        if (fMagnetTarget)
            fMagnetTarget->targetMove(this, fSelected, true);
    } else if (fSelected.loc == Loc::Rotate) {
        const QPointF c = fFrameRectInitial.center();
        double now = 0;
        double atPress = 0;
        if (!TFrameGeometry::PointAngle(c, PointPxToPointMm(point), now)
            || !TFrameGeometry::PointAngle(c, PointPxToPointMm(fMousePointInitial), atPress))
            return;
        f->SetRotationAngle(float(fRotationAngleInitial + now - atPress));
        checkFrameSizeAndPos(f, Loc::Rotate);
        if (fMagnetTarget)
            fMagnetTarget->targetMove(this, fSelected, false);
    } else {
        return;
    }
    contentAndOrderChanged();
}

void TZebguiCustomizedPage::selectedFrameChangeSize(QPointF point)
{
    TCustomizedFrame* f = fSelected.frame;
    if (!f)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.selectedFrameChangeSize: no frame selected"));
    FrameRectInPx(f);
    const QTransform inv = f->getLocMatrix().inverted();
    const QPointF delta = (inv.map(point) - inv.map(fMousePointInitial)) * RatioMmPerPx();
    restoreFrameRectInitial(f);
    TImageEffectInfo ctx = TFrameGeometry::Context(*f, fGeom.PageRectInMm());
    TFrameGeometry::AddSize(*f, fSelected.loc, delta, ctx);
    checkFrameSizeAndPos(f, fSelected.loc);
    if (fMagnetTarget)
        fMagnetTarget->targetMove(this, fSelected, true);
    f->CacheInvalidate(nullptr);
    contentAndOrderChanged();
}

// ---------------------------------------------------------------------------
// Picture moves inside a frame

void TZebguiCustomizedPage::selectedImgFrameMove(QPointF point, bool check)
{
    TCustomizedFrame* f = fSelected.frame;
    if (!f)
        return;
    if (check) {
        if (fSelected.loc == Loc::FrameSwap) {
            if (std::abs(point.x() - fMousePointInitial.x()) >= kSwapDragStartPx
                && std::abs(point.y() - fMousePointInitial.y()) >= kSwapDragStartPx && selectedFrameDragStart())
                fMoveImgStarted = false;
            return;
        }
        const TPointClickInfo hit = PointMmToFrame(PointPxToPointMm(fMousePointInitial), false);
        if (hit.frame != f) {
            // The finger left the frame: the picture goes back and is dragged.
            selectedImgFrameOffsetRestore();
            if (selectedFrameDragStart())
                fMoveImgStarted = false;
            return;
        }
    }
    if (fSelected.loc == Loc::FrameSwap)
        return;
    FrameRectInPx(f);
    const QTransform inv = f->getLocMatrix().inverted();
    const QPointF d = inv.map(point) - inv.map(fMousePointInitial);
    selectedImgFrameOffsetAdd(d.x(), d.y());
    fMousePointInitial = point;
}

void TZebguiCustomizedPage::selectedImgFrameOffsetAdd(double dx, double dy)
{
    TCustomizedFrame* f = fSelected.frame;
    if (!f)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.selectedImgFrameOffsetAdd: no frame selected"));
    if (fLastImgFrame.width() <= 0 || fLastImgFrame.height() <= 0)
        return;
    f->ImageEffects()->OffsetAdd(dx * 100 / fLastImgFrame.width(), dy * 100 / fLastImgFrame.height());
    if (TOrderImageBase* img = f->Image()) {
        IMainFrame* main = mainFrame();
        f->ImageEffects()->framingCorrect(img->ImageSize(), QSizeF(f->Width(), f->Height()), f->ImageRotateIfBetter(),
                                          main && main->GetDebugMode());
    }
    f->CacheInvalidate(nullptr);
    contentAndOrderChanged();
    if (fMagnetTarget)
        fMagnetTarget->targetImageMove(this, fSelected);
}

void TZebguiCustomizedPage::selectedImgFrameOffsetMemorize()
{
    if (!fSelected.frame)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.selectedImgFrameOffsetMemorize: no frame selected"));
    fImgOffsetMem = fSelected.frame->ImageEffects()->Offset();
}

void TZebguiCustomizedPage::selectedImgFrameOffsetRestore()
{
    TCustomizedFrame* f = fSelected.frame;
    if (!f)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.selectedImgFrameOffsetRestore: no frame selected"));
    if (f->ImageEffects()->Offset() == fImgOffsetMem)
        return;
    f->ImageEffects()->SetOffset(fImgOffsetMem);
    f->CacheInvalidate(nullptr);
    contentAndOrderChanged();
    if (fMagnetTarget)
        fMagnetTarget->targetImageMove(this, fSelected);
}

bool TZebguiCustomizedPage::selectedFrameDragStart()
{
    TCustomizedFrame* f = fSelected.frame;
    IMainFrame* main = mainFrame();
    if (!f || !main)
        return false;
    const int w = int(std::lround(MmToPx(f->Width())));
    const int h = int(std::lround(MmToPx(f->Height())));
    IOrderBitmapRef bmp = main->BitmapCache(f, w, h, TOrderBitmapMode::obm_sizeMax);
    if (!bmp || !bmp->IsBitmapLoaded(fNotif ? fNotif->bitmapTaskQueue() : nullptr, nullptr, false))
        return false;
    const QImage image = bmp->Bitmap();
    TDragObject data;
    data.source = this;
    data.frame = f;
    const bool started = beginDrag(std::make_unique<TDragObjectMimeData>(data), image);
    if (started) {
        // The drag took the pointer: the gesture ends here.
        fMagnetTargetLock->Unlock();
        if (fNotif)
            fNotif->scrollUnlock(this);
    }
    return started;
}

bool TZebguiCustomizedPage::beginDrag(std::unique_ptr<TDragObjectMimeData> data, const QImage& image)
{
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    if (!image.isNull()) {
        const QImage shown = image.scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        drag->setPixmap(QPixmap::fromImage(shown));
        drag->setHotSpot(QPoint(shown.width() / 2, shown.height() / 2));
    }
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    return true;
}

// ---------------------------------------------------------------------------
// Constraints

void TZebguiCustomizedPage::checkNewFrameSize(TCustomizedFrame* frame)
{
    TFrameGeometry::CheckNewSize(frame, fGeom.PageRectInMm());
}

bool TZebguiCustomizedPage::checkFrameSizeAndPosBasic(TCustomizedFrame* frame)
{
    bool minReached = false;
    const bool r = TFrameGeometry::CheckBasic(frame, fGeom.PageRectInMm(), &minReached);
    if (minReached)
        gestureFlagsClear();
    return r;
}

bool TZebguiCustomizedPage::checkFrameSizeAndPos(TCustomizedFrame* frame, TPointClickLocation hit)
{
    bool minReached = false;
    const bool r = TFrameGeometry::Check(frame, fGeom.PageRectInMm(), hit, &minReached);
    if (minReached)
        gestureFlagsClear();
    return r;
}

// ---------------------------------------------------------------------------
// Editing operations

void TZebguiCustomizedPage::removeFrameSelectedConfirm(TCtrlPopupBase* sender)
{
    swapFrameSelectedCancel();
    IMainFrame* main = mainFrame();
    if (!main)
        return;
    QPointer<TZebguiCustomizedPage> self(this);
    std::weak_ptr<TCtrlCommonBase> popup;
    if (sender)
        popup = sender->weak_from_this();
    main->ConfirmYesNo(
        LangTexts::Design::SureWantDeleteFrame.Text(),
        [self, popup] {
            if (!self)
                return;
            self->removeFrameSelected();
            if (auto p = std::dynamic_pointer_cast<TCtrlPopupBase>(popup.lock()))
                p->Close();
        },
        [] {});
}

void TZebguiCustomizedPage::removeFrameSelected()
{
    TCustomizedFrame* f = fSelected.frame;
    if (!f)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.removeFrameSelected: no frame selected"));
    // The guides may still name the frame.
    if (fMagnetTarget)
        fMagnetTarget->targetHide();
    fMagnetTargetLock->Unlock();
    fSelected.frame = nullptr;
    fPictoRects.Clear();
    if (fCurrentPage)
        fCurrentPage->CustomizedFrameList().Remove(f);
    if (fNotif)
        fNotif->OnFrameUnselected();
    contentAndOrderChanged();
}

void TZebguiCustomizedPage::bringToFrontFrameSelected()
{
    swapFrameSelectedCancel();
    TCustomizedFrame* f = fSelected.frame;
    if (!f || !fCurrentPage)
        return;
    auto& list = fCurrentPage->CustomizedFrameList();
    const int i = list.IndexOf(f);
    if (i >= 0)
        list.Move(i, list.Count() - 1);
    gestureFlagsClear();
    contentAndOrderChanged();
}

void TZebguiCustomizedPage::popupEditFrameSelected()
{
    swapFrameSelectedCancel();
    if (fSelected.frame && fNotif)
        fNotif->popupEditFrame(this, fSelected.frame);
}

TCustomizedFrame* TZebguiCustomizedPage::swapFrameSource() const
{
    if (fSwapFrameSource)
        return fSwapFrameSource;
    return fPageLinked ? fPageLinked->fSwapFrameSource : nullptr;
}

bool TZebguiCustomizedPage::HasSwapableFrame(TCustomizedFrame* frameToExclude)
{
    for (TCustomizedFrame* f : frames())
        if (f != frameToExclude && f->isDroppable())
            return true;
    return false;
}

bool TZebguiCustomizedPage::CanSwapFrame(TCustomizedFrame* frame)
{
    if (!frame || !frame->isImageMoveable())
        return false;
    return HasSwapableFrame(frame) || (fPageLinked && fPageLinked->HasSwapableFrame(nullptr));
}

void TZebguiCustomizedPage::swapFrameSelectedStart()
{
    if (fSelected.frame && fSelected.frame == fSwapFrameSource) {
        swapFrameSelectedCancel();
        return;
    }
    if (fPageLinked)
        fPageLinked->swapFrameSelectedCancel(true);
    fSwapFrameSource = fSelected.frame;
    update();
    if (fPageLinked)
        fPageLinked->update();
    if (fNotif)
        fNotif->swapModeChanged(this, true);
}

void TZebguiCustomizedPage::swapFrameSelectedCancel(bool slaveCall)
{
    if (fSwapFrameSource) {
        fSwapFrameSource = nullptr;
        update();
        if (!slaveCall && fPageLinked)
            fPageLinked->update();
        if (fNotif)
            fNotif->swapModeChanged(this, false);
    } else if (!slaveCall && fPageLinked) {
        fPageLinked->swapFrameSelectedCancel(true);
    }
}

void TZebguiCustomizedPage::swapFrameSelectedDo(TCustomizedFrame* dst)
{
    TCustomizedFrame* source = swapFrameSource();
    if (!source)
        return;
    const bool swap = dst && dst->isDroppable() && dst != source;
    TZebguiCustomizedPage* sourceCanvas = fSwapFrameSource == source ? this : fPageLinked.data();
    if (swap)
        dst->SwapImageAndEffectsWithFrame(source);
    swapFrameSelectedCancel();
    if (swap) {
        // The order changed: its backup and the page thumbnails follow.
        contentAndOrderChanged();
        if (sourceCanvas && sourceCanvas != this)
            sourceCanvas->contentChanged();
    }
}

// ---------------------------------------------------------------------------
// Drag and drop

bool TZebguiCustomizedPage::dragIsImage(const TDragObject& data)
{
    if (data.image)
        return true;
    if (data.frame || !data.mimeData)
        return false;
    IMainFrame* main = mainFrame();
    if (!main)
        return false;
    try {
        return main->dragObjectIsImage(data);
    } catch (const std::exception& e) {
        LogDebug(QStringLiteral("TZebguiCustomizedPage.DragOver"), e);
        return false;
    }
}

std::shared_ptr<IDragOrderImage> TZebguiCustomizedPage::dragAsImage(const TDragObject& data)
{
    if (data.image)
        return data.image;
    std::shared_ptr<IDragOrderImage> img;
    IMainFrame* main = mainFrame();
    if (main && !data.frame && data.mimeData && main->dragObjectAsImage(data, img))
        return img;
    return nullptr;
}

Qt::DropAction TZebguiCustomizedPage::dragAccept(const TDragObject& data, QPointF pos)
{
    const bool isImage = dragIsImage(data);
    if ((!isImage && !data.frame) || !fCurrentPage || !fCurrentPage->IsCustomizable())
        return Qt::IgnoreAction;
    TPointClickInfo hit = PointMmToFrame(PointPxToPointMm(pos), true);
    if (!hit.frame) {
        FrameUnselect();
        // A picture dropped on free space becomes a new frame.
        return isImage ? Qt::CopyAction : Qt::IgnoreAction;
    }
    if (data.frame && (!hit.frame->isDroppable() || hit.frame == data.frame)) {
        FrameUnselect();
        return Qt::IgnoreAction;
    }
    hit.loc = Loc::DragOver;
    setFocus();
    FrameSelect(hit);
    return data.frame ? Qt::MoveAction : Qt::CopyAction;
}

void TZebguiCustomizedPage::dragEnterEvent(QDragEnterEvent* e)
{
    const Qt::DropAction op = dragAccept(TDragObjectMimeData::From(e->mimeData()), e->position());
    if (op == Qt::IgnoreAction) {
        e->ignore();
        return;
    }
    e->setDropAction(op);
    e->accept();
}

void TZebguiCustomizedPage::dragMoveEvent(QDragMoveEvent* e)
{
    const Qt::DropAction op = dragAccept(TDragObjectMimeData::From(e->mimeData()), e->position());
    if (op == Qt::IgnoreAction) {
        e->ignore();
        return;
    }
    e->setDropAction(op);
    e->accept();
}

void TZebguiCustomizedPage::dragLeaveEvent(QDragLeaveEvent* e)
{
    QWidget::dragLeaveEvent(e);
    FrameUnselect();
}

void TZebguiCustomizedPage::frameImageSet(TCustomizedFrame* frame, TOrderImageBase* img, IDragOrderImage& drag)
{
    TProduct* product = frame->Page() ? frame->Page()->Product() : nullptr;
    TOrderImageBase* kept = product && img ? product->ImageUsedAdd(img) : nullptr;
    if (!kept)
        throw Exception(QStringLiteral("TZebguiCustomizedPage.DragDrop/page.Product.ImageUsedAdd: unexpected result"));
    // The product keeps the dragged picture itself, or its own entry for it.
    if (kept == img)
        drag.DraggedImageDetach(img);
    frame->SetImage(kept);
    frame->ImageEffects()->Reset();
    frame->CacheInvalidate(nullptr);
}

void TZebguiCustomizedPage::frameNewWithImage(TOrderImageBase* img, IDragOrderImage& drag, const QPointF* dropMm)
{
    auto frame = std::make_unique<TCustomizedFrame>(fCurrentPage);
    frameImageSet(frame.get(), img, drag);
    const QSizeF sizeMm = img->ImageSizeMm();
    frame->SetWidth(float(sizeMm.width()));
    frame->SetHeight(float(sizeMm.height()));
    checkNewFrameSize(frame.get());
    if (dropMm) {
        frame->SetPositionX(float(dropMm->x() - frame->Width() / 2.0));
        frame->SetPositionY(float(dropMm->y() - frame->Height() / 2.0));
    }
    TCustomizedFrame* added = fCurrentPage->FrameAdd(std::move(frame));
    checkFrameSizeAndPos(added, Loc::None);
    FrameSelect({ added, Loc::Inner });
    contentAndOrderChanged();
}

void TZebguiCustomizedPage::dropEvent(QDropEvent* e)
{
    if (!fCurrentPage || !fCurrentPage->IsCustomizable()) {
        e->ignore();
        return;
    }
    const TDragObject data = TDragObjectMimeData::From(e->mimeData());
    const QPointF pointMm = PointPxToPointMm(e->position());
    if (data.frame) {
        const TPointClickInfo hit = PointMmToFrame(pointMm, true);
        if (!hit.frame || !hit.frame->isDroppable() || hit.frame == data.frame) {
            e->ignore();
            return;
        }
        hit.frame->SwapImageAndEffectsWithFrame(data.frame);
        contentAndOrderChanged();
        if (fPageLinked && data.frame->Page() == fPageLinked->CurrentPage())
            fPageLinked->contentChanged();
        FrameSelect({ hit.frame, Loc::Inner });
        e->setDropAction(Qt::MoveAction);
        e->accept();
        return;
    }
    std::shared_ptr<IDragOrderImage> drag = dragAsImage(data);
    if (!drag) {
        e->ignore();
        return;
    }
    try {
        const TPointClickInfo hit = PointMmToFrame(pointMm, true);
        TOrderImageBase* img = drag->DraggedImage();
        if (hit.frame && hit.frame->isDroppable()) {
            frameImageSet(hit.frame, img, *drag);
            contentAndOrderChanged();
            FrameSelect({ hit.frame, Loc::Inner });
        } else {
            frameNewWithImage(img, *drag, &pointMm);
        }
    } catch (...) {
        drag->DropUseEnd();
        throw;
    }
    drag->DropUseEnd();
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void TZebguiCustomizedPage::addImgIntoCustomizedPage(const std::shared_ptr<IDragOrderImage>& img)
{
    swapFrameSelectedCancel();
    if (!img)
        return;
    try {
        if (!fCurrentPage || !fCurrentPage->IsCustomizable())
            throw EUser(LangTexts::Design::PleaseSelectFramePageFirst);
        TOrderImageBase* newImg = img->DraggedImage();
        TCustomizedFrame* sel = fSelected.frame;
        const bool selScrap = sel && sel->Image() && sel->Image()->IsImageScrap();
        if (sel && sel->isDroppable() && !selScrap && newImg && !newImg->IsImageScrap()) {
            if (newImg->IsImageValid()) {
                frameImageSet(sel, newImg, *img);
                contentAndOrderChanged();
                FrameSelect({ sel, Loc::Inner });
            }
        } else if (newImg) {
            frameNewWithImage(newImg, *img, nullptr);
        }
    } catch (...) {
        img->DropUseEnd();
        throw;
    }
    img->DropUseEnd();
}
