#include "ShellTestSupport.h"
#include "UMainObservers.h"

#include <gtest/gtest.h>

namespace {

// Records the events it hears; may run an action on its next call.
struct RecObserver : IMainObserver {
    QString name;
    QStringList* log;
    std::function<void()> onCall;
    RecObserver(QString n, QStringList* l) : name(std::move(n)), log(l) { }
    void OnMainObservedEvent(TMainObservedEvent evtype, void* data) override
    {
        log->append(QStringLiteral("%1:%2:%3").arg(name).arg(int(evtype)).arg(qintptr(data)));
        if (auto f = std::exchange(onCall, nullptr))
            f();
    }
};

} // namespace

TEST(MainObservers, FirstAndLastObserverAreAnnounced)
{
    QStringList log;
    ShellWindow w;
    auto starts = std::make_shared<RecObserver>(QStringLiteral("start"), &log);
    auto ends = std::make_shared<RecObserver>(QStringLiteral("end"), &log);
    w.win.EventObserverRegister(starts, moe_observedStart); // announces nothing itself
    w.win.EventObserverRegister(ends, moe_observedEnd);
    EXPECT_TRUE(log.isEmpty());

    auto a = std::make_shared<RecObserver>(QStringLiteral("a"), &log);
    auto b = std::make_shared<RecObserver>(QStringLiteral("b"), &log);
    w.win.EventObserverRegister(a, moe_devices);
    w.win.EventObserverRegister(b, moe_devices);
    EXPECT_EQ(log, QStringList { QStringLiteral("start:4:1") });
    log.clear();
    w.win.EventObserverUnregister(a, moe_devices);
    w.win.EventObserverUnregister(b, moe_devices);
    EXPECT_EQ(log, QStringList { QStringLiteral("end:5:1") });
    // Unregistering again from the empty list announces the end again.
    w.win.EventObserverUnregister(b, moe_devices);
    EXPECT_EQ(log.size(), 2);
    w.win.EventObserverUnregister(starts, moe_observedStart);
    w.win.EventObserverUnregister(ends, moe_observedEnd);
}

TEST(MainObservers, RaiseCallsEveryObserverInOrderAndDuplicatesTwice)
{
    QStringList log;
    ShellWindow w;
    auto a = std::make_shared<RecObserver>(QStringLiteral("a"), &log);
    auto b = std::make_shared<RecObserver>(QStringLiteral("b"), &log);
    w.win.EventObserverRegister(a, moe_orderChanged);
    w.win.EventObserverRegister(b, moe_orderChanged);
    w.win.EventObserverRegister(a, moe_orderChanged);
    w.win.EventObservedRaise(moe_orderChanged, nullptr);
    EXPECT_EQ(log, (QStringList { "a:10:0", "b:10:0", "a:10:0" }));
    w.win.EventObservedRaise(moe_language, nullptr);
    EXPECT_EQ(log.size(), 3);
}

TEST(MainObservers, UnregisteringDuringAPassDoesNotSkipTheNextObserver)
{
    QStringList log;
    ShellWindow w;
    auto a = std::make_shared<RecObserver>(QStringLiteral("a"), &log);
    auto b = std::make_shared<RecObserver>(QStringLiteral("b"), &log);
    auto c = std::make_shared<RecObserver>(QStringLiteral("c"), &log);
    for (auto& o : { a, b, c })
        w.win.EventObserverRegister(o, moe_thumbnailsSize);
    a->onCall = [&] { w.win.EventObserverUnregister(a, moe_thumbnailsSize); };
    w.win.EventObservedRaise(moe_thumbnailsSize, nullptr);
    EXPECT_EQ(log, (QStringList { "a:2:0", "b:2:0", "c:2:0" }));
    log.clear();
    w.win.EventObservedRaise(moe_thumbnailsSize, nullptr);
    EXPECT_EQ(log, (QStringList { "b:2:0", "c:2:0" }));
}
