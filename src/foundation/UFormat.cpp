#include "UFormat.h"

#include "UAppExceptions.h"

#include <QMetaType>
#include <cmath>

namespace {

[[noreturn]] void invalidFormat(const QString& fmt)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
}

[[noreturn]] void noArgument(const QString& fmt)
{
    throw EConvertError(QStringLiteral("No argument for format '%1'").arg(fmt));
}

bool isInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloat(const QVariant& v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isText(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar:
    case QMetaType::Char:
        return true;
    default:
        return false;
    }
}

QString pad(const QString& s, int width, bool left, QChar fill)
{
    if (width <= 0 || s.size() >= width)
        return s;
    const QString padding(width - s.size(), fill);
    if (left)
        return s + padding;
    if (fill == QLatin1Char('0') && (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))))
        return s.left(1) + padding + s.mid(1);
    return padding + s;
}

QString withThousands(const QString& digits, const QLocale& locale)
{
    // digits: optional sign, integer part, optional decimal part already with
    // the locale's decimal separator.
    QString sign;
    QString body = digits;
    if (body.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        body.remove(0, 1);
    }
    const QString dec = locale.decimalPoint();
    int cut = body.indexOf(dec);
    QString intPart = cut < 0 ? body : body.left(cut);
    const QString rest = cut < 0 ? QString() : body.mid(cut);
    const QString group = locale.groupSeparator();
    QString out;
    for (int i = 0; i < intPart.size(); ++i) {
        if (i > 0 && (intPart.size() - i) % 3 == 0)
            out += group;
        out += intPart.at(i);
    }
    return sign + out + rest;
}

QString fixedText(double value, int prec, const QLocale& locale)
{
    QString s = QString::number(value, 'f', prec);
    if (locale.decimalPoint() != QStringLiteral("."))
        s.replace(QLatin1Char('.'), locale.decimalPoint());
    return s;
}

} // namespace

QString Format(const QString& fmt, const QVariantList& args)
{
    return Format(fmt, args, QLocale::c());
}

QString Format(const QString& fmt, const QVariantList& args, const QLocale& locale)
{
    QString out;
    out.reserve(fmt.size() + 16);
    int argIndex = 0;
    const int n = fmt.size();
    int i = 0;
    auto takeArg = [&](int index) -> const QVariant& {
        if (index < 0 || index >= args.size())
            noArgument(fmt);
        return args.at(index);
    };
    while (i < n) {
        const QChar c = fmt.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i >= n)
            invalidFormat(fmt);
        if (fmt.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // [index ":"] ["-"] [width] ["." prec] type
        auto readNumber = [&](int& value) -> bool {
            if (i < n && fmt.at(i) == QLatin1Char('*')) {
                const QVariant& a = takeArg(argIndex++);
                if (!isInteger(a))
                    invalidFormat(fmt);
                value = a.toInt();
                ++i;
                return true;
            }
            bool any = false;
            qint64 v = 0;
            while (i < n && fmt.at(i).isDigit()) {
                v = v * 10 + fmt.at(i).digitValue();
                if (v > 1000000)
                    invalidFormat(fmt);
                any = true;
                ++i;
            }
            value = int(v);
            return any;
        };
        // An argument index is a run of digits (or "*") followed by ":".
        {
            int j = i;
            while (j < n && fmt.at(j).isDigit())
                ++j;
            if (j < n && fmt.at(j) == QLatin1Char('*') && j == i)
                ++j;
            if (j > i && j < n && fmt.at(j) == QLatin1Char(':')) {
                int index = 0;
                readNumber(index);
                argIndex = index;
                ++i; // the ':'
            }
        }
        bool zeroPad = false;
        bool left = false;
        if (i < n && fmt.at(i) == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        if (i < n && fmt.at(i) == QLatin1Char('0'))
            zeroPad = true;
        int width = -1;
        if (!readNumber(width))
            width = -1;
        int prec = -1;
        if (i < n && fmt.at(i) == QLatin1Char('.')) {
            ++i;
            if (!readNumber(prec))
                prec = 0;
        }
        if (i >= n)
            invalidFormat(fmt);
        const QChar type = fmt.at(i).toLower();
        ++i;
        const QVariant& a = takeArg(argIndex++);
        QString piece;
        QChar fill = QLatin1Char(' ');
        switch (type.unicode()) {
        case 'd':
        case 'u': {
            if (!isInteger(a))
                invalidFormat(fmt);
            const bool negative = a.toLongLong() < 0 && a.typeId() != QMetaType::ULongLong;
            QString digits;
            if (type == QLatin1Char('u') && negative)
                digits = QString::number(quint32(a.toLongLong()));
            else if (a.typeId() == QMetaType::ULongLong)
                digits = QString::number(a.toULongLong());
            else
                digits = QString::number(qAbs(a.toLongLong()));
            if (prec > 0 && digits.size() < prec)
                digits = QString(prec - digits.size(), QLatin1Char('0')) + digits;
            piece = (negative && type == QLatin1Char('d')) ? QStringLiteral("-") + digits : digits;
            if (zeroPad && !left)
                fill = QLatin1Char('0');
            break;
        }
        case 'x': {
            if (!isInteger(a))
                invalidFormat(fmt);
            quint64 v = a.typeId() == QMetaType::ULongLong ? a.toULongLong() : quint64(a.toLongLong());
            if (a.toLongLong() < 0 && (a.typeId() == QMetaType::Int || a.typeId() == QMetaType::Long))
                v = quint32(a.toLongLong());
            piece = QString::number(v, 16).toUpper();
            if (prec > 0 && piece.size() < prec)
                piece = QString(prec - piece.size(), QLatin1Char('0')) + piece;
            if (zeroPad && !left)
                fill = QLatin1Char('0');
            break;
        }
        case 'f':
        case 'e':
        case 'g':
        case 'n':
        case 'm': {
            if (!isFloat(a) && !isInteger(a))
                invalidFormat(fmt);
            const double v = a.toDouble();
            if (type == QLatin1Char('e')) {
                piece = QString::number(v, 'E', prec < 0 ? 15 - 1 : qMax(prec, 1) - 1);
            } else if (type == QLatin1Char('g')) {
                piece = QString::number(v, 'g', prec < 0 ? 15 : qMax(prec, 1));
                if (locale.decimalPoint() != QStringLiteral("."))
                    piece.replace(QLatin1Char('.'), locale.decimalPoint());
            } else {
                piece = fixedText(v, prec < 0 ? 2 : prec, locale);
                if (type != QLatin1Char('f'))
                    piece = withThousands(piece, locale);
            }
            if (zeroPad && !left)
                fill = QLatin1Char('0');
            break;
        }
        case 's': {
            if (!isText(a))
                invalidFormat(fmt);
            piece = a.toString();
            if (prec >= 0 && piece.size() > prec)
                piece.truncate(prec);
            break;
        }
        case 'p': {
            if (!isInteger(a))
                invalidFormat(fmt);
            piece = QStringLiteral("%1").arg(quint64(a.toLongLong()), 16, 16, QLatin1Char('0')).toUpper();
            break;
        }
        default:
            invalidFormat(fmt);
        }
        out += pad(piece, width, left, fill);
    }
    return out;
}
