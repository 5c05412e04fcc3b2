#pragma once
// The main window's workflow of screens and the navigation through it:
// the tab items of every step, the workflow tree (TCtrlWorkflow), the
// breadcrumb bar, the queued moves (Next, Previous, a given step), the
// customer's step history, the change of the active tab (leaving the old
// step, creating, opening and releasing controllers), the Next and Previous
// actions, the current workflow type and the workflow-data registry.
//
// Screens never switch tabs themselves: every move is a task on the GUI
// Queue, so it never runs inside the handler that asked for it, and a newer
// request replaces one that has not run yet. The tab switch itself is
// synchronous: the change handling has run when the switch returns.
#include "UCtrlWorkflow.h"
#include "UMainFrameBase.h"
#include "UZebguiBreadcrumb.h"

#include <QAction>
#include <QList>
#include <QPointer>
#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <vector>


class TMainFrameWorkflow : public TMainFrameBase {
public:
    explicit TMainFrameWorkflow(TConfig* cfg, QWidget* parent = nullptr);
    ~TMainFrameWorkflow() override;

    // Creates the tab items of the steps (and the start tab when the window
    // has none yet), builds the tree, selects the first visible tab and
    // lays the content out. Once, at window creation.
    void workflowInit();
    // Rebuilds the breadcrumb entries for the current workflow type.
    void workflowBreadCrumbBuild();
    // Visibility and numbering, the breadcrumb bar, the actions.
    void workflowContentUpdate();
    void breadCrumbCreate();
    void breadCrumbDestroy();
    void breadCrumbScaleUpdate();
    // Drops the pending move (and a pending hide).
    void navigationCancel();
    // The Next/Previous/menu actions from the active controller or popup.
    void workflowActionsUpdate() override;

    // The change of the active tab; sender null rebuilds the active step
    // after fActiveStepTabItem was cleared.
    void TabControlMainChange(QObject* sender);
    void TabControlMainResize();
    void ActionNextStepExecute(QObject* sender);
    void ActionPreviousStepExecute(QObject* sender);

    // Closes and releases the active step's controller.
    virtual void activeStepClose();
    // Rebuilds the active step's controller (a language change it does not
    // follow by itself).
    void activeStepRebuild();
    // The home-products step: rebuilt when active, else reached by a
    // registered move; it becomes the step max and the history is dropped.
    void homeStepShow();
    // Leaves the start tab for the connection step (once the language
    // popup closed on the start tab): the start tab is hidden for good.
    void connectionStepShow();

    // The customer's workflow data is dropped at each order reset, except
    // the kinds registered here (catalogue-like data that outlive a
    // customer); resetInKiosk, when given, clears a kept object in the
    // kiosk design.
    void workflowDataKeep(TWorkflowDataType type, std::function<void(IWorkflowData&)> resetInKiosk);
    void workflowDataClear();

    TCtrlWorkflow* CtrlWorkflow() const { return fCtrlWorkflow.get(); }
    IBreadCrumbGui* BreadCrumb() const;
    TZebguiBreadcrumb* BreadCrumbBar() const { return fBreadCrumbBar; }
    QWidget* StepTabItem(TWorkflowStep step) const;
    const QList<TWorkflowStep>& UserSteps() const { return fUserStepsList; }
    IMainStepControllerRef ActiveStep() const { return fActiveStep; }
    QAction* ActionNextStep() { return &fActionNextStep; }
    QAction* ActionPreviousStep() { return &fActionPreviousStep; }
    QAction* ActionMobileMenuOpen() { return &fActionMobileMenuOpen; }

    // --- IMainFrame operations of the workflow ---
    void deleteUserStepsList() override;
    void setWorkflowType(TWorkflowType workflowType) override;
    TWorkflowType getWorkflowType() override;
    void goWorkflowStep(TWorkflowStep step, bool bTransitionAnim, bool registerUserStep) override;
    void goWorkflowNext(bool bTransitionAnim) override;
    void goWorkflowPrevious(bool bTransitionAnim) override;
    TWorkflowStep WorkflowStep() override;
    void setWorkflowStepVisible(TWorkflowStep step, bool bVisible) override;
    bool getWorkflowStepVisible(TWorkflowStep step) override;
    void workflowStepCurrentHide() override;
    void setWorkflowStepMax(TWorkflowStep step) override;
    void setWorkflowStepNextMax(TWorkflowStep step) override;
    void setWorkflowBreadCrumbVisible(bool bVisible) override;
    bool getWorkflowBreadCrumbVisible() override;
    void setWorkflowData(TWorkflowDataType dataType, IWorkflowDataRef data) override;
    IWorkflowDataRef getWorkflowData(TWorkflowDataType dataType) override;
    bool hasActionNextClick() override;
    bool hasActionPreviousClick() override;
    void ActionNextClick() override;
    void ActionPreviousClick() override;

protected:
    IMainControllerRef activeStepController() override { return fActiveStep; }
    bool eventFilter(QObject* watched, QEvent* e) override;

    // Hooks of later subsystems, run by the change handling and the actions
    // update (nothing by default).
    virtual void setQueuesPaused(bool paused) { }
    virtual void checkBluetoothService() { }
    virtual void userIdleTimerReset() { }
    virtual void kioskInUseFileUpdate() { }
    // The alternative print workflow starts at the print groups (false when
    // the catalogue cannot tell yet).
    virtual bool altPrintWorkflow();

private:
    void navigationRequest(TProc move);
    void moveNext(bool bTransitionAnim);
    void movePrevious(bool bTransitionAnim);
    void moveStep(TWorkflowStep step, bool registerUserStep);
    // Switches the tab control; when the tab is already shown but has no
    // controller (an earlier activation failed), the change handling runs.
    void tabSwitch(int index);
    void workflowStepHideApply();
    void tabControlMainChange();
    void failedStepDrop(const IMainStepControllerRef& ctrl);
    void setActionActivatedStatus(QAction* action, bool on);

    // Step history.
    void userStepRegister(TWorkflowStep from, TWorkflowStep to);
    TWorkflowStep userStepNext() const;
    TWorkflowStep userStepPrevious() const;
    bool userStepHasNext() const;
    bool userStepHasPrevious() const;
    QWidget* userStepTab(TWorkflowStep step) const;

    std::unique_ptr<TCtrlWorkflow> fCtrlWorkflow;
    QPointer<TZebguiBreadcrumb> fBreadCrumbBar;
    TWorkflowType fWorkflowType;
    IMainStepControllerRef fActiveStep;
    TWorkflowStep fActiveStepClass = nullptr;
    QPointer<QWidget> fActiveStepTabItem;
    IThreadTaskRef fNaviTask;
    TWorkflowStep fWorkflowStepToHide = nullptr;
    QList<TWorkflowStep> fUserStepsList;
    std::unique_ptr<std::unordered_map<std::type_index, IWorkflowDataRef>> fWorkflowData;
    std::vector<std::pair<std::type_index, std::function<void(IWorkflowData&)>>> fWorkflowDataKept;
    QAction fActionNextStep;
    QAction fActionPreviousStep;
    QAction fActionMobileMenuOpen;
};
