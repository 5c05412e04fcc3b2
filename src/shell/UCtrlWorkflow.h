#pragma once
// The workflow of screens: the tree of workflow steps over the tab items of
// the main window's tab control (a QStackedWidget), which steps are visible,
// the breadcrumb of the current product workflow with its numbering, the
// step max (how far Next may go) and the state of each breadcrumb entry.
//
// A tab's visibility is our own flag on the tab item (TabItemVisible): a
// stacked widget shows one page at a time, so the widget's own visibility
// cannot tell whether Next and Previous may reach a tab.
#include "IMainFrame.h"
#include "IMainStepController.h"
#include "UWorkflowSteps.h"
#include "UWorkflowType.h"

#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

class QStackedWidget;
class QWidget;
class TCtrlWorkflow;
class TLangText;

// The visibility flag of a tab item (true until set).
bool TabItemVisible(const QWidget* tabItem);
void SetTabItemVisible(QWidget* tabItem, bool visible);
// The tab control's own moves: the next (previous) tab item whose flag is
// set, after (before) the active one; -1 when none.
int TabControlNextVisible(const QStackedWidget* tabs);
int TabControlPreviousVisible(const QStackedWidget* tabs);

// State of a breadcrumb entry.
enum TWorkflowStepState : int {
    WorkflowStepDone = 0,
    WorkflowStepCurrent = 1,
    WorkflowStepJustNext = 2,
    WorkflowStepFarNext = 3,
};

// The breadcrumb bar as the main window drives it.
class IBreadCrumbGui {
public:
    virtual ~IBreadCrumbGui() = default;
    virtual bool getBreadCrumbVisible() = 0;
    virtual void setBreadCrumbVisible(bool visible) = 0;
    // Rebuilds the entries.
    virtual void UpdateBreadCrumbContent(IMainFrame* main, TCtrlWorkflow* workflow) = 0;
    // Refreshes the states.
    virtual void UpdateBreadCrumbStep(IMainFrame* main, TCtrlWorkflow* workflow) = 0;
    // Forgets the entries before they are freed.
    virtual void DetachBreadCrumbSteps(IMainFrame* main, TCtrlWorkflow* workflow) = 0;
    virtual QSizeF GetGuiSize() = 0;
    virtual float GetGuiScale() = 0;
    virtual void SetGuiScale(float scale) = 0;
    // Translates the labels again.
    virtual void OnLangChanged() = 0;
};

class TCtrlWorkflowStep {
public:
    TCtrlWorkflowStep(TWorkflowStep ctrlClass, QWidget* tabItem, bool visible);
    TCtrlWorkflowStep(const TCtrlWorkflowStep&) = delete;
    TCtrlWorkflowStep& operator=(const TCtrlWorkflowStep&) = delete;

    // Appends a child; its tab must come after this step's sub-tree.
    TCtrlWorkflowStep* AddStep(TWorkflowStep ctrlClass, QWidget* tabItem, bool visible);
    // Depth-first search of the sub-tree, this step first. When found and
    // path is given, the steps from this one down to the found one are
    // appended to path.
    TCtrlWorkflowStep* FindStep(TWorkflowStep ctrlClass, std::vector<TCtrlWorkflowStep*>* path);
    TCtrlWorkflowStep* FindStep(const QWidget* tabItem, std::vector<TCtrlWorkflowStep*>* path);

    TWorkflowStep StepClass() const { return fCtrlClass; }
    QWidget* TabItem() const { return fTabItem; }
    int BreadCrumbOrder() const { return fBreadCrumbOrder; }
    void SetBreadCrumbOrder(int order) { fBreadCrumbOrder = order; }
    int TabItemOrder() const;
    int LastTabItemOrder() const;
    bool Visible() const { return TabItemVisible(fTabItem); }
    void SetVisible(bool visible) { SetTabItemVisible(fTabItem, visible); }
    const std::vector<std::unique_ptr<TCtrlWorkflowStep>>& Children() const { return fChildStep; }

    // The per-step part of the forward search: true once decided.
    bool NextStepFor(TCtrlWorkflowStep* ref, bool& refFound, TCtrlWorkflowStep*& result);

private:
    template <class Match>
    TCtrlWorkflowStep* findStep(const Match& match, std::vector<TCtrlWorkflowStep*>* path);

    TWorkflowStep fCtrlClass;
    QWidget* fTabItem;
    int fBreadCrumbOrder = -1;
    std::vector<std::unique_ptr<TCtrlWorkflowStep>> fChildStep;
};

class TCtrlWorkflowBreadCrumb {
public:
    TCtrlWorkflowBreadCrumb(TCtrlWorkflowStep* step, TLangText* label, bool defaultVisible);

    TCtrlWorkflowStep* Step() const { return fStep; }
    QString BreadCrumbLabel() const;
    int BreadCrumbOrder() const { return fStep->BreadCrumbOrder(); }
    bool IsVisible() const { return BreadCrumbOrder() > 0; }
    bool DefaultVisible() const { return fDefaultVisible; }
    void SetDefaultVisible(bool visible) { fDefaultVisible = visible; }

private:
    TCtrlWorkflowStep* fStep;
    TLangText* fLabel;
    bool fDefaultVisible;
};

class TCtrlWorkflow {
public:
    TCtrlWorkflow() = default;
    TCtrlWorkflow(const TCtrlWorkflow&) = delete;
    TCtrlWorkflow& operator=(const TCtrlWorkflow&) = delete;

    TCtrlWorkflowStep* AddStep(TWorkflowStep ctrlClass, QWidget* tabItem, bool visible);
    // Nil when absent, or "TCtrlWorkflow.FindStep: step not found" when
    // required. path receives the steps from the top level down.
    TCtrlWorkflowStep* FindStep(TWorkflowStep ctrlClass, bool required, std::vector<TCtrlWorkflowStep*>* path = nullptr);
    TCtrlWorkflowStep* FindStep(const QWidget* tabItem, bool required, std::vector<TCtrlWorkflowStep*>* path = nullptr);
    const std::vector<std::unique_ptr<TCtrlWorkflowStep>>& Steps() const { return fStep; }

    TWorkflowStep BreadCrumbStart() const;
    void SetBreadCrumbStart(TWorkflowStep ctrlClass);
    TWorkflowStep BreadCrumbEnd() const;
    void SetBreadCrumbEnd(TWorkflowStep ctrlClass);

    TCtrlWorkflowBreadCrumb* AddBreadCrumb(TWorkflowStep ctrlClass, TLangText* label, bool defaultVisible);
    // Empties the entries and clears the step max.
    void ClearBreadCrumb();
    const std::vector<std::unique_ptr<TCtrlWorkflowBreadCrumb>>& BreadCrumbList() const { return fBreadCrumb; }
    TCtrlWorkflowBreadCrumb* BreadCrumbFind(const TCtrlWorkflowStep* step) const;
    bool IsBreadCrumbStep(const TCtrlWorkflowStep* step) const { return BreadCrumbFind(step) != nullptr; }

    bool GetStepVisible(TWorkflowStep ctrlClass);
    // True when the tab's visibility changed.
    bool SetStepVisible(TWorkflowStep ctrlClass, bool visible);
    // True when the step max changed.
    bool SetWorkflowStepMax(TWorkflowStep ctrlClass, int stepInc);
    TCtrlWorkflowStep* StepMax() const { return fStepMax; }
    int StepInc() const { return fStepInc; }
    TCtrlWorkflowStep* StepCurrent() const { return fStepCurrent; }

    bool HasNextStep() { return NextStep() != nullptr; }
    TCtrlWorkflowStep* NextStep();
    bool HasPreviousStep() { return PreviousStep() != nullptr; }
    TCtrlWorkflowStep* PreviousStep() { return PreviousStepFor(fStepCurrent); }
    // The visible step that follows ref, outside ref's sub-tree; nil
    // without step max.
    TCtrlWorkflowStep* NextStepFor(TCtrlWorkflowStep* ref);
    // The nearest visible earlier sibling of ref or of one of its ancestors.
    TCtrlWorkflowStep* PreviousStepFor(TCtrlWorkflowStep* ref);
    // s lies beyond the navigation limit set by the step max.
    bool IsStepNextEnd(TCtrlWorkflowStep* s);

    // The breadcrumb entry a step belongs to.
    TCtrlWorkflowBreadCrumb* BreadCrumbStep(TCtrlWorkflowStep* ref);
    TCtrlWorkflowBreadCrumb* BreadCrumbCurrent() { return BreadCrumbStep(fStepCurrent); }
    TWorkflowStepState GetStepState(TCtrlWorkflowBreadCrumb* entry);

    // Lays out visibility and numbering from the entries.
    void UpdateContent(IMainFrame* main);
    // Follows the active controller (IMainFrame::WorkflowStep).
    void UpdateStep(IMainFrame* main);

    // Creates the controller of a tab: null for a tab without step; a
    // placeholder for a step whose controller is not registered.
    IMainStepControllerRef CreateStepInstance(QWidget* tabItem, IMainFrame* main);

private:
    void contentWalk(TCtrlWorkflowStep* step, bool parentShown, bool& inRange, int& counter);
    TCtrlWorkflowBreadCrumb* breadCrumbExamine(TCtrlWorkflowStep* step);
    const std::vector<std::unique_ptr<TCtrlWorkflowStep>>& siblingsAt(const std::vector<TCtrlWorkflowStep*>& path,
                                                                      size_t level) const;

    std::vector<std::unique_ptr<TCtrlWorkflowStep>> fStep;
    std::vector<std::unique_ptr<TCtrlWorkflowBreadCrumb>> fBreadCrumb;
    TCtrlWorkflowStep* fBreadCrumbStart = nullptr;
    TCtrlWorkflowStep* fBreadCrumbEnd = nullptr;
    TCtrlWorkflowStep* fStepMax = nullptr;
    int fStepInc = 0;
    TCtrlWorkflowStep* fStepCurrent = nullptr;
};
