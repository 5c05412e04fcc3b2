// Template products (cards, designer prints, calendars): month index, labels,
// template sizes, the checks before sending, prices and the binding
// to the catalogue after a reload.
#include "DesignedFakes.h"
#include "ULangTexts.h"
#include "UWaitingProduct.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace designedfakes;

namespace {

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no exception>");
}

} // namespace

// ------------------------------------------------------------------ month index

TEST(TemplateMonthIndex, DateAsIntTable)
{
    struct Case {
        const char* name;
        int year, month;
        qint32 expected;     // when no error
        const char* error;   // expected message, or null
    } cases[] = {
        { "March 2017", 2017, 3, 24206, nullptr },
        { "first month", 2000, 1, 24000, nullptr },
        { "last month", 2100, 12, 25211, nullptr },
        { "month 0", 2017, 0, 0, "TTemplateProduct.getDateAsInt: month invalid" },
        { "month 13", 2017, 13, 0, "TTemplateProduct.getDateAsInt: month invalid" },
        { "year 1999", 1999, 5, 0, "TTemplateProduct.getDateAsInt: year invalid" },
        { "year 2101", 2101, 5, 0, "TTemplateProduct.getDateAsInt: year invalid" },
        { "bad month wins over bad year", 1999, 13, 0, "TTemplateProduct.getDateAsInt: month invalid" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.error)
            EXPECT_EQ(messageOf([&] { TTemplateProductImpl::getDateAsInt(c.year, c.month); }), QLatin1String(c.error));
        else
            EXPECT_EQ(TTemplateProductImpl::getDateAsInt(c.year, c.month), c.expected);
    }
}

TEST(TemplateMonthIndex, YearAndMonthFromDateTable)
{
    struct Case {
        const char* name;
        qint32 date;
        int year, month; // 0: invalid
    } cases[] = {
        { "March 2017", 24206, 2017, 3 },
        { "January 2000", 24000, 2000, 1 },
        { "December 2100", 25211, 2100, 12 },
        { "December 2017", 24215, 2017, 12 },
        { "just before 2000", 23999, 0, 0 },
        { "just after 2100", 25212, 0, 0 },
        { "zero", 0, 0, 0 },
        { "negative", -5, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.year == 0) {
            EXPECT_EQ(messageOf([&] { TTemplateProductImpl::getYearFromDate(c.date); }),
                      QStringLiteral("TTemplateProduct.getYearFromDate: date invalid"));
            EXPECT_EQ(messageOf([&] { TTemplateProductImpl::getMonthFromDate(c.date); }),
                      QStringLiteral("TTemplateProduct.getMonthFromDate: date invalid"));
        } else {
            EXPECT_EQ(TTemplateProductImpl::getYearFromDate(c.date), c.year);
            EXPECT_EQ(TTemplateProductImpl::getMonthFromDate(c.date), c.month);
        }
    }
}

TEST(TemplateMonthIndex, EveryMonthRoundTripsAndTodayIsCurrentMonth)
{
    for (int y = 2000; y <= 2100; ++y)
        for (int m = 1; m <= 12; ++m) {
            const qint32 d = TTemplateProductImpl::getDateAsInt(y, m);
            ASSERT_EQ(TTemplateProductImpl::getYearFromDate(d), y);
            ASSERT_EQ(TTemplateProductImpl::getMonthFromDate(d), m);
        }
    const QDate before = QDate::currentDate();
    const qint32 today = TTemplateProductImpl::getTodayAsInt();
    const QDate after = QDate::currentDate();
    EXPECT_TRUE(today == before.year() * 12 + before.month() - 1 || today == after.year() * 12 + after.month() - 1);
}

// ----------------------------------------------------------------------- labels

TEST(TemplateLabels, PageLabelTable)
{
    const qint32 nov2017 = TTemplateProductImpl::getDateAsInt(2017, 11);
    ASSERT_EQ(nov2017, 24214);
    struct Case {
        const char* name;
        bool monthly;
        qint32 dateStart;
        int page;
        TProductLabelMode mode;
        const char* expected;
    } cases[] = {
        { "calendar cover", true, nov2017, 1, plm_short, "Cover" },
        { "calendar cover, page 0", true, nov2017, 0, plm_std, "Cover" },
        { "calendar page 2 is the first month", true, nov2017, 2, plm_short, "November 2017" },
        { "calendar page 3", true, nov2017, 3, plm_short, "December 2017" },
        { "calendar page 4 crosses the year", true, nov2017, 4, plm_short, "January 2018" },
        { "calendar page 2, standard", true, nov2017, 2, plm_std, "the November 2017 page" },
        { "calendar page 4, full", true, nov2017, 4, plm_full, "the January 2018 page" },
        { "card recto, short", false, 0, 1, plm_short, "Recto" },
        { "card verso, short", false, 0, 2, plm_short, "Verso" },
        { "card recto, standard", false, 0, 1, plm_std, "the recto" },
        { "card verso, standard", false, 0, 2, plm_std, "the verso" },
        { "card third page is a verso", false, 0, 3, plm_full_2_lines, "the verso" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TTemplateProductImpl::PageLabelFor(c.monthly, c.dateStart, c.page, c.mode), QLatin1String(c.expected));
    }
    // A calendar whose first month was never set cannot name its months.
    EXPECT_EQ(messageOf([] { TTemplateProductImpl::PageLabelFor(true, 0, 2, plm_short); }),
              QStringLiteral("TTemplateProduct.getYearFromDate: date invalid"));
}

TEST(TemplateLabels, KindLabelTable)
{
    struct Case {
        const char* name;
        TTemplateType type;
        bool annual;
        const char* label;
        const char* cart;
    } cases[] = {
        { "page-per-month calendar", TTemplateType::MonthCalendar, false, "A4 Page-per-month calendar",
          "A4. Page-per-month calendar" },
        { "monthly wins over annual", TTemplateType::MonthCalendar, true, "A4 Page-per-month calendar",
          "A4. Page-per-month calendar" },
        { "annual calendar", TTemplateType::ClassicTemplate, true, "A4 Annual calendar", "A4. Annual calendar" },
        { "annual wins over designer print", TTemplateType::DesignerPrint, true, "A4 Annual calendar",
          "A4. Annual calendar" },
        { "designer print", TTemplateType::DesignerPrint, false, "A4 Designer Print", "A4. Designer Print" },
        { "card", TTemplateType::ClassicTemplate, false, "A4 Card", "A4. Card" },
        { "no kind is a card", TTemplateType::None, false, "A4 Card", "A4. Card" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TTemplateProductImpl::KindLabel(c.type, c.annual, QStringLiteral("A4"), false), QLatin1String(c.label));
        EXPECT_EQ(TTemplateProductImpl::KindLabel(c.type, c.annual, QStringLiteral("A4"), true), QLatin1String(c.cart));
    }
}

TEST(TemplateLabels, ProductLabelsOfAnOrderProduct)
{
    DesignedEnv env;
    Tirage2* fmt = env.main.addTemplateFormat(7, 100, 150, false, false, QStringLiteral("Glossy"));
    auto* card = dynamic_cast<TTemplateProductImpl*>(env.order->TemplateProductAdd(fmt, 1));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->ProductLabel(), QStringLiteral("10x15 Glossy Card"));
    EXPECT_EQ(card->ProductCartLabel(), QStringLiteral("10 x 15 cm Glossy. Card"));
    EXPECT_EQ(card->ProductShortLabel(), QStringLiteral("10x15 Glossy"));
    EXPECT_EQ(card->DebugLabel(), QStringLiteral("10x15 Glossy Card(ID : 7)"));

    Tirage2* monthly = env.main.addTemplateFormat(8, 210, 297, false, true, QStringLiteral("Wall"));
    auto* cal = dynamic_cast<TTemplateProductImpl*>(env.order->TemplateProductAdd(monthly, 1));
    ASSERT_NE(cal, nullptr);
    EXPECT_TRUE(cal->IsCalendarMonthly());
    EXPECT_TRUE(cal->IsCalendar());
    EXPECT_EQ(cal->ProductLabel(), QStringLiteral("21x29 Wall Page-per-month calendar"));
    cal->SetDateStart(TTemplateProductImpl::getDateAsInt(2017, 11));
    EXPECT_EQ(cal->PageLabel(4, plm_short), QStringLiteral("January 2018"));

    TTemplateProductImpl empty(env.order.get());
    EXPECT_EQ(empty.TirageLabel(plm_std), QStringLiteral("?"));
    EXPECT_EQ(empty.ProductLabel(), QStringLiteral("? Card"));
}

// ----------------------------------------------------------- template sizes

TEST(TemplateKinds, OneKindPerSizeInListOrder)
{
    TTirageList formats(true);
    auto add = [&](qint32 id, qint32 w, qint32 h, bool rv, bool monthly) {
        Tirage2* t = makeTemplateFormat(id, w, h, rv, monthly).release();
        formats.Add(t);
        return t;
    };
    Tirage2* a = add(1, 100, 150, false, false);
    add(2, 150, 100, false, false); // same size turned: no new template size
    Tirage2* c = add(3, 100, 150, true, false);
    Tirage2* d = add(4, 210, 297, false, true);
    add(5, 297, 210, false, true);
    Tirage2* f = add(6, 210, 297, true, true);

    const TTemplateKindList all(formats, false);
    ASSERT_EQ(all.Count(), 4);
    EXPECT_EQ(all.Items(0).fTirage, a);
    EXPECT_EQ(all.Items(0).fWidth, 100);
    EXPECT_EQ(all.Items(0).fHeight, 150);
    EXPECT_EQ(all.Items(1).fTirage, c);
    EXPECT_TRUE(all.Items(1).fRectoVerso);
    EXPECT_EQ(all.Items(2).fTirage, d);
    EXPECT_TRUE(all.Items(2).fCalendrierMensuel);
    EXPECT_EQ(all.Items(3).fTirage, f);

    const TTemplateKindList monthlyOnly(formats, true);
    ASSERT_EQ(monthlyOnly.Count(), 2);
    EXPECT_EQ(monthlyOnly.Items(0).fTirage, d);
    EXPECT_EQ(monthlyOnly.Items(1).fTirage, f);

    const IArcList<Tirage2*> list = all.TirageList();
    ASSERT_EQ(list->GetCount(), 4);
    EXPECT_EQ(list->GetItem(0), a);
    EXPECT_EQ(list->GetItem(3), f);
}

TEST(TemplateKinds, CompatibleAndEqualTable)
{
    TTemplateKindList sizes;
    TTemplateKind oneSided { 100, 150, false, false, nullptr };
    TTemplateKind twoSided { 105, 148, true, false, nullptr };
    TTemplateKind calendar { 210, 297, false, true, nullptr };
    sizes.Add(oneSided);
    sizes.Add(twoSided);
    sizes.Add(calendar);

    struct Case {
        const char* name;
        qint32 w, h;
        bool rv, monthly;
        int index;
    } cases[] = {
        { "same size", 100, 150, false, false, 0 },
        { "turned size", 150, 100, false, false, 0 },
        { "two-sided candidate on a one-sided template size", 100, 150, true, false, 0 },
        { "one-sided candidate on a two-sided template size", 105, 148, false, false, -1 },
        { "two-sided candidate on a two-sided template size", 148, 105, true, false, 1 },
        { "calendar flag must match", 100, 150, false, true, -1 },
        { "monthly calendar", 297, 210, false, true, 2 },
        { "other size", 100, 151, false, false, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sizes.indexOfKind(c.w, c.h, c.rv, c.monthly), c.index);
        EXPECT_EQ(sizes.containsKind(c.w, c.h, c.rv, c.monthly), c.index >= 0);
    }

    // A lab template: paper size, a verso makes it two-sided, an annual-type
    // template with CalendrierMois is a monthly calendar.
    ZebtemplateVelmora2 tpl;
    tpl.setLargeurPapier(150);
    tpl.setHauteurPapier(100);
    tpl.setVersoSDid(12);
    EXPECT_EQ(sizes.indexOfKind(&tpl), 0) << "a two-sided template is compatible with a one-sided template size";
    tpl.setLargeurPapier(210);
    tpl.setHauteurPapier(297);
    tpl.setVersoSDid(0);
    tpl.setCalendrierMois(true);
    EXPECT_EQ(sizes.indexOfKind(&tpl), -1) << "CalendrierMois counts only for Type 1";
    tpl.setType_(1);
    EXPECT_EQ(sizes.indexOfKind(&tpl), 2);
    EXPECT_EQ(sizes.indexOfKind(static_cast<ZebtemplateVelmora2*>(nullptr)), -1);

    // A format must be equal: a two-sided format is not the one-sided template size.
    auto twoSidedFormat = makeTemplateFormat(9, 150, 100, true, false);
    EXPECT_EQ(sizes.indexOfKind(twoSidedFormat.get()), -1);
    auto oneSidedFormat = makeTemplateFormat(10, 150, 100, false, false);
    EXPECT_EQ(sizes.indexOfKind(oneSidedFormat.get()), 0);
    EXPECT_TRUE(sizes.containsKind(oneSidedFormat.get()));
}

TEST(TemplateKinds, TirageAddKeepsTheCheaperFormat)
{
    DesignedMainFrame main;
    Tirage2* first = main.addTemplateFormat(1, 100, 150);
    Tirage2* sameCost = main.addTemplateFormat(2, 150, 100);
    Tirage2* dearer = main.addTemplateFormat(3, 100, 150);
    Tirage2* cheaper = main.addTemplateFormat(4, 100, 150);
    Tirage2* otherSize = main.addTemplateFormat(5, 130, 180);
    main.addTemplateTier(1, 1, 9, 2.00);
    main.addTemplateTier(1, 10, 99, 1.50); // the cheapest row of format 1
    main.addTemplateTier(2, 1, 99, 1.50);
    main.addTemplateTier(3, 1, 99, 1.60);
    main.addTemplateTier(4, 1, 99, 1.49);
    main.addTemplateTier(5, 1, 99, 9.00);

    EXPECT_EQ(TTemplateKindList::getMinimumPrice(&main, first)->CoutEnPrix(), 1.50);
    EXPECT_EQ(TTemplateKindList::TiragePriceCompare(&main, first, sameCost), 0);
    EXPECT_EQ(TTemplateKindList::TiragePriceCompare(&main, first, dearer), -1);
    EXPECT_EQ(TTemplateKindList::TiragePriceCompare(&main, dearer, cheaper), 1);

    TTemplateKindList sizes;
    sizes.TirageAdd(&main, first);
    ASSERT_EQ(sizes.Count(), 1);
    sizes.TirageAdd(&main, sameCost);
    EXPECT_EQ(sizes.Items(0).fTirage, sameCost) << "as cheap: the newer format stands for the size";
    sizes.TirageAdd(&main, dearer);
    EXPECT_EQ(sizes.Items(0).fTirage, sameCost) << "dearer: kept";
    sizes.TirageAdd(&main, cheaper);
    EXPECT_EQ(sizes.Items(0).fTirage, cheaper);
    EXPECT_EQ(sizes.Items(0).fWidth, 100);
    EXPECT_EQ(sizes.Items(0).fHeight, 150);
    sizes.TirageAdd(&main, otherSize);
    ASSERT_EQ(sizes.Count(), 2);
    EXPECT_EQ(sizes.Items(1).fTirage, otherSize);
}

TEST(TemplateKinds, FormatsWithoutPricesAreClearErrors)
{
    DesignedMainFrame main;
    Tirage2* priced = main.addTemplateFormat(1, 100, 150);
    Tirage2* emptyList = main.addTemplateFormat(2, 100, 150);
    Tirage2* noList = main.addTemplateFormat(3, 100, 150);
    main.addTemplateTier(1, 1, 99, 1.00);
    main.tplPrices.AddOrSetValue(2, std::make_unique<TTarifList>(true));

    EXPECT_EQ(TTemplateKindList::getMinimumPrice(&main, emptyList), nullptr);
    EXPECT_EQ(messageOf([&] { TTemplateKindList::TiragePriceCompare(&main, priced, emptyList); }),
              QStringLiteral("TTemplateKindList.TiragePriceCompare: no price for format 2"));
    EXPECT_EQ(messageOf([&] { TTemplateKindList::getMinimumPrice(&main, noList); }),
              QStringLiteral("TPrintTarifList: no price list for print format 3"));

    TTemplateKindList sizes;
    sizes.TirageAdd(&main, priced);
    EXPECT_THROW(sizes.TirageAdd(&main, emptyList), Exception);
    ASSERT_EQ(sizes.Count(), 1);
    EXPECT_EQ(sizes.Items(0).fTirage, priced) << "a refused format changes nothing";
}

// ------------------------------------------------------------------ Check

TEST(TemplateCheck, PagesTable)
{
    using K = TTypeFrame;
    struct Case {
        const char* name;
        std::vector<TDesignedPageContent> pages;
        const char* error; // null: passes
    } cases[] = {
        { "a valid photo on each page",
          { { 1, { frame(K::FrameBackground, true), frame(K::FrameFixed, true) } },
            { 2, { frame(K::FrameFixed, true) } } },
          nullptr },
        { "a text frame alone passes", { { 1, { frame(K::FrameBackground, true), frame(K::FrameUser, false, true) } } },
          nullptr },
        { "missing photo on the verso",
          { { 1, { frame(K::FrameFixed, true) } }, { 2, { frame(K::FrameFixed, true), frame(K::FrameFixed, false) } } },
          "The product 'My card' has at least one invalid or missing image on the verso" },
        { "missing photo on the recto stops at the recto",
          { { 1, { frame(K::FrameFixedUnderBg, false) } }, { 2, { frame(K::FrameFixed, false) } } },
          "The product 'My card' has at least one invalid or missing image on the recto" },
        { "the customer's background covers the empty slots under it",
          { { 1, { frame(K::FrameFixedUnderBg, false), frame(K::FrameBackground, true), frame(K::FrameBgUser, true) } } },
          nullptr },
        { "an empty slot after the customer's background still counts",
          { { 1, { frame(K::FrameBgUser, true), frame(K::FrameFixed, false) } } },
          "The product 'My card' has at least one invalid or missing image on the recto" },
        { "an invalid customer's background clears nothing",
          { { 1, { frame(K::FrameFixedUnderBg, false), frame(K::FrameBgUser, false) } } },
          "The product 'My card' has at least one invalid or missing image on the recto" },
        { "background and calendar grid do not go to the lab",
          { { 1, { frame(K::FrameBackground, false), frame(K::FrameCalendarGrid, false) } } },
          "The product 'My card' has no image, and it requires at least one" },
        { "no pages", {}, "The product 'My card' has no image, and it requires at least one" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto label = [](int n) { return TTemplateProductImpl::PageLabelFor(false, 0, n, plm_std); };
        if (c.error) {
            try {
                TTemplateProductImpl::CheckPages(QStringLiteral("My card"), c.pages, label);
                ADD_FAILURE() << "no EUser";
            } catch (const EUser& e) {
                EXPECT_EQ(e.Message(), QLatin1String(c.error));
            }
        } else {
            EXPECT_NO_THROW(TTemplateProductImpl::CheckPages(QStringLiteral("My card"), c.pages, label));
        }
    }
}

TEST(TemplateCheck, EmptinessAndCustomizableFramesTable)
{
    using K = TTypeFrame;
    struct Case {
        const char* name;
        std::vector<TDesignedPageContent> pages;
        bool empty;
        int customizable;
    } cases[] = {
        { "no pages", {}, true, 0 },
        { "background only", { { 1, { frame(K::FrameBackground, true) } } }, true, 0 },
        { "empty fixed slots", { { 1, { frame(K::FrameFixed, false), frame(K::FrameFixedUnderBg, false) } } }, true, 2 },
        { "a valid photo in a slot", { { 1, { frame(K::FrameFixed, true) } } }, false, 1 },
        { "a text", { { 1, { frame(K::FrameUser, false, true) } } }, false, 0 },
        { "customer's frames can be deleted",
          { { 1, { frame(K::FrameUser, true), frame(K::FrameFromModel, false) } }, { 2, { frame(K::FrameFixed, false) } } },
          false, 1 },
        { "calendar grid is no picture", { { 2, { frame(K::FrameCalendarGrid, true) } } }, true, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TTemplateProductImpl::IsEmptyPages(c.pages), c.empty);
        EXPECT_EQ(TTemplateProductImpl::CustomizableFrameCount(c.pages), c.customizable);
    }
}

// ----------------------------------------------------------------- prices

TEST(TemplatePrices, BasePriceTable)
{
    struct Case {
        const char* name;
        std::vector<std::tuple<qint32, qint32, double, qint32, Tarif_TypeTarif>> tiers;
        qint32 qty;
        Currency expected;
        Tarif_TypeTarif type;
    } cases[] = {
        { "one tier", { { 1, 100, 2.50, 0, Tarif_TypeTarif::EurosMagasin } }, 3, 25000, Tarif_TypeTarif::EurosMagasin },
        { "card payment", { { 1, 100, 1.99, 0, Tarif_TypeTarif::EurosCB } }, 1, 19900, Tarif_TypeTarif::EurosCB },
        { "packs", { { 1, 100, 0.0, 3, Tarif_TypeTarif::Packs } }, 1, 30000, Tarif_TypeTarif::Packs },
        { "the first row of the list prices, even when another tier holds the quantity",
          { { 1, 9, 2.00, 0, Tarif_TypeTarif::EurosMagasin }, { 10, 99, 1.50, 0, Tarif_TypeTarif::EurosMagasin } }, 20,
          20000, Tarif_TypeTarif::EurosMagasin },
        { "a quantity no tier holds takes the nearest", { { 5, 9, 1.00, 0, Tarif_TypeTarif::EurosMagasin } }, 1, 10000,
          Tarif_TypeTarif::EurosMagasin },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignedMainFrame main;
        for (const auto& [min, max, prix, packs, type] : c.tiers)
            main.addTemplateTier(42, min, max, prix, packs, type);
        const TProductPrice p = TTemplateProductImpl::GetBasePrice(&main, 42, c.qty);
        EXPECT_EQ(p.qty, c.qty);
        EXPECT_EQ(p.price, c.expected);
        EXPECT_EQ(p.priceType, c.type);
        EXPECT_EQ(main.roundCount, 1) << "the main frame rounds the price";
    }
}

TEST(TemplatePrices, MissingPricesRaise)
{
    DesignedMainFrame main;
    EXPECT_EQ(messageOf([&] { TTemplateProductImpl::GetBaseTarif(&main, 42, 1); }),
              QStringLiteral("TPrintTarifList: no price list for print format 42"));
    main.tplPrices.AddOrSetValue(42, std::make_unique<TTarifList>(true));
    EXPECT_EQ(messageOf([&] { TTemplateProductImpl::GetBaseTarif(&main, 42, 1); }),
              QStringLiteral("TTemplateProduct.GetBaseTarif: price not found"));
    // Free tiers never price a designed product.
    main.addTemplateTier(42, 1, 5, 0.0);
    EXPECT_EQ(messageOf([&] { TTemplateProductImpl::GetBaseTarif(&main, 42, 1); }),
              QStringLiteral("TTemplateProduct.GetBaseTarif: price not found"));
    EXPECT_EQ(messageOf([] { TTemplateProductImpl::GetBaseTarif(nullptr, 42, 1); }),
              QStringLiteral("TTemplateProduct.GetBaseTarif: price not found"));
}

TEST(TemplatePrices, ProductAndOrderPrices)
{
    DesignedEnv env;
    Tirage2* fmt = env.main.addTemplateFormat(7, 100, 150);
    env.main.addTemplateTier(7, 1, 100, 2.50);
    TTemplateProduct* card = env.order->TemplateProductAdd(fmt, 3);
    const TProductPrice price = card->GetPrice();
    EXPECT_EQ(price.price, 75000);
    EXPECT_EQ(price.qty, 3);
    EXPECT_EQ(card->GetUnitPrice(3).price, 25000);

    env.order->TemplateProductAdd(fmt, 0); // not priced by the order
    env.order->TemplateProductAdd(fmt, 2);
    const TProductPrice total = env.order->calcTemplatePrice(nullptr);
    EXPECT_EQ(total.qty, 5);
    EXPECT_EQ(total.price, 125000);
}

// ------------------------------------------------- pictures, reload, files

TEST(TemplateProductPictures, AvailableListRules)
{
    DesignedEnv env;
    Tirage2* fmt = env.main.addTemplateFormat(7, 100, 150);
    auto* card = dynamic_cast<TTemplateProductImpl*>(env.order->TemplateProductAdd(fmt, 1));
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(card->HasImgsAvailable());

    auto* a = new TestImage(QStringLiteral("a.jpg"));
    TOrderImageBase* ownA = card->ImageUsedAdd(a);
    ASSERT_EQ(ownA, a) << "a new picture becomes the order's";
    env.order->SetDirtyFlag(false);
    auto* again = new TestImage(QStringLiteral("a.jpg"));
    EXPECT_EQ(card->ImageUsedAdd(again), ownA) << "the order's object for a known id";
    delete again;
    EXPECT_EQ(card->ImgsAvailableList()->GetCount(), 1);
    EXPECT_FALSE(env.order->Dirty()) << "nothing appended";

    TestImage invalid(QStringLiteral("bad.jpg"));
    invalid.fValid = false;
    EXPECT_EQ(card->ImageUsedAdd(&invalid), nullptr);
    EXPECT_EQ(card->ImageUsedAdd(nullptr), nullptr);

    auto* b = static_cast<TestImage*>(card->ImageUsedAdd(new TestImage(QStringLiteral("b.jpg"))));
    EXPECT_TRUE(env.order->Dirty());
    EXPECT_TRUE(card->IsImageUsed(b));

    TestImage c(QStringLiteral("c.jpg"));
    EXPECT_TRUE(card->ImageUsedReplace(ownA, &c));
    EXPECT_EQ(card->ImgsAvailableList()->GetItem(0), &c) << "same position";
    EXPECT_FALSE(card->ImageUsedReplace(ownA, &c));
    EXPECT_TRUE(card->ImageUsedReplace(&c, ownA));

    env.order->SetDirtyFlag(false);
    card->ImageUsedDel(&env.main, b, false);
    EXPECT_FALSE(card->IsImageUsed(b));
    EXPECT_TRUE(env.order->Dirty());
    EXPECT_EQ(card->ImgsAvailableList()->GetCount(), 1);
}

TEST(TemplateProductPictures, TakesOverOnlyAWaitingProductsList)
{
    DesignedEnv env;
    TTemplateProductImpl card(env.order.get());
    TWaitingProduct waiting(env.order.get());
    TestImage img(QStringLiteral("w.jpg"));
    waiting.Images()->Add(&img);
    card.InitWithProduct(&waiting);
    EXPECT_EQ(card.ImgsAvailableList(), waiting.ImgsAvailableList()) << "the same list object";

    TTemplateProductImpl other(env.order.get());
    const IArcList<TOrderImageBase*> before = other.ImgsAvailableList();
    other.InitWithProduct(&card);
    EXPECT_EQ(other.ImgsAvailableList(), before) << "another product changes nothing";
    waiting.Images()->Clear();
}

TEST(TemplateProductReload, BindsFormatAndCalendarToTheCatalogue)
{
    DesignedEnv env;
    Tirage2* fmt = env.main.addTemplateFormat(7, 210, 297, false, true);
    auto* catalogueCal = new TemplateCalendrier2();
    catalogueCal->setId(31);
    env.main.calendars.Add(catalogueCal);

    struct Case {
        const char* name;
        qint32 formatId;
        qint32 calendarId; // 0: no calendar model
        bool expected;
        bool calendarOwned;
    } cases[] = {
        { "both in the catalogue", 7, 31, true, false },
        { "calendar gone", 7, 99, false, true },
        { "format gone", 8, 31, false, false },
        { "no calendar model", 7, 0, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTemplateProductImpl product;
        product.GiveParent(env.order.get());
        product.SetTirageOwned(makeTemplateFormat(c.formatId, 210, 297, false, true));
        if (c.calendarId) {
            auto loaded = std::make_unique<TemplateCalendrier2>();
            loaded->setId(c.calendarId);
            product.SetTplCalOwned(std::move(loaded));
        }
        EXPECT_EQ(product.XMLloadFinalize(env.order.get(), &env.main), c.expected);
        EXPECT_EQ(product.OwnsTplCal(), c.calendarOwned);
        if (c.calendarId == 31)
            EXPECT_EQ(product.TplCal(), catalogueCal) << "the loaded copy gives way to the catalogue's record";
        if (c.formatId == 7)
            EXPECT_EQ(product.Tirage(), fmt);
        if (c.calendarId)
            EXPECT_EQ(product.TplCalId(), c.calendarId);
    }
    TTemplateProductImpl none;
    EXPECT_EQ(messageOf([&] { none.TplCalId(); }), QStringLiteral("TTemplateProduct.GetTplCalId: no calendar selected"));
}

TEST(TemplateProductFiles, OrderFilesNameTheProductTTemplateProduct)
{
    const TClassInfo& info = TTemplateProduct::StaticClassInfo();
    EXPECT_EQ(info.ClassName(), QStringLiteral("TTemplateProduct"));
    ASSERT_TRUE(info.CanCreate()) << "the loader makes the implementation";
    const std::unique_ptr<TRemotable> made = info.CreateInstance();
    EXPECT_NE(dynamic_cast<TTemplateProductImpl*>(made.get()), nullptr);
    EXPECT_EQ(&made->ClassInfo(), &info);

    // Ancestors first, then the product's own data, in this order.
    QStringList names;
    for (const TRttiItem& item : TRttiCache::Get(info).PropInfoForRead())
        names << item.propName;
    EXPECT_EQ(names, (QStringList { QStringLiteral("Quantity"), QStringLiteral("Tirage"), QStringLiteral("TplType"),
                                    QStringLiteral("Images"), QStringLiteral("Pages"), QStringLiteral("TplCal"),
                                    QStringLiteral("DateStart") }));
}
