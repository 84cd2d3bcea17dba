#include "platform/drawing/WindowChrome.h"

#include <QApplication>
#include <QMainWindow>
#include <QToolBar>
#include <QVariant>

namespace platform {

namespace {

const char *const BaselineSeparatorProperty = "chronarkShowsBaselineSeparator";
const char *const ResizeIndicatorProperty = "chronarkShowsResizeIndicator";
const char *const TexturedBackgroundProperty = "chronarkTexturedBackground";

bool windowFlag(const QWidget *widget, const char *property)
{
    return widget && widget->window()->property(property).toBool();
}

} // namespace

QToolBar *WindowChrome::toolbar(const QWidget *widget)
{
    if (!widget)
        return nullptr;
    auto *mainWindow = qobject_cast<QMainWindow *>(widget->window());
    return mainWindow ? mainWindow->findChild<QToolBar *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

bool WindowChrome::isToolbarVisible(const QWidget *widget)
{
    const QToolBar *bar = toolbar(widget);
    return bar && !bar->isHidden();
}

bool WindowChrome::showsBaselineSeparator(const QToolBar *toolbar)
{
    if (!toolbar)
        return false;
    const QVariant value = toolbar->property(BaselineSeparatorProperty);
    return !value.isValid() || value.toBool();
}

void WindowChrome::setShowsBaselineSeparator(QToolBar *toolbar, bool shows)
{
    if (toolbar)
        toolbar->setProperty(BaselineSeparatorProperty, shows);
}

bool WindowChrome::toolbarShowsBaselineSeparator(const QWidget *widget)
{
    return showsBaselineSeparator(toolbar(widget));
}

bool WindowChrome::showsResizeIndicator(const QWidget *widget)
{
    return windowFlag(widget, ResizeIndicatorProperty);
}

void WindowChrome::setShowsResizeIndicator(QWidget *window, bool shows)
{
    if (window)
        window->window()->setProperty(ResizeIndicatorProperty, shows);
}

bool WindowChrome::hasTexturedBackground(const QWidget *widget)
{
    return windowFlag(widget, TexturedBackgroundProperty);
}

void WindowChrome::setTexturedBackground(QWidget *window, bool textured)
{
    if (window)
        window->window()->setProperty(TexturedBackgroundProperty, textured);
}

bool WindowChrome::isWindowActive(const QWidget *widget)
{
    if (!widget)
        return false;
    const QWidget *window = widget->window();
    if (window->isActiveWindow())
        return true;
    return window->windowType() == Qt::Tool && QApplication::activeWindow() != nullptr;
}

} // namespace platform
