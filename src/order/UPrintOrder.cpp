#include "UPrintOrder.h"

#include "UDebug.h"
#include "UConfig.h"
#include "ULangTexts.h"
#include "UOrderSend.h"
#include "UTools.h"

#include <QDir>
#include <mutex>

KIOSK_ENUM_DEFINE(TPrintDateFormat, QStringLiteral("TPrintDateFormat"), QString(), QStringLiteral("pdWithout"),
                  QStringLiteral("pdWithDate"), QStringLiteral("pdWithDateTime"))

namespace {

std::optional<TXSDateTime> xsDate(const QDateTime& d)
{
    if (!d.isValid())
        return std::nullopt;
    return TXSDateTime(d);
}

QDateTime fromXs(const std::optional<TXSDateTime>& d)
{
    return d ? d->AsDateTime() : QDateTime();
}

template <class T>
std::vector<T*> listItems(const TOwnerList<T>& list)
{
    std::vector<T*> out;
    out.reserve(size_t(list.Count()));
    for (T* item : list)
        out.push_back(item);
    return out;
}

template <class T>
TArray<T*> releaseAll(std::vector<std::unique_ptr<T>>& v)
{
    std::vector<T*> raw;
    raw.reserve(v.size());
    for (auto& item : v)
        raw.push_back(item.release());
    return TArray<T*>(raw);
}

std::mutex gProviderSync;
TPrintOrder::TProductWorkflowsProvider gProvider;

} // namespace

// The loader creates the order itself and hands it over as the root object:
// the class has no factory of its own.
KIOSK_SERIALIZABLE_DESCRIBE_WITH_(
    TPrintOrder, TXMLSerializable,
    []() -> std::unique_ptr<TRemotable> { throw Exception(QStringLiteral("TPrintOrder.Create without args not supported")); },
    b.Property<std::vector<std::unique_ptr<TOrderImageBase>>>(
        "A00Images", [](const TPrintOrder& o) { return listItems(o.usedImagesList()); },
        [](TPrintOrder& o, std::vector<std::unique_ptr<TOrderImageBase>> v) { o.SetImagesArray(releaseAll(v)); },
        nullptr);
    b.Property<bool>("acceptedCgv", [](const TPrintOrder& o) { return o.acceptedCgv(); },
                     [](TPrintOrder& o, bool v) { o.SetAcceptedCgv(v); }, nullptr);
    b.Property<QString>("ConsumerName", [](const TPrintOrder& o) { return o.ConsumerName(); },
                        [](TPrintOrder& o, QString v) { o.SetConsumerName(v); }, nullptr);
    b.Property<QString>("ConsumerReference", [](const TPrintOrder& o) { return o.ConsumerReference(); },
                        [](TPrintOrder& o, QString v) { o.SetConsumerReference(v); }, nullptr);
    b.Property<QString>("ConsumerPhone", [](const TPrintOrder& o) { return o.ConsumerPhone(); },
                        [](TPrintOrder& o, QString v) { o.SetConsumerPhone(v); }, nullptr);
    b.Property<bool>("ExpressOrder", [](const TPrintOrder& o) { return o.ExpressOrder(); },
                     [](TPrintOrder& o, bool v) { o.SetExpressOrder(v); }, nullptr);
    b.Property<bool>("IndexWanted", [](const TPrintOrder& o) { return o.IndexWanted(); },
                     [](TPrintOrder& o, bool v) { o.SetIndexWanted(v); }, nullptr);
    b.Property<bool>("CdWanted", [](const TPrintOrder& o) { return o.CdWanted(); },
                     [](TPrintOrder& o, bool v) { o.SetCdWanted(v); }, nullptr);
    b.Property<bool>("PostalShipping", [](const TPrintOrder& o) { return o.PostalShipping(); },
                     [](TPrintOrder& o, bool v) { o.SetPostalShipping(v); }, nullptr);
    b.Property<bool>("CalibrationImage", [](const TPrintOrder& o) { return o.CalibrationImage(); },
                     [](TPrintOrder& o, bool v) { o.SetCalibrationImage(v); }, nullptr);
    b.Property<QString>("Comments", [](const TPrintOrder& o) { return o.Comments(); },
                        [](TPrintOrder& o, QString v) { o.SetComments(v); }, nullptr);
    b.Property<std::unique_ptr<Adresse2>>(
        "PostalAddress", [](const TPrintOrder& o) { return o.PostalAddress(); },
        [](TPrintOrder& o, std::unique_ptr<Adresse2> v) { o.SetPostalAddress(std::move(v)); }, nullptr);
    b.Property<std::optional<TXSDateTime>>(
        "DateOrder", [](const TPrintOrder& o) { return xsDate(o.DateOrder()); },
        [](TPrintOrder& o, std::optional<TXSDateTime> v) { o.SetDateOrder(fromXs(v)); }, nullptr);
    b.Property<std::optional<TXSDateTime>>(
        "DateWithdrawal", [](const TPrintOrder& o) { return xsDate(o.DateWithdrawal()); },
        [](TPrintOrder& o, std::optional<TXSDateTime> v) { o.SetDateWithdrawal(fromXs(v)); }, nullptr);
    b.Property<std::vector<std::unique_ptr<TTirageProduct>>>(
        "PrintProducts", [](const TPrintOrder& o) { return listItems(o.TirageProducts()); },
        [](TPrintOrder& o, std::vector<std::unique_ptr<TTirageProduct>> v) { o.SetTirageProductsArray(releaseAll(v)); },
        nullptr);
    b.Property<std::vector<std::unique_ptr<TTemplateProduct>>>(
        "TemplateProducts", [](const TPrintOrder& o) { return listItems(o.TemplatesProducts()); },
        [](TPrintOrder& o, std::vector<std::unique_ptr<TTemplateProduct>> v) {
            o.SetTemplateProductsArray(releaseAll(v));
        },
        nullptr);
    b.Property<std::vector<std::unique_ptr<TAlbumProduct>>>(
        "AlbumProducts", [](const TPrintOrder& o) { return listItems(o.AlbumsProducts()); },
        [](TPrintOrder& o, std::vector<std::unique_ptr<TAlbumProduct>> v) { o.SetAlbumProductsArray(releaseAll(v)); },
        nullptr);
    b.Property<std::vector<std::unique_ptr<TImageTirageGroupData>>>(
        "PrintImages", [](const TPrintOrder& o) { return listItems(o.ImagesSelectionneesTirage()); },
        [](TPrintOrder& o, std::vector<std::unique_ptr<TImageTirageGroupData>> v) {
            o.SetPrintGroupsArray(releaseAll(v));
        },
        nullptr);
    b.Property<TPrintDateFormat>("PrintDateFormat", [](const TPrintOrder& o) { return o.PrintDateFormat(); },
                                 [](TPrintOrder& o, TPrintDateFormat v) { o.SetPrintDateFormat(v); }, nullptr);
    b.Property<std::unique_ptr<TWaitingProduct>>(
        "WaitingProduct", [](const TPrintOrder& o) { return o.WaitingProduct(); },
        [](TPrintOrder& o, std::unique_ptr<TWaitingProduct> v) { o.SetWaitingProduct(std::move(v)); }, nullptr);
    // Written only while a send has something to remember (after the
    // products, which its items name by their place).
    b.Property<std::vector<std::unique_ptr<TOrderSendProgressItem>>>(
        "SendProgress", [](const TPrintOrder& o) { return o.SendProgressForSave(); },
        [](TPrintOrder& o, std::vector<std::unique_ptr<TOrderSendProgressItem>> v) {
            o.SetSendProgressLoaded(std::move(v));
        },
        [](const TPrintOrder& o) { return !o.SendProgressForSave().empty(); });)

// ------------------------------------------------------------------ lifecycle

TPrintOrder::TPrintOrder(IMainFrame* main)
    : fimgList(std::make_unique<TOwnerList<TOrderImageBase>>(true))
    , forderLines(std::make_unique<TOwnerList<LigneDeCommande2>>(true))
    , fOrderAlbumPages(std::make_unique<TOwnerList<CommandeAlbumPage2>>(false))
    , fDateOrder(QDateTime::currentDateTime())
    , fDateWithdrawal(QDateTime(QDate::currentDate(), QTime(0, 0)))
    , fImagesSelectionneesTirage(std::make_unique<TOwnerList<TImageTirageGroupData>>(true))
    , fprodPrintsList(std::make_unique<TOwnerList<TTirageProduct>>(true))
    , fprodTemplatesList(std::make_unique<TOwnerList<TTemplateProduct>>(true))
    , fprodAlbumsList(std::make_unique<TOwnerList<TAlbumProduct>>(true))
    , fMainFrame(main)
{
}

TPrintOrder::~TPrintOrder()
{
    // Told apart while every product is still alive: the pending product
    // may be one of the order's own products.
    TWaitingProduct* waiting = WaitingProduct();
    fProductForImageSelection = nullptr;
    // Products and groups first: they refer to the photos.
    fprodAlbumsList.reset();
    fprodTemplatesList.reset();
    fImagesSelectionneesTirage.reset();
    fGroupByImage.clear();
    fGroupSet.clear();
    fprodPrintsList.reset();
    delete waiting;
    for (TOrderImageBase* img : *fimgList) {
        try {
            img->waitingTasksCancelled();
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TPrintOrder.Destroy / images tasks cancelled"), e);
        } catch (...) {
            LogFatal(QStringLiteral("TPrintOrder.Destroy / images tasks cancelled"));
        }
    }
    fImageById.clear();
    fimgList.reset();
    fLabOrder.reset();
    fLabOrderRecv.reset();
    forderLines.reset();
    fOrderAlbumPages.reset();
    freePostalAddress();
    if (!ftempPath.isEmpty()) {
        try {
            if (QDir(ftempPath).exists())
                TFileTools::DeleteDirRec(ftempPath);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TPrintOrder.Destroy / temp folder"), e);
        }
    }
    fReceipt.reset();
}

void TPrintOrder::SetProductWorkflowsProvider(TProductWorkflowsProvider provider)
{
    std::lock_guard lock(gProviderSync);
    gProvider = std::move(provider);
}

std::shared_ptr<IOrderProductWorkflows> TPrintOrder::workflows() const
{
    TProductWorkflowsProvider provider;
    {
        std::lock_guard lock(gProviderSync);
        provider = gProvider;
    }
    return provider ? provider(fMainFrame) : nullptr;
}

TWorkflowType TPrintOrder::workflowType() const
{
    return fMainFrame ? fMainFrame->getWorkflowType() : TWorkflowNone;
}

// ------------------------------------------------------------ stored values

void TPrintOrder::SetConsumerName(const QString& v)
{
    fConsumerName = v;
    SetDirty();
}

void TPrintOrder::SetConsumerPhone(const QString& v)
{
    fConsumerPhone = v;
    SetDirty();
}

void TPrintOrder::SetConsumerReference(const QString& v)
{
    fReference = v;
    SetDirty();
}

void TPrintOrder::SetComments(const QString& v)
{
    fComments = v;
    SetDirty();
}

void TPrintOrder::SetDateOrder(const QDateTime& v)
{
    fDateOrder = v;
    SetDirty();
}

void TPrintOrder::SetDateWithdrawal(const QDateTime& v)
{
    fDateWithdrawal = v;
    SetDirty();
}

void TPrintOrder::SetExpressOrder(bool v)
{
    fCmdExpress = v;
    SetDirty();
}

void TPrintOrder::SetIndexWanted(bool v)
{
    fIndexWanted = v;
    SetDirty();
}

void TPrintOrder::SetCdWanted(bool v)
{
    fCdWanted = v;
    SetDirty();
}

void TPrintOrder::SetCalibrationImage(bool v)
{
    fCalibrationImage = v;
    SetDirty();
}

void TPrintOrder::SetPostalShipping(bool v)
{
    fPostalShipping = v;
    SetDirty();
}

void TPrintOrder::SetAcceptedCgv(bool v)
{
    // Stored like the other values: a reloaded order keeps the acceptance.
    if (v == fAcceptedCgv)
        return;
    fAcceptedCgv = v;
    SetDirty();
}

void TPrintOrder::SetPrintDateFormat(TPrintDateFormat v)
{
    if (v == fPrintDateFormat)
        return;
    fPrintDateFormat = v;
    SetDirty();
}

// ---------------------------------------------------------- delivery address

void TPrintOrder::freePostalAddress()
{
    if (fPostalAddrToFree)
        delete fPostalAddr;
    fPostalAddr = nullptr;
    fPostalAddrToFree = false;
}

void TPrintOrder::SetPostalAddress(std::unique_ptr<Adresse2> addr)
{
    if (addr && addr.get() == fPostalAddr)
        return;
    freePostalAddress();
    if (addr && addr->Id() >= 0) {
        SetPostalAddressId(addr->Id());
        return;
    }
    fPostalAddr = addr.release();
    fPostalAddrToFree = fPostalAddr != nullptr;
    SetDirty();
}

void TPrintOrder::SetPostalAddressId(qint32 id)
{
    freePostalAddress();
    Adresse2* found = nullptr;
    if (fMainFrame) {
        Adresse2* home = fMainFrame->GetWebSvcAddressHome();
        Adresse2* invoice = fMainFrame->GetWebSvcAddressInvoice();
        if (home && home->Id() == id)
            found = home;
        else if (invoice && invoice->Id() == id)
            found = invoice;
        else {
            TAdresseList* delivery = fMainFrame->GetWebSvcAddressesDelivery();
            if (!delivery)
                throw Exception(QStringLiteral("Adresse not found"));
            found = delivery->byId(id);
        }
    } else {
        throw Exception(QStringLiteral("Adresse not found"));
    }
    fPostalAddr = found;
    fPostalAddrToFree = false;
    SetDirty();
}

// -------------------------------------------------------------- stored lists

int TPrintOrder::ProductUsedCount() const
{
    return fprodPrintsList->Count() + fprodTemplatesList->Count() + fprodAlbumsList->Count();
}

void TPrintOrder::imageIndexRebuild()
{
    fImageById.clear();
    fImageById.reserve(fimgList->Count());
    for (TOrderImageBase* img : *fimgList) {
        const QString id = img->ImageID();
        if (!fImageById.contains(id))
            fImageById.insert(id, img);
    }
}

void TPrintOrder::groupIndexRebuild()
{
    fGroupByImage.clear();
    fGroupByImage.reserve(fImagesSelectionneesTirage->Count());
    fGroupSet.clear();
    fGroupSet.reserve(fImagesSelectionneesTirage->Count());
    for (TImageTirageGroupData* g : *fImagesSelectionneesTirage) {
        fGroupSet.insert(g);
        if (g->Image() && !fGroupByImage.contains(g->Image()))
            fGroupByImage.insert(g->Image(), g);
    }
}

void TPrintOrder::SetImagesArray(const TArray<TOrderImageBase*>& images)
{
    ReplaceOwnerList(fimgList, images);
    imageIndexRebuild();
    SetDirty();
}

void TPrintOrder::SetTirageProductsArray(const TArray<TTirageProduct*>& products)
{
    ReplaceOwnerList(fprodPrintsList, products);
    SetDirty();
}

void TPrintOrder::SetTemplateProductsArray(const TArray<TTemplateProduct*>& products)
{
    ReplaceOwnerList(fprodTemplatesList, products);
    SetDirty();
}

void TPrintOrder::SetAlbumProductsArray(const TArray<TAlbumProduct*>& products)
{
    ReplaceOwnerList(fprodAlbumsList, products);
    SetDirty();
}

void TPrintOrder::SetPrintGroupsArray(const TArray<TImageTirageGroupData*>& groups)
{
    ReplaceOwnerList(fImagesSelectionneesTirage, groups);
    groupIndexRebuild();
    SetDirty();
}

// ------------------------------------------------------------------ products

void TPrintOrder::takeOverPending(TProductBase* product)
{
    TProductBase* pending = fProductForImageSelection;
    if (!pending || pending == product)
        return;
    product->InitWithProduct(pending);
    fProductForImageSelection = nullptr;
    if (auto* waiting = dynamic_cast<TWaitingProduct*>(pending))
        delete waiting;
}

TTirageProduct* TPrintOrder::TirageProductAdd(Tirage2* format, qint32 qty)
{
    auto product = std::make_unique<TTirageProduct>(this);
    product->SetTirage(format);
    product->SetQuantity(qty);
    TTirageProduct* result = product.get();
    fprodPrintsList->Add(product.release());
    // Prints take over no pictures: a pending selection waits for the next
    // product.
    SetDirty();
    return result;
}

TTemplateProduct* TPrintOrder::TemplateProductAdd(Tirage2* format, qint32 qty)
{
    std::unique_ptr<TTemplateProduct> product = TTemplateProduct::CreateFor(this);
    product->SetTirage(format);
    product->SetQuantity(qty);
    product->SetTplType(format && format->TemplateCalendrierMois() ? TTemplateType::MonthCalendar
                                                                   : TTemplateType::ClassicTemplate);
    // Taken over before the product joins the order: a refusal leaves the
    // order as it was.
    takeOverPending(product.get());
    TTemplateProduct* result = product.get();
    fprodTemplatesList->Add(product.release());
    SetDirty();
    return result;
}

TAlbumProduct* TPrintOrder::AlbumProductAdd(AlbumPhotographe2* album, qint32 qty)
{
    std::unique_ptr<TAlbumProduct> product = TAlbumProduct::CreateFor(this);
    product->SetAlbum(album);
    product->SetQuantity(qty);
    takeOverPending(product.get());
    TAlbumProduct* result = product.get();
    fprodAlbumsList->Add(product.release());
    SetDirty();
    return result;
}

TTirageProduct* TPrintOrder::TirageProductFind(Tirage2* format) const
{
    for (TTirageProduct* p : *fprodPrintsList)
        if (p->Tirage() == format)
            return p;
    return nullptr;
}

void TPrintOrder::productForImageSelectionClearIf(TProductBase* product)
{
    if (fProductForImageSelection == product)
        fProductForImageSelection = nullptr;
}

void TPrintOrder::TirageProductDel(TTirageProduct* product, bool resetWorkflow)
{
    if (resetWorkflow && workflowType() == TWorkflowPrint) {
        auto wf = workflows();
        if (wf && wf->currentPrintProduct() == product)
            fMainFrame->setWorkflowType(TWorkflowNone);
    }
    productForImageSelectionClearIf(product);
    // The product's formats go with it, whatever their effects.
    std::vector<TImageTirageGroupData*> emptied;
    for (TImageTirageGroupData* g : *fImagesSelectionneesTirage) {
        g->TirageProductDel(fMainFrame, product, true);
        if (g->LstFormats().Count() == 0)
            emptied.push_back(g);
    }
    for (TImageTirageGroupData* g : emptied)
        ImagesSelectionneesTirageDel(g);
    fprodPrintsList->Remove(product);
    SetDirty();
}

void TPrintOrder::TemplateProductDel(TTemplateProduct* product, bool resetWorkflow)
{
    if (resetWorkflow) {
        const TWorkflowType t = workflowType();
        auto wf = workflows();
        if (wf
            && (((t == TWorkflowCard || t == TWorkflowDesignerPrint) && wf->currentCardProduct() == product)
                || ((t == TWorkflowCalendarMonthly || t == TWorkflowCalendarAnnual)
                    && wf->currentCalendarProduct() == product)))
            fMainFrame->setWorkflowType(TWorkflowNone);
    }
    productForImageSelectionClearIf(product);
    if (fSendProgress)
        fSendProgress->Forget(product);
    fprodTemplatesList->Remove(product);
    fSendActivePage = nullptr;
    SetDirty();
}

void TPrintOrder::AlbumProductDel(TAlbumProduct* product, bool resetWorkflow)
{
    if (resetWorkflow && workflowType() == TWorkflowAlbum) {
        auto wf = workflows();
        if (wf && wf->currentAlbumProduct() == product)
            fMainFrame->setWorkflowType(TWorkflowNone);
    }
    productForImageSelectionClearIf(product);
    if (fSendProgress)
        fSendProgress->Forget(product);
    fprodAlbumsList->Remove(product);
    SetDirty();
}

void TPrintOrder::ProductDel(TProduct* product)
{
    if (auto* p = dynamic_cast<TTirageProduct*>(product))
        TirageProductDel(p, true);
    else if (auto* t = dynamic_cast<TTemplateProduct*>(product))
        TemplateProductDel(t, true);
    else if (auto* a = dynamic_cast<TAlbumProduct*>(product))
        AlbumProductDel(a, true);
    else
        throw Exception(QStringLiteral("TPrintOrder.ProductDel: unsupported product type"));
}

void TPrintOrder::ProductsClean()
{
    try {
        const TWorkflowType t = workflowType();
        auto wf = workflows();
        TProduct* edited = nullptr;
        if (wf) {
            if (t == TWorkflowPrint)
                edited = wf->currentPrintProduct();
            else if (t == TWorkflowAlbum)
                edited = wf->currentAlbumProduct();
            else if (t == TWorkflowCard || t == TWorkflowDesignerPrint)
                edited = wf->currentCardProduct();
            else if (t == TWorkflowCalendarMonthly || t == TWorkflowCalendarAnnual)
                edited = wf->currentCalendarProduct();
        }
        std::vector<TProduct*> empty;
        for (TTirageProduct* p : *fprodPrintsList)
            if (p != edited && p->IsEmpty())
                empty.push_back(p);
        for (TAlbumProduct* p : *fprodAlbumsList)
            if (p != edited && p->IsEmpty())
                empty.push_back(p);
        for (TTemplateProduct* p : *fprodTemplatesList)
            if (p != edited && p->IsEmpty())
                empty.push_back(p);
        for (TProduct* p : empty) {
            auto* print = dynamic_cast<TTirageProduct*>(p);
            ProductDel(p);
            if (print && t == TWorkflowPrint && wf)
                if (IArcList<TTirageProduct*> current = wf->currentPrintProductList())
                    current->Remove(print);
        }
        if (!empty.empty() && fMainFrame)
            fMainFrame->orderChanged();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TPrintOrder.ProductsClean"), e);
    } catch (...) {
        LogFatal(QStringLiteral("TPrintOrder.ProductsClean"));
    }
}

TProductBase* TPrintOrder::productForImageSelection()
{
    if (!fProductForImageSelection)
        fProductForImageSelection = new TWaitingProduct(this);
    return fProductForImageSelection;
}

void TPrintOrder::SetProductForImageSelection(TProductBase* product)
{
    if (product == fProductForImageSelection)
        return;
    TProductBase* previous = std::exchange(fProductForImageSelection, product);
    if (auto* waiting = dynamic_cast<TWaitingProduct*>(previous))
        delete waiting;
}

bool TPrintOrder::productForImageSelectionOk()
{
    return fProductForImageSelection && fProductForImageSelection->HasImgsAvailable();
}

TWaitingProduct* TPrintOrder::WaitingProduct() const
{
    return dynamic_cast<TWaitingProduct*>(fProductForImageSelection);
}

void TPrintOrder::SetWaitingProduct(std::unique_ptr<TWaitingProduct> product)
{
    SetProductForImageSelection(product.release());
}

// -------------------------------------------------------------------- photos

TOrderImageBase* TPrintOrder::ImageUsedFind(const QString& imageId) const
{
    return fImageById.value(imageId, nullptr);
}

int TPrintOrder::imageIndexOf(TOrderImageBase* image) const
{
    return fimgList->IndexOf(image);
}

TOrderImageBase* TPrintOrder::GlobalImageUsedAdd(TOrderImageBase* image)
{
    if (!image)
        return nullptr;
    const QString id = image->ImageID();
    if (TOrderImageBase* known = ImageUsedFind(id)) {
        if (known->IsImageValid())
            known->UsedPrepare(fMainFrame);
        return known;
    }
    if (!image->IsImageValid()) {
        LogDebugFmt(QStringLiteral("TPrintOrder.ImageUsedAdd(%s): image invalid"), { id });
        return nullptr;
    }
    image->UsedPrepare(fMainFrame);
    SetDirty();
    fimgList->Add(image);
    fImageById.insert(id, image);
    return image;
}

void TPrintOrder::ImageUsedGiveBack(TOrderImageBase* image)
{
    if (imageIndexOf(image) < 0)
        return;
    fimgList->Extract(image);
    const QString id = image->ImageID();
    if (fImageById.value(id, nullptr) == image) {
        fImageById.remove(id);
        // A later photo of the same id (a reload may bring duplicates).
        for (TOrderImageBase* other : *fimgList)
            if (other->ImageID() == id) {
                fImageById.insert(id, other);
                break;
            }
    }
}

std::unique_ptr<TOrderImageBase> TPrintOrder::GlobalImageUsedDel(const QString& imageId)
{
    TOrderImageBase* image = ImageUsedFind(imageId);
    if (!image)
        return nullptr;
    SetDirty();
    if (TImageTirageGroupData* g = ImagesSelectionneesTirageFind(image))
        ImagesSelectionneesTirageDel(g);
    for (TTemplateProduct* p : *fprodTemplatesList)
        p->ImageUsedDel(fMainFrame, image, true);
    for (TAlbumProduct* p : *fprodAlbumsList)
        p->ImageUsedDel(fMainFrame, image, true);
    // The pending selection refers to the order's photos too: it must not
    // keep one the order no longer has.
    if (auto* waiting = WaitingProduct())
        waiting->ImageUsedDel(fMainFrame, image, true);
    ImageUsedGiveBack(image);
    return std::unique_ptr<TOrderImageBase>(image);
}

bool TPrintOrder::ImageUsedReplace(TOrderImageBase* oldImage, TOrderImageBase* newImage)
{
    const int index = imageIndexOf(oldImage);
    if (index < 0)
        throw Exception(QStringLiteral("TPrintOrder.ImageUsedReplace: image not found"));
    bool used = false;
    // A photo in a print group is used as much as one in a designed product:
    // leaving the group on the new photo while dropping it from the list
    // would leave the group on a photo nobody owns.
    if (TImageTirageGroupData* g = ImagesSelectionneesTirageFind(oldImage)) {
        g->SetImage(newImage);
        fGroupByImage.remove(oldImage);
        fGroupByImage.insert(newImage, g);
        used = true;
    }
    for (TTemplateProduct* p : *fprodTemplatesList)
        used = p->ImageUsedReplace(oldImage, newImage) || used;
    for (TAlbumProduct* p : *fprodAlbumsList)
        used = p->ImageUsedReplace(oldImage, newImage) || used;
    if (auto* waiting = WaitingProduct())
        used = waiting->ImageUsedReplace(oldImage, newImage) || used;

    if (index >= fimgList->Count() || (*fimgList)[index] != oldImage)
        throw Exception(QStringLiteral("TPrintOrder.ImageUsedReplace: image not found(2)"));
    if (used) {
        const QString oldId = oldImage->ImageID();
        if (fImageById.value(oldId, nullptr) == oldImage)
            fImageById.remove(oldId);
        fimgList->SetItems(index, newImage); // frees oldImage
        const QString newId = newImage->ImageID();
        if (!fImageById.contains(newId))
            fImageById.insert(newId, newImage);
    } else {
        ImageUsedGiveBack(oldImage);
        delete oldImage;
    }
    SetDirty();
    return used;
}

TOrderImageBase* TPrintOrder::ImageUsedFindAndRepair(TOrderImageBase* image, bool& imageToFree)
{
    imageToFree = true;
    TOrderImageBase* own = ImageUsedFind(image->ImageID());
    if (!own)
        return nullptr;
    if (own == image) {
        // The caller's object is the order's: it must not be freed.
        imageToFree = false;
        return own;
    }
    if (!own->IsImageValid() && image->IsImageValid()) {
        if (ImageUsedReplace(own, image)) {
            imageToFree = false;
            return image;
        }
        return nullptr;
    }
    return own;
}

TProductBase* TPrintOrder::ImageUsedByProduct(TOrderImageBase* image)
{
    for (TTirageProduct* p : *fprodPrintsList)
        if (p->IsImageUsed(image))
            return p;
    for (TTemplateProduct* p : *fprodTemplatesList)
        if (p->IsImageUsed(image))
            return p;
    for (TAlbumProduct* p : *fprodAlbumsList)
        if (p->IsImageUsed(image))
            return p;
    if (auto* waiting = WaitingProduct())
        if (waiting->IsImageUsed(image))
            return waiting;
    return nullptr;
}

void TPrintOrder::ImageRemoveIfNoMoreUsed(TOrderImageBase* image, const IArcList<TOrderImageBase*>& browsedImages,
                                          TOwnerList<TOrderImageBase>& browsedOwnedImages)
{
    if (!image || ImageUsedByProduct(image))
        return;
    if (imageIndexOf(image) < 0)
        return;
    if (browsedImages && browsedImages->Contains(image)) {
        ImageUsedGiveBack(image);
        if (!browsedOwnedImages.Contains(image))
            browsedOwnedImages.Add(image);
    } else {
        ImageUsedGiveBack(image);
        delete image;
    }
    SetDirty();
}

TImageTirageGroupData* TPrintOrder::ImagesSelectionneesTirageFind(TOrderImageBase* image) const
{
    if (!image)
        return nullptr;
    TImageTirageGroupData* g = fGroupByImage.value(image, nullptr);
    if (g && g->Image() == image)
        return g;
    if (g) {
        // A group's photo changed behind the index: search the list.
        for (TImageTirageGroupData* other : *fImagesSelectionneesTirage)
            if (other->Image() == image)
                return other;
    }
    return nullptr;
}

TImageTirageGroupData* TPrintOrder::FindTirageGroupDataByImgId(const QString& imageId) const
{
    return ImagesSelectionneesTirageFind(ImageUsedFind(imageId));
}

std::unique_ptr<TOwnerList<TOrderImageBase>> TPrintOrder::usedImagesListDetach()
{
    auto detached = std::make_unique<TOwnerList<TOrderImageBase>>(true);
    for (TOrderImageBase* img : *fimgList)
        detached->Add(img);
    fimgList->SetOwnsObjects(false);
    fimgList->Clear();
    fimgList->SetOwnsObjects(true);
    fImageById.clear();
    return detached;
}

void TPrintOrder::ImagesSelectionneesTirageAdd(TImageTirageGroupData* group)
{
    fImagesSelectionneesTirage->Add(group);
    fGroupSet.insert(group);
    if (group->Image() && !fGroupByImage.contains(group->Image()))
        fGroupByImage.insert(group->Image(), group);
    SetDirty();
}

void TPrintOrder::ImagesSelectionneesTirageDel(TImageTirageGroupData* group)
{
    if (fImagesSelectionneesTirage->IndexOf(group) < 0)
        return;
    TOrderImageBase* image = group->Image();
    if (fGroupByImage.value(image, nullptr) == group)
        fGroupByImage.remove(image);
    fGroupSet.remove(group);
    fImagesSelectionneesTirage->Remove(group); // frees it
    if (image && !fGroupByImage.contains(image))
        for (TImageTirageGroupData* other : *fImagesSelectionneesTirage)
            if (other->Image() == image) {
                fGroupByImage.insert(image, other);
                break;
            }
    SetDirty();
}

// ------------------------------------------------------------------- queries

bool TPrintOrder::HasDirectPrint() const
{
    for (TTirageProduct* p : *fprodPrintsList)
        if (p->IsDirectPrint())
            return true;
    return false;
}

bool TPrintOrder::HasLabPrint() const
{
    for (TTirageProduct* p : *fprodPrintsList)
        if (!p->IsDirectPrint())
            return true;
    return false;
}

bool TPrintOrder::HasOnlyDirectPrint() const
{
    return HasDirectPrint() && !HasLabPrint() && fprodTemplatesList->Count() == 0 && fprodAlbumsList->Count() == 0;
}

void TPrintOrder::Check()
{
    if (fMainFrame && !fMainFrame->checkPhotographer())
        throw ECancel();
    if (!IsReadyToPrint())
        throw EUser(LangTexts::Order::CartEmptyCanTComplete);
    for (TImageTirageGroupData* g : *fImagesSelectionneesTirage)
        g->Check();
    for (TTemplateProduct* p : *fprodTemplatesList)
        p->Check();
    for (TAlbumProduct* p : *fprodAlbumsList)
        p->Check();
}

// ------------------------------------------------------------ prices and fees

Tarif_TypeTarif TPrintOrder::TariffType() const
{
    Consommateur2* consumer = fMainFrame ? fMainFrame->GetWebSvcConsumerFull() : nullptr;
    return consumer ? consumer->TypeTarif() : Tarif_TypeTarif::Undef;
}

TPriceTier TPrintOrder::TierOf(const Tarif2& tier)
{
    return TPriceTier { tier.QuantiteMinimale(), tier.QuantiteMaximale(), tier.CoutEnPrix(), tier.CoutEnPacks(),
                        tier.TypeDeTarif() };
}

bool TPrintOrder::IsFreePrice(const Tarif2* tier)
{
    return tier && TOrderPricing::IsFreePrice(TierOf(*tier));
}

std::unique_ptr<TTarifList> TPrintOrder::GetAppliedPrices(const TTarifList* tiers, qint32 qtyTotal, bool freeAllowed)
{
    auto result = std::make_unique<TTarifList>(false);
    if (!tiers)
        return result;
    std::vector<TPriceTier> values;
    values.reserve(size_t(tiers->Count()));
    for (Tarif2* t : *tiers)
        values.push_back(TierOf(*t));
    for (int i : TOrderPricing::AppliedTiers(values, qtyTotal, freeAllowed))
        result->Add((*tiers)[i]);
    return result;
}

TProductPrice TPrintOrder::calcPrintPrice(TTirageProduct* productFilter, TReceiptOutput* receipt)
{
    TProductPrice result;
    result.priceType = TariffType();

    // Prints counted per product, in the order the products are first met.
    std::vector<std::pair<TTirageProduct*, TPrintCount>> counted;
    QHash<TTirageProduct*, size_t> position;
    for (TImageTirageGroupData* g : *fImagesSelectionneesTirage) {
        const bool gallery = g->Image() && g->Image()->IsImageGalleryPro();
        for (TImageTirageData* f : g->LstFormats()) {
            TTirageProduct* p = f->Product();
            if (!p || (productFilter && p != productFilter))
                continue;
            auto it = position.constFind(p);
            size_t k;
            if (it == position.constEnd()) {
                k = counted.size();
                position.insert(p, k);
                counted.emplace_back(p, TPrintCount {});
            } else {
                k = *it;
            }
            TPrintCount& c = counted[k].second;
            const qint64 q = std::max<qint32>(f->Quantity(), 0);
            if (gallery)
                c.gallery += q;
            else
                c.normal += q;
        }
    }
    for (auto& [product, count] : counted) {
        const TProductPrice p = priceProductPrints(product, count, result.priceType, receipt);
        result.qty = QuantitySum(qint64(result.qty) + p.qty);
        result.price = Money::Add(result.price, p.price);
    }
    return result;
}

TProductPrice TPrintOrder::calcProductPrintPrice(TTirageProduct* product)
{
    if (!product)
        return calcPrintPrice(nullptr, nullptr);
    TProductPrice result;
    result.priceType = TariffType();
    // The formats the order's own groups hold, as calcPrintPrice counts them.
    TPrintCount count;
    bool held = false;
    for (TImageTirageData* f : product->OwnFormats()) {
        const TImageTirageGroupData* g = f->Group();
        if (!g || !fGroupSet.contains(g))
            continue;
        held = true;
        const qint32 q = std::max<qint32>(f->Quantity(), 0);
        if (g->Image() && g->Image()->IsImageGalleryPro())
            count.gallery += q;
        else
            count.normal += q;
    }
    if (!held)
        return result;
    return priceProductPrints(product, count, result.priceType, nullptr);
}

TProductPrice TPrintOrder::priceProductPrints(TTirageProduct* product, TPrintCount count, Tarif_TypeTarif priceType,
                                              TReceiptOutput* receipt)
{
    TPrintTarifList* prices = fMainFrame ? fMainFrame->GetWebSvcPrintPrices() : nullptr;
    if (!prices)
        throw Exception(QStringLiteral("TPrintOrder.calcPrintPrice: no print prices"));
    TConfigInfo* config = fMainFrame->Config();
    const double coeff = config ? config->GetGalleryProCoeff() : 1.0;
    const TOrderPricing::TPriceRound round = [this](TProductPrice& p) { fMainFrame->priceRound(p); };

    Tirage2* format = product->Tirage();
    if (!format)
        throw Exception(QStringLiteral("TTirageProductBase.GetTirageId: no tirage"));
    TTarifList* list = prices->Items(format->Id());
    std::vector<TPriceTier> tiers;
    tiers.reserve(size_t(list->Count()));
    for (Tarif2* t : *list)
        tiers.push_back(TierOf(*t));
    QString label;
    TOrderPricing::TLineSink sink;
    if (receipt) {
        label = product->ProductLabel();
        sink = [&](const TPrintPriceLine& line) {
            const QString description
                = line.gallery ? label + QLatin1Char(' ') + LangTexts::Order::PROPictures.Text() : label;
            receipt->AddItem(format, description, line.unitPrice, line.qty);
        };
    }
    return TOrderPricing::PricePrints(tiers, format->PackQty(), count, coeff, priceType, round, sink);
}

TProductPrice TPrintOrder::calcTemplatePrice(TReceiptOutput* receipt)
{
    TProductPrice result;
    result.priceType = TariffType();
    for (TTemplateProduct* p : *fprodTemplatesList) {
        const qint32 qty = p->Quantity();
        if (qty < 1)
            continue;
        const TProductPrice unit = p->GetUnitPrice(qty);
        if (receipt)
            receipt->AddItem(p, p->ProductLabel(), unit, qty);
        result.qty = QuantitySum(qint64(result.qty) + qty);
        result.price = Money::Add(result.price, Money::Mul(unit.price, qty));
    }
    return result;
}

TProductPrice TPrintOrder::calcAlbumPrice(TReceiptOutput* receipt)
{
    TProductPrice result;
    result.priceType = TariffType();
    for (TAlbumProduct* p : *fprodAlbumsList) {
        const qint32 qty = p->Quantity();
        if (qty < 1)
            continue;
        const TProductPrice unit = p->GetUnitPrice(qty, false);
        if (receipt) {
            const qint32 pages = p->Album() ? p->Album()->NombrePagesMini() : 0;
            receipt->AddItem(p, p->ProductLabel() + QLatin1Char(' ') + LangTexts::Order::PagesFmt.Text({ pages }), unit,
                             qty);
        }
        result.qty = QuantitySum(qint64(result.qty) + qty);
        result.price = Money::Add(result.price, Money::Mul(unit.price, qty));
        const int extra = p->PageSuppCount();
        if (extra > 0) {
            const TProductPrice pageUnit = p->GetUnitPrice(qty, true);
            if (receipt)
                receipt->AddItem(p, LangTexts::Order::AdditionalPages2.Text(), pageUnit,
                                 QuantitySum(qint64(extra) * qty));
            result.price = Money::Add(result.price, Money::Mul(pageUnit.price, qint64(extra) * qty));
        }
    }
    return result;
}

TProductPrice TPrintOrder::totalPrice()
{
    TProductPrice result;
    result.priceType = TariffType();
    result.qty = 1;
    result.price = Money::Add(calcPrintPrice(nullptr, nullptr).price, calcTemplatePrice(nullptr).price);
    result.price = Money::Add(result.price, calcAlbumPrice(nullptr).price);
    Photographe2* photographer = fMainFrame ? fMainFrame->GetWebSvcPhotographer() : nullptr;
    if (photographer) {
        if (fCdWanted)
            result.price = Money::Add(result.price, Money::FromDouble(photographer->PrixCd()));
        if (fIndexWanted)
            result.price = Money::Add(result.price, Money::FromDouble(photographer->PrixIndex()));
    }
    return result;
}

TFeeSettings TPrintOrder::feeSettings() const
{
    TFeeSettings s;
    if (Photographe2* p = fMainFrame ? fMainFrame->GetWebSvcPhotographer() : nullptr) {
        s.PrixExpress = p->PrixExpress();
        s.FraisDePortEnPrix = p->FraisDePortEnPrix();
        s.FraisDePortEnPacks = p->FraisDePortEnPacks();
        s.FraisDePriseEnCharge = p->FraisDePriseEnCharge();
        s.FraisPriseEnChargeEurosMagasin = p->FraisPriseEnChargeEurosMagasin();
        s.MontantPalierDeLaCommande = p->MontantPalierDeLaCommande();
    }
    return s;
}

Currency TPrintOrder::getExpressFees()
{
    const bool designed = fprodTemplatesList->Count() > 0 || fprodAlbumsList->Count() > 0;
    return TOrderPricing::ExpressFee(fCmdExpress, designed, fCmdExpress && !designed && HasLabPrint(), feeSettings());
}

bool TPrintOrder::canHaveShippingFees() const
{
    return fprodTemplatesList->Count() > 0 || fprodAlbumsList->Count() > 0 || HasLabPrint();
}

Currency TPrintOrder::getShippingFees()
{
    if (!fPostalShipping)
        return 0;
    return TOrderPricing::ShippingFee(fPostalShipping, canHaveShippingFees(), TariffType(), feeSettings());
}

Currency TPrintOrder::getFDPCfees()
{
    bool allIgnore = true;
    for (TTirageProduct* p : *fprodPrintsList)
        allIgnore = allIgnore && p->Tirage() && p->Tirage()->FdpcIgnore();
    for (TTemplateProduct* p : *fprodTemplatesList)
        allIgnore = allIgnore && p->Tirage() && p->Tirage()->FdpcIgnore();
    for (TAlbumProduct* p : *fprodAlbumsList)
        allIgnore = allIgnore && p->Album() && p->Album()->FdpcIgnore();
    return TOrderPricing::HandlingFee(TariffType(), allIgnore, [this] {
        Currency amount = totalPrice().price;
        if (fPostalShipping)
            amount = Money::Add(amount, getShippingFees());
        return amount;
    }, feeSettings());
}
