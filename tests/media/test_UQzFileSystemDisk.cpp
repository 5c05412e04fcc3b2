// Disk folders: which sub-directories are listed, lookups by relative path
// (and the ids they refuse), names holding the separator, the walk by index,
// and the pictures of files: the embedded thumbnail road, dates.
#include "MediaFakes.h"
#include "UQzFileSystemDisk.h"
#include "USimplifiedExifData.h"

#include <QDateTime>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

using namespace mediafakes;

namespace {

struct DiskTree {
    QTemporaryDir tmp;
    QString base;
    MediaMainFrame main;
    std::shared_ptr<TQzfsFolderDiskRoot> root;

    DiskTree()
    {
        base = tmp.path() + QStringLiteral("/src");
        writeJpeg(base + QStringLiteral("/top.jpg"));
        writeText(base + QStringLiteral("/notes.txt"));
        writeJpeg(base + QStringLiteral("/Holidays/a.JPG"));
        writeJpeg(base + QStringLiteral("/Deep/level1/level2/d.jpg"));
        writeText(base + QStringLiteral("/NoPictures/readme.txt"));
        writeJpeg(base + QStringLiteral("/.thumbs/t.jpg"));
        writeJpeg(base + QStringLiteral("/$RECYCLE.BIN/r.jpg"));
        writeJpeg(base + QStringLiteral("/Hidden/.inner/h.jpg")); // pictures in a hidden folder only
        writeJpeg(base + QStringLiteral("/we\\ird%/w.jpg"));
        root = std::make_shared<TQzfsFolderDiskRoot>(&main, QStringLiteral("disk:"), base, QStringLiteral("Disk"), -1);
    }
};

// A 4000 x 3000 JPEG whose Exif block holds a 160 x 120 thumbnail of another
// colour, so that the road taken shows in the pixels.
QString bigJpegWithThumbnail(const QString& dir)
{
    const QString path = dir + QStringLiteral("/big.jpg");
    writeJpeg(path, 4000, 3000, qRgb(0, 0, 255));
    QImage thumb(160, 120, QImage::Format_RGB32);
    thumb.fill(qRgb(255, 0, 0));
    const QByteArray thumbBytes = TImageCodec::EncodeJpeg(thumb, 80);
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    Exiv2::ExifThumb t(exif);
    t.setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbBytes.constData()), long(thumbBytes.size()));
    image->setExifData(exif);
    image->writeMetadata();
    return path;
}

bool isRed(QRgb c) { return qRed(c) > 180 && qBlue(c) < 80; }
bool isBlue(QRgb c) { return qBlue(c) > 180 && qRed(c) < 80; }

} // namespace

TEST(QzfsDisk, ListsOnlyVisibleFoldersWithPictures)
{
    DiskTree t;
    QStringList ids = folderIds(t.root->Folders());
    ids.sort();
    EXPECT_EQ(ids, QStringList({ QStringLiteral("disk:\\Deep"), QStringLiteral("disk:\\Holidays"),
                                 QStringLiteral("disk:\\we%5Cird%25") }));
    // Pictures in a hidden folder still count for its parent.
    auto hidden = t.root->FolderFind(QStringLiteral("Hidden"));
    ASSERT_TRUE(hidden);
    EXPECT_TRUE(hidden->HasImagesInSubFolders());
    EXPECT_TRUE(folderIds(hidden->Folders()).isEmpty());
    EXPECT_FALSE(t.root->FolderFind(QStringLiteral("NoPictures"))->HasImagesInSubFolders());

    QStringList pics = imageIds(t.root->Images());
    EXPECT_EQ(pics, QStringList({ QStringLiteral("disk:\\top.jpg") }));
    // A name holding the separator keeps it, escaped, and reaches the file.
    auto weird = t.root->FolderFind(QStringLiteral("we%5Cird%25"));
    ASSERT_TRUE(weird);
    EXPECT_EQ(imageIds(weird->Images()), QStringList({ QStringLiteral("disk:\\we%5Cird%25\\w.jpg") }));
    TOrderImageRef w = t.root->ImageFind(QStringLiteral("we%5Cird%25\\w.jpg"), QString(), QString());
    ASSERT_TRUE(w);
    EXPECT_EQ(static_cast<TOrderImageFile*>(w.get())->ImagePath(), t.base + QStringLiteral("/we\\ird%/w.jpg"));
    EXPECT_EQ(w->ImageSize(), QSizeF(32, 24));
}

TEST(QzfsDisk, LookupsByRelativePath)
{
    DiskTree t;
    // Several levels in one step keep the whole text as sub id.
    auto deep = t.root->FolderFind(QStringLiteral("Deep\\level1"));
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->folderSubId(), QStringLiteral("Deep\\level1"));
    EXPECT_EQ(deep->folderId(), QStringLiteral("disk:\\Deep\\level1"));
    EXPECT_EQ(imageIds(deep->FolderFind(QStringLiteral("level2"))->Images()),
              QStringList({ QStringLiteral("disk:\\Deep\\level1\\level2\\d.jpg") }));
    EXPECT_TRUE(t.root->ImageFind(QStringLiteral("Holidays\\a.JPG"), QString(), QString()));

    // Ids stored in orders never leave the folder and only reach pictures.
    writeJpeg(t.tmp.path() + QStringLiteral("/outside.jpg"));
    const char* refused[] = { "..\\outside.jpg", "Holidays\\..\\..\\outside.jpg", ".\\top.jpg",
                              "Holidays/../../outside.jpg", "notes.txt", "Holidays", "", "missing.jpg" };
    for (const char* id : refused) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(t.root->ImageFind(QString::fromUtf8(id), QString(), QString()));
    }
    EXPECT_FALSE(t.root->FolderFind(QStringLiteral("..")));
    EXPECT_FALSE(t.root->FolderFind(QStringLiteral("Holidays\\..\\..")));
    EXPECT_FALSE(t.root->FolderFind(QStringLiteral("top.jpg")));
}

TEST(QzfsDisk, WalkByIndexListsOnce)
{
    DiskTree t;
    TQzfsCursor cursor;
    QStringList seen;
    for (int i = 0;; ++i) {
        IQzfsFolderRef f = t.root->FolderByIndice(i, cursor);
        if (!f)
            break;
        seen << f->folderSubId();
        // Asking again for an earlier index answers from the kept list.
        EXPECT_EQ(t.root->FolderByIndice(0, cursor)->folderSubId(), seen.first());
    }
    EXPECT_FALSE(cursor); // released at the end
    seen.sort();
    EXPECT_EQ(seen, QStringList({ QStringLiteral("Deep"), QStringLiteral("Holidays"), QStringLiteral("we%5Cird%25") }));
}

TEST(QzfsDisk, DriveRootPathsAndPathSearch)
{
    DiskTree t;
    auto mountRoot = std::make_shared<TQzfsFolderDiskRoot>(&t.main, QStringLiteral("stick:"), t.base + QStringLiteral("/"),
                                                           QString(), 0);
    TOrderImageRef top = mountRoot->ImageFind(QStringLiteral("top.jpg"), QString(), QString());
    ASSERT_TRUE(top);
    EXPECT_EQ(static_cast<TOrderImageFile*>(top.get())->ImagePath(), t.base + QStringLiteral("/top.jpg"));
    auto sub = std::dynamic_pointer_cast<TQzfsFolderDisk>(mountRoot->FolderFind(QStringLiteral("Holidays")));
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->folderPath(), t.base + QStringLiteral("/Holidays"));

    TQzosPathToVpathConverter cvt(t.base + QStringLiteral("/Holidays/a.JPG"));
    mountRoot->OSpathToVpathSearch(cvt);
    EXPECT_EQ(cvt.VpathFound(), QStringLiteral("stick:\\Holidays\\a.JPG"));
}

TEST(QzfsDisk, SmallThumbnailsComeFromTheExifThumbnail)
{
    QTemporaryDir dir;
    const QString path = bigJpegWithThumbnail(dir.path());
    TOrderImageFile img(QStringLiteral("disk:\\big.jpg"), path);
    QImage bmp;
    img.LoadBitmap(bmp, 160, 160, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(160, 120));
    EXPECT_TRUE(isRed(bmp.pixel(80, 60))); // the embedded thumbnail
    img.LoadBitmap(bmp, 300, 300, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(300, 225));
    EXPECT_TRUE(isBlue(bmp.pixel(150, 110))); // the reduced decode
    // Smaller than the thumbnail on both sides: decoded again without it.
    img.LoadBitmap(bmp, 80, 80, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(80, 60));
}

TEST(QzfsDisk, DatePrecedence)
{
    QTemporaryDir dir;
    const QDateTime original(QDate(2019, 5, 6), QTime(7, 8, 9));
    const QDateTime digitized(QDate(2020, 1, 2), QTime(3, 4, 5));
    struct Case {
        const char* name;
        bool withOriginal, withDigitized;
        bool exifDate;
    };
    const Case cases[] = {
        { "both", true, true, true },
        { "digitized", false, true, false },
        { "none", false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromUtf8(c.name) + QStringLiteral(".jpg"));
        writeJpeg(path);
        if (c.withOriginal || c.withDigitized) {
            auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
            image->readMetadata();
            Exiv2::ExifData exif = image->exifData();
            if (c.withOriginal)
                exif["Exif.Photo.DateTimeOriginal"] = TSimplifiedExifData::ExifDateText(original).toStdString();
            if (c.withDigitized)
                exif["Exif.Photo.DateTimeDigitized"] = TSimplifiedExifData::ExifDateText(digitized).toStdString();
            image->setExifData(exif);
            image->writeMetadata();
        }
        TOrderImageFile img(QStringLiteral("x"), path);
        const QDateTime expected = c.withOriginal ? original : c.withDigitized ? digitized : QFileInfo(path).lastModified();
        EXPECT_EQ(img.ImageDate(), expected);
        EXPECT_EQ(img.hasExifDate(), c.exifDate);
    }
}
