#include "UCtrlWorkflow.h"

#include "UAppExceptions.h"
#include "UCtrlStepPlaceholder.h"
#include "ULangText.h"

#include <QStackedWidget>
#include <QVariant>
#include <QWidget>

namespace {

const char* const kTabVisible = "TabVisible";

[[noreturn]] void stepNotFound()
{
    throw Exception(QStringLiteral("TCtrlWorkflow.FindStep: step not found"));
}

[[noreturn]] void invalidOrder(const QWidget* tabItem)
{
    throw Exception(QStringLiteral("TCtrlWorkflowStep.AddStep: step ") + (tabItem ? tabItem->objectName() : QString())
                    + QStringLiteral(" has an invalid order"));
}

int tabIndex(const QWidget* tabItem)
{
    if (!tabItem)
        return -1;
    auto* tabs = qobject_cast<const QStackedWidget*>(tabItem->parentWidget());
    return tabs ? tabs->indexOf(const_cast<QWidget*>(tabItem)) : -1;
}

} // namespace

bool TabItemVisible(const QWidget* tabItem)
{
    if (!tabItem)
        return false;
    const QVariant v = tabItem->property(kTabVisible);
    return !v.isValid() || v.toBool();
}

void SetTabItemVisible(QWidget* tabItem, bool visible)
{
    if (tabItem)
        tabItem->setProperty(kTabVisible, visible);
}

int TabControlNextVisible(const QStackedWidget* tabs)
{
    for (int i = tabs->currentIndex() + 1; i < tabs->count(); ++i)
        if (TabItemVisible(tabs->widget(i)))
            return i;
    return -1;
}

int TabControlPreviousVisible(const QStackedWidget* tabs)
{
    for (int i = tabs->currentIndex() - 1; i >= 0; --i)
        if (TabItemVisible(tabs->widget(i)))
            return i;
    return -1;
}

// ------------------------------------------------------------------ steps

TCtrlWorkflowStep::TCtrlWorkflowStep(TWorkflowStep ctrlClass, QWidget* tabItem, bool visible)
    : fCtrlClass(ctrlClass)
    , fTabItem(tabItem)
{
    SetTabItemVisible(tabItem, visible);
}

TCtrlWorkflowStep* TCtrlWorkflowStep::AddStep(TWorkflowStep ctrlClass, QWidget* tabItem, bool visible)
{
    const int limit = fChildStep.empty() ? TabItemOrder() : fChildStep.back()->LastTabItemOrder();
    if (tabIndex(tabItem) <= limit)
        invalidOrder(tabItem);
    fChildStep.push_back(std::make_unique<TCtrlWorkflowStep>(ctrlClass, tabItem, visible));
    return fChildStep.back().get();
}

template <class Match>
TCtrlWorkflowStep* TCtrlWorkflowStep::findStep(const Match& match, std::vector<TCtrlWorkflowStep*>* path)
{
    // The path grows while the walk goes down and shrinks back on the way
    // up, so it ends as the steps from here down to the found one.
    if (path)
        path->push_back(this);
    if (match(this))
        return this;
    for (const auto& child : fChildStep)
        if (TCtrlWorkflowStep* found = child->findStep(match, path))
            return found;
    if (path)
        path->pop_back();
    return nullptr;
}

TCtrlWorkflowStep* TCtrlWorkflowStep::FindStep(TWorkflowStep ctrlClass, std::vector<TCtrlWorkflowStep*>* path)
{
    if (!ctrlClass)
        return nullptr;
    return findStep([ctrlClass](const TCtrlWorkflowStep* s) { return s->fCtrlClass == ctrlClass; }, path);
}

TCtrlWorkflowStep* TCtrlWorkflowStep::FindStep(const QWidget* tabItem, std::vector<TCtrlWorkflowStep*>* path)
{
    if (!tabItem)
        return nullptr;
    return findStep([tabItem](const TCtrlWorkflowStep* s) { return s->fTabItem == tabItem; }, path);
}

int TCtrlWorkflowStep::TabItemOrder() const
{
    return tabIndex(fTabItem);
}

int TCtrlWorkflowStep::LastTabItemOrder() const
{
    return fChildStep.empty() ? TabItemOrder() : fChildStep.back()->LastTabItemOrder();
}

bool TCtrlWorkflowStep::NextStepFor(TCtrlWorkflowStep* ref, bool& refFound, TCtrlWorkflowStep*& result)
{
    if (refFound) {
        // A hidden step is skipped with its whole sub-tree.
        if (!Visible())
            return false;
        result = this;
        return true;
    }
    if (this == ref) {
        // The children of ref are never its next step.
        refFound = true;
        return false;
    }
    for (const auto& child : fChildStep)
        if (child->NextStepFor(ref, refFound, result))
            return true;
    return false;
}

// ------------------------------------------------------------ breadcrumb

TCtrlWorkflowBreadCrumb::TCtrlWorkflowBreadCrumb(TCtrlWorkflowStep* step, TLangText* label, bool defaultVisible)
    : fStep(step)
    , fLabel(label)
    , fDefaultVisible(defaultVisible)
{
}

QString TCtrlWorkflowBreadCrumb::BreadCrumbLabel() const
{
    return fLabel ? fLabel->Text() : QString();
}

// --------------------------------------------------------------- workflow

TCtrlWorkflowStep* TCtrlWorkflow::AddStep(TWorkflowStep ctrlClass, QWidget* tabItem, bool visible)
{
    if (!fStep.empty() && tabIndex(tabItem) <= fStep.back()->LastTabItemOrder())
        invalidOrder(tabItem);
    fStep.push_back(std::make_unique<TCtrlWorkflowStep>(ctrlClass, tabItem, visible));
    return fStep.back().get();
}

TCtrlWorkflowStep* TCtrlWorkflow::FindStep(TWorkflowStep ctrlClass, bool required, std::vector<TCtrlWorkflowStep*>* path)
{
    for (const auto& s : fStep)
        if (TCtrlWorkflowStep* found = s->FindStep(ctrlClass, path))
            return found;
    if (required)
        stepNotFound();
    return nullptr;
}

TCtrlWorkflowStep* TCtrlWorkflow::FindStep(const QWidget* tabItem, bool required, std::vector<TCtrlWorkflowStep*>* path)
{
    for (const auto& s : fStep)
        if (TCtrlWorkflowStep* found = s->FindStep(tabItem, path))
            return found;
    if (required)
        stepNotFound();
    return nullptr;
}

TWorkflowStep TCtrlWorkflow::BreadCrumbStart() const
{
    return fBreadCrumbStart ? fBreadCrumbStart->StepClass() : nullptr;
}

void TCtrlWorkflow::SetBreadCrumbStart(TWorkflowStep ctrlClass)
{
    fBreadCrumbStart = FindStep(ctrlClass, true);
}

TWorkflowStep TCtrlWorkflow::BreadCrumbEnd() const
{
    return fBreadCrumbEnd ? fBreadCrumbEnd->StepClass() : nullptr;
}

void TCtrlWorkflow::SetBreadCrumbEnd(TWorkflowStep ctrlClass)
{
    TCtrlWorkflowStep* step = FindStep(ctrlClass, true);
    if (fBreadCrumbStart && step->TabItemOrder() <= fBreadCrumbStart->TabItemOrder())
        throw Exception(QStringLiteral("TCtrlWorkflow.SetBreadCrumbEnd: invalid order compared to BreadCrumbStart"));
    fBreadCrumbEnd = step;
}

TCtrlWorkflowBreadCrumb* TCtrlWorkflow::AddBreadCrumb(TWorkflowStep ctrlClass, TLangText* label, bool defaultVisible)
{
    TCtrlWorkflowStep* step = FindStep(ctrlClass, true);
    fBreadCrumb.push_back(std::make_unique<TCtrlWorkflowBreadCrumb>(step, label, defaultVisible));
    return fBreadCrumb.back().get();
}

void TCtrlWorkflow::ClearBreadCrumb()
{
    fBreadCrumb.clear();
    fStepMax = nullptr;
    fStepInc = 0;
}

TCtrlWorkflowBreadCrumb* TCtrlWorkflow::BreadCrumbFind(const TCtrlWorkflowStep* step) const
{
    if (!step)
        return nullptr;
    for (const auto& e : fBreadCrumb)
        if (e->Step() == step)
            return e.get();
    return nullptr;
}

bool TCtrlWorkflow::GetStepVisible(TWorkflowStep ctrlClass)
{
    return FindStep(ctrlClass, true)->Visible();
}

bool TCtrlWorkflow::SetStepVisible(TWorkflowStep ctrlClass, bool visible)
{
    std::vector<TCtrlWorkflowStep*> path;
    TCtrlWorkflowStep* step = FindStep(ctrlClass, true, &path);
    // The entry keeps the choice, so that the next content update does too.
    if (TCtrlWorkflowBreadCrumb* entry = BreadCrumbFind(step))
        entry->SetDefaultVisible(visible);
    if (step->Visible() == visible)
        return false;
    if (visible) {
        for (TCtrlWorkflowStep* s : path)
            s->SetVisible(true);
    } else
        step->SetVisible(false);
    return true;
}

bool TCtrlWorkflow::SetWorkflowStepMax(TWorkflowStep ctrlClass, int stepInc)
{
    if (!ctrlClass) {
        if (!fStepMax)
            return false;
        fStepMax = nullptr;
        fStepInc = 0;
        return true;
    }
    if (stepInc != 0 && stepInc != 1)
        throw Exception(QStringLiteral("TCtrlWorkflow.SetWorkflowStepMax: invalid stepInc arg"));
    TCtrlWorkflowStep* step = FindStep(ctrlClass, true);
    if (step == fStepMax && stepInc == fStepInc)
        return false;
    fStepMax = step;
    fStepInc = stepInc;
    return true;
}

TCtrlWorkflowStep* TCtrlWorkflow::NextStep()
{
    TCtrlWorkflowStep* next = NextStepFor(fStepCurrent);
    return IsStepNextEnd(next) ? nullptr : next;
}

TCtrlWorkflowStep* TCtrlWorkflow::NextStepFor(TCtrlWorkflowStep* ref)
{
    if (!ref || !fStepMax)
        return nullptr;
    bool refFound = false;
    TCtrlWorkflowStep* result = nullptr;
    for (const auto& s : fStep)
        if (s->NextStepFor(ref, refFound, result))
            return result;
    return nullptr;
}

const std::vector<std::unique_ptr<TCtrlWorkflowStep>>& TCtrlWorkflow::siblingsAt(
    const std::vector<TCtrlWorkflowStep*>& path, size_t level) const
{
    return level == 0 ? fStep : path[level - 1]->Children();
}

TCtrlWorkflowStep* TCtrlWorkflow::PreviousStepFor(TCtrlWorkflowStep* ref)
{
    if (!ref)
        return nullptr;
    std::vector<TCtrlWorkflowStep*> path;
    if (!FindStep(ref->StepClass(), false, &path))
        return nullptr;
    for (size_t level = path.size(); level-- > 0;) {
        const auto& siblings = siblingsAt(path, level);
        size_t i = 0;
        while (i < siblings.size() && siblings[i].get() != path[level])
            ++i;
        while (i-- > 0)
            if (siblings[i]->Visible())
                return siblings[i].get();
    }
    return nullptr;
}

bool TCtrlWorkflow::IsStepNextEnd(TCtrlWorkflowStep* s)
{
    if (!s || !fStepMax)
        return true;
    TCtrlWorkflowStep* limit = fStepInc == 0 ? fStepMax : NextStepFor(fStepMax);
    if (!limit)
        return true;
    return s->TabItemOrder() > limit->TabItemOrder();
}

TCtrlWorkflowBreadCrumb* TCtrlWorkflow::breadCrumbExamine(TCtrlWorkflowStep* step)
{
    if (!step->Visible())
        return nullptr;
    if (TCtrlWorkflowBreadCrumb* own = BreadCrumbFind(step))
        return own;
    const auto& children = step->Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (TCtrlWorkflowBreadCrumb* e = breadCrumbExamine(it->get()))
            return e;
    return nullptr;
}

TCtrlWorkflowBreadCrumb* TCtrlWorkflow::BreadCrumbStep(TCtrlWorkflowStep* ref)
{
    if (!ref)
        return nullptr;
    std::vector<TCtrlWorkflowStep*> path;
    if (!FindStep(ref->StepClass(), false, &path))
        return nullptr;
    for (size_t level = path.size(); level-- > 0;) {
        TCtrlWorkflowStep* at = path[level];
        // ref is examined like its earlier siblings; an ancestor, reached
        // after its children that come before ref, gives its own entry
        // whether its tab is visible or not.
        if (TCtrlWorkflowBreadCrumb* e = at == ref ? breadCrumbExamine(at) : BreadCrumbFind(at))
            return e;
        const auto& siblings = siblingsAt(path, level);
        size_t i = 0;
        while (i < siblings.size() && siblings[i].get() != at)
            ++i;
        while (i-- > 0)
            if (TCtrlWorkflowBreadCrumb* e = breadCrumbExamine(siblings[i].get()))
                return e;
    }
    return nullptr;
}

TWorkflowStepState TCtrlWorkflow::GetStepState(TCtrlWorkflowBreadCrumb* entry)
{
    if (IsStepNextEnd(entry->Step()))
        return WorkflowStepFarNext;
    TCtrlWorkflowBreadCrumb* current = BreadCrumbCurrent();
    if (entry == current)
        return WorkflowStepCurrent;
    if (!current)
        return WorkflowStepFarNext;
    return entry->BreadCrumbOrder() < current->BreadCrumbOrder() ? WorkflowStepDone : WorkflowStepJustNext;
}

void TCtrlWorkflow::contentWalk(TCtrlWorkflowStep* step, bool parentShown, bool& inRange, int& counter)
{
    if (!inRange && step == fBreadCrumbStart)
        inRange = true;
    TCtrlWorkflowBreadCrumb* entry = parentShown ? BreadCrumbFind(step) : nullptr;
    if (parentShown && inRange && entry) {
        step->SetBreadCrumbOrder(entry->DefaultVisible() ? ++counter : -1);
        step->SetVisible(entry->DefaultVisible());
    } else {
        step->SetBreadCrumbOrder(-1);
        if (inRange)
            step->SetVisible(false);
        else if (entry && step->Visible())
            step->SetBreadCrumbOrder(++counter);
    }
    bool childShown = false;
    if (parentShown)
        childShown = step->Visible();
    else
        step->SetVisible(false); // a hidden parent hides its whole sub-tree
    for (const auto& child : step->Children())
        contentWalk(child.get(), childShown, inRange, counter);
    if (inRange && step == fBreadCrumbEnd)
        inRange = false;
}

void TCtrlWorkflow::UpdateContent(IMainFrame* main)
{
    bool inRange = false;
    int counter = 0;
    for (const auto& s : fStep)
        contentWalk(s.get(), true, inRange, counter);
}

void TCtrlWorkflow::UpdateStep(IMainFrame* main)
{
    TCtrlWorkflowStep* step = FindStep(main->WorkflowStep(), false);
    if (step == fStepCurrent)
        return;
    fStepCurrent = step;
    // The step max only grows by moving forward.
    if (!fStepMax) {
        fStepMax = step;
        fStepInc = 0;
    } else if (step && step->TabItemOrder() > fStepMax->TabItemOrder()) {
        fStepMax = step;
        fStepInc = 0;
    }
    if (step && IsBreadCrumbStep(step))
        UpdateContent(main);
}

IMainStepControllerRef TCtrlWorkflow::CreateStepInstance(QWidget* tabItem, IMainFrame* main)
{
    TCtrlWorkflowStep* step = FindStep(tabItem, false);
    if (!step)
        return nullptr;
    const TWorkflowStepClass* cls = step->StepClass();
    IMainStepControllerRef ctrl = cls->Create ? cls->Create(main, tabItem)
                                              : TCtrlStepPlaceholder::CreatePlaceholder(main, tabItem, cls);
    if (!ctrl)
        throw Exception(QStringLiteral(
            "TCtrlWorkflow.CreateStepInstance: step instance doesn't implement interface IMainStepController"));
    return ctrl;
}
