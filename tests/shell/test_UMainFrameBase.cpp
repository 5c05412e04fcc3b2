#include "ShellTestSupport.h"
#include "LogCapture.h"
#include "TestSupport.h"
#include "UAniIndicator.h"
#include "UThreadTaskQueue.h"

#include <QStackedWidget>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(MainFrameBase, GuiQueueTaskFromAWorkerRunsOnTheMainThread)
{
    ShellWindow w;
    w.win.TimerQueue()->start();
    std::atomic<bool> ran { false };
    std::atomic<bool> onMain { false };
    std::thread worker([&] {
        w.win.GuiQueueAddCall([&] {
            onMain = TThreadTaskQueueWithoutThread::IsMainThread();
            ran = true;
        }, true, nullptr);
    });
    worker.join();
    EXPECT_TRUE(testsupport::waitFor([&] { return ran.load(); }));
    EXPECT_TRUE(onMain.load());
}

TEST(MainFrameBase, GuiQueueRunsOneTaskPerStepInOrder)
{
    QStringList order;
    ShellWindow w;
    w.win.GuiQueueAddCall([&] { order << "1"; }, false, nullptr);
    w.win.GuiQueueAddCall([&] { throw Exception(QStringLiteral("task fails")); }, false, nullptr);
    w.win.GuiQueueAddCall([&] { order << "3"; }, false, nullptr);
    w.win.TimerQueueTimer();
    EXPECT_EQ(order, QStringList { "1" });
    EXPECT_TRUE(testsupport::waitFor([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (QStringList { "1", "3" }));
}

namespace {
// A window whose renderer answers what the test says.
class GatedWindow : public TMainFrameBase {
public:
    GatedWindow() : TMainFrameBase(nullptr) { }
    quint32 rendererSize = 0;

protected:
    quint32 rendererMaxBitmapSize() override { return rendererSize; }
};
}

TEST(MainFrameBase, GuiQueueWaitsForTheMaximumBitmapSize)
{
    LogCapture logs;
    GatedWindow w;
    bool ran = false;
    w.GuiQueueAddCall([&] { ran = true; }, false, nullptr);
    w.TimerQueueTimer();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_THROW(w.MaxBitmapSizeSupported(), Exception);
    w.rendererSize = 8192;
    w.TimerQueueTimer();
    EXPECT_TRUE(ran);
    EXPECT_EQ(w.MaxBitmapSizeSupported(), 8192u);
    EXPECT_EQ(logs.Text().count(QStringLiteral("Maximum bitmap size supported: 8192")), 1);
}

TEST(MainFrameBase, OffscreenUsesTheFallbackSize)
{
    ShellWindow w;
    w.win.SetMaxBitmapSizeFallback(2048);
    EXPECT_EQ(w.win.MaxBitmapSizeSupported(), 2048u);
}

TEST(MainFrameBase, GuiLockTaskBlocksInputUntilTheQueueIsEmpty)
{
    ShellWindow w;
    w.win.GuiQueueAddCall([] { }, true, nullptr);
    EXPECT_TRUE(w.win.LayoutWaiting()->isVisible());
    EXPECT_FALSE(w.win.LayoutWaiting()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(w.win.AniIndicatorWaiting()->Turning());
    EXPECT_TRUE(testsupport::waitFor([&] { return !w.win.LayoutWaiting()->isVisible(); }));
    EXPECT_FALSE(w.win.AniIndicatorWaiting()->Turning());
}

TEST(MainFrameBase, WaitLockCountsAndRefusesAnUnbalancedUnlock)
{
    LogCapture logs;
    ShellWindow w;
    w.win.GuiWaitUnlock();
    EXPECT_EQ(w.win.GuiWaitLockCount(), 0);
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("TMainNavi.GuiWaitUnlock: unexpected call (lock count=0)")));
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("ERROR")));

    w.win.GuiWaitLock();
    w.win.GuiWaitLock();
    EXPECT_TRUE(w.win.LayoutWaiting()->isVisible());
    w.win.GuiWaitUnlock();
    EXPECT_TRUE(w.win.LayoutWaiting()->isVisible());
    w.win.GuiWaitUnlock();
    EXPECT_FALSE(w.win.LayoutWaiting()->isVisible());

    std::thread t([&] { w.win.GuiWaitLock(); });
    t.join();
    EXPECT_EQ(w.win.GuiWaitLockCount(), 0);
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("TMainNavi.GuiWaitLock: called by another thread than main")));
}

TEST(MainFrameBase, FieldsByNameIgnoreCaseAndLeaveMissesUntouched)
{
    ShellWindow w;
    QVariant val = 42;
    EXPECT_TRUE(w.win.GetFieldValueByName(QStringLiteral("tabcontrolmain"), val));
    EXPECT_EQ(val.value<QObject*>(), w.win.TabControlMain());
    val = 42;
    EXPECT_FALSE(w.win.GetFieldValueByName(QStringLiteral("NoSuchComponent"), val));
    EXPECT_EQ(val.toInt(), 42);
    // A component added after the first lookup is found too.
    auto* late = new QWidget(w.win.TabControlMain());
    late->setObjectName(QStringLiteral("TabItem_Late"));
    EXPECT_TRUE(w.win.GetFieldValueByName(QStringLiteral("TABITEM_LATE"), val));
    EXPECT_EQ(val.value<QObject*>(), late);
}

TEST(MainFrameBase, LaterOperationsSayTheyAreNotThereYet)
{
    ShellWindow w;
    try {
        w.win.orderCancel();
        FAIL();
    } catch (const EToDo& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TMainNavi.orderCancel: not available yet"));
    }
}

TEST(MainFrameBase, TaskCheckStopOnTheMainThreadFollowsTheCloseMode)
{
    ShellWindow w;
    EXPECT_NO_THROW(w.win.TaskCheckStop());
    EXPECT_FALSE(w.win.TaskShouldStop());
}
