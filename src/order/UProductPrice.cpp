#include "UProductPrice.h"

#include "UAppExceptions.h"
#include "UDebug.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

qint32 QuantityFromFile(qint32 value, const char* what)
{
    const qint32 kept = std::clamp(value, kQuantityMin, kQuantityMax);
    if (kept != value)
        LogWarnFmt(QStringLiteral("%s: quantity %d out of range in the order file, %d kept"),
                   { QString::fromLatin1(what), value, kept });
    return kept;
}

qint32 QuantitySum(qint64 sum)
{
    if (sum < std::numeric_limits<qint32>::min() || sum > std::numeric_limits<qint32>::max())
        throw EConvertError(QStringLiteral("Order: quantity %1 out of range").arg(sum));
    return qint32(sum);
}

namespace Money {

namespace {

[[noreturn]] void overflow(const char* operation)
{
    throw EConvertError(QStringLiteral("Money.%1: amount out of range").arg(QLatin1String(operation)));
}

} // namespace

Currency FromDouble(double value)
{
    if (!std::isfinite(value))
        throw EConvertError(QStringLiteral("Money.FromDouble: price is not a number"));
    const double scaled = value * double(Scale);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!(scaled > -limit && scaled < limit))
        overflow("FromDouble");
    // nearbyint follows the current rounding mode; the grid is defined with
    // halves to even whatever a library may have set.
    const int previous = std::fegetround();
    if (previous != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(scaled);
    if (previous != FE_TONEAREST)
        std::fesetround(previous);
    if (!(rounded > -limit && rounded < limit))
        overflow("FromDouble");
    return Currency(rounded);
}

Currency FromUnits(qint64 n)
{
    return Mul(Scale, n);
}

Currency Mul(Currency unit, qint64 qty)
{
    Currency r;
    if (__builtin_mul_overflow(unit, qty, &r))
        overflow("Mul");
    return r;
}

Currency Add(Currency a, Currency b)
{
    Currency r;
    if (__builtin_add_overflow(a, b, &r))
        overflow("Add");
    return r;
}

Currency RoundTo(Currency value, int decimals)
{
    if (decimals >= 4)
        return value;
    Currency step = 1;
    for (int i = std::max(decimals, 0); i < 4; ++i)
        step *= 10;
    // Truncating division: the remainder has the sign of the value, so the
    // quotient moves away from zero when the magnitude passes the half.
    Currency q = value / step;
    const Currency r = value % step;
    const Currency twice = 2 * (r < 0 ? -r : r);
    if (twice > step || (twice == step && q % 2 != 0))
        q += r < 0 ? -1 : 1;
    return Mul(q, step);
}

double ToDouble(Currency value)
{
    return double(value) / double(Scale);
}

QString ToText(Currency value)
{
    const bool negative = value < 0;
    // The magnitude as unsigned, so that the smallest value has one too.
    const quint64 mag = negative ? quint64(0) - quint64(value) : quint64(value);
    const quint64 whole = mag / quint64(Scale);
    const quint64 frac = mag % quint64(Scale);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(whole)
        .arg(frac, 4, 10, QLatin1Char('0'));
}

} // namespace Money
