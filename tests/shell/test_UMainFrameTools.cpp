// The tool bar and its actions: which actions each mode and design offers,
// the tool-bar order and scale, the zoom, the keys, and the update policy of
// the window.
#include "ShellTestSupport.h"
#include "ToolsTestSupport.h"

#include "../persistence/ConfigTestSupport.h"

#include "UAppStyle.h"
#include "UPopupPanel.h"
#include "UTools.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

class ToolsConfigTest : public ConfigTestBase {
protected:
    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
    }
    std::unique_ptr<TTestConfig> fCfg;
};

} // namespace

TEST(ToolBarActions, TheActionListHoldsTheTwentySixNamedActions)
{
    TestToolsWindow win;
    ASSERT_EQ(TMainFrameTools::ActionNames().size(), 26);
    for (const QString& name : TMainFrameTools::ActionNames()) {
        SCOPED_TRACE(name.toStdString());
        QVariant v;
        ASSERT_TRUE(win.GetFieldValueByName(name, v));
        EXPECT_EQ(qobject_cast<QAction*>(v.value<QObject*>()), win.Action(name));
    }
    // The workflow's own actions are the ones in the list.
    EXPECT_EQ(win.Action(QStringLiteral("ActionNextStep")), win.ActionNextStep());
    EXPECT_EQ(win.Action(QStringLiteral("ActionPreviousStep")), win.ActionPreviousStep());
    EXPECT_EQ(win.Action(QStringLiteral("ActionMobileMenuOpen")), win.ActionMobileMenuOpen());
    EXPECT_EQ(win.Action(QStringLiteral("ActionCgu"))->text(), QStringLiteral("T&&C"));
    EXPECT_EQ(win.Action(QStringLiteral("ActionCart"))->text(), QStringLiteral("$ 0.00"));
}

TEST_F(ToolsConfigTest, ActionsOfferedPerUseModeAndDesign)
{
    TShopActionsState shop;
    shop.commonLoaded = true;
    shop.allFamiliesVisible = true;
    shop.priceFilePath = QStringLiteral("/x/prices.pdf");
    shop.cguText = QStringLiteral("terms");
    shop.cgvText = QStringLiteral("sales");
    shop.privacyPolicyUrl = QStringLiteral("https://shop.example/privacy");
    // An order backup folder holding a saved order.
    QDir().mkpath(fCfg->CalcOrderBackupPath());
    QFile saved(fCfg->CalcOrderBackupPath() + QStringLiteral("/26-01-01_10-00-00-000.qzo"));
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly));
    saved.close();

    const QStringList storeTools = { "ActionSaveOrder", "ActionLoadOrder", "ActionUpdateApp", "ActionPriceFile",
                                     "ActionCgu", "ActionCgv", "ActionPrivacyPolicy", "ActionShopInfo",
                                     "ActionMyOrders", "ActionMyAccount", "ActionDisconnect" };
    struct Case {
        const char* name;
        TQzUseMode mode;
        TZebdesign design;
        QStringList offered;
        QStringList absent;
    };
    const Case cases[] = {
        { "kiosk", TQzUseMode::Kiosk, zebd_kiosk, { "ActionCart", "ActionStartAgain", "ActionLangKiosk", "ActionCancelOrder" },
          storeTools + QStringList { "ActionExitApp", "ActionFullScreen" } },
        { "desktop", TQzUseMode::Std, zebd_home,
          QStringList { "ActionCart", "ActionStartAgain", "ActionExitApp", "ActionFullScreen", "ActionLangKiosk" }
              + QStringList { "ActionSaveOrder", "ActionLoadOrder", "ActionUpdateApp", "ActionPriceFile", "ActionCgu",
                              "ActionCgv", "ActionPrivacyPolicy", "ActionShopInfo", "ActionMyOrders",
                              "ActionMyAccount", "ActionDisconnect" },
          {} },
        { "mobile", TQzUseMode::Mobile, zebd_mobile,
          { "ActionCart", "ActionStartAgain", "ActionMyOrders", "ActionMyAccount", "ActionDisconnect", "ActionExitApp",
            "ActionMobileMenuOpen" },
          { "ActionUpdateApp", "ActionLangKiosk", "ActionFullScreen" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fCfg->SetQzuseMode(c.mode);
        TestToolsWindow win(fCfg.get(), c.design);
        win.toolBarDesignApply(c.design);
        win.actionsOnUseModeApplied(false, c.design);
        win.actionsOnConnected();
        win.shopActionsUpdate(shop);
        win.actionsOnOrderChanged(true, true);
        const QStringList visible = win.VisibleActions();
        for (const QString& a : c.offered) {
            EXPECT_TRUE(visible.contains(a)) << a.toStdString();
            EXPECT_TRUE(win.Action(a)->isEnabled()) << a.toStdString();
        }
        for (const QString& a : c.absent) {
            EXPECT_FALSE(visible.contains(a)) << a.toStdString();
            EXPECT_FALSE(win.Action(a)->isEnabled()) << a.toStdString();
        }
    }
}

TEST_F(ToolsConfigTest, CatalogueActionsFollowWhatTheShopHas)
{
    TestToolsWindow win(fCfg.get());
    TShopActionsState shop;
    win.shopActionsUpdate(shop);
    EXPECT_FALSE(win.Action(QStringLiteral("ActionCart"))->isVisible());
    EXPECT_FALSE(win.Action(QStringLiteral("ActionShopInfo"))->isVisible());
    shop.commonLoaded = true;
    shop.cguText = QStringLiteral("terms");
    win.shopActionsUpdate(shop);
    EXPECT_TRUE(win.Action(QStringLiteral("ActionShopInfo"))->isVisible());
    EXPECT_TRUE(win.Action(QStringLiteral("ActionCgu"))->isVisible());
    EXPECT_FALSE(win.Action(QStringLiteral("ActionCgv"))->isVisible());
    EXPECT_FALSE(win.Action(QStringLiteral("ActionPriceFile"))->isVisible());
    // No saved order in the backup folder: nothing to load.
    shop.allFamiliesVisible = true;
    win.shopActionsUpdate(shop);
    EXPECT_TRUE(win.Action(QStringLiteral("ActionCart"))->isVisible());
    EXPECT_FALSE(win.Action(QStringLiteral("ActionLoadOrder"))->isVisible());

    win.actionsOnConnected();
    win.actionsOnOrderChanged(true, true);
    win.actionsOnDisconnected();
    for (const char* name : { "ActionStartAgain", "ActionSaveOrder", "ActionLoadOrder", "ActionUpdateApp",
                              "ActionPriceFile", "ActionMyOrders", "ActionCart", "ActionCgu", "ActionCgv",
                              "ActionPrivacyPolicy", "ActionMyAccount", "ActionDisconnect", "ActionShopInfo" })
        EXPECT_FALSE(win.Action(QString::fromLatin1(name))->isVisible()) << name;
    EXPECT_TRUE(win.Action(QStringLiteral("ActionCancelOrder"))->isVisible());
    win.actionsOnOrderReset();
    EXPECT_FALSE(win.Action(QStringLiteral("ActionCancelOrder"))->isVisible());
}

TEST(ToolBarLayout, ButtonsFollowTheirActionsAndKeepTheirOrderWithoutGaps)
{
    TAppStyle::Apply(*qApp);
    TestToolsWindow win;
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    for (const char* name : { "ActionSaveOrder", "ActionUpdateApp", "ActionCgu", "ActionMyOrders", "ActionCart" })
        TMainFrameTools::setActionActivatedStatus(win.Action(QString::fromLatin1(name)), true);
    win.cartCaptionSet(QStringLiteral("$ 12.50"));
    win.putToolbarButtonsBackInOrder();
    QCoreApplication::processEvents();
    auto btn = [&](const char* name) { return win.findChild<QAbstractButton*>(QString::fromLatin1(name)); };
    EXPECT_FALSE(btn("ButtonToolBarLoad")->isVisible());
    EXPECT_FALSE(btn("ButtonToolBarPrices")->isVisible());
    EXPECT_EQ(btn("ButtonToolBarCart")->text(), QStringLiteral("$ 12.50"));
    // Left buttons in order and side by side; the hidden Load leaves no gap.
    const QList<QAbstractButton*> left = { btn("ButtonToolBarSave"), btn("ButtonToolBarUpdate"), btn("ButtonToolBarCG"),
                                           btn("ButtonToolBarMenu"), btn("ButtonToolBarLang") };
    for (int i = 1; i < left.size(); ++i) {
        EXPECT_LT(left[i - 1]->x(), left[i]->x());
        EXPECT_LE(left[i]->x() - (left[i - 1]->x() + left[i - 1]->width()), 12);
    }
    // My Orders and the cart on the right, the cart last.
    EXPECT_LT(btn("ButtonToolBarMyOrders")->x(), btn("ButtonToolBarCart")->x());
    EXPECT_GT(btn("ButtonToolBarMyOrders")->x(), btn("ButtonToolBarLang")->x() + 100);
    win.grab().save(QStringLiteral("/tmp/periphery-toolbar.png"));

    // A click on a button runs its action.
    int saves = 0;
    QObject::connect(win.Action(QStringLiteral("ActionSaveOrder")), &QAction::triggered, [&] { ++saves; });
    QTest::mouseClick(btn("ButtonToolBarSave"), Qt::LeftButton);
    EXPECT_EQ(saves, 1);
}

TEST(ToolBarLayout, MobileDesignSwapsTheButtons)
{
    TestToolsWindow win(nullptr, zebd_mobile);
    win.show();
    win.toolBarDesignApply(zebd_mobile);
    auto w = [&](const char* name) { return win.findChild<QWidget*>(QString::fromLatin1(name)); };
    EXPECT_FALSE(w("LayoutToolBarButtons")->isVisible());
    EXPECT_FALSE(w("LayoutToolBarButtonHome")->isVisible());
    EXPECT_TRUE(win.ActionMobileMenuOpen()->isVisible());
    TMainFrameTools::setActionActivatedStatus(win.ActionPreviousStep(), true);
    EXPECT_TRUE(w("ButtonMobileBack")->isVisible());
    win.SetDesign(zebd_home);
    win.toolBarDesignApply(zebd_home);
    EXPECT_TRUE(w("LayoutToolBarButtons")->isVisible());
    EXPECT_FALSE(win.ActionMobileMenuOpen()->isVisible());
    EXPECT_FALSE(w("ButtonMobileBack")->isVisible());
    EXPECT_FALSE(w("ButtonMobileDone")->isVisible());
}

TEST(ToolBarLayout, ScaleFitsTheContentWidth)
{
    struct Case {
        int width;
        bool mobile;
        float scale;
    };
    const Case cases[] = {
        { 1920, false, 1.0f }, { 1205, false, 1.0f }, { 1204, false, 1199.0f / 1200 },
        { 805, false, 800.0f / 1200 }, { 605, true, 1.0f }, { 305, true, 0.5f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_FLOAT_EQ(TMainFrameTools::ToolBarScaleFor(c.width, c.mobile), c.scale);
    }
    TestToolsWindow win;
    win.resize(805, 600);
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    win.LayoutAppContentResize();
    EXPECT_FLOAT_EQ(win.ToolBarScale(), TMainFrameTools::ToolBarScaleFor(win.LayoutAppTabContent()->width(), false));
    EXPECT_LT(win.ToolBarScale(), 1.0f);
}

TEST_F(ToolsConfigTest, ZoomClampsAndScalesPanelsAndContent)
{
    TestToolsWindow win(fCfg.get());
    QAction* inc = win.Action(QStringLiteral("ActionZoomInc"));
    QAction* dec = win.Action(QStringLiteral("ActionZoomDec"));
    win.SetZoomFactor(145);
    inc->trigger();
    EXPECT_EQ(win.GetZoomFactor(), 150.0f);
    EXPECT_FALSE(inc->isEnabled());
    EXPECT_TRUE(dec->isEnabled());
    win.SetZoomFactor(55);
    dec->trigger();
    EXPECT_EQ(win.GetZoomFactor(), 50.0f);
    EXPECT_FALSE(dec->isEnabled());
    EXPECT_TRUE(inc->isEnabled());
    win.SetZoomFactor(20);
    EXPECT_EQ(win.GetZoomFactor(), 50.0f);

    win.SetZoomFactor(120);
    EXPECT_FLOAT_EQ(TMainFrameTools::WidgetScale(win.PopupPanel(QStringLiteral("PanelPopUpHelp"))), 1.2f);
    EXPECT_FLOAT_EQ(TMainFrameTools::WidgetScale(win.LayoutAppTabContent()), 1.2f);
    EXPECT_EQ(win.findChild<QLabel*>(QStringLiteral("LabelPopUpHelpZoom"))->text(), QStringLiteral("120%"));
    EXPECT_EQ(fCfg->ZoomFactor(), 120.0f);

    // A customer's zoom on a kiosk with its catalogue lasts until the next
    // customer only.
    fCfg->SetQzuseMode(TQzUseMode::Kiosk);
    win.CatalogueLoaded = true;
    win.SetZoomFactor(90);
    EXPECT_EQ(fCfg->ZoomFactor(), 120.0f);
}

TEST(ToolBarKeys, CtrlTabIsSwallowedAndEnterMovesOnLikeTab)
{
    TestToolsWindow win;
    auto* page = new QWidget(win.LayoutAppTabContent());
    auto* lay = new QVBoxLayout(page);
    auto* first = new QLineEdit(page);
    auto* second = new QLineEdit(page);
    lay->addWidget(first);
    lay->addWidget(second);
    win.TabControlMain()->addWidget(page);
    win.TabControlMain()->setCurrentWidget(page);
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
    first->setFocus();
    ASSERT_TRUE(testsupport::waitFor([&] { return first->hasFocus(); }, 5000));
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_TRUE(second->hasFocus());

    EXPECT_TRUE(win.FormKeyDown(Qt::Key_Tab, Qt::ControlModifier));
    EXPECT_FALSE(win.FormKeyDown(Qt::Key_Tab, Qt::NoModifier));
    EXPECT_EQ(win.TabControlMain()->currentWidget(), page);
}

TEST(ToolBarKeys, CtrlKWithASecondLetterRunsTheMaintenanceShortcut)
{
    TestToolsWindow win;
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
    // K alone does nothing; K held with Z clears the cache.
    QTest::keyPress(&win, Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(win.Infos.isEmpty());
    QTest::keyPress(&win, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyRelease(&win, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyRelease(&win, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(win.Infos, QStringList { QStringLiteral("Cache cleared !") });
    EXPECT_TRUE(win.Warnings.isEmpty());
    EXPECT_TRUE(win.KeysDown().isEmpty());
    // Z without K held is no shortcut.
    QTest::keyClick(&win, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(win.Infos.size(), 1);
}

TEST(ToolBarActions, ModeRefusalsAndHomeChoice)
{
    TestToolsWindow win;
    // In kiosk use the update and full-screen actions are never offered; run
    // all the same, they refuse.
    struct KioskWindow : TestToolsWindow {
        bool IsKiosk() override { return true; }
    } kiosk;
    kiosk.Action(QStringLiteral("ActionUpdateApp"))->setVisible(true);
    kiosk.Action(QStringLiteral("ActionUpdateApp"))->setEnabled(true);
    kiosk.Errors.clear();
    kiosk.Action(QStringLiteral("ActionUpdateApp"))->trigger();
    EXPECT_EQ(kiosk.Errors, QStringList { QStringLiteral("TMainNavi.ActionUpdateAppExecute: unexpected call") });
    kiosk.Errors.clear();
    kiosk.Action(QStringLiteral("ActionFullScreen"))->setEnabled(true);
    kiosk.Action(QStringLiteral("ActionFullScreen"))->trigger();
    EXPECT_EQ(kiosk.Errors, QStringList { QStringLiteral("TMainNavi.ActionFullScreenExecute: unexpected call") });

    // "Home" with an order in use asks through the back-home popup.
    QStringList pushed;
    QStringList log;
    TMainFrameTools::PopupClassRegister(QStringLiteral("TCtrlPopupBackHome"), [&](IMainFrame* main, TPopupPanel* bg) {
        pushed << bg->objectName();
        return TCtrlCommonBase::Create<RecPopup>(main, bg, QStringLiteral("backHome"), &log);
    });
    TMainFrameTools::setActionActivatedStatus(win.Action(QStringLiteral("ActionCancelOrder")), true);
    win.Action(QStringLiteral("ActionStartAgain"))->setEnabled(true);
    win.ActionStartAgainExecute();
    EXPECT_EQ(pushed, QStringList { QStringLiteral("PanelPopupBackHome") });
    EXPECT_TRUE(log.contains(QStringLiteral("backHome.open")));
    TMainFrameTools::PopupClassRegister(QStringLiteral("TCtrlPopupBackHome"), nullptr);

    // An unregistered popup says so.
    win.Action(QStringLiteral("ActionMyAccount"))->setEnabled(true);
    win.Action(QStringLiteral("ActionMyAccount"))->trigger();
    EXPECT_TRUE(win.Errors.last().contains(QStringLiteral("TCtrlPopupMyAccount")));

    // Cancelling the order asks first; yes resets on the GUI Queue.
    win.ActionCancelOrderExecute();
    EXPECT_EQ(win.OrderResets, 0);
    win.popupCloseAll();
}

TEST_F(ToolsConfigTest, SaveOrderKeepsADatedCopyAndOpensItsFolder)
{
    TestToolsWindow win(fCfg.get());
    win.ActionSaveOrderExecute();
    EXPECT_TRUE(win.Infos.isEmpty()); // no automatic backup yet
    QFile backup(fCfg->GetFileOrderBackupPath());
    ASSERT_TRUE(backup.open(QIODevice::WriteOnly));
    backup.write("<order/>");
    backup.close();
    win.ActionSaveOrderExecute();
    const QStringList copies = TFileTools::GetFiles(fCfg->CalcOrderBackupPath(), { QStringLiteral("*.qzo") });
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d\\d\\d\\.qzo$"))
                    .match(QFileInfo(copies[0]).fileName())
                    .hasMatch());
    EXPECT_EQ(TAppTools::LoadByteArrayFromFile(copies[0]), QByteArray("<order/>"));
    ASSERT_EQ(win.Infos.size(), 1);
    EXPECT_EQ(win.Infos[0], QStringLiteral("Your order is now backuped in \"%1\"").arg(copies[0]));
    EXPECT_EQ(win.Opened, QStringList { QUrl::fromLocalFile(fCfg->CalcOrderBackupPath()).toString() });
    EXPECT_TRUE(win.Action(QStringLiteral("ActionLoadOrder"))->isVisible());
}

// ------------------------------------------------------------ update policy

namespace {

QByteArray programWithVersion(const QString& version)
{
    return QByteArray(400, '\0') + QByteArray("@(#)") + "KIOSKVERSION " + version.toLatin1() + '\0' + QByteArray(200, 'x');
}

// The running version with its build number moved by delta.
QString runningVersionPlus(int delta)
{
    QStringList parts = TAppTools::GetAppVersionStr().split(QLatin1Char('.'));
    parts[3] = QString::number(parts[3].toInt() + delta);
    return parts.join(QLatin1Char('.'));
}

} // namespace

TEST_F(ToolsConfigTest, StartPolicyLaunchesPurgesOrWaits)
{
    struct Case {
        const char* name;
        int versionDelta; // no candidate when 99
        QByteArray updateMode; // null: no file
        bool skipped;
        bool launched;
        bool purged;
    };
    const Case cases[] = {
        { "newer, Start", 1, "Start", true, true, false },
        { "newer, Manual", 1, "Manual\r\n", true, true, false },
        { "newer, no mode file (Stop)", 1, QByteArray(), false, false, false },
        { "same version", 0, "Start", false, false, true },
        { "corrupt candidate", -99, "Start", false, false, true },
        { "no candidate", 99, "Start", false, false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestToolsWindow win(fCfg.get());
        const QString folder = win.GetFolderUpdatePathWithOs();
        QDir(win.SelfUpdate().GetUpdateInstallRoot()).removeRecursively();
        QDir().mkpath(folder);
        const QString candidate = QDir(folder).filePath(TFileTools::AppExeName());
        if (c.versionDelta == -99)
            TAppTools::WriteByteArrayToFile(QByteArray(50, 'x') + "@(#)KIOSKVERS", candidate);
        else if (c.versionDelta != 99)
            TAppTools::WriteByteArrayToFile(programWithVersion(runningVersionPlus(c.versionDelta)), candidate);
        TAppTools::WriteByteArrayToFile("x", QDir(folder).filePath(QStringLiteral("lib.so")));
        const QString modeFile = QDir(fCfg->CalcTempPath()).filePath(QStringLiteral("updateMode.txt"));
        QFile::remove(modeFile);
        if (!c.updateMode.isNull())
            TAppTools::WriteByteArrayToFile(c.updateMode, modeFile);

        EXPECT_EQ(win.GetLaunchMode(), TLaunchMode::Normal);
        EXPECT_EQ(win.updatePolicyAtStart(), c.skipped);
        win.RunQueue();
        EXPECT_EQ(!win.Started.empty(), c.launched);
        if (c.launched) {
            EXPECT_EQ(win.Started[0].program, candidate);
            EXPECT_EQ(win.Started[0].args, QStringList { QStringLiteral("update=") + TFileTools::AppExePath() });
        }
        EXPECT_EQ(!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("lib.so"))), c.purged);
    }
}

TEST_F(ToolsConfigTest, UpdateLaunchModeSkipsTheStartAndQueuesTheCopy)
{
    TestToolsWindow win(fCfg.get());
    const QString installed = fDir.filePath(QStringLiteral("installed"));
    win.Args = { QStringLiteral("\"update=") + installed + QLatin1Char('"') };
    EXPECT_TRUE(win.updatePolicyAtStart());
    EXPECT_EQ(win.GetLaunchMode(), TLaunchMode::Update);
    EXPECT_EQ(win.SelfUpdate().UpdatePath(), installed);
    EXPECT_TRUE(win.GuiTaskQueue()->hasTasks());
    // The target does not exist: the queued run fails before copying
    // anything, and starts nothing.
    win.RunQueue();
    EXPECT_TRUE(win.Started.empty());
}

TEST_F(ToolsConfigTest, RunWinExeSplitsTheCommandLine)
{
    TestToolsWindow win(fCfg.get());
    win.RunWinExe(QStringLiteral("\"/opt/my kiosk/prog\" \"update=/opt/a b\""), 0x08000000);
    ASSERT_EQ(win.Started.size(), 1u);
    EXPECT_EQ(win.Started[0].program, QStringLiteral("/opt/my kiosk/prog"));
    EXPECT_EQ(win.Started[0].args, QStringList { QStringLiteral("update=/opt/a b") });
}
