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
// range and the block after it, whose rule looks back at them; the fields further on
// keep the rectangles of their last pass until the next whole pass.
// Stateless; GUI thread.
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"
#include "platform/foundation/Range.h"

class QTextDocument;

class NTXTextViewInspectorTypesetter
{
public:
    // Answers whether a margin changed (the document is then laid out again). The
    // pass covers the blocks of `range` and the one after it; NotFound: every block.
    bool layOutLines(QTextDocument &document, const QList<NTXTextViewInspectorFieldPtr> &visibleFields,
                     qreal labelColumnWidth, platform::Range range = platform::Range()) const;
};
