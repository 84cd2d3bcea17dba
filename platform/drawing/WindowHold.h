#pragma once
// Holds a window from input while a dialog stands over it, in place of Qt's modality.
// Qt drops the keys that the desktop still sends to a window it holds, before any
// filter sees them; and the desktop gives a dialog the keyboard some time after it
// shows, so the keys typed right after the one that opened it would be lost.
//
// While the hold lasts and the dialog shows, the window and the windows that belong
// to it (its panels standing apart, its other dialogs; not the dialog itself nor what
// stands over the dialog, nor popups) take no input of their own: no press, release,
// double click, move, wheel, key, shortcut, context menu, tooltip, status tip, input
// method, touch, tablet or drop (a drag over them is refused), and the desktop's close
// of one is refused. A press there brings the dialog forward with the keyboard. Keys
// that reach them while the keyboard is not with the dialog (nor with a window over it)
// go on to the dialog's focus widget (the first one that takes the keyboard when it
// has none, which then has the focus there), in order, as keys: no shortcut fires by
// them. Keys reaching them while the dialog has the keyboard are dropped.
//
// A dialog over a held dialog holds that one: keys passed on to it go on again.
//
// Accessibility actions are input too: an assistive program's press of a button of a
// held window (through its QAccessibleActionInterface), a text it sets there, and the
// triggering of a menu item of such a window (a menu of its menu bar or of one of its
// widgets; platform::MenuItemValidation asks refusesInput()) do nothing while the hold
// lasts (platform::HeldWindowAccessible).
//
// Ownership: a QObject child of the dialog; the hold ends with release() or when it is
// deleted (with the dialog at the latest). Threads: GUI thread only. It cannot fail;
// an exception in its filter is reported through platform::ExceptionBoundary.
#include <QObject>
#include <QPointer>

#include <memory>

class QKeyEvent;
class QWidget;

namespace platform {

class WindowHold : public QObject
{
    Q_OBJECT
public:
    // Holds the window's top level (null holds nothing).
    WindowHold(QWidget *window, QWidget *dialog);
    ~WindowHold() override;

    void release();
    bool isHolding() const { return m_holding; }
    // The widget is in the held window or in a window belonging to it.
    bool holds(const QWidget *widget) const;
    // Some hold keeps the object from input now (its dialog shows): a widget that the
    // hold holds(), or an action all of whose widgets are held (a menu counts as the
    // widget it hangs from; an action in no widget is not held).
    static bool refusesInput(const QObject *object);
    // A key event as the one given, with all it carries (native scan code, key and
    // modifiers, the device, the time), to be sent on.
    static std::unique_ptr<QKeyEvent> keyAnew(const QKeyEvent &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool held(QObject *watched, QEvent *event);
    bool dialogHasKeyboard() const;
    QWidget *keyTarget() const;

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_dialog;
    bool m_holding = false;
    // A key is being passed on to the dialog.
    bool m_passingOn = false;
};

} // namespace platform
