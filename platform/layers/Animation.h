#pragma once
// The timing shared by layer animations: begin time (media time, see
// Clock::mediaTime(); 0 means "when added"), duration (0 means the default: the
// transaction's duration for implicit animations, else 0.25 s), timing function,
// autoreverse and repeat count (0 means once; infinity repeats forever), and whether
// the animation leaves the layer when it has run (removedOnCompletion; one that
// stays holds its end value).
//
// A layer works on its own copy of an added animation (clone()): changing the
// original afterwards has no effect on a running one. Main thread only.
#include "platform/layers/Action.h"
#include "platform/layers/MediaTimingFunction.h"

#include <memory>
#include <optional>
#include <vector>

namespace platform {

class AnimationDelegate;

class Animation : public Action
{
public:
    Animation() = default;
    ~Animation() override;

    double beginTime() const { return m_beginTime; }
    void setBeginTime(double mediaTime) { m_beginTime = mediaTime; }
    double duration() const { return m_duration; }
    void setDuration(double seconds);
    std::optional<MediaTimingFunction> timingFunction() const { return m_timing; }
    void setTimingFunction(const MediaTimingFunction &function) { m_timing = function; }
    bool autoreverses() const { return m_autoreverses; }
    void setAutoreverses(bool on) { m_autoreverses = on; }
    double repeatCount() const { return m_repeatCount; }
    void setRepeatCount(double count);
    bool isRemovedOnCompletion() const { return m_removedOnCompletion; }
    void setRemovedOnCompletion(bool on) { m_removedOnCompletion = on; }
    std::shared_ptr<AnimationDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::shared_ptr<AnimationDelegate> delegate) { m_delegate = std::move(delegate); }

    virtual std::shared_ptr<Animation> clone() const = 0;

    // Adds a copy to the layer under the key; the transaction's duration and timing
    // fill in what the copy leaves open.
    void runActionForKey(const QString &key, Layer &layer, const QVariant &previousValue) override;

    // Seconds from begin to end, repeats and reversals included (infinite for
    // endless repeats).
    double activeDuration() const;
    // The eased progress in [0, 1] at the media time (the end value's after the end);
    // none before the begin time.
    std::optional<qreal> progressAt(double mediaTime) const;
    bool hasEndedAt(double mediaTime) const;

    // Sets the animated property of a presentation copy for the given progress.
    virtual void applyTo(Layer &presentation, qreal progress) const = 0;

protected:
    Animation(const Animation &other);
    // Fills in what an action leaves open from the value before the change.
    virtual void prepareAsAction(const QVariant &previousValue);

private:
    friend class Layer;
    double m_beginTime = 0;
    double m_duration = 0;
    std::optional<MediaTimingFunction> m_timing;
    bool m_autoreverses = false;
    double m_repeatCount = 0;
    bool m_removedOnCompletion = true;
    std::shared_ptr<AnimationDelegate> m_delegate;
    // Held by a layer: the transactions waiting for it, and whether it has stopped.
    std::vector<std::shared_ptr<void>> m_transactionTokens;
    bool m_stopped = false;
};

using AnimationPtr = std::shared_ptr<Animation>;

} // namespace platform
