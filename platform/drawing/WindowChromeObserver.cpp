#include "platform/drawing/WindowChromeObserver.h"

#include "platform/drawing/WindowChrome.h"
#include "platform/foundation/ExceptionBoundary.h"

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
    m_separator = WindowChrome::toolbarShowsBaselineSeparator(widget);
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
    const bool separator = WindowChrome::toolbarShowsBaselineSeparator(m_widget);
    const bool visibleChanged = visible != m_visible, separatorChanged = separator != m_separator;
    m_visible = visible;
    m_separator = separator;
    if (visibleChanged)
        Q_EMIT toolbarVisibleChanged(visible);
    if (separatorChanged)
        Q_EMIT baselineSeparatorChanged(separator);
}

bool WindowChromeObserver::eventFilter(QObject *watched, QEvent *event)
try {
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::DynamicPropertyChange:
        if (watched == m_widget || watched == m_window || watched == m_toolbar)
            check();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

} // namespace platform
