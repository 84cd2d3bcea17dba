#include "platform/drawing/WholeTextEdit.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

namespace platform {

namespace {

// On a paragraph's format: the paragraph goes on from the one before, with no break
// between them in the text.
constexpr int JoinedProperty = QTextFormat::UserProperty + 0x5754;
// On a paragraph's format: the break before it when that is not an LF.
constexpr int BreakProperty = QTextFormat::UserProperty + 0x5755;

constexpr char16_t ParagraphSeparator = 0x2029;
// Qt's frame marks: its text cursor makes a paragraph of each, so they are kept as
// breaks are.
constexpr char16_t BeginningOfFrame = 0xFDD0;
constexpr char16_t EndOfFrame = 0xFDD1;

// The length of the break at the index (CR LF is one), 0 when none starts there.
qsizetype breakAt(QStringView text, qsizetype at)
{
    switch (text.at(at).unicode()) {
    case '\r':
        return at + 1 < text.size() && text.at(at + 1) == QLatin1Char('\n') ? 2 : 1;
    case '\n':
    case ParagraphSeparator:
    case BeginningOfFrame:
    case EndOfFrame:
        return 1;
    default:
        return 0;
    }
}

QTextBlockFormat formatAfterBreak(QStringView brk)
{
    QTextBlockFormat format;
    if (brk != u"\n")
        format.setProperty(BreakProperty, brk.toString());
    return format;
}

QTextBlockFormat joinedFormat()
{
    QTextBlockFormat format;
    format.setProperty(JoinedProperty, true);
    return format;
}

bool isJoined(const QTextBlock &block)
{
    return block.isValid() && block.blockFormat().boolProperty(JoinedProperty);
}

// The break before the block (none for the first one or a parting).
QString breakBefore(const QTextBlock &block)
{
    if (!block.previous().isValid() || isJoined(block))
        return QString();
    const QTextBlockFormat format = block.blockFormat();
    return format.hasProperty(BreakProperty) ? format.stringProperty(BreakProperty) : QStringLiteral("\n");
}

bool isBlank(QChar c)
{
    return c.isSpace() && c != QChar::Nbsp && c.unicode() != 0x2007 && c.unicode() != 0x202F;
}

// Whether the unit at the index goes with the character before it.
bool continuesCharacter(QStringView text, qsizetype at)
{
    const QChar c = text.at(at);
    if (c.isLowSurrogate())
        return text.at(at - 1).isHighSurrogate();
    char32_t codePoint = c.unicode();
    if (c.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        codePoint = QChar::surrogateToUcs4(c, text.at(at + 1));
    return QChar::isMark(codePoint);
}

// Where a run longer than the longest paragraph is parted: after the last blank in
// its second half, else before the character the limit falls in.
qsizetype partingOf(QStringView run, qsizetype longest)
{
    for (qsizetype i = longest - 1; i >= longest / 2; --i) {
        if (isBlank(run.at(i)))
            return i + 1;
    }
    qsizetype at = longest;
    while (at > 1 && continuesCharacter(run, at))
        --at;
    if (at == 1 && continuesCharacter(run, 1)) {
        // A character of more marks than a paragraph holds: parted among its marks,
        // never inside a surrogate pair.
        at = longest;
        if (run.at(at).isLowSurrogate())
            --at;
    }
    return at;
}

// Inserts the text at the cursor: a paragraph for each break (with the break it
// stands for), and runs longer than the longest paragraph parted.
void insertInParagraphs(QTextCursor &cursor, QStringView text, qsizetype longest)
{
    const QTextCharFormat chars = cursor.charFormat();
    auto insertRun = [&](QStringView run) {
        while (run.size() > longest) {
            const qsizetype at = partingOf(run, longest);
            cursor.insertText(run.left(at).toString(), chars);
            cursor.insertBlock(joinedFormat(), chars);
            run = run.mid(at);
        }
        if (!run.isEmpty())
            cursor.insertText(run.toString(), chars);
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = breakAt(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        insertRun(text.mid(start, i - start));
        cursor.insertBlock(formatAfterBreak(text.mid(i, length)), chars);
        i += length;
        start = i;
    }
    insertRun(text.mid(start));
}

} // namespace

WholeTextEdit::WholeTextEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    rememberParagraphs();
    connect(document(), &QTextDocument::contentsChange, this,
            ExceptionBoundary::guarded(this, "contentsChange", [this](int position, int removed, int) {
                if (m_adjusting)
                    return;
                if (removed > 0)
                    keepBreakAfterChange(position, removed);
                rememberParagraphs();
            }));
}

void WholeTextEdit::rememberParagraphs()
{
    m_paragraphStarts.clear();
    m_paragraphFormats.clear();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        m_paragraphStarts.append(block.position());
        m_paragraphFormats.append(block.blockFormat());
    }
}

void WholeTextEdit::keepBreakAfterChange(int position, int)
{
    // The paragraph the removal began in, as it was.
    const auto after = std::upper_bound(m_paragraphStarts.cbegin(), m_paragraphStarts.cend(), position);
    if (after == m_paragraphStarts.cbegin())
        return;
    const qsizetype index = (after - m_paragraphStarts.cbegin()) - 1;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid() || block.position() != m_paragraphStarts.at(index))
        return;
    const QTextBlockFormat before = m_paragraphFormats.at(index);
    if (block.blockFormat().boolProperty(JoinedProperty) == before.boolProperty(JoinedProperty)
        && block.blockFormat().property(BreakProperty) == before.property(BreakProperty))
        return;
    m_adjusting = true;
    QTextCursor cursor(block);
    cursor.joinPreviousEditBlock();
    cursor.setBlockFormat(before);
    cursor.endEditBlock();
    m_adjusting = false;
}

void WholeTextEdit::setLongestBlock(int units)
{
    m_longestBlock = std::max(units, 2);
}

void WholeTextEdit::setWholeText(const QString &text)
{
    QTextDocument *doc = document();
    m_adjusting = true;
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    insertInParagraphs(cursor, text, m_longestBlock);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
    m_adjusting = false;
    rememberParagraphs();
    doc->setModified(false);
    setTextCursor(QTextCursor(doc));
}

QString WholeTextEdit::wholeText() const
{
    const QTextDocument *doc = document();
    QString text;
    text.reserve(doc->characterCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        text += breakBefore(block);
        text += block.text();
    }
    return text;
}

int WholeTextEdit::documentPosition(qsizetype position) const
{
    qsizetype left = std::max<qsizetype>(position, 0);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        left -= breakBefore(block).size();
        // Inside a CR LF: before it.
        if (left < 0)
            return block.position() - 1;
        if (left <= block.text().size())
            return block.position() + int(left);
        left -= block.text().size();
    }
    return document()->characterCount() - 1;
}

void WholeTextEdit::moveCaretTo(qsizetype position)
{
    selectWhole(position, position);
}

void WholeTextEdit::selectWhole(qsizetype anchor, qsizetype position)
{
    QTextCursor cursor(document());
    cursor.setPosition(documentPosition(anchor));
    cursor.setPosition(documentPosition(position), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

qsizetype WholeTextEdit::wholeCaretPosition() const
{
    const int caret = textCursor().position();
    qsizetype position = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        position += breakBefore(block).size();
        if (caret <= block.position() + block.length() - 1)
            return position + (caret - block.position());
        position += block.text().size();
    }
    return position;
}

QString WholeTextEdit::textBetween(int from, int to) const
{
    QString text;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from)
            text += breakBefore(block);
        const int start = std::max(from, block.position()) - block.position();
        const int end = std::min(to, block.position() + block.length() - 1) - block.position();
        if (end > start)
            text += block.text().mid(start, end - start);
    }
    return text;
}

void WholeTextEdit::insertWhole(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertInParagraphs(cursor, text, m_longestBlock);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void WholeTextEdit::keyPressEvent(QKeyEvent *event)
try {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool writable = !isReadOnly();
    if (writable && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        // A break of the text: an LF, whatever parting the cursor stands at.
        insertWhole(QStringLiteral("\n"));
        event->accept();
        return;
    }
    // A parting is no character: the keys that move or delete by character or word
    // start from its far side.
    const bool selecting = event->matches(QKeySequence::SelectPreviousChar) ||
                           event->matches(QKeySequence::SelectPreviousWord) ||
                           event->matches(QKeySequence::SelectNextChar) || event->matches(QKeySequence::SelectNextWord);
    const bool backward =
        event->matches(QKeySequence::MoveToPreviousChar) || event->matches(QKeySequence::MoveToPreviousWord) ||
        event->matches(QKeySequence::SelectPreviousChar) || event->matches(QKeySequence::SelectPreviousWord) ||
        (writable && ((event->key() == Qt::Key_Backspace && !(modifiers & ~Qt::ShiftModifier)) ||
                      event->matches(QKeySequence::DeleteStartOfWord)));
    const bool forward =
        event->matches(QKeySequence::MoveToNextChar) || event->matches(QKeySequence::MoveToNextWord) ||
        event->matches(QKeySequence::SelectNextChar) || event->matches(QKeySequence::SelectNextWord) ||
        (writable && (event->matches(QKeySequence::Delete) || event->matches(QKeySequence::DeleteEndOfWord) ||
                      event->matches(QKeySequence::DeleteEndOfLine)));
    QTextCursor cursor = textCursor();
    if ((backward || forward) && (selecting || !cursor.hasSelection())) {
        const QTextBlock block = cursor.block();
        const QTextCursor::MoveMode mode = selecting ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
        if (backward && cursor.position() == block.position() && isJoined(block)) {
            cursor.setPosition(block.position() - 1, mode);
            setTextCursor(cursor);
        } else if (forward && cursor.position() == block.position() + block.length() - 1 && isJoined(block.next())) {
            cursor.setPosition(block.next().position(), mode);
            setTextCursor(cursor);
        }
    }
    QPlainTextEdit::keyPressEvent(event);
} catch (...) {
    ExceptionBoundary::caught(this, "keyPressEvent");
}

QMimeData *WholeTextEdit::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    const QTextCursor cursor = textCursor();
    mime->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return mime;
}

void WholeTextEdit::insertFromMimeData(const QMimeData *source)
try {
    if (isReadOnly() || !source || !source->hasText())
        return;
    insertWhole(source->text());
} catch (...) {
    ExceptionBoundary::caught(this, "insertFromMimeData");
}

} // namespace platform
