#include "platform/drawing/TrackingAreas.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

namespace platform {

template <class List> auto TrackingAreas::find(List &list, int tag)
{
    const auto at = std::lower_bound(list.begin(), list.end(), tag,
                                     [](const auto &area, int wanted) { return area.tag < wanted; });
    return at != list.end() && at->tag == tag ? at : list.end();
}

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

int TrackingAreas::addTrackingRect(const QRectF &rect, TrackingAreaOwner *owner, const QVariant &userData,
                                   bool assumeInside)
{
    const int tag = m_nextTag++;
    m_tagged.append(TaggedArea{tag, rect, owner, userData, assumeInside});
    return tag;
}

void TrackingAreas::removeTrackingRect(int tag)
{
    if (const auto at = find(m_tagged, tag); at != m_tagged.end())
        m_tagged.erase(at);
}

bool TrackingAreas::moveTrackingRect(int tag, const TrackingAreaOwner *owner, const QRectF &rect, bool assumeInside)
{
    const auto at = find(m_tagged, tag);
    if (at == m_tagged.end() || at->owner != owner)
        return false;
    at->rect = rect;
    at->inside = assumeInside;
    return true;
}

bool TrackingAreas::hasTrackingRect(int tag) const
{
    return find(m_tagged, tag) != m_tagged.cend();
}

QRectF TrackingAreas::trackingRect(int tag) const
{
    const auto at = find(m_tagged, tag);
    return at != m_tagged.cend() ? at->rect : QRectF();
}

bool TrackingAreas::isInsideTrackingRect(int tag) const
{
    const auto at = find(m_tagged, tag);
    return at != m_tagged.cend() && at->inside;
}

int TrackingAreas::addToolTipRect(const QRectF &rect, ToolTipProvider provider, const QVariant &userData)
{
    const int tag = m_nextTag++;
    m_toolTips.append(ToolTipArea{tag, rect, std::move(provider), userData});
    return tag;
}

void TrackingAreas::removeToolTip(int tag)
{
    if (const auto at = find(m_toolTips, tag); at != m_toolTips.end())
        m_toolTips.erase(at);
}

bool TrackingAreas::moveToolTipRect(int tag, const QRectF &rect)
{
    const auto at = find(m_toolTips, tag);
    if (at == m_toolTips.end())
        return false;
    at->rect = rect;
    return true;
}

QList<QRectF> TrackingAreas::toolTipRects() const
{
    QList<QRectF> rects;
    rects.reserve(m_toolTips.size());
    for (const ToolTipArea &area : m_toolTips)
        rects.append(area.rect);
    return rects;
}

void TrackingAreas::removeAllToolTips()
{
    m_toolTips.clear();
}

const TrackingAreas::ToolTipArea *TrackingAreas::toolTipAreaAt(const QPointF &point) const
{
    for (auto it = m_toolTips.crbegin(); it != m_toolTips.crend(); ++it)
        if (it->rect.contains(point))
            return &*it;
    return nullptr;
}

QString TrackingAreas::toolTipAt(const QPointF &point) const
{
    const ToolTipArea *area = toolTipAreaAt(point);
    return area && area->provider ? area->provider(area->tag, point, area->userData) : QString();
}

bool TrackingAreas::eventFilter(QObject *watched, QEvent *event)
try {
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
            this,
                platform::ExceptionBoundary::guarded(this, "a queued call", [this, point, over] { update(over ? &point : nullptr); }), Qt::QueuedConnection);
        break;
    }
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (!toolTipAreaAt(help->pos()))
            break;
        const QString text = ExceptionBoundary::guardOr(m_view.data(), "a tool-tip rectangle's provider", QString(),
                                                        [&] { return toolTipAt(help->pos()); });
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, m_view);
        return true;
    }
    case QEvent::Leave:
    case QEvent::Hide:
        update(nullptr);
        break;
    default:
        break;
    }
    return false;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
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
    struct Report
    {
        TrackingAreaOwner *owner;
        TrackingEvent event;
    };
    QList<Report> taggedExited;
    QList<Report> taggedEntered;
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    for (TaggedArea &area : m_tagged) {
        const bool inside = point && area.rect.contains(at);
        if (inside == area.inside)
            continue;
        area.inside = inside;
        (inside ? taggedEntered : taggedExited).append(Report{area.owner, TrackingEvent{area.tag, at, area.userData, modifiers}});
    }
    // Every report is an entry from Qt (a pointer move, a leave, the queued check
    // after a release): what one handler raises stops at it, and the others still hear.
    const QObject *view = m_view.data();
    for (int i : exited)
        if (m_exited)
            ExceptionBoundary::guard(view, "a tracking area's exited handler", [&] { m_exited(i, at); });
    // An owner may remove rectangles (its own or others') while it hears: only those
    // still installed are told.
    for (const Report &report : taggedExited)
        if (report.owner && hasTrackingRect(report.event.tag))
            ExceptionBoundary::guard(view, "a tracking rectangle's mouseExited",
                                     [&] { report.owner->mouseExited(report.event); });
    for (int i : entered)
        if (m_entered)
            ExceptionBoundary::guard(view, "a tracking area's entered handler", [&] { m_entered(i, at); });
    for (const Report &report : taggedEntered)
        if (report.owner && hasTrackingRect(report.event.tag))
            ExceptionBoundary::guard(view, "a tracking rectangle's mouseEntered",
                                     [&] { report.owner->mouseEntered(report.event); });
}

} // namespace platform
