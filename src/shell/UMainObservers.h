#pragma once
// The events that the main window broadcasts to the screens, popups and data
// objects that registered for them, and the per-event table of observers.
#include "IMainFrame.h"

#include <QList>
#include <functional>
#include <map>
#include <memory>

enum TMainObservedEvent : int {
    moe_language = 0,
    moe_devices = 1,
    moe_thumbnailsSize = 2,
    moe_templateVelmoraInfoLoaded = 3,
    moe_observedStart = 4,
    moe_observedEnd = 5,
    moe_cartEmptiedOrReloaded = 6,
    moe_imagesLoading = 7,
    moe_imagesWorking = 8,
    moe_Zebdesign = 9,
    moe_orderChanged = 10,
    moe_debugMode = 11,
    moe_frontPrint = 12,
    moe_productVisibility = 13,
};

class IMainObserver {
public:
    virtual ~IMainObserver() = default;
    virtual void OnMainObservedEvent(TMainObservedEvent evtype, void* data) = 0;
};

// One list of observers per event. The first observer of an event and the
// disappearance of the last one are announced through the raise procedure
// as moe_observedStart / moe_observedEnd with the event's value as data, so
// that costly watchers run only while somebody listens.
class TMainObserverTable {
public:
    using TRaise = std::function<void(TMainObservedEvent evtype, void* data)>;

    explicit TMainObserverTable(TRaise raise);

    // Duplicates are allowed: an observer registered twice is called twice.
    void Register(const IMainObserverRef& observer, TMainObservedEvent evtype);
    // Removes the first occurrence; announces the end when the list is left
    // empty (again each time, even when it already was).
    void Unregister(const IMainObserverRef& observer, TMainObservedEvent evtype);
    // Calls every observer of the event, in registration order. The pass
    // walks a snapshot taken when it starts: an observer removing itself
    // (or another) during the pass makes no other observer miss the event,
    // and one added during the pass is first called at the next raise.
    void Notify(TMainObservedEvent evtype, void* data) const;

    int Count(TMainObservedEvent evtype) const;
    // Events whose list still holds observers, with their counts.
    std::map<int, int> Remaining() const;
    void Clear();

private:
    TRaise fRaise;
    std::map<int, QList<IMainObserverRef>> fEventsObs;
};
