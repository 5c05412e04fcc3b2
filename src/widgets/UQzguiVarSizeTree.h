#pragma once
// The tree behind a variable-size list view: one root, folders and items,
// each element with its own size and place.
//
// Worker threads build and change the tree (the feed of the photo sources)
// while the main thread lays it out and paints it. One recursive mutex per
// tree, made by the root and shared by every element, guards the fields
// workers touch (data, title, flags, children lists); it is held only for
// short list and field operations. Rectangles, position keys and the
// position index are touched by the main thread only.
//
// Children are kept sorted by id with collation keys computed once per
// element (locale-aware, case and accents count), so a lookup by id is a
// binary search over byte strings. Each folder also keeps its children in the
// order the last layout placed them (the position index), so painting and hit
// tests find the visible children by binary search.
//
// Requests climb from an element to the root and from there to the list view
// (ITreeHost). A detached root drops them; reaching the list view through it
// raises ECancel.
#include "UAppExceptions.h"

#include <QCollatorSortKey>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class IMainFrame;
class TQzguiVarSizeItemBase;
class TQzguiVarSizeItem;
class TQzguiVarSizeFolderBase;
class TQzguiVarSizeRoot;

using IQzguiVarSizeItemBase = std::shared_ptr<TQzguiVarSizeItemBase>;
using IQzguiVarSizeItem = std::shared_ptr<TQzguiVarSizeItem>;
using IQzguiVarSizeFolder = std::shared_ptr<TQzguiVarSizeFolderBase>;
using IQzguiVarSizeRoot = std::shared_ptr<TQzguiVarSizeRoot>;
using TQzguiVarElementList = std::vector<IQzguiVarSizeItemBase>;

enum TQzguiVarOp : unsigned {
    vo_SizeToCalc = 1u << 0,
    vo_AllSizeToCalc = 1u << 1,
    vo_Painted = 1u << 2,
    vo_notInit = 1u << 3,
};
using TQzguiVarOps = unsigned;

// Which part of an element a rectangle belongs to: a whole element (an item,
// or a folder drawn collapsed), the header or the closing part of an
// expanded folder.
enum TQzguiVarResizeType { vrt_Item, vrt_FolderStart, vrt_FolderEnd };
enum TQzguiVarSortMode { vdm_sortAsc, vdm_sortDesc };
// What a search does when the element is missing.
enum TQzguiVarFind { vf_optional, vf_required, vf_createIfNot };

// The answer of a hit test.
struct TQzguiVarThumbInfo {
    QPointF ptMouse;
    QPointF ptLocal;
    QRectF itemRect;
    IQzguiVarSizeItemBase item;
};

// The id of an element with its collation key, made once.
struct TQzguiVarSortKey {
    QString id;
    std::optional<QCollatorSortKey> key; // absent for an empty id
    static TQzguiVarSortKey Make(const QString& id);
};

// Orders an element's id against a key: negative when the element sorts
// before the key. Locale-aware for the user's default locale, no options; an
// empty id sorts before any non-empty key.
class TQzguiVarSortComparer {
public:
    explicit TQzguiVarSortComparer(bool descending) : fDesc(descending) { }
    int Compare(const TQzguiVarSizeItemBase& element, const TQzguiVarSortKey& key) const;
    static const TQzguiVarSortComparer& Asc();
    static const TQzguiVarSortComparer& Desc();

private:
    bool fDesc;
};

// What the root needs of the list view that shows it. Request operations may
// be called from any thread; the root calls them while it holds the tree
// lock, so they must only set flags (never take the tree lock of another
// tree, never wait). The notifications run on the main thread.
class ITreeHost {
public:
    virtual ~ITreeHost() = default;
    // Any thread.
    virtual void askRecalc() = 0;
    virtual void askRepaint() = 0;
    virtual void askGuiOp(const IQzguiVarSizeItemBase& element) = 0;
    virtual void cancelGuiOp(const IQzguiVarSizeItemBase& element) = 0;
    virtual IQzguiVarSizeItemBase createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id) = 0;
    virtual IQzguiVarSizeItemBase createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id) = 0;
    virtual float spacingHorz() const = 0;
    // Main thread.
    virtual void invalidateRect(const QRectF& rect) = 0;
    virtual void invalidateAll() = 0;
    virtual void onElementFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown) = 0;
    virtual void onElementSizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag) = 0;
    virtual void onElementSelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected) = 0;
    virtual void onElementCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current) = 0;
    virtual void onItemClick(const IQzguiVarSizeItemBase& element) = 0;
    virtual IMainFrame* mainFrame() = 0;
};

using TQzguiVarLock = std::recursive_mutex;

// Base of every element.
class TQzguiVarSizeItemBase : public std::enable_shared_from_this<TQzguiVarSizeItemBase> {
public:
    TQzguiVarSizeItemBase(TQzguiVarSizeFolderBase* parent, const QString& id);
    virtual ~TQzguiVarSizeItemBase();
    TQzguiVarSizeItemBase(const TQzguiVarSizeItemBase&) = delete;
    TQzguiVarSizeItemBase& operator=(const TQzguiVarSizeItemBase&) = delete;

    virtual bool IsFolder() const { return false; }

    // --- data, title, quantity (any thread)
    void* GetData() const;
    virtual void SetData(void* data);
    virtual QString GetTitle() const;
    void SetTitle(const QString& title);
    QString GetQty() const;
    void SetQty(const QString& qty);
    const QString& GetID() const { return fSortKey.id; }
    const TQzguiVarSortKey& SortKey() const { return fSortKey; }
    QString GetPath() const;
    TQzguiVarSizeFolderBase* GetParent() const { return fParent; }

    void MTlock() const { fSect->lock(); }
    bool tryMTlock() const { return fSect->try_lock(); }
    void MTunlock() const { fSect->unlock(); }
    const std::shared_ptr<TQzguiVarLock>& Sect() const { return fSect; }

    // --- life and size requests
    void InitializationEnd();
    bool IsInitialized() const;
    virtual void RecalcSize();
    virtual bool isSizeToCalc() const;
    virtual void sizeCalcDone(TQzguiVarResizeType rstype);
    TQzguiVarOps Ops() const;
    void AddArcResource(std::shared_ptr<void> resource);

    // --- rectangles (main thread)
    virtual QRectF SizeCalcRect(TQzguiVarResizeType rstype) const;
    virtual void SetSizeCalcRect(TQzguiVarResizeType rstype, const QRectF& rect, bool horizontal);
    virtual QRectF FinalViewRect(TQzguiVarResizeType rstype) const;
    virtual void SetFinalViewRect(TQzguiVarResizeType rstype, const QRectF& rect);
    virtual void ValidateFinalViewRect(TQzguiVarResizeType rstype);
    virtual bool isFinalRectVisible(const QRectF& rect, TQzguiVarResizeType rstype) const;
    float GetFinalRectTop() const { return fFinalRectTop; }
    virtual bool isAtYposition(float position) const;
    bool HasRects() const { return fResizeRectCalc && fFinalRectCalc; }
    bool isPainted() const;
    void SetPainted(bool flag);
    virtual bool elementByMousePos(const QPointF& point, TQzguiVarThumbInfo& info);

    // --- current, selection, focus, clicks (main thread)
    bool GetCurrent() const;
    void SetCurrent(bool flag);
    void Invalidate();
    virtual void Focus();
    virtual void Click();

    // --- operations climbing to the list view
    virtual void invalidateRect(const QRectF& rect);
    virtual void askFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown);
    virtual void notifySizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag);
    virtual void notifySelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected);
    virtual void notifyCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current);
    virtual void notifyClick(const IQzguiVarSizeItemBase& element);
    void askGuiOp();
    void cancelGuiOp();
    virtual void askGuiOpFor(const IQzguiVarSizeItemBase& element);
    virtual void cancelGuiOpFor(const IQzguiVarSizeItemBase& element);
    // Runs on the main thread after askGuiOp (from the list view's timer).
    virtual void doGuiOp() { }
    virtual ITreeHost* ListView() const;
    IMainFrame* mainFrame() const;
    TQzguiVarSizeRoot* Root() const;

protected:
    virtual void onDataChanged() { }
    virtual void onTitleChanged() { }
    virtual void onQtyChanged() { }
    virtual void onPaintedChanged() { }
    virtual void onCurrentChanged() { }
    // A reference to the parent held across a call that may drop the last
    // other one.
    IQzguiVarSizeFolder ParentRef() const;
    void FinalRectStore(const QRectF& rect);

    TQzguiVarSizeFolderBase* fParent;
    std::shared_ptr<TQzguiVarLock> fSect;
    void* fData = nullptr;
    QRectF fResizeRect;
    bool fResizeRectCalc = false;
    bool fbHorzList = false;
    QRectF fFinalRect;
    bool fFinalRectCalc = false;
    float fFinalRectTop = 0;
    TQzguiVarSortKey fSortKey;
    QString fTitle;
    QString fQty;
    TQzguiVarOps fOps = vo_notInit;
    std::vector<std::shared_ptr<void>> fLstResource;
    bool fbCurrent = false;

    friend class TQzguiVarSizeFolderBase;
    friend class TQzguiVarSizeRoot;
};

class TQzguiVarSizeItem : public TQzguiVarSizeItemBase {
public:
    using TQzguiVarSizeItemBase::TQzguiVarSizeItemBase;
    bool GetSelected() const;
    void SetSelected(bool flag);

protected:
    virtual void onSelectedChanged() { }
    bool fbSelected = false;
};

class TQzguiVarSizeFolderBase : public TQzguiVarSizeItemBase {
public:
    TQzguiVarSizeFolderBase(TQzguiVarSizeFolderBase* parent, const QString& id);
    ~TQzguiVarSizeFolderBase() override;
    bool IsFolder() const override { return true; }

    // --- children (any thread, under the lock)
    TQzguiVarElementList enumSnapshot() const;
    int GetCount() const;
    IQzguiVarSizeItemBase GetItem(int index) const;
    IQzguiVarSizeItemBase lastElement() const;
    int IndexOf(const TQzguiVarSizeItemBase* element) const;
    IQzguiVarSizeItemBase elementByID(const QString& id, int& index, TQzguiVarFind findmode) const;
    IQzguiVarSizeItemBase elementByPath(const QString& path, TQzguiVarFind findmode);
    IQzguiVarSizeItem itemByPath(const QString& path, TQzguiVarFind findmode);
    IQzguiVarSizeFolder folderByPath(const QString& path, TQzguiVarFind findmode);
    IQzguiVarSizeItemBase elementByData(const void* data) const;
    IQzguiVarSizeItemBase itemCreateAt(int index, const QString& id);
    IQzguiVarSizeItemBase folderCreateAt(int index, const QString& id);
    TQzguiVarSortMode GetItemsSortMode() const;
    void SetItemsSortMode(TQzguiVarSortMode mode);
    const TQzguiVarSortComparer& sortComparer() const;

    bool GetExpanded() const;
    virtual void SetExpanded(bool flag);
    bool AllSizeToCalc() const;
    virtual void RecalcAllSize();
    bool isSizeToCalc() const override;
    void sizeCalcDone(TQzguiVarResizeType rstype) override;

    // --- rectangles and the position index (main thread)
    QRectF SizeCalcRect(TQzguiVarResizeType rstype) const override;
    void SetSizeCalcRect(TQzguiVarResizeType rstype, const QRectF& rect, bool horizontal) override;
    QRectF FinalViewRect(TQzguiVarResizeType rstype) const override;
    void SetFinalViewRect(TQzguiVarResizeType rstype, const QRectF& rect) override;
    void ValidateFinalViewRect(TQzguiVarResizeType rstype) override;
    bool isFinalRectVisible(const QRectF& rect, TQzguiVarResizeType rstype) const override;
    bool isAtYposition(float position) const override;
    bool elementByMousePos(const QPointF& point, TQzguiVarThumbInfo& info) override;
    bool isFinalDrawnExpanded() const { return fFinalDrawnExpanded; }
    bool isDrawnExpanded() const { return fDrawnExpanded; }
    int firstChildIndexAt(float position) const;
    int lastChildIndexAt(float position) const;
    int childYposCount() const { return int(fChildYpos.size()); }
    const IQzguiVarSizeItemBase& childByYposIndex(int index) const { return fChildYpos.at(size_t(index)); }
    void finalViewYposReset() { fChildYposIdx = 0; }
    void FinalViewYpositionPlaceRestart(const TQzguiVarSizeItemBase* child);
    void FinalViewYpositionPlace(const IQzguiVarSizeItemBase& child, float oldKey, float newKey);
    void FinalViewYpositionPlaceEnd();

    // --- climbing
    void RecalcSize() override;
    void invalidateRect(const QRectF& rect) override;
    void askFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown) override;
    void notifySizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag) override;
    void notifySelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected) override;
    void notifyCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current) override;
    void notifyClick(const IQzguiVarSizeItemBase& element) override;
    void askGuiOpFor(const IQzguiVarSizeItemBase& element) override;
    void cancelGuiOpFor(const IQzguiVarSizeItemBase& element) override;
    virtual IQzguiVarSizeItemBase createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id);
    virtual IQzguiVarSizeItemBase createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id);

protected:
    // Index of the child in fChild (compared as objects), -1 when absent.
    int indexOfChildUnlocked(const TQzguiVarSizeItemBase* element) const;
    int positionIndexSearch(float key, bool& found) const;
    // Splits a path at its last separator (trimmed, outer separators dropped).
    static QString pathTrim(QString path);

    TQzguiVarElementList fChild;
    TQzguiVarElementList fChildYpos;
    bool fExpanded = false;
    QRectF fResizeRectEnd;
    bool fResizeRectEndCalc = false;
    QRectF fFinalRectEnd;
    bool fFinalRectEndCalc = false;
    bool fDrawnExpanded = false;
    bool fFinalDrawnExpanded = false;
    TQzguiVarSortMode fSortMode = vdm_sortAsc;
    int fChildYposIdx = -1;
};

class TQzguiVarSizeFolder : public TQzguiVarSizeFolderBase {
public:
    using TQzguiVarSizeFolderBase::TQzguiVarSizeFolderBase;
};

// The root: no parent, empty id, owns the tree's lock, expanded, initialised
// at once. Attached to one list view until detachFromListView.
class TQzguiVarSizeRoot : public TQzguiVarSizeFolderBase {
public:
    explicit TQzguiVarSizeRoot(ITreeHost* ctrl);
    static IQzguiVarSizeRoot Create(ITreeHost* ctrl) { return std::make_shared<TQzguiVarSizeRoot>(ctrl); }

    void detachFromListView();
    bool IsAttached() const;
    // Raises ECancel "TQzguiVarSizeRoot.ListView: root detached" once detached.
    ITreeHost* ListView() const override;

    void RecalcSize() override;
    void RecalcAllSize() override;
    void SetExpanded(bool) override { }
    void Focus() override { }
    void Click() override { }
    void invalidateRect(const QRectF& rect) override;
    void askFocus(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool rectKnown) override;
    void notifySizeChanged(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag) override;
    void notifySelected(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool selected) override;
    void notifyCurrent(const IQzguiVarSizeItemBase& element, const QRectF& rect, bool flag, bool current) override;
    void notifyClick(const IQzguiVarSizeItemBase& element) override;
    void askGuiOpFor(const IQzguiVarSizeItemBase& element) override;
    void cancelGuiOpFor(const IQzguiVarSizeItemBase& element) override;
    IQzguiVarSizeItemBase createItemElement(TQzguiVarSizeFolderBase* parent, const QString& id) override;
    IQzguiVarSizeItemBase createFolderElement(TQzguiVarSizeFolderBase* parent, const QString& id) override;
    void askRepaint();
    float spacingHorz() const;

private:
    // The list view for a main-thread notification, null when detached.
    ITreeHost* hostForNotification() const;
    ITreeHost* fCtrl;
};

// The path separator of element paths.
inline constexpr QChar kVarPathSeparator = QLatin1Char('\\');
