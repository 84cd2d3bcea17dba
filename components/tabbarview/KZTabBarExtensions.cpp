#include "components/tabbarview/KZTabBarExtensions.h"

#include "components/tabbarview/KZTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/foundation/Clock.h"

#include <QtMath>

namespace KZTabBarExtensions {

void DragHysteresis::start(const QPointF &pressInWindow, const QDateTime &expiration, qreal xHysteresis,
                           qreal yHysteresis)
{
    m_press = pressInWindow;
    m_expiration = expiration;
    m_x = xHysteresis;
    m_y = yHysteresis;
    m_waiting = true;
    m_decision.reset();
}

bool DragHysteresis::expired() const
{
    return m_expiration.isValid() && platform::Clock::now() >= m_expiration;
}

std::optional<bool> DragHysteresis::mouseMoved(const QPointF &positionInWindow)
{
    if (!m_waiting)
        return m_decision;
    if (expired()) {
        m_decision = false;
    } else if (qAbs(positionInWindow.x() - m_press.x()) >= m_x || qAbs(positionInWindow.y() - m_press.y()) >= m_y) {
        m_decision = true;
    } else {
        return std::nullopt;
    }
    m_waiting = false;
    return m_decision;
}

bool DragHysteresis::mouseReleased()
{
    if (m_waiting) {
        m_waiting = false;
        m_decision = false;
    }
    return m_decision.value_or(false);
}

KZTabBarView *enclosingTabBarView(const QWidget *view)
{
    return kz_superviewOfClass<KZTabBarView>(view);
}

KZTabBarButton *enclosingTabBarButton(const QWidget *view)
{
    return kz_superviewOfClass<KZTabBarButton>(view);
}

void orderFront(QWidget *view)
{
    if (view && view->parentWidget())
        view->raise();
}

} // namespace KZTabBarExtensions
