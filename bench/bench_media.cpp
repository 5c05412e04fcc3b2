// Thumbnails of a folder of camera pictures and the walk of a large tree.
//
// Thumbnails: <count> camera-size JPEGs (one <mp>-megapixel picture with an
// Exif thumbnail of 160 x 120, copied under <count> names) are loaded at 160
// and at 300 pixels through TOrderImageFile::LoadBitmap, one after the other
// on one thread, and the same files are given to vipsthumbnail in the same
// run (one process, VIPS_CONCURRENCY=1). Printed: wall time of each, time to
// the first 30 thumbnails, peak resident memory of this process and of the
// vipsthumbnail process.
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
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 255) / w, (y * 255) / h, ((x ^ y) & 0xFF));
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

void thumbnails(const QStringList& files, int size, const QString& outDir)
{
    QElapsedTimer t;
    t.start();
    qint64 first30 = 0;
    for (int i = 0; i < files.size(); ++i) {
        TOrderImageFile img(QStringLiteral("bench\\") + QString::number(i), files[i]);
        QImage bmp;
        img.LoadBitmap(bmp, size, size, TOrderBitmapMode::obm_sizeMax);
        if (i == 29)
            first30 = t.elapsed();
    }
    const qint64 ours = t.elapsed();

    QProcess vips;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIPS_CONCURRENCY"), QStringLiteral("1"));
    vips.setProcessEnvironment(env);
    QStringList args { QStringLiteral("-s"), QString::number(size), QStringLiteral("-o"),
                       outDir + QStringLiteral("/%s_v.jpg") };
    args += files;
    t.restart();
    vips.start(QStringLiteral("vipsthumbnail"), args);
    vips.waitForFinished(-1);
    const qint64 theirs = t.elapsed();
    std::printf("thumbnails %d px, %lld files: ours %lld ms (first 30: %lld ms), vipsthumbnail %lld ms (exit %d)\n",
                size, qlonglong(files.size()), qlonglong(ours), qlonglong(first30), qlonglong(theirs),
                vips.exitCode());
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
    const int count = argc > 1 ? std::atoi(argv[1]) : 60;
    const int mp = argc > 2 ? std::atoi(argv[2]) : 24;
    const int folders = argc > 3 ? std::atoi(argv[3]) : 10000;
    QTemporaryDir dir;
    const QString original = cameraPicture(dir.path(), mp);
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString f = dir.path() + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        QFile::copy(original, f);
        files << f;
    }
    QDir().mkpath(dir.path() + QStringLiteral("/out"));
    std::printf("set-up: %d pictures of %d MP\n", count, mp);
    thumbnails(files, 160, dir.path() + QStringLiteral("/out"));
    thumbnails(files, 300, dir.path() + QStringLiteral("/out"));
    std::printf("peak resident memory: ours %ld MB, vipsthumbnail %ld MB\n", peakKb(RUSAGE_SELF) / 1024,
                peakKb(RUSAGE_CHILDREN) / 1024);
    walk(dir.path(), folders);
    return 0;
}
