#include "ULabOrderFile.h"

#include "UConfig.h"
#include "UDebug.h"
#include "UOrderFiles.h"
#include "UPrintOrder.h"

#include <QDir>
#include <cmath>

namespace {

template <class T>
std::function<bool(const TPrintOrderSerial&)> isSet(T* (TPrintOrderSerial::*get)() const)
{
    return [get](const TPrintOrderSerial& s) { return (s.*get)() != nullptr; };
}

} // namespace

KIOSK_SERIALIZABLE_DESCRIBE(
    TPrintOrderSerial, TXMLSerializable,
    b.Property<Commande_TypeCommande>("TypeCommande", [](const TPrintOrderSerial& s) { return s.TypeCommande(); },
                                      [](TPrintOrderSerial& s, Commande_TypeCommande v) { s.SetTypeCommande(v); },
                                      nullptr);
    b.Property<std::unique_ptr<Consommateur2>>(
        "Consommateur", [](const TPrintOrderSerial& s) { return s.Consommateur(); },
        [](TPrintOrderSerial& s, std::unique_ptr<Consommateur2> v) {
            s.SetConsommateur(v.get());
            s.Adopt(std::move(v));
        },
        isSet(&TPrintOrderSerial::Consommateur));
    b.Property<qint32>("DelaiTirage", [](const TPrintOrderSerial& s) { return s.DelaiTirage(); },
                       [](TPrintOrderSerial& s, qint32 v) { s.SetDelaiTirage(v); }, nullptr);
    b.Property<Tarif_TypeTarif>("TypeTarif", [](const TPrintOrderSerial& s) { return s.TypeTarif(); },
                                [](TPrintOrderSerial& s, Tarif_TypeTarif v) { s.SetTypeTarif(v); }, nullptr);
    b.Property<double>("PrixTotalCommande", [](const TPrintOrderSerial& s) { return s.PrixTotalCommande(); },
                       [](TPrintOrderSerial& s, double v) { s.SetPrixTotalCommande(v); }, nullptr);
    b.Property<std::unique_ptr<Adresse2>>(
        "AdresseLivraison", [](const TPrintOrderSerial& s) { return s.AdresseLivraison(); },
        [](TPrintOrderSerial& s, std::unique_ptr<Adresse2> v) {
            s.SetAdresseLivraison(v.get());
            s.Adopt(std::move(v));
        },
        isSet(&TPrintOrderSerial::AdresseLivraison));
    b.Property<std::unique_ptr<Commande2>>(
        "Commande", [](const TPrintOrderSerial& s) { return s.Commande(); },
        [](TPrintOrderSerial& s, std::unique_ptr<Commande2> v) {
            s.SetCommande(v.get());
            s.Adopt(std::move(v));
        },
        isSet(&TPrintOrderSerial::Commande));
    b.Property<std::unique_ptr<CommandeTemplate2>>(
        "CommandeTemplate", [](const TPrintOrderSerial& s) { return s.CommandeTemplate(); },
        [](TPrintOrderSerial& s, std::unique_ptr<CommandeTemplate2> v) {
            s.SetCommandeTemplate(v.get());
            s.Adopt(std::move(v));
        },
        isSet(&TPrintOrderSerial::CommandeTemplate));
    b.Property<std::unique_ptr<CommandeAlbum2>>(
        "CommandeAlbum", [](const TPrintOrderSerial& s) { return s.CommandeAlbum(); },
        [](TPrintOrderSerial& s, std::unique_ptr<CommandeAlbum2> v) {
            s.SetCommandeAlbum(v.get());
            s.Adopt(std::move(v));
        },
        isSet(&TPrintOrderSerial::CommandeAlbum));
    b.Property<std::vector<std::unique_ptr<LigneDeCommande2>>>(
        "ListLigneDeCommande", [](const TPrintOrderSerial& s) { return s.ListLigneDeCommande(); },
        [](TPrintOrderSerial& s, std::vector<std::unique_ptr<LigneDeCommande2>> v) {
            std::vector<LigneDeCommande2*> lines;
            for (auto& line : v) {
                lines.push_back(line.get());
                s.Adopt(std::move(line));
            }
            s.SetListLigneDeCommande(std::move(lines));
        },
        nullptr);)

TPrintOrderSerial::~TPrintOrderSerial() = default;

void TPrintOrderSerial::Adopt(std::unique_ptr<TRemotable> record)
{
    if (record)
        fOwned.push_back(std::move(record));
}

// ------------------------------------------------------------ TPrintOrder

QString TPrintOrder::GenerateLabOrderFile(IMainFrame* main, bool firstProductSent)
{
    if (!fLabOrder)
        throw Exception(QStringLiteral("TPrintOrder.GenerateLabOrderFile: no lab order built"));
    Consommateur2* consumer = main->GetWebSvcConsumerFull();
    const Tarif_TypeTarif tariff = consumer ? consumer->TypeTarif() : Tarif_TypeTarif::Undef;
    const bool packs = tariff == Tarif_TypeTarif::Packs;

    TPrintOrderSerial snapshot;
    snapshot.SetConsommateur(consumer);
    if (fPostalShipping)
        snapshot.SetAdresseLivraison(fPostalAddr);
    snapshot.SetTypeTarif(tariff);
    std::vector<LigneDeCommande2*> lines;
    for (LigneDeCommande2* line : *forderLines)
        lines.push_back(line);
    snapshot.SetListLigneDeCommande(std::move(lines));

    Commande2& cmd = *fLabOrder;
    if (auto* tpl = dynamic_cast<CommandeTemplate2*>(&cmd)) {
        snapshot.SetTypeCommande(Commande_TypeCommande::Templates);
        snapshot.SetCommandeTemplate(tpl);
    } else if (auto* album = dynamic_cast<CommandeAlbum2*>(&cmd)) {
        // The record already holds the book's page records (it owns them).
        snapshot.SetTypeCommande(Commande_TypeCommande::Albums);
        snapshot.SetCommandeAlbum(album);
    } else {
        snapshot.SetTypeCommande(Commande_TypeCommande::Tirages);
        snapshot.SetCommande(&cmd);
    }

    // The order-level fees travel once per send, on its first sub-order;
    // CD and index belong to the lab prints only.
    if (snapshot.TypeCommande() == Commande_TypeCommande::Tirages && !cmd.CmdForImprimanteBorne()) {
        Photographe2* photographer = main->GetWebSvcPhotographer();
        if (fCdWanted && photographer)
            cmd.setFraisCD(photographer->PrixCd());
        if (fIndexWanted && photographer)
            cmd.setFraisIndex(photographer->PrixIndex());
    }
    cmd.setCmdExpress(fCmdExpress);
    if (fCmdExpress)
        cmd.setCmdExpressFrais(firstProductSent ? LabOrderWire::MoneyToWire(getExpressFees()) : 0.0);
    if (fPostalShipping) {
        const Currency shipping = firstProductSent ? getShippingFees() : 0;
        if (packs)
            cmd.setFraisDePortPacks(qint32(std::nearbyint(double(shipping) / 10000.0)));
        else
            cmd.setFraisDePort(LabOrderWire::MoneyToWire(shipping));
    }
    cmd.setFraisDePriseEnCharge(firstProductSent ? LabOrderWire::MoneyToWire(getFDPCfees()) : 0.0);
    if (packs && consumer)
        cmd.setSoldePacks(consumer->SoldePacks());

    LogDebug(QStringLiteral("Lum order ready, preparing save..."));
    TXMLSerializer ser;
    ser.AddType = false;
    ser.XMLSettings().SetXMLRootId(QString());
    ser.StorageOptions = TxsStorageOptionTypes(soDotNetExport);
    TOrderFiles::RegisterClasses(ser);
    TOrderFiles::InstallSaveHook(ser);
    ser.SaveObject(&snapshot);
    const QString path = QDir(main->Config()->CalcTempPath()).filePath(QStringLiteral("order.xml"));
    LogDebugFmt(QStringLiteral("Saving order xml as file %s..."), { path });
    ser.SaveToFile(path);
    return path;
}
