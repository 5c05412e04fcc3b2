#pragma once
// An element type that keeps track of its live instances, for the container
// tests: together with AddressSanitizer it shows leaks (an instance still
// alive at the end of a test) and double frees.
#include <gtest/gtest.h>

#include <set>

class TCounted {
public:
    explicit TCounted(int value = 0)
        : fValue(value)
    {
        Alive().insert(this);
    }
    TCounted(const TCounted&) = delete;
    TCounted& operator=(const TCounted&) = delete;
    virtual ~TCounted() { Alive().erase(this); }

    int Value() const { return fValue; }

    static bool IsAlive(const TCounted* item) { return Alive().count(item) != 0; }
    static int Live() { return int(Alive().size()); }

private:
    static std::set<const TCounted*>& Alive()
    {
        static std::set<const TCounted*> alive;
        return alive;
    }

    int fValue;
};

// Fails a test that ends with instances still alive.
class CountedFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TCounted::Live(), 0) << "an earlier test leaked"; }
    void TearDown() override { EXPECT_EQ(TCounted::Live(), 0) << "instances leaked"; }
};
