#include "platform/foundation/Clock.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>

#include <time.h>

namespace platform {

namespace {

struct FrozenClock
{
    QMutex mutex;
    bool frozen = false;
    QDateTime moment;
    // Media time: the system's monotonic timer plus an offset that keeps the scale
    // from going back after a frozen clock was moved on and released.
    QElapsedTimer monotonic;
    double mediaOffset = 0;
    double frozenMedia = 0;
    // Steady time: the same, from the clock that counts a sleep too.
    qint64 steadyOffset = 0;
    qint64 frozenSteady = 0;
};

FrozenClock &state()
{
    static FrozenClock s;
    static const bool started = (s.monotonic.start(), true);
    Q_UNUSED(started);
    return s;
}

// The same instant expressed with a fixed UTC offset (the offset in force at that
// instant for local or zone times).
QDateTime withFixedOffset(const QDateTime &dt)
{
    if (dt.timeSpec() == Qt::OffsetFromUTC)
        return dt;
    return dt.toOffsetFromUtc(dt.offsetFromUtc());
}

double systemMediaTime(const FrozenClock &s)
{
    return static_cast<double>(s.monotonic.nsecsElapsed()) / 1e9 + s.mediaOffset;
}

// Milliseconds of the system's clock that goes on while it sleeps and that no
// setting of the time moves; the monotonic clock where the kernel has no such one.
qint64 systemSteadyMSecs(const FrozenClock &s)
{
    timespec now{};
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0 && ::clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return s.monotonic.elapsed() + s.steadyOffset;
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000 + s.steadyOffset;
}

} // namespace

double Clock::mediaTime()
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    return s.frozen ? s.frozenMedia : systemMediaTime(s);
}

qint64 Clock::steadyMSecs()
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    return s.frozen ? s.frozenSteady : systemSteadyMSecs(s);
}

QDateTime Clock::now()
{
    FrozenClock &s = state();
    {
        QMutexLocker lock(&s.mutex);
        if (s.frozen)
            return s.moment;
    }
    return withFixedOffset(QDateTime::currentDateTime());
}

void Clock::setNow(const QDateTime &moment)
{
    if (!moment.isValid()) {
        qWarning("Clock::setNow: invalid moment ignored");
        return;
    }
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    s.moment = withFixedOffset(moment);
    if (!s.frozen) {
        s.frozenMedia = systemMediaTime(s);
        s.frozenSteady = systemSteadyMSecs(s);
    }
    s.frozen = true;
}

void Clock::advance(qint64 msecs)
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.frozen) {
        s.moment = s.moment.addMSecs(msecs);
        if (msecs > 0) {
            s.frozenMedia += static_cast<double>(msecs) / 1000.0;
            s.frozenSteady += msecs;
        }
    }
}

void Clock::stepWallClock(qint64 msecs)
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.frozen)
        s.moment = s.moment.addMSecs(msecs);
}

void Clock::useSystemClock()
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.frozen) {
        const double system = systemMediaTime(s);
        if (s.frozenMedia > system)
            s.mediaOffset += s.frozenMedia - system;
        const qint64 steady = systemSteadyMSecs(s);
        if (s.frozenSteady > steady)
            s.steadyOffset += s.frozenSteady - steady;
    }
    s.frozen = false;
    s.moment = QDateTime();
}

bool Clock::isFrozen()
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    return s.frozen;
}

} // namespace platform
