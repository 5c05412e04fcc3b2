// Sending without a lab: the order's folders, the records of print
// sub-orders, the rule that tells kiosk prints from lab prints, the
// refusals before a post, and the kiosk printer (printing to PDF).
#include "SendFakes.h"

#include <QPrinter>
#include <gtest/gtest.h>

using namespace sendfakes;

TEST(OrderSend, TransferAndUploadFolders)
{
    SendEnv env;
    const QDateTime when(QDate(2026, 3, 5), QTime(14, 30, 15));
    env.order->SetDateOrder(when);
    const QString first = env.order->tempFolderGet();
    EXPECT_EQ(first, QDir(env.main.temp.path()).filePath(QStringLiteral("O260305143015")));
    EXPECT_TRUE(QFileInfo(first).isDir());
    EXPECT_EQ(env.order->tempFolderGet(), first);

    // Orders of the same second get the next free name.
    TPrintOrder second(&env.main);
    second.SetDateOrder(when);
    EXPECT_EQ(second.tempFolderGet(), first + QStringLiteral("-1"));
    TPrintOrder third(&env.main);
    third.SetDateOrder(when);
    EXPECT_EQ(third.tempFolderGet(), first + QStringLiteral("-2"));
    third.tempFolderDel();
    EXPECT_FALSE(QFileInfo::exists(first + QStringLiteral("-2")));

    EXPECT_EQ(env.order->ftpPathGet(&env.main), QStringLiteral("#4711_2026-03-05T14_30_15"));
}

// One rule decides: a print format that names a kiosk printer goes to the
// kiosk printer, every other to the lab; each print is in exactly one
// sub-order, and the order's own queries agree.
TEST(OrderSend, EveryPrintIsEitherTheLabsOrTheKioskPrinters)
{
    struct Case {
        const char* name;
        qint32 printerId;
        const char* printerName;
        qint32 channel;
        bool direct;
    } cases[] = {
        { "lab format", 0, "", 3, false },
        { "printer id without a printer name", 9, "", 0, false },
        { "named printer", 9, "Kiosk DNP", 0, true },
        { "named printer on a channel", 9, "Kiosk DNP", 5, true },
        { "named printer without id", 0, "Kiosk DNP", 0, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendEnv env;
        Tirage2* t = env.main.addTirage(20, 10, 15);
        t->setImprimanteBorneId(c.printerId);
        t->setImprimanteBorneNomWindows(QString::fromLatin1(c.printerName));
        t->setChannel(c.channel);
        TTirageProduct* p = env.order->TirageProductAdd(t, 1);
        env.addPrint(p, QStringLiteral("k.jpg"));
        TImageTirageData* format = env.order->ImagesSelectionneesTirage()[0]->LstFormats()[0];
        EXPECT_EQ(format->IsDirectPrint(), c.direct);
        EXPECT_EQ(p->IsDirectPrint(), c.direct);
        EXPECT_EQ(env.order->HasDirectPrint(), c.direct);
        EXPECT_EQ(env.order->HasLabPrint(), !c.direct);
        const std::vector<TSubOrder> subs = TOrderSend::SubOrders(*env.order);
        ASSERT_EQ(subs.size(), 1u);
        EXPECT_EQ(subs[0].kind, c.direct ? TSubOrderKind::sokDirectPrints : TSubOrderKind::sokLabPrints);
    }
}

TEST(OrderSend, PrintRecords)
{
    SendEnv env;
    TPrintOrder& o = *env.order;
    o.SetConsumerName(QStringLiteral("Martin"));
    o.SetConsumerPhone(QStringLiteral("0601"));
    o.SetConsumerReference(QStringLiteral("ref-7"));
    o.SetComments(QStringLiteral("matte"));
    o.SetCalibrationImage(true);
    o.SetDateWithdrawal(QDateTime(QDate(2026, 3, 7), QTime(0, 0)));
    Tirage2* kiosk = env.addKioskTirage(7, QStringLiteral("Kiosk DNP"));
    TTirageProduct* p1 = o.TirageProductAdd(env.main.prints[0], 1);
    TTirageProduct* p2 = o.TirageProductAdd(env.main.prints[1], 3);
    TTirageProduct* pk = o.TirageProductAdd(kiosk, 2);
    // The gallery photo comes first among the print groups.
    env.addPrint(p1, QStringLiteral("/gallery/pro/G1.jpg"), true);
    env.addPrint(p1, QStringLiteral("/media/usb/A.jpg"));
    env.addPrint(p2, QStringLiteral("/media/usb/A.jpg"));
    env.addPrint(pk, QStringLiteral("/media/usb/K.jpg"));
    env.useTestFormats(2100);
    env.renderLabFiles();

    o.WebSvcInitOrderPrint(&env.main, false);
    const Commande2& h = *o.WebSvcOrder();
    EXPECT_EQ(h.Id(), -1);
    EXPECT_EQ(h.Type_(), Commande_TypeCommande::Tirages);
    EXPECT_EQ(h.Statut(), QStringLiteral("ECC"));
    EXPECT_EQ(h.ConsommateurId(), 77);
    EXPECT_EQ(h.AdresseLivraisonId(), 501);
    EXPECT_EQ(h.NumeroVersion(), QStringLiteral("d010203w64"));
    EXPECT_EQ(h.CmdNomConso(), QStringLiteral("Martin"));
    EXPECT_EQ(h.CmdNumTelConso(), QStringLiteral("0601"));
    EXPECT_EQ(h.Reference(), QStringLiteral("ref-7"));
    EXPECT_EQ(h.Commentaire(), QStringLiteral("matte"));
    EXPECT_TRUE(h.CmdTirCalib());
    EXPECT_FALSE(h.LivraisonPostale());
    EXPECT_FALSE(h.CmdForImprimanteBorne());
    EXPECT_FALSE(h.CmdLocale());
    EXPECT_FALSE(h.CmdLocalePath_Specified());
    EXPECT_FALSE(h.CmdMainId_Specified());
    EXPECT_EQ(h.DatePassage()->AsDateTime(), QDateTime(QDate(2026, 3, 7), QTime(0, 0)));

    struct Line {
        const char* image;
        qint32 channel, tirageId, qty;
        qint64 kib;
        const char* coeff;
        const char* label;
    } expected[] = {
        { "1_A_T1.jpg", 3, 1, 1, 2, "1", "A" },
        { "3_A_T2.jpg", 4, 2, 3, 2, "1", "A" },
        { "1_G1_T1.jpg", 3, 1, 1, 2, "1.25", "G1" },
    };
    const TOwnerList<LigneDeCommande2>& lines = o.WebSvcOrderLines();
    ASSERT_EQ(lines.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const LigneDeCommande2& l = *lines[i];
        EXPECT_EQ(l.Image(), QString::fromLatin1(expected[i].image));
        EXPECT_EQ(l.Channel(), expected[i].channel);
        EXPECT_EQ(l.TirageId(), expected[i].tirageId);
        EXPECT_EQ(l.Quantite(), expected[i].qty);
        EXPECT_EQ(l.TailleImage(), expected[i].kib);
        EXPECT_EQ(l.CoefficientPrix()->NativeToXS(), QString::fromLatin1(expected[i].coeff));
        EXPECT_EQ(l.NomFichier(), QString::fromLatin1(expected[i].label));
        EXPECT_EQ(l.Id(), -1);
        EXPECT_EQ(l.CommandeId(), -1);
        EXPECT_EQ(l.UnitePrix(), -1.0);
        EXPECT_EQ(l.UnitePacks(), 0);
    }

    // The kiosk printer's lines name the photo and carry no file.
    o.WebSvcInitOrderPrint(&env.main, true);
    EXPECT_TRUE(o.WebSvcOrder()->CmdForImprimanteBorne());
    ASSERT_EQ(o.WebSvcOrderLines().Count(), 1);
    EXPECT_EQ(o.WebSvcOrderLines()[0]->Image(), QStringLiteral("K"));
    EXPECT_EQ(o.WebSvcOrderLines()[0]->TailleImage(), 0);
    EXPECT_EQ(o.WebSvcOrderLines()[0]->Quantite(), 2);
}

TEST(OrderSend, FrontPrintDateFormat)
{
    struct Case {
        TPrintDateFormat format;
        const char* expected;
    } cases[] = {
        { TPrintDateFormat::pdWithout, "" },
        { TPrintDateFormat::pdWithDate, "dd/MM/yy" },
        { TPrintDateFormat::pdWithDateTime, "dd/MM/yyH" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        SendEnv env;
        env.order->SetPrintDateFormat(c.format);
        env.order->WebSvcInitOrderPrint(&env.main, false);
        EXPECT_TRUE(env.order->WebSvcOrder()->CmdPrintDateFormat_Specified());
        EXPECT_EQ(env.order->WebSvcOrder()->CmdPrintDateFormat(), QString::fromLatin1(c.expected));
    }
}

// The kiosk-local mode records the order's own number and never leaves
// the customer's name blank.
TEST(OrderSend, LocalModeNeedsTheOrderNumber)
{
    SendEnv env;
    env.main.connectionMode = 21;
    env.order->SetConsumerName(QStringLiteral("   "));
    try {
        env.order->WebSvcInitOrderPrint(&env.main, false);
        FAIL() << "built without a number";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TPrintOrder.WebSvcInitOrderCommande: order number is empty !"));
    }
    env.order->SetNumCommande(QStringLiteral("K-0042"));
    env.order->WebSvcInitOrderPrint(&env.main, false);
    const Commande2& h = *env.order->WebSvcOrder();
    EXPECT_TRUE(h.CmdLocale());
    EXPECT_EQ(h.CmdLocalePath(), QStringLiteral("K-0042"));
    EXPECT_EQ(h.CmdNomConso(), QStringLiteral("Photo Martin"));
}

TEST(OrderSend, NothingToConfirmBeforeAPost)
{
    SendEnv env;
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* message;
    } cases[] = {
        { "status", [&] { env.order->WebSvcValidateOrder(&env.main); },
          "WebService: Can't modify order status, order not sent !" },
        { "payment", [&] { env.order->WebSvcOrderPayment(&env.main, QStringLiteral("EUR")); },
          "WebService: Can't modify order payment status, order not sent !" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            ADD_FAILURE() << "no refusal";
        } catch (const EOrder& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
        }
    }
    // Without the web-service queue's lab client the lab's refusal texts
    // stand for the missing service.
    auto answer = std::make_unique<Commande2>();
    answer->setId(7001);
    answer->setNumero(QStringLiteral("K-1"));
    env.order->SetWebSvcOrderReceived(std::move(answer));
    try {
        env.order->WebSvcValidateOrder(&env.main);
        ADD_FAILURE() << "no refusal";
    } catch (const EOrder& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("WebService: Can't modify order status !"));
    }
    // A postal order needs its address.
    env.order->SetPostalShipping(true);
    EXPECT_THROW(env.order->WebSvcInitOrderPrint(&env.main, false), EOrder);
}

namespace {

// One lab print and one kiosk print, priced, with their print files.
void addLabAndKioskPrint(SendEnv& env)
{
    TPrintOrder& o = *env.order;
    Tirage2* kiosk = env.addKioskTirage(7, QStringLiteral("Kiosk DNP"));
    env.main.addTier(1, 1, 100, 0.25);
    env.main.addTier(7, 1, 100, 0.4);
    env.addPrint(o.TirageProductAdd(env.main.prints[0], 1), QStringLiteral("A.jpg"));
    env.addPrint(o.TirageProductAdd(kiosk, 1), QStringLiteral("K.jpg"));
    env.useTestFormats(100);
}

} // namespace

// Off line a send builds every sub-order and its lab order file, posts
// nothing and remembers nothing for a retry.
TEST(OrderSend, OfflineRunFilesEverySubOrder)
{
    SendEnv env;
    TPrintOrder& o = *env.order;
    addLabAndKioskPrint(env);

    struct Steps : IOrderSendSteps {
        void PrepareFiles(TPrintOrder& order, const TSubOrder& sub) override
        {
            prepared.push_back(sub.kind);
            if (sub.kind == TSubOrderKind::sokLabPrints)
                env->renderLabFiles();
        }
        void PrintDirect(TPrintOrder&, const TSubOrder& sub) override { printed.push_back(sub.kind); }
        void FileSubOrder(TPrintOrder& order, const TSubOrder& sub, const Commande2* answer,
                          const QString& file) override
        {
            filed.push_back(sub.kind);
            EXPECT_EQ(answer, nullptr);
            EXPECT_TRUE(QFileInfo::exists(file));
            firstFees.push_back(order.WebSvcOrder()->FraisDePriseEnCharge_Specified());
        }
        SendEnv* env = nullptr;
        std::vector<TSubOrderKind> prepared, printed, filed;
        std::vector<bool> firstFees;
    } steps;
    steps.env = &env;
    TOrderSend::Run(o, &env.main, steps, false);
    const std::vector<TSubOrderKind> both { TSubOrderKind::sokDirectPrints, TSubOrderKind::sokLabPrints };
    EXPECT_EQ(steps.prepared, both);
    EXPECT_EQ(steps.filed, both);
    EXPECT_EQ(steps.printed, std::vector<TSubOrderKind> { TSubOrderKind::sokDirectPrints });
    EXPECT_FALSE(o.SendProgress().AnyPosted());
    EXPECT_EQ(o.FirstCmdId(), -1);
}

// Off line too, a send that fails after the kiosk printer printed and is
// run again prints nothing twice; once it went through, a new send starts
// afresh.
TEST(OrderSend, OfflineRetryPrintsOnce)
{
    SendEnv env;
    TPrintOrder& o = *env.order;
    addLabAndKioskPrint(env);

    struct Steps : IOrderSendSteps {
        void PrepareFiles(TPrintOrder&, const TSubOrder& sub) override
        {
            if (sub.kind == TSubOrderKind::sokLabPrints)
                env->renderLabFiles();
        }
        void PrintDirect(TPrintOrder&, const TSubOrder&) override { ++prints; }
        void FileSubOrder(TPrintOrder&, const TSubOrder& sub, const Commande2*, const QString&) override
        {
            if (sub.kind == TSubOrderKind::sokLabPrints && failLab) {
                failLab = false;
                throw Exception(QStringLiteral("Steps: the order folder is full"));
            }
        }
        SendEnv* env = nullptr;
        bool failLab = true;
        int prints = 0;
    } steps;
    steps.env = &env;
    EXPECT_THROW(TOrderSend::Run(o, &env.main, steps, false), Exception);
    EXPECT_EQ(steps.prints, 1);
    EXPECT_TRUE(o.SendProgress().AnyDone());
    TOrderSend::Run(o, &env.main, steps, false);
    EXPECT_EQ(steps.prints, 1);
    EXPECT_FALSE(o.SendProgress().AnyDone());
    TOrderSend::Run(o, &env.main, steps, false);
    EXPECT_EQ(steps.prints, 2);
}

// The kiosk printer prints into a PDF here; the rendered picture is kept
// under the photo's file name.
TEST(OrderSend, DirectPrintToPdf)
{
    SendEnv env;
    std::vector<QString> asked;
    const QString pdf = env.main.temp.filePath(QStringLiteral("print.pdf"));
    TOrderSend::SetPrinterFactory([&](const QString& name) {
        asked.push_back(name);
        auto printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return printer;
    });
    Tirage2* kiosk = env.addKioskTirage(7, QStringLiteral("Kiosk DNP"));
    env.addPrint(env.order->TirageProductAdd(kiosk, 2), QStringLiteral("/media/usb/DCIM/K.jpg"));
    env.addPrint(env.order->TirageProductAdd(env.main.prints[0], 1), QStringLiteral("/media/usb/DCIM/L.jpg"));
    env.useTestFormats(100);
    const QString saveDir = env.main.temp.filePath(QStringLiteral("direct"));
    QDir().mkpath(saveDir);

    env.order->SendDirectPrint(saveDir);
    TOrderSend::SetPrinterFactory(nullptr);
    EXPECT_EQ(asked, std::vector<QString> { QStringLiteral("Kiosk DNP") });
    EXPECT_TRUE(testsupport::readAll(pdf).startsWith("%PDF"));
    EXPECT_EQ(QDir(saveDir).entryList(QDir::Files), QStringList { QStringLiteral("K.jpg") });
    EXPECT_FALSE(QImage(QDir(saveDir).filePath(QStringLiteral("K.jpg"))).isNull());
}

TEST(OrderSend, MissingKioskPrinter)
{
    SendEnv env;
    Tirage2* kiosk = env.addKioskTirage(7, QStringLiteral("No Such Printer 42"));
    env.addPrint(env.order->TirageProductAdd(kiosk, 1), QStringLiteral("K.jpg"));
    env.useTestFormats(100);
    try {
        env.order->SendDirectPrint(env.main.temp.path());
        FAIL() << "printed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Printer not found (No Such Printer 42)"));
    }
}
