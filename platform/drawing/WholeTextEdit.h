#pragma once
// A plain-text editor for a text of any length (a description of megabytes, a name
// too long for one line), that answers exactly the text it was given with the
// user's edits, character for character.
//
// Laying out a paragraph costs time in step with its length, and Qt's plain-text
// editor lays out the whole paragraph a key changes; so the editor holds the text
// in paragraphs of at most longestBlock() units: a run longer than that is shown in
// several, parted after a blank where there is one near the end (else between two
// characters). Such a parting is no break of the text: wholeText() leaves it out, a
// copy leaves it out, the keys that move or delete by character step over it as over
// nothing, and those by a word (and an input method's replacement) look through it
// as through one paragraph. Nor does it show as one: where it can be seen, a parting
// stands where the line would wrap anyway at the view's width (its paragraph's last
// line full), moved there after every edit and resize and before it is painted;
// lines wrap at blanks, and anywhere only inside a word longer than the line, as in
// one unparted paragraph.
// A caret at a parting shows where a plain editor shows one at a wrap, at the start
// of the next line; End, Up, Down and the page keys stop there where a plain
// editor's stop on a line that wraps, and the page keys go as far.
// Every break the text holds (LF, CR LF, CR, U+2029) comes back as it was, and so
// does every break pasted or committed by an input method; Return breaks with an LF.
// What it shows is what it holds: a break shows as one, a parting never; an LF that
// an edit puts right after a CR (which would join it into one CR LF) goes in as a
// CR LF, so that the two breaks shown stay two in the text.
//
// Undo and redo are the editor's own, in terms of the text (moving a parting is no
// edit): Ctrl+Z and Ctrl+Shift+Z (Ctrl+Y), the context menu, undoEdit() and
// redoEdit(); typing undoes as one step as long as it goes on where it stopped (an
// undo or a redo ends it). Giving a new text forgets them. The undo keeps the
// newest UndoSteps steps at most, and of those no more than hold UndoUnits units of
// text (the newest step stays, however long).
//
// Ownership: a widget, owned by its parent. Threads: GUI thread only. It cannot fail.
#include <QList>
#include <QPlainTextEdit>
#include <QTextBlockFormat>

#include <memory>
#include <utility>
#include <vector>

class QMenu;
class QTextLayout;

namespace platform {

class WholeTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    // Units a paragraph of the editor holds at most when the text is given or pasted:
    // a key laid out in well under a frame.
    static constexpr int DefaultLongestBlock = 2048;
    // What the undo keeps at most.
    static constexpr int UndoSteps = 1000;
    static constexpr qsizetype UndoUnits = qsizetype(4) * 1024 * 1024;
    // The longest run of a paragraph Qt's text layout shapes as one.
    static constexpr int ShapedRun = 4096;

    explicit WholeTextEdit(QWidget *parent = nullptr);

    // Replaces the whole text; the editor's undo starts empty.
    void setWholeText(const QString &text);
    // The text with the user's edits, exactly.
    QString wholeText() const { return m_text; }
    // Puts the caret before the unit of wholeText() at the position (at the end for a
    // position past it).
    void moveCaretTo(qsizetype position);
    // Selects the units of wholeText() from the anchor to the position (the caret's
    // end), each as moveCaretTo() places it: none when both are placed in one place
    // of the text.
    void selectWhole(qsizetype anchor, qsizetype position);
    // The caret's place in wholeText().
    qsizetype wholeCaretPosition() const;

    int longestBlock() const { return m_longestBlock; }
    // Takes effect with the next text given or pasted; at least 2.
    void setLongestBlock(int units);

    // Whether the paragraph goes on from the one before it, parted only (no break of
    // the text between them).
    static bool continuesParagraph(const QTextBlock &block);

    bool canUndoEdit() const { return !m_undo.empty() && !isReadOnly(); }
    bool canRedoEdit() const { return !m_redo.empty() && !isReadOnly(); }
    void undoEdit();
    void redoEdit();
    // Points the Undo and Redo items of a context menu built for this editor (Qt's, or
    // one made without reading the clipboard) at the editor's own undo.
    Q_INVOKABLE void adjustContextMenu(QMenu *menu);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // One change of the text: at `at`, `removed` gave way to `inserted`.
    struct Edit
    {
        qsizetype at = 0;
        QString removed;
        QString inserted;
        bool typing = false;
        // Where the typed text ends: more typing there goes into the step.
        qsizetype typedTo = -1;
    };

    // A key that moves, selects or deletes by a word across a parting: done as in
    // one unparted paragraph (answers whether the key was one).
    bool wordKey(QKeyEvent *event);
    // A selection of partings only (a key may leave its ends on the two sides of
    // one) is none: the caret stays where it is.
    void dropEmptySelection();
    // The cursor with its caret end at a parting moved to the start of the paragraph
    // after it: where a plain editor shows a caret at a line's wrap, the start of the
    // next line. A vertical key's column is kept if asked, else it is the caret's.
    static QTextCursor caretPastParting(QTextCursor cursor, bool keepColumn = false);
    void showCaretPastParting();
    // After an edit: the column the vertical keys go by is the caret's as it shows
    // now (the partings may have moved under it).
    void caretColumnAsShown();
    // After End, or a vertical key (Up, Down) that moved the caret from the position
    // (extending the selection, or not): a caret on the line before a parting goes
    // where a plain editor's key stops on a line that wraps.
    void caretAtLineEnd(bool vertical, int from, qreal column, bool extending);
    // The row of a block before a parting (its last line) laid out as a plain editor
    // lays out the line: at the width and place the line has, followed by enough of
    // what comes after the parting that the line ends before the text given to it does
    // (or with all of it), and not the last line.
    std::unique_ptr<QTextLayout> rowAsWrapped(const QString &row, const QString &following, qreal lineWidth, qreal x) const;
    // Where a plain editor's vertical key stops that left the cursor where it stands,
    // on the row of a block before a parting: where the line that wraps there takes the
    // column (its end is the start of the paragraph after the parting).
    int columnOnRow(const QTextCursor &cursor, qreal x) const;
    // The column a vertical key of the cursor goes by (its verticalMovementX(), to the
    // fraction of a pixel where that can be known).
    qreal columnOf(const QTextCursor &cursor) const;
    // After the caret moved, or a key other than a vertical one: remembers its column
    // where Qt's cursor took it from the caret's place (kept while the caret stays
    // in its place in the text and the cursor tells it).
    void placedColumn();
    // One step of the cursor up or down a line, as a plain editor's caret steps in the
    // text unparted; `shown` is where the caret shows (the cursor's place, or the one
    // columnOnRow() gives after a step): answers whether its place in the text changed.
    bool lineStep(QTextCursor &cursor, int &shown, qreal x, bool down, QTextCursor::MoveMode mode) const;
    // After Qt's vertical key (Up or Down) from the position, that went by the column
    // it tells in whole pixels: the caret goes to where the exact column takes it on
    // the line the key went to.
    void lineAtColumn(int from, int told, qreal column, bool extending);
    // The top of the line a caret at the position is on, as the editor places the block.
    qreal caretTop(int position) const;
    // PageUp and PageDown (extending the selection, or not) as a plain editor's: the
    // view goes a page on, and the caret line by line (keeping its column) to the
    // height in the view it had at the first of a run of page keys; to the first or the
    // last line when the view can go no further.
    void movePage(bool down, bool extending);
    void pushUndo(Edit edit);
    // Drops the oldest steps beyond the bounds.
    void keepUndoBounds();
    // Inserts the text at the cursor (replacing its selection) as one edit.
    void insertWhole(const QString &text);
    // The units of the document an input method's replacement (counted in the text
    // from the cursor) stands for.
    std::pair<int, int> replacedRange(const QTextCursor &cursor, int start, int length) const;
    // The document's own units between two positions (a paragraph's end as Qt's
    // separator).
    QString documentUnits(int from, int to) const;
    // The text between two positions of the document.
    QString textBetween(int from, int to) const;
    // The same, the paragraphs read from what is remembered of them (their places as
    // the document has them now).
    QString rememberedTextBetween(int from, int to) const;
    // The document's position before the unit of wholeText() at the position.
    int documentPosition(qsizetype position) const;
    // The place in wholeText() of a position of the document, as the paragraphs stood
    // when last remembered.
    qsizetype rememberedWholePosition(int position) const;
    // A change of the document: the text follows it and, unless it is an undo or a
    // redo, the undo list takes it.
    void documentChanged(int position, int removed, int added);
    // After a change that put an LF break right after a CR break (a Return, a paste or
    // an input method's commit after a CR, or what stood between the two deleted), the
    // LF's paragraph stands after a CR LF: the text holds the two breaks the editor
    // shows, which a CR LF read again would join into one. The change (`gone` gave
    // way to `inserted` at `from`) takes the CR with it, and the whole break when the
    // LF stood after it.
    void keepBreaksApart(qsizetype from, QString &gone, QString &inserted);
    // After a change: the paragraph where a removal began keeps the break before it
    // (Qt gives a removal that starts at a paragraph's start the format of the
    // paragraph it ends in).
    void keepBreakAfterChange(int position, int removed);
    // Where each paragraph starts (in the document and in the text) and the format
    // that says what stands before it.
    void rememberParagraphs();
    // The kind of the block's paragraph (m_paragraphKinds, added when new), for a walk
    // over the document's blocks: `seen` keeps the kinds of the document's formats
    // the walk has met (by Qt's index of them), so that each is read once.
    int paragraphKind(const QTextBlock &block, std::vector<std::pair<int, int>> &seen);
    // The same after a change of the document, reading only the paragraphs it changed.
    void rememberChangedParagraphs(int position, int removed, int added);
    // Replaces the units of the text from `at` on with the text, as an undo or redo.
    void replaceWhole(qsizetype at, qsizetype length, const QString &text);
    // Moves the partings that can be seen to where their lines wrap anyway.
    void mendPartings();
    // One pass over the blocks shown; answers whether a parting moved.
    bool mendPartingsShown();
    // Qt shapes a paragraph in runs of at most ShapedRun units from its start (no
    // kerning between two): the paragraphs shown are shaped in the same runs, counted
    // from the start of the text's paragraph they are parted from, so that their
    // letters stand where a plain editor's do.
    void shapeAsOneParagraph();
    // Whether the parting before the block's successor stands where the block's last
    // line would wrap; else moves it there (answers whether it moved).
    bool mendPartingAfter(const QTextBlock &block, qreal lineWidth);

    int m_longestBlock = DefaultLongestBlock;
    QString m_text;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;
    // The units of text the undo steps hold.
    qsizetype m_undoUnits = 0;
    bool m_adjusting = false;
    bool m_undoing = false;
    bool m_mending = false;
    bool m_mendPending = false;
    // The caret's height in the view that a run of page keys keeps.
    qreal m_pageTop = 0;
    // The column the last vertical key went by, and where in the text it left the
    // caret (-1 once the caret moved otherwise, or another key came).
    qreal m_column = -1;
    qsizetype m_columnPosition = -1;
    // The column the caret had where it was last placed otherwise, and the place in
    // the text (-1 when not known).
    qreal m_placedColumn = -1;
    qsizetype m_placedPosition = -1;
    bool m_pageTopKept = false;
    // Changes of the text so far.
    int m_changes = 0;
    // What the key or the input method being handled types (none for other keys),
    // and where in the text.
    QString m_typed;
    qsizetype m_typedAt = 0;
    // What stands before a paragraph: its format, and the break it stands after
    // unless it is the first (none for a parting).
    struct ParagraphKind
    {
        QTextBlockFormat format;
        QString brk;
    };
    QList<int> m_paragraphStarts;
    QList<qsizetype> m_paragraphWholeStarts;
    // Each paragraph's kind, a place in m_paragraphKinds: the paragraphs of a text
    // have few (a parting's, one for each kind of break), each held once.
    QList<int> m_paragraphKindOf;
    QList<ParagraphKind> m_paragraphKinds;
};

} // namespace platform
