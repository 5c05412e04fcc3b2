#include "UAppStart.h"

#include "MainForm.h"
#include "UAppExceptions.h"
#include "UAppStyle.h"
#include "UConfig.h"
#include "UDebug.h"
#include "UTools.h"

#include <QDateTime>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

// A process that was built with the leak checker has these; otherwise the
// weak references stay null.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));
extern "C" void __lsan_disable() __attribute__((weak));

namespace {

constexpr int kFatalSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL };
constexpr int kMaxSignal = 64;

std::atomic<int> gDescriptionGuard { 0 };
std::atomic<bool> gInstalled { false };
struct sigaction gPrevious[kMaxSignal];
char gLogFile[4096];
long gUtcOffsetS = 0;
stack_t gAltStack {};
stack_t gPrevAltStack {};

// Appending into a fixed buffer without allocating: the fault handler's
// only formatting tools.
struct TSafeText {
    char* buf;
    std::size_t cap;
    std::size_t len = 0;

    void add(const char* s)
    {
        while (*s && len + 1 < cap)
            buf[len++] = *s++;
        buf[len] = '\0';
    }
    void addHex(unsigned long long v, int digits)
    {
        char tmp[17];
        for (int i = digits - 1; i >= 0; --i) {
            tmp[i] = "0123456789ABCDEF"[v & 0xF];
            v >>= 4;
        }
        tmp[digits] = '\0';
        add(tmp);
    }
    void addDec(long long v, int width)
    {
        char tmp[24];
        int n = 0;
        bool neg = v < 0;
        unsigned long long u = neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        do {
            tmp[n++] = char('0' + u % 10);
            u /= 10;
        } while (u && n < 20);
        while (n < width && n < 20)
            tmp[n++] = '0';
        if (neg)
            tmp[n++] = '-';
        char out[24];
        for (int i = 0; i < n; ++i)
            out[i] = tmp[n - 1 - i];
        out[n] = '\0';
        add(out);
    }
};

const char* signalName(int sig)
{
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    default: return "signal";
    }
}

// Local time "yyyy-MM-dd HH:mm:ss.zzz" from the clock and the offset noted
// at installation (the C library's time zone functions are not safe here).
void addTimeStamp(TSafeText& t)
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    long long s = static_cast<long long>(ts.tv_sec) + gUtcOffsetS;
    long long days = s >= 0 ? s / 86400 : (s - 86399) / 86400;
    long long secs = s - days * 86400;
    // Civil date from days since 1970-01-01.
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        ++y;
    t.addDec(y, 4);
    t.add("-");
    t.addDec(m, 2);
    t.add("-");
    t.addDec(d, 2);
    t.add(" ");
    t.addDec(secs / 3600, 2);
    t.add(":");
    t.addDec(secs / 60 % 60, 2);
    t.add(":");
    t.addDec(secs % 60, 2);
    t.add(".");
    t.addDec(ts.tv_nsec / 1000000, 3);
}

void writeAll(int fd, const char* text, std::size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, text, len);
        if (n <= 0)
            return;
        text += n;
        len -= std::size_t(n);
    }
}

void onFatalSignal(int sig, siginfo_t* info, void* uctx)
{
    const int savedErrno = errno;
    char desc[200];
    ExceptRecordToStr(sig, info, desc, sizeof desc);
    char line[512];
    TSafeText t { line, sizeof line };
    t.add("FATAL ");
    addTimeStamp(t);
    t.add(":");
    t.addHex(static_cast<unsigned long long>(syscall(SYS_gettid)), 8);
    t.add(":ZebgetExceptionProc: os exception created(");
    t.add(desc);
    t.add(")\r\n");
    if (gLogFile[0]) {
        const int fd = ::open(gLogFile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            writeAll(fd, line, t.len);
            ::close(fd);
        }
    }
    writeAll(STDERR_FILENO, line, t.len);
    errno = savedErrno;

    // Ordinary handling goes on as without the hook: the previous handler
    // (a sanitizer's, for instance), then the default action.
    const struct sigaction& prev = gPrevious[sig];
    if ((prev.sa_flags & SA_SIGINFO) && prev.sa_sigaction) {
        prev.sa_sigaction(sig, info, uctx);
    } else if (!(prev.sa_flags & SA_SIGINFO) && prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN) {
        prev.sa_handler(sig);
    }
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    // Delivered with the default action once the handler returns (the
    // signal is blocked while it runs); a hardware fault also comes back
    // by itself when the faulting instruction runs again.
    ::raise(sig);
}

} // namespace

TExceptDescriptionGuard::TExceptDescriptionGuard()
    : fAcquired(gDescriptionGuard.fetch_add(1) == 0)
{
}

TExceptDescriptionGuard::~TExceptDescriptionGuard()
{
    gDescriptionGuard.fetch_sub(1);
}

std::size_t ExceptRecordToStr(int sig, const siginfo_t* info, char* buf, std::size_t cap)
{
    if (!buf || cap == 0)
        return 0;
    TSafeText t { buf, cap };
    buf[0] = '\0';
    TExceptDescriptionGuard guard;
    if (!guard.Acquired()) {
        t.add("??");
        return t.len;
    }
    if (!info) {
        t.add("nil");
        return t.len;
    }
    t.add("code: ");
    t.addHex(static_cast<unsigned>(sig), 8);
    t.add(", signal: ");
    t.add(signalName(sig));
    t.add(", si_code: ");
    t.addDec(info->si_code, 1);
    if (sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL) {
        t.add(", address: 0x");
        t.addHex(reinterpret_cast<unsigned long long>(info->si_addr), 16);
    }
    return t.len;
}

void TFatalSignalHook::Install()
{
    if (gInstalled.exchange(true))
        return;
    gLogFile[0] = '\0';
    const QDateTime now = QDateTime::currentDateTime();
    gUtcOffsetS = now.offsetFromUtc();
    if (TLogFile* log = TLogFile::Global()) {
        try {
            const QByteArray path = log->logFileName(now).toLocal8Bit();
            if (!path.isEmpty() && std::size_t(path.size()) < sizeof gLogFile)
                std::memcpy(gLogFile, path.constData(), std::size_t(path.size()) + 1);
        } catch (const std::exception&) {
            // No file log: the line goes to standard error only.
        }
    }
    // A stack overflow leaves no stack for the handler: it runs on its own.
    const std::size_t size = std::max<std::size_t>(SIGSTKSZ, 64 * 1024);
    gAltStack.ss_sp = ::operator new(size);
    gAltStack.ss_size = size;
    gAltStack.ss_flags = 0;
    ::sigaltstack(&gAltStack, &gPrevAltStack);
    for (int sig : kFatalSignals) {
        struct sigaction sa {};
        sa.sa_sigaction = onFatalSignal;
        sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, &gPrevious[sig]);
    }
}

void TFatalSignalHook::Uninstall()
{
    if (!gInstalled.exchange(false))
        return;
    for (int sig : kFatalSignals)
        ::sigaction(sig, &gPrevious[sig], nullptr);
    ::sigaltstack(&gPrevAltStack, nullptr);
    ::operator delete(gAltStack.ss_sp);
    gAltStack = {};
}

bool TFatalSignalHook::Installed()
{
    return gInstalled.load();
}

void RuntimeLogHook(QtMsgType type, const QMessageLogContext& context, const QString& msg)
{
    LogDebugFmt(QStringLiteral("%s"), { msg });
    if (type == QtFatalMsg)
        LogFatal(msg);
}

namespace {
std::function<void(const std::exception&)> gExceptionHandler;
}

TKioskApplication::TKioskApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

void TKioskApplication::SetExceptionHandler(std::function<void(const std::exception&)> handler)
{
    gExceptionHandler = std::move(handler);
}

bool TKioskApplication::notify(QObject* receiver, QEvent* e)
{
    try {
        return QApplication::notify(receiver, e);
    } catch (const std::exception& ex) {
        if (gExceptionHandler)
            gExceptionHandler(ex);
        else
            LogFatal(QStringLiteral("TKioskApplication.notify"), ex);
    } catch (...) {
        LogFatal(QStringLiteral("TKioskApplication.notify: unknown exception"));
    }
    return false;
}

void KioskLogStarting()
{
    LogDebugFmt(QStringLiteral("%s starting (%s)..."), { TAppTools::GetAppNameStr(), TAppTools::GetAppVersionStr() });
}

int KioskMain(int argc, char** argv)
{
    // The application object comes first: the configuration finds its
    // folders through it.
    TKioskApplication app(argc, argv);
    TConfig* cfg = TConfig::Instance();
    cfg->SetLastUsedByApp(TAppTools::GetAppWebSvcVersionStr());
    // The leak report at exit is wanted in developer mode only.
    const bool leakReport = cfg->DevMode();
    if (!leakReport && __lsan_disable)
        __lsan_disable();
    TLogFile::GlobalOpen(cfg->CalcLogFilePath(), TLogLevel(cfg->LogFileLevel()), cfg->LogFileMax(),
                         cfg->LastUsedByApp(), cfg->DebugMode());
    TAppStyle::Apply(app);
    KioskLogStarting();

    struct Hooks {
        Hooks()
        {
            TFatalSignalHook::Install();
            qInstallMessageHandler(RuntimeLogHook);
        }
        ~Hooks()
        {
            qInstallMessageHandler(nullptr);
            TFatalSignalHook::Uninstall();
        }
    };
    try {
        Hooks hooks;
        {
            auto window = std::make_unique<TMainNavi>(cfg);
            window->ShowAtStart();
            QApplication::exec();
        }
        LogDebugFmt(QStringLiteral("%s stopping (%s)..."), { TAppTools::GetAppNameStr(), TAppTools::GetAppVersionStr() });
    } catch (const Exception& e) {
        LogFatal(QStringLiteral("main"), e);
    }
    if (leakReport && __lsan_do_recoverable_leak_check)
        __lsan_do_recoverable_leak_check();
    TLogFile::GlobalClose();
    TConfig::InstanceFree();
    return 0;
}
