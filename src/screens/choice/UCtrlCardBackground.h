#pragma once
// The card background step: one tile per background template of the chosen
// theme that fits the chosen format (either way round; two-sided cards only
// with templates that have a back), each a live preview of the card with
// sample pictures. A click creates the card in the order (asking first
// whether to delete a card already being designed) and moves on.
#include "UPagePreviewPart.h"
#include "UCtrlProductChoiceBase.h"
#include "UMainObservers.h"

#include <QPointer>

#include <memory>

class Tirage2;

class TTemplateProduct;
class TTemplateVelmoraData;

class TCardBackgroundButton : public TProductButtonText3lines {
    Q_OBJECT
public:
    explicit TCardBackgroundButton(QSvgRenderer* defaultImage, QWidget* parent = nullptr);
    ~TCardBackgroundButton() override;

    Tirage2* cardProduct() const { return fCardProduct; }
    void setCardProduct(Tirage2* f) { fCardProduct = f; }
    TTemplateVelmoraData* templateVelmoraData() const { return fTemplateVelmoraData; }
    void setTemplateVelmoraData(TTemplateVelmoraData* t) { fTemplateVelmoraData = t; }
    void setMain(IMainFrame* main);
    TPagePreviewPart* previewPart() const { return fDrawCardLayout; }
    TTemplateProduct* preview() const { return fCardPreview.get(); }

private:
    bool paintPreview(QPainter& canvas, const QRectF& rect);

    IMainFrame* fMain = nullptr;
    Tirage2* fCardProduct = nullptr;
    TTemplateVelmoraData* fTemplateVelmoraData = nullptr;
    QPointer<TPagePreviewPart> fDrawCardLayout;
    std::unique_ptr<TTemplateProduct> fCardPreview;
};

class TCtrlCardBackground : public TCtrlProductChoiceBase, public IMainObserver {
public:
    using TCtrlProductChoiceBase::TCtrlProductChoiceBase;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;
    // Creates the card of a background (the tile's click).
    void backgroundClick(TCardBackgroundButton* tile);

protected:
    void createButtons() override;
};
