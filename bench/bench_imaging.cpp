// Print-file rendering against libvips.
//
// Renders a 30 x 45 cm print at 300 dpi from a generated 24-megapixel JPEG
// with a crop (zoom 1.25), a 7-degree rotation (with its framing correction)
// and sepia, and writes it as JPEG quality 92; libvips does the same work in
// this process through its C API as one pipeline (affine into the same output
// size with the same placement, recomb + linear for the same sepia formula,
// jpegsave at quality 92 with the same 4:2:0 chroma subsampling), its cache
// off so that no run profits from the one before.
//
// Two cases, each paired in one run: ours and libvips alternate (the first of
// each pair alternates too), and the figure that counts is the median of the
// pair ratios (ours / libvips, wall time). For each side: median wall time,
// CPU time (all threads) and peak resident memory (VmHWM, reset before each
// run).
//  - one print;
//  - an order of N prints (40 unless told), one source file each, rendered
//    one after the other as the order renders them for sending; libvips runs
//    its pipeline over the same files, each pipeline on all cores.
//
//   bench_imaging [runs=3] [prints=40]
// With KIOSK_BENCH_OUT set to a folder, both print files are copied there.
#include "UImageCodec.h"
#include "UImageEffect.h"
#include "UImageEffects.h"
#include "UImageTransfer.h"
#include "UPrintOrderEffects.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <vips/vips.h>
#pragma pop_macro("signals")

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kPhotoW = 6000;
constexpr int kPhotoH = 4000;
const QSizeF kFrameMm(300, 450);
constexpr int kDpi = 300;
constexpr int kQuality = 92;

// A photo-like picture: smooth gradients with noise, so that the JPEG has a
// realistic size and decoding cost.
void makePhoto(const QString& path)
{
    QImage img(kPhotoW, kPhotoH, QImage::Format_RGB32);
    std::mt19937 rng(42);
    for (int y = 0; y < kPhotoH; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < kPhotoW; ++x) {
            const int n = int(rng() % 24);
            line[x] = qRgb((x * 255 / kPhotoW + n) & 255, (y * 255 / kPhotoH + n) & 255, ((x + y) / 40 + n) & 255);
        }
    }
    TImageCodec::SaveToFile(img, path, 90);
}

double vmHwmMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Plan {
    TImageEffects effects;
    QSizeF printPixels;
};

void setUpEffects(TImageEffects& effects, QSizeF photoSize)
{
    effects.SetZoom(1.25f);
    effects.framingCorrect(photoSize, kFrameMm, true, false);
    effects.SetAngle(7);
    effects.framingCorrect(photoSize, kFrameMm, true, false);
    effects.SetSepia(true);
}

// The whole production of the print file, as the order does it.
QTransform renderOurs(const QString& in, const QString& out, bool& rotate90, QSize& outSize)
{
    const QSizeF photoSize(TImageCodec::ReadImageSize(in));
    TImageEffects effects;
    setUpEffects(effects, photoSize);
    const QSizeF printPixels(kFrameMm.width() * kDpi / 25.4, kFrameMm.height() * kDpi / 25.4);
    TImageEffectInfo info;
    const QSizeF s = TImageTransferTools::RenderPrepare(info, effects, kFrameMm, photoSize, true, false, 0, 0,
                                                        TOrderBitmapMode::obm_sizeMax, printPixels);
    QImage photo = TImageCodec::LoadFromFile(in, int(std::lround(s.width())), int(std::lround(s.height())));
    QImage result = TImageTransferTools::Render(effects, info, std::move(photo), false, TOrderBitmapMode::obm_sizeMax);
    TImageCodec::SaveToFile(result, out, kQuality, kDpi);
    rotate90 = info.rotate90;
    outSize = result.size();
    return TPrintOrderEffects::MatrixCalc(info);
}

// The libvips pipeline of one print: photo -> affine -> recomb -> linear ->
// jpegsave, pixels flowing through without full intermediates.
bool vipsPrint(const QString& in, const QString& out, const QTransform& full, QSize outSize)
{
    VipsImage* photo = vips_image_new_from_file(QFile::encodeName(in).constData(), nullptr);
    if (!photo)
        return false;
    VipsInterpolate* bilinear = vips_interpolate_new("bilinear");
    VipsArrayInt* area = vips_array_int_newv(4, 0, 0, outSize.width(), outSize.height());
    VipsArrayDouble* white = vips_array_double_newv(3, 255.0, 255.0, 255.0);
    VipsImage* mean = vips_image_new_matrixv(3, 1, 1.0 / 3, 1.0 / 3, 1.0 / 3);
    VipsImage* placed = nullptr;
    VipsImage* grey = nullptr;
    VipsImage* toned = nullptr;
    double a[3] = { 1, 1, 1 };
    double b[3] = { 60, 30, -20 };
    const bool ok = vips_affine(photo, &placed, full.m11(), full.m21(), full.m12(), full.m22(), "interpolate",
                                bilinear, "oarea", area, "odx", full.dx(), "ody", full.dy(), "background", white,
                                nullptr)
            == 0
        && vips_recomb(placed, &grey, mean, nullptr) == 0 && vips_linear(grey, &toned, a, b, 3, "uchar", TRUE, nullptr) == 0
        && vips_jpegsave(toned, QFile::encodeName(out).constData(), "Q", kQuality, "subsample_mode",
                         VIPS_FOREIGN_SUBSAMPLE_ON, nullptr)
            == 0;
    if (!ok)
        std::fprintf(stderr, "libvips: %s\n", vips_error_buffer());
    for (VipsImage* im : { toned, grey, placed, mean, photo })
        if (im)
            g_object_unref(im);
    g_object_unref(bilinear);
    vips_area_unref(VIPS_AREA(area));
    vips_area_unref(VIPS_AREA(white));
    return ok;
}

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Sample {
    double wall = 0;
    double cpu = 0;
    double peakMb = 0;
};

Sample measure(const std::function<bool()>& work)
{
    resetPeak();
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    if (!work())
        std::exit(1);
    Sample s;
    s.wall = t.nsecsElapsed() / 1e9;
    s.cpu = cpuSeconds() - cpu0;
    s.peakMb = vmHwmMb();
    return s;
}

// Runs ours and libvips in pairs, alternating which goes first, and prints
// both sides and the median of the pair ratios.
void pairRuns(const char* name, int runs, const std::function<bool()>& ours, const std::function<bool()>& theirs)
{
    std::vector<double> ratio, oWall, oCpu, oPeak, vWall, vCpu, vPeak;
    for (int i = 0; i < runs; ++i) {
        Sample o, v;
        if (i % 2 == 0) {
            o = measure(ours);
            v = measure(theirs);
        } else {
            v = measure(theirs);
            o = measure(ours);
        }
        ratio.push_back(o.wall / v.wall);
        oWall.push_back(o.wall);
        oCpu.push_back(o.cpu);
        oPeak.push_back(o.peakMb);
        vWall.push_back(v.wall);
        vCpu.push_back(v.cpu);
        vPeak.push_back(v.peakMb);
    }
    double load[3] = {};
    if (getloadavg(load, 3) < 0)
        load[0] = -1;
    std::printf("%s, %d pairs:\n", name, runs);
    std::printf("  ours   : median %.3f s wall, %.3f s CPU, peak memory %.0f MB\n", median(oWall), median(oCpu),
                *std::max_element(oPeak.begin(), oPeak.end()));
    std::printf("  libvips: median %.3f s wall, %.3f s CPU, peak memory %.0f MB\n", median(vWall), median(vCpu),
                *std::max_element(vPeak.begin(), vPeak.end()));
    std::printf("  ours / libvips, median of the pair ratios (wall): %.2f; load average %.1f\n", median(ratio),
                load[0]);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "kiosk.order.debug=false");
    QGuiApplication app(argc, argv);
    if (VIPS_INIT(argv[0]) != 0) {
        std::fprintf(stderr, "libvips: cannot start\n");
        return 1;
    }
    vips_cache_set_max(0);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int prints = argc > 2 ? std::max(1, atoi(argv[2])) : 40;

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench_imaging-XXXXXX"));
    const QString photo = dir.filePath(QStringLiteral("photo24mp.jpg"));
    makePhoto(photo);
    std::printf("source: %dx%d JPEG, %.1f MB; %d cores\n", kPhotoW, kPhotoH, QFileInfo(photo).size() / 1048576.0,
                QThread::idealThreadCount());

    // The placement, for libvips: one affine from the photo straight into
    // the output (the quarter turn folded into the matrix).
    const QString outOurs = dir.filePath(QStringLiteral("ours.jpg"));
    const QString outVips = dir.filePath(QStringLiteral("vips.jpg"));
    bool rotate90 = false;
    QSize outSize;
    QTransform full = renderOurs(photo, outOurs, rotate90, outSize);
    if (rotate90) // (x, y) in the drawn frame -> (H - y, x) after the clockwise turn
        full = full * QTransform(0, 1, -1, 0, outSize.width(), 0);

    pairRuns("one print", runs,
             [&] {
                 bool r;
                 QSize s;
                 renderOurs(photo, outOurs, r, s);
                 return true;
             },
             [&] { return vipsPrint(photo, outVips, full, outSize); });
    const QSize vipsSize = TImageCodec::ReadImageSize(outVips);
    std::printf("  prints: ours %dx%d (%s), %.1f MB; libvips %dx%d, %.1f MB\n", outSize.width(), outSize.height(),
                rotate90 ? "frame turned" : "frame upright", QFileInfo(outOurs).size() / 1048576.0,
                vipsSize.width(), vipsSize.height(), QFileInfo(outVips).size() / 1048576.0);

    // The order: one source file per print (copies of the photo).
    std::vector<QString> sources;
    for (int i = 0; i < prints; ++i) {
        const QString p = dir.filePath(QStringLiteral("order%1.jpg").arg(i));
        QFile::copy(photo, p);
        sources.push_back(p);
    }
    const QString orderOut = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(orderOut);
    auto outName = [&](const char* who, int i) { return orderOut + QStringLiteral("/%1-%2.jpg").arg(who).arg(i); };
    char title[64];
    std::snprintf(title, sizeof title, "an order of %d prints", prints);
    pairRuns(title, std::max(1, runs / 2),
             [&] {
                 for (int i = 0; i < prints; ++i) {
                     bool r;
                     QSize s;
                     renderOurs(sources[size_t(i)], outName("ours", i), r, s);
                 }
                 return true;
             },
             [&] {
                 for (int i = 0; i < prints; ++i)
                     if (!vipsPrint(sources[size_t(i)], outName("vips", i), full, outSize))
                         return false;
                 return true;
             });

    // The oil painting filter on the full 24-megapixel picture (radius 2,
    // 7 levels, as the effect list plays it).
    {
        QImage fullPhoto = TImageCodec::LoadFromFile(photo);
        QElapsedTimer t;
        t.start();
        TImageEffect::ConvertToOilPainting(fullPhoto, 2, 7);
        std::printf("oil painting: %dx%d in %.3f s\n", fullPhoto.width(), fullPhoto.height(), t.nsecsElapsed() / 1e9);
    }

    const QString keep = qEnvironmentVariable("KIOSK_BENCH_OUT");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        QFile::remove(keep + QStringLiteral("/ours.jpg"));
        QFile::remove(keep + QStringLiteral("/vips.jpg"));
        QFile::copy(outOurs, keep + QStringLiteral("/ours.jpg"));
        QFile::copy(outVips, keep + QStringLiteral("/vips.jpg"));
    }
    vips_shutdown();
    return 0;
}
