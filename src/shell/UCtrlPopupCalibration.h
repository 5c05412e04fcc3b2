#pragma once
// The calibration popup: explains the free colour-calibration print, shows
// the chart "calibration.jpg" of the configuration folder, and lets the
// customer ask for it. Ticking or unticking the popup's box is the answer:
// it is copied into the order recap's own box (whose change handling
// updates the order) and the popup closes.
#include "UCtrlPopupBase.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>


class TCtrlPopupCalibration : public TCtrlPopupHard {
public:
    // recapBox: the order recap's calibration box.
    TCtrlPopupCalibration(IMainFrame* main, TPopupPanel* bg, QAbstractButton* recapBox);

    KIOSK_PUBLISHED(QGroupBox, GroupBoxPopUpCalibration);
    KIOSK_PUBLISHED(QWidget, LayoutPopUpCalibrationButtons);
    KIOSK_PUBLISHED(QPushButton, btnPopUpMsgBoxCancel);
    KIOSK_PUBLISHED(QCheckBox, chkAddCalibratingPhoto);
    KIOSK_PUBLISHED(QLabel, imgPanelPopUpCalibration);

    // Builds the popup on its panel, loads the chart when the file exists
    // and starts the popup's box as the recap's.
    static std::shared_ptr<TCtrlPopupCalibration> Open(IMainFrame* main, TPopupPanel* bg, QAbstractButton* recapBox,
                                                       const QString& chartPath);

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;

private:
    void choice();

    QPointer<QAbstractButton> fRecapBox;
    QMetaObject::Connection fChkConn;
    QMetaObject::Connection fCancelConn;
};
