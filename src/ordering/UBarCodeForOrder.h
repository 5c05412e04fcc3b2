#pragma once
// The bar code of an order number: the number mapped onto the characters
// the order bar code allows, and the way back from a scanned text.
#include "UBarCode.h"

class TBarCodeForOrder : public TBarCode {
public:
    explicit TBarCodeForOrder(const QString& order) : TBarCode(orderToIntBarCode(order)) { }

    // The order number as the bar code carries it: upper-cased, every
    // character outside the alphabet replaced by a full stop.
    static QString orderToIntBarCode(const QString& order);
    // True when the character (a-z taken as A-Z) is in the alphabet: codes 32 to 93.
    static bool orderCharValid(QChar c);
    // A scanned text cut down to the stretch between its first and last
    // alphabet characters.
    static QString orderFromScanClean(const QString& order);
    // Whether a scanned text designates tableOrder; a scanner may put one or
    // two characters ahead of the data.
    static bool orderToIntBarCodeCompare(const QString& tableOrder, const QString& scanOrder);
};
