#pragma once
// The heartbeat of animations. While a layer animates, or while Qt's own animations
// (QPropertyAnimation and friends) run, a timer near the display rate ticks; when
// nothing animates it stops. Time is Clock::mediaTime(): with a frozen clock
// animations move only when the clock is advanced. Installed as Qt's
// QAnimationDriver, so Qt's animations follow the same clock.
//
// One instance, made on first use on the main thread and owned by the application
// object (gone with it). Main thread only. runLater() queues work for the event loop
// (dropped when there is no application object).
#include <QAnimationDriver>
#include <QTimer>
#include <functional>
#include <vector>

namespace platform {

class Layer;

class AnimationDriver : public QAnimationDriver
{
    Q_OBJECT
public:
    static AnimationDriver *instance();
    ~AnimationDriver() override;

    // Answers whether the work was queued.
    static bool runLater(std::function<void()> work);

    qint64 elapsed() const override;

    // Engine: a layer with running animations, and one that is gone.
    void layerAnimating(Layer *layer);
    void layerGone(Layer *layer);

    // Advances every animation to the current media time (what a tick does).
    void tick();
    bool isTicking() const { return m_timer.isActive(); }
    quint64 tickCount() const { return m_ticks; }

    static constexpr int TickIntervalMs = 16;

protected:
    void start() override;
    void stop() override;

private:
    AnimationDriver();
    void updateTimer();

    QTimer m_timer;
    std::vector<Layer *> m_layers;
    double m_startTime = 0;
    quint64 m_ticks = 0;
};

} // namespace platform
