#include "UCtrlProductSizeCard.h"

#include "UChoiceFormats.h"
#include "UChoicePriceText.h"
#include "ULabPrintContracts.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UPrintSizeChoices.h"
#include "UProductBase.h"
#include "UTemplateChoices.h"
#include "UTirageProduct.h"
#include "UWorkflowDataProductCard.h"
#include "UWorkflowSteps.h"

QString TCtrlProductSizeCard::topBarTitle()
{
    return LangTexts::Screens::SelectProduct.Text();
}

void TCtrlProductSizeCard::choiceButtonsFill(TPagingButtonList& list)
{
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductCard>();
    const bool mobile = main->Zebdesign() == zebd_mobile;
    for (Tirage2* f : ChoiceListToVector(data->getCardProductListForTheme())) {
        // Owned until listed: a failure while it is filled frees it.
        auto owned = std::make_unique<TProductCardSizeButton>();
        auto* b = owned.get();
        b->setId(TTirageProductBase::tirageFormatMakeID(f));
        b->setCaption(main->printFmtSizeLabel(f, nullptr, plm_full_2_lines));
        int x = 0, y = 0;
        TPrintSizeChoices::pictureSize(*f, mobile, x, y);
        b->setTileX(x);
        b->setTileY(y);
        b->setFilterWidth(f->Largeur());
        b->setFilterHeight(f->Longueur());
        b->setDisplayOrder(f->PositionAffichage());
        b->setPrefix(f->Prefixe());
        b->setHideSizeTxt(f->MasquerFormatTirage());
        b->setCardProduct(f);
        b->setDescription(TCardChoices::sizeDescription(*f));
        // A card's price stands alone: every card of the format costs it.
        b->setPriceTxt(TChoicePriceText::tariff(main, data->getMinimumPrice(f)));
        list.push_back(owned.release());
    }
    Sort(list);
}

void TCtrlProductSizeCard::choiceButtonClick(TCtrlPagingTileChoiceButton* sender)
{
    auto* b = dynamic_cast<TProductCardSizeButton*>(sender);
    if (!b)
        return;
    auto data = WorkflowData<TWorkflowDataProductCard>();
    data->setCardProduct(b->cardProduct());
    data->setFilterWidth(b->filterWidth());
    data->setFilterHeight(b->filterHeight());
    MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlCardBackground, true, true);
}
