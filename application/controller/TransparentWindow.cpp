#include "application/controller/TransparentWindow.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>

TransparentWindow::TransparentWindow(const QRect &contentRect, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint
                  | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
{
    // a clear background and no shadow; the content itself is fully opaque
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(false);
    setWindowOpacity(1.0);
    setGeometry(contentRect.normalized());
}

TransparentWindow::~TransparentWindow() = default;

void TransparentWindow::setContentView(QWidget *view)
{
    if (view == m_contentView)
        return;
    if (m_contentView)
        delete m_contentView.data();
    m_contentView = view;
    if (!view)
        return;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void TransparentWindow::center()
{
    QScreen *target = screen();
    if (!target)
        target = QGuiApplication::primaryScreen();
    if (!target)
        return;
    QRect frame = geometry();
    frame.moveCenter(target->geometry().center());
    move(frame.topLeft());
}

void TransparentWindow::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}
