#pragma once
// Hosts for the list tree and the layout pass without a widget, and a small
// concrete list view with fixed element sizes that records what it paints.
#include "UQzguiVarResizeCalcCtx.h"
#include "UQzguiVarSizeListView.h"
#include "UMainFrameTypes.h"

#include <QPainter>

#include <atomic>
#include <map>
#include <vector>

// A list view host that counts the requests reaching it.
class TFakeTreeHost : public ITreeHost {
public:
    std::atomic<int> recalcs { 0 };
    std::atomic<int> repaints { 0 };
    std::atomic<int> guiOps { 0 };
    int focuses = 0;
    int clicks = 0;
    float spacing = 10;
    void askRecalc() override { ++recalcs; }
    void askRepaint() override { ++repaints; }
    void askGuiOp(const IQzguiVarSizeItemBase&) override { ++guiOps; }
    void cancelGuiOp(const IQzguiVarSizeItemBase&) override { }
    IQzguiVarSizeItemBase createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id) override
    {
        return std::make_shared<TQzguiVarSizeItem>(parent, id);
    }
    IQzguiVarSizeItemBase createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id) override
    {
        return std::make_shared<TQzguiVarSizeFolder>(parent, id);
    }
    float spacingHorz() const override { return spacing; }
    void invalidateRect(const QRectF&) override { }
    void invalidateAll() override { }
    void onElementFocus(const IQzguiVarSizeItemBase&, const QRectF&, bool) override { ++focuses; }
    void onElementSizeChanged(const IQzguiVarSizeItemBase&, const QRectF&, bool) override { }
    void onElementSelected(const IQzguiVarSizeItemBase&, const QRectF&, bool, bool) override { }
    void onElementCurrent(const IQzguiVarSizeItemBase&, const QRectF&, bool, bool) override { }
    void onItemClick(const IQzguiVarSizeItemBase&) override { ++clicks; }
    IMainFrame* mainFrame() override { return nullptr; }
};

// Lays out a tree without a widget: items of a fixed size (or a size per
// id), folders with a header of a fixed height and no closing part.
class TFakeLayoutHost : public IQzguiVarLayoutHost {
public:
    explicit TFakeLayoutHost(IQzguiVarSizeRoot root, QRectF content = QRectF(0, 0, 1000, 600))
        : fRoot(std::move(root)), fContent(content) { }

    IQzguiVarSizeRoot fRoot;
    QRectF fContent;
    QRectF fVisible { 0, 0, 1000, 600 };
    bool horizontal = false;
    QSizeF itemSize { 100, 100 };
    std::map<QString, QSizeF> sizeById;
    float folderHeader = 30;
    float folderIndent = 20;
    QSizeF rootEnd { -1, 0 };
    TQzguiVarAlignType ah = vat_Leading, av = vat_Center, ahLast = vat_Center;
    std::vector<std::pair<float, bool>> heights; // (bottom, final)
    std::vector<std::pair<float, bool>> widths;
    int repaintsNow = 0;

    IQzguiVarSizeRoot layoutRoot() override { return fRoot; }
    QRectF contentRect() override { return fContent; }
    QRectF visibleArea() override { return fVisible; }
    bool parentScrollBoxHorz() override { return horizontal; }
    float GetThumbnailsFactor() override { return 100; }
    TZebdesign layoutZebd() override { return zebd_home; }
    void calcViewItemSize(const QRectF& rect, float factor, QSizeF& item, QSizeF& spaces) override
    {
        TQzguiVarItemSizeInput in;
        in.rect = rect;
        in.factor = factor;
        in.horizontal = horizontal;
        VarCalcViewItemSize(in, item, spaces);
    }
    void setResizeWidth(float) override { }
    TQzguiVarAlignType alignHorz() override { return ah; }
    TQzguiVarAlignType alignVert() override { return av; }
    TQzguiVarAlignType alignHorzLineNotFull() override { return ahLast; }
    void applyContentHeight(TQzguiVarResizeCalcCtx&, float bottom, bool final) override { heights.push_back({ bottom, final }); }
    void applyContentWidth(TQzguiVarResizeCalcCtx&, float right, bool final) override { widths.push_back({ right, final }); }
    void onElementSizeReady(const IQzguiVarSizeItemBase&, TQzguiVarResizeType) override { }
    bool folderShowsChildren(TQzguiVarResizeCalcCtx&, TQzguiVarSizeFolderBase& f) override { return f.GetExpanded(); }
    QSizeF calcItemSize(TQzguiVarResizeCalcCtx&, TQzguiVarSizeItemBase& item) override
    {
        auto it = sizeById.find(item.GetID());
        return it != sizeById.end() ? it->second : itemSize;
    }
    QSizeF calcFolderStartSize(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeFolderBase& f, bool) override
    {
        if (f.GetParent() == nullptr)
            return QSizeF(-1, 0);
        pass.SetIndentLeft(float(pass.ListView().contentRect().left()) + folderIndent);
        return QSizeF(-1, folderHeader);
    }
    QSizeF calcFolderEndSize(TQzguiVarResizeCalcCtx&, TQzguiVarSizeFolderBase& f) override
    {
        return f.GetParent() == nullptr ? rootEnd : QSizeF(-1, 0);
    }
    void repaintNow() override { ++repaintsNow; }

    // Runs a whole pass; answers the number of batches it took.
    int layoutAll(int steps = kVarResizeStepsPerTick)
    {
        TQzguiVarResizeCalcCtx pass(*this);
        int batches = 1;
        while (!pass.CalcSize(steps))
            ++batches;
        pass.CalcSizeEnd();
        return batches;
    }
};

// A list view with fixed sizes that paints plain rectangles and records
// which elements it painted.
class TTestListView : public TQzguiVarSizeListViewBase {
public:
    explicit TTestListView(QWidget* parent = nullptr, bool horizontal = false)
        : TQzguiVarSizeListViewBase(nullptr, parent, horizontal) { }
    ~TTestListView() override { detachForDestruction(); }

    QSizeF itemSize { -1, -1 }; // negative: the pass's standard item size
    int passes = 0;
    QString failOnId; // the size operation of this id raises
    std::vector<QString> paintedIds;

    QSizeF calcItemSize(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeItemBase& item) override
    {
        if (!failOnId.isEmpty() && item.GetID() == failOnId)
            throw Exception(QStringLiteral("size failed"));
        return itemSize.width() < 0 ? pass.ItemSizeMax() : itemSize;
    }
    QSizeF calcFolderStartSize(TQzguiVarResizeCalcCtx& pass, TQzguiVarSizeFolderBase& folder, bool) override
    {
        if (folder.GetParent() == nullptr) {
            ++passes;
            return QSizeF(-1, 0);
        }
        return QSizeF(-1, 30);
    }
    QSizeF calcFolderEndSize(TQzguiVarResizeCalcCtx&, TQzguiVarSizeFolderBase&) override { return QSizeF(-1, 0); }

    // Runs timer ticks until no layout is pending or requested.
    int settle(int maxTicks = 1000)
    {
        int ticks = 0;
        do {
            onTimer();
            ++ticks;
        } while ((isLayoutPending() || RootFolder()->isSizeToCalc()) && ticks < maxTicks);
        return ticks;
    }

protected:
    void paintFolderCollapsed(QPainter& p, TQzguiVarSizeFolderBase& f, const QRectF&) override
    {
        p.fillRect(f.FinalViewRect(vrt_Item), QColor(0xCC, 0xCC, 0xCC));
    }
    void paintFolderExpandedStart(QPainter& p, TQzguiVarSizeFolderBase& f, const QRectF&) override
    {
        if (f.GetParent())
            p.drawText(f.FinalViewRect(vrt_FolderStart), f.GetTitle());
    }
    void paintFolderExpandedEnd(QPainter&, TQzguiVarSizeFolderBase&, const QRectF&) override { }
    void paintItem(QPainter& p, TQzguiVarSizeItemBase& item, const QRectF&) override
    {
        paintedIds.push_back(item.GetID());
        p.fillRect(item.FinalViewRect(vrt_Item), QColor(0x88, 0xAA, 0xDD));
        p.drawText(item.FinalViewRect(vrt_Item), Qt::AlignCenter, item.GetTitle());
    }
};

// Adds count initialised items "00000" ... under the root.
inline void addItems(const IQzguiVarSizeRoot& root, int count, int first = 0)
{
    for (int i = first; i < first + count; ++i) {
        auto item = root->itemByPath(QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')), vf_createIfNot);
        item->InitializationEnd();
    }
}
