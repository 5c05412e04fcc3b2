#include "UAppExceptions.h"
#include "UThreadCancel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

struct FlagSource : ICancelSource {
    std::atomic<bool> cancel { false };
    bool IsCancelRequested() const override { return cancel; }
};

TEST(ThreadCancel, OnlyTheThreadWithASourceIsCancelled)
{
    FlagSource source;
    source.cancel = true;
    EXPECT_NO_THROW(ThreadCancel::Check()); // this thread has no source

    bool raised = false;
    std::thread worker([&] {
        ThreadCancel::Scope scope(&source);
        try {
            ThreadCancel::Check();
        } catch (const ECancel& e) {
            raised = e.Message().isEmpty();
        }
    });
    worker.join();
    EXPECT_TRUE(raised);
    EXPECT_EQ(ThreadCancel::CurrentSource(), nullptr);
}

TEST(ThreadCancel, ScopeRestoresThePreviousSource)
{
    FlagSource outer, inner;
    {
        ThreadCancel::Scope a(&outer);
        {
            ThreadCancel::Scope b(&inner);
            EXPECT_EQ(ThreadCancel::CurrentSource(), &inner);
        }
        EXPECT_EQ(ThreadCancel::CurrentSource(), &outer);
        EXPECT_NO_THROW(ThreadCancel::Check());
    }
    EXPECT_EQ(ThreadCancel::CurrentSource(), nullptr);
}

} // namespace
