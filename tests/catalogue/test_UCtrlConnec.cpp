// The connection step on the shell's window skeleton: the form, the
// endpoint choice, the automatic log-in against the simulator and the
// errors shown when it fails.
#include "ConnecWindow.h"

#include "LabServiceSim.h"
#include "LogCapture.h"
#include "UConnecEndpoints.h"
#include "UCtrlConnec.h"
#include "UTools.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

class CtrlConnecTest : public CatalogueSimSuite {
protected:
    void SetUp() override
    {
        CatalogueSimSuite::SetUp();
        fCfg->SetDebugMode(true);
        fCfg->SetAutoLogin(false);
    }

    std::shared_ptr<TCtrlConnec> openStep(ConnecWindow& win)
    {
        win.show();
        auto ctrl = TCtrlCommonBase::Create<TCtrlConnec>(&win, win.StepTab());
        ctrl->OnOpen(&win);
        return ctrl;
    }

    template <class W>
    static W* child(ConnecWindow& win, const char* name)
    {
        return win.findChild<W*>(QString::fromLatin1(name));
    }
};

TEST_F(CtrlConnecTest, AutoLoginConnectsToTheSimulator)
{
    LogCapture log;
    ConnecWindow win(fCfg.get());
    win.SetAutoLogin(nullptr, true);
    auto ctrl = openStep(win);
    EXPECT_FALSE(win.AutoLogin(nullptr)) << "the flag is used once";
    ASSERT_TRUE(testsupport::waitFor([&] { return win.connected.load() == 1; }));
    auto* status = child<QLabel>(win, "lblConnecStatus");
    EXPECT_EQ(status->text(), QStringLiteral("Connected"));
    EXPECT_FALSE(child<QWidget>(win, "gbConnecSteps")->testAttribute(Qt::WA_ForceDisabled)) << "the wait ended";
    const QString text = log.Text();
    EXPECT_TRUE(text.contains(QStringLiteral("Connecting to webService: ") + sim->baseUrl()
                              + QStringLiteral("/LumLabService.svc")));
    EXPECT_EQ(text.count(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : ")), 4);
    EXPECT_TRUE(win.Connection().IsOnline());
    EXPECT_EQ(win.QzConnectionMode(), 20);
    EXPECT_EQ(win.left.load(), 1) << "the window moves on to the home step";
    // The print-size line waits for the shop-wide part.
    EXPECT_EQ(win.statusTexts.last(), TAppTools::GetAppNameStr() + QStringLiteral(" is connected to the server."));
    // The catalogue then loads in the background.
    ASSERT_TRUE(testsupport::waitFor([&] { return win.getProductVisibility(pvt_all) == pvm_visible; }));
    EXPECT_EQ(win.getProductVisibility(pvt_common), pvm_visible);
    EXPECT_EQ(win.GetWebSvcPhotographer()->Id(), 12);
    EXPECT_EQ(TWebSvcConnection::PrintSizeLimitInfo(win.ShopInfo(), 8192),
              QStringLiteral("\nPrint size limit: 694mm (8192px / 300dpi)"));
    // The kiosk design does not show the store's message at connection.
    EXPECT_EQ(win.Zebdesign(), zebd_kiosk);
    win.StepTab()->grab().save(QStringLiteral("/tmp/catalogue-connec-connected.png"));
    ctrl->OnClose();
}

TEST_F(CtrlConnecTest, EndpointChoiceFollowsTheAddressField)
{
    ConnecWindow win(fCfg.get());
    auto ctrl = openStep(win);
    auto* list = child<QComboBox>(win, "cbConnecServer");
    auto* edit = child<QLineEdit>(win, "EditConnecServer");
    ASSERT_EQ(list->count(), 12);
    EXPECT_EQ(list->currentIndex(), 0) << "the simulator's address is a custom one";
    edit->setText(QStringLiteral("http://127.0.0.1:1362/LumServer/"));
    EXPECT_EQ(list->currentIndex(), 11);
    edit->setText(QStringLiteral("http://127.0.0.1:1362/LumServer"));
    EXPECT_EQ(list->currentIndex(), 0);
    list->setCurrentIndex(1);
    EXPECT_EQ(edit->text(), QStringLiteral("https://jpn.lumlab.example/JPN/")) << "choosing a row overwrites the field";
    win.StepTab()->grab().save(QStringLiteral("/tmp/catalogue-connec-form.png"));
    ctrl->OnClose();
}

TEST_F(CtrlConnecTest, EmptyPasswordKeepsTheFormAndMarksTheField)
{
    fCfg->SetPassword(QString());
    ConnecWindow win(fCfg.get());
    win.SetAutoLogin(nullptr, true);
    auto ctrl = openStep(win);
    EXPECT_EQ(win.disconnected.load(), 1) << "opening drops the connected state; no connection starts";
    QTest::mouseClick(child<QPushButton>(win, "btnConnectStepNext"), Qt::LeftButton);
    EXPECT_EQ(win.disconnected.load(), 1) << "nothing is sent";
    EXPECT_EQ(child<QLineEdit>(win, "EditPassword")->property("styleLookup").toString().isEmpty(), false);
    ctrl->OnClose();
}

TEST_F(CtrlConnecTest, UnreachableLabWithoutCacheShowsTheErrorAndStays)
{
    fCfg->SetServerUrl(QStringLiteral("http://127.0.0.1:1/"));
    ConnecWindow win(fCfg.get());
    auto ctrl = openStep(win);
    QTest::mouseClick(child<QPushButton>(win, "btnConnectStepNext"), Qt::LeftButton);
    // The box itself is enabled again (the message box covers the step).
    ASSERT_TRUE(testsupport::waitFor([&] {
        return !child<QWidget>(win, "gbConnecSteps")->testAttribute(Qt::WA_ForceDisabled) && ctrl->WaitLockCount() == 0;
    }));
    EXPECT_EQ(win.connected.load(), 0);
    QLabel* shown = nullptr;
    ASSERT_TRUE(testsupport::waitFor([&] {
        for (QLabel* l : win.findChildren<QLabel*>())
            if (l->isVisible() && l->text().contains(QStringLiteral("server not available")))
                shown = l;
        return shown != nullptr;
    }));
    EXPECT_TRUE(shown->text().contains(TAppTools::GetAppNameStr()));
    win.grab().save(QStringLiteral("/tmp/catalogue-connec-offline-error.png"));
    ctrl->OnClose();
}
