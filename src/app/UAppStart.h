#pragma once
// The program's entry routine and the process-wide hooks it installs:
// - a fault hook (SIGSEGV, SIGBUS, SIGFPE, SIGILL) that writes one FATAL
//   line to the log from an alternate stack with async-signal-safe calls
//   only, then lets the fault take its ordinary course;
// - the Qt message handler, which sends the toolkit's own diagnostics to
//   the log at DEBUG;
// - the application object, whose notify hands an exception escaping an
//   event handler to the main window's exception handler.
#include <QApplication>
#include <csignal>
#include <cstddef>
#include <exception>
#include <functional>

// Text describing a fault for the log, written into buf (always
// terminated); returns its length. "nil" without signal information, "??"
// while another description is being built (a fault inside a fault).
// Async-signal-safe.
std::size_t ExceptRecordToStr(int sig, const siginfo_t* info, char* buf, std::size_t cap);

// Holds the description guard for its life: a description asked for
// meanwhile answers "??".
class TExceptDescriptionGuard {
public:
    TExceptDescriptionGuard();
    ~TExceptDescriptionGuard();
    // False when another description already held the guard.
    bool Acquired() const { return fAcquired; }

private:
    bool fAcquired;
};

class TFatalSignalHook {
public:
    // Installs the handlers (and the alternate stack) and notes the path of
    // today's log file; the previous handlers are kept and called after the
    // FATAL line.
    static void Install();
    // Puts the previous handlers back.
    static void Uninstall();
    static bool Installed();
};

// The Qt message handler: every message of the toolkit at DEBUG.
void RuntimeLogHook(QtMsgType type, const QMessageLogContext& context, const QString& msg);

class TKioskApplication : public QApplication {
public:
    TKioskApplication(int& argc, char** argv);
    // Receives exceptions that escape an event handler (the main window's
    // AppException); without one they are logged at FATAL.
    static void SetExceptionHandler(std::function<void(const std::exception&)> handler);
    bool notify(QObject* receiver, QEvent* e) override;
};

// Logs "%s starting (%s)..." with the application name and version.
void KioskLogStarting();
// The entry routine: configuration, log, hooks, main window, event loop.
int KioskMain(int argc, char** argv);
