// The input side of VTTabBarControl: clicks that select tabs and press close
// buttons, the drag that starts moving a tab (handed to VTTabDragAssistant), the
// resize of a vertical bar's right edge, drops of tabs and of foreign data, and
// spring-loaded tabs while something is dragged over them.
#include "components/tabbarcontrol/VTTabBarControl.h"

#include "components/tabbarcontrol/VTTabDragAssistant.h"
#include "platform/desktop/KeyState.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/SpringLoading.h"
#include "platform/layers/DragSession.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLineF>
#include <QMenu>
#include <QMouseEvent>
#include <QtDebug>

namespace {

bool commandDown(const QMouseEvent *event)
{
    return ((event ? event->modifiers() : Qt::NoModifier) | platform::KeyState::modifiers()) & Qt::ControlModifier;
}

} // namespace

double VTTabBarControl::springingDelay()
{
    return platform::SpringLoading::delay();
}

bool VTTabBarControl::isSelectedItemOf(const VTTabBarCell *cell) const
{
    return cell && m_tabView && cell->representedObject()
        && m_tabView->selectedTabViewItem() == cell->representedObject();
}

bool VTTabBarControl::closeAllowedFor(const VTTabBarCell *cell) const
{
    return !m_disableTabClose && cell && !cell->isCloseButtonSuppressed();
}

// ---- Mouse ----

void VTTabBarControl::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_didDrag = false;
    setLastMouseDownEvent(event);
    const QPointF point = event->position();
    if (m_orientation == 1 && m_allowsResizing && m_partnerView && point.x() > width() - 3) {
        m_resizing = true;
        m_lastResizePoint = event->globalPosition();
    }
    QRectF frame;
    VTTabBarCell *cell = cellForPoint(point, &frame);
    if (!cell)
        return;
    if (cell->closeButtonRectForFrame(frame).contains(point) && closeAllowedFor(cell)
        && (m_allowsBackgroundTabClosing || isSelectedItemOf(cell) || commandDown(event))) {
        cell->setCloseButtonOver(false);
        cell->setCloseButtonPressed(true);
        m_closeClicked = true;
        update();
        return;
    }
    cell->setCloseButtonPressed(false);
    if (m_selectsTabsOnMouseDown)
        tabClick(cell);
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void VTTabBarControl::mouseMoveEvent(QMouseEvent *event)
try {
    if (!m_lastMouseDownEvent || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF point = event->position();
    if (m_resizing) {
        const qreal w = width();
        const qreal dx = event->globalPosition().x() - m_lastResizePoint.x();
        m_lastResizePoint = event->globalPosition();
        if (!((point.x() > w && dx > 0) || (point.x() < w && dx < 0)))
            return;
        setCursor(Qt::SizeHorCursor);
        const qreal newWidth = w + dx;
        if (newWidth <= m_cellMinWidth || newWidth >= m_cellMaxWidth)
            return;
        const int step = qRound(dx);
        resize(qRound(newWidth), height());
        m_tabBarWidth = width();
        if (m_partnerView) {
            const QRect partner = m_partnerView->geometry();
            m_partnerView->setGeometry(partner.x() + step, partner.y(), partner.width() - step, partner.height());
        }
        if (parentWidget())
            parentWidget()->update();
        return;
    }
    const QPointF downPoint = m_lastMouseDownEvent->position();
    QRectF frame;
    VTTabBarCell *cell = cellForPoint(downPoint, &frame);
    if (!cell)
        return;
    const QRectF closeRect = cell->closeButtonRectForFrame(frame);
    if (m_closeClicked && closeRect.contains(downPoint) && (m_allowsBackgroundTabClosing || isSelectedItemOf(cell))) {
        cell->setCloseButtonPressed(closeRect.contains(point));
        update();
        return;
    }
    VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();
    if (QLineF(downPoint, point).length() < DragStartDistance || m_didDrag || assistant->isDragging() || !m_delegate)
        return;
    if (!m_delegate->tabViewShouldDragTabViewItemFromTabBar(m_tabView, cell->representedObject().get(), this).value_or(false))
        return;
    m_didDrag = true;
    assistant->startDraggingCell(cell, this, m_lastMouseDownEvent.get());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void VTTabBarControl::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_resizing) {
        m_resizing = false;
        unsetCursor();
        return;
    }
    const QPointF point = event->position();
    QRectF upFrame;
    QRectF downFrame;
    VTTabBarCell *up = cellForPoint(point, &upFrame);
    const QPointF downPoint = m_lastMouseDownEvent ? m_lastMouseDownEvent->position() : point;
    VTTabBarCell *down = cellForPoint(downPoint, &downFrame);
    if (up && down) {
        const std::shared_ptr<VTTabBarCell> keepUp = m_cells[size_t(indexOfCell(up))];
        if (down->closeButtonRectForFrame(downFrame).contains(point) && !m_disableTabClose
            && !up->isCloseButtonSuppressed() && down->closeButtonPressed()) {
            if ((event->modifiers() | platform::KeyState::modifiers()) & Qt::AltModifier) {
                const Cells copy = m_cells;
                for (const CellPtr &cell : copy)
                    if (cell.get() != up)
                        closeTabClick(cell.get());
                up->setCloseButtonPressed(false);
            } else {
                closeTabClick(up);
            }
        } else if (downFrame.contains(point)) {
            down->setCloseButtonPressed(false);
            if (up->closeButtonRectForFrame(upFrame).contains(downPoint) && m_allowsBackgroundTabClosing && !m_disableTabClose)
                tabNothing(up);
            else if (!m_selectsTabsOnMouseDown)
                tabClick(up);
        } else {
            down->setCloseButtonPressed(false);
            tabNothing(up);
        }
        update();
    }
    m_closeClicked = false;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void VTTabBarControl::closeTabClick(VTTabBarCell *cell)
{
    if (!cell || !m_tabView || (m_cells.size() == 1 && !m_canCloseOnlyTab))
        return;
    const platform::TabViewItemPtr item = cell->representedObject();
    if (!item)
        return;
    if (m_delegate && !m_delegate->tabViewShouldCloseTabViewItem(m_tabView, item.get()).value_or(true)) {
        cell->setCloseButtonPressed(false);
        update();
        return;
    }
    m_tabView->removeTabViewItem(item.get());
}

QMenu *VTTabBarControl::menuForPoint(const QPointF &point)
{
    VTTabBarCell *cell = cellForPoint(point);
    if (!cell || !cell->representedObject() || !m_delegate)
        return nullptr;
    return m_delegate->tabViewMenuForTabViewItem(m_tabView, cell->representedObject().get());
}

std::optional<QString> VTTabBarControl::toolTipForPoint(const QPointF &point)
{
    VTTabBarCell *cell = cellForPoint(point);
    if (!cell || !cell->representedObject() || !m_delegate)
        return std::nullopt;
    return m_delegate->tabViewToolTipForTabViewItem(m_tabView, cell->representedObject().get());
}

bool VTTabBarControl::validateMenuItem(QAction *action)
{
    auto *item = dynamic_cast<platform::TabViewItem *>(platform::KeyValueObservable::toObservable(action->data()));
    action->setCheckable(true);
    action->setChecked(item && m_tabView && m_tabView->selectedTabViewItem().get() == item);
    if (m_delegate)
        if (const auto answer = m_delegate->tabViewValidateOverflowMenuItemForTabViewItem(m_tabView, action, item))
            return *answer;
    return true;
}

void VTTabBarControl::contextMenuEvent(QContextMenuEvent *event)
try {
    if (QMenu *menu = menuForPoint(event->pos()))
        menu->popup(event->globalPos());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "contextMenuEvent");
}

// ---- Drops and spring-loading ----

bool VTTabBarControl::isTabDrag(const platform::DragInfo &info)
{
    return info.session() && info.session()->localObject() == VTTabDragAssistant::sharedDragAssistant()
        && info.hasPasteboardType(DraggedType) && VTTabDragAssistant::sharedDragAssistant()->isDragging();
}

Qt::DropAction VTTabBarControl::tabDragAnswer(const platform::DragInfo &info, bool entering)
{
    VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();
    VTTabBarCell *dragged = assistant->draggedCell();
    VTTabBarControl *source = assistant->sourceTabBar();
    if (m_delegate && dragged
        && !m_delegate->tabViewShouldDropTabViewItemInTabBar(source ? source->tabView() : nullptr,
                                                             dragged->representedObject().get(), this).value_or(true))
        return Qt::IgnoreAction;
    const QPointF point = info.locationIn(this);
    if (entering)
        assistant->draggingEnteredTabBar(this, point);
    else
        assistant->draggingUpdatedInTabBar(this, point);
    return Qt::MoveAction;
}

Qt::DropAction VTTabBarControl::dragEntered(const platform::DragInfo &info)
{
    return isTabDrag(info) ? tabDragAnswer(info, true) : Qt::IgnoreAction;
}

Qt::DropAction VTTabBarControl::dragUpdated(const platform::DragInfo &info)
{
    if (isTabDrag(info))
        return tabDragAnswer(info, false);
    const QPointF point = info.locationIn(this);
    m_springLocation = point; // the spring reads where the drag is when it fires
    VTTabBarCell *cell = cellForPoint(point);
    if (!cell)
        return Qt::IgnoreAction;
    if (platform::KeyState::modifiers() == Qt::NoModifier
        && platform::KeyState::isVirtualKeyDown(platform::KeyState::SpaceVirtualKey)) {
        if (m_springTimer) {
            QTimer *timer = m_springTimer.get();
            QMetaObject::invokeMethod(this, platform::ExceptionBoundary::guarded(this, "a queued call", [this, timer] {
                if (m_springTimer.get() == timer)
                    fireSpring(timer);
            }), Qt::QueuedConnection);
        } else {
            m_tabViewItemWithSpring = cell->representedObject().get();
            m_springTimer = std::make_unique<QTimer>();
            fireSpring(m_springTimer.get());
        }
        return Qt::CopyAction;
    }
    if (cell->representedObject().get() != m_tabViewItemWithSpring) {
        m_springTimer.reset();
        m_tabViewItemWithSpring = cell->representedObject().get();
    }
    if (!m_springTimer) {
        m_springTimer = std::make_unique<QTimer>();
        m_springTimer->setSingleShot(true);
        QTimer *timer = m_springTimer.get();
        connect(timer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "timeout", [this, timer] { fireSpring(timer); }));
        m_springTimer->start(qRound(springingDelay() * 1000));
    }
    return Qt::CopyAction;
}

void VTTabBarControl::fireSpring(QTimer *timer)
{
    if (!timer || timer != m_springTimer.get()) {
        qWarning().noquote() << QStringLiteral("VTTabBarControl/VTTabBarControl: Spring fired by unrecognized timer %1")
                                    .arg(quintptr(timer), 0, 16);
        return;
    }
    // The timer may be the one running this call: it goes from the event loop.
    m_springTimer.release()->deleteLater();
    m_tabViewItemWithSpring = nullptr;
    VTTabBarCell *cell = cellForPoint(m_springLocation);
    if (cell && cell->representedObject() && m_tabView)
        m_tabView->selectTabViewItem(cell->representedObject().get());
}

void VTTabBarControl::cancelSpring()
{
    m_springTimer.reset();
    m_tabViewItemWithSpring = nullptr;
}

void VTTabBarControl::dragExited(const platform::DragInfo &info)
{
    cancelSpring();
    if (isTabDrag(info))
        VTTabDragAssistant::sharedDragAssistant()->draggingExitedTabBar(this);
}

bool VTTabBarControl::prepareForDrop(const platform::DragInfo &info)
{
    cancelSpring();
    return isTabDrag(info) ? VTTabDragAssistant::sharedDragAssistant()->destinationTabBar() != nullptr : true;
}

bool VTTabBarControl::performDrop(const platform::DragInfo &info)
{
    if (isTabDrag(info)) {
        VTTabDragAssistant::sharedDragAssistant()->performDragOperation();
        return true;
    }
    VTTabBarCell *cell = cellForPoint(info.locationIn(this));
    if (m_delegate)
        m_delegate->tabViewAcceptedDraggingInfoOnTabViewItem(m_tabView, info.mimeData(),
                                                             cell ? cell->representedObject().get() : nullptr);
    return true;
}

// ---- The source side of a tab drag ----

Qt::DropActions VTTabBarControl::draggingSourceOperationMask(bool)
{
    return Qt::MoveAction;
}

void VTTabBarControl::draggedImageBeganAt(platform::DragSession &, QPoint screenPoint)
{
    VTTabDragAssistant::sharedDragAssistant()->draggingBeganAt(screenPoint);
}

void VTTabBarControl::draggedImageMovedTo(platform::DragSession &, QPoint screenPoint)
{
    VTTabDragAssistant::sharedDragAssistant()->draggingMovedTo(screenPoint);
}

void VTTabBarControl::draggedImageEndedAt(platform::DragSession &, QPoint screenPoint, Qt::DropAction operation)
{
    VTTabDragAssistant::sharedDragAssistant()->draggedImageEndedAt(screenPoint, operation);
}
