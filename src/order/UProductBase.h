#pragma once
// The products of an order: the common base (owning order, help pop-ups
// shown, the picture operations) and the product with a quantity, labels,
// price, pages and channel. The print, template, photo-book and waiting
// products derive from them.
#include "IMainFrame.h"
#include "UIArcList.h"
#include "UProductPrice.h"
#include "UXmlSerializer.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Length of a product or size label.
enum TProductLabelMode : int { plm_short, plm_std, plm_full, plm_full_2_lines };

class TPrintOrder;
class TOrderImageBase;
class TCustomizedPageBase;

class TProductBase : public TXMLSerializableNeedParent {
    KIOSK_SERIALIZABLE_CLASS(TProductBase)
public:
    // The loader's constructor: the order arrives through GiveParent.
    TProductBase();
    explicit TProductBase(TPrintOrder* order);
    ~TProductBase() override;

    // A TPrintOrder becomes the owning order; anything else is refused.
    const TClassInfo* GiveParent(TRemotable* parent) override;

    TPrintOrder* Order() const { return fOrder; }
    // The order's main frame; null without an order.
    IMainFrame* mainFrame() const;

    // The help pop-ups already shown for this product.
    QStringList& getPopupHelpOpenedList() { return fPopupHelpOpenedList; }
    void popupHelpOpenedListAdd(const QString& id) { fPopupHelpOpenedList.append(id); }

    // --- the picture operations
    // Replaces one picture object by another wherever the product uses it;
    // true when something changed.
    virtual bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg) = 0;
    // Adds a picture; returns the order's own object for it, null when the
    // order refuses it (see TPrintOrder::GlobalImageUsedAdd for who owns img).
    virtual TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) = 0;
    // Removes a picture; force also removes what the customer customised.
    virtual void ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force) = 0;
    virtual bool IsImageUsed(TOrderImageBase* img) = 0;
    virtual IArcList<TOrderImageBase*> ImgsAvailableList() = 0;
    virtual bool HasImgsAvailable() = 0;
    // Takes over the pictures of another product.
    virtual void InitWithProduct(TProductBase* prod) = 0;

protected:
    // Marks the order changed (nothing without an order).
    void orderSetDirty();

    // The picture bookkeeping of the products that keep a list of available
    // pictures and, for designed products, pages (pages may be null).
    // Replaces oldImg by newImg in the list and on every page; true when
    // anything changed.
    static bool availableImageReplace(const IArcList<TOrderImageBase*>& images,
                                      const IArcList<TCustomizedPageBase*>& pages, TOrderImageBase* oldImg,
                                      TOrderImageBase* newImg);
    // Appends the order's object for img to the list unless present (the
    // order is then marked changed); null without an order or when the
    // order refuses the picture.
    TOrderImageBase* availableImageAdd(const IArcList<TOrderImageBase*>& images, TOrderImageBase* img);
    // Every page removes the picture first, so that a refusal (a customised
    // frame without force) leaves the list as it was; then the list drops
    // it and the order is marked changed.
    void availableImageDel(const IArcList<TOrderImageBase*>& images, const IArcList<TCustomizedPageBase*>& pages,
                           IMainFrame* main, TOrderImageBase* img, bool force);

    TPrintOrder* fOrder = nullptr;

private:
    QStringList fPopupHelpOpenedList;
};

class TProduct : public TProductBase {
    KIOSK_SERIALIZABLE_CLASS(TProduct)
public:
    TProduct();
    explicit TProduct(TPrintOrder* order);
    ~TProduct() override;

    // Stored: number of copies of the product; for prints, the quantity
    // given to each picture format added.
    qint32 Quantity() const { return fQuantity; }
    // A change reaches the order's backup: the order is marked changed.
    void SetQuantity(qint32 qty);

    // Holds a reference for the product's lifetime (once per object).
    void AddArcResource(std::shared_ptr<void> res);
    int ArcResourceCount() const { return int(fArcResources.size()); }

    // Size text of a size in millimetres, shown in centimetres: "10x15",
    // "10 x 15 cm" (plm_full), "10.5x15.0" when a side is not a whole
    // centimetre (decimal separator of the active locale).
    static QString FormatSize(IMainFrame* main, int widthmm, int heightmm, TProductLabelMode mode);

    // After a reload, binds to the catalogue; false when the product's
    // catalogue record is gone.
    virtual bool XMLloadFinalize(TPrintOrder* order, IMainFrame* main) = 0;
    virtual QString ProductShortLabel() = 0;
    virtual QString ProductLabel() = 0;
    virtual QString ProductCartLabel() = 0;
    virtual QString DebugLabel() = 0;
    virtual TProductPrice GetPrice() = 0;
    virtual TCustomizedPageBase* GetPageByNum(int pageNum) = 0;
    virtual IArcList<TCustomizedPageBase*> GetPagesList() = 0;
    virtual QString PageLabel(int pageNum, TProductLabelMode mode) = 0;
    // Nothing to send.
    virtual bool IsEmpty() = 0;
    // The lab's printing channel of the product.
    virtual int ChannelId() = 0;

private:
    qint32 fQuantity = 0;
    std::vector<std::shared_ptr<void>> fArcResources;
};
