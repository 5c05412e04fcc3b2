// A whole send against the lab simulator on 127.0.0.1: the records the lab
// keeps and the files on its transfer page are those of the order; a send
// cut midway and retried leaves every sub-order at the lab exactly once.
#include "SendFakes.h"

#include "LabServiceSim.h"
#include "UNetHttp.h"
#include "UNetTransfer.h"
#include "URttiCache.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinter>
#include <gtest/gtest.h>

using namespace sendfakes;

namespace {

using testsupport::expectStored;

class OrderSendSim : public testsupport::LabServiceSimSuite {
protected:
    void SetUp() override
    {
        LabServiceSimSuite::SetUp();
        // The lab numbers its orders afresh after a reset: its transfer
        // page starts empty as well.
        QDir storage(sim->folder());
        for (const QFileInfo& entry : storage.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot))
            entry.isDir() ? (void)QDir(entry.filePath()).removeRecursively() : (void)QFile::remove(entry.filePath());
        labPrint = labPrint2 = kioskPrint = nullptr;
        env = std::make_unique<SendEnv>();
        SendMainFrame& m = env->main;
        m.service = GetILumLabService(serviceUrl());

        // The lab's consumer account and print formats.
        std::unique_ptr<Consommateur2> consumer = m.service->GetConsumerByLogin(&m.asker, QStringLiteral("kiosk-demo"));
        ASSERT_NE(consumer, nullptr);
        m.consumer.setId(consumer->Id());
        m.consumer.setAdresseCouranteId(consumer->AdresseCouranteId());
        m.consumer.setTypeTarif(consumer->TypeTarif());
        m.consumer.setSoldePacks(consumer->SoldePacks());
        m.consumer.setNom(consumer->Nom());
        Tirage2List prints = m.service->GetConsumerPrints(&m.asker, consumer->Id());
        ArrayOfint ids;
        for (auto& p : prints) {
            ids.push_back(p->Id());
            if (!p->ImprimanteBorneNomWindows().isEmpty()) {
                if (!kioskPrint)
                    kioskPrint = p.get();
            } else if (p->Channel() != 0) {
                if (!labPrint)
                    labPrint = p.get();
                else if (!labPrint2 && (p->Largeur() != labPrint->Largeur() || p->Longueur() != labPrint->Longueur()))
                    labPrint2 = p.get();
            }
        }
        ASSERT_TRUE(labPrint && labPrint2 && kioskPrint);
        for (auto& p : prints)
            m.prints.Add(p.release());
        for (auto& tier : m.service->GetPrintsTarifs(&m.asker, ids))
            m.prices.AddRow(tier.release(), true);

        TOrderSend::SetPrinterFactory([this](const QString&) {
            auto printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(env->main.temp.filePath(QStringLiteral("kiosk.pdf")));
            return printer;
        });
    }
    void TearDown() override
    {
        TOrderSend::SetPrinterFactory(nullptr);
        env.reset();
    }

    // Prints in two lab formats (one photo in both) and one kiosk print.
    void fillOrder()
    {
        TPrintOrder& o = *env->order;
        o.SetConsumerName(QStringLiteral("Martin"));
        o.SetConsumerPhone(QStringLiteral("0601020304"));
        o.SetExpressOrder(true);
        TTirageProduct* p1 = o.TirageProductAdd(labPrint, 2);
        TTirageProduct* p2 = o.TirageProductAdd(labPrint2, 1);
        TTirageProduct* pk = o.TirageProductAdd(kioskPrint, 1);
        env->addPrint(p1, QStringLiteral("/media/usb/DCIM/IMG_0001.jpg"));
        env->addPrint(p1, QStringLiteral("/media/usb/DCIM/IMG_0002.jpg"));
        env->addPrint(p2, QStringLiteral("/media/usb/DCIM/IMG_0002.jpg"));
        env->addPrint(pk, QStringLiteral("/media/usb/DCIM/IMG_0003.jpg"));
        env->useTestFormats(3000);
    }

    std::unique_ptr<SendEnv> env;
    Tirage2* labPrint = nullptr;
    Tirage2* labPrint2 = nullptr;
    Tirage2* kioskPrint = nullptr;
};

// The sending step of a transfer-page kiosk: print files uploaded into the
// order's upload folder, which takes the lab's number once the lab has the
// sub-order, with the lab order file in its "DATA" folder. Each step can be
// made to fail once.
class SimSteps : public IOrderSendSteps {
public:
    SimSteps(SendEnv& env, testsupport::LabSim& sim)
        : fEnv(env)
        , fSim(sim)
        , fTransfer("http", QStringLiteral("127.0.0.1:%1").arg(sim.port()), QString(), QString())
    {
    }

    void PrepareFiles(TPrintOrder& order, const TSubOrder& sub) override
    {
        ++prepares;
        if (beforePrepare)
            beforePrepare(sub);
        if (sub.kind == TSubOrderKind::sokDirectPrints) {
            order.SendDirectPrint(fEnv.main.temp.path());
            ++directPrints;
            return;
        }
        fEnv.renderLabFiles();
        const QString folder = order.ftpPathGet(&fEnv.main);
        if (!fTransfer.DirectoryExists(folder))
            fTransfer.DirectoryCreate(folder);
        for (TImageTirageGroupData* group : order.ImagesSelectionneesTirage())
            for (TImageTirageData* f : group->LstFormats())
                if (!f->IsDirectPrint())
                    fTransfer.UploadFile(f->FTPFilepath(), folder + QLatin1Char('/') + f->FTPFilename(), false);
    }

    void FileSubOrder(TPrintOrder& order, const TSubOrder& sub, const Commande2* answer,
                      const QString& labOrderFile) override
    {
        ++files;
        if (failFile) {
            failFile = false;
            throw Exception(QStringLiteral("SimSteps: transfer page unreachable"));
        }
        ASSERT_NE(answer, nullptr);
        const QString numero = answer->Numero();
        const QString folder = order.ftpPathGet(&fEnv.main);
        if (fTransfer.DirectoryExists(folder))
            fTransfer.DirectoryOrFileRename(folder, numero);
        else if (!fTransfer.DirectoryExists(numero))
            fTransfer.DirectoryCreate(numero);
        if (!fTransfer.DirectoryExists(numero + QStringLiteral("/DATA")))
            fTransfer.DirectoryCreate(numero + QStringLiteral("/DATA"));
        fTransfer.UploadFile(labOrderFile, numero + QStringLiteral("/DATA/order.xml"), false);
        EXPECT_EQ(testsupport::readAll(fSim.folder() + QLatin1Char('/') + numero + QStringLiteral("/DATA/order.xml")),
                  testsupport::readAll(labOrderFile));
        sent.push_back({ sub, answer->Id(), numero });
        if (afterFile)
            afterFile(sub);
    }

    struct Sent {
        TSubOrder sub;
        qint32 id;
        QString numero;
    };

    SendEnv& fEnv;
    testsupport::LabSim& fSim;
    TNetTransfer fTransfer;
    std::function<void(const TSubOrder&)> beforePrepare;
    std::function<void(const TSubOrder&)> afterFile;
    bool failFile = false;
    int prepares = 0;
    int files = 0;
    int directPrints = 0;
    std::vector<Sent> sent;
};

} // namespace

TEST_F(OrderSendSim, WholeOrderReachesTheLab)
{
    fillOrder();
    TPrintOrder& o = *env->order;
    SimSteps steps(*env, *sim);
    // What the lab keeps of each sub-order is what the order built.
    steps.afterFile = [&](const TSubOrder& sub) {
        const QJsonObject kept = storedOrders().value(QString::number(o.WebSvcOrderReceived()->Id())).toObject();
        expectStored(*o.WebSvcOrder(), kept.value(QStringLiteral("order")), QStringLiteral("order"));
        const QJsonArray lines = kept.value(QStringLiteral("lignes")).toArray();
        ASSERT_EQ(lines.size(), o.WebSvcOrderLines().Count());
        for (int i = 0; i < lines.size(); ++i)
            expectStored(*o.WebSvcOrderLines()[i], lines.at(i), QStringLiteral("lignes[%1]").arg(i));
        if (sub.kind == TSubOrderKind::sokLabPrints) {
            // The print files sit in the folder named after the lab's number.
            const QString folder = sim->folder() + QLatin1Char('/') + o.WebSvcOrderReceived()->Numero();
            QStringList names;
            for (LigneDeCommande2* l : o.WebSvcOrderLines()) {
                names << l->Image();
                const QFileInfo uploaded(folder + QLatin1Char('/') + l->Image());
                EXPECT_EQ(uploaded.size() / 1024, l->TailleImage()) << l->Image().toStdString();
                EXPECT_EQ(testsupport::readAll(uploaded.filePath()),
                          testsupport::readAll(QDir(o.tempFolderGet()).filePath(l->Image())));
            }
            names.sort();
            QStringList there = QDir(folder).entryList(QDir::Files, QDir::Name);
            EXPECT_EQ(there, names);
        }
    };
    TOrderSend::Run(o, &env->main, steps, true);

    ASSERT_EQ(steps.sent.size(), 2u);
    EXPECT_EQ(steps.sent[0].sub.kind, TSubOrderKind::sokDirectPrints);
    EXPECT_EQ(steps.sent[1].sub.kind, TSubOrderKind::sokLabPrints);
    EXPECT_EQ(steps.directPrints, 1);
    EXPECT_EQ(o.FirstCmdId(), steps.sent[0].id);
    EXPECT_EQ(o.FirstCmdNum(), steps.sent[0].numero);

    const QJsonObject orders = storedOrders();
    ASSERT_EQ(orders.size(), 2);
    const QJsonObject first = orders.value(QString::number(steps.sent[0].id)).toObject();
    const QJsonObject second = orders.value(QString::number(steps.sent[1].id)).toObject();
    for (const QJsonObject& kept : { first, second }) {
        EXPECT_EQ(kept.value(QStringLiteral("operation")).toString(), QStringLiteral("PasserCommande"));
        EXPECT_EQ(kept.value(QStringLiteral("status_history")).toArray(), QJsonArray({ "ECC", "CRE" }));
    }
    const QJsonObject h1 = first.value(QStringLiteral("order")).toObject();
    const QJsonObject h2 = second.value(QStringLiteral("order")).toObject();
    EXPECT_TRUE(h1.value(QStringLiteral("CmdForImprimanteBorne")).toBool());
    EXPECT_FALSE(h2.value(QStringLiteral("CmdForImprimanteBorne")).toBool());
    // The later sub-order points at the first, and the fees travel once.
    EXPECT_FALSE(h1.contains(QStringLiteral("CmdMainId")));
    EXPECT_EQ(h2.value(QStringLiteral("CmdMainId")).toInt(), steps.sent[0].id);
    EXPECT_GT(h1.value(QStringLiteral("CmdExpressFrais")).toDouble(), 0.0);
    EXPECT_EQ(h2.value(QStringLiteral("CmdExpressFrais")).toDouble(), 0.0);
    EXPECT_EQ(second.value(QStringLiteral("lignes")).toArray().size(), 3);
    EXPECT_EQ(first.value(QStringLiteral("lignes")).toArray().size(), 1);
    EXPECT_TRUE(testsupport::readAll(env->main.temp.filePath(QStringLiteral("kiosk.pdf"))).startsWith("%PDF"));
}

// A send cut after its first sub-order and run again: whatever the lab
// already has is not posted again, and each sub-order ends confirmed once.
TEST_F(OrderSendSim, RetriedSendPostsEachSubOrderOnce)
{
    const QJsonObject labFault { { "kind", "reply" }, { "status", 500 }, { "path", "/LumLabService.svc" }, { "times", 1 } };
    struct Case {
        const char* name;
        // Arms the failure while the second sub-order is sent.
        std::function<void(SimSteps&)> arm;
        bool secondPostedBeforeTheCut;
    } cases[] = {
        { "the lab refuses the second post",
          [&](SimSteps& s) {
              s.beforePrepare = [&](const TSubOrder& sub) {
                  if (sub.kind == TSubOrderKind::sokLabPrints)
                      ASSERT_TRUE(sim->addFault(labFault));
              };
          },
          false },
        { "the confirmation of the second is lost",
          [&](SimSteps& s) {
              s.afterFile = [&](const TSubOrder& sub) {
                  if (sub.kind == TSubOrderKind::sokLabPrints)
                      ASSERT_TRUE(sim->addFault(labFault));
              };
          },
          true },
        { "the transfer page fails after the second post",
          [&](SimSteps& s) {
              s.beforePrepare = [&s](const TSubOrder& sub) {
                  if (sub.kind == TSubOrderKind::sokLabPrints)
                      s.failFile = true;
              };
          },
          true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        fillOrder();
        TPrintOrder& o = *env->order;
        SimSteps steps(*env, *sim);
        c.arm(steps);
        EXPECT_THROW(TOrderSend::Run(o, &env->main, steps, true), std::exception);
        EXPECT_EQ(storedOrders().size(), c.secondPostedBeforeTheCut ? 2 : 1);
        const qint32 firstId = o.FirstCmdId();
        EXPECT_GT(firstId, 0);

        steps.beforePrepare = nullptr;
        steps.afterFile = nullptr;
        TOrderSend::Run(o, &env->main, steps, true);
        EXPECT_EQ(o.FirstCmdId(), firstId);
        EXPECT_TRUE(o.SendProgress().AllValidated());
        // The kiosk printer printed once; files of a posted sub-order were
        // not made again.
        EXPECT_EQ(steps.directPrints, 1);
        EXPECT_EQ(steps.prepares, c.secondPostedBeforeTheCut ? 2 : 3);

        const QJsonObject orders = storedOrders();
        ASSERT_EQ(orders.size(), 2);
        int kiosk = 0, lab = 0;
        for (const QJsonValue& v : orders) {
            const QJsonObject kept = v.toObject();
            const QJsonObject h = kept.value(QStringLiteral("order")).toObject();
            EXPECT_EQ(kept.value(QStringLiteral("status_history")).toArray(), QJsonArray({ "ECC", "CRE" }));
            if (h.value(QStringLiteral("CmdForImprimanteBorne")).toBool()) {
                ++kiosk;
            } else {
                ++lab;
                EXPECT_EQ(h.value(QStringLiteral("CmdMainId")).toInt(), firstId);
                // Its folder holds its files and its lab order file.
                const QString folder = sim->folder() + QLatin1Char('/') + kept.value(QStringLiteral("Numero")).toString();
                EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
                EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/DATA/order.xml")));
            }
        }
        EXPECT_EQ(kiosk, 1);
        EXPECT_EQ(lab, 1);

        // A further run has nothing left to do.
        const int filesBefore = steps.files;
        TOrderSend::Run(o, &env->main, steps, true);
        EXPECT_EQ(steps.files, filesBefore);
        EXPECT_EQ(storedOrders().size(), 2);
    }
}
