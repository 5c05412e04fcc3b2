// The breadcrumb bar: equal cells, the line, the four states, presses,
// rebuilding for another workflow, and a screenshot of the bar in the
// window.
#include "UAppStyle.h"
#include "ULangText.h"
#include "UZebguiBreadcrumb.h"
#include "WorkflowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace S = WorkflowSteps;

namespace {

struct Breadcrumb : ::testing::Test {
    TestWorkflowWindow win;
    TZebguiBreadcrumb* bar = nullptr;
    void SetUp() override
    {
        win.workflowInit();
        win.show();
        bar = win.BreadCrumbBar();
        ASSERT_NE(bar, nullptr);
    }
    void go(TWorkflowStep step)
    {
        win.goWorkflowStep(step, true, true);
        win.RunQueue();
    }
    QStringList labels() const
    {
        QStringList out;
        for (auto* b : bar->Buttons())
            out << b->TextStepNo()->text() + QLatin1Char(' ') + b->TextPart()->text();
        return out;
    }
};

} // namespace

TEST(BreadcrumbLayout, CellsAreEqualAndTheLineJoinsTheStepCentres)
{
    struct Case {
        int n;
        qreal width;
    };
    for (const Case& c : { Case { 5, 1400 }, Case { 1, 600 }, Case { 3, 1000 } }) {
        SCOPED_TRACE(c.n);
        const TBreadcrumbLayout l = BreadcrumbLayoutCalc(QRectF(5, 10, c.width, 110), c.n);
        const qreal cell = c.width / (c.n + 2);
        ASSERT_EQ(l.cells.size(), size_t(c.n + 2));
        for (size_t i = 0; i < l.cells.size(); ++i) {
            EXPECT_DOUBLE_EQ(l.cells[i].width(), cell);
            EXPECT_DOUBLE_EQ(l.cells[i].left(), 5 + i * cell);
            EXPECT_DOUBLE_EQ(l.cells[i].top(), 10);
        }
        EXPECT_DOUBLE_EQ(l.lineLeft, 1.5 * cell);
        EXPECT_DOUBLE_EQ(l.lineWidth, (c.n - 1) * cell);
    }
    EXPECT_TRUE(BreadcrumbLayoutCalc(QRectF(0, 0, 100, 100), 0).cells.empty());
}

TEST_F(Breadcrumb, FiveEntriesLayOutSevenEqualCells)
{
    EXPECT_TRUE(bar->isHidden()) << "no workflow: no entries";
    EXPECT_EQ(bar->ButtonPrevious(), nullptr);
    win.setWorkflowBreadCrumbVisible(true);
    EXPECT_FALSE(win.getWorkflowBreadCrumbVisible());

    win.setWorkflowType(TWorkflowPrint);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    ASSERT_EQ(bar->Buttons().size(), 5u);
    ASSERT_NE(bar->ButtonPrevious(), nullptr);
    ASSERT_NE(bar->ButtonNext(), nullptr);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(labels(), (QStringList { "1 Find Photos", "2 Select Prints", "3 Choose Photos", "4 Crop Photos",
                                       "5 Complete Order" }));
    std::vector<QWidget*> cells { bar->ButtonPrevious() };
    cells.insert(cells.end(), bar->Buttons().begin(), bar->Buttons().end());
    cells.push_back(bar->ButtonNext());
    const QRectF content = bar->ContentRect();
    const qreal cell = content.width() / 7;
    for (size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(cells[i]->geometry().left(), content.left() + i * cell, 1.0);
        EXPECT_NEAR(cells[i]->geometry().width(), cell, 1.0);
        EXPECT_EQ(cells[i]->geometry().top(), cells[0]->geometry().top());
    }
    EXPECT_DOUBLE_EQ(bar->LineMarginLeft(), 1.5 * cell);
    EXPECT_DOUBLE_EQ(bar->LineWidth(), 4 * cell);
}

TEST_F(Breadcrumb, StatesFollowTheStepAndDrawDifferently)
{
    TAppStyle::Apply(*qApp);
    win.setWorkflowType(TWorkflowPrint);
    go(&S::TCtrlConnec);
    go(&S::TCtrlTileChoiceHomeProducts);
    go(&S::TCtrlTileChoiceSourceMedia);
    go(&S::TCtrlProductSizePrint);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    const auto& b = bar->Buttons();
    const TWorkflowStepState expected[] = { WorkflowStepDone, WorkflowStepCurrent, WorkflowStepJustNext,
                                            WorkflowStepFarNext, WorkflowStepFarNext };
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(b[i]->State(), expected[i]) << i;
    EXPECT_EQ(b[0]->property("styleLookup").toString(), QStringLiteral("breadcrumbBtnStepDone"));
    EXPECT_EQ(b[1]->property("styleLookup").toString(), QStringLiteral("breadcrumbBtnStepToDo"));
    EXPECT_EQ(b[2]->property("styleLookup").toString(), QStringLiteral("breadcrumbBtnStepToDoOFF"));
    EXPECT_TRUE(bar->ButtonPrevious()->isVisible());
    EXPECT_TRUE(bar->ButtonNext()->isVisible());

    QDir().mkpath(QStringLiteral("screenshots"));
    EXPECT_TRUE(win.grab().save(QStringLiteral("screenshots/breadcrumb_print.png")));

    // A far step does not react; a just-next step is reached by a press.
    QTest::mouseClick(b[3], Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    QTest::mouseClick(b[2], Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_4100selectImagePrint"));
    QTest::mouseClick(b[0], Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_2000sourceMedia"));
    // The arrows drive the window's actions.
    QTest::mouseClick(bar->ButtonNext(), Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_3105printSize"));
    QTest::mouseClick(bar->ButtonPrevious(), Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_2000sourceMedia"));
}

TEST_F(Breadcrumb, AnotherWorkflowReusesTheFirstButtons)
{
    win.setWorkflowType(TWorkflowPrint);
    const std::vector<TZebguiBreadcrumbButtonStep*> before = bar->Buttons();
    win.SetDesign(zebd_home);
    win.setWorkflowType(TWorkflowCard);
    win.setWorkflowStepVisible(&S::TCtrlDesignCard, false);
    win.workflowContentUpdate();
    ASSERT_EQ(bar->Buttons().size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(bar->Buttons()[i], before[i]);
    EXPECT_EQ(labels(), (QStringList { "1 Browse Designs", "2 Choose Photos", "3 Complete Order" }));
    win.setWorkflowType(TWorkflowNone);
    EXPECT_TRUE(bar->Buttons().empty());
    EXPECT_EQ(bar->ButtonPrevious(), nullptr);
    EXPECT_EQ(bar->ButtonNext(), nullptr);
    EXPECT_TRUE(bar->isHidden());
}

TEST_F(Breadcrumb, LanguageChangeRetranslatesLabelsAndArrows)
{
    win.setWorkflowType(TWorkflowPrint);
    TLangTextBase::SetTranslateHook([](const QString& t) { return QStringLiteral("[") + t + QStringLiteral("]"); });
    TLangTextBase::CollectConstTranslate();
    win.BreadCrumb()->OnLangChanged();
    const QString first = bar->Buttons()[0]->TextPart()->text();
    const QString back = bar->ButtonPrevious()->TextPart()->text();
    TLangTextBase::SetTranslateHook(nullptr);
    TLangTextBase::CollectConstTranslate();
    EXPECT_EQ(first, QStringLiteral("[Find Photos]"));
    EXPECT_EQ(back, QStringLiteral("[Go Back]"));
}

TEST_F(Breadcrumb, ScaleFollowsTheContentSize)
{
    win.setWorkflowType(TWorkflowPrint);
    win.resize(700, 600);
    QApplication::processEvents();
    const float w = float(win.LayoutAppTabContent()->width() - 5);
    const float h = float(win.LayoutAppTabContent()->height()) / 10;
    EXPECT_FLOAT_EQ(bar->GetGuiScale(), std::min(w / 800, h / 120));
    EXPECT_EQ(bar->height(), int(std::lround(120 * bar->GetGuiScale())));
}

TEST_F(Breadcrumb, WalkingThePrintWorkflowWithNextStepMovesTheCurrentEntry)
{
    go(&S::TCtrlConnec);
    go(&S::TCtrlTileChoiceHomeProducts);
    auto* prints = win.findChild<QPushButton*>(QStringLiteral("ButtonPlaceholderWorkflow1"));
    ASSERT_NE(prints, nullptr);
    QTest::mouseClick(prints, Qt::LeftButton);
    win.RunQueue();
    ASSERT_EQ(win.getWorkflowType(), TWorkflowPrint);
    const char* tabs[] = { "TabItem_2000sourceMedia", "TabItem_3105printSize", "TabItem_4100selectImagePrint",
                           "TabItem_6100printCropCheck", "TabItem_8000shoppingCart" };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(tabs[i]);
        ASSERT_EQ(win.ActiveTabName(), QLatin1String(tabs[i]));
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(bar->Buttons()[size_t(j)]->State(),
                      j < i ? WorkflowStepDone : j == i ? WorkflowStepCurrent : j == i + 1 ? WorkflowStepJustNext : WorkflowStepFarNext)
                << j;
        QTest::mouseClick(bar->ButtonNext(), Qt::LeftButton);
        win.RunQueue();
    }
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_8200customerDetails")) << "the hidden delivery step is skipped";
    // Back through the history to the cart.
    QTest::mouseClick(bar->ButtonPrevious(), Qt::LeftButton);
    win.RunQueue();
    EXPECT_EQ(win.ActiveTabName(), QStringLiteral("TabItem_8000shoppingCart"));
}
