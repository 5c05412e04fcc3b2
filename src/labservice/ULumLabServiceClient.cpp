// The client of the lab service: each operation writes its request envelope,
// posts it through the SOAP transport and reads the reply envelope.
#include "LumLabService.h"

#include "USoapEnvelope.h"
#include "USoapHttpTrans.h"

namespace {

class TLumLabServiceClient : public ILumLabService {
public:
    explicit TLumLabServiceClient(const QString& url)
    {
        LumLabServiceRegisterTypes();
        fTransport.SetURL(url);
    }

    THTTPReqResp& Transport() override { return fTransport; }

    std::unique_ptr<Zebconsumer2> GetZebconsumerByLogin(const Demandeur2* demandeur, const QString& login) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetZebconsumerByLogin"), demandeur);
        w.AddString(QStringLiteral("login"), login);
        return call(QStringLiteral("GetZebconsumerByLogin"), w)->Read<Zebconsumer2>();
    }

    std::unique_ptr<Consommateur2> GetConsumerByLogin(const Demandeur2* demandeur, const QString& login) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConsumerByLogin"), demandeur);
        w.AddString(QStringLiteral("login"), login);
        return call(QStringLiteral("GetConsumerByLogin"), w)->Read<Consommateur2>();
    }

    std::unique_ptr<Photographe2> GetPhotographerById(const Demandeur2* demandeur, qint32 id) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPhotographerById"), demandeur);
        w.AddInteger(QStringLiteral("id"), id);
        return call(QStringLiteral("GetPhotographerById"), w)->Read<Photographe2>();
    }

    QString GetConditionsGeneralesById(const Demandeur2* demandeur, qint32 photId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConditionsGeneralesById"), demandeur);
        w.AddInteger(QStringLiteral("photId"), photId);
        return call(QStringLiteral("GetConditionsGeneralesById"), w)->ReadString();
    }

    QString GetConditionsVenteById(const Demandeur2* demandeur, qint32 photId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConditionsVenteById"), demandeur);
        w.AddInteger(QStringLiteral("photId"), photId);
        return call(QStringLiteral("GetConditionsVenteById"), w)->ReadString();
    }

    std::unique_ptr<Vignette2> GetPhotographerPriceList(const Demandeur2* demandeur, qint32 photId,
                                                        const QString& md5) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPhotographerPriceList"), demandeur);
        w.AddInteger(QStringLiteral("photId"), photId);
        w.AddString(QStringLiteral("md5"), md5);
        return call(QStringLiteral("GetPhotographerPriceList"), w)->Read<Vignette2>();
    }

    std::unique_ptr<Vignette2> GetPhotographerLogo(const Demandeur2* demandeur, qint32 photId,
                                                   const QString& md5) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPhotographerLogo"), demandeur);
        w.AddInteger(QStringLiteral("photId"), photId);
        w.AddString(QStringLiteral("md5"), md5);
        return call(QStringLiteral("GetPhotographerLogo"), w)->Read<Vignette2>();
    }

    std::unique_ptr<ConditionsKioskUse2> GetConditionsKioskUse(const Demandeur2* demandeur, qint32 photId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConditionsKioskUse"), demandeur);
        w.AddInteger(QStringLiteral("photId"), photId);
        return call(QStringLiteral("GetConditionsKioskUse"), w)->Read<ConditionsKioskUse2>();
    }

    std::unique_ptr<FrontPrintDateTime2> GetPhotographerFrontPrint(const Demandeur2* demandeur, qint32 PhotId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPhotographerFrontPrint"), demandeur);
        w.AddInteger(QStringLiteral("PhotId"), PhotId);
        return call(QStringLiteral("GetPhotographerFrontPrint"), w)->Read<FrontPrintDateTime2>();
    }

    Monnaie2List GetMonnaieList(const Demandeur2* demandeur, std::optional<bool> paypalOk) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetMonnaieList"), demandeur);
        w.AddNilBoolean(QStringLiteral("paypalOk"), paypalOk);
        return call(QStringLiteral("GetMonnaieList"), w)->ReadArray<Monnaie2>(QStringLiteral("Monnaie"));
    }

    std::unique_ptr<Adresse2> GetAddress(const Demandeur2* demandeur, qint32 id) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetAddress"), demandeur);
        w.AddInteger(QStringLiteral("id"), id);
        return call(QStringLiteral("GetAddress"), w)->Read<Adresse2>();
    }

    Adresse2List GetConsumerShippingAddresses(const Demandeur2* demandeur, qint32 consId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConsumerShippingAddresses"), demandeur);
        w.AddInteger(QStringLiteral("consId"), consId);
        return call(QStringLiteral("GetConsumerShippingAddresses"), w)->ReadArray<Adresse2>(QStringLiteral("Adresse"));
    }

    qint32 AddAddress(const Demandeur2* demandeur, const Adresse2* adresse) override
    {
        TSoapRequestWriter w = request(QStringLiteral("AddAddress"), demandeur);
        w.AddRecord(QStringLiteral("adresse"), adresse);
        return call(QStringLiteral("AddAddress"), w)->ReadInteger();
    }

    qint32 AddConsumerAddress(const Demandeur2* demandeur, qint32 consId, const Adresse2* adresse) override
    {
        TSoapRequestWriter w = request(QStringLiteral("AddConsumerAddress"), demandeur);
        w.AddInteger(QStringLiteral("consId"), consId);
        w.AddRecord(QStringLiteral("adresse"), adresse);
        return call(QStringLiteral("AddConsumerAddress"), w)->ReadInteger();
    }

    bool ModifyAddress(const Demandeur2* demandeur, const Adresse2* adresse) override
    {
        TSoapRequestWriter w = request(QStringLiteral("ModifyAddress"), demandeur);
        w.AddRecord(QStringLiteral("adresse"), adresse);
        return call(QStringLiteral("ModifyAddress"), w)->ReadBoolean();
    }

    bool DeleteAddress(const Demandeur2* demandeur, qint32 adresseId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("DeleteAddress"), demandeur);
        w.AddInteger(QStringLiteral("adresseId"), adresseId);
        return call(QStringLiteral("DeleteAddress"), w)->ReadBoolean();
    }

    bool ModifyConsumer(const Demandeur2* demandeur, const Consommateur2* consommateur) override
    {
        TSoapRequestWriter w = request(QStringLiteral("ModifyConsumer"), demandeur);
        w.AddRecord(QStringLiteral("consommateur"), consommateur);
        return call(QStringLiteral("ModifyConsumer"), w)->ReadBoolean();
    }

    bool ModifyConsumerPrivacyPolicyDate(const Demandeur2* demandeur, qint32 consommateurId,
                                         const std::optional<TXSDateTime>& dateAccept) override
    {
        TSoapRequestWriter w = request(QStringLiteral("ModifyConsumerPrivacyPolicyDate"), demandeur);
        w.AddInteger(QStringLiteral("consommateurId"), consommateurId);
        w.AddDateTime(QStringLiteral("dateAccept"), dateAccept, true);
        return call(QStringLiteral("ModifyConsumerPrivacyPolicyDate"), w)->ReadBoolean();
    }

    LangChoice2List GetLangChoices(const Demandeur2* demandeur, qint32 appId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetLangChoices"), demandeur);
        w.AddInteger(QStringLiteral("appId"), appId);
        return call(QStringLiteral("GetLangChoices"), w)->ReadArray<LangChoice2>(QStringLiteral("LangChoice"));
    }

    std::unique_ptr<LangDico2> GetLangDico(const Demandeur2* demandeur, qint32 appId, const QString& isoCode,
                                           const std::optional<TXSDateTime>& timestamp) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetLangDico"), demandeur);
        w.AddInteger(QStringLiteral("appId"), appId);
        w.AddString(QStringLiteral("isoCode"), isoCode);
        w.AddDateTime(QStringLiteral("timestamp"), timestamp, false);
        return call(QStringLiteral("GetLangDico"), w)->Read<LangDico2>();
    }

    Channel2List GetChannels(const Demandeur2* demandeur, qint32 photographeId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetChannels"), demandeur);
        w.AddInteger(QStringLiteral("photographeId"), photographeId);
        return call(QStringLiteral("GetChannels"), w)->ReadArray<Channel2>(QStringLiteral("Channel"));
    }

    Tirage2List GetConsumerPrints(const Demandeur2* demandeur, qint32 consommateurId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConsumerPrints"), demandeur);
        w.AddInteger(QStringLiteral("consommateurId"), consommateurId);
        return call(QStringLiteral("GetConsumerPrints"), w)->ReadArray<Tirage2>(QStringLiteral("Tirage"));
    }

    Tirage2List GetConsumerTemplates(const Demandeur2* demandeur, qint32 consommateurId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConsumerTemplates"), demandeur);
        w.AddInteger(QStringLiteral("consommateurId"), consommateurId);
        return call(QStringLiteral("GetConsumerTemplates"), w)->ReadArray<Tirage2>(QStringLiteral("Tirage"));
    }

    Tarif2List GetPrintsTarifs(const Demandeur2* demandeur, const ArrayOfint& tirageIds) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPrintsTarifs"), demandeur);
        w.AddIntArray(QStringLiteral("tirageIds"), tirageIds);
        return call(QStringLiteral("GetPrintsTarifs"), w)->ReadArray<Tarif2>(QStringLiteral("Tarif"));
    }

    GroupeProduitPhotographe2List GetPhotographerProductGroups(const Demandeur2* demandeur, qint32 photId,
                                                               GroupeProduitPhotographe_TypeGroupe typeGrp) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPhotographerProductGroups"), demandeur);
        w.AddInteger(QStringLiteral("photId"), photId);
        w.AddEnum(QStringLiteral("typeGrp"), EnumInfoOf<GroupeProduitPhotographe_TypeGroupe>(), int(typeGrp));
        return call(QStringLiteral("GetPhotographerProductGroups"), w)
            ->ReadArray<GroupeProduitPhotographe2>(QStringLiteral("GroupeProduitPhotographe"));
    }

    ZebtemplateVelmora2List GetZebtemplatesVelmoraBase(const Demandeur2* demandeur) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetZebtemplatesVelmoraBase"), demandeur);
        return call(QStringLiteral("GetZebtemplatesVelmoraBase"), w)
            ->ReadArray<ZebtemplateVelmora2>(QStringLiteral("ZebtemplateVelmora"));
    }

    TemplateCalendrier2List GetTemplatesCalendrier(const Demandeur2* demandeur) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetTemplatesCalendrier"), demandeur);
        return call(QStringLiteral("GetTemplatesCalendrier"), w)
            ->ReadArray<TemplateCalendrier2>(QStringLiteral("TemplateCalendrier"));
    }

    QStringList GetZebtemplatesVelmoraFrames(const Demandeur2* demandeur, qint32 themeId, qint32 tplWidth,
                                             qint32 tplHeight) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetZebtemplatesVelmoraFrames"), demandeur);
        w.AddInteger(QStringLiteral("themeId"), themeId);
        w.AddInteger(QStringLiteral("tplWidth"), tplWidth);
        w.AddInteger(QStringLiteral("tplHeight"), tplHeight);
        return call(QStringLiteral("GetZebtemplatesVelmoraFrames"), w)->ReadStringArray();
    }

    AlbumPhotographe2List GetConsumerAlbums(const Demandeur2* demandeur, qint32 consommateurId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConsumerAlbums"), demandeur);
        w.AddInteger(QStringLiteral("consommateurId"), consommateurId);
        return call(QStringLiteral("GetConsumerAlbums"), w)
            ->ReadArray<AlbumPhotographe2>(QStringLiteral("AlbumPhotographe"));
    }

    PrixAlbum2List GetPhotographerAlbumsTarifs(const Demandeur2* demandeur, qint32 photographeId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetPhotographerAlbumsTarifs"), demandeur);
        w.AddInteger(QStringLiteral("photographeId"), photographeId);
        return call(QStringLiteral("GetPhotographerAlbumsTarifs"), w)->ReadArray<PrixAlbum2>(QStringLiteral("PrixAlbum"));
    }

    Couverture2List GetCouverturesParListe(const Demandeur2* demandeur, const ArrayOfint& listeCouverturesId,
                                           bool chargementImages) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetCouverturesParListe"), demandeur);
        w.AddIntArray(QStringLiteral("listeCouverturesId"), listeCouverturesId);
        w.AddBoolean(QStringLiteral("chargementImages"), chargementImages);
        return call(QStringLiteral("GetCouverturesParListe"), w)->ReadArray<Couverture2>(QStringLiteral("Couverture"));
    }

    CouleurMatiere2List GetCouleurMatieresParListe(const Demandeur2* demandeur, const ArrayOfint& listeCouleurMatieresId,
                                                   bool chargementImages) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetCouleurMatieresParListe"), demandeur);
        w.AddIntArray(QStringLiteral("listeCouleurMatieresId"), listeCouleurMatieresId);
        w.AddBoolean(QStringLiteral("chargementImages"), chargementImages);
        return call(QStringLiteral("GetCouleurMatieresParListe"), w)
            ->ReadArray<CouleurMatiere2>(QStringLiteral("CouleurMatiere"));
    }

    FondAlbum2List GetFondsAlbumParFamille(const Demandeur2* demandeur, qint32 familleFondId, qint32 largeur,
                                           qint32 hauteur, bool chargementImage) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetFondsAlbumParFamille"), demandeur);
        w.AddInteger(QStringLiteral("familleFondId"), familleFondId);
        w.AddInteger(QStringLiteral("largeur"), largeur);
        w.AddInteger(QStringLiteral("hauteur"), hauteur);
        w.AddBoolean(QStringLiteral("chargementImage"), chargementImage);
        return call(QStringLiteral("GetFondsAlbumParFamille"), w)->ReadArray<FondAlbum2>(QStringLiteral("FondAlbum"));
    }

    QStringList GetZebModelesPage(const Demandeur2* demandeur, qint32 largeur, qint32 hauteur) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetZebModelesPage"), demandeur);
        w.AddInteger(QStringLiteral("largeur"), largeur);
        w.AddInteger(QStringLiteral("hauteur"), hauteur);
        return call(QStringLiteral("GetZebModelesPage"), w)->ReadStringArray();
    }

    GammeFond2List GetZebGammeFonds(const Demandeur2* demandeur) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetZebGammeFonds"), demandeur);
        return call(QStringLiteral("GetZebGammeFonds"), w)->ReadArray<GammeFond2>(QStringLiteral("GammeFond"));
    }

    std::unique_ptr<Vignette2> GetVignette(const Demandeur2* demandeur, qint32 vignetteId) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetVignette"), demandeur);
        w.AddInteger(QStringLiteral("vignetteId"), vignetteId);
        return call(QStringLiteral("GetVignette"), w)->Read<Vignette2>();
    }

    std::unique_ptr<VignetteDeco2> GetVignetteDeco(const Demandeur2* demandeur, const QString& imagetteNom) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetVignetteDeco"), demandeur);
        w.AddString(QStringLiteral("imagetteNom"), imagetteNom);
        return call(QStringLiteral("GetVignetteDeco"), w)->Read<VignetteDeco2>();
    }

    KeyValueOfstringstringList GetVignettesDecoMD5(const Demandeur2* demandeur,
                                                   const QStringList& listeImagetteNoms) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetVignettesDecoMD5"), demandeur);
        w.AddStringArray(QStringLiteral("listeImagetteNoms"), listeImagetteNoms);
        return call(QStringLiteral("GetVignettesDecoMD5"), w)
            ->ReadArray<KeyValueOfstringstring>(QStringLiteral("KeyValueOfstringstring"));
    }

    ScrapFrame2List GetScrapFrames(const Demandeur2* demandeur) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetScrapFrames"), demandeur);
        return call(QStringLiteral("GetScrapFrames"), w)->ReadArray<ScrapFrame2>(QStringLiteral("ScrapFrame"));
    }

    std::unique_ptr<Commande2> PasserCommande(const Demandeur2* demandeur, const Commande2* order,
                                              const std::vector<const LigneDeCommande2*>& lignes) override
    {
        TSoapRequestWriter w = request(QStringLiteral("PasserCommande"), demandeur);
        w.AddRecord(QStringLiteral("order"), order);
        w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), records(lignes));
        return call(QStringLiteral("PasserCommande"), w)->Read<Commande2>();
    }

    std::unique_ptr<CommandeAlbum2> AddOrderAlbum(const Demandeur2* demandeur, const CommandeAlbum2* order,
                                                  const std::vector<const LigneDeCommande2*>& lignes,
                                                  const std::vector<const CommandeAlbumPage2*>& pages) override
    {
        TSoapRequestWriter w = request(QStringLiteral("AddOrderAlbum"), demandeur);
        w.AddRecord(QStringLiteral("order"), order);
        w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), records(lignes));
        w.AddRecords(QStringLiteral("pages"), QStringLiteral("CommandeAlbumPage"), records(pages));
        return call(QStringLiteral("AddOrderAlbum"), w)->Read<CommandeAlbum2>();
    }

    std::unique_ptr<CommandeTemplate2> AddOrderTemplate(const Demandeur2* demandeur, const CommandeTemplate2* order,
                                                        const std::vector<const LigneDeCommande2*>& lignes) override
    {
        TSoapRequestWriter w = request(QStringLiteral("AddOrderTemplate"), demandeur);
        w.AddRecord(QStringLiteral("order"), order);
        w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), records(lignes));
        return call(QStringLiteral("AddOrderTemplate"), w)->Read<CommandeTemplate2>();
    }

    bool ModifyOrderStatus(const Demandeur2* demandeur, qint32 id, const QString& status) override
    {
        TSoapRequestWriter w = request(QStringLiteral("ModifyOrderStatus"), demandeur);
        w.AddInteger(QStringLiteral("id"), id);
        w.AddString(QStringLiteral("status"), status);
        return call(QStringLiteral("ModifyOrderStatus"), w)->ReadBoolean();
    }

    bool ModifyOrderPaymentStatus(const Demandeur2* demandeur, qint32 id, const QString& status) override
    {
        TSoapRequestWriter w = request(QStringLiteral("ModifyOrderPaymentStatus"), demandeur);
        w.AddInteger(QStringLiteral("id"), id);
        w.AddString(QStringLiteral("status"), status);
        return call(QStringLiteral("ModifyOrderPaymentStatus"), w)->ReadBoolean();
    }

    HistoConsoCommande2List GetConsumerLastOrders(const Demandeur2* demandeur, qint32 consId, qint32 nbCmds) override
    {
        TSoapRequestWriter w = request(QStringLiteral("GetConsumerLastOrders"), demandeur);
        w.AddInteger(QStringLiteral("consId"), consId);
        w.AddInteger(QStringLiteral("nbCmds"), nbCmds);
        return call(QStringLiteral("GetConsumerLastOrders"), w)
            ->ReadArray<HistoConsoCommande2>(QStringLiteral("HistoConsoCommande"));
    }

private:
    template <class T>
    static std::vector<const TRemotable*> records(const std::vector<const T*>& items)
    {
        return std::vector<const TRemotable*>(items.begin(), items.end());
    }

    static TSoapRequestWriter request(const QString& operation, const Demandeur2* demandeur)
    {
        TSoapRequestWriter w(operation, LabNs::Service);
        w.AddRecord(QStringLiteral("demandeur"), demandeur);
        return w;
    }

    std::unique_ptr<TSoapReplyReader> call(const QString& operation, const TSoapRequestWriter& w)
    {
        fTransport.BeforeExecute(LumLabSoapAction(operation));
        const QByteArray reply = fTransport.Execute(w.ToBytes());
        return std::make_unique<TSoapReplyReader>(operation, LabNs::Service, reply);
    }

    THTTPReqResp fTransport;
};

} // namespace

ILumLabServicePtr GetILumLabService(const QString& url)
{
    return std::make_shared<TLumLabServiceClient>(url);
}
