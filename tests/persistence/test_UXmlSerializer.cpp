// The object serializer: the document format, every kind of property, class
// names, errors of the document and of the job, scrambled files, and files
// that survive a failed write.
#include "ConfigTestSupport.h"
#include "SerializerTestClasses.h"
#include "UXmlSerializer.h"

#include "TestSupport.h"
#include "UTools.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray saveBytes(TRemotable& root, const std::function<void(TXMLSerializer&)>& setup = nullptr)
{
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    if (setup)
        setup(ser);
    ser.SaveObject(&root);
    return ser.SaveToBytes();
}

template <class T>
std::unique_ptr<T> loadBytes(const QByteArray& bytes, const std::function<void(TXMLSerializer&)>& setup = nullptr)
{
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    if (setup)
        setup(ser);
    ser.LoadFromBytes(bytes);
    return ser.LoadObjectAs<T>();
}

// Runs f, expects an exception whose message contains `part`.
template <class F>
void expectFailure(F&& f, const QString& part)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected: " << part.toStdString();
    } catch (const EXSSetPropertyException& e) {
        const QString all = e.Message() + QStringLiteral(" / ") + e.InnerText();
        EXPECT_TRUE(all.contains(part)) << all.toStdString();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(part)) << e.Message().toStdString();
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(part)) << e.what();
    }
}

QByteArray doc(const QByteArray& body)
{
    return "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<XmlSerializerV1_0>\r\n" + body
        + "</XmlSerializerV1_0>\r\n";
}

// --- every kind round-trips

struct KindCase {
    const char* name;
    std::function<void(TKinds&)> set;
    const char* element; // the property element as written, its beginning
    std::function<void(const TKinds&)> check;
};

std::unique_ptr<TPoint> point(int x, int y)
{
    return std::make_unique<TPoint>(x, y);
}

TEST(XmlSerializerKinds, EveryKindRoundTrips)
{
    const QDateTime utc(QDate(2017, 5, 12), QTime(1, 1, 11, 493), Qt::UTC);
    const QDateTime local(QDate(2017, 5, 12), QTime(1, 1, 11, 493), Qt::LocalTime);
    const KindCase cases[] = {
        { "string", [](TKinds& k) { k.Str = QStringLiteral("héllo <&> \"q\" 'a'"); },
          "<TKinds.Str type=\"UString\">héllo &lt;&amp;&gt; &quot;q&quot; &apos;a&apos;</TKinds.Str>",
          [](const TKinds& k) { EXPECT_EQ(k.Str, QStringLiteral("héllo <&> \"q\" 'a'")); } },
        { "empty string", [](TKinds& k) { k.Str.clear(); }, "<TKinds.Str type=\"UString\"><![CDATA[]]></TKinds.Str>",
          [](const TKinds& k) { EXPECT_EQ(k.Str, QString()); } },
        { "blank string", [](TKinds& k) { k.Str = QStringLiteral("  \t "); },
          "<TKinds.Str type=\"UString\">&#32;&#32;&#9;&#32;</TKinds.Str>",
          [](const TKinds& k) { EXPECT_EQ(k.Str, QStringLiteral("  \t ")); } },
        { "CR LF", [](TKinds& k) { k.Str = QStringLiteral("a\r\nb\rc\nd "); },
          "<TKinds.Str type=\"UString\">a&#13;\nb&#13;c\nd </TKinds.Str>",
          [](const TKinds& k) { EXPECT_EQ(k.Str, QStringLiteral("a\r\nb\rc\nd ")); } },
        { "surrogate pair", [](TKinds& k) { k.Str = QString::fromUtf8("\xF0\x9F\x98\x80"); }, "<TKinds.Str type=\"UString\">",
          [](const TKinds& k) { EXPECT_EQ(k.Str, QString::fromUtf8("\xF0\x9F\x98\x80")); } },
        { "integer", [](TKinds& k) { k.Int = std::numeric_limits<qint32>::min(); },
          "<TKinds.Int type=\"Int64\">-2147483648</TKinds.Int>",
          [](const TKinds& k) { EXPECT_EQ(k.Int, std::numeric_limits<qint32>::min()); } },
        { "64-bit integer", [](TKinds& k) { k.Big = std::numeric_limits<qint64>::max(); },
          "<TKinds.Big type=\"Int64\">9223372036854775807</TKinds.Big>",
          [](const TKinds& k) { EXPECT_EQ(k.Big, std::numeric_limits<qint64>::max()); } },
        { "character", [](TKinds& k) { k.Ch = u'é'; }, "<TKinds.Ch type=\"Int64\">233</TKinds.Ch>",
          [](const TKinds& k) { EXPECT_EQ(k.Ch, u'é'); } },
        { "double, all digits", [](TKinds& k) { k.Dbl = 0.1 + 0.2; },
          "<TKinds.Dbl type=\"Double\">0.30000000000000004</TKinds.Dbl>",
          [](const TKinds& k) { EXPECT_EQ(k.Dbl, 0.1 + 0.2); } },
        { "double, exponent", [](TKinds& k) { k.Dbl = -1.5e-7; }, "<TKinds.Dbl type=\"Double\">-1.5E-7</TKinds.Dbl>",
          [](const TKinds& k) { EXPECT_EQ(k.Dbl, -1.5e-7); } },
        { "double, large", [](TKinds& k) { k.Dbl = 1e300; }, "<TKinds.Dbl type=\"Double\">1E300</TKinds.Dbl>",
          [](const TKinds& k) { EXPECT_EQ(k.Dbl, 1e300); } },
        { "double, not a number", [](TKinds& k) { k.Dbl = std::nan(""); }, "<TKinds.Dbl type=\"Double\">NAN</TKinds.Dbl>",
          [](const TKinds& k) { EXPECT_TRUE(std::isnan(k.Dbl)); } },
        { "boolean", [](TKinds& k) { k.Flag = true; }, "<TKinds.Flag type=\"Enumeration\">true</TKinds.Flag>",
          [](const TKinds& k) { EXPECT_TRUE(k.Flag); } },
        { "enumeration", [](TKinds& k) { k.Color = TColor::Blue; },
          "<TKinds.Color type=\"Enumeration\">Blue</TKinds.Color>",
          [](const TKinds& k) { EXPECT_EQ(k.Color, TColor::Blue); } },
        { "date-time object", [utc](TKinds& k) { k.When = TXSDateTime(utc); },
          "<TKinds.When type=\"XSDateTime\">2017-05-12T01:01:11.493Z</TKinds.When>",
          [utc](const TKinds& k) {
              ASSERT_TRUE(k.When.has_value());
              EXPECT_EQ(k.When->AsDateTime(), utc);
          } },
        { "date-time object, local", [local](TKinds& k) { k.When = TXSDateTime(local); },
          "<TKinds.When type=\"XSDateTime\">2017-05-12T01:01:11.493</TKinds.When>",
          [local](const TKinds& k) {
              ASSERT_TRUE(k.When.has_value());
              EXPECT_EQ(k.When->AsDateTime(), local);
          } },
        { "no date-time object", [](TKinds& k) { k.When.reset(); }, nullptr,
          [](const TKinds& k) { EXPECT_FALSE(k.When.has_value()); } },
        { "decimal", [](TKinds& k) { k.Amount = TXSDecimal::FromXS(QStringLiteral("-123.4567")); },
          "<TKinds.Amount type=\"XS:Decimal\">-123.4567</TKinds.Amount>",
          [](const TKinds& k) {
              ASSERT_TRUE(k.Amount.has_value());
              EXPECT_EQ(k.Amount->NativeToXS(), QStringLiteral("-123.4567"));
          } },
        { "no decimal", [](TKinds& k) { k.Amount.reset(); }, "<TKinds.Amount type=\"Object\"/>",
          [](const TKinds& k) { EXPECT_FALSE(k.Amount.has_value()); } },
        { "bytes", [](TKinds& k) { k.Blob = QByteArray("\x00\x01\xFFhello", 8); },
          "<TKinds.Blob type=\"ArrayOfByte\">AAH/aGVsbG8=</TKinds.Blob>",
          [](const TKinds& k) { EXPECT_EQ(k.Blob, QByteArray("\x00\x01\xFFhello", 8)); } },
        { "no bytes", [](TKinds& k) { k.Blob.clear(); }, "<TKinds.Blob type=\"ArrayOfByte\"",
          [](const TKinds& k) { EXPECT_TRUE(k.Blob.isEmpty()); } },
        { "object", [](TKinds& k) { k.Point = point(3, -4); }, "<TKinds.Point type=\"Object\">",
          [](const TKinds& k) {
              ASSERT_TRUE(k.Point);
              EXPECT_EQ(k.Point->X, 3);
              EXPECT_EQ(k.Point->Y, -4);
          } },
        { "object of a derived class",
          [](TKinds& k) {
              auto p = std::make_unique<TPoint3>();
              p->X = 1;
              p->Z = 9;
              k.Point = std::move(p);
          },
          "<TPoint3>",
          [](const TKinds& k) {
              ASSERT_TRUE(k.Point);
              ASSERT_TRUE(k.Point->InheritsFrom(TPoint3::StaticClassInfo()));
              EXPECT_EQ(static_cast<TPoint3*>(k.Point.get())->Z, 9);
          } },
        { "no object", [](TKinds& k) { k.Point.reset(); }, "<TKinds.Point type=\"Object\"/>",
          [](const TKinds& k) { EXPECT_FALSE(k.Point); } },
        { "object array",
          [](TKinds& k) {
              k.Points.push_back(point(1, 2));
              k.Points.push_back(point(3, 4));
          },
          "<TKinds.Points type=\"Array\">",
          [](const TKinds& k) {
              ASSERT_EQ(k.Points.size(), 2u);
              EXPECT_EQ(k.Points[1]->Y, 4);
          } },
        { "empty object array", [](TKinds& k) { k.Points.clear(); }, "<TKinds.Points type=\"Array\"/>",
          [](const TKinds& k) { EXPECT_TRUE(k.Points.empty()); } },
        { "integer array", [](TKinds& k) { k.Ints = { 1, -2, 2147483647 }; },
          "<TKinds.Ints type=\"ArrayOfInt32\">1; -2; 2147483647</TKinds.Ints>",
          [](const TKinds& k) { EXPECT_EQ(k.Ints, (std::vector<qint32> { 1, -2, 2147483647 })); } },
        { "enumeration array", [](TKinds& k) { k.Colors = { TColor::Green, TColor::Red }; },
          "<TKinds.Colors type=\"ArrayOfEnumeration\">Green; Red</TKinds.Colors>",
          [](const TKinds& k) { EXPECT_EQ(k.Colors, (std::vector<TColor> { TColor::Green, TColor::Red })); } },
        { "string array",
          [](TKinds& k) { k.Strs = QStringList { "a", "", "  ", "x\r\ny" }; },
          "<TKinds.Strs type=\"ArrayOfString\">",
          [](const TKinds& k) { EXPECT_EQ(k.Strs, (QStringList { "a", "", "  ", "x\r\ny" })); } },
        { "variant date in UTC", [local](TKinds& k) { k.Var = local; }, "<TKinds.Var type=\"Date\">",
          [local](const TKinds& k) {
              ASSERT_EQ(k.Var.typeId(), QMetaType::QDateTime);
              EXPECT_EQ(k.Var.toDateTime(), local);
              EXPECT_EQ(k.Var.toDateTime().timeSpec(), Qt::LocalTime);
          } },
        { "variant integer", [](TKinds& k) { k.Var = QVariant::fromValue(qint32(-5)); },
          "<TKinds.Var type=\"Integer\">-5</TKinds.Var>",
          [](const TKinds& k) { EXPECT_EQ(k.Var, QVariant::fromValue(qint32(-5))); } },
        { "variant 64-bit", [](TKinds& k) { k.Var = QVariant::fromValue(qint64(1) << 40); },
          "<TKinds.Var type=\"Int64\">1099511627776</TKinds.Var>",
          [](const TKinds& k) { EXPECT_EQ(k.Var, QVariant::fromValue(qint64(1) << 40)); } },
        { "variant double", [](TKinds& k) { k.Var = 2.5; }, "<TKinds.Var type=\"Double\">2.5</TKinds.Var>",
          [](const TKinds& k) { EXPECT_EQ(k.Var, QVariant(2.5)); } },
        { "variant boolean", [](TKinds& k) { k.Var = true; }, "<TKinds.Var type=\"Boolean\">True</TKinds.Var>",
          [](const TKinds& k) { EXPECT_EQ(k.Var, QVariant(true)); } },
        { "variant string", [](TKinds& k) { k.Var = QStringLiteral("v"); }, "<TKinds.Var type=\"UString\">v</TKinds.Var>",
          [](const TKinds& k) { EXPECT_EQ(k.Var, QVariant(QStringLiteral("v"))); } },
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        TKinds k;
        c.set(k);
        const QByteArray bytes = saveBytes(k);
        const QString text = QString::fromUtf8(bytes);
        if (c.element)
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.element))) << text.toStdString();
        std::unique_ptr<TKinds> back = loadBytes<TKinds>(bytes);
        ASSERT_TRUE(back);
        c.check(*back);
        // Written again, the document is the same.
        EXPECT_EQ(saveBytes(*back), bytes);
    }
}

TEST(XmlSerializerKinds, VariantTypeNameTable)
{
    EXPECT_EQ(TXMLSerializer::VariantTypeName(0), QStringLiteral("Empty"));
    EXPECT_EQ(TXMLSerializer::VariantTypeName(0x102), QStringLiteral("UString"));
    EXPECT_EQ(TXMLSerializer::VariantTypeName(0x2011), QStringLiteral("ArrayOfByte"));
    for (int unnamed : { 14, 15, 21, 0x4000 })
        EXPECT_EQ(TXMLSerializer::VariantTypeName(unnamed), QString());
    EXPECT_EQ(TXMLSerializer::VariantTypeFromName(QStringLiteral("int64")), 20);
    EXPECT_EQ(TXMLSerializer::VariantTypeFromName(QStringLiteral("USTRING")), 0x102);
    EXPECT_EQ(TXMLSerializer::VariantTypeFromName(QStringLiteral("NoSuchType")), -1);
}

// --- document format

TEST(XmlSerializerFormat, LanguageListHasTheDocumentLayout)
{
    TLanguages langs;
    auto add = [&](const char* name, const char* code) {
        auto c = std::make_unique<LangChoice>();
        c->DisplayName = QString::fromUtf8(name);
        c->IsoCode = QString::fromUtf8(code);
        langs.Choices.push_back(std::move(c));
    };
    add("English", "en");
    add("Français", "fr");
    const QByteArray expected = testsupport::readAll(testsupport::dataPath("languages_layout.xml"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(saveBytes(langs), expected);
}

TEST(XmlSerializerFormat, FirstObjectPropertyIsCompleteWhenTheSecondStarts)
{
    TPage page;
    page.Title = QStringLiteral("p1");
    page.Front = std::make_unique<TFrame>();
    page.Front->Width = 10;
    page.Back = std::make_unique<TFrame>();
    page.Back->Width = 20;
    const QByteArray expected = testsupport::readAll(testsupport::dataPath("page_layout.xml"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(saveBytes(page), expected);
}

TEST(XmlSerializerFormat, StandaloneDeclaration)
{
    TPoint p(1, 2);
    const QByteArray bytes =
        saveBytes(p, [](TXMLSerializer& s) { s.XMLSettings().SetStandalone(TxsStandaloneType::Yes); });
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"));
}

TEST(XmlSerializerFormat, ExportModeForTheLab)
{
    CommandSerial cmd;
    cmd.Type_ = QStringLiteral("Tirages");
    cmd.Where = point(5, 6);
    const QByteArray bytes = saveBytes(cmd, [](TXMLSerializer& s) {
        s.AddType = false;
        s.XMLSettings().SetXMLRootId(QString());
        s.StorageOptions = soDotNetExport;
    });
    const QByteArray expected = testsupport::readAll(testsupport::dataPath("export_layout.xml"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(bytes, expected);
}

TEST(XmlSerializerFormat, OnlyRegisteredClassesWhenAsked)
{
    TPoint p(1, 2);
    TXMLSerializer ser;
    ser.ClassesOptions = scTonlyRegistered;
    ser.SaveObject(&p);
    expectFailure([&] { ser.SaveToBytes(); }, QStringLiteral("TXMLSerializer.ClassName: unsupported class(TPoint)"));
}

// --- class names

TEST(XmlSerializerNames, AlternativeNameLoadsAndPrimaryNameIsWritten)
{
    TPoint p(7, 8);
    QByteArray bytes = saveBytes(p, [](TXMLSerializer& s) {
        s.ClassUnregister(TPoint::StaticClassInfo());
    });
    // Written under its class name by a serializer without registration...
    ASSERT_TRUE(bytes.contains("<TPoint>"));

    // ...and read into a given instance by one that knows it as "Pt" with
    // its class name as an alternative.
    TXMLSerializer ser;
    ser.ClassRegister(TPoint::StaticClassInfo(), QStringLiteral("Pt"));
    ser.ClassRegister(TPoint::StaticClassInfo(), QString(), true);
    ser.LoadFromBytes(bytes);
    TPoint q;
    EXPECT_EQ(ser.LoadObject(&q), &q);
    EXPECT_EQ(q.X, 7);

    TXMLSerializer writer;
    writer.ClassRegister(TPoint::StaticClassInfo(), QStringLiteral("Pt"));
    writer.ClassRegister(TPoint::StaticClassInfo(), QString(), true);
    writer.SaveObject(&q);
    const QByteArray again = writer.SaveToBytes();
    EXPECT_TRUE(again.contains("<Pt>"));
    EXPECT_TRUE(again.contains("<Pt.X type=\"Int64\">7</Pt.X>"));
}

TEST(XmlSerializerNames, NameOfAnotherClassDoesNotFitTheGivenInstance)
{
    TKinds k;
    const QByteArray bytes = saveBytes(k);
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    ser.LoadFromBytes(bytes);
    TPoint p;
    expectFailure([&] { ser.LoadObject(&p); }, QStringLiteral("Xml node TKinds invalid, should match class TPoint"));
}

TEST(XmlSerializerNames, RegistrationRules)
{
    TXMLSerializer ser;
    ser.ClassRegister(TPoint::StaticClassInfo());
    expectFailure([&] { ser.ClassRegister(TPoint3::StaticClassInfo(), QStringLiteral("TPoint")); },
                  QStringLiteral("TXMLSerializer.ClassRegister: a class is already registered with name TPoint"));
    expectFailure([&] { ser.ClassRegister(TPoint::StaticClassInfo(), QStringLiteral("P2")); },
                  QStringLiteral("TXMLSerializer.ClassRegister: class TPoint already registered (given name: P2)"));
    EXPECT_NO_THROW(ser.ClassRegister(TPoint::StaticClassInfo(), QStringLiteral("P3"), true));
    EXPECT_EQ(ser.ClassFind(QStringLiteral("P3")), &TPoint::StaticClassInfo());
    EXPECT_EQ(ser.ClassFind(QStringLiteral("p3")), nullptr); // exact on lookup
    TPoint p;
    EXPECT_TRUE(ser.ClassNameForInstanceIsOk(&p, QStringLiteral("p3"))); // case ignored on fit
    EXPECT_EQ(ser.ClassName(TPoint::StaticClassInfo(), true), QStringLiteral("TPoint"));
    ser.ClassUnregister(TPoint::StaticClassInfo());
    EXPECT_FALSE(ser.IsClassRegistered(TPoint::StaticClassInfo()));
    // The decimal values are known to every serializer.
    EXPECT_TRUE(TXMLSerializer::IsGlobalClassRegistered(XSDecimalClassInfo(), QStringLiteral("Decimal")));
}

// --- loading

TEST(XmlSerializerLoad, UnknownPropertyIsSkippedAndTheRestLoads)
{
    const QByteArray bytes = doc("<TRenamed>\r\n<TRenamed.Gone type=\"UString\">x</TRenamed.Gone>\r\n"
                                 "<TRenamed.Kept type=\"UString\">k</TRenamed.Kept>\r\n</TRenamed>\r\n");
    auto r = loadBytes<TRenamed>(bytes);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Kept, QStringLiteral("k"));
}

TEST(XmlSerializerLoad, PropertyNameDiffersInCaseIsUnknown)
{
    const QByteArray bytes = doc("<TRenamed>\r\n<TRenamed.kept type=\"UString\">k</TRenamed.kept>\r\n</TRenamed>\r\n");
    auto r = loadBytes<TRenamed>(bytes);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Kept, QString());
}

TEST(XmlSerializerLoad, MissingPropertiesKeepTheirValues)
{
    TKinds given;
    given.Str = QStringLiteral("mine");
    given.Int = 5;
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    ser.LoadFromBytes(doc("<TKinds>\r\n<TKinds.Int type=\"Int64\">6</TKinds.Int>\r\n"
                          "<TKinds.Big type=\"UString\"></TKinds.Big>\r\n</TKinds>\r\n"));
    ser.LoadObject(&given);
    EXPECT_EQ(given.Str, QStringLiteral("mine"));
    EXPECT_EQ(given.Int, 6);
}

struct BadDocCase {
    const char* name;
    QByteArray bytes;
    const char* message;
};

TEST(XmlSerializerLoad, BadDocumentsFailWithAClearError)
{
    const BadDocCase cases[] = {
        { "wrong wrapper", "<?xml version=\"1.0\"?>\r\n<Other>\r\n<TPoint/>\r\n</Other>\r\n",
          "Bad xml root, expected: XmlSerializerV1_0, found: Other" },
        { "unknown class", doc("<TNoSuchClass>\r\n</TNoSuchClass>\r\n"),
          "Xml node TNoSuchClass invalid, persistent class not found" },
        { "object directly in an object", doc("<TKinds>\r\n<TPoint/>\r\n</TKinds>\r\n"),
          "XML invalid: unknown or unexpected node TPoint" },
        { "property of another object", doc("<TKinds>\r\n<TPoint.X type=\"Int64\">1</TPoint.X>\r\n</TKinds>\r\n"),
          "XML invalid: unknown or unexpected node TPoint.X" },
        { "property outside an object", doc("<TKinds>\r\n<TKinds.Point type=\"Object\"><TKinds.X/></TKinds.Point>"
                                            "\r\n</TKinds>\r\n"),
          "Bad xml node(TKinds.X), node syntax expected" },
        { "item outside a property", doc("<TKinds>\r\n<Item/>\r\n</TKinds>\r\n"),
          "Bad xml node(Item), node syntax expected(2)" },
        { "integer out of range", doc("<TKinds>\r\n<TKinds.Int type=\"Int64\">4294967296</TKinds.Int>\r\n</TKinds>\r\n"),
          "XML Serializer. Cannot load property Int of instance of TKinds" },
        { "not a number", doc("<TKinds>\r\n<TKinds.Int type=\"Int64\">12a</TKinds.Int>\r\n</TKinds>\r\n"),
          "XML Serializer. Cannot load property Int of instance of TKinds" },
        { "unknown enumeration value",
          doc("<TKinds>\r\n<TKinds.Color type=\"Enumeration\">Mauve</TKinds.Color>\r\n</TKinds>\r\n"),
          "GetEnumValueReq: value 'Mauve' invalid" },
        { "unknown kind", doc("<TKinds>\r\n<TKinds.Int type=\"Quaternion\">1</TKinds.Int>\r\n</TKinds>\r\n"),
          "Property type Quaternion unknown" },
        { "array kind on a string", doc("<TKinds>\r\n<TKinds.Strs type=\"ArrayOfInt32\">1</TKinds.Strs>\r\n</TKinds>\r\n"),
          "XML DynArray(Int32): unsupported type for property TKinds.Strs" },
        { "unknown array item kind",
          doc("<TKinds>\r\n<TKinds.Ints type=\"ArrayOfWidget\">1</TKinds.Ints>\r\n</TKinds>\r\n"),
          "XML DynArray(?? Widget): unsupported type for property TKinds.Ints" },
        { "bad date", doc("<TKinds>\r\n<TKinds.When type=\"XSDateTime\">yesterday</TKinds.When>\r\n</TKinds>\r\n"),
          "XML Serializer. Cannot load property When of instance of TKinds" },
        { "wrong scalar class",
          doc("<TKinds>\r\n<TKinds.Amount type=\"XS:Money\">1</TKinds.Amount>\r\n</TKinds>\r\n"),
          "Value type for xml property Amount is invalid, should match class TXSDecimal" },
        { "scalar kind on an object", doc("<TKinds>\r\n<TKinds.Point type=\"XS:Decimal\">1</TKinds.Point>\r\n</TKinds>\r\n"),
          "Value type for xml property Point is invalid, should inherit from class TRemotableXS" },
        { "cut inside the root object", doc("<TKinds>\r\n<TKinds.Int type=\"Int64\">6</TKinds.Int>\r\n").left(120), "" },
        { "array item of the wrong class",
          doc("<TKinds>\r\n<TKinds.Points type=\"Array\">\r\n<TPoint name=\"0\"/>\r\n<TKinds name=\"1\"/>\r\n"
              "</TKinds.Points>\r\n</TKinds>\r\n"),
          "XML Serializer. Cannot load property Points of instance of TKinds" },
    };
    for (const BadDocCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectFailure([&] { loadBytes<TKinds>(c.bytes); }, QString::fromUtf8(c.message));
    }
}

TEST(XmlSerializerLoad, CutOrUnclosedDocumentIsAnErrorAndChangesNothing)
{
    TKinds k;
    k.Str = QStringLiteral("saved");
    k.Int = 42;
    k.Points.push_back(point(1, 1));
    const QByteArray full = saveBytes(k);
    const QByteArray endTag = "</XmlSerializerV1_0>\r\n";
    ASSERT_TRUE(full.endsWith(endTag));
    const QByteArray cuts[] = {
        full.left(full.size() - endTag.size()), // the wrapper's end tag is missing
        full.left(full.size() - 3),             // cut inside the last end tag
        full.left(full.indexOf("</TKinds.Points>")), // cut inside the root object
        full.left(full.size() / 2),
    };
    for (const QByteArray& cut : cuts) {
        SCOPED_TRACE(cut.right(40).toStdString());
        TKinds given;
        given.Str = QStringLiteral("before");
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.LoadFromBytes(cut);
        EXPECT_THROW(ser.LoadObject(&given), std::exception);
        EXPECT_EQ(given.Str, QStringLiteral("before"));
        EXPECT_EQ(given.Int, 0);
        EXPECT_TRUE(given.Points.empty());
        // Created objects are freed (the sanitizer checks for leaks).
        EXPECT_THROW(loadBytes<TKinds>(cut), std::exception);
    }
}

// A whole, well-formed document whose last property holds a bad value: the
// good values before it are not set either, the given object stays as it was.
TEST(XmlSerializerLoad, BadValueAfterGoodOnesChangesNothingInTheGivenObject)
{
    const QByteArray good = "<TKinds.Str type=\"UString\">new</TKinds.Str>\r\n"
                            "<TKinds.Int type=\"Int64\">7</TKinds.Int>\r\n"
                            "<TKinds.Point type=\"Object\"><TPoint>\r\n<TPoint.X type=\"Int64\">9</TPoint.X>\r\n"
                            "</TPoint></TKinds.Point>\r\n"
                            "<TKinds.Points type=\"Array\">\r\n<TPoint name=\"0\"/>\r\n</TKinds.Points>\r\n"
                            "<TKinds.Ints type=\"ArrayOfInt32\">1;2</TKinds.Ints>\r\n";
    const struct {
        const char* name;
        QByteArray bad;
    } cases[] = {
        { "not a number", "<TKinds.Big type=\"Int64\">12a</TKinds.Big>\r\n" },
        { "unknown kind", "<TKinds.Big type=\"Quaternion\">1</TKinds.Big>\r\n" },
        { "stray text", "stray\r\n" },
        { "bad enumeration", "<TKinds.Color type=\"Enumeration\">Mauve</TKinds.Color>\r\n" },
        { "bad array item", "<TKinds.Ints type=\"ArrayOfInt32\">1;x</TKinds.Ints>\r\n" },
        { "item of the wrong class",
          "<TKinds.Points type=\"Array\">\r\n<TKinds name=\"0\"/>\r\n</TKinds.Points>\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TKinds given;
        given.Str = QStringLiteral("before");
        given.Point = point(1, 2);
        TPoint* const oldPoint = given.Point.get();
        given.Points.push_back(point(3, 4));
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.LoadFromBytes(doc("<TKinds>\r\n" + good + c.bad + "</TKinds>\r\n"));
        EXPECT_THROW(ser.LoadObject(&given), std::exception);
        EXPECT_EQ(given.Str, QStringLiteral("before"));
        EXPECT_EQ(given.Int, 0);
        EXPECT_EQ(given.Point.get(), oldPoint);
        EXPECT_EQ(given.Point->X, 1);
        ASSERT_EQ(given.Points.size(), 1u);
        EXPECT_EQ(given.Points[0]->X, 3);
        EXPECT_TRUE(given.Ints.empty());
    }
    // The same document without the bad value loads whole.
    TKinds given;
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    ser.LoadFromBytes(doc("<TKinds>\r\n" + good + "</TKinds>\r\n"));
    EXPECT_EQ(ser.LoadObject(&given), &given);
    EXPECT_EQ(given.Str, QStringLiteral("new"));
    EXPECT_EQ(given.Int, 7);
    ASSERT_TRUE(given.Point);
    EXPECT_EQ(given.Point->X, 9);
    EXPECT_EQ(given.Points.size(), 1u);
    EXPECT_EQ(given.Ints, (std::vector<qint32> { 1, 2 }));
}

TEST(XmlSerializerLoad, ChildReceivesItsParentAndRefusesAnotherOne)
{
    TPage page;
    page.Front = std::make_unique<TFrame>();
    page.Front->Width = 3;
    const QByteArray bytes = saveBytes(page);
    auto back = loadBytes<TPage>(bytes);
    ASSERT_TRUE(back && back->Front);
    EXPECT_EQ(back->Front->Owner, back.get());
    EXPECT_FALSE(back->Back);

    // A frame inside a point array: its parent is no page.
    const QByteArray wrong = doc("<TKinds>\r\n<TKinds.Points type=\"Array\">\r\n<TFrame name=\"0\"/>\r\n"
                                 "</TKinds.Points>\r\n</TKinds>\r\n");
    expectFailure([&] { loadBytes<TKinds>(wrong); },
                  QStringLiteral("TXMLSerializer.giveParentToSerialized: object TFrame wait a parent of class TPage, "
                                 "and received a parent of class TKinds!"));
}

TEST(XmlSerializerLoad, LoadHandlerSuppliesOrSkipsObjects)
{
    TKinds k;
    k.Points.push_back(point(1, 2));
    auto p3 = std::make_unique<TPoint3>();
    p3->X = 3;
    k.Points.push_back(std::move(p3));
    k.Point = point(5, 6);
    const QByteArray bytes = saveBytes(k);

    int ends = 0;
    std::vector<TRemotable*> supplied;
    auto back = loadBytes<TKinds>(bytes, [&](TXMLSerializer& s) {
        // At the start of an element (partial) only its name is known.
        s.OnStartObjectLoad = [&](TXMLSerializer*, TRemotable*& obj, const QString& name, TkwvDOMElement*, bool,
                                  bool& skip) {
            if (name == QLatin1String("TPoint3"))
                skip = true;
            else if (name == QLatin1String("TPoint")) {
                obj = new TPoint(); // supplied: the serializer owns it now
                supplied.push_back(obj);
            }
        };
        s.OnEndObjectLoad = [&](TXMLSerializer*, TRemotable*, const QString&, TkwvDOMElement*) { ++ends; };
    });
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Points.size(), 1u); // the skipped item is left out
    EXPECT_EQ(back->Points[0]->X, 1);
    ASSERT_TRUE(back->Point);
    EXPECT_EQ(back->Point->Y, 6);
    EXPECT_EQ(supplied, (std::vector<TRemotable*> { back->Point.get(), back->Points[0].get() }));
    EXPECT_EQ(ends, 3); // the root and the two points not skipped
}

// A handler that skips an element and supplies an object of its own hands
// over a reference: the object reaches the properties as it is (nothing is
// loaded into it), several elements may name the same object, and a failed
// load never frees it.
TEST(XmlSerializerLoad, LoadHandlerHandsOverReferences)
{
    TKinds k;
    k.Point = point(5, 6);
    k.Points.push_back(point(1, 2));
    const QByteArray bytes = saveBytes(k);
    auto shared = std::make_unique<TPoint>(7, 8);
    int complete = 0;
    auto handler = [&](TXMLSerializer& s) {
        s.OnStartObjectLoad = [&](TXMLSerializer*, TRemotable*& obj, const QString& name, TkwvDOMElement*,
                                  bool partial, bool& skip) {
            if (name != QLatin1String("TPoint"))
                return;
            skip = true;
            if (!partial) {
                ++complete;
                obj = shared.get();
            }
        };
    };
    auto back = loadBytes<TKinds>(bytes, handler);
    ASSERT_TRUE(back);
    EXPECT_EQ(complete, 2);
    EXPECT_EQ(back->Point.get(), shared.get());
    ASSERT_EQ(back->Points.size(), 1u);
    EXPECT_EQ(back->Points[0].get(), shared.get());
    EXPECT_EQ(shared->X, 7);
    // The test's properties own their values: give the reference back.
    (void)back->Point.release();
    (void)back->Points[0].release();

    // Cut once the reference is parked, before its property claims it.
    const qsizetype cut = bytes.indexOf("</TKinds.Point>");
    ASSERT_GT(cut, 0);
    EXPECT_THROW(loadBytes<TKinds>(bytes.left(cut), handler), std::exception);
    EXPECT_EQ(shared->X, 7);
}

TEST(XmlSerializerLoad, SaveHandlerSkipsObjects)
{
    TKinds k;
    k.Points.push_back(point(1, 2));
    k.Points.push_back(point(3, 4));
    const QByteArray bytes = saveBytes(k, [](TXMLSerializer& s) {
        s.OnStartObjectSave = [](TXMLSerializer*, TRemotable* obj, const QString& name, TkwvDOMElement*, ElementPtr&,
                                 bool& skip) { skip = name == QLatin1String("0"); };
    });
    auto back = loadBytes<TKinds>(bytes);
    ASSERT_EQ(back->Points.size(), 1u);
    EXPECT_EQ(back->Points[0]->X, 3);
}

// --- the job

TEST(XmlSerializerJob, CallsOutOfOrderAreRefused)
{
    TPoint p;
    {
        TXMLSerializer ser;
        ser.SaveObject(&p);
        expectFailure([&] { ser.SaveObject(&p); },
                      QStringLiteral("TXMLSerializer.xmlWriterStart: unexpected context for call"));
    }
    {
        TXMLSerializer ser;
        expectFailure([&] { ser.SaveToFile(QStringLiteral("/nonexistent/x.xml")); },
                      QStringLiteral("TXMLSerializer.SaveToFile: unexpected context for call"));
        expectFailure([&] { ser.SaveToCryptedFile(QStringLiteral("/nonexistent/x.xml")); },
                      QStringLiteral("TXMLSerializer.SaveToCryptedFile: unexpected context for call"));
        expectFailure([&] { ser.LoadObject(&p); },
                      QStringLiteral("TXMLSerializer.LoadObject: unexpected context for call"));
        expectFailure([&] { ser.LoadXmlData(); },
                      QStringLiteral("TXMLSerializer.LoadXmlData: unexpected context for call"));
        ser.LoadFromBytes("<x/>");
        expectFailure([&] { ser.LoadFromBytes("<x/>"); },
                      QStringLiteral("TXMLSerializer.xmlReaderStart: unexpected context for call"));
    }
    {
        TXMLSerializer ser;
        expectFailure([&] { ser.LoadObjectChild(&p, nullptr); },
                      QStringLiteral("TXMLSerializer.LoadObjectChild: unexpected context for call"));
    }
}

TEST(XmlSerializerJob, NodeTools)
{
    TXMLSerializer ser;
    ser.LoadFromBytes("<root><A name=\"One\">1</A><b>  two  </b><c><d><e>deep</e></d></c><f/></root>");
    ser.LoadXmlData();
    TkwvDOMElement* root = ser.XMLData()->documentElement().get();
    ASSERT_TRUE(root);
    EXPECT_EQ(ser.GetNodeValue(ser.FindNodeByName(root, QStringLiteral("one"))), QStringLiteral("1"));
    EXPECT_EQ(ser.GetNodeValue(ser.FindNodeByTag(root, QStringLiteral("B"))), QStringLiteral("  two  "));
    EXPECT_EQ(ser.GetNodeValue(ser.FindNodeByTagPath(nullptr, { "C", "d", "E" })), QStringLiteral("deep"));
    EXPECT_EQ(ser.FindNodeByTagPath(nullptr, { "c", "x", "e" }), nullptr);
    QString v = QStringLiteral("x");
    TkwvDOMElement* f = ser.FindNodeByTag(root, QStringLiteral("f"));
    EXPECT_FALSE(ser.HasNodeValue(f, v));
    EXPECT_EQ(v, QString());
    ser.SetNodeValue(f, QString());
    EXPECT_TRUE(ser.HasNodeValue(f, v));
    ser.SetNodeValue(f, QStringLiteral("z"));
    EXPECT_EQ(ser.GetNodeValue(f), QStringLiteral("z"));
}

// --- files

class XmlSerializerFiles : public ::testing::Test {
protected:
    QString path(const char* name) const { return fDir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir fDir;
};

TEST_F(XmlSerializerFiles, ScrambledFileRoundTripsAndIsNoPlainXml)
{
    TKinds k;
    k.Str = QStringLiteral("catalogue");
    const QString file = path("ShopInfoBoot.qzinf");
    {
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.SaveObject(&k);
        ser.SaveToCryptedFile(file);
    }
    const QByteArray raw = testsupport::readAll(file);
    const QByteArray plain = saveBytes(k);
    ASSERT_EQ(raw.size(), plain.size());
    EXPECT_FALSE(raw.contains("catalogue"));
    EXPECT_EQ(TAppTools::CryptXOR(raw, TAppTools::CryptKey()), plain);

    TXMLSerializer ser;
    RegisterTestClasses(ser);
    ser.LoadFromCryptedFile(file);
    auto back = ser.LoadObjectAs<TKinds>();
    EXPECT_EQ(back->Str, QStringLiteral("catalogue"));

    // Read as a plain file it is no XML.
    TXMLSerializer plainReader;
    RegisterTestClasses(plainReader);
    plainReader.LoadFromFile(file);
    EXPECT_THROW(plainReader.LoadObject(), std::exception);
}

TEST_F(XmlSerializerFiles, FileIsReplacedWhole)
{
    const QString file = path("doc.xml");
    TKinds k;
    k.Str = QStringLiteral("one");
    TXMLSerializer a;
    a.SaveObject(&k);
    a.SaveToFile(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ownerGroupOther(file), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    k.Str = QStringLiteral("two");
    TXMLSerializer b;
    b.SaveObject(&k);
    b.SaveToFile(file);
    EXPECT_EQ(testsupport::readAll(file), saveBytes(k));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(fDir.path()).entryList(QDir::Files), QStringList { "doc.xml" });
}

// The process may write at most `limit` bytes into any file while alive.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        fOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &fOld);
        rlimit lim = fOld;
        lim.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &fOld);
        std::signal(SIGXFSZ, fOldHandler);
    }

private:
    rlimit fOld {};
    void (*fOldHandler)(int) = nullptr;
};

TEST_F(XmlSerializerFiles, WriteFailingMidwayLeavesThePreviousFileIntact)
{
    const QString file = path("OrderBackup.qzo");
    TBigDoc small;
    small.Items.push_back(std::make_unique<TBigItem>());
    {
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.SaveObject(&small);
        ser.SaveToFile(file);
    }
    const QByteArray before = testsupport::readAll(file);
    ASSERT_FALSE(before.isEmpty());

    TBigDoc big;
    for (int i = 0; i < 5000; ++i) {
        auto item = std::make_unique<TBigItem>();
        item->Id = i;
        item->Label = QStringLiteral("item %1").arg(i);
        big.Items.push_back(std::move(item));
    }
    {
        // The disk "fills up" after 64 KiB: the write fails midway.
        FileSizeLimit limit(64 * 1024);
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.SaveObject(&big);
        EXPECT_THROW(ser.SaveToFile(file), std::exception);
    }
    EXPECT_EQ(testsupport::readAll(file), before);
    EXPECT_EQ(QDir(fDir.path()).entryList(QDir::Files), QStringList { "OrderBackup.qzo" });

    // The scrambled variant behaves the same.
    {
        FileSizeLimit limit(64 * 1024);
        TXMLSerializer ser;
        RegisterTestClasses(ser);
        ser.SaveObject(&big);
        EXPECT_THROW(ser.SaveToCryptedFile(file), std::exception);
    }
    EXPECT_EQ(testsupport::readAll(file), before);
}

// A document above the size limit is refused before it is read, from a
// file as from memory; the limit is far above real documents.
TEST_F(XmlSerializerFiles, DocumentAboveTheSizeLimitIsRefused)
{
    EXPECT_EQ(TXMLSerializer::kDefaultMaxInputSize, 32 << 20);
    TKinds k;
    const QByteArray bytes = saveBytes(k);
    const QString path = fDir.filePath(QStringLiteral("kinds.xml"));
    ASSERT_TRUE(testsupport::writeAll(path, bytes));
    for (const bool fromFile : { false, true }) {
        SCOPED_TRACE(fromFile ? "file" : "memory");
        for (const qint64 limit : { qint64(bytes.size()) - 1, qint64(bytes.size()) }) {
            TXMLSerializer ser;
            RegisterTestClasses(ser);
            ser.MaxInputSize = limit;
            auto start = [&] {
                if (fromFile)
                    ser.LoadFromFile(path);
                else
                    ser.LoadFromBytes(bytes);
            };
            if (limit < bytes.size()) {
                expectFailure(start, QStringLiteral("TXMLSerializer: the document %1 is larger than %2 bytes")
                                         .arg(fromFile ? path : QStringLiteral("in memory"))
                                         .arg(limit));
            } else {
                start();
                EXPECT_TRUE(ser.LoadObjectAs<TKinds>());
            }
        }
    }
}

TEST_F(XmlSerializerFiles, LargeArrayRoundTrips)
{
    TBigDoc big;
    for (int i = 0; i < 20000; ++i) {
        auto item = std::make_unique<TBigItem>();
        item->Id = i;
        item->Label = QStringLiteral("item %1").arg(i);
        item->Price = i / 4.0;
        big.Items.push_back(std::move(item));
    }
    const QString file = path("big.xml");
    TXMLSerializer ser;
    RegisterTestClasses(ser);
    ser.SaveObject(&big);
    ser.SaveToFile(file);

    TXMLSerializer reader;
    RegisterTestClasses(reader);
    reader.LoadFromFile(file);
    auto back = reader.LoadObjectAs<TBigDoc>();
    ASSERT_EQ(back->Items.size(), 20000u);
    EXPECT_EQ(back->Items[19999]->Label, QStringLiteral("item 19999"));
    EXPECT_EQ(back->Items[7]->Price, 1.75);
}

} // namespace
