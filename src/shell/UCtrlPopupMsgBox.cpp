#include "UCtrlPopupMsgBox.h"

#include "UDebug.h"
#include "UPopupPanel.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// The icons of the boxes come from the platform style's message-box icons.
QPixmap msgBoxIcon(const QString& name)
{
    QStyle::StandardPixmap sp = QStyle::SP_MessageBoxInformation;
    if (name == QLatin1String("msgbox_error"))
        sp = QStyle::SP_MessageBoxCritical;
    else if (name == QLatin1String("msgbox_warn"))
        sp = QStyle::SP_MessageBoxWarning;
    else if (name == QLatin1String("msgbox_question"))
        sp = QStyle::SP_MessageBoxQuestion;
    return QApplication::style()->standardIcon(sp).pixmap(64, 64);
}
}

TCtrlPopupMsgBox::TCtrlPopupMsgBox(IMainFrame* main, TPopupPanel* bg, const QString& icon, const QString& title,
                                   const QString& msg, const QString& btnText1, TProc btnProc1,
                                   const QString& btnText2, TProc btnProc2, bool bBtn2IfClickOut, TProc closeProc)
    : TCtrlPopupHard(main, bg)
    , fBtnProc1(std::move(btnProc1))
    , fBtnProc2(std::move(btnProc2))
    , fCloseProc(std::move(closeProc))
    , fBtn2IfClickOut(bBtn2IfClickOut)
{
    // Each box builds its own group box: while a second box opens, the first
    // one is still on the panel until the stack closes it.
    fBox = new QGroupBox(bg);
    fBox->setObjectName(QStringLiteral("GroupBoxMsgBox"));
    fBox->setProperty("msgBoxKind", icon);
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(24, 24, 24, 24);
    lay->setSpacing(16);

    auto* head = new QHBoxLayout;
    auto* iconLbl = new QLabel(fBox);
    iconLbl->setObjectName(QStringLiteral("ImageMsgBoxIcon"));
    iconLbl->setPixmap(msgBoxIcon(icon));
    auto* titleLbl = new QLabel(title, fBox);
    titleLbl->setObjectName(QStringLiteral("LabelMsgBoxTitle"));
    head->addWidget(iconLbl);
    head->addWidget(titleLbl, 1);
    lay->addLayout(head);

    auto* msgLbl = new QLabel(msg, fBox);
    msgLbl->setObjectName(QStringLiteral("LabelMsgBoxMsg"));
    msgLbl->setWordWrap(true);
    msgLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lay->addWidget(msgLbl, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    fBtn2 = new QPushButton(btnText2, fBox);
    fBtn2->setObjectName(QStringLiteral("ButtonMsgBox2"));
    fBtn2->setVisible(!btnText2.isEmpty());
    fBtn1 = new QPushButton(btnText1, fBox);
    fBtn1->setObjectName(QStringLiteral("ButtonMsgBox1"));
    fBtn1->setProperty("primary", true);
    buttons->addWidget(fBtn2);
    buttons->addWidget(fBtn1);
    lay->addLayout(buttons);

    QObject::connect(fBtn1, &QPushButton::clicked, fBox, [this] { buttonClicked(1); });
    QObject::connect(fBtn2, &QPushButton::clicked, fBox, [this] { buttonClicked(2); });
    fBox->hide();
}

TCtrlPopupMsgBox::~TCtrlPopupMsgBox()
{
    if (fBox)
        fBox->deleteLater();
}

void TCtrlPopupMsgBox::buttonClicked(int which)
{
    auto self = weak_from_this().lock();
    if (!self || !Opened() || fChosen != 0)
        return;
    fChosen = which;
    Close();
}

void TCtrlPopupMsgBox::OnBackgroundClick()
{
    if (fBtn2IfClickOut)
        Close();
}

void TCtrlPopupMsgBox::OnPopupOpening()
{
    TCtrlPopupHard::OnPopupOpening();
    fPushed = true;
    if (fBox) {
        fBox->show();
        fBox->raise();
    }
}

void TCtrlPopupMsgBox::runProc()
{
    if (fProcDone)
        return;
    fProcDone = true;
    TProc proc;
    if (fChosen == 1)
        proc = fBtnProc1;
    else if (fChosen == 2)
        proc = fBtnProc2;
    else
        proc = fCloseProc ? fCloseProc : fBtnProc2;
    if (proc)
        proc();
}

void TCtrlPopupMsgBox::OnPopupClosed()
{
    TCtrlPopupHard::OnPopupClosed();
    if (fBox) {
        fBox->hide();
        fBox->deleteLater();
    }
    runProc();
}

void TCtrlPopupMsgBox::RunCloseProcIfNeverOpened()
{
    if (fPushed)
        return;
    if (fBox) {
        fBox->hide();
        fBox->deleteLater();
    }
    runProc();
}

QGroupBox* TCtrlPopupMsgBox::popupGroupBox()
{
    return fBox.data();
}
