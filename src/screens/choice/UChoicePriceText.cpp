#include "UChoicePriceText.h"

#include "IMainFrame.h"
#include "ULabAlbumContracts.h"
#include "ULabPrintContracts.h"
#include "ULangTexts.h"

#include <cmath>

namespace {

Currency moneyOf(double amount)
{
    return Currency(std::llround(amount * 10000.0));
}

} // namespace

QString TChoicePriceText::tariff(IMainFrame* main, const Tarif2* price)
{
    if (!price || !main)
        return {};
    switch (price->TypeDeTarif()) {
    case Tarif_TypeTarif::Packs:
        return main->pricePackToStr(price->CoutEnPacks(), true);
    case Tarif_TypeTarif::EurosMagasin:
    case Tarif_TypeTarif::EurosCB:
        return main->priceToStr(moneyOf(price->CoutEnPrix()), true);
    default:
        return {};
    }
}

QString TChoicePriceText::from(const QString& price)
{
    if (price.isEmpty())
        return {};
    return LangTexts::Catalogue::From.Text({ price });
}

QString TChoicePriceText::album(IMainFrame* main, const PrixAlbum2* price, bool pageCountVaries)
{
    if (!price || !main)
        return {};
    QString text;
    switch (price->TypeDeTarif()) {
    case Tarif_TypeTarif::Packs:
        text = main->pricePackToStr(int(std::nearbyint(price->Cout())), true);
        break;
    case Tarif_TypeTarif::EurosMagasin:
    case Tarif_TypeTarif::EurosCB:
        text = main->priceToStr(moneyOf(price->Cout()), true);
        break;
    default:
        return {};
    }
    return pageCountVaries ? from(text) : text;
}
