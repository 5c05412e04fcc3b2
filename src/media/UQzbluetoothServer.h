#pragma once
// Reception of pictures sent from phones over Bluetooth: the notification
// interface of the reception services, their common base, the OBEX Object
// Push receiver (TBluetoothObexService) and the inbox sink that stores what it
// receives. The watcher of a folder filled by another program is in
// UQzFileSystemBluetooth.
#include "UQzbluetoothObex.h"

#include <QString>
#include <QStringList>
#include <QPointer>
#include <QTemporaryFile>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class TBluetoothServiceBase;

// Notifications of a reception service to its owner. The first six are
// called on the service's own thread; an implementation must not block on the
// main thread (see TQueuedObexNotif).
class IBluetoothObexNotif {
public:
    virtual ~IBluetoothObexNotif() = default;
    virtual void OnRecvConnecStart(TBluetoothServiceBase* sender) = 0;
    virtual void OnRecvFileStart(TBluetoothServiceBase* sender, const QString& fname, qint64 lgExpected) = 0;
    virtual void OnRecvFileProgress(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten,
                                    qint64 lgExpected) = 0;
    // The object is stored in the output folder under fname (name only).
    virtual void OnRecvFileEnd(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten) = 0;
    virtual void OnRecvConnecEnd(TBluetoothServiceBase* sender) = 0;
    // True: the owner handled the error; false: the service logs it.
    virtual bool OnRecvConnecError(TBluetoothServiceBase* sender, const std::exception& ex) = 0;
    virtual void OnRecvServiceError(const std::exception& ex) = 0;
    virtual void OnRecvServiceStatus() = 0;
};
using IBluetoothObexNotifRef = std::shared_ptr<IBluetoothObexNotif>;

// Base of both reception services. The flags are read by the service's thread
// at each step and written by the owner's: they are atomic.
class TBluetoothServiceBase {
public:
    explicit TBluetoothServiceBase(const QStringList& extSupported);
    virtual ~TBluetoothServiceBase();
    TBluetoothServiceBase(const TBluetoothServiceBase&) = delete;
    TBluetoothServiceBase& operator=(const TBluetoothServiceBase&) = delete;

    virtual void SetOutputPath(const QString& path);
    virtual QString OutputPath();
    virtual void SetReceptionEnabled(bool val) { fReceptionEnabled = val; }
    virtual void SetAppTerminated(bool val) { fAppTerminated = val; }
    virtual QString AdapterName() = 0;
    virtual QString AdapterPwd() = 0;
    virtual bool AdapterConnected() = 0;

    bool ReceptionEnabled() const { return fReceptionEnabled; }
    bool AppTerminated() const { return fAppTerminated; }
    IBluetoothObexNotifRef Notif() const;
    void SetNotif(IBluetoothObexNotifRef notif);
    const QStringList& ExtSupported() const { return fExtSupported; }

protected:
    // Offers an error of the service's loop to the owner, else logs it.
    void reportLoopError(const std::exception& ex, const QString& logLine);

    std::atomic<bool> fAppTerminated { false };
    std::atomic<bool> fReceptionEnabled { false };
    mutable std::mutex fFieldsLock;
    QString fOutputPath;
    IBluetoothObexNotifRef fNotif;
    QStringList fExtSupported;
};

// One connected phone as the receiver sees it.
class IObexStream {
public:
    virtual ~IObexStream() = default;
    // Waits up to timeoutMs for data: the bytes read (at most max), 0 when
    // nothing came, -1 when the link is gone.
    virtual qsizetype recv(char* buf, qsizetype max, int timeoutMs) = 0;
    virtual bool sendAll(const QByteArray& data) = 0;
};

// Where phones connect: the Bluetooth service, or a socket pair in tests.
class IObexListener {
public:
    virtual ~IObexListener() = default;
    // The next connection, or null when none came within timeoutMs.
    virtual std::unique_ptr<IObexStream> accept(int timeoutMs) = 0;
    virtual bool adapterConnected() = 0;
    virtual QString adapterName() = 0;
};

// Stores the objects of one connection in the output folder: the data go to
// a hidden ".partial" file there, the final name is taken with an exclusive
// create ("photo.jpg", else "photo-1.jpg", "photo-2.jpg" ...) and the
// partial file renamed over it, so two objects never share a name and no
// existing file is replaced.
class TObexInboxSink : public IObexObjectSink {
public:
    explicit TObexInboxSink(TBluetoothServiceBase* service);
    ~TObexInboxSink() override;

    bool objectAccepted(const QString& name) override;
    void objectStart(const QString& name, qint64 lgExpected) override;
    void objectWrite(const char* data, qsizetype count, qint64 written, qint64 lgExpected) override;
    QString objectFinish(const QString& name, qint64 written) override;
    void objectCancel() noexcept override;

    // Creates the file name (or name-n) exclusively in dir and renames
    // partialPath over it; answers the name taken.
    static QString storeUnique(const QString& dir, const QString& name, const QString& partialPath);

private:
    TBluetoothServiceBase* fService;
    std::unique_ptr<QTemporaryFile> fTemp;
    QString fFileName;
};

// The OBEX Object Push receiver: one thread accepts the phones one after
// another and runs each connection through a TBluetoothObexBufferServer.
class TBluetoothObexService : public TBluetoothServiceBase {
public:
    // Starts the receiver thread when the listener has a working adapter.
    TBluetoothObexService(const QStringList& extSupported, std::unique_ptr<IObexListener> listener,
                          TObexLimits limits = TObexLimits());
    // Stops and joins the thread before the listener is freed.
    ~TBluetoothObexService() override;

    QString OutputPath() override;
    void SetOutputPath(const QString& path) override;
    QString AdapterName() override;
    QString AdapterPwd() override { return QString(); }
    bool AdapterConnected() override;

    // Waits at most 100 ms per step.
    static constexpr int kWaitMs = 100;

private:
    void BluetoothListen();
    void BluetoothConnection(std::unique_ptr<IObexStream> stream);

    std::unique_ptr<IObexListener> fListener;
    TObexLimits fLimits;
    std::thread fThread;
};

// Hands every notification of a service's thread to a target on the thread
// of `context` (the main thread) through its event queue and returns at once:
// the receiver never waits for the main thread, so stopping the service from
// the main thread cannot dead-lock. A connection error is answered true (the
// target gets it as text) so the service does not log it twice. The sender
// pointer given to the target is only an identity: by the time the queued
// call runs, the service may be gone.
class TQueuedObexNotif : public IBluetoothObexNotif {
public:
    TQueuedObexNotif(QObject* context, IBluetoothObexNotifRef target);

    void OnRecvConnecStart(TBluetoothServiceBase* sender) override;
    void OnRecvFileStart(TBluetoothServiceBase* sender, const QString& fname, qint64 lgExpected) override;
    void OnRecvFileProgress(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten,
                            qint64 lgExpected) override;
    void OnRecvFileEnd(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten) override;
    void OnRecvConnecEnd(TBluetoothServiceBase* sender) override;
    bool OnRecvConnecError(TBluetoothServiceBase* sender, const std::exception& ex) override;
    void OnRecvServiceError(const std::exception& ex) override;
    void OnRecvServiceStatus() override;

private:
    void post(std::function<void(IBluetoothObexNotif&)> call);

    QPointer<QObject> fContext;
    IBluetoothObexNotifRef fTarget;
};
