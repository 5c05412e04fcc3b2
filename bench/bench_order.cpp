// Order model benchmark: an order of 5,000 photos and 1,000 print products
// (two print formats per photo on average) is built, priced with receipt
// lines, cleaned and freed.
//
//   bench_order [--benchmark_repetitions=5]
#include "IMainFrame.h"
#include "UConfig.h"
#include "UPrintOrder.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <memory>
#include <type_traits>

namespace {

constexpr int kImages = 5000;
constexpr int kProducts = 1000;

template <class T>
T defaultValue()
{
    if constexpr (!std::is_void_v<T>)
        return T {};
}

class BenchConfig : public TConfig {
public:
    BenchConfig() { SetGalleryProCoeff(1.25); }
};

// A main frame with a catalogue of kProducts print formats, each priced by
// three quantity tiers, the first of them free.
class DefaultMainFrame : public IMainFrame {
public:
#define KIOSK_MAINFRAME_OP(Policy, Result, Name, Params, Args) \
    Result Name Params override { return defaultValue<Result>(); }
#include "IMainFrameOps.h"
#undef KIOSK_MAINFRAME_OP
};

class BenchMainFrame : public DefaultMainFrame {
public:
    BenchMainFrame()
    {
        consumer.setTypeTarif(Tarif_TypeTarif::EurosCB);
        for (int id = 1; id <= kProducts; ++id) {
            auto* t = new Tirage2;
            t->setId(id);
            t->setLargeur(10 + id % 20);
            t->setLongueur(15 + id % 30);
            t->setPrefixe(QStringLiteral("Glossy"));
            prints.Add(t);
            const double base = 0.10 + (id % 7) * 0.05;
            int tierId = id * 10;
            for (auto [min, max, prix] : { std::tuple { 1, 2, 0.0 }, { 3, 20, base }, { 21, 100000, base * 0.8 } }) {
                auto* r = new Tarif2;
                r->setId(++tierId);
                r->setTirageId(id);
                r->setQuantiteMinimale(min);
                r->setQuantiteMaximale(max);
                r->setCoutEnPrix(prix);
                r->setTypeDeTarif(Tarif_TypeTarif::EurosCB);
                prices.AddRow(r, true);
            }
        }
    }

    TPrintOrder* GetOrder() override { return order; }
    TConfigInfo* Config() override { return &config; }
    Consommateur2* GetWebSvcConsumerFull() override { return &consumer; }
    Photographe2* GetWebSvcPhotographer() override { return &photographer; }
    TTirageList* GetWebSvcPrintProducts() override { return &prints; }
    TPrintTarifList* GetWebSvcPrintPrices() override { return &prices; }
    void priceRound(TProductPrice& p) override { p.price = (p.price + 50) / 100 * 100; }
    Currency priceRound(Currency p) override { return p; }

    TPrintOrder* order = nullptr;
    BenchConfig config;
    Consommateur2 consumer;
    Photographe2 photographer;
    TTirageList prints { true };
    TPrintTarifList prices;
};

class BenchImage : public TOrderImageBase {
public:
    BenchImage(const QString& id, bool gallery)
        : fId(id)
        , fGallery(gallery)
    {
    }
    QSizeF ImageSize() override { return QSizeF(4000, 3000); }
    QString ImageID() override { return fId; }
    QDateTime ImageDate() override { return QDateTime(); }
    TSimplifiedExifData* ExifData() override { return nullptr; }
    bool IsImageGalleryPro() override { return fGallery; }
    void LoadBitmap(QImage&, int, int, TOrderBitmapMode) override { }
    void CopyToFile(const QString&) override { }
    void SortAndDesignInfoPreLoad() override { }
    bool hasExifDate() override { return false; }

private:
    QString fId;
    bool fGallery;
};

class CountingReceipt : public TReceiptOutput {
public:
    void AddItem(Tirage2*, const QString&, const TProductPrice&, int) override { ++lines; }
    void AddItem(TProduct*, const QString&, const TProductPrice&, int) override { ++lines; }
    int lines = 0;
};

// Builds the order: products first, then each photo into one product and
// every other photo into a second one as well.
std::vector<TTirageProduct*> fill(BenchMainFrame& main, TPrintOrder& order)
{
    std::vector<TTirageProduct*> products;
    products.reserve(kProducts);
    for (int i = 0; i < kProducts; ++i)
        products.push_back(order.TirageProductAdd(main.prints[i], 1 + i % 3));
    for (int i = 0; i < kImages; ++i) {
        auto* img = new BenchImage(QStringLiteral("USB\\DCIM\\100CANON\\IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')),
                                   i % 10 == 0);
        products[size_t(i % kProducts)]->ImageUsedAdd(img);
        if (i % 2 == 0)
            products[size_t((i * 7 + 3) % kProducts)]->ImageUsedAdd(img);
    }
    return products;
}

void BM_OrderFill(benchmark::State& state)
{
    BenchMainFrame main;
    for (auto _ : state) {
        auto order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
        fill(main, *order);
        benchmark::DoNotOptimize(order->ImagesSelectionneesTirage().Count());
        state.PauseTiming(); // freeing is timed by BM_OrderCleanAndFree
        order.reset();
        main.order = nullptr;
        state.ResumeTiming();
    }
    state.counters["images"] = kImages;
    state.counters["products"] = kProducts;
}

void BM_OrderPrice(benchmark::State& state)
{
    BenchMainFrame main;
    TPrintOrder order(&main);
    main.order = &order;
    fill(main, order);
    CountingReceipt receipt;
    TProductPrice total;
    for (auto _ : state) {
        receipt.lines = 0;
        total = order.calcPrintPrice(nullptr, &receipt);
        benchmark::DoNotOptimize(total.price);
    }
    state.counters["prints"] = total.qty;
    state.counters["receipt_lines"] = receipt.lines;
    state.counters["total"] = Money::ToDouble(total.price);
}

void BM_OrderTotalAndFees(benchmark::State& state)
{
    BenchMainFrame main;
    TPrintOrder order(&main);
    main.order = &order;
    fill(main, order);
    order.SetPostalShipping(true);
    for (auto _ : state) {
        Currency sum = order.totalPrice().price;
        sum += order.getExpressFees() + order.getShippingFees() + order.getFDPCfees();
        benchmark::DoNotOptimize(sum);
    }
}

void BM_OrderProductPrices(benchmark::State& state)
{
    // The cart asks every product for its own price.
    BenchMainFrame main;
    TPrintOrder order(&main);
    main.order = &order;
    std::vector<TTirageProduct*> products = fill(main, order);
    for (auto _ : state) {
        Currency sum = 0;
        for (TTirageProduct* p : products)
            sum += p->GetPrice().price;
        benchmark::DoNotOptimize(sum);
    }
}

void BM_OrderCleanAndFree(benchmark::State& state)
{
    BenchMainFrame main;
    for (auto _ : state) {
        state.PauseTiming();
        auto order = std::make_unique<TPrintOrder>(&main);
        main.order = order.get();
        fill(main, *order);
        state.ResumeTiming();
        order->ProductsClean();
        order.reset();
        main.order = nullptr;
    }
}

} // namespace

BENCHMARK(BM_OrderFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderPrice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderTotalAndFees)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderProductPrices)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderCleanAndFree)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
