#pragma once
// "Now" for the whole application. Tests freeze and move it; everything that
// asks for the current date and time asks here.
#include <QDateTime>

namespace platform {

class Clock
{
public:
    // The current date and time with the local UTC offset of that moment
    // (a QDateTime of spec Qt::OffsetFromUTC).
    static QDateTime now();

    // Tests: freeze "now" at the given moment (kept with its own offset).
    static void setNow(const QDateTime &moment);
    // Tests: move a frozen clock on by milliseconds (no effect on the system clock).
    static void advance(qint64 msecs);
    // Back to the system clock.
    static void useSystemClock();
    static bool isFrozen();
};

} // namespace platform
