#include "UMainFrameWorkflow.h"

#include "UCtrlScreenBase.h"
#include "UDebug.h"
#include "ULangTexts.h"
#include "UZebguiBreadcrumb.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString kStartTabName = QStringLiteral("TabItem_0000appStart");
const QString kGiftTabName = QStringLiteral("TabItem_xxxxgiftCategories");

} // namespace

TMainFrameWorkflow::TMainFrameWorkflow(TConfig* cfg, QWidget* parent)
    : TMainFrameBase(cfg, parent)
    , fWorkflowType(TWorkflowNone)
    , fActionNextStep(QStringLiteral("Next"))
    , fActionPreviousStep(QStringLiteral("Previous"))
    , fActionMobileMenuOpen(QStringLiteral("Menu"))
{
    fActionNextStep.setObjectName(QStringLiteral("ActionNextStep"));
    fActionPreviousStep.setObjectName(QStringLiteral("ActionPreviousStep"));
    fActionMobileMenuOpen.setObjectName(QStringLiteral("ActionMobileMenuOpen"));
    for (QAction* a : { &fActionNextStep, &fActionPreviousStep, &fActionMobileMenuOpen })
        setActionActivatedStatus(a, false);
    QObject::connect(&fActionNextStep, &QAction::triggered, this, [this] { ActionNextStepExecute(&fActionNextStep); });
    QObject::connect(&fActionPreviousStep, &QAction::triggered, this,
                     [this] { ActionPreviousStepExecute(&fActionPreviousStep); });
    QObject::connect(TabControlMain(), &QStackedWidget::currentChanged, this,
                     [this] { TabControlMainChange(TabControlMain()); });
    TabControlMain()->installEventFilter(this);
}

TMainFrameWorkflow::~TMainFrameWorkflow()
{
    QObject::disconnect(TabControlMain(), nullptr, this, nullptr);
    try {
        navigationCancel();
        activeStepClose();
        if (fBreadCrumbBar && fCtrlWorkflow)
            fBreadCrumbBar->DetachBreadCrumbSteps(this, fCtrlWorkflow.get());
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.FormDestroy / workflow"), e);
    }
    fWorkflowData.reset();
}

// --------------------------------------------------------------- building

void TMainFrameWorkflow::workflowInit()
{
    TCtrlScreenBase::mainThreadCheck();
    QStackedWidget* tabs = TabControlMain();
    auto tabGet = [this, tabs](const QString& name) {
        if (auto* existing = tabs->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly))
            return existing;
        auto* tab = new QWidget(tabs);
        tab->setObjectName(name);
        tabs->addWidget(tab);
        return tab;
    };
    if (!tabs->findChild<QWidget*>(kStartTabName, Qt::FindDirectChildrenOnly)) {
        QWidget* start = tabGet(kStartTabName);
        auto* lay = new QVBoxLayout(start);
        auto* wait = new QLabel(QStringLiteral("Please wait..."), start);
        wait->setObjectName(QStringLiteral("LabelAppStartWait"));
        wait->setAlignment(Qt::AlignCenter);
        lay->addWidget(wait);
    }
    fCtrlWorkflow = std::make_unique<TCtrlWorkflow>();
    for (TWorkflowStepClass* cls : WorkflowSteps::All()) {
        QWidget* tab = tabGet(cls->TabName());
        if (cls->Parent)
            fCtrlWorkflow->FindStep(cls->Parent, true)->AddStep(cls, tab, cls->VisibleAtStart);
        else
            fCtrlWorkflow->AddStep(cls, tab, cls->VisibleAtStart);
        if (cls == &WorkflowSteps::TCtrlCustomerDetails) {
            // The gift tab carries no step. Hidden, so that Next and
            // Previous never stop on its empty page.
            SetTabItemVisible(tabGet(kGiftTabName), false);
        }
    }
    fCtrlWorkflow->SetBreadCrumbStart(&WorkflowSteps::TCtrlTileChoiceSourceMedia);
    fCtrlWorkflow->SetBreadCrumbEnd(&WorkflowSteps::TCtrlTileChoiceAddMedia);
    for (int i = 0; i < tabs->count(); ++i)
        if (TabItemVisible(tabs->widget(i))) {
            tabSwitch(i);
            break;
        }
    workflowContentUpdate();
}

void TMainFrameWorkflow::workflowBreadCrumbBuild()
{
    if (fBreadCrumbBar)
        fBreadCrumbBar->DetachBreadCrumbSteps(this, fCtrlWorkflow.get());
    if (fWorkflowType < TWorkflowNone || fWorkflowType >= TWorkflowGift)
        throw Exception(QStringLiteral("Workflow not yet supported"));
    TCtrlWorkflow* wf = fCtrlWorkflow.get();
    wf->ClearBreadCrumb();
    if (fWorkflowType != TWorkflowNone) {
        namespace S = WorkflowSteps;
        namespace T = LangTexts::Shell;
        const TZebdesign design = Zebdesign();
        if (design == zebd_mobile) {
            if (S::StartMobileImageBrowse)
                S::StartMobileImageBrowse(this);
        } else if (design != zebd_home)
            wf->AddBreadCrumb(&S::TCtrlTileChoiceSourceMedia, &T::FindPhotos, true);
        auto add = [wf](TWorkflowStep step, TLangText& label) { wf->AddBreadCrumb(step, &label, true); };
        switch (fWorkflowType) {
        case TWorkflowPrint:
            add(altPrintWorkflow() ? &S::TCtrlProductChoicePrintGroup : &S::TCtrlProductSizePrint, T::SelectPrints);
            add(&S::TCtrlSelectImagePrint, T::ChoosePhotos);
            add(&S::TCtrlPrintCropCheck, T::CropPhotos);
            break;
        case TWorkflowCard:
        case TWorkflowDesignerPrint:
            add(&S::TCtrlProductChoiceCardGroups, T::BrowseDesigns);
            add(&S::TCtrlSelectImageCommon, T::ChoosePhotos);
            add(&S::TCtrlDesignCard, fWorkflowType == TWorkflowCard ? T::DesignCard : T::DesignDesignerPrint);
            break;
        case TWorkflowCalendarMonthly:
            add(&S::TCtrlTileChoiceCalendarTypes, T::ChooseCalendar);
            add(&S::TCtrlStartDate, T::ChooseStartDate);
            add(&S::TCtrlSelectImageCommon, T::ChoosePhotos);
            add(&S::TCtrlOverviewCalendar, T::DesignCalendar);
            break;
        case TWorkflowCalendarAnnual:
            add(&S::TCtrlTileChoiceCalendarTypes, T::ChooseCalendar);
            add(&S::TCtrlSelectImageCommon, T::ChoosePhotos);
            add(&S::TCtrlDesignCalendar, T::DesignCalendar);
            break;
        case TWorkflowAlbum:
            add(&S::TCtrlProductSizeAlbum, T::ChooseBook);
            add(&S::TCtrlAlbumTheme, T::ChooseTheme);
            add(&S::TCtrlSelectImageCommon, T::ChoosePhotos);
            add(&S::TCtrlOverviewAlbum, T::DesignBook);
            break;
        default:
            break;
        }
        add(&S::TCtrlShoppingCart, T::CompleteOrder);
    }
    workflowContentUpdate();
}

bool TMainFrameWorkflow::altPrintWorkflow()
{
    try {
        return isAltPrintWorkflow();
    } catch (const EToDo&) {
        return false;
    }
}

void TMainFrameWorkflow::workflowContentUpdate()
{
    if (!fCtrlWorkflow)
        return;
    fCtrlWorkflow->UpdateContent(this);
    if (!fBreadCrumbBar)
        breadCrumbCreate();
    if (fBreadCrumbBar)
        fBreadCrumbBar->UpdateBreadCrumbContent(this, fCtrlWorkflow.get());
    workflowActionsUpdate();
}

// ---------------------------------------------------------- breadcrumb bar

IBreadCrumbGui* TMainFrameWorkflow::BreadCrumb() const
{
    return fBreadCrumbBar.data();
}

void TMainFrameWorkflow::breadCrumbCreate()
{
    if (Zebdesign() == zebd_mobile || fBreadCrumbBar)
        return;
    QWidget* content = LayoutAppTabContent();
    fBreadCrumbBar = new TZebguiBreadcrumb(content);
    fBreadCrumbBar->hide();
    if (auto* lay = qobject_cast<QBoxLayout*>(content->layout()))
        lay->insertWidget(0, fBreadCrumbBar);
    breadCrumbScaleUpdate();
}

void TMainFrameWorkflow::breadCrumbDestroy()
{
    if (!fBreadCrumbBar)
        return;
    delete fBreadCrumbBar.data();
    fBreadCrumbBar = nullptr;
}

void TMainFrameWorkflow::breadCrumbScaleUpdate()
{
    if (!fBreadCrumbBar)
        return;
    QWidget* content = LayoutAppTabContent();
    const float w = float(content->width() - 5);
    const float hMax = float(content->height()) / 10;
    const float gh = float(fBreadCrumbBar->GetGuiSize().height());
    float scale = 1;
    if (w < 800 && w / 800 < scale)
        scale = w / 800;
    if (gh > hMax && hMax / gh < scale)
        scale = hMax / gh;
    if (fBreadCrumbBar->GetGuiScale() != scale)
        fBreadCrumbBar->SetGuiScale(scale);
}

bool TMainFrameWorkflow::eventFilter(QObject* watched, QEvent* e)
{
    const bool result = TMainFrameBase::eventFilter(watched, e);
    if (e->type() == QEvent::Resize) {
        if (watched == LayoutAppTabContent())
            breadCrumbScaleUpdate();
        else if (watched == TabControlMain())
            TabControlMainResize();
    }
    return result;
}

// ------------------------------------------------------------- navigation

void TMainFrameWorkflow::navigationCancel()
{
    TCtrlScreenBase::mainThreadCheck();
    fWorkflowStepToHide = nullptr;
    if (fNaviTask) {
        fNaviTask->CancelAsk(ttwm_nowait);
        fNaviTask.reset();
    }
}

void TMainFrameWorkflow::navigationRequest(TProc move)
{
    navigationCancel();
    fNaviTask = GuiQueueAddCall(std::move(move), true, nullptr);
}

void TMainFrameWorkflow::goWorkflowStep(TWorkflowStep step, bool bTransitionAnim, bool registerUserStep)
{
    navigationRequest([this, step, registerUserStep] {
        fNaviTask.reset();
        moveStep(step, registerUserStep);
    });
}

void TMainFrameWorkflow::goWorkflowNext(bool bTransitionAnim)
{
    navigationRequest([this, bTransitionAnim] {
        fNaviTask.reset();
        moveNext(bTransitionAnim);
    });
}

void TMainFrameWorkflow::goWorkflowPrevious(bool bTransitionAnim)
{
    navigationRequest([this, bTransitionAnim] {
        fNaviTask.reset();
        movePrevious(bTransitionAnim);
    });
}

void TMainFrameWorkflow::tabSwitch(int index)
{
    QStackedWidget* tabs = TabControlMain();
    if (index < 0)
        return;
    // No transition animation: the change handling must have run when the
    // switch returns.
    if (tabs->currentIndex() != index)
        tabs->setCurrentIndex(index);
    else if (tabs->currentWidget() != fActiveStepTabItem)
        TabControlMainChange(nullptr);
}

void TMainFrameWorkflow::moveNext(bool bTransitionAnim)
{
    if (TWorkflowStep next = userStepNext()) {
        // The redirected move is a new request; the step that the screen
        // asked to hide is hidden after it all the same.
        const TWorkflowStep toHide = fWorkflowStepToHide;
        goWorkflowStep(next, bTransitionAnim, true);
        fWorkflowStepToHide = toHide;
        return;
    }
    TCtrlWorkflowStep* fromStep = fCtrlWorkflow ? fCtrlWorkflow->StepCurrent() : nullptr;
    const TWorkflowStep from = fromStep ? fromStep->StepClass() : nullptr;
    tabSwitch(TabControlNextVisible(TabControlMain()));
    TCtrlWorkflowStep* toStep = fCtrlWorkflow ? fCtrlWorkflow->StepCurrent() : nullptr;
    // Without a step before the move there is nothing to come back to.
    if (from && toStep && toStep->StepClass() != from)
        userStepRegister(from, toStep->StepClass());
    workflowStepHideApply();
    workflowActionsUpdate();
}

void TMainFrameWorkflow::movePrevious(bool bTransitionAnim)
{
    if (TWorkflowStep previous = userStepPrevious()) {
        const TWorkflowStep toHide = fWorkflowStepToHide;
        goWorkflowStep(previous, bTransitionAnim, false);
        fWorkflowStepToHide = toHide;
        return;
    }
    tabSwitch(TabControlPreviousVisible(TabControlMain()));
    workflowStepHideApply();
    workflowActionsUpdate();
}

void TMainFrameWorkflow::moveStep(TWorkflowStep step, bool registerUserStep)
{
    popupCloseOnStepChange();
    setWorkflowStepVisible(step, true);
    if (registerUserStep && fCtrlWorkflow && fCtrlWorkflow->StepCurrent())
        userStepRegister(fCtrlWorkflow->StepCurrent()->StepClass(), step);
    if (!fCtrlWorkflow)
        throw Exception(QStringLiteral("TCtrlWorkflow.FindStep: step not found"));
    TCtrlWorkflowStep* target = fCtrlWorkflow->FindStep(step, true);
    tabSwitch(TabControlMain()->indexOf(target->TabItem()));
    workflowStepHideApply();
    workflowActionsUpdate();
}

void TMainFrameWorkflow::workflowStepHideApply()
{
    if (!fWorkflowStepToHide)
        return;
    const TWorkflowStep step = fWorkflowStepToHide;
    fWorkflowStepToHide = nullptr;
    setWorkflowStepVisible(step, false);
}

// ---------------------------------------------------------- step history

void TMainFrameWorkflow::deleteUserStepsList()
{
    fUserStepsList.clear();
}

void TMainFrameWorkflow::userStepRegister(TWorkflowStep from, TWorkflowStep to)
{
    if (fUserStepsList.contains(to)) {
        while (fUserStepsList.last() != to)
            fUserStepsList.removeLast();
        return;
    }
    const qsizetype fromIdx = fUserStepsList.indexOf(from);
    if (fromIdx >= 0)
        fUserStepsList.resize(fromIdx + 1);
    fUserStepsList.append(to);
}

QWidget* TMainFrameWorkflow::userStepTab(TWorkflowStep step) const
{
    if (!fCtrlWorkflow)
        throw Exception(QStringLiteral("TCtrlWorkflow.FindStep: step not found"));
    return fCtrlWorkflow->FindStep(step, true)->TabItem();
}

TWorkflowStep TMainFrameWorkflow::userStepNext() const
{
    if (fUserStepsList.size() < 2)
        return nullptr;
    const QWidget* active = TabControlMain()->currentWidget();
    for (qsizetype i = 0; i <= fUserStepsList.size() - 2; ++i)
        if (userStepTab(fUserStepsList[i]) == active)
            return fUserStepsList[i + 1];
    return nullptr;
}

TWorkflowStep TMainFrameWorkflow::userStepPrevious() const
{
    if (fUserStepsList.size() < 2)
        return nullptr;
    const QWidget* active = TabControlMain()->currentWidget();
    for (qsizetype i = fUserStepsList.size() - 1; i >= 1; --i)
        if (userStepTab(fUserStepsList[i]) == active)
            return fUserStepsList[i - 1];
    return nullptr;
}

bool TMainFrameWorkflow::userStepHasNext() const
{
    return !fUserStepsList.isEmpty() && TabControlMain()->currentWidget() != userStepTab(fUserStepsList.last());
}

bool TMainFrameWorkflow::userStepHasPrevious() const
{
    return !fUserStepsList.isEmpty() && TabControlMain()->currentWidget() != userStepTab(fUserStepsList.first());
}

// ----------------------------------------------------- change of the tab

void TMainFrameWorkflow::TabControlMainChange(QObject* sender)
{
    try {
        tabControlMainChange();
        setQueuesPaused(false);
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TabControlMainChange"), e);
    }
}

void TMainFrameWorkflow::failedStepDrop(const IMainStepControllerRef& ctrl)
{
    if (fActiveStep != ctrl)
        return;
    fActiveStep.reset();
    fActiveStepClass = nullptr;
    try {
        ctrl->OnClose();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("_tabControlMainChange(1)"), e);
    }
}

void TMainFrameWorkflow::tabControlMainChange()
{
    QStackedWidget* tabs = TabControlMain();
    QWidget* newTab = tabs->currentWidget();
    if (newTab == fActiveStepTabItem)
        return;
    QWidget* old = fActiveStepTabItem;
    popupCloseOnStepChange();

    IMainStepControllerRef ctrl;
    TWorkflowStep ctrlClass = nullptr;
    try {
        if (old && fActiveStep) {
            if (newTab && tabs->indexOf(old) < tabs->indexOf(newTab))
                fActiveStep->OnStepLeaveNext();
            else
                fActiveStep->OnStepLeavePrevious();
        }
        if (fCtrlWorkflow) {
            ctrl = fCtrlWorkflow->CreateStepInstance(newTab, this);
            if (ctrl)
                ctrlClass = fCtrlWorkflow->FindStep(newTab, true)->StepClass();
        }
        if (IMainStepControllerRef leaving = std::move(fActiveStep)) {
            fActiveStepClass = nullptr;
            try {
                leaving->OnClose();
            } catch (const std::exception& e) {
                LogFatal(QStringLiteral("_tabControlMainChange(1)"), e);
            }
        }
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("_tabControlMainChange(2)"), e);
        // Back to the old tab: its change handling finds nothing to do, the
        // old controller stays active.
        if (old)
            tabs->setCurrentWidget(old);
        ShowEx(e, nullptr);
        return;
    }

    if (ctrl) {
        try {
            fActiveStep = ctrl;
            fActiveStepClass = ctrlClass;
            ctrl->OnOpen(this);
            TabControlMainResize();
        } catch (const std::exception& e) {
            LogFatal(QStringLiteral("_tabControlMainChange(3)"), e);
            if (old) {
                // The change handling runs again for the old tab: it closes
                // the failed controller and opens a new one of the old step.
                fActiveStepTabItem = nullptr;
                tabs->setCurrentWidget(old);
            }
            // No old step to return to (or its rebuild failed too): the
            // half-open controller is closed rather than left active, and
            // the next move to this tab builds it again.
            failedStepDrop(ctrl);
            ShowEx(e, nullptr);
            return;
        }
    }

    fActiveStepTabItem = newTab;
    ctrl.reset();
    updateTopBarInfo();
    checkBluetoothService();
    SetDebugInfoToUpdate();
    userIdleTimerReset();
}

void TMainFrameWorkflow::TabControlMainResize()
{
    if (!fActiveStep)
        return;
    const QString name = fActiveStepClass ? fActiveStepClass->ClassName : QString();
    try {
        LogDebugFmt(QStringLiteral("TMainNavi.TabControlMainResize(%s): START"), { name });
        fActiveStep->OnResize(TabControlMain());
        LogDebugFmt(QStringLiteral("TMainNavi.TabControlMainResize(%s): END"), { name });
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TMainNavi.TabControlMainResize"), e);
    }
}

void TMainFrameWorkflow::activeStepClose()
{
    if (IMainStepControllerRef ctrl = std::move(fActiveStep)) {
        fActiveStepClass = nullptr;
        ctrl->OnClose();
    }
    SetDebugInfoToUpdate();
}

void TMainFrameWorkflow::activeStepRebuild()
{
    fActiveStepTabItem = nullptr;
    TabControlMainChange(nullptr);
}

void TMainFrameWorkflow::homeStepShow()
{
    const TWorkflowStep home = &WorkflowSteps::TCtrlTileChoiceHomeProducts;
    if (WorkflowStep() == home) {
        activeStepClose();
        activeStepRebuild();
    } else
        goWorkflowStep(home, true, true);
    setWorkflowStepMax(home);
    deleteUserStepsList();
    if (Zebdesign() == zebd_mobile)
        breadCrumbDestroy();
}

void TMainFrameWorkflow::connectionStepShow()
{
    const TWorkflowStep connec = &WorkflowSteps::TCtrlConnec;
    goWorkflowStep(connec, true, true);
    setWorkflowStepMax(connec);
    if (auto* start = TabControlMain()->findChild<QWidget*>(kStartTabName, Qt::FindDirectChildrenOnly))
        SetTabItemVisible(start, false);
}

// ---------------------------------------------------------------- actions

void TMainFrameWorkflow::setActionActivatedStatus(QAction* action, bool on)
{
    action->setVisible(on);
    action->setEnabled(on);
}

void TMainFrameWorkflow::workflowActionsUpdate()
{
    if (fCtrlWorkflow)
        fCtrlWorkflow->UpdateStep(this);
    const bool mobile = Zebdesign() == zebd_mobile;
    if (IMainPopupControllerRef top = popupShownGet(0)) {
        setActionActivatedStatus(&fActionPreviousStep, top->hasActionPrevious());
        setActionActivatedStatus(&fActionNextStep, top->hasActionNext());
        setActionActivatedStatus(&fActionMobileMenuOpen, mobile && top->hasActionMobileMenu());
    } else {
        bool next = false;
        bool previous = false;
        if (fCtrlWorkflow) {
            next = userStepHasNext() || fCtrlWorkflow->HasNextStep() || (fActiveStep && fActiveStep->hasActionNext());
            previous = userStepHasPrevious() || fCtrlWorkflow->HasPreviousStep()
                || (fActiveStep && fActiveStep->hasActionPrevious());
        }
        setActionActivatedStatus(&fActionNextStep, next);
        setActionActivatedStatus(&fActionPreviousStep, previous);
        bool menu = false;
        if (mobile && !fActionPreviousStep.isVisible())
            menu = fActiveStep ? fActiveStep->hasActionMobileMenu() : true;
        setActionActivatedStatus(&fActionMobileMenuOpen, menu);
        if (fBreadCrumbBar)
            fBreadCrumbBar->UpdateBreadCrumbStep(this, fCtrlWorkflow.get());
    }
    kioskInUseFileUpdate();
    waitingIndicatorUpdate();
}

void TMainFrameWorkflow::ActionNextStepExecute(QObject* sender)
{
    if (IMainPopupControllerRef top = popupShownGet(0)) {
        top->onActionNextClick(nullptr);
        return;
    }
    if (!fActiveStep || !fActiveStep->onActionNextClick(sender))
        goWorkflowNext(true);
}

void TMainFrameWorkflow::ActionPreviousStepExecute(QObject* sender)
{
    if (IMainPopupControllerRef top = popupShownGet(0)) {
        top->onActionPreviousClick(nullptr);
        return;
    }
    if (!fActiveStep || !fActiveStep->onActionPreviousClick(sender))
        goWorkflowPrevious(true);
}

bool TMainFrameWorkflow::hasActionNextClick()
{
    return fActionNextStep.isVisible();
}

bool TMainFrameWorkflow::hasActionPreviousClick()
{
    return fActionPreviousStep.isVisible();
}

void TMainFrameWorkflow::ActionNextClick()
{
    ActionNextStepExecute(nullptr);
}

void TMainFrameWorkflow::ActionPreviousClick()
{
    ActionPreviousStepExecute(nullptr);
}

// ---------------------------------------------------- workflow operations

void TMainFrameWorkflow::setWorkflowType(TWorkflowType workflowType)
{
    TCtrlScreenBase::mainThreadCheck();
    if (workflowType == fWorkflowType)
        return;
    fWorkflowType = workflowType;
    try {
        workflowBreadCrumbBuild();
    } catch (...) {
        fWorkflowType = TWorkflowNone;
        if (fCtrlWorkflow) {
            if (fBreadCrumbBar)
                fBreadCrumbBar->DetachBreadCrumbSteps(this, fCtrlWorkflow.get());
            fCtrlWorkflow->ClearBreadCrumb();
        }
        workflowContentUpdate();
        throw;
    }
}

TWorkflowType TMainFrameWorkflow::getWorkflowType()
{
    return fWorkflowType;
}

TWorkflowStep TMainFrameWorkflow::WorkflowStep()
{
    return fActiveStep ? fActiveStepClass : nullptr;
}

QWidget* TMainFrameWorkflow::StepTabItem(TWorkflowStep step) const
{
    TCtrlWorkflowStep* s = fCtrlWorkflow ? fCtrlWorkflow->FindStep(step, false) : nullptr;
    return s ? s->TabItem() : nullptr;
}

void TMainFrameWorkflow::setWorkflowStepVisible(TWorkflowStep step, bool bVisible)
{
    TCtrlScreenBase::mainThreadCheck();
    if (!fCtrlWorkflow)
        throw Exception(QStringLiteral("TCtrlWorkflow.FindStep: step not found"));
    if (fCtrlWorkflow->SetStepVisible(step, bVisible))
        workflowActionsUpdate();
}

bool TMainFrameWorkflow::getWorkflowStepVisible(TWorkflowStep step)
{
    if (!fCtrlWorkflow)
        throw Exception(QStringLiteral("TCtrlWorkflow.FindStep: step not found"));
    return fCtrlWorkflow->GetStepVisible(step);
}

void TMainFrameWorkflow::workflowStepCurrentHide()
{
    fWorkflowStepToHide = WorkflowStep();
}

void TMainFrameWorkflow::setWorkflowStepMax(TWorkflowStep step)
{
    TCtrlScreenBase::mainThreadCheck();
    if (fCtrlWorkflow && fCtrlWorkflow->SetWorkflowStepMax(step, 0))
        workflowActionsUpdate();
}

void TMainFrameWorkflow::setWorkflowStepNextMax(TWorkflowStep step)
{
    TCtrlScreenBase::mainThreadCheck();
    if (fCtrlWorkflow && fCtrlWorkflow->SetWorkflowStepMax(step, 1))
        workflowActionsUpdate();
}

void TMainFrameWorkflow::setWorkflowBreadCrumbVisible(bool bVisible)
{
    TCtrlScreenBase::mainThreadCheck();
    if (fBreadCrumbBar)
        fBreadCrumbBar->setBreadCrumbVisible(bVisible);
}

bool TMainFrameWorkflow::getWorkflowBreadCrumbVisible()
{
    TCtrlScreenBase::mainThreadCheck();
    return fBreadCrumbBar && fBreadCrumbBar->getBreadCrumbVisible();
}

// ------------------------------------------------------ workflow data

void TMainFrameWorkflow::setWorkflowData(TWorkflowDataType dataType, IWorkflowDataRef data)
{
    TCtrlScreenBase::mainThreadCheck();
    if (!fWorkflowData)
        fWorkflowData = std::make_unique<std::unordered_map<std::type_index, IWorkflowDataRef>>();
    (*fWorkflowData)[dataType] = std::move(data);
}

IWorkflowDataRef TMainFrameWorkflow::getWorkflowData(TWorkflowDataType dataType)
{
    TCtrlScreenBase::mainThreadCheck();
    if (!fWorkflowData)
        return nullptr;
    const auto it = fWorkflowData->find(dataType);
    return it == fWorkflowData->end() ? nullptr : it->second;
}

void TMainFrameWorkflow::workflowDataKeep(TWorkflowDataType type, std::function<void(IWorkflowData&)> resetInKiosk)
{
    fWorkflowDataKept.emplace_back(type, std::move(resetInKiosk));
}

void TMainFrameWorkflow::workflowDataClear()
{
    if (!fWorkflowData)
        return;
    std::vector<std::pair<std::type_index, IWorkflowDataRef>> kept;
    for (const auto& [type, reset] : fWorkflowDataKept) {
        if (IWorkflowDataRef data = getWorkflowData(type)) {
            if (reset && Zebdesign() == zebd_kiosk) {
                try {
                    reset(*data);
                } catch (const std::exception& e) {
                    LogFatal(QStringLiteral("TMainNavi.workflowDataClear / wkSrc clear"), e);
                    continue;
                }
            }
            kept.emplace_back(type, data);
        }
    }
    try {
        fWorkflowData.reset();
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TMainNavi.workflowDataClear"), e);
    }
    for (const auto& [type, data] : kept)
        setWorkflowData(type, data);
}
