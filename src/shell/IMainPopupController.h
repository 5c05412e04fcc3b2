#pragma once
// What the popup stack of the main window asks of a popup's controller.
//
// Sequence of a popup: OnPopupOpening, the popup below covered, OnOpen,
// OnResize, OnPopupModalWait; possibly OnCoveredByPopup(true/false) while
// others come and go; then OnClose, the popup below uncovered, OnPopupClosed.
#include "IMainController.h"
#include "IMainFrame.h"

class QWidget;

class IMainPopupController : public IMainController {
public:
    // The popup is laid out again (after opening and on every resize).
    virtual void OnResize(QWidget* parent) = 0;
    // Level in the stack: below 0 the popup stacks freely; otherwise a new
    // popup closes the open ones of the same or a higher level.
    virtual int popupRequiredLevel() = 0;
    // Another popup was pushed above this one (true) or the one above closed.
    virtual void OnCoveredByPopup(bool covered) = 0;
    // True holds the new popup back while this one stays open.
    virtual bool popupAddBlock(IMainPopupController* newPopup) = 0;
    // The popup was taken off the stack (after OnClose).
    virtual void OnPopupClosed() = 0;
    // First call of a push, before the popup below is covered.
    virtual void OnPopupOpening() = 0;
    // The popup closes when the workflow step changes.
    virtual bool closeOnStepChange() = 0;
    // Last call of a push, once the popup is shown and laid out.
    virtual void OnPopupModalWait() = 0;
};
