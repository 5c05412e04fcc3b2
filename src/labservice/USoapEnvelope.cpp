#include "USoapEnvelope.h"

#include "ULabContracts.h"
#include "UXmlParser.h"

#include <QBuffer>
#include <cmath>
#include <limits>

// ------------------------------------------------------------------ SoapText

namespace SoapText {

namespace {
[[noreturn]] void bad(const QString& text, const char* type)
{
    throw EXSValueError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(type)));
}
} // namespace

QString FromDouble(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString FromBool(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

qint32 ToInt(const QString& text)
{
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        bad(text, "int");
    return v;
}

qint64 ToLong(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        bad(text, "long");
    return v;
}

double ToDouble(const QString& text)
{
    const QString t = text.trimmed();
    if (t == QLatin1String("INF"))
        return std::numeric_limits<double>::infinity();
    if (t == QLatin1String("-INF"))
        return -std::numeric_limits<double>::infinity();
    if (t == QLatin1String("NaN"))
        return std::numeric_limits<double>::quiet_NaN();
    // toDouble also takes "inf" and "nan" spellings that the schema does not.
    for (QChar c : t)
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')
              || c == QLatin1Char('e') || c == QLatin1Char('E')))
            bad(text, "double");
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        bad(text, "double");
    return v;
}

bool ToBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t == QLatin1String("true") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0"))
        return false;
    bad(text, "boolean");
}

char16_t ToChar(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > 0xFFFF)
        bad(text, "char");
    return char16_t(v);
}

QByteArray ToBytes(const QString& text)
{
    QByteArray compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (c.isSpace())
            continue;
        if (c.unicode() > 0x7F)
            bad(text.left(40), "base64Binary");
        compact.append(char(c.unicode()));
    }
    const auto result = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        bad(text.left(40), "base64Binary");
    return *result;
}

} // namespace SoapText

// ------------------------------------------------------------ XML helpers

namespace {

using ElementPtr = std::shared_ptr<TkwvDOMElement>;

// Prefixes of the namespaces that request envelopes use; all are declared on
// the envelope element so that every other element only names its prefix.
struct NsPrefix {
    const QString& ns;
    const char* prefix;
};

const std::vector<NsPrefix>& knownPrefixes()
{
    static const std::vector<NsPrefix> table = {
        {SoapNs::Envelope, "s"},
        {SoapNs::SchemaInstance, "i"},
        {LabNs::DataContract, "a"},
        {LabNs::Arrays, "b"},
        {LabNs::Serialization, "c"},
    };
    return table;
}

QString prefixedName(const QString& ns, const QString& local)
{
    for (const NsPrefix& p : knownPrefixes())
        if (p.ns == ns)
            return QLatin1String(p.prefix) + QLatin1Char(':') + local;
    throw Exception(QStringLiteral("TSoapRequestWriter: no prefix for the namespace %1").arg(ns));
}

// Writes request elements into one document.
class TWriter {
public:
    explicit TWriter(TkwvDOMDocument& doc) : fDoc(doc) { }

    ElementPtr element(const ElementPtr& parent, const QString& name)
    {
        ElementPtr e = fDoc.createElement(name);
        parent->appendChild(e);
        return e;
    }

    ElementPtr textElement(const ElementPtr& parent, const QString& name, const QString& text)
    {
        ElementPtr e = element(parent, name);
        if (!text.isEmpty())
            e->appendChild(fDoc.createTextNode(text));
        return e;
    }

    ElementPtr nilElement(const ElementPtr& parent, const QString& name)
    {
        ElementPtr e = element(parent, name);
        e->setAttribute(QStringLiteral("i:nil"), QStringLiteral("true"));
        return e;
    }

    // The members of a record whose stored test is true, in description
    // order, in the record's own namespace.
    void members(const ElementPtr& parent, const TRemotable& obj)
    {
        const QString& ns = obj.ClassInfo().XmlNamespace();
        for (const TRttiItem& item : TRttiCache::Get(obj).PropInfoForRead()) {
            const TPropInfo& prop = *item.propInfo;
            if (prop.IsStored(obj))
                member(parent, obj, prop, prefixedName(ns, prop.XmlName()));
        }
    }

    void member(const ElementPtr& parent, const TRemotable& obj, const TPropInfo& prop, const QString& name)
    {
        if (prop.IsNil(obj)) {
            nilElement(parent, name);
            return;
        }
        switch (prop.Kind()) {
        case TPropKind::String: textElement(parent, name, prop.GetString(obj)); break;
        case TPropKind::Integer: textElement(parent, name, QString::number(prop.GetInteger(obj))); break;
        case TPropKind::Int64: textElement(parent, name, QString::number(prop.GetInt64(obj))); break;
        case TPropKind::Boolean: textElement(parent, name, SoapText::FromBool(prop.GetBoolean(obj))); break;
        case TPropKind::Double: textElement(parent, name, SoapText::FromDouble(prop.GetDouble(obj))); break;
        case TPropKind::Char: textElement(parent, name, QString::number(int(prop.GetChar(obj)))); break;
        case TPropKind::Enum: textElement(parent, name, prop.GetEnumName(obj)); break;
        case TPropKind::DateTime: textElement(parent, name, prop.GetDateTime(obj)->NativeToXS()); break;
        case TPropKind::Decimal: textElement(parent, name, prop.GetDecimal(obj)->NativeToXS()); break;
        case TPropKind::Bytes: textElement(parent, name, QString::fromLatin1(prop.GetBytes(obj).toBase64())); break;
        case TPropKind::Object: members(element(parent, name), *prop.GetObject(obj)); break;
        case TPropKind::ObjectArray: {
            const ElementPtr list = element(parent, name);
            const QString itemName = prefixedName(prop.ItemClass()->XmlNamespace(), prop.ItemName());
            for (TRemotable* item : prop.GetObjects(obj)) {
                if (item == nullptr)
                    nilElement(list, itemName);
                else
                    members(element(list, itemName), *item);
            }
            break;
        }
        case TPropKind::IntArray: {
            const ElementPtr list = element(parent, name);
            const QString itemName = prefixedName(LabNs::Arrays, prop.ItemName());
            for (qint32 v : prop.GetIntArray(obj))
                textElement(list, itemName, QString::number(v));
            break;
        }
        case TPropKind::StringArray: {
            const ElementPtr list = element(parent, name);
            const QString itemName = prefixedName(LabNs::Arrays, prop.ItemName());
            for (const QString& v : prop.GetStringArray(obj))
                textElement(list, itemName, v);
            break;
        }
        case TPropKind::EnumArray: {
            const ElementPtr list = element(parent, name);
            const QString itemName = prefixedName(prop.EnumInfo()->XmlNamespace(), prop.ItemName());
            for (const QString& v : prop.GetEnumNames(obj))
                textElement(list, itemName, v);
            break;
        }
        case TPropKind::Variant:
            // Document classes only; no lab record has such a member.
            throw Exception(QStringLiteral("TSoapRequestWriter: member %1 has no wire form").arg(prop.FullName()));
        }
    }

private:
    TkwvDOMDocument& fDoc;
};

std::shared_ptr<TkwvDOMDocument> newDocument()
{
    std::shared_ptr<TkwvDOMDocument> doc = GetDOM()->createDocument();
    // The envelope declares its namespaces itself, once, on its root.
    doc->set_ManageNamespaces(false);
    return doc;
}

QByteArray documentBytes(TkwvDOMDocument& doc)
{
    return doc.xml().toUtf8();
}

// ------------------------------------------------------------------ reading

QString localNameOf(const QString& qname)
{
    const int colon = qname.indexOf(QLatin1Char(':'));
    return colon > 0 ? qname.mid(colon + 1) : qname;
}

QString prefixOf(const QString& qname)
{
    const int colon = qname.indexOf(QLatin1Char(':'));
    return colon > 0 ? qname.left(colon) : QString();
}

// The namespace bound to a prefix ("" for the default namespace) at an
// element, from the xmlns attributes of the element and its ancestors.
QString lookupNs(const TkwvDOMElement* element, const QString& prefix)
{
    const QString attr = prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix;
    for (const TkwvDOMNodeBase* node = element; node != nullptr; node = node->parentNodeObj()) {
        const TkwvDOMElement* e = const_cast<TkwvDOMNodeBase*>(node)->asElement();
        if (e == nullptr)
            break;
        for (const auto& a : e->AttributeMap().Nodes())
            if (a->nodeName() == attr)
                return a->nodeValue();
    }
    if (prefix == QLatin1String("xml"))
        return QStringLiteral("http://www.w3.org/XML/1998/namespace");
    return QString();
}

QString nsOf(const TkwvDOMElement* element)
{
    return lookupNs(element, prefixOf(element->NodeNameRef()));
}

std::vector<TkwvDOMElement*> childElements(const TkwvDOMElement* element)
{
    std::vector<TkwvDOMElement*> out;
    for (const auto& child : element->ChildList())
        if (TkwvDOMElement* e = child->asElement())
            out.push_back(e);
    return out;
}

// Reads one reply document. `where` names the operation in messages.
class TReader {
public:
    explicit TReader(QString context) : fContext(std::move(context)) { }

    [[noreturn]] void fail(const QString& problem) const { throw ESoapReplyError(fContext + QLatin1String(": ") + problem); }

    bool isNil(const TkwvDOMElement* e) const
    {
        for (const auto& a : e->AttributeMap().Nodes()) {
            const QString name = a->nodeName();
            if (localNameOf(name) == QLatin1String("nil") && !prefixOf(name).isEmpty()
                && lookupNs(e, prefixOf(name)) == SoapNs::SchemaInstance) {
                const QString v = a->nodeValue().trimmed();
                return v == QLatin1String("true") || v == QLatin1String("1");
            }
        }
        return false;
    }

    // The text of an element that holds a value: its text and CDATA children
    // joined. An element with element children holds no value.
    QString text(const TkwvDOMElement* e, const QString& path) const
    {
        QString out;
        for (const auto& child : e->ChildList()) {
            const DOMNodeType t = child->nodeType();
            if (t == TEXT_NODE || t == CDATA_SECTION_NODE)
                out += child->nodeValue();
            else if (t == ELEMENT_NODE)
                fail(QStringLiteral("%1 holds elements where a value is expected").arg(path));
        }
        return out;
    }

    template <class F>
    auto convert(const QString& path, F f) const -> decltype(f())
    {
        try {
            return f();
        } catch (const EXSValueError& e) {
            fail(QStringLiteral("wrong value in %1: %2").arg(path, e.Message()));
        }
    }

    // Reads the member elements of a record. Elements that name no member of
    // the class are left aside: the lab may add members that this program
    // does not know yet.
    void members(const TkwvDOMElement* e, TRemotable& obj, const QString& path, int depth) const
    {
        if (depth > kMaxDepth)
            fail(QStringLiteral("%1 is nested too deeply").arg(path));
        const TRttiCache& cache = TRttiCache::Get(obj);
        for (const TkwvDOMElement* child : childElements(e)) {
            const QString local = localNameOf(child->NodeNameRef());
            const TPropInfo* prop = cache.PropInfoByXmlName(local);
            if (prop == nullptr)
                continue;
            member(child, obj, *prop, path + QLatin1Char('/') + local, depth);
        }
    }

    void member(const TkwvDOMElement* e, TRemotable& obj, const TPropInfo& prop, const QString& path,
                int depth) const
    {
        if (isNil(e)) {
            prop.SetNil(obj);
            return;
        }
        switch (prop.Kind()) {
        case TPropKind::String: prop.SetString(obj, text(e, path)); break;
        case TPropKind::Integer: prop.SetInteger(obj, convert(path, [&] { return SoapText::ToInt(text(e, path)); })); break;
        case TPropKind::Int64: prop.SetInt64(obj, convert(path, [&] { return SoapText::ToLong(text(e, path)); })); break;
        case TPropKind::Boolean: prop.SetBoolean(obj, convert(path, [&] { return SoapText::ToBool(text(e, path)); })); break;
        case TPropKind::Double: prop.SetDouble(obj, convert(path, [&] { return SoapText::ToDouble(text(e, path)); })); break;
        case TPropKind::Char: prop.SetChar(obj, convert(path, [&] { return SoapText::ToChar(text(e, path)); })); break;
        case TPropKind::Enum: prop.SetEnumName(obj, text(e, path).trimmed()); break;
        case TPropKind::DateTime:
            prop.SetDateTime(obj, convert(path, [&] { return TXSDateTime::FromXS(text(e, path)); }));
            break;
        case TPropKind::Decimal:
            prop.SetDecimal(obj, convert(path, [&] { return TXSDecimal::FromXS(text(e, path)); }));
            break;
        case TPropKind::Bytes: prop.SetBytes(obj, convert(path, [&] { return SoapText::ToBytes(text(e, path)); })); break;
        case TPropKind::Object: prop.SetObject(obj, object(e, *prop.ItemClass(), path, depth + 1)); break;
        case TPropKind::ObjectArray: prop.SetObjects(obj, objects(e, *prop.ItemClass(), prop.ItemName(), path, depth + 1)); break;
        case TPropKind::IntArray: prop.SetIntArray(obj, ints(e, prop.ItemName(), path)); break;
        case TPropKind::StringArray: prop.SetStringArray(obj, strings(e, prop.ItemName(), path)); break;
        case TPropKind::EnumArray: {
            QStringList names;
            for (const TkwvDOMElement* item : items(e, prop.ItemName(), path))
                names << text(item, path).trimmed();
            prop.SetEnumNames(obj, names);
            break;
        }
        case TPropKind::Variant:
            fail(QStringLiteral("member %1 has no wire form").arg(path));
        }
    }

    std::unique_ptr<TRemotable> object(const TkwvDOMElement* e, const TClassInfo& cls, const QString& path,
                                       int depth) const
    {
        if (isNil(e))
            return nullptr;
        std::unique_ptr<TRemotable> obj = cls.CreateInstance();
        members(e, *obj, path, depth);
        return obj;
    }

    // The item elements of an array element; every child must carry the
    // item name.
    std::vector<const TkwvDOMElement*> items(const TkwvDOMElement* e, const QString& itemName,
                                             const QString& path) const
    {
        std::vector<const TkwvDOMElement*> out;
        for (const TkwvDOMElement* child : childElements(e)) {
            if (localNameOf(child->NodeNameRef()) != itemName)
                fail(QStringLiteral("%1 holds an element %2 where items %3 are expected")
                         .arg(path, child->NodeNameRef(), itemName));
            out.push_back(child);
        }
        return out;
    }

    std::vector<std::unique_ptr<TRemotable>> objects(const TkwvDOMElement* e, const TClassInfo& cls,
                                                     const QString& itemName, const QString& path, int depth) const
    {
        std::vector<std::unique_ptr<TRemotable>> out;
        int index = 0;
        for (const TkwvDOMElement* item : items(e, itemName, path)) {
            const QString itemPath = QStringLiteral("%1/%2[%3]").arg(path, itemName).arg(index++);
            // A nil item carries nothing; the lists of the program hold no
            // null entries.
            if (!isNil(item))
                out.push_back(object(item, cls, itemPath, depth));
        }
        return out;
    }

    std::vector<qint32> ints(const TkwvDOMElement* e, const QString& itemName, const QString& path) const
    {
        std::vector<qint32> out;
        for (const TkwvDOMElement* item : items(e, itemName, path))
            out.push_back(convert(path, [&] { return SoapText::ToInt(text(item, path)); }));
        return out;
    }

    QStringList strings(const TkwvDOMElement* e, const QString& itemName, const QString& path) const
    {
        QStringList out;
        for (const TkwvDOMElement* item : items(e, itemName, path))
            out << text(item, path);
        return out;
    }

    // Records nest only as deep as their classes do; this bound only stops
    // a description that refers to itself from running away on hostile
    // input.
    static constexpr int kMaxDepth = 32;

private:
    QString fContext;
};

// The XML reader, made strict: the reader only logs a text that ends inside
// markup or with open elements and keeps what it built, but a cut reply must
// not pass for a whole one.
class TStrictXmlReader : public TkwvXmlToDomParser {
public:
    QString fProblem;

protected:
    void onParseError(const std::exception& E) override
    {
        TkwvXmlToDomParser::onParseError(E);
        if (fProblem.isEmpty()) {
            const auto* e = dynamic_cast<const Exception*>(&E);
            fProblem = e != nullptr ? e->Message() : QString::fromUtf8(E.what());
        }
    }
};

// Parses reply bytes into a document; raises when the text is not
// well-formed XML.
std::shared_ptr<TkwvDOMDocument> parseDocument(const QByteArray& bytes, const TReader& reader)
{
    std::shared_ptr<TkwvDOMDocument> doc = newDocument();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TStrictXmlReader parser;
    TkwvParseErrorInfo error;
    const bool ok = parser.writeFromStream(doc, &buffer, error);
    if (!ok)
        reader.fail(QStringLiteral("the reply is not well-formed XML (line %1, column %2: %3)")
                        .arg(error.line)
                        .arg(error.linePos)
                        .arg(error.reason));
    if (parser.InParseError())
        reader.fail(QStringLiteral("the reply is not well-formed XML (%1)").arg(parser.fProblem));
    if (!doc->documentElement())
        reader.fail(QStringLiteral("the reply holds no XML element"));
    return doc;
}

} // namespace

// -------------------------------------------------------- TSoapRequestWriter

struct TSoapRequestWriter::Impl {
    std::shared_ptr<TkwvDOMDocument> doc;
    ElementPtr wrapper;
    std::unique_ptr<TWriter> writer;
};

TSoapRequestWriter::TSoapRequestWriter(const QString& operation, const QString& serviceNs) : d(new Impl)
{
    d->doc = newDocument();
    d->doc->set_Encoding(QStringLiteral("utf-8"));
    ElementPtr envelope = d->doc->createElement(QStringLiteral("s:Envelope"));
    for (const NsPrefix& p : knownPrefixes())
        if (p.ns != LabNs::Serialization)
            envelope->setAttribute(QStringLiteral("xmlns:") + QLatin1String(p.prefix), p.ns);
    d->doc->set_documentElement(envelope);
    d->writer = std::make_unique<TWriter>(*d->doc);
    ElementPtr body = d->writer->element(envelope, QStringLiteral("s:Body"));
    d->wrapper = d->writer->element(body, operation);
    d->wrapper->setAttribute(QStringLiteral("xmlns"), serviceNs);
}

TSoapRequestWriter::~TSoapRequestWriter() = default;
TSoapRequestWriter::TSoapRequestWriter(TSoapRequestWriter&&) noexcept = default;

void TSoapRequestWriter::AddRecord(const QString& name, const TRemotable* record)
{
    if (record == nullptr)
        d->writer->nilElement(d->wrapper, name);
    else
        d->writer->members(d->writer->element(d->wrapper, name), *record);
}

void TSoapRequestWriter::AddRecords(const QString& name, const QString& itemName,
                                    const std::vector<const TRemotable*>& records)
{
    const ElementPtr list = d->writer->element(d->wrapper, name);
    for (const TRemotable* record : records) {
        if (record == nullptr) {
            d->writer->nilElement(list, prefixedName(LabNs::DataContract, itemName));
        } else {
            const QString item = prefixedName(record->ClassInfo().XmlNamespace(), itemName);
            d->writer->members(d->writer->element(list, item), *record);
        }
    }
}

void TSoapRequestWriter::AddInteger(const QString& name, qint32 value)
{
    d->writer->textElement(d->wrapper, name, QString::number(value));
}

void TSoapRequestWriter::AddBoolean(const QString& name, bool value)
{
    d->writer->textElement(d->wrapper, name, SoapText::FromBool(value));
}

void TSoapRequestWriter::AddNilBoolean(const QString& name, std::optional<bool> value)
{
    if (value)
        AddBoolean(name, *value);
    else
        d->writer->nilElement(d->wrapper, name);
}

void TSoapRequestWriter::AddString(const QString& name, const QString& value)
{
    d->writer->textElement(d->wrapper, name, value);
}

void TSoapRequestWriter::AddDateTime(const QString& name, const std::optional<TXSDateTime>& value, bool nillable)
{
    if (value)
        d->writer->textElement(d->wrapper, name, value->NativeToXS());
    else if (nillable)
        d->writer->nilElement(d->wrapper, name);
}

void TSoapRequestWriter::AddIntArray(const QString& name, const std::vector<qint32>& values)
{
    const ElementPtr list = d->writer->element(d->wrapper, name);
    for (qint32 v : values)
        d->writer->textElement(list, prefixedName(LabNs::Arrays, QStringLiteral("int")), QString::number(v));
}

void TSoapRequestWriter::AddStringArray(const QString& name, const QStringList& values)
{
    const ElementPtr list = d->writer->element(d->wrapper, name);
    for (const QString& v : values)
        d->writer->textElement(list, prefixedName(LabNs::Arrays, QStringLiteral("string")), v);
}

void TSoapRequestWriter::AddEnum(const QString& name, const TEnumInfo& info, int ordinal)
{
    d->writer->textElement(d->wrapper, name, info.NameOf(ordinal));
}

void TSoapRequestWriter::AddChar(const QString& name, char16_t value)
{
    d->writer->textElement(d->wrapper, name, QString::number(int(value)));
}

QByteArray TSoapRequestWriter::ToBytes() const
{
    return documentBytes(*d->doc);
}

// ---------------------------------------------------------- TSoapReplyReader

struct TSoapReplyReader::Impl {
    QString operation;
    std::shared_ptr<TkwvDOMDocument> doc;
    const TkwvDOMElement* response = nullptr;
    std::unique_ptr<TReader> reader;

    // The result element; raises when the reply has none.
    const TkwvDOMElement* result() const
    {
        const QString name = operation + QStringLiteral("Result");
        for (const TkwvDOMElement* e : childElements(response))
            if (localNameOf(e->NodeNameRef()) == name)
                return e;
        reader->fail(QStringLiteral("the reply holds no %1 element").arg(name));
    }

    QString resultText(const QString& type) const
    {
        const TkwvDOMElement* e = result();
        if (reader->isNil(e))
            reader->fail(QStringLiteral("%1Result is nil where a %2 is expected").arg(operation, type));
        return reader->text(e, operation + QStringLiteral("Result"));
    }
};

TSoapReplyReader::TSoapReplyReader(const QString& operation, const QString& serviceNs, const QByteArray& reply)
    : d(new Impl)
{
    d->operation = operation;
    d->reader = std::make_unique<TReader>(QStringLiteral("ILumLabService.") + operation);
    const TReader& r = *d->reader;
    d->doc = parseDocument(reply, r);

    const TkwvDOMElement* envelope = d->doc->documentElement().get();
    if (localNameOf(envelope->NodeNameRef()) != QLatin1String("Envelope") || nsOf(envelope) != SoapNs::Envelope)
        r.fail(QStringLiteral("the reply is not a SOAP envelope (root element %1)").arg(envelope->NodeNameRef()));
    const TkwvDOMElement* body = nullptr;
    for (const TkwvDOMElement* e : childElements(envelope)) {
        if (localNameOf(e->NodeNameRef()) == QLatin1String("Body") && nsOf(e) == SoapNs::Envelope) {
            // Which of two bodies holds the answer cannot be told.
            if (body != nullptr)
                r.fail(QStringLiteral("the reply envelope has more than one Body"));
            body = e;
        }
    }
    if (body == nullptr)
        r.fail(QStringLiteral("the reply envelope has no Body"));
    const std::vector<TkwvDOMElement*> content = childElements(body);
    if (content.empty())
        r.fail(QStringLiteral("the reply body is empty"));
    // A fault anywhere in the body is the answer, even after a response
    // element: the operation did not succeed.
    for (const TkwvDOMElement* entry : content) {
        if (localNameOf(entry->NodeNameRef()) != QLatin1String("Fault") || nsOf(entry) != SoapNs::Envelope)
            continue;
        QString faultString;
        for (const TkwvDOMElement* e : childElements(entry))
            if (localNameOf(e->NodeNameRef()) == QLatin1String("faultstring"))
                faultString = r.text(e, QStringLiteral("Fault/faultstring"));
        r.fail(QStringLiteral("the lab answered a SOAP fault: %1").arg(faultString));
    }
    const TkwvDOMElement* first = content.front();
    const QString firstName = localNameOf(first->NodeNameRef());
    if (firstName != operation + QStringLiteral("Response") || nsOf(first) != serviceNs)
        r.fail(QStringLiteral("unexpected element %1 in the reply body").arg(first->NodeNameRef()));
    d->response = first;
}

TSoapReplyReader::~TSoapReplyReader() = default;

bool TSoapReplyReader::ReadBoolean()
{
    const QString text = d->resultText(QStringLiteral("boolean"));
    return d->reader->convert(d->operation + QStringLiteral("Result"), [&] { return SoapText::ToBool(text); });
}

qint32 TSoapReplyReader::ReadInteger()
{
    const QString text = d->resultText(QStringLiteral("int"));
    return d->reader->convert(d->operation + QStringLiteral("Result"), [&] { return SoapText::ToInt(text); });
}

QString TSoapReplyReader::ReadString()
{
    const TkwvDOMElement* e = d->result();
    if (d->reader->isNil(e))
        return QString();
    return d->reader->text(e, d->operation + QStringLiteral("Result"));
}

std::optional<TXSDateTime> TSoapReplyReader::ReadDateTime()
{
    const TkwvDOMElement* e = d->result();
    if (d->reader->isNil(e))
        return std::nullopt;
    const QString path = d->operation + QStringLiteral("Result");
    const QString text = d->reader->text(e, path);
    return d->reader->convert(path, [&] { return TXSDateTime::FromXS(text); });
}

std::unique_ptr<TRemotable> TSoapReplyReader::ReadRecord(const TClassInfo& cls)
{
    return d->reader->object(d->result(), cls, d->operation + QStringLiteral("Result"), 0);
}

std::vector<std::unique_ptr<TRemotable>> TSoapReplyReader::ReadRecords(const TClassInfo& itemClass,
                                                                     const QString& itemName)
{
    const TkwvDOMElement* e = d->result();
    if (d->reader->isNil(e))
        return {};
    return d->reader->objects(e, itemClass, itemName, d->operation + QStringLiteral("Result"), 0);
}

std::vector<qint32> TSoapReplyReader::ReadIntArray()
{
    const TkwvDOMElement* e = d->result();
    if (d->reader->isNil(e))
        return {};
    return d->reader->ints(e, QStringLiteral("int"), d->operation + QStringLiteral("Result"));
}

QStringList TSoapReplyReader::ReadStringArray()
{
    const TkwvDOMElement* e = d->result();
    if (d->reader->isNil(e))
        return {};
    return d->reader->strings(e, QStringLiteral("string"), d->operation + QStringLiteral("Result"));
}

// ----------------------------------------------------------- single records

QByteArray SoapRecordToXml(const TRemotable& record, const QString& elementName)
{
    std::shared_ptr<TkwvDOMDocument> doc = newDocument();
    ElementPtr root = doc->createElement(elementName);
    for (const NsPrefix& p : knownPrefixes())
        if (p.ns != LabNs::Serialization)
            root->setAttribute(QStringLiteral("xmlns:") + QLatin1String(p.prefix), p.ns);
    doc->set_documentElement(root);
    TWriter writer(*doc);
    writer.members(root, record);
    return documentBytes(*doc);
}

std::unique_ptr<TRemotable> SoapRecordFromXml(const TClassInfo& cls, const QByteArray& xml)
{
    TReader reader(QStringLiteral("SoapRecordFromXml(%1)").arg(cls.ClassName()));
    std::shared_ptr<TkwvDOMDocument> doc = parseDocument(xml, reader);
    return reader.object(doc->documentElement().get(), cls, localNameOf(doc->documentElement()->NodeNameRef()), 0);
}
