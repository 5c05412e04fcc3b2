#include "URttiCache.h"

#include <gtest/gtest.h>
#include <thread>

namespace rttitest {

enum class Fruit : int { Apple, Pear, Plum };
KIOSK_ENUM_DECLARE(Fruit)
KIOSK_ENUM_DEFINE(Fruit, QStringLiteral("Basket.Fruit"), QStringLiteral("urn:test"), QStringLiteral("Apple"),
                  QStringLiteral("Pear"), QStringLiteral("Plum"))

class Leaf2;
using LeafList = std::vector<std::unique_ptr<Leaf2>>;
using FruitList = std::vector<Fruit>;
using IntList = std::vector<qint32>;

#define KIOSK_MEMBERS_Leaf2(M) \
    M(QString, Label, Nil())   \
    M(qint32, Id, Opt())

class Leaf2 : public TRemotable {
    KIOSK_RECORD(Leaf2, TRemotable, KIOSK_MEMBERS_Leaf2)
};
class Leaf : public Leaf2 {
    KIOSK_ELEMENT_CLASS(Leaf, Leaf2)
};

#define KIOSK_MEMBERS_Base2(M)                         \
    M(QString, Type_, Nil().Xml("Type"))               \
    M(qint64, Size, Opt())                             \
    M(bool, Flag, Opt())                               \
    M(double, Ratio, Opt())                            \
    M(char16_t, Mode, Opt())                           \
    M(Fruit, Kind, Opt())                              \
    M(std::optional<TXSDateTime>, When, Opt())         \
    M(std::optional<TXSDecimal>, Amount, Opt())        \
    M(QByteArray, Picture, Nil())

class Base2 : public TRemotable {
    KIOSK_RECORD(Base2, TRemotable, KIOSK_MEMBERS_Base2)
};

#define KIOSK_MEMBERS_Derived2(M)                      \
    M(std::unique_ptr<Leaf2>, Child, Nil())            \
    M(LeafList, Leaves, Nil().Items("Feuille"))        \
    M(IntList, Ids, Nil())                             \
    M(QStringList, Names, Nil())                       \
    M(FruitList, Fruits, Nil())

class Derived2 : public Base2 {
    KIOSK_RECORD(Derived2, Base2, KIOSK_MEMBERS_Derived2)
};

#define KIOSK_MEMBERS_KeyValueOfintLeaf(M) \
    M(qint32, Key, Opt())                  \
    M(std::unique_ptr<Leaf2>, Value, Nil())

class KeyValueOfintLeaf : public TRemotable {
    KIOSK_KEYVALUE_RECORD(KeyValueOfintLeaf, TRemotable, KIOSK_MEMBERS_KeyValueOfintLeaf)
};

KIOSK_RECORD_DESCRIBE(Leaf2, TRemotable, "Leaf", QStringLiteral("urn:test"), KIOSK_MEMBERS_Leaf2)
KIOSK_ELEMENT_DESCRIBE(Leaf, Leaf2)
KIOSK_RECORD_DESCRIBE(Base2, TRemotable, "Base", QStringLiteral("urn:test"), KIOSK_MEMBERS_Base2)
KIOSK_RECORD_DESCRIBE(Derived2, Base2, "Derived", QStringLiteral("urn:test"), KIOSK_MEMBERS_Derived2)
KIOSK_KEYVALUE_DESCRIBE(KeyValueOfintLeaf, TRemotable, QStringLiteral("urn:arrays"), KIOSK_MEMBERS_KeyValueOfintLeaf)

// A document class whose list is held elsewhere and exposed through a
// getter and a setter, as the serializer's documents do.
class Shelf : public TRemotable {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::vector<std::unique_ptr<Leaf2>> held;
    QString title;
};

const TClassInfo& Shelf::StaticClassInfo()
{
    static const TClassInfo* info = [] {
        auto* built = new TClassInfo(QStringLiteral("Shelf"), &TRemotable::StaticClassInfo(),
                                     [] { return std::unique_ptr<TRemotable>(new Shelf()); }, QString(), QString());
        TClassBuilder<Shelf> b(*built);
        b.Property<QString>(
            "Title", [](const Shelf& s) { return s.title; }, [](Shelf& s, QString v) { s.title = std::move(v); },
            [](const Shelf& s) { return !s.title.isEmpty(); });
        b.Property<LeafList>(
            "Items",
            [](const Shelf& s) {
                std::vector<Leaf2*> out;
                for (const auto& l : s.held)
                    out.push_back(l.get());
                return out;
            },
            [](Shelf& s, LeafList v) { s.held = std::move(v); }, nullptr);
        TRttiRegistry::Register(*built);
        return built;
    }();
    return *info;
}

} // namespace rttitest

using namespace rttitest;

TEST(RttiCache, MembersComeAncestorsFirstInDeclarationOrder)
{
    const auto& props = TRttiCache::Get(Derived2::StaticClassInfo()).PropInfoForRead();
    QStringList names;
    for (const TRttiItem& item : props)
        names << item.propName;
    EXPECT_EQ(names.join(QLatin1Char(',')),
              QStringLiteral("Type_,Size,Flag,Ratio,Mode,Kind,When,Amount,Picture,Child,Leaves,Ids,Names,Fruits"));
}

TEST(RttiCache, KindsAndNamesAreDeducedFromTheMembers)
{
    struct Case {
        const char* name;
        TPropKind kind;
        const char* xmlName;
        const char* itemName;
    } cases[] = {
        {"Type_", TPropKind::String, "Type", ""},
        {"Size", TPropKind::Int64, "Size", ""},
        {"Flag", TPropKind::Boolean, "Flag", ""},
        {"Ratio", TPropKind::Double, "Ratio", ""},
        {"Mode", TPropKind::Char, "Mode", ""},
        {"Kind", TPropKind::Enum, "Kind", ""},
        {"When", TPropKind::DateTime, "When", ""},
        {"Amount", TPropKind::Decimal, "Amount", ""},
        {"Picture", TPropKind::Bytes, "Picture", ""},
        {"Child", TPropKind::Object, "Child", ""},
        {"Leaves", TPropKind::ObjectArray, "Leaves", "Feuille"},
        {"Ids", TPropKind::IntArray, "Ids", "int"},
        {"Names", TPropKind::StringArray, "Names", "string"},
        {"Fruits", TPropKind::EnumArray, "Fruits", "Basket.Fruit"},
    };
    const TRttiCache& cache = TRttiCache::Get(Derived2::StaticClassInfo());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TPropInfo* p = cache.PropInfoForWrite(QLatin1String(c.name));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Kind(), c.kind);
        EXPECT_EQ(p->XmlName(), QLatin1String(c.xmlName));
        EXPECT_EQ(p->ItemName(), QLatin1String(c.itemName));
        EXPECT_TRUE(p->HasStoredFlag());
    }
    EXPECT_EQ(cache.PropInfoByXmlName(QStringLiteral("Type"))->Name(), QStringLiteral("Type_"));
    EXPECT_EQ(cache.PropInfoForWrite(QStringLiteral("Child"))->ItemClass(), &Leaf2::StaticClassInfo());
    EXPECT_EQ(&cache.PropInfoForWrite(QStringLiteral("Size"))->Owner(), &Base2::StaticClassInfo());
}

TEST(RttiCache, LookupIsCaseSensitive)
{
    const TRttiCache& cache = TRttiCache::Get(Base2::StaticClassInfo());
    EXPECT_NE(cache.PropInfoForWrite(QStringLiteral("Size")), nullptr);
    EXPECT_EQ(cache.PropInfoForWrite(QStringLiteral("size")), nullptr);
    EXPECT_EQ(cache.PropInfoForWrite(QStringLiteral("Type")), nullptr);
}

TEST(RttiCache, OnlySetMembersAreStored)
{
    Derived2 d;
    const TRttiCache& cache = TRttiCache::Get(d);
    for (const TRttiItem& item : cache.PropInfoForRead())
        EXPECT_FALSE(item.propInfo->IsStored(d)) << item.propName.toStdString();

    d.setSize(0);
    cache.PropInfoForWrite(QStringLiteral("Type_"))->SetString(d, QString());
    QStringList stored;
    for (const TRttiItem& item : cache.PropInfoForRead())
        if (item.propInfo->IsStored(d))
            stored << item.propName;
    EXPECT_EQ(stored, QStringList({QStringLiteral("Type_"), QStringLiteral("Size")}));
    EXPECT_TRUE(d.Size_Specified());
    EXPECT_TRUE(d.Type__Specified());
}

TEST(RttiCache, TypedAccessReachesTheFields)
{
    Derived2 d;
    const TRttiCache& cache = TRttiCache::Get(d);
    auto prop = [&](const char* n) { return cache.PropInfoForWrite(QLatin1String(n)); };

    prop("Size")->SetInt64(d, 1234567890123LL);
    prop("Mode")->SetChar(d, u'I');
    prop("Kind")->SetEnum(d, int(Fruit::Plum));
    prop("When")->SetDateTime(d, TXSDateTime::FromXS(QStringLiteral("2024-02-29T10:11:12.5Z")));
    prop("Amount")->SetDecimal(d, TXSDecimal::FromFixed4(12345));
    prop("Ids")->SetIntArray(d, {3, 1, 2});
    auto leaf = std::make_unique<Leaf>();
    leaf->setId(7);
    prop("Child")->SetObject(d, std::move(leaf));
    std::vector<std::unique_ptr<TRemotable>> leaves;
    leaves.push_back(std::make_unique<Leaf2>());
    leaves.push_back(std::make_unique<Leaf>());
    prop("Leaves")->SetObjects(d, std::move(leaves));

    EXPECT_EQ(d.Size(), 1234567890123LL);
    EXPECT_EQ(d.Mode(), u'I');
    EXPECT_EQ(d.Kind(), Fruit::Plum);
    EXPECT_EQ(prop("Kind")->GetEnumName(d), QStringLiteral("Plum"));
    ASSERT_TRUE(d.When().has_value());
    EXPECT_EQ(d.When()->NativeToXS(), QStringLiteral("2024-02-29T10:11:12.500Z"));
    EXPECT_EQ(d.Amount()->NativeToXS(), QStringLiteral("1.2345"));
    EXPECT_EQ(d.Ids(), IntList({3, 1, 2}));
    ASSERT_NE(d.Child(), nullptr);
    EXPECT_EQ(d.Child()->Id(), 7);
    EXPECT_EQ(&d.Child()->ClassInfo(), &Leaf::StaticClassInfo());
    EXPECT_EQ(prop("Leaves")->GetObjects(d).size(), 2u);
    EXPECT_TRUE(d.Leaves_Specified());
}

TEST(RttiCache, WrongKindOrClassIsRefused)
{
    Derived2 d;
    const TRttiCache& cache = TRttiCache::Get(d);
    try {
        cache.PropInfoForWrite(QStringLiteral("Size"))->GetString(d);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TPropInfo.GetString: Base2.Size is Int64, not String"));
    }
    EXPECT_THROW(cache.PropInfoForWrite(QStringLiteral("Child"))->SetObject(d, std::make_unique<Base2>()),
                 Exception);
    EXPECT_FALSE(d.Child_Specified());
}

TEST(RttiCache, UnknownEnumNameIsKeptUntilTheMemberIsSetAgain)
{
    Derived2 d;
    const TPropInfo* kind = TRttiCache::Get(d).PropInfoForWrite(QStringLiteral("Kind"));
    kind->SetEnumName(d, QStringLiteral("Cherry"));
    EXPECT_EQ(int(d.Kind()), kUnknownEnumOrdinal);
    EXPECT_TRUE(d.Kind_Specified());
    EXPECT_EQ(kind->GetEnumName(d), QStringLiteral("Cherry"));

    d.setKind(Fruit::Pear);
    EXPECT_EQ(kind->GetEnumName(d), QStringLiteral("Pear"));

    kind->SetEnumName(d, QStringLiteral("plum"), Qt::CaseInsensitive);
    EXPECT_EQ(d.Kind(), Fruit::Plum);

    const TPropInfo* fruits = TRttiCache::Get(d).PropInfoForWrite(QStringLiteral("Fruits"));
    fruits->SetEnumNames(d, {QStringLiteral("Pear"), QStringLiteral("Kiwi")});
    EXPECT_EQ(fruits->GetEnumNames(d), QStringList({QStringLiteral("Pear"), QStringLiteral("Kiwi")}));
    d.setFruits({Fruit::Apple});
    EXPECT_EQ(fruits->GetEnumNames(d), QStringList({QStringLiteral("Apple")}));
}

TEST(RttiCache, NilIsRememberedUntilTheMemberIsSetAgain)
{
    Derived2 d;
    const TRttiCache& cache = TRttiCache::Get(d);
    const TPropInfo* type = cache.PropInfoForWrite(QStringLiteral("Type_"));
    const TPropInfo* child = cache.PropInfoForWrite(QStringLiteral("Child"));
    EXPECT_TRUE(child->IsNil(d));
    EXPECT_FALSE(type->IsNil(d));

    type->SetNil(d);
    child->SetNil(d);
    EXPECT_TRUE(type->IsNil(d));
    EXPECT_TRUE(type->IsStored(d));
    EXPECT_TRUE(child->IsStored(d));

    d.setType_(QStringLiteral("LIVR"));
    EXPECT_FALSE(type->IsNil(d));
}

TEST(RttiCache, KeyValueMembersAreAlwaysStored)
{
    KeyValueOfintLeaf kv;
    const auto& props = TRttiCache::Get(kv).PropInfoForRead();
    ASSERT_EQ(props.size(), 2u);
    for (const TRttiItem& item : props) {
        EXPECT_FALSE(item.propInfo->HasStoredFlag());
        EXPECT_TRUE(item.propInfo->IsStored(kv));
    }
    EXPECT_EQ(kv.ClassInfo().XmlName(), QStringLiteral("KeyValueOfintLeaf"));
    EXPECT_EQ(kv.ClassInfo().XmlNamespace(), QStringLiteral("urn:arrays"));
}

TEST(RttiCache, ComputedPropertiesUseTheirGetterSetterAndStoredTest)
{
    Shelf s;
    const TRttiCache& cache = TRttiCache::Get(s);
    const TPropInfo* title = cache.PropInfoForWrite(QStringLiteral("Title"));
    const TPropInfo* items = cache.PropInfoForWrite(QStringLiteral("Items"));
    EXPECT_FALSE(title->IsStored(s));
    title->SetString(s, QStringLiteral("Top"));
    EXPECT_TRUE(title->IsStored(s));
    EXPECT_EQ(s.title, QStringLiteral("Top"));

    std::vector<std::unique_ptr<TRemotable>> v;
    v.push_back(std::make_unique<Leaf2>());
    items->SetObjects(s, std::move(v));
    EXPECT_EQ(s.held.size(), 1u);
    EXPECT_EQ(items->GetObjects(s).size(), 1u);
    EXPECT_EQ(items->ItemName(), QStringLiteral("Leaf"));
}

TEST(RttiCache, ElementClassesShareTheXmlNameAndCreateByName)
{
    const TClassInfo& leaf = Leaf::StaticClassInfo();
    EXPECT_EQ(leaf.ClassName(), QStringLiteral("Leaf"));
    EXPECT_EQ(leaf.XmlName(), QStringLiteral("Leaf"));
    EXPECT_EQ(leaf.Parent(), &Leaf2::StaticClassInfo());
    EXPECT_TRUE(leaf.InheritsFrom(Leaf2::StaticClassInfo()));
    EXPECT_EQ(TRttiCache::Get(leaf).PropInfoForRead().size(), 2u);
    // The type class is found first by XML name.
    EXPECT_EQ(TRttiRegistry::FindByXml(QStringLiteral("urn:test"), QStringLiteral("Leaf")), &Leaf2::StaticClassInfo());

    auto obj = TRttiRegistry::CreateInstance(QStringLiteral("Leaf"));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(&obj->ClassInfo(), &leaf);
    EXPECT_THROW(TRttiRegistry::CreateInstance(QStringLiteral("NoSuchClass")), Exception);
    EXPECT_THROW(TRemotable::StaticClassInfo().CreateInstance(), Exception);
}

TEST(RttiCache, FirstUseFromManyThreadsGivesOneCache)
{
    std::vector<const TRttiCache*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &TRttiCache::Get(KeyValueOfintLeaf::StaticClassInfo()); });
    for (auto& t : threads)
        t.join();
    for (const TRttiCache* c : seen)
        EXPECT_EQ(c, seen.front());
}

TEST(XsdValues, DateTimeTextRoundTrips)
{
    struct Case {
        const char* name;
        const char* text;
        const char* written;
    } cases[] = {
        {"local without fraction", "2024-01-15T10:30:00", "2024-01-15T10:30:00.000"},
        {"utc", "1899-12-30T00:00:00.000Z", "1899-12-30T00:00:00.000Z"},
        {"long fraction is cut to ms", "2017-05-12T01:01:11.4937777", "2017-05-12T01:01:11.493"},
        {"offset", "2020-06-01T08:00:00+02:00", "2020-06-01T08:00:00.000+02:00"},
        {"negative offset", "2020-06-01T08:00:00.1-05:30", "2020-06-01T08:00:00.100-05:30"},
        {"blanks around", "  2020-06-01T08:00:00Z\n", "2020-06-01T08:00:00.000Z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TXSDateTime::FromXS(QLatin1String(c.text)).NativeToXS(), QLatin1String(c.written));
    }
    for (const char* bad : {"", "2020-13-01T00:00:00", "2020-02-30T00:00:00", "2020-01-01", "2020-01-01T25:00:00",
                            "2020-01-01T00:00:00+15:00", "x2020-01-01T00:00:00"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(TXSDateTime::FromXS(QLatin1String(bad)), EXSValueError);
    }
}

TEST(XsdValues, DecimalKeepsItsDigitsAndConvertsToFixedPoint)
{
    struct Case {
        const char* name;
        const char* text;
        const char* canonical;
        qint64 fixed4;
    } cases[] = {
        {"integer", "12", "12", 120000},
        {"trailing zeros", "001.2500", "1.25", 12500},
        {"negative", "-0.5", "-0.5", -5000},
        {"negative zero", "-0.000", "0", 0},
        {"fraction only", ".5", "0.5", 5000},
        {"plus sign", "+3.", "3", 30000},
        {"more than four decimals, half to even down", "0.00005", "0.00005", 0},
        {"more than four decimals, half to even up", "0.00015", "0.00015", 2},
        {"more than four decimals, above half", "0.000051", "0.000051", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TXSDecimal d = TXSDecimal::FromXS(QLatin1String(c.text));
        EXPECT_EQ(d.NativeToXS(), QLatin1String(c.canonical));
        EXPECT_EQ(d.ToFixed4(), c.fixed4);
    }
    EXPECT_EQ(TXSDecimal::FromFixed4(-12340000).NativeToXS(), QStringLiteral("-1234"));
    EXPECT_EQ(TXSDecimal::FromFixed4(std::numeric_limits<qint64>::min()).NativeToXS(),
              QStringLiteral("-922337203685477.5808"));
    EXPECT_THROW(TXSDecimal::FromXS(QStringLiteral("1e5")), EXSValueError);
    EXPECT_THROW(TXSDecimal::FromXS(QStringLiteral(".")), EXSValueError);
    EXPECT_THROW(TXSDecimal::FromXS(QStringLiteral("99999999999999999999")).ToFixed4(), EXSValueError);
}
