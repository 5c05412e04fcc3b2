// The customer session of the program's window: the session predicate and
// the kiosk-in-use marker, the idle countdown driven by the test (the
// test is the clock), the order archive, the device watch over fake
// volumes, the display factors and the Bluetooth hooks.
#include "AppTestSupport.h"
#include "DriveFakes.h"
#include "LabServiceSim.h"
#include "TestSupport.h"
#include "UCtrlPopupBase.h"
#include "ULabOrderContracts.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "UQzFileSystemBluetooth.h"
#include "UWorkflowDataSource.h"
#include "UWorkflowSteps.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QStackedWidget>
#include <gtest/gtest.h>
#include <thread>

using testsupport::waitFor;

namespace {

// A Bluetooth service without radio: the adapter answers as told.
class FakeBtService : public TBluetoothServiceBase {
public:
    explicit FakeBtService(bool connected)
        : TBluetoothServiceBase({ QStringLiteral("*.jpg") })
        , fConnected(connected)
    {
    }
    QString AdapterName() override { return QStringLiteral("KIOSK-BT"); }
    QString AdapterPwd() override { return QStringLiteral("4321"); }
    bool AdapterConnected() override { return fConnected; }

private:
    bool fConnected;
};

class SessionNavi : public TMainNavi {
public:
    SessionNavi(TConfig* cfg, std::shared_ptr<mediafakes::FakeVolumes> volumes)
        : TMainNavi(cfg)
        , fVolumes(std::move(volumes))
    {
    }
    using TMainNavi::mediaRootCreate;
    std::function<std::unique_ptr<TBluetoothServiceBase>(TBluetoothMode)> btFactory;
    int btCreated = 0;

protected:
    TQzfsRootSources mediaSources() override
    {
        TQzfsRootSources s;
        s.volumes = fVolumes;
        s.bluetooth = [this](IQzfsRoot* root) -> IQzfsFolderRef {
            return std::make_shared<TQzfsFolderBluetoothRoot>(root->mainFrame(), QStringLiteral("bt:"), BluetoothPath());
        };
        return s;
    }
    std::unique_ptr<TBluetoothServiceBase> bluetoothServiceCreate(TBluetoothMode mode) override
    {
        ++btCreated;
        if (!btFactory)
            throw Exception(QStringLiteral("adapter held by another program"));
        return btFactory(mode);
    }

private:
    std::shared_ptr<mediafakes::FakeVolumes> fVolumes;
};

// The countdown popup as the screens build it: it takes the window's
// TimerUserIdle over; the test ticks it.
class CountdownPopup : public TCtrlPopupHard {
public:
    using TCtrlPopupHard::TCtrlPopupHard;
    static inline CountdownPopup* current = nullptr;

    void OnOpen(IMainFrame* main) override
    {
        TCtrlPopupHard::OnOpen(main);
        fRemaining = 60;
        current = this;
    }
    void OnClose() override
    {
        current = nullptr;
        TCtrlPopupHard::OnClose();
    }
    // One second of the countdown.
    void tick()
    {
        if (--fRemaining > 0)
            return;
        IMainFrame* main = fMain;
        main->orderCancelAndUserPrefReset();
        Close();
    }
    int Remaining() const { return fRemaining; }

private:
    int fRemaining = 60;
};

// A popup that wants the Bluetooth service's news.
class BtPopup : public TCtrlPopupHard, public IBluetoothObexNotif {
public:
    using TCtrlPopupHard::TCtrlPopupHard;
    void OnRecvConnecStart(TBluetoothServiceBase*) override { log << QStringLiteral("connec"); }
    void OnRecvFileStart(TBluetoothServiceBase*, const QString& f, qint64) override { log << QStringLiteral("start:") + f; }
    void OnRecvFileProgress(TBluetoothServiceBase*, const QString&, qint64, qint64) override { }
    void OnRecvFileEnd(TBluetoothServiceBase*, const QString& f, qint64) override { log << QStringLiteral("end:") + f; }
    void OnRecvConnecEnd(TBluetoothServiceBase*) override { }
    bool OnRecvConnecError(TBluetoothServiceBase*, const std::exception&) override { return true; }
    void OnRecvServiceError(const std::exception& e) override { log << QStringLiteral("error:") + ExceptionMessage(e); }
    void OnRecvServiceStatus() override { log << QStringLiteral("status"); }
    QStringList log;
};

class DevicesObserver : public IMainObserver {
public:
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override
    {
        if (evtype == moe_devices)
            seen.push_back(data);
    }
    std::vector<void*> seen;
};

QString currentTab(TMainNavi& w)
{
    return w.TabControlMain()->currentWidget()->objectName();
}

// A kiosk account of the lab simulator: the window reaches home with the
// whole catalogue, in kiosk use.
class SessionLabTest : public MainNaviTest {
protected:
    void SetUp() override
    {
        MainNaviTest::SetUp();
        ASSERT_TRUE(fSim.start()) << fSim.error().toStdString();
        fCfg->SetServerUrl(fSim.baseUrl() + QLatin1Char('/'));
        fCfg->SetLogin(QStringLiteral("kiosk-demo"));
        fCfg->SetPassword(QStringLiteral("secret"));
        fCfg->SetKioskTurnOverTimer(180);
        fCfg->SetBluetoothMode(TBluetoothMode::BluetoothDisabled);
        testsupport::labServiceControl(fSim, { { "cmd", "set" }, { "record", "zebconsumer" },
                                               { "values", QJsonObject { { "BorneModeCommunication", "L" } } } });
        TMainFrameTools::PopupClassRegister(QStringLiteral("TCtrlPopupUserIdle"), [](IMainFrame* main, TPopupPanel* bg) {
            return TCtrlCommonBase::Create<CountdownPopup>(main, bg);
        });
    }
    void startKiosk(SessionNavi& w)
    {
        w.resize(1280, 800);
        w.show();
        const QString home = WorkflowSteps::TCtrlTileChoiceHomeProducts.TabName();
        ASSERT_TRUE(waitFor([&] { return currentTab(w) == home; }, 60000)) << currentTab(w).toStdString();
        ASSERT_TRUE(waitFor([&] { return w.getProductVisibility(pvt_all) == pvm_visible; }, 60000));
        ASSERT_TRUE(waitFor([&] { return w.Popups().Count() == 0 && !w.GuiTaskQueue()->hasTasks(); }));
        ASSERT_TRUE(w.IsKiosk());
        ASSERT_NE(w.GetOrder(), nullptr);
    }

    std::shared_ptr<mediafakes::FakeVolumes> fVolumes = std::make_shared<mediafakes::FakeVolumes>();
    testsupport::LabSim fSim;
};

} // namespace

TEST_F(SessionLabTest, IdleCountdownResetsOrderZoomAndLanguageAndTheMarkerFollowsTheSession)
{
    SessionNavi w(fCfg.get(), fVolumes);
    startKiosk(w);
    const QString marker = fCfg->GetKioskInUsePath();
    const QString kioskLang = w.Lang();

    // Home, order not in use, no popup, the kiosk's preferences: no session.
    EXPECT_FALSE(w.isCustomerSessionActive());
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_FALSE(w.TimerUserIdle()->isActive());

    // The customer plugs a stick in (the order is marked), zooms and picks
    // a language: a session, with its marker.
    w.orderMarkAsUsed();
    EXPECT_TRUE(w.GetOrder()->isUsed());
    EXPECT_TRUE(w.Action(QStringLiteral("ActionCancelOrder"))->isEnabled());
    EXPECT_TRUE(w.isCustomerSessionActive());
    EXPECT_TRUE(QFile::exists(marker));
    w.SetZoomFactor(120);
    w.SetThumbnailsFactor(150);
    w.languageSet(QStringLiteral("de"), false);
    EXPECT_EQ(fCfg->ZoomFactor(), 100.0f) << "a kiosk customer's zoom is not saved";
    EXPECT_EQ(fCfg->ThumbnailsFactor(), 100.0f);
    EXPECT_TRUE(w.isUserPrefChanged());

    // The turn-over time, shortened: the timer is armed with it.
    fCfg->SetKioskTurnOverTimer(2);
    w.userIdleTimerReset();
    ASSERT_TRUE(w.TimerUserIdle()->isActive());
    EXPECT_EQ(w.TimerUserIdle()->interval(), 2000);

    // Its tick (the test is the clock) opens the countdown.
    w.onUserIdleTimer();
    ASSERT_NE(CountdownPopup::current, nullptr);
    EXPECT_TRUE(w.PopupPanel(QStringLiteral("PanelPopupUserIdle"))->isVisible());
    TPrintOrder* before = w.GetOrder();
    // Activity while the countdown runs leaves it alone.
    w.userIdleTimerReset();
    ASSERT_NE(CountdownPopup::current, nullptr);
    for (int s = 0; s < 59; ++s)
        CountdownPopup::current->tick();
    EXPECT_EQ(w.GetOrder(), before);
    CountdownPopup::current->tick();
    EXPECT_EQ(CountdownPopup::current, nullptr);

    // The next customer: a new order, the kiosk's zoom, sizes and language.
    ASSERT_NE(w.GetOrder(), nullptr);
    EXPECT_FALSE(w.GetOrder()->isUsed());
    EXPECT_EQ(w.GetZoomFactor(), 100.0f);
    EXPECT_EQ(w.GetThumbnailsFactor(), 100.0f);
    EXPECT_EQ(w.Lang(), kioskLang);
    ASSERT_TRUE(waitFor([&] { return w.Popups().Count() == 0 && !w.GuiTaskQueue()->hasTasks(); }));
    EXPECT_EQ(currentTab(w), WorkflowSteps::TCtrlTileChoiceHomeProducts.TabName());
    EXPECT_FALSE(w.isCustomerSessionActive());
    EXPECT_FALSE(QFile::exists(marker)) << "the marker exists only during a session";
    EXPECT_FALSE(w.TimerUserIdle()->isActive());
}

TEST_F(SessionLabTest, SentOrdersAreArchivedOnlyWhenSentOnLineToTheLab)
{
    SessionNavi w(fCfg.get(), fVolumes);
    startKiosk(w);
    struct Case {
        const char* name;
        quint8 mode;
        TSendType sendType;
        bool received;
        bool archived;
    } cases[] = {
        { "on line, uploaded, lab record", 10, TSendType::stUpload, true, true },
        { "off line", 11, TSendType::stUpload, true, false },
        { "saved to disk", 10, TSendType::stSave, true, false },
        { "no lab record", 10, TSendType::stUpload, false, false },
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString number = QStringLiteral("47%1").arg(++n);
        w.onCtrlImgSendChangeConnectionMode(c.mode);
        EXPECT_EQ(w.QzConnectionMode(), c.mode);
        EXPECT_EQ(w.IsOnline(), c.mode == 10);
        TPrintOrder* order = w.GetOrder();
        order->markAsUsed();
        order->SetSendType(c.sendType);
        if (c.received) {
            auto cmd = std::make_unique<Commande2>();
            cmd->setNumero(number);
            order->SetWebSvcOrderReceived(std::move(cmd));
        }
        // The backup of the order in progress exists.
        testsupport::writeAll(fCfg->GetFileOrderBackupPath(), "<order/>");
        w.orderArchive();
        EXPECT_EQ(QFile::exists(QDir(fCfg->CalcOrderArchivePath()).filePath(number + QStringLiteral(".qzo"))),
                  c.archived);
        order->SetWebSvcOrderReceived(nullptr);
    }
    EXPECT_THROW(w.onCtrlImgSendChangeConnectionMode(21), Exception);

    // The end of sending without payment: the next customer starts.
    w.GetOrder()->markAsUsed();
    w.onCtrlImgSendEnd(false);
    EXPECT_FALSE(w.GetOrder()->isUsed());
}

TEST_F(SessionLabTest, AnUnreadableBackupIsDroppedAndAMissingOneGivesAnEmptyOrder)
{
    SessionNavi w(fCfg.get(), fVolumes);
    startKiosk(w);
    QFile::remove(fCfg->GetFileOrderBackupPath());
    w.orderReload();
    ASSERT_NE(w.GetOrder(), nullptr);
    EXPECT_FALSE(w.GetOrder()->isUsed());
    EXPECT_EQ(w.Popups().Count(), 0) << "no warning";

    testsupport::writeAll(fCfg->GetFileOrderBackupPath(), "this is no order");
    w.orderReload();
    ASSERT_NE(w.GetOrder(), nullptr);
    EXPECT_FALSE(w.GetOrder()->isUsed());
    EXPECT_GE(w.Popups().Count(), 1) << "the failure is shown";
}

TEST_F(MainNaviTest, DeviceWatchReportsTheFirstTickThenOnlyChanges)
{
    auto volumes = std::make_shared<mediafakes::FakeVolumes>();
    SessionNavi w(fCfg.get(), volumes);
    w.mediaRootCreate();
    auto observer = std::make_shared<DevicesObserver>();
    EXPECT_FALSE(w.TimerDeviceWatch()->isActive());
    w.EventObserverRegister(observer, moe_devices);
    ASSERT_TRUE(w.TimerDeviceWatch()->isActive());
    EXPECT_EQ(w.TimerDeviceWatch()->interval(), 1000);

    w.TimerDeviceWatchTimer();
    ASSERT_EQ(observer->seen.size(), 1u) << "the first observer hears the first tick";
    auto* root = static_cast<std::shared_ptr<IQzfsRoot>*>(observer->seen[0]);
    EXPECT_EQ(*root, w.RootFolder());
    w.TimerDeviceWatchTimer();
    EXPECT_EQ(observer->seen.size(), 1u) << "nothing changed";

    QTemporaryDir stick;
    volumes->plug(stick.path(), QStringLiteral("/dev/sdc1"), mediafakes::FakeVolumes::stick(QStringLiteral("ABCD-0001")));
    w.TimerDeviceWatchTimer();
    EXPECT_EQ(observer->seen.size(), 2u) << "a stick came";
    w.TimerDeviceWatchTimer();
    EXPECT_EQ(observer->seen.size(), 2u);
    volumes->pull(stick.path());
    w.TimerDeviceWatchTimer();
    EXPECT_EQ(observer->seen.size(), 3u) << "it went";

    w.EventObserverUnregister(observer, moe_devices);
    EXPECT_FALSE(w.TimerDeviceWatch()->isActive());
}

TEST_F(MainNaviTest, DisplayFactorsAreClampedAndRaiseOnlyOnChange)
{
    SessionNavi w(fCfg.get(), std::make_shared<mediafakes::FakeVolumes>());
    struct Counter : IMainObserver {
        int n = 0;
        void OnMainObservedEvent(TMainObservedEvent e, void*) override { n += e == moe_thumbnailsSize; }
    };
    auto counter = std::make_shared<Counter>();
    w.EventObserverRegister(counter, moe_thumbnailsSize);
    struct Case {
        const char* name;
        float asked, expected;
        int events;
    } cases[] = {
        { "above the top", 1000, 400, 1 }, { "same again", 400, 400, 0 }, { "below the bottom", 10, 50, 1 },
        { "inside", 175, 175, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = counter->n;
        w.SetThumbnailsFactor(c.asked);
        EXPECT_EQ(w.GetThumbnailsFactor(), c.expected);
        EXPECT_EQ(counter->n - before, c.events);
        w.SetThumbnailsBigFactor(c.asked);
        EXPECT_EQ(w.GetThumbnailsBigFactor(), c.expected);
        w.SetThumbnailsOvwFactor(c.asked);
        EXPECT_EQ(w.GetThumbnailsOvwFactor(), c.expected);
    }
    // Without a catalogue the choice is the store's: saved.
    EXPECT_EQ(fCfg->ThumbnailsFactor(), 175.0f);

    w.SetZoomFactor(40);
    EXPECT_EQ(w.GetZoomFactor(), 50.0f);
    EXPECT_FALSE(w.Action(QStringLiteral("ActionZoomDec"))->isEnabled());
    w.SetZoomFactor(150);
    EXPECT_EQ(w.GetZoomFactor(), 150.0f);
    EXPECT_FALSE(w.Action(QStringLiteral("ActionZoomInc"))->isEnabled());
    EXPECT_TRUE(w.Action(QStringLiteral("ActionZoomDec"))->isEnabled());
}

TEST_F(MainNaviTest, BluetoothModesFollowTheConfigurationAndTheAdapter)
{
    SessionNavi w(fCfg.get(), std::make_shared<mediafakes::FakeVolumes>());
    struct Case {
        const char* name;
        TBluetoothMode configured;
        QString deviceId;
        int adapter; // -1 the start raises, 0 no adapter, 1 adapter
        TBluetoothMode answered;
    } cases[] = {
        { "disabled by configuration", TBluetoothMode::BluetoothDisabled, {}, 1, TBluetoothMode::BluetoothDisabled },
        { "extern without device id", TBluetoothMode::BluetoothExtern, {}, 1, TBluetoothMode::BluetoothDisabled },
        { "no adapter", TBluetoothMode::BluetoothAuto, {}, 0, TBluetoothMode::BluetoothDisabled },
        { "adapter", TBluetoothMode::BluetoothEnabled, {}, 1, TBluetoothMode::BluetoothEnabled },
        { "start raises: the screen reports it", TBluetoothMode::BluetoothAuto, {}, -1, TBluetoothMode::BluetoothEnabled },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.bluetoothServiceFree();
        fCfg->SetBluetoothMode(c.configured);
        fCfg->SetBluetoothDeviceId(c.deviceId);
        w.btFactory = nullptr;
        if (c.adapter >= 0)
            w.btFactory = [c](TBluetoothMode) { return std::make_unique<FakeBtService>(c.adapter == 1); };
        EXPECT_EQ(w.BluetoothMode(), c.answered);
        EXPECT_EQ(w.BluetoothDeviceId().isEmpty(), c.adapter != 1 || c.answered != TBluetoothMode::BluetoothEnabled);
    }
}

TEST_F(MainNaviTest, BluetoothPopupStartsTheServiceAndReceivedPicturesJoinTheInbox)
{
    fCfg->SetBluetoothMode(TBluetoothMode::BluetoothEnabled);
    SessionNavi w(fCfg.get(), std::make_shared<mediafakes::FakeVolumes>());
    w.resize(1280, 800);
    w.show();
    ASSERT_TRUE(waitFor([&] { return w.Popups().Count() == 0 && !w.GuiTaskQueue()->hasTasks(); }));
    w.mediaRootCreate();

    // The adapter is held by another program: the popup is told why.
    auto failing = TCtrlCommonBase::Create<BtPopup>(&w, w.PopupPanel(QStringLiteral("PanelPopUpHelp")));
    w.popupAdd(failing);
    ASSERT_FALSE(failing->log.isEmpty());
    EXPECT_TRUE(failing->log.last().startsWith(QStringLiteral("error:"))) << failing->log.join(' ').toStdString();
    EXPECT_TRUE(failing->log.last().contains(QStringLiteral("can't start bluetooth sever")));
    EXPECT_EQ(w.BluetoothService(), nullptr);
    w.popupClose(failing);

    w.btFactory = [](TBluetoothMode) { return std::make_unique<FakeBtService>(true); };
    auto popup = TCtrlCommonBase::Create<BtPopup>(&w, w.PopupPanel(QStringLiteral("PanelPopUpHelp")));
    w.popupAdd(popup);
    ASSERT_NE(w.BluetoothService(), nullptr);
    EXPECT_EQ(popup->log, QStringList({ "status" }));
    EXPECT_TRUE(w.BluetoothService()->ReceptionEnabled());
    EXPECT_EQ(w.BluetoothDeviceId(), QStringLiteral("KIOSK-BT"));

    // A phone sends a picture: the service thread reports, the window hands
    // it over on the main thread.
    const QString folder = w.BluetoothPath();
    QDir().mkpath(folder);
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(folder + QStringLiteral("/phone.jpg")));
    TBluetoothServiceBase* service = w.BluetoothService();
    std::thread sender([service] { service->Notif()->OnRecvFileEnd(service, QStringLiteral("phone.jpg"), 1234); });
    sender.join();
    ASSERT_TRUE(waitFor([&] { return popup->log.contains(QStringLiteral("end:phone.jpg")); }));
    auto wk = w.workflowDataSourceIfAny();
    ASSERT_TRUE(wk);
    ASSERT_EQ(wk->Repositories().size(), 1u);
    EXPECT_EQ(wk->Repositories()[0]->GetImageCount(), 1);

    // The next customer: reception off, the received files gone.
    w.popupClose(popup);
    w.orderCancel();
    EXPECT_FALSE(w.BluetoothService()->ReceptionEnabled());
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::Files));
}
