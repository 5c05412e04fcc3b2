#pragma once
// The order bitmap cache: one bitmap per image source, maximum size and
// rendering mode, built in the background on the task queue that the asking
// control names, bounded in memory by weight and by count.
//
// - Access returns the handle (IOrderBitmap) of a bitmap, creating an empty
//   item on a miss; IsBitmapLoaded then answers whether the pixels are there
//   and otherwise queues the build and registers who wants to be told.
// - The least recently accessed items that nobody uses are evicted at the
//   start of an access. An item is in use while it is pinned (TOrderBitmapPin),
//   listed by a control's paint pass, or has a build queued or running.
// - An item that leaves the cache is detached for good: its weight leaves
//   the total at once, its pixels are dropped, and a build that finishes
//   later is thrown away.
// - Controls bracket each paint pass with controlStartUse/controlEndUse and
//   report their destruction with controlDestroyed; a control that stops
//   showing a bitmap releases it at the end of its next pass, and the
//   pending build is cancelled when no control needs it any more.
// - Notifications to QObject controls always reach them on the main thread.
//
// All shared state is guarded by one module-level lock, held only for short
// list and field operations: never while a build, a notification, a task
// cancellation or a detach runs.
#include "IMainFrame.h"
#include "UImageSource.h"
#include "UImageTransfer.h"
#include "UThreadTaskQueue.h"
#include "UZebbitmap.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

class IOrderBitmap;
class TOrderBitmapCache;
class TOrderBitmapCacheItem;

// Told when a bitmap it asked for has been built (or failed for good).
// A QObject implementing it is told on the main thread, through a proxy that
// forgets it when the control reports its destruction; any other
// implementer is told on the building thread and must unregister
// (IOrderBitmap::NotifUnregister) before it dies.
class IOrderBitmapNotif {
public:
    virtual ~IOrderBitmapNotif() = default;
    virtual void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) = 0;
};

// The handle that callers keep on a cached bitmap.
class IOrderBitmap {
public:
    virtual ~IOrderBitmap() = default;
    // True when the bitmap is there. Otherwise queues its build on
    // taskQueue (or runs it at once when the caller is that queue's worker
    // or forces it), registers notif and answers false. Without a queue and
    // without force nothing is built.
    virtual bool IsBitmapLoaded(TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif, bool bForceLoad) = 0;
    // A surface or a drawable bitmap is held.
    virtual bool IsBitmapLoaded() = 0;
    virtual bool IsBitmapSurfaceLoaded() = 0;
    virtual QSizeF BitmapSize() = 0;
    virtual QSizeF FullBitmapSize() = 0;
    // The pixels as a surface, converting a drawable bitmap back on the main
    // thread. The returned image shares the pixels and stays valid whatever
    // the cache does afterwards.
    virtual QImage BitmapSurface() = 0;
    // The pixels as a drawable bitmap, converting the surface on the main
    // thread.
    virtual TZebbitmap Bitmap() = 0;
    virtual void NotifUnregister(IOrderBitmapNotif* notif) = 0;
    // Drops the pixels; the next IsBitmapLoaded builds again.
    virtual void Reset() = 0;
    // An item pinned is in use: clean-up never evicts it. Every Pin is
    // matched by one Unpin (TOrderBitmapPin does it).
    virtual void Pin() = 0;
    virtual void Unpin() = 0;
};

// Pins a bitmap for the lifetime of the object.
class TOrderBitmapPin {
public:
    TOrderBitmapPin() = default;
    explicit TOrderBitmapPin(IOrderBitmapRef bmp) : fBmp(std::move(bmp))
    {
        if (fBmp)
            fBmp->Pin();
    }
    ~TOrderBitmapPin() { reset(); }
    TOrderBitmapPin(const TOrderBitmapPin&) = delete;
    TOrderBitmapPin& operator=(const TOrderBitmapPin&) = delete;
    TOrderBitmapPin(TOrderBitmapPin&& o) noexcept : fBmp(std::move(o.fBmp)) { }
    TOrderBitmapPin& operator=(TOrderBitmapPin&& o) noexcept
    {
        if (this != &o) {
            reset();
            fBmp = std::move(o.fBmp);
        }
        return *this;
    }
    void reset()
    {
        if (fBmp) {
            fBmp->Unpin();
            fBmp.reset();
        }
    }
    const IOrderBitmapRef& get() const { return fBmp; }
    IOrderBitmap* operator->() const { return fBmp.get(); }

private:
    IOrderBitmapRef fBmp;
};

using IOrderBitmapNotifRef = std::shared_ptr<IOrderBitmapNotif>;

// The dictionary key. The maxima keep their full 32 bits: two requests of
// one source that differ only beyond the low 16 bits are two bitmaps.
struct TOrderBitmapCacheId {
    TImageSource* imageSource = nullptr;
    qint32 bitmapWidthMax = 0;
    qint32 bitmapHeightMax = 0;
    qint32 bitmapMode = 0;

    friend bool operator==(const TOrderBitmapCacheId&, const TOrderBitmapCacheId&) = default;
};

struct TOrderBitmapCacheIdHash {
    size_t operator()(const TOrderBitmapCacheId& k) const noexcept;
};

// Tells one QObject on the main thread; the cache keeps one per control that
// waits for any bitmap.
class TOrderBitmapCacheNotifProxy : public IOrderBitmapNotif {
public:
    explicit TOrderBitmapCacheNotifProxy(QObject* comp);
    void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) override;
    // The control is gone (called with the cache lock held).
    void onControlDestroyed();

private:
    QPointer<QObject> fComponent;
    QObject* fComponentRaw = nullptr;
};

// The cache's side of an item.
class IOrderBitmapForCache : public IOrderBitmap {
public:
    virtual qint64 BitmapByteWeight() = 0;
    virtual bool CacheDetach(ThreadTaskWaitMode waitMode) = 0;
    virtual TOrderBitmapCacheId CacheKey() = 0;
    virtual bool IsUsed() = 0;
    virtual QString DbgInfo() = 0;
    virtual void onBitmapBuild() = 0;
    virtual TImageSource* ImageSource() = 0;
    virtual bool ctrlDestroyed(IOrderBitmapNotif* ctrl) = 0;
    virtual void ctrlUseStart() = 0;
    virtual void ctrlUseUsed() = 0;
    virtual bool ctrlUseEnd() = 0;
    virtual void ctrlUseDec() = 0;
    virtual void ctrlUseInc() = 0;
    virtual bool loadTaskCancel(ThreadTaskWaitMode waitMode) = 0;
};

using IOrderBitmapForCacheRef = std::shared_ptr<IOrderBitmapForCache>;

class TOrderBitmapCache : public TImageCache {
public:
    static constexpr qint64 CacheSizeMaxDefault = 167772160; // 160 MiB
    static constexpr qint64 CacheSizeMaxMin = 33554432;      // 32 MiB
    static constexpr qint32 ItemCountMaxDefault = 200;
    static constexpr qint32 ItemCountMaxMin = 2;

    explicit TOrderBitmapCache(IMainFrame* main);
    ~TOrderBitmapCache() override;
    TOrderBitmapCache(const TOrderBitmapCache&) = delete;
    TOrderBitmapCache& operator=(const TOrderBitmapCache&) = delete;

    IOrderBitmapRef Access(TImageSource* imageSource, int bitmapWidthMax, int bitmapHeightMax,
                           TOrderBitmapMode bitmapMode);

    void ClearAll();
    bool ToCleanUp();
    void CleanUp(bool force);
    void memoryCleanUp() { CleanUp(true); }
    // Logs every item at INFO level; returns the sum of the items' current
    // weights (which the total must equal).
    qint64 memoryDebugDump();

    void onImageSourceDestroyed(TImageSource* src) override;
    void onImageSourceInvalidate(TImageSource* src, IOrderBitmapRef exceptBmp) override;

    // Paint passes of controls: main thread only.
    void controlStartUse(QObject* ctrl);
    void controlEndUse(QObject* ctrl, bool bUseCleanEnabled);
    void controlDestroyed(QObject* ctrl);

    qint64 CacheSizeMax() const;
    void SetCacheSizeMax(qint64 value);
    qint64 CacheSizeActual() const;
    qint32 ItemCountMax() const;
    void SetItemCountMax(qint32 value);
    qint32 ItemCountActual() const;

    // The sum of the weights that the attached items have reported; equals
    // CacheSizeActual whenever no operation is under way.
    qint64 CountedWeightSum() const;
    // The keys in recency order, least recently accessed first.
    std::vector<TOrderBitmapCacheId> LruKeys() const;

private:
    friend class TOrderBitmapCacheItem;

    // Called with the lock held.
    void onByteWeightChanged(qint64 oldWeight, qint64 newWeight);
    bool ToCleanUpLocked() const;
    void controlUseRecord(QObject* ctrl, const IOrderBitmapForCacheRef& item);
    // The proxy of a control, created when missing (lock held).
    IOrderBitmapNotifRef NotifProxyFor(QObject* comp);
    IOrderBitmapNotifRef NotifProxyFind(QObject* comp) const;
    // Detaches items taken out of the containers (lock not held).
    static void DetachAll(const std::vector<IOrderBitmapForCacheRef>& items, ThreadTaskWaitMode waitMode);

    using TLru = std::list<IOrderBitmapForCacheRef>;

    std::unordered_map<TOrderBitmapCacheId, TLru::iterator, TOrderBitmapCacheIdHash> fItems;
    TLru fItemsLru;
    qint64 fCacheSizeActual = 0;
    qint64 fCacheSizeMax = CacheSizeMaxDefault;
    qint32 fItemCountMax = ItemCountMaxDefault;
    IMainFrame* fMain = nullptr;
    QObject* fCurrentCtrl = nullptr;
    // Main thread only.
    std::unordered_map<QObject*, std::vector<IOrderBitmapForCacheRef>> fCtrlUsedDico;
    std::unordered_map<QObject*, std::shared_ptr<TOrderBitmapCacheNotifProxy>> fCtrlNotifLst;
};
