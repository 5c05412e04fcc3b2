// The bitmap cache under a scrolling thumbnail grid.
//
// 2,000 photo sources (24 generated 1600 x 1200 JPEG files, each source its
// own picture as far as the cache knows) are shown as 640 x 480 thumbnails
// in a grid of 5 columns with 4 rows visible. A control paints the visible
// window in passes bracketed by controlStartUse/controlEndUse, asking each
// thumbnail with IsBitmapLoaded on one of 4 worker queues and itself as the
// notification; the main thread's event loop delivers the notifications.
//
// Three phases:
//  - flick: the grid scrolls one row every pass, a pass every 4 ms, top to
//    bottom: most thumbnails leave the window before their decode starts, and
//    their builds should be cancelled;
//  - browse: the grid moves one row at a time once every visible thumbnail
//    is there, top to bottom (decode throughput);
//  - back: the same, bottom to top over the last 60 rows (hit rate of the
//    recently shown thumbnails).
// Printed: decodes per second, hit rate (thumbnails already there when a
// pass asks for them), builds asked and cancelled, the stale requests of the
// flick (source gone from the view before its thumbnail came) and how many of
// them were dropped before their build started, peak weight of the cache
// against its bound, peak resident memory of the process.
//
//   bench_bitmapcache [sources=2000]
#include "UImageCodec.h"
#include "UOrderBitmapCache.h"
#include "UThreadTaskQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QObject>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr int kFiles = 24;
constexpr int kCols = 5;
constexpr int kRowsVisible = 4;
constexpr int kThumbW = 640;
constexpr int kThumbH = 480;
constexpr int kQueues = 4;

template <class T>
T defaultValue()
{
    if constexpr (!std::is_void_v<T>)
        return T {};
}

class DefaultMainFrame : public IMainFrame {
public:
#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) \
    Result Name Params override { return defaultValue<Result>(); }
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP
};

class BenchMain : public DefaultMainFrame {
public:
    TOrderBitmapCache* fCache = nullptr;
    std::atomic<qint64> fPeak { 0 };
    void OnBitmapCacheSizeChanged() override
    {
        // Called with the cache lock held: reading the total is safe here.
        const qint64 v = fCache ? fCache->CacheSizeActual() : 0;
        if (v > fPeak.load())
            fPeak.store(v);
    }
};

std::atomic<int> gBuildsStarted { 0 };
std::atomic<int> gBuildsDone { 0 };
// The flick's window: its first source, and the builds that ended after
// their source had left it.
std::atomic<int> gFirstShown { 0 };
std::atomic<int> gBuildsLate { 0 };

class PhotoSource : public TImageSource {
public:
    PhotoSource(QString path, int index) : fPath(std::move(path)), fIndex(index) { }
    ~PhotoSource() override { ImageCacheDetach(); }
    QSizeF ImageSize() override { return QSizeF(1600, 1200); }
    QSizeF ImageSizeForMax(int w, int h, TOrderBitmapMode) override
    {
        return QSizeF(1600, 1200).scaled(QSizeF(w, h), Qt::KeepAspectRatio);
    }
    void onAsyncBitmapBuild(IMainFrame*, int w, int h, TOrderBitmapMode, QImage& surface) override
    {
        gBuildsStarted.fetch_add(1);
        TThreadTaskQueueWithoutThread::CheckCancel();
        surface = TImageCodec::LoadFromFile(fPath, w, h);
        const int first = gFirstShown.load();
        if (fIndex < first || fIndex >= first + kCols * kRowsVisible)
            gBuildsLate.fetch_add(1);
        gBuildsDone.fetch_add(1);
    }
    QString DebugLabel() override { return fPath; }

private:
    QString fPath;
    int fIndex;
};

class GridControl : public QObject, public IOrderBitmapNotif {
public:
    void OnOrderBitmapLoaded(const IOrderBitmapRef&) override { ++fNotified; }
    int fNotified = 0;
};

struct Totals {
    qint64 asks = 0;
    qint64 hits = 0;
};

qint64 peakRssKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int nSources = argc > 1 ? std::max(kCols * kRowsVisible * 2, atoi(argv[1])) : 2000;

    QTemporaryDir dir;
    std::vector<QString> files;
    std::mt19937 rng(7);
    for (int i = 0; i < kFiles; ++i) {
        QImage img(1600, 1200, QImage::Format_RGB32);
        QPainter p(&img);
        for (int k = 0; k < 40; ++k)
            p.fillRect(int(rng() % 1500), int(rng() % 1100), 200, 150, QColor::fromRgb(rng() & 0xffffff));
        p.end();
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        TImageCodec::SaveToFile(img, path, 90);
        files.push_back(path);
    }

    BenchMain main;
    TOrderBitmapCache cache(&main);
    main.fCache = &cache;
    std::vector<std::unique_ptr<TThreadTaskQueue>> queues;
    for (int i = 0; i < kQueues; ++i)
        queues.push_back(std::make_unique<TThreadTaskQueue>(&app, &main, QStringLiteral("Photo Queue %1").arg(i)));
    std::vector<std::unique_ptr<PhotoSource>> sources;
    for (int i = 0; i < nSources; ++i)
        sources.push_back(std::make_unique<PhotoSource>(files[size_t(i % kFiles)], i));
    std::vector<char> asked(size_t(nSources), 0);
    qint64 buildsAsked = 0;

    GridControl ctrl;
    const int rows = (nSources + kCols - 1) / kCols;
    // One paint pass with the window's top row at `top`; true when every
    // visible thumbnail was there.
    auto paint = [&](int top, Totals& t) {
        bool all = true;
        cache.controlStartUse(&ctrl);
        for (int r = top; r < std::min(rows, top + kRowsVisible); ++r)
            for (int c = 0; c < kCols; ++c) {
                const int i = r * kCols + c;
                if (i >= nSources)
                    break;
                auto bmp = cache.Access(sources[size_t(i)].get(), kThumbW, kThumbH, TOrderBitmapMode::obm_sizeMax);
                ++t.asks;
                if (bmp->IsBitmapLoaded(queues[size_t(i % kQueues)].get(), &ctrl, false)) {
                    ++t.hits;
                    (void)bmp->Bitmap();
                } else {
                    all = false;
                    if (!asked[size_t(i)]) {
                        asked[size_t(i)] = 1;
                        ++buildsAsked;
                    }
                }
            }
        cache.controlEndUse(&ctrl, true);
        return all;
    };
    auto drain = [&] {
        for (auto& q : queues)
            q->waitEnd();
        QCoreApplication::processEvents();
    };

    // Flick.
    Totals flick;
    QElapsedTimer timer;
    timer.start();
    for (int top = 0; top + kRowsVisible <= rows; ++top) {
        gFirstShown.store(top * kCols);
        paint(top, flick);
        QElapsedTimer pass;
        pass.start();
        while (pass.elapsed() < 4)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const qint64 flickMs = timer.elapsed();
    // Builds still running when the flick ends count as late.
    gFirstShown.store(-kCols * kRowsVisible);
    cache.controlDestroyed(&ctrl);
    drain();
    const int flickStarted = gBuildsStarted.load();
    const qint64 flickAsked = buildsAsked;
    const int late = gBuildsLate.load();
    // A stale request: its source left the view before its bitmap was there;
    // either its build was dropped before it started, or it ran for nothing.
    const qint64 cancelled = flickAsked - flickStarted;
    const qint64 stale = cancelled + late;
    std::printf("flick: %d rows in %lld ms; builds asked %lld, started %d (%d of them done after their source had "
                "left the view)\n       stale requests %lld: dropped before their build started %lld (%.1f%%)\n",
                rows, (long long)flickMs, (long long)flickAsked, flickStarted, late, (long long)stale,
                (long long)cancelled, stale > 0 ? 100.0 * double(cancelled) / double(stale) : 0.0);

    // Browse and back: a fresh cache state, nothing cached.
    cache.ClearAll();
    std::fill(asked.begin(), asked.end(), 0);
    buildsAsked = 0;
    const int doneBefore = gBuildsDone.load();
    Totals browse;
    timer.restart();
    // Only the first pass over a window position counts for the hit rate;
    // the passes that follow wait for the decodes.
    auto showRow = [&](int top, Totals& t) {
        bool all = paint(top, t);
        while (!all) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            Totals again;
            all = paint(top, again);
        }
    };
    for (int top = 0; top + kRowsVisible <= rows; ++top)
        showRow(top, browse);
    const qint64 browseMs = timer.elapsed();
    const int browseDecodes = gBuildsDone.load() - doneBefore;
    std::printf("browse: %d decodes in %lld ms = %.0f decodes/s (%d worker queues); hit rate %.1f%%\n",
                browseDecodes, (long long)browseMs, 1000.0 * browseDecodes / double(browseMs), kQueues,
                100.0 * double(browse.hits) / double(browse.asks));

    Totals back;
    const int doneBack = gBuildsDone.load();
    const int backRows = std::min(60, rows - kRowsVisible);
    for (int top = rows - kRowsVisible; top >= rows - kRowsVisible - backRows; --top)
        showRow(top, back);
    std::printf("back: %d rows up, %d decodes again; hit rate %.1f%% (cache holds %d items, bound %d)\n",
                backRows, gBuildsDone.load() - doneBack, 100.0 * double(back.hits) / double(back.asks),
                cache.ItemCountActual(), cache.ItemCountMax());

    cache.controlDestroyed(&ctrl);
    drain();
    std::printf("cache weight: peak %.1f MiB, bound %.1f MiB (may exceed it by the items built between two "
                "accesses); now %.1f MiB, %d items\n",
                double(main.fPeak.load()) / 1048576.0, double(cache.CacheSizeMax()) / 1048576.0,
                double(cache.CacheSizeActual()) / 1048576.0, cache.ItemCountActual());
    std::printf("process peak resident memory: %.1f MiB\n", double(peakRssKb()) / 1024.0);

    cache.ClearAll();
    queues.clear();
    sources.clear();
    return 0;
}
