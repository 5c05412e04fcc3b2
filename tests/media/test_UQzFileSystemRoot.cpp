// The media root: its sources per mode, reloading an order's pictures,
// placeholders, the demonstration set and the gallery, start-up drives,
// path translation; pictures from outside: extern ids and drops.
#include "DriveFakes.h"
#include "MediaFakes.h"
#include "UDragDropTools.h"
#include "UQzFileSystemDemo.h"
#include "UQzFileSystemDrives.h"
#include "UQzFileSystemExtern.h"
#include "UQzFileSystemRes.h"
#include "UQzFileSystemRoot.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

using namespace mediafakes;

namespace {

struct RootWorld {
    QTemporaryDir tmp;
    MediaMainFrame main;
    std::shared_ptr<FakeVolumes> volumes = std::make_shared<FakeVolumes>();
    TQzfsRootSources sources;
    std::shared_ptr<TQzfsFolderRoot> root;

    explicit RootWorld(bool kiosk = false)
        : main()
    {
        main.config.base = tmp.path();
        main.kiosk = kiosk;
        sources.volumes = volumes;
        sources.desktop = tmp.path() + QStringLiteral("/home/Desktop");
        sources.pictures = tmp.path() + QStringLiteral("/home/Pictures");
        sources.documents = tmp.path() + QStringLiteral("/home/Documents");
        sources.downloads = tmp.path() + QStringLiteral("/home/Downloads");
        auto top = [](const QString& id) {
            return [id](IQzfsRoot* r) -> IQzfsFolderRef {
                return std::make_shared<TQzfsFolderDiskRoot>(r->mainFrame(), id, QString(), id, 0);
            };
        };
        sources.bluetooth = top(QStringLiteral("bt:"));
        sources.facebook = top(QStringLiteral("facebook:"));
        sources.portableDevices = [](IQzfsRoot* r, const IQzfsFolderRef& drives) -> IQzfsFolderRef {
            EXPECT_TRUE(drives);
            return std::make_shared<TQzfsFolderDiskRoot>(r->mainFrame(), QStringLiteral("wpd:"), QString(), QString(), 0);
        };
    }
    void create() { root = TQzfsFolderRoot::Create(&main, tmp.path() + QStringLiteral("/ImagesCache"), sources); }
    QStringList prefixes()
    {
        QStringList out;
        TQzfsCursor c;
        for (int i = 0; IQzfsFolderRef f = root->FolderByIndice(i, c); ++i)
            out << f->folderId();
        return out;
    }
    QString stick(const QString& name)
    {
        const QString mp = tmp.path() + QStringLiteral("/media/") + name;
        QDir().mkpath(mp);
        volumes->plug(mp, QStringLiteral("/dev/sdb1"), FakeVolumes::stick(QStringLiteral("1234-ABCD")));
        return mp;
    }
};

} // namespace

TEST(QzfsRoot, SourcesPerMode)
{
    RootWorld home;
    home.create();
    EXPECT_EQ(home.prefixes(), QStringList({ "bt:", "facebook:", "demo:", "desktop:", "pictures:", "documents:",
                                             "download:", "root:", "extern:", "scrap:" }));
    EXPECT_FALSE(home.root->DrivesAltAvailable());
    EXPECT_FALSE(home.root->FolderGalleryProAvailable());
    EXPECT_TRUE(home.root->DrivesRootAvailable());

    RootWorld kiosk(true);
    kiosk.create();
    EXPECT_EQ(kiosk.prefixes(), QStringList({ "bt:", "facebook:", "gallery:", "demo:", "root:", "wpd:", "extern:", "scrap:" }));
    EXPECT_TRUE(kiosk.root->DrivesAltAvailable());
}

TEST(QzfsRoot, DemoAndGallery)
{
    RootWorld w(true);
    w.create();
    EXPECT_FALSE(w.root->FolderDemoAvailable()); // missing folder
    EXPECT_FALSE(w.root->FolderDemo()->IsVisible());
    QDir().mkpath(w.tmp.path() + QStringLiteral("/Shop Pictures/Empty"));
    EXPECT_FALSE(w.root->FolderGalleryProAvailable());
    writeJpeg(w.tmp.path() + QStringLiteral("/Shop Pictures/Sub/g.jpg"));
    EXPECT_TRUE(w.root->FolderGalleryProAvailable());
    writeJpeg(w.tmp.path() + QStringLiteral("/Demo Pictures/Sea/b.jpg"));
    EXPECT_TRUE(w.root->FolderDemoAvailable());

    TOrderImageRef demo = w.root->ImageFind(QStringLiteral("demo:\\Sea\\b.jpg"), QString(), QString());
    ASSERT_TRUE(dynamic_cast<TImageDemo*>(demo.get()));
    EXPECT_FALSE(demo->IsImageGalleryPro());
    TOrderImageRef gallery = w.root->ImageFind(QStringLiteral("gallery:\\Sub\\g.jpg"), QString(), QString());
    ASSERT_TRUE(gallery);
    EXPECT_TRUE(gallery->IsImageGalleryPro());
    // Folders and pictures of every level keep the class of their tree.
    auto sub = w.root->FolderDemo()->FolderFind(QStringLiteral("Sea"));
    ASSERT_TRUE(std::dynamic_pointer_cast<TQzfsFolderDemo>(sub));
    auto pics = sub->Images();
    ASSERT_TRUE(pics->MoveNext());
    EXPECT_TRUE(dynamic_cast<TImageDemo*>(pics->GetCurrentGen().get()));

    // The same file on a stick is not a gallery picture.
    const QString mp = w.stick(QStringLiteral("STICK"));
    QFile::copy(w.tmp.path() + QStringLiteral("/Shop Pictures/Sub/g.jpg"), mp + QStringLiteral("/g.jpg"));
    TOrderImageRef onStick = w.root->ImageFind(QStringLiteral("root:\\STICK\\g.jpg"), QString(), QString());
    ASSERT_TRUE(onStick);
    EXPECT_FALSE(onStick->IsImageGalleryPro());
}

TEST(QzfsRoot, ReloadKeepsMissingPictures)
{
    RootWorld w;
    w.create();
    writeJpeg(w.sources.desktop + QStringLiteral("/Trip/a.jpg"));
    TOrderImageRef found = w.root->OrderImageReload(QStringLiteral("desktop:\\Trip\\a.jpg"), QStringLiteral("a"), QString());
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->IsImageValid());

    TOrderImageRef missing = w.root->OrderImageReload(QStringLiteral("desktop:\\Trip\\gone.jpg"), QStringLiteral("gone"),
                                                      QStringLiteral("data"));
    ASSERT_TRUE(dynamic_cast<TOrderImageNotFound*>(missing.get()));
    EXPECT_EQ(missing->ImageID(), QStringLiteral("desktop:\\Trip\\gone.jpg"));
    EXPECT_EQ(missing->ImageLabel(), QStringLiteral("gone"));
    EXPECT_EQ(missing->ImageData(), QStringLiteral("data"));
    EXPECT_FALSE(missing->IsImageValid());
    EXPECT_EQ(missing->ImageSize(), QSizeF(320, 240)); // the placeholder's
    EXPECT_EQ(missing->GetImageCacheRef(), w.root->ImageNotFound());
    QImage bmp;
    EXPECT_THROW(missing->LoadBitmap(bmp, 0, 0, TOrderBitmapMode::obm_sizeMax), ESystem);
    EXPECT_THROW(missing->CopyToFile(w.tmp.filePath(QStringLiteral("x.jpg"))), Exception);
    EXPECT_NE(w.root->ImageTooBig(), w.root->ImageNotFound());

    // Ids from saved orders never leave their source's folder.
    writeJpeg(w.tmp.path() + QStringLiteral("/home/secret.jpg"));
    EXPECT_TRUE(dynamic_cast<TOrderImageNotFound*>(
        w.root->OrderImageReload(QStringLiteral("desktop:\\..\\secret.jpg"), QString(), QString()).get()));

    bool toFree = false;
    std::unique_ptr<TOrderImageBase> scrap(w.root->ScrapImageLoad(nullptr, QStringLiteral("frame01.png"), toFree));
    EXPECT_TRUE(toFree);
    EXPECT_EQ(scrap->ImageID(), QStringLiteral("scrap:\\frame01.png"));
    EXPECT_THROW(w.root->ScrapImageLoad(nullptr, QStringLiteral("../frame01.png"), toFree), ENotFound);
}

TEST(QzfsRoot, PathTranslationAndStartupDrives)
{
    RootWorld w;
    writeJpeg(w.sources.pictures + QStringLiteral("/Holidays/p.jpg"));
    const QString mp = w.stick(QStringLiteral("STICK"));
    writeJpeg(mp + QStringLiteral("/DCIM/s.jpg"));
    w.create();
    EXPECT_EQ(w.root->OSpathToVpath(w.sources.pictures + QStringLiteral("/Holidays/p.jpg")),
              QStringLiteral("pictures:\\my\\Holidays\\p.jpg"));
    EXPECT_EQ(w.root->OSpathToVpath(mp + QStringLiteral("/DCIM/s.jpg")), QStringLiteral("root:\\STICK\\DCIM\\s.jpg"));
    EXPECT_EQ(w.root->OSpathToVpath(w.tmp.path() + QStringLiteral("/elsewhere/x.jpg")), QString());

    w.root->MarkStartupDrivesAsHidden();
    w.root->refreshNow();
    EXPECT_EQ(w.root->OSpathToVpath(mp + QStringLiteral("/DCIM/s.jpg")), QString()); // hidden: not browsed
    // An order that uses the stick shows it again.
    TOrderImageRef img = w.root->OrderImageReload(QStringLiteral("root:\\STICK\\DCIM\\s.jpg"), QString(), QString());
    EXPECT_TRUE(img && img->IsImageValid());
    w.root->refreshNow();
    EXPECT_EQ(w.root->OSpathToVpath(mp + QStringLiteral("/DCIM/s.jpg")), QStringLiteral("root:\\STICK\\DCIM\\s.jpg"));
    EXPECT_TRUE(w.root->IsReadyToUse());
}

TEST(QzfsExtern, IdsAndLookups)
{
    RootWorld w;
    w.create();
    const QString path = w.tmp.path() + QStringLiteral("/out side/a b%.jpg");
    writeJpeg(path);
    const QString id = TQzfsFolderExternRoot::imgPathToImgId(path);
    EXPECT_TRUE(id.startsWith(QStringLiteral("extern:\\")));
    EXPECT_EQ(id.count(QLatin1Char('\\')), 1);
    EXPECT_EQ(TQzfsFolderExternRoot::imgIdToImgPath(id), path);
    TOrderImageRef img = w.root->OrderImageReload(id, QString(), QString());
    ASSERT_TRUE(dynamic_cast<TQzfsExternImage*>(img.get()));
    EXPECT_EQ(img->ImageLabel(), QStringLiteral("a b%"));

    writeText(w.tmp.path() + QStringLiteral("/notes.txt"));
    const QString refused[] = {
        TQzfsFolderExternRoot::imgPathToImgId(w.tmp.path() + QStringLiteral("/out side/../out side/a b%.jpg")),
        TQzfsFolderExternRoot::imgPathToImgId(QStringLiteral("relative/a.jpg")),
        TQzfsFolderExternRoot::imgPathToImgId(w.tmp.path() + QStringLiteral("/notes.txt")),
        TQzfsFolderExternRoot::imgPathToImgId(w.tmp.path() + QStringLiteral("/out side")),
        QStringLiteral("extern:\\a\\b.jpg"),
    };
    for (const QString& r : refused) {
        SCOPED_TRACE(r.toStdString());
        EXPECT_FALSE(w.root->ImageFind(r, QString(), QString()));
    }
    QFile::remove(path);
    EXPECT_TRUE(dynamic_cast<TOrderImageNotFound*>(w.root->OrderImageReload(id, QString(), QString()).get()));
}

TEST(QzfsDrop, FilesBecomeSourcePictures)
{
    RootWorld w;
    w.create();
    const QString mp = w.stick(QStringLiteral("STICK"));
    writeJpeg(mp + QStringLiteral("/DCIM/s1.jpg"));
    writeJpeg(mp + QStringLiteral("/DCIM/s2.jpg"));
    const QString outside = w.tmp.path() + QStringLiteral("/elsewhere/o.jpg");
    writeJpeg(outside);
    writeText(w.tmp.path() + QStringLiteral("/elsewhere/t.txt"));

    TDraggedFileSystemFiles set(&w.main, w.root);
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(outside), QUrl::fromLocalFile(mp + QStringLiteral("/DCIM/s1.jpg")),
                   QUrl::fromLocalFile(mp + QStringLiteral("/DCIM/s2.jpg")),
                   QUrl::fromLocalFile(w.tmp.path() + QStringLiteral("/elsewhere/t.txt")),
                   QUrl::fromLocalFile(w.tmp.path() + QStringLiteral("/elsewhere/gone.jpg")) });
    set.SetData(&data);
    ASSERT_EQ(set.DraggedImageCount(), 3);
    EXPECT_EQ(set.DraggedImage(0)->ImageID(), TQzfsFolderExternRoot::imgPathToImgId(outside));
    EXPECT_EQ(set.DraggedImage(1)->ImageID(), QStringLiteral("root:\\STICK\\DCIM\\s1.jpg"));
    EXPECT_TRUE(dynamic_cast<TQzfsWinDriveImage*>(set.DraggedImage(1)));
    EXPECT_EQ(set.DraggedImage(2)->ImageID(), QStringLiteral("root:\\STICK\\DCIM\\s2.jpg"));
    EXPECT_EQ(set.DraggedImage(3), nullptr);

    // The same drag reported again is not extracted again.
    TOrderImageBase* first = set.DraggedImage(0);
    set.SetData(&data);
    EXPECT_EQ(set.DraggedImageCount(), 3);
    EXPECT_EQ(set.DraggedImage(0), first);
    EXPECT_EQ(set.ExtractCount(), 1);

    // The receiver keeps one picture; the drop ends.
    std::unique_ptr<TOrderImageBase> kept(set.DraggedImage(1));
    set.DraggedImageDetach(kept.get());
    set.DropUseEnd();
    EXPECT_EQ(kept->ImageID(), QStringLiteral("root:\\STICK\\DCIM\\s1.jpg"));
    set.SetData(&data);
    EXPECT_EQ(set.DraggedImageCount(), 3);
    EXPECT_EQ(set.ExtractCount(), 2);

    QMimeData textOnly;
    textOnly.setUrls({ QUrl::fromLocalFile(w.tmp.path() + QStringLiteral("/elsewhere/t.txt")) });
    set.SetData(&textOnly);
    EXPECT_EQ(set.DraggedImageCount(), 0);

    // The open dialog: its filter, a choice, a cancel.
    QString filterSeen;
    auto chosen = TDraggedFileSystemFiles::getImagesSetFromSelectionWindow(
        &w.main, [&](const QString& filter) { filterSeen = filter; return QStringList { outside }; }, w.root);
    EXPECT_EQ(filterSeen, QStringLiteral("Images (*.jpg *.jpeg *.png)"));
    EXPECT_EQ(chosen->DraggedImageCount(), 1);
    auto cancelled = TDraggedFileSystemFiles::getImagesSetFromSelectionWindow(
        &w.main, [](const QString&) { return QStringList(); }, w.root);
    EXPECT_EQ(cancelled->DraggedImageCount(), 0);

    TDraggedImage single(&w.main, new TQzfsExternImage(outside), true);
    EXPECT_EQ(single.DraggedImageCount(), 1);
    EXPECT_EQ(single.DraggedImage(1), nullptr);
}

TEST(QzfsRoot, TooManyPixelsShowTheTooBigPlaceholder)
{
    struct Frame : MediaMainFrame {
        std::shared_ptr<TQzfsFolderRoot> root;
        TOrderImageBase* GetImgNotFound() override { return root->ImageNotFound(); }
        TOrderImageBase* GetImgTooBig() override { return root->ImageTooBig(); }
    } frame;
    QTemporaryDir tmp;
    frame.config.base = tmp.path();
    TQzfsRootSources sources;
    sources.desktop = tmp.path() + QStringLiteral("/Desktop");
    sources.volumes = std::make_shared<FakeVolumes>();
    frame.root = TQzfsFolderRoot::Create(&frame, tmp.path() + QStringLiteral("/cache"), sources);

    // A JPEG whose frame header announces 30000 x 30000 pixels.
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray jpeg = TImageCodec::EncodeJpeg(small, 90);
    const int sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int i : { 5, 7 }) {
        jpeg[sof + i] = char(30000 >> 8);
        jpeg[sof + i + 1] = char(30000 & 0xFF);
    }
    QDir().mkpath(sources.desktop);
    writeText(sources.desktop + QStringLiteral("/huge.jpg"), jpeg);
    writeText(sources.desktop + QStringLiteral("/broken.jpg"), jpeg.left(40));

    TOrderImageRef huge = frame.root->ImageFind(QStringLiteral("desktop:\\huge.jpg"), QString(), QString());
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->ImageSize(), QSizeF(30000, 30000));
    QImage bmp;
    try {
        huge->LoadBitmap(bmp, 0, 0, TOrderBitmapMode::obm_sizeMax);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_TRUE(dynamic_cast<const EImgTooBig*>(&e));
        huge->onBitmapLoadError(&frame, e);
    }
    EXPECT_EQ(huge->GetImageCacheRef(), frame.root->ImageTooBig());

    TOrderImageRef broken = frame.root->ImageFind(QStringLiteral("desktop:\\broken.jpg"), QString(), QString());
    ASSERT_TRUE(broken);
    try {
        broken->LoadBitmap(bmp, 0, 0, TOrderBitmapMode::obm_sizeMax);
        FAIL();
    } catch (const std::exception& e) {
        broken->onBitmapLoadError(&frame, e);
    }
    EXPECT_EQ(broken->GetImageCacheRef(), frame.root->ImageNotFound());
}
