// Drives: the mount table read as drives (plug, pull, sort, tick), the
// removable rule, medium identity, the copy of used pictures into the cache,
// the cache fallback after unplugging and the cache paths.
#include "DriveFakes.h"
#include "MediaFakes.h"
#include "UQzFileSystemDrives.h"
#include "UMediaEjected.h"
#include "UThreadTaskQueue.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace mediafakes;

namespace {

struct DriveWorld {
    QTemporaryDir tmp;
    MediaMainFrame main;
    std::shared_ptr<FakeVolumes> volumes = std::make_shared<FakeVolumes>();
    std::shared_ptr<TQzfsWinDrivesRoot> drives;
    QString cache;

    DriveWorld()
    {
        cache = tmp.path() + QStringLiteral("/ImagesCache");
        drives = std::make_shared<TQzfsWinDrivesRoot>(&main, cache, QStringLiteral("root:"), true, volumes);
    }
    QString mount(const QString& name)
    {
        const QString mp = tmp.path() + QStringLiteral("/media/") + name;
        QDir().mkpath(mp);
        return mp;
    }
    QStringList shown()
    {
        QStringList out;
        TQzfsCursor c;
        for (int i = 0;; ++i) {
            IQzfsFolderRef f = drives->FolderByIndice(i, c);
            if (!f)
                break;
            if (f->IsVisible())
                out << f->folderSubId();
        }
        return out;
    }
};

// Runs the tasks of a queue without a thread of its own, here on the test's
// (main) thread, so that a test decides when the copies run.
class ManualQueue {
public:
    explicit ManualQueue(IMainFrame* main)
        : fQueue(QCoreApplication::instance(), main, QStringLiteral("copy"))
    {
        QzfsSetImageCopyQueueProvider([this](IMainFrame*) { return &fQueue; });
    }
    ~ManualQueue() { QzfsSetImageCopyQueueProvider(nullptr); }
    int runAll()
    {
        int n = 0;
        while (fQueue.onProcessTask())
            ++n;
        return n;
    }

private:
    TThreadTaskQueueWithoutThread fQueue;
};

} // namespace

TEST(QzfsDrives, PlugSortAndTick)
{
    DriveWorld w;
    const QString e = w.mount(QStringLiteral("STICK_E"));
    w.volumes->plug(e, QStringLiteral("/dev/sdb1"), FakeVolumes::stick(QStringLiteral("1111-AAAA")));
    EXPECT_TRUE(w.drives->refreshNow());
    EXPECT_EQ(w.drives->refreshTick(), 1u);
    EXPECT_EQ(w.shown(), QStringList({ QStringLiteral("STICK_E") }));
    EXPECT_FALSE(w.drives->refreshNow()); // nothing changed
    EXPECT_EQ(w.drives->refreshTick(), 1u);

    const QString a = w.mount(QStringLiteral("CARD_A"));
    w.volumes->plug(a, QStringLiteral("/dev/sdc1"), FakeVolumes::stick(QStringLiteral("2222-BBBB"), QStringLiteral("CAM")));
    EXPECT_TRUE(w.drives->refreshNow());
    EXPECT_EQ(w.drives->refreshTick(), 2u);
    EXPECT_EQ(w.shown(), QStringList({ QStringLiteral("CARD_A"), QStringLiteral("STICK_E") }));
    auto card = w.drives->FolderFind(QStringLiteral("CARD_A"));
    ASSERT_TRUE(card);
    EXPECT_EQ(card->folderId(), QStringLiteral("root:\\CARD_A"));
    EXPECT_EQ(card->folderLabel(), QStringLiteral("CARD_A CAM"));
    EXPECT_EQ(card->fmxIconIndex(), 4);
    EXPECT_EQ(std::dynamic_pointer_cast<IQzfsRootDrive>(card)->GetDrivePhysicalPath(), a + QStringLiteral("/"));

    w.volumes->pull(a);
    EXPECT_TRUE(w.drives->refreshNow());
    EXPECT_EQ(w.drives->refreshTick(), 3u);
    EXPECT_EQ(w.shown(), QStringList({ QStringLiteral("STICK_E") }));
    EXPECT_TRUE(w.drives->IsWPDdriveListed(QStringLiteral("STICK_E/")));
    EXPECT_FALSE(w.drives->IsWPDdriveListed(QStringLiteral("CARD_A")));
}

TEST(QzfsDrives, CardSwapChangesTheMedium)
{
    DriveWorld w;
    const QString r = w.mount(QStringLiteral("READER"));
    w.volumes->plug(r, QStringLiteral("/dev/sdd1"), FakeVolumes::stick(QStringLiteral("AAAA-0001"), QStringLiteral("CARD")));
    w.drives->refreshNow();
    auto drive = std::dynamic_pointer_cast<TQzfsWinDrive>(w.drives->FolderFind(QStringLiteral("READER")));
    ASSERT_TRUE(drive);
    const QString before = drive->MediumKey();
    // Another card with the same label under the same mount point.
    w.volumes->setDevice(QStringLiteral("/dev/sdd1"), FakeVolumes::stick(QStringLiteral("BBBB-0002"), QStringLiteral("CARD")));
    EXPECT_TRUE(w.drives->refreshNow());
    EXPECT_EQ(w.drives->refreshTick(), 2u);
    EXPECT_TRUE(drive->IsVisible());
    EXPECT_NE(drive->MediumKey(), before);
}

TEST(QzfsDrives, RemovableRule)
{
    DriveWorld w;
    TDeviceInfo fixed;
    fixed.known = true;
    fixed.bus = QStringLiteral("ata");
    TDeviceInfo usbDisk = fixed;
    usbDisk.bus = QStringLiteral("usb");
    w.volumes->plug(w.mount(QStringLiteral("INTERNAL")), QStringLiteral("/dev/sda2"), fixed, QStringLiteral("ext4"));
    w.volumes->plug(w.mount(QStringLiteral("NAS")), QStringLiteral("//server/share"), TDeviceInfo(), QStringLiteral("cifs"));
    const QString hd = w.mount(QStringLiteral("USBDISK"));
    w.volumes->plug(hd, QStringLiteral("/dev/sde1"), usbDisk, QStringLiteral("ntfs"));
    writeJpeg(hd + QStringLiteral("/a.jpg"));
    w.drives->refreshNow();
    EXPECT_EQ(w.shown(), QStringList({ QStringLiteral("USBDISK") }));

    // The USB hard disk is read in place: nothing is copied.
    ManualQueue queue(&w.main);
    TOrderImageRef img = w.drives->ImageFind(QStringLiteral("USBDISK\\a.jpg"), QString(), QString());
    ASSERT_TRUE(img);
    img->UsedPrepare(&w.main);
    EXPECT_EQ(queue.runAll(), 0);
    EXPECT_EQ(static_cast<TOrderImageFile*>(img.get())->ImagePath(), hd + QStringLiteral("/a.jpg"));

    // With removable-only off, every volume shows.
    auto all = std::make_shared<TQzfsWinDrivesRoot>(&w.main, w.cache, QStringLiteral("all:"), false, w.volumes);
    all->refreshNow();
    TQzfsCursor c;
    int visible = 0;
    for (int i = 0; IQzfsFolderRef f = all->FolderByIndice(i, c); ++i)
        visible += f->IsVisible() ? 1 : 0;
    EXPECT_EQ(visible, 3);
}

TEST(QzfsDrives, UsedPictureCopiedOnceThenFoundAfterUnplugging)
{
    DriveWorld w;
    const QString e = w.mount(QStringLiteral("STICK"));
    writeJpeg(e + QStringLiteral("/DCIM/a.jpg"), 40, 30);
    w.volumes->plug(e, QStringLiteral("/dev/sdb1"), FakeVolumes::stick(QStringLiteral("1111-AAAA")));
    w.drives->refreshNow();
    ManualQueue queue(&w.main);

    TOrderImageRef img = w.drives->ImageFind(QStringLiteral("STICK\\DCIM\\a.jpg"), QString(), QString());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->ImageID(), QStringLiteral("root:\\STICK\\DCIM\\a.jpg"));
    EXPECT_EQ(img->ImageData(), QStringLiteral("STICK HOLIDAYS"));
    img->UsedPrepare(&w.main);
    img->UsedPrepare(&w.main); // used twice before the copy ran
    EXPECT_EQ(queue.runAll(), 1);
    auto* drvImg = static_cast<TQzfsWinDriveImage*>(img.get());
    EXPECT_EQ(drvImg->CacheStatus(), TQzfsWinDriveImageCache::wdic_incache);
    EXPECT_TRUE(drvImg->ImagePath().startsWith(w.cache + QLatin1Char('/')));
    EXPECT_EQ(testsupport::readAll(drvImg->ImagePath()), testsupport::readAll(e + QStringLiteral("/DCIM/a.jpg")));
    img->UsedPrepare(&w.main);
    EXPECT_EQ(queue.runAll(), 0); // already in the cache

    // Pulled out: still found by id, from the cache, with the order's label.
    w.volumes->pull(e);
    QDir(e).removeRecursively();
    w.drives->refreshNow();
    TOrderImageRef back = w.drives->ImageFind(QStringLiteral("STICK\\DCIM\\a.jpg"), QStringLiteral("a"),
                                              QStringLiteral("STICK HOLIDAYS"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ImageSize(), QSizeF(40, 30));
    EXPECT_EQ(back->ImageData(), QStringLiteral("STICK HOLIDAYS"));
    EXPECT_FALSE(w.drives->ImageFind(QStringLiteral("STICK\\DCIM\\other.jpg"), QString(), QString()));
    EXPECT_FALSE(w.drives->ImageFind(QStringLiteral("STICK\\..\\..\\x.jpg"), QString(), QString()));

    // The customer leaves: the copies go with them.
    w.drives->SessionClear();
    EXPECT_FALSE(w.drives->ImageFind(QStringLiteral("STICK\\DCIM\\a.jpg"), QString(), QString()));
}

TEST(QzfsDrives, CopyFailureIsReportedAndQueuedAgain)
{
    DriveWorld w;
    const QString e = w.mount(QStringLiteral("STICK"));
    writeJpeg(e + QStringLiteral("/a.jpg"));
    w.volumes->plug(e, QStringLiteral("/dev/sdb1"), FakeVolumes::stick(QStringLiteral("1111-AAAA")));
    w.drives->refreshNow();
    TOrderImageRef img = w.drives->ImageFind(QStringLiteral("STICK\\a.jpg"), QString(), QString());
    auto* drvImg = static_cast<TQzfsWinDriveImage*>(img.get());

    // The file is gone with its medium: ejected.
    QFile::rename(e + QStringLiteral("/a.jpg"), e + QStringLiteral("/b.jpg"));
    EXPECT_THROW(drvImg->cacheCopy(), EMediaEjected);
    EXPECT_FALSE(QFileInfo::exists(drvImg->cachePath()));
    // Still there but unreadable: an ordinary failure, not "medium ejected".
    QFile::rename(e + QStringLiteral("/b.jpg"), e + QStringLiteral("/a.jpg"));
    QFile::setPermissions(e + QStringLiteral("/a.jpg"), QFileDevice::Permissions());
    if (!QFile(e + QStringLiteral("/a.jpg")).open(QIODevice::ReadOnly)) { // not when running as root
        try {
            drvImg->cacheCopy();
            FAIL();
        } catch (const EMediaEjected&) {
            FAIL() << "a readable medium is not ejected";
        } catch (const std::exception&) {
        }
    }
    QFile::setPermissions(e + QStringLiteral("/a.jpg"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_NE(drvImg->CacheStatus(), TQzfsWinDriveImageCache::wdic_incache);

    ManualQueue queue(&w.main);
    img->UsedPrepare(&w.main);
    EXPECT_EQ(queue.runAll(), 1);
    EXPECT_EQ(drvImg->CacheStatus(), TQzfsWinDriveImageCache::wdic_incache);
}

TEST(QzfsDrives, StartupDrivesHiddenUntilUsed)
{
    DriveWorld w;
    const QString e = w.mount(QStringLiteral("OLD"));
    writeJpeg(e + QStringLiteral("/a.jpg"));
    w.volumes->plug(e, QStringLiteral("/dev/sdb1"), FakeVolumes::stick(QStringLiteral("1111-AAAA")));
    w.drives->refreshNow();
    auto drive = std::dynamic_pointer_cast<IQzfsRootDrive>(w.drives->FolderFind(QStringLiteral("OLD")));
    drive->SetDriveHidden(true);
    w.drives->refreshNow();
    EXPECT_TRUE(w.shown().isEmpty());
    // Looked up by id while reloading an order: shown again.
    w.drives->StartDriveHiddenIfUsedRemove(true);
    EXPECT_TRUE(w.drives->ImageFind(QStringLiteral("OLD\\a.jpg"), QString(), QString()));
    w.drives->StartDriveHiddenIfUsedRemove(false);
    EXPECT_FALSE(drive->IsDriveHidden());
    drive->SetDriveHidden(true);
    w.drives->MarkStartupDrivesAsShown();
    EXPECT_FALSE(drive->IsDriveHidden());
}

TEST(QzfsCache, CachePaths)
{
    TQzfsCacheRoot cache(QStringLiteral("/c"), QStringLiteral("wpd:"));
    EXPECT_EQ(cache.idToCachePath(QStringLiteral("wpd:\\Phone\\DCIM\\a.jpg")), QStringLiteral("/c/wpd%3A/Phone/DCIM/a.jpg"));
    EXPECT_EQ(cache.idToCachePath(QStringLiteral("wpd:\\\\Phone\\\\a.jpg")), QStringLiteral("/c/wpd%3A/Phone/a.jpg"));
    // Reversible: "E:" and "EX" stay apart.
    EXPECT_NE(cache.idToCachePath(QStringLiteral("root:\\E:\\a.jpg")), cache.idToCachePath(QStringLiteral("root:\\EX\\a.jpg")));
    const QString odd = QStringLiteral("a%3A:*?\"<>|/b");
    EXPECT_EQ(TQzfsCacheRoot::UnescapePart(TQzfsCacheRoot::EscapePart(odd)), odd);
    EXPECT_FALSE(TQzfsCacheRoot::EscapePart(odd).contains(QLatin1Char('/')));
    // Never outside the cache folder.
    EXPECT_THROW(cache.idToCachePath(QStringLiteral("wpd:\\..\\..\\etc\\passwd")), Exception);
    EXPECT_THROW(cache.idToCachePath(QStringLiteral("wpd:\\.\\a.jpg")), Exception);
    EXPECT_EQ(cache.idToCachePath(QStringLiteral("wpd:\\a/../../b.jpg")), QStringLiteral("/c/wpd%3A/a%2F..%2F..%2Fb.jpg"));
}

TEST(QzfsDrives, MountInfoParsing)
{
    const QByteArray text = "36 35 98:0 /mnt1 /media/u/MY\\040STICK rw,noatime master:1 - vfat /dev/sdb1 rw\n"
                            "garbage line\n"
                            "37 35 98:0 / /media/cd ro shared:2 - iso9660 /dev/sr0 ro\n";
    const QList<TMountEntry> e = ParseMountInfo(text);
    ASSERT_EQ(e.size(), 2);
    EXPECT_EQ(e[0].mountPoint, QStringLiteral("/media/u/MY STICK"));
    EXPECT_EQ(e[0].fsType, QStringLiteral("vfat"));
    EXPECT_EQ(e[0].source, QStringLiteral("/dev/sdb1"));
    EXPECT_FALSE(e[0].readOnly);
    EXPECT_TRUE(e[1].readOnly);
    EXPECT_TRUE(IsNetworkFsType(QStringLiteral("nfs4")));
    EXPECT_FALSE(IsNetworkFsType(QStringLiteral("ext4")));
}
