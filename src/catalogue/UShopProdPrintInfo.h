#pragma once
// TShopProdPrintInfo: the print catalogue part: the print formats offered to
// the kiosk's consumer, their price steps, and the store's format and paper
// groups. Cached in "ShopInfoPrint.qzinf" under the root's print stamp.
#include "UCatalogueLists.h"
#include "UShopInfoPart.h"

class IMainFrame;
class TConfigInfo;
class TShopCommonInfo;

class TShopProdPrintInfo : public TShopInfoPart {
    KIOSK_SERIALIZABLE_CLASS(TShopProdPrintInfo)
public:
    TShopProdPrintInfo();
    ~TShopProdPrintInfo() override;

    static std::unique_ptr<TShopProdPrintInfo> TryLoadCreate(TConfigInfo* cfg, double stamp);
    void Save(TConfigInfo* cfg);
    static void serializerPrepare(TXMLSerializer& ser);
    void loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& common, IShopLoadCtrl* ctrl);

    bool hasPrints() const { return fTirages && fTirages->Count() > 0; }
    TTirageList* Tirages() const { return fTirages.get(); }
    TTarifList* Prices() const { return fPrices.get(); }
    TProductGroupList* Groups() const { return fGroups.get(); }
    TProductGroupList* Surfaces() const { return fSurfaces.get(); }

private:
    std::unique_ptr<TTirageList> fTirages;
    std::unique_ptr<TTarifList> fPrices;
    std::unique_ptr<TProductGroupList> fGroups;
    std::unique_ptr<TProductGroupList> fSurfaces;
};
