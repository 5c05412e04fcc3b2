#pragma once
// A main window for the screen tests of the catalogue: the shell's window
// skeleton with the lab-connection side that the real window gets
// (TMainFrameConnection), a configuration in a temporary folder and a
// web-service queue whose lab client talks to the simulator.
#include "CatalogueFakes.h"

#include "UMainFrameBase.h"
#include "UMainFrameConnection.h"

#include <QApplication>
#include <QStackedWidget>
#include <atomic>

class ConnecWindow : public TMainFrameConnection<TMainFrameBase> {
public:
    explicit ConnecWindow(TTestConfig* cfg)
        : TMainFrameConnection<TMainFrameBase>(cfg)
        , fQueue(qApp, this, QStringLiteral("WebSvc Queue"))
    {
        fQueue.SetClientFactory(TWebSvcConnection::ClientFactory());
        fStepTab = new QWidget(TabControlMain());
        fStepTab->setObjectName(QStringLiteral("TabItem_0100connec"));
        TabControlMain()->addWidget(fStepTab);
        TabControlMain()->setCurrentWidget(fStepTab);
        resize(1280, 800);
    }
    ~ConnecWindow() override
    {
        if (TShopInfo* shop = ShopInfo())
            shop->productInfoLoadCancel();
        fQueue.CancelAll();
    }

    QWidget* StepTab() const { return fStepTab; }
    std::atomic<int> connected { 0 };
    std::atomic<int> left { 0 };
    std::atomic<int> disconnected { 0 };
    QStringList statusTexts;
    TLaunchMode launchMode = TLaunchMode(1);

    IThreadTaskRef WebSvcAddCall(TProc proc) override { return fQueue.AddCall(std::move(proc)); }
    TLaunchMode GetLaunchMode() override { return launchMode; }
    bool GetWebSvcFrontPrintActivated() override { return false; }
    void kioskInit() override { }
    void onCtrlConnected(QObject* sender) override
    {
        ++connected;
        TMainFrameConnection::onCtrlConnected(sender);
    }
    void onCtrlDisconnected(QObject* sender) override
    {
        ++disconnected;
        TMainFrameConnection::onCtrlDisconnected(sender);
    }

protected:
    void webSvcClientDrop() override { fQueue.WebSvcLumclose(); }
    void connectionStepLeave() override { ++left; }
    void connecStatusShow(const QString& text) override { statusTexts << text; }

private:
    QWidget* fStepTab = nullptr;
    TThreadTaskWebSvcQueue fQueue;
};
