#include "UCatalogueLists.h"

#include "UAppExceptions.h"

namespace CatalogueListDetail {

void RaiseNotFound(const char* what)
{
    throw Exception(QString::fromLatin1(what));
}

} // namespace CatalogueListDetail

Channel2* TChannelList::byId(qint32 id) const
{
    if (id == 0)
        return nullptr;
    return byIdOrRaise(id, "Channel not found");
}

Tirage2* TTirageList::findByChannelId(qint32 id) const
{
    for (Tirage2* t : *this)
        if (t && t->Channel() == id)
            return t;
    return nullptr;
}

Tirage2* TTirageList::findByVisualId(qint32 id) const
{
    for (Tirage2* t : *this)
        if (t && t->IdImageTirage() == id)
            return t;
    return nullptr;
}

int TTarifList::priceCompare(const Tarif2* price1, const Tarif2* price2)
{
    if (price1->TypeDeTarif() != price2->TypeDeTarif())
        throw Exception(QStringLiteral("TTarifList.priceCompare: prices not comparable"));
    switch (price1->TypeDeTarif()) {
    case Tarif_TypeTarif::Packs:
        return price1->CoutEnPacks() > price2->CoutEnPacks() ? 1 : (price1->CoutEnPacks() < price2->CoutEnPacks() ? -1 : 0);
    case Tarif_TypeTarif::EurosMagasin:
    case Tarif_TypeTarif::EurosCB:
        // A value that is not a number is neither larger nor smaller.
        if (price1->CoutEnPrix() > price2->CoutEnPrix())
            return 1;
        if (price1->CoutEnPrix() < price2->CoutEnPrix())
            return -1;
        return 0;
    default:
        throw Exception(QStringLiteral("TTarifList.priceCompare: unsupported currency mode"));
    }
}

Tarif2* TTarifList::getMinimumPrice() const
{
    Tarif2* best = nullptr;
    for (Tarif2* t : *this) {
        if (!best || priceCompare(t, best) < 0)
            best = t;
    }
    return best;
}

TPrintTarifList::TPrintTarifList() = default;

TPrintTarifList::~TPrintTarifList()
{
    Clear();
}

TTarifList* TPrintTarifList::Items(qint32 tirageId) const
{
    if (TTarifList* l = TryGetValue(tirageId))
        return l;
    throw Exception(QStringLiteral("TPrintTarifList: no price list for print format %1").arg(tirageId));
}

TTarifList* TPrintTarifList::TryGetValue(qint32 tirageId) const
{
    return fLists.value(tirageId, nullptr);
}

void TPrintTarifList::AddOrSetValue(qint32 tirageId, std::unique_ptr<TTarifList> list)
{
    TTarifList* old = fLists.value(tirageId, nullptr);
    if (old == list.get())
        return;
    fLists.insert(tirageId, list.release());
    delete old;
}

void TPrintTarifList::AddRow(Tarif2* row, bool ownsRows)
{
    TTarifList* l = fLists.value(row->TirageId(), nullptr);
    if (!l) {
        auto created = std::make_unique<TTarifList>(ownsRows);
        l = created.get();
        fLists.insert(row->TirageId(), created.release());
    }
    l->Add(row);
}

void TPrintTarifList::Clear()
{
    const QHash<qint32, TTarifList*> lists = std::exchange(fLists, {});
    for (TTarifList* l : lists)
        delete l;
}
