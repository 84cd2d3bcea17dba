#include "platform/foundation/DisplayText.h"

#include <algorithm>

namespace platform::DisplayText {

namespace {

constexpr char16_t Ellipsis = 0x2026;
constexpr char16_t LeftToRightIsolate = 0x2066;
constexpr char16_t RightToLeftIsolate = 0x2067;
constexpr char16_t FirstStrongIsolate = 0x2068;
constexpr char16_t PopDirectionalIsolate = 0x2069;

// Whether the unit at the index continues the character before it: the low half
// of a surrogate pair or (the first unit of) a combining mark.
bool continuesCharacter(const QString &text, qsizetype at)
{
    const QChar c = text.at(at);
    if (c.isLowSurrogate())
        return at > 0 && text.at(at - 1).isHighSurrogate();
    char32_t codePoint = c.unicode();
    if (c.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        codePoint = QChar::surrogateToUcs4(c, text.at(at + 1));
    return QChar::isMark(codePoint);
}

} // namespace

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

QString oneLine(const QString &text)
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

bool isCut(const QString &text, qsizetype limit)
{
    return text.size() > std::max<qsizetype>(limit, 0);
}

QString cut(const QString &text, qsizetype limit)
{
    if (!isCut(text, limit))
        return text;
    qsizetype end = std::max<qsizetype>(limit, 0);
    // The character the limit falls in goes whole. A character with more marks than
    // the limit is cut among its marks, but never inside a surrogate pair.
    qsizetype back = end;
    while (back > 0 && continuesCharacter(text, back))
        --back;
    if (back > 0)
        end = back;
    else if (end > 0 && text.at(end).isLowSurrogate() && text.at(end - 1).isHighSurrogate())
        --end;
    QString shown;
    shown.reserve(end + 1);
    shown.append(QStringView(text).left(end));
    shown.append(QChar(Ellipsis));
    return shown;
}

QString shownOnOneLine(const QString &text, qsizetype limit)
{
    return oneLine(cut(text, limit));
}

QString isolated(const QString &text)
{
    QString shown;
    shown.reserve(text.size() + 2);
    shown.append(QChar(FirstStrongIsolate));
    qsizetype open = 0;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case LeftToRightIsolate:
        case RightToLeftIsolate:
        case FirstStrongIsolate:
            ++open;
            break;
        case PopDirectionalIsolate:
            // One that would close the isolate around the text stays out.
            if (open == 0)
                continue;
            --open;
            break;
        default:
            break;
        }
        shown.append(c);
    }
    for (; open > 0; --open)
        shown.append(QChar(PopDirectionalIsolate));
    shown.append(QChar(PopDirectionalIsolate));
    return shown;
}

QString setInText(const QString &text, qsizetype limit)
{
    return isolated(shownOnOneLine(text, limit));
}

} // namespace platform::DisplayText
