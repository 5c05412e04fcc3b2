#pragma once
// The main window's side of two outside programs and of its own
// replacement by a newer version:
// - the launch mode read once from the command line ("update=<folder>",
//   "init-data");
// - "updateMode.txt" in the temporary folder, which says when a downloaded
//   version is installed;
// - the update folder ("Update install/<platform>"): a downloaded program is
//   an available update only when the version record built into it is
//   higher than the running one; the candidate is read, never run, to find
//   out;
// - the update run: the downloaded program started with "update=<installed
//   folder>" copies its own folder over the installed one (retrying while
//   the installed program still holds its files) and starts it again;
// - the companion program of the local connection mode and its key=value
//   file "RuVodevade.cfg".
//
// Programs are started detached with argument lists (no command line is
// ever parsed by a shell). Everything here touches only files and the
// paths it was given, so the update popup may call the update-folder
// operations from the web-service queue's worker.
#include "UMainFrameTypes.h"

#include <QString>
#include <QStringList>
#include <functional>

// Starts a program detached with the given arguments and returns its
// process id; raises EOSError when it cannot be started.
using TProcessStarter = std::function<qint64(const QString& program, const QStringList& args)>;

// The folders and names the self-update works with.
struct TSelfUpdatePaths {
    QString tempFolder;      // the configuration's temporary folder
    QString exeFolder;       // folder of the running program (no trailing separator)
    QString exeName;         // file name of the running program
    QString platformName;    // folder of this platform's builds ("linux64")
    QString runningVersion;  // "major.minor.release.build" of the running program
};

// The values written into the companion file, in its order of entries.
struct TCompanionValues {
    QString exeName;
    QString currentVersion;
    QString tempFolder;
    QString internalResFolder;
    QString updateTempFolder;
    QString updateInstallRoot;
    QString localOrdersFolder;
    QString photoFolder;
    QString logFolder;
    QString cacheFolder;
    QString configFilePath;
};

class TSelfUpdate {
public:
    static constexpr int kCopyAttempts = 101;
    static constexpr int kCopyRetryDelayMs = 500;
    static constexpr quint8 kConnectionModeKioskLocal = 21;

    explicit TSelfUpdate(TSelfUpdatePaths paths);

    const TSelfUpdatePaths& Paths() const { return fPaths; }

    // The launch mode of the arguments (without the program's name); the
    // folder of an "update=" argument goes to updatePath.
    static TLaunchMode ParseLaunchMode(const QStringList& args, QString& updatePath);
    // Read once from the given arguments and kept.
    TLaunchMode GetLaunchMode(const QStringList& args);
    const QString& UpdatePath() const { return fUpdatePath; }

    // "updateMode.txt": Start, Manual, or Stop (also without the file).
    TUpdateType GetUpdateType() const;
    QString UpdateModeFilePath() const;

    QString GetUpdateInstallRoot() const;
    QString GetFolderUpdatePathWithOs() const;
    QString CandidatePath() const;
    // True only when the update folder holds the running program's file
    // name with a higher version record; never raises.
    bool IsUpdateAvailable() const;
    // Empties the update install root (the root stays).
    void PurgeUpdateFolder() const;

    // Starts the candidate with "update=<installed folder>" once per run;
    // true when it was started (the caller then closes the window). A
    // failure to start raises and leaves the run able to try again.
    bool LaunchUpdate(const TProcessStarter& start);
    bool UpdateLaunched() const { return fUpdateLaunched; }

    // In the update run: copies the own folder over UpdatePath(), retrying
    // file errors every 500 ms up to 101 attempts, then starts the installed
    // program without arguments. sleep and copy may be replaced by tests.
    using TCopy = std::function<void(const QString& src, const QString& dst)>;
    using TSleep = std::function<void(int ms)>;
    void DoUpdate(const TProcessStarter& start, const TCopy& copy = {}, const TSleep& sleep = {}) const;

    // The companion file's bytes: UTF-8 with byte-order mark, CR LF between
    // entries, no line break after the last.
    static QByteArray CompanionFileBytes(const TCompanionValues& values);
    // The running program's name as the companion file states it: every
    // ".exe" removed (letter case kept).
    static QString CompanionExeActive(const QString& exeName);
    // Writes the companion file (temporary file renamed into place), creates
    // the local order folders and starts the companion program unless the
    // one started before is still running. Nothing in connection modes
    // other than the kiosk's local mode, and only a DEBUG line without the
    // companion program. True when a companion program was started.
    static bool InitCompanion(quint8 connectionMode, const QString& companionExe, const QString& companionCfg,
                              const TCompanionValues& values, const TProcessStarter& start);

    // Starts programs with QProcess::startDetached.
    static qint64 StartDetached(const QString& program, const QStringList& args);

private:
    TSelfUpdatePaths fPaths;
    TLaunchMode fLaunchMode = TLaunchMode::NotInit;
    QString fUpdatePath;
    bool fUpdateLaunched = false;
};
