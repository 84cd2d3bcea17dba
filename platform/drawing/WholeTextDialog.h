#pragma once
// The whole of a text that a place shows cut (a description in the inspector, a name
// too long for a sheet's one-line field): a window-modal dialog with the text in a
// WholeTextEdit, and OK and Cancel. The caller reads text() when OK ends it.
//
// open() begins it as a sheet (platform::Sheet) of the window it opens over (the window
// a floating panel it opens from belongs to): it shows at once, in front and asking for
// the keyboard, unless another sheet stands on that window (then it waits its turn, as
// every sheet does), and the sheet's hold keeps that window (with its panels standing
// apart) from input until it ends: no press, move, wheel, key, shortcut, context menu,
// touch, drop or accessibility action (a drag over it is refused). The desktop gives
// the dialog the keyboard some time after it shows: keys that reach the window under
// it meanwhile (typed right after the key that opened it) go on to the dialog, in
// order, and a click there brings the dialog forward. Being in the window's line of
// sheets, an alert that the program begins on that window meanwhile (a failed
// autosave, a file changed elsewhere) waits until the dialog has ended, and shows
// then. Over no window it holds nothing.
//
// When it ends, the keyboard goes back to the widget that had it in the window the
// dialog opened over (that window active again), so that what follows the focus
// (the menus' validation, the next key) finds it there; not when another program has
// the keyboard then.
//
// Keys: Ctrl+Return (or Enter) is OK while the OK button is enabled, Escape Cancel, Alt
// with the underlined letter presses a button, and Ctrl+Tab (Ctrl+Shift+Tab) moves the
// focus out of the text, where Tab and Return are text. A dialog for a text of one line
// (a name, see setOneLine()) ends with OK on Return too, as the field it came from
// would, and says so (endedWithReturn()).
//
// Ownership: a child of the given window, deleted when it closes. Threads: GUI
// thread only. It cannot fail.
#include <QDialog>
#include <QPointer>

class QDialogButtonBox;

namespace platform {

class WholeTextEdit;

class WholeTextDialog : public QDialog
{
    Q_OBJECT
public:
    WholeTextDialog(const QString &title, const QString &text, QWidget *parent);

    // The title that names what the text belongs to: the format "%1 of “%2”" of the
    // platform's string table, with the kind of text ("Description", "Name") and the
    // item's name set in (DisplayText::setInText(), cut after TitleNameLength units);
    // the kind alone when there is no name.
    static QString titleFor(const QString &kind, const QString &itemName);
    static constexpr qsizetype TitleNameLength = 80;

    QString text() const;
    WholeTextEdit *editor() const { return m_editor; }
    QDialogButtonBox *buttons() const { return m_buttons; }

    // Return (without modifiers) ends the dialog with OK instead of breaking the line.
    void setOneLine(bool oneLine) { m_oneLine = oneLine; }
    bool isOneLine() const { return m_oneLine; }
    // Whether Return (not the OK button or Ctrl+Return) ended it with OK.
    bool endedWithReturn() const { return m_endedWithReturn; }

    void done(int result) override;
    void open() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WholeTextEdit *m_editor = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    bool m_oneLine = false;
    bool m_endedWithReturn = false;
    QPointer<QWidget> m_returnFocus;
    // The window it opened over, held from input while it shows.
    QPointer<QWidget> m_owner;
};

} // namespace platform
