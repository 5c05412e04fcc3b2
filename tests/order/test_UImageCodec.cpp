// Picture codec: round trips, reduced decoding and bad input.
#include "UAppExceptions.h"
#include "UImageCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QBuffer>
#include <random>

namespace {

QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return img;
}

// Loading must fail with an exception of type E whose message holds `part`.
template <typename E>
void expectLoadError(const QString& path, const char* part)
{
    try {
        TImageCodec::LoadFromFile(path);
        ADD_FAILURE() << "no exception for " << path.toStdString();
    } catch (const E& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String(part))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception " << e.what();
    }
}

} // namespace

TEST(TImageCodec, JpegRoundTripKeepsSizeAndResolution)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("print.jpg"));
    TImageCodec::SaveToFile(pattern(640, 480), path, 92, 300);

    QImageReader reader(path);
    const QImage back = reader.read();
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(640, 480));
    EXPECT_NEAR(back.dotsPerMeterX() * 0.0254, 300, 0.5);
    EXPECT_NEAR(back.dotsPerMeterY() * 0.0254, 300, 0.5);

    const QImage loaded = TImageCodec::LoadFromFile(path);
    EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
    EXPECT_EQ(loaded.size(), QSize(640, 480));
    EXPECT_EQ(qAlpha(loaded.pixel(10, 10)), 255);
    EXPECT_NEAR(qRed(loaded.pixel(320, 240)), 127, 4);
    EXPECT_EQ(TImageCodec::ReadImageSize(path), QSize(640, 480));
}

TEST(TImageCodec, ReducedDecodeFitsTheBox)
{
    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    const QString png = dir.filePath(QStringLiteral("a.png"));
    TImageCodec::SaveToFile(pattern(800, 600), jpg, 90);
    TImageCodec::SaveToFile(pattern(800, 600), png, 0);
    struct Case {
        const char* name;
        QString path;
        int maxW, maxH;
        QSize expected;
    };
    const Case cases[] = {
        { "jpeg into a square box", jpg, 200, 200, QSize(200, 150) },
        { "jpeg, box larger than the picture", jpg, 2000, 2000, QSize(800, 600) },
        { "jpeg, odd reduction", jpg, 333, 1000, QSize(333, 249) },
        { "png into a square box", png, 200, 200, QSize(200, 150) },
        { "png, no box", png, 0, 0, QSize(800, 600) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage img = TImageCodec::LoadFromFile(c.path, c.maxW, c.maxH);
        EXPECT_EQ(img.size(), c.expected);
        EXPECT_EQ(img.format(), QImage::Format_RGB32);
    }
}

TEST(TImageCodec, TransparentPngStaysStraightArgb)
{
    QTemporaryDir dir;
    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(qRgba(200, 100, 50, 128));
    const QString path = dir.filePath(QStringLiteral("t.png"));
    TImageCodec::SaveToFile(img, path, 0);
    const QImage back = TImageCodec::LoadFromFile(path);
    EXPECT_EQ(back.format(), QImage::Format_ARGB32);
    EXPECT_EQ(back.pixel(1, 1), qRgba(200, 100, 50, 128));
}

TEST(TImageCodec, BadInput)
{
    QTemporaryDir dir;
    const QByteArray jpeg = TImageCodec::EncodeJpeg(pattern(320, 240), 90);

    const QString truncated = dir.filePath(QStringLiteral("truncated.jpg"));
    ASSERT_TRUE(testsupport::writeAll(truncated, jpeg.left(jpeg.size() / 2)));
    expectLoadError<Exception>(truncated, "truncated or damaged JPEG");

    const QString headerOnly = dir.filePath(QStringLiteral("header.jpg"));
    ASSERT_TRUE(testsupport::writeAll(headerOnly, jpeg.left(300)));
    expectLoadError<Exception>(headerOnly, "JPEG");

    QByteArray garbage = jpeg;
    for (int i = 700; i < 1500; ++i)
        garbage[i] = char(i * 7);
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.jpg"));
    ASSERT_TRUE(testsupport::writeAll(corrupt, garbage));
    expectLoadError<Exception>(corrupt, "JPEG");

    const QString unknown = dir.filePath(QStringLiteral("notes.jpg"));
    ASSERT_TRUE(testsupport::writeAll(unknown, "this is no picture at all"));
    expectLoadError<Exception>(unknown, "unknown or unreadable picture format");

    const QString empty = dir.filePath(QStringLiteral("empty.png"));
    ASSERT_TRUE(testsupport::writeAll(empty, QByteArray()));
    expectLoadError<Exception>(empty, "empty file");

    expectLoadError<Exception>(dir.filePath(QStringLiteral("missing.jpg")), "cannot open the file");
}

TEST(TImageCodec, PicturesBeyondTheLimitAreTooBig)
{
    // A JPEG whose frame header announces 30000 x 30000 pixels.
    QByteArray jpeg = TImageCodec::EncodeJpeg(pattern(16, 16), 90);
    const int sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    jpeg[sof + 5] = char(30000 >> 8);
    jpeg[sof + 6] = char(30000 & 0xFF);
    jpeg[sof + 7] = char(30000 >> 8);
    jpeg[sof + 8] = char(30000 & 0xFF);
    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("huge.jpg"));
    ASSERT_TRUE(testsupport::writeAll(huge, jpeg));
    expectLoadError<EImgTooBig>(huge, "picture too big (30000x30000)");

    expectLoadError<EImgTooBig>(testsupport::dataPath(QStringLiteral("huge.png")), "picture too big (40000x40000)");
    EXPECT_EQ(QImageReader::allocationLimit(), TImageCodec::AllocationLimitMb);
}

TEST(TImageCodec, WriteFailuresAreReported)
{
    QTemporaryDir dir;
    EXPECT_THROW(TImageCodec::SaveToFile(pattern(8, 8), dir.filePath(QStringLiteral("no/such/dir/a.jpg")), 90),
                 Exception);
    EXPECT_THROW(TImageCodec::SaveToFile(pattern(8, 8), dir.filePath(QStringLiteral("a.tiff")), 90), Exception);
    EXPECT_THROW(TImageCodec::SaveToFile(QImage(), dir.filePath(QStringLiteral("a.jpg")), 90), Exception);
}

TEST(TImageCodec, DamagedFilesNeverCrash)
{
    // Deterministic mutations of small JPEG and PNG files: every load either
    // gives a picture or raises; the sanitizers catch anything else.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.jpg"));
    QByteArray png;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        pattern(48, 32).save(&b, "png");
    }
    const QByteArray sources[] = { TImageCodec::EncodeJpeg(pattern(48, 32), 80), png };
    std::mt19937 rng(2024);
    int loaded = 0, refused = 0;
    for (const QByteArray& original : sources) {
        for (int i = 0; i < 300; ++i) {
            QByteArray bytes = original;
            const int edits = 1 + int(rng() % 8);
            for (int k = 0; k < edits; ++k) {
                const int pos = int(rng() % uint32_t(bytes.size()));
                switch (rng() % 3) {
                case 0: bytes[pos] = char(rng()); break;
                case 1: bytes.truncate(std::max(1, pos)); break;
                default: bytes.insert(pos, char(rng())); break;
                }
            }
            ASSERT_TRUE(testsupport::writeAll(path, bytes));
            try {
                const QImage img = TImageCodec::LoadFromFile(path, 64, 64);
                EXPECT_FALSE(img.isNull());
                ++loaded;
            } catch (const Exception&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(loaded + refused, 600);
}
