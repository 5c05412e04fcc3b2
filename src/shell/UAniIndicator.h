#pragma once
// The waiting spinner: a ring of dots turning while the widget is enabled.
#include <QTimer>
#include <QWidget>

class TAniIndicator : public QWidget {
public:
    explicit TAniIndicator(QWidget* parent = nullptr);
    // Turns while enabled.
    void setEnabled(bool enabled);
    bool Turning() const { return fTimer.isActive(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QTimer fTimer;
    int fStep = 0;
};
