// The cart step: its lines and sub-total, copies down to 0 asking before a
// deletion, the last product going home, typed copies, extra sets, the CD
// and index options through their tiles and lines, and the steps after the
// cart.
#include "OrderingWindow.h"
#include "UCtrlShoppingCart.h"
#include "UShoppingCartCrossSelling.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace S = WorkflowSteps;

namespace {

struct Cart : ::testing::Test {
    std::unique_ptr<OrderingWindow> win;
    TTirageProduct* prints = nullptr;
    TTirageProduct* bigPrints = nullptr;

    void SetUp() override
    {
        WorkflowStepRegister<TCtrlShoppingCart>(S::TCtrlShoppingCart);
        make(zebd_kiosk);
    }
    void make(TZebdesign design)
    {
        win = std::make_unique<OrderingWindow>(design);
        win->photographer.setPrixCd(4);
        win->photographer.setPrixIndex(0.5);
        win->addTirage(1, 10, 15);
        win->addTirage(2, 20, 30);
        win->addTier(1, 1, 0, 0.25);
        win->addTier(2, 1, 0, 2);
        win->show();
    }
    // Three photos at 10x15, one at 20x30.
    void fill()
    {
        prints = win->order->TirageProductAdd(win->prints[0], 1);
        for (int i = 0; i < 3; ++i)
            win->addPrint(prints, QStringLiteral("p%1").arg(i));
        bigPrints = win->order->TirageProductAdd(win->prints[1], 1);
        win->addPrint(bigPrints, QStringLiteral("big"));
    }
    TCtrlShoppingCart* open()
    {
        win->Go(&S::TCtrlShoppingCart);
        auto* cart = win->Active<TCtrlShoppingCart>();
        EXPECT_NE(cart, nullptr);
        return cart;
    }
    // A card with one picture (an empty product leaves the cart).
    orderfakes::TestTemplateProduct* addCard(int qty)
    {
        auto* card = static_cast<orderfakes::TestTemplateProduct*>(win->order->TemplateProductAdd(win->prints[0], qty));
        auto* img = new orderfakes::TestImage(QStringLiteral("card%1").arg(++cards));
        if (card->ImageUsedAdd(img) != img)
            delete img;
        return card;
    }
    int cards = 0;
    QString subTotal() { return win->findChild<QLabel*>(QStringLiteral("TextShoppingCartSubTotal"))->text(); }
};

} // namespace

TEST_F(Cart, ShowsOneLinePerProductAndTheOrderTotal)
{
    fill();
    addCard(1)->unit = 30000;
    TCtrlShoppingCart* cart = open();
    const auto lines = cart->Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]->product(), prints);
    EXPECT_EQ(lines[1]->product(), bigPrints);
    EXPECT_NE(dynamic_cast<TShoppingCartLineCard*>(lines[2]), nullptr);
    EXPECT_TRUE(lines[0]->description()->text().contains(QStringLiteral("(3 prints)")));
    EXPECT_EQ(lines[0]->totalPrice()->text(), QStringLiteral("0.75 €"));
    // 0.75 + 2.00 + 3.00
    EXPECT_EQ(subTotal(), QStringLiteral("Subtotal: 5.75 €"));
    EXPECT_EQ(cart->topBarTitle(), QStringLiteral("Basket"));
    shot(win.get(), QStringLiteral("cart"));
}

TEST_F(Cart, CopiesAtZeroAskBeforeDeletingAndNoPutsOneBack)
{
    fill();
    TCtrlShoppingCart* cart = open();
    TShoppingCartLineBase* line = cart->Lines()[1];
    QTest::mouseClick(line->buttonCopySub(), Qt::LeftButton);
    EXPECT_EQ(bigPrints->Quantity(), 0);
    ASSERT_EQ(win->confirmations.size(), 1);
    EXPECT_TRUE(win->confirmations[0].startsWith(QStringLiteral("Are you sure you want to delete product '")));
    EXPECT_FALSE(line->buttonCopySub()->isEnabled());
    win->Answer(false);
    EXPECT_EQ(bigPrints->Quantity(), 1);
    EXPECT_EQ(cart->Lines().size(), 2u);
    EXPECT_EQ(win->order->TirageProducts().Count(), 2);
}

TEST_F(Cart, DeletingOneOfTwoKeepsTheCartAndTheLastGoesHome)
{
    fill();
    TCtrlShoppingCart* cart = open();
    QTest::mouseClick(cart->Lines()[1]->buttonDelete(), Qt::LeftButton);
    win->Answer(true);
    win->RunQueue();
    EXPECT_EQ(cart->Lines().size(), 1u);
    EXPECT_EQ(win->order->TirageProducts().Count(), 1);
    EXPECT_EQ(win->orderCancelCount, 0);
    EXPECT_EQ(win->ActiveTabName(), QStringLiteral("TabItem_8000shoppingCart"));

    QTest::mouseClick(cart->Lines()[0]->buttonDelete(), Qt::LeftButton);
    win->Answer(true);
    win->RunQueue();
    EXPECT_EQ(win->orderCancelCount, 1);
    EXPECT_EQ(win->ActiveTabName(), QStringLiteral("TabItem_1000homeProducts"));
}

TEST_F(Cart, TypedCopiesOutOfRangeOnlyMarkTheEdit)
{
    fill();
    auto* card = addCard(2);
    TCtrlShoppingCart* cart = open();
    TShoppingCartLineBase* line = cart->Lines()[2];
    ASSERT_EQ(line->product(), card);
    struct Case {
        const char* typed;
        const char* hint;
    } cases[] = {
        { "10000", "Maximum value is 9999" },
        { "-3", "Minimum value is 0" },
        { "abc", "'abc' is not a valid integer value" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        // The whole text at once, as a paste gives it.
        line->editCopyCount()->setText(QString::fromLatin1(c.typed));
        emit line->editCopyCount()->textEdited(line->editCopyCount()->text());
        EXPECT_EQ(line->editCopyCount()->toolTip(), QString::fromLatin1(c.hint));
        EXPECT_EQ(line->editCopyCount()->property("styleLookup").toString(), QStringLiteral("editFieldRequiredStyle"));
        EXPECT_EQ(card->Quantity(), 2);
        emit line->editCopyCount()->editingFinished();
        EXPECT_EQ(line->editCopyCount()->text(), QStringLiteral("2"));
        EXPECT_EQ(line->editCopyCount()->property("styleLookup").toString(), QStringLiteral("editFieldStyle"));
    }
    line->editCopyCount()->selectAll();
    QTest::keyClicks(line->editCopyCount(), QStringLiteral("7"));
    EXPECT_EQ(card->Quantity(), 7);
    EXPECT_TRUE(win->confirmations.isEmpty());
    // Typing 0 asks for the deletion.
    line->editCopyCount()->selectAll();
    QTest::keyClicks(line->editCopyCount(), QStringLiteral("0"));
    EXPECT_EQ(win->confirmations.size(), 1);
}

TEST_F(Cart, CopyButtonsStopAtTheirLimits)
{
    fill();
    auto* card = addCard(9998);
    TCtrlShoppingCart* cart = open();
    TShoppingCartLineBase* line = cart->Lines()[2];
    QTest::mouseClick(line->buttonCopyAdd(), Qt::LeftButton);
    EXPECT_EQ(card->Quantity(), 9999);
    EXPECT_FALSE(line->buttonCopyAdd()->isEnabled());
    EXPECT_TRUE(line->buttonCopySub()->isEnabled());
}

TEST_F(Cart, ExtraSetAddsAndTakesBackOneCopyOfEachPrint)
{
    fill();
    TCtrlShoppingCart* cart = open();
    auto* line = dynamic_cast<TShoppingCartLinePrint*>(cart->Lines()[0]);
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->buttonRemoveExtraSet()->isHidden());
    const int changes = win->orderChangedCount;
    QTest::mouseClick(line->buttonAddExtraSet(), Qt::LeftButton);
    const IArcList<TImageTirageData*> list = prints->ImgsDataList();
    for (TImageTirageData* e : *list)
        EXPECT_EQ(e->Quantity(), 2);
    EXPECT_EQ(line->extraSetCount(), 3);
    EXPECT_FALSE(line->buttonRemoveExtraSet()->isHidden());
    EXPECT_GT(win->orderChangedCount, changes);
    EXPECT_TRUE(line->description()->text().contains(QStringLiteral("(6 prints)")));
    QTest::mouseClick(line->buttonRemoveExtraSet(), Qt::LeftButton);
    for (TImageTirageData* e : *list)
        EXPECT_EQ(e->Quantity(), 1);
    EXPECT_TRUE(line->buttonRemoveExtraSet()->isHidden());
    // The other product's prints were never touched.
    EXPECT_EQ(bigPrints->ImgsDataList()->GetItem(0)->Quantity(), 1);
}

TEST_F(Cart, CdOptionFromItsTileToItsLineAndBack)
{
    fill();
    TCtrlShoppingCart* cart = open();
    TShoppingCartCrossSelling* cross = cart->CrossSelling();
    ASSERT_NE(cross, nullptr);
    EXPECT_FALSE(cross->layoutCd()->isHidden());
    EXPECT_EQ(cross->textCd()->text(), QStringLiteral("4.00 €"));
    EXPECT_FALSE(cross->layoutIndex()->isHidden());
    EXPECT_EQ(subTotal(), QStringLiteral("Subtotal: 2.75 €"));

    QTest::mouseClick(cross->layoutCd()->findChild<QPushButton*>(QStringLiteral("buttoncd")), Qt::LeftButton);
    EXPECT_TRUE(win->order->CdWanted());
    EXPECT_TRUE(cross->layoutCd()->isHidden());
    ASSERT_NE(cart->OptionLine(sco_cd), nullptr);
    EXPECT_EQ(cart->OptionLine(sco_cd)->priceText()->text(), QStringLiteral("4.00 €"));
    EXPECT_EQ(subTotal(), QStringLiteral("Subtotal: 6.75 €"));

    QTest::mouseClick(cart->OptionLine(sco_cd)->buttonDelete(), Qt::LeftButton);
    EXPECT_FALSE(win->order->CdWanted());
    EXPECT_NE(cart->OptionLine(sco_cd), nullptr) << "the line goes after its click handler returned";
    win->RunQueue();
    EXPECT_EQ(cart->OptionLine(sco_cd), nullptr);
    EXPECT_FALSE(cross->layoutCd()->isHidden());
    EXPECT_EQ(subTotal(), QStringLiteral("Subtotal: 2.75 €"));
}

TEST_F(Cart, DeletingTheLabPrintsDropsTheOptions)
{
    prints = win->order->TirageProductAdd(win->prints[0], 1);
    win->addPrint(prints, QStringLiteral("p"));
    addCard(1);
    win->order->SetCdWanted(true);
    win->order->SetIndexWanted(true);
    TCtrlShoppingCart* cart = open();
    ASSERT_NE(cart->OptionLine(sco_cd), nullptr);
    ASSERT_NE(cart->OptionLine(sco_index), nullptr);
    QTest::mouseClick(cart->Lines()[0]->buttonDelete(), Qt::LeftButton);
    win->Answer(true);
    win->RunQueue();
    EXPECT_FALSE(win->order->CdWanted());
    EXPECT_FALSE(win->order->IndexWanted());
    EXPECT_EQ(cart->OptionLine(sco_cd), nullptr);
    EXPECT_EQ(cart->OptionLine(sco_index), nullptr);
    EXPECT_TRUE(cart->CrossSelling()->layoutCd()->isHidden());
}

TEST_F(Cart, HomeDesignClearsStoredOptions)
{
    make(zebd_home);
    fill();
    win->order->SetCdWanted(true);
    TCtrlShoppingCart* cart = open();
    EXPECT_FALSE(win->order->CdWanted());
    EXPECT_TRUE(cart->CrossSelling()->layoutCd()->isHidden());
    EXPECT_TRUE(cart->CrossSelling()->layoutIndex()->isHidden());
}

TEST_F(Cart, CheckoutStepsFollowTheOrder)
{
    win->photographer.setPrixExpress(1.5);
    win->config.SetShowScreenTel(true);
    open();
    EXPECT_FALSE(win->getWorkflowStepVisible(&S::TCtrlOrderInfosAskExpress)) << "no picture: not ready";
    EXPECT_FALSE(win->getWorkflowStepVisible(&S::TCtrlCustomerDetails));
    // Checking out an order that is not ready keeps the customer here.
    win->ActionNextClick();
    win->RunQueue();
    EXPECT_EQ(win->ActiveTabName(), QStringLiteral("TabItem_8000shoppingCart"));
    ASSERT_FALSE(win->errors.isEmpty());
    EXPECT_EQ(win->errors.last(), QStringLiteral("Your cart is empty, you can't complete your order"));

    win->addPrint(win->order->TirageProductAdd(win->prints[0], 1), QStringLiteral("p"));
    win->orderChanged();
    EXPECT_TRUE(win->getWorkflowStepVisible(&S::TCtrlOrderInfosAskExpress));
    EXPECT_TRUE(win->getWorkflowStepVisible(&S::TCtrlCustomerDetails));
}

TEST_F(Cart, BottomBarShrinksWithTheWindow)
{
    fill();
    TCtrlShoppingCart* cart = open();
    win->resize(900, 800);
    QApplication::processEvents();
    cart->OnResize(win->TabControlMain());
    EXPECT_LT(cart->BottomScale(), 1.0f);
    EXPECT_FLOAT_EQ(cart->BottomScale(), float(win->TabControlMain()->width()) / 1200);
}
