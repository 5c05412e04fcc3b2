#pragma once
// Steps a queue without a thread (the "GUI Queue") from the Qt event loop of
// the main thread: one task each time the event loop has handled its pending
// events, and at least one every 500 ms.
#include <QObject>
#include <QString>
#include <QTimer>

class TThreadTaskQueueWithoutThread;

class TGuiQueueStepper : public QObject {
public:
    // Create on the main thread; the queue must outlive the stepper.
    explicit TGuiQueueStepper(TThreadTaskQueueWithoutThread* queue, int timerMs = 500, QObject* parent = nullptr);
    ~TGuiQueueStepper() override;

private:
    void step(const QString& where);
    void armIdle();

    TThreadTaskQueueWithoutThread* fQueue;
    // A zero-interval timer fires once the event loop has handled the events
    // pending before it: that is the loop's idle moment.
    QTimer fIdle;
    QTimer fTimer;
};
