#pragma once
// Turns an empty photo book into a designed one: builds its pages (covers,
// one interior page per sheet with a background drawn among the least used
// of the book's background range, blank back pages for single-sided books),
// lays page models on the pages so that the customer's photos are spread
// evenly and by orientation, and puts the photos into the frames. Also keeps
// the cover pictures of the catalogue's cover materials.
//
// Draws use the album builder's process-wide generator (AlbumRandom), so a
// book built from a recorded seed gets the page models of its preview.
#include "UIArcList.h"
#include "UWorkflowData.h"

#include <QRgb>
#include <memory>
#include <vector>

class CouleurMatiere2;
class PageModeleZeb;
class PageModelFrameZeb;
class TAlbumProduct;
class TAlbumSize;
class TCustomizedPageBase;
class TOrderImageBase;

class TCoverAlbumData {
public:
    TCoverAlbumData(IMainFrame* main, CouleurMatiere2* coverAlbum);
    ~TCoverAlbumData();
    CouleurMatiere2* CoverAlbum() const { return fCoverAlbum; }
    TOrderImageBase* Image() const { return fImage.get(); }
    QRgb ColorInside() const { return fColorInside; }

private:
    CouleurMatiere2* fCoverAlbum;
    std::unique_ptr<TOrderImageBase> fImage;
    QRgb fColorInside = 0;
};

class TAlbumsInfo : public TWorkflowData {
public:
    explicit TAlbumsInfo(IMainFrame* main);
    ~TAlbumsInfo() override;

    IArcList<TCoverAlbumData*> CoverAlbumDataList();
    // Null when no material has that id.
    TCoverAlbumData* GetCoverDataById(qint32 idCouleurMatiere);

    // Appends every page to an empty book: pageCount sheets (0: the offer's
    // minimum).
    void BuildAlbum(IMainFrame* mainFrame, TAlbumProduct* albProd, int pageCount);
    // Lays page models on the customizable pages and fills them with the
    // book's available pictures; nbFramesPerPage above 0 fixes the frames
    // per interior page, else they follow the number of pictures.
    void InitAlbumFrames(int pageCount, TAlbumProduct* albProd, bool bNoFullSizeFrame, int nbFramesPerPage);
    // Replaces the photo frames of one page by the frames of a model.
    void ApplyPageModel(TAlbumProduct* albumProduct, TCustomizedPageBase* albumPage, PageModeleZeb* model);
    // Moves the page's photo frames onto the model's places (by orientation);
    // the places taken leave `places`.
    void ReplacePageFramesWithPageModel(TCustomizedPageBase* albumPage, PageModeleZeb* model,
                                        std::vector<PageModelFrameZeb*>& places);
    // Puts the next available pictures into the photo frames of one page;
    // false once the pictures ran out.
    bool setImgInPageFrames(TAlbumProduct* albProd, TCustomizedPageBase* albumPage, int& currentImgIdx,
                            int imgAvailCount);

    // The page size of the book's offer; raises when the catalogue has none.
    static TAlbumSize* albumSizeOf(IMainFrame* main, TAlbumProduct* albProd);
    // Page 3 of an offer with a photo on the first page: a fixed photo
    // window, never a page model.
    static bool isFirstPhotoPage(TAlbumProduct* albProd, TCustomizedPageBase* page);
    // The least-used draw among the ids of a use-count table (ids in
    // ascending order); raises `noCandidate` when the table is empty.
    static qint32 drawLeastUsed(std::vector<std::pair<qint32, int>>& counts, const QString& noCandidate);

private:
    std::vector<std::unique_ptr<TCoverAlbumData>> fCovers;
    IArcList<TCoverAlbumData*> fCoverAlbumDataList;
};
