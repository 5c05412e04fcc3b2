#include "UCtrlProductChoicePrintBase.h"

#include "UAppExceptions.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UWorkflowDataProductPrint.h"
#include "UWorkflowSteps.h"

void TCtrlProductChoicePrintBase::OnOpen(IMainFrame* main)
{
    TCtrlProductChoiceBase::OnOpen(main);
    if (main->Zebdesign() != zebd_mobile)
        SetPageTitle(pageTitle());
    const TTileButtonList& buttons = buttonListGet();
    if (buttons.empty())
        throw Exception(QStringLiteral("No choice found"));
    if (buttons.size() == 1)
        choiceSingleApply();
}

QString TCtrlProductChoicePrintBase::pageTitle()
{
    return LangTexts::Screens::ChoosePrintFinish.Text();
}

void TCtrlProductChoicePrintBase::createButtons()
{
    c.fButtonList.clear();
    for (TGroupIdChoice* choice : choiceListGet()) {
        TProductChoicePrintButton* b = choiceButtonCreate(choice);
        b->setParent(tilesContainer());
        c.fButtonList.push_back(b);
    }
}

TProductChoicePrintButton* TCtrlProductChoicePrintBase::choiceButtonCreate(TGroupIdChoice* choice)
{
    auto* b = new TProductChoicePrintButton(c.svgDocMountain, tilesContainer());
    KioskSetStyleLookup(b, QStringLiteral("productprintfinish"));
    b->setCaption(choice->Name());
    b->setDescription(choice->FullDescription(MainFrame()));
    b->setPriceTxt(choice->PriceAsString(MainFrame()));
    b->setChoiceId(choice);
    b->setImage(nullptr);
    QObject::connect(b, &QAbstractButton::clicked, b, [this, b] {
        try {
            choiceApply(b->choiceId());
        } catch (const std::exception& e) {
            if (MainFrame())
                MainFrame()->ShowEx(e, nullptr);
        }
    });
    return b;
}

void TCtrlProductChoicePrintBase::choiceSingleApply()
{
    auto* b = qobject_cast<TProductChoicePrintButton*>(buttonListGet().front().data());
    if (!b)
        return;
    choiceApply(b->choiceId());
    // Left out when going back: the customer never had to use it.
    MainFrame()->workflowStepCurrentHide();
}

// --- print group

QString TCtrlProductChoicePrintGroup::topBarTitle()
{
    return LangTexts::Screens::SelectFormat.Text();
}

QString TCtrlProductChoicePrintGroup::pageTitle()
{
    return LangTexts::Screens::ChoosePrintFormat.Text();
}

const TOwnerList<TGroupIdChoice>& TCtrlProductChoicePrintGroup::choiceListGet()
{
    return WorkflowData<TWorkflowDataProductPrint>()->getPrintGroupList();
}

void TCtrlProductChoicePrintGroup::choiceApply(TGroupIdChoice* choice)
{
    WorkflowData<TWorkflowDataProductPrint>()->setGroup(choice->GroupId());
    if (MainFrame()->isAltPrintWorkflow())
        MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlProductChoicePrintSurface, true, true);
    else
        MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlProductSizePrint, true, true);
}

// --- surface

QString TCtrlProductChoicePrintSurface::topBarTitle()
{
    return LangTexts::Screens::SelectFinish.Text();
}

const TOwnerList<TGroupIdChoice>& TCtrlProductChoicePrintSurface::choiceListGet()
{
    return WorkflowData<TWorkflowDataProductPrint>()->getPrintFinishListWithGroupFilter();
}

void TCtrlProductChoicePrintSurface::choiceApply(TGroupIdChoice* choice)
{
    WorkflowData<TWorkflowDataProductPrint>()->setFinish(choice->GroupId());
    MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlProductSizePrint, true, true);
}

// --- finish

QString TCtrlProductChoicePrintFinish::topBarTitle()
{
    return LangTexts::Screens::SelectFinish.Text();
}

const TOwnerList<TGroupIdChoice>& TCtrlProductChoicePrintFinish::choiceListGet()
{
    return WorkflowData<TWorkflowDataProductPrint>()->getPrintFinishListWithSizeFilter();
}

void TCtrlProductChoicePrintFinish::choiceApply(TGroupIdChoice* choice)
{
    WorkflowData<TWorkflowDataProductPrint>()->setFinish(choice->GroupId());
    MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlProductChoicePrintBorder, true, true);
}
