#include "platform/drawing/HiddenWindowFocus.h"

#include "platform/drawing/WindowHold.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <memory>
#include <cstring>
#include <functional>

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

// A dialog or a menu (any popup): a window that stands on another for a while.
bool standsOnAnother(const QWidget *widget)
{
    return isDialog(widget) || widget->windowType() == Qt::Popup;
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

// The program's connection to the X server; null on another display.
xcb_connection_t *xConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// When the toolkit has lost track of the keyboard although the X server gives it to a
// shown window of this program (a focus change passing over a dialog that came and
// went at once can end that way, with the window that has the keyboard no longer
// active to the program, or with a hidden dialog active to it), the window is told
// again, as the X server tells it when the keyboard comes: asked to take the keyboard
// it already has, it would hear nothing, and no shortcut of its own (the menu bar's
// Alt and a letter among them) would fire. Nothing while a shown window is active to
// the program, where the keyboard is elsewhere, or on another display. The X server's
// answer is awaited without holding the GUI thread (KeyboardQuestion below): the
// active window is looked at again when it came.
void keyboardAsTheDisplayHasIt(xcb_connection_t *connection, xcb_window_t focused)
{
    const QWindow *active = QGuiApplication::focusWindow();
    if (focused == XCB_NONE || (active && active->isVisible()))
        return;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (!window->handle() || !window->isVisible() || window->winId() != focused)
            continue;
        xcb_focus_in_event_t event{};
        event.response_type = XCB_FOCUS_IN;
        event.detail = XCB_NOTIFY_DETAIL_NONLINEAR;
        event.event = focused;
        event.mode = XCB_NOTIFY_MODE_NORMAL;
        // The request carries a whole event of 32 bytes.
        char sent[32] = {};
        std::memcpy(sent, &event, sizeof event);
        xcb_send_event(connection, 0, focused, XCB_EVENT_MASK_FOCUS_CHANGE, sent);
        xcb_flush(connection);
        return;
    }
}

// Whether the window the X server gives the keyboard to is no window: none, or a
// screen's root window (where it goes back to when the window that had it is unmapped
// and nobody gives it to another). Keys typed then reach no program.
bool goesNowhere(xcb_connection_t *connection, xcb_window_t focused)
{
    if (focused == XCB_NONE)
        return true;
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem;
         xcb_screen_next(&screen)) {
        if (screen.data->root == focused)
            return true;
    }
    return false;
}

// A question to the X server about the window with the keyboard, answered without
// waiting on the GUI thread: the request goes out at once and the answer is looked
// for in the connection's buffers every few milliseconds (the toolkit's reader
// thread reads the connection; the answer usually comes within one). `answered` runs
// with the window (XCB_NONE when the X server answered with an error); it does not
// run when no answer came within AnswerLimitMs, nor when the question (a child of its
// context) went first. An answer left unread is freed with the connection.
class KeyboardQuestion : public QObject
{
public:
    static constexpr int PollMs = 2;
    static constexpr qint64 AnswerLimitMs = 5000;

    KeyboardQuestion(QObject *context, xcb_connection_t *connection, std::function<void(xcb_window_t)> answered)
        : QObject(context), m_connection(connection), m_answered(std::move(answered))
    {
        m_sequence = xcb_get_input_focus(connection).sequence;
        xcb_flush(connection);
        m_asked.start();
        m_timer.setInterval(PollMs);
        connect(&m_timer, &QTimer::timeout, this,
                ExceptionBoundary::guarded(this, "the X server's answer about the keyboard", [this] { look(); }));
        m_timer.start();
    }

private:
    void look()
    {
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (!xcb_poll_for_reply(m_connection, m_sequence, &reply, &error)) {
            if (m_asked.elapsed() > AnswerLimitMs || xcb_connection_has_error(m_connection)) {
                xcb_discard_reply(m_connection, m_sequence);
                m_timer.stop();
                deleteLater();
            }
            return;
        }
        m_timer.stop();
        deleteLater();
        const xcb_window_t focused = reply ? static_cast<xcb_get_input_focus_reply_t *>(reply)->focus
                                           : xcb_window_t(XCB_NONE);
        std::free(reply);
        std::free(error);
        m_answered(focused);
    }

    xcb_connection_t *m_connection;
    unsigned int m_sequence = 0;
    std::function<void(xcb_window_t)> m_answered;
    QElapsedTimer m_asked;
    QTimer m_timer;
};

// Whether a window of this program has the X window now.
bool isWindowOfOurs(xcb_window_t id)
{
    for (const QWindow *window : QGuiApplication::allWindows()) {
        if (window->handle() && window->winId() == id)
            return true;
    }
    return false;
}

// Whether a window-modal or application-modal window of Qt's own (a dialog not run as
// a sheet) shows over the window: Qt then drops the keys the X server sends to it.
bool heldByModality(const QWidget *window)
{
    for (QWidget *other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible() || !other->isModal())
            continue;
        if (other->windowModality() == Qt::ApplicationModal)
            return true;
        for (const QWidget *under = other->parentWidget(); under; under = under->parentWidget()) {
            if (under->window() == window)
                return true;
        }
    }
    return false;
}

// Hands the keyboard on from a dialog that hid to the window it stood on.
void handOn(const QWidget *dialog)
{
    if (QWidget *owner = visibleOwner(dialog))
        owner->activateWindow();
}

class Watcher : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit Watcher(QGuiApplication *application) : QObject(application)
    {
        application->installEventFilter(this);
        application->installNativeEventFilter(this);
        connect(application, &QGuiApplication::focusWindowChanged, this,
                ExceptionBoundary::guarded(this, "focusWindowChanged", [this](QWindow *window) {
                    // The keyboard gone to another program: no dialog shown before
                    // waits for it any more. Unless the X server still gives it to a
                    // window here.
                    if (!window) {
                        m_awaitingKeyboard.clear();
                        askWhereTheKeyboardIs();
                    }
                    // A dialog activated after it was hidden: the desktop gave the
                    // keyboard to this program, and the window under it takes it.
                    const QWidget *widget = window ? widgetOf(window) : nullptr;
                    if (widget)
                        stopAwaiting(widget);
                    if (widget && !widget->isVisible() && isDialog(widget)) {
                        handOn(widget);
                        askWhereTheKeyboardIs();
                    }
                }));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease
            || event->type() == QEvent::ShortcutOverride)
            return passedOn(watched, event);
        const bool shown = event->type() == QEvent::Show;
        if ((!shown && event->type() != QEvent::Hide) || !watched->isWidgetType())
            return false;
        const auto *widget = static_cast<QWidget *>(watched);
        if (shown && widget->isWindow() && standsOnAnother(widget))
            rememberStandingOn(widget);
        if (!widget->isWindow() || !isDialog(widget))
            return false;
        const QWindow *focus = QGuiApplication::focusWindow();
        if (shown) {
            // Shown while the person works in this program: the desktop is to give
            // it the keyboard.
            if (focus)
                await(widget);
            return false;
        }
        // A dialog that had the keyboard, or hid while the desktop was still to give
        // it; never one that hid while another program has the keyboard.
        const bool awaited = stopAwaiting(widget);
        if (focus == widget->windowHandle() || (!focus && awaited))
            handOn(widget);
        // The X server may have given it the keyboard before the program heard of it:
        // unmapped, the dialog left the keyboard to the root window, where keys reach
        // nobody, and the program, never told it had the keyboard, gives it to no one.
        else if (focus || awaited)
            handOnWhenTheKeyboardGoesNowhere(widget);
        return false;
    } catch (...) {
        ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

public:
    // A key the X server sent to the window of a menu or dialog that is gone (Qt ends
    // a menu's window when it hides: the keys typed while its grab still held, after a
    // letter chose an item, come for a window the toolkit no longer knows and would be
    // dropped) is a key for the window it stood on, in its place among the others.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    try {
        if (eventType != "xcb_generic_event_t" || m_stoodOn.isEmpty())
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        const int type = event->response_type & ~0x80;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
        for (const auto &[id, owner] : std::as_const(m_stoodOn)) {
            if (id != key->event)
                continue;
            if (owner && owner->isVisible() && owner->windowHandle() && !isWindowOfOurs(id)) {
                key->event = xcb_window_t(owner->windowHandle()->winId());
                key->child = XCB_NONE;
            }
            break;
        }
        return false;
    } catch (...) {
        ExceptionBoundary::caught(this, "nativeEventFilter");
        return false;
    }

private:
    // Tells the window the X server gives the keyboard to that it has it, when the
    // program lost track of that (keyboardAsTheDisplayHasIt()).
    void askWhereTheKeyboardIs()
    {
        xcb_connection_t *connection = xConnection();
        const QWindow *active = QGuiApplication::focusWindow();
        if (!connection || (active && active->isVisible()))
            return;
        new KeyboardQuestion(this, connection,
                             [connection](xcb_window_t focused) { keyboardAsTheDisplayHasIt(connection, focused); });
    }

    // Asks the X server where the keyboard is after the dialog hid (the answer comes
    // later: no wait for it here) and hands the keyboard on when it goes nowhere,
    // unless the dialog shows again or the keyboard moved in the program meanwhile.
    void handOnWhenTheKeyboardGoesNowhere(const QWidget *dialog)
    {
        xcb_connection_t *connection = xConnection();
        if (!connection)
            return;
        new KeyboardQuestion(this, connection,
                             [connection, dialog = QPointer<const QWidget>(dialog),
                              focus = QPointer<QWindow>(QGuiApplication::focusWindow())](xcb_window_t focused) {
                                 if (!dialog || dialog->isVisible() || QGuiApplication::focusWindow() != focus)
                                     return;
                                 if (goesNowhere(connection, focused))
                                     handOn(dialog);
                             });
    }

    // The window a menu or dialog shown now stands on, by the X window it has now.
    void rememberStandingOn(const QWidget *widget)
    {
        const QWindow *window = widget->windowHandle();
        QWidget *owner = visibleOwner(widget);
        if (!window || !window->handle() || !owner)
            return;
        const auto id = xcb_window_t(window->winId());
        m_stoodOn.removeIf([id](const auto &entry) { return entry.first == id || !entry.second; });
        m_stoodOn.append({id, owner});
        // The last few are enough: the keys at stake are those typed as one ended.
        while (m_stoodOn.size() > StoodOnKept)
            m_stoodOn.removeFirst();
    }

    // A key from the desktop that reaches a window that stood on another and is hidden now (the
    // desktop gave it the keyboard after it went, or before the window under it had
    // the keyboard back) goes on to the widget with the focus in the window it stood
    // on, as a key typed there (a sheet holding that window passes it on to itself);
    // no shortcut fires by it before (a hidden menu would take a letter for its item).
    bool passedOn(QObject *watched, QEvent *event)
    {
        // Only what the desktop sends: the program may well type into a dialog it is
        // about to show.
        if (m_passingOn || !event->spontaneous() || !watched->isWidgetType())
            return false;
        const QWidget *hidden = static_cast<QWidget *>(watched)->window();
        if (hidden->isVisible() || !standsOnAnother(hidden))
            return false;
        QWidget *owner = visibleOwner(hidden);
        if (!owner)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // The key whole, its native codes too (what a shortcut recorder or an input
        // method reads); sent, it meets the holds of the window as a typed key does
        // (a sheet's hold passes it on to the sheet), and a window Qt's modality holds
        // takes none, as it takes none from the X server.
        QWidget *target = owner->focusWidget() ? owner->focusWidget() : owner;
        if (heldByModality(target->window()))
            return true;
        const std::unique_ptr<QKeyEvent> again = WindowHold::keyAnew(*static_cast<QKeyEvent *>(event));
        m_passingOn = true;
        const QPointer<Watcher> alive(this);
        QCoreApplication::sendEvent(target, again.get());
        if (alive)
            m_passingOn = false;
        return true;
    }

    static constexpr qsizetype StoodOnKept = 8;
    QList<QPair<xcb_window_t, QPointer<QWidget>>> m_stoodOn;
    bool m_passingOn = false;
    // Dialogs shown while a window of this program had the keyboard, not yet given it
    // (by guarded pointers: a dialog deleted while it shows leaves nothing behind).
    QList<QPointer<const QWidget>> m_awaitingKeyboard;

    void await(const QWidget *dialog)
    {
        if (!m_awaitingKeyboard.contains(dialog))
            m_awaitingKeyboard.append(dialog);
    }
    // Whether the dialog was awaiting the keyboard; it is not any more.
    bool stopAwaiting(const QWidget *dialog)
    {
        const bool awaited = m_awaitingKeyboard.contains(dialog);
        m_awaitingKeyboard.removeIf([dialog](const QPointer<const QWidget> &entry) { return !entry || entry == dialog; });
        return awaited;
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
