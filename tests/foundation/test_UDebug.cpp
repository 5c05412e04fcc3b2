#include "UAppExceptions.h"
#include "UDebug.h"
#include "UTools.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

class EDetailed : public EappBase {
public:
    EDetailed(const QString& msg, const QString& details) : EappBase(msg), fDetails(details) { }
    KIOSK_EXCEPTION_CLASSNAME(EDetailed)
    QString MessageDetails() const override { return fDetails; }

private:
    QString fDetails;
};

QString todayName(const QString& dir)
{
    return QDir(dir).filePath(QStringLiteral("Qz-") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"));
}

QString myThreadHex()
{
    return QStringLiteral("%1").arg(quint32(::gettid()), 8, 16, QLatin1Char('0')).toUpper();
}

// The lines written after the header (the header is the first 7 blocks).
QStringList bodyLines(const QByteArray& content)
{
    QString text = QString::fromUtf8(content.startsWith(kBom) ? content.mid(3) : content);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    // header: "", dashes, App Info, OS Info, Device, Compil., dashes
    return lines.mid(7);
}

const QRegularExpression kLinePrefix(QStringLiteral(
    "^(DEBUG|INFO|WARN|ERROR|FATAL|\\?\\?) (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}):([0-9A-F]{8}):(.*)$"));

class LogFileTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString dir() const { return tmp.filePath(QStringLiteral("logs")); }
    QByteArray today() const { return testsupport::readAll(todayName(dir())); }
};

} // namespace

TEST_F(LogFileTest, HeaderAndLineByteForByte)
{
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    TLogFile log(dir(), ll_info, 10, QStringLiteral("d010000w64"), false);
    log.LogAdd(ll_info, QStringLiteral("TMain.Start: k\u00e9y=1"));
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);

    const QByteArray content = today();
    ASSERT_TRUE(content.startsWith(kBom));
    ASSERT_TRUE(content.endsWith("\r\n"));
    const QStringList lines = QString::fromUtf8(content.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 9);
    const QString dashes(86, QLatin1Char('-'));
    EXPECT_EQ(lines[0], QString());
    EXPECT_EQ(lines[1], dashes);
    EXPECT_EQ(lines[2], QStringLiteral("App Info: d010000w64"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^OS Info : .+ \\(Version \\d+\\.\\d+, Build \\d+, 64-bit Edition\\)$"))
                    .match(lines[3])
                    .hasMatch())
        << lines[3].toStdString();
    EXPECT_EQ(lines[4], QStringLiteral("Device  : ") + TAppTools::getDeviceDebugInfo());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Device  : PC( \\[.+\\])? \\([a-z]+(-[a-z]+)?\\)$")).match(lines[4]).hasMatch())
        << lines[4].toStdString();
    EXPECT_EQ(lines[5], QStringLiteral("Compil. : [GUI DISAPPEAR OPTIM] [BMP RES OPTIM] [BMP TEX OPTIM] [STYLECACHE OFF]"));
    EXPECT_EQ(lines[6], dashes);
    EXPECT_EQ(lines[8], QString());

    const auto m = kLinePrefix.match(lines[7]);
    ASSERT_TRUE(m.hasMatch()) << lines[7].toStdString();
    EXPECT_EQ(m.captured(1), QStringLiteral("INFO"));
    EXPECT_EQ(m.captured(3), myThreadHex());
    EXPECT_EQ(m.captured(4), QStringLiteral("TMain.Start: k\u00e9y=1"));
    const QDateTime stamp = QDateTime::fromString(m.captured(2), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    EXPECT_TRUE(stamp >= before && stamp <= after) << m.captured(2).toStdString();

    // The header is written once per run, even for the next lines.
    log.LogAdd(ll_warn, QStringLiteral("second"));
    const QStringList body = bodyLines(today());
    ASSERT_EQ(body.size(), 3);
    EXPECT_TRUE(body[1].startsWith(QStringLiteral("WARN ")));
    EXPECT_TRUE(body[1].endsWith(QStringLiteral(":second")));
}

TEST_F(LogFileTest, LevelRule)
{
    struct Case {
        const char* name;
        quint8 configured;
        bool debugMode;
        quint8 line;
        bool written;
    };
    const Case cases[] = {
        { "error config writes info", ll_error, false, ll_info, true },
        { "error config writes warn", ll_error, false, ll_warn, true },
        { "error config writes fatal", ll_error, false, ll_fatal, true },
        { "error config skips debug", ll_error, false, ll_debug, false },
        { "fatal config acts as info", ll_fatal, false, ll_info, true },
        { "info config skips debug", ll_info, false, ll_debug, false },
        { "debug config writes debug", ll_debug, false, ll_debug, true },
        { "debug mode writes debug whatever the level", ll_fatal, true, ll_debug, true },
        { "debug mode writes info", ll_error, true, ll_info, true },
        { "unnamed level 5 below info", ll_info, false, 5, false },
        { "unnamed level 200 written", ll_info, false, 200, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir t;
        TLogFile log(t.path(), TLogLevel(c.configured), 0, QString(), c.debugMode);
        log.LogAdd(TLogLevel(c.line), QStringLiteral("probe"));
        const QByteArray content = testsupport::readAll(todayName(t.path()));
        EXPECT_EQ(content.contains(":probe\r\n"), c.written);

        // The same through ChangeLevel on a log opened with another level.
        QTemporaryDir t2;
        TLogFile log2(t2.path(), ll_debug, 0, QString(), true);
        log2.ChangeLevel(TLogLevel(c.configured), c.debugMode);
        log2.LogAdd(TLogLevel(c.line), QStringLiteral("probe"));
        EXPECT_EQ(testsupport::readAll(todayName(t2.path())).contains(":probe\r\n"), c.written);
    }
}

TEST_F(LogFileTest, LevelTexts)
{
    EXPECT_EQ(TLogFile::logLevelToString(ll_debug), QStringLiteral("DEBUG"));
    EXPECT_EQ(TLogFile::logLevelToString(ll_info), QStringLiteral("INFO"));
    EXPECT_EQ(TLogFile::logLevelToString(ll_warn), QStringLiteral("WARN"));
    EXPECT_EQ(TLogFile::logLevelToString(ll_error), QStringLiteral("ERROR"));
    EXPECT_EQ(TLogFile::logLevelToString(ll_fatal), QStringLiteral("FATAL"));
    EXPECT_EQ(TLogFile::logLevelToString(TLogLevel(15)), QStringLiteral("??"));

    TLogFile log(dir(), ll_info, 0, QString(), false);
    log.LogAdd(TLogLevel(25), QStringLiteral("odd"));
    const QStringList body = bodyLines(today());
    ASSERT_GE(body.size(), 1);
    EXPECT_TRUE(body[0].startsWith(QStringLiteral("?? ")));
}

TEST_F(LogFileTest, RawLines)
{
    TLogFile log(dir(), ll_info, 0, QString(), false);
    log.LogAdd(ll_info, QStringLiteral("$$abc"));
    log.LogAdd(ll_info, QStringLiteral("$$  <TForm name=\"x\" />"));
    const EUser why(QStringLiteral("why"));
    log.LogAdd(ll_info, QStringLiteral("$$raw"), &why);
    log.LogAdd(ll_info, QStringLiteral("$x"));
    const QStringList body = bodyLines(today());
    ASSERT_EQ(body.size(), 6);
    EXPECT_EQ(body[0], QStringLiteral("abc"));
    EXPECT_EQ(body[1], QStringLiteral("  <TForm name=\"x\" />"));
    EXPECT_EQ(body[2], QStringLiteral("raw"));
    EXPECT_EQ(body[3], QStringLiteral("[EUser]why"));
    EXPECT_TRUE(body[4].startsWith(QStringLiteral("INFO ")));
    EXPECT_TRUE(body[4].endsWith(QStringLiteral(":$x")));
}

TEST_F(LogFileTest, ExceptionChainInLines)
{
    TLogFile log(dir(), ll_info, 0, QString(), false);
    EUser outer(QStringLiteral("Outer problem"));
    try {
        throw ESystem(QStringLiteral("disk gone"));
    } catch (...) {
        outer.SetInnerException(std::current_exception());
    }
    log.LogAdd(ll_error, QStringLiteral("X.y"), &outer);
    log.LogAdd(ll_error, QString(), &outer);
    const std::runtime_error plain("plain failure");
    log.LogAdd(ll_fatal, QStringLiteral("main"), &plain);

    const QStringList body = bodyLines(today());
    ASSERT_EQ(body.size(), 8);
    EXPECT_TRUE(body[0].startsWith(QStringLiteral("ERROR ")));
    EXPECT_TRUE(body[0].endsWith(QStringLiteral(":") + myThreadHex() + QStringLiteral(":X.y")));
    EXPECT_EQ(body[1], QStringLiteral("[EUser]Outer problem"));
    EXPECT_EQ(body[2], QStringLiteral("[ESystem]disk gone"));
    // An empty message: the exception text follows the thread id directly.
    EXPECT_TRUE(body[3].endsWith(myThreadHex() + QStringLiteral(":[EUser]Outer problem"))) << body[3].toStdString();
    EXPECT_EQ(body[4], QStringLiteral("[ESystem]disk gone"));
    EXPECT_TRUE(body[5].endsWith(QStringLiteral(":main")));
    EXPECT_EQ(body[6], QStringLiteral("[std::runtime_error]plain failure"));
}

TEST(LogExceptionText, PerDestination)
{
    EDetailed inner2(QStringLiteral("deepest"), QStringLiteral("inner details"));
    ESystem inner1(QStringLiteral("middle"));
    try {
        throw inner2;
    } catch (...) {
        inner1.SetInnerException(std::current_exception());
    }
    EDetailed outer(QStringLiteral("top"), QStringLiteral("top details"));
    try {
        throw inner1;
    } catch (...) {
        outer.SetInnerException(std::current_exception());
    }
    struct Case {
        const char* name;
        TQzLogDest dest;
        bool forDebug;
        QString expected;
    };
    const Case cases[] = {
        { "message box", TQzLogDest::MsgBox, false, QStringLiteral("top") },
        { "message box for debug", TQzLogDest::MsgBox, true, QStringLiteral("top\r\nmiddle\r\ndeepest\r\ninner details") },
        { "event log", TQzLogDest::EventLog, false,
            QStringLiteral("[EDetailed]top\r\n[ESystem]middle\r\n[EDetailed]deepest\r\ninner details") },
        { "file log", TQzLogDest::FileLog, false,
            QStringLiteral("[EDetailed]top\r\ntop details\r\n[ESystem]middle\r\n[EDetailed]deepest\r\ninner details") },
        { "file log ignores the debug flag", TQzLogDest::FileLog, true,
            QStringLiteral("[EDetailed]top\r\ntop details\r\n[ESystem]middle\r\n[EDetailed]deepest\r\ninner details") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TLogFile::exceptionToString(outer, c.dest, c.forDebug), c.expected);
    }
}

TEST_F(LogFileTest, NoFolderWritesNothing)
{
    for (const QString& path : { QString(), QStringLiteral("none") }) {
        SCOPED_TRACE(path.toStdString());
        TLogFile log(path, ll_debug, 3, QString(), true);
        log.LogAdd(ll_fatal, QStringLiteral("lost"));
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("none")));
        QByteArray data("abc");
        QBuffer buf(&data);
        buf.open(QIODevice::ReadOnly);
        log.DumpInFile(ll_fatal, buf, QStringLiteral("dump"));
    }
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("none"))));
}

TEST_F(LogFileTest, UnwritableFolderNeverRaisesAndHeaderWaits)
{
    // A regular file where a folder is expected: creating the log folder
    // fails for every user, root included.
    const QString blocker = tmp.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(testsupport::writeAll(blocker, "x"));
    const QString logDir = blocker + QStringLiteral("/logs");
    TLogFile log(logDir, ll_debug, 3, QStringLiteral("info"), false);
    EXPECT_NO_THROW(log.LogAdd(ll_error, QStringLiteral("first")));
    const EUser e(QStringLiteral("e"));
    EXPECT_NO_THROW(log.LogAdd(ll_error, QStringLiteral("with ex"), &e));
    EXPECT_THROW(log.logFileName(QDateTime::currentDateTime()), Exception);
    try {
        log.logFileName(QDateTime::currentDateTime());
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TLogFile.logFileName failure on path \"") + logDir + QStringLiteral("\""));
    }

    // Once the folder can be made, the header comes first, then the line.
    ASSERT_TRUE(QFile::remove(blocker));
    log.LogAdd(ll_error, QStringLiteral("second"));
    const QByteArray content = testsupport::readAll(todayName(logDir));
    ASSERT_TRUE(content.startsWith(kBom + "\r\n" + QByteArray(86, '-')));
    EXPECT_FALSE(content.contains(":first"));
    const QStringList body = bodyLines(content);
    ASSERT_EQ(body.size(), 2);
    EXPECT_TRUE(body[0].endsWith(QStringLiteral(":second")));
}

TEST_F(LogFileTest, ExistingDayFileGetsHeaderWithoutRotation)
{
    ASSERT_TRUE(QDir().mkpath(dir()));
    ASSERT_TRUE(testsupport::writeAll(todayName(dir()), kBom + "earlier run\r\n"));
    ASSERT_TRUE(testsupport::writeAll(QDir(dir()).filePath(QStringLiteral("Qz-20000101.log")), "old"));
    TLogFile log(dir(), ll_info, 1, QStringLiteral("app"), false);
    log.LogAdd(ll_info, QStringLiteral("again"));
    const QByteArray content = today();
    EXPECT_TRUE(content.startsWith(kBom + "earlier run\r\n\r\n" + QByteArray(86, '-') + "\r\nApp Info: app\r\n"));
    EXPECT_EQ(content.count(kBom), 1);
    EXPECT_TRUE(content.endsWith(":again\r\n"));
    EXPECT_TRUE(QFileInfo::exists(QDir(dir()).filePath(QStringLiteral("Qz-20000101.log"))));
}

TEST_F(LogFileTest, RotationKeepsCountAndLeavesForeignLogs)
{
    ASSERT_TRUE(QDir().mkpath(dir()));
    QDir d(dir());
    for (int day = 1; day <= 6; ++day)
        ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Qz-2000010%1.log").arg(day)), "x"));
    // A side file sorts before its day's own file.
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Qz-20000101-soap.log")), "x"));
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("aaa.log")), "foreign"));
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Ab.log")), "foreign"));
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("2019.log")), "foreign"));
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Xz-19990101.log")), "foreign"));
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Qz-19990101.txt")), "foreign"));

    TLogFile log(dir(), ll_info, 7, QString(), false);
    log.LogAdd(ll_info, QStringLiteral("new day"));

    const QStringList own = d.entryList({ QStringLiteral("Qz-*.log") }, QDir::Files, QDir::Name);
    EXPECT_EQ(own.size(), 7);
    EXPECT_FALSE(own.contains(QStringLiteral("Qz-20000101-soap.log")));
    EXPECT_TRUE(own.contains(QStringLiteral("Qz-20000101.log")));
    EXPECT_TRUE(own.contains(QFileInfo(todayName(dir())).fileName()));
    EXPECT_TRUE(d.exists(QStringLiteral("aaa.log")));
    EXPECT_TRUE(d.exists(QStringLiteral("Ab.log")));
    EXPECT_TRUE(d.exists(QStringLiteral("2019.log")));
    EXPECT_TRUE(d.exists(QStringLiteral("Xz-19990101.log")));
    EXPECT_TRUE(d.exists(QStringLiteral("Qz-19990101.txt")));

    // With fewer files than the count nothing more goes.
    TLogFile log2(dir(), ll_info, 20, QString(), false);
    ASSERT_TRUE(QFile::remove(todayName(dir())));
    log2.LogAdd(ll_info, QStringLiteral("again"));
    EXPECT_EQ(d.entryList({ QStringLiteral("Qz-*.log") }, QDir::Files).size(), 7);
}

TEST_F(LogFileTest, RotationDisabledKeepsEverything)
{
    ASSERT_TRUE(QDir().mkpath(dir()));
    QDir d(dir());
    for (int day = 1; day <= 5; ++day)
        ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Qz-2000010%1.log").arg(day)), "x"));
    TLogFile log(dir(), ll_info, 0, QString(), false);
    log.LogAdd(ll_info, QStringLiteral("line"));
    EXPECT_EQ(d.entryList({ QStringLiteral("Qz-*.log") }, QDir::Files).size(), 6);
}

TEST_F(LogFileTest, UndeletableOldLogDoesNotStopTodaysLines)
{
    ASSERT_TRUE(QDir().mkpath(dir()));
    QDir d(dir());
    // An entry that cannot be deleted as a file: a folder with that name.
    ASSERT_TRUE(d.mkpath(QStringLiteral("Qz-19990101.log/inside")));
    ASSERT_TRUE(testsupport::writeAll(d.filePath(QStringLiteral("Qz-20000101.log")), "x"));
    TLogFile log(dir(), ll_info, 2, QString(), false);
    log.LogAdd(ll_info, QStringLiteral("still written"));
    EXPECT_TRUE(today().contains(":still written\r\n"));
    EXPECT_TRUE(d.exists(QStringLiteral("Qz-19990101.log/inside")));
}

TEST_F(LogFileTest, DayFileDeletedOrEmptiedFromOutsideIsStartedAgain)
{
    TLogFile log(dir(), ll_info, 0, QStringLiteral("app"), false);
    log.LogAdd(ll_info, QStringLiteral("first"));
    ASSERT_TRUE(today().endsWith(":first\r\n"));

    // Deleted between two lines: the next line makes a new file of its own,
    // with its byte-order mark (the header belongs to the run's first file).
    ASSERT_TRUE(QFile::remove(todayName(dir())));
    log.LogAdd(ll_info, QStringLiteral("second"));
    QByteArray content = today();
    ASSERT_TRUE(content.startsWith(kBom)) << content.toStdString();
    QStringList lines = QString::fromUtf8(content.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(":second")));

    // The whole folder gone: made again.
    ASSERT_TRUE(QDir(dir()).removeRecursively());
    log.LogAdd(ll_info, QStringLiteral("third"));
    content = today();
    EXPECT_TRUE(content.startsWith(kBom));
    EXPECT_TRUE(content.endsWith(":third\r\n"));

    // Emptied in place: the byte-order mark comes first again.
    ASSERT_TRUE(testsupport::writeAll(todayName(dir()), QByteArray()));
    log.LogAdd(ll_info, QStringLiteral("fourth"));
    content = today();
    EXPECT_TRUE(content.startsWith(kBom));
    EXPECT_EQ(content.count(kBom), 1);
    EXPECT_TRUE(content.endsWith(":fourth\r\n"));
}

TEST_F(LogFileTest, ConcurrentLinesNeverInterleave)
{
    constexpr int kThreads = 8;
    constexpr int kLines = 10000;
    TLogFile log(dir(), ll_info, 0, QStringLiteral("threads"), false);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i)
                log.LogAdd(ll_info, QStringLiteral("TWorker.Run: thread %1 line %2 payload-payload-payload").arg(t).arg(i));
        });
    }
    for (auto& th : threads)
        th.join();

    const QByteArray content = today();
    EXPECT_EQ(content.count(kBom), 1);
    EXPECT_EQ(content.count(QByteArray(86, '-')), 2);
    QStringList body = bodyLines(content);
    ASSERT_EQ(body.takeLast(), QString());
    ASSERT_EQ(body.size(), kThreads * kLines);
    const QRegularExpression msg(QStringLiteral("^TWorker\\.Run: thread (\\d) line (\\d+) payload-payload-payload$"));
    std::vector<int> next(kThreads, 0);
    std::vector<QString> tids(kThreads);
    for (const QString& line : body) {
        const auto m = kLinePrefix.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        const auto mm = msg.match(m.captured(4));
        ASSERT_TRUE(mm.hasMatch()) << line.toStdString();
        const int t = mm.captured(1).toInt();
        // Each thread's lines arrive whole and in order, under one thread id.
        ASSERT_EQ(mm.captured(2).toInt(), next[t]);
        ++next[t];
        if (tids[t].isEmpty())
            tids[t] = m.captured(3);
        ASSERT_EQ(tids[t], m.captured(3));
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(next[t], kLines);
}

TEST_F(LogFileTest, DumpInFile)
{
    TLogFile log(dir(), ll_info, 1, QString(), false);
    QByteArray data("<soap>request \xc3\xa9</soap>\n");
    QBuffer buf(&data);
    ASSERT_TRUE(buf.open(QIODevice::ReadOnly));
    ASSERT_TRUE(buf.seek(5));
    log.DumpInFile(ll_info, buf, QStringLiteral("soap"));
    const QString side = QDir(dir()).filePath(
        QStringLiteral("Qz-") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("-soap.log"));
    EXPECT_EQ(testsupport::readAll(side), data);
    EXPECT_EQ(buf.pos(), 5);
    // No header, no day file, no rotation.
    EXPECT_FALSE(QFileInfo::exists(todayName(dir())));

    // Replaced, not appended.
    QByteArray shorter("short");
    QBuffer buf2(&shorter);
    ASSERT_TRUE(buf2.open(QIODevice::ReadOnly));
    log.DumpInFile(ll_warn, buf2, QStringLiteral("soap"));
    EXPECT_EQ(testsupport::readAll(side), shorter);

    // Below the level: nothing.
    log.DumpInFile(ll_debug, buf2, QStringLiteral("debugonly"));
    EXPECT_EQ(QDir(dir()).entryList({ QStringLiteral("*debugonly*") }, QDir::Files).size(), 0);

    // A suffix that would leave the folder is refused and reported at FATAL.
    log.DumpInFile(ll_info, buf2, QStringLiteral("../escape"));
    EXPECT_EQ(QDir(tmp.path()).entryList({ QStringLiteral("*escape*") }, QDir::Files).size(), 0);
    const QStringList body = bodyLines(today());
    ASSERT_GE(body.size(), 2);
    EXPECT_TRUE(body[0].startsWith(QStringLiteral("FATAL ")));
    EXPECT_TRUE(body[0].endsWith(QStringLiteral(":TLogFile.DumpInFile")));
    EXPECT_TRUE(body[1].startsWith(QStringLiteral("[Exception]TLogFile.DumpInFile: invalid file suffix")));
}

// An exception whose details log: composing its text logs from inside the log.
class ELoggingDetails : public EappBase {
public:
    using EappBase::EappBase;
    KIOSK_EXCEPTION_CLASSNAME(ELoggingDetails)
    QString MessageDetails() const override
    {
        LogWarn(QStringLiteral("details asked"));
        return QStringLiteral("the details");
    }
};

class GlobalLogTest : public ::testing::Test {
protected:
    void TearDown() override { TLogFile::GlobalClose(); }
    QTemporaryDir tmp;
};

TEST_F(GlobalLogTest, ClosedLogIgnoresEverything)
{
    TLogFile::GlobalClose();
    EXPECT_EQ(TLogFile::GlobalLogLevel(), ll_info);
    EXPECT_FALSE(LogIsDebug());
    EXPECT_NO_THROW(LogFatal(QStringLiteral("nobody listens")));
    // Not even a bad format is looked at.
    EXPECT_NO_THROW(LogFatalFmt(QStringLiteral("%d"), { QStringLiteral("text") }));
    EXPECT_NO_THROW(TLogFile::GlobalChangeLevel(ll_debug, true));
    EXPECT_EQ(TLogFile::GlobalLogLevel(), ll_info);
    EXPECT_EQ(TLogFile::Global(), nullptr);
}

TEST_F(GlobalLogTest, LevelFunctionsAndFormats)
{
    TLogFile::GlobalOpen(tmp.path(), ll_error, 5, QStringLiteral("app"), false);
    EXPECT_EQ(TLogFile::GlobalLogLevel(), ll_info);
    EXPECT_FALSE(LogIsDebug());
    EXPECT_THROW(TLogFile::GlobalOpen(tmp.path(), ll_info, 5, QString(), false), Exception);
    try {
        TLogFile::GlobalOpen(tmp.path(), ll_info, 5, QString(), false);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TLogFile.GlobalOpen: already opened"));
    }

    LogDebug(QStringLiteral("hidden"));
    // Below the level the arguments are never formatted, so a bad format
    // costs nothing; above it, it raises to the caller.
    EXPECT_NO_THROW(LogDebugFmt(QStringLiteral("%d"), { QStringLiteral("text") }));
    EXPECT_THROW(LogInfoFmt(QStringLiteral("%d"), { QStringLiteral("text") }), EConvertError);
    LogInfoFmt(QStringLiteral("%s starting (%s)..."), { QStringLiteral("Brindlewick"), QStringLiteral("1.0.0.0") });
    LogWarn(QStringLiteral("w"));
    LogErrorFmt(QStringLiteral("E%03d"), { 7 }, EUser(QStringLiteral("u")));
    LogFatal(QStringLiteral("main"), ESystem(QStringLiteral("s")));

    TLogFile::GlobalChangeLevel(ll_error, true);
    EXPECT_TRUE(LogIsDebug());
    LogDebugFmt(QStringLiteral("now %s"), { QStringLiteral("visible") });

    const QStringList body = bodyLines(testsupport::readAll(todayName(tmp.path())));
    ASSERT_EQ(body.size(), 8);
    EXPECT_TRUE(body[0].startsWith(QStringLiteral("INFO ")) && body[0].endsWith(QStringLiteral(":Brindlewick starting (1.0.0.0)...")));
    EXPECT_TRUE(body[1].startsWith(QStringLiteral("WARN ")) && body[1].endsWith(QStringLiteral(":w")));
    EXPECT_TRUE(body[2].startsWith(QStringLiteral("ERROR ")) && body[2].endsWith(QStringLiteral(":E007")));
    EXPECT_EQ(body[3], QStringLiteral("[EUser]u"));
    EXPECT_TRUE(body[4].startsWith(QStringLiteral("FATAL ")) && body[4].endsWith(QStringLiteral(":main")));
    EXPECT_EQ(body[5], QStringLiteral("[ESystem]s"));
    EXPECT_TRUE(body[6].startsWith(QStringLiteral("DEBUG ")) && body[6].endsWith(QStringLiteral(":now visible")));

    QByteArray data("dump");
    QBuffer buf(&data);
    ASSERT_TRUE(buf.open(QIODevice::ReadOnly));
    TLogFile::GlobalDumpInFile(ll_info, buf, QStringLiteral("g"));
    EXPECT_EQ(QDir(tmp.path()).entryList({ QStringLiteral("Qz-*-g.log") }, QDir::Files).size(), 1);

    TLogFile::GlobalClose();
    EXPECT_EQ(TLogFile::GlobalLogLevel(), ll_info);
    EXPECT_NO_THROW(TLogFile::GlobalClose());
}

TEST_F(GlobalLogTest, LoggingWhileComposingALineDoesNotDeadlock)
{
    TLogFile::GlobalOpen(tmp.path(), ll_info, 0, QString(), false);
    LogError(QStringLiteral("TTask.Run"), ELoggingDetails(QStringLiteral("failed")));
    LogInfo(QStringLiteral("after"));
    const QStringList body = bodyLines(testsupport::readAll(todayName(tmp.path())));
    ASSERT_EQ(body.size(), 5);
    EXPECT_TRUE(body[0].endsWith(QStringLiteral(":TTask.Run")));
    EXPECT_EQ(body[1], QStringLiteral("[ELoggingDetails]failed"));
    EXPECT_EQ(body[2], QStringLiteral("the details"));
    EXPECT_TRUE(body[3].endsWith(QStringLiteral(":after")));
}
