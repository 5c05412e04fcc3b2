#include "UQzguiVarResizeCalcCtx.h"
#include "WidgetsFakes.h"

#include <gtest/gtest.h>

namespace {

TEST(VarItemSize, StandardSizeFollowsTheWidth)
{
    struct Case {
        float width;
        float factor;
        int minItems;
        QSizeF item;
        double spaceX;
    };
    const std::vector<Case> cases = {
        { 1000, 100, 1, { 191.6, 191.6 }, 10 }, // n = 4.8: five columns fill the line
        { 950, 100, 1, { 229.5, 229.5 }, 10 },  // n = 4.56: four columns enlarged
        { 900, 100, 1, { 200, 200 }, 10 },      // n = 4.32: the default, free room stays
        { 150, 100, 1, { 148, 148 }, 3.75 },    // narrow: spacing 150 / 40, one column
        { 150, 100, 2, { (151.75 / 2) - 3.75, (151.75 / 2) - 3.75 }, 3.75 },
        { 1000, 187.5, 1, { 191.6 * 1.875, 191.6 * 1.875 }, 10 }, // factor 150 on a kiosk
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        TQzguiVarItemSizeInput in;
        in.rect = QRectF(0, 0, c.width, 800);
        in.factor = c.factor;
        in.minItemsPerLine = c.minItems;
        QSizeF item;
        QSizeF spaces;
        VarCalcViewItemSize(in, item, spaces);
        EXPECT_NEAR(item.width(), c.item.width(), 1e-3);
        EXPECT_NEAR(item.height(), c.item.height(), 1e-3);
        EXPECT_NEAR(spaces.width(), c.spaceX, 1e-6);
    }
    // Five items of 191.6 take 998 of the 1000 points.
    EXPECT_NEAR(5 * 191.6 + 4 * 10, 998, 1e-9);
}

struct PassFixture : ::testing::Test {
    TFakeTreeHost host;
    IQzguiVarSizeRoot root = TQzguiVarSizeRoot::Create(&host);
    TFakeLayoutHost lh { root };
};

TEST_F(PassFixture, TwoThousandFiveHundredItemsTakeThreeBatches)
{
    addItems(root, 2500);
    TQzguiVarResizeCalcCtx pass(lh);
    EXPECT_FALSE(pass.CalcSize());
    EXPECT_FALSE(pass.CalcSize());
    for (const auto& h : lh.heights)
        EXPECT_FALSE(h.second) << "the content only grows while the pass runs";
    EXPECT_TRUE(pass.CalcSize());
    pass.CalcSizeEnd();
    ASSERT_FALSE(lh.heights.empty());
    EXPECT_TRUE(lh.heights.back().second);
    // 9 per line, 278 lines of 100 + 10.
    EXPECT_FLOAT_EQ(lh.heights.back().first, 278 * 110 - 10);
    EXPECT_EQ(pass.ItemCount(), 2500);
    EXPECT_FALSE(root->isSizeToCalc());
    for (float prev = -1e9; const auto& h : lh.heights) {
        EXPECT_GE(h.first, prev);
        prev = h.first;
    }
}

TEST_F(PassFixture, LinesAreAlignedAndTheLineThatEndsThePassCentred)
{
    addItems(root, 12);
    lh.av = vat_Trailing;
    lh.rootEnd = QSizeF(0, 0); // the pass ends on the items' last line
    lh.sizeById[QStringLiteral("00001")] = QSizeF(100, 50);
    lh.layoutAll();
    // First line full (9 items, 980 wide): leading; the short one sits at
    // the bottom of its line.
    EXPECT_EQ(root->GetItem(0)->FinalViewRect(vrt_Item), QRectF(0, 0, 100, 100));
    EXPECT_EQ(root->GetItem(1)->FinalViewRect(vrt_Item), QRectF(110, 50, 100, 50));
    // Last line: 3 items and the root's closing part, 330 wide, centred.
    EXPECT_EQ(root->GetItem(9)->FinalViewRect(vrt_Item), QRectF(335, 110, 100, 100));
    EXPECT_EQ(root->GetItem(11)->FinalViewRect(vrt_Item), QRectF(555, 110, 100, 100));

    // With a closing part across the line, the items' last line ends as a
    // full one and takes the leading alignment.
    lh.rootEnd = QSizeF(-1, 0);
    root->RecalcAllSize();
    lh.layoutAll();
    EXPECT_EQ(root->GetItem(9)->FinalViewRect(vrt_Item), QRectF(0, 110, 100, 100));
}

TEST_F(PassFixture, WideElementsAndEmptyLines)
{
    addItems(root, 2);
    lh.sizeById[QStringLiteral("00000")] = QSizeF(50, 100);
    lh.sizeById[QStringLiteral("00001")] = QSizeF(5000, 80); // wider than the line
    lh.layoutAll();
    EXPECT_EQ(root->GetItem(0)->FinalViewRect(vrt_Item), QRectF(0, 0, 50, 100));
    EXPECT_EQ(root->GetItem(1)->FinalViewRect(vrt_Item), QRectF(0, 110, 1000, 80)) << "alone on its line, cut";

    // A header of height 0 across the line takes no room, not even spacing.
    TFakeTreeHost host2;
    IQzguiVarSizeRoot r2 = TQzguiVarSizeRoot::Create(&host2);
    r2->itemByPath(QStringLiteral("f\\a"), vf_createIfNot)->InitializationEnd();
    r2->folderByPath(QStringLiteral("f"), vf_required)->SetExpanded(true);
    TFakeLayoutHost lh2(r2);
    lh2.folderHeader = 0;
    lh2.layoutAll();
    const auto a = r2->itemByPath(QStringLiteral("f\\a"), vf_required);
    EXPECT_EQ(a->FinalViewRect(vrt_Item).top(), 0);
    EXPECT_EQ(a->FinalViewRect(vrt_Item).left(), 20) << "children begin at the folder's indent";
}

TEST_F(PassFixture, HorizontalListIsCutIntoChunksOfEleven)
{
    addItems(root, 14);
    lh.horizontal = true;
    lh.fContent = QRectF(0, 0, 800, 200);
    lh.sizeById[QStringLiteral("00003")] = QSizeF(100, 50);
    lh.layoutAll();
    // Items are 200 high (the strip) and 100 wide, 10 apart, one endless line.
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(root->GetItem(i)->FinalViewRect(vrt_Item).left(), 110 * i);
    }
    EXPECT_EQ(root->GetItem(3)->FinalViewRect(vrt_Item), QRectF(330, 75, 100, 50)) << "centred in the strip";
    ASSERT_GE(lh.widths.size(), 2u);
    EXPECT_TRUE(lh.widths.back().second);
    // 14 items and the root's closing part (no width, but after a spacing).
    EXPECT_FLOAT_EQ(lh.widths.back().first, 110 * 14);
    // The first chunk (root start + 10 items) ends before the twelfth element.
    EXPECT_FLOAT_EQ(lh.widths.at(1).first, 110 * 10 - 10);
}

TEST_F(PassFixture, VisibleFinishedLinesArePaintedAtOnce)
{
    addItems(root, 100);
    lh.fVisible = QRectF(0, 0, 1000, 300);
    lh.layoutAll();
    EXPECT_EQ(lh.repaintsNow, 3) << "lines at 0, 110 and 220 meet the visible area";
}

TEST_F(PassFixture, AFailingSizeLeavesTheTreeForTheNextPass)
{
    struct Failing : TFakeLayoutHost {
        using TFakeLayoutHost::TFakeLayoutHost;
        bool fail = true;
        QSizeF calcItemSize(TQzguiVarResizeCalcCtx& p, TQzguiVarSizeItemBase& item) override
        {
            if (fail && item.GetID() == QStringLiteral("00005"))
                throw Exception(QStringLiteral("broken"));
            return TFakeLayoutHost::calcItemSize(p, item);
        }
    } failing(root);
    addItems(root, 10);
    {
        TQzguiVarResizeCalcCtx pass(failing);
        EXPECT_THROW(pass.CalcSize(), Exception);
    }
    failing.fail = false;
    root->RecalcAllSize();
    failing.layoutAll();
    EXPECT_EQ(root->GetItem(9)->FinalViewRect(vrt_Item), QRectF(0, 110, 100, 100));
    EXPECT_EQ(root->childYposCount(), 10);
}

} // namespace
