#pragma once
// Document classes used by the serializer tests: one property of every
// kind, a small language list, a parent-aware child and an export record.
#include "UXmlSerializer.h"

#include <QVariant>
#include <optional>
#include <vector>

enum class TColor { Red, Green, Blue };
KIOSK_ENUM_DECLARE(TColor)

class TPoint : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TPoint)
public:
    TPoint() = default;
    TPoint(qint32 x, qint32 y) : X(x), Y(y) { }
    qint32 X = 0;
    qint32 Y = 0;
};

class TPoint3 : public TPoint {
    KIOSK_SERIALIZABLE_CLASS(TPoint3)
public:
    qint32 Z = 0;
};

// One property of each kind.
class TKinds : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TKinds)
public:
    QString Str = QStringLiteral("default");
    qint32 Int = 0;
    qint64 Big = 0;
    char16_t Ch = 0;
    double Dbl = 0;
    bool Flag = false;
    TColor Color = TColor::Red;
    std::optional<TXSDateTime> When;
    std::optional<TXSDecimal> Amount;
    QByteArray Blob;
    std::unique_ptr<TPoint> Point;
    std::vector<std::unique_ptr<TPoint>> Points;
    std::vector<qint32> Ints;
    std::vector<TColor> Colors;
    QStringList Strs;
    QVariant Var;
};

// The built-in language list.
class LangChoice : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(LangChoice)
public:
    QString DisplayName;
    QString IsoCode;
};

class TLanguages : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TLanguages)
public:
    std::vector<std::unique_ptr<LangChoice>> Choices;
};

// Two object properties and a child that must know its owner.
class TFrame;
class TPage : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TPage)
public:
    QString Title;
    std::unique_ptr<TFrame> Front;
    std::unique_ptr<TFrame> Back;
};

class TFrame : public TXMLSerializableNeedParent {
    KIOSK_SERIALIZABLE_CLASS(TFrame)
public:
    qint32 Width = 0;
    TRemotable* Owner = nullptr;
    const TClassInfo* GiveParent(TRemotable* parent) override
    {
        if (!parent || !parent->InheritsFrom(TPage::StaticClassInfo()))
            return &TPage::StaticClassInfo();
        Owner = parent;
        return nullptr;
    }
};

// A class whose property list has changed: loading an old file meets an
// element for a property it no longer has.
class TRenamed : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TRenamed)
public:
    QString Kept;
};

// The lab order file's shape: no types, no wrapper, "Type_" renamed.
class CommandSerial : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(CommandSerial)
public:
    QString Type_;
    std::unique_ptr<TPoint> Where;
};

// A large document for the streaming tests and the benchmark.
class TBigItem : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TBigItem)
public:
    qint32 Id = 0;
    QString Label;
    double Price = 0;
};

class TBigDoc : public TXMLSerializable {
    KIOSK_SERIALIZABLE_CLASS(TBigDoc)
public:
    std::vector<std::unique_ptr<TBigItem>> Items;
};

// Registers the test classes on the serializer under their own names.
void RegisterTestClasses(TXMLSerializer& ser);
