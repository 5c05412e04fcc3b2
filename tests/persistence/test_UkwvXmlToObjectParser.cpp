#include "UkwvXmlToObjectParser.h"

#include <gtest/gtest.h>

namespace {

// Records the tokenizer's reports as one line of text.
class Recorder : public TkwvXmlToObjectParser {
public:
    QStringList events;

protected:
    void onParseError(const std::exception&) override { }
    void onText(QStringView text, const TkwvParseLocation&) override { events << "text(" + text.toString() + ")"; }
    void onCData(QStringView text, const TkwvParseLocation&) override { events << "cdata(" + text.toString() + ")"; }
    void onComment(QStringView text, const TkwvParseLocation&) override { events << "comment(" + text.toString() + ")"; }
    void onTagStart(QStringView name, const TkwvParseLocation&) override { events << "start(" + name.toString() + ")"; }
    void onTagStop(QStringView name, const TkwvParseLocation&) override { events << "stop(" + name.toString() + ")"; }
    void onTagEnd(bool closed) override { events << (closed ? "end/" : "end"); }
    void onAttribute(QStringView name, const TkwvParseLocation&, bool valueSpecified, QStringView value,
                     const TkwvParseLocation&) override
    {
        events << (valueSpecified ? "attr(" + name.toString() + "=" + value.toString() + ")"
                                  : "attr(" + name.toString() + ")");
    }
};

QString run(const QStringList& chunks)
{
    Recorder r;
    for (const QString& c : chunks)
        r.parseText(c);
    r.parseCheckEnd();
    return r.events.join(u' ');
}

TEST(TkwvXmlToObjectParser, Reports)
{
    struct Case {
        const char* name;
        QStringList chunks;
        const char* expected;
    };
    const Case cases[] = {
        { "element with attributes", { "<a x=\"1\" y=\"2\">t</a>" }, "start(a) attr(x=1) attr(y=2) end text(t) stop(a)" },
        { "empty element", { "<a/>" }, "start(a) end/" },
        { "empty element with blank", { "<a />" }, "start(a) end/" },
        { "declaration", { "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" },
          "start(?xml) attr(version=1.0) attr(encoding=UTF-8) end" },
        { "single quotes are characters", { "<a name='x'/>" }, "start(a) attr(name='x') end/" },
        { "attribute without value", { "<a b c=\"1\">" }, "start(a) attr(b) attr(c=1) end" },
        { "empty quoted value reports no value", { "<a b=\"\">" }, "start(a) attr(b) end" },
        { "unquoted value runs over blanks", { "<a b=x y>" }, "start(a) attr(b=x y) end" },
        { "unquoted value begun on an earlier line ends at a blank", { "<a b=x\ny z>" },
          "start(a) attr(b=x\ny) attr(z) end" },
        { "tab separates attributes", { "<a\tb=\"1\"\tc=\"2\">" }, "start(a) attr(b=1) attr(c=2) end" },
        { "quoted value keeps markup characters", { "<a b=\"<x/> = y\">" }, "start(a) attr(b=<x/> = y) end" },
        { "empty comment reports nothing", { "<!---->" }, "" },
        { "comment", { "<!--x-->" }, "comment(x)" },
        { "comment with blanks and markup", { "<!-- a > b -->" }, "comment( a > b )" },
        { "comment over lines", { "<!--a\n", "b-->" }, "comment(a\nb)" },
        { "cdata", { "<![CDATA[a<b]]>" }, "cdata(a<b) end" },
        { "empty cdata", { "<![CDATA[]]>" }, "cdata() end" },
        { "cdata with blanks", { "<![CDATA[ x y ]]>" }, "cdata( x y )" },
        { "cdata keeps ]] without >", { "<![CDATA[a]]b]]>" }, "cdata(a]]b) end" },
        { "cdata over chunks", { "<![CDATA[a\n", "b]", "]>" }, "cdata(a\nb)" },
        { "doctype is a tag", { "<!DOCTYPE x>" }, "start(!DOCTYPE) attr(x) end" },
        { "empty end tag reports nothing", { "</>" }, "" },
        { "text keeps blanks", { "<a> x </a>" }, "start(a) end text( x ) stop(a)" },
        { "words over chunks", { "<ro", "ot at", "tr=\"v", "al\">te", "xt</ro", "ot>" },
          "start(root) attr(attr=val) end text(text) stop(root)" },
        { "question mark right after a name is part of it", { "<?pi?>" }, "start(?pi?) end" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.chunks), QString::fromUtf8(c.expected));
    }
}

TEST(TkwvXmlToObjectParser, ErrorsWithPositions)
{
    struct Case {
        const char* name;
        QString text;
        QString message;
        int line;
        int linePos;
        int filePos;
    };
    const Case cases[] = {
        { "control character in text", QStringLiteral("<a>\x07"), "XML contains an invalid character. (MS.Noop)", 1, 4, 4 },
        { "blank inside end tag", "<a>\n</a >", "XML contains an invalid character. (MS.InSectionStop)", 2, 4, 8 },
        { "slash inside end tag", "</a/>", "XML contains an invalid character. (MS.InSectionStop)", 1, 4, 4 },
        { "quote after tag name", "<a \"x\">", "XML contains an invalid character. (MS.InSectionStartTagWaiting)", 1, 4, 4 },
        { "equals after blank", "<a b = \"1\">", "XML contains an invalid character. (MS.InSectionStartTagWaiting)", 1, 6, 6 },
        { "equals right after <", "<=>", "XML contains an invalid character. (MS.InSection)", 1, 2, 2 },
        { "text after /", "<a/ b>", "XML contains an invalid character. (MS.InSectionStartClose)", 1, 5, 5 },
        { "quote in attribute name", "<a b\"=1>", "XML contains an invalid character. (MS.InTagName)", 1, 5, 5 },
        { "control in quoted value", QStringLiteral("<a b=\"\x01\">"), "XML contains an invalid character. (MS.InTagName)", 1, 7, 7 },
        { "control in tag name", QStringLiteral("<a\x02>"), "XML contains an invalid character. (MS.InSectionStart)", 1, 3, 3 },
        { "U+FFFF in comment", QStringView(u"<!-- \uFFFF-->").toString(), "XML contains an invalid character. (MS.InDataStopSearch/InCommentStopSearch)", 1, 6, 6 },
        { "attribute after cdata", "<![CDATA[x]] y>", "TkwvXmlToObjectParser.parseWordEnd: tag not allowed here", 1, 13, 14 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        try {
            r.parseText(c.text);
            ADD_FAILURE() << "no exception";
        } catch (const std::exception& e) {
            TkwvParseErrorInfo info;
            r.fillErrorInfo(info, e);
            EXPECT_EQ(info.errorCode, 1);
            EXPECT_EQ(info.errorCodeStr, "DOMException");
            EXPECT_EQ(info.reason, c.message);
            EXPECT_EQ(info.line, c.line);
            EXPECT_EQ(info.linePos, c.linePos);
            EXPECT_EQ(info.filePos, c.filePos);
        }
        EXPECT_TRUE(r.InParseError());
        try {
            r.parseText(u"<b/>");
            ADD_FAILURE() << "parsing went on after an error";
        } catch (const DOMException& e) {
            EXPECT_EQ(e.Message(), "TkwvXmlToObjectParser.parseText: parser in error, can't continue to parse text");
        }
        r.parseReset();
        EXPECT_NO_THROW(r.parseText(u"<b/>"));
    }
}

TEST(TkwvXmlToObjectParser, UnfinishedMarkup)
{
    for (const char* text : { "<a", "<a b=\"x", "<!-- x", "<![CDATA[ x", "<a b" }) {
        SCOPED_TRACE(text);
        Recorder r;
        r.parseText(QString::fromLatin1(text));
        try {
            r.parseCheckEnd();
            ADD_FAILURE() << "no exception";
        } catch (const DOMException& e) {
            EXPECT_EQ(e.Message(), "Missing '>' or quoted string not closed !");
        }
    }
    Recorder r;
    r.parseText(u"<a/>tail");
    EXPECT_NO_THROW(r.parseCheckEnd());
    r.parseFlushText();
    EXPECT_EQ(r.events.last(), "text(tail)");
}

TEST(TkwvXmlToObjectParser, LinesAndColumns)
{
    Recorder r;
    r.parseLine(u"<a>");
    r.parseLine(u"  <b/>");
    EXPECT_EQ(r.SourcePos().lineNo, 3);
    EXPECT_EQ(r.SourcePos().colNo, 0);
    EXPECT_EQ(r.SourcePos().filePos, 11);
}

} // namespace
