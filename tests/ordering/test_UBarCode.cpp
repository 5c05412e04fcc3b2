// The bar code picture (module width, quiet zones, refusals), the order bar
// code's alphabet and scan comparison, and the symbols read back by two
// independent readers.
#include "BarcodeReaders.h"
#include "OrderingTestSupport.h"
#include "UBarCodeForOrder.h"
#include "UBarCodeSymbologies.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using orderingtest::exceptionText;

namespace {

const QString kTooSmall = QStringLiteral(
    "Image size specified not large enough to draw image. (Bar size determined to be less than 1 pixel)");

} // namespace

TEST(BarCodeGeometry, ModuleWidthKeepsTenModulesOfQuietZone)
{
    struct Case {
        const char* name;
        int modules, width, barWidthMax;
        int moduleWidth, offset;
    } cases[] = {
        // 300 / (57 + 20) = 3; (300 - 171) / 2 = 64.5, halves to even
        { "FourDigitsIn300", 57, 300, -1, 3, 64 },
        { "HalfRoundsUpToEven", 57, 302, -1, 3, 66 },
        { "ExactlyQuietZoneWide", 57, 77, -1, 1, 10 },
        { "BarWidthMaxCentres", 57, 600, 2, 2, 243 },
        { "BarWidthMaxAboveComputedIgnored", 57, 600, 9, 7, 100 },
        { "ReceiptBarCode", 79, 464, -1, 4, 74 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TBarCode::TModuleGeometry g = TBarCode::ModuleGeometry(c.modules, c.width, c.barWidthMax);
        EXPECT_EQ(g.moduleWidth, c.moduleWidth);
        EXPECT_EQ(g.offset, c.offset);
        // At least the quiet zone on both sides.
        EXPECT_GE(g.offset, TBarCode::kQuietZoneModules * g.moduleWidth);
        EXPECT_GE(c.width - g.offset - c.modules * g.moduleWidth, TBarCode::kQuietZoneModules * g.moduleWidth);
    }
    // A symbol as wide as the picture would have no quiet zone: refused.
    EXPECT_EQ(exceptionText([] { TBarCode::ModuleGeometry(57, 57, -1); }), kTooSmall);
    EXPECT_EQ(exceptionText([] { TBarCode::ModuleGeometry(57, 76, -1); }), kTooSmall);
}

TEST(BarCode, PaintsBarsInBackColorOnTransparentGround)
{
    TBarCode code;
    const QImage bitmap = code.encode(QStringLiteral("1234"), 300, 40);
    ASSERT_EQ(bitmap.size(), QSize(300, 40));
    const QString modules = code.EncodedValue();
    ASSERT_EQ(modules.size(), 57);
    for (int y : { 0, 39 }) {
        for (int x = 0; x < 300; ++x) {
            const int k = (x - 64) / 3;
            const bool bar = x >= 64 && k < 57 && modules[k] == u'1';
            ASSERT_EQ(bitmap.pixel(x, y), bar ? 0xFF000000u : 0u) << "x=" << x;
        }
    }
    // ForeColor is kept but the bars take BackColor.
    const QImage red = code.encode(QStringLiteral("1234"), 0xFF00FF00u, 0xFFFF0000u);
    EXPECT_EQ(red.pixel(64, 0), 0xFFFF0000u);
    EXPECT_EQ(code.ForeColor(), 0xFF00FF00u);
}

TEST(BarCode, RefusesBlankTextAndTooNarrowPicture)
{
    TBarCode code;
    for (const QString& blank : { QString(), QStringLiteral("  "), QStringLiteral(" \t\r\n") }) {
        EXPECT_EQ(exceptionText([&] { code.encode(blank); }),
                  QStringLiteral("TBarCode.encode: Input data not allowed to be blank."));
    }
    EXPECT_EQ(exceptionText([&] { code.encode(QStringLiteral("1234"), 60, 10); }), kTooSmall);
    EXPECT_EQ(code.EncodedValue().size(), 57); // replaced by the encoding, then the drawing failed
    EXPECT_EQ(exceptionText([&] { code.encode(QStringLiteral("\u00E9t\u00E9")); }),
              QStringLiteral("TCode128.findStartorCodeCharacter: Could not determine start character"));
}

TEST(BarCodeCommon, ErrorIsRecordedAndRaised)
{
    TCode128 code(QStringLiteral("1"));
    EXPECT_EQ(exceptionText([&] { code.error(QStringLiteral("bad")); }), QStringLiteral("TBarCodeCommon.error: bad"));
    EXPECT_EQ(code.Errors(), QStringList { QStringLiteral("bad") });
    EXPECT_TRUE(TBarCodeCommon::isNumeric(QStringLiteral("-42")));
    EXPECT_FALSE(TBarCodeCommon::isNumeric(QStringLiteral("4a")));
}

TEST(BarCodeForOrder, MapsTheNumberOntoTheAlphabet)
{
    struct Case {
        const char* name;
        QString order, code;
    } cases[] = {
        { "DigitsUnchanged", "20261209", "20261209" },
        { "LowerCaseUpperCased", "ab-12", "AB-12" },
        { "UnderscoreTildeBecomeFullStops", "A_B~C", "A.B.C" },
        { "AccentedCapitalAtItsPosition", "\u00C9T\u00C9", ".T." },
        { "AccentedLowerCaseUpperCasedThenReplaced", "caf\u00E9", "CAF." },
        { "ApostropheKept", "O'BRIEN", "O'BRIEN" },
        { "BracketsAndBackslashKept", "[A\\B]", "[A\\B]" },
        { "ControlCharacterReplaced", "A\tB", "A.B" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TBarCodeForOrder::orderToIntBarCode(c.order), c.code);
        EXPECT_EQ(TBarCodeForOrder(c.order).RawData(), c.code);
    }
    EXPECT_TRUE(TBarCodeForOrder::orderCharValid(u'z'));
    EXPECT_TRUE(TBarCodeForOrder::orderCharValid(u' '));
    EXPECT_TRUE(TBarCodeForOrder::orderCharValid(u']'));
    EXPECT_FALSE(TBarCodeForOrder::orderCharValid(u'^'));
    EXPECT_FALSE(TBarCodeForOrder::orderCharValid(u'{'));
    EXPECT_FALSE(TBarCodeForOrder::orderCharValid(QChar(0xE9)));
}

TEST(BarCodeForOrder, CleansAndComparesScannedTexts)
{
    struct Clean {
        const char* name;
        QString scan, cleaned;
    } cleans[] = {
        { "SpaceAndTildeAroundLowerCase", " ~abc~ ", "ABC" },
        { "TildeBetweenCapitalsKept", "~A~B~", "A~B" },
        { "TildesOnly", "~~~", "" },
        { "Empty", "", "" },
        { "ControlCharactersAtEnds", "\x02K123\r\n", "K123" },
    };
    for (const Clean& c : cleans) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TBarCodeForOrder::orderFromScanClean(c.scan), c.cleaned);
    }
    struct Compare {
        const char* name;
        QString table, scan;
        bool match;
    } compares[] = {
        { "Equal", "k_12", "K.12", true },
        { "OneCharacterAhead", "K12", "]K12", true },
        { "TwoCharactersAhead", "K12", "]CK12", true },
        { "ThreeCharactersAhead", "K12", "]C0K12", false },
        { "CharacterAfter", "K12", "K12X", false },
        { "CaseSensitive", "K12", "k12", false },
    };
    for (const Compare& c : compares) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TBarCodeForOrder::orderToIntBarCodeCompare(c.table, c.scan), c.match);
    }
}

// Order numbers covering every kind of character of the alphabet: each bar
// code is read back by zbar and by ZXing as the mapped number.
TEST(BarCodeForOrder, ReadBackByTwoReaders)
{
    const QStringList orders = {
        "12345678", "7", "123", "12A34", "A1B2C3", "k-2026/0042", "ORDER 7", "o'brien-12",
        "\u00E9t\u00E9_99", "[X]\\@:;<=>?", "!\"#$%&()*+,-./", "ZYXWVUTSRQPONMLKJIHGFEDCBA",
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int i = 0; i < orders.size(); ++i) {
        SCOPED_TRACE(orders[i].toStdString());
        TBarCodeForOrder code(orders[i]);
        code.SetWidth(900);
        code.SetHeight(80);
        const QString path = dir.filePath(QStringLiteral("code%1.png").arg(i));
        ASSERT_TRUE(readers::onPaper(code.encode(), 10).save(path));
        const QString expected = TBarCodeForOrder::orderToIntBarCode(orders[i]);
        EXPECT_EQ(readers::zbar(path), QStringList { expected });
        EXPECT_EQ(readers::zxing(path), QStringList { expected });
        EXPECT_TRUE(TBarCodeForOrder::orderToIntBarCodeCompare(orders[i], readers::zbar(path).value(0)));
    }
}
