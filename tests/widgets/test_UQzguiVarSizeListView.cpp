#include "UQzguiVarSizeListView.h"
#include "LogCapture.h"
#include "WidgetsFakes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <thread>

namespace {

struct ListViewFixture : ::testing::Test {
    TTestListView view;
    ListViewFixture()
    {
        view.setFrameShape(QFrame::NoFrame);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.itemSize = QSizeF(100, 100);
        view.resize(1000, 600);
        view.show();
    }
    IQzguiVarSizeItem item(int i) const
    {
        return view.itemByPath(QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')), vf_required);
    }
    void paint() { (void)view.viewport()->grab(); }
};

TEST_F(ListViewFixture, EmptyListTextFollowsTheFeed)
{
    EXPECT_EQ(view.noItemText(), QStringLiteral("Loading images, please wait...")) << "never fed";
    view.feedStart();
    view.feedStart();
    view.feedEnd();
    EXPECT_TRUE(view.isFeedInProgress()) << "nested feeds end with the outer one";
    view.feedEnd();
    view.onTimer();
    EXPECT_EQ(view.noItemText(), QStringLiteral("No image found"));
    EXPECT_TRUE(view.noItem());
    try {
        view.feedEnd();
        ADD_FAILURE() << "feedEnd without a feed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TQzguiVarSizeListViewBase.feedEnd: unexpected call"));
    }
    view.viewport()->grab().save(QStringLiteral("/tmp/widgets_empty_list.png"));
}

TEST_F(ListViewFixture, AWidthThatComesBackKeepsItsLayout)
{
    addItems(view.RootFolder(), 30);
    view.settle();
    EXPECT_EQ(view.passes, 1);
    view.resize(800, 600);
    view.settle();
    EXPECT_EQ(view.passes, 2);
    // A scroll bar shown (780) and hidden again (800): one new layout, and
    // the list keeps the one made for 780.
    view.resize(780, 600);
    view.settle();
    EXPECT_EQ(view.passes, 3);
    view.resize(800, 600);
    view.settle();
    EXPECT_EQ(view.passes, 3);
    view.resize(700, 600);
    view.settle();
    EXPECT_EQ(view.passes, 4) << "a new width lays out again";
}

TEST_F(ListViewFixture, LayoutRunsInBatchesAndTheFinalHeightComesLast)
{
    addItems(view.RootFolder(), 2500);
    view.onTimer();
    EXPECT_TRUE(view.isLayoutPending());
    view.onTimer();
    EXPECT_TRUE(view.isLayoutPending());
    view.onTimer();
    EXPECT_FALSE(view.isLayoutPending());
    EXPECT_FALSE(view.noItem());
    EXPECT_FLOAT_EQ(view.contentHeight(), 278 * 110 - 10);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 278 * 110 - 10 - 600);
}

TEST_F(ListViewFixture, OnlyVisibleElementsArePaintedAndLeavingTheViewIsTold)
{
    addItems(view.RootFolder(), 10000);
    view.settle();
    view.paintedIds.clear();
    paint();
    EXPECT_LE(view.paintedIds.size(), 9u * 7u) << "six lines and a half show";
    EXPECT_GE(view.paintedIds.size(), 9u * 5u);
    EXPECT_TRUE(item(0)->isPainted());
    EXPECT_FALSE(item(9999)->isPainted());

    view.setScrollOffset(QPointF(0, view.verticalScrollBar()->maximum()));
    paint();
    EXPECT_FALSE(item(0)->isPainted()) << "scrolled out of view";
    EXPECT_TRUE(item(9999)->isPainted());
    view.setScrollOffset(QPointF(0, 0));
    paint();
    EXPECT_TRUE(item(0)->isPainted()) << "back in view";
    EXPECT_FALSE(item(9999)->isPainted());
}

TEST_F(ListViewFixture, FocusAskedBeforeTheLayoutBringsTheElementIntoView)
{
    addItems(view.RootFolder(), 2000);
    item(1500)->Focus();
    EXPECT_EQ(view.Current(), item(1500));
    view.settle();
    paint();
    const QRectF r = item(1500)->FinalViewRect(vrt_Item);
    EXPECT_TRUE(view.visibleArea().contains(r)) << r.top() << " " << view.visibleArea().top();

    // The user scrolls away: the element is forgotten, a new layout stays.
    view.setScrollOffset(QPointF(0, 0));
    paint();
    EXPECT_EQ(view.itemToFocus(), nullptr);
    view.askRecalcAll();
    view.settle();
    paint();
    EXPECT_EQ(view.scrollOffset(), QPointF(0, 0));
}

TEST_F(ListViewFixture, SingleSelectionAndClicks)
{
    addItems(view.RootFolder(), 3);
    view.itemByPath(QStringLiteral("f\\inner"), vf_createIfNot)->InitializationEnd();
    view.settle();
    item(0)->SetSelected(true);
    item(0)->SetCurrent(true);
    item(1)->SetSelected(true);
    EXPECT_FALSE(item(0)->GetSelected());
    EXPECT_EQ(view.Current(), nullptr) << "a new selection clears the current element";
    ASSERT_EQ(view.selectedList().size(), 1u);
    EXPECT_EQ(view.selectedItem(), item(1));

    // A click on an item makes it current and selects nothing.
    const QPointF onItem2 = item(2)->FinalViewRect(vrt_Item).center();
    view.thumbInfoClick(view.getThumbInfoByMousePos(onItem2));
    EXPECT_EQ(view.Current(), item(2));
    EXPECT_FALSE(item(2)->GetSelected());

    // A click on a folder toggles it and makes it current.
    const IQzguiVarSizeFolder f = view.folderByPath(QStringLiteral("f"), vf_required);
    const QPointF onFolder = f->FinalViewRect(vrt_Item).center();
    view.thumbInfoClick(view.getThumbInfoByMousePos(onFolder));
    EXPECT_TRUE(f->GetExpanded());
    EXPECT_EQ(view.Current(), f);
    view.settle();
    view.thumbInfoClick(view.getThumbInfoByMousePos(f->FinalViewRect(vrt_FolderStart).center()));
    EXPECT_FALSE(f->GetExpanded());

    view.selectedClear();
    EXPECT_TRUE(view.selectedList().empty());
    EXPECT_FALSE(item(1)->GetSelected());
}

TEST_F(ListViewFixture, ALayoutErrorIsLoggedAndTheNextRequestLaysOutAgain)
{
    LogCapture log;
    addItems(view.RootFolder(), 20);
    view.failOnId = QStringLiteral("00003");
    view.settle();
    EXPECT_TRUE(log.Text().contains(QStringLiteral("TQzguiVarSizeListViewBase.onTimer/resize")));
    EXPECT_FALSE(view.isLayoutPending());
    view.failOnId.clear();
    item(3)->RecalcSize();
    view.settle();
    EXPECT_EQ(item(19)->FinalViewRect(vrt_Item).top(), 220);
    EXPECT_EQ(view.RootFolder()->childYposCount(), 20);
}

TEST_F(ListViewFixture, GuiOperationsRunOnceOnTheMainThreadAtTheNextTick)
{
    struct Op : TQzguiVarSizeItem {
        using TQzguiVarSizeItem::TQzguiVarSizeItem;
        int runs = 0;
        void doGuiOp() override { ++runs; }
    };
    const IQzguiVarSizeRoot root = view.RootFolder();
    auto a = std::make_shared<Op>(root.get(), QStringLiteral("a"));
    auto b = std::make_shared<Op>(root.get(), QStringLiteral("b"));
    std::thread worker([&] {
        a->askGuiOp();
        a->askGuiOp();
        b->askGuiOp();
        b->cancelGuiOp();
    });
    worker.join();
    view.onTimer();
    view.onTimer();
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(b->runs, 0);
}

TEST_F(ListViewFixture, RootDetachFromAWorkerNeverWaitsForTheMainThread)
{
    addItems(view.RootFolder(), 500);
    view.settle();
    paint();
    item(0)->SetSelected(true);
    IQzguiVarSizeRoot old;
    // The main thread is busy (not running the event loop) while the worker
    // swaps the tree: the swap must not wait for it.
    std::thread worker([&] {
        old = view.RootDetach();
        addItems(view.RootFolder(), 7);
    });
    worker.join();
    ASSERT_TRUE(old);
    EXPECT_FALSE(old->IsAttached());
    EXPECT_THROW(old->ListView(), ECancel);
    view.settle();
    paint();
    EXPECT_TRUE(view.selectedList().empty());
    EXPECT_FALSE(old->GetItem(0)->isPainted()) << "the old tree's painted elements were released";
    EXPECT_EQ(view.RootFolder()->childYposCount(), 7);
    EXPECT_TRUE(view.itemByPath(QStringLiteral("00006"), vf_required)->isPainted());
}

TEST(ListViewLook, ScreenshotOfAFolderAndItems)
{
    TTestListView view;
    view.resize(900, 500);
    for (int i = 0; i < 12; ++i)
        view.itemByPath(QStringLiteral("Holidays\\%1").arg(i, 3, 10, QLatin1Char('0')), vf_createIfNot)->InitializationEnd();
    addItems(view.RootFolder(), 20);
    view.folderByPath(QStringLiteral("Holidays"), vf_required)->SetExpanded(true);
    view.show();
    view.settle();
    const QImage shot = view.grab().toImage();
    shot.save(QStringLiteral("/tmp/widgets_listview.png"));
    EXPECT_EQ(shot.size(), QSize(900, 500));
}

} // namespace
