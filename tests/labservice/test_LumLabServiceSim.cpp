// Calls of the lab service against the lab simulator on 127.0.0.1.
#include "LabServiceSim.h"
#include "LumLabService.h"
#include "USoapEnvelope.h"
#include "USoapHttpTrans.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

class LumLabServiceSim : public testsupport::LabServiceSimSuite {
protected:
    void SetUp() override
    {
        LabServiceSimSuite::SetUp();
        service = GetILumLabService(serviceUrl());
        asker = demoAsker();
    }

    static void answerNext(const char* kind, const char* operation = "*")
    {
        ASSERT_TRUE(control({{"cmd", "answer"}, {"answer", kind}, {"operation", operation}})
                        .value(QStringLiteral("ok"))
                        .toBool());
    }

    // The journal entries of the lab service page.
    static QList<QJsonObject> serviceCalls()
    {
        QList<QJsonObject> out;
        for (const QJsonValue& v : sim->journal()) {
            const QJsonObject e = v.toObject();
            if (e.value(QStringLiteral("path")).toString() == QLatin1String("/LumLabService.svc"))
                out << e;
        }
        return out;
    }

    ILumLabServicePtr service;
    std::unique_ptr<Demandeur2> asker;
};

} // namespace

TEST_F(LumLabServiceSim, LanguageChoicesAndDictionaries)
{
    LangChoice2List choices = service->GetLangChoices(asker.get(), 4);
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0]->IsoCode(), QStringLiteral("en"));
    EXPECT_EQ(choices[1]->DisplayName(), QStringLiteral("Fran\u00e7ais"));

    std::unique_ptr<LangDico2> fr = service->GetLangDico(asker.get(), 4, QStringLiteral("fr"), std::nullopt);
    ASSERT_NE(fr, nullptr);
    EXPECT_EQ(fr->IsoCode(), QStringLiteral("fr"));
    ASSERT_TRUE(fr->LastUpdate().has_value());
    EXPECT_EQ(fr->LastUpdate()->NativeToXS(), QStringLiteral("2024-01-11T09:30:00.000"));
    ASSERT_EQ(fr->Translations().size(), 3u);
    EXPECT_EQ(fr->Translations()[1]->TranslatedString(), QStringLiteral("Panier"));
    EXPECT_EQ(fr->Translations()[2]->TranslatedString(), QStringLiteral("Prix : %s & <TTC>"));

    std::unique_ptr<LangDico2> common = service->GetLangDico(asker.get(), 0, QStringLiteral("en"), std::nullopt);
    ASSERT_NE(common, nullptr);
    EXPECT_EQ(common->Translations()[0]->InitialString(), QStringLiteral("Common.Format001"));

    // A copy as recent as the lab's: the lab answers nil.
    EXPECT_EQ(service->GetLangDico(asker.get(), 4, QStringLiteral("fr"), fr->LastUpdate()), nullptr);

    const QList<QJsonObject> calls = serviceCalls();
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].value(QStringLiteral("operation")).toString(), QStringLiteral("GetLangChoices"));
    EXPECT_EQ(calls[1].value(QStringLiteral("operation")).toString(), QStringLiteral("GetLangDico"));
    for (const QJsonObject& c : calls)
        EXPECT_EQ(c.value(QStringLiteral("requester")).toString(), QStringLiteral("ok"));
}

TEST_F(LumLabServiceSim, RequestsCarryTheHeadersInOrder)
{
    service->GetLangChoices(asker.get(), 4);
    service->GetAddress(asker.get(), 501);
    const QList<QJsonObject> calls = serviceCalls();
    ASSERT_EQ(calls.size(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        QStringList names;
        QMap<QString, QString> values;
        for (const QJsonValue& h : calls[i].value(QStringLiteral("headers")).toArray()) {
            const QString name = h.toArray().at(0).toString().toLower();
            names << name;
            values[name] = h.toArray().at(1).toString();
        }
        EXPECT_EQ(values.value(QStringLiteral("content-type")), QStringLiteral("text/xml; charset=utf-8"));
        EXPECT_EQ(values.value(QStringLiteral("accept")), QStringLiteral("*/*"));
        EXPECT_EQ(values.value(QStringLiteral("user-agent")), QStringLiteral("KioskSoapClient/1.0"));
        const QString op = i == 0 ? QStringLiteral("GetLangChoices") : QStringLiteral("GetAddress");
        EXPECT_EQ(values.value(QStringLiteral("soapaction")), QStringLiteral("\"http://tempuri.org/ILumLabService/%1\"").arg(op));
        EXPECT_EQ(names.count(QStringLiteral("soapaction")), 1);
        EXPECT_LT(names.indexOf(QStringLiteral("content-type")), names.indexOf(QStringLiteral("soapaction")));
        EXPECT_LT(names.indexOf(QStringLiteral("soapaction")), names.indexOf(QStringLiteral("accept")));
        EXPECT_EQ(calls[i].value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
    }
}

TEST_F(LumLabServiceSim, LogInConsumerAndPhotographer)
{
    std::unique_ptr<Zebconsumer2> boot = service->GetZebconsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(boot, nullptr);
    EXPECT_EQ(boot->Id(), 345);
    EXPECT_EQ(boot->PhotographeId(), 12);
    EXPECT_EQ(boot->BorneModeCommunication(), u'I');
    EXPECT_EQ(boot->Message_(), QStringLiteral("Welcome to the demo shop!"));
    EXPECT_TRUE(boot->HasBook());
    EXPECT_FALSE(boot->HasCard());
    EXPECT_TRUE(boot->HasCard_Specified());
    EXPECT_FALSE(boot->PrivacyPolicyConsumerDate().has_value());
    EXPECT_TRUE(boot->PrivacyPolicyConsumerDate_Specified());
    EXPECT_EQ(boot->LastUpdateTemplate()->NativeToXS(), QStringLiteral("2024-02-04T12:00:00.000"));
    EXPECT_EQ(service->GetZebconsumerByLogin(asker.get(), QStringLiteral("nobody")), nullptr);

    std::unique_ptr<Consommateur2> cons = service->GetConsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(cons, nullptr);
    EXPECT_EQ(cons->TypeTarif(), Tarif_TypeTarif::EurosMagasin);
    EXPECT_EQ(cons->TypeCons(), u'B');
    EXPECT_EQ(cons->SoldePacks(), 40);
    EXPECT_EQ(cons->KioskDelayReset(), 180);

    std::unique_ptr<Photographe2> shop = service->GetPhotographerById(asker.get(), cons->PhotographeId());
    ASSERT_NE(shop, nullptr);
    EXPECT_EQ(shop->AccountStatus(), PhotographerStatus::enabled);
    EXPECT_EQ(shop->TypePaiementADistance(), Photographe_TypePaiementEnLigne::PAYPAL);
    EXPECT_EQ(shop->PhotTireuseType(), Photographe_TireuseType::Epson);
    EXPECT_EQ(shop->RaisonSociale(), QStringLiteral("Demo Photo & Co <Lab>"));
    EXPECT_DOUBLE_EQ(shop->FraisDePortEnPrix(), 4.5);
    EXPECT_EQ(shop->ResolutionDpi(), 300);
    ASSERT_NE(shop->PhotMonnaie(), nullptr);
    EXPECT_EQ(shop->PhotMonnaie()->Symbole(), QStringLiteral("\u20ac"));
    EXPECT_EQ(shop->ZebfeaturesDisabled(), QStringList({QStringLiteral("Facebook")}));
    EXPECT_TRUE(shop->VyrmodulesEnabled_Specified());
    EXPECT_TRUE(shop->VyrmodulesEnabled().isEmpty());
    EXPECT_TRUE(shop->Commentaire_Specified());
    EXPECT_TRUE(TRttiCache::Get(*shop).PropInfoForWrite(QStringLiteral("Commentaire"))->IsNil(*shop));
    EXPECT_EQ(service->GetPhotographerById(asker.get(), 999), nullptr);

    EXPECT_EQ(service->GetConditionsGeneralesById(asker.get(), 12), QStringLiteral("General terms of the demo shop."));
    EXPECT_EQ(service->GetConditionsVenteById(asker.get(), 12), QStringLiteral("Terms of sale: prices include VAT."));

    std::unique_ptr<ConditionsKioskUse2> use = service->GetConditionsKioskUse(asker.get(), 12);
    ASSERT_NE(use, nullptr);
    EXPECT_TRUE(use->ConditionsEnabled());
    EXPECT_EQ(use->ConditionsText(), QStringLiteral("Pictures must be yours.\nNo refund after printing."));

    std::unique_ptr<Vignette2> logo = service->GetPhotographerLogo(asker.get(), 12, QStringLiteral("DELETED"));
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(logo->Image().startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(logo->Image().size(), 40);
    // With the current digest the lab has nothing newer: no record.
    EXPECT_EQ(service->GetPhotographerLogo(asker.get(), 12, logo->MD5()), nullptr);
    EXPECT_EQ(service->GetPhotographerPriceList(asker.get(), 12, QStringLiteral("DELETED"))->Nom(),
              QStringLiteral("prices.pdf"));

    std::unique_ptr<FrontPrintDateTime2> front = service->GetPhotographerFrontPrint(asker.get(), 12);
    ASSERT_NE(front, nullptr);
    ASSERT_NE(front->ImgWithDate(), nullptr);
    EXPECT_EQ(front->ImgWithDate()->Image(), QByteArray("front-with-date"));
    EXPECT_EQ(front->ImgWithDateTime(), nullptr);
    EXPECT_TRUE(front->ImgWithDateTime_Specified());

    EXPECT_EQ(service->GetMonnaieList(asker.get(), std::nullopt).size(), 2u);
    Monnaie2List paypal = service->GetMonnaieList(asker.get(), true);
    ASSERT_EQ(paypal.size(), 1u);
    EXPECT_EQ(paypal[0]->Code(), QStringLiteral("EUR"));
}

TEST_F(LumLabServiceSim, ConsumerReadAndSentBackKeepsItsMembers)
{
    std::unique_ptr<Consommateur2> cons = service->GetConsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(cons, nullptr);
    cons->setNom(QStringLiteral("Dupont & fils"));
    EXPECT_TRUE(service->ModifyConsumer(asker.get(), cons.get()));

    const QJsonObject data = control({{"cmd", "data"}}).value(QStringLiteral("data")).toObject();
    EXPECT_EQ(data.value(QStringLiteral("consumer")).toObject().value(QStringLiteral("Nom")).toString(),
              QStringLiteral("Dupont & fils"));
    // The lab wrote every member; the record sends every one of them back.
    QStringList sent;
    for (const QJsonValue& v : data.value(QStringLiteral("last_modify_consumer")).toArray())
        sent << v.toString();
    EXPECT_EQ(sent.size(), 27);

    // A record built by the program sends only what was set.
    Consommateur2 partial;
    partial.setId(345);
    partial.setSoldePacks(12);
    EXPECT_TRUE(service->ModifyConsumer(asker.get(), &partial));
    const QJsonObject after = control({{"cmd", "data"}}).value(QStringLiteral("data")).toObject();
    EXPECT_EQ(after.value(QStringLiteral("last_modify_consumer")).toArray(),
              QJsonArray({QStringLiteral("Id"), QStringLiteral("SoldePacks")}));

    EXPECT_TRUE(service->ModifyConsumerPrivacyPolicyDate(asker.get(), 345,
                                                         TXSDateTime::FromXS(QStringLiteral("2024-03-01T10:00:00Z"))));
    EXPECT_EQ(control({{"cmd", "data"}}).value(QStringLiteral("data")).toObject().value(QStringLiteral("consumer"))
                  .toObject().value(QStringLiteral("PrivacyPolicyAcceptDate")).toString(),
              QStringLiteral("2024-03-01T10:00:00.000Z"));
    EXPECT_FALSE(service->ModifyConsumerPrivacyPolicyDate(asker.get(), 1, std::nullopt));
}

TEST_F(LumLabServiceSim, Addresses)
{
    std::unique_ptr<Adresse2> shop = service->GetAddress(asker.get(), 501);
    ASSERT_NE(shop, nullptr);
    EXPECT_EQ(shop->Type_(), QStringLiteral("MAG"));
    EXPECT_EQ(shop->Ville(), QStringLiteral("Paris"));
    EXPECT_EQ(service->GetAddress(asker.get(), 9999), nullptr);

    Adresse2List shipping = service->GetConsumerShippingAddresses(asker.get(), 345);
    ASSERT_EQ(shipping.size(), 1u);
    EXPECT_EQ(shipping[0]->Rue(), QStringLiteral("4 la Canebi\u00e8re"));
    EXPECT_EQ(shipping[0]->ComplementAdresse1(), QStringLiteral("Bat. B"));

    Adresse added;
    added.setId(-1);
    added.setType_(QStringLiteral("LIVR"));
    added.setVille(QStringLiteral("Nice"));
    const qint32 id = service->AddConsumerAddress(asker.get(), 345, &added);
    EXPECT_GE(id, 1);
    EXPECT_EQ(service->GetConsumerShippingAddresses(asker.get(), 345).size(), 2u);

    std::unique_ptr<Adresse2> back = service->GetAddress(asker.get(), id);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Type_(), QStringLiteral("LIVR"));
    back->setVille(QStringLiteral("Antibes"));
    EXPECT_TRUE(service->ModifyAddress(asker.get(), back.get()));
    EXPECT_EQ(service->GetAddress(asker.get(), id)->Ville(), QStringLiteral("Antibes"));
    EXPECT_TRUE(service->DeleteAddress(asker.get(), id));
    EXPECT_FALSE(service->DeleteAddress(asker.get(), id));

    Adresse delivery;
    delivery.setId(-1);
    delivery.setType_(QStringLiteral("LIVR"));
    EXPECT_GT(service->AddAddress(asker.get(), &delivery), 0);
}

TEST_F(LumLabServiceSim, RefusedRequesterIsAFault)
{
    asker->setPassword(QStringLiteral("Q7#wrong!K4"));
    try {
        service->GetLangChoices(asker.get(), 4);
        FAIL() << "no exception";
    } catch (const ENetHttp& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("HTTP request has failed:\nError status: 500 - ")));
        EXPECT_TRUE(e.HttpMsgText().contains(QStringLiteral("Authentication failed")));
    }
    ASSERT_EQ(serviceCalls().size(), 1);
    EXPECT_EQ(serviceCalls()[0].value(QStringLiteral("requester")).toString(), QStringLiteral("refused"));
}

// Special answers of the simulator and what reaches the caller.
TEST_F(LumLabServiceSim, FaultsAndBadReplies)
{
    struct Case {
        const char* answer;
        const char* exceptionClass;
        const char* message; // beginning of the message
    } cases[] = {
        {"fault", "ENetHttp", "HTTP request has failed:\nError status: 500 - Internal Server Error"},
        {"empty", "ESOAPHTTPException", "Invalid HTTP Response: Length is 0"},
        {"html", "ESOAPHTTPException",
         "Received content of invalid Content-Type setting: text/html - SOAP expects \"text/xml\""},
        {"plain", "ESOAPHTTPException",
         "Received content of invalid Content-Type setting: text/plain - SOAP expects \"text/xml\""},
        {"malformed", "ESoapReplyError", "ILumLabService.GetLangDico: the reply is not well-formed XML"},
        {"not_xml", "ESoapReplyError", "ILumLabService.GetLangDico: the reply is not well-formed XML"},
        {"no_result", "ESoapReplyError", "ILumLabService.GetLangDico: the reply holds no GetLangDicoResult element"},
        {"wrong_type", "ESoapReplyError",
         "ILumLabService.GetLangDico: wrong value in GetLangDicoResult/LastUpdate: 'not-a-datetime' is not a valid dateTime"},
        {"other_operation", "ESoapReplyError", "ILumLabService.GetLangDico: unexpected element"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        answerNext(c.answer, "GetLangDico");
        QString cls, message, body;
        try {
            service->GetLangDico(asker.get(), 4, QStringLiteral("fr"), std::nullopt);
        } catch (const Exception& e) {
            cls = e.ClassName();
            message = e.Message();
            if (auto* http = dynamic_cast<const ENetHttp*>(&e))
                body = http->HttpMsgText();
        }
        EXPECT_EQ(cls, QLatin1String(c.exceptionClass));
        EXPECT_TRUE(message.startsWith(QLatin1String(c.message))) << message.toStdString();
        if (cls == QLatin1String("ENetHttp"))
            EXPECT_TRUE(body.contains(QStringLiteral("<faultstring>"))) << body.toStdString();
        // The client stays usable after any failure.
        EXPECT_NE(service->GetLangDico(asker.get(), 4, QStringLiteral("fr"), std::nullopt), nullptr);
    }

    answerNext("nil", "GetLangDico");
    EXPECT_EQ(service->GetLangDico(asker.get(), 4, QStringLiteral("fr"), std::nullopt), nullptr);

    // A plain 500 of the HTTP server (no SOAP at all) reaches the caller the
    // same way.
    ASSERT_TRUE(sim->addFault(QJsonObject{{"kind", "reply"}, {"status", 500}, {"reason", "Server Error"},
                                          {"body", "boom"}, {"path", "/LumLabService.svc"}, {"times", 1}}));
    try {
        service->GetLangChoices(asker.get(), 4);
        FAIL() << "no exception";
    } catch (const ENetHttp& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("HTTP request has failed:\nError status: 500 - Server Error"));
        EXPECT_EQ(e.HttpMsgText(), QStringLiteral("boom"));
    }
}
