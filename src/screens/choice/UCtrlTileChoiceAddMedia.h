#pragma once
// The offers of extra products after the prints (backup disc, extra set,
// collage, gift, book, frame) and the way to the checkout. The offers are
// shown; none of them leads anywhere yet.
#include "UCtrlTileChoiceBase.h"

#include <QPointer>
#include <QPushButton>
#include <QScrollArea>

class TCtrlTileChoiceAddMedia : public TCtrlTileChoiceBase {
public:
    using TCtrlTileChoiceBase::TCtrlTileChoiceBase;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    // The base's tile, three fifths as high as wide.
    TTileButton* AddTileButton(const QString& caption, QSvgRenderer* svg) override;

    std::vector<TTileButton*> Offers;
    QPointer<QWidget> LayoutCheckout;
    QPointer<QPushButton> ButtonCheckout;

protected:
    void createButtons() override;
};
