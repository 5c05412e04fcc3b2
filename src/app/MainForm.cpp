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
#include "UCtrlAlbumFramesPerPage.h"
#include "UCtrlAlbumTheme.h"
#include "UCtrlCardBackground.h"
#include "UCtrlProductChoiceCardGroups.h"
#include "UCtrlProductChoicePrintBase.h"
#include "UCtrlProductChoicePrintBorder.h"
#include "UCtrlProductChoicePrintFront.h"
#include "UCtrlProductSizeAlbum.h"
#include "UCtrlProductSizeCalendar.h"
#include "UCtrlProductSizeCard.h"
#include "UCtrlProductSizePrint.h"
#include "UCtrlTileChoiceHomeProducts.h"
#include "UMainFrameTools.h"
#include "UCtrlPopupCgBase.h"
#include "UCtrlPopupMediaForgotten.h"
#include "UCtrlPopupBackHome.h"
#include "UCtrlPopupHelp.h"
#include "UCtrlTileChoiceAddMedia.h"
#include "UCtrlTileChoiceAlbumTypes.h"
#include "UCtrlTileChoiceCalendarTypes.h"
#include "UCtrlTileChoiceChangeView.h"
#include "UDesignedProducts.h"
#include "UWorkflowDataProductAlbum.h"
#include "UWorkflowDataProductCalendar.h"
#include "UWorkflowDataProductCard.h"
#include "UWorkflowDataProductPrint.h"
#include "UWorkflowDataSource.h"
#include "UQzFileSystemRes.h"
#include "UDebug.h"
#include "UDeviceChangeMonitor.h"
#include "ULangLoad.h"
#include "ULangTexts.h"
#include "UOrderBitmapCache.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "UQzFileSystemDrives.h"
#include "USoapHttpTrans.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UTools.h"
#include "UWorkflowDataProducts.h"
#include "UWorkflowDataSource.h"
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
        auto* navi = dynamic_cast<TMainNavi*>(main);
        host.languageSet = [navi](const QString& iso, bool save) {
            if (navi)
                navi->languageSet(iso, save);
        };
        // The load runs on the web-service queue; the popup's wait ends on
        // the main thread once it is over, failed or not.
        host.startLoad = [navi, weak](TCtrlPopupLangMode) {
            auto ended = [weak] {
                if (auto self = std::dynamic_pointer_cast<TCtrlPopupLangTextHard>(weak.lock()))
                    if (self->fPopup)
                        self->fPopup->LoadEnded();
            };
            if (navi)
                navi->languageLoadStart(ended);
            else
                ended();
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
    : TMainFrameConnection<TMainFrameSession>(cfg, parent)
{
    InstallOrderProductWorkflows();
    formCreate();
}

void TMainNavi::registerSteps()
{
    // The controllers of the screens built so far; every other step shows
    // its placeholder.
    WorkflowStepRegister<TCtrlConnec>(WorkflowSteps::TCtrlConnec);
    WorkflowStepRegister<TCtrlTileChoiceHomeProducts>(WorkflowSteps::TCtrlTileChoiceHomeProducts);
    WorkflowStepRegister<TCtrlTileChoiceCalendarTypes>(WorkflowSteps::TCtrlTileChoiceCalendarTypes);
    WorkflowStepRegister<TCtrlTileChoiceAlbumTypes>(WorkflowSteps::TCtrlTileChoiceAlbumTypes);
    WorkflowStepRegister<TCtrlTileChoiceAddMedia>(WorkflowSteps::TCtrlTileChoiceAddMedia);
    WorkflowStepRegister<TCtrlTileChoiceChangeViewPrint>(WorkflowSteps::TCtrlTileChoiceChangeViewPrint);
    WorkflowStepRegister<TCtrlTileChoiceChangeViewCommon>(WorkflowSteps::TCtrlTileChoiceChangeViewCommon);
    WorkflowStepRegister<TCtrlProductChoicePrintGroup>(WorkflowSteps::TCtrlProductChoicePrintGroup);
    WorkflowStepRegister<TCtrlProductChoicePrintSurface>(WorkflowSteps::TCtrlProductChoicePrintSurface);
    WorkflowStepRegister<TCtrlProductSizePrint>(WorkflowSteps::TCtrlProductSizePrint);
    WorkflowStepRegister<TCtrlProductChoicePrintFinish>(WorkflowSteps::TCtrlProductChoicePrintFinish);
    WorkflowStepRegister<TCtrlProductChoicePrintBorder>(WorkflowSteps::TCtrlProductChoicePrintBorder);
    WorkflowStepRegister<TCtrlProductChoicePrintFront>(WorkflowSteps::TCtrlProductChoicePrintFront);
    WorkflowStepRegister<TCtrlProductSizeCalendar>(WorkflowSteps::TCtrlProductSizeCalendar);
    WorkflowStepRegister<TCtrlProductChoiceCardGroups>(WorkflowSteps::TCtrlProductChoiceCardGroups);
    WorkflowStepRegister<TCtrlProductSizeCard>(WorkflowSteps::TCtrlProductSizeCard);
    WorkflowStepRegister<TCtrlCardBackground>(WorkflowSteps::TCtrlCardBackground);
    WorkflowStepRegister<TCtrlProductSizeAlbum>(WorkflowSteps::TCtrlProductSizeAlbum);
    WorkflowStepRegister<TCtrlAlbumTheme>(WorkflowSteps::TCtrlAlbumTheme);
    WorkflowStepRegister<TCtrlAlbumFramesPerPage>(WorkflowSteps::TCtrlAlbumFramesPerPage);
    // The terms of sale of the main window's action: for reading, no
    // acceptance to replay.
    TMainFrameTools::PopupClassRegister(QStringLiteral("TCtrlPopupCgv"), [](IMainFrame* main, TPopupPanel* bg) {
        return IMainPopupControllerRef(TCtrlCommonBase::Create<TCtrlPopupCgv>(main, bg, TProc()));
    });
    TMainFrameTools::PopupClassRegister(QStringLiteral("TCtrlPopupHelp"), [](IMainFrame* main, TPopupPanel* bg) {
        return IMainPopupControllerRef(TCtrlCommonBase::Create<TCtrlPopupHelp>(main, bg));
    });
    TMainFrameTools::PopupClassRegister(QStringLiteral("TCtrlPopupBackHome"), [](IMainFrame* main, TPopupPanel* bg) {
        return IMainPopupControllerRef(TCtrlCommonBase::Create<TCtrlPopupBackHome>(main, bg));
    });
    // A family tile of the home step drops the customer's earlier choices of
    // that family; cards and designer prints share their workflow data and
    // differ by its mode.
    TCtrlTileChoiceHomeProducts::FamilyDataReset = [](IMainFrame* main, TProductVisibilityType family) {
        switch (family) {
        case pvt_print:
            TCtrlScreenBase::WorkflowDataReset<TWorkflowDataProductPrint>(main);
            break;
        case pvt_book:
            TCtrlScreenBase::WorkflowDataReset<TWorkflowDataProductAlbum>(main);
            break;
        case pvt_calendar:
            TCtrlScreenBase::WorkflowDataReset<TWorkflowDataProductCalendar>(main);
            break;
        case pvt_card:
        case pvt_photoprod:
            TCtrlScreenBase::WorkflowDataReset<TWorkflowDataProductCard>(main);
            TCtrlScreenBase::WorkflowData<TWorkflowDataProductCard>(main)->setMode(
                family == pvt_card ? TTemplateType::ClassicTemplate : TTemplateType::DesignerPrint);
            break;
        default:
            break;
        }
    };
    TCtrlTileChoiceHomeProducts::DevicesDetected = [](IMainFrame* main) {
        return TCtrlScreenBase::WorkflowData<TWorkflowDataSource>(main)->HasDevicesDetected();
    };
    TCtrlPopupMediaForgotten::LanguagePopupOpen = [](IMainFrame* main) {
        if (auto* navi = dynamic_cast<TMainNavi*>(main))
            navi->openLanguagePopup();
    };
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
        // The photo sources outlive an order: a new kiosk customer gets
        // them reset, a customer at home keeps the pictures loaded.
        workflowDataKeep(typeid(TWorkflowDataSource),
                         [](IWorkflowData& data) { static_cast<TWorkflowDataSource&>(data).Reset(); });
        // A drive that comes or goes is seen at once, not at the next tick.
        fDeviceMonitor = std::make_unique<TDeviceChangeMonitor>([this] { deviceWatchNudge(); });
        QzfsSetImageCopyQueueProvider([](IMainFrame* main) -> TThreadTaskQueueBase* {
            auto* win = dynamic_cast<TMainNavi*>(main);
            if (!win || !TThreadTaskQueueWithoutThread::IsMainThread())
                return nullptr;
            auto wk = win->workflowDataSource();
            return wk ? wk->imgCopyTaskQueue() : nullptr;
        });
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
        languageTasksCancel();
        if (auto* app = dynamic_cast<TKioskApplication*>(qApp))
            app->SetExceptionHandler(nullptr);

        OnBackupAuto(true);
        activeStepClose();
        eventsClear();
        TimerDeviceWatch()->stop();
        fDeviceMonitor.reset();
        TimerUserIdle()->stop();
        bluetoothServiceFree();
        if (fBitmapCache) {
            try {
                BitmapCacheCtrlDestroyed(this);
            } catch (const std::exception& e) {
                LogError(QStringLiteral("TMainNavi.FormDestroy / BitmapCacheCtrlDestroyed"), e);
            }
            fBitmapCache->ClearAll();
        }
        popupCloseAll();
        // The photo sources stop their queues before the order and the media
        // root they read go.
        QzfsSetImageCopyQueueProvider(nullptr);
        setWorkflowData(typeid(TWorkflowDataSource), nullptr);
        workflowDataClear();
        fWebSvcQueue.reset();
        fOrder.reset();
        fRootFolder.reset();
        // The resource pictures leave the bitmap cache before it goes.
        fResImages.clear();
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
    languagePopupOpen(TCtrlPopupLangMode::LangLoad);
}

void TMainNavi::languagePopupOpen(TCtrlPopupLangMode mode)
{
    auto popup
        = TCtrlCommonBase::Create<TCtrlPopupLangTextHard>(this, PopupPanel(QStringLiteral("PanelPopupLangText")), mode);
    popupAdd(popup);
}

TMainLangLoadHost TMainNavi::languageHost()
{
    return TMainLangLoadHost(
        this, [this](const QString& iso, bool save) { languageSet(iso, save); },
        [this] { TCtrlPopupLangText::RetranslateWidgets(this); });
}

void TMainNavi::languageLoadStart(std::function<void()> ended)
{
    // The language in force when the load was asked for; the worker does
    // not read the window's fields.
    const QString lang = Lang();
    QPointer<TMainNavi> self(this);
    auto endOnMain = [self, ended] {
        QMetaObject::invokeMethod(qApp, [self, ended] {
            if (self)
                ended();
        }, Qt::QueuedConnection);
    };
    try {
        WebSvcAddCall([this, lang, endOnMain] {
            try {
                TMainLangLoadHost host = languageHost();
                TLanguages lg;
                TLangLoad::LanguageLoad(host, lg, lang, true, false);
            } catch (...) {
                endOnMain();
                throw;
            }
            endOnMain();
        });
    } catch (...) {
        endOnMain();
        throw;
    }
}

void TMainNavi::languageCheck()
{
    if (!fLanguageToCheck || !IsOnline())
        return;
    fLanguageToCheck = false;
    if (GetLaunchMode() == TLaunchMode::InitData || (fLanguageCheckTask && !fLanguageCheckTask->IsDone()))
        return;
    const QString lang = Lang();
    fLanguageCheckTask = WebSvcAddCall([this, lang] {
        TMainLangLoadHost host = languageHost();
        TLangLoad::LanguageCheck(host, lang);
    });
}

void TMainNavi::languageChanged()
{
    fLanguageToCheck = false;
    for (const IThreadTaskRef& task : { fLanguageCheckTask, fLanguageChangedTask })
        if (task)
            task->CancelAsk(ttwm_nowait);
    fLanguageChangedTask = GuiQueueAddCall([this] {
        // Everything on screen waits until no popup is open.
        popupWaitAllClosed();
        try {
            if (BreadCrumbBar())
                BreadCrumbBar()->OnLangChanged();
            if (ActiveStep() && !ActiveStep()->OnLangChanged())
                activeStepRebuild();
            updateTopBarInfo();
        } catch (const std::exception& e) {
            ShowEx(e, nullptr);
        }
    }, false, nullptr);
}

void TMainNavi::languageTasksCancel()
{
    try {
        for (IThreadTaskRef* task : { &fLanguageCheckTask, &fLanguageChangedTask }) {
            if (*task)
                (*task)->CancelAsk(ttwm_wait);
            task->reset();
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.languageTasksCancel"), e);
    }
}

void TMainNavi::eventReaction(TMainObservedEvent evtype, void* data)
{
    TMainFrameConnection<TMainFrameSession>::eventReaction(evtype, data);
    if (evtype == moe_language)
        languageChanged();
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
    bluetoothServiceTerminate();
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

TOrderImageBase* TMainNavi::GetResImg(const QString& name, const QString& ext)
{
    const QString key = name.toLower() + QLatin1Char('.') + ext.toLower();
    auto it = fResImages.find(key);
    if (it != fResImages.end())
        return it->second.get();
    auto img = std::make_unique<TImageExeResource>(this, name.toLower(), ext.toLower());
    TOrderImageBase* result = img.get();
    fResImages.emplace(key, std::move(img));
    return result;
}

bool TMainNavi::isCguMandatory()
{
    const QString server = WebSvcRootUrl().toLower();
    const QStringList bases = qEnvironmentVariable("KIOSK_TERMS_MANDATORY_SERVERS").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& base : bases)
        if (server.startsWith(base.trimmed().toLower()))
            return true;
    return false;
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
