#pragma once
// The print border step: prints with or without a white border, offered
// only as the formats still open have them. Its click is where the print
// choices become an order product: the print product of the matching
// format is found in the order or added, becomes the product being filled,
// and the customer moves on to the front print or the picture selection.
#include "UCtrlProductChoiceBase.h"

class TProductBorderButton : public TCalTypeButton {
    Q_OBJECT
public:
    explicit TProductBorderButton(QSvgRenderer* defaultImage, QWidget* parent = nullptr)
        : TCalTypeButton(defaultImage, parent)
    {
    }
    bool border() const { return fBorder; }
    void setBorder(bool v) { fBorder = v; }

private:
    bool fBorder = false;
};

class TCtrlProductChoicePrintBorder : public TCtrlProductChoiceBase {
public:
    using TCtrlProductChoiceBase::TCtrlProductChoiceBase;

    void OnOpen(IMainFrame* main) override;
    QString topBarTitle() override;
    // Applies a border choice (the tile's click).
    void borderClick(bool border);

protected:
    void createButtons() override;
};
