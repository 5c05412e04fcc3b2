#pragma once
// The lab order file "order.xml": a snapshot of one sub-order (customer,
// delivery address, tariff type, the lab order record with its fees and
// the order lines) written by the object serializer in the lab's own
// data-contract layout, beside the pictures that are uploaded or stored
// with it.
#include "ULabOrderContracts.h"
#include "ULabPartyContracts.h"
#include "UXmlSerializer.h"

#include <memory>
#include <vector>

// The document of the lab order file. It refers to the order's records and
// owns none of them; only records read back from a file are its own.
class TPrintOrderSerial : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TPrintOrderSerial)
public:
    TPrintOrderSerial() = default;
    explicit TPrintOrderSerial(Commande_TypeCommande typeCommande) : fTypeCommande(typeCommande) { }
    ~TPrintOrderSerial() override;

    Commande_TypeCommande TypeCommande() const { return fTypeCommande; }
    void SetTypeCommande(Commande_TypeCommande v) { fTypeCommande = v; }
    Consommateur2* Consommateur() const { return fConsommateur; }
    void SetConsommateur(Consommateur2* v) { fConsommateur = v; }
    qint32 DelaiTirage() const { return fDelaiTirage; }
    void SetDelaiTirage(qint32 v) { fDelaiTirage = v; }
    Tarif_TypeTarif TypeTarif() const { return fTypeTarif; }
    void SetTypeTarif(Tarif_TypeTarif v) { fTypeTarif = v; }
    double PrixTotalCommande() const { return fPrixTotalCommande; }
    void SetPrixTotalCommande(double v) { fPrixTotalCommande = v; }
    Adresse2* AdresseLivraison() const { return fAdresseLivraison; }
    void SetAdresseLivraison(Adresse2* v) { fAdresseLivraison = v; }
    Commande2* Commande() const { return fCommande; }
    void SetCommande(Commande2* v) { fCommande = v; }
    CommandeTemplate2* CommandeTemplate() const { return fCommandeTemplate; }
    void SetCommandeTemplate(CommandeTemplate2* v) { fCommandeTemplate = v; }
    CommandeAlbum2* CommandeAlbum() const { return fCommandeAlbum; }
    void SetCommandeAlbum(CommandeAlbum2* v) { fCommandeAlbum = v; }
    const std::vector<LigneDeCommande2*>& ListLigneDeCommande() const { return FArrayOfLigneDeCommande; }
    void SetListLigneDeCommande(std::vector<LigneDeCommande2*> v) { FArrayOfLigneDeCommande = std::move(v); }

    // Records read from a file belong to the snapshot.
    void Adopt(std::unique_ptr<TRemotable> record);

private:
    Commande_TypeCommande fTypeCommande = Commande_TypeCommande::Undef;
    Consommateur2* fConsommateur = nullptr;
    qint32 fDelaiTirage = 0;
    Tarif_TypeTarif fTypeTarif = Tarif_TypeTarif::Undef;
    double fPrixTotalCommande = 0.0;
    Adresse2* fAdresseLivraison = nullptr;
    Commande2* fCommande = nullptr;
    CommandeTemplate2* fCommandeTemplate = nullptr;
    CommandeAlbum2* fCommandeAlbum = nullptr;
    std::vector<LigneDeCommande2*> FArrayOfLigneDeCommande;
    std::vector<std::unique_ptr<TRemotable>> fOwned;
};
