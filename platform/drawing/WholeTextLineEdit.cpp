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

WholeTextDialog *WholeTextLineEdit::openWholeText()
{
    if (!m_shownCut)
        return nullptr;
    if (m_dialog)
        return m_dialog;
    auto *dialog = new WholeTextDialog(m_title, m_whole, window());
    m_dialog = dialog;
    // Within the kept beginning the caret keeps its place (a CR LF shows as one
    // blank); at the ellipsis it goes to the end.
    const qsizetype caret = cursorPosition();
    qsizetype at = m_whole.size();
    if (caret < m_shown.size() - 1) {
        at = 0;
        for (qsizetype shownAt = 0; shownAt < caret && at < m_whole.size(); ++shownAt)
            at += m_whole.at(at) == QLatin1Char('\r') && at + 1 < m_whole.size() && m_whole.at(at + 1) == QLatin1Char('\n') ? 2 : 1;
    }
    dialog->editor()->moveCaretTo(at);
    connect(dialog, &QDialog::accepted, this, ExceptionBoundary::guarded(this, "accepted", [this, dialog] {
        const QString edited = dialog->text();
        if (m_shownCut && edited != m_whole) {
            setWholeText(edited);
            end(false);
        }
    }));
    dialog->open();
    dialog->editor()->setFocus();
    return dialog;
}

void WholeTextLineEdit::keyPressEvent(QKeyEvent *event)
try {
    if (!m_shownCut || !editsText(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The key edits the whole text, in its dialog.
    if (WholeTextDialog *dialog = openWholeText()) {
        QKeyEvent again(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                        ushort(event->count()));
        QCoreApplication::sendEvent(dialog->editor(), &again);
    }
    event->accept();
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
