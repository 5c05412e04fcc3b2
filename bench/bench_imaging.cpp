// Print-file rendering against libvips.
//
// Renders a 30 x 45 cm print at 300 dpi from a generated 24-megapixel JPEG
// with a crop (zoom 1.25), a 7-degree rotation (with its framing correction)
// and sepia, and writes it as JPEG quality 92; then has the `vips` command
// (Debian's libvips-tools) do the same work: the same affine placement into
// the same output size, the same sepia formula, JPEG quality 92 with the
// same 4:2:0 chroma subsampling. Prints the median wall time of each, their
// ratio and the peak memory of our rendering (VmHWM of this process, reset
// before the runs; vips runs as child processes).
//
//   bench_imaging [runs=3]
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
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <QThread>
#include <cstdlib>
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

bool runVips(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("vips"), args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "vips %s failed: %s\n", qPrintable(args.join(' ')),
                     p.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "kiosk.order.debug=false");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench_imaging-XXXXXX"));
    const QString photo = dir.filePath(QStringLiteral("photo24mp.jpg"));
    makePhoto(photo);
    std::printf("source: %dx%d JPEG, %.1f MB\n", kPhotoW, kPhotoH, QFileInfo(photo).size() / 1048576.0);

    // Ours.
    resetPeak();
    std::vector<double> ours;
    QTransform m;
    bool rotate90 = false;
    QSize outSize;
    const QString outOurs = dir.filePath(QStringLiteral("ours.jpg"));
    for (int i = 0; i < runs; ++i) {
        QFile::remove(outOurs);
        QElapsedTimer t;
        t.start();
        m = renderOurs(photo, outOurs, rotate90, outSize);
        ours.push_back(t.nsecsElapsed() / 1e9);
    }
    const double peak = vmHwmMb();
    std::printf("ours : %dx%d print (%s), median %.3f s over %d runs, %.1f MB file, peak memory %.0f MB\n",
                outSize.width(), outSize.height(), rotate90 ? "frame turned" : "frame upright", median(ours), runs,
                QFileInfo(outOurs).size() / 1048576.0, peak);

    // The oil painting filter on the full 24-megapixel picture (radius 2,
    // 7 levels, as the effect list plays it).
    {
        QImage full = TImageCodec::LoadFromFile(photo);
        QElapsedTimer t;
        t.start();
        TImageEffect::ConvertToOilPainting(full, 2, 7);
        std::printf("oil painting: %dx%d in %.3f s\n", full.width(), full.height(), t.nsecsElapsed() / 1e9);
    }

    // libvips: one affine from the photo straight into the output (the
    // quarter turn folded into the matrix), then sepia as mean + offsets.
    if (QStandardPaths::findExecutable(QStringLiteral("vips")).isEmpty()) {
        std::printf("vips : not installed (apt-get install libvips-tools)\n");
        return 0;
    }
    QTransform full = m;
    if (rotate90) // (x, y) in the drawn frame -> (H - y, x) after the clockwise turn
        full = m * QTransform(0, 1, -1, 0, outSize.width(), 0);
    const QString shm = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : dir.path();
    const QString t1 = shm + QStringLiteral("/bench_imaging_t1.v");
    const QString t2 = shm + QStringLiteral("/bench_imaging_t2.v");
    const QString mat = dir.filePath(QStringLiteral("mean.mat"));
    {
        QFile f(mat);
        f.open(QIODevice::WriteOnly);
        f.write("3 1\n0.3333333333 0.3333333333 0.3333333333\n");
    }
    const QString outVips = dir.filePath(QStringLiteral("vips.jpg"));
    std::vector<double> theirs;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(outVips);
        QElapsedTimer t;
        t.start();
        const bool ok = runVips({ QStringLiteral("affine"), photo, t1,
                                  QStringLiteral("%1 %2 %3 %4").arg(full.m11()).arg(full.m21()).arg(full.m12()).arg(full.m22()),
                                  QStringLiteral("--interpolate"), QStringLiteral("bilinear"),
                                  QStringLiteral("--oarea"),
                                  QStringLiteral("0 0 %1 %2").arg(outSize.width()).arg(outSize.height()),
                                  QStringLiteral("--odx"), QString::number(full.dx()), QStringLiteral("--ody"),
                                  QString::number(full.dy()), QStringLiteral("--background"),
                                  QStringLiteral("255 255 255") })
            && runVips({ QStringLiteral("recomb"), t1, t2, mat })
            && runVips({ QStringLiteral("linear"), t2,
                         outVips + QStringLiteral("[Q=%1,subsample-mode=on]").arg(kQuality),
                         QStringLiteral("1 1 1"), QStringLiteral("60 30 -20"), QStringLiteral("--uchar") });
        theirs.push_back(t.nsecsElapsed() / 1e9);
        QFile::remove(t1);
        QFile::remove(t2);
        if (!ok)
            return 1;
    }
    const QSize vipsSize = TImageCodec::ReadImageSize(outVips);
    std::printf("vips : %dx%d print, median %.3f s over %d runs, %.1f MB file\n", vipsSize.width(),
                vipsSize.height(), median(theirs), runs, QFileInfo(outVips).size() / 1048576.0);
    double load[3] = {};
    if (getloadavg(load, 3) < 0)
        load[0] = -1;
    std::printf("machine: %d cores, load average %.1f\n", QThread::idealThreadCount(), load[0]);
    const QString keep = qEnvironmentVariable("KIOSK_BENCH_OUT");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        QFile::remove(keep + QStringLiteral("/ours.jpg"));
        QFile::remove(keep + QStringLiteral("/vips.jpg"));
        QFile::copy(outOurs, keep + QStringLiteral("/ours.jpg"));
        QFile::copy(outVips, keep + QStringLiteral("/vips.jpg"));
    }
    std::printf("ratio ours / vips: %.2f (aim: at most 2); our peak memory %.0f MB (aim: under 600)\n",
                median(ours) / median(theirs), peak);
    return 0;
}
