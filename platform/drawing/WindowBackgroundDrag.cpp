#include "platform/drawing/WindowBackgroundDrag.h"

#include <QWidget>
#include <QWindow>

namespace platform {

namespace {
constexpr char MovableProperty[] = "chronark_movableByWindowBackground";
}

bool WindowBackgroundDrag::isMovableByWindowBackground(const QWidget *window)
{
    return window && window->window()->property(MovableProperty).toBool();
}

void WindowBackgroundDrag::setMovableByWindowBackground(QWidget *window, bool movable)
{
    if (window)
        window->window()->setProperty(MovableProperty, movable);
}

bool WindowBackgroundDrag::begin(QWidget *widget, const QPointF &globalPosition)
{
    end();
    if (!widget)
        return false;
    QWidget *window = widget->window();
    if (QWindow *handle = window->windowHandle(); handle && handle->startSystemMove())
        return true;
    m_window = window;
    m_last = globalPosition;
    return true;
}

bool WindowBackgroundDrag::follow(const QPointF &globalPosition)
{
    if (!m_window)
        return false;
    const QPointF change = globalPosition - m_last;
    m_window->move(m_window->pos() + change.toPoint());
    // Only whole pixels moved: carry the rest to the next step.
    m_last = globalPosition - (change - QPointF(change.toPoint()));
    return true;
}

void WindowBackgroundDrag::end()
{
    m_window.clear();
}

} // namespace platform
