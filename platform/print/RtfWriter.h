#pragma once
// Writes a QTextDocument as RTF: a font table (the families the fonts resolve to
// here, not aliases such as "Sans Serif") and a colour table, one paragraph per
// block with its tab stops (right "\tqr", centred "\tqc", decimal "\tqdec", left)
// and indents ("\fi", "\li", "\ri") in twips, and the characters' font, size,
// weight, slant and colour. The output is 7-bit: every character outside printable
// ASCII is written as "\uN?" (each half of a surrogate pair on its own, a lone
// surrogate as U+FFFD), tabs as "\tab", line separators as "\line", blocks end in
// "\par" (the last block only when it holds text), and "\", "{" and "}" are escaped.
// Indents are taken as points and tab stops as PagedTextPrinter::layoutTabs() makes
// them; RTF counts both from the margin.
//
// Stateless; re-entrant on different documents. The document is only read.
#include <QByteArray>

class QTextDocument;

namespace platform {

class RtfWriter
{
public:
    static QByteArray write(const QTextDocument &document);
};

} // namespace platform
