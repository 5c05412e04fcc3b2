#pragma once
// TCtrlConnec: the connection step (tab "TabItem_0100connec"): the log-in
// form (login, password, use mode, lab-service address), then one
// connection task on the web-service queue that reads the cached catalogue,
// logs in to the lab, hands the catalogue to the main window (off-line from
// the cache when the lab cannot be reached) and tells the window that the
// kiosk is connected.
//
// The form's components belong to the main window: BuildForm creates them
// inside the step's tab item under the names the controller binds (the
// first controller does it when they are missing).
#include "UCtrlStepBase.h"
#include "UMainObservers.h"
#include "UShopInfoPart.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>

class ICtrlConnecNotif;
class TConfig;

class TCtrlConnec : public TCtrlStepBase, public IMainObserver, public IShopLoadCtrl {
public:
    // main must also be the main window's ICtrlConnecNotif.
    TCtrlConnec(IMainFrame* main, QWidget* stepTabItem);
    ~TCtrlConnec() override;

    // Creates the step's components inside its tab item.
    static void BuildForm(QWidget* stepTabItem);

    KIOSK_PUBLISHED(QGroupBox, gbConnecSteps);
    KIOSK_PUBLISHED(QWidget, LayoutStepConnec);
    KIOSK_PUBLISHED(QStackedWidget, TabControlStepLogin);
    KIOSK_PUBLISHED(QWidget, TabItemConnectLogin);
    KIOSK_PUBLISHED(QLabel, lblLogin);
    KIOSK_PUBLISHED(QLineEdit, EditLogin);
    KIOSK_PUBLISHED(QLabel, lblPassword);
    KIOSK_PUBLISHED(QLineEdit, EditPassword);
    KIOSK_PUBLISHED(QLabel, lblConnecMode);
    KIOSK_PUBLISHED(QComboBox, cbConnecMode);
    KIOSK_PUBLISHED(QLabel, lblConnecServer);
    KIOSK_PUBLISHED(QComboBox, cbConnecServer);
    KIOSK_PUBLISHED(QLineEdit, EditConnecServer);
    KIOSK_PUBLISHED(QPushButton, btnConnectStepNext);
    KIOSK_PUBLISHED(QPushButton, btnConnectStepPrevious);
    KIOSK_PUBLISHED(QLabel, lblConnecStatus);
    KIOSK_PUBLISHED(QWidget, ConnecAniIndicator);
    KIOSK_PUBLISHED(QProgressBar, ProgressBarConnect);

    // IMainController / IMainStepController
    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    bool isTaskWaiting() override;
    bool taskCancel() override;
    void OnResize(QWidget* parent) override;

    // IMainObserver
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;

    // IShopLoadCtrl (and the base's status): any thread.
    void status(const QString& text) override { TCtrlStepBase::status(text); }
    void updateProgressBar(int val, int total, const TLangText& text) override;
    void hideProgressBar() override;

    // Next on the log-in page: checks the fields, then connects.
    void NextClick();
    // Takes the log-in data and queues the connection task.
    void StartConnect();

    // Form handling (main thread).
    void ServerListInit();
    void ServerChoiceFromEdit();
    void ServerEditFromChoice();
    void LoginFieldsInit(IMainFrame* main);
    void DebugModeVisibility();

protected:
    void statusShow(const QString& text) override;
    void waitShow() override;
    void waitHide() override;

private:
    void AsyncConnect();
    bool initDataMode() const;
    void loginPageShow();
    void handlersConnect();
    void handlersDisconnect();

    ICtrlConnecNotif* fNotif;
    TConfig* fConfig;
    IThreadTaskRef fConnecTask;
    QList<QMetaObject::Connection> fHandlers;
    bool fServerChangeTracking = true;
    bool fServerListChange = true;
};
