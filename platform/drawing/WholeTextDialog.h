#pragma once
// The whole of a text that a place shows cut (a description in the inspector, a name
// too long for a sheet's one-line field): a window-modal dialog with the text in a
// WholeTextEdit, and OK and Cancel. The caller reads text() when OK ends it.
//
// Ownership: a child of the given window, deleted when it closes. Threads: GUI
// thread only. It cannot fail.
#include <QDialog>

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

private:
    WholeTextEdit *m_editor = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

} // namespace platform
