#include "UCtrlPopupWebBrowserFacebook.h"

#include "LumLabService.h"
#include "UConfig.h"
#include "UCtrlPopupWebBrowserPrivacyPolicy.h"
#include "UDebug.h"
#include "ULangText.h"
#include "ULangTexts.h"
#include "UPopupPanel.h"
#include "UQzFileSystemFacebook.h"
#include "UQzFileSystemRoot.h"
#include "UVirtualKeyboard.h"

#include <QGroupBox>
#include <QLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

TLangText& txtTitle()
{
    static TLangText& t = TLangText::Create(QStringLiteral("Facebook"));
    return t;
}

// Reads the "value" attribute of each result element of the redirect page at
// once; a missing element reads as an empty text.
QString resultScript()
{
    QStringList quoted;
    for (const QString& id : TWebBrowserFacebookHelper::ResultElementIds())
        quoted << QLatin1Char('"') + id + QLatin1Char('"');
    return QStringLiteral("(function(){var ids=[%1];var r={};for(var i=0;i<ids.length;i++){"
                          "var e=document.getElementById(ids[i]);"
                          "r[ids[i]]=e?String(e.getAttribute('value')||''):'';}return r;})()")
        .arg(quoted.join(QLatin1Char(',')));
}

} // namespace

TCtrlPopupWebBrowserFacebook::TCtrlPopupWebBrowserFacebook(IMainFrame* main, TPopupPanel* bg)
    : TCtrlPopupHard(main, bg, nullptr)
{
    // The web-browser popups share one box in the window's browser panel.
    if (bg)
        TCtrlPopupWebBrowserPrivacyPolicy::BuildForm(bg);
    fOriginalWidth = 700;
    fOriginalHeight = 450;
    fMarginsWidth = 5;
    fScanTimer.setSingleShot(true);
    fScanTimer.setInterval(PageScanMs);
    QObject::connect(&fScanTimer, &QTimer::timeout, [this] { PageScan(); });
}

TCtrlPopupWebBrowserFacebook::~TCtrlPopupWebBrowserFacebook()
{
    fScanTimer.stop();
    stopBrowser();
}

bool TCtrlPopupWebBrowserFacebook::IsOffered(IMainFrame* main)
{
    if (!main)
        return false;
    const quint8 mode = main->QzConnectionMode();
    if (mode != 10 && mode != 20 && mode != 21)
        return false;
    if (auto* cfg = dynamic_cast<TConfig*>(main->Config()); cfg && cfg->FacebookDisabled())
        return false;
    if (!main->IsOnline())
        return false;
    Photographe2* phot = main->GetWebSvcPhotographer();
    if (!phot || phot->FacebookAppID().isEmpty() || phot->FacebookAppID().startsWith(QLatin1Char('!'))
        || phot->FacebookAppSecret().isEmpty())
        return false;
    return main->isZebfeatureOk(QStringLiteral("Facebook"));
}

void TCtrlPopupWebBrowserFacebook::OnOpen(IMainFrame* main)
{
    if (QGroupBox* box = popupGroupBox())
        box->setTitle(txtTitle().Text());
    if (auto* accept = popupGroupBox() ? popupGroupBox()->findChild<QPushButton*>(QStringLiteral("btnPopUpWebBrowserAccept")) : nullptr)
        accept->hide();
    auto* cfg = dynamic_cast<TConfig*>(main->Config());
    fGraph = std::make_shared<TFacebookGraphPhoto>(
        QString(), cfg ? TFacebookEndpoints::FromConfig(*cfg) : TFacebookEndpoints::Default());
    std::weak_ptr<TCtrlCommonBase> weak = shared_from_this();
    auto self = [weak] { return std::static_pointer_cast<TCtrlPopupWebBrowserFacebook>(weak.lock()); };
    fGraph->SetLoginReady([self](const IFacebookGraphRef& g) {
        if (auto p = self())
            p->GraphReady(g);
    });
    fGraph->SetLoginError([self](const IFacebookGraphRef& g, const std::exception* ex, const QString& code,
                                 const QString& reason, const QString& msg) {
        if (auto p = self())
            p->GraphError(g, ex, code, reason, msg);
    });
    fGraph->SetLoginCancel([self](const IFacebookGraphRef& g) {
        if (auto p = self())
            p->GraphCancel(g);
    });
    TCtrlPopupHard::OnOpen(main);
    fHandlers << QObject::connect(btnPopUpWebBrowserCancel.get(), &QPushButton::clicked, [this] { Close(); });
    static TLangText& txtLoading = TLangText::Create(QStringLiteral("Loading..."));
    lblPopUpWebBrowserStatus->setText(txtLoading.Text());
    fResultSeen = false;
    startBrowser();
    fMain->orderMarkAsUsed();
    // The customer types his credentials into the page: on a touch screen
    // the on-screen keyboard comes up for the browser.
    if (fMain->HasTouchScreen() && fBrowser)
        TVirtualKeyboardService::Instance().ShowVirtualKeyboard(fBrowser);
}

void TCtrlPopupWebBrowserFacebook::startBrowser()
{
    if (!fWebBrowserInfo) {
        Photographe2* phot = fMain->GetWebSvcPhotographer();
        QString root = fMain->WebSvcRootUrl();
        if (!root.isEmpty() && !root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        fWebBrowserInfo = std::make_unique<TWebBrowserFacebookHelper>(
            fGraph, phot ? phot->FacebookAppID() : QString(), phot ? phot->FacebookAppSecret() : QString(),
            root + QStringLiteral("facebook.aspx"));
    }
    // No storage name: an off-the-record profile, nothing written to disk,
    // and a new one for every opening, so no cookie of a former log-in
    // reaches the dialog.
    fProfile = new QWebEngineProfile();
    fBrowser = new QWebEngineView(LayoutPopUpWebBrowserContent.get());
    fBrowser->setObjectName(QStringLiteral("WebBrowserFacebook"));
    fBrowser->setPage(new QWebEnginePage(fProfile, fBrowser));
    LayoutPopUpWebBrowserContent->layout()->addWidget(fBrowser);
    fHandlers << QObject::connect(fBrowser.data(), &QWebEngineView::loadFinished, [this](bool) {
        if (fBrowser && !fResultSeen)
            lblPopUpWebBrowserStatus->clear();
        PageScanStart();
    });
    fBrowser->load(QUrl(fWebBrowserInfo->StartUrl(QStringLiteral("user_photos"))));
}

void TCtrlPopupWebBrowserFacebook::stopBrowser()
{
    fScanTimer.stop();
    // The page goes before its profile, which must outlive every page.
    if (fBrowser) {
        fBrowser->stop();
        delete fBrowser.data();
    }
    delete fProfile;
    fProfile = nullptr;
    fWebBrowserInfo.reset();
}

void TCtrlPopupWebBrowserFacebook::PageScanStart()
{
    if (fBrowser && !fResultSeen)
        fScanTimer.start();
}

void TCtrlPopupWebBrowserFacebook::PageScan()
{
    if (!fBrowser || fScanBusy || fResultSeen)
        return;
    // The page answers asynchronously; the popup may be gone by then.
    fScanBusy = true;
    std::weak_ptr<TCtrlCommonBase> weak = shared_from_this();
    fBrowser->page()->runJavaScript(resultScript(), [weak](const QVariant& v) {
        if (auto p = std::static_pointer_cast<TCtrlPopupWebBrowserFacebook>(weak.lock())) {
            p->fScanBusy = false;
            if (p->Opened() && p->fBrowser)
                p->onPageValues(v.toMap());
        }
    });
}

void TCtrlPopupWebBrowserFacebook::onPageValues(const QVariantMap& values)
{
    // Keeps the popup alive while an event closes it.
    auto keep = shared_from_this();
    try {
        const bool done = fWebBrowserInfo->ResponsePageScanOk(
            [&values](const QString& id) { return values.value(id).toString(); });
        if (done) {
            fResultSeen = true;
            if (lblPopUpWebBrowserStatus)
                lblPopUpWebBrowserStatus->setText(LangTexts::Media::ConnectedFacebook.Text());
            return;
        }
    } catch (const std::exception& e) {
        // An invalid result page: shown, the popup stays open with its
        // cancel button.
        fResultSeen = true;
        LogError(QStringLiteral("TCtrlPopupWebBrowserFacebook.PageScan"), e);
        fMain->ShowError(ExceptionMessage(e), nullptr);
        return;
    }
    PageScanStart();
}

void TCtrlPopupWebBrowserFacebook::GraphReady(const IFacebookGraphRef& graph)
{
    auto* container = dynamic_cast<IQzfsRootContainer*>(fMain);
    IQzfsRootRef root = container ? container->RootFolder() : nullptr;
    auto top = root ? std::dynamic_pointer_cast<IQzfsFacebookRoot>(root->FolderFind(QStringLiteral("facebook:"))) : nullptr;
    if (!top)
        throw Exception(QStringLiteral("TCtrlPopupWebBrowserFacebook.GraphReady: no social-network source"));
    top->AddGraphSession(std::dynamic_pointer_cast<IFacebookGraphPhoto>(graph));
    closeQueued();
}

void TCtrlPopupWebBrowserFacebook::GraphError(const IFacebookGraphRef&, const std::exception*,
                                              const QString& errorCode, const QString& errorReasonCode,
                                              const QString& errorMsg)
{
    LogError(QStringLiteral("facebook error: ") + errorCode + QLatin1Char('/') + errorReasonCode + QLatin1Char(':')
             + errorMsg);
    std::weak_ptr<TCtrlCommonBase> weak = shared_from_this();
    fMain->ShowError(TLangTextBase::Format(LangTexts::Media::ConnectionFacebookFailedError.Text(), { errorMsg }),
                     [weak] {
                         if (auto p = weak.lock())
                             std::static_pointer_cast<TCtrlPopupWebBrowserFacebook>(p)->Close();
                     });
}

void TCtrlPopupWebBrowserFacebook::GraphCancel(const IFacebookGraphRef&)
{
    closeQueued();
}

void TCtrlPopupWebBrowserFacebook::closeQueued()
{
    std::weak_ptr<TCtrlCommonBase> weak = shared_from_this();
    fMain->GuiQueueAddCall(
        [weak] {
            if (auto p = std::static_pointer_cast<TCtrlPopupWebBrowserFacebook>(weak.lock()))
                if (p->Opened())
                    p->Close();
        },
        true, {});
}

void TCtrlPopupWebBrowserFacebook::OnClose()
{
    for (const QMetaObject::Connection& c : fHandlers)
        QObject::disconnect(c);
    fHandlers.clear();
    stopBrowser();
    TCtrlPopupHard::OnClose();
    fGraph.reset();
    if (fMain && fMain->HasTouchScreen()) {
        TVirtualKeyboardService::Instance().HideVirtualKeyboard();
        TVirtualKeyboardService::SetAutoShowMode(TVKAutoShowMode::Always);
    }
}
