#include "UZebguiBreadcrumb.h"

#include "UCtrlCommonBase.h"
#include "ULangTexts.h"

#include <QLabel>
#include <QResizeEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr qreal kPaddingTop = 10;
constexpr qreal kPaddingLeft = 5;
constexpr qreal kPaddingRight = 5;
constexpr qreal kPaddingBottom = 0;
// Height of the part of a button that the line crosses (number and text).
constexpr qreal kButtonBody = 90;
constexpr qreal kStepNoSize = 40;
constexpr qreal kLineHeight = 4;

QString styleOf(TWorkflowStepState state)
{
    switch (state) {
    case WorkflowStepDone:
        return QStringLiteral("breadcrumbBtnStepDone");
    case WorkflowStepCurrent:
        return QStringLiteral("breadcrumbBtnStepToDo");
    default:
        return QStringLiteral("breadcrumbBtnStepToDoOFF");
    }
}

} // namespace

TBreadcrumbLayout BreadcrumbLayoutCalc(const QRectF& content, int n)
{
    TBreadcrumbLayout l;
    if (n <= 0)
        return l;
    const qreal cell = content.width() / (n + 2);
    for (int i = 0; i < n + 2; ++i)
        l.cells.emplace_back(content.left() + i * cell, content.top(), cell, content.height());
    // From the centre of the first step button to the centre of the last.
    l.lineLeft = 1.5 * cell;
    l.lineWidth = (n - 1) * cell;
    return l;
}

// ---------------------------------------------------------------- buttons

TZebguiBreadcrumbButtonBase::TZebguiBreadcrumbButtonBase(QWidget* owner)
    : QPushButton(owner)
{
    setProperty("breadcrumb", true);
    setFocusPolicy(Qt::NoFocus);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(2, 0, 2, 0);
    lay->setSpacing(4);
    fText = new QLabel(this);
    fText->setObjectName(QStringLiteral("text"));
    fText->setWordWrap(true);
    fText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    fText->setAttribute(Qt::WA_TransparentForMouseEvents);
    lay->addWidget(fText, 1);
}

void TZebguiBreadcrumbButtonBase::TextRefresh()
{
    fText->setText(LabelText());
}

TZebguiBreadcrumbButtonStep::TZebguiBreadcrumbButtonStep(QWidget* owner)
    : TZebguiBreadcrumbButtonBase(owner)
{
    setObjectName(QStringLiteral("breadcrumbBtnStep"));
    fTextStepNo = new QLabel(this);
    fTextStepNo->setObjectName(QStringLiteral("textStepNo"));
    fTextStepNo->setAlignment(Qt::AlignCenter);
    fTextStepNo->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* lay = static_cast<QVBoxLayout*>(layout());
    lay->insertWidget(0, fTextStepNo, 0, Qt::AlignHCenter);
    SetScale(1);
    KioskSetStyleLookup(this, styleOf(fState));
    QObject::connect(this, &QPushButton::clicked, this, [this] { onClick(); });
}

void TZebguiBreadcrumbButtonStep::SetScale(float scale)
{
    const int side = int(std::lround(kStepNoSize * scale));
    fTextStepNo->setFixedSize(side, side);
    // A round number at every scale: the radius follows the side.
    fTextStepNo->setStyleSheet(QStringLiteral("border-radius: %1px;").arg(side / 2));
}

QString TZebguiBreadcrumbButtonStep::LabelText() const
{
    return fBreadCrumbStep ? fBreadCrumbStep->BreadCrumbLabel() : QString();
}

void TZebguiBreadcrumbButtonStep::TextRefresh()
{
    TZebguiBreadcrumbButtonBase::TextRefresh();
    fTextStepNo->setText(fBreadCrumbStep ? QString::number(fBreadCrumbStep->BreadCrumbOrder()) : QString());
}

bool TZebguiBreadcrumbButtonStep::SetBreadCrumbStep(TCtrlWorkflowBreadCrumb* entry)
{
    if (entry == fBreadCrumbStep)
        return false;
    fBreadCrumbStep = entry;
    if (entry)
        TextRefresh();
    return true;
}

void TZebguiBreadcrumbButtonStep::UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow)
{
    TZebguiBreadcrumbButtonBase::UpdateFrom(main, workflow);
    if (!fBreadCrumbStep || !workflow)
        return;
    const TWorkflowStepState state = workflow->GetStepState(fBreadCrumbStep);
    if (state == fState)
        return;
    fState = state;
    KioskSetStyleLookup(this, styleOf(state));
    for (QWidget* part : { static_cast<QWidget*>(fText), static_cast<QWidget*>(fTextStepNo) }) {
        // The parts' look follows the button's style lookup.
        part->style()->unpolish(part);
        part->style()->polish(part);
    }
    setEnabled(true);
    setCursor(state == WorkflowStepFarNext ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void TZebguiBreadcrumbButtonStep::onClick()
{
    if (fState == WorkflowStepFarNext || !fBreadCrumbStep || !fMain)
        return;
    fMain->goWorkflowStep(fBreadCrumbStep->Step()->StepClass(), true, true);
}

TZebguiBreadcrumbButtonPrevious::TZebguiBreadcrumbButtonPrevious(QWidget* owner)
    : TZebguiBreadcrumbButtonBase(owner)
{
    setObjectName(QStringLiteral("breadcrumbBtnPrev"));
    KioskSetStyleLookup(this, QStringLiteral("breadcrumbBtnPrev"));
    fText->setAlignment(Qt::AlignCenter);
    TextRefresh();
    QObject::connect(this, &QPushButton::clicked, this, [this] {
        if (fMain)
            fMain->ActionPreviousClick();
    });
}

QString TZebguiBreadcrumbButtonPrevious::LabelText() const
{
    return LangTexts::Shell::GoBack.Text();
}

void TZebguiBreadcrumbButtonPrevious::UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow)
{
    TZebguiBreadcrumbButtonBase::UpdateFrom(main, workflow);
    setVisible(main && main->hasActionPreviousClick());
}

TZebguiBreadcrumbButtonNext::TZebguiBreadcrumbButtonNext(QWidget* owner)
    : TZebguiBreadcrumbButtonBase(owner)
{
    setObjectName(QStringLiteral("breadcrumbBtnNext"));
    KioskSetStyleLookup(this, QStringLiteral("breadcrumbBtnNext"));
    fText->setAlignment(Qt::AlignCenter);
    TextRefresh();
    QObject::connect(this, &QPushButton::clicked, this, [this] {
        if (fMain)
            fMain->ActionNextClick();
    });
}

QString TZebguiBreadcrumbButtonNext::LabelText() const
{
    return LangTexts::Shell::NextStep.Text();
}

void TZebguiBreadcrumbButtonNext::UpdateFrom(IMainFrame* main, TCtrlWorkflow* workflow)
{
    TZebguiBreadcrumbButtonBase::UpdateFrom(main, workflow);
    setVisible(main && main->hasActionNextClick());
}

// -------------------------------------------------------------------- bar

TZebguiBreadcrumb::TZebguiBreadcrumb(QWidget* owner)
    : QFrame(owner)
{
    setObjectName(QStringLiteral("ZebguiBreadcrumb"));
    setAttribute(Qt::WA_StyledBackground, true);
    KioskSetStyleLookup(this, QStringLiteral("breadcrumbPanel"));
    fLine = new QFrame(this);
    fLine->setObjectName(QStringLiteral("line"));
    fLine->setAttribute(Qt::WA_StyledBackground, true);
    fLine->hide();
    applyScale();
}

TZebguiBreadcrumb::~TZebguiBreadcrumb() = default;

bool TZebguiBreadcrumb::getBreadCrumbVisible()
{
    return !isHidden();
}

void TZebguiBreadcrumb::setBreadCrumbVisible(bool visible)
{
    setVisible(visible && !fBtns.empty());
}

QRectF TZebguiBreadcrumb::ContentRect() const
{
    return QRectF(rect()).adjusted(kPaddingLeft * fScale, kPaddingTop * fScale, -kPaddingRight * fScale,
                                   -kPaddingBottom * fScale);
}

void TZebguiBreadcrumb::UpdateBreadCrumbContent(IMainFrame* main, TCtrlWorkflow* workflow)
{
    bool added = false;
    bool changed = false;
    size_t i = 0;
    for (const auto& entry : workflow->BreadCrumbList()) {
        if (!entry->IsVisible())
            continue;
        TZebguiBreadcrumbButtonStep* btn = nullptr;
        if (i < fBtns.size())
            btn = fBtns[i];
        else {
            if (i == 0) {
                delete fBtnPrev;
                fBtnPrev = new TZebguiBreadcrumbButtonPrevious(this);
                fBtnPrev->show();
            }
            btn = new TZebguiBreadcrumbButtonStep(this);
            btn->SetScale(fScale);
            btn->show();
            fBtns.push_back(btn);
            added = true;
        }
        if (btn->SetBreadCrumbStep(entry.get()))
            changed = true;
        ++i;
    }
    while (fBtns.size() > i) {
        delete fBtns.back();
        fBtns.pop_back();
    }
    if (i > 0) {
        if (added) {
            if (!fBtnNext)
                fBtnNext = new TZebguiBreadcrumbButtonNext(this);
            fBtnNext->raise();
            fBtnNext->show();
        }
        if (added || changed)
            show();
        layoutButtons();
    } else {
        delete fBtnNext;
        fBtnNext = nullptr;
        delete fBtnPrev;
        fBtnPrev = nullptr;
        hide();
        layoutButtons();
    }
}

void TZebguiBreadcrumb::UpdateBreadCrumbStep(IMainFrame* main, TCtrlWorkflow* workflow)
{
    if (fBtnPrev)
        fBtnPrev->UpdateFrom(main, workflow);
    for (TZebguiBreadcrumbButtonStep* btn : fBtns)
        btn->UpdateFrom(main, workflow);
    if (fBtnNext)
        fBtnNext->UpdateFrom(main, workflow);
}

void TZebguiBreadcrumb::DetachBreadCrumbSteps(IMainFrame* main, TCtrlWorkflow* workflow)
{
    for (TZebguiBreadcrumbButtonStep* btn : fBtns)
        btn->SetBreadCrumbStep(nullptr);
}

QSizeF TZebguiBreadcrumb::GetGuiSize()
{
    // The design size: the scale does not change it.
    return QSizeF(width() / fScale, kDesignHeight);
}

void TZebguiBreadcrumb::SetGuiScale(float scale)
{
    if (scale <= 0)
        return;
    fScale = scale;
    applyScale();
}

void TZebguiBreadcrumb::applyScale()
{
    setFixedHeight(int(std::lround(kDesignHeight * fScale)));
    for (TZebguiBreadcrumbButtonStep* btn : fBtns)
        btn->SetScale(fScale);
    layoutButtons();
}

void TZebguiBreadcrumb::OnLangChanged()
{
    if (fBtnPrev)
        fBtnPrev->TextRefresh();
    for (TZebguiBreadcrumbButtonStep* btn : fBtns)
        btn->TextRefresh();
    if (fBtnNext)
        fBtnNext->TextRefresh();
}

void TZebguiBreadcrumb::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    layoutButtons();
}

void TZebguiBreadcrumb::layoutButtons()
{
    fLineMarginLeft = 0;
    fLineWidth = 0;
    const int n = int(fBtns.size());
    if (n == 0) {
        fLine->hide();
        return;
    }
    const QRectF content = ContentRect();
    const TBreadcrumbLayout l = BreadcrumbLayoutCalc(content, n);
    // Edges rounded one by one, so that neighbouring cells meet and differ
    // by one pixel at most.
    auto place = [](QWidget* w, const QRectF& r) {
        if (w) {
            const int left = int(std::lround(r.left()));
            const int top = int(std::lround(r.top()));
            w->setGeometry(left, top, int(std::lround(r.right())) - left, int(std::lround(r.bottom())) - top);
        }
    };
    place(fBtnPrev, l.cells.front());
    for (int i = 0; i < n; ++i)
        place(fBtns[size_t(i)], l.cells[size_t(i) + 1]);
    place(fBtnNext, l.cells.back());
    fLineMarginLeft = l.lineLeft;
    fLineWidth = l.lineWidth;
    const qreal pt = kPaddingTop * fScale;
    const qreal pb = kPaddingBottom * fScale;
    const qreal lineTop = pt + (height() - pt - pb - kButtonBody * fScale) / 2 + 10 * fScale;
    const qreal lineHeight = kLineHeight * fScale;
    fLine->setGeometry(QRectF(content.left() + fLineMarginLeft, lineTop - lineHeight / 2, fLineWidth, lineHeight)
                           .toAlignedRect());
    fLine->setVisible(n > 1);
    fLine->lower();
}
