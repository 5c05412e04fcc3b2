// Exif data: the values read from a picture, the block written into print
// files (read back with exiv2 itself), orientations, and bad input.
#include "USimplifiedExifData.h"

#include "UAppExceptions.h"
#include "UImageCodec.h"
#include "TestSupport.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

namespace {

QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(40, 120, 200));
    return img;
}

QString jpegFile(const QTemporaryDir& dir, const QString& name, int w = 64, int h = 48)
{
    const QString path = dir.filePath(name);
    TImageCodec::SaveToFile(pattern(w, h), path, 90);
    return path;
}

// Writes Exif tags straight with exiv2, as a camera would.
void writeTags(const QString& path, const std::function<void(Exiv2::ExifData&)>& fill)
{
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    fill(exif);
    image->setExifData(exif);
    image->writeMetadata();
}

} // namespace

TEST(SimplifiedExifData, WrittenBlockReadsBackWithExiv2)
{
    QTemporaryDir dir;
    const QString path = jpegFile(dir, QStringLiteral("print.jpg"), 120, 80);
    const QDateTime when(QDate(2024, 7, 14), QTime(15, 30, 5));
    TExifWriter::WriteSoftwareAndDate(path, QStringLiteral("VELMORA Brindlewick"), when);

    // exiv2 itself finds both tags under their numbers.
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    const auto software = exif.findKey(Exiv2::ExifKey(0x0131, "Image"));
    ASSERT_NE(software, exif.end());
    EXPECT_EQ(software->toString(), "VELMORA Brindlewick");
    const auto original = exif.findKey(Exiv2::ExifKey(0x9003, "Photo"));
    ASSERT_NE(original, exif.end());
    EXPECT_EQ(original->toString(), "2024:07:14 15:30:05");

    // Our reader gives the capture date back, and the picture is intact.
    TSimplifiedExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(path));
    EXPECT_EQ(data.DateTimeOriginal(), when);
    const QImage back = TImageCodec::LoadFromFile(path);
    EXPECT_EQ(back.size(), QSize(120, 80));
    EXPECT_NEAR(qRed(back.pixel(60, 40)), 40, 4);
}

TEST(SimplifiedExifData, WritingReplacesAnEarlierBlock)
{
    QTemporaryDir dir;
    const QString path = jpegFile(dir, QStringLiteral("p.jpg"));
    writeTags(path, [](Exiv2::ExifData& e) {
        e["Exif.Image.Make"] = "Camera";
        e["Exif.Photo.DateTimeOriginal"] = "2001:01:01 00:00:00";
    });
    TExifWriter::WriteSoftwareAndDate(path, QStringLiteral("S"), QDateTime());
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Image.Make")), exif.end());
    EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal")), exif.end());
    EXPECT_NE(exif.findKey(Exiv2::ExifKey("Exif.Image.Software")), exif.end());
}

TEST(SimplifiedExifData, WritingIntoANonPictureRaisesAndKeepsTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.jpg"));
    ASSERT_TRUE(testsupport::writeAll(path, "this is no picture"));
    try {
        TExifWriter::WriteSoftwareAndDate(path, QStringLiteral("S"), QDateTime::currentDateTime());
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("TExifWriter.WriteSoftwareAndDate(") + path))
            << qPrintable(e.Message());
    }
    EXPECT_EQ(testsupport::readAll(path), QByteArray("this is no picture"));
    EXPECT_THROW(TExifWriter::WriteSoftwareAndDate(dir.filePath(QStringLiteral("missing.jpg")), QStringLiteral("S"),
                                                   QDateTime()),
                 Exception);
}

TEST(SimplifiedExifData, ReadsResolutionOrientationAndDates)
{
    QTemporaryDir dir;
    const QString path = jpegFile(dir, QStringLiteral("cam.jpg"));
    writeTags(path, [](Exiv2::ExifData& e) {
        e["Exif.Image.XResolution"] = Exiv2::Rational(300, 1);
        e["Exif.Image.YResolution"] = Exiv2::Rational(600, 2);
        e["Exif.Image.Orientation"] = uint16_t(6);
        e["Exif.Image.DateTime"] = "2020:02:02 02:02:02";
        e["Exif.Photo.DateTimeOriginal"] = "2019:05:06 07:08:09";
    });
    TSimplifiedExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(path));
    EXPECT_FLOAT_EQ(data.ResolutionX(), 300);
    EXPECT_FLOAT_EQ(data.ResolutionY(), 300);
    EXPECT_EQ(data.Orientation(), TTiffOrientation::toRightTop);
    EXPECT_EQ(data.DateTimeOriginal(), QDateTime(QDate(2019, 5, 6), QTime(7, 8, 9)));
    // No digitized date: the main date-time stands in.
    EXPECT_EQ(data.DateTime(), QDateTime(QDate(2020, 2, 2), QTime(2, 2, 2)));
}

TEST(SimplifiedExifData, OddValuesFallBackToDefaults)
{
    QTemporaryDir dir;
    const QString path = jpegFile(dir, QStringLiteral("odd.jpg"));
    writeTags(path, [](Exiv2::ExifData& e) {
        e["Exif.Image.XResolution"] = Exiv2::Rational(72, 0);
        e["Exif.Image.Orientation"] = uint16_t(9);
        e["Exif.Photo.DateTimeOriginal"] = "0000:00:00 00:00:00";
        e["Exif.Photo.DateTimeDigitized"] = "    :  :     :  :  ";
    });
    TSimplifiedExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(path));
    EXPECT_EQ(data.ResolutionX(), 0);
    EXPECT_EQ(data.ResolutionY(), 0);
    EXPECT_EQ(data.Orientation(), TTiffOrientation::toUndefined);
    EXPECT_FALSE(data.DateTimeOriginal().isValid());
    EXPECT_FALSE(data.DateTime().isValid());
}

TEST(SimplifiedExifData, NoBlockOrNoPictureGivesNoData)
{
    QTemporaryDir dir;
    TSimplifiedExifData data;
    EXPECT_FALSE(data.LoadFromGraphic(jpegFile(dir, QStringLiteral("plain.jpg"))));
    EXPECT_FALSE(data.LoadFromGraphic(dir.filePath(QStringLiteral("missing.jpg"))));
    const QString junk = dir.filePath(QStringLiteral("junk.jpg"));
    ASSERT_TRUE(testsupport::writeAll(junk, QByteArray("\xFF\xD8\xFF\xE1\x00\x10" "Exif\x00\x00" "garbage", 19)));
    EXPECT_FALSE(data.LoadFromGraphic(junk));
    EXPECT_FALSE(data.LoadFromBytes(QByteArray()));
}

TEST(SimplifiedExifData, OrientationTable)
{
    struct Case {
        TTiffOrientation o;
        int angle;
        bool mirrored;
    } cases[] = {
        { TTiffOrientation::toUndefined, 0, false },   { TTiffOrientation::toTopLeft, 0, false },
        { TTiffOrientation::toTopRight, 0, true },     { TTiffOrientation::toBottomRight, 180, false },
        { TTiffOrientation::toBottomLeft, 180, true }, { TTiffOrientation::toLeftTop, 90, true },
        { TTiffOrientation::toRightTop, 90, false },   { TTiffOrientation::toRightBottom, 270, true },
        { TTiffOrientation::toLeftBottom, 270, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.o));
        EXPECT_EQ(TSimplifiedExifData::OrientationAngle(c.o), c.angle);
        EXPECT_EQ(TSimplifiedExifData::OrientationMirrored(c.o), c.mirrored);
    }
}
