#include "UDebug.h"

#include "UAppExceptions.h"
#include "UFormat.h"
#include "UTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSysInfo>
#include <QVersionNumber>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcLogFile, "kiosk.logfile")

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNoFile = QStringLiteral("none");
const QString kSixSpaces = QStringLiteral("      ");

std::atomic<TLogFile*> gLog { nullptr };

// Set while the calling thread composes or writes a line. Composing may call
// code that logs in turn (an exception's details, the device description of
// the header); such a nested line would wait forever for the lock its own
// thread holds, so it goes to the platform's debug output instead.
thread_local bool tInsideLogAdd = false;

// Closes the global log at the very end of the process, after everything
// else that may log has gone.
struct TLogFinalizer {
    ~TLogFinalizer() { TLogFile::GlobalClose(); }
} gLogFinalizer;

// The kernel's id of the calling thread as 8 upper-case hex digits: short,
// unique while the thread lives, and the one that system tools (top -H, gdb)
// show. Worked out once per thread.
const char* threadIdHex()
{
    thread_local const std::array<char, 9> hex = [] {
        std::array<char, 9> h {};
        std::snprintf(h.data(), h.size(), "%08X", static_cast<unsigned>(::gettid()));
        return h;
    }();
    return hex.data();
}

const char* levelName(TLogLevel level)
{
    switch (quint8(level)) {
    case ll_debug:
        return "DEBUG";
    case ll_info:
        return "INFO";
    case ll_warn:
        return "WARN";
    case ll_error:
        return "ERROR";
    case ll_fatal:
        return "FATAL";
    default:
        return "??";
    }
}

// "LEVEL yyyy-MM-dd HH:mm:ss.zzz:TTTTTTTT:" of a line.
QByteArray linePrefix(TLogLevel level, const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    char buf[96];
    const int n = std::snprintf(buf, sizeof buf, "%s %04d-%02d-%02d %02d:%02d:%02d.%03d:%s:",
                                levelName(level), d.year(), d.month(), d.day(),
                                t.hour(), t.minute(), t.second(), t.msec(), threadIdHex());
    return QByteArray(buf, std::clamp(n, 0, int(sizeof buf) - 1));
}

QString osDescription()
{
    const QVersionNumber kernel = QVersionNumber::fromString(QSysInfo::kernelVersion());
    return QStringLiteral("%1 (Version %2.%3, Build %4, %5-bit Edition)")
        .arg(QSysInfo::prettyProductName())
        .arg(kernel.majorVersion())
        .arg(kernel.minorVersion())
        .arg(kernel.microVersion())
        .arg(QSysInfo::WordSize);
}

quint8 applyLevelRule(TLogLevel level, bool debugMode)
{
    if (debugMode)
        return ll_debug;
    return quint8(level) > quint8(ll_info) ? quint8(ll_info) : quint8(level);
}

bool writesNoFile(const QString& path)
{
    return path.isEmpty() || path == kNoFile;
}

// A side-file suffix becomes part of a file name: it must not leave the log
// folder.
bool isSafeSuffix(const QString& suffix)
{
    return !suffix.contains(QLatin1Char('/')) && !suffix.contains(QLatin1Char('\\')) && !suffix.contains(QLatin1String(".."))
        && !suffix.contains(QChar(0));
}

} // namespace

void LogPlatformDebugOutput(const QString& text)
{
    qCDebug(lcLogFile).noquote() << text;
}

TLogFile::TLogFile(const QString& path, TLogLevel level, qint32 fileCount, const QString& appInfo, bool debugMode)
    : fLogFilePath(path)
    , fLogLevel(applyLevelRule(level, debugMode))
    , fLogFileCount(fileCount)
    , fAppInfo(appInfo)
    , fDebugMode(debugMode)
{
}

TLogFile::~TLogFile()
{
    closeFile();
}

void TLogFile::ChangeLevel(TLogLevel level, bool debugMode)
{
    fDebugMode.store(debugMode, std::memory_order_relaxed);
    fLogLevel.store(applyLevelRule(level, debugMode), std::memory_order_relaxed);
}

QString TLogFile::logLevelToString(TLogLevel level)
{
    return QString::fromLatin1(levelName(level));
}

QString TLogFile::exceptionToString(const std::exception& ex, TQzLogDest logDest, bool bForDebug)
{
    auto details = [](const std::exception& e) -> QString {
        if (const auto* app = dynamic_cast<const EappBase*>(&e))
            return app->MessageDetails();
        return QString();
    };
    auto bracketed = [](const std::exception& e) {
        return QLatin1Char('[') + ExceptionClassName(e) + QLatin1Char(']') + ExceptionMessage(e);
    };

    QString text;
    switch (logDest) {
    case TQzLogDest::MsgBox:
        text = ExceptionMessage(ex);
        break;
    case TQzLogDest::EventLog:
        text = bracketed(ex);
        break;
    case TQzLogDest::FileLog: {
        text = bracketed(ex);
        const QString d = details(ex);
        if (!d.isEmpty())
            text += kCrLf + d;
        break;
    }
    }

    const bool withInner = logDest != TQzLogDest::MsgBox || bForDebug;
    if (!withInner)
        return text;

    // Follow the chain of causes. The depth cap guards against a chain that
    // loops back on itself.
    const std::exception* current = &ex;
    for (int depth = 0; depth < 64; ++depth) {
        const auto* own = dynamic_cast<const Exception*>(current);
        if (!own)
            break;
        const std::exception* inner = ExceptionFromPtr(own->InnerException());
        if (!inner)
            break;
        text += kCrLf + (logDest == TQzLogDest::MsgBox ? ExceptionMessage(*inner) : bracketed(*inner));
        const QString d = details(*inner);
        if (!d.isEmpty())
            text += kCrLf + d;
        current = inner;
    }
    return text;
}

QString TLogFile::HeaderText() const
{
    const QString dashes(86, QLatin1Char('-'));
    QString h;
    h += kCrLf;
    h += dashes + kCrLf;
    h += QStringLiteral("App Info: ") + fAppInfo + kCrLf;
    h += QStringLiteral("OS Info : ") + osDescription() + kCrLf;
    h += QStringLiteral("Device  : ") + TAppTools::getDeviceDebugInfo() + kCrLf;
    h += QStringLiteral("Compil. :") + QStringLiteral(" [GUI DISAPPEAR OPTIM]") + QStringLiteral(" [BMP RES OPTIM]")
        + QStringLiteral(" [BMP TEX OPTIM]") + QStringLiteral(" [STYLECACHE OFF]") + kCrLf;
    h += dashes;
    return h;
}

void TLogFile::LogAdd(TLogLevel level, const QString& msg, const std::exception* ex)
{
    if (quint8(level) < fLogLevel.load(std::memory_order_relaxed))
        return;
    if (tInsideLogAdd) {
        LogPlatformDebugOutput(logLevelToString(level) + QStringLiteral(" (nested): ") + msg);
        return;
    }
    struct InsideScope {
        InsideScope() { tInsideLogAdd = true; }
        ~InsideScope() { tInsideLogAdd = false; }
    } inside;
    try {
        // The line is composed before taking the lock: threads only wait for
        // each other's writes.
        const QDateTime now = QDateTime::currentDateTime();
        QByteArray line;
        if (msg.startsWith(QLatin1String("$$")))
            line = QStringView(msg).mid(2).toUtf8();
        else
            line = linePrefix(level, now) + msg.toUtf8();
        if (ex) {
            if (!msg.isEmpty())
                line += "\r\n";
            line += exceptionToString(*ex, TQzLogDest::FileLog, fDebugMode.load(std::memory_order_relaxed)).toUtf8();
        }
        line += "\r\n";
        std::lock_guard<std::mutex> lock(fFileSync);
        logWrite(now.date(), line);
    } catch (const std::exception& e) {
        LogPlatformDebugOutput(QStringLiteral("LOGERROR: ") + ExceptionMessage(e) + QLatin1Char('.') + kSixSpaces);
    } catch (...) {
        LogPlatformDebugOutput(QStringLiteral("LOGERROR: unknown failure.") + kSixSpaces);
    }
}

QString TLogFile::logFileName(const QDateTime& when) const
{
    if (writesNoFile(fLogFilePath))
        return QString();
    if (!QDir().mkpath(fLogFilePath))
        throw Exception(QStringLiteral("TLogFile.logFileName failure on path \"%1\"").arg(fLogFilePath));
    return QDir(fLogFilePath).filePath(QStringLiteral("Qz-") + when.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"));
}

void TLogFile::logWrite(const QDate& day, const QByteArray& line)
{
    if (writesNoFile(fLogFilePath))
        return;
    ensureOpen(day);
    if (!fStarted) {
        LogPlatformDebugOutput(QStringLiteral("DEBUG: logfile=") + fFileName + QLatin1Char('.') + kSixSpaces);
        writeBlock(HeaderText().toUtf8() + "\r\n");
        // Only a header that reached the file counts; otherwise the next
        // line tries again.
        fStarted = true;
    }
    writeBlock(line);
}

void TLogFile::ensureOpen(const QDate& day)
{
    if (fFile >= 0) {
        // One fstat per line notices a file deleted from outside (no links
        // left) and one emptied from outside (it gets its byte-order mark
        // again).
        struct stat st {};
        if (day == fFileDay && ::fstat(fFile, &st) == 0 && st.st_nlink > 0) {
            fFileEmpty = st.st_size == 0;
            return;
        }
        closeFile();
    }
    const QString fileName = logFileName(QDateTime(day, QTime(0, 0)));
    if (!QFileInfo::exists(fileName))
        logRotate();
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, qt_error_string(errno)));
    struct stat st {};
    fFileEmpty = ::fstat(fd, &st) == 0 && st.st_size == 0;
    fFile = fd;
    fFileName = fileName;
    fFileDay = day;
}

void TLogFile::closeFile()
{
    if (fFile >= 0)
        ::close(fFile);
    fFile = -1;
}

void TLogFile::writeBlock(const QByteArray& text)
{
    auto writeAll = [this](const char* data, qsizetype size) {
        while (size > 0) {
            const ssize_t n = ::write(fFile, data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const QString reason = qt_error_string(n < 0 ? errno : ENOSPC);
                closeFile();
                throw EStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fFileName, reason));
            }
            data += n;
            size -= n;
        }
    };
    if (fFileEmpty) {
        writeAll("\xEF\xBB\xBF", 3);
        fFileEmpty = false;
    }
    writeAll(text.constData(), text.size());
}

void TLogFile::logRotate() const
{
    if (fLogFileCount <= 0)
        return;
    QDir dir(fLogFilePath);
    if (!dir.exists())
        return;
    // Only this log's own files: other programs' ".log" files in a shared
    // folder are none of our business.
    const QStringList names = dir.entryList({ QStringLiteral("Qz-*.log") },
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& n : names) {
        if (n.startsWith(QLatin1String("Qz-")) && n.endsWith(QLatin1String(".log")))
            paths << dir.filePath(n);
    }
    if (paths.size() < fLogFileCount)
        return;
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    const qsizetype toDelete = paths.size() - fLogFileCount + 1;
    for (qsizetype i = 0; i < toDelete; ++i) {
        QFile f(paths[i]);
        // A file that cannot go (permissions, removed meanwhile) must not
        // cost today's lines: it is reported and the write goes on.
        if (!f.remove() && QFileInfo::exists(paths[i])) {
            LogPlatformDebugOutput(QStringLiteral("LOGERROR: TLogFile.logRotate: can't delete file '%1': %2.")
                                       .arg(paths[i], f.errorString())
                + kSixSpaces);
        }
    }
}

void TLogFile::DumpInFile(TLogLevel level, QIODevice& stream, const QString& suffix)
{
    if (quint8(level) < fLogLevel.load(std::memory_order_relaxed) || writesNoFile(fLogFilePath))
        return;
    try {
        if (!QDir().mkpath(fLogFilePath))
            throw Exception(QStringLiteral("TLogFile.DumpInFile failure on path \"%1\"").arg(fLogFilePath));
        if (!isSafeSuffix(suffix))
            throw Exception(QStringLiteral("TLogFile.DumpInFile: invalid file suffix '%1'").arg(suffix));
        const QString fileName = QDir(fLogFilePath).filePath(QStringLiteral("Qz-")
            + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('-') + suffix + QStringLiteral(".log"));
        if (stream.isSequential() || !stream.isReadable())
            throw EStreamError(QStringLiteral("TLogFile.DumpInFile: stream cannot be read from its start"));
        const qint64 savedPos = stream.pos();
        struct Restore {
            QIODevice& s;
            qint64 pos;
            ~Restore() { s.seek(pos); }
        } restore { stream, savedPos };
        if (!stream.seek(0))
            throw EStreamError(QStringLiteral("TLogFile.DumpInFile: stream cannot be read from its start"));
        QSaveFile out(fileName);
        if (!out.open(QIODevice::WriteOnly))
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, out.errorString()));
        char buffer[65536];
        for (;;) {
            const qint64 n = stream.read(buffer, sizeof buffer);
            if (n < 0)
                throw EStreamError(QStringLiteral("TLogFile.DumpInFile: stream read error"));
            if (n == 0)
                break;
            if (out.write(buffer, n) != n)
                throw EStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, out.errorString()));
        }
        if (!out.commit())
            throw EStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, out.errorString()));
    } catch (const std::exception& e) {
        LogAdd(ll_fatal, QStringLiteral("TLogFile.DumpInFile"), &e);
    }
}

void TLogFile::GlobalOpen(const QString& path, TLogLevel level, qint32 fileCount, const QString& appInfo, bool debugMode)
{
    if (gLog.load())
        throw Exception(QStringLiteral("TLogFile.GlobalOpen: already opened"));
    auto* log = new TLogFile(path, level, fileCount, appInfo, debugMode);
    TLogFile* expected = nullptr;
    if (!gLog.compare_exchange_strong(expected, log)) {
        delete log;
        throw Exception(QStringLiteral("TLogFile.GlobalOpen: already opened"));
    }
}

void TLogFile::GlobalClose()
{
    delete gLog.exchange(nullptr);
}

TLogFile* TLogFile::Global()
{
    return gLog.load();
}

void TLogFile::GlobalChangeLevel(TLogLevel level, bool debugMode)
{
    if (TLogFile* log = gLog.load())
        log->ChangeLevel(level, debugMode);
}

void TLogFile::GlobalLogAdd(TLogLevel level, const QString& msg, const std::exception* ex)
{
    if (TLogFile* log = gLog.load())
        log->LogAdd(level, msg, ex);
}

void TLogFile::GlobalLogAdd(TLogLevel level, const QString& fmt, const QVariantList& args, const std::exception* ex)
{
    TLogFile* log = gLog.load();
    if (!log || quint8(level) < log->fLogLevel.load(std::memory_order_relaxed))
        return;
    log->LogAdd(level, Format(fmt, args), ex);
}

TLogLevel TLogFile::GlobalLogLevel()
{
    if (TLogFile* log = gLog.load())
        return log->LogLevel();
    return ll_info;
}

void TLogFile::GlobalDumpInFile(TLogLevel level, QIODevice& stream, const QString& suffix)
{
    if (TLogFile* log = gLog.load())
        log->DumpInFile(level, stream, suffix);
}

void LogDebug(const QString& msg, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_debug, msg, ex); }
void LogDebug(const QString& msg, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_debug, msg, &ex); }
void LogDebugFmt(const QString& fmt, const QVariantList& args, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_debug, fmt, args, ex); }
void LogDebugFmt(const QString& fmt, const QVariantList& args, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_debug, fmt, args, &ex); }
void LogInfo(const QString& msg, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_info, msg, ex); }
void LogInfo(const QString& msg, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_info, msg, &ex); }
void LogInfoFmt(const QString& fmt, const QVariantList& args, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_info, fmt, args, ex); }
void LogInfoFmt(const QString& fmt, const QVariantList& args, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_info, fmt, args, &ex); }
void LogWarn(const QString& msg, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_warn, msg, ex); }
void LogWarn(const QString& msg, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_warn, msg, &ex); }
void LogWarnFmt(const QString& fmt, const QVariantList& args, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_warn, fmt, args, ex); }
void LogWarnFmt(const QString& fmt, const QVariantList& args, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_warn, fmt, args, &ex); }
void LogError(const QString& msg, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_error, msg, ex); }
void LogError(const QString& msg, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_error, msg, &ex); }
void LogErrorFmt(const QString& fmt, const QVariantList& args, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_error, fmt, args, ex); }
void LogErrorFmt(const QString& fmt, const QVariantList& args, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_error, fmt, args, &ex); }
void LogFatal(const QString& msg, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_fatal, msg, ex); }
void LogFatal(const QString& msg, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_fatal, msg, &ex); }
void LogFatalFmt(const QString& fmt, const QVariantList& args, const std::exception* ex) { TLogFile::GlobalLogAdd(ll_fatal, fmt, args, ex); }
void LogFatalFmt(const QString& fmt, const QVariantList& args, const std::exception& ex) { TLogFile::GlobalLogAdd(ll_fatal, fmt, args, &ex); }

bool LogIsDebug()
{
    return TLogFile::GlobalLogLevel() == ll_debug;
}
