#pragma once
// An animation that runs for a duration and reports its progress: the base of view
// animations and of anything that moves along a curve of time. Progress runs from 0
// to 1 in time; the current value is the progress through the animation curve
// (ease-in-ease-out unless set otherwise). Time comes from Qt's animation timer,
// which AnimationDriver steps from Clock::mediaTime(), so on a frozen clock an
// animation moves only when the clock is advanced.
//
// setCurrentProgress() may be called at any time, running or not: it moves the
// animation there and calls progressChanged(), which subclasses override to apply the
// current value. A run that reaches its end emits didEnd(); stop() before the end
// emits didStop(). Starting again restarts from 0.
//
// Owned by whoever made it (a QObject). Main thread only; no failure cases (a negative
// duration counts as 0, progress is clamped to [0, 1]).
#include "platform/layers/MediaTimingFunction.h"

#include <QObject>
#include <QVariantAnimation>

namespace platform {

class TimedAnimation : public QObject
{
    Q_OBJECT
public:
    explicit TimedAnimation(double durationSeconds = 0.25, QObject *parent = nullptr);
    ~TimedAnimation() override;

    double duration() const { return m_duration; }
    void setDuration(double seconds);
    MediaTimingFunction curve() const { return m_curve; }
    void setCurve(const MediaTimingFunction &curve) { m_curve = curve; }

    bool isAnimating() const;
    void start();
    void stop();

    double currentProgress() const { return m_progress; }
    void setCurrentProgress(double progress);
    // The progress through the curve.
    double currentValue() const { return m_curve.valueAt(m_progress); }

Q_SIGNALS:
    void didEnd();
    void didStop();
    void progressed(double currentValue);

protected:
    // Called on every change of the progress; the default does nothing.
    virtual void progressChanged() {}

private:
    void timeStepped(const QVariant &value);
    void finished();

    QVariantAnimation m_timer;
    MediaTimingFunction m_curve;
    double m_duration = 0.25;
    double m_progress = 0;
    bool m_stopping = false;
};

} // namespace platform
