#pragma once
// The message box: an icon, a title, a text and one or two buttons on the
// panel PanelPopUpMsgBox. It never waits: the answer comes back through
// exactly one of its procedures, run once the box has left the popup stack:
//   button 1 clicked   -> btnProc1
//   button 2 clicked   -> btnProc2
//   any other close    -> closeProc when given, else btnProc2
//   (a click outside when allowed, a close by the stack, a refused push)
#include "UCtrlPopupBase.h"

#include <QPointer>

class QGroupBox;
class QLabel;
class QPushButton;

class TCtrlPopupMsgBox : public TCtrlPopupHard {
public:
    TCtrlPopupMsgBox(IMainFrame* main, TPopupPanel* bg, const QString& icon, const QString& title, const QString& msg,
                     const QString& btnText1, TProc btnProc1, const QString& btnText2, TProc btnProc2,
                     bool bBtn2IfClickOut, TProc closeProc);
    ~TCtrlPopupMsgBox() override;

    QGroupBox* popupGroupBox() override;
    void OnBackgroundClick() override;
    void OnPopupOpening() override;
    void OnPopupClosed() override;

    // Runs the close procedure of a box that was never shown (refused by an
    // open popup); nothing when a procedure already ran.
    void RunCloseProcIfNeverOpened();

    QPushButton* Button1() const { return fBtn1; }
    QPushButton* Button2() const { return fBtn2; }

private:
    void buttonClicked(int which);
    void runProc();

    TProc fBtnProc1;
    TProc fBtnProc2;
    TProc fCloseProc;
    bool fBtn2IfClickOut;
    int fChosen = 0;
    bool fProcDone = false;
    bool fPushed = false;
    QPointer<QGroupBox> fBox;
    QPushButton* fBtn1 = nullptr;
    QPushButton* fBtn2 = nullptr;
};
