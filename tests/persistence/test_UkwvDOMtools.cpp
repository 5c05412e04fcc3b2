#include "UkwvDOMtools.h"

#include <gtest/gtest.h>

namespace {

QString u16(std::initializer_list<char16_t> units)
{
    QString s;
    for (char16_t u : units)
        s.append(QChar(u));
    return s;
}

TEST(TkwvDOMtools, XmlEscape)
{
    struct Case {
        const char* name;
        QString input;
        QString expected;
    };
    const Case cases[] = {
        { "five specials in order", "<>&'\"", "&lt;&gt;&amp;&apos;&quot;" },
        { "plain text unchanged", "abc def", "abc def" },
        { "line end and tab pass", "a\r\n\tb", "a\r\n\tb" },
        { "control character not tested", u16({ 'a', 0x01, 'b' }), u16({ 'a', 0x01, 'b' }) },
        { "already escaped is escaped again", "&amp;", "&amp;amp;" },
        { "empty", "", "" },
        { "non-ASCII kept", QString::fromUtf8("\xc3\xa9<"), QString::fromUtf8("\xc3\xa9&lt;") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TkwvDOMtools::XmlEscape(c.input), c.expected);
    }
}

TEST(TkwvDOMtools, XmlUnescape)
{
    struct Case {
        const char* name;
        QString input;
        QString expected;
    };
    const Case cases[] = {
        { "result not scanned again", "&amp;lt;", "&lt;" },
        { "unknown named entity kept", "a&nbsp;b", "a&nbsp;b" },
        { "decimal and hex references", "&#65;&#x42;", "AB" },
        { "supplementary character gives a pair", "&#x1F600;", u16({ 0xD83D, 0xDE00 }) },
        { "predefined entities", "&lt;&gt;&amp;&apos;&quot;", "<>&'\"" },
        { "leading zeros", "&#0065;", "A" },
        { "upper-case hex digits", "&#x4A;", "J" },
        { "no reference", "plain", "plain" },
        { "tab line feed carriage return", "a\t\n\rb", "a\t\n\rb" },
        { "highest code point", "&#x10FFFF;", u16({ 0xDBFF, 0xDFFF }) },
        { "last BMP character", "&#xFFFD;", u16({ 0xFFFD }) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TkwvDOMtools::XmlUnescape(c.input), c.expected);
    }
}

TEST(TkwvDOMtools, XmlUnescapeFailures)
{
    struct Case {
        const char* name;
        QString input;
        QString message;
    };
    const Case cases[] = {
        { "NUL reference", "&#0;", "&#0; is not a valid XmlCharRef value." },
        { "surrogate reference", "&#xD800;", "&#xD800; is not a valid XmlCharRef value." },
        { "beyond Unicode", "&#x110000;", "&#x110000; is not a valid XmlCharRef value." },
        { "U+FFFE", "&#xFFFE;", "&#xFFFE; is not a valid XmlCharRef value." },
        { "control character reference", "&#1;", "&#1; is not a valid XmlCharRef value." },
        { "upper-case X", "&#X41;", "XmlUnescape: string contains an invalid reference &#X41;." },
        { "ampersand without semicolon", "a & b", "XmlUnescape: string contains an '&' without a ';'." },
        { "blank inside reference", "a &b c;", "XmlUnescape: string contains an invalid reference &b c;." },
        { "empty reference", "&;", "XmlUnescape: string contains an invalid reference &;." },
        { "hex without digits", "&#x;", "XmlUnescape: string contains an invalid reference &#x;." },
        { "control character", u16({ 'a', 0x01 }), "XmlUnescape: string contains an invalid character." },
        { "U+FFFF", u16({ 0xFFFF }), "XmlUnescape: string contains an invalid character." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            TkwvDOMtools::XmlUnescape(c.input);
            ADD_FAILURE() << "no exception";
        } catch (const DOMException& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    // A decimal number beyond 32 bits is the conversion error.
    EXPECT_THROW(TkwvDOMtools::XmlUnescape(QStringLiteral("&#99999999999;")), EConvertError);
    EXPECT_THROW(TkwvDOMtools::XmlCharRefToInt(QStringLiteral("&#x1FFFFFFFF;")), EConvertError);
    // Eight hex digits still convert (to a negative number), then fail as no code point.
    EXPECT_THROW(TkwvDOMtools::XmlCharRefToInt(QStringLiteral("&#xFFFFFFFF;")), DOMException);
}

TEST(TkwvDOMtools, CharRefs)
{
    struct Case {
        const char* name;
        const char* input;
        bool isRef;
    };
    const Case cases[] = {
        { "hex without digits", "&#x;", false },
        { "decimal without digits", "&#;", false },
        { "hex", "&#x1a;", true },
        { "decimal with leading zeros", "&#0065;", true },
        { "upper-case X", "&#X41;", false },
        { "letters in decimal", "&#6a;", false },
        { "missing semicolon", "&#65", false },
        { "named entity", "&amp;", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TkwvDOMtools::IsXmlCharRef(QString::fromLatin1(c.input)), c.isRef);
    }
    EXPECT_EQ(TkwvDOMtools::XmlCharRefToInt(u"&#x1F600;"), 0x1F600);
    EXPECT_EQ(TkwvDOMtools::XmlCharRefToInt(u"&#9;"), 9);
    EXPECT_EQ(TkwvDOMtools::XmlCharRefToStr(u"&#x10000;"), u16({ 0xD800, 0xDC00 }));
    EXPECT_EQ(TkwvDOMtools::ExtractUtf16HighSurrogate(0x10FFFF), 0xDBFF);
    EXPECT_EQ(TkwvDOMtools::ExtractUtf16LowSurrogate(0x10FFFF), 0xDFFF);
}

TEST(TkwvDOMtools, Names)
{
    struct Case {
        const char* name;
        QString input;
        bool isName;
    };
    const Case cases[] = {
        { "letter digit", "a1", true },
        { "leading colon", ":a", true },
        { "dash and dot", "a-b.c", true },
        { "underscore", "_x", true },
        { "leading digit", "1a", false },
        { "leading dash", "-a", false },
        { "leading dot", ".a", false },
        { "empty", "", false },
        { "blank inside", "a b", false },
        { "starts with surrogate pair", u16({ 0xD840, 0xDC00, 'a' }), true },
        { "lone high surrogate", u16({ 'a', 0xD840 }), false },
        { "lone low surrogate", u16({ 'a', 0xDC00, 'b' }), false },
        { "high surrogate then letter", u16({ 0xD840, 'a' }), false },
        { "accented letters", QString::fromUtf8("\xc3\xa9t\xc3\xa9"), true },
        { "middle dot not first", u16({ 0xB7, 'a' }), false },
        { "middle dot later", u16({ 'a', 0xB7 }), true },
        { "multiplication sign", u16({ 0xD7 }), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TkwvDOMtools::IsXmlName(c.input), c.isName);
    }
}

TEST(TkwvDOMtools, EntityHelpers)
{
    EXPECT_EQ(TkwvDOMtools::XmlPredefinedEntityToStr(u"nbsp"), "nbsp");
    EXPECT_EQ(TkwvDOMtools::XmlPredefinedEntityToStr(u"quot"), "\"");
    EXPECT_TRUE(TkwvDOMtools::IsXmlPredefinedEntityName(u"apos"));
    EXPECT_FALSE(TkwvDOMtools::IsXmlPredefinedEntityName(u"AMP"));
    EXPECT_TRUE(TkwvDOMtools::IsXmlEntityRef(u"&nbsp;"));
    EXPECT_FALSE(TkwvDOMtools::IsXmlEntityRef(u"&#65;"));
    EXPECT_TRUE(TkwvDOMtools::IsXmlChar(QChar(0xD800)));
    EXPECT_FALSE(TkwvDOMtools::IsXmlChar(QChar(0xFFFE)));
    EXPECT_FALSE(TkwvDOMtools::IsXmlChar(QChar(0x1F)));
}

TEST(TkwvDOMtools, WriterMendsCharactersXmlDoesNotAllow)
{
    struct Case {
        const char* name;
        QString input;
        QString expected;
    };
    const Case cases[] = {
        { "control characters dropped", u16({ 'a', 0x01, 0x1F, 'b' }), "ab" },
        { "tab cr lf kept", "a\t\r\nb", "a\t\r\nb" },
        { "lone high surrogate replaced", u16({ 'a', 0xD800, 'b' }), u16({ 'a', 0xFFFD, 'b' }) },
        { "lone low surrogate replaced", u16({ 0xDC00 }), u16({ 0xFFFD }) },
        { "high surrogate at the end replaced", u16({ 'a', 0xD800 }), u16({ 'a', 0xFFFD }) },
        { "pair kept", u16({ 0xD83D, 0xDE00 }), u16({ 0xD83D, 0xDE00 }) },
        { "non-characters replaced", u16({ 0xFFFE, 0xFFFF }), u16({ 0xFFFD, 0xFFFD }) },
        { "specials escaped", "<&>", "&lt;&amp;&gt;" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString out;
        TkwvDOMtools::XmlEscapeValidTo(c.input, out);
        EXPECT_EQ(out, c.expected);
        // What the writer produces is always accepted by the unescaping.
        EXPECT_NO_THROW(TkwvDOMtools::XmlUnescape(out));
    }
}

} // namespace
