#pragma once
// "Now" for the whole application. Tests freeze and move it; everything that
// asks for the current date and time asks here.
// mediaTime() is the clock of animations: seconds on a monotonic scale that never
// goes back (not even when a frozen clock is released), independent of the wall
// clock. While the clock is frozen it stands still and moves only with advance().
// All members are thread-safe.
#include <QDateTime>

namespace platform {

class Clock
{
public:
    // The current date and time with the local UTC offset of that moment
    // (a QDateTime of spec Qt::OffsetFromUTC).
    static QDateTime now();
    // Monotonic seconds for timing animations (origin unspecified).
    static double mediaTime();

    // Tests: freeze "now" at the given moment (kept with its own offset).
    static void setNow(const QDateTime &moment);
    // Tests: move a frozen clock (date and media time) on by milliseconds; no effect on
    // the system clock, and a negative amount leaves the media time where it is.
    static void advance(qint64 msecs);
    // Back to the system clock.
    static void useSystemClock();
    static bool isFrozen();
};

} // namespace platform
