#include "UCtrlScreenBase.h"

#include <atomic>

namespace {
std::atomic<int> gLiveControllers { 0 };
}

TCtrlScreenBase::TCtrlScreenBase(IMainFrame* main, QObject* /*parent*/)
    : fMain(main)
{
    ++gLiveControllers;
}

TCtrlScreenBase::~TCtrlScreenBase()
{
    --gLiveControllers;
}

int TCtrlScreenBase::LiveCount()
{
    return gLiveControllers.load();
}

bool TCtrlScreenBase::isMainThread()
{
    return TThreadTaskQueueWithoutThread::IsMainThread();
}

void TCtrlScreenBase::mainThreadCheck()
{
    if (!isMainThread())
        throw Exception(QStringLiteral("Call to this function is forbidden for current thread, allowed only for main thread"));
}

void TCtrlScreenBase::workflowDataTypeError(const char* typeName)
{
    throw Exception(QStringLiteral("TCtrlScreenBase.WorkflowData: the object registered for %1 is of another class")
                        .arg(QString::fromLatin1(typeName)));
}
