#include "UQzFileSystemDiskWPD.h"

#include "IMainFrame.h"
#include "UDebug.h"
#include "UMediaEjected.h"
#include "UQzFileSystemDisk.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>

namespace {

constexpr quint32 kTransferMin = 1024;
constexpr quint32 kTransferMax = 32u * 1024 * 1024;

// A name from the device made fit for a label: control characters dropped.
QString cleanLabel(const QString& name)
{
    QString out;
    for (const QChar c : name)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F && c.category() != QChar::Other_Control)
            out += c;
    return out;
}

// The last path component of an object id as a sub id that cannot leave its
// folder: file-name-safe characters only, no leading dot, escaped.
QString objectSubId(const QString& objectId)
{
    QString last = objectId;
    const qsizetype cut = std::max(last.lastIndexOf(QLatin1Char('\\')), last.lastIndexOf(QLatin1Char('/')));
    last = last.mid(cut + 1);
    QString clean = TAppTools::CleanFileName(last, true);
    while (clean.startsWith(QLatin1Char('.')))
        clean.remove(0, 1);
    return QzfsNameToSubId(clean.left(100));
}

// The extension of a device name with its dot, ASCII letters and digits only.
QString cleanExtension(const QString& name)
{
    const QString suffix = QFileInfo(name).suffix();
    QString out;
    for (const QChar c : suffix)
        if (c.unicode() < 0x80 && c.isLetterOrNumber())
            out += c;
    return out.isEmpty() ? QString() : QLatin1Char('.') + out.left(10);
}

} // namespace

quint32 WpdClampTransferSize(quint32 optimal, const QString& path)
{
    if (optimal < kTransferMin) {
        LogDebugFmt(QStringLiteral("WPD: TQzfsWPDfile.downloadTo(%s): optimalTransferSize(%u) too small"),
                    { path, optimal });
        return kTransferMin;
    }
    if (optimal > kTransferMax) {
        LogDebugFmt(QStringLiteral("WPD: TQzfsWPDfile.downloadTo(%s): optimalTransferSize(%u) too big"),
                    { path, optimal });
        return kTransferMax;
    }
    return optimal;
}

// ------------------------------------------------------------- TQzfsWPDfile

TQzfsWPDfile::TQzfsWPDfile(IMainFrame* main, TWpdDeviceSharedRef shared, IQzfsWPDcacheRootRef cacheRoot,
                           const TMtpObject& obj, const QString& fullId, const QString& label)
    : fMainFrame(main)
    , fShared(std::move(shared))
    , fCacheRoot(std::move(cacheRoot))
    , fObj(obj)
    , fSubId(fullId)
    , fSubSubId(fullId.mid(fullId.lastIndexOf(QLatin1Char('\\')) + 1))
    , fSubLabel(label)
{
}

QString TQzfsWPDfile::mediaLabelForError() const
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    return fShared->label;
}

QString TQzfsWPDfile::downloadedPath()
{
    std::lock_guard<std::mutex> lock(fDownloadLock);
    return fFullFileName;
}

QString TQzfsWPDfile::fullFilePath()
{
    std::lock_guard<std::mutex> lock(fDownloadLock);
    if (fFullFileName.isEmpty() || !QFileInfo::exists(fFullFileName)) {
        const QString path = fCacheRoot->idToCachePath(fSubId);
        if (!QFileInfo::exists(path))
            downloadTo(path);
        fFullFileName = path;
    }
    return fFullFileName;
}

void TQzfsWPDfile::downloadTo(const QString& path)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        throw EFCreateError(QStringLiteral("TQzfsWPDfile.downloadTo: cannot create ") + dir);
    IMtpDeviceRef dev = fShared->device();
    if (!dev)
        throw EMediaEjected(mediaLabelForError(), QStringLiteral("TQzfsWPDfile.ctTransfer(0)"));
    const quint32 block = WpdClampTransferSize(dev->optimalTransferSize(), path);
    QTemporaryFile tmp(path + QStringLiteral(".XXXXXX.part"));
    if (!tmp.open())
        throw EFCreateError(QStringLiteral("TQzfsWPDfile.downloadTo: cannot create a file in ") + dir);
    if (!dev->download(fObj.id, tmp.handle(), block))
        throw EMediaEjected(mediaLabelForError(),
                            QStringLiteral("TQzfsWPDfile.downloadTo(%1): transfer failed").arg(fObj.id));
    const qint64 got = QFileInfo(tmp.fileName()).size();
    if ((fObj.size >= 0 && got != fObj.size) || got == 0)
        throw EMediaEjected(mediaLabelForError(), QStringLiteral("TQzfsWPDfile.downloadTo(%1): %2 bytes of %3")
                                                      .arg(fObj.id)
                                                      .arg(got)
                                                      .arg(fObj.size));
    tmp.close();
    if (std::rename(QFile::encodeName(tmp.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        throw EFCreateError(QStringLiteral("TQzfsWPDfile.downloadTo: cannot store ") + path);
    tmp.setAutoRemove(false);
}

QByteArray TQzfsWPDfile::deviceThumbnail()
{
    std::lock_guard<std::mutex> lock(fDownloadLock);
    if (!fThumbAsked && fObj.hasThumbnail) {
        fThumbAsked = true;
        if (IMtpDeviceRef dev = fShared->device())
            fThumb = dev->thumbnail(fObj.id);
    }
    return fThumb;
}

TOrderImageRef TQzfsWPDfile::CreateOrderImage(const std::shared_ptr<TQzfsWPDfile>& self)
{
    return std::make_unique<TOrderImageWPD>(self);
}

// ----------------------------------------------------------- TOrderImageWPD

TOrderImageWPD::TOrderImageWPD(TQzfsWPDfileRef img) : TOrderImageFile(img->GetImageId(), QString()), fImg(std::move(img))
{
}

TOrderImageWPD::~TOrderImageWPD()
{
    try {
        if (fUsedPrepareTask)
            fUsedPrepareTask->CancelAsk(ThreadTaskWaitMode::ttwm_wait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsWPDfile.Destroy"), e);
    }
}

void TOrderImageWPD::checkFile()
{
    TOrderImageFile::checkFile();
    if (ImagePath().isEmpty() || !QFileInfo::exists(ImagePath()))
        SetImagePath(fImg->fullFilePath());
}

bool TOrderImageWPD::IsImageSizeReady()
{
    return !fImg->deviceSize().isEmpty() || !fImg->downloadedPath().isEmpty();
}

QSizeF TOrderImageWPD::ImageSize()
{
    // The device's own size saves a download while browsing; once the copy
    // exists its header (and orientation) is the reference.
    const QSize dev = fImg->deviceSize();
    if (fImg->downloadedPath().isEmpty() && dev.width() > 0 && dev.height() > 0)
        return QSizeF(dev);
    return TOrderImageFile::ImageSize();
}

void TOrderImageWPD::LoadBitmap(QImage& bmp, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode)
{
    const bool small = bitmapWidthMax > 0 && bitmapWidthMax < ThumbnailThreshold
        && bitmapHeightMax < ThumbnailThreshold;
    if (small && fImg->downloadedPath().isEmpty()) {
        const QByteArray thumb = fImg->deviceThumbnail();
        QImage img;
        if (!thumb.isEmpty() && img.loadFromData(thumb)) {
            bmp = img.scaled(bitmapWidthMax, std::max(1, bitmapHeightMax), Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
            return;
        }
    }
    TOrderImageFile::LoadBitmap(bmp, bitmapWidthMax, bitmapHeightMax, bitmapMode);
}

void TOrderImageWPD::UsedPrepare(IMainFrame* main)
{
    if (!fImg->downloadedPath().isEmpty())
        return;
    if (fUsedPrepareTask && fUsedPrepareTask->IsWaitingForExec())
        return;
    TQzfsWPDfileRef img = fImg;
    if (TThreadTaskQueueBase* queue = QzfsImageCopyQueue(main)) {
        fUsedPrepareTask = queue->AddCall([img] { img->fullFilePath(); });
        return;
    }
    try {
        img->fullFilePath();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TQzfsWPDfile.UsedPrepare(%1)").arg(ImageID()), e);
    }
}

void TOrderImageWPD::waitingTasksCancelled()
{
    try {
        if (fUsedPrepareTask)
            fUsedPrepareTask->CancelAsk(ThreadTaskWaitMode::ttwm_nowait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsWPDfile.waitingTasksCancelled"), e);
    }
}

// ------------------------------------------------------- TQzfsWPDfolderBase

TQzfsWPDfolderBase::TQzfsWPDfolderBase(IMainFrame* main, IQzfsFolder* parent, const QString& subId,
                                       TWpdDeviceSharedRef shared, IQzfsWPDcacheRootRef cacheRoot)
    : TQzfsFolderAdvWithFolderDicoBase(main, parent, subId), fShared(std::move(shared)), fCacheRoot(std::move(cacheRoot))
{
}

IMtpDeviceRef TQzfsWPDfolderBase::ctDevice()
{
    IMtpDeviceRef dev = fShared->device();
    if (!dev)
        throw EMediaEjected(mediaLabelForError(), QStringLiteral("TQzfsWPDfolderBase.ctEnum(ct=nil)"));
    return dev;
}

bool TQzfsWPDfolderBase::isImageName(const QString& name)
{
    return QzfsNameMatchesMasks(name, QzfsImageMasks(fMainFrame));
}

int TQzfsWPDfolderBase::fileCount()
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    return int(fFiles.size());
}

void TQzfsWPDfolderBase::foldersClear()
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    folderListAssign({});
    fObjectsBrowsedFolders = false;
}

void TQzfsWPDfolderBase::filesClear()
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    fFiles.clear();
    fObjectsBrowsedImages = false;
}

void TQzfsWPDfolderBase::makeObject(const TMtpObject& obj, bool wantFolders)
{
    QString name = cleanLabel(obj.name);
    if (name.isEmpty())
        name = obj.id;
    if (obj.folder) {
        if (!wantFolders)
            return;
        if (name.startsWith(QLatin1Char('.'))) {
            LogDebugFmt(QStringLiteral("TQzfsWPDfolderBase(%s).makeObject(objectId=%s, objName=%s): folder starting by "
                                       "'.': ignored"),
                        { folderId(), obj.id, name });
            return;
        }
        const QString subId = objectSubId(obj.id);
        if (subId.isEmpty())
            return;
        folderListAdd(std::make_shared<TQzfsWPDfolder>(fMainFrame, this, fShared, fCacheRoot, obj.id, name));
        return;
    }
    if (wantFolders)
        return;
    const QString subId = objectSubId(obj.id);
    if (subId.isEmpty())
        return;
    QString id;
    if (isImageName(subId))
        id = subId;
    else if (name != obj.id && isImageName(name))
        id = subId + cleanExtension(name);
    else
        return;
    auto file = std::make_shared<TQzfsWPDfile>(fMainFrame, fShared, fCacheRoot, obj,
                                               folderId() + folderIdSeparator() + id, name);
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    fFiles.push_back(std::move(file));
}

void TQzfsWPDfolderBase::browseObjectsFolders()
{
    {
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        if (fObjectsBrowsedFolders)
            return;
        if (fObjectsInBrowseFolders)
            throw Exception(QStringLiteral("TQzfsWPDfolderBase.browseObjects: double call"));
        fObjectsInBrowseFolders = true;
    }
    try {
        const QList<TMtpObject> children = ctDevice()->children(getEnumParentId());
        for (const TMtpObject& obj : children) {
            QzfsTaskCheckStop(fMainFrame);
            if (fDetectedContentStatus == TQzfsWPDdetectedStatus::wds_noop) {
                firstObjIdSet(obj.id);
                fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasContent;
                LogDebugFmt(QStringLiteral("WPD: folder(%s).browseObjectsFolders: folder has content (first: %s)"),
                            { folderId(), obj.id });
            }
            makeObject(obj, true);
        }
        if (children.isEmpty() && fDetectedContentStatus == TQzfsWPDdetectedStatus::wds_noop)
            fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasNoContent;
        std::vector<IQzfsFolderRef> sorted = folderListSnapshot();
        TQzfsFolderBase::SortFolders(sorted);
        folderListAssign(std::move(sorted));
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        fObjectsBrowsedFolders = true;
        fObjectsInBrowseFolders = false;
    } catch (...) {
        foldersClear();
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        fObjectsInBrowseFolders = false;
        throw;
    }
}

void TQzfsWPDfolderBase::browseObjectsImages()
{
    {
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        if (fObjectsBrowsedImages)
            return;
        if (fObjectsInBrowseImages)
            throw Exception(QStringLiteral("TQzfsWPDfolderBase.browseObjects: double call"));
        fObjectsInBrowseImages = true;
    }
    try {
        const QList<TMtpObject> children = ctDevice()->children(getEnumParentId());
        for (const TMtpObject& obj : children) {
            QzfsTaskCheckStop(fMainFrame);
            makeObject(obj, false);
        }
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        fObjectsBrowsedImages = true;
        fObjectsInBrowseImages = false;
    } catch (...) {
        filesClear();
        std::lock_guard<std::recursive_mutex> lock(fShared->sect);
        fObjectsInBrowseImages = false;
        throw;
    }
}

void TQzfsWPDfolderBase::findPrepare()
{
    browseObjectsFolders();
    TQzfsFolderAdvWithFolderDicoBase::findPrepare();
}

TOrderImageRef TQzfsWPDfolderBase::SubImageByIndice(int idx)
{
    browseObjectsImages();
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    if (idx < 0 || idx >= int(fFiles.size()))
        return nullptr;
    return fFiles[size_t(idx)]->CreateOrderImage(fFiles[size_t(idx)]);
}

TOrderImageRef TQzfsWPDfolderBase::imageFindLocal(const QString& subId)
{
    browseObjectsImages();
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    for (const TQzfsWPDfileRef& f : fFiles)
        if (QString::compare(f->GetImageSubId(), subId, Qt::CaseInsensitive) == 0)
            return f->CreateOrderImage(f);
    return nullptr;
}

bool TQzfsWPDfolderBase::hasDetectedContent()
{
    if (fDetectedContentStatus != TQzfsWPDdetectedStatus::wds_noop)
        return fDetectedContentStatus == TQzfsWPDdetectedStatus::wds_hasContent;
    const QString first = ctDevice()->firstChild(getEnumParentId());
    if (!first.isEmpty()) {
        firstObjIdSet(first);
        LogDebugFmt(QStringLiteral("WPD: folder %s has content (first: %s)"), { folderId(), first });
        fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasContent;
        return true;
    }
    fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasNoContent;
    return false;
}

bool TQzfsWPDfolderBase::hasDetectedContentForRoot()
{
    if (fDetectedContentStatus == TQzfsWPDdetectedStatus::wds_hasNoContent) {
        fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_noop;
        foldersClear();
        filesClear();
    }
    return TQzfsWPDfolderBase::hasDetectedContent();
}

// ----------------------------------------------------------- TQzfsWPDfolder

TQzfsWPDfolder::TQzfsWPDfolder(IMainFrame* main, IQzfsFolder* parent, TWpdDeviceSharedRef shared,
                               IQzfsWPDcacheRootRef cacheRoot, const QString& objectId, const QString& label)
    : TQzfsWPDfolderBase(main, parent, objectSubId(objectId), std::move(shared), std::move(cacheRoot))
    , fObjectId(objectId)
    , fLabel(label)
{
}

// ------------------------------------------------------------ TQzfsWPDdrive

TQzfsWPDdrive::TQzfsWPDdrive(TQzfsWPDdrivesRoot* parent, IMtpManagerRef manager, const QString& devId,
                             const QString& subId, TQzfsWinDrivesRoot* winDrvList)
    : TQzfsWPDfolderBase(parent->mainFrame(), parent, subId, std::make_shared<TWpdDeviceShared>(),
                         parent->WPDcacheRoot())
    , fManager(std::move(manager))
    , fDevId(devId)
    , fwinDrvList(winDrvList)
{
    // A device that cannot be opened shows no content.
    fShared->dev = fManager ? fManager->open(devId) : nullptr;
    mediaLabelForError();
}

QString TQzfsWPDdrive::SubIdOf(const QString& devId)
{
    QString id = devId;
    if (id.startsWith(QLatin1String("\\\\?\\")))
        id.remove(0, 4);
    return TAppTools::CleanFileName(id, true);
}

void TQzfsWPDdrive::firstObjIdSet(const QString& id)
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    fFirstObjId = id;
}

QString TQzfsWPDdrive::firstObjId()
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    return fFirstObjId;
}

QString TQzfsWPDdrive::folderLabel()
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    if (!fNamesRead) {
        if (IMtpDeviceRef dev = fShared->dev) {
            fLabel = cleanLabel(dev->friendlyName());
            if (fLabel.isEmpty())
                fLabel = cleanLabel(dev->model());
            fManuf = cleanLabel(dev->manufacturer());
            fNamesRead = true;
        }
    }
    return fLabel.isEmpty() ? fsubId : fLabel;
}

QString TQzfsWPDdrive::manufacturer()
{
    folderLabel();
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    return fManuf;
}

QString TQzfsWPDdrive::mediaLabelForError()
{
    std::lock_guard<std::recursive_mutex> lock(fShared->sect);
    if (fMediaLabelForError.isEmpty()) {
        fMediaLabelForError = QStringLiteral("?");
        try {
            fMediaLabelForError = (manufacturer().trimmed() + QLatin1Char(' ') + folderLabel()).trimmed();
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TQzfsWPDdrive.mediaLabelForError"), e);
            return QString();
        }
        fShared->label = fMediaLabelForError;
    }
    return fMediaLabelForError;
}

QString TQzfsWPDdrive::GetDrivePhysicalPath()
{
    throw Exception(QStringLiteral("TQzfsWPDdrive.GetDrivePhysicalPath: unexpected call"));
}

void TQzfsWPDdrive::resetContent()
{
    fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_noop;
    foldersClear();
    filesClear();
}

bool TQzfsWPDdrive::hasDetectedContent()
{
    switch (fDetectedContentStatus.load()) {
    case TQzfsWPDdetectedStatus::wds_hasNoContent:
        resetContent();
        break;
    case TQzfsWPDdetectedStatus::wds_hasContent:
        checkDetectedContent();
        if (fDetectedContentStatus == TQzfsWPDdetectedStatus::wds_hasContent)
            return true;
        break;
    case TQzfsWPDdetectedStatus::wds_hasAlwaysNoContent:
        return false;
    case TQzfsWPDdetectedStatus::wds_noop:
        break;
    }
    if (!TQzfsWPDfolderBase::hasDetectedContent())
        return false;
    try {
        if (!manufacturer().toLower().contains(QLatin1String("apple")))
            return true;
        // This maker shows an empty storage while the phone is locked: the
        // device counts only once its first storage has content.
        fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasNoContent;
        browseObjectsFolders();
        const std::vector<IQzfsFolderRef> folders = folderListSnapshot();
        if (folders.empty())
            return false;
        auto first = std::dynamic_pointer_cast<TQzfsWPDfolderBase>(folders.front());
        if (!first || !first->hasDetectedContentForRoot())
            return false;
        fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasContent;
        return true;
    } catch (const std::exception& e) {
        fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasNoContent;
        LogErrorFmt(QStringLiteral("TQzfsWPDdrive(%s).hasDetectedContent"), { folderId() }, e);
        return false;
    }
}

void TQzfsWPDdrive::checkDetectedContent()
{
    if (++fCheckDetectedContent <= 2)
        return;
    fCheckDetectedContent = 0;
    try {
        const QString first = ctDevice()->firstChild(getEnumParentId());
        const QString old = firstObjId();
        if (first.isEmpty()) {
            LogDebugFmt(QStringLiteral("WPD: folder %s content changed, no more contents !"), { folderId() });
            resetContent();
            fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasNoContent;
        } else if (first != old) {
            LogDebugFmt(QStringLiteral("WPD: folder %s content changed ! (first: %s, old: %s)"),
                        { folderId(), first, old });
            resetContent();
        } else {
            return;
        }
        fCacheRoot->forceRefresh();
        ++fRefreshTick;
    } catch (const std::exception& e) {
        LogErrorFmt(QStringLiteral("TQzfsWPDdrive(%s).checkDetectedContent"), { folderId() }, e);
        throw;
    }
}

bool TQzfsWPDdrive::ctReopen()
{
    if (fDetectedContentStatus != TQzfsWPDdetectedStatus::wds_noop)
        resetContent();
    try {
        IMtpDeviceRef dev = fManager ? fManager->open(fDevId) : nullptr;
        if (!dev)
            throw EMediaEjected(mediaLabelForError(), QStringLiteral("TQzfsWPDdrive.ctReopen(0,0)"));
        IMtpDeviceRef old;
        {
            std::lock_guard<std::recursive_mutex> lock(fShared->sect);
            old = std::move(fShared->dev);
            fShared->dev = std::move(dev);
        }
        old.reset(); // the old device is released outside the lock
        fCacheRoot->forceRefresh();
        ++fRefreshTick;
        return true;
    } catch (const EMediaEjected& e) {
        LogDebugFmt(QStringLiteral("TQzfsWPDdrive(%s).ctReopen"), { fsubId }, e);
        return false;
    }
}

bool TQzfsWPDdrive::onBrowseError(const std::exception& ex)
{
    if (!dynamic_cast<const EMediaEjected*>(&ex))
        return false;
    return ctReopen();
}

bool TQzfsWPDdrive::visibilityOnce()
{
    bool visible = !fRootDriveHidden && hasDetectedContent();
    if (visible && fwinDrvList && fwinDrvList->IsWPDdriveListed(firstObjId())) {
        visible = false;
        fDetectedContentStatus = TQzfsWPDdetectedStatus::wds_hasAlwaysNoContent;
    }
    return visible;
}

bool TQzfsWPDdrive::updateVisibility()
{
    bool visible = false;
    try {
        visible = visibilityOnce();
    } catch (const EMediaEjected& e) {
        LogDebugFmt(QStringLiteral("TQzfsWPDdrive(%s).updateVisibility/first try"), { fsubId }, e);
        if (ctReopen()) {
            try {
                visible = visibilityOnce();
            } catch (const std::exception& e2) {
                LogErrorFmt(QStringLiteral("TQzfsWPDdrive(%s).updateVisibility"), { fsubId }, e2);
                visible = false;
            }
        }
    } catch (const std::exception& e) {
        LogErrorFmt(QStringLiteral("TQzfsWPDdrive(%s).updateVisibility"), { fsubId }, e);
        visible = false;
    }
    if (visible == fVisible)
        return false;
    fVisible = visible;
    if (visible)
        LogDebugFmt(QStringLiteral("WPD: device found: %s added -> contents"), { fDevId });
    else if (fDetectedContentStatus == TQzfsWPDdetectedStatus::wds_hasAlwaysNoContent)
        LogDebugFmt(QStringLiteral("WPD: device found: %s ignored -> already in classical drive list"), { fDevId });
    else
        LogDebugFmt(QStringLiteral("WPD: device found: %s ignored -> no content"), { fDevId });
    return true;
}

// ------------------------------------------------------- TQzfsWPDdrivesRoot

TQzfsWPDdrivesRoot::TQzfsWPDdrivesRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId,
                                       TQzfsWinDrivesRoot* winDrvList, IMtpManagerRef manager)
    : TQzfsDriveCacheRoot(main, imgCachePath, subId), fwinDrvList(winDrvList), fManager(std::move(manager))
{
    fWpdCache = std::make_shared<TQzfsWPDcacheRoot>(imgCachePath, subId);
    fCacheRoot = fWpdCache;
    SetGhostNode(true);
    if (fManager)
        LogInfo(QStringLiteral("WPD available (TQzfsWPDdrivesRoot.GetDeviceManager)"));
    else
        LogInfo(QStringLiteral("WPD not available (TQzfsWPDdrivesRoot.GetDeviceManager)"));
}

IQzfsWPDcacheRootRef TQzfsWPDdrivesRoot::WPDcacheRoot() { return fWpdCache; }

TOrderImageRef TQzfsWPDdrivesRoot::cacheImageCreate(const QString& cachePath, const QString& fullId,
                                                    const QString& label, const QString& data)
{
    return std::make_unique<TOrderImageCacheWPD>(fullId, label, data, cachePath);
}

void TQzfsWPDdrivesRoot::SessionClear() { fWpdCache->Purge(); }

void TQzfsWPDdrivesRoot::findPrepare()
{
    if (folderListCount() == 0)
        refreshNow();
}

bool TQzfsWPDdrivesRoot::refreshNow()
{
    bool changed = false;
    if (fWpdCache->refreshToForce()) {
        ++fRefreshTick;
        changed = true;
    }
    if (devicesUpdate()) {
        ++fRefreshTick;
        changed = true;
    }
    return changed;
}

bool TQzfsWPDdrivesRoot::devicesUpdate()
{
    if (!fManager)
        return false;
    std::lock_guard<std::mutex> lock(fUpdateLock);
    bool changed = false, added = false;
    try {
        const QStringList ids = fManager->deviceIds();
        std::vector<IQzfsFolderRef> seen;
        for (const QString& devId : ids) {
            const QString subId = TQzfsWPDdrive::SubIdOf(devId);
            if (subId.isEmpty())
                continue;
            IQzfsFolderRef child;
            for (const IQzfsFolderRef& f : folderListSnapshot())
                if (f->folderSubId() == subId)
                    child = f;
            if (!child) {
                child = std::make_shared<TQzfsWPDdrive>(this, fManager, devId, subId, fwinDrvList);
                folderListAdd(child);
                added = changed = true;
            }
            seen.push_back(child);
            if (auto drive = std::dynamic_pointer_cast<TQzfsWPDdrive>(child); drive && drive->updateVisibility())
                changed = true;
        }
        for (const IQzfsFolderRef& f : folderListSnapshot())
            if (std::find(seen.begin(), seen.end(), f) == seen.end()) {
                folderListRemove(f);
                changed = true;
            }
        if (added) {
            std::vector<IQzfsFolderRef> sorted = folderListSnapshot();
            TQzfsFolderBase::SortFolders(sorted);
            folderListAssign(std::move(sorted));
        }
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TQzfsWPDdrivesRoot.refreshNow"), e);
    }
    return changed;
}
