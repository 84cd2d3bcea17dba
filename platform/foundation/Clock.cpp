#include "platform/foundation/Clock.h"

#include <QMutex>
#include <QMutexLocker>

namespace platform {

namespace {

struct FrozenClock
{
    QMutex mutex;
    bool frozen = false;
    QDateTime moment;
};

FrozenClock &state()
{
    static FrozenClock s;
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

} // namespace

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
    s.frozen = true;
}

void Clock::advance(qint64 msecs)
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
