// The scope bar's drawing, tracking areas and mouse.
#include "components/scopebar/SRScopeBar.h"

#include "components/scopebar/SRScopeBarGroupHelper.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QMouseEvent>
#include <QPainter>

void SRScopeBar::drawBackground(QPainter &painter) const
{
    const bool flipped = superviewIsFlipped();
    const QRectF bounds = rect();
    // The start colour lies at the bottom, or at the top under a flipped parent; the
    // angle is in the painter's y-down numbers.
    m_backgroundGradient.drawInRect(painter, bounds, flipped ? 90.0 : -90.0);
    const qreal y = flipped ? 0.5 : bounds.height() - 0.5;
    painter.setPen(QPen(m_borderColor, 1.0));
    painter.drawLine(QPointF(bounds.x(), y), QPointF(bounds.width(), y));
}

void SRScopeBar::paintEvent(QPaintEvent *)
{
    // An entry from Qt: what our code below raises stops here.
    platform::ExceptionBoundary::guard(this, "paintEvent", [&] {
        if (m_groupsNeedUpdate)
            calcSize();
        QPainter painter(this);
        drawBackground(painter);
        for (const auto &helper : m_helpers)
            helper->drawGroup(painter);
        if (m_overflowCell->numberOfItems() >= 2)
            m_overflowCell->drawWithFrame(painter, m_overflowPullDownRect, this);
        if (m_trackingAreasNeedUpdate)
            updateTrackingAreas();
    });
}

void SRScopeBar::resizeEvent(QResizeEvent *event)
{
    // An entry from Qt: what our code below raises stops here.
    platform::ExceptionBoundary::guard(this, "resizeEvent", [&] {
        QWidget::resizeEvent(event);
        m_groupsNeedUpdate = true;
        // The areas follow the new layout (the window system asks for them again).
        m_trackingAreasNeedUpdate = true;
        update();
    });
}

void SRScopeBar::updateTrackingAreas()
{
    m_trackingAreasNeedUpdate = false;
    m_trackingAreas->removeAllAreas();
    if (m_overflowCell->numberOfItems() >= 2)
        m_trackingAreas->addArea(m_overflowPullDownRect);
    for (const auto &helper : m_helpers)
        for (const QRectF &area : helper->trackingRects())
            m_trackingAreas->addArea(area);
}

void SRScopeBar::mouseEnteredAt(const QPointF &point)
{
    if (m_overflowCell->numberOfItems() >= 2 && m_overflowPullDownRect.contains(point)) {
        m_trackingOverflow = true;
        m_overflowCell->mouseEntered(this);
        return;
    }
    for (const auto &helper : m_helpers) {
        if (!helper->frame().contains(point))
            continue;
        m_trackingGroup = helper.get();
        helper->mouseEntered(point);
    }
}

void SRScopeBar::mouseExitedAt(const QPointF &)
{
    if (m_trackingOverflow) {
        m_trackingOverflow = false;
        m_overflowCell->mouseExited(this);
        return;
    }
    if (m_trackingGroup)
        m_trackingGroup->mouseExited();
    m_trackingGroup = nullptr;
}

void SRScopeBar::mousePressEvent(QMouseEvent *event)
{
    // An entry from Qt: what our code below raises stops here.
    platform::ExceptionBoundary::guard(this, "mousePressEvent", [&] {
        if (event->button() != Qt::LeftButton) {
            QWidget::mousePressEvent(event);
            return;
        }
        if (m_trackingOverflow) {
            m_overflowCell->popUpMenu(this, m_overflowPullDownRect);
            mouseExitedAt(event->position());
        } else if (m_trackingGroup) {
            m_trackingGroup->mouseDown(event->position());
        }
    });
}

void SRScopeBar::mouseMoveEvent(QMouseEvent *event)
{
    // An entry from Qt: what our code below raises stops here.
    platform::ExceptionBoundary::guard(this, "mouseMoveEvent", [&] {
        if ((event->buttons() & Qt::LeftButton) && m_trackingGroup)
            m_trackingGroup->mouseDragged(event->position());
        QWidget::mouseMoveEvent(event);
    });
}

void SRScopeBar::mouseReleaseEvent(QMouseEvent *event)
{
    // An entry from Qt: what our code below raises stops here.
    platform::ExceptionBoundary::guard(this, "mouseReleaseEvent", [&] {
        if (event->button() == Qt::LeftButton && m_trackingGroup)
            m_trackingGroup->mouseUp(event->position());
        else
            QWidget::mouseReleaseEvent(event);
    });
}

void SRScopeBar::overflowPullDownItemSelected(const QVariant &object)
{
    if (!object.isValid())
        return; // the image item
    const auto group = groupContainingObject_(object);
    if (!group)
        return;
    const qsizetype index = group->indexForObject(object);
    if (m_delegateImplementsShouldSelect && !delegateShouldSelectObject(object))
        return;
    group->didClickObject(index);
    adjustSubviews();
}
