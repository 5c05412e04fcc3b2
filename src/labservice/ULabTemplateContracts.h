#pragma once
// Records of the lab's design templates (greeting cards, calendars, designer
// prints): the templates of the catalogue, the calendar models with their
// monthly grid pictures, and the older template records with their frames
// that the service still declares. Page sizes are in millimetres.
#include "ULabContracts.h"
#include "ULabPrintContracts.h"

#define KIOSK_MEMBERS_ZebtemplateVelmora2(M)                       \
    M(bool, CalendrierMois, Opt())                                 \
    M(QString, CodeLangue, Nil())                                  \
    M(qint32, HauteurPapier, Opt())                                \
    M(qint32, Id, Opt())                                           \
    M(qint32, LargeurPapier, Opt())                                \
    M(qint32, RectoHDid, Opt())                                    \
    M(qint32, RectoSDid, Opt())                                    \
    M(QString, RectoSDmd5, Nil())                                  \
    M(ArrayOfint, TemplateCalendrierIds, Nil().Items("int"))       \
    M(qint32, Type_, Opt().Xml("Type"))                            \
    M(qint32, VersoHDid, Nil())                                    \
    M(qint32, VersoSDid, Nil())                                    \
    M(QString, VersoSDmd5, Nil())

// A design template of the catalogue; its pictures are known by identifier.
class ZebtemplateVelmora2 : public TRemotable {
    KIOSK_RECORD(ZebtemplateVelmora2, TRemotable, KIOSK_MEMBERS_ZebtemplateVelmora2)
};
class ZebtemplateVelmora : public ZebtemplateVelmora2 {
    KIOSK_ELEMENT_CLASS(ZebtemplateVelmora, ZebtemplateVelmora2)
};

#define KIOSK_MEMBERS_TemplateCalendrierImage2(M)   \
    M(qint32, Annee, Opt())                         \
    M(qint32, Id, Opt())                            \
    M(qint32, Mois, Opt())                          \
    M(std::unique_ptr<Vignette2>, PictIdHD, Nil())  \
    M(std::unique_ptr<Vignette2>, PictIdSD, Nil())

// The grid picture of one month of a calendar model. Owns its pictures.
class TemplateCalendrierImage2 : public TRemotable {
    KIOSK_RECORD(TemplateCalendrierImage2, TRemotable, KIOSK_MEMBERS_TemplateCalendrierImage2)
};
class TemplateCalendrierImage : public TemplateCalendrierImage2 {
    KIOSK_ELEMENT_CLASS(TemplateCalendrierImage, TemplateCalendrierImage2)
};

using TemplateCalendrierImage2List = std::vector<std::unique_ptr<TemplateCalendrierImage2>>;

#define KIOSK_MEMBERS_TemplateCalendrier2(M)                                        \
    M(QString, CodeLangue, Nil())                                                   \
    M(qint32, HauteurPapier, Opt())                                                 \
    M(qint32, Id, Opt())                                                            \
    M(TemplateCalendrierImage2List, Images, Nil().Items("TemplateCalendrierImage")) \
    M(qint32, LargeurPapier, Opt())                                                 \
    M(QString, Nom, Nil())                                                          \
    M(std::unique_ptr<Vignette2>, VisuelImage, Nil())

// A calendar model: the grids that fill the month pages of a monthly
// calendar. Owns its month images and its preview picture.
class TemplateCalendrier2 : public TRemotable {
    KIOSK_RECORD(TemplateCalendrier2, TRemotable, KIOSK_MEMBERS_TemplateCalendrier2)
};
class TemplateCalendrier : public TemplateCalendrier2 {
    KIOSK_ELEMENT_CLASS(TemplateCalendrier, TemplateCalendrier2)
};

#define KIOSK_MEMBERS_TemplateVelmoraCadre2(M)          \
    M(std::optional<TXSDecimal>, AngleRot, Nil())       \
    M(bool, Background, Opt())                          \
    M(std::optional<TXSDecimal>, Hauteur, Opt())        \
    M(qint32, Id, Opt())                                \
    M(std::optional<TXSDecimal>, Largeur, Opt())        \
    M(qint32, PageNum, Opt())                           \
    M(qint32, TptVrmId, Opt())                          \
    M(std::optional<TXSDecimal>, X, Opt())              \
    M(std::optional<TXSDecimal>, Y, Opt())

// One frame of a template.
class TemplateVelmoraCadre2 : public TRemotable {
    KIOSK_RECORD(TemplateVelmoraCadre2, TRemotable, KIOSK_MEMBERS_TemplateVelmoraCadre2)
};
class TemplateVelmoraCadre : public TemplateVelmoraCadre2 {
    KIOSK_ELEMENT_CLASS(TemplateVelmoraCadre, TemplateVelmoraCadre2)
};

using TemplateVelmoraCadre2List = std::vector<std::unique_ptr<TemplateVelmoraCadre2>>;

#define KIOSK_MEMBERS_TemplateVelmora2(M)                                     \
    M(TemplateVelmoraCadre2List, Cadres, Nil().Items("TemplateVelmoraCadre")) \
    M(bool, CalendrierMois, Opt())                                            \
    M(QString, CodeLangue, Nil())                                             \
    M(QString, Description, Nil())                                            \
    M(qint32, HauteurPapier, Opt())                                           \
    M(qint32, Id, Opt())                                                      \
    M(qint32, LargeurPapier, Opt())                                           \
    M(std::unique_ptr<Vignette2>, RectoHD, Nil())                             \
    M(std::unique_ptr<Vignette2>, RectoSD, Nil())                             \
    M(ArrayOfint, TemplateCalendrierIds, Nil().Items("int"))                  \
    M(qint32, Type_, Opt().Xml("Type"))                                       \
    M(std::unique_ptr<Vignette2>, VersoHD, Nil())                             \
    M(std::unique_ptr<Vignette2>, VersoSD, Nil())

// A template with its pictures and frames. Owns both.
class TemplateVelmora2 : public TRemotable {
    KIOSK_RECORD(TemplateVelmora2, TRemotable, KIOSK_MEMBERS_TemplateVelmora2)
};
class TemplateVelmora : public TemplateVelmora2 {
    KIOSK_ELEMENT_CLASS(TemplateVelmora, TemplateVelmora2)
};

#define KIOSK_MEMBERS_ZebtemplateVelmoraInfo2(M)                              \
    M(TemplateVelmoraCadre2List, Cadres, Nil().Items("TemplateVelmoraCadre")) \
    M(qint32, Id, Opt())

// The frames of one template. Owns them.
class ZebtemplateVelmoraInfo2 : public TRemotable {
    KIOSK_RECORD(ZebtemplateVelmoraInfo2, TRemotable, KIOSK_MEMBERS_ZebtemplateVelmoraInfo2)
};
class ZebtemplateVelmoraInfo : public ZebtemplateVelmoraInfo2 {
    KIOSK_ELEMENT_CLASS(ZebtemplateVelmoraInfo, ZebtemplateVelmoraInfo2)
};

using ZebtemplateVelmora2List = std::vector<std::unique_ptr<ZebtemplateVelmora2>>;
using TemplateCalendrier2List = std::vector<std::unique_ptr<TemplateCalendrier2>>;
using TemplateVelmora2List = std::vector<std::unique_ptr<TemplateVelmora2>>;
using ZebtemplateVelmoraInfo2List = std::vector<std::unique_ptr<ZebtemplateVelmoraInfo2>>;
