// Program resources and lab pictures: resource files shared between objects,
// decoration pictures fetched on workers only (once for two workers, nothing
// kept after a failure), the download contexts' choice of server, the sound.
#include "MediaFakes.h"
#include "ULabPartyContracts.h"
#include "UQzFileSystemRes.h"
#include "UThreadTaskQueue.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace mediafakes;

namespace {

class FakeLab : public ILabPictureSource {
public:
    struct Shared {
        std::atomic<int> calls { 0 };
        std::atomic<bool> fail { false };
        QByteArray bytes;
    };
    explicit FakeLab(Shared& s) : fShared(s) { }
    QByteArray LoadScrapBytes(const QString& scrapId) override
    {
        ++fShared.calls;
        // A slow server, so that a second worker arrives during the download.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (fShared.fail)
            throw Exception(QStringLiteral("server down"));
        return fShared.bytes;
    }
    QByteArray LoadVisualBytes(int) override { return LoadScrapBytes(QString()); }

private:
    Shared& fShared;
};

struct LabWorld {
    QTemporaryDir tmp;
    MediaMainFrame main;
    FakeLab::Shared lab;
    LabWorld()
    {
        main.config.base = tmp.path();
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(Qt::green);
        lab.bytes = TImageCodec::EncodeJpeg(img, 90);
        QzfsSetLabPictureSourceFactory([this](IMainFrame*, bool) { return std::make_unique<FakeLab>(lab); });
    }
    ~LabWorld() { QzfsSetLabPictureSourceFactory(nullptr); }
};

void runOnWorker(TThreadTaskQueue& q, const std::function<void()>& f, std::atomic<int>& done)
{
    q.AddCall([f, &done] {
        f();
        ++done;
    });
}

} // namespace

TEST(QzfsRes, ResourceFilesAreShared)
{
    QTemporaryDir tmp;
    MediaMainFrame main(tmp.path());
    auto a = std::make_unique<TImageBroken>(&main, QStringLiteral("filebroken"), QStringLiteral("jpg"));
    const QString path = main.config.CalcInternalResPath() + QStringLiteral("/filebroken.jpg");
    EXPECT_TRUE(a->Exists());
    EXPECT_EQ(a->ImageSize(), QSizeF(320, 240));
    EXPECT_FALSE(a->IsImageValid());
    EXPECT_EQ(a->DebugLabel(), QStringLiteral("TImageBroken(filebroken)"));
    auto b = std::make_unique<TImageBroken>(&main, QStringLiteral("filebroken"), QStringLiteral("jpg"));
    a.reset();
    EXPECT_TRUE(QFileInfo::exists(path)); // the other object still uses it
    b.reset();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_THROW(TImageExeResource(&main, QStringLiteral("nosuch"), QStringLiteral("jpg")), EResNotFound);
}

TEST(QzfsRes, ScrapPicturesAreFetchedOnWorkersOnce)
{
    LabWorld w;
    TQzfsFolderResScrapRoot scrap(&w.main, QStringLiteral("scrap:"));
    TOrderImageRef img = scrap.ImageFind(QStringLiteral("frame01.png"), QString(), QString());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->ImageID(), QStringLiteral("scrap:\\frame01.png"));
    EXPECT_TRUE(img->IsImageScrap());
    for (const char* bad : { "", "../frame01.png", "a\\frame01.png", "..", "frame01.txt" })
        EXPECT_FALSE(scrap.ImageFind(QString::fromUtf8(bad), QString(), QString())) << bad;

    // The main thread never downloads: the picture reads as broken.
    EXPECT_THROW(img->ImageSize(), EImgNotSupported);
    EXPECT_EQ(w.lab.calls.load(), 0);

    // A failed download is logged and leaves nothing behind.
    w.lab.fail = true;
    TThreadTaskQueue q1(QCoreApplication::instance(), &w.main, QStringLiteral("w1"));
    TThreadTaskQueue q2(QCoreApplication::instance(), &w.main, QStringLiteral("w2"));
    std::atomic<int> done { 0 };
    auto* scrapImg = static_cast<TResScrapImage*>(img.get());
    runOnWorker(q1, [scrapImg] { scrapImg->checkFile(); }, done);
    ASSERT_TRUE(testsupport::waitFor([&] { return done == 1; }));
    EXPECT_EQ(w.lab.calls.load(), 1);
    EXPECT_FALSE(QFileInfo::exists(scrapImg->ImagePath()));

    // Two workers asking for the same picture wait for one download.
    w.lab.fail = false;
    TOrderImageRef other = scrap.ImageFind(QStringLiteral("frame01.png"), QString(), QString());
    auto* otherImg = static_cast<TResScrapImage*>(other.get());
    runOnWorker(q1, [scrapImg] { scrapImg->checkFile(); }, done);
    runOnWorker(q2, [otherImg] { otherImg->checkFile(); }, done);
    ASSERT_TRUE(testsupport::waitFor([&] { return done == 3; }));
    EXPECT_EQ(w.lab.calls.load(), 2);
    EXPECT_EQ(testsupport::readAll(scrapImg->ImagePath()), w.lab.bytes);
    EXPECT_EQ(img->ImageSize(), QSizeF(8, 8));
}

TEST(QzfsRes, DownloadContextChoosesItsServer)
{
    struct Frame : MediaMainFrame {
        Photographe2 ph;
        Photographe2* GetWebSvcPhotographer() override { return &ph; }
    } frame;
    EXPECT_EQ(TBaseLoadCtx(&frame, true).Status(), loadResOld); // no server at all
    frame.ph.setServeurFtpForUpdate(QStringLiteral("ftp.example"));
    frame.ph.setProtoFtpForUpdate(QStringLiteral("FTP"));
    frame.ph.setServeurFtpOrHttp(QStringLiteral("http://127.0.0.1:9"));
    frame.ph.setProtoFtp(QStringLiteral("http"));
    // An update server of another protocol does not fall back on the file server.
    EXPECT_EQ(TBaseLoadCtx(&frame, false).Status(), loadResOld);
    frame.ph.setServeurFtpForUpdate(QString());
    EXPECT_EQ(TBaseLoadCtx(&frame, false).Status(), loadResNew);
    EXPECT_EQ(TBaseLoadCtx(&frame, true).Status(), loadResStart);
}

TEST(QzfsRes, Sound)
{
    QTemporaryDir tmp;
    MediaMainFrame main(tmp.path());
    const QString path = main.config.CalcInternalResPath() + QStringLiteral("/mediaforgotten.wav");
    TSoundExeResource::SetPlayerCommand({ QStringLiteral("true") });
    {
        TSoundExeResource sound(&main, QStringLiteral("mediaforgotten"), QStringLiteral("wav"));
        EXPECT_TRUE(QFileInfo::exists(path));
        EXPECT_FALSE(sound.Playing());
        sound.PlayStart();
        EXPECT_TRUE(testsupport::waitFor([&] { return !sound.Playing(); }));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    TSoundExeResource::SetPlayerCommand({ QStringLiteral("paplay") });
}
