#include "UWorkflowDataSourceQueues.h"

#include "UDebug.h"
#include "ULangText.h"
#include "UMediaEjected.h"
#include "UWorkflowDataSource.h"

#include <algorithm>

namespace {

TLangText& txtWarningTitle()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Warning - %d images in error"));
    return t;
}
TLangText& txtRetry()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Retry"));
    return t;
}
TLangText& txtCancel()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Cancel"));
    return t;
}

using TSourceCounter = void (TWorkflowDataSource::*)();

// Tells the photo-source data once per change that a queue turned busy
// (inc) or idle (dec); never raises into the queue's worker.
void busyReport(bool busy, bool& flag, TWorkflowDataSource* wk, TSourceCounter inc, TSourceCounter dec,
                const char* where)
{
    try {
        if (busy == flag)
            return;
        flag = busy;
        if (wk)
            (wk->*(busy ? inc : dec))();
    } catch (const std::exception& e) {
        LogFatal(QLatin1String(where), e);
    }
}

} // namespace

// ------------------------------------------------------ TThreadTaskQueueWkSource

TThreadTaskQueueWkSource::TThreadTaskQueueWkSource(TWorkflowDataSource* wk, QCoreApplication* app,
                                                   const QString& thName)
    : TThreadTaskQueue(app, wk ? wk->mainFrame() : nullptr, thName)
    , fWkSource(wk)
{
}

TThreadTaskQueueWkSource::~TThreadTaskQueueWkSource()
{
    Shutdown();
}

void TThreadTaskQueueWkSource::busyUpdate()
{
    busyReport(Busy(), fLoadingFlag, fWkSource, &TWorkflowDataSource::onImagesWorkingInc,
               &TWorkflowDataSource::onImagesWorkingDec, "TThreadTaskQueueWkSource.busyUpdate");
}

bool TThreadTaskQueueWkSource::onProcessTask()
{
    busyUpdate();
    const bool processed = TThreadTaskQueue::onProcessTask();
    busyUpdate();
    return processed;
}

void TThreadTaskQueueWkSource::onThreadStop()
{
    TThreadTaskQueue::onThreadStop();
    busyUpdate();
}

// ------------------------------------------------------- TThreadTaskQueueImgCopy

TThreadTaskQueueImgCopy::TThreadTaskQueueImgCopy(TWorkflowDataSource* wk, QCoreApplication* app,
                                                 const QString& thName)
    : TThreadTaskQueue(app, wk ? wk->mainFrame() : nullptr, thName)
    , fWkSource(wk)
{
}

TThreadTaskQueueImgCopy::~TThreadTaskQueueImgCopy()
{
    fDestroying.store(true);
    IMainPopupControllerRef popup;
    {
        std::lock_guard lk(ftaskListSync);
        popup = std::move(fPopupCtrl);
        fPopupCtrl.reset();
        ++fPopupGeneration;
    }
    if (popup && fMain) {
        try {
            fMain->popupClose(popup);
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TThreadTaskQueueImgCopy.Destroy(2)"), e);
        }
    }
    closeWaitingAsFailed();
    Shutdown();
    // A copy that failed while the worker stopped.
    closeWaitingAsFailed();
}

void TThreadTaskQueueImgCopy::closeWaitingAsFailed()
{
    std::vector<IThreadTaskForQueueRef> waiting;
    {
        std::lock_guard lk(ftaskListSync);
        waiting.swap(fWaitingTaskToRetry);
    }
    try {
        for (const IThreadTaskForQueueRef& t : waiting)
            t->onProcessError(nullptr);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TThreadTaskQueueImgCopy.Destroy"), e);
    }
}

void TThreadTaskQueueImgCopy::busyUpdate()
{
    busyReport(Busy(), fLoadingFlag, fWkSource, &TWorkflowDataSource::onImagesLoadingInc,
               &TWorkflowDataSource::onImagesLoadingDec, "TThreadTaskQueueImgCopy.busyUpdate");
}

bool TThreadTaskQueueImgCopy::onProcessTask()
{
    busyUpdate();
    const bool processed = TThreadTaskQueue::onProcessTask();
    busyUpdate();
    return processed;
}

void TThreadTaskQueueImgCopy::onThreadStop()
{
    TThreadTaskQueue::onThreadStop();
    busyUpdate();
}

void TThreadTaskQueueImgCopy::AddTask(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny)
{
    TThreadTaskQueue::AddTask(tsk, highPriorityIfAny);
    RetryIfAnyMediaEjectedError();
}

void TThreadTaskQueueImgCopy::ProcessError(IThreadTaskForQueue* tsk, const std::exception& ex)
{
    if (tsk && dynamic_cast<const EMediaEjected*>(&ex)) {
        bool parked = false;
        {
            std::lock_guard lk(ftaskListSync);
            if (!tsk->onProcessError(&ex)) {
                // The failed task is the one in progress: its counted
                // reference is the queue's current task.
                IThreadTaskForQueueRef ref = ftaskCur.get() == tsk ? ftaskCur : nullptr;
                if (ref) {
                    ref->onReset();
                    ref->onSchedule(this);
                    fWaitingTaskToRetry.push_back(ref);
                    ++fWarningsPending;
                    parked = true;
                }
            } else {
                return;
            }
        }
        if (!parked) {
            LogError(DebugLabel() + QStringLiteral(".ProcessError(ImgCopy)"), &ex);
            return;
        }
        const QString text = ExceptionMessage(ex);
        try {
            TThreadTaskQueueWithoutThread::MainThreadSynchro([this, text] { ShowMediaEjectedError(text); });
        } catch (const std::exception& e) {
            {
                std::lock_guard lk(ftaskListSync);
                --fWarningsPending;
            }
            LogError(DebugLabel() + QStringLiteral(".ProcessError(ImgCopy)"), &e);
        }
        return;
    }
    if (tsk && tsk->onProcessError(&ex))
        return;
    if (dynamic_cast<const ECancel*>(&ex))
        LogDebug(DebugLabel() + QStringLiteral(".ProcessError(ImgCopy)"), &ex);
    else
        LogError(DebugLabel() + QStringLiteral(".ProcessError(ImgCopy)"), &ex);
}

void TThreadTaskQueueImgCopy::ShowMediaEjectedError(const QString& message)
{
    int count;
    int generation;
    IMainPopupControllerRef older;
    {
        std::lock_guard lk(ftaskListSync);
        --fWarningsPending;
        count = int(fWaitingTaskToRetry.size());
        // The medium came back before the box could be shown: nothing waits.
        if (fDestroying.load() || !fMain || count == 0)
            return;
        older = std::move(fPopupCtrl);
        fPopupCtrl.reset();
        generation = ++fPopupGeneration;
    }
    // The newer box, with the newer count, takes the older one's place.
    if (older) {
        try {
            fMain->popupClose(older);
        } catch (const std::exception& e) {
            LogError(DebugLabel() + QStringLiteral(".ShowMediaEjectedError"), &e);
        }
    }
    IMainPopupControllerRef box = fMain->MessageDlgCusto(
        QStringLiteral("msgbox_warn"), txtWarningTitle().Text({ count }), message, txtRetry().Text(),
        [this, generation] {
            popupForget(generation);
            try {
                retryNow();
            } catch (const ECancel&) {
                // The queue is cancelling everything: nothing to retry.
            }
        },
        txtCancel().Text(), [this, generation] { popupForget(generation); }, false,
        [this, generation] { popupForget(generation); });
    std::lock_guard lk(ftaskListSync);
    if (generation == fPopupGeneration)
        fPopupCtrl = std::move(box);
}

void TThreadTaskQueueImgCopy::popupForget(int generation)
{
    std::lock_guard lk(ftaskListSync);
    if (generation == fPopupGeneration)
        fPopupCtrl.reset();
}

void TThreadTaskQueueImgCopy::retryNow()
{
    {
        std::lock_guard lk(ftaskListSync);
        if (fCancelAllPending.load())
            throw ECancel();
        if (fWaitingTaskToRetry.empty())
            return;
        for (const IThreadTaskForQueueRef& t : fWaitingTaskToRetry)
            ftaskList.push_back(TWaitingTask { t, 0, {} });
        fWaitingTaskToRetry.clear();
        SetBusy(true);
    }
    WakeUp();
}

void TThreadTaskQueueImgCopy::RetryIfAnyMediaEjectedError()
{
    {
        std::lock_guard lk(ftaskListSync);
        // A box on its way to the customer counts as shown: a copy request
        // right after a failure does not send the failed copy round again
        // before the customer was told.
        if (fPopupCtrl || fWarningsPending > 0 || fWaitingTaskToRetry.empty())
            return;
    }
    retryNow();
}

void TThreadTaskQueueImgCopy::ForceRetryIfAnyMediaEjectedError()
{
    IMainPopupControllerRef popup;
    {
        std::lock_guard lk(ftaskListSync);
        popup = std::move(fPopupCtrl);
        fPopupCtrl.reset();
        ++fPopupGeneration;
    }
    if (popup && fMain) {
        try {
            fMain->popupClose(popup);
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TThreadTaskQueueImgCopy.ForceRetryIfAnyMediaEjectedError"), e);
        }
    }
    // The medium is back: the copies run even when a box is still on its
    // way (it is then not shown, nothing waits any more).
    try {
        retryNow();
    } catch (const ECancel&) {
        // The queue is cancelling everything.
    }
}

int TThreadTaskQueueImgCopy::WaitingToRetryCount() const
{
    std::lock_guard lk(ftaskListSync);
    return int(fWaitingTaskToRetry.size());
}

IMainPopupControllerRef TThreadTaskQueueImgCopy::PopupCtrl() const
{
    std::lock_guard lk(ftaskListSync);
    return fPopupCtrl;
}
