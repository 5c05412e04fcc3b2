#include "USelfUpdate.h"

#include "UAppExceptions.h"
#include "UDebug.h"
#include "UTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSaveFile>
#include <QThread>

namespace {

const QString kUpdateModeFile = QStringLiteral("updateMode.txt");
const QString kUpdateInstall = QStringLiteral("Update install");
const QString kCompanionPidFile = QStringLiteral("RuVodevade.pid");
const QString kCompanionLockFile = QStringLiteral("RuVodevade.lock");

// The process `pid` runs the program `program` (a reused process id of
// another program does not count).
bool processRuns(qint64 pid, const QString& program)
{
    if (pid <= 0)
        return false;
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (exe.isEmpty())
        return false;
    return QFileInfo(exe).canonicalFilePath() == QFileInfo(program).canonicalFilePath();
}

} // namespace

TSelfUpdate::TSelfUpdate(TSelfUpdatePaths paths)
    : fPaths(std::move(paths))
{
}

TLaunchMode TSelfUpdate::ParseLaunchMode(const QStringList& args, QString& updatePath)
{
    for (const QString& arg : args) {
        QString text = arg;
        text.remove(QLatin1Char('"'));
        const QStringList parts = text.split(QLatin1Char('='));
        if (text.isEmpty())
            continue;
        if (parts.size() == 1) {
            if (parts[0] == QLatin1String("init-data"))
                return TLaunchMode::InitData;
        } else if (parts[0] == QLatin1String("update")) {
            updatePath = parts[1];
            return TLaunchMode::Update;
        }
    }
    return TLaunchMode::Normal;
}

TLaunchMode TSelfUpdate::GetLaunchMode(const QStringList& args)
{
    if (fLaunchMode == TLaunchMode::NotInit)
        fLaunchMode = ParseLaunchMode(args, fUpdatePath);
    return fLaunchMode;
}

QString TSelfUpdate::UpdateModeFilePath() const
{
    return QDir(fPaths.tempFolder).filePath(kUpdateModeFile);
}

TUpdateType TSelfUpdate::GetUpdateType() const
{
    const QString path = UpdateModeFilePath();
    if (!QFileInfo::exists(path))
        return TUpdateType::Stop;
    // A byte-order mark chooses the encoding, else the bytes are taken as
    // they are; only the first letters matter.
    const QString text = TFileTools::StreamReaderCreate(path)->ReadToEnd();
    if (text.startsWith(QLatin1String("Start")))
        return TUpdateType::Start;
    if (text.startsWith(QLatin1String("Manual")))
        return TUpdateType::Manual;
    return TUpdateType::Stop;
}

QString TSelfUpdate::GetUpdateInstallRoot() const
{
    return QDir(fPaths.tempFolder).filePath(kUpdateInstall);
}

QString TSelfUpdate::GetFolderUpdatePathWithOs() const
{
    return QDir(GetUpdateInstallRoot()).filePath(fPaths.platformName);
}

QString TSelfUpdate::CandidatePath() const
{
    return QDir(GetFolderUpdatePathWithOs()).filePath(fPaths.exeName);
}

bool TSelfUpdate::IsUpdateAvailable() const
{
    try {
        const QFileInfo candidate(CandidatePath());
        // Only a plain file counts: a link could point anywhere.
        if (!candidate.exists() || candidate.isSymLink() || !candidate.isFile())
            return false;
        const QString found = TAppTools::GetAppVersionStr(candidate.filePath());
        return TAppTools::VersionCompare(found, fPaths.runningVersion) > 0;
    } catch (const std::exception& e) {
        LogDebug(QStringLiteral("TMainNavi.IsUpdateAvailable: no usable version in ") + CandidatePath(), e);
        return false;
    }
}

void TSelfUpdate::PurgeUpdateFolder() const
{
    const QString root = GetUpdateInstallRoot();
    if (QFileInfo(root).isDir())
        TFileTools::DeleteDirFilesRec(root);
}

bool TSelfUpdate::LaunchUpdate(const TProcessStarter& start)
{
    if (fUpdateLaunched)
        return false;
    const QString candidate = CandidatePath();
    // A download arrives without the execute permission.
    QFile::setPermissions(candidate, QFile::permissions(candidate) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    start(candidate, { QStringLiteral("update=") + fPaths.exeFolder });
    fUpdateLaunched = true;
    return true;
}

void TSelfUpdate::DoUpdate(const TProcessStarter& start, const TCopy& copy, const TSleep& sleep) const
{
    const QString ownFolder = fPaths.exeFolder;
    LogInfo(QStringLiteral("TMainNavi.DoUpdate: update from ") + ownFolder + QStringLiteral(" to ") + fUpdatePath);
    // What repeating cannot mend is refused before the first attempt, so
    // that every failure of the copy itself is a file error worth retrying
    // (the installed program may still be ending).
    if (!QFileInfo(ownFolder).isDir() || !QFileInfo(fUpdatePath).isDir())
        throw Exception(QStringLiteral("TFileTools.CopyDirFilesRec: not found directory path: '%1'")
                            .arg(QFileInfo(ownFolder).isDir() ? fUpdatePath : ownFolder));
    if (!TFileTools::IsGuardedPath(ownFolder) || !TFileTools::IsGuardedPath(fUpdatePath))
        throw Exception(QStringLiteral("TFileTools.CopyDirFilesRec: forbidden directory path: '%1'").arg(fUpdatePath));
    const TCopy doCopy = copy ? copy : [](const QString& src, const QString& dst) {
        TFileTools::CopyDirFilesRec(src, dst, true);
    };
    const TSleep doSleep = sleep ? sleep : [](int ms) { QThread::msleep(ms); };
    for (int attempt = 1;; ++attempt) {
        try {
            doCopy(ownFolder, fUpdatePath);
            break;
        } catch (const Exception& e) {
            if (attempt >= kCopyAttempts)
                throw;
            LogError(QStringLiteral("TFileTools.CopyDirFilesRec"), e);
            doSleep(kCopyRetryDelayMs);
        }
    }
    LogInfo(QStringLiteral("TMainNavi.DoUpdate: run of ") + fUpdatePath);
    start(QDir(fUpdatePath).filePath(fPaths.exeName), {});
}

QString TSelfUpdate::CompanionExeActive(const QString& exeName)
{
    QString name = exeName;
    name.remove(QStringLiteral(".exe"), Qt::CaseSensitive);
    return name;
}

QByteArray TSelfUpdate::CompanionFileBytes(const TCompanionValues& v)
{
    const QStringList lines = {
        QStringLiteral("EXE_ACTIVE=") + CompanionExeActive(v.exeName),
        QStringLiteral("CURRENT_VERSION=") + v.currentVersion,
        QStringLiteral("LOCAL_DIRECTORY_FILE_TALK=") + v.tempFolder,
        QStringLiteral("FILE_PENDING_ORDER=KioskInUse.qz"),
        QStringLiteral("FILE_TERMINAL_BLOCK=KioskLocked.qz"),
        QStringLiteral("LOCAL_DIRECTORY_IMG=") + v.internalResFolder,
        QStringLiteral("SOFT_UPDATE_TEMP_PATH=") + v.updateTempFolder,
        QStringLiteral("SOFT_UPDATE_INSTALL_PATH=") + v.updateInstallRoot,
        QStringLiteral("LOCAL_DIRECTORY_ORDERS=") + v.localOrdersFolder,
        QStringLiteral("PHOTO_DIRECTORY=") + v.photoFolder,
        QStringLiteral("LOG_DIR=") + v.logFolder,
        QStringLiteral("CACHE_DIR=") + v.cacheFolder,
        QStringLiteral("FILE_CONFIG_COMPLETE_PATH=") + v.configFilePath,
    };
    return QByteArrayLiteral("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8();
}

bool TSelfUpdate::InitCompanion(quint8 connectionMode, const QString& companionExe, const QString& companionCfg,
                                const TCompanionValues& values, const TProcessStarter& start)
{
    if (connectionMode != kConnectionModeKioskLocal)
        return false;
    if (!QFileInfo::exists(companionExe)) {
        LogDebugFmt(QStringLiteral("TMainNavi.InitRuVodevadeConfig: RuVodevade.exe not found (%s)"), { companionExe });
        return false;
    }
    TAppTools::WriteByteArrayToFile(CompanionFileBytes(values), companionCfg);
    for (const char* sub : { "Archive", "Ready" })
        TFileTools::MakeDirRec(QDir(values.localOrdersFolder).filePath(QString::fromLatin1(sub)));

    // One companion program at a time: every connection of the kiosk would
    // otherwise add one. The lock keeps two kiosk processes from both
    // finding none running; the pid file names the one started last.
    const QString folder = QFileInfo(companionCfg).absolutePath();
    QLockFile lock(QDir(folder).filePath(kCompanionLockFile));
    if (!lock.lock())
        throw EOSError(QStringLiteral("TMainNavi.InitRuVodevadeConfig: cannot lock ") + QDir(folder).filePath(kCompanionLockFile));
    const QString pidFile = QDir(folder).filePath(kCompanionPidFile);
    bool pidOk = false;
    const qint64 runningPid = QFileInfo::exists(pidFile) ? TAppTools::LoadByteArrayFromFile(pidFile).trimmed().toLongLong(&pidOk) : 0;
    if (pidOk && processRuns(runningPid, companionExe)) {
        LogDebugFmt(QStringLiteral("TMainNavi.InitRuVodevadeConfig: RuVodevade already running (%s)"),
                    { QString::number(runningPid) });
        return false;
    }
    const qint64 pid = start(companionExe, { companionCfg });
    TAppTools::WriteByteArrayToFile(QByteArray::number(pid), pidFile);
    return true;
}

qint64 TSelfUpdate::StartDetached(const QString& program, const QStringList& args)
{
    qint64 pid = 0;
    QProcess proc;
    proc.setProgram(program);
    proc.setArguments(args);
    if (!proc.startDetached(&pid))
        throw EOSError(QStringLiteral("Cannot start \"%1\": %2").arg(program, proc.errorString()));
    return pid;
}
