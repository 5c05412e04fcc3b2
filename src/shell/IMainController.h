#pragma once
// What the main window asks of the controller of a step or a popup.
#include <QString>
#include <memory>

class IMainFrame;
class QObject;

class IMainController {
public:
    virtual ~IMainController() = default;
    // The controller becomes active: its step is shown, or its popup pushed.
    virtual void OnOpen(IMainFrame* main) = 0;
    // The controller stops being active, before the main window drops it.
    virtual void OnClose() = 0;
    // Texts of the top bar while this controller is on top (empty: none).
    virtual QString topBarTitle() = 0;
    virtual QString topBarSubTitle() = 0;
    virtual bool hasActionNext() = 0;
    virtual bool hasActionPrevious() = 0;
    virtual bool hasActionMobileMenu() = 0;
    // True: handled; false: the main window does its own navigation.
    virtual bool onActionNextClick(QObject* sender) = 0;
    virtual bool onActionPreviousClick(QObject* sender) = 0;
    virtual bool onActionMobileMenuClick(QObject* sender) = 0;
    // A queued task of the controller has not run yet.
    virtual bool isTaskWaiting() = 0;
    // Cancels that waiting task.
    virtual bool taskCancel() = 0;
    // The waiting indicator may show over this controller while images are
    // being worked on.
    virtual bool imagesWorkingIndicator() = 0;
    // Keeps the user-idle countdown from starting.
    virtual bool userIdleBlocked() = 0;
};

using IMainControllerRef = std::shared_ptr<IMainController>;
