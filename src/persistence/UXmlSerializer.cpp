#include "UXmlSerializer.h"
#include "UXmlSerializer_p.h"
#include "UkwvTextStreams.h"

#include "UDebug.h"
#include "UTools.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QTimeZone>
#include <cmath>
#include <limits>
#include <mutex>
#include <variant>

// ---------------------------------------------------------------------------
// Exceptions and base classes

namespace {

// A value that does not fit the property it is loaded into.
class ERangeError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(ERangeError)
};

QString exceptionText(const std::exception& e)
{
    if (auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->ClassName() + QStringLiteral(": ") + ex->Message();
    return QString::fromUtf8(e.what());
}

} // namespace

EXSSetPropertyException::EXSSetPropertyException(const QString& message, std::exception_ptr inner,
                                                 const QString& innerText)
    : EXSSerializationException(message)
    , fInner(std::move(inner))
    , fInnerText(innerText)
{
}

const TClassInfo& TXMLSerializable::StaticClassInfo()
{
    static const TClassInfo* info = [] {
        auto* built = new TClassInfo(QStringLiteral("TXMLSerializable"), &TRemotable::StaticClassInfo(), nullptr,
                                     QString(), QString());
        TRttiRegistry::Register(*built);
        return built;
    }();
    return *info;
}

const TClassInfo& TXMLSerializableNeedParent::StaticClassInfo()
{
    static const TClassInfo* info = [] {
        auto* built = new TClassInfo(QStringLiteral("TXMLSerializableNeedParent"), &TXMLSerializable::StaticClassInfo(),
                                     nullptr, QString(), QString());
        TRttiRegistry::Register(*built);
        return built;
    }();
    return *info;
}

const TClassInfo& XSDecimalClassInfo()
{
    static const TClassInfo info(QStringLiteral("TXSDecimal"), nullptr, nullptr, QString(), QString());
    return info;
}

const TClassInfo& XSDateTimeClassInfo()
{
    static const TClassInfo info(QStringLiteral("TXSDateTime"), nullptr, nullptr, QString(), QString());
    return info;
}

// ---------------------------------------------------------------------------
// Settings

QString TxsXMLSettings::Encoding() const
{
    return fEncoding.isEmpty() ? QStringLiteral("UTF-8") : fEncoding;
}

void TxsXMLSettings::SetEncoding(const QString& value)
{
    const QString v = value.trimmed();
    fEncoding = v.isEmpty() ? QStringLiteral("UTF-8") : v;
}

bool TxsXMLSettings::EncodingStored() const
{
    return Encoding().compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0;
}

// ---------------------------------------------------------------------------
// Node info

TXMLSerializerNodeInfo::TXMLSerializerNodeInfo(const QString& nodeName, TRemotable* instance, bool toFreeOnError)
    : NodeName(nodeName)
    , Instance(instance)
    , ToFreeOnError(toFreeOnError)
{
}

TXMLSerializerNodeInfo::~TXMLSerializerNodeInfo() = default;

const TRttiCache& TXMLSerializerNodeInfo::Props()
{
    if (!fProps || &fProps->Info() != &Instance->ClassInfo())
        fProps = &TRttiCache::Get(*Instance);
    return *fProps;
}

void TXMLSerializerNodeInfo::FreeOnError()
{
    if (ToFreeOnError) {
        TRemotable* obj = Instance;
        Instance = nullptr;
        ToFreeOnError = false;
        delete obj;
    }
}

TRemotable* TXMLSerializerNodeInfo::Release()
{
    TRemotable* obj = Instance;
    ToFreeOnError = false;
    return obj;
}

// ---------------------------------------------------------------------------
// Process-wide tables

namespace {

struct TGlobalTables {
    std::mutex lock;
    std::unique_ptr<TXMLClassDico> dico;
    std::unique_ptr<TXMLClassDicoRev> dicoRev;
};

TGlobalTables& globalTables()
{
    static TGlobalTables* tables = new TGlobalTables();
    return *tables;
}

constexpr int kVariantTypeCount = 0x4001;

const std::vector<QString>& variantNames()
{
    static const std::vector<QString> names = [] {
        std::vector<QString> n(kVariantTypeCount);
        const std::pair<int, const char*> named[] = {
            { 0, "Empty" },      { 1, "Null" },       { 2, "Smallint" },     { 3, "Integer" },   { 4, "Single" },
            { 5, "Double" },     { 6, "Currency" },   { 7, "Date" },         { 8, "OleStr" },    { 9, "Dispatch" },
            { 10, "Error" },     { 11, "Boolean" },   { 12, "Variant" },     { 13, "Unknown" },  { 16, "ShortInt" },
            { 17, "Byte" },      { 18, "Word" },      { 19, "LongWord" },    { 20, "Int64" },    { 0x48, "StrArg" },
            { 0x100, "String" }, { 0x102, "UString" }, { 0x2003, "ArrayOfInt32" }, { 0x2011, "ArrayOfByte" },
        };
        for (const auto& [code, name] : named)
            n[size_t(code)] = QString::fromLatin1(name);
        return n;
    }();
    return names;
}

enum VarCode {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varBoolean = 11,
    varShortInt = 16,
    varByte = 17,
    varWord = 18,
    varLongWord = 19,
    varInt64 = 20,
    varStrArg = 0x48,
    varString = 0x100,
    varUString = 0x102,
};

const QString kKindEnumeration = QStringLiteral("Enumeration");
const QString kKindXSDateTime = QStringLiteral("XSDateTime");
const QString kKindObject = QStringLiteral("Object");
const QString kKindArray = QStringLiteral("Array");
const QString kKindDynArray = QStringLiteral("DynArray");
const QString kKindArrayOf = QStringLiteral("ArrayOf");
const QString kKindXSPrefix = QStringLiteral("XS:");

} // namespace

QString TXMLSerializer::VariantTypeName(int code)
{
    if (code < 0 || code >= kVariantTypeCount)
        return QString();
    return variantNames()[size_t(code)];
}

int TXMLSerializer::VariantTypeFromName(const QString& name)
{
    // Case-folded name to its first code in ascending order; built once,
    // since every loaded property looks its kind up here.
    static const QHash<QString, int> byName = [] {
        QHash<QString, int> h;
        const auto& names = variantNames();
        for (int code = 0; code < kVariantTypeCount; ++code) {
            const QString& n = names[size_t(code)];
            if (!n.isEmpty() && !h.contains(n.toCaseFolded()))
                h.insert(n.toCaseFolded(), code);
        }
        return h;
    }();
    return byName.value(name.toCaseFolded(), -1);
}

// ---------------------------------------------------------------------------
// Text forms of values

namespace {

// The shortest text that reads back as the same double, with "." and an
// exponent written as "E" followed by its signed digits ("1E20", "1.5E-7").
QString doubleToText(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString s = QString::number(v, 'g', QLocale::FloatingPointShortest);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString mant = s.left(e);
        QString exp = s.mid(e + 1);
        bool neg = exp.startsWith(QLatin1Char('-'));
        if (exp.startsWith(QLatin1Char('+')) || neg)
            exp.remove(0, 1);
        while (exp.size() > 1 && exp.startsWith(QLatin1Char('0')))
            exp.remove(0, 1);
        s = mant + QStringLiteral("E") + (neg ? QStringLiteral("-") : QString()) + exp;
    }
    return s;
}

bool textToDouble(const QString& text, double& out)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("NAN"), Qt::CaseInsensitive) == 0) {
        out = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (t.compare(QLatin1String("INF"), Qt::CaseInsensitive) == 0) {
        out = std::numeric_limits<double>::infinity();
        return true;
    }
    if (t.compare(QLatin1String("-INF"), Qt::CaseInsensitive) == 0) {
        out = -std::numeric_limits<double>::infinity();
        return true;
    }
    bool ok = false;
    out = QLocale::c().toDouble(t, &ok);
    return ok;
}

// A date written with "Z" is the instant in UTC, so that a reader in another
// time zone (or after a daylight-saving change) gets the same instant back.
QString dateToText(const QDateTime& dt)
{
    return dt.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + QStringLiteral("Z");
}

bool textToDate(const QString& text, QDateTime& out)
{
    try {
        TXSDateTime v;
        v.XSToNative(text.trimmed());
        out = v.AsDateTime().toLocalTime();
        return out.isValid();
    } catch (const std::exception&) {
        return false;
    }
}

[[noreturn]] void conversionError(const QString& text, const QString& kind)
{
    throw EConvertError(QStringLiteral("Could not convert variant of type (%1) into type (%2): '%3'")
                            .arg(QStringLiteral("UString"), kind, text));
}

bool textToInt64(const QString& text, qint64& out)
{
    bool ok = false;
    out = text.trimmed().toLongLong(&ok);
    return ok;
}

bool textToBool(const QString& text, bool& out)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    qint64 n = 0;
    if (textToInt64(t, n)) {
        out = n != 0;
        return true;
    }
    return false;
}

// A value read from a property element, in the form its kind names.
struct TVarValue {
    int code = varEmpty;
    std::variant<std::monostate, qint64, double, bool, QString, QDateTime> v;
};

TVarValue parseVariant(int code, const QString& text, bool normalized)
{
    TVarValue r;
    r.code = code;
    switch (code) {
    case varEmpty:
    case varNull:
        r.v = std::monostate();
        break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: {
        qint64 n = 0;
        if (!textToInt64(text, n))
            conversionError(text, TXMLSerializer::VariantTypeName(code));
        r.v = n;
        break;
    }
    case varSingle:
    case varDouble:
    case varCurrency: {
        double d = 0;
        bool ok = textToDouble(text, d);
        if (!ok && !normalized) {
            d = QLocale::system().toDouble(text.trimmed(), &ok);
        }
        if (!ok)
            conversionError(text, TXMLSerializer::VariantTypeName(code));
        r.v = d;
        break;
    }
    case varDate: {
        QDateTime dt;
        if (!textToDate(text, dt))
            conversionError(text, TXMLSerializer::VariantTypeName(code));
        r.v = dt;
        break;
    }
    case varBoolean: {
        bool b = false;
        if (!textToBool(text, b))
            conversionError(text, TXMLSerializer::VariantTypeName(code));
        r.v = b;
        break;
    }
    case varOleStr:
    case varStrArg:
    case varString:
    case varUString:
        r.v = text;
        break;
    default:
        throw EXSSerializationException(QStringLiteral("Property type ") + TXMLSerializer::VariantTypeName(code)
                                        + QStringLiteral(" unknown"));
    }
    return r;
}

qint64 varToInt64(const TVarValue& val, const QString& text)
{
    if (auto* n = std::get_if<qint64>(&val.v))
        return *n;
    if (auto* b = std::get_if<bool>(&val.v))
        return *b ? -1 : 0;
    if (auto* d = std::get_if<double>(&val.v)) {
        const double r = std::nearbyint(*d);
        if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
            conversionError(text, QStringLiteral("Int64"));
        return qint64(r);
    }
    if (auto* s = std::get_if<QString>(&val.v)) {
        qint64 n = 0;
        if (textToInt64(*s, n))
            return n;
        double d = 0;
        if (textToDouble(*s, d) && std::floor(d) == d && std::abs(d) < 9.2e18)
            return qint64(d);
    }
    conversionError(text, QStringLiteral("Int64"));
}

double varToDouble(const TVarValue& val, const QString& text)
{
    if (auto* d = std::get_if<double>(&val.v))
        return *d;
    if (auto* n = std::get_if<qint64>(&val.v))
        return double(*n);
    if (auto* b = std::get_if<bool>(&val.v))
        return *b ? -1.0 : 0.0;
    if (auto* s = std::get_if<QString>(&val.v)) {
        double d = 0;
        if (textToDouble(*s, d))
            return d;
    }
    if (auto* dt = std::get_if<QDateTime>(&val.v)) {
        // Days since 1899-12-30, the fraction being the time of day.
        static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
        return double(epoch.msecsTo(*dt)) / 86400000.0;
    }
    conversionError(text, QStringLiteral("Double"));
}

QString varToString(const TVarValue& val)
{
    if (auto* s = std::get_if<QString>(&val.v))
        return *s;
    if (auto* n = std::get_if<qint64>(&val.v))
        return QString::number(*n);
    if (auto* d = std::get_if<double>(&val.v))
        return doubleToText(*d);
    if (auto* b = std::get_if<bool>(&val.v))
        return *b ? QStringLiteral("True") : QStringLiteral("False");
    if (auto* dt = std::get_if<QDateTime>(&val.v))
        return dateToText(*dt);
    return QString();
}

bool varToBool(const TVarValue& val, const QString& text)
{
    if (auto* b = std::get_if<bool>(&val.v))
        return *b;
    if (auto* n = std::get_if<qint64>(&val.v))
        return *n != 0;
    if (auto* d = std::get_if<double>(&val.v))
        return *d != 0;
    if (auto* s = std::get_if<QString>(&val.v)) {
        bool b = false;
        if (textToBool(*s, b))
            return b;
    }
    conversionError(text, QStringLiteral("Boolean"));
}

[[noreturn]] void rangeError(qint64 value, const char* type)
{
    throw ERangeError(QStringLiteral("Value %1 out of range of %2").arg(value).arg(QLatin1String(type)));
}

QString varToXSText(const QVariant& value, int& code)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        code = varEmpty;
        return QString();
    case QMetaType::Nullptr:
        code = varNull;
        return QString();
    case QMetaType::Short:
        code = varSmallint;
        return QString::number(value.value<short>());
    case QMetaType::Int:
        code = varInteger;
        return QString::number(value.toInt());
    case QMetaType::Float:
        code = varSingle;
        return QString::number(value.toFloat(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Double:
        code = varDouble;
        return doubleToText(value.toDouble());
    case QMetaType::QDateTime:
        code = varDate;
        return dateToText(value.toDateTime());
    case QMetaType::Bool:
        code = varBoolean;
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::SChar:
        code = varShortInt;
        return QString::number(value.value<signed char>());
    case QMetaType::UChar:
        code = varByte;
        return QString::number(value.value<uchar>());
    case QMetaType::UShort:
        code = varWord;
        return QString::number(value.value<ushort>());
    case QMetaType::UInt:
        code = varLongWord;
        return QString::number(value.toUInt());
    case QMetaType::LongLong:
        code = varInt64;
        return QString::number(value.toLongLong());
    case QMetaType::QString:
        code = varUString;
        return value.toString();
    default:
        code = 0x4000 + value.typeId() % 0x1000; // a code without name
        throw EXSSerializationException(QStringLiteral("Property type %1 unknown")
                                            .arg(QString::number(value.typeId(), 16).toUpper()));
    }
}

QVariant varToQVariant(const TVarValue& val)
{
    switch (val.code) {
    case varEmpty:
        return QVariant();
    case varNull:
        return QVariant::fromValue(nullptr);
    case varSmallint:
        return QVariant::fromValue(short(std::get<qint64>(val.v)));
    case varInteger:
        return QVariant::fromValue(int(std::get<qint64>(val.v)));
    case varShortInt:
        return QVariant::fromValue((signed char)(std::get<qint64>(val.v)));
    case varByte:
        return QVariant::fromValue(uchar(std::get<qint64>(val.v)));
    case varWord:
        return QVariant::fromValue(ushort(std::get<qint64>(val.v)));
    case varLongWord:
        return QVariant::fromValue(uint(std::get<qint64>(val.v)));
    case varInt64:
        return QVariant::fromValue(std::get<qint64>(val.v));
    case varSingle:
        return QVariant::fromValue(float(std::get<double>(val.v)));
    case varDouble:
    case varCurrency:
        return QVariant::fromValue(std::get<double>(val.v));
    case varDate:
        return QVariant::fromValue(std::get<QDateTime>(val.v));
    case varBoolean:
        return QVariant::fromValue(std::get<bool>(val.v));
    default:
        return QVariant::fromValue(std::get<QString>(val.v));
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TXMLSerializer::TXMLSerializer()
    : fXMLSettings(this)
{
    TGlobalTables& g = globalTables();
    bool registerDecimal = false;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        registerDecimal = !g.dico;
    }
    if (registerDecimal) {
        try {
            GlobalClassRegister(XSDecimalClassInfo(), QStringLiteral("Decimal"));
        } catch (const EXSSerializationException&) {
            // Another serializer got there first.
        }
    }
}

TXMLSerializer::~TXMLSerializer()
{
    fWriter = nullptr;
    fParser = nullptr;
    fInputStream.reset();
    fXMLData.reset();
}

// ---------------------------------------------------------------------------
// Registration

namespace {

void registerIn(TXMLClassDico& dico, TXMLClassDicoRev& rev, const TClassInfo& aCls, const QString& clsName,
                bool bAltName, const char* op)
{
    const QString name = clsName.isEmpty() ? aCls.ClassName() : clsName;
    if (dico.contains(name))
        throw EXSSerializationException(QStringLiteral("TXMLSerializer.%1: a class is already registered with name %2")
                                            .arg(QLatin1String(op), name));
    if (!bAltName && rev.contains(&aCls))
        throw EXSSerializationException(QStringLiteral("TXMLSerializer.%1: class %2 already registered (given name: %3)")
                                            .arg(QLatin1String(op), aCls.ClassName(), name));
    dico.insert(name, &aCls);
    if (!bAltName)
        rev.insert(&aCls, name);
}

} // namespace

void TXMLSerializer::ClassRegister(const TClassInfo& aCls, const QString& clsName, bool bAltName)
{
    if (!fClassDico) {
        fClassDico = std::make_unique<TXMLClassDico>();
        fClassDicoRev = std::make_unique<TXMLClassDicoRev>();
    }
    registerIn(*fClassDico, *fClassDicoRev, aCls, clsName, bAltName, "ClassRegister");
}

void TXMLSerializer::ClassUnregister(const TClassInfo& aCls, const QString& clsName)
{
    if (fClassDico)
        fClassDico->remove(clsName.isEmpty() ? aCls.ClassName() : clsName);
}

bool TXMLSerializer::IsClassRegistered(const TClassInfo& aCls, const QString& clsName) const
{
    return fClassDico && fClassDico->contains(clsName.isEmpty() ? aCls.ClassName() : clsName);
}

void TXMLSerializer::GlobalClassRegister(const TClassInfo& aCls, const QString& clsName, bool bAltName)
{
    TGlobalTables& g = globalTables();
    std::lock_guard<std::mutex> guard(g.lock);
    if (!g.dico) {
        g.dico = std::make_unique<TXMLClassDico>();
        g.dicoRev = std::make_unique<TXMLClassDicoRev>();
    }
    registerIn(*g.dico, *g.dicoRev, aCls, clsName, bAltName, "GlobalClassRegister");
}

void TXMLSerializer::GlobalClassUnregister(const TClassInfo& aCls, const QString& clsName)
{
    TGlobalTables& g = globalTables();
    std::lock_guard<std::mutex> guard(g.lock);
    if (g.dico)
        g.dico->remove(clsName.isEmpty() ? aCls.ClassName() : clsName);
}

bool TXMLSerializer::IsGlobalClassRegistered(const TClassInfo& aCls, const QString& clsName)
{
    TGlobalTables& g = globalTables();
    std::lock_guard<std::mutex> guard(g.lock);
    return g.dico && g.dico->contains(clsName.isEmpty() ? aCls.ClassName() : clsName);
}

const TClassInfo* TXMLSerializer::ClassFind(const QString& clsName) const
{
    if (fClassDico) {
        if (const TClassInfo* c = fClassDico->value(clsName, nullptr))
            return c;
    }
    TGlobalTables& g = globalTables();
    std::lock_guard<std::mutex> guard(g.lock);
    if (g.dico)
        return g.dico->value(clsName, nullptr);
    return nullptr;
}

QString TXMLSerializer::ClassName(const TClassInfo& aCls, bool registerRequired) const
{
    if (fClassDicoRev) {
        auto it = fClassDicoRev->constFind(&aCls);
        if (it != fClassDicoRev->constEnd())
            return it.value();
    }
    {
        TGlobalTables& g = globalTables();
        std::lock_guard<std::mutex> guard(g.lock);
        if (g.dicoRev) {
            auto it = g.dicoRev->constFind(&aCls);
            if (it != g.dicoRev->constEnd())
                return it.value();
        }
    }
    if (registerRequired)
        throw Exception(QStringLiteral("TXMLSerializer.ClassName: unsupported class(") + aCls.ClassName()
                        + QStringLiteral(")"));
    return aCls.ClassName();
}

QString TXMLSerializer::ClassNameForInstance(const TRemotable* obj, bool registerRequired) const
{
    if (!obj)
        throw Exception(QStringLiteral("TXMLSerializer.ClassNameForInstance: unsupported class(nil)"));
    return ClassName(obj->ClassInfo(), registerRequired);
}

bool TXMLSerializer::ClassNameForInstanceIsOk(const TRemotable* obj, const QString& nodeName) const
{
    if (!obj)
        return false;
    const TClassInfo& cls = obj->ClassInfo();
    if (nodeName.compare(ClassName(cls, false), Qt::CaseInsensitive) == 0
        || nodeName.compare(cls.ClassName(), Qt::CaseInsensitive) == 0)
        return true;
    auto matches = [&](const TXMLClassDico* dico) {
        if (!dico)
            return false;
        for (auto it = dico->constBegin(); it != dico->constEnd(); ++it)
            if (it.value() == &cls && it.key().compare(nodeName, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    if (matches(fClassDico.get()))
        return true;
    TGlobalTables& g = globalTables();
    std::lock_guard<std::mutex> guard(g.lock);
    return matches(g.dico.get());
}

std::unique_ptr<TRemotable> TXMLSerializer::NewObject(const QString& clsName) const
{
    const TClassInfo* cls = ClassFind(clsName);
    if (!cls || !cls->CanCreate())
        return nullptr;
    return cls->CreateInstance();
}

// ---------------------------------------------------------------------------
// Document building blocks

std::shared_ptr<TkwvDOMDocument> TXMLSerializer::XMLData()
{
    if (!fXMLData) {
        fXMLData = GetDOM(QLatin1String(kKwvDOMVendorDescription))->createDocument();
        fXMLData->set_ManageNamespaces(false);
        fXMLData->set_ParserEncoding(fXMLSettings.Encoding());
        fXMLData->set_Encoding(fXMLSettings.Encoding());
        if (fXMLSettings.Standalone() == TxsStandaloneType::Yes)
            fXMLData->set_Standalone(QStringLiteral("yes"));
        if (!fXMLSettings.XMLRootId().isEmpty())
            fXMLData->set_documentElement(fXMLData->createElement(fXMLSettings.XMLRootId()));
    }
    return fXMLData;
}

QString TXMLSerializer::XMLString()
{
    return XMLData()->xml();
}

void TXMLSerializer::SetXMLString(const QString& text)
{
    if (!XMLData()->loadxml(text))
        throw EXSSerializationException(XMLData()->reason());
}

ElementPtr TXMLSerializer::NewNode(TkwvDOMElement* aParent, const QString& aNodeName, const QString& aPropertyName)
{
    auto doc = XMLData();
    ElementPtr node = doc->createElement(aNodeName);
    if (aParent)
        aParent->appendChild(node);
    else
        doc->set_documentElement(node);
    if (!aPropertyName.isEmpty() && AddType)
        node->setAttribute(QStringLiteral("name"), aPropertyName);
    return node;
}

ElementPtr TXMLSerializer::NewProperty(TkwvDOMElement* aRootNode, const QString& aPropertyName,
                                       const QString& aPropertyType)
{
    ElementPtr node;
    if (AddType) {
        node = XMLData()->createElement(aRootNode->NodeNameRef() + QLatin1Char('.') + aPropertyName);
        aRootNode->appendChild(node);
        node->setAttribute(QStringLiteral("type"), aPropertyType);
    } else {
        node = XMLData()->createElement(aPropertyName);
        aRootNode->appendChild(node);
    }
    return node;
}

// ---------------------------------------------------------------------------
// Node tools

TkwvDOMElement* TXMLSerializer::FindNodeByName(TkwvDOMElement* aRootNode, const QString& aName)
{
    if (!aRootNode)
        return nullptr;
    for (const auto& child : aRootNode->ChildList()) {
        TkwvDOMElement* e = child->asElement();
        if (!e)
            continue;
        if (e->getAttribute(QStringLiteral("name")).compare(aName, Qt::CaseInsensitive) == 0
            && e->hasAttribute(QStringLiteral("name")))
            return e;
    }
    return nullptr;
}

TkwvDOMElement* TXMLSerializer::FindNodeByTag(TkwvDOMElement* aRootNode, const QString& aName)
{
    if (!aRootNode)
        return nullptr;
    for (const auto& child : aRootNode->ChildList()) {
        TkwvDOMElement* e = child->asElement();
        if (e && e->NodeNameRef().compare(aName, Qt::CaseInsensitive) == 0)
            return e;
    }
    return nullptr;
}

TkwvDOMElement* TXMLSerializer::FindNodeByTagPath(TkwvDOMElement* aRootNode, const QStringList& tags)
{
    TkwvDOMElement* node = aRootNode ? aRootNode : XMLData()->documentElement().get();
    for (const QString& tag : tags) {
        node = FindNodeByTag(node, tag);
        if (!node)
            return nullptr;
    }
    return node;
}

TkwvDOMCharacterData* TXMLSerializer::GetNodeText(TkwvDOMElement* aNode)
{
    if (!aNode)
        return nullptr;
    for (const auto& child : aNode->ChildList()) {
        const auto type = child->nodeType();
        if (type == TEXT_NODE || type == CDATA_SECTION_NODE)
            return static_cast<TkwvDOMCharacterData*>(child.get());
    }
    return nullptr;
}

bool TXMLSerializer::HasNodeValue(TkwvDOMElement* aNode, QString& value)
{
    if (TkwvDOMCharacterData* t = GetNodeText(aNode)) {
        value = t->data();
        return true;
    }
    value.clear();
    return false;
}

QString TXMLSerializer::GetNodeValue(TkwvDOMElement* aNode)
{
    QString v;
    HasNodeValue(aNode, v);
    return v;
}

void TXMLSerializer::SetNodeValue(TkwvDOMElement* aNode, const QString& value)
{
    if (TkwvDOMCharacterData* t = GetNodeText(aNode)) {
        t->set_data(value);
        return;
    }
    aNode->appendChild(aNode->ownerDocumentObj()->createTextNode(value));
}

bool TXMLSerializer::GetNodeAttribute(TkwvDOMElement* aNode, const QString& name, QString& value)
{
    if (!aNode || !aNode->hasAttribute(name)) {
        value.clear();
        return false;
    }
    value = aNode->getAttribute(name);
    return true;
}

// ---------------------------------------------------------------------------
// Saving

namespace {

// Scrambles what is written through it with the program's key, byte i with
// key byte i modulo the key length, before handing it to the file.
class TXorWriteDevice : public QIODevice {
public:
    TXorWriteDevice(QIODevice* target, QByteArray key) : fTarget(target), fKey(std::move(key))
    {
        if (fKey.isEmpty())
            throw Exception(QStringLiteral("TXMLSerializer.SaveToCryptedFile: empty scrambling key"));
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        QByteArray chunk(data, len);
        const qint64 keyLen = fKey.size();
        for (qint64 i = 0; i < len; ++i)
            chunk[i] = char(chunk[i] ^ fKey[(fWritten + i) % keyLen]);
        const qint64 n = fTarget->write(chunk);
        if (n != len)
            return -1;
        fWritten += len;
        return len;
    }

private:
    QIODevice* fTarget;
    QByteArray fKey;
    qint64 fWritten = 0;
};

QString propertyErrorMessage(const char* what, const QString& prop, const QString& cls)
{
    return QStringLiteral("XML Serializer. Cannot %1 property %2 of instance of %3").arg(QLatin1String(what), prop, cls);
}

} // namespace

void TXMLSerializer::SaveObject(TRemotable* aInstance)
{
    if (fWriter || fParser || fRootObject)
        throw Exception(QStringLiteral("TXMLSerializer.xmlWriterStart: unexpected context for call"));
    fRootObject = aInstance;
}

void TXMLSerializer::saveDocument(QIODevice& out, const char* operation)
{
    if (!fRootObject || fWriter || fParser)
        throw Exception(QStringLiteral("TXMLSerializer.%1: unexpected context for call").arg(QLatin1String(operation)));
    auto doc = XMLData();
    TXMLSerializerParserToXml writer(this, &out);
    fWriter = &writer;
    try {
        SaveObjectLow(doc->documentElement().get(), fRootObject, QString(), true);
        writer.Flush();
    } catch (...) {
        fWriter = nullptr;
        // Nothing of a failed save stays in the document.
        fXMLData.reset();
        throw;
    }
    fWriter = nullptr;
    fRootObject = nullptr;
    fXMLData.reset();
}

QByteArray TXMLSerializer::SaveToBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    saveDocument(buffer, "SaveToBytes");
    return bytes;
}

void TXMLSerializer::SaveToFile(const QString& aFileName)
{
    SaveToFile(aFileName, QFileDevice::Permissions());
}

void TXMLSerializer::SaveToFile(const QString& aFileName, QFileDevice::Permissions permissions)
{
    if (!fRootObject || fWriter || fParser)
        throw Exception(QStringLiteral("TXMLSerializer.SaveToFile: unexpected context for call"));
    // The document goes to a temporary file that replaces the target only
    // once it is complete and synced: a failure or a power cut leaves the
    // previous file as it was.
    std::unique_ptr<QSaveFile> file = TFileTools::StreamOpenForWrite(aFileName);
    if (permissions)
        file->setPermissions(permissions);
    saveDocument(*file, "SaveToFile");
    if (!file->commit())
        throw Exception(QStringLiteral("TXMLSerializer.SaveToFile: can't write file ") + aFileName
                        + QStringLiteral(": ") + file->errorString());
}

void TXMLSerializer::SaveToCryptedFile(const QString& aFileName)
{
    if (!fRootObject || fWriter || fParser)
        throw Exception(QStringLiteral("TXMLSerializer.SaveToCryptedFile: unexpected context for call"));
    const QByteArray key = TAppTools::CryptKey();
    std::unique_ptr<QSaveFile> file = TFileTools::StreamOpenForWrite(aFileName);
    {
        TXorWriteDevice scrambler(file.get(), key);
        saveDocument(scrambler, "SaveToCryptedFile");
    }
    if (!file->commit())
        throw Exception(QStringLiteral("TXMLSerializer.SaveToCryptedFile: can't write file ") + aFileName
                        + QStringLiteral(": ") + file->errorString());
}

void TXMLSerializer::SaveObjectLow(TkwvDOMElement* parentNode, TRemotable* obj, const QString& name, bool createNode)
{
    if (!obj)
        return;
    if (OnStartObjectSave) {
        ElementPtr nodeResult;
        bool skip = false;
        OnStartObjectSave(this, obj, name, parentNode, nodeResult, skip);
        if (skip)
            return;
    }
    ElementPtr created;
    TkwvDOMElement* node = parentNode;
    if (createNode) {
        created = NewNode(parentNode, ClassNameForInstance(obj, ClassesOptions.testFlag(scTonlyRegistered)), name);
        node = created.get();
        if (parentNode)
            fWriter->stackPushNode(parentNode);
    }
    fWriter->stackPushNode(node);

    const TRttiCache& props = TRttiCache::Get(*obj);
    for (const TRttiItem& item : props.PropInfoForRead()) {
        const TPropInfo& prop = *item.propInfo;
        if (!prop.IsStored(*obj))
            continue;
        try {
            SaveProperty(node, obj, prop);
        } catch (const std::exception& e) {
            throw EXSSetPropertyException(propertyErrorMessage("save", item.propName, obj->ClassInfo().ClassName()),
                                          std::current_exception(), exceptionText(e));
        }
    }

    fWriter->stackPopNode(node);
    if (createNode && parentNode)
        fWriter->stackPopNode(parentNode);
    if (OnEndObjectSave)
        OnEndObjectSave(this, obj, name, node);
}

void TXMLSerializer::SaveProperty(TkwvDOMElement* node, TRemotable* obj, const TPropInfo& prop)
{
    const QString& name = prop.Name();
    auto setText = [&](const QString& kind, const QString& text) {
        ElementPtr p = NewProperty(node, name, kind);
        SetNodeValue(p.get(), text);
    };
    auto joinInts = [](const std::vector<qint32>& v) {
        QStringList parts;
        for (qint32 n : v)
            parts.append(QString::number(n));
        return parts.join(QStringLiteral("; "));
    };
    switch (prop.Kind()) {
    case TPropKind::String: {
        const QString v = prop.GetString(*obj);
        if (v.isEmpty() && AddType) {
            // An empty CDATA section: the text node that an empty value
            // would give is dropped by the reader, and the value would not
            // come back empty.
            ElementPtr p = NewProperty(node, name, VariantTypeName(varUString));
            p->appendChild(XMLData()->createCDATASection(QString()));
        } else {
            setText(VariantTypeName(varUString), v);
        }
        break;
    }
    case TPropKind::Integer:
        setText(VariantTypeName(varInt64), QString::number(prop.GetInteger(*obj)));
        break;
    case TPropKind::Int64:
        setText(VariantTypeName(varInt64), QString::number(prop.GetInt64(*obj)));
        break;
    case TPropKind::Char:
        setText(VariantTypeName(varInt64), QString::number(int(prop.GetChar(*obj))));
        break;
    case TPropKind::Double:
        setText(VariantTypeName(varDouble), doubleToText(prop.GetDouble(*obj)));
        break;
    case TPropKind::Boolean:
        setText(kKindEnumeration, prop.GetBoolean(*obj) ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case TPropKind::Enum:
        setText(kKindEnumeration, prop.GetEnumName(*obj));
        break;
    case TPropKind::DateTime: {
        const auto v = prop.GetDateTime(*obj);
        if (v)
            setText(kKindXSDateTime, v->NativeToXS());
        break;
    }
    case TPropKind::Decimal: {
        const auto v = prop.GetDecimal(*obj);
        if (v)
            setText(kKindXSPrefix + ClassName(XSDecimalClassInfo(), true), v->NativeToXS());
        else
            NewProperty(node, name, kKindObject);
        break;
    }
    case TPropKind::Bytes: {
        const QByteArray v = prop.GetBytes(*obj);
        // An empty array is written too (without text), so that it loads
        // back empty instead of leaving the property as it was.
        setText(kKindArrayOf + QStringLiteral("Byte"), QString::fromLatin1(v.toBase64()));
        break;
    }
    case TPropKind::Object: {
        ElementPtr p = NewProperty(node, name, kKindObject);
        TRemotable* v = prop.GetObject(*obj);
        if (v)
            SaveObjectLow(p.get(), v, QString(), !StorageOptions.testFlag(soDotNetExport));
        break;
    }
    case TPropKind::ObjectArray: {
        const std::vector<TRemotable*> items = prop.GetObjects(*obj);
        ElementPtr p = NewProperty(node, name, kKindArray);
        for (size_t i = 0; i < items.size(); ++i)
            SaveObjectLow(p.get(), items[i], QString::number(i), true);
        break;
    }
    case TPropKind::IntArray:
        setText(kKindArrayOf + QStringLiteral("Int32"), joinInts(prop.GetIntArray(*obj)));
        break;
    case TPropKind::EnumArray:
        setText(kKindArrayOf + kKindEnumeration, prop.GetEnumNames(*obj).join(QStringLiteral("; ")));
        break;
    case TPropKind::StringArray: {
        const QStringList items = prop.GetStringArray(*obj);
        ElementPtr p = NewProperty(node, name, kKindArrayOf + QStringLiteral("String"));
        for (qsizetype i = 0; i < items.size(); ++i) {
            ElementPtr item = XMLData()->createElement(QStringLiteral("Item"));
            p->appendChild(item);
            if (AddType)
                item->setAttribute(QStringLiteral("name"), QString::number(i));
            SetNodeValue(item.get(), items[i]);
        }
        break;
    }
    case TPropKind::Variant: {
        int code = varEmpty;
        const QVariant v = prop.GetVariant(*obj);
        const QString text = varToXSText(v, code);
        if (code == varUString && text.isEmpty() && AddType) {
            ElementPtr p = NewProperty(node, name, VariantTypeName(code));
            p->appendChild(XMLData()->createCDATASection(QString()));
        } else {
            setText(VariantTypeName(code), text);
        }
        break;
    }
    }
}

// ---------------------------------------------------------------------------
// Loading

namespace {

void checkInputSize(qint64 size, qint64 limit, const QString& name)
{
    if (limit > 0 && size > limit)
        throw EXSSerializationException(
            QStringLiteral("TXMLSerializer: the document %1 is larger than %2 bytes").arg(name).arg(limit));
}

} // namespace

void TXMLSerializer::loadStart(std::unique_ptr<QIODevice> stream, const QString& name)
{
    checkInputSize(stream->size(), MaxInputSize, name);
    fInputStream = std::move(stream);
}

void TXMLSerializer::LoadFromFile(const QString& aFileName)
{
    if (fParser || fInputStream)
        throw Exception(QStringLiteral("TXMLSerializer.xmlReaderStart: unexpected context for call"));
    loadStart(TFileTools::StreamOpenForRead(aFileName), aFileName);
}

void TXMLSerializer::LoadFromCryptedFile(const QString& aFileName)
{
    if (fParser || fInputStream)
        throw Exception(QStringLiteral("TXMLSerializer.xmlReaderStart: unexpected context for call"));
    checkInputSize(QFileInfo(aFileName).size(), MaxInputSize, aFileName);
    LoadFromBytes(TAppTools::LoadByteArrayFromCryptedFile(aFileName));
}

void TXMLSerializer::LoadFromBytes(const QByteArray& bytes)
{
    if (fParser || fInputStream)
        throw Exception(QStringLiteral("TXMLSerializer.xmlReaderStart: unexpected context for call"));
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    loadStart(std::move(buffer), QStringLiteral("in memory"));
}

void TXMLSerializer::LoadXmlData()
{
    if (fParser || !fInputStream)
        throw Exception(QStringLiteral("TXMLSerializer.LoadXmlData: unexpected context for call"));
    TkwvXmlToDomParser reader;
    reader.writeFromStream(XMLData(), fInputStream.get());
    fInputStream.reset();
}

TRemotable* TXMLSerializer::LoadObjectInto(TRemotable* aInstance, std::unique_ptr<TRemotable>* created)
{
    if (fParser || !fInputStream)
        throw Exception(QStringLiteral("TXMLSerializer.LoadObject: unexpected context for call"));
    fParserObj = std::make_unique<TXMLSerializerParserToDom>(this, aInstance);
    fParser = fParserObj.get();
    // On failure the job stays set: the serializer is only freed then.
    fParser->writeFromStream(XMLData(), fInputStream.get());
    fParser->finishDeferredRoot();
    TRemotable* root = fParser->getNewInstanceRoot();
    if (created)
        *created = fParser->takeCreatedRoot();
    fParser = nullptr;
    fParserObj.reset();
    fInputStream.reset();
    return root;
}

TRemotable* TXMLSerializer::LoadObject(TRemotable* aInstance)
{
    return LoadObjectInto(aInstance, nullptr);
}

std::unique_ptr<TRemotable> TXMLSerializer::LoadObject()
{
    std::unique_ptr<TRemotable> created;
    TRemotable* root = LoadObjectInto(nullptr, &created);
    if (created && created.get() == root)
        return created;
    // A load handler supplied the root: it is ours to hand over.
    return std::unique_ptr<TRemotable>(root);
}

void TXMLSerializer::giveParentToSerialized(TRemotable* parent, TRemotable* child)
{
    auto* needParent = dynamic_cast<TXMLSerializableNeedParent*>(child);
    if (!needParent)
        return;
    if (const TClassInfo* expected = needParent->GiveParent(parent))
        throw EXSSerializationException(
            QStringLiteral("TXMLSerializer.giveParentToSerialized: object %1 wait a parent of class %2, and received a "
                           "parent of class %3!")
                .arg(child->ClassInfo().ClassName(), expected->ClassName(),
                     parent ? parent->ClassInfo().ClassName() : QStringLiteral("nil")));
}

std::unique_ptr<TRemotable> TXMLSerializer::LoadObjectChild(TRemotable* parent, TkwvDOMElement* element,
                                                            bool* isReference)
{
    if (!fParser)
        throw Exception(QStringLiteral("TXMLSerializer.LoadObjectChild: unexpected context for call"));
    bool owned = true;
    std::unique_ptr<TRemotable> child = fParser->getWaitingNode(element, &owned);
    if (isReference)
        *isReference = child && !owned;
    if (!child) {
        // Not built while streaming (its creation was skipped then): build
        // it from the element as it stands.
        const QString name = element->NodeNameRef();
        TRemotable* inst = nullptr;
        bool skip = false;
        if (OnStartObjectLoad)
            OnStartObjectLoad(this, inst, name, element, false, skip);
        std::unique_ptr<TRemotable> owned(inst);
        if (skip) {
            // A supplied reference goes to the property as it is.
            if (!owned)
                return nullptr;
            if (isReference)
                *isReference = true;
            giveParentToSerialized(parent, owned.get());
            return owned;
        }
        if (!owned) {
            owned = NewObject(name);
            if (!owned)
                throw EXSSerializationException(QStringLiteral("Xml node ") + name
                                                + QStringLiteral(" invalid, persistent class not found"));
        } else if (!ClassNameForInstanceIsOk(owned.get(), name)) {
            throw EXSSerializationException(QStringLiteral("Xml node ") + name
                                            + QStringLiteral(" invalid, should match class ")
                                            + owned->ClassInfo().ClassName());
        }
        TXMLSerializerNodeInfo info(name, owned.release(), true);
        try {
            LoadObjectLowProps(info, element);
        } catch (...) {
            info.FreeOnError();
            throw;
        }
        child.reset(info.Release());
    }
    if (child) {
        try {
            giveParentToSerialized(parent, child.get());
        } catch (...) {
            if (!owned)
                (void)child.release();
            throw;
        }
    }
    return child;
}

void TXMLSerializer::LoadObjectLowProps(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element)
{
    // A copy: each loaded property element is removed from the element.
    const auto& list = element->ChildList();
    const std::vector<std::shared_ptr<TkwvDOMNodeBase>> children(list.begin(), list.end());
    for (const auto& child : children) {
        TkwvDOMElement* e = child->asElement();
        if (!e)
            throw EXSSerializationException(QStringLiteral("XML invalid: unknown or unexpected node ")
                                            + child->nodeName());
        LoadProperty(nodeInfo, e);
        element->removeChild(child);
    }
    if (!nodeInfo.Staged.empty()) {
        // Every value was read: now they are set.
        std::vector<std::function<void(TRemotable&)>> staged;
        staged.swap(nodeInfo.Staged);
        for (auto& set : staged)
            set(*nodeInfo.Instance);
    }
    if (OnEndObjectLoad)
        OnEndObjectLoad(this, nodeInfo.Instance, nodeInfo.NodeName, element);
}

void TXMLSerializer::LoadProperty(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element)
{
    const QString& elementName = element->NodeNameRef();
    const qsizetype n = nodeInfo.NodeName.size();
    QString propName;
    if (elementName.size() > n && elementName.at(n) == QLatin1Char('.')
        && QStringView(elementName).left(n).compare(nodeInfo.NodeName, Qt::CaseInsensitive) == 0)
        propName = QStringView(elementName).mid(n + 1).trimmed().toString();
    if (propName.isEmpty())
        throw EXSSerializationException(QStringLiteral("XML invalid: unknown or unexpected node ") + elementName);

    TRemotable* obj = nodeInfo.Instance;
    const QString className = obj->ClassInfo().ClassName();
    try {
        const TPropInfo* prop = nodeInfo.Props().PropInfoForWrite(propName);
        if (!prop) {
            LogError(propertyErrorMessage("load", propName, className));
            return;
        }
        LoadPropertyLow(nodeInfo, element, *prop);
    } catch (const std::exception& e) {
        throw EXSSetPropertyException(propertyErrorMessage("load", propName, className), std::current_exception(),
                                      exceptionText(e));
    }
}

namespace {

[[noreturn]] void kindNotSupported(const QString& kind, const TPropInfo& prop)
{
    throw EXSSerializationException(QStringLiteral("XML kind %1 unsupported for property %2 (%3)")
                                        .arg(kind, prop.FullName(), PropKindName(prop.Kind())));
}

int enumValueReq(const TEnumInfo& info, const QString& text)
{
    const int ordinal = info.OrdinalOf(text.trimmed(), Qt::CaseInsensitive);
    if (ordinal == kUnknownEnumOrdinal)
        throw EXSSerializationException(QStringLiteral("GetEnumValueReq: value '") + text + QStringLiteral("' invalid"));
    return ordinal;
}

bool boolValueReq(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    throw EXSSerializationException(QStringLiteral("GetEnumValueReq: value '") + text + QStringLiteral("' invalid"));
}

// Objects read for a property, held until the property takes them. A
// reference that a load handler keeps is let go, never freed.
class TLoadedObjects {
public:
    TLoadedObjects() = default;
    TLoadedObjects(const TLoadedObjects&) = delete;
    TLoadedObjects& operator=(const TLoadedObjects&) = delete;
    ~TLoadedObjects()
    {
        for (size_t i = 0; i < fItems.size(); ++i)
            if (fReferences[i])
                (void)fItems[i].release();
    }

    void add(std::unique_ptr<TRemotable> item, bool reference)
    {
        fItems.push_back(std::move(item));
        fReferences.push_back(reference);
    }
    // Raises, as the property would, when an object does not fit it.
    void checkFits(const TPropInfo& prop) const
    {
        for (const auto& item : fItems)
            if (item && !item->InheritsFrom(*prop.ItemClass()))
                throw Exception(QStringLiteral("TPropInfo.SetObject: an object of class %1 does not fit %2 (class %3)")
                                    .arg(item->ClassInfo().ClassName(), prop.FullName(), prop.ItemClass()->ClassName()));
    }
    std::unique_ptr<TRemotable> takeOne()
    {
        std::unique_ptr<TRemotable> one = fItems.empty() ? nullptr : std::move(fItems.front());
        fItems.clear();
        fReferences.clear();
        return one;
    }
    std::vector<std::unique_ptr<TRemotable>> takeAll()
    {
        std::vector<std::unique_ptr<TRemotable>> all;
        all.swap(fItems);
        fReferences.clear();
        return all;
    }

private:
    std::vector<std::unique_ptr<TRemotable>> fItems;
    std::vector<bool> fReferences;
};

// Sets a value read for an instance: at once, or once every property of a
// given root instance has been read.
void putValue(TXMLSerializerNodeInfo& info, std::function<void(TRemotable&)> set)
{
    if (info.Deferred)
        info.Staged.push_back(std::move(set));
    else
        set(*info.Instance);
}

// The same for the objects of an Object or ObjectArray property.
void putObjects(TXMLSerializerNodeInfo& info, const TPropInfo& prop, std::shared_ptr<TLoadedObjects> objects)
{
    objects->checkFits(prop);
    const TPropInfo* p = &prop;
    putValue(info, [p, objects](TRemotable& o) {
        if (p->Kind() == TPropKind::Object)
            p->SetObject(o, objects->takeOne());
        else
            p->SetObjects(o, objects->takeAll());
    });
}

} // namespace

void TXMLSerializer::LoadPropertyLow(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element, const TPropInfo& prop)
{
    TRemotable& obj = *nodeInfo.Instance;
    const TPropInfo* p = &prop;
    const QString kind = element->getAttribute(QStringLiteral("type"));
    QString text;
    const bool hasText = HasNodeValue(element, text);

    if (kind.compare(kKindEnumeration, Qt::CaseInsensitive) == 0) {
        if (!hasText)
            return;
        if (prop.Kind() == TPropKind::Boolean) {
            const bool v = boolValueReq(text);
            putValue(nodeInfo, [p, v](TRemotable& o) { p->SetBoolean(o, v); });
        } else if (prop.Kind() == TPropKind::Enum) {
            const int v = enumValueReq(*prop.EnumInfo(), text);
            putValue(nodeInfo, [p, v](TRemotable& o) { p->SetEnum(o, v); });
        } else
            kindNotSupported(kind, prop);
        return;
    }
    if (kind.compare(kKindXSDateTime, Qt::CaseInsensitive) == 0) {
        if (prop.Kind() != TPropKind::DateTime)
            throw EXSSerializationException(QStringLiteral("Value type for xml property ") + prop.Name()
                                            + QStringLiteral(" is invalid, should match class TXSDateTime"));
        if (!hasText)
            return;
        TXSDateTime v = prop.GetDateTime(obj).value_or(TXSDateTime());
        v.XSToNative(text);
        putValue(nodeInfo, [p, v](TRemotable& o) { p->SetDateTime(o, v); });
        return;
    }
    if (kind.startsWith(kKindXSPrefix, Qt::CaseInsensitive)) {
        const QString clsName = kind.mid(kKindXSPrefix.size());
        if (prop.Kind() != TPropKind::Decimal && prop.Kind() != TPropKind::DateTime)
            throw EXSSerializationException(QStringLiteral("Value type for xml property ") + prop.Name()
                                            + QStringLiteral(" is invalid, should inherit from class TRemotableXS"));
        const TClassInfo& expected = prop.Kind() == TPropKind::Decimal ? XSDecimalClassInfo() : XSDateTimeClassInfo();
        bool fits = clsName.compare(expected.ClassName(), Qt::CaseInsensitive) == 0
            || clsName.compare(ClassName(expected, false), Qt::CaseInsensitive) == 0 || ClassFind(clsName) == &expected;
        if (!fits)
            throw EXSSerializationException(QStringLiteral("Value type for xml property ") + prop.Name()
                                            + QStringLiteral(" is invalid, should match class ") + expected.ClassName());
        if (!hasText)
            return;
        if (prop.Kind() == TPropKind::Decimal) {
            TXSDecimal v = prop.GetDecimal(obj).value_or(TXSDecimal());
            v.XSToNative(text);
            putValue(nodeInfo, [p, v](TRemotable& o) { p->SetDecimal(o, v); });
        } else {
            TXSDateTime v = prop.GetDateTime(obj).value_or(TXSDateTime());
            v.XSToNative(text);
            putValue(nodeInfo, [p, v](TRemotable& o) { p->SetDateTime(o, v); });
        }
        return;
    }
    if (kind.compare(kKindObject, Qt::CaseInsensitive) == 0) {
        TkwvDOMElement* childElement = nullptr;
        for (const auto& c : element->ChildList())
            if ((childElement = c->asElement()))
                break;
        switch (prop.Kind()) {
        case TPropKind::Object: {
            auto objects = std::make_shared<TLoadedObjects>();
            if (childElement) {
                bool reference = false;
                std::unique_ptr<TRemotable> child = LoadObjectChild(&obj, childElement, &reference);
                objects->add(std::move(child), reference);
            }
            putObjects(nodeInfo, prop, std::move(objects));
            return;
        }
        case TPropKind::Decimal:
            if (!childElement)
                putValue(nodeInfo, [p](TRemotable& o) { p->SetDecimal(o, std::nullopt); });
            return;
        case TPropKind::DateTime:
            if (!childElement)
                putValue(nodeInfo, [p](TRemotable& o) { p->SetDateTime(o, std::nullopt); });
            return;
        default:
            kindNotSupported(kind, prop);
        }
    }
    if (kind.compare(kKindArray, Qt::CaseInsensitive) == 0 || kind.compare(kKindDynArray, Qt::CaseInsensitive) == 0) {
        loadArray(nodeInfo, element, prop, QStringLiteral("Object"));
        return;
    }
    if (kind.startsWith(kKindArrayOf, Qt::CaseInsensitive)) {
        loadArray(nodeInfo, element, prop, kind.mid(kKindArrayOf.size()));
        return;
    }

    // The variant rule: the kind names the type of the value.
    const int code = VariantTypeFromName(kind);
    if (code < 0)
        throw EXSSerializationException(QStringLiteral("Property type ") + kind + QStringLiteral(" unknown"));
    if (!hasText)
        return;
    const TVarValue val = parseVariant(code, text, fXMLSettings.XSNormalization());
    switch (prop.Kind()) {
    case TPropKind::String: {
        const QString v = varToString(val);
        putValue(nodeInfo, [p, v](TRemotable& o) { p->SetString(o, v); });
        break;
    }
    case TPropKind::Integer: {
        const qint64 n = varToInt64(val, text);
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            rangeError(n, "Integer");
        putValue(nodeInfo, [p, n](TRemotable& o) { p->SetInteger(o, qint32(n)); });
        break;
    }
    case TPropKind::Int64: {
        const qint64 n = varToInt64(val, text);
        putValue(nodeInfo, [p, n](TRemotable& o) { p->SetInt64(o, n); });
        break;
    }
    case TPropKind::Char: {
        const qint64 n = varToInt64(val, text);
        if (n < 0 || n > 0xFFFF)
            rangeError(n, "Char");
        putValue(nodeInfo, [p, n](TRemotable& o) { p->SetChar(o, char16_t(n)); });
        break;
    }
    case TPropKind::Double: {
        const double v = varToDouble(val, text);
        putValue(nodeInfo, [p, v](TRemotable& o) { p->SetDouble(o, v); });
        break;
    }
    case TPropKind::Boolean: {
        const bool v = varToBool(val, text);
        putValue(nodeInfo, [p, v](TRemotable& o) { p->SetBoolean(o, v); });
        break;
    }
    case TPropKind::Enum: {
        const qint64 n = varToInt64(val, text);
        if (n < 0 || n >= prop.EnumInfo()->Count())
            rangeError(n, "enumeration");
        putValue(nodeInfo, [p, n](TRemotable& o) { p->SetEnum(o, int(n)); });
        break;
    }
    case TPropKind::Variant: {
        const QVariant v = varToQVariant(val);
        putValue(nodeInfo, [p, v](TRemotable& o) { p->SetVariant(o, v); });
        break;
    }
    case TPropKind::DateTime:
        if (auto* dt = std::get_if<QDateTime>(&val.v)) {
            const TXSDateTime v(*dt);
            putValue(nodeInfo, [p, v](TRemotable& o) { p->SetDateTime(o, v); });
            break;
        }
        kindNotSupported(kind, prop);
    default:
        kindNotSupported(kind, prop);
    }
}

void TXMLSerializer::loadArray(TXMLSerializerNodeInfo& nodeInfo, TkwvDOMElement* element, const TPropInfo& prop,
                               const QString& itemKind)
{
    TRemotable& obj = *nodeInfo.Instance;
    const TPropInfo* p = &prop;
    const QString tail = QStringLiteral(": unsupported type for property ") + obj.ClassInfo().ClassName()
        + QLatin1Char('.') + prop.Name();
    const bool isArray = prop.Kind() == TPropKind::ObjectArray || prop.Kind() == TPropKind::IntArray
        || prop.Kind() == TPropKind::EnumArray || prop.Kind() == TPropKind::StringArray
        || prop.Kind() == TPropKind::Bytes;
    if (!isArray)
        throw EXSSerializationException(QStringLiteral("XML DynArray: unsupported type(nil) for property ")
                                        + obj.ClassInfo().ClassName() + QLatin1Char('.') + prop.Name());
    QString text;
    HasNodeValue(element, text);
    auto parts = [&]() {
        QStringList out;
        if (text.trimmed().isEmpty())
            return out;
        for (const QString& p : text.split(QLatin1Char(';')))
            out.append(p.trimmed());
        return out;
    };

    if (itemKind.compare(QLatin1String("Object"), Qt::CaseInsensitive) == 0) {
        if (prop.Kind() != TPropKind::ObjectArray)
            throw EXSSerializationException(QStringLiteral("XML DynArray(Obj)") + tail);
        // On failure the items made so far are freed with the list.
        auto items = std::make_shared<TLoadedObjects>();
        for (const auto& c : element->ChildList()) {
            TkwvDOMElement* e = c->asElement();
            if (!e)
                continue;
            bool reference = false;
            std::unique_ptr<TRemotable> item = LoadObjectChild(&obj, e, &reference);
            if (item)
                items->add(std::move(item), reference);
        }
        putObjects(nodeInfo, prop, std::move(items));
    } else if (itemKind.compare(QLatin1String("Int32"), Qt::CaseInsensitive) == 0) {
        if (prop.Kind() != TPropKind::IntArray)
            throw EXSSerializationException(QStringLiteral("XML DynArray(Int32)") + tail);
        std::vector<qint32> values;
        for (const QString& p : parts()) {
            bool ok = false;
            const qint32 n = p.toInt(&ok);
            if (!ok)
                throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(p));
            values.push_back(n);
        }
        putValue(nodeInfo, [p, values](TRemotable& o) { p->SetIntArray(o, values); });
    } else if (itemKind.compare(QLatin1String("Byte"), Qt::CaseInsensitive) == 0) {
        if (prop.Kind() != TPropKind::Bytes)
            throw EXSSerializationException(QStringLiteral("XML DynArray(Byte)") + tail);
        const auto decoded = QByteArray::fromBase64Encoding(text.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            throw EConvertError(QStringLiteral("Invalid Base64 data"));
        const QByteArray bytes = *decoded;
        putValue(nodeInfo, [p, bytes](TRemotable& o) { p->SetBytes(o, bytes); });
    } else if (itemKind.compare(kKindEnumeration, Qt::CaseInsensitive) == 0) {
        if (prop.Kind() != TPropKind::EnumArray)
            throw EXSSerializationException(QStringLiteral("XML DynArray(Enumeration)") + tail);
        std::vector<int> values;
        for (const QString& p : parts())
            values.push_back(enumValueReq(*prop.EnumInfo(), p));
        putValue(nodeInfo, [p, values](TRemotable& o) { p->SetEnumArray(o, values); });
    } else if (itemKind.compare(QLatin1String("String"), Qt::CaseInsensitive) == 0) {
        if (prop.Kind() != TPropKind::StringArray)
            throw EXSSerializationException(QStringLiteral("XML DynArray(String)") + tail);
        QStringList values;
        for (const auto& c : element->ChildList()) {
            TkwvDOMElement* e = c->asElement();
            if (!e)
                continue;
            values.append(GetNodeValue(e));
        }
        putValue(nodeInfo, [p, values](TRemotable& o) { p->SetStringArray(o, values); });
    } else if (itemKind.compare(QLatin1String("Int"), Qt::CaseInsensitive) == 0) {
        throw EXSSerializationException(QStringLiteral("XML DynArray(Int)") + tail);
    } else {
        throw EXSSerializationException(QStringLiteral("XML DynArray(?? ") + itemKind + QStringLiteral(")") + tail);
    }
}

// ---------------------------------------------------------------------------
// Streaming writer

TXMLSerializerParserToXml::TXMLSerializerParserToXml(TXMLSerializer* serializer, QIODevice* stream)
    : fSerializer(serializer)
    , fTextWriter(std::make_unique<TkwvStreamWriter>(stream, serializer->XMLData()->ParserEncoding(), 4096))
    , fExport(serializer->StorageOptions.testFlag(soDotNetExport))
{
    set_IncludeXmlDecl(true);
    set_IncludeOuter(true);
    set_ManageNamespaces(serializer->XMLData()->ManageNamespaces());
    startOnWriter(fTextWriter.get());
}

TXMLSerializerParserToXml::~TXMLSerializerParserToXml()
{
    writeEnd();
}

void TXMLSerializerParserToXml::removeFromParent(TkwvDOMElement* element)
{
    TkwvDOMNodeBase* parent = element->parentNodeObj();
    if (!parent)
        return;
    parent->removeChild(element->shared_from_this());
}

void TXMLSerializerParserToXml::writeDeclarationOnce(TkwvDOMElement* anyElement)
{
    if (fDeclWritten)
        return;
    fDeclWritten = true;
    fLevel = 0;
    if (TkwvDOMDocument* doc = anyElement->ownerDocumentObj())
        writeNode(doc->get_xmlDeclNodeForced());
    set_IncludeXmlDecl(false);
}

void TXMLSerializerParserToXml::stackPushNode(TkwvDOMElement* element)
{
    const int last = int(fStack.size()) - 1;
    if (fStackLevel != last && fStackLevel != last - 1)
        throw Exception(QStringLiteral("TXMLSerializerParserToXml.stackPushNode: unexpected ctx"));
    ++fStackLevel;
    if (fStackLevel < int(fStack.size())) {
        if (fStack[size_t(fStackLevel)].element.get() != element) {
            // A new sibling: the previous one is complete.
            stackFlushLast();
            fStack.push_back({ std::static_pointer_cast<TkwvDOMElement>(element->shared_from_this()), -1 });
        }
    } else {
        fStack.push_back({ std::static_pointer_cast<TkwvDOMElement>(element->shared_from_this()), -1 });
    }
}

void TXMLSerializerParserToXml::stackPopNode(TkwvDOMElement* element)
{
    if (fStackLevel < 0 || fStackLevel >= int(fStack.size()) || fStack[size_t(fStackLevel)].element.get() != element)
        throw Exception(QStringLiteral("TXMLSerializerParserToXml.stackPopNode: unexpected ctx"));
    const int last = int(fStack.size()) - 1;
    if (last > fStackLevel) {
        if (last != fStackLevel + 1)
            throw Exception(QStringLiteral("TXMLSerializerParserToXml.stackPopNode: unexpected ctx(2)"));
        stackFlushLast();
    }
    --fStackLevel;
}

void TXMLSerializerParserToXml::stackFlushNodeHeader(int k, TkwvDOMElement* childInProgress)
{
    TXmlStack& entry = fStack[size_t(k)];
    if (k > 0)
        stackFlushNodeHeader(k - 1, entry.element.get());
    else
        writeDeclarationOnce(entry.element.get());
    if (entry.count < 0) {
        fLevel = k;
        if (!entry.element->writeHeaderToXml(*this))
            throw Exception(QStringLiteral("TXMLSerializerParserToXml.stackFlushNodeHeader: unexpected result"));
        entry.count = 0;
    }
    if (!childInProgress)
        throw Exception(QStringLiteral("TXMLSerializerParserToXml.stackFlushNodeHeader: unexpected ctx"));
    // The children before the one being completed are complete: write them
    // whole and let them go.
    for (;;) {
        const auto& children = entry.element->ChildList();
        if (children.empty())
            throw Exception(QStringLiteral("TXMLSerializerParserToXml.stackFlushNodeHeader: unexpected ctx (2)"));
        std::shared_ptr<TkwvDOMNodeBase> first = children.front();
        if (first.get() == childInProgress)
            break;
        fLevel = k;
        writeNode(first);
        entry.element->removeChild(first);
        ++entry.count;
    }
}

void TXMLSerializerParserToXml::stackFlushLast()
{
    const int k = int(fStack.size()) - 1;
    TXmlStack& entry = fStack[size_t(k)];
    ElementPtr element = entry.element;
    if (k > 0)
        stackFlushNodeHeader(k - 1, element.get());
    else
        writeDeclarationOnce(element.get());
    if (entry.count < 0) {
        fLevel = k;
        writeNode(element);
    } else {
        while (!element->ChildList().empty()) {
            std::shared_ptr<TkwvDOMNodeBase> child = element->ChildList().front();
            fLevel = k;
            writeNode(child);
            element->removeChild(child);
        }
        fLevel = k;
        element->writeFooterToXml(*this);
    }
    removeFromParent(element.get());
    fStack.pop_back();
}

void TXMLSerializerParserToXml::Flush()
{
    if (fStackLevel != -1 || fStack.size() > 1)
        throw Exception(QStringLiteral("TXMLSerializerParserToXml.Flush: unexpected ctx"));
    if (!fStack.empty())
        stackFlushLast();
    fStack.clear();
    fTextWriter->Flush();
}

void TXMLSerializerParserToXml::beforeWriteNode(TkwvDOMNodeBase* node)
{
    TkwvDomToXmlParser::beforeWriteNode(node);
    if (!fExport)
        return;
    if (TkwvDOMElement* e = node->asElement()) {
        if (e->NodeNameRef() == QLatin1String("Type_"))
            e->change_nodeName(QStringLiteral("Type"));
        else if (e->NodeNameRef() == QLatin1String("CommandSerial")) {
            e->setAttribute(QStringLiteral("xmlns:xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
            e->setAttribute(QStringLiteral("xmlns:xsd"), QStringLiteral("http://www.w3.org/2001/XMLSchema"));
        }
    }
}

void TXMLSerializerParserToXml::writeAttribute(const QString& name, const QString& value)
{
    if (fExport && name == QLatin1String("Type_"))
        TkwvDomToXmlParser::writeAttribute(QStringLiteral("Type"), value);
    else
        TkwvDomToXmlParser::writeAttribute(name, value);
}

void TXMLSerializerParserToXml::writeEscapedText(QStringView text)
{
    // The reader drops a text made only of blanks and turns CR LF into LF;
    // written as character references they come back as they were.
    bool blank = !text.isEmpty();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u != u' ' && u != u'\t' && u != u'\n' && u != u'\r') {
            blank = false;
            break;
        }
    }
    if (blank) {
        QString refs;
        for (QChar c : text)
            refs += QStringLiteral("&#%1;").arg(int(c.unicode()));
        writeText(refs);
        return;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            if (i > start)
                TkwvDomToXmlParser::writeEscapedText(text.mid(start, i - start));
            writeText(u"&#13;");
            start = i + 1;
        }
    }
    if (start < text.size())
        TkwvDomToXmlParser::writeEscapedText(text.mid(start));
}

// ---------------------------------------------------------------------------
// Streaming loader

TXMLSerializerParserToDom::TXMLSerializerParserToDom(TXMLSerializer* serializer, TRemotable* rootInstance)
    : fSerializer(serializer)
    , fGivenRoot(rootInstance)
{
}

TXMLSerializerParserToDom::~TXMLSerializerParserToDom()
{
    freeOpenNodeInfos();
    fWaiting.clear();
}

void TXMLSerializerParserToDom::freeOpenNodeInfos()
{
    for (TStackLevel& level : fStack) {
        if ((level.fType == roleRoot || level.fType == roleObject) && level.fData) {
            auto* info = static_cast<TXMLSerializerNodeInfo*>(level.fData);
            level.fData = nullptr;
            info->FreeOnError();
            delete info;
        }
    }
}

void TXMLSerializerParserToDom::parseCleanup()
{
    freeOpenNodeInfos();
    TkwvXmlToDomParser::parseCleanup();
}

TXMLSerializerNodeInfo* TXMLSerializerParserToDom::startObject(TkwvDOMElement* element, bool isRoot)
{
    const QString name = element->NodeNameRef();
    TXMLSerializer& ser = *fSerializer;
    if (isRoot && fGivenRoot) {
        TRemotable* inst = fGivenRoot;
        bool skip = false;
        if (ser.OnStartObjectLoad)
            ser.OnStartObjectLoad(&ser, inst, name, element, true, skip);
        if (!skip && !ser.ClassNameForInstanceIsOk(inst, name))
            throw EXSSerializationException(QStringLiteral("Xml node ") + name
                                            + QStringLiteral(" invalid, should match class ")
                                            + (inst ? inst->ClassInfo().ClassName() : QStringLiteral("nil")));
        auto* info = new TXMLSerializerNodeInfo(name, inst, false);
        info->SkipProperties = skip;
        // The given object is only changed once the whole document has been
        // read: a cut or broken document leaves it as it was.
        info->Deferred = true;
        return info;
    }
    TRemotable* inst = nullptr;
    bool skip = false;
    if (ser.OnStartObjectLoad)
        ser.OnStartObjectLoad(&ser, inst, name, element, true, skip);
    std::unique_ptr<TRemotable> owned(inst);
    if (!skip) {
        if (owned) {
            if (!ser.ClassNameForInstanceIsOk(owned.get(), name))
                throw EXSSerializationException(QStringLiteral("Xml node ") + name
                                                + QStringLiteral(" invalid, should match class ")
                                                + owned->ClassInfo().ClassName());
        } else {
            owned = ser.NewObject(name);
            // With a load handler the creation may wait for the whole
            // element; without one the class must be known now.
            if (!owned && !ser.OnStartObjectLoad)
                throw EXSSerializationException(QStringLiteral("Xml node ") + name
                                                + QStringLiteral(" invalid, persistent class not found"));
        }
    }
    // An instance supplied together with a skip is a reference to an object
    // the handler keeps (an object shared by several elements): it is
    // handed to its property as it is and never freed here.
    const bool reference = skip && owned;
    auto* info = new TXMLSerializerNodeInfo(name, owned.release(), !reference);
    info->SkipProperties = skip;
    return info;
}

void TXMLSerializerParserToDom::onStackPush(TStackLevel& level)
{
    TkwvDOMElement* element = level.fNode.get();
    const QString& name = element->NodeNameRef();
    const qsizetype depth = stackCount();
    const QString& rootId = fSerializer->XMLSettings().XMLRootId();
    if (element->asXmlDecl()) {
        level.fType = roleIgnored;
        return;
    }
    int role = 0;
    if (depth == 0) {
        if (!rootId.isEmpty()) {
            if (name.compare(rootId, Qt::CaseInsensitive) != 0)
                throw EXSSerializationException(
                    QStringLiteral("Bad xml root, expected: %1, found: %2").arg(rootId, name));
            role = roleIgnored;
        } else {
            role = roleRoot;
        }
    } else if (depth == 1 && !rootId.isEmpty()) {
        role = roleRoot;
    } else {
        const TStackLevel& parent = stackLevel(depth - 1);
        if (name.contains(QLatin1Char('.'))) {
            if (parent.fType != roleRoot && parent.fType != roleObject)
                throw EXSSerializationException(QStringLiteral("Bad xml node(%1), node syntax expected").arg(name));
            role = roleProperty;
        } else if (name == QLatin1String("Item")) {
            if (parent.fType != roleProperty)
                throw EXSSerializationException(QStringLiteral("Bad xml node(%1), node syntax expected(2)").arg(name));
            role = roleIgnored;
        } else {
            role = roleObject;
        }
    }
    level.fType = role;
    if (role == roleRoot || role == roleObject)
        level.fData = startObject(element, role == roleRoot);
}

void TXMLSerializerParserToDom::endProperty(TStackLevel& level)
{
    const qsizetype top = stackCount() - 1;
    if (top < 1)
        throw Exception(QStringLiteral("TXMLSerializerParserToDom.nodeTrySolveProperty: unexpected context"));
    TStackLevel& parent = stackLevel(top - 1);
    if ((parent.fType != roleRoot && parent.fType != roleObject) || !parent.fData)
        throw Exception(QStringLiteral("TXMLSerializerParserToDom.nodeTrySolveProperty: unexpected context"));
    auto* info = static_cast<TXMLSerializerNodeInfo*>(parent.fData);
    if (!info->Instance || info->SkipProperties || info->Deferred)
        return; // loaded when its object element ends (or never)
    fSerializer->LoadProperty(*info, level.fNode.get());
    parent.fNode->removeChild(level.fNode);
}

void TXMLSerializerParserToDom::endObject(TStackLevel& level)
{
    auto* info = static_cast<TXMLSerializerNodeInfo*>(level.fData);
    if (!info)
        return;
    TXMLSerializer& ser = *fSerializer;
    TkwvDOMElement* element = level.fNode.get();
    const bool isRoot = level.fType == roleRoot;
    try {
        if (!info->Instance) {
            // retryCreate: the handler sees the whole element now (also after
            // it skipped the element's start, when it may supply a reference).
            TRemotable* inst = nullptr;
            bool skip = false;
            if (ser.OnStartObjectLoad)
                ser.OnStartObjectLoad(&ser, inst, info->NodeName, element, false, skip);
            if (inst) {
                info->Instance = inst;
                info->ToFreeOnError = !skip;
                if (!skip && !ser.ClassNameForInstanceIsOk(inst, info->NodeName))
                    throw EXSSerializationException(QStringLiteral("Xml node ") + info->NodeName
                                                    + QStringLiteral(" invalid, should match class ")
                                                    + inst->ClassInfo().ClassName());
            }
            if (skip)
                info->SkipProperties = true;
            else if (!inst && !info->SkipProperties)
                throw Exception(QStringLiteral("TXMLSerializerNodeInfo.retryCreate: unexpected call"));
        }
        if (isRoot && info->Deferred) {
            level.fData = nullptr;
            fDeferredRoot.reset(info);
            fDeferredRootElement = level.fNode;
            return;
        }
        if (!info->SkipProperties)
            ser.LoadObjectLowProps(*info, element);
    } catch (...) {
        level.fData = nullptr;
        info->FreeOnError();
        delete info;
        throw;
    }
    level.fData = nullptr;
    std::unique_ptr<TXMLSerializerNodeInfo> guard(info);
    if (isRoot) {
        fRootResult = info->Instance;
        fRootDone = true;
        if (info->ToFreeOnError)
            fRootOwned.reset(info->Release());
        return;
    }
    const bool reference = info->SkipProperties && info->Instance && !info->ToFreeOnError;
    if (info->SkipProperties && !reference) {
        info->FreeOnError();
        return;
    }
    std::unique_ptr<TRemotable> obj(info->Release());
    auto it = fWaiting.find(element);
    if (it != fWaiting.end()) {
        LogDebugFmt(QStringLiteral("TXMLSerializerParserToDom.onStackPop(%s): node no more used by business tree, "
                                   "instance (%s) removed"),
                    { info->NodeName, it->second.object ? it->second.object->ClassInfo().ClassName() : QString() });
        it->second.set(std::move(obj), !reference);
    } else {
        fWaiting.emplace(element, TWaiting(level.fNode, std::move(obj), !reference));
    }
}

void TXMLSerializerParserToDom::onStackPop(TStackLevel& level)
{
    switch (level.fType) {
    case roleProperty:
        endProperty(level);
        break;
    case roleRoot:
    case roleObject:
        endObject(level);
        break;
    default:
        break;
    }
}

void TXMLSerializerParserToDom::finishDeferredRoot()
{
    if (!fDeferredRoot)
        return;
    std::unique_ptr<TXMLSerializerNodeInfo> info = std::move(fDeferredRoot);
    if (!info->SkipProperties)
        fSerializer->LoadObjectLowProps(*info, fDeferredRootElement.get());
    fRootResult = info->Instance;
    fRootDone = true;
    fDeferredRootElement.reset();
}

TRemotable* TXMLSerializerParserToDom::getNewInstanceRoot()
{
    if (!fRootDone)
        throw Exception(QStringLiteral("TXMLSerializerParserToDom.getNewInstanceRoot: no root instance created "
                                       "(waiting node=%1)")
                            .arg(fWaiting.size()));
    TRemotable* root = fRootResult;
    fRootResult = nullptr;
    fRootDone = false;
    return root;
}

std::unique_ptr<TRemotable> TXMLSerializerParserToDom::getWaitingNode(TkwvDOMElement* element, bool* owned)
{
    *owned = true;
    auto it = fWaiting.find(element);
    if (it == fWaiting.end())
        return nullptr;
    std::unique_ptr<TRemotable> obj = std::move(it->second.object);
    *owned = it->second.owned;
    fWaiting.erase(it);
    return obj;
}
