// The recap's view modes, the walk through its sub-steps, its scales, its
// bottom bar and the withdrawal date.
#include "UOrderRecapLayout.h"

#include <gtest/gtest.h>

using L = TOrderRecapLayout;

TEST(OrderRecapLayout, ViewModes)
{
    struct Case {
        const char* name;
        bool compact;
        TCtrlOrderRecapSubStep current;
        bool kioskOnlyDirect;
        TCtrlOrderRecapSubStep view;
    } cases[] = {
        { "wide window", false, corss_orderDelivery, false, corss_full },
        { "narrow from full: information", true, corss_full, false, corss_orderInfo },
        { "narrow from full, direct prints only: summary", true, corss_full, true, corss_orderRecap },
        { "narrow keeps its sub-step", true, corss_orderDelivery, false, corss_orderDelivery },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(L::viewFor(c.compact, c.current, c.kioskOnlyDirect), c.view);
    }
    EXPECT_EQ(L::nextOf(corss_orderInfo), corss_orderDelivery);
    EXPECT_EQ(L::nextOf(corss_orderDelivery), corss_orderRecap);
    EXPECT_EQ(L::nextOf(corss_orderRecap), corss_orderRecap);
    EXPECT_EQ(L::previousOf(corss_orderRecap), corss_orderDelivery);
    EXPECT_EQ(L::previousOf(corss_orderDelivery), corss_orderInfo);
    EXPECT_EQ(L::previousOf(corss_orderInfo), corss_orderInfo);
    EXPECT_STREQ(L::titleOf(corss_orderDelivery), "Checkout - Delivery");
}

TEST(OrderRecapLayout, TopScale)
{
    EXPECT_FLOAT_EQ(L::topScale(corss_full, 1920, 1080), 1);
    EXPECT_FLOAT_EQ(L::topScale(corss_full, 575, 1080), 0.5f);
    EXPECT_FLOAT_EQ(L::topScale(corss_full, 1150, 350), 0.5f);
    EXPECT_FLOAT_EQ(L::topScale(corss_orderInfo, 700, 400), 1);
    EXPECT_FLOAT_EQ(L::topScale(corss_orderInfo, 300, 400), 0.75f);
}

TEST(OrderRecapLayout, BottomBar)
{
    struct Case {
        const char* name;
        float w;
        bool terms, save;
        bool oneRow;
        float buttonWidth, barHeight, scale;
    } cases[] = {
        { "wide with both", 1200, true, true, true, 200, 55, 1 },
        { "both need 900", 880, true, true, false, 415, 100, 1 },
        { "one optional part at 700", 700, true, false, true, 200, 55, 1 },
        { "one optional part below 700", 690, false, true, false, 320, 100, 1 },
        { "nothing optional, narrow", 330, false, false, true, 150, 55, 330.0f / 430 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const L::TButtonsLayout b = L::buttons(c.w, c.terms, c.save);
        EXPECT_EQ(b.oneRow, c.oneRow);
        EXPECT_FLOAT_EQ(b.buttonWidth, c.buttonWidth);
        EXPECT_FLOAT_EQ(b.barHeight, c.barHeight);
        EXPECT_FLOAT_EQ(b.scale, c.scale);
    }
}

TEST(OrderRecapLayout, WithdrawalDateNeverInThePast)
{
    const QDate today(2026, 12, 11);
    EXPECT_EQ(L::withdrawalDate(QDate(2026, 12, 1), today), today);
    EXPECT_EQ(L::withdrawalDate(QDate(2027, 1, 5), today), QDate(2027, 1, 5));
    EXPECT_EQ(L::withdrawalDate(today, today), today);
    EXPECT_EQ(L::withdrawalDate(QDate(), today), today);
}
