#pragma once
// Test doubles for the order model: a main frame holding a small catalogue,
// photos whose validity, size and Exif data a test sets, product workflows,
// and designed products that only count and price.
#include "FakeMainFrame.h"
#include "UConfig.h"
#include "UPrintOrder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace orderfakes {

// A configuration that touches no file.
class TestConfig : public TConfig {
public:
    TestConfig() = default;
};

inline std::unique_ptr<Tirage2> makeTirage(qint32 id, qint32 largeurCm, qint32 longueurCm, const QString& prefix = QString())
{
    auto t = std::make_unique<Tirage2>();
    t->setId(id);
    t->setLargeur(largeurCm);
    t->setLongueur(longueurCm);
    t->setPrefixe(prefix);
    return t;
}

inline std::unique_ptr<Tarif2> makeTier(qint32 tirageId, qint32 min, qint32 max, double prix, qint32 packs = 0,
                                        Tarif_TypeTarif type = Tarif_TypeTarif::EurosMagasin, qint32 id = 0)
{
    auto t = std::make_unique<Tarif2>();
    t->setId(id);
    t->setTirageId(tirageId);
    t->setQuantiteMinimale(min);
    t->setQuantiteMaximale(max);
    t->setCoutEnPrix(prix);
    t->setCoutEnPacks(packs);
    t->setTypeDeTarif(type);
    return t;
}

// A photo whose answers the test sets.
class TestImage : public TOrderImageBase {
public:
    explicit TestImage(const QString& id, QSizeF size = QSizeF(3000, 2000))
        : fId(id)
        , fSize(size)
    {
        ++sAlive;
    }
    ~TestImage() override { --sAlive; }

    QSizeF ImageSize() override { return fSize; }
    QString ImageID() override { return fId; }
    QDateTime ImageDate() override { return fDate; }
    TSimplifiedExifData* ExifData() override { return fExif.get(); }
    bool IsImageValid() override { return fValid && TOrderImageBase::IsImageValid(); }
    bool IsImageGalleryPro() override { return fGallery; }
    void LoadBitmap(QImage& bmp, int, int, TOrderBitmapMode) override
    {
        if (fLoadError)
            std::rethrow_exception(fLoadError);
        bmp = QImage(int(fSize.width()), int(fSize.height()), QImage::Format_RGB32);
    }
    void CopyToFile(const QString&) override { }
    void SortAndDesignInfoPreLoad() override { }
    bool hasExifDate() override { return fExif && fExif->DateTimeOriginal().isValid(); }
    void UsedPrepare(IMainFrame*) override { ++fPrepared; }

    QString fId;
    QSizeF fSize;
    QDateTime fDate;
    std::unique_ptr<TSimplifiedExifData> fExif;
    bool fValid = true;
    bool fGallery = false;
    int fPrepared = 0;
    std::exception_ptr fLoadError;

    static inline int sAlive = 0;
};

class TestWorkflows : public IOrderProductWorkflows {
public:
    TTirageProduct* currentPrintProduct() override { return print; }
    IArcList<TTirageProduct*> currentPrintProductList() override { return printList; }
    TAlbumProduct* currentAlbumProduct() override { return album; }
    TTemplateProduct* currentCardProduct() override { return card; }
    TTemplateProduct* currentCalendarProduct() override { return calendar; }

    TTirageProduct* print = nullptr;
    IArcList<TTirageProduct*> printList = TArcList<TTirageProduct*>::Create();
    TAlbumProduct* album = nullptr;
    TTemplateProduct* card = nullptr;
    TTemplateProduct* calendar = nullptr;
};

// A template product holding its pictures in an available list, with a
// fixed unit price; enough for the order's own rules.
class TestTemplateProduct : public TTemplateProduct {
public:
    using TTemplateProduct::TTemplateProduct;
    bool ImageUsedReplace(TOrderImageBase* o, TOrderImageBase* n) override
    {
        const int i = images->IndexOf(o);
        if (i < 0)
            return false;
        images->SetItem(i, n);
        return true;
    }
    TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) override
    {
        TOrderImageBase* own = fOrder->GlobalImageUsedAdd(img);
        if (own && !images->Contains(own))
            images->Add(own);
        return own;
    }
    void ImageUsedDel(IMainFrame*, TOrderImageBase* img, bool) override { images->Remove(img); }
    bool IsImageUsed(TOrderImageBase* img) override { return images->Contains(img); }
    IArcList<TOrderImageBase*> ImgsAvailableList() override { return images; }
    bool HasImgsAvailable() override { return images->GetCount() > 0; }
    void InitWithProduct(TProductBase* prod) override { images = prod->ImgsAvailableList(); }
    TTirageList* AvailablePrintList(IMainFrame*) override { return nullptr; }
    QString ProductLabel() override { return QStringLiteral("Card"); }
    QString ProductCartLabel() override { return QStringLiteral("Card"); }
    TProductPrice GetPrice() override { return GetUnitPrice(Quantity()); }
    TCustomizedPageBase* GetPageByNum(int) override { return nullptr; }
    IArcList<TCustomizedPageBase*> GetPagesList() override { return nullptr; }
    QString PageLabel(int, TProductLabelMode) override { return QString(); }
    bool IsEmpty() override { return images->GetCount() == 0; }
    void Check() override
    {
        if (checkError)
            throw EUser(checkError);
    }
    TProductPrice GetUnitPrice(qint32 qty) override { return TProductPrice { qty, unit, Tarif_TypeTarif::EurosMagasin }; }

    IArcList<TOrderImageBase*> images = TArcList<TOrderImageBase*>::Create();
    Currency unit = 50000;
    const char* checkError = nullptr;
};

class TestAlbumProduct : public TAlbumProduct {
public:
    using TAlbumProduct::TAlbumProduct;
    bool ImageUsedReplace(TOrderImageBase*, TOrderImageBase*) override { return false; }
    TOrderImageBase* ImageUsedAdd(TOrderImageBase* img) override { return fOrder->GlobalImageUsedAdd(img); }
    void ImageUsedDel(IMainFrame*, TOrderImageBase*, bool) override { ++dels; }
    bool IsImageUsed(TOrderImageBase*) override { return false; }
    IArcList<TOrderImageBase*> ImgsAvailableList() override { return TArcList<TOrderImageBase*>::Create(); }
    bool HasImgsAvailable() override { return false; }
    void InitWithProduct(TProductBase*) override { ++inits; }
    bool XMLloadFinalize(TPrintOrder*, IMainFrame*) override { return true; }
    QString ProductShortLabel() override { return QStringLiteral("Book"); }
    QString ProductLabel() override { return QStringLiteral("Book"); }
    QString ProductCartLabel() override { return QStringLiteral("Book"); }
    QString DebugLabel() override { return QStringLiteral("Book"); }
    TProductPrice GetPrice() override { return TProductPrice(); }
    TCustomizedPageBase* GetPageByNum(int) override { return nullptr; }
    IArcList<TCustomizedPageBase*> GetPagesList() override { return nullptr; }
    QString PageLabel(int, TProductLabelMode) override { return QString(); }
    bool IsEmpty() override { return empty; }
    int ChannelId() override { return 0; }
    void Check() override { }
    TProductPrice GetUnitPrice(qint32 qty, bool extra) override
    {
        return TProductPrice { qty, extra ? pageUnit : unit, Tarif_TypeTarif::EurosMagasin };
    }
    int PageSuppCount() override { return extraPages; }

    Currency unit = 200000;
    Currency pageUnit = 5000;
    int extraPages = 0;
    bool empty = false;
    int dels = 0;
    int inits = 0;
};

// A main frame with a small catalogue: the test fills the lists.
class OrderMainFrame : public RecordingMainFrame {
public:
    OrderMainFrame()
    {
        consumer.setTypeTarif(Tarif_TypeTarif::EurosMagasin);
        photographer.setResolutionDpi(300);
    }

    TPrintOrder* GetOrder() override { return order; }
    TConfigInfo* Config() override { return &config; }
    bool GetDebugMode() override { return debugMode; }
    TWorkflowType getWorkflowType() override { return workflow; }
    void setWorkflowType(TWorkflowType t) override { workflow = t; }
    void orderChanged() override { ++orderChangedCount; }
    bool checkPhotographer() override { return photographerOk; }
    Currency priceRound(Currency price) override { return price; }
    void priceRound(TProductPrice& price) override { ++roundCount; }
    Consommateur2* GetWebSvcConsumerFull() override { return &consumer; }
    Photographe2* GetWebSvcPhotographer() override { return &photographer; }
    TTirageList* GetWebSvcPrintProducts() override { return &prints; }
    TPrintTarifList* GetWebSvcPrintPrices() override { return &prices; }
    TChannelList* GetWebSvcChannels() override { return &channels; }
    TOrderImageBase* GetImgNotFound() override { return &notFound; }
    TOrderImageBase* GetImgTooBig() override { return &tooBig; }
    Adresse2* GetWebSvcAddressHome() override { return home.get(); }
    Adresse2* GetWebSvcAddressInvoice() override { return invoice.get(); }
    TAdresseList* GetWebSvcAddressesDelivery() override { return &delivery; }
    QString AppMemoryUsageStr() override { return QString(); }
    QSizeF BitmapSizeMmToPixel(int, QSizeF mm, int* pdpi, bool) override
    {
        if (pdpi)
            *pdpi = 300;
        return QSizeF(mm.width() * 300 / 25.4, mm.height() * 300 / 25.4);
    }

    Tirage2* addTirage(qint32 id, qint32 largeurCm, qint32 longueurCm)
    {
        Tirage2* t = makeTirage(id, largeurCm, longueurCm).release();
        prints.Add(t);
        return t;
    }
    void addTier(qint32 tirageId, qint32 min, qint32 max, double prix, qint32 packs = 0,
                 Tarif_TypeTarif type = Tarif_TypeTarif::EurosMagasin)
    {
        prices.AddRow(makeTier(tirageId, min, max, prix, packs, type).release(), true);
    }

    TPrintOrder* order = nullptr;
    TestConfig config;
    bool debugMode = false;
    TWorkflowType workflow = TWorkflowNone;
    int orderChangedCount = 0;
    int roundCount = 0;
    bool photographerOk = true;
    Consommateur2 consumer;
    Photographe2 photographer;
    TTirageList prints { true };
    TPrintTarifList prices;
    TChannelList channels { true };
    TestImage notFound { QStringLiteral("res\\notfound.png") };
    TestImage tooBig { QStringLiteral("res\\toobig.png") };
    std::unique_ptr<Adresse2> home;
    std::unique_ptr<Adresse2> invoice;
    TAdresseList delivery { true };
};

// Installs the test's workflows and designed-product factories for its life.
class OrderEnv {
public:
    OrderEnv()
    {
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestTemplateProduct>(o); });
        TAlbumProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<TestAlbumProduct>(o); });
        order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
    }
    ~OrderEnv()
    {
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
        TTemplateProduct::SetFactory(nullptr);
        TAlbumProduct::SetFactory(nullptr);
    }

    // A new photo handed to the order through a print product.
    TestImage* addPrint(TTirageProduct* product, const QString& id, bool gallery = false)
    {
        auto* img = new TestImage(id);
        img->fGallery = gallery;
        TOrderImageBase* own = product->ImageUsedAdd(img);
        if (own != img)
            delete img;
        return static_cast<TestImage*>(own);
    }

    OrderMainFrame main;
    std::shared_ptr<TestWorkflows> workflows = std::make_shared<TestWorkflows>();
    std::unique_ptr<TPrintOrder> order;
};

} // namespace orderfakes
