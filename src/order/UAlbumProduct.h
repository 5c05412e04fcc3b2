#pragma once
// The photo book of the order: the store's photo-book model, the pictures
// the customer gave it and its designed pages (covers and inner pages); it
// counts the pages bought beyond the model's minimum, prices itself from the
// photo-book price rows and checks that it can be sent.
//
// TAlbumProductImpl implements TAlbumProduct; order files name it
// "TAlbumProduct" (its class description is TAlbumProduct's).
#include "UDesignedPageAccess.h"
#include "UDesignedProducts.h"

#include <functional>
#include <memory>
#include <vector>

class GammeFond2;
class PrixAlbum2;

// How the album builder places pictures (not stored).
enum class TAlbumPlacingEnum : int { NotDefined, EmptyAlbum, AutoHomothetic, Auto, OnePhoto, TwoPhotos };

class TAlbumProductImpl : public TAlbumProduct {
public:
    // The loader's constructor.
    TAlbumProductImpl();
    explicit TAlbumProductImpl(TPrintOrder* order);
    ~TAlbumProductImpl() override;

    // --- stored data
    // The photo-book model: the catalogue's record (not owned), or after a
    // reload that did not find it, the copy read from the file (owned).
    void SetAlbum(AlbumPhotographe2* album) override;
    void SetAlbumOwned(std::unique_ptr<AlbumPhotographe2> album);
    bool OwnsAlbum() const { return fAlbumOwned; }
    // Album.AlbumPhotographeId; raises "TAlbumProduct.GetAlbumId: no album".
    qint32 AlbumId() const;
    // The chosen background range; same ownership rule as the model.
    GammeFond2* BackgroundRange() const { return fBackgroundRange; }
    void SetBackgroundRange(GammeFond2* range);
    void SetBackgroundRangeOwned(std::unique_ptr<GammeFond2> range);
    bool OwnsBackgroundRange() const { return fBackgroundRangeOwned; }
    // The pictures given to the product, the order's own objects.
    IArcList<TOrderImageBase*> Images() const { return fImages; }
    void SetImages(const TArray<TOrderImageBase*>& images);
    // The designed pages, owned.
    IArcList<TCustomizedPageBase*> CustomizedAlbumPageList() const { return fPages; }
    // Frees the pages held and takes the given ones.
    void SetPages(std::vector<std::unique_ptr<TCustomizedPageBase>> pages);

    // --- not stored
    TAlbumPlacingEnum AlbumPlacing() const { return fAlbumPlacing; }
    void SetAlbumPlacing(TAlbumPlacingEnum placing) { fAlbumPlacing = placing; }
    qint32 randomSeedMem() const { return fRandomSeedMem; }
    void setRandomSeedMem(qint32 seed) { fRandomSeedMem = seed; }

    // --- pictures
    bool ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg) override;
    TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) override;
    void ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force) override;
    // The available list only; the pages are not searched.
    bool IsImageUsed(TOrderImageBase* img) override { return fImages->Contains(img); }
    IArcList<TOrderImageBase*> ImgsAvailableList() override { return fImages; }
    bool HasImgsAvailable() override { return fImages->GetCount() > 0; }
    // Only a waiting product hands over its pictures: the product then
    // shares that product's list object.
    void InitWithProduct(TProductBase* prod) override;

    // --- product
    bool XMLloadFinalize(TPrintOrder* order, IMainFrame* main) override;
    QString ProductShortLabel() override { return AlbumLabel(plm_short); }
    QString ProductLabel() override { return AlbumLabel(plm_std); }
    QString ProductCartLabel() override { return AlbumLabel(plm_full); }
    QString DebugLabel() override;
    TProductPrice GetPrice() override;
    TCustomizedPageBase* GetPageByNum(int pageNum) override;
    IArcList<TCustomizedPageBase*> GetPagesList() override { return fPages; }
    QString PageLabel(int pageNum, TProductLabelMode mode) override;
    bool IsEmpty() override;
    int ChannelId() override;
    // The channel of a printed cover when the model has one, else ChannelId.
    int ChannelIdForPrintedCover();

    // EUser for a missing or invalid picture, or when nothing goes to the lab.
    void Check() override;
    TProductPrice GetUnitPrice(qint32 qty, bool seePageAddPrice) override;
    // Pages beyond the model's minimum; raises "TAlbumProduct.PageSuppCount:
    // album = nil" without a model.
    int PageSuppCount() override;

    // --- labels
    // The model's size and name (or "... Photo Book"), and the extra pages;
    // "?" without a model or an order.
    QString AlbumLabel(TProductLabelMode mode);
    static QString FormatAlbumSize(IMainFrame* main, AlbumPhotographe2* alb, TProductLabelMode mode);
    static QString FormatAlbumName(IMainFrame* main, AlbumPhotographe2* alb, TProductLabelMode mode);
    // Label of the spread at pageIndex (the mode is not used).
    QString DoublePageLabel(int pageIndex, TProductLabelMode mode);

    // --- counts
    qint32 getMinPages() const;
    qint32 getMaxPages() const;
    // Frames per page over the page models of the product's page size; 1
    // when the catalogue has no such size (or its models no frames).
    qint32 getMinFramesPerPageOnModels();
    qint32 getMaxFramesPerPageOnModels();
    qint32 getMinPhotos();
    qint32 getMaxPhotos();
    qint32 getMinPhotosForFramesPerPage(qint32 nbFramesPerPage) const;
    qint32 getMaxPhotosForFramesPerPage(qint32 nbFramesPerPage) const;

    // --- photo-book prices
    // The price row of the model for qty: the first row holding qty, else
    // the nearest (the first of equally near ones); base rows and extra-page
    // rows apart. Without a row: raises "TAlbumProduct.GetAlbumPrice:
    // PrixAlbum2 not found" when required, else null.
    static PrixAlbum2* GetAlbumPrice(IMainFrame* main, qint32 idAlbum, qint32 qty, bool seePageAddPrice,
                                     bool required);
    // The row's cost in the customer's tariff type, rounded by the main
    // frame; without a row raises "TAlbumProduct.GetBasePrice: price not
    // found" when required, else a price of 0.
    static TProductPrice GetBasePrice(IMainFrame* main, qint32 idAlbum, qint32 qty, bool seePageAddPrice,
                                      bool required);

    // --- rules on counts and on what the pages answer
    static QString PageLabelFor(int pageNum, int pageCount, TProductLabelMode mode);
    static QString DoublePageLabelFor(int pageIndex, int pageCount);
    static int PageSuppCountFor(int pageCount, bool rectoVerso, qint32 minPages);
    // f + p × framesPerPage: f the first-page photo, p the minimum pages
    // less that page.
    static qint32 PhotoCountFor(bool photoOnFirstPage, qint32 minPages, qint32 framesPerPage);
    static void CheckPages(const QString& productLabel, const std::vector<TDesignedPageContent>& pages,
                           const std::function<QString(int)>& pageLabel);

    // Makes TAlbumProduct::CreateFor create this class (done once at start;
    // callable again after a test replaced the factory).
    static void InstallFactory();

private:
    int pageCount() const { return fPages ? fPages->GetCount() : 0; }
    qint32 framesPerPage(bool wantMax);

    bool fAlbumOwned = false;
    GammeFond2* fBackgroundRange = nullptr;
    bool fBackgroundRangeOwned = false;
    IArcList<TOrderImageBase*> fImages;
    IArcList<TCustomizedPageBase*> fPages;
    TAlbumPlacingEnum fAlbumPlacing = TAlbumPlacingEnum::Auto;
    qint32 fRandomSeedMem = -1;
    qint32 fMinFramesPerPage = -1;
    qint32 fMaxFramesPerPage = -1;
};
