#include "components/tabbarview/KZTabBarDivider.h"

#include "components/tabbarview/KZTabBarView.h"

#include <QMouseEvent>

KZTabBarDivider::KZTabBarDivider(KZTabBarView *bar) : QWidget(bar), m_bar(bar)
{
    setCursor(Qt::SizeHorCursor);
    hide();
}

void KZTabBarDivider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_lastX = event->globalPosition().x();
    m_bar->setIsResizing(true);
}

void KZTabBarDivider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_bar->isResizing())
        return;
    const qreal x = event->globalPosition().x();
    const qreal delta = x - m_lastX;
    m_lastX = x;
    m_bar->dividerDragged(m_bar->mapFromGlobal(event->globalPosition()).x(), delta);
}

void KZTabBarDivider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_bar->setIsResizing(false);
}
