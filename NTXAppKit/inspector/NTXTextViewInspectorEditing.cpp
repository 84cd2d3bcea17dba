// The inspector's editing: selection, typing, Tab and Return, the commit of an edit,
// completion, and the drawing of the raised editor around the edited value.
#include "NTXAppKit/inspector/NTXTextViewInspector.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLayoutManager.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTypesetter.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/document/ClipboardPaste.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QStringListModel>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QPlainTextEdit>
#include <cmath>
#include <utility>

namespace Text = NTXTextViewInspectorText;
using Range = platform::Range;


namespace {

} // namespace

QString NTXTextViewInspector::typedTextOf(Range value) const
{
    if (value.isNotFound() || Text::valueAt(text(), Text::PlaceholderShownProperty, value.location).toBool())
        return QString();
    return Text::text(text(), value);
}

QString NTXTextViewInspector::typedTextOf(const Piece &piece)
{
    return piece.format.boolProperty(Text::PlaceholderShownProperty) ? QString() : piece.text;
}

// ---- Queries ----

NTXTextViewInspectorField *NTXTextViewInspector::fieldAtIndex(qsizetype index) const
{
    return qobject_cast<NTXTextViewInspectorField *>(Text::fieldOf(Text::valueAt(text(), Text::FieldProperty, index)));
}

NTXTextViewInspectorField *NTXTextViewInspector::activeField() const
{
    return isEditing() ? fieldAtIndex(m_currentEditedStartLocation) : nullptr;
}

Range NTXTextViewInspector::currentEditingCharRange() const
{
    if (!isEditing())
        return Range();
    if (!Text::valueAt(text(), Text::PlaceholderProperty, m_currentEditedStartLocation).isValid())
        return Range();
    const Range run = Text::runAt(text(), Text::PlaceholderProperty, m_currentEditedStartLocation);
    return run.location == m_currentEditedStartLocation ? run : Range();
}

Range NTXTextViewInspector::selectedRange() const
{
    const QTextCursor cursor = textCursor();
    return Range(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
}

void NTXTextViewInspector::setSelectedRange(Range range)
{
    const Range valid = validateProposedRange(range, true);
    InternalChange change(*this);
    QTextCursor cursor(&text());
    cursor.setPosition(int(valid.location));
    cursor.setPosition(int(valid.max()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    restartCaretBlink();
    viewport()->update();
}

void NTXTextViewInspector::setEditedLocation(qsizetype location)
{
    if (location == m_currentEditedStartLocation)
        return;
    m_currentEditedStartLocation = location;
    m_editStartText.clear();
    if (location != Range::NotFound) {
        // What the field's value shows (an edit always ends by handing its text over,
        // so the text shown is the value's when the next one begins).
        if (auto *field = qobject_cast<NTXTextViewInspectorTextField *>(fieldAtIndex(location)))
            m_editStartText = typedTextOf(newTextFieldValueStringForTextField(field));
        else
            m_editStartText = typedTextOf(currentEditingCharRange());
    }
    reportOpenEdit(false);
}

// ---- Selection ----

Range NTXTextViewInspector::validateProposedRange(Range proposed, bool updateEditingInfo)
{
    if (updateEditingInfo && isEditing()) {
        // A selection that leaves the value being edited (an arrow key, a drag, a
        // selection made by code) ends the edit as Tab does: the text is handed over
        // first, so that a field never shows text its value does not hold. The
        // proposal moves with the text the hand-over shows.
        const Range edited = currentEditingCharRange();
        const Range answer = validateProposedRange(proposed, false);
        if (edited.isNotFound() || answer.location < edited.location || answer.max() > edited.max()) {
            const qsizetype size = Text::length(text());
            const bool follows = !proposed.isNotFound() && proposed.location >= 0 && proposed.length >= 0
                                 && proposed.max() <= size;
            QTextCursor tracked(&text());
            if (follows) {
                tracked.setPosition(int(proposed.location));
                tracked.setPosition(int(proposed.max()), QTextCursor::KeepAnchor);
            }
            endEditing();
            if (follows)
                proposed = Range(tracked.selectionStart(), tracked.selectionEnd() - tracked.selectionStart());
        }
    }
    const qsizetype size = Text::length(text());
    auto reject = [&] {
        if (updateEditingInfo) {
            viewport()->update();
            setEditedLocation(Range::NotFound);
        }
        return Range(0, 0);
    };
    if (proposed.isNotFound() || proposed.location < 0 || proposed.length < 0 || !m_editableState)
        return reject();
    Range candidate = proposed;
    const Range edited = currentEditingCharRange();
    if (!edited.isNotFound()) {
        if (proposed.length > 0) {
            const qsizetype from = std::max(proposed.location, edited.location);
            const qsizetype to = std::min(proposed.max(), edited.max());
            candidate = to > from ? Range(from, to - from) : Range(0, 0);
        } else if (proposed.location == edited.max()) {
            candidate = Range(edited.location, 0);
        }
    }
    if (candidate.max() >= size)
        return reject();
    const QVariant placeholder = Text::valueAt(text(), Text::PlaceholderProperty, candidate.location);
    if (!placeholder.isValid())
        return reject();
    const Range value = Text::runAt(text(), Text::PlaceholderProperty, candidate.location);
    if (candidate.location < value.location || candidate.max() > value.max())
        return reject();
    // A value shown cut is never edited: the edit would store the cut text.
    if (const auto *shown = qobject_cast<const NTXTextViewInspectorTextField *>(fieldAtIndex(value.location));
        shown && shown->isShownCut())
        return reject();
    if (updateEditingInfo)
        viewport()->update();
    if (typedTextOf(value).isNull() || value.location != m_currentEditedStartLocation) {
        if (updateEditingInfo)
            setEditedLocation(value.location);
        return value;
    }
    if (updateEditingInfo)
        setEditedLocation(value.location);
    if (proposed.length == 0)
        return proposed;
    const qsizetype from = std::max(proposed.location, value.location);
    const qsizetype to = std::min(proposed.max(), value.max());
    return Range(from, std::max<qsizetype>(0, to - from));
}

void NTXTextViewInspector::cursorMoved()
{
    if (m_internalChanges > 0)
        return;
    const QTextCursor current = textCursor();
    const bool backward = current.position() < current.anchor();
    const Range valid = validateProposedRange(selectedRange(), true);
    if (!(valid.length == 0 && valid.location == m_nextInsertionIndex))
        stopCompletionTimer();
    // (A hand-over of the edit may have moved the text and the cursor.)
    if (!(valid == selectedRange())) {
        InternalChange change(*this);
        QTextCursor cursor(&text());
        cursor.setPosition(int(backward ? valid.max() : valid.location));
        cursor.setPosition(int(backward ? valid.location : valid.max()), QTextCursor::KeepAnchor);
        setTextCursor(cursor);
    }
    restartCaretBlink();
    viewport()->update();
}

// ---- Text changes ----

QString NTXTextViewInspector::sanitizedInput(const QString &input, bool supportNewLine)
{
    QString result;
    result.reserve(input.size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c == QLatin1Char('\r') && i + 1 < input.size() && input.at(i + 1) == QLatin1Char('\n'))
            continue;
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar(0x0b) || c == QChar(0x0c) || c == QChar(0x85))
            result.append(supportNewLine ? QChar(QChar::LineSeparator) : QChar(QLatin1Char(' ')));
        else if (c == QChar(Text::AttachmentCharacter) || c == QChar::ObjectReplacementCharacter || c.isNull())
            continue;
        else if (c.category() == QChar::Other_Control)
            result.append(QLatin1Char(' '));
        else
            result.append(c);
    }
    return result;
}

QTextCharFormat NTXTextViewInspector::typingAttributes() const
{
    if (!isEditing())
        return {};
    QTextCharFormat format = Text::formatAt(text(), m_currentEditedStartLocation);
    if (NTXTextViewInspectorField *field = activeField(); qobject_cast<NTXTextViewInspectorTextField *>(field))
        format.merge(typingAttributesForPlaceholderValue(field->placeholder(), field));
    return format;
}

bool NTXTextViewInspector::shouldChangeTextInRange(Range range, const QString &replacement)
{
    if (!isEditing())
        return false;
    const Range edited = currentEditingCharRange();
    if (edited.isNotFound() || range.location < edited.location || range.max() > edited.max())
        return false;
    const QString placeholder = Text::valueAt(text(), Text::PlaceholderProperty, edited.location).toString();
    if (range == edited) {
        const QString newText = replacement.isEmpty() ? placeholder : replacement;
        if (newText.isEmpty())
            return false;
        NTXTextViewInspectorField *field = fieldAtIndex(edited.location);
        QTextCharFormat attributes = Text::formatAt(text(), edited.location);
        attributes.merge(replacement.isEmpty() ? placeholderValueAttributesWithValue(placeholder, field)
                                               : typingAttributes());
        {
            InternalChange change(*this);
            QTextCursor cursor(&text());
            cursor.setPosition(int(edited.location));
            cursor.setPosition(int(edited.max()), QTextCursor::KeepAnchor);
            cursor.insertText(newText, attributes);
            QTextCursor selection(&text());
            if (replacement.isEmpty()) {
                selection.setPosition(int(edited.location));
                selection.setPosition(int(edited.location + newText.size()), QTextCursor::KeepAnchor);
            } else {
                selection.setPosition(int(edited.location + newText.size()));
            }
            setTextCursor(selection);
        }
        stopCompletionTimer();
        m_nextInsertionIndex = replacement.isEmpty() ? Range::NotFound : edited.location + newText.size();
        return false;
    }
    m_nextInsertionIndex = range.location + replacement.size();
    startCompletionTimer();
    return true;
}

void NTXTextViewInspector::replaceRange(Range range, const QString &typed)
{
    const QString before = Text::text(text(), currentEditingCharRange());
    // The whole value replaced by nothing shows the placeholder, in place: asked here.
    if (shouldChangeTextInRange(range, typed)) {
        const QTextCharFormat format = typingAttributes();
        InternalChange change(*this);
        QTextCursor cursor(&text());
        cursor.setPosition(int(range.location));
        cursor.setPosition(int(range.max()), QTextCursor::KeepAnchor);
        cursor.insertText(typed, format);
        setTextCursor(cursor);
    }
    reportOpenEdit(Text::text(text(), currentEditingCharRange()) != before);
}

void NTXTextViewInspector::replaceSelection(const QString &typed)
{
    if (typed.isEmpty() && selectedRange().length == 0)
        return;
    replaceRange(selectedRange(), typed);
    restartCaretBlink();
    viewport()->update();
}

// ---- Commit ----

bool NTXTextViewInspector::openEditValue(NTXTextViewInspectorTextField **field, QVariant *value, QString *typed) const
{
    const Range edited = currentEditingCharRange();
    if (!isEditing() || edited.isNotFound())
        return false;
    auto *textField = qobject_cast<NTXTextViewInspectorTextField *>(fieldAtIndex(m_currentEditedStartLocation));
    if (!textField)
        return false;
    // Null while the field shows its placeholder (or the multiple-values or no-selection
    // text): no value. Text typed is stored as typed, also when it reads as one of those.
    const QString shown = typedTextOf(edited);
    // An edit that ends with the text it began with writes nothing.
    if (shown == m_editStartText && shown.isNull() == m_editStartText.isNull())
        return false;
    const QVariant newValue = shown.isNull() ? QVariant() : textField->valueObjectForTypedString(shown);
    if (newValue.isValid() && newValue == textField->value())
        return false;
    *field = textField;
    *value = newValue;
    if (typed)
        *typed = shown;
    return true;
}

void NTXTextViewInspector::endEditing()
{
    NTXTextViewInspectorTextField *field = nullptr;
    QVariant newValue;
    const bool store = openEditValue(&field, &newValue, nullptr);
    const FieldPtr keep = store ? sharedField(field) : FieldPtr();
    stopCompletionTimer();
    m_currentEditedStartLocation = Range::NotFound;
    m_editStartText.clear();
    m_selectedRect = QRectF();
    {
        InternalChange change(*this);
        setTextCursor(QTextCursor(&text()));
    }
    viewport()->update();
    if (store)
        storeValueOfField(field, newValue);
    reportOpenEdit(false);
}

bool NTXTextViewInspector::hasChangedEdit() const
{
    NTXTextViewInspectorTextField *field = nullptr;
    QVariant value;
    return openEditValue(&field, &value, nullptr);
}

bool NTXTextViewInspector::commitEdit(QString *refusal)
{
    NTXTextViewInspectorTextField *field = nullptr;
    QVariant newValue;
    QString typed;
    if (!openEditValue(&field, &newValue, &typed))
        return true;
    // Text the field's formatter does not take is refused rather than stored as text.
    if (const auto formatter = field->formatter(); formatter && newValue.isValid()) {
        QVariant parsed;
        QString error;
        if (!formatter->getObjectValue(parsed, typed, &error)) {
            if (refusal) {
                const QString name = field->label() ? field->label()->label() : QString();
                *refusal = platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
                               .localizedString(QStringLiteral("NTXTextViewInspectorValueRefused"),
                                                QStringLiteral("NTXTextViewInspector"))
                               .arg(platform::DisplayText::cut(typed, 60), name);
                if (!error.isEmpty())
                    *refusal += QLatin1Char(' ') + error;
            }
            return false;
        }
    }
    // As Return stores it; the edit stays open with the caret and selection where they
    // were, in the text the stored value shows.
    // (The value shown by fields before it may change with it, and move it.)
    const qsizetype start = m_currentEditedStartLocation;
    const QTextCursor cursor = textCursor();
    const qsizetype anchor = cursor.anchor() - start;
    const qsizetype position = cursor.position() - start;
    const FieldPtr keep = sharedField(field);
    storeValueOfField(field, newValue);
    const Range shown = currentEditingCharRange();
    if (isEditing() && activeField() == field && !shown.isNotFound()) {
        InternalChange change(*this);
        QTextCursor back(&text());
        back.setPosition(int(shown.location + std::clamp<qsizetype>(anchor, 0, shown.length)));
        back.setPosition(int(shown.location + std::clamp<qsizetype>(position, 0, shown.length)), QTextCursor::KeepAnchor);
        setTextCursor(back);
        viewport()->update();
    }
    reportOpenEdit(false);
    return true;
}

void NTXTextViewInspector::reportOpenEdit(bool typed)
{
    const bool changed = hasChangedEdit();
    if (!typed && changed == m_reportedChangedEdit)
        return;
    m_reportedChangedEdit = changed;
    platform::OpenEdits::noteChanged(this);
}

void NTXTextViewInspector::storeValueOfField(NTXTextViewInspectorTextField *field, const QVariant &newValue)
{
    field->setValue(newValue);
    field->propagate(newValue, QStringLiteral("value"));
    if (auto *delegate = dynamic_cast<NTXTextViewInspectorDelegate *>(m_inspectorDelegate.data()))
        delegate->textViewInspectorDidChangedValueOfField(this, field);
    field->valueDidChangedFromTextInspector();
}

platform::WholeTextDialog *NTXTextViewInspector::openWholeValueOfField(NTXTextViewInspectorTextField *field)
{
    if (!field || !field->isShownCut())
        return nullptr;
    QVariant value = field->value();
    if (platform::isListValue(value))
        value = value.toList().value(0);
    const QString kind = field->label() ? field->label()->label() : QString();
    auto *dialog = new platform::WholeTextDialog(platform::WholeTextDialog::titleFor(kind, m_subjectName), value.toString(),
                                                 window());
    const bool takesEdits = field->isEditable() && m_editableState;
    dialog->editor()->setReadOnly(!takesEdits);
    const QString before = dialog->text();
    const FieldPtr keep = sharedField(field);
    QPointer<NTXTextViewInspector> self(this);
    WholeValueWriter writer = takesEdits && m_wholeValueHolder ? m_wholeValueHolder(field, dialog) : WholeValueWriter();
    connect(dialog, &QDialog::finished, this,
            platform::ExceptionBoundary::guarded(this, "finished", [self, keep, dialog, before, takesEdits,
                                                                    writer](int result) {
        if (!self || !keep || result != QDialog::Accepted || !takesEdits)
            return;
        const QString edited = dialog->text();
        auto *textField = qobject_cast<NTXTextViewInspectorTextField *>(keep.get());
        if (edited == before || !textField)
            return;
        if (writer)
            writer(textField->valueObjectForTypedString(edited));
        else
            self->storeValueOfField(textField, textField->valueObjectForTypedString(edited));
    }));
    dialog->open();
    return dialog;
}

// ---- Return and Tab ----

void NTXTextViewInspector::insertNewline()
{
    auto *field = qobject_cast<NTXTextViewInspectorTextField *>(activeField());
    if (field && field->supportNewLine())
        replaceSelection(QString(QChar(QChar::LineSeparator)));
    else
        endEditing();
}

void NTXTextViewInspector::insertTab()
{
    const qsizetype from = m_currentEditedStartLocation;
    endEditing();
    walkToEditable(from, true);
}

void NTXTextViewInspector::insertBacktab()
{
    const qsizetype from = m_currentEditedStartLocation;
    endEditing();
    walkToEditable(from, false);
}

void NTXTextViewInspector::walkToEditable(qsizetype from, bool forward)
{
    if (!m_editableState)
        return;
    QSet<qsizetype> visited;
    qsizetype index = from;
    const qsizetype size = Text::length(text());
    // Each run is visited once at most: the walk ends after one full wrap.
    for (qsizetype step = 0; step <= size; ++step) {
        const Range next = nextEditableRange(index, forward);
        if (next.isNotFound() || next.location >= size || visited.contains(next.location))
            return;
        visited.insert(next.location);
        NTXTextViewInspectorField *field = nullptr;
        if (editableFieldAtIndex(next.location, &field)) {
            if (qobject_cast<NTXTextViewInspectorTextField *>(field))
                setSelectedRange(next);
            else if (auto *viewField = qobject_cast<NTXTextViewInspectorViewField *>(field); viewField && viewField->view())
                viewField->view()->setFocus(Qt::TabFocusReason);
            scrollRangeToVisible(next);
            return;
        }
        index = next.location;
    }
}

Range NTXTextViewInspector::nextRun(int property, qsizetype index, bool forward) const
{
    const QTextDocument &doc = text();
    const qsizetype size = Text::length(doc);
    if (size <= 0)
        return Range();
    const qsizetype at = std::clamp<qsizetype>(index, 0, size - 1);
    const Range current = Text::runAt(doc, property, at);
    auto carries = [&](qsizetype i) { return Text::valueAt(doc, property, i).isValid(); };
    auto inside = [&](qsizetype i) { return i >= 0 && i < size; };
    const qsizetype first = forward ? current.max() : current.location - 1;
    if (inside(first)) {
        const Range run = Text::runAt(doc, property, first);
        if (carries(first))
            return run;
        const qsizetype beyond = forward ? run.max() : run.location - 1;
        if (inside(beyond) && carries(beyond))
            return Text::runAt(doc, property, beyond);
    }
    const qsizetype wrap = forward ? 0 : size - 1;
    const Range run = Text::runAt(doc, property, wrap);
    if (carries(wrap))
        return run;
    const qsizetype beyond = forward ? run.max() : run.location - 1;
    if (inside(beyond) && carries(beyond))
        return Text::runAt(doc, property, beyond);
    return current;
}

Range NTXTextViewInspector::nextEditableRange(qsizetype index, bool forward) const
{
    if (index == Range::NotFound)
        return Range(0, 0);
    return nextRun(Text::PlaceholderProperty, index, forward);
}

NTXTextViewInspectorField *NTXTextViewInspector::nextEditableField(qsizetype index, bool forward, Range *fieldRange) const
{
    if (index == Range::NotFound) {
        if (fieldRange)
            *fieldRange = Range();
        return nullptr;
    }
    const Range run = nextRun(Text::FieldProperty, index, forward);
    if (fieldRange)
        *fieldRange = run;
    return run.isNotFound() ? nullptr : fieldAtIndex(run.location);
}

bool NTXTextViewInspector::editableFieldAtIndex(qsizetype index, NTXTextViewInspectorField **found) const
{
    NTXTextViewInspectorField *field = fieldAtIndex(index);
    bool accepted = false;
    if (field) {
        if (auto *textField = qobject_cast<NTXTextViewInspectorTextField *>(field))
            accepted = field->isEditable() && m_editableState && !textField->isShownCut() &&
                       Text::valueAt(text(), Text::PlaceholderProperty, index).isValid();
        else if (field->isEditable())
            accepted = true;
        else if (auto *viewField = qobject_cast<NTXTextViewInspectorViewField *>(field); viewField && viewField->view())
            accepted = viewField->view()->focusPolicy() != Qt::NoFocus && viewField->view()->isEnabled();
    }
    if (found)
        *found = accepted ? field : nullptr;
    return accepted;
}

void NTXTextViewInspector::scrollRangeToVisible(Range range)
{
    if (range.isNotFound())
        return;
    QTextCursor cursor(&text());
    cursor.setPosition(int(std::min(range.max(), Text::length(text()))));
    ensureCursorVisible();
    const QRect end = cursorRect(cursor);
    cursor.setPosition(int(range.location));
    const QRect start = cursorRect(cursor);
    const QRect wanted = start.united(end);
    QScrollBar *bar = verticalScrollBar();
    if (wanted.top() < 0)
        bar->setValue(bar->value() + wanted.top());
    else if (wanted.bottom() > viewport()->height())
        bar->setValue(bar->value() + wanted.bottom() - viewport()->height());
}

// ---- Events ----

bool NTXTextViewInspector::focusNextPrevChild(bool)
{
    return false;
}

bool NTXTextViewInspector::event(QEvent *event)
try {
    // New fonts lay the whole text out again, with no change of its contents.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        scheduleLayout();
    if (event->type() == QEvent::ShortcutOverride && isEditing()) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Alt with a letter is a menu's mnemonic (Alt+E opens Edit), not typing; AltGr's
        // characters come with the group switch, not Alt.
        const bool typing = !key->text().isEmpty()
            && !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier));
        if (typing || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete || key->matches(QKeySequence::Paste) ||
            key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QTextEdit::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void NTXTextViewInspector::keyPressEvent(QKeyEvent *event)
try {
    if (m_completer && m_completer->popup() && m_completer->popup()->isVisible()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    event->accept();
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier))) {
        insertBacktab();
        return;
    }
    if (key == Qt::Key_Tab && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        insertTab();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        insertNewline();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        // Read without holding the window (another program may own the clipboard); the
        // text comes back through insertPastedText().
        platform::ClipboardPaste::paste(this);
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        if (isEditing() && selectedRange().length > 0) {
            copy();
            replaceSelection(QString());
        }
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        const Range edited = currentEditingCharRange();
        if (!edited.isNotFound())
            setSelectedRange(edited);
        return;
    }
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return;
    static const QList<std::pair<QKeySequence::StandardKey, QTextCursor::MoveOperation>> deletions{
        {QKeySequence::Delete, QTextCursor::NextCharacter},
        {QKeySequence::Backspace, QTextCursor::PreviousCharacter},
        {QKeySequence::DeleteStartOfWord, QTextCursor::StartOfWord},
        {QKeySequence::DeleteEndOfWord, QTextCursor::EndOfWord},
        {QKeySequence::DeleteEndOfLine, QTextCursor::EndOfLine},
        {QKeySequence::DeleteCompleteLine, QTextCursor::StartOfLine},
    };
    const bool plainBackspace = key == Qt::Key_Backspace && !(modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    for (const auto &[sequence, move] : deletions) {
        if (!event->matches(sequence) && !(plainBackspace && sequence == QKeySequence::Backspace))
            continue;
        Range range = selectedRange();
        if (range.length == 0) {
            QTextCursor cursor = textCursor();
            cursor.movePosition(move, QTextCursor::KeepAnchor);
            range = Range(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
            const Range edited = currentEditingCharRange();
            if (!edited.isNotFound() && range.length > 0) {
                // A word or line deletion stops at the edges of the value.
                const qsizetype from = std::max(range.location, edited.location);
                const qsizetype to = std::min(range.max(), edited.max());
                range = Range(from, std::max<qsizetype>(0, to - from));
            }
        }
        if (range.length > 0)
            replaceRange(range, QString());
        restartCaretBlink();
        viewport()->update();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && typed.at(0).isPrint()) {
        auto *field = qobject_cast<NTXTextViewInspectorTextField *>(activeField());
        replaceSelection(sanitizedInput(typed, field && field->supportNewLine()));
        return;
    }
    QTextEdit::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void NTXTextViewInspector::inputMethodEvent(QInputMethodEvent *event)
try {
    event->accept();
    const QString commit = event->commitString();
    if (commit.isEmpty())
        return;
    auto *field = qobject_cast<NTXTextViewInspectorTextField *>(activeField());
    replaceSelection(sanitizedInput(commit, field && field->supportNewLine()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "inputMethodEvent");
}

bool NTXTextViewInspector::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

void NTXTextViewInspector::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText() || !isEditing())
        return;
    auto *field = qobject_cast<NTXTextViewInspectorTextField *>(activeField());
    const QString pasted = sanitizedInput(source->text(), field && field->supportNewLine());
    if (!pasted.isEmpty())
        replaceSelection(pasted);
}

void NTXTextViewInspector::insertPastedText(const QString &text)
{
    QMimeData pasted;
    pasted.setText(text);
    insertFromMimeData(&pasted);
}

void NTXTextViewInspector::contextMenuEvent(QContextMenuEvent *event)
try {
    event->ignore();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "contextMenuEvent");
}

qsizetype NTXTextViewInspector::characterIndexAt(const QPoint &viewportPoint) const
{
    const QPointF point = viewportPoint + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QTextDocument &doc = text();
    const int position = doc.documentLayout()->hitTest(point, Qt::FuzzyHit);
    if (position < 0)
        return 0;
    const QTextBlock block = doc.findBlock(position);
    if (!block.isValid() || !block.layout() || position <= block.position())
        return position;
    const QTextLayout *layout = block.layout();
    const int offset = position - block.position();
    const QTextLine line = layout->lineForTextPosition(offset);
    if (line.isValid() && offset > line.textStart() &&
        point.x() < layout->position().x() + line.cursorToX(offset))
        return position - 1;
    return position;
}

void NTXTextViewInspector::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const qsizetype clicked = characterIndexAt(event->position().toPoint());
    // A click on a field's row beside its value (to the right of a short text, in the
    // gap before it) is a click on the value: the whole row takes it.
    const Range beside = valueOfRowAt(event->position().toPoint(), clicked);
    const bool onValue = Text::valueAt(text(), Text::PlaceholderProperty, clicked).isValid();
    const qsizetype index = onValue || beside.isNotFound() ? clicked : beside.location;
    const QVariant placeholder = Text::valueAt(text(), Text::PlaceholderProperty, index);
    NTXTextViewInspectorField *field = fieldAtIndex(index);
    const Range run = Text::runAt(text(), Text::PlaceholderProperty, index);
    if (m_editableState) {
        const auto *textField = qobject_cast<const NTXTextViewInspectorTextField *>(field);
        if (textField && textField->isShownCut())
            giveBackClickFocus();
        if (field && (!field->isEditable() || (textField && textField->isShownCut())))
            return;
        setFocus(Qt::MouseFocusReason);
        if (run.location != m_currentEditedStartLocation || run.isNotFound()) {
            endEditing();
            if (placeholder.isValid() && !run.isNotFound())
                setSelectedRange(run);
            else
                setSelectedRange(Range(0, 0));
            return;
        }
        if (!onValue) {
            // Beside the value being edited: the caret goes to its nearer end.
            setSelectedRange(Range(clicked > run.location ? run.max() : run.location, 0));
            return;
        }
        QTextEdit::mousePressEvent(event);
        return;
    }
    auto *delegate = dynamic_cast<NTXTextViewInspectorDelegate *>(m_inspectorDelegate.data());
    if (!delegate)
        return;
    if (field && field->shouldBeEditableWithEditableState(true) &&
        (!field->compoundField() || field->compoundField()->shouldBeEditableWithEditableState(true)))
        m_fieldToEdit = field;
    delegate->delegateShouldChangeEditStateForTextViewInspector(this);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

Range NTXTextViewInspector::valueOfRowAt(const QPoint &viewportPoint, qsizetype index) const
{
    const QTextDocument &doc = text();
    if (index < 0 || index > Text::length(doc) || Text::valueAt(doc, Text::LabelProperty, index).isValid())
        return Range();
    const QTextBlock block = doc.findBlock(int(index));
    if (!block.isValid())
        return Range();
    // On the row itself, not above or below all rows.
    const QRectF row = doc.documentLayout()->blockBoundingRect(block);
    const qreal y = viewportPoint.y() + verticalScrollBar()->value();
    if (y < row.top() || y > row.bottom())
        return Range();
    // The value nearest before the index on the row, else the first one after it.
    Range found;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid() || !fragment.charFormat().hasProperty(Text::PlaceholderProperty))
            continue;
        const Range value = Text::runAt(doc, Text::PlaceholderProperty, fragment.position());
        if (found.isNotFound() || value.location <= index)
            found = value;
        if (value.location > index)
            break;
    }
    return found;
}

void NTXTextViewInspector::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::MiddleButton) {
        QTextEdit::mouseReleaseEvent(event);
        return;
    }
    // The middle button's paste of the selection (X11): into the field being edited,
    // where the button was let go, read without holding the window (Qt's own would read
    // it here and wait for the program that holds it); the text comes back through
    // insertPastedText(). Elsewhere it does nothing.
    event->accept();
    const Range edited = currentEditingCharRange();
    const qsizetype index = characterIndexAt(event->position().toPoint());
    if (!m_editableState || edited.isNotFound() || index < edited.location || index > edited.location + edited.length
        || !QGuiApplication::clipboard()->supportsSelection())
        return;
    setSelectedRange(Range(index, 0));
    platform::ClipboardPaste::pasteSelection(this);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void NTXTextViewInspector::mouseDoubleClickEvent(QMouseEvent *event)
try {
    const qsizetype index = characterIndexAt(event->position().toPoint());
    if (isEditing() && currentEditingCharRange().contains(index)) {
        QTextEdit::mouseDoubleClickEvent(event);
        return;
    }
    // A value shown cut opens whole in a dialog of its own.
    auto *cut = qobject_cast<NTXTextViewInspectorTextField *>(fieldAtIndex(index));
    if (event->button() == Qt::LeftButton && cut && cut->isShownCut()
        && Text::valueAt(text(), Text::PlaceholderProperty, index).isValid()) {
        giveBackClickFocus();
        openWholeValueOfField(cut);
        return;
    }
    mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseDoubleClickEvent");
}

void NTXTextViewInspector::focusOutEvent(QFocusEvent *event)
try {
    // A menu, or another window taking the keyboard (an alert, the desktop's switch),
    // leaves the edit open, as the person left it: it is handed over when the field
    // is left, or when the document asks for it (saves, closing, the revert).
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        endEditing();
    QTextEdit::focusOutEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "focusOutEvent");
}

void NTXTextViewInspector::giveBackClickFocus()
{
    if (hasFocus() && !isEditing() && m_focusBeforeClick && m_focusBeforeClick->isVisible()
        && m_focusBeforeClick->window() == window())
        m_focusBeforeClick->setFocus(Qt::OtherFocusReason);
}

void NTXTextViewInspector::focusInEvent(QFocusEvent *event)
try {
    m_focusInByClick = event->reason() == Qt::MouseFocusReason;
    QTextEdit::focusInEvent(event);
    restartCaretBlink();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "focusInEvent");
}

void NTXTextViewInspector::resizeEvent(QResizeEvent *event)
try {
    QTextEdit::resizeEvent(event);
    layoutAttachments();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void NTXTextViewInspector::scrollContentsBy(int dx, int dy)
{
    QTextEdit::scrollContentsBy(dx, dy);
    layoutAttachments();
}

void NTXTextViewInspector::scheduleLayout(Range changed, qsizetype removed)
{
    if (changed.isNotFound()) {
        m_layoutWhole = true;
    } else if (m_layoutChanged.isNotFound()) {
        m_layoutChanged = changed;
    } else {
        // The pending range in today's positions, joined with the new change.
        qsizetype start = m_layoutChanged.location;
        qsizetype end = m_layoutChanged.max();
        if (changed.location <= end)
            end = std::max(end + changed.length - removed, changed.max());
        else
            end = changed.max();
        start = std::min(start, changed.location);
        m_layoutChanged = Range(start, std::max<qsizetype>(0, end - start));
    }
    if (m_layoutScheduled)
        return;
    m_layoutScheduled = true;
    QMetaObject::invokeMethod(
        this,
        platform::ExceptionBoundary::guarded(this, "a queued call", [this] {
            m_layoutScheduled = false;
            const Range pending = std::exchange(m_layoutChanged, Range());
            if (std::exchange(m_layoutWhole, false) || containerWidth() != m_laidOutWidth)
                layoutAttachments();
            else if (!pending.isNotFound())
                layoutAttachmentsInRange(pending);
        }),
        Qt::QueuedConnection);
}

void NTXTextViewInspector::layoutAttachmentsInRange(Range range)
{
    if (m_placing || !m_layoutManager)
        return;
    if (containerWidth() != m_laidOutWidth) {
        layoutAttachments();
        return;
    }
    QTextDocument &doc = text();
    const qsizetype length = Text::length(doc);
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, length);
    range = Range(from, std::clamp<qsizetype>(range.length, 0, length - from));
    bool whole = false;
    m_placing = true;
    {
        InternalChange change(*this);
        if (adjustViewWidths(range))
            doc.markContentsDirty(int(range.location), int(range.length));
        qsizetype end = range.max();
        m_typesetter->layOutLines(doc, m_visibleFieldsArray, m_maxLabelWidth, range, &end);
        const QTextBlock first = doc.findBlock(int(std::min(range.location, std::max<qsizetype>(0, length - 1))));
        const qsizetype start = first.isValid() ? std::min<qsizetype>(first.position(), range.location) : range.location;
        const Range placed(start, std::max(end, range.max()) - start);
        m_layoutManager->showAttachmentCells(doc, viewport(), scrollOffset(), placed);
        if (!m_owedFields.isEmpty())
            for (QWidget *view : viewsInCharacterRange(placed))
                m_owedFields.remove(m_viewFields.value(view));
        whole = !moveFieldsFrom(end);
    }
    m_placing = false;
    if (whole)
        layoutAttachments();
}

QPointF NTXTextViewInspector::scrollOffset() const
{
    return QPointF(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

bool NTXTextViewInspector::moveFieldsFrom(qsizetype position)
{
    QTextDocument &doc = text();
    if (position >= Text::length(doc))
        return true;
    const QTextBlock block = doc.findBlock(int(position));
    NTXTextViewInspectorField *first = fieldAtIndex(block.position());
    const auto found = std::find_if(m_visibleFieldsArray.cbegin(), m_visibleFieldsArray.cend(),
                                    [first](const FieldPtr &field) { return first && field.get() == first; });
    const qsizetype index = found == m_visibleFieldsArray.cend() ? -1 : found - m_visibleFieldsArray.cbegin();
    if (index < 0)
        return false;
    const QRectF before = first->lineFragmentRect();
    const std::optional<QRectF> now = NTXTextViewInspectorTypesetter::lastLineOfField(doc, block, first);
    if (!now || before.isNull())
        return false;
    const qreal dy = now->y() - before.y();
    if (dy == 0)
        return true;
    // Controls sit on whole points: a move by a fraction is laid out again instead.
    if (dy != std::round(dy))
        return false;
    // Only the controls of fields near the view (before or after the move) are moved:
    // a move costs Qt far more than this loop. A field further off owes the move, and
    // its controls are placed when a change brings it near or at the next whole pass
    // (every scroll and resize makes one).
    const QWidget *container = viewport();
    // A control stands on its line, and reaches past it by less than its height.
    const qreal slack = m_tallestView + 1;
    const qreal top = verticalScrollBar()->value() - slack;
    const qreal bottom = verticalScrollBar()->value() + container->height() + slack;
    const auto far = [&](const QRectF &line) { return line.bottom() < top || line.top() > bottom; };
    for (qsizetype i = index; i < m_visibleFieldsArray.size(); ++i) {
        NTXTextViewInspectorField *field = m_visibleFieldsArray.at(i).get();
        const QRectF rect = field->lineFragmentRect();
        const QRectF moved = rect.translated(0, dy);
        if (!rect.isNull())
            field->setLineFragmentRect(moved);
        const auto views = m_fieldViews.constFind(field);
        if (views == m_fieldViews.cend())
            continue;
        if (!rect.isNull() && far(rect) && far(moved)) {
            m_owedFields[field] += int(dy);
            continue;
        }
        const int owed = int(dy) + m_owedFields.take(field);
        for (const QPointer<QWidget> &view : *views) {
            if (view && view->parentWidget() == container && !view->isHidden()) {
                view->move(view->pos() + QPoint(0, owed));
                m_tallestView = std::max(m_tallestView, view->height());
            }
        }
    }
    return true;
}

void NTXTextViewInspector::layoutAttachments()
{
    if (m_placing || !m_layoutManager)
        return;
    m_placing = true;
    {
        InternalChange change(*this);
        if (adjustViewWidths())
            text().markContentsDirty(0, int(Text::length(text())));
        m_laidOutWidth = containerWidth();
        m_typesetter->layOutLines(text(), m_visibleFieldsArray, m_maxLabelWidth);
        m_layoutManager->showAttachmentCells(text(), viewport(), scrollOffset());
        m_owedFields.clear();
    }
    m_placing = false;
}

// ---- Caret, raised editor and selection ----

void NTXTextViewInspector::restartCaretBlink()
{
    m_caretVisible = true;
    if (m_caretTimer)
        killTimer(m_caretTimer);
    m_caretTimer = 0;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash > 0 && isEditing() && hasFocus())
        m_caretTimer = startTimer(flash / 2);
}

void NTXTextViewInspector::timerEvent(QTimerEvent *event)
try {
    if (event->timerId() == m_caretTimer) {
        m_caretVisible = !m_caretVisible;
        viewport()->update();
        return;
    }
    QTextEdit::timerEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "timerEvent");
}

void NTXTextViewInspector::calcSelectedRect()
{
    const Range range = currentEditingCharRange();
    if (range.isNotFound() || range.length == 0) {
        m_selectedRect = QRectF();
        return;
    }
    const QTextDocument &doc = text();
    QRectF rect;
    QRectF first;
    QRectF last;
    for (QTextBlock block = doc.findBlock(int(range.location)); block.isValid() && block.position() < range.max();
         block = block.next()) {
        doc.documentLayout()->blockBoundingRect(block);
        const QTextLayout *layout = block.layout();
        if (!layout)
            continue;
        for (int n = 0; n < layout->lineCount(); ++n) {
            const QTextLine line = layout->lineAt(n);
            const qsizetype lineStart = block.position() + line.textStart();
            const qsizetype lineEnd = lineStart + line.textLength();
            const qsizetype from = std::max(lineStart, range.location);
            const qsizetype to = std::min(lineEnd, range.max());
            if (to <= from)
                continue;
            const qreal x1 = line.cursorToX(int(from - block.position()));
            const qreal x2 = line.cursorToX(int(to - block.position()));
            const QRectF part =
                QRectF(std::min(x1, x2), line.y(), std::abs(x2 - x1), line.height()).translated(layout->position());
            if (first.isNull())
                first = part;
            last = part;
            rect = rect.isNull() ? part : rect.united(part);
        }
    }
    if (Text::text(doc, Range(range.max() - 1, 1)) == QString(QChar(QChar::LineSeparator)) && !first.isNull())
        rect = rect.united(QRectF(first.x(), last.y() + first.height(), last.width(), last.height()));
    m_selectedRect = rect;
}

QImage NTXTextViewInspector::shadowImageAroundPath(const QPainterPath &path) const
{
    const QRectF bounds = path.boundingRect();
    const QSize imageSize(int(std::ceil(bounds.width())) + 30, int(std::ceil(bounds.height())) + 30);
    const qreal ratio = devicePixelRatioF();
    QImage image(imageSize * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (path.isEmpty())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(15 - bounds.x(), 15 - bounds.y());
    if (hasFocus() && window()->isActiveWindow()) {
        const platform::Shadow shadow(QSizeF(0, -4.479167), 5.520833, QColor(0, 0, 0, 85));
        shadow.drawWithShadow(painter, bounds.adjusted(-15, -15, 15, 15),
                              [&](QPainter &p) { p.fillPath(path, Qt::white); });
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(path, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(QColor::fromRgbF(0.6f, 0.6f, 0.6f), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    return image;
}

void NTXTextViewInspector::drawRaisedEditorIfNecessaryInRect(QPainter &painter, const QRectF &) const
{
    if (m_selectedRect.isNull())
        return;
    const QRectF r = m_selectedRect.adjusted(-2, -2, 2, 2);
    QPainterPath path;
    path.addRect(QRectF(0, 0, std::floor(r.width() + 0.5), std::floor(r.height() + 0.5)));
    painter.drawImage(QPointF(r.x() - 15, r.y() - 15), shadowImageAroundPath(path));
}

void NTXTextViewInspector::paintEvent(QPaintEvent *event)
try {
    calcSelectedRect();
    QPainter painter(viewport());
    const QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-offset);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, Qt::black);
    context.clip = QRectF(event->rect()).translated(offset);
    painter.setClipRect(context.clip);
    const bool caret = shouldDrawInsertionPoint() && hasFocus() && m_caretVisible && !textCursor().hasSelection();
    context.cursorPosition = caret ? textCursor().position() : -1;
    if (!m_rollover.isEmpty())
        painter.fillPath(m_rollover, QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    text().documentLayout()->draw(&painter, context);
    if (textCursor().hasSelection() && !m_selectedRect.isNull()) {
        // The selection shows only inside the raised editor.
        painter.save();
        painter.setClipRect(m_selectedRect.intersected(context.clip));
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = textCursor();
        selection.format.setBackground(context.palette.brush(QPalette::Highlight));
        selection.format.setForeground(context.palette.brush(QPalette::HighlightedText));
        context.selections.append(selection);
        context.cursorPosition = -1;
        text().documentLayout()->draw(&painter, context);
        painter.restore();
    }
    drawRaisedEditorIfNecessaryInRect(painter, context.clip);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

// ---- Rollover ----

QPainterPath NTXTextViewInspector::rolloverForCharacterRange(Range range) const
{
    QPainterPath path;
    if (range.isNotFound() || range.length <= 0 || !range.fitsIn(Text::length(text())))
        return path;
    QTextCursor cursor(&text());
    cursor.setPosition(int(range.location));
    QRectF rect = cursorRect(cursor);
    cursor.setPosition(int(range.max()));
    rect = rect.united(cursorRect(cursor));
    rect.translate(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const qreal radius = rect.height() * 0.5;
    path.moveTo(rect.x(), rect.y());
    path.arcTo(QRectF(rect.x() - radius, rect.y(), 2 * radius, rect.height()), 90, 180);
    path.lineTo(rect.right(), rect.bottom());
    path.arcTo(QRectF(rect.right() - radius, rect.y(), 2 * radius, rect.height()), 270, 180);
    path.closeSubpath();
    return path;
}

void NTXTextViewInspector::setRollover(const QPainterPath &path)
{
    m_rollover = path;
    viewport()->update();
}

QTextCharFormat NTXTextViewInspector::rolloverAttributes()
{
    static const QTextCharFormat attributes = [] {
        QTextCharFormat format;
        format.setForeground(Qt::white);
        return format;
    }();
    return attributes;
}

// ---- Completion ----

void NTXTextViewInspector::startCompletionTimer()
{
    NTXTextViewInspectorField *field = activeField();
    if (!field)
        return;
    if (auto *textField = qobject_cast<NTXTextViewInspectorTextField *>(field); textField && !textField->supportTextCompletion())
        return;
    m_completionTimer.start();
}

void NTXTextViewInspector::stopCompletionTimer()
{
    m_completionTimer.stop();
}

Range NTXTextViewInspector::wordRangeBeforeCaret() const
{
    const Range edited = currentEditingCharRange();
    const Range selection = selectedRange();
    if (edited.isNotFound() || selection.length != 0)
        return Range();
    const QString value = Text::text(text(), edited);
    qsizetype start = selection.location - edited.location;
    const qsizetype end = start;
    while (start > 0 && (value.at(start - 1).isLetterOrNumber() || value.at(start - 1) == QLatin1Char('_')))
        --start;
    return Range(edited.location + start, end - start);
}

QStringList NTXTextViewInspector::completionsForPartialWordRange(Range range, int *indexOfSelectedItem) const
{
    auto *field = qobject_cast<NTXTextViewInspectorTextField *>(activeField());
    if (!field || range.isNotFound() || range.length == 0)
        return {};
    return field->completionsForPartialString(Text::text(text(), range), indexOfSelectedItem);
}

void NTXTextViewInspector::doCompletion()
{
    stopCompletionTimer();
    const Range word = wordRangeBeforeCaret();
    int selected = -1;
    const QStringList completions = completionsForPartialWordRange(word, &selected);
    if (completions.isEmpty())
        return;
    if (!m_completer) {
        m_completer = new QCompleter(this);
        m_completer->setWidget(this);
        m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
                platform::ExceptionBoundary::guarded(this, "completionChosen", &NTXTextViewInspector::completionChosen));
    }
    m_completer->setModel(new QStringListModel(completions, m_completer));
    m_completer->setProperty("ntxWordRange", QVariant::fromValue(QPoint(int(word.location), int(word.length))));
    QRect rect = cursorRect();
    rect.setWidth(160);
    m_completer->complete(rect);
    if (selected >= 0 && selected < completions.size())
        m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(selected, 0));
}

void NTXTextViewInspector::completionChosen(const QString &completion)
{
    const QPoint word = m_completer ? m_completer->property("ntxWordRange").toPoint() : QPoint();
    const Range range(word.x(), word.y());
    const Range edited = currentEditingCharRange();
    if (edited.isNotFound() || range.location < edited.location || range.max() > edited.max())
        return;
    auto *field = qobject_cast<NTXTextViewInspectorTextField *>(activeField());
    replaceRange(range, sanitizedInput(completion, field && field->supportNewLine()));
}
