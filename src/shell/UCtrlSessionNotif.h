#pragma once
// How the ends of a customer's order reach the main window: the send step,
// the payment popup and the order recap report through these interfaces,
// which the main window implements beside IMainFrame (a step finds them
// with a dynamic cast of its main frame).
#include <QtGlobal>

// The send step.
class ICtrlImgSendNotif {
public:
    virtual ~ICtrlImgSendNotif() = default;
    // Sending starts (main thread): the customer cannot leave the step.
    virtual void onCtrlImgSendStart() = 0;
    // The order was sent (any thread): the payment when one is to be made,
    // else the order is archived and the next customer starts.
    virtual void onCtrlImgSendEnd(bool paymentToDo) = 0;
    // Sending failed or was cancelled: back to the recap.
    virtual void onCtrlImgSendCancel() = 0;
    // The send step switched between on-line (10) and off-line (11)
    // sending (any thread); any other mode raises.
    virtual void onCtrlImgSendChangeConnectionMode(quint8 mode) = 0;
};

// The payment popup.
class ICtrlPaymentNotif {
public:
    virtual ~ICtrlPaymentNotif() = default;
    // Payment accepted (any thread).
    virtual void onCtrlPaymentEnd() = 0;
    // Payment cancelled, refused or closed.
    virtual void onCtrlPaymentCancel() = 0;
};

// The order recap step.
class ICtrlOrderRecapNotif {
public:
    virtual ~ICtrlOrderRecapNotif() = default;
    // "Read more" about the calibration photo.
    virtual void onCtrlOrderRecapCalibrationReadMore() = 0;
};
