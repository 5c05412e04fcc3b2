// The lab order file "order.xml": the layout the lab reads (golden file)
// and the fees that only the first sub-order of a send carries.
#include "SendFakes.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace sendfakes;

namespace {

// An order of lab prints in two formats (one photo from the professional
// gallery), express, postal delivery, CD and index, at fixed dates.
struct LabFileOrder {
    explicit LabFileOrder(bool postal = true)
    {
        env.main.addTier(1, 1, 100, 0.25);
        env.main.addTier(2, 1, 100, 0.5);
        TPrintOrder& o = *env.order;
        o.SetDateOrder(QDateTime(QDate(2026, 3, 5), QTime(14, 30, 15)));
        o.SetDateWithdrawal(QDateTime(QDate(2026, 3, 7), QTime(0, 0)));
        o.SetConsumerName(QStringLiteral("Martin & Fils"));
        o.SetConsumerPhone(QStringLiteral("0601020304"));
        o.SetComments(QStringLiteral("Matte <if possible>"));
        o.SetExpressOrder(true);
        o.SetCdWanted(true);
        o.SetIndexWanted(true);
        if (postal) {
            auto address = std::make_unique<Adresse2>();
            address->setId(-1);
            address->setIdentite(QStringLiteral("M. Martin"));
            address->setRue(QStringLiteral("5 rue des Lilas"));
            address->setCodePostal(QStringLiteral("31000"));
            address->setVille(QStringLiteral("Toulouse"));
            o.SetPostalAddress(std::move(address));
            o.SetPostalShipping(true);
        }
        TTirageProduct* p1 = o.TirageProductAdd(env.main.prints[0], 1);
        TTirageProduct* p2 = o.TirageProductAdd(env.main.prints[1], 2);
        env.addPrint(p1, QStringLiteral("/media/usb/DCIM/IMG_0001.jpg"), true);
        env.addPrint(p1, QStringLiteral("/media/usb/DCIM/IMG_0002.jpg"));
        env.addPrint(p2, QStringLiteral("/media/usb/DCIM/IMG_0002.jpg"));
        env.useTestFormats(1500);
        env.renderLabFiles();
    }

    SendEnv env;
};

} // namespace

TEST(LabOrderFile, FirstSubOrderOfLabPrintsMatchesTheGoldenFile)
{
    LabFileOrder f;
    TPrintOrder& o = *f.env.order;
    o.WebSvcInitOrderPrint(&f.env.main, false);
    const QString path = o.GenerateLabOrderFile(&f.env.main, true);
    EXPECT_EQ(path, QDir(f.env.main.temp.path()).filePath(QStringLiteral("order.xml")));

    const QString written = withoutCreationTime(QString::fromUtf8(testsupport::readAll(path)));
    const QString golden = QString::fromUtf8(testsupport::readAll(testsupport::dataPath(QStringLiteral("order_lab_prints.xml"))));
    if (written != golden) {
        testsupport::writeAll(QDir::temp().filePath(QStringLiteral("order_lab_prints.actual.xml")), written.toUtf8());
        FAIL() << "order.xml differs from the golden file:\n" << written.toStdString();
    }
}

// The fees travel once per send; CD and index only with the lab prints.
TEST(LabOrderFile, FeesOfLaterAndKioskSubOrders)
{
    LabFileOrder f;
    TPrintOrder& o = *f.env.order;
    o.WebSvcInitOrderPrint(&f.env.main, false);
    o.GenerateLabOrderFile(&f.env.main, true);
    const Commande2* first = o.WebSvcOrder();
    EXPECT_DOUBLE_EQ(first->CmdExpressFrais(), 3.0);
    EXPECT_DOUBLE_EQ(first->FraisDePort(), 6.9);
    EXPECT_DOUBLE_EQ(first->FraisDePriseEnCharge(), 1.5);
    EXPECT_DOUBLE_EQ(first->FraisCD(), 4.5);
    EXPECT_DOUBLE_EQ(first->FraisIndex(), 1.25);

    o.WebSvcInitOrderPrint(&f.env.main, false);
    const QString path = o.GenerateLabOrderFile(&f.env.main, false);
    const Commande2* later = o.WebSvcOrder();
    EXPECT_TRUE(later->CmdExpress());
    EXPECT_TRUE(later->CmdExpressFrais_Specified());
    EXPECT_EQ(later->CmdExpressFrais(), 0.0);
    EXPECT_EQ(later->FraisDePort(), 0.0);
    EXPECT_EQ(later->FraisDePriseEnCharge(), 0.0);
    // Each call writes the same file again.
    EXPECT_TRUE(QString::fromUtf8(testsupport::readAll(path)).contains(QStringLiteral("<FraisDePriseEnCharge>0</FraisDePriseEnCharge>")));

    // The kiosk printer's prints never carry the CD or the index.
    Tirage2* kiosk = f.env.addKioskTirage(7, QStringLiteral("Kiosk DNP"));
    TTirageProduct* pk = o.TirageProductAdd(kiosk, 1);
    f.env.addPrint(pk, QStringLiteral("/media/usb/DCIM/IMG_0003.jpg"));
    o.WebSvcInitOrderPrint(&f.env.main, true);
    o.GenerateLabOrderFile(&f.env.main, false);
    EXPECT_TRUE(o.WebSvcOrder()->CmdForImprimanteBorne());
    EXPECT_FALSE(o.WebSvcOrder()->FraisCD_Specified());
    EXPECT_FALSE(o.WebSvcOrder()->FraisIndex_Specified());
}

TEST(LabOrderFile, PacksAndNoPostalDelivery)
{
    LabFileOrder f(false);
    f.env.main.consumer.setTypeTarif(Tarif_TypeTarif::Packs);
    TPrintOrder& o = *f.env.order;
    o.WebSvcInitOrderPrint(&f.env.main, false);
    const QString xml = QString::fromUtf8(testsupport::readAll(o.GenerateLabOrderFile(&f.env.main, true)));
    EXPECT_FALSE(xml.contains(QStringLiteral("<AdresseLivraison>")));
    EXPECT_FALSE(xml.contains(QStringLiteral("<FraisDePort")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<TypeTarif>Packs</TypeTarif>")));
    EXPECT_EQ(o.WebSvcOrder()->SoldePacks(), 12);
    // No handling fee for a pack tariff.
    EXPECT_EQ(o.WebSvcOrder()->FraisDePriseEnCharge(), 0.0);
    EXPECT_EQ(o.WebSvcOrder()->AdresseLivraisonId(), 501);
}

TEST(LabOrderFile, NeedsTheRecordsOfASubOrder)
{
    SendEnv env;
    EXPECT_THROW(env.order->GenerateLabOrderFile(&env.main, true), Exception);
}
