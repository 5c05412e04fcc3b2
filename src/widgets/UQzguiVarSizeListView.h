#pragma once
// The variable-size list view: a scroll area that shows a variable-size list
// tree (UQzguiVarSizeTree.h) over a virtual content size. No child widget is
// sized to the content (Qt caps widgets at 16,777,215 px): the scroll bars
// carry the content size and the viewport paints only the elements that meet
// the visible area, found by binary search in the folders' position indexes.
//
// Requests from any thread (layout, repaint, main-thread operations of
// elements, feed counting) only set flags under a small lock of the view; a
// 300 ms timer serves them on the main thread: one batch of the layout pass
// (UQzguiVarResizeCalcCtx.h), the repaint, the elements' doGuiOp and the end
// of a feed. The timer runs only while the view is visible.
//
// RootDetach swaps in a new empty root from any thread without waiting for
// the main thread; the main thread drops the old tree's pass, painting and
// selection state at its next tick or paint.
#include "UQzguiVarResizeCalcCtx.h"
#include "UQzguiVarSizeTree.h"

#include <QAbstractScrollArea>
#include <QPointF>
#include <QTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class IMainFrame;
class QPainter;

enum TQzguiVarDragMode { vdm_dragOff, vdm_dragOn, vdm_dragOnHorzOnly, vdm_dragOnVertOnly, vdm_dragOnLongClick };

inline constexpr int kVarTimerIntervalMs = 300;
inline constexpr int kVarNoImgFontSize = 15;
inline constexpr int kVarMinFolderHeight = 20;

class TQzguiVarSizeListViewBase : public QAbstractScrollArea, public ITreeHost, public IQzguiVarLayoutHost {
    Q_OBJECT
public:
    using TElementFactory = std::function<IQzguiVarSizeItemBase(TQzguiVarSizeFolderBase* parent, const QString& id)>;

    // horizontal: the list scrolls sideways and forms one endless line.
    explicit TQzguiVarSizeListViewBase(IMainFrame* main, QWidget* parent = nullptr, bool horizontal = false);
    ~TQzguiVarSizeListViewBase() override;

    // --- tree (any thread)
    IQzguiVarSizeRoot RootFolder() const;
    // Installs a new empty root and hands the old one (detached) back.
    IQzguiVarSizeRoot RootDetach();
    void MTlock() const;
    void MTunlock() const;
    bool tryMTlock() const;
    IQzguiVarSizeItemBase elementByID(const QString& id, TQzguiVarFind findmode) const;
    IQzguiVarSizeItemBase elementByPath(const QString& path, TQzguiVarFind findmode) const;
    IQzguiVarSizeItem itemByPath(const QString& path, TQzguiVarFind findmode) const;
    IQzguiVarSizeFolder folderByPath(const QString& path, TQzguiVarFind findmode) const;
    IQzguiVarSizeItemBase elementByData(const void* data) const;

    // --- requests (any thread)
    void askRecalc() final;
    void askRepaint() final;
    void askRecalcAll();
    void askGuiOp(const IQzguiVarSizeItemBase& element) final;
    void cancelGuiOp(const IQzguiVarSizeItemBase& element) final;
    void feedStart();
    void feedEnd();
    bool isFeedInProgress() const;
    IQzguiVarSizeItemBase createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id) final;
    IQzguiVarSizeItemBase createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id) final;
    float spacingHorz() const final;

    // --- main thread
    // One tick of the request timer (also called by tests to step).
    void onTimer();
    bool isLayoutPending() const { return fResizeCtx != nullptr; }
    TQzguiVarThumbInfo getThumbInfoByMousePos(const QPointF& viewportPoint);
    virtual void thumbInfoClick(const TQzguiVarThumbInfo& info);
    std::vector<IQzguiVarSizeItem> selectedList();
    IQzguiVarSizeItem selectedItem();
    void selectedClear();
    void currentClear();
    IQzguiVarSizeItemBase Current() const { return fItemCurrent; }
    IQzguiVarSizeItemBase itemToFocus() const { return fItemToFocus; }
    bool noItem() const { return fbNoItem; }
    float contentHeight() const { return fContentHeight; }
    float contentWidth() const { return fContentWidth; }
    // The scroll offset: content coordinates of the viewport's top-left.
    QPointF scrollOffset() const;
    void setScrollOffset(const QPointF& offset);
    QPointF viewportToContent(const QPointF& p) const { return p + scrollOffset(); }
    QRectF contentToViewport(const QRectF& r) const { return r.translated(-scrollOffset()); }
    // The scroll bars are moving under a touch flick.
    bool parentScrollBoxScrolling() const;
    QSizeF spacesCalc() const { return fSpacesCalc; }
    // Elements that were painted in the last paint pass.
    const std::vector<IQzguiVarSizeItemBase>& paintedElements() const { return fItemPainted; }

    TQzguiVarAlignType AlignHorz() const { return fAlignHorz; }
    void SetAlignHorz(TQzguiVarAlignType v);
    TQzguiVarAlignType AlignVert() const { return fAlignVert; }
    void SetAlignVert(TQzguiVarAlignType v);
    TQzguiVarAlignType AlignHorzLineNotFull() const { return fAlignHorzLineNotFull; }
    void SetAlignHorzLineNotFull(TQzguiVarAlignType v);
    QSizeF ViewItemSizeMax() const { return fViewItemSizeMaxDefault; }
    void SetViewItemSizeMax(const QSizeF& v);
    QSizeF SpacesDefault() const { return fSpacesDefault; }
    void SetSpacesDefault(const QSizeF& v);
    bool MultiSelect() const { return fMultiSelect; }
    void SetMultiSelect(bool v) { fMultiSelect = v; }
    TQzguiVarDragMode VarDragMode() const { return fVarDragMode; }
    void SetVarDragMode(TQzguiVarDragMode v);
    float NoImgHeight() const { return fNoImgHeight; }
    void SetNoImgHeight(float v) { fNoImgHeight = v; }
    int MinFolderHeight() const { return fMinFolderHeight; }
    IMainFrame* mainFrame() override { return fMain; }

    // --- layout host (main thread)
    IQzguiVarSizeRoot layoutRoot() override;
    QRectF contentRect() override;
    QRectF visibleArea() override;
    bool parentScrollBoxHorz() override { return fHorz; }
    float GetThumbnailsFactor() override;
    TZebdesign layoutZebd() override;
    void calcViewItemSize(const QRectF& rect, float factor, QSizeF& itemSize, QSizeF& spaces) override;
    void setResizeWidth(float width) override;
    TQzguiVarAlignType alignHorz() override { return fAlignHorz; }
    TQzguiVarAlignType alignVert() override { return fAlignVert; }
    TQzguiVarAlignType alignHorzLineNotFull() override { return fAlignHorzLineNotFull; }
    void applyContentHeight(TQzguiVarResizeCalcCtx& pass, float bottom, bool final) override;
    void applyContentWidth(TQzguiVarResizeCalcCtx& pass, float right, bool final) override;
    void onElementSizeReady(const IQzguiVarSizeItemBase& element, TQzguiVarResizeType part) override;
    bool folderShowsChildren(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeFolderBase& folder) override;
    void repaintNow() override;

    // --- notifications from the tree (main thread)
    void invalidateRect(const QRectF& rect) override;
    void invalidateAll() override;
    void onElementFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown) override;
    void onElementSizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag) override;
    void onElementSelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected) override;
    void onElementCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current) override;
    void onItemClick(const IQzguiVarSizeItemBase& element) override;

    // The text shown while the list has no element.
    virtual QString noItemText() const;

protected:
    // Element classes: set by each concrete list in its constructor.
    void setElementFactories(TElementFactory item, TElementFactory folder);
    virtual float lineIndentWidth() { return 0; }
    virtual int minItemsPerLine() { return 1; }
    virtual void onCurrentChanged() { }
    virtual void onFeedEnd();
    virtual void onVarDragModeChange(TQzguiVarDragMode) { }
    virtual void afterContentResize();
    virtual void onPaintTopMoved(const QPointF& oldPosition);

    // Painting (main thread); rectangles in content coordinates.
    virtual void paintContent(QPainter& p, const QRectF& content, const QRectF& visible);
    void paintFolder(TQzguiVarSizeFolderBase& folder, QPainter& p, const QRectF& visible);
    void onViewItemPaint(const IQzguiVarSizeItemBase& element, QPainter& p, const QRectF& visible);
    virtual void paintNoItem(QPainter& p, const QRectF& rect);
    virtual void paintFolderCollapsed(QPainter& p, TQzguiVarSizeFolderBase& folder, const QRectF& visible) = 0;
    virtual void paintFolderExpandedStart(QPainter& p, TQzguiVarSizeFolderBase& folder, const QRectF& visible) = 0;
    virtual void paintFolderExpandedEnd(QPainter& p, TQzguiVarSizeFolderBase& folder, const QRectF& visible) = 0;
    virtual void paintItem(QPainter& p, TQzguiVarSizeItemBase& item, const QRectF& visible) = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

    // Brings a rectangle (content coordinates) into view.
    void scrollIntoView(const QRectF& rect);
    // Detaches the root for good; concrete lists call it first in their
    // destructors so no worker reaches a half-destroyed view.
    void detachForDestruction();

    IMainFrame* fMain;
    float fNoImgHeight = -1;
    float fNoImgWidth = -1;
    int fNoImgFontSize = kVarNoImgFontSize;
    int fMinFolderHeight = kVarMinFolderHeight;

private:
    void syncRoot();
    void runLayoutBatch();
    bool markPainted(const IQzguiVarSizeItemBase& element, const QRectF& visible);
    void endPaintPass();
    void updateScrollRanges();
    float noImgExtent(bool height) const;
    QPointF paintTop() const;

    mutable std::mutex fReqLock; // guards the fields marked (R)
    IQzguiVarSizeRoot fRootFolder; // (R)
    bool fToCalcSize = false; // (R)
    std::atomic<bool> fToPaint { false }; // (R) when set
    std::vector<IQzguiVarSizeItemBase> fAskGuiOpLst; // (R)
    int fcFeedInProgress = -1; // (R)
    bool fbFeedEndNotif = false; // (R)
    std::atomic<float> fSpacesCalcHorz { kVarDefaultSpacing };
    TElementFactory fItemFactory; // set before any worker runs
    TElementFactory fFolderFactory;

    IQzguiVarSizeRoot fLayoutRoot; // the root the state below belongs to
    std::unique_ptr<TQzguiVarResizeCalcCtx> fResizeCtx;
    bool fbInResize = false;
    float fResizeWidth = -1;
    float fResizeWidthPrev = -1;
    bool fbNoItem = true;
    std::vector<IQzguiVarSizeItemBase> fItemPainted;
    std::vector<IQzguiVarSizeItemBase> fItemInPaint;
    IQzguiVarSizeItemBase fItemToFocus;
    bool fItemToFocusKeep = false;
    std::vector<IQzguiVarSizeItem> fItemSelected;
    IQzguiVarSizeItemBase fItemCurrent;
    QTimer fTimer;
    float fContentHeight = 0;
    float fContentWidth = 0;
    bool fHorz;
    QPointF fPtPaintTop;
    bool fPtPaintTopInit = false;
    TQzguiVarAlignType fAlignHorz = vat_Leading;
    TQzguiVarAlignType fAlignVert = vat_Center;
    TQzguiVarAlignType fAlignHorzLineNotFull = vat_Center;
    QSizeF fSpacesDefault { kVarDefaultSpacing, kVarDefaultSpacing };
    QSizeF fSpacesCalc { kVarDefaultSpacing, kVarDefaultSpacing };
    QSizeF fViewItemSizeMaxDefault { kVarDefaultItemSize, kVarDefaultItemSize };
    bool fMultiSelect = false;
    TQzguiVarDragMode fVarDragMode = vdm_dragOff;
    bool fDetached = false;
};
