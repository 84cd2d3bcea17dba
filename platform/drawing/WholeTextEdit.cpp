#include "platform/drawing/WholeTextEdit.h"

#include "platform/drawing/WholeTextParagraphs.h"

#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <deque>

namespace platform {

using namespace WholeTextParagraphs;

namespace {

// On a character's format: it is in an odd run of its paragraph as Qt shapes it.
constexpr int ShapedRunProperty = QTextFormat::UserProperty + 0x5757;

// The break before a paragraph of each of the document's formats met in one walk (by
// Qt's index of the format), read once for each: the paragraphs of a text have few
// formats (a parting's, one for each kind of break). For one walk over a document
// that no edit changes meanwhile.
class BreaksOfFormats
{
public:
    const QString &of(const QTextBlock &block)
    {
        const int index = block.blockFormatIndex();
        for (const auto &[known, brk] : m_known) {
            if (known == index)
                return brk;
        }
        m_known.emplace_back(index, breakOfFormat(block.blockFormat()));
        return m_known.back().second;
    }

private:
    std::deque<std::pair<int, QString>> m_known;
};

} // namespace

WholeTextEdit::WholeTextEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Undo is the editor's own: moving a parting is no step of it.
    document()->setUndoRedoEnabled(false);
    rememberParagraphs();
    // A page key's caret keeps its height in the view until the caret moves otherwise.
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        m_pageTopKept = false;
        // Signalled without moving in the text too (a resize, a moved parting).
        if (rememberedWholePosition(textCursor().position()) != m_columnPosition)
            m_columnPosition = -1;
        placedColumn();
    });
    connect(document(), &QTextDocument::contentsChange, this,
            ExceptionBoundary::guarded(this, "contentsChange", [this](int position, int removed, int added) {
                documentChanged(position, removed, added);
            }));
}

int WholeTextEdit::paragraphKind(const QTextBlock &block, std::vector<std::pair<int, int>> &seen)
{
    const int index = block.blockFormatIndex();
    for (const auto &[known, kind] : seen) {
        if (known == index)
            return kind;
    }
    const QTextBlockFormat format = block.blockFormat();
    auto kind = std::find_if(m_paragraphKinds.cbegin(), m_paragraphKinds.cend(),
                             [&](const ParagraphKind &k) { return k.format == format; });
    if (kind == m_paragraphKinds.cend()) {
        m_paragraphKinds.append({format, breakOfFormat(format)});
        kind = m_paragraphKinds.cend() - 1;
    }
    seen.emplace_back(index, int(kind - m_paragraphKinds.cbegin()));
    return seen.back().second;
}

void WholeTextEdit::rememberParagraphs()
{
    m_paragraphStarts.clear();
    m_paragraphWholeStarts.clear();
    m_paragraphKindOf.clear();
    m_paragraphKinds.clear();
    std::vector<std::pair<int, int>> seen;
    qsizetype whole = 0;
    int position = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const int kind = paragraphKind(block, seen);
        const int length = block.length();
        if (position > 0)
            whole += m_paragraphKinds.at(kind).brk.size();
        m_paragraphStarts.append(position);
        position += length;
        m_paragraphWholeStarts.append(whole);
        m_paragraphKindOf.append(kind);
        whole += length - 1;
    }
}

void WholeTextEdit::rememberChangedParagraphs(int position, int removed, int added)
{
    // The paragraphs before the one the change began in stand as they were; those
    // after the one it ended in moved along with it: only the changed ones are read.
    const auto after = std::upper_bound(m_paragraphStarts.cbegin(), m_paragraphStarts.cend(), position);
    const qsizetype first = std::max<qsizetype>((after - m_paragraphStarts.cbegin()) - 1, 0);
    const qsizetype kept =
        std::upper_bound(m_paragraphStarts.cbegin(), m_paragraphStarts.cend(), position + removed) - m_paragraphStarts.cbegin();
    if (m_paragraphStarts.isEmpty()) {
        rememberParagraphs();
        return;
    }
    QTextBlock block = document()->findBlock(m_paragraphStarts.at(first));
    if (!block.isValid() || block.position() != m_paragraphStarts.at(first)) {
        rememberParagraphs();
        return;
    }
    const int moved = added - removed;
    QList<int> starts;
    QList<qsizetype> wholeStarts;
    QList<int> kinds;
    qsizetype whole = first == 0 ? 0
                                 : m_paragraphWholeStarts.at(first - 1) + (m_paragraphStarts.at(first) - m_paragraphStarts.at(first - 1) - 1);
    std::vector<std::pair<int, int>> seen;
    int start = block.position();
    for (; block.isValid(); block = block.next()) {
        if (kept < m_paragraphStarts.size() && start >= m_paragraphStarts.at(kept) + moved)
            break;
        const int kind = paragraphKind(block, seen);
        const int length = block.length();
        if (start > 0)
            whole += m_paragraphKinds.at(kind).brk.size();
        starts.append(start);
        wholeStarts.append(whole);
        kinds.append(kind);
        whole += length - 1;
        start += length;
    }
    // The first paragraph after the change is where it stood, moved along: else all
    // are read again.
    if (kept < m_paragraphStarts.size()
        && (!block.isValid() || start != m_paragraphStarts.at(kept) + moved
            || !sameBreak(block.blockFormat(), m_paragraphKinds.at(m_paragraphKindOf.at(kept)).format))) {
        rememberParagraphs();
        return;
    }
    const qsizetype wholeMoved = kept < m_paragraphStarts.size() ? whole + breakBefore(block).size() - m_paragraphWholeStarts.at(kept) : 0;
    for (qsizetype i = kept; i < m_paragraphStarts.size(); ++i) {
        m_paragraphStarts[i] += moved;
        m_paragraphWholeStarts[i] += wholeMoved;
    }
    const auto replace = [&](auto &remembered, const auto &read) {
        remembered.remove(first, kept - first);
        remembered.insert(first, read.size(), {});
        std::copy(read.cbegin(), read.cend(), remembered.begin() + first);
    };
    replace(m_paragraphStarts, starts);
    replace(m_paragraphWholeStarts, wholeStarts);
    replace(m_paragraphKindOf, kinds);
}

qsizetype WholeTextEdit::rememberedWholePosition(int position) const
{
    const auto after = std::upper_bound(m_paragraphStarts.cbegin(), m_paragraphStarts.cend(), position);
    if (after == m_paragraphStarts.cbegin())
        return 0;
    const qsizetype index = (after - m_paragraphStarts.cbegin()) - 1;
    return std::min(m_paragraphWholeStarts.at(index) + (position - m_paragraphStarts.at(index)), m_text.size());
}

void WholeTextEdit::documentChanged(int position, int removed, int added)
{
    if (m_adjusting)
        return;
    // Where the change stands in the text, as the paragraphs were before it.
    qsizetype from = rememberedWholePosition(position);
    const qsizetype to = std::max(from, rememberedWholePosition(position + removed));
    if (removed > 0)
        keepBreakAfterChange(position, removed);
    rememberChangedParagraphs(position, removed, added);
    QString inserted = rememberedTextBetween(position, position + added);

    m_mendPending = true;
    ++m_changes;
    // Qt may say more changed than did (a paragraph merged or parted along): what
    // stayed the same at either end is no part of the edit.

    qsizetype head = 0;
    while (from + head < to && head < inserted.size() && m_text.at(from + head) == inserted.at(head))
        ++head;
    qsizetype tail = 0;
    while (from + head < to - tail && head < inserted.size() - tail
           && m_text.at(to - tail - 1) == inserted.at(inserted.size() - tail - 1))
        ++tail;
    if (from + head == to - tail && head == inserted.size() - tail)
        return; // a format, or a parting
    // A CR LF is one break: the edit takes it whole, never a half of it (put back by
    // an undo or a redo, a half would stand beside the other as a break of its own),
    // whether it stood there before the edit or stands there after it. Elsewhere the
    // edit is what changed: an input method's letter for a letter before an LF stays
    // a letter typed.
    const auto at = [this](qsizetype index) { return index >= 0 && index < m_text.size() ? m_text.at(index) : QChar(); };
    if (head > 0 && m_text.at(from + head - 1) == u'\r'
        && (at(from + head) == u'\n' || (head < inserted.size() ? inserted.at(head) : at(to)) == u'\n'))
        --head;
    if (tail > 0 && m_text.at(to - tail) == u'\n'
        && (at(to - tail - 1) == u'\r'
            || (inserted.size() - tail - 1 >= 0 ? inserted.at(inserted.size() - tail - 1) : at(from - 1)) == u'\r'))
        --tail;
    QString gone = m_text.mid(from + head, to - tail - from - head);
    inserted = inserted.mid(head, inserted.size() - head - tail);
    from += head;
    m_text.replace(from, gone.size(), inserted);
    if (!m_undoing)
        keepBreaksApart(from, gone, inserted);
    // A break for the same break (Return over a CR LF after a CR, which stays a CR LF
    // to be shown as it was) leaves the text as it was: no step to undo.
    if (!m_undoing && gone != inserted) {
        // Typing runs into one step, as long as it goes on where it stopped
        // (the change may look smaller: a letter typed over a selection ending in it).
        const bool typing = !m_typed.isEmpty() && m_typed.size() <= 2 && inserted.size() <= m_typed.size()
                            && std::none_of(m_typed.cbegin(), m_typed.cend(), [](QChar c) { return DisplayText::breaksLine(c); });
        const qsizetype typedTo = m_typedAt + m_typed.size();
        Edit *last = m_undo.empty() ? nullptr : &m_undo.back();
        const qsizetype lastEnd = last ? last->at + last->inserted.size() : 0;
        if (typing && gone.isEmpty() && last && last->typing && last->typedTo == m_typedAt && from >= lastEnd) {
            const QString between = m_text.mid(lastEnd, from - lastEnd);
            last->removed += between;
            last->inserted += between + inserted;
            last->typedTo = typedTo;
            m_undoUnits += 2 * between.size() + inserted.size();
            keepUndoBounds();
        } else {
            pushUndo({from, gone, inserted, typing, typedTo});
        }
        m_redo.clear();
    }
    // Edits from elsewhere (the context menu, a drop) are mended once they are over.
    QMetaObject::invokeMethod(this, ExceptionBoundary::guarded(this, "mendPartings", [this] {
        if (m_mendPending)
            mendPartings();
    }), Qt::QueuedConnection);
}

void WholeTextEdit::keepBreaksApart(qsizetype from, QString &gone, QString &inserted)
{
    // Only where the change stands can a CR and an LF have come together: inside the
    // inserted text, or where it meets the text after it.
    qsizetype end = from + inserted.size();
    // The next CR LF from the index whose LF stands no further than `end` (the text
    // after it is not searched: a key in a text of megabytes looks at what it changed).
    const auto next = [&](qsizetype index) -> qsizetype {
        const qsizetype stop = std::min(end + 1, m_text.size());
        if (index >= stop)
            return -1;
        const qsizetype found = QStringView(m_text).mid(index, stop - index).indexOf(u"\r\n");
        return found < 0 ? -1 : index + found;
    };
    for (qsizetype at = next(std::max<qsizetype>(from - 1, 0)); at >= 0; at = next(at + 2)) {
        // The paragraph the LF stands before, when it is one of its own.
        const qsizetype lf = at + 1;
        const auto after = std::lower_bound(m_paragraphWholeStarts.cbegin(), m_paragraphWholeStarts.cend(), lf + 1);
        if (after == m_paragraphWholeStarts.cend() || *after != lf + 1)
            continue;
        // Several paragraphs may start there (partings emptied): the first is the break's.
        const qsizetype index = after - m_paragraphWholeStarts.cbegin();
        if (m_paragraphKinds.at(m_paragraphKindOf.at(index)).brk != QLatin1String("\n"))
            continue;
        const QTextBlock block = document()->findBlock(m_paragraphStarts.at(index));
        if (!block.isValid() || block.position() != m_paragraphStarts.at(index))
            continue;
        m_adjusting = true;
        QTextCursor(block).setBlockFormat(formatAfterBreak(u"\r\n"));
        m_adjusting = false;
        std::vector<std::pair<int, int>> seen;
        m_paragraphKindOf[index] = paragraphKind(block, seen);
        for (qsizetype i = index; i < m_paragraphWholeStarts.size(); ++i)
            ++m_paragraphWholeStarts[i];
        m_text.insert(lf, QLatin1Char('\r'));
        if (lf == end) {
            // The LF after the change: the change takes the whole break, which an
            // undo puts back as it was.
            gone += QLatin1Char('\n');
            inserted += QLatin1String("\r\n");
            ++end;
        } else {
            inserted.insert(lf - from, QLatin1Char('\r'));
        }
        // Past the CR LF this break now is.
        ++at;
        ++end;
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
    const QTextBlockFormat before = m_paragraphKinds.at(m_paragraphKindOf.at(index)).format;
    if (sameBreak(block.blockFormat(), before))
        return;
    m_adjusting = true;
    QTextCursor cursor(block);
    cursor.setBlockFormat(before);
    m_adjusting = false;
}

bool WholeTextEdit::continuesParagraph(const QTextBlock &block)
{
    return isJoined(block);
}

void WholeTextEdit::setLongestBlock(int units)
{
    m_longestBlock = std::max(units, 2);
}

void WholeTextEdit::setWholeText(const QString &text)
{
    QTextDocument *doc = document();
    m_adjusting = true;
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    insertInParagraphs(cursor, text, m_longestBlock);
    cursor.endEditBlock();
    m_adjusting = false;
    m_text = text;
    m_undo.clear();
    m_redo.clear();
    m_undoUnits = 0;
    rememberParagraphs();
    doc->setModified(false);
    setTextCursor(QTextCursor(doc));
    m_mendPending = true;
    mendPartings();
}

int WholeTextEdit::documentPosition(qsizetype position) const
{
    qsizetype left = std::max<qsizetype>(position, 0);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        left -= breakBefore(block).size();
        // Inside a CR LF: before it.
        if (left < 0)
            return block.position() - 1;
        if (left <= block.length() - 1)
            return block.position() + int(left);
        left -= block.length() - 1;
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
    setTextCursor(caretPastParting(cursor));
    // Ends that are one place of the text (one inside a CR LF, the other before it,
    // partings between) select nothing: a key then goes from the caret, as from one.
    dropEmptySelection();
    ensureCursorVisible();
}

QTextCursor WholeTextEdit::caretPastParting(QTextCursor cursor, bool keepColumn)
{
    const QTextBlock block = cursor.block();
    // An empty paragraph after it shows a line of its own until it is mended away.
    if (cursor.position() != block.position() + block.length() - 1 || !isJoined(block.next()) || block.next().length() < 2)
        return cursor;
    const int x = cursor.verticalMovementX();
    cursor.setPosition(block.next().position(), cursor.hasSelection() ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    if (keepColumn)
        cursor.setVerticalMovementX(x);
    return cursor;
}

void WholeTextEdit::showCaretPastParting()
{
    const QTextCursor shown = caretPastParting(textCursor());
    if (shown.position() != textCursor().position())
        setTextCursor(shown);
}

void WholeTextEdit::caretColumnAsShown()
{
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    cursor.setPosition(cursor.anchor());
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    if (cursor.verticalMovementX() != textCursor().verticalMovementX())
        setTextCursor(cursor);
}

void WholeTextEdit::caretAtLineEnd(bool vertical, int from, qreal column, bool extending)
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const int end = block.position() + block.length() - 1;
    const QTextLayout *layout = block.layout();
    if (!isJoined(block.next()) || block.length() < 2 || !layout || layout->lineCount() == 0)
        return;
    const QTextCursor::MoveMode mode = extending ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    if (vertical) {
        // The last line of the paragraph is a plain editor's line that wraps: the
        // column is found in it laid out with what follows the parting.
        const int to = columnOnRow(cursor, column);
        if (to == cursor.position() || cursor.position() == from)
            return;
        const int x = cursor.verticalMovementX();
        cursor.setPosition(to, mode);
        cursor.setVerticalMovementX(x);
        setTextCursor(cursor);
        return;
    }
    if (cursor.position() != end)
        return;
    // End: a line that wraps after blanks ends before the last of them; one wrapped
    // inside a word, at the start of the next line.
    if (document()->characterAt(end - 1).isSpace())
        cursor.setPosition(end - 1, mode);
    else
        cursor = caretPastParting(cursor);
    setTextCursor(cursor);
}

std::unique_ptr<QTextLayout> WholeTextEdit::rowAsWrapped(const QString &row, const QString &following, qreal lineWidth, qreal x) const
{
    qsizetype sample = std::min<qsizetype>(following.size(), 2 * row.size() + 64);
    for (;;) {
        auto layout = std::make_unique<QTextLayout>(row + following.left(sample), document()->defaultFont(), viewport());
        layout->setTextOption(document()->defaultTextOption());
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setLineWidth(lineWidth);
        line.setPosition(QPointF(x, 0));
        // A word longer than the line may go on past the sample: the line is known
        // once it ends before the sample does.
        if (line.textLength() < row.size() + sample || sample == following.size()) {
            // Not the last line, as it is not in a plain editor.
            QTextLine next = layout->createLine();
            if (next.isValid())
                next.setLineWidth(lineWidth);
            layout->endLayout();
            return layout;
        }
        layout->endLayout();
        sample = std::min<qsizetype>(following.size(), 2 * sample);
    }
}

qreal WholeTextEdit::columnOf(const QTextCursor &cursor) const
{
    // The cursor keeps its column to a fraction of a pixel but tells it in whole ones:
    // the exact one is the caret's own place when it was taken there, else the one the
    // last vertical key went by.
    const int told = cursor.verticalMovementX();
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    const int at = cursor.position() - block.position();
    const QTextLine line = layout ? layout->lineForTextPosition(at) : QTextLine();
    const qreal here = line.isValid() ? line.cursorToX(at) : -1;
    // Left where the last vertical key took it, the caret keeps that key's column,
    // though it shows a little aside of it.
    if (told >= 0 && rememberedWholePosition(cursor.position()) == m_columnPosition && int(m_column) == told)
        return m_column;
    if (told < 0 || int(here) == told)
        return here;
    if (int(m_column) == told)
        return m_column;
    // Placed there before the lines changed (a resize, partings moved), the cursor
    // keeps the column the caret had then.
    return rememberedWholePosition(cursor.position()) == m_placedPosition && int(m_placedColumn) == told ? m_placedColumn
                                                                                                         : told;
}

void WholeTextEdit::placedColumn()
{
    // The column Qt's cursor takes where it is placed is the caret's own; not while
    // the editor moves its partings, which leave the column as it was.
    if (m_adjusting)
        return;
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    const int at = cursor.position() - block.position();
    const QTextLine line = layout ? layout->lineForTextPosition(at) : QTextLine();
    const qreal here = line.isValid() ? line.cursorToX(at) : -1;
    const int told = cursor.verticalMovementX();
    const qsizetype position = rememberedWholePosition(cursor.position());
    if (here >= 0 && int(here) == told) {
        m_placedColumn = here;
        m_placedPosition = position;
    } else if (position != m_placedPosition || int(m_placedColumn) != told) {
        // Moved (the partings, a resize, do not move it in the text), or the column
        // taken from elsewhere.
        m_placedColumn = -1;
        m_placedPosition = -1;
    }
}

int WholeTextEdit::columnOnRow(const QTextCursor &cursor, qreal x) const
{
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    if (!isJoined(block.next()) || block.length() < 2 || block.next().length() < 2 || !layout || layout->lineCount() == 0)
        return cursor.position();
    const QTextLine own = layout->lineAt(layout->lineCount() - 1);
    const int rowStart = block.position() + own.textStart();
    // Before the blanks at its end the line is the same (and the column found there is
    // the exact one: the cursor's own goes by fractions of a pixel).
    int last = block.position() + block.length() - 1;
    while (last > rowStart && document()->characterAt(last - 1).isSpace())
        --last;
    if (cursor.position() < last || last == rowStart)
        return cursor.position();
    const QString row = block.text().mid(own.textStart());
    const std::unique_ptr<QTextLayout> wrapped = rowAsWrapped(row, block.next().text(), own.width(), own.x());
    const int at = wrapped->lineAt(0).xToCursor(x);
    return at < row.size() ? rowStart + at : block.next().position();
}

bool WholeTextEdit::lineStep(QTextCursor &cursor, int &shown, qreal x, bool down, QTextCursor::MoveMode mode) const
{
    // From the line the caret shows on (at a parting, the first of the paragraph after
    // it; at a wrap inside a paragraph, the line after the wrap, as Qt counts it) to
    // the one above or below, at the column to the fraction of a pixel, as a plain
    // editor's caret steps: none to go to (the first line, the last), it stays.
    const qsizetype from = rememberedWholePosition(shown);
    QTextBlock block = document()->findBlock(shown);
    const auto laidOut = [this](const QTextBlock &b) {
        QTextLayout *layout = b.layout();
        if (layout && layout->lineCount() == 0)
            (void)document()->documentLayout()->blockBoundingRect(b);
        return layout;
    };
    const QTextLayout *layout = block.isValid() ? laidOut(block) : nullptr;
    if (!layout || layout->lineCount() == 0)
        return false;
    int line = layout->lineForTextPosition(shown - block.position()).lineNumber() + (down ? 1 : -1);
    if (line < 0 || line >= layout->lineCount()) {
        block = down ? block.next() : block.previous();
        layout = block.isValid() ? laidOut(block) : nullptr;
        if (!layout || layout->lineCount() == 0)
            return false;
        line = down ? 0 : layout->lineCount() - 1;
    }
    const int to = block.position() + layout->lineAt(line).xToCursor(x);
    // Qt's own steps keep the column to the fraction of a pixel (the vertical keys
    // after the page keys go by it): taken where they arrive there.
    QTextCursor stepped = cursor;
    if (shown >= cursor.block().position() + cursor.block().length())
        stepped.movePosition(QTextCursor::Down, mode);
    if (stepped.movePosition(down ? QTextCursor::Down : QTextCursor::Up, mode) && stepped.position() == to) {
        cursor = stepped;
    } else {
        const int column = cursor.verticalMovementX();
        cursor.setPosition(to, mode);
        cursor.setVerticalMovementX(column);
    }
    shown = columnOnRow(cursor, x);
    return rememberedWholePosition(shown) != from;
}

void WholeTextEdit::lineAtColumn(int from, int told, qreal column, bool extending)
{
    QTextCursor cursor = textCursor();
    if (told < 0 || column < 0 || column == told || cursor.position() == from)
        return;
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return;
    // The line Qt's key went to by the column it tells (a caret at a wrap Qt counts on
    // the line after it): a key that went to the start or the end of the text instead,
    // or stayed on its line, goes by no column.
    const int at = cursor.position() - block.position();
    QTextLine line = layout->lineForTextPosition(at);
    if (!line.isValid())
        return;
    if (line.xToCursor(told) != at) {
        const QTextLine before = line.lineNumber() > 0 ? layout->lineAt(line.lineNumber() - 1) : QTextLine();
        if (at != line.textStart() || !before.isValid() || before.xToCursor(told) != at)
            return;
        line = before;
    }
    const QTextBlock fromBlock = document()->findBlock(from);
    const QTextLayout *fromLayout = fromBlock.layout();
    if (fromBlock == block && fromLayout
        && fromLayout->lineForTextPosition(from - fromBlock.position()).lineNumber() == line.lineNumber())
        return;
    // The same line at the column to the fraction of a pixel, as a plain editor's
    // caret keeps it.
    const int to = block.position() + line.xToCursor(column);
    if (to == cursor.position())
        return;
    cursor.setPosition(to, extending ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    cursor.setVerticalMovementX(told);
    setTextCursor(cursor);
}

qreal WholeTextEdit::caretTop(int position) const
{
    const QTextBlock block = document()->findBlock(position);
    const QTextLayout *layout = block.layout();
    const QTextLine line = layout ? layout->lineForTextPosition(position - block.position()) : QTextLine();
    return blockBoundingGeometry(block).top() + (line.isValid() ? line.y() : 0);
}

void WholeTextEdit::movePage(bool down, bool extending)
{
    const QTextCursor::MoveMode mode = extending ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    // A mend moves the caret in the document, not in the text.
    const bool kept = m_pageTopKept;
    // The lines it goes over as the plain editor's: the partings in view stand where
    // its lines wrap, before the view moves and after.
    ensureCursorVisible();
    mendPartings();
    QTextCursor cursor = textCursor();
    // The caret keeps its height in the view over a run of page keys.
    const auto shownTop = [this](int position) { return caretTop(position) + contentOffset().y(); };
    int shown = cursor.position();
    m_column = columnOf(cursor);
    if (!kept)
        m_pageTop = shownTop(shown);
    qreal goal = m_pageTop;
    const qreal height = viewport()->height();
    if (down) {
        // All that follows shows: to the last line.
        const qreal bottom = height - contentOffset().y();
        qreal below = 0;
        for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
            const qreal blockHeight = blockBoundingRect(block).height();
            if (below + blockHeight > bottom)
                break;
            if (!block.next().isValid()) {
                goal = bottom;
                break;
            }
            below += blockHeight;
        }
    } else if (verticalScrollBar()->value() == 0) {
        // At the top already: to the first line.
        goal = 0;
    }
    // The view goes a page on, as the scroll bar's page step takes it; then the caret
    // line by line to its height in the view.
    verticalScrollBar()->triggerAction(down ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderPageStepSub);
    mendPartings();
    shown = cursor.position();
    bool moved = false;
    do {
        moved = lineStep(cursor, shown, m_column, down, mode);
    } while (moved && (down ? shownTop(shown) < goal : shownTop(shown) > goal));
    if (shown != cursor.position()) {
        const int x = cursor.verticalMovementX();
        cursor.setPosition(shown, mode);
        cursor.setVerticalMovementX(x);
    }
    setTextCursor(cursor);
    m_pageTopKept = true;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (extending && cursor.hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
}

qsizetype WholeTextEdit::wholeCaretPosition() const
{
    return rememberedWholePosition(textCursor().position());
}

QString WholeTextEdit::documentUnits(int from, int to) const
{
    // Qt may count a change past the end (an input method's): the end's separator is
    // no unit of the text.
    const int last = document()->characterCount() - 1;
    from = std::clamp(from, 0, last);
    to = std::clamp(to, from, last);
    if (to == from)
        return QString();
    // Qt reads a range piece by piece, finding each in its tree; the whole document
    // it copies in one pass over its pieces in order: for a range of a quarter of it
    // or more, the whole is read.
    if (qint64(to - from) * 4 >= document()->characterCount()) {
        QString units = document()->toRawText();
        units.truncate(to);
        units.remove(0, from);
        return units;
    }
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    return range.selectedText();
}

QString WholeTextEdit::textBetween(int from, int to) const
{
    const QString units = documentUnits(from, to);
    QString text;
    text.reserve(units.size());
    BreaksOfFormats breaks;
    // Each paragraph's end given the break it stands for (a parting's none). The
    // blocks' places counted along: asking a block for its own costs a walk of the
    // document's tree each time.
    QTextBlock block = document()->findBlock(from);
    qsizetype taken = 0;
    for (int end = block.isValid() ? block.position() + block.length() - 1 : to; end < to && block.isValid();) {
        text += QStringView(units).mid(taken, end - from - taken);
        taken = end - from + 1;
        block = block.next();
        if (!block.isValid())
            break;
        text += breaks.of(block);
        end += block.length();
    }
    if (taken < units.size())
        text += QStringView(units).mid(taken);
    return text;
}

QString WholeTextEdit::rememberedTextBetween(int from, int to) const
{
    const QString units = documentUnits(from, to);
    QString text;
    text.reserve(units.size());
    // Each paragraph that starts in the range stands after the break of its kind.
    qsizetype taken = 0;
    const qsizetype first = std::upper_bound(m_paragraphStarts.cbegin(), m_paragraphStarts.cend(), from) - m_paragraphStarts.cbegin();
    for (qsizetype i = first; i < m_paragraphStarts.size() && m_paragraphStarts.at(i) <= to; ++i) {
        const int start = m_paragraphStarts.at(i);
        text += QStringView(units).mid(taken, start - 1 - from - taken);
        taken = start - from;
        text += m_paragraphKinds.at(m_paragraphKindOf.at(i)).brk;
    }
    if (taken < units.size())
        text += QStringView(units).mid(taken);
    return text;
}

void WholeTextEdit::insertWhole(const QString &text)
{
    QTextCursor cursor = textCursor();
    const int top = verticalScrollBar()->value();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertInParagraphs(cursor, text, m_longestBlock);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
    // The partings brought into view move to where their lines wrap: the caret is
    // brought into view again from where the view stood, over the lines as they show.
    mendPartings();
    verticalScrollBar()->setValue(top);
    ensureCursorVisible();
}

void WholeTextEdit::replaceWhole(qsizetype at, qsizetype length, const QString &text)
{
    m_undoing = true;
    QTextCursor cursor(document());
    cursor.setPosition(documentPosition(at));
    cursor.setPosition(documentPosition(at + length), QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertInParagraphs(cursor, text, m_longestBlock);
    cursor.endEditBlock();
    m_undoing = false;
    // Brought to the caret, and its partings moved, without painting: a view that
    // paints scrolls what it shows by whole pixels and keeps the rest of the way in its
    // offset, which an undo over moving partings left a pixel off a plain editor's, to
    // stay so with every later text. It paints once, whole, in place.
    viewport()->setUpdatesEnabled(false);
    setTextCursor(cursor);
    ensureCursorVisible();
    mendPartings();
    viewport()->setUpdatesEnabled(true);
    viewport()->update();
    showCaretPastParting();
    caretColumnAsShown();
}

void WholeTextEdit::pushUndo(Edit edit)
{
    m_undoUnits += edit.removed.size() + edit.inserted.size();
    m_undo.push_back(std::move(edit));
    keepUndoBounds();
}

void WholeTextEdit::keepUndoBounds()
{
    // The oldest steps go first; the newest one stays, however long.
    std::size_t dropped = 0;
    while (m_undo.size() - dropped > 1
           && (m_undo.size() - dropped > std::size_t(UndoSteps) || m_undoUnits > UndoUnits)) {
        m_undoUnits -= m_undo[dropped].removed.size() + m_undo[dropped].inserted.size();
        ++dropped;
    }
    m_undo.erase(m_undo.begin(), m_undo.begin() + qsizetype(dropped));
}

void WholeTextEdit::undoEdit()
{
    if (!canUndoEdit())
        return;
    Edit edit = std::move(m_undo.back());
    m_undo.pop_back();
    m_undoUnits -= edit.removed.size() + edit.inserted.size();
    replaceWhole(edit.at, edit.inserted.size(), edit.removed);
    edit.typing = false;
    m_redo.push_back(std::move(edit));
    // Typing after an undo is a step of its own.
    if (!m_undo.empty())
        m_undo.back().typing = false;
}

void WholeTextEdit::redoEdit()
{
    if (!canRedoEdit())
        return;
    Edit edit = std::move(m_redo.back());
    m_redo.pop_back();
    replaceWhole(edit.at, edit.removed.size(), edit.inserted);
    pushUndo(std::move(edit));
}

void WholeTextEdit::mendPartings()
{
    if (m_mending || !isVisible())
        return;
    m_mending = true;
    m_mendPending = false;
    bool moved = false;
    // A change of the paragraphs may move the view (the end comes up): then once more
    // from what shows now.
    for (int pass = 0; pass < 16 && mendPartingsShown(); ++pass)
        moved = true;
    m_mending = false;
    if (moved) {
        rememberParagraphs();
        viewport()->update();
    }
    shapeAsOneParagraph();
}

void WholeTextEdit::shapeAsOneParagraph()
{
    QTextBlock block = firstVisibleBlock();
    if (!block.isValid())
        return;
    // Where the first block shown stands in its paragraph of the text.
    qsizetype offset = 0;
    for (QTextBlock before = block; isJoined(before); before = before.previous())
        offset += before.previous().length() - 1;
    // Runs of an odd count carry the mark: a change of format ends Qt's run there.
    struct Change
    {
        int from;
        int to;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    const QPointF shift = contentOffset();
    const int height = viewport()->height();
    for (; block.isValid(); block = block.next()) {
        if (!isJoined(block))
            offset = 0;
        if (blockBoundingGeometry(block).translated(shift).top() >= height)
            break;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype start = offset + (fragment.position() - block.position());
            for (qsizetype at = start; at < start + fragment.length();) {
                const qsizetype run = at / ShapedRun;
                const qsizetype end = std::min(start + fragment.length(), (run + 1) * ShapedRun);
                const bool odd = run % 2 == 1;
                QTextCharFormat format = fragment.charFormat();
                if (format.boolProperty(ShapedRunProperty) != odd) {
                    if (odd)
                        format.setProperty(ShapedRunProperty, true);
                    else
                        format.clearProperty(ShapedRunProperty);
                    const int position = fragment.position() + int(at - start);
                    changes.push_back({position, position + int(end - at), format});
                }
                at = end;
            }
        }
        offset += block.length() - 1;
    }
    if (changes.empty())
        return;
    const bool modified = document()->isModified();
    m_adjusting = true;
    const auto adjusted = qScopeGuard([this] { m_adjusting = false; });
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const Change &change : changes) {
        cursor.setPosition(change.from);
        cursor.setPosition(change.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
    cursor.endEditBlock();
    document()->setModified(modified);
}

bool WholeTextEdit::mendPartingsShown()
{
    // Where each block shows: its place below the first one shown (as the editor
    // gives it), moved by the view's offset, as painted.
    const QPointF offset = contentOffset();
    const int height = viewport()->height();
    bool moved = false;
    QTextBlock block = firstVisibleBlock();
    // The width a line has: the one the editor's layout gave the first line shown.
    qreal lineWidth = 0;
    if (block.isValid()) {
        (void)blockBoundingGeometry(block);
        if (block.layout() && block.layout()->lineCount() > 0)
            lineWidth = block.layout()->lineAt(0).width();
    }
    int turns = 0;
    while (lineWidth > 0 && block.isValid() && turns++ < 100000) {
        const QRectF shown = blockBoundingGeometry(block).translated(offset);
        if (shown.top() >= height)
            break;
        const int position = block.position();
        if (isJoined(block.next()) && mendPartingAfter(block, lineWidth)) {
            moved = true;
            // Once more: what follows the block changed (its successor may be gone).
            block = document()->findBlock(position);
            continue;
        }
        block = block.next();
    }
    return moved;
}

bool WholeTextEdit::mendPartingAfter(const QTextBlock &block, qreal lineWidth)
{
    const QTextBlock next = block.next();
    const QTextLayout *own = block.layout();
    if (!own || own->lineCount() == 0)
        return false;
    const QString text = block.text();
    const QString following = next.text();
    // The block's last line, laid out with what follows the parting: where its first
    // line ends is where the line wraps.
    const int rowStart = own->lineAt(own->lineCount() - 1).textStart();
    const QString row = text.mid(rowStart);
    qsizetype sample = std::min<qsizetype>(following.size(), 2 * row.size() + 64);
    int lineLength = 0;
    for (;;) {
        QTextLayout layout(row + following.left(sample), document()->defaultFont(), viewport());
        layout.setTextOption(document()->defaultTextOption());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(lineWidth);
        lineLength = line.textLength();
        layout.endLayout();
        if (lineLength < row.size() + sample || sample == following.size())
            break;
        sample = std::min<qsizetype>(following.size(), 2 * sample);
    }
    // An empty paragraph after a parting would show as a line of its own: it goes.
    if (lineLength == row.size() && !following.isEmpty())
        return false;
    // The parting goes there (gone when the line takes all that followed it).
    const int end = rowStart + lineLength;
    // Taken before the edit: Qt drops an empty block whole, and its handle with it.
    const int start = block.position();
    const QTextBlockFormat format = block.blockFormat();
    m_adjusting = true;
    QTextCursor cursor(document());
    // One edit: the cursors (the caret) find their places once, after it.
    cursor.beginEditBlock();
    cursor.setPosition(start + int(text.size()));
    cursor.deleteChar();
    // Qt drops an empty paragraph whole, with what stands before it: the block keeps
    // its own.
    if (!sameBreak(cursor.blockFormat(), format))
        cursor.setBlockFormat(format);
    if (end < text.size() + following.size()) {
        cursor.setPosition(start + end);
        cursor.insertBlock(joinedFormat(), cursor.charFormat());
    }
    cursor.endEditBlock();
    m_adjusting = false;
    return true;
}

void WholeTextEdit::keyPressEvent(QKeyEvent *event)
try {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool writable = !isReadOnly();
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        if (event->matches(QKeySequence::Undo))
            undoEdit();
        else
            redoEdit();
        event->accept();
        return;
    }
    if (writable && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        // A break of the text: an LF, whatever parting the cursor stands at.
        insertWhole(QStringLiteral("\n"));
        event->accept();
        if (m_mendPending)
            mendPartings();
        return;
    }
    // A step by a word looks through partings, as through one paragraph.
    if (wordKey(event))
        return;
    // A parting is no character: the keys that move or delete by character start
    // from its far side.
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
    // The line keys go from where the caret shows: at a parting, the start of the next line.
    const bool endKey = event->matches(QKeySequence::MoveToEndOfLine) || event->matches(QKeySequence::SelectEndOfLine);
    const bool lineKey = event->matches(QKeySequence::MoveToNextLine) || event->matches(QKeySequence::SelectNextLine)
                         || event->matches(QKeySequence::MoveToPreviousLine) || event->matches(QKeySequence::SelectPreviousLine)
                         || event->matches(QKeySequence::MoveToNextPage) || event->matches(QKeySequence::SelectNextPage)
                         || event->matches(QKeySequence::MoveToPreviousPage) || event->matches(QKeySequence::SelectPreviousPage);
    const bool extending = event->matches(QKeySequence::SelectEndOfLine) || event->matches(QKeySequence::SelectNextLine)
                           || event->matches(QKeySequence::SelectPreviousLine) || event->matches(QKeySequence::SelectNextPage)
                           || event->matches(QKeySequence::SelectPreviousPage);
    showCaretPastParting();
    if (lineKey)
        m_column = columnOf(textCursor());
    const Qt::TextInteractionFlags flags = textInteractionFlags();
    const bool pageSelecting = event->matches(QKeySequence::SelectNextPage) || event->matches(QKeySequence::SelectPreviousPage);
    const bool pageMoving = event->matches(QKeySequence::MoveToNextPage) || event->matches(QKeySequence::MoveToPreviousPage);
    const bool pageDown = event->matches(QKeySequence::SelectNextPage) || event->matches(QKeySequence::MoveToNextPage);
    // The page keys are the editor's own, parting or not: Qt's go line by line by the
    // column its cursor tells in whole pixels (one set from the exact column is cut to
    // them), and its steps past a parting count it as a break.
    if ((pageSelecting && (flags & Qt::TextSelectableByKeyboard))
        || (pageMoving && (flags & (Qt::TextSelectableByKeyboard | Qt::TextEditable)))) {
        movePage(pageDown, pageSelecting);
        event->accept();
        dropEmptySelection();
        m_columnPosition = rememberedWholePosition(textCursor().position());
        return;
    }
    const int from = textCursor().position();
    const bool modifierOnly = event->key() == Qt::Key_Shift || event->key() == Qt::Key_Control
                              || event->key() == Qt::Key_Alt || event->key() == Qt::Key_AltGr
                              || event->key() == Qt::Key_Meta || event->key() == Qt::Key_Super_L
                              || event->key() == Qt::Key_Super_R || event->key() == Qt::Key_Hyper_L
                              || event->key() == Qt::Key_Hyper_R || event->key() == Qt::Key_CapsLock;
    const int told = textCursor().verticalMovementX();
    const int changes = m_changes;
    QTextCursor cursor = textCursor();
    if ((backward || forward) && (selecting || !cursor.hasSelection())) {
        const QTextCursor::MoveMode mode = selecting ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
        // Over every parting in the way: empty paragraphs may stand between two.
        int position = cursor.position();
        for (QTextBlock block = cursor.block();;) {
            if (backward && position == block.position() && isJoined(block)) {
                block = block.previous();
                position = block.position() + block.length() - 1;
            } else if (forward && position == block.position() + block.length() - 1 && isJoined(block.next())) {
                block = block.next();
                position = block.position();
            } else {
                break;
            }
        }
        if (position != cursor.position()) {
            // The column the vertical keys go by stays the caret's, as shown.
            const int x = cursor.verticalMovementX();
            cursor.setPosition(position, mode);
            cursor.setVerticalMovementX(x);
            setTextCursor(cursor);
        }
    }
    {
        // What the key types, if anything.
        const QString text = event->text();
        const bool shortcut = (modifiers & Qt::MetaModifier)
                              || ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier));
        m_typed = !shortcut && !text.isEmpty() && (text.front().isPrint() || text.front() == QLatin1Char('\t'))
                      ? text
                      : QString();
        m_typedAt = rememberedWholePosition(textCursor().selectionStart());
        const auto typed = qScopeGuard([this] { m_typed.clear(); });
        QPlainTextEdit::keyPressEvent(event);
    }
    if (lineKey && changes == m_changes)
        lineAtColumn(from, told, m_column, extending);
    if (m_mendPending)
        mendPartings();
    if (lineKey || endKey)
        caretAtLineEnd(lineKey, from, m_column, extending);
    else
        showCaretPastParting();
    if (changes != m_changes)
        caretColumnAsShown();
    dropEmptySelection();
    if (lineKey) {
        m_columnPosition = rememberedWholePosition(textCursor().position());
    } else if (!modifierOnly) {
        // Another key may take the column from the caret's place without moving the
        // caret (Left or Right ending a selection at the caret, Ctrl+End at the end); a
        // modifier pressed (before Shift+PageUp) leaves it.
        m_columnPosition = -1;
        placedColumn();
    }
} catch (...) {
    ExceptionBoundary::caught(this, "keyPressEvent");
}

void WholeTextEdit::dropEmptySelection()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection() || rememberedWholePosition(cursor.anchor()) != rememberedWholePosition(cursor.position()))
        return;
    cursor.clearSelection();
    setTextCursor(cursor);
}

bool WholeTextEdit::wordKey(QKeyEvent *event)
{
    const bool move = event->matches(QKeySequence::MoveToNextWord) || event->matches(QKeySequence::MoveToPreviousWord);
    const bool select =
        event->matches(QKeySequence::SelectNextWord) || event->matches(QKeySequence::SelectPreviousWord);
    const bool remove = !isReadOnly() && (event->matches(QKeySequence::DeleteEndOfWord)
                                          || event->matches(QKeySequence::DeleteStartOfWord));
    QTextCursor cursor = textCursor();
    // A selection is what a word delete removes.
    if (!(move || select || remove) || (remove && cursor.hasSelection()))
        return false;
    const bool forward = event->matches(QKeySequence::MoveToNextWord) || event->matches(QKeySequence::SelectNextWord)
                         || event->matches(QKeySequence::DeleteEndOfWord);
    const int to = wordStep(cursor.block(), cursor.position(), forward);
    if (to < 0)
        return false;
    cursor.setPosition(to, move ? QTextCursor::MoveAnchor : QTextCursor::KeepAnchor);
    if (remove)
        cursor.removeSelectedText();
    setTextCursor(cursor);
    ensureCursorVisible();
    event->accept();
    if (m_mendPending)
        mendPartings();
    if (remove)
        caretColumnAsShown();
    dropEmptySelection();
    return true;
}

std::pair<int, int> WholeTextEdit::replacedRange(const QTextCursor &cursor, int start, int length) const
{
    const qsizetype caret = rememberedWholePosition(cursor.position());
    const qsizetype from = std::clamp<qsizetype>(caret + start, 0, m_text.size());
    const qsizetype to = std::clamp<qsizetype>(from + std::max(length, 0), from, m_text.size());
    const int documentFrom = from == caret ? cursor.position() : documentPosition(from);
    const int documentTo = to == caret ? cursor.position() : std::max(documentFrom, documentPosition(to));
    return {documentFrom, documentTo};
}

void WholeTextEdit::inputMethodEvent(QInputMethodEvent *event)
try {
    QTextCursor cursor = textCursor();
    const QString commit = event->commitString();
    m_typed = commit;
    m_typedAt = rememberedWholePosition(cursor.selectionStart());
    if (!cursor.hasSelection())
        m_typedAt = std::clamp<qsizetype>(m_typedAt + event->replacementStart(), 0, m_text.size());
    const auto typed = qScopeGuard([this] { m_typed.clear(); });
    bool breaks = false;
    for (qsizetype i = 0; i < commit.size() && !breaks; ++i)
        breaks = breakAt(commit, i) > 0;
    const bool replaces = event->replacementStart() != 0 || event->replacementLength() > 0;
    if (breaks && !isReadOnly()) {
        // Qt would give the paragraphs after the breaks the format of the one the
        // caret is in (a parting's too): the commit goes in as the editor's own
        // insertion, as a paste does, the rest of the event (a new composition) after.
        if (cursor.hasSelection()) {
            insertWhole(commit);
        } else {
            // Through a cursor of its own: the caret keeps its place, as with Qt's.
            const std::pair<int, int> range = replacedRange(cursor, event->replacementStart(), event->replacementLength());
            QTextCursor replaced(document());
            replaced.setPosition(range.first);
            replaced.setPosition(range.second, QTextCursor::KeepAnchor);
            replaced.beginEditBlock();
            replaced.removeSelectedText();
            insertInParagraphs(replaced, commit, m_longestBlock);
            replaced.endEditBlock();
            ensureCursorVisible();
        }
        QInputMethodEvent rest(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&rest);
        event->accept();
    } else if (replaces && !cursor.hasSelection()) {
        // The input method counts in the text, where a parting is nothing: its
        // replacement goes to the same units of the document.
        const std::pair<int, int> range = replacedRange(cursor, event->replacementStart(), event->replacementLength());
        QInputMethodEvent again(event->preeditString(), event->attributes());
        again.setCommitString(commit, range.first - cursor.position(), range.second - range.first);
        QPlainTextEdit::inputMethodEvent(&again);
        event->setAccepted(again.isAccepted());
    } else {
        QPlainTextEdit::inputMethodEvent(event);
    }
    if (m_mendPending)
        mendPartings();
    showCaretPastParting();
    caretColumnAsShown();
} catch (...) {
    ExceptionBoundary::caught(this, "inputMethodEvent");
}

void WholeTextEdit::adjustContextMenu(QMenu *menu)
{
    for (QAction *action : menu->actions()) {
        const bool undo = action->objectName() == QLatin1String("edit-undo");
        if (!undo && action->objectName() != QLatin1String("edit-redo"))
            continue;
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        action->setEnabled(undo ? canUndoEdit() : canRedoEdit());
        connect(action, &QAction::triggered, this,
                ExceptionBoundary::guarded(this, "undo", [this, undo] { undo ? undoEdit() : redoEdit(); }));
    }
}

void WholeTextEdit::contextMenuEvent(QContextMenuEvent *event)
try {
    // Qt's menu, with the editor's own undo and redo.
    QMenu *menu = createStandardContextMenu(event->pos());
    adjustContextMenu(menu);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
} catch (...) {
    ExceptionBoundary::caught(this, "contextMenuEvent");
}

void WholeTextEdit::resizeEvent(QResizeEvent *event)
try {
    QPlainTextEdit::resizeEvent(event);
    mendPartings();
} catch (...) {
    ExceptionBoundary::caught(this, "resizeEvent");
}

void WholeTextEdit::paintEvent(QPaintEvent *event)
try {
    // What is about to show, whatever brought it into view (a scroll, a move of the
    // caret). Not while the editor scrolls: its own code may hold on to paragraphs a
    // mend would take away.
    mendPartings();
    QPlainTextEdit::paintEvent(event);
} catch (...) {
    ExceptionBoundary::caught(this, "paintEvent");
}

void WholeTextEdit::showEvent(QShowEvent *event)
try {
    QPlainTextEdit::showEvent(event);
    // The caret may have been placed (and a key typed) before the editor showed.
    ensureCursorVisible();
    mendPartings();
} catch (...) {
    ExceptionBoundary::caught(this, "showEvent");
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
    showCaretPastParting();
} catch (...) {
    ExceptionBoundary::caught(this, "insertFromMimeData");
}

} // namespace platform
