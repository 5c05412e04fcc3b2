#include "UCtrlAlbumTheme.h"

#include "UAlbumChoices.h"
#include "UAlbumProduct.h"
#include "UChoiceFormats.h"
#include "ULabAlbumContracts.h"
#include "ULangTexts.h"
#include "UMainFrameTypes.h"
#include "UPagePreviewPart.h"
#include "UProductSizeLayout.h"
#include "UWorkflowDataProductAlbum.h"
#include "UWorkflowSteps.h"

#include <QPushButton>

namespace {

// The sample book's pages 3 and 4 (from 0): an inner double page.
bool drawInnerSpread(TPagePreviewPart* part, QPainter& canvas, const QRectF& rect, TAlbumProduct* book)
{
    auto* impl = dynamic_cast<TAlbumProductImpl*>(book);
    if (!impl)
        return false;
    IArcList<TCustomizedPageBase*> pages = impl->CustomizedAlbumPageList();
    if (!pages || pages->GetCount() < 5)
        return false;
    return TPagePreviewPart::drawSpread(part, canvas, rect, pages->GetItem(3), pages->GetItem(4));
}

} // namespace

TBackgroundRangeButton::TBackgroundRangeButton(QWidget* parent)
    : TCtrlPagingTileChoiceButton(nullptr, QStringLiteral("productthemealbum"), parent)
{
    fDrawAlbumLayout = new TPagePreviewPart(QStringLiteral("TBackgroundRangeButton"),
                                            QStringLiteral("TBackgroundRangeButton.layoutAlbumPaint"), resizePart());
    fDrawAlbumLayout->setPainter([this](TPagePreviewPart* part, QPainter& canvas, const QRectF& rect) {
        if (!fAlbumPreview && main())
            fAlbumPreview = TCtrlScreenBase::WorkflowData<TWorkflowDataProductAlbum>(main())->getBackgroundPreview(
                fBackgroundRange, -1);
        return drawInnerSpread(part, canvas, rect, fAlbumPreview.get());
    });
    fDrawAlbumLayout->show();
    imagePart()->hide();
}

TBackgroundRangeButton::~TBackgroundRangeButton()
{
    delete fDrawAlbumLayout.data();
}

void TBackgroundRangeButton::bindMain(IMainFrame* main)
{
    setMain(main);
    fDrawAlbumLayout->setMain(main);
}

void TBackgroundRangePage::layoutButtons()
{
    const TPagingButtonList& all = buttonList();
    if (all.empty())
        return;
    const QSize size0(all.front()->tileX(), all.front()->tileY());
    const TSizeLayoutResult r = TProductSizeLayout::themeGrid(QSizeF(width(), height()), PageNo(),
                                                              ScrollBox()->ItemPerPage(), VertScroll(), size0,
                                                              int(all.size()), btnExternalHeight());
    const QSize shape = TProductSizeLayout::themeGridShape(ScrollBox()->ItemPerPage(), VertScroll());
    const size_t first = size_t((PageNo() - 1) * shape.width() * shape.height());
    for (size_t i = 0; i < r.buttons.size() && first + i < all.size(); ++i) {
        TCtrlPagingTileChoiceButton* b = all[first + i];
        if (!b->parentWidget() || b->parentWidget() != this) {
            b->setParent(this);
        }
        b->setGeometry(r.buttons[i].toRect());
        b->setVisible(true);
    }
}

void TCtrlAlbumTheme::OnOpen(IMainFrame* main)
{
    TCtrlPagingTileChoiceBase::OnOpen(main);
    if (buttonPagingMore())
        buttonPagingMore()->setText(LangTexts::Screens::MoreThemes.Text());
}

QString TCtrlAlbumTheme::topBarTitle()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return LangTexts::Screens::SelectPhotobookTheme.Text();
    return LangTexts::Screens::ChooseThemeBook.Text();
}

TCtrlPagingTileChoiceScrollBox* TCtrlAlbumTheme::createScrollBox()
{
    if (MainFrame() && MainFrame()->Zebdesign() == zebd_mobile)
        return new TCtrlPagingTileChoiceScrollBox(this, true, false, 2);
    return new TCtrlPagingTileChoiceScrollBox(this, false, true, 6);
}

TCtrlPagingTileChoicePage* TCtrlAlbumTheme::createPage(TCtrlPagingTileChoiceScrollBox* box, int pageNo)
{
    return new TBackgroundRangePage(box, pageNo);
}

void TCtrlAlbumTheme::choiceButtonsFill(TPagingButtonList& list)
{
    auto data = WorkflowData<TWorkflowDataProductAlbum>();
    TAlbumProduct* book = data->currentAlbumProduct();
    if (!book || !book->Album())
        return;
    for (GammeFond2* range : ChoiceListToVector(data->getCurrentAlbumProductBackgroundRangeList())) {
        // Owned until listed: a failure while it is filled frees it.
        auto owned = std::make_unique<TBackgroundRangeButton>();
        auto* b = owned.get();
        b->bindMain(MainFrame());
        b->setBackgroundRange(range);
        b->setDescription(range->Description());
        b->setTileX(2 * book->Album()->LargeurPage());
        b->setTileY(book->Album()->HauteurPage());
        list.push_back(owned.release());
    }
    // Catalogue order: not sorted.
}

void TCtrlAlbumTheme::choiceButtonClick(TCtrlPagingTileChoiceButton* sender)
{
    auto* b = dynamic_cast<TBackgroundRangeButton*>(sender);
    if (!b)
        return;
    auto data = WorkflowData<TWorkflowDataProductAlbum>();
    if (auto* impl = dynamic_cast<TAlbumProductImpl*>(data->currentAlbumProduct()))
        impl->SetBackgroundRange(b->backgroundRange());
    if (data->ChangeBackgroundsIfNotEmpty())
        MainFrame()->goWorkflowNext(true);
    else
        MainFrame()->goWorkflowStep(&WorkflowSteps::TCtrlAlbumFramesPerPage, true, true);
}
