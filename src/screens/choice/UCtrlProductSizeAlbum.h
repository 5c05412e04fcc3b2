#pragma once
// The photo-book size step: one size button per photo-book offer of the
// shop, each a live preview of the book drawn to scale, with its size
// label, name, page range, printing sides and price. A click creates the
// book in the order (asking first whether to delete one already being
// designed), keeps the preview's random layout for the real book and goes
// to the theme step.
#include "UPagePreviewPart.h"
#include "UCtrlProductSizeBase.h"

#include <QPointer>

#include <memory>

class QLabel;
class TAlbumProduct;
class TChoiceAlbumProduct;


class TProductAlbumSizeButton : public TProductSizeButton {
    Q_OBJECT
public:
    explicit TProductAlbumSizeButton(QWidget* parent = nullptr);
    ~TProductAlbumSizeButton() override;

    TChoiceAlbumProduct* choiceAlbumProduct() const { return fChoiceAlbumProduct; }
    void setChoiceAlbumProduct(TChoiceAlbumProduct* offer) { fChoiceAlbumProduct = offer; }
    void bindMain(IMainFrame* main);
    // The sample book, built on first use.
    TAlbumProduct* albumPreview();
    void setSubText(const QString& text);
    QLabel* subTextPart() const { return fTTextSubText; }
    TPagePreviewPart* previewPart() const { return fDrawAlbumLayout; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeSubText();

    TChoiceAlbumProduct* fChoiceAlbumProduct = nullptr; // owned by the workflow data
    QPointer<TPagePreviewPart> fDrawAlbumLayout;
    QLabel* fTTextSubText;
    std::unique_ptr<TAlbumProduct> fAlbumPreview;
};

class TCtrlProductSizeAlbum : public TCtrlProductSizeBase {
public:
    using TCtrlProductSizeBase::TCtrlProductSizeBase;

    QString topBarTitle() override;

protected:
    TCtrlPagingTileChoiceScrollBox* createScrollBox() override;
    void choiceButtonsFill(TPagingButtonList& list) override;
    void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) override;
};
