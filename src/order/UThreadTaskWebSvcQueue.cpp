#include "UThreadTaskWebSvcQueue.h"

#include <optional>
#include <type_traits>

namespace {

std::mutex gDefaultFactorySync;
TThreadTaskWebSvcQueue::TClientFactory gDefaultFactory;

[[noreturn]] void refuse(const char* op, const char* what)
{
    throw Exception(QStringLiteral("TThreadTaskWebSvcQueue.") + QLatin1String(op) + QLatin1String(what));
}

// Runs f on the main thread through the queue's synchronised call and hands
// back its result.
template <class R, class F>
R onMain(F&& f)
{
    if constexpr (std::is_void_v<R>) {
        TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { f(); });
    } else {
        std::optional<R> result;
        TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { result.emplace(f()); });
        return std::move(*result);
    }
}

} // namespace

TThreadTaskWebSvcQueue::TThreadTaskWebSvcQueue(QCoreApplication* app, IMainFrame* main, const QString& thName)
    : TThreadTaskQueue(app, main, thName)
{
}

TThreadTaskWebSvcQueue::~TThreadTaskWebSvcQueue()
{
    Shutdown();
}

TThreadTaskWebSvcQueue* TThreadTaskWebSvcQueue::Current()
{
    return dynamic_cast<TThreadTaskWebSvcQueue*>(TThreadTaskQueueWithoutThread::Current());
}

void TThreadTaskWebSvcQueue::SetDefaultClientFactory(TClientFactory factory)
{
    std::lock_guard lk(gDefaultFactorySync);
    gDefaultFactory = std::move(factory);
}

void TThreadTaskWebSvcQueue::SetClientFactory(TClientFactory factory)
{
    std::lock_guard lk(fFactorySync);
    fFactory = std::move(factory);
}

IMainFrame* TThreadTaskWebSvcQueue::mainFrame() const
{
    return const_cast<TThreadTaskWebSvcQueue*>(this);
}

IMainFrame* TThreadTaskWebSvcQueue::target(const char* op) const
{
    if (!fMain)
        throw Exception(QStringLiteral("TThreadTaskWebSvcQueue.") + QLatin1String(op) + QStringLiteral(": no main frame"));
    return fMain;
}

void TThreadTaskWebSvcQueue::onThreadStart()
{
    TThreadTaskQueue::onThreadStart();
    fwebSvc.reset();
    fwebSvcToClose.store(false);
}

void TThreadTaskWebSvcQueue::onThreadStop()
{
    fwebSvc.reset();
    TThreadTaskQueue::onThreadStop();
}

// A failure the task does not handle reaches the user: the main window shows
// it (and logs it) on the main thread.
void TThreadTaskWebSvcQueue::ProcessError(IThreadTaskForQueue* tsk, const std::exception& ex)
{
    if (tsk && tsk->onProcessError(&ex))
        return;
    MainThreadSynchro([&] { ShowEx(ex, nullptr); });
}

// The operations answered by the queue itself.

ILumLabServiceRef TThreadTaskWebSvcQueue::GetWebSvcLum()
{
    // The client is created, used and released on the worker thread only.
    if (!IsInQueueThread())
        throw Exception(QStringLiteral("TThreadTaskWebSvcQueue.GetWebSvcLum: available only on the queue's thread"));
    if (fwebSvc && !fwebSvcToClose.load())
        return fwebSvc;
    fwebSvc.reset();
    fwebSvcToClose.store(false);
    TClientFactory factory;
    {
        std::lock_guard lk(fFactorySync);
        factory = fFactory;
    }
    if (!factory) {
        std::lock_guard lk(gDefaultFactorySync);
        factory = gDefaultFactory;
    }
    if (!factory)
        throw Exception(QStringLiteral("TThreadTaskWebSvcQueue.GetWebSvcLum: no lab service client available"));
    fwebSvc = factory([this](THTTPRIO* rio) { WebSvcInit(rio); });
    return fwebSvc;
}

IThreadTaskRef TThreadTaskWebSvcQueue::WebSvcAddCall(TProc proc)
{
    return AddCall(std::move(proc), {}, false);
}

void TThreadTaskWebSvcQueue::TaskCheckStop()
{
    if (TaskToCancel())
        throw ECancel();
}

bool TThreadTaskWebSvcQueue::TaskShouldStop()
{
    return TaskToCancel();
}

// Every other operation, generated from its policy.

#define KIOSK_PROXY_Forward(Result, Name, Params, Args) \
    Result TThreadTaskWebSvcQueue::Name Params { return target(#Name)->Name Args; }
#define KIOSK_PROXY_OnMain(Result, Name, Params, Args) \
    Result TThreadTaskWebSvcQueue::Name Params \
    { \
        IMainFrame* main = target(#Name); \
        return onMain<Result>([&]() -> Result { return main->Name Args; }); \
    }
#define KIOSK_PROXY_Refuse(Result, Name, Params, Args) \
    Result TThreadTaskWebSvcQueue::Name Params { refuse(#Name, ": available only on main thread !"); }
#define KIOSK_PROXY_RefuseQuiet(Result, Name, Params, Args) \
    Result TThreadTaskWebSvcQueue::Name Params { refuse(#Name, ": available only on main thread"); }
#define KIOSK_PROXY_Unexpected(Result, Name, Params, Args) \
    Result TThreadTaskWebSvcQueue::Name Params { refuse(#Name, ": unexpected call"); }
#define KIOSK_PROXY_Queue(Result, Name, Params, Args)

#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) KIOSK_PROXY_##Policy(Result, Name, Params, Args)
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP
