// The small popups: the user-idle countdown driven tick by tick, the
// media reminder and the language popup it holds back, the back-home
// question, the more-actions panel and the one-time advice.
#include "ScreensTestSupport.h"
#include "UCtrlPopupBackHome.h"
#include "UCtrlPopupHelp.h"
#include "UCtrlPopupHelpInfo.h"
#include "UCtrlPopupMediaForgotten.h"
#include "UCtrlPopupUserIdle.h"
#include "UCtrlTileChoiceHomeProducts.h"

#include "UConfig.h"
#include "UMainObservers.h"
#include "UPopupPanel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

namespace {

struct SmallPopups : ::testing::Test {
    TestScreensWindow win;
    void SetUp() override
    {
        win.workflowInit();
        win.show();
    }
    TPopupPanel* panel(const char* name) { return win.PopupPanel(QLatin1String(name)); }
    void settle()
    {
        QCoreApplication::processEvents();
        win.RunQueue();
    }
};

TEST_F(SmallPopups, UserIdleCountsDownAndResetsTheOrderAtZero)
{
    // The clock is the test's: each tick is one second.
    auto popup = TCtrlCommonBase::Create<TCtrlPopupUserIdle>(&win, panel("PanelPopupUserIdle"));
    win.popupAdd(popup);
    settle();
    win.grab().save(ScreenShotPath(QStringLiteral("popup_user_idle")));
    EXPECT_TRUE(popup->TimerUserIdle()->isActive());
    EXPECT_EQ(popup->TimerUserIdle()->interval(), 1000);
    EXPECT_EQ(popup->TextPopupUserIdle()->text(),
              QStringLiteral("Without action in the next 60 seconds, your order will be reset"));
    for (int left = 59; left >= 1; --left) {
        popup->OnTimerTick();
        ASSERT_EQ(popup->Remaining(), left);
        ASSERT_TRUE(popup->TextPopupUserIdle()->text().contains(QStringLiteral(" %1 ").arg(left)));
    }
    EXPECT_EQ(win.OrderResets, 0);
    EXPECT_TRUE(popup->Opened());
    popup->OnTimerTick();
    settle();
    EXPECT_EQ(win.OrderResets, 1);
    EXPECT_FALSE(popup->Opened());
    EXPECT_FALSE(popup->TimerUserIdle()->isActive());
}

TEST_F(SmallPopups, UserIdleClosedByATapKeepsTheOrder)
{
    auto popup = TCtrlCommonBase::Create<TCtrlPopupUserIdle>(&win, panel("PanelPopupUserIdle"));
    win.popupAdd(popup);
    settle();
    popup->OnTimerTick();
    popup->OnBackgroundClick();
    settle();
    EXPECT_FALSE(popup->Opened());
    EXPECT_FALSE(popup->TimerUserIdle()->isActive());
    popup->OnTimerTick();
    EXPECT_EQ(win.OrderResets, 0) << "a closed countdown does nothing";
}

TEST_F(SmallPopups, MediaReminderClosesWhenTheLastMediumIsRemoved)
{
    bool plugged = true;
    TCtrlTileChoiceHomeProducts::DevicesDetected = [&plugged](IMainFrame*) { return plugged; };
    auto popup = TCtrlCommonBase::Create<TCtrlPopupMediaForgotten>(&win, panel("PanelPopupMediaForgotten"));
    win.popupAdd(popup);
    settle();
    ASSERT_NE(popup->soundTimer(), nullptr);
    EXPECT_EQ(popup->soundTimer()->interval(), 6000);
    EXPECT_TRUE(popup->soundTimer()->isActive());
    win.EventObservedRaise(moe_devices, nullptr);
    EXPECT_TRUE(popup->Opened()) << "a medium is still there";
    plugged = false;
    win.EventObservedRaise(moe_devices, nullptr);
    settle();
    EXPECT_FALSE(popup->Opened());
    EXPECT_EQ(popup->soundTimer(), nullptr) << "the sound stops with the popup";
    TCtrlTileChoiceHomeProducts::DevicesDetected = nullptr;
}

TEST_F(SmallPopups, MediaReminderHoldsTheLanguagePopupBackOnAKiosk)
{
    TCtrlTileChoiceHomeProducts::DevicesDetected = [](IMainFrame*) { return true; };
    int languageOpened = 0;
    TCtrlPopupMediaForgotten::LanguagePopupOpen = [&languageOpened](IMainFrame*) { ++languageOpened; };
    auto popup = TCtrlCommonBase::Create<TCtrlPopupMediaForgotten>(&win, panel("PanelPopupMediaForgotten"));
    win.popupAdd(popup);
    settle();
    auto language = std::make_shared<TCtrlPopupHard>(&win, panel("PanelPopupLangText"));
    auto other = std::make_shared<TCtrlPopupHard>(&win, panel("PanelPopUpHelp"));
    EXPECT_TRUE(popup->popupAddBlock(language.get()));
    EXPECT_FALSE(popup->popupAddBlock(other.get()));
    EXPECT_TRUE(popup->languagePopupWaiting());
    popup->Close();
    settle();
    EXPECT_EQ(languageOpened, 1);
    TCtrlTileChoiceHomeProducts::DevicesDetected = nullptr;
    TCtrlPopupMediaForgotten::LanguagePopupOpen = nullptr;
}

TEST(BackHomeLayout, WidthAndScaleFollowThePanel)
{
    struct Case {
        int panel, width;
        double scale;
    } cases[] = { { 1280, 900, 1 }, { 940, 900, 1 }, { 800, 760, 1 }, { 610, 570, 1 }, { 500, 570, 500.0 / 610 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.panel);
        const auto l = TCtrlPopupBackHome::BoxLayout(c.panel);
        EXPECT_EQ(l.width, c.width);
        EXPECT_DOUBLE_EQ(l.scale, c.scale);
    }
}

TEST_F(SmallPopups, BackHomeRunsTheWindowActionsOrContinues)
{
    auto popup = TCtrlCommonBase::Create<TCtrlPopupBackHome>(&win, panel("PanelPopupBackHome"));
    win.popupAdd(popup);
    settle();
    win.grab().save(ScreenShotPath(QStringLiteral("popup_back_home")));
    QAction* cancel = win.Action(QStringLiteral("ActionCancelOrder"));
    ASSERT_NE(cancel, nullptr);
    int triggered = 0;
    QObject::connect(cancel, &QAction::triggered, [&triggered] { ++triggered; });
    if (cancel->isEnabled()) {
        popup->ButtonPopupBackHomeAbandon->click();
        EXPECT_EQ(triggered, 1);
    } else {
        EXPECT_FALSE(popup->ButtonPopupBackHomeAbandon->isEnabled());
    }
    if (popup->Opened()) {
        popup->ButtonPopupBackHomeContinue->click();
        settle();
    }
    EXPECT_FALSE(popup->Opened());
    EXPECT_EQ(win.OrderResets, 0);
}

TEST_F(SmallPopups, MoreActionsShowsTheButtonsTheShopAllowsAndNamesThem)
{
    struct Case {
        const char* name;
        bool kiosk, shell;
        bool priceFile, update;
    } cases[] = {
        { "kiosk", true, true, false, false },
        { "desk with price file", false, true, true, true },
        { "desk without desktop", false, false, false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.Kiosk = c.kiosk;
        TCtrlPopupHelp::ShellOpenSupportedHook = [&c] { return c.shell; };
        win.PriceFile = QStringLiteral("/tmp/prices.pdf");
        auto popup = TCtrlCommonBase::Create<TCtrlPopupHelp>(&win, panel("PanelPopUpHelp"));
        win.popupAdd(popup);
        settle();
        EXPECT_EQ(popup->button(QStringLiteral("SpeedButtonPopUpHelpPriceFile"))->isVisible(), c.priceFile);
        EXPECT_EQ(popup->button(QStringLiteral("SpeedButtonPopUpHelpUpdate"))->isVisible(), c.update);
        EXPECT_FALSE(popup->button(QStringLiteral("SpeedButtonPopUpHelpCgv"))->isVisible());
        EXPECT_FALSE(popup->button(QStringLiteral("SpeedButtonPopUpHelpCgu"))->isVisible());
        QPushButton* zoom = popup->button(QStringLiteral("SpeedButtonPopUpHelpZoomIn"));
        QPushButton* exitB = popup->button(QStringLiteral("SpeedButtonPopUpHelpExit"));
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QCoreApplication::sendEvent(zoom, &enter);
        EXPECT_EQ(popup->LabelPopUpHelpTooltip()->text(), QStringLiteral("Zoom in"));
        QCoreApplication::sendEvent(exitB, &enter);
        EXPECT_TRUE(popup->LabelPopUpHelpTooltip()->text().startsWith(QStringLiteral("Exit ")));
        QCoreApplication::sendEvent(exitB, &leave);
        EXPECT_TRUE(popup->LabelPopUpHelpTooltip()->text().isEmpty());
        if (c.kiosk)
            win.grab().save(ScreenShotPath(QStringLiteral("popup_more_actions")));
        popup->ButtonPopUpHelpClose()->click();
        settle();
        EXPECT_FALSE(popup->Opened());
    }
    TCtrlPopupHelp::ShellOpenSupportedHook = nullptr;
}

TEST(HelpInfoLayout, ScaleAndSizeInUnzoomedUnits)
{
    // Design 900 x 360, margins 40 x 80.
    auto l = TCtrlPopupHelpInfo::BoxLayout(900, 360, 900, 360, 1200, 1200, 780, 125, 40, 80);
    EXPECT_DOUBLE_EQ(l.scale, 1);
    EXPECT_DOUBLE_EQ(l.width, 900) << "A = 1200 / 125 x 100 - 40 = 920 leaves the design width";
    l = TCtrlPopupHelpInfo::BoxLayout(900, 360, 900, 360, 450, 450, 780, 100, 40, 80);
    EXPECT_DOUBLE_EQ(l.scale, 0.75);
    EXPECT_DOUBLE_EQ(l.width, (450 - 40) / 0.75);
    l = TCtrlPopupHelpInfo::BoxLayout(900, 360, 900, 360, 1200, 1200, 400, 100, 40, 80);
    EXPECT_DOUBLE_EQ(l.height, 320);
}

struct HelpInfo : SmallPopups {
    std::shared_ptr<TCtrlPopupHelpInfo> last;
    // Pushes a new advice of class T; true when it showed.
    template <class T>
    bool push()
    {
        auto popup = TCtrlCommonBase::Create<T>(&win, panel("PanelPopupHelpInfo"));
        last = popup;
        win.popupAdd(popup);
        settle();
        const bool shown = popup->Opened();
        if (shown) {
            popup->Close();
            settle();
        }
        return shown;
    }
};

TEST_F(HelpInfo, EachAdviceShowsOncePerOrderOnAKiosk)
{
    win.setWorkflowType(TWorkflowPrint);
    EXPECT_TRUE(push<TCtrlPopupHelpInfoPrintSelection>());
    EXPECT_FALSE(push<TCtrlPopupHelpInfoPrintSelection>()) << "the same key again";
    EXPECT_TRUE(win.order->getPopupHelpOpenedList().contains(QStringLiteral("PrintSelection.TWorkflowPrint")));
    win.orderCancelAndUserPrefReset();
    EXPECT_TRUE(push<TCtrlPopupHelpInfoPrintSelection>()) << "a new order, a new customer";
}

TEST_F(HelpInfo, PhotoAdviceFollowsTheProduct)
{
    THelpInfoProductFacts facts { 3, 20, -1 };
    TCtrlPopupHelpInfoPhotoMin::ProductFacts = [&facts](IMainFrame*) { return facts; };
    win.setWorkflowType(TWorkflowAlbum);
    auto popup = TCtrlCommonBase::Create<TCtrlPopupHelpInfoPhotoMin>(&win, panel("PanelPopupHelpInfo"));
    win.popupAdd(popup);
    settle();
    ASSERT_TRUE(popup->Opened());
    EXPECT_EQ(popup->popupGroupBox()->title(), QStringLiteral("Please select at least 20 photos for your book"));
    win.grab().save(ScreenShotPath(QStringLiteral("popup_help_info")));
    popup->Close();
    settle();
    EXPECT_FALSE(push<TCtrlPopupHelpInfoPhotoMin>()) << "once per book kind";
    facts.framesPerPage = 2;
    EXPECT_TRUE(push<TCtrlPopupHelpInfoPhotoMin>()) << "another book kind, another key";
    win.setWorkflowType(TWorkflowCalendarMonthly);
    EXPECT_TRUE(push<TCtrlPopupHelpInfoPhotoMin>());
    facts.available = 25;
    win.setWorkflowType(TWorkflowCard);
    EXPECT_FALSE(push<TCtrlPopupHelpInfoPhotoMin>()) << "enough photos: no advice";

    // Thanks: automatic books offer to create now, fixed ones only OK, blank
    // ones nothing.
    win.setWorkflowType(TWorkflowAlbum);
    facts.framesPerPage = -1;
    auto ok = TCtrlCommonBase::Create<TCtrlPopupHelpInfoPhotoOk>(&win, panel("PanelPopupHelpInfo"));
    win.popupAdd(ok);
    settle();
    ASSERT_TRUE(ok->Opened());
    EXPECT_EQ(ok->ButtonPopupHelpInfoOk()->text(), QStringLiteral("Create Book"));
    EXPECT_TRUE(ok->ButtonPopupHelpInfoCancel()->isVisible());
    ok->ButtonPopupHelpInfoCancel()->click();
    settle();
    EXPECT_FALSE(ok->Opened());
    facts.framesPerPage = 1;
    auto ok2 = TCtrlCommonBase::Create<TCtrlPopupHelpInfoPhotoOk>(&win, panel("PanelPopupHelpInfo"));
    win.popupAdd(ok2);
    settle();
    ASSERT_TRUE(ok2->Opened());
    EXPECT_EQ(ok2->ButtonPopupHelpInfoOk()->text(), QStringLiteral("OK"));
    EXPECT_FALSE(ok2->ButtonPopupHelpInfoCancel()->isVisible());
    ok2->Close();
    settle();
    facts.framesPerPage = 0;
    EXPECT_FALSE(push<TCtrlPopupHelpInfoPhotoOk>());
    TCtrlPopupHelpInfoPhotoMin::ProductFacts = nullptr;
}

} // namespace
