#pragma once
// Root of every screen controller (steps and popups), with the main-thread
// guard of user-interface operations and the accessor of the current
// customer's workflow data.
#include "IMainController.h"
#include "IMainFrame.h"
#include "UAppExceptions.h"
#include "UThreadTaskQueue.h"
#include "UWorkflowData.h"

#include <memory>
#include <type_traits>
#include <typeinfo>

class QObject;

class TCtrlScreenBase : public IMainController {
public:
    // parent: the control the controller drives (a tab item, a background
    // panel); the subclasses keep it.
    TCtrlScreenBase(IMainFrame* main, QObject* parent);
    ~TCtrlScreenBase() override;
    TCtrlScreenBase(const TCtrlScreenBase&) = delete;
    TCtrlScreenBase& operator=(const TCtrlScreenBase&) = delete;

    IMainFrame* MainFrame() const { return fMain; }

    bool isTaskWaiting() override { return false; }
    bool taskCancel() override { return false; }
    bool imagesWorkingIndicator() override { return true; }
    bool userIdleBlocked() override { return false; }
    // Shows a status text.
    virtual void status(const QString& text) = 0;

    // The calling thread is the application's main thread.
    static bool isMainThread();
    // Raises "Call to this function is forbidden for current thread, allowed
    // only for main thread" off the main thread. Every operation that
    // touches user-interface objects calls it first.
    static void mainThreadCheck();
    // Number of live controllers (debug information of the main window).
    static int LiveCount();

    // The workflow-data object of class T kept by the main window, created
    // (with main) and registered on first use. The table is touched on the
    // main thread only: from any other thread the request is handed to the
    // main thread, which serves concurrent requests one after the other, so
    // an object is never created twice. The result is a counted reference:
    // a reset on the main thread never frees an object a worker still holds.
    template <class T>
    static std::shared_ptr<T> WorkflowData(IMainFrame* main);
    template <class T>
    std::shared_ptr<T> WorkflowData() const
    {
        return WorkflowData<T>(fMain);
    }
    // Drops the object of class T; the next WorkflowData creates a new one.
    // Main thread only (the main frame refuses other threads).
    template <class T>
    static void WorkflowDataReset(IMainFrame* main)
    {
        main->setWorkflowData(typeid(T), nullptr);
    }
    template <class T>
    void WorkflowDataReset() const
    {
        WorkflowDataReset<T>(fMain);
    }

protected:
    IMainFrame* fMain;

private:
    [[noreturn]] static void workflowDataTypeError(const char* typeName);
};

template <class T>
std::shared_ptr<T> TCtrlScreenBase::WorkflowData(IMainFrame* main)
{
    static_assert(std::is_base_of_v<TWorkflowData, T>, "workflow data derive from TWorkflowData");
    TThreadTaskQueueWithoutThread::CheckCancel();
    if (!isMainThread()) {
        std::shared_ptr<T> result;
        TThreadTaskQueueWithoutThread::MainThreadSynchro([&] { result = WorkflowData<T>(main); });
        return result;
    }
    if (!main)
        throw Exception(QStringLiteral("TCtrlScreenBase.WorkflowData: no main frame"));
    if (IWorkflowDataRef found = main->getWorkflowData(typeid(T))) {
        auto data = std::dynamic_pointer_cast<T>(found);
        if (!data)
            workflowDataTypeError(typeid(T).name());
        return data;
    }
    auto data = std::make_shared<T>(main);
    main->setWorkflowData(typeid(T), data);
    return data;
}
