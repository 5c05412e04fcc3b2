#pragma once
// TShopProdTplInfo: the template catalogue part (cards, designer prints and
// photo products, calendars): the consumer's template product formats with
// their price steps and pictures, the lab's background templates and the
// calendar designs with their month pictures, cleaned of everything that
// cannot be used. Cached in "ShopInfoTpl.qzinf" under the root's template
// stamp.
#include "UCatalogueLists.h"
#include "UShopInfoPart.h"

class IMainFrame;
class TConfigInfo;
class TShopCommonInfo;

class TShopProdTplInfo : public TShopInfoPart {
    KIOSK_SERIALIZABLE_CLASS(TShopProdTplInfo)
public:
    TShopProdTplInfo();
    ~TShopProdTplInfo() override;

    static std::unique_ptr<TShopProdTplInfo> TryLoadCreate(TConfigInfo* cfg, double stamp);
    void Save(TConfigInfo* cfg);
    static void serializerPrepare(TXMLSerializer& ser);
    // Fills the part from the lab (on the web-service queue's worker).
    void loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& shopCommon, IShopLoadCtrl* ctrl);

    // At least one template product, and for the kinds at least one
    // background template of the kind: Type_ 1 calendar, 2 to 100 card,
    // above 100 photo product.
    bool hasProducts() const { return fTemplateLst->Count() > 0; }
    bool hasCalendars() const;
    bool hasCards() const;
    bool hasPhotoprod() const;

    TTirageList* TemplateList() const { return fTemplateLst.get(); }
    TPrintTarifList* TemplateTarifList() const { return fTemplateTarifLst.get(); }
    TTirageVisualList* TemplateVisualList() const { return fTemplateVisualList.get(); }
    TTemplateVelmoraList* TemplatesVelmoraList() const { return fTemplatesVelmoraList.get(); }
    TTemplateCalendarList* CalendarList() const { return fTplCalendarList.get(); }
    // Each setter frees what it replaces.
    void SetTemplateList(std::unique_ptr<TTirageList> v) { fTemplateLst = std::move(v); }
    void SetTemplateTarifList(std::unique_ptr<TPrintTarifList> v) { fTemplateTarifLst = std::move(v); }
    void SetTemplateVisualList(std::unique_ptr<TTirageVisualList> v) { fTemplateVisualList = std::move(v); }
    void SetTemplatesVelmoraList(std::unique_ptr<TTemplateVelmoraList> v) { fTemplatesVelmoraList = std::move(v); }
    void SetCalendarList(std::unique_ptr<TTemplateCalendarList> v) { fTplCalendarList = std::move(v); }

    // --- the consistency rules
    // Template products without price or usable channel go, then the
    // background templates and pictures that no product uses.
    void TemplateClean(const TShopCommonInfo& commonInfo);
    // Background templates that fit no product size, monthly ones linked to
    // no calendar design of the part, and pictures of no product go.
    void TemplatesVelmoraClean();
    // Calendar designs without a monthly product size or a full year of
    // month pictures go, then the monthly products that no design or no
    // background template can serve; repeated until nothing changes.
    void CalendarClean();
    // Keeps the design's month pictures of the chosen run of months (and
    // of yearMin or later); true when more than 11 remain.
    static bool CalendarImagesClean(TemplateCalendrier2& calendar, qint32 yearMin);
    void TemplatesDisplayOrderMem();

private:
    bool hasKind(qint32 typeMin, qint32 typeMax) const;

    std::unique_ptr<TTirageList> fTemplateLst;
    std::unique_ptr<TPrintTarifList> fTemplateTarifLst;
    std::unique_ptr<TTirageVisualList> fTemplateVisualList;
    std::unique_ptr<TTemplateVelmoraList> fTemplatesVelmoraList;
    std::unique_ptr<TTemplateCalendarList> fTplCalendarList;
};
