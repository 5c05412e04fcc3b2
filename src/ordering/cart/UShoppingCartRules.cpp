#include "UShoppingCartRules.h"

#include "UAppExceptions.h"
#include "UImageTirageData.h"
#include "UOrderingTexts.h"
#include "UProductPrice.h"

#include <algorithm>
#include <cmath>

void TShoppingCartRules::copyCountCheck(qint64 value)
{
    if (value < 0)
        throw EUser(OrderingText("Minimum value is %.0f").Text({ 0.0 }));
    if (value > MaxCopyCount)
        throw EUser(OrderingText("Maximum value is %.0f").Text({ double(MaxCopyCount) }));
}

bool TShoppingCartRules::optionAvailable(TShoppingCartOptions option, const TOptionFacts& f)
{
    switch (option) {
    case sco_index:
        return f.hasLabPrint && f.prixIndex > 0 && f.design == zebd_kiosk;
    case sco_cd:
        return f.hasLabPrint && f.design == zebd_kiosk && (f.cdBurnOnKiosk ? f.cdBurningAvailable : f.prixCd > 0);
    }
    throw EToDo(QStringLiteral("TCtrlShoppingCart.optionRefresh: option not supported"));
}

Currency TShoppingCartRules::optionPrice(TShoppingCartOptions option, double prixCd, double prixIndex)
{
    switch (option) {
    case sco_cd:
        return Money::FromDouble(prixCd);
    case sco_index:
        return Money::FromDouble(prixIndex);
    }
    throw EToDo(QStringLiteral("TCtrlShoppingCart.optionRefresh: option not supported"));
}

TShoppingCartRules::TCheckoutSteps TShoppingCartRules::checkoutSteps(const TCheckoutFacts& f)
{
    TCheckoutSteps s;
    s.nextReachable = f.readyToPrint;
    if (f.readyToPrint && f.kiosk && !f.onlyDirectPrint) {
        s.expressVisible = f.prixExpress > 0 && f.connectionMode != 20;
        s.customerDetailsVisible = f.showNameRef || f.showTel;
    }
    return s;
}

int TShoppingCartRules::contentHeight(int productLines, int optionLines, bool mobile)
{
    return productLines * (mobile ? 112 : 121) + optionLines * 56;
}

float TShoppingCartRules::bottomScale(float w, float h, bool mobile, bool hasCrossSelling)
{
    const float reference = mobile ? 410 : 1200;
    float scale = 1;
    if (w < reference && w > 0)
        scale = std::min(1.0f, w / reference);
    if (hasCrossSelling && h < 600 && h > 0)
        scale = std::min(scale, h / 600);
    return scale;
}

float TShoppingCartRules::crossSellingScale(float w, float h, int visibleTiles)
{
    // Without a visible tile there is nothing to fit: the width rule would
    // divide by zero (or by -10), so the layout keeps its natural size.
    if (visibleTiles <= 0)
        return 1;
    const float tilesWidth = 140.0f * visibleTiles + 10.0f * (visibleTiles - 1);
    return std::max(0.0f, std::min(w / tilesWidth, h / 150.0f));
}

std::vector<QRectF> TShoppingCartRules::stripLayout(TStripKind kind, int W, int H, double itemW, double itemH,
                                                    int entries)
{
    constexpr int G = 10;
    std::vector<QRectF> out;
    if (entries <= 0 || itemW <= 0 || itemH <= 0 || H <= 0 || W <= 0)
        return out;
    const double s = double(H) / itemH;
    const double w = itemW * s;
    int count = 0;
    if (kind == TStripKind::Book) {
        const long slot = std::lround(w + G / 2.0);
        count = slot > 0 ? int(std::min<long>(entries, (W + G) / slot)) : 0;
    } else {
        const long slotW = std::lround(w) + G;
        count = int(std::min<long>(entries, (W + G) / slotW));
    }
    for (int i = 0; i < count; ++i) {
        const double left = kind == TStripKind::Book ? w * i + std::ceil(i / 2.0) * G : i * (w + G);
        out.emplace_back(left, 0, w, H);
    }
    return out;
}

void TClickTracker::press(const QPointF& pt)
{
    fOffset = 0;
    fLast = pt;
}

void TClickTracker::move(const QPointF& pt)
{
    // The path length of the movement itself: a gesture across the origin
    // of the coordinates is as long as anywhere else.
    if (pt == fLast || fOffset > MaxClickOffset)
        return;
    fOffset += std::hypot(pt.x() - fLast.x(), pt.y() - fLast.y());
    fLast = pt;
}

int TExtraSetLedger::add(const QList<TImageTirageData*>& entries)
{
    std::vector<TImageTirageData*> increased;
    for (TImageTirageData* e : entries) {
        if (e->Quantity() < TShoppingCartRules::MaxCopyCount) {
            e->SetQuantity(e->Quantity() + 1);
            increased.push_back(e);
        }
    }
    const int n = int(increased.size());
    if (n > 0)
        fSets.push_back(std::move(increased));
    return n;
}

int TExtraSetLedger::remove(const QList<TImageTirageData*>& current)
{
    if (fSets.empty())
        return 0;
    const std::vector<TImageTirageData*> last = std::move(fSets.back());
    fSets.pop_back();
    int decreased = 0;
    for (TImageTirageData* e : last) {
        if (!current.contains(e) || e->Quantity() < 2)
            continue;
        e->SetQuantity(e->Quantity() - 1);
        ++decreased;
    }
    return decreased;
}

int TExtraSetLedger::count() const
{
    int n = 0;
    for (const auto& set : fSets)
        n += int(set.size());
    return n;
}
