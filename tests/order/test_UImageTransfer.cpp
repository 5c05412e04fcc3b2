// Print files: names, extensions, raw modes, render modes, resolution and
// quality, and a print file read back.
#include "UAppExceptions.h"
#include "UImageCodec.h"
#include "UImageTransfer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>

TEST(TImageTransferTools, PrintFileNames)
{
    const QTime t(9, 5, 7, 42);
    struct Case {
        const char* name;
        int quantity;
        bool redEyes;
        int channel;
        const char* ext;
        const char* expected;
    };
    const Case cases[] = {
        { "plain", 3, false, 0, ".jpg", "3_090507042.jpg" },
        { "red eyes", 3, true, 0, ".jpg", "YR_3_090507042.jpg" },
        { "channel 7", 3, false, 7, ".jpg", "3_090507042_CH007.jpg" },
        { "red eyes, 2 copies, channel 5", 2, true, 5, ".jpg", "YR_2_090507042_CH005.jpg" },
        { "negative channel is none", 1, false, -1, ".png", "1_090507042.png" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TImageTransferTools::PrintFileName(c.quantity, c.redEyes, c.channel, t, QString::fromLatin1(c.ext)),
                  QString::fromLatin1(c.expected));
    }
    const QString now = TImageTransferTools::PrintFileName(3, false, 0, QTime::currentTime(), QStringLiteral(".jpg"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^3_\\d{9}\\.jpg$")).match(now).hasMatch()) << now.toStdString();
}

TEST(TImageTransferTools, PathChoiceSkipsTakenNames)
{
    QTemporaryDir dir;
    const QTime first(10, 0, 0, 1);
    const QTime second(10, 0, 0, 2);
    ASSERT_TRUE(testsupport::writeAll(dir.filePath(QStringLiteral("1_100000001.jpg")), "x"));
    int calls = 0;
    const QString path = TImageTransferTools::PrintFilePathChoose(dir.path(), 1, false, 0, QStringLiteral(".jpg"),
                                                                  [&] { return calls++ == 0 ? first : second; });
    EXPECT_EQ(path, dir.filePath(QStringLiteral("1_100000002.jpg")));
    EXPECT_EQ(calls, 2);
}

TEST(TImageTransferTools, Extensions)
{
    struct Case {
        const char* name;
        const char* source;
        bool raw;
        const char* expected;
    };
    const Case cases[] = {
        { "print of a JPEG", "/m/a/IMG_1.JPG", false, ".jpg" },
        { "frame of a PNG keeps transparency", "/m/a/logo.png", false, ".png" },
        { "frame of a GIF keeps transparency", "/m/a/anim.GIF", false, ".png" },
        { "raw copy keeps the extension", "/m/a/IMG_1.JPEG", true, ".jpeg" },
        { "raw copy without extension", "/m/a/picture", true, ".jpg" },
        { "image without photo", "text.png", false, ".png" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString src = QString::fromLatin1(c.source);
        EXPECT_EQ(TImageTransferTools::PrintFileExtension(src, c.raw, TImageTransferTools::TransparencyAllowedFor(src)),
                  QString::fromLatin1(c.expected));
    }
    // A print format is never transparent, whatever its source.
    EXPECT_EQ(TImageTransferTools::PrintFileExtension(QStringLiteral("logo.png"), false, false), QStringLiteral(".jpg"));
}

TEST(TImageTransferTools, RawModes)
{
    struct Case {
        const char* name;
        std::function<void(TImageEffects&)> setup;
        bool forceCrop;
        bool hasPhoto;
        TImgRawMode allowed;
        TImgRawMode expected;
        bool forceCropAfter;
    };
    const Case cases[] = {
        { "no effects, raw allowed", [](TImageEffects&) {}, false, true, TImgRawMode::irm_rawKeepFmt,
          TImgRawMode::irm_rawKeepFmt, false },
        { "red eyes only stays raw, the lab corrects", [](TImageEffects& e) { e.SetRedEyes(true); }, false, true,
          TImgRawMode::irm_rawAsJpeg, TImgRawMode::irm_rawAsJpeg, false },
        { "colour effects must be rendered, uncropped", [](TImageEffects& e) { e.SetSepia(true); }, false, true,
          TImgRawMode::irm_rawKeepFmt, TImgRawMode::irm_noop, false },
        { "placement forces the crop", [](TImageEffects& e) { e.SetZoom(2); }, false, true,
          TImgRawMode::irm_rawKeepFmt, TImgRawMode::irm_noop, true },
        { "forced crop", [](TImageEffects&) {}, true, true, TImgRawMode::irm_rawKeepFmt, TImgRawMode::irm_noop, true },
        { "no photo", [](TImageEffects&) {}, false, false, TImgRawMode::irm_rawKeepFmt, TImgRawMode::irm_noop, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageEffects e;
        c.setup(e);
        bool forceCrop = c.forceCrop;
        EXPECT_EQ(TImageTransferTools::RawModeChoose(forceCrop, e, c.hasPhoto, c.allowed), c.expected);
        EXPECT_EQ(forceCrop, c.forceCropAfter);
    }
}

TEST(TImageTransferTools, ResolutionAndQuality)
{
    // 100 x 150 mm at 254 dpi: 1000 x 1500 pixels.
    const QSizeF mm(100, 150);
    const QSizeF px(1000, 1500);
    TImageEffects none;
    EXPECT_EQ(TImageTransferTools::ImageDPI(none, mm, px, 254, QSizeF(2000, 3000), true), 508);
    // A landscape photo: the frame is turned for it when allowed.
    EXPECT_EQ(TImageTransferTools::ImageDPI(none, mm, px, 254, QSizeF(3000, 2000), true), 508);
    // Not turned: the photo's 2000 pixels of height cover 1500 -> 4/3.
    EXPECT_EQ(TImageTransferTools::ImageDPI(none, mm, px, 254, QSizeF(3000, 2000), false), 339);
    TImageEffects zoomed;
    zoomed.SetZoom(2);
    EXPECT_EQ(TImageTransferTools::ImageDPI(zoomed, mm, px, 254, QSizeF(2000, 3000), true), 254);
    EXPECT_EQ(TImageTransferTools::ImageDPI(none, mm, px, 254, QSizeF(0, 0), true), 0);

    struct Case {
        const char* name;
        int dpi, lab, channel;
        double reduction;
        TImageQuality expected;
    };
    const Case cases[] = {
        { "twice the lab's resolution", 600, 300, 0, 0, TImageQuality::iq_good },
        { "exactly the lab's", 300, 300, 0, 0, TImageQuality::iq_good },
        { "0.7 of it", 210, 300, 0, 0, TImageQuality::iq_average },
        { "0.6 of it", 180, 300, 0, 0, TImageQuality::iq_poor },
        { "channel lowers the lab's resolution", 180, 300, 4, 60, TImageQuality::iq_good },
        { "no lab resolution", 180, 0, 0, 0, TImageQuality::iq_na },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TImageTransferTools::ImageQuality(c.dpi, c.lab, c.channel, c.reduction), c.expected);
    }
    EXPECT_EQ(TImageTransferTools::PrintFileQuality(0, 75), 90);
    EXPECT_EQ(TImageTransferTools::PrintFileQuality(3, 84.5), 84);
    EXPECT_EQ(TImageTransferTools::PrintFileQuality(3, 250), 100);
}

TEST(TImageTransferTools, RenderModes)
{
    // A landscape 600 x 400 photo, a portrait 100 x 150 mm print of 400 x 600
    // pixels: the frame is turned for the photo when the mode allows.
    QImage photo(600, 400, QImage::Format_RGB32);
    photo.fill(qRgb(200, 150, 100));
    const QSizeF mm(100, 150);
    const QSizeF px(400, 600);
    struct Case {
        const char* name;
        std::function<void(TImageEffects&)> setup;
        TOrderBitmapMode mode;
        int maxW, maxH;
        QSize expected;
    };
    const Case cases[] = {
        { "print, placement: frame size", [](TImageEffects& e) { e.SetZoom(1.5f); }, TOrderBitmapMode::obm_sizeMax, 0, 0,
          QSize(400, 600) },
        { "print, colours only: whole picture turned", [](TImageEffects& e) { e.SetSepia(true); },
          TOrderBitmapMode::obm_sizeMaxNoCrop, 0, 0, QSize(400, 600) },
        { "screen, never turned", [](TImageEffects&) {}, TOrderBitmapMode::obm_sizeMaxNoRotate, 300, 300,
          QSize(300, 200) },
        { "screen, no render: the whole picture as loaded", [](TImageEffects& e) { e.SetSepia(true); },
          TOrderBitmapMode::obm_sizeMaxNoRender, 300, 300, QSize(600, 400) },
        { "screen, framed and turned back", [](TImageEffects&) {}, TOrderBitmapMode::obm_sizeMax, 300, 300,
          QSize(200, 300) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageEffects e;
        c.setup(e);
        TImageEffectInfo info;
        const QSizeF s = TImageTransferTools::RenderPrepare(info, e, mm, QSizeF(photo.size()), true, false, c.maxW,
                                                            c.maxH, c.mode, px);
        EXPECT_GT(s.width(), 0);
        const QImage cached = photo.copy();
        const QImage out = TImageTransferTools::Render(e, info, cached, true, c.mode);
        EXPECT_EQ(out.size(), c.expected);
        EXPECT_EQ(cached.pixel(0, 0), qRgb(200, 150, 100)); // the cache's surface is never changed
    }
}

TEST(TImageTransferTools, PrintFileReadsBack)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("photo.jpg"));
    QImage img(900, 600, QImage::Format_RGB32);
    img.fill(qRgb(90, 120, 200));
    TImageCodec::SaveToFile(img, source, 95);

    TImageEffects e;
    e.SetZoom(1.2f);
    e.SetAngle(5);
    e.framingCorrect(QSizeF(900, 600), QSizeF(100, 150), true, false);
    e.SetBlackAndWhite(true);
    const int dpi = 127;
    const QSizeF mm(100, 150);
    const QSizeF px(mm.width() * dpi / 25.4, mm.height() * dpi / 25.4); // 500 x 750
    TImageEffectInfo info;
    const QSizeF s = TImageTransferTools::RenderPrepare(info, e, mm, QSizeF(900, 600), true, false, 0, 0,
                                                        TOrderBitmapMode::obm_sizeMax, px);
    QImage loaded = TImageCodec::LoadFromFile(source, int(std::lround(s.width())), int(std::lround(s.height())));
    const QImage out = TImageTransferTools::Render(e, info, loaded, false, TOrderBitmapMode::obm_sizeMax);
    const QString path = TImageTransferTools::PrintFilePathChoose(
        dir.path(), 2, e.RedEyes(), 0, TImageTransferTools::PrintFileExtension(source, false, false));
    TImageCodec::SaveToFile(out, path, TImageTransferTools::PrintFileQuality(0, 0), dpi);

    QImageReader reader(path);
    const QImage back = reader.read();
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(500, 750));
    EXPECT_NEAR(back.dotsPerMeterX() * 0.0254, dpi, 0.5);
    const QRgb centre = back.pixel(250, 375);
    EXPECT_NEAR(qRed(centre), 136, 4); // black and white: (90 + 120 + 200) / 3
    EXPECT_NEAR(qGreen(centre), 136, 4);
    EXPECT_NEAR(qBlue(centre), 136, 4);
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("2_")));
}

TEST(TImageTransferTools, RawCopyAsJpeg)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("scan.png"));
    QImage img(320, 200, QImage::Format_RGB32);
    img.fill(qRgb(10, 200, 30));
    TImageCodec::SaveToFile(img, source, 0);
    const QString path = dir.filePath(QStringLiteral("YR_1_000000000.jpg"));
    TImageTransferTools::WriteRawAsJpeg(source, path);
    const QImage back(path);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(320, 200));
    EXPECT_NEAR(qGreen(back.pixel(100, 100)), 200, 3);
    EXPECT_THROW(TImageTransferTools::WriteRawAsJpeg(dir.filePath(QStringLiteral("missing.png")), path), Exception);
}
