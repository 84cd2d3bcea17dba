// The line table of a text and the bisection over it: pure functions, no widgets.
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRuler.h"

namespace {

bool endsLine(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

} // namespace

QList<qsizetype> NTXLineNumberRuler::lineStartsOfText(QStringView text)
{
    QList<qsizetype> starts;
    starts.append(0);
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = text[i].unicode();
        if (!endsLine(c))
            continue;
        if (c == u'\r' && i + 1 < length && text[i + 1] == u'\n')
            ++i; // \r\n ends one line
        starts.append(i + 1);
    }
    return starts;
}

quint64 NTXLineNumberRuler::lineNumberForCharacterIndex(const QList<qsizetype> &table, qsizetype index)
{
    qsizetype low = 0;
    qsizetype high = table.size();
    while (high - low >= 2) {
        const qsizetype mid = low + (high - low) / 2;
        if (table[mid] > index) {
            high = mid;
        } else {
            low = mid;
            if (table[mid] == index)
                return quint64(mid);
        }
    }
    return quint64(low);
}
