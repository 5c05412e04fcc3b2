// The home step on a window with the workflow: the tiles follow the states
// of the product families, the conditions are asked once per order and the
// tap is replayed after acceptance, loading and failed families cannot be
// started, the shop box of the desktop design.
#include "ScreensTestSupport.h"
#include "UCtrlPopupCgBase.h"
#include "UCtrlTileChoiceHomeProducts.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace S = WorkflowSteps;

namespace {

struct Home : ::testing::Test {
    TestScreensWindow win;
    TStepControllerFactory saved;
    std::vector<TProductVisibilityType> resets;

    void SetUp() override
    {
        saved = S::TCtrlTileChoiceHomeProducts.Create;
        WorkflowStepRegister<TCtrlTileChoiceHomeProducts>(S::TCtrlTileChoiceHomeProducts);
        TCtrlTileChoiceHomeProducts::FamilyDataReset = [this](IMainFrame*, TProductVisibilityType f) {
            resets.push_back(f);
        };
        win.workflowInit();
        win.show();
    }
    void TearDown() override
    {
        win.goWorkflowStep(&S::TCtrlConnec, false, false);
        win.RunQueue();
        TCtrlTileChoiceHomeProducts::FamilyDataReset = nullptr;
        S::TCtrlTileChoiceHomeProducts.Create = saved;
    }
    void openHome()
    {
        win.goWorkflowStep(&S::TCtrlTileChoiceHomeProducts, false, true);
        win.RunQueue();
        QCoreApplication::processEvents();
        EXPECT_TRUE(win.Errors.isEmpty()) << win.Errors.join(QLatin1Char('\n')).toStdString();
        win.Errors.clear();
    }
    TCtrlTileChoiceHomeProducts* home() const
    {
        return dynamic_cast<TCtrlTileChoiceHomeProducts*>(win.ActiveStep().get());
    }
    THomeButton* prints() const { return home()->ButtonHomePrints; }
    IMainPopupControllerRef topPopup() { return win.popupShownGet(0); }
    void tap(QAbstractButton* b)
    {
        QTest::mouseClick(b, Qt::LeftButton);
        win.RunQueue();
        QCoreApplication::processEvents();
    }
};

TEST_F(Home, TilesFollowTheFamilyStates)
{
    struct Case {
        const char* name;
        TProductVisibilityMode prints, books, calendars, cards, designer;
    } cases[] = {
        { "all shown", pvm_visible, pvm_visible, pvm_visible, pvm_visible, pvm_visible },
        { "prints only", pvm_visible, pvm_hidden, pvm_hidden, pvm_hidden, pvm_hidden },
        { "loading and errors shown", pvm_loading, pvm_error, pvm_visible, pvm_hidden, pvm_loading },
        { "all hidden", pvm_hidden, pvm_hidden, pvm_hidden, pvm_hidden, pvm_hidden },
    };
    openHome();
    ASSERT_NE(home(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TProductVisibilityMode modes[] = { c.prints, c.books, c.calendars, c.cards, c.designer };
        const TProductVisibilityType families[] = { pvt_print, pvt_book, pvt_calendar, pvt_card, pvt_photoprod };
        for (int i = 0; i < 5; ++i)
            win.Visibility[families[i]] = modes[i];
        // One event rebuilds every tile from the states.
        win.setProductVisibility(pvt_all, pvm_visible);
        QCoreApplication::processEvents();
        THomeButton* tiles[] = { home()->ButtonHomePrints, home()->ButtonHomePhotoBooks, home()->ButtonHomeCalendars,
                                 home()->ButtonHomeCards, home()->ButtonHomeDesignerPrints };
        int shown = 0;
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(tiles[i]->isVisible(), modes[i] != pvm_hidden);
            EXPECT_EQ(tiles[i]->VisibilityMode(), modes[i]);
            EXPECT_EQ(!tiles[i]->loadingLayout()->isHidden(), modes[i] == pvm_loading);
            EXPECT_EQ(tiles[i]->loadingAni()->Turning(), modes[i] == pvm_loading);
            EXPECT_EQ(!tiles[i]->errorLayout()->isHidden(), modes[i] == pvm_error);
            shown += modes[i] != pvm_hidden;
        }
        EXPECT_EQ(int(home()->buttonListGet().size()), shown);
    }
    EXPECT_EQ(win.ResImgAsked.size(), 5) << "each tile asked once for its picture";
}

TEST_F(Home, ATapStartsTheFamilyWorkflow)
{
    win.AllVisible();
    win.HasConditions = false;
    openHome();
    EXPECT_EQ(win.getWorkflowType(), TWorkflowNone);
    struct Case {
        int tile;
        TProductVisibilityType family;
        TWorkflowType workflow;
    } cases[] = {
        { 0, pvt_print, TWorkflowPrint },
        { 3, pvt_card, TWorkflowCard },
        { 4, pvt_photoprod, TWorkflowDesignerPrint },
        { 2, pvt_calendar, TWorkflowCalendarMonthly },
        { 1, pvt_book, TWorkflowAlbum },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tile);
        openHome();
        resets.clear();
        THomeButton* tiles[] = { home()->ButtonHomePrints, home()->ButtonHomePhotoBooks, home()->ButtonHomeCalendars,
                                 home()->ButtonHomeCards, home()->ButtonHomeDesignerPrints };
        tap(tiles[c.tile]);
        EXPECT_EQ(win.getWorkflowType(), c.workflow);
        EXPECT_EQ(resets, std::vector<TProductVisibilityType> { c.family });
        EXPECT_NE(win.WorkflowStep(), &S::TCtrlTileChoiceHomeProducts) << "moved on";
    }
}

TEST_F(Home, LoadingOrFailedFamiliesCannotBeStarted)
{
    win.AllVisible();
    win.HasConditions = false;
    win.Visibility[pvt_print] = pvm_loading;
    win.Visibility[pvt_book] = pvm_error;
    openHome();
    tap(home()->ButtonHomePrints);
    tap(home()->ButtonHomePhotoBooks);
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlTileChoiceHomeProducts);
    EXPECT_TRUE(resets.empty());
    EXPECT_EQ(win.getWorkflowType(), TWorkflowNone);
}

// Which taps meet a conditions popup: kiosk-use conditions on a kiosk, terms
// of sale elsewhere.
TEST_F(Home, ConditionsPopupDependsOnTheShop)
{
    struct Case {
        const char* name;
        bool kiosk, hasConditions, enabled;
        const char* conditionsText;
        const char* cgv;
        bool mandatory, accepted;
        const char* popup; // group box of the popup, or nothing
    } cases[] = {
        { "kiosk, conditions on", true, true, true, "Be careful", "", false, false, "GroupBoxPopUpCondKioskUse" },
        { "kiosk, conditions on without text", true, true, true, "", "", false, false, "GroupBoxPopUpCondKioskUse" },
        { "kiosk, conditions off with text", true, true, false, "Be careful", "", false, false, nullptr },
        { "kiosk, no conditions", true, false, false, "", "Terms", true, false, nullptr },
        { "kiosk, already accepted", true, true, true, "Be careful", "", false, true, nullptr },
        { "desk, mandatory terms", false, false, false, "", "Terms", true, false, "GroupBoxPopUpCgv" },
        { "desk, terms not mandatory", false, false, false, "", "Terms", false, false, nullptr },
        { "desk, no terms", false, false, false, "", "", true, false, nullptr },
        { "desk, terms accepted", false, false, false, "", "Terms", true, true, nullptr },
    };
    win.AllVisible();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.Kiosk = c.kiosk;
        win.HasConditions = c.hasConditions;
        win.conditions.setConditionsEnabled(c.enabled);
        win.conditions.setConditionsText(QString::fromUtf8(c.conditionsText));
        win.Cgv = QString::fromUtf8(c.cgv);
        win.CguMandatory = c.mandatory;
        win.order->SetAcceptedCgv(c.accepted);
        openHome();
        tap(prints());
        IMainPopupControllerRef popup = topPopup();
        if (c.popup) {
            ASSERT_NE(popup, nullptr);
            auto* hard = dynamic_cast<TCtrlPopupHard*>(popup.get());
            ASSERT_NE(hard, nullptr);
            EXPECT_EQ(hard->popupGroupBox()->objectName(), QString::fromLatin1(c.popup));
            EXPECT_EQ(win.WorkflowStep(), &S::TCtrlTileChoiceHomeProducts) << "waits for the answer";
            win.popupClose(nullptr);
            win.RunQueue();
        } else {
            EXPECT_EQ(popup, nullptr);
            EXPECT_EQ(win.getWorkflowType(), TWorkflowPrint);
        }
    }
}

TEST_F(Home, AcceptingTheConditionsReplaysTheTapAndLastsTheOrder)
{
    win.AllVisible();
    win.Kiosk = true;
    win.conditions.setConditionsEnabled(true);
    win.conditions.setConditionsText(QStringLiteral("Please keep a copy of your pictures."));
    openHome();
    tap(prints());
    auto* cond = dynamic_cast<TCtrlPopupCondKioskUse*>(topPopup().get());
    ASSERT_NE(cond, nullptr);
    win.grab().save(ScreenShotPath(QStringLiteral("home_conditions")));
    EXPECT_TRUE(cond->ButtonPopUpCondKioskUseDisagree->isVisible());
    tap(cond->ButtonPopUpCondKioskUseAgree);
    EXPECT_TRUE(win.order->acceptedCgv());
    EXPECT_EQ(topPopup(), nullptr);
    EXPECT_EQ(win.getWorkflowType(), TWorkflowPrint);
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlTileChoiceSourceMedia) << "the replayed tap moved on";
    EXPECT_EQ(resets.size(), 1u);

    // Back home for another product of the same order: no second question.
    openHome();
    tap(home()->ButtonHomeCards);
    EXPECT_EQ(topPopup(), nullptr);
    EXPECT_EQ(win.getWorkflowType(), TWorkflowCard);

    // A new order asks again; refusing leaves the customer home.
    win.orderCancelAndUserPrefReset();
    openHome();
    tap(prints());
    cond = dynamic_cast<TCtrlPopupCondKioskUse*>(topPopup().get());
    ASSERT_NE(cond, nullptr);
    tap(cond->ButtonPopUpCondKioskUseDisagree);
    EXPECT_EQ(topPopup(), nullptr);
    EXPECT_FALSE(win.order->acceptedCgv());
    EXPECT_EQ(win.WorkflowStep(), &S::TCtrlTileChoiceHomeProducts);
}

TEST_F(Home, OpeningResetsTheWorkflowAndForgetsTheStepHistory)
{
    win.AllVisible();
    win.HasConditions = false;
    openHome();
    tap(prints());
    ASSERT_FALSE(win.History().isEmpty());
    openHome();
    EXPECT_EQ(win.getWorkflowType(), TWorkflowNone);
    EXPECT_TRUE(win.History().isEmpty() || win.History() == QStringList { S::TCtrlTileChoiceHomeProducts.TabId });
    QPushButton* cart = win.findChild<QPushButton*>(QStringLiteral("ButtonMobileCart"));
    ASSERT_NE(cart, nullptr);
    EXPECT_FALSE(cart->isVisible()) << "the kiosk design has no mobile buttons";
}

TEST_F(Home, DesktopDesignShowsTheWelcomeAndTheShopBox)
{
    win.SetDesign(zebd_home);
    win.AllVisible();
    win.consumer.setTypeTarif(Tarif_TypeTarif::Packs);
    win.consumer.setSoldePacks(42);
    win.boot.setMessage_(QStringLiteral("Closed on Sunday."));
    openHome();
    ASSERT_NE(home()->pageTitle(), nullptr);
    EXPECT_TRUE(home()->pageTitle()->text().startsWith(QStringLiteral("Welcome to ")));
    ASSERT_NE(home()->LayoutHomeProductsShopInfo(), nullptr);
    EXPECT_TRUE(home()->LayoutHomeProductsShopInfo()->isVisible());
    EXPECT_EQ(home()->shopText("TextHomeProductsShopName")->text(), QStringLiteral("Studio Lumière"));
    EXPECT_EQ(home()->shopText("TextHomeProductsCity")->text(), QStringLiteral("Lyon"));
    EXPECT_EQ(home()->shopText("TextHomeProductsPackBalance")->text(), QStringLiteral("42"));
    EXPECT_TRUE(home()->LayoutInfosPackBalance()->isVisible());
    EXPECT_TRUE(home()->LayoutInfosMessage()->isVisible());
    win.grab().save(ScreenShotPath(QStringLiteral("home_desktop")));
    EXPECT_TRUE(home()->ButtonHomePrints->isVisible());

    // No message and no packs: the text box alone, centred.
    win.consumer.setTypeTarif(Tarif_TypeTarif::EurosMagasin);
    win.boot.setMessage_(QString());
    win.Visibility[pvt_common] = pvm_hidden;
    win.setProductVisibility(pvt_print, pvm_visible);
    EXPECT_FALSE(home()->LayoutHomeProductsShopInfo()->isVisible());
    win.setProductVisibility(pvt_common, pvm_visible);
    QCoreApplication::processEvents();
    EXPECT_TRUE(home()->LayoutHomeProductsShopInfo()->isVisible());
    EXPECT_TRUE(home()->RectangleHomeProductsPack()->isHidden());
    const QRect content = home()->LayoutHomeProductsInfosContent()->geometry();
    const int boxW = home()->LayoutHomeProductsShopInfo()->width();
    EXPECT_EQ(content.width(), 420 + 20);
    EXPECT_NEAR(content.center().x(), boxW / 2, 2);
}

TEST_F(Home, KioskScreenshotWithEveryFamily)
{
    win.AllVisible();
    win.Visibility[pvt_photoprod] = pvm_loading;
    openHome();
    win.grab().save(ScreenShotPath(QStringLiteral("home_kiosk")));
    EXPECT_TRUE(home()->ButtonHomeDesignerPrints->isVisible());
}

} // namespace
