#pragma once
// ICtrlConnecNotif: the nine operations through which the connection step
// reports to the main window, on top of IMainFrame. The main window
// implements both; the step finds this side of its main frame with a
// dynamic cast (a separate interface, so that a window deriving from the
// shell's main-frame base holds one IMainFrame only).
#include "IMainFrame.h"

#include <QString>
#include <memory>

class QObject;
class TConfig;
class TShopInfo;

// The launch mode in which the kiosk only downloads its installation data
// (TLaunchMode InitData).
constexpr int kLaunchModeInitData = 3;

class ICtrlConnecNotif {
public:
    virtual ~ICtrlConnecNotif() = default;
    // 172: the log-in succeeded and the catalogue was handed over (main thread).
    virtual void onCtrlConnected(QObject* sender) = 0;
    // 173: the step opened or a connection starts: drop the connected state.
    virtual void onCtrlDisconnected(QObject* sender) = 0;
    // 174, 175: connect as soon as the step opens.
    virtual bool AutoLogin(QObject* sender) = 0;
    virtual void SetAutoLogin(QObject* sender, bool value) = 0;
    // 176: stores the root address (with a final "/") and the use mode;
    // raises EUser for an address without a web scheme.
    virtual void SetServerUrlAndUseMode(const QString& url, TQzUseMode useMode) = 0;
    // 177: takes the catalogue root over (moves from shopInfo when it
    // accepts it); online: just confirmed by the lab. May raise, leaving
    // shopInfo to the caller.
    virtual void SetWebSvcShopInfo(std::unique_ptr<TShopInfo>& shopInfo, bool online) = 0;
    // 178: the kiosk working folders (called on the web-service worker).
    virtual void kioskInit() = 0;
    // 179
    virtual TConfig* ConfigObj() = 0;
    // 180: shows the store's message to the kiosk user.
    virtual void showPhotographerMessage(QObject* sender, const QString& message, bool fromConnection) = 0;
};
