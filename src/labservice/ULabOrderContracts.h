#pragma once
// Records with which the kiosk posts an order to the lab and with which the
// lab describes orders: the order header (Commande2) and its photo-book and
// template extensions, the order line, the page and frame records of a photo
// book, the frame record of a template product, and the identifier pair of
// an order.
//
// The extensions write the members of Commande2 first, then their own.
//
// On the wire money is a Double in units of the store's currency, pack
// amounts are Integers, frame and page geometry is in millimetres, and
// identifiers that the lab assigns are sent as -1; LabOrderWire holds these
// conventions.
#include "ULabContracts.h"

// Conventions of the order records on the lab wire.
namespace LabOrderWire {

// Identifier of a header, line or page that the lab has not assigned yet.
inline constexpr qint32 kNewId = -1;

// Status of an order when it is posted, and the status it is moved to once
// its picture folder on the transfer server carries the lab's order number.
inline const QString kStatusPosted = QStringLiteral("ECC");
inline const QString kStatusCreated = QStringLiteral("CRE");

// Payment status codes: paid in packs, paid in money at the shop.
inline const QString kPaymentPacks = QStringLiteral("PAK");
inline const QString kPaymentShop = QStringLiteral("EUR");

// Money of the order model (fixed point, four decimals) as the lab's Double
// in units of the store's currency, and back (rounded to the nearest
// fixed-point unit; raises EArgumentException for a value that is not a
// finite number or does not fit).
double MoneyToWire(qint64 fixed4);
qint64 MoneyFromWire(double amount);

// Size of an uploaded file as the lab wants it: whole KiB, rounded down.
qint64 SizeInKiB(qint64 bytes);

// Border colour of a frame given as 0xAARRGGBB: eight upper-case
// hexadecimal digits, alpha, red, green, blue ("FFFF0000" for opaque red).
QString BorderColour(quint32 argb);

// Page number that the lab expects for page n (counted from 1, covers
// included) of a book of pageCount pages: the front cover is 0 and the back
// cover 9999 when the book has a printed cover, -1 otherwise; other covers
// are -1; an inner page of a book printed on both sides is n - 2; an inner
// page of another book is n div 2 when n is odd and -1 when it is even.
// isCover tells the covers apart (the first and last page and the inside
// covers of the book).
qint32 AlbumPageNumber(qint32 n, qint32 pageCount, bool isCover, bool printedCover, bool rectoVerso);

} // namespace LabOrderWire

#define KIOSK_MEMBERS_Commande2(M)                                 \
    M(qint32, AdresseLivraisonId, Opt())                           \
    M(bool, CmdExpress, Opt())                                     \
    M(double, CmdExpressFrais, Nil())                              \
    M(bool, CmdForImprimanteBorne, Opt())                          \
    M(bool, CmdLocale, Opt())                                      \
    M(QString, CmdLocalePath, Nil())                               \
    M(qint32, CmdMainId, Nil())                                    \
    M(QString, CmdNomConso, Nil())                                 \
    M(QString, CmdNumTelConso, Nil())                              \
    M(QString, CmdPrintDateFormat, Nil())                          \
    M(bool, CmdTirCalib, Opt())                                    \
    M(QString, Commentaire, Nil())                                 \
    M(QString, ConsommateurEmail, Nil())                           \
    M(qint32, ConsommateurId, Opt())                               \
    M(QString, ConsommateurNom, Nil())                             \
    M(std::optional<TXSDateTime>, DateCommande, Opt())             \
    M(std::optional<TXSDateTime>, DatePassage, Opt())              \
    M(double, FraisCD, Opt())                                      \
    M(double, FraisDePort, Opt())                                  \
    M(qint32, FraisDePortPacks, Opt())                             \
    M(double, FraisDePriseEnCharge, Opt())                         \
    M(double, FraisIndex, Opt())                                   \
    M(qint32, Id, Opt())                                           \
    M(bool, LivraisonPostale, Opt())                               \
    M(QString, Numero, Nil())                                      \
    M(QString, NumeroVersion, Nil())                               \
    M(QString, Reference, Nil())                                   \
    M(qint32, SoldePacks, Opt())                                   \
    M(QString, Statut, Nil())                                      \
    M(Commande_TypeCommande, Type_, Opt().Xml("Type"))

// An order header: the header of a print order, and the base of the
// photo-book and template headers.
class Commande2 : public TRemotable {
    KIOSK_RECORD(Commande2, TRemotable, KIOSK_MEMBERS_Commande2)
};
class Commande : public Commande2 {
    KIOSK_ELEMENT_CLASS(Commande, Commande2)
};

#define KIOSK_MEMBERS_LigneDeCommande2(M)              \
    M(qint32, Channel, Opt())                          \
    M(std::optional<TXSDecimal>, CoefficientPrix, Opt()) \
    M(qint32, CommandeId, Opt())                       \
    M(qint32, Id, Opt())                               \
    M(QString, Image, Nil())                           \
    M(qint32, ImprimanteBorneId, Nil())                \
    M(QString, NomFichier, Nil())                      \
    M(qint32, Quantite, Opt())                         \
    M(qint64, TailleImage, Opt())                      \
    M(qint32, TirageId, Opt())                         \
    M(qint32, UnitePacks, Opt())                       \
    M(double, UnitePrix, Opt())

// One picture file of an order.
class LigneDeCommande2 : public TRemotable {
    KIOSK_RECORD(LigneDeCommande2, TRemotable, KIOSK_MEMBERS_LigneDeCommande2)
};
class LigneDeCommande : public LigneDeCommande2 {
    KIOSK_ELEMENT_CLASS(LigneDeCommande, LigneDeCommande2)
};

#define KIOSK_MEMBERS_CommandeAlbumCadre2(M) \
    M(double, AngleRotation, Opt())          \
    M(qint32, CmdLignId, Opt())              \
    M(qint32, CommandeAlbumPageId, Opt())    \
    M(QString, CouleurLisere, Nil())         \
    M(double, Hauteur, Opt())                \
    M(qint32, Id, Opt())                     \
    M(double, Largeur, Opt())                \
    M(double, LargeurLisere, Opt())          \
    M(double, X, Opt())                      \
    M(double, Y, Opt())                      \
    M(bool, ZoneTexte, Opt())

// One frame of a photo-book page (a picture, a text block or the border
// picture of a frame), in millimetres on the page.
class CommandeAlbumCadre2 : public TRemotable {
    KIOSK_RECORD(CommandeAlbumCadre2, TRemotable, KIOSK_MEMBERS_CommandeAlbumCadre2)
};
class CommandeAlbumCadre : public CommandeAlbumCadre2 {
    KIOSK_ELEMENT_CLASS(CommandeAlbumCadre, CommandeAlbumCadre2)
};

using CommandeAlbumCadre2List = std::vector<std::unique_ptr<CommandeAlbumCadre2>>;

#define KIOSK_MEMBERS_CommandeAlbumPage2(M)                                \
    M(CommandeAlbumCadre2List, Cadres, Nil().Items("CommandeAlbumCadre")) \
    M(qint32, CommandeId, Opt())                                           \
    M(qint32, FondAlbumId, Opt())                                          \
    M(qint32, Id, Opt())                                                   \
    M(qint32, NumeroPage, Opt())

// One page of a photo book with its frames, which it owns.
class CommandeAlbumPage2 : public TRemotable {
    KIOSK_RECORD(CommandeAlbumPage2, TRemotable, KIOSK_MEMBERS_CommandeAlbumPage2)
};
class CommandeAlbumPage : public CommandeAlbumPage2 {
    KIOSK_ELEMENT_CLASS(CommandeAlbumPage, CommandeAlbumPage2)
};

using CommandeAlbumPage2List = std::vector<std::unique_ptr<CommandeAlbumPage2>>;

#define KIOSK_MEMBERS_CommandeAlbum2(M)                                       \
    M(double, AlbumPU, Opt())                                                 \
    M(double, AlbumPUPageSupplementaire, Opt())                               \
    M(CommandeAlbumPage2List, AlbumPages, Nil().Items("CommandeAlbumPage"))   \
    M(qint32, AlbumPhotographeId, Opt())                                      \
    M(qint32, AlbumQuantite, Opt())                                           \
    M(qint32, AlbumQuantitePagesSupplementaires, Opt())                       \
    M(Tarif_TypeTarif, AlbumTypeTarif, Opt())                                 \
    M(qint32, Channel, Opt())                                                 \
    M(qint32, ChannelCouvertureImprimee, Opt())                               \
    M(qint32, HauteurPage, Opt())                                             \
    M(qint32, LargeurPage, Opt())                                             \
    M(qint32, MargeInfoTechnique, Opt())                                      \
    M(bool, RectoVerso, Opt())                                                \
    M(CommandeAlbum_StatutCommandeAlbum, StatutAlbum, Opt())

// A photo-book order: the header's members, then the book's. Owns its pages.
class CommandeAlbum2 : public Commande2 {
    KIOSK_RECORD(CommandeAlbum2, Commande2, KIOSK_MEMBERS_CommandeAlbum2)
};
class CommandeAlbum : public CommandeAlbum2 {
    KIOSK_ELEMENT_CLASS(CommandeAlbum, CommandeAlbum2)
};

#define KIOSK_MEMBERS_CommandeTemplateCadre2(M) \
    M(double, AngleRotation, Opt())             \
    M(bool, Background, Opt())                  \
    M(qint32, CmdLignId, Opt())                 \
    M(qint32, CommandeId, Opt())                \
    M(QString, CouleurLisere, Nil())            \
    M(double, Hauteur, Opt())                   \
    M(qint32, Id, Opt())                        \
    M(qint32, IdFond, Opt())                    \
    M(double, Largeur, Opt())                   \
    M(double, LargeurLisere, Opt())             \
    M(qint32, NumeroPage, Opt())                \
    M(double, X, Opt())                         \
    M(double, Y, Opt())                         \
    M(bool, ZoneTexte, Opt())

// One frame of a page of a template product.
class CommandeTemplateCadre2 : public TRemotable {
    KIOSK_RECORD(CommandeTemplateCadre2, TRemotable, KIOSK_MEMBERS_CommandeTemplateCadre2)
};
class CommandeTemplateCadre : public CommandeTemplateCadre2 {
    KIOSK_ELEMENT_CLASS(CommandeTemplateCadre, CommandeTemplateCadre2)
};

using CommandeTemplateCadre2List = std::vector<std::unique_ptr<CommandeTemplateCadre2>>;

#define KIOSK_MEMBERS_CommandeTemplate2(M)                                             \
    M(qint32, AnneeDepart, Opt())                                                      \
    M(qint32, Channel, Opt())                                                          \
    M(qint32, MoisDepart, Opt())                                                       \
    M(CommandeTemplateCadre2List, TemplateCadres, Nil().Items("CommandeTemplateCadre")) \
    M(qint32, TemplateCalendrierId, Opt())                                             \
    M(qint32, TemplateHauteur, Opt())                                                  \
    M(qint32, TemplateLargeur, Opt())                                                  \
    M(qint32, TemplateVelmoraId, Opt())                                                \
    M(double, TemplatePU, Opt())                                                       \
    M(qint32, TemplatePictIdRectoHD, Opt())                                            \
    M(qint32, TemplatePictIdVersoHD, Opt())                                            \
    M(qint32, TemplateQuantite, Opt())                                                 \
    M(CommandeTemplate_StatutCommandeTemplate, TemplateStatut, Opt())                  \
    M(Tarif_TypeTarif, TemplateTypeTarif, Opt())                                       \
    M(qint32, TirageId, Opt())

// A template order (greeting card, calendar, designer print): the header's
// members, then the template's. Owns the frame records of all its pages.
class CommandeTemplate2 : public Commande2 {
    KIOSK_RECORD(CommandeTemplate2, Commande2, KIOSK_MEMBERS_CommandeTemplate2)

public:
    // Sets AnneeDepart and MoisDepart (1 to 12) from the start of a monthly
    // calendar held as a month count (12 * year + month - 1). Raises
    // EArgumentException for a negative count, which names no month.
    void SetStartMonthCount(qint32 monthCount);
};
class CommandeTemplate : public CommandeTemplate2 {
    KIOSK_ELEMENT_CLASS(CommandeTemplate, CommandeTemplate2)
};

#define KIOSK_MEMBERS_CommandeIdNum2(M) \
    M(qint32, Id, Opt())                \
    M(QString, Numero, Nil())

// The lab identifier and order number of an order.
class CommandeIdNum2 : public TRemotable {
    KIOSK_RECORD(CommandeIdNum2, TRemotable, KIOSK_MEMBERS_CommandeIdNum2)
};
class CommandeIdNum : public CommandeIdNum2 {
    KIOSK_ELEMENT_CLASS(CommandeIdNum, CommandeIdNum2)
};

using Commande2List = std::vector<std::unique_ptr<Commande2>>;
using CommandeAlbum2List = std::vector<std::unique_ptr<CommandeAlbum2>>;
using CommandeTemplate2List = std::vector<std::unique_ptr<CommandeTemplate2>>;
using CommandeIdNum2List = std::vector<std::unique_ptr<CommandeIdNum2>>;
using LigneDeCommande2List = std::vector<std::unique_ptr<LigneDeCommande2>>;
