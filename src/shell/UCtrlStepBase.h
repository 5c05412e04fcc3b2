#pragma once
// Base of the controllers of full-screen workflow steps. The parent given to
// the constructor is the step's tab item.
#include "IMainStepController.h"
#include "UCtrlCommonBase.h"

class QWidget;

class TCtrlStepBase : public TCtrlCommonBase, public IMainStepController {
public:
    TCtrlStepBase(IMainFrame* main, QWidget* stepTabItem);

    QWidget* StepTabItem() const { return fStepTabItem; }

    // IMainController, as a plain step answers.
    void OnOpen(IMainFrame* main) override { TCtrlCommonBase::OnOpen(main); }
    void OnClose() override { TCtrlCommonBase::OnClose(); }
    QString topBarTitle() override { return TCtrlCommonBase::topBarTitle(); }
    QString topBarSubTitle() override { return TCtrlCommonBase::topBarSubTitle(); }
    bool hasActionNext() override { return false; }
    bool hasActionPrevious() override { return false; }
    bool hasActionMobileMenu() override { return true; }
    bool onActionNextClick(QObject* sender) override { return false; }
    bool onActionPreviousClick(QObject* sender) override { return false; }
    bool onActionMobileMenuClick(QObject* sender) override { return false; }
    bool isTaskWaiting() override { return TCtrlCommonBase::isTaskWaiting(); }
    bool taskCancel() override { return TCtrlCommonBase::taskCancel(); }
    bool imagesWorkingIndicator() override { return TCtrlCommonBase::imagesWorkingIndicator(); }
    bool userIdleBlocked() override { return TCtrlCommonBase::userIdleBlocked(); }

    // IMainStepController.
    void OnResize(QWidget* parent) override { }
    void OnStepLeaveNext() override { }
    void OnStepLeavePrevious() override { }
    bool OnLangChanged() override { return false; }

private:
    QWidget* fStepTabItem;
};

using TCtrlStepBaseRef = std::shared_ptr<TCtrlStepBase>;
