#include "UShopProdTplInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "ULangText.h"
#include "UShopCommonInfo.h"
#include "UShopProdPrintInfo.h"
#include "UTemplateProduct.h"
#include "UTplCalDates.h"

#include <QDate>
#include <limits>

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopProdTplInfo, TXMLSerializable,
    ShopListProperty<Tirage2, TTirageList>(b, "Templates", &Self::fTemplateLst);
    ShopTarifProperty(b, "TemplateTarifs", &Self::fTemplateTarifLst);
    ShopListProperty<ImageTirage2, TTirageVisualList>(b, "TemplateVisuals", &Self::fTemplateVisualList);
    ShopListProperty<ZebtemplateVelmora2, TTemplateVelmoraList>(b, "ZebtemplatesVelmora",
                                                                &Self::fTemplatesVelmoraList);
    ShopListProperty<TemplateCalendrier2, TTemplateCalendarList>(b, "Calendars", &Self::fTplCalendarList);
    b.Property<double>("TSprodTplInfo", [](const Self& s) { return s.fStamp; },
                       [](Self& s, double v) { s.fStamp = v; }, nullptr);)

namespace {

const QString kClass = QStringLiteral("TShopProdTplInfo");

// Removes (and frees) the items of an owning list that keep answers false,
// in list order.
template <class List, class Keep>
bool removeUnless(List& lst, Keep keep)
{
    bool removed = false;
    for (int i = 0; i < lst.Count();) {
        if (keep(lst[i])) {
            ++i;
        } else {
            lst.Delete(i);
            removed = true;
        }
    }
    return removed;
}

} // namespace

TShopProdTplInfo::TShopProdTplInfo()
    : fTemplateLst(std::make_unique<TTirageList>(true))
    , fTemplateTarifLst(std::make_unique<TPrintTarifList>())
    , fTemplateVisualList(std::make_unique<TTirageVisualList>(true))
    , fTemplatesVelmoraList(std::make_unique<TTemplateVelmoraList>(true))
    , fTplCalendarList(std::make_unique<TTemplateCalendarList>(true))
{
}

TShopProdTplInfo::~TShopProdTplInfo() = default;

void TShopProdTplInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopProdTplInfo::StaticClassInfo(), QStringLiteral("ShopProdTplInfo"));
    ser.ClassRegister(Tirage2::StaticClassInfo(), QStringLiteral("Print"));
    ser.ClassRegister(Tarif2::StaticClassInfo(), QStringLiteral("Price"));
    ser.ClassRegister(ImageTirage2::StaticClassInfo(), QStringLiteral("Visual"));
    ser.ClassRegister(ZebtemplateVelmora2::StaticClassInfo(), QStringLiteral("ZebtemplateVelmora"));
    ser.ClassRegister(Vignette2::StaticClassInfo(), QStringLiteral("Vignette"));
    ser.ClassRegister(TemplateVelmoraCadre2::StaticClassInfo(), QStringLiteral("TemplateVelmoraFrame"));
    ser.ClassRegister(TemplateCalendrier2::StaticClassInfo(), QStringLiteral("TemplateCalendar"));
    ser.ClassRegister(TemplateCalendrierImage2::StaticClassInfo(), QStringLiteral("TemplateCalendarImage"));
}

std::unique_ptr<TShopProdTplInfo> TShopProdTplInfo::TryLoadCreate(TConfigInfo* cfg, double stamp)
{
    return LoadPart<TShopProdTplInfo>(kClass, cfg->GetShopInfoProdTplPath(), &serializerPrepare, &stamp);
}

void TShopProdTplInfo::Save(TConfigInfo* cfg)
{
    SavePart(kClass, cfg->GetShopInfoProdTplPath(), &serializerPrepare);
}

bool TShopProdTplInfo::hasKind(qint32 typeMin, qint32 typeMax) const
{
    if (!hasProducts())
        return false;
    for (const ZebtemplateVelmora2* t : *fTemplatesVelmoraList)
        if (t->Type_() >= typeMin && t->Type_() <= typeMax)
            return true;
    return false;
}

bool TShopProdTplInfo::hasCalendars() const
{
    return hasKind(1, 1);
}

bool TShopProdTplInfo::hasCards() const
{
    return hasKind(2, 100);
}

bool TShopProdTplInfo::hasPhotoprod() const
{
    return hasKind(101, std::numeric_limits<qint32>::max());
}

void TShopProdTplInfo::TemplatesDisplayOrderMem()
{
    DisplayOrderMem(*fTemplateLst);
}

void TShopProdTplInfo::TemplateClean(const TShopCommonInfo& commonInfo)
{
    commonInfo.tirageWithoutPriceOrChannelRemove(*fTemplateLst, *fTemplateTarifLst);
    TemplatesVelmoraClean();
}

void TShopProdTplInfo::TemplatesVelmoraClean()
{
    const TTemplateKindList kinds(*fTemplateLst, false);
    removeUnless(*fTemplatesVelmoraList, [&](const ZebtemplateVelmora2* tpl) {
        if (!kinds.containsKind(tpl))
            return false;
        if (!tpl->CalendrierMois())
            return true;
        // A monthly template prints its months on a calendar design's grid:
        // without one of the part it cannot be used.
        for (qint32 id : tpl->TemplateCalendrierIds())
            if (fTplCalendarList->findById(id))
                return true;
        return false;
    });
    removeUnless(*fTemplateVisualList,
                 [&](const ImageTirage2* v) { return fTemplateLst->findByVisualId(v->Id()) != nullptr; });
}

bool TShopProdTplInfo::CalendarImagesClean(TemplateCalendrier2& calendar, qint32 yearMin)
{
    qint32 dateMin = 0;
    qint32 dateMax = 0;
    TTplCalDates::TplCalDateRangeCalc(calendar.Images(), dateMin, dateMax, yearMin);
    TemplateCalendrierImage2List kept;
    // The record hands its pictures out read-only; the pictures are moved
    // out of it here and the kept ones set back.
    TemplateCalendrierImage2List images = std::move(const_cast<TemplateCalendrierImage2List&>(calendar.Images()));
    for (auto& img : images) {
        if (!img || img->Annee() < yearMin)
            continue;
        const qint32 idx = TTplCalDates::TplCalDateCalc(img->Annee(), img->Mois());
        if (idx >= dateMin && idx <= dateMax)
            kept.push_back(std::move(img));
    }
    const bool fullYear = kept.size() > 11;
    calendar.setImages(std::move(kept));
    return fullYear;
}

void TShopProdTplInfo::CalendarClean()
{
    const qint32 yearMin = QDate::currentDate().year() - 1;
    for (;;) {
        const TTemplateKindList kinds(*fTemplateLst, true);
        bool removed = removeUnless(*fTplCalendarList, [&](TemplateCalendrier2* cal) {
            return kinds.containsKind(cal->LargeurPapier(), cal->HauteurPapier(), false, true)
                && CalendarImagesClean(*cal, yearMin);
        });
        auto servedBy = [](const Tirage2* tir, auto& papers) {
            const TTemplateKind kind = TTemplateKind::Of(const_cast<Tirage2*>(tir));
            for (const auto* paper : papers)
                if (kind.IsCompatible(paper->LargeurPapier(), paper->HauteurPapier(), false, true))
                    return true;
            return false;
        };
        removed = removeUnless(*fTemplateLst,
                               [&](const Tirage2* tir) {
                                   return !tir->TemplateCalendrierMois() || servedBy(tir, *fTplCalendarList);
                               })
            || removed;
        removed = removeUnless(*fTemplateLst,
                               [&](const Tirage2* tir) {
                                   return !tir->TemplateCalendrierMois() || servedBy(tir, *fTemplatesVelmoraList);
                               })
            || removed;
        if (!removed)
            return;
        TemplatesVelmoraClean();
    }
}

void TShopProdTplInfo::loadInfoFromWebSvc(IMainFrame* main, const TShopCommonInfo& shopCommon, IShopLoadCtrl* ctrl)
{
    static TLangText& txtTemplates = TLangText::Create(QStringLiteral("Loading templates..."));
    static TLangText& txtVelmora = TLangText::Create(QStringLiteral("Loading Velmora templates..."));
    static TLangText& txtPrices = TLangText::Create(QStringLiteral("Loading templates prices..."));
    static TLangText& txtCalendars = TLangText::Create(QStringLiteral("Loading calendars..."));
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    const QString ram = QStringLiteral("(ram: %1)");
    auto status = [ctrl](const TLangText& text) {
        if (ctrl)
            ctrl->status(text.Text());
    };

    // Frame details cached for the previous templates no longer apply.
    main->Config()->CleanShopTplInfoFiles();
    fTemplateLst = std::make_unique<TTirageList>(true);
    fTplCalendarList = std::make_unique<TTemplateCalendarList>(true);
    fTemplatesVelmoraList = std::make_unique<TTemplateVelmoraList>(true);
    fTemplateTarifLst = std::make_unique<TPrintTarifList>();

    LogDebug(QStringLiteral("Connection: Loading templates products ") + ram.arg(ShopInfoFiles::RamText()));
    status(txtTemplates);
    fTemplateLst = ShopListFrom<TTirageList>(lab->GetConsumerTemplates(asker, shopCommon.Consumer()->Id()));
    if (fTemplateLst->Count() == 0)
        return;

    TemplatesDisplayOrderMem();
    ArrayOfint ids;
    bool monthly = false;
    for (const Tirage2* t : *fTemplateLst) {
        ids.push_back(t->Id());
        monthly = monthly || t->TemplateCalendrierMois();
    }
    LogDebug(QStringLiteral("Connection: Loading velmora templates ") + ram.arg(ShopInfoFiles::RamText()));
    status(txtVelmora);
    fTemplatesVelmoraList = ShopListFrom<TTemplateVelmoraList>(lab->GetZebtemplatesVelmoraBase(asker));

    LogDebug(QStringLiteral("Connection: Loading templates prices ") + ram.arg(ShopInfoFiles::RamText()));
    status(txtPrices);
    fTemplateTarifLst = TShopCommonInfo::tarifFromFlatArray(lab->GetPrintsTarifs(asker, ids));
    if (fTemplateTarifLst->Count() == 0)
        LogError(QStringLiteral("Connection: All templates without price"));

    if (monthly) {
        LogDebug(QStringLiteral("Connection: Loading templates calendars ") + ram.arg(ShopInfoFiles::RamText()));
        status(txtCalendars);
        fTplCalendarList = ShopListFrom<TTemplateCalendarList>(lab->GetTemplatesCalendrier(asker));
        if (fTplCalendarList->Count() == 0)
            LogError(QStringLiteral("Connection: No calendar available"));
    }
    TemplateClean(shopCommon);
    LogDebug(QStringLiteral("Connection: Templates products loaded ") + ram.arg(ShopInfoFiles::RamText()));
    if (monthly) {
        CalendarClean();
        if (fTplCalendarList->Count() == 0)
            LogError(QStringLiteral("Connection: All calendars removed"));
    }
    if (fTemplateLst->Count() == 0)
        LogError(QStringLiteral("Connection: All templates removed"));
}
