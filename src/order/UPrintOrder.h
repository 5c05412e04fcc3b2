#pragma once
// The customer's current order: the photos brought into it, the products
// made from them, the customer's contact and delivery details, the options
// of the order, and its prices and fees.
//
// Ownership. The order owns its photos (one object per photo id), its
// products, its print groups and its waiting product. Products and print
// groups refer to the order's photo objects and never own them. A photo
// handed to the order (GlobalImageUsedAdd) becomes the order's when it is
// taken as a new photo; a photo that leaves the order's list is freed by the
// order unless an operation hands it back to its caller, which then says so
// in its result type (GlobalImageUsedDel, usedImagesListDetach) or moves it
// into a list the caller owns (ImageRemoveIfNoMoreUsed).
//
// Every change that must reach the order's backup marks the order dirty.
#include "IMainFrame.h"
#include "UCatalogueLists.h"
#include "UDesignedProducts.h"
#include "UImageTirageData.h"
#include "UOrderImage.h"
#include "UOrderPricing.h"
#include "UProductPrice.h"
#include "UReceiptOutput.h"
#include "UTirageProduct.h"
#include "UWaitingProduct.h"
#include "UWorkflowType.h"
#include "UXmlSerializer.h"

#include "ULabOrderContracts.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>

enum class TSendType : int { stUpload, stSave, stPayed };
enum class TPrintDateFormat : int { pdWithout, pdWithDate, pdWithDateTime };
KIOSK_ENUM_DECLARE(TPrintDateFormat)

class TCustomizedPageBase;
class TOrderSendProgress;
class TOrderSendProgressItem;

// What the order reads of the product workflows of the current customer:
// the product each workflow is editing. The workflow data live above the
// order model; the layer that owns them installs a provider
// (TPrintOrder::SetProductWorkflowsProvider).
class IOrderProductWorkflows {
public:
    virtual ~IOrderProductWorkflows() = default;
    virtual TTirageProduct* currentPrintProduct() = 0;
    // The print products touched in the print workflow (may be null).
    virtual IArcList<TTirageProduct*> currentPrintProductList() = 0;
    virtual TAlbumProduct* currentAlbumProduct() = 0;
    virtual TTemplateProduct* currentCardProduct() = 0;
    virtual TTemplateProduct* currentCalendarProduct() = 0;
};

class TPrintOrder : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TPrintOrder)
public:
    explicit TPrintOrder(IMainFrame* main);
    ~TPrintOrder() override;
    TPrintOrder(const TPrintOrder&) = delete;
    TPrintOrder& operator=(const TPrintOrder&) = delete;

    IMainFrame* MainFrame() const { return fMainFrame; }

    using TProductWorkflowsProvider = std::function<std::shared_ptr<IOrderProductWorkflows>(IMainFrame*)>;
    static void SetProductWorkflowsProvider(TProductWorkflowsProvider provider);

    // --- state
    bool Dirty() const { return fDirty; }
    void SetDirty() { fDirty = true; }
    // Only a save (and a load) sets the flag back.
    void SetDirtyFlag(bool dirty) { fDirty = dirty; }
    bool JustReloaded() const { return fJustReloaded; }
    void SetJustReloaded(bool v) { fJustReloaded = v; }
    void markAsUsed() { fMarkedAsUsed = true; }
    bool isUsed() const { return fMarkedAsUsed || !IsEmpty(); }

    // --- stored properties (each setter marks the order dirty)
    const QString& ConsumerName() const { return fConsumerName; }
    void SetConsumerName(const QString& v);
    const QString& ConsumerPhone() const { return fConsumerPhone; }
    void SetConsumerPhone(const QString& v);
    const QString& ConsumerReference() const { return fReference; }
    void SetConsumerReference(const QString& v);
    const QString& Comments() const { return fComments; }
    void SetComments(const QString& v);
    const QDateTime& DateOrder() const { return fDateOrder; }
    void SetDateOrder(const QDateTime& v);
    const QDateTime& DateWithdrawal() const { return fDateWithdrawal; }
    void SetDateWithdrawal(const QDateTime& v);
    bool ExpressOrder() const { return fCmdExpress; }
    void SetExpressOrder(bool v);
    bool IndexWanted() const { return fIndexWanted; }
    void SetIndexWanted(bool v);
    bool CdWanted() const { return fCdWanted; }
    void SetCdWanted(bool v);
    bool CalibrationImage() const { return fCalibrationImage; }
    void SetCalibrationImage(bool v);
    bool PostalShipping() const { return fPostalShipping; }
    void SetPostalShipping(bool v);
    // The customer accepted the terms of sale.
    bool acceptedCgv() const { return fAcceptedCgv; }
    void SetAcceptedCgv(bool v);
    TPrintDateFormat PrintDateFormat() const { return fPrintDateFormat; }
    void SetPrintDateFormat(TPrintDateFormat v);

    // --- delivery address
    Adresse2* PostalAddress() const { return fPostalAddr; }
    // An address with an id of 0 or more selects the known address of that
    // id (the argument is freed); otherwise the order keeps and owns it.
    void SetPostalAddress(std::unique_ptr<Adresse2> addr);
    // The main frame's home, invoice or delivery address of that id, not
    // owned; a missing delivery address raises "Adresse not found".
    void SetPostalAddressId(qint32 id);
    bool OwnsPostalAddress() const { return fPostalAddrToFree; }

    // --- sending state
    const QString& SendSavePath() const { return fPathSaveOnDisk; }
    void SetSendSavePath(const QString& v) { fPathSaveOnDisk = v; }
    TSendType sendType() const { return fSendType; }
    void SetSendType(TSendType v) { fSendType = v; }
    TCustomizedPageBase* SendActivePage() const { return fSendActivePage; }
    void SetSendActivePage(TCustomizedPageBase* page) { fSendActivePage = page; }
    bool SendImgCustoAlbumInitAuto() const { return fSendImgCustoAlbumInitAuto; }
    void SetSendImgCustoAlbumInitAuto(bool v) { fSendImgCustoAlbumInitAuto = v; }
    const QString& NumCommande() const { return fNumCommande; }
    void SetNumCommande(const QString& v) { fNumCommande = v; }
    qint32 FirstCmdId() const { return fFirstCmdId; }
    const QString& FirstCmdNum() const { return fFirstCmdNum; }
    void SetFirstCmd(qint32 id, const QString& num)
    {
        fFirstCmdId = id;
        fFirstCmdNum = num;
    }
    // The order's transfer folder, removed with the order.
    const QString& TempPath() const { return ftempPath; }
    void SetTempPath(const QString& path) { ftempPath = path; }
    Commande2* WebSvcOrderReceived() const { return fLabOrderRecv.get(); }
    void SetWebSvcOrderReceived(std::unique_ptr<Commande2> cmd) { fLabOrderRecv = std::move(cmd); }
    TReceiptOutput* sendReceipt() const { return fReceipt.get(); }
    void SetSendReceipt(std::unique_ptr<TReceiptOutput> receipt) { fReceipt = std::move(receipt); }
    qint32 ImageUsedInvalidCount() const { return fImgInvalidCount; }
    void SetImageUsedInvalidCount(qint32 n) { fImgInvalidCount = n; }
    const QString& ProductReloadMessage() const { return fProdReloadMessage; }
    void SetProductReloadMessage(const QString& v) { fProdReloadMessage = v; }

    // --- lists (read only; changes go through the operations below)
    const TOwnerList<TOrderImageBase>& usedImagesList() const { return *fimgList; }
    const TOwnerList<TTirageProduct>& TirageProducts() const { return *fprodPrintsList; }
    const TOwnerList<TTemplateProduct>& TemplatesProducts() const { return *fprodTemplatesList; }
    const TOwnerList<TAlbumProduct>& AlbumsProducts() const { return *fprodAlbumsList; }
    const TOwnerList<TImageTirageGroupData>& ImagesSelectionneesTirage() const { return *fImagesSelectionneesTirage; }
    int ImageUsedCount() const { return fimgList->Count(); }
    int ProductUsedCount() const;

    // The stored arrays: each reads as a copy of its list; writing frees the
    // list's items that the array does not hand back and keeps the array's
    // items in a new owning list.
    TArray<TOrderImageBase*> ImagesArray() const { return fimgList->ToArray(); }
    void SetImagesArray(const TArray<TOrderImageBase*>& images);
    void SetTirageProductsArray(const TArray<TTirageProduct*>& products);
    void SetTemplateProductsArray(const TArray<TTemplateProduct*>& products);
    void SetAlbumProductsArray(const TArray<TAlbumProduct*>& products);
    void SetPrintGroupsArray(const TArray<TImageTirageGroupData*>& groups);

    // --- products
    // Creates the product with the order as owner, sets its format (its
    // model for a photo book) and quantity, appends it and marks the order
    // dirty. A template or photo-book product takes over the pictures of a
    // pending product for picture selection, which is then cleared. A print
    // product takes over nothing: the pending product stays for the next
    // product.
    TTirageProduct* TirageProductAdd(Tirage2* format, qint32 qty);
    TTemplateProduct* TemplateProductAdd(Tirage2* format, qint32 qty);
    TAlbumProduct* AlbumProductAdd(AlbumPhotographe2* album, qint32 qty);
    // The print product whose format is that very record, or null.
    TTirageProduct* TirageProductFind(Tirage2* format) const;
    void TirageProductDel(TTirageProduct* product, bool resetWorkflow);
    void TemplateProductDel(TTemplateProduct* product, bool resetWorkflow);
    void AlbumProductDel(TAlbumProduct* product, bool resetWorkflow);
    // Dispatches on the product's class; any other raises
    // "TPrintOrder.ProductDel: unsupported product type".
    void ProductDel(TProduct* product);
    // Removes the empty products except the one being edited. Never raises.
    void ProductsClean();

    // The product that receives the pictures being selected; a new waiting
    // product owned by the order when none is set.
    TProductBase* productForImageSelection();
    // A waiting product given here becomes the order's; a previous waiting
    // product is freed.
    void SetProductForImageSelection(TProductBase* product);
    bool productForImageSelectionOk();
    TWaitingProduct* WaitingProduct() const;
    void SetWaitingProduct(std::unique_ptr<TWaitingProduct> product);

    // --- photos
    // The first photo with that id (exact, case-sensitive), or null.
    TOrderImageBase* ImageUsedFind(const QString& imageId) const;
    bool IsImageUsed(const QString& imageId) const { return ImageUsedFind(imageId) != nullptr; }
    // A photo with the same id already in the order: prepared again when
    // valid and returned (the caller keeps its own object). Otherwise a
    // valid image is taken (the order owns it from now on), prepared and
    // returned; an invalid one is refused (null, the caller keeps it).
    TOrderImageBase* GlobalImageUsedAdd(TOrderImageBase* image);
    // Takes the photo out of the order: its print group goes, every product
    // drops it, and the photo object is handed to the caller (null when the
    // order has no photo of that id).
    [[nodiscard]] std::unique_ptr<TOrderImageBase> GlobalImageUsedDel(const QString& imageId);
    // Puts newImage wherever oldImage is used (print group and products).
    // When anything used it, newImage takes oldImage's place in the list and
    // the result is true; otherwise the entry goes and the result is false
    // (newImage then stays with the caller). oldImage is freed either way.
    bool ImageUsedReplace(TOrderImageBase* oldImage, TOrderImageBase* newImage);
    // The order's photo for image's id, repairing an invalid one with image.
    // imageToFree says whether the caller must free its own image.
    TOrderImageBase* ImageUsedFindAndRepair(TOrderImageBase* image, bool& imageToFree);
    TProductBase* ImageUsedByProduct(TOrderImageBase* image);
    // When no product uses the photo any more: moved into browsedOwnedImages
    // when the source on screen shows it, else freed.
    void ImageRemoveIfNoMoreUsed(TOrderImageBase* image, const IArcList<TOrderImageBase*>& browsedImages,
                                 TOwnerList<TOrderImageBase>& browsedOwnedImages);
    TImageTirageGroupData* ImagesSelectionneesTirageFind(TOrderImageBase* image) const;
    TImageTirageGroupData* FindTirageGroupDataByImgId(const QString& imageId) const;
    // Hands every photo to the caller and leaves the order's list empty.
    [[nodiscard]] std::unique_ptr<TOwnerList<TOrderImageBase>> usedImagesListDetach();

    // The print groups (used by the print products).
    void ImagesSelectionneesTirageAdd(TImageTirageGroupData* group);
    void ImagesSelectionneesTirageDel(TImageTirageGroupData* group);
    // A photo just taken by GlobalImageUsedAdd goes back to its caller: out
    // of the list, not freed.
    void ImageUsedGiveBack(TOrderImageBase* image);

    // --- queries
    bool IsEmpty() const { return fimgList->Count() == 0 && ProductUsedCount() == 0; }
    bool isFilled() const { return !IsEmpty(); }
    bool IsReadyToPrint() const { return fimgList->Count() > 0 && ProductUsedCount() > 0; }
    bool HasDirectPrint() const;
    bool HasLabPrint() const;
    bool HasOnlyDirectPrint() const;
    QStringList& getPopupHelpOpenedList() { return fPopupHelpOpenedList; }
    void popupHelpOpenedListAdd(const QString& key) { fPopupHelpOpenedList.append(key); }

    // Before sending: ECancel when the shop cannot order now, EUser for an
    // empty cart, then the checks of the print groups and products.
    void Check();

    // --- prices and fees
    TProductPrice totalPrice();
    TProductPrice calcPrintPrice(TTirageProduct* productFilter, TReceiptOutput* receipt);
    // The same as calcPrintPrice(product, nullptr), counted from the
    // product's own formats: its cost does not grow with the order's photos.
    TProductPrice calcProductPrintPrice(TTirageProduct* product);
    TProductPrice calcTemplatePrice(TReceiptOutput* receipt);
    TProductPrice calcAlbumPrice(TReceiptOutput* receipt);
    // The tiers that apply to a quantity (a view over tiers' rows).
    static std::unique_ptr<TTarifList> GetAppliedPrices(const TTarifList* tiers, qint32 qtyTotal, bool freeAllowed);
    static bool IsFreePrice(const Tarif2* tier);
    static TPriceTier TierOf(const Tarif2& tier);
    Currency getExpressFees();
    bool canHaveShippingFees() const;
    Currency getShippingFees();
    Currency getFDPCfees();
    // The customer's tariff type (Undef before the catalogue is loaded).
    Tarif_TypeTarif TariffType() const;

    // --- order files (UOrderFiles.cpp)
    // Writes the order when it is dirty (into a temporary file renamed into
    // place), then clears Dirty; a failure leaves Dirty set and the old file.
    void Save(const QString& path);
    // Saves a filled order; deletes the file of an empty one.
    void SaveOrDelete(const QString& path);
    // The order of a saved file, repaired against the current catalogue;
    // null for an empty path or a missing file.
    static std::unique_ptr<TPrintOrder> TryLoadCreate(IMainFrame* main, const QString& path);

    // --- sending (UOrderSend.cpp); the lab operations take the web-service
    // queue's main-frame proxy
    // The order's transfer folder for its print files, made on first use.
    QString tempFolderGet();
    void tempFolderDel();
    // The order's upload folder name on the transfer page.
    QString ftpPathGet(IMainFrame* main);
    void WebSvcInitOrderPrint(IMainFrame* main, bool directPrint);
    // The records of a template product or photo book: their print files
    // must have been made (TOrderSend::DesignedFilesMake).
    void WebSvcInitOrderTemplate(IMainFrame* main, TTemplateProduct* product);
    void WebSvcInitOrderAlbum(IMainFrame* main, TAlbumProduct* album);
    void InsertPostalShipping(IMainFrame* main);
    void WebSvcSendOrder(IMainFrame* main, bool directPrint);
    void WebSvcSendOrderTemplate(IMainFrame* main, TTemplateProduct* product);
    void WebSvcSendOrderAlbum(IMainFrame* main, TAlbumProduct* album);
    void WebSvcValidateOrder(IMainFrame* main);
    void WebSvcOrderPayment(IMainFrame* main, const QString& status);
    void resetFirstCmdParams() { SetFirstCmd(-1, QString()); }
    void saveCmdParamsIfFirst();
    // Prints the kiosk-printer formats; the rendered pictures are kept in
    // pathToSave.
    void SendDirectPrint(const QString& pathToSave);
    // The lab records being built.
    Commande2* WebSvcOrder() const { return fLabOrder.get(); }
    const TOwnerList<LigneDeCommande2>& WebSvcOrderLines() const { return *forderLines; }
    const TOwnerList<CommandeAlbumPage2>& WebSvcOrderAlbumPages() const { return *fOrderAlbumPages; }
    // What the current send achieved per sub-order, so that a retried send
    // posts no sub-order twice.
    TOrderSendProgress& SendProgress();
    // The progress as the order file stores it: each item with the place of
    // its product in the order's lists (items of products no longer in the
    // order are left out); and the items read back, bound to the products.
    std::vector<TOrderSendProgressItem*> SendProgressForSave() const;
    void SetSendProgressLoaded(std::vector<std::unique_ptr<TOrderSendProgressItem>> items);

    // --- lab order file (ULabOrderFile.cpp)
    // Writes the snapshot of the sub-order just built as "order.xml" in the
    // temp folder and returns its path.
    QString GenerateLabOrderFile(IMainFrame* main, bool firstProductSent);

private:
    void WebSvcInitOrderCommande(IMainFrame* main, std::unique_ptr<Commande2> cmd);
    void webSvcPrintLinesAdd(bool directPrint, bool galleryPass);
    // Before a post: the delivery address, the first sub-order's id and the
    // address id of a postal order; returns the lab service.
    ILumLabServiceRef webSvcSendPrepare(IMainFrame* main, const QString& failure);
    // The lab's answer to a post becomes the received order; none, or one
    // without number, raises EOrder with failure.
    void webSvcSendAnswer(IMainFrame* main, std::unique_ptr<Commande2> answer, const QString& failure);

    std::shared_ptr<IOrderProductWorkflows> workflows() const;
    TWorkflowType workflowType() const;
    void productForImageSelectionClearIf(TProductBase* product);
    void takeOverPending(TProductBase* product);
    void freePostalAddress();
    void imageIndexRebuild();
    void groupIndexRebuild();
    // Prices count's prints of product (one product of calcPrintPrice).
    TProductPrice priceProductPrints(TTirageProduct* product, TPrintCount count, Tarif_TypeTarif priceType,
                                     TReceiptOutput* receipt);
    int imageIndexOf(TOrderImageBase* image) const;
    TFeeSettings feeSettings() const;

    QString fPathSaveOnDisk;
    TSendType fSendType = TSendType::stUpload;
    TCustomizedPageBase* fSendActivePage = nullptr;
    bool fSendImgCustoAlbumInitAuto = false;
    std::unique_ptr<TReceiptOutput> fReceipt;
    QString ftempPath;
    QString fftpPath;
    std::unique_ptr<TOwnerList<TOrderImageBase>> fimgList;
    std::unique_ptr<Commande2> fLabOrder;
    std::unique_ptr<Commande2> fLabOrderRecv;
    std::unique_ptr<TOwnerList<LigneDeCommande2>> forderLines;
    std::unique_ptr<TOwnerList<CommandeAlbumPage2>> fOrderAlbumPages;
    QDateTime fDateOrder;
    QDateTime fDateWithdrawal;
    QString fComments;
    bool fPostalShipping = false;
    Adresse2* fPostalAddr = nullptr;
    bool fPostalAddrToFree = false;
    bool fCalibrationImage = false;
    bool fAcceptedCgv = false;
    std::unique_ptr<TOwnerList<TImageTirageGroupData>> fImagesSelectionneesTirage;
    std::unique_ptr<TOwnerList<TTirageProduct>> fprodPrintsList;
    std::unique_ptr<TOwnerList<TTemplateProduct>> fprodTemplatesList;
    std::unique_ptr<TOwnerList<TAlbumProduct>> fprodAlbumsList;
    QString fConsumerName;
    QString fConsumerPhone;
    QString fReference;
    bool fIndexWanted = false;
    bool fCdWanted = false;
    bool fCmdExpress = false;
    bool fMarkedAsUsed = false;
    bool fDirty = true;
    IMainFrame* fMainFrame = nullptr;
    qint32 fImgInvalidCount = 0;
    QString fProdReloadMessage;
    TPrintDateFormat fPrintDateFormat = TPrintDateFormat::pdWithout;
    TProductBase* fProductForImageSelection = nullptr;
    bool fJustReloaded = false;
    QString fNumCommande;
    qint32 fFirstCmdId = -1;
    QString fFirstCmdNum;
    QStringList fPopupHelpOpenedList;
    std::shared_ptr<TOrderSendProgress> fSendProgress;

    // Look-ups by photo id and by photo object, kept with the lists: an
    // order of thousands of photos is searched at every photo added.
    QHash<QString, TOrderImageBase*> fImageById;
    QHash<TOrderImageBase*, TImageTirageGroupData*> fGroupByImage;
    // The groups of fImagesSelectionneesTirage, for membership tests.
    QSet<const TImageTirageGroupData*> fGroupSet;
};
