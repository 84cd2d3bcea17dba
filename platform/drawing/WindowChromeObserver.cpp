#include "platform/drawing/WindowChromeObserver.h"

#include "platform/drawing/WindowChrome.h"

#include <QEvent>
#include <QToolBar>
#include <QWidget>

namespace platform {

WindowChromeObserver::WindowChromeObserver(QWidget *widget, QObject *parent)
    : QObject(parent)
    , m_widget(widget)
{
    if (widget)
        widget->installEventFilter(this);
    rewatch();
    m_visible = WindowChrome::isToolbarVisible(widget);
}

WindowChromeObserver::~WindowChromeObserver() = default;

void WindowChromeObserver::rewatch()
{
    QWidget *window = m_widget ? m_widget->window() : nullptr;
    if (window != m_window) {
        if (m_window && m_window != m_widget)
            m_window->removeEventFilter(this);
        m_window = window;
        if (window && window != m_widget)
            window->installEventFilter(this);
    }
    QToolBar *toolbar = WindowChrome::toolbar(m_widget);
    if (toolbar != m_toolbar) {
        if (m_toolbar)
            m_toolbar->removeEventFilter(this);
        m_toolbar = toolbar;
        if (toolbar)
            toolbar->installEventFilter(this);
    }
}

void WindowChromeObserver::check()
{
    rewatch();
    const bool visible = WindowChrome::isToolbarVisible(m_widget);
    if (visible == m_visible)
        return;
    m_visible = visible;
    Q_EMIT toolbarVisibleChanged(visible);
}

bool WindowChromeObserver::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == m_widget || watched == m_window || watched == m_toolbar)
            check();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform
