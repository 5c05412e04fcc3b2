#pragma once
// TMainFrameConnection<Base>: the lab-connection side of the main window,
// added on top of the window's base class (the shell's window skeleton or
// the workflow's): the requester and server address of the lab calls, the
// catalogue handed over by the connection step, the connection mode, the
// product-family states, the catalogue accessors that the connection needs,
// and the nine notifications of the connection step.
//
//   class TMainNavi : public TMainFrameConnection<TMainFrameTools> { ... };
//
// What only the window can do is left to virtual hooks with empty defaults:
// releasing the order before a hand-over, dropping the web-service client,
// applying a new use mode, the actions offered after connecting, leaving
// the connection step.
#include "UCataloguePrices.h"
#include "UCatalogueTypes.h"
#include "UCtrlConnecNotif.h"
#include "UShopConnect.h"
#include "UMainObservers.h"
#include "UShopInfo.h"
#include "UWebSvcConnection.h"

#include "UAlbumProduct.h"
#include "UConfig.h"
#include "UTirageProduct.h"

#include "LumLabService.h"
#include "ULangText.h"
#include "UThreadTaskWebSvcQueue.h"

#include <QLocale>
#include <QMap>

class TPopupPanel;

// Opens the privacy-policy popup of a changed policy on bg: accept and
// refuse procedures, Cancel asking before it returns to the connection.
void PrivacyPolicyPopupOpen(IMainFrame* main, TPopupPanel* bg, Photographe2* phot, TProc accept, TProc refuse);

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
    // The GUI design follows the use mode that the connection applies.
    TZebdesign Zebdesign() override { return fConn.Zebdesign(); }
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
    // --- IMainFrame: the catalogue. Objects stay owned by the catalogue.
    // Without a catalogue the object accessors answer null (texts empty);
    // with one whose part is not loaded yet they raise ETaskNotReady, so
    // that a queued task asking for them runs again later.
    Zebconsumer2* GetWebSvcConsumerBoot() override { return ShopInfo() ? ShopInfo()->Consumer() : nullptr; }
    Consommateur2* GetWebSvcConsumerFull() override { return common() ? common()->Consumer() : nullptr; }
    Adresse2* GetWebSvcAddressHome() override { return common() ? common()->AddressHome() : nullptr; }
    Adresse2* GetWebSvcAddressInvoice() override { return common() ? common()->AddressInvoice() : nullptr; }
    TAdresseList* GetWebSvcAddressesDelivery() override
    {
        return common() ? common()->AddressesDeliveryList() : nullptr;
    }
    Photographe2* GetWebSvcPhotographer() override { return common() ? common()->Photographer() : nullptr; }
    Adresse2* GetWebSvcAddressPhotographer() override { return common() ? common()->AddressPhotographer() : nullptr; }
    QString GetWebSvcPhotographerCgu() override { return common() ? common()->PhotographerCgu() : QString(); }
    QString GetWebSvcPhotographerCgv() override { return common() ? common()->PhotographerCgv() : QString(); }
    QString GetWebSvcPhotographerPriceFilename() override
    {
        return common() ? common()->PhotographerPriceFilename() : QString();
    }
    QString GetWebSvcPhotographerPriceFilepath() override
    {
        return common() ? common()->GetPhotographerPriceFilepath(this->Config()) : QString();
    }
    ConditionsKioskUse2* GetWebSvcCondKioskUse() override { return common() ? common()->CondKioskUse() : nullptr; }
    Monnaie2* GetWebSvcCurrency() override { return common() ? common()->Currency() : nullptr; }
    QString WebSvcPhotographerName() override
    {
        return GetWebSvcConsumerBoot() ? GetWebSvcConsumerBoot()->ShopName() : QString();
    }
    QString PasswordForDirectPrintOrBurn() override
    {
        return TCataloguePrices::PasswordForDirectPrintOrBurn(GetWebSvcPhotographer());
    }
    TChannelList* GetWebSvcChannels() override { return common() ? common()->ChannelList() : nullptr; }
    bool GetWebSvcFrontPrintActivated() override
    {
        return TCataloguePrices::FrontPrintActivated(GetWebSvcPhotographer());
    }
    QString GetWebSvcFrontPrintFormat() override
    {
        return GetWebSvcPhotographer() ? GetWebSvcPhotographer()->FrontPrintDateFormat() : QString();
    }
    float MaxBitmapSizeSupportedInMm() override { return commonNeeded()->MaxBitmapSizeSupportedInMm(this); }
    TTirageList* GetWebSvcPrintProducts() override { return print() ? print()->PrintList() : nullptr; }
    TPrintTarifList* GetWebSvcPrintPrices() override { return print() ? print()->PrintTarifList() : nullptr; }
    TTirageVisualList* GetWebSvcPrintVisuals() override { return print() ? print()->PrintVisualList() : nullptr; }
    double GetWebSvcUnitPrice(Tirage2* tir) override
    {
        TPrintTarifList* prices = GetWebSvcPrintPrices();
        if (!prices || !tir)
            throw ETaskNotReady(QStringLiteral("Prints shop info not ready"));
        return TCataloguePrices::UnitPrice(*prices, *tir);
    }
    TProductGroupList* GetWebSvcPrintGroups() override { return print() ? print()->ProductGroupList() : nullptr; }
    TProductGroupList* GetWebSvcPrintSurfaces() override { return print() ? print()->SurfaceGroupList() : nullptr; }
    TPrintTarifList* GetWebSvcTemplatePrices() override { return tpl() ? tpl()->TemplateTarifList() : nullptr; }
    TTirageVisualList* GetWebSvcTemplateVisuals() override { return tpl() ? tpl()->TemplateVisualList() : nullptr; }
    TTemplateVelmoraList* GetWebSvcTemplatesVelmora() override
    {
        return tpl() ? tpl()->TemplatesVelmoraList() : nullptr;
    }
    TTirageList* GetWebSvcTemplateProducts() override { return tpl() ? tpl()->TemplateList() : nullptr; }
    TTemplateCalendarList* GetWebSvcTemplateCalendars() override { return tpl() ? tpl()->CalendarList() : nullptr; }
    TPhotographerAlbumList* GetWebSvcAlbumProducts() override
    {
        return book() ? book()->PhotographerAlbumList() : nullptr;
    }
    TAlbumSizeList* GetWebSvcAlbumSize() override { return book() ? book()->AlbumSizeList() : nullptr; }
    TBackgroundRangeList* GetWebSvcBackgroundRange() override
    {
        return book() ? book()->BackgroundRangeList() : nullptr;
    }
    TAlbumPriceList* GetWebSvcAlbumPrice() override { return book() ? book()->AlbumPriceList() : nullptr; }
    TAlbumCoverList* GetWebSvcAlbumCover() override { return book() ? book()->AlbumCoverList() : nullptr; }
    TMaterColorList* GetWebSvcMaterColor() override { return book() ? book()->MaterColorList() : nullptr; }

    // --- IMainFrame: prices in the store's currency (ETaskNotReady while
    // the shop-wide part is not loaded)
    Currency priceRound(Currency price) override { return TCataloguePrices::priceRound(price, currency()); }
    void priceRound(TProductPrice& price) override { TCataloguePrices::priceRound(price, currency()); }
    QString priceToStr(Currency price, bool seeSymbol) override
    {
        return TCataloguePrices::priceToStr(price, seeSymbol, currency(), QLocale().decimalPoint().at(0));
    }
    QString pricePackToStr(int price, bool seeSymbol) override
    {
        return TCataloguePrices::pricePackToStr(price, seeSymbol);
    }
    QString priceToStr(const TProductPrice& price, bool seeSymbol) override
    {
        if (PriceTypeIsPacks(price.priceType))
            return TCataloguePrices::priceToStr(price, seeSymbol, Monnaie2(), QChar());
        return TCataloguePrices::priceToStr(price, seeSymbol, currency(), QLocale().decimalPoint().at(0));
    }
    QString printFmtSizeLabel(Tirage2* pr, ZebtemplateVelmora2* tpl, TProductLabelMode mode) override
    {
        return TTirageProductBase::FormatTirageSize(this, pr, mode, tpl);
    }
    QString albumFmtSizeLabel(AlbumPhotographe2* pr) override
    {
        return TAlbumProductImpl::FormatAlbumSize(this, pr, plm_full);
    }

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
    // --- IMainFrame: product families and shop checks (main thread)
    // A new state raises moe_productVisibility; the shop-wide part turning
    // visible runs the checks of a newly loaded store.
    void setProductVisibility(TProductVisibilityType prod, TProductVisibilityMode mode) override
    {
        mainThreadCheck("setProductVisibility");
        const auto it = fVisibility.constFind(int(prod));
        if (it != fVisibility.cend() && *it == int(mode))
            return;
        fVisibility[int(prod)] = int(mode);
        this->EventObservedRaise(moe_productVisibility, nullptr);
        if (prod == pvt_common && mode == pvm_visible)
            shopCommonLoaded();
    }
    // Hidden until set; a visible card, designer-print or calendar family
    // stays hidden while the customer's workflow data offers none of it.
    TProductVisibilityMode getProductVisibility(TProductVisibilityType prod) override
    {
        mainThreadCheck("getProductVisibility");
        const TProductVisibilityMode mode = TProductVisibilityMode(fVisibility.value(int(prod), int(pvm_hidden)));
        if (mode != pvm_visible)
            return mode;
        if ((prod == pvt_card || prod == pvt_photoprod || prod == pvt_calendar) && !productFamilyOffered(prod))
            return pvm_hidden;
        return pvm_visible;
    }
    // False only for a feature the store switched off (exact comparison).
    bool isZebfeatureOk(const QString& featId) override
    {
        const Photographe2* phot = loadedPhotographer();
        return !phot || !phot->ZebfeaturesDisabled().contains(featId);
    }
    // The store's account may take orders, and a consumer paying by card
    // on the web has a payment mode this program supports; a refusal is
    // reported by a warning queued on the GUI Queue.
    bool checkPhotographer() override
    {
        static TLangText& txtCannotOrder = TLangText::Create(QStringLiteral(
            "Currently this shop cannot take any internet order. Please contact the shop for details.\n%0:s"));
        static TLangText& txtPayUnsupported = TLangText::Create(QStringLiteral(
            "You can't send any order to your shop, the web payment mode (%1:s) is not supported by your version "
            "of {APP}.\nPlease update {APP} or contact the shop for details.\n%0:s"));
        static TLangText& txtPayInvalid = TLangText::Create(QStringLiteral(
            "You can't send any order to your shop, the web payment mode is invalid.\nPlease try to restart {APP} "
            "or contact the shop for details.\n%0:s"));
        const Photographe2* phot = loadedPhotographer();
        if (!phot)
            return false;
        const PhotographerStatus status = phot->AccountStatus();
        const bool accountOk = status == PhotographerStatus::enabled
            || (status == PhotographerStatus::locked && this->QzConnectionMode() == kConnecModeKioskL)
            || (status == PhotographerStatus::novalue && phot->CompteActif());
        if (!accountOk) {
            warningQueue(txtCannotOrder.Text({ WebSvcPhotographerName() }));
            return false;
        }
        const Consommateur2* consumer = ShopInfo()->Common()->Consumer();
        if (!consumer || consumer->TypeTarif() != Tarif_TypeTarif::EurosCB)
            return true;
        QString modeName;
        if (paymentModeSupported(modeName))
            return true;
        warningQueue(modeName.isEmpty() ? txtPayInvalid.Text({ WebSvcPhotographerName() })
                                        : txtPayUnsupported.Text({ WebSvcPhotographerName(), modeName }));
        return false;
    }

    // The language popup put a language in force: the customer's choice
    // stays out of the configuration in kiosk use with a catalogue, unless
    // the store chose it (kiosk flag); never stored when installing data.
    void languageSet(const QString& isoCode, bool kiosk)
    {
        fLanguageToCheck = false;
        this->fLanguage = isoCode;
        const bool store = kiosk || !ShopInfo() || this->QzUseMode() != TQzUseMode::Kiosk;
        if (store && int(this->GetLaunchMode()) != kLaunchModeInitData)
            ConfigObj()->SetLanguage(isoCode);
        keyboardLanguageSet();
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
        fLanguageToCheck = true;
        if (fConn.SetWebSvcShopInfo(shopInfo, online))
            useModeApply();
    }
    TConfig* ConfigObj() override { return static_cast<TConfig*>(this->Config()); }
    // The store's message, queued; from the connection it waits for the
    // popups to close, and the kiosk design does not show it then.
    void showPhotographerMessage(QObject*, const QString& message, bool fromConnection) override
    {
        static TLangText& txtMessage = TLangText::Create(QStringLiteral("Message from %0:s :\n\n%1:s"));
        if (fromConnection && this->Zebdesign() == zebd_kiosk)
            return;
        const QString text = txtMessage.Text({ WebSvcPhotographerName(), message });
        this->GuiQueueAddCall(
            [this, text, fromConnection] {
                if (fromConnection)
                    this->popupWaitAllClosed();
                this->ShowInfo(text, nullptr);
            },
            false, nullptr);
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
    // The customer's workflow data offers cards, designer prints or
    // calendars (the family's catalogue part is loaded and visible).
    virtual bool productFamilyOffered(TProductVisibilityType) { return true; }
    // The web payment popup supports the consumer's payment mode; modeName
    // receives the mode's name (empty when the store sent none). No web
    // payment is built in: the store's mode is named and refused.
    virtual bool paymentModeSupported(QString& modeName)
    {
        const Photographe2* phot = loadedPhotographer();
        modeName = phot ? phot->TypeOnlinePaymentMode() : QString();
        return false;
    }
    // The store logo of the top bar is shown again.
    virtual void photographerLogoRefresh() { this->updateTopBarInfo(); }
    // The on-screen keyboard follows the interface language.
    virtual void keyboardLanguageSet() { }
    // The disconnect action (back to the connection step).
    virtual void disconnectAction() { }

    // The checks of a store whose shop-wide part was just loaded: logo,
    // receipt copies and idle delay of the account, account and privacy
    // policy.
    void shopCommonLoaded()
    {
        photographerLogoRefresh();
        if (const Consommateur2* consumer = ShopInfo() && ShopInfo()->CommonLoaded() ? ShopInfo()->Common()->Consumer()
                                                                                     : nullptr) {
            ConfigObj()->SetKioskReceiptCopyNumber(consumer->KioskQtyReceipts());
            ConfigObj()->SetKioskTurnOverTimer(consumer->KioskDelayReset());
        }
        if (checkPhotographer())
            privacyPolicyCheck();
    }

    // Asks for the store's changed privacy policy: normal launch, outside
    // kiosk use, on line, with a policy address and change date, and no
    // acceptance by the consumer on the day of the change.
    void privacyPolicyCheck()
    {
        Zebconsumer2* boot = GetWebSvcConsumerBoot();
        if (this->GetLaunchMode() != TLaunchMode::Normal || this->QzUseMode() == TQzUseMode::Kiosk
            || !this->IsOnline() || !boot || boot->PrivacyPolicyUrl().isEmpty() || !boot->PrivacyPolicyModifDate())
            return;
        const auto& changed = boot->PrivacyPolicyModifDate();
        const auto& accepted = boot->PrivacyPolicyConsumerDate();
        if (!accepted) {
            LogDebugFmt(QStringLiteral("TMainNavi.privacyPolicyCheck: to update (user: nil) <> (svc: %s)"),
                        { TShopConnect::XSDateTimeToLogText(changed) });
        } else if (accepted->AsDateTime().toLocalTime().date() == changed->AsDateTime().toLocalTime().date()) {
            LogDebugFmt(QStringLiteral("TMainNavi.privacyPolicyCheck: no change (user: %s) = (svc: %s)"),
                        { TShopConnect::XSDateTimeToLogText(accepted), TShopConnect::XSDateTimeToLogText(changed) });
            return;
        } else {
            LogDebugFmt(QStringLiteral("TMainNavi.privacyPolicyCheck: to update (user: %s) <> (svc: %s)"),
                        { TShopConnect::XSDateTimeToLogText(accepted), TShopConnect::XSDateTimeToLogText(changed) });
        }
        this->GuiQueueAddCall([this] { privacyPolicyShow(); }, false, nullptr);
    }
    // The policy popup, once no other popup is open.
    virtual void privacyPolicyShow()
    {
        this->popupWaitAllClosed();
        Zebconsumer2* boot = GetWebSvcConsumerBoot();
        Photographe2* phot = loadedPhotographer();
        if (!boot || !phot)
            return;
        phot->setPolitiqueConfidentialiteUrl(boot->PrivacyPolicyUrl());
        PrivacyPolicyPopupOpen(this, this->PopupPanel(QStringLiteral("PanelPopUpWebBrowser")), phot,
                               [this] { privacyPolicyAccepted(); }, [this] { privacyPolicyRefused(); });
    }
    // The consumer accepted: the lab records the change date as accepted.
    void privacyPolicyAccepted()
    {
        LogDebug(QStringLiteral("TMainNavi.privacyPolicyAccepted: starting"));
        const Zebconsumer2* boot = GetWebSvcConsumerBoot();
        if (!boot)
            return;
        const qint32 consumerId = boot->Id();
        const std::optional<TXSDateTime> changed = boot->PrivacyPolicyModifDate();
        this->WebSvcAddCall([this, consumerId, changed] {
            IMainFrame* main = TThreadTaskWebSvcQueue::Current() ? static_cast<IMainFrame*>(TThreadTaskWebSvcQueue::Current())
                                                                 : static_cast<IMainFrame*>(this);
            const bool done = main->GetWebSvcLum()->ModifyConsumerPrivacyPolicyDate(main->GetWebSvcAsker(),
                                                                                    consumerId, changed);
            const QString svc = TShopConnect::XSDateTimeToLogText(changed);
            if (done)
                LogDebugFmt(QStringLiteral("TMainNavi.privacyPolicyAccepted: done (svc: %s)"), { svc });
            else
                LogErrorFmt(QStringLiteral("TMainNavi.privacyPolicyAccepted: error (svc: %s)"), { svc });
        });
    }
    void privacyPolicyRefused()
    {
        LogDebug(QStringLiteral("TMainNavi.privacyPolicyRefused: called"));
        disconnectAction();
    }

    void connecStatusSet(int code)
    {
        if (fConn.connecStatusSet(code))
            connecStatusShow(TWebSvcConnection::ConnecStatusText(
                code, TWebSvcConnection::PrintSizeLimitInfo(ShopInfo(), this->MaxBitmapSizeSupported())));
    }

private:
    // The parts of the catalogue: null without a catalogue, ETaskNotReady
    // while the part is not loaded.
    TShopCommonInfo* common() const { return ShopInfo() ? ShopInfo()->Common() : nullptr; }
    TShopProdPrintInfo* print() const { return ShopInfo() ? ShopInfo()->ProdPrint() : nullptr; }
    TShopProdTplInfo* tpl() const { return ShopInfo() ? ShopInfo()->ProdTpl() : nullptr; }
    TShopProdBookInfo* book() const { return ShopInfo() ? ShopInfo()->ProdBook() : nullptr; }
    TShopCommonInfo* commonNeeded() const
    {
        if (!ShopInfo())
            throw ETaskNotReady(QStringLiteral("Common shop info not ready"));
        return ShopInfo()->Common();
    }
    // The store's currency; money cannot be handled without it.
    const Monnaie2& currency() const
    {
        const Monnaie2* c = commonNeeded()->Currency();
        if (!c)
            throw Exception(QStringLiteral("TMainNavi: shop currency missing"));
        return *c;
    }

    // The store record when the shop-wide part is loaded, else null.
    Photographe2* loadedPhotographer() const
    {
        return ShopInfo() && ShopInfo()->CommonLoaded() ? ShopInfo()->Common()->Photographer() : nullptr;
    }
    void mainThreadCheck(const char* op) const
    {
        if (!TThreadTaskQueueWithoutThread::IsMainThread())
            throw Exception(QStringLiteral("TMainNavi.%1: main thread only").arg(QLatin1String(op)));
    }
    // A warning box, shown from the GUI Queue once no popup is open.
    void warningQueue(const QString& text)
    {
        this->GuiQueueAddCall(
            [this, text] {
                this->popupWaitAllClosed();
                this->ShowWarning(text, nullptr);
            },
            false, nullptr);
    }

    TWebSvcConnection fConn;
    bool fAutoLogin;
    QMap<int, int> fVisibility;

protected:
    // A check of the language dictionaries against the lab is due (set when
    // a catalogue is handed over, cleared by the check and the switch).
    bool fLanguageToCheck = false;
};
