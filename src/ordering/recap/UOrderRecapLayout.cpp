#include "UOrderRecapLayout.h"

#include <algorithm>

TCtrlOrderRecapSubStep TOrderRecapLayout::viewFor(bool compact, TCtrlOrderRecapSubStep current, bool kioskOnlyDirect)
{
    if (!compact)
        return corss_full;
    if (current != corss_full)
        return current;
    return kioskOnlyDirect ? corss_orderRecap : corss_orderInfo;
}

TCtrlOrderRecapSubStep TOrderRecapLayout::nextOf(TCtrlOrderRecapSubStep s)
{
    switch (s) {
    case corss_orderInfo:
        return corss_orderDelivery;
    case corss_orderDelivery:
        return corss_orderRecap;
    default:
        return s;
    }
}

TCtrlOrderRecapSubStep TOrderRecapLayout::previousOf(TCtrlOrderRecapSubStep s)
{
    switch (s) {
    case corss_orderRecap:
        return corss_orderDelivery;
    case corss_orderDelivery:
        return corss_orderInfo;
    default:
        return s;
    }
}

const char* TOrderRecapLayout::titleOf(TCtrlOrderRecapSubStep s)
{
    switch (s) {
    case corss_orderInfo:
        return "Checkout - Information";
    case corss_orderDelivery:
        return "Checkout - Delivery";
    case corss_orderRecap:
        return "Checkout - Summary";
    default:
        return "Checkout";
    }
}

float TOrderRecapLayout::topScale(TCtrlOrderRecapSubStep s, float W, float H)
{
    const float refW = s == corss_full ? 1150 : 400;
    const float refH = s == corss_full ? 700 : 400;
    if (W >= refW && H >= refH)
        return 1;
    return std::max(0.0f, std::min(W / refW, H / refH));
}

TOrderRecapLayout::TButtonsLayout TOrderRecapLayout::buttons(float W, bool termsVisible, bool saveVisible)
{
    TButtonsLayout b;
    b.scale = W < 430 && W > 0 ? W / 430 : 1;
    const int optional = int(termsVisible) + int(saveVisible);
    b.oneRow = (optional == 2 && W >= 900) || (optional == 1 && W >= 700) || optional == 0;
    if (b.oneRow) {
        b.barHeight = 55;
        const int n = optional + 2;
        b.buttonWidth = std::max(0.0f, std::min(200.0f, (W - 30) / n));
        b.termsLeftMargin = W >= 900 ? 50 : 5;
        b.rightBlockWidth = saveVisible ? 2 * b.buttonWidth + 10 : b.buttonWidth + 5;
    } else {
        b.barHeight = 100;
        b.columnWidth = std::max(0.0f, (W - 50) / 2 / b.scale);
        b.buttonWidth = b.columnWidth;
    }
    return b;
}

QDate TOrderRecapLayout::withdrawalDate(const QDate& asked, const QDate& today)
{
    return asked.isValid() && asked >= today ? asked : today;
}
