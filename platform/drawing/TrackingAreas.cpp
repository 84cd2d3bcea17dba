#include "platform/drawing/TrackingAreas.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace platform {

TrackingAreas::TrackingAreas(QWidget *view) : QObject(view), m_view(view)
{
    view->setMouseTracking(true);
    view->installEventFilter(this);
}

TrackingAreas::~TrackingAreas() = default;

int TrackingAreas::addArea(const QRectF &rect)
{
    m_areas.append(Area{rect, m_pointer.has_value() && rect.contains(*m_pointer)});
    return int(m_areas.size()) - 1;
}

void TrackingAreas::removeAllAreas()
{
    m_areas.clear();
}

QList<QRectF> TrackingAreas::areas() const
{
    QList<QRectF> rects;
    for (const Area &area : m_areas)
        rects.append(area.rect);
    return rects;
}

bool TrackingAreas::isInside(int area) const
{
    return area >= 0 && area < m_areas.size() && m_areas.at(area).inside;
}

bool TrackingAreas::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() == Qt::NoButton) {
            const QPointF point = mouse->position();
            update(&point);
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        const QPointF point = static_cast<QMouseEvent *>(event)->position();
        const bool over = m_view->rect().contains(point.toPoint());
        QMetaObject::invokeMethod(
            this, [this, point, over] { update(over ? &point : nullptr); }, Qt::QueuedConnection);
        break;
    }
    case QEvent::Leave:
    case QEvent::Hide:
        update(nullptr);
        break;
    default:
        break;
    }
    return false;
}

void TrackingAreas::update(const QPointF *point)
{
    const QPointF at = point ? *point : QPointF();
    m_pointer = point ? std::optional<QPointF>(*point) : std::nullopt;
    // A handler may change the areas: work on the state as it was, then store.
    QList<int> exited;
    QList<int> entered;
    for (int i = 0; i < m_areas.size(); ++i) {
        const bool inside = point && m_areas.at(i).rect.contains(at);
        if (inside == m_areas.at(i).inside)
            continue;
        m_areas[i].inside = inside;
        (inside ? entered : exited).append(i);
    }
    for (int i : exited)
        if (m_exited)
            m_exited(i, at);
    for (int i : entered)
        if (m_entered)
            m_entered(i, at);
}

} // namespace platform
