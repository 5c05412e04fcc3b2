#include "UCtrlPopupCalibration.h"

#include "UPopupPanel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void buildForm(TPopupPanel* bg)
{
    if (bg->findChild<QGroupBox*>(QStringLiteral("GroupBoxPopUpCalibration")))
        return;
    auto* box = new QGroupBox(QStringLiteral("Calibration photo"), bg);
    box->setObjectName(QStringLiteral("GroupBoxPopUpCalibration"));
    auto* lay = new QVBoxLayout(box);
    lay->setContentsMargins(16, 36, 16, 8);
    lay->setSpacing(4);
    auto* content = new QHBoxLayout;
    auto* text = new QLabel(
        QStringLiteral("Even if you have a very good quality of screens, it is possible to display different colors than "
                       "the photo.  You can print this chart free of charge on printing paper. With this Print, you could "
                       "match the result with your screen. Generally, we advise you against changing colors and density "
                       "of your photos. We will take responsability for this operation when printing your order."),
        box);
    text->setObjectName(QStringLiteral("LabelPopUpCalibrationText"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* img = new QLabel(box);
    img->setObjectName(QStringLiteral("imgPanelPopUpCalibration"));
    img->setFixedSize(308, 240);
    img->setAlignment(Qt::AlignCenter);
    content->addWidget(text, 1);
    content->addWidget(img, 0, Qt::AlignRight | Qt::AlignTop);
    content->setContentsMargins(10, 0, 10, 0);
    lay->addLayout(content, 1);
    auto* chk = new QCheckBox(QStringLiteral("I would like to receive a free print of calibration"), box);
    chk->setObjectName(QStringLiteral("chkAddCalibratingPhoto"));
    lay->addWidget(chk);
    auto* bar = new QWidget(box);
    bar->setObjectName(QStringLiteral("LayoutPopUpCalibrationButtons"));
    bar->setMinimumHeight(72);
    auto* bLay = new QHBoxLayout(bar);
    bLay->setContentsMargins(0, 0, 0, 0);
    bLay->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), bar);
    cancel->setObjectName(QStringLiteral("btnPopUpMsgBoxCancel"));
    KioskSetStyleLookup(cancel, QStringLiteral("BackBtnNext"));
    bLay->addWidget(cancel);
    lay->addWidget(bar);
}

} // namespace

TCtrlPopupCalibration::TCtrlPopupCalibration(IMainFrame* main, TPopupPanel* bg, QAbstractButton* recapBox)
    : TCtrlPopupHard((buildForm(bg), main), bg)
    , fRecapBox(recapBox)
{
}

std::shared_ptr<TCtrlPopupCalibration> TCtrlPopupCalibration::Open(IMainFrame* main, TPopupPanel* bg,
                                                                   QAbstractButton* recapBox, const QString& chartPath)
{
    auto popup = TCtrlCommonBase::Create<TCtrlPopupCalibration>(main, bg, recapBox);
    QPixmap chart;
    if (!chartPath.isEmpty() && QFileInfo(chartPath).isFile()) {
        QImageReader reader(chartPath);
        reader.setAutoTransform(true);
        const QImage img = reader.read();
        if (!img.isNull())
            chart = QPixmap::fromImage(img.scaled(308, 240, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    popup->imgPanelPopUpCalibration->setPixmap(chart);
    const QSignalBlocker block(popup->chkAddCalibratingPhoto.get());
    popup->chkAddCalibratingPhoto->setChecked(recapBox && recapBox->isChecked());
    return popup;
}

void TCtrlPopupCalibration::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    fChkConn = QObject::connect(chkAddCalibratingPhoto.get(), &QCheckBox::toggled, GroupBoxPopUpCalibration.get(),
                                [this] { choice(); });
    fCancelConn = QObject::connect(btnPopUpMsgBoxCancel.get(), &QPushButton::clicked, GroupBoxPopUpCalibration.get(),
                                   [this] { Close(); });
}

void TCtrlPopupCalibration::OnClose()
{
    TCtrlPopupHard::OnClose();
    QObject::disconnect(fChkConn);
    QObject::disconnect(fCancelConn);
}

void TCtrlPopupCalibration::choice()
{
    if (fRecapBox)
        fRecapBox->setChecked(chkAddCalibratingPhoto->isChecked());
    Close();
}
