#pragma once
// The "wpd:" source: phones and cameras reached over MTP (UMtpDevices), each
// device a folder tree whose pictures are downloaded into the image cache on
// first need. A device that is also mounted as a drive is not shown twice.
//
// One lock per device (TWpdDeviceShared::sect, shared by all its folders)
// guards its picture lists, the listing flags and the swap of the opened
// device after a re-open; device calls run outside it.
#include "UMtpDevices.h"
#include "UQzFileSystemCache.h"
#include "UQzFileSystemDrives.h"

#include <QSize>
#include <atomic>
#include <mutex>

class IThreadTask;

// The cache root of the source, which also carries the devices' request
// for a refresh.
class TQzfsWPDcacheRoot : public TQzfsCacheRoot {
public:
    using TQzfsCacheRoot::TQzfsCacheRoot;
    void forceRefresh() { fRefreshToForce = true; }
    // Whether a device asked for a refresh; clears the request.
    bool refreshToForce() { return fRefreshToForce.exchange(false); }

private:
    std::atomic<bool> fRefreshToForce { false };
};
using IQzfsWPDcacheRootRef = std::shared_ptr<TQzfsWPDcacheRoot>;

class IQzfsWPDfolder : public virtual IQzfsFolder {
public:
    virtual IQzfsWPDcacheRootRef WPDcacheRoot() = 0;
};

enum class TQzfsWPDdetectedStatus { wds_noop, wds_hasContent, wds_hasNoContent, wds_hasAlwaysNoContent };

// The opened device and the lock of one device, shared by its folders and
// pictures.
struct TWpdDeviceShared {
    std::recursive_mutex sect;
    IMtpDeviceRef dev;
    QString label; // the device's label for error messages
    IMtpDeviceRef device()
    {
        std::lock_guard<std::recursive_mutex> lock(sect);
        return dev;
    }
};
using TWpdDeviceSharedRef = std::shared_ptr<TWpdDeviceShared>;

// A transfer block size clamped to 1 KiB .. 32 MiB (logged when clamped).
quint32 WpdClampTransferSize(quint32 optimal, const QString& path);

// One picture object on a device: listed facts, and the downloaded copy.
class TQzfsWPDfile {
public:
    TQzfsWPDfile(IMainFrame* main, TWpdDeviceSharedRef shared, IQzfsWPDcacheRootRef cacheRoot, const TMtpObject& obj,
                 const QString& fullId, const QString& label);

    const QString& GetImageId() const { return fSubId; }
    const QString& GetImageSubId() const { return fSubSubId; }
    const QString& GetImageLabel() const { return fSubLabel; }
    QString mediaLabelForError() const;
    const TMtpObject& object() const { return fObj; }
    IMainFrame* mainFrame() const { return fMainFrame; }

    // The device's own size, empty when it gives none.
    QSize deviceSize() const { return QSize(fObj.width, fObj.height); }
    // The cached copy, downloaded when missing; raises EMediaEjected when the
    // device cannot deliver it.
    QString fullFilePath();
    // Path of the copy when downloaded, empty otherwise.
    QString downloadedPath();
    // The device's thumbnail, asked once.
    QByteArray deviceThumbnail();
    // Transfers the object into path through a temporary file, size-checked,
    // renamed into place; leaves nothing behind on failure.
    void downloadTo(const QString& path);

    TOrderImageRef CreateOrderImage(const std::shared_ptr<TQzfsWPDfile>& self);

private:
    IMainFrame* fMainFrame;
    TWpdDeviceSharedRef fShared;
    IQzfsWPDcacheRootRef fCacheRoot;
    TMtpObject fObj;
    QString fSubId;
    QString fSubSubId;
    QString fSubLabel;
    std::mutex fDownloadLock;
    QString fFullFileName;
    bool fThumbAsked = false;
    QByteArray fThumb;
};
using TQzfsWPDfileRef = std::shared_ptr<TQzfsWPDfile>;

// The order picture of a device object: a picture file whose file is the
// downloaded copy, fetched on the first access. Size and small thumbnails
// come from the device when it gives them, so browsing downloads nothing.
class TOrderImageWPD : public TOrderImageFile {
public:
    explicit TOrderImageWPD(TQzfsWPDfileRef img);
    ~TOrderImageWPD() override;

    QString ImageLabel() override { return fImg->GetImageLabel(); }
    QString ImageData() override { return fImg->mediaLabelForError(); }
    QString mediaLabelForError() override { return fImg->mediaLabelForError(); }
    bool IsImageSizeReady() override;
    QSizeF ImageSize() override;
    void LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void UsedPrepare(IMainFrame* main) override;
    void waitingTasksCancelled() override;
    void checkFile() override;

    const TQzfsWPDfileRef& file() const { return fImg; }

private:
    TQzfsWPDfileRef fImg;
    std::shared_ptr<IThreadTask> fUsedPrepareTask;
};

class TOrderImageCacheWPD : public TQzfsDriveCacheImage {
public:
    using TQzfsDriveCacheImage::TQzfsDriveCacheImage;
};

class TQzfsWPDfolderBase : public TQzfsFolderAdvWithFolderDicoBase, public virtual IQzfsWPDfolder {
public:
    TQzfsWPDfolderBase(IMainFrame* main, IQzfsFolder* parent, const QString& subId, TWpdDeviceSharedRef shared,
                       IQzfsWPDcacheRootRef cacheRoot);

    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbFolderStyle1"); }
    bool autoRefresh() override { return false; }
    bool refreshNow() override { return false; }
    quint32 refreshTick() override { return 0; }
    bool HasImagesInSubFolders() override { return true; }
    IQzfsWPDcacheRootRef WPDcacheRoot() override { return fCacheRoot; }

    TOrderImageRef SubImageByIndice(int idx) override;
    TOrderImageRef imageFindLocal(const QString& subId) override;
    void findPrepare() override;

    virtual QString getEnumParentId() = 0;
    virtual void firstObjIdSet(const QString&) { }
    virtual QString mediaLabelForError()
    {
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        return fShared->label;
    }
    virtual bool hasDetectedContent();
    bool hasDetectedContentForRoot();

    void browseObjectsFolders();
    void browseObjectsImages();
    void foldersClear();
    void filesClear();
    bool isImageName(const QString& name);
    int fileCount();

protected:
    IMtpDeviceRef ctDevice();
    void makeObject(const TMtpObject& obj, bool wantFolders);

    TWpdDeviceSharedRef fShared;
    IQzfsWPDcacheRootRef fCacheRoot;
    std::atomic<TQzfsWPDdetectedStatus> fDetectedContentStatus { TQzfsWPDdetectedStatus::wds_noop };
    std::vector<TQzfsWPDfileRef> fFiles;
    bool fObjectsBrowsedFolders = false;
    bool fObjectsInBrowseFolders = false;
    bool fObjectsBrowsedImages = false;
    bool fObjectsInBrowseImages = false;
};

class TQzfsWPDfolder : public TQzfsWPDfolderBase {
public:
    TQzfsWPDfolder(IMainFrame* main, IQzfsFolder* parent, TWpdDeviceSharedRef shared, IQzfsWPDcacheRootRef cacheRoot,
                   const QString& objectId, const QString& label);
    QString getEnumParentId() override { return fObjectId; }
    QString folderLabel() override { return fLabel; }
    int fmxIconIndex() override { return 1; }

private:
    QString fObjectId;
    QString fLabel;
};

class TQzfsWPDdrivesRoot;

class TQzfsWPDdrive : public TQzfsWPDfolderBase, public virtual IQzfsRootDrive, public IQzfsRootBrowserError {
public:
    TQzfsWPDdrive(TQzfsWPDdrivesRoot* parent, IMtpManagerRef manager, const QString& devId, const QString& subId,
                  TQzfsWinDrivesRoot* winDrvList);

    QString getEnumParentId() override { return QStringLiteral("DEVICE"); }
    void firstObjIdSet(const QString& id) override;
    int fmxIconIndex() override { return 4; }
    bool IsVisible() override { return fVisible; }
    quint32 refreshTick() override { return fRefreshTick; }
    QString folderLabel() override;
    QString manufacturer();
    QString mediaLabelForError() override;
    bool hasDetectedContent() override;

    QString GetDrivePhysicalPath() override;
    bool IsDriveRemoveable() override { return true; }
    bool IsDriveReadOnly() override { return true; }
    bool IsDriveHidden() override { return fRootDriveHidden; }
    void SetDriveHidden(bool val) override { fRootDriveHidden = val; }
    bool onBrowseError(const std::exception& ex) override;

    // Recomputes whether the device shows; true when that changed.
    bool updateVisibility();
    bool ctReopen();
    const QString& devId() const { return fDevId; }
    QString firstObjId();

    // The device id without its platform prefix and with only file-name-safe
    // characters.
    static QString SubIdOf(const QString& devId);

private:
    bool visibilityOnce();
    void checkDetectedContent();
    void resetContent();

    IMtpManagerRef fManager;
    QString fDevId;
    QString fLabel, fManuf;
    bool fNamesRead = false;
    TQzfsWinDrivesRoot* fwinDrvList;
    QString fFirstObjId;
    std::atomic<bool> fVisible { true };
    std::atomic<bool> fRootDriveHidden { false };
    int fCheckDetectedContent = 0;
    std::atomic<quint32> fRefreshTick { 0 };
    QString fMediaLabelForError;
};

class TQzfsWPDdrivesRoot : public TQzfsDriveCacheRoot, public virtual IQzfsWPDfolder {
public:
    // manager: the device layer (null: MTP is not available here).
    TQzfsWPDdrivesRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId,
                       TQzfsWinDrivesRoot* winDrvList, IMtpManagerRef manager);

    QString fmxStyle() override { return QStringLiteral("TreeViewItemImgUsbRootStyle1"); }
    bool autoRefresh() override { return true; }
    bool HasImagesInSubFolders() override { return true; }
    bool IsReadyToUse() override { return true; }
    quint32 refreshTick() override { return fRefreshTick; }
    bool refreshNow() override;
    void findPrepare() override;
    TOrderImageRef imageFindLocal(const QString&) override { return nullptr; }
    TOrderImageRef SubImageByIndice(int) override { return nullptr; }
    IQzfsWPDcacheRootRef WPDcacheRoot() override;
    void SessionClear() override;

    bool devicesUpdate();

protected:
    TOrderImageRef cacheImageCreate(const QString& cachePath, const QString& fullId, const QString& label,
                                    const QString& data) override;

private:
    std::atomic<quint32> fRefreshTick { 0 };
    TQzfsWinDrivesRoot* fwinDrvList;
    IMtpManagerRef fManager;
    IQzfsWPDcacheRootRef fWpdCache;
    std::mutex fUpdateLock;
};
