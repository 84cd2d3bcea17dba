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
// copy leaves it out, and the keys that move or delete by character step over it
// as over nothing. Every break the text holds (LF, CR LF, CR, U+2029) comes back
// as it was; Return breaks with an LF. Lines wrap at blanks, and anywhere only
// inside a word longer than the line.
//
// Ownership: a widget, owned by its parent. Threads: GUI thread only. It cannot fail.
#include <QList>
#include <QPlainTextEdit>
#include <QTextBlockFormat>

namespace platform {

class WholeTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    // Units a paragraph of the editor holds at most when the text is given or pasted:
    // a key laid out in well under a frame.
    static constexpr int DefaultLongestBlock = 2048;

    explicit WholeTextEdit(QWidget *parent = nullptr);

    // Replaces the whole text; the editor's own undo starts empty.
    void setWholeText(const QString &text);
    // The text with the user's edits, exactly.
    QString wholeText() const;
    // Puts the caret before the unit of wholeText() at the position (at the end for a
    // position past it).
    void moveCaretTo(qsizetype position);
    // Selects the units of wholeText() from the anchor to the position (the caret's
    // end), each as moveCaretTo() places it.
    void selectWhole(qsizetype anchor, qsizetype position);
    // The caret's place in wholeText().
    qsizetype wholeCaretPosition() const;

    int longestBlock() const { return m_longestBlock; }
    // Takes effect with the next text given or pasted; at least 2.
    void setLongestBlock(int units);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Inserts the text at the cursor (replacing its selection) as one edit.
    void insertWhole(const QString &text);
    // The text between two positions of the document.
    QString textBetween(int from, int to) const;
    // The document's position before the unit of wholeText() at the position.
    int documentPosition(qsizetype position) const;
    // After a change: the paragraph where a removal began keeps the break before it
    // (Qt gives a removal that starts at a paragraph's start the format of the
    // paragraph it ends in), as part of the same undo step.
    void keepBreakAfterChange(int position, int removed);
    // Where each paragraph starts and the format that says what stands before it.
    void rememberParagraphs();

    int m_longestBlock = DefaultLongestBlock;
    bool m_adjusting = false;
    QList<int> m_paragraphStarts;
    QList<QTextBlockFormat> m_paragraphFormats;
};

} // namespace platform
