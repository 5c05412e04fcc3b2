// The SOAP transport alone: what it sends and which replies it refuses.
#include "LabServiceSim.h"
#include "LumLabService.h"
#include "USoapHttpTrans.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

class SoapHttpTransSim : public testsupport::LabServiceSimSuite {
protected:
    void SetUp() override
    {
        LabServiceSimSuite::SetUp();
        transport.SetURL(serviceUrl());
    }

    // A whole request envelope of GetZebconsumerByLogin, as the codec writes it.
    static QByteArray zebRequest()
    {
        return testsupport::readAll(testsupport::dataPath(QStringLiteral("golden/GetZebconsumerByLogin.xml")));
    }

    QByteArray call()
    {
        transport.BeforeExecute(LumLabSoapAction(QStringLiteral("GetZebconsumerByLogin")));
        return transport.Execute(zebRequest());
    }

    THTTPReqResp transport;
};

} // namespace

TEST_F(SoapHttpTransSim, PostsTheEnvelopeWithItsHeadersInOrder)
{
    const QByteArray reply = call();
    EXPECT_TRUE(reply.contains("GetZebconsumerByLoginResult"));
    EXPECT_EQ(transport.ContentType(), QStringLiteral("text/xml; charset=utf-8"));
    EXPECT_TRUE(transport.MimeBoundary().isEmpty());
    call();

    const QJsonArray journal = sim->journal();
    ASSERT_EQ(journal.size(), 2);
    for (const QJsonValue& v : journal) {
        const QJsonObject e = v.toObject();
        EXPECT_EQ(e.value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
        EXPECT_EQ(e.value(QStringLiteral("operation")).toString(), QStringLiteral("GetZebconsumerByLogin"));
        EXPECT_EQ(e.value(QStringLiteral("requester")).toString(), QStringLiteral("ok"));
        EXPECT_EQ(e.value(QStringLiteral("body")).toString().toUtf8(), zebRequest());
        QStringList names;
        QMap<QString, QString> values;
        for (const QJsonValue& h : e.value(QStringLiteral("headers")).toArray()) {
            const QString name = h.toArray().at(0).toString().toLower();
            names << name;
            values[name] = h.toArray().at(1).toString();
        }
        EXPECT_EQ(values.value(QStringLiteral("content-type")), QStringLiteral("text/xml; charset=utf-8"));
        EXPECT_EQ(values.value(QStringLiteral("soapaction")),
                  QStringLiteral("\"http://tempuri.org/ILumLabService/GetZebconsumerByLogin\""));
        EXPECT_EQ(values.value(QStringLiteral("accept")), QStringLiteral("*/*"));
        EXPECT_EQ(values.value(QStringLiteral("user-agent")), QStringLiteral("KioskSoapClient/1.0"));
        // Each header once, even on the second call of the same transport.
        EXPECT_EQ(names.count(QStringLiteral("soapaction")), 1);
        EXPECT_EQ(names.count(QStringLiteral("content-type")), 1);
        EXPECT_LT(names.indexOf(QStringLiteral("content-type")), names.indexOf(QStringLiteral("soapaction")));
        EXPECT_LT(names.indexOf(QStringLiteral("soapaction")), names.indexOf(QStringLiteral("accept")));
    }
}

TEST_F(SoapHttpTransSim, RefusedRepliesRaiseTheExactTexts)
{
    struct Case {
        const char* answer;
        const char* exceptionClass;
        const char* message;
    } cases[] = {
        {"fault", "ENetHttp", "HTTP request has failed:\nError status: 500 - Internal Server Error"},
        {"empty", "ESOAPHTTPException", "Invalid HTTP Response: Length is 0"},
        {"html", "ESOAPHTTPException",
         "Received content of invalid Content-Type setting: text/html - SOAP expects \"text/xml\""},
        {"plain", "ESOAPHTTPException",
         "Received content of invalid Content-Type setting: text/plain - SOAP expects \"text/xml\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ASSERT_TRUE(control({{"cmd", "answer"}, {"answer", c.answer}}).value(QStringLiteral("ok")).toBool());
        QString cls, message, body;
        try {
            call();
        } catch (const Exception& e) {
            cls = e.ClassName();
            message = e.Message();
            if (auto* http = dynamic_cast<const ENetHttp*>(&e))
                body = http->HttpMsgText();
            if (auto* soap = dynamic_cast<const ESOAPHTTPException*>(&e))
                EXPECT_EQ(soap->StatusCode(), 0);
        }
        EXPECT_EQ(cls.toStdString(), c.exceptionClass);
        EXPECT_EQ(message.toStdString(), c.message);
        if (cls == QLatin1String("ENetHttp")) {
            // The fault document is not read: it is the refused reply's body.
            EXPECT_TRUE(body.contains(QStringLiteral("<faultstring>The lab failed to process GetZebconsumerByLogin</faultstring>")))
                << body.toStdString();
        }
        // The transport stays usable.
        EXPECT_TRUE(call().contains("GetZebconsumerByLoginResult"));
    }

    // A content type with a charset parameter passes the check.
    ASSERT_TRUE(sim->addFault(QJsonObject{{"kind", "reply"}, {"status", 200}, {"body", "<html/>"},
                                          {"content_type", "text/html; charset=utf-8"}, {"times", 1}}));
    EXPECT_EQ(call(), QByteArray("<html/>"));

    // A multipart reply leaves its boundary, unquoted, for the reader.
    ASSERT_TRUE(sim->addFault(QJsonObject{{"kind", "reply"}, {"status", 200}, {"body", "--b1--"},
                                          {"content_type", "Multipart/Related; boundary=\"b1\"; type=text/xml"},
                                          {"times", 1}}));
    call();
    EXPECT_EQ(transport.MimeBoundary(), QByteArray("b1"));
    call();
    EXPECT_TRUE(transport.MimeBoundary().isEmpty());
}

// A reply longer than the limit is refused with a clear error while it
// arrives, instead of being held whole; the transport stays usable.
TEST_F(SoapHttpTransSim, ReplyLargerThanTheLimitIsRefused)
{
    EXPECT_EQ(transport.MaxReplySize(), THTTPReqResp::kDefaultMaxReplySize);
    const qint64 size = call().size();
    transport.SetMaxReplySize(size - 1);
    try {
        call();
        ADD_FAILURE() << "the reply was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("THttpClient: the reply is larger than %1 bytes").arg(size - 1));
    }
    transport.SetMaxReplySize(size);
    EXPECT_EQ(call().size(), size);
}

TEST_F(SoapHttpTransSim, WrongSoapActionOrRequesterIsRefusedByTheLab)
{
    transport.BeforeExecute(LumLabSoapAction(QStringLiteral("GetLangChoices")));
    try {
        transport.Execute(zebRequest());
        FAIL() << "no exception";
    } catch (const ENetHttp& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("HTTP request has failed:\nError status: 500")));
        EXPECT_TRUE(e.HttpMsgText().contains(QStringLiteral("does not match the operation GetZebconsumerByLogin")));
    }
    control({{"cmd", "credentials"}, {"login", "kiosk-demo"}, {"password", "other"}});
    EXPECT_THROW(call(), ENetHttp);
    QList<QJsonObject> calls;
    for (const QJsonValue& v : sim->journal())
        if (v.toObject().value(QStringLiteral("path")).toString() == QLatin1String("/LumLabService.svc"))
            calls << v.toObject();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].value(QStringLiteral("answer")).toString(), QStringLiteral("fault"));
    EXPECT_EQ(calls[1].value(QStringLiteral("requester")).toString(), QStringLiteral("refused"));
}

TEST(SoapHttpTrans, ActionHeaderAndContentTypeFollowTheOptions)
{
    THTTPReqResp t;
    struct Case {
        const char* name;
        const char* action;
        TSOAPInvokeOptions options;
        const char* header;
    } cases[] = {
        {"action", "http://tempuri.org/ILumLabService/GetLangDico", soIgnoreInvalidCerts,
         "SOAPAction: \"http://tempuri.org/ILumLabService/GetLangDico\""},
        {"empty action", "", soIgnoreInvalidCerts, "SOAPAction: \"\""},
        {"empty action without value", "", soNoValueForEmptySOAPAction, "SOAPAction:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.SetSoapAction(QLatin1String(c.action));
        t.SetInvokeOptions(c.options);
        EXPECT_EQ(t.SoapActionHeader(), QLatin1String(c.header));
    }
    EXPECT_EQ(t.SoapContentType(), QStringLiteral("text/xml; charset=utf-8"));
    t.SetUseUTF8InHeader(false);
    EXPECT_EQ(t.SoapContentType(), QStringLiteral("text/xml"));
    t.SetWebNodeOptions(wnoSOAP12);
    t.SetSoapAction(QStringLiteral("urn:x"));
    EXPECT_EQ(t.SoapContentType(), QStringLiteral("application/soap+xml;action=\"urn:x\""));

    THTTPReqResp noUrl;
    try {
        noUrl.BeforeExecute(QStringLiteral("urn:x"));
        FAIL() << "no exception";
    } catch (const ESOAPHTTPException& e) {
        EXPECT_EQ(e.StatusCode(), 0);
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("No WSDL or URL property was set")));
    }
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_THROW(noUrl.Get(&out), ESOAPHTTPException);
}
