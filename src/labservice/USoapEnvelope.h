#pragma once
// SOAP 1.1 envelopes of the lab service, in the wrapped document/literal form,
// written and read on the system's own XML document model.
//
// A request's body holds one element named after the operation, in the
// service namespace, whose children are the parameters in order. Record
// parameters hold their members in the record's namespace, in the order of
// the class description (inherited members first), and only the members that
// were set; array parameters hold their items under the item element name.
// A reply's body holds "<Op>Response" with the result element "<Op>Result".
//
// Every failure to read a reply (not well-formed, not an envelope, no result
// element, a value of the wrong type) raises ESoapReplyError naming the
// operation; the reader never hands out a half-filled result.
#include "UAppExceptions.h"
#include "URttiCache.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class TkwvDOMDocument;
class TkwvDOMElement;

// A reply that cannot be read as the operation's reply. The message is
// "ILumLabService.<operation>: <problem>".
class ESoapReplyError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(ESoapReplyError)
};

namespace SoapNs {
inline const QString Envelope = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
inline const QString SchemaInstance = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
} // namespace SoapNs

// Text forms of the XML Schema primitive types as the envelopes carry them.
namespace SoapText {
QString FromDouble(double value);
QString FromBool(bool value);
// Each raises EXSValueError with the text and the type's name.
qint32 ToInt(const QString& text);
qint64 ToLong(const QString& text);
double ToDouble(const QString& text);
bool ToBool(const QString& text);
char16_t ToChar(const QString& text);
QByteArray ToBytes(const QString& text);
} // namespace SoapText

// Builds the request envelope of one operation.
class TSoapRequestWriter {
public:
    // serviceNs: namespace of the wrapper and parameter elements.
    TSoapRequestWriter(const QString& operation, const QString& serviceNs);
    ~TSoapRequestWriter();
    TSoapRequestWriter(TSoapRequestWriter&&) noexcept;
    TSoapRequestWriter(const TSoapRequestWriter&) = delete;
    TSoapRequestWriter& operator=(const TSoapRequestWriter&) = delete;

    // A record parameter: its set members, or a nil element for nullptr.
    void AddRecord(const QString& name, const TRemotable* record);
    // An array of records under the item element name; an empty array is an
    // empty element. A null item is written nil.
    void AddRecords(const QString& name, const QString& itemName, const std::vector<const TRemotable*>& records);
    void AddInteger(const QString& name, qint32 value);
    void AddBoolean(const QString& name, bool value);
    // Strings are nillable parameters, but the program has no null string:
    // an empty string is written as an empty element.
    void AddString(const QString& name, const QString& value);
    // A date-time; without a value the element is left out, or written nil
    // when the parameter is nillable.
    void AddDateTime(const QString& name, const std::optional<TXSDateTime>& value, bool nillable);
    void AddNilBoolean(const QString& name, std::optional<bool> value);
    // Arrays of the arrays namespace ("int", "string" items).
    void AddIntArray(const QString& name, const std::vector<qint32>& values);
    void AddStringArray(const QString& name, const QStringList& values);
    void AddEnum(const QString& name, const TEnumInfo& info, int ordinal);
    void AddChar(const QString& name, char16_t value);

    // The whole envelope as UTF-8 text, without byte order mark.
    QByteArray ToBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Reads the reply envelope of one operation. The constructor parses and
// checks the envelope and finds "<Op>Response"; the Read operations take the
// result element "<Op>Result" and raise when it is missing or malformed.
class TSoapReplyReader {
public:
    TSoapReplyReader(const QString& operation, const QString& serviceNs, const QByteArray& reply);
    ~TSoapReplyReader();
    TSoapReplyReader(const TSoapReplyReader&) = delete;
    TSoapReplyReader& operator=(const TSoapReplyReader&) = delete;

    bool ReadBoolean();
    qint32 ReadInteger();
    QString ReadString();
    std::optional<TXSDateTime> ReadDateTime();
    // A record of the given class (null for a nil result).
    std::unique_ptr<TRemotable> ReadRecord(const TClassInfo& cls);
    std::vector<std::unique_ptr<TRemotable>> ReadRecords(const TClassInfo& itemClass, const QString& itemName);
    std::vector<qint32> ReadIntArray();
    QStringList ReadStringArray();

    template <class T>
    std::unique_ptr<T> Read()
    {
        return std::unique_ptr<T>(static_cast<T*>(ReadRecord(T::StaticClassInfo()).release()));
    }
    template <class T>
    std::vector<std::unique_ptr<T>> ReadArray(const QString& itemName)
    {
        std::vector<std::unique_ptr<T>> out;
        for (auto& item : ReadRecords(T::StaticClassInfo(), itemName))
            out.push_back(std::unique_ptr<T>(static_cast<T*>(item.release())));
        return out;
    }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Writes the members of a record under an element, and reads them back:
// the same rules as for parameters and results, usable for a record alone
// (tests, the fuzz target).
QByteArray SoapRecordToXml(const TRemotable& record, const QString& elementName);
std::unique_ptr<TRemotable> SoapRecordFromXml(const TClassInfo& cls, const QByteArray& xml);
