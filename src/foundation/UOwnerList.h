#pragma once
// TOwnerList<T>: the list in which an object keeps the objects it owns.
//
// An owning list (OwnsObjects set) frees every item that leaves it by
// removal: Remove, Delete, DeleteRange, Clear, a lower count, the replaced
// item of SetItems, and every remaining item when the list itself is freed.
// Extract hands an item over to the caller unfreed; Exchange, Move, Sort and
// Reverse only move items. A list with OwnsObjects cleared is a view or a
// snapshot over objects another list owns, and frees nothing.
//
// An object freed by the list is freed once: an item that leaves while the
// same object still stands elsewhere in the list stays alive, and an object
// listed twice among the items that leave together is freed once.
//
// ToArrayKeepRef hands out an array of the items that the list keeps
// referenced until the next call, ArrayClearRef or its own end; the published
// array properties of the documents return it, so that a reader holding no
// reference of its own can walk it. The array neither owns nor keeps alive
// the items themselves.

#include "UGenerics.h"

template<class T>
class TOwnerList : public TList<T*> {
    static_assert(std::is_class_v<T>, "TOwnerList holds objects of a class type");
    using Base = TList<T*>;

public:
    // Empty list with the default comparer (the same object only).
    explicit TOwnerList(bool AOwnsObjects)
        : fOwnsObjects(AOwnsObjects)
    {
    }

    // Empty list comparing with AComparer (IndexOf, Remove, Contains, Sort,
    // BinarySearch).
    TOwnerList(const IComparer<T*>& AComparer, bool AOwnsObjects)
        : Base(AComparer)
        , fOwnsObjects(AOwnsObjects)
    {
    }

    // List filled with the collection's items (another list, a TArray, a
    // std::vector...) in their order, nil entries included.
    template<class R>
        requires std::ranges::input_range<const R> && std::convertible_to<std::ranges::range_reference_t<const R>, T*>
    TOwnerList(const R& Collection, bool AOwnsObjects)
        : fOwnsObjects(AOwnsObjects)
    {
        for (auto&& item : Collection)
            this->Add(item);
    }

    TOwnerList(std::initializer_list<T*> arr, bool AOwnsObjects)
        : fOwnsObjects(AOwnsObjects)
    {
        for (T* item : arr)
            this->Add(item);
    }

    ~TOwnerList() override
    {
        // Cleared here, while the list is still a TOwnerList, so that the
        // items it owns are freed.
        try {
            this->Clear();
        } catch (...) {
            // Only a change handler can fail here; the items are freed anyway.
        }
    }

    bool OwnsObjects() const { return fOwnsObjects; }
    // May change at any time; decides what later removals and the list's end
    // do to the items.
    void SetOwnsObjects(bool value) { fOwnsObjects = value; }

    // A new array of the items in list order, which the list keeps until the
    // next ToArrayKeepRef, ArrayClearRef or its end. Later changes to the list
    // do not show in it.
    TArray<T*> ToArrayKeepRef()
    {
        fTmpArrKeepRef = this->ToArray();
        return fTmpArrKeepRef;
    }

    // Drops the list's reference to the kept array; callers holding their own
    // copy keep it.
    void ArrayClearRef() { fTmpArrKeepRef = TArray<T*>(); }

protected:
    void NotifyRemoved(std::span<T* const> Items) override
    {
        if (!fOwnsObjects) {
            Base::NotifyRemoved(Items);
            return;
        }
        // Work out first what to free: each distinct object once, and none
        // that still stands in the list.
        std::vector<T*> doomed = GenericsDetail::ObjectsToFree<T*>(Items, this->Storage());
        // The handler sees the items before they are freed; they are freed
        // even when it fails.
        struct FreeOnExit {
            std::vector<T*>& items;
            ~FreeOnExit()
            {
                for (T* item : items)
                    delete item;
            }
        } freeOnExit { doomed };
        Base::NotifyRemoved(Items);
    }

private:
    bool fOwnsObjects;
    TArray<T*> fTmpArrKeepRef;
};

// What the setter of a published array property does with the owning list it
// holds: puts in its place a new owning list (of the held list's own class)
// built from arr, and frees the items of the old list that arr does not hand
// back. A getter/setter round trip, or an array mixing old and new items,
// therefore never frees an item the new list has just taken.
template<class L>
void ReplaceOwnerList(std::unique_ptr<L>& Held, const TArray<typename L::value_type>& arr)
{
    using Item = typename L::value_type;
    auto fresh = std::make_unique<L>(arr, true);
    std::unique_ptr<L> old = std::exchange(Held, std::move(fresh));
    if (!old)
        return;
    std::vector<Item> dropped;
    if (old->OwnsObjects()) {
        const TArray<Item> oldItems = old->ToArray();
        dropped = GenericsDetail::ObjectsToFree<Item>(oldItems, arr);
        old->SetOwnsObjects(false);
    }
    old.reset();
    for (Item item : dropped)
        delete item;
}

// A catalogue record that an object either borrows from the catalogue or
// owns (a copy kept after a reload): the pointer and its owned flag.
// SetBorrowed points at a record the object does not free; SetOwned takes
// one over. Either frees the record held before when it was owned.
template<class T>
void SetBorrowed(T*& held, bool& owned, T* record)
{
    if (record == held)
        return;
    if (owned)
        delete held;
    held = record;
    owned = false;
}

template<class T>
void SetOwned(T*& held, bool& owned, std::unique_ptr<T> record)
{
    if (owned)
        delete held;
    held = record.release();
    owned = held != nullptr;
}

// After a reload: points at the catalogue's record found (borrowed) and
// answers true; without one (found null) keeps the record read from the
// file, owned, and answers false.
template<class T>
bool RelinkToCatalogue(T*& held, bool& owned, T* found)
{
    if (!found) {
        owned = held != nullptr;
        return false;
    }
    SetBorrowed(held, owned, found);
    return true;
}
