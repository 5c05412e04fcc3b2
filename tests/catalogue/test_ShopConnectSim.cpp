// The connection task and the background catalogue load against the lab
// simulator: what is fetched, what is cached, the off-line fallback.
#include "CatalogueFakes.h"

#include "LogCapture.h"
#include "ULangText.h"
#include "UShopConnect.h"
#include "UTools.h"
#include "UVisualsInfos.h"

#include <QFile>
#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

// The status lines the connection step would show.
class StatusRecorder : public IShopLoadCtrl {
public:
    void status(const QString& text) override
    {
        std::lock_guard lk(fSync);
        fLines << text;
    }
    void updateProgressBar(int, int, const TLangText&) override { }
    void hideProgressBar() override { }
    QStringList Lines() const
    {
        std::lock_guard lk(fSync);
        return fLines;
    }

private:
    mutable std::mutex fSync;
    QStringList fLines;
};

// Operations that fetch one catalogue part each, in the order of the
// background load: shop-wide, prints, photo books, templates.
const QStringList kPartOps = { QStringLiteral("GetConsumerByLogin"), QStringLiteral("GetConsumerPrints"),
                               QStringLiteral("GetConsumerAlbums"), QStringLiteral("GetConsumerTemplates") };

} // namespace

class ShopConnectSim : public CatalogueSimSuite {
protected:
    // One program start: a new main window, the connection task, and (when
    // connected) the background catalogue load to its end. Returns the
    // error of the connection, empty when connected.
    QString startAndConnect(std::unique_ptr<ConnecMain>& main, StatusRecorder& rec)
    {
        main = std::make_unique<ConnecMain>(fCfg.get());
        TShopConnect connect(main.get(), main.get(), &rec, nullptr);
        std::atomic<bool> done { false };
        QString error;
        main->Queue().AddCall([&] {
            try {
                connect.AsyncConnect();
            } catch (const std::exception& e) {
                error = ExceptionMessage(e);
            }
            done = true;
        });
        EXPECT_TRUE(testsupport::waitFor([&] { return done.load(); }));
        if (!error.isEmpty())
            return error;
        TShopInfo* shop = main->Conn().ShopInfo();
        EXPECT_NE(shop, nullptr);
        if (!shop)
            return QStringLiteral("no catalogue");
        shop->productInfoLoad(main.get());
        EXPECT_TRUE(testsupport::waitFor([&] { return main->Visibility(pvt_all) == pvm_visible; }))
            << "the background load ends";
        return QString();
    }

    static QStringList fetchedParts()
    {
        QStringList ops;
        for (const QJsonValue& v : sim->journal()) {
            const QString op = v.toObject().value(QStringLiteral("operation")).toString();
            if (kPartOps.contains(op))
                ops << op;
        }
        return ops;
    }

};

TEST_F(ShopConnectSim, FirstStartConnectsAndLoadsTheCatalogue)
{
    LogCapture log;
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());

    const QString text = log.Text();
    EXPECT_TRUE(text.contains(QStringLiteral("Connecting to webService: ") + sim->baseUrl()
                              + QStringLiteral("/LumLabService.svc")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Consumer = ID : 345")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Photographer = ID : 12 / Name: Demo Photo")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Use mode = Kiosk")));
    EXPECT_TRUE(text.contains(QStringLiteral("SetWebSvcShopInfo [CONNECTION] : Connection mode = 20")));
    EXPECT_TRUE(text.contains(QStringLiteral("TCtrlConnec.ShopInfoLoadOnLine: shop info full update")));
    EXPECT_EQ(rec.Lines().last(), QStringLiteral("Connected"));
    EXPECT_EQ(main->KioskInits(), 1);
    EXPECT_TRUE(main->Conn().IsOnline());
    EXPECT_EQ(main->Messages(), QStringList { QStringLiteral("Welcome to the demo shop!") });

    // Every part the consumer offers was fetched once and cached.
    EXPECT_EQ(fetchedParts(), kPartOps);
    for (const QString& p : { fCfg->GetShopInfoBootPath(), fCfg->GetShopInfoCommonPath(),
                              fCfg->GetShopInfoProdPrintPath(), fCfg->GetShopInfoProdTplPath(),
                              fCfg->GetShopInfoProdBookPath() })
        EXPECT_TRUE(QFile::exists(p)) << p.toStdString();
    TShopInfo* shop = main->Conn().ShopInfo();
    EXPECT_EQ(main->Visibility(pvt_common), pvm_visible);
    EXPECT_EQ(main->Visibility(pvt_print), shop->ProdPrint()->hasPrints() ? pvm_visible : pvm_hidden);
    EXPECT_EQ(main->Visibility(pvt_book), shop->ProdBook()->hasBooks() ? pvm_visible : pvm_hidden);
    EXPECT_EQ(shop->Common()->Photographer()->Id(), 12);
    EXPECT_TRUE(QFile::exists(fCfg->CalcLogoPath()));
    EXPECT_EQ(shop->Common()->GetPhotographerPriceFilepath(fCfg.get()), fCfg->CalcFilePricePath(QStringLiteral("prices.pdf")));
}

TEST_F(ShopConnectSim, TheDemoShopOffersEveryFamily)
{
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    TShopInfo* shop = main->Conn().ShopInfo();
    for (TProductVisibilityType t : { pvt_common, pvt_print, pvt_card, pvt_photoprod, pvt_calendar, pvt_book, pvt_all })
        EXPECT_EQ(main->Visibility(t), pvm_visible) << int(t);

    // Prints: the kiosk printer's format stays in the kiosk mode "I"; the
    // lab's order becomes the display order.
    TShopProdPrintInfo* print = shop->ProdPrint();
    QList<qint32> ids, positions;
    for (Tirage2* t : *print->PrintList()) {
        ids << t->Id();
        positions << t->PositionAffichage();
    }
    EXPECT_EQ(ids, (QList<qint32> { 101, 102, 103, 104, 105, 106 }));
    EXPECT_EQ(positions, (QList<qint32> { 1000, 1001, 1002, 1003, 1004, 1005 }));
    EXPECT_EQ(print->PrintTarifList()->Items(101)->Count(), 4);
    EXPECT_EQ(print->ProductGroupList()->Count(), 2);
    EXPECT_EQ(print->SurfaceGroupList()->Count(), 2);

    // Templates: a card, a designer print, a monthly and an annual calendar.
    TShopProdTplInfo* tpl = shop->ProdTpl();
    EXPECT_EQ(tpl->TemplateList()->Count(), 4);
    EXPECT_EQ(tpl->TemplatesVelmoraList()->Count(), 4);
    ASSERT_EQ(tpl->CalendarList()->Count(), 1);
    EXPECT_GE((*tpl->CalendarList())[0]->Images().size(), 12u);
    EXPECT_TRUE(tpl->hasCards() && tpl->hasPhotoprod() && tpl->hasCalendars());

    // Photo books: one size entry each, backgrounds of their family, page
    // models, the prices of the consumer's tariff type only.
    TShopProdBookInfo* book = shop->ProdBook();
    EXPECT_EQ(book->PhotographerAlbumList()->Count(), 2);
    ASSERT_EQ(book->AlbumSizeList()->Count(), 2);
    TAlbumSize* a4 = book->AlbumSizeList()->byWidthHeight(297, 210);
    ASSERT_NE(a4, nullptr);
    EXPECT_EQ(a4->BackgroundList().Count(), 3);
    EXPECT_EQ(a4->PageModelList().Count(), 3);
    EXPECT_EQ(book->AlbumCoverList()->Count(), 2);
    EXPECT_EQ(book->MaterColorList()->Count(), 2);
    EXPECT_EQ(book->BackgroundRangeList()->Count(), 3);
    for (PrixAlbum2* p : *book->AlbumPriceList())
        EXPECT_EQ(p->TypeDeTarif(), Tarif_TypeTarif::EurosMagasin);
    EXPECT_EQ(book->AlbumPriceList()->Count(), 4);
    int backgroundCalls = 0;
    for (const QJsonValue& v : sim->journal())
        backgroundCalls += v.toObject().value(QStringLiteral("operation")).toString()
            == QStringLiteral("GetFondsAlbumParFamille");
    EXPECT_EQ(backgroundCalls, 2) << "one call per family and page size";

    // The cached parts read back the same.
    std::unique_ptr<TShopProdBookInfo> cached = TShopProdBookInfo::TryLoadCreate(fCfg.get(), shop->TSprodBookInfo());
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->AlbumSizeList()->byWidthHeight(297, 210)->BackgroundList().Count(), 3);
    std::unique_ptr<TShopProdTplInfo> cachedTpl = TShopProdTplInfo::TryLoadCreate(fCfg.get(), shop->TSprodTplInfo());
    ASSERT_NE(cachedTpl, nullptr);
    EXPECT_EQ(cachedTpl->TemplateTarifList()->Count(), 4);
}

TEST_F(ShopConnectSim, AFamilyWhoseFlagIsOffStaysHidden)
{
    control({ { "cmd", "set" }, { "record", "zebconsumer" }, { "values", QJsonObject { { "HasBook", false } } } });
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    EXPECT_EQ(main->Visibility(pvt_book), pvm_hidden);
    EXPECT_EQ(main->Visibility(pvt_print), pvm_visible);
    EXPECT_FALSE(fetchedParts().contains(QStringLiteral("GetConsumerAlbums")));
}

TEST_F(ShopConnectSim, UnchangedStampsFetchNothingAndOneStampFetchesItsPart)
{
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    main.reset();

    sim->clearJournal();
    ASSERT_EQ(startAndConnect(main, rec), QString());
    EXPECT_EQ(fetchedParts(), QStringList()) << "a second start reads every part from the cache";
    EXPECT_TRUE(main->Messages().isEmpty()) << "the same message is not shown again";
    EXPECT_TRUE(main->Conn().ShopInfo()->CommonLoaded());
    main.reset();

    ASSERT_TRUE(control({ { "cmd", "set" }, { "record", "zebconsumer" },
                          { "values", QJsonObject { { "LastUpdateBook", "2024-05-01T08:00:00" } } } })
                    .value(QStringLiteral("ok"))
                    .toBool());
    sim->clearJournal();
    ASSERT_EQ(startAndConnect(main, rec), QString());
    EXPECT_EQ(fetchedParts(), QStringList { QStringLiteral("GetConsumerAlbums") });
    main.reset();

    control({ { "cmd", "set" }, { "record", "zebconsumer" },
              { "values", QJsonObject { { "LastUpdateConsumer", "2024-05-02T08:00:00" } } } });
    sim->clearJournal();
    ASSERT_EQ(startAndConnect(main, rec), QString());
    EXPECT_EQ(fetchedParts(), kPartOps) << "a changed consumer refetches every part";
}

TEST_F(ShopConnectSim, CorruptCacheFileIsFetchedAgain)
{
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    main.reset();

    const QString printFile = fCfg->GetShopInfoProdPrintPath();
    QFile::remove(printFile);
    ASSERT_TRUE(QFile::copy(testsupport::dataPath(QStringLiteral("corrupt-part.qzinf")), printFile));
    sim->clearJournal();
    LogCapture log;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    EXPECT_EQ(fetchedParts(), QStringList { QStringLiteral("GetConsumerPrints") });
    EXPECT_NE(main->Visibility(pvt_print), pvm_loading);
    EXPECT_NE(main->Visibility(pvt_print), pvm_error);
    EXPECT_NE(TShopProdPrintInfo::TryLoadCreate(fCfg.get(), main->Conn().ShopInfo()->TSprodPrintInfo()), nullptr)
        << "the part file is written anew";
    EXPECT_TRUE(log.Text().contains(QStringLiteral("unreadable cache file")));
}

TEST_F(ShopConnectSim, LabUnreachableUsesTheCacheOffLine)
{
    // A kiosk-mode account ("L") may work off-line.
    control({ { "cmd", "set" }, { "record", "zebconsumer" }, { "values", QJsonObject { { "BorneModeCommunication", "L" } } } });
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    main.reset();

    fCfg->SetServerUrl(QStringLiteral("http://127.0.0.1:1/"));
    LogCapture log;
    StatusRecorder offline;
    ASSERT_EQ(startAndConnect(main, offline), QString());
    EXPECT_EQ(offline.Lines().last(), QStringLiteral("Offline mode"));
    EXPECT_FALSE(main->Conn().IsOnline());
    EXPECT_EQ(main->Conn().QzConnectionMode(), 21);
    EXPECT_EQ(main->KioskInits(), 1);
    EXPECT_TRUE(log.Text().contains(QStringLiteral("AsyncConnect: Webservice not available")));
    EXPECT_TRUE(main->Conn().ShopInfo()->CommonLoaded()) << "the parts come from the cache";
}

TEST_F(ShopConnectSim, LabUnreachableWithoutCacheOrInModeIRefuses)
{
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    fCfg->SetServerUrl(QStringLiteral("http://127.0.0.1:1/"));
    EXPECT_EQ(startAndConnect(main, rec), QStringLiteral("Connection to ") + TAppTools::GetAppNameStr()
                  + QStringLiteral(" server not available.\nPlease connect to internet."));
    EXPECT_EQ(main->HandOvers(), 0);
    EXPECT_EQ(main->Conn().ShopInfo(), nullptr);
    main.reset();

    // The demo account talks in mode "I": it needs the lab.
    fCfg->SetServerUrl(sim->baseUrl() + QLatin1Char('/'));
    ASSERT_EQ(startAndConnect(main, rec), QString());
    main.reset();
    fCfg->SetServerUrl(QStringLiteral("http://127.0.0.1:1/"));
    EXPECT_EQ(startAndConnect(main, rec), QStringLiteral("The internet connection is not available.\nThis kiosk must "
                                                         "be connected to the internet to function."));
    EXPECT_EQ(main->Conn().ShopInfo(), nullptr);
}

TEST_F(ShopConnectSim, UnknownLoginIsRefused)
{
    control({ { "cmd", "answer" }, { "answer", "nil" }, { "operation", "GetZebconsumerByLogin" } });
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    EXPECT_EQ(startAndConnect(main, rec), QStringLiteral("Login is invalid"));
    EXPECT_EQ(main->HandOvers(), 0);
}

TEST_F(ShopConnectSim, FrameDetailsAnswerOnlyForTheirThemeAndSize)
{
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    TShopInfo* shop = main->Conn().ShopInfo();
    TTemplateVelmoraList* tpls = shop->ProdTpl()->TemplatesVelmoraList();
    ZebtemplateVelmora2* card = tpls->byId(901);  // theme 2, 105 x 148
    ZebtemplateVelmora2* print = tpls->byId(902); // theme 101, 300 x 200

    sim->clearJournal();
    EXPECT_FALSE(shop->LoadTemplateVelmoraInfo(2, 148, 105, main.get()));
    EXPECT_FALSE(shop->LoadTemplateVelmoraInfo(2, 105, 148, main.get())) << "the same key waits for the same task";
    ASSERT_TRUE(testsupport::waitFor([&] { return shop->LoadTemplateVelmoraInfo(2, 105, 148, main.get()); }));
    int fetches = 0;
    for (const QJsonValue& v : sim->journal())
        fetches += v.toObject().value(QStringLiteral("operation")).toString() == QStringLiteral("GetZebtemplatesVelmoraFrames");
    EXPECT_EQ(fetches, 1);
    EXPECT_TRUE(QFile::exists(fCfg->GetShopTplInfoPath(2, 105, 148)));

    ZebtemplateVelmoraFrameInfo* info = shop->GetTemplateVelmoraInfo(card);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Id(), 901);
    EXPECT_EQ(info->Cadres().Count(), 2);
    EXPECT_EQ(shop->GetTemplateVelmoraInfo(print), nullptr) << "another theme is not ready";

    // The same theme on another paper size is not ready either: never an
    // empty record that would leave the template without its frames.
    auto otherSize = std::make_unique<ZebtemplateVelmora2>();
    otherSize->setId(901);
    otherSize->setType_(2);
    otherSize->setLargeurPapier(210);
    otherSize->setHauteurPapier(297);
    EXPECT_EQ(shop->GetTemplateVelmoraInfo(otherSize.get()), nullptr);

    // A template of the loaded theme and size that the set lacks gets the empty record.
    auto missing = std::make_unique<ZebtemplateVelmora2>();
    missing->setId(999);
    missing->setType_(2);
    missing->setLargeurPapier(148);
    missing->setHauteurPapier(105);
    ASSERT_NE(shop->GetTemplateVelmoraInfo(missing.get()), nullptr);
    EXPECT_EQ(shop->GetTemplateVelmoraInfo(missing.get())->Id(), 0);
}

TEST_F(ShopConnectSim, PictureCachesFollowTheLabDigests)
{
    StatusRecorder rec;
    std::unique_ptr<ConnecMain> main;
    ASSERT_EQ(startAndConnect(main, rec), QString());
    const QString visualsXml = TVisualsInfosList::XmlPath(main.get());
    std::unique_ptr<TVisualsInfosList> list = TVisualsInfosList::LoadFromXmlFile(main.get());
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->List().Count(), 1);
    std::unique_ptr<TScrapInfosList> scrap = TScrapInfosList::LoadFromXmlFile(main.get());
    ASSERT_NE(scrap, nullptr) << "templates with products ask for the decorating pictures";
    EXPECT_GT(scrap->BorderList().Count(), 0);

    // Pictures are fetched when first shown; stand-ins for two of them:
    const QString kept = list->List()[0]->GetFilepath(main.get());
    const QString changed = list->List()[1]->GetFilepath(main.get());
    ASSERT_TRUE(testsupport::writeAll(kept, "jpeg"));
    ASSERT_TRUE(testsupport::writeAll(changed, "jpeg"));
    // The cached digest of the second one no longer matches the lab's.
    list->List()[1]->SetMd5(QStringLiteral("stale"));
    list->SetDirty();
    list->SaveToXmlFile(main.get());
    main.reset();

    ASSERT_EQ(startAndConnect(main, rec), QString());
    EXPECT_TRUE(QFile::exists(kept)) << "an unchanged picture keeps its file";
    EXPECT_FALSE(QFile::exists(changed)) << "a changed picture loses its file";
    main.reset();

    // A list that cannot be read starts empty and is written anew.
    ASSERT_TRUE(testsupport::writeAll(visualsXml, "<XmlSerializerV1_0><TVisualsInfosList"));
    ASSERT_EQ(startAndConnect(main, rec), QString());
    std::unique_ptr<TVisualsInfosList> again = TVisualsInfosList::LoadFromXmlFile(main.get());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->List().Count(), list->List().Count());
}
