#pragma once
// TShopProdBookInfo: the photo-book catalogue part: the store's photo-book
// products for the consumer, their prices of the consumer's tariff type,
// the covers and cover material colours they use, one entry per page size
// with its backgrounds and page models, and the lab's background ranges.
// Cached in "ShopInfoBook.qzinf" under the root's book stamp.
#include "UAlbumSize.h"
#include "UCatalogueLists.h"
#include "UShopInfoPart.h"

class IMainFrame;
class TConfigInfo;
class TShopCommonInfo;

class TShopProdBookInfo : public TShopInfoPart {
    KIOSK_SERIALIZABLE_CLASS(TShopProdBookInfo)
public:
    TShopProdBookInfo();
    ~TShopProdBookInfo() override;

    static std::unique_ptr<TShopProdBookInfo> TryLoadCreate(TConfigInfo* cfg, double stamp);
    void Save(TConfigInfo* cfg);
    static void serializerPrepare(TXMLSerializer& ser);
    // Fills the part from the lab (on the web-service queue's worker);
    // bLoadScrapData becomes true when products remain, else is left as it
    // is.
    void loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& shopCommon, IShopLoadCtrl* ctrl,
                            bool& bLoadScrapData);

    bool hasBooks() const { return fPhotographerAlbumList->Count() > 0; }
    TPhotographerAlbumList* PhotographerAlbumList() const { return fPhotographerAlbumList.get(); }
    TAlbumPriceList* AlbumPriceList() const { return fAlbumPriceList.get(); }
    TAlbumCoverList* AlbumCoverList() const { return fAlbumCoverList.get(); }
    TMaterColorList* MaterColorList() const { return fMaterColorList.get(); }
    TAlbumSizeList* AlbumSizeList() const { return fAlbumSizeList.get(); }
    TBackgroundRangeList* BackgroundRangeList() const { return fBackgroundRangeList.get(); }
    // Each setter frees what it replaces.
    void SetPhotographerAlbumList(std::unique_ptr<TPhotographerAlbumList> v) { fPhotographerAlbumList = std::move(v); }
    void SetAlbumSizeList(std::unique_ptr<TAlbumSizeList> v) { fAlbumSizeList = std::move(v); }

    // Removes the products whose exact page size has no size entry.
    void AlbumClean();
    void PhotographerAlbumsDisplayOrderMem();

private:
    std::unique_ptr<TPhotographerAlbumList> fPhotographerAlbumList;
    std::unique_ptr<TAlbumPriceList> fAlbumPriceList;
    std::unique_ptr<TAlbumCoverList> fAlbumCoverList;
    std::unique_ptr<TMaterColorList> fMaterColorList;
    std::unique_ptr<TAlbumSizeList> fAlbumSizeList;
    std::unique_ptr<TBackgroundRangeList> fBackgroundRangeList;
};
