#pragma once
// Property descriptions of the persistent and remotable classes.
//
// C++ has no run-time property information, so every class that the object
// serializer stores or the lab's SOAP codec sends describes itself once: its
// name, its parent, how to create it, its XML name and namespace on the lab
// wire, and its members in declaration order, each with its kind, its names,
// typed access and its "stored" test. Both the serializer and the SOAP codec
// walk these descriptions; neither knows a class by itself.
//
// Records of the lab declare their members in one list, used both for the
// class body and for its description (see KIOSK_RECORD below), so the two can
// never disagree:
//
//   #define KIOSK_MEMBERS_Adresse2(M)  (one member per line, each line
//       M(QString, BoitePostale, Nil())   ending in a backslash)
//       M(qint32, Id, Opt())
//       M(QString, Type_, Nil().Xml("Type"))
//   class Adresse2 : public TRemotable {
//       KIOSK_RECORD(Adresse2, TRemotable, KIOSK_MEMBERS_Adresse2)
//   };
//   // in the .cpp:
//   KIOSK_RECORD_DESCRIBE(Adresse2, TRemotable, "Adresse", ns, KIOSK_MEMBERS_Adresse2)
//
// Each member M gets a field FM, a flag FM_Specified (false at creation), a
// getter M(), a setter setM() that also sets the flag, and M_Specified().
// Only members whose flag is set are written.
//
// Other classes (documents of the serializer) describe computed properties
// through TClassBuilder::Property with a getter, a setter and an optional
// stored test.
#include "UAppExceptions.h"
#include "UXsdValues.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

class TRemotable;
class TClassInfo;

// Kind of a member, which decides how it is written and read.
enum class TPropKind {
    String,      // QString
    Integer,     // qint32
    Int64,       // qint64
    Boolean,     // bool
    Double,      // double
    Char,        // char16_t: a character travelling as its number
    Enum,        // an enumeration, travelling by name
    DateTime,    // std::optional<TXSDateTime>
    Decimal,     // std::optional<TXSDecimal>
    Bytes,       // QByteArray, base64 on the wire
    Object,      // std::unique_ptr<T> of a described class T
    ObjectArray, // std::vector<std::unique_ptr<T>>
    IntArray,    // std::vector<qint32>
    StringArray, // QStringList
    EnumArray,   // std::vector<E>
    Variant,     // QVariant: a value of any of the serializer's scalar types
};

QString PropKindName(TPropKind kind);

// Ordinal of an enumeration member that holds a name this program does not
// know (the name itself is kept by the record, see TRemotable).
constexpr int kUnknownEnumOrdinal = -1;

// An enumeration: its C++ type name, its XML name and namespace, and its
// value names in ordinal order.
class TEnumInfo {
public:
    TEnumInfo(QString typeName, QString xmlName, QString xmlNamespace, QStringList names);

    const QString& TypeName() const { return fTypeName; }
    const QString& XmlName() const { return fXmlName; }
    const QString& XmlNamespace() const { return fXmlNamespace; }
    const QStringList& Names() const { return fNames; }
    int Count() const { return int(fNames.size()); }

    // Empty for an ordinal outside the enumeration.
    QString NameOf(int ordinal) const;
    // kUnknownEnumOrdinal when no value has that name.
    int OrdinalOf(const QString& name, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

private:
    QString fTypeName;
    QString fXmlName;
    QString fXmlNamespace;
    QStringList fNames;
};

// Declares the description of an enumeration next to it (found by argument-
// dependent lookup); KIOSK_ENUM_DEFINE gives it in a .cpp. The enumeration
// must have int as its underlying type so that kUnknownEnumOrdinal fits.
#define KIOSK_ENUM_DECLARE(E) const TEnumInfo& kioskEnumInfo(const E*);
#define KIOSK_ENUM_DEFINE(E, xmlName, xmlNamespace, ...)                                           \
    const TEnumInfo& kioskEnumInfo(const E*)                                                       \
    {                                                                                              \
        static_assert(std::is_same_v<std::underlying_type_t<E>, int>, #E " must be based on int"); \
        static const TEnumInfo info(QStringLiteral(#E), xmlName, xmlNamespace,                     \
                                    QStringList { __VA_ARGS__ });                                  \
        return info;                                                                               \
    }

template <class E>
const TEnumInfo& EnumInfoOf()
{
    return kioskEnumInfo(static_cast<const E*>(nullptr));
}

// Options of one member, written fluently in the member lists:
// Opt() a plain optional member, Nil() one that may also be nil,
// .Xml("Type") a different element name on the lab wire,
// .Items("int") the element name of the items of an array member.
class TPropOptions {
public:
    TPropOptions& Nillable(bool value = true) { fNillable = value; return *this; }
    TPropOptions& Xml(const char* name) { fXmlName = QString::fromLatin1(name); return *this; }
    TPropOptions& Items(const char* name) { fItemName = QString::fromLatin1(name); return *this; }

    bool nillable() const { return fNillable; }
    const QString& xmlName() const { return fXmlName; }
    const QString& itemName() const { return fItemName; }

private:
    bool fNillable = false;
    QString fXmlName;
    QString fItemName;
};

namespace rtti {
inline TPropOptions Opt() { return TPropOptions(); }
inline TPropOptions Nil() { return TPropOptions().Nillable(); }
} // namespace rtti

// The description of one member. Typed access goes through the Get/Set
// operation of the member's kind; using another kind's operation raises an
// Exception naming the member. Every Set marks the member as stored.
class TPropInfo {
public:
    template <class V, class S = V>
    struct Access {
        std::function<V(const TRemotable&)> get;
        std::function<void(TRemotable&, S)> set;
    };
    using ObjectAccess = Access<TRemotable*, std::unique_ptr<TRemotable>>;
    using ObjectArrayAccess = Access<std::vector<TRemotable*>, std::vector<std::unique_ptr<TRemotable>>>;
    using AnyAccess = std::variant<Access<QString>, Access<qint32>, Access<qint64>, Access<bool>, Access<double>,
                                   Access<char16_t>, Access<std::optional<TXSDateTime>>,
                                   Access<std::optional<TXSDecimal>>, Access<QByteArray>, ObjectAccess,
                                   ObjectArrayAccess, Access<std::vector<qint32>>, Access<QStringList>, Access<QVariant>>;

    TPropInfo(const TClassInfo& owner, QString name, TPropKind kind, const TPropOptions& options, AnyAccess access,
              std::function<bool(const TRemotable&)> stored, bool hasStoredFlag, const TEnumInfo* enumInfo,
              const TClassInfo* itemClass);

    // Name of the member in the program ("Type_").
    const QString& Name() const { return fName; }
    // Element name on the lab wire ("Type"); the name unless renamed.
    const QString& XmlName() const { return fXmlName; }
    // Element name of each item of an array member: the option when given,
    // else the item class's XML name, "int", "string" or the enumeration's
    // XML name.
    QString ItemName() const;
    TPropKind Kind() const { return fKind; }
    bool Nillable() const { return fNillable; }
    // False for members that are always written (dictionary entries).
    bool HasStoredFlag() const { return fHasStoredFlag; }
    const TEnumInfo* EnumInfo() const { return fEnumInfo; }
    // Declared class of an Object or ObjectArray member.
    const TClassInfo* ItemClass() const { return fItemClass; }
    // The class that declares the member.
    const TClassInfo& Owner() const { return fOwner; }

    // The "_Specified" test: true when the member is to be written.
    bool IsStored(const TRemotable& obj) const;

    QString GetString(const TRemotable& obj) const;
    void SetString(TRemotable& obj, const QString& value) const;
    qint32 GetInteger(const TRemotable& obj) const;
    void SetInteger(TRemotable& obj, qint32 value) const;
    qint64 GetInt64(const TRemotable& obj) const;
    void SetInt64(TRemotable& obj, qint64 value) const;
    bool GetBoolean(const TRemotable& obj) const;
    void SetBoolean(TRemotable& obj, bool value) const;
    double GetDouble(const TRemotable& obj) const;
    void SetDouble(TRemotable& obj, double value) const;
    char16_t GetChar(const TRemotable& obj) const;
    void SetChar(TRemotable& obj, char16_t value) const;
    std::optional<TXSDateTime> GetDateTime(const TRemotable& obj) const;
    void SetDateTime(TRemotable& obj, std::optional<TXSDateTime> value) const;
    std::optional<TXSDecimal> GetDecimal(const TRemotable& obj) const;
    void SetDecimal(TRemotable& obj, std::optional<TXSDecimal> value) const;
    QByteArray GetBytes(const TRemotable& obj) const;
    void SetBytes(TRemotable& obj, const QByteArray& value) const;
    std::vector<qint32> GetIntArray(const TRemotable& obj) const;
    void SetIntArray(TRemotable& obj, std::vector<qint32> value) const;
    QStringList GetStringArray(const TRemotable& obj) const;
    void SetStringArray(TRemotable& obj, const QStringList& value) const;
    QVariant GetVariant(const TRemotable& obj) const;
    void SetVariant(TRemotable& obj, const QVariant& value) const;

    // Enumerations by ordinal (kUnknownEnumOrdinal for a kept unknown name).
    int GetEnum(const TRemotable& obj) const;
    void SetEnum(TRemotable& obj, int ordinal) const;
    std::vector<int> GetEnumArray(const TRemotable& obj) const;
    void SetEnumArray(TRemotable& obj, std::vector<int> ordinals) const;
    // Enumerations by name. A name the enumeration does not have is kept by
    // the record and given back here, so that a record read with a value
    // this program does not know is written back unchanged.
    QString GetEnumName(const TRemotable& obj) const;
    void SetEnumName(TRemotable& obj, const QString& name, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    QStringList GetEnumNames(const TRemotable& obj) const;
    void SetEnumNames(TRemotable& obj, const QStringList& names, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // Object members: null when absent. Setting checks that the object is of
    // the declared class (or derives from it) and takes ownership.
    TRemotable* GetObject(const TRemotable& obj) const;
    void SetObject(TRemotable& obj, std::unique_ptr<TRemotable> value) const;
    std::vector<TRemotable*> GetObjects(const TRemotable& obj) const;
    void SetObjects(TRemotable& obj, std::vector<std::unique_ptr<TRemotable>> items) const;

    // Nil: a member read from an explicit nil element. Setting nil stores the
    // member's empty value and remembers the nil so that it is written back
    // as nil; any later Set forgets it. Null Object, DateTime and Decimal
    // members are always nil.
    bool IsNil(const TRemotable& obj) const;
    void SetNil(TRemotable& obj) const;

    // "Adresse2.Type_", for messages.
    QString FullName() const;

private:
    [[noreturn]] void kindMismatch(const char* operation, TPropKind wanted) const;
    template <class A>
    const A& access(const char* operation, TPropKind wanted) const;
    template <class A>
    const A& accessOf(const char* operation, TPropKind a, TPropKind b) const;

    const TClassInfo& fOwner;
    QString fName;
    QString fXmlName;
    QString fItemName;
    TPropKind fKind;
    bool fNillable;
    bool fHasStoredFlag;
    const TEnumInfo* fEnumInfo;
    const TClassInfo* fItemClass;
    AnyAccess fAccess;
    std::function<bool(const TRemotable&)> fStored;
};

// The description of one class.
class TClassInfo {
public:
    using Factory = std::function<std::unique_ptr<TRemotable>()>;

    TClassInfo(QString className, const TClassInfo* parent, Factory factory, QString xmlName,
               QString xmlNamespace);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    // The program's class name ("Adresse2"); the serializer's default name.
    const QString& ClassName() const { return fClassName; }
    // The class's XML type name on the lab wire ("Adresse"); the class name
    // when none was given.
    const QString& XmlName() const { return fXmlName; }
    const QString& XmlNamespace() const { return fXmlNamespace; }
    const TClassInfo* Parent() const { return fParent; }
    bool InheritsFrom(const TClassInfo& other) const;

    bool CanCreate() const { return bool(fFactory); }
    // A new object of exactly this class; raises for a class without factory.
    std::unique_ptr<TRemotable> CreateInstance() const;

    // Members declared by this class itself, in declaration order. The whole
    // list, ancestors first, is TRttiCache::Get(info).PropInfoForRead().
    const std::vector<std::unique_ptr<TPropInfo>>& OwnProps() const { return fProps; }

    void AddProp(std::unique_ptr<TPropInfo> prop);

private:
    QString fClassName;
    const TClassInfo* fParent;
    Factory fFactory;
    QString fXmlName;
    QString fXmlNamespace;
    std::vector<std::unique_ptr<TPropInfo>> fProps;
};

// Base of every described class: the lab's records and the serializer's
// documents.
class TRemotable {
public:
    TRemotable();
    virtual ~TRemotable();
    TRemotable(const TRemotable&) = delete;
    TRemotable& operator=(const TRemotable&) = delete;

    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    bool InheritsFrom(const TClassInfo& info) const { return ClassInfo().InheritsFrom(info); }

    // What a record keeps from the wire beyond its values: the members read
    // as nil, and enumeration names this program does not know. Both are
    // forgotten when the member is set again. Keys are member names; the
    // items of an enumeration array use "name#index".
    bool IsNilMember(const QString& name) const;
    void SetNilMember(const QString& name);
    QString UnknownEnumText(const QString& key) const;
    void SetUnknownEnumText(const QString& key, const QString& text);

protected:
    void ForgetWireState(const char* name)
    {
        if (fWireState)
            forgetWireStateSlow(QLatin1String(name));
    }

private:
    template <class>
    friend class TClassBuilder;
    void forgetWireStateSlow(QLatin1String name);
    struct TWireState;
    std::unique_ptr<TWireState> fWireState;
};

template <class T>
inline constexpr bool kIsDescribed = std::is_base_of_v<TRemotable, T>;

// Maps the C++ type of a member to its kind and to the value type of TPropInfo.
namespace rtti_detail {

template <class T>
struct IsUniquePtr : std::false_type { };
template <class T>
struct IsUniquePtr<std::unique_ptr<T>> : std::true_type {
    using Item = T;
};
template <class T>
struct IsVector : std::false_type { };
template <class T>
struct IsVector<std::vector<T>> : std::true_type {
    using Item = T;
};

template <class T>
constexpr TPropKind KindOf()
{
    if constexpr (std::is_same_v<T, QString>)
        return TPropKind::String;
    else if constexpr (std::is_same_v<T, qint32>)
        return TPropKind::Integer;
    else if constexpr (std::is_same_v<T, qint64>)
        return TPropKind::Int64;
    else if constexpr (std::is_same_v<T, bool>)
        return TPropKind::Boolean;
    else if constexpr (std::is_same_v<T, double>)
        return TPropKind::Double;
    else if constexpr (std::is_same_v<T, char16_t>)
        return TPropKind::Char;
    else if constexpr (std::is_enum_v<T>)
        return TPropKind::Enum;
    else if constexpr (std::is_same_v<T, std::optional<TXSDateTime>>)
        return TPropKind::DateTime;
    else if constexpr (std::is_same_v<T, std::optional<TXSDecimal>>)
        return TPropKind::Decimal;
    else if constexpr (std::is_same_v<T, QByteArray>)
        return TPropKind::Bytes;
    else if constexpr (std::is_same_v<T, QStringList>)
        return TPropKind::StringArray;
    else if constexpr (std::is_same_v<T, QVariant>)
        return TPropKind::Variant;
    else if constexpr (IsUniquePtr<T>::value)
        return TPropKind::Object;
    else if constexpr (IsVector<T>::value) {
        using Item = typename IsVector<T>::Item;
        if constexpr (std::is_same_v<Item, qint32>)
            return TPropKind::IntArray;
        else if constexpr (std::is_enum_v<Item>)
            return TPropKind::EnumArray;
        else {
            static_assert(IsUniquePtr<Item>::value, "unsupported member type");
            return TPropKind::ObjectArray;
        }
    } else {
        static_assert(!sizeof(T), "unsupported member type");
        return TPropKind::String;
    }
}

} // namespace rtti_detail

// Fills a TClassInfo with the members of class C. Used by the describe
// macros below, or directly for classes whose properties are computed.
template <class C>
class TClassBuilder {
public:
    explicit TClassBuilder(TClassInfo& info) : fInfo(info) { }

    // A member held in a field, with its "_Specified" flag (null for members
    // that are always written).
    template <class T>
    void Field(const char* name, T C::*field, bool C::*specified, const TPropOptions& options)
    {
        const QLatin1String latinName(name);
        auto stored = [specified](const TRemotable& o) {
            return specified == nullptr || static_cast<const C&>(o).*specified;
        };
        auto mark = [specified, name](C& c) {
            if (specified != nullptr)
                c.*specified = true;
            c.ForgetWireState(name);
        };
        addProp<T>(
            latinName, options,
            [field](const C& c) -> const T& { return c.*field; },
            [field, mark](C& c, T value) {
                c.*field = std::move(value);
                mark(c);
            },
            stored, specified != nullptr);
    }

    // A computed property: getter, setter and stored test (null: always
    // stored). For Object members the getter returns a plain pointer
    // (T*) and the setter takes a std::unique_ptr<T>; for ObjectArray
    // members the getter returns std::vector<T*> and the setter takes a
    // std::vector<std::unique_ptr<T>>; other kinds use the member's type.
    template <class T, class Getter, class Setter>
    void Property(const char* name, Getter getter, Setter setter, std::function<bool(const C&)> stored,
                  const TPropOptions& options = TPropOptions())
    {
        auto storedFn = [stored](const TRemotable& o) { return !stored || stored(static_cast<const C&>(o)); };
        addComputed<T>(QLatin1String(name), options, std::move(getter), std::move(setter), storedFn);
    }

private:
    template <class T, class Get, class Set>
    void addProp(QLatin1String name, const TPropOptions& options, Get get, Set set,
                 std::function<bool(const TRemotable&)> stored, bool hasFlag)
    {
        constexpr TPropKind kind = rtti_detail::KindOf<T>();
        const TEnumInfo* enumInfo = nullptr;
        const TClassInfo* itemClass = nullptr;
        TPropInfo::AnyAccess access;
        if constexpr (kind == TPropKind::Enum) {
            enumInfo = &EnumInfoOf<T>();
            access = TPropInfo::Access<qint32>{
                [get](const TRemotable& o) { return qint32(get(static_cast<const C&>(o))); },
                [set](TRemotable& o, qint32 v) { set(static_cast<C&>(o), static_cast<T>(v)); }};
        } else if constexpr (kind == TPropKind::EnumArray) {
            using E = typename rtti_detail::IsVector<T>::Item;
            enumInfo = &EnumInfoOf<E>();
            access = TPropInfo::Access<std::vector<qint32>>{
                [get](const TRemotable& o) {
                    std::vector<qint32> out;
                    for (E e : get(static_cast<const C&>(o)))
                        out.push_back(qint32(e));
                    return out;
                },
                [set](TRemotable& o, std::vector<qint32> v) {
                    T items;
                    for (qint32 e : v)
                        items.push_back(static_cast<E>(e));
                    set(static_cast<C&>(o), std::move(items));
                }};
        } else if constexpr (kind == TPropKind::Object) {
            using Item = typename rtti_detail::IsUniquePtr<T>::Item;
            static_assert(kIsDescribed<Item>, "object members must be described classes");
            itemClass = &Item::StaticClassInfo();
            access = TPropInfo::ObjectAccess{
                [get](const TRemotable& o) -> TRemotable* { return get(static_cast<const C&>(o)).get(); },
                [set](TRemotable& o, std::unique_ptr<TRemotable> v) {
                    set(static_cast<C&>(o), std::unique_ptr<Item>(static_cast<Item*>(v.release())));
                }};
        } else if constexpr (kind == TPropKind::ObjectArray) {
            using Ptr = typename rtti_detail::IsVector<T>::Item;
            using Item = typename rtti_detail::IsUniquePtr<Ptr>::Item;
            static_assert(kIsDescribed<Item>, "object array items must be described classes");
            itemClass = &Item::StaticClassInfo();
            access = TPropInfo::ObjectArrayAccess{
                [get](const TRemotable& o) {
                    const auto& items = get(static_cast<const C&>(o));
                    std::vector<TRemotable*> out;
                    out.reserve(items.size());
                    for (const auto& item : items)
                        out.push_back(item.get());
                    return out;
                },
                [set](TRemotable& o, std::vector<std::unique_ptr<TRemotable>> v) {
                    T items;
                    items.reserve(v.size());
                    for (auto& item : v)
                        items.push_back(std::unique_ptr<Item>(static_cast<Item*>(item.release())));
                    set(static_cast<C&>(o), std::move(items));
                }};
        } else {
            access = TPropInfo::Access<T>{[get](const TRemotable& o) { return T(get(static_cast<const C&>(o))); },
                                          [set](TRemotable& o, T v) { set(static_cast<C&>(o), std::move(v)); }};
        }
        fInfo.AddProp(std::make_unique<TPropInfo>(fInfo, QString(name), kind, options, std::move(access),
                                                  std::move(stored), hasFlag, enumInfo, itemClass));
    }

    template <class T, class Get, class Set>
    void addComputed(QLatin1String name, const TPropOptions& options, Get get, Set set,
                     std::function<bool(const TRemotable&)> stored)
    {
        constexpr TPropKind kind = rtti_detail::KindOf<T>();
        if constexpr (kind == TPropKind::Object) {
            using Item = typename rtti_detail::IsUniquePtr<T>::Item;
            TPropInfo::ObjectAccess access{
                [get](const TRemotable& o) -> TRemotable* { return get(static_cast<const C&>(o)); },
                [set](TRemotable& o, std::unique_ptr<TRemotable> v) {
                    set(static_cast<C&>(o), std::unique_ptr<Item>(static_cast<Item*>(v.release())));
                }};
            fInfo.AddProp(std::make_unique<TPropInfo>(fInfo, QString(name), kind, options, std::move(access),
                                                      std::move(stored), false, nullptr, &Item::StaticClassInfo()));
        } else if constexpr (kind == TPropKind::ObjectArray) {
            using Ptr = typename rtti_detail::IsVector<T>::Item;
            using Item = typename rtti_detail::IsUniquePtr<Ptr>::Item;
            TPropInfo::ObjectArrayAccess access{
                [get](const TRemotable& o) {
                    std::vector<TRemotable*> out;
                    for (Item* item : get(static_cast<const C&>(o)))
                        out.push_back(item);
                    return out;
                },
                [set](TRemotable& o, std::vector<std::unique_ptr<TRemotable>> v) {
                    T items;
                    for (auto& item : v)
                        items.push_back(std::unique_ptr<Item>(static_cast<Item*>(item.release())));
                    set(static_cast<C&>(o), std::move(items));
                }};
            fInfo.AddProp(std::make_unique<TPropInfo>(fInfo, QString(name), kind, options, std::move(access),
                                                      std::move(stored), false, nullptr, &Item::StaticClassInfo()));
        } else {
            addProp<T>(name, options, std::move(get), std::move(set), std::move(stored), false);
        }
    }

    TClassInfo& fInfo;
};

// The whole member list of a class, ancestors first, and a table from member
// name to member (names compared exactly). Built once per class.
struct TRttiItem {
    QString propName;
    const TPropInfo* propInfo;
};

class TRttiCache {
public:
    explicit TRttiCache(const TClassInfo& info);

    // The cache of a class, built on the first request; safe from any thread.
    static const TRttiCache& Get(const TClassInfo& info);
    static const TRttiCache& Get(const TRemotable& obj) { return Get(obj.ClassInfo()); }

    const TClassInfo& Info() const { return fInfo; }
    const std::vector<TRttiItem>& PropInfoForRead() const { return fPropsForRead; }
    // The member of that exact name, null when there is none.
    const TPropInfo* PropInfoForWrite(const QString& propName) const;
    // The member whose lab element name is that exact name, null when none.
    const TPropInfo* PropInfoByXmlName(const QString& xmlName) const;

private:
    const TClassInfo& fInfo;
    std::vector<TRttiItem> fPropsForRead;
    QHash<QString, const TPropInfo*> fPropsForWrite;
    QHash<QString, const TPropInfo*> fPropsByXmlName;
};

// Process-wide table of the described classes by class name. A class is
// added when its description is first built; a family of classes is added
// at once by the function that its unit offers for it (for the lab records:
// LumLabServiceRegisterTypes).
class TRttiRegistry {
public:
    static void Register(const TClassInfo& info);
    // Null when no class of that exact name is registered.
    static const TClassInfo* Find(const QString& className);
    // The first registered class with that XML name and namespace (type
    // classes are registered before their element classes), null when none.
    static const TClassInfo* FindByXml(const QString& xmlNamespace, const QString& xmlName);
    // A new object of the named class; raises when the class is unknown or
    // cannot be created.
    static std::unique_ptr<TRemotable> CreateInstance(const QString& className);
};

// ----------------------------------------------------------------- macros

#define KIOSK_DECLARE_MEMBER_(Type, Name, Opts)                   \
private:                                                          \
    Type F##Name {};                                              \
    bool F##Name##_Specified = false;                             \
                                                                  \
public:                                                           \
    const Type& Name() const { return F##Name; }                  \
    void set##Name(Type value)                                    \
    {                                                             \
        F##Name = std::move(value);                               \
        F##Name##_Specified = true;                               \
        ForgetWireState(#Name);                                   \
    }                                                             \
    bool Name##_Specified() const { return F##Name##_Specified; }

#define KIOSK_DECLARE_PLAIN_MEMBER_(Type, Name, Opts)             \
private:                                                          \
    Type F##Name {};                                              \
                                                                  \
public:                                                           \
    const Type& Name() const { return F##Name; }                  \
    void set##Name(Type value)                                    \
    {                                                             \
        F##Name = std::move(value);                               \
        ForgetWireState(#Name);                                   \
    }

#define KIOSK_CLASS_INFO_(Cls)                                                 \
public:                                                                        \
    static const TClassInfo& StaticClassInfo();                                \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); } \
    template <class>                                                           \
    friend class TClassBuilder;

// Class body of a record whose members each carry a "_Specified" flag.
#define KIOSK_RECORD(Cls, Parent, MEMBERS) \
    KIOSK_CLASS_INFO_(Cls)                 \
    MEMBERS(KIOSK_DECLARE_MEMBER_)         \
public:

// Class body of a dictionary entry: members without flags, always written.
#define KIOSK_KEYVALUE_RECORD(Cls, Parent, MEMBERS) \
    KIOSK_CLASS_INFO_(Cls)                          \
    MEMBERS(KIOSK_DECLARE_PLAIN_MEMBER_)            \
public:

// Class body of an element class: the same record under the XML type's own
// name, adding nothing.
#define KIOSK_ELEMENT_CLASS(Cls, Parent) KIOSK_CLASS_INFO_(Cls)

#define KIOSK_DESCRIBE_MEMBER_(Type, Name, Opts) b.Field(#Name, &Self::F##Name, &Self::F##Name##_Specified, rtti::Opts);
#define KIOSK_DESCRIBE_PLAIN_MEMBER_(Type, Name, Opts) b.Field<Type>(#Name, &Self::F##Name, nullptr, rtti::Opts);

#define KIOSK_DESCRIBE_CLASS_(Cls, Parent, XmlName, XmlNs, BODY)                                               \
    const TClassInfo& Cls::StaticClassInfo()                                                                   \
    {                                                                                                          \
        static const TClassInfo* info = [] {                                                                   \
            using Self = Cls;                                                                                  \
            auto* built = new TClassInfo(QStringLiteral(#Cls), &Parent::StaticClassInfo(),                     \
                                         [] { return std::unique_ptr<TRemotable>(new Cls()); }, XmlName, XmlNs); \
            TClassBuilder<Self> b(*built);                                                                     \
            (void)b;                                                                                           \
            BODY                                                                                               \
            TRttiRegistry::Register(*built);                                                                   \
            return built;                                                                                      \
        }();                                                                                                   \
        return *info;                                                                                          \
    }

#define KIOSK_RECORD_DESCRIBE(Cls, Parent, XmlName, XmlNs, MEMBERS) \
    KIOSK_DESCRIBE_CLASS_(Cls, Parent, QStringLiteral(XmlName), XmlNs, MEMBERS(KIOSK_DESCRIBE_MEMBER_))

#define KIOSK_KEYVALUE_DESCRIBE(Cls, Parent, XmlNs, MEMBERS) \
    KIOSK_DESCRIBE_CLASS_(Cls, Parent, QStringLiteral(#Cls), XmlNs, MEMBERS(KIOSK_DESCRIBE_PLAIN_MEMBER_))

#define KIOSK_ELEMENT_DESCRIBE(Cls, Parent) \
    KIOSK_DESCRIBE_CLASS_(Cls, Parent, Parent::StaticClassInfo().XmlName(), Parent::StaticClassInfo().XmlNamespace(), )
