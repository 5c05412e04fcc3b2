#include "UWorkflowDataProductPrint.h"

#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UDebug.h"
#include "ULangTexts.h"
#include "UPrintOrder.h"
#include "UTirageProduct.h"
#include "UWebSvcConnection.h"

#include <QPrinterInfo>
#include <mutex>

namespace {

std::mutex& printerSync()
{
    static std::mutex m;
    return m;
}

TWorkflowDataProductPrint::TPrinterNamesProvider& printerProvider()
{
    static TWorkflowDataProductPrint::TPrinterNamesProvider p;
    return p;
}

// The printers are listed in the log once per program run.
std::once_flag& printersLoggedFlag()
{
    static std::once_flag f;
    return f;
}

QStringList printerNames()
{
    TWorkflowDataProductPrint::TPrinterNamesProvider p;
    {
        std::lock_guard lock(printerSync());
        p = printerProvider();
    }
    return p ? p() : QPrinterInfo::availablePrinterNames();
}

// The last component of a printer name: a queue shared under a server path
// ("//server/Lab Printer", "ipp://host/printers/Lab Printer") matches its
// bare name.
QString lastPathComponent(const QString& name)
{
    QString n = name;
    while (n.endsWith(QLatin1Char('/')) || n.endsWith(QLatin1Char('\\')))
        n.chop(1);
    const int cut = std::max(n.lastIndexOf(QLatin1Char('/')), n.lastIndexOf(QLatin1Char('\\')));
    return cut >= 0 ? n.mid(cut + 1) : n;
}

IArcList<Tirage2*> newList()
{
    return TArcList<Tirage2*>::Create();
}

IArcList<Tirage2*> filtered(const IArcList<Tirage2*>& source, const std::function<bool(const Tirage2*)>& keep)
{
    IArcList<Tirage2*> out = newList();
    for (int i = 0; i < source->GetCount(); ++i)
        if (keep(source->GetItem(i)))
            out->Add(source->GetItem(i));
    return out;
}

} // namespace

// ------------------------------------------------------------------ TTirageKindList

Tarif2* TTirageKindList::getMinimumPrice(IMainFrame* main, const Tirage2* tirage)
{
    TPrintTarifList* prices = main->GetWebSvcPrintPrices();
    if (!prices)
        throw Exception(QStringLiteral("TWorkflowDataProductPrint.getMinimumPrice: no price list"));
    return prices->Items(tirage->Id())->getMinimumPrice();
}

int TTirageKindList::TiragePriceCompare(IMainFrame* main, const Tirage2* tir1, const Tirage2* tir2)
{
    return TTarifList::priceCompare(getMinimumPrice(main, tir1), getMinimumPrice(main, tir2));
}

int TTirageKindList::TirageKindFind(const Tirage2* t, bool bGrpOk) const
{
    for (int i = 0; i < Count(); ++i) {
        const TTirageKind& s = fItems[size_t(i)];
        if (bGrpOk && s.group != t->NumeroGroupeFormat())
            continue;
        const bool sameSize = (s.width == t->Largeur() && s.height == t->Longueur())
            || (s.width == t->Longueur() && s.height == t->Largeur());
        if (sameSize && s.finish == t->NumeroGroupePapier() && s.border == t->AvecMarges()
            && s.prefix == t->Prefixe() && s.hideSizeTxt == t->MasquerFormatTirage())
            return i;
    }
    return -1;
}

void TTirageKindList::TirageAdd(Tirage2* t, bool bGrpOk)
{
    const int i = TirageKindFind(t, bGrpOk);
    if (i < 0) {
        TTirageKind s;
        s.group = bGrpOk ? t->NumeroGroupeFormat() : 0;
        s.width = t->Largeur();
        s.height = t->Longueur();
        s.finish = t->NumeroGroupePapier();
        s.prefix = t->Prefixe();
        s.hideSizeTxt = t->MasquerFormatTirage();
        s.border = t->AvecMarges();
        s.tirage = t;
        fItems.push_back(s);
        return;
    }
    TTirageKind& s = fItems[size_t(i)];
    if (TiragePriceCompare(fMain, s.tirage, t) >= 0)
        s.tirage = t;
}

IArcList<Tirage2*> TTirageKindList::TirageList() const
{
    IArcList<Tirage2*> out = newList();
    for (const TTirageKind& s : fItems)
        out->Add(s.tirage);
    return out;
}

// ------------------------------------------------------------------ TGroupIdChoice

QString TGroupIdChoice::PriceAsString(IMainFrame* main) const
{
    if (!fMinPrice)
        return QString();
    switch (fMinPrice->TypeDeTarif()) {
    case Tarif_TypeTarif::Packs:
        return main->pricePackToStr(fMinPrice->CoutEnPacks(), true);
    case Tarif_TypeTarif::EurosMagasin:
    case Tarif_TypeTarif::EurosCB:
        return main->priceToStr(Money::FromDouble(fMinPrice->CoutEnPrix()), true);
    default:
        return QString();
    }
}

QString TGroupIdChoice::FullDescription(IMainFrame* main) const
{
    QString s = LangTexts::Catalogue::From.Text({ PriceAsString(main) });
    const QString d = Description();
    if (!d.isEmpty())
        s += QLatin1Char('\n') + d;
    return s;
}

QString TGroupIdChoiceFinish::Name() const
{
    return GroupId() == 0 ? QString() : LangTexts::Order::PaperTypes.Text(GroupId());
}

QString TGroupIdChoiceFinish::Description() const
{
    return GroupId() == 0 ? QString() : LangTexts::Catalogue::PaperTypeDescs.Text(GroupId());
}

QString TGroupIdChoicePrintGroup::Name() const
{
    return GroupId() == 0 ? QString() : LangTexts::Catalogue::PrintFormats.Text(GroupId());
}

// ------------------------------------------------------------------ TWorkflowDataProductPrint

TWorkflowDataProductPrint::TWorkflowDataProductPrint(IMainFrame* main)
    : TWorkflowDataProductBase(main)
{
}

TWorkflowDataProductPrint::~TWorkflowDataProductPrint() = default;

void TWorkflowDataProductPrint::SetPrinterNamesProvider(TPrinterNamesProvider provider)
{
    std::lock_guard lock(printerSync());
    printerProvider() = std::move(provider);
}

void TWorkflowDataProductPrint::dropSizeCaches()
{
    fPrintProductListWithSizeFilter.reset();
    fPrintProductListWithSizeAndFinishFilter.reset();
    fPrintFinishListWithSizeFilter.reset();
}

void TWorkflowDataProductPrint::dropGroupCaches()
{
    fPrintProductListWithGroupFilter.reset();
    fPrintFinishListWithGroupFilter.reset();
    fPrintProductListWithGroupAndFinishFilter.reset();
    dropSizeCaches();
}

void TWorkflowDataProductPrint::setGroup(qint32 v)
{
    dropGroupCaches();
    fGroup = v;
}

void TWorkflowDataProductPrint::setFilterWidth(qint32 v)
{
    dropSizeCaches();
    fFilterWidth = v;
}

void TWorkflowDataProductPrint::setFilterHeight(qint32 v)
{
    dropSizeCaches();
    fFilterHeight = v;
}

void TWorkflowDataProductPrint::setHideSizeTxt(bool v)
{
    dropSizeCaches();
    fHideSizeTxt = v;
}

void TWorkflowDataProductPrint::setPrefix(const QString& v)
{
    dropSizeCaches();
    fPrefix = v;
}

void TWorkflowDataProductPrint::setFinish(qint32 v)
{
    fPrintProductListWithSizeAndFinishFilter.reset();
    fPrintProductListWithGroupAndFinishFilter.reset();
    fFinish = v;
}

bool TWorkflowDataProductPrint::isPrintableHere(const Tirage2* t)
{
    if (t->ImprimanteBorneId() == 0)
        return true;
    const quint8 mode = fMain->QzConnectionMode();
    if (mode != kConnecModeKioskL && mode != kConnecModeKioskO)
        return false;
    if (!fPrinters)
        fPrinters = std::make_unique<QStringList>(printerNames());
    const QStringList& printers = *fPrinters;
    std::call_once(printersLoggedFlag(), [&] {
        if (!LogIsDebug())
            return;
        LogDebug(QStringLiteral("Direct printing: printers available : START"));
        for (const QString& p : printers)
            LogDebug(QStringLiteral(" -> printer [%1]=%2").arg(lastPathComponent(p), p));
        LogDebug(QStringLiteral("Direct printing: printers available : END"));
    });
    const QString wanted = t->ImprimanteBorneNomWindows().toLower();
    for (const QString& p : printers)
        if (p.toLower() == wanted)
            return true;
    for (const QString& p : printers)
        if (lastPathComponent(p).toLower() == wanted)
            return true;
    return false;
}

IArcList<Tirage2*> TWorkflowDataProductPrint::getPrintProductListNoFilter()
{
    if (fPrintProductList)
        return fPrintProductList;
    TTirageList* formats = fMain->GetWebSvcPrintProducts();
    bool withGroups = false;
    bool withSurfaces = false;
    if (formats)
        for (Tirage2* t : *formats) {
            withGroups = withGroups || t->NumeroGroupeFormat() != 0;
            withSurfaces = withSurfaces || t->NumeroGroupePapier() != 0;
        }
    TProductGroupList* groups = withGroups ? fMain->GetWebSvcPrintGroups() : nullptr;
    if (groups && groups->Count() == 0)
        groups = nullptr;
    TProductGroupList* surfaces = withSurfaces ? fMain->GetWebSvcPrintSurfaces() : nullptr;
    if (surfaces && surfaces->Count() == 0)
        surfaces = nullptr;

    TTirageKindList kinds(fMain);
    if (formats)
        for (Tirage2* t : *formats) {
            if (groups && !groups->findById(t->NumeroGroupeFormat()))
                continue;
            // A format without surface among formats with surfaces is sold
            // as the lab's standard surface 11.
            if (withSurfaces && t->NumeroGroupePapier() == 0)
                t->setNumeroGroupePapier(11);
            if (surfaces && !surfaces->findById(t->NumeroGroupePapier()))
                continue;
            if (!isPrintableHere(t))
                continue;
            kinds.TirageAdd(t, groups != nullptr);
        }
    fPrintProductList = kinds.TirageList();
    return fPrintProductList;
}

IArcList<Tirage2*> TWorkflowDataProductPrint::getPrintProductListWithGroupFilter()
{
    if (!fPrintProductListWithGroupFilter) {
        const qint32 g = fGroup;
        fPrintProductListWithGroupFilter = filtered(getPrintProductListNoFilter(), [g](const Tirage2* t) {
            return g == 0 || t->NumeroGroupeFormat() == g;
        });
    }
    return fPrintProductListWithGroupFilter;
}

IArcList<Tirage2*> TWorkflowDataProductPrint::getPrintProductListWithSizeFilter()
{
    if (!fPrintProductListWithSizeFilter) {
        if (fFilterWidth == 0 && fFilterHeight == 0) {
            fPrintProductListWithSizeFilter = newList();
        } else {
            fPrintProductListWithSizeFilter = filtered(getPrintProductListWithGroupFilter(), [this](const Tirage2* t) {
                return t->Largeur() == fFilterWidth && t->Longueur() == fFilterHeight && t->Prefixe() == fPrefix
                    && t->MasquerFormatTirage() == fHideSizeTxt;
            });
        }
    }
    return fPrintProductListWithSizeFilter;
}

IArcList<Tirage2*> TWorkflowDataProductPrint::getPrintProductListWithSizeAndFinishFilter()
{
    if (!fPrintProductListWithSizeAndFinishFilter) {
        const qint32 f = fFinish;
        fPrintProductListWithSizeAndFinishFilter = filtered(
            getPrintProductListWithSizeFilter(), [f](const Tirage2* t) { return t->NumeroGroupePapier() == f; });
    }
    return fPrintProductListWithSizeAndFinishFilter;
}

IArcList<Tirage2*> TWorkflowDataProductPrint::getPrintProductListWithGroupAndFinishFilter()
{
    if (!fPrintProductListWithGroupAndFinishFilter) {
        const qint32 f = fFinish;
        fPrintProductListWithGroupAndFinishFilter = filtered(
            getPrintProductListWithGroupFilter(), [f](const Tirage2* t) { return t->NumeroGroupePapier() == f; });
    }
    return fPrintProductListWithGroupAndFinishFilter;
}

IArcList<Tirage2*> TWorkflowDataProductPrint::getPrintProductListForSizeChoice()
{
    return fMain->isAltPrintWorkflow() ? getPrintProductListWithGroupAndFinishFilter()
                                       : getPrintProductListWithGroupFilter();
}

Tarif2* TWorkflowDataProductPrint::getMinimumPrice(const Tirage2* tirage)
{
    return TTirageKindList::getMinimumPrice(fMain, tirage);
}

namespace {

// Adds a format's cheapest row to a choice: the choice keeps its row on
// equal prices.
void lowerChoicePrice(TGroupIdChoice* choice, Tarif2* row)
{
    if (!choice->MinPrice()) {
        choice->SetMinPrice(row);
        return;
    }
    if (TTarifList::priceCompare(row, choice->MinPrice()) < 0)
        choice->SetMinPrice(row);
}

} // namespace

void TWorkflowDataProductPrint::buildFinishChoices(const IArcList<Tirage2*>& formats, TOwnerList<TGroupIdChoice>& out)
{
    bool anySurface = false;
    for (int i = 0; i < formats->GetCount(); ++i)
        anySurface = anySurface || formats->GetItem(i)->NumeroGroupePapier() != 0;
    if (!anySurface) {
        out.Add(new TGroupIdChoiceFinish(0, nullptr));
        return;
    }
    TProductGroupList* surfaces = fMain->GetWebSvcPrintSurfaces();
    if (surfaces && surfaces->Count() > 0) {
        for (GroupeProduitPhotographe2* g : *surfaces) {
            TGroupIdChoice* choice = nullptr;
            for (int i = 0; i < formats->GetCount(); ++i) {
                Tirage2* t = formats->GetItem(i);
                if (t->NumeroGroupePapier() != g->NumeroRessource())
                    continue;
                if (!choice) {
                    choice = new TGroupIdChoiceFinish(g->NumeroRessource(), getMinimumPrice(t));
                    out.Add(choice);
                } else {
                    lowerChoicePrice(choice, getMinimumPrice(t));
                }
            }
        }
        return;
    }
    for (int i = 0; i < formats->GetCount(); ++i) {
        Tirage2* t = formats->GetItem(i);
        TGroupIdChoice* choice = nullptr;
        for (TGroupIdChoice* c : out)
            if (c->GroupId() == t->NumeroGroupePapier())
                choice = c;
        if (!choice)
            out.Add(new TGroupIdChoiceFinish(t->NumeroGroupePapier(), getMinimumPrice(t)));
        else
            lowerChoicePrice(choice, getMinimumPrice(t));
    }
}

const TOwnerList<TGroupIdChoice>& TWorkflowDataProductPrint::getPrintFinishListWithSizeFilter()
{
    if (!fPrintFinishListWithSizeFilter) {
        fPrintFinishListWithSizeFilter = std::make_unique<TOwnerList<TGroupIdChoice>>(true);
        buildFinishChoices(getPrintProductListWithSizeFilter(), *fPrintFinishListWithSizeFilter);
    }
    return *fPrintFinishListWithSizeFilter;
}

const TOwnerList<TGroupIdChoice>& TWorkflowDataProductPrint::getPrintFinishListWithGroupFilter()
{
    if (!fPrintFinishListWithGroupFilter) {
        fPrintFinishListWithGroupFilter = std::make_unique<TOwnerList<TGroupIdChoice>>(true);
        buildFinishChoices(getPrintProductListWithGroupFilter(), *fPrintFinishListWithGroupFilter);
    }
    return *fPrintFinishListWithGroupFilter;
}

const TOwnerList<TGroupIdChoice>& TWorkflowDataProductPrint::getPrintGroupList()
{
    if (fPrintGroupList)
        return *fPrintGroupList;
    fPrintGroupList = std::make_unique<TOwnerList<TGroupIdChoice>>(true);
    IArcList<Tirage2*> offered = getPrintProductListNoFilter();
    bool anyGroup = false;
    for (int i = 0; i < offered->GetCount(); ++i)
        anyGroup = anyGroup || offered->GetItem(i)->NumeroGroupeFormat() != 0;
    TProductGroupList* groups = anyGroup ? fMain->GetWebSvcPrintGroups() : nullptr;
    if (groups && groups->Count() > 0) {
        for (GroupeProduitPhotographe2* g : *groups) {
            TGroupIdChoice* choice = nullptr;
            for (int i = 0; i < offered->GetCount(); ++i) {
                Tirage2* t = offered->GetItem(i);
                if (t->NumeroGroupeFormat() != g->NumeroRessource())
                    continue;
                if (!choice) {
                    choice = new TGroupIdChoicePrintGroup(g->NumeroRessource(), getMinimumPrice(t));
                    fPrintGroupList->Add(choice);
                } else {
                    lowerChoicePrice(choice, getMinimumPrice(t));
                }
            }
        }
    } else {
        fPrintGroupList->Add(new TGroupIdChoicePrintGroup(0, nullptr));
    }
    return *fPrintGroupList;
}

// ------------------------------------------------------------------ products

void TWorkflowDataProductPrint::setCurrentPrintProduct(TTirageProduct* product)
{
    fCurrentPrintProduct = product;
    IArcList<TTirageProduct*> list = currentPrintProductList();
    if (product && !list->Contains(product))
        list->Add(product);
}

IArcList<TTirageProduct*> TWorkflowDataProductPrint::currentPrintProductList()
{
    if (!fCurrentPrintProductList)
        fCurrentPrintProductList = TArcList<TTirageProduct*>::Create();
    return fCurrentPrintProductList;
}

bool TWorkflowDataProductPrint::HasImageSelected()
{
    if (!fCurrentPrintProductList)
        return false;
    for (int i = 0; i < fCurrentPrintProductList->GetCount(); ++i)
        if (fCurrentPrintProductList->GetItem(i)->HasImgsAvailable())
            return true;
    return false;
}

int TWorkflowDataProductPrint::ImageSelectedCount()
{
    if (!fCurrentPrintProductList)
        return 0;
    TPrintOrder* order = fMain->GetOrder();
    if (!order)
        return 0;
    qint64 count = 0;
    for (TImageTirageGroupData* entry : order->ImagesSelectionneesTirage())
        for (TImageTirageData* fmt : entry->LstFormats())
            if (fCurrentPrintProductList->Contains(fmt->Product()))
                count += fmt->Quantity();
    return QuantitySum(count);
}

TProduct* TWorkflowDataProductPrint::CurrentProduct()
{
    return fCurrentPrintProduct;
}

bool TWorkflowDataProductPrint::isUsingImage(TOrderImageBase* image)
{
    return fCurrentPrintProduct && fCurrentPrintProduct->IsImageUsed(image);
}

TProductPrice TWorkflowDataProductPrint::getMinPrice()
{
    IArcList<Tirage2*> offered = getPrintProductListNoFilter();
    Tarif2* best = nullptr;
    for (int i = 0; i < offered->GetCount(); ++i) {
        Tarif2* row = getMinimumPrice(offered->GetItem(i));
        if (!row)
            continue;
        if (!best || TTarifList::priceCompare(row, best) < 0)
            best = row;
    }
    if (!best)
        throw Exception(QStringLiteral("TWorkflowDataProductPrint.getMinPrice: no product"));
    return PriceFromTarif(best, QStringLiteral("TWorkflowDataProductPrint"));
}
