#include "LumLabService.h"
#include "USoapEnvelope.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<Demandeur2> requester()
{
    auto d = std::make_unique<Demandeur>();
    d->setVersion(QStringLiteral("d010203w64"));
    d->setLogin(QStringLiteral("kiosk-demo"));
    d->setTypeDemandeur(Demandeur_Profil::Consommateur);
    d->setPassword(QStringLiteral("Q7#secret!K4"));
    return d;
}

QByteArray wrap(const QByteArray& result, const char* operation = "GetAddress")
{
    return QByteArray("<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><") + operation
        + "Response xmlns=\"http://tempuri.org/\">" + result + "</" + operation + "Response></s:Body></s:Envelope>";
}

const char* kDc = "xmlns:a=\"http://schemas.datacontract.org/2004/07/Velmora.Data\" "
                  "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\"";

QString readError(const char* operation, const QByteArray& reply, const std::function<void(TSoapReplyReader&)>& read)
{
    try {
        TSoapReplyReader r(QLatin1String(operation), LabNs::Service, reply);
        read(r);
    } catch (const ESoapReplyError& e) {
        return e.Message();
    }
    return QStringLiteral("no error");
}

} // namespace

// Our requests, byte for byte, against envelopes written by hand from the
// binding rules.
TEST(SoapEnvelope, RequestsMatchTheGoldenEnvelopes)
{
    LumLabServiceRegisterTypes();
    auto dem = requester();

    struct Case {
        const char* name;
        std::function<QByteArray()> build;
    } cases[] = {
        {"GetLangDico.xml",
         [&] {
             TSoapRequestWriter w(QStringLiteral("GetLangDico"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddInteger(QStringLiteral("appId"), 4);
             w.AddString(QStringLiteral("isoCode"), QStringLiteral("fr"));
             w.AddDateTime(QStringLiteral("timestamp"), TXSDateTime::FromXS(QStringLiteral("2024-01-11T09:30:00")),
                           false);
             return w.ToBytes();
         }},
        {"GetLangDico_noTimestamp.xml",
         [&] {
             TSoapRequestWriter w(QStringLiteral("GetLangDico"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddInteger(QStringLiteral("appId"), 0);
             w.AddString(QStringLiteral("isoCode"), QStringLiteral("en"));
             w.AddDateTime(QStringLiteral("timestamp"), std::nullopt, false);
             return w.ToBytes();
         }},
        {"GetLangChoices_nilRequester.xml",
         [&] {
             TSoapRequestWriter w(QStringLiteral("GetLangChoices"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), nullptr);
             w.AddInteger(QStringLiteral("appId"), 4);
             return w.ToBytes();
         }},
        {"AddAddress.xml",
         [&] {
             Adresse a;
             a.setVille(QStringLiteral("Lyon"));
             a.setType_(QStringLiteral("LIVR"));
             a.setId(-1);
             a.setRue(QStringLiteral("2 rue <A> & B"));
             TSoapRequestWriter w(QStringLiteral("AddAddress"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddRecord(QStringLiteral("adresse"), &a);
             return w.ToBytes();
         }},
        {"ModifyConsumer.xml",
         [&] {
             Consommateur2 c;
             c.setTypeTarif(Tarif_TypeTarif::EurosCB);
             c.setId(345);
             c.setBorneModeCommunication(u'I');
             c.setEmail(QString());
             c.setLastUpdateBook(TXSDateTime::FromXS(QStringLiteral("2024-02-01T12:00:00Z")));
             c.setPrivacyPolicyAcceptDate(std::nullopt);
             TSoapRequestWriter w(QStringLiteral("ModifyConsumer"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddRecord(QStringLiteral("consommateur"), &c);
             return w.ToBytes();
         }},
        {"ModifyConsumerPrivacyPolicyDate_nil.xml",
         [&] {
             TSoapRequestWriter w(QStringLiteral("ModifyConsumerPrivacyPolicyDate"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddInteger(QStringLiteral("consommateurId"), 345);
             w.AddDateTime(QStringLiteral("dateAccept"), std::nullopt, true);
             return w.ToBytes();
         }},
        {"GetMonnaieList_nil.xml",
         [&] {
             TSoapRequestWriter w(QStringLiteral("GetMonnaieList"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddNilBoolean(QStringLiteral("paypalOk"), std::nullopt);
             return w.ToBytes();
         }},
        {"GetZebconsumerByLogin.xml",
         [&] {
             TSoapRequestWriter w(QStringLiteral("GetZebconsumerByLogin"), LabNs::Service);
             w.AddRecord(QStringLiteral("demandeur"), dem.get());
             w.AddString(QStringLiteral("login"), QStringLiteral("kiosk-demo"));
             return w.ToBytes();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray expected = testsupport::readAll(testsupport::dataPath(QStringLiteral("golden/") + QLatin1String(c.name)));
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(c.build().toStdString(), expected.toStdString());
    }
}

TEST(SoapEnvelope, SoapActionIsTheServiceNamespaceAndTheOperation)
{
    EXPECT_EQ(LumLabSoapAction(QStringLiteral("GetLangDico")),
              QStringLiteral("http://tempuri.org/ILumLabService/GetLangDico"));
}

// A record read from a reply and written again keeps exactly the members the
// reply carried (nil and unknown enumeration names included), in the order
// of the class description whatever the order of the reply.
TEST(SoapEnvelope, RecordReadThenWrittenKeepsExactlyItsMembers)
{
    LumLabServiceRegisterTypes();
    const QByteArray reply = wrap(QByteArray("<GetConsumerByLoginResult ") + kDc + ">"
                                      "<a:TypeTarif>EurosFuture</a:TypeTarif>"
                                      "<a:Id>345</a:Id>"
                                      "<a:BorneModeCommunication>76</a:BorneModeCommunication>"
                                      "<a:Email i:nil=\"true\"/>"
                                      "<a:Nom></a:Nom>"
                                      "<a:PrivacyPolicyAcceptDate i:nil=\"true\"/>"
                                      "<a:SomethingNew>ignored</a:SomethingNew>"
                                      "<a:LastUpdateBook>2024-02-01T12:00:00.5+01:00</a:LastUpdateBook>"
                                      "</GetConsumerByLoginResult>",
                                  "GetConsumerByLogin");
    TSoapReplyReader r(QStringLiteral("GetConsumerByLogin"), LabNs::Service, reply);
    std::unique_ptr<Consommateur2> c = r.Read<Consommateur2>();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Id(), 345);
    EXPECT_EQ(c->BorneModeCommunication(), u'L');
    EXPECT_EQ(int(c->TypeTarif()), kUnknownEnumOrdinal);
    EXPECT_TRUE(c->Email_Specified());
    EXPECT_TRUE(c->Nom_Specified());
    EXPECT_FALSE(c->Login_Specified());

    const QByteArray written = SoapRecordToXml(*c, QStringLiteral("consommateur"));
    const QByteArray expected = "<?xml version=\"1.0\"?>\r\n"
                                "<consommateur xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                                "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" "
                                "xmlns:a=\"http://schemas.datacontract.org/2004/07/Velmora.Data\" "
                                "xmlns:b=\"http://schemas.microsoft.com/2003/10/Serialization/Arrays\">\r\n"
                                "  <a:BorneModeCommunication>76</a:BorneModeCommunication>\r\n"
                                "  <a:Email i:nil=\"true\"/>\r\n"
                                "  <a:Id>345</a:Id>\r\n"
                                "  <a:LastUpdateBook>2024-02-01T12:00:00.500+01:00</a:LastUpdateBook>\r\n"
                                "  <a:Nom/>\r\n"
                                "  <a:PrivacyPolicyAcceptDate i:nil=\"true\"/>\r\n"
                                "  <a:TypeTarif>EurosFuture</a:TypeTarif>\r\n"
                                "</consommateur>\r\n";
    EXPECT_EQ(written.toStdString(), expected.toStdString());

    // Setting a member again forgets what the wire said about it.
    c->setEmail(QStringLiteral("a@b.c"));
    c->setTypeTarif(Tarif_TypeTarif::Packs);
    const QByteArray rewritten = SoapRecordToXml(*c, QStringLiteral("consommateur"));
    EXPECT_TRUE(rewritten.contains("<a:Email>a@b.c</a:Email>"));
    EXPECT_TRUE(rewritten.contains("<a:TypeTarif>Packs</a:TypeTarif>"));
}

TEST(SoapEnvelope, NestedRecordsArraysBytesAndDictionaryEntries)
{
    LumLabServiceRegisterTypes();
    Photographe2 p;
    auto m = std::make_unique<Monnaie2>();
    m->setCode(QStringLiteral("EUR"));
    m->setSymboleAgauche(false);
    p.setPhotMonnaie(std::move(m));
    p.setZebfeaturesDisabled({QStringLiteral("Facebook"), QStringLiteral("OrigImage")});
    p.setFraisDePortEnPrix(4.5);
    p.setAccountStatus(PhotographerStatus::locked);
    const QByteArray xml = SoapRecordToXml(p, QStringLiteral("p"));
    EXPECT_TRUE(xml.contains("  <a:AccountStatus>locked</a:AccountStatus>\r\n"));
    EXPECT_TRUE(xml.contains("  <a:FraisDePortEnPrix>4.5</a:FraisDePortEnPrix>\r\n"));
    EXPECT_TRUE(xml.contains("  <a:PhotMonnaie>\r\n    <a:Code>EUR</a:Code>\r\n"
                             "    <a:SymboleAgauche>false</a:SymboleAgauche>\r\n  </a:PhotMonnaie>\r\n"));
    EXPECT_TRUE(xml.contains("  <a:ZebfeaturesDisabled>\r\n    <b:string>Facebook</b:string>\r\n"
                             "    <b:string>OrigImage</b:string>\r\n  </a:ZebfeaturesDisabled>\r\n"));

    std::unique_ptr<TRemotable> back = SoapRecordFromXml(Photographe2::StaticClassInfo(), xml);
    auto* q = static_cast<Photographe2*>(back.get());
    ASSERT_NE(q->PhotMonnaie(), nullptr);
    EXPECT_EQ(q->PhotMonnaie()->Code(), QStringLiteral("EUR"));
    EXPECT_EQ(q->ZebfeaturesDisabled(), p.ZebfeaturesDisabled());
    EXPECT_EQ(q->AccountStatus(), PhotographerStatus::locked);
    EXPECT_EQ(SoapRecordToXml(*q, QStringLiteral("p")), xml);

    Vignette2 v;
    v.setImage(QByteArray("\x00\x01\xfe\xff PNG", 8));
    const QByteArray vx = SoapRecordToXml(v, QStringLiteral("v"));
    EXPECT_TRUE(vx.contains("<a:Image>AAH+/yBQTkc=</a:Image>"));
    auto vb = SoapRecordFromXml(Vignette2::StaticClassInfo(), vx);
    EXPECT_EQ(static_cast<Vignette2*>(vb.get())->Image(), v.Image());

    KeyValueOfintArrayOfModuledVWEscjg kv;
    Module2List modules;
    modules.push_back(std::make_unique<Module2>());
    modules.back()->setCode(QStringLiteral("M1"));
    kv.setValue(std::move(modules));
    const QByteArray kx = SoapRecordToXml(kv, QStringLiteral("kv"));
    // Dictionary entries always write Key and Value; their members are in
    // the arrays namespace, the items in the namespace of their records.
    EXPECT_TRUE(kx.contains("  <b:Key>0</b:Key>\r\n  <b:Value>\r\n    <a:Module>\r\n      <a:Code>M1</a:Code>\r\n"));
}

TEST(SoapEnvelope, ResultsOfEveryShape)
{
    LumLabServiceRegisterTypes();
    {
        TSoapReplyReader r(QStringLiteral("AddAddress"), LabNs::Service,
                           wrap("<AddAddressResult>601</AddAddressResult>", "AddAddress"));
        EXPECT_EQ(r.ReadInteger(), 601);
    }
    {
        TSoapReplyReader r(QStringLiteral("DeleteAddress"), LabNs::Service,
                           wrap("<DeleteAddressResult> true </DeleteAddressResult>", "DeleteAddress"));
        EXPECT_TRUE(r.ReadBoolean());
    }
    {
        TSoapReplyReader r(QStringLiteral("GetAddress"), LabNs::Service,
                           wrap(QByteArray("<GetAddressResult ") + kDc + " i:nil=\"true\"/>"));
        EXPECT_EQ(r.Read<Adresse2>(), nullptr);
    }
    {
        // Any prefix may carry the namespaces; the default namespace too.
        const QByteArray reply =
            "<env:Envelope xmlns:env=\"http://schemas.xmlsoap.org/soap/envelope/\"><env:Body>"
            "<t:GetLangChoicesResponse xmlns:t=\"http://tempuri.org/\"><t:GetLangChoicesResult>"
            "<LangChoice xmlns=\"http://schemas.datacontract.org/2004/07/Velmora.Data\"><DisplayName>Fran&#231;ais</DisplayName>"
            "<IsoCode>fr</IsoCode></LangChoice>"
            "<LangChoice xmlns=\"http://schemas.datacontract.org/2004/07/Velmora.Data\"><IsoCode>en</IsoCode></LangChoice>"
            "</t:GetLangChoicesResult></t:GetLangChoicesResponse></env:Body></env:Envelope>";
        TSoapReplyReader r(QStringLiteral("GetLangChoices"), LabNs::Service, reply);
        LangChoice2List list = r.ReadArray<LangChoice2>(QStringLiteral("LangChoice"));
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0]->DisplayName(), QStringLiteral("Fran\u00e7ais"));
        EXPECT_FALSE(list[1]->DisplayName_Specified());
    }
    {
        TSoapReplyReader r(QStringLiteral("GetConditionsVenteById"), LabNs::Service,
                           wrap("<GetConditionsVenteByIdResult>a &lt; b</GetConditionsVenteByIdResult>",
                                "GetConditionsVenteById"));
        EXPECT_EQ(r.ReadString(), QStringLiteral("a < b"));
    }
}

// Replies that are not the operation's reply end in a clear error naming the
// operation; nothing is returned half-filled.
TEST(SoapEnvelope, BadRepliesNameTheOperation)
{
    LumLabServiceRegisterTypes();
    auto readAddress = [](TSoapReplyReader& r) { r.Read<Adresse2>(); };
    struct Case {
        const char* name;
        QByteArray reply;
        const char* message;
    } cases[] = {
        {"not xml", "this is <not xml", "ILumLabService.GetAddress: the reply is not well-formed XML"},
        {"cut in the middle",
         wrap(QByteArray("<GetAddressResult ") + kDc + "><a:Id>5</a:Id><a:Ville>Ly").left(200),
         "ILumLabService.GetAddress: the reply is not well-formed XML"},
        {"no envelope", "<html><body>Error</body></html>",
         "ILumLabService.GetAddress: the reply is not a SOAP envelope (root element html)"},
        {"envelope without body",
         "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"></s:Envelope>",
         "ILumLabService.GetAddress: the reply envelope has no Body"},
        {"soap 1.2 envelope",
         "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body/></s:Envelope>",
         "ILumLabService.GetAddress: the reply is not a SOAP envelope (root element s:Envelope)"},
        {"fault with status 200",
         "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><s:Fault>"
         "<faultcode>s:Server</faultcode><faultstring>Boom</faultstring></s:Fault></s:Body></s:Envelope>",
         "ILumLabService.GetAddress: the lab answered a SOAP fault: Boom"},
        {"fault after the response",
         "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetAddressResponse "
         "xmlns=\"http://tempuri.org/\"><GetAddressResult i:nil=\"true\" "
         "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\"/></GetAddressResponse><s:Fault>"
         "<faultcode>s:Server</faultcode><faultstring>Late</faultstring></s:Fault></s:Body></s:Envelope>",
         "ILumLabService.GetAddress: the lab answered a SOAP fault: Late"},
        {"two bodies",
         "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetAddressResponse "
         "xmlns=\"http://tempuri.org/\"/></s:Body><s:Body><GetAddressResponse xmlns=\"http://tempuri.org/\"/>"
         "</s:Body></s:Envelope>",
         "ILumLabService.GetAddress: the reply envelope has more than one Body"},
        {"other operation", wrap("<GetVersionResult>1</GetVersionResult>", "GetVersion"),
         "ILumLabService.GetAddress: unexpected element GetVersionResponse in the reply body"},
        {"no result", wrap(""), "ILumLabService.GetAddress: the reply holds no GetAddressResult element"},
        {"wrong integer", wrap(QByteArray("<GetAddressResult ") + kDc + "><a:Id>12abc</a:Id></GetAddressResult>"),
         "ILumLabService.GetAddress: wrong value in GetAddressResult/Id: '12abc' is not a valid int"},
        {"integer overflow",
         wrap(QByteArray("<GetAddressResult ") + kDc + "><a:Id>4294967296</a:Id></GetAddressResult>"),
         "ILumLabService.GetAddress: wrong value in GetAddressResult/Id: '4294967296' is not a valid int"},
        {"element where a value is expected",
         wrap(QByteArray("<GetAddressResult ") + kDc + "><a:Ville><a:x/></a:Ville></GetAddressResult>"),
         "ILumLabService.GetAddress: GetAddressResult/Ville holds elements where a value is expected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(readError("GetAddress", c.reply, readAddress).startsWith(QLatin1String(c.message)))
            << readError("GetAddress", c.reply, readAddress).toStdString();
    }

    struct TypedCase {
        const char* name;
        const char* operation;
        QByteArray reply;
        std::function<void(TSoapReplyReader&)> read;
        const char* message;
    } typed[] = {
        {"boolean", "ModifyAddress", wrap("<ModifyAddressResult>maybe</ModifyAddressResult>", "ModifyAddress"),
         [](TSoapReplyReader& r) { r.ReadBoolean(); },
         "ILumLabService.ModifyAddress: wrong value in ModifyAddressResult: 'maybe' is not a valid boolean"},
        {"nil integer", "AddAddress",
         wrap(QByteArray("<AddAddressResult ") + kDc + " i:nil=\"true\"/>", "AddAddress"),
         [](TSoapReplyReader& r) { r.ReadInteger(); },
         "ILumLabService.AddAddress: AddAddressResult is nil where a int is expected"},
        {"date", "GetLangDico",
         wrap(QByteArray("<GetLangDicoResult ") + kDc + "><a:LastUpdate>yesterday</a:LastUpdate></GetLangDicoResult>",
              "GetLangDico"),
         [](TSoapReplyReader& r) { r.Read<LangDico2>(); },
         "ILumLabService.GetLangDico: wrong value in GetLangDicoResult/LastUpdate: 'yesterday' is not a valid dateTime"},
        {"array item", "GetLangChoices",
         wrap(QByteArray("<GetLangChoicesResult ") + kDc + "><a:Language/></GetLangChoicesResult>", "GetLangChoices"),
         [](TSoapReplyReader& r) { r.ReadArray<LangChoice2>(QStringLiteral("LangChoice")); },
         "ILumLabService.GetLangChoices: GetLangChoicesResult holds an element a:Language where items LangChoice are expected"},
        {"base64", "GetPhotographerLogo",
         wrap(QByteArray("<GetPhotographerLogoResult ") + kDc + "><a:Image>***</a:Image></GetPhotographerLogoResult>",
              "GetPhotographerLogo"),
         [](TSoapReplyReader& r) { r.Read<Vignette2>(); },
         "ILumLabService.GetPhotographerLogo: wrong value in GetPhotographerLogoResult/Image: '***' is not a valid base64Binary"},
        {"char", "GetZebconsumerByLogin",
         wrap(QByteArray("<GetZebconsumerByLoginResult ") + kDc
                  + "><a:BorneModeCommunication>I</a:BorneModeCommunication></GetZebconsumerByLoginResult>",
              "GetZebconsumerByLogin"),
         [](TSoapReplyReader& r) { r.Read<Zebconsumer2>(); },
         "ILumLabService.GetZebconsumerByLogin: wrong value in GetZebconsumerByLoginResult/BorneModeCommunication: 'I' is not a valid char"},
    };
    for (const TypedCase& c : typed) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readError(c.operation, c.reply, c.read), QLatin1String(c.message));
    }
}

TEST(SoapEnvelope, DoublesAndBooleansInTheirSchemaForms)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {{4.5, "4.5"}, {0.1, "0.1"}, {-2, "-2"}, {1e20, "1e+20"}, {0, "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SoapText::FromDouble(c.value), QLatin1String(c.text));
        EXPECT_EQ(SoapText::ToDouble(QLatin1String(c.text)), c.value);
    }
    EXPECT_EQ(SoapText::FromDouble(std::numeric_limits<double>::infinity()), QStringLiteral("INF"));
    EXPECT_TRUE(std::isnan(SoapText::ToDouble(QStringLiteral("NaN"))));
    EXPECT_THROW(SoapText::ToDouble(QStringLiteral("inf")), EXSValueError);
    EXPECT_THROW(SoapText::ToDouble(QStringLiteral("1,5")), EXSValueError);
    EXPECT_TRUE(SoapText::ToBool(QStringLiteral("1")));
    EXPECT_FALSE(SoapText::ToBool(QStringLiteral("false")));
    EXPECT_THROW(SoapText::ToBool(QStringLiteral("True")), EXSValueError);
    EXPECT_EQ(SoapText::ToChar(QStringLiteral("65535")), char16_t(0xFFFF));
    EXPECT_THROW(SoapText::ToChar(QStringLiteral("65536")), EXSValueError);
}
