#include "UMainFrameSession.h"

#include "UConfig.h"
#include "UCtrlScreenBase.h"
#include "UCtrlPopupLangText.h"
#include "UDebug.h"
#include "UPopupPanel.h"
#include "UWorkflowSteps.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <map>
#include <mutex>

namespace {

std::mutex gSessionClearLock;
std::map<QString, std::function<void()>>& sessionClearHooks()
{
    static std::map<QString, std::function<void()>> hooks;
    return hooks;
}

} // namespace

TMainFrameSession::TMainFrameSession(TConfig* cfg, QWidget* parent)
    : TMainFrameTools(cfg, parent)
{
    if (fCfg) {
        fThumbFactor = std::clamp(fCfg->ThumbnailsFactor(), kThumbMin, kThumbMax);
        fThumbBigFactor = std::clamp(fCfg->ThumbnailsBigFactor(), kThumbMin, kThumbMax);
        fThumbOvwFactor = std::clamp(fCfg->ThumbnailsOvwFactor(), kThumbMin, kThumbMax);
    }
    fTimerUserIdle.setObjectName(QStringLiteral("TimerUserIdle"));
    RegisterField(QStringLiteral("TimerUserIdle"), &fTimerUserIdle);
    fTimerDeviceWatch.setObjectName(QStringLiteral("TimerDeviceWatch"));
    fTimerDeviceWatch.setInterval(1000);
    QObject::connect(&fTimerDeviceWatch, &QTimer::timeout, this, [this] { TimerDeviceWatchTimer(); });
    RegisterField(QStringLiteral("TimerDeviceWatch"), &fTimerDeviceWatch);
}

TMainFrameSession::~TMainFrameSession()
{
    fTimerUserIdle.stop();
    fTimerDeviceWatch.stop();
}

// -------------------------------------------------------------- factors

void TMainFrameSession::thumbFactorSet(float& field, float fact, void (TConfig::*save)(float))
{
    TCtrlScreenBase::mainThreadCheck();
    if (fact == field)
        return;
    field = std::clamp(fact, kThumbMin, kThumbMax);
    EventObservedRaise(moe_thumbnailsSize, nullptr);
    // A kiosk customer's choice lasts for that customer only.
    if (fCfg && (!catalogueLoaded() || !IsKiosk()))
        (fCfg->*save)(field);
}

void TMainFrameSession::SetThumbnailsFactor(float fact)
{
    thumbFactorSet(fThumbFactor, fact, &TConfig::SetThumbnailsFactor);
}

void TMainFrameSession::SetThumbnailsBigFactor(float fact)
{
    thumbFactorSet(fThumbBigFactor, fact, &TConfig::SetThumbnailsBigFactor);
}

void TMainFrameSession::SetThumbnailsOvwFactor(float fact)
{
    thumbFactorSet(fThumbOvwFactor, fact, &TConfig::SetThumbnailsOvwFactor);
}

// ------------------------------------------------------ customer session

bool TMainFrameSession::isUserPrefChanged()
{
    if (!fCfg || !IsKiosk() || !catalogueLoaded())
        return false;
    return GetZoomFactor() != fCfg->ZoomFactor() || fThumbFactor != fCfg->ThumbnailsFactor()
        || fThumbBigFactor != fCfg->ThumbnailsBigFactor() || fThumbOvwFactor != fCfg->ThumbnailsOvwFactor()
        || fLanguage != fCfg->Language();
}

bool TMainFrameSession::isCustomerSessionActive()
{
    if (!catalogueLoaded())
        return false;
    return Popups().Count() > 0 || orderInUse() || WorkflowStep() != &WorkflowSteps::TCtrlTileChoiceHomeProducts
        || isUserPrefChanged();
}

bool TMainFrameSession::isUserIdleBlocked()
{
    if (!catalogueLoaded())
        return true;
    for (int i = 0; i < Popups().Count(); ++i)
        if (IMainPopupControllerRef p = Popups().popupShownGet(i); p && p->userIdleBlocked())
            return true;
    if (IMainControllerRef step = activeStepController())
        return step->userIdleBlocked();
    return false;
}

void TMainFrameSession::kioskUserPrefRestore()
{
    if (!fCfg || !catalogueLoaded() || !IsKiosk() || fCloseMode == TCloseMode::CloseAsked)
        return;
    SetZoomFactor(fCfg->ZoomFactor());
    SetThumbnailsFactor(fCfg->ThumbnailsFactor());
    SetThumbnailsBigFactor(fCfg->ThumbnailsBigFactor());
    SetThumbnailsOvwFactor(fCfg->ThumbnailsOvwFactor());
    if (fCfg->Language() != fLanguage)
        kioskLanguageRestore(fCfg->Language());
}

void TMainFrameSession::kioskLanguageRestore(const QString& lang)
{
    fLanguage = lang;
    try {
        languagePopupOpen(TCtrlPopupLangMode::LangLoad);
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.kioskUserPrefRestore"), e);
    }
}

QString TMainFrameSession::KioskInUsePath()
{
    return fCfg ? fCfg->GetKioskInUsePath() : QString();
}

void TMainFrameSession::kioskInUseFileUpdate()
{
    if (!IsKiosk())
        return;
    const QString path = KioskInUsePath();
    if (path.isEmpty())
        return;
    if (isCustomerSessionActive()) {
        if (QFileInfo::exists(path))
            return;
        QFile f(path);
        const QByteArray text = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toUtf8();
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) {
            // The marker only tells the companion program that a customer is
            // here: an order change never fails for it.
            LogErrorFmt(QStringLiteral("Failed to create FileKioskInUsePath : %s"), { f.errorString() });
            f.close();
            QFile::remove(path);
        }
        return;
    }
    if (QFileInfo::exists(path) && !QFile::remove(path))
        LogErrorFmt(QStringLiteral("TMainNavi.kioskInUseFileUpdate: cannot delete %s"), { path });
}

// ------------------------------------------------------------- user idle

void TMainFrameSession::userIdleTimerReset()
{
    const int seconds = fCfg ? fCfg->KioskTurnOverTimer() : 0;
    if (seconds <= 0 || !IsKiosk() || !isCustomerSessionActive() || isUserIdleBlocked()) {
        fTimerUserIdle.stop();
        return;
    }
    // The countdown popup drives the timer while it is shown.
    if (TPopupPanel* panel = PopupPanel(QStringLiteral("PanelPopupUserIdle")); panel && panel->isVisible())
        return;
    fTimerUserIdle.stop();
    fTimerUserIdle.setInterval(seconds * 1000);
    QObject::disconnect(&fTimerUserIdle, &QTimer::timeout, nullptr, nullptr);
    fUserIdleHandler = QObject::connect(&fTimerUserIdle, &QTimer::timeout, this, [this] { onUserIdleTimer(); });
    fTimerUserIdle.start();
}

void TMainFrameSession::onUserIdleTimer()
{
    if (isUserIdleBlocked() || !isCustomerSessionActive()) {
        userIdleTimerReset();
        return;
    }
    fTimerUserIdle.stop();
    userIdlePopupShow();
}

void TMainFrameSession::userIdlePopupShow()
{
    try {
        popupPush(QStringLiteral("TCtrlPopupUserIdle"), QStringLiteral("PanelPopupUserIdle"));
    } catch (const EToDo& e) {
        // No countdown popup in this program: the abandoned order must not
        // reach the next customer all the same.
        LogWarn(QStringLiteral("TMainNavi.onUserIdleTimer: no countdown popup, order reset"), e);
        orderCancelAndUserPrefReset();
    }
}

// ---------------------------------------------------------- device watch

void TMainFrameSession::EventObserverRegister(IMainObserverRef observer, TMainObservedEvent evtype)
{
    TMainFrameTools::EventObserverRegister(std::move(observer), evtype);
    if (evtype == moe_devices)
        fDeviceWatchReport = true;
}

void TMainFrameSession::eventReaction(TMainObservedEvent evtype, void* data)
{
    const auto watched = TMainObservedEvent(reinterpret_cast<quintptr>(data));
    if (evtype == moe_observedStart && watched == moe_devices) {
        fDeviceWatchReport = true;
        if (Zebdesign() != zebd_mobile)
            fTimerDeviceWatch.start();
    } else if (evtype == moe_observedEnd && watched == moe_devices) {
        fTimerDeviceWatch.stop();
    }
    TMainFrameTools::eventReaction(evtype, data);
}

void TMainFrameSession::deviceWatchNudge()
{
    QTimer::singleShot(0, this, [this] {
        if (fTimerDeviceWatch.isActive())
            TimerDeviceWatchTimer();
    });
}

void TMainFrameSession::TimerDeviceWatchTimer()
{
    try {
        quint32 tick = 0;
        void* data = nullptr;
        const bool changed = deviceRootRefresh(tick, data);
        if (!changed && !fDeviceWatchReport && tick == fRootFolderTick)
            return;
        // A device plugged in counts as activity.
        userIdleTimerReset();
        EventObservedRaise(moe_devices, data);
        fRootFolderTick = tick;
        fDeviceWatchReport = false;
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.TimerDeviceWatchTimer"), e);
    }
}

// --------------------------------------------------- session clear hooks

void TMainFrameSession::SessionClearHookAdd(const QString& name, std::function<void()> hook)
{
    std::lock_guard lk(gSessionClearLock);
    sessionClearHooks()[name] = std::move(hook);
}

void TMainFrameSession::SessionClearHookRemove(const QString& name)
{
    std::lock_guard lk(gSessionClearLock);
    sessionClearHooks().erase(name);
}

void TMainFrameSession::sessionClearHooksRun()
{
    std::vector<std::pair<QString, std::function<void()>>> hooks;
    {
        std::lock_guard lk(gSessionClearLock);
        hooks.assign(sessionClearHooks().begin(), sessionClearHooks().end());
    }
    for (const auto& [name, hook] : hooks) {
        try {
            hook();
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TMainNavi.sessionClear(%1)").arg(name), e);
        }
    }
}

// ------------------------------------------------------ queues and memory

void TMainFrameSession::setQueuesPaused(bool paused)
{
    if (paused && webSvcQueueBusy()) {
        LogDebug(QStringLiteral("TMainNavi.setQueuesPaused(true): ignored, webSvc queue busy"));
        return;
    }
    sourcesQueuesPaused(paused);
}

void TMainFrameSession::memoryCleanUp()
{
    LogInfoFmt(QStringLiteral("TMainNavi.memoryCleanUp: start%s"), { AppMemoryUsageStrRelease() });
    bitmapCacheCleanUp();
    LogInfoFmt(QStringLiteral("TMainNavi.memoryCleanUp: end%s"), { AppMemoryUsageStrRelease() });
    if (GetDebugMode())
        bitmapCacheDebugDump();
}

void TMainFrameSession::popupStackChanged()
{
    TMainFrameTools::popupStackChanged();
    // An open popup is part of a session: the marker and the idle timer
    // follow the stack.
    kioskInUseFileUpdate();
    userIdleTimerReset();
    checkBluetoothService();
}
