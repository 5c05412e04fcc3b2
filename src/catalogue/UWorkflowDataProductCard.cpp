#include "UWorkflowDataProductCard.h"

#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UCtrlScreenBase.h"
#include "UCustomizedPage.h"
#include "UPrintOrder.h"
#include "UTemplateProduct.h"
#include "UTemplatesInfo.h"
#include "UVisualsInfos.h"

#include <algorithm>

namespace {

const QString kWho = QStringLiteral("TWorkflowDataProductCard");

int customizableFrames(TTemplateProduct* prod)
{
    auto* impl = dynamic_cast<TTemplateProductImpl*>(prod);
    return impl ? impl->GetNbCustomizableFrames() : 0;
}

} // namespace

TWorkflowDataProductCard::TWorkflowDataProductCard(IMainFrame* main)
    : TWorkflowDataProductBase(main)
{
}

TWorkflowDataProductCard::~TWorkflowDataProductCard() = default;

void TWorkflowDataProductCard::setCardTheme(qint32 v)
{
    if (v == fCardTheme)
        return;
    fCardTheme = v;
    fCardTemplateVelmoraDataList.reset();
    fCardProductListForTheme.reset();
}

void TWorkflowDataProductCard::setCurrentCardProduct(TTemplateProduct* product)
{
    fCurrentCardProduct = product;
    loadInfo();
}

void TWorkflowDataProductCard::loadInfo()
{
    IArcList<TCustomizedPageBase*> pages = fCurrentCardProduct ? fCurrentCardProduct->GetPagesList() : nullptr;
    if (!pages || pages->GetCount() == 0)
        return;
    auto* page = dynamic_cast<TCustomizedPage*>(pages->GetItem(0));
    if (!page || !page->TplVelmora())
        return;
    const ZebtemplateVelmora2* tpl = page->TplVelmora();
    fMain->LoadWebSvcTemplateVelmoraInfo(tpl->Type_(), tpl->HauteurPapier(), tpl->LargeurPapier());
}

int TWorkflowDataProductCard::askedPageNum()
{
    const int n = fAskedPageNum;
    fAskedPageNum = 0;
    return n == 0 ? 1 : n;
}

void TWorkflowDataProductCard::checkLang()
{
    const QString lang = fMain->Lang();
    if (lang == fLangForCache)
        return;
    fCardThemeList.reset();
    fCardTemplateVelmoraDataList.reset();
    fLangForCache = lang;
}

const QList<qint32>& TWorkflowDataProductCard::getCardThemeList()
{
    checkLang();
    if (!fCardThemeList) {
        auto list = std::make_unique<QList<qint32>>();
        IArcList<qint32> types =
            TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain)->getTplBackgroundFilteredTypeList(nullptr, false);
        for (int i = 0; i < types->GetCount(); ++i)
            if (types->GetItem(i) > 0)
                list->append(types->GetItem(i));
        fCardThemeList = std::move(list);
    }
    return *fCardThemeList;
}

bool TWorkflowDataProductCard::hasCards()
{
    const QList<qint32>& themes = getCardThemeList();
    return std::any_of(themes.begin(), themes.end(), [](qint32 t) { return t <= 100; });
}

bool TWorkflowDataProductCard::hasDesignerPrints()
{
    const QList<qint32>& themes = getCardThemeList();
    return std::any_of(themes.begin(), themes.end(), [](qint32 t) { return t > 100; });
}

IArcList<TTemplateVelmoraData*> TWorkflowDataProductCard::getCardTemplateVelmoraDataList()
{
    checkLang();
    if (!fCardTemplateVelmoraDataList)
        fCardTemplateVelmoraDataList =
            TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain)->getTplBackgroundFilteredList(nullptr, fCardTheme,
                                                                                               false);
    return fCardTemplateVelmoraDataList;
}

IArcList<Tirage2*> TWorkflowDataProductCard::formatsWhere(const std::function<bool(Tirage2*)>& keep)
{
    TTemplateKindList kinds;
    if (TTirageList* formats = fMain->GetWebSvcTemplateProducts())
        for (Tirage2* t : *formats)
            if (!t->TemplateCalendrierMois() && keep(t))
                kinds.TirageAdd(fMain, t);
    return kinds.TirageList();
}

namespace {

bool anyTemplate(const IArcList<TTemplateVelmoraData*>& list, const std::function<bool(qint32)>& typeOk)
{
    for (int i = 0; i < list->GetCount(); ++i)
        if (typeOk(list->GetItem(i)->TplVelmora()->Type_()))
            return true;
    return false;
}

} // namespace

IArcList<Tirage2*> TWorkflowDataProductCard::getCardProductList()
{
    if (!fCardProductList) {
        auto info = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain);
        fCardProductList = formatsWhere([&](Tirage2* t) {
            return anyTemplate(info->getTplBackgroundFilteredList(t, -1, false), [](qint32 type) { return type <= 100; });
        });
    }
    return fCardProductList;
}

IArcList<Tirage2*> TWorkflowDataProductCard::getDesignerPrintProductList()
{
    if (!fDesignerPrintProductList) {
        auto info = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain);
        fDesignerPrintProductList = formatsWhere([&](Tirage2* t) {
            return anyTemplate(info->getTplBackgroundFilteredList(t, -1, false), [](qint32 type) { return type > 100; });
        });
    }
    return fDesignerPrintProductList;
}

IArcList<Tirage2*> TWorkflowDataProductCard::getCardProductListForTheme()
{
    if (!fCardProductListForTheme) {
        auto info = TCtrlScreenBase::WorkflowData<TTemplatesInfo>(fMain);
        const qint32 theme = fCardTheme;
        fCardProductListForTheme = formatsWhere(
            [&](Tirage2* t) { return info->getTplBackgroundFilteredList(t, theme, false)->GetCount() > 0; });
    }
    return fCardProductListForTheme;
}

Tirage2* TWorkflowDataProductCard::getCardProductFromTemplateVelmoraData(TTemplateVelmoraData* templateVelmoraData)
{
    IArcList<Tirage2*> candidates;
    if (fMode == TTemplateType::ClassicTemplate)
        candidates = getCardProductList();
    else if (fMode == TTemplateType::DesignerPrint)
        candidates = getDesignerPrintProductList();
    const ZebtemplateVelmora2* tpl = templateVelmoraData->TplVelmora();
    const qint32 w = tpl->LargeurPapier();
    const qint32 h = tpl->HauteurPapier();
    const bool hasBack = tpl->VersoSDid() > 0;
    const bool monthly = templateVelmoraData->isMonthlyCalendar();
    Tirage2* compatible = nullptr;
    for (int i = 0; candidates && i < candidates->GetCount(); ++i) {
        Tirage2* t = candidates->GetItem(i);
        const TTemplateKind kind = TTemplateKind::Of(t);
        if (kind.IsEqual(w, h, hasBack, monthly))
            return t;
        if (!compatible && kind.IsCompatible(w, h, hasBack, monthly))
            compatible = t;
    }
    if (!compatible)
        throw Exception(kWho + QStringLiteral(".getCardProductFromTemplateVelmoraData: product not found"));
    return compatible;
}

Tarif2* TWorkflowDataProductCard::getMinimumPrice(const Tirage2* tirage)
{
    return TTemplateKindList::getMinimumPrice(fMain, tirage);
}

TProductPrice TWorkflowDataProductCard::minPriceOver(const std::vector<IArcList<Tirage2*>>& lists)
{
    Tarif2* best = nullptr;
    for (const IArcList<Tirage2*>& list : lists)
        for (int i = 0; list && i < list->GetCount(); ++i) {
            // A format without any tariff row cannot be priced: it does not
            // set the starting price.
            Tarif2* row = getMinimumPrice(list->GetItem(i));
            if (row && (!best || TTarifList::priceCompare(best, row) > 0))
                best = row;
        }
    if (!best)
        throw Exception(kWho + QStringLiteral(".getMinPrice: no product"));
    return PriceFromTarif(best, kWho);
}

TProductPrice TWorkflowDataProductCard::getMinPrice(TTemplateType mode)
{
    if (mode == TTemplateType::ClassicTemplate)
        return minPriceOver({ getCardProductList() });
    if (mode == TTemplateType::DesignerPrint)
        return minPriceOver({ getDesignerPrintProductList() });
    return minPriceOver({});
}

TProductPrice TWorkflowDataProductCard::getMinPrice()
{
    return minPriceOver({ getCardProductList(), getDesignerPrintProductList() });
}

void TWorkflowDataProductCard::fillPreview(TCustomizedPageBase* page, TTemplateVelmoraData* tpl)
{
    if (TTemplateProductImpl::IsCollageId(tpl->TplVelmora()->Type_()))
        return;
    int idx = 0;
    autofillPageUserFrames(page, idx, false, nullptr, false);
}

std::unique_ptr<TTemplateProduct> TWorkflowDataProductCard::getPreview(Tirage2* cardProduct,
                                                                       TTemplateVelmoraData* templateVelmoraData)
{
    std::unique_ptr<TTemplateProduct> prod = TTemplateProduct::CreateFor(fMain->GetOrder());
    prod->SetTirage(cardProduct);
    prod->SetQuantity(1);
    prod->SetTplType(fMode);
    const ZebtemplateVelmora2* tpl = templateVelmoraData->TplVelmora();
    ZebtemplateVelmoraFrameInfo* info = nullptr;
    if (fMain->LoadWebSvcTemplateVelmoraInfo(tpl->Type_(), tpl->LargeurPapier(), tpl->HauteurPapier()))
        info = templateVelmoraData->TplVelmoraInfo();
    auto* page = new TCustomizedPage(prod.get(), fMain, templateVelmoraData->TplVelmora(), info,
                                     templateVelmoraData->ImgRecto(), 1, nullptr);
    prod->GetPagesList()->Add(page);
    fillPreview(page, templateVelmoraData);
    return prod;
}

bool TWorkflowDataProductCard::completePreview(TTemplateProduct* cardPreview, Tirage2*,
                                               TTemplateVelmoraData* templateVelmoraData)
{
    IArcList<TCustomizedPageBase*> pages = cardPreview->GetPagesList();
    auto* page = pages && pages->GetCount() > 0 ? dynamic_cast<TCustomizedPage*>(pages->GetItem(0)) : nullptr;
    if (!page || page->FramesInfoOk())
        return true;
    const ZebtemplateVelmora2* tpl = templateVelmoraData->TplVelmora();
    if (!fMain->LoadWebSvcTemplateVelmoraInfo(tpl->Type_(), tpl->LargeurPapier(), tpl->HauteurPapier()))
        return false;
    page->FramesInfoComplete(fMain, templateVelmoraData->TplVelmora(), templateVelmoraData->TplVelmoraInfo());
    fillPreview(page, templateVelmoraData);
    return true;
}

void TWorkflowDataProductCard::addFrameUserIfNeeded()
{
    if (!fCurrentCardProduct || customizableFrames(fCurrentCardProduct) > 0)
        return;
    IArcList<TCustomizedPageBase*> pages = fCurrentCardProduct->GetPagesList();
    if (pages && pages->GetCount() > 0)
        addCentredUserFrame(fMain, pages->GetItem(0));
}

QStringList TWorkflowDataProductCard::getClipartList()
{
    if (!fClipartList) {
        auto list = std::make_unique<QStringList>();
        std::unique_ptr<TScrapInfosList> scraps = TScrapInfosList::LoadFromXmlFile(fMain);
        for (TScrapInfos* s : scraps->List()) {
            bool hidden = false;
            for (ScrapFrame2* f : scraps->BorderList())
                if (f->Nom() == s->Id() && !f->PictureVisible())
                    hidden = true;
            if (!hidden)
                list->append(s->Id());
        }
        fClipartList = std::move(list);
    }
    return *fClipartList;
}

IArcList<TClipartFrame*> TWorkflowDataProductCard::getClipartFrameList()
{
    if (!fClipartFrameList) {
        auto list = TArcList<TClipartFrame*>::Create();
        std::unique_ptr<TScrapInfosList> scraps = TScrapInfosList::LoadFromXmlFile(fMain);
        for (ScrapFrame2* f : scraps->BorderList()) {
            fClipartFrames.push_back(std::make_unique<TClipartFrame>(f, fMain));
            list->Add(fClipartFrames.back().get());
        }
        fClipartFrameList = list;
    }
    return fClipartFrameList;
}

TProduct* TWorkflowDataProductCard::CurrentProduct()
{
    return fCurrentCardProduct;
}

void TWorkflowDataProductCard::autofillUserFramesToCheck()
{
    loadInfo();
    TWorkflowDataProductBase::autofillUserFramesToCheck();
}

bool TWorkflowDataProductCard::isUsingImage(TOrderImageBase* image)
{
    return productHoldsImage(fCurrentCardProduct, image);
}

int TWorkflowDataProductCard::getMinPhotos()
{
    return std::max(1, customizableFrames(fCurrentCardProduct));
}

void TWorkflowDataProductCard::UpdateControlList(IPageOverviewList* ctrlList)
{
    overviewPagesFill(ctrlList, QStringLiteral("card"), fCurrentCardProduct);
}
