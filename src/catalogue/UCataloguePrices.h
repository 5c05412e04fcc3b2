#pragma once
// TCataloguePrices: what the main window answers about prices from the
// catalogue: money rounded to the store's currency and written with its
// symbol, pack prices, the unit price of a print format, the code that
// guards direct printing and disc burning, and the front-print settings.
// Money is the order model's fixed point (Currency) and every rounding goes
// through its one helper (Money::RoundTo), so a price shown is the price
// charged.
#include "UCatalogueLists.h"
#include "UProductPrice.h"

#include <QChar>
#include <QString>

class TCataloguePrices {
public:
    // Decimals of the currency for every money operation: its Decimals
    // when above 0, 0 when below, 2 when 0.
    static int CurrencyDecimals(const Monnaie2& currency);

    // price rounded to the currency's decimals, exact halves to even.
    static Currency priceRound(Currency price, const Monnaie2& currency);
    // A money price to the currency's decimals, a pack price to whole packs.
    static void priceRound(TProductPrice& price, const Monnaie2& currency);

    // The amount in fixed notation with exactly the currency's decimals
    // and decimalPoint, no thousands separator; with seeSymbol, the
    // currency's symbol (its code when the symbol is "?") before or after
    // it with one blank between.
    static QString priceToStr(Currency price, bool seeSymbol, const Monnaie2& currency, QChar decimalPoint);
    // With seeSymbol the translated "%d packs", else the number alone.
    static QString pricePackToStr(int price, bool seeSymbol);
    // A money price as above; a pack price rounded to whole packs (halves
    // to even) as pricePackToStr.
    static QString priceToStr(const TProductPrice& price, bool seeSymbol, const Monnaie2& currency,
                              QChar decimalPoint);

    // The price of one print of a format: the first tier (in list order)
    // that starts at 1 or below and ends above 0; 0 when none. A format
    // without a price list raises the table's lookup error.
    static double UnitPrice(const TPrintTarifList& prices, const Tirage2& tir);

    // The code asked before printing directly on the kiosk printer or
    // burning a disc: the store's code, "*" meaning none (empty answer).
    // A store that sent no code (element absent or empty) gets the
    // features refused with EUser rather than opened with a code of ours.
    // Without a store record: "TMainNavi.PasswordForDirectPrintOrBurn:
    // unexpected context".
    static QString PasswordForDirectPrintOrBurn(const Photographe2* phot);

    // The front-print pictures are on: a store record with the date format
    // and the three picture checksums all set.
    static bool FrontPrintActivated(const Photographe2* phot);
};
