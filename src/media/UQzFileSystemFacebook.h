#pragma once
// The customer's social-network albums as a source of the media file system.
//
// The top folder "facebook:" is a ghost node: the lists show, in its place,
// the accounts logged in during the visit (one folder per account, labelled
// with the user's name), each holding one folder per album, each album its
// photos. Photos are fetched on demand into the image cache: the stored size
// nearest to 256 x 256 for thumbnails, the largest one for previews, crops,
// printing and copies; a photo the customer uses is fetched in full in the
// background, so that it is still found, from its cached copy, once the
// social log-in is gone.
//
// A customer's traces end with his visit: SessionClear (the next customer)
// drops the accounts with their tokens and deletes the cached photos;
// AccountsClear drops only the accounts, so photos of the order stay usable.
//
// Downloads go to a temporary file renamed into place. Two threads that want
// the same file share one download: the second waits for the first. A failed
// download is an error of that request and is tried again next time.
#include "UFacebookGraphPhoto.h"
#include "UQzFileSystemCache.h"
#include "UThreadTaskQueue.h"

#include <QSet>
#include <condition_variable>
#include <mutex>

class IQzfsRoot;

// The local copies of the source, with the one lock of the source and the
// list of downloads in progress.
class TQzfsFacebookCacheRoot : public TQzfsCacheRoot {
public:
    using TQzfsCacheRoot::TQzfsCacheRoot;

    // Guards the account and album lists, the load guards and the pictures'
    // file names; never held across a request.
    std::recursive_mutex& FacebookSect() { return fSect; }

    // Makes sure path exists: returns at once when it does; when another
    // thread is fetching it, waits for that download; else runs download.
    // Raises EImgNotSupported when the file is still missing afterwards.
    void FetchOnce(const QString& path, const std::function<bool(const QString&)>& download);

private:
    std::recursive_mutex fSect;
    std::mutex fFetchLock;
    std::condition_variable fFetchDone;
    QSet<QString> fFetching;
};
using TQzfsFacebookCacheRootRef = std::shared_ptr<TQzfsFacebookCacheRoot>;

class IQzfsFacebookFolder : public virtual IQzfsFolder {
public:
    virtual TQzfsFacebookCacheRootRef FacebookCacheRoot() = 0;
};

class IQzfsFacebookSession : public virtual IQzfsFacebookFolder {
public:
    virtual IFacebookGraphPhotoRef Graph() = 0;
};

class IQzfsFacebookRoot : public virtual IQzfsFacebookFolder {
public:
    // The account folder of the logged-in client (made, with its album list,
    // on the first log-in of that user; kept on the next).
    virtual std::shared_ptr<IQzfsFacebookSession> AddGraphSession(const IFacebookGraphPhotoRef& graph) = 0;
    // Forgets every account (tokens included); the cached photos stay.
    virtual void AccountsClear() = 0;
};

// A photo rebuilt from its cached full-size file.
class TOrderImageCacheFacebook : public TQzfsDriveCacheImage {
public:
    using TQzfsDriveCacheImage::TQzfsDriveCacheImage;
};

class TQzfsFacebookSessionsRoot : public TQzfsDriveCacheRoot, public virtual IQzfsFacebookRoot {
public:
    TQzfsFacebookSessionsRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId);

    QString folderLabel() override { return QStringLiteral("Facebook"); }
    QString fmxStyle() override { return QString(); }
    bool autoRefresh() override { return true; }
    bool refreshNow() override { return false; }
    quint32 refreshTick() override { return fRefreshTick.load(); }
    bool HasImagesInSubFolders() override { return folderListCount() > 0; }
    TOrderImageRef imageFindLocal(const QString&) override { return nullptr; }
    TOrderImageRef SubImageByIndice(int) override { return nullptr; }
    void folderListAdd(const IQzfsFolderRef& fld) override;
    void folderListRemoveBySubId(const QString& subId) override;
    void folderListRemove(const IQzfsFolderRef& fld) override;
    // The next customer: accounts and cached photos are gone.
    void SessionClear() override;

    TQzfsFacebookCacheRootRef FacebookCacheRoot() override { return fFbCache; }
    std::shared_ptr<IQzfsFacebookSession> AddGraphSession(const IFacebookGraphPhotoRef& graph) override;
    void AccountsClear() override;

protected:
    TOrderImageRef cacheImageCreate(const QString& cachePath, const QString& fullId, const QString& label,
                                    const QString& data) override;

private:
    std::atomic<quint32> fRefreshTick { 0 };
    TQzfsFacebookCacheRootRef fFbCache;
};

// The media root's factory of the source ("facebook:").
IQzfsFolderRef QzfsFacebookSourceCreate(IQzfsRoot* root);

class TQzfsFacebookFolderBase : public TQzfsFolderAdvWithFolderDicoBase, public virtual IQzfsFacebookFolder {
public:
    TQzfsFacebookFolderBase(IMainFrame* main, IQzfsFacebookFolder* parent, const QString& subId);

    QString fmxStyle() override { return QString(); }
    bool autoRefresh() override { return false; }
    bool refreshNow() override { return false; }
    quint32 refreshTick() override { return 0; }
    bool HasImagesInSubFolders() override { return true; }
    TQzfsFacebookCacheRootRef FacebookCacheRoot() override { return fCacheRoot; }

    // The load guard: a flag, not a wait; a second load of the same folder
    // while the first runs is refused.
    void loadLock();
    void loadUnlock();

protected:
    TQzfsFacebookCacheRootRef fCacheRoot;
    bool fInLoad = false;
};

class TQzfsFacebookSession : public TQzfsFacebookFolderBase, public virtual IQzfsFacebookSession {
public:
    // Asks the Graph for the user and his album list.
    TQzfsFacebookSession(IMainFrame* main, IQzfsFacebookFolder* parent, const IFacebookGraphPhotoRef& graph);

    QString folderLabel() override { return fLabel; }
    void findPrepare() override;
    TOrderImageRef imageFindLocal(const QString&) override { return nullptr; }
    TOrderImageRef SubImageByIndice(int) override { return nullptr; }
    IFacebookGraphPhotoRef Graph() override { return fAlbums->Graph(); }

private:
    IFacebookAlbumsRef fAlbums;
    QString fLabel;
};

class TQzfsFacebookAlbum : public TQzfsFacebookFolderBase {
public:
    TQzfsFacebookAlbum(IMainFrame* main, IQzfsFacebookFolder* parent, IFacebookAlbumRef alb, const QString& subId);

    QString folderLabel() override { return fAlbum->Name(); }
    bool hasFolders() override { return false; }
    TOrderImageRef imageFindLocal(const QString& subId) override;
    TOrderImageRef SubImageByIndice(int idx) override;

private:
    void albumLoad();

    IFacebookAlbumRef fAlbum;
};

class TQzfsFacebookImage : public TOrderImageBase {
public:
    TQzfsFacebookImage(TQzfsFacebookFolderBase* parent, IFacebookPhotoRef photo);
    ~TQzfsFacebookImage() override;

    // Thumbnails below this on both sides come from the small stored size.
    static constexpr float ThumbnailThreshold = 200.0f;

    QSizeF ImageSize() override;
    QString ImageID() override;
    QString ImageLabel() override { return fPhoto->Name(); }
    QString ImageData() override { return QString(); }
    QDateTime ImageDate() override;
    float ImageOrientationFull() override { return 0.0f; }
    int ImageOrientationBase() override { return 0; }
    float ImageOrientationWisp() override { return 0.0f; }
    bool ImageOrientationMirrored() override { return false; }
    TSimplifiedExifData* ExifData() override;
    bool IsImageSizeReady() override { return true; }
    float DpiX() override { return 96.0f; }
    float DpiY() override { return 96.0f; }
    void LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void CopyToFile(const QString& fname) override;
    void SortAndDesignInfoPreLoad() override { }
    void UsedPrepare(IMainFrame* main) override;
    bool hasExifDate() override;
    void waitingTasksCancelled() override;

    // The full-size file in the cache, fetched when missing.
    QString fullFileGet();
    // The thumbnail file (the full file when it is there already, or when
    // the photo has no smaller size).
    QString thumbFileGet();

private:
    QString pictureExt();
    static void fetchFull(const TQzfsFacebookCacheRootRef& cache, const IFacebookPhotoRef& photo, const QString& path);

    TQzfsFacebookCacheRootRef fCacheRoot;
    IFacebookPhotoRef fPhoto;
    QString fParentId;
    // Date and Exif data are read once; the first reader may download.
    std::recursive_mutex fInfoLock;
    QDateTime fDate;
    bool fDateInit = false;
    bool fDateExif = false;
    bool fExifDataInit = false;
    std::unique_ptr<TSimplifiedExifData> fExifData;
    IThreadTaskRef fUsedPrepareTask;
    QString fFullFileName;
    QString fThumbFileName;
};
