#include "UWorkflowDataSource.h"

#include "UDebug.h"
#include "UMainObservers.h"
#include "UOrderImageFile.h"
#include "UQzFileSystemRoot.h"
#include "UQzbluetoothServer.h"

#include <QCoreApplication>
#include <QDir>

namespace {

constexpr int kImageSizeMin = 128;
constexpr int kPreviewIdxEnd = 100000;

QString folderLabel(IQzfsFolder* folder)
{
    if (!folder)
        return QStringLiteral("(nil)");
    try {
        return folder->folderId();
    } catch (...) {
        return QStringLiteral("???");
    }
}

} // namespace

// ------------------------------------------------------ TDataSourceImgRepository

TDataSourceImgRepository::TDataSourceImgRepository(TDataSourceLinkRef link, IQzfsFolderRef folder)
    : fLink(std::move(link))
    , fFolder(std::move(folder))
    , fFolderRefreshTick(fFolder ? fFolder->refreshTick() : 0)
{
}

TDataSourceImgRepository::~TDataSourceImgRepository()
{
    try {
        for (const auto& img : fImagesOwned)
            img->waitingTasksCancelled();
        for (const auto& img : fImagesToDestroy)
            img->waitingTasksCancelled();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TDataSourceImgRepository.Destroy / images tasks cancelled"), e);
    }
}

QString TDataSourceImgRepository::debugLabel()
{
    return folderLabel(fFolder.get());
}

bool TDataSourceImgRepository::MatchFolder(IQzfsFolder* folder)
{
    if (fRemovePending.load())
        return false;
    return folder && fFolder.get() == folder && folder->refreshTick() == fFolderRefreshTick;
}

int TDataSourceImgRepository::GetImageCount()
{
    if (fRemovePending.load())
        return 0;
    std::lock_guard lk(fLink->sect);
    return int(fImages.size());
}

TOrderImageBase* TDataSourceImgRepository::GetImage(int index)
{
    std::lock_guard lk(fLink->sect);
    return index >= 0 && index < int(fImages.size()) ? fImages[size_t(index)] : nullptr;
}

IThreadTaskRef TDataSourceImgRepository::BrowseTask() const
{
    std::lock_guard lk(fLink->sect);
    return fBrowseTask;
}

bool TDataSourceImgRepository::isImageSupported(TOrderImageBase* image)
{
    try {
        const QSizeF size = image->ImageSize();
        return size.width() >= kImageSizeMin && size.height() >= kImageSizeMin;
    } catch (const EImgNotSupported& e) {
        LogDebugFmt(QStringLiteral("TDataSourceImgRepository.isImageSupported(%s)"), { image->ImageID() }, e);
    } catch (const std::exception& e) {
        LogErrorFmt(QStringLiteral("TDataSourceImgRepository.isImageSupported(%s) / unexpected exception"),
                    { image->ImageID() }, e);
    }
    return false;
}

void TDataSourceImgRepository::addImage(std::unique_ptr<TOrderImageBase> image)
{
    if (!image)
        return;
    const QString id = image->ImageUnicID();
    {
        std::lock_guard lk(fLink->sect);
        if (fImagesDico.contains(id))
            return; // a duplicate: freed on return, outside the lock
    }
    if (!isImageSupported(image.get())) {
        LogDebugFmt(QStringLiteral("TDataSourceImgRepository(%s).addImage(%s): not supported"),
                    { debugLabel(), image->DebugLabel() });
        return;
    }
    LogDebugFmt(QStringLiteral("TDataSourceImgRepository(%s).addImage(%s): ok"), { debugLabel(), image->DebugLabel() });
    {
        std::lock_guard lk(fLink->sect);
        if (fImagesDico.contains(id))
            return;
        TOrderImageBase* raw = image.get();
        fImages.push_back(raw);
        fImagesOwned.push_back(std::move(image));
        fImagesDico.insert(id, raw);
    }
    if (TWorkflowDataSource* parent = fLink->owner.load())
        parent->restartEndedControlsToFeed();
}

bool TDataSourceImgRepository::setImageOwnedByRepository(TOrderImageBase* img, bool val)
{
    std::lock_guard lk(fLink->sect);
    if (!img || std::find(fImages.begin(), fImages.end(), img) == fImages.end())
        return false;
    auto owned = std::find_if(fImagesOwned.begin(), fImagesOwned.end(),
                              [img](const std::unique_ptr<TOrderImageBase>& p) { return p.get() == img; });
    if (val) {
        if (owned == fImagesOwned.end())
            fImagesOwned.emplace_back(img);
    } else if (owned != fImagesOwned.end()) {
        (void)owned->release();
        fImagesOwned.erase(owned);
    }
    return true;
}

void TDataSourceImgRepository::RemovedStart()
{
    IThreadTaskRef task = BrowseTask();
    if (task)
        task->CancelAsk(ttwm_nowait);
    fRemoved.store(true);
}

void TDataSourceImgRepository::RemovedEnd()
{
    std::vector<TOrderImageBase*> shown;
    {
        std::lock_guard lk(fLink->sect);
        if (fRemovedEndDone)
            throw Exception(QStringLiteral("TDataSourceImgRepository.RemovedEnd: unexpected call"));
        fRemovedEndDone = true;
        // Kept alive until the repository goes: a list may still show them.
        fImagesToDestroy = std::move(fImagesOwned);
        fImagesOwned.clear();
        shown.swap(fImages);
        fImagesDico.clear();
    }
    if (TWorkflowDataSource* parent = fLink->owner.load()) {
        try {
            parent->resetControlsToFeed();
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TDataSourceImgRepository.RemovedEnd"), e);
        }
    }
    LogDebugFmt(QStringLiteral("TWorkflowDataSource.TDataSourceImgRepository(%s).RemovedEnd"), { debugLabel() });
}

void TDataSourceImgRepository::BrowseStart()
{
    if (fRemoved.load()) {
        LogErrorFmt(QStringLiteral("TDataSourceImgRepository(%s).BrowseStart: unexpected ctx (device removed)"),
                    { debugLabel() });
        return;
    }
    TWorkflowDataSource* parent = fLink->owner.load();
    if (!parent)
        return;
    std::lock_guard lk(fLink->sect);
    if (fBrowseTask && !fBrowseTask->GetToCancel())
        return;
    std::weak_ptr<TDataSourceImgRepository> weak = weak_from_this();
    fBrowseTask = parent->repositoryTaskQueue()->AddCall(
        [weak] {
            if (auto self = weak.lock())
                self->onTaskBrowse();
        },
        shared_from_this());
}

void TDataSourceImgRepository::onTaskBrowse()
{
    try {
        TThreadTaskQueueWithoutThread::CheckCancel();
        TWorkflowDataSource* parent = fLink->owner.load();
        if (parent)
            parent->onImagesLoadingInc();
        LogDebugFmt(QStringLiteral("TDataSourceImgRepository(%s).onTaskBrowse: START"), { debugLabel() });
        try {
            onTaskBrowseFolder(fFolder);
        } catch (...) {
            if (parent)
                parent->onImagesLoadingDec();
            throw;
        }
        if (parent)
            parent->onImagesLoadingDec();
        LogDebugFmt(QStringLiteral("TDataSourceImgRepository(%s).onTaskBrowse: END"), { debugLabel() });
    } catch (const std::exception& e) {
        onTaskBrowseError(e);
    }
}

void TDataSourceImgRepository::onTaskBrowseFolder(const IQzfsFolderRef& folder)
{
    if (!folder)
        return;
    LogDebugFmt(QStringLiteral("TDataSourceImgRepository(%s).onTaskBrowseFolder(%s): START"),
                { debugLabel(), folderLabel(folder.get()) });
    TThreadTaskQueueWithoutThread::CheckCancel();
    if (IQzfsImageEnumRef images = folder->Images()) {
        while (images->MoveNext()) {
            addImage(images->GetCurrentGen());
            TThreadTaskQueueWithoutThread::CheckCancel();
        }
    }
    if (IQzfsFolderEnumRef folders = folder->Folders())
        while (folders->MoveNext())
            onTaskBrowseFolder(folders->GetCurrentGen());
}

void TDataSourceImgRepository::onTaskBrowseError(const std::exception& e)
{
    auto* handler = dynamic_cast<IQzfsRootBrowserError*>(fFolder.get());
    if (!handler) {
        LogErrorFmt(QStringLiteral("TWorkflowDataSource.TDataSourceImgRepository(%s).onTaskBrowseError/browse error(1)"),
                    { debugLabel() }, e);
        return;
    }
    if (handler->onBrowseError(e)) {
        fRemovePending.store(true);
        LogDebugFmt(
            QStringLiteral("TWorkflowDataSource.TDataSourceImgRepository(%s).onTaskBrowseError/media ejected and reinserted"),
            { debugLabel() });
        return;
    }
    LogErrorFmt(QStringLiteral("TWorkflowDataSource.TDataSourceImgRepository(%s).onTaskBrowseError/browse error(2)"),
                { debugLabel() }, e);
}

// ------------------------------------------------------- TDataSourceImgTargetReg

TDataSourceImgTargetReg::TDataSourceImgTargetReg(TDataSourceLinkRef link, IDataSourceImgTargetRef target)
    : fLink(std::move(link))
    , fTarget(std::move(target))
{
}

TDataSourceImgTargetReg::~TDataSourceImgTargetReg()
{
    try {
        feedEnd(fTarget);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TDataSourceImgTargetReg.Destroy"), e);
    }
}

IDataSourceImgTargetRef TDataSourceImgTargetReg::GetTarget() const
{
    std::lock_guard lk(fLink->sect);
    return fTarget;
}

void TDataSourceImgTargetReg::resetControlToFeed()
{
    std::lock_guard lk(fLink->sect);
    fCurImgIdx = 0;
    fImgEnd = false;
}

void TDataSourceImgTargetReg::restartControlToFeed()
{
    std::lock_guard lk(fLink->sect);
    fImgEnd = false;
}

bool TDataSourceImgTargetReg::IsImageFeedEnd() const
{
    std::lock_guard lk(fLink->sect);
    return fImgEnd;
}

void TDataSourceImgTargetReg::feedStart(const IDataSourceImgTargetRef& target)
{
    if (fFeedStarted.load() || !target)
        return;
    TWorkflowDataSource* parent = fLink->owner.load();
    if (parent)
        parent->onImagesLoadingInc();
    try {
        target->ImageFeedStart();
    } catch (...) {
        if (parent)
            parent->onImagesLoadingDec();
        throw;
    }
    fFeedStarted.store(true);
}

void TDataSourceImgTargetReg::feedEnd(const IDataSourceImgTargetRef& target)
{
    if (!fFeedStarted.exchange(false))
        return;
    TWorkflowDataSource* parent = fLink->owner.load();
    try {
        if (target)
            target->ImageFeedEnd();
    } catch (...) {
        if (parent)
            parent->onImagesLoadingDec();
        throw;
    }
    if (parent)
        parent->onImagesLoadingDec();
}

int TDataSourceImgTargetReg::ImageFeedNextIndex()
{
    int n;
    IDataSourceImgTargetRef target;
    TPhotoSourceGroupBy groupBy = psgb_date;
    {
        std::lock_guard lk(fLink->sect);
        if (fCurImgIdx < 0)
            fCurImgIdx = 0;
        n = fCurImgIdx++;
        target = fTarget;
        if (TWorkflowDataSource* parent = fLink->owner.load())
            groupBy = parent->ImageGroupBy();
    }
    if (n == 0 && target) {
        feedStart(target);
        target->ImageFeedReset(groupBy);
    }
    return n;
}

void TDataSourceImgTargetReg::ImageFeed(const IDataSourceImgRepositoryRef& rep, TOrderImageBase* img)
{
    IDataSourceImgTargetRef target = GetTarget();
    if (!img) {
        {
            std::lock_guard lk(fLink->sect);
            --fCurImgIdx;
            fImgEnd = true;
        }
        feedEnd(target);
        return;
    }
    if (!target)
        return;
    try {
        feedStart(target);
        target->ImageFeed(rep, img);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TDataSourceImgTargetReg.ImageFeed"), e);
    }
}

void TDataSourceImgTargetReg::EndOfUse()
{
    std::lock_guard lk(fLink->sect);
    try {
        feedEnd(fTarget);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TDataSourceImgTargetReg.EndOfUse"), e);
    }
    fTarget.reset();
}

// ------------------------------------------------------------ TWorkflowDataSource

TWorkflowDataSource::TWorkflowDataSource(IMainFrame* main)
    : TWorkflowData(main)
    , fLink(std::make_shared<TDataSourceLink>())
{
    fLink->owner.store(this);
    QCoreApplication* app = QCoreApplication::instance();
    fRepositoryTaskQueue = std::make_unique<TThreadTaskQueue>(app, main, QStringLiteral("TWorkflowDataSource RepositoryTaskQueue"));
    fBitmapTaskQueue = std::make_unique<TThreadTaskQueueWkSource>(this, app, QStringLiteral("TWorkflowDataSource BitmapTaskQueue"));
    fFeedCtrlTaskQueue = std::make_unique<TThreadTaskQueue>(app, main, QStringLiteral("TWorkflowDataSource FeedCtrlTaskQueue"));
    fImgCopyTaskQueue = std::make_unique<TThreadTaskQueueImgCopy>(this, app, QStringLiteral("TWorkflowDataSource ImgCopyTaskQueue"));
    fRepositoryTaskQueue->Start();
    fBitmapTaskQueue->Start();
    fFeedCtrlTaskQueue->Start();
    fImgCopyTaskQueue->Start();
}

TWorkflowDataSource::~TWorkflowDataSource()
{
    // Tasks still running on the other queues may call back (a browse that
    // finds a picture asks for a feed): from now on those calls do nothing.
    fLink->owner.store(nullptr);
    IThreadTaskRef feed;
    {
        std::lock_guard lk(fFeedTaskSync);
        fDestroying = true;
        feed = fFeedTask;
    }
    try {
        if (feed)
            feed->CancelAsk(ttwm_wait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TWorkflowDataSource.Destroy"), e);
    }
    fImgCopyTaskQueue.reset();
    fFeedCtrlTaskQueue.reset();
    fBitmapTaskQueue.reset();
    fRepositoryTaskQueue.reset();
    std::vector<TDataSourceImgTargetRegRef> targets;
    std::vector<TDataSourceImgRepositoryRef> repositories;
    {
        std::lock_guard lk(fLink->sect);
        targets.swap(fTargetList);
        repositories.swap(fRepositoryList);
    }
}

void TWorkflowDataSource::Reset()
{
    std::vector<TDataSourceImgTargetRegRef> targets;
    std::vector<TDataSourceImgRepositoryRef> repositories;
    fPhotoSourceChoice = psc_none;
    fPhotoSourcePhone = psp_iphone;
    fPhotoSourcePhoneChoice = pspc_app;
    fShowFileNames = false;
    try {
        fRootFolder.reset();
        fRootFolderTick = 0;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TWorkflowDataSource.Reset(1)"), e);
    }
    {
        std::lock_guard lk(fLink->sect);
        fGroupBy = psgb_date;
        targets.swap(fTargetList);
        repositories.swap(fRepositoryList);
        fTargetEnded.store(false);
    }
    try {
        // The browse of a repository nothing else holds stops with it.
        for (const auto& rep : repositories)
            rep->RemovedStart();
        targets.clear();
        repositories.clear();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TWorkflowDataSource.Reset(2)"), e);
    }
}

void TWorkflowDataSource::setPhotoSourceChoice(TPhotoSourceChoice val)
{
    fPhotoSourceChoice = val;
    OnDevicesChangesDetected(nullptr);
}

bool TWorkflowDataSource::OnDevicesChangesDetected(const IQzfsRootRef& root)
{
    try {
        if (!root) {
            if (!fRootFolder)
                return false;
            fRootFolderTick = 0;
        } else if (root != fRootFolder) {
            fRootFolder = root;
            fRootFolderTick = 0;
        }
        if (fRootFolderTick != 0 && fRootFolderTick == fRootFolder->refreshTick())
            return false;
        LogDebug(QStringLiteral("TWorkflowDataSource.OnDevicesChangesDetected"));
        bool added = false;
        deviceBrowseStart();
        if (fPhotoSourceChoice == psc_demo && deviceBrowseAdd(fRootFolder->FolderDemo()))
            added = true;
        if (fPhotoSourceChoice == psc_galleryPro && deviceBrowseAdd(fRootFolder->FolderGalleryPro()))
            added = true;
        // The Bluetooth inbox is never created by a scan, only kept.
        if (const IQzfsFolderRef bt = fRootFolder->FolderFind(QStringLiteral("bt:"))) {
            std::lock_guard lk(fLink->sect);
            for (const auto& rep : fRepositoryList)
                if (rep->Folder() == bt)
                    rep->SetPresent(true);
        }
        if (IQzfsFolderEnumRef folders = fRootFolder->Folders()) {
            while (folders->MoveNext()) {
                IQzfsFolderRef folder = folders->GetCurrentGen();
                bool candidate = false;
                if (auto drive = std::dynamic_pointer_cast<IQzfsRootDrive>(folder))
                    candidate = drive->IsDriveRemoveable();
                else if (folder && folder->folderId().startsWith(QStringLiteral("facebook:")))
                    candidate = true; // a logged-in social-network session
                if (candidate && deviceBrowseAdd(folder)) {
                    added = true;
                    fMain->orderMarkAsUsed();
                }
            }
        }
        deviceBrowseEnd();
        fRootFolderTick = fRootFolder->refreshTick();
        if (added)
            fImgCopyTaskQueue->ForceRetryIfAnyMediaEjectedError();
        return added;
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TWorkflowDataSource.OnDevicesChangesDetected"), e);
        return false;
    }
}

void TWorkflowDataSource::deviceBrowseStart()
{
    std::lock_guard lk(fLink->sect);
    for (const auto& rep : fRepositoryList)
        rep->SetPresent(false);
}

bool TWorkflowDataSource::deviceBrowseAdd(const IQzfsFolderRef& folder)
{
    if (!folder)
        return false;
    TDataSourceImgRepositoryRef rep;
    bool isNew = false;
    {
        std::lock_guard lk(fLink->sect);
        for (const auto& r : fRepositoryList)
            if (r->MatchFolder(folder.get())) {
                rep = r;
                break;
            }
        if (!rep) {
            rep = std::make_shared<TDataSourceImgRepository>(fLink, folder);
            fRepositoryList.push_back(rep);
            isNew = true;
        }
    }
    rep->SetPresent(true);
    if (isNew) {
        rep->BrowseStart();
        LogDebugFmt(QStringLiteral("TWorkflowDataSource.deviceBrowseAdd(%s)"), { folderLabel(folder.get()) });
    }
    return isNew;
}

void TWorkflowDataSource::deviceBrowseEnd()
{
    std::vector<TDataSourceImgRepositoryRef> removed;
    {
        std::lock_guard lk(fLink->sect);
        auto keep = std::stable_partition(fRepositoryList.begin(), fRepositoryList.end(),
                                          [](const TDataSourceImgRepositoryRef& r) { return r->GetPresent(); });
        removed.assign(keep, fRepositoryList.end());
        fRepositoryList.erase(keep, fRepositoryList.end());
    }
    repositoryToRemove(removed);
}

void TWorkflowDataSource::repositoryToRemove(const std::vector<TDataSourceImgRepositoryRef>& list)
{
    for (const auto& rep : list) {
        LogDebugFmt(QStringLiteral("TWorkflowDataSource.repositoryToRemove(%s)"), { rep->debugLabel() });
        rep->RemovedStart();
        std::weak_ptr<TDataSourceImgRepository> weak = rep;
        fRepositoryTaskQueue->AddCall(
            [weak] {
                if (auto r = weak.lock())
                    r->RemovedEnd();
            },
            rep);
    }
}

void TWorkflowDataSource::OnBluetoothRecvFileEnd(TBluetoothServiceBase* sender, const QString& fname)
{
    if (!QDir::match(fMain->imageSupportedExtList(), fname))
        return;
    // The window's media root: a file may arrive before any device scan.
    IQzfsRootRef root = fRootFolder;
    if (auto* container = dynamic_cast<IQzfsRootContainer*>(fMain); container && container->RootFolder())
        root = container->RootFolder();
    if (!root)
        return;
    IQzfsFolderRef bt = root->FolderFind(QStringLiteral("bt:"));
    if (!bt)
        return;
    TDataSourceImgRepositoryRef rep;
    {
        std::lock_guard lk(fLink->sect);
        for (const auto& r : fRepositoryList)
            if (r->Folder() == bt) {
                rep = r;
                break;
            }
        if (!rep) {
            rep = std::make_shared<TDataSourceImgRepository>(fLink, bt);
            fRepositoryList.push_back(rep);
        }
    }
    rep->SetPresent(true);
    rep->addImage(bt->ImageFind(QzfsNameToSubId(fname), QString(), QString()));
    fMain->orderMarkAsUsed();
}

bool TWorkflowDataSource::HasDevicesDetected()
{
    auto* container = dynamic_cast<IQzfsRootContainer*>(fMain);
    std::shared_ptr<IQzfsRoot> root = container ? container->RootFolder() : nullptr;
    if (!root)
        return false;
    IQzfsFolderEnumRef folders = root->Folders();
    while (folders && folders->MoveNext())
        if (auto drive = std::dynamic_pointer_cast<IQzfsRootDrive>(folders->GetCurrentGen()))
            if (drive->IsDriveRemoveable())
                return true;
    return false;
}

bool TWorkflowDataSource::HasDevicesDetectedWithImages()
{
    std::lock_guard lk(fLink->sect);
    for (const auto& rep : fRepositoryList)
        if (rep->GetImageCount() > 0)
            return true;
    return false;
}

std::vector<TDataSourceImgRepositoryRef> TWorkflowDataSource::Repositories() const
{
    std::lock_guard lk(fLink->sect);
    return fRepositoryList;
}

TOrderImageBase* TWorkflowDataSource::imageLoaded(int& idx, IDataSourceImgRepositoryRef& repository)
{
    std::lock_guard lk(fLink->sect);
    int rest = idx;
    for (const auto& rep : fRepositoryList) {
        const int count = rep->GetImageCount();
        if (rest < count) {
            repository = rep;
            ++idx;
            return rep->GetImage(rest);
        }
        rest -= count;
    }
    return nullptr;
}

TOrderImageBase* TWorkflowDataSource::imageToUseForPreview(int& idx, IDataSourceImgRepositoryRef& repository)
{
    if (idx >= kPreviewIdxEnd)
        return nullptr;
    TOrderImageBase* img = imageLoaded(idx, repository);
    if (!img)
        idx = kPreviewIdxEnd;
    return img;
}

IDataSourceImgRepositoryRef TWorkflowDataSource::setImageOwnedByRepository(TOrderImageBase* img, bool val)
{
    std::lock_guard lk(fLink->sect);
    for (const auto& rep : fRepositoryList)
        if (rep->setImageOwnedByRepository(img, val))
            return rep;
    return nullptr;
}

void TWorkflowDataSource::imageOwnershipRecup(std::vector<TOrderImageBase*>& lstImg)
{
    for (TOrderImageBase*& img : lstImg) {
        if (!setImageOwnedByRepository(img, true))
            delete img;
        img = nullptr;
    }
}

// ------------------------------------------------------------------- feeding

void TWorkflowDataSource::registerControlToFeed(const IDataSourceImgTargetRef& lstView)
{
    {
        std::lock_guard lk(fLink->sect);
        for (const auto& reg : fTargetList)
            if (reg->GetTarget() == lstView)
                throw Exception(QStringLiteral("TWorkflowDataSource.registerControlToFeed: control already registered"));
        fTargetList.push_back(std::make_shared<TDataSourceImgTargetReg>(fLink, lstView));
    }
    startControlToFeed();
}

void TWorkflowDataSource::unregisterControlToFeed(const IDataSourceImgTargetRef& lstView)
{
    std::lock_guard lk(fLink->sect);
    auto it = std::find_if(fTargetList.begin(), fTargetList.end(),
                           [&](const TDataSourceImgTargetRegRef& reg) { return reg->GetTarget() == lstView; });
    if (it == fTargetList.end())
        return;
    TDataSourceImgTargetRegRef reg = *it;
    fTargetList.erase(it);
    reg->EndOfUse();
}

TPhotoSourceGroupBy TWorkflowDataSource::ImageGroupBy() const
{
    std::lock_guard lk(fLink->sect);
    return fGroupBy;
}

void TWorkflowDataSource::setImageGroupBy(TPhotoSourceGroupBy val)
{
    {
        std::lock_guard lk(fLink->sect);
        if (fGroupBy == val)
            return;
        fGroupBy = val;
    }
    resetControlsToFeed();
}

void TWorkflowDataSource::startControlToFeed()
{
    std::lock_guard lk(fFeedTaskSync);
    if (fDestroying)
        return;
    // A feed task that has not started yet will see everything; one that is
    // running gets a successor that picks up what it missed.
    if (fFeedTask && fFeedTask->IsWaitingForExec() && fFeedTaskStarted && !fFeedTaskStarted->load())
        return;
    auto started = std::make_shared<std::atomic<bool>>(false);
    fFeedTaskStarted = started;
    // The destructor cancels this task and waits for it: this stays valid
    // while it runs.
    fFeedTask = fFeedCtrlTaskQueue->AddCall([this, started] {
        started->store(true);
        controlToFeedTaskCb();
    });
}

void TWorkflowDataSource::resetControlsToFeed()
{
    {
        std::lock_guard lk(fLink->sect);
        for (const auto& reg : fTargetList)
            reg->resetControlToFeed();
    }
    startControlToFeed();
}

void TWorkflowDataSource::restartEndedControlsToFeed()
{
    if (!fTargetEnded.load())
        return;
    {
        std::lock_guard lk(fLink->sect);
        if (!fTargetEnded.exchange(false))
            return;
        for (const auto& reg : fTargetList)
            reg->restartControlToFeed();
    }
    startControlToFeed();
}

void TWorkflowDataSource::controlToFeedTaskCb()
{
    TThreadTaskQueueWithoutThread::CheckCancel();
    size_t i = 0;
    bool fed = false;
    for (;;) {
        TDataSourceImgTargetRegRef reg;
        {
            std::lock_guard lk(fLink->sect);
            if (i >= fTargetList.size()) {
                if (fTargetList.empty() || !fed)
                    return;
                i = 0;
                fed = false;
            }
            reg = fTargetList[i];
            ++i;
        }
        TThreadTaskQueueWithoutThread::CheckCancel();
        if (reg->IsImageFeedEnd()) {
            fTargetEnded.store(true);
            continue;
        }
        fed = true;
        try {
            int n = reg->ImageFeedNextIndex();
            IDataSourceImgRepositoryRef rep;
            TOrderImageBase* img = imageLoaded(n, rep);
            reg->ImageFeed(rep, img);
        } catch (const ECancel&) {
            throw;
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TWorkflowDataSource.controlToFeedTaskCb"), e);
        }
    }
}

// ------------------------------------------------------------------ counters

void TWorkflowDataSource::eventQueue(TMainObservedEvent evtype)
{
    IMainFrame* main = fMain;
    if (!main)
        return;
    main->GuiQueueAddCall([main, evtype] { main->EventObservedRaise(evtype, nullptr); }, false, nullptr);
}

void TWorkflowDataSource::countInc(int& count, TMainObservedEvent evtype)
{
    bool first;
    {
        std::lock_guard lk(fLink->sect);
        first = count == 0;
        ++count;
    }
    if (first)
        eventQueue(evtype);
}

void TWorkflowDataSource::countDec(int& count, TMainObservedEvent evtype, const char* where)
{
    bool last;
    {
        std::lock_guard lk(fLink->sect);
        if (count <= 0)
            throw Exception(QStringLiteral("TWorkflowDataSource.%1: unexpected call").arg(QLatin1String(where)));
        last = --count == 0;
    }
    if (last)
        eventQueue(evtype);
}

void TWorkflowDataSource::onImagesLoadingInc()
{
    countInc(fImagesLoadingCount, moe_imagesLoading);
}

void TWorkflowDataSource::onImagesLoadingDec()
{
    countDec(fImagesLoadingCount, moe_imagesLoading, "onImagesLoadingDec");
}

void TWorkflowDataSource::onImagesWorkingInc()
{
    countInc(fImagesWorkingCount, moe_imagesWorking);
}

void TWorkflowDataSource::onImagesWorkingDec()
{
    countDec(fImagesWorkingCount, moe_imagesWorking, "onImagesWorkingDec");
}

bool TWorkflowDataSource::ImagesLoading() const
{
    std::lock_guard lk(fLink->sect);
    return fImagesLoadingCount > 0;
}

bool TWorkflowDataSource::ImagesWorking() const
{
    std::lock_guard lk(fLink->sect);
    return fImagesWorkingCount > 0;
}

bool TWorkflowDataSource::queuesPaused() const
{
    return fBitmapTaskQueue->QueuePaused();
}

void TWorkflowDataSource::setQueuesPaused(bool val)
{
    fBitmapTaskQueue->SetQueuePaused(val);
    fFeedCtrlTaskQueue->SetQueuePaused(val);
}
