#include "UCtrlProductSizeCalendar.h"

#include "UChoiceFormats.h"
#include "UChoicePriceText.h"
#include "UDesignedProducts.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UPagePreviewPart.h"
#include "UPrintOrder.h"
#include "UProductBase.h"
#include "UTemplateChoices.h"
#include "UTemplateProduct.h"
#include "UTemplatesInfo.h"
#include "UWorkflowDataProductCalendar.h"

TProductCalendarSizeButton::TProductCalendarSizeButton(const QString& style, QWidget* parent)
    : TProductSizeButton(nullptr, style, parent)
{
    fDrawCalendarLayout = new TPagePreviewPart(QStringLiteral("TProductCalendarSizeButton"),
                                               QStringLiteral("TProductCalendarSizeButton.layoutCalendarPaint"),
                                               resizePart());
    fDrawCalendarLayout->setPainter(
        [this](TPagePreviewPart*, QPainter& canvas, const QRectF& rect) { return paintPreview(canvas, rect); });
    fDrawCalendarLayout->show();
    imagePart()->hide();
}

TProductCalendarSizeButton::~TProductCalendarSizeButton()
{
    delete fDrawCalendarLayout.data();
}

void TProductCalendarSizeButton::bindMain(IMainFrame* main)
{
    setMain(main);
    fDrawCalendarLayout->setMain(main);
}

bool TProductCalendarSizeButton::paintPreview(QPainter& canvas, const QRectF& rect)
{
    if (!main() || !fCalendarProduct || !fTemplateVelmoraData)
        return false;
    auto data = TCtrlScreenBase::WorkflowData<TWorkflowDataProductCalendar>(main());
    if (fCalendarPreview)
        data->completePreview(fCalendarPreview.get(), fCalendarProduct, fTemplateVelmoraData);
    else
        fCalendarPreview = data->getPreview(fCalendarProduct, fTemplateVelmoraData);
    if (!fCalendarPreview)
        return false;
    return TPagePreviewPart::drawPage(fDrawCalendarLayout, canvas, rect, fCalendarPreview->GetPageByNum(1));
}

void TCtrlProductSizeCalendar::OnOpen(IMainFrame* main)
{
    TCtrlProductSizeBase::OnOpen(main);
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        main->EventObserverRegister(self, moe_templateVelmoraInfoLoaded);
}

void TCtrlProductSizeCalendar::OnClose()
{
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        fMain->EventObserverUnregister(self, moe_templateVelmoraInfoLoaded);
    TCtrlProductSizeBase::OnClose();
}

QString TCtrlProductSizeCalendar::topBarTitle()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return LangTexts::Screens::SelectCalendarStyle.Text();
    return LangTexts::Screens::ChooseCalendarSize.Text();
}

void TCtrlProductSizeCalendar::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    if (evtype != moe_templateVelmoraInfoLoaded || !scrollBox())
        return;
    for (TCtrlPagingTileChoiceButton* b : buttonList())
        if (auto* cb = dynamic_cast<TProductCalendarSizeButton*>(b); cb && cb->previewPart())
            cb->previewPart()->update();
}

void TCtrlProductSizeCalendar::choiceButtonsFill(TPagingButtonList& list)
{
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductCalendar>();
    const bool monthly = data->calType() == ct_month;
    int index = -1;
    for (TTemplateVelmoraData* tpl : ChoiceListToVector(data->getCalendarTemplateVelmoraDataList())) {
        // A monthly template without a grid cannot make its month pages.
        if (monthly && !data->getCalendarGrid(tpl))
            continue;
        Tirage2* f = data->getCalendarProductFromTemplateVelmoraData(tpl);
        ++index;
        // Owned until listed: a failure while it is filled frees it.
        auto owned = std::make_unique<TProductCalendarSizeButton>(monthly ? QStringLiteral("productsizecalendarmonthly")
                                                         : QStringLiteral("productsizecalendarannual"));
        auto* b = owned.get();
        b->bindMain(main);
        b->setCalendarProduct(f);
        b->setTemplateVelmoraData(tpl);
        b->setDisplayOrder(f->PositionAffichage());
        b->setId(TCalendarChoices::buttonId(index, *f));
        b->setCaption(TCalendarChoices::caption(main->printFmtSizeLabel(f, tpl->TplVelmora(), plm_full), monthly));
        int x = 0, y = 0;
        TCalendarChoices::pictureSize(*f, *tpl->TplVelmora(), x, y);
        b->setTileX(x);
        b->setTileY(y);
        b->setPriceTxt(TChoicePriceText::from(TChoicePriceText::tariff(main, data->getMinimumPrice(f))));
        list.push_back(owned.release());
    }
    Sort(list);
}

void TCtrlProductSizeCalendar::choiceButtonClick(TCtrlPagingTileChoiceButton* sender)
{
    auto* b = dynamic_cast<TProductCalendarSizeButton*>(sender);
    if (!b)
        return;
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductCalendar>();
    if (TTemplateProduct* current = data->currentCalendarProduct()) {
        // The answer comes later: the step may be gone by then.
        std::weak_ptr<TCtrlCommonBase> self = shared_from_this();
        QPointer<TProductCalendarSizeButton> guard(b);
        auto again = [self, data, current, guard](bool remove) {
            auto step = std::static_pointer_cast<TCtrlProductSizeCalendar>(self.lock());
            if (!step || !guard)
                return;
            if (remove)
                ChoiceOrder(step->MainFrame(), QStringLiteral("TCtrlProductSizeCalendar")).TemplateProductDel(current, false);
            data->setCurrentCalendarProduct(nullptr);
            step->choiceButtonClick(guard);
        };
        main->ConfirmYesNo(LangTexts::Screens::DoWantDeleteCurrentCalendar.Text(), [again] { again(true); },
                           [again] { again(false); });
        return;
    }
    // Looked up before the product is added: a refusal leaves the order as
    // it was.
    TTemplateCalendar* grid = nullptr;
    if (data->calType() == ct_month) {
        grid = data->getCalendarGrid(b->templateVelmoraData());
        if (!grid)
            throw Exception(QStringLiteral("TCtrlProductSizeCalendar: no calendar grid for this template"));
    }
    TTemplateProduct* product = ChoiceOrder(main, QStringLiteral("TCtrlProductSizeCalendar")).TemplateProductAdd(b->calendarProduct(), 1);
    data->setCurrentCalendarProduct(product);
    if (!grid) {
        data->setCurrentCalendarGrid(nullptr);
        TTemplatesInfo::BuildClassicTemplate(main, product, b->templateVelmoraData());
        data->addFrameUserIfNeeded();
    } else {
        if (auto* impl = dynamic_cast<TTemplateProductImpl*>(product)) {
            impl->SetTplCal(grid->TemplateCalendar());
            impl->SetDateStart(
                TCalendarChoices::startDate(TTemplateProductImpl::getTodayAsInt(), grid->DateMin(), grid->DateMax()));
        }
        data->setCurrentCalendarGrid(grid);
        TTemplatesInfo::BuildCalendarTemplate(main, product, b->templateVelmoraData(), grid);
    }
    data->autofillUserFramesToDo();
    main->orderChanged();
    main->goWorkflowNext(true);
}
