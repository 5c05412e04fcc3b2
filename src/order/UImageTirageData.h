#pragma once
// Print formats per photo. The order keeps one print group per photo that
// has prints; the group holds that photo's print formats, one per print
// product plus the duplicates the customer made, each with its quantity,
// channel and effects. A print format is also the picture rendered and sent
// to the lab for its product.
#include "UImageWithEffects.h"
#include "UIArcList.h"
#include "UOwnerList.h"

#include <memory>

class TPrintOrder;
class TTirageProduct;
class TImageTirageGroupData;
class Tirage2;

class TImageTirageData : public TImageWithEffects {
    KIOSK_SERIALIZABLE_CLASS(TImageTirageData)
public:
    // For the loader: no group and no product yet, empty effects.
    TImageTirageData();
    // A format of the group for the product: channel and print format from
    // the product's format, quantity from the product, no effects.
    TImageTirageData(TImageTirageGroupData* group, TTirageProduct* product);
    ~TImageTirageData() override;

    // A TImageTirageGroupData becomes the group; anything else is refused.
    const TClassInfo* GiveParent(TRemotable* parent) override;

    // --- stored
    qint32 Channel() const { return fChannel; }
    void SetChannel(qint32 v) { fChannel = v; }
    qint32 Quantity() const { return fQuantity; }
    // A change reaches the order's backup: the order is marked changed.
    void SetQuantity(qint32 v);
    qint32 TirageId() const { return fTirageId; }
    void SetTirageId(qint32 v) { fTirageId = v; }
    // Position of the format's product among the order's print products of
    // the same print format, from 0; -1 when the product is not in the order.
    qint32 ProductOrder() const;
    // The position read from an order file.
    qint32 LoadedProductOrder() const { return fProductOrder; }
    void SetProductOrder(qint32 v) { fProductOrder = v; }

    TImageTirageGroupData* Group() const { return fGroup; }
    TOrderImageBase* Image() const;
    TTirageProduct* Product() const { return fTirageProd; }
    void SetProduct(TTirageProduct* product);

    // The print format's record: the product's, else the catalogue's.
    Tirage2* TirageRecord() const;
    // The print format names a kiosk printer (TTirageProduct::IsDirectPrintFormat).
    bool IsDirectPrint() const;

    // --- image with effects
    TImageEffects* Effects() override { return feffects.get(); }
    // Takes the list and frees the previous one.
    void SetEffects(std::unique_ptr<TImageEffects> effects);
    TOrderImageBase* ImageSource() override { return Image(); }
    bool ImageRotateIfBetter() override { return true; }
    bool transparencyAllowedForOutput() override { return false; }
    int TransferQuantity() override { return fQuantity; }
    int TransferChannel() override { return fChannel; }
    // The printed size: the channel's (already in millimetres), else the
    // print format's (in centimetres, × 10).
    QSizeF GetImageSizeInMm(IMainFrame* main) override;
    QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;

private:
    friend class TTirageProduct;
    IMainFrame* mainFrame() const;
    void setDirty();

    qint32 fChannel = 0;
    qint32 fQuantity = 0;
    qint32 fTirageId = 0;
    std::unique_ptr<TImageEffects> feffects;
    TTirageProduct* fTirageProd = nullptr;
    TImageTirageGroupData* fGroup = nullptr;
    qint32 fProductOrder = -1;
};

class TImageTirageGroupData : public TXMLSerializableNeedParent, public TImageSource {
    KIOSK_SERIALIZABLE_CLASS(TImageTirageGroupData)
public:
    // For the loader: no photo and no format.
    TImageTirageGroupData();
    // A group of the order for the photo, with one format for the product.
    TImageTirageGroupData(TPrintOrder* order, TOrderImageBase* image, TTirageProduct* product);
    ~TImageTirageGroupData() override;

    // A TPrintOrder becomes the order; anything else is refused.
    const TClassInfo* GiveParent(TRemotable* parent) override;

    // The photo; not owned (the order owns its photos).
    TOrderImageBase* Image() const { return fImage; }
    void SetImage(TOrderImageBase* image) { fImage = image; }
    TPrintOrder* Order() const { return fOrder; }
    // The formats; owned.
    TOwnerList<TImageTirageData>& LstFormats() { return *fLstFormats; }
    const TOwnerList<TImageTirageData>& LstFormats() const { return *fLstFormats; }
    // Replaces the formats by a new owning list of the given items.
    void SetFormats(const TArray<TImageTirageData*>& formats);

    QString ImageLabel() const;

    // Whether a format belongs to tirProd: its product is tirProd, or it has
    // no product yet and its print format is tirProd's, in which case it is
    // attached to tirProd on the way.
    bool FormatBelongsTo(TImageTirageData* format, TTirageProduct* tirProd);
    // The formats of tirProd (attaching those without product).
    IArcList<TImageTirageData*> TiragesFindByProd(TTirageProduct* tirProd);
    void ImgsDataListFeed(TTirageProduct* tirProd, const IArcList<TImageTirageData*>& lst);
    bool HasImgsAvailableForProd(TTirageProduct* tirProd);
    // Appends a format for tirProd unless it has one; with bResetQty the
    // formats it has take tirProd's quantity.
    void TirageProductAdd(TTirageProduct* tirProd, bool bResetQty);
    void TirageProductDel(IMainFrame* main, TTirageProduct* tirProd, bool force);
    // Removes and frees tirDta; a customised format needs force, else the
    // customer's refusal EUser "You have customized the image ... for print !".
    void TirageDel(IMainFrame* main, TImageTirageData* tirDta, bool force);
    // A new format for tirDta's product (no effects, the product's quantity).
    TImageTirageData* TirageDuplicate(IMainFrame* main, TImageTirageData* tirDta);
    // Removes and frees the format; true when the group is left empty.
    bool ImageTirageDel(TImageTirageData* imgTirageData);
    // Every format shows a valid picture, or EUser names the product and photo.
    void Check();

    // --- image source: the group's bitmaps are its photo's
    TImageSource* GetImageCacheRef() override;
    QSizeF ImageSize() override;
    QSizeF ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode) override;
    void onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode,
                            QImage& bitmapSurface) override;
    QString DebugLabel() override;

private:
    void setDirty();

    std::unique_ptr<TOwnerList<TImageTirageData>> fLstFormats;
    TOrderImageBase* fImage = nullptr;
    TPrintOrder* fOrder = nullptr;
};
