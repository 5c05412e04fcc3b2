#include "CountedItem.h"
#include "UAppExceptions.h"
#include "UIArcList.h"
#include "UOwnerList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

struct TRec {
    int a;
    int b;
};
enum TOption { opt_none, opt_gift, opt_express };

class IShape {
public:
    virtual ~IShape() = default;
    virtual int Id() const = 0;
};
using IShapePtr = std::shared_ptr<IShape>;

class TShape : public IShape {
public:
    explicit TShape(int id)
        : fId(id)
    {
    }
    int Id() const override { return fId; }

private:
    int fId;
};

std::vector<int> Items(const IArcList<int>& list)
{
    return list->ToArray().ToVector();
}

// Runs op and checks it raised the list's range error.
template<class Op>
void ExpectRangeError(Op op)
{
    try {
        op();
        ADD_FAILURE() << "no exception";
    } catch (const EArgumentOutOfRangeException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Argument out of range"));
    }
}

template<class Op>
void ExpectExceptionText(Op op, const char* text)
{
    try {
        op();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(text));
        EXPECT_EQ(e.ClassName(), QStringLiteral("Exception"));
    }
}

struct Note {
    int item;
    TCollectionNotification action;
    bool operator==(const Note&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Note& n)
{
    return os << n.item << "/" << int(n.action);
}

// Records what the change handler is told.
std::vector<Note>* Watch(const IArcList<int>& list, std::vector<Note>& notes)
{
    list->SetOnNotify([&notes](TList<int>*, const int& item, TCollectionNotification action) {
        notes.push_back({ item, action });
    });
    return &notes;
}

class TIntEnumerable : public IEnumerableGenIntf<int> {
public:
    // Yields 1..count, failing before item `failAt` (0: never).
    TIntEnumerable(int count, int failAt = 0)
        : fCount(count)
        , fFailAt(failAt)
    {
    }
    IEnumerator GetNonGenEnumerator() const override { return GetEnumerator(); }
    IEnumeratorGen<int> GetEnumerator() const override
    {
        class E : public IEnumeratorGenIntf<int> {
        public:
            E(int count, int failAt)
                : fCount(count)
                , fFailAt(failAt)
            {
            }
            void* GetCurrent() override { return nullptr; }
            bool MoveNext() override
            {
                if (fFailAt && fPos + 1 == fFailAt)
                    throw Exception(QStringLiteral("source failed"));
                return ++fPos <= fCount;
            }
            void Reset() override { fPos = 0; }
            int GetCurrentGen() override { return fPos; }

        private:
            int fCount;
            int fFailAt;
            int fPos = 0;
        };
        return std::make_shared<E>(fCount, fFailAt);
    }

private:
    int fCount;
    int fFailAt;
};

// --- creation --------------------------------------------------------------

TEST(ArcList, NewListsWithoutItems)
{
    struct Case {
        const char* name;
        std::function<IArcList<int>()> make;
    };
    const Case cases[] = {
        { "Create", [] { return TArcList<int>::Create(); } },
        { "Create(empty array)", [] { return TArcList<int>::Create(TArray<int>()); } },
        { "Create(comparer)", [] { return TArcList<int>::Create(TComparer<int>::Default()); } },
        { "Create(null comparer)", [] { return TArcList<int>::Create(IComparer<int>()); } },
        { "Create(empty collection object)", [] { return TArcList<int>::Create(std::vector<int>()); } },
        { "Create(empty enumerable)", [] { return TArcList<int>::Create(IEnumerableGen<int>(std::make_shared<TIntEnumerable>(0))); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const IArcList<int> list = c.make();
        EXPECT_EQ(list->GetCount(), 0);
        EXPECT_EQ(list->GetCapacity(), 0);
        ExpectRangeError([&] { list->First(); });
        ExpectRangeError([&] { list->Last(); });
        EXPECT_TRUE(list->ToArray().empty());
        EXPECT_TRUE(list->ToArrayKeepRef().empty());
        int index = -1;
        EXPECT_FALSE(list->BinarySearch(5, index));
        EXPECT_EQ(index, 0);
    }
}

TEST(ArcList, CreateKeepsSourceOrder)
{
    const auto fromArray = TArcList<int>::Create(TArray<int> { 3, 1, 2 });
    EXPECT_EQ(Items(fromArray), (std::vector<int> { 3, 1, 2 }));

    const IEnumerableGen<int> enumerable = std::make_shared<TIntEnumerable>(4);
    EXPECT_EQ(Items(TArcList<int>::Create(enumerable)), (std::vector<int> { 1, 2, 3, 4 }));

    // Another list through its enumerable side.
    EXPECT_EQ(Items(TArcList<int>::Create(IEnumerableGen<int>(fromArray))), (std::vector<int> { 3, 1, 2 }));

    TList<int> plain;
    plain.AddRange({ 9, 8, 7 });
    EXPECT_EQ(Items(TArcList<int>::Create(plain)), (std::vector<int> { 9, 8, 7 }));
}

TEST(ArcList, CreateDoesNotReportFilling)
{
    // No handler exists while a list fills, and the list starts without one.
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
    EXPECT_FALSE(list->GetOnNotify());
}

TEST(ArcList, FailingSourcePassesErrorOn)
{
    const IEnumerableGen<int> failing = std::make_shared<TIntEnumerable>(5, 3);
    ExpectExceptionText([&] { TArcList<int>::Create(failing); }, "source failed");

    // Filling an existing list keeps what went in before the failure.
    const IArcList<int> list = TArcList<int>::Create();
    ExpectExceptionText([&] { list->AddRange(failing); }, "source failed");
    EXPECT_EQ(Items(list), (std::vector<int> { 1, 2 }));
}

// --- range errors ----------------------------------------------------------

TEST(ArcList, RangeErrorsLeaveListUnchanged)
{
    using Op = std::function<void(const IArcList<int>&)>;
    struct Case {
        const char* name;
        Op op;
    };
    const IEnumerableGen<int> two = std::make_shared<TIntEnumerable>(2);
    const Case cases[] = {
        { "GetItem(-1)", [](auto& l) { l->GetItem(-1); } },
        { "GetItem(Count)", [](auto& l) { l->GetItem(3); } },
        { "SetItem(Count)", [](auto& l) { l->SetItem(3, 9); } },
        { "SetItem(-1)", [](auto& l) { l->SetItem(-1, 9); } },
        { "Insert(-1)", [](auto& l) { l->Insert(-1, 9); } },
        { "Insert(Count + 1)", [](auto& l) { l->Insert(4, 9); } },
        { "InsertRange(Count + 1, array)", [](auto& l) { l->InsertRange(4, { 8, 9 }); } },
        { "InsertRange(-1, array)", [](auto& l) { l->InsertRange(-1, { 8, 9 }); } },
        { "InsertRange(Count + 1, enumerable)", [&](auto& l) { l->InsertRange(4, two); } },
        { "InsertRange(-1, collection object)", [](auto& l) { l->InsertRange(-1, std::vector<int> { 8 }); } },
        { "Delete(-1)", [](auto& l) { l->Delete(-1); } },
        { "Delete(Count)", [](auto& l) { l->Delete(3); } },
        { "DeleteRange(-1, 1)", [](auto& l) { l->DeleteRange(-1, 1); } },
        { "DeleteRange(0, -1)", [](auto& l) { l->DeleteRange(0, -1); } },
        { "DeleteRange(0, Count + 1)", [](auto& l) { l->DeleteRange(0, 4); } },
        { "DeleteRange(Count, 1)", [](auto& l) { l->DeleteRange(3, 1); } },
        { "DeleteRange overflowing int", [](auto& l) { l->DeleteRange(2, 0x7fffffff); } },
        { "Move(0, Count)", [](auto& l) { l->Move(0, 3); } },
        { "Move(0, -1)", [](auto& l) { l->Move(0, -1); } },
        { "Move(Count, 0)", [](auto& l) { l->Move(3, 0); } },
        { "Move(-1, 0)", [](auto& l) { l->Move(-1, 0); } },
        { "Exchange(0, Count)", [](auto& l) { l->Exchange(0, 3); } },
        { "Exchange(-1, 0)", [](auto& l) { l->Exchange(-1, 0); } },
        { "SetCount(-1)", [](auto& l) { l->SetCount(-1); } },
        { "SetCapacity(-1)", [](auto& l) { l->SetCapacity(-1); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Note> notes; // outlives the list, which reports its end
        const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2, 3 });
        const int capacity = list->GetCapacity();
        Watch(list, notes);
        ExpectRangeError([&] { c.op(list); });
        EXPECT_EQ(Items(list), (std::vector<int> { 1, 2, 3 }));
        EXPECT_EQ(list->GetCapacity(), capacity);
        EXPECT_TRUE(notes.empty());
    }
}

TEST(ArcList, BoundaryIndexesThatAreAllowed)
{
    using Op = std::function<void(const IArcList<int>&)>;
    struct Case {
        const char* name;
        Op op;
        std::vector<int> expected;
    };
    const Case cases[] = {
        { "Insert(Count) appends", [](auto& l) { l->Insert(3, 9); }, { 1, 2, 3, 9 } },
        { "Insert(0) prepends", [](auto& l) { l->Insert(0, 9); }, { 9, 1, 2, 3 } },
        { "InsertRange(Count) appends", [](auto& l) { l->InsertRange(3, { 8, 9 }); }, { 1, 2, 3, 8, 9 } },
        { "DeleteRange(Count, 0) does nothing", [](auto& l) { l->DeleteRange(3, 0); }, { 1, 2, 3 } },
        { "DeleteRange(0, Count) empties", [](auto& l) { l->DeleteRange(0, 3); }, {} },
        { "Move(i, i) outside the list does nothing", [](auto& l) { l->Move(7, 7); }, { 1, 2, 3 } },
        { "Move(0, last)", [](auto& l) { l->Move(0, 2); }, { 2, 3, 1 } },
        { "Move(last, 0)", [](auto& l) { l->Move(2, 0); }, { 3, 1, 2 } },
        { "Exchange(0, last)", [](auto& l) { l->Exchange(0, 2); }, { 3, 2, 1 } },
        { "Exchange(i, i)", [](auto& l) { l->Exchange(1, 1); }, { 1, 2, 3 } },
        { "empty enumerable is never checked",
          [](auto& l) { l->InsertRange(99, IEnumerableGen<int>(std::make_shared<TIntEnumerable>(0))); }, { 1, 2, 3 } },
        { "an empty array is still checked",
          [](auto& l) { ExpectRangeError([&] { l->InsertRange(99, std::span<const int>()); }); }, { 1, 2, 3 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2, 3 });
        c.op(list);
        EXPECT_EQ(Items(list), c.expected);
    }
}

// --- notifications ---------------------------------------------------------

TEST(ArcList, OperationsReportTheirChanges)
{
    using Op = std::function<void(const IArcList<int>&)>;
    struct Case {
        const char* name;
        Op op;
        std::vector<int> items;
        std::vector<Note> notes;
    };
    const Case cases[] = {
        { "Add", [](auto& l) { EXPECT_EQ(l->Add(4), 3); }, { 1, 2, 3, 4 }, { { 4, cnAdded } } },
        { "Insert", [](auto& l) { l->Insert(1, 9); }, { 1, 9, 2, 3 }, { { 9, cnAdded } } },
        { "AddRange(array)", [](auto& l) { l->AddRange({ 7, 8 }); }, { 1, 2, 3, 7, 8 }, { { 7, cnAdded }, { 8, cnAdded } } },
        { "InsertRange(enumerable)",
          [](auto& l) { l->InsertRange(1, IEnumerableGen<int>(std::make_shared<TIntEnumerable>(2))); },
          { 1, 1, 2, 2, 3 }, { { 1, cnAdded }, { 2, cnAdded } } },
        { "AddRange(collection object)", [](auto& l) { l->AddRange(std::vector<int> { 5 }); }, { 1, 2, 3, 5 }, { { 5, cnAdded } } },
        { "Remove present", [](auto& l) { EXPECT_EQ(l->Remove(2), 1); }, { 1, 3 }, { { 2, cnRemoved } } },
        { "Remove absent", [](auto& l) { EXPECT_EQ(l->Remove(42), -1); }, { 1, 2, 3 }, {} },
        { "Delete", [](auto& l) { l->Delete(0); }, { 2, 3 }, { { 1, cnRemoved } } },
        { "DeleteRange", [](auto& l) { l->DeleteRange(1, 2); }, { 1 }, { { 2, cnRemoved }, { 3, cnRemoved } } },
        { "Extract present", [](auto& l) { EXPECT_EQ(l->Extract(2), 2); }, { 1, 3 }, { { 2, cnExtracted } } },
        { "Extract absent gives 0", [](auto& l) { EXPECT_EQ(l->Extract(42), 0); }, { 1, 2, 3 }, {} },
        { "SetItem", [](auto& l) { l->SetItem(0, 5); }, { 5, 2, 3 }, { { 1, cnRemoved }, { 5, cnAdded } } },
        { "SetCount larger", [](auto& l) { l->SetCount(5); }, { 1, 2, 3, 0, 0 }, {} },
        { "SetCount smaller", [](auto& l) { l->SetCount(1); }, { 1 }, { { 2, cnRemoved }, { 3, cnRemoved } } },
        { "SetCapacity below count", [](auto& l) { l->SetCapacity(1); }, { 1 }, { { 2, cnRemoved }, { 3, cnRemoved } } },
        { "Clear", [](auto& l) { l->Clear(); }, {}, { { 1, cnRemoved }, { 2, cnRemoved }, { 3, cnRemoved } } },
        { "Exchange", [](auto& l) { l->Exchange(0, 1); }, { 2, 1, 3 }, {} },
        { "Move", [](auto& l) { l->Move(0, 1); }, { 2, 1, 3 }, {} },
        { "Reverse", [](auto& l) { l->Reverse(); }, { 3, 2, 1 }, {} },
        { "Sort", [](auto& l) { l->Sort(); }, { 1, 2, 3 }, {} },
        { "TrimExcess", [](auto& l) { l->TrimExcess(); }, { 1, 2, 3 }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Note> notes;
        const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2, 3 });
        Watch(list, notes);
        c.op(list);
        EXPECT_EQ(Items(list), c.items);
        EXPECT_EQ(notes, c.notes);
    }
}

TEST(ArcList, BlockInsertReportsAfterTheWholeBlockIsIn)
{
    std::vector<int> countsSeen;
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
    list->SetOnNotify([&](TList<int>* sender, const int&, TCollectionNotification) { countsSeen.push_back(sender->Count()); });
    list->InsertRange(1, { 7, 8, 9 });
    EXPECT_EQ(countsSeen, (std::vector<int> { 5, 5, 5 }));

    // A walked collection object reports each item as it goes in.
    countsSeen.clear();
    TList<int> collection;
    collection.AddRange({ 4, 5 });
    list->InsertRange(0, collection);
    EXPECT_EQ(countsSeen, (std::vector<int> { 6, 7 }));
}

TEST(ArcList, HandlerSenderIsTheInnerList)
{
    const void* sender = nullptr;
    int senderCount = -1;
    const auto list = TArcList<int>::Create(TArray<int> { 1, 2 });
    list->SetOnNotify([&](TList<int>* s, const int&, TCollectionNotification) {
        sender = s;
        senderCount = s->Count();
    });
    list->Add(3);
    ASSERT_NE(sender, nullptr);
    EXPECT_NE(sender, static_cast<const void*>(list.get()));
    EXPECT_NE(sender, static_cast<const void*>(static_cast<IArcListIntf<int>*>(list.get())));
    EXPECT_EQ(senderCount, 3); // it holds the same items

    const void* first = sender;
    list->Delete(0);
    EXPECT_EQ(sender, first);
    EXPECT_TRUE(list->GetOnNotify());
}

TEST(ArcList, HandlerFailurePassesOnAndKeepsTheChange)
{
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
    list->SetOnNotify([](TList<int>*, const int&, TCollectionNotification) { throw Exception(QStringLiteral("handler")); });
    ExpectExceptionText([&] { list->Add(3); }, "handler");
    EXPECT_EQ(Items(list), (std::vector<int> { 1, 2, 3 }));
    list->SetOnNotify(nullptr);
}

TEST(ArcList, DestructionReportsRemovals)
{
    std::vector<Note> notes;
    {
        const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
        Watch(list, notes);
    }
    EXPECT_EQ(notes, (std::vector<Note> { { 1, cnRemoved }, { 2, cnRemoved } }));
}

// --- storage ---------------------------------------------------------------

TEST(ArcList, CapacityGrowth)
{
    const IArcList<int> list = TArcList<int>::Create();
    std::vector<int> capacities;
    for (int i = 0; i < 5; ++i) {
        list->Add(i);
        capacities.push_back(list->GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int> { 1, 2, 4, 4, 8 }));

    list->SetCount(11); // grows to exactly the count asked for
    EXPECT_EQ(list->GetCapacity(), 11);
    list->SetCount(2); // does not shrink
    EXPECT_EQ(list->GetCapacity(), 11);
    list->TrimExcess();
    EXPECT_EQ(list->GetCapacity(), 2);
    list->SetCapacity(20);
    EXPECT_EQ(list->GetCapacity(), 20);
    EXPECT_EQ(Items(list), (std::vector<int> { 0, 1 }));
    list->Clear();
    EXPECT_EQ(list->GetCapacity(), 0);

    const IArcList<int> block = TArcList<int>::Create();
    block->AddRange({ 1, 2, 3, 4, 5 });
    EXPECT_EQ(block->GetCapacity(), 5); // an empty storage grows to exactly what is needed
    block->AddRange({ 6, 7, 8, 9, 10, 11 });
    EXPECT_EQ(block->GetCapacity(), 20); // doubles until the block fits
}

// --- searches --------------------------------------------------------------

TEST_F(CountedFixture, SearchesOnObjectsCompareIdentity)
{
    TCounted a(1), b(2), twin(1);
    const IArcList<TCounted*> list = TArcList<TCounted*>::Create(TArray<TCounted*> { &a, &b, &a });
    EXPECT_EQ(list->IndexOf(&a), 0);
    EXPECT_EQ(list->LastIndexOf(&a), 2);
    EXPECT_FALSE(list->Contains(&twin)); // equal contents, other object
    EXPECT_EQ(list->IndexOf(&twin), -1);
    EXPECT_EQ(list->Remove(&a), 0);
    EXPECT_EQ(list->ToArray().ToVector(), (std::vector<TCounted*> { &b, &a }));

    // A list made with a comparer of its own finds by contents.
    const IArcList<TCounted*> byValue = TArcList<TCounted*>::Create(
        TComparer<TCounted*>::Construct([](TCounted* const& l, TCounted* const& r) { return l->Value() - r->Value(); }));
    byValue->AddRange({ &a, &b });
    EXPECT_TRUE(byValue->Contains(&twin));
    EXPECT_EQ(byValue->Extract(&twin), &a); // hands back the item the list held
    EXPECT_EQ(byValue->GetCount(), 1);
}

TEST(ArcList, BinarySearch)
{
    struct Case {
        const char* name;
        std::vector<int> items;
        int item;
        bool found;
        int index;
    };
    const Case cases[] = {
        { "leftmost of equal items", { 1, 2, 2, 2, 3 }, 2, true, 1 },
        { "below every item", { 1, 2, 2, 2, 3 }, 0, false, 0 },
        { "above every item", { 1, 2, 2, 2, 3 }, 4, false, 5 },
        { "between items", { 10, 20, 30 }, 25, false, 2 },
        { "first item", { 10, 20, 30 }, 10, true, 0 },
        { "last item", { 10, 20, 30 }, 30, true, 2 },
        { "single item, found", { 7 }, 7, true, 0 },
        { "empty list", {}, 7, false, 0 },
        { "all equal", { 4, 4, 4, 4 }, 4, true, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const IArcList<int> list = TArcList<int>::Create(TArray<int>(c.items));
        int index = -1;
        EXPECT_EQ(list->BinarySearch(c.item, index), c.found);
        EXPECT_EQ(index, c.index);

        // The same search in descending order on the reversed list.
        const IComparer<int> desc = TComparer<int>::Construct([](const int& l, const int& r) { return r - l; });
        const IArcList<int> reversed = TArcList<int>::Create(TArray<int>(c.items));
        reversed->Reverse();
        int descIndex = -1;
        EXPECT_EQ(reversed->BinarySearch(c.item, descIndex, desc), c.found);
        if (c.found) {
            EXPECT_EQ(reversed->GetItem(descIndex), c.item);
        }
    }
}

class TShapeById : public IArcComparerIntf<IShapePtr, QString> {
public:
    int Compare(const IShapePtr& Left, const QString& Right) const override
    {
        return QString::number(Left->Id()).rightJustified(4, '0').compare(Right);
    }
};
class TShapeByPos : public IArcComparerIntf<IShapePtr, float> {
public:
    int Compare(const IShapePtr& Left, const float& Right) const override
    {
        const float pos = Left->Id() * 1.5f;
        return pos < Right ? -1 : (pos > Right ? 1 : 0);
    }
};

TEST(ArcList, BinarySearchKeyMatchesBinarySearch)
{
    const IArcList<IShapePtr> empty = TArcList<IShapePtr>::Create();
    int index = -1;
    const IArcComparer<IShapePtr, QString> byId = std::make_shared<TShapeById>();
    EXPECT_FALSE((BinarySearchKey<IShapePtr, QString>(empty, QStringLiteral("0001"), index, byId)));
    EXPECT_EQ(index, 0);

    const auto list = TArcList<IShapePtr>::Create();
    for (int id : { 2, 4, 4, 6, 8 })
        list->Add(std::make_shared<TShape>(id));
    const IComparer<IShapePtr> itemOrder = TComparer<IShapePtr>::Construct(
        [](const IShapePtr& l, const IShapePtr& r) { return l->Id() - r->Id(); });
    const IArcComparer<IShapePtr, float> byPos = std::make_shared<TShapeByPos>();

    for (int id : { 1, 2, 3, 4, 5, 8, 9 }) {
        SCOPED_TRACE(id);
        int expectedIndex = -1;
        const bool expectedFound = list->BinarySearch(std::make_shared<TShape>(id), expectedIndex, itemOrder);

        int keyIndex = -1;
        const QString key = QString::number(id).rightJustified(4, '0');
        EXPECT_EQ(list->BinarySearchKey<QString>(key, keyIndex, byId), expectedFound);
        EXPECT_EQ(keyIndex, expectedIndex);

        int posIndex = -1;
        const IArcList<IShapePtr> asInterface = list;
        EXPECT_EQ((BinarySearchKey<IShapePtr, float>(asInterface, id * 1.5f, posIndex, byPos)), expectedFound);
        EXPECT_EQ(posIndex, expectedIndex);
    }
    ExpectExceptionText([&] { list->BinarySearchKey<QString>(QString(), index, nullptr); },
                        "TArcList<T>.BinarySearchKey: no comparer");
}

// --- sorting ---------------------------------------------------------------

TEST(ArcList, SortKeepsEveryItem)
{
    const IArcList<TRec> list = TArcList<TRec>::Create();
    for (int i = 0; i < 50; ++i)
        list->Add({ i % 3, i });
    list->Sort(TComparer<TRec>::Construct([](const TRec& l, const TRec& r) { return l.a - r.a; }));
    std::vector<int> seen;
    for (int i = 0; i < list->GetCount(); ++i) {
        if (i > 0) {
            EXPECT_LE(list->GetItem(i - 1).a, list->GetItem(i).a);
        }
        seen.push_back(list->GetItem(i).b);
    }
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(seen[std::size_t(i)], i);
}

TEST(ArcList, SortDefaultOrders)
{
    const IArcList<int> ints = TArcList<int>::Create(TArray<int> { 5, -1, 3, 3, 0 });
    ints->Sort();
    EXPECT_EQ(Items(ints), (std::vector<int> { -1, 0, 3, 3, 5 }));

    const IArcList<TOption> options = TArcList<TOption>::Create(TArray<TOption> { opt_express, opt_none, opt_gift });
    options->Sort();
    EXPECT_EQ(options->ToArray().ToVector(), (std::vector<TOption> { opt_none, opt_gift, opt_express }));

    // Records without an order of their own compare by their bytes.
    const IArcList<TRec> recs = TArcList<TRec>::Create(TArray<TRec> { { 2, 0 }, { 1, 5 }, { 1, 5 } });
    EXPECT_EQ(recs->IndexOf({ 1, 5 }), 1);
    EXPECT_EQ(recs->LastIndexOf({ 1, 5 }), 2);
    EXPECT_FALSE(recs->Contains({ 1, 6 }));
}

TEST(ArcList, SortSurvivesBadComparers)
{
    std::mt19937 rng(1234);
    std::vector<int> original(300);
    for (int i = 0; i < 300; ++i)
        original[std::size_t(i)] = i;

    // A comparer that contradicts itself must not read outside the list or
    // lose items; one that fails must leave every item in place once.
    struct Case {
        const char* name;
        std::function<int(const int&, const int&)> compare;
        bool throws;
    };
    int calls = 0;
    const Case cases[] = {
        { "random answers", [&](const int&, const int&) { return int(rng() % 3) - 1; }, false },
        { "always less", [](const int&, const int&) { return -1; }, false },
        { "always greater", [](const int&, const int&) { return 1; }, false },
        { "fails midway", [&](const int& l, const int& r) {
              if (++calls == 500)
                  throw Exception(QStringLiteral("compare failed"));
              return l - r;
          }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::shuffle(original.begin(), original.end(), rng);
        const IArcList<int> list = TArcList<int>::Create(TArray<int>(original));
        calls = 0;
        if (c.throws)
            ExpectExceptionText([&] { list->Sort(TComparer<int>::Construct(c.compare)); }, "compare failed");
        else
            list->Sort(TComparer<int>::Construct(c.compare));
        std::vector<int> items = Items(list);
        std::sort(items.begin(), items.end());
        std::vector<int> sorted = original;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(items, sorted);
    }
}

// --- arrays ----------------------------------------------------------------

TEST(ArcList, ToArrayKeepRef)
{
    const auto list = TArcList<int>::Create(TArray<int> { 1, 2 });
    TArray<int> first = list->ToArrayKeepRef();
    EXPECT_EQ(first.RefCount(), 2); // the caller's copy and the list's
    list->Add(3);
    EXPECT_EQ(first.ToVector(), (std::vector<int> { 1, 2 })); // does not follow the list

    TArray<int> second = list->ToArrayKeepRef();
    EXPECT_NE(first.data(), second.data());
    EXPECT_EQ(first.RefCount(), 1); // the list let go of the first
    EXPECT_EQ(second.RefCount(), 2);
    EXPECT_EQ(second.ToVector(), (std::vector<int> { 1, 2, 3 }));

    TArray<int> third = list->ToArrayKeepRef(); // a new copy even without change
    EXPECT_NE(third.data(), second.data());
    EXPECT_EQ(third.ToVector(), second.ToVector());

    list->ArrayClearRef();
    EXPECT_EQ(third.RefCount(), 1);
    EXPECT_EQ(third.ToVector(), (std::vector<int> { 1, 2, 3 }));
}

TEST(ArcList, KeptArrayIsEnoughForAReaderWithoutReference)
{
    // A reader that only keeps a pointer into the array, as the serializer
    // does, can walk it while the list lives.
    const auto list = TArcList<int>::Create(TArray<int> { 4, 5, 6 });
    const int* raw = list->ToArrayKeepRef().data();
    EXPECT_EQ(raw[0] + raw[1] + raw[2], 15);
}

TEST(ArcList, KeptArrayOfInterfacesHoldsItsOwnReferences)
{
    const IShapePtr shape = std::make_shared<TShape>(1);
    const IArcList<IShapePtr> list = TArcList<IShapePtr>::Create();
    list->Add(shape);
    EXPECT_EQ(shape.use_count(), 2);
    list->ToArrayKeepRef();
    EXPECT_EQ(shape.use_count(), 3);
    list->Clear();
    EXPECT_EQ(shape.use_count(), 2); // the kept array still holds it
    std::static_pointer_cast<TArcList<IShapePtr>>(list)->ArrayClearRef();
    EXPECT_EQ(shape.use_count(), 1);
}

// --- lifetime of items -----------------------------------------------------

TEST_F(CountedFixture, ObjectItemsAreNeverFreedByTheList)
{
    auto* a = new TCounted(1);
    auto* b = new TCounted(2);
    {
        const IArcList<TCounted*> list = TArcList<TCounted*>::Create(TArray<TCounted*> { a, b, a });
        list->Delete(0);
        list->SetItem(0, a);
        list->Clear();
        EXPECT_EQ(list->GetCapacity(), 0);
        list->AddRange({ a, b });
    }
    EXPECT_TRUE(TCounted::IsAlive(a));
    EXPECT_TRUE(TCounted::IsAlive(b));
    delete a;
    delete b;
}

TEST_F(CountedFixture, ClearAndFreeFreesEachObjectOnce)
{
    auto* a = new TCounted(1);
    auto* b = new TCounted(2);
    const IArcList<TCounted*> list = TArcList<TCounted*>::Create(TArray<TCounted*> { a, nullptr, b, a, a });
    std::vector<TCollectionNotification> actions;
    list->SetOnNotify([&](TList<TCounted*>*, TCounted* const&, TCollectionNotification action) { actions.push_back(action); });
    list->ClearAndFree();
    EXPECT_EQ(TCounted::Live(), 0);
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetCapacity(), 0);
    EXPECT_EQ(actions, std::vector<TCollectionNotification>(5, cnRemoved));
}

TEST(ArcList, ClearAndFreeRefusesOtherKinds)
{
    const char* text = "TArcList<T>.ClearAndFree: T must be a class";
    struct Case {
        const char* name;
        std::function<void()> run;
    };
    const Case cases[] = {
        { "integer", [&] {
              const IArcList<int> l = TArcList<int>::Create(TArray<int> { 1, 2 });
              ExpectExceptionText([&] { l->ClearAndFree(); }, text);
              EXPECT_EQ(l->GetCount(), 2);
          } },
        { "enumeration", [&] {
              const IArcList<TOption> l = TArcList<TOption>::Create(TArray<TOption> { opt_gift });
              ExpectExceptionText([&] { l->ClearAndFree(); }, text);
              EXPECT_EQ(l->GetCount(), 1);
          } },
        { "record", [&] {
              const IArcList<TRec> l = TArcList<TRec>::Create(TArray<TRec> { { 1, 2 } });
              ExpectExceptionText([&] { l->ClearAndFree(); }, text);
              EXPECT_EQ(l->GetCount(), 1);
          } },
        { "interface", [&] {
              const IShapePtr s = std::make_shared<TShape>(1);
              const IArcList<IShapePtr> l = TArcList<IShapePtr>::Create(TArray<IShapePtr> { s });
              ExpectExceptionText([&] { l->ClearAndFree(); }, text);
              EXPECT_EQ(l->GetCount(), 1);
              EXPECT_EQ(s.use_count(), 2);
          } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.run();
    }
}

TEST(ArcList, InterfaceItemsHoldOneReferenceEach)
{
    const IShapePtr a = std::make_shared<TShape>(1);
    const IShapePtr b = std::make_shared<TShape>(2);
    {
        const IArcList<IShapePtr> list = TArcList<IShapePtr>::Create();
        list->AddRange({ a, b, a });
        EXPECT_EQ(a.use_count(), 3);
        EXPECT_EQ(list->GetItem(0).get(), a.get());
        list->SetItem(2, b); // the replaced item loses its reference
        EXPECT_EQ(a.use_count(), 2);
        EXPECT_EQ(b.use_count(), 3);

        // Extract hands the list's reference over to the caller.
        IShapePtr taken = list->Extract(b);
        EXPECT_EQ(taken.get(), b.get());
        EXPECT_EQ(b.use_count(), 3);
        taken.reset();
        EXPECT_EQ(b.use_count(), 2);
        EXPECT_EQ(list->Extract(std::make_shared<TShape>(9)), nullptr);
        list->SetCount(4); // appends nil references
        EXPECT_EQ(list->GetItem(3), nullptr);
    }
    // The list's end released one reference of each item.
    EXPECT_EQ(a.use_count(), 1);
    EXPECT_EQ(b.use_count(), 1);
}

TEST_F(CountedFixture, ViewsOverAnOwningList)
{
    auto owner = std::make_unique<TOwnerList<TCounted>>(true);
    owner->AddRange({ new TCounted(1), new TCounted(2), new TCounted(3) });

    // A reference-counted view of owned objects: dropping it frees nothing.
    IArcList<TCounted*> view = TArcList<TCounted*>::Create(*owner);
    EXPECT_EQ(view->GetCount(), 3);
    view->Delete(0);
    view.reset();
    EXPECT_EQ(TCounted::Live(), 3);

    // Extracting from the owner moves the object into the caller's hands;
    // the caller can hand it on to a list that ClearAndFree's it.
    TCounted* second = owner->Items(1);
    EXPECT_EQ(owner->Extract(second), second);
    const IArcList<TCounted*> adopted = TArcList<TCounted*>::Create(TArray<TCounted*> { second, second });
    adopted->ClearAndFree();
    EXPECT_EQ(TCounted::Live(), 2);
    owner.reset();
}

TEST(ArcList, AddingTheListToItselfDoublesIt)
{
    // Its enumerator re-reads the growing count: a plain walk would never end.
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2, 3 });
    list->AddRange(list);
    EXPECT_EQ(Items(list), (std::vector<int> { 1, 2, 3, 1, 2, 3 }));
    list->InsertRange(1, list);
    EXPECT_EQ(Items(list), (std::vector<int> { 1, 1, 2, 3, 1, 2, 3, 2, 3, 1, 2, 3 }));

    const auto concrete = TArcList<int>::Create(TArray<int> { 4 });
    concrete->AddRange(concrete);
    concrete->AddRange(IEnumerableGen<int>(concrete));
    EXPECT_EQ(Items(concrete), (std::vector<int> { 4, 4, 4, 4 }));

    // Through a read-only reference to the same list.
    const IReadOnlyArcList<int> readOnly = concrete;
    concrete->AddRange(IEnumerableGen<int>(readOnly));
    EXPECT_EQ(concrete->GetCount(), 8);
}

TEST(ArcList, ReadOnlyViewOfTheSameList)
{
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
    const IReadOnlyArcList<int> readOnly = list;
    list->Add(3);
    EXPECT_EQ(readOnly->GetCount(), 3);
    EXPECT_EQ(readOnly->Last(), 3);
    int sum = 0;
    for (int item : readOnly)
        sum += item;
    EXPECT_EQ(sum, 6);
}

} // namespace
