// The web-page popup with a real embedded browser (run under Xvfb): it loads
// a page of the lab simulator, its page scan reads a value out of the page,
// navigation stays on the allowed pages, a closed popup's view serves the
// next one, and one customer's cookie is gone for the next customer.
#include "LabSim.h"
#include "UCtrlPopupWebBrowserBase.h"
#include "UMainFrameBase.h"
#include "UPopupPanel.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace {

// A popup that opens one address and scans the page with a script until the
// script answers something.
class ScanPopup : public TCtrlPopupWebBrowserBase {
public:
    ScanPopup(IMainFrame* main, TPopupPanel* bg, QUrl url, QString script)
        : TCtrlPopupWebBrowserBase(main, bg)
        , fUrl(std::move(url))
        , fScript(std::move(script))
    {
    }
    void startBrowser() override
    {
        TCtrlPopupWebBrowserBase::startBrowser();
        Navigate(fUrl);
    }
    void PageScan() override
    {
        ++scans;
        EvaluateJavaScriptGet(fScript, [this](const QString& v) {
            if (v.isEmpty())
                PageScanStart();
            else
                answer = v;
        });
    }
    QString answer;
    int scans = 0;

private:
    QUrl fUrl;
    QString fScript;
};

class WebPopup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start()) << sim.error().toStdString();
        win.resize(1280, 800);
        win.show();
    }
    std::shared_ptr<ScanPopup> open(const QString& path, const QString& script)
    {
        auto p = TCtrlCommonBase::Create<ScanPopup>(&win, win.PopupPanel(QStringLiteral("PanelPopUpWebBrowser")),
                                                    QUrl(sim.baseUrl() + path), script);
        win.popupAdd(p);
        return p;
    }
    bool waitAnswer(ScanPopup& p)
    {
        return QTest::qWaitFor([&] { return !p.answer.isEmpty(); }, 30000);
    }

    testsupport::LabSim sim;
    TMainFrameBase win { nullptr };
};

TEST_F(WebPopup, LoadsAPageAndTheScanReadsAValue)
{
    auto p = open(QStringLiteral("/shop/privacy?lang=fr"), QStringLiteral("document.getElementById('lang')?"
                                                                           "document.getElementById('lang').textContent:''"));
    ASSERT_TRUE(waitAnswer(*p)) << p->lblPopUpWebBrowserStatus()->text().toStdString();
    EXPECT_EQ(p->answer, QStringLiteral("Language: fr"));
    EXPECT_EQ(p->lblPopUpWebBrowserStatus()->text(), QStringLiteral("Page loaded, please follow statements..."));
    EXPECT_TRUE(p->Browser()->isVisible());
    QString id;
    p->GetTagValue(QStringLiteral("title"), QStringLiteral("id"), [&id](const QString& v) { id = v.isEmpty() ? QStringLiteral("-") : v; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !id.isEmpty(); }, 30000));
    EXPECT_EQ(id, QStringLiteral("title"));
    QString missing;
    bool answered = false;
    p->GetTagValue(QStringLiteral("nothing"), QStringLiteral("id"), [&](const QString& v) { missing = v; answered = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 30000));
    EXPECT_TRUE(missing.isEmpty());
    QDir().mkpath(QStringLiteral("/tmp/shots"));
    win.grab().save(QStringLiteral("/tmp/shots/popup_web.png"));
    p->Close();
}

TEST_F(WebPopup, NavigationStaysOnTheAllowedPages)
{
    auto p = open(QStringLiteral("/shop/privacy?lang=en"), QStringLiteral("document.title"));
    ASSERT_TRUE(waitAnswer(*p));
    EXPECT_TRUE(p->NavigationAllowed(QUrl(sim.baseUrl() + QStringLiteral("/__echo"))));
    EXPECT_FALSE(p->NavigationAllowed(QUrl(QStringLiteral("http://127.0.0.2:1/elsewhere"))));
    // A link off the store's pages leads nowhere.
    p->answer.clear();
    p->EvaluateJavaScriptGet(QStringLiteral("window.location.href='http://127.0.0.2:9/x'; 'moved'"), [](const QString&) { });
    QTest::qWait(300);
    QString href;
    p->EvaluateJavaScriptGet(QStringLiteral("window.location.href"), [&href](const QString& v) { href = v; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !href.isEmpty(); }, 30000));
    EXPECT_TRUE(href.startsWith(sim.baseUrl())) << href.toStdString();
    p->Close();
}

TEST_F(WebPopup, TheNextPopupTakesTheSpareViewAndTheNextCustomerHasNoCookie)
{
    const QString echoCookie = QStringLiteral(
        "(function(){try{var j=JSON.parse(document.body.innerText);var c='none';"
        "j.headers.forEach(function(h){if(h[0].toLowerCase()==='cookie')c=h[1];});return c;}catch(e){return '';}})()");
    // Customer A gets a cookie from the store's pages.
    auto a = open(QStringLiteral("/__cookie?set=session=customerA"), QStringLiteral("document.body.innerText"));
    ASSERT_TRUE(waitAnswer(*a));
    a->Close();
    const int views = TCtrlPopupWebBrowserBase::ViewsCreated();
    auto a2 = open(QStringLiteral("/__echo"), echoCookie);
    ASSERT_TRUE(waitAnswer(*a2));
    EXPECT_EQ(a2->answer, QStringLiteral("session=customerA")) << "the same customer keeps the session";
    EXPECT_EQ(TCtrlPopupWebBrowserBase::ViewsCreated(), views) << "the spare view was taken back";
    a2->Close();

    // The order ends: the next customer starts with nothing.
    TCtrlPopupWebBrowserBase::ClearCache();
    auto b = open(QStringLiteral("/__echo"), echoCookie);
    ASSERT_TRUE(waitAnswer(*b));
    EXPECT_EQ(b->answer, QStringLiteral("none"));
    b->Close();
}

TEST(WebPopupLayout, BarScalesOnSmallWindows)
{
    EXPECT_DOUBLE_EQ(TCtrlPopupWebBrowserBase::BarScale(1280, 800, 57), 1);
    EXPECT_DOUBLE_EQ(TCtrlPopupWebBrowserBase::BarScale(400, 800, 57), 0.8);
    EXPECT_DOUBLE_EQ(TCtrlPopupWebBrowserBase::BarScale(1280, 300, 57), 30.0 / 57);
}

} // namespace

int main(int argc, char** argv)
{
    // The embedded browser shares the window's OpenGL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int r = RUN_ALL_TESTS();
    TCtrlPopupWebBrowserBase::WebBrowserDestroy();
    return r;
}
