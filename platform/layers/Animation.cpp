#include "platform/layers/Animation.h"

#include "platform/layers/AnimationDelegate.h"
#include "platform/layers/Layer.h"
#include "platform/layers/Transaction.h"

#include <cmath>
#include <limits>

namespace platform {

namespace {
constexpr double DefaultDuration = 0.25;
}

Animation::~Animation() = default;

Animation::Animation(const Animation &other)
    : Action()
    , m_beginTime(other.m_beginTime)
    , m_duration(other.m_duration)
    , m_timing(other.m_timing)
    , m_autoreverses(other.m_autoreverses)
    , m_repeatCount(other.m_repeatCount)
    , m_removedOnCompletion(other.m_removedOnCompletion)
    , m_delegate(other.m_delegate)
{
}

void Animation::setDuration(double seconds)
{
    m_duration = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

void Animation::setRepeatCount(double count)
{
    m_repeatCount = (std::isnan(count) || count < 0) ? 0 : count;
}

void Animation::runActionForKey(const QString &key, Layer &layer, const QVariant &previousValue)
{
    const AnimationPtr copy = clone();
    if (copy->m_duration <= 0)
        copy->m_duration = Transaction::animationDuration();
    if (!copy->m_timing)
        copy->m_timing = Transaction::timingFunction();
    copy->prepareAsAction(previousValue);
    layer.addAnimation(copy, key);
}

void Animation::prepareAsAction(const QVariant &) {}

double Animation::activeDuration() const
{
    const double cycle = (m_duration > 0 ? m_duration : DefaultDuration) * (m_autoreverses ? 2 : 1);
    const double repeats = m_repeatCount > 0 ? m_repeatCount : 1;
    if (std::isinf(repeats))
        return std::numeric_limits<double>::infinity();
    return cycle * repeats;
}

bool Animation::hasEndedAt(double mediaTime) const
{
    return mediaTime >= m_beginTime + activeDuration();
}

std::optional<qreal> Animation::progressAt(double mediaTime) const
{
    const double local = mediaTime - m_beginTime;
    if (local < 0)
        return std::nullopt;
    const double duration = m_duration > 0 ? m_duration : DefaultDuration;
    const MediaTimingFunction timing = m_timing.value_or(MediaTimingFunction());
    double phase; // in [0, 1] within one cycle, reversal folded in
    if (local >= activeDuration()) {
        const double repeats = m_repeatCount > 0 ? m_repeatCount : 1;
        const double fraction = repeats - std::floor(repeats);
        if (fraction > 0) {
            // Ends part way through a cycle.
            phase = fraction * (m_autoreverses ? 2 : 1);
        } else {
            phase = m_autoreverses ? 2 : 1;
        }
    } else {
        const double cycle = duration * (m_autoreverses ? 2 : 1);
        phase = std::fmod(local, cycle) / duration;
    }
    if (phase > 1)
        phase = 2 - phase;
    return timing.valueAt(phase);
}

} // namespace platform
