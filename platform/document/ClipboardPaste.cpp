#include "platform/document/ClipboardPaste.h"

#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractSpinBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <poll.h>

namespace platform {

namespace {

constexpr uint32_t MaximumWords = uint32_t(ClipboardPaste::MaximumBytes / 4);

// A connection of our own to the X server, closed when it goes.
using Connection = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)>;

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The next event, waiting for it until the deadline; null when none came in time.
xcb_generic_event_t *nextEvent(xcb_connection_t *connection, const QDeadlineTimer &deadline)
{
    for (;;) {
        if (xcb_generic_event_t *event = xcb_poll_for_event(connection))
            return event;
        if (xcb_connection_has_error(connection) || deadline.hasExpired())
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&descriptor, 1, int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

// The property's whole value, taken away; null when there is none.
std::optional<QByteArray> takeProperty(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property,
                                       xcb_atom_t *type)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, MaximumWords),
        nullptr);
    if (!reply)
        return std::nullopt;
    *type = reply->type;
    QByteArray value(static_cast<const char *>(xcb_get_property_value(reply)),
                     xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

// Asks the owner of CLIPBOARD for the target; null when it refuses, does not answer
// by the deadline, or sends more than MaximumBytes. Large answers come in parts (INCR).
std::optional<QByteArray> convert(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t target,
                                  const QDeadlineTimer &deadline)
{
    const xcb_atom_t clipboard = atomNamed(connection, "CLIPBOARD");
    const xcb_atom_t property = atomNamed(connection, "CHRONARK_PASTE");
    const xcb_atom_t incremental = atomNamed(connection, "INCR");
    xcb_convert_selection(connection, window, clipboard, target, property, XCB_CURRENT_TIME);
    xcb_flush(connection);
    bool parts = false;
    QByteArray value;
    while (xcb_generic_event_t *event = nextEvent(connection, deadline)) {
        const std::unique_ptr<xcb_generic_event_t, void (*)(void *)> owned(event, std::free);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_NOTIFY && !parts) {
            const auto *notify = reinterpret_cast<xcb_selection_notify_event_t *>(event);
            if (notify->property == XCB_ATOM_NONE)
                return std::nullopt;
            xcb_atom_t type = XCB_ATOM_NONE;
            std::optional<QByteArray> first = takeProperty(connection, window, property, &type);
            xcb_flush(connection);
            if (!first)
                return std::nullopt;
            if (type != incremental)
                return first;
            parts = true;
        } else if (kind == XCB_PROPERTY_NOTIFY && parts) {
            const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(event);
            if (change->atom != property || change->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            xcb_atom_t type = XCB_ATOM_NONE;
            std::optional<QByteArray> part = takeProperty(connection, window, property, &type);
            xcb_flush(connection);
            if (!part)
                return std::nullopt;
            if (part->isEmpty())
                return value;
            if (value.size() + part->size() > ClipboardPaste::MaximumBytes)
                return std::nullopt;
            value += *part;
        }
    }
    return std::nullopt;
}

// On a pool thread: what another program holds on CLIPBOARD, within AnswerTimeout.
ClipboardPaste::Contents readFromX(bool withHtml)
{
    ClipboardPaste::Contents contents;
    const Connection connection(xcb_connect(nullptr, nullptr), xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        return contents;
    const QDeadlineTimer deadline(ClipboardPaste::AnswerTimeout);
    xcb_connection_t *c = connection.get();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      screen->root_visual, XCB_CW_EVENT_MASK, &events);
    if (withHtml) {
        if (std::optional<QByteArray> html = convert(c, window, atomNamed(c, "text/html"), deadline)) {
            contents.answered = true;
            // Some programs send their HTML in UTF-16, with its byte order mark.
            contents.html = html->startsWith("\xff\xfe")
                ? QString::fromUtf16(reinterpret_cast<const char16_t *>(html->constData() + 2), (html->size() - 2) / 2)
                : QString::fromUtf8(*html);
        }
        if (deadline.hasExpired())
            return contents;
    }
    if (std::optional<QByteArray> text = convert(c, window, atomNamed(c, "UTF8_STRING"), deadline)) {
        contents.answered = true;
        contents.text = QString::fromUtf8(*text);
    } else if (!deadline.hasExpired()) {
        if (std::optional<QByteArray> latin = convert(c, window, XCB_ATOM_STRING, deadline)) {
            contents.answered = true;
            contents.text = QString::fromLatin1(*latin);
        }
    }
    return contents;
}

void insertInto(QWidget *widget, const ClipboardPaste::Contents &contents)
{
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        if (!line->isReadOnly() && !contents.text.isEmpty())
            line->insert(contents.text);
    } else if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
        if (rich->isReadOnly())
            return;
        if (rich->acceptRichText() && !contents.html.isEmpty())
            rich->insertHtml(contents.html);
        else if (!contents.text.isEmpty())
            rich->insertPlainText(contents.text);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        if (!plain->isReadOnly() && !contents.text.isEmpty())
            plain->insertPlainText(contents.text);
    }
}

// Those waiting for the read of another program's clipboard under way, without and
// with HTML (GUI thread only).
struct Waiter
{
    QPointer<QObject> receiver;
    std::function<void(const ClipboardPaste::Contents &)> done;
};

QList<Waiter> &waitingFor(bool withHtml)
{
    static QList<Waiter> waiting[2];
    return waiting[withHtml ? 1 : 0];
}

// The text widget that takes a paste into the object: the object itself, or the line
// edit of an editable combo box or of a spin box (which hand their keys to the line
// edit directly).
QWidget *pasteTarget(const QObject *object)
{
    if (const auto *combo = qobject_cast<const QComboBox *>(object))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(object))
        return spin->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    if (qobject_cast<const QLineEdit *>(object) || qobject_cast<const QTextEdit *>(object)
        || qobject_cast<const QPlainTextEdit *>(object))
        return const_cast<QWidget *>(static_cast<const QWidget *>(object));
    return nullptr;
}

// The Paste keys of the text widgets, sent here before the widget reads the clipboard.
class PasteKeys : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() == QEvent::KeyPress && ClipboardPaste::handles(watched)
            && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
            ClipboardPaste::paste(static_cast<QWidget *>(watched));
            return true;
        }
        return QObject::eventFilter(watched, event);
    } catch (...) {
        ExceptionBoundary::caught(this, "eventFilter");
        return true;
    }
};

} // namespace

bool ClipboardPaste::handles(const QObject *object)
{
    return pasteTarget(object) != nullptr;
}

void ClipboardPaste::paste(QWidget *pastedInto)
{
    QWidget *widget = pasteTarget(pastedInto);
    if (!widget)
        return;
    const auto *rich = qobject_cast<const QTextEdit *>(widget);
    const QPointer<QWidget> target(widget);
    read(widget, rich && rich->acceptRichText(), [target](const Contents &contents) {
        if (target)
            insertInto(target, contents);
    });
}

void ClipboardPaste::read(QObject *receiver, bool withHtml, std::function<void(const Contents &)> done)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || clipboard->ownsClipboard()) {
        // No other program is asked: read now, delivered in a later pass as below.
        Contents contents;
        if (const QMimeData *data = clipboard->mimeData(QClipboard::Clipboard)) {
            contents.answered = true;
            contents.text = data->text();
            if (withHtml && data->hasHtml())
                contents.html = data->html();
        }
        QMetaObject::invokeMethod(receiver, ExceptionBoundary::guarded(receiver, "paste", [done, contents] {
                                      done(contents);
                                  }), Qt::QueuedConnection);
        return;
    }
    // A paste made while a read of the same kind is under way takes that read's answer:
    // a program that never answers holds one pool thread, not one for each paste (the
    // pool's other work, Qt's painting among it, would wait behind them).
    QList<Waiter> &waiters = waitingFor(withHtml);
    const bool underWay = !waiters.isEmpty();
    waiters.append({QPointer<QObject>(receiver), std::move(done)});
    if (underWay)
        return;
    const auto answer = [withHtml](const Contents &contents) {
        const QList<Waiter> all = std::exchange(waitingFor(withHtml), {});
        for (const Waiter &waiter : all) {
            if (waiter.receiver)
                waiter.done(contents);
        }
    };
    BackgroundTask::run(
        QCoreApplication::instance(), [withHtml](const BackgroundTask::Token &) { return readFromX(withHtml); }, answer,
        [answer](const QString &) { answer(Contents()); });
}

void ClipboardPaste::install()
{
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    auto *keys = new PasteKeys;
    keys->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(keys);
}

} // namespace platform
