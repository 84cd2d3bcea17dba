#include "platform/document/ClipboardPaste.h"

#include "platform/document/ClipboardOffer.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
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

// Asks the owner of the selection (CLIPBOARD, PRIMARY) for the target; null when it refuses, does not answer
// by the deadline, or sends more than MaximumBytes. Large answers come in parts (INCR).
std::optional<QByteArray> convert(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t selection,
                                  xcb_atom_t target, const QDeadlineTimer &deadline)
{
    const xcb_atom_t property = atomNamed(connection, "CHRONARK_PASTE");
    const xcb_atom_t incremental = atomNamed(connection, "INCR");
    xcb_convert_selection(connection, window, selection, target, property, XCB_CURRENT_TIME);
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

// On a pool thread: what another program holds on the selection (CLIPBOARD for the
// clipboard, PRIMARY for the selection), within AnswerTimeout.
ClipboardPaste::Contents readFromX(QClipboard::Mode mode, bool withHtml)
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
    const xcb_atom_t selection = mode == QClipboard::Selection ? xcb_atom_t(XCB_ATOM_PRIMARY) : atomNamed(c, "CLIPBOARD");
    if (withHtml) {
        if (std::optional<QByteArray> html = convert(c, window, selection, atomNamed(c, "text/html"), deadline)) {
            contents.answered = true;
            // Some programs send their HTML in UTF-16, with its byte order mark.
            contents.html = html->startsWith("\xff\xfe")
                ? QString::fromUtf16(reinterpret_cast<const char16_t *>(html->constData() + 2), (html->size() - 2) / 2)
                : QString::fromUtf8(*html);
        }
        if (deadline.hasExpired())
            return contents;
    }
    if (std::optional<QByteArray> text = convert(c, window, selection, atomNamed(c, "UTF8_STRING"), deadline)) {
        contents.answered = true;
        contents.text = QString::fromUtf8(*text);
    } else if (!deadline.hasExpired()) {
        if (std::optional<QByteArray> latin = convert(c, window, selection, XCB_ATOM_STRING, deadline)) {
            contents.answered = true;
            contents.text = QString::fromLatin1(*latin);
        }
    }
    return contents;
}

constexpr const char *PasteReceiverProperty = "platform.pasteReceiver";

// The object that takes the widget's pastes its own way (setPasteReceiver()); null
// when the widget takes them itself.
QObject *pasteReceiverOf(const QObject *widget)
{
    return widget ? widget->property(PasteReceiverProperty).value<QPointer<QObject>>().data() : nullptr;
}

// Qt's own insertion of pasted data into the text edits, through the class's override
// (an editor that parts long paragraphs, one that takes only plain text).
struct TextEditInsertion : QTextEdit
{
    using QTextEdit::insertFromMimeData;
};
struct PlainTextEditInsertion : QPlainTextEdit
{
    using QPlainTextEdit::insertFromMimeData;
};

void insertInto(QWidget *widget, const ClipboardPaste::Contents &contents)
{
    if (QObject *receiver = pasteReceiverOf(widget)) {
        if (!contents.text.isEmpty())
            QMetaObject::invokeMethod(receiver, "insertPastedText", Qt::DirectConnection, Q_ARG(QString, contents.text));
        return;
    }
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        if (!line->isReadOnly() && !contents.text.isEmpty())
            line->insert(contents.text);
        return;
    }
    QMimeData data;
    if (!contents.text.isEmpty())
        data.setText(contents.text);
    if (!contents.html.isEmpty())
        data.setHtml(contents.html);
    if (data.formats().isEmpty())
        return;
    if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
        if (!rich->isReadOnly())
            (rich->*&TextEditInsertion::insertFromMimeData)(&data);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        if (!plain->isReadOnly())
            (plain->*&PlainTextEditInsertion::insertFromMimeData)(&data);
    }
}

// Those waiting for the read of another program's clipboard (or selection) under way,
// without and with HTML (GUI thread only).
struct Waiter
{
    QPointer<QObject> receiver;
    std::function<void(const ClipboardPaste::Contents &)> done;
};

QList<Waiter> &waitingFor(QClipboard::Mode mode, bool withHtml)
{
    static QList<Waiter> waiting[4];
    return waiting[(mode == QClipboard::Selection ? 2 : 0) + (withHtml ? 1 : 0)];
}

// The text widget that takes a paste into the object: the object itself, or the line
// edit of an editable combo box or of a spin box (which hand their keys to the line
// edit directly).
QWidget *pasteTarget(const QObject *object)
{
    if (object && object->isWidgetType() && pasteReceiverOf(object))
        return const_cast<QWidget *>(static_cast<const QWidget *>(object));
    if (const auto *combo = qobject_cast<const QComboBox *>(object))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(object))
        return spin->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    if (qobject_cast<const QLineEdit *>(object) || qobject_cast<const QTextEdit *>(object)
        || qobject_cast<const QPlainTextEdit *>(object))
        return const_cast<QWidget *>(static_cast<const QWidget *>(object));
    return nullptr;
}

// The Qt text widget (a line edit, text edit or plain text edit; one whose pastes another
// object takes only when asked for) whose event this is: the widget itself, or the text
// edit whose viewport it is; null for any other. Read-only ones are left out: Qt's
// handling of them never reads the clipboard.
QWidget *writableTextWidget(QObject *watched, bool withPasteReceiver)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return nullptr;
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget->parentWidget()); area && area->viewport() == widget)
        widget = area;
    if (!withPasteReceiver && pasteReceiverOf(widget))
        return nullptr;
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        return line->isReadOnly() ? nullptr : line;
    if (auto *rich = qobject_cast<QTextEdit *>(widget))
        return rich->isReadOnly() ? nullptr : rich;
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget))
        return plain->isReadOnly() ? nullptr : plain;
    return nullptr;
}

// The text of Qt's own menu item, with the key that does the same.
QString itemTitle(const char *title, QKeySequence::StandardKey key)
{
    const QString text = QCoreApplication::translate("QLineEdit", title);
    const QKeySequence sequence(key);
    return sequence.isEmpty() ? text : text + QLatin1Char('\t') + sequence.toString(QKeySequence::NativeText);
}

// The Paste keys, the middle button's paste of the selection and the context menu of
// the text widgets, taken here before the widget reads the clipboard.
class PasteEvents : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (ClipboardPaste::handles(watched) && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
                ClipboardPaste::paste(static_cast<QWidget *>(watched));
                return true;
            }
            break;
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            // A widget whose pastes another object takes has that object's own handling.
            QWidget *widget = mouse->button() == Qt::MiddleButton ? writableTextWidget(watched, false) : nullptr;
            if (!widget || !QGuiApplication::clipboard()->supportsSelection())
                break;
            // Where the button was let go, as Qt's own paste of the selection does.
            const QPoint at = static_cast<QWidget *>(watched)->mapTo(widget->window(), mouse->position().toPoint());
            if (auto *line = qobject_cast<QLineEdit *>(widget)) {
                line->deselect();
                line->setCursorPosition(line->cursorPositionAt(line->mapFrom(line->window(), at)));
            } else if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
                rich->setTextCursor(rich->cursorForPosition(rich->viewport()->mapFrom(rich->window(), at)));
            } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
                plain->setTextCursor(plain->cursorForPosition(plain->viewport()->mapFrom(plain->window(), at)));
            }
            ClipboardPaste::pasteSelection(widget);
            return true;
        }
        case QEvent::ContextMenu: {
            // A spin box's menu: its line edit's, with the steps.
            if (auto *spin = qobject_cast<QAbstractSpinBox *>(watched);
                spin && !spin->isReadOnly() && spin->contextMenuPolicy() == Qt::DefaultContextMenu) {
                auto *line = spin->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
                if (!line)
                    break;
                QMenu *menu = ClipboardPaste::contextMenu(line);
                menu->addSeparator();
                const QPointer<QAbstractSpinBox> box(spin);
                QObject::connect(menu->addAction(QCoreApplication::translate("QAbstractSpinBox", "&Step up")),
                                 &QAction::triggered, menu, ExceptionBoundary::guarded(menu, "triggered", [box] {
                                     if (box)
                                         box->stepUp();
                                 }));
                QObject::connect(menu->addAction(QCoreApplication::translate("QAbstractSpinBox", "Step &down")),
                                 &QAction::triggered, menu, ExceptionBoundary::guarded(menu, "triggered", [box] {
                                     if (box)
                                         box->stepDown();
                                 }));
                menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
                return true;
            }
            QWidget *widget = writableTextWidget(watched, true);
            if (!widget || widget->contextMenuPolicy() != Qt::DefaultContextMenu)
                break;
            QMenu *menu = ClipboardPaste::contextMenu(widget);
            menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
        default:
            break;
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

void ClipboardPaste::setPasteReceiver(QWidget *widget, QObject *receiver)
{
    if (widget)
        widget->setProperty(PasteReceiverProperty, QVariant::fromValue(QPointer<QObject>(receiver)));
}

QObject *ClipboardPaste::pasteReceiver(const QWidget *widget)
{
    return pasteReceiverOf(widget);
}

void ClipboardPaste::paste(QWidget *pastedInto)
{
    pasteFrom(pastedInto, QClipboard::Clipboard);
}

void ClipboardPaste::pasteSelection(QWidget *pastedInto)
{
    pasteFrom(pastedInto, QClipboard::Selection);
}

void ClipboardPaste::pasteFrom(QWidget *pastedInto, QClipboard::Mode mode)
{
    QWidget *widget = pasteTarget(pastedInto);
    if (!widget)
        return;
    const auto *rich = qobject_cast<const QTextEdit *>(widget);
    const bool withHtml = rich && rich->acceptRichText() && !pasteReceiverOf(widget);
    const QPointer<QWidget> target(widget);
    read(widget, mode, withHtml, [target](const Contents &contents) {
        if (target)
            insertInto(target, contents);
    });
}

QMenu *ClipboardPaste::contextMenu(QWidget *textWidget)
{
    auto *menu = new QMenu(textWidget);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    bool undo = false, redo = false, writable = false, selected = false, any = false, pasted = false;
    std::function<void()> cut, copy, undoIt, redoIt, remove, all;
    if (auto *line = qobject_cast<QLineEdit *>(textWidget)) {
        const bool secret = line->echoMode() != QLineEdit::Normal;
        writable = !line->isReadOnly();
        undo = line->isUndoAvailable();
        redo = line->isRedoAvailable();
        selected = line->hasSelectedText() && !secret;
        any = !line->text().isEmpty();
        pasted = ClipboardOffer::shared().hasText();
        const QPointer<QLineEdit> l(line);
        undoIt = [l] { if (l) l->undo(); };
        redoIt = [l] { if (l) l->redo(); };
        cut = [l] { if (l) l->cut(); };
        copy = [l] { if (l) l->copy(); };
        remove = [l] { if (l && l->hasSelectedText()) l->del(); };
        all = [l] { if (l) l->selectAll(); };
    } else if (auto *rich = qobject_cast<QTextEdit *>(textWidget)) {
        writable = !rich->isReadOnly();
        undo = rich->document()->isUndoAvailable();
        redo = rich->document()->isRedoAvailable();
        selected = rich->textCursor().hasSelection();
        any = !rich->document()->isEmpty();
        pasted = ClipboardOffer::shared().canPasteInto(rich->acceptRichText());
        const QPointer<QTextEdit> r(rich);
        undoIt = [r] { if (r) r->undo(); };
        redoIt = [r] { if (r) r->redo(); };
        cut = [r] { if (r) r->cut(); };
        copy = [r] { if (r) r->copy(); };
        remove = [r] { if (r) r->textCursor().removeSelectedText(); };
        all = [r] { if (r) r->selectAll(); };
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(textWidget)) {
        writable = !plain->isReadOnly();
        undo = plain->document()->isUndoAvailable();
        redo = plain->document()->isRedoAvailable();
        selected = plain->textCursor().hasSelection();
        any = !plain->document()->isEmpty();
        pasted = ClipboardOffer::shared().hasText();
        const QPointer<QPlainTextEdit> t(plain);
        undoIt = [t] { if (t) t->undo(); };
        redoIt = [t] { if (t) t->redo(); };
        cut = [t] { if (t) t->cut(); };
        copy = [t] { if (t) t->copy(); };
        remove = [t] { if (t) t->textCursor().removeSelectedText(); };
        all = [t] { if (t) t->selectAll(); };
    }
    const QPointer<QWidget> target(textWidget);
    const auto add = [menu](const QString &title, const char *name, bool enabled, std::function<void()> work) {
        QAction *item = menu->addAction(title);
        item->setObjectName(QString::fromLatin1(name));
        item->setEnabled(enabled);
        QObject::connect(item, &QAction::triggered, menu, ExceptionBoundary::guarded(menu, "triggered", std::move(work)));
    };
    add(itemTitle("&Undo", QKeySequence::Undo), "edit-undo", writable && undo, undoIt);
    add(itemTitle("&Redo", QKeySequence::Redo), "edit-redo", writable && redo, redoIt);
    menu->addSeparator();
    add(itemTitle("Cu&t", QKeySequence::Cut), "edit-cut", writable && selected, cut);
    add(itemTitle("&Copy", QKeySequence::Copy), "edit-copy", selected, copy);
    add(itemTitle("&Paste", QKeySequence::Paste), "edit-paste", writable && pasted, [target] {
        if (target)
            ClipboardPaste::paste(target);
    });
    add(itemTitle("Delete", QKeySequence::UnknownKey), "edit-delete", writable && selected, remove);
    menu->addSeparator();
    add(itemTitle("Select All", QKeySequence::SelectAll), "select-all", any, all);
    // A widget that changes the menu its own way (its own undo) does so here.
    if (textWidget->metaObject()->indexOfMethod("adjustContextMenu(QMenu*)") >= 0)
        QMetaObject::invokeMethod(textWidget, "adjustContextMenu", Qt::DirectConnection, Q_ARG(QMenu *, menu));
    return menu;
}

void ClipboardPaste::read(QObject *receiver, bool withHtml, std::function<void(const Contents &)> done)
{
    read(receiver, QClipboard::Clipboard, withHtml, std::move(done));
}

void ClipboardPaste::read(QObject *receiver, QClipboard::Mode mode, bool withHtml,
                          std::function<void(const Contents &)> done)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const bool ownHere = mode == QClipboard::Selection ? clipboard->ownsSelection() : clipboard->ownsClipboard();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || ownHere) {
        // No other program is asked: read now, delivered in a later pass as below.
        Contents contents;
        const QMimeData *data = mode == QClipboard::Selection && !clipboard->supportsSelection()
            ? nullptr
            : clipboard->mimeData(mode);
        if (data) {
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
    QList<Waiter> &waiters = waitingFor(mode, withHtml);
    const bool underWay = !waiters.isEmpty();
    waiters.append({QPointer<QObject>(receiver), std::move(done)});
    if (underWay)
        return;
    const auto answer = [mode, withHtml](const Contents &contents) {
        const QList<Waiter> all = std::exchange(waitingFor(mode, withHtml), {});
        for (const Waiter &waiter : all) {
            if (waiter.receiver)
                waiter.done(contents);
        }
    };
    BackgroundTask::run(
        QCoreApplication::instance(),
        [mode, withHtml](const BackgroundTask::Token &) { return readFromX(mode, withHtml); }, answer,
        [answer](const QString &) { answer(Contents()); });
}

void ClipboardPaste::install()
{
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    auto *keys = new PasteEvents;
    keys->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(keys);
}

} // namespace platform
