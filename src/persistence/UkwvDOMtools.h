#pragma once
// XML text tools shared by the document model, the reader and the writer:
// escaping, unescaping, character references, name tests, and the exception
// classes of the XML layer.
#include "UAppExceptions.h"

#include <QString>
#include <QStringView>

// Failures of the document model, the tokenizer, the reader and the writer.
class DOMException : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(DOMException)
};

// A node asked for an operation of a kind it does not have (for example a
// comment asked to write itself, or a non-element made document element).
class EIntfCastError : public Exception {
public:
    EIntfCastError() : Exception(QStringLiteral("Interface not supported")) { }
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EIntfCastError)
};

// An encoding name that is not known, or bytes that are not valid in the
// encoding they are read with.
class EEncodingError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EEncodingError)
};

// The description under which the document model is registered.
inline constexpr const char* kKwvDOMVendorDescription = "XML KWV-ORVEL";

// Raises the "not supported" DOMException for the named property or method.
[[noreturn]] void DOMRaiseNotSupported(const QString& name);

class TkwvDOMtools {
public:
    TkwvDOMtools() = delete;

    // String accumulator of the writer and of the escaping operations.
    class TStrBuilder {
    public:
        void AddWideChar(QChar c) { fStr.append(c); }
        void AddWideString(QStringView s) { fStr.append(s); }
        // Appends the units in [start, end); nothing when end <= start.
        void AddWideString(const QChar* start, const QChar* end)
        {
            if (end > start)
                fStr.append(start, end - start);
        }
        const QString& Value() const { return fStr; }
        void set_Value(const QString& value) { fStr = value; }
        QString Take() { return std::move(fStr); }
        // The accumulated string, for writers that append to it directly.
        QString& Str() { return fStr; }
        void Reserve(qsizetype n) { fStr.reserve(n); }

    private:
        QString fStr;
    };

    static QString XmlEscape(QStringView s);
    // Appends the escaped form of s to the builder (no intermediate string).
    static void XmlEscapeTo(QStringView s, TStrBuilder& out);
    static QString XmlUnescape(QStringView s);

    // Writer helpers: the text with the units that are not allowed in an XML
    // document mended (control characters other than TAB, LF and CR dropped;
    // lone surrogates, U+FFFE and U+FFFF replaced by U+FFFD), escaped or not.
    static void XmlEscapeValidTo(QStringView s, QString& out);
    static void XmlValidTo(QStringView s, QString& out);

    static bool IsXmlChar(QChar c)
    {
        const char16_t u = c.unicode();
        return u >= 0x20 ? u <= 0xFFFD : (u == 0x09 || u == 0x0A || u == 0x0D);
    }
    static bool IsXmlEntityRef(QStringView s);
    static bool IsXmlPredefinedEntityName(QStringView name);
    static QString XmlPredefinedEntityToStr(QStringView name);
    static bool IsXmlCharRef(QStringView s);
    static qint32 XmlCharRefToInt(QStringView s);
    static QString XmlCharRefToStr(QStringView s);
    static bool IsXmlName(QStringView s);
    static bool IsXmlNameStartChar(QChar c);
    static bool IsXmlNameChar(QChar c);

    static char16_t ExtractUtf16HighSurrogate(quint32 cp) { return char16_t(0xD7C0 + (cp >> 10)); }
    static char16_t ExtractUtf16LowSurrogate(quint32 cp) { return char16_t(0xDC00 + (cp & 0x3FF)); }
    static bool IsUtf16HighSurrogate(QChar c) { return c.unicode() >= 0xD800 && c.unicode() <= 0xDBFF; }
    static bool IsUtf16LowSurrogate(QChar c) { return c.unicode() >= 0xDC00 && c.unicode() <= 0xDFFF; }
};
