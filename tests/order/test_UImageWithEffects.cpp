// Print files of pictures with effects: what a file holds for each kind of
// effect list (size, resolution, Exif, raw copies), files made before an
// edit are never sent, bad pictures fail alone, and screen renderings
// through the bitmap cache.
#include "OrderFakes.h"
#include "UImageCodec.h"
#include "UImageTirageData.h"
#include "UOrderBitmapCache.h"
#include "UOrderImageFile.h"
#include "UTirageProduct.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace orderfakes;

namespace {

// A main frame with a real bitmap cache and a raw-copy rule set by the test.
class TransferMainFrame : public OrderMainFrame {
public:
    IOrderBitmapRef BitmapCache(TImageSource* imageParent, int bitmapWidthMax, int bitmapHeightMax,
                                TOrderBitmapMode bitmapMode) override
    {
        return cache.Access(imageParent, bitmapWidthMax, bitmapHeightMax, bitmapMode);
    }
    TImgRawMode ToTransferAsRowIfPossible(const QString&) override { return rawMode; }
    bool FilesToCrypt() override { return false; }

    TOrderBitmapCache cache { this };
    TImgRawMode rawMode = TImgRawMode::irm_noop;
};

const QDateTime kShot(QDate(2026, 7, 14), QTime(10, 30, 15));

// A 600 x 400 photo with a capture date in its Exif block.
QByteArray photoBytes()
{
    QImage img(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x * 255 / 600, y * 255 / 400, 90));
    return TExifWriter::WriteSoftwareAndDate(TImageCodec::EncodeJpeg(img, 90), QStringLiteral("Camera"), kShot);
}

// An order whose 10 x 15 cm print product (2 copies, 300 dpi) takes photo
// files; print files go to a transfer folder of the test.
class TransferEnv {
public:
    TransferEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestTemplateProduct>(o); });
        TAlbumProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestAlbumProduct>(o); });
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
        order->SetTempPath(dir.filePath(QStringLiteral("transfer")));
        order->SetPrintDateFormat(TPrintDateFormat::pdWithDate);
        product = order->TirageProductAdd(main.addTirage(1, 10, 15), 2);
    }
    ~TransferEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
        TTemplateProduct::SetFactory(nullptr);
        TAlbumProduct::SetFactory(nullptr);
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testsupport::writeAll(path, bytes));
        return path;
    }
    // The print format of a new photo read from path.
    TImageTirageData* addPhoto(const QString& path)
    {
        auto* img = new TOrderImageFile(QStringLiteral("card\\") + QFileInfo(path).fileName(), path);
        TOrderImageBase* own = product->ImageUsedAdd(img);
        if (own != img)
            delete img;
        TImageTirageGroupData* group = order->ImagesSelectionneesTirageFind(own);
        EXPECT_NE(group, nullptr);
        return group ? group->LstFormats()[0] : nullptr;
    }
    QStringList transferFiles() const
    {
        return QDir(order->TempPath()).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir dir;
    TransferMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
    TTirageProduct* product = nullptr;
};

int dpiOf(const QImage& img)
{
    return int(std::lround(img.dotsPerMeterX() * 0.0254));
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ImageWithEffectsTransfer, PrintFileContents)
{
    struct Case {
        const char* name;
        std::function<void(TImageEffects&)> edit;
        TImgRawMode rawAllowed;
        const char* namePattern;
        QSize size;       // the file's pixels
        int dpi;          // the resolution written, 0 when the file is the photo's own
        bool sameBytes;   // the file is the photo's file
        bool exifWritten; // the system's own Exif block
    };
    const Case cases[] = {
        { "a placement is rendered at the print's size, frame turned for the landscape photo",
          [](TImageEffects& e) { e.SetZoom(1.25f); }, TImgRawMode::irm_rawKeepFmt, "^2_\\d{9}\\.jpg$",
          QSize(1181, 1772), 300, false, true },
        { "colours only: the whole picture, turned like the frame, filters applied",
          [](TImageEffects& e) { e.SetSepia(true); }, TImgRawMode::irm_rawKeepFmt, "^2_\\d{9}\\.jpg$",
          QSize(400, 600), 102, false, true },
        { "red eyes only, raw copy allowed: the photo's own file for the lab to correct",
          [](TImageEffects& e) { e.SetRedEyes(true); }, TImgRawMode::irm_rawKeepFmt, "^YR_2_\\d{9}\\.jpg$",
          QSize(600, 400), 0, true, false },
        { "no effects, JPEG copies only: the full picture at quality 95",
          [](TImageEffects&) {}, TImgRawMode::irm_rawAsJpeg, "^2_\\d{9}\\.jpg$", QSize(600, 400), 0, false, true },
        { "no effects, no raw copy: the whole picture rendered",
          [](TImageEffects&) {}, TImgRawMode::irm_noop, "^2_\\d{9}\\.jpg$", QSize(400, 600), 102, false, true },
    };
    const QByteArray source = photoBytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransferEnv env;
        env.main.rawMode = c.rawAllowed;
        const QString photo = env.write(QStringLiteral("photo.jpg"), source);
        TImageTirageData* print = env.addPhoto(photo);
        ASSERT_NE(print, nullptr);
        c.edit(*print->Effects());

        const QString path = print->ImageTransfo(&env.main, false);
        EXPECT_EQ(print->FTPFilepath(), path);
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(c.namePattern)).match(print->FTPFilename()).hasMatch())
            << print->FTPFilename().toStdString();
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(env.order->TempPath()).absoluteFilePath());

        QImageReader reader(path);
        const QImage back = reader.read();
        ASSERT_FALSE(back.isNull()) << reader.errorString().toStdString();
        EXPECT_NEAR(back.width(), c.size.width(), 1);
        EXPECT_NEAR(back.height(), c.size.height(), 1);
        if (c.dpi > 0)
            EXPECT_NEAR(dpiOf(back), c.dpi, 1);
        const QByteArray bytes = readAll(path);
        EXPECT_EQ(bytes == source, c.sameBytes);
        TSimplifiedExifData exif;
        ASSERT_TRUE(exif.LoadFromGraphic(path));
        EXPECT_EQ(exif.DateTimeOriginal(), kShot);
        EXPECT_EQ(bytes.contains(TOrderImageBase::ExifSoftwareName().toLatin1()), c.exifWritten);
        EXPECT_EQ(env.transferFiles(), QStringList { QFileInfo(path).fileName() });
    }
}

TEST(ImageWithEffectsTransfer, NoExifWithoutPrintedDates)
{
    TransferEnv env;
    env.order->SetPrintDateFormat(TPrintDateFormat::pdWithout);
    TImageTirageData* print = env.addPhoto(env.write(QStringLiteral("photo.jpg"), photoBytes()));
    print->Effects()->SetZoom(1.5f);
    const QString path = print->ImageTransfo(&env.main, false);
    TSimplifiedExifData exif;
    EXPECT_FALSE(exif.LoadFromGraphic(path) && exif.DateTimeOriginal().isValid());
    EXPECT_EQ(QImageReader(path).size(), QSize(1181, 1772));
}

TEST(ImageWithEffectsTransfer, AFileIsKeptUntilThePictureChanges)
{
    TransferEnv env;
    TImageTirageData* print = env.addPhoto(env.write(QStringLiteral("photo.jpg"), photoBytes()));
    print->Effects()->SetZoom(1.25f);

    const QString first = print->ImageTransfo(&env.main, false);
    // Mark the file: a second send of the unchanged picture takes it as it is.
    ASSERT_TRUE(testsupport::writeAll(first, QByteArrayLiteral("already sent")));
    EXPECT_EQ(print->ImageTransfo(&env.main, false), first);
    EXPECT_EQ(readAll(first), QByteArrayLiteral("already sent"));

    struct Step {
        const char* name;
        std::function<void()> change;
        const char* namePrefix;
    };
    const Step steps[] = {
        { "an effect edited after the render", [&] { print->Effects()->SetSepia(true); }, "2_" },
        { "an edit undone", [&] { print->Effects()->Undo(); }, "2_" },
        { "the effect list replaced", [&] {
              auto fresh = std::make_unique<TImageEffects>();
              fresh->SetAngle(5);
              print->SetEffects(std::move(fresh));
          }, "2_" },
        { "the quantity in the name changed", [&] { print->SetQuantity(5); }, "5_" },
        { "red-eye correction asked for", [&] { print->Effects()->SetRedEyes(true); }, "YR_5_" },
    };
    QString previous = first;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.change();
        const QString next = print->ImageTransfo(&env.main, false);
        EXPECT_NE(next, previous);
        EXPECT_FALSE(QFileInfo::exists(previous));
        EXPECT_TRUE(print->FTPFilename().startsWith(QLatin1String(s.namePrefix))) << print->FTPFilename().toStdString();
        EXPECT_FALSE(QImageReader(next).read().isNull());
        EXPECT_EQ(env.transferFiles(), QStringList { QFileInfo(next).fileName() });
        previous = next;
    }

    // A file that disappeared is made again under the same name.
    QFile::remove(previous);
    EXPECT_EQ(print->ImageTransfo(&env.main, false), previous);
    EXPECT_TRUE(QFileInfo::exists(previous));
    print->ImageTransfoReset();
    EXPECT_FALSE(QFileInfo::exists(previous));
    EXPECT_THROW(print->FTPFilepath(), Exception);
}

TEST(ImageWithEffectsTransfer, ABadPictureFailsAloneAndLeavesNoFile)
{
    const QByteArray good = photoBytes();
    QByteArray corrupt = good;
    for (int i = corrupt.size() / 3; i < corrupt.size() / 3 + 600; ++i)
        corrupt[i] = char(i * 13);
    struct Case {
        const char* name;
        QByteArray bytes; // empty: the oversized fixture
        bool tooBig;
    };
    const Case cases[] = {
        { "truncated JPEG", good.left(good.size() / 2), false },
        { "damaged JPEG", corrupt, false },
        { "not a picture", QByteArrayLiteral("these are no pixels"), false },
        { "too big to decode", QByteArray(), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransferEnv env;
        const QString badPath = c.bytes.isEmpty() ? testsupport::dataPath(QStringLiteral("huge.png"))
                                                  : env.write(QStringLiteral("bad.jpg"), c.bytes);
        TImageTirageData* bad = env.addPhoto(badPath);
        TImageTirageData* sound = env.addPhoto(env.write(QStringLiteral("sound.jpg"), good));
        bad->Effects()->SetZoom(1.25f);
        sound->Effects()->SetZoom(1.25f);
        try {
            bad->ImageTransfo(&env.main, false);
            ADD_FAILURE() << "a bad picture gave a print file";
        } catch (const EUser& e) {
            EXPECT_TRUE(c.tooBig) << e.Message().toStdString();
            EXPECT_EQ(e.Message(), QStringLiteral("The output resolution required by at least one of your selected "
                                                  "print products is too high for your device"));
            EXPECT_THROW(std::rethrow_exception(e.InnerException()), EImgTooBig);
        } catch (const Exception& e) {
            EXPECT_FALSE(c.tooBig) << e.Message().toStdString();
            EXPECT_FALSE(e.Message().isEmpty());
        }
        // The rest of the order goes on.
        const QString ok = sound->ImageTransfo(&env.main, false);
        EXPECT_EQ(QImageReader(ok).size(), QSize(1181, 1772));
        EXPECT_EQ(env.transferFiles(), QStringList { QFileInfo(ok).fileName() });
    }
}

TEST(ImageWithEffectsTransfer, ScreenRenderingsComeThroughTheCache)
{
    TransferEnv env;
    TImageTirageData* print = env.addPhoto(env.write(QStringLiteral("photo.jpg"), photoBytes()));
    print->Effects()->SetZoom(1.25f);
    print->Effects()->SetBlackAndWhite(true);
    struct Case {
        const char* name;
        TOrderBitmapMode mode;
        QSize expected;
    };
    const Case cases[] = {
        { "framed, frame turned for the photo", TOrderBitmapMode::obm_sizeMax, QSize(200, 300) },
        { "framed, never turned", TOrderBitmapMode::obm_sizeMaxNoRotate, QSize(300, 200) },
        // The frame (200 x 300) needs the photo at 0.75, times the zoom.
        { "whole picture at the size worth loading, filters applied", TOrderBitmapMode::obm_sizeMaxNoRender,
          QSize(562, 375) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IOrderBitmapRef bmp = env.main.cache.Access(print, 300, 300, c.mode);
        ASSERT_TRUE(bmp->IsBitmapLoaded(nullptr, nullptr, true));
        const QImage img = bmp->BitmapSurface();
        EXPECT_NEAR(img.width(), c.expected.width(), 1);
        EXPECT_NEAR(img.height(), c.expected.height(), 1);
        const QRgb mid = img.pixel(img.width() / 2, img.height() / 2);
        EXPECT_EQ(qRed(mid), qGreen(mid));
        EXPECT_EQ(qGreen(mid), qBlue(mid));
    }
}

TEST(ImageWithEffectsTransfer, EffectsAreStoredWithThePrintFormat)
{
    TransferEnv env;
    TImageTirageData* print = env.addPhoto(env.write(QStringLiteral("photo.jpg"), photoBytes()));
    print->Effects()->SetAngle(30);
    print->Effects()->SetSepia(true);
    TXMLSerializer writer;
    TImageEffects::XmlClassesRegister(writer);
    writer.ClassRegister(TImageTirageData::StaticClassInfo(), QStringLiteral("ImagePrintData"));
    writer.SaveObject(print);
    const QByteArray bytes = writer.SaveToBytes();
    const QString xml = QString::fromUtf8(bytes);
    const qsizetype effects = xml.indexOf(QStringLiteral("<ImagePrintData.Effects"));
    EXPECT_GE(effects, 0) << xml.toStdString();
    EXPECT_LT(effects, xml.indexOf(QStringLiteral("<ImagePrintData.Channel"))) << xml.toStdString();
    EXPECT_EQ(xml.count(QStringLiteral("<ImageEffectOpItem ")), 2) << xml.toStdString();

    TXMLSerializer reader;
    TImageEffects::XmlClassesRegister(reader);
    reader.ClassRegister(TImageTirageData::StaticClassInfo(), QStringLiteral("ImagePrintData"));
    reader.LoadFromBytes(bytes);
    auto back = reader.LoadObjectAs<TImageTirageData>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Effects()->Operations(), print->Effects()->Operations());
}
