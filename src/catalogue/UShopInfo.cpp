#include "UShopInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "UThreadTaskWebSvcQueue.h"
#include "UCtrlConnecNotif.h"
#include "ULangText.h"
#include "UTools.h"
#include "UVisualsInfos.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopInfo, TXMLSerializable,
    ShopObjectProperty<Zebconsumer2>(b, "Consumer", &Self::fConsumer);
    b.Property<double>("TScommon", [](const Self& s) { return s.fTScommon; },
                       [](Self& s, double v) { s.fTScommon = v; }, nullptr);
    b.Property<double>("TSprodPrintInfo", [](const Self& s) { return s.fTSprodPrintInfo; },
                       [](Self& s, double v) { s.fTSprodPrintInfo = v; }, nullptr);
    b.Property<double>("TSprodTplInfo", [](const Self& s) { return s.fTSprodTplInfo; },
                       [](Self& s, double v) { s.fTSprodTplInfo = v; }, nullptr);
    b.Property<double>("TSprodBookInfo", [](const Self& s) { return s.fTSprodBookInfo; },
                       [](Self& s, double v) { s.fTSprodBookInfo = v; }, nullptr);)

namespace {

const QString kClass = QStringLiteral("TShopInfo");

// Error kinds of the part loads.
enum { kKindCommon = 0, kKindPrint = 1, kKindTpl = 2, kKindBook = 5 };

// The observer event raised once the front-print pictures are on disk
// (moe_frontPrint of the main window's event list).
constexpr int kMoeFrontPrint = 12;
// moe_templateVelmoraInfoLoaded: frame details of a theme were installed.
constexpr int kMoeTemplateVelmoraInfoLoaded = 3;

// Rounds to the nearest integer, exact halves to the even neighbour.
int roundEven(double v)
{
    return int(std::nearbyint(v));
}

// The main frame to use on the web-service queue's worker: the queue's
// proxy there, the given one elsewhere.
IMainFrame* workerMain(IMainFrame* main)
{
    if (TThreadTaskWebSvcQueue* q = TThreadTaskWebSvcQueue::Current())
        return q;
    return main;
}

// Brings a picture-cache list in line with the lab's pictures (key -> MD5).
// fetch gives a picture's bytes (only called when downloading); every: the
// progress is shown for every that many entries; saveEvery: when
// downloading, the list is saved after each changed entry whose count is a
// multiple of it (0: never during the loop).
template <class L, class Fetch>
void refreshPictureCache(IMainFrame* main, IShopLoadCtrl* ctrl, const QMap<typename L::TKey, QString>& dict, L& list,
                         Fetch fetch, int every, int saveEvery, const TLangText& text)
{
    using Item = typename L::TItem;
    const bool download = int(main->GetLaunchMode()) == kLaunchModeInitData;
    if (!download && dict.size() == list.List().Count()) {
        bool same = true;
        for (auto it = dict.cbegin(); same && it != dict.cend(); ++it) {
            const Item* e = list.findById(it.key());
            same = e && e->Md5() == it.value();
        }
        if (same)
            return;
    }
    // Entries the lab no longer lists go, with their pictures.
    for (int i = list.List().Count() - 1; i >= 0; --i) {
        Item* e = list.List()[i];
        if (!dict.contains(e->Id())) {
            ShopInfoFiles::DeleteShopFile(QStringLiteral("loadVisualsClean"), e->GetFilepath(main));
            list.List().Delete(i);
            list.SetDirty();
        }
    }
    const int count = int(dict.size());
    int i = 0;
    for (auto it = dict.cbegin(); it != dict.cend(); ++it) {
        ++i;
        TThreadTaskQueueWithoutThread::CheckCancel();
        Item* e = list.findById(it.key());
        const bool changed = !e || e->Md5() != it.value()
            || (download && !QFileInfo::exists(e->GetFilepath(main)));
        if (changed) {
            QByteArray bytes;
            if (download)
                bytes = fetch(it.key());
            if (e) {
                e->SetMd5(it.value());
            } else {
                e = new Item(it.key(), it.value());
                list.List().Add(e);
            }
            list.SetDirty();
            if (download)
                TAppTools::WriteByteArrayToFile(bytes, e->GetFilepath(main));
            else
                ShopInfoFiles::DeleteShopFile(QStringLiteral("loadVisualsUpdate"), e->GetFilepath(main));
            if (download && saveEvery > 0 && i % saveEvery == 0)
                list.SaveToXmlFile(main);
        }
        if (ctrl && (download || i % every == 1 || i == count - 1))
            ctrl->updateProgressBar(i, count, text);
    }
    if (ctrl)
        ctrl->hideProgressBar();
}

} // namespace

TShopInfo::TShopInfo() = default;

TShopInfo::~TShopInfo()
{
    productInfoLoadCancel();
    if (fTplInfoTask) {
        try {
            fTplInfoTask->CancelAsk(ttwm_wait);
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TShopInfo.Destroy / TplInfoTask.CancelAsk"), e);
        }
    }
}

void TShopInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopInfo::StaticClassInfo(), QStringLiteral("ShopBootInfo"));
    ser.ClassRegister(Zebconsumer2::StaticClassInfo(), QStringLiteral("Consumer"));
}

std::unique_ptr<TShopInfo> TShopInfo::TryLoadCreate(TConfigInfo* cfg)
{
    auto shop = std::make_unique<TShopInfo>();
    if (!ShopInfoFiles::ReadCrypted(kClass, cfg->GetShopInfoBootPath(), &serializerPrepare, *shop))
        return nullptr;
    shop->fDirty = false;
    return shop;
}

void TShopInfo::Save(TConfigInfo* cfg)
{
    if (!fDirty)
        return;
    ShopInfoFiles::WriteCrypted(kClass, cfg->GetShopInfoBootPath(), &serializerPrepare, *this);
    fDirty = false;
}

void TShopInfo::ExportShopInfoToXmlFile(const QString& path)
{
    LogDebug(QStringLiteral("TShopInfo.ExportShopInfoToXmlFile: path=") + path);
    ShopInfoFiles::WritePlain(path, &serializerPrepare, *this);
}

void TShopInfo::deleteShopFile(const QString& lbl, const QString& path)
{
    ShopInfoFiles::DeleteShopFile(lbl, path);
}

double TShopInfo::TSmake()
{
    const QDateTime now = QDateTime::currentDateTime();
    return double(QDate(1899, 12, 30).daysTo(now.date())) + double(now.time().msecsSinceStartOfDay()) / 86400000.0;
}

// ------------------------------------------------------------------- parts

std::shared_ptr<TShopCommonInfo> TShopInfo::CommonRef() const
{
    std::lock_guard lk(fPartsSync);
    if (!fCommon)
        throw ETaskNotReady(QStringLiteral("Common shop info not ready"));
    return fCommon;
}

std::shared_ptr<TShopProdPrintInfo> TShopInfo::ProdPrintRef() const
{
    std::lock_guard lk(fPartsSync);
    if (!fProdPrint)
        throw ETaskNotReady(QStringLiteral("Prints shop info not ready"));
    return fProdPrint;
}

std::shared_ptr<TShopProdTplInfo> TShopInfo::ProdTplRef() const
{
    std::lock_guard lk(fPartsSync);
    if (!fProdTpl)
        throw ETaskNotReady(QStringLiteral("Cards/calendar/photo products shop info not ready"));
    return fProdTpl;
}

std::shared_ptr<TShopProdBookInfo> TShopInfo::ProdBookRef() const
{
    std::lock_guard lk(fPartsSync);
    if (!fProdBook)
        throw ETaskNotReady(QStringLiteral("Books shop info not ready"));
    return fProdBook;
}

bool TShopInfo::CommonLoaded() const
{
    std::lock_guard lk(fPartsSync);
    return fCommon != nullptr;
}

bool TShopInfo::ProdPrintLoaded() const
{
    std::lock_guard lk(fPartsSync);
    return fProdPrint != nullptr;
}

bool TShopInfo::ProdTplLoaded() const
{
    std::lock_guard lk(fPartsSync);
    return fProdTpl != nullptr;
}

bool TShopInfo::ProdBookLoaded() const
{
    std::lock_guard lk(fPartsSync);
    return fProdBook != nullptr;
}

bool TShopInfo::hasProducts() const
{
    std::lock_guard lk(fPartsSync);
    return (fProdPrint && fProdPrint->hasPrints()) || (fProdBook && fProdBook->hasBooks())
        || (fProdTpl && fProdTpl->hasProducts());
}

void TShopInfo::CommonLoadAsk(IMainFrame*)
{
    fTScommon = TSmake();
}

void TShopInfo::ProdPrintLoadAsk(IMainFrame* main)
{
    fTSprodPrintInfo = TSmake();
    deleteShopFile(QStringLiteral("ProdPrintLoadAsk"), main->Config()->GetShopInfoProdPrintPath());
}

void TShopInfo::ProdTplLoadAsk(IMainFrame* main)
{
    fTSprodTplInfo = TSmake();
    deleteShopFile(QStringLiteral("ProdTplLoadAsk"), main->Config()->GetShopInfoProdTplPath());
}

void TShopInfo::ProdBookLoadAsk(IMainFrame* main)
{
    fTSprodBookInfo = TSmake();
    deleteShopFile(QStringLiteral("ProdBookLoadAsk"), main->Config()->GetShopInfoProdBookPath());
}

template <class T>
void TShopInfo::install(std::shared_ptr<T>& slot, std::unique_ptr<T> part)
{
    std::shared_ptr<T> shared(std::move(part));
    // The previous part goes on the main thread with the swap; a worker
    // still holding it keeps its own reference.
    TThreadTaskQueueWithoutThread::MainThreadSynchro([&] {
        std::shared_ptr<T> old;
        {
            std::lock_guard lk(fPartsSync);
            old = std::move(slot);
            slot = shared;
        }
    });
}

void TShopInfo::CommonLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl)
{
    const QString lbl = QStringLiteral("TShopInfo.Common");
    try {
        TConfigInfo* cfg = main->Config();
        std::unique_ptr<TShopCommonInfo> part = TShopCommonInfo::TryLoadCreate(cfg);
        bool fetch = !part;
        if (!part)
            part = std::make_unique<TShopCommonInfo>();
        else if (part->Stamp() != fTScommon) {
            LogDebug(QStringLiteral("TShopInfo.CommonLoad: timestamp invalid -> to reload"));
            fetch = true;
        }
        if (fetch) {
            part->SetStamp(fTScommon);
            part->loadInfoFromWebSvc(main, ctrl);
            part->SetDirty();
            part->Save(cfg);
        }
        install(fCommon, std::move(part));
        main->setProductVisibility(pvt_common, pvm_visible);
    } catch (const std::exception& e) {
        loadErrorProcess(main, lbl, kKindCommon, e);
        throw;
    }
}

void TShopInfo::ProdPrintLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl)
{
    try {
        TConfigInfo* cfg = main->Config();
        std::unique_ptr<TShopProdPrintInfo> part = TShopProdPrintInfo::TryLoadCreate(cfg, fTSprodPrintInfo);
        if (!part) {
            part = std::make_unique<TShopProdPrintInfo>();
            part->SetStamp(fTSprodPrintInfo);
            part->loadInfoFromWebSvc(main, *CommonRef(), ctrl);
            part->SetDirty();
            part->Save(cfg);
        }
        const bool has = part->hasPrints();
        install(fProdPrint, std::move(part));
        main->setProductVisibility(pvt_print, has ? pvm_visible : pvm_hidden);
    } catch (const std::exception& e) {
        if (!loadErrorProcess(main, QStringLiteral("TShopInfo.ProdPrint"), kKindPrint, e))
            throw;
    }
}

void TShopInfo::ProdTplLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl, bool& bLoadScrapData)
{
    try {
        TConfigInfo* cfg = main->Config();
        std::unique_ptr<TShopProdTplInfo> part = TShopProdTplInfo::TryLoadCreate(cfg, fTSprodTplInfo);
        if (!part) {
            part = std::make_unique<TShopProdTplInfo>();
            part->SetStamp(fTSprodTplInfo);
            part->loadInfoFromWebSvc(main, *CommonRef(), ctrl);
            part->SetDirty();
            part->Save(cfg);
        }
        if (part->hasProducts())
            bLoadScrapData = true;
        const bool cards = part->hasCards(), photo = part->hasPhotoprod(), cal = part->hasCalendars();
        install(fProdTpl, std::move(part));
        main->setProductVisibility(pvt_card, cards ? pvm_visible : pvm_hidden);
        main->setProductVisibility(pvt_photoprod, photo ? pvm_visible : pvm_hidden);
        main->setProductVisibility(pvt_calendar, cal ? pvm_visible : pvm_hidden);
    } catch (const std::exception& e) {
        if (!loadErrorProcess(main, QStringLiteral("TShopInfo.ProdTpl"), kKindTpl, e))
            throw;
    }
}

void TShopInfo::ProdBookLoadForce(IMainFrame* main, IShopLoadCtrl* ctrl, bool& bLoadScrapData)
{
    try {
        TConfigInfo* cfg = main->Config();
        std::unique_ptr<TShopProdBookInfo> part = TShopProdBookInfo::TryLoadCreate(cfg, fTSprodBookInfo);
        if (!part) {
            part = std::make_unique<TShopProdBookInfo>();
            part->SetStamp(fTSprodBookInfo);
            part->loadInfoFromWebSvc(main, *CommonRef(), ctrl, bLoadScrapData);
            part->SetDirty();
            part->Save(cfg);
        }
        const bool has = part->hasBooks();
        if (has)
            bLoadScrapData = true;
        install(fProdBook, std::move(part));
        main->setProductVisibility(pvt_book, has ? pvm_visible : pvm_hidden);
    } catch (const std::exception& e) {
        if (!loadErrorProcess(main, QStringLiteral("TShopInfo.ProdBook"), kKindBook, e))
            throw;
    }
}

bool TShopInfo::loadErrorProcess(IMainFrame* main, const QString& lbl, int kind, const std::exception& ex)
{
    if (dynamic_cast<const ECancel*>(&ex)) {
        LogDebug(lbl + QStringLiteral(": load cancelled"));
        return false;
    }
    if (dynamic_cast<const ETaskRetry*>(&ex)) {
        LogError(lbl + QStringLiteral(": load to retry"));
        return false;
    }
    LogError(lbl + QStringLiteral(": load error"), ex);
    try {
        const Zebconsumer2* c = fConsumer.get();
        auto fail = [&](TProductVisibilityType t, bool flag) {
            if (flag)
                main->setProductVisibility(t, pvm_error);
        };
        switch (kind) {
        case kKindCommon:
            fail(pvt_print, c && c->HasPrint());
            fail(pvt_card, c && c->HasCard());
            fail(pvt_photoprod, c && c->HasPhotoProduct());
            fail(pvt_calendar, c && c->HasCalendar());
            fail(pvt_book, c && c->HasBook());
            main->setProductVisibility(pvt_common, pvm_error);
            break;
        case kKindTpl:
            fail(pvt_card, c && c->HasCard());
            fail(pvt_photoprod, c && c->HasPhotoProduct());
            fail(pvt_calendar, c && c->HasCalendar());
            break;
        case kKindPrint:
            main->setProductVisibility(pvt_print, pvm_error);
            break;
        case kKindBook:
            main->setProductVisibility(pvt_book, pvm_error);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        LogError(lbl + QStringLiteral(": error on load error"), e);
    }
    return true;
}

// ---------------------------------------------------------- background load

void TShopInfo::productInfoLoad(IMainFrame* main)
{
    if (fProdTask)
        return;
    const Zebconsumer2* c = fConsumer.get();
    auto family = [&](TProductVisibilityType t, bool flag) {
        main->setProductVisibility(t, flag ? pvm_loading : pvm_hidden);
    };
    main->setProductVisibility(pvt_common, pvm_loading);
    family(pvt_print, c && c->HasPrint());
    family(pvt_card, c && c->HasCard());
    family(pvt_photoprod, c && c->HasPhotoProduct());
    family(pvt_calendar, c && c->HasCalendar());
    family(pvt_book, c && c->HasBook());
    main->setProductVisibility(pvt_all, pvm_loading);
    fProdTask = main->WebSvcAddCall([this, main] { productInfoLoadAsync(workerMain(main)); });
}

void TShopInfo::productInfoLoadCancel()
{
    if (!fProdTask)
        return;
    try {
        fProdTask->CancelAsk(ttwm_wait);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TShopInfo.productInfoLoadCancel"), e);
    }
    fProdTask.reset();
}

void TShopInfo::productInfoLoadAsync(IMainFrame* main)
{
    const Zebconsumer2* boot = fConsumer.get();
    if (!boot)
        throw Exception(QStringLiteral("TShopInfo.productInfoLoadAsync: no consumer"));
    bool loadScrap = false;
    CommonLoadForce(main, nullptr);
    if (boot->HasPrint()) {
        TThreadTaskQueueWithoutThread::CheckCancel();
        ProdPrintLoadForce(main, nullptr);
        TThreadTaskQueueWithoutThread::CheckCancel();
        try {
            loadFrontPrint(main);
        } catch (const ECancel&) {
            throw;
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TShopInfo.productInfoLoadAsync / loadFrontPrint"), e);
        }
    }
    if (boot->HasBook()) {
        TThreadTaskQueueWithoutThread::CheckCancel();
        ProdBookLoadForce(main, nullptr, loadScrap);
    }
    if (boot->HasCard() || boot->HasPhotoProduct() || boot->HasCalendar()) {
        TThreadTaskQueueWithoutThread::CheckCancel();
        ProdTplLoadForce(main, nullptr, loadScrap);
    }
    if (main->IsOnline()) {
        try {
            loadVisualsDatas(main, nullptr);
            if (loadScrap)
                loadScrapDatas(main, nullptr);
        } catch (const ECancel&) {
            throw;
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TShopInfo.productInfoLoadAsync / load visuals"), e);
        }
    }
    main->setProductVisibility(pvt_all, pvm_visible);
}

void TShopInfo::loadVisualsDatas(IMainFrame* main, IShopLoadCtrl* ctrl)
{
    static TLangText& txtLoading = TLangText::Create(QStringLiteral("Loading visuals images..."));
    static TLangText& txtUpdating = TLangText::Create(QStringLiteral("Updating visuals images : %0:d / %1:d"));
    if (ctrl)
        ctrl->status(txtLoading.Text());
    QMap<qint32, QString> dict;
    auto add = [&](qint32 id, const QString& md5) {
        if (id > 0 && !dict.contains(id))
            dict.insert(id, md5);
    };
    auto addPicture = [&](const Vignette2* v) {
        if (v)
            add(v->VignetteId(), v->MD5());
    };
    std::shared_ptr<TShopProdTplInfo> tpl;
    {
        std::lock_guard lk(fPartsSync);
        tpl = fProdTpl;
    }
    if (tpl) {
        if (tpl->TemplatesVelmoraList())
            for (ZebtemplateVelmora2* t : *tpl->TemplatesVelmoraList()) {
                add(t->RectoSDid(), t->RectoSDmd5());
                add(t->VersoSDid(), t->VersoSDmd5());
            }
        if (tpl->CalendarList())
            for (TemplateCalendrier2* c : *tpl->CalendarList()) {
                for (const auto& img : c->Images())
                    if (img)
                        addPicture(img->PictIdSD().get());
                addPicture(c->VisuelImage().get());
            }
    }
    std::unique_ptr<TVisualsInfosList> list = TVisualsInfosList::LoadFromXmlFile(main);
    if (!list)
        list = std::make_unique<TVisualsInfosList>();
    try {
        refreshPictureCache(
            main, ctrl, dict, *list,
            [&](qint32 id) {
                std::unique_ptr<Vignette2> v = main->GetWebSvcLum()->GetVignette(main->GetWebSvcAsker(), id);
                return v ? v->Image() : QByteArray();
            },
            20, 20, txtUpdating);
    } catch (...) {
        list->SaveToXmlFile(main);
        throw;
    }
    list->SaveToXmlFile(main);
}

void TShopInfo::loadScrapDatas(IMainFrame* main, IShopLoadCtrl* ctrl)
{
    static TLangText& txtLoading = TLangText::Create(QStringLiteral("Loading decorating images..."));
    static TLangText& txtUpdating = TLangText::Create(QStringLiteral("Updating decorating images : %0:d / %1:d"));
    if (ctrl)
        ctrl->status(txtLoading.Text());
    const ILumLabServiceRef lab = main->GetWebSvcLum();
    QMap<QString, QString> dict;
    for (const auto& kv : lab->GetVignettesDecoMD5(main->GetWebSvcAsker(), QStringList()))
        if (kv && !dict.contains(kv->Key()))
            dict.insert(kv->Key(), kv->Value());
    std::unique_ptr<TScrapInfosList> list = TScrapInfosList::LoadFromXmlFile(main);
    if (!list)
        list = std::make_unique<TScrapInfosList>();
    try {
        refreshPictureCache(
            main, ctrl, dict, *list,
            [&](const QString& name) {
                std::unique_ptr<VignetteDeco2> v = lab->GetVignetteDeco(main->GetWebSvcAsker(), name);
                return v ? v->Image() : QByteArray();
            },
            10, 0, txtUpdating);
        try {
            list->SetBorderList(ShopListFrom<TOwnerList<ScrapFrame2>>(lab->GetScrapFrames(main->GetWebSvcAsker())));
            list->SetDirty();
        } catch (const ECancel&) {
            throw;
        } catch (const std::exception& e) {
            LogDebug(QStringLiteral("WebSvc ScrapFrames not supported"), e);
        }
    } catch (...) {
        list->SaveToXmlFile(main);
        throw;
    }
    list->SaveToXmlFile(main);
}

void TShopInfo::loadFrontPrint(IMainFrame* main)
{
    TConfigInfo* cfg = main->Config();
    const QString paths[] = { cfg->CalcFrontPrintImgWithDate(), cfg->CalcFrontPrintImgWithDateTime(),
                              cfg->CalcFrontPrintImgWithoutDate() };
    if (!main->GetWebSvcFrontPrintActivated()) {
        LogDebug(QStringLiteral("Front print: not activated - delete images if exists"));
        for (const QString& p : paths)
            deleteShopFile(QStringLiteral("loadFrontPrint"), p);
        return;
    }
    bool missing = false;
    for (const QString& p : paths)
        missing = missing || !QFileInfo::exists(p);
    if (!missing)
        return;
    try {
        LogDebug(QStringLiteral("Front print: downloading images"));
        std::unique_ptr<FrontPrintDateTime2> fp
            = main->GetWebSvcLum()->GetPhotographerFrontPrint(main->GetWebSvcAsker(), fConsumer->PhotographeId());
        if (!fp)
            throw Exception(QStringLiteral("TShopInfo.loadFrontPrint: no front print pictures"));
        const Vignette2* pictures[] = { fp->ImgWithDate().get(), fp->ImgWithDateTime().get(),
                                        fp->ImgWithoutDate().get() };
        for (int i = 0; i < 3; ++i)
            TAppTools::WriteByteArrayToFile(pictures[i] ? pictures[i]->Image() : QByteArray(), paths[i]);
        LogDebug(QStringLiteral("Front print: download completed"));
        main->EventObservedRaise(TMainObservedEvent(kMoeFrontPrint), nullptr);
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TShopInfo.loadFrontPrint"), e);
    }
}

// ------------------------------------------------------------ frame details

bool TShopInfo::LoadTemplateVelmoraInfo(int themeId, int tplWidth, int tplHeight, IMainFrame* main)
{
    const int sizeMin = std::min(tplWidth, tplHeight), sizeMax = std::max(tplWidth, tplHeight);
    if (fTplInfo && fTplInfo->HasKey(themeId, sizeMin, sizeMax))
        return true;
    if (fTplInfoTask && fTplInfoTask->IsWaitingForExec() && !fTplInfoTask->IsDone()) {
        if (fTplInfoThemeIdLoading == themeId && fTplInfoTplSizeMinLoading == sizeMin
            && fTplInfoTplSizeMaxLoading == sizeMax)
            return false;
        fTplInfoTask->CancelAsk(ttwm_wait);
        fTplInfoTask.reset();
    }
    fTplInfo.reset();
    fTplInfoThemeIdLoading = themeId;
    fTplInfoTplSizeMinLoading = sizeMin;
    fTplInfoTplSizeMaxLoading = sizeMax;
    fTplInfoTask = main->WebSvcAddCall(
        [this, main, themeId, sizeMin, sizeMax] { loadTemplateVelmoraInfoAsync(workerMain(main), themeId, sizeMin, sizeMax); });
    return false;
}

void TShopInfo::loadTemplateVelmoraInfoAsync(IMainFrame* main, int themeId, int sizeMin, int sizeMax)
{
    bool locked = false;
    try {
        main->GuiWaitLock();
        locked = true;
        TConfigInfo* cfg = main->Config();
        std::unique_ptr<TShopTplInfo> set = TShopTplInfo::TryLoadCreate(cfg, themeId, sizeMin, sizeMax, fTSprodTplInfo);
        if (!set) {
            set = std::make_unique<TShopTplInfo>(themeId, sizeMin, sizeMax, fTSprodTplInfo);
            set->SetZebtemplatesVelmoraString(
                main->GetWebSvcLum()->GetZebtemplatesVelmoraFrames(main->GetWebSvcAsker(), themeId, sizeMin, sizeMax));
            set->Save(cfg);
        }
        TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { fTplInfo = std::move(set); });
        main->EventObservedRaise(TMainObservedEvent(kMoeTemplateVelmoraInfoLoaded), nullptr);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TShopInfo.loadTemplateVelmoraInfoAsync"), e);
    }
    if (locked) {
        try {
            main->GuiWaitUnlock();
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("TShopInfo.loadTemplateVelmoraInfoAsync"), e);
        }
    }
}

ZebtemplateVelmoraFrameInfo* TShopInfo::GetTemplateVelmoraInfo(const ZebtemplateVelmora2* tpl)
{
    if (!tpl || !fTplInfo)
        return nullptr;
    // A set answers only for its own theme and paper size: a template of
    // another size is "not ready" until its own set is loaded, never an
    // empty record that would lose its frames.
    const int sizeMin = std::min(tpl->LargeurPapier(), tpl->HauteurPapier());
    const int sizeMax = std::max(tpl->LargeurPapier(), tpl->HauteurPapier());
    const bool anySize = fTplInfo->TplSizeMin() <= 0 && fTplInfo->TplSizeMax() <= 0; // a set of every size
    if (fTplInfo->ThemeId() != TShopTplInfo::ThemeIdFrom(tpl)
        || (!anySize && !fTplInfo->HasKey(fTplInfo->ThemeId(), sizeMin, sizeMax)))
        return nullptr;
    if (ZebtemplateVelmoraFrameInfo* r = fTplInfo->findById(tpl->Id()))
        return r;
    if (!fTplInfoEmpty)
        fTplInfoEmpty = std::make_unique<ZebtemplateVelmoraFrameInfo>();
    return fTplInfoEmpty.get();
}

// ------------------------------------------------------------- sizes, names

QSizeF TShopInfo::BitmapSizeMmToPixelCalc(int dpi, double rate, QSizeF sizeInMm, int* pdpi, bool bGpuLimit,
                                          quint32 maxSize)
{
    if (dpi <= 0)
        throw Exception(QStringLiteral("TShopInfo.BitmapSizeMmToPixel: invalid print resolution %1 dpi").arg(dpi));
    float w = float(double(dpi) * sizeInMm.width() / 25.4);
    float h = float(double(dpi) * sizeInMm.height() / 25.4);
    int effDpi = dpi;
    if (rate != 1.0) {
        const float r = float(rate);
        w *= r;
        h *= r;
        effDpi = roundEven(double(dpi) * r);
    }
    if (w < 50 && h < 50) {
        // The smallest size of the print's proportions that holds 50 x 50.
        float rw = 50, rh = 50;
        TImageTools::AspectRatioSizeCoerceMinF(rw, rh, float(sizeInMm.width()), float(sizeInMm.height()));
        if (pdpi)
            *pdpi = w > 0 ? roundEven(double(effDpi) * rw / w) : effDpi;
        return QSizeF(rw, rh);
    }
    if (pdpi)
        *pdpi = effDpi;
    if (bGpuLimit && (w > float(maxSize) || h > float(maxSize))) {
        // The largest size of the print's proportions inside the limit.
        float rw = float(maxSize), rh = float(maxSize);
        TImageTools::AspectRatioSizeCoerceF(rw, rh, float(sizeInMm.width()), float(sizeInMm.height()));
        if (pdpi)
            *pdpi = roundEven(double(effDpi) * rw / w);
        return QSizeF(rw, rh);
    }
    return QSizeF(w, h);
}

QSizeF TShopInfo::BitmapSizeMmToPixel(IMainFrame* main, int channelId, QSizeF sizeInMm, int* pdpi, bool bGpuLimit)
{
    const Photographe2* phot = main->GetWebSvcPhotographer();
    if (!phot)
        throw ETaskNotReady(QStringLiteral("Common shop info not ready"));
    double rate = 1.0;
    if (channelId != 0) {
        TChannelList* channels = main->GetWebSvcChannels();
        Channel2* ch = channels ? channels->byId(channelId) : nullptr;
        if (!ch)
            throw Exception(QStringLiteral("Channel not found"));
        rate = double(float(ch->TauxReduction() / 100.0));
    }
    return BitmapSizeMmToPixelCalc(phot->ResolutionDpi(), rate, sizeInMm, pdpi, bGpuLimit,
                                   bGpuLimit ? main->MaxBitmapSizeSupported() : 0);
}

int TShopInfo::kioskIdGet(const QString& prenom)
{
    bool ok = false;
    const int id = prenom.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("Internal problem: Kiosk ID invalid %1").arg(prenom));
    return id;
}

QString TShopInfo::FormaterNomRepertoire(quint32 num, int naming, int kioskId, const QString& computerName,
                                         const QDate& date)
{
    switch (naming & 0xFF) {
    case 0:
        return QStringLiteral("%1-%2-%3")
            .arg(num, 5, 10, QLatin1Char('0'))
            .arg(QString(computerName).replace(QLatin1Char('-'), QLatin1Char('_')), date.toString(QStringLiteral("yyMMdd")));
    case 1:
        if (num > 999)
            throw Exception(QStringLiteral("Internal problem: Order ID invalid %1").arg(num));
        return QStringLiteral("o%1%2%3")
            .arg(kioskId, 2, 10, QLatin1Char('0'))
            .arg(0, 2, 10, QLatin1Char('0'))
            .arg(num, 3, 10, QLatin1Char('0'));
    default:
        throw Exception(QStringLiteral("TShopInfo.FormaterNomRepertoire: unexpected case"));
    }
}

QString TShopInfo::GetLastNextNumCmd(IMainFrame* main, const QString& ordersRoot)
{
    const Photographe2* phot = main->GetWebSvcPhotographer();
    if (!phot)
        throw ETaskNotReady(QStringLiteral("Common shop info not ready"));
    const int naming = phot->KioskOrderNaming() & 0xFF;
    const int kioskId = naming == 1 ? kioskIdGet(main->GetWebSvcConsumerFull()->Prenom()) : 0;
    const QString computer = naming == 0 ? TAppTools::ComputerName() : QString();
    const QString ready = QDir(ordersRoot).filePath(QStringLiteral("Ready"));
    const QString archive = QDir(ordersRoot).filePath(QStringLiteral("Archive"));
    const QString direct = QDir(ordersRoot).filePath(QStringLiteral("Direct"));
    const quint32 max = naming != 0 ? 999 : 99999;
    QString r, a, d;
    for (quint32 i = 0; i <= max; ++i) {
        ++fLastNumCmdUsed;
        if (fLastNumCmdUsed >= max)
            fLastNumCmdUsed = 1;
        const QString name = FormaterNomRepertoire(fLastNumCmdUsed, naming, kioskId, computer, QDate::currentDate());
        r = QDir(ready).filePath(name);
        a = QDir(archive).filePath(name);
        d = QDir(direct).filePath(name);
        if (!QFileInfo(r).isDir() && !QFileInfo(a).isDir() && !QFileInfo(d).isDir())
            return name;
    }
    LogDebug(QStringLiteral("TShopInfo.GetLastNextNumCmd: ready=%1, archive=%2, direct=%3 -> r=%4, a=%5, d=%6")
                 .arg(ready, archive, direct, r, a, d));
    throw Exception(QStringLiteral("Too many orders stored in archive, direct and ready folders"));
}
