// TMainNavi: the customer session (order reset, cancel, reload, archive,
// the ends of sending and payment), the media root and the device watch,
// the photo sources' queues, and the Bluetooth hooks.
#include "MainForm.h"

#include "UConfig.h"
#include "UDebug.h"
#include "ULabOrderContracts.h"
#include "ULangText.h"
#include "UMtpDevices.h"
#include "UOrderBitmapCache.h"
#include "UPopupPanel.h"
#include "UPrintOrder.h"
#include "UQzFileSystemBluetooth.h"
#include "UQzFileSystemDiskWPD.h"
#include "UQzFileSystemDrives.h"
#include "UQzbluetoothTransport.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UTools.h"
#include "UWorkflowDataSource.h"
#include "UWorkflowSteps.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QWidget>

namespace {

TLangText& txtImagesNotFound()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Your order contains %0:d/%1:d images not found"));
    return t;
}
TLangText& txtProductsWithErrors()
{
    static TLangText& t
        = TLangText::Create(QStringLiteral("Your order contains the following products with errors:\n%0:s"));
    return t;
}
TLangText& txtBluetoothCantStart()
{
    static TLangText& t = TLangText::Create(QStringLiteral(
        "{APP} can't start bluetooth sever !\n\nCheck if there is no other applications launched using bluetooth"));
    return t;
}

} // namespace

// The window's side of the Bluetooth service: the service's notifications,
// handed to the main thread by TQueuedObexNotif, reach the window here.
class TMainNavi::TObexTarget : public IBluetoothObexNotif {
public:
    explicit TObexTarget(TMainNavi* win)
        : fWin(win)
    {
    }
    void OnRecvConnecStart(TBluetoothServiceBase* sender) override
    {
        if (auto t = fWin->bluetoothNotifTarget())
            t->OnRecvConnecStart(sender);
    }
    void OnRecvFileStart(TBluetoothServiceBase* sender, const QString& fname, qint64 lgExpected) override
    {
        if (auto t = fWin->bluetoothNotifTarget())
            t->OnRecvFileStart(sender, fname, lgExpected);
    }
    void OnRecvFileProgress(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten,
                            qint64 lgExpected) override
    {
        if (auto t = fWin->bluetoothNotifTarget())
            t->OnRecvFileProgress(sender, fname, lgWritten, lgExpected);
    }
    void OnRecvFileEnd(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten) override
    {
        if (auto t = fWin->bluetoothNotifTarget())
            t->OnRecvFileEnd(sender, fname, lgWritten);
        // With or without a screen that wants it: the picture joins the
        // customer's Bluetooth inbox.
        fWin->workflowDataSource()->OnBluetoothRecvFileEnd(sender, fname);
    }
    void OnRecvConnecEnd(TBluetoothServiceBase* sender) override
    {
        if (auto t = fWin->bluetoothNotifTarget())
            t->OnRecvConnecEnd(sender);
    }
    bool OnRecvConnecError(TBluetoothServiceBase* sender, const std::exception& ex) override
    {
        auto t = fWin->bluetoothNotifTarget();
        return t && t->OnRecvConnecError(sender, ex);
    }
    void OnRecvServiceError(const std::exception&) override { }
    void OnRecvServiceStatus() override { }

private:
    TMainNavi* fWin;
};

// ----------------------------------------------------------- photo sources

std::shared_ptr<TWorkflowDataSource> TMainNavi::workflowDataSource()
{
    return TCtrlScreenBase::WorkflowData<TWorkflowDataSource>(this);
}

std::shared_ptr<TWorkflowDataSource> TMainNavi::workflowDataSourceIfAny()
{
    return std::dynamic_pointer_cast<TWorkflowDataSource>(getWorkflowData(typeid(TWorkflowDataSource)));
}

void TMainNavi::sourcesQueuesPaused(bool paused)
{
    if (auto wk = workflowDataSourceIfAny())
        wk->setQueuesPaused(paused);
}

bool TMainNavi::imagesWorkingNow()
{
    auto wk = workflowDataSourceIfAny();
    return wk && wk->ImagesWorking();
}

bool TMainNavi::webSvcQueueBusy()
{
    return fWebSvcQueue && fWebSvcQueue->Busy();
}

void TMainNavi::bitmapCacheCleanUp()
{
    if (fBitmapCache)
        fBitmapCache->memoryCleanUp();
}

void TMainNavi::bitmapCacheDebugDump()
{
    if (fBitmapCache)
        fBitmapCache->memoryDebugDump();
}

// -------------------------------------------------------------- media root

QStringList TMainNavi::imageSupportedExtList()
{
    static const QStringList masks = [] {
        QStringList out;
        for (const QByteArray& fmt : QImageReader::supportedImageFormats())
            out << QStringLiteral("*.") + QString::fromLatin1(fmt).toLower();
        out.removeDuplicates();
        return out;
    }();
    return masks;
}

std::shared_ptr<IQzfsRoot> TMainNavi::RootFolder()
{
    return fRootFolder;
}

TQzfsRootSources TMainNavi::mediaSources()
{
    TQzfsRootSources s = TQzfsRootSources::UserDefaults();
    s.bluetooth = [this](IQzfsRoot* root) -> IQzfsFolderRef {
        return std::make_shared<TQzfsFolderBluetoothRoot>(root->mainFrame(), QStringLiteral("bt:"), BluetoothPath());
    };
    s.portableDevices = [](IQzfsRoot* root, const IQzfsFolderRef& drives) -> IQzfsFolderRef {
        return std::make_shared<TQzfsWPDdrivesRoot>(root->mainFrame(), root->ImageCachePath(), QStringLiteral("wpd:"),
                                                    dynamic_cast<TQzfsWinDrivesRoot*>(drives.get()),
                                                    MtpCreateLibmtpManager());
    };
    return s;
}

void TMainNavi::mediaRootCreate()
{
    if (fRootFolder)
        return;
    fRootFolder = TQzfsFolderRoot::Create(this, fCfg->CalcImagesCachePath(), mediaSources());
    if (IsKiosk())
        fRootFolder->MarkStartupDrivesAsHidden();
}

bool TMainNavi::deviceRootRefresh(quint32& tick, void*& data)
{
    if (!fRootFolder)
        return false;
    const bool changed = fRootFolder->refreshNow();
    tick = fRootFolder->refreshTick();
    data = &fRootFolder;
    return changed;
}

// --------------------------------------------------------- customer session

bool TMainNavi::orderInUse()
{
    return fOrder && fOrder->isUsed();
}

void TMainNavi::workflowDataSourceImageRecup(TPrintOrder& order)
{
    std::unique_ptr<TOwnerList<TOrderImageBase>> images = order.usedImagesListDetach();
    if (!images)
        return;
    std::vector<TOrderImageBase*> list;
    images->SetOwnsObjects(false);
    for (int i = 0; i < images->Count(); ++i)
        list.push_back(images->Items(i));
    images->Clear();
    workflowDataSource()->imageOwnershipRecup(list);
}

void TMainNavi::orderReset(bool reload)
{
    if (reload && getProductVisibility(pvt_all) != pvm_visible)
        throw ETaskNotReady(QStringLiteral("Waiting shop information"));
    LogDebugFmt(QStringLiteral("TMainNavi.orderReset: start %s"), { AppMemoryUsageStr() });
    fTimerBackupAuto.stop();
    bluetoothReceptionDisable();

    if (std::unique_ptr<TPrintOrder> old = std::move(fOrder)) {
        try {
            // Outside the kiosk the customer keeps the photos already loaded.
            if (Zebdesign() != zebd_kiosk)
                workflowDataSourceImageRecup(*old);
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TMainNavi.orderReset / workflowDataSourceImageRecup"), e);
        }
        try {
            old.reset();
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TMainNavi.orderReset / order free"), e);
        }
    }
    workflowDataClear();
    fOrderLoadFailed = false;

    mediaRootCreate();
    if (reload && !fRootFolder->IsReadyToUse())
        throw ETaskRetry(QStringLiteral("TQzfsFolderRoot not ready to use"));

    try {
        if (reload) {
            fOrder = TPrintOrder::TryLoadCreate(this, fCfg->GetFileOrderBackupPath());
            if (fOrder) {
                QString text;
                if (fOrder->ImageUsedInvalidCount() > 0)
                    text = txtImagesNotFound().Text(
                        { fOrder->ImageUsedInvalidCount(), int(fOrder->usedImagesList().Count()) });
                if (!fOrder->ProductReloadMessage().isEmpty()) {
                    if (!text.isEmpty())
                        text += QStringLiteral("\n\n");
                    text += txtProductsWithErrors().Text({ fOrder->ProductReloadMessage() });
                }
                if (!text.isEmpty())
                    throw EUser(text);
            }
        } else if (!fOrderLoadAsking) {
            QFile::remove(fCfg->GetFileOrderBackupPath());
        }
    } catch (const std::exception& e) {
        if (!dynamic_cast<const EUser*>(&e)) {
            fOrder.reset();
            fOrderLoadFailed = true;
        }
        ShowEx(e, nullptr);
    }

    if (!fOrder) {
        // A new customer: nothing the previous one left stays behind.
        if (IsKiosk()) {
            fRootFolder->SessionClear();
            sessionClearHooksRun();
        }
        cleanBluetoothServiceTemp();
        cleanImagesFilesCache();
        fOrder = std::make_unique<TPrintOrder>(this);
    }

    actionsOnOrderReset();
    fTopToolBar->setEnabled(true);
    if (!(WorkflowStep() == &WorkflowSteps::TCtrlTileChoiceHomeProducts && reload))
        homeStepShow();
    setWorkflowStepVisible(&WorkflowSteps::TCtrlConnec, false);
    orderChanged();
    EventObservedRaise(moe_cartEmptiedOrReloaded, nullptr);
    userIdleTimerReset();
    LogDebugFmt(QStringLiteral("TMainNavi.orderReset: end %s"), { AppMemoryUsageStr() });
}

void TMainNavi::cleanImagesFilesCache()
{
    // The thumbnails and copies of the previous customer's pictures.
    const QString path = fCfg->CalcImagesCachePath();
    try {
        if (!path.isEmpty() && QFileInfo(path).isDir())
            TFileTools::DeleteDirFilesRec(path);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("cleanImagesFilesCache"), e);
    }
}

void TMainNavi::orderChanged()
{
    TCtrlScreenBase::mainThreadCheck();
    if (!fOrder)
        return;
    fOrder->SetDirty();
    fOrder->ProductsClean();
    if (QAction* cart = Action(QStringLiteral("ActionCart")); cart && cart->isVisible()) {
        try {
            cartCaptionSet(priceToStr(fOrder->totalPrice(), true));
        } catch (const std::exception& e) {
            LogDebug(QStringLiteral("TMainNavi.orderChanged / cart caption"), e);
        }
    }
    actionsOnOrderChanged(fOrder->isFilled(), fOrder->isUsed());
    kioskInUseFileUpdate();
    if (!fTimerBackupAuto.isActive() && fTimerBackupAuto.interval() > 0 && fCfg && fCfg->BackupAutoDelayS() >= 1)
        fTimerBackupAuto.start();
    EventObservedRaise(moe_orderChanged, nullptr);
}

void TMainNavi::orderMarkAsUsed()
{
    if (!fOrder || fOrder->isUsed())
        return;
    fOrder->markAsUsed();
    setActionActivatedStatus(Action(QStringLiteral("ActionCancelOrder")), true);
    kioskInUseFileUpdate();
}

void TMainNavi::orderCancelLow()
{
    navigationCancel();
    bool closeAll = false;
    for (int i = 0; i < Popups().Count(); ++i)
        if (IMainPopupControllerRef p = Popups().popupShownGet(i); p && p->closeOnStepChange())
            closeAll = true;
    if (closeAll)
        popupCloseAll();
    if (fCloseMode == TCloseMode::CloseAsked)
        return;
    setWorkflowStepVisible(&WorkflowSteps::TCtrlTileChoiceHomeProducts, true);
    orderReset(false);
    try {
        memoryCleanUp();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.orderCancelLow/memoryCleanUp"), e);
    }
}

void TMainNavi::orderCancel()
{
    orderCancelLow();
}

void TMainNavi::orderCancelAndUserPrefReset()
{
    orderCancelLow();
    kioskUserPrefRestore();
}

void TMainNavi::orderReload()
{
    navigationCancel();
    setWorkflowStepVisible(&WorkflowSteps::TCtrlTileChoiceHomeProducts, true);
    orderReset(true);
}

void TMainNavi::orderArchive()
{
    if (!fOrder || !fCfg)
        return;
    Commande2* received = fOrder->WebSvcOrderReceived();
    if (!QFileInfo::exists(fCfg->GetFileOrderBackupPath()) || fOrder->sendType() != TSendType::stUpload
        || QzConnectionMode() != kConnecModeOnline || !received)
        return;
    const QString folder = fCfg->CalcOrderArchivePath();
    QDir().mkpath(folder);
    fOrder->SetDirty();
    fOrder->Save(QDir(folder).filePath(received->Numero() + QStringLiteral(".qzo")));
}

void TMainNavi::orderBackupKeepAside()
{
    // A backup left by an earlier run (a crash, a power cut) is kept among
    // the saved copies of the order in progress, where the load-order
    // action finds it, before the new order replaces it.
    const QString backup = fCfg->GetFileOrderBackupPath();
    if (!QFileInfo::exists(backup))
        return;
    const QString folder = fCfg->CalcOrderBackupPath();
    QDir().mkpath(folder);
    const QString copy = QDir(folder).filePath(QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd_hh-mm-ss-zzz"))
                                               + QStringLiteral(".qzo"));
    if (!QFile::copy(backup, copy))
        LogErrorFmt(QStringLiteral("TMainNavi.orderBackupKeepAside: cannot copy %s"), { copy });
}

void TMainNavi::connectionStepLeave()
{
    languageCheck();
    if (fOrder) {
        homeStepShow();
        return;
    }
    orderBackupKeepAside();
    orderReset(false);
}

void TMainNavi::connectionModeSwitch(quint8 mode)
{
    Connection().SetConnectionMode(mode);
    Connection().SetOnline(mode == kConnecModeOnline);
    connecStatusSet(mode == kConnecModeOnline ? kConnecStatusConnected : kConnecStatusOffline);
}

// ------------------------------------------------------ ends of the order

void TMainNavi::onCtrlImgSendStart()
{
    navigationCancel();
    fTopToolBar->setEnabled(false);
}

void TMainNavi::onCtrlImgSendEnd(bool paymentToDo)
{
    if (paymentToDo) {
        TThreadTaskQueueWithoutThread::MainThreadSynchro([this] { onCtrlPaymentToDo(); });
        return;
    }
    orderArchive();
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this] {
        orderCancelAndUserPrefReset();
        fTopToolBar->setEnabled(true);
    });
}

void TMainNavi::onCtrlImgSendCancel()
{
    fTopToolBar->setEnabled(true);
    goWorkflowStep(&WorkflowSteps::TCtrlOrderRecap, true, true);
}

void TMainNavi::onCtrlImgSendChangeConnectionMode(quint8 mode)
{
    if (mode != kConnecModeOnline && mode != kConnecModeOffline)
        throw Exception(QStringLiteral("TMainNavi.onCtrlImgSendChangeConnectionMode: unexpected mode"));
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this, mode] { connectionModeSwitch(mode); });
}

void TMainNavi::onCtrlPaymentToDo()
{
    try {
        popupPush(QStringLiteral("TCtrlPopupWebBrowserPayment"), QStringLiteral("PanelPopUpWebBrowser"));
    } catch (const std::exception& e) {
        ShowEx(e, nullptr);
        onCtrlPaymentCancel();
    }
}

void TMainNavi::onCtrlPaymentEnd()
{
    orderArchive();
    TThreadTaskQueueWithoutThread::MainThreadSynchro([this] {
        orderCancelAndUserPrefReset();
        fTopToolBar->setEnabled(true);
        try {
            popupPush(QStringLiteral("TCtrlPopupOrderSent"), QStringLiteral("PanelPopupOrderSent"));
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TMainNavi.onCtrlPaymentEnd"), e);
        }
    });
}

void TMainNavi::onCtrlPaymentCancel()
{
    fTopToolBar->setEnabled(true);
    goWorkflowStep(&WorkflowSteps::TCtrlOrderRecap, true, true);
}

void TMainNavi::onCtrlOrderRecapCalibrationReadMore()
{
    calibrationPopupShow(nullptr);
}

// ----------------------------------------------------------------- Bluetooth

std::unique_ptr<TBluetoothServiceBase> TMainNavi::bluetoothServiceCreate(TBluetoothMode mode)
{
    if (mode == TBluetoothMode::BluetoothExtern)
        return std::make_unique<TBluetoothExternService>(imageSupportedExtList(), fCfg->BluetoothDeviceId(),
                                                         fCfg->BluetoothDevicePwd());
    return std::make_unique<TBluetoothObexService>(imageSupportedExtList(),
                                                   std::make_unique<TBluezObexListener>(TAppTools::GetAppNameStr()));
}

void TMainNavi::startBluetoothService()
{
    if (fBluetoothService)
        throw Exception(QStringLiteral("TMainNavi.startBluetoothService: already started"));
    fBluetoothError = false;
    const TBluetoothMode mode = fCfg ? fCfg->BluetoothMode() : TBluetoothMode::BluetoothDisabled;
    if (mode == TBluetoothMode::BluetoothDisabled) {
        fBluetoothPath.clear();
        LogDebug(QStringLiteral("TMainNavi.startBluetoothService: BT = disabled by config (key: BluetoothMode)"));
        return;
    }
    try {
        fBluetoothPath = fCfg->CalcBluetoothPath();
        if (mode == TBluetoothMode::BluetoothExtern && fCfg->BluetoothDeviceId().isEmpty()) {
            fBluetoothPath.clear();
            LogDebug(QStringLiteral(
                "TMainNavi.startBluetoothService: BT = extern disabled, no device id in config (key: BluetoothDeviceId)"));
            return;
        }
        std::unique_ptr<TBluetoothServiceBase> service = bluetoothServiceCreate(mode);
        if (mode != TBluetoothMode::BluetoothExtern && !service->AdapterConnected()) {
            service.reset();
            fBluetoothPath.clear();
            LogDebug(QStringLiteral("TMainNavi.startBluetoothService: BT = disabled, no adapter found"));
            return;
        }
        QDir().mkpath(fBluetoothPath);
        service->SetOutputPath(fBluetoothPath);
        service->SetReceptionEnabled(false);
        service->SetNotif(std::make_shared<TQueuedObexNotif>(this, std::make_shared<TObexTarget>(this)));
        fBluetoothService = std::move(service);
        if (mode == TBluetoothMode::BluetoothExtern)
            LogDebugFmt(QStringLiteral("TMainNavi.startBluetoothService: BT = extern, watching path %s"),
                        { fBluetoothPath });
        else
            LogDebug(QStringLiteral("TMainNavi.startBluetoothService: BT = enabled, adapter found"));
    } catch (const std::exception& e) {
        fBluetoothError = true;
        fBluetoothService.reset();
        fBluetoothPath.clear();
        LogError(QStringLiteral("TMainNavi.startBluetoothService"), e);
    }
}

TBluetoothMode TMainNavi::BluetoothMode()
{
    if (fBluetoothService)
        return fBluetoothService->AdapterConnected() ? TBluetoothMode::BluetoothEnabled
                                                     : TBluetoothMode::BluetoothDisabled;
    // A failed start offers the Bluetooth screen, which reports the failure.
    if (fBluetoothError)
        return TBluetoothMode::BluetoothEnabled;
    startBluetoothService();
    if (fBluetoothError || (fBluetoothService && fBluetoothService->AdapterConnected()))
        return TBluetoothMode::BluetoothEnabled;
    return TBluetoothMode::BluetoothDisabled;
}

QString TMainNavi::BluetoothPath()
{
    if (!fBluetoothPath.isEmpty())
        return fBluetoothPath;
    return fCfg ? fCfg->CalcBluetoothPath() : QString();
}

QString TMainNavi::BluetoothDeviceId()
{
    return fBluetoothService ? fBluetoothService->AdapterName() : QString();
}

QString TMainNavi::BluetoothDevicePwd()
{
    return fBluetoothService ? fBluetoothService->AdapterPwd() : QString();
}

IBluetoothObexNotif* TMainNavi::bluetoothNotifTarget()
{
    if (auto* step = dynamic_cast<IBluetoothObexNotif*>(ActiveStep().get()))
        return step;
    // From the bottom of the stack: the popup opened first wins.
    for (int i = Popups().Count() - 1; i >= 0; --i)
        if (auto* p = dynamic_cast<IBluetoothObexNotif*>(Popups().popupShownGet(i).get()))
            return p;
    return nullptr;
}

void TMainNavi::checkBluetoothService()
{
    if (fInBluetoothCheck)
        return;
    fInBluetoothCheck = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard { fInBluetoothCheck };
    IBluetoothObexNotif* target = bluetoothNotifTarget();
    if (!target)
        return;
    try {
        if (fBluetoothError || !fBluetoothService) {
            startBluetoothService();
            if (fBluetoothError)
                throw EUser(txtBluetoothCantStart().Text());
            target->OnRecvServiceStatus();
        }
        bluetoothReceptionEnable();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.checkBluetoothService"), e);
        target->OnRecvServiceError(e);
    }
}

void TMainNavi::bluetoothReceptionDisable()
{
    if (fBluetoothService)
        fBluetoothService->SetReceptionEnabled(false);
}

void TMainNavi::bluetoothReceptionEnable()
{
    if (fBluetoothService)
        fBluetoothService->SetReceptionEnabled(true);
}

void TMainNavi::cleanBluetoothServiceTemp()
{
    try {
        bluetoothReceptionDisable();
        if (!fBluetoothPath.isEmpty() && QFileInfo(fBluetoothPath).isDir())
            TFileTools::DeleteDirFilesRec(fBluetoothPath);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("cleanBluetoothServiceTemp"), e);
    }
}

void TMainNavi::bluetoothServiceTerminate()
{
    if (fBluetoothService)
        fBluetoothService->SetAppTerminated(true);
}

void TMainNavi::bluetoothServiceFree()
{
    if (fBluetoothService) {
        fBluetoothService->SetNotif(nullptr);
        fBluetoothService.reset();
    }
    fBluetoothPath.clear();
}
