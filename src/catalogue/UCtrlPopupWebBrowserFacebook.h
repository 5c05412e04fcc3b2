#pragma once
// TCtrlPopupWebBrowserFacebook: the popup in which a customer logs in to the
// social network so that his albums become a photo source.
//
// It shows the network's OAuth dialog in an embedded browser, reads the
// loaded page every 100 ms until the lab's redirect page carries the result
// in its hidden elements, and then adds the customer's account to the media
// file system and closes, or reports the failure and closes, or closes
// quietly when the customer refused.
//
// Every opening gets a browser profile of its own that keeps nothing on disk
// (no cookies, cache or history), released when the popup closes: nothing
// of one customer's log-in is left for the next one.
#include "UCtrlPopupBase.h"
#include "UFacebookGraphPhoto.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

class QWebEngineProfile;
class QWebEngineView;
class TPopupPanel;

class TCtrlPopupWebBrowserFacebook : public TCtrlPopupHard {
public:
    TCtrlPopupWebBrowserFacebook(IMainFrame* main, TPopupPanel* bg);
    ~TCtrlPopupWebBrowserFacebook() override;

    KIOSK_PUBLISHED(QWidget, LayoutPopUpWebBrowserContent);
    KIOSK_PUBLISHED(QLabel, lblPopUpWebBrowserStatus);
    KIOSK_PUBLISHED(QPushButton, btnPopUpWebBrowserCancel);

    // Interval of the page scan.
    static constexpr int PageScanMs = 100;

    void OnOpen(IMainFrame* main) override;
    void OnClose() override;
    void OnBackgroundClick() override { }

    // Whether the photo-source screen may offer the social-network tile.
    static bool IsOffered(IMainFrame* main);

    QWebEngineView* Browser() const { return fBrowser; }
    const std::shared_ptr<TFacebookGraphPhoto>& Graph() const { return fGraph; }

private:
    void startBrowser();
    void stopBrowser();
    void PageScan();
    void PageScanStart();
    void onPageValues(const QVariantMap& values);
    void GraphReady(const IFacebookGraphRef& graph);
    void GraphError(const IFacebookGraphRef& graph, const std::exception* ex, const QString& errorCode,
                    const QString& errorReasonCode, const QString& errorMsg);
    void GraphCancel(const IFacebookGraphRef& graph);
    void closeQueued();

    std::shared_ptr<TFacebookGraphPhoto> fGraph;
    std::unique_ptr<TWebBrowserFacebookHelper> fWebBrowserInfo;
    QPointer<QWebEngineView> fBrowser;
    QWebEngineProfile* fProfile = nullptr;
    QTimer fScanTimer;
    bool fScanBusy = false;
    bool fResultSeen = false;
    QList<QMetaObject::Connection> fHandlers;
};
