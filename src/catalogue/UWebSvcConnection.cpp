#include "UWebSvcConnection.h"

#include "LumLabService.h"
#include "UConfig.h"
#include "UDebug.h"
#include "USoapHttpTrans.h"
#include "ULangText.h"
#include "UShopInfo.h"
#include "UTools.h"

#include <cmath>

namespace {

constexpr int kClientTimeoutMs = 300000;

} // namespace

TWebSvcConnection::TWebSvcConnection(TConfig* cfg)
    : fCfg(cfg)
{
    webSvcAskerBuild();
}

TWebSvcConnection::~TWebSvcConnection() = default;

void TWebSvcConnection::webSvcAskerBuild()
{
    auto asker = std::make_unique<Demandeur2>();
    asker->setVersion(TAppTools::GetAppWebSvcVersionStr());
    asker->setLogin(fCfg->Login());
    asker->setTypeDemandeur(Demandeur_Profil::Consommateur);
    asker->setPassword(TAppTools::CrypterMotDePasseAppelService(fCfg->Password()));
    fAsker = std::move(asker);
}

QString TWebSvcConnection::GetWebSvcAskerClearPassword() const
{
    return fCfg->Password();
}

QString TWebSvcConnection::GetWebSvcAskerClearLogin() const
{
    return fCfg->Login();
}

void TWebSvcConnection::SetWebSvcAskerClearPassword(const QString& pwd)
{
    fCfg->SetPassword(pwd);
    fAsker->setPassword(TAppTools::CrypterMotDePasseAppelService(fCfg->Password()));
}

void TWebSvcConnection::SetWebSvcAskerClearLogin(const QString& log)
{
    fCfg->SetLogin(log);
    fAsker->setLogin(log);
}

QString TWebSvcConnection::WebSvcRootUrl() const
{
    return fCfg->ServerUrl();
}

bool TWebSvcConnection::SetWebSvcRootUrl(const QString& url)
{
    if (url == fCfg->ServerUrl())
        return false;
    fCfg->SetServerUrl(url);
    return true;
}

QString TWebSvcConnection::ServiceUrl(const QString& rootUrl, bool serverOffline)
{
    return serverOffline ? rootUrl : rootUrl + QStringLiteral("LumLabService.svc");
}

void TWebSvcConnection::WebSvcInit(THTTPRIO* webSvc) const
{
    webSvc->SetURL(ServiceUrl(fCfg->ServerUrl(), fCfg->ServerOffline()));
    webSvc->HTTPWebNode().SetSendTimeout(kClientTimeoutMs);
    webSvc->HTTPWebNode().SetConnectTimeout(kClientTimeoutMs);
    webSvc->HTTPWebNode().SetReceiveTimeout(kClientTimeoutMs);
    LogInfo(QStringLiteral("Connecting to webService: ") + webSvc->URL());
}

TThreadTaskWebSvcQueue::TClientFactory TWebSvcConnection::ClientFactory()
{
    return [](const std::function<void(THTTPRIO*)>& configure) -> ILumLabServiceRef {
        ILumLabServicePtr client = GetILumLabService(QString());
        THTTPRIO rio(client->Transport());
        configure(&rio);
        return client;
    };
}

QString TWebSvcConnection::CheckServerUrl(const QString& url)
{
    static TLangText& txtInvalid
        = TLangText::Create(QStringLiteral("Server url is invalid: it should start with 'http://' or 'https://'"));
    if (!url.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)
        && !url.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        throw EUser(txtInvalid);
    return url.endsWith(QLatin1Char('/')) ? url : url + QLatin1Char('/');
}

void TWebSvcConnection::SetServerUrl(const QString& url)
{
    fCfg->SetServerUrl(CheckServerUrl(url));
    connecStatusSet(kConnecStatusConnecting);
}

quint8 TWebSvcConnection::ConnectionModeFor(char16_t letter, bool online)
{
    static TLangText& txtNoInternet = TLangText::Create(QStringLiteral(
        "The internet connection is not available.\nThis kiosk must be connected to the internet to function."));
    switch (letter) {
    case u'I':
        if (!online)
            throw Econnection(txtNoInternet);
        return kConnecModeKioskI;
    case u'L':
        return kConnecModeKioskL;
    case u'O':
        return kConnecModeKioskO;
    default:
        return online ? kConnecModeOnline : kConnecModeOffline;
    }
}

TQzUseMode TWebSvcConnection::UseModeForConnectionMode(quint8 mode, TQzUseMode current)
{
    if (mode == kConnecModeKioskI || mode == kConnecModeKioskL || mode == kConnecModeKioskO)
        return TQzUseMode::Kiosk;
    if (current == TQzUseMode::Kiosk)
        return TQzUseMode::FullTouchScreen;
    return current;
}

TZebdesign TWebSvcConnection::ZebdesignFor(TQzUseMode mode)
{
    switch (mode) {
    case TQzUseMode::Kiosk: return zebd_kiosk;
    case TQzUseMode::Mobile: return zebd_mobile;
    default: return zebd_home;
    }
}

QString TWebSvcConnection::UseModeName(TQzUseMode mode)
{
    switch (mode) {
    case TQzUseMode::Std: return QStringLiteral("Std");
    case TQzUseMode::TouchScreen: return QStringLiteral("TouchScreen");
    case TQzUseMode::FullScreen: return QStringLiteral("FullScreen");
    case TQzUseMode::FullTouchScreen: return QStringLiteral("FullTouchScreen");
    case TQzUseMode::Kiosk: return QStringLiteral("Kiosk");
    case TQzUseMode::Mobile: return QStringLiteral("Mobile");
    }
    return QString::number(int(mode));
}

TConnectedActions TWebSvcConnection::ConnectedActions(TZebdesign design, TQzUseMode mode)
{
    const bool kiosk = mode == TQzUseMode::Kiosk;
    TConnectedActions a;
    a.StartAgain = true;
    a.UpdateApp = design != zebd_mobile && !kiosk;
    a.MyOrders = !kiosk;
    a.MyAccount = !kiosk;
    a.Disconnect = !kiosk;
    a.LangKiosk = design != zebd_mobile;
    return a;
}

bool TWebSvcConnection::zebdesignUpdate()
{
    const TZebdesign d = ZebdesignFor(fCfg->QzuseMode());
    if (fZebdesignSet && d == fZebdesign)
        return false;
    fZebdesign = d;
    fZebdesignSet = true;
    return true;
}

void TWebSvcConnection::ReleaseShopInfo()
{
    fShopInfo.reset();
    fOnline = false;
}

bool TWebSvcConnection::SetWebSvcShopInfo(std::unique_ptr<TShopInfo>& shopInfo, bool online)
{
    // The previous catalogue goes first, whatever happens to the new one: a
    // refused hand-over must not leave the old account's catalogue in use.
    ReleaseShopInfo();
    if (!shopInfo || !shopInfo->Consumer()) {
        fConnectionMode = kConnecModeOffline;
        return false;
    }
    const Zebconsumer2& boot = *shopInfo->Consumer();
    fConnectionMode = ConnectionModeFor(boot.BorneModeCommunication(), online);
    const TQzUseMode before = fCfg->QzuseMode();
    const TQzUseMode after = UseModeForConnectionMode(fConnectionMode, before);
    if (after != before)
        fCfg->SetQzuseMode(after);
    fShopInfo = std::move(shopInfo);
    fOnline = online;
    LogInfo(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Consumer = ID : %1").arg(boot.Id()));
    LogInfo(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Photographer = ID : %1 / Name: %2")
                .arg(boot.PhotographeId())
                .arg(boot.ShopName()));
    LogInfo(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Use mode = %1").arg(UseModeName(fCfg->QzuseMode())));
    LogInfo(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Connection mode = %1").arg(fConnectionMode));
    return after != before;
}

bool TWebSvcConnection::connecStatusSet(int code)
{
    if (code == fConnecStatus)
        return false;
    fConnecStatus = code;
    return true;
}

QString TWebSvcConnection::ConnecStatusText(int code, const QString& printSizeLine)
{
    static TLangText& txtConnected = TLangText::Create(QStringLiteral("{APP} is connected to the server."));
    static TLangText& txtOffline = TLangText::Create(QStringLiteral("{APP} is in offline mode."));
    static TLangText& txtNotConnected = TLangText::Create(QStringLiteral("{APP} is not connected to the server."));
    static TLangText& txtConnecting = TLangText::Create(QStringLiteral("{APP} is connecting to the server..."));
    switch (code) {
    case kConnecStatusConnected: return txtConnected.Text() + printSizeLine;
    case kConnecStatusOffline: return txtOffline.Text() + printSizeLine;
    case kConnecStatusNotConnected: return txtNotConnected.Text();
    case kConnecStatusConnecting: return txtConnecting.Text();
    default: return QString();
    }
}

QString TWebSvcConnection::PrintSizeLimitInfo(const TShopInfo* shopInfo, quint32 maxBitmapSize)
{
    static TLangText& txtLimit = TLangText::Create(QStringLiteral("Print size limit: %dmm (%dpx / %ddpi)"));
    try {
        if (!shopInfo || !shopInfo->CommonLoaded())
            return QString();
        const Photographe2* phot = shopInfo->Common()->Photographer();
        const int dpi = phot ? phot->ResolutionDpi() : 0;
        if (dpi == 0)
            return QStringLiteral("\n(?1)");
        const int mm = int(std::nearbyint(double(maxBitmapSize) / dpi * 25.4));
        return QStringLiteral("\n") + txtLimit.Text({ mm, maxBitmapSize, dpi });
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.PrintSizeLimitInfo"), e);
        return QStringLiteral("\n(?2)");
    }
}
