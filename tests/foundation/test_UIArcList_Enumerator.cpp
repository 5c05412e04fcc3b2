#include "CountedItem.h"
#include "UAppExceptions.h"
#include "UIArcList.h"

#include <gtest/gtest.h>

namespace {

// --- scripted walks --------------------------------------------------------

enum class Op { Next, Prev, First, Last, Valid, Reset, Append, ShrinkTo, InsertFront };

constexpr int kRaises = -1; // reading the current item raises the range error

struct Step {
    Op op;
    int arg; // the value appended or inserted, or the new count
    bool result; // what a move or CurrentIsValid answers
    int current; // the current item afterwards, or kRaises
};

Step Next(bool result, int current) { return { Op::Next, 0, result, current }; }
Step Prev(bool result, int current) { return { Op::Prev, 0, result, current }; }
Step First(bool result, int current) { return { Op::First, 0, result, current }; }
Step Last(bool result, int current) { return { Op::Last, 0, result, current }; }
Step Valid(bool result, int current) { return { Op::Valid, 0, result, current }; }
Step Reset() { return { Op::Reset, 0, false, kRaises }; }
Step Append(int value) { return { Op::Append, value, false, 0 }; }
Step ShrinkTo(int count) { return { Op::ShrinkTo, count, false, 0 }; }
Step InsertFront(int value) { return { Op::InsertFront, value, false, 0 }; }

struct WalkCase {
    const char* name;
    std::vector<int> items;
    std::vector<Step> steps;
};

TEST(ArcEnumerator, ScriptedWalks)
{
    const WalkCase cases[] = {
        { "empty list",
          {},
          { Next(false, kRaises), First(false, kRaises), Last(false, kRaises), Prev(false, kRaises),
            Valid(false, kRaises),
            // MoveNext left the position at 0, which an appended item fills.
            Append(10), Valid(true, 10) } },
        { "one item",
          { 10 },
          { Next(true, 10), Next(false, kRaises), Prev(true, 10), Prev(false, 10), Valid(true, 10) } },
        { "new enumerator stands before the first item",
          { 10, 20 },
          { Valid(false, kRaises), Prev(false, kRaises), Next(true, 10) } },
        { "reset after a walk",
          { 10, 20 },
          { Next(true, 10), Next(true, 20), Next(false, kRaises), Reset(), Valid(false, kRaises), Next(true, 10) } },
        { "backward walk",
          { 10, 20, 30 },
          { Last(true, 30), Prev(true, 20), Prev(true, 10), Prev(false, 10) } },
        { "back over every item from the end",
          { 10, 20, 30 },
          { Next(true, 10), Next(true, 20), Next(true, 30), Next(false, kRaises), Next(false, kRaises),
            Prev(true, 30), Prev(true, 20), Prev(true, 10), Prev(false, 10) } },
        { "item appended during a forward walk is visited",
          { 10, 20 },
          { Next(true, 10), Next(true, 20), Append(30), Next(true, 30), Next(false, kRaises) } },
        { "item appended after the walk ended sits at the position",
          { 10, 20 },
          { Next(true, 10), Next(true, 20), Next(false, kRaises), Append(30), Valid(true, 30), Next(false, kRaises) } },
        { "stale position after the list shrank",
          { 10, 20, 30, 40, 50 },
          { Last(true, 50), ShrinkTo(2), Next(false, kRaises), Valid(false, kRaises),
            Prev(true, kRaises), Valid(false, kRaises), // position 3
            Prev(true, kRaises), Valid(false, kRaises), // position 2
            Prev(true, 20), Valid(true, 20) } },
        { "insertion before the position shifts what it designates",
          { 10, 20, 30 },
          { Next(true, 10), Next(true, 20), InsertFront(5), Valid(true, 10), Next(true, 20) } },
        { "MoveFirst and MoveLast from anywhere",
          { 10, 20, 30 },
          { Next(true, 10), Last(true, 30), First(true, 10), Prev(false, 10), Last(true, 30) } },
        { "list emptied under the enumerator",
          { 10 },
          { Next(true, 10), ShrinkTo(0), Valid(false, kRaises), First(false, kRaises), Last(false, kRaises),
            Next(false, kRaises), Prev(false, kRaises) } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const IArcList<int> list = TArcList<int>::Create(TArray<int>(c.items));
        const IArcEnumerator<int> e = list->GetArcEnumerator();
        int stepNo = 0;
        for (const Step& s : c.steps) {
            SCOPED_TRACE(testing::Message() << "step " << stepNo++);
            bool result = false;
            bool checked = true;
            switch (s.op) {
            case Op::Next: result = e->MoveNext(); break;
            case Op::Prev: result = e->MovePrevious(); break;
            case Op::First: result = e->MoveFirst(); break;
            case Op::Last: result = e->MoveLast(); break;
            case Op::Valid: result = e->CurrentIsValid(); break;
            case Op::Reset: e->Reset(); break;
            case Op::Append: list->Add(s.arg); checked = false; break;
            case Op::ShrinkTo: list->SetCount(s.arg); checked = false; break;
            case Op::InsertFront: list->Insert(0, s.arg); checked = false; break;
            }
            if (!checked)
                continue;
            if (s.op != Op::Reset) {
                EXPECT_EQ(result, s.result);
            }
            if (s.current == kRaises) {
                EXPECT_THROW(e->GetCurrentGen(), EArgumentOutOfRangeException);
                // The failed read leaves the enumerator where it was.
                EXPECT_FALSE(e->CurrentIsValid());
            } else {
                EXPECT_EQ(e->GetCurrentGen(), s.current);
            }
        }
    }
}

TEST(ArcEnumerator, ReadErrorIsTheListRangeError)
{
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1 });
    const IArcEnumerator<int> e = list->GetArcEnumerator();
    try {
        e->GetCurrentGen();
        FAIL() << "no exception";
    } catch (const EArgumentOutOfRangeException& ex) {
        EXPECT_EQ(ex.Message(), QStringLiteral("Argument out of range"));
    }
    EXPECT_TRUE(e->MoveNext()); // still usable
    EXPECT_EQ(e->GetCurrentGen(), 1);
}

TEST(ArcEnumerator, EachCallGivesAnIndependentEnumerator)
{
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
    const IArcEnumerator<int> a = list->GetArcEnumerator();
    const IArcEnumerator<int> b = list->GetArcEnumerator();
    EXPECT_NE(a.get(), b.get());
    a->MoveLast();
    b->MoveNext();
    EXPECT_EQ(a->GetCurrentGen(), 2);
    EXPECT_EQ(b->GetCurrentGen(), 1);

    // The generic and non-generic sides walk the same way.
    const IEnumeratorGen<int> gen = list->GetEnumerator();
    EXPECT_TRUE(gen->MoveNext());
    EXPECT_EQ(gen->GetCurrentGen(), 1);
    const IEnumerator nonGen = list->GetNonGenEnumerator();
    EXPECT_TRUE(nonGen->MoveNext());
    EXPECT_TRUE(nonGen->MoveNext());
    EXPECT_FALSE(nonGen->MoveNext());
    nonGen->Reset();
    EXPECT_TRUE(nonGen->MoveNext());
}

// --- range-for -------------------------------------------------------------

TEST(ArcEnumerator, RangeForVisitsItemsAppendedDuringTheWalk)
{
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2 });
    std::vector<int> seen;
    for (int item : list) {
        seen.push_back(item);
        if (item < 10)
            list->Add(item + 10);
    }
    EXPECT_EQ(seen, (std::vector<int> { 1, 2, 11, 12 }));
}

TEST(ArcEnumerator, RangeForEndsWhenTheListShrinks)
{
    const IArcList<int> list = TArcList<int>::Create(TArray<int> { 1, 2, 3, 4, 5 });
    std::vector<int> seen;
    for (int item : *list) {
        seen.push_back(item);
        if (item == 2)
            list->DeleteRange(1, 4); // leaves only the first item
    }
    EXPECT_EQ(seen, (std::vector<int> { 1, 2 }));
}

TEST(ArcEnumerator, RangeForOverAnEnumeratorGoesOnFromItsPosition)
{
    const auto list = TArcList<int>::Create(TArray<int> { 1, 2, 3 });
    const IArcEnumerator<int> e = list->GetArcEnumerator();
    e->MoveNext();
    std::vector<int> seen;
    for (int item : e)
        seen.push_back(item);
    EXPECT_EQ(seen, (std::vector<int> { 2, 3 }));

    seen.clear();
    for (int item : list->GetArcEnumerator()) // a temporary enumerator lives through the loop
        seen.push_back(item);
    EXPECT_EQ(seen, (std::vector<int> { 1, 2, 3 }));

    seen.clear();
    const IEnumeratorGen<int> gen = list->GetEnumerator();
    for (int item : *gen)
        seen.push_back(item);
    EXPECT_EQ(seen, (std::vector<int> { 1, 2, 3 }));
}

// --- the non-generic current item ------------------------------------------

struct TRec {
    int a;
};
enum TKind { kind_a, kind_b };

class IWidget {
public:
    virtual ~IWidget() = default;
};
class TBase {
public:
    virtual ~TBase() = default;
    int padding = 7;
};
// The interface is not the first base, so its address differs from the
// object's.
class TWidget : public TBase, public IWidget { };

TEST(ArcEnumerator, GetCurrentRefusesNonObjectKinds)
{
    const char* text = "TArcEnumerator<T>.GetCurrent: T must be a class";
    auto check = [&](const IEnumerator& e, auto readGen, auto expected) {
        // Refused whatever the position, before the first item included.
        try {
            e->GetCurrent();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& ex) {
            EXPECT_EQ(ex.Message(), QString::fromUtf8(text));
        }
        ASSERT_TRUE(e->MoveNext());
        EXPECT_THROW(e->GetCurrent(), Exception);
        EXPECT_EQ(readGen(), expected);
    };
    {
        SCOPED_TRACE("integer");
        const IArcEnumerator<int> e = TArcList<int>::Create(TArray<int> { 42 })->GetArcEnumerator();
        check(e, [&] { return e->GetCurrentGen(); }, 42);
    }
    {
        SCOPED_TRACE("enumeration");
        const IArcEnumerator<TKind> e = TArcList<TKind>::Create(TArray<TKind> { kind_b })->GetArcEnumerator();
        check(e, [&] { return e->GetCurrentGen(); }, kind_b);
    }
    {
        SCOPED_TRACE("record");
        const IArcEnumerator<TRec> e = TArcList<TRec>::Create(TArray<TRec> { { 5 } })->GetArcEnumerator();
        check(e, [&] { return e->GetCurrentGen().a; }, 5);
    }
}

TEST(ArcEnumerator, GetCurrentGivesTheObject)
{
    auto widget = std::make_shared<TWidget>();
    const std::shared_ptr<IWidget> asInterface = widget;
    ASSERT_NE(static_cast<const void*>(asInterface.get()), static_cast<const void*>(widget.get()));

    const IArcList<std::shared_ptr<IWidget>> interfaces = TArcList<std::shared_ptr<IWidget>>::Create();
    interfaces->AddRange({ asInterface, nullptr });
    const IEnumerator e = interfaces->GetNonGenEnumerator();
    EXPECT_THROW(e->GetCurrent(), EArgumentOutOfRangeException);
    ASSERT_TRUE(e->MoveNext());
    EXPECT_EQ(e->GetCurrent(), static_cast<void*>(widget.get())); // the implementing object
    ASSERT_TRUE(e->MoveNext());
    EXPECT_EQ(e->GetCurrent(), nullptr);

    TWidget object;
    const IArcList<TBase*> objects = TArcList<TBase*>::Create(TArray<TBase*> { &object });
    const IEnumerator oe = objects->GetNonGenEnumerator();
    EXPECT_THROW(oe->GetCurrent(), EArgumentOutOfRangeException);
    ASSERT_TRUE(oe->MoveNext());
    EXPECT_EQ(oe->GetCurrent(), static_cast<void*>(static_cast<TBase*>(&object)));
}

// --- lifetime --------------------------------------------------------------

TEST_F(CountedFixture, WalkKeepsTheListAlive)
{
    class TItem : public TCounted {
    public:
        using TCounted::TCounted;
    };
    std::weak_ptr<IArcListIntf<std::shared_ptr<TItem>>> watch;
    IArcEnumerator<std::shared_ptr<TItem>> e;
    {
        IArcList<std::shared_ptr<TItem>> list = TArcList<std::shared_ptr<TItem>>::Create();
        list->AddRange({ std::make_shared<TItem>(1), std::make_shared<TItem>(2) });
        watch = list;
        e = list->GetArcEnumerator();
        ASSERT_TRUE(e->MoveNext());
        // Every other reference to the list goes away here.
    }
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(e->GetCurrentGen()->Value(), 1);
    EXPECT_TRUE(e->MoveNext());
    EXPECT_EQ(e->GetCurrentGen()->Value(), 2);
    EXPECT_FALSE(e->MoveNext());
    EXPECT_EQ(TCounted::Live(), 2);
    e.reset(); // the last reference: the list ends and releases its items
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(TCounted::Live(), 0);
}

TEST_F(CountedFixture, RangeForOverObjects)
{
    TCounted a(1), b(2);
    const IArcList<TCounted*> list = TArcList<TCounted*>::Create(TArray<TCounted*> { &a, &b });
    int sum = 0;
    for (TCounted* item : list)
        sum += item->Value();
    EXPECT_EQ(sum, 3);
}

} // namespace
