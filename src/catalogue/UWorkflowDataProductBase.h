#pragma once
// Base of the workflow data of every product kind (prints, cards and designer
// prints, calendars, photo books): which product the customer is editing,
// its starting price and photo limits, and the operations shared by the
// designed products — automatic filling of empty picture frames with the
// customer's pictures, removing pictures from frames, numbering and moving
// pages. Also turns a catalogue tariff row into the price shown as
// "From ..." on the product screens.
#include "UProductPrice.h"
#include "UWorkflowData.h"

#include <QStringList>
#include <functional>
#include <memory>

class QObject;
class Tarif2;
class TProduct;
class TOrderImageBase;
class TCustomizedPageBase;

// The page-overview lists of the design screens, as the workflow data fill
// them (implemented by the overview list widgets): one item per path under
// the list's root.
class IPageOverviewList {
public:
    virtual ~IPageOverviewList() = default;
    // The list kind ("calendar", "card", "album"); a workflow data refuses a
    // list of another kind.
    virtual QString overviewKind() const = 0;
    // Starts again from an empty root.
    virtual void RootDetach() = 0;
    // Gives the item at path (created when missing) its page; left puts it
    // on the left-hand side of a spread.
    virtual void itemSetPage(const QString& path, TCustomizedPageBase* page, bool left) = 0;
    // Finishes the item at path unless it is initialised already.
    virtual void itemInitializationEnd(const QString& path) = 0;
};

class TWorkflowDataProductBase : public TWorkflowData {
public:
    explicit TWorkflowDataProductBase(IMainFrame* main);
    ~TWorkflowDataProductBase() override;

    // The product being edited, null when none.
    virtual TProduct* CurrentProduct() = 0;
    // The lowest price the product kind is offered at.
    virtual TProductPrice getMinPrice() = 0;
    // Runs a pending automatic filling.
    virtual void autofillUserFramesToCheck();
    // Fills every empty picture frame of the current product with the
    // available pictures not yet placed. With bUserRequest, a product without
    // any picture raises EUser "No image found for autoFill function".
    virtual void autofillUserFrames(bool bUserRequest);
    virtual void removeAllPhotos();
    virtual void removePhotosOfPage(TCustomizedPageBase* page);
    // Pages numbered 1..n in list order.
    virtual void updatePageNum();
    virtual bool isUsingImage(TOrderImageBase* image) = 0;
    // Fills a page-overview list; raises "TWorkflowDataProductBase.
    // UpdateControlList: not implemented" for products without one.
    virtual void UpdateControlList(IPageOverviewList* ctrlList);
    virtual bool hasMinMaxPhotos() = 0;
    virtual int getMinPhotos() = 0;
    // 0: no maximum.
    virtual int getMaxPhotos() = 0;
    // updatePageNum, then the order is marked changed.
    virtual void UpdatePages();

    // The next autofillUserFramesToCheck sorts the available pictures and
    // fills the empty frames.
    void autofillUserFramesToDo();
    bool autofillUserFramesPending() const { return fAutofillUserFramesToDo; }
    // Page moves of the current product, followed by UpdatePages.
    void MovePage(int idxPageSource, int idxPageTarget);
    void ReplacePage(int idxPageSource, int idxPageTarget);

    // Fills the empty automatically fillable frames of one page; landscape
    // frames take landscape pictures first, in the order the pictures are
    // drawn. fromProduct false is the preview mode: sample pictures of the
    // photo sources, whose repositories the page's product keeps alive.
    // True when a frame got a picture.
    bool autofillPageUserFrames(TCustomizedPageBase* page, int& idx, bool fromProduct, QStringList* usedIds,
                                bool bUserRequest);
    // The next picture for the automatic filling, null when none is left.
    TOrderImageBase* autofillPageUserFramesGetImage(int& idx, bool fromProduct, QStringList* usedIds,
                                                    std::shared_ptr<void>& repository);
    // Adds the id of every valid picture of the page's automatically
    // fillable frames, each once.
    static void usedImageIdsCollect(TCustomizedPageBase* page, QStringList& usedIds);
    // Sorts the current product's available pictures when a sort is pending.
    void imgAvailableSort();

    // The order of pictures for the automatic filling: by capture date, then
    // by id in the user locale's collation (case-sensitive, not numeric).
    static bool imageLess(TOrderImageBase* a, TOrderImageBase* b);
    static int imageCompare(TOrderImageBase* a, TOrderImageBase* b);

    // The price of a tariff row as the product screens show a starting price:
    // quantity 1, packs × 10,000, money rounded to whole cents with halves to
    // the even cent. Another tariff type raises "<who>.getMinPrice:
    // unsupported currency mode".
    static TProductPrice PriceFromTarif(const Tarif2* tarif, const QString& who);
    // Money rounded to whole cents (halves to even), on the Currency grid.
    static Currency RoundToCents(double amount);

    // The sample pictures of the photo sources used by the previews: the
    // picture at idx (advancing idx), with the repository that holds it;
    // null when none is left. Installed by the photo-source workflow data.
    using TPreviewImageProvider =
        std::function<TOrderImageBase*(IMainFrame* main, int& idx, std::shared_ptr<void>& repository)>;
    static void SetPreviewImageProvider(TPreviewImageProvider provider);
    static TOrderImageBase* previewImage(IMainFrame* main, int& idx, std::shared_ptr<void>& repository);

protected:
    // A frame of any page of prod holds that picture object.
    static bool productHoldsImage(TProduct* prod, TOrderImageBase* image);
    // Appends a user frame of half the page's size, centred, holding the
    // drop-image placeholder: a design without photo frame still takes one.
    static void addCentredUserFrame(IMainFrame* main, TCustomizedPageBase* page);
    // Fills the page-overview list with one item per page ("%02d" of the
    // page number); raises for a list of another kind.
    static void overviewPagesFill(IPageOverviewList* ctrlList, const QString& kind, TProduct* prod);

    bool fImgAvailableToSort = false;
    bool fAutofillUserFramesToDo = false;
};

// The product workflow data of a workflow type (1 prints, 2-3 cards and
// designer prints, 4-5 calendars, 6 photo books), got or created through the
// workflow-data accessor; null for the other types.
std::shared_ptr<TWorkflowDataProductBase> WorkflowDataProductFor(IMainFrame* main, int workflowType);
