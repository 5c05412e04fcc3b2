#include "UWorkflowDataProductCalendar.h"

#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UCtrlScreenBase.h"
#include "UCustomizedPage.h"
#include "UPrintOrder.h"
#include "UTemplateProduct.h"
#include "UTemplatesInfo.h"

#include <algorithm>

namespace {

const QString kWho = QStringLiteral("TWorkflowDataProductCalendar");

TTemplateProductImpl* impl(TTemplateProduct* p)
{
    return dynamic_cast<TTemplateProductImpl*>(p);
}

} // namespace

TWorkflowDataProductCalendar::TWorkflowDataProductCalendar(IMainFrame* main)
    : TWorkflowDataProductBase(main)
{
}

TWorkflowDataProductCalendar::~TWorkflowDataProductCalendar() = default;

void TWorkflowDataProductCalendar::checkLang()
{
    const QString lang = fMain->Lang();
    if (lang == fLangForCache)
        return;
    fCalAllProductList.reset();
    fCalTemplateVelmoraDataList.reset();
    fAnnualCalendarProductCount = -1;
    fMonthlyCalendarProductCount = -1;
    fLangForCache = lang;
}

void TWorkflowDataProductCalendar::setCalType(TCalendarType t)
{
    if (t != fCalType) {
        checkLang();
        fCalType = t;
        fCalProductList.reset();
        fCalTemplateVelmoraDataList.reset();
    }
    if (fLoadInfoDisable <= 0)
        loadInfo();
}

void TWorkflowDataProductCalendar::loadInfo()
{
    fMain->LoadWebSvcTemplateVelmoraInfo(fCalType == ct_year ? -3 : -2, -1, -1);
}

TTemplateCalendar* TWorkflowDataProductCalendar::currentCalendarGrid()
{
    if (TTemplateProductImpl* p = impl(fCurrentCalendarProduct)) {
        auto info = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain);
        fCurrentCalendarGrid = TTemplatesInfo::GetTplCalendarById(info->TplCalendarGlobalList(), p->TplCalId());
    }
    return fCurrentCalendarGrid;
}

IArcList<TTemplateVelmoraData*> TWorkflowDataProductCalendar::currentCalendarBackgrounds()
{
    TTemplateProductImpl* p = impl(fCurrentCalendarProduct);
    if (!p || p->TplType() != TTemplateType::MonthCalendar)
        throw EToDo();
    return TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain)->getTplBackgroundCalFilteredList(p->TplCal(), false);
}

int TWorkflowDataProductCalendar::askedPageNum()
{
    const int n = fAskedPageNum;
    fAskedPageNum = 0;
    return n == 0 ? 1 : n;
}

IArcList<TTemplateVelmoraData*> TWorkflowDataProductCalendar::getCalendarTemplateVelmoraDataList()
{
    checkLang();
    if (!fCalTemplateVelmoraDataList)
        fCalTemplateVelmoraDataList = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain)->getTplBackgroundFilteredList(
            nullptr, fCalType == ct_month ? -2 : -3, false);
    return fCalTemplateVelmoraDataList;
}

int TWorkflowDataProductCalendar::countFor(TCalendarType t, int& cache)
{
    checkLang();
    if (cache == -1) {
        ++fLoadInfoDisable;
        const TCalendarType kept = fCalType;
        try {
            setCalType(t);
            cache = getCalendarTemplateVelmoraDataList()->GetCount();
            setCalType(kept);
        } catch (...) {
            fCalType = kept;
            --fLoadInfoDisable;
            throw;
        }
        --fLoadInfoDisable;
    }
    return cache;
}

int TWorkflowDataProductCalendar::annualCalendarProductCount()
{
    return countFor(ct_year, fAnnualCalendarProductCount);
}

int TWorkflowDataProductCalendar::monthlyCalendarProductCount()
{
    return countFor(ct_month, fMonthlyCalendarProductCount);
}

int TWorkflowDataProductCalendar::allCalendarProductCount()
{
    return annualCalendarProductCount() + monthlyCalendarProductCount();
}

IArcList<Tirage2*> TWorkflowDataProductCalendar::getCalendarProductList()
{
    if (!fCalProductList) {
        TTemplateKindList kinds;
        const bool monthly = fCalType == ct_month;
        if (TTirageList* formats = fMain->GetWebSvcTemplateProducts())
            for (Tirage2* t : *formats)
                if (t->TemplateCalendrierMois() == monthly)
                    kinds.TirageAdd(fMain, t);
        fCalProductList = kinds.TirageList();
    }
    return fCalProductList;
}

IArcList<Tirage2*> TWorkflowDataProductCalendar::getAllCalendarProductList()
{
    checkLang();
    if (!fCalAllProductList) {
        auto info = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain);
        TTemplateKindList kinds;
        if (TTirageList* formats = fMain->GetWebSvcTemplateProducts())
            for (Tirage2* t : *formats)
                if (t->TemplateCalendrierMois() || info->getTplBackgroundFilteredList(t, -3, false)->GetCount() > 0)
                    kinds.TirageAdd(fMain, t);
        fCalAllProductList = kinds.TirageList();
    }
    return fCalAllProductList;
}

Tirage2* TWorkflowDataProductCalendar::getCalendarProductFromTemplateVelmoraData(
    TTemplateVelmoraData* templateVelmoraData)
{
    const ZebtemplateVelmora2* tpl = templateVelmoraData->TplVelmora();
    IArcList<Tirage2*> list = getCalendarProductList();
    for (int i = 0; i < list->GetCount(); ++i) {
        Tirage2* t = list->GetItem(i);
        if (TTemplateKind::Of(t).IsCompatible(tpl->LargeurPapier(), tpl->HauteurPapier(), tpl->VersoSDid() > 0,
                                              templateVelmoraData->isMonthlyCalendar()))
            return t;
    }
    throw Exception(kWho + QStringLiteral(".getCalendarProductFromTemplateVelmoraData: product not found"));
}

Tarif2* TWorkflowDataProductCalendar::getMinimumPrice(const Tirage2* tirage)
{
    return TTemplateKindList::getMinimumPrice(fMain, tirage);
}

TProductPrice TWorkflowDataProductCalendar::getMinPrice()
{
    IArcList<Tirage2*> list = getAllCalendarProductList();
    Tarif2* best = nullptr;
    for (int i = 0; i < list->GetCount(); ++i) {
        // A format without any tariff row cannot be priced: it does not set
        // the starting price.
        Tarif2* row = getMinimumPrice(list->GetItem(i));
        if (row && (!best || TTarifList::priceCompare(best, row) > 0))
            best = row;
    }
    if (!best)
        throw Exception(kWho + QStringLiteral(".getMinPrice: no product"));
    return PriceFromTarif(best, kWho);
}

TTemplateCalendar* TWorkflowDataProductCalendar::getCalendarGrid(TTemplateVelmoraData* templateVelmoraData)
{
    IArcList<TTemplateCalendar*> list = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain)->getTplCalendarFilteredList(
        templateVelmoraData->TplVelmora(), false);
    return list->GetCount() > 0 ? list->GetItem(0) : nullptr;
}

qint32 TWorkflowDataProductCalendar::adaptBeginDateToCalendarGrid(const TTemplateCalendar* calendarGrid,
                                                                  qint32 beginDate)
{
    // A design without month pictures has no range to fit into.
    if (!calendarGrid || (calendarGrid->DateMin() == 0 && calendarGrid->DateMax() == 0))
        return beginDate;
    const qint32 dateMin = calendarGrid->DateMin();
    const qint32 last = std::max(dateMin, calendarGrid->DateMax() - 11);
    qint32 result = beginDate > last ? last : beginDate;
    if (result < dateMin)
        result = dateMin;
    return result;
}

void TWorkflowDataProductCalendar::fillPreview(TCustomizedPageBase* page)
{
    int idx = 0;
    autofillPageUserFrames(page, idx, false, nullptr, false);
}

std::unique_ptr<TTemplateProduct> TWorkflowDataProductCalendar::getPreview(Tirage2* calendarProduct,
                                                                           TTemplateVelmoraData* templateVelmoraData)
{
    std::unique_ptr<TTemplateProduct> prod = TTemplateProduct::CreateFor(fMain->GetOrder());
    prod->SetTirage(calendarProduct);
    prod->SetQuantity(1);
    int pageNum = 1;
    TOrderImageBase* monthImage = nullptr;
    int theme = -3;
    if (calendarProduct && calendarProduct->TemplateCalendrierMois()) {
        prod->SetTplType(TTemplateType::MonthCalendar);
        TTemplateCalendar* grid = getCalendarGrid(templateVelmoraData);
        if (TTemplateProductImpl* p = impl(prod.get())) {
            p->SetTplCal(grid ? grid->TemplateCalendar() : nullptr);
            p->SetDateStart(adaptBeginDateToCalendarGrid(grid, TTemplateProductImpl::getTodayAsInt() + 1));
            monthImage = grid ? grid->getImgForDate(p->DateStart()) : nullptr;
        }
        pageNum = 2;
        theme = -2;
    } else {
        prod->SetTplType(TTemplateType::ClassicTemplate);
    }
    ZebtemplateVelmoraFrameInfo* info = nullptr;
    if (fMain->LoadWebSvcTemplateVelmoraInfo(theme, -1, -1))
        info = templateVelmoraData->TplVelmoraInfo();
    auto* page = new TCustomizedPage(prod.get(), fMain, templateVelmoraData->TplVelmora(), info,
                                     templateVelmoraData->ImgRecto(), pageNum, monthImage);
    prod->GetPagesList()->Add(page);
    fillPreview(page);
    return prod;
}

bool TWorkflowDataProductCalendar::completePreview(TTemplateProduct* cardPreview, Tirage2* calendarProduct,
                                                   TTemplateVelmoraData* templateVelmoraData)
{
    IArcList<TCustomizedPageBase*> pages = cardPreview->GetPagesList();
    auto* page = pages && pages->GetCount() > 0 ? dynamic_cast<TCustomizedPage*>(pages->GetItem(0)) : nullptr;
    if (!page || page->FramesInfoOk())
        return true;
    const int theme = calendarProduct && calendarProduct->TemplateCalendrierMois() ? -2 : -3;
    if (!fMain->LoadWebSvcTemplateVelmoraInfo(theme, -1, -1))
        return false;
    page->FramesInfoComplete(fMain, templateVelmoraData->TplVelmora(), templateVelmoraData->TplVelmoraInfo());
    fillPreview(page);
    return true;
}

void TWorkflowDataProductCalendar::addFrameUserIfNeeded()
{
    if (!fCurrentCalendarProduct || fCurrentCalendarProduct->TplType() != TTemplateType::ClassicTemplate)
        return;
    IArcList<TCustomizedPageBase*> pages = fCurrentCalendarProduct->GetPagesList();
    if (!pages || pages->GetCount() == 0)
        return;
    TCustomizedPageBase* first = pages->GetItem(0);
    for (TCustomizedFrame* f : first->CustomizedFrameList())
        if (f->isImageCustomizable())
            return;
    addCentredUserFrame(fMain, first);
}

void TWorkflowDataProductCalendar::UpdateAllFramesGrids()
{
    TTemplateProductImpl* p = impl(fCurrentCalendarProduct);
    IArcList<TCustomizedPageBase*> pages = p ? p->GetPagesList() : nullptr;
    // A monthly calendar whose design is gone has no grids to keep in step.
    if (!pages || !p->TplCal())
        return;
    TTemplateCalendar* grid = currentCalendarGrid();
    for (int i = 0; i < pages->GetCount(); ++i) {
        auto* page = dynamic_cast<TCustomizedPage*>(pages->GetItem(i));
        if (!page)
            continue;
        const int pageNum = i + 1;
        page->SetPageNum(pageNum);
        TOrderImageBase* month = pageNum == 1 || !grid ? nullptr : grid->getImgForDate(p->DateStart() + pageNum - 2);
        std::vector<TCustomizedFrame*> frames;
        for (TCustomizedFrame* f : page->CustomizedFrameList())
            frames.push_back(f);
        bool hadGrid = false;
        for (TCustomizedFrame* f : frames) {
            if (f->TypeFrame() != TTypeFrame::FrameCalendarGrid)
                continue;
            hadGrid = true;
            if (pageNum == 1) {
                // The owning list frees the frame it removes.
                page->CustomizedFrameList().Remove(f);
            } else {
                f->SetImage(month);
                f->CacheInvalidate(nullptr);
            }
        }
        if (pageNum != 1 && !hadGrid) {
            auto gridFrame =
                std::make_unique<TCustomizedFrame>(page, page->TplVelmora(), month, TTypeFrame::FrameCalendarGrid);
            gridFrame->SetPage(page);
            int at = 0;
            for (int k = 0; k < page->CustomizedFrameList().Count(); ++k)
                if (page->CustomizedFrameList().Items(k)->TypeFrame() == TTypeFrame::FrameBackground) {
                    at = k + 1;
                    break;
                }
            page->CustomizedFrameList().Insert(at, gridFrame.release());
        }
        page->CacheInvalidate(nullptr);
    }
}

TProduct* TWorkflowDataProductCalendar::CurrentProduct()
{
    return fCurrentCalendarProduct;
}

void TWorkflowDataProductCalendar::autofillUserFramesToCheck()
{
    loadInfo();
    TWorkflowDataProductBase::autofillUserFramesToCheck();
}

bool TWorkflowDataProductCalendar::isUsingImage(TOrderImageBase* image)
{
    return productHoldsImage(fCurrentCalendarProduct, image);
}

int TWorkflowDataProductCalendar::getMinPhotos()
{
    TTemplateProductImpl* p = impl(fCurrentCalendarProduct);
    return std::max(1, p ? p->GetNbCustomizableFrames() : 0);
}

void TWorkflowDataProductCalendar::UpdatePages()
{
    TWorkflowDataProductBase::UpdatePages();
    if (fCurrentCalendarProduct && fCurrentCalendarProduct->TplType() == TTemplateType::MonthCalendar)
        UpdateAllFramesGrids();
}

void TWorkflowDataProductCalendar::UpdateControlList(IPageOverviewList* ctrlList)
{
    overviewPagesFill(ctrlList, QStringLiteral("calendar"), fCurrentCalendarProduct);
}
