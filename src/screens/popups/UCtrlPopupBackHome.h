#pragma once
// Asks whether to start again: abandon the order, start again keeping the
// photos, or continue. The first two run the main window's actions
// (ActionCancelOrder, ActionHome); Continue only closes.
#include "UCtrlPopupBase.h"

#include <QGroupBox>
#include <QPointer>
#include <QPushButton>

class TCtrlPopupBackHome : public TCtrlPopupHard {
public:
    TCtrlPopupBackHome(IMainFrame* main, TPopupPanel* bg);
    ~TCtrlPopupBackHome() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    bool closeOnStepChange() override { return true; }
    QGroupBox* popupGroupBox() override;

    // The group box's width and the scale of its content on a panel of
    // width p: 900 while 940 fits, else at least 570; scaled by p / 610
    // below 610.
    struct TBoxLayout {
        int width;
        double scale;
    };
    static TBoxLayout BoxLayout(int panelWidth);

    QPushButton* ButtonPopupBackHomeAbandon = nullptr;
    QPushButton* ButtonPopupBackHomeKeep = nullptr;
    QPushButton* ButtonPopupBackHomeContinue = nullptr;
    double Scale() const { return fScale; }

private:
    QPointer<QGroupBox> fBox;
    double fScale = 1;
};
