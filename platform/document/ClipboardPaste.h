#pragma once
// Paste into Qt's own text widgets (line edits, also those of editable combo boxes and
// spin boxes, text edits, plain text edits) without holding the GUI thread while another program is asked for the clipboard.
//
// Qt reads the clipboard only synchronously: on X11 it asks the program that owns it
// and waits for each answer up to its own time-out, several times over for one paste.
// Here the clipboard (or the selection, for the middle button) that another program
// holds on X11 is read on a pool thread,
// through a connection of our own to the X server (platform::BackgroundTask), and
// that program has AnswerTimeout in all to answer; the text goes into the widget when
// it comes, where its cursor is then. Pastes made while such a read is under way take
// its answer (one pool thread waits for that program, however often Paste is pressed). A program that does not answer in time, one
// that holds no text, and a widget gone or made read-only meanwhile get nothing, and
// nothing is changed. What this application holds itself, and the clipboard of other
// platforms, are read through Qt as before (no other program is waited for on X11).
//
// An application-wide filter (install()) takes, before the widget sees them: the Paste
// keys typed into such a widget; the middle button let go over a writable one (its
// selection is pasted where the button was let go); and its context menu, which is
// built here (contextMenu()) as Qt builds it but without reading the clipboard: Paste
// is offered as platform::ClipboardOffer tells, and pastes as above. The Edit menu's
// Paste sent to such a widget (platform::MenuItemValidation) comes here too. A widget
// whose pastes another object takes its own way (setPasteReceiver()) gets the text
// through that object.
//
// GUI thread only; what the pool thread reads reaches the GUI thread as a copy.
#include <QClipboard>
#include <QString>

#include <functional>

class QMenu;
class QObject;
class QWidget;

namespace platform {

class ClipboardPaste
{
public:
    // How long a program that holds the clipboard has to answer, in all.
    static constexpr int AnswerTimeout = 1000; // milliseconds
    // The most a paste takes from another program.
    static constexpr qsizetype MaximumBytes = 64 << 20;

    struct Contents
    {
        bool answered = false; // false: no answer in time (or no clipboard)
        QString text;
        QString html;
    };

    // Whether the object is a text widget (or an editable combo box, a spin box) whose
    // Paste comes here.
    static bool handles(const QObject *object);
    // Reads the clipboard and inserts its text (or HTML, where rich text is taken)
    // into the widget (a combo box's or spin box's line edit) once read.
    static void paste(QWidget *widget);
    // The same with the selection (X11's primary selection, the middle button's paste);
    // nothing where the platform has none.
    static void pasteSelection(QWidget *widget);
    // The pastes into the widget go to the receiver's
    //     Q_INVOKABLE void insertPastedText(const QString &text);
    // (a field whose text passes its own checks). Held weakly; null undoes it.
    static void setPasteReceiver(QWidget *widget, QObject *receiver);
    static QObject *pasteReceiver(const QWidget *widget);
    // The context menu of a text widget (line edit, text edit, plain text edit) as Qt
    // builds it, made without reading the clipboard; it deletes itself once closed. A
    // widget with a Q_INVOKABLE adjustContextMenu(QMenu *) method changes it there.
    static QMenu *contextMenu(QWidget *textWidget);
    // Reads the clipboard (or the selection); `done` is called on the GUI thread, in a
    // later pass, unless the receiver went first.
    static void read(QObject *receiver, bool withHtml, std::function<void(const Contents &)> done);
    static void read(QObject *receiver, QClipboard::Mode mode, bool withHtml,
                     std::function<void(const Contents &)> done);
    // Sends the Paste keys, the middle button's pastes and the context menus of the text
    // widgets here (once; later calls do nothing).
    static void install();

private:
    static void pasteFrom(QWidget *widget, QClipboard::Mode mode);
};

} // namespace platform
