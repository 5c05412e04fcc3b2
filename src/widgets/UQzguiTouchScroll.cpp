#include "UQzguiTouchScroll.h"

#include <QAbstractScrollArea>
#include <QInputDevice>
#include <QScroller>
#include <QVariant>

namespace {
const char* const kLockedProperty = "TouchScrollLocked";
const char* const kEnabledProperty = "TouchScrollEnabled";

// The touch gesture serves a touch screen only; without one (a desk, the
// offscreen tests) nothing is grabbed.
void grabTouch(QAbstractScrollArea* area)
{
    for (const QInputDevice* d : QInputDevice::devices())
        if (d->type() == QInputDevice::DeviceType::TouchScreen) {
            QScroller::grabGesture(area->viewport(), QScroller::TouchGesture);
            return;
        }
}
} // namespace

void TQzguiTouchScroll::Enable(QAbstractScrollArea* area)
{
    area->setProperty(kEnabledProperty, true);
    area->setProperty(kLockedProperty, false);
    grabTouch(area);
}

bool TQzguiTouchScroll::TouchScrollRunning(const QAbstractScrollArea* area)
{
    if (!area || !QScroller::hasScroller(area->viewport()))
        return false;
    // Scrolling covers a flick gliding on and a programmatic glide.
    return QScroller::scroller(area->viewport())->state() == QScroller::Scrolling;
}

bool TQzguiTouchScroll::StopTouchScrollRunning(QAbstractScrollArea* area)
{
    if (!TouchScrollRunning(area))
        return false;
    QScroller::scroller(area->viewport())->stop();
    return true;
}

bool TQzguiTouchScroll::TouchScrollLocked(const QAbstractScrollArea* area)
{
    return area && area->property(kLockedProperty).toBool();
}

void TQzguiTouchScroll::SetTouchScrollLocked(QAbstractScrollArea* area, bool locked)
{
    if (!area || TouchScrollLocked(area) == locked)
        return;
    area->setProperty(kLockedProperty, locked);
    if (locked) {
        StopTouchScrollRunning(area);
        QScroller::ungrabGesture(area->viewport());
    } else if (area->property(kEnabledProperty).toBool()) {
        grabTouch(area);
    }
}
