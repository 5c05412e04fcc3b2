#include "UQzguiVarSizeListView.h"

#include "IMainFrame.h"
#include "UDebug.h"
#include "UListTheme.h"
#include "UMainFrameTypes.h"
#include "UMainObservers.h"
#include "UQzguiTouchScroll.h"
#include "UWidgetTexts.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

bool onMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Asks its list view for a full layout when the thumbnail size changes.
class TThumbSizeObserver : public IMainObserver {
public:
    explicit TThumbSizeObserver(TQzguiVarSizeListViewBase* view) : fView(view) { }
    void OnMainObservedEvent(TMainObservedEvent, void*) override
    {
        if (fView)
            fView->askRecalcAll();
    }
    QPointer<TQzguiVarSizeListViewBase> fView;
};

} // namespace

TQzguiVarSizeListViewBase::TQzguiVarSizeListViewBase(IMainFrame* main, QWidget* parent, bool horizontal)
    : QAbstractScrollArea(parent)
    , fMain(main)
    , fHorz(horizontal)
{
    fRootFolder = TQzguiVarSizeRoot::Create(this);
    fLayoutRoot = fRootFolder;
    fItemFactory = [](TQzguiVarSizeFolderBase* p, const QString& id) {
        return std::make_shared<TQzguiVarSizeItem>(p, id);
    };
    fFolderFactory = [](TQzguiVarSizeFolderBase* p, const QString& id) {
        return std::make_shared<TQzguiVarSizeFolder>(p, id);
    };
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    fTimer.setInterval(kVarTimerIntervalMs);
    connect(&fTimer, &QTimer::timeout, this, [this] { onTimer(); });
    TQzguiTouchScroll::Enable(this);
}

TQzguiVarSizeListViewBase::~TQzguiVarSizeListViewBase()
{
    detachForDestruction();
    fTimer.stop();
    fResizeCtx.reset();
    if (fMain) {
        try {
            fMain->BitmapCacheCtrlDestroyed(viewport());
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TQzguiVarSizeListViewBase.Destroy(2)"), e);
        }
    }
    endPaintPass();
    for (const auto& e : fItemPainted)
        e->SetPainted(false);
    fItemPainted.clear();
}

void TQzguiVarSizeListViewBase::detachForDestruction()
{
    IQzguiVarSizeRoot root;
    {
        std::lock_guard g(fReqLock);
        if (fDetached)
            return;
        fDetached = true;
        root = fRootFolder;
    }
    root->detachFromListView();
}

void TQzguiVarSizeListViewBase::setElementFactories(TElementFactory item, TElementFactory folder)
{
    fItemFactory = std::move(item);
    fFolderFactory = std::move(folder);
}

IQzguiVarSizeItemBase TQzguiVarSizeListViewBase::createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id)
{
    return fItemFactory(parent, id);
}

IQzguiVarSizeItemBase TQzguiVarSizeListViewBase::createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id)
{
    return fFolderFactory(parent, id);
}

float TQzguiVarSizeListViewBase::spacingHorz() const
{
    return fSpacesCalcHorz.load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// Tree access and requests (any thread)

IQzguiVarSizeRoot TQzguiVarSizeListViewBase::RootFolder() const
{
    std::lock_guard g(fReqLock);
    return fRootFolder;
}

IQzguiVarSizeRoot TQzguiVarSizeListViewBase::RootDetach()
{
    IQzguiVarSizeRoot old;
    IQzguiVarSizeRoot fresh = TQzguiVarSizeRoot::Create(this);
    {
        std::lock_guard g(fReqLock);
        if (fDetached)
            fresh->detachFromListView();
        old = fRootFolder;
        fRootFolder = fresh;
    }
    // The old tree's requests go nowhere from now on; the main thread drops
    // its layout, painting and selection state at the next tick or paint.
    old->detachFromListView();
    fresh->RecalcAllSize();
    return old;
}

void TQzguiVarSizeListViewBase::MTlock() const { RootFolder()->MTlock(); }
void TQzguiVarSizeListViewBase::MTunlock() const { RootFolder()->MTunlock(); }
bool TQzguiVarSizeListViewBase::tryMTlock() const { return RootFolder()->tryMTlock(); }

IQzguiVarSizeItemBase TQzguiVarSizeListViewBase::elementByID(const QString& id, TQzguiVarFind findmode) const
{
    int index = 0;
    return RootFolder()->elementByID(id, index, findmode);
}

IQzguiVarSizeItemBase TQzguiVarSizeListViewBase::elementByPath(const QString& path, TQzguiVarFind findmode) const
{
    return RootFolder()->elementByPath(path, findmode);
}

IQzguiVarSizeItem TQzguiVarSizeListViewBase::itemByPath(const QString& path, TQzguiVarFind findmode) const
{
    return RootFolder()->itemByPath(path, findmode);
}

IQzguiVarSizeFolder TQzguiVarSizeListViewBase::folderByPath(const QString& path, TQzguiVarFind findmode) const
{
    return RootFolder()->folderByPath(path, findmode);
}

IQzguiVarSizeItemBase TQzguiVarSizeListViewBase::elementByData(const void* data) const
{
    return RootFolder()->elementByData(data);
}

void TQzguiVarSizeListViewBase::askRecalc()
{
    std::lock_guard g(fReqLock);
    fToCalcSize = true;
}

void TQzguiVarSizeListViewBase::askRepaint()
{
    // A repeated request costs no lock.
    if (fToPaint.load(std::memory_order_relaxed))
        return;
    std::lock_guard g(fReqLock);
    fToPaint = true;
}

void TQzguiVarSizeListViewBase::askRecalcAll()
{
    RootFolder()->RecalcAllSize();
}

void TQzguiVarSizeListViewBase::askGuiOp(const IQzguiVarSizeItemBase& element)
{
    std::lock_guard g(fReqLock);
    if (std::find(fAskGuiOpLst.begin(), fAskGuiOpLst.end(), element) == fAskGuiOpLst.end())
        fAskGuiOpLst.push_back(element);
}

void TQzguiVarSizeListViewBase::cancelGuiOp(const IQzguiVarSizeItemBase& element)
{
    std::lock_guard g(fReqLock);
    fAskGuiOpLst.erase(std::remove(fAskGuiOpLst.begin(), fAskGuiOpLst.end(), element), fAskGuiOpLst.end());
}

void TQzguiVarSizeListViewBase::feedStart()
{
    std::lock_guard g(fReqLock);
    if (fcFeedInProgress < 0)
        fcFeedInProgress = 0;
    ++fcFeedInProgress;
    fbFeedEndNotif = false;
}

void TQzguiVarSizeListViewBase::feedEnd()
{
    std::lock_guard g(fReqLock);
    if (fcFeedInProgress <= 0)
        throw Exception(QStringLiteral("TQzguiVarSizeListViewBase.feedEnd: unexpected call"));
    if (--fcFeedInProgress == 0)
        fbFeedEndNotif = true;
}

bool TQzguiVarSizeListViewBase::isFeedInProgress() const
{
    std::lock_guard g(fReqLock);
    return fcFeedInProgress != 0;
}

// ---------------------------------------------------------------------------
// Properties

void TQzguiVarSizeListViewBase::SetAlignHorz(TQzguiVarAlignType v)
{
    if (std::exchange(fAlignHorz, v) != v)
        askRecalcAll();
}

void TQzguiVarSizeListViewBase::SetAlignVert(TQzguiVarAlignType v)
{
    if (std::exchange(fAlignVert, v) != v)
        askRecalcAll();
}

void TQzguiVarSizeListViewBase::SetAlignHorzLineNotFull(TQzguiVarAlignType v)
{
    if (std::exchange(fAlignHorzLineNotFull, v) != v)
        askRecalcAll();
}

void TQzguiVarSizeListViewBase::SetViewItemSizeMax(const QSizeF& v)
{
    if (std::exchange(fViewItemSizeMaxDefault, v) != v)
        askRecalcAll();
}

void TQzguiVarSizeListViewBase::SetSpacesDefault(const QSizeF& v)
{
    if (std::exchange(fSpacesDefault, v) != v)
        askRecalcAll();
}

void TQzguiVarSizeListViewBase::SetVarDragMode(TQzguiVarDragMode v)
{
    onVarDragModeChange(v);
    fVarDragMode = v;
}

float TQzguiVarSizeListViewBase::GetThumbnailsFactor()
{
    if (!fMain)
        return 100;
    try {
        float f = fMain->GetThumbnailsFactor();
        if (fMain->IsKiosk())
            f *= 1.25f;
        return f > 0 ? f : 100;
    } catch (const std::exception&) {
        return 100;
    }
}

TZebdesign TQzguiVarSizeListViewBase::layoutZebd()
{
    if (!fMain)
        return zebd_home;
    try {
        return fMain->Zebdesign();
    } catch (const std::exception&) {
        return zebd_home;
    }
}

// ---------------------------------------------------------------------------
// Timer tick (main thread)

void TQzguiVarSizeListViewBase::syncRoot()
{
    const IQzguiVarSizeRoot root = RootFolder();
    if (root == fLayoutRoot)
        return;
    // The tree was replaced: what belonged to the old one goes.
    fResizeCtx.reset();
    fbInResize = false;
    fItemToFocus.reset();
    fItemToFocusKeep = false;
    std::vector<IQzguiVarSizeItem> selected;
    selected.swap(fItemSelected);
    for (const auto& s : selected)
        s->SetSelected(false);
    if (const IQzguiVarSizeItemBase cur = std::exchange(fItemCurrent, nullptr))
        cur->SetCurrent(false);
    fItemInPaint.clear();
    endPaintPass();
    fLayoutRoot = root;
    fbNoItem = true;
    viewport()->update();
}

void TQzguiVarSizeListViewBase::runLayoutBatch()
{
    if (fResizeCtx) {
        if (fbInResize)
            return;
    } else {
        if (!fLayoutRoot->isSizeToCalc())
            return;
        fResizeCtx = std::make_unique<TQzguiVarResizeCalcCtx>(*this);
    }
    fbInResize = true;
    try {
        if (fResizeCtx->CalcSize()) {
            std::unique_ptr<TQzguiVarResizeCalcCtx> pass = std::move(fResizeCtx);
            fbInResize = false;
            pass->CalcSizeEnd();
            viewport()->update();
        }
    } catch (...) {
        fbInResize = false;
        throw;
    }
    fbInResize = false;
}

void TQzguiVarSizeListViewBase::onTimer()
{
    try {
        syncRoot();
        bool paint;
        bool layoutDue;
        bool feedEnded;
        std::vector<IQzguiVarSizeItemBase> ops;
        {
            std::lock_guard g(fReqLock);
            paint = fToPaint.exchange(false);
            layoutDue = fResizeCtx != nullptr || fToCalcSize;
            fToCalcSize = false;
            ops.swap(fAskGuiOpLst);
            feedEnded = std::exchange(fbFeedEndNotif, false);
        }
        if (layoutDue) {
            try {
                runLayoutBatch();
            } catch (const std::exception& e) {
                LogFatal(QStringLiteral("TQzguiVarSizeListViewBase.onTimer/resize"), e);
                fResizeCtx.reset();
                askRecalc();
            }
        }
        if (paint)
            viewport()->update();
        for (const auto& e : ops)
            e->doGuiOp();
        if (feedEnded)
            onFeedEnd();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzguiVarSizeListViewBase.onTimer"), e);
    }
}

void TQzguiVarSizeListViewBase::onFeedEnd()
{
    if (fbNoItem)
        viewport()->update();
}

QString TQzguiVarSizeListViewBase::noItemText() const
{
    return isFeedInProgress() ? WidgetTexts::LoadingImages().Text() : WidgetTexts::NoImageFound().Text();
}

// ---------------------------------------------------------------------------
// Geometry and content size

QPointF TQzguiVarSizeListViewBase::scrollOffset() const
{
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TQzguiVarSizeListViewBase::setScrollOffset(const QPointF& offset)
{
    horizontalScrollBar()->setValue(qRound(offset.x()));
    verticalScrollBar()->setValue(qRound(offset.y()));
}

IQzguiVarSizeRoot TQzguiVarSizeListViewBase::layoutRoot()
{
    return fLayoutRoot;
}

QRectF TQzguiVarSizeListViewBase::contentRect()
{
    const QSize vs = viewport()->size();
    return QRectF(0, 0, vs.width(), vs.height());
}

QRectF TQzguiVarSizeListViewBase::visibleArea()
{
    return QRectF(scrollOffset(), QSizeF(viewport()->size()));
}

void TQzguiVarSizeListViewBase::calcViewItemSize(const QRectF& rect, float factor, QSizeF& itemSize, QSizeF& spaces)
{
    TQzguiVarItemSizeInput in;
    in.rect = rect;
    in.factor = factor;
    in.horizontal = fHorz;
    in.spacesDefault = fSpacesDefault;
    in.itemSizeDefault = fViewItemSizeMaxDefault;
    in.lineIndentWidth = lineIndentWidth();
    in.minItemsPerLine = minItemsPerLine();
    VarCalcViewItemSize(in, itemSize, spaces);
    fSpacesCalc = spaces;
    fSpacesCalcHorz.store(float(spaces.width()), std::memory_order_relaxed);
}

void TQzguiVarSizeListViewBase::setResizeWidth(float width)
{
    if (width == fResizeWidth)
        return;
    fResizeWidthPrev = fResizeWidth;
    fResizeWidth = width;
}

float TQzguiVarSizeListViewBase::noImgExtent(bool height) const
{
    const float v = height ? fNoImgHeight : fNoImgWidth;
    if (v > 0)
        return v;
    const QSize vs = viewport()->size();
    return float(height ? vs.height() : vs.width());
}

void TQzguiVarSizeListViewBase::applyContentHeight(TQzguiVarResizeCalcCtx&, float bottom, bool final)
{
    const QRectF content = contentRect();
    fbNoItem = content.top() >= bottom;
    bottom = std::max(bottom, float(content.top()) + noImgExtent(true));
    float h = bottom;
    if (!final)
        h = std::max(h, fContentHeight);
    if (h == fContentHeight)
        return;
    fContentHeight = h;
    updateScrollRanges();
    afterContentResize();
}

void TQzguiVarSizeListViewBase::applyContentWidth(TQzguiVarResizeCalcCtx&, float right, bool final)
{
    const QRectF content = contentRect();
    fbNoItem = content.left() >= right;
    right = std::max(right, float(content.left()) + noImgExtent(false));
    float w = right;
    if (!final)
        w = std::max(w, fContentWidth);
    if (w == fContentWidth)
        return;
    fContentWidth = w;
    updateScrollRanges();
    afterContentResize();
}

void TQzguiVarSizeListViewBase::updateScrollRanges()
{
    const QSize vs = viewport()->size();
    if (fHorz) {
        horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(fContentWidth)) - vs.width()));
        horizontalScrollBar()->setPageStep(vs.width());
        horizontalScrollBar()->setSingleStep(20);
        verticalScrollBar()->setRange(0, 0);
    } else {
        verticalScrollBar()->setRange(0, std::max(0, int(std::ceil(fContentHeight)) - vs.height()));
        verticalScrollBar()->setPageStep(vs.height());
        verticalScrollBar()->setSingleStep(20);
        horizontalScrollBar()->setRange(0, 0);
    }
}

void TQzguiVarSizeListViewBase::afterContentResize()
{
    if (fItemToFocus)
        fItemToFocus->Focus();
}

void TQzguiVarSizeListViewBase::onElementSizeReady(const IQzguiVarSizeItemBase& element, TQzguiVarResizeType)
{
    if (fItemToFocus && element == fItemToFocus)
        element->Focus();
}

bool TQzguiVarSizeListViewBase::folderShowsChildren(TQzguiVarResizeCalcCtx&, TQzguiVarSizeFolderBase& folder)
{
    return folder.GetExpanded();
}

void TQzguiVarSizeListViewBase::repaintNow()
{
    fToPaint = false;
    viewport()->update();
}

void TQzguiVarSizeListViewBase::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
    const QRectF content = contentRect();
    if (fHorz) {
        if (float(content.height()) != fResizeWidth) {
            setResizeWidth(float(content.height()));
            askRecalcAll();
        }
        return;
    }
    // A width that merely comes back (a scroll bar shown and hidden again)
    // keeps the layout made for the width before it.
    const float w = float(content.width());
    if (w == fResizeWidth || w == fResizeWidthPrev)
        return;
    setResizeWidth(w);
    askRecalcAll();
}

void TQzguiVarSizeListViewBase::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    fPtPaintTopInit = false;
    fTimer.start();
}

void TQzguiVarSizeListViewBase::hideEvent(QHideEvent* event)
{
    fTimer.stop();
    fPtPaintTopInit = false;
    QAbstractScrollArea::hideEvent(event);
}

void TQzguiVarSizeListViewBase::scrollContentsBy(int, int)
{
    viewport()->update();
}

bool TQzguiVarSizeListViewBase::parentScrollBoxScrolling() const
{
    return TQzguiTouchScroll::TouchScrollRunning(this);
}

// ---------------------------------------------------------------------------
// Painting (main thread)

QPointF TQzguiVarSizeListViewBase::paintTop() const
{
    return QPointF(viewport()->mapToGlobal(QPoint(0, 0))) - scrollOffset();
}

void TQzguiVarSizeListViewBase::paintEvent(QPaintEvent* event)
{
    syncRoot();
    const QPointF top = paintTop();
    if (fPtPaintTopInit && top != fPtPaintTop)
        onPaintTopMoved(fPtPaintTop);
    fPtPaintTop = top;
    fPtPaintTopInit = true;
    QObject* ctrl = viewport();
    bool started = false;
    try {
        if (fMain) {
            fMain->BitmapCacheCtrlStartUse(ctrl);
            started = true;
        }
        QPainter p(viewport());
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-scrollOffset());
        const QRectF visible = QRectF(event->rect()).translated(scrollOffset());
        paintContent(p, contentRect().united(QRectF(0, 0, fContentWidth, fContentHeight)), visible);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TQzguiVarSizeListViewBase.Painting"), e);
    }
    if (started) {
        try {
            fMain->BitmapCacheCtrlEndUse(ctrl, true);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TQzguiVarSizeListViewBase.Painting"), e);
        }
    }
}

void TQzguiVarSizeListViewBase::paintContent(QPainter& p, const QRectF& content, const QRectF& visible)
{
    p.save();
    fItemInPaint.clear();
    try {
        if (fbNoItem)
            paintNoItem(p, content);
        else if (markPainted(fLayoutRoot, visible))
            paintFolder(*fLayoutRoot, p, visible);
    } catch (...) {
        endPaintPass();
        p.restore();
        throw;
    }
    endPaintPass();
    p.restore();
}

bool TQzguiVarSizeListViewBase::markPainted(const IQzguiVarSizeItemBase& element, const QRectF& visible)
{
    if (!element->isFinalRectVisible(visible, vrt_Item))
        return false;
    fItemInPaint.push_back(element);
    auto it = std::find(fItemPainted.begin(), fItemPainted.end(), element);
    if (it != fItemPainted.end())
        fItemPainted.erase(it);
    element->SetPainted(true);
    return true;
}

void TQzguiVarSizeListViewBase::endPaintPass()
{
    std::vector<IQzguiVarSizeItemBase> gone;
    gone.swap(fItemPainted);
    fItemPainted.swap(fItemInPaint);
    for (const auto& e : gone)
        e->SetPainted(false);
}

void TQzguiVarSizeListViewBase::paintFolder(TQzguiVarSizeFolderBase& folder, QPainter& p, const QRectF& visible)
{
    if (!folder.isFinalDrawnExpanded()) {
        paintFolderCollapsed(p, folder, visible);
        return;
    }
    paintFolderExpandedStart(p, folder, visible);
    const float from = float(fHorz ? visible.left() : visible.top());
    const float to = float(fHorz ? visible.right() : visible.bottom());
    const int last = folder.lastChildIndexAt(to);
    for (int i = folder.firstChildIndexAt(from); i <= last; ++i)
        onViewItemPaint(folder.childByYposIndex(i), p, visible);
    paintFolderExpandedEnd(p, folder, visible);
}

void TQzguiVarSizeListViewBase::onViewItemPaint(const IQzguiVarSizeItemBase& element, QPainter& p, const QRectF& visible)
{
    if (!markPainted(element, visible))
        return;
    if (element->IsFolder())
        paintFolder(static_cast<TQzguiVarSizeFolderBase&>(*element), p, visible);
    else
        paintItem(p, *element, visible);
}

void TQzguiVarSizeListViewBase::paintNoItem(QPainter& p, const QRectF& rect)
{
    const TListTheme& theme = TListTheme::Current();
    const QRectF area(rect.left(), rect.top(), rect.width(), noImgExtent(true));
    QFont font = p.font();
    font.setPixelSize(fNoImgFontSize);
    font.setBold(true);
    p.setFont(font);
    p.setPen(theme.emptyText);
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, noItemText());
}

void TQzguiVarSizeListViewBase::invalidateRect(const QRectF& rect)
{
    if (!onMainThread()) {
        askRepaint();
        return;
    }
    viewport()->update(contentToViewport(rect).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void TQzguiVarSizeListViewBase::invalidateAll()
{
    if (!onMainThread()) {
        askRepaint();
        return;
    }
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Focus, current, selection, clicks (main thread)

void TQzguiVarSizeListViewBase::scrollIntoView(const QRectF& rect)
{
    const QRectF box = visibleArea();
    QPointF off = scrollOffset();
    if (fHorz) {
        if (rect.left() < box.left())
            off.rx() -= box.left() - rect.left() + 20;
        else if (rect.right() > box.right())
            off.rx() += rect.right() - box.right() + 20;
    } else {
        if (rect.top() < box.top())
            off.ry() -= box.top() - rect.top() + 20;
        else if (rect.bottom() > box.bottom())
            off.ry() += rect.bottom() - box.bottom() + std::max(rect.height(), box.height() / 2);
    }
    setScrollOffset(off);
}

void TQzguiVarSizeListViewBase::onElementFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown)
{
    element->SetCurrent(true);
    fItemToFocus = element;
    if (rectKnown) {
        fItemToFocusKeep = true;
        const QPointF before = scrollOffset();
        scrollIntoView(rect);
        if (scrollOffset() == before)
            fItemToFocusKeep = false;
    }
}

void TQzguiVarSizeListViewBase::onPaintTopMoved(const QPointF&)
{
    if (fItemToFocusKeep)
        fItemToFocusKeep = false;
    else
        fItemToFocus.reset();
}

void TQzguiVarSizeListViewBase::onElementCurrent(const IQzguiVarSizeItemBase& element, const QRectF&, bool, bool current)
{
    if (current) {
        if (fItemCurrent == element)
            return;
        currentClear();
        fItemCurrent = element;
    } else {
        if (fItemCurrent != element)
            return;
        fItemCurrent.reset();
    }
    onCurrentChanged();
    askRepaint();
    viewport()->update();
}

void TQzguiVarSizeListViewBase::currentClear()
{
    if (const IQzguiVarSizeItemBase cur = fItemCurrent)
        cur->SetCurrent(false);
}

void TQzguiVarSizeListViewBase::onElementSelected(const IQzguiVarSizeItemBase& element, const QRectF&, bool, bool selected)
{
    const IQzguiVarSizeItem item = std::dynamic_pointer_cast<TQzguiVarSizeItem>(element);
    if (!item)
        return;
    auto it = std::find(fItemSelected.begin(), fItemSelected.end(), item);
    if (selected) {
        if (it != fItemSelected.end())
            return;
        if (!fMultiSelect)
            selectedClear();
        fItemSelected.push_back(item);
    } else {
        if (it == fItemSelected.end())
            return;
        fItemSelected.erase(it);
    }
    viewport()->update();
}

std::vector<IQzguiVarSizeItem> TQzguiVarSizeListViewBase::selectedList()
{
    return fItemSelected;
}

IQzguiVarSizeItem TQzguiVarSizeListViewBase::selectedItem()
{
    return fItemSelected.empty() ? nullptr : fItemSelected.front();
}

void TQzguiVarSizeListViewBase::selectedClear()
{
    std::vector<IQzguiVarSizeItem> snapshot;
    snapshot.swap(fItemSelected);
    for (const auto& s : snapshot)
        s->SetSelected(false);
    currentClear();
}

void TQzguiVarSizeListViewBase::onElementSizeChanged(const IQzguiVarSizeItemBase&, const QRectF&, bool flag)
{
    if (flag)
        askRepaint();
}

void TQzguiVarSizeListViewBase::onItemClick(const IQzguiVarSizeItemBase& element)
{
    element->Focus();
    if (element->IsFolder()) {
        auto& folder = static_cast<TQzguiVarSizeFolderBase&>(*element);
        folder.SetExpanded(!folder.GetExpanded());
    }
}

TQzguiVarThumbInfo TQzguiVarSizeListViewBase::getThumbInfoByMousePos(const QPointF& viewportPoint)
{
    syncRoot();
    TQzguiVarThumbInfo info;
    const QPointF p = viewportToContent(viewportPoint);
    if (!fLayoutRoot->elementByMousePos(p, info))
        info = TQzguiVarThumbInfo();
    info.ptMouse = p;
    return info;
}

void TQzguiVarSizeListViewBase::thumbInfoClick(const TQzguiVarThumbInfo& info)
{
    if (info.item)
        info.item->Click();
}
