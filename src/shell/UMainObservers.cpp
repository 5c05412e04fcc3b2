#include "UMainObservers.h"

namespace {
bool announces(TMainObservedEvent evtype)
{
    return evtype != moe_observedStart && evtype != moe_observedEnd;
}
}

TMainObserverTable::TMainObserverTable(TRaise raise)
    : fRaise(std::move(raise))
{
}

void TMainObserverTable::Register(const IMainObserverRef& observer, TMainObservedEvent evtype)
{
    auto& list = fEventsObs[evtype];
    list.append(observer);
    if (list.size() == 1 && announces(evtype) && fRaise)
        fRaise(moe_observedStart, reinterpret_cast<void*>(quintptr(evtype)));
}

void TMainObserverTable::Unregister(const IMainObserverRef& observer, TMainObservedEvent evtype)
{
    auto it = fEventsObs.find(evtype);
    if (it == fEventsObs.end())
        return;
    it->second.removeOne(observer);
    if (it->second.size() < 1 && announces(evtype) && fRaise)
        fRaise(moe_observedEnd, reinterpret_cast<void*>(quintptr(evtype)));
}

void TMainObserverTable::Notify(TMainObservedEvent evtype, void* data) const
{
    auto it = fEventsObs.find(evtype);
    if (it == fEventsObs.end())
        return;
    // A copy of the list: walking the live list by position would skip the
    // observer behind one that unregisters itself during the pass.
    const QList<IMainObserverRef> snapshot = it->second;
    for (const auto& obs : snapshot)
        if (obs)
            obs->OnMainObservedEvent(evtype, data);
}

int TMainObserverTable::Count(TMainObservedEvent evtype) const
{
    auto it = fEventsObs.find(evtype);
    return it == fEventsObs.end() ? 0 : int(it->second.size());
}

std::map<int, int> TMainObserverTable::Remaining() const
{
    std::map<int, int> result;
    for (const auto& [ev, list] : fEventsObs)
        if (!list.isEmpty())
            result[ev] = int(list.size());
    return result;
}

void TMainObserverTable::Clear()
{
    fEventsObs.clear();
}
