#pragma once
// The lab's web service as the kiosk sees it: one synchronous operation per
// service operation, each a SOAP 1.1 request and reply over HTTP.
//
// A record or array returned by an operation belongs to the caller; records
// passed as arguments stay the caller's. A record result may be null (the lab
// answered nil). Failures: ENetHttp for any reply status but 200 (SOAP faults
// included), ESOAPHTTPException for an empty, plain-text or HTML reply,
// ESoapReplyError for a reply that is not this operation's reply, the HTTP
// client's own exceptions for network failures, ECancel when the calling task
// is cancelled while the reply arrives.
#include "ULabAlbumContracts.h"
#include "ULabContracts.h"
#include "ULabHistoContracts.h"
#include "ULabKeyValueContracts.h"
#include "ULabLangContracts.h"
#include "ULabOrderContracts.h"
#include "ULabPartyContracts.h"
#include "ULabPaymentContracts.h"
#include "ULabPrintContracts.h"
#include "ULabTemplateContracts.h"

#include <memory>
#include <optional>
#include <vector>

using Adresse2List = std::vector<std::unique_ptr<Adresse2>>;
using LangChoice2List = std::vector<std::unique_ptr<LangChoice2>>;
using Monnaie2List = std::vector<std::unique_ptr<Monnaie2>>;

class THTTPReqResp;

class ILumLabService {
public:
    virtual ~ILumLabService() = default;

    // Connection, store and account.
    virtual std::unique_ptr<Zebconsumer2> GetZebconsumerByLogin(const Demandeur2* demandeur, const QString& login) = 0;
    virtual std::unique_ptr<Consommateur2> GetConsumerByLogin(const Demandeur2* demandeur, const QString& login) = 0;
    virtual std::unique_ptr<Photographe2> GetPhotographerById(const Demandeur2* demandeur, qint32 id) = 0;
    virtual QString GetConditionsGeneralesById(const Demandeur2* demandeur, qint32 photId) = 0;
    virtual QString GetConditionsVenteById(const Demandeur2* demandeur, qint32 photId) = 0;
    virtual std::unique_ptr<Vignette2> GetPhotographerPriceList(const Demandeur2* demandeur, qint32 photId,
                                                                const QString& md5) = 0;
    virtual std::unique_ptr<Vignette2> GetPhotographerLogo(const Demandeur2* demandeur, qint32 photId,
                                                           const QString& md5) = 0;
    virtual std::unique_ptr<ConditionsKioskUse2> GetConditionsKioskUse(const Demandeur2* demandeur, qint32 photId) = 0;
    virtual std::unique_ptr<FrontPrintDateTime2> GetPhotographerFrontPrint(const Demandeur2* demandeur,
                                                                           qint32 PhotId) = 0;
    virtual Monnaie2List GetMonnaieList(const Demandeur2* demandeur, std::optional<bool> paypalOk) = 0;

    // Addresses.
    virtual std::unique_ptr<Adresse2> GetAddress(const Demandeur2* demandeur, qint32 id) = 0;
    virtual Adresse2List GetConsumerShippingAddresses(const Demandeur2* demandeur, qint32 consId) = 0;
    virtual qint32 AddAddress(const Demandeur2* demandeur, const Adresse2* adresse) = 0;
    virtual qint32 AddConsumerAddress(const Demandeur2* demandeur, qint32 consId, const Adresse2* adresse) = 0;
    virtual bool ModifyAddress(const Demandeur2* demandeur, const Adresse2* adresse) = 0;
    virtual bool DeleteAddress(const Demandeur2* demandeur, qint32 adresseId) = 0;

    // Customer account.
    virtual bool ModifyConsumer(const Demandeur2* demandeur, const Consommateur2* consommateur) = 0;
    virtual bool ModifyConsumerPrivacyPolicyDate(const Demandeur2* demandeur, qint32 consommateurId,
                                                 const std::optional<TXSDateTime>& dateAccept) = 0;

    // Languages.
    virtual LangChoice2List GetLangChoices(const Demandeur2* demandeur, qint32 appId) = 0;
    virtual std::unique_ptr<LangDico2> GetLangDico(const Demandeur2* demandeur, qint32 appId, const QString& isoCode,
                                                   const std::optional<TXSDateTime>& timestamp) = 0;

    // Channels and the catalogue of products.
    virtual Channel2List GetChannels(const Demandeur2* demandeur, qint32 photographeId) = 0;
    virtual Tirage2List GetConsumerPrints(const Demandeur2* demandeur, qint32 consommateurId) = 0;
    virtual Tirage2List GetConsumerTemplates(const Demandeur2* demandeur, qint32 consommateurId) = 0;
    virtual Tarif2List GetPrintsTarifs(const Demandeur2* demandeur, const ArrayOfint& tirageIds) = 0;
    virtual GroupeProduitPhotographe2List GetPhotographerProductGroups(const Demandeur2* demandeur, qint32 photId,
                                                                       GroupeProduitPhotographe_TypeGroupe typeGrp) = 0;
    virtual ZebtemplateVelmora2List GetZebtemplatesVelmoraBase(const Demandeur2* demandeur) = 0;
    virtual TemplateCalendrier2List GetTemplatesCalendrier(const Demandeur2* demandeur) = 0;
    // One frame description per template of a theme at one template size.
    virtual QStringList GetZebtemplatesVelmoraFrames(const Demandeur2* demandeur, qint32 themeId, qint32 tplWidth,
                                                     qint32 tplHeight) = 0;
    virtual AlbumPhotographe2List GetConsumerAlbums(const Demandeur2* demandeur, qint32 consommateurId) = 0;
    virtual PrixAlbum2List GetPhotographerAlbumsTarifs(const Demandeur2* demandeur, qint32 photographeId) = 0;
    virtual Couverture2List GetCouverturesParListe(const Demandeur2* demandeur, const ArrayOfint& listeCouverturesId,
                                                   bool chargementImages) = 0;
    virtual CouleurMatiere2List GetCouleurMatieresParListe(const Demandeur2* demandeur,
                                                           const ArrayOfint& listeCouleurMatieresId,
                                                           bool chargementImages) = 0;
    virtual FondAlbum2List GetFondsAlbumParFamille(const Demandeur2* demandeur, qint32 familleFondId, qint32 largeur,
                                                   qint32 hauteur, bool chargementImage) = 0;
    // One page model per string, for a book size.
    virtual QStringList GetZebModelesPage(const Demandeur2* demandeur, qint32 largeur, qint32 hauteur) = 0;
    virtual GammeFond2List GetZebGammeFonds(const Demandeur2* demandeur) = 0;

    // Catalogue pictures and decorations.
    virtual std::unique_ptr<Vignette2> GetVignette(const Demandeur2* demandeur, qint32 vignetteId) = 0;
    virtual std::unique_ptr<VignetteDeco2> GetVignetteDeco(const Demandeur2* demandeur, const QString& imagetteNom) = 0;
    // Digests of the decoration pictures by name (Key: name, Value: digest).
    virtual KeyValueOfstringstringList GetVignettesDecoMD5(const Demandeur2* demandeur,
                                                           const QStringList& listeImagetteNoms) = 0;
    virtual ScrapFrame2List GetScrapFrames(const Demandeur2* demandeur) = 0;

    // Orders. The header, lines and pages stay the caller's; the answer is
    // a header of the same kind carrying the lab's Id, Numero and SoldePacks
    // (null when the lab answered nil).
    virtual std::unique_ptr<Commande2> PasserCommande(const Demandeur2* demandeur, const Commande2* order,
                                                      const std::vector<const LigneDeCommande2*>& lignes) = 0;
    virtual std::unique_ptr<CommandeAlbum2> AddOrderAlbum(const Demandeur2* demandeur, const CommandeAlbum2* order,
                                                          const std::vector<const LigneDeCommande2*>& lignes,
                                                          const std::vector<const CommandeAlbumPage2*>& pages) = 0;
    virtual std::unique_ptr<CommandeTemplate2> AddOrderTemplate(const Demandeur2* demandeur,
                                                                const CommandeTemplate2* order,
                                                                const std::vector<const LigneDeCommande2*>& lignes) = 0;
    virtual bool ModifyOrderStatus(const Demandeur2* demandeur, qint32 id, const QString& status) = 0;
    virtual bool ModifyOrderPaymentStatus(const Demandeur2* demandeur, qint32 id, const QString& status) = 0;

    // Order history of a consumer account, the latest nbCmds orders.
    virtual HistoConsoCommande2List GetConsumerLastOrders(const Demandeur2* demandeur, qint32 consId,
                                                          qint32 nbCmds) = 0;

    // The transport of the client, to set its time-outs and agent.
    virtual THTTPReqResp& Transport() = 0;
};

using ILumLabServicePtr = std::shared_ptr<ILumLabService>;

// A client of the service at url (the server's root address followed by
// "LumLabService.svc").
ILumLabServicePtr GetILumLabService(const QString& url);

// The SOAP action of an operation: the service namespace, "ILumLabService/"
// and the operation's name.
QString LumLabSoapAction(const QString& operation);

// Adds every record class of the contract to the class registry, type classes
// before their element classes, so that TRttiRegistry finds them by name.
// Safe to call many times, from any thread.
void LumLabServiceRegisterTypes();
