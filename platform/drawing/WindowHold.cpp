#include "platform/drawing/WindowHold.h"

#include "platform/drawing/HeldWindowAccessible.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QList>
#include <QMenu>
#include <QWidget>

namespace platform {

namespace {

// The holds that hold now, in the order they began.
QList<WindowHold *> &holding()
{
    static QList<WindowHold *> holds;
    return holds;
}

// The widget a menu hangs from: its first ancestor that is no menu (null for a menu
// of its own, as the tray's).
const QWidget *ownerOfMenu(const QWidget *widget)
{
    while (widget && qobject_cast<const QMenu *>(widget))
        widget = widget->parentWidget();
    return widget;
}

} // namespace

WindowHold::WindowHold(QWidget *window, QWidget *dialog)
    : QObject(dialog)
    , m_window(window ? window->window() : nullptr)
    , m_dialog(dialog)
{
    HeldWindowAccessible::install();
    if (m_window && m_dialog && m_window != m_dialog) {
        m_holding = true;
        holding().append(this);
        qApp->installEventFilter(this);
    }
}

WindowHold::~WindowHold()
{
    release();
}

void WindowHold::release()
{
    if (!m_holding)
        return;
    m_holding = false;
    holding().removeAll(this);
    qApp->removeEventFilter(this);
}

bool WindowHold::refusesInput(const QObject *object)
{
    if (!object)
        return false;
    const auto heldNow = [](const QWidget *widget) {
        for (const WindowHold *hold : std::as_const(holding())) {
            if (hold->m_dialog && hold->m_dialog->isVisible() && hold->holds(widget))
                return true;
        }
        return false;
    };
    if (object->isWidgetType())
        return heldNow(ownerOfMenu(static_cast<const QWidget *>(object)));
    const auto *action = qobject_cast<const QAction *>(object);
    if (!action)
        return false;
    bool inWidget = false;
    for (const QObject *shown : action->associatedObjects()) {
        if (!shown->isWidgetType())
            continue;
        inWidget = true;
        if (!heldNow(ownerOfMenu(static_cast<const QWidget *>(shown))))
            return false;
    }
    return inWidget;
}

bool WindowHold::holds(const QWidget *widget) const
{
    if (!m_holding || !m_window || !widget)
        return false;
    for (const QWidget *w = widget->window(); w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (w == m_dialog)
            return false;
        if (w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
            return false;
        if (w == m_window)
            return true;
    }
    return false;
}

std::unique_ptr<QKeyEvent> WindowHold::keyAnew(const QKeyEvent &key)
{
    auto copy = std::make_unique<QKeyEvent>(key.type(), key.key(), key.modifiers(), key.nativeScanCode(),
                                            key.nativeVirtualKey(), key.nativeModifiers(), key.text(),
                                            key.isAutoRepeat(), ushort(key.count()), key.device());
    copy->setTimestamp(key.timestamp());
    return copy;
}

bool WindowHold::dialogHasKeyboard() const
{
    for (const QWidget *w = QApplication::activeWindow(); w; w = w->parentWidget())
        if (w == m_dialog)
            return true;
    return false;
}

QWidget *WindowHold::keyTarget() const
{
    QWidget *dialog = m_dialog;
    if (QWidget *focus = dialog->focusWidget())
        return focus;
    // None yet: the one the dialog gives the keyboard to first.
    for (QWidget *w = dialog->nextInFocusChain(); w && w != dialog; w = w->nextInFocusChain()) {
        if (w->window() == dialog && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(dialog) && w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return w;
        }
    }
    return dialog;
}

bool WindowHold::held(QObject *watched, QEvent *event)
{
    if (!m_holding || !m_dialog || !m_dialog->isVisible() || !watched->isWidgetType())
        return false;
    if (m_passingOn && event->type() == QEvent::ShortcutOverride) {
        // A key passed on is sent, not typed: Qt tries the shortcuts for it first, and
        // those are still the window's (it is the active one). None fires.
        event->accept();
        return true;
    }
    auto *widget = static_cast<QWidget *>(watched);
    if (!holds(widget))
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // No shortcut of the window fires: the key comes as a key, to be passed on.
        event->accept();
        return true;
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::ContextMenu:
    case QEvent::ToolTip:
    case QEvent::StatusTip:
    case QEvent::WhatsThis:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
        return true;
    case QEvent::Close:
        // The desktop's close button; the program's own close goes through.
        if (!event->spontaneous())
            return false;
        event->ignore();
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        // Refused: the pointer shows that nothing can be dropped here.
        auto *drop = static_cast<QDropEvent *>(event);
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        if (dialogHasKeyboard())
            return true;
        const std::unique_ptr<QKeyEvent> again = keyAnew(*static_cast<QKeyEvent *>(event));
        QWidget *target = keyTarget();
        const bool passing = m_passingOn;
        m_passingOn = true;
        // The key may end the dialog, and the hold with it.
        QPointer<WindowHold> alive(this);
        QCoreApplication::sendEvent(target, again.get());
        if (alive)
            m_passingOn = passing;
        return true;
    }
    case QEvent::MouseButtonPress:
        m_dialog->raise();
        m_dialog->activateWindow();
        return true;
    default:
        return false;
    }
}

bool WindowHold::eventFilter(QObject *watched, QEvent *event)
try {
    return held(watched, event);
} catch (...) {
    ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

} // namespace platform
