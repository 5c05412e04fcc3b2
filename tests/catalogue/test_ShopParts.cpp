// The catalogue parts: removal of what cannot be sold, the price tables as
// flat arrays in the files, the template and calendar consistency rules,
// the month range of calendar designs, and the photo-book size check.
#include "CatalogueFakes.h"

#include "LogCapture.h"
#include "UTplCalDates.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

Tirage2* format(qint32 id, qint32 channel, qint32 kioskPrinter = 0, qint32 visual = 0)
{
    auto t = new Tirage2;
    t->setId(id);
    t->setChannel(channel);
    t->setImprimanteBorneId(kioskPrinter);
    t->setIdImageTirage(visual);
    return t;
}

Tirage2* templateFormat(qint32 id, qint32 w, qint32 h, bool monthly = false, bool rectoVerso = false)
{
    Tirage2* t = format(id, 1, 0, id + 1000);
    t->setTemplate(true);
    t->setTemplateLargeur(w);
    t->setTemplateHauteur(h);
    t->setTemplateCalendrierMois(monthly);
    t->setTemplateRectoVerso(rectoVerso);
    return t;
}

Tarif2* tier(qint32 id, qint32 tirageId)
{
    auto t = new Tarif2;
    t->setId(id);
    t->setTirageId(tirageId);
    t->setQuantiteMinimale(1);
    t->setQuantiteMaximale(99);
    t->setCoutEnPrix(0.5);
    return t;
}

ImageTirage2* visual(qint32 id)
{
    auto v = new ImageTirage2;
    v->setId(id);
    return v;
}

ZebtemplateVelmora2* background(qint32 id, qint32 type, qint32 w, qint32 h, bool monthly = false,
                                ArrayOfint calendars = {})
{
    auto t = new ZebtemplateVelmora2;
    t->setId(id);
    t->setType_(type);
    t->setLargeurPapier(w);
    t->setHauteurPapier(h);
    t->setCalendrierMois(monthly);
    t->setTemplateCalendrierIds(std::move(calendars));
    return t;
}

TemplateCalendrierImage2List months(qint32 year, qint32 first, qint32 last)
{
    TemplateCalendrierImage2List out;
    for (qint32 m = first; m <= last; ++m) {
        auto img = std::make_unique<TemplateCalendrierImage2>();
        img->setAnnee(year);
        img->setMois(m);
        out.push_back(std::move(img));
    }
    return out;
}

TemplateCalendrierImage2List operator+(TemplateCalendrierImage2List a, TemplateCalendrierImage2List b)
{
    for (auto& i : b)
        a.push_back(std::move(i));
    return a;
}

TemplateCalendrier2* design(qint32 id, qint32 w, qint32 h, TemplateCalendrierImage2List images)
{
    auto c = new TemplateCalendrier2;
    c->setId(id);
    c->setLargeurPapier(w);
    c->setHauteurPapier(h);
    c->setImages(std::move(images));
    return c;
}

template <class List>
QList<qint32> ids(const List& lst)
{
    QList<qint32> out;
    for (auto* r : lst)
        out << r->Id();
    return out;
}

// A shop-wide part with the store's channels 1 and 2 and a consumer in the
// given kiosk communication mode (0: none).
std::unique_ptr<TShopCommonInfo> common(char16_t mode)
{
    auto c = std::make_unique<TShopCommonInfo>();
    auto consumer = std::make_unique<Consommateur2>();
    consumer->setBorneModeCommunication(mode);
    c->SetConsumer(std::move(consumer));
    auto channels = std::make_unique<TChannelList>(true);
    for (qint32 n : { 1, 2 }) {
        auto ch = new Channel2;
        ch->setNumero(n);
        channels->Add(ch);
    }
    c->SetChannelList(std::move(channels));
    return c;
}

const qint32 kThisYear = QDate::currentDate().year();

} // namespace

TEST(ShopParts, UnsellableFormatsAreRemovedByMode)
{
    struct Case {
        char16_t mode;
        QList<qint32> kept;
    } cases[] = {
        { u'I', { 1, 5, 6 } },
        { u'L', { 1, 5, 6 } },
        { u'O', { 1, 5, 6 } },
        { u'N', { 1 } },
        { 0, { 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        auto shop = common(c.mode);
        EXPECT_EQ(shop->isKioskCommMode(), c.kept.size() == 3);
        TTirageList formats(true);
        formats.Add(format(1, 1));    // priced, store channel
        formats.Add(format(2, 1));    // no price
        formats.Add(format(3, 9));    // channel the store does not have
        formats.Add(format(4, 0));    // channel 0 without a kiosk printer
        formats.Add(format(5, 0, 3)); // the kiosk printer
        formats.Add(format(6, 2, 3)); // a store channel with a kiosk printer
        TPrintTarifList prices;
        for (qint32 id : { 1, 3, 4, 5, 6 })
            prices.AddRow(tier(100 + id, id), true);
        LogCapture log;
        shop->tirageWithoutPriceOrChannelRemove(formats, prices);
        EXPECT_EQ(ids(formats), c.kept);
        const QString text = log.Text();
        EXPECT_TRUE(text.contains(QStringLiteral("shop info: print/tpl id 2 without prices -> removed")));
        EXPECT_TRUE(text.contains(QStringLiteral("shop info: print/tpl id 3 without channel -> removed")));
        EXPECT_TRUE(text.contains(QStringLiteral("shop info: print/tpl id 4 without channel -> removed")));
        EXPECT_FALSE(text.contains(QStringLiteral("id 5 ")));
    }
}

TEST(ShopParts, PrintCleanDropsThePicturesOfRemovedFormats)
{
    auto shop = common(0);
    TShopProdPrintInfo part;
    auto formats = std::make_unique<TTirageList>(true);
    formats->Add(format(1, 1, 0, 10));
    formats->Add(format(2, 1, 0, 11));
    part.SetPrintList(std::move(formats));
    auto prices = std::make_unique<TPrintTarifList>();
    prices->AddRow(tier(1, 1), true);
    part.SetPrintTarifList(std::move(prices));
    auto visuals = std::make_unique<TTirageVisualList>(true);
    for (qint32 id : { 10, 11, 12 })
        visuals->Add(visual(id));
    part.SetPrintVisualList(std::move(visuals));

    part.PrintClean(*shop);
    EXPECT_EQ(ids(*part.PrintList()), QList<qint32> { 1 });
    EXPECT_EQ(ids(*part.PrintVisualList()), QList<qint32> { 10 });
    EXPECT_TRUE(part.hasPrints());

    part.PrintList()->Add(format(3, 1));
    part.PrintList()->Add(format(4, 1));
    part.PrintsDisplayOrderMem();
    QList<qint32> positions;
    for (Tirage2* t : *part.PrintList())
        positions << t->PositionAffichage();
    EXPECT_EQ(positions, (QList<qint32> { 1000, 1001, 1002 }));
}

TEST(ShopParts, PriceTablesGroupAndFlattenByFormat)
{
    std::vector<std::unique_ptr<Tarif2>> arr;
    for (auto [id, tirage] : { std::pair { 1, 7 }, { 2, 3 }, { 3, 7 }, { 4, 3 }, { 5, 9 } })
        arr.emplace_back(tier(id, tirage));
    std::unique_ptr<TPrintTarifList> table = TShopCommonInfo::tarifFromFlatArray(std::move(arr));
    ASSERT_EQ(table->Count(), 3);
    EXPECT_EQ(ids(*table->Items(7)), (QList<qint32> { 1, 3 }));
    EXPECT_EQ(ids(*table->Items(3)), (QList<qint32> { 2, 4 }));
    EXPECT_EQ(ids(TShopCommonInfo::tarifToFlatArray(table.get())), (QList<qint32> { 2, 4, 1, 3, 5 }));
    EXPECT_TRUE(TShopCommonInfo::tarifToFlatArray(nullptr).empty());
}

class ShopPartFiles : public ConfigTestBase {
protected:
    void SetUp() override
    {
        ConfigTestBase::SetUp();
        fCfg = start();
    }
    std::unique_ptr<TTestConfig> fCfg;
};

TEST_F(ShopPartFiles, PartsComeBackFromTheirFiles)
{
    {
        TShopProdPrintInfo part;
        part.SetStamp(45000.5);
        auto formats = std::make_unique<TTirageList>(true);
        formats->Add(format(1, 1, 0, 10));
        formats->Add(format(2, 2));
        part.SetPrintList(std::move(formats));
        auto prices = std::make_unique<TPrintTarifList>();
        prices->AddRow(tier(21, 2), true);
        prices->AddRow(tier(11, 1), true);
        prices->AddRow(tier(22, 2), true);
        part.SetPrintTarifList(std::move(prices));
        auto visuals = std::make_unique<TTirageVisualList>(true);
        visuals->Add(visual(10));
        part.SetPrintVisualList(std::move(visuals));
        part.Save(fCfg.get());
    }
    std::unique_ptr<TShopProdPrintInfo> back = TShopProdPrintInfo::TryLoadCreate(fCfg.get(), 45000.5);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(ids(*back->PrintList()), (QList<qint32> { 1, 2 }));
    EXPECT_EQ(ids(*back->PrintTarifList()->Items(2)), (QList<qint32> { 21, 22 }));
    EXPECT_EQ(ids(*back->PrintTarifList()->Items(1)), QList<qint32> { 11 });
    EXPECT_EQ(ids(*back->PrintVisualList()), QList<qint32> { 10 });
    EXPECT_EQ(back->ProductGroupList()->Count(), 0);

    {
        TShopProdTplInfo part;
        part.SetStamp(45001.5);
        auto products = std::make_unique<TTirageList>(true);
        products->Add(templateFormat(120, 210, 297, true));
        part.SetTemplateList(std::move(products));
        auto calendars = std::make_unique<TTemplateCalendarList>(true);
        calendars->Add(design(61, 210, 297, months(kThisYear, 1, 12)));
        part.SetCalendarList(std::move(calendars));
        auto tpls = std::make_unique<TTemplateVelmoraList>(true);
        tpls->Add(background(900, 1, 210, 297, true, { 61 }));
        part.SetTemplatesVelmoraList(std::move(tpls));
        part.Save(fCfg.get());
    }
    std::unique_ptr<TShopProdTplInfo> tpl = TShopProdTplInfo::TryLoadCreate(fCfg.get(), 45001.5);
    ASSERT_NE(tpl, nullptr);
    EXPECT_EQ(ids(*tpl->TemplateList()), QList<qint32> { 120 });
    ASSERT_EQ(tpl->CalendarList()->Count(), 1);
    EXPECT_EQ((*tpl->CalendarList())[0]->Images().size(), 12u);
    EXPECT_EQ((*tpl->TemplatesVelmoraList())[0]->TemplateCalendrierIds(), ArrayOfint { 61 });
    EXPECT_TRUE(tpl->hasCalendars());
    EXPECT_FALSE(tpl->hasCards());

    {
        TShopProdBookInfo part;
        part.SetStamp(45002.5);
        auto sizes = std::make_unique<TAlbumSizeList>(true);
        auto size = new TAlbumSize(297, 210);
        size->PageModelListStr({ QStringLiteral("0;1|20;20;257;170") });
        sizes->Add(size);
        part.SetAlbumSizeList(std::move(sizes));
        part.Save(fCfg.get());
    }
    std::unique_ptr<TShopProdBookInfo> book = TShopProdBookInfo::TryLoadCreate(fCfg.get(), 45002.5);
    ASSERT_NE(book, nullptr);
    ASSERT_EQ(book->AlbumSizeList()->Count(), 1);
    EXPECT_EQ((*book->AlbumSizeList())[0]->cx(), 297);
    EXPECT_EQ((*book->AlbumSizeList())[0]->PageModelList().Count(), 1);
    EXPECT_FALSE(book->hasBooks());
}

TEST(ShopParts, TemplateKindsNeedProductsAndABackgroundOfTheKind)
{
    struct Case {
        qint32 type;
        bool card, photo, calendar;
    } cases[] = {
        { 1, false, false, true },
        { 2, true, false, false },
        { 100, true, false, false },
        { 101, false, true, false },
        { 0, false, false, false },
        { -1, false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TShopProdTplInfo part;
        auto tpls = std::make_unique<TTemplateVelmoraList>(true);
        tpls->Add(background(900, c.type, 100, 150));
        part.SetTemplatesVelmoraList(std::move(tpls));
        EXPECT_FALSE(part.hasCards() || part.hasPhotoprod() || part.hasCalendars()) << "no product, no kind";
        auto products = std::make_unique<TTirageList>(true);
        products->Add(templateFormat(120, 100, 150));
        part.SetTemplateList(std::move(products));
        EXPECT_EQ(part.hasCards(), c.card);
        EXPECT_EQ(part.hasPhotoprod(), c.photo);
        EXPECT_EQ(part.hasCalendars(), c.calendar);
    }
}

TEST(ShopParts, BackgroundTemplatesWithoutProductOrGridAreDropped)
{
    auto shop = common(0);
    TShopProdTplInfo part;
    auto products = std::make_unique<TTirageList>(true);
    products->Add(templateFormat(120, 105, 148));               // a card
    products->Add(templateFormat(121, 210, 297, true));         // a monthly calendar
    products->Add(templateFormat(122, 300, 200, false, true));  // recto-verso, no price
    part.SetTemplateList(std::move(products));
    auto prices = std::make_unique<TPrintTarifList>();
    prices->AddRow(tier(1, 120), true);
    prices->AddRow(tier(2, 121), true);
    part.SetTemplateTarifList(std::move(prices));
    auto calendars = std::make_unique<TTemplateCalendarList>(true);
    calendars->Add(design(61, 210, 297, months(kThisYear, 1, 12)));
    part.SetCalendarList(std::move(calendars));
    auto tpls = std::make_unique<TTemplateVelmoraList>(true);
    tpls->Add(background(901, 2, 148, 105));                    // card, other orientation: kept
    tpls->Add(background(902, 2, 100, 100));                    // no product of that size
    tpls->Add(background(903, 1, 297, 210, true, { 5, 61 }));   // grid 61 is there: kept
    tpls->Add(background(904, 1, 210, 297, true, { 99 }));      // its grid is missing
    tpls->Add(background(905, 1, 210, 297, true));              // no grid at all
    tpls->Add(background(906, 101, 300, 200));                  // its product went (no price)
    part.SetTemplatesVelmoraList(std::move(tpls));
    auto visuals = std::make_unique<TTirageVisualList>(true);
    for (qint32 id : { 1120, 1121, 1122 })
        visuals->Add(visual(id));
    part.SetTemplateVisualList(std::move(visuals));

    part.TemplateClean(*shop);
    EXPECT_EQ(ids(*part.TemplateList()), (QList<qint32> { 120, 121 }));
    EXPECT_EQ(ids(*part.TemplatesVelmoraList()), (QList<qint32> { 901, 903 }));
    EXPECT_EQ(ids(*part.TemplateVisualList()), (QList<qint32> { 1120, 1121 }));
}

TEST(ShopParts, CalendarCleanTrimsDesignsAndTheProductsTheyServed)
{
    TShopProdTplInfo part;
    auto products = std::make_unique<TTirageList>(true);
    products->Add(templateFormat(120, 210, 297, true));
    products->Add(templateFormat(121, 300, 300, true)); // only design 62 has its size
    products->Add(templateFormat(122, 400, 400, true)); // design 64 trims to its size
    products->Add(templateFormat(123, 105, 148));       // a card stays
    products->Add(templateFormat(124, 450, 450, true)); // design 66 has it, no background does
    part.SetTemplateList(std::move(products));
    auto calendars = std::make_unique<TTemplateCalendarList>(true);
    calendars->Add(design(61, 297, 210, months(kThisYear, 1, 12)));
    calendars->Add(design(62, 300, 300, months(kThisYear, 1, 11)));            // 11 months only
    calendars->Add(design(63, 210, 297, months(kThisYear - 2, 1, 12)));        // too old
    calendars->Add(design(64, 400, 400, months(kThisYear - 2, 12, 12) + months(kThisYear - 1, 1, 12)));
    calendars->Add(design(65, 500, 500, months(kThisYear, 1, 12)));            // no product of its size
    calendars->Add(design(66, 450, 450, months(kThisYear, 1, 12)));            // its product goes
    part.SetCalendarList(std::move(calendars));
    auto tpls = std::make_unique<TTemplateVelmoraList>(true);
    tpls->Add(background(900, 1, 210, 297, true, { 61 }));
    tpls->Add(background(901, 1, 300, 300, true, { 62 }));
    tpls->Add(background(902, 2, 105, 148));
    tpls->Add(background(903, 1, 400, 400, true, { 64 }));
    part.SetTemplatesVelmoraList(std::move(tpls));

    part.CalendarClean();
    EXPECT_EQ(ids(*part.CalendarList()), (QList<qint32> { 61, 64 }));
    EXPECT_EQ(ids(*part.TemplateList()), (QList<qint32> { 120, 122, 123 }));
    EXPECT_EQ(ids(*part.TemplatesVelmoraList()), (QList<qint32> { 900, 902, 903 }));
    // Design 64 kept last year's twelve months; the older picture went.
    const TemplateCalendrier2* kept = part.CalendarList()->byId(64);
    ASSERT_EQ(kept->Images().size(), 12u);
    for (const auto& img : kept->Images())
        EXPECT_EQ(img->Annee(), kThisYear - 1);
}

TEST(TplCalDates, MonthIndexAndItsLimits)
{
    EXPECT_EQ(TTplCalDates::TplCalDateCalc(2000, 1), 24000);
    EXPECT_EQ(TTplCalDates::TplCalDateCalc(2100, 12), 25211);
    EXPECT_EQ(TTplCalDates::TplCalDateCalc(2025, 3), 2025 * 12 + 2);
    try {
        TTplCalDates::TplCalDateCalc(1999, 13);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(ExceptionMessage(e), QStringLiteral("TTemplatesInfo.TplCalDateCalc: month invalid"));
    }
    try {
        TTplCalDates::TplCalDateCalc(1999, 12);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(ExceptionMessage(e), QStringLiteral("TTemplatesInfo.TplCalDateCalc: year invalid"));
    }
}

TEST(TplCalDates, RangeOfConsecutiveMonths)
{
    auto idx = [](qint32 y, qint32 m) { return y * 12 + m - 1; };
    struct Case {
        const char* name;
        TemplateCalendrierImage2List images;
        qint32 yearMin;
        qint32 min, max;
    };
    Case cases[] = {
        { "one full year", months(2025, 1, 12), 0, idx(2025, 1), idx(2025, 12) },
        { "recent short run loses to a longer earlier one", months(2024, 1, 12) + months(2025, 3, 5), 0,
          idx(2024, 1), idx(2024, 12) },
        { "recent run of 13 months wins", months(2023, 1, 6) + months(2024, 1, 12) + months(2025, 1, 1), 0,
          idx(2024, 1), idx(2025, 1) },
        { "equal runs: the recent one", months(2024, 1, 3) + months(2024, 6, 8), 0, idx(2024, 6), idx(2024, 8) },
        { "pictures before yearMin do not count", months(2023, 1, 12) + months(2025, 2, 3), 2024, idx(2025, 2),
          idx(2025, 3) },
        { "nothing counts", months(2023, 1, 12), 2024, 0, 0 },
        { "no picture", {}, 0, 0, 0 },
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        qint32 dmin = -1, dmax = -1;
        TTplCalDates::TplCalDateRangeCalc(c.images, dmin, dmax, c.yearMin);
        EXPECT_EQ(dmin, c.min);
        EXPECT_EQ(dmax, c.max);
    }
    qint32 dmin = 0, dmax = 0;
    EXPECT_THROW(TTplCalDates::TplCalDateRangeCalc(months(2025, 12, 13), dmin, dmax, 0), Exception);
}

TEST(ShopParts, PhotoBooksNeedTheirExactPageSize)
{
    TShopProdBookInfo part;
    auto albums = std::make_unique<TPhotographerAlbumList>(true);
    for (auto [id, w, h] : { std::tuple { 55, 297, 210 }, { 56, 200, 200 }, { 57, 210, 297 } }) {
        auto a = new AlbumPhotographe2;
        a->setAlbumPhotographeId(id);
        a->setLargeurPage(w);
        a->setHauteurPage(h);
        albums->Add(a);
    }
    part.SetPhotographerAlbumList(std::move(albums));
    auto sizes = std::make_unique<TAlbumSizeList>(true);
    sizes->Add(new TAlbumSize(297, 210));
    part.SetAlbumSizeList(std::move(sizes));

    part.AlbumClean();
    ASSERT_EQ(part.PhotographerAlbumList()->Count(), 1);
    EXPECT_EQ((*part.PhotographerAlbumList())[0]->AlbumPhotographeId(), 55);
    part.PhotographerAlbumsDisplayOrderMem();
    EXPECT_EQ((*part.PhotographerAlbumList())[0]->PositionAffichage(), 1000);
}
