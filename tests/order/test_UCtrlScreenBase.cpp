#include "FakeMainFrame.h"
#include "TestSupport.h"
#include "UCtrlScreenBase.h"
#include "UMediaEjected.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"
#include "ULangTexts.h"

#include <QCoreApplication>
#include <QHash>
#include <gtest/gtest.h>
#include <atomic>
#include <map>
#include <thread>

namespace {

const QString kMainOnly = QStringLiteral("Call to this function is forbidden for current thread, allowed only for main thread");

// A main frame with the workflow-data table of the main window: main thread
// only, one counted reference per class.
class TableMain : public RecordingMainFrame {
public:
    void setWorkflowData(TWorkflowDataType dataType, IWorkflowDataRef data) override
    {
        TCtrlScreenBase::mainThreadCheck();
        record(QStringLiteral("setWorkflowData"));
        fTable[dataType] = std::move(data);
    }
    IWorkflowDataRef getWorkflowData(TWorkflowDataType dataType) override
    {
        TCtrlScreenBase::mainThreadCheck();
        record(QStringLiteral("getWorkflowData"));
        auto it = fTable.find(dataType);
        return it == fTable.end() ? nullptr : it->second;
    }

private:
    std::map<TWorkflowDataType, IWorkflowDataRef> fTable;
};

std::atomic<int> gCreated { 0 };
std::atomic<bool> gCreatedOnMain { false };

class TPhotoSources : public TWorkflowData {
public:
    explicit TPhotoSources(IMainFrame* main)
        : TWorkflowData(main)
    {
        ++gCreated;
        gCreatedOnMain = TCtrlScreenBase::isMainThread();
    }
    int value = 0;
};

class TOtherData : public TWorkflowData {
public:
    using TWorkflowData::TWorkflowData;
};

class TFailingData : public TWorkflowData {
public:
    explicit TFailingData(IMainFrame* main)
        : TWorkflowData(main)
    {
        throw ESystem(QStringLiteral("catalogue not loaded"));
    }
};

template <class F>
void onWorker(F&& f)
{
    TThreadTaskQueue q(QCoreApplication::instance(), nullptr, QStringLiteral("Worker"));
    std::atomic<bool> done { false };
    q.AddCall([&] {
        f();
        done = true;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return done.load(); }));
}

} // namespace

TEST(CtrlScreenBase, MainThreadCheck)
{
    EXPECT_TRUE(TCtrlScreenBase::isMainThread());
    EXPECT_NO_THROW(TCtrlScreenBase::mainThreadCheck());
    QString message;
    bool onMain = true;
    std::thread th([&] {
        onMain = TCtrlScreenBase::isMainThread();
        try {
            TCtrlScreenBase::mainThreadCheck();
        } catch (const Exception& e) {
            message = e.Message();
        }
    });
    th.join();
    EXPECT_FALSE(onMain);
    EXPECT_EQ(message, kMainOnly);
}

TEST(WorkflowData, CreatedOnceOnTheMainThread)
{
    TableMain main;
    gCreated = 0;
    auto first = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main);
    auto second = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main);
    EXPECT_EQ(first, second);
    EXPECT_EQ(gCreated.load(), 1);
    EXPECT_EQ(first->mainFrame(), &main);

    // After a reset the next call builds a new one with the same main frame.
    std::weak_ptr<TPhotoSources> old = first;
    first.reset();
    second.reset();
    TCtrlScreenBase::WorkflowDataReset<TPhotoSources>(&main);
    EXPECT_TRUE(old.expired());
    auto third = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main);
    EXPECT_EQ(gCreated.load(), 2);
    EXPECT_EQ(third->mainFrame(), &main);
}

TEST(WorkflowData, WorkerRequestIsServedOnTheMainThread)
{
    TableMain main;
    gCreated = 0;
    gCreatedOnMain = false;
    std::shared_ptr<TPhotoSources> fromWorker;
    onWorker([&] { fromWorker = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main); });
    ASSERT_TRUE(fromWorker);
    EXPECT_TRUE(gCreatedOnMain);
    EXPECT_EQ(TCtrlScreenBase::WorkflowData<TPhotoSources>(&main), fromWorker);
    EXPECT_EQ(gCreated.load(), 1);
    for (const auto& call : main.Calls())
        EXPECT_TRUE(call.onMain) << call.op.toStdString();
}

TEST(WorkflowData, ConcurrentWorkersGetTheSameObject)
{
    TableMain main;
    gCreated = 0;
    std::shared_ptr<TPhotoSources> a, b;
    TThreadTaskQueue q1(QCoreApplication::instance(), nullptr, QStringLiteral("One"));
    TThreadTaskQueue q2(QCoreApplication::instance(), nullptr, QStringLiteral("Two"));
    std::atomic<int> done { 0 };
    q1.AddCall([&] { a = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main); ++done; });
    q2.AddCall([&] { b = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main); ++done; });
    ASSERT_TRUE(testsupport::waitFor([&] { return done.load() == 2; }));
    EXPECT_EQ(a, b);
    EXPECT_EQ(gCreated.load(), 1);
}

TEST(WorkflowData, ResetNeverFreesAnObjectAWorkerStillHolds)
{
    TableMain main;
    TThreadTaskQueue q(QCoreApplication::instance(), nullptr, QStringLiteral("Holder"));
    std::atomic<bool> holding { false };
    std::atomic<bool> reset { false };
    std::atomic<int> seen { 0 };
    q.AddCall([&] {
        auto data = TCtrlScreenBase::WorkflowData<TPhotoSources>(&main);
        holding = true;
        while (!reset.load())
            QThread::msleep(1);
        data->value = 42; // still alive: the worker's reference keeps it
        seen = data->value;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return holding.load(); }));
    TCtrlScreenBase::WorkflowDataReset<TPhotoSources>(&main);
    reset = true;
    ASSERT_TRUE(testsupport::waitFor([&] { return seen.load() == 42; }));
}

TEST(WorkflowData, FailuresReachTheCaller)
{
    struct Case {
        const char* name;
        std::function<void(TableMain&)> call;
        QString expectedClass;
        QString expectedMessage;
    };
    const Case cases[] = {
        { "constructor failure on the main thread",
          [](TableMain& m) { TCtrlScreenBase::WorkflowData<TFailingData>(&m); }, "ESystem", "catalogue not loaded" },
        { "constructor failure carried back to a worker",
          [](TableMain& m) {
              std::unique_ptr<Exception> caught;
              onWorker([&] {
                  try {
                      TCtrlScreenBase::WorkflowData<TFailingData>(&m);
                  } catch (const ESystem& e) {
                      caught = std::make_unique<ESystem>(e.Message());
                  }
              });
              if (caught)
                  throw ESystem(caught->Message());
          },
          "ESystem", "catalogue not loaded" },
        { "object of another class under the key",
          [](TableMain& m) {
              m.setWorkflowData(typeid(TPhotoSources), std::make_shared<TOtherData>(&m));
              TCtrlScreenBase::WorkflowData<TPhotoSources>(&m);
          },
          "Exception", "" },
        { "reset off the main thread",
          [](TableMain& m) {
              QString message;
              std::thread th([&] {
                  try {
                      TCtrlScreenBase::WorkflowDataReset<TPhotoSources>(&m);
                  } catch (const Exception& e) {
                      message = e.Message();
                  }
              });
              th.join();
              throw Exception(message);
          },
          "Exception", kMainOnly },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableMain main;
        try {
            c.call(main);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.ClassName(), c.expectedClass);
            if (!c.expectedMessage.isEmpty())
                EXPECT_EQ(e.Message(), c.expectedMessage);
        }
        EXPECT_FALSE(main.Ops().contains("setWorkflowData") && QString(c.name).startsWith("constructor"))
            << "nothing is registered when the constructor fails";
    }
}

TEST(WorkflowData, CancelledTaskNeverTouchesTheTable)
{
    TableMain main;
    TThreadTaskQueue q(QCoreApplication::instance(), nullptr, QStringLiteral("Cancelled"));
    IThreadTaskRef self;
    std::atomic<bool> started { false };
    std::atomic<bool> cancelAsked { false };
    std::atomic<int> outcome { 0 };
    self = q.AddCall([&] {
        started = true;
        while (!cancelAsked.load())
            QThread::msleep(1);
        try {
            TCtrlScreenBase::WorkflowData<TPhotoSources>(&main);
            outcome = 2;
        } catch (const ECancel&) {
            outcome = 1;
        }
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return started.load(); }));
    self->CancelAsk(ttwm_nowait);
    cancelAsked = true;
    ASSERT_TRUE(testsupport::waitFor([&] { return outcome.load() != 0; }));
    EXPECT_EQ(outcome.load(), 1);
    EXPECT_TRUE(main.Calls().empty());
    self.reset();
}

TEST(MediaEjected, MessageFollowsTheMediumLabel)
{
    const QString app = TAppTools::GetAppNameStrForUI();
    const QString tail = QStringLiteral(".\r\n") + app + QStringLiteral(" needs it to place the images you ordered in cache.");
    struct Case {
        const char* name;
        QString label;
        QString expected;
    };
    const Case cases[] = {
        { "named device", "Kingston 8GB", "Please reinsert/reconnect your device named \"Kingston 8GB\"" + tail },
        { "unknown label", "?", "Please reinsert/reconnect your usb key/smartphone/...\r\n" + app
                                    + " needs it to place the images you ordered in cache." },
        { "empty label", "", "Please reinsert/reconnect your usb key/smartphone/...\r\n" + app
                                 + " needs it to place the images you ordered in cache." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EMediaEjected e(c.label, QStringLiteral("E:\\DCIM not found"));
        EXPECT_EQ(e.Message(), c.expected);
        EXPECT_EQ(e.MessageDetails(), QStringLiteral("E:\\DCIM not found"));
        EXPECT_EQ(e.ClassName(), QStringLiteral("EMediaEjected"));
        const ECancel* asCancel = &e;
        EXPECT_NE(asCancel, nullptr);
    }
    EMediaEjected fromText(QStringLiteral("?"), LangTexts::Order::PleaseReinsertReconnectDeviceNamed);
    EXPECT_TRUE(fromText.MessageDetails().contains(app));
}

TEST(ExceptionTree, DefaultMessages)
{
    EXPECT_EQ(EToDo().Message(), QStringLiteral("This function is not yet supported"));
    EXPECT_TRUE(ECancel().Message().isEmpty());
    EXPECT_TRUE(ETaskRetry().Message().isEmpty());
    EXPECT_TRUE(ETaskNotReady().Message().isEmpty());
    EUser noCtrl(QStringLiteral("Login is required"));
    EXPECT_EQ(noCtrl.Ctrl(), nullptr);
    EXPECT_NO_THROW(noCtrl.ProcessShowEnd());
}
