#pragma once
// The process-wide log file.
//
// One text file per local calendar day ("Qz-yyyymmdd.log") in the configured
// folder, UTF-8 with a byte-order mark, CR LF line ends. Every line carries
// its level, local time stamp and thread id; exceptions are written with
// their class names and their chain of causes. Old files beyond the
// configured count are removed when a new day's file is started.
//
// The rest of the system calls the free functions at the bottom (LogDebug ...
// LogFatalFmt, LogIsDebug); they do nothing while the global log is closed,
// and a failure of the log never reaches them.
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <exception>
#include <mutex>

// Severity of a line; a line is written when its level is at least the log's
// effective level. Values outside the named ones are printed as "??".
enum TLogLevel : quint8 {
    ll_debug = 0,
    ll_info = 10,
    ll_warn = 20,
    ll_error = 30,
    ll_fatal = 40,
};

// The destination an exception is turned into text for.
enum class TQzLogDest { MsgBox, EventLog, FileLog };

class TLogFile {
public:
    // Touches no file: the folder, the header and the day's file are handled
    // by the first line that passes the level.
    TLogFile(const QString& path, TLogLevel level, qint32 fileCount, const QString& appInfo, bool debugMode);
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    // Applies the level rule: in debug mode everything is written; otherwise
    // a requested level above INFO acts as INFO.
    void ChangeLevel(TLogLevel level, bool debugMode);

    // Composes and writes one line; `ex` may be null. Never raises.
    void LogAdd(TLogLevel level, const QString& msg, const std::exception* ex = nullptr);

    // Copies the whole stream into the side file
    // "Qz-yyyymmdd-<suffix>.log" of the log folder (replacing it), then puts
    // the stream's position back. Failures are logged at FATAL, never raised.
    void DumpInFile(TLogLevel level, QIODevice& stream, const QString& suffix);

    TLogLevel LogLevel() const { return TLogLevel(fLogLevel.load(std::memory_order_relaxed)); }
    bool DebugMode() const { return fDebugMode.load(std::memory_order_relaxed); }
    const QString& LogFilePath() const { return fLogFilePath; }

    // Full path of the day's log file for `when`, empty when the log writes
    // no file (folder empty or "none"). Creates the folder; raises when it
    // cannot.
    QString logFileName(const QDateTime& when) const;

    static QString logLevelToString(TLogLevel level);
    static QString exceptionToString(const std::exception& ex, TQzLogDest logDest, bool bForDebug);

    // The global instance.
    static void GlobalOpen(const QString& path, TLogLevel level, qint32 fileCount, const QString& appInfo, bool debugMode);
    static void GlobalClose();
    static void GlobalChangeLevel(TLogLevel level, bool debugMode);
    static void GlobalLogAdd(TLogLevel level, const QString& msg, const std::exception* ex = nullptr);
    // Formats only when the level passes; a format error raises EConvertError.
    static void GlobalLogAdd(TLogLevel level, const QString& fmt, const QVariantList& args, const std::exception* ex);
    static TLogLevel GlobalLogLevel();
    static void GlobalDumpInFile(TLogLevel level, QIODevice& stream, const QString& suffix);
    static TLogFile* Global();

    // The header block written before the first line of a run (without the
    // final CR LF that every written block gets).
    QString HeaderText() const;

private:
    // Writes one composed line (UTF-8, without its CR LF) under the lock.
    void logWrite(const QDate& day, const QByteArray& line);
    void logRotate() const;
    // Makes fFile the day's file: kept open between lines, opened again when
    // the day changes or the file was deleted from outside.
    void ensureOpen(const QDate& day);
    void closeFile();
    void writeBlock(const QByteArray& text);

    QString fLogFilePath;
    std::atomic<quint8> fLogLevel;
    qint32 fLogFileCount;
    QString fAppInfo;
    bool fStarted = false;
    std::atomic<bool> fDebugMode;
    std::mutex fFileSync;
    // The open day's file (-1: none), its name and day, and whether it is
    // still empty (its first block starts with the byte-order mark).
    int fFile = -1;
    QString fFileName;
    QDate fFileDay;
    bool fFileEmpty = false;
};

// Sends a text to the platform's debug output (the log's own diagnostics).
void LogPlatformDebugOutput(const QString& text);

void LogDebug(const QString& msg, const std::exception* ex = nullptr);
void LogDebug(const QString& msg, const std::exception& ex);
void LogDebugFmt(const QString& fmt, const QVariantList& args, const std::exception* ex = nullptr);
void LogDebugFmt(const QString& fmt, const QVariantList& args, const std::exception& ex);
void LogInfo(const QString& msg, const std::exception* ex = nullptr);
void LogInfo(const QString& msg, const std::exception& ex);
void LogInfoFmt(const QString& fmt, const QVariantList& args, const std::exception* ex = nullptr);
void LogInfoFmt(const QString& fmt, const QVariantList& args, const std::exception& ex);
void LogWarn(const QString& msg, const std::exception* ex = nullptr);
void LogWarn(const QString& msg, const std::exception& ex);
void LogWarnFmt(const QString& fmt, const QVariantList& args, const std::exception* ex = nullptr);
void LogWarnFmt(const QString& fmt, const QVariantList& args, const std::exception& ex);
void LogError(const QString& msg, const std::exception* ex = nullptr);
void LogError(const QString& msg, const std::exception& ex);
void LogErrorFmt(const QString& fmt, const QVariantList& args, const std::exception* ex = nullptr);
void LogErrorFmt(const QString& fmt, const QVariantList& args, const std::exception& ex);
void LogFatal(const QString& msg, const std::exception* ex = nullptr);
void LogFatal(const QString& msg, const std::exception& ex);
void LogFatalFmt(const QString& fmt, const QVariantList& args, const std::exception* ex = nullptr);
void LogFatalFmt(const QString& fmt, const QVariantList& args, const std::exception& ex);
// True when DEBUG lines are written (false while the log is closed).
bool LogIsDebug();
