#pragma once
// The workflow data of calendars for the current customer: the choice
// between a monthly calendar (a cover and twelve month pages, each showing
// the month grid of a calendar design) and an annual calendar (one sheet),
// the calendar templates and formats of the catalogue in the current
// language, throw-away previews, the calendar being designed with its
// design, and the month grids kept in step with the page order.
#include "UDesignedProducts.h"
#include "UIArcList.h"
#include "UWorkflowDataProductBase.h"

#include <memory>

class Tirage2;
class Tarif2;
class TTemplateVelmoraData;
class TTemplateCalendar;
class TTemplateProduct;

enum TCalendarType : int { ct_month = 0, ct_year = 1 };

class TWorkflowDataProductCalendar : public TWorkflowDataProductBase {
public:
    explicit TWorkflowDataProductCalendar(IMainFrame* main);
    ~TWorkflowDataProductCalendar() override;

    TCalendarType calType() const { return fCalType; }
    // A new kind drops the kind's formats and templates; any write asks for
    // the kind's frame details (unless asking is disabled for a count).
    void setCalType(TCalendarType t);
    // Asks the main frame to load the frame details of the kind (-2 monthly,
    // -3 annual) for all sizes.
    void loadInfo();

    TTemplateProduct* currentCalendarProduct() const { return fCurrentCalendarProduct; }
    void setCurrentCalendarProduct(TTemplateProduct* p) { fCurrentCalendarProduct = p; }
    // The design of the current product (looked up by its design id and
    // remembered), else the remembered one.
    TTemplateCalendar* currentCalendarGrid();
    void setCurrentCalendarGrid(TTemplateCalendar* g) { fCurrentCalendarGrid = g; }
    // The templates that go with the current monthly calendar's design;
    // EToDo for another product.
    IArcList<TTemplateVelmoraData*> currentCalendarBackgrounds();
    int askedPageNum();
    void setAskedPageNum(int n) { fAskedPageNum = n; }

    IArcList<TTemplateVelmoraData*> getCalendarTemplateVelmoraDataList();
    int annualCalendarProductCount();
    int monthlyCalendarProductCount();
    int allCalendarProductCount();
    IArcList<Tirage2*> getCalendarProductList();
    IArcList<Tirage2*> getAllCalendarProductList();
    // Raises "TWorkflowDataProductCalendar.getCalendarProductFromTemplateVelmoraData: product not found".
    Tirage2* getCalendarProductFromTemplateVelmoraData(TTemplateVelmoraData* templateVelmoraData);
    Tarif2* getMinimumPrice(const Tirage2* tirage);
    // The first design offered with the template in the current language.
    TTemplateCalendar* getCalendarGrid(TTemplateVelmoraData* templateVelmoraData);
    // The begin month fitted to the design: within [DateMin, max(DateMin,
    // DateMax - 11)], so that the twelve months have their grids whenever
    // the design covers twelve months.
    static qint32 adaptBeginDateToCalendarGrid(const TTemplateCalendar* calendarGrid, qint32 beginDate);

    std::unique_ptr<TTemplateProduct> getPreview(Tirage2* calendarProduct, TTemplateVelmoraData* templateVelmoraData);
    bool completePreview(TTemplateProduct* cardPreview, Tirage2* calendarProduct,
                         TTemplateVelmoraData* templateVelmoraData);
    void addFrameUserIfNeeded();
    // Every inner page of a monthly calendar shows the grid of the month of
    // its position; the cover shows none.
    void UpdateAllFramesGrids();
    void checkLang();

    // --- product workflow data
    TProduct* CurrentProduct() override;
    TProductPrice getMinPrice() override;
    void autofillUserFramesToCheck() override;
    bool isUsingImage(TOrderImageBase* image) override;
    void UpdateControlList(IPageOverviewList* ctrlList) override;
    bool hasMinMaxPhotos() override { return true; }
    int getMinPhotos() override;
    int getMaxPhotos() override { return 0; }
    void UpdatePages() override;

private:
    int countFor(TCalendarType t, int& cache);
    void fillPreview(TCustomizedPageBase* page);

    TCalendarType fCalType = ct_month;
    IArcList<Tirage2*> fCalProductList;
    IArcList<Tirage2*> fCalAllProductList;
    IArcList<TTemplateVelmoraData*> fCalTemplateVelmoraDataList;
    TTemplateProduct* fCurrentCalendarProduct = nullptr;
    TTemplateCalendar* fCurrentCalendarGrid = nullptr;
    int fAskedPageNum = 0;
    int fAnnualCalendarProductCount = -1;
    int fMonthlyCalendarProductCount = -1;
    QString fLangForCache;
    int fLoadInfoDisable = 0;
};
