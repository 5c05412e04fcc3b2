#include "UNetHttp.h"

#include "LabSim.h"
#include "LogCapture.h"
#include "UThreadCancel.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <thread>

using testsupport::LabSim;

namespace {

// The HTTP library hands the body over in blocks of at most 16 KiB.
constexpr int kLargestBlock = 16384;

class NetHttpTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.start()) << qPrintable(sim.error()); }
    QString url(const QString& path) const { return sim.baseUrl() + path; }

    // The request as the echo page saw it.
    static QJsonObject echoOf(const TNetHttp& http)
    {
        return QJsonDocument::fromJson(http.ResponseAsString().toUtf8()).object();
    }
    // Header lines received by the server, as "Name: value", in order.
    static QStringList headerLines(const QJsonObject& echo)
    {
        QStringList out;
        for (const auto& h : echo.value("headers").toArray())
            out << h.toArray().at(0).toString() + QStringLiteral(": ") + h.toArray().at(1).toString();
        return out;
    }

    LabSim sim;
};

// A cancel source that asks to cancel from its n-th poll on.
struct CountingSource : ICancelSource {
    explicit CountingSource(int n) : cancelAt(n) { }
    bool IsCancelRequested() const override { return ++polls >= cancelAt; }
    int cancelAt;
    mutable std::atomic<int> polls { 0 };
};

TEST(NetHttpHeaders, AddKeepsSpellingAndPlaceAndReplacesIgnoringCase)
{
    TNetHttp http;
    http.RequestCustomHeadersAdd(QStringLiteral("X-Mixed-Case:  first value "));
    http.RequestCustomHeadersAdd(QStringLiteral("SOAPAction:"));
    http.SetRequestContentType(QStringLiteral("text/xml"));
    http.RequestCustomHeadersAdd(QStringLiteral("x-mixed-case: second"));
    http.SetRequestContentType(QStringLiteral("text/xml; charset=utf-8"));

    const THttpHeaderList expected {
        { "X-Mixed-Case", "second" },
        { "SOAPAction", "" },
        { "Content-Type", "text/xml; charset=utf-8" },
    };
    EXPECT_EQ(http.CustomHeaders(), expected);
    EXPECT_EQ(http.GetCustomHeaderValue("CONTENT-TYPE"), "text/xml; charset=utf-8");
    EXPECT_EQ(http.GetCustomHeaderValue("Missing"), "");
    EXPECT_EQ(http.RequestContentType(), "text/xml; charset=utf-8");
}

TEST(NetHttpHeaders, ValueKeepsTrailingBlanks)
{
    TNetHttp http;
    http.RequestCustomHeadersAdd(QStringLiteral("X-A:\t  v a l \t"));
    EXPECT_EQ(http.GetCustomHeaderValue("x-a"), "v a l \t");
}

TEST(NetHttpHeaders, MalformedLinesAreRefused)
{
    TNetHttp http;
    for (const char* line : { "NoColon", ": value", "" }) {
        SCOPED_TRACE(line);
        try {
            http.RequestCustomHeadersAdd(QString::fromLatin1(line));
            FAIL() << "accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "TNetHttp.RequestCustomHeadersAdd: invalid header");
        }
    }
    EXPECT_TRUE(http.CustomHeaders().isEmpty());
}

TEST(NetHttpHeaders, NoResponseBeforeARequest)
{
    TNetHttp http;
    try {
        http.ResponseAsString();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TNetHttp.ResponseAsString: no previous valid response");
    }
    try {
        http.ResponseContentType();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TNetHttp.ResponseContentType: no previous valid response");
    }
}

TEST_F(NetHttpTest, HeadersReachTheServerInTheirOrder)
{
    TNetHttp http;
    http.SetRequestContentType(QStringLiteral("text/xml; charset=utf-8"));
    http.RequestCustomHeadersAdd(QStringLiteral("SOAPAction:"));
    http.SetRequestAccept(QStringLiteral("*/*"));
    http.RequestCustomHeadersAdd(QStringLiteral("X-Trace: 1"));
    http.RequestCustomHeadersAdd(QStringLiteral("soapaction: \"urn:x/Op\""));
    http.SetRequestUserAgent(QStringLiteral("KioskTest/1.0"));

    QByteArray envelope("<Envelope/>");
    QBuffer request(&envelope);
    request.open(QIODevice::ReadOnly);
    http.HttpPost(url("/__echo"), &request, nullptr);

    const QJsonObject echo = echoOf(http);
    QStringList custom;
    for (const QString& line : headerLines(echo))
        if (!line.startsWith("Host:") && !line.startsWith("Content-Length:") && !line.startsWith("User-Agent:"))
            custom << line;
    EXPECT_EQ(custom, QStringList({ "Content-Type: text/xml; charset=utf-8", "SOAPAction: \"urn:x/Op\"", "Accept: */*", "X-Trace: 1" }));
    EXPECT_TRUE(headerLines(echo).contains("User-Agent: KioskTest/1.0"));
    EXPECT_EQ(echo.value("body").toString(), "<Envelope/>");
}

TEST_F(NetHttpTest, AnEmptyHeaderValueIsSent)
{
    TNetHttp http;
    http.RequestCustomHeadersAdd(QStringLiteral("SOAPAction:"));
    http.HttpGet(url("/__echo"), nullptr);
    EXPECT_TRUE(headerLines(echoOf(http)).contains("SOAPAction: "));
}

TEST_F(NetHttpTest, AfterRequestClearOnlyTheUserAgentStays)
{
    TNetHttp http;
    http.SetRequestAccept(QStringLiteral("text/xml"));
    http.SetRequestUserAgent(QStringLiteral("KioskTest/2.0"));
    http.HttpGet(url("/__echo"), nullptr);
    EXPECT_TRUE(headerLines(echoOf(http)).contains("Accept: text/xml"));

    http.RequestClear();
    EXPECT_EQ(http.RequestAccept(), "text/xml");
    http.HttpGet(url("/__echo"), nullptr);
    const QStringList lines = headerLines(echoOf(http));
    EXPECT_TRUE(lines.contains("User-Agent: KioskTest/2.0"));
    for (const QString& line : lines)
        EXPECT_FALSE(line.startsWith("Accept", Qt::CaseInsensitive)) << qPrintable(line);
}

TEST_F(NetHttpTest, EveryStatusButOkIsRefused)
{
    struct Case {
        const char* name;
        int status;
        const char* reason;
        const char* body;
    };
    const Case cases[] = {
        { "created", 201, "Created", "made" },
        { "no content", 204, "No Content", "" },
        { "not modified", 304, "Not Modified", "" },
        { "not found", 404, "Not Found", "no such page" },
        { "SOAP fault", 500, "Internal Server Error", "<s:Envelope><s:Body><s:Fault/></s:Body></s:Envelope>" },
    };
    TNetHttp http;
    http.HttpGet(url("/__text?text=previous"), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(sim.addFault({ { "kind", "reply" }, { "path", "/x" }, { "status", c.status }, { "reason", c.reason },
            { "body", c.body }, { "times", 1 } }));
        try {
            http.HttpGet(url("/x"), nullptr);
            ADD_FAILURE() << "accepted";
        } catch (const ENetHttp& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("HTTP request has failed:\nError status: %1 - %2").arg(c.status).arg(c.reason));
            EXPECT_EQ(e.HttpMsgText(), QString::fromLatin1(c.body));
        }
        // The refused reply does not replace the last good one.
        EXPECT_EQ(http.ResponseAsString(), "previous");
    }
    http.RequestClear();
    EXPECT_THROW(http.ResponseAsString(), Exception);
}

TEST_F(NetHttpTest, ARefusedReplyIsLoggedAtDebugWithItsBody)
{
    LogCapture log;
    TNetHttp http;
    http.HttpGet(url("/__text?text=fine"), nullptr);
    EXPECT_FALSE(log.Text().contains("TNetHttp")) << "a success is not logged";

    ASSERT_TRUE(sim.addFault({ { "kind", "reply" }, { "status", 500 }, { "reason", "Internal Server Error" }, { "body", "<Fault/>" } }));
    EXPECT_THROW(http.HttpGet(url("/soap"), nullptr), ENetHttp);
    const QString expected = QStringLiteral("TNetHttp.HTTPCheck(code=500): result=") + QString(41, '-') + QStringLiteral("\n<Fault/>\n")
        + QString(72, '-') + QStringLiteral("\n");
    const QString text = log.Text();
    EXPECT_TRUE(text.contains(QStringLiteral("DEBUG ")));
    EXPECT_TRUE(text.contains(expected)) << qPrintable(text);
}

TEST_F(NetHttpTest, ARefusedBodyNeverLandsInTheCallersStream)
{
    TNetHttp http;
    ASSERT_TRUE(sim.addFault({ { "kind", "reply" }, { "status", 404 }, { "reason", "Not Found" }, { "body", "error page" } }));
    QByteArray bytes("kept");
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadWrite);
    stream.seek(4);
    EXPECT_THROW(http.HttpGet(url("/file.jpg"), &stream), ENetHttp);
    EXPECT_EQ(bytes, "kept");
    EXPECT_EQ(stream.pos(), 4);
}

// A device that takes n bytes and then fails, like a full disk.
class FailDevice : public QIODevice {
public:
    explicit FailDevice(qint64 n) : fLeft(n) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override
    {
        if (len > fLeft) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        fLeft -= len;
        return len;
    }

private:
    qint64 fLeft;
};

TEST_F(NetHttpTest, AStreamThatCannotTakeTheBodyEndsTheRequest)
{
    TNetHttp http;
    FailDevice full(20000);
    try {
        http.HttpGet(url("/__bytes?size=100000"), &full);
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_EQ(e.Message(), "THttpClient: cannot write the reply body: No space left on device");
    }
    http.HttpGet(url("/__text?text=still%20usable"), nullptr);
    EXPECT_EQ(http.ResponseAsString(), "still usable");
}

TEST_F(NetHttpTest, BodyGoesIntoTheStreamFromItsPosition)
{
    TNetHttp http;
    QByteArray bytes("head:");
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadWrite);
    stream.seek(5);
    http.HttpGet(url("/__text?text=body"), &stream);
    EXPECT_EQ(bytes, "head:body");
    EXPECT_EQ(stream.pos(), 5);
    EXPECT_EQ(http.ResponseAsString(), "body");
    EXPECT_EQ(http.ResponseContentType(), "text/plain; charset=utf-8");
}

TEST_F(NetHttpTest, TextIsDecodedByTheRepliedCharset)
{
    struct Case {
        const char* name;
        const char* query;
        QString expected;
    };
    const Case cases[] = {
        { "latin-1", "/__text?charset=iso-8859-1&text=%C3%A9t%C3%A9", QStringLiteral("\u00e9t\u00e9") },
        { "utf-8", "/__text?charset=utf-8&text=%C3%A9t%C3%A9", QStringLiteral("\u00e9t\u00e9") },
        { "utf-16", "/__text?charset=utf-16-le&text=%C3%A9t%C3%A9", QStringLiteral("\u00e9t\u00e9") },
    };
    TNetHttp http;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        http.HttpGet(url(QString::fromLatin1(c.query)), nullptr);
        EXPECT_EQ(http.ResponseAsString(), c.expected);
    }
}

TEST_F(NetHttpTest, PostSendsTheWholeStreamWhereverItsPositionIs)
{
    TNetHttp http;
    QByteArray envelope("0123456789");
    QBuffer request(&envelope);
    request.open(QIODevice::ReadOnly);
    request.seek(envelope.size());
    http.HttpPost(url("/__echo"), &request, nullptr);
    EXPECT_EQ(echoOf(http).value("body").toString(), "0123456789");
}

TEST_F(NetHttpTest, FormFieldsAreUrlEncodedAfterTheirContentType)
{
    TNetHttp http;
    http.RequestCustomHeadersAdd(QStringLiteral("X-After: 1"));
    http.HttpPost(url("/__echo"),
        QStringList { "access_token=a b&c", "=no name", "no equals", "name=\u00e9t\u00e9", "empty=" }, nullptr);
    const QJsonObject echo = echoOf(http);
    EXPECT_EQ(echo.value("body").toString(), "access_token=a%20b%26c&name=%C3%A9t%C3%A9&empty=");
    const QStringList lines = headerLines(echo);
    const int ct = lines.indexOf("Content-Type: application/x-www-form-urlencoded; charset=UTF-8");
    ASSERT_GE(ct, 0) << qPrintable(lines.join('\n'));
    EXPECT_LT(ct, lines.indexOf("X-After: 1"));
}

TEST_F(NetHttpTest, AtMostFiveRedirectsAreFollowed)
{
    TNetHttp http;
    http.HttpGet(url("/__redirect?n=5"), nullptr);
    EXPECT_EQ(echoOf(http).value("path").toString(), "/__redirect");
    EXPECT_THROW(http.HttpGet(url("/__redirect?n=6"), nullptr), ENetHttpClient);
}

TEST_F(NetHttpTest, CookiesLiveAsLongAsTheObject)
{
    TNetHttp http;
    http.HttpGet(url("/__cookie?set=session=42"), nullptr);
    http.RequestClear();
    http.HttpGet(url("/__echo"), nullptr);
    EXPECT_TRUE(headerLines(echoOf(http)).contains("Cookie: session=42"));

    TNetHttp other;
    other.HttpGet(url("/__echo"), nullptr);
    for (const QString& line : headerLines(echoOf(other)))
        EXPECT_FALSE(line.startsWith("Cookie:"));
}

TEST_F(NetHttpTest, CancellingTheTaskStopsTheDownloadWithinOneBlock)
{
    const qint64 total = 8 << 20;
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::WriteOnly);
    // The server trickles the body; without the cancel this would take
    // several seconds.
    ASSERT_TRUE(sim.addFault({ { "kind", "slow" }, { "chunk", kLargestBlock }, { "delay_ms", 20 } }));
    CountingSource source(3); // the start of the body and two blocks pass
    bool cancelled = false;
    std::thread worker([&] {
        ThreadCancel::Scope scope(&source);
        TNetHttp http;
        try {
            http.HttpGet(url(QStringLiteral("/__bytes?size=%1").arg(total)), &stream);
        } catch (const ECancel&) {
            cancelled = true;
        }
    });
    worker.join();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(source.polls.load(), 3);
    // Two blocks arrived; the one read before the cancel stays in the stream.
    EXPECT_GT(bytes.size(), 0);
    EXPECT_LE(bytes.size(), 2 * kLargestBlock);
}

TEST_F(NetHttpTest, ARequestWithoutACancelSourceIsNotCancelled)
{
    TNetHttp http;
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::WriteOnly);
    http.HttpGet(url("/__bytes?size=300000"), &stream);
    EXPECT_EQ(bytes.size(), 300000);
}

TEST_F(NetHttpTest, AServerThatNeverAnswersEndsInATimeOut)
{
    ASSERT_TRUE(sim.addFault({ { "kind", "hang" } }));
    TNetHttp http;
    http.SetTimeouts(2000, 1);
    try {
        http.HttpGet(url("/__echo"), nullptr);
        FAIL() << "answered";
    } catch (const ENetHttpClient& e) {
        EXPECT_TRUE(e.TimedOut());
        EXPECT_TRUE(e.Message().contains("time-out, the server sent nothing for 1 s")) << qPrintable(e.Message());
    }
}

TEST_F(NetHttpTest, NetworkFailuresPassThroughAndTheObjectStaysUsable)
{
    TNetHttp http;
    http.RequestCustomHeadersAdd(QStringLiteral("X-Keep: yes"));

    ASSERT_TRUE(sim.addFault({ { "kind", "cut" }, { "after", 10 }, { "times", 1 } }));
    EXPECT_THROW(http.HttpGet(url("/__bytes?size=1000"), nullptr), ENetHttpClient);

    LabSim gone;
    ASSERT_TRUE(gone.start());
    const int deadPort = gone.port();
    gone.stop();
    EXPECT_THROW(http.HttpGet(QStringLiteral("http://127.0.0.1:%1/").arg(deadPort), nullptr), ENetHttpClient);

    http.HttpGet(url("/__echo"), nullptr);
    EXPECT_TRUE(headerLines(echoOf(http)).contains("X-Keep: yes"));
}

} // namespace
