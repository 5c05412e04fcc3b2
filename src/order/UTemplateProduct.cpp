#include "UTemplateProduct.h"

#include "UCatalogueLists.h"
#include "UCustomizedPage.h"
#include "UFormat.h"
#include "ULangTexts.h"
#include "UOrderImage.h"
#include "UOwnerList.h"
#include "UPrintOrder.h"
#include "UWaitingProduct.h"

#include <QDate>
#include <algorithm>

// The order file's description of a template product. The pages are written
// whole by their own descriptions; the pictures by reference (the order
// owns them).
KIOSK_SERIALIZABLE_DESCRIBE_WITH_(
    TTemplateProduct, TTirageProductBase, [] { return std::unique_ptr<TRemotable>(new TTemplateProductImpl()); },
    b.Property<TTemplateType>("TplType", [](const TTemplateProduct& p) { return p.TplType(); },
                              [](TTemplateProduct& p, TTemplateType v) { p.SetTplType(v); }, nullptr);
    b.Property<std::vector<std::unique_ptr<TOrderImageBase>>>(
        "Images",
        [](const TTemplateProduct& p) {
            std::vector<TOrderImageBase*> out;
            if (auto* t = dynamic_cast<const TTemplateProductImpl*>(&p))
                for (TOrderImageBase* img : t->Images())
                    out.push_back(img);
            return out;
        },
        [](TTemplateProduct& p, std::vector<std::unique_ptr<TOrderImageBase>> v) {
            std::vector<TOrderImageBase*> raw;
            for (auto& img : v)
                raw.push_back(img.release());
            if (auto* t = dynamic_cast<TTemplateProductImpl*>(&p))
                t->SetImages(TArray<TOrderImageBase*>(raw));
        },
        nullptr);
    b.Property<std::vector<std::unique_ptr<TCustomizedPage>>>(
        "Pages",
        [](const TTemplateProduct& p) {
            std::vector<TCustomizedPage*> out;
            if (auto* t = dynamic_cast<const TTemplateProductImpl*>(&p))
                for (TCustomizedPageBase* page : t->CustomizedPageList())
                    if (auto* tp = dynamic_cast<TCustomizedPage*>(page))
                        out.push_back(tp);
            return out;
        },
        [](TTemplateProduct& p, std::vector<std::unique_ptr<TCustomizedPage>> v) {
            std::vector<std::unique_ptr<TCustomizedPageBase>> pages;
            for (auto& page : v)
                pages.push_back(std::move(page));
            if (auto* t = dynamic_cast<TTemplateProductImpl*>(&p))
                t->SetPages(std::move(pages));
        },
        nullptr);
    b.Property<std::unique_ptr<TemplateCalendrier2>>(
        "TplCal",
        [](const TTemplateProduct& p) -> TemplateCalendrier2* {
            auto* t = dynamic_cast<const TTemplateProductImpl*>(&p);
            return t ? t->TplCal() : nullptr;
        },
        [](TTemplateProduct& p, std::unique_ptr<TemplateCalendrier2> v) {
            if (auto* t = dynamic_cast<TTemplateProductImpl*>(&p))
                t->SetTplCalOwned(std::move(v));
        },
        nullptr);
    b.Property<qint32>(
        "DateStart",
        [](const TTemplateProduct& p) {
            auto* t = dynamic_cast<const TTemplateProductImpl*>(&p);
            return t ? t->DateStart() : 0;
        },
        [](TTemplateProduct& p, qint32 v) {
            if (auto* t = dynamic_cast<TTemplateProductImpl*>(&p))
                t->SetDateStart(v);
        },
        nullptr);)

namespace {

// Registers the implementation with the order at program start.
[[maybe_unused]] const bool gFactoryInstalled = [] {
    TTemplateProductImpl::InstallFactory();
    return true;
}();

TLangText* monthName(int month)
{
    static TLangText* const names[12] = {
        &LangTexts::Order::January, &LangTexts::Order::February, &LangTexts::Order::March,
        &LangTexts::Order::April, &LangTexts::Order::May, &LangTexts::Order::June,
        &LangTexts::Order::July, &LangTexts::Order::August, &LangTexts::Order::September,
        &LangTexts::Order::October, &LangTexts::Order::November, &LangTexts::Order::December,
    };
    return names[month - 1];
}

// The card's product label. The text catalogue holds only the cart form
// ("%s. Card"); the short form is a translatable text of its own, looked up
// in the dictionaries like the others.
TLangText& cardLabelText()
{
    static TLangText& text = TLangText::Create(QStringLiteral("%s Card"));
    return text;
}

constexpr qint32 kFirstMonthIndex = 2000 * 12;    // 2000-01
constexpr qint32 kLastMonthIndex = 2100 * 12 + 11; // 2100-12

} // namespace

// -------------------------------------------------------- TTemplateProductImpl

TTemplateProductImpl::TTemplateProductImpl()
    : fImages(TArcList<TOrderImageBase*>::Create())
{
    if (auto access = DesignedPageAccess::Current())
        fPages = access->NewPageList();
}

TTemplateProductImpl::TTemplateProductImpl(TPrintOrder* order)
    : TTemplateProduct(order)
    , fImages(TArcList<TOrderImageBase*>::Create())
{
    if (auto access = DesignedPageAccess::Current())
        fPages = access->NewPageList();
}

TTemplateProductImpl::~TTemplateProductImpl()
{
    fImages.reset();
    if (fPages)
        fPages->ClearAndFree();
    if (fTplCalOwned)
        delete fTplCal;
}

void TTemplateProductImpl::InstallFactory()
{
    TTemplateProduct::SetFactory([](TPrintOrder* order) { return std::make_unique<TTemplateProductImpl>(order); });
}

void TTemplateProductImpl::SetImages(const TArray<TOrderImageBase*>& images)
{
    fImages = TArcList<TOrderImageBase*>::Create(images);
}

void TTemplateProductImpl::SetPages(std::vector<std::unique_ptr<TCustomizedPageBase>> pages)
{
    ProductPagesReplace(fPages, this, std::move(pages));
}

void TTemplateProductImpl::SetTplCal(TemplateCalendrier2* cal)
{
    SetBorrowed(fTplCal, fTplCalOwned, cal);
}

void TTemplateProductImpl::SetTplCalOwned(std::unique_ptr<TemplateCalendrier2> cal)
{
    SetOwned(fTplCal, fTplCalOwned, std::move(cal));
}

qint32 TTemplateProductImpl::TplCalId() const
{
    if (!fTplCal)
        throw Exception(QStringLiteral("TTemplateProduct.GetTplCalId: no calendar selected"));
    return fTplCal->Id();
}

ZebtemplateVelmora2* TTemplateProductImpl::firstPageTemplate()
{
    if (!fPages || fPages->GetCount() == 0)
        return nullptr;
    return DesignedPageAccess::Required()->TplVelmora(fPages->GetItem(0));
}

bool TTemplateProductImpl::IsCalendarAnnual()
{
    ZebtemplateVelmora2* tpl = firstPageTemplate();
    return tpl && tpl->Type_() == 1;
}

int TTemplateProductImpl::GetNbCustomizableFrames()
{
    return CustomizableFrameCount(DesignedPageAccess::Contents(fPages));
}

// --- pictures

bool TTemplateProductImpl::ImageUsedReplace(TOrderImageBase* oldImg, TOrderImageBase* newImg)
{
    return availableImageReplace(fImages, fPages, oldImg, newImg);
}

TOrderImageBase* TTemplateProductImpl::ImageUsedAdd(TOrderImageBase* img)
{
    return availableImageAdd(fImages, img);
}

void TTemplateProductImpl::ImageUsedDel(IMainFrame* main, TOrderImageBase* img, bool force)
{
    availableImageDel(fImages, fPages, main, img, force);
}

void TTemplateProductImpl::InitWithProduct(TProductBase* prod)
{
    if (auto* waiting = dynamic_cast<TWaitingProduct*>(prod))
        fImages = waiting->ImgsAvailableList();
}

// --- product

bool TTemplateProductImpl::XMLloadFinalize(TPrintOrder* order, IMainFrame* main)
{
    bool result = TTirageProductBase::XMLloadFinalize(order, main);
    if (fTplCal) {
        TTemplateCalendarList* cals = main ? main->GetWebSvcTemplateCalendars() : nullptr;
        // A record gone from the catalogue is kept for the labels until the
        // order drops the product.
        if (!RelinkToCatalogue(fTplCal, fTplCalOwned, cals ? cals->findById(fTplCal->Id()) : nullptr))
            result = false;
    }
    if (!DesignedPageAccess::XMLloadFinalize(fPages, main))
        result = false;
    return result;
}

QString TTemplateProductImpl::KindLabel(TTemplateType type, bool annual, const QString& tirageLabel, bool cart)
{
    if (type == TTemplateType::MonthCalendar)
        return (cart ? LangTexts::Order::PagePerMonthCalendarFmt : LangTexts::Order::PagePerMonthCalendar)
            .Text({ tirageLabel });
    if (annual)
        return (cart ? LangTexts::Order::AnnualCalendarFmt : LangTexts::Order::AnnualCalendar).Text({ tirageLabel });
    if (type == TTemplateType::DesignerPrint)
        return (cart ? LangTexts::Order::DesignerPrintFmt : LangTexts::Order::DesignerPrint).Text({ tirageLabel });
    return (cart ? LangTexts::Order::Card : cardLabelText()).Text({ tirageLabel });
}

QString TTemplateProductImpl::ProductLabel()
{
    return KindLabel(TplType(), IsCalendarAnnual(), TirageLabel(plm_std), false);
}

QString TTemplateProductImpl::ProductCartLabel()
{
    return KindLabel(TplType(), IsCalendarAnnual(), TirageLabel(plm_full), true);
}

QString TTemplateProductImpl::PageLabelFor(bool monthly, qint32 dateStart, int pageNum, TProductLabelMode mode)
{
    if (monthly) {
        if (pageNum <= 1)
            return LangTexts::Order::Cover.Text();
        const qint32 date = dateStart + pageNum - 2;
        const qint32 year = getYearFromDate(date);
        const QString name = monthName(getMonthFromDate(date))->Text();
        if (mode == plm_short)
            return Format(QStringLiteral("%s %d"), { name, year });
        return LangTexts::Order::Page.Text({ name, year });
    }
    if (pageNum <= 1)
        return mode == plm_short ? LangTexts::Order::Recto.Text() : LangTexts::Order::TheRecto.Text();
    return mode == plm_short ? LangTexts::Order::Verso.Text() : LangTexts::Order::TheVerso.Text();
}

QString TTemplateProductImpl::PageLabel(int pageNum, TProductLabelMode mode)
{
    return PageLabelFor(IsCalendarMonthly(), fDateStart, pageNum, mode);
}

TProductPrice TTemplateProductImpl::GetPrice()
{
    TProductPrice p = GetUnitPrice(Quantity());
    p.price = Money::Mul(p.price, Quantity());
    return p;
}

TCustomizedPageBase* TTemplateProductImpl::GetPageByNum(int pageNum)
{
    if (!fPages || fPages->GetCount() == 0)
        return nullptr;
    const auto access = DesignedPageAccess::Required();
    for (int p = 0; p < fPages->GetCount(); ++p)
        if (access->PageNum(fPages->GetItem(p)) == pageNum)
            return fPages->GetItem(p);
    return nullptr;
}

bool TTemplateProductImpl::IsEmptyPages(const std::vector<TDesignedPageContent>& pages)
{
    for (const TDesignedPageContent& page : pages)
        for (const TFrameTraits& f : page.frames)
            if (TCustomizedFrameRules::isText(f) || (TCustomizedFrameRules::isImageCustomizable(f) && f.imageValid))
                return false;
    return true;
}

bool TTemplateProductImpl::IsEmpty()
{
    return IsEmptyPages(DesignedPageAccess::Contents(fPages));
}

int TTemplateProductImpl::CustomizableFrameCount(const std::vector<TDesignedPageContent>& pages)
{
    int n = 0;
    for (const TDesignedPageContent& page : pages)
        for (const TFrameTraits& f : page.frames)
            if (!TCustomizedFrameRules::isDeletable(f) && TCustomizedFrameRules::isImageCustomizable(f))
                ++n;
    return n;
}

TTirageList* TTemplateProductImpl::AvailablePrintList(IMainFrame* main)
{
    return main ? main->GetWebSvcTemplateProducts() : nullptr;
}

QString TTemplateProductImpl::TirageLabel(TProductLabelMode mode)
{
    if (!Tirage())
        return QStringLiteral("?");
    return FormatTirageName(mainFrame(), Tirage(), mode, firstPageTemplate());
}

void TTemplateProductImpl::CheckPages(const QString& productLabel, const std::vector<TDesignedPageContent>& pages,
                                      const std::function<QString(int)>& pageLabel)
{
    bool anyFrameToLab = false;
    for (const TDesignedPageContent& page : pages) {
        bool incomplete = false;
        for (const TFrameTraits& f : page.frames) {
            if (!TCustomizedFrameRules::isToSendToLumlab(f))
                continue;
            anyFrameToLab = true;
            if (TCustomizedFrameRules::isText(f))
                continue;
            if (!f.imageValid)
                incomplete = true;
            else if (f.kind == TTypeFrame::FrameBgUser)
                // The customer's own background covers the empty slots under it.
                incomplete = false;
        }
        if (incomplete)
            throw EUser(LangTexts::Order::ProductLeastOneInvalidMissing.Text({ productLabel, pageLabel(page.pageNum) }));
    }
    if (!anyFrameToLab)
        throw EUser(LangTexts::Order::ProductNoImageRequiresLeast.Text({ productLabel }));
}

void TTemplateProductImpl::Check()
{
    CheckPages(ProductLabel(), DesignedPageAccess::Contents(fPages),
               [this](int pageNum) { return PageLabel(pageNum, plm_std); });
}

TProductPrice TTemplateProductImpl::GetUnitPrice(qint32 qty)
{
    return GetBasePrice(mainFrame(), TirageId(), qty);
}

// --- template prices

Tarif2* TTemplateProductImpl::GetBaseTarif(IMainFrame* main, qint32 idTirage, qint32 qty)
{
    return BaseTarifIn(main ? main->GetWebSvcTemplatePrices() : nullptr, idTirage, qty,
                       QStringLiteral("TTemplateProduct"));
}

TProductPrice TTemplateProductImpl::GetBasePrice(IMainFrame* main, qint32 idTirage, qint32 qty)
{
    return BasePriceAt(main, GetBaseTarif(main, idTirage, qty), qty);
}

// --- month index

qint32 TTemplateProductImpl::getDateAsInt(qint32 year, qint32 month)
{
    if (month < 1 || month > 12)
        throw Exception(QStringLiteral("TTemplateProduct.getDateAsInt: month invalid"));
    if (year < 2000 || year > 2100)
        throw Exception(QStringLiteral("TTemplateProduct.getDateAsInt: year invalid"));
    return year * 12 + month - 1;
}

qint32 TTemplateProductImpl::getYearFromDate(qint32 date)
{
    if (date < kFirstMonthIndex || date > kLastMonthIndex)
        throw Exception(QStringLiteral("TTemplateProduct.getYearFromDate: date invalid"));
    return date / 12;
}

qint32 TTemplateProductImpl::getMonthFromDate(qint32 date)
{
    if (date < kFirstMonthIndex || date > kLastMonthIndex)
        throw Exception(QStringLiteral("TTemplateProduct.getMonthFromDate: date invalid"));
    return date % 12 + 1;
}

qint32 TTemplateProductImpl::getTodayAsInt()
{
    const QDate today = QDate::currentDate();
    return getDateAsInt(today.year(), today.month());
}

// ------------------------------------------------------------------ TTemplateKind

TTemplateKind TTemplateKind::Of(Tirage2* tir)
{
    TTemplateKind s;
    s.fWidth = std::min(tir->TemplateLargeur(), tir->TemplateHauteur());
    s.fHeight = std::max(tir->TemplateLargeur(), tir->TemplateHauteur());
    s.fRectoVerso = tir->TemplateRectoVerso();
    s.fCalendrierMensuel = tir->TemplateCalendrierMois();
    s.fTirage = tir;
    return s;
}

bool TTemplateKind::IsCompatible(qint32 w, qint32 h, bool rectoVerso, bool calendrierMensuel) const
{
    return std::min(w, h) == fWidth && std::max(w, h) == fHeight && calendrierMensuel == fCalendrierMensuel
        && (!fRectoVerso || rectoVerso);
}

bool TTemplateKind::IsEqual(qint32 w, qint32 h, bool rectoVerso, bool calendrierMensuel) const
{
    return IsCompatible(w, h, rectoVerso, calendrierMensuel) && rectoVerso == fRectoVerso;
}

// -------------------------------------------------------------- TTemplateKindList

TTemplateKindList::TTemplateKindList(const TTirageList& lst, bool bCalMonthlyOnly)
{
    for (Tirage2* tir : lst) {
        if (!tir || (bCalMonthlyOnly && !tir->TemplateCalendrierMois()))
            continue;
        if (indexOfKind(tir) < 0)
            fItems.push_back(TTemplateKind::Of(tir));
    }
}

int TTemplateKindList::indexOfKind(qint32 width, qint32 height, bool rectoVerso, bool calendrierMensuel) const
{
    for (size_t i = 0; i < fItems.size(); ++i)
        if (fItems[i].IsCompatible(width, height, rectoVerso, calendrierMensuel))
            return int(i);
    return -1;
}

int TTemplateKindList::indexOfKind(const ZebtemplateVelmora2* tpl) const
{
    if (!tpl)
        return -1;
    return indexOfKind(tpl->LargeurPapier(), tpl->HauteurPapier(), tpl->VersoSDid() > 0,
                       tpl->Type_() == 1 && tpl->CalendrierMois());
}

int TTemplateKindList::indexOfKind(const Tirage2* tir) const
{
    if (!tir)
        return -1;
    for (size_t i = 0; i < fItems.size(); ++i)
        if (fItems[i].IsEqual(tir->TemplateLargeur(), tir->TemplateHauteur(), tir->TemplateRectoVerso(),
                              tir->TemplateCalendrierMois()))
            return int(i);
    return -1;
}

void TTemplateKindList::TirageAdd(IMainFrame* main, Tirage2* tir)
{
    const int i = indexOfKind(tir);
    if (i < 0) {
        fItems.push_back(TTemplateKind::Of(tir));
        return;
    }
    TTemplateKind& entry = fItems[size_t(i)];
    if (TiragePriceCompare(main, entry.fTirage, tir) >= 0)
        entry.fTirage = tir;
}

IArcList<Tirage2*> TTemplateKindList::TirageList() const
{
    IArcList<Tirage2*> out = TArcList<Tirage2*>::Create();
    for (const TTemplateKind& s : fItems)
        out->Add(s.fTirage);
    return out;
}

Tarif2* TTemplateKindList::getMinimumPrice(IMainFrame* main, const Tirage2* tirage)
{
    TPrintTarifList* prices = main ? main->GetWebSvcTemplatePrices() : nullptr;
    if (!prices)
        throw Exception(QStringLiteral("TTemplateKindList.getMinimumPrice: no template prices"));
    return prices->Items(tirage->Id())->getMinimumPrice();
}

int TTemplateKindList::TiragePriceCompare(IMainFrame* main, const Tirage2* tir1, const Tirage2* tir2)
{
    const Tarif2* p1 = getMinimumPrice(main, tir1);
    const Tarif2* p2 = getMinimumPrice(main, tir2);
    // An empty price list has no cheapest row to compare.
    if (!p1 || !p2)
        throw Exception(QStringLiteral("TTemplateKindList.TiragePriceCompare: no price for format %1")
                            .arg((p1 ? tir2 : tir1)->Id()));
    return TTarifList::priceCompare(p1, p2);
}
