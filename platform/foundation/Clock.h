#pragma once
// "Now" for the whole application. Tests freeze and move it; everything that
// asks for the current date and time asks here.
// mediaTime() is the clock of animations: seconds on a monotonic scale that never
// goes back (not even when a frozen clock is released), independent of the wall
// clock. steadyMSecs() is the clock of counted time: milliseconds that follow the
// time that passes, also while the machine sleeps, and never a step of the wall
// clock (time synchronisation, a manual change). While the clock is frozen both
// stand still and move only with advance().
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
    // Milliseconds that have passed, on a scale that never goes back and that a step
    // of the wall clock does not move (origin unspecified; the system's boot time).
    static qint64 steadyMSecs();

    // Tests: freeze "now" at the given moment (kept with its own offset). Freezing a
    // frozen clock again moves its date only, as a step of the wall clock does.
    static void setNow(const QDateTime &moment);
    // Tests: move a frozen clock (date, media and steady time) on by milliseconds; no
    // effect on the system clock, and a negative amount leaves the media and steady
    // time where they are.
    static void advance(qint64 msecs);
    // Tests: the date of a frozen clock jumps by milliseconds, forward or back, as
    // when the system's time is set; no time passes (media and steady time stay).
    static void stepWallClock(qint64 msecs);
    // Back to the system clock.
    static void useSystemClock();
    static bool isFrozen();
};

} // namespace platform
