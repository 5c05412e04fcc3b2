// The OBEX session fed with byte tables: responses, stored objects, and every
// malformed packet ending the connection without reading past its bytes.
#include "ObexBytes.h"
#include "ObexFuzzEntry.h"
#include "UAppExceptions.h"
#include "UQzbluetoothObex.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace obexbytes;

namespace {

// Keeps the objects in memory, in order.
struct MemorySink : IObexObjectSink {
    struct Obj {
        QString name;
        qint64 expected = -1;
        QByteArray data;
    };
    QList<Obj> stored;
    Obj current;
    bool open = false;
    int cancels = 0;
    QStringList refused;

    bool objectAccepted(const QString& n) override
    {
        const bool ok = !n.endsWith(QLatin1String(".txt"));
        if (!ok)
            refused << n;
        return ok;
    }
    void objectStart(const QString& n, qint64 lg) override
    {
        EXPECT_FALSE(open);
        open = true;
        current = Obj { n, lg, {} };
    }
    void objectWrite(const char* d, qsizetype c, qint64, qint64) override { current.data.append(d, c); }
    QString objectFinish(const QString& n, qint64) override
    {
        open = false;
        stored << current;
        return n;
    }
    void objectCancel() noexcept override
    {
        if (open)
            ++cancels;
        open = false;
    }
};

struct Session {
    MemorySink sink;
    bool enabled = true;
    TObexLimits limits;
    std::unique_ptr<TBluetoothObexBufferServer> s;
    explicit Session(TObexLimits l = TObexLimits()) : limits(l)
    {
        s = std::make_unique<TBluetoothObexBufferServer>(sink, [this] { return enabled; }, limits);
    }
    // Feeds and answers the responses.
    QByteArray feed(const QByteArray& b, bool* goOn = nullptr)
    {
        const bool r = s->ProcessRecvData(b);
        if (goOn)
            *goOn = r;
        return s->takeResponses();
    }
    QString errorOf(const QByteArray& b)
    {
        try {
            feed(b);
        } catch (const ESystem& e) {
            return e.Message();
        }
        return QStringLiteral("<no error>");
    }
};

const QByteArray kOk = bytes({ 0xA0, 0x00, 0x03 });
const QByteArray kContinue = bytes({ 0x90, 0x00, 0x03 });

} // namespace

TEST(ObexSession, ConnectNeedsAtLeast250AndEchoesIt)
{
    Session a;
    EXPECT_EQ(a.errorOf(connect(249)), QStringLiteral("OBEX: invalid connection frame (lg buf)"));
    Session b;
    EXPECT_EQ(b.feed(connect(250)), bytes({ 0xA0, 0x00, 0x07, 0x10, 0x00, 0x00, 0xFA }));
    EXPECT_EQ(b.s->objCountToRecv(), 1);
    Session c;
    EXPECT_EQ(c.errorOf(bytes({ 0x80, 0x00, 0x05, 0x10, 0x00 })), QStringLiteral("OBEX: invalid connection frame"));
    // A Count header sets the number of objects announced.
    Session d;
    d.feed(connect(0x4000, bytes({ 0xC0, 0, 0, 0, 5 })));
    EXPECT_EQ(d.s->objCountToRecv(), 5);
}

TEST(ObexSession, DisabledReceptionRefusesConnectAndThenPut)
{
    Session s;
    s.enabled = false;
    bool goOn = false;
    EXPECT_EQ(s.feed(connect(0x2000), &goOn), bytes({ 0xD3, 0x00, 0x03 }));
    EXPECT_TRUE(goOn);
    EXPECT_EQ(s.errorOf(packet(0x82, name("a.jpg") + body("x", true))), QStringLiteral("OBEX: unexpected put command"));
}

TEST(ObexSession, PacketsSplitOrMergedAreEachHandledOnce)
{
    const QByteArray data(1000, 'j');
    const QByteArray stream = connect(0x2000) + packet(0x02, name("photo.jpg") + length(1000) + body(data.left(400)))
                              + packet(0x82, body(data.mid(400), true)) + disconnect();
    // All at once: both PUTs answered, then the DISCONNECT ends it silently.
    Session merged;
    bool goOn = true;
    const QByteArray out = merged.feed(stream, &goOn);
    EXPECT_FALSE(goOn);
    EXPECT_EQ(out, bytes({ 0xA0, 0x00, 0x07, 0x10, 0x00, 0x20, 0x00 }) + kContinue + kOk);
    ASSERT_EQ(merged.sink.stored.size(), 1);
    EXPECT_EQ(merged.sink.stored[0].data, data);
    EXPECT_EQ(merged.sink.stored[0].expected, 1000);

    // One byte at a time, and a packet in three reads.
    Session split;
    QByteArray all;
    for (char c : stream.left(stream.size() - 3))
        all += split.feed(QByteArray(1, c));
    EXPECT_EQ(all, out);
    ASSERT_EQ(split.sink.stored.size(), 1);
    EXPECT_EQ(split.sink.stored[0].data, data);
}

TEST(ObexSession, EndOfBodyAloneStoresAndSeveralObjectsFollow)
{
    Session s;
    s.feed(connect(0x2000));
    EXPECT_EQ(s.feed(packet(0x82, name("empty.jpg") + body(QByteArray(), true))), kOk);
    // A one-byte header is stepped over with its value.
    EXPECT_EQ(s.feed(packet(0x82, name("b.jpg") + bytes({ 0x97, 0x01 }) + body("bb", true))), kOk);
    ASSERT_EQ(s.sink.stored.size(), 2);
    EXPECT_EQ(s.sink.stored[0].name, QStringLiteral("empty.jpg"));
    EXPECT_TRUE(s.sink.stored[0].data.isEmpty());
    EXPECT_EQ(s.sink.stored[1].data, QByteArray("bb"));
    EXPECT_EQ(s.sink.stored[1].expected, -1);
}

TEST(ObexSession, ReceivedNamesKeepOnlyTheirLastComponent)
{
    struct Case {
        const char* sent;
        const char* kept; // empty: refused
    };
    const Case cases[] = {
        { "photo.jpg", "photo.jpg" },      { "DCIM/100/photo.jpg", "photo.jpg" },
        { "C:\\Users\\x\\a.jpg", "a.jpg" }, { "../../etc/b.jpg", "b.jpg" },
        { "..", "" },                       { ".", "" },
        { "dir/", "" },                     { "a\\..", "" },
        { "bad\x01name.jpg", "" },          { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        EXPECT_EQ(ObexCleanReceivedName(QString::fromLatin1(c.sent)), QString::fromLatin1(c.kept));
    }
    EXPECT_TRUE(ObexCleanReceivedName(QString(300, QLatin1Char('a')) + QStringLiteral(".jpg")).isEmpty());

    Session s;
    s.feed(connect(0x2000));
    s.feed(packet(0x82, name("..\\DCIM/photo.jpg") + body("z", true)));
    ASSERT_EQ(s.sink.stored.size(), 1);
    EXPECT_EQ(s.sink.stored[0].name, QStringLiteral("photo.jpg"));
    EXPECT_EQ(s.errorOf(packet(0x82, name("../..") + body("z", true))), QStringLiteral("OBEX: invalid object name"));
}

TEST(ObexSession, ObjectErrorsEndTheConnectionAndDropTheObject)
{
    struct Case {
        const char* what;
        QByteArray put;
        const char* error;
    };
    const Case cases[] = {
        { "size mismatch", packet(0x82, name("s.jpg") + length(10) + body("12345", true)),
          "TFormBluetoothBufferServer.tempStreamFinalize: received size doesn't match expected size !" },
        { "more than announced", packet(0x02, name("s.jpg") + length(2) + body("12345")),
          "TFormBluetoothBufferServer.tempStreamFinalize: received size doesn't match expected size !" },
        { "body before name", packet(0x02, body("data")),
          "TFormBluetoothBufferServer.tempStreamWrite: put command / unexpected datas" },
        { "final without end of body", packet(0x82, name("f.jpg") + body("abc")),
          "ProcessRecvFrame: stream should be closed" },
        { "two bodies", packet(0x02, name("t.jpg") + body("a") + body("b")),
          "TFormBluetoothBufferServer.ProcessRecvFrame: invalid put header" },
        { "negative length", packet(0x02, name("n.jpg") + length(-5)),
          "TFormBluetoothBufferServer.ProcessRecvFrame: invalid file length" },
        { "over the size cap", packet(0x02, name("big.jpg") + length(1 << 20)), "OBEX: object too large" },
        { "odd name", packet(0x02, bytes({ 0x01, 0x00, 0x06, 0x00, 0x41, 0x00 })), "OBEX: invalid name header" },
        { "long name", packet(0x02, name(QString(40, QLatin1Char('a')))), "OBEX: object name too long" },
    };
    TObexLimits limits;
    limits.maxObjectSize = 4096;
    limits.maxNameLength = 32;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(limits);
        s.feed(connect(0x2000));
        EXPECT_EQ(s.errorOf(c.put), QString::fromLatin1(c.error));
        s.s.reset();
        EXPECT_TRUE(s.sink.stored.isEmpty());
        EXPECT_FALSE(s.sink.open);
    }
}

TEST(ObexSession, MalformedPacketsEndTheConnection)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* error;
    };
    const Case cases[] = {
        { "declared length 0", bytes({ 0x02, 0x00, 0x00 }), "OBEX: invalid frame length" },
        { "declared length 2", bytes({ 0x82, 0x00, 0x02, 0x00 }), "OBEX: invalid frame length" },
        { "above the negotiated size", char(0x02) + be16(0x2001) + QByteArray(0x2000 - 2, 0), "OBEX: invalid frame length" },
        { "text header past the end", packet(0x02, bytes({ 0x01, 0x00, 0x09, 0x00 })),
          "TFormBluetoothBuffer.optHeaderRead: failure(0)" },
        { "body length below 3", packet(0x02, bytes({ 0x48, 0x00, 0x02 })),
          "TFormBluetoothBuffer.optHeaderRead: failure(0)" },
        { "body past the end", packet(0x02, name("a.jpg") + bytes({ 0x48, 0x01, 0x00, 0x41 })),
          "TFormBluetoothBuffer.optHeaderRead: failure(0)" },
        { "cut one-byte header", packet(0x02, bytes({ 0x97 })), "TFormBluetoothBuffer.optHeaderRead: failure(1)" },
        { "cut four-byte header", packet(0x02, bytes({ 0xC3, 0x00, 0x00 })),
          "TFormBluetoothBuffer.optHeaderRead: failure(2)" },
        { "cut length form", packet(0x02, bytes({ 0x42, 0x00 })), "TFormBluetoothBuffer.optHeaderRead: failure(0)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        s.feed(connect(0x2000));
        EXPECT_EQ(s.errorOf(c.bytes), QString::fromLatin1(c.error));
    }
    // Before the CONNECT, packets are held to the OBEX minimum of 255 bytes.
    Session early;
    EXPECT_EQ(early.errorOf(char(0x80) + be16(256)), QStringLiteral("OBEX: invalid frame length"));
}

TEST(ObexSession, OtherRequestsEndTheConnectionSilently)
{
    for (int op : { 0x81, 0x83, 0xFF, 0x85 }) {
        Session s;
        s.feed(connect(0x2000));
        bool goOn = true;
        EXPECT_TRUE(s.feed(bytes({ op, 0x00, 0x03 }), &goOn).isEmpty());
        EXPECT_FALSE(goOn);
    }
}

TEST(ObexSession, NonPicturesAreRefusedAndTheConnectionGoesOn)
{
    Session s;
    s.feed(connect(0x2000));
    EXPECT_EQ(s.feed(packet(0x82, name("notes.txt") + body("hello", true))), bytes({ 0xCF, 0x00, 0x03 }));
    EXPECT_EQ(s.feed(packet(0x82, name("p.png") + body("1", true))), kOk);
    EXPECT_EQ(s.sink.refused, QStringList { QStringLiteral("notes.txt") });
    ASSERT_EQ(s.sink.stored.size(), 1);
    EXPECT_EQ(s.sink.stored[0].name, QStringLiteral("p.png"));
}

TEST(ObexFuzzSeeds, CorpusKeepsTheInvariants)
{
    QDir dir(QStringLiteral(KIOSK_SOURCE_DIR "/fuzz/corpus/obex"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        ObexFuzzOneInput(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
    }
}
