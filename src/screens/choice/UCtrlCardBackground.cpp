#include "UCtrlCardBackground.h"

#include "UChoiceFormats.h"
#include "UDesignedProducts.h"
#include "ULangTexts.h"
#include "UPagePreviewPart.h"
#include "UPrintOrder.h"
#include "UTemplateChoices.h"
#include "UTemplatesInfo.h"
#include "UWorkflowDataProductCard.h"

TCardBackgroundButton::TCardBackgroundButton(QSvgRenderer* defaultImage, QWidget* parent)
    : TProductButtonText3lines(defaultImage, parent)
{
    fDrawCardLayout = new TPagePreviewPart(QStringLiteral("TCardBackgroundButton"),
                                           QStringLiteral("TCardBackgroundButton.layoutCardPaint"), resizePart());
    fDrawCardLayout->setPainter(
        [this](TPagePreviewPart*, QPainter& canvas, const QRectF& rect) { return paintPreview(canvas, rect); });
    fDrawCardLayout->show();
    imagePart()->hide();
}

TCardBackgroundButton::~TCardBackgroundButton()
{
    // The part leaves the cache before the preview it draws goes.
    delete fDrawCardLayout.data();
}

void TCardBackgroundButton::setMain(IMainFrame* main)
{
    fMain = main;
    fDrawCardLayout->setMain(main);
}

bool TCardBackgroundButton::paintPreview(QPainter& canvas, const QRectF& rect)
{
    if (!fMain || !fCardProduct || !fTemplateVelmoraData)
        return false;
    auto data = TCtrlScreenBase::WorkflowData<TWorkflowDataProductCard>(fMain);
    if (fCardPreview)
        data->completePreview(fCardPreview.get(), fCardProduct, fTemplateVelmoraData);
    else
        fCardPreview = data->getPreview(fCardProduct, fTemplateVelmoraData);
    if (!fCardPreview)
        return false;
    return TPagePreviewPart::drawPage(fDrawCardLayout, canvas, rect, fCardPreview->GetPageByNum(1));
}

void TCtrlCardBackground::OnOpen(IMainFrame* main)
{
    TCtrlProductChoiceBase::OnOpen(main);
    c.fBtnPerRowMax = 6;
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        main->EventObserverRegister(self, moe_templateVelmoraInfoLoaded);
}

void TCtrlCardBackground::OnClose()
{
    if (auto self = std::dynamic_pointer_cast<IMainObserver>(shared_from_this()))
        fMain->EventObserverUnregister(self, moe_templateVelmoraInfoLoaded);
    TCtrlProductChoiceBase::OnClose();
}

void TCtrlCardBackground::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    // Frame details arrived: previews waiting for them complete themselves.
    if (evtype != moe_templateVelmoraInfoLoaded || !tilesContainer())
        return;
    for (const auto& b : c.fButtonList)
        if (auto* tile = qobject_cast<TCardBackgroundButton*>(b.data()); tile && tile->previewPart())
            tile->previewPart()->update();
}

void TCtrlCardBackground::createButtons()
{
    c.fButtonList.clear();
    auto data = WorkflowData<TWorkflowDataProductCard>();
    Tirage2* chosen = data->cardProduct();
    if (!chosen)
        return;
    for (TTemplateVelmoraData* tpl : ChoiceListToVector(data->getCardTemplateVelmoraDataList())) {
        Tirage2* f = data->getCardProductFromTemplateVelmoraData(tpl);
        if (!TCardChoices::backgroundFits(*chosen, *f, tpl->ImgVerso() != nullptr))
            continue;
        auto* b = new TCardBackgroundButton(c.svgDocMountain, tilesContainer());
        b->setMain(MainFrame());
        b->resize(125, 110);
        b->setCardProduct(f);
        b->setTemplateVelmoraData(tpl);
        QObject::connect(b, &QAbstractButton::clicked, b, [this, b] {
            try {
                backgroundClick(b);
            } catch (const std::exception& e) {
                if (MainFrame())
                    MainFrame()->ShowEx(e, nullptr);
            }
        });
        c.fButtonList.push_back(b);
    }
}

void TCtrlCardBackground::backgroundClick(TCardBackgroundButton* tile)
{
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductCard>();
    if (TTemplateProduct* current = data->currentCardProduct()) {
        const QString question = current->TplType() == TTemplateType::DesignerPrint
            ? LangTexts::Screens::DoWantDeleteCurrentDesigner.Text()
            : LangTexts::Screens::DoWantDeleteCurrentCard.Text();
        // The answer comes later: the step may be gone by then.
        std::weak_ptr<TCtrlCommonBase> self = shared_from_this();
        QPointer<TCardBackgroundButton> guard(tile);
        auto again = [self, data, guard](bool remove) {
            auto step = std::static_pointer_cast<TCtrlCardBackground>(self.lock());
            if (!step || !guard)
                return;
            if (remove)
                ChoiceOrder(step->MainFrame(), QStringLiteral("TCtrlCardBackground")).TemplateProductDel(data->currentCardProduct(), false);
            data->setCurrentCardProduct(nullptr);
            step->backgroundClick(guard);
        };
        main->ConfirmYesNo(question, [again] { again(true); }, [again] { again(false); });
        return;
    }
    TTemplateProduct* product = ChoiceOrder(main, QStringLiteral("TCtrlCardBackground")).TemplateProductAdd(data->cardProduct(), 1);
    product->SetTplType(data->mode());
    TTemplatesInfo::BuildClassicTemplate(main, product, tile->templateVelmoraData());
    data->setCurrentCardProduct(product);
    data->addFrameUserIfNeeded();
    data->autofillUserFramesToDo();
    main->orderChanged();
    main->goWorkflowNext(true);
}
