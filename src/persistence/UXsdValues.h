#pragma once
// The two XML Schema value types that records carry besides plain numbers and
// strings: a date-time and a decimal. Both convert to and from their XML
// Schema text (`NativeToXS`, `XSToNative`) the same way for the lab's SOAP
// messages and for the object serializer's documents.
#include "UAppExceptions.h"
#include <QDateTime>
#include <QString>

// Base of the scalar value classes written as one text.
class TRemotableXS {
public:
    virtual ~TRemotableXS() = default;
    virtual QString NativeToXS() const = 0;
    // Raises EXSValueError when the text is not a value of this type.
    virtual void XSToNative(const QString& text) = 0;
};

// A text that is not a value of the expected XML Schema type.
class EXSValueError : public Exception {
public:
    using Exception::Exception;
    KIOSK_EXCEPTION_CLASSNAME(EXSValueError)
};

// XML Schema dateTime: a date, a time with milliseconds and, when the text
// carried one, a zone ("Z" or an offset). A value without a zone is a local
// time that is written back without a zone.
class TXSDateTime : public TRemotableXS {
public:
    TXSDateTime() = default;
    // Takes the date-time's time zone kind (Qt::TimeSpec): local time writes no zone, UTC writes "Z",
    // an offset from UTC writes "+hh:mm".
    explicit TXSDateTime(const QDateTime& value) : fValue(value) { }

    static TXSDateTime FromXS(const QString& text);

    const QDateTime& AsDateTime() const { return fValue; }
    void SetAsDateTime(const QDateTime& value) { fValue = value; }

    // "yyyy-MM-ddThh:mm:ss.zzz" and the zone when there is one.
    QString NativeToXS() const override;
    // Accepts an optional sign-free year of four or more digits, a fraction of
    // any length (kept to the millisecond) and an optional zone.
    void XSToNative(const QString& text) override;

    bool operator==(const TXSDateTime& other) const;
    bool operator!=(const TXSDateTime& other) const { return !(*this == other); }

private:
    QDateTime fValue;
};

// XML Schema decimal, held as its canonical text so that no digit is lost
// between reading and writing it again. Money in the order model is a
// fixed-point integer with four decimals; `FromFixed4` and `ToFixed4`
// convert.
class TXSDecimal : public TRemotableXS {
public:
    TXSDecimal() = default;

    static TXSDecimal FromXS(const QString& text);
    static TXSDecimal FromFixed4(qint64 value);

    // Rounded half to even to four decimals; raises EXSValueError when the
    // value does not fit in 64 bits.
    qint64 ToFixed4() const;
    double ToDouble() const;

    // Canonical text: optional "-", integer digits without leading zeros,
    // "." and the fraction without trailing zeros only when it is not zero.
    QString NativeToXS() const override { return fText; }
    void XSToNative(const QString& text) override;

    bool operator==(const TXSDecimal& other) const { return fText == other.fText; }
    bool operator!=(const TXSDecimal& other) const { return !(*this == other); }

private:
    QString fText = QStringLiteral("0");
};
