#pragma once
// TShopProdBookInfo: the photo-book catalogue part: the consumer's photo-book
// products and the store's photo-book prices. Cached in "ShopInfoBook.qzinf"
// under the root's book stamp.
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
    void loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& common, IShopLoadCtrl* ctrl,
                            bool& bLoadScrapData);

    bool hasBooks() const { return fAlbums && fAlbums->Count() > 0; }
    TPhotographerAlbumList* Albums() const { return fAlbums.get(); }
    TAlbumPriceList* Prices() const { return fPrices.get(); }

private:
    std::unique_ptr<TPhotographerAlbumList> fAlbums;
    std::unique_ptr<TAlbumPriceList> fPrices;
};
