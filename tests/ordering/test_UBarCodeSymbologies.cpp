// The Code 128 encoder: symbol sequences of each code set, the check symbol,
// the module count, and the texts it refuses.
#include "OrderingTestSupport.h"
#include "UBarCodeSymbologies.h"

#include <gtest/gtest.h>
#include <QSet>

namespace {

// The symbol values a module pattern spells, read back through the table's
// patterns: 11 modules a symbol, then the stop row ("S") and the final bar.
QStringList valuesOf(const QString& modules)
{
    TCode128 table(QStringLiteral("x"));
    table.initCode128();
    QStringList values;
    const qsizetype symbols = (modules.size() - 2) / 11;
    for (qsizetype i = 0; i < symbols; ++i) {
        const TCode128Row* row = table.Table().findByEncoding(modules.mid(i * 11, 11));
        values << (row ? (row->value().isEmpty() ? QStringLiteral("S") : row->value()) : QStringLiteral("?"));
    }
    return values;
}


} // namespace

using orderingtest::exceptionText;

TEST(Code128Table, HoldsEveryValueOnceWithElevenModulePatterns)
{
    TCode128 code(QStringLiteral("x"));
    code.initCode128();
    const auto& rows = code.Table().rowList();
    ASSERT_EQ(rows.Count(), 107);
    QSet<QString> patterns;
    for (int i = 0; i < rows.Count(); ++i) {
        SCOPED_TRACE(i);
        const TCode128Row* row = rows[i];
        EXPECT_EQ(row->value(), i < 106 ? QString::number(i) : QString());
        ASSERT_EQ(row->encoding().size(), 11);
        // Three bars; a symbol starts with a bar and ends with a space.
        EXPECT_TRUE(row->encoding().startsWith(u'1'));
        EXPECT_TRUE(row->encoding().endsWith(u'0'));
        int bars = 0;
        for (qsizetype k = 0; k < 11; ++k)
            bars += row->encoding()[k] == u'1' && (k == 0 || row->encoding()[k - 1] == u'0');
        EXPECT_EQ(bars, 3);
        // Bar modules are even in number: the parity check of the standard.
        EXPECT_EQ(row->encoding().count(u'1') % 2, 0);
        patterns.insert(row->encoding());
    }
    EXPECT_EQ(patterns.size(), 107);
    EXPECT_EQ(rows[0]->encoding(), QStringLiteral("11011001100"));
    EXPECT_EQ(rows[103]->encoding(), QStringLiteral("11010000100"));
    EXPECT_EQ(rows[104]->encoding(), QStringLiteral("11010010000"));
    EXPECT_EQ(rows[105]->encoding(), QStringLiteral("11010011100"));
    EXPECT_EQ(rows[106]->encoding(), QStringLiteral("11000111010"));
    // Columns: NUL as two characters, the function codes, the switches.
    EXPECT_EQ(rows[64]->a(), QStringLiteral("\\0"));
    EXPECT_EQ(rows[64]->b(), QStringLiteral("`"));
    EXPECT_EQ(rows[95]->a(), QString(QChar(31)));
    EXPECT_EQ(rows[95]->b(), QString(QChar(127)));
    EXPECT_EQ(rows[7]->c(), QStringLiteral("07"));
    EXPECT_EQ(rows[100]->b(), QStringLiteral("\u00CB"));
    EXPECT_EQ(rows[101]->a(), QStringLiteral("\u00CB"));
    EXPECT_EQ(rows[102]->c(), QStringLiteral("\u00C8"));
    EXPECT_EQ(code.Table().findByA(QStringLiteral("STOP")), rows[106]);
    EXPECT_EQ(code.Table().findByB(QStringLiteral("a")), rows[65]);
    EXPECT_EQ(code.Table().findByA(QStringLiteral("a")), nullptr);
}

struct EncodeCase {
    const char* name;
    QString text;
    QStringList elements; // start and switch symbols inserted
    QStringList values; // symbols of the pattern, check and stop included
};

void PrintTo(const EncodeCase& c, std::ostream* os)
{
    *os << c.name;
}

class Code128Encode : public testing::TestWithParam<EncodeCase> { };

TEST_P(Code128Encode, GivesTheSymbolSequence)
{
    const EncodeCase& c = GetParam();
    TCode128 code(c.text);
    const QString modules = code.EncodedValue();
    EXPECT_EQ(code.FormattedData(), c.elements);
    EXPECT_EQ(valuesOf(modules), c.values);
    EXPECT_EQ(modules.size(), 11 * (c.elements.size() + 2) + 2);
    EXPECT_TRUE(modules.endsWith(QStringLiteral("1100011101011")));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Code128Encode,
    testing::Values(
        // (105 + 12 × 1 + 34 × 2) mod 103 = 82
        EncodeCase { "DigitPairsInSetC", "1234", { "START_C", "12", "34" }, { "105", "12", "34", "82", "S" } },
        // (105 + 12 + 101 × 2 + 19 × 3) mod 103 = 67
        EncodeCase { "OddDigitSwitchesToA", "123", { "START_C", "12", "CODE_A", "3" },
                     { "105", "12", "101", "19", "67", "S" } },
        // (103 + 33 + 17 × 2) mod 103 = 67
        EncodeCase { "CapitalAndDigitInSetA", "A1", { "START_A", "A", "1" }, { "103", "33", "17", "67", "S" } },
        // (104 + 65 + 101 × 2 + 34 × 3) mod 103 = 61
        EncodeCase { "CapitalAfterLowerCaseSwitchesToA", "aB", { "START_B", "a", "CODE_A", "B" },
                     { "104", "65", "101", "34", "61", "S" } },
        // (105 + 12 + 101 × 2 + 33 × 3 + 99 × 4 + 34 × 5) mod 103 = 57
        EncodeCase { "PairAfterLetterSwitchesToC", "12A34", { "START_C", "12", "CODE_A", "A", "CODE_C", "34" },
                     { "105", "12", "101", "33", "99", "34", "57", "S" } },
        EncodeCase { "SingleDigitStaysInA", "7", { "START_A", "7" }, { "103", "23", "23", "S" } },
        // The apostrophe is value 7: (103 + 44 × 1 + 7 × 2 + 17 × 3) mod 103 = 6
        EncodeCase { "ApostropheIsValue7", "L'1", { "START_A", "L", "'", "1" },
                     { "103", "44", "7", "17", "6", "S" } },
        // (104 + 66 × 1 + 94 × 2) mod 103 = 49; a tilde exists only in set B
        EncodeCase { "LowerCaseAndTildeInSetB", "b~", { "START_B", "b", "~" }, { "104", "66", "94", "49", "S" } },
        // A control character exists only in set A: TAB is 73 there; (103 + 73) mod 103 = 73
        EncodeCase { "ControlCharacterInSetA", "\t", { "START_A", "\t" }, { "103", "73", "73", "S" } },
        // "12 34" keeps its space: (105 + 12 + 101 × 2 + 0 × 3 + 99 × 4 + 34 × 5) mod 103 = 61
        EncodeCase { "SpaceBetweenPairs", "12 34", { "START_C", "12", "CODE_A", " ", "CODE_C", "34" },
                     { "105", "12", "101", "0", "99", "34", "61", "S" } }),
    [](const testing::TestParamInfo<EncodeCase>& info) { return std::string(info.param.name); });

TEST(Code128Encode, FiftySevenModulesForFourDigits)
{
    TCode128 code(QStringLiteral("1234"));
    const QString modules = code.EncodedValue();
    ASSERT_EQ(modules.size(), 57);
    EXPECT_EQ(modules.right(13), QStringLiteral("11000111010") + QStringLiteral("11"));
    TCode128 table(QStringLiteral("x"));
    table.initCode128();
    EXPECT_EQ(modules.mid(33, 11), table.Table().findByValue(QStringLiteral("82"))->encoding());
}

TEST(Code128Encode, RefusesCharactersOutsideSetsAAndB)
{
    for (const QString& text : { QStringLiteral("\u00E9"), QStringLiteral("AB\u20AC"), QStringLiteral("12\u00E934") }) {
        SCOPED_TRACE(text.toStdString());
        TCode128 code(text);
        EXPECT_EQ(exceptionText([&] { code.EncodedValue(); }),
                  QStringLiteral("TCode128.findStartorCodeCharacter: Could not determine start character"));
    }
}
