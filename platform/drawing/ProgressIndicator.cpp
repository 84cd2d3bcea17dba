#include "platform/drawing/ProgressIndicator.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QPainter>
#include <QtMath>

namespace platform {

ProgressIndicator::ProgressIndicator(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

ProgressIndicator::~ProgressIndicator() = default;

QTimer &ProgressIndicator::frames()
{
    if (!m_frames) {
        m_frames = std::make_unique<QTimer>();
        m_frames->setInterval(FrameIntervalMs);
        connect(m_frames.get(), &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "step", &ProgressIndicator::step));
    }
    return *m_frames;
}

QTimer &ProgressIndicator::pendingStart()
{
    if (!m_pendingStart) {
        m_pendingStart = std::make_unique<QTimer>();
        m_pendingStart->setSingleShot(true);
        m_pendingStart->setInterval(0);
        connect(m_pendingStart.get(), &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "timeout", [this] { startAnimation(); }));
    }
    return *m_pendingStart;
}

void ProgressIndicator::startAnimation()
{
    if (m_animating)
        return;
    m_animating = true;
    frames().start();
    update();
}

void ProgressIndicator::stopAnimation()
{
    if (!m_animating)
        return;
    m_animating = false;
    frames().stop();
    update();
}

void ProgressIndicator::startAnimationLater()
{
    pendingStart().start();
}

void ProgressIndicator::cancelPendingStart()
{
    if (m_pendingStart)
        m_pendingStart->stop();
}

void ProgressIndicator::setDisplayedWhenStopped(bool displayed)
{
    m_displayedWhenStopped = displayed;
    update();
}

void ProgressIndicator::setControlSize(ControlSize size)
{
    m_controlSize = size;
    updateGeometry();
    update();
}

QSize ProgressIndicator::sizeHint() const
{
    switch (m_controlSize) {
    case ControlSize::Small:
        return {16, 16};
    case ControlSize::Mini:
        return {10, 10};
    case ControlSize::Regular:
        break;
    }
    return {32, 32};
}

void ProgressIndicator::step()
{
    m_phase = (m_phase + 1) % SpokeCount;
    update();
}

void ProgressIndicator::paintEvent(QPaintEvent *)
try {
    if (!m_animating && !m_displayedWhenStopped)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal outer = side * 0.5;
    const qreal inner = outer * 0.45;
    QPen pen(palette().color(QPalette::WindowText));
    pen.setWidthF(std::max(1.0, side / 10.0));
    pen.setCapStyle(Qt::RoundCap);
    painter.translate(width() * 0.5, height() * 0.5);
    for (int spoke = 0; spoke < SpokeCount; ++spoke) {
        // The brightest spoke is the phase; those behind it fade.
        const int behind = (m_phase - spoke + SpokeCount) % SpokeCount;
        QColor colour = pen.color();
        colour.setAlphaF(m_animating ? 1.0 - behind * (0.8 / SpokeCount) : 0.35);
        QPen spokePen = pen;
        spokePen.setColor(colour);
        painter.setPen(spokePen);
        const qreal angle = qDegreesToRadians(spoke * 360.0 / SpokeCount - 90.0);
        const qreal inset = pen.widthF() * 0.5;
        painter.drawLine(QPointF(qCos(angle) * inner, qSin(angle) * inner),
                         QPointF(qCos(angle) * (outer - inset), qSin(angle) * (outer - inset)));
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

} // namespace platform
