// The receiver over a socket pair: a picture pushed by a "phone" lands in the
// inbox under a unique name, the notifications arrive, and the "bt:" source
// and the folder watcher see it.
#include "ObexBytes.h"
#include "MediaFakes.h"
#include "UAppExceptions.h"
#include "UQzFileSystemBluetooth.h"
#include "UQzbluetoothTransport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace obexbytes;

namespace {

// Records every notification; thread-safe.
class RecordingNotif : public IBluetoothObexNotif {
public:
    std::mutex lock;
    QStringList events;
    QStringList stored;
    QStringList errors;
    std::atomic<int> ends { 0 };
    std::atomic<int> failNextEnd { 0 };

    void add(const QString& e)
    {
        std::lock_guard<std::mutex> l(lock);
        events << e;
    }
    QStringList storedNow()
    {
        std::lock_guard<std::mutex> l(lock);
        return stored;
    }
    void OnRecvConnecStart(TBluetoothServiceBase*) override { add(QStringLiteral("start")); }
    void OnRecvFileStart(TBluetoothServiceBase*, const QString& f, qint64 lg) override
    {
        add(QStringLiteral("file %1 %2").arg(f).arg(lg));
    }
    void OnRecvFileProgress(TBluetoothServiceBase*, const QString&, qint64, qint64) override { }
    void OnRecvFileEnd(TBluetoothServiceBase*, const QString& f, qint64 lg) override
    {
        if (failNextEnd.fetch_sub(1) > 0)
            throw ESystem(QStringLiteral("screen busy"));
        std::lock_guard<std::mutex> l(lock);
        stored << f;
        events << QStringLiteral("end %1 %2").arg(f).arg(lg);
    }
    void OnRecvConnecEnd(TBluetoothServiceBase*) override
    {
        add(QStringLiteral("close"));
        ++ends;
    }
    bool OnRecvConnecError(TBluetoothServiceBase*, const std::exception& ex) override
    {
        std::lock_guard<std::mutex> l(lock);
        errors << ExceptionMessage(ex);
        return true;
    }
    void OnRecvServiceError(const std::exception&) override { }
    void OnRecvServiceStatus() override { }
};

template <typename F> bool waitFor(F cond, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

// The phone side of a socket pair.
class Phone {
public:
    explicit Phone(TObexFdListener& listener)
    {
        int sv[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        fd = sv[0];
        listener.push(sv[1]);
    }
    ~Phone() { ::close(fd); }
    void send(const QByteArray& b) { ASSERT_EQ(::write(fd, b.constData(), size_t(b.size())), b.size()); }
    // Reads exactly n bytes of response.
    QByteArray read(int n)
    {
        QByteArray out;
        while (out.size() < n) {
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, 5000) <= 0)
                break;
            char buf[64];
            const ssize_t r = ::read(fd, buf, size_t(std::min<qsizetype>(sizeof buf, n - out.size())));
            if (r <= 0)
                break;
            out.append(buf, r);
        }
        return out;
    }
    // Pushes one object in packets of at most chunk bytes of data.
    void push(const QString& fileName, const QByteArray& data, int chunk = 1000)
    {
        send(connect(0x2000));
        read(7);
        for (qsizetype pos = 0; pos < data.size() || pos == 0; pos += chunk) {
            const bool last = pos + chunk >= data.size();
            QByteArray h = pos == 0 ? name(fileName) + length(data.size()) : QByteArray();
            send(packet(last ? 0x82 : 0x02, h + body(data.mid(pos, chunk), last)));
            read(3);
            if (last)
                break;
        }
        send(disconnect());
    }
    int fd = -1;
};

const QStringList kMasks { QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.png") };

struct Receiver {
    QTemporaryDir tmp;
    QString inbox = tmp.path() + QStringLiteral("/inbox");
    TObexFdListener* listener = nullptr;
    std::shared_ptr<RecordingNotif> notif = std::make_shared<RecordingNotif>();
    std::unique_ptr<TBluetoothObexService> service;

    explicit Receiver(TObexLimits limits = TObexLimits())
    {
        auto l = std::make_unique<TObexFdListener>(QStringLiteral("kiosk"));
        listener = l.get();
        service = std::make_unique<TBluetoothObexService>(kMasks, std::move(l), limits);
        service->SetOutputPath(inbox);
        service->SetNotif(notif);
        service->SetReceptionEnabled(true);
    }
    QStringList files() { return QDir(inbox).entryList(QDir::Files | QDir::Hidden); }
};

QByteArray jpegBytes()
{
    QTemporaryDir d;
    mediafakes::writeJpeg(d.path() + QStringLiteral("/a.jpg"), 40, 30);
    QFile f(d.path() + QStringLiteral("/a.jpg"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

TEST(ObexReceiver, PushedPicturesLandInTheInboxUnderUniqueNames)
{
    Receiver r;
    EXPECT_TRUE(r.service->AdapterConnected());
    EXPECT_EQ(r.service->AdapterName(), QStringLiteral("kiosk"));
    const QByteArray data = jpegBytes();
    for (int i = 0; i < 3; ++i) {
        Phone phone(*r.listener);
        phone.push(QStringLiteral("DCIM/photo.jpg"), data, 100);
        ASSERT_TRUE(waitFor([&] { return r.notif->ends == i + 1; }));
    }
    EXPECT_EQ(r.notif->storedNow(),
              (QStringList { QStringLiteral("photo.jpg"), QStringLiteral("photo-1.jpg"), QStringLiteral("photo-2.jpg") }));
    EXPECT_EQ(r.files(),
              (QStringList { QStringLiteral("photo-1.jpg"), QStringLiteral("photo-2.jpg"), QStringLiteral("photo.jpg") }));
    QFile f(r.inbox + QStringLiteral("/photo-2.jpg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), data);
    std::lock_guard<std::mutex> l(r.notif->lock);
    EXPECT_EQ(r.notif->events.mid(0, 4),
              (QStringList { QStringLiteral("start"), QStringLiteral("file photo.jpg %1").arg(data.size()),
                             QStringLiteral("end photo.jpg %1").arg(data.size()), QStringLiteral("close") }));
}

TEST(ObexReceiver, AnObjectCutOffLeavesNothingAndTheNextPhoneIsServed)
{
    Receiver r;
    {
        Phone phone(*r.listener);
        phone.send(connect(0x2000));
        phone.read(7);
        phone.send(packet(0x02, name("cut.jpg") + length(5000) + body(QByteArray(1000, 'c'))));
        EXPECT_EQ(phone.read(3), bytes({ 0x90, 0x00, 0x03 }));
    }
    ASSERT_TRUE(waitFor([&] { return r.notif->ends == 1; }));
    EXPECT_TRUE(r.files().isEmpty());

    // A malformed packet ends the connection with an error, nothing stored.
    {
        Phone phone(*r.listener);
        phone.send(connect(0x2000));
        phone.read(7);
        phone.send(bytes({ 0x02, 0x00, 0x01 }));
        ASSERT_TRUE(waitFor([&] { return r.notif->ends == 2; }));
        EXPECT_TRUE(phone.read(1).isEmpty()); // closed by the kiosk
    }
    {
        std::lock_guard<std::mutex> l(r.notif->lock);
        EXPECT_EQ(r.notif->errors, QStringList { QStringLiteral("OBEX: invalid frame length") });
    }
    Phone next(*r.listener);
    next.push(QStringLiteral("ok.png"), "PNGDATA");
    ASSERT_TRUE(waitFor([&] { return r.notif->ends == 3; }));
    EXPECT_EQ(r.files(), QStringList { QStringLiteral("ok.png") });
}

TEST(ObexReceiver, AnIdlePhoneIsDisconnected)
{
    TObexLimits limits;
    limits.idleTimeoutMs = 300;
    Receiver r(limits);
    Phone phone(*r.listener);
    phone.send(connect(0x2000));
    phone.read(7);
    ASSERT_TRUE(waitFor([&] { return r.notif->ends == 1; }));
    std::lock_guard<std::mutex> l(r.notif->lock);
    EXPECT_EQ(r.notif->errors, QStringList { QStringLiteral("OBEX: connection idle for too long") });
}

TEST(ObexReceiver, StoringNeverReplacesAFile)
{
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    QFile existing(dir + QStringLiteral("/a.jpg"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    QFile partial(dir + QStringLiteral("/.x.partial"));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    partial.write("new");
    partial.close();
    EXPECT_EQ(TObexInboxSink::storeUnique(dir, QStringLiteral("a.jpg"), partial.fileName()), QStringLiteral("a-1.jpg"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("old"));
    EXPECT_FALSE(QFile::exists(partial.fileName()));
    // A name without extension takes the number at its end.
    QFile p2(dir + QStringLiteral("/.y.partial"));
    ASSERT_TRUE(p2.open(QIODevice::WriteOnly));
    p2.close();
    QFile::copy(dir + QStringLiteral("/a.jpg"), dir + QStringLiteral("/noext"));
    EXPECT_EQ(TObexInboxSink::storeUnique(dir, QStringLiteral("noext"), p2.fileName()), QStringLiteral("noext-1"));
}

TEST(ObexReceiver, QueuedNotificationsRunOnTheContextThread)
{
    QObject context;
    auto target = std::make_shared<RecordingNotif>();
    auto queued = std::make_shared<TQueuedObexNotif>(&context, target);
    std::thread t([&] {
        queued->OnRecvFileEnd(nullptr, QStringLiteral("x.jpg"), 3);
        EXPECT_TRUE(queued->OnRecvConnecError(nullptr, ESystem(QStringLiteral("boom"))));
    });
    t.join();
    EXPECT_TRUE(target->storedNow().isEmpty()); // nothing ran on the receiver's thread
    ASSERT_TRUE(waitFor([&] { return !target->storedNow().isEmpty(); }));
    EXPECT_EQ(target->storedNow(), QStringList { QStringLiteral("x.jpg") });
    ASSERT_TRUE(waitFor([&] { std::lock_guard<std::mutex> l(target->lock); return !target->errors.isEmpty(); }));
}

TEST(BluetoothInbox, PushedPictureReachesTheBtSourceOnceAndAgainAfterReenabling)
{
    Receiver r;
    mediafakes::MediaMainFrame main(r.tmp.path());
    auto bt = std::make_shared<TQzfsFolderBluetoothRoot>(&main, QStringLiteral("bt:"), r.inbox);
    EXPECT_FALSE(bt->IsVisible());
    {
        Phone phone(*r.listener);
        phone.push(QStringLiteral("photo.jpg"), jpegBytes());
    }
    ASSERT_TRUE(waitFor([&] { return r.notif->ends == 1; }));
    EXPECT_TRUE(bt->IsVisible());
    EXPECT_EQ(bt->folderLabel(), QStringLiteral("Bluetooth"));
    auto img = bt->ImageFind(QStringLiteral("photo.jpg"), QString(), QString());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->ImageID(), QStringLiteral("bt:\\photo.jpg"));
    EXPECT_EQ(img->ImageSize().toSize(), QSize(40, 30));

    // The watcher of a folder filled by another program reports the same file
    // once per enabling.
    auto watchNotif = std::make_shared<RecordingNotif>();
    TBluetoothExternService watcher(kMasks, QStringLiteral("KIOSK-1"), QStringLiteral("1234"));
    watcher.SetOutputPath(r.inbox);
    watcher.SetNotif(watchNotif);
    EXPECT_EQ(watcher.AdapterName(), QStringLiteral("KIOSK-1"));
    EXPECT_EQ(watcher.AdapterPwd(), QStringLiteral("1234"));
    QFile(r.inbox + QStringLiteral("/readme.txt")).open(QIODevice::WriteOnly);
    QDir().mkpath(r.inbox + QStringLiteral("/sub"));
    QFile::copy(r.inbox + QStringLiteral("/photo.jpg"), r.inbox + QStringLiteral("/sub/deep.jpg"));
    watcher.SetReceptionEnabled(true);
    ASSERT_TRUE(waitFor([&] { return !watchNotif->storedNow().isEmpty(); }));
    watcher.BluetoothFileScan();
    EXPECT_EQ(watchNotif->storedNow(), QStringList { QStringLiteral("photo.jpg") });
    watcher.SetReceptionEnabled(false);
    watcher.SetReceptionEnabled(true);
    ASSERT_TRUE(waitFor([&] { return watchNotif->storedNow().size() == 2; }));
    EXPECT_EQ(watchNotif->storedNow(), (QStringList { QStringLiteral("photo.jpg"), QStringLiteral("photo.jpg") }));
    watcher.SetAppTerminated(true);
    EXPECT_FALSE(watcher.AdapterConnected());
}

TEST(BluetoothInbox, AFileWhoseNotificationFailedIsReportedAgain)
{
    QTemporaryDir tmp;
    QFile(tmp.path() + QStringLiteral("/a.jpg")).open(QIODevice::WriteOnly);
    auto notif = std::make_shared<RecordingNotif>();
    notif->failNextEnd = 1;
    TBluetoothExternService watcher(kMasks, QStringLiteral("id"), QString());
    watcher.SetOutputPath(tmp.path());
    watcher.SetNotif(notif);
    watcher.SetReceptionEnabled(true);
    ASSERT_TRUE(waitFor([&] { return !notif->storedNow().isEmpty(); }));
    {
        std::lock_guard<std::mutex> l(notif->lock);
        EXPECT_EQ(notif->errors, QStringList { QStringLiteral("screen busy") });
        EXPECT_EQ(notif->stored, QStringList { QStringLiteral("a.jpg") });
    }
}
