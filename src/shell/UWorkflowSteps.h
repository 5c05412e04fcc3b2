#pragma once
// The workflow steps as the whole program names them. A step is identified
// by the class of its screen controller; since the controllers live in the
// screen libraries above the shell, the shell describes each class by one
// object here (TWorkflowStepClass): its name, its tab and the virtual
// constructor that the library holding the controller registers:
//
//   WorkflowStepRegister<TCtrlShoppingCart>(WorkflowSteps::TCtrlShoppingCart);
//   main->goWorkflowStep(&WorkflowSteps::TCtrlShoppingCart, true, true);
//
// A step whose controller is not registered gets a placeholder controller
// that shows the step's name (TCtrlStepPlaceholder).
#include "IMainFrame.h"
#include "IMainStepController.h"
#include "UCtrlCommonBase.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;

// Virtual constructor of a step controller: (main frame, tab item).
using TStepControllerFactory = std::function<IMainStepControllerRef(IMainFrame* main, QWidget* tabItem)>;

struct TWorkflowStepClass {
    // The controller's class name ("TCtrlShoppingCart").
    QString ClassName;
    // The id of the step's tab: the tab is "TabItem_" + TabId.
    QString TabId;
    // The parent step in the tree (null for a top-level step).
    TWorkflowStep Parent;
    // Visibility of the tab when the workflow is built.
    bool VisibleAtStart;
    // The registered virtual constructor; empty: a placeholder is built.
    TStepControllerFactory Create;

    QString TabName() const { return QStringLiteral("TabItem_") + TabId; }
};

namespace WorkflowSteps {
#define KIOSK_WORKFLOW_STEP(Class, TabId, Parent, Visible) extern TWorkflowStepClass Class;
#include "UWorkflowStepsList.h"
#undef KIOSK_WORKFLOW_STEP

// Every step, in tab order.
const std::vector<TWorkflowStepClass*>& All();
// The step of a controller class name; null when none.
TWorkflowStep ByName(const QString& className);

// The source screen's browse of the photo sources in the mobile design,
// which starts in place of the "Find Photos" entry; registered by the
// library of that screen (nothing happens while none is).
extern std::function<void(IMainFrame* main)> StartMobileImageBrowse;
} // namespace WorkflowSteps

// Registers T (a TCtrlStepBase descendant, built with TCtrlCommonBase::Create)
// as the controller of step. The class must carry the step's name.
template <class T>
void WorkflowStepRegister(TWorkflowStepClass& step)
{
    if (KioskClassName(typeid(T)) != step.ClassName)
        throw Exception(QStringLiteral("WorkflowStepRegister: class %1 registered for step %2")
                            .arg(KioskClassName(typeid(T)), step.ClassName));
    step.Create = [](IMainFrame* main, QWidget* tabItem) -> IMainStepControllerRef {
        return TCtrlCommonBase::Create<T>(main, tabItem);
    };
}
