// The main window's lab connection: requester, client address, connection
// modes and their letters, the design, the hand-over of a catalogue and the
// status texts.
#include "CatalogueFakes.h"

#include "LogCapture.h"
#include "UConnecEndpoints.h"

#include <QUrl>
#include "USoapHttpTrans.h"
#include "UTools.h"

#include <gtest/gtest.h>

class WebSvcConnectionTest : public ConfigTestBase {
protected:
    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
    }

    static std::unique_ptr<TShopInfo> shopWithLetter(char16_t letter)
    {
        auto shop = std::make_unique<TShopInfo>();
        auto consumer = std::make_unique<Zebconsumer2>();
        consumer->setId(345);
        consumer->setPhotographeId(12);
        consumer->setShopName(QStringLiteral("Demo Photo"));
        consumer->setBorneModeCommunication(letter);
        shop->SetConsumer(std::move(consumer));
        return shop;
    }

    std::unique_ptr<TTestConfig> fCfg;
};

TEST_F(WebSvcConnectionTest, ConnectionModeFollowsTheAccountLetter)
{
    struct Case {
        const char* name;
        char16_t letter;
        bool online;
        int mode; // -1: refused
    };
    const Case cases[] = {
        { "no letter on-line", u'\0', true, 10 },
        { "no letter off-line", u'\0', false, 11 },
        { "other letter on-line", u'X', true, 10 },
        { "I on-line", u'I', true, 20 },
        { "I off-line is refused", u'I', false, -1 },
        { "L on-line", u'L', true, 21 },
        { "L off-line", u'L', false, 21 },
        { "O off-line", u'O', false, 22 },
        { "lower-case l is no kiosk letter", u'l', true, 10 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.mode < 0) {
            try {
                TWebSvcConnection::ConnectionModeFor(c.letter, c.online);
                ADD_FAILURE() << "no refusal";
            } catch (const Econnection& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("The internet connection is not available.\nThis kiosk must "
                                                      "be connected to the internet to function."));
            }
        } else {
            EXPECT_EQ(TWebSvcConnection::ConnectionModeFor(c.letter, c.online), c.mode);
        }
    }
}

TEST_F(WebSvcConnectionTest, KioskLettersForceTheKioskUseModeAndDesign)
{
    TWebSvcConnection conn(fCfg.get());
    fCfg->SetQzuseMode(TQzUseMode::Std);
    EXPECT_TRUE(conn.zebdesignUpdate());
    EXPECT_EQ(conn.Zebdesign(), zebd_home);

    auto shop = shopWithLetter(u'L');
    LogCapture log;
    EXPECT_TRUE(conn.SetWebSvcShopInfo(shop, true));
    EXPECT_EQ(shop, nullptr) << "the window owns the catalogue";
    EXPECT_EQ(conn.QzConnectionMode(), 21);
    EXPECT_EQ(fCfg->QzuseMode(), TQzUseMode::Kiosk);
    EXPECT_TRUE(conn.zebdesignUpdate());
    EXPECT_EQ(conn.Zebdesign(), zebd_kiosk);
    const QString text = log.Text();
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Consumer = ID : 345")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Photographer = ID : 12 / Name: Demo Photo")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Use mode = Kiosk")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Connection mode = 21")));

    // A plain account afterwards takes the kiosk use mode back to a touch screen.
    auto plain = shopWithLetter(u'\0');
    EXPECT_TRUE(conn.SetWebSvcShopInfo(plain, false));
    EXPECT_EQ(conn.QzConnectionMode(), 11);
    EXPECT_EQ(fCfg->QzuseMode(), TQzUseMode::FullTouchScreen);
}

TEST_F(WebSvcConnectionTest, AccountInModeIOffLineReleasesThePreviousCatalogueBeforeRefusing)
{
    TWebSvcConnection conn(fCfg.get());
    auto first = shopWithLetter(u'\0');
    conn.SetWebSvcShopInfo(first, true);
    ASSERT_NE(conn.ShopInfo(), nullptr);

    auto refused = shopWithLetter(u'I');
    EXPECT_THROW(conn.SetWebSvcShopInfo(refused, false), Econnection);
    EXPECT_EQ(conn.ShopInfo(), nullptr) << "the old account's catalogue stays in use";
    EXPECT_FALSE(conn.IsOnline());
    ASSERT_NE(refused, nullptr) << "the refused root stays the caller's";
    EXPECT_EQ(conn.QzConnectionMode(), 10) << "the mode is unchanged from before";
}

TEST_F(WebSvcConnectionTest, NoCatalogueOrNoConsumerGivesModeOffLine)
{
    TWebSvcConnection conn(fCfg.get());
    std::unique_ptr<TShopInfo> none;
    conn.SetWebSvcShopInfo(none, true);
    EXPECT_EQ(conn.QzConnectionMode(), 11);
    auto bare = std::make_unique<TShopInfo>();
    conn.SetWebSvcShopInfo(bare, true);
    EXPECT_EQ(conn.QzConnectionMode(), 11);
    EXPECT_NE(bare, nullptr) << "a root without consumer is not taken";
    EXPECT_EQ(conn.ShopInfo(), nullptr);
}

TEST_F(WebSvcConnectionTest, ServerAddressCheck)
{
    struct Case {
        const char* name;
        const char* url;
        const char* stored; // null: refused
    };
    const Case cases[] = {
        { "upper-case scheme, no slash", "HTTPS://lab.example/JPN", "HTTPS://lab.example/JPN/" },
        { "http with slash", "http://127.0.0.1:8080/", "http://127.0.0.1:8080/" },
        { "ftp refused", "ftp://lab.example/", nullptr },
        { "no scheme refused", "lab.example/JPN/", nullptr },
        { "empty refused", "", nullptr },
    };
    TWebSvcConnection conn(fCfg.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = fCfg->ServerUrl();
        if (!c.stored) {
            try {
                conn.SetServerUrl(QString::fromLatin1(c.url));
                ADD_FAILURE() << "accepted";
            } catch (const EUser& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Server url is invalid: it should start with 'http://' or 'https://'"));
            }
            EXPECT_EQ(fCfg->ServerUrl(), before);
        } else {
            conn.SetServerUrl(QString::fromLatin1(c.url));
            EXPECT_EQ(fCfg->ServerUrl(), QString::fromLatin1(c.stored));
            EXPECT_EQ(conn.ConnecStatus(), kConnecStatusConnecting);
        }
    }
    EXPECT_FALSE(conn.SetWebSvcRootUrl(fCfg->ServerUrl())) << "the same address keeps the client";
    EXPECT_TRUE(conn.SetWebSvcRootUrl(QStringLiteral("http://other.example/")));
}

TEST_F(WebSvcConnectionTest, ClientAddressAndRequester)
{
    fCfg->SetServerUrl(QStringLiteral("http://127.0.0.1:9/Lab/"));
    fCfg->SetLogin(QStringLiteral("kiosk-demo"));
    fCfg->SetPassword(QStringLiteral("secret"));
    TWebSvcConnection conn(fCfg.get());
    EXPECT_EQ(conn.GetWebSvcAsker()->Password(), QStringLiteral("Q7#secret!K4"));
    EXPECT_EQ(conn.GetWebSvcAsker()->Login(), QStringLiteral("kiosk-demo"));
    EXPECT_EQ(conn.GetWebSvcAsker()->TypeDemandeur(), Demandeur_Profil::Consommateur);
    EXPECT_FALSE(conn.GetWebSvcAsker()->CodeLangue_Specified());

    LogCapture log;
    THTTPReqResp node;
    THTTPRIO rio(node);
    conn.WebSvcInit(&rio);
    EXPECT_EQ(rio.URL(), QStringLiteral("http://127.0.0.1:9/Lab/LumLabService.svc"));
    EXPECT_EQ(node.ReceiveTimeout(), 300000);
    EXPECT_TRUE(log.Text().contains(QStringLiteral("Connecting to webService: http://127.0.0.1:9/Lab/LumLabService.svc")));
    fCfg->SetServerOffline(true);
    conn.WebSvcInit(&rio);
    EXPECT_EQ(rio.URL(), QStringLiteral("http://127.0.0.1:9/Lab/"));

    conn.SetWebSvcAskerClearPassword(QString());
    EXPECT_EQ(conn.GetWebSvcAsker()->Password(), QString()) << "an empty password is sent empty";
    conn.SetWebSvcAskerClearLogin(QStringLiteral("other"));
    EXPECT_EQ(fCfg->Login(), QStringLiteral("other"));
    EXPECT_EQ(conn.GetWebSvcAsker()->Login(), QStringLiteral("other"));
}

TEST_F(WebSvcConnectionTest, ActionsOfferedAfterConnecting)
{
    const TConnectedActions kiosk = TWebSvcConnection::ConnectedActions(zebd_kiosk, TQzUseMode::Kiosk);
    EXPECT_TRUE(kiosk.StartAgain);
    EXPECT_FALSE(kiosk.UpdateApp);
    EXPECT_FALSE(kiosk.MyOrders || kiosk.MyAccount || kiosk.Disconnect);
    EXPECT_TRUE(kiosk.LangKiosk);
    const TConnectedActions mobile = TWebSvcConnection::ConnectedActions(zebd_mobile, TQzUseMode::Mobile);
    EXPECT_FALSE(mobile.UpdateApp);
    EXPECT_FALSE(mobile.LangKiosk);
    EXPECT_TRUE(mobile.MyOrders && mobile.MyAccount && mobile.Disconnect);
    const TConnectedActions home = TWebSvcConnection::ConnectedActions(zebd_home, TQzUseMode::Std);
    EXPECT_TRUE(home.UpdateApp && home.LangKiosk && home.MyOrders);
}

TEST_F(WebSvcConnectionTest, StatusTexts)
{
    const QString app = TAppTools::GetAppNameStr();
    EXPECT_EQ(TWebSvcConnection::ConnecStatusText(17, QStringLiteral("\nline")), app + QStringLiteral(" is connected to the server.\nline"));
    EXPECT_EQ(TWebSvcConnection::ConnecStatusText(18, QString()), app + QStringLiteral(" is in offline mode."));
    EXPECT_EQ(TWebSvcConnection::ConnecStatusText(19, QStringLiteral("x")), app + QStringLiteral(" is not connected to the server."));
    EXPECT_EQ(TWebSvcConnection::ConnecStatusText(20, QString()), app + QStringLiteral(" is connecting to the server..."));
    EXPECT_EQ(TWebSvcConnection::ConnecStatusText(0, QStringLiteral("x")), QString());
    EXPECT_EQ(TWebSvcConnection::PrintSizeLimitInfo(nullptr, 8192), QString());

    TWebSvcConnection conn(fCfg.get());
    EXPECT_TRUE(conn.connecStatusSet(19));
    EXPECT_FALSE(conn.connecStatusSet(19));
}

TEST(ConnecEndpoints, TableShapeAndChoiceFromAddress)
{
    const auto& rows = ConnecEndpoints();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0].url, QStringLiteral("https://"));
    const char* paths[] = { "/JPN/", "/lum/LumWCF/", "/USA/", "/CAN/", "/SGP/", "/LumTEST/LumWCF/",
                            "/Lum/LumWCF/", "/LumTEST/LumWCF/", "/JPN/", "/LumServer/", "/LumServer/" };
    for (size_t i = 1; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].label.toStdString());
        EXPECT_TRUE(rows[i].url.endsWith(QString::fromLatin1(paths[i - 1])));
        EXPECT_TRUE(rows[i].url.startsWith(i == 7 || i == 8 || i >= 10 ? QStringLiteral("http://") : QStringLiteral("https://")));
        const QString host = QUrl(rows[i].url).host();
        EXPECT_TRUE(host.endsWith(QStringLiteral(".example")) || host == QStringLiteral("127.0.0.1")
                    || host.startsWith(QStringLiteral("192.0.2.")))
            << "only our own or documentation hosts";
    }
    EXPECT_EQ(rows[1].url, QString::fromLatin1(TConfig::kDefaultServerUrl)) << "the default is row 1";
    EXPECT_EQ(ConnecEndpointIndexOf(QStringLiteral("http://127.0.0.1:1362/LumServer/")), 11);
    EXPECT_EQ(ConnecEndpointIndexOf(QStringLiteral("HTTPS://jpn.lumlab.example/JPN/")), 0) << "exact comparison";
    EXPECT_EQ(ConnecEndpointIndexOf(QStringLiteral("https://shop.example/")), 0);
}

TEST(ConnecEndpoints, ProgressOfAnEmptyListDoesNotDivideByZero)
{
    EXPECT_EQ(ConnecProgressPercent(0, 0), 0);
    EXPECT_EQ(ConnecProgressPercent(3, 0), 0);
    EXPECT_EQ(ConnecProgressPercent(1, 4), 25);
    EXPECT_EQ(ConnecProgressPercent(5, 4), 100);
}
