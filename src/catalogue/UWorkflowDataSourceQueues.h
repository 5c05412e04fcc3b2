#pragma once
// The worker queues of the photo sources whose activity the screens follow:
// - TThreadTaskQueueWkSource (bitmaps): its busy state drives the "images
//   working" counter;
// - TThreadTaskQueueImgCopy (copies of used pictures off removable media):
//   its busy state drives the "images loading" counter, and a copy that
//   failed because the medium was pulled out waits for the medium instead
//   of being dropped. One warning box at a time counts the waiting copies;
//   Retry, a new copy request or a medium coming back queues them again.
#include "IMainPopupController.h"
#include "UThreadTaskQueue.h"

#include <atomic>
#include <vector>

class TWorkflowDataSource;

class TThreadTaskQueueWkSource : public TThreadTaskQueue {
public:
    TThreadTaskQueueWkSource(TWorkflowDataSource* wk, QCoreApplication* app, const QString& thName);
    ~TThreadTaskQueueWkSource() override;

    bool onProcessTask() override;

protected:
    QString ClassName() const override { return QStringLiteral("TThreadTaskQueueWkSource"); }
    void onThreadStop() override;

private:
    void busyUpdate();

    TWorkflowDataSource* fWkSource;
    // Worker thread only.
    bool fLoadingFlag = false;
};

class TThreadTaskQueueImgCopy : public TThreadTaskQueue {
public:
    TThreadTaskQueueImgCopy(TWorkflowDataSource* wk, QCoreApplication* app, const QString& thName);
    ~TThreadTaskQueueImgCopy() override;

    // Queues the copy, then retries the copies waiting for their medium
    // (unless the customer has the warning in front of them).
    void AddTask(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny) override;
    bool onProcessTask() override;

    void RetryIfAnyMediaEjectedError();
    // A medium came back: the warning closes and the copies run again.
    void ForceRetryIfAnyMediaEjectedError();
    // Copies waiting for their medium.
    int WaitingToRetryCount() const;
    IMainPopupControllerRef PopupCtrl() const;

protected:
    QString ClassName() const override { return QStringLiteral("TThreadTaskQueueImgCopy"); }
    void ProcessError(IThreadTaskForQueue* tsk, const std::exception& ex) override;
    void onThreadStop() override;

private:
    void busyUpdate();
    void ShowMediaEjectedError(const QString& message);
    void retryNow();
    void popupForget(int generation);
    void closeWaitingAsFailed();

    TWorkflowDataSource* fWkSource;
    bool fLoadingFlag = false;
    // Under ftaskListSync.
    std::vector<IThreadTaskForQueueRef> fWaitingTaskToRetry;
    IMainPopupControllerRef fPopupCtrl;
    int fPopupGeneration = 0;
    // Boxes asked for by failed copies and not shown yet.
    int fWarningsPending = 0;
    std::atomic<bool> fDestroying { false };
};
