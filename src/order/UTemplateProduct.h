#pragma once
// The template product (card, designer print, calendar) of the order and the
// template sizes with which the product screens group template
// formats by paper size.
//
// TTemplateProductImpl implements TTemplateProduct: the pictures the
// customer gave the product, its designed pages, the calendar model and the
// first month of a page-per-month calendar. Order files name it
// "TTemplateProduct" (its class description is TTemplateProduct's).
#include "UDesignedPageAccess.h"
#include "UDesignedProducts.h"

#include <functional>
#include <memory>
#include <vector>

class Tarif2;
class TemplateCalendrier2;
class TTirageList;
class ZebtemplateVelmora2;

class TTemplateProductImpl : public TTemplateProduct {
public:
    // The loader's constructor.
    TTemplateProductImpl();
    explicit TTemplateProductImpl(TPrintOrder* order);
    ~TTemplateProductImpl() override;

    // --- stored data
    // The pictures given to the product, the order's own objects (not owned).
    IArcList<TOrderImageBase*> Images() const { return fImages; }
    void SetImages(const TArray<TOrderImageBase*>& images);
    // The designed pages, owned.
    IArcList<TCustomizedPageBase*> CustomizedPageList() const { return fPages; }
    // Frees the pages held and takes the given ones.
    void SetPages(std::vector<std::unique_ptr<TCustomizedPageBase>> pages);
    // The calendar model of a calendar; the catalogue's record (not owned),
    // or after a reload that did not find it, the copy read from the file
    // (owned).
    TemplateCalendrier2* TplCal() const { return fTplCal; }
    void SetTplCal(TemplateCalendrier2* cal);
    void SetTplCalOwned(std::unique_ptr<TemplateCalendrier2> cal);
    bool OwnsTplCal() const { return fTplCalOwned; }
    // TplCal.Id; raises "TTemplateProduct.GetTplCalId: no calendar selected".
    qint32 TplCalId() const;
    // Month index of the first month of a page-per-month calendar.
    qint32 DateStart() const { return fDateStart; }
    void SetDateStart(qint32 date) { fDateStart = date; }

    // --- kind
    bool IsCalendarMonthly() const { return TplType() == TTemplateType::MonthCalendar; }
    // The first page's lab template is an annual calendar (Type_ 1).
    bool IsCalendarAnnual();
    bool IsCalendar() { return IsCalendarMonthly() || IsCalendarAnnual(); }
    bool IsDesignerPrint() const { return TplType() == TTemplateType::DesignerPrint; }
    static bool IsCollageId(qint32 themeId) { return themeId == 107; }
    // Frames over all pages that cannot be deleted and whose picture the
    // customer chooses.
    int GetNbCustomizableFrames();

    // --- pictures
    bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg) override;
    TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) override;
    void ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force) override;
    bool IsImageUsed(TOrderImageBase* img) override { return fImages->Contains(img); }
    IArcList<TOrderImageBase*> ImgsAvailableList() override { return fImages; }
    bool HasImgsAvailable() override { return fImages->GetCount() > 0; }
    // Only a waiting product hands over its pictures: the product then
    // shares that product's list object.
    void InitWithProduct(TProductBase* prod) override;

    // --- product
    bool XMLloadFinalize(TPrintOrder* order, IMainFrame* main) override;
    QString ProductLabel() override;
    QString ProductCartLabel() override;
    QString PageLabel(int pageNum, TProductLabelMode mode) override;
    TProductPrice GetPrice() override;
    TCustomizedPageBase* GetPageByNum(int pageNum) override;
    IArcList<TCustomizedPageBase*> GetPagesList() override { return fPages; }
    bool IsEmpty() override;
    TTirageList* AvailablePrintList(IMainFrame* main) override;
    // The format's name with the lab template of the first page; "?"
    // without a format.
    QString TirageLabel(TProductLabelMode mode) override;

    // EUser when a page lacks a valid picture or nothing goes to the lab.
    void Check() override;
    TProductPrice GetUnitPrice(qint32 qty) override;

    // --- rules on what the pages answer
    // Product label of a kind; cart selects ProductCartLabel's texts.
    static QString KindLabel(TTemplateType type, bool annual, const QString& tirageLabel, bool cart);
    // Page label of a page-per-month calendar (monthly) or of any other
    // template product; raises for a month outside 2000-01..2100-12.
    static QString PageLabelFor(bool monthly, qint32 dateStart, int pageNum, TProductLabelMode mode);
    // The checks before sending over the pages' contents; pageLabel gives
    // the label of a page number.
    static void CheckPages(const QString& productLabel, const std::vector<TDesignedPageContent>& pages,
                           const std::function<QString(int)>& pageLabel);
    static bool IsEmptyPages(const std::vector<TDesignedPageContent>& pages);
    static int CustomizableFrameCount(const std::vector<TDesignedPageContent>& pages);

    // --- template prices
    // The first row of the format's template price list, once a tier applies
    // to qty (free tiers aside); raises "TTemplateProduct.GetBaseTarif:
    // price not found" when none does.
    static Tarif2* GetBaseTarif(IMainFrame* main, qint32 idTirage, qint32 qty);
    static TProductPrice GetBasePrice(IMainFrame* main, qint32 idTirage, qint32 qty);

    // --- month index: year × 12 + month - 1, for 2000-01 (24000) to
    // 2100-12 (25211)
    static qint32 getDateAsInt(qint32 year, qint32 month);
    static qint32 getYearFromDate(qint32 date);
    static qint32 getMonthFromDate(qint32 date);
    static qint32 getTodayAsInt();

    // Makes TTemplateProduct::CreateFor create this class (done once at
    // start; callable again after a test replaced the factory).
    static void InstallFactory();

private:
    ZebtemplateVelmora2* firstPageTemplate();

    IArcList<TOrderImageBase*> fImages;
    IArcList<TCustomizedPageBase*> fPages;
    TemplateCalendrier2* fTplCal = nullptr;
    bool fTplCalOwned = false;
    qint32 fDateStart = 0;
};

// One template size: the smaller and larger side, the recto-verso and
// monthly-calendar flags, and the format that stands for it (not owned).
struct TTemplateKind {
    qint32 fWidth = 0;
    qint32 fHeight = 0;
    bool fRectoVerso = false;
    bool fCalendrierMensuel = false;
    Tirage2* fTirage = nullptr;

    // The template size of a format.
    static TTemplateKind Of(Tirage2* tir);
    // A candidate of these sides and flags can be made on this template size: same
    // sides in either orientation, same calendar flag, and two sides only
    // when the candidate has two.
    bool IsCompatible(qint32 w, qint32 h, bool rectoVerso, bool calendrierMensuel) const;
    // Compatible, and with exactly the same recto-verso flag.
    bool IsEqual(qint32 w, qint32 h, bool rectoVerso, bool calendrierMensuel) const;
};

// A plain list of template sizes; the formats are the catalogue's.
class TTemplateKindList {
public:
    TTemplateKindList() = default;
    // One entry per distinct template size of the formats, in list order (the
    // first format of each size stands for it); with bCalMonthlyOnly only
    // the formats of monthly calendars.
    TTemplateKindList(const TTirageList& lst, bool bCalMonthlyOnly);

    int Count() const { return int(fItems.size()); }
    const TTemplateKind& Items(int index) const { return fItems.at(size_t(index)); }
    void Add(const TTemplateKind& size) { fItems.push_back(size); }

    // Index of the first compatible template size, -1 for none.
    int indexOfKind(qint32 width, qint32 height, bool rectoVerso, bool calendrierMensuel) const;
    // A lab template: its paper size, two sides when it has a verso, monthly
    // when an annual-type template (Type_ 1) has CalendrierMois.
    int indexOfKind(const ZebtemplateVelmora2* tpl) const;
    // A format: the first template size equal to its own.
    int indexOfKind(const Tirage2* tir) const;
    bool containsKind(qint32 width, qint32 height, bool rectoVerso, bool calendrierMensuel) const
    {
        return indexOfKind(width, height, rectoVerso, calendrierMensuel) >= 0;
    }
    bool containsKind(const ZebtemplateVelmora2* tpl) const { return indexOfKind(tpl) >= 0; }
    bool containsKind(const Tirage2* tir) const { return indexOfKind(tir) >= 0; }

    // Appends the format's template size when none equals it; otherwise the
    // equal entry takes the format when it costs no more than the entry's
    // current one (the cheaper format wins, the newer on a tie).
    void TirageAdd(IMainFrame* main, Tirage2* tir);
    // A new list of the entries' formats, in list order.
    IArcList<Tirage2*> TirageList() const;

    // -1, 0, 1 as the cheapest row of tir1 costs less than, as much as or
    // more than that of tir2; raises "TTemplateKindList.TiragePriceCompare:
    // no price for format <id>" for a format whose price list is empty.
    static int TiragePriceCompare(IMainFrame* main, const Tirage2* tir1, const Tirage2* tir2);
    // The cheapest row of the format's template price list; null for an
    // empty list. A format without a list raises the dictionary's error.
    static Tarif2* getMinimumPrice(IMainFrame* main, const Tirage2* tirage);

private:
    std::vector<TTemplateKind> fItems;
};
