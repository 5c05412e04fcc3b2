#pragma once
// Helpers of the workflow tests: a window with the workflow of screens whose
// design and print workflow the test chooses and whose error boxes are
// recorded, a step controller that records its hooks and can fail, and a
// guard that registers it for a step for the time of a test.
#include "UCtrlStepBase.h"
#include "UMainFrameWorkflow.h"
#include "UThreadTaskQueue.h"
#include "UWorkflowSteps.h"

#include <QStackedWidget>
#include <QStringList>

class TestWorkflowWindow : public TMainFrameWorkflow {
public:
    explicit TestWorkflowWindow(TZebdesign design = zebd_kiosk)
        : TMainFrameWorkflow(nullptr)
    {
        fZebdesign = design;
        resize(1280, 800);
    }
    void SetDesign(TZebdesign design) { fZebdesign = design; }
    bool isAltPrintWorkflow() override { return AltPrint; }
    void ShowEx(const std::exception& ex, TProc closeProc) override { Errors << QString::fromUtf8(ex.what()); }

    // Runs the GUI Queue until it has nothing left (bounded).
    void RunQueue()
    {
        for (int i = 0; i < 50 && GuiTaskQueue()->hasTasks(); ++i)
            TimerQueueTimer();
    }
    QString ActiveTabName() const { return TabControlMain()->currentWidget()->objectName(); }
    // The tab names of the step history.
    QStringList History() const
    {
        QStringList names;
        for (TWorkflowStep s : UserSteps())
            names << s->TabId;
        return names;
    }

    bool AltPrint = false;
    QStringList Errors;
};

// A step controller that logs "<step>#<instance>.<hook>" and fails on
// request.
class RecStep : public TCtrlStepBase {
public:
    struct Behaviour {
        QStringList* log = nullptr;
        bool throwLeaveNext = false;
        bool throwOpen = false;
    };
    RecStep(IMainFrame* main, QWidget* tab, TWorkflowStep step, Behaviour b)
        : TCtrlStepBase(main, tab)
        , fStep(step)
        , fB(b)
        , fNo(++Instances)
    {
        ++Live;
    }
    ~RecStep() override { --Live; }
    void OnOpen(IMainFrame* main) override
    {
        TCtrlStepBase::OnOpen(main);
        add("open");
        if (fB.throwOpen)
            throw Exception(QStringLiteral("open failed"));
        main->setWorkflowStepNextMax(fStep);
    }
    void OnClose() override
    {
        add("close");
        TCtrlStepBase::OnClose();
    }
    void OnStepLeaveNext() override
    {
        add("leaveNext");
        if (fB.throwLeaveNext)
            throw Exception(QStringLiteral("leave failed"));
    }
    void OnStepLeavePrevious() override { add("leavePrevious"); }
    int No() const { return fNo; }
    int State = 0;

    static inline int Instances = 0;
    static inline int Live = 0;

private:
    void add(const char* what)
    {
        if (fB.log)
            fB.log->append(fStep->TabId + QLatin1Char('#') + QString::number(fNo) + QLatin1Char('.')
                           + QLatin1String(what));
    }
    TWorkflowStep fStep;
    Behaviour fB;
    int fNo;
};

// Registers RecStep for a step while it lives.
class RecStepRegistration {
public:
    RecStepRegistration(TWorkflowStepClass& step, RecStep::Behaviour b)
        : fStep(step)
        , fSaved(step.Create)
    {
        step.Create = [&step, b](IMainFrame* main, QWidget* tab) -> IMainStepControllerRef {
            return TCtrlCommonBase::Create<RecStep>(main, tab, &step, b);
        };
    }
    ~RecStepRegistration() { fStep.Create = fSaved; }

private:
    TWorkflowStepClass& fStep;
    TStepControllerFactory fSaved;
};
