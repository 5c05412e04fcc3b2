#include "UQzFileSystemRes.h"

#include "IMainFrame.h"
#include "LumLabService.h"
#include "UConfig.h"
#include "UDebug.h"
#include "ULabAlbumContracts.h"
#include "ULabPartyContracts.h"
#include "ULabPrintContracts.h"
#include "UNetTransfer.h"
#include "UQzFileSystemCache.h"
#include "UThreadTaskQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TResScrapImage, TOrderImageFile, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageExeResource, TOrderImageFile, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageBroken, TImageExeResource, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TImageFileResource, TOrderImageFile, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TResWebSvcVignette, TOrderImageFile, )
KIOSK_SERIALIZABLE_DESCRIBE_ABSTRACT(TResWebSvcVignetteBg, TResWebSvcVignette, )

namespace {

std::mutex gFactoryLock;
TLabPictureSourceFactory gFactory;

// One lock per file being fetched: a second worker asking for the same file
// waits for the first download and then finds the file.
std::mutex gFetchLocksLock;
std::map<QString, std::weak_ptr<std::mutex>> gFetchLocks;

std::shared_ptr<std::mutex> fetchLockFor(const QString& path)
{
    std::lock_guard lk(gFetchLocksLock);
    std::shared_ptr<std::mutex> m = gFetchLocks[path].lock();
    if (!m) {
        m = std::make_shared<std::mutex>();
        gFetchLocks[path] = m;
    }
    return m;
}

// Fetches a missing file on a queue worker; failures other than cancellation
// and retry are logged and leave no file.
void fetchIfMissing(const QString& path, const std::function<QByteArray(ILabPictureSource&)>& load,
                    const QString& logLabel)
{
    if (QFileInfo::exists(path))
        return;
    TThreadTaskQueueWithoutThread* queue = TThreadTaskQueueWithoutThread::Current();
    if (!queue)
        return; // the main thread never downloads
    try {
        std::shared_ptr<std::mutex> lock = fetchLockFor(path);
        std::lock_guard lk(*lock);
        if (QFileInfo::exists(path))
            return;
        std::unique_ptr<ILabPictureSource> src = QzfsLabPictureSource(queue->mainFrame(), false);
        const QByteArray bytes = load(*src);
        if (bytes.isEmpty())
            throw Exception(QStringLiteral("empty download"));
        QzfsWriteFileChecked(path, bytes);
    } catch (const ECancel&) {
        throw;
    } catch (const ETaskRetry&) {
        throw;
    } catch (const std::exception& e) {
        LogError(logLabel, e);
    }
}

std::mutex gResFilesLock;
std::map<QString, int> gResFiles;

QStringList& playerCommand()
{
    static QStringList cmd { QStringLiteral("paplay") };
    return cmd;
}

} // namespace

void QzfsSetLabPictureSourceFactory(TLabPictureSourceFactory factory)
{
    std::lock_guard lk(gFactoryLock);
    gFactory = std::move(factory);
}

std::unique_ptr<ILabPictureSource> QzfsLabPictureSource(IMainFrame* main, bool bOldSvcCompat)
{
    {
        std::lock_guard lk(gFactoryLock);
        if (gFactory)
            return gFactory(main, bOldSvcCompat);
    }
    return std::make_unique<TBaseLoadCtx>(main, bOldSvcCompat);
}

// --------------------------------------------------------------- TBaseLoadCtx

TBaseLoadCtx::TBaseLoadCtx(IMainFrame* main, bool bOldSvcCompat)
    : fStatus(bOldSvcCompat ? loadResStart : loadResNew)
    , fMain(main)
{
    Photographe2* ph = main ? main->GetWebSvcPhotographer() : nullptr;
    auto isHttp = [](const QString& proto) {
        const QString p = proto.toUpper();
        return p == QStringLiteral("HTTP") || p == QStringLiteral("HTTPS");
    };
    if (ph) {
        if (!ph->ServeurFtpForUpdate().isEmpty()) {
            if (isHttp(ph->ProtoFtpForUpdate()))
                fNetTransfer = std::make_unique<TNetTransfer>(ph->ProtoFtpForUpdate(), ph->ServeurFtpForUpdate(),
                                                              ph->LoginFtpForUpdate(), ph->PasswordFtpForUpdate());
        } else if (!ph->ServeurFtpOrHttp().isEmpty()) {
            if (isHttp(ph->ProtoFtp()))
                fNetTransfer = std::make_unique<TNetTransfer>(ph->ProtoFtp(), ph->ServeurFtpOrHttp(), ph->LoginFtp(),
                                                              ph->PasswordFtp());
        }
    }
    if (!fNetTransfer)
        fStatus = loadResOld;
}

TBaseLoadCtx::~TBaseLoadCtx() = default;

QByteArray TBaseLoadCtx::load(const QString& serverPath, const std::function<QByteArray()>& fromLab,
                              const QString& what)
{
    if (fStatus == loadResOld)
        return fromLab();
    try {
        QByteArray bytes = fNetTransfer->DownloadBytes(serverPath);
        fStatus = loadResNew;
        return bytes;
    } catch (const ECancel&) {
        throw;
    } catch (const std::exception& e) {
        if (fStatus != loadResStart)
            throw;
        LogWarn(what + QStringLiteral("/retry on websvc mode"), e);
        fStatus = loadResOld;
        return fromLab();
    }
}

QByteArray TBaseLoadCtx::LoadScrapBytes(const QString& scrapId)
{
    return load(
        QStringLiteral("resource/ScrapPictures/") + scrapId,
        [&] {
            auto svc = fMain->GetWebSvcLum();
            if (!svc)
                throw Exception(QStringLiteral("TScrapLoadCtx.LoadScrapBytes: no lab service"));
            return svc->GetVignetteDeco(fMain->GetWebSvcAsker(), scrapId)->Image();
        },
        QStringLiteral("TScrapLoadCtx.LoadScrapBytes(%1)").arg(scrapId));
}

QByteArray TBaseLoadCtx::LoadVisualBytes(int id)
{
    return load(
        QStringLiteral("resource/Pictures/%1.jpg").arg(id),
        [&] {
            auto svc = fMain->GetWebSvcLum();
            if (!svc)
                throw Exception(QStringLiteral("TVisualLoadCtx.LoadVisualBytes: no lab service"));
            return svc->GetVignette(fMain->GetWebSvcAsker(), id)->Image();
        },
        QStringLiteral("TVisualLoadCtx.LoadVisualBytes(%1)").arg(id));
}

// ------------------------------------------------------------- TResScrapImage

void TResScrapImage::checkFile()
{
    const QString id = ImageID();
    const QString name = id.mid(id.lastIndexOf(QLatin1Char('\\')) + 1);
    fetchIfMissing(
        ImagePath(), [&](ILabPictureSource& src) { return src.LoadScrapBytes(name); },
        QStringLiteral("TResScrapImage.checkFile(%1)").arg(id));
    TOrderImageFile::checkFile();
}

// ---------------------------------------------------- TQzfsFolderResScrapRoot

TQzfsFolderResScrapRoot::TQzfsFolderResScrapRoot(IMainFrame* main, const QString& id)
    : TQzfsFolderDiskRoot(main, id, main && main->Config() ? main->Config()->CalcCacheScrapPath() : QString(),
                          QStringLiteral("Scrap pictures"), -1)
{
}

TOrderImageRef TQzfsFolderResScrapRoot::ImageFind(const QString& imgId, const QString&, const QString&)
{
    if (imgId.isEmpty() || imgId.contains(QLatin1Char('\\')) || QzfsUnsafeIdPart(imgId)
        || imgId.contains(QLatin1Char('%')))
        return nullptr;
    if (!QzfsNameMatchesMasks(imgId, QzfsImageMasks(mainFrame())))
        return nullptr;
    const QFileInfo fi(subPathMake(imgId));
    if (fi.exists() && !fi.isFile())
        return nullptr;
    return subImageCreate(imgId);
}

IQzfsFolderRef TQzfsFolderResScrapRoot::onFolderCreate(const QString&)
{
    throw Exception(QStringLiteral("TQzfsFolderResScrapRoot.onFolderCreate: not supported"));
}

TOrderImageRef TQzfsFolderResScrapRoot::subImageCreate(const QString& name)
{
    return std::make_unique<TResScrapImage>(subIdMake(name), subPathMake(name));
}

// ------------------------------------------------------------ resource files

QString QzfsResourceFileAcquire(IMainFrame* main, const QString& resName, const QString& resExt)
{
    const QString fileName = resName + QLatin1Char('.') + resExt;
    const QString folder = main && main->Config() ? main->Config()->CalcInternalResPath() : QDir::tempPath();
    const QString path = folder + QLatin1Char('/') + fileName;
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(media); });
    std::lock_guard lk(gResFilesLock);
    int& users = gResFiles[path];
    if (users == 0) {
        QFile res(QStringLiteral(":/media/") + fileName);
        if (!res.open(QIODevice::ReadOnly)) {
            gResFiles.erase(path);
            throw EResNotFound(QStringLiteral("Resource %1 not found").arg(resName));
        }
        try {
            QzfsWriteFileChecked(path, res.readAll());
        } catch (...) {
            gResFiles.erase(path);
            throw;
        }
    }
    ++users;
    return path;
}

void QzfsResourceFileRelease(const QString& path)
{
    std::lock_guard lk(gResFilesLock);
    auto it = gResFiles.find(path);
    if (it == gResFiles.end())
        return;
    if (--it->second > 0)
        return;
    gResFiles.erase(it);
    QFile::remove(path);
}

// ---------------------------------------------------------- TImageExeResource

TImageExeResource::TImageExeResource(IMainFrame* main, const QString& resName, const QString& resExt)
    : TOrderImageFile(QString(), QzfsResourceFileAcquire(main, resName, resExt))
    , fResName(resName)
    , fFilePath(ImagePath())
{
}

TImageExeResource::~TImageExeResource()
{
    ImageCacheDetach();
    QzfsResourceFileRelease(fFilePath);
}

QString TImageExeResource::DebugLabel()
{
    return SafeDebugLabel(*this, [this] { return fResName; });
}

bool TImageExeResource::Exists()
{
    return QFileInfo::exists(fFilePath);
}

// --------------------------------------------------------- TImageFileResource

TImageFileResource::TImageFileResource(const QString& resPath, const QString& resId)
    : TOrderImageFile(resId, resPath)
{
}

QString TImageFileResource::DebugLabel()
{
    return SafeDebugLabel(*this, [this] { return QFileInfo(ImagePath()).fileName(); });
}

bool TImageFileResource::Exists()
{
    return QFileInfo::exists(ImagePath());
}

// --------------------------------------------------------- TResWebSvcVignette

TResWebSvcVignette::TResWebSvcVignette(IMainFrame* main, int vignetteId)
    : TOrderImageFile(QString(), main->Config()->CalcCacheVisualsFilePath(vignetteId))
    , fVignetteId(vignetteId)
{
}

QString TResWebSvcVignette::DebugLabel()
{
    return SafeDebugLabel(*this, [this] { return QString::number(fVignetteId); });
}

void TResWebSvcVignette::checkFile()
{
    fetchIfMissing(
        ImagePath(), [this](ILabPictureSource& src) { return src.LoadVisualBytes(fVignetteId); },
        QStringLiteral("TResWebSvcVignette.checkFile(%1)").arg(fVignetteId));
}

// ---------------------------------------------------------- TSoundExeResource

TSoundExeResource::TSoundExeResource(IMainFrame* main, const QString& resName, const QString& resExt)
    : fResName(resName)
    , fFilePath(QzfsResourceFileAcquire(main, resName, resExt))
{
}

TSoundExeResource::~TSoundExeResource()
{
    try {
        if (fPlayer) {
            PlayStop();
            fPlayer.reset();
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TSoundExeResource.Destroy"), e);
    }
    QzfsResourceFileRelease(fFilePath);
}

void TSoundExeResource::SetPlayerCommand(const QStringList& command)
{
    playerCommand() = command;
}

void TSoundExeResource::PlayStart()
{
    try {
        PlayStop();
        const QStringList cmd = playerCommand();
        if (cmd.isEmpty())
            throw Exception(QStringLiteral("no sound player"));
        fPlayer = std::make_unique<QProcess>();
        fPlayer->start(cmd.first(), cmd.mid(1) << fFilePath);
        if (!fPlayer->waitForStarted(3000))
            throw Exception(fPlayer->errorString());
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TSoundExeResource.PlayStart: %1").arg(fFilePath), e);
        fPlayer.reset();
    }
}

void TSoundExeResource::PlayStop()
{
    if (fPlayer && fPlayer->state() != QProcess::NotRunning) {
        fPlayer->kill();
        fPlayer->waitForFinished(3000);
    }
}

bool TSoundExeResource::Playing()
{
    if (fPlayer && fPlayer->state() == QProcess::Running)
        fPlayer->waitForFinished(0); // takes note of an end without an event loop
    return fPlayer && fPlayer->state() == QProcess::Running;
}
