#pragma once
// TShopCommonInfo: the shop-wide catalogue part that every product needs:
// the kiosk's full consumer account, the store with its currency, terms,
// price file and logo, the postal addresses, the lab's printing channels and
// the kiosk-use conditions. Cached in "ShopInfoCommon.qzinf". It also holds
// what the print and template parts share: their price tables as a flat
// array in the files, and the removal of formats that cannot be sold.
#include "UCatalogueLists.h"
#include "UShopInfoPart.h"

#include <vector>

class IMainFrame;
class TConfigInfo;

class TShopCommonInfo : public TShopInfoPart {
    KIOSK_SERIALIZABLE_CLASS(TShopCommonInfo)
public:
    TShopCommonInfo();
    ~TShopCommonInfo() override;

    static std::unique_ptr<TShopCommonInfo> TryLoadCreate(TConfigInfo* cfg);
    void Save(TConfigInfo* cfg);
    static void serializerPrepare(TXMLSerializer& ser);

    // Fills the part from the lab (on the web-service queue's worker).
    void loadInfoFromWebSvc(IMainFrame* main, IShopLoadCtrl* ctrl);

    Consommateur2* Consumer() const { return fConsumer.get(); }
    Photographe2* Photographer() const { return fPhotographer.get(); }
    Monnaie2* Currency() const { return fPhotographer ? fPhotographer->PhotMonnaie().get() : nullptr; }
    const QString& PhotographerCgu() const { return fPhotographerCgu; }
    const QString& PhotographerCgv() const { return fPhotographerCgv; }
    const QString& PhotographerPriceFilename() const { return fPhotographerPriceFilename; }
    const QString& PhotographerPriceMD5() const { return fPhotographerPriceMD5; }
    const QString& PhotographerLogoMD5() const { return fPhotographerLogoMD5; }
    TChannelList* ChannelList() const { return fChannels.get(); }
    TAdresseList* AddressesDeliveryList() const { return fAddressesDelivery.get(); }
    Adresse2* AddressHome() const { return fAddressHome.get(); }
    Adresse2* AddressPhotographer() const { return fAddressPhotographer.get(); }
    Adresse2* AddressInvoice() const { return fAddressInvoice.get(); }
    ConditionsKioskUse2* CondKioskUse() const { return fCondKioskUse.get(); }
    // The price file's path when its name is known and the file exists.
    QString GetPhotographerPriceFilepath(TConfigInfo* cfg) const;
    // The consumer talks to the lab in a kiosk communication mode ("I",
    // "L" or "O").
    bool isKioskCommMode() const;
    // The largest printable side in millimetres: the largest bitmap side in
    // pixels over the store's pixels per millimetre. Raises without a
    // photographer or with a resolution of 0 or less.
    float MaxBitmapSizeSupportedInMm(IMainFrame* main) const;

    // Price tables: the lab and the files hold one flat array of price
    // steps, memory a table by print id. From the array: grouped by
    // TirageId, in array order within each group; the table owns the steps.
    static std::unique_ptr<TPrintTarifList> tarifFromFlatArray(std::vector<std::unique_ptr<Tarif2>> arr);
    // To the array: every step, group after group in ascending print id.
    static std::vector<Tarif2*> tarifToFlatArray(const TPrintTarifList* lst);
    // Removes (and frees) the formats that cannot be sold: without a price
    // group, without a channel (channel 0 needs a kiosk printer, any other
    // channel must be one of the store's), or with a kiosk printer outside
    // the kiosk communication modes.
    void tirageWithoutPriceOrChannelRemove(TTirageList& tirageLst, const TPrintTarifList& tarifLst) const;

    void SetConsumer(std::unique_ptr<Consommateur2> v) { fConsumer = std::move(v); }
    void SetPhotographer(std::unique_ptr<Photographe2> v) { fPhotographer = std::move(v); }
    void SetChannelList(std::unique_ptr<TChannelList> v) { fChannels = std::move(v); }

private:
    void loadPriceFile(IMainFrame* main, TConfigInfo* cfg, qint32 photId);
    void loadLogo(IMainFrame* main, TConfigInfo* cfg, qint32 photId);

    std::unique_ptr<Consommateur2> fConsumer;
    std::unique_ptr<Photographe2> fPhotographer;
    QString fPhotographerCgu;
    QString fPhotographerCgv;
    QString fPhotographerPriceFilename;
    QString fPhotographerPriceMD5;
    std::unique_ptr<Adresse2> fAddressPhotographer;
    std::unique_ptr<Adresse2> fAddressHome;
    std::unique_ptr<Adresse2> fAddressInvoice;
    std::unique_ptr<TAdresseList> fAddressesDelivery;
    std::unique_ptr<TChannelList> fChannels;
    std::unique_ptr<ConditionsKioskUse2> fCondKioskUse;
    QString fPhotographerLogoMD5;
};

// Describes a price-table field as a stored flat array of price steps.
template <class C>
void ShopTarifProperty(TClassBuilder<C>& b, const char* name, std::unique_ptr<TPrintTarifList> C::*field)
{
    b.template Property<std::vector<std::unique_ptr<Tarif2>>>(
        name, [field](const C& c) { return TShopCommonInfo::tarifToFlatArray((c.*field).get()); },
        [field](C& c, std::vector<std::unique_ptr<Tarif2>> v) {
            c.*field = TShopCommonInfo::tarifFromFlatArray(std::move(v));
        },
        nullptr);
}
