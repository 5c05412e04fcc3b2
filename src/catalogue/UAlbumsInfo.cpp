#include "UAlbumsInfo.h"

#include "UAlbumProduct.h"
#include "UAlbumSize.h"
#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UCustomizedPage.h"
#include "UPageModeleZeb.h"
#include "UTemplatesInfo.h"

#include <cmath>

namespace {

bool imageLandscape(TOrderImageBase* img)
{
    const QSizeF s = img->ImageSize();
    return s.width() > s.height();
}

bool frameLandscape(float w, float h)
{
    return w > h;
}

std::vector<TCustomizedFrame*> framesOf(TCustomizedPageBase* page)
{
    std::vector<TCustomizedFrame*> out;
    for (TCustomizedFrame* f : page->CustomizedFrameList())
        out.push_back(f);
    return out;
}

IArcList<TCustomizedPageBase*> pagesOf(TAlbumProduct* prod)
{
    return prod->GetPagesList();
}

// Round to nearest, exact halves to the even neighbour.
int roundHalfEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

// ------------------------------------------------------------------ TCoverAlbumData

TCoverAlbumData::TCoverAlbumData(IMainFrame* main, CouleurMatiere2* coverAlbum)
    : fCoverAlbum(coverAlbum)
{
    if (coverAlbum) {
        const Vignette2* v = coverAlbum->Image().get();
        fImage = TTemplatesInfo::NewVignette(main, v ? v->VignetteId() : 0);
    }
}

TCoverAlbumData::~TCoverAlbumData() = default;

// ------------------------------------------------------------------ TAlbumsInfo

TAlbumsInfo::TAlbumsInfo(IMainFrame* main)
    : TWorkflowData(main)
{
}

TAlbumsInfo::~TAlbumsInfo() = default;

IArcList<TCoverAlbumData*> TAlbumsInfo::CoverAlbumDataList()
{
    if (!fCoverAlbumDataList) {
        auto list = TArcList<TCoverAlbumData*>::Create();
        if (TMaterColorList* materials = fMain->GetWebSvcMaterColor())
            for (CouleurMatiere2* m : *materials) {
                fCovers.push_back(std::make_unique<TCoverAlbumData>(fMain, m));
                list->Add(fCovers.back().get());
            }
        fCoverAlbumDataList = list;
    }
    return fCoverAlbumDataList;
}

TCoverAlbumData* TAlbumsInfo::GetCoverDataById(qint32 idCouleurMatiere)
{
    IArcList<TCoverAlbumData*> list = CoverAlbumDataList();
    for (int i = 0; i < list->GetCount(); ++i)
        if (list->GetItem(i)->CoverAlbum() && list->GetItem(i)->CoverAlbum()->Id() == idCouleurMatiere)
            return list->GetItem(i);
    return nullptr;
}

TAlbumSize* TAlbumsInfo::albumSizeOf(IMainFrame* main, TAlbumProduct* albProd)
{
    AlbumPhotographe2* album = albProd ? albProd->Album() : nullptr;
    TAlbumSizeList* sizes = main->GetWebSvcAlbumSize();
    TAlbumSize* size = album && sizes ? sizes->byWidthHeight(album->LargeurPage(), album->HauteurPage()) : nullptr;
    if (!size)
        throw Exception(QStringLiteral("TAlbumsInfo: no album size for the book's pages"));
    return size;
}

bool TAlbumsInfo::isFirstPhotoPage(TAlbumProduct* albProd, TCustomizedPageBase* page)
{
    return albProd->Album() && albProd->Album()->PhotoEn1erePage() && page->PageNum() == 3
        && dynamic_cast<TCustomizedAlbumPage*>(page);
}

qint32 TAlbumsInfo::drawLeastUsed(std::vector<std::pair<qint32, int>>& counts, const QString& noCandidate)
{
    std::vector<size_t> candidates;
    int lowest = 9999;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (counts[i].second > lowest)
            continue;
        if (counts[i].second < lowest) {
            candidates.clear();
            lowest = counts[i].second;
        }
        candidates.push_back(i);
    }
    if (candidates.empty())
        throw Exception(noCandidate);
    auto& chosen = counts[candidates[size_t(AlbumRandom::Below(int(candidates.size())))]];
    ++chosen.second;
    return chosen.first;
}

namespace {

// Use counts of the range's backgrounds that the size has, by ascending id
// (the order depends only on the ids, so equal tables and seeds draw
// alike). An id listed twice is refused.
std::vector<std::pair<qint32, int>> backgroundTable(GammeFond2* range, TAlbumSize* size)
{
    std::vector<std::pair<qint32, int>> table;
    if (!range)
        return table;
    for (qint32 id : range->FondAlbumIds()) {
        if (!size->BackgroundList().findById(id))
            continue;
        for (const auto& e : table)
            if (e.first == id)
                throw Exception(QStringLiteral("Duplicates not allowed"));
        table.emplace_back(id, 0);
    }
    std::sort(table.begin(), table.end());
    return table;
}

} // namespace

void TAlbumsInfo::BuildAlbum(IMainFrame* mainFrame, TAlbumProduct* albProd, int pageCount)
{
    auto* book = dynamic_cast<TAlbumProductImpl*>(albProd);
    AlbumPhotographe2* offer = albProd->Album();
    if (!book || !offer)
        throw Exception(QStringLiteral("TAlbumsInfo.BuildAlbum: no album"));
    TAlbumSize* size = albumSizeOf(mainFrame, albProd);
    IArcList<TCustomizedPageBase*> pages = pagesOf(albProd);

    TCoverAlbumData* front = GetCoverDataById(offer->CouleurMatiereId());
    auto materialCover = [&](TCoverAlbumData* cover, int num) {
        pages->Add(new TCustomizedAlbumCover(albProd, mainFrame, cover ? cover->CoverAlbum() : nullptr,
                                             cover ? cover->Image() : nullptr, num));
    };
    const bool colourInside = !offer->PhotoEn1erePage() && !offer->CouleurInterieur().isEmpty();
    const QString colour = QStringLiteral("#") + offer->CouleurInterieur();

    materialCover(front, 1);
    if (colourInside)
        pages->Add(new TCustomizedAlbumCover(albProd, mainFrame, colour, 2));
    else
        materialCover(front, 2);

    std::vector<std::pair<qint32, int>> table = backgroundTable(book->BackgroundRange(), size);
    if (table.empty())
        throw Exception(QStringLiteral("TAlbumsInfo.BuildAlbum: No background found"));
    if (pageCount == 0)
        pageCount = offer->NombrePagesMini();

    int p = 3;
    for (int sheet = 0; sheet < pageCount; ++sheet) {
        const qint32 id = drawLeastUsed(table, QStringLiteral("TAlbumsInfo.BuildAlbum: No background found (2)"));
        TBgAlbumData* bg = size->bgAlbumDataById(mainFrame, id);
        pages->Add(new TCustomizedAlbumPage(albProd, mainFrame, bg->BackgroundAlbum(), bg->Image(), p++));
        if (!offer->RectoVerso())
            pages->Add(new TCustomizedAlbumPage(albProd, mainFrame, p++));
    }

    TCoverAlbumData* back = GetCoverDataById(offer->CouleurMatiereIdBack());
    if (!back)
        back = front;
    if (colourInside)
        pages->Add(new TCustomizedAlbumCover(albProd, mainFrame, colour, pages->GetCount() + 1));
    else
        materialCover(back, pages->GetCount() + 1);
    materialCover(back, pages->GetCount() + 1);
}

void TAlbumsInfo::ApplyPageModel(TAlbumProduct* albumProduct, TCustomizedPageBase* albumPage, PageModeleZeb* model)
{
    if (!albumPage->IsCustomizable() || isFirstPhotoPage(albumProduct, albumPage))
        return;
    if (!model)
        throw Exception(QStringLiteral("TAlbumsInfo.ApplyPageModel: no page model given !"));
    std::vector<PageModelFrameZeb*> places;
    for (PageModelFrameZeb* c : model->Cadres())
        places.push_back(c);
    if (albumPage->CustomizedFrameList().Count() > 0)
        ReplacePageFramesWithPageModel(albumPage, model, places);
    for (PageModelFrameZeb* c : places) {
        auto f = std::make_unique<TCustomizedFrame>(albumPage);
        f->SetTypeFrame(TTypeFrame::FrameFromModel);
        f->SetWidth(float(c->Largeur));
        f->SetHeight(float(c->Hauteur));
        f->SetPositionX(float(c->X));
        f->SetPositionY(float(c->Y));
        f->SetImage(fMain->GetDropImgExample(float(c->Largeur), float(c->Hauteur)));
        albumPage->FrameAdd(std::move(f));
    }
    places.clear();
    albumPage->CacheInvalidate(nullptr);
}

void TAlbumsInfo::ReplacePageFramesWithPageModel(TCustomizedPageBase* albumPage, PageModeleZeb* model,
                                                 std::vector<PageModelFrameZeb*>& places)
{
    TOwnerList<TCustomizedFrame>& list = albumPage->CustomizedFrameList();
    std::vector<std::unique_ptr<TCustomizedFrame>> landscape;
    std::vector<std::unique_ptr<TCustomizedFrame>> portrait;
    for (TCustomizedFrame* f : framesOf(albumPage)) {
        if (!f->isImageCustomizableForAutoFill())
            continue;
        std::unique_ptr<TCustomizedFrame> taken(list.Extract(f));
        TOrderImageBase* img = taken->Image();
        if (!img || !img->IsImageValid())
            continue; // freed here: an empty frame makes way for the model's
        (imageLandscape(img) ? landscape : portrait).push_back(std::move(taken));
    }

    auto take = [&](PageModelFrameZeb* place, std::vector<std::unique_ptr<TCustomizedFrame>>& from) {
        std::unique_ptr<TCustomizedFrame> f = std::move(from.front());
        from.erase(from.begin());
        f->SetPositionX(float(place->X));
        f->SetPositionY(float(place->Y));
        f->SetWidth(float(place->Largeur));
        f->SetHeight(float(place->Hauteur));
        f->SetRotationAngle(0);
        f->CacheInvalidate(nullptr);
        albumPage->FrameAdd(std::move(f));
        albumPage->CacheInvalidate(nullptr);
        places.erase(std::find(places.begin(), places.end(), place));
    };
    const std::vector<PageModelFrameZeb*> modelOrder = places;
    for (PageModelFrameZeb* place : modelOrder) {
        auto& from = frameLandscape(float(place->Largeur), float(place->Hauteur)) ? landscape : portrait;
        if (!from.empty())
            take(place, from);
    }
    const std::vector<PageModelFrameZeb*> open = places;
    for (PageModelFrameZeb* place : open) {
        auto& from = frameLandscape(float(place->Largeur), float(place->Hauteur)) ? portrait : landscape;
        if (!from.empty())
            take(place, from);
    }
    // Frames beyond the model's places are freed with the two lists.
}

bool TAlbumsInfo::setImgInPageFrames(TAlbumProduct* albProd, TCustomizedPageBase* albumPage, int& currentImgIdx,
                                     int imgAvailCount)
{
    if (imgAvailCount <= 0)
        return false;
    IArcList<TOrderImageBase*> avail = albProd->ImgsAvailableList();
    std::vector<TCustomizedFrame*> frames;
    for (TCustomizedFrame* f : albumPage->CustomizedFrameList())
        if (f->isImageCustomizableForAutoFill())
            frames.push_back(f);

    std::vector<TOrderImageBase*> landscape;
    std::vector<TOrderImageBase*> portrait;
    bool ranOut = false;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (currentImgIdx >= imgAvailCount || currentImgIdx >= avail->GetCount()) {
            ranOut = true;
            break;
        }
        TOrderImageBase* img = avail->GetItem(currentImgIdx++);
        (imageLandscape(img) ? landscape : portrait).push_back(img);
    }
    auto give = [](TCustomizedFrame* f, std::vector<TOrderImageBase*>& from) {
        f->SetImage(from.front());
        from.erase(from.begin());
        f->CacheInvalidate(nullptr);
    };
    for (TCustomizedFrame* f : frames) {
        auto& from = frameLandscape(f->Width(), f->Height()) ? landscape : portrait;
        if (!from.empty())
            give(f, from);
    }
    for (std::vector<TOrderImageBase*>* rest : { &portrait, &landscape })
        for (TCustomizedFrame* f : frames) {
            if (rest->empty())
                break;
            if (!f->Image() || !f->Image()->IsImageValid())
                give(f, *rest);
        }
    albumPage->CacheInvalidate(nullptr);
    return !ranOut;
}

void TAlbumsInfo::InitAlbumFrames(int pageCount, TAlbumProduct* albProd, bool bNoFullSizeFrame, int nbFramesPerPage)
{
    TAlbumSize* size = albumSizeOf(fMain, albProd);
    const TPageModelFramesLimit limit = size->getPageModelFramesLimit();
    IArcList<TOrderImageBase*> avail = albProd->ImgsAvailableList();
    const int n = avail ? avail->GetCount() : 0;
    int idx = 0;
    int firstCount = 0;
    bool filling = true;
    IArcList<TCustomizedPageBase*> pages = pagesOf(albProd);

    for (int i = 0; i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        if (!page->IsCustomizable())
            continue;
        if (dynamic_cast<TCustomizedAlbumCover*>(page)) {
            // For this choice a square picture counts as landscape.
            bool tall = idx >= n;
            if (!tall) {
                const QSizeF s = avail->GetItem(idx)->ImageSize();
                tall = s.height() > s.width();
            }
            PageModeleZeb* model = tall ? size->getRandomInBestPageModelAvailable(limit.min, 0, true)
                                        : size->getRandomInBestPageModelAvailable(0, limit.min, true);
            ApplyPageModel(albProd, page, model);
            if (filling)
                filling = setImgInPageFrames(albProd, page, idx, n);
        } else if (isFirstPhotoPage(albProd, page) && page->CustomizedFrameList().Count() > 0) {
            if (filling)
                filling = setImgInPageFrames(albProd, page, idx, n);
            firstCount = idx;
            if (pageCount > 1)
                --pageCount;
        }
    }

    idx = firstCount;
    double f = nbFramesPerPage > 0 ? double(nbFramesPerPage) : double(n - firstCount) / double(pageCount);
    if (f < limit.min)
        f = limit.min;
    else if (f > limit.max)
        f = limit.max;

    int k = 0;
    int placed = 0;
    for (int i = 0; i < pages->GetCount(); ++i) {
        TCustomizedPageBase* page = pages->GetItem(i);
        if (!dynamic_cast<TCustomizedAlbumPage*>(page) || !page->IsCustomizable() || isFirstPhotoPage(albProd, page))
            continue;
        ++k;
        const int want = roundHalfEven(k * f - placed);
        const int left = n - placed - firstCount;
        int landscape = 0;
        int portrait = 0;
        if (left > 0) {
            const int look = std::min(left, want);
            for (int j = 0; j < look && idx + j < n; ++j) {
                const QSizeF s = avail->GetItem(idx + j)->ImageSize();
                (s.width() > s.height() ? landscape : portrait) += 1;
            }
        }
        if (want > landscape + portrait)
            landscape = want - portrait;
        PageModeleZeb* model = size->getRandomInBestPageModelAvailable(portrait, landscape, bNoFullSizeFrame);
        ApplyPageModel(albProd, page, model);
        placed += model->Cadres().Count();
        if (filling)
            filling = setImgInPageFrames(albProd, page, idx, n);
    }
}
