#include "FakeMainFrame.h"
#include "TestSupport.h"
#include "UGuiQueueStepper.h"
#include "UThreadCancel.h"
#include "UThreadTaskQueue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

// Thread-safe record of what ran, in order.
class RunLog {
public:
    void add(const QString& s)
    {
        std::lock_guard lk(fSync);
        fItems << s;
    }
    QStringList items() const
    {
        std::lock_guard lk(fSync);
        return fItems;
    }
    QString joined() const { return items().join(QLatin1Char(',')); }

private:
    mutable std::mutex fSync;
    QStringList fItems;
};

// Waits without processing events (for worker threads); false on time-out.
bool spinUntil(const std::function<bool()>& pred, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}

// A worker queue built for a test: retries run again at once.
std::unique_ptr<TThreadTaskQueue> workerQueue(IMainFrame* main = nullptr, const QString& name = QStringLiteral("Test Queue"))
{
    auto q = std::make_unique<TThreadTaskQueue>(QCoreApplication::instance(), main, name);
    q->SetRetryPolicy(30, 0, 0);
    return q;
}

std::unique_ptr<TThreadTaskQueueWithoutThread> guiQueue()
{
    auto q = std::make_unique<TThreadTaskQueueWithoutThread>(QCoreApplication::instance(), nullptr,
                                                             QStringLiteral("GUI Queue"));
    q->SetRetryPolicy(30, 0, 0);
    return q;
}

QString messageOf(const std::exception& e)
{
    if (auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->Message();
    return QString::fromUtf8(e.what());
}

} // namespace

// ---------------------------------------------------------------------------
// The queue core, stepped by hand on the main thread.

TEST(TaskQueueCore, EmptyStepReturnsFalseAndClearsBusy)
{
    auto q = guiQueue();
    q->AddCall([] { });
    EXPECT_TRUE(q->Busy());
    EXPECT_TRUE(q->onProcessTask());
    EXPECT_TRUE(q->Busy()) << "Busy stays until a step finds the queue empty";
    EXPECT_FALSE(q->onProcessTask());
    EXPECT_FALSE(q->Busy());
}

TEST(TaskQueueCore, DebugLabelNamesClassAndQueue)
{
    auto q = guiQueue();
    EXPECT_EQ(q->DebugLabel(), QStringLiteral("TThreadTaskQueueWithoutThread(GUI Queue)"));
    auto w = workerQueue(nullptr, QStringLiteral("WebSvc Queue"));
    EXPECT_EQ(w->DebugLabel(), QStringLiteral("TThreadTaskQueue(WebSvc Queue)"));
}

// Each task follows a script, one entry per run: "ok", "retry", "notready",
// "fail" or "cancel".
TEST(TaskQueueCore, RunOrders)
{
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QStringList>> tasks;
        QString expected;
    };
    const Case cases[] = {
        { "three tasks run in the order queued", { { "A", { "ok" } }, { "B", { "ok" } }, { "C", { "ok" } } }, "A,B,C" },
        { "a retried task goes to the tail", { { "A", { "retry", "ok" } }, { "B", { "ok" } } }, "A,B,A" },
        { "a task not ready is retried like a retry", { { "A", { "notready", "ok" } }, { "B", { "ok" } }, { "C", { "ok" } } }, "A,B,C,A" },
        { "a failed task ends and the next runs", { { "A", { "fail" } }, { "B", { "ok" } } }, "A,B" },
        { "a cancelled task is never retried", { { "A", { "cancel", "ok" } }, { "B", { "ok" } } }, "A,B" },
        { "two retries interleave", { { "A", { "retry", "retry", "ok" } }, { "B", { "retry", "ok" } } }, "A,B,A,B,A" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto q = guiQueue();
        RunLog log;
        std::vector<IThreadTaskRef> handles;
        for (const auto& [name, script] : c.tasks) {
            auto run = std::make_shared<int>(0);
            handles.push_back(q->AddCall([&log, name = name, script = script, run] {
                log.add(name);
                const QString step = script.value((*run)++, QStringLiteral("ok"));
                if (step == QLatin1String("retry"))
                    throw ETaskRetry();
                if (step == QLatin1String("notready"))
                    throw ETaskNotReady(QStringLiteral("Template info not ready"));
                if (step == QLatin1String("fail"))
                    throw std::runtime_error("boom");
                if (step == QLatin1String("cancel"))
                    throw ECancel();
            }));
        }
        int steps = 0;
        while (q->onProcessTask() && steps < 50)
            ++steps;
        EXPECT_EQ(log.joined(), c.expected);
        for (const auto& h : handles) {
            EXPECT_FALSE(h->IsWaitingForExec());
            EXPECT_TRUE(h->IsDone()) << "every task ends done, also after a failure";
        }
        EXPECT_FALSE(q->Busy());
    }
}

TEST(TaskQueueCore, NewestFirstCallsRunAheadOfTheWaitingOnes)
{
    auto q = guiQueue();
    RunLog log;
    auto add = [&](const QString& name, bool newestFirst) {
        auto f = [&log, name] { log.add(name); };
        return newestFirst ? q->AddCallNewestFirst(f) : q->AddCall(f);
    };
    add(QStringLiteral("A"), false);
    add(QStringLiteral("B"), true);
    add(QStringLiteral("C"), false);
    IThreadTaskRef d = add(QStringLiteral("D"), true);
    // A newest-first call cancelled while it waits never runs.
    IThreadTaskRef e = add(QStringLiteral("E"), true);
    EXPECT_TRUE(e->CancelAsk(ttwm_nowait));
    int steps = 0;
    while (q->onProcessTask() && steps < 20)
        ++steps;
    EXPECT_EQ(log.joined(), QStringLiteral("D,B,A,C"));
    EXPECT_TRUE(d->IsDone());
    EXPECT_FALSE(q->Busy());
}

TEST(TaskQueueCore, RetriesBackOffAndStopAfterTheBound)
{
    auto q = guiQueue();
    q->SetRetryPolicy(2, 40, 1000);
    int runs = 0;
    auto h = q->AddCall([&] {
        ++runs;
        throw ETaskRetry(QStringLiteral("not yet"));
    });
    ASSERT_TRUE(q->onProcessTask());
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(q->hasTasks());
    EXPECT_GT(q->NextTaskDueInMs(), 0) << "the retry waits before it runs again";
    EXPECT_FALSE(q->onProcessTask()) << "nothing is due yet";
    EXPECT_TRUE(h->IsWaitingForExec());
    // Step until the queue is empty: two retries, then the failure is reported.
    ASSERT_TRUE(testsupport::waitFor([&] {
        q->onProcessTask();
        return !q->hasTasks() && !q->hasTaskInProgress();
    }));
    EXPECT_EQ(runs, 3);
    EXPECT_TRUE(h->IsDone());
    EXPECT_FALSE(h->IsWaitingForExec());
}

TEST(TaskHandle, StatesAndScheduling)
{
    // Never queued.
    auto t = std::make_shared<TThreadTask>([] { });
    EXPECT_TRUE(t->CancelAsk(ttwm_nowait));
    EXPECT_FALSE(t->GetToCancel());
    EXPECT_FALSE(t->IsDone());
    EXPECT_FALSE(t->IsWaitingForExec());

    // Scheduled twice.
    auto q = guiQueue();
    auto data = std::make_shared<int>(7);
    std::weak_ptr<int> weakData = data;
    auto t2 = std::make_shared<TThreadTask>([] { }, data);
    data.reset();
    q->AddTask(t2, false);
    EXPECT_TRUE(t2->IsWaitingForExec());
    try {
        q->AddTask(t2, false);
        ADD_FAILURE() << "scheduling twice must fail";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TThreadTask.onSchedule: already called"));
    }
    EXPECT_EQ(*std::static_pointer_cast<int>(t2->GetAttachedData()), 7);

    // Finished.
    ASSERT_TRUE(q->onProcessTask());
    EXPECT_TRUE(t2->IsDone());
    EXPECT_FALSE(t2->GetToCancel());
    EXPECT_FALSE(t2->IsWaitingForExec());
    EXPECT_FALSE(t2->GetAttachedData());
    EXPECT_TRUE(weakData.expired()) << "the attached data goes with the end of the task";
    EXPECT_TRUE(t2->CancelAsk(ttwm_wait)) << "a finished task has nothing to cancel";
}

TEST(TaskQueueCore, GuiQueueCancelsItsRunningTaskAtOnce)
{
    auto q = guiQueue();
    IThreadTaskRef self;
    bool answer = false;
    bool sawCancel = false;
    self = q->AddCall([&] {
        answer = self->CancelAsk(ttwm_wait);
        sawCancel = self->GetToCancel();
    });
    ASSERT_TRUE(q->onProcessTask());
    EXPECT_TRUE(answer) << "the main thread never waits for its own queue";
    EXPECT_TRUE(sawCancel);
    EXPECT_FALSE(self->IsWaitingForExec());
    self.reset();
}

TEST(TaskQueueCore, MainThreadSynchroOnTheMainThreadRunsAtOnce)
{
    auto q = guiQueue();
    bool ran = false;
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        ran = true;
        // No high-priority window is open outside a worker's call.
        q->AddCall([] { }, {}, true);
    });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(q->hasHighPriorityTasks());
    EXPECT_TRUE(q->hasTasks());
}

TEST(TaskQueueCore, HighPriorityTaskAddOutsideAWindowLeavesTheTask)
{
    auto q = guiQueue();
    RunLog log;
    q->AddCall([&] { log.add("A"); });
    auto b = q->AddCall([&] { log.add("B"); });
    EXPECT_FALSE(q->highPriorityTaskAdd(b));
    while (q->onProcessTask()) { }
    EXPECT_EQ(log.joined(), QStringLiteral("A,B"));
}

TEST(TaskQueueCore, StepperRunsTasksFromTheEventLoop)
{
    auto q = guiQueue();
    TGuiQueueStepper stepper(q.get());
    RunLog log;
    q->AddCall([&] { log.add("A"); });
    q->AddCall([&] { log.add("B"); });
    std::thread other([&] { q->AddCall([&] { log.add("C"); }); });
    other.join();
    ASSERT_TRUE(testsupport::waitFor([&] { return log.items().size() == 3; }));
    EXPECT_EQ(log.joined(), QStringLiteral("A,B,C"));
    EXPECT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
}

// ---------------------------------------------------------------------------
// The worker-thread queue.

TEST(WorkerQueue, RunsOnItsOwnThreadInOrder)
{
    auto q = workerQueue();
    RunLog log;
    std::atomic<bool> inQueueThread { false };
    std::atomic<bool> currentIsQueue { false };
    for (const char* name : { "A", "B", "C" })
        q->AddCall([&, name] {
            log.add(QString::fromLatin1(name));
            inQueueThread = q->IsInQueueThread();
            currentIsQueue = TThreadTaskQueueWithoutThread::Current() == q.get();
        });
    ASSERT_TRUE(testsupport::waitFor([&] { return log.items().size() == 3; }));
    EXPECT_EQ(log.joined(), QStringLiteral("A,B,C"));
    EXPECT_TRUE(inQueueThread);
    EXPECT_TRUE(currentIsQueue);
    EXPECT_FALSE(q->IsInQueueThread());
    EXPECT_EQ(TThreadTaskQueueWithoutThread::Current(), nullptr);
    EXPECT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
}

TEST(WorkerQueue, PausedQueueKeepsItsTasksUntilResumed)
{
    auto q = workerQueue();
    q->Start();
    q->SetQueuePaused(true);
    RunLog log;
    for (const char* name : { "A", "B", "C" })
        q->AddCall([&, name] { log.add(QString::fromLatin1(name)); });
    QThread::msleep(50);
    EXPECT_TRUE(log.items().isEmpty());
    EXPECT_TRUE(q->Busy());
    q->SetQueuePaused(false);
    ASSERT_TRUE(testsupport::waitFor([&] { return log.items().size() == 3; }));
    EXPECT_EQ(log.joined(), QStringLiteral("A,B,C"));
}

TEST(WorkerQueue, CancelWaitingTaskReleasesItAndItNeverRuns)
{
    auto q = workerQueue();
    q->Start();
    q->SetQueuePaused(true);
    std::atomic<bool> ran { false };
    auto data = std::make_shared<QString>(QStringLiteral("payload"));
    std::weak_ptr<QString> weakData = data;
    auto h = q->AddCall([&] { ran = true; }, data);
    data.reset();
    EXPECT_TRUE(h->CancelAsk(ttwm_nowait));
    EXPECT_FALSE(h->IsWaitingForExec());
    EXPECT_TRUE(h->GetToCancel());
    EXPECT_FALSE(h->IsDone());
    EXPECT_TRUE(weakData.expired());
    q->SetQueuePaused(false);
    EXPECT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
    EXPECT_FALSE(ran);
}

TEST(WorkerQueue, CancelRunningTask)
{
    struct Case {
        const char* name;
        ThreadTaskWaitMode mode;
        bool expectedAnswer;
    };
    const Case cases[] = {
        { "nowait gives up and leaves the flag set", ttwm_nowait, false },
        { "wait returns once the task stopped", ttwm_wait, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto q = workerQueue();
        std::atomic<bool> started { false };
        std::atomic<bool> release { false };
        std::atomic<bool> gotCancel { false };
        auto h = q->AddCall([&] {
            started = true;
            try {
                // Keeps running until released, then polls like deep code does.
                spinUntil([&] { return release.load(); });
                for (;;) {
                    ThreadCancel::Check();
                    QThread::msleep(1);
                }
            } catch (const ECancel&) {
                gotCancel = true;
                throw;
            }
        });
        ASSERT_TRUE(spinUntil([&] { return started.load(); }));
        if (c.mode == ttwm_wait) {
            std::thread releaser([&] {
                QThread::msleep(30);
                release = true;
            });
            EXPECT_EQ(h->CancelAsk(c.mode), c.expectedAnswer);
            releaser.join();
        } else {
            EXPECT_EQ(h->CancelAsk(c.mode), c.expectedAnswer);
            EXPECT_TRUE(h->GetToCancel());
            EXPECT_TRUE(h->IsWaitingForExec());
            release = true;
        }
        ASSERT_TRUE(testsupport::waitFor([&] { return gotCancel.load() && !q->Busy(); }));
        EXPECT_FALSE(h->IsWaitingForExec());
    }
}

TEST(WorkerQueue, CancelWaitTimesOut)
{
    auto q = workerQueue();
    q->SetWaitTimeoutMs(200);
    std::atomic<bool> started { false };
    std::atomic<bool> release { false };
    auto h = q->AddCall([&] {
        started = true;
        spinUntil([&] { return release.load(); }, 30000);
    });
    ASSERT_TRUE(spinUntil([&] { return started.load(); }));
    try {
        h->CancelAsk(ttwm_wait);
        ADD_FAILURE() << "a task that never checks must make the wait time out";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TThreadTaskQueueWithoutThread.onTaskCancelAsked: timeout"));
    }
    release = true;
    EXPECT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
}

TEST(WorkerQueue, CancelAskFromTheRunningTaskItselfAnswersFalse)
{
    auto q = workerQueue();
    IThreadTaskRef self;
    std::atomic<int> answer { -1 };
    std::atomic<bool> ready { false };
    self = q->AddCall([&] {
        spinUntil([&] { return ready.load(); });
        answer = self->CancelAsk(ttwm_wait) ? 1 : 0;
    });
    ready = true;
    ASSERT_TRUE(testsupport::waitFor([&] { return answer.load() != -1; }));
    EXPECT_EQ(answer.load(), 0);
    EXPECT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
    self.reset();
}

TEST(WorkerQueue, AddTaskDuringCancelAllIsRefusedWithCancel)
{
    auto q = workerQueue();
    std::atomic<bool> started { false };
    std::atomic<int> outcome { 0 }; // 1 ECancel, 2 accepted, 3 other
    auto late = std::make_shared<TThreadTask>([] { });
    q->AddCall([&] {
        started = true;
        spinUntil([&] { return q->ToCancelAllPending(); });
        try {
            q->AddTask(late, false);
            outcome = 2;
        } catch (const ECancel&) {
            outcome = 1;
        } catch (...) {
            outcome = 3;
        }
    });
    ASSERT_TRUE(spinUntil([&] { return started.load(); }));
    q->CancelAll();
    EXPECT_EQ(outcome.load(), 1);
    EXPECT_FALSE(late->IsWaitingForExec());
    EXPECT_FALSE(q->ToCancelAllPending());
    // The queue takes tasks again afterwards.
    std::atomic<bool> ran { false };
    q->AddCall([&] { ran = true; });
    EXPECT_TRUE(testsupport::waitFor([&] { return ran.load(); }));
}

TEST(WorkerQueue, CancellingAPausedQueueDoesNotHang)
{
    auto q = workerQueue();
    q->Start();
    q->SetQueuePaused(true);
    std::atomic<bool> ran { false };
    auto h = q->AddCall([&] { ran = true; });
    q->CancelAll();
    EXPECT_FALSE(q->QueuePaused());
    EXPECT_FALSE(q->Busy());
    EXPECT_TRUE(h->GetToCancel());
    EXPECT_FALSE(ran);
}

TEST(WorkerQueue, DestroyingCancelsWaitingTasks)
{
    std::vector<IThreadTaskRef> handles;
    std::atomic<int> runs { 0 };
    {
        auto q = workerQueue();
        q->Start();
        q->SetQueuePaused(true);
        for (int i = 0; i < 3; ++i)
            handles.push_back(q->AddCall([&] { ++runs; }));
    }
    EXPECT_EQ(runs.load(), 0);
    for (const auto& h : handles) {
        EXPECT_FALSE(h->IsDone());
        EXPECT_TRUE(h->GetToCancel());
        EXPECT_FALSE(h->IsWaitingForExec());
    }
}

TEST(WorkerQueue, DestroyingStopsTheRunningTaskAtItsNextCheck)
{
    std::atomic<bool> started { false };
    std::atomic<bool> gotCancel { false };
    IThreadTaskRef h;
    {
        auto q = workerQueue();
        h = q->AddCall([&] {
            started = true;
            try {
                for (;;) {
                    TThreadTaskQueueWithoutThread::CheckCancel();
                    QThread::msleep(1);
                }
            } catch (const ECancel&) {
                gotCancel = true;
                throw;
            }
        });
        ASSERT_TRUE(spinUntil([&] { return started.load(); }));
    }
    EXPECT_TRUE(gotCancel);
    EXPECT_FALSE(h->IsWaitingForExec());
}

TEST(WorkerQueue, PendingCancellationSurvivesARetry)
{
    auto q = workerQueue();
    std::atomic<bool> started { false };
    std::atomic<bool> cancelAsked { false };
    std::atomic<int> runs { 0 };
    auto h = q->AddCall([&] {
        ++runs;
        started = true;
        spinUntil([&] { return cancelAsked.load(); });
        throw ETaskRetry();
    });
    ASSERT_TRUE(spinUntil([&] { return started.load(); }));
    EXPECT_FALSE(h->CancelAsk(ttwm_nowait));
    cancelAsked = true;
    ASSERT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
    EXPECT_EQ(runs.load(), 1) << "a task asked to stop is not run again";
    EXPECT_TRUE(h->GetToCancel());
    EXPECT_FALSE(h->IsDone());
    EXPECT_FALSE(h->IsWaitingForExec());
}

namespace {
class DyingQueue : public TThreadTaskQueue {
public:
    using TThreadTaskQueue::TThreadTaskQueue;
    ~DyingQueue() override { Shutdown(); }

protected:
    void ProcessError(IThreadTaskForQueue*, const std::exception&) override
    {
        throw std::runtime_error("error report failed");
    }
};
} // namespace

TEST(WorkerQueue, DeadWorkerRefusesNewTasks)
{
    DyingQueue q(QCoreApplication::instance(), nullptr, QStringLiteral("Dying"));
    q.AddCall([] { throw std::runtime_error("task failure"); });
    ASSERT_TRUE(testsupport::waitFor([&] { return !q.WorkerAlive(); }));
    try {
        q.AddCall([] { });
        ADD_FAILURE() << "a queue without a worker must refuse tasks";
    } catch (const ECancel&) {
        ADD_FAILURE() << "the refusal is an error, not a quiet cancellation";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TThreadTaskQueue(Dying).AddTask: the queue's thread has stopped"));
    }
    EXPECT_FALSE(q.Busy());
}

// ---------------------------------------------------------------------------
// Main-thread hand-over and the high-priority window.

TEST(MainThreadSynchro, CarriesExceptionsBack)
{
    struct Case {
        const char* name;
        std::function<void()> raise;
        QString expectedClass;
        QString expectedMessage;
    };
    const Case cases[] = {
        { "customer refusal", [] { throw EUser(QStringLiteral("Your cart is empty")); }, "EUser", "Your cart is empty" },
        { "quiet cancellation", [] { throw ECancel(); }, "ECancel", "" },
        { "not ready", [] { throw ETaskNotReady(QStringLiteral("Template info not ready")); }, "ETaskNotReady", "Template info not ready" },
        { "runtime error", [] { throw std::runtime_error("disk full"); }, "std", "disk full" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // From a queue's worker and from a plain thread.
        for (int plain = 0; plain < 2; ++plain) {
            QString gotClass, gotMessage;
            std::atomic<bool> ranOnMain { false };
            std::atomic<bool> finished { false };
            auto body = [&] {
                try {
                    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
                        ranOnMain = TThreadTaskQueueWithoutThread::IsMainThread();
                        c.raise();
                    });
                    gotClass = QStringLiteral("none");
                } catch (const Exception& e) {
                    gotClass = e.ClassName();
                    gotMessage = e.Message();
                } catch (const std::exception& e) {
                    gotClass = QStringLiteral("std");
                    gotMessage = QString::fromUtf8(e.what());
                }
                finished = true;
            };
            std::unique_ptr<TThreadTaskQueue> q;
            std::thread th;
            if (plain) {
                th = std::thread(body);
            } else {
                q = workerQueue();
                q->AddCall([&] {
                    try {
                        body();
                    } catch (...) {
                    }
                });
            }
            ASSERT_TRUE(testsupport::waitFor([&] { return finished.load(); }));
            if (th.joinable())
                th.join();
            EXPECT_TRUE(ranOnMain);
            EXPECT_EQ(gotClass, c.expectedClass);
            EXPECT_EQ(gotMessage, c.expectedMessage);
        }
    }
}

TEST(MainThreadSynchro, CancelledTaskGetsCancelBeforeTheCall)
{
    auto q = workerQueue();
    IThreadTaskRef self;
    std::atomic<bool> ready { false };
    std::atomic<bool> ranOnMain { false };
    std::atomic<int> outcome { 0 };
    std::atomic<bool> started { false };
    self = q->AddCall([&] {
        started = true;
        spinUntil([&] { return ready.load(); });
        try {
            TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { ranOnMain = true; });
            outcome = 2;
        } catch (const ECancel&) {
            outcome = 1;
        }
    });
    ASSERT_TRUE(spinUntil([&] { return started.load(); }));
    EXPECT_FALSE(self->CancelAsk(ttwm_nowait));
    ready = true;
    ASSERT_TRUE(testsupport::waitFor([&] { return outcome.load() != 0; }));
    EXPECT_EQ(outcome.load(), 1);
    EXPECT_FALSE(ranOnMain);
    self.reset();
}

// While the worker's task T waits for the main thread, the main thread queues
// work on the same worker; what runs next depends on how T ends.
TEST(MainThreadSynchro, HighPriorityOrders)
{
    struct Case {
        const char* name;
        QString endOfT; // "ok", "notready" (raised on the main thread), "fail", "cancel"
        bool promoteB;
        QString expected;
    };
    const Case cases[] = {
        { "completed task is not run again", "ok", false, "T,H2,H1,B,C" },
        { "task not ready runs again after the high-priority tasks", "notready", false, "T,H2,H1,T,B,C" },
        { "failed task runs again after the high-priority tasks", "fail", false, "T,H2,H1,T,B,C" },
        { "cancelled task drops the high-priority tasks", "cancel", false, "T,B,C" },
        { "a waiting task promoted into the window", "ok", true, "T,B,H2,H1,C" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto q = workerQueue();
        q->Start();
        q->SetQueuePaused(true);
        RunLog log;
        std::vector<IThreadTaskRef> high;
        IThreadTaskRef b;
        auto tRuns = std::make_shared<int>(0);
        q->AddCall([&, tRuns] {
            log.add("T");
            const bool firstRun = (*tRuns)++ == 0;
            if (!firstRun)
                return;
            TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
                high.push_back(q->AddCall([&] { log.add("H1"); }, {}, true));
                high.push_back(q->AddCall([&] { log.add("H2"); }, {}, true));
                q->AddCall([&] { log.add("C"); }, {}, false);
                if (c.promoteB)
                    EXPECT_TRUE(q->highPriorityTaskAdd(b));
                if (c.endOfT == QLatin1String("notready"))
                    throw ETaskNotReady(QStringLiteral("Template info not ready"));
            });
            if (c.endOfT == QLatin1String("fail"))
                throw std::runtime_error("lab refused");
            if (c.endOfT == QLatin1String("cancel"))
                throw ECancel();
        });
        b = q->AddCall([&] { log.add("B"); });
        q->SetQueuePaused(false);
        ASSERT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
        EXPECT_EQ(log.joined(), c.expected);
        for (const auto& h : high) {
            EXPECT_TRUE(h->IsDone());
            EXPECT_FALSE(h->IsWaitingForExec());
        }
    }
}

// A worker blocked in MainThreadSynchro while the main thread waits for that
// worker: every such wait must serve the call instead of deadlocking.
TEST(MainThreadSynchro, MainThreadWaitsNeverDeadlockAgainstTheWorker)
{
    struct Case {
        const char* name;
        bool workerPostsFirst;
        std::function<void(std::unique_ptr<TThreadTaskQueue>&, const IThreadTaskRef&)> wait;
    };
    const Case cases[] = {
        { "CancelAll, worker first", true, [](auto& q, auto&) { q->CancelAll(); } },
        { "CancelAll, main first", false, [](auto& q, auto&) { q->CancelAll(); } },
        { "waitEnd", true, [](auto& q, auto&) { q->waitEnd(); } },
        { "cancel with wait", true, [](auto&, auto& h) { EXPECT_TRUE(h->CancelAsk(ttwm_wait)); } },
        { "destruction, worker first", true, [](auto& q, auto&) { q.reset(); } },
        { "destruction, main first", false, [](auto& q, auto&) { q.reset(); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto q = workerQueue();
        q->SetWaitTimeoutMs(20000);
        std::atomic<bool> mainWaiting { false };
        std::atomic<bool> posting { false };
        std::atomic<bool> served { false };
        std::atomic<bool> taskEnded { false };
        std::atomic<bool> started { false };
        auto h = q->AddCall([&] {
            started = true;
            if (!c.workerPostsFirst)
                spinUntil([&] { return mainWaiting.load(); });
            posting = true;
            try {
                TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { served = true; });
            } catch (const ECancel&) {
            }
            taskEnded = true;
        });
        ASSERT_TRUE(spinUntil([&] { return started.load(); }));
        if (c.workerPostsFirst) {
            ASSERT_TRUE(spinUntil([&] { return posting.load(); }));
            QThread::msleep(20);
        }
        mainWaiting = true;
        c.wait(q, h);
        EXPECT_TRUE(spinUntil([&] { return taskEnded.load(); }));
        q.reset();
    }
}

TEST(WorkerQueue, TaskProcessRunsOneMoreTaskInsideTheCurrentOne)
{
    auto q = workerQueue();
    q->Start();
    q->SetQueuePaused(true);
    RunLog log;
    IThreadTaskRef a;
    a = q->AddCall([&] {
        log.add("A start");
        EXPECT_TRUE(TThreadTaskQueueWithoutThread::TaskProcess());
        // The outer task is the current one again.
        EXPECT_EQ(TThreadTaskQueueWithoutThread::TaskCurrent(), a);
        log.add("A end");
    });
    q->AddCall([&] { log.add("B"); });
    q->SetQueuePaused(false);
    ASSERT_TRUE(testsupport::waitFor([&] { return !q->Busy(); }));
    EXPECT_EQ(log.joined(), QStringLiteral("A start,B,A end"));
    EXPECT_FALSE(TThreadTaskQueueWithoutThread::TaskProcess()) << "no queue runs on the main thread";
    a.reset();
}
