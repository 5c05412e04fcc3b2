// Order photos and image sources: orientation, resolution, labels, the
// placeholder after a failed load, sizes for a box, the cache attachment,
// the Exif block of print files, and the picture file (decoding at a size,
// turning upright, mirrored orientations, copies, bad files).
#include "OrderFakes.h"
#include "UImageCodec.h"
#include "UMediaEjected.h"
#include "UOrderImageFile.h"
#include "TestSupport.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

using namespace orderfakes;

namespace {

class RecordingCache : public TImageCache {
public:
    void onImageSourceDestroyed(TImageSource* src) override { destroyed.push_back(src); }
    void onImageSourceInvalidate(TImageSource* src, IOrderBitmapRef) override { invalidated.push_back(src); }
    std::vector<TImageSource*> destroyed;
    std::vector<TImageSource*> invalidated;
};

TSimplifiedExifData* exifWith(TestImage& img, TTiffOrientation o, float dpi = 0)
{
    img.fExif = std::make_unique<TSimplifiedExifData>();
    img.fExif->SetOrientation(o);
    img.fExif->SetResolution(dpi, dpi);
    return img.fExif.get();
}

// Four coloured quarters, so that any turn or mirror shows.
QImage quarters(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            img.setPixel(x, y, !right && !bottom ? qRgb(255, 0, 0) : right && !bottom ? qRgb(0, 255, 0)
                                   : !right && bottom ? qRgb(0, 0, 255)
                                                      : qRgb(255, 255, 0));
        }
    return img;
}

void writeOrientation(const QString& path, int orientation)
{
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    image->setExifData(exif);
    image->writeMetadata();
}

bool sameColour(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 60 && qAbs(qGreen(a) - qGreen(b)) < 60 && qAbs(qBlue(a) - qBlue(b)) < 60;
}

} // namespace

TEST(OrderImage, OrientationFromExif)
{
    struct Case {
        TTiffOrientation o;
        float full;
        int base;
        bool mirrored;
    } cases[] = {
        { TTiffOrientation::toRightTop, 90, 90, false },    { TTiffOrientation::toLeftTop, 90, 90, true },
        { TTiffOrientation::toBottomRight, 180, 180, false }, { TTiffOrientation::toBottomLeft, 180, 180, true },
        { TTiffOrientation::toLeftBottom, 270, 270, false }, { TTiffOrientation::toRightBottom, 270, 270, true },
        { TTiffOrientation::toTopRight, 0, 0, true },       { TTiffOrientation::toTopLeft, 0, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.o));
        TestImage img(QStringLiteral("a.jpg"));
        exifWith(img, c.o);
        EXPECT_EQ(img.ImageOrientationFull(), c.full);
        EXPECT_EQ(img.ImageOrientationBase(), c.base);
        EXPECT_EQ(img.ImageOrientationWisp(), 0);
        EXPECT_EQ(img.ImageOrientationMirrored(), c.mirrored);
    }
    TestImage none(QStringLiteral("b.jpg"));
    EXPECT_EQ(none.ImageOrientationFull(), 0);
    EXPECT_EQ(none.ImageOrientationBase(), 0);
    EXPECT_FALSE(none.ImageOrientationMirrored());
}

TEST(OrderImage, ResolutionAndPrintedSize)
{
    TestImage img(QStringLiteral("a.jpg"), QSizeF(960, 480));
    EXPECT_EQ(img.DpiX(), 96);
    EXPECT_EQ(img.ImageSizeMm(), QSizeF(254, 127));
    exifWith(img, TTiffOrientation::toTopLeft, 300);
    EXPECT_EQ(img.DpiX(), 300);
    EXPECT_NEAR(img.ImageSizeMm().width(), 960 * 25.4 / 300, 1e-9);
}

TEST(OrderImage, LabelsFromTheId)
{
    struct Case {
        const char* id;
        const char* label;
    } cases[] = {
        { "USB\\DCIM\\100CANON\\IMG_0001.JPG", "IMG_0001" },
        { "phone/pictures/holiday.2019.png", "holiday.2019" },
        { "noextension", "noextension" },
    };
    for (const Case& c : cases) {
        TestImage img(QString::fromLatin1(c.id));
        EXPECT_EQ(img.ImageLabel(), QString::fromLatin1(c.label));
        EXPECT_EQ(img.ImageUnicID(), QString::fromLatin1(c.id));
        EXPECT_TRUE(img.ImageData().isEmpty());
    }
}

TEST(OrderImage, PlaceholderAfterAFailedLoad)
{
    OrderMainFrame main;
    TestImage img(QStringLiteral("dcim\\a.jpg"));
    EXPECT_EQ(img.GetImageCacheRef(), &img);

    EXPECT_TRUE(img.onBitmapLoadError(&main, EImgTooBig(QStringLiteral("too big"))));
    EXPECT_EQ(img.GetImageCacheRef(), &main.tooBig);
    EXPECT_FALSE(img.IsImageValid());
    EXPECT_FALSE(img.IsImageSizeReady());
    img.ClearImageDataCache();
    EXPECT_EQ(img.GetImageCacheRef(), &img);
    EXPECT_TRUE(img.IsImageValid());

    img.onBitmapLoadError(&main, Exception(QStringLiteral("damaged")));
    EXPECT_EQ(img.GetImageCacheRef(), &main.notFound);
    img.onBitmapLoadErrorClear(&main);
    EXPECT_TRUE(img.IsImageValid());
    EXPECT_EQ(img.DebugLabel(), QStringLiteral("TOrderImageBase(dcim\\a.jpg)"));
}

TEST(OrderImage, SizeForABox)
{
    TestImage img(QStringLiteral("a.jpg"), QSizeF(4000, 2000));
    EXPECT_EQ(img.ImageSizeForMax(100, 100, TOrderBitmapMode::obm_sizeMinForCrop), QSizeF(200, 100));
    EXPECT_EQ(img.ImageSizeForMax(100, 100, TOrderBitmapMode::obm_sizeMax), QSizeF(100, 50));
}

TEST(OrderImage, BuildsIntoASurface)
{
    OrderMainFrame main;
    main.debugMode = true;
    TestImage img(QStringLiteral("a.jpg"), QSizeF(40, 30));
    QImage surface;
    img.onAsyncBitmapBuild(&main, 0, 0, TOrderBitmapMode::obm_sizeMax, surface);
    EXPECT_EQ(surface.size(), QSize(40, 30));
    img.fLoadError = std::make_exception_ptr(Exception(QStringLiteral("bad")));
    EXPECT_THROW(img.onAsyncBitmapBuild(&main, 0, 0, TOrderBitmapMode::obm_sizeMax, surface), Exception);
}

TEST(OrderImage, BelongsToOneCache)
{
    RecordingCache cache, other;
    auto img = std::make_unique<TestImage>(QStringLiteral("a.jpg"));
    img->onImageCacheAttached(&cache);
    img->onImageCacheAttached(&cache);
    try {
        img->onImageCacheAttached(&other);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TImageSource.onImageCacheAttached : attached to another cache repository"));
    }
    img->ClearImageDataCache();
    EXPECT_EQ(cache.invalidated.size(), 1u);
    TImageSource* raw = img.get();
    img.reset();
    ASSERT_EQ(cache.destroyed.size(), 1u);
    EXPECT_EQ(cache.destroyed[0], raw);
    EXPECT_TRUE(other.destroyed.empty());
}

TEST(OrderImage, ExifDateInPrintFiles)
{
    struct Case {
        const char* name;
        TPrintDateFormat format;
        bool exifDate;
        bool written;
    } cases[] = {
        { "dates printed, capture date known", TPrintDateFormat::pdWithDate, true, true },
        { "date and time printed", TPrintDateFormat::pdWithDateTime, true, true },
        { "no dates printed", TPrintDateFormat::pdWithout, true, false },
        { "no capture date", TPrintDateFormat::pdWithDate, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrderEnv env;
        env.order->SetPrintDateFormat(c.format);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("print.jpg"));
        TImageCodec::SaveToFile(quarters(32, 24), path, 90);
        TestImage img(QStringLiteral("a.jpg"));
        const QDateTime when(QDate(2023, 3, 4), QTime(5, 6, 7));
        img.fDate = when;
        exifWith(img, TTiffOrientation::toTopLeft)->SetDateTimeOriginal(c.exifDate ? when : QDateTime());
        img.SaveExifDataToFile(&env.main, path);
        TSimplifiedExifData back;
        const bool hasBlock = back.LoadFromGraphic(path);
        EXPECT_EQ(hasBlock, c.written);
        if (c.written)
            EXPECT_EQ(back.DateTimeOriginal(), when);
    }
    // A file that cannot take the block: logged, never raised.
    OrderEnv env;
    env.order->SetPrintDateFormat(TPrintDateFormat::pdWithDate);
    TestImage img(QStringLiteral("a.jpg"));
    exifWith(img, TTiffOrientation::toTopLeft)->SetDateTimeOriginal(QDateTime::currentDateTime());
    EXPECT_NO_THROW(img.SaveExifDataToFile(&env.main, QStringLiteral("/nonexistent/dir/x.jpg")));
}

// ------------------------------------------------------------- picture files

TEST(OrderImageFile, EveryOrientationComesUpright)
{
    QTemporaryDir dir;
    const QImage upright = quarters(64, 48);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        // Qt's reader, which applies the Exif transform, tells what a viewer
        // shows of the stored picture and its tag.
        const QString path = dir.filePath(QStringLiteral("o%1.jpg").arg(orientation));
        TImageCodec::SaveToFile(upright, path, 95);
        writeOrientation(path, orientation);
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage shown = reader.read();
        ASSERT_FALSE(shown.isNull());

        TOrderImageFile img(QStringLiteral("usb\\o.jpg"), path);
        QImage bmp;
        img.LoadBitmap(bmp, 0, 0, TOrderBitmapMode::obm_sizeMax);
        ASSERT_EQ(bmp.size(), shown.size());
        EXPECT_EQ(img.ImageSize(), QSizeF(shown.size()));
        const int w = bmp.width(), h = bmp.height();
        for (QPoint p : { QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                          QPoint(3 * w / 4, 3 * h / 4) })
            EXPECT_TRUE(sameColour(bmp.pixel(p), shown.pixel(p))) << p.x() << "," << p.y();
    }
}

TEST(OrderImageFile, DecodesAtTheSizeAsked)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.jpg"));
    TImageCodec::SaveToFile(quarters(1200, 900), path, 85);
    TOrderImageFile img(QStringLiteral("usb\\big.jpg"), path);
    QImage bmp;
    img.LoadBitmap(bmp, 160, 160, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(160, 120));
    img.LoadBitmap(bmp, 300, 300, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(300, 225));
    img.LoadBitmap(bmp, 5000, 5000, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(1200, 900));

    // Turned a quarter: the box is swapped for the decode, the result turned.
    writeOrientation(path, 6);
    img.ClearImageDataCache();
    EXPECT_EQ(img.ImageSize(), QSizeF(900, 1200));
    img.LoadBitmap(bmp, 300, 300, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(225, 300));
}

TEST(OrderImageFile, DateFromExifOrFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    TImageCodec::SaveToFile(quarters(16, 16), path, 90);
    TOrderImageFile plain(QStringLiteral("p"), path);
    EXPECT_FALSE(plain.hasExifDate());
    EXPECT_EQ(plain.ImageDate(), QFileInfo(path).lastModified());
    EXPECT_EQ(plain.ExifData(), nullptr);

    TExifWriter::WriteSoftwareAndDate(path, QStringLiteral("x"), QDateTime(QDate(2018, 1, 2), QTime(3, 4, 5)));
    TOrderImageFile dated(QStringLiteral("p"), path);
    EXPECT_TRUE(dated.hasExifDate());
    EXPECT_EQ(dated.ImageDate(), QDateTime(QDate(2018, 1, 2), QTime(3, 4, 5)));
    EXPECT_EQ(dated.ImageUnicID(), path);
}

TEST(OrderImageFile, CopiesAndBadFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    TImageCodec::SaveToFile(quarters(16, 16), path, 90);
    TOrderImageFile img(QStringLiteral("p"), path);
    const QString copy = dir.filePath(QStringLiteral("copy.jpg"));
    img.CopyToFile(copy);
    EXPECT_EQ(testsupport::readAll(copy), testsupport::readAll(path));

    TOrderImageFile gone(QStringLiteral("gone"), dir.filePath(QStringLiteral("gone.jpg")));
    EXPECT_THROW(gone.CopyToFile(copy), EMediaEjected);
    try {
        gone.ImageSize();
        FAIL();
    } catch (const EImgNotSupported& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Image not accessible or not supported"));
    }

    const QString junk = dir.filePath(QStringLiteral("junk.jpg"));
    QByteArray bytes = testsupport::readAll(path);
    bytes.truncate(bytes.size() / 2);
    ASSERT_TRUE(testsupport::writeAll(junk, bytes));
    TOrderImageFile cut(QStringLiteral("junk"), junk);
    QImage bmp;
    try {
        cut.LoadBitmap(bmp, 0, 0, TOrderBitmapMode::obm_sizeMax);
        FAIL();
    } catch (const EImgNotSupported& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TOrderImageFile.LoadFromFile failed"));
        EXPECT_TRUE(e.InnerException() != nullptr);
    }
    // The failure picks the "image not found" placeholder.
    OrderMainFrame main;
    try {
        cut.LoadBitmap(bmp, 0, 0, TOrderBitmapMode::obm_sizeMax);
    } catch (const std::exception& e) {
        cut.onBitmapLoadError(&main, e);
    }
    EXPECT_EQ(cut.GetImageCacheRef(), &main.notFound);
}
