#pragma once
// TCtrlPopupWebBrowserPrivacyPolicy: a modal popup that shows the store's
// privacy-policy page in an embedded browser. With an accept procedure it
// asks for agreement ("Agree", or Cancel after a confirmation); without, it
// only shows the policy.
//
// The browser has a profile of its own that keeps nothing on disk (no
// cookies, cache or history survive the popup), so one customer's visit
// leaves nothing for the next.
#include "UCtrlPopupBase.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

class Photographe2;
class QWebEngineProfile;
class QWebEngineView;
class TPopupPanel;

class TCtrlPopupWebBrowserPrivacyPolicy : public TCtrlPopupHard {
public:
    TCtrlPopupWebBrowserPrivacyPolicy(IMainFrame* main, TPopupPanel* bg);
    ~TCtrlPopupWebBrowserPrivacyPolicy() override;

    // Creates the popup's box in the window's web-browser panel unless it
    // has one (the constructor calls it).
    static void BuildForm(TPopupPanel* bg);

    KIOSK_PUBLISHED(QWidget, LayoutPopUpWebBrowserContent);
    KIOSK_PUBLISHED(QLabel, lblPopUpWebBrowserStatus);
    KIOSK_PUBLISHED(QPushButton, btnPopUpWebBrowserCancel);
    KIOSK_PUBLISHED(QPushButton, btnPopUpWebBrowserAccept);

    void SetAcceptProc(TProc proc) { fAcceptProc = std::move(proc); }
    void SetRefuseProc(TProc proc) { fRefuseProc = std::move(proc); }
    void SetPolicyPhotographer(Photographe2* phot) { fPolicyPhotographer = phot; }
    void SetReturnToConnecScreenMsg(bool value) { fReturnToConnecScreenMsg = value; }

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnBackgroundClick() override { }
    // Cancel: closes, or with a refuse procedure asks first.
    void ButtonCloseClick();

    // The page address: every "[langCode]" replaced by the interface
    // language without its "not confirmed" question marks.
    static QString PolicyAddress(const QString& url, const QString& lang);

    QWebEngineView* Browser() const { return fBrowser; }
    QLabel* TextExplanatory() const { return fTextExplanatory; }

private:
    void startBrowser();
    void stopBrowser();
    void accept();
    void refuse();

    TProc fAcceptProc;
    TProc fRefuseProc;
    Photographe2* fPolicyPhotographer = nullptr;
    bool fReturnToConnecScreenMsg = false;
    QPointer<QLabel> fTextExplanatory;
    QPointer<QWebEngineView> fBrowser;
    QWebEngineProfile* fProfile = nullptr;
    QList<QMetaObject::Connection> fHandlers;
};
