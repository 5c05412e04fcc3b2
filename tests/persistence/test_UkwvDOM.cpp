#include "UXmlParser.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TkwvDOMDocument> newDoc(bool manageNamespaces = false)
{
    auto doc = GetDOM(QStringLiteral("XML KWV-ORVEL"))->createDocument();
    doc->set_ManageNamespaces(manageNamespaces);
    return doc;
}

template<typename F>
QString messageOf(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

TEST(TkwvDOM, VendorAndImplementation)
{
    auto impl = GetDOM();
    EXPECT_EQ(impl, GetDOM(QStringLiteral("XML KWV-ORVEL")));
    EXPECT_EQ(GetDOMVendor(QStringLiteral("xml kwv-orvel"))->Description(), "XML KWV-ORVEL");
    auto a = impl->createDocument();
    auto b = impl->createDocument();
    EXPECT_NE(a, b);
    EXPECT_FALSE(a->hasChildNodes());
    EXPECT_EQ(a->domImplementation(), impl);
    EXPECT_EQ(messageOf([&] { impl->createDocumentType("a", "b", "c"); }),
              "Property or Method \"createDocumentType\" is not supported by DOM Vendor \"XML KWV-ORVEL\"");
    EXPECT_EQ(messageOf([] { GetDOMVendor(QStringLiteral("Other")); }), "No matching DOM Vendor: \"Other\"");
    EXPECT_FALSE(impl->hasFeature("Core", "2.0"));
}

TEST(TkwvDOM, NodeKinds)
{
    auto doc = newDoc();
    struct Case {
        const char* name;
        std::shared_ptr<TkwvDOMNodeBase> node;
        QString nodeName;
        DOMNodeType type;
    };
    const Case cases[] = {
        { "element", doc->createElement("p:el"), "p:el", 1 },
        { "attribute", doc->createAttribute("at"), "at", 2 },
        { "text", doc->createTextNode("x"), "#Text", 3 },
        { "cdata", doc->createCDATASection("x"), "#CDATA", 4 },
        { "entity reference", doc->createEntityReference("ent"), "ent", 5 },
        { "processing instruction", doc->createProcessingInstruction("tgt", "d"), "tgt", 7 },
        { "comment", doc->createComment("x"), "#Comment", 8 },
        { "fragment", doc->createDocumentFragment(), "#Fragment", 11 },
        { "document", doc, "", 9 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.node->nodeName(), c.nodeName);
        EXPECT_EQ(c.node->nodeType(), c.type);
        EXPECT_EQ(c.node->ownerDocument(), doc);
        EXPECT_EQ(c.node->parentNode(), nullptr);
    }
    EXPECT_EQ(messageOf([&] { doc->createElement("a")->nodeValue(); }),
              "Property or Method \"get_nodeValue\" is not supported by DOM Vendor \"XML KWV-ORVEL\"");
    EXPECT_EQ(doc->get_xmlDeclNodeForced()->nodeType(), 0);
    EXPECT_EQ(doc->get_xmlDeclNodeForced()->nodeName(), "?xml");
}

TEST(TkwvDOM, PrefixAndLocalName)
{
    auto doc = newDoc();
    struct Case {
        const char* name;
        const char* prefix;
        const char* localName;
    };
    const Case cases[] = {
        { "a:b", "a", "b" },
        { ":b", "", ":b" },
        { "a:b:c", "a", "b:c" },
        { "b", "", "b" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = doc->createElement(c.name);
        EXPECT_EQ(e->prefix(), c.prefix);
        EXPECT_EQ(e->localName(), c.localName);
    }
}

TEST(TkwvDOM, ChildrenAndSiblings)
{
    auto doc = newDoc();
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    EXPECT_NE(root->childNodes(), nullptr);
    EXPECT_EQ(root->childNodes()->length(), 0);
    auto a = doc->createElement("a");
    auto b = doc->createTextNode("b");
    auto c = doc->createElement("c");
    EXPECT_EQ(root->appendChild(a), a);
    root->appendChild(b);
    root->appendChild(c);
    EXPECT_EQ(root->firstChild(), a);
    EXPECT_EQ(root->lastChild(), c);
    EXPECT_EQ(a->nextSibling(), b);
    EXPECT_EQ(c->previousSibling(), b);
    EXPECT_EQ(c->nextSibling(), nullptr);
    EXPECT_EQ(a->previousSibling(), nullptr);
    EXPECT_EQ(a->parentNode(), root);
    EXPECT_EQ(root->parentNode(), doc);
    EXPECT_THROW(root->childNodes()->item(3), EArgumentOutOfRangeException);
    EXPECT_EQ(root->childNodes()->item(1), b);

    // Removing a node that is not a child is no error.
    EXPECT_EQ(root->removeChild(doc->createElement("x")), nullptr);
    EXPECT_EQ(root->removeChild(b), b);
    EXPECT_EQ(b->parentNode(), nullptr);
    EXPECT_EQ(a->nextSibling(), c);
    // The removed node may be attached again.
    c->appendChild(b);
    EXPECT_EQ(b->parentNode(), c);
}

TEST(TkwvDOM, AttachingFailuresLeaveContainersUnchanged)
{
    auto doc = newDoc();
    auto other = newDoc();
    auto p1 = doc->createElement("p1");
    auto p2 = doc->createElement("p2");
    auto child = doc->createElement("c");
    p1->appendChild(child);
    EXPECT_EQ(messageOf([&] { p2->appendChild(child); }), "TkwvDOMNodeBase.DocAttach: parentNode already set");
    EXPECT_EQ(p1->childNodes()->length(), 1);
    EXPECT_EQ(p2->childNodes()->length(), 0);
    EXPECT_EQ(messageOf([&] { p2->appendChild(other->createElement("x")); }), "TkwvDOMNodeBase.DocAttach: owner different");
    EXPECT_EQ(p2->childNodes()->length(), 0);

    // No cycles: a node cannot go below itself.
    EXPECT_THROW(child->appendChild(p1), DOMException);
    EXPECT_THROW(p1->appendChild(p1), DOMException);
    EXPECT_EQ(child->childNodes()->length(), 0);
    // Attributes and documents are no children.
    EXPECT_THROW(p2->appendChild(doc->createAttribute("a")), DOMException);
    EXPECT_THROW(p2->appendChild(other), DOMException);
}

TEST(TkwvDOM, RefusedOperations)
{
    auto doc = newDoc();
    auto e = doc->createElement("e");
    auto t = doc->createTextNode("abcd");
    struct Case {
        const char* name;
        std::function<void()> call;
    };
    const Case cases[] = {
        { "insertBefore", [&] { e->insertBefore(t, nullptr); } },
        { "replaceChild", [&] { e->replaceChild(t, t); } },
        { "cloneNode", [&] { e->cloneNode(true); } },
        { "get_text", [&] { e->text(); } },
        { "set_text", [&] { e->set_text("x"); } },
        { "TransformNode", [&] { e->transformNode(t); } },
        { "selectNode", [&] { e->selectNode("x"); } },
        { "selectNodes", [&] { e->selectNodes("x"); } },
        { "getElementsByTagName", [&] { e->getElementsByTagName("x"); } },
        { "removeAttributeNS", [&] { e->removeAttributeNS("u", "x"); } },
        { "splitText", [&] { t->splitText(1); } },
        { "insertData", [&] { t->insertData(1, "x"); } },
        { "appendChild", [&] { t->appendChild(e); } },
        { "get_doctype", [&] { doc->doctype(); } },
        { "importNode", [&] { doc->importNode(e, true); } },
        { "getElementById", [&] { doc->getElementById("x"); } },
        { "set_async(True)", [&] { doc->set_async(true); } },
        { "set_validate(True)", [&] { doc->set_validate(true); } },
        { "load(object)", [&] { doc->load("x"); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(messageOf(c.call),
                  QStringLiteral("Property or Method \"%1\" is not supported by DOM Vendor \"XML KWV-ORVEL\"").arg(c.name));
    }
    EXPECT_NO_THROW(doc->set_async(false));
    EXPECT_EQ(t->substringData(2, 100), "cd");
    EXPECT_FALSE(e->supports("Core", "2.0"));
}

TEST(TkwvDOM, AttributeLookup)
{
    auto doc = newDoc();
    auto e = doc->createElement("e");
    e->setAttribute("id", "1");
    EXPECT_EQ(e->attributes()->getNamedItem(u"ID")->nodeName(), "id");
    e->setAttribute("ID", "2");
    EXPECT_EQ(e->attributes()->length(), 1);
    EXPECT_EQ(e->getAttribute(u"id"), "2");
    EXPECT_EQ(e->xml(), "");
    EXPECT_EQ(doc->createElement("w")->getAttribute(u"none"), "");

    // Attributes with a namespace are found only through the NS operations.
    auto nsAttr = doc->createAttributeNS("urn:a", "p:b");
    nsAttr->set_value("v");
    e->setAttributeNode(nsAttr);
    EXPECT_EQ(e->attributes()->getNamedItem(u"p:b"), nullptr);
    EXPECT_EQ(e->attributes()->getNamedItemNS(u"urn:a", u"b"), nsAttr);
    EXPECT_EQ(e->getAttributeNS(u"urn:a", u"p:b"), "v");
    EXPECT_TRUE(e->hasAttributeNS(u"urn:a", u"b"));
    EXPECT_EQ(nsAttr->ownerElement(), e);
    EXPECT_THROW(nsAttr->nextSibling(), DOMException);

    // setAttributeNode answers null, also when it replaced; twice is no change.
    auto a1 = doc->createAttribute("k");
    a1->set_value("1");
    EXPECT_EQ(e->setAttributeNode(a1), nullptr);
    auto a2 = doc->createAttribute("K");
    a2->set_value("2");
    EXPECT_EQ(e->setAttributeNode(a2), nullptr);
    EXPECT_EQ(e->getAttribute(u"k"), "2");
    EXPECT_EQ(a1->parentNode(), nullptr);
    const qint32 before = e->attributes()->length();
    EXPECT_EQ(e->setAttributeNode(a2), nullptr);
    EXPECT_EQ(e->attributes()->length(), before);
    EXPECT_EQ(e->removeAttributeNode(a2), a2);
    EXPECT_EQ(e->removeAttributeNode(a2), nullptr);
    EXPECT_EQ(messageOf([&] { a2->ownerElement(); }),
              "TkwvDOMAttr.get_ownerElement: parent has an invalid type or is not set");
    EXPECT_THROW(e->attributes()->item(e->attributes()->length()), EArgumentOutOfRangeException);
}

TEST(TkwvDOM, FailedReplaceKeepsTheOldNode)
{
    auto doc = newDoc();
    auto e1 = doc->createElement("e1");
    auto e2 = doc->createElement("e2");
    e1->setAttribute("a", "old");
    // An attribute that belongs to another element cannot replace "a".
    auto taken = doc->createAttribute("A");
    e2->setAttributeNode(taken);
    EXPECT_THROW(e1->setAttributeNode(taken), DOMException);
    EXPECT_EQ(e1->getAttribute(u"a"), "old");

    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    auto busy = doc->createElement("busy");
    e1->appendChild(busy);
    EXPECT_EQ(messageOf([&] { doc->set_documentElement(busy); }), "TkwvDOMNodeBase.DocAttach: parentNode already set");
    EXPECT_EQ(doc->documentElement(), root);
    auto other = newDoc();
    EXPECT_THROW(doc->set_documentElement(other->createElement("x")), DOMException);
    EXPECT_EQ(doc->documentElement(), root);
    // The same element again is no change.
    EXPECT_NO_THROW(doc->set_documentElement(root));
    EXPECT_EQ(root->parentNode(), doc);
}

TEST(TkwvDOM, DocumentChildren)
{
    auto doc = newDoc();
    EXPECT_FALSE(doc->hasChildNodes());
    EXPECT_EQ(doc->Encoding(), "");
    auto decl = doc->get_xmlDeclNode();
    ASSERT_NE(decl, nullptr);
    EXPECT_EQ(decl->attributes()->length(), 1);
    EXPECT_EQ(decl->getAttribute(u"version"), "1.0");
    EXPECT_EQ(doc->firstChild(), decl);

    auto list = doc->childNodes();
    auto root = doc->createElement("root");
    doc->appendChild(root);
    EXPECT_EQ(list->length(), 1);
    EXPECT_EQ(doc->childNodes()->length(), 2);
    EXPECT_EQ(decl->nextSibling(), root);
    EXPECT_EQ(root->nextSibling(), nullptr);
    EXPECT_EQ(root->previousSibling(), decl);
    EXPECT_EQ(root->parentNode(), doc);
    EXPECT_EQ(doc->lastChild(), root);

    EXPECT_EQ(messageOf([&] { doc->appendChild(doc->createElement("second")); }),
              "TkwvDOMDocument.appendChild: there is already an document element node");
    EXPECT_EQ(messageOf([&] { doc->appendChild(std::make_shared<TkwvDOMxmlDclType>(doc.get(), "", "?xml")); }),
              "TkwvDOMDocument.appendChild: there is already an xml declaration node");
    EXPECT_EQ(doc->removeChild(doc->createElement("x")), nullptr);
    EXPECT_EQ(messageOf([&] { doc->findNextChild(doc->createElement("x").get()); }),
              "TkwvDOMDocument.findNextChild: invalid child node: not a child of document");
    EXPECT_EQ(messageOf([&] { doc->findPreviousChild(doc->createElement("x").get()); }),
              "TkwvDOMDocument.findPreviousChild: invalid child node: not a child of document");
    EXPECT_EQ(doc->removeChild(root), root);
    EXPECT_EQ(doc->documentElement(), nullptr);
    EXPECT_THROW(doc->appendChild(doc->createComment("c")), EIntfCastError);
}

TEST(TkwvDOM, Prolog)
{
    auto doc = newDoc();
    doc->set_Encoding("UTF-8");
    doc->set_Standalone("yes");
    auto decl = doc->get_xmlDeclNode();
    ASSERT_EQ(decl->attributes()->length(), 3);
    EXPECT_EQ(decl->attributes()->item(0)->nodeName(), "version");
    EXPECT_EQ(decl->attributes()->item(1)->nodeName(), "encoding");
    EXPECT_EQ(decl->attributes()->item(2)->nodeName(), "standalone");
    EXPECT_EQ(doc->xml(), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
    doc->set_Encoding("");
    EXPECT_EQ(doc->Encoding(), "");
    EXPECT_EQ(decl->attributes()->length(), 2);
    doc->set_Version("");
    EXPECT_TRUE(decl->hasAttribute(u"version"));
}

TEST(TkwvDOM, NamespaceDeclarationsWhenManaged)
{
    auto doc = newDoc(true);
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    auto a = doc->createElementNS("urn:a", "a");
    root->appendChild(a);
    EXPECT_EQ(a->getAttributeNS(XmlnsNamespaceURI(), u"xmlns"), "urn:a");
    auto a2 = doc->createElementNS("urn:a", "a2");
    a->appendChild(a2);
    EXPECT_EQ(a2->attributes()->length(), 0);

    auto px = doc->createElementNS("urn:b", "p:x");
    root->appendChild(px);
    EXPECT_EQ(px->getAttributeNS(XmlnsNamespaceURI(), u"xmlns:p"), "urn:b");
    // Declarations made this way carry the xmlns namespace: the element's
    // plain lookup does not see them, so a child declares its prefix again.
    EXPECT_EQ(px->getAttribute(u"xmlns:p"), "");
    auto py = doc->createElementNS("urn:b", "p:y");
    px->appendChild(py);
    EXPECT_EQ(py->getAttributeNS(XmlnsNamespaceURI(), u"xmlns:p"), "urn:b");

    // An element without namespace under a default namespace undeclares it.
    auto plain = doc->createElement("plain");
    a->appendChild(plain);
    EXPECT_EQ(plain->getAttributeNS(XmlnsNamespaceURI(), u"xmlns"), "");
    EXPECT_TRUE(plain->hasAttributeNS(XmlnsNamespaceURI(), u"xmlns"));

    auto bad = doc->createAttributeNS("urn:c", "noprefix");
    EXPECT_EQ(messageOf([&] { root->setAttributeNode(bad); }), "TkwvDOMAttr.DocAttach: Namespace error.");
    EXPECT_EQ(bad->parentNode(), nullptr);

    auto q = doc->createAttributeNS("urn:q", "q:at");
    root->setAttributeNodeNS(q);
    EXPECT_EQ(root->getAttributeNS(XmlnsNamespaceURI(), u"xmlns:q"), "urn:q");
    EXPECT_EQ(root->lookupNamespaceURI("xml"), XmlNamespaceURI());
}

TEST(TkwvDOM, WritingNodes)
{
    auto doc = newDoc();
    auto root = doc->createElement("root");
    doc->set_documentElement(root);
    auto empty = doc->createElement("empty");
    root->appendChild(empty);
    auto txt = doc->createElement("txt");
    txt->setAttribute("k", "v");
    txt->appendChild(doc->createTextNode("a<b"));
    root->appendChild(txt);
    auto cd = doc->createElement("cd");
    cd->appendChild(doc->createCDATASection("a<b"));
    root->appendChild(cd);
    auto blankText = doc->createElement("blank");
    blankText->appendChild(doc->createTextNode(""));
    root->appendChild(blankText);
    EXPECT_EQ(root->xml(), "<empty/>\r\n<txt k=\"v\">a&lt;b</txt>\r\n<cd><![CDATA[a<b]]></cd>\r\n<blank></blank>\r\n");
    EXPECT_EQ(txt->xml(), "a&lt;b");
    // Comments have no written form.
    auto withComment = doc->createElement("c");
    withComment->appendChild(doc->createComment("x"));
    EXPECT_THROW(withComment->xml(), EIntfCastError);
}

TEST(TkwvDOM, DeepTreeIsFreedWithoutRecursion)
{
    auto doc = newDoc();
    auto root = doc->createElement("r");
    auto cur = root;
    for (int i = 0; i < 200000; ++i) {
        auto e = doc->createElement("e");
        cur->appendChild(e);
        cur = e;
    }
    cur.reset();
    root.reset(); // would overflow the stack if children were freed recursively
    SUCCEED();
}

} // namespace
