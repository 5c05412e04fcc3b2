#pragma once
// Transports of the OBEX receiver. A connection is a stream socket (an
// RFCOMM socket from BlueZ, a socket pair or a TCP socket in tests) wrapped
// in TObexFdStream; TObexFdListener hands queued sockets to the receiver
// thread; TBluezObexListener registers the Object Push service with BlueZ's
// profile manager over the system D-Bus and queues the RFCOMM sockets BlueZ
// passes for every phone that connects.
#include "UQzbluetoothServer.h"

#include <QObject>
#include <condition_variable>
#include <deque>

class QDBusObjectPath;
class QDBusUnixFileDescriptor;

class TObexFdStream : public IObexStream {
public:
    // Takes ownership of fd.
    explicit TObexFdStream(int fd);
    ~TObexFdStream() override;

    qsizetype recv(char* buf, qsizetype max, int timeoutMs) override;
    bool sendAll(const QByteArray& data) override;

private:
    int fFd;
};

class TObexFdListener : public IObexListener {
public:
    TObexFdListener(QString adapterName = QString()) : fAdapterName(std::move(adapterName)) { }
    ~TObexFdListener() override;

    // Queues a connected socket (ownership passes to the listener).
    void push(int fd);

    std::unique_ptr<IObexStream> accept(int timeoutMs) override;
    bool adapterConnected() override { return fConnected; }
    QString adapterName() override { return fAdapterName; }

protected:
    std::atomic<bool> fConnected { true };
    QString fAdapterName;

private:
    std::mutex fLock;
    std::condition_variable fCond;
    std::deque<int> fQueue;
};

// The Object Push service on the PC's Bluetooth adapter. Construct and
// destroy it on the main thread (its D-Bus object is served there).
class TBluezObexListener : public QObject, public TObexFdListener {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.bluez.Profile1")
public:
    // serviceName: the name phones show; adapterPath: the BlueZ adapter
    // object ("/org/bluez/hci0"); channel: the RFCOMM channel asked for.
    TBluezObexListener(const QString& serviceName, const QString& adapterPath = QStringLiteral("/org/bluez/hci0"),
                       int channel = 9);
    ~TBluezObexListener() override;

    static constexpr const char* kObjectPushUuid = "00001105-0000-1000-8000-00805f9b34fb";

public Q_SLOTS:
    // Calls of BlueZ.
    void Release();
    void NewConnection(const QDBusObjectPath& device, const QDBusUnixFileDescriptor& fd, const QVariantMap& props);
    void RequestDisconnection(const QDBusObjectPath& device);

private:
    QString fObjectPath;
    bool fRegistered = false;
};
