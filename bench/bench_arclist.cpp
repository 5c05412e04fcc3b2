// Cost of the generic lists: filling, walking (enumerator and index), the
// search by key, the kept array, and clearing an owning list — each against
// a plain std::vector where one compares.
#include "UIArcList.h"
#include "UOwnerList.h"

#include <benchmark/benchmark.h>

#include <numeric>

namespace {

class IItem {
public:
    virtual ~IItem() = default;
    virtual int Key() const = 0;
};
class TItem : public IItem {
public:
    explicit TItem(int key)
        : fKey(key)
    {
    }
    int Key() const override { return fKey; }

private:
    int fKey;
};
using IItemPtr = std::shared_ptr<IItem>;

class TByKey : public IArcComparerIntf<IItemPtr, int> {
public:
    int Compare(const IItemPtr& Left, const int& Right) const override { return Left->Key() - Right; }
};

IArcList<int> IntList(int n)
{
    const IArcList<int> list = TArcList<int>::Create();
    for (int i = 0; i < n; ++i)
        list->Add(i);
    return list;
}

void BM_VectorPushBack(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        std::vector<int> v;
        for (int i = 0; i < n; ++i)
            v.push_back(i);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorPushBack)->Arg(1000)->Arg(100000);

void BM_ArcListAdd(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(IntList(n));
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ArcListAdd)->Arg(1000)->Arg(100000);

void BM_VectorSum(benchmark::State& state)
{
    std::vector<int> v(std::size_t(state.range(0)));
    std::iota(v.begin(), v.end(), 0);
    for (auto _ : state) {
        long sum = 0;
        for (int x : v)
            sum += x;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VectorSum)->Arg(100000);

void BM_ArcListRangeFor(benchmark::State& state)
{
    const IArcList<int> list = IntList(int(state.range(0)));
    for (auto _ : state) {
        long sum = 0;
        for (int x : list)
            sum += x;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArcListRangeFor)->Arg(100000);

void BM_ArcListIndexLoop(benchmark::State& state)
{
    const IArcList<int> list = IntList(int(state.range(0)));
    for (auto _ : state) {
        long sum = 0;
        for (int i = 0; i < list->GetCount(); ++i)
            sum += list->GetItem(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArcListIndexLoop)->Arg(100000);

void BM_BinarySearchKey(benchmark::State& state)
{
    const int n = int(state.range(0));
    const auto list = TArcList<IItemPtr>::Create();
    for (int i = 0; i < n; ++i)
        list->Add(std::make_shared<TItem>(i * 2));
    const IArcComparer<IItemPtr, int> byKey = std::make_shared<TByKey>();
    int key = 0;
    for (auto _ : state) {
        int index = 0;
        benchmark::DoNotOptimize(list->BinarySearchKey<int>(key, index, byKey));
        key = (key + 7919) % (2 * n);
    }
}
BENCHMARK(BM_BinarySearchKey)->Arg(1000)->Arg(100000);

void BM_ToArrayKeepRef(benchmark::State& state)
{
    const auto list = TArcList<int>::Create(TArray<int>(std::vector<int>(std::size_t(state.range(0)), 1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(list->ToArrayKeepRef().data());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ToArrayKeepRef)->Arg(1000);

// Filling and clearing an owning list: the cost of freeing each object once.
void BM_OwnerListFillClear(benchmark::State& state)
{
    const int n = int(state.range(0));
    TOwnerList<TItem> list(true);
    for (auto _ : state) {
        for (int i = 0; i < n; ++i)
            list.Add(new TItem(i));
        list.Clear();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OwnerListFillClear)->Arg(1000)->Arg(100000);

// The same with std::vector<std::unique_ptr>, for comparison.
void BM_VectorUniquePtrFillClear(benchmark::State& state)
{
    const int n = int(state.range(0));
    std::vector<std::unique_ptr<TItem>> v;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i)
            v.push_back(std::make_unique<TItem>(i));
        v.clear();
        v.shrink_to_fit();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorUniquePtrFillClear)->Arg(1000)->Arg(100000);

// Deleting the first item of an owning list, one at a time.
void BM_OwnerListDeleteFront(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TOwnerList<TItem> list(true);
        for (int i = 0; i < n; ++i)
            list.Add(new TItem(i));
        state.ResumeTiming();
        while (list.Count() > 0)
            list.Delete(0);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OwnerListDeleteFront)->Arg(1000)->Arg(10000);

} // namespace

BENCHMARK_MAIN();
