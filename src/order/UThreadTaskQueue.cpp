#include "UThreadTaskQueue.h"

#include "UDebug.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <algorithm>
#include <optional>

using namespace std::chrono_literals;

namespace {

// Static initialisation runs on the main thread: the fallback identity of the
// main thread while no application object exists.
const Qt::HANDLE gStartupThread = QThread::currentThreadId();

// The queue whose worker thread is the calling thread.
thread_local TThreadTaskQueueWithoutThread* tCurrentQueue = nullptr;

// Threads waiting on a queue's state (Busy cleared, a task left the
// in-progress list, a worker ended) or on the main thread's pending calls
// wait on this one condition; every such change bumps the sequence.
std::mutex gStateSync;
std::condition_variable gStateCv;
quint64 gStateSeq = 0;

// A procedure handed to the main thread by another thread.
struct TMainCall {
    enum State { Pending, Running, Done, Withdrawn };
    TProc proc;
    std::exception_ptr error;
    State state = Pending; // guarded by gCallSync
};

std::mutex gCallSync;
std::condition_variable gCallCv;
std::deque<std::shared_ptr<TMainCall>> gCalls;

bool isCancel(const std::exception& ex)
{
    return dynamic_cast<const ECancel*>(&ex) != nullptr;
}

bool isRetry(const std::exception& ex)
{
    return dynamic_cast<const ETaskRetry*>(&ex) != nullptr;
}

// Hands proc to the main thread and waits until it ran there. While it has
// not started yet, the wait gives up with ECancel as soon as cancelCheck
// (may be empty) answers true, so that a cancelled worker task never stays
// blocked on a main thread that does not serve it.
void postToMainAndWait(TProc proc, const std::function<bool()>& cancelCheck)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        throw Exception(QStringLiteral("TThreadTaskQueueWithoutThread.MainThreadSynchro: no application object"));
    auto call = std::make_shared<TMainCall>();
    call->proc = std::move(proc);
    {
        std::lock_guard lk(gCallSync);
        gCalls.push_back(call);
    }
    {
        std::lock_guard lk(gStateSync);
        ++gStateSeq;
    }
    gStateCv.notify_all();
    QMetaObject::invokeMethod(app, [] { TThreadTaskQueueWithoutThread::ProcessPendingMainThreadCalls(); },
                              Qt::QueuedConnection);

    std::unique_lock lk(gCallSync);
    while (call->state != TMainCall::Done) {
        gCallCv.wait_for(lk, 50ms, [&] { return call->state == TMainCall::Done; });
        if (call->state != TMainCall::Pending || !cancelCheck)
            continue;
        lk.unlock();
        const bool cancel = cancelCheck();
        lk.lock();
        if (cancel && call->state == TMainCall::Pending) {
            gCalls.erase(std::remove(gCalls.begin(), gCalls.end(), call), gCalls.end());
            call->state = TMainCall::Withdrawn;
            throw ECancel();
        }
    }
    lk.unlock();
    if (call->error)
        std::rethrow_exception(call->error);
}

} // namespace

// ---------------------------------------------------------------------------
// TThreadTaskBase

TThreadTaskBase::TThreadTaskBase(IInterfaceRef data)
    : fAttachedData(std::move(data))
{
}

// A queue keeps a reference to every task it holds, so a task being
// destroyed has no queue left to ask: there is no cancellation to wait for.
TThreadTaskBase::~TThreadTaskBase() = default;

bool TThreadTaskBase::GetToCancel() const
{
    std::lock_guard lk(fSync);
    return fcancel;
}

bool TThreadTaskBase::IsDone() const
{
    std::lock_guard lk(fSync);
    return fdone;
}

bool TThreadTaskBase::IsWaitingForExec() const
{
    std::lock_guard lk(fSync);
    return fQueue != nullptr;
}

IInterfaceRef TThreadTaskBase::GetAttachedData() const
{
    std::lock_guard lk(fSync);
    return fAttachedData;
}

void TThreadTaskBase::SetAttachedData(IInterfaceRef data)
{
    IInterfaceRef old;
    {
        std::lock_guard lk(fSync);
        old = std::exchange(fAttachedData, std::move(data));
    }
}

// The queue field stays set while the queue decides: it empties it itself
// when it confirms the cancellation (onCancelled), and a task that finishes
// meanwhile empties it on its own, so no stale queue is ever put back.
bool TThreadTaskBase::CancelAsk(ThreadTaskWaitMode waitMode)
{
    TThreadTaskQueueWithoutThread* queue;
    {
        std::lock_guard lk(fSync);
        if (!fQueue)
            return true;
        fcancel = true;
        queue = fQueue;
    }
    return queue->onTaskCancelAsked(this, waitMode);
}

void TThreadTaskBase::onSchedule(TThreadTaskQueueWithoutThread* queue)
{
    std::lock_guard lk(fSync);
    if (fQueue)
        throw Exception(QStringLiteral("TThreadTask.onSchedule: already called"));
    fdone = false;
    fQueue = queue;
}

void TThreadTaskBase::Execute(TThreadTaskQueueWithoutThread* queue)
{
    {
        std::unique_lock lk(fSync);
        if (fcancel) {
            lk.unlock();
            onCancelled();
            return;
        }
        if (queue != fQueue)
            throw Exception(QStringLiteral("TThreadTaskBase.Execute / unexpected call"));
    }
    DoExecute();
    onDone();
}

bool TThreadTaskBase::onProcessError(const std::exception* /*ex*/)
{
    onError();
    return false;
}

void TThreadTaskBase::finish()
{
    IInterfaceRef data;
    {
        std::lock_guard lk(fSync);
        fdone = true;
        fcancel = false;
        fQueue = nullptr;
        data = std::move(fAttachedData);
        fAttachedData.reset();
    }
}

void TThreadTaskBase::onDone()
{
    finish();
}

void TThreadTaskBase::onError()
{
    finish();
}

void TThreadTaskBase::onReset()
{
    std::lock_guard lk(fSync);
    fdone = false;
    fQueue = nullptr;
}

IInterfaceRef TThreadTaskBase::onCancelled()
{
    bool unexpected;
    IInterfaceRef data;
    {
        std::lock_guard lk(fSync);
        unexpected = !fcancel && !fdone;
        data = std::move(fAttachedData);
        fAttachedData.reset();
        fQueue = nullptr;
    }
    if (unexpected)
        LogError(QStringLiteral("TThreadTaskBase.onCancelled: unexpected call"));
    return data;
}

IInterfaceRef TThreadTaskBase::onQueueCancel()
{
    {
        std::lock_guard lk(fSync);
        if (!fdone)
            fcancel = true;
    }
    return onCancelled();
}

// ---------------------------------------------------------------------------
// TThreadTask

TThreadTask::TThreadTask(TProc proc, IInterfaceRef data)
    : TThreadTaskBase(std::move(data))
    , fproc(std::move(proc))
{
}

TThreadTask::~TThreadTask() = default;

void TThreadTask::DoExecute()
{
    if (fproc)
        fproc();
}

// ---------------------------------------------------------------------------
// TThreadTaskQueueWithoutThread

TThreadTaskQueueWithoutThread::TThreadTaskQueueWithoutThread(QCoreApplication* app, IMainFrame* main,
                                                             const QString& thName)
    : fapp(app)
    , fMain(main)
    , fthName(thName)
{
}

TThreadTaskQueueWithoutThread::~TThreadTaskQueueWithoutThread()
{
    LogDebug(DebugLabel() + QStringLiteral(".Destroy(1) called"));
    SetWakeHandler(nullptr);
    // Clearing Busy first keeps CancelAll from waiting: nothing will run the
    // queue any more.
    SetBusy(false);
    try {
        CancelAll(nullptr);
    } catch (const std::exception& e) {
        LogError(DebugLabel() + QStringLiteral(".Destroy(1)"), &e);
    }
}

QString TThreadTaskQueueWithoutThread::DebugLabel() const
{
    return ClassName() + QLatin1Char('(') + fthName + QLatin1Char(')');
}

IThreadTaskRef TThreadTaskQueueWithoutThread::AddCall(TProc proc, IInterfaceRef data, bool highPriorityIfAny)
{
    auto tsk = std::make_shared<TThreadTask>(std::move(proc), std::move(data));
    AddTask(tsk, highPriorityIfAny);
    return tsk;
}

void TThreadTaskQueueWithoutThread::enqueueLocked(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny,
                                                  int retries, Clock::time_point notBefore)
{
    if (highPriorityIfAny && fHighPriorityRequested.load()) {
        ftaskListHigh.push_back(tsk);
        fHighCount.store(int(ftaskListHigh.size()));
    } else {
        ftaskList.push_back(TWaitingTask { tsk, retries, notBefore });
    }
    SetBusy(true);
}

IThreadTaskRef TThreadTaskQueueWithoutThread::AddCallNewestFirst(TProc proc, IInterfaceRef data)
{
    auto tsk = std::make_shared<TThreadTask>(std::move(proc), std::move(data));
    AddTaskNewestFirst(tsk);
    return tsk;
}

void TThreadTaskQueueWithoutThread::AddTask(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny)
{
    addTaskChecked(tsk, highPriorityIfAny, false);
}

void TThreadTaskQueueWithoutThread::AddTaskNewestFirst(const IThreadTaskForQueueRef& tsk)
{
    addTaskChecked(tsk, true, true);
}

void TThreadTaskQueueWithoutThread::addTaskChecked(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny,
                                                   bool newestFirst)
{
    if (!tsk)
        throw Exception(DebugLabel() + QStringLiteral(".AddTask: no task"));
    {
        std::lock_guard lk(ftaskListSync);
        if (!fRefuseMessage.isEmpty())
            throw Exception(fRefuseMessage);
        if (fCancelAllPending.load())
            throw ECancel();
        tsk->onSchedule(this);
        if (newestFirst && !(highPriorityIfAny && fHighPriorityRequested.load())) {
            ftaskList.push_front(TWaitingTask { tsk, 0, {} });
            SetBusy(true);
        } else {
            enqueueLocked(tsk, highPriorityIfAny, 0, {});
        }
    }
    WakeUp();
}

void TThreadTaskQueueWithoutThread::RefuseTasks(const QString& message)
{
    std::lock_guard lk(ftaskListSync);
    fRefuseMessage = message;
}

bool TThreadTaskQueueWithoutThread::hasHighPriorityTasks() const
{
    return fHighCount.load() > 0;
}

bool TThreadTaskQueueWithoutThread::highPriorityTaskAdd(const IThreadTaskRef& tsk)
{
    if (!tsk || !fHighPriorityRequested.load() || !tsk->IsWaitingForExec())
        return false;
    {
        std::lock_guard lk(ftaskListSync);
        if (!fHighPriorityRequested.load())
            return false;
        auto it = std::find_if(ftaskList.begin(), ftaskList.end(), [&](const TWaitingTask& w) {
            return static_cast<IThreadTask*>(w.task.get()) == tsk.get();
        });
        if (it == ftaskList.end())
            return false;
        ftaskListHigh.push_back(it->task);
        fHighCount.store(int(ftaskListHigh.size()));
        ftaskList.erase(it);
    }
    return true;
}

void TThreadTaskQueueWithoutThread::SetBusy(bool value)
{
    fbusy.store(value);
    if (!value)
        NotifyStateChanged();
}

bool TThreadTaskQueueWithoutThread::hasTasks() const
{
    std::lock_guard lk(ftaskListSync);
    return !ftaskList.empty();
}

bool TThreadTaskQueueWithoutThread::hasTaskInProgress() const
{
    std::lock_guard lk(ftaskListSync);
    return ftaskCur != nullptr;
}

qint64 TThreadTaskQueueWithoutThread::NextTaskDueInMs() const
{
    std::lock_guard lk(ftaskListSync);
    if (ftaskList.empty())
        return -1;
    const auto now = Clock::now();
    auto first = Clock::time_point::max();
    for (const auto& w : ftaskList)
        first = std::min(first, w.notBefore);
    if (first <= now)
        return 0;
    return std::chrono::ceil<std::chrono::milliseconds>(first - now).count();
}

void TThreadTaskQueueWithoutThread::SetRetryPolicy(int maxRetries, int firstDelayMs, int maxDelayMs)
{
    fMaxRetries.store(std::max(0, maxRetries));
    fFirstRetryDelayMs.store(std::max(0, firstDelayMs));
    fMaxRetryDelayMs.store(std::max(0, maxDelayMs));
}

TThreadTaskQueueWithoutThread::Clock::duration TThreadTaskQueueWithoutThread::retryDelay(int retries) const
{
    qint64 delay = fFirstRetryDelayMs.load();
    const qint64 maxDelay = fMaxRetryDelayMs.load();
    for (int i = 1; i < retries && delay < maxDelay; ++i)
        delay *= 2;
    return std::chrono::milliseconds(std::min(delay, maxDelay));
}

void TThreadTaskQueueWithoutThread::SetWakeHandler(std::function<void()> handler)
{
    std::lock_guard lk(fWakeHandlerSync);
    fWakeHandler = std::move(handler);
}

void TThreadTaskQueueWithoutThread::WakeUp()
{
    std::function<void()> handler;
    {
        std::lock_guard lk(fWakeHandlerSync);
        handler = fWakeHandler;
    }
    if (handler)
        handler();
}

void TThreadTaskQueueWithoutThread::NotifyStateChanged()
{
    {
        std::lock_guard lk(gStateSync);
        ++gStateSeq;
    }
    gStateCv.notify_all();
}

bool TThreadTaskQueueWithoutThread::onProcessTask()
{
    IThreadTaskForQueueRef tsk;
    int retries = 0;
    {
        std::lock_guard lk(ftaskListSync);
        if (!ftaskListHigh.empty())
            LogError(DebugLabel() + QStringLiteral(".onProcessTask: unexpected priority tasks requested"));
        if (IsPaused())
            return false;
        const auto now = Clock::now();
        auto it = std::find_if(ftaskList.begin(), ftaskList.end(),
                               [&](const TWaitingTask& w) { return w.notBefore <= now; });
        if (it == ftaskList.end()) {
            if (ftaskList.empty() && !ftaskCur) {
                ftaskListInProgress.clear();
                SetBusy(false);
            }
            return false;
        }
        tsk = it->task;
        retries = it->retries;
        ftaskList.erase(it);
        ftaskCur = tsk;
        ftaskCurRetries = retries;
        ftaskListInProgress.push_back(tsk);
    }

    struct PopGuard {
        TThreadTaskQueueWithoutThread* q;
        const IThreadTaskForQueueRef& t;
        ~PopGuard() { q->taskListInProgressPop(t); }
    } pop { this, tsk };

    try {
        try {
            tsk->Execute(this);
            // The task ran to its end: high-priority tasks queued meanwhile
            // go first, but the task itself is never run a second time (it
            // may have posted an order).
            if (hasHighPriorityTasks())
                highPriorityTasksInsert(nullptr, nullptr);
        } catch (const std::exception& e) {
            handleTaskFailure(tsk, retries, e);
        } catch (...) {
            const Exception unknown(QStringLiteral("unknown exception"));
            handleTaskFailure(tsk, retries, unknown);
        }
    } catch (const std::exception& e) {
        ProcessError(nullptr, e);
    }
    WakeUp();
    return true;
}

void TThreadTaskQueueWithoutThread::handleTaskFailure(const IThreadTaskForQueueRef& tsk, int retries,
                                                      const std::exception& ex)
{
    if (highPriorityTasksInsert(tsk, &ex))
        return;
    if (!isRetry(ex)) {
        ProcessError(tsk.get(), ex);
        return;
    }
    // A task asked to stop, or a queue cancelling everything, never runs a
    // task again, whatever the task asked for.
    if (tsk->GetToCancel() || ToCancelAllPending()) {
        tsk->onQueueCancel();
        LogDebug(DebugLabel() + QStringLiteral(".onProcessTask: cancelled task not retried"), &ex);
        return;
    }
    if (retries >= fMaxRetries.load()) {
        LogWarn(DebugLabel() + QStringLiteral(".onProcessTask: task given up after %1 retries").arg(retries));
        ProcessError(tsk.get(), ex);
        return;
    }
    tsk->onReset();
    {
        std::lock_guard lk(ftaskListSync);
        if (fCancelAllPending.load() || !fRefuseMessage.isEmpty()) {
            tsk->onQueueCancel();
            return;
        }
        tsk->onSchedule(this);
        enqueueLocked(tsk, false, retries + 1, Clock::now() + retryDelay(retries + 1));
    }
}

bool TThreadTaskQueueWithoutThread::highPriorityTasksInsert(const IThreadTaskForQueueRef& tsk,
                                                            const std::exception* ex)
{
    if (ex && isCancel(*ex)) {
        std::vector<IThreadTaskForQueueRef> dropped;
        {
            std::lock_guard lk(ftaskListSync);
            dropped.swap(ftaskListHigh);
            fHighCount.store(0);
        }
        for (const auto& d : dropped)
            d->onProcessError(nullptr);
        return false;
    }
    if (ex && !isRetry(*ex) && hasHighPriorityTasks())
        LogDebug(DebugLabel() + QStringLiteral(".highPriorityTasksInsert"), ex);

    std::lock_guard lk(ftaskListSync);
    if (ftaskListHigh.empty())
        return false;
    if (tsk) {
        if (tsk->GetToCancel() || fCancelAllPending.load()) {
            tsk->onQueueCancel();
        } else {
            tsk->onReset();
            tsk->onSchedule(this);
            ftaskList.push_front(TWaitingTask { tsk, 0, {} });
        }
    }
    // Each goes to the head in turn: the last added runs first.
    for (const auto& h : ftaskListHigh)
        ftaskList.push_front(TWaitingTask { h, 0, {} });
    ftaskListHigh.clear();
    fHighCount.store(0);
    SetBusy(true);
    return true;
}

void TThreadTaskQueueWithoutThread::taskListInProgressPop(const IThreadTaskForQueueRef& tsk)
{
    {
        std::lock_guard lk(ftaskListSync);
        auto it = std::find(ftaskListInProgress.begin(), ftaskListInProgress.end(), tsk);
        if (!ftaskCur || it == ftaskListInProgress.end()) {
            LogError(DebugLabel() + QStringLiteral(".taskListInProgressPop: unexpected call"));
        }
        if (it != ftaskListInProgress.end())
            ftaskListInProgress.erase(it);
        ftaskCur.reset();
    }
    NotifyStateChanged();
}

void TThreadTaskQueueWithoutThread::ProcessError(IThreadTaskForQueue* tsk, const std::exception& ex)
{
    if (tsk && tsk->onProcessError(&ex))
        return;
    if (isCancel(ex))
        LogDebug(DebugLabel() + QStringLiteral(".ProcessError"), &ex);
    else
        LogError(DebugLabel() + QStringLiteral(".ProcessError"), &ex);
}

bool TThreadTaskQueueWithoutThread::ProcessTaskNested()
{
    IThreadTaskForQueueRef saved;
    int savedRetries;
    {
        std::lock_guard lk(ftaskListSync);
        saved = ftaskCur;
        savedRetries = ftaskCurRetries;
    }
    struct Restore {
        TThreadTaskQueueWithoutThread* q;
        IThreadTaskForQueueRef& t;
        int r;
        ~Restore()
        {
            std::lock_guard lk(q->ftaskListSync);
            q->ftaskCur = t;
            q->ftaskCurRetries = r;
        }
    } restore { this, saved, savedRetries };
    return onProcessTask();
}

void TThreadTaskQueueWithoutThread::ClearTasks()
{
    for (;;) {
        IThreadTaskForQueueRef head;
        {
            std::lock_guard lk(ftaskListSync);
            if (ftaskList.empty())
                break;
            head = ftaskList.front().task;
        }
        head->CancelAsk(ttwm_nowait);
        // A task that answers without leaving the list would loop forever:
        // take it out by hand.
        std::lock_guard lk(ftaskListSync);
        if (!ftaskList.empty() && ftaskList.front().task == head) {
            ftaskList.pop_front();
            head->onQueueCancel();
        }
    }
    std::vector<IThreadTaskForQueueRef> others;
    {
        std::lock_guard lk(ftaskListSync);
        others = ftaskListInProgress;
        others.insert(others.end(), ftaskListHigh.begin(), ftaskListHigh.end());
    }
    for (const auto& t : others)
        t->CancelAsk(ttwm_nowait);
}

void TThreadTaskQueueWithoutThread::CancelAll(QObject* parent)
{
    QPointer<QObject> ctrl(parent);
    QVariant wasEnabled;
    if (ctrl) {
        wasEnabled = ctrl->property("enabled");
        if (wasEnabled.isValid())
            ctrl->setProperty("enabled", false);
    }
    const bool previous = fCancelAllPending.exchange(true);
    auto restore = [&] {
        fCancelAllPending.store(previous);
        if (ctrl && wasEnabled.isValid())
            ctrl->setProperty("enabled", wasEnabled);
    };
    try {
        ClearTasks();
        onTasksCleared();
        waitEnd();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TThreadTaskQueueWithoutThread::waitEnd()
{
    if (!Busy())
        return;
    if (IsInQueueThread()) {
        LogError(DebugLabel() + QStringLiteral(".waitEnd: called from thread queue"));
        return;
    }
    const bool onMain = IsMainThread();
    IMainFrame* lockedMain = nullptr;
    if (fMain && onMain) {
        fMain->GuiWaitLock();
        lockedMain = fMain;
    }
    bool ended;
    try {
        ended = WaitUntil([this] { return !Busy(); }, Clock::now() + std::chrono::milliseconds(WaitTimeoutMs()),
                          fapp != nullptr);
    } catch (...) {
        if (lockedMain)
            lockedMain->GuiWaitUnlock();
        throw;
    }
    if (lockedMain)
        lockedMain->GuiWaitUnlock();
    if (!ended)
        throw Exception(DebugLabel() + QStringLiteral(".waitEnd: timeout"));
}

bool TThreadTaskQueueWithoutThread::WaitUntil(const std::function<bool()>& pred, Clock::time_point deadline,
                                              bool processEvents) const
{
    const bool onMain = IsMainThread();
    for (;;) {
        quint64 seq;
        {
            std::lock_guard lk(gStateSync);
            seq = gStateSeq;
        }
        if (onMain) {
            ProcessPendingMainThreadCalls();
            if (processEvents && QCoreApplication::instance())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        if (pred())
            return true;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        std::unique_lock lk(gStateSync);
        gStateCv.wait_until(lk, std::min(deadline, now + (onMain ? 10ms : 50ms)),
                            [&] { return gStateSeq != seq; });
    }
}

bool TThreadTaskQueueWithoutThread::onTaskCancelAsked(IThreadTaskForQueue* tsk, ThreadTaskWaitMode waitMode)
{
    if (!tsk)
        throw Exception(DebugLabel() + QStringLiteral(".onTaskCancelAsked: unexpected call"));
    const auto deadline = Clock::now() + std::chrono::milliseconds(WaitTimeoutMs());
    IThreadTaskForQueueRef keep; // the lists may hold the last references
    for (int counter = 0;; ++counter) {
        bool inProgress;
        {
            std::lock_guard lk(ftaskListSync);
            for (auto it = ftaskList.begin(); it != ftaskList.end();) {
                if (it->task.get() == tsk) {
                    keep = it->task;
                    it = ftaskList.erase(it);
                } else {
                    ++it;
                }
            }
            for (auto it = ftaskListHigh.begin(); it != ftaskListHigh.end();) {
                if (it->get() == tsk) {
                    keep = *it;
                    it = ftaskListHigh.erase(it);
                } else {
                    ++it;
                }
            }
            fHighCount.store(int(ftaskListHigh.size()));
            inProgress = std::any_of(ftaskListInProgress.begin(), ftaskListInProgress.end(),
                                     [&](const IThreadTaskForQueueRef& t) { return t.get() == tsk; });
            if (!inProgress) {
                tsk->onCancelled();
                return true;
            }
            // The queue's thread waits for the main thread (always so for a
            // queue without a thread): waiting here could never end. The
            // running task stops at its next cancellation check.
            if (fQueueWaitingMainThread.load()) {
                if (fHighPriorityRequested.load())
                    LogError(DebugLabel()
                                    + QStringLiteral(".onTaskCancelAsked: called from main thread and waited by thread queue !!"));
                tsk->onCancelled();
                return true;
            }
        }
        if (counter == 0 && IsInQueueThread()) {
            LogError(DebugLabel() + QStringLiteral(".onTaskCancelAsked: called from thread queue !!"));
            return false;
        }
        if (counter < 5) {
            QThread::yieldCurrentThread();
            continue;
        }
        if (waitMode == ttwm_nowait)
            return false;
        if (Clock::now() >= deadline)
            throw Exception(QStringLiteral("TThreadTaskQueueWithoutThread.onTaskCancelAsked: timeout"));
        auto stillRunning = [&] {
            std::lock_guard lk(ftaskListSync);
            return std::none_of(ftaskListInProgress.begin(), ftaskListInProgress.end(),
                                [&](const IThreadTaskForQueueRef& t) { return t.get() == tsk; })
                || fQueueWaitingMainThread.load();
        };
        WaitUntil(stillRunning, std::min(deadline, Clock::now() + 100ms), false);
    }
}

bool TThreadTaskQueueWithoutThread::IsInQueueThread() const
{
    return IsMainThread();
}

bool TThreadTaskQueueWithoutThread::CurrentTaskToCancel() const
{
    {
        std::lock_guard lk(ftaskListSync);
        if (ftaskCur && ftaskCur->GetToCancel())
            return true;
    }
    return ToCancelAllPending();
}

void TThreadTaskQueueWithoutThread::CheckTaskCancel() const
{
    if (CurrentTaskToCancel())
        throw ECancel();
}

void TThreadTaskQueueWithoutThread::highPriorityStart()
{
    CheckTaskCancel();
    if (fHighPriorityRequested.exchange(true))
        throw Exception(DebugLabel() + QStringLiteral(".highPriorityStart: already started"));
}

void TThreadTaskQueueWithoutThread::highPriorityStop()
{
    fHighPriorityRequested.store(false);
}

void TThreadTaskQueueWithoutThread::MainThreadWaitStart()
{
    CheckTaskCancel();
    fQueueWaitingMainThread.store(true);
}

void TThreadTaskQueueWithoutThread::MainThreadWaitEnd()
{
    fQueueWaitingMainThread.store(false);
}

TThreadTaskQueueWithoutThread* TThreadTaskQueueWithoutThread::Current()
{
    return tCurrentQueue;
}

IThreadTaskRef TThreadTaskQueueWithoutThread::TaskCurrent()
{
    TThreadTaskQueueWithoutThread* q = Current();
    if (!q)
        return {};
    std::lock_guard lk(q->ftaskListSync);
    return q->ftaskCur;
}

bool TThreadTaskQueueWithoutThread::TaskToCancel()
{
    TThreadTaskQueueWithoutThread* q = Current();
    return q && q->CurrentTaskToCancel();
}

void TThreadTaskQueueWithoutThread::CheckCancel()
{
    if (TaskToCancel())
        throw ECancel();
}

bool TThreadTaskQueueWithoutThread::TaskProcess()
{
    TThreadTaskQueueWithoutThread* q = Current();
    return q ? q->ProcessTaskNested() : false;
}

bool TThreadTaskQueueWithoutThread::IsMainThread()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    return QThread::currentThreadId() == gStartupThread;
}

void TThreadTaskQueueWithoutThread::MainThreadSynchro(const TProc& proc)
{
    if (IsMainThread()) {
        if (proc)
            proc();
        return;
    }
    TThreadTaskQueueWithoutThread* q = Current();
    if (!q) {
        postToMainAndWait(proc, {});
        return;
    }
    q->MainThreadWaitStart();
    try {
        postToMainAndWait(
            [q, &proc] {
                q->highPriorityStart();
                try {
                    if (proc)
                        proc();
                } catch (...) {
                    q->highPriorityStop();
                    throw;
                }
                q->highPriorityStop();
            },
            [q] { return q->CurrentTaskToCancel(); });
    } catch (...) {
        q->MainThreadWaitEnd();
        throw;
    }
    q->MainThreadWaitEnd();
    // A cancellation asked while the main thread served the call was
    // confirmed at once (the queue was marked as waiting): it surfaces here.
    q->CheckTaskCancel();
}

void TThreadTaskQueueWithoutThread::ProcessPendingMainThreadCalls()
{
    if (!IsMainThread())
        return;
    for (;;) {
        std::shared_ptr<TMainCall> call;
        {
            std::lock_guard lk(gCallSync);
            if (gCalls.empty())
                return;
            call = gCalls.front();
            gCalls.pop_front();
            call->state = TMainCall::Running;
        }
        std::exception_ptr error;
        try {
            call->proc();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lk(gCallSync);
            call->error = error;
            call->state = TMainCall::Done;
        }
        gCallCv.notify_all();
    }
}

// ---------------------------------------------------------------------------
// TThreadTaskQueue

TThreadTaskQueue::TThreadTaskQueue(QCoreApplication* app, IMainFrame* main, const QString& thName)
    : TThreadTaskQueueWithoutThread(app, main, thName)
{
    fQueueWaitingMainThread.store(false);
}

TThreadTaskQueue::~TThreadTaskQueue()
{
    Shutdown();
}

void TThreadTaskQueue::Start()
{
    std::lock_guard lk(fStartSync);
    if (fth || fShutdownDone.load())
        return;
    fth = std::make_unique<TQueueThread>(this);
    fWorkerRunning.store(true);
    fth->start();
}

void TThreadTaskQueue::AddTask(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny)
{
    Start();
    TThreadTaskQueueWithoutThread::AddTask(tsk, highPriorityIfAny);
}

void TThreadTaskQueue::AddTaskNewestFirst(const IThreadTaskForQueueRef& tsk)
{
    Start();
    TThreadTaskQueueWithoutThread::AddTaskNewestFirst(tsk);
}

void TThreadTaskQueue::SetQueuePaused(bool value)
{
    if (fQueuePaused.exchange(value) == value)
        return;
    LogDebug(DebugLabel() + (value ? QStringLiteral(".QueuePaused=true") : QStringLiteral(".QueuePaused=false")));
    WakeUp();
}

bool TThreadTaskQueue::ToCancelAllPending() const
{
    return TThreadTaskQueueWithoutThread::ToCancelAllPending() || fTerminateRequested.load();
}

bool TThreadTaskQueue::IsInQueueThread() const
{
    return Current() == this;
}

bool TThreadTaskQueue::WorkerAlive() const
{
    return fWorkerRunning.load();
}

void TThreadTaskQueue::onThreadStart()
{
    LogDebug(DebugLabel() + QStringLiteral(".onThreadStart"));
}

void TThreadTaskQueue::onThreadStop()
{
    SetBusy(false);
    LogDebug(DebugLabel() + QStringLiteral(".onThreadStop"));
}

void TThreadTaskQueue::WakeUp()
{
    {
        std::lock_guard lk(fWakeSync);
        fWakePending = true;
    }
    fWakeCv.notify_all();
    TThreadTaskQueueWithoutThread::WakeUp();
}

// A paused worker takes no step, so the wait of CancelAll would never end:
// cancelling everything lifts the pause (once nothing is left to run).
void TThreadTaskQueue::onTasksCleared()
{
    SetQueuePaused(false);
    WakeUp();
}

void TThreadTaskQueue::waitForWork()
{
    const qint64 due = QueuePaused() ? -1 : NextTaskDueInMs();
    std::unique_lock lk(fWakeSync);
    auto woken = [this] { return fWakePending || fTerminateRequested.load(); };
    if (due < 0)
        fWakeCv.wait(lk, woken);
    else if (due > 0)
        fWakeCv.wait_for(lk, std::chrono::milliseconds(due), woken);
    fWakePending = false;
}

void TThreadTaskQueue::workerLoop()
{
    tCurrentQueue = this;
    ThreadCancel::Scope cancelScope(this);
    bool died = false;
    try {
        try {
            onThreadStart();
            bool paused = false;
            while (!fTerminateRequested.load()) {
                if (QueuePaused()) {
                    if (!paused)
                        LogDebug(DebugLabel() + QStringLiteral(".Execute: thread suspended"));
                    paused = true;
                    waitForWork();
                    continue;
                }
                if (paused)
                    LogDebug(DebugLabel() + QStringLiteral(".Execute: thread resumed"));
                paused = false;
                bool processed;
                try {
                    processed = onProcessTask();
                } catch (const ECancel& e) {
                    // A cancellation that escaped the error report (the
                    // report itself was cancelled): the worker goes on.
                    LogDebug(DebugLabel() + QStringLiteral(".TQueueThread.Execute"), &e);
                    processed = true;
                }
                if (processed)
                    QThread::yieldCurrentThread();
                else
                    waitForWork();
            }
        } catch (...) {
            onThreadStop();
            throw;
        }
        onThreadStop();
    } catch (const std::exception& e) {
        LogFatal(DebugLabel() + QStringLiteral(".TQueueThread.Execute"), &e);
        died = true;
    } catch (...) {
        LogFatal(DebugLabel() + QStringLiteral(".TQueueThread.Execute: unknown exception"));
        died = true;
    }
    if (died) {
        // Nothing will run this queue's tasks any more: refuse new ones and
        // cancel those still waiting instead of leaving them forever.
        RefuseTasks(DebugLabel() + QStringLiteral(".AddTask: the queue's thread has stopped"));
        try {
            ClearTasks();
        } catch (const std::exception& e) {
            LogError(DebugLabel() + QStringLiteral(".TQueueThread.Execute"), &e);
        }
        SetBusy(false);
    }
    fWorkerRunning.store(false);
    tCurrentQueue = nullptr;
    NotifyStateChanged();
}

void TThreadTaskQueue::Shutdown()
{
    if (fShutdownDone.exchange(true))
        return;
    LogDebug(DebugLabel() + QStringLiteral(".Destroy(2) called"));
    try {
        CancelAll(nullptr);
    } catch (const std::exception& e) {
        LogError(DebugLabel() + QStringLiteral(".Destroy(2)"), &e);
    }
    try {
        RefuseTasks(DebugLabel() + QStringLiteral(".AddTask: the queue is stopped"));
        std::unique_ptr<TQueueThread> th;
        {
            std::lock_guard lk(fStartSync);
            th = std::move(fth);
        }
        if (th) {
            th->TerminatedSet();
            // The worker may be waiting for the main thread: keep serving it.
            WaitUntil([&] { return th->isFinished(); }, Clock::time_point::max(), false);
            th.reset();
        }
        SetBusy(false);
    } catch (const std::exception& e) {
        LogError(DebugLabel() + QStringLiteral(".Destroy(2)"), &e);
    }
}

// ---------------------------------------------------------------------------
// TThreadTaskQueue::TQueueThread

TThreadTaskQueue::TQueueThread::TQueueThread(TThreadTaskQueue* queue)
    : fqueue(queue)
{
    // The operating system's thread name, shown by debuggers.
    setObjectName(queue->QueueName());
}

TThreadTaskQueue::TQueueThread::~TQueueThread()
{
    LogDebug(DebugLabel() + QStringLiteral(".TQueueThreadBase.Destroy called"));
    if (isRunning()) {
        TerminatedSet();
        wait();
    }
}

QString TThreadTaskQueue::TQueueThread::DebugLabel() const
{
    return fqueue ? fqueue->DebugLabel() : QStringLiteral("Th???");
}

void TThreadTaskQueue::TQueueThread::TerminatedSet()
{
    LogDebug(DebugLabel() + QStringLiteral(".TQueueThreadBase.TerminatedSet called"));
    fqueue->fTerminateRequested.store(true);
    fqueue->WakeUp();
}

void TThreadTaskQueue::TQueueThread::run()
{
    fqueue->workerLoop();
}
