#include "UOrderPricing.h"

#include "UAppExceptions.h"
#include "UDebug.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace {

qint64 ceilDiv(qint64 a, qint64 b)
{
    return a <= 0 ? 0 : (a + b - 1) / b;
}

// Whole packs of a value, halves to even.
qint64 roundPacks(double packs)
{
    if (!std::isfinite(packs) || std::fabs(packs) >= 9.0e15)
        throw EConvertError(QStringLiteral("TOrderPricing: pack count out of range"));
    const int previous = std::fegetround();
    if (previous != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(packs);
    if (previous != FE_TONEAREST)
        std::fesetround(previous);
    return qint64(r);
}

} // namespace

bool TOrderPricing::IsFreePrice(const TPriceTier& tier)
{
    return tier.QuantiteMinimale == 1 && tier.CoutEnPacks == 0 && tier.CoutEnPrix == 0;
}

std::vector<int> TOrderPricing::AppliedTiers(std::span<const TPriceTier> tiers, qint32 qtyTotal, bool freeAllowed)
{
    int freeTier = -1;
    int found = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < int(tiers.size()); ++i) {
        const TPriceTier& t = tiers[size_t(i)];
        if (i == 0 && IsFreePrice(t)) {
            if (!freeAllowed)
                continue;
            freeTier = i;
            if (t.QuantiteMaximale >= qtyTotal)
                break;
            continue;
        }
        if (t.QuantiteMinimale <= qtyTotal && qtyTotal <= t.QuantiteMaximale) {
            found = i;
            break;
        }
        const qint64 distance = std::min(std::llabs(qint64(qtyTotal) - t.QuantiteMinimale),
                                         std::llabs(qint64(qtyTotal) - t.QuantiteMaximale));
        if (distance < bestDistance) {
            bestDistance = distance;
            found = i;
        }
    }
    std::vector<int> result;
    if (freeTier >= 0)
        result.push_back(freeTier);
    if (found >= 0)
        result.push_back(found);
    return result;
}

Currency TOrderPricing::TierUnit(const TPriceTier& tier)
{
    if (PriceTypeIsPacks(tier.TypeDeTarif))
        return Money::FromUnits(tier.CoutEnPacks);
    return Money::FromDouble(tier.CoutEnPrix);
}

Currency TOrderPricing::TierGalleryUnit(const TPriceTier& tier, double galleryCoeff)
{
    if (PriceTypeIsPacks(tier.TypeDeTarif)) {
        const double packs = std::max(double(tier.CoutEnPacks), double(tier.CoutEnPacks) * galleryCoeff);
        return Money::FromUnits(roundPacks(packs));
    }
    const double p = tier.CoutEnPrix;
    return Money::FromDouble(std::max(p, p * galleryCoeff));
}

TProductPrice TOrderPricing::PricePrints(std::span<const TPriceTier> tiers, qint32 packQty, TPrintCount count,
                                         double galleryCoeff, Tarif_TypeTarif priceType,
                                         const TPriceRound& priceRound, const TLineSink& onLine)
{
    TProductPrice result;
    result.priceType = priceType;

    qint64 normal = std::max<qint64>(count.normal, 0);
    qint64 total = normal + std::max<qint64>(count.gallery, 0);
    if (packQty > 1) {
        // Prints are sold by whole packs; the gallery share is what the
        // normal pictures leave of the packs.
        total = ceilDiv(total, packQty);
        normal = ceilDiv(normal, packQty);
    }
    qint64 gallery = total - normal;
    if (total > std::numeric_limits<qint32>::max())
        throw EConvertError(QStringLiteral("TOrderPricing.PricePrints: quantity out of range"));

    const std::vector<int> applied = AppliedTiers(tiers, qint32(total), true);
    qint64 distributed = 0;
    for (size_t k = 0; k < applied.size(); ++k) {
        const int tierIndex = applied[k];
        const TPriceTier& tier = tiers[size_t(tierIndex)];
        qint64 n = normal;
        qint64 g = gallery;
        if (k + 1 < applied.size()) {
            n = std::max<qint64>(std::min<qint64>(n, qint64(tier.QuantiteMaximale) - distributed), 0);
            g = std::max<qint64>(std::min<qint64>(g, qint64(tier.QuantiteMaximale) - distributed - n), 0);
        }
        if (n > 0) {
            TProductPrice unit { 1, TierUnit(tier), tier.TypeDeTarif };
            if (priceRound)
                priceRound(unit);
            if (onLine)
                onLine(TPrintPriceLine { tierIndex, false, unit, qint32(n) });
            result.price = Money::Add(result.price, Money::Mul(unit.price, n));
            result.qty += qint32(n);
            normal -= n;
            distributed += n;
        }
        if (g >= 1) {
            TProductPrice unit { 1, TierGalleryUnit(tier, galleryCoeff), tier.TypeDeTarif };
            if (priceRound)
                priceRound(unit);
            if (onLine)
                onLine(TPrintPriceLine { tierIndex, true, unit, qint32(g) });
            result.price = Money::Add(result.price, Money::Mul(unit.price, g));
            result.qty += qint32(g);
            gallery -= g;
            distributed += g;
        }
    }
    if (distributed != total)
        throw Exception(QStringLiteral("Calc problem"));
    return result;
}

Currency TOrderPricing::ExpressFee(bool expressOrder, bool hasTemplateOrAlbum, bool hasLabPrint,
                                  const TFeeSettings& settings)
{
    if (!expressOrder)
        return 0;
    if (hasTemplateOrAlbum || hasLabPrint)
        return Money::FromDouble(settings.PrixExpress);
    return 0;
}

Currency TOrderPricing::ShippingFee(bool postalShipping, bool canHaveShippingFees, Tarif_TypeTarif tariffType,
                                   const TFeeSettings& settings)
{
    if (!postalShipping || !canHaveShippingFees)
        return 0;
    if (PriceTypeIsPacks(tariffType))
        return Money::FromUnits(settings.FraisDePortEnPacks);
    return Money::FromDouble(settings.FraisDePortEnPrix);
}

Currency TOrderPricing::HandlingFee(Tarif_TypeTarif tariffType, bool allProductsIgnore,
                                   const std::function<Currency()>& orderAmount, const TFeeSettings& settings)
{
    if (tariffType != Tarif_TypeTarif::EurosMagasin && tariffType != Tarif_TypeTarif::EurosCB) {
        LogDebug(QStringLiteral("TPrintOrder: FDPC: ignored, payment in pack"));
        return 0;
    }
    if (settings.FraisDePriseEnCharge == 0) {
        LogDebug(QStringLiteral("TPrintOrder: FDPC: ignored, FDPC no set"));
        return 0;
    }
    if (tariffType == Tarif_TypeTarif::EurosMagasin && !settings.FraisPriseEnChargeEurosMagasin) {
        LogDebug(QStringLiteral("TPrintOrder: FDPC: ignored, payment in euros at shop"));
        return 0;
    }
    if (allProductsIgnore) {
        LogDebug(QStringLiteral("TPrintOrder: FDPC: ignored, no product concerned"));
        return 0;
    }
    const Currency amount = orderAmount ? orderAmount() : 0;
    const Currency threshold = Money::FromDouble(settings.MontantPalierDeLaCommande);
    if (amount >= threshold) {
        LogDebugFmt(QStringLiteral("TPrintOrder: FDPC: ignored, threshold reached (threshold: %.3f, total order: %.3f)"),
                    { settings.MontantPalierDeLaCommande, Money::ToDouble(amount) });
        return 0;
    }
    const Currency fee = Money::FromDouble(settings.FraisDePriseEnCharge);
    LogDebugFmt(QStringLiteral("TPrintOrder: FDPC: applied(%.3f), threshold not reached (threshold: %.3f, total order: %.3f)"),
                { Money::ToDouble(fee), settings.MontantPalierDeLaCommande, Money::ToDouble(amount) });
    return fee;
}
