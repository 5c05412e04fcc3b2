#include "URttiCache.h"

#include <QHash>
#include <QSet>
#include <mutex>

QString PropKindName(TPropKind kind)
{
    switch (kind) {
    case TPropKind::String: return QStringLiteral("String");
    case TPropKind::Integer: return QStringLiteral("Integer");
    case TPropKind::Int64: return QStringLiteral("Int64");
    case TPropKind::Boolean: return QStringLiteral("Boolean");
    case TPropKind::Double: return QStringLiteral("Double");
    case TPropKind::Char: return QStringLiteral("Char");
    case TPropKind::Enum: return QStringLiteral("Enum");
    case TPropKind::DateTime: return QStringLiteral("DateTime");
    case TPropKind::Decimal: return QStringLiteral("Decimal");
    case TPropKind::Bytes: return QStringLiteral("Bytes");
    case TPropKind::Object: return QStringLiteral("Object");
    case TPropKind::ObjectArray: return QStringLiteral("ObjectArray");
    case TPropKind::IntArray: return QStringLiteral("IntArray");
    case TPropKind::StringArray: return QStringLiteral("StringArray");
    case TPropKind::EnumArray: return QStringLiteral("EnumArray");
    case TPropKind::Variant: return QStringLiteral("Variant");
    }
    return QString();
}

// ------------------------------------------------------------------ TEnumInfo

TEnumInfo::TEnumInfo(QString typeName, QString xmlName, QString xmlNamespace, QStringList names)
    : fTypeName(std::move(typeName))
    , fXmlName(std::move(xmlName))
    , fXmlNamespace(std::move(xmlNamespace))
    , fNames(std::move(names))
{
}

QString TEnumInfo::NameOf(int ordinal) const
{
    if (ordinal < 0 || ordinal >= fNames.size())
        return QString();
    return fNames.at(ordinal);
}

int TEnumInfo::OrdinalOf(const QString& name, Qt::CaseSensitivity cs) const
{
    for (int i = 0; i < fNames.size(); ++i)
        if (fNames.at(i).compare(name, cs) == 0)
            return i;
    return kUnknownEnumOrdinal;
}

// ------------------------------------------------------------------ TPropInfo

TPropInfo::TPropInfo(const TClassInfo& owner, QString name, TPropKind kind, const TPropOptions& options,
                     AnyAccess access, std::function<bool(const TRemotable&)> stored, bool hasStoredFlag,
                     const TEnumInfo* enumInfo, const TClassInfo* itemClass)
    : fOwner(owner)
    , fName(std::move(name))
    , fXmlName(options.xmlName().isEmpty() ? fName : options.xmlName())
    , fItemName(options.itemName())
    , fKind(kind)
    , fNillable(options.nillable())
    , fHasStoredFlag(hasStoredFlag)
    , fEnumInfo(enumInfo)
    , fItemClass(itemClass)
    , fAccess(std::move(access))
    , fStored(std::move(stored))
{
}

QString TPropInfo::ItemName() const
{
    if (!fItemName.isEmpty())
        return fItemName;
    switch (fKind) {
    case TPropKind::ObjectArray: return fItemClass->XmlName();
    case TPropKind::IntArray: return QStringLiteral("int");
    case TPropKind::StringArray: return QStringLiteral("string");
    case TPropKind::EnumArray: return fEnumInfo->XmlName();
    default: return QString();
    }
}

QString TPropInfo::FullName() const
{
    return fOwner.ClassName() + QLatin1Char('.') + fName;
}

bool TPropInfo::IsStored(const TRemotable& obj) const
{
    return !fStored || fStored(obj);
}

void TPropInfo::kindMismatch(const char* operation, TPropKind wanted) const
{
    throw Exception(QStringLiteral("TPropInfo.%1: %2 is %3, not %4")
                        .arg(QLatin1String(operation), FullName(), PropKindName(fKind), PropKindName(wanted)));
}

template <class A>
const A& TPropInfo::access(const char* operation, TPropKind wanted) const
{
    const A* a = std::get_if<A>(&fAccess);
    if (fKind != wanted || a == nullptr)
        kindMismatch(operation, wanted);
    return *a;
}

template <class A>
const A& TPropInfo::accessOf(const char* operation, TPropKind a, TPropKind b) const
{
    const A* acc = std::get_if<A>(&fAccess);
    if ((fKind != a && fKind != b) || acc == nullptr)
        kindMismatch(operation, a);
    return *acc;
}

QString TPropInfo::GetString(const TRemotable& obj) const
{
    return access<Access<QString>>("GetString", TPropKind::String).get(obj);
}
void TPropInfo::SetString(TRemotable& obj, const QString& value) const
{
    access<Access<QString>>("SetString", TPropKind::String).set(obj, value);
}
qint32 TPropInfo::GetInteger(const TRemotable& obj) const
{
    return access<Access<qint32>>("GetInteger", TPropKind::Integer).get(obj);
}
void TPropInfo::SetInteger(TRemotable& obj, qint32 value) const
{
    access<Access<qint32>>("SetInteger", TPropKind::Integer).set(obj, value);
}
qint64 TPropInfo::GetInt64(const TRemotable& obj) const
{
    return access<Access<qint64>>("GetInt64", TPropKind::Int64).get(obj);
}
void TPropInfo::SetInt64(TRemotable& obj, qint64 value) const
{
    access<Access<qint64>>("SetInt64", TPropKind::Int64).set(obj, value);
}
bool TPropInfo::GetBoolean(const TRemotable& obj) const
{
    return access<Access<bool>>("GetBoolean", TPropKind::Boolean).get(obj);
}
void TPropInfo::SetBoolean(TRemotable& obj, bool value) const
{
    access<Access<bool>>("SetBoolean", TPropKind::Boolean).set(obj, value);
}
double TPropInfo::GetDouble(const TRemotable& obj) const
{
    return access<Access<double>>("GetDouble", TPropKind::Double).get(obj);
}
void TPropInfo::SetDouble(TRemotable& obj, double value) const
{
    access<Access<double>>("SetDouble", TPropKind::Double).set(obj, value);
}
char16_t TPropInfo::GetChar(const TRemotable& obj) const
{
    return access<Access<char16_t>>("GetChar", TPropKind::Char).get(obj);
}
void TPropInfo::SetChar(TRemotable& obj, char16_t value) const
{
    access<Access<char16_t>>("SetChar", TPropKind::Char).set(obj, value);
}
std::optional<TXSDateTime> TPropInfo::GetDateTime(const TRemotable& obj) const
{
    return access<Access<std::optional<TXSDateTime>>>("GetDateTime", TPropKind::DateTime).get(obj);
}
void TPropInfo::SetDateTime(TRemotable& obj, std::optional<TXSDateTime> value) const
{
    access<Access<std::optional<TXSDateTime>>>("SetDateTime", TPropKind::DateTime).set(obj, std::move(value));
}
std::optional<TXSDecimal> TPropInfo::GetDecimal(const TRemotable& obj) const
{
    return access<Access<std::optional<TXSDecimal>>>("GetDecimal", TPropKind::Decimal).get(obj);
}
void TPropInfo::SetDecimal(TRemotable& obj, std::optional<TXSDecimal> value) const
{
    access<Access<std::optional<TXSDecimal>>>("SetDecimal", TPropKind::Decimal).set(obj, std::move(value));
}
QByteArray TPropInfo::GetBytes(const TRemotable& obj) const
{
    return access<Access<QByteArray>>("GetBytes", TPropKind::Bytes).get(obj);
}
void TPropInfo::SetBytes(TRemotable& obj, const QByteArray& value) const
{
    access<Access<QByteArray>>("SetBytes", TPropKind::Bytes).set(obj, value);
}
std::vector<qint32> TPropInfo::GetIntArray(const TRemotable& obj) const
{
    return access<Access<std::vector<qint32>>>("GetIntArray", TPropKind::IntArray).get(obj);
}
void TPropInfo::SetIntArray(TRemotable& obj, std::vector<qint32> value) const
{
    access<Access<std::vector<qint32>>>("SetIntArray", TPropKind::IntArray).set(obj, std::move(value));
}
QStringList TPropInfo::GetStringArray(const TRemotable& obj) const
{
    return access<Access<QStringList>>("GetStringArray", TPropKind::StringArray).get(obj);
}
void TPropInfo::SetStringArray(TRemotable& obj, const QStringList& value) const
{
    access<Access<QStringList>>("SetStringArray", TPropKind::StringArray).set(obj, value);
}

QVariant TPropInfo::GetVariant(const TRemotable& obj) const
{
    return access<Access<QVariant>>("GetVariant", TPropKind::Variant).get(obj);
}
void TPropInfo::SetVariant(TRemotable& obj, const QVariant& value) const
{
    access<Access<QVariant>>("SetVariant", TPropKind::Variant).set(obj, value);
}

int TPropInfo::GetEnum(const TRemotable& obj) const
{
    return access<Access<qint32>>("GetEnum", TPropKind::Enum).get(obj);
}
void TPropInfo::SetEnum(TRemotable& obj, int ordinal) const
{
    access<Access<qint32>>("SetEnum", TPropKind::Enum).set(obj, ordinal);
}
std::vector<int> TPropInfo::GetEnumArray(const TRemotable& obj) const
{
    return access<Access<std::vector<qint32>>>("GetEnumArray", TPropKind::EnumArray).get(obj);
}
void TPropInfo::SetEnumArray(TRemotable& obj, std::vector<int> ordinals) const
{
    access<Access<std::vector<qint32>>>("SetEnumArray", TPropKind::EnumArray).set(obj, std::move(ordinals));
}

QString TPropInfo::GetEnumName(const TRemotable& obj) const
{
    const int ordinal = GetEnum(obj);
    const QString name = fEnumInfo->NameOf(ordinal);
    return name.isEmpty() ? obj.UnknownEnumText(fName) : name;
}

void TPropInfo::SetEnumName(TRemotable& obj, const QString& name, Qt::CaseSensitivity cs) const
{
    const int ordinal = fEnumInfo->OrdinalOf(name, cs);
    SetEnum(obj, ordinal);
    if (ordinal == kUnknownEnumOrdinal)
        obj.SetUnknownEnumText(fName, name);
}

QStringList TPropInfo::GetEnumNames(const TRemotable& obj) const
{
    QStringList names;
    const std::vector<int> ordinals = GetEnumArray(obj);
    for (size_t i = 0; i < ordinals.size(); ++i) {
        const QString name = fEnumInfo->NameOf(ordinals[i]);
        names << (name.isEmpty() ? obj.UnknownEnumText(fName + QLatin1Char('#') + QString::number(i)) : name);
    }
    return names;
}

void TPropInfo::SetEnumNames(TRemotable& obj, const QStringList& names, Qt::CaseSensitivity cs) const
{
    std::vector<int> ordinals;
    ordinals.reserve(names.size());
    for (const QString& name : names)
        ordinals.push_back(fEnumInfo->OrdinalOf(name, cs));
    SetEnumArray(obj, ordinals);
    for (int i = 0; i < names.size(); ++i)
        if (ordinals[size_t(i)] == kUnknownEnumOrdinal)
            obj.SetUnknownEnumText(fName + QLatin1Char('#') + QString::number(i), names.at(i));
}

TRemotable* TPropInfo::GetObject(const TRemotable& obj) const
{
    return access<ObjectAccess>("GetObject", TPropKind::Object).get(obj);
}

void TPropInfo::SetObject(TRemotable& obj, std::unique_ptr<TRemotable> value) const
{
    const ObjectAccess& a = access<ObjectAccess>("SetObject", TPropKind::Object);
    if (value && !value->InheritsFrom(*fItemClass))
        throw Exception(QStringLiteral("TPropInfo.SetObject: an object of class %1 does not fit %2 (class %3)")
                            .arg(value->ClassInfo().ClassName(), FullName(), fItemClass->ClassName()));
    a.set(obj, std::move(value));
}

std::vector<TRemotable*> TPropInfo::GetObjects(const TRemotable& obj) const
{
    return access<ObjectArrayAccess>("GetObjects", TPropKind::ObjectArray).get(obj);
}

void TPropInfo::SetObjects(TRemotable& obj, std::vector<std::unique_ptr<TRemotable>> items) const
{
    const ObjectArrayAccess& a = access<ObjectArrayAccess>("SetObjects", TPropKind::ObjectArray);
    for (const auto& item : items)
        if (item && !item->InheritsFrom(*fItemClass))
            throw Exception(QStringLiteral("TPropInfo.SetObjects: an object of class %1 does not fit %2 (class %3)")
                                .arg(item->ClassInfo().ClassName(), FullName(), fItemClass->ClassName()));
    a.set(obj, std::move(items));
}

bool TPropInfo::IsNil(const TRemotable& obj) const
{
    switch (fKind) {
    case TPropKind::Object: return GetObject(obj) == nullptr;
    case TPropKind::DateTime: return !GetDateTime(obj).has_value();
    case TPropKind::Decimal: return !GetDecimal(obj).has_value();
    default: return obj.IsNilMember(fName);
    }
}

void TPropInfo::SetNil(TRemotable& obj) const
{
    switch (fKind) {
    case TPropKind::String: SetString(obj, QString()); break;
    case TPropKind::Integer: SetInteger(obj, 0); break;
    case TPropKind::Int64: SetInt64(obj, 0); break;
    case TPropKind::Boolean: SetBoolean(obj, false); break;
    case TPropKind::Double: SetDouble(obj, 0); break;
    case TPropKind::Char: SetChar(obj, 0); break;
    case TPropKind::Enum: SetEnum(obj, 0); break;
    case TPropKind::DateTime: SetDateTime(obj, std::nullopt); return;
    case TPropKind::Decimal: SetDecimal(obj, std::nullopt); return;
    case TPropKind::Bytes: SetBytes(obj, QByteArray()); break;
    case TPropKind::Object: SetObject(obj, nullptr); return;
    case TPropKind::ObjectArray: SetObjects(obj, {}); break;
    case TPropKind::IntArray: SetIntArray(obj, {}); break;
    case TPropKind::StringArray: SetStringArray(obj, {}); break;
    case TPropKind::EnumArray: SetEnumArray(obj, {}); break;
    case TPropKind::Variant: SetVariant(obj, QVariant::fromValue(nullptr)); break;
    }
    obj.SetNilMember(fName);
}

// ----------------------------------------------------------------- TClassInfo

TClassInfo::TClassInfo(QString className, const TClassInfo* parent, Factory factory, QString xmlName,
                       QString xmlNamespace)
    : fClassName(std::move(className))
    , fParent(parent)
    , fFactory(std::move(factory))
    , fXmlName(xmlName.isEmpty() ? fClassName : std::move(xmlName))
    , fXmlNamespace(std::move(xmlNamespace))
{
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c != nullptr; c = c->fParent)
        if (c == &other)
            return true;
    return false;
}

std::unique_ptr<TRemotable> TClassInfo::CreateInstance() const
{
    if (!fFactory)
        throw Exception(QStringLiteral("TClassInfo.CreateInstance: class %1 cannot be created").arg(fClassName));
    return fFactory();
}

void TClassInfo::AddProp(std::unique_ptr<TPropInfo> prop)
{
    fProps.push_back(std::move(prop));
}

// ----------------------------------------------------------------- TRemotable

struct TRemotable::TWireState {
    QSet<QString> nilMembers;
    QHash<QString, QString> unknownEnumTexts;
};

TRemotable::TRemotable() = default;
TRemotable::~TRemotable() = default;

const TClassInfo& TRemotable::StaticClassInfo()
{
    static const TClassInfo info(QStringLiteral("TRemotable"), nullptr, nullptr, QString(), QString());
    return info;
}

bool TRemotable::IsNilMember(const QString& name) const
{
    return fWireState && fWireState->nilMembers.contains(name);
}

void TRemotable::SetNilMember(const QString& name)
{
    if (!fWireState)
        fWireState = std::make_unique<TWireState>();
    fWireState->nilMembers.insert(name);
}

QString TRemotable::UnknownEnumText(const QString& key) const
{
    return fWireState ? fWireState->unknownEnumTexts.value(key) : QString();
}

void TRemotable::SetUnknownEnumText(const QString& key, const QString& text)
{
    if (!fWireState)
        fWireState = std::make_unique<TWireState>();
    fWireState->unknownEnumTexts.insert(key, text);
}

void TRemotable::forgetWireStateSlow(QLatin1String name)
{
    const QString member(name);
    fWireState->nilMembers.remove(member);
    fWireState->unknownEnumTexts.remove(member);
    const QString itemPrefix = member + QLatin1Char('#');
    for (auto it = fWireState->unknownEnumTexts.begin(); it != fWireState->unknownEnumTexts.end();) {
        if (it.key().startsWith(itemPrefix))
            it = fWireState->unknownEnumTexts.erase(it);
        else
            ++it;
    }
}

// ----------------------------------------------------------------- TRttiCache

TRttiCache::TRttiCache(const TClassInfo& info) : fInfo(info)
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = &info; c != nullptr; c = c->Parent())
        chain.push_back(c);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const auto& prop : (*it)->OwnProps()) {
            fPropsForRead.push_back(TRttiItem { prop->Name(), prop.get() });
            fPropsForWrite.insert(prop->Name(), prop.get());
            fPropsByXmlName.insert(prop->XmlName(), prop.get());
        }
    }
}

namespace {

std::mutex& cacheMutex()
{
    static std::mutex m;
    return m;
}

// Entries are never removed, so references handed out stay valid; the table
// lives until the process ends, like the class descriptions it points to.
QHash<const TClassInfo*, TRttiCache*>& cacheTable()
{
    static auto* table = new QHash<const TClassInfo*, TRttiCache*>();
    return *table;
}

struct TRegistry {
    std::mutex lock;
    QHash<QString, const TClassInfo*> byName;
    std::vector<const TClassInfo*> inOrder;
};

TRegistry& registry()
{
    static TRegistry r;
    return r;
}

} // namespace

const TRttiCache& TRttiCache::Get(const TClassInfo& info)
{
    std::lock_guard<std::mutex> guard(cacheMutex());
    TRttiCache*& cache = cacheTable()[&info];
    if (cache == nullptr)
        cache = new TRttiCache(info);
    return *cache;
}

const TPropInfo* TRttiCache::PropInfoForWrite(const QString& propName) const
{
    return fPropsForWrite.value(propName, nullptr);
}

const TPropInfo* TRttiCache::PropInfoByXmlName(const QString& xmlName) const
{
    return fPropsByXmlName.value(xmlName, nullptr);
}

// -------------------------------------------------------------- TRttiRegistry

void TRttiRegistry::Register(const TClassInfo& info)
{
    TRegistry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.byName.contains(info.ClassName()))
        return;
    r.byName.insert(info.ClassName(), &info);
    r.inOrder.push_back(&info);
}

const TClassInfo* TRttiRegistry::Find(const QString& className)
{
    TRegistry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.byName.value(className, nullptr);
}

const TClassInfo* TRttiRegistry::FindByXml(const QString& xmlNamespace, const QString& xmlName)
{
    TRegistry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (const TClassInfo* info : r.inOrder)
        if (info->XmlName() == xmlName && info->XmlNamespace() == xmlNamespace)
            return info;
    return nullptr;
}

std::unique_ptr<TRemotable> TRttiRegistry::CreateInstance(const QString& className)
{
    const TClassInfo* info = Find(className);
    if (info == nullptr)
        throw Exception(QStringLiteral("TRttiRegistry.CreateInstance: class %1 is not registered").arg(className));
    return info->CreateInstance();
}
