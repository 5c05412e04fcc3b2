#include "UkwvXmlToDomParser.h"

#include "UkwvDOMtools.h"
#include "UkwvTextStreams.h"

#include <QHashFunctions>
#include <QIODevice>

namespace {

// The text without the blanks and control characters at its ends.
QStringView trimView(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

bool isBlank(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() > 0x20)
            return false;
    return true;
}

qsizetype prefixColon(QStringView name)
{
    const qsizetype c = name.indexOf(u':');
    return c >= 1 ? c : -1;
}

constexpr size_t kNameCacheSize = 256;

} // namespace

TkwvXmlToDomParser::TkwvXmlToDomParser()
    : fNameCache(kNameCacheSize)
{
}

TkwvXmlToDomParser::~TkwvXmlToDomParser()
{
    setInParseError();
    TkwvXmlToDomParser::parseCleanup();
    if (fDoc)
        fDoc->fFilling = false;
}

// Element and attribute names repeat all over a document: one shared string
// per name saves an allocation per node and the memory of the copies.
const QString& TkwvXmlToDomParser::intern(QStringView name)
{
    QString& slot = fNameCache[qHash(name) & (kNameCacheSize - 1)];
    if (slot != name)
        slot = name.toString();
    return slot;
}

QString TkwvXmlToDomParser::unescapeShared(QStringView text, qsizetype maxShared)
{
    if (text.size() <= maxShared) {
        bool plain = true;
        for (QChar c : text) {
            if (c == u'&' || !TkwvDOMtools::IsXmlChar(c)) {
                plain = false;
                break;
            }
        }
        if (plain)
            return intern(text);
    }
    return TkwvDOMtools::XmlUnescape(text);
}

void TkwvXmlToDomParser::pushElement(std::shared_ptr<TkwvDOMElement> element)
{
    TStackLevel level;
    level.fNode = std::move(element);
    onStackPush(level);
    fStack.push_back(std::move(level));
}

void TkwvXmlToDomParser::parseCleanup()
{
    fStack.clear();
    fNsBindings.clear();
    fXmlHeader.reset();
    fXmlNsToSolve.clear();
}

void TkwvXmlToDomParser::onStackPush(TStackLevel&)
{
}

void TkwvXmlToDomParser::onStackPop(TStackLevel&)
{
}

void TkwvXmlToDomParser::onXmlHeaderEnd(TkwvDOMxmlDclType*)
{
}

QString TkwvXmlToDomParser::lookupNamespace(QStringView prefix) const
{
    for (auto it = fNsBindings.rbegin(); it != fNsBindings.rend(); ++it)
        if (QStringView(it->prefix).compare(prefix, Qt::CaseInsensitive) == 0)
            return it->uri;
    return QString();
}

void TkwvXmlToDomParser::parseStart(const std::shared_ptr<TkwvDOMNodeBase>& aRoot)
{
    if (fDoc)
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseStart: already called"));
    parseReset();
    try {
        TkwvDOMDocument* doc = aRoot ? aRoot->ownerDocumentObj() : nullptr;
        if (!doc)
            throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseStart: no document owner"));
        if (!aRoot->asDocument())
            throw EIntfCastError();
        fDoc = std::static_pointer_cast<TkwvDOMDocument>(aRoot);
        fManageNamespaces = fDoc->ManageNamespaces();
        // The text replaces the declaration and the document element.
        fDoc->set_xmlDeclNode(nullptr);
        fDoc->set_documentElement(nullptr);
        fDoc->fFilling = true;
    } catch (...) {
        parseCleanup();
        fDoc.reset();
        throw;
    }
}

void TkwvXmlToDomParser::parseEnd(const std::shared_ptr<TkwvDOMNodeBase>&)
{
    if (!fDoc)
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.parseEnd: parseStart: not called"));
    struct Cleanup {
        TkwvXmlToDomParser& r;
        ~Cleanup()
        {
            r.parseCleanup();
            r.fDoc->fFilling = false;
            r.fDoc.reset();
        }
    } cleanup { *this };
    if (InParseError())
        return;
    // A text that ends inside markup, or with elements still open, is a
    // failed read: taking the part that was read would silently lose the
    // rest of the document.
    try {
        parseFlushText();
        parseCheckEnd();
        if (!fStack.empty())
            throw DOMException(QStringLiteral("Some XML sections are not closed !"));
    } catch (const std::exception& e) {
        setInParseError();
        onParseError(e);
        throw;
    }
}

void TkwvXmlToDomParser::writeFromString(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, const QString& text)
{
    parseStart(aRoot);
    try {
        parseText(text);
    } catch (...) {
        parseEnd(aRoot);
        throw;
    }
    parseEnd(aRoot);
}

bool TkwvXmlToDomParser::writeFromString(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, const QString& text,
                                         TkwvParseErrorInfo& errorInfo)
{
    clearErrorInfo(errorInfo);
    try {
        writeFromString(aRoot, text);
        return true;
    } catch (const std::exception& e) {
        fillErrorInfo(errorInfo, e);
        return false;
    }
}

void TkwvXmlToDomParser::writeFromStream(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, QIODevice* stream)
{
    TkwvDOMDocument* doc = aRoot ? aRoot->ownerDocumentObj() : nullptr;
    // An unknown encoding fails before anything is read.
    TkwvStreamReader reader(stream, doc ? doc->ParserEncoding() : QStringLiteral("UTF-8"));
    parseStart(aRoot);
    try {
        QString chunk;
        bool any = false;
        bool endsWithLF = false;
        while (reader.ReadChunk(chunk)) {
            if (!chunk.isEmpty()) {
                parseText(chunk);
                any = true;
                endsWithLF = chunk.back() == u'\n';
            }
            if (reader.HasError()) {
                setErrorPosAfterLastChar();
                throw EEncodingError(reader.ErrorMessage());
            }
        }
        // Read line by line, the last line gets its line feed too.
        if (any && !endsWithLF)
            parseText(u"\n");
    } catch (...) {
        setInParseError();
        parseEnd(aRoot);
        throw;
    }
    parseEnd(aRoot);
}

bool TkwvXmlToDomParser::writeFromStream(const std::shared_ptr<TkwvDOMNodeBase>& aRoot, QIODevice* stream,
                                         TkwvParseErrorInfo& errorInfo)
{
    clearErrorInfo(errorInfo);
    try {
        writeFromStream(aRoot, stream);
        return true;
    } catch (const std::exception& e) {
        fillErrorInfo(errorInfo, e);
        return false;
    }
}

void TkwvXmlToDomParser::stackPush(const std::shared_ptr<TkwvDOMNodeBase>& node)
{
    TkwvDOMElement* e = node ? node->asElement() : nullptr;
    if (!e)
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.stackPush: invalid node"));
    TStackLevel level;
    level.fNode = std::static_pointer_cast<TkwvDOMElement>(node);
    onStackPush(level);
    fStack.push_back(std::move(level));
}

void TkwvXmlToDomParser::stackPop(const TkwvDOMNodeBase* node, QStringView name)
{
    if (fStack.empty())
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.stackPop: no open element"));
    TStackLevel& top = fStack.back();
    if (node) {
        if (!const_cast<TkwvDOMNodeBase*>(node)->asElement())
            throw DOMException(QStringLiteral("TkwvXmlToDomParser.stackPop: invalid node"));
        if (node != top.fNode.get())
            throw DOMException(QStringLiteral("TkwvXmlToDomParser.stackPop: invalid node (2)"));
    }
    if (!name.isNull() && top.fNode->NodeNameRef() != name)
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.stackPop: unexpected section closed"));
    onStackPop(top);
    const qsizetype level = qsizetype(fStack.size());
    while (!fNsBindings.empty() && fNsBindings.back().level >= level)
        fNsBindings.pop_back();
    fStack.pop_back();
}

void TkwvXmlToDomParser::onTagStart(QStringView rawName, const TkwvParseLocation&)
{
    QStringView name = trimView(rawName);
    if (name.startsWith(u'?')) {
        // "<?xml?>": the closing question mark sticks to the name.
        if (name.size() > 1 && name.endsWith(u'?'))
            name.chop(1);
        // One declaration, before the document element: a later one would
        // replace the first.
        if (!fStack.empty() || fDoc->get_xmlDeclNode() || fDoc->documentElement())
            throw DOMException(QStringLiteral("Unexpected Xml declaration node"));
        // What the writer cannot write back is refused here.
        if (!TkwvDOMtools::IsXmlName(name.mid(1)))
            throw DOMException(
                QStringLiteral("TkwvXmlToDomParser.onTagStart: invalid declaration name \"%1\"").arg(name));
        auto decl = std::allocate_shared<TkwvDOMxmlDclType>(TkwvPoolAllocator<TkwvDOMxmlDclType>(fDoc->NodePool()), fDoc.get(), QString(), name.toString());
        fDoc->set_xmlDeclNode(decl);
        fXmlHeader = decl;
        stackPush(decl);
        return;
    }
    if (qsizetype(fStack.size()) >= kMaxDepth)
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.onTagStart: elements nested deeper than %1 levels")
                               .arg(kMaxDepth));
    if (!TkwvDOMtools::IsXmlName(name))
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.onTagStart: invalid element name \"%1\"").arg(name));
    const QString qname = intern(name);
    std::shared_ptr<TkwvDOMElement> element;
    fXmlNsToSolve.clear();
    const qsizetype colon = fManageNamespaces ? prefixColon(name) : -1;
    if (colon > 0) {
        const QStringView prefix = name.left(colon);
        const QString ns = lookupNamespace(prefix);
        if (!ns.isEmpty())
            element = fDoc->createElementNS(ns, qname);
        else
            fXmlNsToSolve = prefix.toString();
    }
    if (!element)
        element = fDoc->createElement(qname);
    if (fStack.empty()) {
        if (fDoc->documentElement())
            throw DOMException(QStringLiteral("Invalid XML file"));
        fDoc->set_documentElement(element);
    } else {
        fStack.back().fNode->appendChildTaken(std::shared_ptr<TkwvDOMNodeBase>(element));
    }
    pushElement(std::move(element));
}

void TkwvXmlToDomParser::onAttribute(QStringView rawName, const TkwvParseLocation&, bool valueSpecified,
                                     QStringView value, const TkwvParseLocation&)
{
    if (fStack.empty())
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.onAttribute: no open element"));
    TkwvDOMElement* top = fStack.back().fNode.get();
    if (top->AttributeMap().length() >= kMaxAttributes)
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.onAttribute: more than %1 attributes on one element")
                               .arg(kMaxAttributes));
    const QStringView trimmed = trimView(rawName);
    if (!TkwvDOMtools::IsXmlName(trimmed))
        throw DOMException(
            QStringLiteral("TkwvXmlToDomParser.onAttribute: invalid attribute name \"%1\"").arg(trimmed));
    const QString name = intern(trimmed);
    const QString v = valueSpecified ? unescapeShared(value, 32) : QStringLiteral("");
    top->setAttribute(name, v);
    if (fManageNamespaces && name.size() > 6 && QStringView(name).left(6).compare(u"xmlns:", Qt::CaseInsensitive) == 0)
        fNsBindings.push_back({ name.mid(6), v, qsizetype(fStack.size()) });
}

void TkwvXmlToDomParser::onTagEnd(bool closed)
{
    if (fXmlHeader) {
        auto header = std::move(fXmlHeader);
        fXmlHeader.reset();
        stackPop(header.get());
        onXmlHeaderEnd(header.get());
        return;
    }
    if (fStack.empty())
        return;
    TkwvDOMElement* top = fStack.back().fNode.get();
    if (!fXmlNsToSolve.isEmpty()) {
        const QString ns = lookupNamespace(fXmlNsToSolve);
        if (!ns.isEmpty())
            top->change_namespaceURI(ns);
        fXmlNsToSolve.clear();
    }
    if (fManageNamespaces && !fNsBindings.empty()) {
        for (const auto& node : top->AttributeMap().Nodes()) {
            auto* attr = static_cast<TkwvDOMAttr*>(node.get());
            const QStringView name(attr->NodeNameRef());
            const qsizetype colon = prefixColon(name);
            if (colon <= 0)
                continue;
            const QStringView prefix = name.left(colon);
            if (prefix == u"xmlns")
                continue;
            const QString ns = lookupNamespace(prefix);
            if (!ns.isEmpty())
                attr->change_namespaceURI(ns);
        }
    }
    if (closed)
        stackPop(nullptr);
}

void TkwvXmlToDomParser::onTagStop(QStringView name, const TkwvParseLocation&)
{
    stackPop(nullptr, trimView(name));
}

void TkwvXmlToDomParser::onText(QStringView text, const TkwvParseLocation&)
{
    if (isBlank(text))
        return;
    if (fStack.empty())
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.onText: text outside the document element"));
    fStack.back().fNode->appendChildTaken(fDoc->createTextNode(unescapeShared(text, 16)));
}

void TkwvXmlToDomParser::onCData(QStringView text, const TkwvParseLocation&)
{
    if (fStack.empty())
        throw DOMException(QStringLiteral("TkwvXmlToDomParser.onCData: CDATA section outside the document element"));
    fStack.back().fNode->appendChildTaken(fDoc->createCDATASection(text.toString()));
}

void TkwvXmlToDomParser::onComment(QStringView, const TkwvParseLocation&)
{
}
