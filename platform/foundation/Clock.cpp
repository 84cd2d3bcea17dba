#include "platform/foundation/Clock.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>

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

} // namespace

double Clock::mediaTime()
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    return s.frozen ? s.frozenMedia : systemMediaTime(s);
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
    if (!s.frozen)
        s.frozenMedia = systemMediaTime(s);
    s.frozen = true;
}

void Clock::advance(qint64 msecs)
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.frozen) {
        s.moment = s.moment.addMSecs(msecs);
        if (msecs > 0)
            s.frozenMedia += static_cast<double>(msecs) / 1000.0;
    }
}

void Clock::useSystemClock()
{
    FrozenClock &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.frozen) {
        const double system = systemMediaTime(s);
        if (s.frozenMedia > system)
            s.mediaOffset += s.frozenMedia - system;
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
