#pragma once
// TShopProdTplInfo: the template catalogue part (cards, designer prints and
// photo products, calendars): the template formats of the consumer, the
// lab's background templates and the calendar designs. Cached in
// "ShopInfoTpl.qzinf" under the root's template stamp.
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
    void loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& common, IShopLoadCtrl* ctrl);

    // Theme codes up to 100 are cards, above 100 designer prints and photo
    // products.
    bool hasCards() const;
    bool hasPhotoProducts() const;
    bool hasCalendars() const { return fCalendars && fCalendars->Count() > 0; }
    bool hasProducts() const { return hasCards() || hasPhotoProducts() || hasCalendars(); }

    TTirageList* Tirages() const { return fTirages.get(); }
    TTemplateVelmoraList* TemplatesVelmora() const { return fTemplates.get(); }
    TTemplateCalendarList* Calendars() const { return fCalendars.get(); }

private:
    bool hasThemes(bool cards) const;

    std::unique_ptr<TTirageList> fTirages;
    std::unique_ptr<TTemplateVelmoraList> fTemplates;
    std::unique_ptr<TTemplateCalendarList> fCalendars;
};
