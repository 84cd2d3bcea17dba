#include "platform/layers/TimedAnimation.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/AnimationDriver.h"

#include <algorithm>
#include <cmath>

namespace platform {

TimedAnimation::TimedAnimation(double durationSeconds, QObject *parent)
    : QObject(parent)
    , m_curve(MediaTimingFunction::named(MediaTimingFunction::Name::EaseInEaseOut))
{
    m_timer.setStartValue(0.0);
    m_timer.setEndValue(1.0);
    setDuration(durationSeconds);
    connect(&m_timer, &QVariantAnimation::valueChanged, this,
        platform::ExceptionBoundary::guarded(this, "timeStepped", &TimedAnimation::timeStepped));
    connect(&m_timer, &QVariantAnimation::finished, this,
        platform::ExceptionBoundary::guarded(this, "finished", &TimedAnimation::finished));
}

TimedAnimation::~TimedAnimation()
{
    m_stopping = true; // no signals from the timer's own teardown
    m_timer.stop();
}

void TimedAnimation::setDuration(double seconds)
{
    m_duration = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
    m_timer.setDuration(static_cast<int>(std::lround(m_duration * 1000.0)));
}

bool TimedAnimation::isAnimating() const
{
    return m_timer.state() == QAbstractAnimation::Running;
}

void TimedAnimation::start()
{
    AnimationDriver::instance(); // Qt's animations follow the application clock
    m_stopping = true;
    m_timer.stop();
    m_stopping = false;
    setCurrentProgress(0);
    m_timer.start();
}

void TimedAnimation::stop()
{
    if (!isAnimating())
        return;
    m_stopping = true;
    m_timer.stop();
    m_stopping = false;
    Q_EMIT didStop();
}

void TimedAnimation::setCurrentProgress(double progress)
{
    m_progress = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    progressChanged();
    Q_EMIT progressed(currentValue());
}

void TimedAnimation::timeStepped(const QVariant &value)
{
    if (!m_stopping && isAnimating())
        setCurrentProgress(value.toDouble());
}

void TimedAnimation::finished()
{
    if (m_stopping)
        return;
    if (m_progress < 1.0)
        setCurrentProgress(1.0);
    Q_EMIT didEnd();
}

} // namespace platform
