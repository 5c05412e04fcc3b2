#pragma once
// A main window for the catalogue tests: the connection operations of the
// real window (TWebSvcConnection), a configuration in a temporary folder,
// a real web-service queue whose lab client talks to the simulator, and a
// record of the product-family states, the hand-overs and the messages.
#include "../persistence/ConfigTestSupport.h"
#include "LabServiceSim.h"

#include "UCatalogueTypes.h"
#include "UCtrlConnecNotif.h"
#include "UShopInfo.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UWebSvcConnection.h"

#include <QCoreApplication>
#include <QMap>
#include <mutex>
#include <type_traits>

namespace catalogue_fake {

template <class T>
T defaultValue()
{
    if constexpr (!std::is_void_v<T>)
        return T {};
}

// Every operation answers a default value.
class MainFrameDefaults : public IMainFrame, public ICtrlConnecNotif {
public:
#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) \
    Result Name Params override { return defaultValue<Result>(); }
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP
    void onCtrlConnected(QObject*) override { }
    void onCtrlDisconnected(QObject*) override { }
    bool AutoLogin(QObject*) override { return false; }
    void SetAutoLogin(QObject*, bool) override { }
    void SetServerUrlAndUseMode(const QString&, TQzUseMode) override { }
    void SetWebSvcShopInfo(std::unique_ptr<TShopInfo>&, bool) override { }
    void kioskInit() override { }
    TConfig* ConfigObj() override { return nullptr; }
    void showPhotographerMessage(QObject*, const QString&, bool) override { }
};

} // namespace catalogue_fake

class ConnecMain : public catalogue_fake::MainFrameDefaults {
public:
    explicit ConnecMain(TConfig* cfg)
        : fCfg(cfg)
        , fConn(cfg)
        , fQueue(QCoreApplication::instance(), this, QStringLiteral("WebSvc Queue"))
    {
        fQueue.SetClientFactory(TWebSvcConnection::ClientFactory());
    }
    ~ConnecMain() override
    {
        // The catalogue's background load runs on the queue: stop it first.
        if (TShopInfo* shop = fConn.ShopInfo())
            shop->productInfoLoadCancel();
        fQueue.CancelAll();
    }

    TWebSvcConnection& Conn() { return fConn; }
    TThreadTaskWebSvcQueue& Queue() { return fQueue; }

    // Visibility of a family, -1 when never set.
    int Visibility(TProductVisibilityType t) const
    {
        std::lock_guard lk(fSync);
        return fVisibility.value(int(t), -1);
    }
    QStringList Messages() const
    {
        std::lock_guard lk(fSync);
        return fMessages;
    }
    int HandOvers() const { return fHandOvers.load(); }
    int KioskInits() const { return fKioskInits.load(); }

    // IMainFrame
    TConfigInfo* Config() override { return fCfg; }
    quint8 QzConnectionMode() override { return fConn.QzConnectionMode(); }
    bool IsOnline() override { return fConn.IsOnline(); }
    Demandeur2* GetWebSvcAsker() override { return fConn.GetWebSvcAsker(); }
    QString GetWebSvcAskerClearLogin() override { return fConn.GetWebSvcAskerClearLogin(); }
    QString GetWebSvcAskerClearPassword() override { return fConn.GetWebSvcAskerClearPassword(); }
    void WebSvcInit(THTTPRIO* webSvc) override { fConn.WebSvcInit(webSvc); }
    IThreadTaskRef WebSvcAddCall(TProc proc) override { return fQueue.AddCall(std::move(proc)); }
    QString WebSvcRootUrl() override { return fConn.WebSvcRootUrl(); }
    Zebconsumer2* GetWebSvcConsumerBoot() override { return fConn.ShopInfo() ? fConn.ShopInfo()->Consumer() : nullptr; }
    Photographe2* GetWebSvcPhotographer() override
    {
        TShopInfo* s = fConn.ShopInfo();
        return s && s->CommonLoaded() ? s->Common()->Photographer() : nullptr;
    }
    TChannelList* GetWebSvcChannels() override
    {
        TShopInfo* s = fConn.ShopInfo();
        return s && s->CommonLoaded() ? s->Common()->ChannelList() : nullptr;
    }
    quint32 MaxBitmapSizeSupported() override { return 8192; }
    void setProductVisibility(TProductVisibilityType prod, TProductVisibilityMode mode) override
    {
        std::lock_guard lk(fSync);
        fVisibility[int(prod)] = int(mode);
    }
    TProductVisibilityMode getProductVisibility(TProductVisibilityType prod) override
    {
        return TProductVisibilityMode(qMax(0, Visibility(prod)));
    }

    // ICtrlConnecNotif
    void SetWebSvcShopInfo(std::unique_ptr<TShopInfo>& shopInfo, bool online) override
    {
        EXPECT_TRUE(TThreadTaskQueueWithoutThread::IsMainThread());
        ++fHandOvers;
        fConn.SetWebSvcShopInfo(shopInfo, online);
    }
    void kioskInit() override { ++fKioskInits; }
    TConfig* ConfigObj() override { return fCfg; }
    void showPhotographerMessage(QObject*, const QString& message, bool) override
    {
        std::lock_guard lk(fSync);
        fMessages << message;
    }

private:
    TConfig* fCfg;
    TWebSvcConnection fConn;
    mutable std::mutex fSync;
    QMap<int, int> fVisibility;
    QStringList fMessages;
    std::atomic<int> fHandOvers { 0 };
    std::atomic<int> fKioskInits { 0 };
    TThreadTaskWebSvcQueue fQueue;
};

// Tests against the lab simulator with a configuration of their own, set
// up to log in to the simulator's demo account.
class CatalogueSimSuite : public testsupport::LabServiceSimSuite {
protected:
    void SetUp() override
    {
        LabServiceSimSuite::SetUp();
        ASSERT_TRUE(fDir.isValid());
        fPlaces = testConfigPlaces(fDir);
        fCfg = std::make_unique<TTestConfig>(fPlaces);
        fCfg->Init();
        fCfg->SetServerUrl(sim->baseUrl() + QLatin1Char('/'));
        fCfg->SetLogin(QStringLiteral("kiosk-demo"));
        fCfg->SetPassword(QStringLiteral("secret"));
    }

    QTemporaryDir fDir;
    TTestConfig::Places fPlaces;
    std::unique_ptr<TTestConfig> fCfg;
};
