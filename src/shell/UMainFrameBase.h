#pragma once
// The shell's part of the main window: the window skeleton (top bar, step
// area with its tab control, popup background panels, waiting layer), the
// popup stack and message boxes, the GUI Queue and its two servers, the
// observer table, the GUI wait lock and waiting indicator, the top bar, and
// the registry through which controllers bind components by name.
//
// TMainNavi (the program's window) derives from it and adds the screens,
// the lab connection, the timers of the session and the start-up and
// shut-down sequences; tests of screen libraries can build a TMainFrameBase
// alone. Operations of IMainFrame that belong to later subsystems raise
// EToDo naming the operation (TMainFrameToDo) until they are overridden.
#include "IMainPopupController.h"
#include "UMainFrameToDo.h"
#include "UMainFrameTypes.h"
#include "UMainObservers.h"
#include "UPopupStack.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class QLabel;
class QStackedWidget;
class TAniIndicator;
class TConfig;
class TPopupPanel;
class TThreadTaskQueueWithoutThread;

class TMainFrameBase : public QWidget, public TMainFrameToDo, protected IPopupStackHost {
public:
    // cfg may be null (then defaults apply: no debug mode, language "en").
    explicit TMainFrameBase(TConfig* cfg, QWidget* parent = nullptr);
    ~TMainFrameBase() override;

    // Names of the popup background panels in the order the window holds
    // them (a later panel has a higher level), and those of the step area.
    static const QStringList& WindowPopupPanelNames();
    static const QStringList& TabContentPopupPanelNames();

    TPopupPanel* PopupPanel(const QString& name) const;
    QStackedWidget* TabControlMain() const { return fTabControlMain; }
    QWidget* LayoutAppTabContent() const { return fLayoutAppTabContent; }
    QWidget* LayoutWaiting() const { return fLayoutWaiting; }
    TAniIndicator* AniIndicatorWaiting() const { return fAniIndicatorWaiting; }
    TThreadTaskQueueWithoutThread* GuiTaskQueue() const { return fGuiTaskQueue.get(); }
    TPopupStack& Popups() { return fPopups; }
    TConfig* Cfg() const { return fCfg; }

    // Makes a component (or an empty slot, obj null) known to
    // GetFieldValueByName under a name; objects with an objectName inside
    // the window are known without it.
    void RegisterField(const QString& name, QObject* obj);

    // Popup operations of the window outside the interface.
    void popupCloseAll();
    void popupCloseOnStepChange();
    // Raises ETaskRetry "Waiting popup close" while a popup is open.
    void popupWaitAllClosed();

    // Waiting indicator.
    void waitingIndicatorUpdate();
    void waitingIndicatorShow();
    void waitingIndicatorHide();
    void waitingGuiTasksStart();
    void waitingGuiTasksDone();
    int GuiWaitLockCount() const { return fGuiWaitLockCount; }

    // The GUI Queue's two servers: one task per idle cycle, and one per tick
    // of TimerQueue (500 ms).
    void TimerQueueTimer();
    void AppIdle();
    QTimer* TimerQueue() { return &fTimerQueue; }

    // Largest bitmap side used when the renderer cannot be asked (no OpenGL
    // context: Xvfb without GLX, the offscreen platform).
    void SetMaxBitmapSizeFallback(quint32 size) { fMaxBitmapSizeFallback = size; }

    // Debug-information line.
    QString DebugInfoText() const;
    void debugInfoUpdate();
    void SetDebugInfoToUpdate() { fDebugInfoToUpdate = true; }

    // --- IMainFrame operations of the shell ---
    TQzUseMode QzUseMode() override;
    TZebdesign Zebdesign() override;
    QString Lang() override;
    bool GetDebugMode() override;
    bool GetDevMode() override;
    bool Is2DrenderingReady() override;
    void TaskCheckStop() override;
    bool TaskShouldStop() override;
    TConfigInfo* Config() override;
    bool IsKiosk() override;
    bool HasTouchScreen() override;
    QString KioskOfflinePath() override;
    float limitToZoom(float limit) override { return limit; }
    bool GetFieldValueByName(const QString& fldName, QVariant& val) override;
    quint32 MaxBitmapSizeSupported() override;
    IThreadTaskRef GuiQueueAddCall(TProc proc, bool bGuiLock, IInterfaceRef data) override;

    void ShowEx(const std::exception& ex, TProc closeProc) override;
    void ShowError(const QString& text, TProc closeProc) override;
    void ShowInfo(const QString& text, TProc closeProc) override;
    void ShowWarning(const QString& text, TProc closeProc) override;
    void ConfirmYesNo(const QString& text, TProc yesProc, TProc noProc) override;
    void ConfirmOkCancel(const QString& text, TProc okProc, TProc cancelProc) override;
    IMainPopupControllerRef MessageDlgCusto(const QString& icon, const QString& title, const QString& msg,
                                            const QString& btnText1, TProc btnProc1, const QString& btnText2,
                                            TProc btnProc2, bool bBtn2IfClickOut, TProc closeProc) override;
    void popupAdd(IMainPopupControllerRef ctrl) override;
    void popupClose(IMainPopupControllerRef ctrl) override;
    int calcPopupLevel(QObject* popupBg) override;
    IMainPopupControllerRef popupShownGet(int idx) override;

    void EventObserverRegister(IMainObserverRef observer, TMainObservedEvent evtype) override;
    void EventObserverUnregister(IMainObserverRef observer, TMainObservedEvent evtype) override;
    void EventObservedRaise(TMainObservedEvent evtype, void* data) override;
    void updateTopBarInfo() override;
    void GuiWaitLock() override;
    void GuiWaitUnlock() override;

    QString AppMemoryUsageStr() override;
    QString AppMemoryUsageStrRelease() override;
    void MemCheckAll(const QString& fid) override { }
    void OnBitmapCacheSizeChanged() override;

    const TMainObserverTable& Observers() const { return fEventsObs; }

protected:
    // The controller of the active step (null without one); the workflow
    // of screens provides it.
    virtual IMainControllerRef activeStepController() { return nullptr; }
    // The photo sources report images being worked on.
    virtual bool imagesWorkingNow() { return false; }
    // The window's own reaction to an event, before the observers hear it.
    virtual void eventReaction(TMainObservedEvent evtype, void* data);
    // The Next/Previous/menu actions are brought up to date.
    virtual void workflowActionsUpdate() { }
    // The store has a logo to show in the top bar.
    virtual bool hasPhotographerLogo();
    // Asks the renderer for its largest bitmap side; 0 when it cannot tell
    // yet. Without an OpenGL context the configured fallback is the answer.
    virtual quint32 rendererMaxBitmapSize();
    // Empties the observer table, reporting the events that still have
    // observers.
    void eventsClear();

    // IPopupStackHost.
    IMainFrame* popupMainFrame() override { return this; }
    QWidget* popupResizeParent() override { return this; }
    void popupStepCover(bool covered) override;
    void popupStackChanged() override;
    void popupDebugInfoDirty() override { fDebugInfoToUpdate = true; }

    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    TConfig* fCfg;
    QString fLanguage;
    TZebdesign fZebdesign = zebd_home;
    TCloseMode fCloseMode = TCloseMode::CloseToAsk;
    std::unique_ptr<TThreadTaskQueueWithoutThread> fGuiTaskQueue;
    bool fDebugInfoToUpdate = false;
    bool fWaitingGuiTasksGuiLock = false;
    bool fWaitingGuiTasks = false;
    int fGuiWaitLockCount = 0;
    quint32 fMaxBitmapSizeSupported = 0;
    quint32 fMaxBitmapSizeFallback = 4096;

    // Top bar.
    QWidget* fTopToolBar = nullptr;
    QLabel* fTopBarTextApp1 = nullptr;
    QLabel* fTopBarTextApp2 = nullptr;
    QLabel* fTopBarTextAlt = nullptr;
    QLabel* fTopBarTextMobileAlt = nullptr;
    QWidget* fLayoutTopBar = nullptr;
    QLabel* fTopBarLayoutLogo = nullptr;
    QLabel* fLblDebugInfo = nullptr;

private:
    void buildSkeleton();
    void layoutOverlays(QWidget* host);
    void serveGuiQueue(const QString& where);
    void armIdle();
    void showErrorBox(const QString& text, TProc closeProc);
    void topBarTextsSet(const QString& title, const QString& subTitle);
    void topBarLogoShow(bool show);
    void mobileMarginsSet();

    QStackedWidget* fTabControlMain = nullptr;
    QWidget* fLayoutAppTabContent = nullptr;
    QWidget* fLayoutWaiting = nullptr;
    TAniIndicator* fAniIndicatorWaiting = nullptr;
    QList<QPointer<QWidget>> fWindowChildren;
    QList<QPointer<QWidget>> fTabChildren;
    QHash<QString, TPopupPanel*> fPanels;
    QHash<QString, QPointer<QObject>> fFields;
    QHash<QString, QPointer<QObject>> fRegistered;
    bool fFieldsBuilt = false;
    TPopupStack fPopups;
    TMainObserverTable fEventsObs;
    QTimer fTimerQueue;
    QTimer fIdle;
};
