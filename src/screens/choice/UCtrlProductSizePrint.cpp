#include "UCtrlProductSizePrint.h"

#include "UChoiceFormats.h"
#include "UChoicePriceText.h"
#include "UMainFrameTypes.h"
#include "UPrintSizeChoices.h"
#include "UProductBase.h"
#include "UWorkflowDataProductPrint.h"
#include "UWorkflowSteps.h"
#include "ULangTexts.h"

#include <QLabel>

TProductSizeTextButton::TProductSizeTextButton(QSvgRenderer* defaultImage, const QString& style, QWidget* parent)
    : TProductSizeButton(defaultImage, style, parent)
    , fTTextPrefix(new QLabel(this))
{
    fTTextPrefix->setObjectName(QStringLiteral("textPrefix2"));
    fTTextPrefix->setAlignment(Qt::AlignCenter);
    fTTextPrefix->setWordWrap(true);
    fTTextPrefix->setAttribute(Qt::WA_TransparentForMouseEvents);
    fTTextPrefix->hide();
}

void TProductSizeTextButton::setPrefix(const QString& prefix)
{
    TProductSizeButton::setPrefix(prefix);
    fPrefix2 = TPrintSizeChoices::prefixSecondLine(prefix);
    fTTextPrefix->setText(fPrefix2);
    fTTextPrefix->setVisible(!fPrefix2.isEmpty());
    fitTexts();
}

void TProductSizeTextButton::resizeEvent(QResizeEvent* event)
{
    TProductSizeButton::resizeEvent(event);
    fitTexts();
}

void TProductSizeTextButton::applyTextMargins()
{
    // The texts of a size button never reach beyond the button itself.
    TProductSizeButton::applyTextMargins();
    fitTexts();
}

void TProductSizeTextButton::fitTexts()
{
    // The second prefix line stands at the foot of the print's picture,
    // right above the size label.
    if (fPrefix2.isEmpty())
        return;
    QWidget* area = resizePart();
    const int w = area ? area->width() : width();
    const int h = fTTextPrefix->heightForWidth(std::max(w, 1));
    const int lh = std::max(h, fTTextPrefix->fontMetrics().height());
    const QRect r = area ? area->geometry() : rect();
    fTTextPrefix->setGeometry(r.left(), r.bottom() - lh, r.width(), lh);
    fTTextPrefix->raise();
}

TProductPrintSizeButton::TProductPrintSizeButton(QWidget* parent)
    : TProductSizeTextButton(nullptr, QStringLiteral("productsizeprint"), parent)
{
}

QString TCtrlProductSizePrint::topBarTitle()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return LangTexts::Screens::SelectSize.Text();
    return LangTexts::Screens::ChoosePrintSize.Text();
}

void TCtrlProductSizePrint::choiceButtonsFill(TPagingButtonList& list)
{
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductPrint>();
    const bool mobile = main->Zebdesign() == zebd_mobile;
    const std::vector<TSizeChoice> choices = TPrintSizeChoices::build(
        ChoiceListToVector(data->getPrintProductListForSizeChoice()),
        [&](Tirage2* f) { return data->getMinimumPrice(f); }, mobile);
    for (const TSizeChoice& c : choices) {
        // Owned until listed: a failure while it is filled frees it.
        auto owned = std::make_unique<TProductPrintSizeButton>();
        auto* b = owned.get();
        b->setId(c.id);
        b->setKey(c.key);
        b->setCaption(main->printFmtSizeLabel(c.format, nullptr, plm_full_2_lines));
        b->setTileX(c.x);
        b->setTileY(c.y);
        b->setFilterWidth(c.filterWidth);
        b->setFilterHeight(c.filterHeight);
        b->setDisplayOrder(c.displayOrder);
        b->setPrefix(c.prefix);
        b->setHideSizeTxt(c.hideSizeTxt);
        b->setPriceTxt(TChoicePriceText::from(TChoicePriceText::tariff(main, c.minPrice)));
        list.push_back(owned.release());
    }
    Sort(list);
}

void TCtrlProductSizePrint::choiceButtonClick(TCtrlPagingTileChoiceButton* sender)
{
    auto* b = dynamic_cast<TProductSizeButton*>(sender);
    if (!b)
        return;
    auto data = WorkflowData<TWorkflowDataProductPrint>();
    data->setFilterWidth(b->filterWidth());
    data->setFilterHeight(b->filterHeight());
    data->setPrefix(b->prefix());
    data->setHideSizeTxt(b->hideSizeTxt());
    IMainFrame* main = MainFrame();
    if (main->isAltPrintWorkflow())
        main->goWorkflowStep(&WorkflowSteps::TCtrlProductChoicePrintBorder, true, true);
    else
        main->goWorkflowStep(&WorkflowSteps::TCtrlProductChoicePrintFinish, true, true);
}
