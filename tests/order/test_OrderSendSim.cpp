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
#include <algorithm>
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

        // The lab's template formats, lab templates, calendars and photo
        // books.
        templateFormats = m.service->GetConsumerTemplates(&m.asker, consumer->Id());
        labTemplates = m.service->GetZebtemplatesVelmoraBase(&m.asker);
        calendars = m.service->GetTemplatesCalendrier(&m.asker);
        books = m.service->GetConsumerAlbums(&m.asker, consumer->Id());
        ArrayOfint templateIds;
        for (auto& t : templateFormats)
            templateIds.push_back(t->Id());
        for (auto& tier : m.service->GetPrintsTarifs(&m.asker, templateIds))
            m.tplPrices.AddRow(tier.release(), true);
        for (auto& price : m.service->GetPhotographerAlbumsTarifs(&m.asker, consumer->PhotographeId()))
            m.albumPrices.Add(price.release());

        printerCalls = 0;
        TOrderSend::SetPrinterFactory([this](const QString&) {
            ++printerCalls;
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

    template <class List>
    static auto* byId(List& list, qint32 id)
    {
        for (auto& item : list)
            if (item->Id() == id)
                return item.get();
        throw Exception(QStringLiteral("no record %1 in the lab's catalogue").arg(id));
    }

    // A monthly calendar of two pages on the lab's A4 calendar format (one
    // photo with a clip-art border), and a photo book of the lab's landscape
    // model: its front cover, two designed pages (one empty) and a back
    // cover that is not printed.
    void fillDesigned()
    {
        TPrintOrder& o = *env->order;
        SendMainFrame& m = env->main;
        env->useDesignedProducts();
        ZebtemplateVelmora2* tpl = byId(labTemplates, 900);
        auto* calendar = static_cast<TestDesignedTemplate*>(o.TemplateProductAdd(byId(templateFormats, 120), 2));
        calendar->SetTplCal(byId(calendars, 61));
        calendar->SetDateStart(TTemplateProductImpl::getDateAsInt(2026, 1));
        for (int n = 1; n <= 2; ++n) {
            TCustomizedPage* page = calendar->addPage(
                std::make_unique<TCustomizedPage>(calendar, &m, tpl, nullptr, nullptr, n, nullptr));
            auto* slot = calendar->addFrame(page, std::make_unique<TestFrame>(page, QStringLiteral("cal%1").arg(n), 2600,
                                                                              TTypeFrame::FrameFixedUnderBg,
                                                                              QRectF(10, 10, 190, 140)));
            if (n == 1)
                slot->SetFrameBorder(std::make_unique<TestBorder>(slot, QStringLiteral("cal1-border"), 1300, 40, 40, 40, 40));
        }

        AlbumPhotographe2* model = nullptr;
        for (auto& b : books)
            if (b->AlbumPhotographeId() == 55)
                model = b.get();
        ASSERT_NE(model, nullptr);
        background.setId(310);
        auto* book = static_cast<TestDesignedAlbum*>(o.AlbumProductAdd(model, 1));
        auto* cover = book->addPage(std::make_unique<TCustomizedAlbumCover>(book, &m, QStringLiteral("FFFFFF"), 1));
        book->addFrame(cover, std::make_unique<TestFrame>(cover, QStringLiteral("cover"), 3100, TTypeFrame::FrameUser,
                                                          QRectF(0, 0, 297, 210)));
        auto* inside = book->addPage(std::make_unique<TCustomizedAlbumPage>(book, &m, &background, nullptr, 3));
        book->addFrame(inside, std::make_unique<TestFrame>(inside, QStringLiteral("inside"), 2200, TTypeFrame::FrameUser,
                                                           QRectF(20, 20, 120, 80), 8));
        auto* text = book->addFrame(inside, std::make_unique<TestFrame>(inside, QStringLiteral("caption"), 1100,
                                                                        TTypeFrame::FrameUser, QRectF(20, 120, 120, 20)));
        text->SetTextBloc(std::make_unique<TTextBloc>());
        book->addPage(std::make_unique<TCustomizedAlbumPage>(book, &m, 4));
        book->addPage(std::make_unique<TCustomizedAlbumCover>(book, &m, QStringLiteral("FFFFFF"), 5));
    }

    std::unique_ptr<SendEnv> env;
    Tirage2List templateFormats;
    ZebtemplateVelmora2List labTemplates;
    TemplateCalendrier2List calendars;
    AlbumPhotographe2List books;
    FondAlbum2 background;
    int printerCalls = 0;
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
        // The kiosk prints have no files to upload.
        if (sub.kind == TSubOrderKind::sokDirectPrints)
            return;
        QStringList files;
        if (sub.kind == TSubOrderKind::sokLabPrints) {
            fEnv.renderLabFiles();
            for (TImageTirageGroupData* group : order.ImagesSelectionneesTirage())
                for (TImageTirageData* f : group->LstFormats())
                    if (!f->IsDirectPrint())
                        files << f->FTPFilepath();
        } else {
            files = TOrderSend::DesignedFilesMake(&fEnv.main, sub);
        }
        const QString folder = order.ftpPathGet(&fEnv.main);
        if (!fTransfer.DirectoryExists(folder))
            fTransfer.DirectoryCreate(folder);
        for (const QString& file : files)
            fTransfer.UploadFile(file, folder + QLatin1Char('/') + QFileInfo(file).fileName(), false);
    }

    void PrintDirect(TPrintOrder& order, const TSubOrder& sub) override
    {
        order.SendDirectPrint(fEnv.main.temp.path());
        ++directPrints;
        if (afterPrint)
            afterPrint(sub);
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
    std::function<void(const TSubOrder&)> afterPrint;
    bool failFile = false;
    int prepares = 0;
    int files = 0;
    int directPrints = 0;
    std::vector<Sent> sent;
};

// The lab's record of the sub-order just posted (out of all it stored),
// after checking that its header and lines are what the order built.
QJsonObject expectHeaderAndLinesStored(TPrintOrder& o, const QJsonObject& stored)
{
    const QJsonObject kept = stored.value(QString::number(o.WebSvcOrderReceived()->Id())).toObject();
    expectStored(*o.WebSvcOrder(), kept.value(QStringLiteral("order")), QStringLiteral("order"));
    const QJsonArray lines = kept.value(QStringLiteral("lignes")).toArray();
    EXPECT_EQ(lines.size(), o.WebSvcOrderLines().Count());
    for (int i = 0; i < std::min<int>(lines.size(), o.WebSvcOrderLines().Count()); ++i)
        expectStored(*o.WebSvcOrderLines()[i], lines.at(i), QStringLiteral("lignes[%1]").arg(i));
    return kept;
}

// The lab's folder named after the sub-order's number (under labFolder)
// holds exactly the files of its lines, byte for byte as made, each of the
// size its line gives.
void expectLineFilesUploaded(TPrintOrder& o, const QString& labFolder)
{
    const QString folder = labFolder + QLatin1Char('/') + o.WebSvcOrderReceived()->Numero();
    QStringList names;
    for (LigneDeCommande2* l : o.WebSvcOrderLines()) {
        names << l->Image();
        const QFileInfo uploaded(folder + QLatin1Char('/') + l->Image());
        EXPECT_EQ(uploaded.size() / 1024, l->TailleImage()) << l->Image().toStdString();
        EXPECT_EQ(testsupport::readAll(uploaded.filePath()),
                  testsupport::readAll(QDir(o.tempFolderGet()).filePath(l->Image())));
    }
    names.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), names);
}

} // namespace

TEST_F(OrderSendSim, WholeOrderReachesTheLab)
{
    fillOrder();
    TPrintOrder& o = *env->order;
    SimSteps steps(*env, *sim);
    // What the lab keeps of each sub-order is what the order built.
    steps.afterFile = [&](const TSubOrder& sub) {
        const QJsonObject kept = expectHeaderAndLinesStored(o, storedOrders());
        if (sub.kind == TSubOrderKind::sokLabPrints) {
            // The print files sit in the folder named after the lab's number.
            expectLineFilesUploaded(o, sim->folder());
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

// Prints of two formats, a kiosk print, a calendar and a photo book: each
// sub-order reaches the lab in sending order with the records the order
// built (header, lines, pages and frames) and its print files, and the
// later ones point at the first.
TEST_F(OrderSendSim, WholeOrderWithDesignedProductsReachesTheLab)
{
    fillOrder();
    fillDesigned();
    TPrintOrder& o = *env->order;
    SimSteps steps(*env, *sim);
    steps.afterFile = [&](const TSubOrder& sub) {
        const QJsonObject kept = expectHeaderAndLinesStored(o, storedOrders());
        if (sub.kind == TSubOrderKind::sokAlbum) {
            const QJsonArray pages = kept.value(QStringLiteral("pages")).toArray();
            ASSERT_EQ(pages.size(), o.WebSvcOrderAlbumPages().Count());
            for (int i = 0; i < pages.size(); ++i)
                expectStored(*o.WebSvcOrderAlbumPages()[i], pages.at(i), QStringLiteral("pages[%1]").arg(i));
        }
        if (sub.kind == TSubOrderKind::sokDirectPrints)
            return;
        // The folder named after the lab's number holds exactly the files
        // of the sub-order's lines, as made.
        expectLineFilesUploaded(o, sim->folder());
    };
    TOrderSend::Run(o, &env->main, steps, true);

    const std::vector<TSubOrderKind> kinds { TSubOrderKind::sokDirectPrints, TSubOrderKind::sokLabPrints,
                                             TSubOrderKind::sokTemplate, TSubOrderKind::sokAlbum };
    const char* operations[] = { "PasserCommande", "PasserCommande", "AddOrderTemplate", "AddOrderAlbum" };
    const qsizetype lineCounts[] = { 1, 3, 3, 3 };
    ASSERT_EQ(steps.sent.size(), kinds.size());
    const QJsonObject orders = storedOrders();
    ASSERT_EQ(orders.size(), 4);
    for (size_t i = 0; i < kinds.size(); ++i) {
        SCOPED_TRACE(operations[i]);
        EXPECT_EQ(steps.sent[i].sub.kind, kinds[i]);
        const QJsonObject kept = orders.value(QString::number(steps.sent[i].id)).toObject();
        EXPECT_EQ(kept.value(QStringLiteral("operation")).toString(), QString::fromLatin1(operations[i]));
        EXPECT_EQ(kept.value(QStringLiteral("status_history")).toArray(), QJsonArray({ "ECC", "CRE" }));
        EXPECT_EQ(kept.value(QStringLiteral("lignes")).toArray().size(), lineCounts[i]);
        const QJsonObject h = kept.value(QStringLiteral("order")).toObject();
        if (i == 0)
            EXPECT_FALSE(h.contains(QStringLiteral("CmdMainId")));
        else
            EXPECT_EQ(h.value(QStringLiteral("CmdMainId")).toInt(), steps.sent[0].id);
    }
    const QJsonObject calendar =
        orders.value(QString::number(steps.sent[2].id)).toObject().value(QStringLiteral("order")).toObject();
    EXPECT_EQ(calendar.value(QStringLiteral("TirageId")).toInt(), 120);
    EXPECT_EQ(calendar.value(QStringLiteral("TemplateCalendrierId")).toInt(), 61);
    EXPECT_EQ(calendar.value(QStringLiteral("AnneeDepart")).toInt(), 2026);
    EXPECT_EQ(calendar.value(QStringLiteral("MoisDepart")).toInt(), 1);
    EXPECT_EQ(calendar.value(QStringLiteral("TemplateCadres")).toArray().size(), 3);
    // Two designed pages of the book go to the lab; the empty one with
    // its one empty frame record.
    const QJsonArray pages = orders.value(QString::number(steps.sent[3].id)).toObject().value(QStringLiteral("pages")).toArray();
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages.at(2).toObject().value(QStringLiteral("Cadres")).toArray(), QJsonArray({ QJsonObject() }));
    EXPECT_EQ(steps.directPrints, 1);
}

// A send cut while the photo book is posted and run again: the three
// sub-orders the lab has are not posted again, their files not made again,
// and the book arrives once, pointing at the first sub-order.
TEST_F(OrderSendSim, RetriedWholeOrderPostsEachSubOrderOnce)
{
    fillOrder();
    fillDesigned();
    TPrintOrder& o = *env->order;
    SimSteps steps(*env, *sim);
    steps.beforePrepare = [&](const TSubOrder& sub) {
        if (sub.kind == TSubOrderKind::sokAlbum)
            ASSERT_TRUE(sim->addFault(
                { { "kind", "reply" }, { "status", 500 }, { "path", "/LumLabService.svc" }, { "times", 1 } }));
    };
    EXPECT_THROW(TOrderSend::Run(o, &env->main, steps, true), std::exception);
    EXPECT_EQ(storedOrders().size(), 3);
    steps.beforePrepare = nullptr;
    TOrderSend::Run(o, &env->main, steps, true);
    EXPECT_TRUE(o.SendProgress().AllValidated());
    EXPECT_EQ(steps.prepares, 5);
    EXPECT_EQ(steps.directPrints, 1);

    const QJsonObject orders = storedOrders();
    ASSERT_EQ(orders.size(), 4);
    std::map<QString, int> byOperation;
    for (const QJsonValue& v : orders) {
        const QJsonObject kept = v.toObject();
        ++byOperation[kept.value(QStringLiteral("operation")).toString()];
        EXPECT_EQ(kept.value(QStringLiteral("status_history")).toArray(), QJsonArray({ "ECC", "CRE" }));
        const QJsonObject h = kept.value(QStringLiteral("order")).toObject();
        if (kept.value(QStringLiteral("Id")).toInt() != o.FirstCmdId())
            EXPECT_EQ(h.value(QStringLiteral("CmdMainId")).toInt(), o.FirstCmdId());
    }
    const std::map<QString, int> once { { "AddOrderAlbum", 1 }, { "AddOrderTemplate", 1 }, { "PasserCommande", 2 } };
    EXPECT_EQ(byOperation, once);
}

// The kiosk printer prints once the lab has the kiosk prints' sub-order,
// and never twice in a send: a refused post prints nothing, a retry after
// the print prints nothing more.
TEST_F(OrderSendSim, KioskPrintsFollowTheirPostOnce)
{
    const QJsonObject labFault { { "kind", "reply" }, { "status", 500 }, { "path", "/LumLabService.svc" }, { "times", 1 } };
    struct Case {
        const char* name;
        bool faultBeforeRun;   // the lab refuses the kiosk prints' post
        bool faultAfterPrint;  // the confirmation after the print is lost
        int printsAfterFailure;
    } cases[] = {
        { "the lab refuses the kiosk prints", true, false, 0 },
        { "the confirmation after the print is lost", false, true, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        fillOrder();
        TPrintOrder& o = *env->order;
        SimSteps steps(*env, *sim);
        if (c.faultBeforeRun)
            ASSERT_TRUE(sim->addFault(labFault));
        if (c.faultAfterPrint)
            steps.afterPrint = [&](const TSubOrder&) { ASSERT_TRUE(sim->addFault(labFault)); };
        EXPECT_THROW(TOrderSend::Run(o, &env->main, steps, true), std::exception);
        EXPECT_EQ(printerCalls, c.printsAfterFailure);
        EXPECT_EQ(QFileInfo::exists(env->main.temp.filePath(QStringLiteral("kiosk.pdf"))), c.printsAfterFailure > 0);

        steps.afterPrint = nullptr;
        TOrderSend::Run(o, &env->main, steps, true);
        EXPECT_EQ(printerCalls, 1);
        EXPECT_EQ(steps.directPrints, 1);
        EXPECT_TRUE(testsupport::readAll(env->main.temp.filePath(QStringLiteral("kiosk.pdf"))).startsWith("%PDF"));
        EXPECT_EQ(storedOrders().size(), 2);
    }
}

// The kiosk crashes during a send: the order comes back from its backup
// file, and the retry posts only what the lab does not have, prints
// nothing again and files a posted sub-order with the very lab order file
// it was posted with (its print files cannot be named again).
TEST_F(OrderSendSim, SendResumedFromTheOrderBackup)
{
    struct Case {
        const char* name;
        bool labPrintsPosted; // the crash comes after the lab accepted them
    } cases[] = {
        { "crash while the lab prints are posted", false },
        { "crash after the lab prints were posted", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        fillOrder();
        SimSteps steps(*env, *sim);
        QString postedFile;
        steps.beforePrepare = [&](const TSubOrder& sub) {
            if (sub.kind != TSubOrderKind::sokLabPrints)
                return;
            if (c.labPrintsPosted)
                steps.failFile = true;
            else
                ASSERT_TRUE(sim->addFault(
                    { { "kind", "reply" }, { "status", 500 }, { "path", "/LumLabService.svc" }, { "times", 1 } }));
        };
        EXPECT_THROW(TOrderSend::Run(*env->order, &env->main, steps, true), std::exception);
        ASSERT_EQ(storedOrders().size(), c.labPrintsPosted ? 2 : 1);
        if (c.labPrintsPosted)
            postedFile = QString::fromUtf8(testsupport::readAll(env->main.temp.filePath(QStringLiteral("order.xml"))));
        const qint32 firstId = env->order->FirstCmdId();
        const QString backup = env->main.temp.filePath(QStringLiteral("backup.xml"));
        env->order->Save(backup);

        std::unique_ptr<TPrintOrder> reloaded = TPrintOrder::TryLoadCreate(&env->main, backup);
        ASSERT_NE(reloaded, nullptr);
        env->order = std::move(reloaded);
        env->main.order = env->order.get();
        env->useTestFormats(3000);
        ASSERT_EQ(env->order->SendProgress().Items().size(), 2u);
        EXPECT_EQ(env->order->FirstCmdId(), -1);
        // The lab order file of the moment is gone with the crash.
        QFile::remove(env->main.temp.filePath(QStringLiteral("order.xml")));

        steps.beforePrepare = nullptr;
        TOrderSend::Run(*env->order, &env->main, steps, true);
        EXPECT_EQ(env->order->FirstCmdId(), firstId);
        EXPECT_TRUE(env->order->SendProgress().AllValidated());
        EXPECT_EQ(steps.directPrints, 1);
        EXPECT_EQ(printerCalls, 1);
        const QJsonObject orders = storedOrders();
        ASSERT_EQ(orders.size(), 2);
        for (const QJsonValue& v : orders) {
            const QJsonObject kept = v.toObject();
            EXPECT_EQ(kept.value(QStringLiteral("status_history")).toArray(), QJsonArray({ "ECC", "CRE" }));
            if (kept.value(QStringLiteral("Id")).toInt() == firstId)
                continue;
            EXPECT_EQ(kept.value(QStringLiteral("order")).toObject().value(QStringLiteral("CmdMainId")).toInt(), firstId);
            // The folder holds the files the lab's lines name, and the lab
            // order file names them too.
            const QString folder = sim->folder() + QLatin1Char('/') + kept.value(QStringLiteral("Numero")).toString();
            const QString filed = QString::fromUtf8(testsupport::readAll(folder + QStringLiteral("/DATA/order.xml")));
            if (c.labPrintsPosted)
                EXPECT_EQ(filed, postedFile);
            for (const QJsonValue& line : kept.value(QStringLiteral("lignes")).toArray()) {
                const QString image = line.toObject().value(QStringLiteral("Image")).toString();
                EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + image)) << image.toStdString();
                EXPECT_TRUE(filed.contains(QStringLiteral("<Image>") + image + QStringLiteral("</Image>")))
                    << image.toStdString();
            }
        }
    }
}
