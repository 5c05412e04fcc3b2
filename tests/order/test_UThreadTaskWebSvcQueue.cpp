#include "FakeMainFrame.h"
#include "TestSupport.h"
// The main-frame interface and the imaging unit name the same enumerations.
#include "UImageTransfer.h"
#include "UThreadTaskWebSvcQueue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <atomic>
#include <stdexcept>

namespace {

class FakeMain : public RecordingMainFrame {
public:
    struct Shown {
        QString cls;
        QString message;
        bool onMain;
    };

    QString Lang() override
    {
        record(QStringLiteral("Lang"));
        return QStringLiteral("fr");
    }
    Currency priceRound(Currency price) override
    {
        record(QStringLiteral("priceRound"));
        return price / 100 * 100;
    }
    void ShowEx(const std::exception& ex, TProc closeProc) override
    {
        record(QStringLiteral("ShowEx"));
        std::lock_guard lk(fShownSync);
        if (auto* e = dynamic_cast<const Exception*>(&ex))
            fShown.push_back({ e->ClassName(), e->Message(), TThreadTaskQueueWithoutThread::IsMainThread() });
        else
            fShown.push_back({ QStringLiteral("std"), QString::fromUtf8(ex.what()),
                               TThreadTaskQueueWithoutThread::IsMainThread() });
    }
    void WebSvcInit(THTTPRIO* webSvc) override
    {
        record(QStringLiteral("WebSvcInit"));
        if (failInit)
            throw ESystem(QStringLiteral("bad server address"));
        inits.push_back(webSvc);
    }
    std::vector<Shown> shown() const
    {
        std::lock_guard lk(fShownSync);
        return fShown;
    }

    std::atomic<bool> failInit { false };
    std::vector<THTTPRIO*> inits;

private:
    mutable std::mutex fShownSync;
    std::vector<Shown> fShown;
};

// Runs f as a task on the queue's worker and waits for it; the exception it
// raised (if any) is handed back as text "Class: message".
QString runOnWorker(TThreadTaskWebSvcQueue& q, const std::function<void()>& f)
{
    std::atomic<bool> finished { false };
    QString outcome;
    q.AddCall([&] {
        try {
            f();
            outcome = QStringLiteral("ok");
        } catch (const Exception& e) {
            outcome = e.ClassName() + QStringLiteral(": ") + e.Message();
        } catch (const std::exception& e) {
            outcome = QStringLiteral("std: ") + QString::fromUtf8(e.what());
        }
        finished = true;
    });
    EXPECT_TRUE(testsupport::waitFor([&] { return finished.load(); }));
    return outcome;
}

// Stand-ins for the lab client: ILumLabService is only named here.
alignas(std::max_align_t) char gRioStorage[2][16];

} // namespace

TEST(WebSvcQueue, RefusesUserInterfaceOperationsWithTheirExactTexts)
{
    FakeMain main;
    TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
    IMainFrame& proxy = q;
    alignas(std::max_align_t) static char dragStorage[64] = {};
    const auto& drag = *reinterpret_cast<const TDragObject*>(dragStorage);
    std::shared_ptr<IDragOrderImage> dragImg;
    std::shared_ptr<IDragOrderImagesSet> dragSet;
    QVariant val;
    const auto ev = static_cast<TMainObservedEvent>(0);

    struct Case {
        const char* op;
        std::function<void()> call;
        const char* tail;
    };
    const char* bang = ": available only on main thread !";
    const Case cases[] = {
        { "BeginDrag", [&] { proxy.BeginDrag(nullptr, nullptr); }, bang },
        { "dragObjectIsImage", [&] { proxy.dragObjectIsImage(drag); }, bang },
        { "dragObjectAsImage", [&] { proxy.dragObjectAsImage(drag, dragImg); }, bang },
        { "dragObjectIsImagesSet", [&] { proxy.dragObjectIsImagesSet(drag); }, bang },
        { "dragObjectAsImagesSet", [&] { proxy.dragObjectAsImagesSet(drag, dragSet); }, bang },
        { "popupAdd", [&] { proxy.popupAdd(nullptr); }, bang },
        { "popupClose", [&] { proxy.popupClose(nullptr); }, bang },
        { "calcPopupLevel", [&] { proxy.calcPopupLevel(nullptr); }, bang },
        { "popupShownGet", [&] { proxy.popupShownGet(0); }, bang },
        { "setWorkflowType", [&] { proxy.setWorkflowType(static_cast<TWorkflowType>(0)); }, bang },
        { "getWorkflowType", [&] { proxy.getWorkflowType(); }, bang },
        { "goWorkflowStep", [&] { proxy.goWorkflowStep(nullptr, true, true); }, bang },
        { "goWorkflowNext", [&] { proxy.goWorkflowNext(true); }, bang },
        { "goWorkflowPrevious", [&] { proxy.goWorkflowPrevious(true); }, bang },
        { "WorkflowStep", [&] { proxy.WorkflowStep(); }, bang },
        { "setWorkflowStepVisible", [&] { proxy.setWorkflowStepVisible(nullptr, true); }, bang },
        { "getWorkflowStepVisible", [&] { proxy.getWorkflowStepVisible(nullptr); }, bang },
        { "setWorkflowStepMax", [&] { proxy.setWorkflowStepMax(nullptr); }, bang },
        { "setWorkflowStepNextMax", [&] { proxy.setWorkflowStepNextMax(nullptr); }, bang },
        { "setWorkflowBreadCrumbVisible", [&] { proxy.setWorkflowBreadCrumbVisible(true); }, bang },
        { "getWorkflowBreadCrumbVisible", [&] { proxy.getWorkflowBreadCrumbVisible(); }, bang },
        { "hasActionNextClick", [&] { proxy.hasActionNextClick(); }, bang },
        { "hasActionPreviousClick", [&] { proxy.hasActionPreviousClick(); }, bang },
        { "ActionNextClick", [&] { proxy.ActionNextClick(); }, bang },
        { "ActionPreviousClick", [&] { proxy.ActionPreviousClick(); }, bang },
        { "BitmapCacheCtrlStartUse", [&] { proxy.BitmapCacheCtrlStartUse(nullptr); }, bang },
        { "BitmapCacheCtrlEndUse", [&] { proxy.BitmapCacheCtrlEndUse(nullptr, true); }, bang },
        { "BitmapCacheCtrlDestroyed", [&] { proxy.BitmapCacheCtrlDestroyed(nullptr); }, bang },
        { "EventObserverRegister", [&] { proxy.EventObserverRegister(nullptr, ev); }, bang },
        { "EventObserverUnregister", [&] { proxy.EventObserverUnregister(nullptr, ev); }, bang },
        { "SetZoomFactor", [&] { proxy.SetZoomFactor(100); }, bang },
        { "SetThumbnailsFactor", [&] { proxy.SetThumbnailsFactor(100); }, bang },
        { "SetThumbnailsBigFactor", [&] { proxy.SetThumbnailsBigFactor(100); }, bang },
        { "SetThumbnailsOvwFactor", [&] { proxy.SetThumbnailsOvwFactor(100); }, bang },
        { "GetWebSvcTemplateVelmoraInfo", [&] { proxy.GetWebSvcTemplateVelmoraInfo(nullptr); }, ": available only on main thread" },
        { "LoadWebSvcTemplateVelmoraInfo", [&] { proxy.LoadWebSvcTemplateVelmoraInfo(1, 2, 3); }, ": available only on main thread" },
        { "GetFieldValueByName", [&] { proxy.GetFieldValueByName(QStringLiteral("TabControlMain"), val); }, ": unexpected call" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        const QString expected = QStringLiteral("TThreadTaskWebSvcQueue.") + QLatin1String(c.op) + QLatin1String(c.tail);
        // Refused on the main thread as well as on the worker.
        try {
            c.call();
            ADD_FAILURE() << "not refused on the main thread";
        } catch (const Exception& e) {
            EXPECT_EQ(e.ClassName(), QStringLiteral("Exception"));
            EXPECT_EQ(e.Message(), expected);
        }
        EXPECT_EQ(runOnWorker(q, c.call), QStringLiteral("Exception: ") + expected);
    }
    EXPECT_TRUE(main.Calls().empty()) << "a refused operation never reaches the main window";
}

TEST(WebSvcQueue, ForwardsDataOperationsOnTheCallingThread)
{
    FakeMain main;
    TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
    QString lang;
    Currency rounded = 0;
    EXPECT_EQ(runOnWorker(q, [&] {
                  IMainFrame* frame = TThreadTaskQueueWithoutThread::Current()->mainFrame();
                  ASSERT_EQ(frame, static_cast<IMainFrame*>(&q));
                  lang = frame->Lang();
                  rounded = frame->priceRound(Currency(12345));
                  frame->Config();
                  frame->GetOrder();
                  frame->orderChanged();
              }),
              QStringLiteral("ok"));
    EXPECT_EQ(lang, QStringLiteral("fr"));
    EXPECT_EQ(rounded, Currency(12300));
    EXPECT_EQ(main.Ops(), (QStringList { "Lang", "priceRound", "Config", "GetOrder", "orderChanged" }));
    for (const auto& call : main.Calls())
        EXPECT_FALSE(call.onMain) << call.op.toStdString();
}

TEST(WebSvcQueue, RunsObserverEventsAndWaitLockOnTheMainThread)
{
    FakeMain main;
    TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
    EXPECT_EQ(runOnWorker(q, [&] {
                  IMainFrame* frame = TThreadTaskWebSvcQueue::Current();
                  frame->GuiWaitLock();
                  frame->EventObservedRaise(static_cast<TMainObservedEvent>(0), nullptr);
                  frame->setProductVisibility(static_cast<TProductVisibilityType>(1),
                                              static_cast<TProductVisibilityMode>(2));
                  frame->GuiWaitUnlock();
              }),
              QStringLiteral("ok"));
    const QStringList expected { "GuiWaitLock", "EventObservedRaise", "setProductVisibility", "GuiWaitUnlock" };
    EXPECT_EQ(main.Ops(), expected);
    for (const QString& op : expected)
        EXPECT_EQ(main.LastOnMain(op), 1) << op.toStdString();
}

TEST(WebSvcQueue, CurrentAndTaskChecks)
{
    FakeMain main;
    TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
    EXPECT_EQ(TThreadTaskWebSvcQueue::Current(), nullptr);
    EXPECT_EQ(q.mainFrame(), static_cast<IMainFrame*>(&q));

    // A plain worker queue is not a web-service queue.
    TThreadTaskQueue plain(QCoreApplication::instance(), &main, QStringLiteral("Other"));
    std::atomic<int> plainCurrent { -1 };
    plain.AddCall([&] { plainCurrent = TThreadTaskWebSvcQueue::Current() == nullptr ? 1 : 0; });
    ASSERT_TRUE(testsupport::waitFor([&] { return plainCurrent.load() != -1; }));
    EXPECT_EQ(plainCurrent.load(), 1);

    // TaskCheckStop and TaskShouldStop follow the running task alone.
    IThreadTaskRef self;
    std::atomic<bool> ready { false };
    std::atomic<int> before { -1 }, after { -1 };
    std::atomic<bool> stopped { false };
    std::atomic<bool> done { false };
    self = q.AddCall([&] {
        IMainFrame* frame = TThreadTaskWebSvcQueue::Current();
        before = frame->TaskShouldStop() ? 1 : 0;
        frame->TaskCheckStop();
        ready = true;
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && !frame->TaskShouldStop())
            QThread::msleep(1);
        after = frame->TaskShouldStop() ? 1 : 0;
        try {
            frame->TaskCheckStop();
        } catch (const ECancel&) {
            stopped = true;
        }
        done = true;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return ready.load(); }));
    // The answer depends on whether the task ended within the cancellation's
    // few turns; what matters is what the task saw.
    self->CancelAsk(ttwm_nowait);
    ASSERT_TRUE(testsupport::waitFor([&] { return done.load(); }));
    EXPECT_EQ(before.load(), 0);
    EXPECT_EQ(after.load(), 1);
    EXPECT_TRUE(stopped);
    self.reset();
}

TEST(WebSvcQueue, WebSvcAddCallQueuesBehindWaitingTasks)
{
    FakeMain main;
    TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
    q.Start();
    q.SetQueuePaused(true);
    QStringList order;
    std::mutex orderSync;
    auto add = [&](const char* s) {
        std::lock_guard lk(orderSync);
        order << QString::fromLatin1(s);
    };
    q.AddCall([&] {
        add("A");
        IMainFrame* frame = TThreadTaskWebSvcQueue::Current();
        frame->WebSvcAddCall([&] { add("C"); });
    });
    q.AddCall([&] { add("B"); });
    auto direct = static_cast<IMainFrame&>(q).WebSvcAddCall([&] { add("D"); });
    EXPECT_TRUE(direct->IsWaitingForExec());
    q.SetQueuePaused(false);
    ASSERT_TRUE(testsupport::waitFor([&] { return !q.Busy(); }));
    EXPECT_EQ(order, (QStringList { "A", "B", "D", "C" }));
}

TEST(WebSvcQueue, TaskFailuresAreShownOnTheMainThread)
{
    struct Case {
        const char* name;
        std::function<void()> raise;
        QString cls;
        QString message;
    };
    const Case cases[] = {
        { "customer refusal", [] { throw EUser(QStringLiteral("Please enter your e-mail")); }, "EUser", "Please enter your e-mail" },
        { "quiet cancellation", [] { throw ECancel(); }, "ECancel", "" },
        { "any other failure", [] { throw std::runtime_error("socket closed"); }, "std", "socket closed" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMain main;
        TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
        auto h = q.AddCall(c.raise);
        ASSERT_TRUE(testsupport::waitFor([&] { return !main.shown().empty() && !q.Busy(); }));
        const auto shown = main.shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].cls, c.cls);
        EXPECT_EQ(shown[0].message, c.message);
        EXPECT_TRUE(shown[0].onMain);
        EXPECT_TRUE(h->IsDone());
    }
}

TEST(WebSvcQueue, LabClientIsKeptAndReplacedAfterClose)
{
    FakeMain main;
    TThreadTaskWebSvcQueue q(QCoreApplication::instance(), &main, QStringLiteral("WebSvc Queue"));
    int created = 0;
    q.SetClientFactory([&](const std::function<void(THTTPRIO*)>& configure) {
        auto* rio = reinterpret_cast<THTTPRIO*>(gRioStorage[created % 2]);
        configure(rio);
        ++created;
        // Any counted object stands for the client here.
        auto owner = std::make_shared<int>(created);
        return ILumLabServiceRef(owner, reinterpret_cast<ILumLabService*>(owner.get()));
    });

    // Not on the worker: refused.
    try {
        static_cast<IMainFrame&>(q).GetWebSvcLum();
        ADD_FAILURE() << "the client lives on the worker thread only";
    } catch (const Exception&) {
    }

    ILumLabServiceRef first, second, third;
    EXPECT_EQ(runOnWorker(q, [&] { first = TThreadTaskWebSvcQueue::Current()->GetWebSvcLum(); }), QStringLiteral("ok"));
    EXPECT_EQ(runOnWorker(q, [&] { second = TThreadTaskWebSvcQueue::Current()->GetWebSvcLum(); }), QStringLiteral("ok"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(created, 1);
    q.WebSvcLumclose();
    EXPECT_EQ(runOnWorker(q, [&] { third = TThreadTaskWebSvcQueue::Current()->GetWebSvcLum(); }), QStringLiteral("ok"));
    EXPECT_NE(third, first);
    EXPECT_EQ(created, 2);
    ASSERT_EQ(main.inits.size(), 2u);
    EXPECT_EQ(main.inits[0], reinterpret_cast<THTTPRIO*>(gRioStorage[0]));
    EXPECT_EQ(main.inits[1], reinterpret_cast<THTTPRIO*>(gRioStorage[1]));

    // A failed configuration leaves no client and reaches the task.
    q.WebSvcLumclose();
    main.failInit = true;
    EXPECT_EQ(runOnWorker(q, [&] { TThreadTaskWebSvcQueue::Current()->GetWebSvcLum(); }),
              QStringLiteral("ESystem: bad server address"));
    main.failInit = false;
    ILumLabServiceRef fourth;
    EXPECT_EQ(runOnWorker(q, [&] { fourth = TThreadTaskWebSvcQueue::Current()->GetWebSvcLum(); }), QStringLiteral("ok"));
    EXPECT_NE(fourth, third);
}
