#include "UPopupStack.h"

#include "UAppExceptions.h"
#include "UDebug.h"

TPopupStack::TPopupStack(IPopupStackHost& host)
    : fHost(host)
{
}

bool TPopupStack::popupAdd(const IMainPopupControllerRef& ctrl)
{
    if (!ctrl)
        return false;
    const int level = ctrl->popupRequiredLevel();
    if (level >= 0) {
        IMainPopupControllerRef toClose;
        for (int i = int(fPopupLst.size()) - 1; i >= 0; --i) {
            IMainPopupControllerRef p = fPopupLst.at(i);
            if (p->popupAddBlock(ctrl.get())) {
                if (toClose)
                    popupClose(toClose);
                return false;
            }
            const int pl = p->popupRequiredLevel();
            if (pl >= level || pl < 0)
                toClose = p;
        }
        if (toClose)
            popupClose(toClose);
    }

    IMainPopupController* below = fPopupLst.isEmpty() ? nullptr : fPopupLst.last().get();
    // The popup below stays alive while ctrl opens, whatever its hooks do.
    IMainPopupControllerRef belowRef = fPopupLst.isEmpty() ? nullptr : fPopupLst.last();
    fPopupLst.append(ctrl);
    bool pushed = true;
    try {
        onPopupAdd(below, ctrl);
    } catch (const ECancel& e) {
        fPopupLst.removeOne(ctrl);
        LogDebug(QStringLiteral("TMainNavi.popupAdd"), e);
        pushed = false;
    } catch (...) {
        fPopupLst.removeOne(ctrl);
        throw;
    }
    fHost.popupStackChanged();
    if (pushed) {
        try {
            ctrl->OnPopupModalWait();
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("ctrlAdded.OnPopupModalWait"), e);
        }
    }
    return pushed;
}

void TPopupStack::onPopupAdd(IMainPopupController* below, const IMainPopupControllerRef& ctrl)
{
    ctrl->OnPopupOpening();
    if (below)
        below->OnCoveredByPopup(true);
    else
        fHost.popupStepCover(true);
    try {
        ctrl->OnOpen(fHost.popupMainFrame());
        ctrl->OnResize(fHost.popupResizeParent());
    } catch (...) {
        // Put everything back as it was, then let the caller see the error.
        const std::exception_ptr first = std::current_exception();
        fPopupLst.removeOne(ctrl);
        try {
            onPopupClose(below, ctrl);
        } catch (const std::exception& e) {
            LogError(QStringLiteral("TMainNavi.onPopupAdd"), e);
        }
        std::rethrow_exception(first);
    }
    fHost.popupDebugInfoDirty();
}

void TPopupStack::uncover(IMainPopupController* below)
{
    if (below)
        below->OnCoveredByPopup(false);
    else
        fHost.popupStepCover(false);
}

void TPopupStack::onPopupClose(IMainPopupController* below, const IMainPopupControllerRef& ctrl)
{
    // Each hook is guarded on its own: the popup below is uncovered and
    // OnPopupClosed runs (a message box's procedure lives there) whatever
    // the earlier hooks did.
    try {
        ctrl->OnClose();
        fHost.popupAfterClose(ctrl.get());
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.onPopupClose"), e);
    }
    try {
        uncover(below);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.onPopupClose"), e);
    }
    try {
        ctrl->OnPopupClosed();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.onPopupClose"), e);
    }
    fHost.popupDebugInfoDirty();
}

void TPopupStack::closeDownTo(int index)
{
    // The popups to close are fixed now: a popup that a closing hook pushes
    // (a message box's procedure showing the next box) stays open.
    const QList<IMainPopupControllerRef> targets = fPopupLst.mid(index);
    for (int i = int(targets.size()) - 1; i >= 0; --i) {
        const IMainPopupControllerRef& ctrl = targets.at(i);
        const int pos = int(fPopupLst.lastIndexOf(ctrl));
        if (pos < 0)
            continue; // already closed by a hook
        fPopupLst.removeAt(pos);
        IMainPopupControllerRef below = pos > 0 ? fPopupLst.at(pos - 1) : nullptr;
        onPopupClose(below.get(), ctrl);
    }
    fHost.popupStackChanged();
}

void TPopupStack::popupClose(const IMainPopupControllerRef& ctrl)
{
    if (!ctrl) {
        popupCloseAll();
        return;
    }
    int index = -1;
    for (int i = int(fPopupLst.size()) - 1; i >= 0; --i)
        if (fPopupLst.at(i) == ctrl) {
            index = i;
            break;
        }
    if (index < 0)
        throw Exception(QStringLiteral("TMainNavi.popupClose: popup not found in stack"));
    closeDownTo(index);
}

void TPopupStack::popupCloseAll()
{
    closeDownTo(0);
}

void TPopupStack::popupCloseOnStepChange()
{
    for (int i = int(fPopupLst.size()) - 1; i >= 0; --i)
        if (fPopupLst.at(i)->closeOnStepChange()) {
            popupCloseAll();
            return;
        }
}

IMainPopupControllerRef TPopupStack::popupShownGet(int idx) const
{
    if (fPopupLst.isEmpty())
        return nullptr;
    if (idx <= 0)
        return fPopupLst.last();
    if (idx >= fPopupLst.size())
        return nullptr;
    return fPopupLst.at(fPopupLst.size() - 1 - idx);
}
