#pragma once
// Records of the lab's history of past orders: the short summary of an order
// of a consumer account (HistoConsoCommande2, the one the kiosk reads), and
// the detailed history entry of an order of a store with its lines and the
// details of a photo-book or template order.
#include "ULabContracts.h"

#define KIOSK_MEMBERS_HistoConsoCommande2(M)               \
    M(qint32, ConsommateurId, Opt())                       \
    M(qint32, CoutEnPacks, Opt())                          \
    M(std::optional<TXSDateTime>, DateCommande, Opt())     \
    M(double, FraisDePortEuros, Opt())                     \
    M(qint32, FraisDePortPack, Opt())                      \
    M(double, FraisDePriseEnCharge, Opt())                 \
    M(qint32, Id, Opt())                                   \
    M(double, Montant, Opt())                              \
    M(QString, Numero, Nil())                              \
    M(QString, Reference, Nil())                           \
    M(HistoConsoCommande_StatutCommande, Statut, Opt())    \
    M(QString, StatutPaiement, Nil())

// One past order of a consumer account.
class HistoConsoCommande2 : public TRemotable {
    KIOSK_RECORD(HistoConsoCommande2, TRemotable, KIOSK_MEMBERS_HistoConsoCommande2)
};
class HistoConsoCommande : public HistoConsoCommande2 {
    KIOSK_ELEMENT_CLASS(HistoConsoCommande, HistoConsoCommande2)
};

#define KIOSK_MEMBERS_HistoCommandeDetailAlbum2(M)                \
    M(QString, AlbumModelDesc, Nil())                             \
    M(double, PU, Opt())                                          \
    M(double, PUPageSupplementaire, Opt())                        \
    M(qint32, QteAlbumsCommandes, Opt())                          \
    M(qint32, QteImagesCommande, Opt())                           \
    M(qint32, QtePagesSupplementaires, Opt())                     \
    M(CommandeAlbum_StatutCommandeAlbum, StatutAlbum, Opt())      \
    M(Tarif_TypeTarif, TypeTarif, Opt())

// Details of a photo-book order in the history.
class HistoCommandeDetailAlbum2 : public TRemotable {
    KIOSK_RECORD(HistoCommandeDetailAlbum2, TRemotable, KIOSK_MEMBERS_HistoCommandeDetailAlbum2)
};
class HistoCommandeDetailAlbum : public HistoCommandeDetailAlbum2 {
    KIOSK_ELEMENT_CLASS(HistoCommandeDetailAlbum, HistoCommandeDetailAlbum2)
};

#define KIOSK_MEMBERS_HistoCommandeDetailTemplate2(M)                   \
    M(bool, Calendrier, Opt())                                          \
    M(double, PU, Opt())                                                \
    M(qint32, QteImagesCommande, Opt())                                 \
    M(qint32, QteTemplatesCommandes, Opt())                             \
    M(CommandeTemplate_StatutCommandeTemplate, StatutTemplate, Opt())   \
    M(QString, TemplateModelDesc, Nil())                                \
    M(Tarif_TypeTarif, TypeTarif, Opt())

// Details of a template order in the history.
class HistoCommandeDetailTemplate2 : public TRemotable {
    KIOSK_RECORD(HistoCommandeDetailTemplate2, TRemotable, KIOSK_MEMBERS_HistoCommandeDetailTemplate2)
};
class HistoCommandeDetailTemplate : public HistoCommandeDetailTemplate2 {
    KIOSK_ELEMENT_CLASS(HistoCommandeDetailTemplate, HistoCommandeDetailTemplate2)
};

#define KIOSK_MEMBERS_HistoLigneDeCommande2(M) \
    M(QString, Image, Nil())                   \
    M(qint32, ImprimanteBorneId, Nil())        \
    M(QString, ImprimanteBorneLib, Nil())      \
    M(QString, NomTirage, Nil())               \
    M(qint32, Quantite, Opt())                 \
    M(qint32, UnitePacks, Opt())               \
    M(double, UnitePrix, Opt())

// One line of an order in the history.
class HistoLigneDeCommande2 : public TRemotable {
    KIOSK_RECORD(HistoLigneDeCommande2, TRemotable, KIOSK_MEMBERS_HistoLigneDeCommande2)
};
class HistoLigneDeCommande : public HistoLigneDeCommande2 {
    KIOSK_ELEMENT_CLASS(HistoLigneDeCommande, HistoLigneDeCommande2)
};

using HistoLigneDeCommande2List = std::vector<std::unique_ptr<HistoLigneDeCommande2>>;

#define KIOSK_MEMBERS_HistoCommande2(M)                                        \
    M(bool, Annulee, Opt())                                                    \
    M(bool, CmdForImprimanteBorne, Opt())                                      \
    M(QString, CmdLocalePath, Nil())                                           \
    M(bool, CommandeLocale, Opt())                                             \
    M(QString, Commentaire, Nil())                                             \
    M(qint32, ConsommateurId, Opt())                                           \
    M(qint32, CoutEnPacks, Opt())                                              \
    M(bool, Creee, Opt())                                                      \
    M(std::optional<TXSDateTime>, DateCommande, Opt())                         \
    M(double, FraisCD, Opt())                                                  \
    M(double, FraisDePortEuros, Opt())                                         \
    M(qint32, FraisDePortPack, Opt())                                          \
    M(double, FraisDePriseEnCharge, Opt())                                     \
    M(double, FraisExpress, Nil())                                             \
    M(double, FraisIndex, Opt())                                               \
    M(qint32, Id, Opt())                                                       \
    M(std::unique_ptr<HistoCommandeDetailAlbum2>, InfoCommandeAlbum, Nil())    \
    M(std::unique_ptr<HistoCommandeDetailTemplate2>, InfoCommandeTemplate, Nil()) \
    M(HistoLigneDeCommande2List, Lignes, Nil().Items("HistoLigneDeCommande"))  \
    M(double, Montant, Opt())                                                  \
    M(QString, NomBorne, Nil())                                                \
    M(QString, NomConsommateur, Nil())                                         \
    M(QString, Numero, Nil())                                                  \
    M(bool, Recue, Opt())                                                      \
    M(QString, Reference, Nil())                                               \
    M(qint32, SoldePacks, Opt())                                               \
    M(QString, StatutPaiement, Nil())                                          \
    M(bool, TirageDebut, Opt())                                                \
    M(bool, TirageFin, Opt())                                                  \
    M(Commande_TypeCommande, TypeCommande, Opt())

// The detailed history entry of an order of a store. Owns its details and
// its lines.
class HistoCommande2 : public TRemotable {
    KIOSK_RECORD(HistoCommande2, TRemotable, KIOSK_MEMBERS_HistoCommande2)
};
class HistoCommande : public HistoCommande2 {
    KIOSK_ELEMENT_CLASS(HistoCommande, HistoCommande2)
};

using HistoConsoCommande2List = std::vector<std::unique_ptr<HistoConsoCommande2>>;
using HistoCommande2List = std::vector<std::unique_ptr<HistoCommande2>>;
