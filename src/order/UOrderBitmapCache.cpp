#include "UOrderBitmapCache.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "UFormat.h"

#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The bitmap-cache lock: guards both containers and the total of every
// cache, every item's task, waiting list, use counts, pins, pixels and
// detached flag, and every proxy's component. Recursive, because the main
// frame's size-change handler and a source's attach hook run with it held
// and may read the cache.
std::recursive_mutex& cacheLock()
{
    static std::recursive_mutex lock;
    return lock;
}

using TLock = std::unique_lock<std::recursive_mutex>;

// Builds in progress, with the source each one uses: a source that dies
// waits here until no build of one of its bitmaps still runs.
struct TBuildEntry {
    const void* item;
    TImageSource* source;
    std::thread::id thread;
};
std::vector<TBuildEntry>& buildsInProgress()
{
    static std::vector<TBuildEntry> builds;
    return builds;
}
std::condition_variable_any& buildEndCv()
{
    static std::condition_variable_any cv;
    return cv;
}

const QString kNotLoaded = QStringLiteral("Bitmap not yet loaded !");

bool isCancel(const std::exception& e)
{
    return dynamic_cast<const ECancel*>(&e) != nullptr;
}

bool isRetry(const std::exception& e)
{
    return dynamic_cast<const ETaskRetry*>(&e) != nullptr;
}

qint64 imageWeight(const QImage& img)
{
    return qint64(sizeof(QImage)) + qint64(img.bytesPerLine()) * img.height();
}

void checkMainThread()
{
    if (!TThreadTaskQueueWithoutThread::IsMainThread())
        throw Exception(
            QStringLiteral("Call to this function is forbidden for current thread, allowed only for main thread"));
}

} // namespace

// ---------------------------------------------------------------------------

size_t TOrderBitmapCacheIdHash::operator()(const TOrderBitmapCacheId& k) const noexcept
{
    size_t h = std::hash<const void*>()(k.imageSource);
    auto mix = [&h](quint64 v) { h ^= std::hash<quint64>()(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(quint32(k.bitmapWidthMax));
    mix(quint32(k.bitmapHeightMax));
    mix(quint32(k.bitmapMode));
    return h;
}

// ---------------------------------------------------------------------------
// The item.

class TOrderBitmapCacheItem final : public IOrderBitmapForCache,
                                    public std::enable_shared_from_this<TOrderBitmapCacheItem> {
public:
    TOrderBitmapCacheItem(TOrderBitmapCache* cache, IMainFrame* main, TImageSource* src, int widthMax,
                          int heightMax, TOrderBitmapMode mode)
        : fCache(cache), fMain(main), fImageSource(src), fBitmapWidthMax(widthMax), fBitmapHeightMax(heightMax),
          fBitmapMode(mode)
    {
    }
    ~TOrderBitmapCacheItem() override;

    // IOrderBitmap
    bool IsBitmapLoaded(TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif, bool bForceLoad) override;
    bool IsBitmapLoaded() override;
    bool IsBitmapSurfaceLoaded() override;
    QSizeF BitmapSize() override;
    QSizeF FullBitmapSize() override;
    QImage BitmapSurface() override;
    TZebbitmap Bitmap() override;
    void NotifUnregister(IOrderBitmapNotif* notif) override;
    void Reset() override;
    void Pin() override;
    void Unpin() override;

    // IOrderBitmapForCache
    qint64 BitmapByteWeight() override;
    bool CacheDetach(ThreadTaskWaitMode waitMode) override;
    TOrderBitmapCacheId CacheKey() override;
    bool IsUsed() override;
    QString DbgInfo() override;
    void onBitmapBuild() override;
    TImageSource* ImageSource() override;
    bool ctrlDestroyed(IOrderBitmapNotif* ctrl) override;
    void ctrlUseStart() override;
    void ctrlUseUsed() override;
    bool ctrlUseEnd() override;
    void ctrlUseDec() override;
    void ctrlUseInc() override;
    bool loadTaskCancel(ThreadTaskWaitMode waitMode) override;

    // With the lock held.
    bool LoadedLocked() const { return !fBitmapSurface.isNull() || !fBitmap.isNull(); }
    bool IsUsedLocked() const;
    qint64 BitmapByteWeightLocked() const;
    qint64 CountedLocked() const { return fBitmapByteWeightCounted; }
    void byteWeightUpdateLocked();
    // Leaves the cache for good: the weight goes back, the pixels, the
    // waiting list and the source are dropped.
    void DetachLocked();

    TOrderBitmapCache::TLru::iterator fLruPos;

private:
    void NotifRegisterLocked(IOrderBitmapNotif* notif);
    void NotifUnregisterLocked(IOrderBitmapNotif* notif);
    void onBitmapBuilt(QImage surface, TZebbitmap bitmap, bool bError);
    bool onBitmapBuildError(const std::exception& e);
    // The body of a load task.
    static void LoadTaskRun(const std::weak_ptr<TOrderBitmapCacheItem>& weak);
    void LoadTaskDoneLocked(bool retried);

    TOrderBitmapCache* fCache;
    IMainFrame* fMain;
    TImageSource* fImageSource;
    const qint32 fBitmapWidthMax;
    const qint32 fBitmapHeightMax;
    const TOrderBitmapMode fBitmapMode;
    QImage fBitmapSurface;
    TZebbitmap fBitmap;
    qint64 fBitmapByteWeightCounted = 0;
    QSizeF fBitmapSize { -1, -1 };
    QSizeF fFullBitmapSize { -1, -1 };
    IThreadTaskRef fLoadTask;
    // fLoadTask has started its current run.
    bool fLoadTaskRunning = false;
    std::vector<IOrderBitmapNotifRef> fListNotif;
    std::atomic<bool> fCacheDetached { false };
    bool fInBitmapBuild = false;
    bool fCtrlUsed = false;
    qint32 fCtrlUsedCount = 0;
    qint32 fPinCount = 0;
};

TOrderBitmapCacheItem::~TOrderBitmapCacheItem()
{
    if (fCtrlUsedCount > 0)
        LogFatalFmt(QStringLiteral("TOrderBitmapCacheItem.Destroy: fCtrlUsedCount(%d)>0"), { fCtrlUsedCount });
    if (!fListNotif.empty())
        LogDebugFmt(QStringLiteral("TOrderBitmapCacheItem.Destroy: fListNotif.Count(%d)>0"),
                    { qint64(fListNotif.size()) });
}

bool TOrderBitmapCacheItem::IsUsedLocked() const
{
    if (fPinCount > 0 || fCtrlUsedCount > 0 || fInBitmapBuild)
        return true;
    return fLoadTask && fLoadTask->IsWaitingForExec();
}

bool TOrderBitmapCacheItem::IsUsed()
{
    std::lock_guard lk(cacheLock());
    return IsUsedLocked();
}

qint64 TOrderBitmapCacheItem::BitmapByteWeightLocked() const
{
    qint64 w = qint64(sizeof(TOrderBitmapCacheItem));
    if (!fBitmap.isNull())
        w += imageWeight(fBitmap);
    if (!fBitmapSurface.isNull())
        w += imageWeight(fBitmapSurface);
    return w;
}

qint64 TOrderBitmapCacheItem::BitmapByteWeight()
{
    std::lock_guard lk(cacheLock());
    return BitmapByteWeightLocked();
}

void TOrderBitmapCacheItem::byteWeightUpdateLocked()
{
    const qint64 w = BitmapByteWeightLocked();
    if (fCacheDetached || w == fBitmapByteWeightCounted)
        return;
    const qint64 old = fBitmapByteWeightCounted;
    fBitmapByteWeightCounted = w;
    fCache->onByteWeightChanged(old, w);
}

void TOrderBitmapCacheItem::DetachLocked()
{
    if (fCacheDetached)
        return;
    if (fBitmapByteWeightCounted != 0) {
        const qint64 old = fBitmapByteWeightCounted;
        fBitmapByteWeightCounted = 0;
        fCache->onByteWeightChanged(old, 0);
    }
    fCacheDetached = true;
    fImageSource = nullptr;
    fBitmapSurface = QImage();
    fBitmap = TZebbitmap();
    fListNotif.clear();
}

TOrderBitmapCacheId TOrderBitmapCacheItem::CacheKey()
{
    std::lock_guard lk(cacheLock());
    return { fImageSource, fBitmapWidthMax, fBitmapHeightMax, qint32(fBitmapMode) };
}

TImageSource* TOrderBitmapCacheItem::ImageSource()
{
    std::lock_guard lk(cacheLock());
    return fImageSource;
}

QString TOrderBitmapCacheItem::DbgInfo()
{
    std::lock_guard lk(cacheLock());
    QString s = Format(
        QStringLiteral("%dbytes(counted: %d): asked:%ux%u/%d - %s(%d) - used count: %d, notif count: %d"),
        { BitmapByteWeightLocked(), fBitmapByteWeightCounted, quint32(fBitmapWidthMax), quint32(fBitmapHeightMax),
          int(fBitmapMode), IsUsedLocked() ? QStringLiteral("USED") : QStringLiteral("free"),
          qint64(weak_from_this().use_count()), fCtrlUsedCount, qint64(fListNotif.size()) });
    if (!fBitmap.isNull())
        s += QStringLiteral(" [BMP]");
    if (!fBitmapSurface.isNull())
        s += QStringLiteral(" [SURF]");
    return s;
}

// --- requesting a bitmap

bool TOrderBitmapCacheItem::IsBitmapLoaded()
{
    std::lock_guard lk(cacheLock());
    return LoadedLocked();
}

bool TOrderBitmapCacheItem::IsBitmapSurfaceLoaded()
{
    std::lock_guard lk(cacheLock());
    return !fBitmapSurface.isNull();
}

bool TOrderBitmapCacheItem::IsBitmapLoaded(TThreadTaskQueueBase* taskQueue, IOrderBitmapNotif* notif,
                                           bool bForceLoad)
{
    try {
        TLock lk(cacheLock());
        if (fCacheDetached)
            throw ECancel();
        if (LoadedLocked()) {
            fLoadTask.reset();
            if (notif)
                NotifUnregisterLocked(notif);
            return true;
        }
        TThreadTaskQueueBase* current = TThreadTaskQueueWithoutThread::Current();
        const bool background = (!bForceLoad && (!taskQueue || current != taskQueue))
            || (taskQueue && taskQueue->hasHighPriorityTasks());
        if (background) {
            if (taskQueue) {
                // A task still waiting moves ahead; one that already runs may
                // be past the point where it would see this request, so a new
                // task follows it.
                if (fLoadTask && !fLoadTaskRunning && fLoadTask->IsWaitingForExec()) {
                    taskQueue->highPriorityTaskAdd(fLoadTask);
                } else {
                    std::weak_ptr<TOrderBitmapCacheItem> weak = weak_from_this();
                    // The newest request first: while a view scrolls faster
                    // than its bitmaps are built, the older requests are
                    // those whose sources leave the view before their turn,
                    // and their builds are cancelled before they start.
                    fLoadTask = taskQueue->AddCallNewestFirst([weak] { LoadTaskRun(weak); }, shared_from_this());
                    fLoadTaskRunning = false;
                }
            }
            if (notif && (!taskQueue || !taskQueue->hasHighPriorityTasks())) {
                if (fLoadTask)
                    NotifRegisterLocked(notif);
                else
                    LogDebug(QStringLiteral("TOrderBitmapCacheItem.IsBitmapLoaded: notif without task !"));
            }
            return false;
        }
        lk.unlock();
        LogDebug(QStringLiteral("TOrderCachedBitmap: recursive load start"));
        onBitmapBuild();
        lk.lock();
        if (!LoadedLocked())
            throw ETaskRetry(QStringLiteral("TOrderCachedBitmap.IsBitmapLoaded: bitmap should be loaded here!"));
        LogDebug(QStringLiteral("TOrderCachedBitmap: recursive load success"));
        return true;
    } catch (const std::exception& e) {
        LogDebug(QStringLiteral("TOrderCachedBitmap.IsBitmapLoaded"), e);
        if (isRetry(e))
            throw;
        return false;
    }
}

void TOrderBitmapCacheItem::LoadTaskRun(const std::weak_ptr<TOrderBitmapCacheItem>& weak)
{
    // The task's attached data holds the item while the task is queued.
    std::shared_ptr<TOrderBitmapCacheItem> self = weak.lock();
    if (!self)
        return;
    {
        std::lock_guard lk(cacheLock());
        if (self->fLoadTask && self->fLoadTask == TThreadTaskQueueWithoutThread::TaskCurrent())
            self->fLoadTaskRunning = true;
    }
    try {
        self->onBitmapBuild();
    } catch (const std::exception& e) {
        std::lock_guard lk(cacheLock());
        self->LoadTaskDoneLocked(isRetry(e));
        throw;
    }
    std::lock_guard lk(cacheLock());
    self->LoadTaskDoneLocked(false);
}

void TOrderBitmapCacheItem::LoadTaskDoneLocked(bool retried)
{
    if (!fLoadTask || fLoadTask != TThreadTaskQueueWithoutThread::TaskCurrent())
        return;
    fLoadTaskRunning = false;
    // The task is over: forget it, so that the item no longer counts as in
    // use and the task and the item stop holding each other. A task raising
    // ETaskRetry goes back to its queue and stays the item's task.
    if (!retried)
        fLoadTask.reset();
}

void TOrderBitmapCacheItem::NotifRegisterLocked(IOrderBitmapNotif* notif)
{
    IOrderBitmapNotifRef ref;
    if (auto* comp = dynamic_cast<QObject*>(notif))
        ref = fCache->NotifProxyFor(comp);
    else
        ref = IOrderBitmapNotifRef(IOrderBitmapNotifRef(), notif); // not owned
    for (const auto& n : fListNotif)
        if (n.get() == ref.get())
            return;
    fListNotif.push_back(std::move(ref));
}

void TOrderBitmapCacheItem::NotifUnregisterLocked(IOrderBitmapNotif* notif)
{
    IOrderBitmapNotif* proxy = nullptr;
    if (auto* comp = dynamic_cast<QObject*>(notif); comp && !fCacheDetached)
        proxy = fCache->NotifProxyFind(comp).get();
    std::erase_if(fListNotif, [&](const IOrderBitmapNotifRef& n) {
        return n.get() == notif || (proxy && n.get() == proxy);
    });
}

void TOrderBitmapCacheItem::NotifUnregister(IOrderBitmapNotif* notif)
{
    std::lock_guard lk(cacheLock());
    NotifUnregisterLocked(notif);
}

// --- building

void TOrderBitmapCacheItem::onBitmapBuild()
{
    std::shared_ptr<TOrderBitmapCacheItem> self = shared_from_this();
    TImageSource* src = nullptr;
    {
        std::lock_guard lk(cacheLock());
        if (LoadedLocked()) {
            LogDebug(QStringLiteral("TOrderCachedBitmap.onBitmapBuild: already called"));
            return;
        }
        if (fInBitmapBuild)
            throw Exception(QStringLiteral("TOrderCachedBitmap.onBitmapBuild: reentrance !"));
        if (fCacheDetached)
            throw ECancel();
        // The source is read under the same lock that its destruction takes,
        // and the build is listed before the lock goes: the source then waits
        // for this build before it dies.
        src = fImageSource;
        fInBitmapBuild = true;
        buildsInProgress().push_back({ this, src, std::this_thread::get_id() });
    }
    auto buildEnd = [this] {
        std::lock_guard lk(cacheLock());
        fInBitmapBuild = false;
        std::erase_if(buildsInProgress(), [this](const TBuildEntry& b) { return b.item == this; });
        buildEndCv().notify_all();
    };
    try {
        QImage surface;
        try {
            src->onBitmapLoadErrorClear(fMain);
            src->onAsyncBitmapBuild(fMain, fBitmapWidthMax, fBitmapHeightMax, fBitmapMode, surface);
            if (TThreadTaskQueueWithoutThread* q = TThreadTaskQueueWithoutThread::Current();
                q && q->hasHighPriorityTasks())
                throw ETaskRetry(QStringLiteral("High priority tasks requested"));
            onBitmapBuilt(std::move(surface), TZebbitmap(), false);
        } catch (const std::exception& e) {
            surface = QImage();
            if (!onBitmapBuildError(e))
                throw;
        }
    } catch (...) {
        buildEnd();
        throw;
    }
    buildEnd();
}

bool TOrderBitmapCacheItem::onBitmapBuildError(const std::exception& e)
{
    if (isCancel(e) || isRetry(e) || fCacheDetached)
        return false;
    try {
        TImageSource* src;
        {
            std::lock_guard lk(cacheLock());
            src = fImageSource;
        }
        // The source cannot die here: this build is listed as in progress.
        if (!src || !src->onBitmapLoadError(fMain, e))
            return false;
        onBitmapBuilt(QImage(), TZebbitmap(), true);
        return true;
    } catch (const std::exception& e2) {
        if (!isCancel(e2))
            LogError(QStringLiteral("TOrderCachedBitmap.onBitmapBuildError"), e2);
        return false;
    }
}

void TOrderBitmapCacheItem::onBitmapBuilt(QImage surface, TZebbitmap bitmap, bool bError)
{
    if (!bError && surface.isNull() && bitmap.isNull())
        throw Exception(QStringLiteral("TOrderCachedBitmap.onBitmapBuilt: called without bitmap"));
    if (fCacheDetached)
        throw ECancel();
    std::vector<IOrderBitmapNotifRef> taken;
    {
        std::lock_guard lk(cacheLock());
        TThreadTaskQueueWithoutThread::CheckCancel();
        // A result that arrives after the item left the cache is thrown away:
        // its weight would count for an item that the cache no longer holds.
        if (fCacheDetached)
            throw ECancel();
        if (LoadedLocked())
            throw Exception(QStringLiteral("TOrderCachedBitmap.onBitmapBuilt: already called"));
        taken.swap(fListNotif);
        fBitmapSurface = std::move(surface);
        fBitmap = std::move(bitmap);
        fBitmapSize = QSizeF(-1, -1);
        fFullBitmapSize = QSizeF(-1, -1);
        byteWeightUpdateLocked();
    }
    const IOrderBitmapRef self = shared_from_this();
    for (const auto& n : taken) {
        try {
            n->OnOrderBitmapLoaded(self);
        } catch (const std::exception& e) {
            if (!isCancel(e))
                LogError(QStringLiteral("TOrderCachedBitmap.onBitmapBuilt / notifs"), e);
        }
    }
}

// --- task cancellation and detach

bool TOrderBitmapCacheItem::loadTaskCancel(ThreadTaskWaitMode waitMode)
{
    IThreadTaskRef task;
    {
        std::lock_guard lk(cacheLock());
        task = std::move(fLoadTask);
        fLoadTask.reset();
    }
    if (!task)
        return true;
    if (task->CancelAsk(waitMode))
        return true;
    std::lock_guard lk(cacheLock());
    if (fLoadTask)
        LogDebug(QStringLiteral("TOrderBitmapCacheItem.loadTaskCancel: task renewed"));
    else if (!task->IsDone())
        fLoadTask = task;
    return false;
}

bool TOrderBitmapCacheItem::CacheDetach(ThreadTaskWaitMode waitMode)
{
    // The item leaves whether or not a running build could be stopped: a
    // build that ends later finds it detached and throws its result away.
    loadTaskCancel(waitMode);
    TLock lk(cacheLock());
    DetachLocked();
    fLoadTask.reset();
    if (waitMode == ttwm_wait) {
        // A build run at once (not through a task) is not reached by the
        // cancellation: wait until it has let go of the source.
        const auto self = std::this_thread::get_id();
        auto building = [&] {
            return std::any_of(buildsInProgress().begin(), buildsInProgress().end(), [&](const TBuildEntry& b) {
                return b.item == this && b.thread != self;
            });
        };
        while (building()) {
            if (TThreadTaskQueueWithoutThread::IsMainThread()) {
                lk.unlock();
                TThreadTaskQueueWithoutThread::ProcessPendingMainThreadCalls();
                lk.lock();
                if (!building())
                    break;
            }
            buildEndCv().wait_for(lk, 5ms);
        }
    }
    return true;
}

// --- control use

void TOrderBitmapCacheItem::ctrlUseStart()
{
    std::lock_guard lk(cacheLock());
    fCtrlUsed = false;
}

void TOrderBitmapCacheItem::ctrlUseUsed()
{
    std::lock_guard lk(cacheLock());
    fCtrlUsed = true;
}

void TOrderBitmapCacheItem::ctrlUseInc()
{
    std::lock_guard lk(cacheLock());
    ++fCtrlUsedCount;
    fCtrlUsed = true;
}

bool TOrderBitmapCacheItem::ctrlUseEnd()
{
    {
        std::lock_guard lk(cacheLock());
        if (fCtrlUsed)
            return false;
    }
    ctrlUseDec();
    return true;
}

void TOrderBitmapCacheItem::ctrlUseDec()
{
    bool last;
    {
        std::lock_guard lk(cacheLock());
        if (fCtrlUsedCount <= 0)
            throw Exception(QStringLiteral("TOrderBitmapCacheItem.ctrlUseDec: invalid call"));
        --fCtrlUsedCount;
        last = fCtrlUsedCount == 0;
    }
    if (last)
        loadTaskCancel(ttwm_nowait);
}

bool TOrderBitmapCacheItem::ctrlDestroyed(IOrderBitmapNotif* ctrl)
{
    std::lock_guard lk(cacheLock());
    const auto before = fListNotif.size();
    std::erase_if(fListNotif, [ctrl](const IOrderBitmapNotifRef& n) { return n.get() == ctrl; });
    return fListNotif.size() != before && fListNotif.empty();
}

// --- pins

void TOrderBitmapCacheItem::Pin()
{
    std::lock_guard lk(cacheLock());
    ++fPinCount;
}

void TOrderBitmapCacheItem::Unpin()
{
    std::lock_guard lk(cacheLock());
    if (fPinCount <= 0)
        throw Exception(QStringLiteral("TOrderBitmapCacheItem.Unpin: invalid call"));
    --fPinCount;
}

// --- pixels and sizes

QSizeF TOrderBitmapCacheItem::BitmapSize()
{
    TImageSource* src;
    {
        std::lock_guard lk(cacheLock());
        if (fBitmapSize.width() >= 0)
            return fBitmapSize;
        if (!fBitmap.isNull())
            return fBitmapSize = QSizeF(fBitmap.size());
        if (!fBitmapSurface.isNull())
            return fBitmapSize = QSizeF(fBitmapSurface.size());
        if (fCacheDetached)
            throw ECancel();
        src = fImageSource;
    }
    QSizeF s;
    if (fBitmapWidthMax != 0) {
        s = src->ImageSizeForMax(fBitmapWidthMax, fBitmapHeightMax, fBitmapMode);
        if (s.width() < 0)
            throw Exception(kNotLoaded);
    } else {
        s = FullBitmapSize();
    }
    std::lock_guard lk(cacheLock());
    fBitmapSize = s;
    return s;
}

QSizeF TOrderBitmapCacheItem::FullBitmapSize()
{
    TImageSource* src;
    bool loaded;
    {
        std::lock_guard lk(cacheLock());
        if (fFullBitmapSize.width() >= 0)
            return fFullBitmapSize;
        loaded = LoadedLocked();
        src = fImageSource;
    }
    QSizeF s;
    if (fBitmapWidthMax != 0 || !loaded) {
        if (!src)
            throw ECancel();
        s = src->ImageSize();
    } else {
        s = BitmapSize();
    }
    std::lock_guard lk(cacheLock());
    fFullBitmapSize = s;
    return s;
}

TZebbitmap TOrderBitmapCacheItem::Bitmap()
{
    {
        std::lock_guard lk(cacheLock());
        if (!fBitmap.isNull())
            return fBitmap;
        if (fBitmapSurface.isNull())
            throw Exception(kNotLoaded);
    }
    TZebbitmap result;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this, &result] {
        std::lock_guard lk(cacheLock());
        if (fBitmap.isNull()) {
            if (fBitmapSurface.isNull())
                throw Exception(kNotLoaded);
            fBitmap = TZebbitmap(std::move(fBitmapSurface));
            fBitmapSurface = QImage();
            byteWeightUpdateLocked();
        }
        result = fBitmap;
    });
    return result;
}

QImage TOrderBitmapCacheItem::BitmapSurface()
{
    {
        std::lock_guard lk(cacheLock());
        if (!fBitmapSurface.isNull())
            return fBitmapSurface;
        if (fBitmap.isNull())
            throw Exception(kNotLoaded);
    }
    QImage result;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this, &result] {
        std::lock_guard lk(cacheLock());
        if (fBitmapSurface.isNull()) {
            if (fBitmap.isNull())
                throw Exception(kNotLoaded);
            fBitmapSurface = QImage(std::move(fBitmap));
            fBitmap = TZebbitmap();
            byteWeightUpdateLocked();
        }
        result = fBitmapSurface;
    });
    return result;
}

void TOrderBitmapCacheItem::Reset()
{
    if (fCacheDetached)
        throw ECancel();
    QImage surface;
    TZebbitmap bitmap;
    {
        std::lock_guard lk(cacheLock());
        if (fCacheDetached)
            throw ECancel();
        surface = std::move(fBitmapSurface);
        bitmap = std::move(fBitmap);
        fBitmapSurface = QImage();
        fBitmap = TZebbitmap();
        fBitmapSize = QSizeF(-1, -1);
        fFullBitmapSize = QSizeF(-1, -1);
        // The pixels are gone now: so is their weight.
        byteWeightUpdateLocked();
    }
}

// ---------------------------------------------------------------------------
// The proxy.

TOrderBitmapCacheNotifProxy::TOrderBitmapCacheNotifProxy(QObject* comp) : fComponent(comp), fComponentRaw(comp)
{
}

void TOrderBitmapCacheNotifProxy::OnOrderBitmapLoaded(const IOrderBitmapRef& bmp)
{
    {
        std::lock_guard lk(cacheLock());
        if (!fComponentRaw)
            return;
    }
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this, &bmp] {
        QObject* comp;
        {
            std::lock_guard lk(cacheLock());
            // QPointer also covers a control that never reported its end.
            comp = fComponentRaw ? fComponent.data() : nullptr;
        }
        if (!comp)
            return;
        auto* notif = dynamic_cast<IOrderBitmapNotif*>(comp);
        if (!notif)
            throw Exception(QStringLiteral("TOrderBitmapCacheNotifProxy.OnOrderBitmapLoaded: invalid component"));
        LogDebugFmt(QStringLiteral("TOrderBitmapCacheNotifProxy.OnOrderBitmapLoaded: comp=%s(%p)"),
                    { QString::fromLatin1(comp->metaObject()->className()), quintptr(comp) });
        notif->OnOrderBitmapLoaded(bmp);
    });
}

void TOrderBitmapCacheNotifProxy::onControlDestroyed()
{
    fComponentRaw = nullptr;
    if (!TThreadTaskQueueWithoutThread::IsMainThread())
        LogError(QStringLiteral("TOrderBitmapCacheNotifProxy.onControlDestroyed: control destroyed by another "
                                "thread than the main thread"));
}

// ---------------------------------------------------------------------------
// The cache.

TOrderBitmapCache::TOrderBitmapCache(IMainFrame* main) : fMain(main) { }

TOrderBitmapCache::~TOrderBitmapCache()
{
    ClearAll();
    if (!fCtrlUsedDico.empty())
        LogFatalFmt(QStringLiteral("TOrderCachedBitmap.Destroy: missing call to BitmapCacheCtrlDestroyed: %d"),
                    { qint64(fCtrlUsedDico.size()) });
    // Release the use counts that those controls still hold, so that the
    // items (which may outlive the cache in a caller's hands) end clean.
    for (auto& [ctrl, items] : fCtrlUsedDico)
        for (const auto& item : items) {
            try {
                item->ctrlUseDec();
            } catch (const std::exception& e) {
                LogError(QStringLiteral("TOrderCachedBitmap.Destroy"), e);
            }
        }
    fCtrlUsedDico.clear();
    std::lock_guard lk(cacheLock());
    for (auto& [comp, proxy] : fCtrlNotifLst)
        proxy->onControlDestroyed();
    fCtrlNotifLst.clear();
}

qint64 TOrderBitmapCache::CacheSizeMax() const
{
    std::lock_guard lk(cacheLock());
    return fCacheSizeMax;
}

void TOrderBitmapCache::SetCacheSizeMax(qint64 value)
{
    std::lock_guard lk(cacheLock());
    fCacheSizeMax = std::max(value, CacheSizeMaxMin);
}

qint64 TOrderBitmapCache::CacheSizeActual() const
{
    std::lock_guard lk(cacheLock());
    return fCacheSizeActual;
}

qint32 TOrderBitmapCache::ItemCountMax() const
{
    std::lock_guard lk(cacheLock());
    return fItemCountMax;
}

void TOrderBitmapCache::SetItemCountMax(qint32 value)
{
    std::lock_guard lk(cacheLock());
    fItemCountMax = std::max(value, ItemCountMaxMin);
}

qint32 TOrderBitmapCache::ItemCountActual() const
{
    std::lock_guard lk(cacheLock());
    return qint32(fItems.size());
}

qint64 TOrderBitmapCache::CountedWeightSum() const
{
    std::lock_guard lk(cacheLock());
    qint64 sum = 0;
    for (const auto& item : fItemsLru)
        sum += static_cast<TOrderBitmapCacheItem*>(item.get())->CountedLocked();
    return sum;
}

std::vector<TOrderBitmapCacheId> TOrderBitmapCache::LruKeys() const
{
    std::lock_guard lk(cacheLock());
    std::vector<TOrderBitmapCacheId> keys;
    keys.reserve(fItemsLru.size());
    for (const auto& item : fItemsLru)
        keys.push_back(item->CacheKey());
    return keys;
}

void TOrderBitmapCache::onByteWeightChanged(qint64 oldWeight, qint64 newWeight)
{
    fCacheSizeActual += newWeight - oldWeight;
    if (fCacheSizeActual < 0)
        throw Exception(QStringLiteral("TOrderBitmapCache.onByteWeightChanged: invalid cache size"));
    if (fMain)
        fMain->OnBitmapCacheSizeChanged();
}

IOrderBitmapRef TOrderBitmapCache::Access(TImageSource* imageSource, int bitmapWidthMax, int bitmapHeightMax,
                                          TOrderBitmapMode bitmapMode)
{
    CleanUp(false);
    if (!imageSource)
        throw Exception(QStringLiteral("TOrderBitmapCache.Access: no image source"));
    imageSource = imageSource->GetImageCacheRef();
    IOrderBitmapForCacheRef result;
    {
        std::lock_guard lk(cacheLock());
        const TOrderBitmapCacheId key { imageSource, bitmapWidthMax, bitmapHeightMax, qint32(bitmapMode) };
        if (auto it = fItems.find(key); it != fItems.end()) {
            fItemsLru.splice(fItemsLru.end(), fItemsLru, it->second);
            result = *it->second;
        } else {
            auto item = std::make_shared<TOrderBitmapCacheItem>(this, fMain, imageSource, bitmapWidthMax,
                                                                bitmapHeightMax, bitmapMode);
            imageSource->onImageCacheAttached(this);
            item->fLruPos = fItemsLru.insert(fItemsLru.end(), item);
            fItems.emplace(key, item->fLruPos);
            item->byteWeightUpdateLocked();
            result = item;
        }
    }
    // Only a paint pass on the main thread records its uses: a worker's
    // access during that pass is not the control's.
    if (TThreadTaskQueueWithoutThread::IsMainThread()) {
        QObject* ctrl;
        {
            std::lock_guard lk(cacheLock());
            ctrl = fCurrentCtrl;
        }
        if (ctrl)
            controlUseRecord(ctrl, result);
    }
    return result;
}

bool TOrderBitmapCache::ToCleanUpLocked() const
{
    if (fItems.size() <= 2)
        return false;
    return qint64(fItems.size()) > fItemCountMax || fCacheSizeActual > fCacheSizeMax;
}

bool TOrderBitmapCache::ToCleanUp()
{
    std::lock_guard lk(cacheLock());
    return ToCleanUpLocked();
}

void TOrderBitmapCache::CleanUp(bool force)
{
    TLock lk(cacheLock());
    size_t steps = fItemsLru.size();
    while (steps > 0 && !fItemsLru.empty() && (force || ToCleanUpLocked())) {
        --steps;
        IOrderBitmapForCacheRef item = fItemsLru.front();
        auto* it = static_cast<TOrderBitmapCacheItem*>(item.get());
        if (it->IsUsedLocked()) {
            fItemsLru.splice(fItemsLru.end(), fItemsLru, fItemsLru.begin());
            continue;
        }
        fItems.erase(item->CacheKey());
        fItemsLru.pop_front();
        it->fLruPos = {};
        // The weight leaves the total right here, under the same lock as
        // the removal, so the total always matches the items held.
        it->DetachLocked();
        lk.unlock();
        item->CacheDetach(ttwm_nowait);
        item.reset();
        lk.lock();
    }
}

void TOrderBitmapCache::DetachAll(const std::vector<IOrderBitmapForCacheRef>& items, ThreadTaskWaitMode waitMode)
{
    for (const auto& item : items) {
        try {
            item->CacheDetach(waitMode);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TOrderBitmapCache.CacheDetach"), e);
        }
    }
}

void TOrderBitmapCache::ClearAll()
{
    std::vector<IOrderBitmapForCacheRef> items;
    {
        std::lock_guard lk(cacheLock());
        items.assign(fItemsLru.begin(), fItemsLru.end());
        fItemsLru.clear();
        fItems.clear();
        for (const auto& item : items)
            static_cast<TOrderBitmapCacheItem*>(item.get())->DetachLocked();
    }
    DetachAll(items, ttwm_nowait);
}

void TOrderBitmapCache::onImageSourceDestroyed(TImageSource* src)
{
    std::vector<IOrderBitmapForCacheRef> items;
    {
        std::lock_guard lk(cacheLock());
        for (auto it = fItemsLru.begin(); it != fItemsLru.end();) {
            if ((*it)->ImageSource() == src) {
                items.push_back(*it);
                fItems.erase((*it)->CacheKey());
                it = fItemsLru.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& item : items)
            static_cast<TOrderBitmapCacheItem*>(item.get())->DetachLocked();
    }
    DetachAll(items, ttwm_wait);
    // Builds of items that had already left the cache may still run with
    // this source: the source must outlive them.
    TLock lk(cacheLock());
    const auto self = std::this_thread::get_id();
    auto building = [&] {
        return std::any_of(buildsInProgress().begin(), buildsInProgress().end(),
                           [&](const TBuildEntry& b) { return b.source == src && b.thread != self; });
    };
    while (building()) {
        if (TThreadTaskQueueWithoutThread::IsMainThread()) {
            lk.unlock();
            TThreadTaskQueueWithoutThread::ProcessPendingMainThreadCalls();
            lk.lock();
            if (!building())
                break;
        }
        buildEndCv().wait_for(lk, 5ms);
    }
}

void TOrderBitmapCache::onImageSourceInvalidate(TImageSource* src, IOrderBitmapRef exceptBmp)
{
    std::vector<IOrderBitmapForCacheRef> items;
    {
        std::lock_guard lk(cacheLock());
        for (auto it = fItemsLru.begin(); it != fItemsLru.end();) {
            if ((*it)->ImageSource() == src && static_cast<IOrderBitmap*>(it->get()) != exceptBmp.get()) {
                items.push_back(*it);
                fItems.erase((*it)->CacheKey());
                it = fItemsLru.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& item : items)
            static_cast<TOrderBitmapCacheItem*>(item.get())->DetachLocked();
    }
    DetachAll(items, ttwm_nowait);
}

// --- control use protocol

void TOrderBitmapCache::controlStartUse(QObject* ctrl)
{
    checkMainThread();
    {
        std::lock_guard lk(cacheLock());
        if (fCurrentCtrl && fCurrentCtrl != ctrl)
            throw Exception(QStringLiteral("TOrderBitmapCache.controlStartUse: in use"));
        fCurrentCtrl = ctrl;
    }
    if (auto it = fCtrlUsedDico.find(ctrl); it != fCtrlUsedDico.end())
        for (const auto& item : it->second)
            item->ctrlUseStart();
}

void TOrderBitmapCache::controlEndUse(QObject* ctrl, bool bUseCleanEnabled)
{
    checkMainThread();
    {
        std::lock_guard lk(cacheLock());
        if (fCurrentCtrl != ctrl)
            throw Exception(QStringLiteral("TOrderBitmapCache.controlEndUse: control is not the current one"));
        fCurrentCtrl = nullptr;
    }
    if (!bUseCleanEnabled)
        return;
    auto it = fCtrlUsedDico.find(ctrl);
    if (it == fCtrlUsedDico.end())
        return;
    std::erase_if(it->second, [](const IOrderBitmapForCacheRef& item) { return item->ctrlUseEnd(); });
}

void TOrderBitmapCache::controlUseRecord(QObject* ctrl, const IOrderBitmapForCacheRef& item)
{
    auto& list = fCtrlUsedDico[ctrl];
    if (std::find(list.begin(), list.end(), item) != list.end()) {
        item->ctrlUseUsed();
        return;
    }
    list.push_back(item);
    item->ctrlUseInc();
}

IOrderBitmapNotifRef TOrderBitmapCache::NotifProxyFor(QObject* comp)
{
    auto& proxy = fCtrlNotifLst[comp];
    if (!proxy)
        proxy = std::make_shared<TOrderBitmapCacheNotifProxy>(comp);
    return proxy;
}

IOrderBitmapNotifRef TOrderBitmapCache::NotifProxyFind(QObject* comp) const
{
    auto it = fCtrlNotifLst.find(comp);
    return it == fCtrlNotifLst.end() ? IOrderBitmapNotifRef() : it->second;
}

void TOrderBitmapCache::controlDestroyed(QObject* ctrl)
{
    checkMainThread();
    if (dynamic_cast<IOrderBitmapNotif*>(ctrl)) {
        std::vector<IOrderBitmapForCacheRef> toCancel;
        {
            std::lock_guard lk(cacheLock());
            auto it = fCtrlNotifLst.find(ctrl);
            if (it != fCtrlNotifLst.end()) {
                std::shared_ptr<TOrderBitmapCacheNotifProxy> proxy = it->second;
                fCtrlNotifLst.erase(it);
                proxy->onControlDestroyed();
                for (const auto& item : fItemsLru)
                    if (item->ctrlDestroyed(proxy.get()))
                        toCancel.push_back(item);
            }
        }
        for (const auto& item : toCancel)
            item->loadTaskCancel(ttwm_nowait);
    }
    auto node = fCtrlUsedDico.extract(ctrl);
    if (!node.empty())
        for (const auto& item : node.mapped())
            item->ctrlUseDec();
}

qint64 TOrderBitmapCache::memoryDebugDump()
{
    std::lock_guard lk(cacheLock());
    const qint64 count = qint64(fItemsLru.size());
    LogInfoFmt(QStringLiteral("TOrderBitmapCache.memoryDebugDump: START: cache: %.3fMB (%u, %d) -----------------"),
               { double(fCacheSizeActual) / 1048576.0, count, fCacheSizeActual });
    qint64 sum = 0;
    int n = 0;
    for (const auto& item : fItemsLru) {
        sum += item->BitmapByteWeight();
        LogInfoFmt(QStringLiteral(" - bmp n°%d: %s"), { n++, item->DbgInfo() });
    }
    LogInfoFmt(QStringLiteral("TOrderBitmapCache.memoryDebugDump: END: calculated: %.3fMB (%u, %d) -----------------"),
               { double(sum) / 1048576.0, count, sum });
    return sum;
}
