#include "platform/drawing/HiddenWindowFocus.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
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
                ExceptionBoundary::guarded(this, "focusWindowChanged", [this](QWindow *window) {
                    // The keyboard gone to another program: no dialog shown before
                    // waits for it any more.
                    if (!window)
                        m_awaitingKeyboard.clear();
                    // A dialog activated after it was hidden: the desktop gave the
                    // keyboard to this program, and the window under it takes it.
                    const QWidget *widget = window ? widgetOf(window) : nullptr;
                    if (widget)
                        m_awaitingKeyboard.remove(widget);
                    if (widget && !widget->isVisible() && isDialog(widget))
                        handOn(widget);
                }));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        const bool shown = event->type() == QEvent::Show;
        if ((!shown && event->type() != QEvent::Hide) || !watched->isWidgetType())
            return false;
        const auto *widget = static_cast<QWidget *>(watched);
        if (!widget->isWindow() || !isDialog(widget))
            return false;
        const QWindow *focus = QGuiApplication::focusWindow();
        if (shown) {
            // Shown while the person works in this program: the desktop is to give
            // it the keyboard.
            if (focus)
                m_awaitingKeyboard.insert(widget);
            return false;
        }
        // A dialog that had the keyboard, or hid while the desktop was still to give
        // it; never one that hid while another program has the keyboard.
        const bool awaited = m_awaitingKeyboard.remove(widget);
        if (focus == widget->windowHandle() || (!focus && awaited))
            handOn(widget);
        return false;
    } catch (...) {
        ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

private:
    // Dialogs shown while a window of this program had the keyboard, not yet given it.
    QSet<const QWidget *> m_awaitingKeyboard;
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
