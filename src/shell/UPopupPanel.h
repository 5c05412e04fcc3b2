#pragma once
// The dimmed background panel of a popup: an overlay over the whole window
// (or over the step's content) that carries the popup's group box. A press
// and release on the panel itself, outside the box, is a background click.
#include <QFrame>

class TPopupPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPopupPanel(const QString& name, QWidget* parent = nullptr);

signals:
    void backgroundClicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool fPressed = false;
};
