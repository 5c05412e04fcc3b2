#include "UPrintSizeChoices.h"

#include "UCatalogueLists.h"
#include "UTirageProduct.h"
#include "UTools.h"

#include <QHash>

#include <algorithm>
#include <tuple>

bool TSizeChoice::lessThan(const TSizeChoice& a, const TSizeChoice& b)
{
    return std::tie(a.displayOrder, a.y, a.x, a.id) < std::tie(b.displayOrder, b.y, b.x, b.id);
}

QString TPrintSizeChoices::sizeKey(const Tirage2& format)
{
    // Built from both sides rather than their sum: formats whose sides only
    // add up to the same figure are different sizes.
    const qint32 smaller = std::min(format.Largeur(), format.Longueur());
    const qint32 larger = std::max(format.Largeur(), format.Longueur());
    const QString text = QStringLiteral("%1x%2|%3|%4")
                             .arg(smaller)
                             .arg(larger)
                             .arg(format.Prefixe(), format.MasquerFormatTirage() ? QStringLiteral("1")
                                                                                 : QStringLiteral("0"));
    return TAppTools::GetMd5FromStr(text);
}

void TPrintSizeChoices::pictureSize(const Tirage2& format, bool mobile, int& x, int& y)
{
    const int s = std::min(format.Largeur(), format.Longueur()) * 10;
    const int l = std::max(format.Largeur(), format.Longueur()) * 10;
    x = mobile ? l : s;
    y = mobile ? s : l;
}

std::vector<TSizeChoice> TPrintSizeChoices::build(const std::vector<Tirage2*>& formats, const TMinPriceOf& minPriceOf,
                                                  bool mobile)
{
    std::vector<TSizeChoice> choices;
    QHash<QString, int> byKey;
    for (Tirage2* f : formats) {
        if (!f)
            continue;
        const QString key = sizeKey(*f);
        const Tarif2* price = minPriceOf ? minPriceOf(f) : nullptr;
        auto found = byKey.constFind(key);
        if (found != byKey.constEnd()) {
            TSizeChoice& c = choices[size_t(*found)];
            // A strictly lower price replaces the stored one; a tie keeps it.
            if (!c.minPrice || (price && TTarifList::priceCompare(price, c.minPrice) < 0))
                c.minPrice = price;
            continue;
        }
        TSizeChoice c;
        c.id = TTirageProductBase::tirageFormatMakeID(f);
        c.key = key;
        pictureSize(*f, mobile, c.x, c.y);
        c.filterWidth = f->Largeur();
        c.filterHeight = f->Longueur();
        c.displayOrder = f->PositionAffichage();
        c.prefix = f->Prefixe();
        c.hideSizeTxt = f->MasquerFormatTirage();
        c.format = f;
        c.minPrice = price;
        byKey.insert(key, int(choices.size()));
        choices.push_back(std::move(c));
    }
    std::stable_sort(choices.begin(), choices.end(), TSizeChoice::lessThan);
    return choices;
}

QString TPrintSizeChoices::prefixSecondLine(const QString& prefix)
{
    int at = prefix.indexOf(QLatin1Char('\r'));
    if (at < 0)
        at = prefix.indexOf(QLatin1Char('\n'));
    if (at < 0)
        return {};
    QString rest = prefix.mid(at + 1);
    rest.remove(QLatin1Char('\n'));
    int b = 0;
    int e = int(rest.size());
    while (b < e && rest.at(b).unicode() < 33)
        ++b;
    while (e > b && rest.at(e - 1).unicode() < 33)
        --e;
    return rest.mid(b, e - b);
}
