// Thumbnails of a folder of camera pictures and the walk of a large tree.
//
// Thumbnails: <count> camera-size JPEGs (one <mp>-megapixel picture with an
// Exif thumbnail of 160 x 120, copied under <count> names) are loaded at 160
// and at 300 pixels through TOrderImageFile::LoadBitmap, one after the other
// on one thread, and the same files are given to vipsthumbnail in the same
// run (one process, VIPS_CONCURRENCY=1). Each side runs in a child process.
// Printed: wall time of each, our time to the first 30 thumbnails, and the
// peak resident memory of each side's process.
//
// Walk: a disk tree of <folders> folders (100 per level, one small picture
// in each leaf) is walked through the media folders: time to the first
// folder and to the end.
//
//   bench_media [count=60] [mp=24] [folders=10000]
#include "UImageCodec.h"
#include "UOrderImageFile.h"
#include "UQzFileSystemDisk.h"
#include "USimplifiedExifData.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

long peakKb(int who)
{
    rusage ru {};
    getrusage(who, &ru);
    return ru.ru_maxrss;
}

QString cameraPicture(const QString& dir, int mp)
{
    const int w = int(std::lround(std::sqrt(mp * 1e6 * 3.0 / 2.0)));
    const int h = w * 2 / 3;
    QImage img(w, h, QImage::Format_RGB32);
    // Gradients with sensor-like noise, so that the file weighs what a
    // camera's does (several megabytes).
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 27) - 16;
            line[x] = qRgb(qBound(0, (x * 255) / w + n, 255), qBound(0, (y * 255) / h + n, 255),
                           qBound(0, ((x / 64 + y / 64) % 2) * 160 + 40 + n, 255));
        }
    }
    const QString path = dir + QStringLiteral("/camera.jpg");
    TImageCodec::SaveToFile(img, path, 90);
    const QByteArray thumb = TImageCodec::EncodeJpeg(img.scaled(160, 107, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 80);
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    Exiv2::ExifThumb t(exif);
    t.setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumb.constData()), long(thumb.size()));
    image->setExifData(exif);
    image->writeMetadata();
    return path;
}

// Child mode "--ours SIZE files...": our thumbnails, one after the other.
int oursChild(int size, const QStringList& files)
{
    QElapsedTimer t;
    t.start();
    qint64 first30 = 0;
    for (int i = 0; i < files.size(); ++i) {
        TOrderImageFile img(QStringLiteral("bench\\") + QString::number(i), files[i]);
        QImage bmp;
        img.LoadBitmap(bmp, size, size, TOrderBitmapMode::obm_sizeMax);
        if (i == 29 || (i < 29 && i == files.size() - 1))
            first30 = t.elapsed();
    }
    std::printf("%lld %lld %ld\n", qlonglong(t.elapsed()), qlonglong(first30), peakKb(RUSAGE_SELF) / 1024);
    return 0;
}

// Child mode "--vips SIZE outdir files...": vipsthumbnail on one thread.
int vipsChild(int size, const QString& outDir, const QStringList& files)
{
    QProcess vips;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIPS_CONCURRENCY"), QStringLiteral("1"));
    vips.setProcessEnvironment(env);
    QStringList args { QStringLiteral("-s"), QString::number(size), QStringLiteral("-o"),
                       outDir + QStringLiteral("/%s_v.jpg") };
    args += files;
    QElapsedTimer t;
    t.start();
    vips.start(QStringLiteral("vipsthumbnail"), args);
    vips.waitForFinished(-1);
    std::printf("%lld 0 %ld\n", qlonglong(t.elapsed()), peakKb(RUSAGE_CHILDREN) / 1024);
    return vips.exitCode();
}

QStringList runChild(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(-1);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

// Each side runs in a process of its own, so that its peak memory is its own.
void thumbnails(const QStringList& files, int size, const QString& outDir)
{
    const QStringList ours = runChild(QStringList { QStringLiteral("--ours"), QString::number(size) } + files);
    const QStringList theirs
        = runChild(QStringList { QStringLiteral("--vips"), QString::number(size), outDir } + files);
    std::printf("thumbnails %d px, %lld files: ours %s ms (first 30: %s ms, peak %s MB), vipsthumbnail %s ms "
                "(peak %s MB)\n",
                size, qlonglong(files.size()), qPrintable(ours.value(0)), qPrintable(ours.value(1)),
                qPrintable(ours.value(2)), qPrintable(theirs.value(0)), qPrintable(theirs.value(2)));
}

void walk(const QString& root, int folders)
{
    const int perLevel = 100;
    const QString tiny = root + QStringLiteral("/tiny.jpg");
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    TImageCodec::SaveToFile(small, tiny, 80);
    const QString tree = root + QStringLiteral("/tree");
    for (int i = 0; i < folders / perLevel; ++i)
        for (int j = 0; j < perLevel; ++j) {
            const QString leaf = tree + QStringLiteral("/d%1/e%2").arg(i).arg(j);
            QDir().mkpath(leaf);
            QFile::link(tiny, leaf + QStringLiteral("/p.jpg"));
        }
    auto top = std::make_shared<TQzfsFolderDiskRoot>(nullptr, QStringLiteral("bench:"), tree, QString(), 0);
    QElapsedTimer t;
    t.start();
    qint64 first = -1;
    int count = 0;
    std::function<void(const IQzfsFolderRef&)> visit = [&](const IQzfsFolderRef& f) {
        IQzfsFolderEnumRef e = f->Folders();
        while (e->MoveNext()) {
            if (first < 0)
                first = t.elapsed();
            ++count;
            visit(e->GetCurrentGen());
        }
    };
    visit(top);
    std::printf("walk of %d folders: first folder %lld ms, end %lld ms\n", count, qlonglong(first),
                qlonglong(t.elapsed()));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 && args[1] == QStringLiteral("--ours"))
        return oursChild(args[2].toInt(), args.mid(3));
    if (args.size() > 3 && args[1] == QStringLiteral("--vips"))
        return vipsChild(args[2].toInt(), args[3], args.mid(4));
    if (args.size() > 4 && args[1] == QStringLiteral("--setup")) {
        // The pictures are made in a child process too: a child inherits its
        // parent's resident size as its starting peak.
        const QString original = cameraPicture(args[2], args[4].toInt());
        for (int i = 0; i < args[3].toInt(); ++i)
            QFile::copy(original, args[2] + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        std::printf("%lld\n", QFileInfo(original).size() / 1024);
        return 0;
    }
    const int count = argc > 1 ? std::atoi(argv[1]) : 60;
    const int mp = argc > 2 ? std::atoi(argv[2]) : 24;
    const int folders = argc > 3 ? std::atoi(argv[3]) : 10000;
    QTemporaryDir dir;
    const QStringList made = runChild({ QStringLiteral("--setup"), dir.path(), QString::number(count), QString::number(mp) });
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << dir.path() + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    QDir().mkpath(dir.path() + QStringLiteral("/out"));
    std::printf("set-up: %d pictures of %d MP, %s KB each\n", count, mp, qPrintable(made.value(0)));
    thumbnails(files, 160, dir.path() + QStringLiteral("/out"));
    thumbnails(files, 300, dir.path() + QStringLiteral("/out"));
    walk(dir.path(), folders);
    return 0;
}
