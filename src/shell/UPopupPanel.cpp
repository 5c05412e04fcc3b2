#include "UPopupPanel.h"

#include <QMouseEvent>

TPopupPanel::TPopupPanel(const QString& name, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(name);
    setProperty("popupBackground", true);
    // The style sheet paints the dimming; without this a plain QFrame child
    // draws no background of its own.
    setAttribute(Qt::WA_StyledBackground, true);
    hide();
}

void TPopupPanel::mousePressEvent(QMouseEvent* e)
{
    fPressed = true;
    e->accept();
}

void TPopupPanel::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = fPressed && rect().contains(e->position().toPoint());
    fPressed = false;
    e->accept();
    if (click)
        emit backgroundClicked();
}
