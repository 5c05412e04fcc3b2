// The paged tile choice: its arithmetic (pages, current page, page seek,
// paging bar) in tables, and the step on a window: pages, arrows, the glide
// after a drag, the mobile design, an empty choice and the deferred
// relayout after the tiles' style is applied.
#include "UCtrlPagingTileChoiceBase.h"
#include "WorkflowTestSupport.h"

#include "UAppExceptions.h"
#include "UMainFrameTypes.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace C = TPagingTileCalc;

namespace {

TEST(PagingTileCalc, PageCountRoundsUp)
{
    struct Case {
        int count, perPage, pages;
    } cases[] = { { 0, 3, 0 }, { 1, 3, 1 }, { 3, 3, 1 }, { 4, 3, 2 }, { 7, 2, 4 }, { 5, 0, 0 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " on " << c.perPage);
        EXPECT_EQ(C::PageCount(c.count, c.perPage), c.pages);
    }
}

TEST(PagingTileCalc, CurrentPageFollowsFourFifthsOfAPage)
{
    struct Case {
        const char* name;
        double pos;
        int page;
    } cases[] = {
        { "start", 0, 1 },
        { "just before four fifths", 800, 1 },
        { "past four fifths", 801, 2 },
        { "on page 2", 1000, 2 },
        { "on the last page", 2000, 3 },
        { "beyond the end", 5000, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(C::CurrentPageAt(c.pos, 3, 1000), c.page);
    }
}

// Pages of 1000 along the axis; the drag started at lastPos and the view is
// at pos when the finger lets go.
TEST(PagingTileCalc, SeekSettlesOnTheRightPage)
{
    struct Case {
        const char* name;
        double lastPos, pos;
        int target;
        double distance; // to the target page, measured with step -1
    } cases[] = {
        { "5 % forward snaps back", 0, 50, 1, -50 },
        { "15 % forward moves on", 0, 150, 2, 850 },
        { "5 % backward snaps back", 1000, 950, 2, 50 },
        { "15 % backward moves back", 1000, 850, 1, -850 },
        { "in place", 1000, 1000, 2, 0 },
        { "beyond the last page", 1000, 2400, 3, -400 },
        { "forward past the last start", 2000, 2150, 3, -150 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(C::SeekTargetPage(c.pos, c.lastPos, 3, 1000), c.target);
        const C::TSeekStep m = C::SeekStep(c.pos, c.lastPos, -1, 3, 1000);
        EXPECT_DOUBLE_EQ(m.result, c.distance);
        EXPECT_EQ(m.move, 0) << "a measurement moves nothing";
    }
    EXPECT_EQ(C::SeekTargetPage(10, 0, 0, 1000), 0) << "no pages, no target";
}

TEST(PagingTileCalc, SeekMovesAFifthOfAPageAtMostAndStopsNearTheEdge)
{
    C::TSeekStep s = C::SeekStep(150, 0, 0, 3, 1000);
    EXPECT_DOUBLE_EQ(s.move, 200);
    s = C::SeekStep(950, 0, 3, 3, 1000);
    EXPECT_DOUBLE_EQ(s.move, 50);
    s = C::SeekStep(999.95, 0, 4, 3, 1000);
    EXPECT_EQ(s.result, 0) << "within 0.1 of the page";
    EXPECT_EQ(s.move, 0);
    s = C::SeekStep(40, 0, 0, 3, 1000);
    EXPECT_DOUBLE_EQ(s.move, -40);
}

TEST(PagingTileCalc, PagingBarScalesDownBelow370)
{
    struct Case {
        double w, margin, scale;
    } cases[] = {
        { 1000, 325, 1 },
        { 370, 10, 1 },
        { 369, 10, 369.0 / 370 },
        { 185, 10, 0.5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        const C::TPagingBar b = C::PagingBarLayout(c.w);
        EXPECT_DOUBLE_EQ(b.arrowMargin, c.margin);
        EXPECT_DOUBLE_EQ(b.scale, c.scale);
    }
}

TEST(PagingTileChoiceButton, CompareOrdersByDisplayThenSizeThenId)
{
    auto make = [](int order, int x, int y, qint64 id) {
        auto* b = new TCtrlPagingTileChoiceButton(nullptr);
        b->setDisplayOrder(order);
        b->setTileX(x);
        b->setTileY(y);
        b->setId(id);
        return b;
    };
    TPagingButtonList list { make(2, 10, 15, 1), make(1, 20, 30, 9), make(1, 10, 30, 4), make(1, 10, 30, 3),
                             make(1, 40, 10, 8) };
    TCtrlPagingTileChoiceBase::Sort(list);
    std::vector<qint64> ids;
    for (auto* b : list)
        ids.push_back(b->id());
    EXPECT_EQ(ids, (std::vector<qint64> { 8, 3, 4, 9, 1 }));
    qDeleteAll(list);
}

// A page that puts its tiles side by side, each a third of the page.
class RowPage : public TCtrlPagingTileChoicePage {
public:
    using TCtrlPagingTileChoicePage::TCtrlPagingTileChoicePage;
    int layouts = 0;
    void layoutButtons() override
    {
        ++layouts;
        const TPagingButtonList mine = pageButtons();
        const int per = ScrollBox()->ItemPerPage();
        const int w = width() / per;
        for (size_t i = 0; i < mine.size(); ++i)
            mine[i]->setGeometry(int(i) * w + 10, 10, w - 20, height() - 20);
    }
};

class SizesStep : public TCtrlPagingTileChoiceBase {
public:
    SizesStep(IMainFrame* main, QWidget* tab, int n)
        : TCtrlPagingTileChoiceBase(main, tab)
        , fCount(n)
    {
    }
    QString topBarTitle() override { return QStringLiteral("Choose a size"); }
    std::vector<int> clicked;

protected:
    void choiceButtonsFill(TPagingButtonList& list) override
    {
        for (int i = 0; i < fCount; ++i) {
            auto* b = new TCtrlPagingTileChoiceButton(nullptr);
            b->setCaption(QStringLiteral("%1 x %2").arg(10 + i).arg(15 + i));
            b->setId(i);
            list.push_back(b);
        }
    }
    void choiceButtonClick(TCtrlPagingTileChoiceButton* sender) override { clicked.push_back(int(sender->id())); }
    TCtrlPagingTileChoicePage* createPage(TCtrlPagingTileChoiceScrollBox* box, int pageNo) override
    {
        return new RowPage(box, pageNo);
    }

private:
    int fCount;
};

struct PagingStep : ::testing::Test {
    TestWorkflowWindow win { zebd_kiosk };
    QWidget* tab = nullptr;
    std::shared_ptr<SizesStep> step;

    void SetUp() override
    {
        win.workflowInit();
        win.show();
        tab = new QWidget(&win);
        tab->setGeometry(0, 0, 1200, 700);
        tab->show();
    }
    void TearDown() override
    {
        if (step)
            step->OnClose();
    }
    void open(int n)
    {
        step = TCtrlCommonBase::Create<SizesStep>(&win, tab, n);
        step->OnOpen(&win);
        step->OnResize(tab);
        win.RunQueue();
        QCoreApplication::processEvents();
    }
    TCtrlPagingTileChoiceScrollBox* box() const { return step->scrollBox(); }
    int pos() const { return box()->horizontalScrollBar()->value(); }
    int extent() const { return box()->viewport()->width(); }
};

TEST_F(PagingStep, ThreeTilesMakeOnePageWithoutPagingBar)
{
    open(3);
    ASSERT_EQ(box()->PageCount(), 1);
    EXPECT_FALSE(step->layoutPagingTop()->isVisible());
    EXPECT_FALSE(step->layoutPagingBottom()->isVisible());
    EXPECT_EQ(step->textTitle()->text(), QStringLiteral("Choose a size"));
    for (auto* b : step->buttonList())
        EXPECT_TRUE(b->isVisible());
    QTest::mouseClick(step->buttonList()[1], Qt::LeftButton);
    EXPECT_EQ(step->clicked, std::vector<int> { 1 });
}

TEST_F(PagingStep, ArrowsAndMoreSizesWrapAroundTheTwoPages)
{
    open(4);
    ASSERT_EQ(box()->PageCount(), 2);
    EXPECT_TRUE(step->layoutPagingTop()->isVisible());
    EXPECT_EQ(step->textPaging()->text(), QStringLiteral("Page 1 / 2"));
    EXPECT_EQ(step->buttonPagingMore()->text(), QStringLiteral("More Sizes"));
    QDir().mkpath(QStringLiteral("/tmp/shots"));
    win.grab().save(QStringLiteral("/tmp/shots/paging_page1.png"));

    struct Move {
        const char* name;
        QPushButton* button;
        int page;
    } moves[] = {
        { "More Sizes to page 2", step->buttonPagingMore(), 2 },
        { "next from the last page to page 1", step->buttonPagingNext(), 1 },
        { "next to page 2", step->buttonPagingNext(), 2 },
        { "previous to page 1", step->buttonPagingPrevious(), 1 },
        { "previous from page 1 to the last page", step->buttonPagingPrevious(), 2 },
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        QTest::mouseClick(m.button, Qt::LeftButton);
        EXPECT_EQ(box()->CurrentPage(), m.page);
        QTRY_COMPARE_WITH_TIMEOUT(pos(), (m.page - 1) * extent(), 30000);
        EXPECT_EQ(step->textPaging()->text(), QStringLiteral("Page %1 / 2").arg(m.page));
    }
    win.grab().save(QStringLiteral("/tmp/shots/paging_page2.png"));
    EXPECT_TRUE(step->buttonList()[3]->isVisible());
    EXPECT_EQ(step->buttonList()[3]->parentWidget(), box()->Pages()[1]);
}

// A drag: the finger takes the view at the start position, moves it by a
// part of a page and lets go.
TEST_F(PagingStep, AGlideSettlesOnAPageAfterADrag)
{
    open(7);
    ASSERT_EQ(box()->PageCount(), 3);
    const int w = extent();
    struct Case {
        const char* name;
        int startPage;
        double fraction;
        int endPage;
    } cases[] = {
        { "5 % forward snaps back", 1, 0.05, 1 },
        { "15 % forward moves on", 1, 0.15, 2 },
        { "5 % backward snaps back", 2, -0.05, 2 },
        { "15 % backward moves back", 2, -0.15, 1 },
        { "15 % forward on the last page stays", 3, 0.15, 3 },
    };
    TCtrlPagingTileChoiceScrollCalc* calc = box()->ScrollCalc();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box()->horizontalScrollBar()->setValue((c.startPage - 1) * w);
        calc->DoStart();
        box()->horizontalScrollBar()->setValue(int((c.startPage - 1 + c.fraction) * w));
        calc->DoStop();
        QTRY_VERIFY_WITH_TIMEOUT(!calc->PageSeekRunning(), 30000);
        EXPECT_EQ(pos(), (c.endPage - 1) * w);
        EXPECT_EQ(box()->CurrentPage(), c.endPage);
    }
}

TEST_F(PagingStep, EachGlideTickMovesAFifthOfAPageAtMost)
{
    open(6);
    const int w = extent();
    box()->horizontalScrollBar()->setValue(0);
    TCtrlPagingTileChoiceScrollCalc* calc = box()->ScrollCalc();
    calc->DoStart();
    box()->horizontalScrollBar()->setValue(w * 15 / 100);
    int last = pos();
    int ticks = 0;
    while (box()->ScrollPageSeek(0, ticks) != 0 && ticks < 100) {
        EXPECT_LE(std::abs(pos() - last), w / 5 + 1);
        last = pos();
        ++ticks;
    }
    EXPECT_EQ(pos(), w);
    EXPECT_EQ(ticks, 5) << "85 % of a page in fifths";
}

TEST_F(PagingStep, MobileDesignStacksTwoTilesAPageAndNeverSeeks)
{
    win.SetDesign(zebd_mobile);
    open(5);
    EXPECT_TRUE(box()->VertScroll());
    EXPECT_FALSE(box()->ScaledProducts());
    EXPECT_EQ(box()->ItemPerPage(), 2);
    EXPECT_EQ(box()->PageCount(), 3);
    EXPECT_FALSE(step->textTitle()->isVisible());
    box()->verticalScrollBar()->setValue(37);
    EXPECT_EQ(box()->ScrollPageSeek(0, 0), 0);
    EXPECT_EQ(box()->verticalScrollBar()->value(), 37) << "the view scrolls freely";
}

TEST_F(PagingStep, NarrowTabScalesThePagingBar)
{
    tab->resize(300, 600);
    open(4);
    EXPECT_NEAR(step->pagingScale(), 300.0 / 370, 1e-9);
    EXPECT_EQ(step->buttonPagingPrevious()->x(), 8) << "margin 10, scaled";
    EXPECT_LT(step->layoutPaging()->height(), 105);
}

TEST_F(PagingStep, NoChoiceSendsTheCustomerHome)
{
    step = TCtrlCommonBase::Create<SizesStep>(&win, tab, 0);
    step->OnOpen(&win);
    try {
        step->OnResize(tab);
        FAIL() << "no error";
    } catch (const EUser& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("No product available for this language"));
    }
    win.RunQueue();
    EXPECT_EQ(win.WorkflowStep(), &WorkflowSteps::TCtrlTileChoiceHomeProducts);
}

TEST_F(PagingStep, StyleOfTheTilesRelaysOutOnceAndIsRememberedForTheClass)
{
    step = TCtrlCommonBase::Create<SizesStep>(&win, tab, 4);
    const QString cls = step->ClassName();
    TCtrlPagingTileChoiceBase::StoreExternalHeight(cls, 0);
    step->OnOpen(&win);
    step->OnResize(tab);
    QCoreApplication::processEvents();
    const float learnt = TCtrlPagingTileChoiceBase::StoredExternalHeight(cls);
    EXPECT_GT(learnt, 0) << "the tiles' outside height was learnt";
    EXPECT_TRUE(win.GuiTaskQueue()->hasTasks()) << "a relayout is queued";
    auto* page = dynamic_cast<RowPage*>(box()->Pages()[0]);
    const int before = page->layouts;
    win.RunQueue();
    EXPECT_GT(page->layouts, before);
    step->OnClose();

    step = TCtrlCommonBase::Create<SizesStep>(&win, tab, 4);
    step->OnOpen(&win);
    EXPECT_EQ(step->btnExternalHeight(), learnt);
    step->OnResize(tab);
    QCoreApplication::processEvents();
    EXPECT_FALSE(win.GuiTaskQueue()->hasTasks()) << "the next opening starts right";
}

} // namespace
