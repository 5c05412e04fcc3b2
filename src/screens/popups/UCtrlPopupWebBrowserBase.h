#pragma once
// The popup that shows a remote page inside the main window and watches the
// loaded page for a result the page writes into itself (online payment,
// social-network log-in). The base owns the browser view, its status line
// and a 100 ms page-scan timer; subclasses give the address (startBrowser),
// the scan (PageScan) and the reaction.
//
// Customers never share a browser session: every view of one customer uses
// the same off-the-record profile (cookies, cache and history in memory
// only), and ClearCache drops it, so the next customer starts with an empty
// one. Creating a view is slow: a closed popup parks its view as the spare,
// which the next popup takes back. Navigation is limited to the pages the
// popup allows (by default the origin of the pages it opened itself).
#include "UCtrlPopupBase.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

class QWebEngineProfile;
class QWebEngineView;

class TCtrlPopupWebBrowserBase : public TCtrlPopupHard {
public:
    TCtrlPopupWebBrowserBase(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus = nullptr);
    ~TCtrlPopupWebBrowserBase() override;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnResize(QWidget* parent) override;
    void OnCoveredByPopup(bool covered) override;
    bool closeOnStepChange() override { return true; }
    QGroupBox* popupGroupBox() override;

    virtual void ButtonCloseClick() { Close(); }
    virtual void WebBrowserDidStartLoad();
    virtual void WebBrowserDidFinishLoad(bool ok);
    virtual void WebBrowserDidFailLoad();
    // Looks for the page's answer; calls PageScanStart again while there is
    // none.
    virtual void PageScan() = 0;
    virtual void startBrowser();
    virtual void stopBrowser();
    virtual QString statusTextLoading();
    virtual QString statusTextLoaded();
    virtual QString statusTextLoadError();

    // One page scan, 100 ms from now.
    void PageScanStart();
    bool PageScanPending() const { return fTimerPageScan && fTimerPageScan->isActive(); }

    // Opens url in the browser; its origin becomes an allowed one.
    void Navigate(const QUrl& url);
    // Origins (scheme, host and port) the browser may go to; any other
    // navigation is refused and logged.
    void AllowOrigin(const QUrl& url);
    bool NavigationAllowed(const QUrl& url) const;

    // Page access. The answers come later, on the main thread, through the
    // callback; a popup without a browser answers an empty text at once.
    using TReturnCb = std::function<void(const QString& value)>;
    void EvaluateJavaScriptGet(const QString& script, TReturnCb cb);
    // The attribute valueName of the element whose id is tagName; empty
    // when there is no such element or attribute.
    void GetTagValue(const QString& tagName, const QString& valueName, TReturnCb cb);
    // The inner HTML of the page's body.
    void GetHTMLSource(TReturnCb cb);

    QWebEngineView* Browser() const { return fWebBrowser; }
    QLabel* lblPopUpWebBrowserStatus() const { return fStatus; }
    QPushButton* btnPopUpWebBrowserCancel() const { return fCancel; }
    QPushButton* btnPopUpWebBrowserAccept() const { return fAccept; }
    QWidget* layPopUpWebBrowserBtn() const { return fButtonBar; }
    double barScale() const { return fBarScale; }

    // The customer's browsing profile (created on first use).
    static QWebEngineProfile* CustomerProfile();
    // The next customer starts with a fresh profile: the current one's
    // cookies, cache and history go with it.
    static void ClearCache();
    static void ClearCacheNoThrow();
    // Frees the spare view (the main window calls it while closing).
    static void WebBrowserDestroy();
    // Views created so far (for the tests of the spare).
    static int ViewsCreated();

    // The bottom bar's scale in a client area w x h with a bar of height b.
    static double BarScale(double w, double h, double b);

private:
    bool fPopupBgEffect = false;
    std::unique_ptr<QTimer> fTimerPageScan;
    QPointer<QWebEngineView> fWebBrowser;
    QPointer<QGroupBox> fBox;
    QPointer<QWidget> fButtonBar;
    QPointer<QPushButton> fCancel;
    QPointer<QPushButton> fAccept;
    QPointer<QLabel> fStatus;
    QPointer<QWidget> fContent;
    QStringList fAllowedOrigins;
    QList<QMetaObject::Connection> fBrowserConns;
    double fBarScale = 1;
};
