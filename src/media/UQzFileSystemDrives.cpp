#include "UQzFileSystemDrives.h"

#include "UDebug.h"
#include "UMediaEjected.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TQzfsWinDriveImage, TOrderImageFile, )

namespace {

std::mutex gCopyProviderLock;
TQzfsImageCopyQueueProvider gCopyProvider;

TThreadTaskQueueBase* copyQueueFor(IMainFrame* main)
{
    std::lock_guard lk(gCopyProviderLock);
    return gCopyProvider ? gCopyProvider(main) : nullptr;
}

bool isMountCandidate(const TMountEntry& e)
{
    return e.source.startsWith(QStringLiteral("/dev/")) || IsNetworkFsType(e.fsType);
}

bool isDiscFs(const QString& fsType)
{
    return fsType == QStringLiteral("iso9660") || fsType == QStringLiteral("udf");
}

} // namespace

TThreadTaskQueueBase* QzfsImageCopyQueue(IMainFrame* main) { return copyQueueFor(main); }

void QzfsSetImageCopyQueueProvider(TQzfsImageCopyQueueProvider provider)
{
    std::lock_guard lk(gCopyProviderLock);
    gCopyProvider = std::move(provider);
}

// --------------------------------------------------------- TQzfsWinDriveImage

TQzfsWinDriveImage::TQzfsWinDriveImage(const QString& imgid, const QString& imgpath, const QString& mediaLabel,
                                       bool removeable, IQzfsCacheRootRef cacheRoot,
                                       TQzfsWinDriveImageCache cacheStatus, const QString& mediumKey)
    : TOrderImageFile(imgid, imgpath)
    , fRemoveable(removeable)
    , fCacheRoot(std::move(cacheRoot))
    , fCacheStatus(cacheStatus)
    , fMediaLabelForError(mediaLabel)
    , fMediumKey(mediumKey)
{
}

TQzfsWinDriveImage::~TQzfsWinDriveImage()
{
    ImageCacheDetach();
    try {
        if (fUsedPrepareTask)
            fUsedPrepareTask->CancelAsk(ThreadTaskWaitMode::ttwm_wait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsWinDriveImage.Destroy"), e);
    }
}

QString TQzfsWinDriveImage::MediumScopedId(const QString& id, const QString& mediumKey)
{
    QStringList parts = id.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() >= 2 && !mediumKey.isEmpty())
        parts[1] += QLatin1Char('@') + mediumKey;
    return parts.join(QLatin1Char('\\'));
}

QString TQzfsWinDriveImage::cachePath()
{
    return fCacheRoot->idToCachePath(MediumScopedId(ImageID(), fMediumKey));
}

void TQzfsWinDriveImage::cacheCheck()
{
    const QString path = cachePath();
    if (ImagePath() == path) {
        fCacheStatus = TQzfsWinDriveImageCache::wdic_incache;
        return;
    }
    const QFileInfo cached(path);
    const QFileInfo source(ImagePath());
    // A copy counts only when it matches the file on the medium.
    const bool same = cached.isFile()
        && (!source.exists() || (cached.size() == source.size() && cached.lastModified() == source.lastModified()));
    fCacheStatus = same ? TQzfsWinDriveImageCache::wdic_incache : TQzfsWinDriveImageCache::wdic_notincache;
}

void TQzfsWinDriveImage::UsedPrepare(IMainFrame* main)
{
    if (!fRemoveable || !fCacheRoot)
        return;
    if (fCacheStatus == TQzfsWinDriveImageCache::wdic_cacheToCheck)
        cacheCheck();
    if (fCacheStatus == TQzfsWinDriveImageCache::wdic_incache)
        return;
    if (fUsedPrepareTask && fUsedPrepareTask->IsWaitingForExec())
        return; // a copy is already waiting
    if (TThreadTaskQueueBase* queue = copyQueueFor(main)) {
        fUsedPrepareTask = queue->AddCall([this] { cacheCopy(); });
        return;
    }
    try {
        cacheCopy();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TQzfsWinDriveImage.UsedPrepare(%1)").arg(ImageID()), e);
    }
}

void TQzfsWinDriveImage::cacheCopy()
{
    checkFile();
    const QString source = ImagePath();
    const QString target = cachePath();
    if (source == target) {
        fCacheStatus = TQzfsWinDriveImageCache::wdic_incache;
        return;
    }
    const QDateTime mtime = QFileInfo(source).lastModified();
    const QByteArray data = readFromMedium(source);
    QzfsWriteFileChecked(target, data);
    {
        QFile out(target);
        if (out.open(QIODevice::ReadWrite))
            out.setFileTime(mtime, QFileDevice::FileModificationTime);
    }
    SetImagePath(target);
    fCacheStatus = TQzfsWinDriveImageCache::wdic_incache;
}

QByteArray TQzfsWinDriveImage::readFromMedium(const QString& source)
{
    QFile in(source);
    QByteArray data;
    bool readOk = in.open(QIODevice::ReadOnly);
    if (readOk) {
        data = in.readAll();
        readOk = in.error() == QFileDevice::NoError && data.size() == in.size();
    }
    if (readOk)
        return data;
    // Ejected only when the medium is really gone; a file that is still
    // there but cannot be read is an ordinary failure.
    if (!QFileInfo::exists(source))
        throw EMediaEjected(mediaLabelForError(), QStringLiteral("TOrderImageFile.CopyToFile failed"));
    throw EStreamError(QStringLiteral("TQzfsWinDriveImage: cannot read \"%1\"").arg(source));
}

void TQzfsWinDriveImage::CopyToFile(const QString& fname)
{
    checkFile();
    QzfsWriteFileChecked(fname, readFromMedium(ImagePath()));
}

void TQzfsWinDriveImage::waitingTasksCancelled()
{
    try {
        if (fUsedPrepareTask)
            fUsedPrepareTask->CancelAsk(ThreadTaskWaitMode::ttwm_nowait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsWinDriveImage.waitingTasksCancelled"), e);
    }
    TOrderImageFile::waitingTasksCancelled();
}

// -------------------------------------------------------- TQzfsWinDriveFolder

TQzfsWinDriveFolder::TQzfsWinDriveFolder(IMainFrame* main, IQzfsFolder* parent, const QString& subId,
                                         const QString& subPath, const QString& mediaLabel, bool removeable,
                                         IQzfsCacheRootRef cacheRoot, const QString& mediumKey)
    : TQzfsFolderDisk(main, parent, subId, subPath)
    , fRemoveable(removeable)
    , fCacheRoot(std::move(cacheRoot))
    , fMediaLabelForError(mediaLabel)
    , fMediumKey(mediumKey)
{
}

IQzfsFolderRef TQzfsWinDriveFolder::onFolderCreate(const QString& name)
{
    return std::make_shared<TQzfsWinDriveFolder>(fMainFrame, this, name, QString(), mediaLabelForError(), fRemoveable,
                                                 fCacheRoot, fMediumKey);
}

TOrderImageRef TQzfsWinDriveFolder::subImageCreate(const QString& name)
{
    return std::make_unique<TQzfsWinDriveImage>(subIdMake(name), subPathMake(name), mediaLabelForError(), fRemoveable,
                                                fCacheRoot, TQzfsWinDriveImageCache::wdic_cacheToCheck, fMediumKey);
}

// -------------------------------------------------------------- TQzfsWinDrive

TQzfsWinDrive::TQzfsWinDrive(IMainFrame* main, IQzfsFolder* parent, const QString& subId, const TMountEntry& mount,
                             bool bRemoveableOnly, IQzfsCacheRootRef cacheRoot)
    : TQzfsWinDriveFolder(main, parent, subId, mount.mountPoint, QString(), false, std::move(cacheRoot), QString())
    , fFsType(mount.fsType)
    , fDevNode(mount.source)
    , fbRemoveableOnly(bRemoveableOnly)
{
    fdiskPath = mount.mountPoint; // the mount point itself, whatever the parent
}

QString TQzfsWinDrive::MediumIdentity() const
{
    std::lock_guard lk(fSync);
    return fUnicid;
}

QString TQzfsWinDrive::MediumKey() const
{
    const QString identity = MediumIdentity();
    if (identity.isEmpty())
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

void TQzfsWinDrive::initInfo(IQzfsVolumeProvider& provider)
{
    if (fInfoInit)
        return;
    if (IsNetworkFsType(fFsType)) {
        fRemote = true;
        fRemoveable = false;
    } else {
        const TDeviceInfo dev = provider.Device(fDevNode);
        if (!dev.known)
            throw Exception(QStringLiteral("TQzfsWinDrive.initInfo: no device for %1").arg(fDevNode));
        fBus = dev.bus;
        fRemoveable = dev.removableMedia;
        fSerial = dev.serial;
        fVendorId = dev.vendor;
        fProductId = dev.model;
    }
    fInfoInit = true;
}

bool TQzfsWinDrive::initLabel(IQzfsVolumeProvider& provider, const TMountEntry& mount)
{
    QString identity;
    QString label;
    if (fRemote) {
        label = mount.source;
        identity = folderSubId();
        fReadOnly = false;
    } else {
        if (fLabelInit && !IsDriveRemoveable())
            return false; // a fixed drive keeps its identity
        if (!QFileInfo(fdiskPath).isDir()) {
            fReadOnly = true;
            throw Exception(QStringLiteral("TQzfsWinDrive.initLabel: volume not readable"));
        }
        const TDeviceInfo dev = provider.Device(fDevNode);
        label = dev.fsLabel;
        identity = folderSubId() + QLatin1Char(';') + dev.fsLabel + QLatin1Char(';') + dev.fsUuid + QLatin1Char(';')
            + dev.serial + QLatin1Char(';') + mount.source;
        fReadOnly = mount.readOnly;
    }
    std::lock_guard lk(fSync);
    fLabel = label;
    fLabelInit = true;
    if (identity == fUnicid)
        return false;
    fUnicid = identity;
    fMediaLabelForError.clear();
    return true;
}

bool TQzfsWinDrive::updateVisibility(IQzfsVolumeProvider& provider, const TMountEntry& mount)
{
    bool changed = false;
    bool visible = false;
    try {
        fDevNode = mount.source;
        fFsType = mount.fsType;
        initInfo(provider);
        const bool candidate = !((fbRemoveableOnly && !IsDriveRemoveable()) || fRootDriveHidden);
        if (candidate) {
            changed = initLabel(provider, mount);
            visible = true;
        }
    } catch (const std::exception& e) {
        LogDebug(QStringLiteral("TQzfsWinDrive(%1).updateVisibility").arg(folderSubId()), e);
        visible = false;
    }
    if (visible != fVisible) {
        fVisible = visible;
        changed = true;
    }
    return changed;
}

QString TQzfsWinDrive::folderLabel()
{
    std::lock_guard lk(fSync);
    if (!fLabelInit || fLabel.isEmpty() || fLabel == fsubId)
        return fsubId;
    return fsubId + QLatin1Char(' ') + fLabel;
}

int TQzfsWinDrive::fmxIconIndex()
{
    if (isDiscFs(fFsType))
        return 7;
    if (fRemote)
        return 12;
    if (IsDriveRemoveable())
        return 4;
    return 2;
}

QString TQzfsWinDrive::mediaLabelForError()
{
    {
        std::lock_guard lk(fSync);
        if (!fMediaLabelForError.isEmpty())
            return fMediaLabelForError;
        fMediaLabelForError = QStringLiteral("?");
    }
    try {
        const QString label = folderLabel().trimmed();
        std::lock_guard lk(fSync);
        fMediaLabelForError = label;
        return label;
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TQzfsWinDrive.mediaLabelForError"), e);
        return QString();
    }
}

IQzfsFolderRef TQzfsWinDrive::onFolderCreate(const QString& name)
{
    return std::make_shared<TQzfsWinDriveFolder>(fMainFrame, this, name, QString(), mediaLabelForError(), fRemoveable,
                                                 fCacheRoot, MediumKey());
}

TOrderImageRef TQzfsWinDrive::subImageCreate(const QString& name)
{
    return std::make_unique<TQzfsWinDriveImage>(subIdMake(name), subPathMake(name), mediaLabelForError(), fRemoveable,
                                                fCacheRoot, TQzfsWinDriveImageCache::wdic_cacheToCheck, MediumKey());
}

// --------------------------------------------------------- TQzfsWinDrivesRoot

TQzfsWinDrivesRoot::TQzfsWinDrivesRoot(IMainFrame* main, const QString& imgCachePath, const QString& subId,
                                       bool bRemoveableOnly, IQzfsVolumeProviderRef provider)
    : TQzfsDriveCacheRoot(main, imgCachePath, subId)
    , fProvider(provider ? std::move(provider) : std::make_shared<TLinuxVolumeProvider>())
    , fbRemoveableOnly(bRemoveableOnly)
{
    fGhostNode = true;
}

QString TQzfsWinDrivesRoot::driveSubIdFor(const QString& mountPoint, const std::vector<IQzfsFolderRef>& taken) const
{
    QString name = QFileInfo(mountPoint).fileName();
    if (name.isEmpty())
        name = QStringLiteral("root");
    const QString base = QzfsNameToSubId(name);
    QString id = base;
    for (int n = 2;; ++n) {
        bool used = false;
        for (const IQzfsFolderRef& f : taken)
            used = used || f->folderSubId() == id;
        if (!used)
            return id;
        id = base + QLatin1Char('~') + QString::number(n);
    }
}

bool TQzfsWinDrivesRoot::refreshNow()
{
    std::lock_guard lk(fRefreshLock);
    bool changed = false;
    try {
        const QByteArray text = fProvider->MountInfo();
        if (text.isEmpty())
            throw Exception(QStringLiteral("TQzfsWinDrivesRoot.refreshNow: no mount table"));
        QList<TMountEntry> mounts;
        QStringList points;
        for (const TMountEntry& e : ParseMountInfo(text)) {
            if (!isMountCandidate(e))
                continue;
            const int at = points.indexOf(e.mountPoint);
            if (at >= 0) { // mounted over: the last one shows
                mounts[at] = e;
                continue;
            }
            points << e.mountPoint;
            mounts << e;
        }
        QStringList sortedPoints = points;
        sortedPoints.sort();
        if (sortedPoints != fDrvAvailable || !fRefreshedOnce) {
            std::vector<IQzfsFolderRef> drives = folderListSnapshot();
            // Unmounted volumes go.
            std::erase_if(drives, [&](const IQzfsFolderRef& f) {
                auto d = std::dynamic_pointer_cast<TQzfsWinDrive>(f);
                return !d || !points.contains(d->MountPoint());
            });
            bool added = false;
            for (const TMountEntry& e : mounts) {
                const bool known = std::any_of(drives.begin(), drives.end(), [&](const IQzfsFolderRef& f) {
                    return std::dynamic_pointer_cast<TQzfsWinDrive>(f)->MountPoint() == e.mountPoint;
                });
                if (known)
                    continue;
                drives.push_back(std::make_shared<TQzfsWinDrive>(mainFrame(), this, driveSubIdFor(e.mountPoint, drives),
                                                                 e, fbRemoveableOnly, fCacheRoot));
                added = true;
            }
            if (added)
                SortFolders(drives);
            if (drives.size() != size_t(folderListCount()) || added)
                changed = true;
            folderListAssign(std::move(drives));
            fDrvAvailable = sortedPoints;
            fRefreshedOnce = true;
        }
        for (const IQzfsFolderRef& f : folderListSnapshot()) {
            auto d = std::dynamic_pointer_cast<TQzfsWinDrive>(f);
            const TMountEntry& e = mounts[points.indexOf(d->MountPoint())];
            if (d->updateVisibility(*fProvider, e))
                changed = true;
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TQzfsWinDrivesRoot.refreshNow"), e);
    }
    if (changed)
        ++fRefreshTick;
    return changed;
}

void TQzfsWinDrivesRoot::findPrepare()
{
    TQzfsDriveCacheRoot::findPrepare();
    bool first;
    {
        std::lock_guard lk(fRefreshLock);
        first = !fRefreshedOnce;
    }
    if (first)
        refreshNow();
}

bool TQzfsWinDrivesRoot::IsWPDdriveListed(const QString& devId)
{
    QString id = devId;
    while (id.endsWith(QLatin1Char('\\')) || id.endsWith(QLatin1Char('/')))
        id.chop(1);
    findPrepare();
    return folderFindLocal(id) != nullptr;
}

TOrderImageRef TQzfsWinDrivesRoot::cacheImageCreate(const QString& cachePath, const QString& fullId,
                                                    const QString& label, const QString& data)
{
    return std::make_unique<TQzfsWinDriveImage>(fullId, cachePath, data, true, fCacheRoot,
                                                TQzfsWinDriveImageCache::wdic_incache, QString());
}

QStringList TQzfsWinDrivesRoot::cacheCandidates(const QString& fullId)
{
    QStringList out;
    const QStringList parts = fullId.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return out;
    const QString drivePart = parts[1];
    // The medium in the drive now comes first.
    if (auto d = std::dynamic_pointer_cast<TQzfsWinDrive>(TQzfsFolderAdvWithFolderDicoBase::folderFindLocal(drivePart))) {
        const QString key = d->MediumKey();
        if (!key.isEmpty())
            out << fCacheRoot->idToCachePath(TQzfsWinDriveImage::MediumScopedId(fullId, key));
    }
    // Then the copies of every medium seen under that name this session,
    // the latest first (the cache is emptied when the customer leaves).
    auto cache = std::dynamic_pointer_cast<TQzfsCacheRoot>(fCacheRoot);
    if (!cache)
        return out;
    QDir dir(cache->sourceCachePath());
    const QString prefix = TQzfsCacheRoot::EscapePart(drivePart + QLatin1Char('@'));
    const QFileInfoList dirs = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time);
    for (const QFileInfo& fi : dirs) {
        if (!fi.fileName().startsWith(prefix))
            continue;
        const QString key = TQzfsCacheRoot::UnescapePart(fi.fileName()).mid(drivePart.size() + 1);
        const QString path = fCacheRoot->idToCachePath(TQzfsWinDriveImage::MediumScopedId(fullId, key));
        if (!out.contains(path))
            out << path;
    }
    return out;
}
