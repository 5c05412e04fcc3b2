// Social-network albums and photos, and their media folders, against the
// simulated social network: paging caps, hostile listings, the choice of a
// stored size, cache files, downloads shared between threads, and what is
// left of a customer once his log-in or his visit ends.
#include "MediaFakes.h"
#include "SocialSim.h"
#include "TestSupport.h"
#include "UOrderImageFile.h"
#include "UQzFileSystemFacebook.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <gtest/gtest.h>
#include <thread>

using mediafakes::MediaMainFrame;
using testsupport::LabSim;

namespace {

QJsonObject photo(const QString& id, const QJsonArray& sizes, const QJsonValue& created = QStringLiteral("2016-08-01T12:00:00+0000"))
{
    return { { "id", id }, { "name", QStringLiteral("P") + id }, { "created_time", created }, { "ext", ".png" }, { "sizes", sizes } };
}

QJsonArray wh(int w, int h) { return QJsonArray { w, h }; }

class SocialFs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start()) << qPrintable(sim.error());
        main.config.base = tmp.path();
        top = std::make_shared<TQzfsFacebookSessionsRoot>(&main, cachePath(), QStringLiteral("facebook:"));
    }

    QString cachePath() const { return tmp.path() + QStringLiteral("/ImagesCache"); }
    QString cacheFile(const QString& rel) const { return cachePath() + QStringLiteral("/facebook%3A/") + rel; }

    std::shared_ptr<TFacebookGraphPhoto> login(const QString& who = QStringLiteral("alice"),
                                               const QString& pw = QStringLiteral("wonderland"))
    {
        return socialsim::loggedIn<TFacebookGraphPhoto>(sim, who, pw);
    }

    bool setWorld(const QJsonObject& users, int perPage = 25)
    {
        return sim.command({ { "cmd", "social" }, { "op", "world" },
                             { "world", QJsonObject { { "users", users }, { "per_page", perPage } } } })
            .value("ok")
            .toBool();
    }

    std::shared_ptr<TQzfsFolderAdvBase> album(const QString& path)
    {
        return std::dynamic_pointer_cast<TQzfsFolderAdvBase>(top->FolderFind(path));
    }

    std::unique_ptr<TQzfsFacebookImage> picture(const QString& albumPath, int idx)
    {
        auto a = album(albumPath);
        if (!a)
            return nullptr;
        TOrderImageRef img = a->SubImageByIndice(idx);
        return std::unique_ptr<TQzfsFacebookImage>(dynamic_cast<TQzfsFacebookImage*>(img.release()));
    }

    int requestsTo(const QString& path)
    {
        int n = 0;
        for (const auto& e : sim.journal())
            n += e.toObject().value("path").toString() == path;
        return n;
    }

    LabSim sim;
    QTemporaryDir tmp;
    MediaMainFrame main;
    std::shared_ptr<TQzfsFacebookSessionsRoot> top;
};

} // namespace

TEST(FacebookPhoto, SizeChoiceTable)
{
    const auto images = TFacebookJson::parse(R"([
        {"width": 2048, "height": 1536, "source": "http://h/p/a_2048.jpg?oh=1&oe=2"},
        {"width": 960, "height": 720, "source": "http://h/p/a_960.jpg"},
        {"width": 320, "height": 240, "source": "http://h/p/a_320.jpg"}])");
    TFacebookPhoto p(nullptr, QStringLiteral("77"), QString(), QDateTime(), QStringLiteral("http://h/p/123_n.jpg?oh=1&oe=2"), images);
    struct Case {
        const char* name;
        int w, h;
        QSize chosen;
    } cases[] = {
        { "thumbnail request (200, 200)", 200, 200, QSize(320, 240) },
        { "zero is the floor 256", 0, 0, QSize(320, 240) },
        { "largest", -1, -1, QSize(2048, 1536) },
        { "negative width is unbounded", -5, 300, QSize(2048, 1536) },
        { "near the middle", 1000, 700, QSize(960, 720) },
        { "huge", 1 << 30, 1 << 30, QSize(2048, 1536) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(p.FileWithSize(c.w, c.h)->Size(), c.chosen);
    }
    EXPECT_EQ(p.SizeMax(), QSize(2048, 1536));
    EXPECT_EQ(p.Name(), QStringLiteral("77")) << "no name: the id";
    EXPECT_TRUE(p.SourceWithoutHttpArg().endsWith(QStringLiteral("/p/123_n.jpg")));
    EXPECT_EQ(p.SourceExt(), QStringLiteral(".jpg"));
    EXPECT_EQ(p.FileWithSizeMax()->SourceExt(), QStringLiteral(".jpg"));

    // Equally distant sizes: the later one wins.
    TFacebookPhoto tie(nullptr, QStringLiteral("78"), QString(), QDateTime(), QStringLiteral("x"), TFacebookJson::parse(R"([
        {"width": 300, "height": 200, "source": "http://h/a"}, {"width": 200, "height": 300, "source": "http://h/b"}])"));
    EXPECT_EQ(tie.FileWithSize(256, 256)->Size(), QSize(200, 300));
}

TEST(FacebookPhoto, UnusableStoredSizesAreLeftOutAndNoSizeIsAClearError)
{
    const auto images = TFacebookJson::parse(R"([
        {"height": 100, "source": "http://h/a"},
        {"width": "100", "height": 100, "source": "http://h/b"},
        {"width": -4, "height": 100, "source": "http://h/c"},
        {"width": 100000000, "height": 100, "source": "http://h/d"},
        {"width": 100, "height": 100},
        "not an object",
        {"width": 640, "height": 480, "source": "http://h/ok"}])");
    TFacebookPhoto p(nullptr, QStringLiteral("5"), QStringLiteral("n"), QDateTime(), QStringLiteral("http://h/x.jpg"), images);
    ASSERT_EQ(p.Children().size(), 1u);
    EXPECT_EQ(p.SizeMax(), QSize(640, 480));

    TFacebookPhoto none(nullptr, QStringLiteral("6"), QString(), QDateTime(), QStringLiteral("x"), TFacebookJson::parse("[]"));
    try {
        none.FileWithSizeMax();
        ADD_FAILURE() << "a photo without sizes gave a file";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Facebook file 6 invalid !"));
    }
}

TEST(FacebookPhoto, UrlPartsAndPhotoIdsOfCachedFiles)
{
    struct Case {
        const char* name;
        QString url, without, ext;
    } cases[] = {
        { "query cut", "https://cdn/p/123_n.jpg?oh=1&oe=2", "https://cdn/p/123_n.jpg", ".jpg" },
        { "no query", "https://cdn/p/123_n.png", "https://cdn/p/123_n.png", ".png" },
        { "question mark first", "?x", "?x", "" },
        { "no extension", "https://cdn/p/123", "https://cdn/p/123", "" },
        { "dot in a folder only", "https://cdn.example/p/123", "https://cdn.example/p/123", "" },
        { "hostile extension", "https://cdn/p/a.jp\\..\\g", "https://cdn/p/a.jp\\..\\g", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FacebookSourceWithoutHttpArg(c.url), c.without);
        EXPECT_EQ(FacebookSourceExt(FacebookSourceWithoutHttpArg(c.url)), c.ext);
    }
    EXPECT_EQ(TFacebookAlbums::PhotoIdFromFilePath(QStringLiteral("C:\\cache\\12345-b.jpg")), QStringLiteral("12345"));
    EXPECT_EQ(TFacebookAlbums::PhotoIdFromFilePath(QStringLiteral("/cache/-12345.jpg")), QStringLiteral("-12345"));
    EXPECT_EQ(TFacebookAlbums::PhotoIdFromFilePath(QStringLiteral("/cache/1-2-3.jpg")), QStringLiteral("1-2"));
}

TEST_F(SocialFs, AlbumsAndPhotosComeInReplyOrderWithDates)
{
    auto graph = login();
    ASSERT_TRUE(graph);
    IFacebookAlbumsRef albums = graph->CreateAlbums();
    ASSERT_TRUE(albums->Loaded());
    const auto list = albums->Children();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Id(), QStringLiteral("720"));
    EXPECT_EQ(list[0]->Name(), QStringLiteral("Holidays"));
    EXPECT_FALSE(list[0]->Loaded()) << "photos are loaded on first use";

    IFacebookPhotoRef beach = list[0]->RetrievePhotoFromFileIndice(0);
    ASSERT_TRUE(beach);
    EXPECT_EQ(beach->Id(), QStringLiteral("934"));
    EXPECT_EQ(beach->Date(), QDateTime(QDate(2016, 8, 1), QTime(10, 34, 56), Qt::UTC));
    EXPECT_EQ(list[0]->RetrievePhotoFromFileIndice(1)->Date(), QDateTime(QDate(2016, 8, 2), QTime(10, 0), Qt::UTC));
    IFacebookPhotoRef undated = list[0]->RetrievePhotoFromFileIndice(2);
    EXPECT_FALSE(undated->Date().isValid()) << "a missing creation time is no date, not the loading time";
    EXPECT_EQ(undated->Name(), QStringLiteral("936"));
    EXPECT_EQ(list[0]->RetrievePhotoFromFileIndice(3), nullptr);
    EXPECT_EQ(list[0]->RetrievePhotoFromFileIndice(-1), nullptr);

    EXPECT_EQ(albums->RetrievePhotoFromFileId(QStringLiteral("940"))->Name(), QStringLiteral("Granny"));
    EXPECT_EQ(albums->RetrievePhotoFromFilePath(QStringLiteral("/x/940-thumb.png"))->Id(), QStringLiteral("940"));
    EXPECT_EQ(albums->RetrievePhotoFromFileId(QStringLiteral("999")), nullptr);
}

TEST_F(SocialFs, PagingIsCappedAndLoopsEnd)
{
    QJsonArray many;
    for (int i = 0; i < 30; ++i)
        many.append(QJsonObject { { "id", QString::number(5000 + i) }, { "name", QStringLiteral("A%1").arg(i) }, { "photos", QJsonArray {} } });
    ASSERT_TRUE(setWorld({ { "153", QJsonObject { { "name", "Alice" }, { "login", "alice" }, { "password", "wonderland" }, { "albums", many } } } }, 1));
    auto graph = login();
    ASSERT_TRUE(graph);
    sim.clearJournal();
    EXPECT_EQ(graph->CreateAlbums()->Children().size(), size_t(FacebookAlbumPagesMax));
    EXPECT_EQ(requestsTo(QStringLiteral("/graph/v2.7/me/albums")), 11);

    struct Case {
        const char* name;
        QString album;
        int pages;
        bool loop;
        int photos, requests;
    } cases[] = {
        { "250 pages read up to 101", "900", 250, false, 101, 101 },
        { "3 pages read whole", "901", 3, false, 3, 3 },
        { "a page naming the first page again", "902", 50, true, 1, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(sim.command({ { "cmd", "social" }, { "op", "album_pages" }, { "album", c.album }, { "pages", c.pages },
                                  { "per_page", 1 }, { "loop", c.loop } })
                        .value("ok")
                        .toBool());
        sim.clearJournal();
        TFacebookAlbum a(graph, c.album, QStringLiteral("gen"));
        a.Load();
        EXPECT_EQ(a.Count(), c.photos);
        EXPECT_EQ(requestsTo(QStringLiteral("/graph/v2.7/") + c.album + QStringLiteral("/photos")), c.requests);
    }
}

TEST_F(SocialFs, HostileListingElementsAreLeftOutAndTheRestLoads)
{
    QJsonObject missingPicture = photo("803", QJsonArray { wh(100, 100) });
    missingPicture["picture"] = QJsonValue::Null;
    QJsonObject missingImages = photo("804", QJsonArray { wh(100, 100) });
    missingImages["images"] = QJsonValue::Null;
    const QJsonArray photos {
        photo("800", QJsonArray { wh(100, 100) }),
        photo("..", QJsonArray { wh(100, 100) }),
        photo("a\\..\\b", QJsonArray { wh(100, 100) }),
        photo("x/y", QJsonArray { wh(100, 100) }),
        photo("800", QJsonArray { wh(50, 50) }),
        missingPicture,
        missingImages,
        photo("805", QJsonArray { wh(100, 100) }, QStringLiteral("yesterday")),
        photo("806", QJsonArray { wh(100, 100) }),
    };
    const QJsonArray albums {
        QJsonObject { { "id", "../etc" }, { "name", "bad" }, { "photos", QJsonArray {} } },
        QJsonObject { { "id", "710" }, { "name", "Mixed" }, { "photos", photos } },
        QJsonObject { { "id", "710" }, { "name", "Again" }, { "photos", QJsonArray {} } },
    };
    ASSERT_TRUE(setWorld({ { "153", QJsonObject { { "name", "Alice" }, { "login", "alice" }, { "password", "wonderland" }, { "albums", albums } } } }));
    auto graph = login();
    ASSERT_TRUE(graph);
    auto list = graph->CreateAlbums()->Children();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->Name(), QStringLiteral("Mixed"));
    list[0]->Load();
    ASSERT_EQ(list[0]->Count(), 3);
    EXPECT_EQ(list[0]->RetrievePhotoFromFileIndice(0)->SizeMax(), QSize(100, 100)) << "the first of a duplicated id stays";
    EXPECT_EQ(list[0]->RetrievePhotoFromFileIndice(1)->Id(), QStringLiteral("805"));
    EXPECT_FALSE(list[0]->RetrievePhotoFromFileIndice(1)->Date().isValid());
    EXPECT_EQ(list[0]->RetrievePhotoFromFileIndice(2)->Id(), QStringLiteral("806"));
}

TEST_F(SocialFs, AnAccountIsAddedOnceAndShowsItsAlbumsAndPictures)
{
    EXPECT_FALSE(top->HasImagesInSubFolders());
    EXPECT_TRUE(top->IsGhostNode());
    const quint32 tick0 = top->refreshTick();
    auto graph = login();
    ASSERT_TRUE(graph);
    auto session = top->AddGraphSession(graph);
    ASSERT_TRUE(session);
    EXPECT_EQ(top->refreshTick(), tick0 + 1);
    EXPECT_EQ(top->AddGraphSession(login()), session) << "the same user again keeps the first folder";
    EXPECT_EQ(top->refreshTick(), tick0 + 1);
    EXPECT_TRUE(top->HasImagesInSubFolders());
    EXPECT_EQ(session->folderId(), QStringLiteral("facebook:\\153"));
    EXPECT_EQ(session->folderLabel(), QStringLiteral("Alice Example"));

    auto a = album(QStringLiteral("153\\720"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->folderLabel(), QStringLiteral("Holidays"));
    auto img = picture(QStringLiteral("153\\720"), 0);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->ImageID(), QStringLiteral("facebook:\\153\\720\\934.png"));
    EXPECT_EQ(img->ImageLabel(), QStringLiteral("Beach"));
    EXPECT_EQ(img->ImageSize(), QSizeF(2048, 1536));
    EXPECT_TRUE(img->hasExifDate());
    EXPECT_EQ(img->ImageDate(), QDateTime(QDate(2016, 8, 1), QTime(10, 34, 56), Qt::UTC));

    TOrderImageRef found = top->ImageFind(QStringLiteral("153\\720\\934.png"), QString(), QString());
    ASSERT_TRUE(found);
    EXPECT_TRUE(dynamic_cast<TQzfsFacebookImage*>(found.get()));
    EXPECT_FALSE(top->ImageFind(QStringLiteral("153\\720\\934.jpg"), QString(), QString())) << "another extension is another picture";
    EXPECT_FALSE(top->ImageFind(QStringLiteral("153\\720\\..\\934.png"), QString(), QString()));
    auto undated = picture(QStringLiteral("153\\720"), 2);
    EXPECT_FALSE(undated->ImageDate().isValid()) << "no date, not the time of loading";
    EXPECT_FALSE(undated->hasExifDate());
    EXPECT_EQ(requestsTo(QStringLiteral("/graph/pictures/934_2048x1536.png")), 0) << "browsing downloads nothing";
    EXPECT_EQ(requestsTo(QStringLiteral("/graph/pictures/936_1024x768.png")), 0) << "nor does reading a missing date";

    // A second user is a second folder.
    auto bob = top->AddGraphSession(login(QStringLiteral("bob"), QStringLiteral("builder")));
    EXPECT_NE(bob, session);
    EXPECT_EQ(top->refreshTick(), tick0 + 2);
}

TEST_F(SocialFs, TheBoxWidthChoosesTheFileFetched)
{
    top->AddGraphSession(login());
    struct Case {
        const char* name;
        int w;
        QSize bitmap;
        bool thumbFile, fullFile;
    } cases[] = {
        { "160: small stored size", 160, QSize(160, 120), true, false },
        { "800: full file reduced", 800, QSize(800, 600), true, true },
        { "4000: full decode", 4000, QSize(2048, 1536), true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto img = picture(QStringLiteral("153\\720"), 0);
        ASSERT_TRUE(img);
        QImage bmp;
        img->LoadBitmap(bmp, c.w, c.w, TOrderBitmapMode::obm_sizeMax);
        EXPECT_EQ(bmp.size(), c.bitmap);
        EXPECT_EQ(QFileInfo::exists(cacheFile(QStringLiteral("153/720/934.png.png"))), c.thumbFile);
        EXPECT_EQ(QFileInfo::exists(cacheFile(QStringLiteral("153/720/934.png"))), c.fullFile);
    }
    EXPECT_EQ(requestsTo(QStringLiteral("/graph/pictures/934_320x240.png")), 1);
    EXPECT_EQ(requestsTo(QStringLiteral("/graph/pictures/934_2048x1536.png")), 1) << "a cached file is never fetched again";

    // A photo with one stored size has no thumbnail file of its own.
    auto single = picture(QStringLiteral("153\\720"), 1);
    QImage bmp;
    single->LoadBitmap(bmp, 160, 160, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(160, 120));
    EXPECT_TRUE(QFileInfo::exists(cacheFile(QStringLiteral("153/720/935.png"))));
    EXPECT_FALSE(QFileInfo::exists(cacheFile(QStringLiteral("153/720/935.png.png"))));
}

TEST_F(SocialFs, AFailedDownloadIsReportedAndTriedAgain)
{
    top->AddGraphSession(login());
    auto img = picture(QStringLiteral("153\\720"), 0);
    struct Case {
        const char* name;
        QJsonObject fault;
    } cases[] = {
        { "status 500", { { "kind", "reply" }, { "status", 500 }, { "body", "<html>oops</html>" } } },
        { "connection closed", { { "kind", "close" } } },
        { "reply cut short", { { "kind", "cut" }, { "after", 100 } } },
        { "empty 200", { { "kind", "reply" }, { "status", 200 }, { "body", "" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject rule = c.fault;
        rule["path"] = QStringLiteral("/graph/pictures/934_2048x1536.png");
        rule["times"] = 1;
        ASSERT_TRUE(sim.addFault(rule));
        QImage bmp;
        EXPECT_THROW(img->LoadBitmap(bmp, 800, 800, TOrderBitmapMode::obm_sizeMax), EImgNotSupported);
        EXPECT_FALSE(QFileInfo::exists(cacheFile(QStringLiteral("153/720/934.png"))));
        EXPECT_TRUE(QDir(cacheFile(QStringLiteral("153/720"))).entryList(QDir::Files).isEmpty()) << "no partial file";
    }
    QImage bmp;
    img->LoadBitmap(bmp, 800, 800, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(800, 600)) << "the same picture object fetches again once the network is back";
}

TEST_F(SocialFs, TwoWorkersAskingOneFullFileShareOneDownload)
{
    top->AddGraphSession(login());
    auto a = picture(QStringLiteral("153\\720"), 0);
    auto b = picture(QStringLiteral("153\\720"), 0);
    ASSERT_TRUE(sim.addFault({ { "kind", "slow" }, { "chunk", 2048 }, { "delay_ms", 40 },
                               { "path", "/graph/pictures/934_2048x1536.png" } }));
    QString pa, pb;
    std::thread t1([&] { pa = a->fullFileGet(); });
    ASSERT_TRUE(testsupport::waitFor([&] { return requestsTo(QStringLiteral("/graph/pictures/934_2048x1536.png")) == 1; }));
    std::thread t2([&] { pb = b->fullFileGet(); });
    t1.join();
    t2.join();
    EXPECT_EQ(pa, pb);
    EXPECT_TRUE(QFileInfo(pa).isFile());
    EXPECT_EQ(requestsTo(QStringLiteral("/graph/pictures/934_2048x1536.png")), 1);
}

TEST_F(SocialFs, BrowsingOneAlbumFromTwoThreadsBeforeItIsLoadedRefusesTheSecond)
{
    top->AddGraphSession(login());
    auto a = album(QStringLiteral("153\\721"));
    ASSERT_TRUE(a);
    ASSERT_TRUE(sim.addFault({ { "kind", "slow" }, { "chunk", 64 }, { "delay_ms", 60 }, { "path", "/graph/v2.7/721/photos" } }));
    TOrderImageRef first;
    std::thread t([&] { first = a->SubImageByIndice(0); });
    ASSERT_TRUE(testsupport::waitFor([&] { return requestsTo(QStringLiteral("/graph/v2.7/721/photos")) == 1; }));
    try {
        a->SubImageByIndice(0);
        ADD_FAILURE() << "the second load was not refused";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TQzfsFacebookFolderBase.loadLock: double call"));
    }
    t.join();
    ASSERT_TRUE(first);
    EXPECT_TRUE(a->SubImageByIndice(0)) << "once loaded, both threads browse";
}

TEST_F(SocialFs, APhotoOfTheOrderOutlivesTheLogInButNotTheVisit)
{
    auto graph = login();
    top->AddGraphSession(graph);
    auto used = picture(QStringLiteral("153\\720"), 0);
    used->UsedPrepare(&main); // no copy queue here: fetched at once
    EXPECT_TRUE(QFileInfo::exists(cacheFile(QStringLiteral("153/720/934.png"))));
    auto browsed = picture(QStringLiteral("153\\720"), 1);
    QImage bmp;
    browsed->LoadBitmap(bmp, 100, 100, TOrderBitmapMode::obm_sizeMax);

    top->AccountsClear();
    EXPECT_TRUE(graph->accessToken().isEmpty()) << "the token is gone with the account";
    EXPECT_THROW(graph->loginId(), Exception);
    EXPECT_FALSE(top->HasImagesInSubFolders());
    TOrderImageRef again = top->ImageFind(QStringLiteral("153\\720\\934.png"), QStringLiteral("Beach"), QStringLiteral("d"));
    ASSERT_TRUE(again);
    EXPECT_TRUE(dynamic_cast<TOrderImageCacheFacebook*>(again.get()));
    EXPECT_EQ(again->ImageLabel(), QStringLiteral("Beach"));
    again->LoadBitmap(bmp, 300, 300, TOrderBitmapMode::obm_sizeMax);
    EXPECT_EQ(bmp.size(), QSize(300, 225));
    // 935 was fetched in full (its one size) while browsing; 936 never.
    EXPECT_FALSE(top->ImageFind(QStringLiteral("153\\720\\936.png"), QString(), QString()));

    top->SessionClear();
    EXPECT_FALSE(top->ImageFind(QStringLiteral("153\\720\\934.png"), QStringLiteral("Beach"), QString()));
    EXPECT_FALSE(QDir(cachePath() + QStringLiteral("/facebook%3A")).exists());
}
