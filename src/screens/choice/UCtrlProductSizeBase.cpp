#include "UCtrlProductSizeBase.h"

#include "UChoicePictures.h"
#include "UProductSizeLayout.h"
#include "UQzguiButton.h"



TProductSizeButton::TProductSizeButton(QSvgRenderer* defaultImage, const QString& style, QWidget* parent)
    : TCtrlPagingTileChoiceButton(defaultImage, style, parent)
{
}

void TProductSizeButton::setPictureInset(int inset)
{
    fPictureInset = inset;
    placePicture();
}

void TProductSizeButton::resizeEvent(QResizeEvent* event)
{
    TCtrlPagingTileChoiceButton::resizeEvent(event);
    placePicture();
}

void TProductSizeButton::placePicture()
{
    QWidget* area = resizePart();
    if (fPictureInset < 0 || !area)
        return;
    const QRect r = area->geometry();
    area->setGeometry(fPictureInset, r.top(), std::max(0, width() - 2 * fPictureInset), r.height());
}

TProductSizePage::TProductSizePage(TCtrlPagingTileChoiceScrollBox* box, int pageNo, QSvgRenderer* phone)
    : TCtrlPagingTileChoicePage(box, pageNo)
    , fPhone(phone)
{
}

void TProductSizePage::layoutButtons()
{
    const TPagingButtonList buttons = pageButtons();
    std::vector<QSize> sizes;
    sizes.reserve(buttons.size());
    for (TCtrlPagingTileChoiceButton* b : buttons)
        sizes.emplace_back(b->tileX(), b->tileY());
    const int perPage = ScrollBox()->ItemPerPage();
    const float ext = btnExternalHeight();
    const QSizeF page(width(), height());

    TSizeLayoutResult r;
    if (!VertScroll()) {
        if (!fSvgImageIphone5) {
            fSvgImageIphone5 = new TSvgImagePart(this);
            fSvgImageIphone5->setObjectName(QStringLiteral("svgImageIphone5"));
            fSvgImageIphone5->setAttribute(Qt::WA_TransparentForMouseEvents);
            fSvgImageIphone5->setDocument(fPhone);
            fSvgImageIphone5->show();
        }
        r = TProductSizeLayout::horizontal(page, sizes, perPage, ext);
        if (r.placed)
            fSvgImageIphone5->setGeometry(r.phone.toRect());
    } else {
        r = TProductSizeLayout::verticalFit(page, sizes, perPage, ext);
    }
    if (!r.placed)
        return;
    for (size_t i = 0; i < buttons.size() && i < r.buttons.size(); ++i) {
        TCtrlPagingTileChoiceButton* b = buttons[i];
        QRect at = r.buttons[i].toRect();
        auto* sb = dynamic_cast<TProductSizeButton*>(b);
        if (!VertScroll() && sb) {
            // The picture keeps its true size; the texts below it may also
            // use half the gap on either side.
            const int half = int(TProductSizeLayout::HorzGap / 2);
            at.adjust(-half, 0, half, 0);
            sb->setPictureInset(half);
        }
        b->setGeometry(at);
        b->setVisible(true);
        if (VertScroll())
            b->setTextAndDescMinWidth(width());
    }
}

TCtrlProductSizeBase::TCtrlProductSizeBase(IMainFrame* main, QWidget* stepTabItem)
    : TCtrlPagingTileChoiceBase(main, stepTabItem)
    , svgDocAppleIphone5(TChoicePictures::Phone())
{
}

TCtrlPagingTileChoicePage* TCtrlProductSizeBase::createPage(TCtrlPagingTileChoiceScrollBox* box, int pageNo)
{
    return new TProductSizePage(box, pageNo, svgDocAppleIphone5);
}
