#pragma once
// Records of the lab's photo books and decorations: the lab's book model and
// the store's book product that extends it, the book price steps, covers,
// cover materials, page backgrounds and their ranges (the themes), the
// decoration pictures and frames, and the administration records of page
// models and album associations. Page sizes and the photo window of the
// first page are in millimetres.
#include "ULabContracts.h"
#include "ULabPrintContracts.h"

#define KIOSK_MEMBERS_AlbumVelmora2(M)                  \
    M(AlbumVelmora_Texture, AlbVrmTexture, Opt())       \
    M(qint32, AlbumVelmoraId, Opt())                    \
    M(bool, AlbumSaisiParPhotographe, Opt())            \
    M(QString, CouleurInterieur, Nil())                 \
    M(qint32, CouleurMatiereId, Opt())                  \
    M(qint32, CouleurMatiereIdBack, Opt())              \
    M(QString, CouleurMatiereVelmora, Nil())            \
    M(bool, CouvertureBackCustomizable, Opt())          \
    M(bool, CouvertureFrontCustomizable, Opt())         \
    M(qint32, CouvertureId, Opt())                      \
    M(bool, CouvertureImprimee, Opt())                  \
    M(QString, DescriptionCouvertureVelmora, Nil())     \
    M(qint32, EpaisseurDos, Opt())                      \
    M(qint32, EpaisseurDosTechnique, Opt())             \
    M(qint32, FamilleFondId, Opt())                     \
    M(QString, Fournisseur, Nil())                      \
    M(qint32, FournisseurId, Opt())                     \
    M(qint32, HauteurCouverture, Opt())                 \
    M(qint32, HauteurPage, Opt())                       \
    M(qint32, HauteurPhoto1erePage, Opt())              \
    M(qint32, LargeurCouverture, Opt())                 \
    M(qint32, LargeurPage, Opt())                       \
    M(qint32, LargeurPhoto1erePage, Opt())              \
    M(qint32, MargeInfoTechnique, Opt())                \
    M(QString, NomModeleVelmora, Nil())                 \
    M(QString, NomReliureVelmora, Nil())                \
    M(bool, PhotoEn1erePage, Opt())                     \
    M(qint32, ReliureId, Opt())                         \
    M(QString, SensPhoto1erePage, Nil())                \
    M(qint32, XPhoto1erePage, Opt())                    \
    M(qint32, YPhoto1erePage, Opt())

// A photo-book model of the lab; the base of the store's book product.
class AlbumVelmora2 : public TRemotable {
    KIOSK_RECORD(AlbumVelmora2, TRemotable, KIOSK_MEMBERS_AlbumVelmora2)
};
class AlbumVelmora : public AlbumVelmora2 {
    KIOSK_ELEMENT_CLASS(AlbumVelmora, AlbumVelmora2)
};

#define KIOSK_MEMBERS_AlbumPhotographe2(M)                                  \
    M(qint32, AlbumPhotographeId, Opt())                                    \
    M(qint32, Channel, Opt())                                               \
    M(qint32, ChannelCouvertureImprimee, Opt())                             \
    M(QString, CouleurMatierePhotographe, Nil())                            \
    M(QString, DescriptionAlbumPhotographe, Nil())                          \
    M(QString, DescriptionReliurePhotographe, Nil())                        \
    M(bool, FdpcIgnore, Opt())                                              \
    M(qint32, GammeFondId, Opt())                                           \
    M(QString, NomAlbumPhotographe, Nil())                                  \
    M(qint32, NombrePagesMaxi, Opt())                                       \
    M(qint32, NombrePagesMini, Opt())                                       \
    M(qint32, NombrePhotosMaxi, Opt())                                      \
    M(qint32, NombrePhotosMini, Opt())                                      \
    M(qint32, PhotographeId, Opt())                                         \
    M(qint32, PositionAffichage, Nil())                                     \
    M(bool, RectoVerso, Opt())                                              \
    M(QString, TypeReliurePhotographe, Nil())                               \
    M(Tarif_TypeTarifList, TypesDeTarif, Nil().Items("Tarif.TypeTarif"))

// A photo-book product as the store offers it: the lab model's members,
// then the store's.
class AlbumPhotographe2 : public AlbumVelmora2 {
    KIOSK_RECORD(AlbumPhotographe2, AlbumVelmora2, KIOSK_MEMBERS_AlbumPhotographe2)
};
class AlbumPhotographe : public AlbumPhotographe2 {
    KIOSK_ELEMENT_CLASS(AlbumPhotographe, AlbumPhotographe2)
};

#define KIOSK_MEMBERS_PrixAlbum2(M)            \
    M(qint32, AlbumId, Opt())                  \
    M(double, Cout, Opt())                     \
    M(bool, EstTarifPageSupplementaire, Opt()) \
    M(qint32, PrixId, Opt())                   \
    M(qint32, QuantiteMaximale, Opt())         \
    M(qint32, QuantiteMinimale, Opt())         \
    M(Tarif_TypeTarif, TypeDeTarif, Opt())

// One price step of a photo-book product (a book, or an extra page).
class PrixAlbum2 : public TRemotable {
    KIOSK_RECORD(PrixAlbum2, TRemotable, KIOSK_MEMBERS_PrixAlbum2)
};
class PrixAlbum : public PrixAlbum2 {
    KIOSK_ELEMENT_CLASS(PrixAlbum, PrixAlbum2)
};

#define KIOSK_MEMBERS_Couverture2(M)              \
    M(QString, Description, Nil())                \
    M(qint32, Id, Opt())                          \
    M(std::unique_ptr<Vignette2>, Image, Nil())   \
    M(std::unique_ptr<Vignette2>, ImageHD, Nil())

// A cover of photo books. Owns its pictures.
class Couverture2 : public TRemotable {
    KIOSK_RECORD(Couverture2, TRemotable, KIOSK_MEMBERS_Couverture2)
};
class Couverture : public Couverture2 {
    KIOSK_ELEMENT_CLASS(Couverture, Couverture2)
};

#define KIOSK_MEMBERS_CouleurMatiere2(M)              \
    M(QString, Description, Nil())                    \
    M(qint32, Id, Opt())                              \
    M(std::unique_ptr<Vignette2>, Image, Nil())       \
    M(std::unique_ptr<Vignette2>, ImageCouvHD, Nil())

// A cover material (colour and texture). Owns its pictures.
class CouleurMatiere2 : public TRemotable {
    KIOSK_RECORD(CouleurMatiere2, TRemotable, KIOSK_MEMBERS_CouleurMatiere2)
};
class CouleurMatiere : public CouleurMatiere2 {
    KIOSK_ELEMENT_CLASS(CouleurMatiere, CouleurMatiere2)
};

#define KIOSK_MEMBERS_FondAlbum2(M)                 \
    M(QString, Description, Nil())                  \
    M(bool, FondParDefaut, Opt())                   \
    M(qint32, Hauteur, Opt())                       \
    M(qint32, Id, Opt())                            \
    M(std::unique_ptr<Vignette2>, Image, Nil())     \
    M(std::unique_ptr<Vignette2>, ImageHD, Nil())   \
    M(qint32, Largeur, Opt())

// A page background. Owns its pictures.
class FondAlbum2 : public TRemotable {
    KIOSK_RECORD(FondAlbum2, TRemotable, KIOSK_MEMBERS_FondAlbum2)
};
class FondAlbum : public FondAlbum2 {
    KIOSK_ELEMENT_CLASS(FondAlbum, FondAlbum2)
};

#define KIOSK_MEMBERS_GammeFond2(M)                         \
    M(QString, Description, Nil())                          \
    M(qint32, FamilleFondId, Opt())                         \
    M(ArrayOfint, FondAlbumIds, Nil().Items("int"))         \
    M(qint32, Id, Opt())                                    \
    M(std::unique_ptr<Vignette2>, Image, Nil())             \
    M(std::unique_ptr<Vignette2>, ImageVisuAlbum, Nil())

// A range of backgrounds, offered as a theme of a book. Owns its pictures.
class GammeFond2 : public TRemotable {
    KIOSK_RECORD(GammeFond2, TRemotable, KIOSK_MEMBERS_GammeFond2)
};
class GammeFond : public GammeFond2 {
    KIOSK_ELEMENT_CLASS(GammeFond, GammeFond2)
};

#define KIOSK_MEMBERS_ScrapFrame2(M)  \
    M(qint32, BorderBottom, Nil())    \
    M(qint32, BorderLeft, Nil())      \
    M(qint32, BorderRight, Nil())     \
    M(qint32, BorderTop, Nil())       \
    M(qint32, DpiX, Nil())            \
    M(qint32, DpiY, Nil())            \
    M(QString, Nom, Nil())            \
    M(bool, PictureVisible, Opt())

// A decoration picture that can frame a photo; borders in pixels of the
// picture.
class ScrapFrame2 : public TRemotable {
    KIOSK_RECORD(ScrapFrame2, TRemotable, KIOSK_MEMBERS_ScrapFrame2)
};
class ScrapFrame : public ScrapFrame2 {
    KIOSK_ELEMENT_CLASS(ScrapFrame, ScrapFrame2)
};

#define KIOSK_MEMBERS_VignetteDeco2(M) \
    M(QByteArray, Image, Nil())        \
    M(QString, MD5, Nil())             \
    M(QString, Nom, Nil())

// A decoration picture (clip art), known by its name.
class VignetteDeco2 : public TRemotable {
    KIOSK_RECORD(VignetteDeco2, TRemotable, KIOSK_MEMBERS_VignetteDeco2)
};
class VignetteDeco : public VignetteDeco2 {
    KIOSK_ELEMENT_CLASS(VignetteDeco, VignetteDeco2)
};

#define KIOSK_MEMBERS_ModelePageCadre2(M) \
    M(qint32, Hauteur, Opt())             \
    M(qint32, Id, Opt())                  \
    M(qint32, Largeur, Opt())             \
    M(qint32, ModelePageId, Opt())        \
    M(qint32, X, Opt())                   \
    M(qint32, Y, Opt())

// One frame of a page model.
class ModelePageCadre2 : public TRemotable {
    KIOSK_RECORD(ModelePageCadre2, TRemotable, KIOSK_MEMBERS_ModelePageCadre2)
};
class ModelePageCadre : public ModelePageCadre2 {
    KIOSK_ELEMENT_CLASS(ModelePageCadre, ModelePageCadre2)
};

using ModelePageCadre2List = std::vector<std::unique_ptr<ModelePageCadre2>>;

#define KIOSK_MEMBERS_ModelePage2(M)                                   \
    M(ModelePageCadre2List, Cadres, Nil().Items("ModelePageCadre"))    \
    M(qint32, Hauteur, Opt())                                          \
    M(qint32, Id, Opt())                                               \
    M(qint32, Largeur, Opt())                                          \
    M(qint32, NombreCadreOrientationHorizontale, Opt())                \
    M(qint32, NombreCadreOrientationVerticale, Opt())

// A page model, a layout of photo frames on a page. Owns its frames.
class ModelePage2 : public TRemotable {
    KIOSK_RECORD(ModelePage2, TRemotable, KIOSK_MEMBERS_ModelePage2)
};
class ModelePage : public ModelePage2 {
    KIOSK_ELEMENT_CLASS(ModelePage, ModelePage2)
};

#define KIOSK_MEMBERS_AssociationAlbum2(M) \
    M(bool, Associe, Opt())                \
    M(qint32, IdAlbPhot, Opt())            \
    M(qint32, IdClient, Opt())             \
    M(QString, Nom, Nil())                 \
    M(QString, Prenom, Nil())

// Whether a customer of the store is associated with a photo-book product.
class AssociationAlbum2 : public TRemotable {
    KIOSK_RECORD(AssociationAlbum2, TRemotable, KIOSK_MEMBERS_AssociationAlbum2)
};
class AssociationAlbum : public AssociationAlbum2 {
    KIOSK_ELEMENT_CLASS(AssociationAlbum, AssociationAlbum2)
};

using AlbumVelmora2List = std::vector<std::unique_ptr<AlbumVelmora2>>;
using AlbumPhotographe2List = std::vector<std::unique_ptr<AlbumPhotographe2>>;
using PrixAlbum2List = std::vector<std::unique_ptr<PrixAlbum2>>;
using Couverture2List = std::vector<std::unique_ptr<Couverture2>>;
using CouleurMatiere2List = std::vector<std::unique_ptr<CouleurMatiere2>>;
using FondAlbum2List = std::vector<std::unique_ptr<FondAlbum2>>;
using GammeFond2List = std::vector<std::unique_ptr<GammeFond2>>;
using ScrapFrame2List = std::vector<std::unique_ptr<ScrapFrame2>>;
using VignetteDeco2List = std::vector<std::unique_ptr<VignetteDeco2>>;
using ModelePage2List = std::vector<std::unique_ptr<ModelePage2>>;
using AssociationAlbum2List = std::vector<std::unique_ptr<AssociationAlbum2>>;
