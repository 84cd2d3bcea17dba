#pragma once
// The inspector's two line rules, applied after the document is laid out: a field
// with a minimum height keeps the next field's lines at least that far below the top
// of its own last line (unless the next field suppresses it; fields that suppress it
// are passed over when looking back), and a field's inset moves its lines right. The
// rules become block margins (top margin, left margin = label column + inset) of the
// block whose first character belongs to the field; each field remembers the
// rectangle of its most recently laid-out line (document coordinates).
//
// A pass over the whole text finds each block's field through an index built once
// for the pass, so it costs the same per block however many fields there are. A
// pass over a range (what a change in place touched) lays out the blocks of the
// range and the block after it, whose rule looks back at them, and goes on while a
// block's margins changed or the next block's rule looks back past the block before
// it; the blocks further on only move (by as much as the first of them), their rules
// read nothing the pass changed, and their fields keep their rectangles until the
// inspector moves them.
// Stateless; GUI thread.
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"
#include "platform/foundation/Range.h"

#include <QRectF>

#include <optional>

class QTextBlock;
class QTextDocument;

class NTXTextViewInspectorTypesetter
{
public:
    // Answers whether a margin changed (the document is then laid out again). The
    // pass covers the blocks of `range` and the one after it; NotFound: every block.
    // `end`, when given, receives the position after the last block laid out.
    bool layOutLines(QTextDocument &document, const QList<NTXTextViewInspectorFieldPtr> &visibleFields,
                     qreal labelColumnWidth, platform::Range range = platform::Range(), qsizetype *end = nullptr) const;
    // The rectangle (document coordinates) of the field's last line in the block, as a
    // pass records it; none when no line of the block belongs to the field.
    static std::optional<QRectF> lastLineOfField(const QTextDocument &document, const QTextBlock &block,
                                                 const NTXTextViewInspectorField *field);
};
