// The print choice steps on a window with a small print catalogue: the
// group step applying a single group by itself, the size buttons grouping
// equal sizes, the border step finding or adding the order's print product,
// and the front-print step storing the date format in the order.
#include "ChoiceTestWindow.h"

#include "UCtrlProductChoicePrintBase.h"
#include "UCtrlProductChoicePrintBorder.h"
#include "UCtrlProductChoicePrintFront.h"
#include "UCtrlProductSizePrint.h"
#include "UTirageProduct.h"
#include "UWorkflowDataProductPrint.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

namespace S = WorkflowSteps;

namespace {

struct PrintChoiceFixture : ::testing::Test {
    ChoiceTestWindow win;
    StepRegistration<TCtrlProductChoicePrintGroup> rGroup { S::TCtrlProductChoicePrintGroup };
    StepRegistration<TCtrlProductChoicePrintSurface> rSurface { S::TCtrlProductChoicePrintSurface };
    StepRegistration<TCtrlProductSizePrint> rSize { S::TCtrlProductSizePrint };
    StepRegistration<TCtrlProductChoicePrintFinish> rFinish { S::TCtrlProductChoicePrintFinish };
    StepRegistration<TCtrlProductChoicePrintBorder> rBorder { S::TCtrlProductChoicePrintBorder };
    StepRegistration<TCtrlProductChoicePrintFront> rFront { S::TCtrlProductChoicePrintFront };

    PrintChoiceFixture()
    {
        win.show();
        win.setWorkflowType(TWorkflowPrint);
    }
    void go(TWorkflowStepClass& step)
    {
        win.goWorkflowStep(&step, false, true);
        win.RunQueue();
    }
    std::shared_ptr<TWorkflowDataProductPrint> data()
    {
        return TCtrlScreenBase::WorkflowData<TWorkflowDataProductPrint>(&win);
    }
    template <class T>
    T* active()
    {
        return dynamic_cast<T*>(win.ActiveStep().get());
    }
    template <class B>
    std::vector<B*> tiles()
    {
        std::vector<B*> out;
        for (B* b : win.findChildren<B*>())
            if (b->isVisible())
                out.push_back(b);
        return out;
    }
    void shot(const QString& name)
    {
        win.grab().save(QStringLiteral("/tmp/shots/%1.png").arg(name));
    }
};

TEST_F(PrintChoiceFixture, ASingleGroupIsAppliedAndItsStepHidden)
{
    win.AddGroup(win.Groups, 1);
    win.AddGroup(win.Groups, 2);
    win.AddPrint(1, 10, 15, 1, 1, 0.25);
    win.AddPrint(2, 13, 18, 1, 1, 0.35);
    go(S::TCtrlProductChoicePrintGroup);
    EXPECT_EQ(win.ActiveTabName(), S::TCtrlProductSizePrint.TabName());
    EXPECT_FALSE(win.getWorkflowStepVisible(&S::TCtrlProductChoicePrintGroup));
    EXPECT_EQ(data()->group(), 1);
    EXPECT_TRUE(win.Errors.isEmpty()) << win.Errors.join('\n').toStdString();
}

TEST_F(PrintChoiceFixture, GroupTilesLeadToTheSizeOrInTheAlternativeWorkflowToTheSurface)
{
    struct Case {
        const char* name;
        bool alt;
        TWorkflowStepClass* next;
    };
    const Case cases[] = {
        { "standard workflow", false, &S::TCtrlProductSizePrint },
        { "alternative workflow", true, &S::TCtrlProductChoicePrintSurface },
    };
    win.AddGroup(win.Groups, 1);
    win.AddGroup(win.Groups, 2);
    win.AddGroup(win.Surfaces, 1);
    win.AddGroup(win.Surfaces, 2);
    win.AddPrint(1, 10, 15, 1, 1, 0.25);
    win.AddPrint(2, 20, 30, 2, 1, 2.5);
    win.AddPrint(3, 20, 30, 2, 2, 3.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.AltPrint = c.alt;
        go(S::TCtrlProductChoicePrintGroup);
        ASSERT_EQ(win.ActiveTabName(), S::TCtrlProductChoicePrintGroup.TabName());
        const auto buttons = tiles<TProductChoicePrintButton>();
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_TRUE(buttons[1]->description().startsWith(QStringLiteral("From 2.50 EUR")))
            << buttons[1]->description().toStdString();
        if (!c.alt)
            shot(QStringLiteral("choices_print_group"));
        QTest::mouseClick(buttons[1], Qt::LeftButton);
        win.RunQueue();
        EXPECT_EQ(win.ActiveTabName(), c.next->TabName());
        EXPECT_EQ(data()->group(), 2);
    }
}

TEST_F(PrintChoiceFixture, SizeButtonsGroupEqualSizesAndShowTheLowestPrice)
{
    win.AddPrint(1, 10, 15, 0, 1, 0.30);
    win.AddPrint(2, 15, 10, 0, 2, 0.25);
    win.AddPrint(3, 20, 30, 0, 1, 2.00);
    win.AddPrint(4, 25, 25, 0, 1, 2.20);
    win.AddPrint(5, 10, 15, 0, 2, 0.20); // the cheaper print of its paper in 10 x 15
    go(S::TCtrlProductSizePrint);
    ASSERT_EQ(win.ActiveTabName(), S::TCtrlProductSizePrint.TabName()) << win.Errors.join('\n').toStdString();
    auto* step = active<TCtrlProductSizePrint>();
    ASSERT_NE(step, nullptr);
    const TPagingButtonList& buttons = step->buttonList();
    ASSERT_EQ(buttons.size(), 3u) << "10x15 and 15x10 share a button; 20x30 and 25x25 do not";
    QStringList captions, prices;
    for (auto* b : buttons) {
        captions << b->caption();
        prices << b->priceTxt();
    }
    EXPECT_EQ(captions, (QStringList { QStringLiteral("10 x 15"), QStringLiteral("20 x 30"), QStringLiteral("25 x 25") }));
    EXPECT_EQ(prices, (QStringList { QStringLiteral("From 0.20 EUR"), QStringLiteral("From 2.00 EUR"),
                                     QStringLiteral("From 2.20 EUR") }));
    QTRY_VERIFY_WITH_TIMEOUT(buttons[0]->isVisible() && buttons[0]->width() > 0, 30000);
    // True scale: the 20 x 30 picture is twice as wide as the 10 x 15 one.
    EXPECT_NEAR(double(buttons[1]->resizePart()->width()) / buttons[0]->resizePart()->width(), 2.0, 0.05);
    shot(QStringLiteral("choices_print_size"));
    // 10 x 15 comes on two papers: the finish step asks.
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(data()->filterWidth(), 10);
    EXPECT_EQ(data()->filterHeight(), 15);
    EXPECT_EQ(win.ActiveTabName(), S::TCtrlProductChoicePrintFinish.TabName());
    shot(QStringLiteral("choices_print_finish"));
}

TEST_F(PrintChoiceFixture, BorderFindsOrAddsThePrintProductOnce)
{
    win.AddPrint(1, 10, 15, 0, 1, 0.30, false);
    Tirage2* withBorder = win.AddPrint(2, 10, 15, 0, 1, 0.35, true);
    data()->setFilterWidth(10);
    data()->setFilterHeight(15);
    data()->setFinish(1);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        go(S::TCtrlProductChoicePrintBorder);
        ASSERT_EQ(win.ActiveTabName(), S::TCtrlProductChoicePrintBorder.TabName()) << win.Errors.join('\n').toStdString();
        const auto buttons = tiles<TProductBorderButton>();
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_FALSE(buttons[0]->border());
        EXPECT_TRUE(buttons[1]->border());
        if (round == 0)
            shot(QStringLiteral("choices_print_border"));
        QTest::mouseClick(buttons[1], Qt::LeftButton);
        win.RunQueue();
        EXPECT_EQ(win.ActiveTabName(), S::TCtrlSelectImagePrint.TabName());
    }
    TTirageProduct* p = win.GetOrder()->TirageProductFind(withBorder);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(data()->currentPrintProduct(), p);
    EXPECT_EQ(data()->currentPrintProductList()->GetCount(), 1);
    int products = 0;
    for (Tirage2* f : win.Prints)
        products += win.GetOrder()->TirageProductFind(f) ? 1 : 0;
    EXPECT_EQ(products, 1) << "the same format twice leaves one product";
}

TEST_F(PrintChoiceFixture, BorderOfOneKindIsAppliedAndGoesOnToTheFrontPrint)
{
    win.FrontPrint = true;
    Tirage2* f = win.AddPrint(1, 10, 15, 0, 1, 0.30, true);
    data()->setFilterWidth(10);
    data()->setFilterHeight(15);
    data()->setFinish(1);
    go(S::TCtrlProductChoicePrintBorder);
    EXPECT_EQ(win.ActiveTabName(), S::TCtrlProductChoicePrintFront.TabName()) << win.Errors.join('\n').toStdString();
    EXPECT_FALSE(win.getWorkflowStepVisible(&S::TCtrlProductChoicePrintBorder));
    EXPECT_NE(win.GetOrder()->TirageProductFind(f), nullptr);
    EXPECT_TRUE(data()->border());
}

TEST_F(PrintChoiceFixture, FrontPrintStoresTheDateFormatInTheOrder)
{
    go(S::TCtrlProductChoicePrintFront);
    ASSERT_EQ(win.ActiveTabName(), S::TCtrlProductChoicePrintFront.TabName()) << win.Errors.join('\n').toStdString();
    const auto buttons = tiles<TProductFrontButton>();
    ASSERT_EQ(buttons.size(), 3u);
    auto* step = active<TCtrlProductChoicePrintFront>();
    ASSERT_NE(step, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(step->cautionText()->isVisible(), 30000);
    EXPECT_EQ(step->cautionText()->width(), 600);
    shot(QStringLiteral("choices_print_front"));
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.GetOrder()->PrintDateFormat(), TPrintDateFormat::pdWithDateTime);
    EXPECT_EQ(win.ActiveTabName(), S::TCtrlSelectImagePrint.TabName());
}

TEST_F(PrintChoiceFixture, FrontPrintReleasesItsWaitLockHoweverItCloses)
{
    go(S::TCtrlProductChoicePrintFront);
    auto* step = active<TCtrlProductChoicePrintFront>();
    ASSERT_NE(step, nullptr);
    step->setWaitingForImages(true);
    step->setWaitingForImages(true);
    EXPECT_EQ(win.WaitLocks, 1) << "one lock however often a missing picture is painted";
    go(S::TCtrlSelectImagePrint);
    EXPECT_EQ(win.WaitLocks, 0);
}

} // namespace
