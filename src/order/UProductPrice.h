#pragma once
// Money and the price record of the order model.
//
// Money is a fixed-point value: a signed 64-bit count of 1/10,000 of the
// currency unit, so that sums of prices never pick up the errors of binary
// floating point. A count of packs is held the same way (n packs are
// n × 10,000). The lab sends its prices as floating values; they enter the
// fixed-point grid once, through Money::FromDouble, and every later
// computation is exact integer arithmetic.
#include "ULabContracts.h"

#include <QString>
#include <QtGlobal>

// Money: fixed point counting 1/10,000 of the currency unit.
using Currency = qint64;

// The quantities of the order model: of one print, and of one product.
inline constexpr qint32 kQuantityMin = 0;
inline constexpr qint32 kQuantityMax = 9999;

// A quantity read from an order file, brought into the model's range; a
// value outside it (a hand-edited or damaged file) is logged with `what`.
qint32 QuantityFromFile(qint32 value, const char* what);

// A sum of quantities, computed in 64 bits, as the price record holds it;
// raises EConvertError when it does not fit.
qint32 QuantitySum(qint64 sum);

namespace Money {

// Units of Currency per currency unit (and per pack).
inline constexpr Currency Scale = 10000;

// round(value × 10,000), to the nearest integer with halves to even. A value
// that is not a number, infinite, or too large for the grid raises
// EConvertError: a price the lab sent that way cannot be charged.
Currency FromDouble(double value);

// n whole units (packs or currency units) on the grid; raises EConvertError
// on overflow.
Currency FromUnits(qint64 n);

// unit × qty, checked: raises EConvertError on overflow.
Currency Mul(Currency unit, qint64 qty);

// a + b, checked: raises EConvertError on overflow.
Currency Add(Currency a, Currency b);

// value rounded to `decimals` decimals of the currency unit, to nearest with
// exact halves to the even neighbour, in exact integer arithmetic; a
// negative count of decimals is taken as 0, four or more leave the value as
// it is (the grid has four). Raises EConvertError when the rounded value does
// not fit. Every price and total of the program is rounded here.
Currency RoundTo(Currency value, int decimals);

// The value in currency units, for log lines only (never computed with).
double ToDouble(Currency value);

// "12.3400": the exact decimal text of a value, for messages and tests.
QString ToText(Currency value);

} // namespace Money

// A price: a quantity, an amount (money, or packs × 10,000) and what the
// amount counts (`Packs`, or one of the money types).
struct TProductPrice {
    qint32 qty = 0;
    Currency price = 0;
    Tarif_TypeTarif priceType = Tarif_TypeTarif::Undef;

    bool operator==(const TProductPrice&) const = default;
};

// True when a price of this type counts packs rather than money.
inline bool PriceTypeIsPacks(Tarif_TypeTarif t)
{
    return t == Tarif_TypeTarif::Packs;
}
