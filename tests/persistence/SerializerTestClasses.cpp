#include "SerializerTestClasses.h"

KIOSK_ENUM_DEFINE(TColor, QStringLiteral("TColor"), QString(), "Red", "Green", "Blue")

#define PLAIN(Type, Name) b.Field<Type>(#Name, &Self::Name, nullptr, rtti::Opt());

KIOSK_SERIALIZABLE_DESCRIBE(TPoint, TXMLSerializable, PLAIN(qint32, X) PLAIN(qint32, Y))
KIOSK_SERIALIZABLE_DESCRIBE(TPoint3, TPoint, PLAIN(qint32, Z))

KIOSK_SERIALIZABLE_DESCRIBE(TKinds, TXMLSerializable,
    PLAIN(QString, Str)
    PLAIN(qint32, Int)
    PLAIN(qint64, Big)
    PLAIN(char16_t, Ch)
    PLAIN(double, Dbl)
    PLAIN(bool, Flag)
    PLAIN(TColor, Color)
    PLAIN(std::optional<TXSDateTime>, When)
    PLAIN(std::optional<TXSDecimal>, Amount)
    PLAIN(QByteArray, Blob)
    PLAIN(std::unique_ptr<TPoint>, Point)
    PLAIN(std::vector<std::unique_ptr<TPoint>>, Points)
    PLAIN(std::vector<qint32>, Ints)
    PLAIN(std::vector<TColor>, Colors)
    PLAIN(QStringList, Strs)
    PLAIN(QVariant, Var)
)

KIOSK_SERIALIZABLE_DESCRIBE(LangChoice, TXMLSerializable, PLAIN(QString, DisplayName) PLAIN(QString, IsoCode))
KIOSK_SERIALIZABLE_DESCRIBE(TLanguages, TXMLSerializable, PLAIN(std::vector<std::unique_ptr<LangChoice>>, Choices))

KIOSK_SERIALIZABLE_DESCRIBE(TPage, TXMLSerializable,
    PLAIN(QString, Title)
    PLAIN(std::unique_ptr<TFrame>, Front)
    PLAIN(std::unique_ptr<TFrame>, Back)
)
KIOSK_SERIALIZABLE_DESCRIBE(TFrame, TXMLSerializableNeedParent, PLAIN(qint32, Width))

KIOSK_SERIALIZABLE_DESCRIBE(TRenamed, TXMLSerializable, PLAIN(QString, Kept))

KIOSK_SERIALIZABLE_DESCRIBE(CommandSerial, TXMLSerializable,
    PLAIN(QString, Type_)
    PLAIN(std::unique_ptr<TPoint>, Where)
)

KIOSK_SERIALIZABLE_DESCRIBE(TBigItem, TXMLSerializable, PLAIN(qint32, Id) PLAIN(QString, Label) PLAIN(double, Price))
KIOSK_SERIALIZABLE_DESCRIBE(TBigDoc, TXMLSerializable, PLAIN(std::vector<std::unique_ptr<TBigItem>>, Items))

#undef PLAIN

void RegisterTestClasses(TXMLSerializer& ser)
{
    for (const TClassInfo* c :
         { &TPoint::StaticClassInfo(), &TPoint3::StaticClassInfo(), &TKinds::StaticClassInfo(),
           &LangChoice::StaticClassInfo(), &TLanguages::StaticClassInfo(), &TPage::StaticClassInfo(),
           &TFrame::StaticClassInfo(), &TRenamed::StaticClassInfo(), &CommandSerial::StaticClassInfo(),
           &TBigItem::StaticClassInfo(), &TBigDoc::StaticClassInfo() })
        ser.ClassRegister(*c);
}
