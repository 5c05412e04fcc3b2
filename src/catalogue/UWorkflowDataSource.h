#pragma once
// The photo sources of the current customer: which source the customer
// chose, one picture repository per device or folder that provides pictures
// (demonstration set, gallery, Bluetooth inbox, social-network sessions,
// removable drives), the feeding of the image-selection lists from all
// repositories together, and four worker queues (repository browsing,
// bitmaps, list feeding, image copies off removable media).
//
// One re-entrant lock (fSect) guards the repository list, each repository's
// picture lists, the list registrations, their feed positions, the grouping
// and the two activity counters. It is held for list operations only: never
// while a folder is browsed, a picture measured or created, or a list fed.
// The lock lives in a link object shared (counted) with the repositories and
// registrations, with a pointer to the owner that the owner clears first
// thing in its destructor: a repository kept alive by a preview product
// never reaches a destroyed owner. Worker tasks use the owner without
// counting it: the destructor stops every queue (waiting for running tasks)
// before any member goes, so no worker ever holds the last reference and the
// object is always destroyed on the thread that drops it.
//
// Main thread: device scans, choices, registrations, grouping, Reset.
// Workers: browsing and removal ends (repository queue), feeding (feed
// queue), copies (image-copy queue).
#include "UDataSourceImg.h"
#include "UWorkflowDataSourceQueues.h"
#include "UMainObservers.h"
#include "UWorkflowData.h"

#include <QHash>
#include <QList>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class IQzfsFolder;
class IQzfsRoot;
class TBluetoothServiceBase;
class TWorkflowDataSource;
using IQzfsFolderRef = std::shared_ptr<IQzfsFolder>;
using IQzfsRootRef = std::shared_ptr<IQzfsRoot>;

enum TPhotoSourceChoice : int {
    psc_none = 0,
    psc_phone = 1,
    psc_usb = 2,
    psc_cameraCard = 3,
    psc_disc = 4,
    psc_demo = 5,
    psc_galleryPro = 6,
    psc_bluetooth = 7
};
enum TPhotoSourcePhone : int { psp_iphone = 0, psp_android = 1, psp_windows = 2 };
enum TPhotoSourcePhoneChoice : int { pspc_app = 0, pspc_usb = 1, pspc_airPrint = 2, pspc_bluetooth = 3 };

// The owner's lock and the owner itself, as its repositories and list
// registrations reach them.
struct TDataSourceLink {
    std::recursive_mutex sect;
    // Cleared by the owner's destructor before it stops its queues.
    std::atomic<TWorkflowDataSource*> owner { nullptr };
};
using TDataSourceLinkRef = std::shared_ptr<TDataSourceLink>;

// The pictures of one device or folder, collected in the background and kept
// for the whole visit. The repository owns its pictures until the order takes
// one (setImageOwnedByRepository false); it keeps showing it.
class TDataSourceImgRepository : public IDataSourceImgRepository,
                                 public std::enable_shared_from_this<TDataSourceImgRepository> {
public:
    TDataSourceImgRepository(TDataSourceLinkRef link, IQzfsFolderRef folder);
    ~TDataSourceImgRepository() override;

    bool GetPresent() override { return fPresent.load(); }
    void SetPresent(bool val) override { fPresent.store(val); }
    bool MatchFolder(IQzfsFolder* folder) override;
    void RemovedStart() override;
    void RemovedEnd() override;
    void BrowseStart() override;
    int GetImageCount() override;
    TOrderImageBase* GetImage(int index) override;
    bool setImageOwnedByRepository(TOrderImageBase* img, bool val) override;
    QString debugLabel() override;

    // Takes the picture: listed when it is new and supported, else freed.
    void addImage(std::unique_ptr<TOrderImageBase> image);
    // At least 128 pixels on both sides; unreadable pictures are refused.
    static bool isImageSupported(TOrderImageBase* image);

    IQzfsFolderRef Folder() const { return fFolder; }
    bool Removed() const { return fRemoved.load(); }
    bool RemovePending() const { return fRemovePending.load(); }
    IThreadTaskRef BrowseTask() const;

private:
    void onTaskBrowse();
    void onTaskBrowseFolder(const IQzfsFolderRef& folder);
    void onTaskBrowseError(const std::exception& e);

    TDataSourceLinkRef fLink;
    IQzfsFolderRef fFolder;
    quint32 fFolderRefreshTick;
    std::atomic<bool> fPresent { true };
    std::atomic<bool> fRemoved { false };
    std::atomic<bool> fRemovePending { false };
    // Under fSect: the pictures shown (discovery order), those owned, their
    // unique ids; after the removal, the pictures owned before it.
    std::vector<TOrderImageBase*> fImages;
    std::vector<std::unique_ptr<TOrderImageBase>> fImagesOwned;
    QHash<QString, TOrderImageBase*> fImagesDico;
    std::vector<std::unique_ptr<TOrderImageBase>> fImagesToDestroy;
    bool fRemovedEndDone = false;
    IThreadTaskRef fBrowseTask;
};
using TDataSourceImgRepositoryRef = std::shared_ptr<TDataSourceImgRepository>;

// The registration of one selection list: its position over all pictures.
class TDataSourceImgTargetReg {
public:
    TDataSourceImgTargetReg(TDataSourceLinkRef link, IDataSourceImgTargetRef target);
    // Ends a started feed.
    ~TDataSourceImgTargetReg();

    IDataSourceImgTargetRef GetTarget() const;
    void resetControlToFeed();
    void restartControlToFeed();
    bool IsImageFeedEnd() const;
    int ImageFeedNextIndex();
    void ImageFeed(const IDataSourceImgRepositoryRef& rep, TOrderImageBase* img);
    void EndOfUse();

private:
    void feedStart(const IDataSourceImgTargetRef& target);
    void feedEnd(const IDataSourceImgTargetRef& target);

    TDataSourceLinkRef fLink;
    IDataSourceImgTargetRef fTarget;
    int fCurImgIdx = 0;
    bool fImgEnd = false;
    std::atomic<bool> fFeedStarted { false };
};
using TDataSourceImgTargetRegRef = std::shared_ptr<TDataSourceImgTargetReg>;

class TWorkflowDataSource : public TWorkflowData {
public:
    explicit TWorkflowDataSource(IMainFrame* main);
    ~TWorkflowDataSource() override;

    // A new customer in the kiosk design: choices back to their defaults,
    // repositories and registrations dropped; the queues stay.
    void Reset();

    // --- choices (main thread)
    TPhotoSourceChoice photoSourceChoice() const { return fPhotoSourceChoice; }
    // Stores the choice and rescans the remembered media root.
    void setPhotoSourceChoice(TPhotoSourceChoice val);
    TPhotoSourcePhone photoSourcePhone() const { return fPhotoSourcePhone; }
    void setPhotoSourcePhone(TPhotoSourcePhone val) { fPhotoSourcePhone = val; }
    TPhotoSourcePhoneChoice photoSourcePhoneChoice() const { return fPhotoSourcePhoneChoice; }
    void setPhotoSourcePhoneChoice(TPhotoSourcePhoneChoice val) { fPhotoSourcePhoneChoice = val; }
    bool ShowFileNames() const { return fShowFileNames; }
    void setShowFileNames(bool val) { fShowFileNames = val; }

    // --- devices (main thread)
    // Scans the media root (null: the remembered one, forced); true when a
    // repository was added.
    bool OnDevicesChangesDetected(const IQzfsRootRef& root);
    void deviceBrowseStart();
    bool deviceBrowseAdd(const IQzfsFolderRef& folder);
    void deviceBrowseEnd();
    // A file the Bluetooth service stored: a picture joins the inbox.
    void OnBluetoothRecvFileEnd(TBluetoothServiceBase* sender, const QString& fname);
    // The window's media root lists a removable drive.
    bool HasDevicesDetected();
    bool HasDevicesDetectedWithImages();

    // --- pictures over all repositories (any thread)
    // The idx-th picture, idx then increased; null (idx unchanged) past the
    // last one.
    TOrderImageBase* imageLoaded(int& idx, IDataSourceImgRepositoryRef& repository);
    // As imageLoaded, then once nothing is left idx becomes 100000 and the
    // answer stays null.
    TOrderImageBase* imageToUseForPreview(int& idx, IDataSourceImgRepositoryRef& repository);
    // The repository that shows the picture (its ownership changed), null
    // when none does.
    IDataSourceImgRepositoryRef setImageOwnedByRepository(TOrderImageBase* img, bool val);
    // The repositories take the pictures back; the caller passes ownership of
    // every picture: one no repository shows is freed.
    void imageOwnershipRecup(std::vector<TOrderImageBase*>& lstImg);

    // --- feeding the selection lists (main thread)
    void registerControlToFeed(const IDataSourceImgTargetRef& lstView);
    void unregisterControlToFeed(const IDataSourceImgTargetRef& lstView);
    TPhotoSourceGroupBy ImageGroupBy() const;
    void setImageGroupBy(TPhotoSourceGroupBy val);

    // --- activity
    bool ImagesLoading() const;
    bool ImagesWorking() const;
    // The bitmap and feed queues are paused as a pair.
    bool queuesPaused() const;
    void setQueuesPaused(bool val);

    TThreadTaskQueueWkSource* bitmapTaskQueue() const { return fBitmapTaskQueue.get(); }
    TThreadTaskQueue* repositoryTaskQueue() const { return fRepositoryTaskQueue.get(); }
    TThreadTaskQueue* feedCtrlTaskQueue() const { return fFeedCtrlTaskQueue.get(); }
    TThreadTaskQueueImgCopy* imgCopyTaskQueue() const { return fImgCopyTaskQueue.get(); }

    // Snapshot of the repositories, in creation order.
    std::vector<TDataSourceImgRepositoryRef> Repositories() const;

    // --- used by the repositories, registrations and queues
    std::recursive_mutex& Sect() const { return fLink->sect; }
    void onImagesLoadingInc();
    void onImagesLoadingDec();
    void onImagesWorkingInc();
    void onImagesWorkingDec();
    // Every list from the first picture again.
    void resetControlsToFeed();
    // The lists that reached the end (pictures arrived).
    void restartEndedControlsToFeed();
    void startControlToFeed();

private:
    void repositoryToRemove(const std::vector<TDataSourceImgRepositoryRef>& list);
    void controlToFeedTaskCb();
    void eventQueue(TMainObservedEvent evtype);
    // The first increment and the last decrement of a counter raise its
    // event (queued on the GUI Queue); a decrement below 0 raises
    // "TWorkflowDataSource.<where>: unexpected call".
    void countInc(int& count, TMainObservedEvent evtype);
    void countDec(int& count, TMainObservedEvent evtype, const char* where);

    TPhotoSourceChoice fPhotoSourceChoice = psc_none;
    TPhotoSourcePhone fPhotoSourcePhone = psp_iphone;
    TPhotoSourcePhoneChoice fPhotoSourcePhoneChoice = pspc_app;
    std::unique_ptr<TThreadTaskQueueWkSource> fBitmapTaskQueue;
    std::unique_ptr<TThreadTaskQueue> fRepositoryTaskQueue;
    std::unique_ptr<TThreadTaskQueue> fFeedCtrlTaskQueue;
    std::unique_ptr<TThreadTaskQueueImgCopy> fImgCopyTaskQueue;
    IQzfsRootRef fRootFolder;
    quint32 fRootFolderTick = 0;
    TDataSourceLinkRef fLink;
    // Under the link's lock (fSect).
    std::vector<TDataSourceImgRepositoryRef> fRepositoryList;
    TPhotoSourceGroupBy fGroupBy = psgb_date;
    std::vector<TDataSourceImgTargetRegRef> fTargetList;
    int fImagesLoadingCount = 0;
    int fImagesWorkingCount = 0;
    std::atomic<bool> fTargetEnded { false };
    // The last feed task: main thread and feed worker.
    std::mutex fFeedTaskSync;
    IThreadTaskRef fFeedTask;
    std::shared_ptr<std::atomic<bool>> fFeedTaskStarted;
    bool fDestroying = false;
    bool fShowFileNames = false;
};
using TWorkflowDataSourceRef = std::shared_ptr<TWorkflowDataSource>;
