#include "UXsdValues.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <limits>

namespace {

QString xsError(const char* type, const QString& text)
{
    return QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(type));
}

} // namespace

// ---------------------------------------------------------------- TXSDateTime

TXSDateTime TXSDateTime::FromXS(const QString& text)
{
    TXSDateTime value;
    value.XSToNative(text);
    return value;
}

QString TXSDateTime::NativeToXS() const
{
    if (!fValue.isValid())
        return QString();
    QString text = fValue.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"));
    switch (fValue.timeSpec()) {
    case Qt::UTC:
        text += QLatin1Char('Z');
        break;
    case Qt::OffsetFromUTC:
    case Qt::TimeZone: {
        const int offset = fValue.offsetFromUtc();
        const int minutes = qAbs(offset) / 60;
        text += QStringLiteral("%1%2:%3")
                    .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                    .arg(minutes % 60, 2, 10, QLatin1Char('0'));
        break;
    }
    case Qt::LocalTime:
        break;
    }
    return text;
}

void TXSDateTime::XSToNative(const QString& text)
{
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{4,})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d+))?(Z|[+-]\\d{2}:\\d{2})?$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch m = re.match(trimmed);
    if (!m.hasMatch())
        throw EXSValueError(xsError("dateTime", text));
    bool ok = false;
    const int year = m.captured(1).toInt(&ok);
    if (!ok)
        throw EXSValueError(xsError("dateTime", text));
    const QDate date(year, m.captured(2).toInt(), m.captured(3).toInt());
    int ms = 0;
    const QString fraction = m.captured(7);
    if (!fraction.isEmpty())
        ms = (fraction + QStringLiteral("00")).left(3).toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    if (!date.isValid() || !time.isValid())
        throw EXSValueError(xsError("dateTime", text));
    const QString zone = m.captured(8);
    QDateTime value;
    if (zone.isEmpty()) {
        value = QDateTime(date, time, Qt::LocalTime);
    } else if (zone == QLatin1String("Z")) {
        value = QDateTime(date, time, Qt::UTC);
    } else {
        const int hours = zone.mid(1, 2).toInt();
        const int minutes = zone.mid(4, 2).toInt();
        if (hours > 14 || minutes > 59)
            throw EXSValueError(xsError("dateTime", text));
        const int offset = (hours * 3600 + minutes * 60) * (zone.at(0) == QLatin1Char('-') ? -1 : 1);
        value = QDateTime(date, time, Qt::OffsetFromUTC, offset);
    }
    fValue = value;
}

bool TXSDateTime::operator==(const TXSDateTime& other) const
{
    return fValue == other.fValue && fValue.timeSpec() == other.fValue.timeSpec()
        && fValue.offsetFromUtc() == other.fValue.offsetFromUtc();
}

// ----------------------------------------------------------------- TXSDecimal

TXSDecimal TXSDecimal::FromXS(const QString& text)
{
    TXSDecimal value;
    value.XSToNative(text);
    return value;
}

TXSDecimal TXSDecimal::FromFixed4(qint64 value)
{
    // Work on the magnitude as unsigned so that the smallest 64-bit value
    // does not overflow.
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString text = QString::number(magnitude / 10000);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    if (negative && text != QLatin1String("0"))
        text.prepend(QLatin1Char('-'));
    TXSDecimal result;
    result.fText = text;
    return result;
}

void TXSDecimal::XSToNative(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch m = re.match(trimmed);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        throw EXSValueError(xsError("decimal", text));
    QString integer = m.captured(2);
    QString fraction = m.captured(3);
    while (integer.size() > 1 && integer.startsWith(QLatin1Char('0')))
        integer.remove(0, 1);
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString canonical = integer;
    if (!fraction.isEmpty())
        canonical += QLatin1Char('.') + fraction;
    if (m.captured(1) == QLatin1String("-") && canonical != QLatin1String("0"))
        canonical.prepend(QLatin1Char('-'));
    fText = canonical;
}

qint64 TXSDecimal::ToFixed4() const
{
    const bool negative = fText.startsWith(QLatin1Char('-'));
    const QString body = negative ? fText.mid(1) : fText;
    const int dot = body.indexOf(QLatin1Char('.'));
    const QString integer = dot < 0 ? body : body.left(dot);
    const QString fraction = dot < 0 ? QString() : body.mid(dot + 1);
    // 19 integer digits cannot fit once multiplied by 10,000.
    if (integer.size() > 15)
        throw EXSValueError(QStringLiteral("TXSDecimal.ToFixed4: %1 is out of range").arg(fText));
    const QString padded = (fraction + QStringLiteral("0000")).left(4);
    const QString rest = fraction.mid(4);
    quint64 magnitude = integer.toULongLong() * 10000 + padded.toULongLong();
    if (!rest.isEmpty()) {
        const QChar first = rest.at(0);
        const bool exactlyHalf = first == QLatin1Char('5') && rest.mid(1).count(QLatin1Char('0')) == rest.size() - 1;
        if (first > QLatin1Char('5') || (first == QLatin1Char('5') && !exactlyHalf)
            || (exactlyHalf && (magnitude % 2) == 1))
            ++magnitude;
    }
    if (magnitude > quint64(std::numeric_limits<qint64>::max()))
        throw EXSValueError(QStringLiteral("TXSDecimal.ToFixed4: %1 is out of range").arg(fText));
    const qint64 value = qint64(magnitude);
    return negative ? -value : value;
}

double TXSDecimal::ToDouble() const
{
    return fText.toDouble();
}
