// Order requests as the kiosk posts them, byte for byte against envelopes
// written by hand, and the conventions that decide their members.
#include "LumLabService.h"
#include "USoapEnvelope.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<Demandeur2> requester()
{
    auto d = std::make_unique<Demandeur>();
    d->setVersion(QStringLiteral("d010203w64"));
    d->setLogin(QStringLiteral("kiosk-demo"));
    d->setTypeDemandeur(Demandeur_Profil::Consommateur);
    d->setPassword(QStringLiteral("Q7#secret!K4"));
    return d;
}

TXSDateTime at(const char* text)
{
    return TXSDateTime::FromXS(QLatin1String(text));
}

// The members every posted header carries, set in the order the sending code
// would set them (not the wire order).
void fillPostedHeader(Commande2& h, Commande_TypeCommande type)
{
    h.setType_(type);
    h.setId(LabOrderWire::kNewId);
    h.setStatut(LabOrderWire::kStatusPosted);
    h.setConsommateurId(345);
    h.setAdresseLivraisonId(502);
    h.setDateCommande(at("2024-03-05T14:30:00"));
    h.setDatePassage(at("2024-03-06T10:00:00"));
    h.setCmdLocale(false);
    h.setCmdTirCalib(false);
    h.setLivraisonPostale(false);
    h.setCmdNomConso(QStringLiteral("Martin"));
    h.setCmdNumTelConso(QStringLiteral("0601020304"));
    h.setCommentaire(QString());
    h.setReference(QStringLiteral("Holidays"));
    h.setNumeroVersion(QStringLiteral("d010203w64"));
}

std::unique_ptr<LigneDeCommande2> printLine(const char* image, const char* label, qint32 quantity, qint64 bytes,
                                            qint64 coefficientFixed4)
{
    auto l = std::make_unique<LigneDeCommande>();
    l->setChannel(3);
    l->setCoefficientPrix(TXSDecimal::FromFixed4(coefficientFixed4));
    l->setCommandeId(LabOrderWire::kNewId);
    l->setId(LabOrderWire::kNewId);
    l->setImage(QLatin1String(image));
    l->setNomFichier(QLatin1String(label));
    l->setQuantite(quantity);
    l->setTailleImage(LabOrderWire::SizeInKiB(bytes));
    l->setTirageId(101);
    l->setUnitePacks(0);
    l->setUnitePrix(-1.0);
    return l;
}

// A picture line of a photo book or template (no print format).
std::unique_ptr<LigneDeCommande2> pictureLine(qint32 channel, const char* image, qint64 bytes)
{
    auto l = std::make_unique<LigneDeCommande>();
    l->setChannel(channel);
    l->setCoefficientPrix(TXSDecimal::FromFixed4(10000));
    l->setCommandeId(LabOrderWire::kNewId);
    l->setId(LabOrderWire::kNewId);
    l->setImage(QLatin1String(image));
    l->setQuantite(1);
    l->setTailleImage(LabOrderWire::SizeInKiB(bytes));
    l->setUnitePacks(0);
    l->setUnitePrix(0.0);
    return l;
}

template <class T>
std::vector<const T*> view(const std::vector<std::unique_ptr<T>>& items)
{
    std::vector<const T*> out;
    for (const auto& item : items)
        out.push_back(item.get());
    return out;
}

std::vector<const TRemotable*> asRecords(const std::vector<const LigneDeCommande2*>& lines)
{
    return std::vector<const TRemotable*>(lines.begin(), lines.end());
}

// The first sub-order of a send that is not express: prints for the lab.
QByteArray printOrderNotExpress(const Demandeur2& dem)
{
    Commande h;
    fillPostedHeader(h, Commande_TypeCommande::Tirages);
    h.setCmdExpress(false);
    h.setCmdForImprimanteBorne(false);
    h.setCmdPrintDateFormat(QString());
    h.setFraisCD(LabOrderWire::MoneyToWire(99000));
    h.setFraisDePriseEnCharge(LabOrderWire::MoneyToWire(12500));
    LigneDeCommande2List lines;
    lines.push_back(printLine("IMG_0001.jpg", "IMG_0001", 2, 1500, 10000));
    // A picture of the store's professional gallery, with its coefficient.
    lines.push_back(printLine("PRO_0007.jpg", "Studio 7", 1, 2 * 1024 * 1024 + 1023, 15000));

    TSoapRequestWriter w(QStringLiteral("PasserCommande"), LabNs::Service);
    w.AddRecord(QStringLiteral("demandeur"), &dem);
    w.AddRecord(QStringLiteral("order"), &h);
    w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), asRecords(view(lines)));
    return w.ToBytes();
}

// The second sub-order of an express send: prints of the kiosk's own
// printer, which carry the first sub-order's Id and no fees of their own.
QByteArray printOrderExpressSecond(const Demandeur2& dem)
{
    Commande h;
    fillPostedHeader(h, Commande_TypeCommande::Tirages);
    h.setCmdExpress(true);
    h.setCmdExpressFrais(0.0);
    h.setCmdForImprimanteBorne(true);
    h.setCmdMainId(7001);
    h.setCmdPrintDateFormat(QStringLiteral("dd/MM/yyyyH"));
    h.setFraisDePriseEnCharge(0.0);
    LigneDeCommande2List lines;
    auto l = printLine("IMG_0002", "IMG_0002", 3, 0, 10000);
    l->setChannel(0);
    lines.push_back(std::move(l));

    TSoapRequestWriter w(QStringLiteral("PasserCommande"), LabNs::Service);
    w.AddRecord(QStringLiteral("demandeur"), &dem);
    w.AddRecord(QStringLiteral("order"), &h);
    w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), asRecords(view(lines)));
    return w.ToBytes();
}

std::unique_ptr<CommandeAlbumCadre2> pictureFrame(qint32 line, double x, double y, double w, double h, double angle,
                                                  std::optional<quint32> border, qint32 thickness)
{
    auto f = std::make_unique<CommandeAlbumCadre>();
    f->setAngleRotation(-angle);
    f->setCmdLignId(line);
    f->setCommandeAlbumPageId(0);
    f->setCouleurLisere(border ? LabOrderWire::BorderColour(*border) : QString());
    f->setHauteur(h);
    f->setLargeur(w);
    f->setLargeurLisere(border ? thickness / 10.0 : 0.0);
    f->setX(x);
    f->setY(y);
    f->setZoneTexte(false);
    return f;
}

// A photo book with a printed cover: the front cover with one picture, and
// an inner page without any frame to send.
QByteArray albumOrder(const Demandeur2& dem)
{
    CommandeAlbum h;
    // Own members and inherited ones set in mixed order: the wire order is
    // the description's, inherited members first.
    h.setAlbumQuantite(2);
    h.setType_(Commande_TypeCommande::Albums);
    h.setAlbumPhotographeId(55);
    fillPostedHeader(h, Commande_TypeCommande::Albums);
    h.setAlbumTypeTarif(Tarif_TypeTarif::EurosMagasin);
    h.setChannel(7);
    h.setChannelCouvertureImprimee(8);
    h.setCmdExpress(false);
    h.setFraisDePriseEnCharge(0.0);
    h.setHauteurPage(210);
    h.setLargeurPage(297);
    h.setMargeInfoTechnique(5);
    h.setRectoVerso(true);

    LigneDeCommande2List lines;
    lines.push_back(pictureLine(8, "album_p1_1.jpg", 4096));

    CommandeAlbumPage2List pages;
    auto cover = std::make_unique<CommandeAlbumPage>();
    CommandeAlbumCadre2List coverFrames;
    coverFrames.push_back(pictureFrame(0, 10.5, 20, 120, 80.25, 90, 0xFFFF0000u, 25));
    cover->setCadres(std::move(coverFrames));
    cover->setCommandeId(LabOrderWire::kNewId);
    cover->setId(LabOrderWire::kNewId);
    cover->setNumeroPage(LabOrderWire::AlbumPageNumber(1, 24, true, true, true));
    pages.push_back(std::move(cover));

    auto empty = std::make_unique<CommandeAlbumPage>();
    CommandeAlbumCadre2List none;
    none.push_back(std::make_unique<CommandeAlbumCadre>());
    empty->setCadres(std::move(none));
    empty->setCommandeId(LabOrderWire::kNewId);
    empty->setFondAlbumId(310);
    empty->setId(LabOrderWire::kNewId);
    empty->setNumeroPage(LabOrderWire::AlbumPageNumber(5, 24, false, true, true));
    pages.push_back(std::move(empty));

    // The header owns the pages; the pages argument travels beside it.
    const std::vector<const CommandeAlbumPage2*> pageView = view(pages);
    h.setAlbumPages(std::move(pages));

    TSoapRequestWriter w(QStringLiteral("AddOrderAlbum"), LabNs::Service);
    w.AddRecord(QStringLiteral("demandeur"), &dem);
    w.AddRecord(QStringLiteral("order"), &h);
    w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), asRecords(view(lines)));
    w.AddRecords(QStringLiteral("pages"), QStringLiteral("CommandeAlbumPage"),
                 std::vector<const TRemotable*>(pageView.begin(), pageView.end()));
    return w.ToBytes();
}

// A monthly calendar starting in January 2018, whose first page's lab
// template has no high-definition back picture.
QByteArray calendarOrder(const Demandeur2& dem)
{
    CommandeTemplate h;
    fillPostedHeader(h, Commande_TypeCommande::Templates);
    h.setCmdExpress(false);
    h.setFraisDePriseEnCharge(LabOrderWire::MoneyToWire(12500));
    h.SetStartMonthCount(12 * 2018 + 1 - 1);
    h.setChannel(4);
    h.setTemplateCalendrierId(61);
    h.setTemplateHauteur(297);
    h.setTemplateLargeur(210);
    h.setTemplateVelmoraId(900);
    h.setTemplatePU(-1.0);
    h.setTemplatePictIdRectoHD(9301);
    const qint32 versoHd = 0;
    if (versoHd > 0)
        h.setTemplatePictIdVersoHD(versoHd);
    h.setTemplateQuantite(1);
    h.setTemplateTypeTarif(Tarif_TypeTarif::EurosMagasin);
    h.setTirageId(120);

    LigneDeCommande2List lines;
    lines.push_back(pictureLine(4, "cal_01.jpg", 3000));

    CommandeTemplateCadre2List frames;
    auto f = std::make_unique<CommandeTemplateCadre>();
    f->setAngleRotation(0.0);
    f->setBackground(true);
    f->setCmdLignId(0);
    f->setCouleurLisere(QString());
    f->setHauteur(148.5);
    f->setIdFond(900);
    f->setLargeur(210);
    f->setLargeurLisere(0);
    f->setNumeroPage(2);
    f->setX(0);
    f->setY(0);
    f->setZoneTexte(false);
    frames.push_back(std::move(f));
    h.setTemplateCadres(std::move(frames));

    TSoapRequestWriter w(QStringLiteral("AddOrderTemplate"), LabNs::Service);
    w.AddRecord(QStringLiteral("demandeur"), &dem);
    w.AddRecord(QStringLiteral("order"), &h);
    w.AddRecords(QStringLiteral("lignes"), QStringLiteral("LigneDeCommande"), asRecords(view(lines)));
    return w.ToBytes();
}

QByteArray simpleRequest(const Demandeur2& dem, const char* operation,
                         const std::function<void(TSoapRequestWriter&)>& params)
{
    TSoapRequestWriter w(QLatin1String(operation), LabNs::Service);
    w.AddRecord(QStringLiteral("demandeur"), &dem);
    params(w);
    return w.ToBytes();
}

} // namespace

TEST(LabOrderEnvelopes, RequestsMatchTheGoldenEnvelopes)
{
    LumLabServiceRegisterTypes();
    const auto dem = requester();
    struct Case {
        const char* name;
        std::function<QByteArray()> build;
    } cases[] = {
        {"PasserCommande_notExpress.xml", [&] { return printOrderNotExpress(*dem); }},
        {"PasserCommande_expressSecond.xml", [&] { return printOrderExpressSecond(*dem); }},
        {"AddOrderAlbum_emptyPage.xml", [&] { return albumOrder(*dem); }},
        {"AddOrderTemplate_calendar.xml", [&] { return calendarOrder(*dem); }},
        {"ModifyOrderStatus.xml",
         [&] {
             return simpleRequest(*dem, "ModifyOrderStatus", [](TSoapRequestWriter& w) {
                 w.AddInteger(QStringLiteral("id"), 7001);
                 w.AddString(QStringLiteral("status"), LabOrderWire::kStatusCreated);
             });
         }},
        {"GetPrintsTarifs.xml",
         [&] {
             return simpleRequest(*dem, "GetPrintsTarifs",
                                  [](TSoapRequestWriter& w) { w.AddIntArray(QStringLiteral("tirageIds"), {101, 102}); });
         }},
        {"GetPhotographerProductGroups.xml",
         [&] {
             return simpleRequest(*dem, "GetPhotographerProductGroups", [](TSoapRequestWriter& w) {
                 w.AddInteger(QStringLiteral("photId"), 12);
                 w.AddEnum(QStringLiteral("typeGrp"), EnumInfoOf<GroupeProduitPhotographe_TypeGroupe>(),
                           int(GroupeProduitPhotographe_TypeGroupe::Tirages_TypePapier));
             });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray expected =
            testsupport::readAll(testsupport::dataPath(QStringLiteral("golden/") + QLatin1String(c.name)));
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(c.build().toStdString(), expected.toStdString());
    }
}

// The start of a monthly calendar travels as a year and a month 1 to 12,
// split from the order model's month count (12 * year + month - 1).
TEST(LabOrderEnvelopes, CalendarStartFromMonthCount)
{
    struct Case {
        const char* name;
        qint32 count;
        qint32 year;
        qint32 month;
    } cases[] = {
        {"January 2018", 24216, 2018, 1},
        {"December 2018", 24227, 2018, 12},
        {"January 2019", 24228, 2019, 1},
        {"June 2024", 12 * 2024 + 5, 2024, 6},
        {"first month of year 0", 0, 0, 1},
        {"December of year 0", 11, 0, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandeTemplate2 t;
        t.SetStartMonthCount(c.count);
        EXPECT_EQ(t.AnneeDepart(), c.year);
        EXPECT_EQ(t.MoisDepart(), c.month);
        EXPECT_TRUE(t.AnneeDepart_Specified());
        EXPECT_TRUE(t.MoisDepart_Specified());
        const QByteArray xml = SoapRecordToXml(t, QStringLiteral("order"));
        EXPECT_TRUE(xml.contains(QStringLiteral("<a:AnneeDepart>%1</a:AnneeDepart>").arg(c.year).toUtf8()));
        EXPECT_TRUE(xml.contains(QStringLiteral("<a:MoisDepart>%1</a:MoisDepart>").arg(c.month).toUtf8()));
    }

    CommandeTemplate2 t;
    try {
        t.SetStartMonthCount(-1);
        FAIL() << "a negative month count was taken";
    } catch (const EArgumentException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("CommandeTemplate2.SetStartMonthCount: invalid month count -1"));
    }
    // A refused count leaves the record as it was: nothing half set.
    EXPECT_FALSE(t.AnneeDepart_Specified());
    EXPECT_FALSE(t.MoisDepart_Specified());
}

TEST(LabOrderEnvelopes, AlbumPageNumbers)
{
    struct Case {
        const char* name;
        qint32 n;
        bool cover;
        bool printedCover;
        bool rectoVerso;
        qint32 expected;
    } cases[] = {
        {"front cover, printed", 1, true, true, false, 0},
        {"front cover, not printed", 1, true, false, false, -1},
        {"back cover, printed", 24, true, true, false, 9999},
        {"back cover, not printed", 24, true, false, true, -1},
        {"inside cover, printed", 2, true, true, false, -1},
        {"inner page 5, not recto-verso", 5, false, true, false, 2},
        {"inner page 6, not recto-verso", 6, false, true, false, -1},
        {"inner page 5, recto-verso", 5, false, false, true, 3},
        {"inner page 3, recto-verso", 3, false, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LabOrderWire::AlbumPageNumber(c.n, 24, c.cover, c.printedCover, c.rectoVerso), c.expected);
    }
}

TEST(LabOrderEnvelopes, MoneySizesAndColoursOnTheWire)
{
    struct MoneyCase {
        qint64 fixed4;
        double wire;
    } money[] = {{0, 0.0}, {12500, 1.25}, {99000, 9.9}, {-5000, -0.5}, {1, 0.0001}, {123456789, 12345.6789}};
    for (const MoneyCase& c : money) {
        SCOPED_TRACE(c.fixed4);
        EXPECT_DOUBLE_EQ(LabOrderWire::MoneyToWire(c.fixed4), c.wire);
        EXPECT_EQ(LabOrderWire::MoneyFromWire(c.wire), c.fixed4);
    }
    // A lab price with more decimals is rounded to the nearest unit.
    EXPECT_EQ(LabOrderWire::MoneyFromWire(0.29999), 3000);
    EXPECT_EQ(LabOrderWire::MoneyFromWire(-0.00006), -1);
    EXPECT_THROW(LabOrderWire::MoneyFromWire(std::numeric_limits<double>::quiet_NaN()), EArgumentException);
    EXPECT_THROW(LabOrderWire::MoneyFromWire(std::numeric_limits<double>::infinity()), EArgumentException);
    EXPECT_THROW(LabOrderWire::MoneyFromWire(1e300), EArgumentException);

    EXPECT_EQ(LabOrderWire::SizeInKiB(1500), 1);
    EXPECT_EQ(LabOrderWire::SizeInKiB(1023), 0);
    EXPECT_EQ(LabOrderWire::SizeInKiB(5LL * 1024 * 1024 * 1024), 5LL * 1024 * 1024);

    EXPECT_EQ(LabOrderWire::BorderColour(0xFFFF0000u), QStringLiteral("FFFF0000"));
    EXPECT_EQ(LabOrderWire::BorderColour(0x0000abcdu), QStringLiteral("0000ABCD"));
}
