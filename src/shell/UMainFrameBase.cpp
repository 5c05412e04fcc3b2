#include "UMainFrameBase.h"

#include "UAniIndicator.h"
#include "UConfig.h"
#include "UCtrlPopupMsgBox.h"
#include "UCtrlScreenBase.h"
#include "UDebug.h"
#include "ULangTexts.h"
#include "UPopupPanel.h"
#include "UThreadTaskQueue.h"
#include "UTools.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int kGlMaxTextureSize = 0x0D33;

QLabel* topBarLabel(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}
}

const QStringList& TMainFrameBase::WindowPopupPanelNames()
{
    static const QStringList names {
        QStringLiteral("PanelPopupImageGoToDate"), QStringLiteral("PanelPopUpCalibration"),
        QStringLiteral("PanelPopUpHelp"), QStringLiteral("PanelPopUpLang"),
        QStringLiteral("PanelPopupMyAccount"), QStringLiteral("PanelPopupSaveOnDisk"),
        QStringLiteral("PanelPopUpWebBrowser"), QStringLiteral("PanelPopupWaitForCode"),
        QStringLiteral("PanelPopUpCgu"), QStringLiteral("PanelPopUpCgv"),
        QStringLiteral("PanelPopupCdBurner"), QStringLiteral("PanelPopUpHiddenBck"),
        QStringLiteral("PanelPopupUpdater"), QStringLiteral("PanelPopUpImageSort"),
        QStringLiteral("PanelPopupImageJump"), QStringLiteral("PanelPopupBackHome"),
        QStringLiteral("PanelPopupLoadOrderBackup"), QStringLiteral("PanelPopUpChangeBackground"),
        QStringLiteral("PanelPopUpChangeFrameTemplate"), QStringLiteral("PanelPopUpEditText"),
        QStringLiteral("PanelPopUpMsgBox"), QStringLiteral("PanelPopUpShopInfo"),
        QStringLiteral("PanelPopupMediaForgotten"), QStringLiteral("PanelPopupUserIdle"),
        QStringLiteral("PanelPopUpChangeClipart"), QStringLiteral("PanelPopupLangText"),
        QStringLiteral("PanelPopupOrderSent"), QStringLiteral("PanelPopupHelpInfo"),
        QStringLiteral("PanelPopupCondKioskUse"),
    };
    return names;
}

const QStringList& TMainFrameBase::TabContentPopupPanelNames()
{
    static const QStringList names {
        QStringLiteral("PanelPopupImageEditor"),
        QStringLiteral("PanelPopupMyOrders"),
        QStringLiteral("PanelMobileMenuPopup"),
        QStringLiteral("PanelPopupSelectImage"),
    };
    return names;
}

TMainFrameBase::TMainFrameBase(TConfig* cfg, QWidget* parent)
    : QWidget(parent)
    , fCfg(cfg)
    , fPopups(*this)
    , fEventsObs([this](TMainObservedEvent evtype, void* data) { EventObservedRaise(evtype, data); })
{
    setObjectName(QStringLiteral("MainNavi"));
    fLanguage = fCfg ? fCfg->Language() : QStringLiteral("en");
    buildSkeleton();

    fGuiTaskQueue = std::make_unique<TThreadTaskQueueWithoutThread>(qApp, this, QStringLiteral("GUI Queue"));
    fIdle.setSingleShot(true);
    fIdle.setInterval(0);
    QObject::connect(&fIdle, &QTimer::timeout, this, [this] { AppIdle(); });
    fTimerQueue.setObjectName(QStringLiteral("TimerQueue"));
    fTimerQueue.setInterval(500);
    QObject::connect(&fTimerQueue, &QTimer::timeout, this, [this] { TimerQueueTimer(); });
    // Tasks may be queued from any thread: the wake-up is posted to the
    // window, which lives on the main thread.
    fGuiTaskQueue->SetWakeHandler([this] { QMetaObject::invokeMethod(this, [this] { armIdle(); }, Qt::QueuedConnection); });
}

TMainFrameBase::~TMainFrameBase()
{
    fTimerQueue.stop();
    fIdle.stop();
    if (fGuiTaskQueue)
        fGuiTaskQueue->SetWakeHandler(nullptr);
    // Popups hold controllers that reach the window: they go first.
    try {
        fPopups.popupCloseAll();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainFrameBase.destroy / popups"), e);
    }
    fGuiTaskQueue.reset();
}

void TMainFrameBase::buildSkeleton()
{
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);

    fTopToolBar = new QFrame(this);
    fTopToolBar->setObjectName(QStringLiteral("TopToolBar"));
    auto* bar = new QHBoxLayout(fTopToolBar);
    bar->setContentsMargins(16, 8, 16, 8);
    fTopBarLayoutLogo = topBarLabel(QStringLiteral("layoutlogo"), fTopToolBar);
    fTopBarLayoutLogo->hide();
    fLayoutTopBar = new QWidget(fTopToolBar);
    fLayoutTopBar->setObjectName(QStringLiteral("layouttopbar"));
    auto* texts = new QVBoxLayout(fLayoutTopBar);
    texts->setContentsMargins(0, 0, 80, 0);
    texts->setSpacing(0);
    fTopBarTextApp1 = topBarLabel(QStringLiteral("textapp1"), fLayoutTopBar);
    fTopBarTextApp1->setText(TAppTools::GetAppNameStrForUI());
    fTopBarTextApp2 = topBarLabel(QStringLiteral("textapp2"), fLayoutTopBar);
    fTopBarTextAlt = topBarLabel(QStringLiteral("textalt"), fLayoutTopBar);
    fTopBarTextAlt->hide();
    fTopBarTextMobileAlt = topBarLabel(QStringLiteral("textaltmobile"), fLayoutTopBar);
    fTopBarTextMobileAlt->hide();
    texts->addWidget(fTopBarTextApp1);
    texts->addWidget(fTopBarTextApp2);
    texts->addWidget(fTopBarTextAlt);
    texts->addWidget(fTopBarTextMobileAlt);
    fLblDebugInfo = topBarLabel(QStringLiteral("lblDebugInfo"), fTopToolBar);
    bar->addWidget(fTopBarLayoutLogo);
    bar->addWidget(fLayoutTopBar, 1);
    bar->addWidget(fLblDebugInfo);
    main->addWidget(fTopToolBar);
    fWindowChildren << fTopToolBar;

    fLayoutAppTabContent = new QWidget(this);
    fLayoutAppTabContent->setObjectName(QStringLiteral("LayoutAppTabContent"));
    auto* tabLay = new QVBoxLayout(fLayoutAppTabContent);
    tabLay->setContentsMargins(0, 0, 0, 0);
    fTabControlMain = new QStackedWidget(fLayoutAppTabContent);
    fTabControlMain->setObjectName(QStringLiteral("TabControlMain"));
    tabLay->addWidget(fTabControlMain);
    fTabChildren << fTabControlMain;
    for (const QString& name : TabContentPopupPanelNames()) {
        auto* p = new TPopupPanel(name, fLayoutAppTabContent);
        fPanels.insert(name, p);
        fTabChildren << p;
    }
    fLayoutAppTabContent->installEventFilter(this);
    main->addWidget(fLayoutAppTabContent, 1);
    fWindowChildren << fLayoutAppTabContent;

    for (const QString& name : WindowPopupPanelNames()) {
        auto* p = new TPopupPanel(name, this);
        fPanels.insert(name, p);
        fWindowChildren << p;
    }

    fLayoutWaiting = new QWidget(this);
    fLayoutWaiting->setObjectName(QStringLiteral("LayoutWaiting"));
    fLayoutWaiting->setAttribute(Qt::WA_StyledBackground, true);
    fLayoutWaiting->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    auto* waitLay = new QVBoxLayout(fLayoutWaiting);
    fAniIndicatorWaiting = new TAniIndicator(fLayoutWaiting);
    fAniIndicatorWaiting->setEnabled(false);
    waitLay->addWidget(fAniIndicatorWaiting, 0, Qt::AlignCenter);
    fLayoutWaiting->hide();
    fWindowChildren << fLayoutWaiting;
}

void TMainFrameBase::layoutOverlays(QWidget* host)
{
    const QRect r = host->rect();
    if (host == this) {
        for (const QString& name : WindowPopupPanelNames())
            fPanels.value(name)->setGeometry(r);
        fLayoutWaiting->setGeometry(r);
    } else {
        for (const QString& name : TabContentPopupPanelNames())
            fPanels.value(name)->setGeometry(r);
    }
}

void TMainFrameBase::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    layoutOverlays(this);
    // Open popups are laid out again, bottom first.
    for (const auto& p : fPopups.Items()) {
        try {
            p->OnResize(this);
        } catch (const std::exception& ex) {
            LogError(QStringLiteral("TMainNavi.FormResize"), ex);
        }
    }
}

bool TMainFrameBase::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == fLayoutAppTabContent && e->type() == QEvent::Resize)
        layoutOverlays(fLayoutAppTabContent);
    return QWidget::eventFilter(watched, e);
}

TPopupPanel* TMainFrameBase::PopupPanel(const QString& name) const
{
    return fPanels.value(name, nullptr);
}

// ---------------------------------------------------------------- settings

TQzUseMode TMainFrameBase::QzUseMode()
{
    return fCfg ? fCfg->QzuseMode() : TQzUseMode::Std;
}

TZebdesign TMainFrameBase::Zebdesign()
{
    return fZebdesign;
}

QString TMainFrameBase::Lang()
{
    return fLanguage;
}

bool TMainFrameBase::GetDebugMode()
{
    return fCfg && fCfg->DebugMode();
}

bool TMainFrameBase::GetDevMode()
{
    return fCfg && fCfg->DevMode();
}

bool TMainFrameBase::Is2DrenderingReady()
{
    TCtrlScreenBase::mainThreadCheck();
    return true;
}

bool TMainFrameBase::TaskShouldStop()
{
    return TThreadTaskQueueWithoutThread::TaskToCancel() || fCloseMode == TCloseMode::CloseAsked;
}

void TMainFrameBase::TaskCheckStop()
{
    if (TaskShouldStop())
        throw ECancel();
}

TConfigInfo* TMainFrameBase::Config()
{
    return fCfg;
}

bool TMainFrameBase::IsKiosk()
{
    return QzUseMode() == TQzUseMode::Kiosk;
}

bool TMainFrameBase::HasTouchScreen()
{
    const TQzUseMode m = QzUseMode();
    return m == TQzUseMode::TouchScreen || m == TQzUseMode::FullTouchScreen || m == TQzUseMode::Kiosk;
}

QString TMainFrameBase::KioskOfflinePath()
{
    return fCfg ? fCfg->KioskOffLinePath() : QString();
}

// ------------------------------------------------------ fields by name

void TMainFrameBase::RegisterField(const QString& name, QObject* obj)
{
    fRegistered.insert(QLocale().toUpper(name), obj);
    fFieldsBuilt = false;
}

bool TMainFrameBase::GetFieldValueByName(const QString& fldName, QVariant& val)
{
    const QString key = QLocale().toUpper(fldName);
    auto lookup = [&]() -> bool {
        auto it = fFields.constFind(key);
        if (it == fFields.constEnd())
            return false;
        val = QVariant::fromValue<QObject*>(it.value().data());
        return true;
    };
    if (fFieldsBuilt && lookup())
        return true;
    // Built on first use, and again on a miss: screens may add components
    // after the first controller bound its own.
    fFields = fRegistered;
    for (QObject* obj : findChildren<QObject*>()) {
        const QString name = obj->objectName();
        if (!name.isEmpty() && !fFields.contains(QLocale().toUpper(name)))
            fFields.insert(QLocale().toUpper(name), obj);
    }
    for (QObject* obj : { static_cast<QObject*>(&fTimerQueue) })
        fFields.insert(QLocale().toUpper(obj->objectName()), obj);
    fFieldsBuilt = true;
    return lookup();
}

// ----------------------------------------------------- largest bitmap

quint32 TMainFrameBase::rendererMaxBitmapSize()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return fMaxBitmapSizeFallback;
    QOpenGLContext ctx;
    if (!ctx.create())
        return fMaxBitmapSizeFallback;
    QOffscreenSurface surface;
    surface.setFormat(ctx.format());
    surface.create();
    if (!surface.isValid() || !ctx.makeCurrent(&surface))
        return fMaxBitmapSizeFallback;
    int size = 0;
    ctx.functions()->glGetIntegerv(kGlMaxTextureSize, &size);
    ctx.doneCurrent();
    return size > 0 ? quint32(size) : fMaxBitmapSizeFallback;
}

quint32 TMainFrameBase::MaxBitmapSizeSupported()
{
    if (fMaxBitmapSizeSupported != 0)
        return fMaxBitmapSizeSupported;
    const quint32 size = rendererMaxBitmapSize();
    if (size == 0)
        throw Exception(QStringLiteral("TMainNavi.MaxBitmapSizeSupported: max bitmap size null, maybe renderer not ready"));
    fMaxBitmapSizeSupported = size;
    LogInfoFmt(QStringLiteral("Maximum bitmap size supported: %d"), { int(size) });
    return size;
}

// ------------------------------------------------------------ GUI Queue

IThreadTaskRef TMainFrameBase::GuiQueueAddCall(TProc proc, bool bGuiLock, IInterfaceRef data)
{
    IThreadTaskRef task = fGuiTaskQueue->AddCall(std::move(proc), std::move(data));
    if (bGuiLock) {
        if (TThreadTaskQueueWithoutThread::IsMainThread()) {
            fWaitingGuiTasksGuiLock = true;
            waitingGuiTasksStart();
        } else {
            // Read by the main thread at its next tick.
            QMetaObject::invokeMethod(this, [this] { fWaitingGuiTasksGuiLock = true; }, Qt::QueuedConnection);
        }
    }
    return task;
}

void TMainFrameBase::armIdle()
{
    if (fIdle.isActive())
        return;
    qint64 due = fGuiTaskQueue->NextTaskDueInMs();
    if (due < 0 && fGuiTaskQueue->Busy() && !fGuiTaskQueue->hasTaskInProgress())
        due = 0;
    if (due >= 0)
        fIdle.start(int(std::min<qint64>(due, fTimerQueue.interval())));
}

void TMainFrameBase::serveGuiQueue(const QString& where)
{
    if (!fGuiTaskQueue->hasTasks()) {
        if (fGuiTaskQueue->Busy() && !fGuiTaskQueue->hasTaskInProgress())
            fGuiTaskQueue->onProcessTask(); // lets the queue find itself empty
        waitingGuiTasksDone();
        return;
    }
    waitingGuiTasksStart();
    if (fMaxBitmapSizeSupported == 0) {
        try {
            MaxBitmapSizeSupported();
        } catch (const std::exception&) {
            return; // the renderer is not ready: no task on this tick
        }
    }
    // A task that waits (a nested wait serving events) must not see the
    // queue stepped again underneath it.
    if (fGuiTaskQueue->hasTaskInProgress())
        return;
    try {
        fGuiTaskQueue->onProcessTask();
    } catch (const std::exception& e) {
        LogFatal(where, e);
    }
}

void TMainFrameBase::TimerQueueTimer()
{
    if (fDebugInfoToUpdate)
        debugInfoUpdate();
    serveGuiQueue(QStringLiteral("TMainNavi.TimerQueueTimer"));
    armIdle();
}

void TMainFrameBase::AppIdle()
{
    const bool wasActive = fTimerQueue.isActive();
    fTimerQueue.stop();
    struct Restart {
        QTimer& t;
        bool on;
        ~Restart()
        {
            if (on)
                t.start();
        }
    } restart { fTimerQueue, wasActive };
    serveGuiQueue(QStringLiteral("TMainNavi.AppIdle"));
    armIdle();
}

// ------------------------------------------------------- message boxes

void TMainFrameBase::ShowEx(const std::exception& ex, TProc closeProc)
{
    TCtrlScreenBase::mainThreadCheck();
    auto* app = const_cast<EappBase*>(dynamic_cast<const EappBase*>(&ex));
    const QString text = TLogFile::exceptionToString(ex, TQzLogDest::MsgBox, GetDebugMode());
    if (auto* cancel = dynamic_cast<ECancel*>(app)) {
        cancel->ProcessShowEnd();
        if (!cancel->Message().isEmpty())
            ShowInfo(text, closeProc);
        else if (closeProc)
            closeProc();
        return;
    }
    if (auto* user = dynamic_cast<EUser*>(app)) {
        user->ProcessShowEnd();
        ShowWarning(text, closeProc);
        return;
    }
    LogError(QString(), ex);
    if (app)
        app->ProcessShowEnd();
    showErrorBox(text, closeProc);
}

void TMainFrameBase::showErrorBox(const QString& text, TProc closeProc)
{
    MessageDlgCusto(QStringLiteral("msgbox_error"), LangTexts::Shell::Error.Text(), text,
                    LangTexts::Shell::OK.Text(), closeProc, QString(), closeProc, true, nullptr);
}

void TMainFrameBase::ShowError(const QString& text, TProc closeProc)
{
    LogError(text);
    showErrorBox(text, std::move(closeProc));
}

void TMainFrameBase::ShowInfo(const QString& text, TProc closeProc)
{
    MessageDlgCusto(QStringLiteral("msgbox_info"), LangTexts::Shell::Information.Text(), text,
                    LangTexts::Shell::OK.Text(), closeProc, QString(), closeProc, true, nullptr);
}

void TMainFrameBase::ShowWarning(const QString& text, TProc closeProc)
{
    MessageDlgCusto(QStringLiteral("msgbox_warn"), LangTexts::Shell::Warning.Text(), text,
                    LangTexts::Shell::OK.Text(), closeProc, QString(), closeProc, true, nullptr);
}

void TMainFrameBase::ConfirmYesNo(const QString& text, TProc yesProc, TProc noProc)
{
    MessageDlgCusto(QStringLiteral("msgbox_question"), LangTexts::Shell::Question.Text(), text,
                    LangTexts::Shell::Yes.Text(), std::move(yesProc), LangTexts::Shell::No.Text(), std::move(noProc),
                    false, nullptr);
}

void TMainFrameBase::ConfirmOkCancel(const QString& text, TProc okProc, TProc cancelProc)
{
    MessageDlgCusto(QStringLiteral("msgbox_question"), LangTexts::Shell::Question.Text(), text,
                    LangTexts::Shell::OK.Text(), std::move(okProc), LangTexts::Shell::Cancel.Text(),
                    std::move(cancelProc), false, nullptr);
}

IMainPopupControllerRef TMainFrameBase::MessageDlgCusto(const QString& icon, const QString& title, const QString& msg,
                                                        const QString& btnText1, TProc btnProc1,
                                                        const QString& btnText2, TProc btnProc2, bool bBtn2IfClickOut,
                                                        TProc closeProc)
{
    TCtrlScreenBase::mainThreadCheck();
    auto box = TCtrlCommonBase::Create<TCtrlPopupMsgBox>(this, PopupPanel(QStringLiteral("PanelPopUpMsgBox")), icon,
                                                         title, msg, btnText1, std::move(btnProc1), btnText2,
                                                         std::move(btnProc2), bBtn2IfClickOut, std::move(closeProc));
    // A box that an open popup refuses still answers, through its close
    // procedure: whoever waits on it always goes on.
    if (!fPopups.popupAdd(box))
        box->RunCloseProcIfNeverOpened();
    return box;
}

// ---------------------------------------------------------- popup stack

void TMainFrameBase::popupAdd(IMainPopupControllerRef ctrl)
{
    TCtrlScreenBase::mainThreadCheck();
    fPopups.popupAdd(ctrl);
}

void TMainFrameBase::popupClose(IMainPopupControllerRef ctrl)
{
    TCtrlScreenBase::mainThreadCheck();
    fPopups.popupClose(ctrl);
}

void TMainFrameBase::popupCloseAll()
{
    fPopups.popupCloseAll();
}

void TMainFrameBase::popupCloseOnStepChange()
{
    fPopups.popupCloseOnStepChange();
}

IMainPopupControllerRef TMainFrameBase::popupShownGet(int idx)
{
    return fPopups.popupShownGet(idx);
}

int TMainFrameBase::calcPopupLevel(QObject* popupBg)
{
    auto* w = qobject_cast<QWidget*>(popupBg);
    if (w && w->parentWidget() == this) {
        const int idx = int(fWindowChildren.indexOf(QPointer<QWidget>(w)));
        if (idx >= 0)
            return 1000 + idx;
    } else if (w && w->parentWidget() == fLayoutAppTabContent) {
        const int idx = int(fTabChildren.indexOf(QPointer<QWidget>(w)));
        if (idx >= 0)
            return idx;
    }
    throw Exception(QStringLiteral("TMainNavi.calcPopupLevel: bg panel must be a direct child of TMainNavi or of LayoutAppTabContent"));
}

void TMainFrameBase::popupWaitAllClosed()
{
    if (fPopups.Count() == 0)
        return;
    if (fWaitingGuiTasksGuiLock) {
        fWaitingGuiTasksGuiLock = false;
        waitingIndicatorUpdate();
    }
    throw ETaskRetry(QStringLiteral("Waiting popup close"));
}

void TMainFrameBase::popupStepCover(bool covered)
{
    fTabControlMain->setEnabled(!covered);
}

void TMainFrameBase::popupStackChanged()
{
    updateTopBarInfo();
    fDebugInfoToUpdate = true;
}

// ------------------------------------------------------------ observers

void TMainFrameBase::EventObserverRegister(IMainObserverRef observer, TMainObservedEvent evtype)
{
    TCtrlScreenBase::mainThreadCheck();
    fEventsObs.Register(observer, evtype);
}

void TMainFrameBase::EventObserverUnregister(IMainObserverRef observer, TMainObservedEvent evtype)
{
    TCtrlScreenBase::mainThreadCheck();
    fEventsObs.Unregister(observer, evtype);
}

void TMainFrameBase::EventObservedRaise(TMainObservedEvent evtype, void* data)
{
    eventReaction(evtype, data);
    fEventsObs.Notify(evtype, data);
}

void TMainFrameBase::eventReaction(TMainObservedEvent evtype, void* data)
{
    switch (evtype) {
    case moe_imagesWorking:
        waitingIndicatorUpdate();
        break;
    case moe_debugMode:
        if (fCfg)
            TLogFile::GlobalChangeLevel(TLogLevel(fCfg->LogFileLevel()), fCfg->DebugMode());
        fDebugInfoToUpdate = true;
        break;
    default:
        break;
    }
}

void TMainFrameBase::eventsClear()
{
    for (const auto& [ev, count] : fEventsObs.Remaining())
        LogErrorFmt(QStringLiteral("TMainNavi.eventsClear: Event %d: staying %d observers registered"), { ev, count });
    fEventsObs.Clear();
}

// ------------------------------------------------ wait lock and indicator

void TMainFrameBase::GuiWaitLock()
{
    if (!TThreadTaskQueueWithoutThread::IsMainThread()) {
        LogWarn(QStringLiteral("TMainNavi.GuiWaitLock: called by another thread than main"));
        return;
    }
    if (++fGuiWaitLockCount == 1)
        waitingIndicatorUpdate();
}

void TMainFrameBase::GuiWaitUnlock()
{
    if (!TThreadTaskQueueWithoutThread::IsMainThread()) {
        LogWarn(QStringLiteral("TMainNavi.GuiWaitUnlock: called by another thread than main"));
        return;
    }
    if (fGuiWaitLockCount <= 0) {
        LogErrorFmt(QStringLiteral("TMainNavi.GuiWaitUnlock: unexpected call (lock count=%d)"), { fGuiWaitLockCount });
        return;
    }
    if (fGuiWaitLockCount-- == 1)
        waitingIndicatorUpdate();
}

void TMainFrameBase::waitingIndicatorUpdate()
{
    if (!fGuiTaskQueue || !fGuiTaskQueue->hasTasks()) {
        fWaitingGuiTasksGuiLock = false;
    } else if (fWaitingGuiTasksGuiLock) {
        fWaitingGuiTasks = true;
        waitingIndicatorShow();
        return;
    }
    fWaitingGuiTasks = false;
    if (fGuiWaitLockCount > 0) {
        waitingIndicatorShow();
        return;
    }
    IMainControllerRef top = fPopups.popupShownGet(0);
    if (!top)
        top = activeStepController();
    if (top && top->imagesWorkingIndicator() && imagesWorkingNow())
        waitingIndicatorShow();
    else
        waitingIndicatorHide();
}

void TMainFrameBase::waitingIndicatorShow()
{
    // Pending GUI-lock tasks and the wait lock block input; the spinner for
    // images being worked on lets it through.
    const bool block = fWaitingGuiTasks || fGuiWaitLockCount > 0;
    fLayoutWaiting->setAttribute(Qt::WA_TransparentForMouseEvents, !block);
    if (fLayoutWaiting->isVisible())
        return;
    LogDebug(QStringLiteral("TMainNavi.waitingIndicatorShow"));
    fLayoutWaiting->setGeometry(rect());
    fLayoutWaiting->show();
    fLayoutWaiting->raise();
    fAniIndicatorWaiting->setEnabled(true);
}

void TMainFrameBase::waitingIndicatorHide()
{
    if (!fLayoutWaiting->isVisible())
        return;
    LogDebug(QStringLiteral("TMainNavi.waitingIndicatorHide"));
    fLayoutWaiting->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    fLayoutWaiting->hide();
    fAniIndicatorWaiting->setEnabled(false);
}

void TMainFrameBase::waitingGuiTasksStart()
{
    if (fWaitingGuiTasksGuiLock && !fWaitingGuiTasks) {
        fWaitingGuiTasks = true;
        waitingIndicatorShow();
    }
}

void TMainFrameBase::waitingGuiTasksDone()
{
    fWaitingGuiTasksGuiLock = false;
    if (fWaitingGuiTasks) {
        fWaitingGuiTasks = false;
        waitingIndicatorUpdate();
    }
}

// --------------------------------------------------------------- top bar

bool TMainFrameBase::hasPhotographerLogo()
{
    return fCfg && QFile::exists(fCfg->CalcLogoPath());
}

void TMainFrameBase::topBarLogoShow(bool show)
{
    if (show && fTopBarLayoutLogo->isHidden() && fCfg)
        fTopBarLayoutLogo->setPixmap(QPixmap(fCfg->CalcLogoPath()).scaledToHeight(64, Qt::SmoothTransformation));
    fTopBarLayoutLogo->setVisible(show);
    fTopBarTextApp1->setVisible(!show);
    fTopBarTextApp2->setVisible(!show);
}

void TMainFrameBase::topBarTextsSet(const QString& title, const QString& subTitle)
{
    if (!title.isEmpty()) {
        fTopBarTextAlt->setText(title);
        fTopBarTextAlt->show();
        fTopBarTextApp1->hide();
        fTopBarTextApp2->hide();
        fTopBarLayoutLogo->hide();
    } else {
        topBarLogoShow(hasPhotographerLogo());
        fTopBarTextAlt->hide();
    }
    const QString sub = title.isEmpty() ? QString() : subTitle;
    fTopBarTextMobileAlt->show();
    if (!sub.isEmpty()) {
        fTopBarTextMobileAlt->setProperty("lightGrey", false);
        fTopBarTextMobileAlt->setStyleSheet(QStringLiteral("color: #FFFFFF; font-size: 24px;"));
        fTopBarTextMobileAlt->setText(sub);
    } else if (!fTopBarTextMobileAlt->property("lightGrey").toBool()) {
        fTopBarTextMobileAlt->setProperty("lightGrey", true);
        fTopBarTextMobileAlt->setStyleSheet(QStringLiteral("color: #D3D3D3; font-size: 9px;"));
        fTopBarTextMobileAlt->setText(DebugInfoText());
    }
}

void TMainFrameBase::mobileMarginsSet()
{
    auto visible = [this](const char* name) {
        auto* w = findChild<QWidget*>(QString::fromLatin1(name));
        return w && w->isVisible();
    };
    int right = visible("ButtonMobileCart") ? 85 : 5;
    if (visible("ButtonMobileShopInfo"))
        right += 80;
    if (visible("ButtonMobileDone"))
        right += 80;
    QMargins m = fLayoutTopBar->layout()->contentsMargins();
    if (m.right() != right) {
        m.setRight(right);
        fLayoutTopBar->layout()->setContentsMargins(m);
        fTopBarTextMobileAlt->setFixedWidth(qMax(0, 220 - right));
    }
}

void TMainFrameBase::updateTopBarInfo()
{
    workflowActionsUpdate();
    if (Zebdesign() == zebd_mobile) {
        for (const auto& p : fPopups.Items()) {
            const QString title = p->topBarTitle();
            if (!title.isEmpty()) {
                topBarTextsSet(title, p->topBarSubTitle());
                mobileMarginsSet();
                return;
            }
        }
        if (IMainControllerRef step = activeStepController())
            topBarTextsSet(step->topBarTitle(), step->topBarSubTitle());
        else
            topBarTextsSet(QString(), QString());
        mobileMarginsSet();
        return;
    }
    topBarLogoShow(hasPhotographerLogo());
    fTopBarTextAlt->hide();
    fTopBarTextMobileAlt->hide();
    QMargins m = fLayoutTopBar->layout()->contentsMargins();
    m.setRight(80);
    fLayoutTopBar->layout()->setContentsMargins(m);
}

// ------------------------------------------------------ debug and memory

QString TMainFrameBase::DebugInfoText() const
{
    QString text = QStringLiteral("V") + TAppTools::GetAppVersionStr();
    if (fCfg && fCfg->DebugMode())
        text = QStringLiteral("%1/%2/").arg(TCtrlScreenBase::LiveCount()).arg(QApplication::allWidgets().size()) + text;
    return text;
}

void TMainFrameBase::debugInfoUpdate()
{
    fDebugInfoToUpdate = false;
    const QString text = DebugInfoText();
    if (Zebdesign() == zebd_mobile) {
        if (fTopBarTextMobileAlt->property("lightGrey").toBool())
            fTopBarTextMobileAlt->setText(text);
    } else {
        fLblDebugInfo->setText(text);
    }
    if (auto* help = findChild<QLabel*>(QStringLiteral("LabelPopUpHelpDebug")))
        help->setText(text);
}

QString TMainFrameBase::AppMemoryUsageStr()
{
    if (!fCfg || fCfg->DebugMode())
        return AppMemoryUsageStrRelease();
    return QString();
}

QString TMainFrameBase::AppMemoryUsageStrRelease()
{
    return QStringLiteral("(ram: ") + TAppTools::AppMemoryUsageStr()
        + QStringLiteral(", controllers: %1, controls: %2)").arg(TCtrlScreenBase::LiveCount()).arg(QApplication::allWidgets().size());
}

void TMainFrameBase::OnBitmapCacheSizeChanged()
{
    if (GetDebugMode())
        fDebugInfoToUpdate = true;
}
