#include "platform/drawing/HiddenWindowFocus.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace platform::HiddenWindowFocus {

namespace {

// The widget window of the window, when it is one.
QWidget *widgetOf(const QWindow *window)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}

bool isDialog(const QWidget *widget)
{
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Dialog || type == Qt::Sheet;
}

// The visible window a dialog stood on.
QWidget *visibleOwner(const QWidget *dialog)
{
    for (QWidget *parent = dialog->parentWidget(); parent; parent = parent->parentWidget()) {
        if (parent->window()->isVisible())
            return parent->window();
    }
    const QWindow *window = dialog->windowHandle();
    for (const QWindow *transient = window ? window->transientParent() : nullptr; transient;
         transient = transient->transientParent()) {
        if (QWidget *owner = widgetOf(transient); owner && owner->isVisible())
            return owner;
    }
    return nullptr;
}

// Hands the keyboard on from a dialog that hid to the window it stood on.
void handOn(const QWidget *dialog)
{
    if (QWidget *owner = visibleOwner(dialog))
        owner->activateWindow();
}

class Watcher : public QObject
{
public:
    explicit Watcher(QGuiApplication *application) : QObject(application)
    {
        application->installEventFilter(this);
        connect(application, &QGuiApplication::focusWindowChanged, this,
                ExceptionBoundary::guarded(this, "focusWindowChanged", [](QWindow *window) {
                    // A dialog activated after it was hidden.
                    const QWidget *widget = window ? widgetOf(window) : nullptr;
                    if (widget && !widget->isVisible() && isDialog(widget))
                        handOn(widget);
                }));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() != QEvent::Hide || !watched->isWidgetType())
            return false;
        // A dialog that had the keyboard, or hid while no window had it.
        const auto *widget = static_cast<QWidget *>(watched);
        const QWindow *focus = QGuiApplication::focusWindow();
        if (widget->isWindow() && isDialog(widget) && (!focus || focus == widget->windowHandle()))
            handOn(widget);
        return false;
    } catch (...) {
        ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }
};

} // namespace

void install()
{
    static QPointer<Watcher> watcher;
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (watcher || !application)
        return;
    watcher = new Watcher(application);
}

} // namespace platform::HiddenWindowFocus
