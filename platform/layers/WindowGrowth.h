#pragma once
// A window that grows into place: X11 has no server-side window transform, so the
// window itself waits at alpha 0 (made key and raised, centred on a screen point)
// under a frameless overlay showing a snapshot of it (QWidget::grab()); the overlay
// draws the snapshot scaled about the window's centre by the ease-in-ease-out curve's
// value, from progress StartProgress (0.1) over Duration (0.25 s of
// Clock::mediaTime()), with that value as its opacity. At the end the overlay goes
// and the window takes alpha 1.
//
// setAlpha()/alpha() keep a window's alpha as a property of the window and apply it
// as window opacity where the platform supports it (not offscreen), so callers read
// back what they set.
//
// Ownership: start() makes a growth that is a child of the window (it goes with the
// window, and deletes itself one event-loop pass after it ends); it owns its overlay.
// GUI thread only; no failure cases (a null window grows nothing).
#include "platform/layers/MediaTimingFunction.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace platform {

class WindowGrowth : public QObject
{
    Q_OBJECT
public:
    static constexpr double Duration = 0.25;
    static constexpr double StartProgress = 0.1;
    static constexpr int FrameIntervalMs = 33;

    static WindowGrowth *start(QWidget *window, QPoint screenPoint);

    static void setAlpha(QWidget *window, double alpha);
    static double alpha(const QWidget *window);

    QWidget *window() const { return m_window; }
    QWidget *overlay() const { return m_overlay.get(); }
    bool isRunning() const { return m_running; }
    double progress() const;
    // The scale and opacity of the snapshot now.
    double value() const;
    // One frame (what the timer does).
    void step();

Q_SIGNALS:
    void finished();

private:
    WindowGrowth(QWidget *window, QPoint screenPoint);

    QPointer<QWidget> m_window;
    std::unique_ptr<QWidget> m_overlay;
    QTimer m_timer;
    double m_startTime = 0;
    bool m_running = true;
    MediaTimingFunction m_curve;
};

} // namespace platform
