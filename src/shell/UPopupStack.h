#pragma once
// The main window's popup stack: pushes popups according to their levels,
// closes them top first, and drives each popup's opening and closing hooks.
// Main thread only; the hooks may push or close other popups re-entrantly.
#include "IMainPopupController.h"

#include <QList>

class QWidget;

// What the stack needs of the window that owns it.
class IPopupStackHost {
public:
    virtual ~IPopupStackHost() = default;
    virtual IMainFrame* popupMainFrame() = 0;
    // The control popups are laid out against (the window).
    virtual QWidget* popupResizeParent() = 0;
    // The step below the bottom popup is covered (input disabled) or not.
    virtual void popupStepCover(bool covered) = 0;
    // After OnClose of a popup, before the popup below is uncovered.
    virtual void popupAfterClose(IMainPopupController* ctrl) { }
    // Follow-up of every push and close (top bar, idle timer...).
    virtual void popupStackChanged() { }
    // The debug-information line must be refreshed.
    virtual void popupDebugInfoDirty() { }
};

class TPopupStack {
public:
    explicit TPopupStack(IPopupStackHost& host);

    // Pushes ctrl, closing the open popups of its level or above first; an
    // open popup may refuse it. True when ctrl was pushed and opened.
    bool popupAdd(const IMainPopupControllerRef& ctrl);
    // Closes ctrl and every popup above it, top first; null closes all.
    // Raises "TMainNavi.popupClose: popup not found in stack" when ctrl is
    // not open.
    void popupClose(const IMainPopupControllerRef& ctrl);
    void popupCloseAll();
    // Closes every popup when one of them asks to close on a step change.
    void popupCloseOnStepChange();
    // idx places below the top (0 or less: the top), null beyond the stack.
    IMainPopupControllerRef popupShownGet(int idx) const;
    int Count() const { return int(fPopupLst.size()); }
    const QList<IMainPopupControllerRef>& Items() const { return fPopupLst; }

private:
    void onPopupAdd(IMainPopupController* below, const IMainPopupControllerRef& ctrl);
    void onPopupClose(IMainPopupController* below, const IMainPopupControllerRef& ctrl);
    void uncover(IMainPopupController* below);
    void closeDownTo(int index);

    IPopupStackHost& fHost;
    QList<IMainPopupControllerRef> fPopupLst;
};
