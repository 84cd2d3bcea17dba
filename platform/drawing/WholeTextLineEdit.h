#pragma once
// A one-line field for a text that may be too long for one line (a name of
// megabytes). A text of at most DisplayText::MaximumLength units is edited in the
// field itself. A longer one is shown cut (on one line, with an ellipsis) and the
// field takes no edit of the cut text: an editing key, a paste or a double click
// opens the whole text in a WholeTextDialog (the key goes on to the text there, at
// the place the caret stood), and OK there takes the edited text. wholeText() is
// never the cut text.
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
    // Opens the whole text in its dialog (window-modal), the caret where the field's
    // stands; null while the field shows its text whole. OK takes the edited text.
    WholeTextDialog *openWholeText();
    WholeTextDialog *wholeTextDialog() const { return m_dialog; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QString m_whole;
    QString m_shown;
    QString m_title;
    bool m_shownCut = false;
    bool m_showing = false;
    QPointer<WholeTextDialog> m_dialog;
};

} // namespace platform
