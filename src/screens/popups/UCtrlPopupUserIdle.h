#pragma once
// The countdown a kiosk shows when nobody touched it for the turn-over time:
// 60 seconds, then the order is dropped for the next customer. A tap beside
// the box closes it, which is how the customer stays.
#include "UCtrlPopupBase.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

class TCtrlPopupUserIdle : public TCtrlPopupHard {
public:
    // timer: the main window's user-idle timer (TimerUserIdle), driven at
    // one tick a second while the popup is open; null: the popup's own.
    TCtrlPopupUserIdle(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus = nullptr, QTimer* timer = nullptr);
    ~TCtrlPopupUserIdle() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QGroupBox* popupGroupBox() override;

    // One second went by: the text counts down; at 0 the order is reset
    // and the popup closes.
    void OnTimerTick();
    int Remaining() const { return fUserIdleRemaining; }
    QLabel* TextPopupUserIdle() const { return fText; }
    QTimer* TimerUserIdle() const { return fTimer; }

    static constexpr int kCountdownSeconds = 60;

private:
    void textUpdate();

    int fUserIdleRemaining = kCountdownSeconds;
    QPointer<QGroupBox> fBox;
    QPointer<QLabel> fText;
    QPointer<QTimer> fTimer;
    std::unique_ptr<QTimer> fOwnTimer;
    QMetaObject::Connection fTick;
};
