#pragma once
// TShopProdPrintInfo: the print catalogue part: the print formats offered to
// the kiosk's consumer, their price steps by format, the pictures of the
// formats, and the store's format and paper groups. Cached in
// "ShopInfoPrint.qzinf" under the root's print stamp.
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
    // Fills the part from the lab (on the web-service queue's worker).
    void loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& shopCommon, IShopLoadCtrl* ctrl);

    bool hasPrints() const { return fPrintLst->Count() > 0; }
    TTirageList* PrintList() const { return fPrintLst.get(); }
    TPrintTarifList* PrintTarifList() const { return fPrintTarifLst.get(); }
    TTirageVisualList* PrintVisualList() const { return fPrintVisualList.get(); }
    TProductGroupList* ProductGroupList() const { return fProductGroupList.get(); }
    TProductGroupList* SurfaceGroupList() const { return fSurfaceGroupList.get(); }
    // Each setter frees what it replaces.
    void SetPrintList(std::unique_ptr<TTirageList> v) { fPrintLst = std::move(v); }
    void SetPrintTarifList(std::unique_ptr<TPrintTarifList> v) { fPrintTarifLst = std::move(v); }
    void SetPrintVisualList(std::unique_ptr<TTirageVisualList> v) { fPrintVisualList = std::move(v); }

    // Removes the formats that cannot be sold and the pictures that no
    // remaining format shows.
    void PrintClean(const TShopCommonInfo& commonInfo);
    // Each format's display position := 1000 + its index, so that sorting
    // by position keeps the lab's order.
    void PrintsDisplayOrderMem();

private:
    std::unique_ptr<TTirageList> fPrintLst;
    std::unique_ptr<TPrintTarifList> fPrintTarifLst;
    std::unique_ptr<TTirageVisualList> fPrintVisualList;
    std::unique_ptr<TProductGroupList> fProductGroupList;
    std::unique_ptr<TProductGroupList> fSurfaceGroupList;
};

// Display position := 1000 + index, for every record of a list in order.
template <class List>
void DisplayOrderMem(List& lst)
{
    for (int i = 0; i < lst.Count(); ++i)
        lst[i]->setPositionAffichage(1000 + i);
}
