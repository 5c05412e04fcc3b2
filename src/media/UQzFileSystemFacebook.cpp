#include "UQzFileSystemFacebook.h"

#include "UDebug.h"
#include "UImageCodec.h"
#include "UOrderImageFile.h"
#include "UQzFileSystemDrives.h"
#include "UQzFileSystemRoot.h"
#include "UThreadCancel.h"
#include "UTools.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>

namespace {

// Decoding errors keep their cause; a picture too big or a cancelled task
// keeps its own exception.
[[noreturn]] void rethrowAsNotSupported(const QString& message)
{
    try {
        throw;
    } catch (const EImgTooBig&) {
        throw;
    } catch (const ECancel&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        EImgNotSupported err(message);
        err.SetInnerException(std::current_exception());
        throw err;
    }
}

QImage decode(const QString& path, int w, int h, const QString& failure)
{
    QImage img;
    try {
        img = TImageCodec::LoadFromFile(path, w, h);
    } catch (...) {
        rethrowAsNotSupported(failure);
    }
    if (img.isNull())
        throw EImgNotSupported(failure);
    return img;
}

} // namespace

// -------------------------------------------------- TQzfsFacebookCacheRoot

void TQzfsFacebookCacheRoot::FetchOnce(const QString& path, const std::function<bool(const QString&)>& download)
{
    std::unique_lock lk(fFetchLock);
    // Another thread fetching the same file: wait for it rather than fetch
    // the file twice (or write it twice at once). The wait stays
    // cancellable, a slice at a time.
    while (fFetching.contains(path)) {
        fFetchDone.wait_for(lk, std::chrono::milliseconds(50));
        if (fFetching.contains(path)) {
            lk.unlock();
            ThreadCancel::Check();
            lk.lock();
        }
    }
    if (QFileInfo(path).isFile())
        return;
    fFetching.insert(path);
    lk.unlock();
    bool ok = false;
    auto done = [&] {
        lk.lock();
        fFetching.remove(path);
        lk.unlock();
        fFetchDone.notify_all();
    };
    try {
        TFileTools::MakeDirRec(QFileInfo(path).absolutePath());
        ok = download(path);
    } catch (...) {
        done();
        throw;
    }
    done();
    if (!ok || !QFileInfo(path).isFile())
        throw EImgNotSupported(QStringLiteral("TQzfsFacebookImage: download failed [%1]").arg(QFileInfo(path).fileName()));
}

// ----------------------------------------------- TQzfsFacebookSessionsRoot

TQzfsFacebookSessionsRoot::TQzfsFacebookSessionsRoot(IMainFrame* main, const QString& imgCachePath,
                                                     const QString& subId)
    : TQzfsDriveCacheRoot(main, imgCachePath, subId)
{
    SetGhostNode(true);
    fFbCache = std::make_shared<TQzfsFacebookCacheRoot>(imgCachePath, subId);
    fCacheRoot = fFbCache;
}

IQzfsFolderRef QzfsFacebookSourceCreate(IQzfsRoot* root)
{
    return std::make_shared<TQzfsFacebookSessionsRoot>(root->mainFrame(), root->ImageCachePath(),
                                                       QStringLiteral("facebook:"));
}

void TQzfsFacebookSessionsRoot::folderListAdd(const IQzfsFolderRef& fld)
{
    TQzfsDriveCacheRoot::folderListAdd(fld);
    ++fRefreshTick;
}

void TQzfsFacebookSessionsRoot::folderListRemoveBySubId(const QString& subId)
{
    TQzfsDriveCacheRoot::folderListRemoveBySubId(subId);
    ++fRefreshTick;
}

void TQzfsFacebookSessionsRoot::folderListRemove(const IQzfsFolderRef& fld)
{
    TQzfsDriveCacheRoot::folderListRemove(fld);
    ++fRefreshTick;
}

std::shared_ptr<IQzfsFacebookSession> TQzfsFacebookSessionsRoot::AddGraphSession(const IFacebookGraphPhotoRef& graph)
{
    const QString id = graph->loginId();
    if (!FacebookIdIsSafe(id))
        throw EFacebook(QStringLiteral("InvalidLoginRet"), QStringLiteral("Invalid user id !"));
    if (auto existing = std::dynamic_pointer_cast<IQzfsFacebookSession>(folderFindLocal(id)))
        return existing;
    // The album list is requested here, outside the lock.
    auto session = std::make_shared<TQzfsFacebookSession>(mainFrame(), this, graph);
    std::lock_guard lk(fFbCache->FacebookSect());
    if (auto existing = std::dynamic_pointer_cast<IQzfsFacebookSession>(folderFindLocal(id)))
        return existing;
    folderListAdd(session);
    return session;
}

void TQzfsFacebookSessionsRoot::AccountsClear()
{
    std::vector<IQzfsFolderRef> old;
    {
        std::lock_guard lk(fFbCache->FacebookSect());
        old = folderListSnapshot();
        folderListAssign({});
        ++fRefreshTick;
    }
    // Pictures handed out keep their photo objects, and with them the
    // client: its token is forgotten here, so no later request can act for
    // the customer (the stored sizes' addresses need no token).
    for (const IQzfsFolderRef& f : old)
        if (auto session = std::dynamic_pointer_cast<IQzfsFacebookSession>(f))
            session->Graph()->CloseAccess();
    old.clear();
}

void TQzfsFacebookSessionsRoot::SessionClear()
{
    AccountsClear();
    fFbCache->Purge();
}

TOrderImageRef TQzfsFacebookSessionsRoot::cacheImageCreate(const QString& cachePath, const QString& fullId,
                                                           const QString& label, const QString& data)
{
    return std::make_unique<TOrderImageCacheFacebook>(fullId, label, data, cachePath);
}

// ------------------------------------------------- TQzfsFacebookFolderBase

TQzfsFacebookFolderBase::TQzfsFacebookFolderBase(IMainFrame* main, IQzfsFacebookFolder* parent, const QString& subId)
    : TQzfsFolderAdvWithFolderDicoBase(main, parent, subId)
    , fCacheRoot(parent->FacebookCacheRoot())
{
}

void TQzfsFacebookFolderBase::loadLock()
{
    std::lock_guard lk(fCacheRoot->FacebookSect());
    if (fInLoad)
        throw Exception(QStringLiteral("TQzfsFacebookFolderBase.loadLock: double call"));
    fInLoad = true;
}

void TQzfsFacebookFolderBase::loadUnlock()
{
    std::lock_guard lk(fCacheRoot->FacebookSect());
    if (!fInLoad)
        throw Exception(QStringLiteral("TQzfsFacebookFolderBase.loadUnlock: unexpected call"));
    fInLoad = false;
}

// ---------------------------------------------------- TQzfsFacebookSession

TQzfsFacebookSession::TQzfsFacebookSession(IMainFrame* main, IQzfsFacebookFolder* parent,
                                           const IFacebookGraphPhotoRef& graph)
    : TQzfsFacebookFolderBase(main, parent, graph->loginId())
    , fLabel(graph->loginName())
{
    fAlbums = graph->CreateAlbums();
}

void TQzfsFacebookSession::findPrepare()
{
    TQzfsFacebookFolderBase::findPrepare();
    // The album list was loaded with the account: making its folders needs
    // no request, so it is done under the lock and two browsing threads
    // never see a half-made list.
    std::lock_guard lk(fCacheRoot->FacebookSect());
    if (folderListCount() > 0)
        return;
    fAlbums->Load();
    for (const IFacebookAlbumRef& album : fAlbums->Children())
        folderListAdd(std::make_shared<TQzfsFacebookAlbum>(mainFrame(), this, album, album->Id()));
}

// ------------------------------------------------------ TQzfsFacebookAlbum

TQzfsFacebookAlbum::TQzfsFacebookAlbum(IMainFrame* main, IQzfsFacebookFolder* parent, IFacebookAlbumRef alb,
                                       const QString& subId)
    : TQzfsFacebookFolderBase(main, parent, subId)
    , fAlbum(std::move(alb))
{
}

void TQzfsFacebookAlbum::albumLoad()
{
    {
        std::lock_guard lk(fCacheRoot->FacebookSect());
        if (fAlbum->Loaded())
            return;
    }
    loadLock();
    try {
        fAlbum->Load();
    } catch (...) {
        loadUnlock();
        throw;
    }
    loadUnlock();
}

TOrderImageRef TQzfsFacebookAlbum::imageFindLocal(const QString& subId)
{
    albumLoad();
    QString photoId = subId;
    const int dot = photoId.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        photoId = photoId.left(dot);
    std::lock_guard lk(fCacheRoot->FacebookSect());
    IFacebookPhotoRef photo = fAlbum->RetrievePhotoFromFileId(photoId);
    if (!photo)
        return nullptr;
    auto img = std::make_unique<TQzfsFacebookImage>(this, photo);
    // The id must be the one asked for: "934.png" is not "934.jpg".
    if (img->ImageID() != folderId() + folderIdSeparator() + subId)
        return nullptr;
    return img;
}

TOrderImageRef TQzfsFacebookAlbum::SubImageByIndice(int idx)
{
    albumLoad();
    std::lock_guard lk(fCacheRoot->FacebookSect());
    IFacebookPhotoRef photo = fAlbum->RetrievePhotoFromFileIndice(idx);
    if (!photo)
        return nullptr;
    return std::make_unique<TQzfsFacebookImage>(this, photo);
}

// ------------------------------------------------------ TQzfsFacebookImage

TQzfsFacebookImage::TQzfsFacebookImage(TQzfsFacebookFolderBase* parent, IFacebookPhotoRef photo)
    : fCacheRoot(parent->FacebookCacheRoot())
    , fPhoto(std::move(photo))
    , fParentId(parent->folderId())
{
}

TQzfsFacebookImage::~TQzfsFacebookImage()
{
    try {
        if (fUsedPrepareTask)
            fUsedPrepareTask->CancelAsk(ThreadTaskWaitMode::ttwm_wait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFacebookImage.Destroy"), e);
    }
}

QString TQzfsFacebookImage::pictureExt()
{
    // A preview address without a plain extension still names a picture
    // file: the stored sizes are JPEG pictures.
    const QString ext = fPhoto->SourceExt();
    return ext.isEmpty() ? QStringLiteral(".jpg") : ext;
}

QString TQzfsFacebookImage::ImageID()
{
    return fParentId + TQzfsFolderBase::folderIdSeparator() + fPhoto->Id() + pictureExt();
}

QSizeF TQzfsFacebookImage::ImageSize()
{
    return QSizeF(fPhoto->SizeMax());
}

QDateTime TQzfsFacebookImage::ImageDate()
{
    std::lock_guard lk(fInfoLock);
    if (fDateInit)
        return fDate;
    const QDateTime dt = fPhoto->Date();
    if (dt.isValid()) {
        fDate = dt;
        fDateExif = true;
        fDateInit = true;
        return fDate;
    }
    // A photo the network gave no date: its Exif date, but only from a full
    // file already fetched; sorting an album by date downloads nothing.
    const QString full = fCacheRoot->idToCachePath(ImageID());
    if (!QFileInfo(full).isFile())
        return QDateTime();
    if (TSimplifiedExifData* exif = ExifData()) {
        if (exif->DateTimeOriginal().isValid()) {
            fDate = exif->DateTimeOriginal();
            fDateExif = true;
        } else if (exif->DateTime().isValid()) {
            fDate = exif->DateTime();
        }
    }
    fDateInit = true;
    return fDate;
}

bool TQzfsFacebookImage::hasExifDate()
{
    ImageDate();
    return fDateExif;
}

TSimplifiedExifData* TQzfsFacebookImage::ExifData()
{
    std::lock_guard lk(fInfoLock);
    if (!fExifDataInit) {
        const QString path = fullFileGet();
        auto data = std::make_unique<TSimplifiedExifData>();
        if (data->LoadFromGraphic(path))
            fExifData = std::move(data);
        fExifDataInit = true;
    }
    return fExifData.get();
}

void TQzfsFacebookImage::fetchFull(const TQzfsFacebookCacheRootRef& cache, const IFacebookPhotoRef& photo,
                                   const QString& path)
{
    IFacebookPhotoFileRef file = photo->FileWithSizeMax();
    cache->FetchOnce(path, [file](const QString& p) { return file->DownloadTo(p); });
}

QString TQzfsFacebookImage::fullFileGet()
{
    {
        std::lock_guard lk(fCacheRoot->FacebookSect());
        if (!fFullFileName.isEmpty())
            return fFullFileName;
    }
    const QString path = fCacheRoot->idToCachePath(ImageID());
    fetchFull(fCacheRoot, fPhoto, path);
    std::lock_guard lk(fCacheRoot->FacebookSect());
    fFullFileName = path;
    return path;
}

QString TQzfsFacebookImage::thumbFileGet()
{
    {
        std::lock_guard lk(fCacheRoot->FacebookSect());
        if (!fFullFileName.isEmpty())
            return fFullFileName;
        if (!fThumbFileName.isEmpty())
            return fThumbFileName;
    }
    const QString id = ImageID();
    // A full file already in the cache serves every use.
    if (QFileInfo(fCacheRoot->idToCachePath(id)).isFile())
        return fullFileGet();
    const QString path = fCacheRoot->idToCachePath(id + pictureExt());
    IFacebookPhotoFileRef small = fPhoto->FileWithSize(200, 200);
    if (small == fPhoto->FileWithSizeMax())
        return fullFileGet();
    fCacheRoot->FetchOnce(path, [small](const QString& p) { return small->DownloadTo(p); });
    std::lock_guard lk(fCacheRoot->FacebookSect());
    fThumbFileName = path;
    return path;
}

void TQzfsFacebookImage::LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode)
{
    const QString fullFailed = QStringLiteral("TQzfsFacebookImage.LoadFromFile failed");
    ThreadCancel::Check();
    int W = bitmapWidthMax;
    int H = bitmapHeightMax;
    if (W <= 0) {
        bmp = decode(fullFileGet(), 0, 0, fullFailed);
        return;
    }
    const QSizeF S = ImageSize();
    const int sw = int(std::lround(S.width()));
    const int sh = int(std::lround(S.height()));
    if (bitmapMode == TOrderBitmapMode::obm_sizeMinForCrop)
        TImageTools::AspectRatioSizeCoerceMin(W, H, sw, sh);
    else
        TImageTools::AspectRatioSizeCoerce(W, H, sw, sh);
    if (W >= S.width() && H >= S.height()) {
        bmp = decode(fullFileGet(), 0, 0, fullFailed);
        if (bmp.width() > W || bmp.height() > H)
            throw EImgNotSupported(QStringLiteral("TQzfsFacebookImage.LoadFromFile failed / image too big"));
        return;
    }
    const QString reducedFailed = QStringLiteral("TQzfsFacebookImage.LoadBitmap / LoadThumbnailFromFile(4) failed");
    QString path;
    try {
        path = (W >= ThumbnailThreshold || H >= ThumbnailThreshold) ? fullFileGet() : thumbFileGet();
    } catch (...) {
        rethrowAsNotSupported(reducedFailed);
    }
    bmp = decode(path, std::max(W, 1), std::max(H, 1), reducedFailed);
}

void TQzfsFacebookImage::CopyToFile(const QString& fname)
{
    QFile src(fullFileGet());
    if (!src.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(src.fileName(), src.errorString()));
    QzfsWriteFileChecked(fname, src.readAll());
}

void TQzfsFacebookImage::UsedPrepare(IMainFrame* main)
{
    {
        std::lock_guard lk(fCacheRoot->FacebookSect());
        if (!fFullFileName.isEmpty())
            return;
    }
    if (fUsedPrepareTask && fUsedPrepareTask->IsWaitingForExec())
        return;
    // The task holds what it needs, not the picture object, which the order
    // may drop while the task waits.
    TQzfsFacebookCacheRootRef cache = fCacheRoot;
    IFacebookPhotoRef photo = fPhoto;
    const QString path = fCacheRoot->idToCachePath(ImageID());
    const QString id = ImageID();
    auto fetch = [cache, photo, path, id] {
        try {
            fetchFull(cache, photo, path);
        } catch (const ECancel&) {
            throw;
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TQzfsFacebookImage.UsedPrepare(%1)").arg(id), e);
        }
    };
    if (TThreadTaskQueueBase* queue = QzfsImageCopyQueue(main)) {
        fUsedPrepareTask = queue->AddCall(fetch);
        return;
    }
    fetch();
}

void TQzfsFacebookImage::waitingTasksCancelled()
{
    try {
        if (fUsedPrepareTask)
            fUsedPrepareTask->CancelAsk(ThreadTaskWaitMode::ttwm_nowait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsFacebookImage.waitingTasksCancelled"), e);
    }
    TOrderImageBase::waitingTasksCancelled();
}
