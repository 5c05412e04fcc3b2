// The Graph client against the simulated social network: URL building and
// encoding, error mapping of hostile replies, paging, dates, the OAuth
// log-in with its state check, certificate checking.
#include "FacebookFuzzEntry.h"
#include "MediaFakes.h"
#include "SocialSim.h"
#include "TestSupport.h"
#include "UFacebookGraphAPI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using testsupport::LabSim;

namespace {

class GraphSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start()) << qPrintable(sim.error());
        endpoints = socialsim::endpointsOf(sim);
    }

    // A client logged in as the user of that login, through the dialog.
    std::shared_ptr<TFacebookGraph> loggedIn(const QString& login = QStringLiteral("alice"),
                                             const QString& password = QStringLiteral("wonderland"))
    {
        auto graph = std::make_shared<TFacebookGraph>(QString(), endpoints);
        TWebBrowserFacebookHelper helper(graph, socialsim::appId(), socialsim::appSecret(), socialsim::redirectUri(sim));
        const auto values = socialsim::hiddenValues(
            socialsim::walkDialog(helper.StartUrl(QStringLiteral("user_photos")), login, password, true));
        bool ready = false;
        graph->SetLoginReady([&](const IFacebookGraphRef&) { ready = true; });
        EXPECT_TRUE(helper.ResponsePageScanOk([&](const QString& id) { return values.value(id); }));
        EXPECT_TRUE(ready);
        return graph;
    }

    QJsonObject lastRequest()
    {
        const QJsonArray j = sim.journal();
        return j.isEmpty() ? QJsonObject() : j.last().toObject();
    }

    LabSim sim;
    TFacebookEndpoints endpoints;
};

} // namespace

TEST(FacebookDico, EncodesEveryReservedByteAndThePercentSign)
{
    struct Case {
        const char* name;
        QString value;
        QString encoded;
    } cases[] = {
        { "space", QStringLiteral("a b"), QStringLiteral("a%20b") },
        { "comma list", QStringLiteral("name,picture"), QStringLiteral("name%2Cpicture") },
        { "unreserved kept", QStringLiteral("Az09-._~"), QStringLiteral("Az09-._~") },
        { "percent escape is data, not an escape", QStringLiteral("%41"), QStringLiteral("%2541") },
        { "trailing ampersand kept", QStringLiteral("end&"), QStringLiteral("end%26") },
        { "equals and plus", QStringLiteral("a=b+c"), QStringLiteral("a%3Db%2Bc") },
        { "UTF-8 bytes", QStringLiteral("\u00e9t\u00e9"), QStringLiteral("%C3%A9t%C3%A9") },
        { "slash and query", QStringLiteral("x/y?z#"), QStringLiteral("x%2Fy%3Fz%23") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TFacebookDico::URIparamsEncode(c.value), c.encoded);
    }
    EXPECT_EQ(TFacebookDico().Encode(), QString());
    TFacebookDico d;
    d[QStringLiteral("b")] = QStringLiteral("1 2");
    d[QStringLiteral("a&")] = QStringLiteral("x");
    EXPECT_EQ(d.Encode(), QStringLiteral("a%26=x&b=1%202"));
    EXPECT_EQ(d.ToStringList(), QStringList({ QStringLiteral("a&=x"), QStringLiteral("b=1 2") }));
}

TEST(FacebookDate, ReadsTheOffsetIntoUtcAndRefusesOtherShapes)
{
    struct Case {
        const char* name;
        QString text;
        QDateTime utc; // invalid: the text is refused
    } cases[] = {
        { "plus two hours", QStringLiteral("2016-08-01T12:34:56+0200"), QDateTime(QDate(2016, 8, 1), QTime(10, 34, 56), Qt::UTC) },
        { "minus two hours", QStringLiteral("2016-08-01T12:34:56-0200"), QDateTime(QDate(2016, 8, 1), QTime(14, 34, 56), Qt::UTC) },
        { "utc", QStringLiteral("2016-08-01T00:00:00+0000"), QDateTime(QDate(2016, 8, 1), QTime(0, 0), Qt::UTC) },
        { "offset crosses the day", QStringLiteral("2016-08-01T01:00:00+0530"), QDateTime(QDate(2016, 7, 31), QTime(19, 30), Qt::UTC) },
        { "25 characters", QStringLiteral("2016-08-01T12:34:56+02000"), QDateTime() },
        { "empty", QString(), QDateTime() },
        { "letters in the year", QStringLiteral("20x6-08-01T12:34:56+0200"), QDateTime() },
        { "month 13", QStringLiteral("2016-13-01T12:34:56+0200"), QDateTime() },
        { "no sign", QStringLiteral("2016-08-01T12:34:56Z0200"), QDateTime() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.utc.isValid()) {
            EXPECT_EQ(TFacebookGraph::facebookDateParse(c.text), c.utc);
        } else {
            try {
                TFacebookGraph::facebookDateParse(c.text);
                ADD_FAILURE() << "accepted";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Invalid facebook date string"));
            }
        }
    }
}

TEST(FacebookReply, HostileBodiesGiveAnObjectOrAClearError)
{
    struct Case {
        const char* name;
        QByteArray body;
        bool failed;
        bool raises;
        QString errorType;
        QString errorMsg;
    } cases[] = {
        { "not JSON", "<html>hi</html>", false, false, {}, {} },
        { "array", "[1,2,3]", false, false, {}, {} },
        { "truncated", "{\"data\": [", false, false, {}, {} },
        { "deep nesting", QByteArray(100000, '['), false, false, {}, {} },
        { "invalid UTF-8", "{\"a\":\"\xff\xfe\"}", false, false, {}, {} },
        { "error object", R"({"error":{"type":"OAuthException","message":"x"}})", false, true, "OAuthException", "x" },
        { "error object with a failed status", R"({"error":{"type":"T","message":"m"}})", true, true, "T", "m" },
        { "error object without members", R"({"error":{}})", false, true, QString(), QString() },
        { "error that is not an object", R"({"error":"boom"})", false, false, {}, {} },
        { "failed without error object", "<html>500</html>", true, true, "RequestFailed", "Facebook connection error" },
        { "numbers as type and message", R"({"error":{"type":12,"message":true}})", false, true, "12", "true" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const TFacebookJson obj = TFacebookGraph::ParseReply(c.body, c.failed);
            EXPECT_FALSE(c.raises);
            EXPECT_TRUE(obj.is_object());
        } catch (const EFacebook& e) {
            EXPECT_TRUE(c.raises);
            EXPECT_EQ(e.ErrorType(), c.errorType);
            EXPECT_EQ(e.Message(), c.errorMsg);
        }
    }
}

TEST_F(GraphSim, RequestAddressesCarryTheTokenAndEncodedValues)
{
    auto graph = loggedIn();
    const QString token = graph->accessToken();
    ASSERT_FALSE(token.isEmpty());
    const QString encToken = TFacebookDico::URIparamsEncode(token);

    sim.clearJournal();
    TFacebookJson me = graph->GetObject(QStringLiteral("me"), nullptr);
    EXPECT_EQ(TFacebookGraph::JsonText(me, "id"), QStringLiteral("153"));
    QJsonObject r = lastRequest();
    EXPECT_EQ(r.value("path").toString(), QStringLiteral("/graph/v2.7/me"));
    EXPECT_EQ(r.value("query_string").toString(), QStringLiteral("access_token=") + encToken);

    TFacebookDico args;
    args[QStringLiteral("fields")] = QStringLiteral("name,picture,images,created_time");
    TFacebookJson page = graph->GetObject(QStringLiteral("720/photos"), &args);
    r = lastRequest();
    EXPECT_EQ(r.value("path").toString(), QStringLiteral("/graph/v2.7/720/photos"));
    EXPECT_EQ(r.value("query_string").toString(),
              QStringLiteral("access_token=%1&fields=name%2Cpicture%2Cimages%2Ccreated_time").arg(encToken));
    EXPECT_EQ(args.value(QStringLiteral("access_token")), token) << "the caller's parameters carry the token";

    // Without token nor parameters: no query part at all.
    TFacebookGraph bare(QString(), endpoints);
    EXPECT_THROW(bare.GetObject(QStringLiteral("me"), nullptr), EFacebook);
    EXPECT_EQ(lastRequest().value("query_string").toString(), QString());
}

TEST_F(GraphSim, PagingFollowsNextLinksUnchanged)
{
    auto graph = loggedIn();
    sim.command({ { "cmd", "social" }, { "op", "album_pages" }, { "album", "900" }, { "pages", 3 }, { "per_page", 2 } });
    sim.clearJournal();
    TFacebookJson page = graph->GetObject(QStringLiteral("900/photos"), nullptr);
    const QString next = QString::fromStdString(page["paging"]["next"].get<std::string>());
    ASSERT_TRUE(graph->GetObjectNext(page));
    const QJsonObject r = lastRequest();
    EXPECT_EQ(r.value("path").toString() + QLatin1Char('?') + r.value("query_string").toString(),
              QUrl(next).path() + QLatin1Char('?') + QUrl(next).query(QUrl::FullyEncoded));
    EXPECT_EQ(r.value("query_string").toString().count(QStringLiteral("access_token=")), 1);
    EXPECT_EQ(page["data"].size(), 2u);
    ASSERT_TRUE(graph->GetObjectNext(page));
    EXPECT_FALSE(graph->GetObjectNext(page)) << "the last page has no next link";
    EXPECT_TRUE(page.is_null());
}

TEST_F(GraphSim, ErrorRepliesMapToFacebookErrors)
{
    auto graph = loggedIn();
    struct Case {
        const char* name;
        int status;
        QString body;
        QString type; // empty: no error
        QString message;
    } cases[] = {
        { "400 with an error object", 400, R"({"error":{"type":"OAuthException","message":"x","code":190}})", "OAuthException", "x" },
        { "500 with HTML", 500, "<html><body>Internal error</body></html>", "RequestFailed", "Facebook connection error" },
        { "200 with an error object", 200, R"({"error":{"type":"GraphMethodException","message":"gone"}})", "GraphMethodException", "gone" },
        { "200 not JSON", 200, "<html>hello</html>", QString(), QString() },
        { "404 empty", 404, QString(), "RequestFailed", "Facebook connection error" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(sim.addFault({ { "kind", "reply" }, { "status", c.status }, { "body", c.body },
                                   { "path", "/graph/v2.7/me" }, { "times", 1 } }));
        try {
            const TFacebookJson obj = graph->GetObject(QStringLiteral("me"), nullptr);
            EXPECT_TRUE(c.type.isEmpty());
            EXPECT_TRUE(obj.is_object());
            EXPECT_FALSE(obj.contains("id"));
        } catch (const EFacebook& e) {
            EXPECT_EQ(e.ErrorType(), c.type);
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    // A refused token is the API's own error.
    TFacebookGraph stale(QStringLiteral("EAAnotatoken"), endpoints);
    try {
        stale.GetObject(QStringLiteral("me"), nullptr);
        ADD_FAILURE() << "a refused token was accepted";
    } catch (const EFacebook& e) {
        EXPECT_EQ(e.ErrorType(), QStringLiteral("OAuthException"));
    }
}

TEST_F(GraphSim, ACutReplyIsANetworkFailureNotAPage)
{
    auto graph = loggedIn();
    ASSERT_TRUE(sim.addFault({ { "kind", "cut" }, { "after", 5 }, { "path", "/graph/v2.7/me" }, { "times", 1 } }));
    EXPECT_ANY_THROW(graph->GetObject(QStringLiteral("me"), nullptr));
}

TEST_F(GraphSim, LogInWalksTheDialogToATokenAndTheUser)
{
    auto graph = loggedIn();
    EXPECT_EQ(graph->loginId(), QStringLiteral("153"));
    EXPECT_EQ(graph->loginName(), QStringLiteral("Alice Example"));
    // The token exchange sent the same redirect address as the dialog, and
    // the secret only there.
    const QJsonObject state = sim.command({ { "cmd", "social" }, { "op", "state" } });
    const QJsonObject exchange = state.value("exchanges").toArray().last().toObject();
    EXPECT_EQ(exchange.value("redirect_uri").toString(), socialsim::redirectUri(sim));
    EXPECT_EQ(exchange.value("client_secret").toString(), socialsim::appSecret());
    for (const auto& e : socialsim::requestsTo(sim, QStringLiteral("/dialog/")))
        EXPECT_FALSE(e.toObject().value("query_string").toString().contains(socialsim::appSecret()));

    graph->CloseAccess();
    EXPECT_TRUE(graph->accessToken().isEmpty());
    EXPECT_TRUE(graph->fbkStateMake().isEmpty());
    EXPECT_THROW(graph->loginId(), Exception);
}

TEST_F(GraphSim, DialogAddressUsesTheConfiguredHostAndAFreshStrongState)
{
    TFacebookGraph a(QString(), endpoints), b(QString(), endpoints);
    EXPECT_TRUE(a.fbkStateMake().isEmpty());
    const QString sa = a.FacebookState();
    EXPECT_EQ(sa.size(), 32);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(sa).hasMatch());
    EXPECT_EQ(a.FacebookState(), sa) << "one state per client";
    EXPECT_NE(b.FacebookState(), sa);
    const QString url = a.WebBrowserLoginUrl(QStringLiteral("id 1"), QStringLiteral("secret"),
                                             QStringLiteral("https://lab/x.aspx?a=1&b=%"), QStringLiteral("user_photos"));
    EXPECT_EQ(url, endpoints.dialogBase + QStringLiteral("dialog/oauth/?client_id=id%201&redirect_uri=https%3A%2F%2Flab%2Fx.aspx%3Fa%3D1%26b%3D%25&state=")
                  + sa + QStringLiteral("&scope=user_photos&response_type=code&display=popup"));
    EXPECT_FALSE(url.contains(QStringLiteral("secret")));
    EXPECT_TRUE(TFacebookEndpoints().dialogBase.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(TFacebookEndpoints().graphBase.startsWith(QStringLiteral("https://")));
}

TEST_F(GraphSim, ResultPagesEndInExactlyOneEventOrAnError)
{
    struct Events {
        int ready = 0, error = 0, cancel = 0;
        QString code, reason, msg;
    };
    struct Case {
        const char* name;
        bool ownState; // else a forged state
        QString code, error, reason, desc;
        int ready, error_, cancel;
        bool raises;
        QString wantCode, wantReason;
    } cases[] = {
        { "refusal", true, {}, "access_denied", "user_denied", "Permissions error", 0, 0, 1, false, {}, {} },
        { "other error with reason", true, {}, "server_error", "unknown", "down", 0, 1, 0, false, "server_error", "unknown" },
        { "error without reason", false, {}, "invalid_request", {}, "bad", 0, 1, 0, false, "invalid_request", {} },
        { "code with a forged state", false, "abc", {}, {}, {}, 0, 1, 0, false, "EFacebook", "InvalidLoginRet" },
        { "error with a forged state", false, {}, "access_denied", "user_denied", {}, 0, 0, 0, true, {}, {} },
        { "unknown code", true, "not-a-code", {}, {}, {}, 0, 1, 0, false, "EFacebook", "OAuthException" },
        { "nothing", true, {}, {}, {}, {}, 0, 0, 0, true, {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto graph = std::make_shared<TFacebookGraph>(QString(), endpoints);
        Events ev;
        graph->SetLoginReady([&](const IFacebookGraphRef&) { ++ev.ready; });
        graph->SetLoginError([&](const IFacebookGraphRef&, const std::exception*, const QString& code,
                                 const QString& reason, const QString& msg) {
            ++ev.error;
            ev.code = code;
            ev.reason = reason;
            ev.msg = msg;
        });
        graph->SetLoginCancel([&](const IFacebookGraphRef&) { ++ev.cancel; });
        TWebBrowserFacebookHelper helper(graph, socialsim::appId(), socialsim::appSecret(), socialsim::redirectUri(sim));
        const QString state = c.ownState ? graph->FacebookState() : QStringLiteral("0.123");
        if (!c.ownState)
            graph->FacebookState();
        QMap<QString, QString> page { { "facebookZebState", state }, { "facebookZebCode", c.code },
                                      { "facebookZebError", c.error }, { "facebookZebErrorReason", c.reason },
                                      { "facebookZebErrorDesc", c.desc } };
        bool raised = false;
        try {
            EXPECT_TRUE(helper.ResponsePageScanOk([&](const QString& id) { return page.value(id); }));
        } catch (const std::exception&) {
            raised = true;
        }
        EXPECT_EQ(raised, c.raises);
        EXPECT_EQ(ev.ready, c.ready);
        EXPECT_EQ(ev.error, c.error_);
        EXPECT_EQ(ev.cancel, c.cancel);
        if (ev.error) {
            EXPECT_EQ(ev.code, c.wantCode);
            EXPECT_EQ(ev.reason, c.wantReason);
        }
        if (QByteArray(c.name) == "code with a forged state")
            EXPECT_EQ(ev.msg, QStringLiteral("Invalid login state !\\n0.123 <> ") + graph->FacebookState());
    }
    // A page that is not the result page yet.
    auto graph = std::make_shared<TFacebookGraph>(QString(), endpoints);
    TWebBrowserFacebookHelper helper(graph, socialsim::appId(), socialsim::appSecret(), socialsim::redirectUri(sim));
    EXPECT_FALSE(helper.ResponsePageScanOk([](const QString&) { return QString(); }));
}

TEST_F(GraphSim, ATokenRequestThatFailsIsAnErrorEventNamingTheCause)
{
    auto graph = std::make_shared<TFacebookGraph>(QString(), endpoints);
    TWebBrowserFacebookHelper helper(graph, socialsim::appId(), socialsim::appSecret(), socialsim::redirectUri(sim));
    const auto values = socialsim::hiddenValues(
        socialsim::walkDialog(helper.StartUrl(QStringLiteral("user_photos")), "alice", "wonderland", true));
    ASSERT_TRUE(sim.addFault({ { "kind", "close" }, { "path", "/graph/v2.7/oauth/access_token" } }));
    QString code, msg;
    graph->SetLoginError([&](const IFacebookGraphRef&, const std::exception* ex, const QString& c, const QString&,
                             const QString& m) {
        EXPECT_NE(ex, nullptr);
        code = c;
        msg = m;
    });
    EXPECT_TRUE(helper.ResponsePageScanOk([&](const QString& id) { return values.value(id); }));
    EXPECT_EQ(code, QStringLiteral("ENetHttpClient"));
    EXPECT_FALSE(msg.isEmpty());
    EXPECT_TRUE(graph->accessToken().isEmpty());
}

TEST(GraphTls, AnUntrustedCertificateIsRefused)
{
    LabSim tls;
    tls.setArguments({ "--tls", QStringLiteral(KIOSK_SOURCE_DIR "/tests/labservice/data/selfsigned-cert.pem"),
                       QStringLiteral(KIOSK_SOURCE_DIR "/tests/labservice/data/selfsigned-key.pem") });
    ASSERT_TRUE(tls.start()) << qPrintable(tls.error());
    TFacebookEndpoints e;
    e.graphBase = tls.baseUrl() + QStringLiteral("/graph/");
    ASSERT_TRUE(e.graphBase.startsWith(QStringLiteral("https://")));
    TFacebookGraph graph(QStringLiteral("token"), e);
    EXPECT_THROW(graph.GetObject(QStringLiteral("me"), nullptr), ENetHttpClient);
    const QString file = QDir::tempPath() + QStringLiteral("/social-tls-%1.png").arg(QCoreApplication::applicationPid());
    EXPECT_FALSE(graph.RequestToFile(tls.baseUrl() + QStringLiteral("/graph/pictures/a.png?w=4&h=4"), nullptr, file));
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST(FacebookFuzzSeeds, CorpusKeepsTheInvariants)
{
    QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/facebook"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_GE(files.size(), 10);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        FacebookFuzzOneInput(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
    }
}

TEST(FacebookEndpoints, TakenFromTheConfiguration)
{
    mediafakes::MediaConfig cfg;
    TFacebookEndpoints e = TFacebookEndpoints::FromConfig(cfg);
    EXPECT_EQ(e.graphBase, QStringLiteral("https://graph.facebook.com/"));
    EXPECT_EQ(e.dialogBase, QStringLiteral("https://www.facebook.com/"));
    EXPECT_EQ(e.apiVersion, QStringLiteral("v2.7"));
    cfg.SetFacebookGraphUrl(QStringLiteral(" http://127.0.0.1:8080/graph "));
    cfg.SetFacebookDialogUrl(QStringLiteral("http://127.0.0.1:8080/"));
    cfg.SetFacebookApiVersion(QStringLiteral("/v3.1/"));
    e = TFacebookEndpoints::FromConfig(cfg);
    EXPECT_EQ(e.graphBase, QStringLiteral("http://127.0.0.1:8080/graph/"));
    EXPECT_EQ(e.dialogBase, QStringLiteral("http://127.0.0.1:8080/"));
    EXPECT_EQ(e.apiVersion, QStringLiteral("v3.1"));
    cfg.SetFacebookGraphUrl(QString());
    cfg.SetFacebookApiVersion(QStringLiteral("/"));
    e = TFacebookEndpoints::FromConfig(cfg);
    EXPECT_EQ(e.graphBase, QStringLiteral("https://graph.facebook.com/")) << "an empty key keeps the default";
    EXPECT_EQ(e.apiVersion, QStringLiteral("v2.7"));
}
