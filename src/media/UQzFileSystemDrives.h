#pragma once
// The "root:" source: the mounted volumes of the PC, of which the kiosk shows
// the removable ones (USB sticks, memory cards, USB disks, discs), each as a
// tree of folders and pictures.
//
// A volume is a drive (TQzfsWinDrive) named by its mount point's folder name.
// The source polls the mount table (IQzfsVolumeProvider): a volume mounted or
// unmounted, or another medium under the same mount point (another file
// system UUID or label), raises its refresh tick.
//
// A drive is removable when its disk reports removable media or sits on the
// USB bus; only the pictures of removable media are copied into the local
// cache when the customer uses them, so that the medium may be pulled out (a
// USB hard disk is shown, its pictures are read in place). The cached copy is
// filed under the medium's identity, so a copy of another medium with the
// same paths is never served in its place.
#include "UQzFileSystemCache.h"
#include "UQzFileSystemDisk.h"
#include "UVolumeProvider.h"

#include <functional>

class IThreadTask;
class TThreadTaskQueueBase;

// The queue on which used pictures are copied into the cache: the
// photo-source workflow data's image-copy queue. Without a provider the copy
// runs at once on the calling thread.
using TQzfsImageCopyQueueProvider = std::function<TThreadTaskQueueBase*(IMainFrame*)>;
void QzfsSetImageCopyQueueProvider(TQzfsImageCopyQueueProvider provider);
// The copy queue for that main frame, null without a provider.
TThreadTaskQueueBase* QzfsImageCopyQueue(IMainFrame* main);

enum class TQzfsWinDriveImageCache { wdic_cacheToCheck, wdic_notincache, wdic_incache };

class TQzfsWinDriveImage : public TOrderImageFile {
    KIOSK_SERIALIZABLE_CLASS(TQzfsWinDriveImage)
public:
    TQzfsWinDriveImage(const QString& imgid, const QString& imgpath, const QString& mediaLabel, bool removeable,
                       IQzfsCacheRootRef cacheRoot, TQzfsWinDriveImageCache cacheStatus, const QString& mediumKey);
    ~TQzfsWinDriveImage() override;

    // The medium's label: the order stores it with the picture.
    QString ImageData() override { return fMediaLabelForError; }
    QString mediaLabelForError() override { return fMediaLabelForError; }
    void UsedPrepare(IMainFrame* main) override;
    void waitingTasksCancelled() override;
    // Copies through a temporary file; a read failure is "medium ejected"
    // only when the file is gone.
    void CopyToFile(const QString& fname) override;

    TQzfsWinDriveImageCache CacheStatus() const { return fCacheStatus.load(); }
    bool IsRemoveable() const { return fRemoveable; }
    // The cache file of this picture for its medium.
    QString cachePath();
    // Copies the picture into the cache (the copy task).
    void cacheCopy();

    // The id with its drive part scoped by the medium key.
    static QString MediumScopedId(const QString& id, const QString& mediumKey);

private:
    void cacheCheck();
    QByteArray readFromMedium(const QString& source);

    bool fRemoveable;
    IQzfsCacheRootRef fCacheRoot;
    std::atomic<TQzfsWinDriveImageCache> fCacheStatus;
    std::shared_ptr<IThreadTask> fUsedPrepareTask;
    QString fMediaLabelForError;
    QString fMediumKey;
};

class TQzfsWinDriveFolder : public TQzfsFolderDisk {
public:
    TQzfsWinDriveFolder(IMainFrame* main, IQzfsFolder* parent, const QString& subId, const QString& subPath,
                        const QString& mediaLabel, bool removeable, IQzfsCacheRootRef cacheRoot,
                        const QString& mediumKey);

    IQzfsFolderRef onFolderCreate(const QString& name) override;
    TOrderImageRef subImageCreate(const QString& name) override;
    virtual QString mediaLabelForError() { return fMediaLabelForError; }

protected:
    bool fRemoveable;
    IQzfsCacheRootRef fCacheRoot;
    QString fMediaLabelForError;
    QString fMediumKey;
};

class TQzfsWinDrive : public TQzfsWinDriveFolder, public virtual IQzfsRootDrive {
public:
    TQzfsWinDrive(IMainFrame* main, IQzfsFolder* parent, const QString& subId, const TMountEntry& mount,
                  bool bRemoveableOnly, IQzfsCacheRootRef cacheRoot);

    QString folderLabel() override;
    int fmxIconIndex() override;
    bool IsVisible() override { return fVisible; }
    QString mediaLabelForError() override;
    IQzfsFolderRef onFolderCreate(const QString& name) override;
    TOrderImageRef subImageCreate(const QString& name) override;

    QString GetDrivePhysicalPath() override { return fdiskPath + QLatin1Char('/'); }
    bool IsDriveRemoveable() override { return fInfoInit && (fRemoveable || fBus == QStringLiteral("usb")); }
    bool IsDriveReadOnly() override { return fReadOnly; }
    bool IsDriveHidden() override { return fRootDriveHidden; }
    void SetDriveHidden(bool val) override { fRootDriveHidden = val; }

    // Queries the device (once), reads the volume; true when the drive's
    // visibility or its medium changed.
    bool updateVisibility(IQzfsVolumeProvider& provider, const TMountEntry& mount);

    const QString& MountPoint() const { return fdiskPath; }
    QString MediumIdentity() const;
    QString MediumKey() const;

private:
    void initInfo(IQzfsVolumeProvider& provider);
    bool initLabel(IQzfsVolumeProvider& provider, const TMountEntry& mount);

    mutable std::mutex fSync;
    bool fInfoInit = false;
    std::atomic<bool> fVisible { false };
    std::atomic<bool> fRootDriveHidden { false };
    QString fBus;
    bool fRemote = false;
    QString fFsType;
    QString fDevNode;
    QString fSerial, fVendorId, fProductId;
    bool fLabelInit = false;
    QString fLabel;
    QString fUnicid;
    bool fbRemoveableOnly;
    std::atomic<bool> fReadOnly { true };
};

class TQzfsWinDrivesRoot : public TQzfsDriveCacheRoot {
public:
    TQzfsWinDrivesRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId, bool bRemoveableOnly,
                       IQzfsVolumeProviderRef provider = nullptr);

    QString fmxStyle() override { return QString(); }
    bool autoRefresh() override { return true; }
    bool HasImagesInSubFolders() override { return true; }
    quint32 refreshTick() override { return fRefreshTick.load(); }
    bool refreshNow() override;
    void findPrepare() override;
    TOrderImageRef imageFindLocal(const QString&) override { return nullptr; }
    TOrderImageRef SubImageByIndice(int) override { return nullptr; }

    // A drive of that sub id (trailing separators ignored) is listed.
    bool IsWPDdriveListed(const QString& devId);

protected:
    TOrderImageRef cacheImageCreate(const QString& cachePath, const QString& fullId, const QString& label,
                                    const QString& data) override;
    QStringList cacheCandidates(const QString& fullId) override;

private:
    QString driveSubIdFor(const QString& mountPoint, const std::vector<IQzfsFolderRef>& taken) const;

    std::mutex fRefreshLock;
    IQzfsVolumeProviderRef fProvider;
    QStringList fDrvAvailable;
    std::atomic<quint32> fRefreshTick { 0 };
    bool fbRemoveableOnly;
    bool fRefreshedOnce = false;
};
