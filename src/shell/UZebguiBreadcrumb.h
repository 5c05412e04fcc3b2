#pragma once
// The breadcrumb bar across the top of the step area: the steps of the
// current product workflow as numbered buttons between "Go Back" and
// "Next Step". Steps done, the current step and the steps ahead each have
// their own look (a style lookup the style sheet selects on); a step the
// workflow marks as far ahead does not react to presses.
#include "UCtrlWorkflow.h"

#include <QFrame>
#include <QPushButton>
#include <QRectF>
#include <vector>

class QLabel;

// Where the bar puts its buttons and its line (plain arithmetic).
struct TBreadcrumbLayout {
    std::vector<QRectF> cells; // "Go Back", the n steps, "Next Step"
    qreal lineLeft = 0;
    qreal lineWidth = 0;
};
// content: the bar less its padding; n: number of step buttons.
TBreadcrumbLayout BreadcrumbLayoutCalc(const QRectF& content, int n);

class TZebguiBreadcrumbButtonBase : public QPushButton {
public:
    explicit TZebguiBreadcrumbButtonBase(QWidget* owner);
    // The button's label text.
    virtual QString LabelText() const = 0;
    // Update from the main frame and the workflow (the base keeps main).
    virtual void UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow) { fMain = main; }
    // Sets the text to the label again.
    virtual void TextRefresh();
    QLabel* TextPart() const { return fText; }

protected:
    IMainFrame* fMain = nullptr;
    QLabel* fText;
};

class TZebguiBreadcrumbButtonStep : public TZebguiBreadcrumbButtonBase {
public:
    explicit TZebguiBreadcrumbButtonStep(QWidget* owner);
    QString LabelText() const override;
    void UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow) override;
    void TextRefresh() override;

    TCtrlWorkflowBreadCrumb* BreadCrumbStep() const { return fBreadCrumbStep; }
    // True when the entry differs from the one shown.
    bool SetBreadCrumbStep(TCtrlWorkflowBreadCrumb* entry);
    TWorkflowStepState State() const { return fState; }
    QLabel* TextStepNo() const { return fTextStepNo; }
    void SetScale(float scale);

private:
    void onClick();
    TCtrlWorkflowBreadCrumb* fBreadCrumbStep = nullptr;
    QLabel* fTextStepNo;
    TWorkflowStepState fState = WorkflowStepFarNext;
};

class TZebguiBreadcrumbButtonPrevious : public TZebguiBreadcrumbButtonBase {
public:
    explicit TZebguiBreadcrumbButtonPrevious(QWidget* owner);
    QString LabelText() const override;
    void UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow) override;
};

class TZebguiBreadcrumbButtonNext : public TZebguiBreadcrumbButtonBase {
public:
    explicit TZebguiBreadcrumbButtonNext(QWidget* owner);
    QString LabelText() const override;
    void UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow) override;
};

class TZebguiBreadcrumb : public QFrame, public IBreadCrumbGui {
public:
    explicit TZebguiBreadcrumb(QWidget* owner);
    ~TZebguiBreadcrumb() override;

    bool getBreadCrumbVisible() override;
    void setBreadCrumbVisible(bool visible) override;
    void UpdateBreadCrumbContent(IMainFrame* main, TCtrlWorkflow* workflow) override;
    void UpdateBreadCrumbStep(IMainFrame* main, TCtrlWorkflow* workflow) override;
    void DetachBreadCrumbSteps(IMainFrame* main, TCtrlWorkflow* workflow) override;
    QSizeF GetGuiSize() override;
    float GetGuiScale() override { return fScale; }
    void SetGuiScale(float scale) override;
    void OnLangChanged() override;

    const std::vector<TZebguiBreadcrumbButtonStep*>& Buttons() const { return fBtns; }
    TZebguiBreadcrumbButtonPrevious* ButtonPrevious() const { return fBtnPrev; }
    TZebguiBreadcrumbButtonNext* ButtonNext() const { return fBtnNext; }
    QFrame* Line() const { return fLine; }
    qreal LineMarginLeft() const { return fLineMarginLeft; }
    qreal LineWidth() const { return fLineWidth; }
    // The bar less its padding.
    QRectF ContentRect() const;

    static constexpr int kDesignHeight = 120;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void layoutButtons();
    void applyScale();

    std::vector<TZebguiBreadcrumbButtonStep*> fBtns;
    TZebguiBreadcrumbButtonPrevious* fBtnPrev = nullptr;
    TZebguiBreadcrumbButtonNext* fBtnNext = nullptr;
    QFrame* fLine;
    qreal fLineMarginLeft = 0;
    qreal fLineWidth = 0;
    float fScale = 1;
};
