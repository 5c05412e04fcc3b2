#include "UTemplatesInfo.h"

#include "UAppExceptions.h"
#include "UCatalogueLists.h"
#include "UCtrlScreenBase.h"
#include "UCustomizedPage.h"
#include "UQzFileSystemRes.h"
#include "UShopTplInfo.h"
#include "UTemplateProduct.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UTplCalDates.h"
#include "UWorkflowDataProductCard.h"

#include "LumLabService.h"

#include <algorithm>

namespace {

std::mutex& factorySync()
{
    static std::mutex m;
    return m;
}

TTemplatesInfo::TVignetteFactory& factory()
{
    static TTemplatesInfo::TVignetteFactory f;
    return f;
}

// The user locale's lower case, as codes are compared.
QString lowerCode(const QString& code)
{
    return QLocale().toLower(code);
}

bool idListed(const ArrayOfint& ids, qint32 id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

// ------------------------------------------------------------------ pictures

void TTemplatesInfo::SetVignetteFactory(TVignetteFactory f)
{
    std::lock_guard lock(factorySync());
    factory() = std::move(f);
}

std::unique_ptr<TOrderImageBase> TTemplatesInfo::NewVignette(IMainFrame* main, qint32 vignetteId)
{
    TVignetteFactory f;
    {
        std::lock_guard lock(factorySync());
        f = factory();
    }
    if (f)
        return f(main, vignetteId);
    return std::make_unique<TResWebSvcVignette>(main, vignetteId);
}

// ------------------------------------------------------------------ TTemplateVelmoraData

TTemplateVelmoraData::TTemplateVelmoraData(IMainFrame* main, ZebtemplateVelmora2* tpl)
    : fMain(main)
    , fTplVelmora(tpl)
{
    fImgRecto = TTemplatesInfo::NewVignette(main, tpl->RectoSDid());
    if (tpl->VersoSDid() != 0)
        fImgVerso = TTemplatesInfo::NewVignette(main, tpl->VersoSDid());
}

TTemplateVelmoraData::~TTemplateVelmoraData() = default;

qint32 TTemplateVelmoraData::key() const
{
    return fTplVelmora->Id();
}

ZebtemplateVelmoraFrameInfo* TTemplateVelmoraData::TplVelmoraInfo() const
{
    return fMain->GetWebSvcTemplateVelmoraInfo(fTplVelmora);
}

bool TTemplateVelmoraData::isMonthlyCalendar() const
{
    return fTplVelmora->Type_() == 1 && fTplVelmora->CalendrierMois();
}

bool TTemplateVelmoraData::isLangMatching(const QString& lang) const
{
    const QString code = fTplVelmora->CodeLangue();
    return lang.isEmpty() || code.isEmpty() || lowerCode(code) == lang;
}

bool TTemplateVelmoraData::isMatchingFilter(const QString& lang, const Tirage2* tplPrint, qint32 selectedTplType) const
{
    if (!isLangMatching(lang))
        return false;
    if (selectedTplType != -1) {
        const qint32 type = fTplVelmora->Type_();
        const bool calendarMatch = type == 1
            && ((selectedTplType == -2 && fTplVelmora->CalendrierMois())
                || (selectedTplType == -3 && !fTplVelmora->CalendrierMois()));
        if (type != selectedTplType && !calendarMatch)
            return false;
    }
    if (!tplPrint)
        return true;
    const qint32 w = fTplVelmora->LargeurPapier();
    const qint32 h = fTplVelmora->HauteurPapier();
    const qint32 fw = tplPrint->TemplateLargeur();
    const qint32 fh = tplPrint->TemplateHauteur();
    if (std::min(w, h) != std::min(fw, fh) || std::max(w, h) != std::max(fw, fh))
        return false;
    return !tplPrint->TemplateRectoVerso() || fTplVelmora->VersoSDid() > 0;
}

bool TTemplateVelmoraData::isLinkedToCalendar(const QString& lang, const TemplateCalendrier2* tplCalendar) const
{
    return isLangMatching(lang) && idListed(fTplVelmora->TemplateCalendrierIds(), tplCalendar->Id());
}

// ------------------------------------------------------------------ calendars

TTemplateCalendarImage::TTemplateCalendarImage(IMainFrame* main, TemplateCalendrierImage2* tplCalImg)
    : fTemplateCalendarImage(tplCalImg)
{
    const Vignette2* v = tplCalImg->PictIdSD().get();
    fImgMonth = TTemplatesInfo::NewVignette(main, v ? v->VignetteId() : 0);
}

TTemplateCalendarImage::~TTemplateCalendarImage() = default;

TTemplateCalendar::TTemplateCalendar(IMainFrame* main, TemplateCalendrier2* tplCal)
    : fTemplateCalendar(tplCal)
    , fTemplateCalendarImagesList(TArcList<TTemplateCalendarImage*>::Create())
{
    const Vignette2* v = tplCal->VisuelImage().get();
    fImgCalendar = TTemplatesInfo::NewVignette(main, v ? v->VignetteId() : 0);
    for (const auto& img : tplCal->Images()) {
        if (!img)
            continue;
        fImages.push_back(std::make_unique<TTemplateCalendarImage>(main, img.get()));
        fTemplateCalendarImagesList->Add(fImages.back().get());
    }
    TTplCalDates::TplCalDateRangeCalc(tplCal->Images(), fDateMin, fDateMax, 0);
}

TTemplateCalendar::~TTemplateCalendar() = default;

TOrderImageBase* TTemplateCalendar::getImgForDate(qint32 date) const
{
    const qint32 year = date / 12;
    const qint32 month = date - 12 * year + 1;
    for (const auto& img : fImages) {
        const TemplateCalendrierImage2* rec = img->TemplateCalendarImage();
        if (rec->Mois() == month && rec->Annee() == year)
            return img->ImgMonth();
    }
    return nullptr;
}

bool TTemplateCalendar::isLangMatching(const QString& lang) const
{
    const QString code = lowerCode(fTemplateCalendar->CodeLangue());
    return lang.isEmpty() || code.isEmpty() || code == lang || code == QLatin1String("xx");
}

bool TTemplateCalendar::isLinkedToTemplate(const QString& lang, const ZebtemplateVelmora2* tplVelmora) const
{
    return isLangMatching(lang) && idListed(tplVelmora->TemplateCalendrierIds(), fTemplateCalendar->Id());
}

// ------------------------------------------------------------------ TTemplatesInfo

TTemplatesInfo::TTemplatesInfo(IMainFrame* main)
    : TWorkflowData(main)
{
}

TTemplatesInfo::~TTemplatesInfo() = default;

QString TTemplatesInfo::wantedLang(bool bAllLang) const
{
    return bAllLang ? QString() : lowerCode(fMain->Lang());
}

void TTemplatesInfo::buildGlobalLists()
{
    if (fTplBackgroundGlobalList)
        return;
    auto templates = TArcList<TTemplateVelmoraData*>::Create();
    auto calendars = TArcList<TTemplateCalendar*>::Create();
    if (TTemplateVelmoraList* list = fMain->GetWebSvcTemplatesVelmora())
        for (ZebtemplateVelmora2* tpl : *list) {
            fTemplates.push_back(std::make_unique<TTemplateVelmoraData>(fMain, tpl));
            templates->Add(fTemplates.back().get());
        }
    if (TTemplateCalendarList* list = fMain->GetWebSvcTemplateCalendars())
        for (TemplateCalendrier2* cal : *list) {
            fCalendars.push_back(std::make_unique<TTemplateCalendar>(fMain, cal));
            calendars->Add(fCalendars.back().get());
        }
    fTplCalendarGlobalList = calendars;
    fTplBackgroundGlobalList = templates;
}

IArcList<TTemplateVelmoraData*> TTemplatesInfo::TplBackgroundGlobalList()
{
    std::lock_guard lock(fSync);
    buildGlobalLists();
    return fTplBackgroundGlobalList;
}

IArcList<TTemplateCalendar*> TTemplatesInfo::TplCalendarGlobalList()
{
    std::lock_guard lock(fSync);
    buildGlobalLists();
    return fTplCalendarGlobalList;
}

bool TTemplatesInfo::filterCalBackgroundByLang(TTemplateVelmoraData* tplBg, const QString& lang)
{
    IArcList<TTemplateCalendar*> designs = TplCalendarGlobalList();
    for (int i = 0; i < designs->GetCount(); ++i)
        if (designs->GetItem(i)->isLinkedToTemplate(lang, tplBg->TplVelmora()))
            return true;
    return false;
}

IArcList<TTemplateVelmoraData*> TTemplatesInfo::getTplBackgroundFilteredList(Tirage2* tplPrint,
                                                                             qint32 selectedTplType, bool bAllLang)
{
    std::lock_guard lock(fSync);
    const QString lang = wantedLang(bAllLang);
    if (fTplBackgroundFilteredList && tplPrint == fTplBackgroundFilteredListPrint
        && selectedTplType == fTplBackgroundFilteredListType && lang == fTplBackgroundFilteredListLang)
        return fTplBackgroundFilteredList;

    bool monthlyMayEnter;
    bool othersMayEnter;
    if ((tplPrint && tplPrint->TemplateCalendrierMois()) || selectedTplType == -2) {
        monthlyMayEnter = true;
        othersMayEnter = false;
    } else {
        othersMayEnter = true;
        monthlyMayEnter = !tplPrint && selectedTplType == -1 && bAllLang;
    }

    auto result = TArcList<TTemplateVelmoraData*>::Create();
    if (tplPrint != fTplBackgroundFilteredListPrint || lang != fTplBackgroundFilteredListLang)
        fTplBackgroundFilteredTypeList.reset();
    fTplBackgroundFilteredListPrint = tplPrint;
    fTplBackgroundFilteredListLang = lang;
    fTplBackgroundFilteredListType = selectedTplType;
    fTplBackgroundFilteredList = result;

    IArcList<TTemplateVelmoraData*> all = TplBackgroundGlobalList();
    for (int i = 0; i < all->GetCount(); ++i) {
        TTemplateVelmoraData* tpl = all->GetItem(i);
        if (!tpl->isMatchingFilter(lang, tplPrint, selectedTplType))
            continue;
        if (tpl->isMonthlyCalendar()) {
            if (monthlyMayEnter && filterCalBackgroundByLang(tpl, lang))
                result->Add(tpl);
        } else if (othersMayEnter) {
            result->Add(tpl);
        }
    }
    return result;
}

IArcList<qint32> TTemplatesInfo::getTplBackgroundFilteredTypeList(Tirage2* tplPrint, bool bAllLang)
{
    std::lock_guard lock(fSync);
    const QString lang = wantedLang(bAllLang);
    if (fTplBackgroundFilteredTypeList && tplPrint == fTplBackgroundFilteredListPrint
        && lang == fTplBackgroundFilteredListLang)
        return fTplBackgroundFilteredTypeList;
    fTplBackgroundFilteredTypeList.reset();
    fTplBackgroundFilteredList.reset();
    auto types = TArcList<qint32>::Create();
    fTplBackgroundFilteredListPrint = tplPrint;
    fTplBackgroundFilteredListLang = lang;

    IArcList<TTemplateVelmoraData*> list = getTplBackgroundFilteredList(tplPrint, -1, bAllLang);
    bool monthlySeen = false;
    bool annualSeen = false;
    for (int i = 0; i < list->GetCount(); ++i) {
        const ZebtemplateVelmora2* tpl = list->GetItem(i)->TplVelmora();
        if (tpl->Type_() == 1) {
            (tpl->CalendrierMois() ? monthlySeen : annualSeen) = true;
        } else if (!types->Contains(tpl->Type_())) {
            types->Add(tpl->Type_());
        }
    }
    if (monthlySeen)
        types->Add(-2);
    if (annualSeen)
        types->Add(-3);
    // The filtered-list query above keeps the type list when the key is the
    // same: store it only now, with the key it was built for.
    fTplBackgroundFilteredTypeList = types;
    return types;
}

IArcList<TTemplateVelmoraData*> TTemplatesInfo::getTplBackgroundCalFilteredList(TemplateCalendrier2* tplCalendar,
                                                                                bool bAllLang)
{
    std::lock_guard lock(fSync);
    const QString lang = wantedLang(bAllLang);
    if (fTplBackgroundCalFilteredList && tplCalendar == fTplBackgroundCalFilteredListCalendar
        && lang == fTplBackgroundCalFilteredListLang)
        return fTplBackgroundCalFilteredList;
    auto result = TArcList<TTemplateVelmoraData*>::Create();
    IArcList<TTemplateVelmoraData*> all = TplBackgroundGlobalList();
    for (int i = 0; i < all->GetCount(); ++i)
        if (tplCalendar && all->GetItem(i)->isLinkedToCalendar(lang, tplCalendar))
            result->Add(all->GetItem(i));
    fTplBackgroundCalFilteredList = result;
    fTplBackgroundCalFilteredListCalendar = tplCalendar;
    fTplBackgroundCalFilteredListLang = lang;
    return result;
}

IArcList<TTemplateCalendar*> TTemplatesInfo::getTplCalendarFilteredList(ZebtemplateVelmora2* tplVelmora,
                                                                        bool bAllLang)
{
    std::lock_guard lock(fSync);
    const QString lang = wantedLang(bAllLang);
    if (fTplCalendarFilteredList && tplVelmora == fTplCalendarFilteredListTemplate
        && lang == fTplCalendarFilteredListLang)
        return fTplCalendarFilteredList;
    auto result = TArcList<TTemplateCalendar*>::Create();
    IArcList<TTemplateCalendar*> all = TplCalendarGlobalList();
    for (int i = 0; i < all->GetCount(); ++i)
        if (tplVelmora && all->GetItem(i)->isLinkedToTemplate(lang, tplVelmora))
            result->Add(all->GetItem(i));
    fTplCalendarFilteredList = result;
    fTplCalendarFilteredListTemplate = tplVelmora;
    fTplCalendarFilteredListLang = lang;
    return result;
}

TTemplateCalendar* TTemplatesInfo::GetTplCalendarById(const IArcList<TTemplateCalendar*>& lst, qint32 id)
{
    if (lst)
        for (int i = 0; i < lst->GetCount(); ++i)
            if (lst->GetItem(i)->TemplateCalendar()->Id() == id)
                return lst->GetItem(i);
    throw Exception(QStringLiteral("TTemplatesInfo.GetTplCalendarById: ID calendar does not exist!"));
}

qint32 TTemplatesInfo::TplCalDateCalc(qint32 year, qint32 month)
{
    return TTplCalDates::TplCalDateCalc(year, month);
}

void TTemplatesInfo::BuildClassicTemplate(IMainFrame* mainFrame, TTemplateProduct* tplProd,
                                          TTemplateVelmoraData* tplVelmoraData)
{
    ZebtemplateVelmora2* tpl = tplVelmoraData->TplVelmora();
    IArcList<TCustomizedPageBase*> pages = tplProd->GetPagesList();
    pages->Add(new TCustomizedPage(tplProd, mainFrame, tpl, tplVelmoraData->TplVelmoraInfo(),
                                   tplVelmoraData->ImgRecto(), 1, nullptr));
    if (tplProd->Tirage() && tplProd->Tirage()->TemplateRectoVerso()) {
        if (!tplVelmoraData->ImgVerso())
            throw Exception(QStringLiteral("Background template without verso"));
        pages->Add(new TCustomizedPage(tplProd, mainFrame, tpl, tplVelmoraData->TplVelmoraInfo(),
                                       tplVelmoraData->ImgVerso(), 2, nullptr));
    }
}

void TTemplatesInfo::BuildCalendarTemplate(IMainFrame* mainFrame, TTemplateProduct* tplProd,
                                           TTemplateVelmoraData* tplVelmoraData, TTemplateCalendar* tplCal)
{
    ZebtemplateVelmora2* tpl = tplVelmoraData->TplVelmora();
    IArcList<TCustomizedPageBase*> pages = tplProd->GetPagesList();
    ZebtemplateVelmoraFrameInfo* info = tplVelmoraData->TplVelmoraInfo();
    pages->Add(new TCustomizedPage(tplProd, mainFrame, tpl, info, tplVelmoraData->ImgRecto(), 1, nullptr));
    auto* impl = dynamic_cast<TTemplateProductImpl*>(tplProd);
    const qint32 dateStart = impl ? impl->DateStart() : 0;
    for (int p = 2; p <= 13; ++p) {
        TOrderImageBase* month = tplCal ? tplCal->getImgForDate(dateStart + p - 2) : nullptr;
        pages->Add(new TCustomizedPage(tplProd, mainFrame, tpl, info, tplVelmoraData->ImgRecto(), p, month));
    }
}

std::vector<TTemplatesInfo::TplInfoRec> TTemplatesInfo::getTplInfoList()
{
    std::vector<TplInfoRec> out;
    IArcList<qint32> types;
    {
        std::lock_guard lock(fSync);
        types = getTplBackgroundFilteredTypeList(nullptr, true);
    }
    for (int i = 0; i < types->GetCount(); ++i) {
        const qint32 code = types->GetItem(i);
        if (code == -2 || code == -3) {
            out.push_back({ code, QSize(-1, -1) });
            continue;
        }
        auto cards = TCtrlScreenBase::WorkflowData<TWorkflowDataProductCard>(fMain);
        cards->setCardTheme(code);
        IArcList<Tirage2*> formats = cards->getCardProductListForTheme();
        for (int j = 0; j < formats->GetCount(); ++j) {
            const Tirage2* t = formats->GetItem(j);
            const TplInfoRec rec { code, QSize(std::min(t->TemplateHauteur(), t->TemplateLargeur()),
                                               std::max(t->TemplateHauteur(), t->TemplateLargeur())) };
            if (std::find(out.begin(), out.end(), rec) == out.end())
                out.push_back(rec);
        }
    }
    return out;
}

void TTemplatesInfo::loadTplInfo(IMainFrame* main, const TplInfoRec& tpl, double ts)
{
    TConfigInfo* cfg = main->Config();
    const int cx = tpl.tplSize.width();
    const int cy = tpl.tplSize.height();
    if (std::unique_ptr<TShopTplInfo> stored = TShopTplInfo::TryLoadCreate(cfg, tpl.tplThemeId, cx, cy, ts))
        return;
    auto set = std::make_unique<TShopTplInfo>(tpl.tplThemeId, cx, cy, ts);
    set->SetZebtemplatesVelmoraString(
        main->GetWebSvcLum()->GetZebtemplatesVelmoraFrames(main->GetWebSvcAsker(), tpl.tplThemeId, cx, cy));
    set->Save(cfg);
}
