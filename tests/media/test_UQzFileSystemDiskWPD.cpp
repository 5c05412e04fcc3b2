// The "wpd:" source over a fake device layer: device list and visibility,
// content detection, re-open after an ejected medium, object names and ids,
// downloads into the cache.
#include "DriveFakes.h"
#include "MediaFakes.h"
#include "UMediaEjected.h"
#include "UQzFileSystemDiskWPD.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace mediafakes;

namespace {

// One phone: a tree of objects, data per object, and switches for failures.
struct FakePhone {
    QString friendly = QStringLiteral("Pixel");
    QString maker = QStringLiteral("Google");
    std::map<QString, QList<TMtpObject>> children; // by parent id
    std::map<QString, QByteArray> data;
    std::map<QString, QByteArray> thumbs;
    bool ejected = false;       // every call raises, as a locked or pulled phone
    bool failTransfer = false;  // the transfer stops half-way
    quint32 optimal = 4096;
    std::vector<quint32> blocks; // block sizes asked for
    int enumerations = 0;
    int downloads = 0;

    void add(const QString& parent, TMtpObject o) { children[parent].append(o); }
    static TMtpObject folder(const QString& id, const QString& name)
    {
        TMtpObject o;
        o.id = id;
        o.name = name;
        o.folder = true;
        return o;
    }
    TMtpObject picture(const QString& parent, const QString& id, const QString& name, const QByteArray& bytes)
    {
        TMtpObject o;
        o.id = id;
        o.name = name;
        o.size = bytes.size();
        data[id] = bytes;
        add(parent, o);
        return o;
    }
};

class FakeDevice : public IMtpDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakePhone> p) : fPhone(std::move(p)) { }
    QString friendlyName() override { return fPhone->friendly; }
    QString model() override { return QStringLiteral("Model"); }
    QString manufacturer() override { return fPhone->maker; }
    QList<TMtpObject> children(const QString& parentId) override
    {
        ++fPhone->enumerations;
        if (fPhone->ejected || fStale)
            throw EMediaEjected(QString(), QStringLiteral("fake"));
        auto it = fPhone->children.find(parentId);
        return it == fPhone->children.end() ? QList<TMtpObject>() : it->second;
    }
    QString firstChild(const QString& parentId) override
    {
        const auto c = children(parentId);
        return c.isEmpty() ? QString() : c.first().id;
    }
    quint32 optimalTransferSize() override { return fPhone->optimal; }
    bool download(const QString& objectId, int fd, quint32 blockSize) override
    {
        ++fPhone->downloads;
        fPhone->blocks.push_back(blockSize);
        const QByteArray d = fPhone->data[objectId];
        const qsizetype n = fPhone->failTransfer ? d.size() / 2 : d.size();
        for (qsizetype pos = 0; pos < n; pos += blockSize)
            if (::write(fd, d.constData() + pos, size_t(std::min<qsizetype>(blockSize, n - pos))) < 0)
                return false;
        return !fPhone->failTransfer;
    }
    QByteArray thumbnail(const QString& objectId) override { return fPhone->thumbs[objectId]; }

    // A handle opened before the phone was unlocked stays unusable.
    bool fStale = false;

private:
    std::shared_ptr<FakePhone> fPhone;
};

class FakeManager : public IMtpManager {
public:
    std::map<QString, std::shared_ptr<FakePhone>> phones;
    int opens = 0;
    bool openFails = false;
    QStringList deviceIds() override
    {
        QStringList ids;
        for (const auto& [id, p] : phones)
            ids << id;
        return ids;
    }
    IMtpDeviceRef open(const QString& id) override
    {
        ++opens;
        auto it = phones.find(id);
        if (it == phones.end() || openFails)
            return nullptr;
        auto dev = std::make_shared<FakeDevice>(it->second);
        dev->fStale = it->second->ejected;
        return dev;
    }
};

QByteArray jpeg(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "JPG");
    return out;
}

struct World {
    QTemporaryDir tmp;
    MediaMainFrame main;
    std::shared_ptr<FakeVolumes> volumes = std::make_shared<FakeVolumes>();
    std::shared_ptr<TQzfsWinDrivesRoot> drives;
    std::shared_ptr<FakeManager> manager = std::make_shared<FakeManager>();
    std::shared_ptr<TQzfsWPDdrivesRoot> wpd;
    QString cache;

    World()
    {
        cache = tmp.path() + QStringLiteral("/ImagesCache");
        drives = std::make_shared<TQzfsWinDrivesRoot>(&main, cache, QStringLiteral("root:"), true, volumes);
        wpd = std::make_shared<TQzfsWPDdrivesRoot>(&main, cache, QStringLiteral("wpd:"), drives.get(), manager);
    }
    // A phone with one storage holding DCIM/IMG_0001.JPG (object o5A).
    std::shared_ptr<FakePhone> phone(const QString& devId, const QString& storage = QStringLiteral("s10001"))
    {
        auto p = std::make_shared<FakePhone>();
        p->add(QStringLiteral("DEVICE"), FakePhone::folder(storage, QStringLiteral("Internal storage")));
        p->add(storage, FakePhone::folder(QStringLiteral("o10"), QStringLiteral("DCIM")));
        p->add(storage, FakePhone::folder(QStringLiteral("o11"), QStringLiteral(".thumbnails")));
        p->picture(QStringLiteral("o10"), QStringLiteral("o5A"), QStringLiteral("IMG_0001.JPG"), jpeg(64, 48));
        manager->phones[devId] = p;
        return p;
    }
    QStringList shown()
    {
        QStringList out;
        for (const auto& f : devices())
            if (f->IsVisible())
                out << f->folderSubId();
        return out;
    }
    std::vector<std::shared_ptr<TQzfsWPDdrive>> devices()
    {
        std::vector<std::shared_ptr<TQzfsWPDdrive>> out;
        TQzfsCursor c;
        for (int i = 0;; ++i) {
            IQzfsFolderRef f = wpd->FolderByIndice(i, c);
            if (!f)
                break;
            out.push_back(std::dynamic_pointer_cast<TQzfsWPDdrive>(f));
        }
        return out;
    }
};

} // namespace

TEST(WpdSource, DevicesComeAndGoWithTheTick)
{
    World w;
    w.phone(QStringLiteral("\\\\?\\usb#vid_18d1&pid_4ee1#phone"));
    EXPECT_TRUE(w.wpd->refreshNow());
    EXPECT_EQ(w.shown(), QStringList { QStringLiteral("usbvid_18d1pid_4ee1phone") });
    const quint32 tick = w.wpd->refreshTick();
    EXPECT_FALSE(w.wpd->refreshNow());
    EXPECT_EQ(w.wpd->refreshTick(), tick);
    auto dev = w.devices().front();
    EXPECT_EQ(dev->folderLabel(), QStringLiteral("Pixel"));
    EXPECT_EQ(dev->mediaLabelForError(), QStringLiteral("Google Pixel"));
    EXPECT_TRUE(dev->IsDriveReadOnly());

    w.manager->phones.clear();
    EXPECT_TRUE(w.wpd->refreshNow());
    EXPECT_GT(w.wpd->refreshTick(), tick);
    EXPECT_TRUE(w.devices().empty());
}

TEST(WpdSource, ADeviceThatIsAlsoAMountedDriveIsHidden)
{
    World w;
    const QString mp = w.tmp.path() + QStringLiteral("/media/STICK_E");
    QDir().mkpath(mp);
    w.volumes->plug(mp, QStringLiteral("/dev/sdb1"), FakeVolumes::stick(QStringLiteral("1111"), QStringLiteral("STICK_E")));
    w.phone(QStringLiteral("stick"), QStringLiteral("STICK_E"));
    w.phone(QStringLiteral("phone"));
    w.wpd->refreshNow();
    EXPECT_EQ(w.shown(), QStringList { QStringLiteral("phone") });
    // Never looked at again: the device is a drive.
    const int before = w.manager->phones[QStringLiteral("stick")]->enumerations;
    for (int i = 0; i < 4; ++i)
        w.wpd->refreshNow();
    EXPECT_EQ(w.manager->phones[QStringLiteral("stick")]->enumerations, before);
}

TEST(WpdSource, ContentIsCheckedOnEveryThirdRefresh)
{
    World w;
    auto p = w.phone(QStringLiteral("phone"));
    w.wpd->refreshNow();
    ASSERT_EQ(w.shown(), QStringList { QStringLiteral("phone") });
    const int base = p->enumerations;
    w.wpd->refreshNow();
    w.wpd->refreshNow();
    EXPECT_EQ(p->enumerations, base);
    // The third look sees that the storage went away: hidden, tick raised.
    p->children[QStringLiteral("DEVICE")].clear();
    const quint32 tick = w.wpd->refreshTick();
    EXPECT_TRUE(w.wpd->refreshNow());
    EXPECT_EQ(p->enumerations, base + 1); // the check alone; the next refresh looks afresh
    EXPECT_TRUE(w.shown().isEmpty());
    EXPECT_GT(w.wpd->refreshTick(), tick);
}

TEST(WpdSource, AppleDevicesNeedContentInTheirFirstStorage)
{
    World w;
    auto p = w.phone(QStringLiteral("iphone"));
    p->maker = QStringLiteral("APPLE Inc.");
    const QList<TMtpObject> storageContent = p->children[QStringLiteral("s10001")];
    p->children[QStringLiteral("s10001")].clear(); // locked: storage present but empty
    w.wpd->refreshNow();
    EXPECT_TRUE(w.shown().isEmpty());
    w.wpd->refreshNow();
    EXPECT_TRUE(w.shown().isEmpty());
    p->children[QStringLiteral("s10001")] = storageContent; // unlocked
    w.wpd->refreshNow();
    EXPECT_EQ(w.shown(), QStringList { QStringLiteral("iphone") });
}

TEST(WpdSource, ReopensAfterAnEjectedMedium)
{
    World w;
    auto p = w.phone(QStringLiteral("phone"));
    p->ejected = true; // locked when plugged: the first handle stays unusable
    w.wpd->refreshNow();
    EXPECT_TRUE(w.shown().isEmpty());
    EXPECT_EQ(w.manager->opens, 2); // opened, then re-opened once
    p->ejected = false;
    auto dev = w.devices().front();
    EXPECT_TRUE(dev->onBrowseError(EMediaEjected(QStringLiteral("Google Pixel"), QStringLiteral("browse"))));
    EXPECT_FALSE(dev->onBrowseError(ESystem(QStringLiteral("other"))));
    w.wpd->refreshNow();
    EXPECT_EQ(w.shown(), QStringList { QStringLiteral("phone") });
    w.manager->openFails = true;
    EXPECT_FALSE(dev->ctReopen());
}

TEST(WpdSource, ObjectsBecomeFoldersAndPicturesWithCleanIds)
{
    World w;
    auto p = w.phone(QStringLiteral("phone"));
    p->picture(QStringLiteral("o10"), QStringLiteral("o5B"), QStringLiteral("notes.txt"), "text");
    p->picture(QStringLiteral("o10"), QStringLiteral("../../o5C"), QStringLiteral("..\\evil.jpg\x01"), jpeg(8, 8));
    w.wpd->refreshNow();
    auto storage = w.wpd->FolderFind(QStringLiteral("phone\\s10001"));
    ASSERT_TRUE(storage);
    QStringList subs;
    for (auto e = storage->Folders(); e->MoveNext();)
        subs << e->GetCurrentGen()->folderLabel();
    EXPECT_EQ(subs, QStringList { QStringLiteral("DCIM") }); // ".thumbnails" is not shown
    auto dcim = w.wpd->FolderFind(QStringLiteral("phone\\s10001\\o10"));
    ASSERT_TRUE(dcim);
    QStringList ids, labels;
    for (auto e = dcim->Images(); e->MoveNext();) {
        TOrderImageRef img = e->GetCurrentGen();
        ids << img->ImageID();
        labels << img->ImageLabel();
    }
    EXPECT_EQ(ids, (QStringList { QStringLiteral("wpd:\\phone\\s10001\\o10\\o5A.JPG"),
                                  QStringLiteral("wpd:\\phone\\s10001\\o10\\o5C.jpg") }));
    EXPECT_EQ(labels, (QStringList { QStringLiteral("IMG_0001.JPG"), QStringLiteral("..\\evil.jpg") }));
    // The cache paths stay below the cache folder.
    auto img = dcim->ImageFind(QStringLiteral("o5C.jpg"), QString(), QString());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->ImageSize().toSize(), QSize(8, 8));
    const QString cached = static_cast<TOrderImageWPD*>(img.get())->file()->downloadedPath();
    EXPECT_TRUE(QFileInfo(cached).canonicalFilePath().startsWith(QDir(w.cache).canonicalPath() + QLatin1Char('/')));
}

TEST(WpdSource, PicturesDownloadOnceWithAClampedBlock)
{
    World w;
    auto p = w.phone(QStringLiteral("phone"));
    w.wpd->refreshNow();
    auto dcim = w.wpd->FolderFind(QStringLiteral("phone\\s10001\\o10"));
    ASSERT_TRUE(dcim);
    struct Case {
        quint32 optimal;
        quint32 used;
    };
    for (const Case c : { Case { 512, 1024 }, Case { 64u << 20, 32u << 20 }, Case { 4096, 4096 } }) {
        SCOPED_TRACE(c.optimal);
        w.wpd->SessionClear();
        p->optimal = c.optimal;
        p->blocks.clear();
        auto img = dcim->ImageFind(QStringLiteral("o5A.JPG"), QString(), QString());
        ASSERT_TRUE(img);
        EXPECT_EQ(img->ImageSize().toSize(), QSize(64, 48));
        EXPECT_EQ(p->blocks, std::vector<quint32> { c.used });
    }
    // A second picture object of the same id finds the cached copy.
    const int downloads = p->downloads;
    auto again = dcim->ImageFind(QStringLiteral("o5A.JPG"), QString(), QString());
    QImage bmp;
    again->LoadBitmap(bmp, 0, 0, TOrderBitmapMode());
    EXPECT_EQ(bmp.size(), QSize(64, 48));
    EXPECT_EQ(p->downloads, downloads);
}

TEST(WpdSource, AFailedDownloadLeavesNoCachedFile)
{
    World w;
    auto p = w.phone(QStringLiteral("phone"));
    w.wpd->refreshNow();
    auto dcim = w.wpd->FolderFind(QStringLiteral("phone\\s10001\\o10"));
    ASSERT_TRUE(dcim);
    p->failTransfer = true;
    auto img = dcim->ImageFind(QStringLiteral("o5A.JPG"), QString(), QString());
    ASSERT_TRUE(img);
    try {
        img->ImageSize();
        FAIL() << "no error";
    } catch (const EMediaEjected& e) {
        EXPECT_EQ(e.Message().isEmpty(), false);
    }
    QStringList left;
    for (QDirIterator it(w.cache, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        left << it.next();
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
    p->failTransfer = false;
    EXPECT_EQ(img->ImageSize().toSize(), QSize(64, 48));
}

TEST(WpdSource, BrowsingUsesTheDevicesSizeAndThumbnail)
{
    World w;
    auto p = w.phone(QStringLiteral("phone"));
    TMtpObject& o = p->children[QStringLiteral("o10")][0];
    o.width = 4000;
    o.height = 3000;
    o.hasThumbnail = true;
    p->thumbs[o.id] = jpeg(160, 120);
    w.wpd->refreshNow();
    auto dcim = w.wpd->FolderFind(QStringLiteral("phone\\s10001\\o10"));
    auto img = dcim->ImageFind(QStringLiteral("o5A.JPG"), QString(), QString());
    ASSERT_TRUE(img);
    EXPECT_TRUE(img->IsImageSizeReady());
    EXPECT_EQ(img->ImageSize().toSize(), QSize(4000, 3000));
    QImage bmp;
    img->LoadBitmap(bmp, 100, 100, TOrderBitmapMode());
    EXPECT_EQ(bmp.size(), QSize(100, 75));
    EXPECT_EQ(p->downloads, 0);
}
