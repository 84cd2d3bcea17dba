#pragma once
// A one-line field for a text that may be too long for one line (a name of
// megabytes). A text of at most DisplayText::MaximumLength units is edited in the
// field itself. A longer one is shown cut (on one line, with an ellipsis) and the
// field takes no edit of the cut text; a key does to it what it does to a short
// text: an editing key, a paste or a double click edits the whole text in a
// WholeTextDialog, the key going on to the text there with the field's selection
// (what the field selected of the cut text, the ellipsis standing for the rest) or
// caret carried over. When that edit leaves a text short enough for the field, the
// field takes it at once and no dialog shows. Else OK in the dialog takes the edited
// text, and Return there also ends the edit as in the field: the field passes the
// Return on (a sheet's default button). wholeText() is never the cut text.
//
// Ownership: a widget, owned by its parent; the dialog is a child of its window.
// Threads: GUI thread only. It cannot fail.
#include "platform/drawing/WholeTextDialog.h"

#include <QLineEdit>
#include <QPointer>

namespace platform {

class WholeTextLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit WholeTextLineEdit(QWidget *parent = nullptr);

    // Shows the text, cut when it is too long for the field.
    void setWholeText(const QString &text);
    // The text with the user's edits: the field's own text, or the whole text the
    // field stands for while it shows it cut. setText() of another text ends that.
    QString wholeText() const;
    bool isShownCut() const { return m_shownCut; }

    // The title of the dialog with the whole text (WholeTextDialog::titleFor()).
    void setWholeTextTitle(const QString &title) { m_title = title; }
    // Opens the whole text in its dialog (window-modal) with the field's selection or
    // caret; null while the field shows its text whole. OK takes the edited text.
    WholeTextDialog *openWholeText();
    WholeTextDialog *wholeTextDialog() const { return m_dialog; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    // The dialog, not shown yet, with the field's selection or caret.
    WholeTextDialog *makeWholeTextDialog();
    void showWholeTextDialog(WholeTextDialog *dialog);
    // The place in the whole text of a place in the cut text shown.
    qsizetype wholePosition(qsizetype shownPosition) const;

    QString m_whole;
    QString m_shown;
    QString m_title;
    bool m_shownCut = false;
    bool m_showing = false;
    QPointer<WholeTextDialog> m_dialog;
};

} // namespace platform
