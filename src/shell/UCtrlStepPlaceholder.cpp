#include "UCtrlStepPlaceholder.h"

#include "UWorkflowType.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace {

struct TWorkflowChoice {
    const char* name;
    TWorkflowType type;
};

const TWorkflowChoice kWorkflowChoices[] = {
    { "Prints", TWorkflowPrint },
    { "Cards", TWorkflowCard },
    { "Designer prints", TWorkflowDesignerPrint },
    { "Monthly calendars", TWorkflowCalendarMonthly },
    { "Annual calendars", TWorkflowCalendarAnnual },
    { "Photo books", TWorkflowAlbum },
};

} // namespace

TCtrlStepPlaceholder::TCtrlStepPlaceholder(IMainFrame* main, QWidget* tabItem, TWorkflowStep step)
    : TCtrlStepBase(main, tabItem)
    , fStep(step)
{
}

TCtrlStepPlaceholder::~TCtrlStepPlaceholder()
{
    if (fContent)
        delete fContent.data();
}

IMainStepControllerRef TCtrlStepPlaceholder::CreatePlaceholder(IMainFrame* main, QWidget* tabItem, TWorkflowStep step)
{
    return TCtrlCommonBase::Create<TCtrlStepPlaceholder>(main, tabItem, step);
}

QString TCtrlStepPlaceholder::topBarTitle()
{
    return fStep ? fStep->ClassName : QString();
}

void TCtrlStepPlaceholder::OnOpen(IMainFrame* main)
{
    TCtrlStepBase::OnOpen(main);
    QWidget* tab = StepTabItem();
    if (tab && !fContent) {
        fContent = new QWidget(tab);
        fContent->setObjectName(QStringLiteral("LayoutStepPlaceholder"));
        auto* lay = new QVBoxLayout(fContent);
        lay->addStretch(1);
        auto* label = new QLabel(fStep->ClassName + QStringLiteral("\n") + fStep->TabName(), fContent);
        label->setObjectName(QStringLiteral("LabelStepPlaceholder"));
        label->setAlignment(Qt::AlignCenter);
        lay->addWidget(label);
        if (fStep == &WorkflowSteps::TCtrlTileChoiceHomeProducts) {
            for (const TWorkflowChoice& choice : kWorkflowChoices) {
                auto* btn = new QPushButton(QString::fromLatin1(choice.name), fContent);
                btn->setObjectName(QStringLiteral("ButtonPlaceholderWorkflow%1").arg(int(choice.type)));
                const TWorkflowType type = choice.type;
                QObject::connect(btn, &QPushButton::clicked, btn, [main, type] {
                    main->setWorkflowType(type);
                    main->goWorkflowNext(true);
                });
                lay->addWidget(btn, 0, Qt::AlignHCenter);
            }
        }
        lay->addStretch(2);
        if (!tab->layout()) {
            auto* tabLay = new QVBoxLayout(tab);
            tabLay->setContentsMargins(0, 0, 0, 0);
        }
        tab->layout()->addWidget(fContent);
        fContent->show();
    }
    // Nothing to complete here: the following step is reachable at once.
    main->setWorkflowStepNextMax(fStep);
}

void TCtrlStepPlaceholder::OnClose()
{
    if (fContent)
        delete fContent.data();
    TCtrlStepBase::OnClose();
}
