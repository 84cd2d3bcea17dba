// Fuzz target: the line table of a line-number ruler over any UTF-16 text (the
// input's bytes in pairs, little end first). The table must be strictly ascending,
// start at 0, hold one entry more than a plain count of the line ends, and the
// bisection must answer every position's line. Short inputs also go through an
// editor, as typed or pasted text does, and its ruler must hold the same table as
// the editor's raw text gives.
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRuler.h"
#include "platform/drawing/WithVerticalRuler.h"

#include <QPlainTextEdit>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool endsLine(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkTable(const QString &text)
{
    const QList<qsizetype> table = NTXLineNumberRuler::lineStartsOfText(text);
    qsizetype ends = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (endsLine(text[i].unicode()) && !(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'))
            ++ends;
    }
    check(table.size() == ends + 1);
    check(table.first() == 0);
    for (qsizetype i = 1; i < table.size(); ++i)
        check(table[i - 1] < table[i] && table[i] <= text.size());
    // every position's line, walking the table alongside
    qsizetype line = 0;
    for (qsizetype position = 0; position <= text.size(); ++position) {
        while (line + 1 < table.size() && table[line + 1] <= position)
            ++line;
        check(NTXLineNumberRuler::lineNumberForCharacterIndex(table, position) == quint64(line));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    checkTable(text);
    if (text.size() <= 256) {
        platform::WithVerticalRuler<QPlainTextEdit> edit;
        auto *ruler = new NTXLineNumberRuler(&edit);
        edit.setVerticalRulerView(ruler);
        edit.insertPlainText(text);
        check(ruler->lineIndices() == NTXLineNumberRuler::lineStartsOfText(edit.document()->toRawText()));
        checkTable(edit.document()->toRawText());
    }
    return 0;
}
