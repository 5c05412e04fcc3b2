#pragma once
// TShopConnect: the connection task of the connection step, run on the
// web-service queue's worker: reads the cached catalogue, asks the lab for
// the kiosk's consumer record, decides from its four last-update stamps
// which catalogue parts must be fetched again (partial or full update),
// saves the catalogue root and hands it to the main window; when the lab
// cannot be reached it hands over the cached catalogue off-line instead.
#include "UShopInfoPart.h"

#include "ULabPartyContracts.h"

#include <QString>
#include <memory>
#include <optional>

class ICtrlConnecNotif;
class IMainFrame;
class QObject;
class TConfig;
class TShopInfo;

class TShopConnect {
public:
    // notif and window: the main window; ctrl: the status display (may be
    // null); sender: what the step passes as itself to the window.
    TShopConnect(ICtrlConnecNotif* notif, IMainFrame* window, IShopLoadCtrl* ctrl, QObject* sender);

    // Steps 1 to 3 of the connection (the caller queues the finish on the
    // GUI queue). Raises when neither the lab nor a cached catalogue gives a
    // catalogue; nothing is handed over then.
    void AsyncConnect();

    // The cached catalogue root, null without one (or without consumer).
    std::unique_ptr<TShopInfo> ShopInfoLoad();
    // The on-line part: consumer record, update decision, save, hand-over.
    // shopInfo is the cached root (may be null); it is moved to the main
    // window on success and left untouched when the lab fails before.
    void ShopInfoLoadOnLine(std::unique_ptr<TShopInfo>& shopInfo);
    // Off-line use of the cached root.
    void ShopInfoSetOffLine(std::unique_ptr<TShopInfo>& shopInfo);

    // The decision of which parts to reload after comparing the lab's
    // consumer record with the cached one.
    struct TUpdateDecision {
        bool full = true;
        bool consumerChanged = true;
        bool booksChanged = true;
        bool templatesChanged = true;
        bool calendarsChanged = true;
        bool askCommon = true;
        bool askPrint = true;
        bool askTpl = true;
        bool askBook = true;
        QString message; // the store message to show, empty: none
    };
    static TUpdateDecision Decide(const Zebconsumer2* cached, const Zebconsumer2& received);
    // Both stamps present and the same moment within one millisecond.
    static bool StampUnchanged(const std::optional<TXSDateTime>& a, const std::optional<TXSDateTime>& b);
    static QString XSDateTimeToLogText(const std::optional<TXSDateTime>& value);

private:
    IMainFrame* main() const;
    void status(const QString& text) const;

    ICtrlConnecNotif* fNotif;
    IMainFrame* fWindow;
    IShopLoadCtrl* fCtrl;
    QObject* fSender;
};
