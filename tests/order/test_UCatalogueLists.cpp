// Catalogue lists: look-ups by key, their messages, the price comparison and
// the dictionary of price lists.
#include "UCatalogueLists.h"

#include <gtest/gtest.h>

namespace {

Tarif2* tier(qint32 id, double prix, qint32 packs, Tarif_TypeTarif t)
{
    auto* r = new Tarif2;
    r->setId(id);
    r->setCoutEnPrix(prix);
    r->setCoutEnPacks(packs);
    r->setTypeDeTarif(t);
    return r;
}

template <class L, class R>
void expectNotFound(const L& list, const char* message)
{
    try {
        list.byId(999);
        ADD_FAILURE() << "found";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString::fromLatin1(message));
    }
}

} // namespace

TEST(CatalogueLists, LookUpsAndMessages)
{
    TTirageList tirages(true);
    for (int i : { 5, 7, 5 }) {
        auto* t = new Tirage2;
        t->setId(i);
        t->setChannel(i * 10);
        t->setIdImageTirage(i + 100);
        tirages.Add(t);
    }
    EXPECT_EQ(tirages.findById(5), tirages[0]); // the first of equal keys
    EXPECT_EQ(tirages.byId(7), tirages[1]);
    EXPECT_EQ(tirages.findById(6), nullptr);
    EXPECT_EQ(tirages.findByChannelId(70), tirages[1]);
    EXPECT_EQ(tirages.findByVisualId(105), tirages[0]);
    EXPECT_EQ(tirages.findByVisualId(1), nullptr);

    expectNotFound<TTirageList, Tirage2>(tirages, "Tirage not found");
    expectNotFound<TTarifList, Tarif2>(TTarifList(true), "Tarif not found");
    expectNotFound<TChannelList, Channel2>(TChannelList(true), "Channel not found");
    expectNotFound<TTirageVisualList, ImageTirage2>(TTirageVisualList(true), "Tirage Visual not found");
    expectNotFound<TTemplateVelmoraList, ZebtemplateVelmora2>(TTemplateVelmoraList(), "Velmora template not found");
    expectNotFound<TPhotographerAlbumList, AlbumPhotographe2>(TPhotographerAlbumList(true), "Photographe album not found");
    expectNotFound<TAlbumPriceList, PrixAlbum2>(TAlbumPriceList(true), "Album price not found");
    expectNotFound<TAlbumCoverList, Couverture2>(TAlbumCoverList(true), "Album cover not found");
    expectNotFound<TMaterColorList, CouleurMatiere2>(TMaterColorList(true), "Material color cover not found");
    expectNotFound<TBackgroundRangeList, GammeFond2>(TBackgroundRangeList(true), "Album background range not found");
    expectNotFound<TAlbumBackgroundList, FondAlbum2>(TAlbumBackgroundList(true), "Album background color not found");
    expectNotFound<TProductGroupList, GroupeProduitPhotographe2>(TProductGroupList(true),
                                                                 "GroupeProduitPhotographe2 not found");
    expectNotFound<TAdresseList, Adresse2>(TAdresseList(true), "Adresse not found");
    expectNotFound<THistoConsoCommandeList, HistoConsoCommande2>(THistoConsoCommandeList(true),
                                                                 "History of consumer order not found");
    expectNotFound<TTemplateCalendarList, TemplateCalendrier2>(TTemplateCalendarList(), "TemplateCalendrier2 not found");
    EXPECT_TRUE(TTemplateVelmoraList().OwnsObjects());
    EXPECT_TRUE(TTemplateCalendarList().OwnsObjects());
}

TEST(CatalogueLists, KeysOfEachRecord)
{
    TPhotographerAlbumList albums(true);
    auto* a = new AlbumPhotographe2;
    a->setAlbumPhotographeId(12);
    albums.Add(a);
    EXPECT_EQ(albums.byId(12), a);
    TAlbumPriceList prices(true);
    auto* p = new PrixAlbum2;
    p->setPrixId(4);
    p->setAlbumId(12);
    prices.Add(p);
    EXPECT_EQ(prices.byId(4), p);
    EXPECT_EQ(prices.findById(12), nullptr);
    TProductGroupList groups(true);
    auto* g = new GroupeProduitPhotographe2;
    g->setNumeroRessource(3);
    groups.Add(g);
    EXPECT_EQ(groups.byId(3), g);
    TAdresseList addresses(true);
    auto* ad = new Adresse2;
    ad->setId(8);
    addresses.Add(ad);
    EXPECT_TRUE(addresses.AddressExist(8));
    EXPECT_FALSE(addresses.AddressExist(9));
}

TEST(CatalogueLists, ChannelZeroIsNoChannel)
{
    TChannelList channels(true);
    auto* zero = new Channel2;
    zero->setNumero(0);
    channels.Add(zero);
    EXPECT_EQ(channels.byId(0), nullptr);
    EXPECT_EQ(channels.findById(0), zero);
}

TEST(CatalogueLists, PriceComparison)
{
    TTarifList money(true);
    money.Add(tier(1, 0.30, 0, Tarif_TypeTarif::EurosCB));
    money.Add(tier(2, 0.20, 0, Tarif_TypeTarif::EurosCB));
    money.Add(tier(3, 0.20, 0, Tarif_TypeTarif::EurosCB));
    EXPECT_EQ(money.getMinimumPrice(), money[1]); // first of equal rows
    EXPECT_EQ(TTarifList::priceCompare(money[0], money[1]), 1);
    EXPECT_EQ(TTarifList::priceCompare(money[1], money[0]), -1);
    EXPECT_EQ(TTarifList::priceCompare(money[1], money[2]), 0);
    EXPECT_EQ(TTarifList(true).getMinimumPrice(), nullptr);

    std::unique_ptr<Tarif2> nan(tier(4, std::numeric_limits<double>::quiet_NaN(), 0, Tarif_TypeTarif::EurosCB));
    EXPECT_EQ(TTarifList::priceCompare(nan.get(), money[0]), 0);

    std::unique_ptr<Tarif2> packs(tier(5, 0, 3, Tarif_TypeTarif::Packs));
    std::unique_ptr<Tarif2> packs2(tier(6, 0, 2, Tarif_TypeTarif::Packs));
    EXPECT_EQ(TTarifList::priceCompare(packs.get(), packs2.get()), 1);
    try {
        TTarifList::priceCompare(packs.get(), money[0]);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TTarifList.priceCompare: prices not comparable"));
    }
    std::unique_ptr<Tarif2> u1(tier(7, 1, 0, Tarif_TypeTarif::Undef));
    std::unique_ptr<Tarif2> u2(tier(8, 1, 0, Tarif_TypeTarif::Undef));
    try {
        TTarifList::priceCompare(u1.get(), u2.get());
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TTarifList.priceCompare: unsupported currency mode"));
    }
}

TEST(CatalogueLists, PriceDictionaryOwnsItsLists)
{
    // Run under AddressSanitizer: the lists and their rows are freed with
    // the dictionary, and a replaced list at once.
    auto dict = std::make_unique<TPrintTarifList>();
    for (int i = 0; i < 6; ++i) {
        auto* row = tier(i, 0.1, 0, Tarif_TypeTarif::EurosCB);
        row->setTirageId(i % 3);
        dict->AddRow(row, true);
    }
    EXPECT_EQ(dict->Count(), 3);
    EXPECT_EQ(dict->Items(1)->Count(), 2);
    EXPECT_EQ(dict->TryGetValue(9), nullptr);
    EXPECT_THROW(dict->Items(9), Exception);
    dict->AddOrSetValue(1, std::make_unique<TTarifList>(true));
    EXPECT_EQ(dict->Items(1)->Count(), 0);
    dict.reset();
}
