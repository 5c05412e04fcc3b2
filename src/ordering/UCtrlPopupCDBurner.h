#pragma once
// The disc-burning popup: opened at the end of a send when the order asks for
// a disc of its pictures and the store burns on the kiosk. It shows what the
// burning job (TCdBurnProcess) reports: the message, the detected disc, the
// number of discs needed, elapsed and remaining times and a progress bar;
// Cancel asks before stopping. The job runs on its own thread, so the screen
// stays responsive while a disc is written; the popup closes itself when
// every picture is on a disc.
#include "UCdBurnProcess.h"
#include "UCtrlPopupBase.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

class TPrintOrder;

class TCtrlPopupCDBurner : public TCtrlPopupHard, public ICdBurnerView {
public:
    // Makes the burner when the popup opens; a test hands its own.
    using TBurnerFactory = std::function<ICDburnerRef()>;

    TCtrlPopupCDBurner(IMainFrame* main, TPopupPanel* bg, TBurnerFactory burnerFactory = nullptr);
    ~TCtrlPopupCDBurner() override;

    KIOSK_PUBLISHED(QGroupBox, GroupBoxPopUpCdBurner);
    KIOSK_PUBLISHED(QWidget, LayoutButtonCdBurner);
    KIOSK_PUBLISHED(QPushButton, ButtonCdBurnerStart);
    KIOSK_PUBLISHED(QPushButton, ButtonCdBurnerCancel);
    KIOSK_PUBLISHED(QProgressBar, ProgressBarPopUpCdBurner);
    KIOSK_PUBLISHED(QLabel, TextPopUpCdBurner);
    KIOSK_PUBLISHED(QLabel, LabelMediaDetect);
    KIOSK_PUBLISHED(QLabel, LabelNbMediaRequired);
    KIOSK_PUBLISHED(QLabel, LabelTimeElapsed);
    KIOSK_PUBLISHED(QLabel, LabelTimeLeft);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    // The main window calls it right after showing the popup: the job starts.
    void OnPopupModalWait() override;
    // Nobody walks away from a disc being written: the idle reset waits.
    bool userIdleBlocked() override { return true; }
    void OnBackgroundClick() override { }

    // ICdBurnerView, on the main thread.
    void SetButtonStartVisible(bool visible) override;
    void UpdateInterface(const QString& Texte, const QString& Media, int RemainingTime, int elapsedTime, int NbMedia,
                         int PrgBarValue, int PrgBarMax) override;
    void Close() override;

    void ButtonCdBurnerCancelClick();
    TCdBurnProcess* Process() const { return fProcess.get(); }
    const TCdBurnerDisplay& Display() const { return fDisplay; }
    // The scale of the button bar: 1, or below 1 on a box narrower than 350.
    double ButtonScale() const { return fButtonScale; }

private:
    void applyButtonScale();

    TBurnerFactory fBurnerFactory;
    TPrintOrder* fOrder = nullptr;
    ICDburnerRef fCdb;
    std::unique_ptr<TCdBurnProcess> fProcess;
    TCdBurnerDisplay fDisplay;
    double fButtonScale = 1.0;
    QMetaObject::Connection fCancelConn;
};
