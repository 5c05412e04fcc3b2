#include "UCtrlPopupMediaForgotten.h"

#include "UCtrlTileChoiceHomeProducts.h"
#include "UDebug.h"
#include "ULangText.h"
#include "UMainFrameTypes.h"
#include "UPopupPanel.h"
#include "UQzFileSystemRes.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {
TLangText& txtTitle = TLangText::Create(QStringLiteral("Please do not forget your media"));
TLangText& txtText = TLangText::Create(QStringLiteral("At least one media you inserted is still plugged"));
constexpr int kSoundIntervalMs = 6000;
} // namespace

TCtrlPopupMediaForgotten::TCtrlPopupMediaForgotten(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus)
    : TCtrlPopupHard(main, bg, newFocus)
{
    try {
        fSoundMediaForgotten = std::make_unique<TSoundExeResource>(main, QStringLiteral("mediaforgotten"),
                                                                   QStringLiteral("wav"));
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TCtrlPopupMediaForgotten.Create"), e);
    }
    fBox = new QGroupBox(txtTitle.Text(), bg);
    fBox->setObjectName(QStringLiteral("GroupBoxPopupMediaForgotten"));
    KioskSetStyleLookup(fBox, QStringLiteral("GroupBoxSimpleStyle"));
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(30, 120, 30, 30);
    auto* text = new QLabel(txtText.Text(), fBox);
    text->setObjectName(QStringLiteral("TextPopupMediaForgotten"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    lay->addWidget(text, 1);
    fBox->hide();
}

TCtrlPopupMediaForgotten::~TCtrlPopupMediaForgotten()
{
    if (fBox)
        fBox->deleteLater();
}

QGroupBox* TCtrlPopupMediaForgotten::popupGroupBox()
{
    return fBox.data();
}

IMainObserverRef TCtrlPopupMediaForgotten::observerRef()
{
    return IMainObserverRef(shared_from_this(), static_cast<IMainObserver*>(this));
}

void TCtrlPopupMediaForgotten::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    if (fBox) {
        fBox->show();
        fBox->raise();
    }
    main->EventObserverRegister(observerRef(), moe_devices);
    fObserving = true;
    fTimerSound = std::make_unique<QTimer>();
    fTimerSound->setInterval(kSoundIntervalMs);
    QObject::connect(fTimerSound.get(), &QTimer::timeout, fTimerSound.get(), [this] {
        if (fSoundMediaForgotten && !fSoundMediaForgotten->Playing())
            fSoundMediaForgotten->PlayStart();
    });
    fTimerSound->start();
}

void TCtrlPopupMediaForgotten::OnMainObservedEvent(TMainObservedEvent evtype, void*)
{
    if (evtype != moe_devices)
        return;
    const auto& detected = TCtrlTileChoiceHomeProducts::DevicesDetected;
    if (!detected || !detected(fMain))
        Close();
}

bool TCtrlPopupMediaForgotten::popupAddBlock(IMainPopupController* newPopup)
{
    // The language popup is the one on the language panel.
    auto* hard = dynamic_cast<TCtrlPopupHard*>(newPopup);
    const bool language = hard && hard->Background()
        && hard->Background()->objectName() == QLatin1String("PanelPopupLangText");
    if (fMain && fMain->Zebdesign() == zebd_kiosk && language) {
        fPopupLangTextWaiting = true;
        return true;
    }
    return false;
}

void TCtrlPopupMediaForgotten::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
    fTimerSound.reset();
    if (fSoundMediaForgotten)
        fSoundMediaForgotten->PlayStop();
    if (fObserving && fMain) {
        fMain->EventObserverUnregister(observerRef(), moe_devices);
        fObserving = false;
    }
    if (fMain && fMain->Zebdesign() == zebd_kiosk && fPopupLangTextWaiting) {
        fPopupLangTextWaiting = false;
        if (LanguagePopupOpen)
            LanguagePopupOpen(fMain);
    }
}
