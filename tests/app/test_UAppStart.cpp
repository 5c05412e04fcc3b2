#include "AppTestSupport.h"
#include "LogCapture.h"
#include "UAppStart.h"

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>

TEST(AppStart, ExceptRecordToStrTable)
{
    char buf[200];
    EXPECT_EQ(QString::fromLatin1(buf, int(ExceptRecordToStr(SIGSEGV, nullptr, buf, sizeof buf))), QStringLiteral("nil"));

    siginfo_t info {};
    info.si_signo = SIGSEGV;
    info.si_code = SEGV_MAPERR;
    info.si_addr = reinterpret_cast<void*>(0x10);
    ExceptRecordToStr(SIGSEGV, &info, buf, sizeof buf);
    EXPECT_STREQ(buf, "code: 0000000B, signal: SIGSEGV, si_code: 1, address: 0x0000000000000010");

    // A fault while a description is being built is described as "??".
    {
        TExceptDescriptionGuard busy;
        ASSERT_TRUE(busy.Acquired());
        ExceptRecordToStr(SIGSEGV, &info, buf, sizeof buf);
        EXPECT_STREQ(buf, "??");
    }
    // A short buffer is cut, never overrun.
    char tiny[8];
    EXPECT_EQ(ExceptRecordToStr(SIGBUS, &info, tiny, sizeof tiny), 7u);
    EXPECT_STREQ(tiny, "code: 0");
}

// Runs in the child process started by the next test: opens a log in the
// folder it was given, installs the hook and faults.
TEST(AppStart, CrashChild)
{
    const QByteArray dir = qgetenv("KIOSK_CRASH_CHILD_LOG");
    if (dir.isEmpty())
        GTEST_SKIP() << "runs only as the child of FaultWritesOneFatalLine";
    TLogFile::GlobalOpen(QString::fromLocal8Bit(dir), ll_info, 0, QStringLiteral("crash"), false);
    LogInfo(QStringLiteral("child ready"));
    TFatalSignalHook::Install();
    // raise, not a null store: the undefined-behaviour checker of the
    // test build would stop a null store before it faults.
    ::raise(SIGSEGV);
}

TEST(AppStart, FaultWritesOneFatalLine)
{
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIOSK_CRASH_CHILD_LOG"), dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--gtest_filter=AppStart.CrashChild") });
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_FALSE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
    QString log;
    for (const QString& name : QDir(dir.path()).entryList({ QStringLiteral("*.log") }))
        log += QString::fromUtf8(testsupport::readAll(dir.filePath(name)));
    EXPECT_TRUE(log.contains(QStringLiteral("child ready")));
    const QString fatal = QStringLiteral("ZebgetExceptionProc: os exception created(code: 0000000B, signal: SIGSEGV");
    EXPECT_EQ(log.count(fatal), 1) << log.toStdString();
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("\nFATAL \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}:[0-9A-F]{8}:ZebgetExceptionProc"))));
}

TEST(AppStart, QtMessagesReachTheLog)
{
    LogCapture logs;
    qInstallMessageHandler(RuntimeLogHook);
    qWarning("toolkit says %d", 42);
    qInstallMessageHandler(nullptr);
    EXPECT_TRUE(logs.Text().contains(QStringLiteral("toolkit says 42")));
}

class StartLog : public MainNaviTest { };

TEST_F(StartLog, DebugModeShowsTheStartLineBeforeTheWindowsCreation)
{
    for (bool debug : { true, false }) {
        SCOPED_TRACE(debug ? "debug mode" : "info level");
        QTemporaryDir logDir;
        fCfg->SetDebugMode(debug);
        TLogFile::GlobalOpen(logDir.path(), ll_info, 0, QStringLiteral("test"), fCfg->DebugMode());
        KioskLogStarting();
        {
            TMainNavi w(fCfg.get());
        }
        TLogFile::GlobalClose();
        QString log;
        for (const QString& name : QDir(logDir.path()).entryList({ QStringLiteral("*.log") }))
            log += QString::fromUtf8(testsupport::readAll(logDir.filePath(name)));
        const QString start = TAppTools::GetAppNameStr() + QStringLiteral(" starting (") + TAppTools::GetAppVersionStr()
            + QStringLiteral(")...");
        const qsizetype startAt = log.indexOf(start);
        const qsizetype createAt = log.indexOf(QStringLiteral("TMainNavi.FormCreate"));
        if (debug) {
            EXPECT_GE(startAt, 0);
            EXPECT_GT(createAt, startAt);
        } else {
            EXPECT_LT(startAt, 0);
            EXPECT_LT(createAt, 0);
        }
    }
}
