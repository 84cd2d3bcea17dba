#pragma once
// How the whole-text editor (WholeTextEdit) holds a text in the paragraphs of its
// document: a paragraph for each break of the text, with the break it stands for in
// its format, and a run longer than the longest paragraph parted into several, each
// after the first marked as going on from the one before (a parting, no break of the
// text). The word steps here look through partings as the keys of a plain editor
// look through a paragraph.
//
// Plain functions of the given document and text; GUI thread only, as the document.
// None can fail.
#include <QString>
#include <QStringView>
#include <QTextBlock>
#include <QTextBlockFormat>

class QTextCursor;

namespace platform::WholeTextParagraphs {

// The length of the break at the index (CR LF is one), 0 when none starts there.
qsizetype breakAt(QStringView text, qsizetype at);
// The format of a paragraph after the break, and of one after a parting.
QTextBlockFormat formatAfterBreak(QStringView brk);
QTextBlockFormat joinedFormat();
// Whether the paragraph goes on from the one before it (a parting before it).
bool isJoined(const QTextBlock &block);
// Whether the format says so.
bool isJoinedFormat(const QTextBlockFormat &format);
// Whether the two formats stand for the same thing before their paragraph.
bool sameBreak(const QTextBlockFormat &one, const QTextBlockFormat &other);
// The break before the block (none for the first one or a parting).
QString breakBefore(const QTextBlock &block);
// The break before a paragraph of the format that is not the first (none for a
// parting).
QString breakOfFormat(const QTextBlockFormat &format);
// Where a run longer than the longest paragraph is parted: after the last blank in
// its second half, else before the character the limit falls in.
qsizetype partingOf(QStringView run, qsizetype longest);
// Inserts the text at the cursor: a paragraph for each break (with the break it
// stands for), and runs longer than the longest paragraph parted.
void insertInParagraphs(QTextCursor &cursor, QStringView text, qsizetype longest);

// Where a step by a word from the document's position ends (forward: to the start of
// the next word; backward: to the start of this or the previous word), as in one
// unparted paragraph; -1 when no parting lies in the way (the step is the document's
// own then). A step that ends at a parting ends at the start of the paragraph after
// it, whichever way it went.
int wordStep(const QTextBlock &block, int position, bool forward);

} // namespace platform::WholeTextParagraphs
