#include "UWorkflowDataProductBase.h"

#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UCustomizedPage.h"
#include "ULangTexts.h"
#include "UOrderImage.h"
#include "UProductBase.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

std::mutex& providerSync()
{
    static std::mutex m;
    return m;
}

TWorkflowDataProductBase::TPreviewImageProvider& provider()
{
    static TWorkflowDataProductBase::TPreviewImageProvider p;
    return p;
}

bool isLandscape(TOrderImageBase* img)
{
    const QSizeF s = img->ImageSize();
    return s.width() > s.height();
}

} // namespace

TWorkflowDataProductBase::TWorkflowDataProductBase(IMainFrame* main)
    : TWorkflowData(main)
{
}

TWorkflowDataProductBase::~TWorkflowDataProductBase() = default;

// ------------------------------------------------------------------ prices

Currency TWorkflowDataProductBase::RoundToCents(double amount)
{
    // The lab's amount enters the fixed-point grid first (exact to 1/10,000),
    // then goes to whole cents with halves to the even cent: 2.125 -> 2.12.
    return Money::RoundTo(Money::FromDouble(amount), 2);
}

TProductPrice TWorkflowDataProductBase::PriceFromTarif(const Tarif2* tarif, const QString& who)
{
    TProductPrice p;
    p.qty = 1;
    p.priceType = tarif->TypeDeTarif();
    switch (tarif->TypeDeTarif()) {
    case Tarif_TypeTarif::Packs:
        p.price = Money::FromUnits(tarif->CoutEnPacks());
        break;
    case Tarif_TypeTarif::EurosMagasin:
    case Tarif_TypeTarif::EurosCB:
        p.price = RoundToCents(tarif->CoutEnPrix());
        break;
    default:
        throw Exception(who + QStringLiteral(".getMinPrice: unsupported currency mode"));
    }
    return p;
}

// ------------------------------------------------------------- preview hook

void TWorkflowDataProductBase::SetPreviewImageProvider(TPreviewImageProvider p)
{
    std::lock_guard lock(providerSync());
    provider() = std::move(p);
}

TOrderImageBase* TWorkflowDataProductBase::previewImage(IMainFrame* main, int& idx, std::shared_ptr<void>& repository)
{
    TPreviewImageProvider p;
    {
        std::lock_guard lock(providerSync());
        p = provider();
    }
    repository.reset();
    return p ? p(main, idx, repository) : nullptr;
}

// ------------------------------------------------------------- picture order

int TWorkflowDataProductBase::imageCompare(TOrderImageBase* a, TOrderImageBase* b)
{
    const QDateTime da = a->ImageDate();
    const QDateTime db = b->ImageDate();
    if (da < db)
        return -1;
    if (db < da)
        return 1;
    // Ids of equal dates are ordered as the customer's file browser orders
    // names: the locale's collation, case-sensitive, digits as characters.
    QCollator collator { QLocale() };
    collator.setCaseSensitivity(Qt::CaseSensitive);
    collator.setNumericMode(false);
    const int c = collator.compare(a->ImageID(), b->ImageID());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool TWorkflowDataProductBase::imageLess(TOrderImageBase* a, TOrderImageBase* b)
{
    return imageCompare(a, b) < 0;
}

void TWorkflowDataProductBase::imgAvailableSort()
{
    if (!fImgAvailableToSort)
        return;
    fImgAvailableToSort = false;
    if (TProduct* prod = CurrentProduct()) {
        IArcList<TOrderImageBase*> list = prod->ImgsAvailableList();
        if (list) {
            std::vector<TOrderImageBase*> items;
            for (int i = 0; i < list->GetCount(); ++i)
                items.push_back(list->GetItem(i));
            std::stable_sort(items.begin(), items.end(), &TWorkflowDataProductBase::imageLess);
            for (int i = 0; i < int(items.size()); ++i)
                list->SetItem(i, items[size_t(i)]);
        }
    }
    fMain->orderChanged();
}

// ------------------------------------------------------------- autofill

void TWorkflowDataProductBase::autofillUserFramesToDo()
{
    fImgAvailableToSort = true;
    fAutofillUserFramesToDo = true;
}

void TWorkflowDataProductBase::autofillUserFramesToCheck()
{
    if (fAutofillUserFramesToDo)
        autofillUserFrames(false);
}

TOrderImageBase* TWorkflowDataProductBase::autofillPageUserFramesGetImage(int& idx, bool fromProduct,
                                                                          QStringList* usedIds,
                                                                          std::shared_ptr<void>& repository)
{
    repository.reset();
    for (;;) {
        TOrderImageBase* img = nullptr;
        if (fromProduct) {
            if (idx == 0 && fImgAvailableToSort)
                imgAvailableSort();
            TProduct* prod = CurrentProduct();
            IArcList<TOrderImageBase*> list = prod ? prod->ImgsAvailableList() : nullptr;
            if (list && idx < list->GetCount()) {
                img = list->GetItem(idx);
                ++idx;
            }
        } else {
            img = previewImage(fMain, idx, repository);
        }
        if (img && usedIds) {
            const QString id = img->ImageID();
            if (usedIds->contains(id) || img->IsImageScrap())
                continue;
            usedIds->append(id);
        }
        return img;
    }
}

bool TWorkflowDataProductBase::autofillPageUserFrames(TCustomizedPageBase* page, int& idx, bool fromProduct,
                                                      QStringList* usedIds, bool bUserRequest)
{
    bool result = false;
    std::vector<TOrderImageBase*> landscape;
    std::vector<TOrderImageBase*> portrait;
    std::vector<TCustomizedFrame*> filled;

    std::vector<TCustomizedFrame*> frames;
    for (TCustomizedFrame* f : page->CustomizedFrameList())
        frames.push_back(f);
    for (TCustomizedFrame* frame : frames) {
        if (!frame->isImageCustomizableForAutoFill() || (frame->Image() && frame->Image()->IsImageValid()))
            continue;
        std::shared_ptr<void> repository;
        TOrderImageBase* img = autofillPageUserFramesGetImage(idx, fromProduct, usedIds, repository);
        if (!img) {
            frame->SetImage(fMain->GetDropImgExample(frame->Width(), frame->Height()));
            frame->CacheInvalidate(nullptr);
            if (idx == 0 && fromProduct && bUserRequest)
                throw EUser(LangTexts::Catalogue::NoImageFoundAutoFillFunction);
            continue;
        }
        if (!fromProduct) {
            if (!repository)
                throw Exception(QStringLiteral(
                    "TWorkflowDataProductBase.autofillPageUserFramesGetImage: unexpected result"));
            if (TProduct* prod = page->Product())
                prod->AddArcResource(repository);
        }
        filled.push_back(frame);
        (isLandscape(img) ? landscape : portrait).push_back(img);
        result = true;
    }

    // Frames keep their orientation where pictures allow it; the leftovers
    // then go in order, so the page gets exactly the pictures drawn.
    for (TCustomizedFrame* frame : filled) {
        std::vector<TOrderImageBase*>& source = frame->Width() > frame->Height() ? landscape : portrait;
        if (source.empty())
            continue;
        frame->SetImage(source.front());
        source.erase(source.begin());
        frame->CacheInvalidate(nullptr);
    }
    for (std::vector<TOrderImageBase*>* rest : { &portrait, &landscape }) {
        for (TCustomizedFrame* frame : filled) {
            if (rest->empty())
                break;
            if (!frame->isImageCustomizableForAutoFill() || (frame->Image() && frame->Image()->IsImageValid()))
                continue;
            frame->SetImage(rest->front());
            rest->erase(rest->begin());
            frame->CacheInvalidate(nullptr);
        }
    }
    return result;
}

void TWorkflowDataProductBase::usedImageIdsCollect(TCustomizedPageBase* page, QStringList& usedIds)
{
    if (!page)
        return;
    for (TCustomizedFrame* frame : page->CustomizedFrameList()) {
        if (!frame->isImageCustomizableForAutoFill())
            continue;
        TOrderImageBase* img = frame->Image();
        if (!img || !img->IsImageValid())
            continue;
        const QString id = img->ImageID();
        if (!usedIds.contains(id))
            usedIds.append(id);
    }
}

void TWorkflowDataProductBase::autofillUserFrames(bool bUserRequest)
{
    fAutofillUserFramesToDo = false;
    TProduct* prod = CurrentProduct();
    IArcList<TCustomizedPageBase*> pages = prod ? prod->GetPagesList() : nullptr;
    if (!pages)
        return;
    QStringList usedIds;
    for (int i = 0; i < pages->GetCount(); ++i)
        usedImageIdsCollect(pages->GetItem(i), usedIds);
    int idx = 0;
    bool changed = false;
    for (int i = 0; i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        if (autofillPageUserFrames(page, idx, true, &usedIds, bUserRequest)) {
            page->CacheInvalidate(nullptr);
            changed = true;
        }
    }
    if (changed)
        fMain->orderChanged();
}

// ------------------------------------------------------------- removal

namespace {

// Empties the automatically fillable frames of a page; true when it had any.
bool pageRemovePhotos(IMainFrame* main, TCustomizedPageBase* page)
{
    bool any = false;
    for (TCustomizedFrame* frame : page->CustomizedFrameList()) {
        if (!frame->isImageCustomizableForAutoFill())
            continue;
        frame->SetImage(main->GetDropImgExample(frame->Width(), frame->Height()));
        if (frame->ImageEffects())
            frame->ImageEffects()->Reset();
        frame->CacheInvalidate(nullptr);
        any = true;
    }
    if (any)
        page->CacheInvalidate(nullptr);
    return any;
}

} // namespace

void TWorkflowDataProductBase::removeAllPhotos()
{
    TProduct* prod = CurrentProduct();
    IArcList<TCustomizedPageBase*> pages = prod ? prod->GetPagesList() : nullptr;
    if (!pages)
        return;
    bool changed = false;
    for (int i = 0; i < pages->GetCount(); ++i)
        changed = pageRemovePhotos(fMain, pages->GetItem(i)) || changed;
    if (changed)
        fMain->orderChanged();
}

void TWorkflowDataProductBase::removePhotosOfPage(TCustomizedPageBase* page)
{
    if (page && pageRemovePhotos(fMain, page))
        fMain->orderChanged();
}

// ------------------------------------------------------------- pages

void TWorkflowDataProductBase::updatePageNum()
{
    TProduct* prod = CurrentProduct();
    IArcList<TCustomizedPageBase*> pages = prod ? prod->GetPagesList() : nullptr;
    if (!pages)
        return;
    for (int i = 0; i < pages->GetCount(); ++i)
        pages->GetItem(i)->SetPageNum(i + 1);
}

void TWorkflowDataProductBase::UpdatePages()
{
    updatePageNum();
    fMain->orderChanged();
}

void TWorkflowDataProductBase::UpdateControlList(IPageOverviewList*)
{
    throw Exception(QStringLiteral("TWorkflowDataProductBase.UpdateControlList: not implemented"));
}

namespace {

IArcList<TCustomizedPageBase*> pagesForMove(TProduct* prod, int a, int b, const char* op)
{
    IArcList<TCustomizedPageBase*> pages = prod ? prod->GetPagesList() : nullptr;
    const int n = pages ? pages->GetCount() : 0;
    if (a < 0 || a >= n || b < 0 || b >= n)
        throw Exception(QStringLiteral("TWorkflowDataProductBase.%1: page index out of range").arg(QLatin1String(op)));
    return pages;
}

} // namespace

void TWorkflowDataProductBase::MovePage(int idxPageSource, int idxPageTarget)
{
    pagesForMove(CurrentProduct(), idxPageSource, idxPageTarget, "MovePage")->Move(idxPageSource, idxPageTarget);
    UpdatePages();
}

void TWorkflowDataProductBase::ReplacePage(int idxPageSource, int idxPageTarget)
{
    pagesForMove(CurrentProduct(), idxPageSource, idxPageTarget, "ReplacePage")
        ->Exchange(idxPageSource, idxPageTarget);
    UpdatePages();
}

// ------------------------------------------------------------- helpers

bool TWorkflowDataProductBase::productHoldsImage(TProduct* prod, TOrderImageBase* image)
{
    IArcList<TCustomizedPageBase*> pages = prod ? prod->GetPagesList() : nullptr;
    if (!pages)
        return false;
    for (int i = 0; i < pages->GetCount(); ++i)
        for (TCustomizedFrame* f : pages->GetItem(i)->CustomizedFrameList())
            if (f->Image() == image)
                return true;
    return false;
}

void TWorkflowDataProductBase::addCentredUserFrame(IMainFrame* main, TCustomizedPageBase* page)
{
    const float w = float(page->PageWidth()) / 2;
    const float h = float(page->PageHeight()) / 2;
    auto f = std::make_unique<TCustomizedFrame>(page);
    f->SetTypeFrame(TTypeFrame::FrameUser);
    f->SetWidth(w);
    f->SetHeight(h);
    f->SetPositionX(float(page->PageWidth()) / 4);
    f->SetPositionY(float(page->PageHeight()) / 4);
    f->SetImage(main->GetDropImgExample(w, h));
    page->FrameAdd(std::move(f));
}

void TWorkflowDataProductBase::overviewPagesFill(IPageOverviewList* ctrlList, const QString& kind, TProduct* prod)
{
    if (!ctrlList)
        return;
    if (ctrlList->overviewKind() != kind)
        throw Exception(QStringLiteral("Invalid class typecast"));
    IArcList<TCustomizedPageBase*> pages = prod ? prod->GetPagesList() : nullptr;
    for (int i = 0; pages && i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        const QString path = QString::asprintf("%02d", page->PageNum());
        ctrlList->itemSetPage(path, page, false);
        ctrlList->itemInitializationEnd(path);
    }
}
