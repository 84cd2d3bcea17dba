#include "platform/drawing/WholeTextLineEdit.h"

#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace platform {

namespace {

// Whether the key would change the field's text.
bool editsText(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Delete) || event->matches(QKeySequence::DeleteStartOfWord) ||
        event->matches(QKeySequence::DeleteEndOfWord) || event->matches(QKeySequence::DeleteEndOfLine))
        return true;
    if (event->key() == Qt::Key_Backspace)
        return true;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

} // namespace

WholeTextLineEdit::WholeTextLineEdit(QWidget *parent) : QLineEdit(parent)
{
    // Text set from outside (not by showing the whole one cut) is the field's own.
    connect(this, &QLineEdit::textChanged, this, ExceptionBoundary::guarded(this, "textChanged", [this] {
        if (m_showing || !m_shownCut)
            return;
        m_shownCut = false;
        m_whole.clear();
        setReadOnly(false);
    }));
}

void WholeTextLineEdit::setWholeText(const QString &text)
{
    m_shownCut = DisplayText::isCut(text, DisplayText::MaximumLength);
    m_whole = m_shownCut ? text : QString();
    m_shown = m_shownCut ? DisplayText::shownOnOneLine(text) : text;
    m_showing = true;
    setText(m_shown);
    m_showing = false;
    setReadOnly(m_shownCut);
}

QString WholeTextLineEdit::wholeText() const
{
    return m_shownCut ? m_whole : text();
}

qsizetype WholeTextLineEdit::wholePosition(qsizetype shownPosition) const
{
    // Within the kept beginning a place keeps its place (a CR LF shows as one blank);
    // at the ellipsis or after it, the end.
    if (shownPosition >= m_shown.size() - 1)
        return m_whole.size();
    qsizetype at = 0;
    for (qsizetype shownAt = 0; shownAt < shownPosition && at < m_whole.size(); ++shownAt)
        at += m_whole.at(at) == QLatin1Char('\r') && at + 1 < m_whole.size() && m_whole.at(at + 1) == QLatin1Char('\n') ? 2 : 1;
    return at;
}

WholeTextDialog *WholeTextLineEdit::makeWholeTextDialog()
{
    auto *dialog = new WholeTextDialog(m_title, m_whole, window());
    dialog->setOneLine(true);
    const qsizetype caret = cursorPosition();
    qsizetype anchor = caret;
    if (hasSelectedText())
        anchor = caret == selectionStart() ? selectionEnd() : selectionStart();
    dialog->editor()->selectWhole(wholePosition(anchor), wholePosition(caret));
    return dialog;
}

void WholeTextLineEdit::showWholeTextDialog(WholeTextDialog *dialog)
{
    m_dialog = dialog;
    connect(dialog, &QDialog::accepted, this, ExceptionBoundary::guarded(this, "accepted", [this, dialog] {
        const QString edited = dialog->text();
        const qsizetype caret = dialog->editor()->wholeCaretPosition();
        if (m_shownCut && edited != m_whole) {
            setWholeText(edited);
            if (m_shownCut)
                end(false);
            else
                setCursorPosition(int(caret));
        }
        // Return ended the edit: the field passes it on, as it does its own.
        if (dialog->endedWithReturn())
            QMetaObject::invokeMethod(this, ExceptionBoundary::guarded(this, "Return", [this] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                QCoreApplication::sendEvent(this, &press);
            }), Qt::QueuedConnection);
    }));
    dialog->open();
    dialog->editor()->setFocus();
}

WholeTextDialog *WholeTextLineEdit::openWholeText()
{
    if (!m_shownCut)
        return nullptr;
    if (m_dialog)
        return m_dialog;
    WholeTextDialog *dialog = makeWholeTextDialog();
    showWholeTextDialog(dialog);
    return dialog;
}

void WholeTextLineEdit::keyPressEvent(QKeyEvent *event)
try {
    if (!m_shownCut || !editsText(event) || m_dialog) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    // The key edits the whole text, in its dialog.
    WholeTextDialog *dialog = makeWholeTextDialog();
    QKeyEvent again(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                    ushort(event->count()));
    QCoreApplication::sendEvent(dialog->editor(), &again);
    // A text short enough for the field goes on in the field.
    const QString edited = dialog->text();
    if (!DisplayText::isCut(edited, DisplayText::MaximumLength)) {
        const qsizetype caret = dialog->editor()->wholeCaretPosition();
        delete dialog;
        setWholeText(edited);
        setCursorPosition(int(caret));
        return;
    }
    showWholeTextDialog(dialog);
} catch (...) {
    ExceptionBoundary::caught(this, "keyPressEvent");
}

void WholeTextLineEdit::mouseDoubleClickEvent(QMouseEvent *event)
try {
    if (m_shownCut && event->button() == Qt::LeftButton) {
        openWholeText();
        event->accept();
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
} catch (...) {
    ExceptionBoundary::caught(this, "mouseDoubleClickEvent");
}

} // namespace platform
