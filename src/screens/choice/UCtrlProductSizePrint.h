#pragma once
// The print size step: one button per distinct print size among the
// formats the earlier choices leave open, each a picture of the print to
// scale with its size label and its lowest price ("From ..."). A click
// stores the size in the print workflow data and moves on to the finish
// step (to the border step in the alternative print workflow).
#include "UCtrlProductSizeBase.h"

class QLabel;

// A size button whose prefix may hold a second line ("Panorama" then
// "Matt"), shown in its own part under the size label.
class TProductSizeTextButton : public TProductSizeButton {
    Q_OBJECT
public:
    TProductSizeTextButton(QSvgRenderer* defaultImage, const QString& style, QWidget* parent = nullptr);

    void setPrefix(const QString& prefix) override;
    QString prefix2() const { return fPrefix2; }
    QLabel* prefix2Part() const { return fTTextPrefix; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void applyTextMargins() override;

private:
    void fitTexts();

    QLabel* fTTextPrefix;
    QString fPrefix2;
};

class TProductPrintSizeButton : public TProductSizeTextButton {
    Q_OBJECT
public:
    explicit TProductPrintSizeButton(QWidget* parent = nullptr);
};

class TCtrlProductSizePrint : public TCtrlProductSizeBase {
public:
    using TCtrlProductSizeBase::TCtrlProductSizeBase;

    QString topBarTitle() override;

protected:
    void choiceButtonsFill(TPagingButtonList& list) override;
    void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) override;
};
