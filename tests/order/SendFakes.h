#pragma once
// Test doubles for order files and sending: a main frame that reloads
// photos and speaks to a lab service, print formats whose print files the
// test writes, and an environment that builds small orders.
#include "OrderFakes.h"
#include "TestSupport.h"

#include "LumLabService.h"
#include "UAlbumProduct.h"
#include "UCustomizedPage.h"
#include "ULabAlbumContracts.h"
#include "ULabOrderFile.h"
#include "ULabTemplateContracts.h"
#include "UOrderFiles.h"
#include "UOrderSend.h"
#include "UTemplateProduct.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <map>

namespace sendfakes {

using namespace orderfakes;

// The configuration's temp folder is the test's own.
class SendConfig : public TestConfig {
public:
    QString CalcTempPath() override { return tempPath; }
    double GetGalleryProCoeff() override { return galleryCoeff; }

    QString tempPath;
    double galleryCoeff = 1.25;
};

// A print format whose print file is written by the test: `bytes` bytes
// of content derived from the photo's id, named after the photo and the
// print format. Rendering for the kiosk printer gives a plain picture.
class TestPrintFormat : public TImageTirageData {
public:
    TestPrintFormat(TImageTirageGroupData* group, TTirageProduct* product, int fileBytes)
        : TImageTirageData(group, product)
        , bytes(fileBytes)
    {
    }

    QString ImageTransfo(IMainFrame* main, bool) override
    {
        TPrintOrder* order = main->GetOrder();
        const QString name = QStringLiteral("%1_%2_T%3.jpg").arg(Quantity()).arg(Image()->ImageLabel()).arg(TirageId());
        const QString path = QDir(order->tempFolderGet()).filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            throw Exception(QStringLiteral("TestPrintFormat: cannot write ") + path);
        QByteArray content = QCryptographicHash::hash(Image()->ImageID().toUtf8(), QCryptographicHash::Sha256);
        while (content.size() < bytes)
            content += content;
        f.write(content.left(bytes));
        f.close();
        fImageTransfoPath = path;
        ++transfos;
        return path;
    }
    void onAsyncBitmapBuild(IMainFrame*, int w, int h, TOrderBitmapMode, QImage& out) override
    {
        out = QImage(std::max(1, w / 8), std::max(1, h / 8), QImage::Format_RGB32);
        out.fill(QColor(40, 120, 160));
        ++renders;
    }

    int bytes;
    int transfos = 0;
    int renders = 0;
};

// A lab order file without the creation moment of its header, the only
// value that changes from run to run.
inline QString withoutCreationTime(QString xml)
{
    static const QRegularExpression created(QStringLiteral("<DateCommande>[^<]*</DateCommande>"));
    return xml.replace(created, QStringLiteral("<DateCommande>*</DateCommande>"));
}

// Writes a print file of `bytes` bytes derived from its name into the
// order's transfer folder.
inline QString writePrintFile(IMainFrame* main, const QString& name, int bytes)
{
    const QString path = QDir(main->GetOrder()->tempFolderGet()).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("writePrintFile: cannot write ") + path);
    QByteArray content = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256);
    while (content.size() < bytes)
        content += content;
    f.write(content.left(bytes));
    return path;
}

// A frame of a designed page whose print file "<name>.jpg" the test writes.
class TestFrame : public TCustomizedFrame {
public:
    TestFrame(TCustomizedPageBase* page, const QString& fileName, int fileBytes, TTypeFrame kind, const QRectF& mm,
              float angle = 0)
        : TCustomizedFrame(page)
        , name(fileName)
        , bytes(fileBytes)
    {
        SetTypeFrame(kind);
        SetPositionX(float(mm.x()));
        SetPositionY(float(mm.y()));
        SetWidth(float(mm.width()));
        SetHeight(float(mm.height()));
        SetRotationAngle(angle);
    }

    QString ImageTransfo(IMainFrame* main, bool forceCrop) override
    {
        ++transfos;
        cropped = forceCrop;
        fImageTransfoPath = writePrintFile(main, name + QStringLiteral(".jpg"), bytes);
        return fImageTransfoPath;
    }

    QString name;
    int bytes;
    int transfos = 0;
    bool cropped = false;
};

// A clip-art border whose bands are given in pixels at 254 dpi (a tenth of
// a millimetre each); its print file "<name>.png" is written by the test.
class TestBorder : public TFrameBorder {
public:
    TestBorder(TCustomizedFrame* frame, const QString& fileName, int fileBytes, int left, int top, int right,
               int bottom)
        : name(fileName)
        , bytes(fileBytes)
    {
        SetFrame(frame);
        auto clipart = std::make_unique<TClipartFrame>();
        clipart->BorderLeft = left;
        clipart->BorderTop = top;
        clipart->BorderRight = right;
        clipart->BorderBottom = bottom;
        clipart->DpiX = 254;
        clipart->DpiY = 254;
        SetClipartFrame(std::move(clipart));
        SetBorderThickness(100);
    }

    QString ImageTransfo(IMainFrame* main, bool forceCrop) override
    {
        ++transfos;
        cropped = forceCrop;
        fImageTransfoPath = writePrintFile(main, name + QStringLiteral(".png"), bytes);
        return fImageTransfoPath;
    }

    QString name;
    int bytes;
    int transfos = 0;
    bool cropped = false;
};

// A designed product that holds the pages the test gives it.
template <class Base>
class PagedProduct : public Base {
public:
    using Base::Base;
    IArcList<TCustomizedPageBase*> GetPagesList() override
    {
        auto list = TArcList<TCustomizedPageBase*>::Create();
        for (auto& p : pages)
            list->Add(p.get());
        return list;
    }
    template <class P>
    P* addPage(std::unique_ptr<P> page)
    {
        P* raw = page.get();
        pages.push_back(std::move(page));
        return raw;
    }
    template <class F>
    F* addFrame(TCustomizedPageBase* page, std::unique_ptr<F> frame)
    {
        F* raw = frame.get();
        page->FrameAdd(std::move(frame));
        return raw;
    }

    std::vector<std::unique_ptr<TCustomizedPageBase>> pages;
};
using TestDesignedTemplate = PagedProduct<TTemplateProductImpl>;
using TestDesignedAlbum = PagedProduct<TAlbumProductImpl>;

// Main frame of the sending tests: the order tests' catalogue plus the
// lab account, the lab service and the photo reload of the media sources.
class SendMainFrame : public OrderMainFrame {
public:
    SendMainFrame()
    {
        asker.setVersion(QStringLiteral("d010203w64"));
        asker.setLogin(QStringLiteral("kiosk-demo"));
        asker.setTypeDemandeur(Demandeur_Profil::Consommateur);
        asker.setPassword(QStringLiteral("Q7#secret!K4"));
        boot.setId(4711);
        consumer.setId(77);
        consumer.setAdresseCouranteId(501);
        consumer.setNom(QStringLiteral("Photo Martin"));
        consumer.setSoldePacks(12);
        photographer.setPrixCd(4.5);
        photographer.setPrixIndex(1.25);
        photographer.setPrixExpress(3.0);
        photographer.setFraisDePortEnPrix(6.9);
        photographer.setFraisDePortEnPacks(2);
        photographer.setFraisDePriseEnCharge(1.5);
        photographer.setFraisPriseEnChargeEurosMagasin(true);
        photographer.setMontantPalierDeLaCommande(100.0);
        sendConfig.tempPath = temp.path();
    }

    TConfigInfo* Config() override { return &sendConfig; }
    TPrintTarifList* GetWebSvcTemplatePrices() override { return &tplPrices; }
    TAlbumPriceList* GetWebSvcAlbumPrice() override { return &albumPrices; }
    ILumLabServiceRef GetWebSvcLum() override { return service; }
    Demandeur2* GetWebSvcAsker() override { return &asker; }
    Zebconsumer2* GetWebSvcConsumerBoot() override { return &boot; }
    quint8 QzConnectionMode() override { return connectionMode; }
    QString GetWebSvcFrontPrintFormat() override { return QStringLiteral("dd/MM/yy"); }
    TOrderImageBase* OrderImageReload(const QString& id, const QString& label, const QString& data) override
    {
        ++reloads[id];
        reloadLabels[id] = label;
        auto* img = new TestImage(id);
        img->fValid = !missing.contains(id);
        return img;
    }

    QTemporaryDir temp;
    SendConfig sendConfig;
    TPrintTarifList tplPrices;
    TAlbumPriceList albumPrices { true };
    ILumLabServiceRef service;
    Demandeur2 asker;
    Zebconsumer2 boot;
    quint8 connectionMode = 10;
    QSet<QString> missing;
    std::map<QString, int> reloads;
    std::map<QString, QString> reloadLabels;
};

// An order on a SendMainFrame with two print formats of the catalogue:
// 1 (10x15, lab) and 2 (13x18, lab); kiosk formats are added by tests.
class SendEnv {
public:
    SendEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestTemplateProduct>(o); });
        TAlbumProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestAlbumProduct>(o); });
        Tirage2* t1 = main.addTirage(1, 10, 15);
        t1->setChannel(3);
        Tirage2* t2 = main.addTirage(2, 13, 18);
        t2->setChannel(4);
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~SendEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
        TTemplateProduct::SetFactory(nullptr);
        TAlbumProduct::SetFactory(nullptr);
    }

    // The order's template products and photo books hold the test's pages.
    void useDesignedProducts()
    {
        TTemplateProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestDesignedTemplate>(o); });
        TAlbumProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestDesignedAlbum>(o); });
    }

    // A kiosk-printer print format of the catalogue.
    Tirage2* addKioskTirage(qint32 id, const QString& printer)
    {
        Tirage2* t = main.addTirage(id, 10, 15);
        t->setImprimanteBorneId(9);
        t->setImprimanteBorneNomWindows(printer);
        return t;
    }

    // A photo handed to the order through a print product.
    TestImage* addPrint(TTirageProduct* product, const QString& id, bool gallery = false)
    {
        auto* img = new TestImage(id);
        img->fGallery = gallery;
        TOrderImageBase* own = product->ImageUsedAdd(img);
        if (own != img)
            delete img;
        return static_cast<TestImage*>(own);
    }

    // Every print format becomes a TestPrintFormat with the same product,
    // channel and quantity (print files of `bytes` bytes).
    void useTestFormats(int bytes)
    {
        for (TImageTirageGroupData* group : order->ImagesSelectionneesTirage()) {
            std::vector<TImageTirageData*> formats;
            for (TImageTirageData* f : group->LstFormats()) {
                auto* t = new TestPrintFormat(group, f->Product(), bytes);
                t->SetChannel(f->Channel());
                t->SetTirageId(f->TirageId());
                t->SetQuantity(f->Quantity());
                formats.push_back(t);
            }
            group->SetFormats(TArray<TImageTirageData*>(formats));
        }
    }

    // Produces the print files of the lab formats.
    void renderLabFiles()
    {
        for (TImageTirageGroupData* group : order->ImagesSelectionneesTirage())
            for (TImageTirageData* f : group->LstFormats())
                if (!f->IsDirectPrint())
                    f->ImageTransfo(&main, false);
    }

    SendMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
};

} // namespace sendfakes
