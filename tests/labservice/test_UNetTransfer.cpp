#include "UNetTransfer.h"

#include "LabSim.h"
#include "LogCapture.h"
#include "TestSupport.h"
#include "UNetHttp.h"
#include "USoapHttpTrans.h"
#include "UThreadCancel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

using testsupport::LabSim;

namespace {

QString PatternText(int size)
{
    QString s;
    for (int i = 0; i < size; ++i)
        s += QChar('a' + i % 26);
    return s;
}

// ---------------------------------------------------------------- class functions

TEST(NetTransferText, QueryValueEncoding)
{
    struct Case {
        const char* name;
        QString in;
        QString out;
    };
    const Case cases[] = {
        { "path with blank", "A/b c.jpg", "A%2Fb%20c.jpg" },
        { "unreserved kept", "Az09-._~", "Az09-._~" },
        { "escape kept", "x%41y%6a", "x%41y%6a" },
        { "lone percent", "100%", "100%25" },
        { "percent without hex", "%4G", "%254G" },
        { "plus and ampersand", "a+b&c=d", "a%2Bb%26c%3Dd" },
        { "utf-8", QStringLiteral("\u00e9t\u00e9"), "%C3%A9t%C3%A9" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TNetTransfer::URIparamsEncode(c.in), c.out);
    }
}

TEST(NetTransferText, LoginCredential)
{
    // Digests of password + salt + login, as the lab computes them.
    EXPECT_EQ(TNetTransfer::GetMd5Hash("bob", "pw"), "f08057317d51778ff5d200eb0297c6be");
    EXPECT_EQ(TNetTransfer::GetMd5Hash("bob", ""), "969fbacdbed690d25ad4669eda4e4034");
    EXPECT_EQ(TNetTransfer::GetMd5Hash(QStringLiteral("k\u00e9v"), QStringLiteral("p\u00e4ss")), "a0a0ca9cb8d1ef733d1241b97c0906e1");
}

TEST(NetTransferText, ProtocolNames)
{
    EXPECT_EQ(TNetTransfer::NetProtoFromString("https"), TNetProto::HTTPS);
    EXPECT_EQ(TNetTransfer::NetProtoFromString("Http"), TNetProto::HTTP);
    for (const char* ftp : { "", "ftp", "FTP" }) {
        SCOPED_TRACE(ftp);
        try {
            TNetTransfer::NetProtoFromString(ftp);
            ADD_FAILURE();
        } catch (const ENetTransfer&) {
            ADD_FAILURE() << "not the plain exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "FTP protocol not supported");
        }
    }
    try {
        TNetTransfer("sftp", "host", "", "");
        ADD_FAILURE();
    } catch (const ENetTransfer& e) {
        EXPECT_EQ(e.Message(), "Net transfer protocol(SFTP) not supported");
    }
}

TEST(NetTransferText, ActionWords)
{
    const std::pair<TFtpAction, const char*> words[] = {
        { TFtpAction::DownloadFile, "GET" }, { TFtpAction::UploadFile, "PUT" }, { TFtpAction::ListDirectory, "LIST" },
        { TFtpAction::ListDirectoryDetails, "LISTD" }, { TFtpAction::LISTDR, "LISTDR" }, { TFtpAction::Rename, "RENAME" },
        { TFtpAction::MakeDirectory, "MKDIR" }, { TFtpAction::RemoveDirectory, "RMDIR" },
        { TFtpAction::FtpDeleteFile, "DEL" }, { TFtpAction::GetFileSize, "SIZE" },
    };
    for (const auto& w : words)
        EXPECT_EQ(TNetTransfer::ftpToHttpWebAction(w.first), w.second);
    try {
        TNetTransfer::ftpToHttpWebAction(static_cast<TFtpAction>(42));
        ADD_FAILURE();
    } catch (const ENetTransfer& e) {
        EXPECT_EQ(e.Message(), "NetFileTransfer: Unsupported operation");
    }
}

TEST(NetTransferText, SplitToLFDropsBlankPiecesAndCarriageReturns)
{
    EXPECT_EQ(TNetTransfer::SplitToLF("\n2\r\na\n\r\n\nb\r\r\n"), QStringList({ "2", "a", "b" }));
    EXPECT_TRUE(TNetTransfer::SplitToLF("").isEmpty());
}

TEST(NetTransferText, RetryAndNetworkClassification)
{
    struct Case {
        const char* name;
        std::function<void()> raise;
        bool retry;
        bool net;
    };
    const Case cases[] = {
        { "ENetTransfer", [] { throw ENetTransfer("x"); }, false, false },
        { "ECancel", [] { throw ECancel(); }, false, false },
        { "ENetTransferHttp", [] { throw ENetTransferHttp("x"); }, true, true },
        { "ENetHttp", [] { throw ENetHttp("x", ""); }, true, true },
        { "ENetHttpClient", [] { throw ENetHttpClient("x", 7, false); }, true, true },
        { "ESOAPHTTPException", [] { throw ESOAPHTTPException("x"); }, true, true },
        { "plain", [] { throw Exception("x"); }, true, false },
        { "file error", [] { throw EFOpenError("x"); }, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.raise();
        } catch (const std::exception& e) {
            EXPECT_EQ(TNetTransfer::canRetry(e), c.retry);
            EXPECT_EQ(TNetTransfer::isNetError(e), c.net);
        }
    }
}

TEST(NetTransferText, RateTexts)
{
    struct Case {
        const char* name;
        double rate;
        TStepRateUnit unit;
        const char* text;
    };
    const Case cases[] = {
        { "bytes", 1023, rateBytePerSec, "1023.0 B/s" },
        { "kilobytes", 1536, rateBytePerSec, "1.5 KB/s" },
        { "megabytes", 3 * 1024 * 1024, rateBytePerSec, "3.0 MB/s" },
        { "never past mega", 5120.0 * 1024 * 1024, rateBytePerSec, "5120.0 MB/s" },
        { "byte count", 512, rateByte, "512.0 B" },
        { "images", 12, rateImagePerSec, "12.0 Image/s" },
        { "kilo images", 1500, rateImagePerSec, "1.5 K Image/s" },
        { "never past kilo", 2000000, rateImage, "2000.0 K Image" },
        { "zero", 0, rateBytePerSec, "0.0 B/s" },
        { "infinite", std::numeric_limits<double>::infinity(), rateBytePerSec, "0.0 B/s" },
        { "not a number", std::nan(""), rateBytePerSec, "0.0 B/s" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TNetTransfer::rateToStr(c.rate, c.unit), c.text);
    }
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TNetTransfer::rateToStr(1536, rateBytePerSec), "1,5 KB/s");
    QLocale::setDefault(previous);

    try {
        TNetTransfer::rateToStr(1, rateNone);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "rateUnitInfo : unsupported unit");
    }
    try {
        TNetTransfer::rateUnitToStr(rateByte, 4);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "rateUnit : unsupported scale");
    }
    try {
        TNetTransfer::rateUnitToStr(rateNone, 1);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "rateUnit : unsupported unit");
    }
}

TEST(NetTransferText, RemainingTime)
{
    struct Case {
        const char* name;
        double days;
        const char* text;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        { "hour minute second", 3665 / 86400.0, "1:01:05" },
        { "minutes", 245 / 86400.0, "0:04:05" },
        { "half a day", 0.5, "12:00:00" },
        { "more than a day", 1.5, "36:00:00" },
        { "zero", 0, "0:00:00" },
        { "negative", -1, "0:00:00" },
        { "rate 0: unknown", 1000 / 0.0, "" },
        { "nothing left at rate 0: unknown", std::nan(""), "" },
        { "minus infinity", -inf, "" },
        { "beyond 32 bits", 1e12, "596523:14:07" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TNetTransfer::estimatedTimeToStr(c.days), c.text);
    }
}

TEST(NetTransferText, RateMeasureWindow)
{
    TRateMeasure m(3, 2);
    EXPECT_EQ(m.BytePerMillisec(), 0);
    m.MeasureAdd(100, 10);
    EXPECT_EQ(m.BytePerMillisec(), 0) << "fewer samples than the minimum";
    m.MeasureAdd(200, 10);
    EXPECT_DOUBLE_EQ(m.BytePerMillisec(), 15);
    EXPECT_DOUBLE_EQ(m.BytePerSec(), 15000);
    m.MeasureAdd(300, 20);
    m.MeasureAdd(400, 20); // pushes out the first sample
    EXPECT_DOUBLE_EQ(m.BytePerMillisec(), 900.0 / 50);

    TRateMeasure still(4, 1);
    still.MeasureAdd(500, 0);
    EXPECT_EQ(still.BytePerMillisec(), 0) << "no time has passed";

    for (auto args : { std::pair<qint64, qint64> { -1, 0 }, { 0, -1 } }) {
        try {
            m.MeasureAdd(args.first, args.second);
            ADD_FAILURE();
        } catch (const ENetTransfer& e) {
            EXPECT_EQ(e.Message(), "TRateMeasure.MeasureAdd: invalid arguments");
        }
    }
    m.MeasureReset();
    EXPECT_EQ(m.BytePerMillisec(), 0);
}

TEST(NetTransferText, ServerInfo)
{
    EXPECT_EQ(TNetTransfer("http", "lab.example", "", "").ServerInfoStr(), "");
    EXPECT_EQ(TNetTransfer("http", "lab.example/kiosk/FileTransfer.aspx", "", "").ServerInfoStr(), "lab.example/kiosk");
    EXPECT_EQ(TNetTransfer("http", "lab.example\\x", "", "").ServerInfoStr(), "lab.example");
    EXPECT_THROW(TNetTransfer("http", "", "", "").ServerInfoStr(), EArgumentException);
    EXPECT_THROW(TNetTransfer("http", "lab\texample", "", "").ServerInfoStr(), EArgumentException);
}

TEST(NetTransferText, RatesAreZeroBeforeAMeasureStarts)
{
    TNetTransfer t("http", "lab.example", "", "");
    EXPECT_EQ(t.DnUpByteRealPerSec(), 0);
    EXPECT_EQ(t.DnUpByteTransfertPerMillisec(), 0);
    try {
        TNetTransfer("http", "", "", "").DirectoryCreate("x");
        ADD_FAILURE();
    } catch (const ENetTransfer& e) {
        EXPECT_EQ(e.Message(), "TNetTransfer.makeServerUrl: null server name");
    }
}

// ---------------------------------------------------------------- against the simulator

// A cancel source that asks to cancel from its n-th poll on.
struct CountingSource : ICancelSource {
    explicit CountingSource(int n) : cancelAt(n) { }
    bool IsCancelRequested() const override { return ++polls >= cancelAt; }
    int cancelAt;
    mutable std::atomic<int> polls { 0 };
};

class NetTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start()) << qPrintable(sim.error());
        ASSERT_TRUE(local.isValid());
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(sim.port()); }
    std::unique_ptr<TNetTransfer> client(const QString& login = QString(), const QString& pwd = QString())
    {
        return std::make_unique<TNetTransfer>("http", host(), login, pwd);
    }
    QString localFile(const QString& name, const QByteArray& content)
    {
        const QString path = local.filePath(name);
        EXPECT_TRUE(testsupport::writeAll(path, content));
        return path;
    }
    QString stored(const QString& rel) const { return sim.folder() + "/" + rel; }
    // Journal entries of the file-transfer page.
    QList<QJsonObject> pageRequests()
    {
        QList<QJsonObject> out;
        for (const auto& v : sim.journal())
            if (v.toObject().value("path").toString() == "/FileTransfer.aspx")
                out << v.toObject();
        return out;
    }
    bool replyOnce(const QString& action, int status, const QString& body, int times = 1, const QString& reason = "OK")
    {
        return sim.addFault({ { "kind", "reply" }, { "action", action }, { "status", status }, { "reason", reason },
            { "body", body }, { "times", times } });
    }

    LabSim sim;
    QTemporaryDir local;
};

TEST_F(NetTransferTest, RoundTripWithCheckedCredentials)
{
    ASSERT_TRUE(sim.setCredentials("bob", "pw"));
    auto t = client("bob", "pw");
    const QByteArray content = PatternText(70000).toLatin1();
    const QString src = localFile("img 1.jpg", content);

    t->CheckConnec();
    EXPECT_FALSE(t->DirectoryExists("Orders/A1"));
    t->DirectoryCreate("\\Orders\\A1");
    EXPECT_TRUE(t->DirectoryExists("Orders/A1"));
    t->UploadFile(src, "\\Orders\\A1\\img 1.jpg", false);
    EXPECT_EQ(testsupport::readAll(stored("Orders/A1/img 1.jpg")), content);
    EXPECT_EQ(t->FileSize("Orders/A1/img 1.jpg", true), content.size());

    const QString dst = local.filePath("back.jpg");
    t->DownloadFile(dst, "Orders/A1/img 1.jpg");
    EXPECT_EQ(testsupport::readAll(dst), content);
    EXPECT_EQ(t->DownloadBytes("/Orders/A1/img 1.jpg"), content);

    t->DirectoryOrFileRename("Orders/A1", "Orders/1234");
    EXPECT_EQ(t->DirectoryList("Orders/1234", true), QStringList({ "Orders/1234/img 1.jpg" }));
    EXPECT_FALSE(t->DirectoryExists("Orders/A1"));

    const auto requests = pageRequests();
    ASSERT_FALSE(requests.isEmpty());
    for (const QJsonObject& r : requests) {
        SCOPED_TRACE(r.value("query_string").toString().toStdString());
        EXPECT_EQ(r.value("credentials").toString(), "ok");
        EXPECT_EQ(r.value("query").toObject().value("logincred").toString(), "f08057317d51778ff5d200eb0297c6be");
        const QString action = r.value("query").toObject().value("action").toString();
        EXPECT_EQ(r.value("method").toString(), action == "PUT" || action == "RENAME" ? "POST" : "GET");
        if (action == "PUT") {
            const QJsonObject part = r.value("parts").toArray().at(0).toObject();
            EXPECT_EQ(part.value("name").toString(), "uploadedfile");
            EXPECT_EQ(part.value("filename").toString(), "img 1.jpg");
            EXPECT_EQ(part.value("content_type").toString(), "image/jpeg");
            EXPECT_EQ(r.value("query_string").toString().section('&', 0, 0), "file=Orders%2FA1%2Fimg%201.jpg");
        }
        if (action == "RENAME") {
            const QJsonObject part = r.value("parts").toArray().at(0).toObject();
            EXPECT_EQ(part.value("name").toString(), "RenameTo");
            EXPECT_EQ(part.value("value").toString(), "Orders/1234");
        }
    }
}

TEST_F(NetTransferTest, AWrongPasswordIsRefusedByThePage)
{
    ASSERT_TRUE(sim.setCredentials("bob", "pw"));
    auto t = client("bob", "wrong");
    try {
        t->DirectoryCreate("Orders");
        FAIL();
    } catch (const ENetTransferHttp& e) {
        EXPECT_EQ(e.Message(), "HTTP request has failed:\nError status: 403 - Forbidden");
        EXPECT_TRUE(TNetTransfer::isNetError(e));
    }
    EXPECT_FALSE(QDir(stored("Orders")).exists());
    EXPECT_EQ(pageRequests().last().value("credentials").toString(), "refused");

    // Without a login no credential is sent at all.
    auto anonymous = client();
    EXPECT_THROW(anonymous->DirectoryCreate("Orders"), ENetTransferHttp);
    EXPECT_FALSE(pageRequests().last().value("query").toObject().contains("logincred"));
}

TEST_F(NetTransferTest, RequestUrls)
{
    struct Case {
        const char* name;
        QString address;
        QString path;
        QString expectPath;
        QString expectQuery;
    };
    const QString h = host();
    const Case cases[] = {
        { "bare host", h, "\\A\\b c.jpg", "/FileTransfer.aspx", "file=A%2Fb%20c.jpg&action=MKDIR" },
        { "slashes", h, "//A/b c.jpg", "/FileTransfer.aspx", "file=A%2Fb%20c.jpg&action=MKDIR" },
        { "percent in a path is a real percent", h, "100%41.jpg", "/FileTransfer.aspx", "file=100%2541.jpg&action=MKDIR" },
        { "own page path", h + "/lab/Transfer.aspx", "a", "/lab/Transfer.aspx", "file=a&action=MKDIR" },
        { "own query", h + "\\FileTransfer.aspx?site=3", "a", "/FileTransfer.aspx", "site=3&file=a&action=MKDIR" },
        { "empty path", h, "", "/FileTransfer.aspx", "file=&action=MKDIR" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TNetTransfer t("HTTP", c.address, "", "");
        try {
            t.DirectoryCreate(c.path);
        } catch (const ENetTransferHttp&) {
            // the simulator has no page at a path of its own
        }
        const QJsonObject last = sim.journal().last().toObject();
        EXPECT_EQ(last.value("path").toString(), c.expectPath);
        EXPECT_EQ(last.value("query_string").toString(), c.expectQuery);
    }
}

TEST_F(NetTransferTest, ThreeFailuresLogTwoRetriesThenRaise)
{
    LogCapture log;
    ASSERT_TRUE(replyOnce("SIZE", 404, "gone", 10, "Not Found"));
    auto t = client();
    try {
        t->FileSize("Orders/x.jpg", false);
        FAIL();
    } catch (const ENetTransferHttp& e) {
        EXPECT_EQ(e.Message(), "HTTP request has failed:\nError status: 404 - Not Found");
    }
    const auto requests = pageRequests();
    ASSERT_EQ(requests.size(), 3);
    // The third attempt comes after a pause of 300 ms.
    EXPECT_GE(requests[2].value("time").toDouble() - requests[1].value("time").toDouble(), 0.28);

    const QString text = log.Text();
    EXPECT_EQ(text.count("WARN "), 2);
    EXPECT_TRUE(text.contains("TNetTransfer.FileSize(Orders/x.jpg)/retry(1)")) << qPrintable(text);
    EXPECT_TRUE(text.contains("TNetTransfer.FileSize(Orders/x.jpg)/retry(2)"));
    EXPECT_FALSE(text.contains("/retry(3)"));
    EXPECT_EQ(text.count(QStringLiteral("TNetTransfer.HTTPCheck(code=404): result=") + QString(41, '-') + "\ngone\n" + QString(72, '-')), 3);
}

TEST_F(NetTransferTest, ListReplies)
{
    struct Case {
        const char* name;
        QString reply;
        std::optional<QStringList> expected;
        const char* error; // after three attempts
    };
    const Case cases[] = {
        { "two entries", "2\na\nb", QStringList { "a", "b" }, nullptr },
        { "CR LF", "2\r\na\r\nb\r\n", QStringList { "a", "b" }, nullptr },
        { "blank lines dropped", "\n2\n\na\n\nb\n\n", QStringList { "a", "b" }, nullptr },
        { "empty folder", "0", QStringList {}, nullptr },
        { "no folder", "-1\r\n", std::nullopt, nullptr },
        { "count too high", "3\na\nb", std::nullopt, "TNetTransfer.DirectoryList(d): invalid size returned: 3" },
        { "entries after -1", "-1\nx", std::nullopt, "TNetTransfer.DirectoryList(d): invalid size returned: -1" },
        { "not a number", "two\na", std::nullopt, "TNetTransfer.DirectoryList(d): invalid size returned: two" },
        { "empty reply", "\r\n", std::nullopt, "Argument out of range" },
    };
    auto t = client();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.clearJournal();
        ASSERT_TRUE(replyOnce("LIST", 200, c.reply, 3));
        try {
            EXPECT_EQ(t->DirectoryList("d", false), c.expected);
            EXPECT_EQ(c.error, nullptr);
            EXPECT_EQ(pageRequests().size(), 1);
        } catch (const Exception& e) {
            ASSERT_NE(c.error, nullptr) << qPrintable(e.Message());
            EXPECT_EQ(e.Message(), c.error);
            EXPECT_EQ(pageRequests().size(), 3);
        }
        sim.clearFaults();
    }
}

TEST_F(NetTransferTest, MissingRequiredPathsAreNotRetried)
{
    auto t = client();
    try {
        t->DirectoryList("nowhere", true);
        FAIL();
    } catch (const ENetTransfer& e) {
        EXPECT_EQ(e.Message(), "Directory nowhere not found on server");
    }
    try {
        t->FileSize("none.jpg", true);
        FAIL();
    } catch (const ENetTransfer& e) {
        EXPECT_EQ(e.Message(), "File none.jpg not found on server");
    }
    EXPECT_EQ(pageRequests().size(), 2);
    EXPECT_EQ(t->FileSize("none.jpg", false), -1);
    EXPECT_EQ(t->DirectoryList("nowhere", false), std::nullopt);
}

TEST_F(NetTransferTest, SizeReplies)
{
    auto t = client();
    ASSERT_TRUE(replyOnce("SIZE", 200, "  1234 \r\n"));
    EXPECT_EQ(t->FileSize("f", false), 1234);
    ASSERT_TRUE(replyOnce("SIZE", 200, "12 34", 3));
    try {
        t->FileSize("f", false);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TNetTransfer.FileSize(f): invalid size returned: 12 34");
    }
}

TEST_F(NetTransferTest, UploadWithCheckSkipsAFileOfTheSameSize)
{
    const QString src = localFile("p.jpg", "0123456789");
    auto t = client();
    struct Case {
        const char* name;
        QByteArray onServer; // empty: no file
        bool sent;
    };
    const Case cases[] = {
        { "new", QByteArray(), true },
        { "complete", "9876543210", false },
        { "truncated", "01234", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(stored("o/p.jpg"));
        if (!c.onServer.isEmpty())
            testsupport::writeAll(stored("o/p.jpg"), c.onServer);
        sim.clearJournal();
        t->UploadFile(src, "o/p.jpg", true);
        bool put = false;
        for (const QJsonObject& r : pageRequests())
            put = put || r.value("query").toObject().value("action").toString() == "PUT";
        EXPECT_EQ(put, c.sent);
        EXPECT_EQ(testsupport::readAll(stored("o/p.jpg")), c.sent ? "0123456789" : c.onServer);
    }
}

TEST_F(NetTransferTest, RefusedUploadAndFolderCreationFail)
{
    const QString src = localFile("p.jpg", "0123456789");
    auto t = client();
    ASSERT_TRUE(replyOnce("MKDIR", 500, "disk full", 1, "Internal Server Error"));
    EXPECT_THROW(t->DirectoryCreate("o"), ENetTransferHttp);
    EXPECT_EQ(pageRequests().size(), 1) << "a folder creation is not repeated";

    ASSERT_TRUE(replyOnce("PUT", 500, "disk full", 3, "Internal Server Error"));
    EXPECT_THROW(t->UploadFile(src, "o/p.jpg", false), ENetTransferHttp);
    EXPECT_FALSE(QFile::exists(stored("o/p.jpg")));
}

TEST_F(NetTransferTest, AMissingLocalFileIsALocalErrorAndSendsNothing)
{
    auto t = client();
    try {
        t->UploadFile(local.filePath("absent.jpg"), "o/absent.jpg", false);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains("absent.jpg"));
        EXPECT_FALSE(TNetTransfer::isNetError(e));
    }
    EXPECT_TRUE(pageRequests().isEmpty());
}

TEST_F(NetTransferTest, AFailedDownloadLeavesTheOldFileIntact)
{
    testsupport::writeAll(stored("u/new.bin"), PatternText(50000).toLatin1());
    const QString dst = localFile("current.bin", "old version");
    auto t = client();
    struct Case {
        const char* name;
        QJsonObject fault;
    };
    const Case cases[] = {
        { "cut reply", { { "kind", "cut" }, { "action", "GET" }, { "after", 20000 } } },
        { "size differs", { { "kind", "reply" }, { "action", "SIZE" }, { "status", 200 }, { "body", "49999" } } },
        { "server error", { { "kind", "reply" }, { "action", "GET" }, { "status", 500 }, { "body", "oops" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(sim.addFault(c.fault));
        EXPECT_ANY_THROW(t->DownloadFile(dst, "u/new.bin"));
        sim.clearFaults();
        EXPECT_EQ(testsupport::readAll(dst), "old version");
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList({ "current.bin" }))
            << "no temporary file is left behind";
    }
    t->DownloadFile(dst, "u/new.bin");
    EXPECT_EQ(testsupport::readAll(dst), PatternText(50000).toLatin1());
}

TEST_F(NetTransferTest, CancellingADownloadStopsAtOnceAndIsNotRepeated)
{
    testsupport::writeAll(stored("big.bin"), QByteArray(4 << 20, 'x'));
    const QString dst = localFile("big.bin", "old");
    CountingSource source(6); // begin of request, begin of body, a few blocks
    bool cancelled = false;
    std::thread worker([&] {
        ThreadCancel::Scope scope(&source);
        auto t = client();
        try {
            t->DownloadFile(dst, "big.bin");
        } catch (const ECancel&) {
            cancelled = true;
        }
    });
    worker.join();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(source.polls.load(), 6);
    EXPECT_EQ(pageRequests().size(), 1);
    EXPECT_EQ(testsupport::readAll(dst), "old");
}

TEST_F(NetTransferTest, AServerThatNeverAnswersEndsInATimeOut)
{
    ASSERT_TRUE(sim.addFault({ { "kind", "hang" } }));
    auto t = client();
    t->SetTimeouts(2000, 1);
    try {
        t->DirectoryCreate("o");
        FAIL();
    } catch (const ENetHttpClient& e) {
        EXPECT_TRUE(e.TimedOut());
        EXPECT_TRUE(e.Message().contains("time-out")) << qPrintable(e.Message());
        EXPECT_FALSE(e.Message().contains("logincred"));
        EXPECT_TRUE(TNetTransfer::isNetError(e));
    }
}

TEST_F(NetTransferTest, ProgressCountsReplyBodies)
{
    testsupport::writeAll(stored("f.bin"), QByteArray(100000, 'z'));
    auto t = client();
    t->DnUpProgressMeasureStart();
    int events = 0;
    qint64 maxAnnounced = 0;
    t->SetProgressEvent([&](TNetTransfer& sender) {
        ++events;
        maxAnnounced = qMax(maxAnnounced, sender.BytesToTransfer());
        EXPECT_LE(sender.BytesTransfered(), 100000);
    });
    EXPECT_EQ(t->DownloadBytes("f.bin").size(), 100000);
    // The file and the six bytes of the size reply.
    EXPECT_EQ(t->TotalBytesTransfered(), 100006);
    EXPECT_EQ(t->BytesTransfered(), 0);
    EXPECT_EQ(t->BytesToTransfer(), 0);
    EXPECT_EQ(maxAnnounced, 100000);
    EXPECT_GE(events, 6);

    // An exception from the progress handler ends the request.
    t->SetProgressEvent([](TNetTransfer&) { throw EUser(QStringLiteral("stop")); });
    EXPECT_THROW(t->DownloadBytes("f.bin"), EUser);
}

TEST_F(NetTransferTest, HttpsToAServerWithAnUntrustedCertificateIsRefused)
{
    LabSim tls;
    tls.setArguments({ "--tls", testsupport::dataPath("selfsigned-cert.pem"), testsupport::dataPath("selfsigned-key.pem") });
    ASSERT_TRUE(tls.start()) << qPrintable(tls.error());
    TNetTransfer t("https", QStringLiteral("127.0.0.1:%1").arg(tls.port()), "bob", "pw");
    try {
        t.DirectoryCreate("o");
        FAIL() << "a self-signed certificate was accepted";
    } catch (const ENetHttpClient& e) {
        EXPECT_TRUE(e.Message().contains("certificate")) << qPrintable(e.Message());
    }
    EXPECT_FALSE(QDir(tls.folder() + "/o").exists());
}

} // namespace
