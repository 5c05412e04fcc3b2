// The workflow tree: visibility and numbering per workflow type and design,
// the step max, the next and previous searches and the breadcrumb states.
#include "WorkflowTestSupport.h"

#include <gtest/gtest.h>

namespace S = WorkflowSteps;

namespace {

// "tabId:order" of every visible step from the source step to the cart.
QStringList visibleNumbered(TCtrlWorkflow* wf)
{
    QStringList out;
    bool in = false;
    std::function<void(TCtrlWorkflowStep*)> walk = [&](TCtrlWorkflowStep* s) {
        if (s->StepClass() == &S::TCtrlTileChoiceSourceMedia)
            in = true;
        if (in && s->Visible())
            out << s->StepClass()->TabId + QLatin1Char(':') + QString::number(s->BreadCrumbOrder());
        for (const auto& c : s->Children())
            walk(c.get());
        if (s->StepClass() == &S::TCtrlShoppingCart)
            in = false;
    };
    for (const auto& s : wf->Steps())
        walk(s.get());
    return out;
}

// A main frame whose active step the test names.
struct StepAt : TMainFrameToDo {
    TWorkflowStep step = nullptr;
    TWorkflowStep WorkflowStep() override { return step; }
};

struct Workflow : ::testing::Test {
    TestWorkflowWindow win;
    TCtrlWorkflow* wf = nullptr;
    void SetUp() override
    {
        win.workflowInit();
        wf = win.CtrlWorkflow();
    }
    TCtrlWorkflowStep* step(TWorkflowStep cls) { return wf->FindStep(cls, true); }
};

} // namespace

TEST_F(Workflow, TreeHoldsEveryStepOnItsNamedTabInTabOrder)
{
    QStackedWidget* tabs = win.TabControlMain();
    ASSERT_EQ(tabs->count(), 52);
    EXPECT_EQ(tabs->widget(0)->objectName(), QStringLiteral("TabItem_0000appStart"));
    EXPECT_EQ(tabs->widget(45)->objectName(), QStringLiteral("TabItem_xxxxgiftCategories"));
    int steps = 0;
    for (TWorkflowStepClass* cls : S::All()) {
        TCtrlWorkflowStep* s = wf->FindStep(cls, false);
        ASSERT_NE(s, nullptr) << cls->ClassName.toStdString();
        EXPECT_EQ(s->TabItem()->objectName(), cls->TabName());
        ++steps;
    }
    EXPECT_EQ(steps, 50);
    EXPECT_EQ(wf->FindStep(tabs->widget(0), false), nullptr);
    EXPECT_EQ(wf->FindStep(tabs->widget(45), false), nullptr);
    // Depth-first order of the tree is the tab order.
    std::vector<TCtrlWorkflowStep*> path;
    ASSERT_NE(wf->FindStep(&S::TCtrlMediaGuidanceAppSend, true, &path), nullptr);
    ASSERT_EQ(path.size(), 4u);
    EXPECT_EQ(path[0]->StepClass(), &S::TCtrlTileChoiceSourceMedia);
    EXPECT_EQ(path[2]->StepClass(), &S::TCtrlMediaGuidanceAppInstall);
    EXPECT_EQ(step(&S::TCtrlTileChoiceSourceMedia)->LastTabItemOrder(), step(&S::TCtrlSocialLogin)->TabItemOrder());
    // The first content update hides the range until a workflow type shows it.
    EXPECT_TRUE(visibleNumbered(wf) == QStringList { QStringLiteral("8000shoppingCart:-1") });
    EXPECT_FALSE(step(&S::TCtrlDeliveryInformations)->Visible());
}

TEST_F(Workflow, BreadcrumbPerWorkflowTypeAndDesign)
{
    struct Case {
        const char* name;
        TZebdesign design;
        bool altPrint;
        TWorkflowType type;
        QStringList expected;
    };
    const Case cases[] = {
        { "none", zebd_kiosk, false, TWorkflowNone, { "8000shoppingCart:-1" } },
        { "print, kiosk design", zebd_kiosk, false, TWorkflowPrint,
          { "2000sourceMedia:1", "3105printSize:2", "4100selectImagePrint:3", "6100printCropCheck:4", "8000shoppingCart:5" } },
        { "print, alternative workflow", zebd_kiosk, true, TWorkflowPrint,
          { "2000sourceMedia:1", "3100printGroups:2", "4100selectImagePrint:3", "6100printCropCheck:4", "8000shoppingCart:5" } },
        { "print, home design: no photo finding", zebd_home, false, TWorkflowPrint,
          { "3105printSize:1", "4100selectImagePrint:2", "6100printCropCheck:3", "8000shoppingCart:4" } },
        { "monthly calendar", zebd_kiosk, false, TWorkflowCalendarMonthly,
          { "2000sourceMedia:1", "3200calendarTypes:2", "3220startDate:3", "3900selectImageCommon:4",
            "4200overviewCalendar:5", "8000shoppingCart:6" } },
        { "designer print, home design", zebd_home, false, TWorkflowDesignerPrint,
          { "3310cardGroups:1", "3900selectImageCommon:2", "4300designCard:3", "8000shoppingCart:4" } },
        { "photo book", zebd_home, false, TWorkflowAlbum,
          { "3410albumSize:1", "3420albumTheme:2", "3900selectImageCommon:3", "4400overviewAlbum:4",
            "8000shoppingCart:5" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.setWorkflowType(TWorkflowNone);
        win.SetDesign(c.design);
        win.AltPrint = c.altPrint;
        win.setWorkflowType(c.type);
        EXPECT_EQ(visibleNumbered(wf).join(QLatin1Char(' ')), c.expected.join(QLatin1Char(' ')));
    }
    EXPECT_EQ(wf->BreadCrumbList()[3]->BreadCrumbLabel(), QStringLiteral("Design Book"));
}

TEST_F(Workflow, MobileDesignStartsTheBrowseInsteadOfAnEntryAndHasNoBar)
{
    TestWorkflowWindow mobile(zebd_mobile);
    mobile.workflowInit();
    int browsed = 0;
    S::StartMobileImageBrowse = [&](IMainFrame*) { ++browsed; };
    mobile.setWorkflowType(TWorkflowPrint);
    S::StartMobileImageBrowse = nullptr;
    EXPECT_EQ(browsed, 1);
    EXPECT_EQ(mobile.CtrlWorkflow()->BreadCrumbList().size(), 4u);
    EXPECT_EQ(mobile.BreadCrumb(), nullptr);
    EXPECT_FALSE(mobile.CtrlWorkflow()->GetStepVisible(&S::TCtrlTileChoiceSourceMedia));
}

TEST_F(Workflow, GiftWorkflowFailsAndLeavesNoBreadcrumb)
{
    win.setWorkflowType(TWorkflowPrint);
    try {
        win.setWorkflowType(TWorkflowGift);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Workflow not yet supported");
    }
    EXPECT_EQ(win.getWorkflowType(), TWorkflowNone);
    EXPECT_TRUE(wf->BreadCrumbList().empty());
    EXPECT_FALSE(wf->GetStepVisible(&S::TCtrlProductSizePrint));
}

TEST_F(Workflow, StepVisibilityShowsAncestorsAndEntriesKeepTheirChoice)
{
    win.setWorkflowType(TWorkflowPrint);
    EXPECT_TRUE(wf->SetStepVisible(&S::TCtrlMediaGuidanceWifiConnection, true));
    EXPECT_TRUE(wf->GetStepVisible(&S::TCtrlMediaGuidanceAppInstall));
    EXPECT_TRUE(wf->GetStepVisible(&S::TCtrlTileChoiceSourcePhone));
    EXPECT_FALSE(wf->GetStepVisible(&S::TCtrlMediaGuidanceAppSend));
    EXPECT_FALSE(wf->SetStepVisible(&S::TCtrlMediaGuidanceWifiConnection, true));
    // Without entry, the next content update hides it again.
    wf->UpdateContent(&win);
    EXPECT_FALSE(wf->GetStepVisible(&S::TCtrlMediaGuidanceWifiConnection));
    // A breadcrumb step hidden by a screen stays hidden, and the numbers close up.
    EXPECT_TRUE(wf->SetStepVisible(&S::TCtrlPrintCropCheck, false));
    wf->UpdateContent(&win);
    EXPECT_FALSE(wf->GetStepVisible(&S::TCtrlPrintCropCheck));
    EXPECT_EQ(step(&S::TCtrlShoppingCart)->BreadCrumbOrder(), 4);
    EXPECT_THROW(wf->SetStepVisible(nullptr, true), Exception);
}

TEST_F(Workflow, NextNeverEntersTheReferenceAndPreviousNeverReturnsTheParent)
{
    win.setWorkflowType(TWorkflowPrint);
    wf->SetWorkflowStepMax(&S::TCtrlShoppingCart, 0);
    // Children of the source step made visible: still not its next step.
    wf->SetStepVisible(&S::TCtrlMediaGuidanceUsb, true);
    EXPECT_EQ(wf->NextStepFor(step(&S::TCtrlTileChoiceSourceMedia))->StepClass(), &S::TCtrlProductSizePrint);
    // From a child the walk goes on after the parent's sub-tree.
    EXPECT_EQ(wf->NextStepFor(step(&S::TCtrlMediaGuidanceUsb))->StepClass(), &S::TCtrlProductSizePrint);
    // Hidden earlier siblings are skipped, then the parent's earlier siblings.
    EXPECT_EQ(wf->PreviousStepFor(step(&S::TCtrlMediaGuidanceUsb))->StepClass(), &S::TCtrlTileChoiceHomeProducts);
    EXPECT_EQ(wf->PreviousStepFor(step(&S::TCtrlProductSizePrint))->StepClass(), &S::TCtrlTileChoiceSourceMedia);
    // Hidden steps of the range are skipped.
    EXPECT_EQ(wf->PreviousStepFor(step(&S::TCtrlShoppingCart))->StepClass(), &S::TCtrlPrintCropCheck);
}

TEST_F(Workflow, BreadcrumbEntryOfHiddenSubStepIsThePhotoFinding)
{
    win.setWorkflowType(TWorkflowPrint);
    TCtrlWorkflowBreadCrumb* find = wf->BreadCrumbFind(step(&S::TCtrlTileChoiceSourceMedia));
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(wf->BreadCrumbStep(step(&S::TCtrlMediaGuidanceAppSend)), find);
    EXPECT_EQ(wf->BreadCrumbStep(step(&S::TCtrlMediaGuidanceUsb)), find);
    // A hidden step after a breadcrumb step belongs to it.
    EXPECT_EQ(wf->BreadCrumbStep(step(&S::TCtrlProductChoicePrintFinish))->Step()->StepClass(), &S::TCtrlProductSizePrint);
    EXPECT_EQ(wf->BreadCrumbStep(step(&S::TCtrlConnec)), nullptr);
}

TEST_F(Workflow, StepMaxAndStates)
{
    win.setWorkflowType(TWorkflowPrint);
    StepAt at;
    at.step = &S::TCtrlProductSizePrint;
    wf->UpdateStep(&at);
    EXPECT_EQ(wf->StepMax(), step(&S::TCtrlProductSizePrint)) << "the first current step becomes the step max";
    EXPECT_FALSE(wf->HasNextStep());
    EXPECT_TRUE(wf->HasPreviousStep());
    ASSERT_TRUE(wf->SetWorkflowStepMax(&S::TCtrlProductSizePrint, 1));
    EXPECT_FALSE(wf->SetWorkflowStepMax(&S::TCtrlProductSizePrint, 1));
    EXPECT_TRUE(wf->HasNextStep());
    EXPECT_EQ(wf->NextStep()->StepClass(), &S::TCtrlSelectImagePrint);

    struct Case {
        TWorkflowStep step;
        TWorkflowStepState state;
    };
    const Case cases[] = {
        { &S::TCtrlTileChoiceSourceMedia, WorkflowStepDone },
        { &S::TCtrlProductSizePrint, WorkflowStepCurrent },
        { &S::TCtrlSelectImagePrint, WorkflowStepJustNext },
        { &S::TCtrlPrintCropCheck, WorkflowStepFarNext }, // two visible steps beyond the step max
        { &S::TCtrlShoppingCart, WorkflowStepFarNext },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step->TabId.toStdString());
        EXPECT_EQ(wf->GetStepState(wf->BreadCrumbFind(step(c.step))), c.state);
    }
    // Moving forward raises the step max; moving back keeps it.
    at.step = &S::TCtrlPrintCropCheck;
    wf->UpdateStep(&at);
    at.step = &S::TCtrlSelectImagePrint;
    wf->UpdateStep(&at);
    EXPECT_EQ(wf->StepMax(), step(&S::TCtrlPrintCropCheck));
    EXPECT_EQ(wf->GetStepState(wf->BreadCrumbFind(step(&S::TCtrlPrintCropCheck))), WorkflowStepJustNext);
    // No current step: every entry is out of reach.
    at.step = nullptr;
    wf->UpdateStep(&at);
    EXPECT_EQ(wf->GetStepState(wf->BreadCrumbFind(step(&S::TCtrlTileChoiceSourceMedia))), WorkflowStepFarNext);
    // Clearing the entries clears the step max.
    win.setWorkflowType(TWorkflowCard);
    EXPECT_EQ(wf->StepMax(), nullptr);
    EXPECT_TRUE(wf->SetWorkflowStepMax(&S::TCtrlShoppingCart, 0));
    EXPECT_TRUE(wf->SetWorkflowStepMax(nullptr, 0));
    EXPECT_FALSE(wf->SetWorkflowStepMax(nullptr, 0));
}

TEST_F(Workflow, FailuresCarryTheirTexts)
{
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* text;
    };
    QWidget early(nullptr);
    const Case cases[] = {
        { "step max increment", [&] { wf->SetWorkflowStepMax(&S::TCtrlShoppingCart, 2); },
          "TCtrlWorkflow.SetWorkflowStepMax: invalid stepInc arg" },
        { "unknown step", [&] { wf->FindStep(static_cast<TWorkflowStep>(nullptr), true); },
          "TCtrlWorkflow.FindStep: step not found" },
        { "end before start", [&] { wf->SetBreadCrumbEnd(&S::TCtrlConnec); },
          "TCtrlWorkflow.SetBreadCrumbEnd: invalid order compared to BreadCrumbStart" },
        { "step added before the last step's sub-tree",
          [&] { wf->AddStep(&S::TCtrlConnec, win.TabControlMain()->widget(5), true); },
          "TCtrlWorkflowStep.AddStep: step TabItem_2110appInstall has an invalid order" },
        { "child added before its parent",
          [&] { step(&S::TCtrlShoppingCart)->AddStep(&S::TCtrlConnec, win.TabControlMain()->widget(1), true); },
          "TCtrlWorkflowStep.AddStep: step TabItem_0100connec has an invalid order" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}
