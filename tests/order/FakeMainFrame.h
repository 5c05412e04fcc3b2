#pragma once
// A main frame for the tests: every operation records its name and whether
// it ran on the main thread, and answers a default value.
#include "IMainFrame.h"
#include "UThreadTaskQueue.h"

#include <QString>
#include <QStringList>
#include <mutex>
#include <type_traits>
#include <vector>

namespace fake {

template <class T>
T defaultValue()
{
    if constexpr (!std::is_void_v<T>)
        return T {};
}

} // namespace fake

class RecordingMainFrame : public IMainFrame {
public:
    struct Call {
        QString op;
        bool onMain;
    };

    std::vector<Call> Calls() const
    {
        std::lock_guard lk(fSync);
        return fCalls;
    }
    QStringList Ops() const
    {
        QStringList ops;
        for (const auto& c : Calls())
            ops << c.op;
        return ops;
    }
    // How the last call of op ran: -1 never called, 0 off the main thread, 1 on it.
    int LastOnMain(const QString& op) const
    {
        int result = -1;
        for (const auto& c : Calls())
            if (c.op == op)
                result = c.onMain ? 1 : 0;
        return result;
    }

#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) \
    Result Name Params override                                 \
    {                                                           \
        record(QStringLiteral(#Name));                          \
        return fake::defaultValue<Result>();                    \
    }
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP

protected:
    void record(const QString& op)
    {
        std::lock_guard lk(fSync);
        fCalls.push_back({ op, TThreadTaskQueueWithoutThread::IsMainThread() });
    }

private:
    mutable std::mutex fSync;
    std::vector<Call> fCalls;
};
