#include "UCtrlProductChoicePrintBorder.h"

#include "UAppExceptions.h"
#include "UChoiceFormats.h"
#include "UChoicePictures.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UPrintBorderChoices.h"
#include "UPrintOrder.h"
#include "UWorkflowDataProductPrint.h"
#include "UWorkflowSteps.h"

void TCtrlProductChoicePrintBorder::OnOpen(IMainFrame* main)
{
    TCtrlProductChoiceBase::OnOpen(main);
    SetPageTitle(LangTexts::Screens::AddWhiteBordersPrints.Text());
    const TTileButtonList& buttons = buttonListGet();
    if (buttons.empty())
        throw Exception(QStringLiteral("No choice found"));
    if (buttons.size() == 1) {
        auto* b = qobject_cast<TProductBorderButton*>(buttons.front().data());
        borderClick(b && b->border());
        MainFrame()->workflowStepCurrentHide();
    }
}

QString TCtrlProductChoicePrintBorder::topBarTitle()
{
    return LangTexts::Screens::SelectBorder.Text();
}

void TCtrlProductChoicePrintBorder::createButtons()
{
    c.fButtonList.clear();
    auto data = WorkflowData<TWorkflowDataProductPrint>();
    for (bool border : TPrintBorderChoices::borders(ChoiceListToVector(data->getPrintProductListWithSizeAndFinishFilter()))) {
        // The drawn picture stands in until the resource picture is there.
        auto* b = new TProductBorderButton(TChoicePictures::Border(border), tilesContainer());
        b->setMain(MainFrame());
        b->setResId(border ? QStringLiteral("imgwithborder") : QStringLiteral("imgwithoutborder"));
        b->setDescription(border ? LangTexts::Screens::AddClassicWhiteBorder.Text()
                                 : LangTexts::Screens::PrintsWithoutBorders.Text());
        b->setBorder(border);
        QObject::connect(b, &QAbstractButton::clicked, b, [this, b] {
            try {
                borderClick(b->border());
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
        c.fButtonList.push_back(b);
    }
    if (MainFrame()->Zebdesign() == zebd_mobile) {
        c.fButtonWidth = 300;
        c.fButtonWidthMax = 300;
        c.fBtnPerRowMax = 2;
    }
}

void TCtrlProductChoicePrintBorder::borderClick(bool border)
{
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductPrint>();
    data->setBorder(border);
    TTirageProduct* product = TPrintBorderChoices::productFor(
        ChoiceOrder(main, QStringLiteral("TCtrlProductChoicePrintBorder")), ChoiceListToVector(data->getPrintProductListWithSizeAndFinishFilter()), border);
    data->setCurrentPrintProduct(product);
    main->orderChanged();
    if (TPrintBorderChoices::frontPrintNext(main->GetWebSvcFrontPrintActivated(), product))
        main->goWorkflowStep(&WorkflowSteps::TCtrlProductChoicePrintFront, true, true);
    else
        main->goWorkflowStep(&WorkflowSteps::TCtrlSelectImagePrint, true, true);
}
