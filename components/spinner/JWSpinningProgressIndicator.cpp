#include "components/spinner/JWSpinningProgressIndicator.h"

#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtDebug>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace {

constexpr int TimerInterval = 50; // milliseconds
constexpr qreal FirstTurn = 6.28318;
constexpr qreal FinTurn = 6.282185;
constexpr qreal FinInner = 0.234375;
constexpr qreal FinOuter = 0.421875;
constexpr qreal FinWidth = 0.0859375;
constexpr qreal StoppedFinAlpha = 0.2;
const char *const StyleAssertionFile = "JWSpinningProgressIndicator/JWSpinningProgressIndicator";
constexpr int StyleAssertionLine = 254;

qreal degrees(qreal radians)
{
    return radians * 180.0 / M_PI;
}

} // namespace

// Shared by the indicator and its animation thread; freed by the last to let go.
struct JWSpinningProgressIndicator::AnimationThread
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false; // under the mutex: once set, the thread no longer looks at the view
};

JWSpinningProgressIndicator::JWSpinningProgressIndicator(QWidget *parent)
    : QWidget(parent)
{
    m_animationTimer.setInterval(TimerInterval);
    connect(&m_animationTimer, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "updateFrame", &JWSpinningProgressIndicator::updateFrame));
}

JWSpinningProgressIndicator::~JWSpinningProgressIndicator()
{
    actuallyStopAnimation();
}

void JWSpinningProgressIndicator::startAnimation(QObject *)
{
    if (!m_isIndeterminate || m_isAnimating)
        return;
    if (!m_displayWhenStopped)
        setHidden(false);
    actuallyStartAnimation();
    m_isAnimating = true;
}

void JWSpinningProgressIndicator::stopAnimation(QObject *)
{
    actuallyStopAnimation();
    m_isAnimating = false;
    if (!m_displayWhenStopped)
        setHidden(true);
}

void JWSpinningProgressIndicator::setStyle(int style)
{
    if (style == SpinningStyle)
        return;
    const QString description = QStringLiteral("Non-spinning styles not available.");
    qWarning("%s:%d: %s", StyleAssertionFile, StyleAssertionLine, qPrintable(description));
    platform::AssertionHandler::current().handleFailureInFunction(QStringLiteral("-[JWSpinningProgressIndicator setStyle:]"),
                                                                   QString::fromLatin1(StyleAssertionFile),
                                                                   StyleAssertionLine, description);
}

void JWSpinningProgressIndicator::setColor(const QColor &color)
{
    if (color != m_foreColor) {
        m_foreColor = color;
        update();
    }
}

void JWSpinningProgressIndicator::setBackgroundColor(const QColor &color)
{
    if (color != m_backColor) {
        m_backColor = color;
        update();
    }
}

void JWSpinningProgressIndicator::setDrawsBackground(bool draws)
{
    m_drawBackground = draws;
    update();
}

void JWSpinningProgressIndicator::setIndeterminate(bool indeterminate)
{
    m_isIndeterminate = indeterminate;
    if (!indeterminate && m_isAnimating)
        stopAnimation();
    update();
}

void JWSpinningProgressIndicator::setDoubleValue(double value)
{
    if (m_isIndeterminate)
        setIndeterminate(false);
    m_currentValue = value;
    update();
}

void JWSpinningProgressIndicator::setMaxValue(double value)
{
    m_maxValue = value;
    update();
}

void JWSpinningProgressIndicator::setUsesThreadedAnimation(bool threaded)
{
    if (threaded == m_usesThreadedAnimation)
        return;
    m_usesThreadedAnimation = threaded;
    if (m_isAnimating) {
        stopAnimation();
        startAnimation();
    }
}

void JWSpinningProgressIndicator::setDisplayedWhenStopped(bool displayed)
{
    m_displayWhenStopped = displayed;
    if (!m_isAnimating && isHidden() == displayed)
        setHidden(!displayed);
}

double JWSpinningProgressIndicator::pieFraction() const
{
    if (!(m_maxValue > 0) || !std::isfinite(m_currentValue / m_maxValue))
        return 0;
    return std::clamp(m_currentValue / m_maxValue, 0.0, 1.0);
}

void JWSpinningProgressIndicator::updateFrame()
{
    advancePosition();
    update();
}

void JWSpinningProgressIndicator::advancePosition()
{
    int position = m_position.load();
    int next;
    do {
        next = (position > 0 ? position : m_numFins) - 1;
    } while (!m_position.compare_exchange_weak(position, next));
}

void JWSpinningProgressIndicator::actuallyStartAnimation()
{
    actuallyStopAnimation();
    if (!isInWindow())
        return;
    if (m_usesThreadedAnimation) {
        auto shared = std::make_shared<AnimationThread>();
        // Stopping, and so destruction, tells the thread under the shared lock; it ends
        // by itself.
        std::thread([this, shared] { animateInBackgroundThread(this, shared); }).detach();
        m_animationThread = std::move(shared);
    } else {
        m_animationTimer.start();
    }
}

void JWSpinningProgressIndicator::actuallyStopAnimation()
{
    if (const std::shared_ptr<AnimationThread> shared = std::exchange(m_animationThread, nullptr)) {
        {
            std::lock_guard lock(shared->mutex);
            shared->stopped = true;
        }
        shared->wake.notify_all();
    }
    m_animationTimer.stop();
    update();
}

void JWSpinningProgressIndicator::animateInBackgroundThread(JWSpinningProgressIndicator *view,
                                                            const std::shared_ptr<AnimationThread> &shared)
{
    std::unique_lock lock(shared->mutex);
    if (shared->stopped)
        return;
    const auto frame = std::chrono::microseconds(600000 / std::max(view->m_numFins, 1));
    while (!shared->stopped) {
        // Of the view, this thread touches only the position (atomic) and the fin count
        // (fixed), and it asks for the repaint through a queued call to the view itself:
        // Qt delivers that on the GUI thread while the view lives and drops it with the
        // view. It does so only here, under the shared lock and before it is told to
        // stop, which the view does under the lock before it goes: so no pointer to the
        // view is looked at while the GUI thread could be destroying it.
        view->advancePosition();
        platform::postToThreadOf(view, "a queued call", [view] { view->update(); });
        shared->wake.wait_for(lock, frame, [&shared] { return shared->stopped; });
    }
}

void JWSpinningProgressIndicator::viewDidMoveToWindow()
{
    if (!isInWindow()) {
        if (hasAnimationTimer() || hasAnimationThread())
            actuallyStopAnimation();
    } else if (m_isAnimating && !hasAnimationTimer() && !hasAnimationThread()) {
        actuallyStartAnimation();
    }
}

bool JWSpinningProgressIndicator::event(QEvent *event)
try {
    const bool handled = QWidget::event(event);
    // Showing or hiding the indicator or any ancestor (the window too) reaches it as
    // a show or hide event; so does taking an ancestor out of its window.
    const QEvent::Type type = event->type();
    if (type == QEvent::ParentChange || type == QEvent::Show || type == QEvent::Hide)
        viewDidMoveToWindow();
    return handled;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void JWSpinningProgressIndicator::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const qreal side = std::min(bounds.width(), bounds.height());
    if (m_drawBackground)
        painter.fillRect(bounds, m_backColor);
    platform::YUpPainter yUp(painter, bounds.height());
    painter.translate(bounds.width() / 2, bounds.height() / 2);

    if (!m_isIndeterminate) {
        QColor color = m_foreColor;
        color.setAlphaF(1.0);
        const qreal lineWidth = 1.0 + 0.01 * side;
        const qreal radius = (side - lineWidth) / 2.1;
        painter.setPen(QPen(color, lineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(0, 0), radius, radius);
        const double fraction = pieFraction();
        if (fraction > 0) {
            QPainterPath pie;
            platform::BezierPathHelpers::appendArcWithCenter(pie, QPointF(0, 0), radius, 90, 90 - 360 * fraction,
                                                             platform::BezierPathHelpers::ArcDirection::Clockwise);
            pie.lineTo(0, 0);
            pie.closeSubpath();
            painter.fillPath(pie, color);
        }
        return;
    }

    const int fins = std::max(m_numFins, 1);
    painter.rotate(degrees(FirstTurn / fins * m_position.load()));
    QPen pen(m_foreColor, FinWidth * side, Qt::SolidLine, Qt::RoundCap);
    const QLineF fin(0, FinInner * side, 0, FinOuter * side);
    for (int i = 0; i < fins; ++i) {
        QColor color = m_foreColor;
        color.setAlphaF(m_isAnimating ? 1.0 - double(i) / fins : StoppedFinAlpha);
        pen.setColor(color);
        painter.setPen(pen);
        painter.drawLine(fin);
        painter.rotate(degrees(FinTurn / fins));
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}
