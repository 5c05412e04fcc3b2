// The catalogue and the road of an order against the lab simulator on
// 127.0.0.1: what the kiosk reads, what it posts, and what the lab keeps.
#include "LabServiceSim.h"
#include "LumLabService.h"
#include "UNetHttp.h"
#include "USoapEnvelope.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDate>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class LabShopSim : public testsupport::LabServiceSimSuite {
protected:
    void SetUp() override
    {
        LabServiceSimSuite::SetUp();
        service = GetILumLabService(serviceUrl());
        asker = demoAsker();
    }

    ILumLabServicePtr service;
    std::unique_ptr<Demandeur2> asker;
};

using testsupport::expectStored;

void expectStoredLines(const LigneDeCommande2List& sent, const QJsonValue& stored)
{
    const QJsonArray lines = stored.toArray();
    ASSERT_EQ(lines.size(), qsizetype(sent.size()));
    for (size_t i = 0; i < sent.size(); ++i)
        expectStored(*sent[i], lines.at(qsizetype(i)), QStringLiteral("lignes[%1]").arg(i));
}

template <class T>
std::vector<const T*> view(const std::vector<std::unique_ptr<T>>& items)
{
    std::vector<const T*> out;
    for (const auto& item : items)
        out.push_back(item.get());
    return out;
}

const Tarif2* stepFor(const Tarif2List& steps, qint32 tirageId, qint32 quantity, Tarif_TypeTarif type)
{
    for (const auto& s : steps)
        if (s->TirageId() == tirageId && s->TypeDeTarif() == type && s->QuantiteMinimale() <= quantity
            && quantity <= s->QuantiteMaximale())
            return s.get();
    return nullptr;
}

// A header filled as the sending step fills the first sub-order of a send.
void fillHeader(Commande2& h, const Consommateur2& consumer, Commande_TypeCommande type)
{
    h.setType_(type);
    h.setId(LabOrderWire::kNewId);
    h.setStatut(LabOrderWire::kStatusPosted);
    h.setConsommateurId(consumer.Id());
    h.setAdresseLivraisonId(consumer.AdresseCouranteId());
    h.setCmdExpress(false);
    h.setCmdLocale(false);
    h.setCmdTirCalib(false);
    h.setLivraisonPostale(false);
    h.setCmdNomConso(QStringLiteral("Martin"));
    h.setCmdNumTelConso(QStringLiteral("0601020304"));
    h.setCommentaire(QStringLiteral("Matte if possible"));
    h.setReference(QString());
    h.setNumeroVersion(QStringLiteral("d010203w64"));
    h.setDateCommande(TXSDateTime(QDateTime(QDate(2024, 3, 5), QTime(14, 30))));
    h.setDatePassage(TXSDateTime(QDateTime(QDate(2024, 3, 6), QTime(10, 0))));
    h.setFraisDePriseEnCharge(0.0);
}

std::unique_ptr<LigneDeCommande2> line(qint32 channel, qint32 tirageId, const QString& image, qint32 quantity,
                                       qint64 bytes)
{
    auto l = std::make_unique<LigneDeCommande>();
    l->setChannel(channel);
    l->setCoefficientPrix(TXSDecimal::FromFixed4(10000));
    l->setCommandeId(LabOrderWire::kNewId);
    l->setId(LabOrderWire::kNewId);
    l->setImage(image);
    l->setQuantite(quantity);
    l->setTailleImage(LabOrderWire::SizeInKiB(bytes));
    l->setUnitePacks(0);
    if (tirageId != 0) {
        l->setNomFichier(image.section(QLatin1Char('.'), 0, 0));
        l->setTirageId(tirageId);
        l->setUnitePrix(-1.0);
    } else {
        l->setUnitePrix(0.0);
    }
    return l;
}

} // namespace

// Consumer, store, channels, prints, tariffs, a delivery address, two
// sub-orders (lab prints, then the kiosk printer's), status "CRE", the
// payment status, and the history: what the lab keeps is what was sent.
TEST_F(LabShopSim, PrintOrderRoad)
{
    std::unique_ptr<Consommateur2> consumer = service->GetConsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(consumer, nullptr);
    std::unique_ptr<Photographe2> store = service->GetPhotographerById(asker.get(), consumer->PhotographeId());
    ASSERT_NE(store, nullptr);

    const Channel2List channels = service->GetChannels(asker.get(), store->Id());
    ASSERT_FALSE(channels.empty());
    const Tirage2List prints = service->GetConsumerPrints(asker.get(), consumer->Id());
    ASSERT_FALSE(prints.empty());
    const Tirage2* labPrint = nullptr;
    const Tirage2* kioskPrint = nullptr;
    for (const auto& p : prints) {
        if (!p->ImprimanteBorneNomWindows().isEmpty() && kioskPrint == nullptr)
            kioskPrint = p.get();
        else if (p->ImprimanteBorneNomWindows().isEmpty() && p->Channel() != 0 && labPrint == nullptr)
            labPrint = p.get();
    }
    ASSERT_NE(labPrint, nullptr);
    ASSERT_NE(kioskPrint, nullptr);
    EXPECT_EQ(labPrint->Largeur(), 10);
    EXPECT_EQ(labPrint->Longueur(), 15);
    // A lab product prints on one of the store's channels.
    bool channelFound = false;
    for (const auto& c : channels)
        channelFound = channelFound || c->Numero() == labPrint->Channel();
    EXPECT_TRUE(channelFound);

    ArrayOfint ids;
    for (const auto& p : prints)
        ids.push_back(p->Id());
    const Tarif2List steps = service->GetPrintsTarifs(asker.get(), ids);
    ASSERT_FALSE(steps.empty());
    for (const auto& s : steps)
        EXPECT_NE(std::find(ids.begin(), ids.end(), s->TirageId()), ids.end());
    const Tarif2* bulk = stepFor(steps, labPrint->Id(), 60, consumer->TypeTarif());
    const Tarif2* few = stepFor(steps, labPrint->Id(), 2, consumer->TypeTarif());
    ASSERT_NE(bulk, nullptr);
    ASSERT_NE(few, nullptr);
    EXPECT_LT(bulk->CoutEnPrix(), few->CoutEnPrix());

    // The postal delivery address is registered first.
    Adresse delivery;
    delivery.setId(LabOrderWire::kNewId);
    delivery.setType_(QStringLiteral("LIVR"));
    delivery.setIdentite(QStringLiteral("M. Martin"));
    delivery.setRue(QStringLiteral("5 rue des Lilas"));
    delivery.setCodePostal(QStringLiteral("31000"));
    delivery.setVille(QStringLiteral("Toulouse"));
    const qint32 addressId = service->AddAddress(asker.get(), &delivery);
    ASSERT_GT(addressId, 0);

    Commande first;
    fillHeader(first, *consumer, Commande_TypeCommande::Tirages);
    first.setLivraisonPostale(true);
    first.setAdresseLivraisonId(addressId);
    first.setCmdForImprimanteBorne(false);
    first.setCmdPrintDateFormat(QString());
    first.setFraisDePort(store->FraisDePortEnPrix());
    first.setFraisDePriseEnCharge(store->FraisDePriseEnCharge());
    LigneDeCommande2List firstLines;
    firstLines.push_back(line(labPrint->Channel(), labPrint->Id(), QStringLiteral("IMG_0001.jpg"), 60, 1500));
    firstLines.push_back(line(labPrint->Channel(), labPrint->Id(), QStringLiteral("IMG_0002.jpg"), 2, 2500000));

    std::unique_ptr<Commande2> answer = service->PasserCommande(asker.get(), &first, view(firstLines));
    ASSERT_NE(answer, nullptr);
    EXPECT_FALSE(answer->Numero().isEmpty());
    EXPECT_GT(answer->Id(), 0);
    EXPECT_EQ(answer->SoldePacks(), consumer->SoldePacks());
    EXPECT_EQ(answer->Type_(), Commande_TypeCommande::Tirages);
    EXPECT_EQ(answer->Statut(), LabOrderWire::kStatusPosted);

    // The kiosk printer's prints: a later sub-order of the same send.
    Commande second;
    fillHeader(second, *consumer, Commande_TypeCommande::Tirages);
    second.setCmdForImprimanteBorne(true);
    second.setCmdMainId(answer->Id());
    second.setLivraisonPostale(true);
    second.setAdresseLivraisonId(addressId);
    second.setFraisDePort(0.0);
    LigneDeCommande2List secondLines;
    secondLines.push_back(line(0, kioskPrint->Id(), QStringLiteral("IMG_0003"), 1, 0));
    std::unique_ptr<Commande2> answer2 = service->PasserCommande(asker.get(), &second, view(secondLines));
    ASSERT_NE(answer2, nullptr);
    EXPECT_NE(answer2->Id(), answer->Id());
    EXPECT_NE(answer2->Numero(), answer->Numero());

    // Once the pictures' folder carries the lab's number: "CRE", then the
    // payment at the shop.
    EXPECT_TRUE(service->ModifyOrderStatus(asker.get(), answer->Id(), LabOrderWire::kStatusCreated));
    EXPECT_TRUE(service->ModifyOrderStatus(asker.get(), answer2->Id(), LabOrderWire::kStatusCreated));
    EXPECT_TRUE(service->ModifyOrderPaymentStatus(asker.get(), answer->Id(), LabOrderWire::kPaymentShop));
    EXPECT_TRUE(service->ModifyOrderPaymentStatus(asker.get(), answer2->Id(), LabOrderWire::kPaymentShop));
    EXPECT_FALSE(service->ModifyOrderStatus(asker.get(), 424242, LabOrderWire::kStatusCreated));
    EXPECT_FALSE(service->ModifyOrderPaymentStatus(asker.get(), 424242, LabOrderWire::kPaymentShop));

    const QJsonObject orders = storedOrders();
    ASSERT_EQ(orders.size(), 2);
    const QJsonObject kept = orders.value(QString::number(answer->Id())).toObject();
    EXPECT_EQ(kept.value(QStringLiteral("Numero")).toString(), answer->Numero());
    EXPECT_EQ(kept.value(QStringLiteral("operation")).toString(), QStringLiteral("PasserCommande"));
    EXPECT_EQ(kept.value(QStringLiteral("status")).toString(), QStringLiteral("CRE"));
    EXPECT_EQ(kept.value(QStringLiteral("status_history")).toArray(), QJsonArray({"ECC", "CRE"}));
    EXPECT_EQ(kept.value(QStringLiteral("payment_status")).toString(), QStringLiteral("EUR"));
    expectStored(first, kept.value(QStringLiteral("order")), QStringLiteral("order"));
    expectStoredLines(firstLines, kept.value(QStringLiteral("lignes")));
    const QJsonObject kept2 = orders.value(QString::number(answer2->Id())).toObject();
    expectStored(second, kept2.value(QStringLiteral("order")), QStringLiteral("order"));
    expectStoredLines(secondLines, kept2.value(QStringLiteral("lignes")));

    // The history lists the new orders first, as the lab priced them.
    const HistoConsoCommande2List history = service->GetConsumerLastOrders(asker.get(), consumer->Id(), 100);
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(history[0]->Id(), answer2->Id());
    EXPECT_EQ(history[1]->Id(), answer->Id());
    EXPECT_EQ(history[1]->Numero(), answer->Numero());
    EXPECT_EQ(history[1]->StatutPaiement(), QStringLiteral("EUR"));
    EXPECT_EQ(history[1]->Statut(), HistoConsoCommande_StatutCommande::Creee);
    const qint64 expected = LabOrderWire::MoneyFromWire(60 * bulk->CoutEnPrix() + 2 * few->CoutEnPrix())
        + LabOrderWire::MoneyFromWire(store->FraisDePortEnPrix())
        + LabOrderWire::MoneyFromWire(store->FraisDePriseEnCharge());
    EXPECT_EQ(LabOrderWire::MoneyFromWire(history[1]->Montant()), expected);
    EXPECT_EQ(history[1]->DateCommande()->NativeToXS(), first.DateCommande()->NativeToXS());
}

// A photo book and a monthly calendar posted with their pages and frames;
// the lab keeps them exactly, the empty frame record of a page included.
TEST_F(LabShopSim, BookAndCalendarOrders)
{
    std::unique_ptr<Consommateur2> consumer = service->GetConsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(consumer, nullptr);
    const AlbumPhotographe2List books = service->GetConsumerAlbums(asker.get(), consumer->Id());
    ASSERT_FALSE(books.empty());
    const AlbumPhotographe2& product = *books[0];

    CommandeAlbum book;
    fillHeader(book, *consumer, Commande_TypeCommande::Albums);
    book.setAlbumPhotographeId(product.AlbumPhotographeId());
    book.setAlbumQuantite(1);
    book.setAlbumTypeTarif(consumer->TypeTarif());
    book.setChannel(product.Channel());
    book.setChannelCouvertureImprimee(product.ChannelCouvertureImprimee());
    book.setHauteurPage(product.HauteurPage());
    book.setLargeurPage(product.LargeurPage());
    book.setMargeInfoTechnique(product.MargeInfoTechnique());
    book.setRectoVerso(product.RectoVerso());
    LigneDeCommande2List bookLines;
    bookLines.push_back(line(product.ChannelCouvertureImprimee(), 0, QStringLiteral("cover.jpg"), 1, 80000));
    CommandeAlbumPage2List pages;
    auto cover = std::make_unique<CommandeAlbumPage>();
    CommandeAlbumCadre2List frames;
    auto frame = std::make_unique<CommandeAlbumCadre>();
    frame->setAngleRotation(-12.5);
    frame->setCmdLignId(0);
    frame->setCommandeAlbumPageId(0);
    frame->setCouleurLisere(LabOrderWire::BorderColour(0xFFFF0000u));
    frame->setHauteur(100);
    frame->setLargeur(150.75);
    frame->setLargeurLisere(1.5);
    frame->setX(20);
    frame->setY(30);
    frame->setZoneTexte(false);
    frames.push_back(std::move(frame));
    cover->setCadres(std::move(frames));
    cover->setCommandeId(LabOrderWire::kNewId);
    cover->setId(LabOrderWire::kNewId);
    cover->setNumeroPage(0);
    pages.push_back(std::move(cover));
    auto empty = std::make_unique<CommandeAlbumPage>();
    CommandeAlbumCadre2List none;
    none.push_back(std::make_unique<CommandeAlbumCadre>());
    empty->setCadres(std::move(none));
    empty->setCommandeId(LabOrderWire::kNewId);
    empty->setId(LabOrderWire::kNewId);
    empty->setNumeroPage(3);
    pages.push_back(std::move(empty));
    const std::vector<const CommandeAlbumPage2*> pageView = view(pages);
    book.setAlbumPages(std::move(pages));

    std::unique_ptr<CommandeAlbum2> bookAnswer = service->AddOrderAlbum(asker.get(), &book, view(bookLines), pageView);
    ASSERT_NE(bookAnswer, nullptr);
    EXPECT_FALSE(bookAnswer->Numero().isEmpty());
    EXPECT_EQ(bookAnswer->Type_(), Commande_TypeCommande::Albums);
    EXPECT_EQ(bookAnswer->AlbumPhotographeId(), product.AlbumPhotographeId());
    ASSERT_EQ(bookAnswer->AlbumPages().size(), 2u);

    const Tirage2List templates = service->GetConsumerTemplates(asker.get(), consumer->Id());
    const Tirage2* calendarProduct = nullptr;
    for (const auto& t : templates)
        if (t->TemplateCalendrierMois())
            calendarProduct = t.get();
    ASSERT_NE(calendarProduct, nullptr);
    CommandeTemplate calendar;
    fillHeader(calendar, *consumer, Commande_TypeCommande::Templates);
    calendar.setCmdMainId(bookAnswer->Id());
    calendar.SetStartMonthCount(12 * 2025 + 0);
    calendar.setChannel(calendarProduct->Channel());
    calendar.setTemplateCalendrierId(61);
    calendar.setTemplateHauteur(calendarProduct->TemplateHauteur());
    calendar.setTemplateLargeur(calendarProduct->TemplateLargeur());
    calendar.setTemplateVelmoraId(900);
    calendar.setTemplatePU(-1.0);
    calendar.setTemplatePictIdRectoHD(9301);
    calendar.setTemplateQuantite(2);
    calendar.setTemplateTypeTarif(consumer->TypeTarif());
    calendar.setTirageId(calendarProduct->Id());
    LigneDeCommande2List calendarLines;
    calendarLines.push_back(line(calendarProduct->Channel(), 0, QStringLiteral("january.jpg"), 1, 3000));
    CommandeTemplateCadre2List calendarFrames;
    auto cf = std::make_unique<CommandeTemplateCadre>();
    cf->setAngleRotation(0);
    cf->setBackground(false);
    cf->setCmdLignId(0);
    cf->setCouleurLisere(QString());
    cf->setHauteur(140);
    cf->setIdFond(900);
    cf->setLargeur(190);
    cf->setLargeurLisere(0);
    cf->setNumeroPage(2);
    cf->setX(10);
    cf->setY(10);
    cf->setZoneTexte(false);
    calendarFrames.push_back(std::move(cf));
    calendar.setTemplateCadres(std::move(calendarFrames));

    std::unique_ptr<CommandeTemplate2> calendarAnswer =
        service->AddOrderTemplate(asker.get(), &calendar, view(calendarLines));
    ASSERT_NE(calendarAnswer, nullptr);
    EXPECT_FALSE(calendarAnswer->Numero().isEmpty());
    EXPECT_EQ(calendarAnswer->AnneeDepart(), 2025);
    EXPECT_EQ(calendarAnswer->MoisDepart(), 1);

    const QJsonObject orders = storedOrders();
    const QJsonObject keptBook = orders.value(QString::number(bookAnswer->Id())).toObject();
    EXPECT_EQ(keptBook.value(QStringLiteral("operation")).toString(), QStringLiteral("AddOrderAlbum"));
    expectStored(book, keptBook.value(QStringLiteral("order")), QStringLiteral("order"));
    expectStoredLines(bookLines, keptBook.value(QStringLiteral("lignes")));
    const QJsonArray keptPages = keptBook.value(QStringLiteral("pages")).toArray();
    ASSERT_EQ(keptPages.size(), 2);
    for (qsizetype i = 0; i < keptPages.size(); ++i)
        expectStored(*pageView[size_t(i)], keptPages.at(i), QStringLiteral("pages[%1]").arg(i));
    // The empty frame record arrived as a record without members.
    EXPECT_EQ(keptPages.at(1).toObject().value(QStringLiteral("Cadres")).toArray(), QJsonArray({QJsonObject()}));

    const QJsonObject keptCalendar = orders.value(QString::number(calendarAnswer->Id())).toObject();
    expectStored(calendar, keptCalendar.value(QStringLiteral("order")), QStringLiteral("order"));
    expectStoredLines(calendarLines, keptCalendar.value(QStringLiteral("lignes")));
}

// Posts that break the lab's rules are refused with a SOAP fault, which
// reaches the caller as ENetHttp; the lab keeps nothing of them.
TEST_F(LabShopSim, RefusedPostsKeepNothing)
{
    std::unique_ptr<Consommateur2> consumer = service->GetConsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(consumer, nullptr);
    struct Case {
        const char* name;
        std::function<void(Commande2&, LigneDeCommande2List&)> spoil;
        const char* fault;
    } cases[] = {
        {"Id already set", [](Commande2& h, LigneDeCommande2List&) { h.setId(0); },
         "a new order must have the Id -1, not 0"},
        {"status not ECC", [](Commande2& h, LigneDeCommande2List&) { h.setStatut(QStringLiteral("CRE")); },
         "a new order must have the status ECC"},
        {"kind does not match", [](Commande2& h, LigneDeCommande2List&) { h.setType_(Commande_TypeCommande::Albums); },
         "the order kind is Albums, expected Tirages"},
        {"main order unknown", [](Commande2& h, LigneDeCommande2List&) { h.setCmdMainId(999); },
         "CmdMainId 999 names no order"},
        {"line with an Id", [](Commande2&, LigneDeCommande2List& l) { l[0]->setId(5); },
         "line 0 must have Id and CommandeId -1"},
        {"unknown product", [](Commande2&, LigneDeCommande2List& l) { l[0]->setTirageId(4242); },
         "line 0 names the unknown product 4242"},
        {"another consumer", [](Commande2& h, LigneDeCommande2List&) { h.setConsommateurId(1); },
         "unknown consumer 1"},
        {"number given by the kiosk", [](Commande2& h, LigneDeCommande2List&) { h.setNumero(QStringLiteral("X1")); },
         "the order number is the lab's to give"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Commande h;
        fillHeader(h, *consumer, Commande_TypeCommande::Tirages);
        LigneDeCommande2List lines;
        lines.push_back(line(1, 101, QStringLiteral("IMG_0001.jpg"), 1, 2048));
        c.spoil(h, lines);
        try {
            service->PasserCommande(asker.get(), &h, view(lines));
            ADD_FAILURE() << "the post was taken";
        } catch (const ENetHttp& e) {
            EXPECT_TRUE(e.Message().contains(QLatin1String("500"))) << e.Message().toStdString();
            EXPECT_TRUE(e.HttpMsgText().contains(QLatin1String(c.fault))) << e.HttpMsgText().toStdString();
        }
    }

    // A frame that points to a line the order does not have.
    CommandeTemplate t;
    fillHeader(t, *consumer, Commande_TypeCommande::Templates);
    CommandeTemplateCadre2List frames;
    frames.push_back(std::make_unique<CommandeTemplateCadre>());
    frames.back()->setCmdLignId(1);
    t.setTemplateCadres(std::move(frames));
    LigneDeCommande2List lines;
    lines.push_back(line(4, 0, QStringLiteral("a.jpg"), 1, 10));
    try {
        service->AddOrderTemplate(asker.get(), &t, view(lines));
        ADD_FAILURE() << "the post was taken";
    } catch (const ENetHttp& e) {
        EXPECT_TRUE(e.HttpMsgText().contains(QLatin1String("a frame refers to line 1, the order has 1 lines")))
            << e.HttpMsgText().toStdString();
    }
    EXPECT_TRUE(storedOrders().isEmpty());
}

TEST_F(LabShopSim, PrintCatalogue)
{
    const Channel2List channels = service->GetChannels(asker.get(), 12);
    ASSERT_EQ(channels.size(), 6u);
    EXPECT_EQ(channels[0]->Numero(), 1);
    EXPECT_EQ(channels[0]->Largeur(), 102);
    EXPECT_DOUBLE_EQ(channels[0]->TauxCompression(), 92.0);
    EXPECT_TRUE(service->GetChannels(asker.get(), 99).empty());

    const Tirage2List prints = service->GetConsumerPrints(asker.get(), 345);
    ASSERT_EQ(prints.size(), 6u);
    const Tirage2& kiosk = *prints[4];
    EXPECT_EQ(kiosk.ImprimanteBorneNomWindows(), QStringLiteral("DNP DS620"));
    EXPECT_EQ(kiosk.Channel(), 0);
    // Members the lab leaves nil are read as set and nil.
    EXPECT_TRUE(prints[0]->PackQty_Specified());
    EXPECT_TRUE(TRttiCache::Get(*prints[0]).PropInfoForWrite(QStringLiteral("PackQty"))->IsNil(*prints[0]));
    EXPECT_EQ(prints[0]->PackQty(), 0);
    EXPECT_EQ(prints[5]->PackQty(), 4);
    EXPECT_EQ(prints[3]->Prefixe(), QStringLiteral("Poster\r\nlarge"));
    EXPECT_EQ(prints[0]->TypeDeTarif(), Tarif_TypeTarif::EurosMagasin);

    const Tarif2List steps = service->GetPrintsTarifs(asker.get(), {101, 104});
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[0]->TirageId(), 101);
    EXPECT_DOUBLE_EQ(steps[0]->CoutEnPrix(), 0.25);
    EXPECT_EQ(steps[3]->TypeDeTarif(), Tarif_TypeTarif::Packs);
    EXPECT_TRUE(service->GetPrintsTarifs(asker.get(), {}).empty());

    const GroupeProduitPhotographe2List formats =
        service->GetPhotographerProductGroups(asker.get(), 12, GroupeProduitPhotographe_TypeGroupe::Tirages_Format);
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[1]->NumeroRessource(), 2);
    EXPECT_EQ(formats[1]->Type_(), GroupeProduitPhotographe_TypeGroupe::Tirages_Format);
    const GroupeProduitPhotographe2List papers = service->GetPhotographerProductGroups(
        asker.get(), 12, GroupeProduitPhotographe_TypeGroupe::Tirages_TypePapier);
    ASSERT_EQ(papers.size(), 2u);
    EXPECT_EQ(papers[0]->Type_(), GroupeProduitPhotographe_TypeGroupe::Tirages_TypePapier);

    std::unique_ptr<Vignette2> picture = service->GetVignette(asker.get(), 3001);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->Image().startsWith("\x89PNG"));
    EXPECT_EQ(picture->MD5(),
              QString::fromLatin1(QCryptographicHash::hash(picture->Image(), QCryptographicHash::Md5).toHex()));
    EXPECT_EQ(service->GetVignette(asker.get(), 1), nullptr);
}

TEST_F(LabShopSim, AlbumCatalogueAndDecorations)
{
    const AlbumPhotographe2List books = service->GetConsumerAlbums(asker.get(), 345);
    ASSERT_EQ(books.size(), 2u);
    const AlbumPhotographe2& b = *books[0];
    EXPECT_EQ(b.AlbumPhotographeId(), 55);
    EXPECT_EQ(b.CouvertureId(), 11);
    EXPECT_EQ(b.LargeurPage(), 297);
    EXPECT_EQ(b.HauteurPage(), 210);
    EXPECT_TRUE(b.CouvertureImprimee());
    EXPECT_EQ(b.AlbVrmTexture(), AlbumVelmora_Texture::Rigide);
    EXPECT_EQ(b.TypesDeTarif(), (Tarif_TypeTarifList{Tarif_TypeTarif::EurosMagasin, Tarif_TypeTarif::Packs}));
    EXPECT_EQ(books[1]->NombrePagesMini(), books[1]->NombrePagesMaxi());

    const PrixAlbum2List prices = service->GetPhotographerAlbumsTarifs(asker.get(), 12);
    ASSERT_EQ(prices.size(), 6u);
    EXPECT_TRUE(prices[1]->EstTarifPageSupplementaire());
    EXPECT_DOUBLE_EQ(prices[5]->Cout(), 2.6);

    const Couverture2List covers = service->GetCouverturesParListe(asker.get(), {11}, false);
    ASSERT_EQ(covers.size(), 1u);
    ASSERT_NE(covers[0]->Image(), nullptr);
    EXPECT_EQ(covers[0]->Image()->VignetteId(), 3001);
    EXPECT_TRUE(covers[0]->Image()->Image().isEmpty());
    EXPECT_FALSE(covers[0]->Image()->MD5().isEmpty());
    EXPECT_EQ(covers[0]->ImageHD(), nullptr);
    const Couverture2List withPictures = service->GetCouverturesParListe(asker.get(), {11, 12}, true);
    ASSERT_EQ(withPictures.size(), 2u);
    EXPECT_TRUE(withPictures[0]->Image()->Image().startsWith("\x89PNG"));

    const CouleurMatiere2List materials = service->GetCouleurMatieresParListe(asker.get(), {22}, false);
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0]->Description(), QStringLiteral("Red leather"));

    const FondAlbum2List backgrounds = service->GetFondsAlbumParFamille(asker.get(), 5, 297, 210, false);
    ASSERT_EQ(backgrounds.size(), 3u);
    EXPECT_EQ(backgrounds[0]->Id(), 310);
    EXPECT_TRUE(service->GetFondsAlbumParFamille(asker.get(), 5, 200, 200, false).empty());

    const QStringList models = service->GetZebModelesPage(asker.get(), 297, 210);
    ASSERT_EQ(models.size(), 3);
    EXPECT_EQ(models[0], QStringLiteral("0;1|20;20;257;170"));

    const GammeFond2List ranges = service->GetZebGammeFonds(asker.get());
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(ranges[0]->FondAlbumIds(), (ArrayOfint{310, 311}));

    const ScrapFrame2List scraps = service->GetScrapFrames(asker.get());
    ASSERT_EQ(scraps.size(), 2u);
    EXPECT_EQ(scraps[1]->DpiX(), 0);
    EXPECT_TRUE(TRttiCache::Get(*scraps[1]).PropInfoForWrite(QStringLiteral("DpiY"))->IsNil(*scraps[1]));

    const KeyValueOfstringstringList digests = service->GetVignettesDecoMD5(asker.get(), {});
    ASSERT_EQ(digests.size(), 3u);
    EXPECT_EQ(digests[0]->Key(), QStringLiteral("heart.png"));
    std::unique_ptr<VignetteDeco2> stars = service->GetVignetteDeco(asker.get(), QStringLiteral("stars.png"));
    ASSERT_NE(stars, nullptr);
    EXPECT_EQ(stars->MD5(), digests[2]->Value());
    EXPECT_EQ(QCryptographicHash::hash(stars->Image(), QCryptographicHash::Md5).toHex(), stars->MD5().toLatin1());
    EXPECT_EQ(service->GetVignetteDeco(asker.get(), QStringLiteral("../etc/passwd")), nullptr);
}

TEST_F(LabShopSim, TemplateCatalogue)
{
    const Tirage2List products = service->GetConsumerTemplates(asker.get(), 345);
    ASSERT_EQ(products.size(), 4u);
    EXPECT_TRUE(products[0]->TemplateCalendrierMois());
    EXPECT_EQ(products[1]->TemplateLargeur(), 148);
    EXPECT_TRUE(products[1]->TemplateRectoVerso());

    // The annual calendar: a format that is no monthly calendar and its
    // template of type 1 without month grids.
    EXPECT_FALSE(products[3]->TemplateCalendrierMois());
    EXPECT_EQ(products[3]->TemplateHauteur(), 420);

    const ZebtemplateVelmora2List templates = service->GetZebtemplatesVelmoraBase(asker.get());
    ASSERT_EQ(templates.size(), 4u);
    EXPECT_EQ(templates[3]->Type_(), 1);
    EXPECT_FALSE(templates[3]->CalendrierMois());
    EXPECT_EQ(templates[0]->Type_(), 1);
    EXPECT_EQ(templates[0]->TemplateCalendrierIds(), (ArrayOfint{61}));
    EXPECT_EQ(templates[0]->VersoHDid(), 0);
    EXPECT_EQ(templates[1]->CodeLangue(), QStringLiteral("FR"));
    EXPECT_TRUE(templates[1]->TemplateCalendrierIds_Specified());
    EXPECT_TRUE(templates[1]->TemplateCalendrierIds().empty());
    EXPECT_TRUE(TRttiCache::Get(*templates[2]).PropInfoForWrite(QStringLiteral("VersoSDid"))->IsNil(*templates[2]));

    const TemplateCalendrier2List calendars = service->GetTemplatesCalendrier(asker.get());
    ASSERT_EQ(calendars.size(), 1u);
    const TemplateCalendrier2& cal = *calendars[0];
    // Month grids from 2025 to the current year, twelve a year.
    const size_t years = size_t(std::max(2025, QDate::currentDate().year()) - 2025 + 1);
    ASSERT_EQ(cal.Images().size(), 12u * years);
    EXPECT_EQ(cal.Images()[0]->Annee(), 2025);
    EXPECT_EQ(cal.Images()[11]->Mois(), 12);
    EXPECT_EQ(cal.Images().back()->Annee(), 2025 + int(years) - 1);
    ASSERT_NE(cal.Images()[0]->PictIdSD(), nullptr);
    EXPECT_EQ(cal.Images()[0]->PictIdSD()->VignetteId(), 3401);
    ASSERT_NE(cal.VisuelImage(), nullptr);

    const QStringList frames = service->GetZebtemplatesVelmoraFrames(asker.get(), -2, 210, 297);
    EXPECT_EQ(frames, QStringList({QStringLiteral("900|1;10;10;190;140;0;0#2;10;150;190;137;1;0")}));
    EXPECT_TRUE(service->GetZebtemplatesVelmoraFrames(asker.get(), 7, 210, 297).isEmpty());
}

TEST_F(LabShopSim, HistoryOfTheAccount)
{
    const HistoConsoCommande2List history = service->GetConsumerLastOrders(asker.get(), 345, 100);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0]->Numero(), QStringLiteral("K-0012-006001"));
    EXPECT_EQ(history[0]->Statut(), HistoConsoCommande_StatutCommande::TirageFini);
    EXPECT_EQ(history[1]->Statut(), HistoConsoCommande_StatutCommande::Annulee);
    EXPECT_TRUE(history[1]->Reference_Specified());
    EXPECT_TRUE(history[1]->Reference().isEmpty());
    EXPECT_EQ(service->GetConsumerLastOrders(asker.get(), 345, 1).size(), 1u);
    EXPECT_TRUE(service->GetConsumerLastOrders(asker.get(), 999, 100).empty());
}

// The caller treats a missing answer as a failed post; a fault or a reply
// of the wrong shape ends the call with an error; the lab's special answers
// reach every shop operation.
TEST_F(LabShopSim, AnswersThatAreNoOrder)
{
    auto answerNext = [](const char* kind, const char* operation) {
        ASSERT_TRUE(control({{"cmd", "answer"}, {"answer", kind}, {"operation", operation}})
                        .value(QStringLiteral("ok"))
                        .toBool());
    };
    std::unique_ptr<Consommateur2> consumer = service->GetConsumerByLogin(asker.get(), QStringLiteral("kiosk-demo"));
    ASSERT_NE(consumer, nullptr);
    Commande h;
    fillHeader(h, *consumer, Commande_TypeCommande::Tirages);
    LigneDeCommande2List lines;
    lines.push_back(line(1, 101, QStringLiteral("IMG_0001.jpg"), 1, 2048));

    answerNext("nil", "PasserCommande");
    EXPECT_EQ(service->PasserCommande(asker.get(), &h, view(lines)), nullptr);
    answerNext("fault", "PasserCommande");
    EXPECT_THROW(service->PasserCommande(asker.get(), &h, view(lines)), ENetHttp);
    answerNext("wrong_type", "PasserCommande");
    EXPECT_THROW(service->PasserCommande(asker.get(), &h, view(lines)), ESoapReplyError);
    answerNext("wrong_type", "ModifyOrderStatus");
    EXPECT_THROW(service->ModifyOrderStatus(asker.get(), 7001, QStringLiteral("CRE")), ESoapReplyError);
    answerNext("wrong_type", "GetConsumerPrints");
    EXPECT_THROW(service->GetConsumerPrints(asker.get(), 345), ESoapReplyError);
    answerNext("html", "GetChannels");
    EXPECT_ANY_THROW(service->GetChannels(asker.get(), 12));
    // The lab kept the three posts it answered as if they were taken (the
    // special answer replaces the reply, not the work).
    EXPECT_EQ(storedOrders().size(), 3);
}
