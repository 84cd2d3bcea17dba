#include "platform/layers/WindowGrowth.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/DragWindow.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace platform {

namespace {

const char *const AlphaProperty = "chronarkWindowAlpha";

// The snapshot of the growing window, scaled about its centre.
class GrowthOverlay : public QWidget
{
public:
    GrowthOverlay(const QPixmap &snapshot, const WindowGrowth *growth)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        , m_snapshot(snapshot)
        , m_growth(growth)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

protected:
    void paintEvent(QPaintEvent *) override
    try {
        QPainter painter(this);
        const double v = std::clamp(m_growth->value(), 0.0, 1.0);
        painter.setOpacity(v);
        const QSizeF size = QSizeF(width() * v, height() * v);
        const QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target, m_snapshot, QRectF(m_snapshot.rect()));
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "paintEvent");
    }

private:
    QPixmap m_snapshot;
    const WindowGrowth *m_growth;
};

} // namespace

void WindowGrowth::setAlpha(QWidget *window, double alpha)
{
    if (!window)
        return;
    window->setProperty(AlphaProperty, alpha);
    if (DragWindow::platformSupportsOpacity())
        window->setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
}

double WindowGrowth::alpha(const QWidget *window)
{
    if (!window)
        return 0;
    const QVariant stored = window->property(AlphaProperty);
    return stored.isValid() ? stored.toDouble() : 1.0;
}

WindowGrowth *WindowGrowth::start(QWidget *window, QPoint screenPoint)
{
    return window ? new WindowGrowth(window, screenPoint) : nullptr;
}

WindowGrowth::WindowGrowth(QWidget *window, QPoint p)
    : QObject(window)
    , m_window(window)
    , m_curve(MediaTimingFunction::named(MediaTimingFunction::Name::EaseInEaseOut))
{
    window->move(p.x() - window->width() / 2, p.y() - window->height() / 2);
    setAlpha(window, 0);
    window->show();
    window->raise();
    window->activateWindow();
    m_overlay = std::make_unique<GrowthOverlay>(window->grab(), this);
    m_overlay->setGeometry(window->frameGeometry());
    m_overlay->show();
    m_startTime = Clock::mediaTime();
    m_timer.setInterval(FrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, platform::ExceptionBoundary::guarded(this, "step", &WindowGrowth::step));
    m_timer.start();
}

double WindowGrowth::progress() const
{
    if (!m_running)
        return 1.0;
    return std::clamp(StartProgress + (Clock::mediaTime() - m_startTime) / Duration, 0.0, 1.0);
}

double WindowGrowth::value() const
{
    return m_curve.valueAt(progress());
}

void WindowGrowth::step()
{
    if (!m_running)
        return;
    if (!m_window || progress() >= 1.0) {
        m_running = false;
        m_timer.stop();
        m_overlay.reset();
        setAlpha(m_window, 1.0);
        Q_EMIT finished();
        deleteLater();
        return;
    }
    m_overlay->update();
}

} // namespace platform
