#include "CountedItem.h"
#include "UAppExceptions.h"
#include "UOwnerList.h"

#include <gtest/gtest.h>

namespace {

using TList3 = TOwnerList<TCounted>;

// A named list class, as the document model declares them.
class TCountedList : public TOwnerList<TCounted> {
public:
    using TOwnerList<TCounted>::TOwnerList;
    TCountedList()
        : TOwnerList<TCounted>(true)
    {
    }
    int Sum() const
    {
        int sum = 0;
        for (TCounted* item : *this)
            sum += item ? item->Value() : 0;
        return sum;
    }
};

std::vector<TCounted*> Items(const TList<TCounted*>& list)
{
    return list.ToArray().ToVector();
}

// Deletes whatever a test left alive on purpose (objects a non-owning list
// referred to, extracted objects), after the list is gone.
void FreeSurvivors(std::initializer_list<TCounted*> objects)
{
    for (TCounted* item : objects)
        if (TCounted::IsAlive(item))
            delete item;
}

struct Objects {
    TCounted* a = new TCounted(1);
    TCounted* b = new TCounted(2);
    TCounted* c = new TCounted(3);
    TCounted* d = new TCounted(4); // not in the list at the start
};

class OwnerListTest : public CountedFixture { };

TEST_F(OwnerListTest, OwnershipEffects)
{
    using Op = std::function<void(std::unique_ptr<TList3>&, Objects&)>;
    struct Case {
        const char* name;
        Op op;
        std::string freedWhenOwning; // letters of the objects freed by the operation
        bool listGone = false;
    };
    const Case cases[] = {
        { "Remove frees the removed item", [](auto& l, auto& o) { EXPECT_EQ(l->Remove(o.b), 1); }, "b" },
        { "Remove of an absent item frees nothing", [](auto& l, auto& o) { EXPECT_EQ(l->Remove(o.d), -1); }, "" },
        { "Delete", [](auto& l, auto&) { l->Delete(0); }, "a" },
        { "DeleteRange", [](auto& l, auto&) { l->DeleteRange(1, 2); }, "bc" },
        { "Clear", [](auto& l, auto&) { l->Clear(); }, "abc" },
        { "lowering Count", [](auto& l, auto&) { l->SetCount(1); }, "bc" },
        { "lowering Capacity", [](auto& l, auto&) { l->SetCapacity(2); }, "c" },
        { "replacing an item", [](auto& l, auto& o) { l->SetItems(1, o.d); }, "b" },
        { "Extract hands the item over", [](auto& l, auto& o) { EXPECT_EQ(l->Extract(o.b), o.b); }, "" },
        { "Exchange", [](auto& l, auto&) { l->Exchange(0, 2); }, "" },
        { "Move", [](auto& l, auto&) { l->Move(0, 2); }, "" },
        { "Reverse", [](auto& l, auto&) { l->Reverse(); }, "" },
        { "Sort", [](auto& l, auto&) { l->Sort(); }, "" },
        { "freeing the list", [](auto& l, auto&) { l.reset(); }, "abc", true },
        { "clearing OwnsObjects, then freeing", [](auto& l, auto&) { l->SetOwnsObjects(false); l.reset(); }, "", true },
        { "setting OwnsObjects later, then freeing", [](auto& l, auto&) { l->SetOwnsObjects(true); l.reset(); }, "abc", true },
    };
    for (bool owns : { true, false }) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (owns ? " (owning)" : " (not owning)"));
            Objects o;
            auto list = std::make_unique<TList3>(std::initializer_list<TCounted*> { o.a, o.b, o.c }, owns);
            c.op(list, o);
            std::string freed;
            const std::pair<char, TCounted*> named[] = { { 'a', o.a }, { 'b', o.b }, { 'c', o.c }, { 'd', o.d } };
            for (const auto& [letter, item] : named)
                if (!TCounted::IsAlive(item))
                    freed += letter;
            const bool ownsAtTheEnd = owns || std::string(c.name).starts_with("setting");
            EXPECT_EQ(freed, ownsAtTheEnd ? c.freedWhenOwning : std::string());
            if (!c.listGone)
                for (TCounted* item : *list)
                    EXPECT_TRUE(TCounted::IsAlive(item)); // the list never holds a freed object
            if (list)
                list->SetOwnsObjects(false);
            list.reset();
            FreeSurvivors({ o.a, o.b, o.c, o.d });
        }
    }
}

TEST_F(OwnerListTest, RangeErrors)
{
    struct Case {
        const char* name;
        std::function<void(TList3&)> op;
    };
    const Case cases[] = {
        { "Items(Count)", [](auto& l) { l.Items(2); } },
        { "SetItems(-1)", [](auto& l) { l.SetItems(-1, nullptr); } },
        { "Insert(Count + 1)", [](auto& l) { l.Insert(3, nullptr); } },
        { "Delete(Count)", [](auto& l) { l.Delete(2); } },
        { "DeleteRange(1, 2)", [](auto& l) { l.DeleteRange(1, 2); } },
        { "Exchange(0, Count)", [](auto& l) { l.Exchange(0, 2); } },
        { "Move(Count, 0)", [](auto& l) { l.Move(2, 0); } },
        { "Move(0, Count)", [](auto& l) { l.Move(0, 2); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TList3 list({ new TCounted(1), new TCounted(2) }, true);
        const auto before = Items(list);
        try {
            c.op(list);
            ADD_FAILURE() << "no exception";
        } catch (const EArgumentOutOfRangeException& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Argument out of range"));
        }
        EXPECT_EQ(Items(list), before);
        EXPECT_EQ(TCounted::Live(), 2);
    }
}

TEST_F(OwnerListTest, SameObjectTwiceIsFreedOnce)
{
    struct Case {
        const char* name;
        std::function<void(TList3&, TCounted*, TCounted*)> op;
        bool aAliveAfterOp;
    };
    // The list starts as [a, b, a].
    const Case cases[] = {
        { "Delete of one copy keeps the other", [](auto& l, auto*, auto*) { l.Delete(0); }, true },
        { "Remove of one copy keeps the other", [](auto& l, auto* a, auto*) { l.Remove(a); }, true },
        { "DeleteRange over both copies", [](auto& l, auto*, auto*) { l.DeleteRange(0, 3); }, false },
        { "Clear", [](auto& l, auto*, auto*) { l.Clear(); }, false },
        { "replacing an item by itself", [](auto& l, auto* a, auto*) { l.SetItems(0, a); }, true },
        { "replacing one copy by another object", [](auto& l, auto*, auto* b) { l.SetItems(2, b); }, true },
        { "lowering Count below both copies", [](auto& l, auto*, auto*) { l.SetCount(0); }, false },
        { "nothing: the list's end frees it", [](auto&, auto*, auto*) {}, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* a = new TCounted(1);
        auto* b = new TCounted(2);
        {
            TList3 list({ a, b, a }, true);
            c.op(list, a, b);
            EXPECT_EQ(TCounted::IsAlive(a), c.aAliveAfterOp);
        }
        // ASan reports any second free of the same object.
        EXPECT_EQ(TCounted::Live(), 0);
    }
}

TEST_F(OwnerListTest, ConstructorsFromArrays)
{
    TList3 empty(TArray<TCounted*>(), true);
    EXPECT_EQ(empty.Count(), 0);
    TList3 emptyLiteral({}, true);
    EXPECT_EQ(emptyLiteral.Count(), 0);

    auto* a = new TCounted(1);
    auto* b = new TCounted(2);
    TList3 withNils(TArray<TCounted*> { nullptr, a, nullptr, b }, true);
    EXPECT_EQ(Items(withNils), (std::vector<TCounted*> { nullptr, a, nullptr, b }));
    withNils.Delete(0); // a nil item leaves without harm
    EXPECT_TRUE(withNils.OwnsObjects());

    std::vector<TCounted*> source { new TCounted(3) };
    TList3 fromVector(source, true);
    EXPECT_EQ(Items(fromVector), source);
}

TEST_F(OwnerListTest, ComparerIsUsedForSearchesAndRemoval)
{
    const IComparer<TCounted*> byValue =
        TComparer<TCounted*>::Construct([](TCounted* const& l, TCounted* const& r) { return l->Value() - r->Value(); });
    TList3 list(byValue, true);
    auto* one = new TCounted(1);
    list.AddRange({ new TCounted(3), one, new TCounted(2) });
    TCounted probe(1);
    EXPECT_TRUE(list.Contains(&probe));
    EXPECT_EQ(list.IndexOf(&probe), 1);
    list.Sort();
    EXPECT_EQ(list.First(), one);
    int index = -1;
    TCounted probe2(2);
    EXPECT_TRUE(list.BinarySearch(&probe2, index));
    EXPECT_EQ(index, 1);
    // Removal frees the list's own item, not the probe that matched it.
    EXPECT_EQ(list.Remove(&probe), 0);
    EXPECT_FALSE(TCounted::IsAlive(one));
    EXPECT_TRUE(TCounted::IsAlive(&probe));
}

TEST_F(OwnerListTest, ToArrayKeepRef)
{
    TList3 list(true);
    EXPECT_TRUE(list.ToArrayKeepRef().empty());

    auto* a = new TCounted(1);
    list.Add(a);
    TArray<TCounted*> first = list.ToArrayKeepRef();
    EXPECT_EQ(first.RefCount(), 2);
    TArray<TCounted*> second = list.ToArrayKeepRef();
    EXPECT_NE(first.data(), second.data());
    EXPECT_EQ(first.RefCount(), 1); // the list keeps only the second
    EXPECT_EQ(first.ToVector(), (std::vector<TCounted*> { a })); // the first stays intact

    auto* b = new TCounted(2);
    list.Add(b);
    EXPECT_EQ(second.Length(), 1); // no later changes
    list.ArrayClearRef();
    EXPECT_EQ(second.RefCount(), 1);

    // The array keeps the items neither owned nor alive.
    TArray<TCounted*> kept = list.ToArrayKeepRef();
    list.Delete(0);
    EXPECT_EQ(kept[0], a);
    EXPECT_FALSE(TCounted::IsAlive(kept[0]));
}

TEST_F(OwnerListTest, NonOwningCopyCanBeWalkedWhileTheSourceLosesItems)
{
    auto owner = std::make_unique<TList3>(true);
    for (int i = 1; i <= 5; ++i)
        owner->Add(new TCounted(i));
    {
        TList3 copy(*owner, false);
        int walked = 0;
        for (TCounted* item : copy) {
            ++walked;
            if (item->Value() % 2 == 1)
                owner->Remove(item); // frees it
        }
        EXPECT_EQ(walked, 5);
        EXPECT_EQ(copy.Count(), 5); // still lists the removed items
        EXPECT_EQ(owner->Count(), 2);
    } // freeing the copy frees nothing
    EXPECT_EQ(TCounted::Live(), 2);
}

TEST_F(OwnerListTest, ExtractedItemBelongsToTheCaller)
{
    auto* a = new TCounted(1);
    auto list = std::make_unique<TList3>(std::initializer_list<TCounted*> { a, new TCounted(2) }, true);
    std::vector<TCollectionNotification> actions;
    TList<TCounted*>* const self = list.get();
    list->SetOnNotify([&](TList<TCounted*>* sender, TCounted* const&, TCollectionNotification action) {
        EXPECT_EQ(sender, self);
        actions.push_back(action);
    });
    EXPECT_EQ(list->Extract(a), a);
    EXPECT_EQ(list->Extract(a), nullptr); // no longer there
    list.reset();
    EXPECT_EQ(actions, (std::vector<TCollectionNotification> { cnExtracted, cnRemoved }));
    EXPECT_TRUE(TCounted::IsAlive(a));
    delete a;
}

TEST_F(OwnerListTest, HandlerSeesItemsBeforeTheyAreFreed)
{
    TList3 list({ new TCounted(1), new TCounted(2) }, true);
    int sum = 0;
    list.SetOnNotify([&](TList<TCounted*>*, TCounted* const& item, TCollectionNotification action) {
        if (action == cnRemoved)
            sum += item->Value(); // ASan reports a read of a freed item
    });
    list.Clear();
    EXPECT_EQ(sum, 3);
}

TEST_F(OwnerListTest, FailingHandlerStillFreesTheItems)
{
    TList3 list({ new TCounted(1), new TCounted(2), new TCounted(3) }, true);
    list.SetOnNotify([](TList<TCounted*>*, TCounted* const&, TCollectionNotification action) {
        if (action == cnRemoved)
            throw Exception(QStringLiteral("handler"));
    });
    EXPECT_THROW(list.DeleteRange(0, 2), Exception);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(TCounted::Live(), 1);
    // The end of the list cannot pass the failure on; it still frees.
}

// --- the published array property ------------------------------------------

class TDocument {
public:
    TDocument()
        : fItems(std::make_unique<TCountedList>())
    {
    }
    TArray<TCounted*> GetItems() { return fItems->ToArrayKeepRef(); }
    void SetItems(const TArray<TCounted*>& value) { ReplaceOwnerList(fItems, value); }
    TCountedList& List() { return *fItems; }

private:
    std::unique_ptr<TCountedList> fItems;
};

TEST_F(OwnerListTest, PropertySetterTakesOverItsArray)
{
    struct Case {
        const char* name;
        // Builds the array to set from the document's current items a, b.
        std::function<TArray<TCounted*>(TDocument&, TCounted*, TCounted*)> value;
        int sumAfter;
        int liveAfter;
    };
    const Case cases[] = {
        { "new objects only: the old ones are freed",
          [](auto&, auto*, auto*) { return TArray<TCounted*> { new TCounted(10) }; }, 10, 1 },
        { "round trip of the getter's own array",
          [](auto& doc, auto*, auto*) { return doc.GetItems(); }, 3, 2 },
        { "old and new mixed",
          [](auto&, auto*, auto* b) { return TArray<TCounted*> { new TCounted(20), b }; }, 22, 2 },
        { "an old item twice",
          [](auto&, auto* a, auto*) { return TArray<TCounted*> { a, a }; }, 2, 1 },
        { "empty array",
          [](auto&, auto*, auto*) { return TArray<TCounted*>(); }, 0, 0 },
        { "nil entries",
          [](auto&, auto* a, auto*) { return TArray<TCounted*> { nullptr, a }; }, 1, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            TDocument doc;
            auto* a = new TCounted(1);
            auto* b = new TCounted(2);
            doc.List().AddRange({ a, b });
            doc.SetItems(c.value(doc, a, b));
            EXPECT_EQ(doc.List().Sum(), c.sumAfter);
            EXPECT_TRUE(doc.List().OwnsObjects());
            EXPECT_EQ(TCounted::Live(), c.liveAfter);
            for (TCounted* item : doc.List())
                EXPECT_TRUE(item == nullptr || TCounted::IsAlive(item));
        }
        EXPECT_EQ(TCounted::Live(), 0);
    }
}

TEST_F(OwnerListTest, SetterOnAnEmptyHolder)
{
    std::unique_ptr<TCountedList> held;
    ReplaceOwnerList(held, TArray<TCounted*> { new TCounted(5) });
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Sum(), 5);
}

TEST_F(OwnerListTest, AddingTheListToItself)
{
    TList3 list({ new TCounted(1), new TCounted(2) }, false);
    list.AddRange(list);
    EXPECT_EQ(list.Count(), 4);
    // Now each object stands twice; an owning end frees each once.
    list.SetOwnsObjects(true);
}

} // namespace
