// The editor of a whole long text, used from the keyboard in a shown window: it
// answers exactly the text it was given with the user's edits, whatever paragraphs
// it shows the text in; lines wrap at blanks; the dialog's title names the item; a
// one-line field hands a text too long for it to the editor.
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/drawing/WholeTextLineEdit.h"
#include "platform/drawing/WholeTextParagraphs.h"
#include "tests/support/MouseButtonsCheck.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <cstdio>
#include <random>
#include <tuple>
#include <vector>

using platform::WholeTextEdit;

namespace {

// The editor with its view of the paragraphs in reach.
class ShownEdit : public WholeTextEdit
{
public:
    using WholeTextEdit::blockBoundingGeometry;
    using WholeTextEdit::contentOffset;
    using WholeTextEdit::firstVisibleBlock;
};

class WholeTextEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editor = std::make_unique<ShownEdit>();
        editor->resize(300, 200);
        editor->show();
        editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        editor->setFocus();
    }

    // Puts the caret before the text's unit `at`, with the keys: from the start
    // stepping right, or from the end stepping left (the two sides of a parting).
    void caretTo(qsizetype at, qsizetype length, bool fromEnd)
    {
        if (fromEnd) {
            QTest::keyClick(editor.get(), Qt::Key_End, Qt::ControlModifier);
            for (qsizetype i = length; i > at; --i)
                QTest::keyClick(editor.get(), Qt::Key_Left);
        } else {
            QTest::keyClick(editor.get(), Qt::Key_Home, Qt::ControlModifier);
            for (qsizetype i = 0; i < at; ++i)
                QTest::keyClick(editor.get(), Qt::Key_Right);
        }
    }

    std::unique_ptr<ShownEdit> editor;
};

} // namespace

// Every break comes back as it was, and so does every character Qt's own plain text
// would change (a no-break space, a line separator); a long run is held in several
// paragraphs, parted after a blank where there is one, never inside a character
// (the partings as given, in an editor not shown, and as moved to where lines wrap,
// in the one shown).
TEST_F(WholeTextEditTest, AnyTextComesBackExactly)
{
    WholeTextEdit hidden;
    for (WholeTextEdit *edit : {static_cast<WholeTextEdit *>(editor.get()), &hidden})
        edit->setLongestBlock(8);
    const QString pair = QString::fromUtf16(u"\U0001F600");
    const QString texts[] = {
        QString(),
        QStringLiteral("short"),
        QStringLiteral("a\nb\r\nc\rd\u2029e\u2028f\u00a0g\tend"),
        QStringLiteral("\n\n\r\n\r\r\n"),
        QStringLiteral("meeting meeting meeting meeting meeting"),
        QString(50, QLatin1Char('w')),
        QString(8, QLatin1Char('e')),
        pair.repeated(20),
        QStringLiteral("e") + QString(QChar(0x0301)).repeated(3) + QStringLiteral("xxxxx") + QString(QChar(0x0301)),
        QString(QChar(0x0301)).repeated(20),
        pair.repeated(200),
    };
    for (const QString &text : texts) {
        for (WholeTextEdit *edit : {static_cast<WholeTextEdit *>(editor.get()), &hidden}) {
            edit->setWholeText(text);
            EXPECT_EQ(edit->wholeText(), text) << text.toStdString();
            int blocks = 0;
            QString read;
            for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
                ++blocks;
                read += platform::WholeTextParagraphs::breakBefore(block) + block.text();
                if (edit == &hidden) {
                    EXPECT_LE(block.text().size(), 8) << text.toStdString();
                }
                EXPECT_FALSE(!block.text().isEmpty() && block.text().front().isLowSurrogate()) << "a pair parted";
            }
            EXPECT_EQ(read, text) << "the paragraphs hold the text: " << text.toStdString();
            if (edit == &hidden && text.size() > 8 && !text.contains(QLatin1Char('\n'))) {
                EXPECT_GT(blocks, 1) << "a long run is parted";
            }
            if (edit == &hidden && text.size() <= 8 && !text.isEmpty() && text.front().isLetter()
                && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); })) {
                EXPECT_EQ(blocks, 1) << "a run the paragraph holds is not parted";
            }
        }
    }
    // Parted after the blanks: every paragraph of words ends with one or the text.
    for (WholeTextEdit *edit : {static_cast<WholeTextEdit *>(editor.get()), &hidden}) {
        edit->setWholeText(QStringLiteral("meeting ").repeated(40));
        for (QTextBlock block = edit->document()->begin(); block.next().isValid(); block = block.next())
            EXPECT_TRUE(block.text().endsWith(QLatin1Char(' '))) << block.text().toStdString();
    }
}

// Typing, Return, Backspace, Delete, selections, cut and paste, undo and redo at random places,
// the caret brought there from either side: after every step the editor answers the
// text the same edits make of a plain string.
TEST_F(WholeTextEditTest, RandomEditsKeepTheTextAsAPlainStringWouldBe)
{
    editor->setLongestBlock(5);
    std::mt19937 random(5);
    std::mt19937 pastes(17);
    QString model = QStringLiteral("alpha beta\ngammadeltaepsilon zeta");
    editor->setWholeText(model);
    const char16_t letters[] = {u'a', u'b', u' ', u'x'};
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        const qsizetype at = qsizetype(random() % (model.size() + 1));
        caretTo(at, model.size(), random() % 2 == 1);
        const int op = int(random() % 7);
        switch (op) {
        case 0: {
            QString typed;
            for (int i = 0, n = 1 + int(random() % 4); i < n; ++i)
                typed += QChar(letters[random() % std::size(letters)]);
            QTest::keyClicks(editor.get(), typed);
            model.insert(at, typed);
            break;
        }
        case 1:
            QTest::keyClick(editor.get(), Qt::Key_Return);
            model.insert(at, QLatin1Char('\n'));
            break;
        case 2:
            QTest::keyClick(editor.get(), Qt::Key_Backspace);
            if (at > 0)
                model.remove(at - 1, 1);
            break;
        case 3:
            QTest::keyClick(editor.get(), Qt::Key_Delete);
            if (at < model.size())
                model.remove(at, 1);
            break;
        case 4: {
            // A selection typed over.
            const qsizetype length = std::min<qsizetype>(qsizetype(random() % 8), model.size() - at);
            for (qsizetype i = 0; i < length; ++i)
                QTest::keyClick(editor.get(), Qt::Key_Right, Qt::ShiftModifier);
            QTest::keyClicks(editor.get(), QStringLiteral("y"));
            model.replace(at, length, QStringLiteral("y"));
            break;
        }
        case 5:
            // The last edit undone and done again: the text as it was.
            QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(editor.get(), Qt::Key_Y, Qt::ControlModifier);
            break;
        default: {
            // A selection cut, then pasted back at the start.
            const qsizetype length = std::min<qsizetype>(1 + qsizetype(random() % 12), model.size() - at);
            if (length == 0)
                break;
            for (qsizetype i = 0; i < length; ++i)
                QTest::keyClick(editor.get(), Qt::Key_Right, Qt::ShiftModifier);
            QTest::keyClick(editor.get(), Qt::Key_X, Qt::ControlModifier);
            const QString cut = model.mid(at, length);
            EXPECT_EQ(QGuiApplication::clipboard()->text(), cut);
            model.remove(at, length);
            QTest::keyClick(editor.get(), Qt::Key_Home, Qt::ControlModifier);
            QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
            model.insert(0, cut);
            break;
        }
        }
        ASSERT_EQ(editor->wholeText(), model) << "edit " << op << " at " << at;
        // Now and then a paste of breaks and line separators, short or longer than
        // the rest of the text (read back from the document piece by piece, or whole);
        // later cuts take them along. No CR: a CR before an LF would paste back as
        // one break, a caret step less than the string counts.
        if (step % 15 == 14) {
            static const QString pieces[] = {QStringLiteral("ab\n"), QStringLiteral("d\u2029"), QStringLiteral("e\u2028f"),
                                             QStringLiteral("gh ")};
            QString pasted;
            for (int i = 0, n = step % 30 == 29 ? 40 : 2; i < n; ++i)
                pasted += pieces[pastes() % std::size(pieces)];
            const qsizetype where = qsizetype(pastes() % (model.size() + 1));
            editor->moveCaretTo(where);
            QGuiApplication::clipboard()->setText(pasted);
            QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
            model.insert(where, pasted);
            ASSERT_EQ(editor->wholeText(), model) << "paste at " << where;
        }
    }
}

namespace {

// The rows the editor shows fully, top to bottom, as texts.
QStringList shownRows(const ShownEdit &edit)
{
    QStringList rows;
    // A block's geometry is its place below the first one shown.
    const QPointF offset = edit.contentOffset();
    const int height = edit.viewport()->height();
    for (QTextBlock block = edit.firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF place = edit.blockBoundingGeometry(block).translated(offset);
        if (place.top() >= height)
            break;
        const QTextLayout *layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            if (place.top() + line.y() + line.height() <= height)
                rows << block.text().mid(line.textStart(), line.textLength());
        }
    }
    return rows;
}

// The rows of the text's paragraphs (at LF) laid out each in one piece, as wide as
// the editor's lines.
QStringList unpartedRows(const WholeTextEdit &edit, const QString &text)
{
    const QTextLayout *first = edit.document()->begin().layout();
    const qreal width = first->lineAt(0).width();
    QStringList rows;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, edit.document()->defaultFont(), edit.viewport());
        layout.setTextOption(edit.document()->defaultTextOption());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            rows << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
    }
    return rows;
}

// Whether every parting shown stands where its line wraps anyway: the block's last
// line, laid out with what follows it, ends there.
bool partingsShownAtWraps(const ShownEdit &edit)
{
    const QPointF offset = edit.contentOffset();
    for (QTextBlock block = edit.firstVisibleBlock(); block.next().isValid(); block = block.next()) {
        const QRectF place = edit.blockBoundingGeometry(block).translated(offset);
        if (place.top() >= edit.viewport()->height())
            break;
        if (!WholeTextEdit::continuesParagraph(block.next()))
            continue;
        const QTextLine last = block.layout()->lineAt(block.layout()->lineCount() - 1);
        const QString row = block.text().mid(last.textStart());
        QTextLayout layout(row + block.next().text(), edit.document()->defaultFont(), edit.viewport());
        layout.setTextOption(edit.document()->defaultTextOption());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(last.width());
        layout.endLayout();
        if (line.textLength() != row.size())
            return false;
    }
    return true;
}

} // namespace

// The paragraphs the editor holds a long run in do not show: after any edit, undo,
// redo, resize or scroll, every parting in view stands where its line wraps, and from
// the top the editor shows the rows of the text's paragraphs laid out unparted.
// Undo and redo go back and forth through the texts the edits made (a run of typing
// where it stopped is one step).
TEST_F(WholeTextEditTest, PartingsShowNoBreak)
{
    editor->setLongestBlock(30);
    std::mt19937 random(2048);
    const QString words = QStringLiteral("alpha beta gamma delta ");
    QString model = QString(600, QLatin1Char('w')) + QStringLiteral("\n") + words.repeated(30) + QString(300, QLatin1Char('x'));
    editor->setWholeText(model);
    std::vector<QString> past;
    std::vector<QString> future;
    qsizetype typedEnd = -1; // where the last typing stopped
    auto pick = [&random](qsizetype n) { return qsizetype(random() % std::max<qsizetype>(n, 1)); };
    for (int step = 0; step < 250; ++step) {
        SCOPED_TRACE(step);
        const int op = int(pick(7));
        if (op <= 2) {
            // Typed, or pasted over a selection.
            const qsizetype at = pick(model.size() + 1);
            const qsizetype length = op == 2 ? std::min<qsizetype>(pick(200), model.size() - at) : 0;
            const QString typed = op == 0 ? QStringLiteral("w") : op == 1 ? QStringLiteral("ab ") : QString(int(pick(90)), QLatin1Char('p'));
            editor->selectWhole(at, at + length);
            if (op == 2 || at != typedEnd)
                past.push_back(model);
            future.clear();
            if (op == 2) {
                QGuiApplication::clipboard()->setText(typed);
                QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
            } else {
                QTest::keyClicks(editor.get(), typed);
            }
            model.replace(at, length, typed);
            typedEnd = op == 2 ? -1 : at + typed.size();
        } else if (op == 3 && !past.empty()) {
            QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
            future.push_back(std::exchange(model, past.back()));
            past.pop_back();
            typedEnd = -1;
        } else if (op == 4 && !future.empty()) {
            QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            past.push_back(std::exchange(model, future.back()));
            future.pop_back();
            typedEnd = -1;
        } else if (op == 5) {
            editor->resize(int(120 + pick(400)), int(80 + pick(200)));
        } else {
            QScrollBar *bar = editor->verticalScrollBar();
            bar->setValue(bar->minimum() + int(pick(bar->maximum() - bar->minimum() + 1)));
        }
        ASSERT_EQ(editor->wholeText(), model);
        editor->viewport()->repaint(); // as painted
        EXPECT_TRUE(partingsShownAtWraps(*editor));
        if (step % 10 == 9) {
            QTest::keyClick(editor.get(), Qt::Key_Home, Qt::ControlModifier);
            editor->viewport()->repaint();
            const QStringList shown = shownRows(*editor);
            EXPECT_EQ(shown.join(u'|').toStdString(), unpartedRows(*editor, model).mid(0, shown.size()).join(u'|').toStdString());
        }
        if (::testing::Test::HasFailure())
            break;
    }
}

// Pasted text keeps its breaks and is parted as given text is; undo takes back a
// Return typed at a parting, and the parting stays none.
TEST_F(WholeTextEditTest, PasteAndUndoKeepThePartings)
{
    editor->setLongestBlock(4);
    editor->setWholeText(QStringLiteral("abcdefgh"));
    caretTo(4, 8, false);
    QTest::keyClick(editor.get(), Qt::Key_Return);
    EXPECT_EQ(editor->wholeText(), QStringLiteral("abcd\nefgh"));
    QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor->wholeText(), QStringLiteral("abcdefgh"));
    QTest::keyClick(editor.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(editor->wholeText(), QStringLiteral("abcd\nefgh"));

    auto *mime = new QMimeData;
    mime->setText(QStringLiteral("12345678\r\n9"));
    QGuiApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(editor.get(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->wholeText(), QStringLiteral("abcd\nefgh12345678\r\n9"));
    QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor->wholeText(), QStringLiteral("abcd\nefgh"));
}

// Lines wrap at blanks: a text of short words breaks no word; a word longer than the
// line wraps inside it.
TEST_F(WholeTextEditTest, LinesWrapAtBlanks)
{
    editor->setWholeText(QStringLiteral("meeting ").repeated(400) + QString(400, QLatin1Char('w')));
    testsupport::settleEvents();
    int wrapped = 0;
    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        ASSERT_NE(layout, nullptr);
        for (int i = 0; i + 1 < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qsizetype end = line.textStart() + line.textLength();
            // Inside the long word the line is parted anywhere.
            if (block.text().mid(line.textStart(), line.textLength()).contains(QStringLiteral("ww")))
                continue;
            ++wrapped;
            EXPECT_EQ(block.text().at(end - 1), QLatin1Char(' ')) << "line " << i << " of block " << block.blockNumber();
        }
    }
    EXPECT_GT(wrapped, 10);
    // The long word is not cut off at the edge: no horizontal scrolling.
    EXPECT_EQ(editor->horizontalScrollBar()->maximum(), 0);
}

namespace {

// A key, or an input method's replacement, sent to both editors.
struct KeyStep
{
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

void sendStep(QWidget *widget, const KeyStep &step, int replacementStart, int replacementLength)
{
    if (step.key == 0) {
        QInputMethodEvent commit(QString(), {});
        commit.setCommitString(step.text, replacementStart, replacementLength);
        QCoreApplication::sendEvent(widget, &commit);
    } else {
        QTest::keyClick(widget, Qt::Key(step.key), step.modifiers);
    }
}

// The text the editor shows: its paragraphs, with an LF between two unless the
// later one goes on from the earlier.
QString shownText(const QTextDocument &document)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.previous().isValid() && !WholeTextEdit::continuesParagraph(block))
            text += QLatin1Char('\n');
        text += block.text();
    }
    return text;
}

// The place in the shown text of a position of the document.
qsizetype shownPosition(const QTextDocument &document, int position)
{
    qsizetype shown = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.previous().isValid() && !WholeTextEdit::continuesParagraph(block))
            ++shown;
        if (position < block.position() + block.length())
            return shown + (position - block.position());
        shown += block.length() - 1;
    }
    return shown;
}

// The text as a plain editor holds it: each break (an LF, a CR LF, a CR alone, a
// paragraph separator) one LF.
QString linesOf(const QString &text)
{
    QString lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = platform::WholeTextParagraphs::breakAt(text, i);
        lines += length ? QChar(u'\n') : text.at(i);
        i += length ? length : 1;
    }
    return lines;
}

// The place in linesOf(text) of a place in the text (one inside a CR LF: before it).
int lineAt(const QString &text, qsizetype position)
{
    int shown = 0;
    for (qsizetype i = 0; i < position;) {
        const qsizetype length = std::max<qsizetype>(platform::WholeTextParagraphs::breakAt(text, i), 1);
        if (i + length > position)
            break;
        i += length;
        ++shown;
    }
    return shown;
}

// Whether the texts are the same; where they part, if not.
::testing::AssertionResult sameText(const QString &actual, const QString &expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual.at(at) == expected.at(at))
        ++at;
    const auto around = [at](const QString &text) {
        return text.mid(std::max<qsizetype>(0, at - 12), 24).replace(QLatin1Char('\n'), QStringLiteral("\\n")).toStdString();
    };
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size() << ", parted at " << at
                                         << ": \"" << around(actual) << "\" where \"" << around(expected) << "\"";
}

// A run of letters without a blank.
QString token(std::mt19937 &random, qsizetype length)
{
    QString text(length, Qt::Uninitialized);
    for (QChar &c : text)
        c = QChar(u'a' + char16_t(random() % 26));
    return text;
}

// Texts whose runs are longer than the paragraph holds: a long key on a line of its
// own, runs of words, and runs just longer, shorter and several times as long.
QStringList longRunTexts(std::mt19937 &random, qsizetype longest)
{
    return {
        QStringLiteral("Key for the customer:\n") + token(random, 2 * longest + longest / 4 + 3) + QStringLiteral("\nend of note"),
        QStringLiteral("ab ") + token(random, longest + 1) + QStringLiteral(" cd ") + token(random, 2 * longest)
            + QStringLiteral("\n") + token(random, longest) + QStringLiteral("\n\n") + token(random, longest - 1),
        QStringLiteral("meeting ").repeated(std::max<qsizetype>(3, 2 * longest / 8 + 3)) + token(random, longest + 2),
        QStringLiteral("abcdefghijklmnop qrs tu.vw\nxyzzy plugh"),
    };
}

// Texts of every kind of break, of one kind and of several in a row (a CR before a
// CR LF, an LF before a CR), among runs longer than the paragraph holds.
QStringList mixedBreakTexts(std::mt19937 &random, qsizetype longest)
{
    return {
        QStringLiteral("line1\rline2\r\nthree\n\rfour\r\rfive\u2029six ") + token(random, longest + 2),
        token(random, longest + 1) + QStringLiteral("\rx\nb\r\r\n\n\r\r\n") + token(random, 2 * longest)
            + QStringLiteral("\r"),
    };
}

// Keys sent to the editor and to a plain editor alike, the caret brought before every
// one to a parting (either side of it), a little before or after one, a break, or
// anywhere, at times with a selection: after every key both hold the same text,
// caret and selection, and the editor shows the text it holds. Shown, the two stand
// side by side at the same size, take the line keys too (Home, End, Up, Down, PageUp,
// PageDown, with and without Shift) and draw the caret in the same place. Undo and
// redo go back through the steps (typing that goes on where it stopped is one; an
// undo or a redo ends it) and forward again, in order.
class PlainEditorRace
{
public:
    PlainEditorRace(WholeTextEdit *edit, std::uint32_t seed) : m_edit(edit), m_random(seed)
    {
        if (!edit->isVisible())
            return;
        m_plain.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        m_plain.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        for (QPlainTextEdit *shown : {static_cast<QPlainTextEdit *>(edit), &m_plain})
            shown->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_plain.resize(edit->size());
        m_plain.show();
    }

    // Both to the size; answers when both are laid out at it.
    void resize(QSize size)
    {
        for (QPlainTextEdit *shown : {static_cast<QPlainTextEdit *>(m_edit), &m_plain})
            shown->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_edit->size() == size && m_plain.size() == size; }));
        note(testing::Message() << "resized to " << size.width() << "x" << size.height());
        check();
    }

    qint64 keys() const { return m_keys; }
    // The caret (and a selection) placed as the race places it, from a caller.
    void select(qsizetype anchor, qsizetype position)
    {
        m_edit->selectWhole(anchor, position);
        QTextCursor selection(m_plain.document());
        selection.setPosition(lineAt(m_edit->wholeText(), anchor));
        selection.setPosition(lineAt(m_edit->wholeText(), position), QTextCursor::KeepAnchor);
        m_plain.setTextCursor(selection);
    }
    // A key sent to both, compared after.
    void key(const KeyStep &step)
    {
        keyStep(step);
        check();
    }
    // Whether all the text shows (or nothing does).
    bool showsAll() const { return !m_edit->isVisible() || m_plain.verticalScrollBar()->maximum() == 0; }

    void start(const QString &text)
    {
        m_start = text;
        m_edit->setWholeText(text);
        m_plain.setPlainText(text);
        m_plain.setTextCursor(QTextCursor(m_plain.document()));
        m_undone.clear();
        m_redone.clear();
        m_typing = false;
        m_typedTo = -1;
    }

    // Undoes every step, then redoes them: the text given, and the text made (with
    // the steps undone at the end done again).
    void undoAndRedoAll()
    {
        // Steps undone last are redone too.
        const QString last = m_redone.empty() ? m_edit->wholeText() : m_redone.front();
        while (m_edit->canUndoEdit())
            m_edit->undoEdit();
        ASSERT_TRUE(sameText(m_edit->wholeText(), m_start)) << m_history;
        ASSERT_TRUE(sameText(shownText(*m_edit->document()), linesOf(m_start)));
        while (m_edit->canRedoEdit())
            m_edit->redoEdit();
        ASSERT_TRUE(sameText(m_edit->wholeText(), last)) << m_history;
        ASSERT_TRUE(sameText(shownText(*m_edit->document()), linesOf(last)));
    }

    void step(qsizetype longest)
    {
        placeCaret();
        if (::testing::Test::HasFatalFailure())
            return;
        // The keys a person moves and selects by: by a character, by a word and, where
        // lines show, the line keys.
        static const KeyStep moves[] = {
            {Qt::Key_Left, Qt::ShiftModifier, {}}, {Qt::Key_Right, Qt::ShiftModifier, {}},
            {Qt::Key_Left, {}, {}}, {Qt::Key_Right, {}, {}},
            {Qt::Key_Left, Qt::ControlModifier, {}}, {Qt::Key_Right, Qt::ControlModifier, {}},
            {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, {}},
            {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, {}},
            {Qt::Key_Home, {}, {}}, {Qt::Key_End, {}, {}}, {Qt::Key_Up, {}, {}}, {Qt::Key_Down, {}, {}},
            {Qt::Key_Home, Qt::ShiftModifier, {}}, {Qt::Key_End, Qt::ShiftModifier, {}},
            {Qt::Key_Up, Qt::ShiftModifier, {}}, {Qt::Key_Down, Qt::ShiftModifier, {}},
            {Qt::Key_PageUp, {}, {}}, {Qt::Key_PageDown, {}, {}},
            {Qt::Key_PageUp, Qt::ShiftModifier, {}}, {Qt::Key_PageDown, Qt::ShiftModifier, {}},
            {Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier, {}},
            {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, {}},
        };
        if (m_random() % 2 == 0) {
            // Two to six of them in a row, from where the caret was put.
            const std::size_t count = m_edit->isVisible() ? std::size(moves) : 8;
            for (int i = 0, n = 2 + int(m_random() % 5); i < n && !::testing::Test::HasFatalFailure(); ++i) {
                keyStep(moves[m_random() % count]);
                check();
            }
            return;
        }
        const int kind = int(m_random() % 100);
        if (kind < 5) {
            undoOrRedo(true);
        } else if (kind < 8) {
            undoOrRedo(false);
        } else if (kind < 16) {
            // Pasted: a word, a break, a run longer than a paragraph holds.
            const QString texts[] = {QStringLiteral("xyz"), QStringLiteral("p q\nr"), QStringLiteral("\n\n"),
                                     QStringLiteral("c\r"), QStringLiteral("\nd\re\r\n"),
                                     token(m_random, longest + 1 + qsizetype(m_random() % 3)),
                                     QStringLiteral("s ") + token(m_random, 2 * longest) + QStringLiteral("\nt")};
            QGuiApplication::clipboard()->setText(texts[m_random() % std::size(texts)]);
            keyStep({Qt::Key_V, Qt::ControlModifier, {}});
        } else if (kind < 24) {
            const QString texts[] = {QString(), QStringLiteral("Q"), QStringLiteral("XYZ"), QStringLiteral("u\nv"),
                                     QStringLiteral("\nz"), QStringLiteral("w\r")};
            keyStep({0, {}, texts[m_random() % std::size(texts)]});
        } else {
            static const KeyStep keys[] = {
                {Qt::Key_A, {}, {}}, {Qt::Key_Space, {}, {}}, {Qt::Key_Period, {}, {}},
                {Qt::Key_Return, {}, {}}, {Qt::Key_Return, {}, {}},
                {Qt::Key_Backspace, {}, {}}, {Qt::Key_Backspace, {}, {}}, {Qt::Key_Delete, {}, {}}, {Qt::Key_Delete, {}, {}},
                {Qt::Key_Delete, Qt::ControlModifier, {}}, {Qt::Key_Delete, Qt::ControlModifier, {}},
                {Qt::Key_Backspace, Qt::ControlModifier, {}}, {Qt::Key_Backspace, Qt::ControlModifier, {}},
                {Qt::Key_Left, {}, {}}, {Qt::Key_Right, {}, {}},
                {Qt::Key_Left, Qt::ControlModifier, {}}, {Qt::Key_Right, Qt::ControlModifier, {}},
                {Qt::Key_Left, Qt::ShiftModifier, {}}, {Qt::Key_Right, Qt::ShiftModifier, {}},
                {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, {}},
                {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, {}},
                {Qt::Key_Home, Qt::ControlModifier, {}}, {Qt::Key_End, Qt::ControlModifier, {}},
                {Qt::Key_Home, {}, {}}, {Qt::Key_End, {}, {}}, {Qt::Key_Up, {}, {}}, {Qt::Key_Down, {}, {}},
                {Qt::Key_PageUp, {}, {}}, {Qt::Key_PageDown, {}, {}},
            };
            // The line keys (the last six) only where lines show.
            keyStep(keys[m_random() % (std::size(keys) - (m_edit->isVisible() ? 0 : 6))]);
        }
        // What is about to show is mended.
        if (m_edit->isVisible() && m_random() % 2 == 0)
            m_edit->viewport()->repaint();
        check();
    }

private:
    // Both carets to the same place of the text; at a parting, the editor's on either
    // side of it.
    void placeCaret()
    {
        const QTextDocument &document = *m_edit->document();
        std::vector<int> partings;
        std::vector<int> breaks;
        for (QTextBlock block = document.begin(); block.next().isValid(); block = block.next())
            (WholeTextEdit::continuesParagraph(block.next()) ? partings : breaks).push_back(block.position() + block.length() - 1);
        const int way = int(m_random() % 10);
        const qsizetype size = m_edit->wholeText().size();
        const qsizetype offset = qsizetype(m_random() % 5) - 2;
        if (way < 5 && !partings.empty()) {
            const int parting = partings[m_random() % partings.size()];
            QTextCursor cursor(m_edit->document());
            if (offset == 0) {
                cursor.setPosition(m_random() % 2 == 0 ? parting : parting + 1);
                m_edit->setTextCursor(cursor);
            } else {
                m_edit->moveCaretTo(shownPosition(document, parting) + offset);
            }
        } else if (way < 7 && !breaks.empty()) {
            m_edit->moveCaretTo(shownPosition(document, breaks[m_random() % breaks.size()]) + offset);
        } else if (way < 8) {
            m_edit->moveCaretTo(qsizetype(m_random() % (size + 1)));
        } else {
            return; // where the last key left it
        }
        QTextCursor plainCursor(m_plain.document());
        plainCursor.setPosition(lineAt(m_edit->wholeText(), m_edit->wholeCaretPosition()));
        m_plain.setTextCursor(plainCursor);
        ASSERT_LE(m_edit->wholeCaretPosition(), size);
        const int selecting = int(m_random() % 8);
        if (selecting == 0) {
            // A selection from there as a caller (or a drag of the mouse) makes it.
            const qsizetype at = m_edit->wholeCaretPosition();
            select(at, std::clamp<qsizetype>(at + qsizetype(m_random() % 7) - 3, 0, size));
        }
        // At times a selection from there, with the keys.
        if (selecting == 1 || selecting == 2) {
            const KeyStep selections[] = {{Qt::Key_Left, Qt::ShiftModifier, {}}, {Qt::Key_Right, Qt::ShiftModifier, {}},
                                          {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, {}}};
            const KeyStep &selection = selections[m_random() % std::size(selections)];
            for (int i = 0, n = 1 + int(m_random() % 3); i < n && !::testing::Test::HasFatalFailure(); ++i) {
                keyStep(selection);
                check();
            }
        }
    }

    void undoOrRedo(bool undo)
    {
        note(testing::Message() << (undo ? "undo" : "redo"));
        const QString before = m_edit->wholeText();
        // Both views from the top: the plain editor is given the text anew.
        m_edit->verticalScrollBar()->setValue(0);
        sendStep(m_edit, {Qt::Key_Z, undo ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier, {}}, 0, 0);
        ++m_keys;
        std::vector<QString> &from = undo ? m_undone : m_redone;
        std::vector<QString> &to = undo ? m_redone : m_undone;
        if (from.empty()) {
            ASSERT_TRUE(sameText(m_edit->wholeText(), before));
            return;
        }
        m_typing = false;
        ASSERT_TRUE(sameText(m_edit->wholeText(), from.back())) << (undo ? "undo" : "redo") << " after " << m_history;
        to.push_back(before);
        from.pop_back();
        // The plain editor goes on from there.
        m_plain.setPlainText(m_edit->wholeText());
        QTextCursor moved(m_plain.document());
        moved.setPosition(lineAt(m_edit->wholeText(), m_edit->wholeCaretPosition()));
        m_plain.setTextCursor(moved);
    }

    void keyStep(const KeyStep &step)
    {
        const QString before = m_edit->wholeText();
        const QTextCursor plainCursor = m_plain.textCursor();
        const int caret = plainCursor.position();
        // As it was before the key (the copy follows the document's changes).
        const bool selected = plainCursor.hasSelection();
        int replacementStart = 0;
        int replacementLength = 0;
        // With a selection the input method's text takes its place. It counts in the
        // text, the plain editor in its paragraphs: none near a CR LF, which is two
        // units of the one and one of the other.
        const qsizetype wholeCaret = m_edit->wholeCaretPosition();
        if (step.key == 0 && !selected && !before.mid(std::max<qsizetype>(wholeCaret - 4, 0), 8).contains(QLatin1Char('\r'))) {
            replacementStart = -int(m_random() % (std::min(caret, 3) + 1));
            const int room = int(m_plain.document()->characterCount() - 1) - (caret + replacementStart);
            replacementLength = int(m_random() % (std::min(room, 3) + 1));
        }
        note(testing::Message() << "key " << step.key << " modifiers " << int(step.modifiers) << " text "
                                << step.text.toStdString() << " at " << caret << " replacing " << replacementStart << "+"
                                << replacementLength << (selected ? " over a selection from " : "")
                                << (selected ? std::to_string(plainCursor.anchor()) : std::string()) << " in \""
                                << before.mid(std::max(0, caret - 6), 12).replace(QLatin1Char('\n'), QLatin1Char('|')).toStdString() << "\"");
        SCOPED_TRACE(testing::Message() << "key " << step.key << " modifiers " << int(step.modifiers) << " text "
                                        << step.text.toStdString() << " at " << caret << " replacing "
                                        << replacementStart << "+" << replacementLength << " in \""
                                        << before.mid(std::max(0, caret - 12), 24).replace(QLatin1Char('\n'), QLatin1Char('|')).toStdString() << "\"");
        sendStep(&m_plain, step, replacementStart, replacementLength);
        sendStep(m_edit, step, replacementStart, replacementLength);
        ++m_keys;
        compare();
        if (m_edit->wholeText() == before)
            return;
        // Typing (a character or two, no break, with nothing replaced) goes on as one
        // step where it stopped.
        const bool typed = (step.key == Qt::Key_A || step.key == Qt::Key_Space || step.key == Qt::Key_Period)
                           || (step.key == 0 && (step.text.size() == 1 || step.text.size() == 2) && !step.text.contains(QLatin1Char('\n'))
                               && !step.text.contains(QLatin1Char('\r')));
        const bool goesOn = typed && m_typing && !selected && replacementLength == 0
                            && caret + replacementStart == m_typedTo;
        if (!goesOn)
            m_undone.push_back(before);
        m_redone.clear();
        m_typing = typed;
        // Where the typed text ends (an input method's may go in before the caret).
        m_typedTo = step.key == 0 && !selected ? caret + replacementStart + int(step.text.size())
                                                                 : m_plain.textCursor().position();
    }

    // The steps last taken, for a failure to tell.
    void note(const testing::Message &step)
    {
        m_history = (step.GetString() + "; " + m_history).substr(0, 3000);
    }

    void compare()
    {
        const QString whole = m_edit->wholeText();
        ASSERT_TRUE(sameText(linesOf(whole), m_plain.toPlainText()));
        ASSERT_EQ(lineAt(whole, m_edit->wholeCaretPosition()), m_plain.textCursor().position()) << m_history;
        ASSERT_EQ(m_edit->textCursor().hasSelection(), m_plain.textCursor().hasSelection()) << m_history;
        ASSERT_EQ(shownPosition(*m_edit->document(), m_edit->textCursor().anchor()), m_plain.textCursor().anchor())
            << m_history;
        if (m_edit->isVisible()) {
            // As drawn.
            m_edit->viewport()->repaint();
            m_plain.viewport()->repaint();
            const auto rect = [](const QRect &r) { return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString(); };
            ASSERT_EQ(rect(m_edit->cursorRect()), rect(m_plain.cursorRect())) << "at " << m_plain.textCursor().position() << ", scrolled to " << m_edit->verticalScrollBar()->value()
                << " where a plain editor is at " << m_plain.verticalScrollBar()->value() << ": " << m_history;
            ASSERT_EQ(lineAt(whole, m_edit->wholeCaretPosition()), m_plain.textCursor().position()) << "as drawn: " << m_history;
        }
    }

    void check()
    {
        if (::testing::Test::HasFatalFailure())
            return;
        compare();
        // Each break the text holds shows as one: read again, it shows the same.
        ASSERT_TRUE(sameText(shownText(*m_edit->document()), linesOf(m_edit->wholeText()))) << "what shows is what is held";
    }

    WholeTextEdit *m_edit;
    QPlainTextEdit m_plain;
    std::mt19937 m_random;
    QString m_start;
    qint64 m_keys = 0;
    std::string m_history;
    // The texts the undo should go back to, and those the redo should bring.
    std::vector<QString> m_undone;
    std::vector<QString> m_redone;
    bool m_typing = false;
    int m_typedTo = -1;
};

// The keys the race sends in all: a few seconds' worth, or as many as
// CHRONARK_WHOLE_TEXT_KEYS asks; and its seed, 11 or CHRONARK_WHOLE_TEXT_SEED.
qint64 raceKeys()
{
    bool ok = false;
    const qint64 asked = qEnvironmentVariable("CHRONARK_WHOLE_TEXT_KEYS").toLongLong(&ok);
#if defined(__SANITIZE_THREAD__)
    // The editor starts no thread: under the thread sanitizer, which runs it ten times
    // slower, a shorter race shows what that run is for.
    constexpr qint64 keys = 1500;
#else
    constexpr qint64 keys = 6000;
#endif
    return ok && asked > 0 ? asked : keys;
}

std::uint32_t raceSeed()
{
    bool ok = false;
    const std::uint32_t asked = qEnvironmentVariable("CHRONARK_WHOLE_TEXT_SEED").toUInt(&ok);
    return ok ? asked : 11;
}

} // namespace

// Typing, Return, paste, the deletes by character and by word, moves by character
// and by word, selections, an input method's replacements, undo and redo at random,
// in texts of LF breaks and in texts of every kind of break,
// landing at, before and after the partings of runs longer than a paragraph holds,
// at the default paragraph size and at small ones, in an editor not shown (partings
// as given) and one shown (partings where lines wrap, at times resized): text and
// caret are what a plain editor makes of the same keys, and the editor shows the text
// it holds. Races that once went wrong run first, cut down to their keys.
TEST_F(WholeTextEditTest, KeysDoWhatTheyDoInAPlainEditor)
{
    WholeTextEdit hidden;
    const struct {
        WholeTextEdit *edit;
        int longest;
    } runs[] = {
        {editor.get(), WholeTextEdit::DefaultLongestBlock}, {&hidden, WholeTextEdit::DefaultLongestBlock},
        {editor.get(), 6}, {&hidden, 4}, {editor.get(), 9}, {&hidden, 3},
    };
    // Races that once went wrong, cut down to the keys that did it.
    {
        // A selection from before a CR LF to inside it, an emptied parting between
        // its ends: it selects nothing, and Right steps over the break.
        hidden.setLongestBlock(3);
        PlainEditorRace race(&hidden, 53);
        race.start(QStringLiteral("c\rabcd\r\nz"));
        race.select(6, 6);
        for (int i = 0; i < 4; ++i)
            race.key({Qt::Key_Backspace, {}, {}});
        race.select(2, 3);
        race.key({Qt::Key_Right, {}, {}});
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
    }
    {
        // Return over a CR LF that stands after a CR: the break stays a CR LF, the text
        // as it was, and an undo goes back over the step before.
        const QString text = QStringLiteral("a.\nq\r\r\r\n\r\n");
        PlainEditorRace race(&hidden, 17);
        race.start(text);
        race.select(1, 1);
        race.key({Qt::Key_A, {}, {}});
        race.select(7, 9);
        race.key({Qt::Key_Return, {}, {}});
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        hidden.undoEdit();
        EXPECT_EQ(hidden.wholeText(), text);
        // An input method's letter for the one before an LF, then a letter typed after
        // it: one step of typing.
        race.start(QStringLiteral("eXYZ\n\nq"));
        race.select(4, 4);
        sendStep(&hidden, {0, {}, QStringLiteral("Q")}, -1, 1);
        QTest::keyClick(&hidden, Qt::Key_Period);
        EXPECT_EQ(hidden.wholeText(), QStringLiteral("eXYQ.\n\nq"));
        hidden.undoEdit();
        EXPECT_EQ(hidden.wholeText(), QStringLiteral("eXYZ\n\nq"));
    }
    for (const auto &[longest, width, text, at, keys] :
         std::initializer_list<std::tuple<int, int, const char *, qsizetype, std::vector<QKeyCombination>>>{
             // PageDown to a line that ends where the column is, the last line
             // below it: the caret stays at the wrap, shown on the last line (the
             // line before the wrap a paragraph's own, or the last before a parting).
             {6, 100, "ab meeting meeting meeting rkqfzoqnlcxtqgcneussjpjtihaxwgofvmscvhaftqnlbwpsvixrppdbvhqx zx", 10, {Qt::Key_PageDown}},
             {20, 100, "ab meeting meeting meeting rkqfzoqnlcxtqgcneussjpjtihaxwgofvmscvhaftqnlbwpsvixrppdbvhqx zx", 10, {Qt::Key_PageDown}},
             // PageUp and Down after a PageDown that left the caret a little aside of
             // its column: they go by the column.
             {4, 300, "meeting meeting meeting aebdrptwtmxhqofjbmvksntplyktgptwhsvlbunueprdilzpjtyyxgjrmmwfotcmdrprbvtwmkxvenlzpkozeeuomtkwvneryojmakpxfecvqcqireigulnvjiltmguazyhftxgiycbfmdikaynkgtzplixjvwerjlmktpjfpkkynsepsewqfzwueflwmhsoiwlodrqs",
              69, {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Down}},
             // Shift+Up after a PageUp that took the caret to the place its column
             // gives, where Qt's own step went aside: it goes by the exact column.
             {4, 100, "meeting meeting meeting aebdrptwtmxhqofjbmvksntplyktgptwhsvlbunueprdilzpjtyyxgjrmmwfotcmdrprbvtwmkxvenlzpkozeeuomtkwvneryojmakpxfecvqcqireigulnvjiltmguazyhftxgiycbfmdikaynkgtzplixjvwerjlmktpjfpkkynsepsewqfzwueflwmhsoiwlodrqs",
              134, {Qt::Key_PageUp, Qt::ShiftModifier | Qt::Key_Up}},
             // Shift+PageUp after Shift+Down: the Shift pressed first keeps the column
             // the Down went by.
             {4, 100, "meeting meeting meeting aebdrptwtmxhqofjbmvksntplyktgptwhsvlbunueprdilzpjtyyxgjrmmwfotcmdrprbvtwmkxvenlzpkozeeuomtkwvneryojmakpxfecvqcqireigulnvjiltmguazyhftxgiycbfmdikaynkgtzplixjvwerjlmktpjfpkkynsepsewqfzwueflwmhsoiwlodrqs",
              140, {Qt::ShiftModifier | Qt::Key_Down, Qt::ShiftModifier | Qt::Key_PageUp}},
         }) {
        SCOPED_TRACE(testing::Message() << "paragraphs of " << longest << " at " << width << ": " << text);
        editor->setLongestBlock(longest);
        PlainEditorRace race(editor.get(), 99);
        race.start(QString::fromLatin1(text));
        race.resize(QSize(width, 2000));
        editor->viewport()->repaint();
        race.select(at, at);
        for (const QKeyCombination key : keys)
            race.key({key.key(), key.keyboardModifiers(), {}});
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
    }
    {
        // Left ending a selection at the caret after Shift+PageUp: the caret takes the
        // column of its place, and Down goes by that one.
        editor->setLongestBlock(6);
        PlainEditorRace race(editor.get(), 8);
        race.start(QStringLiteral("ine\nd\re\r\n\r\nreXYZes wxqdraqrscwb\nt\rfoufu\nvi\u2029c\r \n cloycsvf"));
        race.resize(QSize(151, 4000));
        editor->viewport()->repaint();
        race.select(46, 46);
        for (const QKeyCombination key : {QKeyCombination(Qt::Key_End), Qt::ShiftModifier | Qt::Key_PageUp,
                                          QKeyCombination(Qt::Key_Left), QKeyCombination(Qt::Key_Down)})
            race.key({key.key(), key.keyboardModifiers(), {}});
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
    }
    for (const qsizetype at : {71, 80}) {
        // A PageUp after the lines changed under the caret (a resize, the partings
        // moved): the column is the one the caret had where it was placed.
        editor->setLongestBlock(4);
        PlainEditorRace race(editor.get(), 12);
        race.start(QStringLiteral("meeting meeting meeting aebdrptwtmxhqofjbmvksntplyktgptwhsvlbunueprdilzpjtyyxgjrmmwfotcmdrprbvtwmkxvenlzpkozeeuomtkwvneryojmakpxfecvqcqireigulnvjiltmguazyhftxgiycbfmdikaynkgtzplixjvwerjlmktpjfpkkynsepsewqfzwueflwmhsoiwlodrqs"));
        race.resize(QSize(100, 2000));
        editor->viewport()->repaint();
        race.select(at, at);
        race.resize(QSize(130, 2000));
        race.key({Qt::Key_PageUp, {}, {}});
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "at " << at;
    }
    const qint64 keysEach = raceKeys() / qint64(std::size(runs));
    // Tall enough to show all the text (a round ends when it does not): the rows of a
    // paragraph below a parting not yet shown at the width are the editor's own until
    // they show.
    const auto shownSize = [](int longest, int width) { return longest > 100 ? QSize(width, 6000) : QSize(width / 4, 4000); };
    qint64 keys = 0;
    std::uint32_t seed = raceSeed();
    for (const auto &run : runs) {
        SCOPED_TRACE(testing::Message() << (run.edit == &hidden ? "not shown" : "shown") << ", paragraphs of " << run.longest);
        run.edit->setLongestBlock(run.longest);
        if (run.edit == editor.get())
            editor->resize(shownSize(run.longest, 500));
        PlainEditorRace race(run.edit, ++seed);
        std::mt19937 random(seed);
        for (int round = 0; race.keys() < keysEach; ++round) {
            const QStringList texts = longRunTexts(random, run.longest) + mixedBreakTexts(random, run.longest);
            race.start(texts.at(round % texts.size()));
            for (int i = 0; i < 150 && race.keys() < keysEach && race.showsAll(); ++i) {
                SCOPED_TRACE(testing::Message() << "round " << round << " step " << i);
                race.step(run.longest);
                if (run.edit == editor.get() && random() % 40 == 0)
                    race.resize(shownSize(run.longest, 240 + int(random() % 400)));
                if (::testing::Test::HasFatalFailure())
                    return;
            }
            race.undoAndRedoAll();
            if (::testing::Test::HasFatalFailure())
                return;
        }
        keys += race.keys();
    }
    std::printf("keys raced against a plain editor: %lld, 0 differences\n", static_cast<long long>(keys));
}

// A key that brings an LF break right after a CR break (Return, an input method's
// commit of a break, a Backspace or Delete of what stood between them) leaves the
// two breaks it shows: the text holds them, so that it shows the same given again,
// and an undo gives back the text before the key.
TEST_F(WholeTextEditTest, BreaksAKeyBringsTogetherStayTwo)
{
    const auto expectShownAsHeld = [this](const QString &shown) {
        EXPECT_EQ(shownText(*editor->document()), shown);
        EXPECT_EQ(linesOf(editor->wholeText()), shown) << "the text holds what shows";
        WholeTextEdit again;
        again.setWholeText(editor->wholeText());
        EXPECT_EQ(shownText(*again.document()), shown) << "given again";
    };
    const QString texts[] = {QStringLiteral("line1\rline2"), QStringLiteral("a\rx\nb"), QStringLiteral("a\rx\nb"),
                             QStringLiteral("one\rtwo"), QStringLiteral("p\r\rq"), QStringLiteral("z\r\nz")};
    for (int i = 0; i < int(std::size(texts)); ++i) {
        SCOPED_TRACE(i);
        editor->setWholeText(texts[i]);
        switch (i) {
        case 0:
            // Return at the start of the second line: a blank line between the two.
            editor->moveCaretTo(6);
            QTest::keyClick(editor.get(), Qt::Key_Return);
            expectShownAsHeld(QStringLiteral("line1\n\nline2"));
            break;
        case 1:
            // The only letter between a CR and an LF deleted, from either side.
            editor->moveCaretTo(3);
            QTest::keyClick(editor.get(), Qt::Key_Backspace);
            expectShownAsHeld(QStringLiteral("a\n\nb"));
            break;
        case 2:
            editor->moveCaretTo(2);
            QTest::keyClick(editor.get(), Qt::Key_Delete);
            expectShownAsHeld(QStringLiteral("a\n\nb"));
            break;
        case 3: {
            // An input method's commit of a break and a letter right after the CR.
            editor->moveCaretTo(4);
            QInputMethodEvent commit(QString(), {});
            commit.setCommitString(QStringLiteral("\nz"));
            QCoreApplication::sendEvent(editor.get(), &commit);
            expectShownAsHeld(QStringLiteral("one\n\nztwo"));
            break;
        }
        case 4:
            // A paste of breaks between two CRs.
            editor->moveCaretTo(2);
            QGuiApplication::clipboard()->setText(QStringLiteral("\n\n"));
            QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
            expectShownAsHeld(QStringLiteral("p\n\n\n\nq"));
            break;
        default:
            // A CR LF selected and replaced by Return's LF: the step takes the whole
            // break, which an undo gives back as one.
            editor->selectWhole(1, 3);
            QTest::keyClick(editor.get(), Qt::Key_Return);
            expectShownAsHeld(QStringLiteral("z\nz"));
            break;
        }
        editor->undoEdit();
        EXPECT_EQ(editor->wholeText(), texts[i]) << "undone";
        EXPECT_EQ(shownText(*editor->document()), linesOf(texts[i])) << "undone";
        editor->redoEdit();
        EXPECT_EQ(linesOf(editor->wholeText()), shownText(*editor->document())) << "done again";
    }
}

// A word delete goes through a parting as a plain editor goes through one paragraph;
// typing after an undo is a step of its own; the undo keeps its newest steps within
// its bounds.
TEST_F(WholeTextEditTest, WordDeletesTypingAfterAnUndoAndTheUndoBounds)
{
    WholeTextEdit hidden;
    hidden.setLongestBlock(8);
    // From the start or the end of a text parted inside its long word, a word key,
    // then an x typed: as in one paragraph.
    const struct {
        const char *text;
        bool fromEnd;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char *result;
    } words[] = {
        {"abcdefghijklmnop qrs", false, Qt::Key_Delete, Qt::ControlModifier, "xqrs"},
        {"abcdefghijklmnop qrs", false, Qt::Key_Right, Qt::ControlModifier, "abcdefghijklmnop xqrs"},
        {"abcdefghijklmnop qrs", false, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, "xqrs"},
        {"ab abcdefghijklmnop", true, Qt::Key_Backspace, Qt::ControlModifier, "ab x"},
        {"ab abcdefghijklmnop", true, Qt::Key_Left, Qt::ControlModifier, "ab xabcdefghijklmnop"},
        {"ab abcdefghijklmnop", true, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, "ab x"},
    };
    for (const auto &word : words) {
        SCOPED_TRACE(testing::Message() << word.text << " key " << word.key);
        hidden.setWholeText(QString::fromLatin1(word.text));
        if (word.fromEnd)
            QTest::keyClick(&hidden, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&hidden, word.key, word.modifiers);
        QTest::keyClicks(&hidden, QStringLiteral("x"));
        EXPECT_EQ(hidden.wholeText(), QString::fromLatin1(word.result));
    }

    hidden.setWholeText(QString());
    QTest::keyClicks(&hidden, QStringLiteral("ab"));
    QTest::keyClick(&hidden, Qt::Key_Return);
    QTest::keyClick(&hidden, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClicks(&hidden, QStringLiteral("c"));
    QTest::keyClick(&hidden, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(hidden.wholeText(), QStringLiteral("ab"));

    // More steps than are kept: the oldest go.
    hidden.setWholeText(QString());
    for (int i = 0; i < WholeTextEdit::UndoSteps + 5; ++i)
        QTest::keyClick(&hidden, Qt::Key_Return);
    int undos = 0;
    for (; hidden.canUndoEdit(); ++undos)
        hidden.undoEdit();
    EXPECT_EQ(undos, WholeTextEdit::UndoSteps);
    EXPECT_EQ(hidden.wholeText(), QString(5, QLatin1Char('\n')));

    // Steps of more text than is kept: the newest that fit, and always the newest.
    const QString third(WholeTextEdit::UndoUnits / 3 + 1, QLatin1Char('p'));
    hidden.setWholeText(third);
    auto *mime = new QMimeData;
    mime->setText(third);
    QGuiApplication::clipboard()->setMimeData(mime);
    // Through the editor's own calls: a key of that much text holds the GUI thread
    // longer than the watchdog allows a test's event.
    const auto removeAll = [&hidden] {
        hidden.selectAll();
        QTextCursor cursor = hidden.textCursor();
        cursor.removeSelectedText();
    };
    removeAll();
    hidden.paste();
    removeAll();
    ASSERT_TRUE(hidden.wholeText().isEmpty());
    for (undos = 0; hidden.canUndoEdit(); ++undos)
        hidden.undoEdit();
    EXPECT_EQ(undos, 2) << "the first removal is gone";
    EXPECT_TRUE(hidden.wholeText().isEmpty());
    mime = new QMimeData;
    mime->setText(QString(WholeTextEdit::UndoUnits + 1, QLatin1Char('q')));
    QGuiApplication::clipboard()->setMimeData(mime);
    hidden.paste();
    ASSERT_TRUE(hidden.canUndoEdit());
    hidden.undoEdit();
    EXPECT_TRUE(hidden.wholeText().isEmpty());
    EXPECT_FALSE(hidden.canUndoEdit());
}

// Texts of every kind of unit (each kind of break, blanks, marks, pairs) inserted at
// any place of a document of paragraphs, one as long as many pieces: the paragraphs
// read back (each after the break its format stands for) give the text with it
// inserted, and none starts inside a pair.
TEST(WholeTextParagraphs, ATextInsertedAnywhereReadsBackWhole)
{
    namespace paragraphs = platform::WholeTextParagraphs;
    const QString units[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral(" "), QStringLiteral("\t"),
                             QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"), QString(QChar(0x2029)),
                             QString(QChar(0x2028)), QString(QChar(0x00a0)), QString(QChar(0x0301)), QString(QChar(0xfdd0)),
                             QString(QChar(0xfdd1)), QString::fromUtf16(u"\U0001F600")};
    std::mt19937 random(93);
    const auto text = [&](qsizetype length) {
        QString made;
        while (made.size() < length)
            made += random() % 4 ? QStringLiteral("a") : units[random() % std::size(units)];
        return made;
    };
    // The text the paragraphs hold; none holds more than the longest and what the
    // document held before.
    const auto readBack = [](const QTextDocument &document, qsizetype longest) {
        QString read;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            read += paragraphs::breakBefore(block) + block.text();
            EXPECT_FALSE(!block.text().isEmpty() && block.text().front().isLowSurrogate()) << "a pair parted";
            EXPECT_LE(block.text().size(), longest);
        }
        return read;
    };
    // Told by where they part first (a long text's whole would be too much to show).
    const auto sameText = [](const QString &read, const QString &expected) -> ::testing::AssertionResult {
        const auto differs = std::mismatch(read.cbegin(), read.cend(), expected.cbegin(), expected.cend());
        if (differs.first == read.cend() && differs.second == expected.cend())
            return ::testing::AssertionSuccess();
        const qsizetype at = differs.first - read.cbegin();
        return ::testing::AssertionFailure() << "read " << read.size() << " units, not " << expected.size() << "; from unit "
                                             << at << " \"" << read.mid(at, 12).toStdString() << "\", not \""
                                             << expected.mid(at, 12).toStdString() << "\"";
    };
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const bool many = round % 50 == 0;
        const qsizetype longest = many ? 2048 : 2 + qsizetype(random() % 9);
        QTextDocument document;
        QTextCursor cursor(&document);
        const QString base = text(random() % 40);
        paragraphs::insertInParagraphs(cursor, base, longest);
        ASSERT_TRUE(sameText(readBack(document, longest), base));
        // Where a place of the document stands in the text.
        const int position = int(random() % document.characterCount());
        qsizetype at = 0;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            at += paragraphs::breakBefore(block).size();
            if (position < block.position() + block.length()) {
                at += position - block.position();
                break;
            }
            at += block.text().size();
        }
        // Long: many paragraphs of one kind in a row (lines, or the partings of one run).
        QString inserted = text(random() % 60);
        if (many)
            inserted = round % 100 ? QString(300000, QLatin1Char('a')) : QStringLiteral("aaa\n").repeated(75000);
        cursor.setPosition(position);
        paragraphs::insertInParagraphs(cursor, inserted, longest);
        ASSERT_TRUE(sameText(readBack(document, longest + base.size()), QString(base).insert(at, inserted)))
            << "inserted at " << at << " with paragraphs of " << longest;
    }
}

// The dialog names the kind of text and the item, the name on one line, cut and
// isolated; it answers the text with its edits.
TEST(WholeTextDialog, TheTitleNamesTheItem)
{
    EXPECT_EQ(platform::WholeTextDialog::titleFor(QStringLiteral("Description"), QString()), QStringLiteral("Description"));
    EXPECT_EQ(platform::WholeTextDialog::titleFor(QStringLiteral("Description"), QStringLiteral("Design %1\n\u202Eevil")),
              QStringLiteral("Description of “\u2068Design %1 \u202Eevil\u2069”"));
    const QString title = platform::WholeTextDialog::titleFor(QStringLiteral("Name"), QString(5000, QLatin1Char('n')));
    EXPECT_EQ(title, QStringLiteral("Name of “\u2068%1\u2026\u2069”").arg(QString(80, QLatin1Char('n'))));

    QWidget window;
    auto *field = new QLineEdit(&window);
    window.show();
    auto *dialog = new platform::WholeTextDialog(QStringLiteral("Description"), QStringLiteral("a\r\nb"), &window);
    dialog->open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Description"));
    EXPECT_EQ(dialog->text(), QStringLiteral("a\r\nb"));
    EXPECT_TRUE(dialog->testAttribute(Qt::WA_DeleteOnClose));
    // The window under it takes no input: what reaches it goes on to the dialog.
    QTest::keyClicks(field, QStringLiteral("x"));
    QTest::mouseClick(field, Qt::LeftButton);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(dialog->text(), QStringLiteral("xa\r\nb"));
    dialog->reject();
    testsupport::settleEvents();
}

// The dialog is finished from the keyboard: Ctrl+Return is OK, Escape Cancel, Alt
// with a button's letter presses it (and types nothing), Ctrl+Tab leaves the text,
// where Return and Tab are text; a dialog of one line ends with OK on Return.
TEST(WholeTextDialog, ItIsFinishedFromTheKeyboard)
{
    QWidget window;
    window.show();
    constexpr int Open = -1;
    constexpr int Left = -2; // the focus left the text
    const struct {
        bool oneLine;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int result;
        QString text;
    } cases[] = {
        {false, Qt::Key_Return, Qt::ControlModifier, QDialog::Accepted, QStringLiteral("ab")},
        {false, Qt::Key_Escape, Qt::NoModifier, QDialog::Rejected, QStringLiteral("ab")},
        {false, Qt::Key_O, Qt::AltModifier, QDialog::Accepted, QStringLiteral("ab")},
        {false, Qt::Key_C, Qt::AltModifier, QDialog::Rejected, QStringLiteral("ab")},
        {false, Qt::Key_Tab, Qt::ControlModifier, Left, QStringLiteral("ab")},
        {false, Qt::Key_Return, Qt::NoModifier, Open, QStringLiteral("a\nb")},
        {false, Qt::Key_Tab, Qt::NoModifier, Open, QStringLiteral("a\tb")},
        {true, Qt::Key_Return, Qt::NoModifier, QDialog::Accepted, QStringLiteral("ab")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        auto *dialog = new platform::WholeTextDialog(QStringLiteral("Name"), QStringLiteral("ab"), &window);
        QPointer<platform::WholeTextDialog> guard(dialog);
        dialog->setOneLine(c.oneLine);
        dialog->editor()->moveCaretTo(1);
        int result = Open;
        QString text;
        bool endedWithReturn = false;
        QObject::connect(dialog, &QDialog::finished, [&, dialog](int r) {
            result = r;
            text = dialog->text();
            endedWithReturn = dialog->endedWithReturn();
        });
        dialog->open();
        // A sheet of the window: it shows once the one before it has had its handler run.
        ASSERT_TRUE(QTest::qWaitFor([&] { return platform::Sheet::sheetOfWindow(&window) == dialog; }));
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->editor()->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->editor()->hasFocus(); }));
        QTest::keyClick(dialog->editor(), c.key, c.modifiers);
        if (c.result == Left) {
            EXPECT_TRUE(qobject_cast<QPushButton *>(QApplication::focusWidget()));
        } else if (c.result != Open) { // a mnemonic presses its button a moment later
            EXPECT_TRUE(QTest::qWaitFor([&] { return result != Open; }));
        }
        // Still open: closed here.
        if (result == Open)
            dialog->reject();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
        EXPECT_EQ(result, c.result < 0 ? int(QDialog::Rejected) : c.result);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(endedWithReturn, c.oneLine);
    }
}

// A one-line field: a short text is edited in place; a text too long for it is shown
// cut, takes no edit, and a double click or a paste opens it whole, the caret where
// the field's stood; OK takes the edit, and the field never answers the cut text.
TEST(WholeTextLineEdit, ATextTooLongForTheFieldIsEditedWhole)
{
    QWidget window;
    auto *field = new platform::WholeTextLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    field->setWholeText(QStringLiteral("Short"));
    EXPECT_FALSE(field->isShownCut());
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClicks(field, QStringLiteral("er"));
    EXPECT_EQ(field->wholeText(), QStringLiteral("Shorter"));
    EXPECT_EQ(field->openWholeText(), nullptr);

    const QString longText = QStringLiteral("a\r\nb") + QString(2000, QLatin1Char('c'));
    field->setWholeText(longText);
    EXPECT_TRUE(field->isShownCut());
    EXPECT_EQ(field->text(), QStringLiteral("a b") + QString(996, QLatin1Char('c')) + QChar(0x2026));
    testsupport::doubleClick(field, field->rect().center());
    platform::WholeTextDialog *whole = field->wholeTextDialog();
    ASSERT_NE(whole, nullptr);
    whole->reject();
    testsupport::settleEvents();
    EXPECT_EQ(field->wholeText(), longText);

    // A paste after "a b" goes in after the b (the CR LF shows as one blank).
    QGuiApplication::clipboard()->setText(QStringLiteral("+"));
    field->setCursorPosition(3);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    whole = field->wholeTextDialog();
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->text(), QStringLiteral("a\r\nb+") + QString(2000, QLatin1Char('c')));
    // Keys typed right after, before the desktop gave the dialog the keyboard, reach
    // the field: they go on to the dialog, Return ending it with OK.
    QPointer<platform::WholeTextDialog> guard(whole);
    QTest::keyClicks(field, QStringLiteral("yz"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    EXPECT_EQ(field->wholeText(), QStringLiteral("a\r\nb+yz") + QString(2000, QLatin1Char('c')));
    EXPECT_TRUE(field->isShownCut());

    // Text set from outside is the field's own.
    field->setText(QStringLiteral("Typed"));
    EXPECT_FALSE(field->isShownCut());
    EXPECT_FALSE(field->isReadOnly());
    EXPECT_EQ(field->wholeText(), QStringLiteral("Typed"));
}

// A long key on a line of its own, its first shown line taken back with a word delete:
// the break before it stays, and the keys after it change the letters they stand at.
TEST(WholeTextDialog, WhatItShowsIsWhatItStores)
{
    QWidget window;
    window.show();
    std::mt19937 random(4600);
    const QString key = token(random, 4600);
    const QString head = QStringLiteral("Key for the customer:\n");
    auto *dialog = new platform::WholeTextDialog(QStringLiteral("Description"), head + key + QStringLiteral("\nend of note"), &window);
    QPointer<platform::WholeTextDialog> guard(dialog);
    QString stored;
    QString shown;
    QObject::connect(dialog, &QDialog::accepted, [&, dialog] {
        stored = dialog->text();
        shown = shownText(*dialog->editor()->document());
    });
    dialog->open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    WholeTextEdit *edit = dialog->editor();
    edit->setFocus();
    // On the last line of the key's first paragraph: End is at the parting.
    const QTextBlock first = edit->document()->findBlock(int(head.size()));
    ASSERT_TRUE(WholeTextEdit::continuesParagraph(first.next()));
    edit->moveCaretTo(head.size() + first.length() - 2);
    QTest::keyClick(edit, Qt::Key_End);
    const qsizetype line = edit->wholeCaretPosition() - head.size();
    ASSERT_GT(line, 0);
    QTest::keyClick(edit, Qt::Key_Backspace, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Z);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    const QString expected = head + key.mid(line) + QStringLiteral("\nend of not");
    EXPECT_TRUE(sameText(stored, expected));
    EXPECT_TRUE(sameText(shown, expected));

    // Two lines parted by a CR, a Return at the start of the second and OK: the three
    // lines shown are stored, and opened again show again.
    for (const QString &text : {QStringLiteral("line1\rline2"), QString()}) {
        auto *lines = new platform::WholeTextDialog(QStringLiteral("Description"), text.isNull() ? stored : text, &window);
        QPointer<platform::WholeTextDialog> linesGuard(lines);
        QObject::connect(lines, &QDialog::accepted, [&, lines] {
            stored = lines->text();
            shown = shownText(*lines->editor()->document());
        });
        lines->open();
        lines->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(lines));
        lines->editor()->setFocus();
        if (!text.isNull()) {
            lines->editor()->moveCaretTo(6);
            QTest::keyClick(lines->editor(), Qt::Key_Return);
        }
        QTest::keyClick(lines->editor(), Qt::Key_Return, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !linesGuard; }));
        EXPECT_EQ(shown, QStringLiteral("line1\n\nline2")) << (text.isNull() ? "opened again" : "edited");
        EXPECT_EQ(linesOf(stored), shown);
    }
}

// A step by a word shows the caret where a plain editor as wide shows it: one that
// ends at a parting (where a line wraps) at the start of the next line, going either
// way.
TEST_F(WholeTextEditTest, AWordStepShowsTheCaretWhereAPlainEditorDoes)
{
    QPlainTextEdit plain;
    plain.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    plain.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (QPlainTextEdit *edit : {static_cast<QPlainTextEdit *>(editor.get()), &plain})
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    plain.show();
    editor->setLongestBlock(40);
    std::mt19937 random(164);
    QString text;
    while (text.size() < 1500)
        text += (random() % 12 == 0 ? token(random, 50) : token(random, 1 + random() % 9)) + QLatin1Char(' ');
    int atPartings = 0;
    for (const int width : {150, 230, 310}) {
        SCOPED_TRACE(width);
        for (QPlainTextEdit *edit : {static_cast<QPlainTextEdit *>(editor.get()), &plain})
            edit->resize(width, 300);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return editor->viewport()->size() == plain.viewport()->size() && plain.size() == QSize(width, 300);
        }));
        editor->setWholeText(text);
        plain.setPlainText(text);
        editor->viewport()->repaint();
        const int bottom = plain.viewport()->height() - 2 * plain.fontMetrics().height();
        // Forward from the top while the caret is in view, then back again.
        for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left}) {
            for (int step = 0; step < 400; ++step) {
                QTest::keyClick(editor.get(), key, Qt::ControlModifier);
                QTest::keyClick(&plain, key, Qt::ControlModifier);
                editor->viewport()->repaint();
                ASSERT_EQ(editor->wholeCaretPosition(), plain.textCursor().position());
                ASSERT_EQ(plain.verticalScrollBar()->value(), 0);
                const QTextCursor caret = editor->textCursor();
                if (caret.position() == caret.block().position() && WholeTextEdit::continuesParagraph(caret.block()))
                    ++atPartings;
                ASSERT_EQ(editor->cursorRect(), plain.cursorRect()) << "at " << plain.textCursor().position();
                if (key == Qt::Key_Right ? plain.cursorRect().bottom() > bottom : plain.textCursor().position() == 0)
                    break;
            }
        }
    }
    EXPECT_GT(atPartings, 20);
}

// A paragraph longer than Qt shapes at once, at the default paragraph size: the
// letters on each side of where Qt's runs meet stand where a plain editor's do
// (their caret drawn in the same place), whatever letters meet there.
TEST_F(WholeTextEditTest, LettersStandWhereAPlainEditorsDoInALongParagraph)
{
    QPlainTextEdit plain;
    plain.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    plain.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    plain.show();
    for (QPlainTextEdit *edit : {static_cast<QPlainTextEdit *>(editor.get()), &plain}) {
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->resize(345, 6000);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain.size() == QSize(345, 6000) && editor->size() == plain.size(); }));
    std::mt19937 random(4096);
    for (const QString &pair : {QStringLiteral("rc"), QStringLiteral("ky"), QStringLiteral("Ta"), QStringLiteral("wo")}) {
        QString text = QStringLiteral("ab ") + token(random, 3 * WholeTextEdit::ShapedRun);
        for (const qsizetype run : {1, 2})
            text.replace(run * WholeTextEdit::ShapedRun - 1, 2, pair);
        editor->setWholeText(text);
        plain.setPlainText(text);
        for (const qsizetype run : {1, 2}) {
            for (qsizetype at = run * WholeTextEdit::ShapedRun - 3; at < run * WholeTextEdit::ShapedRun + 60; ++at) {
                editor->moveCaretTo(at);
                QTextCursor caret(plain.document());
                caret.setPosition(int(at));
                plain.setTextCursor(caret);
                editor->viewport()->repaint();
                ASSERT_EQ(editor->cursorRect(), plain.cursorRect()) << pair.toStdString() << " at " << at;
            }
        }
    }
}

// A word delete that empties the paragraph before a parting, at any width: the
// parting moves to where its line wraps and the break before the emptied paragraph
// stays (an emptied paragraph is gone with its block).
TEST_F(WholeTextEditTest, AnEmptiedParagraphBeforeAPartingKeepsItsBreak)
{
    editor->setLongestBlock(9);
    std::mt19937 random(9);
    const QString key = token(random, 60);
    const QString text = QStringLiteral("ab ") + token(random, 5) + QLatin1Char('\n') + key + QStringLiteral(" cd");
    int emptied = 0;
    for (int width = 60; width <= 200; width += 7) {
        SCOPED_TRACE(width);
        editor->resize(width, 200);
        ASSERT_TRUE(QTest::qWaitFor([&] { return editor->width() == width; }));
        for (int piece = 0;; ++piece) {
            editor->setWholeText(text);
            editor->viewport()->repaint();
            // The paragraphs the key is held in, the piece-th of them.
            QTextBlock block = editor->document()->findBlock(int(text.indexOf(key)) + 1);
            for (int i = 0; i < piece && block.isValid(); ++i)
                block = block.next();
            if (!block.isValid() || !WholeTextEdit::continuesParagraph(block.next()))
                break;
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock);
            editor->setTextCursor(cursor);
            const qsizetype at = editor->wholeCaretPosition();
            QTest::keyClick(editor.get(), Qt::Key_Backspace, Qt::ControlModifier);
            editor->viewport()->repaint();
            QString expected = text;
            const qsizetype from = piece == 0 ? text.indexOf(key) : editor->wholeCaretPosition();
            expected.remove(from, at - from);
            emptied += piece == 0;
            ASSERT_TRUE(sameText(editor->wholeText(), expected)) << "piece " << piece;
            ASSERT_TRUE(sameText(shownText(*editor->document()), expected)) << "piece " << piece;
            ASSERT_TRUE(partingsShownAtWraps(*editor)) << "piece " << piece;
        }
    }
    EXPECT_GT(emptied, 10);
}

// The page keys and Up and Down, with and without Shift, from every place of texts
// parted into small paragraphs, in narrow views that show all (a plain editor's page
// keys stop at the top and the bottom, or where a line wrapped inside a word holds the
// caret), and page by page through a long paragraph in a view that scrolls: the caret,
// the selection, the drawn caret and the view are a plain editor's.
TEST_F(WholeTextEditTest, PageKeysGoWhereAPlainEditorsDo)
{
    QPlainTextEdit plain;
    plain.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    plain.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (QPlainTextEdit *edit : {static_cast<QPlainTextEdit *>(editor.get()), &plain})
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    plain.show();
    std::mt19937 random(1017);
    const auto compare = [&](const char *what) {
        editor->viewport()->repaint();
        plain.viewport()->repaint();
        ASSERT_EQ(editor->wholeCaretPosition(), plain.textCursor().position()) << what;
        ASSERT_EQ(shownPosition(*editor->document(), editor->textCursor().anchor()), plain.textCursor().anchor()) << what;
        ASSERT_EQ(editor->verticalScrollBar()->value(), plain.verticalScrollBar()->value()) << what;
        // Scrolled into a paragraph parted above the view, the lines stand a pixel
        // apart from a plain editor's (its offset in the one paragraph is rounded
        // otherwise): the caret is on the same line, as drawn.
        const QRect caret = editor->cursorRect();
        const QRect plainCaret = plain.cursorRect();
        ASSERT_EQ(caret.x(), plainCaret.x()) << what << " at " << plain.textCursor().position();
        ASSERT_LE(std::abs(caret.y() - plainCaret.y()), plain.verticalScrollBar()->value() == 0 ? 0 : 1) << what;
    };
    const struct {
        int longest;
        QSize size;
        int texts;
    } views[] = {{6, {96, 4000}, 6}, {9, {125, 4000}, 6}, {40, {300, 120}, 1}};
    for (const auto &view : views) {
        SCOPED_TRACE(testing::Message() << "paragraphs of " << view.longest << " in " << view.size.width() << "x" << view.size.height());
        editor->setLongestBlock(view.longest);
        for (QPlainTextEdit *edit : {static_cast<QPlainTextEdit *>(editor.get()), &plain})
            edit->resize(view.size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return editor->size() == view.size && plain.size() == view.size; }));
        for (int round = 0; round < view.texts; ++round) {
            const QStringList texts = longRunTexts(random, view.longest);
            const QString text = view.longest > 9 ? QStringLiteral("ab ") + token(random, 3000) : texts.at(round % texts.size());
            editor->setWholeText(text);
            plain.setPlainText(text);
            editor->viewport()->repaint();
            if (view.longest > 9) {
                // Down to the end a page at a time, and up again.
                for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageUp}) {
                    for (int page = 0; page < 200 && plain.textCursor().position() != (key == Qt::Key_PageUp ? 0 : text.size()); ++page) {
                        QTest::keyClick(editor.get(), key);
                        QTest::keyClick(&plain, key);
                        ASSERT_NO_FATAL_FAILURE(compare("page by page"));
                    }
                }
                continue;
            }
            static const KeyStep keys[] = {
                {Qt::Key_PageUp, {}, {}}, {Qt::Key_PageDown, {}, {}}, {Qt::Key_PageUp, Qt::ShiftModifier, {}},
                {Qt::Key_PageDown, Qt::ShiftModifier, {}}, {Qt::Key_Up, {}, {}}, {Qt::Key_Down, Qt::ShiftModifier, {}},
            };
            for (qsizetype at = 0; at <= text.size(); ++at) {
                for (const KeyStep &key : keys) {
                    editor->moveCaretTo(at);
                    QTextCursor cursor(plain.document());
                    cursor.setPosition(int(at));
                    plain.setTextCursor(cursor);
                    sendStep(editor.get(), key, 0, 0);
                    sendStep(&plain, key, 0, 0);
                    ASSERT_NO_FATAL_FAILURE(compare("from each place"));
                }
            }
        }
    }
}
