#pragma once
// What keeps a kiosk usable between customers, on top of the tools layer:
// - the customer-session predicate (catalogue loaded and a popup open, the
//   order in use, a step other than home, or a display preference or the
//   language changed by the customer) and the kiosk-in-use marker file that
//   exists exactly while a session is active in kiosk use;
// - the user-idle timer: in kiosk use, a session without activity for the
//   kiosk's turn-over time opens the countdown popup, which cancels the
//   order and restores the kiosk's preferences when it runs out;
// - the device watch: while somebody observes moe_devices, a one-second
//   timer (and any earlier nudge, such as a udev event) asks the media
//   root to refresh and raises moe_devices when it moved;
// - the three thumbnail factors (50 to 400 %), saved to the configuration
//   except for a kiosk customer, and the restore of the kiosk's preferences;
// - the pausing of the photo-source queues and the memory clean-up.
//
// What belongs to the media, the order and the catalogue is left to hooks
// that the program's window overrides.
#include "UMainFrameTools.h"
#include "UPopupPanel.h"

#include <QTimer>
#include <functional>

class TMainFrameSession : public TMainFrameTools {
public:
    static constexpr float kThumbMin = 50;
    static constexpr float kThumbMax = 400;

    explicit TMainFrameSession(TConfig* cfg, QWidget* parent = nullptr);
    ~TMainFrameSession() override;

    // --- display factors (IMainFrame 154 to 161; zoom in the tools layer)
    float GetThumbnailsFactor() override { return fThumbFactor; }
    void SetThumbnailsFactor(float fact) override;
    float GetThumbnailsBigFactor() override { return fThumbBigFactor; }
    void SetThumbnailsBigFactor(float fact) override;
    float GetThumbnailsOvwFactor() override { return fThumbOvwFactor; }
    void SetThumbnailsOvwFactor(float fact) override;

    // --- the customer session
    bool isCustomerSessionActive();
    bool isUserPrefChanged();
    bool isUserIdleBlocked();
    // Zoom, thumbnails and language back to the configuration's (kiosk
    // use with a catalogue, the window not closing).
    void kioskUserPrefRestore();
    // The marker file: created while a session is active in kiosk use,
    // deleted otherwise. A failure to create it is logged, never raised: an
    // order change must not fail for it.
    void kioskInUseFileUpdate() override;
    QString KioskInUsePath();

    // --- user idle
    void userIdleTimerReset() override;
    void onUserIdleTimer();
    // The popup's own timer (bound by name "TimerUserIdle").
    QTimer* TimerUserIdle() { return &fTimerUserIdle; }

    // --- device watch
    void TimerDeviceWatchTimer();
    QTimer* TimerDeviceWatch() { return &fTimerDeviceWatch; }
    // Runs the watch's tick soon (a udev event saw a drive come or go).
    void deviceWatchNudge();

    // What a customer's web pages left (cookies, caches, log-ins): the
    // screens that show web pages register how to clear it; every hook runs
    // when the next customer starts in kiosk use. A failing hook is logged.
    static void SessionClearHookAdd(const QString& name, std::function<void()> hook);
    static void SessionClearHookRemove(const QString& name);
    void sessionClearHooksRun();

    // --- queues and memory
    void setQueuesPaused(bool paused) override;
    void memoryCleanUp() override;

    void EventObserverRegister(IMainObserverRef observer, TMainObservedEvent evtype) override;

protected:
    void eventReaction(TMainObservedEvent evtype, void* data) override;
    void popupStackChanged() override;

    // Hooks of the program's window.
    // The current order exists and is in use (marked, or holding anything).
    virtual bool orderInUse() { return false; }
    // Refreshes the media root: true when it reports a change; tick gets
    // its refresh counter; data is what moe_devices carries.
    virtual bool deviceRootRefresh(quint32& tick, void*& data) { return false; }
    // The photo-source queues (bitmaps and list feeding), when they exist.
    virtual void sourcesQueuesPaused(bool paused) { }
    virtual bool webSvcQueueBusy() { return false; }
    // The bitmap cache drops what no control uses; a dump in debug mode.
    virtual void bitmapCacheCleanUp() { }
    virtual void bitmapCacheDebugDump() { }
    // The language of the configuration comes back (language popup LangLoad).
    virtual void kioskLanguageRestore(const QString& lang);
    // Pushes the countdown popup on PanelPopupUserIdle.
    virtual void userIdlePopupShow();

    quint32 fRootFolderTick = 0;
    // The next tick reports whatever the root says (a new observer). A
    // flag rather than the tick 0, which a root that never changed has.
    bool fDeviceWatchReport = true;

private:
    void thumbFactorSet(float& field, float fact, void (TConfig::*save)(float));

    float fThumbFactor = 100;
    float fThumbBigFactor = 100;
    float fThumbOvwFactor = 100;
    QTimer fTimerUserIdle;
    QTimer fTimerDeviceWatch;
    QMetaObject::Connection fUserIdleHandler;
};
