#include "platform/layers/DragWindowFade.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/DragWindow.h"

#include <cmath>

namespace platform {

namespace {

double onGrid(double value)
{
    return std::round(value * 1e6) / 1e6;
}

} // namespace

DragWindowFade::DragWindowFade(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "tick", &DragWindowFade::tick));
}

void DragWindowFade::start(Direction direction, DragWindow *front, DragWindow *back)
{
    m_direction = direction;
    m_front = front;
    m_back = back;
    m_timer.start();
}

void DragWindowFade::stop()
{
    const bool wasRunning = m_timer.isActive();
    m_timer.stop();
    m_front = nullptr;
    m_back = nullptr;
    if (wasRunning)
        Q_EMIT stopped();
}

void DragWindowFade::tick()
{
    if (!m_timer.isActive())
        return;
    if (!m_back) {
        stop();
        return;
    }
    const double a = m_back->alpha();
    if (m_direction == Direction::In) {
        if (a < Target && m_front) {
            m_front->setAlpha(onGrid(m_front->alpha() - Step));
            m_back->setAlpha(onGrid(a + Step));
        } else {
            stop();
        }
        return;
    }
    if (a <= 0) {
        m_back->setAlpha(0);
        if (m_front)
            m_front->setAlpha(Target);
        stop();
        return;
    }
    if (m_front && m_front->alpha() < Target)
        m_front->setAlpha(onGrid(m_front->alpha() + Step));
    m_back->setAlpha(onGrid(a - Step));
}

} // namespace platform
