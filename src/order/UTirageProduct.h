#pragma once
// The print product (prints of one print format) and its base shared with
// the template product: the print format record and the label routines of
// print formats.
#include "UProductBase.h"

#include <QSet>

#include <memory>

class Tirage2;
class Tarif2;
class ZebtemplateVelmora2;
class TTirageList;
class TPrintTarifList;
class TImageTirageData;

class TTirageProductBase : public TProduct {
    KIOSK_SERIALIZABLE_CLASS(TTirageProductBase)
public:
    TTirageProductBase();
    explicit TTirageProductBase(TPrintOrder* order);
    ~TTirageProductBase() override;

    // Stored: the print format. Normally the catalogue's own record, not
    // owned; after a reload that did not find it in the catalogue, the
    // product keeps (and owns) the copy read from the file.
    Tirage2* Tirage() const { return fTirage; }
    // Refers to a catalogue record (not owned); frees an owned copy.
    void SetTirage(Tirage2* tirage);
    // Takes a record read from a file (owned until bound to the catalogue).
    void SetTirageOwned(std::unique_ptr<Tirage2> tirage);
    bool OwnsTirage() const { return fTirageOwned; }
    // Tirage.Id; raises "TTirageProductBase.GetTirageId: no tirage".
    qint32 TirageId() const;

    // The catalogue list the print format is taken from.
    virtual TTirageList* AvailablePrintList(IMainFrame* main) = 0;
    // Label of the print format; "?" without format or order.
    virtual QString TirageLabel(TProductLabelMode mode);

    // Size label and full name of a print format; tpl (optional) is a lab
    // template whose paper size decides the orientation.
    static QString FormatTirageSize(IMainFrame* main, Tirage2* tir, TProductLabelMode mode,
                                    ZebtemplateVelmora2* tpl = nullptr);
    static QString FormatTirageName(IMainFrame* main, Tirage2* tir, TProductLabelMode mode,
                                    ZebtemplateVelmora2* tpl = nullptr);
    // Key of a print format's size: Longueur × 65536 + Largeur.
    static qint32 tirageFormatMakeID(const Tirage2* pr);

    QString ProductShortLabel() override;
    QString DebugLabel() override;
    int ChannelId() override;
    // Binds to the catalogue's record of the same id; false when it is gone
    // (the loaded copy is then kept for the labels).
    bool XMLloadFinalize(TPrintOrder* order, IMainFrame* main) override;

protected:
    // The first tier of the print format's prices when a tier applies to
    // qty; raises "<who>.GetBaseTarif: price not found" otherwise (also
    // without prices).
    static Tarif2* BaseTarifIn(TPrintTarifList* prices, qint32 idTirage, qint32 qty, const QString& who);
    // The price of qty at tariff t, rounded as the shop rounds.
    static TProductPrice BasePriceAt(IMainFrame* main, Tarif2* t, qint32 qty);

private:
    Tirage2* fTirage = nullptr;
    bool fTirageOwned = false;
};

class TTirageProduct : public TTirageProductBase {
    KIOSK_SERIALIZABLE_CLASS(TTirageProduct)
public:
    TTirageProduct();
    explicit TTirageProduct(TPrintOrder* order);
    ~TTirageProduct() override;

    // The most print groups (photos with prints) an order may hold.
    static constexpr int MaxPrintGroups = 9999;

    // --- pictures: held in the order's print groups
    // The order replaces print pictures in their groups itself: raises.
    bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg) override;
    // Adds a format of this product to the picture's group (a new group for
    // a new picture). When the order already holds MaxPrintGroups groups, a
    // new picture is refused with EUser and the order is left as it was
    // (a picture it had just taken goes back to the caller).
    TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) override;
    void ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force) override;
    bool IsImageUsed(TOrderImageBase* img) override;
    IArcList<TOrderImageBase*> ImgsAvailableList() override;
    bool HasImgsAvailable() override;
    // Prints take over no pictures: raises EToDo.
    void InitWithProduct(TProductBase* prod) override;

    int ImgsAvailableCount();
    // All formats of this product, group after group.
    IArcList<TImageTirageData*> ImgsDataList();
    // Removes one format (a customised one needs force); an emptied group
    // leaves the order.
    void TirageDel(IMainFrame* main, TImageTirageData* img, bool force);
    // The format is printed on the kiosk's own printer.
    bool IsDirectPrint();
    // The one rule that sends a print to the kiosk's own printer rather
    // than to the lab: its print format names a printer of the kiosk.
    static bool IsDirectPrintFormat(const Tirage2* tirage);

    // --- product
    bool XMLloadFinalize(TPrintOrder* order, IMainFrame* main) override;
    QString ProductLabel() override;
    QString ProductCartLabel() override;
    TProductPrice GetPrice() override;
    TCustomizedPageBase* GetPageByNum(int pageNum) override { return nullptr; }
    IArcList<TCustomizedPageBase*> GetPagesList() override { return nullptr; }
    QString PageLabel(int pageNum, TProductLabelMode mode) override;
    bool IsEmpty() override { return !HasImgsAvailable(); }
    TTirageList* AvailablePrintList(IMainFrame* main) override;

    // The first row of the format's price list, once a tier applies to qty
    // (free tiers aside); raises "TTirageProduct.GetBaseTarif: price not
    // found" when none does.
    static Tarif2* GetBaseTarif(IMainFrame* main, qint32 idTirage, qint32 qty);
    static TProductPrice GetBasePrice(IMainFrame* main, qint32 idTirage, qint32 qty);

    // Every format whose product this is, wherever it is held; the formats
    // keep it up to date themselves, so that the product's prints are
    // counted without walking the whole order.
    const QSet<TImageTirageData*>& OwnFormats() const { return fOwnFormats; }

private:
    friend class TImageTirageData;
    QSet<TImageTirageData*> fOwnFormats;
};
