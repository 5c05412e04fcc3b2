#include "UTirageProduct.h"

#include "UCatalogueLists.h"
#include "UImageTirageData.h"
#include "ULangTexts.h"
#include "UOwnerList.h"
#include "UPrintOrder.h"

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(
    TTirageProductBase, TProduct,
    b.Property<std::unique_ptr<Tirage2>>(
        "Tirage", [](const TTirageProductBase& p) { return p.Tirage(); },
        [](TTirageProductBase& p, std::unique_ptr<Tirage2> v) { p.SetTirageOwned(std::move(v)); }, nullptr);)
KIOSK_SERIALIZABLE_DESCRIBE(TTirageProduct, TTirageProductBase, )

namespace {

// Removes the characters up to code 32 at both ends.
QString trimControls(const QString& s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin].unicode() <= 32)
        ++begin;
    while (end > begin && s[end - 1].unicode() <= 32)
        --end;
    return s.mid(begin, end - begin);
}

QString cleanPrefix(const QString& prefix, TProductLabelMode mode)
{
    if (mode == plm_full_2_lines) {
        qsizetype cut = prefix.indexOf(QLatin1Char('\r'));
        if (cut < 0)
            cut = prefix.indexOf(QLatin1Char('\n'));
        return cut < 0 ? prefix : prefix.left(cut);
    }
    QString s = prefix;
    if (!s.contains(QLatin1Char('\r'))) {
        s.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return trimControls(s);
    }
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s = trimControls(s);
    s.remove(QLatin1Char('\n'));
    return trimControls(s);
}

} // namespace

// ---------------------------------------------------------- TTirageProductBase

TTirageProductBase::TTirageProductBase() = default;

TTirageProductBase::TTirageProductBase(TPrintOrder* order)
    : TProduct(order)
{
}

TTirageProductBase::~TTirageProductBase()
{
    if (fTirageOwned)
        delete fTirage;
}

void TTirageProductBase::SetTirage(Tirage2* tirage)
{
    SetBorrowed(fTirage, fTirageOwned, tirage);
}

void TTirageProductBase::SetTirageOwned(std::unique_ptr<Tirage2> tirage)
{
    SetOwned(fTirage, fTirageOwned, std::move(tirage));
}

qint32 TTirageProductBase::TirageId() const
{
    if (!fTirage)
        throw Exception(QStringLiteral("TTirageProductBase.GetTirageId: no tirage"));
    return fTirage->Id();
}

QString TTirageProductBase::TirageLabel(TProductLabelMode mode)
{
    if (!fTirage || !fOrder)
        return QStringLiteral("?");
    return FormatTirageName(mainFrame(), fTirage, mode, nullptr);
}

QString TTirageProductBase::FormatTirageSize(IMainFrame* main, Tirage2* tir, TProductLabelMode mode,
                                             ZebtemplateVelmora2* tpl)
{
    const QString prefix = cleanPrefix(tir->Prefixe(), mode);
    if (tir->MasquerFormatTirage() && !prefix.isEmpty())
        return prefix;
    bool swapped;
    if (tpl)
        swapped = tir->TemplateLargeur() != tpl->LargeurPapier() || tir->TemplateHauteur() != tpl->HauteurPapier();
    else
        swapped = tir->Longueur() < tir->Largeur();
    const QString size = swapped ? TProduct::FormatSize(main, tir->Longueur() * 10, tir->Largeur() * 10, mode)
                                 : TProduct::FormatSize(main, tir->Largeur() * 10, tir->Longueur() * 10, mode);
    const QChar sep = mode == plm_full_2_lines ? QLatin1Char('\n') : QLatin1Char(' ');
    return size + sep + prefix;
}

QString TTirageProductBase::FormatTirageName(IMainFrame* main, Tirage2* tir, TProductLabelMode mode,
                                             ZebtemplateVelmora2* tpl)
{
    QString name = FormatTirageSize(main, tir, mode, tpl);
    if (!tir->MasquerSurfaceAndBorderTirage()) {
        if (tir->NumeroGroupePapier() != 0) {
            QString paper = LangTexts::Order::PaperTypes.Text(tir->NumeroGroupePapier());
            paper.replace(QLatin1Char('\n'), QLatin1Char(' '));
            name += QLatin1Char(' ') + trimControls(paper);
        }
        if (tir->AvecMarges())
            name += QLatin1Char(' ') + LangTexts::Order::WBorders.Text();
    }
    return name;
}

qint32 TTirageProductBase::tirageFormatMakeID(const Tirage2* pr)
{
    return pr->Longueur() * 65536 + pr->Largeur();
}

QString TTirageProductBase::ProductShortLabel()
{
    return TirageLabel(plm_short);
}

QString TTirageProductBase::DebugLabel()
{
    return ProductLabel() + QStringLiteral("(ID : ") + (fTirage ? QString::number(fTirage->Id()) : QStringLiteral("?"))
        + QLatin1Char(')');
}

int TTirageProductBase::ChannelId()
{
    return fTirage ? fTirage->Channel() : 0;
}

bool TTirageProductBase::XMLloadFinalize(TPrintOrder* order, IMainFrame* main)
{
    if (!fTirage)
        return false;
    TTirageList* list = AvailablePrintList(main);
    // A record gone from the catalogue is kept, so that the product's label
    // can still be made.
    return RelinkToCatalogue(fTirage, fTirageOwned, list ? list->findById(fTirage->Id()) : nullptr);
}

Tarif2* TTirageProductBase::BaseTarifIn(TPrintTarifList* prices, qint32 idTirage, qint32 qty, const QString& who)
{
    const QString notFound = who + QStringLiteral(".GetBaseTarif: price not found");
    if (!prices)
        throw Exception(notFound);
    TTarifList* tiers = prices->Items(idTirage);
    const std::unique_ptr<TTarifList> applied = TPrintOrder::GetAppliedPrices(tiers, qty, false);
    if (applied->Count() == 0)
        throw Exception(notFound);
    return tiers->First();
}

TProductPrice TTirageProductBase::BasePriceAt(IMainFrame* main, Tarif2* t, qint32 qty)
{
    TProductPrice p;
    p.qty = qty;
    p.priceType = t->TypeDeTarif();
    p.price = PriceTypeIsPacks(t->TypeDeTarif()) ? Money::FromUnits(t->CoutEnPacks()) : Money::FromDouble(t->CoutEnPrix());
    main->priceRound(p);
    return p;
}

// -------------------------------------------------------------- TTirageProduct

TTirageProduct::TTirageProduct() = default;

TTirageProduct::TTirageProduct(TPrintOrder* order)
    : TTirageProductBase(order)
{
}

TTirageProduct::~TTirageProduct()
{
    // Formats still pointing here lose their product rather than keep a
    // dangling one.
    for (TImageTirageData* f : std::as_const(fOwnFormats))
        f->fTirageProd = nullptr;
}

bool TTirageProduct::ImageUsedReplace(TOrderImageBase*, TOrderImageBase*)
{
    throw Exception(QStringLiteral("Error Message"));
}

TOrderImageBase* TTirageProduct::ImageUsedAdd(TOrderImageBase* img)
{
    if (!fOrder || !img)
        return nullptr;
    const bool known = fOrder->ImageUsedFind(img->ImageID()) != nullptr;
    TOrderImageBase* own = fOrder->GlobalImageUsedAdd(img);
    if (!own)
        return nullptr;
    if (TImageTirageGroupData* group = fOrder->ImagesSelectionneesTirageFind(own)) {
        group->TirageProductAdd(this, false);
    } else {
        const int groups = fOrder->ImagesSelectionneesTirage().Count();
        if (groups >= MaxPrintGroups) {
            // The picture goes back to the caller, as before the call.
            if (!known)
                fOrder->ImageUsedGiveBack(own);
            throw EUser(LangTexts::Order::CanTMoreThanPhotos.Text({ groups }));
        }
        fOrder->ImagesSelectionneesTirageAdd(new TImageTirageGroupData(fOrder, own, this));
    }
    orderSetDirty();
    return own;
}

void TTirageProduct::ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force)
{
    if (!fOrder)
        return;
    TImageTirageGroupData* group = fOrder->ImagesSelectionneesTirageFind(img);
    if (!group)
        return;
    group->TirageProductDel(main, this, force);
    orderSetDirty();
    if (group->LstFormats().Count() == 0)
        fOrder->ImagesSelectionneesTirageDel(group);
}

void TTirageProduct::TirageDel(IMainFrame* main, TImageTirageData* img, bool force)
{
    TImageTirageGroupData* group = fOrder ? fOrder->ImagesSelectionneesTirageFind(img->Image()) : nullptr;
    if (!group)
        throw Exception(QStringLiteral("TTirageProduct.TirageDel: unexpected call"));
    group->TirageDel(main, img, force);
    orderSetDirty();
    if (group->LstFormats().Count() == 0)
        fOrder->ImagesSelectionneesTirageDel(group);
}

bool TTirageProduct::IsImageUsed(TOrderImageBase* img)
{
    TImageTirageGroupData* group = fOrder ? fOrder->ImagesSelectionneesTirageFind(img) : nullptr;
    return group && group->HasImgsAvailableForProd(this);
}

bool TTirageProduct::HasImgsAvailable()
{
    if (!fOrder)
        return false;
    for (TImageTirageGroupData* g : fOrder->ImagesSelectionneesTirage())
        if (g->HasImgsAvailableForProd(this))
            return true;
    return false;
}

int TTirageProduct::ImgsAvailableCount()
{
    int n = 0;
    if (fOrder)
        for (TImageTirageGroupData* g : fOrder->ImagesSelectionneesTirage())
            if (g->HasImgsAvailableForProd(this))
                ++n;
    return n;
}

IArcList<TOrderImageBase*> TTirageProduct::ImgsAvailableList()
{
    IArcList<TOrderImageBase*> result = TArcList<TOrderImageBase*>::Create();
    if (!fOrder)
        return result;
    for (TImageTirageGroupData* g : fOrder->ImagesSelectionneesTirage()) {
        TOrderImageBase* img = g->Image();
        if (img && g->HasImgsAvailableForProd(this) && img->IsImageValid() && !result->Contains(img))
            result->Add(img);
    }
    return result;
}

IArcList<TImageTirageData*> TTirageProduct::ImgsDataList()
{
    IArcList<TImageTirageData*> result = TArcList<TImageTirageData*>::Create();
    if (fOrder)
        for (TImageTirageGroupData* g : fOrder->ImagesSelectionneesTirage())
            g->ImgsDataListFeed(this, result);
    return result;
}

bool TTirageProduct::IsDirectPrint()
{
    return IsDirectPrintFormat(Tirage());
}

bool TTirageProduct::IsDirectPrintFormat(const Tirage2* tirage)
{
    return tirage && !tirage->ImprimanteBorneNomWindows().isEmpty();
}

void TTirageProduct::InitWithProduct(TProductBase*)
{
    throw EToDo();
}

bool TTirageProduct::XMLloadFinalize(TPrintOrder* order, IMainFrame* main)
{
    if (!TTirageProductBase::XMLloadFinalize(order, main))
        return false;
    if (!order)
        return true;
    // Give the loaded formats back to their products: the formats of the
    // r-th print product of a format carry r as their ProductOrder; one out
    // of range goes to the first.
    const qint32 id = TirageId();
    int n = 0;
    int r = -1;
    for (TTirageProduct* p : order->TirageProducts()) {
        if (p->Tirage() && p->Tirage()->Id() == id) {
            if (p == this)
                r = n;
            ++n;
        }
    }
    if (r < 0)
        return true;
    for (TImageTirageGroupData* g : order->ImagesSelectionneesTirage()) {
        for (TImageTirageData* f : g->LstFormats()) {
            if (f->TirageId() != id)
                continue;
            const qint32 po = f->LoadedProductOrder();
            const bool inRange = po >= 0 && po < n;
            if ((inRange && po == r) || (!inRange && r == 0))
                f->SetProduct(this);
        }
    }
    return true;
}

QString TTirageProduct::ProductLabel()
{
    return LangTexts::Order::Print.Text({ TirageLabel(plm_std) });
}

QString TTirageProduct::ProductCartLabel()
{
    return LangTexts::Order::Fmt.Text({ TirageLabel(plm_full) });
}

TProductPrice TTirageProduct::GetPrice()
{
    if (!fOrder)
        return TProductPrice();
    return fOrder->calcProductPrintPrice(this);
}

QString TTirageProduct::PageLabel(int, TProductLabelMode)
{
    throw Exception(QStringLiteral("TTirageProduct.PageLabel: unexpected call"));
}

TTirageList* TTirageProduct::AvailablePrintList(IMainFrame* main)
{
    return main ? main->GetWebSvcPrintProducts() : nullptr;
}

Tarif2* TTirageProduct::GetBaseTarif(IMainFrame* main, qint32 idTirage, qint32 qty)
{
    return BaseTarifIn(main ? main->GetWebSvcPrintPrices() : nullptr, idTirage, qty,
                       QStringLiteral("TTirageProduct"));
}

TProductPrice TTirageProduct::GetBasePrice(IMainFrame* main, qint32 idTirage, qint32 qty)
{
    return BasePriceAt(main, GetBaseTarif(main, idTirage, qty), qty);
}
