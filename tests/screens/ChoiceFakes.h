#pragma once
// Test doubles of the product-choice screens: a main frame whose prices are
// readable ("EUR 1.2345", "3 packs") over the order model's small catalogue.
#include "OrderFakes.h"

namespace choicefakes {

class PriceMainFrame : public orderfakes::OrderMainFrame {
public:
    QString priceToStr(Currency price, bool seeSymbol) override
    {
        return (seeSymbol ? QStringLiteral("EUR ") : QString()) + QString::number(double(price) / 10000.0, 'f', 4);
    }
    QString pricePackToStr(int price, bool seeSymbol) override
    {
        return seeSymbol ? QStringLiteral("%1 packs").arg(price) : QString::number(price);
    }
};

inline std::unique_ptr<Tarif2> money(double amount, Tarif_TypeTarif type = Tarif_TypeTarif::EurosMagasin)
{
    return orderfakes::makeTier(0, 1, 0, amount, 0, type);
}

inline std::unique_ptr<Tarif2> packs(qint32 count)
{
    return orderfakes::makeTier(0, 1, 0, 0, count, Tarif_TypeTarif::Packs);
}

} // namespace choicefakes
