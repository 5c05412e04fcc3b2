#pragma once
// TMainNavi: the program's one window. On top of the shell's window
// skeleton (TMainFrameBase) it runs the creation sequence, owns the
// web-service queue, the bitmap cache and the current order, serves the
// automatic backup, the close question and the destruction order, the
// title-bar click counter and the kiosk's local order folders.
#include "UMainFrameConnection.h"
#include "UMainFrameTools.h"
#include "UPopupPanel.h"
#include "UMainLangLoadHost.h"
#include "UCtrlPopupLangText.h"

#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>

class TOrderBitmapCache;
class TOrderImageBase;
class TPrintOrder;
class TThreadTaskWebSvcQueue;

class TMainNavi : public TMainFrameConnection<TMainFrameTools> {
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

    // --- IMainFrame operations of the window ---
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
    virtual void userActivity() { }
    // The language popup closed while the start tab is shown.
    virtual void languagePopupClosedOnStart() { connectionStepShow(); }
    // Opens the hidden back-office popup.
    virtual void hiddenBackOfficeOpen();

    // Hooks of the lab connection.
    void shopInfoHandOverPrepare() override;
    void webSvcClientDrop() override;
    void connectionStepLeave() override
    {
        languageCheck();
        homeStepShow();
    }
    void languagePopupOpen(TCtrlPopupLangMode mode) override;
    void eventReaction(TMainObservedEvent evtype, void* data) override;
    void initDataDone() override;
    // The start tab, shown until the workflow moves on.
    QWidget* TabItemStart() const { return fTabItemStart; }

    bool fOrderLoadFailed = false;
    bool fOrderLoadAsking = false;

private:
    void formCreate();
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
    std::map<QString, std::unique_ptr<TOrderImageBase>> fResImages;
    QTimer fTimerBackupAuto;
    QTimer fTimerPopUpHiddenClick;
    int fCptHiddenPanelClick = 0;
    bool fUserActivityHooked = false;
    QWidget* fTabItemStart = nullptr;
    IThreadTaskRef fLanguageCheckTask;
    IThreadTaskRef fLanguageChangedTask;
};
