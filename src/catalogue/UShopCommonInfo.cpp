#include "UShopCommonInfo.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "ULangText.h"
#include "UTools.h"
#include "UWebSvcConnection.h"

#include <QFile>
#include <algorithm>
#include <QFileInfo>

KIOSK_SERIALIZABLE_DESCRIBE(
    TShopCommonInfo, TXMLSerializable,
    ShopObjectProperty<Consommateur2>(b, "Consumer", &Self::fConsumer);
    ShopObjectProperty<Photographe2>(b, "Photographer", &Self::fPhotographer);
    b.Property<QString>("PhotographerCgu", [](const Self& s) { return s.fPhotographerCgu; },
                        [](Self& s, QString v) { s.fPhotographerCgu = v; }, nullptr);
    b.Property<QString>("PhotographerCgv", [](const Self& s) { return s.fPhotographerCgv; },
                        [](Self& s, QString v) { s.fPhotographerCgv = v; }, nullptr);
    b.Property<QString>("PhotographerPriceFilename", [](const Self& s) { return s.fPhotographerPriceFilename; },
                        [](Self& s, QString v) { s.fPhotographerPriceFilename = v; }, nullptr);
    b.Property<QString>("PhotographerPriceMD5", [](const Self& s) { return s.fPhotographerPriceMD5; },
                        [](Self& s, QString v) { s.fPhotographerPriceMD5 = v; }, nullptr);
    ShopObjectProperty<Adresse2>(b, "AddressPhotographer", &Self::fAddressPhotographer);
    ShopObjectProperty<Adresse2>(b, "AddressHome", &Self::fAddressHome);
    ShopObjectProperty<Adresse2>(b, "AddressInvoice", &Self::fAddressInvoice);
    ShopListProperty<Adresse2, TAdresseList>(b, "AddressesDelivery", &Self::fAddressesDelivery);
    ShopListProperty<Channel2, TChannelList>(b, "Channels", &Self::fChannels);
    b.Property<double>("TScommon", [](const Self& s) { return s.fStamp; }, [](Self& s, double v) { s.fStamp = v; },
                       nullptr);
    ShopObjectProperty<ConditionsKioskUse2>(b, "CondKioskUse", &Self::fCondKioskUse);
    b.Property<QString>("PhotographerLogoMD5", [](const Self& s) { return s.fPhotographerLogoMD5; },
                        [](Self& s, QString v) { s.fPhotographerLogoMD5 = v; }, nullptr);)

namespace {

const QString kClass = QStringLiteral("TShopCommonInfo");
const QString kDeleted = QStringLiteral("DELETED");

// Deletes a cached store file; a file that is not there is fine (it may
// never have been written, or been cleaned away): the new one is written
// anyway.
void removeIfPresent(const QString& path)
{
    if (!path.isEmpty() && QFileInfo::exists(path) && !QFile::remove(path))
        throw Exception(QStringLiteral("TShopCommonInfo: Can't delete file ") + path);
}

} // namespace

TShopCommonInfo::TShopCommonInfo() = default;
TShopCommonInfo::~TShopCommonInfo() = default;

void TShopCommonInfo::serializerPrepare(TXMLSerializer& ser)
{
    ser.ClassesOptions = scTonlyRegistered;
    ser.ClassRegister(TShopCommonInfo::StaticClassInfo(), QStringLiteral("ShopCommonInfo"));
    ser.ClassRegister(Photographe2::StaticClassInfo(), QStringLiteral("Photographer"));
    ser.ClassRegister(Consommateur2::StaticClassInfo(), QStringLiteral("Consumer"));
    ser.ClassRegister(Monnaie2::StaticClassInfo(), QStringLiteral("Currency"));
    ser.ClassRegister(Tarif2::StaticClassInfo(), QStringLiteral("Price"));
    ser.ClassRegister(Channel2::StaticClassInfo(), QStringLiteral("Channel"));
    ser.ClassRegister(Adresse2::StaticClassInfo(), QStringLiteral("Address"));
    ser.ClassRegister(ConditionsKioskUse2::StaticClassInfo(), QStringLiteral("ConditionsKioskUse"));
}

std::unique_ptr<TShopCommonInfo> TShopCommonInfo::TryLoadCreate(TConfigInfo* cfg)
{
    return LoadPart<TShopCommonInfo>(kClass, cfg->GetShopInfoCommonPath(), &serializerPrepare, nullptr);
}

void TShopCommonInfo::Save(TConfigInfo* cfg)
{
    SavePart(kClass, cfg->GetShopInfoCommonPath(), &serializerPrepare);
}

QString TShopCommonInfo::GetPhotographerPriceFilepath(TConfigInfo* cfg) const
{
    if (fPhotographerPriceFilename.isEmpty())
        return QString();
    const QString path = cfg->CalcFilePricePath(fPhotographerPriceFilename);
    return QFileInfo::exists(path) ? path : QString();
}

bool TShopCommonInfo::isKioskCommMode() const
{
    if (!fConsumer)
        return false;
    const char16_t mode = fConsumer->BorneModeCommunication();
    return mode == u'I' || mode == u'L' || mode == u'O';
}

float TShopCommonInfo::MaxBitmapSizeSupportedInMm(IMainFrame* main) const
{
    if (!fPhotographer)
        throw Exception(QStringLiteral("TShopCommonInfo.MaxBitmapSizeSupportedInMm: no photographer"));
    const qint32 dpi = fPhotographer->ResolutionDpi();
    if (dpi <= 0)
        throw Exception(QStringLiteral("TShopCommonInfo.MaxBitmapSizeSupportedInMm: resolution invalid"));
    const float pixelsPerMm = float(dpi) / 25.4f;
    return float(main->MaxBitmapSizeSupported()) / pixelsPerMm;
}

std::unique_ptr<TPrintTarifList> TShopCommonInfo::tarifFromFlatArray(std::vector<std::unique_ptr<Tarif2>> arr)
{
    auto lst = std::make_unique<TPrintTarifList>();
    for (auto& step : arr)
        if (step)
            lst->AddRow(step.release(), true);
    return lst;
}

std::vector<Tarif2*> TShopCommonInfo::tarifToFlatArray(const TPrintTarifList* lst)
{
    std::vector<Tarif2*> out;
    if (!lst)
        return out;
    QList<qint32> ids = lst->Keys();
    std::sort(ids.begin(), ids.end());
    for (qint32 id : ids)
        for (Tarif2* step : *lst->Items(id))
            out.push_back(step);
    return out;
}

void TShopCommonInfo::tirageWithoutPriceOrChannelRemove(TTirageList& tirageLst, const TPrintTarifList& tarifLst) const
{
    const bool kioskComm = isKioskCommMode();
    for (int i = 0; i < tirageLst.Count();) {
        const Tirage2* t = tirageLst[i];
        bool keep = true;
        if (!tarifLst.ContainsKey(t->Id())) {
            LogInfoFmt(QStringLiteral("shop info: print/tpl id %d without prices -> removed"), { t->Id() });
            keep = false;
        } else {
            const bool hasChannel = t->Channel() == 0
                ? t->ImprimanteBorneId() != 0
                : (fChannels && fChannels->findById(t->Channel()) != nullptr);
            if (!hasChannel) {
                LogInfoFmt(QStringLiteral("shop info: print/tpl id %d without channel -> removed"), { t->Id() });
                keep = false;
            } else if (t->ImprimanteBorneId() != 0 && !kioskComm) {
                keep = false;
            }
        }
        if (keep)
            ++i;
        else
            tirageLst.Delete(i);
    }
}

void TShopCommonInfo::loadInfoFromWebSvc(IMainFrame* main, IShopLoadCtrl* ctrl)
{
    static TLangText& txtLoginInvalid = TLangText::Create(QStringLiteral("Login is invalid"));
    static TLangText& txtPhotInvalid = TLangText::Create(QStringLiteral("Photographer attached to login is invalid"));
    static TLangText& txtCurrency = TLangText::Create(QStringLiteral("Currency invalid..."));
    static TLangText& txtAddresses = TLangText::Create(QStringLiteral("Loading addresses..."));
    static TLangText& txtChannels = TLangText::Create(QStringLiteral("Loading channels..."));
    static TLangText& txtNoChannel = TLangText::Create(QStringLiteral("No channel available"));

    const ILumLabServiceRef lab = main->GetWebSvcLum();
    const Demandeur2* asker = main->GetWebSvcAsker();
    TConfigInfo* cfg = main->Config();
    const QString ram = QStringLiteral("(ram: %1)");

    LogDebug(QStringLiteral("Connection: Loading consumer ") + ram.arg(ShopInfoFiles::RamText()));
    std::unique_ptr<Consommateur2> consumer = lab->GetConsumerByLogin(asker, main->GetWebSvcAskerClearLogin());
    if (!consumer)
        throw EUser(txtLoginInvalid);
    fConsumer = std::move(consumer);
    const qint32 photId = fConsumer->PhotographeId();

    LogDebug(QStringLiteral("Connection: Loading photographer ") + ram.arg(ShopInfoFiles::RamText()));
    std::unique_ptr<Photographe2> phot = lab->GetPhotographerById(asker, photId);
    if (!phot)
        throw EUser(txtPhotInvalid);
    bool frontChanged = true;
    if (fPhotographer) {
        LogDebug(QStringLiteral("Connection: Photographer previously saved"));
        frontChanged = false;
        const QString olds[] = { fPhotographer->FrontPrintWithDateMD5(), fPhotographer->FrontPrintWithDateTimeMD5(),
                                 fPhotographer->FrontPrintWithoutDateMD5() };
        const QString news[] = { phot->FrontPrintWithDateMD5(), phot->FrontPrintWithDateTimeMD5(),
                                 phot->FrontPrintWithoutDateMD5() };
        for (int i = 0; i < 3; ++i)
            frontChanged = frontChanged || olds[i] != news[i] || news[i] == kDeleted;
    } else {
        LogDebug(QStringLiteral("Connection: Photographer not previously saved"));
    }
    if (frontChanged) {
        LogDebug(QStringLiteral("Connection: Photographer front print pictures has changed : delete them"));
        for (const QString& p : { cfg->CalcFrontPrintImgWithDate(), cfg->CalcFrontPrintImgWithDateTime(),
                                  cfg->CalcFrontPrintImgWithoutDate() })
            ShopInfoFiles::DeleteShopFile(QStringLiteral("loadInfoFromWebSvc"), p);
    } else {
        LogDebug(QStringLiteral("Connection: Photographer front print pictures not changed"));
    }
    fPhotographer = std::move(phot);
    if (!fPhotographer->PhotMonnaie())
        throw EUser(txtCurrency);

    fPhotographerCgu = lab->GetConditionsGeneralesById(asker, photId);
    fPhotographerCgv = lab->GetConditionsVenteById(asker, photId);
    loadPriceFile(main, cfg, photId);
    loadLogo(main, cfg, photId);

    if (ctrl)
        ctrl->status(txtAddresses.Text());
    const qint32 addrId = fPhotographer->AdresseMagasinId();
    LogDebug(QStringLiteral("Connection: Photographer address id:%1 ").arg(addrId) + ram.arg(ShopInfoFiles::RamText()));
    fAddressPhotographer = addrId < 1 ? std::make_unique<Adresse2>() : lab->GetAddress(asker, addrId);
    fAddressHome = lab->GetAddress(asker, fConsumer->AdresseCouranteId());
    fAddressInvoice = fConsumer->AdresseFacturationId() != 0 ? lab->GetAddress(asker, fConsumer->AdresseFacturationId())
                                                             : nullptr;
    fAddressesDelivery = ShopListFrom<TAdresseList>(lab->GetConsumerShippingAddresses(asker, fConsumer->Id()));

    if (ctrl)
        ctrl->status(txtChannels.Text());
    LogDebug(QStringLiteral("Connection: Loading channels ") + ram.arg(ShopInfoFiles::RamText()));
    fChannels = ShopListFrom<TChannelList>(lab->GetChannels(asker, photId));
    if (fChannels->Count() == 0)
        throw EUser(txtNoChannel);

    fCondKioskUse.reset();
    if (isKioskCommMode()) {
        LogDebug(QStringLiteral("Connection: Loading kiosk use conditions ") + ram.arg(ShopInfoFiles::RamText()));
        try {
            fCondKioskUse = lab->GetConditionsKioskUse(asker, photId);
        } catch (const ECancel&) {
            throw;
        } catch (const std::exception& e) {
            LogError(QStringLiteral("Connection: Loading kiosk use conditions error"), e);
        }
    }
}

void TShopCommonInfo::loadPriceFile(IMainFrame* main, TConfigInfo* cfg, qint32 photId)
{
    try {
        const QString oldPath = fPhotographerPriceFilename.isEmpty()
            ? QString()
            : cfg->CalcFilePricePath(fPhotographerPriceFilename);
        const bool haveFile = !oldPath.isEmpty() && QFileInfo::exists(oldPath);
        const QString md5 = (fPhotographerPriceMD5.isEmpty() || !haveFile) ? kDeleted : fPhotographerPriceMD5;
        std::unique_ptr<Vignette2> v = main->GetWebSvcLum()->GetPhotographerPriceList(main->GetWebSvcAsker(), photId, md5);
        if (!v)
            return;
        fPhotographerPriceMD5.clear();
        removeIfPresent(oldPath);
        fPhotographerPriceFilename.clear();
        if (v->Image().isEmpty())
            return;
        TAppTools::WriteByteArrayToFile(v->Image(), cfg->CalcFilePricePath(v->Nom()));
        fPhotographerPriceMD5 = v->MD5();
        fPhotographerPriceFilename = v->Nom();
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception& e) {
        fPhotographerPriceMD5.clear();
        LogError(QStringLiteral("Connection: Loading price file error"), e);
    }
}

void TShopCommonInfo::loadLogo(IMainFrame* main, TConfigInfo* cfg, qint32 photId)
{
    try {
        const QString path = cfg->CalcLogoPath();
        const QString md5 = (fPhotographerLogoMD5.isEmpty() || !QFileInfo::exists(path)) ? kDeleted : fPhotographerLogoMD5;
        std::unique_ptr<Vignette2> v = main->GetWebSvcLum()->GetPhotographerLogo(main->GetWebSvcAsker(), photId, md5);
        if (!v)
            return;
        fPhotographerLogoMD5.clear();
        if (v->Image().isEmpty()) {
            removeIfPresent(path);
            return;
        }
        TAppTools::WriteByteArrayToFile(v->Image(), path);
        fPhotographerLogoMD5 = v->MD5();
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception& e) {
        fPhotographerLogoMD5.clear();
        LogError(QStringLiteral("Connection: Loading photographer logo error"), e);
    }
}
