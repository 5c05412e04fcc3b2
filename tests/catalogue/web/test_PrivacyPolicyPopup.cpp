// The privacy-policy popup with a real embedded browser (run under Xvfb):
// it opens the simulator's policy page in the interface language, and
// "Agree" runs the caller's procedure, which records the acceptance at the
// lab.
#include "../ConnecWindow.h"

#include "LabServiceSim.h"
#include "UCtrlPopupWebBrowserPrivacyPolicy.h"
#include "UPopupPanel.h"

#include <QApplication>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

class PrivacyPopupTest : public CatalogueSimSuite {
protected:
    void SetUp() override
    {
        CatalogueSimSuite::SetUp();
        fWin = std::make_unique<ConnecWindow>(fCfg.get());
        fWin->show();
        fBg = fWin->PopupPanel(QStringLiteral("PanelPopUpWebBrowser"));
        ASSERT_NE(fBg, nullptr);
    }
    void TearDown() override { fWin.reset(); }

    std::shared_ptr<TCtrlPopupWebBrowserPrivacyPolicy> popup()
    {
        return TCtrlCommonBase::Create<TCtrlPopupWebBrowserPrivacyPolicy>(fWin.get(), fBg);
    }

    std::unique_ptr<ConnecWindow> fWin;
    TPopupPanel* fBg = nullptr;
};

TEST(PrivacyPolicyAddress, LanguagePlaceholder)
{
    EXPECT_EQ(TCtrlPopupWebBrowserPrivacyPolicy::PolicyAddress(QStringLiteral("https://s.example/p?l=[langCode]"),
                                                               QStringLiteral("?de")),
              QStringLiteral("https://s.example/p?l=de"));
    EXPECT_EQ(TCtrlPopupWebBrowserPrivacyPolicy::PolicyAddress(QStringLiteral("https://s.example/p"),
                                                               QStringLiteral("fr")),
              QStringLiteral("https://s.example/p"));
}

TEST_F(PrivacyPopupTest, AgreeRecordsTheAcceptanceAtTheLab)
{
    Photographe2 phot;
    phot.setPolitiqueConfidentialiteUrl(sim->baseUrl() + QStringLiteral("/shop/privacy?lang=[langCode]"));
    std::atomic<bool> recorded { false };
    auto p = popup();
    p->SetPolicyPhotographer(&phot);
    p->SetAcceptProc([&] {
        // What the privacy check does on "Agree": the lab learns which
        // version of the policy the kiosk user accepted.
        fWin->WebSvcAddCall([&] {
            IMainFrame* m = TThreadTaskWebSvcQueue::Current();
            recorded = m->GetWebSvcLum()->ModifyConsumerPrivacyPolicyDate(
                m->GetWebSvcAsker(), 345, TXSDateTime::FromXS(QStringLiteral("2023-11-20T08:00:00")));
        });
    });
    p->SetRefuseProc([] { ADD_FAILURE() << "refused"; });
    p->SetReturnToConnecScreenMsg(true);
    fWin->popupAdd(p);

    ASSERT_NE(p->Browser(), nullptr);
    ASSERT_TRUE(testsupport::waitFor([&] { return p->Browser()->title() == QStringLiteral("Privacy policy"); }, 60000))
        << p->Browser()->url().toString().toStdString();
    EXPECT_EQ(p->Browser()->url().query(), QStringLiteral("lang=") + fWin->Lang().remove(QLatin1Char('?')));
    EXPECT_TRUE(p->btnPopUpWebBrowserAccept->isVisible());
    ASSERT_NE(p->TextExplanatory(), nullptr);
    EXPECT_TRUE(p->TextExplanatory()->isVisible());
    EXPECT_TRUE(testsupport::waitFor([&] { return p->lblPopUpWebBrowserStatus->text().isEmpty(); }));
    // Let the page paint, then keep a picture of the popup.
    testsupport::waitFor([] { return false; }, 1500);
    fWin->grab().save(QStringLiteral("/tmp/catalogue-privacy-popup.png"));

    QTest::mouseClick(p->btnPopUpWebBrowserAccept.get(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitFor([&] { return recorded.load(); }));
    EXPECT_FALSE(p->Opened());
    const QJsonObject consumer = control({ { "cmd", "data" } })
                                     .value(QStringLiteral("data"))
                                     .toObject()
                                     .value(QStringLiteral("consumer"))
                                     .toObject();
    EXPECT_TRUE(consumer.value(QStringLiteral("PrivacyPolicyAcceptDate")).toString().startsWith(QStringLiteral("2023-11-20T08:00:00")));
}

TEST_F(PrivacyPopupTest, ReadOnlyHasNoAgreeAndCancelCloses)
{
    Photographe2 phot;
    phot.setPolitiqueConfidentialiteUrl(sim->baseUrl() + QStringLiteral("/shop/privacy"));
    auto p = popup();
    p->SetPolicyPhotographer(&phot);
    fWin->popupAdd(p);
    EXPECT_FALSE(p->btnPopUpWebBrowserAccept->isVisible());
    EXPECT_EQ(p->TextExplanatory(), nullptr);
    fBg->backgroundClicked();
    EXPECT_TRUE(p->Opened()) << "a click beside the popup does nothing";
    QTest::mouseClick(p->btnPopUpWebBrowserCancel.get(), Qt::LeftButton);
    EXPECT_TRUE(testsupport::waitFor([&] { return !p->Opened(); }));
}

TEST_F(PrivacyPopupTest, NoAddressAcceptsAtOnce)
{
    Photographe2 phot;
    bool accepted = false;
    auto p = popup();
    p->SetPolicyPhotographer(&phot);
    p->SetAcceptProc([&] { accepted = true; });
    fWin->popupAdd(p);
    EXPECT_EQ(p->Browser(), nullptr) << "no page is shown";
    EXPECT_TRUE(testsupport::waitFor([&] { return accepted && !p->Opened(); }));
}

int main(int argc, char** argv)
{
    // The embedded browser shares the window's OpenGL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
