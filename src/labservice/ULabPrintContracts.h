#pragma once
// Records of the lab's print catalogue: a file of the lab (picture, logo,
// price list) that every catalogue record uses for its pictures, the print
// products (also the products on which templates are printed), their price
// steps, the lab's printing channels, the store's grouping of its prints by
// format and by paper, the picture of a print product, and the
// administration records of packs, display positions, bindings and product
// associations.
#include "ULabContracts.h"

// The contract's array of Integers ("ArrayOfint", items "int"), a plain
// value of the records that hold it.
using ArrayOfint = std::vector<qint32>;

#define KIOSK_MEMBERS_Vignette2(M) \
    M(QByteArray, Image, Nil())    \
    M(QString, MD5, Nil())         \
    M(QString, Nom, Nil())         \
    M(qint32, VignetteId, Opt())

class Vignette2 : public TRemotable {
    KIOSK_RECORD(Vignette2, TRemotable, KIOSK_MEMBERS_Vignette2)
};
class Vignette : public Vignette2 {
    KIOSK_ELEMENT_CLASS(Vignette, Vignette2)
};

#define KIOSK_MEMBERS_Tirage2(M)                        \
    M(bool, AvecMarges, Opt())                          \
    M(qint32, Channel, Opt())                           \
    M(QString, Description, Nil())                      \
    M(bool, FdpcIgnore, Opt())                          \
    M(qint32, Id, Opt())                                \
    M(qint32, IdImageTirage, Opt())                     \
    M(qint32, IdTirageParent, Opt())                    \
    M(qint32, ImprimanteBorneId, Nil())                 \
    M(QString, ImprimanteBorneLib, Nil())               \
    M(QString, ImprimanteBorneNomWindows, Nil())        \
    M(bool, IsFacturerEnPacks, Opt())                   \
    M(qint32, Largeur, Opt())                           \
    M(qint32, Longueur, Opt())                          \
    M(bool, MasquerCadreRedim, Opt())                   \
    M(bool, MasquerFormatTirage, Opt())                 \
    M(bool, MasquerSurfaceAndBorderTirage, Opt())       \
    M(QString, NomSimple, Nil())                        \
    M(QString, NomTechnique, Nil())                     \
    M(qint32, NumeroGroupeFormat, Opt())                \
    M(qint32, NumeroGroupePapier, Opt())                \
    M(qint32, PackQty, Nil())                           \
    M(qint32, PhotographeId, Opt())                     \
    M(qint32, PositionAffichage, Nil())                 \
    M(QString, Prefixe, Nil())                          \
    M(bool, Template, Opt())                            \
    M(bool, TemplateCalendrierMois, Opt())              \
    M(qint32, TemplateHauteur, Opt())                   \
    M(qint32, TemplateLargeur, Opt())                   \
    M(bool, TemplateRectoVerso, Opt())                  \
    M(Tarif_TypeTarif, TypeDeTarif, Opt())

// A print product (one format, paper and border that the store offers), or
// the print format of a template product. Sizes in centimetres, template
// page sizes in millimetres.
class Tirage2 : public TRemotable {
    KIOSK_RECORD(Tirage2, TRemotable, KIOSK_MEMBERS_Tirage2)
};
class Tirage : public Tirage2 {
    KIOSK_ELEMENT_CLASS(Tirage, Tirage2)
};

#define KIOSK_MEMBERS_Tarif2(M)              \
    M(qint32, CoutEnPacks, Opt())            \
    M(double, CoutEnPrix, Opt())             \
    M(qint32, Id, Opt())                     \
    M(qint32, QuantiteMaximale, Opt())       \
    M(qint32, QuantiteMinimale, Opt())       \
    M(qint32, TirageId, Opt())               \
    M(Tarif_TypeTarif, TypeDeTarif, Opt())

// One price step of a print or template product.
class Tarif2 : public TRemotable {
    KIOSK_RECORD(Tarif2, TRemotable, KIOSK_MEMBERS_Tarif2)
};
class Tarif : public Tarif2 {
    KIOSK_ELEMENT_CLASS(Tarif, Tarif2)
};

#define KIOSK_MEMBERS_Channel2(M)       \
    M(qint32, Id, Opt())                \
    M(qint32, Largeur, Opt())           \
    M(QString, Libelle, Nil())          \
    M(qint32, Longueur, Opt())          \
    M(bool, Marge, Opt())               \
    M(QString, NomTechnique, Nil())     \
    M(qint32, Numero, Opt())            \
    M(qint32, PhotographeId, Opt())     \
    M(double, TauxCompression, Opt())   \
    M(double, TauxReduction, Opt())     \
    M(QString, TypePapier, Nil())

// A printing channel of the lab (a printer line with its paper); print
// sizes in millimetres.
class Channel2 : public TRemotable {
    KIOSK_RECORD(Channel2, TRemotable, KIOSK_MEMBERS_Channel2)
};
class Channel : public Channel2 {
    KIOSK_ELEMENT_CLASS(Channel, Channel2)
};

#define KIOSK_MEMBERS_GroupeProduitPhotographe2(M) \
    M(qint32, NumeroRessource, Opt())              \
    M(qint32, PositionAffichage, Opt())            \
    M(GroupeProduitPhotographe_TypeGroupe, Type_, Opt().Xml("Type"))

// One group of the store's grouping of its print products.
class GroupeProduitPhotographe2 : public TRemotable {
    KIOSK_RECORD(GroupeProduitPhotographe2, TRemotable, KIOSK_MEMBERS_GroupeProduitPhotographe2)
};
class GroupeProduitPhotographe : public GroupeProduitPhotographe2 {
    KIOSK_ELEMENT_CLASS(GroupeProduitPhotographe, GroupeProduitPhotographe2)
};

#define KIOSK_MEMBERS_ImageTirage2(M)                \
    M(QString, Description, Nil())                   \
    M(qint32, Id, Opt())                             \
    M(std::unique_ptr<Vignette2>, ImageHD, Nil())    \
    M(std::unique_ptr<Vignette2>, ImageSD, Nil())

// The picture of a print product. Owns both pictures.
class ImageTirage2 : public TRemotable {
    KIOSK_RECORD(ImageTirage2, TRemotable, KIOSK_MEMBERS_ImageTirage2)
};
class ImageTirage : public ImageTirage2 {
    KIOSK_ELEMENT_CLASS(ImageTirage, ImageTirage2)
};

#define KIOSK_MEMBERS_Pack2(M)                 \
    M(qint32, ConsId, Opt())                   \
    M(std::optional<TXSDateTime>, Date, Opt()) \
    M(qint32, Id, Opt())                       \
    M(qint32, Packs, Opt())

// A purchase of prepaid packs.
class Pack2 : public TRemotable {
    KIOSK_RECORD(Pack2, TRemotable, KIOSK_MEMBERS_Pack2)
};
class Pack : public Pack2 {
    KIOSK_ELEMENT_CLASS(Pack, Pack2)
};

#define KIOSK_MEMBERS_PositionAffichage2(M) \
    M(qint32, Id, Opt())                    \
    M(qint32, newPosition, Nil())           \
    M(qint32, oldPosition, Nil())

// A change of display position.
class PositionAffichage2 : public TRemotable {
    KIOSK_RECORD(PositionAffichage2, TRemotable, KIOSK_MEMBERS_PositionAffichage2)
};
class PositionAffichage : public PositionAffichage2 {
    KIOSK_ELEMENT_CLASS(PositionAffichage, PositionAffichage2)
};

#define KIOSK_MEMBERS_Reliure2(M)                 \
    M(qint32, Id, Opt())                          \
    M(std::unique_ptr<Vignette2>, Image, Nil())   \
    M(QString, Nom, Nil())

// A binding of photo books. Owns its picture.
class Reliure2 : public TRemotable {
    KIOSK_RECORD(Reliure2, TRemotable, KIOSK_MEMBERS_Reliure2)
};
class Reliure : public Reliure2 {
    KIOSK_ELEMENT_CLASS(Reliure, Reliure2)
};

#define KIOSK_MEMBERS_AssociationProduit2(M) \
    M(bool, Associe, Opt())                  \
    M(qint32, IdClient, Opt())               \
    M(qint32, IdProduit, Opt())              \
    M(QString, Nom, Nil())                   \
    M(QString, Prenom, Nil())

// Whether a customer of the store is associated with a print product.
class AssociationProduit2 : public TRemotable {
    KIOSK_RECORD(AssociationProduit2, TRemotable, KIOSK_MEMBERS_AssociationProduit2)
};
class AssociationProduit : public AssociationProduit2 {
    KIOSK_ELEMENT_CLASS(AssociationProduit, AssociationProduit2)
};

using Vignette2List = std::vector<std::unique_ptr<Vignette2>>;
using Tirage2List = std::vector<std::unique_ptr<Tirage2>>;
using Tarif2List = std::vector<std::unique_ptr<Tarif2>>;
using Channel2List = std::vector<std::unique_ptr<Channel2>>;
using GroupeProduitPhotographe2List = std::vector<std::unique_ptr<GroupeProduitPhotographe2>>;
using ImageTirage2List = std::vector<std::unique_ptr<ImageTirage2>>;
using Pack2List = std::vector<std::unique_ptr<Pack2>>;
using PositionAffichage2List = std::vector<std::unique_ptr<PositionAffichage2>>;
using Reliure2List = std::vector<std::unique_ptr<Reliure2>>;
using AssociationProduit2List = std::vector<std::unique_ptr<AssociationProduit2>>;
using Tarif_TypeTarifList = std::vector<Tarif_TypeTarif>;
