#include "UXmlParser.h"

#include "TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TkwvDOMDocument> newDoc(bool manageNamespaces = false)
{
    auto doc = GetDOM()->createDocument();
    doc->set_ManageNamespaces(manageNamespaces);
    return doc;
}

QByteArray save(const std::shared_ptr<TkwvDOMDocument>& doc)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    doc->saveToStream(&buf);
    return buf.data();
}

bool load(const std::shared_ptr<TkwvDOMDocument>& doc, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    return doc->loadFromStream(&buf);
}

TEST(TkwvDomToXmlParser, Layout)
{
    auto doc = newDoc();
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    auto group = doc->createElement("group");
    root->appendChild(group);
    auto leaf = doc->createElement("leaf");
    leaf->setAttribute("v", "both \" and ' & <>");
    group->appendChild(leaf);
    auto mixed = doc->createElement("mixed");
    mixed->appendChild(doc->createTextNode("before"));
    mixed->appendChild(doc->createElement("inner"));
    root->appendChild(mixed);
    auto lines = doc->createElement("lines");
    lines->appendChild(doc->createTextNode("a\nb"));
    root->appendChild(lines);
    EXPECT_EQ(doc->xml(),
              "<?xml version=\"1.0\"?>\r\n"
              "<root>\r\n"
              "  <group>\r\n"
              "    <leaf v=\"both &quot; and &apos; &amp; &lt;&gt;\"/>\r\n"
              "  </group>\r\n"
              "  <mixed>before\r\n"
              "    <inner/>\r\n"
              "  </mixed>\r\n"
              "  <lines>a\nb</lines>\r\n"
              "</root>\r\n");
}

TEST(TkwvDomToXmlParser, StreamAndString)
{
    auto doc = newDoc();
    doc->set_documentElement(doc->createElement("a"));
    const QByteArray bytes = save(doc);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<a/>\r\n"));
    EXPECT_TRUE(doc->xml().startsWith("<?xml"));

    doc->set_ParserEncoding("UTF-16");
    const QByteArray utf16 = save(doc);
    EXPECT_TRUE(utf16.startsWith(QByteArray("\xFF\xFE<\0?\0x\0", 8)));
    auto back = newDoc();
    ASSERT_TRUE(load(back, utf16));
    EXPECT_EQ(back->documentElement()->nodeName(), "a");

    // A stream that is not at its start gets no byte-order mark.
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    buf.write("x");
    doc->set_ParserEncoding("UTF-8");
    doc->saveToStream(&buf);
    EXPECT_TRUE(buf.data().startsWith("x<?xml"));
}

TEST(TkwvDomToXmlParser, OptionsAndTargets)
{
    auto doc = newDoc();
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    root->appendChild(doc->createElement("a"));
    root->appendChild(doc->createElement("b"));

    TkwvDomToXmlParser writer;
    writer.set_IncludeXmlDecl(false);
    writer.set_IncludeOuter(false);
    EXPECT_EQ(writer.writeToString(root), "<a/>\r\n<b/>\r\n");
    EXPECT_EQ(writer.writeToString(doc), "<a/>\r\n<b/>\r\n");

    TkwvDomToXmlParser outer;
    outer.set_IncludeXmlDecl(false);
    EXPECT_EQ(outer.writeToString(root->firstChild()), "<a/>\r\n");

    TkwvDomToXmlParser idle;
    try {
        idle.writeText(u"x");
        ADD_FAILURE() << "no exception";
    } catch (const DOMException& e) {
        EXPECT_EQ(e.Message(), "TkwvDomToXmlParser: not started");
    }
}

TEST(TkwvDomToXmlParser, NeverWritesWhatItCannotRead)
{
    auto doc = newDoc();
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    const QChar bad[] = { QChar('A'), QChar(0x01), QChar(0xD800), QChar('B'), QChar(0xFFFF), QChar(0x1B) };
    const QString dirty(bad, 6);
    auto name = doc->createElement("name");
    name->appendChild(doc->createTextNode(dirty));
    name->setAttribute("attr", dirty);
    root->appendChild(name);
    auto cdata = doc->createElement("cdata");
    cdata->appendChild(doc->createCDATASection("a]]>b" + dirty));
    root->appendChild(cdata);
    // "]]" before a blank or "/" would end the reader's first word of the section.
    const QString brackets = "]]\r]] x]]/y]]\t]]";
    auto cdata2 = doc->createElement("cdata2");
    cdata2->appendChild(doc->createCDATASection(brackets));
    root->appendChild(cdata2);

    const QByteArray bytes = save(doc);
    auto back = newDoc();
    ASSERT_TRUE(load(back, bytes)) << back->reason().toStdString();
    const QString mended = QStringView(u"A\uFFFDB\uFFFD").toString();
    auto readName = std::static_pointer_cast<TkwvDOMElement>(back->documentElement()->firstChild());
    EXPECT_EQ(readName->firstChild()->nodeValue(), mended);
    EXPECT_EQ(readName->getAttribute(u"attr"), mended);
    // "]]>" inside a section is split over two sections; the data is kept.
    const auto joined = [](const TkwvDOMNodeBase::NodePtr& e) {
        QString all;
        for (const auto& n : e->childNodes()->Nodes())
            all += n->nodeValue();
        return all;
    };
    EXPECT_EQ(joined(readName->nextSibling()), "a]]>b" + mended);
    // Read from a stream, the CR comes back as LF.
    EXPECT_EQ(joined(back->documentElement()->lastChild()), "]]\n]] x]]/y]]\t]]");

    // Names that are no XML names are refused instead of written.
    auto badName = newDoc();
    badName->set_documentElement(badName->createElement("a b"));
    EXPECT_THROW(badName->xml(), DOMException);
    auto badAttr = newDoc();
    badAttr->set_documentElement(badAttr->createElement("a"));
    badAttr->documentElement()->setAttribute("1x", "v");
    EXPECT_THROW(badAttr->xml(), DOMException);
}

TEST(TkwvDomToXmlParser, WriteReadWriteIsByteIdentical)
{
    struct Case {
        const char* file;
        bool manageNamespaces;
    };
    const Case cases[] = {
        { "roundtrip_config.xml", false },
        { "roundtrip_soap.xml", true },
        { "roundtrip_order.xml", false },
        { "roundtrip_order.xml", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray original = testsupport::readAll(testsupport::dataPath(c.file));
        ASSERT_FALSE(original.isEmpty());
        auto first = newDoc(c.manageNamespaces);
        ASSERT_TRUE(load(first, original)) << first->reason().toStdString();
        const QByteArray written = save(first);
        EXPECT_EQ(written, original);
        auto second = newDoc(c.manageNamespaces);
        ASSERT_TRUE(load(second, written));
        EXPECT_EQ(save(second), written);
    }
}

TEST(TkwvDomToXmlParser, RenamingHookSeesEachNode)
{
    // The serializer's export renames elements just before they are written.
    class Renamer : public TkwvDomToXmlParser {
    public:
        void beforeWriteNode(TkwvDOMNodeBase* node) override
        {
            if (TkwvDOMElement* e = node->asElement(); e && e->nodeName() == "Type_")
                e->change_nodeName("Type");
        }
    } writer;
    auto doc = newDoc();
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    auto t = doc->createElement("Type_");
    t->appendChild(doc->createTextNode("x"));
    root->appendChild(t);
    writer.set_IncludeXmlDecl(false);
    EXPECT_EQ(writer.writeToString(doc), "<root>\r\n  <Type>x</Type>\r\n</root>\r\n");
}

} // namespace
