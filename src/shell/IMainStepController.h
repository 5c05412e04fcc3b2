#pragma once
// What the main window asks of the controller of a workflow step, on top of
// what it asks of every controller.
#include "IMainController.h"
#include "IMainFrame.h"

class QWidget;

class IMainStepController : public IMainController {
public:
    // The tab content was resized.
    virtual void OnResize(QWidget* parent) = 0;
    // The step is left towards a later (earlier) step; an exception keeps
    // the customer on the step and is shown.
    virtual void OnStepLeaveNext() = 0;
    virtual void OnStepLeavePrevious() = 0;
    // The language changed: true when the step refreshed its texts itself,
    // false when the main window must rebuild it.
    virtual bool OnLangChanged() = 0;
};

using IMainStepControllerRef = std::shared_ptr<IMainStepController>;
