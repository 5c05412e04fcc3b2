#include "ChoiceFakes.h"
#include "choice/UAlbumChoices.h"
#include "UAlbumSize.h"
#include "UPageModeleZeb.h"

#include <gtest/gtest.h>

using namespace choicefakes;

namespace {

std::shared_ptr<AlbumPhotographe2> book(qint32 minPages, qint32 maxPages, bool both)
{
    auto b = std::make_shared<AlbumPhotographe2>();
    b->setNombrePagesMini(minPages);
    b->setNombrePagesMaxi(maxPages);
    b->setRectoVerso(both);
    return b;
}

std::unique_ptr<PrixAlbum2> albumPrice(double cout, Tarif_TypeTarif type)
{
    auto p = std::make_unique<PrixAlbum2>();
    p->setCout(cout);
    p->setTypeDeTarif(type);
    return p;
}

TEST(AlbumChoices, DescriptionAndPrice)
{
    PriceMainFrame main;
    auto money = albumPrice(24.9, Tarif_TypeTarif::EurosMagasin);
    auto packsHalf = albumPrice(2.5, Tarif_TypeTarif::Packs);
    auto undef = albumPrice(3, Tarif_TypeTarif::Undef);
    struct Case {
        const char* name;
        std::shared_ptr<AlbumPhotographe2> b;
        const PrixAlbum2* price;
        QString description;
        QString priceText;
    };
    const Case cases[] = {
        { "page count varies", book(20, 60, true), money.get(),
          QStringLiteral("From 20 to 60 pages\nPages front and back printed"), QStringLiteral("From EUR 24.9000") },
        { "fixed page count", book(24, 24, false), money.get(), QStringLiteral("24 pages\nPages front printed"),
          QStringLiteral("EUR 24.9000") },
        // 2.5 packs round to the even neighbour.
        { "packs", book(24, 24, false), packsHalf.get(), QStringLiteral("24 pages\nPages front printed"),
          QStringLiteral("2 packs") },
        { "no price type", book(24, 24, false), undef.get(), QStringLiteral("24 pages\nPages front printed"),
          QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAlbumChoices::description(*c.b), c.description);
        EXPECT_EQ(TAlbumChoices::priceText(&main, *c.b, c.price), c.priceText);
    }
}

TEST(AlbumChoices, DefaultRangeIsTheLastMarked)
{
    GammeFond2 a, b, c;
    EXPECT_EQ(TAlbumChoices::defaultRange({ { &a, false }, { &b, true }, { &c, true } }), &c);
    EXPECT_EQ(TAlbumChoices::defaultRange({ { &a, false } }), nullptr);
}

std::unique_ptr<PageModeleZeb> model(int frames)
{
    auto m = std::make_unique<PageModeleZeb>();
    for (int i = 0; i < frames; ++i)
        m->Cadres().Add(new PageModelFrameZeb());
    return m;
}

TEST(AlbumChoices, FramesPerPageOfferedByTheSizesPageModels)
{
    TAlbumSizeList sizes(true);
    auto addSize = [&](qint32 w, qint32 h, std::vector<int> frames) {
        auto* s = new TAlbumSize(w, h);
        auto models = std::make_unique<TOwnerList<PageModeleZeb>>(true);
        for (int n : frames)
            models->Add(model(n).release());
        s->SetPageModelList(std::move(models));
        sizes.Add(s);
    };
    addSize(200, 200, { 1, 2, 4 });
    addSize(300, 200, { 2, 3 });
    addSize(150, 150, { 1 });
    addSize(210, 210, {});
    using A = TAlbumChoices;
    struct Case {
        const char* name;
        qint32 w, h;
        std::vector<int> offered;
    };
    const Case cases[] = {
        { "one and several frames", 200, 200, { A::FramesOne, A::FramesMultiple, A::FramesBlank } },
        { "only several frames", 300, 200, { A::FramesMultiple, A::FramesBlank } },
        { "only single frames", 150, 150, { A::FramesOne, A::FramesBlank } },
        { "no page models: blank only", 210, 210, { A::FramesBlank } },
        { "size missing from the list: blank only", 999, 999, { A::FramesBlank } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TAlbumChoices::framesPerPageOffered(&sizes, c.w, c.h), c.offered);
    }
    EXPECT_EQ(TAlbumChoices::framesPerPageOffered(nullptr, 200, 200), std::vector<int> { A::FramesBlank });
}

TEST(AlbumChoices, FramesPerPageTexts)
{
    EXPECT_EQ(TAlbumChoices::framesPerPageText(1), QStringLiteral("One Photo Per Page"));
    EXPECT_EQ(TAlbumChoices::framesPerPageText(-1), QStringLiteral("Multiple Photos Per Page"));
    EXPECT_EQ(TAlbumChoices::framesPerPageText(0), QStringLiteral("Blank, Let Me Arrange"));
    EXPECT_EQ(TAlbumChoices::framesPerPagePreview(-1), 3);
    EXPECT_EQ(TAlbumChoices::framesPerPagePreview(0), 0);
}

} // namespace
