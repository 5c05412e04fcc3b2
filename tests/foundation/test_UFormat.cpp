#include "UAppExceptions.h"
#include "UFormat.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    const char* name;
    QString fmt;
    QVariantList args;
    QString expected;
};

TEST(Format, Placeholders)
{
    const FormatCase cases[] = {
        { "plain string", "%s starting (%s)...", { "Kiosk", "1.2.3" }, "Kiosk starting (1.2.3)..." },
        { "indexed reuses arguments", "%1:s-%0:s-%1:s", { "a", "b" }, "b-a-b" },
        { "index then sequential", "%1:s %s", { "a", "b", "c" }, "b c" },
        { "decimal", "%d items", { 42 }, "42 items" },
        { "negative decimal", "%d", { -7 }, "-7" },
        { "zero padded width", "Format%03d", { 7 }, "Format007" },
        { "zero padded two digits", "%02d:%02d", { 4, 5 }, "04:05" },
        { "space padded width", "[%5d]", { 42 }, "[   42]" },
        { "left aligned", "[%-5s]", { "ab" }, "[ab   ]" },
        { "precision on integer", "%.4d", { 12 }, "0012" },
        { "fixed two decimals", "%.2f", { 3.14159 }, "3.14" },
        { "fixed default precision", "%f", { 2.5 }, "2.50" },
        { "fixed one decimal", "%.1f %s", { 12.345, "MB/s" }, "12.3 MB/s" },
        { "hex upper", "%x", { 255 }, "FF" },
        { "hex eight digits", "%.8x", { 0x1a2b }, "00001A2B" },
        { "thousands", "%.0n", { 1234567.0 }, "1,234,567" },
        { "percent sign", "100%% sure", {}, "100% sure" },
        { "star width", "[%*d]", { 4, 7 }, "[   7]" },
        { "string precision cuts", "%.3s", { "abcdef" }, "abc" },
        { "64-bit integer", "%d", { qint64(5000000000LL) }, "5000000000" },
        { "unicode text", "%s", { QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e") }, QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Format(c.fmt, c.args), c.expected);
    }
}

TEST(Format, LocaleDecimalSeparator)
{
    EXPECT_EQ(Format("%.1f", { 1.26 }, QLocale(QLocale::French)), QStringLiteral("1,3"));
    EXPECT_EQ(Format("%.2f", { 1.5 }, QLocale::c()), QStringLiteral("1.50"));
}

TEST(Format, Errors)
{
    const FormatCase cases[] = {
        { "missing argument", "%s and %s", { "one" }, "" },
        { "integer for string", "%s", { 5 }, "" },
        { "string for integer", "%d", { "five" }, "" },
        { "float for integer", "%d", { 1.5 }, "" },
        { "unknown type", "%q", { 1 }, "" },
        { "dangling percent", "50%", {}, "" },
        { "index out of range", "%3:s", { "a" }, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(Format(c.fmt, c.args), EConvertError);
    }
}

TEST(AppExceptions, MessagesAndClassNames)
{
    EXPECT_EQ(EToDo().Message(), QStringLiteral("This function is not yet supported"));
    EXPECT_TRUE(ECancel().Message().isEmpty());
    EXPECT_TRUE(ETaskRetry().Message().isEmpty());
    EXPECT_EQ(EArgumentOutOfRangeException().Message(), QStringLiteral("Argument out of range"));
    ETaskNotReady notReady(QStringLiteral("Template info not ready"));
    const ETaskRetry& asRetry = notReady;
    EXPECT_EQ(asRetry.ClassName(), QStringLiteral("ETaskNotReady"));
    EXPECT_STREQ(notReady.what(), "Template info not ready");
    EUser user(QStringLiteral("Bad input"));
    EXPECT_EQ(user.Ctrl(), nullptr);
    user.ProcessShowEnd(); // no control: moves no focus and raises nothing
}

} // namespace
