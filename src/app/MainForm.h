#pragma once
// TMainNavi: the program's one window. On top of the shell's window
// skeleton (TMainFrameBase), its workflow, tools and customer session, it
// runs the creation sequence, owns the web-service queue, the bitmap cache,
// the current order, the media root and the Bluetooth service, serves the
// automatic backup, the close question and the destruction order, the
// title-bar click counter and the kiosk's local order folders.
#include "UCtrlSessionNotif.h"
#include "UMainFrameConnection.h"
#include "UCtrlPopupLangText.h"
#include "UMainFrameSession.h"
#include "UMainLangLoadHost.h"
#include "UPopupPanel.h"
#include "UQzFileSystemRoot.h"
#include "UQzbluetoothServer.h"

#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>

class TOrderBitmapCache;
class TOrderImageBase;
class TPrintOrder;
class TDeviceChangeMonitor;
class TThreadTaskWebSvcQueue;
class TWorkflowDataSource;

class TMainNavi : public TMainFrameConnection<TMainFrameSession>,
                  public IQzfsRootContainer,
                  public ICtrlImgSendNotif,
                  public ICtrlPaymentNotif,
                  public ICtrlOrderRecapNotif {
public:
    // Creation (FormCreate). An exception is logged at FATAL and passed on.
    explicit TMainNavi(TConfig* cfg, QWidget* parent = nullptr);
    // Destruction (FormDestroy): the last backup, then everything in order.
    ~TMainNavi() override;

    // Shows the window as the configured use mode asks (full screen for the
    // kiosk modes).
    void ShowAtStart();

    // One backup of configuration, catalogue and order. A busy web-service
    // queue (force false) puts off the catalogue only.
    void OnBackupAuto(bool force);
    void TimerBackupAutoTimer();
    QTimer* TimerBackupAuto() { return &fTimerBackupAuto; }

    // Ten clicks on the title bar, each within 2 s of the previous one, open
    // the hidden back-office popup.
    void LayoutBarTitleClick();
    void TimerPopUpHiddenClickTimer();
    int HiddenClickCount() const { return fCptHiddenPanelClick; }

    // Creates the kiosk's local order folders and removes their dated
    // subfolders after 14 days (connection modes 21 and 22). Any thread.
    void kioskInit() override;

    // Shows an exception that escaped an event handler.
    void AppException(const std::exception& ex);
    // Queues the opening of the language popup.
    void startLangLoad();
    // Loads the current language on the web-service queue (required, the
    // screen switched even when nothing changed); ended runs on the main
    // thread afterwards, also after a failure.
    void languageLoadStart(std::function<void()> ended);
    // After a catalogue arrived on line: the language's dictionaries are
    // checked against the lab on the web-service queue.
    void languageCheck();
    // Asks both language tasks to stop and waits for them.
    void languageTasksCancel();

    TThreadTaskWebSvcQueue* WebSvcQueue() const { return fWebSvcQueue.get(); }
    TOrderBitmapCache* BitmapCacheObj() const { return fBitmapCache.get(); }
    TCloseMode CloseMode() const { return fCloseMode; }
    // Hands the window its order (the customer session creates it).
    void SetOrder(std::unique_ptr<TPrintOrder> order);

    // --- the customer session
    // A fresh order (reload: the backed-up one, ETaskNotReady until the
    // catalogue is complete).
    void orderReset(bool reload);
    void orderChanged() override;
    void orderCancel() override;
    void orderCancelAndUserPrefReset() override;
    void orderReload() override;
    void orderMarkAsUsed() override;
    // A sent order is kept under the lab's order number (on line only).
    void orderArchive();
    void onCtrlImgSendStart() override;
    void onCtrlImgSendEnd(bool paymentToDo) override;
    void onCtrlImgSendCancel() override;
    void onCtrlImgSendChangeConnectionMode(quint8 mode) override;
    void onCtrlPaymentEnd() override;
    void onCtrlPaymentCancel() override;
    void onCtrlOrderRecapCalibrationReadMore() override;

    // --- media and photo sources
    std::shared_ptr<IQzfsRoot> RootFolder() override;
    // The customer's photo sources (created on first use).
    std::shared_ptr<TWorkflowDataSource> workflowDataSource();
    std::shared_ptr<TWorkflowDataSource> workflowDataSourceIfAny();

    // --- Bluetooth
    TBluetoothMode BluetoothMode() override;
    QString BluetoothPath() override;
    QString BluetoothDeviceId() override;
    QString BluetoothDevicePwd() override;
    void checkBluetoothService() override;
    void cleanBluetoothServiceTemp();
    void bluetoothReceptionDisable();
    void bluetoothReceptionEnable();
    void bluetoothServiceTerminate();
    void bluetoothServiceFree();
    TBluetoothServiceBase* BluetoothService() const { return fBluetoothService.get(); }
    // The step, else the lowest popup, that wants the service's news.
    IBluetoothObexNotif* bluetoothNotifTarget();

    // --- IMainFrame operations of the window ---
    // "*.jpg" and the like: every picture format the image codecs read.
    QStringList imageSupportedExtList() override;
    TPrintOrder* GetOrder() override;
    ILumLabServiceRef GetWebSvcLum() override;
    IThreadTaskRef WebSvcAddCall(TProc proc) override;
    IOrderBitmapRef BitmapCache(TImageSource* imageParent, int bitmapWidthMax, int bitmapHeightMax,
                                TOrderBitmapMode bitmapMode) override;
    void BitmapCacheCtrlStartUse(QObject* ctrl) override;
    void BitmapCacheCtrlEndUse(QObject* ctrl, bool bUseCleanEnabled) override;
    void BitmapCacheCtrlDestroyed(QObject* ctrl) override;
    QString AppMemoryUsageStrRelease() override;
    TLaunchMode GetLaunchMode() override;
    // A picture of the program's resources (":/media/<name>.<ext>"), kept
    // per name and extension for the life of the window.
    TOrderImageBase* GetResImg(const QString& name, const QString& ext) override;
    // The shop's terms must be accepted: the configured lab server is one of
    // the hosted lab servers listed in KIOSK_TERMS_MANDATORY_SERVERS (base
    // addresses separated by ";").
    bool isCguMandatory() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void popupAfterClose(IMainPopupController* ctrl) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    // The launch mode, Normal until the self-update reads the command line.
    virtual TLaunchMode launchMode();
    // Every key and mouse press anywhere in the program (user idle).
    virtual void userActivity() { userIdleTimerReset(); }
    // The language popup closed while the start tab is shown.
    virtual void languagePopupClosedOnStart() { connectionStepShow(); }
    // Opens the hidden back-office popup.
    virtual void hiddenBackOfficeOpen();

    // Hooks of the lab connection.
    void shopInfoHandOverPrepare() override;
    void webSvcClientDrop() override;
    void connectionStepLeave() override;
    bool catalogueLoaded() override { return ShopInfo() != nullptr; }
    void languagePopupOpen(TCtrlPopupLangMode mode) override;
    void eventReaction(TMainObservedEvent evtype, void* data) override;

    // Hooks of the customer session.
    bool orderInUse() override;
    bool deviceRootRefresh(quint32& tick, void*& data) override;
    void sourcesQueuesPaused(bool paused) override;
    bool webSvcQueueBusy() override;
    void bitmapCacheCleanUp() override;
    void bitmapCacheDebugDump() override;
    bool imagesWorkingNow() override;
    // The sources of the media root (tests give fake volumes).
    virtual TQzfsRootSources mediaSources();
    // The Bluetooth service of a mode (tests give a fake adapter).
    virtual std::unique_ptr<TBluetoothServiceBase> bluetoothServiceCreate(TBluetoothMode mode);
    void startBluetoothService();
    // The media root, created at the first order reset.
    void mediaRootCreate();
    void initDataDone() override;
    // The start tab, shown until the workflow moves on.
    QWidget* TabItemStart() const { return fTabItemStart; }

    bool fOrderLoadFailed = false;
    bool fOrderLoadAsking = false;

private:
    class TObexTarget;
    void formCreate();
    void orderCancelLow();
    void workflowDataSourceImageRecup(TPrintOrder& order);
    void cleanImagesFilesCache();
    void onCtrlPaymentToDo();
    void connectionModeSwitch(quint8 mode);
    void orderBackupKeepAside();
    void registerSteps();
    void buildStartTab();
    void openLanguagePopup();
    TMainLangLoadHost languageHost();
    // The screen after a language switch: breadcrumbs, top bar, and the
    // active step rebuilt when it cannot re-translate itself.
    void languageChanged();
    void runFormClose(QCloseEvent* e);

    TLaunchMode fLaunchMode = TLaunchMode::NotInit;
    std::unique_ptr<TOrderBitmapCache> fBitmapCache;
    std::unique_ptr<TThreadTaskWebSvcQueue> fWebSvcQueue;
    std::unique_ptr<TPrintOrder> fOrder;
    std::shared_ptr<IQzfsRoot> fRootFolder;
    std::unique_ptr<TDeviceChangeMonitor> fDeviceMonitor;
    std::unique_ptr<TBluetoothServiceBase> fBluetoothService;
    QString fBluetoothPath;
    bool fBluetoothError = false;
    bool fInBluetoothCheck = false;
    std::map<QString, std::unique_ptr<TOrderImageBase>> fResImages;
    QTimer fTimerBackupAuto;
    QTimer fTimerPopUpHiddenClick;
    int fCptHiddenPanelClick = 0;
    bool fUserActivityHooked = false;
    QWidget* fTabItemStart = nullptr;
    IThreadTaskRef fLanguageCheckTask;
    IThreadTaskRef fLanguageChangedTask;
};
