#pragma once
// The price rules of the order: quantity tiers, packs, the free first tier,
// the surcharge on professional gallery pictures, and the express, shipping
// and handling fees.
//
// The rules work on plain values (a tier's bounds, costs and type; the
// photographer's settings) so that they do not depend on where those come
// from; the order reads them from the lab's records and the main frame and
// hands them in.
#include "UProductPrice.h"

#include <functional>
#include <span>
#include <vector>

// One quantity tier of a print format's price list, as the lab gives it.
struct TPriceTier {
    qint32 QuantiteMinimale = 0;
    qint32 QuantiteMaximale = 0;
    double CoutEnPrix = 0;
    qint32 CoutEnPacks = 0;
    Tarif_TypeTarif TypeDeTarif = Tarif_TypeTarif::Undef;
};

// The prints of one print format that the order holds: normal pictures and
// pictures of the professional gallery.
struct TPrintCount {
    qint64 normal = 0;
    qint64 gallery = 0;
};

// One priced line of prints: `qty` prints (or packs) at `unitPrice`, all
// normal or all gallery pictures, from the tier at `tierIndex` of the list.
struct TPrintPriceLine {
    int tierIndex = -1;
    bool gallery = false;
    TProductPrice unitPrice;
    qint32 qty = 0;
};

// The photographer's settings that the fees read.
struct TFeeSettings {
    double PrixExpress = 0;
    double FraisDePortEnPrix = 0;
    qint32 FraisDePortEnPacks = 0;
    double FraisDePriseEnCharge = 0;
    bool FraisPriseEnChargeEurosMagasin = false;
    double MontantPalierDeLaCommande = 0;
};

class TOrderPricing {
public:
    TOrderPricing() = delete;

    // Rounds a unit price as the shop shows it (money to the currency's
    // decimals, packs to whole packs).
    using TPriceRound = std::function<void(TProductPrice&)>;
    using TLineSink = std::function<void(const TPrintPriceLine&)>;

    // A free tier: from 1, costing nothing in money and in packs.
    static bool IsFreePrice(const TPriceTier& tier);

    // Indexes (into tiers) of the tiers that apply to qtyTotal: the free
    // first tier when there is one and freeAllowed, then the tier holding
    // the quantity or, when none does, the nearest one (smallest distance to
    // either bound; the earlier tier wins a tie). May be empty.
    static std::vector<int> AppliedTiers(std::span<const TPriceTier> tiers, qint32 qtyTotal, bool freeAllowed);

    // Prices the prints of one print format. priceType is the type of the
    // returned price (the customer's tariff type); packQty above 1 counts the
    // prints in packs. Every priced line goes to onLine (may be empty).
    // Raises "Calc problem" when the tiers cannot absorb the quantity.
    static TProductPrice PricePrints(std::span<const TPriceTier> tiers, qint32 packQty, TPrintCount count,
                                     double galleryCoeff, Tarif_TypeTarif priceType, const TPriceRound& priceRound,
                                     const TLineSink& onLine);

    // Unit price of a tier for normal pictures (before the shop's rounding).
    static Currency TierUnit(const TPriceTier& tier);
    // Unit price of a tier for gallery pictures: the normal unit raised by
    // the coefficient, never lowered by it.
    static Currency TierGalleryUnit(const TPriceTier& tier, double galleryCoeff);

    // Express fee: 0 unless express; charged when the order holds a
    // template or photo-book product, or a print made by the lab.
    static Currency ExpressFee(bool expressOrder, bool hasTemplateOrAlbum, bool hasLabPrint,
                               const TFeeSettings& settings);

    // Shipping fee: 0 unless shipped by post and some product can be
    // shipped; in packs for a pack tariff, else in money.
    static Currency ShippingFee(bool postalShipping, bool canHaveShippingFees, Tarif_TypeTarif tariffType,
                                const TFeeSettings& settings);

    // Handling fee. allProductsIgnore: every product of the order is exempt
    // (true for an order without products). orderAmount is asked only when
    // the earlier rules let the fee apply; it gives the order total plus the
    // shipping fee when shipped by post. Each decision is logged at DEBUG.
    static Currency HandlingFee(Tarif_TypeTarif tariffType, bool allProductsIgnore,
                                const std::function<Currency()>& orderAmount, const TFeeSettings& settings);
};
