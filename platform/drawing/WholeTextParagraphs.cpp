#include "platform/drawing/WholeTextParagraphs.h"

#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <iterator>

namespace platform::WholeTextParagraphs {

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

// The units a break starts with.
constexpr char16_t BreakStarts[] = {u'\n', u'\r', ParagraphSeparator, BeginningOfFrame, EndOfFrame};

// The places of the breaks of a text in order, found by Qt's searches for each unit
// a break starts with (a search done again only once its last find is passed), not
// unit by unit here: a text of millions of units is gone through at the speed of
// Qt's search.
class BreakSearch
{
public:
    explicit BreakSearch(QStringView text) : m_text(text)
    {
        for (std::size_t k = 0; k < m_next.size(); ++k)
            m_next[k] = m_text.indexOf(QChar(BreakStarts[k]));
    }

    // Where the first break at the index or after it starts; the text's size when none does.
    qsizetype next(qsizetype from)
    {
        qsizetype first = m_text.size();
        for (std::size_t k = 0; k < m_next.size(); ++k) {
            if (m_next[k] >= 0 && m_next[k] < from)
                m_next[k] = m_text.indexOf(QChar(BreakStarts[k]), from);
            if (m_next[k] >= 0)
                first = std::min(first, m_next[k]);
        }
        return first;
    }

private:
    QStringView m_text;
    // Each unit's last find (-1: none after it).
    std::array<qsizetype, std::size(BreakStarts)> m_next;
};

// Paragraphs of one kind in a row go in together up to about this many units: few
// insertions, and no copy of a text of millions of units beside the document's own.
constexpr qsizetype GroupUnits = qsizetype(1) << 16;

} // namespace

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
    return block.isValid() && isJoinedFormat(block.blockFormat());
}

bool isJoinedFormat(const QTextBlockFormat &format)
{
    return format.boolProperty(JoinedProperty);
}

bool sameBreak(const QTextBlockFormat &one, const QTextBlockFormat &other)
{
    return one.boolProperty(JoinedProperty) == other.boolProperty(JoinedProperty)
           && one.property(BreakProperty) == other.property(BreakProperty);
}

QString breakBefore(const QTextBlock &block)
{
    if (!block.previous().isValid())
        return QString();
    return breakOfFormat(block.blockFormat());
}

QString breakOfFormat(const QTextBlockFormat &format)
{
    if (isJoinedFormat(format))
        return QString();
    return format.hasProperty(BreakProperty) ? format.stringProperty(BreakProperty) : QStringLiteral("\n");
}

qsizetype partingOf(QStringView run, qsizetype longest)
{
    const char16_t *units = run.utf16();
    for (qsizetype i = longest - 1; i >= longest / 2; --i) {
        if (isBlank(QChar(units[i])))
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

void insertInParagraphs(QTextCursor &cursor, QStringView text, qsizetype longest)
{
    const QTextCharFormat chars = cursor.charFormat();
    // Qt's cursor makes a paragraph of each paragraph separator in a text it inserts,
    // of the format of the paragraph the cursor stands in: the paragraphs of one kind
    // in a row go in in one insertion, after the first of them is begun with its
    // format (a text of one line of millions of units, or of many lines, goes in as a
    // few pieces, not a piece for each of its paragraphs).
    QString group;
    group.reserve(std::min(text.size(), GroupUnits + longest) + 1);
    // The group goes on in the paragraph the cursor stands in (no paragraph begun).
    bool inCursorsParagraph = true;
    // The kind of the group's paragraphs: a parting's, or the break's before them.
    bool joined = false;
    QStringView brk;
    const auto flush = [&] {
        if (!inCursorsParagraph)
            cursor.insertBlock(joined ? joinedFormat() : formatAfterBreak(brk), chars);
        if (!group.isEmpty())
            cursor.insertText(group, chars);
        group.resize(0);
    };
    const auto beginParagraph = [&](bool isJoined, QStringView before) {
        if (!inCursorsParagraph && isJoined == joined && (isJoined || before == brk) && group.size() < GroupUnits) {
            group += QChar(ParagraphSeparator);
            return;
        }
        flush();
        inCursorsParagraph = false;
        joined = isJoined;
        brk = before;
    };
    const auto addRun = [&](QStringView run) {
        while (run.size() > longest) {
            const qsizetype at = partingOf(run, longest);
            group += run.left(at);
            beginParagraph(true, {});
            run = run.mid(at);
        }
        group += run;
    };
    BreakSearch breaks(text);
    qsizetype start = 0;
    for (qsizetype i = breaks.next(0); i < text.size(); i = breaks.next(i)) {
        const qsizetype length = breakAt(text, i);
        addRun(text.mid(start, i - start));
        beginParagraph(false, text.mid(i, length));
        i += length;
        start = i;
    }
    addRun(text.mid(start));
    flush();
}

int wordStep(const QTextBlock &block, int position, bool forward)
{
    // The paragraphs the step may cross: this one and the ones parted from it in the
    // step's direction, taken in (each time as many again) until the step ends
    // before the last one taken or no parting follows.
    if (!block.isValid() || (forward ? !isJoined(block.next()) : !isJoined(block)))
        return -1;
    QList<QTextBlock> blocks{block};
    QString sample = block.text();
    int at = position - block.position();
    for (;;) {
        const QTextLayout layout(sample);
        const int to = forward ? layout.nextCursorPosition(at, QTextLayout::SkipWords)
                               : layout.previousCursorPosition(at, QTextLayout::SkipWords);
        const bool more = forward ? to == sample.size() && isJoined(blocks.last().next())
                                  : to == 0 && isJoined(blocks.first());
        if (!more && to == at) {
            // At the end of its paragraph (or the start, going back): over the break,
            // as a plain editor steps.
            const QTextBlock beyond = forward ? blocks.last().next() : blocks.first().previous();
            if (!beyond.isValid())
                return position;
            return forward ? beyond.position() : beyond.position() + beyond.length() - 1;
        }
        if (!more) {
            // The paragraph the end lies in; at a parting, the one after it, either
            // way: a caret there shows at the start of the next line, where a
            // plain editor shows it at a line's wrap.
            int start = 0;
            for (qsizetype i = 0; i < blocks.size(); ++i) {
                const int length = int(blocks.at(i).text().size());
                const bool last = i + 1 == blocks.size();
                if (to < start + length || (to == start + length && last))
                    return blocks.at(i).position() + (to - start);
                start += length;
            }
            return blocks.last().position() + int(blocks.last().text().size());
        }
        const qsizetype goal = 2 * sample.size() + 1;
        while (sample.size() < goal) {
            if (forward) {
                const QTextBlock next = blocks.last().next();
                if (!isJoined(next))
                    break;
                blocks.append(next);
                sample += next.text();
            } else {
                if (!isJoined(blocks.first()))
                    break;
                const QTextBlock previous = blocks.first().previous();
                blocks.prepend(previous);
                sample.prepend(previous.text());
                at += int(previous.text().size());
            }
        }
    }
}

} // namespace platform::WholeTextParagraphs
