#include "UXmlSerializer.h"
#include "UXmlSerializerStreams.h"

#include "UDebug.h"
#include "UTools.h"

#include <QBuffer>
#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <cmath>
#include <limits>
#include <mutex>
#include <variant>

// ---------------------------------------------------------------------------
// Exceptions and base classes

namespace {

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
    const auto& names = variantNames();
    for (int code = 0; code < kVariantTypeCount; ++code) {
        const QString& n = names[size_t(code)];
        if (!n.isEmpty() && QString::localeAwareCompare(n.toLower(), name.toLower()) == 0)
            return code;
    }
    return -1;
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
