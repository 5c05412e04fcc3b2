// The lab records of template products and photo books, their print files,
// and what a send remembers of its sub-orders across an order file.
#include "SendFakes.h"

#include <gtest/gtest.h>

using namespace sendfakes;

namespace {

// A template format of the catalogue: A4 upright on channel 4.
Tirage2* addTemplateFormat(SendEnv& env, bool monthly)
{
    Tirage2* t = env.main.addTirage(120, 21, 29);
    t->setTemplate(true);
    t->setTemplateLargeur(210);
    t->setTemplateHauteur(297);
    t->setTemplateCalendrierMois(monthly);
    t->setChannel(4);
    return t;
}

std::unique_ptr<ZebtemplateVelmora2> labTemplate(qint32 id, qint32 rectoHd, qint32 versoHd)
{
    auto tpl = std::make_unique<ZebtemplateVelmora2>();
    tpl->setId(id);
    tpl->setRectoHDid(rectoHd);
    tpl->setVersoHDid(versoHd);
    tpl->setLargeurPapier(210);
    tpl->setHauteurPapier(297);
    return tpl;
}

// What a frame record of either kind must hold; a negative colour width
// means the line members must not be set (a clip-art border's record).
struct FrameExpect {
    qint32 line;
    double angle, x, y, w, h;
    bool text;
    const char* colour;
    double lineWidth;
};

template <class R>
void expectFrame(const R& r, const FrameExpect& e)
{
    EXPECT_EQ(r.CmdLignId(), e.line);
    EXPECT_DOUBLE_EQ(r.AngleRotation(), e.angle);
    EXPECT_NEAR(r.X(), e.x, 1e-4);
    EXPECT_NEAR(r.Y(), e.y, 1e-4);
    EXPECT_NEAR(r.Largeur(), e.w, 1e-4);
    EXPECT_NEAR(r.Hauteur(), e.h, 1e-4);
    EXPECT_EQ(r.ZoneTexte(), e.text);
    if (e.lineWidth < 0) {
        EXPECT_FALSE(r.CouleurLisere_Specified());
        EXPECT_FALSE(r.LargeurLisere_Specified());
    } else {
        EXPECT_TRUE(r.CouleurLisere_Specified());
        EXPECT_EQ(r.CouleurLisere(), QString::fromLatin1(e.colour));
        EXPECT_DOUBLE_EQ(r.LargeurLisere(), e.lineWidth);
    }
}

struct LineExpect {
    const char* image;
    qint32 channel;
    qint64 kib;
    bool priced; // the frame's own line carries the price members
};

void expectLines(const TOwnerList<LigneDeCommande2>& lines, const std::vector<LineExpect>& expected)
{
    ASSERT_EQ(lines.Count(), int(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].image);
        const LigneDeCommande2& l = *lines[int(i)];
        EXPECT_EQ(l.Image(), QString::fromLatin1(expected[i].image));
        EXPECT_EQ(l.Channel(), expected[i].channel);
        EXPECT_EQ(l.TailleImage(), expected[i].kib);
        EXPECT_EQ(l.Quantite(), 1);
        EXPECT_EQ(l.Id(), -1);
        EXPECT_EQ(l.CommandeId(), -1);
        EXPECT_FALSE(l.TirageId_Specified());
        EXPECT_FALSE(l.NomFichier_Specified());
        EXPECT_EQ(l.UnitePrix_Specified(), expected[i].priced);
        EXPECT_EQ(l.UnitePacks_Specified(), expected[i].priced);
        EXPECT_EQ(l.CoefficientPrix_Specified(), expected[i].priced);
        if (expected[i].priced) {
            EXPECT_EQ(l.UnitePrix(), 0.0);
            EXPECT_EQ(l.UnitePacks(), 0);
            EXPECT_EQ(l.CoefficientPrix()->NativeToXS(), QStringLiteral("1"));
        }
    }
}

// A card or calendar of two pages: page 1 holds a slot under the page
// picture with a clip-art border and a text frame with a plain border;
// page 2 (another lab template) a turned slot and a calendar grid, which
// stays at the kiosk.
struct TemplateFixture {
    explicit TemplateFixture(SendEnv& env, bool monthly, qint32 versoHd)
        : tpl1(labTemplate(900, 9301, versoHd))
        , tpl2(labTemplate(905, 9311, 0))
    {
        env.useDesignedProducts();
        product = static_cast<TestDesignedTemplate*>(env.order->TemplateProductAdd(addTemplateFormat(env, monthly), 3));
        TCustomizedPage* page1 = product->addPage(
            std::make_unique<TCustomizedPage>(product, &env.main, tpl1.get(), nullptr, nullptr, 1, nullptr));
        slot = product->addFrame(page1, std::make_unique<TestFrame>(page1, QStringLiteral("slot"), 3000,
                                                                    TTypeFrame::FrameFixedUnderBg,
                                                                    QRectF(10, 20, 100, 80)));
        border = new TestBorder(slot, QStringLiteral("slot-border"), 1500, 50, 30, 20, 40);
        slot->SetFrameBorder(std::unique_ptr<TFrameBorder>(border));
        text = product->addFrame(page1, std::make_unique<TestFrame>(page1, QStringLiteral("text"), 2048,
                                                                    TTypeFrame::FrameUser, QRectF(15, 150, 120, 30)));
        text->SetTextBloc(std::make_unique<TTextBloc>());
        auto line = std::make_unique<TFrameBorder>();
        line->SetBorderThickness(25);
        line->SetBorderAlphaColor(0xFF112233);
        text->SetFrameBorder(std::move(line));
        TCustomizedPage* page2 = product->addPage(
            std::make_unique<TCustomizedPage>(product, &env.main, tpl2.get(), nullptr, nullptr, 2, nullptr));
        turned = product->addFrame(page2, std::make_unique<TestFrame>(page2, QStringLiteral("turned"), 5120,
                                                                      TTypeFrame::FrameFixed, QRectF(5, 5, 50, 60), 15));
        grid = product->addFrame(page2, std::make_unique<TestFrame>(page2, QStringLiteral("grid"), 100,
                                                                    TTypeFrame::FrameCalendarGrid,
                                                                    QRectF(0, 0, 210, 297)));
    }

    std::unique_ptr<ZebtemplateVelmora2> tpl1, tpl2;
    TestDesignedTemplate* product = nullptr;
    TestFrame *slot = nullptr, *text = nullptr, *turned = nullptr, *grid = nullptr;
    TestBorder* border = nullptr;
};

// A photo book without recto-verso and with a printed cover whose front
// the customer designs: the front cover, page 3 (with a background and a
// bordered photo and a text) and page 5 (empty) go to the lab; page 2 and
// the back cover are not printed.
struct AlbumFixture {
    explicit AlbumFixture(SendEnv& env)
    {
        env.useDesignedProducts();
        model.setAlbumPhotographeId(55);
        model.setChannel(7);
        model.setChannelCouvertureImprimee(8);
        model.setHauteurPage(210);
        model.setLargeurPage(297);
        model.setMargeInfoTechnique(5);
        model.setRectoVerso(false);
        model.setCouvertureImprimee(true);
        model.setCouvertureFrontCustomizable(true);
        model.setCouvertureBackCustomizable(false);
        background.setId(310);
        product = static_cast<TestDesignedAlbum*>(env.order->AlbumProductAdd(&model, 2));
        auto* cover = product->addPage(
            std::make_unique<TCustomizedAlbumCover>(product, &env.main, QStringLiteral("FFFFFF"), 1));
        coverPhoto = product->addFrame(cover, std::make_unique<TestFrame>(cover, QStringLiteral("cover"), 4096,
                                                                          TTypeFrame::FrameUser, QRectF(0, 0, 297, 210)));
        auto* page2 = product->addPage(std::make_unique<TCustomizedAlbumPage>(product, &env.main, 2));
        hidden = product->addFrame(page2, std::make_unique<TestFrame>(page2, QStringLiteral("hidden"), 100,
                                                                      TTypeFrame::FrameUser, QRectF(1, 1, 10, 10)));
        auto* page3 = product->addPage(
            std::make_unique<TCustomizedAlbumPage>(product, &env.main, &background, nullptr, 3));
        photo = product->addFrame(page3, std::make_unique<TestFrame>(page3, QStringLiteral("photo"), 2048,
                                                                     TTypeFrame::FrameUser, QRectF(20, 30, 120, 90), -10));
        photo->SetFrameBorder(std::make_unique<TestBorder>(photo, QStringLiteral("photo-border"), 1024, 10, 10, 10, 10));
        caption = product->addFrame(page3, std::make_unique<TestFrame>(page3, QStringLiteral("caption"), 1024,
                                                                       TTypeFrame::FrameUser, QRectF(20, 130, 120, 20)));
        caption->SetTextBloc(std::make_unique<TTextBloc>());
        product->addPage(std::make_unique<TCustomizedAlbumPage>(product, &env.main, 5));
        product->addPage(std::make_unique<TCustomizedAlbumCover>(product, &env.main, QStringLiteral("FFFFFF"), 6));
    }

    AlbumPhotographe2 model;
    FondAlbum2 background;
    TestDesignedAlbum* product = nullptr;
    TestFrame *coverPhoto = nullptr, *hidden = nullptr, *photo = nullptr, *caption = nullptr;
};

} // namespace

// The print files of a designed product: every frame the lab prints,
// cropped, each clip-art border right after its frame; frames that stay at
// the kiosk are not rendered.
TEST(OrderSendDesigned, PrintFilesOfFramesAndBorders)
{
    SendEnv env;
    TemplateFixture t(env, false, 0);
    const QStringList files = TOrderSend::DesignedFilesMake(&env.main, { TSubOrderKind::sokTemplate, t.product });
    QStringList names;
    for (const QString& f : files) {
        EXPECT_TRUE(QFileInfo::exists(f)) << f.toStdString();
        names << QFileInfo(f).fileName();
    }
    EXPECT_EQ(names, QStringList({ "slot.jpg", "slot-border.png", "text.jpg", "turned.jpg" }));
    for (TestFrame* f : { t.slot, t.text, t.turned }) {
        EXPECT_EQ(f->transfos, 1) << f->name.toStdString();
        EXPECT_TRUE(f->cropped) << f->name.toStdString();
    }
    EXPECT_TRUE(t.border->cropped);
    EXPECT_EQ(t.grid->transfos, 0);

    SendEnv albumEnv;
    AlbumFixture a(albumEnv);
    names.clear();
    for (const QString& f : TOrderSend::DesignedFilesMake(&albumEnv.main, { TSubOrderKind::sokAlbum, a.product }))
        names << QFileInfo(f).fileName();
    EXPECT_EQ(names, QStringList({ "cover.jpg", "photo.jpg", "photo-border.png", "caption.jpg" }));
    EXPECT_EQ(a.hidden->transfos, 0);
}

TEST(OrderSendDesigned, ProductWithoutAnythingToSend)
{
    struct Case {
        const char* name;
        bool album;
        const char* message;
    } cases[] = {
        { "template product", false, "Template doesn't have Image to send" },
        { "photo book", true, "Album doesn't have Image to send" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendEnv env;
        env.useDesignedProducts();
        AlbumPhotographe2 model;
        TProduct* product = c.album ? static_cast<TProduct*>(env.order->AlbumProductAdd(&model, 1))
                                    : env.order->TemplateProductAdd(addTemplateFormat(env, false), 1);
        try {
            TOrderSend::DesignedFilesMake(&env.main, { c.album ? TSubOrderKind::sokAlbum : TSubOrderKind::sokTemplate,
                                                       product });
            ADD_FAILURE() << "no refusal";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
        }
    }
}

TEST(OrderSendDesigned, TemplateRecords)
{
    struct Case {
        const char* name;
        bool monthly;
        qint32 versoHd;
    } cases[] = {
        { "card with a verso", false, 9303 },
        { "monthly calendar without verso", true, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendEnv env;
        TemplateFixture t(env, c.monthly, c.versoHd);
        TemplateCalendrier2 calendar;
        calendar.setId(61);
        if (c.monthly) {
            t.product->SetTplCal(&calendar);
            t.product->SetDateStart(TTemplateProductImpl::getDateAsInt(2026, 3));
        }
        TOrderSend::DesignedFilesMake(&env.main, { TSubOrderKind::sokTemplate, t.product });
        env.order->WebSvcInitOrderTemplate(&env.main, t.product);

        auto* h = dynamic_cast<CommandeTemplate2*>(env.order->WebSvcOrder());
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->Type_(), Commande_TypeCommande::Templates);
        EXPECT_EQ(h->Id(), -1);
        EXPECT_EQ(h->Statut(), QStringLiteral("ECC"));
        EXPECT_EQ(h->ConsommateurId(), 77);
        EXPECT_EQ(h->Channel(), 4);
        EXPECT_EQ(h->TemplateLargeur(), 210);
        EXPECT_EQ(h->TemplateHauteur(), 297);
        EXPECT_EQ(h->TemplateVelmoraId(), 900);
        EXPECT_EQ(h->TemplatePU(), -1.0);
        EXPECT_EQ(h->TemplatePictIdRectoHD(), 9301);
        EXPECT_EQ(h->TemplatePictIdVersoHD_Specified(), c.versoHd > 0);
        if (c.versoHd > 0)
            EXPECT_EQ(h->TemplatePictIdVersoHD(), c.versoHd);
        EXPECT_EQ(h->TemplateQuantite(), 3);
        EXPECT_EQ(h->TemplateTypeTarif(), Tarif_TypeTarif::EurosMagasin);
        EXPECT_EQ(h->TirageId(), 120);
        EXPECT_EQ(h->AnneeDepart_Specified(), c.monthly);
        EXPECT_EQ(h->MoisDepart_Specified(), c.monthly);
        EXPECT_EQ(h->TemplateCalendrierId_Specified(), c.monthly);
        if (c.monthly) {
            EXPECT_EQ(h->AnneeDepart(), 2026);
            EXPECT_EQ(h->MoisDepart(), 3);
            EXPECT_EQ(h->TemplateCalendrierId(), 61);
        }

        expectLines(env.order->WebSvcOrderLines(), {
                                                      { "slot.jpg", 4, 2, true },
                                                      { "slot-border.png", 4, 1, false },
                                                      { "text.jpg", 4, 2, true },
                                                      { "turned.jpg", 4, 5, true },
                                                  });
        struct TplFrame {
            FrameExpect frame;
            bool background;
            qint32 idFond, page;
        } frames[] = {
            { { 0, 0, 10, 20, 100, 80, false, "", 0 }, true, 900, 1 },
            // The border grows the frame by its bands: 5, 3, 2 and 4 mm.
            { { 1, 0, 5, 17, 107, 87, false, "", -1 }, true, 900, 1 },
            { { 2, 0, 15, 150, 120, 30, true, "FF112233", 2.5 }, false, 900, 1 },
            { { 3, -15, 5, 5, 50, 60, false, "", 0 }, false, 905, 2 },
        };
        const CommandeTemplateCadre2List& kept = h->TemplateCadres();
        ASSERT_EQ(kept.size(), std::size(frames));
        for (size_t i = 0; i < kept.size(); ++i) {
            SCOPED_TRACE(i);
            expectFrame(*kept[i], frames[i].frame);
            EXPECT_EQ(kept[i]->Background(), frames[i].background);
            EXPECT_EQ(kept[i]->IdFond(), frames[i].idFond);
            EXPECT_EQ(kept[i]->NumeroPage(), frames[i].page);
        }
    }
}

TEST(OrderSendDesigned, PhotoBookRecords)
{
    SendEnv env;
    AlbumFixture a(env);
    TOrderSend::DesignedFilesMake(&env.main, { TSubOrderKind::sokAlbum, a.product });
    env.order->WebSvcInitOrderAlbum(&env.main, a.product);

    auto* h = dynamic_cast<CommandeAlbum2*>(env.order->WebSvcOrder());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Type_(), Commande_TypeCommande::Albums);
    EXPECT_EQ(h->Statut(), QStringLiteral("ECC"));
    EXPECT_EQ(h->AlbumPhotographeId(), 55);
    EXPECT_EQ(h->Channel(), 7);
    EXPECT_EQ(h->ChannelCouvertureImprimee(), 8);
    EXPECT_EQ(h->HauteurPage(), 210);
    EXPECT_EQ(h->LargeurPage(), 297);
    EXPECT_EQ(h->MargeInfoTechnique(), 5);
    EXPECT_FALSE(h->RectoVerso());
    EXPECT_EQ(h->AlbumQuantite(), 2);
    EXPECT_EQ(h->AlbumTypeTarif(), Tarif_TypeTarif::EurosMagasin);

    // The cover's frames print on the cover channel.
    expectLines(env.order->WebSvcOrderLines(), {
                                                  { "cover.jpg", 8, 4, true },
                                                  { "photo.jpg", 7, 2, true },
                                                  { "photo-border.png", 7, 1, false },
                                                  { "caption.jpg", 7, 1, true },
                                              });

    struct PageExpect {
        qint32 numero;
        qint32 fond; // 0: none
        std::vector<FrameExpect> frames; // empty: the one empty frame record
    } pages[] = {
        { 0, 0, { { 0, 0, 0, 0, 297, 210, false, "", 0 } } },
        { 1, 310,
          { { 1, 10, 20, 30, 120, 90, false, "", 0 },
            { 2, 10, 19, 29, 122, 92, false, "", -1 },
            { 3, 0, 20, 130, 120, 20, true, "", 0 } } },
        { 2, 0, {} },
    };
    const TOwnerList<CommandeAlbumPage2>& sent = env.order->WebSvcOrderAlbumPages();
    ASSERT_EQ(sent.Count(), int(std::size(pages)));
    ASSERT_EQ(h->AlbumPages().size(), std::size(pages));
    for (int p = 0; p < sent.Count(); ++p) {
        SCOPED_TRACE(p);
        const CommandeAlbumPage2& page = *sent[p];
        EXPECT_EQ(h->AlbumPages()[size_t(p)].get(), &page);
        EXPECT_EQ(page.Id(), -1);
        EXPECT_EQ(page.CommandeId(), -1);
        EXPECT_EQ(page.NumeroPage(), pages[p].numero);
        EXPECT_EQ(page.FondAlbumId_Specified(), pages[p].fond != 0);
        if (pages[p].fond)
            EXPECT_EQ(page.FondAlbumId(), pages[p].fond);
        const CommandeAlbumCadre2List& frames = page.Cadres();
        if (pages[p].frames.empty()) {
            ASSERT_EQ(frames.size(), 1u);
            const CommandeAlbumCadre2& empty = *frames[0];
            EXPECT_FALSE(empty.CmdLignId_Specified());
            EXPECT_FALSE(empty.X_Specified());
            EXPECT_FALSE(empty.Largeur_Specified());
            EXPECT_FALSE(empty.CouleurLisere_Specified());
            continue;
        }
        ASSERT_EQ(frames.size(), pages[p].frames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            SCOPED_TRACE(i);
            expectFrame(*frames[i], pages[p].frames[i]);
            // Only a frame's own record names its page record.
            EXPECT_EQ(frames[i]->CommandeAlbumPageId_Specified(), pages[p].frames[i].lineWidth >= 0);
        }
    }
}

TEST(OrderSendDesigned, PostWithoutLabService)
{
    SendEnv env;
    TemplateFixture t(env, false, 0);
    AlbumFixture a(env);
    TOrderSend::DesignedFilesMake(&env.main, { TSubOrderKind::sokTemplate, t.product });
    TOrderSend::DesignedFilesMake(&env.main, { TSubOrderKind::sokAlbum, a.product });
    struct Case {
        const char* name;
        std::function<void()> build, post;
    } cases[] = {
        { "template product", [&] { env.order->WebSvcInitOrderTemplate(&env.main, t.product); },
          [&] { env.order->WebSvcSendOrderTemplate(&env.main, t.product); } },
        { "photo book", [&] { env.order->WebSvcInitOrderAlbum(&env.main, a.product); },
          [&] { env.order->WebSvcSendOrderAlbum(&env.main, a.product); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.build();
        try {
            c.post();
            ADD_FAILURE() << "posted";
        } catch (const EOrder& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("WebService: Can't post template order !"));
        }
        EXPECT_EQ(env.order->WebSvcOrderReceived(), nullptr);
    }
}

// The progress names products by their place in the order: it follows
// them into a reloaded order, forgets a product that leaves the order and
// drops what names no product.
TEST(OrderSendDesigned, ProgressFollowsTheProducts)
{
    SendEnv env;
    TPrintOrder& o = *env.order;
    Tirage2* format = addTemplateFormat(env, false);
    AlbumPhotographe2 model;
    TTemplateProduct* t0 = o.TemplateProductAdd(format, 1);
    TTemplateProduct* t1 = o.TemplateProductAdd(format, 1);
    TAlbumProduct* a0 = o.AlbumProductAdd(&model, 1);
    TOrderSendProgress& progress = o.SendProgress();
    auto mark = [&](TSubOrderKind kind, TProduct* p, qint32 id) {
        TOrderSendProgress::Item& item = progress.Get({ kind, p });
        item.labId = id;
        item.posted = true;
    };
    mark(TSubOrderKind::sokLabPrints, nullptr, 7001);
    mark(TSubOrderKind::sokTemplate, t1, 7002);
    mark(TSubOrderKind::sokAlbum, a0, 7003);

    std::vector<std::unique_ptr<TOrderSendProgressItem>> stored;
    for (TOrderSendProgressItem* item : o.SendProgressForSave()) {
        auto copy = std::make_unique<TOrderSendProgressItem>();
        copy->sub.kind = item->sub.kind;
        copy->productIndex = item->productIndex;
        copy->labId = item->labId;
        copy->posted = item->posted;
        stored.push_back(std::move(copy));
    }
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0]->productIndex, -1);
    EXPECT_EQ(stored[1]->productIndex, 1);
    EXPECT_EQ(stored[2]->productIndex, 0);
    // A fourth item names a product the reloaded order does not have.
    auto stray = std::make_unique<TOrderSendProgressItem>();
    stray->sub.kind = TSubOrderKind::sokAlbum;
    stray->productIndex = 4;
    stray->posted = true;
    stored.push_back(std::move(stray));

    TPrintOrder reloaded(&env.main);
    TTemplateProduct* r0 = reloaded.TemplateProductAdd(format, 1);
    TTemplateProduct* r1 = reloaded.TemplateProductAdd(format, 1);
    TAlbumProduct* ra = reloaded.AlbumProductAdd(&model, 1);
    reloaded.SetSendProgressLoaded(std::move(stored));
    TOrderSendProgress& back = reloaded.SendProgress();
    EXPECT_EQ(back.Items().size(), 3u);
    ASSERT_NE(back.Find({ TSubOrderKind::sokTemplate, r1 }), nullptr);
    EXPECT_EQ(back.Find({ TSubOrderKind::sokTemplate, r1 })->labId, 7002);
    EXPECT_EQ(back.Find({ TSubOrderKind::sokTemplate, r0 }), nullptr);
    ASSERT_NE(back.Find({ TSubOrderKind::sokAlbum, ra }), nullptr);
    EXPECT_EQ(back.Find({ TSubOrderKind::sokAlbum, ra })->labId, 7003);
    EXPECT_EQ(back.Find({ TSubOrderKind::sokLabPrints, nullptr })->labId, 7001);

    // A product taken out of the order takes its progress along; the
    // places of the others follow.
    o.TemplateProductDel(t0, false);
    ASSERT_EQ(o.SendProgressForSave().size(), 3u);
    EXPECT_EQ(o.SendProgressForSave()[1]->productIndex, 0);
    o.TemplateProductDel(t1, false);
    EXPECT_EQ(o.SendProgressForSave().size(), 2u);
    EXPECT_EQ(o.SendProgress().Find({ TSubOrderKind::sokTemplate, t1 }), nullptr);
}

// The lab order file of a later photo-book sub-order: the book's record
// with its pages and frames, its lines, and no order-level fees.
TEST(OrderSendDesigned, PhotoBookLabOrderFileMatchesTheGoldenFile)
{
    SendEnv env;
    TPrintOrder& o = *env.order;
    o.SetDateWithdrawal(QDateTime(QDate(2026, 3, 7), QTime(0, 0)));
    o.SetConsumerName(QStringLiteral("Martin"));
    o.SetConsumerPhone(QStringLiteral("0601020304"));
    AlbumFixture a(env);
    TOrderSend::DesignedFilesMake(&env.main, { TSubOrderKind::sokAlbum, a.product });
    o.WebSvcInitOrderAlbum(&env.main, a.product);
    const QString path = o.GenerateLabOrderFile(&env.main, false);

    const QString written = withoutCreationTime(QString::fromUtf8(testsupport::readAll(path)));
    const QString golden =
        QString::fromUtf8(testsupport::readAll(testsupport::dataPath(QStringLiteral("order_photo_book.xml"))));
    if (written != golden) {
        testsupport::writeAll(QDir::temp().filePath(QStringLiteral("order_photo_book.actual.xml")), written.toUtf8());
        FAIL() << "order.xml differs from the golden file:\n" << written.toStdString();
    }
}

// An order file holds the progress only while a send has something to
// remember; a file without it (an older one, or one saved before any send)
// loads as nothing sent yet.
TEST(OrderSendDesigned, ProgressInTheOrderFile)
{
    SendEnv env;
    TPrintOrder& o = *env.order;
    env.addPrint(o.TirageProductAdd(env.main.prints[0], 1), QStringLiteral("A.jpg"));
    const QString before = env.main.temp.filePath(QStringLiteral("before.xml"));
    o.Save(before);
    EXPECT_FALSE(testsupport::readAll(before).contains("SendProgress"));

    TOrderSendProgress::Item& item = o.SendProgress().Get({ TSubOrderKind::sokLabPrints, nullptr });
    item.labId = 7001;
    item.numero = QStringLiteral("K-0012-007001");
    item.posted = true;
    item.filed = true;
    o.SetDirty();
    const QString during = env.main.temp.filePath(QStringLiteral("during.xml"));
    o.Save(during);

    struct Case {
        const char* name;
        QString path;
        bool sent;
    } cases[] = {
        { "saved before the send", before, false },
        { "saved while the send was cut", during, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TPrintOrder> back = TPrintOrder::TryLoadCreate(&env.main, c.path);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->SendProgress().AnyDone(), c.sent);
        TOrderSendProgress::Item* kept = back->SendProgress().Find({ TSubOrderKind::sokLabPrints, nullptr });
        ASSERT_EQ(kept != nullptr, c.sent);
        if (!kept)
            continue;
        EXPECT_EQ(kept->labId, 7001);
        EXPECT_EQ(kept->numero, QStringLiteral("K-0012-007001"));
        EXPECT_TRUE(kept->posted);
        EXPECT_TRUE(kept->filed);
        EXPECT_FALSE(kept->printed);
        EXPECT_FALSE(kept->validated);
    }
}
