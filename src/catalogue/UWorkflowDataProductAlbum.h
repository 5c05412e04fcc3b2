#pragma once
// The workflow data of the photo book for the current customer: the lab's
// photo-book offers with their price and background ranges, throw-away
// previews of an offer and of a background range, the book being designed
// with the customer's frames-per-page choice, its first build (whose page
// models repeat those of the preview the customer chose), the filling of
// its photo frames, new backgrounds, and the blank back pages of
// single-sided books kept in place after pages move.
#include "UIArcList.h"
#include "UWorkflowDataProductBase.h"

#include <memory>
#include <vector>

class AlbumPhotographe2;
class GammeFond2;
class PageModeleZeb;
class PrixAlbum2;
class TAlbumProduct;
class TBgAlbumData;

class TChoiceBackgroundRange {
public:
    explicit TChoiceBackgroundRange(GammeFond2* backgroundRange)
        : fBackgroundRange(backgroundRange)
    {
    }
    GammeFond2* backgroundRange() const { return fBackgroundRange; }
    bool isDefault() const { return fIsDefault; }
    void setIsDefault(bool v) { fIsDefault = v; }

private:
    GammeFond2* fBackgroundRange;
    bool fIsDefault = false;
};

class TChoiceAlbumProduct {
public:
    // The ranges of the offer's background family, the offer's own range
    // marked default.
    TChoiceAlbumProduct(IMainFrame* main, AlbumPhotographe2* album);
    ~TChoiceAlbumProduct();
    AlbumPhotographe2* album() const { return fAlbum; }
    PrixAlbum2* price() const { return fPrice; }
    void setPrice(PrixAlbum2* p) { fPrice = p; }
    IArcList<TChoiceBackgroundRange*> choiceBackgroundRangeList() const { return fChoiceBackgroundRangeList; }

private:
    AlbumPhotographe2* fAlbum;
    PrixAlbum2* fPrice = nullptr;
    std::vector<std::unique_ptr<TChoiceBackgroundRange>> fRanges;
    IArcList<TChoiceBackgroundRange*> fChoiceBackgroundRangeList;
};

class TWorkflowDataProductAlbum : public TWorkflowDataProductBase {
public:
    explicit TWorkflowDataProductAlbum(IMainFrame* main);
    ~TWorkflowDataProductAlbum() override;

    // The offers whose cover and base price exist (others are logged and
    // left out); asked again while empty.
    IArcList<TChoiceAlbumProduct*> getChoiceAlbumProductList();

    TAlbumProduct* currentAlbumProduct() const { return fCurrentAlbumProduct; }
    // Also drops the page models of the previous book.
    void setCurrentAlbumProduct(TAlbumProduct* product);
    int askedPageNum();
    void setAskedPageNum(int n) { fAskedPageNum = n; }
    // The generator seed to set before the book's page models are drawn;
    // -1 none.
    qint32 randomSeedMem() const { return fRandomSeedMem; }
    void setRandomSeedMem(qint32 seed) { fRandomSeedMem = seed; }
    // -1 automatic, 0 no photo frames, above 0 that many frames per page.
    int nbFramesPerPage() const { return fNbFramesPerPage; }
    void setNbFramesPerPage(int n) { fNbFramesPerPage = n; }

    // A book of no order list showing the offer with one sample picture,
    // recording the generator seed its page models were drawn from; the
    // caller owns it.
    std::unique_ptr<TAlbumProduct> getPreview(TChoiceAlbumProduct* choiceAlbumProduct);
    // A book of no order list showing a background range; null without a
    // current book.
    std::unique_ptr<TAlbumProduct> getBackgroundPreview(GammeFond2* backgroundRange, int nbFramesPerPage);
    IArcList<GammeFond2*> getCurrentAlbumProductBackgroundRangeList();
    IArcList<PageModeleZeb*> getPageModelList();
    IArcList<TBgAlbumData*> getBackgroundList();
    // Builds the current book the first time; afterwards only runs a
    // pending automatic filling.
    void BuildAlbumIfEmpty();
    // Draws new backgrounds for the interior pages; false without pages.
    bool ChangeBackgroundsIfNotEmpty();
    // Every interior page with a background is followed by its blank back
    // page (single-sided books).
    void blankPagesRebuild();

    // --- product workflow data
    TProduct* CurrentProduct() override;
    TProductPrice getMinPrice() override;
    void autofillUserFrames(bool bUserRequest) override;
    void removeAllPhotos() override;
    bool isUsingImage(TOrderImageBase* image) override;
    void UpdateControlList(IPageOverviewList* ctrlList) override;
    bool hasMinMaxPhotos() override;
    int getMinPhotos() override;
    int getMaxPhotos() override;
    void UpdatePages() override;

private:
    std::vector<std::unique_ptr<TChoiceAlbumProduct>> fChoices;
    IArcList<TChoiceAlbumProduct*> fChoiceAlbumProductList;
    TAlbumProduct* fCurrentAlbumProduct = nullptr;
    IArcList<PageModeleZeb*> fPageModelList;
    int fAskedPageNum = 0;
    qint32 fRandomSeedMem = -1;
    int fNbFramesPerPage = -1;
};
