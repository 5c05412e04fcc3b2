// The social-network log-in popup with a real embedded browser (run under
// Xvfb) against the simulator's dialog pages: a customer logs in and his
// albums become a source; a refusal closes quietly; the next customer finds
// nothing of the former one's log-in.
#include "../ConnecWindow.h"

#include "LabServiceSim.h"
#include "LumLabService.h"
#include "UCtrlPopupWebBrowserFacebook.h"
#include "UPopupPanel.h"
#include "UQzFileSystemFacebook.h"
#include "UQzFileSystemRoot.h"
#include "UVolumeProvider.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace {

class NoVolumes : public IQzfsVolumeProvider {
public:
    QByteArray MountInfo() override { return QByteArray(); }
    TDeviceInfo Device(const QString&) override { return TDeviceInfo(); }
};

// The window with a media root, as the kiosk's main window has, and the
// store's application on the simulated network.
class SocialWindow : public ConnecWindow, public IQzfsRootContainer {
public:
    SocialWindow(TTestConfig* cfg, const QString& cacheDir)
        : ConnecWindow(cfg)
    {
        phot.setFacebookAppID(QStringLiteral("4711"));
        phot.setFacebookAppSecret(QStringLiteral("simsecret"));
        TQzfsRootSources sources;
        sources.volumes = std::make_shared<NoVolumes>();
        sources.facebook = QzfsFacebookSourceCreate;
        root = TQzfsFolderRoot::Create(this, cacheDir, sources);
    }
    ~SocialWindow() override { root.reset(); }

    std::shared_ptr<IQzfsRoot> RootFolder() override { return root; }
    Photographe2* GetWebSvcPhotographer() override { return &phot; }
    void orderMarkAsUsed() override { ++orderMarked; }

    std::shared_ptr<IQzfsFacebookRoot> social()
    {
        return std::dynamic_pointer_cast<IQzfsFacebookRoot>(root->FolderFind(QStringLiteral("facebook:")));
    }

    Photographe2 phot;
    std::shared_ptr<TQzfsFolderRoot> root;
    int orderMarked = 0;
};

class FacebookPopupTest : public CatalogueSimSuite {
protected:
    void SetUp() override
    {
        CatalogueSimSuite::SetUp();
        // The hosts of the social network are configuration.
        fCfg->SetFacebookGraphUrl(sim->baseUrl() + QStringLiteral("/graph"));
        fCfg->SetFacebookDialogUrl(sim->baseUrl());
        fWin = std::make_unique<SocialWindow>(fCfg.get(), fDir.path() + QStringLiteral("/ImagesCache"));
        fWin->show();
        fBg = fWin->PopupPanel(QStringLiteral("PanelPopUpWebBrowser"));
        ASSERT_NE(fBg, nullptr);
        QDir().mkpath(QStringLiteral("/tmp/shots"));
    }
    void TearDown() override
    {
        fWin.reset();
    }

    std::shared_ptr<TCtrlPopupWebBrowserFacebook> open()
    {
        auto p = TCtrlCommonBase::Create<TCtrlPopupWebBrowserFacebook>(fWin.get(), fBg);
        fWin->popupAdd(p);
        return p;
    }

    bool waitTitle(const std::shared_ptr<TCtrlPopupWebBrowserFacebook>& p, const QString& title)
    {
        return testsupport::waitFor([&] { return p->Browser() && p->Browser()->title() == title; }, 60000);
    }

    // Runs a script in the page (what the customer's taps do).
    void run(const std::shared_ptr<TCtrlPopupWebBrowserFacebook>& p, const QString& js)
    {
        p->Browser()->page()->runJavaScript(js);
    }

    void logIn(const std::shared_ptr<TCtrlPopupWebBrowserFacebook>& p, const QString& login, const QString& pw)
    {
        run(p, QStringLiteral("document.getElementById('email').value='%1';"
                              "document.getElementById('pass').value='%2';"
                              "document.getElementById('loginform').submit();")
                   .arg(login, pw));
    }

    void shot(const QString& name)
    {
        // Let the page paint first.
        testsupport::waitFor([] { return false; }, 1200);
        fWin->grab().save(QStringLiteral("/tmp/shots/%1.png").arg(name));
    }

    std::unique_ptr<SocialWindow> fWin;
    TPopupPanel* fBg = nullptr;
};

} // namespace

TEST_F(FacebookPopupTest, TheCustomerLogsInAndHisAlbumsBecomeASource)
{
    auto p = open();
    ASSERT_NE(p->Browser(), nullptr);
    EXPECT_EQ(fWin->orderMarked, 1) << "the order counts as used from the log-in on";
    ASSERT_TRUE(waitTitle(p, QStringLiteral("Log in"))) << p->Browser()->url().toString().toStdString();
    const QUrl start = p->Browser()->url();
    EXPECT_EQ(start.path(), QStringLiteral("/dialog/oauth/"));
    EXPECT_TRUE(start.query().contains(QStringLiteral("state=") + p->Graph()->FacebookState()));
    shot(QStringLiteral("social-login-form"));

    logIn(p, QStringLiteral("alice"), QStringLiteral("wonderland"));
    ASSERT_TRUE(waitTitle(p, QStringLiteral("Permissions")));
    shot(QStringLiteral("social-login-consent"));
    run(p, QStringLiteral("document.getElementById('allow').click();"));

    ASSERT_TRUE(testsupport::waitFor([&] { return !p->Opened(); }, 60000));
    auto top = fWin->social();
    ASSERT_TRUE(top);
    EXPECT_TRUE(top->FolderFind(QStringLiteral("153")));
    EXPECT_EQ(top->FolderFind(QStringLiteral("153"))->folderLabel(), QStringLiteral("Alice Example"));
    EXPECT_TRUE(top->FolderFind(QStringLiteral("153\\720"))) << "the album list came with the account";
    EXPECT_EQ(p->Browser(), nullptr) << "the browser and its profile are gone with the popup";

    // A second log-in of the same customer keeps the one account folder.
    const quint32 tick = top->refreshTick();
    auto again = open();
    ASSERT_TRUE(waitTitle(again, QStringLiteral("Log in")));
    logIn(again, QStringLiteral("alice"), QStringLiteral("wonderland"));
    ASSERT_TRUE(waitTitle(again, QStringLiteral("Permissions")));
    run(again, QStringLiteral("document.getElementById('allow').click();"));
    ASSERT_TRUE(testsupport::waitFor([&] { return !again->Opened(); }, 60000));
    EXPECT_EQ(top->refreshTick(), tick);
}

TEST_F(FacebookPopupTest, TheNextCustomerFindsNoCookieOfTheFormerOne)
{
    auto a = open();
    ASSERT_TRUE(waitTitle(a, QStringLiteral("Log in")));
    const QUrl start = a->Browser()->url();
    logIn(a, QStringLiteral("alice"), QStringLiteral("wonderland"));
    ASSERT_TRUE(waitTitle(a, QStringLiteral("Permissions")));
    // Within A's browser the network remembers her: the dialog asks no
    // password again.
    a->Browser()->load(QUrl(QStringLiteral("about:blank")));
    ASSERT_TRUE(testsupport::waitFor([&] { return a->Browser()->url().toString() == QStringLiteral("about:blank"); }));
    a->Browser()->load(start);
    ASSERT_TRUE(waitTitle(a, QStringLiteral("Permissions")));
    QTest::mouseClick(a->btnPopUpWebBrowserCancel.get(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitFor([&] { return !a->Opened(); }));

    auto b = open();
    ASSERT_TRUE(waitTitle(b, QStringLiteral("Log in"))) << "customer B is asked to log in, not to continue as A";
    shot(QStringLiteral("social-login-next-customer"));
    bool noCookie = false;
    bool answered = false;
    b->Browser()->page()->runJavaScript(QStringLiteral("document.cookie"), [&](const QVariant& v) {
        noCookie = v.toString().isEmpty();
        answered = true;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return answered; }));
    EXPECT_TRUE(noCookie);
    QTest::mouseClick(b->btnPopUpWebBrowserCancel.get(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitFor([&] { return !b->Opened(); }));
    EXPECT_FALSE(fWin->social()->HasImagesInSubFolders());
}

TEST_F(FacebookPopupTest, ARefusalClosesQuietlyAndAddsNothing)
{
    auto p = open();
    ASSERT_TRUE(waitTitle(p, QStringLiteral("Log in")));
    logIn(p, QStringLiteral("bob"), QStringLiteral("builder"));
    ASSERT_TRUE(waitTitle(p, QStringLiteral("Permissions")));
    const quint32 tick = fWin->social()->refreshTick();
    run(p, QStringLiteral("document.getElementById('deny').click();"));
    ASSERT_TRUE(testsupport::waitFor([&] { return !p->Opened(); }, 60000));
    EXPECT_FALSE(fWin->social()->HasImagesInSubFolders());
    EXPECT_EQ(fWin->social()->refreshTick(), tick);
    EXPECT_EQ(fWin->popupShownGet(0), nullptr) << "no message";
}

TEST_F(FacebookPopupTest, AFailedTokenRequestIsShownAndClosesThePopupWithTheBox)
{
    auto p = open();
    ASSERT_TRUE(waitTitle(p, QStringLiteral("Log in")));
    logIn(p, QStringLiteral("alice"), QStringLiteral("wonderland"));
    ASSERT_TRUE(waitTitle(p, QStringLiteral("Permissions")));
    ASSERT_TRUE(sim->addFault({ { "kind", "reply" }, { "status", 500 }, { "body", "<html>down</html>" },
                                { "path", "/graph/v2.7/oauth/access_token" } }));
    run(p, QStringLiteral("document.getElementById('allow').click();"));
    QLabel* text = nullptr;
    ASSERT_TRUE(testsupport::waitFor([&] {
        for (QLabel* l : fWin->findChildren<QLabel*>())
            if (l->isVisible() && l->text().startsWith(QStringLiteral("Connection to Facebook has failed with error :")))
                text = l;
        return text != nullptr;
    }, 60000));
    EXPECT_TRUE(text->text().endsWith(QStringLiteral("\nFacebook connection error")));
    shot(QStringLiteral("social-login-error"));
    EXPECT_TRUE(p->Opened()) << "the popup waits for the box";
    EXPECT_FALSE(fWin->social()->HasImagesInSubFolders());
}

TEST(FacebookTile, OfferedOnlyWithAUsableApplication)
{
    // The conditions that need no window: without a main frame nothing is
    // offered.
    EXPECT_FALSE(TCtrlPopupWebBrowserFacebook::IsOffered(nullptr));
}

int main(int argc, char** argv)
{
    // The embedded browser shares the window's OpenGL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
