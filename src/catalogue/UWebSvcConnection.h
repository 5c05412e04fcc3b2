#pragma once
// TWebSvcConnection: what the main window keeps of its connection to the
// lab web service: the requester record that goes with every lab call, the
// server address and the settings of new lab clients, the catalogue handed
// over after the log-in, the connection-mode code of the shop account, the
// GUI design that follows from the use mode, the connection status of the
// help popup, and the actions offered once connected.
//
// The main window (IMainFrame, ICtrlConnecNotif) holds one and forwards its
// connection operations to it; the parts that need the window itself (the
// order, the workflow data, the tool bar, full screen) stay in the window,
// which this class tells through its return values.
#include "UCatalogueTypes.h"
#include "UThreadTaskWebSvcQueue.h"

#include <QString>
#include <memory>

class Demandeur2;
class TConfig;
class TShopInfo;
class THTTPRIO;
enum class TQzUseMode;

// Connection-mode codes (IMainFrame::QzConnectionMode).
enum : quint8 {
    kConnecModeNone = 0,
    kConnecModeOnline = 10,
    kConnecModeOffline = 11,
    kConnecModeKioskI = 20,
    kConnecModeKioskL = 21,
    kConnecModeKioskO = 22,
};

// Connection-status codes shown in the help popup.
enum : int {
    kConnecStatusNone = 0,
    kConnecStatusConnected = 17,
    kConnecStatusOffline = 18,
    kConnecStatusNotConnected = 19,
    kConnecStatusConnecting = 20,
};

// The actions switched on when the log-in succeeded (the others stay as
// they were).
struct TConnectedActions {
    bool StartAgain = false;
    bool UpdateApp = false;
    bool MyOrders = false;
    bool MyAccount = false;
    bool Disconnect = false;
    bool LangKiosk = false;
};

class TWebSvcConnection {
public:
    // cfg: the configuration (not owned); the requester is built at once.
    explicit TWebSvcConnection(TConfig* cfg);
    ~TWebSvcConnection();
    TWebSvcConnection(const TWebSvcConnection&) = delete;
    TWebSvcConnection& operator=(const TWebSvcConnection&) = delete;

    // --- requester
    // Builds a new requester from the configuration: version, login,
    // profile Consommateur, and the service form of the password.
    void webSvcAskerBuild();
    Demandeur2* GetWebSvcAsker() const { return fAsker.get(); }
    QString GetWebSvcAskerClearPassword() const;
    QString GetWebSvcAskerClearLogin() const;
    void SetWebSvcAskerClearPassword(const QString& pwd);
    void SetWebSvcAskerClearLogin(const QString& log);

    // --- server address and lab clients
    QString WebSvcRootUrl() const;
    // Stores a different address; true when it changed (the caller then
    // marks the web-service queue's client to be dropped).
    bool SetWebSvcRootUrl(const QString& url);
    // The service address of a client: the root followed by
    // "LumLabService.svc", or the root unchanged in off-line server mode.
    static QString ServiceUrl(const QString& rootUrl, bool serverOffline);
    // Sets a new client's address and time-outs and logs the connecting line.
    void WebSvcInit(THTTPRIO* webSvc) const;
    // The factory that web-service queues use to build their lab client:
    // the settings come from configure (the main frame's WebSvcInit).
    static TThreadTaskWebSvcQueue::TClientFactory ClientFactory();
    // Checks a server address typed on the connection step and returns it
    // with a closing "/"; raises EUser for a scheme other than http(s).
    static QString CheckServerUrl(const QString& url);
    // Stores the checked address and shows the status "connecting". The
    // caller then sets the use mode and drops the web-service client.
    void SetServerUrl(const QString& url);

    // --- connection mode and design
    // The code for the account's kiosk communication letter; raises
    // Econnection for the letter "I" off-line.
    static quint8 ConnectionModeFor(char16_t letter, bool online);
    // The use mode that a connection mode forces from the current one;
    // equal to current when nothing changes.
    static TQzUseMode UseModeForConnectionMode(quint8 mode, TQzUseMode current);
    static TZebdesign ZebdesignFor(TQzUseMode mode);
    static QString UseModeName(TQzUseMode mode);
    static TConnectedActions ConnectedActions(TZebdesign design, TQzUseMode mode);

    TZebdesign Zebdesign() const { return fZebdesign; }
    // Computes the design for the configured use mode; true when it changed
    // (the caller lays the tool bar out and raises moe_Zebdesign).
    bool zebdesignUpdate();

    // --- catalogue hand-over
    // Takes the catalogue over: the previous one is freed first, then the
    // mode follows from the account's letter. shopInfo is taken (moved
    // from) only when accepted; a root without a consumer record is left to
    // the caller and gives mode 11, as does nullptr. Raises Econnection for
    // an account in mode "I" off-line, after the previous catalogue was
    // released and with shopInfo left to the caller. Writes the four
    // "[CONNECTION]" log lines. Returns true when the use mode changed (the
    // caller applies it).
    bool SetWebSvcShopInfo(std::unique_ptr<TShopInfo>& shopInfo, bool online);
    // Frees the catalogue (the disconnection).
    void ReleaseShopInfo();
    TShopInfo* ShopInfo() const { return fShopInfo.get(); }
    bool IsOnline() const { return fOnline; }
    quint8 QzConnectionMode() const { return fConnectionMode; }
    // The sending step switches between on-line and off-line later.
    void SetConnectionMode(quint8 mode) { fConnectionMode = mode; }
    void SetOnline(bool online) { fOnline = online; }

    // --- connection status of the help popup
    int ConnecStatus() const { return fConnecStatus; }
    // True when the code changed (the caller shows ConnecStatusText).
    bool connecStatusSet(int code);
    // The text of a status code; printSizeLine follows the connected and
    // off-line texts.
    static QString ConnecStatusText(int code, const QString& printSizeLine);
    // The print-size line: empty without a loaded shop-wide part, "(?1)"
    // when the resolution is unknown, else the largest print in millimetres
    // with its pixels and dpi. Never raises ("(?2)" instead).
    static QString PrintSizeLimitInfo(const TShopInfo* shopInfo, quint32 maxBitmapSize);

private:
    TConfig* fCfg;
    std::unique_ptr<Demandeur2> fAsker;
    std::unique_ptr<TShopInfo> fShopInfo;
    bool fOnline = false;
    quint8 fConnectionMode = kConnecModeNone;
    TZebdesign fZebdesign = zebd_home;
    bool fZebdesignSet = false; // no design computed yet
    int fConnecStatus = kConnecStatusNone;
};
