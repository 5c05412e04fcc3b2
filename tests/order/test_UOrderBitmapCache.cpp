#include "FakeMainFrame.h"
#include "TestSupport.h"
#include "UAppExceptions.h"
#include "UOrderBitmapCache.h"
#include "UThreadTaskQueue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QPainter>
#include <QThread>
#include <gtest/gtest.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

namespace {

constexpr auto kMax = TOrderBitmapMode::obm_sizeMax;

// A source whose pictures are plain colour fills of the asked size. A build
// may be held at a gate until the test opens it, and may fail.
class TestSource : public TImageSource {
public:
    explicit TestSource(QSize size = QSize(400, 300), QString name = QStringLiteral("src")) : fSize(size), fName(name) { }
    ~TestSource() override { ImageCacheDetach(); }

    QSizeF ImageSize() override { return QSizeF(fSize); }
    QSizeF ImageSizeForMax(int w, int h, TOrderBitmapMode) override
    {
        if (w == 0 && h == 0)
            return QSizeF(fSize);
        return QSizeF(fSize).scaled(QSizeF(w, h), Qt::KeepAspectRatio);
    }
    void onAsyncBitmapBuild(IMainFrame*, int w, int h, TOrderBitmapMode mode, QImage& surface) override
    {
        fBuildThreads.fetch_add(1);
        {
            std::unique_lock lk(fGateSync);
            fInBuild = true;
            fGateCv.notify_all();
            fGateCv.wait(lk, [&] { return fGateOpen; });
            fInBuild = false;
        }
        if (fFail.load())
            throw Exception(QStringLiteral("TestSource: decode failed"));
        const QSizeF s = ImageSizeForMax(w, h, mode);
        surface = QImage(qMax(1, qRound(s.width())), qMax(1, qRound(s.height())), QImage::Format_ARGB32);
        surface.fill(fReplacement.load() ? Qt::red : Qt::blue);
        fBuilds.fetch_add(1);
    }
    bool onBitmapLoadError(IMainFrame*, const std::exception&) override
    {
        if (!fReplaceOnError.load())
            return false;
        fFail = false;
        fReplacement = true;
        return true;
    }
    QString DebugLabel() override { return fName; }

    void closeGate()
    {
        std::lock_guard lk(fGateSync);
        fGateOpen = false;
    }
    void openGate()
    {
        std::lock_guard lk(fGateSync);
        fGateOpen = true;
        fGateCv.notify_all();
    }
    bool waitInBuild(int ms = 10000)
    {
        std::unique_lock lk(fGateSync);
        return fGateCv.wait_for(lk, std::chrono::milliseconds(ms), [&] { return fInBuild; });
    }

    QSize fSize;
    QString fName;
    std::atomic<int> fBuilds { 0 };
    std::atomic<int> fBuildThreads { 0 };
    std::atomic<bool> fFail { false };
    std::atomic<bool> fReplaceOnError { false };
    std::atomic<bool> fReplacement { false };

private:
    std::mutex fGateSync;
    std::condition_variable fGateCv;
    bool fGateOpen = true;
    bool fInBuild = false;
};

// A control that shows cached bitmaps.
class TestControl : public QObject, public IOrderBitmapNotif {
public:
    void OnOrderBitmapLoaded(const IOrderBitmapRef& bmp) override
    {
        ++fNotified;
        fOnMain = TThreadTaskQueueWithoutThread::IsMainThread();
        fLast = bmp;
    }
    std::atomic<int> fNotified { 0 };
    std::atomic<bool> fOnMain { false };
    IOrderBitmapRef fLast;
};

// A plain (non-QObject) waiter: told on the building thread.
class PlainNotif : public IOrderBitmapNotif {
public:
    void OnOrderBitmapLoaded(const IOrderBitmapRef&) override
    {
        fThread = std::this_thread::get_id();
        ++fNotified;
    }
    std::atomic<int> fNotified { 0 };
    std::thread::id fThread;
};

std::unique_ptr<TThreadTaskQueue> workerQueue()
{
    auto q = std::make_unique<TThreadTaskQueue>(QCoreApplication::instance(), nullptr, QStringLiteral("Img Queue"));
    q->SetRetryPolicy(30, 0, 0);
    return q;
}

QString messageOf(const std::exception& e)
{
    if (auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->Message();
    return QString::fromUtf8(e.what());
}

// The total the cache keeps must be the sum of what its items reported and
// the sum of their current weights.
void expectWeightsConsistent(TOrderBitmapCache& cache)
{
    const qint64 total = cache.CacheSizeActual();
    EXPECT_GE(total, 0);
    EXPECT_EQ(total, cache.CountedWeightSum());
    EXPECT_EQ(total, cache.memoryDebugDump());
}

class BitmapCacheTest : public ::testing::Test {
protected:
    RecordingMainFrame fMain;
    TOrderBitmapCache fCache { &fMain };
};

} // namespace

// ---------------------------------------------------------------------------
// Keys and recency

TEST_F(BitmapCacheTest, KeysTellRequestsApart)
{
    struct Case {
        const char* name;
        int w1, h1;
        TOrderBitmapMode m1;
        int w2, h2;
        TOrderBitmapMode m2;
        bool same;
    };
    const Case cases[] = {
        { "same size and mode give the same item", 300, 200, kMax, 300, 200, kMax, true },
        { "one pixel higher is another item", 300, 200, kMax, 300, 201, kMax, false },
        { "another mode is another item", 300, 200, kMax, 300, 200, TOrderBitmapMode::obm_sizeMinForCrop, false },
        { "sizes equal in their low 16 bits are two items", 300, 200, kMax, 300 + 65536, 200, kMax, false },
        { "heights equal in their low 16 bits are two items", 300, 7, kMax, 300, 7 + 65536, kMax, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestSource src;
        auto a = fCache.Access(&src, c.w1, c.h1, c.m1);
        auto b = fCache.Access(&src, c.w2, c.h2, c.m2);
        EXPECT_EQ(a == b, c.same);
        EXPECT_EQ(fCache.ItemCountActual(), c.same ? 1 : 2);
        fCache.ClearAll();
    }
}

TEST_F(BitmapCacheTest, AHitMovesTheItemToTheRecentEnd)
{
    TestSource s1, s2, s3;
    fCache.Access(&s1, 10, 10, kMax);
    fCache.Access(&s2, 10, 10, kMax);
    fCache.Access(&s3, 10, 10, kMax);
    fCache.Access(&s1, 10, 10, kMax);
    const auto keys = fCache.LruKeys();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].imageSource, &s2);
    EXPECT_EQ(keys[1].imageSource, &s3);
    EXPECT_EQ(keys[2].imageSource, &s1);
}

TEST_F(BitmapCacheTest, LimitsHaveTheirMinimum)
{
    fCache.SetCacheSizeMax(1000);
    fCache.SetItemCountMax(0);
    EXPECT_EQ(fCache.CacheSizeMax(), TOrderBitmapCache::CacheSizeMaxMin);
    EXPECT_EQ(fCache.ItemCountMax(), 2);
    TOrderBitmapCache fresh(&fMain);
    EXPECT_EQ(fresh.CacheSizeMax(), 167772160);
    EXPECT_EQ(fresh.ItemCountMax(), 200);
}

TEST_F(BitmapCacheTest, ASourceAttachedToAnotherCacheIsRefused)
{
    TestSource src;
    fCache.Access(&src, 10, 10, kMax);
    TOrderBitmapCache other(&fMain);
    try {
        other.Access(&src, 10, 10, kMax);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TImageSource.onImageCacheAttached : attached to another cache repository"));
    }
    EXPECT_EQ(other.ItemCountActual(), 0);
}

// ---------------------------------------------------------------------------
// Eviction

TEST_F(BitmapCacheTest, TwoItemsAreKeptWhateverTheirWeight)
{
    fCache.SetCacheSizeMax(0); // the minimum, 32 MiB
    TestSource big(QSize(3000, 3000));
    auto a = fCache.Access(&big, 3000, 3000, kMax);
    ASSERT_TRUE(a->IsBitmapLoaded(nullptr, nullptr, true));
    auto b = fCache.Access(&big, 2999, 2999, kMax);
    ASSERT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    a.reset();
    b.reset();
    ASSERT_GT(fCache.CacheSizeActual(), fCache.CacheSizeMax());
    // Two items: over the weight limit, still nothing goes.
    fCache.Access(&big, 3000, 3000, kMax);
    EXPECT_EQ(fCache.ItemCountActual(), 2);
    EXPECT_FALSE(fCache.ToCleanUp());
    // A third item is added; the next access evicts the oldest one.
    fCache.Access(&big, 10, 10, kMax);
    EXPECT_EQ(fCache.ItemCountActual(), 3);
    EXPECT_TRUE(fCache.ToCleanUp());
    fCache.Access(&big, 10, 10, kMax);
    EXPECT_EQ(fCache.ItemCountActual(), 2);
    const auto keys = fCache.LruKeys();
    EXPECT_EQ(keys[0].bitmapWidthMax, 3000);
    EXPECT_EQ(keys[1].bitmapWidthMax, 10);
    expectWeightsConsistent(fCache);
}

TEST_F(BitmapCacheTest, CountLimitEvictsTheLeastRecentlyAccessed)
{
    fCache.SetItemCountMax(3);
    std::vector<std::unique_ptr<TestSource>> srcs;
    for (int i = 0; i < 6; ++i) {
        srcs.push_back(std::make_unique<TestSource>());
        fCache.Access(srcs.back().get(), 10, 10, kMax);
    }
    // Trimmed at the start of each access: one item above the limit at most.
    EXPECT_EQ(fCache.ItemCountActual(), 4);
    const auto keys = fCache.LruKeys();
    EXPECT_EQ(keys.front().imageSource, srcs[2].get());
    EXPECT_EQ(keys.back().imageSource, srcs[5].get());
}

TEST_F(BitmapCacheTest, ItemsInUseSurviveAForcedCleanUp)
{
    TestSource pinned, inCtrl, free1, free2;
    auto p = fCache.Access(&pinned, 10, 10, kMax);
    TOrderBitmapPin pin(p);
    TestControl ctrl;
    fCache.controlStartUse(&ctrl);
    fCache.Access(&inCtrl, 10, 10, kMax);
    fCache.controlEndUse(&ctrl, true);
    fCache.Access(&free1, 10, 10, kMax);
    auto kept = fCache.Access(&free2, 10, 10, kMax); // a plain reference is no pin
    ASSERT_TRUE(kept->IsBitmapLoaded(nullptr, nullptr, true));

    fCache.memoryCleanUp();
    const auto keys = fCache.LruKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].imageSource, &pinned);
    EXPECT_EQ(keys[1].imageSource, &inCtrl);
    // The evicted item gave its pixels and weight back and refuses requests.
    EXPECT_FALSE(kept->IsBitmapLoaded());
    EXPECT_FALSE(kept->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_THROW(kept->Reset(), ECancel);
    expectWeightsConsistent(fCache);

    pin.reset();
    fCache.controlDestroyed(&ctrl);
    fCache.memoryCleanUp();
    EXPECT_EQ(fCache.ItemCountActual(), 0);
    EXPECT_EQ(fCache.CacheSizeActual(), 0);
}

TEST_F(BitmapCacheTest, UnpinWithoutPinIsRefused)
{
    TestSource src;
    auto b = fCache.Access(&src, 10, 10, kMax);
    EXPECT_THROW(b->Unpin(), Exception);
}

// ---------------------------------------------------------------------------
// Sources going away or changing

TEST_F(BitmapCacheTest, DestroyingASourceEvictsAllItsItems)
{
    TestSource other;
    auto src = std::make_unique<TestSource>();
    fCache.Access(&other, 10, 10, kMax);
    auto a = fCache.Access(src.get(), 10, 10, kMax);
    auto b = fCache.Access(src.get(), 20, 20, kMax); // adjacent in the recency list
    fCache.Access(&other, 30, 30, kMax);
    auto c = fCache.Access(src.get(), 40, 40, TOrderBitmapMode::obm_sizeMaxNoCrop);
    ASSERT_TRUE(a->IsBitmapLoaded(nullptr, nullptr, true));
    ASSERT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    const qint64 before = fCache.CacheSizeActual();

    src.reset();
    EXPECT_EQ(fCache.ItemCountActual(), 2);
    for (const auto& k : fCache.LruKeys())
        EXPECT_EQ(k.imageSource, &other);
    EXPECT_LT(fCache.CacheSizeActual(), before);
    EXPECT_FALSE(a->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_THROW(c->Reset(), ECancel);
    expectWeightsConsistent(fCache);
}

TEST_F(BitmapCacheTest, InvalidatingASourceKeepsTheNamedBitmap)
{
    TestSource src;
    auto keep = fCache.Access(&src, 10, 10, kMax);
    auto drop = fCache.Access(&src, 20, 20, kMax);
    ASSERT_TRUE(keep->IsBitmapLoaded(nullptr, nullptr, true));
    ASSERT_TRUE(drop->IsBitmapLoaded(nullptr, nullptr, true));
    src.CacheInvalidate(keep);
    EXPECT_EQ(fCache.ItemCountActual(), 1);
    EXPECT_TRUE(keep->IsBitmapLoaded());
    EXPECT_FALSE(drop->IsBitmapLoaded());
    EXPECT_NE(fCache.Access(&src, 20, 20, kMax), drop);
    expectWeightsConsistent(fCache);
}

TEST_F(BitmapCacheTest, ASourceDestroyedDuringABuildWaitsForIt)
{
    auto src = std::make_unique<TestSource>();
    TestSource* raw = src.get();
    auto bmp = fCache.Access(raw, 10, 10, kMax);
    raw->closeGate();
    std::thread builder([&] { bmp->IsBitmapLoaded(nullptr, nullptr, true); });
    ASSERT_TRUE(raw->waitInBuild());
    std::atomic<bool> destroyed { false };
    std::thread opener([&] {
        QThread::msleep(50);
        EXPECT_FALSE(destroyed.load());
        raw->openGate();
    });
    src.reset();
    destroyed = true;
    builder.join();
    opener.join();
    EXPECT_FALSE(bmp->IsBitmapLoaded());
    EXPECT_EQ(fCache.CacheSizeActual(), 0);
}

// ---------------------------------------------------------------------------
// Requests and builds

TEST_F(BitmapCacheTest, NoQueueAndNoForceBuildsNothing)
{
    TestSource src;
    auto b = fCache.Access(&src, 10, 10, kMax);
    EXPECT_FALSE(b->IsBitmapLoaded(nullptr, nullptr, false));
    EXPECT_EQ(src.fBuildThreads.load(), 0);
    EXPECT_FALSE(b->IsBitmapLoaded());
}

TEST_F(BitmapCacheTest, ForcedBuildRunsAtOnceAndReportsItsWeight)
{
    TestSource src(QSize(400, 300));
    auto b = fCache.Access(&src, 200, 200, kMax);
    const qint64 empty = fCache.CacheSizeActual();
    EXPECT_GT(empty, 0);
    ASSERT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_EQ(b->BitmapSize(), QSizeF(200, 150));
    EXPECT_EQ(b->FullBitmapSize(), QSizeF(400, 300));
    EXPECT_GE(fCache.CacheSizeActual() - empty, 200 * 150 * 4);
    EXPECT_TRUE(fMain.Ops().contains(QStringLiteral("OnBitmapCacheSizeChanged")));
    EXPECT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, false));
    EXPECT_EQ(src.fBuilds.load(), 1);
    expectWeightsConsistent(fCache);
}

TEST_F(BitmapCacheTest, SizesBeforeTheBuildComeFromTheSource)
{
    TestSource src(QSize(4000, 2000));
    auto b = fCache.Access(&src, 100, 100, kMax);
    EXPECT_EQ(b->BitmapSize(), QSizeF(100, 50));
    EXPECT_EQ(b->FullBitmapSize(), QSizeF(4000, 2000));
    auto full = fCache.Access(&src, 0, 0, kMax);
    EXPECT_EQ(full->BitmapSize(), QSizeF(4000, 2000));
    try {
        b->Bitmap();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Bitmap not yet loaded !"));
    }
    EXPECT_THROW(b->BitmapSurface(), Exception);
}

TEST_F(BitmapCacheTest, BackgroundBuildTellsControlsOnTheMainThreadAndPlainWaitersOnTheWorker)
{
    auto q = workerQueue();
    TestSource src;
    TestControl ctrl;
    PlainNotif plain;
    auto b = fCache.Access(&src, 50, 50, kMax);
    // Hold the worker until both waiters are registered: a fast build
    // would otherwise finish before the second request is made.
    q->SetQueuePaused(true);
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), &ctrl, false));
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), &plain, false));
    q->SetQueuePaused(false);
    ASSERT_TRUE(testsupport::waitFor([&] { return ctrl.fNotified.load() == 1 && plain.fNotified.load() == 1; }));
    EXPECT_TRUE(ctrl.fOnMain.load());
    EXPECT_EQ(ctrl.fLast, b);
    EXPECT_NE(plain.fThread, std::this_thread::get_id());
    EXPECT_TRUE(b->IsBitmapLoaded(q.get(), &ctrl, false));
    EXPECT_EQ(src.fBuilds.load(), 1);
    fCache.controlDestroyed(&ctrl);
    // Once built, the finished task no longer holds the item in use.
    fCache.memoryCleanUp();
    EXPECT_EQ(fCache.ItemCountActual(), 0);
}

TEST_F(BitmapCacheTest, ASecondRequestWhileTheTaskWaitsQueuesNoOtherTask)
{
    auto q = workerQueue();
    q->SetQueuePaused(true);
    TestSource src;
    auto b = fCache.Access(&src, 10, 10, kMax);
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), nullptr, false));
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), nullptr, false));
    EXPECT_TRUE(b.get() && fCache.LruKeys().size() == 1);
    q->SetQueuePaused(false);
    ASSERT_TRUE(testsupport::waitFor([&] { return b->IsBitmapLoaded(); }));
    q->waitEnd();
    EXPECT_EQ(src.fBuildThreads.load(), 1);
}

TEST_F(BitmapCacheTest, AFailedBuildWithAReplacementNotifiesAndBuildsItNextTime)
{
    TestSource src;
    src.fFail = true;
    src.fReplaceOnError = true;
    auto q = workerQueue();
    TestControl ctrl;
    auto b = fCache.Access(&src, 10, 10, kMax);
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), &ctrl, false));
    ASSERT_TRUE(testsupport::waitFor([&] { return ctrl.fNotified.load() == 1; }));
    EXPECT_FALSE(b->IsBitmapLoaded());
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), &ctrl, false));
    ASSERT_TRUE(testsupport::waitFor([&] { return ctrl.fNotified.load() == 2; }));
    ASSERT_TRUE(b->IsBitmapLoaded());
    EXPECT_EQ(b->BitmapSurface().pixelColor(0, 0), QColor(Qt::red));
    fCache.controlDestroyed(&ctrl);
}

TEST_F(BitmapCacheTest, AFailedBuildWithoutReplacementLeavesTheItemEmpty)
{
    TestSource src;
    src.fFail = true;
    auto b = fCache.Access(&src, 10, 10, kMax);
    EXPECT_FALSE(b->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_FALSE(b->IsBitmapLoaded());
    src.fFail = false;
    EXPECT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    expectWeightsConsistent(fCache);
}

TEST_F(BitmapCacheTest, ResetDropsThePixelsAndTheirWeight)
{
    TestSource src;
    auto b = fCache.Access(&src, 100, 100, kMax);
    const qint64 empty = fCache.CacheSizeActual();
    ASSERT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    b->Reset();
    EXPECT_FALSE(b->IsBitmapLoaded());
    EXPECT_EQ(fCache.CacheSizeActual(), empty);
    EXPECT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_EQ(src.fBuilds.load(), 2);
}

TEST_F(BitmapCacheTest, ALateResultForAnEvictedItemIsDiscarded)
{
    auto q = workerQueue();
    TestSource src;
    auto b = fCache.Access(&src, 64, 64, kMax);
    src.closeGate();
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), nullptr, false));
    ASSERT_TRUE(src.waitInBuild());
    // The source changes while its build runs: the item leaves at once.
    src.CacheInvalidate(nullptr);
    EXPECT_EQ(fCache.ItemCountActual(), 0);
    EXPECT_EQ(fCache.CacheSizeActual(), 0);
    src.openGate();
    q->waitEnd();
    EXPECT_EQ(src.fBuilds.load(), 1);
    EXPECT_FALSE(b->IsBitmapLoaded());
    EXPECT_EQ(fCache.CacheSizeActual(), 0);
}

TEST_F(BitmapCacheTest, BitmapAskedOnAWorkerIsConvertedOnTheMainThread)
{
    TestSource src(QSize(300, 200));
    auto b = fCache.Access(&src, 30, 20, kMax);
    ASSERT_TRUE(b->IsBitmapLoaded(nullptr, nullptr, true));
    EXPECT_TRUE(b->IsBitmapSurfaceLoaded());
    auto* item = dynamic_cast<IOrderBitmapForCache*>(b.get());
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->DbgInfo().endsWith(QStringLiteral(" [SURF]")));

    std::atomic<bool> done { false };
    TZebbitmap got;
    std::thread worker([&] {
        got = b->Bitmap();
        done = true;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(got.size(), QSize(30, 20));
    EXPECT_FALSE(b->IsBitmapSurfaceLoaded());
    const QString info = item->DbgInfo();
    EXPECT_TRUE(info.contains(QStringLiteral(" [BMP]"))) << info.toStdString();
    EXPECT_FALSE(info.contains(QStringLiteral(" [SURF]"))) << info.toStdString();
    EXPECT_EQ(b->BitmapSurface().size(), QSize(30, 20));
    EXPECT_TRUE(b->IsBitmapSurfaceLoaded());
    expectWeightsConsistent(fCache);
}

// ---------------------------------------------------------------------------
// Control use protocol

TEST_F(BitmapCacheTest, ABitmapNoLongerPaintedHasItsBuildCancelled)
{
    auto q = workerQueue();
    q->SetQueuePaused(true);
    TestSource shown, scrolledAway;
    TestControl ctrl;

    fCache.controlStartUse(&ctrl);
    auto a = fCache.Access(&shown, 10, 10, kMax);
    auto b = fCache.Access(&scrolledAway, 10, 10, kMax);
    EXPECT_FALSE(a->IsBitmapLoaded(q.get(), &ctrl, false));
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), &ctrl, false));
    fCache.controlEndUse(&ctrl, true);

    // Next pass: only the first bitmap is painted.
    fCache.controlStartUse(&ctrl);
    fCache.Access(&shown, 10, 10, kMax);
    fCache.controlEndUse(&ctrl, true);

    q->SetQueuePaused(false);
    ASSERT_TRUE(testsupport::waitFor([&] { return ctrl.fNotified.load() == 1; }));
    q->waitEnd();
    EXPECT_EQ(shown.fBuilds.load(), 1);
    EXPECT_EQ(scrolledAway.fBuildThreads.load(), 0);
    auto* bi = dynamic_cast<IOrderBitmapForCache*>(b.get());
    EXPECT_FALSE(bi->IsUsed());
    fCache.controlDestroyed(&ctrl);
}

TEST_F(BitmapCacheTest, AFlickBuildsTheNewestRequestFirst)
{
    // A view that scrolls faster than its bitmaps are built: each pass shows
    // the next source and the queue builds one bitmap between two passes.
    // The newest request goes first: the source about to leave the view is
    // not built while newer ones wait, and leaves with its build unstarted.
    TThreadTaskQueueWithoutThread q(QCoreApplication::instance(), nullptr, QStringLiteral("GUI Queue"));
    constexpr int kSources = 8;
    constexpr int kShown = 3;
    std::vector<std::unique_ptr<TestSource>> sources;
    for (int i = 0; i < kSources; ++i)
        sources.push_back(std::make_unique<TestSource>());
    TestControl ctrl;
    for (int top = 0; top + kShown <= kSources; ++top) {
        fCache.controlStartUse(&ctrl);
        for (int i = top; i < top + kShown; ++i)
            fCache.Access(sources[size_t(i)].get(), 10, 10, kMax)->IsBitmapLoaded(&q, &ctrl, false);
        fCache.controlEndUse(&ctrl, true);
        q.onProcessTask();
    }
    while (q.onProcessTask()) { }
    for (int i = 0; i < kSources; ++i)
        EXPECT_EQ(sources[size_t(i)]->fBuilds.load(), i >= kShown - 1 ? 1 : 0) << i;
    fCache.controlDestroyed(&ctrl);
    QCoreApplication::processEvents();
}

TEST_F(BitmapCacheTest, ADestroyedControlLeavesTheWaitingListsAndItsBuildsStop)
{
    auto q = workerQueue();
    q->SetQueuePaused(true);
    TestSource src;
    auto ctrl = std::make_unique<TestControl>();
    auto b = fCache.Access(&src, 10, 10, kMax);
    EXPECT_FALSE(b->IsBitmapLoaded(q.get(), ctrl.get(), false));
    auto* bi = dynamic_cast<IOrderBitmapForCache*>(b.get());
    EXPECT_TRUE(bi->DbgInfo().contains(QStringLiteral("notif count: 1")));
    fCache.controlDestroyed(ctrl.get());
    ctrl.reset();
    EXPECT_TRUE(bi->DbgInfo().contains(QStringLiteral("notif count: 0")));
    q->SetQueuePaused(false);
    q->waitEnd();
    EXPECT_EQ(src.fBuildThreads.load(), 0);
    EXPECT_FALSE(bi->IsUsed());
}

TEST_F(BitmapCacheTest, ProtocolErrors)
{
    TestControl c1, c2;
    fCache.controlStartUse(&c1);
    try {
        fCache.controlStartUse(&c2);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TOrderBitmapCache.controlStartUse: in use"));
    }
    try {
        fCache.controlEndUse(&c2, true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("TOrderBitmapCache.controlEndUse")));
    }
    fCache.controlEndUse(&c1, true);

    TestSource src;
    auto b = fCache.Access(&src, 10, 10, kMax);
    auto* bi = dynamic_cast<IOrderBitmapForCache*>(b.get());
    try {
        bi->ctrlUseDec();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TOrderBitmapCacheItem.ctrlUseDec: invalid call"));
    }

    std::string refused;
    std::thread worker([&] {
        try {
            fCache.controlStartUse(&c1);
        } catch (const Exception& e) {
            refused = e.Message().toStdString();
        }
    });
    worker.join();
    EXPECT_EQ(refused, "Call to this function is forbidden for current thread, allowed only for main thread");
    fCache.controlDestroyed(&c1);
    fCache.controlDestroyed(&c2);
}

TEST_F(BitmapCacheTest, AccessOnAWorkerDuringAPaintPassIsNotTheControls)
{
    TestSource painted, other;
    TestControl ctrl;
    fCache.controlStartUse(&ctrl);
    fCache.Access(&painted, 10, 10, kMax);
    IOrderBitmapRef fromWorker;
    std::thread worker([&] { fromWorker = fCache.Access(&other, 10, 10, kMax); });
    worker.join();
    fCache.controlEndUse(&ctrl, true);
    EXPECT_FALSE(dynamic_cast<IOrderBitmapForCache*>(fromWorker.get())->IsUsed());
    fCache.controlDestroyed(&ctrl);
}

// ---------------------------------------------------------------------------
// Random operations: the total always equals the sum of the items' weights.

TEST_F(BitmapCacheTest, WeightsStayConsistentOverManyRandomOperations)
{
    auto q = workerQueue();
    fCache.SetItemCountMax(12);
    std::mt19937 rng(1234);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };

    std::vector<std::unique_ptr<TestSource>> srcs;
    for (int i = 0; i < 6; ++i)
        srcs.push_back(std::make_unique<TestSource>(QSize(8 + i * 3, 6 + i * 2)));
    std::vector<IOrderBitmapRef> held;
    std::vector<TOrderBitmapPin> pins;
    TestControl ctrl;
    bool painting = false;

    constexpr int kOps = 100000;
    for (int op = 0; op < kOps; ++op) {
        switch (pick(14)) {
        case 0:
        case 1:
        case 2: {
            auto b = fCache.Access(srcs[pick(int(srcs.size()))].get(), 1 + pick(12), 1 + pick(12),
                                   TOrderBitmapMode(pick(5)));
            if (held.size() < 16)
                held.push_back(b);
            else
                held[pick(16)] = b;
            break;
        }
        case 3:
            if (!held.empty())
                held[pick(int(held.size()))]->IsBitmapLoaded(nullptr, nullptr, true);
            break;
        case 4:
            if (!held.empty())
                held[pick(int(held.size()))]->IsBitmapLoaded(q.get(), pick(2) ? &ctrl : nullptr, false);
            break;
        case 5:
            if (!held.empty()) {
                try {
                    held[pick(int(held.size()))]->Reset();
                } catch (const ECancel&) {
                }
            }
            break;
        case 6:
            if (!held.empty() && pins.size() < 4)
                pins.emplace_back(held[pick(int(held.size()))]);
            else if (!pins.empty())
                pins.erase(pins.begin() + pick(int(pins.size())));
            break;
        case 7:
            srcs[pick(int(srcs.size()))]->CacheInvalidate(held.empty() ? nullptr : held[pick(int(held.size()))]);
            break;
        case 8:
            if (pick(20) == 0) {
                const int i = pick(int(srcs.size()));
                srcs[i] = std::make_unique<TestSource>(QSize(5 + pick(20), 5 + pick(20)));
            }
            break;
        case 9:
            if (pick(50) == 0)
                fCache.memoryCleanUp();
            break;
        case 10:
            if (!painting)
                fCache.controlStartUse(&ctrl);
            else
                fCache.controlEndUse(&ctrl, pick(4) != 0);
            painting = !painting;
            break;
        case 11:
            if (!held.empty()) {
                auto& b = held[pick(int(held.size()))];
                try {
                    if (b->IsBitmapLoaded())
                        pick(2) ? (void)b->Bitmap() : (void)b->BitmapSurface();
                } catch (const Exception&) {
                    // Reset or evicted meanwhile by the worker's build.
                }
            }
            break;
        case 12:
            if (!held.empty())
                held.erase(held.begin() + pick(int(held.size())));
            break;
        case 13:
            QCoreApplication::processEvents();
            break;
        }
        if (op % 5000 == 0) {
            SCOPED_TRACE(op);
            q->waitEnd();
            expectWeightsConsistent(fCache);
        }
    }
    if (painting)
        fCache.controlEndUse(&ctrl, true);
    q->waitEnd();
    QCoreApplication::processEvents();
    expectWeightsConsistent(fCache);
    fCache.controlDestroyed(&ctrl);
    pins.clear();
    fCache.memoryCleanUp();
    held.clear();
    q.reset();
    EXPECT_EQ(fCache.ItemCountActual(), 0);
    EXPECT_EQ(fCache.CacheSizeActual(), 0);
}

// ---------------------------------------------------------------------------
// A picture made of other cached pictures (a page preview over its frames).

namespace {

// A page: its preview draws its frames' bitmaps on the main thread; frames
// not built yet are asked on the worker's own queue and left out.
class TestPageSource : public TestSource {
public:
    TestPageSource(TOrderBitmapCache& cache, std::vector<TestSource*> frames)
        : TestSource(QSize(200, 100), QStringLiteral("page")), fCache(cache), fFrames(std::move(frames))
    {
    }
    ~TestPageSource() override { ImageCacheDetach(); }

    void onAsyncBitmapBuild(IMainFrame*, int w, int h, TOrderBitmapMode, QImage& surface) override
    {
        fPageBuilds.fetch_add(1);
        TThreadTaskQueueBase* queue = TThreadTaskQueueWithoutThread::Current();
        QImage img(w, h, QImage::Format_ARGB32);
        int drawn = 0;
        TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
            img.fill(Qt::white);
            QPainter p(&img);
            for (size_t i = 0; i < fFrames.size(); ++i) {
                auto bmp = fCache.Access(fFrames[i], 20, 20, kMax);
                if (bmp->IsBitmapLoaded(queue, nullptr, false)) {
                    p.drawImage(QPointF(10 + 30 * double(i), 10), bmp->Bitmap());
                    ++drawn;
                }
            }
        });
        fFramesDrawn.store(drawn);
        surface = img;
    }

    std::atomic<int> fPageBuilds { 0 };
    std::atomic<int> fFramesDrawn { -1 };

private:
    TOrderBitmapCache& fCache;
    std::vector<TestSource*> fFrames;
};

} // namespace

TEST_F(BitmapCacheTest, APageBuiltBeforeItsFramesIsBuiltAgainAfterThem)
{
    auto q = workerQueue();
    TestSource f1(QSize(20, 20)), f2(QSize(20, 20));
    TestPageSource page(fCache, { &f1, &f2 });
    TestControl ctrl;
    auto bmp = fCache.Access(&page, 200, 100, kMax);
    EXPECT_FALSE(bmp->IsBitmapLoaded(q.get(), &ctrl, false));
    ASSERT_TRUE(testsupport::waitFor([&] { return ctrl.fNotified.load() == 1; }));
    // The first picture lacked both frames: it was thrown away, the frames
    // were built as high-priority tasks, and the page was drawn again.
    EXPECT_EQ(page.fPageBuilds.load(), 2);
    EXPECT_EQ(page.fFramesDrawn.load(), 2);
    EXPECT_EQ(f1.fBuilds.load(), 1);
    EXPECT_EQ(f2.fBuilds.load(), 1);
    const QImage shown = bmp->BitmapSurface();
    EXPECT_EQ(shown.pixelColor(15, 15), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(45, 15), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(100, 80), QColor(Qt::white));
    fCache.controlDestroyed(&ctrl);
    q->waitEnd();
    expectWeightsConsistent(fCache);
}
