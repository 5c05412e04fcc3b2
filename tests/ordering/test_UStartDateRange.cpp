// Start months of a calendar template: offered years and months, the month
// kept across a change of year, and ranges or starts out of the ordinary.
#include "UStartDateRange.h"

#include <gtest/gtest.h>

namespace {

int d(int year, int month1) { return TStartDateRange::dateOf(year, month1 - 1); }

} // namespace

TEST(StartDateRange, YearsAndMonthsOffered)
{
    struct Case {
        const char* name;
        int min, max;
        QList<int> years;
        int year;
        QList<int> months;
    } cases[] = {
        { "two years: 2019 offers January only", d(2018, 1), d(2019, 12), { 2018, 2019 }, 2019, { 0 } },
        { "two years: 2018 offers every month", d(2018, 1), d(2019, 12), { 2018, 2019 }, 2018,
          { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 } },
        { "range from June: first year from June", d(2024, 6), d(2026, 5), { 2024, 2025 }, 2024, { 5, 6, 7, 8, 9, 10, 11 } },
        { "range from June: last year up to June", d(2024, 6), d(2026, 5), { 2024, 2025 }, 2025, { 0, 1, 2, 3, 4, 5 } },
        { "year outside the range", d(2024, 6), d(2026, 5), { 2024, 2025 }, 2030, {} },
        // Shorter than 12 months: the first month is still offered.
        { "template of 6 months", d(2025, 3), d(2025, 8), { 2025 }, 2025, { 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TStartDateRange r(c.min, c.max);
        EXPECT_EQ(r.years(), c.years);
        EXPECT_EQ(r.months(c.year), c.months);
    }
}

TEST(StartDateRange, MonthKeptAcrossAYearChange)
{
    const TStartDateRange r(d(2024, 6), d(2026, 8)); // starts June 2024 .. September 2025
    struct Case {
        const char* name;
        int year, remembered, selected;
    } cases[] = {
        { "offered month is kept", 2025, 3, 3 },
        { "month before the first month: none", 2024, 2, -1 },
        { "last year ending before December: its last month", 2025, 10, 8 },
        { "nothing remembered in the last year: its last month", 2025, -1, 8 },
        { "nothing remembered in another year: none", 2024, -1, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(r.monthAfterYearChange(c.year, c.remembered), c.selected);
    }
}

TEST(StartDateRange, StartOutsideTheRangeIsBroughtIn)
{
    const TStartDateRange r(d(2024, 6), d(2026, 5));
    EXPECT_EQ(r.clamp(d(2020, 1)), d(2024, 6));
    EXPECT_EQ(r.clamp(d(2030, 1)), d(2025, 6));
    EXPECT_EQ(r.clamp(d(2025, 2)), d(2025, 2));
    EXPECT_EQ(r.clamp(0), d(2024, 6)) << "a calendar without start";
}

TEST(StartDateLayout, BlocksScaleTogetherUpToTwice)
{
    struct Case {
        const char* name;
        float w, h;
        float scale;
    } cases[] = {
        { "narrow", 195, 800, 0.5f },
        { "wide", 2000, 800, 2 },
        { "reference", 390, 800, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TStartDateLayout l = TStartDateLayout::calc(c.w, c.h, 350, 50, 25, 25, 35);
        EXPECT_FLOAT_EQ(l.scale, c.scale);
        EXPECT_FLOAT_EQ(l.left, (c.w - 350 * c.scale) / 2);
        EXPECT_FLOAT_EQ(l.yearTop - l.titleTop, 70 * c.scale);
        EXPECT_FLOAT_EQ(l.monthTop - l.yearTop, 30 * c.scale);
        EXPECT_FLOAT_EQ(l.continueTop - l.monthTop, 50 * c.scale);
    }
    // Too high to fit: the title starts at the top and the container grows.
    const TStartDateLayout tall = TStartDateLayout::calc(780, 300, 350, 50, 25, 25, 35);
    EXPECT_FLOAT_EQ(tall.titleTop, 0);
    EXPECT_FLOAT_EQ(tall.containerHeight, 200 * 2);
}
