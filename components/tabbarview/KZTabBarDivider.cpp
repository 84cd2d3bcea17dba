#include "components/tabbarview/KZTabBarDivider.h"

#include "components/tabbarview/KZTabBarView.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A vertical bar with an arrow pointing away from it, in black with a white rim.
QPixmap oneWayResizePicture(bool right)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal bar = right ? 5.5 : 10.5;
    const qreal dir = right ? 1 : -1;
    QPainterPath path;
    path.moveTo(bar, 2);
    path.lineTo(bar, 14);
    path.moveTo(bar + dir * 1.5, 8);
    path.lineTo(bar + dir * 8, 8);
    path.moveTo(bar + dir * 5, 5);
    path.lineTo(bar + dir * 8, 8);
    path.lineTo(bar + dir * 5, 11);
    painter.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    return pixmap;
}

} // namespace

KZTabBarDivider::KZTabBarDivider(KZTabBarView *bar) : QWidget(bar), m_bar(bar)
{
    setCursor(cursorOf(Cursor::ResizeLeftRight));
    hide();
}

QCursor KZTabBarDivider::cursorOf(Cursor kind)
{
    switch (kind) {
    case Cursor::ResizeRight: {
        static const QCursor right(oneWayResizePicture(true), 7, 8);
        return right;
    }
    case Cursor::ResizeLeft: {
        static const QCursor left(oneWayResizePicture(false), 8, 8);
        return left;
    }
    case Cursor::ResizeLeftRight:
        break;
    }
    return QCursor(Qt::SizeHorCursor);
}

void KZTabBarDivider::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_lastX = event->globalPosition().x();
    m_bar->setIsResizing(true);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void KZTabBarDivider::mouseMoveEvent(QMouseEvent *event)
try {
    if (!m_bar->isResizing())
        return;
    const qreal x = event->globalPosition().x();
    const qreal delta = x - m_lastX;
    m_lastX = x;
    m_bar->dividerDragged(m_bar->mapFromGlobal(event->globalPosition()).x(), delta);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void KZTabBarDivider::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() == Qt::LeftButton)
        m_bar->setIsResizing(false);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}
