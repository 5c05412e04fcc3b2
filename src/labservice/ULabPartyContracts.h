#pragma once
// Records of the parties of a sale and of the store's settings: the store
// (Photographe2), the kiosk's account at the lab in its short and full forms
// (Zebconsumer2, Consommateur2), the requester of every call (Demandeur2),
// postal addresses, the currency, the front-print pictures, the kiosk-use
// conditions, and the administration records that the contract carries.
#include "ULabContracts.h"
#include "ULabPrintContracts.h"

#define KIOSK_MEMBERS_Monnaie2(M)      \
    M(QString, Code, Nil())            \
    M(qint32, Decimals, Nil())         \
    M(qint32, Id, Opt())               \
    M(QString, IsoCodeNum, Nil())      \
    M(QString, Libelle, Nil())         \
    M(bool, PaypalOk, Opt())           \
    M(QString, Symbole, Nil())         \
    M(bool, SymboleAgauche, Opt())

class Monnaie2 : public TRemotable {
    KIOSK_RECORD(Monnaie2, TRemotable, KIOSK_MEMBERS_Monnaie2)
};
class Monnaie : public Monnaie2 {
    KIOSK_ELEMENT_CLASS(Monnaie, Monnaie2)
};

#define KIOSK_MEMBERS_Photographe2(M)                                     \
    M(PhotographerStatus, AccountStatus, Opt())                           \
    M(qint32, AdresseMagasinId, Opt())                                    \
    M(bool, CDburnOnKiosk, Opt())                                         \
    M(QString, Commentaire, Nil())                                        \
    M(bool, CompteActif, Opt())                                           \
    M(std::optional<TXSDateTime>, DateCreation, Opt())                    \
    M(QString, Email, Nil())                                              \
    M(bool, ExpressOn, Nil())                                             \
    M(QString, FacebookAppID, Nil())                                      \
    M(QString, FacebookAppSecret, Nil())                                  \
    M(qint32, FraisDePortEnPacks, Opt())                                  \
    M(double, FraisDePortEnPrix, Opt())                                   \
    M(double, FraisDePriseEnCharge, Opt())                                \
    M(bool, FraisPriseEnChargeEurosMagasin, Opt())                        \
    M(QString, FrontPrintDateFormat, Nil())                               \
    M(QString, FrontPrintWithDateMD5, Nil())                              \
    M(QString, FrontPrintWithDateTimeMD5, Nil())                          \
    M(QString, FrontPrintWithoutDateMD5, Nil())                           \
    M(qint32, Id, Opt())                                                  \
    M(bool, ImpressionBordereauAuto, Opt())                               \
    M(qint32, KioskLimit, Nil())                                          \
    M(qint32, KioskOrderNaming, Opt())                                    \
    M(QString, Login, Nil())                                              \
    M(QString, LoginFtp, Nil())                                           \
    M(QString, LoginFtpForUpdate, Nil())                                  \
    M(QString, LoginPayPalAPI, Nil())                                     \
    M(qint32, MargeSecu, Opt())                                           \
    M(double, MontantPalierDeLaCommande, Opt())                           \
    M(qint32, NbBornesActives, Opt())                                     \
    M(double, NombreFeuillesParCm, Opt())                                 \
    M(QString, Numero, Nil())                                             \
    M(bool, OptionAssistantCDDisponible, Opt())                           \
    M(bool, OptionPaiementEnLigneDisponible, Opt())                       \
    M(QString, Password, Nil())                                           \
    M(QString, PasswordForImprimanteBorne, Nil())                         \
    M(QString, PasswordFtp, Nil())                                        \
    M(QString, PasswordFtpForUpdate, Nil())                               \
    M(QString, PasswordPayPalAPI, Nil())                                  \
    M(QString, PaymentParam1, Nil())                                      \
    M(QString, PaymentParam2, Nil())                                      \
    M(QString, PaymentParam3, Nil())                                      \
    M(QString, PhotDevise, Nil())                                         \
    M(std::unique_ptr<Monnaie2>, PhotMonnaie, Nil())                      \
    M(Photographe_TireuseType, PhotTireuseType, Opt())                    \
    M(std::optional<TXSDateTime>, PolitiqueConfidentialiteDateMaj, Opt()) \
    M(QString, PolitiqueConfidentialiteUrl, Nil())                        \
    M(double, PrixCd, Opt())                                              \
    M(double, PrixExpress, Nil())                                         \
    M(double, PrixIndex, Opt())                                           \
    M(QString, ProtoFtp, Nil())                                           \
    M(QString, ProtoFtpForUpdate, Nil())                                  \
    M(QString, RaisonSociale, Nil())                                      \
    M(qint32, ResolutionDpi, Opt())                                       \
    M(bool, RetourDesCommandesParPoste, Opt())                            \
    M(bool, RetourDesCommandesParPosteObligatoire, Opt())                 \
    M(QStringList, ZebfeaturesDisabled, Nil().Items("string"))            \
    M(QStringList, VyrmodulesEnabled, Nil().Items("string"))              \
    M(QString, ServeurFtp, Nil())                                         \
    M(QString, ServeurFtpForUpdate, Nil())                                \
    M(QString, ServeurFtpOrHttp, Nil())                                   \
    M(QString, SignaturePayPalAPI, Nil())                                 \
    M(qint32, TempsAttenteFusionCommandesAlbumSec, Opt())                 \
    M(qint32, TempsAttenteRafraichissementDiagnosticsSec, Opt())          \
    M(qint32, TempsAttenteRafraichissementHistoriqueCommandesSec, Opt())  \
    M(qint32, TempsAttenteRapatriementCommandesSec, Opt())                \
    M(qint32, TempsAttenteSurveillanceCommandesTireuseSec, Opt())         \
    M(qint32, TpsAttenteUpdateCheckSec, Nil())                            \
    M(QString, TypeOnlinePaymentMode, Nil())                              \
    M(Photographe_TypePaiementEnLigne, TypePaiementADistance, Opt())

class Photographe2 : public TRemotable {
    KIOSK_RECORD(Photographe2, TRemotable, KIOSK_MEMBERS_Photographe2)
};
class Photographe : public Photographe2 {
    KIOSK_ELEMENT_CLASS(Photographe, Photographe2)
};

#define KIOSK_MEMBERS_Zebconsumer2(M)                               \
    M(QString, BorneIP, Nil())                                      \
    M(char16_t, BorneModeCommunication, Opt())                      \
    M(bool, HasBook, Opt())                                         \
    M(bool, HasCalendar, Opt())                                     \
    M(bool, HasCard, Opt())                                         \
    M(bool, HasPhotoProduct, Opt())                                 \
    M(bool, HasPrint, Opt())                                        \
    M(qint32, Id, Opt())                                            \
    M(qint32, Keyboard, Nil())                                      \
    M(std::optional<TXSDateTime>, LastUpdateBook, Opt())            \
    M(std::optional<TXSDateTime>, LastUpdateCalendar, Opt())        \
    M(std::optional<TXSDateTime>, LastUpdateConsumer, Opt())        \
    M(std::optional<TXSDateTime>, LastUpdateTemplate, Opt())        \
    M(QString, Message_, Nil().Xml("Message"))                      \
    M(qint32, PhotographeId, Opt())                                 \
    M(std::optional<TXSDateTime>, PrivacyPolicyConsumerDate, Nil()) \
    M(std::optional<TXSDateTime>, PrivacyPolicyModifDate, Nil())    \
    M(QString, PrivacyPolicyUrl, Nil())                             \
    M(QString, ShopName, Nil())

class Zebconsumer2 : public TRemotable {
    KIOSK_RECORD(Zebconsumer2, TRemotable, KIOSK_MEMBERS_Zebconsumer2)
};
class Zebconsumer : public Zebconsumer2 {
    KIOSK_ELEMENT_CLASS(Zebconsumer, Zebconsumer2)
};

#define KIOSK_MEMBERS_Consommateur2(M)                            \
    M(qint32, AdresseCouranteId, Opt())                           \
    M(qint32, AdresseFacturationId, Opt())                        \
    M(QString, BorneIP, Nil())                                    \
    M(char16_t, BorneModeCommunication, Opt())                    \
    M(qint32, Civilite, Opt())                                    \
    M(qint32, ComiteEntrepriseId, Opt())                          \
    M(bool, CompteActif, Opt())                                   \
    M(bool, CompteComiteEntreprise, Opt())                        \
    M(QString, Email, Nil())                                      \
    M(qint32, Id, Opt())                                          \
    M(qint32, Keyboard, Nil())                                    \
    M(qint32, KioskDelayReset, Nil())                             \
    M(qint32, KioskQtyReceipts, Nil())                            \
    M(std::optional<TXSDateTime>, LastUpdateBook, Opt())          \
    M(std::optional<TXSDateTime>, LastUpdateCalendar, Opt())      \
    M(std::optional<TXSDateTime>, LastUpdateConsumer, Opt())      \
    M(std::optional<TXSDateTime>, LastUpdateTemplate, Opt())      \
    M(QString, Login, Nil())                                      \
    M(QString, Nom, Nil())                                        \
    M(QString, Numero, Nil())                                     \
    M(QString, Password, Nil())                                   \
    M(qint32, PhotographeId, Opt())                               \
    M(QString, Prenom, Nil())                                     \
    M(std::optional<TXSDateTime>, PrivacyPolicyAcceptDate, Nil()) \
    M(qint32, SoldePacks, Opt())                                  \
    M(char16_t, TypeCons, Opt())                                  \
    M(Tarif_TypeTarif, TypeTarif, Opt())

class Consommateur2 : public TRemotable {
    KIOSK_RECORD(Consommateur2, TRemotable, KIOSK_MEMBERS_Consommateur2)
};
class Consommateur : public Consommateur2 {
    KIOSK_ELEMENT_CLASS(Consommateur, Consommateur2)
};

#define KIOSK_MEMBERS_Demandeur2(M)              \
    M(QString, CodeLangue, Nil())                \
    M(QString, Login, Nil())                     \
    M(QString, Password, Nil())                  \
    M(Demandeur_Profil, TypeDemandeur, Opt())    \
    M(QString, Version, Nil())

class Demandeur2 : public TRemotable {
    KIOSK_RECORD(Demandeur2, TRemotable, KIOSK_MEMBERS_Demandeur2)
};
class Demandeur : public Demandeur2 {
    KIOSK_ELEMENT_CLASS(Demandeur, Demandeur2)
};

#define KIOSK_MEMBERS_Adresse2(M)              \
    M(QString, BoitePostale, Nil())            \
    M(QString, CodePostal, Nil())              \
    M(QString, ComplementAdresse1, Nil())      \
    M(QString, ComplementAdresse2, Nil())      \
    M(qint32, Id, Opt())                       \
    M(QString, Identite, Nil())                \
    M(QString, Libelle, Nil())                 \
    M(QString, Pays, Nil())                    \
    M(QString, Rue, Nil())                     \
    M(QString, Telephone, Nil())               \
    M(QString, Type_, Nil().Xml("Type"))       \
    M(QString, Ville, Nil())

class Adresse2 : public TRemotable {
    KIOSK_RECORD(Adresse2, TRemotable, KIOSK_MEMBERS_Adresse2)
};
class Adresse : public Adresse2 {
    KIOSK_ELEMENT_CLASS(Adresse, Adresse2)
};

#define KIOSK_MEMBERS_FrontPrintDateTime2(M)                   \
    M(QString, DateOrderFormat, Nil())                         \
    M(bool, FrontPrint, Opt())                                 \
    M(std::unique_ptr<Vignette2>, ImgWithDate, Nil())          \
    M(std::unique_ptr<Vignette2>, ImgWithDateTime, Nil())      \
    M(std::unique_ptr<Vignette2>, ImgWithoutDate, Nil())

class FrontPrintDateTime2 : public TRemotable {
    KIOSK_RECORD(FrontPrintDateTime2, TRemotable, KIOSK_MEMBERS_FrontPrintDateTime2)
};
class FrontPrintDateTime : public FrontPrintDateTime2 {
    KIOSK_ELEMENT_CLASS(FrontPrintDateTime, FrontPrintDateTime2)
};

#define KIOSK_MEMBERS_ConditionsKioskUse2(M) \
    M(bool, ConditionsEnabled, Opt())        \
    M(QString, ConditionsText, Nil())

class ConditionsKioskUse2 : public TRemotable {
    KIOSK_RECORD(ConditionsKioskUse2, TRemotable, KIOSK_MEMBERS_ConditionsKioskUse2)
};
class ConditionsKioskUse : public ConditionsKioskUse2 {
    KIOSK_ELEMENT_CLASS(ConditionsKioskUse, ConditionsKioskUse2)
};

// Records of the administration operations: part of the contract, never
// built, sent or read by the kiosk itself.

#define KIOSK_MEMBERS_PhotographeConfig2(M)       \
    M(qint32, Id, Opt())                          \
    M(qint32, LangId, Opt())                      \
    M(QString, LangIsoCode, Nil())                \
    M(QString, MailOrderCreatedBody, Nil())       \
    M(QString, MailOrderCreatedSubject, Nil())    \
    M(bool, MailOrderCreatedToSend, Opt())        \
    M(QString, MailOrderPrintedBody, Nil())       \
    M(bool, MailOrderPrintedManualSend, Opt())    \
    M(QString, MailOrderPrintedSubject, Nil())    \
    M(bool, MailOrderPrintedToSend, Opt())        \
    M(qint32, PhotId, Opt())

class PhotographeConfig2 : public TRemotable {
    KIOSK_RECORD(PhotographeConfig2, TRemotable, KIOSK_MEMBERS_PhotographeConfig2)
};
class PhotographeConfig : public PhotographeConfig2 {
    KIOSK_ELEMENT_CLASS(PhotographeConfig, PhotographeConfig2)
};

#define KIOSK_MEMBERS_InfoClient2(M)                      \
    M(qint32, AdresseCouranteId, Opt())                   \
    M(qint32, AdresseFacturationId, Opt())                \
    M(QString, CP, Nil())                                 \
    M(qint32, ComiteEntrepriseId, Opt())                  \
    M(bool, CompteActif, Opt())                           \
    M(bool, CompteComiteEntreprise, Opt())                \
    M(std::optional<TXSDateTime>, CompteDateCrea, Opt())  \
    M(QString, Email, Nil())                              \
    M(qint32, Id, Opt())                                  \
    M(QString, Nom, Nil())                                \
    M(qint32, NombreTiragesAssocies, Opt())               \
    M(QString, Numero, Nil())                             \
    M(qint32, PhotographeId, Opt())                       \
    M(QString, Prenom, Nil())                             \
    M(qint32, SoldePacks, Opt())                          \
    M(QString, Telephone, Nil())                          \
    M(QString, Ville, Nil())

class InfoClient2 : public TRemotable {
    KIOSK_RECORD(InfoClient2, TRemotable, KIOSK_MEMBERS_InfoClient2)
};
class InfoClient : public InfoClient2 {
    KIOSK_ELEMENT_CLASS(InfoClient, InfoClient2)
};

#define KIOSK_MEMBERS_InfoExportClient2(M)                      \
    M(QString, AdresseCouranteBoitePostale, Nil())              \
    M(QString, AdresseCouranteCodePostal, Nil())                \
    M(QString, AdresseCouranteComplementAdresse1, Nil())        \
    M(QString, AdresseCouranteComplementAdresse2, Nil())        \
    M(QString, AdresseCouranteIdentite, Nil())                  \
    M(QString, AdresseCourantePays, Nil())                      \
    M(QString, AdresseCouranteRue, Nil())                       \
    M(QString, AdresseCouranteTelephone, Nil())                 \
    M(QString, AdresseCouranteVille, Nil())                     \
    M(QString, AdresseFacturationBoitePostale, Nil())           \
    M(QString, AdresseFacturationCodePostal, Nil())             \
    M(QString, AdresseFacturationComplementAdresse1, Nil())     \
    M(QString, AdresseFacturationComplementAdresse2, Nil())     \
    M(QString, AdresseFacturationIdentite, Nil())               \
    M(QString, AdresseFacturationPays, Nil())                   \
    M(QString, AdresseFacturationRue, Nil())                    \
    M(QString, AdresseFacturationTelephone, Nil())              \
    M(QString, AdresseFacturationVille, Nil())                  \
    M(QString, BorneIp, Nil())                                  \
    M(char16_t, BorneModeComm, Opt())                           \
    M(bool, CompteActif, Opt())                                 \
    M(bool, CompteComiteEntreprise, Opt())                      \
    M(std::optional<TXSDateTime>, DateDerniereCommande, Opt())  \
    M(QString, Email, Nil())                                    \
    M(qint32, Id, Opt())                                        \
    M(QString, Login, Nil())                                    \
    M(std::optional<TXSDecimal>, MontantTotalEuros, Opt())      \
    M(qint32, MontantTotalPacks, Opt())                         \
    M(QString, Nom, Nil())                                      \
    M(qint32, NombreCommandes, Opt())                           \
    M(qint32, NombreFichiers, Opt())                            \
    M(QString, Numero, Nil())                                   \
    M(QString, Origine, Nil())                                  \
    M(QString, Prenom, Nil())                                   \
    M(qint32, SoldePacks, Opt())                                \
    M(qint32, TailleFichiers, Opt())                            \
    M(char16_t, TypeCons, Opt())                                \
    M(Tarif_TypeTarif, TypeTirages, Opt())

class InfoExportClient2 : public TRemotable {
    KIOSK_RECORD(InfoExportClient2, TRemotable, KIOSK_MEMBERS_InfoExportClient2)
};
class InfoExportClient : public InfoExportClient2 {
    KIOSK_ELEMENT_CLASS(InfoExportClient, InfoExportClient2)
};

#define KIOSK_MEMBERS_ImprimanteBorne2(M) \
    M(qint32, Id, Opt())                  \
    M(QString, Libelle, Nil())            \
    M(QString, ModeleTech, Nil())         \
    M(QString, NomWindows, Nil())

class ImprimanteBorne2 : public TRemotable {
    KIOSK_RECORD(ImprimanteBorne2, TRemotable, KIOSK_MEMBERS_ImprimanteBorne2)
};
class ImprimanteBorne : public ImprimanteBorne2 {
    KIOSK_ELEMENT_CLASS(ImprimanteBorne, ImprimanteBorne2)
};

#define KIOSK_MEMBERS_Fournisseur2(M) \
    M(qint32, Id, Opt())              \
    M(QString, Nom, Nil())

class Fournisseur2 : public TRemotable {
    KIOSK_RECORD(Fournisseur2, TRemotable, KIOSK_MEMBERS_Fournisseur2)
};
class Fournisseur : public Fournisseur2 {
    KIOSK_ELEMENT_CLASS(Fournisseur, Fournisseur2)
};

#define KIOSK_MEMBERS_KeyValueOfintAdressedVWEscjg(M) \
    M(qint32, Key, Opt())                             \
    M(std::unique_ptr<Adresse2>, Value, Nil())

class KeyValueOfintAdressedVWEscjg : public TRemotable {
    KIOSK_KEYVALUE_RECORD(KeyValueOfintAdressedVWEscjg, TRemotable, KIOSK_MEMBERS_KeyValueOfintAdressedVWEscjg)
};
