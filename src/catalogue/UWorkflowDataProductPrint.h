#pragma once
// The workflow data of prints for the current customer: the catalogue's
// print formats as the print screens offer them step by step (product
// groups, paper surfaces, sizes, border), each list filtered by the choices
// made so far and cached until a choice changes; the price of each choice;
// the print product the customer is filling and the print products of this
// visit.
#include "UIArcList.h"
#include "UOwnerList.h"
#include "UWorkflowDataProductBase.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Tirage2;
class Tarif2;
class TTirageProduct;

// One offered format kind.
struct TTirageKind {
    qint32 group = 0;
    qint32 width = 0;
    qint32 height = 0;
    qint32 finish = 0;
    QString prefix;
    bool hideSizeTxt = false;
    bool border = false;
    Tirage2* tirage = nullptr;
};

class TTirageKindList {
public:
    explicit TTirageKindList(IMainFrame* main)
        : fMain(main)
    {
    }
    int Count() const { return int(fItems.size()); }
    const TTirageKind& Items(int i) const { return fItems.at(size_t(i)); }

    // Index of the entry of the same kind as the format (the group only when
    // bGrpOk; the size in either orientation), -1 when none.
    int TirageKindFind(const Tirage2* tirage, bool bGrpOk) const;
    // Appends a new kind, or gives an existing kind the format when it costs
    // no more than the kept one (on equal prices the later format wins).
    void TirageAdd(Tirage2* tirage, bool bGrpOk);
    IArcList<Tirage2*> TirageList() const;

    // The cheapest tariff row of the format (the first of equal ones); the
    // format's price list must exist.
    static Tarif2* getMinimumPrice(IMainFrame* main, const Tirage2* tirage);
    static int TiragePriceCompare(IMainFrame* main, const Tirage2* tir1, const Tirage2* tir2);

private:
    IMainFrame* fMain;
    std::vector<TTirageKind> fItems;
};

// A choosable group (paper surface or product group) with its cheapest
// tariff row (the catalogue's, not owned; null: no price).
class TGroupIdChoice {
public:
    TGroupIdChoice(qint32 grpId, Tarif2* price)
        : fGroupId(grpId)
        , fMinPrice(price)
    {
    }
    virtual ~TGroupIdChoice() = default;

    qint32 GroupId() const { return fGroupId; }
    Tarif2* MinPrice() const { return fMinPrice; }
    void SetMinPrice(Tarif2* price) { fMinPrice = price; }

    virtual QString Name() const = 0;
    virtual QString Description() const = 0;
    // "From <price>", then a line feed and the description when there is one.
    virtual QString FullDescription(IMainFrame* main) const;
    // Empty without price or for an unknown tariff type.
    virtual QString PriceAsString(IMainFrame* main) const;

private:
    qint32 fGroupId;
    Tarif2* fMinPrice;
};

// A paper surface.
class TGroupIdChoiceFinish : public TGroupIdChoice {
public:
    using TGroupIdChoice::TGroupIdChoice;
    QString Name() const override;
    QString Description() const override;
};

// A product group.
class TGroupIdChoicePrintGroup : public TGroupIdChoice {
public:
    using TGroupIdChoice::TGroupIdChoice;
    QString Name() const override;
    QString Description() const override { return QString(); }
};

class TWorkflowDataProductPrint : public TWorkflowDataProductBase {
public:
    explicit TWorkflowDataProductPrint(IMainFrame* main);
    ~TWorkflowDataProductPrint() override;

    // --- choices; each setter drops the lists that depend on it (even when
    // the value does not change), then stores the value
    qint32 group() const { return fGroup; }
    void setGroup(qint32 v);
    qint32 filterWidth() const { return fFilterWidth; }
    void setFilterWidth(qint32 v);
    qint32 filterHeight() const { return fFilterHeight; }
    void setFilterHeight(qint32 v);
    bool hideSizeTxt() const { return fHideSizeTxt; }
    void setHideSizeTxt(bool v);
    const QString& prefix() const { return fPrefix; }
    void setPrefix(const QString& v);
    qint32 finish() const { return fFinish; }
    void setFinish(qint32 v);
    bool border() const { return fBorder; }
    void setBorder(bool v) { fBorder = v; }

    // --- lists (built once per value of the choices they depend on; the
    // callers read them and never change them)
    IArcList<Tirage2*> getPrintProductListNoFilter();
    IArcList<Tirage2*> getPrintProductListWithGroupFilter();
    IArcList<Tirage2*> getPrintProductListWithSizeFilter();
    IArcList<Tirage2*> getPrintProductListWithSizeAndFinishFilter();
    IArcList<Tirage2*> getPrintProductListWithGroupAndFinishFilter();
    // The group-and-finish list with several product groups, else the group list.
    IArcList<Tirage2*> getPrintProductListForSizeChoice();
    // Owned by the workflow data.
    const TOwnerList<TGroupIdChoice>& getPrintFinishListWithSizeFilter();
    const TOwnerList<TGroupIdChoice>& getPrintFinishListWithGroupFilter();
    const TOwnerList<TGroupIdChoice>& getPrintGroupList();

    // The cheapest tariff row of one format.
    Tarif2* getMinimumPrice(const Tirage2* tirage);

    // --- the print products of this visit (owned by the order)
    TTirageProduct* currentPrintProduct() const { return fCurrentPrintProduct; }
    // Also appends the product to currentPrintProductList when not in it.
    void setCurrentPrintProduct(TTirageProduct* product);
    IArcList<TTirageProduct*> currentPrintProductList();
    bool HasImageSelected();
    // Prints ordered with the products of this visit.
    int ImageSelectedCount();

    // --- product workflow data
    TProduct* CurrentProduct() override;
    TProductPrice getMinPrice() override;
    bool isUsingImage(TOrderImageBase* image) override;
    bool hasMinMaxPhotos() override { return false; }
    int getMinPhotos() override { return 0; }
    int getMaxPhotos() override { return 0; }

    // The printers the kiosk can print on directly (CUPS queues as Qt sees
    // them); replaceable for tests.
    using TPrinterNamesProvider = std::function<QStringList()>;
    static void SetPrinterNamesProvider(TPrinterNamesProvider provider);
    // A format without a kiosk printer is printable; one with a kiosk printer
    // only in connection modes 21 and 22 when a printer matches its name.
    bool isPrintableHere(const Tirage2* tirage);

private:
    void dropGroupCaches();
    void dropSizeCaches();
    void buildFinishChoices(const IArcList<Tirage2*>& formats, TOwnerList<TGroupIdChoice>& out);

    qint32 fGroup = 0;
    qint32 fFilterWidth = 0;
    qint32 fFilterHeight = 0;
    qint32 fFinish = 0;
    bool fBorder = false;
    QString fPrefix;
    bool fHideSizeTxt = false;
    IArcList<Tirage2*> fPrintProductList;
    IArcList<Tirage2*> fPrintProductListWithGroupFilter;
    IArcList<Tirage2*> fPrintProductListWithGroupAndFinishFilter;
    IArcList<Tirage2*> fPrintProductListWithSizeFilter;
    IArcList<Tirage2*> fPrintProductListWithSizeAndFinishFilter;
    std::unique_ptr<TOwnerList<TGroupIdChoice>> fPrintFinishListWithSizeFilter;
    std::unique_ptr<TOwnerList<TGroupIdChoice>> fPrintFinishListWithGroupFilter;
    std::unique_ptr<TOwnerList<TGroupIdChoice>> fPrintGroupList;
    TTirageProduct* fCurrentPrintProduct = nullptr;
    IArcList<TTirageProduct*> fCurrentPrintProductList;
    // The printers, read once per object when a format names one.
    std::unique_ptr<QStringList> fPrinters;
};
