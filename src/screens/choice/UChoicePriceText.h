#pragma once
// The price a choice tile shows: a pack tariff as packs, a money tariff in
// the store's currency (the lab's amount to the nearest ten-thousandth), any
// other tariff as nothing; "From %s" around the lowest price of a family.
#include <QString>

class IMainFrame;
class Tarif2;
class PrixAlbum2;

class TChoicePriceText {
public:
    TChoicePriceText() = delete;

    // Empty for no tariff and for a tariff type that carries no price.
    static QString tariff(IMainFrame* main, const Tarif2* price);
    // "From %s" around a price text; empty stays empty.
    static QString from(const QString& price);
    // A photo-book price: the pack count rounded (halves to even) for a
    // pack tariff; inside "From %s" when the page count can vary.
    static QString album(IMainFrame* main, const PrixAlbum2* price, bool pageCountVaries);
};
