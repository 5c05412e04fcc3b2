// Navigation: queued moves, the step history, the change of the active tab
// with its failure paths, the actions and the workflow-data registry.
#include "UCtrlPopupBase.h"
#include "UPopupPanel.h"
#include "UWorkflowData.h"
#include "WorkflowTestSupport.h"

#include <gtest/gtest.h>

namespace S = WorkflowSteps;

namespace {

struct Navigation : ::testing::Test {
    QStringList log; // outlives the window, whose controllers log their close
    TestWorkflowWindow win;

    void SetUp() override
    {
        RecStep::Live = 0;
        win.workflowInit();
    }
    void go(TWorkflowStep step, bool registered = true)
    {
        win.goWorkflowStep(step, true, registered);
        win.RunQueue();
    }
    void next()
    {
        win.goWorkflowNext(true);
        win.RunQueue();
    }
    void previous()
    {
        win.goWorkflowPrevious(true);
        win.RunQueue();
    }
    // The print workflow from the home step, with an empty history.
    void printFromHome()
    {
        go(&S::TCtrlConnec);
        go(&S::TCtrlTileChoiceHomeProducts);
        win.setWorkflowType(TWorkflowPrint);
        win.deleteUserStepsList();
    }
    RecStep* active() const { return dynamic_cast<RecStep*>(win.ActiveStep().get()); }
};

} // namespace

TEST_F(Navigation, StartsOnTheStartTabWithoutController)
{
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_0000appStart"));
    EXPECT_EQ(win.WorkflowStep(), nullptr);
    go(&S::TCtrlConnec);
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_0100connec"));
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlConnec);
    EXPECT_EQ(win.CtrlWorkflow()->StepCurrent()->StepClass(), &S::TCtrlConnec);
}

TEST_F(Navigation, MovesRunFromTheQueueAndTwoRequestsMakeOneMove)
{
    printFromHome();
    win.goWorkflowNext(true);
    win.goWorkflowNext(true);
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_1000homeProducts")) << "nothing moves inside the request";
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_2000sourceMedia"));
    // The home design has no photo-finding step: Next goes to the size step.
    TestWorkflowWindow home(zebd_home);
    home.workflowInit();
    home.goWorkflowStep(&S::TCtrlTileChoiceHomeProducts, true, true);
    home.RunQueue();
    home.setWorkflowType(TWorkflowPrint);
    home.goWorkflowNext(true);
    home.RunQueue();
    EXPECT_EQ(home.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
}

TEST_F(Navigation, HistoryLeadsNextAndPrevious)
{
    printFromHome();
    go(&S::TCtrlTileChoiceSourceMedia); // A to B, registered
    next();                             // B to C
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    EXPECT_EQ(win.History(), (QStringList { "2000sourceMedia", "3105printSize" }));
    EXPECT_TRUE(win.hasActionPreviousClick());
    previous();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_2000sourceMedia"));
    EXPECT_EQ(win.History(), (QStringList { "2000sourceMedia", "3105printSize" }));
    EXPECT_TRUE(win.hasActionNextClick()) << "the history has a step after this one";
    next();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    EXPECT_EQ(win.History(), (QStringList { "2000sourceMedia", "3105printSize" }));
    previous();
    go(&S::TCtrlSelectImagePrint); // B to D, registered
    EXPECT_EQ(win.History(), (QStringList { "2000sourceMedia", "4100selectImagePrint" }));
    // Without history Previous takes the previous visible tab.
    win.deleteUserStepsList();
    previous();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    EXPECT_TRUE(win.History().isEmpty()) << "a plain Previous records nothing";
}

TEST_F(Navigation, HidingTheCurrentStepAppliesToTheMoveAskedBefore)
{
    printFromHome();
    go(&S::TCtrlProductSizePrint);
    win.deleteUserStepsList();
    win.goWorkflowNext(true);
    win.workflowStepCurrentHide();
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_4100selectImagePrint"));
    EXPECT_FALSE(win.getWorkflowStepVisible(&S::TCtrlProductSizePrint));
    win.deleteUserStepsList();
    previous();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_2000sourceMedia")) << "Previous skips the hidden step";
    // Asked before the request: dropped by it.
    win.workflowStepCurrentHide();
    next();
    EXPECT_TRUE(win.getWorkflowStepVisible(&S::TCtrlTileChoiceSourceMedia));
}

TEST_F(Navigation, LeaveHandlerThatThrowsKeepsTheOldStep)
{
    RecStepRegistration size(S::TCtrlProductSizePrint, { &log, true, false });
    RecStepRegistration select(S::TCtrlSelectImagePrint, { &log });
    printFromHome();
    go(&S::TCtrlProductSizePrint);
    RecStep* before = active();
    ASSERT_NE(before, nullptr);
    before->State = 7;
    next();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    ASSERT_EQ(active(), before);
    EXPECT_EQ(active()->State, 7);
    EXPECT_EQ(win.Errors, QStringList { "leave failed" });
    EXPECT_EQ(RecStep::Live, 1) << "no controller of the new tab survives";
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlProductSizePrint);
}

TEST_F(Navigation, OpenHandlerThatThrowsReturnsToARebuiltOldStep)
{
    RecStepRegistration size(S::TCtrlProductSizePrint, { &log });
    RecStepRegistration select(S::TCtrlSelectImagePrint, { &log, false, true });
    printFromHome();
    go(&S::TCtrlProductSizePrint);
    const int first = active()->No();
    log.clear();
    next();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    ASSERT_NE(active(), nullptr);
    EXPECT_NE(active()->No(), first);
    EXPECT_EQ(win.Errors, QStringList { "open failed" });
    const QString a = QString::number(first), b = QString::number(first + 1), c = QString::number(first + 2);
    EXPECT_EQ(log, (QStringList { "3105printSize#" + a + ".leaveNext", "3105printSize#" + a + ".close",
                                  "4100selectImagePrint#" + b + ".open", "4100selectImagePrint#" + b + ".close",
                                  "3105printSize#" + c + ".open" }));
    EXPECT_EQ(RecStep::Live, 1);
}

TEST_F(Navigation, OpenFailureWithoutOldStepLeavesNoHalfOpenController)
{
    {
        RecStepRegistration connec(S::TCtrlConnec, { &log, false, true });
        go(&S::TCtrlConnec);
        EXPECT_EQ(win.Errors, QStringList { "open failed" });
        EXPECT_EQ(win.ActiveStep(), nullptr);
        EXPECT_EQ(RecStep::Live, 0);
        EXPECT_EQ(win.WorkflowStep(), nullptr);
    }
    // The same move again builds the step.
    RecStepRegistration connec(S::TCtrlConnec, { &log });
    go(&S::TCtrlConnec);
    ASSERT_NE(active(), nullptr);
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlConnec);
}

TEST_F(Navigation, UnknownStepFailsInsideTheQueuedMove)
{
    go(&S::TCtrlConnec);
    win.goWorkflowStep(nullptr, true, true);
    EXPECT_NO_THROW(win.RunQueue());
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_0100connec"));
}

TEST_F(Navigation, ActionsFollowTheStepMax)
{
    RecStepRegistration size(S::TCtrlProductSizePrint, { &log });
    printFromHome();
    go(&S::TCtrlProductSizePrint);
    win.deleteUserStepsList();
    EXPECT_TRUE(win.hasActionNextClick()) << "the step made the next one reachable";
    win.setWorkflowStepMax(&S::TCtrlProductSizePrint);
    EXPECT_FALSE(win.hasActionNextClick());
    EXPECT_TRUE(win.hasActionPreviousClick());
    win.ActionNextClick();
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_4100selectImagePrint"))
        << "the action itself moves when the step does not take the click";
}

namespace {
struct DataA : TWorkflowData {
    using TWorkflowData::TWorkflowData;
    int resets = 0;
};
struct DataB : TWorkflowData {
    using TWorkflowData::TWorkflowData;
};
} // namespace

TEST_F(Navigation, WorkflowDataRegistry)
{
    auto b = TCtrlScreenBase::WorkflowData<DataB>(&win);
    EXPECT_EQ(TCtrlScreenBase::WorkflowData<DataB>(&win), b);
    std::weak_ptr<DataB> weakB = b;
    b.reset();
    win.setWorkflowData(typeid(DataB), nullptr);
    EXPECT_TRUE(weakB.expired());
    EXPECT_EQ(win.getWorkflowData(typeid(DataB)), nullptr);

    win.workflowDataKeep(typeid(DataA), [](IWorkflowData& d) { ++static_cast<DataA&>(d).resets; });
    auto a = TCtrlScreenBase::WorkflowData<DataA>(&win);
    b = TCtrlScreenBase::WorkflowData<DataB>(&win);
    win.workflowDataClear();
    EXPECT_EQ(TCtrlScreenBase::WorkflowData<DataA>(&win), a);
    EXPECT_EQ(a->resets, 1) << "the kiosk design resets what it keeps";
    EXPECT_NE(TCtrlScreenBase::WorkflowData<DataB>(&win), b);
}

namespace {
// A popup that offers Next only and counts the clicks it gets.
class NextPopup : public TCtrlPopupHard {
public:
    NextPopup(IMainFrame* main, TPopupPanel* bg)
        : TCtrlPopupHard(main, bg)
    {
    }
    bool hasActionNext() override { return true; }
    bool hasActionPrevious() override { return false; }
    bool onActionNextClick(QObject*) override
    {
        ++NextClicks;
        return true;
    }
    bool onActionPreviousClick(QObject*) override
    {
        ++PreviousClicks;
        return false;
    }
    int NextClicks = 0;
    int PreviousClicks = 0;
};
} // namespace

TEST_F(Navigation, APopupOnTopAloneDecidesTheActions)
{
    printFromHome();
    go(&S::TCtrlProductSizePrint);
    win.setWorkflowStepMax(&S::TCtrlProductSizePrint);
    ASSERT_FALSE(win.hasActionNextClick());
    ASSERT_TRUE(win.hasActionPreviousClick());
    auto popup = TCtrlCommonBase::Create<NextPopup>(&win, win.PopupPanel(QStringLiteral("PanelPopUpHelp")));
    win.popupAdd(popup);
    win.workflowActionsUpdate();
    EXPECT_TRUE(win.hasActionNextClick());
    EXPECT_FALSE(win.hasActionPreviousClick());
    win.ActionNextClick();
    win.ActionPreviousClick();
    win.RunQueue();
    EXPECT_EQ(popup->NextClicks, 1);
    EXPECT_EQ(popup->PreviousClicks, 1) << "the popup's answer is not used: no move";
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    popup->Close();
}
