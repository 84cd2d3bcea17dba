#pragma once
// The cross-fade of two drag windows: a front window (the one that shows what is
// dragged) and a back window (a larger picture under it). Fading in brings the back
// window up and the front window down, fading out the reverse, by Step (0.15) per
// tick of Interval (1/30 s), toward Target (0.75):
// - in, each tick: while the back window's alpha is below 0.75 (and the front window
//   exists) the front window loses 0.15 and the back window gains 0.15; else it stops;
// - out, each tick: once the back window's alpha is at most 0 it is set to 0, the front
//   window to 0.75, and it stops; else the front window gains 0.15 while below 0.75 and
//   the back window loses 0.15.
// So from one end to the other takes five changing ticks and one that stops. Alphas are
// kept on a grid of 1e-6 so the steps land exactly on 0 and 0.75.
//
// The windows are held weakly: a window that goes away stops the fade at its next
// tick, and stop() forgets both at once (call it before releasing the windows). A
// QObject owned by its parent; GUI thread only; no failure cases.
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace platform {

class DragWindow;

class DragWindowFade : public QObject
{
    Q_OBJECT
public:
    enum class Direction { In, Out };
    static constexpr double Step = 0.15;
    static constexpr double Target = 0.75;
    static constexpr int IntervalMs = 33;

    explicit DragWindowFade(QObject *parent = nullptr);

    // Starts (or restarts) the timer in the given direction.
    void start(Direction direction, DragWindow *front, DragWindow *back);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    Direction direction() const { return m_direction; }
    // One step (what the timer does).
    void tick();

Q_SIGNALS:
    void stopped();

private:
    QTimer m_timer;
    Direction m_direction = Direction::In;
    QPointer<DragWindow> m_front;
    QPointer<DragWindow> m_back;
};

} // namespace platform
