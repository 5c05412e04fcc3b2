#include "UQzguiVarSizeTree.h"
#include "WidgetsFakes.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringList>

namespace {

struct TreeFixture : ::testing::Test {
    TFakeTreeHost host;
    IQzguiVarSizeRoot root = TQzguiVarSizeRoot::Create(&host);

    IQzguiVarSizeItem make(const QString& path)
    {
        IQzguiVarSizeItem item = root->itemByPath(path, vf_createIfNot);
        item->InitializationEnd();
        return item;
    }
    QString thrown(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString();
    }
};

TEST_F(TreeFixture, PathSearchFindsTheSameElementWhateverTheBlanksAndSeparators)
{
    const IQzguiVarSizeItem c = make(QStringLiteral("a\\b\\c"));
    const QStringList paths = { QStringLiteral("a\\b\\c"), QStringLiteral("  \\a\\b\\c\\ "), QStringLiteral("a\\\\b\\\\\\c"),
                                QStringLiteral("\\\\a\\b\\c\\\\"), QStringLiteral("\t a\\b\\c") };
    for (const QString& p : paths) {
        SCOPED_TRACE(p.toStdString());
        EXPECT_EQ(root->itemByPath(p, vf_required), c);
        EXPECT_EQ(root->elementByPath(p, vf_required), c);
        EXPECT_EQ(root->itemByPath(p, vf_optional), c);
    }
    EXPECT_EQ(root->folderByPath(QString(), vf_required), root);
    EXPECT_EQ(root->folderByPath(QStringLiteral("  "), vf_required), root);
    EXPECT_EQ(c->GetPath(), QStringLiteral("\\a\\b\\c"));
    EXPECT_EQ(root->folderByPath(QStringLiteral("a\\b"), vf_required)->GetPath(), QStringLiteral("\\a\\b"));
}

TEST_F(TreeFixture, CreatingAPathMakesFoldersInitialisedAndTheItemNot)
{
    const IQzguiVarSizeItem c = root->itemByPath(QStringLiteral("a\\b\\c"), vf_createIfNot);
    const IQzguiVarSizeFolder a = root->folderByPath(QStringLiteral("a"), vf_required);
    const IQzguiVarSizeFolder b = root->folderByPath(QStringLiteral("a\\b"), vf_required);
    EXPECT_TRUE(a->IsInitialized());
    EXPECT_TRUE(b->IsInitialized());
    EXPECT_FALSE(c->IsInitialized());
    EXPECT_EQ(c->GetParent(), b.get());
    // A second lookup finds the same elements instead of creating others.
    EXPECT_EQ(root->itemByPath(QStringLiteral("a\\b\\c"), vf_createIfNot), c);
    EXPECT_EQ(root->GetCount(), 1);
    EXPECT_EQ(a->GetCount(), 1);
}

TEST_F(TreeFixture, SearchFailuresFollowTheFindMode)
{
    make(QStringLiteral("f\\item"));
    struct Case {
        std::function<void()> call;
        QString message;
    };
    const std::vector<Case> cases = {
        { [&] { int i; root->elementByID(QStringLiteral("x"), i, vf_required); },
          QStringLiteral("TQzguiVarSizeFolderBase.elementByID: element \"x\" not found") },
        { [&] { int i; root->elementByID(QStringLiteral("x"), i, vf_createIfNot); },
          QStringLiteral("TQzguiVarSizeFolderBase.elementByID: element \"x\" not found") },
        { [&] { root->folderByPath(QStringLiteral("g\\h"), vf_required); },
          QStringLiteral("TQzguiVarSizeFolderBase.folderByPath: element \"g\" not found") },
        { [&] { root->folderByPath(QStringLiteral("f\\item\\z"), vf_createIfNot); },
          QStringLiteral("TQzguiVarSizeFolderBase.folderByPath: element \"item\" exists but it is not a folder") },
        { [&] { root->itemByPath(QStringLiteral("f"), vf_required); },
          QStringLiteral("TQzguiVarSizeFolderBase.itemByPath: element \"f\" exists but it is not an item") },
        { [&] { root->itemByPath(QStringLiteral("f\\nothing"), vf_required); },
          QStringLiteral("TQzguiVarSizeFolderBase.itemByPath: element \"nothing\" not found") },
    };
    for (const Case& c : cases)
        EXPECT_EQ(thrown(c.call), c.message);
    // vf_optional never raises.
    int i = 0;
    EXPECT_EQ(root->elementByID(QStringLiteral("x"), i, vf_optional), nullptr);
    EXPECT_EQ(root->folderByPath(QStringLiteral("f\\item\\z"), vf_optional), nullptr);
    EXPECT_EQ(root->itemByPath(QStringLiteral("f"), vf_optional), nullptr);
    EXPECT_EQ(root->itemByPath(QStringLiteral("g\\h"), vf_optional), nullptr);
    EXPECT_EQ(root->GetCount(), 1) << "optional searches create nothing";
}

TEST_F(TreeFixture, ChildrenStaySortedByLocaleAwareIdAndDescendingOnRequest)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char* id : { "pear", "Apple", "banana", "apple", "cherry", "Zebra" })
        make(QString::fromLatin1(id));
    root->folderByPath(QStringLiteral("x"), vf_createIfNot)->InitializationEnd();
    QStringList order;
    for (int i = 0; i < root->GetCount(); ++i)
        order << root->GetItem(i)->GetID();
    // Case-insensitive first, lower case before upper case at equal letters.
    EXPECT_EQ(order, QStringList({ "apple", "Apple", "banana", "cherry", "pear", "x", "Zebra" }));

    EXPECT_EQ(thrown([&] { root->SetItemsSortMode(vdm_sortDesc); }),
              QStringLiteral("TQzguiVarSizeFolderBase.SetSortMode: can't be changed when children already present"));
    const IQzguiVarSizeFolder empty = root->folderByPath(QStringLiteral("x"), vf_required);
    empty->SetItemsSortMode(vdm_sortDesc);
    for (const char* id : { "2", "10", "1", "3" })
        make(QStringLiteral("x\\") + QLatin1String(id));
    order.clear();
    for (int i = 0; i < empty->GetCount(); ++i)
        order << empty->GetItem(i)->GetID();
    EXPECT_EQ(order, QStringList({ "3", "2", "10", "1" }));

    // An empty id sorts before any other, two empty ids are equal.
    const auto blank = std::make_shared<TQzguiVarSizeItem>(root.get(), QString());
    EXPECT_LT(TQzguiVarSortComparer::Asc().Compare(*blank, TQzguiVarSortKey::Make(QStringLiteral("a"))), 0);
    EXPECT_EQ(TQzguiVarSortComparer::Asc().Compare(*blank, TQzguiVarSortKey::Make(QString())), 0);
    EXPECT_GT(TQzguiVarSortComparer::Desc().Compare(*blank, TQzguiVarSortKey::Make(QStringLiteral("a"))), 0);
    QLocale::setDefault(saved);
}

TEST_F(TreeFixture, InitialisationGatesSizeRequests)
{
    const IQzguiVarSizeItem item = root->itemByPath(QStringLiteral("one"), vf_createIfNot);
    const int before = host.recalcs;
    item->RecalcSize();
    EXPECT_EQ(host.recalcs, before) << "a request of an element not initialised changes nothing";
    EXPECT_FALSE(item->isSizeToCalc());
    item->InitializationEnd();
    EXPECT_TRUE(item->isSizeToCalc());
    EXPECT_TRUE(root->isSizeToCalc());
    EXPECT_EQ(host.recalcs, before + 1);
    EXPECT_EQ(thrown([&] { item->InitializationEnd(); }),
              QStringLiteral("TQzguiVarSizeItemBase.InitializationEnd: already called"));
}

TEST_F(TreeFixture, ExpandingADeepFolderExpandsEveryFolderAbove)
{
    make(QStringLiteral("a\\b\\c\\leaf"));
    const IQzguiVarSizeFolder a = root->folderByPath(QStringLiteral("a"), vf_required);
    const IQzguiVarSizeFolder b = root->folderByPath(QStringLiteral("a\\b"), vf_required);
    const IQzguiVarSizeFolder c = root->folderByPath(QStringLiteral("a\\b\\c"), vf_required);
    for (const auto& f : { a, b, c }) {
        f->sizeCalcDone(vrt_Item);
        EXPECT_FALSE(f->GetExpanded());
    }
    c->SetExpanded(true);
    for (const auto& f : { a, b, c }) {
        EXPECT_TRUE(f->GetExpanded());
        EXPECT_TRUE(f->AllSizeToCalc());
    }
    EXPECT_TRUE(root->isSizeToCalc());
}

TEST_F(TreeFixture, ADetachedTreeDropsRequestsAndRefusesTheListView)
{
    const IQzguiVarSizeItem item = make(QStringLiteral("f\\one"));
    root->detachFromListView();
    const int recalcs = host.recalcs;
    const int guiOps = host.guiOps;
    item->SetTitle(QStringLiteral("other"));
    item->RecalcSize();
    root->RecalcAllSize();
    item->askGuiOp();
    item->Invalidate();
    item->SetSelected(true);
    item->SetCurrent(true);
    item->Click();
    EXPECT_EQ(host.recalcs, recalcs);
    EXPECT_EQ(host.guiOps, guiOps);
    EXPECT_EQ(host.clicks, 0);
    for (const auto& call : std::vector<std::function<void()>> {
             [&] { item->ListView(); }, [&] { item->mainFrame(); }, [&] { item->Focus(); },
             [&] { root->itemByPath(QStringLiteral("f\\two"), vf_createIfNot); } }) {
        try {
            call();
            ADD_FAILURE() << "no cancel error";
        } catch (const ECancel& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("TQzguiVarSizeRoot.ListView: root detached"));
        }
    }
}

TEST_F(TreeFixture, ElementByDataSearchesDepthFirst)
{
    int a = 0, b = 0, missing = 0;
    const IQzguiVarSizeItem deep = make(QStringLiteral("f\\g\\deep"));
    const IQzguiVarSizeItem top = make(QStringLiteral("z"));
    deep->SetData(&a);
    top->SetData(&b);
    EXPECT_EQ(root->elementByData(&a), deep);
    EXPECT_EQ(root->elementByData(&b), top);
    EXPECT_EQ(root->elementByData(&missing), nullptr);
}

TEST_F(TreeFixture, TitleFallsBackToTheIdAndChangesAreReported)
{
    struct Titled : TQzguiVarSizeItem {
        using TQzguiVarSizeItem::TQzguiVarSizeItem;
        int changes = 0;
        void onTitleChanged() override { ++changes; }
    };
    auto item = std::make_shared<Titled>(root.get(), QStringLiteral("id"));
    EXPECT_EQ(item->GetTitle(), QStringLiteral("id"));
    item->SetTitle(QStringLiteral("Title"));
    item->SetTitle(QStringLiteral("Title"));
    EXPECT_EQ(item->GetTitle(), QStringLiteral("Title"));
    EXPECT_EQ(item->changes, 1);
    EXPECT_EQ(item->GetQty(), QString());
}

// --- position index and hit test, on a laid-out tree

struct LaidOutTree : TreeFixture {
    // 1000 wide, items 100 x 100, spacing 10 (standard size ignored).
    void layout()
    {
        TFakeLayoutHost lh(root);
        lh.ah = vat_Leading;
        lh.ahLast = vat_Leading;
        lh.layoutAll();
    }
};

TEST_F(LaidOutTree, PositionIndexFindsTheVisibleChildren)
{
    EXPECT_EQ(root->firstChildIndexAt(0), 0);
    EXPECT_EQ(root->lastChildIndexAt(0), -1);
    addItems(root, 25); // 9 per line: rows start at y 0, 110, 220
    layout();
    ASSERT_EQ(root->childYposCount(), 25);
    struct Case {
        float y;
        int first;
        int last;
    };
    // Keys of the rows: 0 (0..8), 110 (9..17), 220 (18..24).
    const std::vector<Case> cases = {
        { -50, 0, 0 }, // before all children: 0; the last is the insertion index
        { 0, 0, -1 }, // exactly a row's key: the row before it is the last
        { 60, 0, 9 },
        { 110, 9, 8 },
        { 200, 9, 18 },
        { 5000, 18, 24 }, // past all: count - 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        EXPECT_EQ(root->firstChildIndexAt(c.y), c.first);
        EXPECT_EQ(root->lastChildIndexAt(c.y), c.last);
    }
}

TEST_F(LaidOutTree, AClickInTheGapHitsTheNearerItem)
{
    addItems(root, 3);
    layout();
    // Items at x 0..100, 110..210, 220..320 on the line y 0..100.
    struct Case {
        QPointF p;
        QString id;
    };
    const std::vector<Case> cases = {
        { { 50, 50 }, "00000" },   { { 104, 50 }, "00000" }, { { 105, 50 }, "00001" },
        { { 106, 50 }, "00001" },  { { 214, 50 }, "00001" }, { { 216, 50 }, "00002" },
        { { 50, 0 }, "00000" },    { { 50, 100 }, QString() }, { { 400, 50 }, QString() },
    };
    for (const Case& c : cases) {
        TQzguiVarThumbInfo info;
        const bool hit = root->elementByMousePos(c.p, info);
        SCOPED_TRACE(QStringLiteral("%1,%2").arg(c.p.x()).arg(c.p.y()).toStdString());
        EXPECT_EQ(hit, !c.id.isEmpty());
        if (hit) {
            EXPECT_EQ(info.item->GetID(), c.id);
            EXPECT_EQ(info.ptLocal, c.p - info.itemRect.topLeft());
        }
    }
}

TEST_F(LaidOutTree, CollapsedFolderIsHitAsAWholeAndExpandedOneThroughItsChildren)
{
    make(QStringLiteral("f\\a"));
    make(QStringLiteral("f\\b"));
    layout();
    const IQzguiVarSizeFolder f = root->folderByPath(QStringLiteral("f"), vf_required);
    TQzguiVarThumbInfo info;
    ASSERT_TRUE(root->elementByMousePos(QPointF(500, 20), info));
    EXPECT_EQ(info.item, f);

    f->SetExpanded(true);
    layout();
    // Header 0..30, children line from y 40 at indent 20.
    ASSERT_TRUE(root->elementByMousePos(QPointF(30, 60), info));
    EXPECT_EQ(info.item->GetID(), QStringLiteral("a"));
    EXPECT_FALSE(root->elementByMousePos(QPointF(900, 60), info));
}

TEST_F(LaidOutTree, RectanglesOfTheWrongPartAreRefused)
{
    const IQzguiVarSizeItem item = root->itemByPath(QStringLiteral("i"), vf_createIfNot);
    EXPECT_EQ(thrown([&] { item->SizeCalcRect(vrt_Item); }), QStringLiteral("TQzguiVarSizeItemBase.SizeCalcRect: unexpected call"));
    EXPECT_EQ(thrown([&] { item->FinalViewRect(vrt_FolderStart); }),
              QStringLiteral("TQzguiVarSizeItemBase.FinalViewRect: unexpected call (not item)"));
    EXPECT_EQ(thrown([&] { item->SetSizeCalcRect(vrt_FolderEnd, QRectF(), false); }),
              QStringLiteral("TQzguiVarSizeItemBase.SetSizeCalcRect: unexpected call (not item)"));
    const IQzguiVarSizeFolder f = root->folderByPath(QStringLiteral("f"), vf_createIfNot);
    EXPECT_EQ(thrown([&] { f->SetSizeCalcRect(vrt_FolderEnd, QRectF(), false); }),
              QStringLiteral("TQzguiVarSizeFolderBase.SetSizeCalcRect: unexpected call (folderEnd without folderStart)"));
    EXPECT_EQ(thrown([&] { f->SizeCalcRect(vrt_Item); }), QStringLiteral("TQzguiVarSizeFolderBase.SizeCalcRect: unexpected call"));
    f->SetSizeCalcRect(vrt_FolderStart, QRectF(0, 100, 500, 30), false);
    EXPECT_EQ(thrown([&] { f->SizeCalcRect(vrt_Item); }),
              QStringLiteral("TQzguiVarSizeFolderBase.SizeCalcRect: unexpected call (folderEnd not set)"));
    f->SetSizeCalcRect(vrt_FolderEnd, QRectF(0, 50, 600, 0), false);
    EXPECT_EQ(thrown([&] { f->SizeCalcRect(vrt_Item); }),
              QStringLiteral("TQzguiVarSizeFolderBase.SizeCalcRect: unexpected call (folderEnd not well set)"));
    f->SetSizeCalcRect(vrt_FolderEnd, QRectF(0, 400, 600, 5), false);
    EXPECT_EQ(f->SizeCalcRect(vrt_Item), QRectF(0, 100, 600, 305));
}

} // namespace
