#include "ChoiceFakes.h"
#include "UDesignedProducts.h"
#include "ULabTemplateContracts.h"
#include "choice/UTemplateChoices.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<Tirage2> tplFormat(qint32 w, qint32 h, bool twoSided = false, qint32 paper = 0)
{
    auto t = orderfakes::makeTirage(1, 10, 15);
    t->setTemplateLargeur(w);
    t->setTemplateHauteur(h);
    t->setTemplateRectoVerso(twoSided);
    t->setNumeroGroupePapier(paper);
    return t;
}

TEST(CardChoices, ThemesByMode)
{
    const std::vector<int> codes = { 3, 101, 100, 99, 1, 150, 0 };
    EXPECT_EQ(TCardChoices::themesOffered(codes, TTemplateType::ClassicTemplate), (std::vector<int> { 3, 99, 1 }));
    EXPECT_EQ(TCardChoices::themesOffered(codes, TTemplateType::DesignerPrint), (std::vector<int> { 101, 150 }));
    EXPECT_TRUE(TCardChoices::themesOffered(codes, TTemplateType::MonthCalendar).empty());
}

TEST(CardChoices, ThemePictureNames)
{
    EXPECT_EQ(TCardChoices::themeResName(7), QStringLiteral("card007"));
    EXPECT_EQ(TCardChoices::themeResName(112), QStringLiteral("card112"));
}

TEST(CardChoices, SizeDescriptionEndsEachLine)
{
    auto single = tplFormat(100, 150);
    auto both = tplFormat(100, 150, true);
    EXPECT_EQ(TCardChoices::sizeDescription(*single), QStringLiteral("Single side\n"));
    EXPECT_EQ(TCardChoices::sizeDescription(*both), QStringLiteral("Both sides\n"));
    auto paper = tplFormat(100, 150, false, 2);
    const QString text = TCardChoices::sizeDescription(*paper);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nSingle side\n"))) << qPrintable(text);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 2);
}

TEST(CardChoices, BackgroundsThatFitTheChosenFormat)
{
    auto portrait = tplFormat(100, 150);
    auto landscape = tplFormat(150, 100);
    auto square = tplFormat(150, 150);
    auto twoSided = tplFormat(100, 150, true);
    struct Case {
        const char* name;
        const Tirage2* chosen;
        const Tirage2* tpl;
        bool hasBack;
        bool fits;
    };
    const Case cases[] = {
        { "same size", portrait.get(), portrait.get(), false, true },
        { "turned a quarter", landscape.get(), portrait.get(), false, true },
        { "other size", portrait.get(), square.get(), false, false },
        { "two-sided card needs a back", twoSided.get(), portrait.get(), false, false },
        { "two-sided card with a back", twoSided.get(), portrait.get(), true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCardChoices::backgroundFits(*c.chosen, *c.tpl, c.hasBack), c.fits);
    }
}

TEST(CalendarChoices, CaptionOfMonthlyCalendars)
{
    EXPECT_EQ(TCalendarChoices::caption(QStringLiteral("A4"), true), QStringLiteral("A4, 13 pages"));
    EXPECT_EQ(TCalendarChoices::caption(QStringLiteral("A4"), false), QStringLiteral("A4"));
}

TEST(CalendarChoices, PictureTakesTheTemplatesOrientation)
{
    auto f = tplFormat(210, 297);
    ZebtemplateVelmora2 same, turned;
    same.setLargeurPapier(210);
    same.setHauteurPapier(297);
    turned.setLargeurPapier(297);
    turned.setHauteurPapier(210);
    int x = 0, y = 0;
    TCalendarChoices::pictureSize(*f, same, x, y);
    EXPECT_EQ(QSize(x, y), QSize(210, 297));
    TCalendarChoices::pictureSize(*f, turned, x, y);
    EXPECT_EQ(QSize(x, y), QSize(297, 210));
}

TEST(CalendarChoices, TemplatesSharingAFormatGetDistinctIds)
{
    auto f = orderfakes::makeTirage(1, 20, 30);
    const qint64 id0 = TCalendarChoices::buttonId(0, *f);
    const qint64 id1 = TCalendarChoices::buttonId(1, *f);
    EXPECT_EQ(id0, qint64(30 * 65536 + 20));
    EXPECT_EQ(id1 - id0, qint64(1) << 32);
}

TEST(CalendarChoices, StartMonthIsNextMonthAndItsYearWithinTheGrid)
{
    const auto code = [](int year, int month) { return year * 12 + month - 1; };
    struct Case {
        const char* name;
        qint32 today, gridMin, gridMax, start;
    };
    const Case cases[] = {
        { "next month", code(2026, 5), code(2026, 1), code(2027, 12), code(2026, 6) },
        { "December starts January of next year", code(2026, 12), code(2026, 1), code(2027, 12), code(2027, 1) },
        { "grid starting later", code(2026, 5), code(2026, 9), code(2027, 12), code(2026, 9) },
        // Twelve months ending with the grid's last one.
        { "grid ending earlier", code(2026, 5), code(2025, 1), code(2026, 3), code(2025, 4) },
        { "grid shorter than a year starts on its first month", code(2026, 5), code(2026, 1), code(2026, 3),
          code(2026, 1) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TCalendarChoices::startDate(c.today, c.gridMin, c.gridMax), c.start);
    }
}

} // namespace
