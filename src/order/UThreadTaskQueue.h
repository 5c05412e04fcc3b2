#pragma once
// Background tasks and the queues that run them.
//
// A task is one piece of work run once on a queue's thread. The caller keeps
// an IThreadTask handle to cancel it or ask whether it ran; the queue drives
// it through IThreadTaskForQueue.
//
// TThreadTaskQueueWithoutThread holds the whole queue machinery (waiting,
// high-priority and in-progress lists under one lock, retries, cancellation)
// and runs one task each time its owner calls onProcessTask: the main
// window's "GUI Queue" is stepped by the Qt event loop (TGuiQueueStepper).
// TThreadTaskQueue adds a worker thread of its own, woken through a condition
// variable whenever there is something to do.
//
// Code running on a queue's worker thread finds its queue with Current(),
// polls CheckCancel() (or ThreadCancel::Check() at any depth) and reaches the
// main thread only through MainThreadSynchro.
#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UThreadCancel.h"

#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QCoreApplication;
class TThreadTaskQueueWithoutThread;

// Tells CancelAsk whether to wait for a running task to stop.
enum ThreadTaskWaitMode { ttwm_nowait = 0, ttwm_wait = 1 };

// The caller's handle on a queued piece of work. Any thread may use it.
class IThreadTask {
public:
    virtual ~IThreadTask() = default;
    // Cancellation has been asked.
    virtual bool GetToCancel() const = 0;
    // Asks for cancellation; true when the task is known to be off its queue.
    virtual bool CancelAsk(ThreadTaskWaitMode waitMode) = 0;
    // The task ran to its end (or failed).
    virtual bool IsDone() const = 0;
    // The task is scheduled on a queue (waiting or running).
    virtual bool IsWaitingForExec() const = 0;
    virtual IInterfaceRef GetAttachedData() const = 0;
    virtual void SetAttachedData(IInterfaceRef data) = 0;
};

// The queue's side of a task.
class IThreadTaskForQueue : public IThreadTask {
public:
    virtual void onSchedule(TThreadTaskQueueWithoutThread* queue) = 0;
    virtual void Execute(TThreadTaskQueueWithoutThread* queue) = 0;
    // ex may be null (a task dropped without an error of its own). True when
    // the task handled the error itself.
    virtual bool onProcessError(const std::exception* ex) = 0;
    virtual void onReset() = 0;
    // Hands back the attached data, which the queue then drops.
    virtual IInterfaceRef onCancelled() = 0;
    // The queue drops the task as cancelled on its own account (it is
    // cancelling everything or stopping): sets the cancel flag, then as
    // onCancelled.
    virtual IInterfaceRef onQueueCancel() = 0;
};

using IThreadTaskForQueueRef = std::shared_ptr<IThreadTaskForQueue>;

// Base of every task object. Flags, queue field and attached data are
// guarded by a small lock of the task's own; a queue may take it while it
// holds its own lock, never the other way round.
class TThreadTaskBase : public IThreadTaskForQueue {
public:
    explicit TThreadTaskBase(IInterfaceRef data = {});
    ~TThreadTaskBase() override;
    TThreadTaskBase(const TThreadTaskBase&) = delete;
    TThreadTaskBase& operator=(const TThreadTaskBase&) = delete;

    bool GetToCancel() const override;
    bool CancelAsk(ThreadTaskWaitMode waitMode) override;
    bool IsDone() const override;
    bool IsWaitingForExec() const override;
    IInterfaceRef GetAttachedData() const override;
    void SetAttachedData(IInterfaceRef data) override;

    void onSchedule(TThreadTaskQueueWithoutThread* queue) override;
    void Execute(TThreadTaskQueueWithoutThread* queue) override;
    bool onProcessError(const std::exception* ex) override;
    // Clears the done flag and the queue before the queue puts the task back.
    // A pending cancellation is kept: a task asked to stop is never run again.
    void onReset() override;
    IInterfaceRef onCancelled() override;
    IInterfaceRef onQueueCancel() override;

protected:
    virtual void onDone();
    virtual void onError();
    // The task body.
    virtual void DoExecute() = 0;

private:
    void finish();

    mutable std::mutex fSync;
    bool fcancel = false;
    bool fdone = false;
    TThreadTaskQueueWithoutThread* fQueue = nullptr;
    IInterfaceRef fAttachedData;
};

// A task that runs a procedure.
class TThreadTask : public TThreadTaskBase {
public:
    explicit TThreadTask(TProc proc, IInterfaceRef data = {});
    ~TThreadTask() override;

protected:
    void DoExecute() override;

private:
    TProc fproc;
};

// What the order model knows of a queue.
class TThreadTaskQueueBase {
public:
    virtual ~TThreadTaskQueueBase() = default;
    virtual IThreadTaskRef AddCall(TProc proc, IInterfaceRef data = {}, bool highPriorityIfAny = false) = 0;
    // Queues a call ahead of the calls already waiting, so that the newest
    // request runs first: a view that scrolls faster than its pictures are
    // made wants the ones it shows now, and the older requests are dropped
    // before they start once their pictures have left the view. Goes with
    // the high-priority calls while those are asked for. By default the same
    // as AddCall.
    virtual IThreadTaskRef AddCallNewestFirst(TProc proc, IInterfaceRef data = {})
    {
        return AddCall(std::move(proc), std::move(data), true);
    }
    virtual bool hasHighPriorityTasks() const = 0;
    virtual bool highPriorityTaskAdd(const IThreadTaskRef& tsk) = 0;
    virtual QString DebugLabel() const = 0;
};

class TThreadTaskQueueWithoutThread : public TThreadTaskQueueBase, public ICancelSource {
public:
    using Clock = std::chrono::steady_clock;

    // app may be null (then waits process no application events); main may
    // be null (then waits show no waiting indicator).
    TThreadTaskQueueWithoutThread(QCoreApplication* app, IMainFrame* main, const QString& thName);
    ~TThreadTaskQueueWithoutThread() override;
    TThreadTaskQueueWithoutThread(const TThreadTaskQueueWithoutThread&) = delete;
    TThreadTaskQueueWithoutThread& operator=(const TThreadTaskQueueWithoutThread&) = delete;

    // Queuing, from any thread.
    IThreadTaskRef AddCall(TProc proc, IInterfaceRef data = {}, bool highPriorityIfAny = false) override;
    IThreadTaskRef AddCallNewestFirst(TProc proc, IInterfaceRef data = {}) override;
    // Raises ECancel while CancelAll is under way, a plain exception when the
    // task is already scheduled or the queue no longer accepts tasks.
    virtual void AddTask(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny);
    // The same, ahead of the tasks already waiting.
    virtual void AddTaskNewestFirst(const IThreadTaskForQueueRef& tsk);
    bool hasHighPriorityTasks() const override;
    bool highPriorityTaskAdd(const IThreadTaskRef& tsk) override;

    // Running, on the queue's own thread (the main thread for this class):
    // runs at most one task; true when a task was taken or a failure handled.
    virtual bool onProcessTask();
    bool ProcessTaskNested();

    // Cancelling.
    virtual void ClearTasks();
    // Cancels every task and waits until the queue's thread found it empty.
    // parent (may be null) is disabled meanwhile through its "enabled" property.
    virtual void CancelAll(QObject* parent = nullptr);
    virtual void waitEnd();
    // Called by a task's CancelAsk.
    bool onTaskCancelAsked(IThreadTaskForQueue* tsk, ThreadTaskWaitMode waitMode);

    // State.
    bool Busy() const { return fbusy.load(); }
    void SetBusy(bool value);
    bool hasTasks() const;
    bool hasTaskInProgress() const;
    // Milliseconds until the first waiting task may run: 0 when one may run
    // now, -1 when none waits.
    qint64 NextTaskDueInMs() const;
    QString DebugLabel() const override;
    virtual IMainFrame* mainFrame() const { return fMain; }
    virtual bool IsInQueueThread() const;
    virtual bool ToCancelAllPending() const { return fCancelAllPending.load(); }
    bool CurrentTaskToCancel() const;
    void CheckTaskCancel() const;
    const QString& QueueName() const { return fthName; }

    // ICancelSource: the calling thread is this queue's worker.
    bool IsCancelRequested() const override { return CurrentTaskToCancel(); }

    // High-priority window, opened on the main thread while it serves a
    // synchronised call of this queue's worker.
    virtual void highPriorityStart();
    virtual void highPriorityStop();

    // Retries: a task raising ETaskRetry waits firstDelayMs before its next
    // run, twice as long after each further retry up to maxDelayMs; after
    // maxRetries retries its failure is reported like any other.
    void SetRetryPolicy(int maxRetries, int firstDelayMs, int maxDelayMs);
    // Longest wait of waitEnd and of a cancellation with ttwm_wait.
    void SetWaitTimeoutMs(int ms) { fWaitTimeoutMs.store(ms); }
    int WaitTimeoutMs() const { return fWaitTimeoutMs.load(); }

    // Called (on the adding thread, outside the lock) whenever work arrives;
    // TGuiQueueStepper uses it to schedule its next step.
    void SetWakeHandler(std::function<void()> handler);

    // Class operations: they work on the queue whose worker thread is the
    // calling thread.
    static TThreadTaskQueueWithoutThread* Current();
    static IThreadTaskRef TaskCurrent();
    static bool TaskToCancel();
    static void CheckCancel();
    static bool TaskProcess();
    // Runs proc on the main thread and waits for it; an exception raised by
    // proc is raised again in the caller. On the main thread proc runs at
    // once. On a queue's worker the current task's cancellation is checked
    // before and after, and the high-priority window is open while proc runs.
    static void MainThreadSynchro(const TProc& proc);
    // Runs the synchronised calls that wait for the main thread. Every wait
    // of the main thread on a worker calls it, so that a worker waiting for
    // the main thread never deadlocks against it.
    static void ProcessPendingMainThreadCalls();
    static bool IsMainThread();

protected:
    struct TWaitingTask {
        IThreadTaskForQueueRef task;
        int retries = 0;
        Clock::time_point notBefore {};
    };

    virtual QString ClassName() const { return QStringLiteral("TThreadTaskQueueWithoutThread"); }
    virtual void ProcessError(IThreadTaskForQueue* tsk, const std::exception& ex);
    // Work is available (a task queued, a pause lifted, a stop requested).
    virtual void WakeUp();
    // Moves the high-priority tasks to the head of the waiting list; tsk (may
    // be null) is put back right behind them. False when there were none.
    virtual bool highPriorityTasksInsert(const IThreadTaskForQueueRef& tsk, const std::exception* ex);
    // Called by CancelAll once the waiting tasks are cancelled, before it
    // waits for the queue's thread.
    virtual void onTasksCleared() { }
    // A paused queue takes no task; checked under the lock as a step takes
    // its task, so a task queued after the pause never runs before the
    // pause is lifted.
    virtual bool IsPaused() const { return false; }
    void MainThreadWaitStart();
    void MainThreadWaitEnd();
    // From now on AddTask raises a plain exception with this message.
    void RefuseTasks(const QString& message);
    // Waits on the calling thread until pred holds or the deadline passes;
    // on the main thread it keeps serving synchronised calls (and, when
    // processEvents is set, application events) meanwhile.
    bool WaitUntil(const std::function<bool()>& pred, Clock::time_point deadline, bool processEvents) const;
    // Wakes whoever waits on a queue's state.
    static void NotifyStateChanged();

    mutable std::recursive_mutex ftaskListSync;
    std::deque<TWaitingTask> ftaskList;
    std::vector<IThreadTaskForQueueRef> ftaskListHigh;
    std::vector<IThreadTaskForQueueRef> ftaskListInProgress;
    IThreadTaskForQueueRef ftaskCur;
    int ftaskCurRetries = 0;
    std::atomic<bool> fCancelAllPending { false };
    std::atomic<bool> fbusy { false };
    QCoreApplication* fapp = nullptr;
    IMainFrame* fMain = nullptr;
    std::atomic<bool> fHighPriorityRequested { false };
    std::atomic<bool> fQueueWaitingMainThread { true };
    QString fthName;

private:
    void enqueueLocked(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny, int retries,
                       Clock::time_point notBefore);
    // The checks and scheduling shared by AddTask and AddTaskNewestFirst.
    void addTaskChecked(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny, bool newestFirst);
    void handleTaskFailure(const IThreadTaskForQueueRef& tsk, int retries, const std::exception& ex);
    void taskListInProgressPop(const IThreadTaskForQueueRef& tsk);
    Clock::duration retryDelay(int retries) const;

    QString fRefuseMessage;
    std::atomic<int> fHighCount { 0 };
    std::atomic<int> fMaxRetries { 30 };
    std::atomic<int> fFirstRetryDelayMs { 10 };
    std::atomic<int> fMaxRetryDelayMs { 2000 };
    std::atomic<int> fWaitTimeoutMs { 30000 };
    std::mutex fWakeHandlerSync;
    std::function<void()> fWakeHandler;
};

// A queue with a worker thread of its own.
class TThreadTaskQueue : public TThreadTaskQueueWithoutThread {
public:
    TThreadTaskQueue(QCoreApplication* app, IMainFrame* main, const QString& thName);
    ~TThreadTaskQueue() override;

    // Starts the worker thread; AddTask starts it too. The thread is not
    // started by the constructor so that it never runs a virtual operation
    // of an object still under construction.
    void Start();

    bool QueuePaused() const { return fQueuePaused.load(); }
    void SetQueuePaused(bool value);

    void AddTask(const IThreadTaskForQueueRef& tsk, bool highPriorityIfAny) override;
    void AddTaskNewestFirst(const IThreadTaskForQueueRef& tsk) override;
    bool ToCancelAllPending() const override;
    bool IsInQueueThread() const override;
    // False once the worker loop has ended (stopped, or died of an error).
    bool WorkerAlive() const;

    class TQueueThread;

protected:
    QString ClassName() const override { return QStringLiteral("TThreadTaskQueue"); }
    virtual void onThreadStart();
    virtual void onThreadStop();
    void WakeUp() override;
    void onTasksCleared() override;
    bool IsPaused() const override { return QueuePaused(); }
    // Cancels every task and stops the worker thread. Every class derived
    // from this one calls it first thing in its destructor, before its own
    // members go, since the worker calls the queue's virtual operations.
    void Shutdown();

private:
    friend class TQueueThread;
    void workerLoop();
    void waitForWork();

    std::unique_ptr<TQueueThread> fth;
    std::mutex fStartSync;
    std::atomic<bool> fQueuePaused { false };
    std::atomic<bool> fTerminateRequested { false };
    std::atomic<bool> fShutdownDone { false };
    std::atomic<bool> fWorkerRunning { false };
    std::mutex fWakeSync;
    std::condition_variable fWakeCv;
    bool fWakePending = false;
};

// The worker thread of a TThreadTaskQueue.
class TThreadTaskQueue::TQueueThread : public QThread {
public:
    explicit TQueueThread(TThreadTaskQueue* queue);
    ~TQueueThread() override;
    TThreadTaskQueue* Queue() const { return fqueue; }
    QString DebugLabel() const;
    // Requests termination and wakes the worker.
    void TerminatedSet();
    bool TerminateRequested() const { return fqueue->fTerminateRequested.load(); }

protected:
    void run() override;

private:
    TThreadTaskQueue* fqueue;
};
