#include "UImageTirageData.h"

#include "UCatalogueLists.h"
#include "ULangTexts.h"
#include "UPrintOrder.h"
#include "UTirageProduct.h"
#include "UTools.h"

KIOSK_SERIALIZABLE_DESCRIBE(
    TImageTirageData, TImageWithEffects,
    b.Property<std::unique_ptr<TImageEffects>>(
        "Effects", [](const TImageTirageData& d) { return d.feffects.get(); },
        [](TImageTirageData& d, std::unique_ptr<TImageEffects> v) { d.SetEffects(std::move(v)); }, nullptr);
    b.Property<qint32>("Channel", [](const TImageTirageData& d) { return d.Channel(); },
                       [](TImageTirageData& d, qint32 v) { d.SetChannel(v); }, nullptr);
    b.Property<qint32>("Quantity", [](const TImageTirageData& d) { return d.Quantity(); },
                       [](TImageTirageData& d, qint32 v) { d.SetQuantity(QuantityFromFile(v, "TImageTirageData")); },
                       nullptr);
    b.Property<qint32>("TirageId", [](const TImageTirageData& d) { return d.TirageId(); },
                       [](TImageTirageData& d, qint32 v) { d.SetTirageId(v); }, nullptr);
    b.Property<qint32>("ProductOrder", [](const TImageTirageData& d) { return d.ProductOrder(); },
                       [](TImageTirageData& d, qint32 v) { d.SetProductOrder(v); }, nullptr);)

KIOSK_SERIALIZABLE_DESCRIBE(
    TImageTirageGroupData, TXMLSerializableNeedParent,
    // The photo is stored by reference: the order owns its photos, and the
    // order file gives every group the order's own object back.
    b.Property<std::unique_ptr<TOrderImageBase>>(
        "Image", [](const TImageTirageGroupData& g) { return g.Image(); },
        [](TImageTirageGroupData& g, std::unique_ptr<TOrderImageBase> v) { g.SetImage(v.release()); }, nullptr);
    b.Property<std::vector<std::unique_ptr<TImageTirageData>>>(
        "Formats",
        [](const TImageTirageGroupData& g) {
            std::vector<TImageTirageData*> out;
            for (TImageTirageData* f : g.LstFormats())
                out.push_back(f);
            return out;
        },
        [](TImageTirageGroupData& g, std::vector<std::unique_ptr<TImageTirageData>> v) {
            std::vector<TImageTirageData*> raw;
            for (auto& f : v)
                raw.push_back(f.release());
            g.SetFormats(TArray<TImageTirageData*>(raw));
        },
        nullptr);)

// ------------------------------------------------------------ TImageTirageData

TImageTirageData::TImageTirageData()
    : feffects(std::make_unique<TImageEffects>())
{
}

TImageTirageData::TImageTirageData(TImageTirageGroupData* group, TTirageProduct* product)
    : feffects(std::make_unique<TImageEffects>())
    , fTirageProd(product)
    , fGroup(group)
{
    if (Tirage2* t = product ? product->Tirage() : nullptr) {
        fChannel = t->Channel();
        fTirageId = t->Id();
    }
    fQuantity = product ? product->Quantity() : 0;
    if (product)
        product->fOwnFormats.insert(this);
}

TImageTirageData::~TImageTirageData()
{
    // Builds use the effects and the group: none may run from here on.
    ImageCacheDetach();
    if (fTirageProd)
        fTirageProd->fOwnFormats.remove(this);
}

void TImageTirageData::SetProduct(TTirageProduct* product)
{
    if (product == fTirageProd)
        return;
    if (fTirageProd)
        fTirageProd->fOwnFormats.remove(this);
    fTirageProd = product;
    if (product)
        product->fOwnFormats.insert(this);
}

const TClassInfo* TImageTirageData::GiveParent(TRemotable* parent)
{
    return KeepParentOf(parent, fGroup);
}

IMainFrame* TImageTirageData::mainFrame() const
{
    TPrintOrder* order = fGroup ? fGroup->Order() : nullptr;
    return order ? order->MainFrame() : nullptr;
}

void TImageTirageData::setDirty()
{
    if (TPrintOrder* order = fGroup ? fGroup->Order() : nullptr)
        order->SetDirty();
}

void TImageTirageData::SetQuantity(qint32 v)
{
    if (v == fQuantity)
        return;
    fQuantity = v;
    setDirty();
}

qint32 TImageTirageData::ProductOrder() const
{
    TPrintOrder* order = fGroup ? fGroup->Order() : nullptr;
    if (!order || !fTirageProd)
        return -1;
    int position = 0;
    for (TTirageProduct* p : order->TirageProducts()) {
        if (p == fTirageProd)
            return position;
        if (p->Tirage() && p->Tirage()->Id() == fTirageId)
            ++position;
    }
    return -1;
}

TOrderImageBase* TImageTirageData::Image() const
{
    return fGroup ? fGroup->Image() : nullptr;
}

Tirage2* TImageTirageData::TirageRecord() const
{
    if (fTirageProd && fTirageProd->Tirage())
        return fTirageProd->Tirage();
    if (IMainFrame* main = mainFrame())
        if (TTirageList* list = main->GetWebSvcPrintProducts())
            return list->findById(fTirageId);
    return nullptr;
}

bool TImageTirageData::IsDirectPrint() const
{
    // Decided like the product's, so that every print is either the lab's
    // or the kiosk printer's and the printer is known by its name.
    return TTirageProduct::IsDirectPrintFormat(TirageRecord());
}

void TImageTirageData::SetEffects(std::unique_ptr<TImageEffects> effects)
{
    feffects = effects ? std::move(effects) : std::make_unique<TImageEffects>();
}

QSizeF TImageTirageData::GetImageSizeInMm(IMainFrame* main)
{
    if (fChannel != 0) {
        TChannelList* channels = main ? main->GetWebSvcChannels() : nullptr;
        if (!channels)
            throw Exception(QStringLiteral("Channel not found"));
        Channel2* c = channels->byId(fChannel);
        return QSizeF(c->Largeur(), c->Longueur());
    }
    Tirage2* t = TirageRecord();
    if (!t)
        throw Exception(QStringLiteral("Tirage not found"));
    return QSizeF(t->Largeur() * 10.0, t->Longueur() * 10.0);
}

QSizeF TImageTirageData::ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode)
{
    const QSizeF mm = GetImageSizeInMm(mainFrame());
    bool turned = feffects->RotateFrame();
    if (bitmapMode == TOrderBitmapMode::obm_sizeMaxNoRotate && mm.width() != mm.height()) {
        const QSizeF photo = ImageSize();
        if ((photo.width() >= photo.height()) != (mm.width() >= mm.height()))
            turned = !turned;
    }
    float w = float(std::abs(bitmapWidthMax));
    float h = float(std::abs(bitmapHeightMax));
    if (turned)
        TImageTools::AspectRatioSizeCoerceF(w, h, float(mm.height()), float(mm.width()));
    else
        TImageTools::AspectRatioSizeCoerceF(w, h, float(mm.width()), float(mm.height()));
    return QSizeF(w, h);
}

// ------------------------------------------------------- TImageTirageGroupData

TImageTirageGroupData::TImageTirageGroupData()
    : fLstFormats(std::make_unique<TOwnerList<TImageTirageData>>(true))
{
}

TImageTirageGroupData::TImageTirageGroupData(TPrintOrder* order, TOrderImageBase* image, TTirageProduct* product)
    : fLstFormats(std::make_unique<TOwnerList<TImageTirageData>>(true))
    , fImage(image)
    , fOrder(order)
{
    fLstFormats->Add(new TImageTirageData(this, product));
}

TImageTirageGroupData::~TImageTirageGroupData()
{
    ImageCacheDetach();
}

const TClassInfo* TImageTirageGroupData::GiveParent(TRemotable* parent)
{
    return KeepParentOf(parent, fOrder);
}

void TImageTirageGroupData::setDirty()
{
    if (fOrder)
        fOrder->SetDirty();
}

void TImageTirageGroupData::SetFormats(const TArray<TImageTirageData*>& formats)
{
    ReplaceOwnerList(fLstFormats, formats);
}

QString TImageTirageGroupData::ImageLabel() const
{
    return fImage ? fImage->ImageLabel() : QString();
}

bool TImageTirageGroupData::FormatBelongsTo(TImageTirageData* format, TTirageProduct* tirProd)
{
    if (!format || !tirProd)
        return false;
    if (format->Product() == tirProd)
        return true;
    if (format->Product() == nullptr && tirProd->Tirage() && format->TirageId() == tirProd->Tirage()->Id()) {
        format->SetProduct(tirProd);
        return true;
    }
    return false;
}

IArcList<TImageTirageData*> TImageTirageGroupData::TiragesFindByProd(TTirageProduct* tirProd)
{
    IArcList<TImageTirageData*> result = TArcList<TImageTirageData*>::Create();
    ImgsDataListFeed(tirProd, result);
    return result;
}

void TImageTirageGroupData::ImgsDataListFeed(TTirageProduct* tirProd, const IArcList<TImageTirageData*>& lst)
{
    for (TImageTirageData* f : *fLstFormats)
        if (FormatBelongsTo(f, tirProd))
            lst->Add(f);
}

bool TImageTirageGroupData::HasImgsAvailableForProd(TTirageProduct* tirProd)
{
    for (TImageTirageData* f : *fLstFormats)
        if (FormatBelongsTo(f, tirProd))
            return true;
    return false;
}

void TImageTirageGroupData::TirageProductAdd(TTirageProduct* tirProd, bool bResetQty)
{
    bool found = false;
    for (TImageTirageData* f : *fLstFormats) {
        if (FormatBelongsTo(f, tirProd)) {
            found = true;
            if (bResetQty)
                f->SetQuantity(tirProd->Quantity());
        }
    }
    if (!found) {
        fLstFormats->Add(new TImageTirageData(this, tirProd));
        setDirty();
    }
}

void TImageTirageGroupData::TirageProductDel(IMainFrame* main, TTirageProduct* tirProd, bool force)
{
    // Collected first: removing changes the list being walked.
    std::vector<TImageTirageData*> mine;
    for (TImageTirageData* f : *fLstFormats)
        if (FormatBelongsTo(f, tirProd))
            mine.push_back(f);
    for (TImageTirageData* f : mine)
        TirageDel(main, f, force);
}

void TImageTirageGroupData::TirageDel(IMainFrame*, TImageTirageData* tirDta, bool force)
{
    if (!force && !tirDta->Effects()->isEmpty())
        throw EUser(LangTexts::Order::CustomizedImagePrint.Text({ ImageLabel() }));
    fLstFormats->Remove(tirDta);
    setDirty();
}

TImageTirageData* TImageTirageGroupData::TirageDuplicate(IMainFrame*, TImageTirageData* tirDta)
{
    auto* copy = new TImageTirageData(this, tirDta->Product());
    fLstFormats->Add(copy);
    setDirty();
    return copy;
}

bool TImageTirageGroupData::ImageTirageDel(TImageTirageData* imgTirageData)
{
    if (fLstFormats->IndexOf(imgTirageData) < 0)
        throw Exception(QStringLiteral("TImageTirageGroupData.ImageTirageDel : tirageData not found"));
    fLstFormats->Remove(imgTirageData);
    setDirty();
    return fLstFormats->Count() == 0;
}

void TImageTirageGroupData::Check()
{
    for (TImageTirageData* f : *fLstFormats) {
        if (!f->IsImageValid()) {
            const QString product = f->Product() ? f->Product()->ProductLabel() : QStringLiteral("?");
            throw EUser(LangTexts::Order::ProductLeastOneInvalidImage.Text({ product, ImageLabel() }));
        }
    }
}

TImageSource* TImageTirageGroupData::GetImageCacheRef()
{
    return fImage ? static_cast<TImageSource*>(fImage) : this;
}

QSizeF TImageTirageGroupData::ImageSize()
{
    return fImage ? fImage->ImageSize() : QSizeF();
}

QSizeF TImageTirageGroupData::ImageSizeForMax(int bitmapWidthMax, int bitmapHeightMax, TOrderBitmapMode bitmapMode)
{
    if (!fImage)
        return QSizeF();
    return fImage->ImageSizeForMax(bitmapWidthMax, bitmapHeightMax, bitmapMode);
}

void TImageTirageGroupData::onAsyncBitmapBuild(IMainFrame* main, int bitmapWidthMax, int bitmapHeightMax,
                                               TOrderBitmapMode bitmapMode, QImage& bitmapSurface)
{
    if (!fImage)
        throw Exception(QStringLiteral("TImageTirageGroupData.onAsyncBitmapBuild: no image"));
    fImage->onAsyncBitmapBuild(main, bitmapWidthMax, bitmapHeightMax, bitmapMode, bitmapSurface);
}

QString TImageTirageGroupData::DebugLabel()
{
    return SafeDebugLabel(*this, [this] { return fImage ? fImage->DebugLabel() : QStringLiteral("image=nil"); });
}
