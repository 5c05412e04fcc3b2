#pragma once
// TMainFrameConnection<Base>: the lab-connection side of the main window,
// added on top of the window's base class (the shell's window skeleton or
// the workflow's): the requester and server address of the lab calls, the
// catalogue handed over by the connection step, the connection mode, the
// product-family states, the catalogue accessors that the connection needs,
// and the nine notifications of the connection step.
//
//   class TMainNavi : public TMainFrameConnection<TMainFrameWorkflow> { ... };
//
// What only the window can do is left to virtual hooks with empty defaults:
// releasing the order before a hand-over, dropping the web-service client,
// applying a new use mode, the actions offered after connecting, leaving
// the connection step.
#include "UCatalogueTypes.h"
#include "UCtrlConnecNotif.h"
#include "UMainObservers.h"
#include "UShopInfo.h"
#include "UWebSvcConnection.h"

#include "UConfig.h"

#include <QMap>

template <class Base>
class TMainFrameConnection : public Base, public ICtrlConnecNotif {
public:
    template <class... Args>
    explicit TMainFrameConnection(TConfig* cfg, Args&&... args)
        : Base(cfg, std::forward<Args>(args)...)
        , fConn(cfg)
        , fAutoLogin(cfg->AutoLogin())
    {
        fConn.zebdesignUpdate();
    }

    TWebSvcConnection& Connection() { return fConn; }
    TShopInfo* ShopInfo() const { return fConn.ShopInfo(); }

    // --- IMainFrame: the lab connection
    quint8 QzConnectionMode() override { return fConn.QzConnectionMode(); }
    bool IsOnline() override { return fConn.IsOnline(); }
    Demandeur2* GetWebSvcAsker() override { return fConn.GetWebSvcAsker(); }
    QString GetWebSvcAskerClearLogin() override { return fConn.GetWebSvcAskerClearLogin(); }
    QString GetWebSvcAskerClearPassword() override { return fConn.GetWebSvcAskerClearPassword(); }
    void SetWebSvcAskerClearLogin(const QString& log) override { fConn.SetWebSvcAskerClearLogin(log); }
    void SetWebSvcAskerClearPassword(const QString& pwd) override { fConn.SetWebSvcAskerClearPassword(pwd); }
    void WebSvcInit(THTTPRIO* webSvc) override { fConn.WebSvcInit(webSvc); }
    QString WebSvcRootUrl() override { return fConn.WebSvcRootUrl(); }
    void SetWebSvcRootUrl(const QString& url) override
    {
        if (fConn.SetWebSvcRootUrl(url))
            webSvcClientDrop();
    }
    Zebconsumer2* GetWebSvcConsumerBoot() override { return ShopInfo() ? ShopInfo()->Consumer() : nullptr; }
    Consommateur2* GetWebSvcConsumerFull() override { return common() ? common()->Consumer() : nullptr; }
    Photographe2* GetWebSvcPhotographer() override { return common() ? common()->Photographer() : nullptr; }
    TChannelList* GetWebSvcChannels() override { return common() ? common()->ChannelList() : nullptr; }
    void SetShopInfoDirty() override
    {
        if (ShopInfo())
            ShopInfo()->SetDirty();
    }
    void WebSvcConsumerForceUpdate() override
    {
        if (!GetWebSvcConsumerBoot())
            throw Exception(QStringLiteral("TMainNavi.WebSvcConsumerForceUpdate: no catalogue"));
        GetWebSvcConsumerBoot()->setLastUpdateConsumer(std::nullopt);
        ShopInfo()->SetDirty();
    }
    QSizeF BitmapSizeMmToPixel(int channelId, QSizeF sizeInMm, int* pdpi, bool bGpuLimit) override
    {
        if (!ShopInfo())
            throw ETaskNotReady(QStringLiteral("Common shop info not ready"));
        return ShopInfo()->BitmapSizeMmToPixel(this, channelId, sizeInMm, pdpi, bGpuLimit);
    }
    bool LoadWebSvcTemplateVelmoraInfo(int themeId, int tplWidth, int tplHeight) override
    {
        return ShopInfo() && ShopInfo()->LoadTemplateVelmoraInfo(themeId, tplWidth, tplHeight, this);
    }
    ZebtemplateVelmoraFrameInfo* GetWebSvcTemplateVelmoraInfo(ZebtemplateVelmora2* tpl) override
    {
        ZebtemplateVelmoraFrameInfo* info = ShopInfo() ? ShopInfo()->GetTemplateVelmoraInfo(tpl) : nullptr;
        if (!info)
            throw ETaskNotReady(QStringLiteral("Template info not ready"));
        return info;
    }
    void setProductVisibility(TProductVisibilityType prod, TProductVisibilityMode mode) override
    {
        fVisibility[int(prod)] = int(mode);
        this->EventObservedRaise(moe_productVisibility, nullptr);
    }
    TProductVisibilityMode getProductVisibility(TProductVisibilityType prod) override
    {
        return TProductVisibilityMode(fVisibility.value(int(prod), int(pvm_hidden)));
    }

    // --- ICtrlConnecNotif
    void onCtrlConnected(QObject* sender) override
    {
        connectedActionsApply(TWebSvcConnection::ConnectedActions(fConn.Zebdesign(), this->QzUseMode()));
        if (int(this->GetLaunchMode()) == kLaunchModeInitData) {
            initDataDone();
            return;
        }
        if (ShopInfo())
            ShopInfo()->productInfoLoad(this);
        connecStatusSet(fConn.IsOnline() ? kConnecStatusConnected : kConnecStatusOffline);
        connectionStepLeave();
    }
    void onCtrlDisconnected(QObject* sender) override
    {
        if (ShopInfo())
            ShopInfo()->productInfoLoadCancel();
        disconnectedActionsApply();
        connecStatusSet(kConnecStatusNotConnected);
        std::unique_ptr<TShopInfo> none;
        SetWebSvcShopInfo(none, false);
    }
    bool AutoLogin(QObject*) override { return fAutoLogin; }
    void SetAutoLogin(QObject*, bool value) override { fAutoLogin = value; }
    void SetServerUrlAndUseMode(const QString& url, TQzUseMode useMode) override
    {
        fConn.SetServerUrl(url);
        useModeSet(useMode);
        webSvcClientDrop();
        connecStatusSet(kConnecStatusConnecting);
    }
    void SetWebSvcShopInfo(std::unique_ptr<TShopInfo>& shopInfo, bool online) override
    {
        // The customer's order and workflow data never outlive the catalogue
        // they were built on.
        shopInfoHandOverPrepare();
        if (fConn.SetWebSvcShopInfo(shopInfo, online))
            useModeApply();
    }
    TConfig* ConfigObj() override { return static_cast<TConfig*>(this->Config()); }
    void showPhotographerMessage(QObject*, const QString& message, bool) override
    {
        this->ShowInfo(message, nullptr);
    }

protected:
    // Hooks of the window.
    // Saves and frees the order and the workflow data (before a hand-over).
    virtual void shopInfoHandOverPrepare() { }
    // Marks the web-service queue's lab client to be dropped.
    virtual void webSvcClientDrop() { }
    // Stores and applies a use mode (full screen, actions, design).
    virtual void useModeSet(TQzUseMode mode)
    {
        ConfigObj()->SetQzuseMode(mode);
        useModeApply();
    }
    virtual void useModeApply()
    {
        if (fConn.zebdesignUpdate())
            this->EventObservedRaise(moe_Zebdesign, nullptr);
    }
    virtual void connectedActionsApply(const TConnectedActions&) { }
    virtual void disconnectedActionsApply() { }
    // The log-in succeeded in the installation-data launch mode.
    virtual void initDataDone() { }
    // Leaves the connection step for the home step.
    virtual void connectionStepLeave() { }
    // Shows a connection status in the help popup.
    virtual void connecStatusShow(const QString& text) { }

    void connecStatusSet(int code)
    {
        if (fConn.connecStatusSet(code))
            connecStatusShow(TWebSvcConnection::ConnecStatusText(
                code, TWebSvcConnection::PrintSizeLimitInfo(ShopInfo(), this->MaxBitmapSizeSupported())));
    }

private:
    TShopCommonInfo* common() const { return ShopInfo() && ShopInfo()->CommonLoaded() ? ShopInfo()->Common() : nullptr; }

    TWebSvcConnection fConn;
    bool fAutoLogin;
    QMap<int, int> fVisibility;
};
