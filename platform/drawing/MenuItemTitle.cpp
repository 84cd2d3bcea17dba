#include "platform/drawing/MenuItemTitle.h"

namespace platform::MenuItemTitle {

namespace {

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

} // namespace

QString fromUserText(const QString &text)
{
    QString title;
    title.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&')) {
            title += QStringLiteral("&&");
        } else if (breaksLine(c)) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            title += QLatin1Char(' ');
        } else {
            title += c;
        }
    }
    return title;
}

} // namespace platform::MenuItemTitle
