#include "UCtrlProductSizeAlbum.h"

#include "UAlbumChoices.h"
#include "UAlbumProduct.h"
#include "UChoiceFormats.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UPagePreviewPart.h"
#include "UPrintOrder.h"
#include "UWorkflowDataProductAlbum.h"
#include "UWorkflowSteps.h"

#include <QLabel>

TProductAlbumSizeButton::TProductAlbumSizeButton(QWidget* parent)
    : TProductSizeButton(nullptr, QStringLiteral("productsizealbum"), parent)
    , fTTextSubText(new QLabel(this))
{
    fTTextSubText->setObjectName(QStringLiteral("subtext"));
    fTTextSubText->setAlignment(Qt::AlignCenter);
    fTTextSubText->setWordWrap(true);
    fTTextSubText->setAttribute(Qt::WA_TransparentForMouseEvents);
    fTTextSubText->hide();
    fDrawAlbumLayout = new TPagePreviewPart(QStringLiteral("TProductAlbumSizeButton"),
                                            QStringLiteral("TProductAlbumSizeButton.layoutAlbumPaint"), resizePart());
    fDrawAlbumLayout->setPainter([this](TPagePreviewPart* part, QPainter& canvas, const QRectF& rect) {
        TAlbumProduct* book = albumPreview();
        if (!book)
            return false;
        auto* impl = dynamic_cast<TAlbumProductImpl*>(book);
        if (!impl || impl->CustomizedAlbumPageList()->GetCount() < 1)
            return false;
        return TPagePreviewPart::drawPage(part, canvas, rect, impl->CustomizedAlbumPageList()->GetItem(0));
    });
    fDrawAlbumLayout->show();
    imagePart()->hide();
}

TProductAlbumSizeButton::~TProductAlbumSizeButton()
{
    delete fDrawAlbumLayout.data();
}

void TProductAlbumSizeButton::bindMain(IMainFrame* main)
{
    setMain(main);
    fDrawAlbumLayout->setMain(main);
}

TAlbumProduct* TProductAlbumSizeButton::albumPreview()
{
    if (!fAlbumPreview && main() && fChoiceAlbumProduct)
        fAlbumPreview = TCtrlScreenBase::WorkflowData<TWorkflowDataProductAlbum>(main())->getPreview(
            fChoiceAlbumProduct);
    return fAlbumPreview.get();
}

void TProductAlbumSizeButton::setSubText(const QString& text)
{
    fTTextSubText->setText(text);
    fTTextSubText->setVisible(!text.isEmpty());
    placeSubText();
}

void TProductAlbumSizeButton::resizeEvent(QResizeEvent* event)
{
    TProductSizeButton::resizeEvent(event);
    placeSubText();
}

void TProductAlbumSizeButton::placeSubText()
{
    // The offer's name stands over the foot of the book's preview.
    if (fTTextSubText->text().isEmpty())
        return;
    const QRect r = resizePart()->geometry();
    const int lh = std::max(fTTextSubText->heightForWidth(std::max(r.width(), 1)),
                            fTTextSubText->fontMetrics().height());
    fTTextSubText->setGeometry(r.left(), r.bottom() - lh, r.width(), lh);
    fTTextSubText->raise();
}

QString TCtrlProductSizeAlbum::topBarTitle()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return LangTexts::Screens::SelectPhotobookSize.Text();
    return LangTexts::Screens::ChooseBookSize.Text();
}

TCtrlPagingTileChoiceScrollBox* TCtrlProductSizeAlbum::createScrollBox()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return new TCtrlPagingTileChoiceScrollBox(this, true, false, 1);
    return TCtrlProductSizeBase::createScrollBox();
}

void TCtrlProductSizeAlbum::choiceButtonsFill(TPagingButtonList& list)
{
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductAlbum>();
    for (TChoiceAlbumProduct* offer : ChoiceListToVector(data->getChoiceAlbumProductList())) {
        AlbumPhotographe2* book = offer->album();
        // Owned until listed: a failure while it is filled frees it.
        auto owned = std::make_unique<TProductAlbumSizeButton>();
        auto* b = owned.get();
        b->bindMain(main);
        b->setChoiceAlbumProduct(offer);
        b->setId(book->AlbumPhotographeId());
        b->setCaption(main->albumFmtSizeLabel(book));
        b->setSubText(book->NomAlbumPhotographe());
        b->setTileX(book->LargeurPage());
        b->setTileY(book->HauteurPage());
        b->setDisplayOrder(book->PositionAffichage());
        b->setDescription(TAlbumChoices::description(*book));
        b->setPriceTxt(TAlbumChoices::priceText(main, *book, offer->price()));
        list.push_back(owned.release());
    }
    Sort(list);
}

void TCtrlProductSizeAlbum::choiceButtonClick(TCtrlPagingTileChoiceButton* sender)
{
    auto* b = dynamic_cast<TProductAlbumSizeButton*>(sender);
    if (!b || !b->choiceAlbumProduct())
        return;
    IMainFrame* main = MainFrame();
    auto data = WorkflowData<TWorkflowDataProductAlbum>();
    if (TAlbumProduct* current = data->currentAlbumProduct()) {
        // The answer comes later: the step may be gone by then.
        std::weak_ptr<TCtrlCommonBase> self = shared_from_this();
        QPointer<TProductAlbumSizeButton> guard(b);
        auto again = [self, data, current, guard](bool remove) {
            auto step = std::static_pointer_cast<TCtrlProductSizeAlbum>(self.lock());
            if (!step || !guard)
                return;
            if (remove)
                ChoiceOrder(step->MainFrame(), QStringLiteral("TCtrlProductSizeAlbum")).AlbumProductDel(current, false);
            data->setCurrentAlbumProduct(nullptr);
            step->choiceButtonClick(guard);
        };
        main->ConfirmYesNo(LangTexts::Screens::DoWantDeleteCurrentBook.Text(), [again] { again(true); },
                           [again] { again(false); });
        return;
    }
    TChoiceAlbumProduct* offer = b->choiceAlbumProduct();
    TAlbumProduct* product = ChoiceOrder(main, QStringLiteral("TCtrlProductSizeAlbum")).AlbumProductAdd(offer->album(), 1);
    // The real book is laid out with the preview's random draw.
    if (TAlbumProduct* preview = b->albumPreview())
        if (auto* impl = dynamic_cast<TAlbumProductImpl*>(preview))
            data->setRandomSeedMem(impl->randomSeedMem());
    std::vector<std::pair<GammeFond2*, bool>> ranges;
    for (TChoiceBackgroundRange* r : ChoiceListToVector(offer->choiceBackgroundRangeList()))
        ranges.emplace_back(r->backgroundRange(), r->isDefault());
    if (GammeFond2* range = TAlbumChoices::defaultRange(ranges))
        if (auto* impl = dynamic_cast<TAlbumProductImpl*>(product))
            impl->SetBackgroundRange(range);
    data->setCurrentAlbumProduct(product);
    main->orderChanged();
    main->goWorkflowStep(&WorkflowSteps::TCtrlAlbumTheme, true, true);
}
