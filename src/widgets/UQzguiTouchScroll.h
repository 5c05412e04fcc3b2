#pragma once
// Touch scrolling of every scroll area of the kiosk: a finger flick moves the
// content with inertia (QScroller on the viewport). Users ask whether a flick
// is still gliding, stop it (a tap on a gliding list selects nothing), and
// lock touch scrolling while a finger drags content inside the area.
// Main thread only.
class QAbstractScrollArea;

namespace TQzguiTouchScroll {
// Grabs the touch gesture on the area's viewport (unlocked).
void Enable(QAbstractScrollArea* area);
// The area's scroll animation is moving.
bool TouchScrollRunning(const QAbstractScrollArea* area);
// Stops a running movement where it is; true when there was one.
bool StopTouchScrollRunning(QAbstractScrollArea* area);
bool TouchScrollLocked(const QAbstractScrollArea* area);
// Locking stops a running movement; while locked a finger moves the content
// under it instead of scrolling. Locking twice or unlocking an unlocked area
// changes nothing.
void SetTouchScrollLocked(QAbstractScrollArea* area, bool locked);
} // namespace TQzguiTouchScroll
