// The self-update: launch-mode arguments, "updateMode.txt", candidates in
// the update folder judged by their version record, the update run's copy
// with retries, and the companion file and program.
#include "USelfUpdate.h"

#include "UAppExceptions.h"
#include "UTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A program file as the update folder may hold it: some bytes around the
// version record (none when version is empty).
QByteArray programBytes(const QByteArray& version, const QByteArray& tail = QByteArray(200, 'x'))
{
    QByteArray bytes = QByteArray("\x7f" "ELF", 4) + QByteArray(300, '\0');
    if (!version.isNull())
        bytes += QByteArray("@(#)") + "KIOSKVERSION " + version + '\0';
    return bytes + tail;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Started {
    QString program;
    QStringList args;
};

class SelfUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fDir.isValid());
        fPaths.tempFolder = fDir.filePath(QStringLiteral("tmp/XJQ/Brindlewick"));
        fPaths.exeFolder = fDir.filePath(QStringLiteral("opt/kiosk"));
        fPaths.exeName = QStringLiteral("kiosk");
        fPaths.platformName = QStringLiteral("linux64");
        fPaths.runningVersion = QStringLiteral("2.1.0.5");
        QDir().mkpath(fPaths.tempFolder);
        QDir().mkpath(fPaths.exeFolder);
    }
    TProcessStarter recorder()
    {
        return [this](const QString& program, const QStringList& args) {
            fStarted.push_back({ program, args });
            return qint64(4242);
        };
    }
    QTemporaryDir fDir;
    TSelfUpdatePaths fPaths;
    std::vector<Started> fStarted;
};

} // namespace

TEST(LaunchModeArgs, FirstMatchingArgumentDecides)
{
    struct Case {
        const char* name;
        QStringList args;
        TLaunchMode mode;
        QString path;
    };
    const Case cases[] = {
        { "no arguments", {}, TLaunchMode::Normal, {} },
        { "init-data", { "init-data" }, TLaunchMode::InitData, {} },
        { "init-data=1 has two parts", { "init-data=1" }, TLaunchMode::Normal, {} },
        { "INIT-DATA in capitals", { "INIT-DATA" }, TLaunchMode::Normal, {} },
        { "update folder", { "update=/opt/kiosk" }, TLaunchMode::Update, "/opt/kiosk" },
        { "quoted folder with a space", { "\"update=/opt/my kiosk\"" }, TLaunchMode::Update, "/opt/my kiosk" },
        { "update alone is one part", { "update" }, TLaunchMode::Normal, {} },
        { "update=a=b keeps a", { "update=a=b" }, TLaunchMode::Update, "a" },
        { "UPDATE in capitals", { "UPDATE=/x" }, TLaunchMode::Normal, {} },
        { "first match wins", { "other", "init-data", "update=/x" }, TLaunchMode::InitData, {} },
        { "empty argument skipped", { "", "\"\"", "update=/y" }, TLaunchMode::Update, "/y" },
        { "update= with empty folder", { "update=" }, TLaunchMode::Update, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString path;
        EXPECT_EQ(TSelfUpdate::ParseLaunchMode(c.args, path), c.mode);
        EXPECT_EQ(path, c.path);
    }
}

TEST_F(SelfUpdateTest, LaunchModeIsReadOnceAndKept)
{
    TSelfUpdate su(fPaths);
    EXPECT_EQ(su.GetLaunchMode({ "update=/opt/a" }), TLaunchMode::Update);
    EXPECT_EQ(su.GetLaunchMode({}), TLaunchMode::Update);
    EXPECT_EQ(su.UpdatePath(), QStringLiteral("/opt/a"));
}

TEST_F(SelfUpdateTest, UpdateModeFileDecidesTheUpdateType)
{
    struct Case {
        const char* name;
        QByteArray bytes; // null: no file
        TUpdateType type;
    };
    const Case cases[] = {
        { "no file", QByteArray(), TUpdateType::Stop },
        { "empty file", QByteArray(""), TUpdateType::Stop },
        { "Start", "Start", TUpdateType::Start },
        { "Manual with line break", "Manual\r\n", TUpdateType::Manual },
        { "Manual with a BOM", "\xEF\xBB\xBFManual", TUpdateType::Manual },
        { "Startup still begins with Start", "Startup", TUpdateType::Start },
        { "space before Start", " Start", TUpdateType::Stop },
        { "start in lower case", "start", TUpdateType::Stop },
        { "Stop", "Stop", TUpdateType::Stop },
        { "binary garbage", QByteArray("\0\xff\xfeStart", 8), TUpdateType::Stop },
    };
    TSelfUpdate su(fPaths);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(su.UpdateModeFilePath());
        if (!c.bytes.isNull())
            writeFile(su.UpdateModeFilePath(), c.bytes);
        EXPECT_EQ(su.GetUpdateType(), c.type);
    }
}

TEST_F(SelfUpdateTest, CandidateIsJudgedByItsVersionRecord)
{
    struct Case {
        const char* name;
        QByteArray bytes; // null: no candidate
        bool available;
    };
    const Case cases[] = {
        { "no candidate", QByteArray(), false },
        { "higher build", programBytes("2.1.0.6"), true },
        { "higher major", programBytes("10.0.0.0"), true },
        { "same version", programBytes("2.1.0.5"), false },
        { "lower version", programBytes("2.1.0.4"), false },
        { "no version record", programBytes(QByteArray()), false },
        { "empty file", QByteArray(""), false },
        { "record cut by the end of the file", programBytes("9.9.9.9").left(320), false },
        { "record with three parts", programBytes("9.9.9"), false },
        { "record with a letter", programBytes("9.x.9.9"), false },
        { "record beyond integer range", programBytes("99999999999.0.0.0"), false },
    };
    TSelfUpdate su(fPaths);
    EXPECT_EQ(su.CandidatePath(), fPaths.tempFolder + QStringLiteral("/Update install/linux64/kiosk"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(su.CandidatePath());
        if (!c.bytes.isNull())
            writeFile(su.CandidatePath(), c.bytes);
        EXPECT_EQ(su.IsUpdateAvailable(), c.available);
    }
}

TEST_F(SelfUpdateTest, LinkToANewerProgramIsNoCandidate)
{
    TSelfUpdate su(fPaths);
    const QString real = fDir.filePath(QStringLiteral("elsewhere/kiosk"));
    writeFile(real, programBytes("9.0.0.0"));
    QDir().mkpath(su.GetFolderUpdatePathWithOs());
    ASSERT_TRUE(QFile::link(real, su.CandidatePath()));
    EXPECT_FALSE(su.IsUpdateAvailable());
}

TEST_F(SelfUpdateTest, PurgeEmptiesTheInstallRootAndKeepsIt)
{
    TSelfUpdate su(fPaths);
    writeFile(su.CandidatePath(), programBytes("2.1.0.5"));
    writeFile(su.GetFolderUpdatePathWithOs() + QStringLiteral("/lib/a.so"), "x");
    writeFile(su.GetUpdateInstallRoot() + QStringLiteral("/stray.txt"), "x");
    su.PurgeUpdateFolder();
    EXPECT_TRUE(QFileInfo(su.GetUpdateInstallRoot()).isDir());
    EXPECT_TRUE(QDir(su.GetUpdateInstallRoot()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    // A missing root is no error.
    QDir(su.GetUpdateInstallRoot()).removeRecursively();
    EXPECT_NO_THROW(su.PurgeUpdateFolder());
}

TEST_F(SelfUpdateTest, LaunchUpdateStartsTheCandidateOnce)
{
    TSelfUpdate su(fPaths);
    writeFile(su.CandidatePath(), programBytes("2.2.0.0"));
    TProcessStarter failing = [](const QString&, const QStringList&) -> qint64 {
        throw EOSError(QStringLiteral("no such program"));
    };
    EXPECT_THROW(su.LaunchUpdate(failing), EOSError);
    EXPECT_FALSE(su.UpdateLaunched());

    EXPECT_TRUE(su.LaunchUpdate(recorder()));
    EXPECT_FALSE(su.LaunchUpdate(recorder()));
    ASSERT_EQ(fStarted.size(), 1u);
    EXPECT_EQ(fStarted[0].program, su.CandidatePath());
    EXPECT_EQ(fStarted[0].args, QStringList { QStringLiteral("update=") + fPaths.exeFolder });
    EXPECT_TRUE(QFileInfo(su.CandidatePath()).isExecutable());
}

TEST_F(SelfUpdateTest, DoUpdateRetriesACopyThatFailsThenSucceeds)
{
    TSelfUpdatePaths runPaths = fPaths;
    runPaths.exeFolder = fDir.filePath(QStringLiteral("tmp/XJQ/Brindlewick/Update install/linux64"));
    writeFile(runPaths.exeFolder + QStringLiteral("/kiosk"), programBytes("2.2.0.0"));
    writeFile(runPaths.exeFolder + QStringLiteral("/res/new.txt"), "new");
    writeFile(fPaths.exeFolder + QStringLiteral("/kiosk"), programBytes("2.1.0.5"));
    TSelfUpdate su(runPaths);
    ASSERT_EQ(su.GetLaunchMode({ QStringLiteral("update=") + fPaths.exeFolder }), TLaunchMode::Update);

    int copies = 0;
    QList<int> sleeps;
    auto flaky = [&](const QString& src, const QString& dst) {
        if (++copies <= 2)
            throw EFCreateError(QStringLiteral("Cannot copy: text file busy"));
        TFileTools::CopyDirFilesRec(src, dst, true);
    };
    su.DoUpdate(recorder(), flaky, [&](int ms) { sleeps << ms; });
    EXPECT_EQ(copies, 3);
    EXPECT_EQ(sleeps, (QList<int> { 500, 500 }));
    EXPECT_EQ(TAppTools::GetAppVersionStr(fPaths.exeFolder + QStringLiteral("/kiosk")), QStringLiteral("2.2.0.0"));
    EXPECT_EQ(TAppTools::LoadByteArrayFromFile(fPaths.exeFolder + QStringLiteral("/res/new.txt")), QByteArray("new"));
    ASSERT_EQ(fStarted.size(), 1u);
    EXPECT_EQ(fStarted[0].program, fPaths.exeFolder + QStringLiteral("/kiosk"));
    EXPECT_TRUE(fStarted[0].args.isEmpty());
}

TEST_F(SelfUpdateTest, DoUpdateGivesUpAfter101AttemptsAndStartsNothing)
{
    TSelfUpdate su(fPaths);
    su.GetLaunchMode({ QStringLiteral("update=") + fDir.filePath(QStringLiteral("installed")) });
    QDir().mkpath(fDir.filePath(QStringLiteral("installed")));
    int copies = 0;
    int sleeps = 0;
    auto broken = [&](const QString&, const QString&) {
        ++copies;
        throw EFCreateError(QStringLiteral("Cannot copy: disk full"));
    };
    EXPECT_THROW(su.DoUpdate(recorder(), broken, [&](int) { ++sleeps; }), EFCreateError);
    EXPECT_EQ(copies, 101);
    EXPECT_EQ(sleeps, 100);
    EXPECT_TRUE(fStarted.empty());
}

TEST_F(SelfUpdateTest, DoUpdateRefusesAMissingOrUnsafeTargetAtOnce)
{
    for (const QString& target : { fDir.filePath(QStringLiteral("missing")), QStringLiteral("/tmp"),
                                   fDir.filePath(QStringLiteral("opt/../opt/kiosk")) }) {
        SCOPED_TRACE(target.toStdString());
        TSelfUpdate su(fPaths);
        su.GetLaunchMode({ QStringLiteral("update=") + target });
        int copies = 0;
        EXPECT_THROW(su.DoUpdate(recorder(), [&](const QString&, const QString&) { ++copies; }, [](int) { }),
                     Exception);
        EXPECT_EQ(copies, 0);
        EXPECT_TRUE(fStarted.empty());
    }
}

TEST(CompanionFile, BytesAreUtf8WithBomAndCrLfWithoutFinalLineBreak)
{
    TCompanionValues v;
    v.exeName = QStringLiteral("kiosk");
    v.currentVersion = QStringLiteral("1.2.3.4");
    v.tempFolder = QStringLiteral("/tmp/XJQ/Brindlewick");
    v.internalResFolder = QStringLiteral("/c/internalRes");
    v.updateTempFolder = QStringLiteral("/tmp/XJQ/Brindlewick/Update temp");
    v.updateInstallRoot = QStringLiteral("/tmp/XJQ/Brindlewick/Update install");
    v.localOrdersFolder = QStringLiteral("/cfg/Orders");
    v.photoFolder = QStringLiteral("/cfg/Shop Pictures");
    v.logFolder = QStringLiteral("/cfg/Logs");
    v.cacheFolder = QStringLiteral("/c");
    v.configFilePath = QStringLiteral("/cfg/Brindlewick.qzcfg");
    const QByteArray expected = "\xEF\xBB\xBF"
                                "EXE_ACTIVE=kiosk\r\n"
                                "CURRENT_VERSION=1.2.3.4\r\n"
                                "LOCAL_DIRECTORY_FILE_TALK=/tmp/XJQ/Brindlewick\r\n"
                                "FILE_PENDING_ORDER=KioskInUse.qz\r\n"
                                "FILE_TERMINAL_BLOCK=KioskLocked.qz\r\n"
                                "LOCAL_DIRECTORY_IMG=/c/internalRes\r\n"
                                "SOFT_UPDATE_TEMP_PATH=/tmp/XJQ/Brindlewick/Update temp\r\n"
                                "SOFT_UPDATE_INSTALL_PATH=/tmp/XJQ/Brindlewick/Update install\r\n"
                                "LOCAL_DIRECTORY_ORDERS=/cfg/Orders\r\n"
                                "PHOTO_DIRECTORY=/cfg/Shop Pictures\r\n"
                                "LOG_DIR=/cfg/Logs\r\n"
                                "CACHE_DIR=/c\r\n"
                                "FILE_CONFIG_COMPLETE_PATH=/cfg/Brindlewick.qzcfg";
    EXPECT_EQ(TSelfUpdate::CompanionFileBytes(v), expected);
}

TEST(CompanionFile, ExeActiveDropsEveryLowerCaseExe)
{
    EXPECT_EQ(TSelfUpdate::CompanionExeActive(QStringLiteral("kiosk")), QStringLiteral("kiosk"));
    EXPECT_EQ(TSelfUpdate::CompanionExeActive(QStringLiteral("Kiosk.exe.exe")), QStringLiteral("Kiosk"));
    EXPECT_EQ(TSelfUpdate::CompanionExeActive(QStringLiteral("Kiosk.EXE")), QStringLiteral("Kiosk.EXE"));
    EXPECT_EQ(TSelfUpdate::CompanionExeActive(QStringLiteral("my.exelent")), QStringLiteral("mylent"));
}

TEST_F(SelfUpdateTest, CompanionOnlyInTheLocalKioskMode)
{
    const QString exe = fDir.filePath(QStringLiteral("opt/kiosk/RuVodevade"));
    const QString cfg = fPaths.tempFolder + QStringLiteral("/RuVodevade.cfg");
    writeFile(exe, "#!/bin/sh\n");
    TCompanionValues v;
    v.localOrdersFolder = fDir.filePath(QStringLiteral("cfg/Orders"));
    for (quint8 mode : { 10, 11, 20, 22 }) {
        SCOPED_TRACE(int(mode));
        EXPECT_FALSE(TSelfUpdate::InitCompanion(mode, exe, cfg, v, recorder()));
    }
    EXPECT_FALSE(QFileInfo::exists(cfg));
    EXPECT_FALSE(TSelfUpdate::InitCompanion(21, exe + QStringLiteral("-missing"), cfg, v, recorder()));
    EXPECT_FALSE(QFileInfo::exists(cfg));
    EXPECT_TRUE(fStarted.empty());

    EXPECT_TRUE(TSelfUpdate::InitCompanion(21, exe, cfg, v, recorder()));
    EXPECT_EQ(TAppTools::LoadByteArrayFromFile(cfg), TSelfUpdate::CompanionFileBytes(v));
    EXPECT_TRUE(QFileInfo(v.localOrdersFolder + QStringLiteral("/Archive")).isDir());
    EXPECT_TRUE(QFileInfo(v.localOrdersFolder + QStringLiteral("/Ready")).isDir());
    ASSERT_EQ(fStarted.size(), 1u);
    EXPECT_EQ(fStarted[0].program, exe);
    EXPECT_EQ(fStarted[0].args, QStringList { cfg });
}

TEST_F(SelfUpdateTest, CompanionStillRunningIsNotStartedAgain)
{
    // The test program stands for a running companion program.
    const QString exe = QCoreApplication::applicationFilePath();
    const QString cfg = fPaths.tempFolder + QStringLiteral("/RuVodevade.cfg");
    TCompanionValues v;
    v.localOrdersFolder = fDir.filePath(QStringLiteral("cfg/Orders"));
    int starts = 0;
    TProcessStarter selfPid = [&](const QString&, const QStringList&) {
        ++starts;
        return QCoreApplication::applicationPid();
    };
    EXPECT_TRUE(TSelfUpdate::InitCompanion(21, exe, cfg, v, selfPid));
    EXPECT_FALSE(TSelfUpdate::InitCompanion(21, exe, cfg, v, selfPid));
    EXPECT_EQ(starts, 1);
    // A companion that ended (or a process id reused by another program)
    // is started again.
    TProcessStarter deadPid = [&](const QString&, const QStringList&) {
        ++starts;
        return qint64(1); // init: not the companion program
    };
    writeFile(fPaths.tempFolder + QStringLiteral("/RuVodevade.pid"), "1");
    EXPECT_TRUE(TSelfUpdate::InitCompanion(21, exe, cfg, v, deadPid));
    EXPECT_EQ(starts, 2);
}

TEST(ProcessStart, MissingProgramRaises)
{
    EXPECT_THROW(TSelfUpdate::StartDetached(QStringLiteral("/nonexistent/kiosk-program"), {}), EOSError);
}
