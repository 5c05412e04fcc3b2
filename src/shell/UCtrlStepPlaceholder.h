#pragma once
// The controller of a step whose own screen is not built yet: it shows the
// step's name on its tab and lets the customer go on (the step makes the
// following step reachable as soon as it opens). The home step's stand-in
// also offers the product workflows, so that every workflow can be walked.
#include "UCtrlStepBase.h"
#include "UWorkflowSteps.h"

#include <QPointer>

class QWidget;

class TCtrlStepPlaceholder : public TCtrlStepBase {
public:
    TCtrlStepPlaceholder(IMainFrame* main, QWidget* tabItem, TWorkflowStep step);
    ~TCtrlStepPlaceholder() override;

    static IMainStepControllerRef CreatePlaceholder(IMainFrame* main, QWidget* tabItem, TWorkflowStep step);

    TWorkflowStep Step() const { return fStep; }
    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QString topBarTitle() override;

private:
    TWorkflowStep fStep;
    QPointer<QWidget> fContent;
};
