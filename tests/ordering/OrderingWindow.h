#pragma once
// A window with the workflow of screens and a current order over a small
// catalogue, for the tests of the cart, order-information and recap
// screens: prices print as "1.50 €", message boxes and confirmations are
// recorded (a test answers the confirmation), the lab's store record and
// the configuration are the test's.
#include "OrderFakes.h"
#include "UAppStyle.h"
#include "UMainFrameWorkflow.h"
#include "UMainObservers.h"
#include "UThreadTaskQueue.h"
#include "UWorkflowSteps.h"

#include "ULabPartyContracts.h"

#include <QApplication>
#include <QDir>
#include <QStackedWidget>
#include <QStringList>
#include <map>

class OrderingWindow : public TMainFrameWorkflow {
public:
    explicit OrderingWindow(TZebdesign design = zebd_kiosk)
        : TMainFrameWorkflow(nullptr)
    {
        fZebdesign = design;
        consumer.setTypeTarif(Tarif_TypeTarif::EurosMagasin);
        photographer.setResolutionDpi(300);
        TPrintOrder::SetProductWorkflowsProvider([wf = workflows](IMainFrame*) { return wf; });
        TTemplateProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<orderfakes::TestTemplateProduct>(o); });
        TAlbumProduct::SetFactory([](TPrintOrder* o) { return std::make_unique<orderfakes::TestAlbumProduct>(o); });
        order = std::make_unique<TPrintOrder>(this);
        resize(1280, 800);
        workflowInit();
    }
    ~OrderingWindow() override
    {
        activeStepClose();
        popupCloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        order.reset();
        TPrintOrder::SetProductWorkflowsProvider(nullptr);
        TTemplateProduct::SetFactory(nullptr);
        TAlbumProduct::SetFactory(nullptr);
    }

    // Runs the GUI Queue until it has nothing left (bounded), then the
    // deferred deletions.
    void RunQueue()
    {
        for (int i = 0; i < 50 && GuiTaskQueue()->hasTasks(); ++i)
            TimerQueueTimer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Go(TWorkflowStep step)
    {
        goWorkflowStep(step, false, true);
        RunQueue();
    }
    QString ActiveTabName() const { return TabControlMain()->currentWidget()->objectName(); }
    template <class T>
    T* Active() const
    {
        return dynamic_cast<T*>(ActiveStep().get());
    }
    // Answers the pending confirmation.
    void Answer(bool yes)
    {
        ASSERT_FALSE(confirmations.empty());
        auto [y, n] = pending;
        pending = {};
        if (yes && y)
            y();
        if (!yes && n)
            n();
    }

    // --- the catalogue
    Tirage2* addTirage(qint32 id, qint32 largeurCm, qint32 longueurCm)
    {
        Tirage2* t = orderfakes::makeTirage(id, largeurCm, longueurCm).release();
        prints.Add(t);
        return t;
    }
    void addTier(qint32 tirageId, qint32 min, qint32 max, double prix, qint32 packs = 0,
                 Tarif_TypeTarif type = Tarif_TypeTarif::EurosMagasin)
    {
        prices.AddRow(orderfakes::makeTier(tirageId, min, max, prix, packs, type).release(), true);
    }
    orderfakes::TestImage* addPrint(TTirageProduct* product, const QString& id)
    {
        auto* img = new orderfakes::TestImage(id);
        TOrderImageBase* own = product->ImageUsedAdd(img);
        if (own != img)
            delete img;
        return static_cast<orderfakes::TestImage*>(own);
    }

    // --- IMainFrame
    TPrintOrder* GetOrder() override { return order.get(); }
    TConfigInfo* Config() override { return &config; }
    bool IsKiosk() override { return kiosk; }
    quint8 QzConnectionMode() override { return connectionMode; }
    bool IsCdBurningAvailable() override { return cdBurner; }
    QString KioskOfflinePath() override { return offlinePath; }
    QString GetWebSvcPhotographerCgu() override { return cgu; }
    void orderChanged() override
    {
        ++orderChangedCount;
        EventObservedRaise(moe_orderChanged, nullptr);
    }
    void orderCancel() override
    {
        ++orderCancelCount;
        goWorkflowStep(&WorkflowSteps::TCtrlTileChoiceHomeProducts, false, false);
    }
    bool checkPhotographer() override { return true; }
    Currency priceRound(Currency price) override { return price; }
    void priceRound(TProductPrice&) override { }
    QString priceToStr(Currency price, bool) override { return QString::number(price / 10000.0, 'f', 2) + QStringLiteral(" €"); }
    QString priceToStr(const TProductPrice& price, bool seeSymbol) override
    {
        if (PriceTypeIsPacks(price.priceType))
            return QString::number(price.price / 10000) + QStringLiteral(" packs");
        return priceToStr(price.price, seeSymbol);
    }
    QString pricePackToStr(int price, bool) override { return QString::number(price) + QStringLiteral(" packs"); }
    Consommateur2* GetWebSvcConsumerFull() override { return &consumer; }
    Photographe2* GetWebSvcPhotographer() override { return &photographer; }
    TTirageList* GetWebSvcPrintProducts() override { return &prints; }
    TPrintTarifList* GetWebSvcPrintPrices() override { return &prices; }
    TChannelList* GetWebSvcChannels() override { return &channels; }
    TOrderImageBase* GetImgNotFound() override { return &notFound; }
    TOrderImageBase* GetImgTooBig() override { return &tooBig; }
    TOrderImageBase* GetResImg(const QString&, const QString&) override { return nullptr; }
    Adresse2* GetWebSvcAddressHome() override { return home.get(); }
    Adresse2* GetWebSvcAddressInvoice() override { return invoice.get(); }
    TAdresseList* GetWebSvcAddressesDelivery() override { return &delivery; }
    TProductVisibilityMode getProductVisibility(TProductVisibilityType prod) override
    {
        auto it = visibility.find(prod);
        return it == visibility.end() ? pvm_hidden : it->second;
    }
    IOrderBitmapRef BitmapCache(TImageSource*, int, int, TOrderBitmapMode) override { return nullptr; }
    void BitmapCacheCtrlStartUse(QObject*) override { }
    void BitmapCacheCtrlEndUse(QObject*, bool) override { }
    void BitmapCacheCtrlDestroyed(QObject*) override { }
    QString AppMemoryUsageStr() override { return QString(); }
    void ShowEx(const std::exception& ex, TProc closeProc) override
    {
        errors << QString::fromUtf8(ex.what());
        if (closeProc)
            closeProc();
    }
    void ShowError(const QString& text, TProc closeProc) override
    {
        errors << text;
        if (closeProc)
            closeProc();
    }
    void ShowWarning(const QString& text, TProc closeProc) override
    {
        errors << text;
        if (closeProc)
            closeProc();
    }
    void ConfirmYesNo(const QString& text, TProc yesProc, TProc noProc) override
    {
        confirmations << text;
        pending = { std::move(yesProc), std::move(noProc) };
    }

    std::unique_ptr<TPrintOrder> order;
    std::shared_ptr<orderfakes::TestWorkflows> workflows = std::make_shared<orderfakes::TestWorkflows>();
    orderfakes::TestConfig config;
    bool kiosk = true;
    quint8 connectionMode = 21;
    bool cdBurner = false;
    QString offlinePath;
    QString cgu;
    Consommateur2 consumer;
    Photographe2 photographer;
    TTirageList prints { true };
    TPrintTarifList prices;
    TChannelList channels { true };
    orderfakes::TestImage notFound { QStringLiteral("res\\notfound.png") };
    orderfakes::TestImage tooBig { QStringLiteral("res\\toobig.png") };
    std::unique_ptr<Adresse2> home;
    std::unique_ptr<Adresse2> invoice;
    TAdresseList delivery { true };
    std::map<TProductVisibilityType, TProductVisibilityMode> visibility { { pvt_print, pvm_visible } };
    int orderChangedCount = 0;
    int orderCancelCount = 0;
    QStringList errors;
    QStringList confirmations;
    std::pair<TProc, TProc> pending;
};

// Saves a screenshot of a widget under /tmp/shots when KIOSK_SHOTS is set.
inline void shot(QWidget* w, const QString& name)
{
    if (qEnvironmentVariableIsEmpty("KIOSK_SHOTS"))
        return;
    QDir().mkpath(QStringLiteral("/tmp/shots"));
    TAppStyle::Apply(*qApp);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    w->grab().save(QStringLiteral("/tmp/shots/") + name + QStringLiteral(".png"));
}
