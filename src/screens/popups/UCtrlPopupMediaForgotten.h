#pragma once
// Reminds the customer, with a sound repeated every 6 seconds, that a
// removable medium is still plugged in; closes by itself once the last one
// is removed. In the kiosk design a language popup asked for meanwhile
// waits and opens after it.
#include "UCtrlPopupBase.h"
#include "UMainObservers.h"

#include <QPointer>
#include <QTimer>

#include <memory>

#include <QGroupBox>
class TSoundExeResource;

class TCtrlPopupMediaForgotten : public TCtrlPopupHard, public IMainObserver {
public:
    TCtrlPopupMediaForgotten(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus = nullptr);
    ~TCtrlPopupMediaForgotten() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    QGroupBox* popupGroupBox() override;
    bool popupAddBlock(IMainPopupController* newPopup) override;
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override;

    // The sound timer (for the tests); null while closed.
    QTimer* soundTimer() const { return fTimerSound.get(); }
    bool languagePopupWaiting() const { return fPopupLangTextWaiting; }

    // Opens the language popup held back (the main window installs it).
    static inline std::function<void(IMainFrame* main)> LanguagePopupOpen;

private:
    IMainObserverRef observerRef();

    std::unique_ptr<TSoundExeResource> fSoundMediaForgotten;
    std::unique_ptr<QTimer> fTimerSound;
    bool fPopupLangTextWaiting = false;
    bool fObserving = false;
    QPointer<QGroupBox> fBox;
};
