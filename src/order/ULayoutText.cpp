#include "ULayoutText_p.h"

#include "UAppExceptions.h"

#include <QLocale>
#include <cmath>

namespace LayoutText {

QStringList Split(const QString& text, QChar sep)
{
    if (text.isEmpty())
        return {};
    QStringList pieces = text.split(sep, Qt::KeepEmptyParts);
    if (!pieces.isEmpty() && pieces.back().isEmpty())
        pieces.removeLast();
    return pieces;
}

void Malformed(const QString& context, const QString& problem)
{
    throw EConvertError(QStringLiteral("%1: %2").arg(context, problem));
}

qint32 ReadInt(const QString& piece, const QString& what, const QString& context)
{
    bool ok = false;
    // Only an optional sign and digits: no blanks, no "+0x" forms.
    static const auto isPlain = [](const QString& s) {
        if (s.isEmpty())
            return false;
        int i = (s[0] == QLatin1Char('-') || s[0] == QLatin1Char('+')) ? 1 : 0;
        if (i == s.size())
            return false;
        for (; i < s.size(); ++i)
            if (s[i] < QLatin1Char('0') || s[i] > QLatin1Char('9'))
                return false;
        return true;
    };
    const qint32 v = isPlain(piece) ? piece.toInt(&ok, 10) : 0;
    if (!ok)
        Malformed(context, QStringLiteral("'%1' is not a valid integer for %2").arg(piece, what));
    return v;
}

double ReadFloat(const QString& piece, const QString& what, const QString& context)
{
    bool ok = false;
    const QString t = piece;
    double v = 0;
    if (!t.isEmpty() && !t.front().isSpace() && !t.back().isSpace())
    {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        v = c.toDouble(t, &ok);
    }
    if (!ok || !std::isfinite(v))
        Malformed(context, QStringLiteral("'%1' is not a valid number for %2").arg(piece, what));
    return v;
}

QString WriteFloat(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    QString s = QString::number(value, 'g', 15);
    return s;
}

} // namespace LayoutText
