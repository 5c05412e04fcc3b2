#include "UWorkflowDataProductAlbum.h"

#include "UAlbumProduct.h"
#include "UAlbumSize.h"
#include "UAlbumsInfo.h"
#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UCtrlScreenBase.h"
#include "UCustomizedPage.h"
#include "UDebug.h"
#include "UPageModeleZeb.h"
#include "UPrintOrder.h"

namespace {

TAlbumProductImpl* impl(TAlbumProduct* p)
{
    return dynamic_cast<TAlbumProductImpl*>(p);
}

bool hasPages(TAlbumProduct* p)
{
    IArcList<TCustomizedPageBase*> pages = p ? p->GetPagesList() : nullptr;
    return pages && pages->GetCount() > 0;
}

} // namespace

// ------------------------------------------------------------------ choices

TChoiceAlbumProduct::TChoiceAlbumProduct(IMainFrame* main, AlbumPhotographe2* album)
    : fAlbum(album)
    , fChoiceBackgroundRangeList(TArcList<TChoiceBackgroundRange*>::Create())
{
    TBackgroundRangeList* ranges = main->GetWebSvcBackgroundRange();
    if (!ranges)
        return;
    GammeFond2* own = ranges->findById(album->GammeFondId());
    for (GammeFond2* r : *ranges) {
        if (r->FamilleFondId() != album->FamilleFondId())
            continue;
        fRanges.push_back(std::make_unique<TChoiceBackgroundRange>(r));
        fRanges.back()->setIsDefault(r == own);
        fChoiceBackgroundRangeList->Add(fRanges.back().get());
    }
}

TChoiceAlbumProduct::~TChoiceAlbumProduct() = default;

// ------------------------------------------------------------------ TWorkflowDataProductAlbum

TWorkflowDataProductAlbum::TWorkflowDataProductAlbum(IMainFrame* main)
    : TWorkflowDataProductBase(main)
{
}

TWorkflowDataProductAlbum::~TWorkflowDataProductAlbum() = default;

IArcList<TChoiceAlbumProduct*> TWorkflowDataProductAlbum::getChoiceAlbumProductList()
{
    if (!fChoiceAlbumProductList)
        fChoiceAlbumProductList = TArcList<TChoiceAlbumProduct*>::Create();
    if (fChoiceAlbumProductList->GetCount() > 0)
        return fChoiceAlbumProductList;
    TPhotographerAlbumList* offers = fMain->GetWebSvcAlbumProducts();
    if (!offers)
        return fChoiceAlbumProductList;
    for (AlbumPhotographe2* offer : *offers) {
        try {
            TAlbumCoverList* covers = fMain->GetWebSvcAlbumCover();
            if (!covers)
                throw Exception(QStringLiteral("Album cover not found"));
            covers->byId(offer->CouvertureId());
            // An offer whose page size the catalogue lacks cannot be built.
            TAlbumSizeList* sizes = fMain->GetWebSvcAlbumSize();
            if (!sizes || !sizes->byWidthHeight(offer->LargeurPage(), offer->HauteurPage()))
                throw Exception(QStringLiteral("TWorkflowDataProductAlbum.getChoiceAlbumProductList: album size not found"));
            auto choice = std::make_unique<TChoiceAlbumProduct>(fMain, offer);
            choice->setPrice(TAlbumProductImpl::GetAlbumPrice(fMain, offer->AlbumPhotographeId(), 1, false, true));
            fChoices.push_back(std::move(choice));
            fChoiceAlbumProductList->Add(fChoices.back().get());
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TWorkflowDataProductAlbum.getChoiceAlbumProductList(albumId=%1)")
                         .arg(offer->AlbumPhotographeId()),
                     e);
        }
    }
    return fChoiceAlbumProductList;
}

void TWorkflowDataProductAlbum::setCurrentAlbumProduct(TAlbumProduct* product)
{
    fCurrentAlbumProduct = product;
    fPageModelList.reset();
}

int TWorkflowDataProductAlbum::askedPageNum()
{
    const int n = fAskedPageNum;
    fAskedPageNum = 0;
    return n == 0 ? 1 : n;
}

TProductPrice TWorkflowDataProductAlbum::getMinPrice()
{
    TProductPrice result;
    result.qty = 0;
    result.price = 0;
    IArcList<TChoiceAlbumProduct*> choices = getChoiceAlbumProductList();
    for (int i = 0; i < choices->GetCount(); ++i) {
        PrixAlbum2* row = choices->GetItem(i)->price();
        if (!row || row->EstTarifPageSupplementaire())
            continue;
        const Currency cost = RoundToCents(row->Cout());
        if (result.qty == 0) {
            result.priceType = row->TypeDeTarif();
            result.price = cost;
            result.qty = 1;
        } else if (cost < result.price) {
            result.price = cost;
        }
    }
    return result;
}

std::unique_ptr<TAlbumProduct> TWorkflowDataProductAlbum::getPreview(TChoiceAlbumProduct* choiceAlbumProduct)
{
    std::unique_ptr<TAlbumProduct> book = TAlbumProduct::CreateFor(fMain->GetOrder());
    book->SetAlbum(choiceAlbumProduct->album());
    IArcList<TChoiceBackgroundRange*> ranges = choiceAlbumProduct->choiceBackgroundRangeList();
    if (TAlbumProductImpl* b = impl(book.get()))
        b->SetBackgroundRange(ranges->GetCount() > 0 ? ranges->GetItem(0)->backgroundRange() : nullptr);

    int idx = 0;
    std::shared_ptr<void> repository;
    if (TOrderImageBase* img = previewImage(fMain, idx, repository)) {
        book->ImgsAvailableList()->Add(img);
        if (repository)
            book->AddArcResource(repository);
    }
    auto albums = TCtrlScreenBase::WorkflowData<TAlbumsInfo>(fMain);
    albums->BuildAlbum(fMain, book.get(), 2);
    qint32 seed = AlbumRandom::GetSeed();
    if (seed == -1) {
        seed = 0;
        AlbumRandom::SetSeed(0);
    }
    if (TAlbumProductImpl* b = impl(book.get()))
        b->setRandomSeedMem(seed);
    albums->InitAlbumFrames(choiceAlbumProduct->album()->NombrePagesMini(), book.get(), false, -1);
    return book;
}

std::unique_ptr<TAlbumProduct> TWorkflowDataProductAlbum::getBackgroundPreview(GammeFond2* backgroundRange,
                                                                               int nbFramesPerPage)
{
    if (!fCurrentAlbumProduct)
        return nullptr;
    std::unique_ptr<TAlbumProduct> book = TAlbumProduct::CreateFor(fMain->GetOrder());
    book->SetAlbum(fCurrentAlbumProduct->Album());
    if (TAlbumProductImpl* b = impl(book.get()))
        b->SetBackgroundRange(backgroundRange);

    int idx = 0;
    for (int draw = 0; draw < 16; ++draw) {
        std::shared_ptr<void> repository;
        TOrderImageBase* img = previewImage(fMain, idx, repository);
        if (!img)
            break;
        try {
            img->ImageSize();
            img->SortAndDesignInfoPreLoad();
            book->ImgsAvailableList()->Add(img);
            if (repository)
                book->AddArcResource(repository);
        } catch (const std::exception& e) {
            LogDebug(QStringLiteral("TWorkflowDataProductAlbum.getBackgroundPreview"), e);
        }
    }
    auto albums = TCtrlScreenBase::WorkflowData<TAlbumsInfo>(fMain);
    albums->BuildAlbum(fMain, book.get(), 4);
    if (nbFramesPerPage == -1)
        albums->InitAlbumFrames(4, book.get(), true, -1);
    else if (nbFramesPerPage != 0)
        albums->InitAlbumFrames(4, book.get(), false, nbFramesPerPage);
    return book;
}

IArcList<GammeFond2*> TWorkflowDataProductAlbum::getCurrentAlbumProductBackgroundRangeList()
{
    auto list = TArcList<GammeFond2*>::Create();
    AlbumPhotographe2* offer = fCurrentAlbumProduct ? fCurrentAlbumProduct->Album() : nullptr;
    TBackgroundRangeList* ranges = fMain->GetWebSvcBackgroundRange();
    if (offer && ranges)
        for (GammeFond2* r : *ranges)
            if (r->FamilleFondId() == offer->FamilleFondId())
                list->Add(r);
    return list;
}

IArcList<PageModeleZeb*> TWorkflowDataProductAlbum::getPageModelList()
{
    if (!fPageModelList) {
        auto list = TArcList<PageModeleZeb*>::Create();
        if (fCurrentAlbumProduct)
            for (PageModeleZeb* m : TAlbumsInfo::albumSizeOf(fMain, fCurrentAlbumProduct)->PageModelList())
                list->Add(m);
        fPageModelList = list;
    }
    return fPageModelList;
}

IArcList<TBgAlbumData*> TWorkflowDataProductAlbum::getBackgroundList()
{
    auto list = TArcList<TBgAlbumData*>::Create();
    if (fCurrentAlbumProduct)
        for (TBgAlbumData* d : TAlbumsInfo::albumSizeOf(fMain, fCurrentAlbumProduct)->getBgAlbumDataList(fMain))
            list->Add(d);
    return list;
}

void TWorkflowDataProductAlbum::BuildAlbumIfEmpty()
{
    if (!fCurrentAlbumProduct)
        return;
    if (hasPages(fCurrentAlbumProduct)) {
        autofillUserFramesToCheck();
        return;
    }
    imgAvailableSort();
    fAutofillUserFramesToDo = false;
    auto albums = TCtrlScreenBase::WorkflowData<TAlbumsInfo>(fMain);
    albums->BuildAlbum(fMain, fCurrentAlbumProduct, 0);
    if (fRandomSeedMem != -1) {
        AlbumRandom::SetSeed(fRandomSeedMem);
        fRandomSeedMem = -1;
    }
    if (fNbFramesPerPage != 0)
        albums->InitAlbumFrames(fCurrentAlbumProduct->Album()->NombrePagesMini(), fCurrentAlbumProduct, false,
                                fNbFramesPerPage);
    // The new pages must reach the order's backup.
    fMain->orderChanged();
}

bool TWorkflowDataProductAlbum::ChangeBackgroundsIfNotEmpty()
{
    TAlbumProductImpl* book = impl(fCurrentAlbumProduct);
    if (!book || !hasPages(book))
        return false;
    TAlbumSize* size = TAlbumsInfo::albumSizeOf(fMain, book);
    std::vector<std::pair<qint32, int>> table;
    if (GammeFond2* range = book->BackgroundRange())
        for (qint32 id : range->FondAlbumIds()) {
            if (!size->BackgroundList().findById(id))
                continue;
            for (const auto& e : table)
                if (e.first == id)
                    throw Exception(QStringLiteral("Duplicates not allowed"));
            table.emplace_back(id, 0);
        }
    std::sort(table.begin(), table.end());
    if (table.empty())
        throw Exception(QStringLiteral("TWorkflowDataProductAlbum.ChangeBackgroundsIfNotEmpty: No background found"));
    IArcList<TCustomizedPageBase*> pages = book->GetPagesList();
    for (int i = 0; i < pages->GetCount(); ++i) {
        auto* page = dynamic_cast<TCustomizedAlbumPage*>(pages->GetItem(i));
        if (!page || !page->IsCustomizable())
            continue;
        const qint32 id = TAlbumsInfo::drawLeastUsed(
            table, QStringLiteral("TWorkflowDataProductAlbum.ChangeBackgroundsIfNotEmpty: No background found (2)"));
        TBgAlbumData* bg = size->bgAlbumDataById(fMain, id);
        page->SetBgAlbum(bg->BackgroundAlbum());
        for (TCustomizedFrame* f : page->CustomizedFrameList())
            if (f->TypeFrame() == TTypeFrame::FrameBackground) {
                f->SetImage(bg->Image());
                f->CacheInvalidate(nullptr);
                break;
            }
        page->CacheInvalidate(nullptr);
    }
    return true;
}

void TWorkflowDataProductAlbum::blankPagesRebuild()
{
    TAlbumProductImpl* book = impl(fCurrentAlbumProduct);
    if (!book)
        return;
    IArcList<TCustomizedPageBase*> pages = book->GetPagesList();
    if (!pages)
        return;
    // Blank back pages carry nothing: they are dropped and one is put back
    // behind every interior page with a background, whatever order the
    // customer's moves left the pages in.
    std::vector<TCustomizedPageBase*> order;
    std::vector<TCustomizedPageBase*> doomed;
    for (int i = 0; i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        auto* inner = dynamic_cast<TCustomizedAlbumPage*>(page);
        if (!inner) {
            order.push_back(page);
        } else if (inner->BgAlbum()) {
            order.push_back(page);
            order.push_back(new TCustomizedAlbumPage(book, fMain, page->PageNum()));
        } else {
            doomed.push_back(page);
        }
    }
    pages->Clear();
    for (TCustomizedPageBase* page : order)
        pages->Add(page);
    for (TCustomizedPageBase* page : doomed)
        delete page;
    updatePageNum();
}

TProduct* TWorkflowDataProductAlbum::CurrentProduct()
{
    return fCurrentAlbumProduct;
}

void TWorkflowDataProductAlbum::autofillUserFrames(bool bUserRequest)
{
    TAlbumProduct* book = fCurrentAlbumProduct;
    IArcList<TCustomizedPageBase*> pages = book ? book->GetPagesList() : nullptr;
    fAutofillUserFramesToDo = false;
    if (!pages || pages->GetCount() == 0)
        return;
    pages->GetItem(0)->CacheInvalidate(nullptr);

    auto isCoverSet = [&](TCustomizedPageBase* page) {
        return dynamic_cast<TCustomizedAlbumCover*>(page)
            || (TAlbumsInfo::isFirstPhotoPage(book, page) && page->CustomizedFrameList().Count() > 0);
    };
    bool changed = false;
    for (bool covers : { true, false }) {
        QStringList usedIds;
        for (int i = 0; i < pages->GetCount(); ++i) {
            TCustomizedPageBase* page = pages->GetItem(i);
            if (page->IsCustomizable() && isCoverSet(page) == covers)
                usedImageIdsCollect(page, usedIds);
        }
        int idx = 0;
        for (int i = 0; i < pages->GetCount(); ++i) {
            TCustomizedPageBase* page = pages->GetItem(i);
            if (!page->IsCustomizable() || isCoverSet(page) != covers)
                continue;
            if (autofillPageUserFrames(page, idx, true, &usedIds, bUserRequest)) {
                page->CacheInvalidate(nullptr);
                changed = true;
            }
        }
    }
    if (changed)
        fMain->orderChanged();
}

void TWorkflowDataProductAlbum::removeAllPhotos()
{
    if (hasPages(fCurrentAlbumProduct))
        fCurrentAlbumProduct->GetPagesList()->GetItem(0)->CacheInvalidate(nullptr);
    TWorkflowDataProductBase::removeAllPhotos();
}

bool TWorkflowDataProductAlbum::isUsingImage(TOrderImageBase* image)
{
    return productHoldsImage(fCurrentAlbumProduct, image);
}

bool TWorkflowDataProductAlbum::hasMinMaxPhotos()
{
    if (hasPages(fCurrentAlbumProduct))
        return false;
    return fNbFramesPerPage != 0;
}

int TWorkflowDataProductAlbum::getMinPhotos()
{
    TAlbumProductImpl* book = impl(fCurrentAlbumProduct);
    if (!book)
        return 0;
    return fNbFramesPerPage <= 0 ? book->getMinPhotos() : book->getMinPhotosForFramesPerPage(fNbFramesPerPage);
}

int TWorkflowDataProductAlbum::getMaxPhotos()
{
    TAlbumProductImpl* book = impl(fCurrentAlbumProduct);
    if (!book)
        return 0;
    return fNbFramesPerPage <= 0 ? book->getMaxPhotos() : book->getMaxPhotosForFramesPerPage(fNbFramesPerPage);
}

void TWorkflowDataProductAlbum::UpdatePages()
{
    TWorkflowDataProductBase::UpdatePages();
    if (fCurrentAlbumProduct && fCurrentAlbumProduct->Album() && !fCurrentAlbumProduct->Album()->RectoVerso())
        blankPagesRebuild();
}

void TWorkflowDataProductAlbum::UpdateControlList(IPageOverviewList* ctrlList)
{
    if (!ctrlList)
        return;
    if (ctrlList->overviewKind() != QLatin1String("album"))
        throw Exception(QStringLiteral("Invalid class typecast"));
    ctrlList->RootDetach();
    IArcList<TCustomizedPageBase*> pages = fCurrentAlbumProduct ? fCurrentAlbumProduct->GetPagesList() : nullptr;
    QString lastPath;
    for (int i = 0; pages && i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        const int num = page->PageNum();
        const bool odd = num % 2 != 0;
        lastPath = QString::asprintf("%02d", odd ? num : num + 1);
        ctrlList->itemSetPage(lastPath, page, !odd);
        if (odd)
            ctrlList->itemInitializationEnd(lastPath);
    }
    if (!lastPath.isEmpty())
        ctrlList->itemInitializationEnd(lastPath);
}
