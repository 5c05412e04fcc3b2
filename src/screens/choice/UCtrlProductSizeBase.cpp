#include "UCtrlProductSizeBase.h"

#include "UChoicePictures.h"
#include "UProductSizeLayout.h"
#include "UQzguiButton.h"



TProductSizeButton::TProductSizeButton(QSvgRenderer* defaultImage, const QString& style, QWidget* parent)
    : TCtrlPagingTileChoiceButton(defaultImage, style, parent)
{
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
        b->setGeometry(r.buttons[i].toRect());
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
