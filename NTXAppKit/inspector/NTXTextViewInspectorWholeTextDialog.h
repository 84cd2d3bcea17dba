#pragma once
// The whole value of a text field that the inspector shows cut (see
// NTXTextViewInspectorTextField::isShownCut()), asked for by a double click on it:
// a window-modal dialog with the whole text in a plain-text editor that wraps
// anywhere (so that laying out even one long word costs time in step with its
// length), and OK and Cancel. The inspector stores the edited text when OK ends it
// with a change.
//
// Ownership: a child of the inspector's window, deleted when it closes. Threads: GUI
// thread only. It cannot fail.
#include <QDialog>

class QDialogButtonBox;
class QPlainTextEdit;

class NTXTextViewInspectorWholeTextDialog : public QDialog
{
    Q_OBJECT
public:
    NTXTextViewInspectorWholeTextDialog(const QString &title, const QString &text, QWidget *parent);

    QString text() const;
    QPlainTextEdit *editor() const { return m_editor; }
    QDialogButtonBox *buttons() const { return m_buttons; }

private:
    QPlainTextEdit *m_editor = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
