#include "platform/drawing/SingleLineText.h"

namespace platform::SingleLineText {

bool breaksLine(QChar c)
{
    switch (c.unicode()) {
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

QString fromUserText(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && !breaksLine(text.at(i)))
        ++i;
    if (i == text.size())
        return text;
    QString line = text.left(i);
    line.reserve(text.size());
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!breaksLine(c)) {
            line += c;
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        line += QLatin1Char(' ');
    }
    return line;
}

} // namespace platform::SingleLineText
