#pragma once
// The "WebSvc Queue": the worker-thread queue on which every lab call, the
// uploads and the catalogue load run.
//
// It owns the lab service client of its worker thread (created on first use,
// kept, replaced after the server address changed), and it is itself an
// IMainFrame for the code on its worker: each operation is forwarded to the
// main window, run on the main thread while the worker waits, refused, or
// answered by the queue, as the Policy column of IMainFrameOps.h says. A task
// failure that the task does not handle is shown to the user on the main
// thread.
#include "IMainFrame.h"
#include "UThreadTaskQueue.h"

#include <atomic>
#include <functional>

class TThreadTaskWebSvcQueue : public TThreadTaskQueue, public IMainFrame {
public:
    // Builds a new lab service client: creates the client object, hands it
    // to configure (which lets the main window set its address and
    // time-outs) and returns its service interface. When configure raises,
    // the half-made client is freed and the exception passes on.
    using TClientFactory = std::function<ILumLabServiceRef(const std::function<void(THTTPRIO*)>& configure)>;

    TThreadTaskWebSvcQueue(QCoreApplication* app, IMainFrame* main, const QString& thName);
    ~TThreadTaskWebSvcQueue() override;

    // The queue whose worker is the calling thread, when it is a web-service
    // queue; null on every other thread.
    static TThreadTaskWebSvcQueue* Current();

    // The factory every web-service queue uses unless it was given its own.
    static void SetDefaultClientFactory(TClientFactory factory);
    void SetClientFactory(TClientFactory factory);

    // Marks the client to be dropped; the worker replaces it at its next use.
    void WebSvcLumclose() { fwebSvcToClose.store(true); }

    // This queue has no background lock.
    QString BackgroundTasksInfo() const { return QString(); }
    void backgroundTryUnlock() { }
    void backgroundForceUnlock() { }
    bool backgroundLocked() const { return false; }

    // Code that asks its queue for the main frame gets the proxy.
    IMainFrame* mainFrame() const override;

#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) Result Name Params override;
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP

protected:
    QString ClassName() const override { return QStringLiteral("TThreadTaskWebSvcQueue"); }
    void ProcessError(IThreadTaskForQueue* tsk, const std::exception& ex) override;
    void onThreadStart() override;
    void onThreadStop() override;

private:
    IMainFrame* target(const char* op) const;

    // Touched on the worker thread only.
    ILumLabServiceRef fwebSvc;
    std::atomic<bool> fwebSvcToClose { false };
    std::mutex fFactorySync;
    TClientFactory fFactory;
};
