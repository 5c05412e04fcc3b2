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

private:
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
