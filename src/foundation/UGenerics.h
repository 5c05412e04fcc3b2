#pragma once
// Generic building blocks of the containers: the counted array `TArray<T>`,
// comparers, change notifications, the enumeration interfaces and the plain
// ordered list `TList<T>` on which the owning list (UOwnerList) and the
// reference-counted list (UIArcList) are built.
//
// Indexes and counts are 32-bit signed integers, as everywhere in the system.
// Every index error raises EArgumentOutOfRangeException ("Argument out of
// range") before anything changes, so a failed call leaves the list as it was.

#include <algorithm>
#include <concepts>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <ranges>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace GenericsDetail {

[[noreturn]] void RaiseArgumentOutOfRange();
[[noreturn]] void RaiseNoDefaultOrder();

template<class T>
struct IsSharedPtr : std::false_type { };
template<class U>
struct IsSharedPtr<std::shared_ptr<U>> : std::true_type { };

// The objects to free when `leaving` leave a list while `staying` remain in
// it (or are taken over by another list): each distinct non-nil object of
// `leaving` once, in the order of its first appearance, except those that
// also stand in `staying`.
template<class P>
std::vector<P> ObjectsToFree(std::span<const P> leaving, std::span<const P> staying)
{
    static_assert(std::is_pointer_v<P>);
    std::vector<P> result;
    if (leaving.size() == 1) {
        const P item = leaving[0];
        if (item && std::find(staying.begin(), staying.end(), item) == staying.end())
            result.push_back(item);
        return result;
    }
    const std::less<P> less;
    std::vector<P> candidates(leaving.begin(), leaving.end());
    std::sort(candidates.begin(), candidates.end(), less);
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    // 1 marks a candidate that must not be freed (it stays, or is freed already).
    std::vector<char> spared(candidates.size(), 0);
    auto find = [&](P item) -> std::ptrdiff_t {
        const auto it = std::lower_bound(candidates.begin(), candidates.end(), item, less);
        return it != candidates.end() && *it == item ? it - candidates.begin() : -1;
    };
    for (const P item : staying)
        if (const auto k = find(item); k >= 0)
            spared[std::size_t(k)] = 1;
    for (const P item : leaving) {
        if (!item)
            continue;
        const auto k = find(item);
        if (!spared[std::size_t(k)]) {
            spared[std::size_t(k)] = 1;
            result.push_back(item);
        }
    }
    return result;
}

} // namespace GenericsDetail

// ---------------------------------------------------------------------------
// Counted array

// A fixed-length array shared by reference: copying a TArray shares the same
// elements (like the counted dynamic arrays the lists hand out), and the
// elements live until the last copy goes. An empty array holds no storage.
template<class T>
class TArray {
public:
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;

    TArray() = default;
    TArray(std::initializer_list<T> items)
        : TArray(std::vector<T>(items))
    {
    }
    TArray(std::vector<T> items)
        : fData(items.empty() ? nullptr : std::make_shared<std::vector<T>>(std::move(items)))
    {
    }

    int Length() const { return fData ? int(fData->size()) : 0; }
    std::size_t size() const { return fData ? fData->size() : 0; }
    bool empty() const { return !fData; }

    T& operator[](int index)
    {
        CheckIndex(index);
        return (*fData)[std::size_t(index)];
    }
    const T& operator[](int index) const
    {
        CheckIndex(index);
        return (*fData)[std::size_t(index)];
    }

    T* data() { return fData ? fData->data() : nullptr; }
    const T* data() const { return fData ? fData->data() : nullptr; }
    T* begin() { return data(); }
    T* end() { return data() + size(); }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size(); }

    // Number of TArray values sharing these elements (0 for an empty array).
    long RefCount() const { return fData.use_count(); }

    std::vector<T> ToVector() const { return fData ? *fData : std::vector<T>(); }

private:
    void CheckIndex(int index) const
    {
        if (index < 0 || index >= Length())
            GenericsDetail::RaiseArgumentOutOfRange();
    }

    std::shared_ptr<std::vector<T>> fData;
};

// ---------------------------------------------------------------------------
// Comparers

// Orders two items: negative when Left sorts before Right, 0 when they are
// equal, positive when Left sorts after Right.
template<class T>
class IComparerIntf {
public:
    virtual ~IComparerIntf() = default;
    virtual int Compare(const T& Left, const T& Right) const = 0;
};
template<class T>
using IComparer = std::shared_ptr<IComparerIntf<T>>;

template<class T>
class TComparer {
public:
    // The order a list uses when it is given no comparer: objects and
    // interface references by address (two different objects are never
    // equal), numbers and enumerations by value, records by their own
    // operator< when they have one and otherwise by their bytes.
    static int DefaultCompare(const T& Left, const T& Right)
    {
        if constexpr (GenericsDetail::IsSharedPtr<T>::value) {
            return TComparer<typename T::element_type*>::DefaultCompare(Left.get(), Right.get());
        } else if constexpr (std::is_pointer_v<T>) {
            std::less<T> less;
            return less(Left, Right) ? -1 : (less(Right, Left) ? 1 : 0);
        } else if constexpr (requires(const T& a, const T& b) { { a < b } -> std::convertible_to<bool>; }) {
            return Left < Right ? -1 : (Right < Left ? 1 : 0);
        } else if constexpr (std::is_trivially_copyable_v<T>) {
            const int r = std::memcmp(&Left, &Right, sizeof(T));
            return (r > 0) - (r < 0);
        } else {
            GenericsDetail::RaiseNoDefaultOrder();
        }
    }

    static IComparer<T> Default()
    {
        static const IComparer<T> instance = Construct(&TComparer::DefaultCompare);
        return instance;
    }

    // A comparer running the given function.
    static IComparer<T> Construct(std::function<int(const T&, const T&)> compare)
    {
        class Fn final : public IComparerIntf<T> {
        public:
            explicit Fn(std::function<int(const T&, const T&)> f)
                : fCompare(std::move(f))
            {
            }
            int Compare(const T& Left, const T& Right) const override { return fCompare(Left, Right); }

        private:
            std::function<int(const T&, const T&)> fCompare;
        };
        return std::make_shared<Fn>(std::move(compare));
    }
};

// ---------------------------------------------------------------------------
// Enumeration interfaces

// Non-generic enumerator. GetCurrent gives the current item as the address of
// the object it is (or implements); element types that are not objects refuse.
class IEnumeratorIntf {
public:
    virtual ~IEnumeratorIntf() = default;
    virtual void* GetCurrent() = 0;
    virtual bool MoveNext() = 0;
    virtual void Reset() = 0;
};
using IEnumerator = std::shared_ptr<IEnumeratorIntf>;

// Walks an enumerator with a range-for: the first MoveNext happens in begin(),
// each ++ is one MoveNext, and the walk ends at the first MoveNext that
// answers false. The iterator reads the item through the enumerator, so a
// walk sees the collection as it is at each step.
template<class E, class T>
class TEnumeratorIterator {
public:
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using iterator_concept = std::input_iterator_tag;

    TEnumeratorIterator() = default;
    explicit TEnumeratorIterator(std::shared_ptr<E> enumerator)
        : fEnum(std::move(enumerator))
        , fValid(fEnum && fEnum->MoveNext())
    {
    }

    T operator*() const { return fEnum->GetCurrentGen(); }
    TEnumeratorIterator& operator++()
    {
        fValid = fEnum->MoveNext();
        return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const TEnumeratorIterator& it, std::default_sentinel_t) { return !it.fValid; }

private:
    std::shared_ptr<E> fEnum;
    bool fValid = false;
};

// Generic enumerator: adds the typed current item.
template<class T>
class IEnumeratorGenIntf : public virtual IEnumeratorIntf {
public:
    virtual T GetCurrentGen() = 0;

    // Range-for over an enumerator the caller keeps alive.
    TEnumeratorIterator<IEnumeratorGenIntf, T> begin()
    {
        return TEnumeratorIterator<IEnumeratorGenIntf, T>(std::shared_ptr<IEnumeratorGenIntf>(std::shared_ptr<void>(), this));
    }
    std::default_sentinel_t end() const { return std::default_sentinel; }
};
template<class T>
using IEnumeratorGen = std::shared_ptr<IEnumeratorGenIntf<T>>;

class IEnumerableIntf {
public:
    virtual ~IEnumerableIntf() = default;
    virtual IEnumerator GetNonGenEnumerator() const = 0;
};
using IEnumerable = std::shared_ptr<IEnumerableIntf>;

template<class T>
class IEnumerableGenIntf : public virtual IEnumerableIntf {
public:
    virtual IEnumeratorGen<T> GetEnumerator() const = 0;

    // Range-for: one new enumerator per loop.
    TEnumeratorIterator<IEnumeratorGenIntf<T>, T> begin() const
    {
        return TEnumeratorIterator<IEnumeratorGenIntf<T>, T>(GetEnumerator());
    }
    std::default_sentinel_t end() const { return std::default_sentinel; }
};
template<class T>
using IEnumerableGen = std::shared_ptr<IEnumerableGenIntf<T>>;

// Range-for directly over a counted reference to a collection or enumerator:
// `for (auto item : list)`. The loop keeps the reference for its whole run.
template<class X>
    requires std::derived_from<X, IEnumerableIntf> && requires(const X& x) { x.begin(); }
auto begin(const std::shared_ptr<X>& collection)
{
    return collection->begin();
}
template<class X>
    requires std::derived_from<X, IEnumerableIntf> && requires(const X& x) { x.begin(); }
std::default_sentinel_t end(const std::shared_ptr<X>&)
{
    return std::default_sentinel;
}
template<class X>
    requires std::derived_from<X, IEnumeratorIntf> && requires(X& x) { x.GetCurrentGen(); }
auto begin(const std::shared_ptr<X>& enumerator)
{
    return TEnumeratorIterator<X, decltype(enumerator->GetCurrentGen())>(enumerator);
}
template<class X>
    requires std::derived_from<X, IEnumeratorIntf> && requires(X& x) { x.GetCurrentGen(); }
std::default_sentinel_t end(const std::shared_ptr<X>&)
{
    return std::default_sentinel;
}

// ---------------------------------------------------------------------------
// Plain list

enum TCollectionNotification : int { cnAdded = 0, cnRemoved = 1, cnExtracted = 2 };

template<class T>
class TList;

// Change handler of a list. Sender is the list that changed.
template<class T>
using TCollectionNotifyEvent = std::function<void(TList<T>* Sender, const T& Item, TCollectionNotification Action)>;

// An ordered, indexable list with a capacity, a comparer fixed at creation and
// a change handler. Every addition reports cnAdded, every removal cnRemoved
// and every extraction cnExtracted, after the list has changed. The list never
// creates or destroys what its items point to; TOwnerList adds that.
template<class T>
class TList {
    static_assert(!std::is_same_v<T, bool>, "TList<bool> is not supported");

public:
    using value_type = T;

    // Forward iterator for range-for. It holds an index and reads the count
    // at every step, so items appended during a walk are visited and a list
    // that shrinks under it ends the walk instead of reading past the end.
    class iterator {
    public:
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using iterator_concept = std::input_iterator_tag;

        iterator() = default;
        iterator(const TList* list, int index)
            : fList(list)
            , fIndex(index)
        {
        }
        T operator*() const { return fList->Items(fIndex); }
        iterator& operator++()
        {
            ++fIndex;
            return *this;
        }
        void operator++(int) { ++fIndex; }
        friend bool operator==(const iterator& it, std::default_sentinel_t) { return it.fIndex >= it.fList->Count(); }

    private:
        const TList* fList = nullptr;
        int fIndex = 0;
    };

    // A null comparer means the default order of T (TComparer<T>::Default).
    explicit TList(const IComparer<T>& AComparer = nullptr)
        : fComparer(AComparer ? AComparer : TComparer<T>::Default())
    {
    }

    // Removes every remaining item, reporting cnRemoved to the change handler.
    virtual ~TList()
    {
        if (fItems.empty())
            return;
        std::vector<T> removed;
        removed.swap(fItems);
        try {
            TList::NotifyRemoved(removed);
        } catch (...) {
            // A destructor cannot pass the handler's failure on.
        }
    }

    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    int Count() const { return int(fItems.size()); }
    int Capacity() const { return fCapacity; }

    // A larger count appends default items (nil, 0, a zeroed record) without
    // reporting them; a smaller one removes the items from `value` on.
    void SetCount(int value)
    {
        if (value < 0)
            GenericsDetail::RaiseArgumentOutOfRange();
        if (value > Count()) {
            if (value > fCapacity)
                Reallocate(value);
            fItems.resize(std::size_t(value));
        } else if (value < Count()) {
            RemoveSpan(value, Count() - value);
        }
    }

    void SetCapacity(int value)
    {
        if (value < 0)
            GenericsDetail::RaiseArgumentOutOfRange();
        if (value < Count())
            SetCount(value);
        Reallocate(value);
    }

    T Items(int index) const
    {
        CheckIndex(index);
        return fItems[std::size_t(index)];
    }
    T operator[](int index) const { return Items(index); }

    // Replacing reports cnRemoved for the old item, then cnAdded for the new.
    void SetItems(int index, const T& value)
    {
        CheckIndex(index);
        T old = std::exchange(fItems[std::size_t(index)], value);
        NotifyRemoved(std::span<const T>(&old, 1));
        Notify(fItems[std::size_t(index)], cnAdded);
    }

    const TCollectionNotifyEvent<T>& OnNotify() const { return fOnNotify; }
    void SetOnNotify(TCollectionNotifyEvent<T> handler) { fOnNotify = std::move(handler); }

    const IComparer<T>& Comparer() const { return fComparer; }

    T First() const { return Items(0); }
    T Last() const { return Items(Count() - 1); }

    int Add(const T& value)
    {
        const int index = Count();
        Insert(index, value);
        return index;
    }

    void AddRange(std::span<const T> values) { InsertRange(Count(), values); }
    void AddRange(std::initializer_list<T> values) { InsertRange(Count(), values); }
    template<class R>
        requires std::ranges::input_range<const R>
        && std::convertible_to<std::ranges::range_reference_t<const R>, T>
        && (!std::convertible_to<const R&, std::span<const T>>)
    void AddRange(const R& collection)
    {
        InsertRange(Count(), collection);
    }

    void Insert(int index, const T& value)
    {
        if (index < 0 || index > Count())
            GenericsDetail::RaiseArgumentOutOfRange();
        T item = value;
        Grow(std::int64_t(Count()) + 1);
        fItems.insert(fItems.begin() + index, std::move(item));
        Notify(fItems[std::size_t(index)], cnAdded);
    }

    // Inserts the values as one block, then reports each of them.
    void InsertRange(int index, std::span<const T> values)
    {
        if (index < 0 || index > Count())
            GenericsDetail::RaiseArgumentOutOfRange();
        if (values.empty())
            return;
        std::vector<T> block(values.begin(), values.end());
        Grow(std::int64_t(Count()) + std::int64_t(block.size()));
        fItems.insert(fItems.begin() + index, block.begin(), block.end());
        for (const T& item : block)
            Notify(item, cnAdded);
    }
    void InsertRange(int index, std::initializer_list<T> values)
    {
        InsertRange(index, std::span<const T>(values.begin(), values.size()));
    }

    // Walks the collection and inserts its items one by one at index,
    // index + 1, ..., each reported as it goes in.
    template<class R>
        requires std::ranges::input_range<const R>
        && std::convertible_to<std::ranges::range_reference_t<const R>, T>
        && (!std::convertible_to<const R&, std::span<const T>>)
    void InsertRange(int index, const R& collection)
    {
        if constexpr (std::derived_from<R, TList>) {
            // Walking this very list while inserting into it would never end.
            if (static_cast<const TList*>(&collection) == this) {
                const std::vector<T> snapshot = fItems;
                for (const T& item : snapshot)
                    Insert(index++, item);
                return;
            }
        }
        for (auto&& item : collection)
            Insert(index++, T(item));
    }

    // Removes the first item equal to value; returns its former position, or
    // -1 when there is none.
    int Remove(const T& value)
    {
        const int index = IndexOf(value);
        if (index >= 0)
            RemoveSpan(index, 1);
        return index;
    }

    void Delete(int index)
    {
        CheckIndex(index);
        RemoveSpan(index, 1);
    }

    void DeleteRange(int AIndex, int ACount)
    {
        if (AIndex < 0 || ACount < 0 || std::int64_t(AIndex) + ACount > Count())
            GenericsDetail::RaiseArgumentOutOfRange();
        if (ACount > 0)
            RemoveSpan(AIndex, ACount);
    }

    // Takes the first item equal to value out of the list and returns it
    // (the default value when there is none).
    T Extract(const T& value)
    {
        const int index = IndexOf(value);
        if (index < 0)
            return T {};
        T item = std::move(fItems[std::size_t(index)]);
        fItems.erase(fItems.begin() + index);
        Notify(item, cnExtracted);
        return item;
    }

    void Exchange(int Index1, int Index2)
    {
        CheckIndex(Index1);
        CheckIndex(Index2);
        std::swap(fItems[std::size_t(Index1)], fItems[std::size_t(Index2)]);
    }

    // Equal indexes do nothing at all, even outside the list.
    void Move(int CurIndex, int NewIndex)
    {
        if (CurIndex == NewIndex)
            return;
        CheckIndex(CurIndex);
        CheckIndex(NewIndex);
        auto first = fItems.begin();
        if (CurIndex < NewIndex)
            std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
        else
            std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
    }

    // Removes every item (reported), then releases the storage.
    void Clear()
    {
        SetCount(0);
        Reallocate(0);
    }

    void Reverse() { std::reverse(fItems.begin(), fItems.end()); }

    void Sort() { Sort(fComparer); }
    // Ascending, not stable. A null comparer means the list's own.
    void Sort(const IComparer<T>& AComparer)
    {
        const IComparerIntf<T>& cmp = AComparer ? *AComparer : *fComparer;
        if (Count() > 1)
            QuickSort(0, Count() - 1, cmp);
    }

    // The list must be sorted by the same order. index receives the first
    // position whose item is not below Item: the leftmost match when found,
    // otherwise where Item would be inserted.
    bool BinarySearch(const T& Item, int& index) const { return BinarySearch(Item, index, fComparer); }
    bool BinarySearch(const T& Item, int& index, const IComparer<T>& AComparer) const
    {
        const IComparerIntf<T>& cmp = AComparer ? *AComparer : *fComparer;
        int lo = 0;
        int hi = Count() - 1;
        bool found = false;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            const int c = cmp.Compare(Items(mid), Item);
            if (c < 0) {
                lo = mid + 1;
            } else {
                hi = mid - 1;
                if (c == 0)
                    found = true;
            }
        }
        index = lo;
        return found;
    }

    bool Contains(const T& value) const { return IndexOf(value) >= 0; }

    int IndexOf(const T& value) const
    {
        for (int i = 0; i < Count(); ++i)
            if (fComparer->Compare(fItems[std::size_t(i)], value) == 0)
                return i;
        return -1;
    }

    int LastIndexOf(const T& value) const
    {
        for (int i = Count() - 1; i >= 0; --i)
            if (fComparer->Compare(fItems[std::size_t(i)], value) == 0)
                return i;
        return -1;
    }

    void TrimExcess() { Reallocate(Count()); }

    TArray<T> ToArray() const { return TArray<T>(fItems); }

    iterator begin() const { return iterator(this, 0); }
    std::default_sentinel_t end() const { return std::default_sentinel; }

protected:
    // Tells the change handler about one item.
    virtual void Notify(const T& Item, TCollectionNotification Action)
    {
        if (fOnNotify) {
            // A copy, so that a handler may replace itself.
            const TCollectionNotifyEvent<T> handler = fOnNotify;
            handler(this, Item, Action);
        }
    }

    // Tells about items that have left the list by removal, in index order,
    // once all of them are out.
    virtual void NotifyRemoved(std::span<const T> Items)
    {
        for (const T& item : Items)
            Notify(item, cnRemoved);
    }

    // The items in order, for subclasses that need to look at them all.
    const std::vector<T>& Storage() const { return fItems; }

private:
    void CheckIndex(int index) const
    {
        if (index < 0 || index >= Count())
            GenericsDetail::RaiseArgumentOutOfRange();
    }

    // An addition that finds no free slot doubles the capacity; an empty
    // storage grows to exactly what is needed.
    void Grow(std::int64_t needed)
    {
        if (needed <= fCapacity)
            return;
        std::int64_t capacity = fCapacity == 0 ? needed : fCapacity;
        while (capacity < needed)
            capacity *= 2;
        if (capacity > std::numeric_limits<int>::max())
            throw std::bad_alloc();
        Reallocate(int(capacity));
    }

    // Resizes the storage to exactly `capacity` slots (never below Count).
    void Reallocate(int capacity)
    {
        std::vector<T> items;
        items.reserve(std::size_t(capacity));
        std::move(fItems.begin(), fItems.end(), std::back_inserter(items));
        fItems.swap(items);
        fCapacity = capacity;
    }

    void RemoveSpan(int index, int count)
    {
        std::vector<T> removed(std::make_move_iterator(fItems.begin() + index),
                               std::make_move_iterator(fItems.begin() + index + count));
        fItems.erase(fItems.begin() + index, fItems.begin() + index + count);
        NotifyRemoved(removed);
    }

    // Quicksort with the middle item as pivot. Items only ever swap places,
    // and the scans stay inside the range, so a comparer that throws or
    // contradicts itself leaves every item in the list exactly once.
    void QuickSort(int L, int R, const IComparerIntf<T>& cmp)
    {
        while (L < R) {
            int i = L;
            int j = R;
            const T pivot = fItems[std::size_t(L + (R - L) / 2)];
            do {
                while (i < R && cmp.Compare(fItems[std::size_t(i)], pivot) < 0)
                    ++i;
                while (j > L && cmp.Compare(fItems[std::size_t(j)], pivot) > 0)
                    --j;
                if (i <= j) {
                    if (i != j)
                        std::swap(fItems[std::size_t(i)], fItems[std::size_t(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            // Recurse into the smaller part and loop on the larger one, so the
            // stack stays shallow whatever the data.
            if (j - L < R - i) {
                if (L < j)
                    QuickSort(L, j, cmp);
                L = i;
            } else {
                if (i < R)
                    QuickSort(i, R, cmp);
                R = j;
            }
        }
    }

    std::vector<T> fItems;
    int fCapacity = 0;
    IComparer<T> fComparer;
    TCollectionNotifyEvent<T> fOnNotify;
};
