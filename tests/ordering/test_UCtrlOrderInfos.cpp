// The order-information steps: the express question and the customer
// details with their checks.
#include "OrderingWindow.h"
#include "UCtrlCustomerDetails.h"
#include "UCtrlOrderInfos.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace S = WorkflowSteps;

namespace {

struct Infos : ::testing::Test {
    std::unique_ptr<OrderingWindow> win = std::make_unique<OrderingWindow>();

    void SetUp() override
    {
        WorkflowStepRegister<TCtrlCustomerDetails>(S::TCtrlCustomerDetails);
        WorkflowStepRegister<TCtrlOrderInfosAskExpress>(S::TCtrlOrderInfosAskExpress);
        win->addTirage(1, 10, 15);
        win->addTier(1, 1, 0, 0.25);
        win->addPrint(win->order->TirageProductAdd(win->prints[0], 1), QStringLiteral("p"));
        win->show();
    }
    template <class W>
    W* find(const char* name)
    {
        return win->findChild<W*>(QString::fromLatin1(name));
    }
};

} // namespace

TEST_F(Infos, ExpressShowsItsFeeAndEachAnswerSetsTheFlag)
{
    win->photographer.setPrixExpress(2.5);
    win->setWorkflowStepVisible(&S::TCtrlOrderInfosAskExpress, true);
    struct Case {
        const char* button;
        bool express;
    } cases[] = { { "btnExpressPrinting", true }, { "btnStandardPrinting", false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        win->Go(&S::TCtrlOrderInfosAskExpress);
        ASSERT_NE(win->Active<TCtrlOrderInfosAskExpress>(), nullptr);
        EXPECT_EQ(find<QLabel>("lblPanelExpressOrderExpressPrice")->text(), QStringLiteral("Fees : +2.50 €"));
        QTest::mouseClick(find<QPushButton>(c.button), Qt::LeftButton);
        win->RunQueue();
        EXPECT_EQ(win->order->ExpressOrder(), c.express);
        EXPECT_NE(win->ActiveTabName(), QStringLiteral("TabItem_z205expressOrder"));
    }
}

TEST_F(Infos, AnOrderThatCannotBeCompletedDoesNotOpen)
{
    auto empty = std::make_unique<OrderingWindow>();
    empty->setWorkflowStepVisible(&S::TCtrlOrderInfosAskExpress, true);
    empty->Go(&S::TCtrlOrderInfosAskExpress);
    EXPECT_EQ(empty->Active<TCtrlOrderInfosAskExpress>(), nullptr);
    ASSERT_FALSE(empty->errors.isEmpty());
    EXPECT_EQ(empty->errors.last(), QStringLiteral("Your cart is empty, you can't complete your order"));
}

TEST_F(Infos, CustomerDetailsRowsFollowTheConfiguration)
{
    struct Case {
        const char* name;
        bool nameRef, tel;
        bool nameVisible, phoneVisible;
    } cases[] = {
        { "name and reference", true, false, true, false },
        { "telephone only", false, true, false, true },
        { "both", true, true, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win->config.SetShowScreenNameRef(c.nameRef);
        win->config.SetShowScreenTel(c.tel);
        win->Go(&S::TCtrlTileChoiceHomeProducts);
        win->Go(&S::TCtrlCustomerDetails);
        ASSERT_NE(win->Active<TCtrlCustomerDetails>(), nullptr);
        EXPECT_EQ(!find<QWidget>("LayoutCustomerDetailsName")->isHidden(), c.nameVisible);
        EXPECT_EQ(!find<QWidget>("LayoutCustomerDetailsNotes")->isHidden(), c.nameVisible);
        EXPECT_EQ(!find<QWidget>("LayoutCustomerDetailsPhone")->isHidden(), c.phoneVisible);
        EXPECT_FALSE(find<QPushButton>("ButtonCustomerDetailsPlaceOrder")->isEnabled());
    }
}

TEST_F(Infos, TelephoneAloneEnablesNextAndHiddenValuesAreKept)
{
    win->config.SetShowScreenTel(true);
    win->order->SetConsumerName(QStringLiteral("Kept Name"));
    win->order->SetConsumerReference(QStringLiteral("kept notes"));
    win->Go(&S::TCtrlCustomerDetails);
    auto* phone = find<QLineEdit>("EditCustomerDetailsPhone");
    auto* next = find<QPushButton>("ButtonCustomerDetailsPlaceOrder");
    EXPECT_EQ(phone->property("styleLookup").toString(), QStringLiteral("editFieldRequiredStyle"));
    EXPECT_EQ(find<QLabel>("LabelCustomerDetailsPhone")->property("styleLookup").toString(),
              QStringLiteral("lblFieldRequiredStyle"));
    QTest::keyClicks(phone, QStringLiteral("0601020304"));
    EXPECT_TRUE(next->isEnabled());
    EXPECT_EQ(phone->property("styleLookup").toString(), QStringLiteral("editFieldStyle"));
    shot(win.get(), QStringLiteral("details"));
    QTest::mouseClick(next, Qt::LeftButton);
    win->RunQueue();
    EXPECT_EQ(win->order->ConsumerPhone(), QStringLiteral("0601020304"));
    EXPECT_EQ(win->order->ConsumerName(), QStringLiteral("Kept Name"));
    EXPECT_EQ(win->order->ConsumerReference(), QStringLiteral("kept notes"));
    EXPECT_NE(win->ActiveTabName(), QStringLiteral("TabItem_8200customerDetails"));
}

TEST_F(Infos, EmptyingAFieldDisablesNextAgainAndPrefilledValuesEnableIt)
{
    win->config.SetShowScreenNameRef(true);
    win->config.SetShowScreenTel(true);
    win->order->SetConsumerName(QStringLiteral("Ann"));
    win->order->SetConsumerPhone(QStringLiteral("123"));
    win->Go(&S::TCtrlCustomerDetails);
    auto* next = find<QPushButton>("ButtonCustomerDetailsPlaceOrder");
    EXPECT_TRUE(next->isEnabled()) << "values from an earlier visit";
    auto* name = find<QLineEdit>("EditCustomerDetailsName");
    name->selectAll();
    QTest::keyClick(name, Qt::Key_Delete);
    EXPECT_FALSE(next->isEnabled());
    QTest::mouseClick(next, Qt::LeftButton);
    win->RunQueue();
    EXPECT_EQ(win->ActiveTabName(), QStringLiteral("TabItem_8200customerDetails"));
    EXPECT_EQ(win->order->ConsumerName(), QStringLiteral("Ann"));
}
