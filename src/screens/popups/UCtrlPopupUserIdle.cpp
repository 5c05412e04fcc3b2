#include "UCtrlPopupUserIdle.h"

#include "ULangText.h"
#include "UPopupPanel.h"

#include <QGroupBox>
#include <QVBoxLayout>

namespace {
TLangText& txtTitle = TLangText::Create(QStringLiteral("Are you still there ?"));
TLangText& txtCountdown
    = TLangText::Create(QStringLiteral("Without action in the next %d seconds, your order will be reset"));
} // namespace

TCtrlPopupUserIdle::TCtrlPopupUserIdle(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus, QTimer* timer)
    : TCtrlPopupHard(main, bg, newFocus)
    , fTimer(timer)
{
    if (!fTimer) {
        fOwnTimer = std::make_unique<QTimer>();
        fTimer = fOwnTimer.get();
    }
    fBox = new QGroupBox(txtTitle.Text(), bg);
    fBox->setObjectName(QStringLiteral("GroupBoxPopupUserIdle"));
    KioskSetStyleLookup(fBox, QStringLiteral("GroupBoxSimpleStyle"));
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(30, 120, 30, 30);
    fText = new QLabel(fBox);
    fText->setObjectName(QStringLiteral("TextPopupUserIdle"));
    fText->setWordWrap(true);
    fText->setAlignment(Qt::AlignCenter);
    lay->addWidget(fText, 1);
    fBox->hide();
}

TCtrlPopupUserIdle::~TCtrlPopupUserIdle()
{
    QObject::disconnect(fTick);
    if (fBox)
        fBox->deleteLater();
}

QGroupBox* TCtrlPopupUserIdle::popupGroupBox()
{
    return fBox.data();
}

void TCtrlPopupUserIdle::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    if (fBox) {
        fBox->show();
        fBox->raise();
    }
    fUserIdleRemaining = kCountdownSeconds;
    textUpdate();
    if (fTimer) {
        fTimer->setInterval(1000);
        QObject::disconnect(fTick);
        fTick = QObject::connect(fTimer, &QTimer::timeout, fTimer, [this] { OnTimerTick(); });
        fTimer->start();
    }
}

void TCtrlPopupUserIdle::textUpdate()
{
    if (fText)
        fText->setText(txtCountdown.Text({ fUserIdleRemaining }));
}

void TCtrlPopupUserIdle::OnTimerTick()
{
    if (!Opened())
        return;
    --fUserIdleRemaining;
    if (fUserIdleRemaining <= 0) {
        // The popup may go with the order: hold it across the reset.
        auto self = shared_from_this();
        if (fTimer)
            fTimer->stop();
        fMain->orderCancelAndUserPrefReset();
        Close();
        return;
    }
    textUpdate();
}

void TCtrlPopupUserIdle::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
    if (fTimer)
        fTimer->stop();
    QObject::disconnect(fTick);
}
