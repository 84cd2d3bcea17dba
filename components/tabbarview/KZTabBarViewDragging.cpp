// KZTabBarView: tab drags (passed to the drag assistant), other drags over the bar
// (spring-loaded tabs, drops on a tab), and resizing a vertical bar by its right edge.
#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarDivider.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/SpringLoading.h"
#include "components/tabbarview/KZTabDragAssistant.h"
#include "platform/foundation/UserDefaults.h"

#include <QMouseEvent>
#include <QtDebug>

namespace {

KZTabDragAssistant *assistant()
{
    return KZTabDragAssistant::sharedDragAssistant();
}

} // namespace

// ---- Starting a drag ----

bool KZTabBarView::shouldStartDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, QMouseEvent *event)
{
    if (!button || !event || !button->tabViewItem())
        return false;
    if (m_delegate && !m_delegate->tabViewShouldDragTabViewItem(m_tabView, button->tabViewItem().get(), this).value_or(true))
        return false;
    return assistant()->shouldStartDraggingAttachedTabBarButton(button, this, QPointF(button->pressPoint()),
                                                                QPointF(button->mapTo(this, event->position().toPoint())));
}

void KZTabBarView::startDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, QMouseEvent *)
{
    if (button)
        assistant()->startDraggingAttachedTabBarButton(button, this, QPointF(button->pressPoint()));
}

KZAttachedTabBarButton *KZTabBarView::detachAttachedButton(KZAttachedTabBarButton *button)
{
    if (!button || button->parent() != this)
        return nullptr;
    unbindPropertiesOfAttachedButton(button);
    m_detachedItem = button->tabViewItem().get();
    button->hide();
    button->setParent(nullptr);
    return button;
}

// ---- Dragging source ----

Qt::DropActions KZTabBarView::draggingSourceOperationMask(bool local)
{
    return assistant()->draggingSourceOperationMask(local, this);
}

void KZTabBarView::draggedImageBeganAt(platform::DragSession &, QPoint screenPoint)
{
    assistant()->draggedImageBeganAt(screenPoint, this);
}

void KZTabBarView::draggedImageMovedTo(platform::DragSession &, QPoint screenPoint)
{
    assistant()->draggedImageMovedTo(screenPoint);
}

void KZTabBarView::draggedImageEndedAt(platform::DragSession &, QPoint screenPoint, Qt::DropAction operation)
{
    assistant()->draggedImageEndedAt(screenPoint, operation);
}

// ---- Dragging destination ----

double KZTabBarView::springingDelay()
{
    return platform::SpringLoading::delay();
}

Qt::DropAction KZTabBarView::dragEntered(const platform::DragInfo &info)
{
    if (assistant()->isTabDrag(info))
        return assistant()->draggingEntered(info, this);
    return Qt::IgnoreAction;
}

Qt::DropAction KZTabBarView::dragUpdated(const platform::DragInfo &info)
{
    if (assistant()->isTabDrag(info))
        return assistant()->draggingUpdated(info, this);
    const QPointF location = info.locationIn(this);
    KZAttachedTabBarButton *button = attachedButtonAtPoint(location);
    if (!button || !button->tabViewItem())
        return Qt::IgnoreAction;
    m_springLocation = location;
    if (button->tabViewItem().get() != m_tabViewItemWithSpring) {
        stopSpring();
        m_tabViewItemWithSpring = button->tabViewItem().get();
    }
    if (!m_springTimer) {
        m_springTimer = new QTimer(this);
        m_springTimer->setSingleShot(true);
        QTimer *timer = m_springTimer;
        connect(timer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "timeout", [this, timer] { fireSpring(timer); }));
        m_springTimer->start(qRound(springingDelay() * 1000));
    }
    return Qt::CopyAction;
}

void KZTabBarView::stopSpring()
{
    if (!m_springTimer)
        return;
    m_springTimer->stop();
    m_springTimer->deleteLater();
    m_springTimer = nullptr;
}

void KZTabBarView::fireSpring(QTimer *timer)
{
    if (timer != m_springTimer) {
        qWarning().noquote() << QStringLiteral("KZTabBarView/KZTabBarView: Spring fired by unrecognized timer %1")
                                    .arg(QString::number(reinterpret_cast<quintptr>(timer), 16));
        return;
    }
    if (KZAttachedTabBarButton *button = attachedButtonAtPoint(m_springLocation); button && button->tabViewItem())
        selectTabViewItem(button->tabViewItem().get());
    m_tabViewItemWithSpring = nullptr;
    stopSpring();
}

void KZTabBarView::dragExited(const platform::DragInfo &info)
{
    stopSpring();
    m_tabViewItemWithSpring = nullptr;
    assistant()->draggingExitedTabBarView(this, info);
}

bool KZTabBarView::prepareForDrop(const platform::DragInfo &info)
{
    if (assistant()->isTabDrag(info))
        return assistant()->destinationTabBar() != nullptr;
    return true;
}

bool KZTabBarView::performDrop(const platform::DragInfo &info)
{
    stopSpring();
    m_tabViewItemWithSpring = nullptr;
    if (assistant()->isTabDrag(info))
        return assistant()->performDragOperation(info, this);
    KZAttachedTabBarButton *button = attachedButtonAtPoint(info.locationIn(this));
    if (!button || !button->tabViewItem() || !m_delegate)
        return false;
    return m_delegate->tabViewAcceptedDraggingInfo(m_tabView, info, button->tabViewItem().get()).value_or(false);
}

// ---- Resizing ----

QRect KZTabBarView::dividerRect() const
{
    if (m_orientation != Vertical || !m_allowsResizing)
        return {};
    const int height = m_tabView ? m_tabView->height() : this->height();
    return QRect(width() - DividerWidth, 0, DividerWidth, height);
}

int KZTabBarView::resizingMouseCursor() const
{
    if (width() <= m_buttonMinWidth)
        return static_cast<int>(KZTabBarDivider::Cursor::ResizeRight);
    if (width() >= m_buttonMaxWidth)
        return static_cast<int>(KZTabBarDivider::Cursor::ResizeLeft);
    return static_cast<int>(KZTabBarDivider::Cursor::ResizeLeftRight);
}

void KZTabBarView::positionDivider()
{
    if (!m_divider)
        return;
    const QRect rect = dividerRect();
    m_divider->setGeometry(rect);
    m_divider->setVisible(!rect.isEmpty());
    if (!rect.isEmpty()) {
        m_divider->raise();
        m_divider->setCursor(KZTabBarDivider::cursorOf(static_cast<KZTabBarDivider::Cursor>(resizingMouseCursor())));
    }
}

void KZTabBarView::dividerDragged(qreal pointerX, qreal deltaX)
{
    if (m_orientation != Vertical)
        return;
    const bool away = (pointerX > width() && deltaX > 0) || (pointerX < width() && deltaX < 0);
    if (!away)
        return;
    const qreal newWidth = width() + deltaX;
    if (newWidth < m_buttonMinWidth || newWidth > m_buttonMaxWidth)
        return;
    const int delta = qRound(deltaX);
    setGeometry(x(), y(), width() + delta, height());
    if (QWidget *partner = m_partnerView)
        partner->setGeometry(partner->x() + delta, partner->y(), partner->width() - delta, partner->height());
    if (parentWidget())
        parentWidget()->update();
}
