#include "UQzbluetoothTransport.h"

#include "UDebug.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <bluetooth/bluetooth.h>
#include <bluetooth/rfcomm.h>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// --- TObexFdStream -----------------------------------------------------------

TObexFdStream::TObexFdStream(int fd) : fFd(fd) { }

TObexFdStream::~TObexFdStream()
{
    if (fFd >= 0)
        ::close(fFd);
}

qsizetype TObexFdStream::recv(char* buf, qsizetype max, int timeoutMs)
{
    pollfd pfd { fFd, POLLIN, 0 };
    const int r = ::poll(&pfd, 1, timeoutMs);
    if (r == 0 || (r < 0 && errno == EINTR))
        return 0;
    if (r < 0)
        return -1;
    const ssize_t n = ::recv(fFd, buf, size_t(max), MSG_DONTWAIT);
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 0;
    return -1; // closed by the phone, or the link is gone
}

bool TObexFdStream::sendAll(const QByteArray& data)
{
    qsizetype done = 0;
    int waits = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fFd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            // A phone that reads nothing for 5 s is gone.
            if (++waits > 50)
                return false;
            pollfd pfd { fFd, POLLOUT, 0 };
            ::poll(&pfd, 1, TBluetoothObexService::kWaitMs);
            continue;
        }
        return false;
    }
    return true;
}

// --- TObexFdListener ---------------------------------------------------------

TObexFdListener::~TObexFdListener()
{
    for (int fd : fQueue)
        ::close(fd);
}

void TObexFdListener::push(int fd)
{
    {
        std::lock_guard<std::mutex> lock(fLock);
        fQueue.push_back(fd);
    }
    fCond.notify_one();
}

std::unique_ptr<IObexStream> TObexFdListener::accept(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(fLock);
    if (!fCond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !fQueue.empty(); }))
        return nullptr;
    const int fd = fQueue.front();
    fQueue.pop_front();
    return std::make_unique<TObexFdStream>(fd);
}

// --- TBluezObexListener ------------------------------------------------------

TBluezObexListener::TBluezObexListener(const QString& serviceName, const QString& adapterPath, int channel)
    : fObjectPath(QStringLiteral("/kiosk/obexpush"))
{
    fConnected = false;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        LogInfo(QStringLiteral("Bluetooth: no system bus"));
        return;
    }
    QDBusInterface adapter(QStringLiteral("org.bluez"), adapterPath, QStringLiteral("org.bluez.Adapter1"), bus);
    if (!adapter.isValid() || !adapter.property("Powered").toBool()) {
        LogInfo(QStringLiteral("Bluetooth: no powered adapter at ") + adapterPath);
        return;
    }
    fAdapterName = adapter.property("Alias").toString();
    if (!bus.registerObject(fObjectPath, this, QDBusConnection::ExportAllSlots)) {
        LogError(QStringLiteral("Bluetooth: cannot export the profile object"));
        return;
    }
    QVariantMap options;
    options.insert(QStringLiteral("Name"), serviceName);
    options.insert(QStringLiteral("Role"), QStringLiteral("server"));
    options.insert(QStringLiteral("Channel"), QVariant::fromValue(quint16(channel)));
    options.insert(QStringLiteral("RequireAuthentication"), false);
    options.insert(QStringLiteral("RequireAuthorization"), false);
    QDBusInterface manager(QStringLiteral("org.bluez"), QStringLiteral("/org/bluez"),
                           QStringLiteral("org.bluez.ProfileManager1"), bus);
    const QDBusMessage reply = manager.call(QStringLiteral("RegisterProfile"), QVariant::fromValue(QDBusObjectPath(fObjectPath)),
                                            QString::fromLatin1(kObjectPushUuid), options);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        LogError(QStringLiteral("Bluetooth: RegisterProfile failed: ") + reply.errorMessage());
        bus.unregisterObject(fObjectPath);
        return;
    }
    fRegistered = true;
    fConnected = true;
}

TBluezObexListener::~TBluezObexListener()
{
    fConnected = false;
    if (!fRegistered)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusInterface manager(QStringLiteral("org.bluez"), QStringLiteral("/org/bluez"),
                           QStringLiteral("org.bluez.ProfileManager1"), bus);
    manager.call(QStringLiteral("UnregisterProfile"), QVariant::fromValue(QDBusObjectPath(fObjectPath)));
    bus.unregisterObject(fObjectPath);
}

void TBluezObexListener::Release() { fConnected = false; }

void TBluezObexListener::NewConnection(const QDBusObjectPath& device, const QDBusUnixFileDescriptor& fd,
                                       const QVariantMap&)
{
    if (!fd.isValid())
        return;
    const int own = ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return;
    sockaddr_rc peer {};
    socklen_t len = sizeof(peer);
    char addr[18] = "?";
    if (::getpeername(own, reinterpret_cast<sockaddr*>(&peer), &len) == 0 && peer.rc_family == AF_BLUETOOTH)
        ::ba2str(&peer.rc_bdaddr, addr);
    LogDebug(QStringLiteral("Bluetooth: connection from %1 (%2)").arg(QString::fromLatin1(addr), device.path()));
    push(own);
}

void TBluezObexListener::RequestDisconnection(const QDBusObjectPath&) { }
