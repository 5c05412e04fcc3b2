#include "MainForm.h"

#include "LumLabService.h"
#include "UAppStart.h"
#include "UConfig.h"
#include "UCtrlConnec.h"
#include "UCtrlCustomerDetails.h"
#include "UCtrlOrderInfos.h"
#include "UCtrlShoppingCart.h"
#include "UCtrlPopupBase.h"
#include "UCtrlPopupLangText.h"
#include "UDebug.h"
#include "ULangTexts.h"
#include "UOrderBitmapCache.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "USoapHttpTrans.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UTools.h"
#include "UWorkflowSteps.h"

#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kHiddenClicks = 10;
constexpr int kLocalOrderKeepDays = 14;

// The language popup on its panel: the popup widget of the language
// dictionaries, driven as a controller of the popup stack.
class TCtrlPopupLangTextHard : public TCtrlPopupHard {
public:
    TCtrlPopupLangTextHard(IMainFrame* main, TPopupPanel* bg, TCtrlPopupLangMode mode)
        : TCtrlPopupHard(main, bg)
        , fMode(mode)
    {
    }
    ~TCtrlPopupLangTextHard() override
    {
        if (fPopup)
            fPopup->deleteLater();
    }

    void OnOpen(IMainFrame* main) override
    {
        TCtrlPopupHard::OnOpen(main);
        TLangPopupHost host;
        std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
        // Nothing to load yet: the load ends at the next GUI Queue step.
        host.startLoad = [main, weak](TCtrlPopupLangMode) {
            main->GuiQueueAddCall([weak] {
                if (auto self = std::dynamic_pointer_cast<TCtrlPopupLangTextHard>(weak.lock()))
                    if (self->fPopup)
                        self->fPopup->LoadEnded();
            }, false, nullptr);
        };
        host.closeSelf = [this] { Close(); };
        host.closeAll = [main] { main->popupClose(nullptr); };
        fPopup = new TCtrlPopupLangText(host, Background(), fMode);
        fPopup->setGeometry(Background()->rect());
        fPopup->show();
        fPopup->OnOpen();
    }
    void OnClose() override
    {
        if (fPopup)
            fPopup->OnClose();
        TCtrlPopupHard::OnClose();
    }
    void OnResize(QWidget* parent) override
    {
        if (fPopup) {
            fPopup->setGeometry(Background()->rect());
            fPopup->OnResize();
        }
    }
    void OnBackgroundClick() override
    {
        if (fPopup)
            fPopup->OnBackgroundClick();
    }

private:
    TCtrlPopupLangMode fMode;
    QPointer<TCtrlPopupLangText> fPopup;
};

quint32 maxBitmapSizeFallback()
{
    // The largest bitmap side used when no OpenGL context can be asked;
    // KIOSK_MAX_BITMAP_SIZE sets it for a given machine.
    bool ok = false;
    const quint32 v = qEnvironmentVariableIntValue("KIOSK_MAX_BITMAP_SIZE", &ok);
    return ok && v >= 256 ? v : 8192;
}

} // namespace

TMainNavi::TMainNavi(TConfig* cfg, QWidget* parent)
    : TMainFrameConnection<TMainFrameWorkflow>(cfg, parent)
{
    formCreate();
}

void TMainNavi::registerSteps()
{
    // The controllers of the screens built so far; every other step shows
    // its placeholder.
    WorkflowStepRegister<TCtrlConnec>(WorkflowSteps::TCtrlConnec);
    WorkflowStepRegister<TCtrlShoppingCart>(WorkflowSteps::TCtrlShoppingCart);
    WorkflowStepRegister<TCtrlOrderInfosAskExpress>(WorkflowSteps::TCtrlOrderInfosAskExpress);
    WorkflowStepRegister<TCtrlCustomerDetails>(WorkflowSteps::TCtrlCustomerDetails);
}

void TMainNavi::formCreate()
{
    LogDebug(QStringLiteral("TMainNavi.FormCreate"));
    fLaunchMode = TLaunchMode::NotInit;
    setWindowTitle(TAppTools::GetAppNameStr() + QLatin1Char(' ') + TAppTools::GetAppVersionStr());
    SetMaxBitmapSizeFallback(maxBitmapSizeFallback());
    try {
        TabControlMain()->setEnabled(true);
        buildStartTab();
        registerSteps();
        workflowInit();
        fBitmapCache = std::make_unique<TOrderBitmapCache>(this);
        fWebSvcQueue = std::make_unique<TThreadTaskWebSvcQueue>(qApp, this, QStringLiteral("WebSvc Queue"));
        // The queue's lab client: created on the worker at its first lab
        // call, configured by WebSvcInit.
        fWebSvcQueue->SetClientFactory(TWebSvcConnection::ClientFactory());
        fWebSvcQueue->Start();

        if (fCfg) {
            try {
                if (fCfg->DoOpOnFirstAppVersionBoot())
                    LogInfo(QStringLiteral("First boot of this version of application."));
            } catch (const std::exception& e) {
                LogFatal(QStringLiteral("TMainNavi.FormCreate/first boot"), e);
            }
        }
        if (auto* app = dynamic_cast<TKioskApplication*>(qApp))
            app->SetExceptionHandler([this](const std::exception& ex) { AppException(ex); });
        TimerQueue()->setInterval(500);
        TimerQueue()->start();

        fLaunchMode = launchMode();
        if (fLaunchMode == TLaunchMode::Update)
            return;

        fTimerBackupAuto.setObjectName(QStringLiteral("TimerBackupAuto"));
        QObject::connect(&fTimerBackupAuto, &QTimer::timeout, this, [this] { TimerBackupAutoTimer(); });
        const int delay = fCfg ? fCfg->BackupAutoDelayS() : 0;
        if (delay >= 1) {
            fTimerBackupAuto.setInterval(delay * 1000);
            fTimerBackupAuto.start();
        }
        fTimerPopUpHiddenClick.setObjectName(QStringLiteral("TimerPopUpHiddenClick"));
        fTimerPopUpHiddenClick.setInterval(2000);
        QObject::connect(&fTimerPopUpHiddenClick, &QTimer::timeout, this, [this] { TimerPopUpHiddenClickTimer(); });
        RegisterField(QStringLiteral("LayoutBarTitle"), fTopToolBar);
        fTopToolBar->installEventFilter(this);

        debugInfoUpdate();

        if (fCfg && !fCfg->IOerrorMsg().isEmpty())
            ShowError(QStringLiteral("Configuration file problem :\r\n") + fCfg->IOerrorMsg(), [this] { startLangLoad(); });
        else
            startLangLoad();

        if (fLaunchMode == TLaunchMode::InitData && fCfg)
            fCfg->SetLanguage(QString());
        updateTopBarInfo();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.FormCreate"), e);
        throw;
    }
    qApp->installEventFilter(this);
    fUserActivityHooked = true;
}

TMainNavi::~TMainNavi()
{
    try {
        LogDebug(QStringLiteral("TMainNavi.FormDestroy called"));
        try {
            deleteUserStepsList();
        } catch (const EToDo&) {
            // No step history kept yet.
        }
        if (fUserActivityHooked) {
            qApp->removeEventFilter(this);
            fUserActivityHooked = false;
        }
        TimerQueue()->stop();
        if (auto* app = dynamic_cast<TKioskApplication*>(qApp))
            app->SetExceptionHandler(nullptr);

        OnBackupAuto(true);
        activeStepClose();
        eventsClear();
        if (fBitmapCache) {
            try {
                BitmapCacheCtrlDestroyed(this);
            } catch (const std::exception& e) {
                LogError(QStringLiteral("TMainNavi.FormDestroy / BitmapCacheCtrlDestroyed"), e);
            }
            fBitmapCache->ClearAll();
        }
        popupCloseAll();
        fWebSvcQueue.reset();
        fOrder.reset();
        fBitmapCache.reset();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.FormDestroy"), e);
    }
}

void TMainNavi::buildStartTab()
{
    fTabItemStart = new QWidget(TabControlMain());
    fTabItemStart->setObjectName(QStringLiteral("TabItem_0000appStart"));
    auto* lay = new QVBoxLayout(fTabItemStart);
    lay->addStretch(2);
    auto* title = new QLabel(TAppTools::GetAppNameStrForUI(), fTabItemStart);
    title->setObjectName(QStringLiteral("LabelAppStartTitle"));
    title->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("V") + TAppTools::GetAppVersionStr(), fTabItemStart);
    version->setObjectName(QStringLiteral("LabelAppStartVersion"));
    version->setAlignment(Qt::AlignCenter);
    lay->addWidget(title);
    lay->addWidget(version);
    lay->addStretch(3);
    TabControlMain()->addWidget(fTabItemStart);
    TabControlMain()->setCurrentWidget(fTabItemStart);
}

void TMainNavi::ShowAtStart()
{
    const TQzUseMode mode = QzUseMode();
    if (mode == TQzUseMode::Kiosk || mode == TQzUseMode::FullScreen || mode == TQzUseMode::FullTouchScreen)
        showFullScreen();
    else {
        resize(1280, 800);
        show();
    }
}

TLaunchMode TMainNavi::launchMode()
{
    return TLaunchMode::Normal;
}

TLaunchMode TMainNavi::GetLaunchMode()
{
    return fLaunchMode == TLaunchMode::NotInit ? launchMode() : fLaunchMode;
}

// ------------------------------------------------------------- language

void TMainNavi::startLangLoad()
{
    GuiQueueAddCall([this] { openLanguagePopup(); }, true, nullptr);
}

void TMainNavi::openLanguagePopup()
{
    auto popup = TCtrlCommonBase::Create<TCtrlPopupLangTextHard>(this, PopupPanel(QStringLiteral("PanelPopupLangText")),
                                                                 TCtrlPopupLangMode::LangLoad);
    popupAdd(popup);
}

// -------------------------------------------------------- automatic backup

void TMainNavi::TimerBackupAutoTimer()
{
    OnBackupAuto(false);
    fTimerBackupAuto.start();
}

void TMainNavi::OnBackupAuto(bool force)
{
    // A busy web-service queue may be installing catalogue parts: only the
    // catalogue waits for it. Configuration and order never wait, so a long
    // upload cannot leave the customer's order without a backup.
    const bool webSvcBusy = !force && fWebSvcQueue && fWebSvcQueue->Busy();
    fTimerBackupAuto.stop();
    try {
        if (fCfg)
            fCfg->Save();
        if (webSvcBusy)
            LogDebug(QStringLiteral("TMainNavi.OnBackupAuto postponed, web svc queue busy"));
        if (fOrder && fCfg && fOrder->Dirty() && !fOrderLoadAsking && (!fOrderLoadFailed || !fOrder->IsEmpty())) {
            fOrderLoadFailed = false;
            fOrder->SaveOrDelete(fCfg->GetFileOrderBackupPath());
        }
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.OnBackupAuto"), e);
    }
}

// --------------------------------------------------------- hidden clicks

void TMainNavi::LayoutBarTitleClick()
{
    fTimerPopUpHiddenClick.stop();
    LogDebug(QStringLiteral("fCptHiddenPanelClick : ") + QString::number(fCptHiddenPanelClick));
    ++fCptHiddenPanelClick;
    if (fCptHiddenPanelClick < kHiddenClicks) {
        fTimerPopUpHiddenClick.start();
        return;
    }
    fCptHiddenPanelClick = 0;
    IMainControllerRef top = popupShownGet(0);
    if (!top)
        top = activeStepController();
    if (top)
        top->taskCancel();
    hiddenBackOfficeOpen();
}

void TMainNavi::TimerPopUpHiddenClickTimer()
{
    LogDebug(QStringLiteral("TimerPopUpHiddenClickTimer : RESET"));
    fCptHiddenPanelClick = 0;
    fTimerPopUpHiddenClick.stop();
}

void TMainNavi::hiddenBackOfficeOpen()
{
    throw EToDo(QStringLiteral("TMainNavi.hiddenBackOfficeOpen: not available yet"));
}

bool TMainNavi::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == fTopToolBar && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)) {
        LayoutBarTitleClick();
        return false;
    }
    if (fUserActivityHooked && (e->type() == QEvent::KeyPress || e->type() == QEvent::MouseButtonPress))
        userActivity();
    return TMainFrameWorkflow::eventFilter(watched, e);
}

// ------------------------------------------------------ kiosk folders

void TMainNavi::kioskInit()
{
    const quint8 mode = QzConnectionMode();
    if (mode != 21 && mode != 22)
        return;
    const QString base = fCfg->CalcLocalOrdersPath();
    for (const char* sub : { "", "Ready", "Direct", "Archive" })
        QDir().mkpath(QDir(base).filePath(QString::fromLatin1(sub)));
    // Linux keeps no settable creation date: a dated folder's age is its
    // last modification, which its creation set.
    const QDateTime limit = QDateTime::currentDateTime().addDays(-kLocalOrderKeepDays);
    const std::pair<const char*, const char*> folders[] = {
        { "Archive", "TMainNavi.kioskInit(1)/ error deleting dir %s" },
        { "Direct", "TMainNavi.kioskInit(2)/ error deleting dir %s" },
    };
    for (const auto& [sub, errorFmt] : folders) {
        QDir dir(QDir(base).filePath(QString::fromLatin1(sub)));
        for (const QFileInfo& fi : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (fi.lastModified() > limit)
                continue;
            try {
                if (!QDir(fi.filePath()).removeRecursively())
                    throw EOSError(QStringLiteral("cannot remove ") + fi.filePath());
            } catch (const std::exception& e) {
                LogDebugFmt(QString::fromLatin1(errorFmt), { fi.filePath() }, e);
            }
        }
    }
}

// ------------------------------------------------------------- closing

void TMainNavi::closeEvent(QCloseEvent* e)
{
    runFormClose(e);
}

void TMainNavi::runFormClose(QCloseEvent* e)
{
    if (fCloseMode == TCloseMode::CloseToAsk && launchMode() == TLaunchMode::Normal) {
        ConfirmYesNo(LangTexts::Shell::DoReallyWantExitApplication.Text({ TAppTools::GetAppNameStr() }),
                     [this] {
                         GuiQueueAddCall([this] {
                             fCloseMode = TCloseMode::CloseAsked;
                             close();
                         }, true, nullptr);
                     },
                     nullptr);
        e->ignore();
        return;
    }
    LogDebug(QStringLiteral("TMainNavi.FormClose called"));
    e->accept();
    popupCloseAll();
    activeStepClose();
}

void TMainNavi::AppException(const std::exception& ex)
{
    try {
        ShowEx(ex, nullptr);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.AppException"), e);
    }
}


void TMainNavi::popupAfterClose(IMainPopupController* ctrl)
{
    if (dynamic_cast<TCtrlPopupLangTextHard*>(ctrl) && TabControlMain()->currentWidget() == fTabItemStart)
        languagePopupClosedOnStart();
}

// -------------------------------------------------------- order and lab

void TMainNavi::SetOrder(std::unique_ptr<TPrintOrder> order)
{
    fOrder = std::move(order);
}

TPrintOrder* TMainNavi::GetOrder()
{
    return fOrder.get();
}

ILumLabServiceRef TMainNavi::GetWebSvcLum()
{
    throw Exception(QStringLiteral("TMainNavi.GetWebSvcLum: not implemented"));
}

IThreadTaskRef TMainNavi::WebSvcAddCall(TProc proc)
{
    return fWebSvcQueue->AddCall(std::move(proc));
}

void TMainNavi::webSvcClientDrop()
{
    if (fWebSvcQueue)
        fWebSvcQueue->WebSvcLumclose();
}

void TMainNavi::shopInfoHandOverPrepare()
{
    // The order was built on the catalogue being replaced: keep its backup
    // on disk, then let it and the workflow data go.
    if (fOrder && fCfg && fOrder->Dirty()) {
        try {
            fOrder->SaveOrDelete(fCfg->GetFileOrderBackupPath());
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TMainNavi.shopInfoHandOverPrepare"), e);
            throw;
        }
    }
    fOrder.reset();
    workflowDataClear();
}

void TMainNavi::initDataDone()
{
    // The installation data are in place: the program ends without asking.
    fCloseMode = TCloseMode::CloseAsked;
    QTimer::singleShot(0, this, [this] { close(); });
}

// --------------------------------------------------------- bitmap cache

IOrderBitmapRef TMainNavi::BitmapCache(TImageSource* imageParent, int bitmapWidthMax, int bitmapHeightMax,
                                       TOrderBitmapMode bitmapMode)
{
    return fBitmapCache->Access(imageParent, bitmapWidthMax, bitmapHeightMax, bitmapMode);
}

void TMainNavi::BitmapCacheCtrlStartUse(QObject* ctrl)
{
    TCtrlScreenBase::mainThreadCheck();
    fBitmapCache->controlStartUse(ctrl);
}

void TMainNavi::BitmapCacheCtrlEndUse(QObject* ctrl, bool bUseCleanEnabled)
{
    TCtrlScreenBase::mainThreadCheck();
    fBitmapCache->controlEndUse(ctrl, bUseCleanEnabled);
}

void TMainNavi::BitmapCacheCtrlDestroyed(QObject* ctrl)
{
    TCtrlScreenBase::mainThreadCheck();
    fBitmapCache->controlDestroyed(ctrl);
}

QString TMainNavi::AppMemoryUsageStrRelease()
{
    QString text = QStringLiteral("(ram: ") + TAppTools::AppMemoryUsageStr();
    if (fBitmapCache)
        text += QStringLiteral(", cache: %1MB (%2)")
                    .arg(double(fBitmapCache->CacheSizeActual()) / 1048576.0, 0, 'f', 3)
                    .arg(fBitmapCache->ItemCountActual());
    return text + QStringLiteral(", controllers: %1, controls: %2)")
                      .arg(TCtrlScreenBase::LiveCount())
                      .arg(QApplication::allWidgets().size());
}
