#include "UXmlParser.h"

#include "TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TkwvDOMDocument> newDoc(bool manageNamespaces = true)
{
    auto doc = GetDOM()->createDocument();
    doc->set_ManageNamespaces(manageNamespaces);
    return doc;
}

// Reads bytes as a stream into a new document; answers the outcome.
bool loadBytes(const std::shared_ptr<TkwvDOMDocument>& doc, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    return doc->loadFromStream(&buf);
}

QString textOf(const std::shared_ptr<TkwvDOMNodeBase>& element)
{
    auto first = element->firstChild();
    return first ? first->nodeValue() : QString();
}

TEST(TkwvXmlToDomParser, BuildsTheTree)
{
    auto doc = newDoc();
    ASSERT_TRUE(doc->loadxml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<root a=\"1&amp;2\">\n"
                             "  <!-- dropped -->\n"
                             "  <child>x &lt;y&gt; </child>\n"
                             "  <data><![CDATA[&lt; stays]]></data>\n"
                             "  <empty/>\n"
                             "</root>"))
        << doc->reason().toStdString();
    auto decl = doc->get_xmlDeclNode();
    ASSERT_NE(decl, nullptr);
    EXPECT_EQ(doc->Encoding(), "UTF-8");
    auto root = doc->documentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->nodeName(), "root");
    EXPECT_EQ(root->getAttribute(u"a"), "1&2");
    ASSERT_EQ(root->childNodes()->length(), 3); // blank text and the comment are dropped
    EXPECT_EQ(textOf(root->childNodes()->item(0)), "x <y> ");
    auto cdata = root->childNodes()->item(1)->firstChild();
    EXPECT_EQ(cdata->nodeType(), CDATA_SECTION_NODE);
    EXPECT_EQ(cdata->nodeValue(), "&lt; stays");
    EXPECT_FALSE(root->childNodes()->item(2)->hasChildNodes());
    EXPECT_EQ(doc->errorCode(), 0);
}

TEST(TkwvXmlToDomParser, Failures)
{
    struct Case {
        const char* name;
        QString text;
        QString reason;
        int line;
        int linePos;
    };
    const Case cases[] = {
        { "second top-level element", "<a/>\n<b/>", "Invalid XML file", 2, 1 },
        { "processing instruction inside the document element", "<a>\n <?pi x?></a>", "Unexpected Xml declaration node", 2, 2 },
        { "end tag of another element", "<a><b></a></b>", "TkwvXmlToDomParser.stackPop: unexpected section closed", 1, 8 },
        { "end tag names compare with case", "<a></A>", "TkwvXmlToDomParser.stackPop: unexpected section closed", 1, 5 },
        { "unclosed document element", "<a>\n<b></b>", "Some XML sections are not closed !", 2, 7 },
        { "unclosed after text", "<a>text", "Some XML sections are not closed !", 1, 7 },
        { "unfinished tag", "<a><b", "Missing '>' or quoted string not closed !", 1, 5 },
        { "unterminated attribute value", "<a b=\"x/>", "Missing '>' or quoted string not closed !", 1, 9 },
        { "unterminated comment", "<a/><!-- x", "Missing '>' or quoted string not closed !", 1, 10 },
        { "unterminated cdata", "<a><![CDATA[x</a>", "Missing '>' or quoted string not closed !", 1, 17 },
        { "text before the document element", "x<a/>", "TkwvXmlToDomParser.onText: text outside the document element", 1, 0 },
        { "text after the document element", "<a/>\njunk", "TkwvXmlToDomParser.onText: text outside the document element", 2, 0 },
        { "end tag without element", "</a>", "TkwvXmlToDomParser.stackPop: no open element", 1, 2 },
        { "cdata outside", "<![CDATA[x]]><a/>", "TkwvXmlToDomParser.onCData: CDATA section outside the document element", 1, 1 },
        { "bad reference in text", "<a>&bad ref;</a>", "XmlUnescape: string contains an invalid reference &bad ref;.", 1, 3 },
        { "element name that is no XML name", "<a>\n <1b/></a>", "TkwvXmlToDomParser.onTagStart: invalid element name \"1b\"", 2, 2 },
        { "attribute name that is no XML name", "<a\n 1x=\"2\"/>", "TkwvXmlToDomParser.onAttribute: invalid attribute name \"1x\"", 2, 5 },
        { "processing instruction target that is no name", "<?1x?>\n<a/>", "TkwvXmlToDomParser.onTagStart: invalid declaration name \"?1x\"", 1, 1 },
        { "processing instruction holding code", "<?php echo 1; ?>\n<a/>", "TkwvXmlToDomParser.onAttribute: invalid attribute name \"1;\"", 1, 14 },
        { "declaration after the document element", "<a/>\n<?xml version=\"1.0\"?>", "Unexpected Xml declaration node", 2, 1 },
        { "second declaration", "<?xml version=\"1.0\"?>\n<?xml version=\"1.1\"?><a/>", "Unexpected Xml declaration node", 2, 1 },
        { "empty text", "", "", 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = newDoc();
        const bool ok = doc->loadxml(c.text);
        if (c.reason.isEmpty()) {
            EXPECT_TRUE(ok);
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(doc->errorCode(), 1);
        EXPECT_EQ(doc->reason(), c.reason);
        EXPECT_EQ(doc->line(), c.line);
        EXPECT_EQ(doc->linepos(), c.linePos);
    }
}

TEST(TkwvXmlToDomParser, ManyDistinctNamesAndValues)
{
    // Names and short values share a small cache; a slot reused by a value
    // must never change the name being set.
    QString text = "<root>";
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("<e n%1=\"v%1\" m%1=\"w%1\">t%1</e>").arg(i);
    text += "</root>";
    auto doc = newDoc(false);
    ASSERT_TRUE(doc->loadxml(text));
    int i = 0;
    for (const auto& node : doc->documentElement()->childNodes()->Nodes()) {
        auto* e = node->asElement();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->getAttribute(QStringLiteral("n%1").arg(i)), QStringLiteral("v%1").arg(i));
        EXPECT_EQ(e->getAttribute(QStringLiteral("m%1").arg(i)), QStringLiteral("w%1").arg(i));
        EXPECT_EQ(e->firstChild()->nodeValue(), QStringLiteral("t%1").arg(i));
        ++i;
    }
    EXPECT_EQ(i, 400);
}

TEST(TkwvXmlToDomParser, RaisingVariantAndReuse)
{
    auto doc = newDoc();
    TkwvXmlToDomParser reader;
    EXPECT_THROW(reader.writeFromString(doc, "<a><b></a>"), DOMException);
    // The reader is idle again after a failure and may be used again.
    EXPECT_NO_THROW(reader.writeFromString(doc, "<c/>"));
    EXPECT_EQ(doc->documentElement()->nodeName(), "c");
    EXPECT_THROW(reader.parseEnd(doc), DOMException);
    reader.parseStart(doc);
    EXPECT_THROW(reader.parseStart(doc), DOMException);
    reader.parseText(u"<d/>");
    reader.parseEnd(doc);
    EXPECT_EQ(doc->documentElement()->nodeName(), "d");
    // Not a document.
    EXPECT_THROW(reader.writeFromString(doc->createElement("x"), "<a/>"), EIntfCastError);
    EXPECT_THROW(reader.writeFromString(nullptr, "<a/>"), DOMException);
}

TEST(TkwvXmlToDomParser, HostileShapes)
{
    struct Case {
        const char* name;
        QString text;
        const char* reason;
    };
    QString deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<e>";
    QString manyAttrs = "<a";
    for (int i = 0; i < 5000; ++i)
        manyAttrs += QStringLiteral(" a%1=\"v\"").arg(i);
    manyAttrs += "/>";
    QString sameAttr = "<a";
    for (int i = 0; i < 20000; ++i)
        sameAttr += " x=\"1\"";
    sameAttr += "/>";
    QString deepOk;
    for (int i = 0; i < 255; ++i)
        deepOk += "<e>";
    for (int i = 0; i < 255; ++i)
        deepOk += "</e>";
    const Case cases[] = {
        { "deep nesting", deep, "TkwvXmlToDomParser.onTagStart: elements nested deeper than 256 levels" },
        { "huge attribute count", manyAttrs, "TkwvXmlToDomParser.onAttribute: more than 4096 attributes on one element" },
        { "one attribute repeated", sameAttr, "" },
        { "deepest allowed nesting", deepOk, "" },
        { "unterminated everything", "<a b=\"" + QString(100000, u'x'), "Missing '>' or quoted string not closed !" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = newDoc();
        const bool ok = doc->loadxml(c.text);
        EXPECT_EQ(ok, *c.reason == 0);
        EXPECT_EQ(doc->reason(), QString::fromLatin1(c.reason));
    }
}

TEST(TkwvXmlToDomParser, LineEnds)
{
    const QByteArray text = "<a>x\r\ny\rz\n</a>";
    auto fromStream = newDoc();
    ASSERT_TRUE(loadBytes(fromStream, text));
    EXPECT_EQ(textOf(fromStream->documentElement()), "x\ny\nz\n");
    auto fromString = newDoc();
    ASSERT_TRUE(fromString->loadxml(QString::fromLatin1(text)));
    EXPECT_EQ(textOf(fromString->documentElement()), "x\r\ny\rz\n");
    // A CR LF split across the reader's buffer still becomes one LF.
    QByteArray big = "<a>" + QByteArray(65535 - 3, 'x') + "\r\ny</a>";
    auto split = newDoc();
    ASSERT_TRUE(loadBytes(split, big));
    EXPECT_TRUE(textOf(split->documentElement()).endsWith("x\ny"));
}

TEST(TkwvXmlToDomParser, Encodings)
{
    struct Case {
        const char* file;
        const char* parserEncoding;
        QString text;
    };
    const QString ete = QString::fromUtf8("\xc3\xa9t\xc3\xa9");
    const QString withEmoji = ete + QString::fromUtf8(" \xf0\x9f\x98\x80");
    const Case cases[] = {
        { "utf8_bom_declares_latin1.xml", "UTF-8", ete },
        { "utf8_bom_declares_latin1.xml", "ISO-8859-1", ete }, // the byte order mark wins
        { "latin1_no_bom.xml", "ISO-8859-1", ete },
        { "utf16le_bom.xml", "UTF-8", withEmoji },
        { "utf16be_bom.xml", "UTF-8", withEmoji },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " as " + c.parserEncoding);
        auto doc = newDoc();
        doc->set_ParserEncoding(QString::fromLatin1(c.parserEncoding));
        ASSERT_TRUE(loadBytes(doc, testsupport::readAll(testsupport::dataPath(c.file)))) << doc->reason().toStdString();
        EXPECT_EQ(textOf(doc->documentElement()), c.text);
    }
}

TEST(TkwvXmlToDomParser, InvalidBytes)
{
    struct Case {
        const char* file;
        const char* reason;
        int line;
        int linePos;
    };
    const Case cases[] = {
        { "invalid_utf8_line2.xml", "TkwvStreamReader: invalid UTF-8 data", 2, 7 },
        { "truncated_utf8.xml", "TkwvStreamReader: UTF-8 data cut inside a character", 1, 5 },
        { "utf16le_lone_surrogate.xml", "TkwvStreamReader: invalid UTF-16 data (lone high surrogate)", 1, 4 },
        { "utf16le_odd_length.xml", "TkwvStreamReader: UTF-16 data cut inside a character", 1, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto doc = newDoc();
        EXPECT_FALSE(loadBytes(doc, testsupport::readAll(testsupport::dataPath(c.file))));
        EXPECT_EQ(doc->reason(), c.reason);
        EXPECT_EQ(doc->ParseError().errorCodeStr, "EEncodingError");
        EXPECT_EQ(doc->line(), c.line);
        EXPECT_EQ(doc->linepos(), c.linePos);
    }
    // An unknown encoding fails before anything is read: the document keeps
    // what it held.
    auto doc = newDoc();
    ASSERT_TRUE(doc->loadxml("<keep/>"));
    doc->set_ParserEncoding("no-such-encoding");
    EXPECT_FALSE(loadBytes(doc, "<a/>"));
    EXPECT_EQ(doc->ParseError().errorCodeStr, "EEncodingError");
    EXPECT_EQ(doc->documentElement()->nodeName(), "keep");
}

TEST(TkwvXmlToDomParser, Namespaces)
{
    auto doc = newDoc(true);
    ASSERT_TRUE(doc->loadxml("<s:Env xmlns:s=\"urn:s\"><s:Body><p:x xmlns:p=\"urn:p\" p:at=\"1\" q:at=\"2\"/>"
                             "<u:y/></s:Body></s:Env>"));
    auto env = doc->documentElement();
    EXPECT_EQ(env->namespaceURI(), "urn:s");
    // The text's own declarations are kept and nothing is added.
    EXPECT_EQ(env->attributes()->length(), 1);
    auto body = env->firstChild();
    EXPECT_EQ(body->namespaceURI(), "urn:s");
    auto x = std::static_pointer_cast<TkwvDOMElement>(body->firstChild());
    EXPECT_EQ(x->namespaceURI(), "urn:p");
    EXPECT_EQ(x->getAttributeNS(u"urn:p", u"at"), "1");
    EXPECT_EQ(x->getAttribute(u"q:at"), "2"); // undeclared prefix: no namespace
    EXPECT_EQ(body->lastChild()->namespaceURI(), ""); // undeclared prefix
    EXPECT_EQ(x->lookupNamespaceURI("s"), "urn:s");

    auto plain = newDoc(false);
    ASSERT_TRUE(plain->loadxml("<s:Env xmlns:s=\"urn:s\"/>"));
    EXPECT_EQ(plain->documentElement()->namespaceURI(), "");
}

TEST(TkwvXmlToDomParser, DerivedReaderFollowsTheStack)
{
    class Follower : public TkwvXmlToDomParser {
    public:
        QStringList log;

    protected:
        void onStackPush(TStackLevel& level) override
        {
            level.fType = int(stackCount());
            log << "push " + level.fNode->nodeName();
        }
        void onStackPop(TStackLevel& level) override
        {
            log << QStringLiteral("pop %1 %2").arg(level.fNode->nodeName()).arg(level.fType);
            // A streaming loader drops what it has consumed.
            if (auto parent = level.fNode->parentNode(); parent && parent->asElement())
                parent->removeChild(level.fNode);
        }
        void onXmlHeaderEnd(TkwvDOMxmlDclType* node) override { log << "header " + node->getAttribute(u"version"); }
    } reader;
    auto doc = newDoc(false);
    reader.writeFromString(doc, "<?xml version=\"1.0\"?><a><b/><c>t</c></a>");
    EXPECT_EQ(reader.log.join(u','), "push ?xml,pop ?xml 0,header 1.0,push a,push b,pop b 1,push c,pop c 1,pop a 0");
    EXPECT_FALSE(doc->documentElement()->hasChildNodes());
}

} // namespace
