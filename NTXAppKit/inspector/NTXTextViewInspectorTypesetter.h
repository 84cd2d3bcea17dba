#pragma once
// The inspector's two line rules, applied after the document is laid out: a field
// with a minimum height keeps the next field's lines at least that far below the top
// of its own last line (unless the next field suppresses it; fields that suppress it
// are passed over when looking back), and a field's inset moves its lines right. The
// rules become block margins (top margin, left margin = label column + inset) of the
// block whose first character belongs to the field; each field remembers the
// rectangle of its most recently laid-out line (document coordinates).
// Stateless; GUI thread.
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"

class QTextDocument;

class NTXTextViewInspectorTypesetter
{
public:
    // Answers whether a margin changed (the document is then laid out again).
    bool layOutLines(QTextDocument &document, const QList<NTXTextViewInspectorFieldPtr> &visibleFields,
                     qreal labelColumnWidth) const;
};
