#pragma once
// The reference-counted list that components hand each other, and its
// bidirectional enumerator.
//
// A list is made with TArcList<T>::Create(...) and lives in IArcList<T>
// references (std::shared_ptr); it ends when the last reference goes, and
// nobody frees it explicitly. T is the item as stored:
//   - a pointer to a class (`TArcList<TOrderImageBase*>`): the list never
//     creates or frees the objects; only ClearAndFree frees them;
//   - an interface reference (`TArcList<std::shared_ptr<IClipart>>`): the
//     list holds one counted reference per item while the item is in it;
//   - a number, enumeration or record: copied in and out.
//
// An enumerator holds a counted reference to its list and an index, and reads
// the list's count at every step: items appended during a walk are visited,
// and a list that shrinks leaves the enumerator on a stale position that
// answers False instead of reading past the end. `for (auto item : list)`
// walks an IArcList<T> through such an enumerator.
//
// Lists and enumerators have no lock: one thread at a time uses a given list.
// Only the reference counts are thread-safe.

#include "UGenerics.h"

namespace ArcListDetail {

enum class ItemKind { Class, Interface, Value };

template<class T>
constexpr ItemKind KindOf()
{
    if constexpr (std::is_pointer_v<T> && std::is_class_v<std::remove_pointer_t<T>>)
        return ItemKind::Class;
    else if constexpr (GenericsDetail::IsSharedPtr<T>::value)
        return ItemKind::Interface;
    else
        return ItemKind::Value;
}

[[noreturn]] void RaiseClearAndFreeNotClass();
[[noreturn]] void RaiseGetCurrentNotClass();
[[noreturn]] void RaiseNoKeyComparer();

} // namespace ArcListDetail

// Orders an item against a key of another type: negative when the item Left
// sorts before the key Right, 0 when it matches, positive when it sorts after.
template<class T, class K>
class IArcComparerIntf {
public:
    virtual ~IArcComparerIntf() = default;
    virtual int Compare(const T& Left, const K& Right) const = 0;
};
template<class T, class K>
using IArcComparer = std::shared_ptr<IArcComparerIntf<T, K>>;

// The bidirectional enumerator as its users see it. The moves never raise;
// reading the current item where there is none raises the list's range error.
template<class T>
class IArcEnumeratorIntf : public virtual IEnumeratorIntf {
public:
    virtual T GetCurrentGen() = 0;
    virtual bool CurrentIsValid() = 0;
    virtual bool MovePrevious() = 0;
    virtual bool MoveFirst() = 0;
    virtual bool MoveLast() = 0;

    // Range-for over an enumerator the caller keeps alive: the walk goes on
    // from the enumerator's position with MoveNext.
    TEnumeratorIterator<IArcEnumeratorIntf, T> begin()
    {
        return TEnumeratorIterator<IArcEnumeratorIntf, T>(std::shared_ptr<IArcEnumeratorIntf>(std::shared_ptr<void>(), this));
    }
    std::default_sentinel_t end() const { return std::default_sentinel; }
};
template<class T>
using IArcEnumerator = std::shared_ptr<IArcEnumeratorIntf<T>>;

template<class T>
class IReadOnlyArcListIntf : public IEnumerableGenIntf<T> {
public:
    virtual int GetCapacity() const = 0;
    virtual int GetCount() const = 0;
    virtual T GetItem(int index) const = 0;
    virtual TCollectionNotifyEvent<T> GetOnNotify() const = 0;
    virtual void SetOnNotify(TCollectionNotifyEvent<T> value) = 0;
    virtual T First() const = 0;
    virtual T Last() const = 0;
    virtual bool Contains(const T& value) const = 0;
    virtual int IndexOf(const T& value) const = 0;
    virtual int LastIndexOf(const T& value) const = 0;
    virtual bool BinarySearch(const T& Item, int& index) const = 0;
    virtual bool BinarySearch(const T& Item, int& index, const IComparer<T>& AComparer) const = 0;
    virtual IArcEnumerator<T> GetArcEnumerator() const = 0;
};
template<class T>
using IReadOnlyArcList = std::shared_ptr<IReadOnlyArcListIntf<T>>;

template<class T>
class IArcListIntf : public IReadOnlyArcListIntf<T> {
public:
    virtual void SetCapacity(int value) = 0;
    virtual void SetCount(int value) = 0;
    virtual void SetItem(int index, const T& value) = 0;
    virtual int Add(const T& value) = 0;
    virtual void AddRange(std::span<const T> Values) = 0;
    virtual void AddRange(const IEnumerableGen<T>& Collection) = 0;
    virtual void Insert(int index, const T& value) = 0;
    virtual void InsertRange(int index, std::span<const T> Values) = 0;
    virtual void InsertRange(int index, const IEnumerableGen<T>& Collection) = 0;
    virtual int Remove(const T& value) = 0;
    virtual void Delete(int index) = 0;
    virtual void DeleteRange(int AIndex, int ACount) = 0;
    virtual T Extract(const T& value) = 0;
    virtual void Exchange(int Index1, int Index2) = 0;
    virtual void Move(int CurIndex, int NewIndex) = 0;
    virtual void Clear() = 0;
    virtual void ClearAndFree() = 0;
    virtual void Reverse() = 0;
    virtual void Sort() = 0;
    virtual void Sort(const IComparer<T>& AComparer) = 0;
    virtual void TrimExcess() = 0;
    virtual TArray<T> ToArray() const = 0;
    virtual TArray<T> ToArrayKeepRef() = 0;

    // An array literal: `list->AddRange({a, b})`.
    void AddRange(std::initializer_list<T> Values) { InsertRange(this->GetCount(), Values); }
    void InsertRange(int index, std::initializer_list<T> Values)
    {
        InsertRange(index, std::span<const T>(Values.begin(), Values.size()));
    }

    // A collection object (a TList, a TOwnerList, any C++ range): walked and
    // inserted one item at a time at index, index + 1, ..., each reported as
    // it goes in; index is checked at the first item only. Arrays go to the
    // block insertion above, list references to the enumerable overloads.
    template<class R>
        requires std::ranges::input_range<const R>
        && std::convertible_to<std::ranges::range_reference_t<const R>, T>
        && (!std::convertible_to<const R&, std::span<const T>>)
        && (!std::convertible_to<const R&, IEnumerableGen<T>>)
    void AddRange(const R& Collection)
    {
        InsertRange(this->GetCount(), Collection);
    }
    template<class R>
        requires std::ranges::input_range<const R>
        && std::convertible_to<std::ranges::range_reference_t<const R>, T>
        && (!std::convertible_to<const R&, std::span<const T>>)
        && (!std::convertible_to<const R&, IEnumerableGen<T>>)
    void InsertRange(int index, const R& Collection)
    {
        for (auto&& item : Collection)
            Insert(index++, T(item));
    }
};
template<class T>
using IArcList = std::shared_ptr<IArcListIntf<T>>;

// The binary search by key of BinarySearchKey, over any list reference. The
// list must be sorted so that Comparer orders its items against keys.
// Index receives the leftmost matching position, or the insertion position.
template<class T, class K>
bool BinarySearchKey(const IReadOnlyArcListIntf<T>& List, const std::type_identity_t<K>& Key, int& Index,
                     const IArcComparer<T, K>& Comparer)
{
    if (!Comparer)
        ArcListDetail::RaiseNoKeyComparer();
    int lo = 0;
    int hi = List.GetCount() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        // The item is read (and, for an interface, referenced) anew at each
        // step, so the search never reads storage the list let go of.
        const int c = Comparer->Compare(List.GetItem(mid), Key);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    Index = lo;
    return found;
}
template<class T, class K>
bool BinarySearchKey(const IArcList<T>& List, const std::type_identity_t<K>& Key, int& Index,
                     const IArcComparer<T, K>& Comparer)
{
    return BinarySearchKey<T, K>(*List, Key, Index, Comparer);
}

// Base of the list class: the counted object with the non-generic side of
// enumeration.
class TArcEnumerable : public virtual IEnumerableIntf, public std::enable_shared_from_this<TArcEnumerable> {
public:
    IEnumerator GetNonGenEnumerator() const override = 0;
};

template<class T>
class TArcEnumerator;

template<class T>
class TArcList final : public TArcEnumerable, public IArcListIntf<T> {
    struct CreateKey {
        explicit CreateKey() = default;
    };

public:
    using value_type = T;
    using Ptr = std::shared_ptr<TArcList>;

    // Empty list with the default order of T.
    static Ptr Create() { return std::make_shared<TArcList>(CreateKey {}, nullptr); }

    // List of arr's elements, first to last.
    static Ptr Create(const TArray<T>& arr)
    {
        Ptr list = Create();
        for (const T& item : arr)
            list->Add(item);
        return list;
    }

    // Empty list comparing with AComparer (the default order when null).
    static Ptr Create(const IComparer<T>& AComparer) { return std::make_shared<TArcList>(CreateKey {}, AComparer); }

    // List of a collection object's items (a TList, a TOwnerList, a
    // std::vector, any C++ range) in their order.
    template<class R>
        requires std::ranges::input_range<const R> && std::convertible_to<std::ranges::range_reference_t<const R>, T>
        && (!std::convertible_to<const R&, IEnumerableGen<T>>)
    static Ptr Create(const R& Collection)
    {
        Ptr list = Create();
        for (auto&& item : Collection)
            list->Add(T(item));
        return list;
    }

    // List of the items an enumerable (another IArcList...) yields, in that
    // order. A null collection gives an empty list.
    static Ptr Create(const IEnumerableGen<T>& Collection)
    {
        Ptr list = Create();
        if (Collection)
            for (const IEnumeratorGen<T> e = Collection->GetEnumerator(); e->MoveNext();)
                list->Add(e->GetCurrentGen());
        return list;
    }

    TArcList(CreateKey, const IComparer<T>& AComparer)
        : FList(AComparer)
    {
    }

    ~TArcList() override = default;

    // --- enumeration
    IEnumerator GetNonGenEnumerator() const override { return NewEnumerator(); }
    IEnumeratorGen<T> GetEnumerator() const override { return NewEnumerator(); }
    IArcEnumerator<T> GetArcEnumerator() const override { return NewEnumerator(); }

    // --- read side
    int GetCapacity() const override { return FList.Capacity(); }
    int GetCount() const override { return FList.Count(); }
    T GetItem(int index) const override { return FList.Items(index); }
    TCollectionNotifyEvent<T> GetOnNotify() const override { return FList.OnNotify(); }
    // The handler is told with the inner list as Sender.
    void SetOnNotify(TCollectionNotifyEvent<T> value) override { FList.SetOnNotify(std::move(value)); }
    T First() const override { return FList.First(); }
    T Last() const override { return FList.Last(); }
    bool Contains(const T& value) const override { return FList.Contains(value); }
    int IndexOf(const T& value) const override { return FList.IndexOf(value); }
    int LastIndexOf(const T& value) const override { return FList.LastIndexOf(value); }
    bool BinarySearch(const T& Item, int& index) const override { return FList.BinarySearch(Item, index); }
    bool BinarySearch(const T& Item, int& index, const IComparer<T>& AComparer) const override
    {
        return FList.BinarySearch(Item, index, AComparer);
    }

    // --- changes
    void SetCapacity(int value) override { FList.SetCapacity(value); }
    void SetCount(int value) override { FList.SetCount(value); }
    void SetItem(int index, const T& value) override { FList.SetItems(index, value); }
    int Add(const T& value) override { return FList.Add(value); }

    using IArcListIntf<T>::AddRange;
    using IArcListIntf<T>::InsertRange;
    void AddRange(std::span<const T> Values) override { FList.AddRange(Values); }
    void AddRange(const IEnumerableGen<T>& Collection) override { InsertRange(GetCount(), Collection); }
    void Insert(int index, const T& value) override { FList.Insert(index, value); }
    void InsertRange(int index, std::span<const T> Values) override { FList.InsertRange(index, Values); }
    void InsertRange(int index, const IEnumerableGen<T>& Collection) override
    {
        if (!Collection)
            return;
        if (static_cast<const IEnumerableGenIntf<T>*>(this) == Collection.get()) {
            // Walking this very list while inserting into it would never end:
            // its enumerator re-reads the growing count. Take the items first.
            const TArray<T> items = ToArray();
            for (const T& item : items)
                FList.Insert(index++, item);
            return;
        }
        for (const IEnumeratorGen<T> e = Collection->GetEnumerator(); e->MoveNext();)
            FList.Insert(index++, e->GetCurrentGen());
    }
    int Remove(const T& value) override { return FList.Remove(value); }
    void Delete(int index) override { FList.Delete(index); }
    void DeleteRange(int AIndex, int ACount) override { FList.DeleteRange(AIndex, ACount); }
    T Extract(const T& value) override { return FList.Extract(value); }
    void Exchange(int Index1, int Index2) override { FList.Exchange(Index1, Index2); }
    void Move(int CurIndex, int NewIndex) override { FList.Move(CurIndex, NewIndex); }
    void Clear() override { FList.Clear(); }

    // Frees every object of a list of class items, each distinct object once
    // and nil items skipped, then clears the list. The change handler is then
    // told about objects that are already freed.
    void ClearAndFree() override
    {
        if constexpr (ArcListDetail::KindOf<T>() == ArcListDetail::ItemKind::Class) {
            using Object = std::remove_pointer_t<T>;
            static_assert(sizeof(Object) > 0, "ClearAndFree needs the complete item class");
            const TArray<T> items = FList.ToArray();
            for (T item : GenericsDetail::ObjectsToFree<T>(items, {}))
                delete item;
            FList.Clear();
        } else {
            ArcListDetail::RaiseClearAndFreeNotClass();
        }
    }

    void Reverse() override { FList.Reverse(); }
    void Sort() override { FList.Sort(); }
    void Sort(const IComparer<T>& AComparer) override { FList.Sort(AComparer); }
    void TrimExcess() override { FList.TrimExcess(); }
    TArray<T> ToArray() const override { return FList.ToArray(); }

    // A new array of the items, which the list keeps until the next
    // ToArrayKeepRef, ArrayClearRef or its own end, so that a reader without
    // a reference of its own can still walk it.
    TArray<T> ToArrayKeepRef() override
    {
        fTmpArrKeepRef = FList.ToArray();
        return fTmpArrKeepRef;
    }

    void ArrayClearRef() { fTmpArrKeepRef = TArray<T>(); }

    template<class K>
    bool BinarySearchKey(const std::type_identity_t<K>& Key, int& Index, const IArcComparer<T, K>& Comparer) const
    {
        return ::BinarySearchKey<T, K>(*this, Key, Index, Comparer);
    }

private:
    std::shared_ptr<TArcEnumerator<T>> NewEnumerator() const;

    TList<T> FList;
    TArray<T> fTmpArrKeepRef;
};

// The one enumerator of TArcList<T>: a counted reference to the list and a
// position. Positions: -1 before the first item, 0..Count-1 on an item,
// Count after MoveNext ran off the end, anything larger once the list shrank.
template<class T>
class TArcEnumerator final : public IEnumeratorGenIntf<T>, public IArcEnumeratorIntf<T> {
public:
    explicit TArcEnumerator(const IArcList<T>& AList)
        : FList(AList)
    {
    }

    using IArcEnumeratorIntf<T>::begin;
    using IArcEnumeratorIntf<T>::end;

    T GetCurrentGen() override { return FList->GetItem(FIndex); }

    // The current item as an object address: the item itself for a class, the
    // object implementing it for an interface (nil for nil); other element
    // types refuse.
    void* GetCurrent() override
    {
        constexpr auto kind = ArcListDetail::KindOf<T>();
        if constexpr (kind == ArcListDetail::ItemKind::Class) {
            return const_cast<void*>(static_cast<const void*>(GetCurrentGen()));
        } else if constexpr (kind == ArcListDetail::ItemKind::Interface) {
            const T item = GetCurrentGen();
            if (!item)
                return nullptr;
            if constexpr (std::is_polymorphic_v<typename T::element_type>)
                return const_cast<void*>(dynamic_cast<const void*>(item.get()));
            else
                return const_cast<void*>(static_cast<const void*>(item.get()));
        } else {
            ArcListDetail::RaiseGetCurrentNotClass();
        }
    }

    bool CurrentIsValid() override { return FIndex >= 0 && FIndex <= FList->GetCount() - 1; }

    bool MoveNext() override
    {
        if (FIndex >= FList->GetCount())
            return false;
        ++FIndex;
        return FIndex < FList->GetCount();
    }

    bool MovePrevious() override
    {
        if (FIndex <= 0)
            return false;
        --FIndex;
        return true;
    }

    bool MoveFirst() override
    {
        if (FList->GetCount() <= 0)
            return false;
        FIndex = 0;
        return true;
    }

    bool MoveLast() override
    {
        if (FList->GetCount() <= 0)
            return false;
        FIndex = FList->GetCount() - 1;
        return true;
    }

    void Reset() override { FIndex = -1; }

private:
    IArcList<T> FList;
    int FIndex = -1;
};

template<class T>
std::shared_ptr<TArcEnumerator<T>> TArcList<T>::NewEnumerator() const
{
    // The enumerator holds the list through a counted reference, so the list
    // cannot end while it is walked.
    auto self = std::static_pointer_cast<TArcList>(std::const_pointer_cast<TArcEnumerable>(shared_from_this()));
    return std::make_shared<TArcEnumerator<T>>(IArcList<T>(self));
}
