#include "UCtrlPopupWebBrowserBase.h"

#include "UDebug.h"
#include "ULangText.h"
#include "UPopupPanel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cmath>

namespace {
TLangText& txtTitle = TLangText::Create(QStringLiteral("WebBrowser"));
TLangText& txtCancel = TLangText::Create(QStringLiteral("Cancel"));
TLangText& txtAgree = TLangText::Create(QStringLiteral("Agree"));
TLangText& txtLoading = TLangText::Create(QStringLiteral("Loading page..."));
TLangText& txtLoaded = TLangText::Create(QStringLiteral("Page loaded, please follow statements..."));
TLangText& txtLoadError = TLangText::Create(QStringLiteral("Page load error !"));

constexpr int kPageScanMs = 100;
constexpr int kBarH = 57;

QString originOf(const QUrl& url)
{
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toString(QUrl::FullyEncoded)
        .toLower();
}

// The page of a view: it asks its popup before going anywhere.
class TGuardedPage : public QWebEnginePage {
public:
    TGuardedPage(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    {
    }
    std::function<bool(const QUrl&)> allow;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (!allow || allow(url))
            return true;
        LogInfo(QStringLiteral("TCtrlPopupWebBrowserBase: navigation refused to ") + url.toString());
        return false;
    }
};

struct TBrowserState {
    QWebEngineProfile* profile = nullptr;
    QPointer<QWebEngineView> spare;
    int viewsCreated = 0;
};
TBrowserState& state()
{
    static TBrowserState s;
    return s;
}

// Script text of a string value.
QString jsString(const QString& s)
{
    QString out = s;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    out.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}
} // namespace

// ---------------------------------------------------------------------------
// Customers' browsing

QWebEngineProfile* TCtrlPopupWebBrowserBase::CustomerProfile()
{
    TBrowserState& s = state();
    if (!s.profile) {
        // No storage name: off the record, nothing ever reaches the disk.
        s.profile = new QWebEngineProfile();
        s.profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        s.profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    }
    return s.profile;
}

void TCtrlPopupWebBrowserBase::ClearCache()
{
    TBrowserState& s = state();
    if (!s.profile)
        return;
    // The spare's page belongs to the old profile: it goes first.
    if (s.spare) {
        delete s.spare.data();
        s.spare = nullptr;
    }
    QWebEngineProfile* old = s.profile;
    s.profile = nullptr;
    old->clearHttpCache();
    if (old->cookieStore())
        old->cookieStore()->deleteAllCookies();
    // Views of an open popup may still hold pages of it.
    old->deleteLater();
}

void TCtrlPopupWebBrowserBase::ClearCacheNoThrow()
{
    try {
        ClearCache();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TCtrlPopupWebBrowserBase.ClearCache"), e);
    }
}

void TCtrlPopupWebBrowserBase::WebBrowserDestroy()
{
    try {
        TBrowserState& s = state();
        delete s.spare.data();
        s.spare = nullptr;
    } catch (const std::exception& e) {
        LogFatal(QStringLiteral("TCtrlPopupWebBrowserBase.WebBrowserDestroy"), e);
    }
}

int TCtrlPopupWebBrowserBase::ViewsCreated()
{
    return state().viewsCreated;
}

double TCtrlPopupWebBrowserBase::BarScale(double w, double h, double b)
{
    double s = 1;
    if (w < 500)
        s = w / 500;
    if (b > h / 10)
        s = std::min(s, (h / 10) / b);
    return s;
}

// ---------------------------------------------------------------------------
// The popup

TCtrlPopupWebBrowserBase::TCtrlPopupWebBrowserBase(IMainFrame* main, TPopupPanel* bg, QWidget* newFocus)
    : TCtrlPopupHard(main, bg, newFocus)
{
    fOriginalWidth = 1200;
    fOriginalHeight = 780;
    fMarginsWidth = 20;
    fMarginsHeight = 40;
    fBox = new QGroupBox(txtTitle.Text(), bg);
    fBox->setObjectName(QStringLiteral("gbPopUpWebBrowserBase"));
    auto* lay = new QVBoxLayout(fBox);
    lay->setContentsMargins(3, 60, 3, 8);
    fContent = new QWidget(fBox);
    fContent->setObjectName(QStringLiteral("layPopUpWebBrowserContent"));
    auto* cl = new QVBoxLayout(fContent);
    cl->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(fContent, 1);
    fButtonBar = new QWidget(fBox);
    fButtonBar->setObjectName(QStringLiteral("layPopUpWebBrowserBtn"));
    fButtonBar->setFixedHeight(kBarH);
    auto* bl = new QHBoxLayout(fButtonBar);
    bl->setContentsMargins(0, 0, 0, 0);
    fCancel = new QPushButton(txtCancel.Text(), fButtonBar);
    fCancel->setObjectName(QStringLiteral("btnPopUpWebBrowserCancel"));
    KioskSetStyleLookup(fCancel, QStringLiteral("BackBtnPrevious"));
    fStatus = new QLabel(QStringLiteral("..."), fButtonBar);
    fStatus->setObjectName(QStringLiteral("lblPopUpWebBrowserStatus"));
    fStatus->setContentsMargins(20, 5, 20, 5);
    fAccept = new QPushButton(txtAgree.Text(), fButtonBar);
    fAccept->setObjectName(QStringLiteral("btnPopUpWebBrowserAccept"));
    KioskSetStyleLookup(fAccept, QStringLiteral("BackBtnNext"));
    fAccept->hide();
    bl->addWidget(fCancel);
    bl->addWidget(fStatus, 1);
    bl->addWidget(fAccept);
    lay->addWidget(fButtonBar);
    fBox->hide();
}

TCtrlPopupWebBrowserBase::~TCtrlPopupWebBrowserBase()
{
    // A popup freed without closing still parks its view.
    try {
        stopBrowser();
    } catch (const std::exception& e) {
        LogError(QStringLiteral("TCtrlPopupWebBrowserBase.Destroy"), e);
    }
    if (fBox)
        fBox->deleteLater();
}

QGroupBox* TCtrlPopupWebBrowserBase::popupGroupBox()
{
    return fBox.data();
}

QString TCtrlPopupWebBrowserBase::statusTextLoading()
{
    return txtLoading.Text();
}

QString TCtrlPopupWebBrowserBase::statusTextLoaded()
{
    return txtLoaded.Text();
}

QString TCtrlPopupWebBrowserBase::statusTextLoadError()
{
    return txtLoadError.Text();
}

void TCtrlPopupWebBrowserBase::OnOpen(IMainFrame* main)
{
    TCtrlPopupHard::OnOpen(main);
    if (fBox) {
        fBox->show();
        fBox->raise();
    }
    QObject::connect(fCancel, &QPushButton::clicked, fCancel, [this] { ButtonCloseClick(); });
    fStatus->setText(QStringLiteral("..."));
    startBrowser();
}

void TCtrlPopupWebBrowserBase::startBrowser()
{
    if (fWebBrowser)
        return;
    LogDebugFmt(QStringLiteral("%s.startBrowser: start %s"), { ClassName(), AppMemoryUsageStr() });
    TBrowserState& s = state();
    QWebEngineView* view = s.spare;
    s.spare = nullptr;
    if (!view) {
        view = new QWebEngineView;
        view->setObjectName(QStringLiteral("WebBrowser"));
        ++s.viewsCreated;
    }
    // The page of the current customer's profile (a spare from an earlier
    // customer was dropped with its profile).
    auto* page = new TGuardedPage(CustomerProfile(), view);
    page->allow = [this](const QUrl& url) { return NavigationAllowed(url); };
    // The view frees the page it made itself; a guarded page of an earlier
    // popup is freed here.
    auto* earlier = dynamic_cast<TGuardedPage*>(view->page());
    view->setPage(page);
    delete earlier;
    page->settings()->setAttribute(QWebEngineSettings::LocalStorageEnabled, true);
    fWebBrowser = view;
    fBrowserConns << QObject::connect(view, &QWebEngineView::loadStarted, view, [this] { WebBrowserDidStartLoad(); });
    fBrowserConns << QObject::connect(view, &QWebEngineView::loadFinished, view,
                                      [this](bool ok) { WebBrowserDidFinishLoad(ok); });
    view->hide();
    view->setParent(fContent);
    fContent->layout()->addWidget(view);
    LogDebugFmt(QStringLiteral("%s.startBrowser: end %s"), { ClassName(), AppMemoryUsageStr() });
}

void TCtrlPopupWebBrowserBase::stopBrowser()
{
    fTimerPageScan.reset();
    if (!fWebBrowser)
        return;
    LogDebugFmt(QStringLiteral("%s.stopBrowser: start %s"), { ClassName(), AppMemoryUsageStr() });
    QWebEngineView* view = fWebBrowser;
    fWebBrowser = nullptr;
    for (const QMetaObject::Connection& c : fBrowserConns)
        QObject::disconnect(c);
    fBrowserConns.clear();
    view->hide();
    view->stop();
    if (auto* page = dynamic_cast<TGuardedPage*>(view->page()))
        page->allow = nullptr;
    view->setParent(nullptr);
    TBrowserState& s = state();
    delete s.spare.data();
    s.spare = view;
    LogDebugFmt(QStringLiteral("%s.stopBrowser: end %s"), { ClassName(), AppMemoryUsageStr() });
}

void TCtrlPopupWebBrowserBase::Navigate(const QUrl& url)
{
    AllowOrigin(url);
    if (fWebBrowser)
        fWebBrowser->setUrl(url);
}

void TCtrlPopupWebBrowserBase::AllowOrigin(const QUrl& url)
{
    const QString origin = originOf(url);
    if (!origin.isEmpty() && !fAllowedOrigins.contains(origin))
        fAllowedOrigins << origin;
}

bool TCtrlPopupWebBrowserBase::NavigationAllowed(const QUrl& url) const
{
    if (url.scheme() == QLatin1String("about") || url.scheme() == QLatin1String("data"))
        return true;
    return fAllowedOrigins.contains(originOf(url));
}

void TCtrlPopupWebBrowserBase::WebBrowserDidStartLoad()
{
    fStatus->setText(statusTextLoading());
}

void TCtrlPopupWebBrowserBase::WebBrowserDidFinishLoad(bool ok)
{
    if (!ok) {
        WebBrowserDidFailLoad();
        return;
    }
    fStatus->setText(statusTextLoaded());
    if (fWebBrowser && !fPopupBgEffect)
        fWebBrowser->show();
    PageScanStart();
}

void TCtrlPopupWebBrowserBase::WebBrowserDidFailLoad()
{
    fStatus->setText(statusTextLoadError());
}

void TCtrlPopupWebBrowserBase::PageScanStart()
{
    if (!fTimerPageScan) {
        fTimerPageScan = std::make_unique<QTimer>();
        fTimerPageScan->setInterval(kPageScanMs);
        fTimerPageScan->setSingleShot(true);
        QObject::connect(fTimerPageScan.get(), &QTimer::timeout, fTimerPageScan.get(), [this] {
            try {
                PageScan();
            } catch (const std::exception& e) {
                LogError(QStringLiteral("TCtrlPopupWebBrowserBase.PageScan"), e);
            }
        });
    }
    fTimerPageScan->start();
}

void TCtrlPopupWebBrowserBase::EvaluateJavaScriptGet(const QString& script, TReturnCb cb)
{
    if (!fWebBrowser) {
        if (cb)
            cb(QString());
        return;
    }
    std::weak_ptr<TCtrlCommonBase> weak = weak_from_this();
    fWebBrowser->page()->runJavaScript(script, [weak, cb](const QVariant& v) {
        if (weak.lock() && cb)
            cb(v.isNull() ? QString() : v.toString());
    });
}

void TCtrlPopupWebBrowserBase::GetTagValue(const QString& tagName, const QString& valueName, TReturnCb cb)
{
    EvaluateJavaScriptGet(QStringLiteral("(function(){var e=document.getElementById(%1);"
                                         "var v=e?e.getAttribute(%2):null;return v===null?'':String(v);})()")
                              .arg(jsString(tagName), jsString(valueName)),
                          std::move(cb));
}

void TCtrlPopupWebBrowserBase::GetHTMLSource(TReturnCb cb)
{
    EvaluateJavaScriptGet(QStringLiteral("document.body?document.body.innerHTML:''"), std::move(cb));
}

void TCtrlPopupWebBrowserBase::OnResize(QWidget* parent)
{
    TCtrlPopupHard::OnResize(parent);
    if (!fButtonBar || !fbg)
        return;
    QWidget* window = fbg->window();
    const double s = BarScale(window->width(), window->height(), kBarH);
    if (s == fBarScale)
        return;
    fBarScale = s;
    fButtonBar->setFixedHeight(int(std::lround(kBarH * s)));
    for (QPushButton* b : { fCancel.data(), fAccept.data() })
        b->setFixedWidth(int(std::lround(175 * s)));
}

void TCtrlPopupWebBrowserBase::OnCoveredByPopup(bool covered)
{
    fPopupBgEffect = covered;
    // The page would otherwise paint over the popup above.
    if (fWebBrowser)
        fWebBrowser->setVisible(!covered);
}

void TCtrlPopupWebBrowserBase::OnClose()
{
    TCtrlPopupHard::OnClose();
    if (fBox)
        fBox->hide();
    QObject::disconnect(fCancel, &QPushButton::clicked, nullptr, nullptr);
    stopBrowser();
}
