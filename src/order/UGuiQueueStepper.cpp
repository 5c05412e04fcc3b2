#include "UGuiQueueStepper.h"

#include "UDebug.h"
#include "UThreadTaskQueue.h"

#include <QMetaObject>

TGuiQueueStepper::TGuiQueueStepper(TThreadTaskQueueWithoutThread* queue, int timerMs, QObject* parent)
    : QObject(parent)
    , fQueue(queue)
{
    fIdle.setSingleShot(true);
    fIdle.setInterval(0);
    connect(&fIdle, &QTimer::timeout, this, [this] { step(QStringLiteral("TGuiQueueStepper.Idle")); });
    fTimer.setInterval(timerMs);
    connect(&fTimer, &QTimer::timeout, this, [this] { step(QStringLiteral("TGuiQueueStepper.Timer")); });
    fTimer.start();
    // Tasks may be queued from any thread: the wake-up is posted to this
    // object, which lives on the main thread.
    fQueue->SetWakeHandler([this] { QMetaObject::invokeMethod(this, [this] { armIdle(); }, Qt::QueuedConnection); });
    armIdle();
}

TGuiQueueStepper::~TGuiQueueStepper()
{
    fQueue->SetWakeHandler(nullptr);
}

void TGuiQueueStepper::armIdle()
{
    if (fIdle.isActive())
        return;
    qint64 due = fQueue->NextTaskDueInMs();
    // One more step after the last task lets the queue find itself empty
    // and clear Busy.
    if (due < 0 && fQueue->Busy() && !fQueue->hasTaskInProgress())
        due = 0;
    if (due >= 0)
        fIdle.start(int(std::min<qint64>(due, fTimer.interval())));
}

void TGuiQueueStepper::step(const QString& where)
{
    // A task that waits (a message box, a nested event loop) must not see
    // the queue stepped again underneath it.
    if ((fQueue->hasTasks() || fQueue->Busy()) && !fQueue->hasTaskInProgress()) {
        try {
            fQueue->onProcessTask();
        } catch (const std::exception& e) {
            LogFatal(where, &e);
        }
    }
    armIdle();
}
