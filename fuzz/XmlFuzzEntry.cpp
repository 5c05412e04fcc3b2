#include "XmlFuzzEntry.h"

#include "UXmlParser.h"

#include <QBuffer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "XML fuzz invariant broken: %s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

// Takes bytes from the fuzz input one by one; zero once it is used up.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : fData(data), fSize(size) { }
    bool empty() const { return fPos >= fSize; }
    uint8_t next() { return fPos < fSize ? fData[fPos++] : 0; }
    QString text()
    {
        const size_t n = std::min<size_t>(next() % 24, fSize - fPos);
        QString s;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t b = fData[fPos++];
            // Mostly ASCII, sometimes a unit XML does not allow.
            if (b >= 0xF0)
                s.append(QChar(char16_t(0xD800 + (b & 0x0F) * 0x100)));
            else if (b >= 0xE8)
                s.append(QChar(char16_t(0xFFF8 + (b & 0x07))));
            else
                s.append(QChar(char16_t(b)));
        }
        return s;
    }

private:
    const uint8_t* fData;
    size_t fSize;
    size_t fPos = 0;
};

const char* const kNames[] = { "a", "b", "p:x", "q:y", "xmlns", "xmlns:p", "Item", "T.Prop", "", "1bad",
                               "a b", "?xml", ":c", "p:", "Type_", "x:y:z" };
const char* const kNamespaces[] = { "", "urn:a", "urn:b", "http://www.w3.org/2000/xmlns/" };
const char* const kEncodings[] = { "UTF-8", "UTF-16", "ISO-8859-1", "UTF-16BE" };

QString pickName(Bytes& in)
{
    const uint8_t b = in.next();
    if (b & 0x80)
        return in.text();
    return QString::fromLatin1(kNames[b % (sizeof(kNames) / sizeof(kNames[0]))]);
}

QString pickNamespace(Bytes& in)
{
    return QString::fromLatin1(kNamespaces[in.next() % 4]);
}

using NodePtr = std::shared_ptr<TkwvDOMNodeBase>;

void runScript(const std::shared_ptr<TkwvDOMDocument>& doc, const std::shared_ptr<TkwvDOMDocument>& other, Bytes& in)
{
    std::vector<NodePtr> pool;
    NodePtr cur = doc;
    for (int ops = 0; ops < 256 && !in.empty(); ++ops) {
        const uint8_t op = in.next() % 20;
        TkwvDOMElement* el = cur->asElement();
        try {
            switch (op) {
            case 0: {
                auto e = (in.next() & 1) ? doc->createElementNS(pickNamespace(in), pickName(in))
                                         : doc->createElement(pickName(in));
                pool.push_back(e);
                cur->appendChild(e);
                if (in.next() & 1)
                    cur = e;
                break;
            }
            case 1:
                cur->appendChild(doc->createTextNode(in.text()));
                break;
            case 2:
                cur->appendChild(doc->createCDATASection(in.text()));
                break;
            case 3:
                if (el)
                    el->setAttribute(pickName(in), in.text());
                break;
            case 4:
                if (el)
                    el->setAttributeNS(pickNamespace(in), pickName(in), in.text());
                break;
            case 5:
                if (auto n = cur->firstChild())
                    cur = n;
                break;
            case 6:
                if (auto n = cur->nextSibling())
                    cur = n;
                break;
            case 7:
                cur = cur->parentNode() ? cur->parentNode() : NodePtr(doc);
                break;
            case 8:
                if (auto parent = cur->parentNode()) {
                    pool.push_back(cur);
                    parent->removeChild(cur);
                    cur = doc;
                }
                break;
            case 9:
                if (!pool.empty())
                    cur->appendChild(pool[in.next() % pool.size()]);
                break;
            case 10:
                if (!pool.empty()) {
                    if (auto e = std::dynamic_pointer_cast<TkwvDOMElement>(pool[in.next() % pool.size()]))
                        doc->set_documentElement(e);
                }
                break;
            case 11:
                doc->set_ManageNamespaces(!doc->ManageNamespaces());
                break;
            case 12:
                if (el)
                    el->removeAttribute(pickName(in));
                break;
            case 13:
                (void)cur->xml();
                (void)cur->lookupNamespaceURI(pickName(in));
                if (el)
                    (void)el->getAttributeNS(pickNamespace(in), pickName(in));
                break;
            case 14:
                cur->appendChild(doc->createComment(in.text()));
                break;
            case 15: {
                auto a = (in.next() & 1) ? doc->createAttributeNS(pickNamespace(in), pickName(in))
                                         : doc->createAttribute(pickName(in));
                a->set_value(in.text());
                pool.push_back(a);
                if (el) {
                    if (in.next() & 1)
                        el->setAttributeNodeNS(a);
                    else
                        el->setAttributeNode(a);
                }
                break;
            }
            case 16:
                cur->appendChild(other->createElement(QStringLiteral("foreign")));
                break;
            case 17:
                switch (in.next() % 3) {
                case 0:
                    doc->set_Encoding(in.text());
                    break;
                case 1:
                    doc->set_Standalone(in.text());
                    break;
                default:
                    doc->set_Version(in.text());
                }
                break;
            case 18:
                doc->loadxml(in.text());
                cur = doc;
                break;
            case 19:
                if (!pool.empty())
                    cur = pool[in.next() % pool.size()];
                break;
            }
        } catch (const Exception&) {
            // Refusals are part of the contract.
        }
    }
}

bool loadBytes(const std::shared_ptr<TkwvDOMDocument>& doc, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    return doc->loadFromStream(&buf);
}

// Whatever the writer produces must read back, and what was read back must
// write again.
void checkWriteRead(const std::shared_ptr<TkwvDOMDocument>& doc)
{
    QByteArray bytes;
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        doc->saveToStream(&buf);
        bytes = buf.data();
    } catch (const Exception&) {
        return; // refused to write (a name that is no XML name, a comment...)
    }
    auto back = GetDOM()->createDocument();
    back->set_ManageNamespaces(doc->ManageNamespaces());
    back->set_ParserEncoding(doc->ParserEncoding());
    if (!loadBytes(back, bytes))
        fail("written text does not read back", back->reason() + " | " + QString::fromUtf8(bytes.toHex()));
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        back->saveToStream(&buf);
        (void)back->xml();
    } catch (const Exception& e) {
        fail("a document read from written text does not write", e.Message() + " | " + QString::fromUtf8(bytes.toHex()));
    }
    QString text;
    try {
        text = doc->xml();
    } catch (const Exception& e) {
        fail("the stream accepted what the string refuses", e.Message());
    }
    auto fromString = GetDOM()->createDocument();
    fromString->set_ManageNamespaces(doc->ManageNamespaces());
    if (!fromString->loadxml(text))
        fail("written string does not read back", fromString->reason());
}

} // namespace

void XmlFuzzOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const uint8_t mode = data[0];
    ++data;
    --size;
    // The XML text runs up to the first "\0\0\xFF"; the DOM edit script follows.
    size_t xmlSize = size;
    for (size_t i = 0; i + 2 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 0xFF) {
            xmlSize = i;
            break;
        }
    }
    const QByteArray xml(reinterpret_cast<const char*>(data), qsizetype(xmlSize));

    auto doc = GetDOM()->createDocument();
    auto other = GetDOM()->createDocument();
    doc->set_ManageNamespaces(mode & 1);
    doc->set_ParserEncoding(QString::fromLatin1(kEncodings[(mode >> 1) & 3]));

    bool ok;
    if (mode & 8) {
        QString text;
        if (mode & 16) {
            text = QString::fromUtf8(xml);
        } else {
            text.resize(xml.size() / 2);
            std::memcpy(text.data(), xml.constData(), size_t(text.size()) * 2);
        }
        ok = doc->loadxml(text);
    } else {
        ok = loadBytes(doc, xml);
    }
    if (!ok && (doc->errorCode() != 1 || doc->reason().isEmpty()))
        fail("a failed read gives no reason", doc->reason());

    if (xmlSize + 3 <= size) {
        Bytes script(data + xmlSize + 3, size - xmlSize - 3);
        runScript(doc, other, script);
    }
    checkWriteRead(doc);
}
