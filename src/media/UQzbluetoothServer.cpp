#include "UQzbluetoothServer.h"

#include "UAppExceptions.h"
#include "UDebug.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// --- TBluetoothServiceBase ---------------------------------------------------

TBluetoothServiceBase::TBluetoothServiceBase(const QStringList& extSupported) : fExtSupported(extSupported) { }

TBluetoothServiceBase::~TBluetoothServiceBase() = default;

void TBluetoothServiceBase::SetOutputPath(const QString& path)
{
    std::lock_guard<std::mutex> lock(fFieldsLock);
    fOutputPath = path;
}

QString TBluetoothServiceBase::OutputPath()
{
    std::lock_guard<std::mutex> lock(fFieldsLock);
    return fOutputPath;
}

IBluetoothObexNotifRef TBluetoothServiceBase::Notif() const
{
    std::lock_guard<std::mutex> lock(fFieldsLock);
    return fNotif;
}

void TBluetoothServiceBase::SetNotif(IBluetoothObexNotifRef notif)
{
    std::lock_guard<std::mutex> lock(fFieldsLock);
    fNotif = std::move(notif);
}

void TBluetoothServiceBase::reportLoopError(const std::exception& ex, const QString& logLine)
{
    bool done = false;
    if (auto n = Notif()) {
        try {
            done = n->OnRecvConnecError(this, ex);
        } catch (const std::exception& e) {
            LogError(logLine, e);
        }
    }
    if (!done)
        LogError(logLine, ex);
}

// --- TObexInboxSink ----------------------------------------------------------

TObexInboxSink::TObexInboxSink(TBluetoothServiceBase* service) : fService(service) { }

TObexInboxSink::~TObexInboxSink() { objectCancel(); }

bool TObexInboxSink::objectAccepted(const QString& name)
{
    for (const QString& mask : fService->ExtSupported())
        if (QDir::match(mask, name))
            return true;
    return false;
}

void TObexInboxSink::objectStart(const QString& name, qint64 lgExpected)
{
    const QString dir = fService->OutputPath();
    fTemp = std::make_unique<QTemporaryFile>(dir + QStringLiteral("/.XXXXXX.partial"));
    fTemp->setAutoRemove(true);
    if (!fTemp->open()) {
        fTemp.reset();
        throw ESystem(QStringLiteral("TBluetoothObexService: cannot create a file in ") + dir);
    }
    fFileName = name;
    if (auto n = fService->Notif())
        n->OnRecvFileStart(fService, name, lgExpected);
}

void TObexInboxSink::objectWrite(const char* data, qsizetype count, qint64 written, qint64 lgExpected)
{
    if (!fTemp)
        throw ESystem(QStringLiteral("TFormBluetoothBufferServer.tempStreamWrite: put command / unexpected datas"));
    const qint64 n = count > 0 ? fTemp->write(data, count) : 0;
    if (n != count)
        throw ESystem(QStringLiteral("TFormBluetoothBufferServer.tempStreamWrite: File write failure, not enough disk "
                                     "space (%1<>%2) ?")
                          .arg(count)
                          .arg(qMax<qint64>(n, 0)));
    if (auto notif = fService->Notif())
        notif->OnRecvFileProgress(fService, fFileName, written, lgExpected);
}

QString TObexInboxSink::objectFinish(const QString& name, qint64 written)
{
    if (!fTemp)
        return QString();
    if (!fTemp->flush())
        throw ESystem(QStringLiteral("TFormBluetoothBufferServer.tempStreamWrite: File write failure, not enough disk "
                                     "space (%1<>%2) ?")
                          .arg(written)
                          .arg(fTemp->size()));
    fTemp->close();
    const QString dir = fService->OutputPath();
    const QString stored = storeUnique(dir, name, fTemp->fileName());
    fTemp->setAutoRemove(false);
    fTemp.reset();
    if (auto n = fService->Notif())
        n->OnRecvFileEnd(fService, stored, written);
    return stored;
}

void TObexInboxSink::objectCancel() noexcept
{
    fTemp.reset(); // removes the partial file
    fFileName.clear();
}

QString TObexInboxSink::storeUnique(const QString& dir, const QString& name, const QString& partialPath)
{
    const QFileInfo fi(name);
    const QString suffix = fi.suffix();
    const QString ext = suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
    const QString base = suffix.isEmpty() ? name : name.left(name.size() - ext.size());
    for (int n = 0; n < 100000; ++n) {
        const QString candidate = n == 0 ? name : base + QLatin1Char('-') + QString::number(n) + ext;
        const QByteArray target = QFile::encodeName(dir + QLatin1Char('/') + candidate);
        // The exclusive create reserves the name; the rename then replaces
        // only our own empty reservation, so no other file is overwritten.
        const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw ESystem(QStringLiteral("TBluetoothObexService: cannot store %1: %2")
                              .arg(candidate, QString::fromLocal8Bit(std::strerror(errno))));
        }
        ::close(fd);
        if (::rename(QFile::encodeName(partialPath).constData(), target.constData()) != 0) {
            const int err = errno;
            ::unlink(target.constData());
            throw ESystem(QStringLiteral("TBluetoothObexService: cannot store %1: %2")
                              .arg(candidate, QString::fromLocal8Bit(std::strerror(err))));
        }
        return candidate;
    }
    throw ESystem(QStringLiteral("TBluetoothObexService: no free name for ") + name);
}

// --- TBluetoothObexService ---------------------------------------------------

TBluetoothObexService::TBluetoothObexService(const QStringList& extSupported, std::unique_ptr<IObexListener> listener,
                                             TObexLimits limits)
    : TBluetoothServiceBase(extSupported), fListener(std::move(listener)), fLimits(limits)
{
    if (fListener && fListener->adapterConnected())
        fThread = std::thread([this] { BluetoothListen(); });
}

TBluetoothObexService::~TBluetoothObexService()
{
    SetAppTerminated(true);
    if (fThread.joinable())
        fThread.join();
    fListener.reset();
}

QString TBluetoothObexService::OutputPath()
{
    const QString path = TBluetoothServiceBase::OutputPath();
    if (path.isEmpty() || !QDir().mkpath(path))
        throw ESystem(QStringLiteral("TBluetoothObexService.OutputPath: output path=") + path
                      + QStringLiteral(" creation failure"));
    return path;
}

void TBluetoothObexService::SetOutputPath(const QString& path)
{
    TBluetoothServiceBase::SetOutputPath(path);
    OutputPath();
}

QString TBluetoothObexService::AdapterName()
{
    return fListener && fListener->adapterConnected() ? fListener->adapterName() : QString();
}

bool TBluetoothObexService::AdapterConnected() { return fListener && fListener->adapterConnected(); }

void TBluetoothObexService::BluetoothListen()
{
    while (!fAppTerminated) {
        std::unique_ptr<IObexStream> stream;
        try {
            stream = fListener->accept(kWaitMs);
        } catch (const std::exception& ex) {
            reportLoopError(ex, QStringLiteral("TBluetoothObexService.BluetoothListen: Connection end on error"));
            continue;
        }
        if (!stream)
            continue;
        try {
            BluetoothConnection(std::move(stream));
        } catch (const std::exception& ex) {
            reportLoopError(ex, QStringLiteral("TBluetoothObexService.BluetoothListen: Connection end on error"));
        }
    }
}

void TBluetoothObexService::BluetoothConnection(std::unique_ptr<IObexStream> stream)
{
    TObexInboxSink sink(this);
    TBluetoothObexBufferServer session(sink, [this] { return fReceptionEnabled.load(); }, fLimits);
    struct EndNotice {
        TBluetoothObexService* self;
        ~EndNotice()
        {
            if (auto n = self->Notif()) {
                try {
                    n->OnRecvConnecEnd(self);
                } catch (const std::exception& e) {
                    LogError(QStringLiteral("TBluetoothObexService.BluetoothConnection"), e);
                }
            }
        }
    };
    if (auto n = Notif())
        n->OnRecvConnecStart(this);
    EndNotice endNotice { this };
    QByteArray buf(65536, Qt::Uninitialized);
    int idleMs = 0;
    while (!fAppTerminated) {
        const qsizetype got = stream->recv(buf.data(), buf.size(), kWaitMs);
        if (got < 0)
            break;
        if (got == 0) {
            idleMs += kWaitMs;
            if (idleMs >= fLimits.idleTimeoutMs)
                throw ESystem(QStringLiteral("OBEX: connection idle for too long"));
            continue;
        }
        idleMs = 0;
        const bool goOn = session.ProcessRecvData(buf.constData(), got);
        const QByteArray out = session.takeResponses();
        if (!out.isEmpty() && !stream->sendAll(out))
            break;
        if (!goOn)
            break;
    }
}

// --- TQueuedObexNotif --------------------------------------------------------

TQueuedObexNotif::TQueuedObexNotif(QObject* context, IBluetoothObexNotifRef target)
    : fContext(context), fTarget(std::move(target))
{
}

void TQueuedObexNotif::post(std::function<void(IBluetoothObexNotif&)> call)
{
    QObject* ctx = fContext.data();
    if (!ctx || !fTarget)
        return;
    IBluetoothObexNotifRef target = fTarget;
    QMetaObject::invokeMethod(
        ctx, [target, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
}

void TQueuedObexNotif::OnRecvConnecStart(TBluetoothServiceBase* sender)
{
    post([sender](IBluetoothObexNotif& t) { t.OnRecvConnecStart(sender); });
}

void TQueuedObexNotif::OnRecvFileStart(TBluetoothServiceBase* sender, const QString& fname, qint64 lgExpected)
{
    post([=](IBluetoothObexNotif& t) { t.OnRecvFileStart(sender, fname, lgExpected); });
}

void TQueuedObexNotif::OnRecvFileProgress(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten,
                                          qint64 lgExpected)
{
    post([=](IBluetoothObexNotif& t) { t.OnRecvFileProgress(sender, fname, lgWritten, lgExpected); });
}

void TQueuedObexNotif::OnRecvFileEnd(TBluetoothServiceBase* sender, const QString& fname, qint64 lgWritten)
{
    post([=](IBluetoothObexNotif& t) { t.OnRecvFileEnd(sender, fname, lgWritten); });
}

void TQueuedObexNotif::OnRecvConnecEnd(TBluetoothServiceBase* sender)
{
    post([sender](IBluetoothObexNotif& t) { t.OnRecvConnecEnd(sender); });
}

bool TQueuedObexNotif::OnRecvConnecError(TBluetoothServiceBase* sender, const std::exception& ex)
{
    const ESystem copy(ExceptionMessage(ex));
    post([sender, copy](IBluetoothObexNotif& t) {
        if (!t.OnRecvConnecError(sender, copy))
            LogError(QStringLiteral("TBluetoothObexService.BluetoothListen: Connection end on error"), copy);
    });
    return true;
}

void TQueuedObexNotif::OnRecvServiceError(const std::exception& ex)
{
    const ESystem copy(ExceptionMessage(ex));
    post([copy](IBluetoothObexNotif& t) { t.OnRecvServiceError(copy); });
}

void TQueuedObexNotif::OnRecvServiceStatus()
{
    post([](IBluetoothObexNotif& t) { t.OnRecvServiceStatus(); });
}
