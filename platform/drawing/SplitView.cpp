#include "platform/drawing/SplitView.h"

#include "platform/drawing/DelegateCall.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <cmath>

namespace platform {

SplitView::SplitView(QWidget *parent)
    : QSplitter(Qt::Horizontal, parent)
{
    setChildrenCollapsible(false);
    qApp->installEventFilter(this);
}

SplitView::~SplitView()
{
    qApp->removeEventFilter(this);
}

void SplitView::setVertical(bool vertical)
{
    setOrientation(vertical ? Qt::Horizontal : Qt::Vertical);
}

void SplitView::setDelegate(QObject *delegate)
{
    m_delegate = delegate;
    updateDividers();
}

QRectF SplitView::dividerRect(int index) const
{
    if (index < 0 || index >= numberOfDividers())
        return QRectF();
    return QRectF(handle(index + 1)->geometry());
}

qreal SplitView::dividerPosition(int index) const
{
    const QRectF rect = dividerRect(index);
    return isVertical() ? rect.x() : rect.y();
}

void SplitView::moveDivider(int index, qreal position)
{
    if (index < 0 || index >= numberOfDividers() || !std::isfinite(position))
        return;
    const QRect leading = widget(index)->geometry();
    const QRect trailing = widget(index + 1)->geometry();
    const int thickness = handleWidth();
    double minimum = isVertical() ? leading.x() : leading.y();
    double maximum = (isVertical() ? trailing.x() + trailing.width() : trailing.y() + trailing.height()) - thickness;
    askDelegate(m_delegate.data(), "splitViewConstrainMinCoordinate", &minimum, this, minimum, index);
    askDelegate(m_delegate.data(), "splitViewConstrainMaxCoordinate", &maximum, this, maximum, index);
    double proposed = position;
    if (maximum >= minimum)
        proposed = std::clamp(proposed, minimum, maximum);
    askDelegate(m_delegate.data(), "splitViewConstrainSplitPosition", &proposed, this, proposed, index);
    if (std::isfinite(proposed))
        moveSplitter(static_cast<int>(std::lround(proposed)), index + 1);
}

void SplitView::adjustSubviews()
{
    refresh();
}

void SplitView::updateDividers()
{
    for (int i = 0; i < count(); ++i) {
        bool collapsible = false;
        askDelegate(m_delegate.data(), "splitViewCanCollapseSubview", &collapsible, this, widget(i));
        if (isCollapsible(i) != collapsible)
            setCollapsible(i, collapsible);
    }
    for (int i = 0; i < numberOfDividers(); ++i) {
        bool hide = false;
        askDelegate(m_delegate.data(), "splitViewShouldHideDividerAtIndex", &hide, this, i);
        QSplitterHandle *divider = handle(i + 1);
        const bool show = !hide && widget(i)->isVisibleTo(this) && widget(i + 1)->isVisibleTo(this);
        if (divider->isVisibleTo(this) != show)
            divider->setVisible(show);
    }
}

int SplitView::dividerHitBy(const QPointF &point)
{
    for (int i = 0; i < numberOfDividers(); ++i) {
        if (!handle(i + 1)->isVisibleTo(this))
            continue;
        const QRectF drawn = dividerRect(i);
        QRectF effective = drawn;
        askDelegate(m_delegate.data(), "splitViewEffectiveRectForDrawnRectOfDividerAtIndex", &effective, this,
                    drawn, drawn, i);
        if (effective.contains(point))
            return i;
        QRectF additional;
        if (askDelegate(m_delegate.data(), "splitViewAdditionalEffectiveRectOfDividerAtIndex", &additional, this, i)
            && additional.contains(point))
            return i;
    }
    return -1;
}

bool SplitView::eventFilter(QObject *watched, QEvent *event)
try {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (watched->isWidgetType() && handleMouse(watched, event))
            return true;
        break;
    default:
        break;
    }
    return QSplitter::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

bool SplitView::handleMouse(QObject *watched, QEvent *event)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPointF point = mapFromGlobal(mouse->globalPosition());
    if (m_dragDivider >= 0) {
        if (event->type() == QEvent::MouseMove) {
            moveDivider(m_dragDivider, along(point) - m_grab);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            moveDivider(m_dragDivider, along(point) - m_grab);
            m_dragDivider = -1;
        }
        return true;
    }
    auto *widget = static_cast<QWidget *>(watched);
    if (mouse->button() != Qt::LeftButton || (widget != this && !isAncestorOf(widget)) || !isEnabled())
        return false;
    const int divider = dividerHitBy(point);
    if (divider < 0)
        return false;
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int pane : {divider, divider + 1}) {
            bool collapse = false;
            askDelegate(m_delegate.data(), "splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex", &collapse,
                        this, this->widget(pane), divider);
            if (collapse) {
                const int other = pane == divider ? divider + 1 : divider;
                QList<int> shown = sizes();
                shown[other] += shown[pane];
                shown[pane] = 0;
                setCollapsible(pane, true);
                setSizes(shown);
                break;
            }
        }
        return true;
    }
    if (event->type() != QEvent::MouseButtonPress)
        return false;
    updateDividers();
    m_dragDivider = divider;
    m_grab = along(point) - dividerPosition(divider);
    return true;
}

void SplitView::resizeEvent(QResizeEvent *event)
try {
    QSplitter::resizeEvent(event);
    tellDelegate(m_delegate.data(), "splitViewResizeSubviewsWithOldSize", this, QSizeF(event->oldSize()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void SplitView::showEvent(QShowEvent *event)
try {
    QSplitter::showEvent(event);
    updateDividers();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "showEvent");
}

void SplitView::childEvent(QChildEvent *event)
try {
    QSplitter::childEvent(event);
    if (event->type() == QEvent::ChildRemoved)
        m_dragDivider = -1;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "childEvent");
}

} // namespace platform
