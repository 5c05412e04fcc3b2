#pragma once
// The card size step: after the theme, one size button per template format
// that has backgrounds of the theme (no grouping: two papers of one size are
// two buttons), telling the paper and whether the card is printed on one or
// both sides, with its price. A click stores the format and goes to the
// background step.
#include "UCtrlProductSizePrint.h"

class Tirage2;

class TProductCardSizeButton : public TProductSizeTextButton {
    Q_OBJECT
public:
    explicit TProductCardSizeButton(QWidget* parent = nullptr)
        : TProductSizeTextButton(nullptr, QStringLiteral("productsizecard"), parent)
    {
    }
    Tirage2* cardProduct() const { return fCardProduct; }
    void setCardProduct(Tirage2* format) { fCardProduct = format; }

private:
    Tirage2* fCardProduct = nullptr; // the catalogue's
};

class TCtrlProductSizeCard : public TCtrlProductSizeBase {
public:
    using TCtrlProductSizeBase::TCtrlProductSizeBase;

    QString topBarTitle() override;

protected:
    void choiceButtonsFill(TPagingButtonList& list) override;
    void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) override;
};
