#include "AppTestSupport.h"
#include "UCtrlTileChoiceHomeProducts.h"
#include "LabServiceSim.h"
#include "LogCapture.h"
#include "LumLabService.h"
#include "ULangTexts.h"
#include "UPopupPanel.h"
#include "USoapHttpTrans.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UWorkflowSteps.h"

#include <QAbstractButton>
#include <QJsonArray>
#include <QJsonObject>

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/time.h>

namespace {

QString visibleMessage(QWidget* win)
{
    for (auto* l : win->findChildren<QLabel*>(QStringLiteral("LabelMsgBoxMsg")))
        if (l->isVisible())
            return l->text();
    return QString();
}

// Sets a folder's modification time that many days back.
void ageFolder(const QString& path, int days)
{
    const qint64 when = QDateTime::currentDateTime().addDays(-days).addSecs(-60).toSecsSinceEpoch();
    timeval times[2] { { time_t(when), 0 }, { time_t(when), 0 } };
    ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), times), 0);
}

} // namespace

TEST_F(MainNaviTest, StartsOnTheStartTabAndOpensTheLanguagePopupOnce)
{
    TMainNavi w(fCfg.get());
    w.resize(1280, 800);
    w.show();
    EXPECT_EQ(w.TabControlMain()->currentWidget()->objectName(), QStringLiteral("TabItem_0000appStart"));
    EXPECT_TRUE(w.TimerQueue()->isActive());
    // The language load ends at once for now: the popup opens and closes.
    EXPECT_TRUE(testsupport::waitFor([&] { return !w.GuiTaskQueue()->hasTasks() && w.Popups().Count() == 0; }));
    EXPECT_FALSE(w.PopupPanel(QStringLiteral("PanelPopupLangText"))->isVisible());
    const QString shot = QCoreApplication::applicationDirPath() + QStringLiteral("/mainnavi_start.png");
    EXPECT_TRUE(w.grab().save(shot));
}

TEST_F(MainNaviTest, CloseAsksOnceNoKeepsTheWindowYesCloses)
{
    TMainNavi w(fCfg.get());
    w.resize(1280, 800);
    w.show();
    ASSERT_TRUE(testsupport::waitFor([&] { return !w.GuiTaskQueue()->hasTasks() && w.Popups().Count() == 0; }));

    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(visibleMessage(&w), QStringLiteral("Do you really want to exit %1 application ?").arg(TAppTools::GetAppNameStr()));
    QTest::mouseClick(visibleButton(&w, "ButtonMsgBox2"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.Popups().Count(), 0);
    EXPECT_EQ(w.CloseMode(), TCloseMode::CloseToAsk);

    EXPECT_FALSE(w.close());
    QTest::mouseClick(visibleButton(&w, "ButtonMsgBox1"), Qt::LeftButton);
    EXPECT_TRUE(testsupport::waitFor([&] { return !w.isVisible(); }));
    EXPECT_EQ(w.CloseMode(), TCloseMode::CloseAsked);
    EXPECT_EQ(w.Popups().Count(), 0); // no second question
}

TEST_F(MainNaviTest, BackupDelayZeroDisablesTheTimerButDestroyWritesTheLastBackup)
{
    const QString file = fCfg->FilePath();
    {
        TMainNavi w(fCfg.get());
        EXPECT_FALSE(w.TimerBackupAuto()->isActive());
        fCfg->SetLanguage(QStringLiteral("de"));
        EXPECT_FALSE(testsupport::readAll(file).contains(">de</Config.Language>"));
    }
    EXPECT_TRUE(testsupport::readAll(file).contains(">de</Config.Language>"));
}

TEST_F(MainNaviTest, BackupDelayArmsTheTimer)
{
    fCfg->SetBackupAutoDelayS(15);
    TMainNavi w(fCfg.get());
    EXPECT_TRUE(w.TimerBackupAuto()->isActive());
    EXPECT_EQ(w.TimerBackupAuto()->interval(), 15000);
}

TEST_F(MainNaviTest, BusyWebServiceQueueDoesNotHoldBackConfigurationBackup)
{
    LogCapture logs;
    TMainNavi w(fCfg.get());
    std::atomic<bool> release { false };
    std::atomic<bool> running { false };
    w.WebSvcAddCall([&] {
        running = true;
        while (!release)
            QThread::msleep(5);
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return running.load(); }));
    fCfg->SetLanguage(QStringLiteral("fr"));
    w.OnBackupAuto(false);
    EXPECT_TRUE(testsupport::readAll(fCfg->FilePath()).contains(">fr</Config.Language>"));
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("TMainNavi.OnBackupAuto postponed, web svc queue busy")));
    release = true;
}

TEST_F(MainNaviTest, WebServiceQueueBuildsItsOwnLabClient)
{
    LogCapture logs;
    fCfg->SetServerUrl(QStringLiteral("http://127.0.0.1:9/JPN/"));
    TMainNavi w(fCfg.get());
    std::atomic<bool> done { false };
    QString url;
    int timeout = 0;
    w.WebSvcAddCall([&] {
        ILumLabServiceRef lab = TThreadTaskWebSvcQueue::Current()->mainFrame()->GetWebSvcLum();
        url = lab->Transport().URL();
        timeout = lab->Transport().ReceiveTimeout();
        done = true;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return done.load(); }));
    EXPECT_EQ(url, QStringLiteral("http://127.0.0.1:9/JPN/LumLabService.svc"));
    EXPECT_EQ(timeout, 300000);
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("Connecting to webService: http://127.0.0.1:9/JPN/LumLabService.svc")));
    try {
        w.GetWebSvcLum();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TMainNavi.GetWebSvcLum: not implemented"));
    }
}

namespace {
class KioskModeNavi : public TMainNavi {
public:
    using TMainNavi::TMainNavi;
    quint8 mode = 21;
    int backOfficeOpened = 0;
    quint8 QzConnectionMode() override { return mode; }

protected:
    void hiddenBackOfficeOpen() override { ++backOfficeOpened; }
};
}

TEST_F(MainNaviTest, KioskFoldersDropDatedSubfoldersAfterFourteenDays)
{
    KioskModeNavi w(fCfg.get());
    const QString base = fCfg->CalcLocalOrdersPath();
    w.mode = 10;
    w.kioskInit();
    EXPECT_FALSE(QDir(base + QStringLiteral("/Archive")).exists());

    w.mode = 21;
    QDir().mkpath(base + QStringLiteral("/Archive/old"));
    QDir().mkpath(base + QStringLiteral("/Archive/recent"));
    QDir().mkpath(base + QStringLiteral("/Direct/old"));
    ageFolder(base + QStringLiteral("/Archive/old"), 14);
    ageFolder(base + QStringLiteral("/Archive/recent"), 13);
    ageFolder(base + QStringLiteral("/Direct/old"), 20);
    w.kioskInit();
    EXPECT_TRUE(QDir(base + QStringLiteral("/Ready")).exists());
    EXPECT_FALSE(QDir(base + QStringLiteral("/Archive/old")).exists());
    EXPECT_TRUE(QDir(base + QStringLiteral("/Archive/recent")).exists());
    EXPECT_FALSE(QDir(base + QStringLiteral("/Direct/old")).exists());
}

TEST_F(MainNaviTest, TenTitleClicksOpenTheBackOfficeNineAndAPauseReset)
{
    KioskModeNavi w(fCfg.get());
    for (int i = 0; i < 9; ++i)
        w.LayoutBarTitleClick();
    EXPECT_EQ(w.HiddenClickCount(), 9);
    w.TimerPopUpHiddenClickTimer(); // two seconds without a click
    EXPECT_EQ(w.HiddenClickCount(), 0);
    for (int i = 0; i < 10; ++i)
        w.LayoutBarTitleClick();
    EXPECT_EQ(w.backOfficeOpened, 1);
    EXPECT_EQ(w.HiddenClickCount(), 0);
}

TEST_F(MainNaviTest, AnExceptionFromAnEventHandlerIsShown)
{
    TMainNavi w(fCfg.get());
    w.resize(1280, 800);
    w.show();
    ASSERT_TRUE(testsupport::waitFor([&] { return w.Popups().Count() == 0 && !w.GuiTaskQueue()->hasTasks(); }));
    w.AppException(EUser(QStringLiteral("Please choose a size")));
    EXPECT_EQ(visibleMessage(&w), QStringLiteral("Please choose a size"));
}

// The whole start of the program against the lab simulator: language popup,
// connection step with the stored log-in, catalogue, home step.
class MainNaviLabTest : public MainNaviTest {
protected:
    void SetUp() override
    {
        MainNaviTest::SetUp();
        ASSERT_TRUE(fSim.start()) << fSim.error().toStdString();
        fCfg->SetServerUrl(fSim.baseUrl() + QLatin1Char('/'));
        fCfg->SetLogin(QStringLiteral("kiosk-demo"));
        fCfg->SetPassword(QStringLiteral("secret"));
    }

    static QString currentTab(TMainNavi& w) { return w.TabControlMain()->currentWidget()->objectName(); }

    testsupport::LabSim fSim;
};

TEST_F(MainNaviLabTest, StartLogsInToTheLabAndReachesTheHomeStep)
{
    TMainNavi w(fCfg.get());
    w.resize(1280, 800);
    w.show();
    const QString home = WorkflowSteps::TCtrlTileChoiceHomeProducts.TabName();
    ASSERT_TRUE(testsupport::waitFor([&] { return currentTab(w) == home; }, 60000)) << currentTab(w).toStdString();
    ASSERT_NE(w.ShopInfo(), nullptr);
    EXPECT_TRUE(w.IsOnline());
    // The catalogue's parts load in the background once home is shown.
    ASSERT_TRUE(testsupport::waitFor([&] { return w.getProductVisibility(pvt_all) == pvm_visible; }, 60000));
    bool loggedIn = false;
    for (const QJsonValue& v : fSim.journal())
        loggedIn |= v.toObject().value(QStringLiteral("operation")).toString() == QStringLiteral("GetConsumerByLogin");
    EXPECT_TRUE(loggedIn);

    // The home step shows one tile per family the shop offers, with its
    // picture.
    auto* homeStep = dynamic_cast<TCtrlTileChoiceHomeProducts*>(w.ActiveStep().get());
    ASSERT_NE(homeStep, nullptr);
    const std::pair<THomeButton*, TProductVisibilityType> tiles[] = {
        { homeStep->ButtonHomePrints, pvt_print }, { homeStep->ButtonHomePhotoBooks, pvt_book },
        { homeStep->ButtonHomeCalendars, pvt_calendar }, { homeStep->ButtonHomeCards, pvt_card },
        { homeStep->ButtonHomeDesignerPrints, pvt_photoprod },
    };
    int shown = 0;
    for (const auto& [tile, family] : tiles) {
        SCOPED_TRACE(tile->caption().toStdString());
        const bool offered = w.getProductVisibility(family) != pvm_hidden;
        ASSERT_TRUE(testsupport::waitFor([&] { return tile->isVisible() == offered; }, 30000));
        if (offered) {
            ++shown;
            ASSERT_NE(tile->homeImage(), nullptr) << "the tile's picture is a resource of the program";
            ASSERT_TRUE(testsupport::waitFor([&] { return tile->drawLayout()->Drawn(); }, 30000));
        }
    }
    EXPECT_GE(shown, 1);
    EXPECT_EQ(w.getProductVisibility(pvt_print), pvm_visible) << "the demonstration shop sells prints";
    QDir().mkpath(QStringLiteral("/tmp/shots"));
    EXPECT_TRUE(w.grab().save(QStringLiteral("/tmp/shots/app_home.png")));
    EXPECT_TRUE(w.grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/mainnavi_home.png")));
}

TEST_F(MainNaviLabTest, ChoosingALanguageLoadsItFromTheLabAndSwitchesTheScreen)
{
    TMainNavi w(fCfg.get());
    w.resize(1280, 800);
    w.show();
    const QString home = WorkflowSteps::TCtrlTileChoiceHomeProducts.TabName();
    ASSERT_TRUE(testsupport::waitFor([&] { return currentTab(w) == home; }, 60000)) << currentTab(w).toStdString();
    // A text the home screen shows.
    auto shown = [&](const QString& text) {
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
            if (b->isVisible() && b->text() == text)
                return true;
        return false;
    };
    EXPECT_TRUE(shown(QStringLiteral("Prints")));

    // The language button of the tool bar offers the lab's languages.
    w.Action(QStringLiteral("ActionLang"))->trigger();
    QPushButton* german = nullptr;
    ASSERT_TRUE(testsupport::waitFor([&] {
        german = w.findChild<QPushButton*>(QStringLiteral("btnLang_de"));
        return german && german->isVisible();
    }, 30000));
    QTest::mouseClick(german, Qt::LeftButton);
    // The dictionaries come from the lab on the web-service queue; the
    // screen switches and every popup closes.
    ASSERT_TRUE(testsupport::waitFor([&] { return shown(QStringLiteral("Fotoabzüge")); }, 60000));
    ASSERT_TRUE(testsupport::waitFor([&] { return w.popupShownGet(0) == nullptr; }, 30000));
    EXPECT_EQ(LangTexts::Shell::GoBack.Text(), QStringLiteral("Zurück"));
    EXPECT_EQ(w.Lang(), QStringLiteral("de"));
    // Both parts of the chosen language were asked of the lab.
    int germanParts = 0;
    for (const QJsonValue& v : fSim.journal()) {
        const QJsonObject call = v.toObject();
        if (call.value(QStringLiteral("operation")).toString() == QStringLiteral("GetLangDico")
            && call.value(QStringLiteral("body")).toString().contains(QStringLiteral("<isoCode>de</isoCode>")))
            ++germanParts;
    }
    EXPECT_EQ(germanParts, 2);
    EXPECT_TRUE(w.grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/mainnavi_german.png")));
}

TEST_F(MainNaviLabTest, WithTheLabStoppedAKioskAccountStartsFromItsCachedCatalogue)
{
    // A kiosk-mode account ("L") may work off-line.
    testsupport::labServiceControl(fSim, { { "cmd", "set" }, { "record", "zebconsumer" },
                                           { "values", QJsonObject { { "BorneModeCommunication", "L" } } } });
    const QString home = WorkflowSteps::TCtrlTileChoiceHomeProducts.TabName();
    {
        TMainNavi w(fCfg.get());
        w.show();
        ASSERT_TRUE(testsupport::waitFor([&] { return currentTab(w) == home; }, 60000));
        ASSERT_TRUE(testsupport::waitFor([&] { return w.getProductVisibility(pvt_all) == pvm_visible; }, 60000));
    }
    fSim.stop();
    TMainNavi w(fCfg.get());
    w.show();
    ASSERT_TRUE(testsupport::waitFor([&] { return currentTab(w) == home; }, 60000)) << currentTab(w).toStdString();
    ASSERT_NE(w.ShopInfo(), nullptr);
    EXPECT_FALSE(w.IsOnline());
    EXPECT_EQ(w.QzConnectionMode(), 21);
}

TEST_F(MainNaviLabTest, WithTheLabStoppedAndNoCacheTheConnectionStepShowsWhy)
{
    fSim.stop();
    TMainNavi w(fCfg.get());
    w.show();
    ASSERT_TRUE(testsupport::waitFor([&] { return !visibleMessage(&w).isEmpty(); }, 60000));
    EXPECT_TRUE(visibleMessage(&w).contains(QStringLiteral("server not available"))) << visibleMessage(&w).toStdString();
    EXPECT_EQ(currentTab(w), WorkflowSteps::TCtrlConnec.TabName());
    EXPECT_EQ(w.ShopInfo(), nullptr);
}
