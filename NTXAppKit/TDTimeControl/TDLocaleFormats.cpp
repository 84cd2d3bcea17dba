#include "NTXAppKit/TDTimeControl/TDLocaleFormats.h"

#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>

namespace TDLocaleFormats {

namespace {

// One field or literal run of an ICU pattern.
struct Token
{
    QChar letter;  // the pattern letter; null for a literal
    int count = 0; // letters in the run
    QString literal;
};

QList<Token> tokenize(const QString &pattern)
{
    QList<Token> tokens;
    auto appendLiteral = [&tokens](const QString &text) {
        if (text.isEmpty())
            return;
        if (!tokens.isEmpty() && tokens.last().letter.isNull())
            tokens.last().literal += text;
        else
            tokens.append(Token{QChar(), 0, text});
    };
    const qsizetype n = pattern.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            // quoted literal; '' is a single quote
            if (i + 1 < n && pattern.at(i + 1) == u'\'') {
                appendLiteral(QStringLiteral("'"));
                i += 2;
                continue;
            }
            QString text;
            ++i;
            while (i < n) {
                if (pattern.at(i) == u'\'') {
                    if (i + 1 < n && pattern.at(i + 1) == u'\'') {
                        text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += pattern.at(i++);
            }
            appendLiteral(text);
            continue;
        }
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
            int count = 0;
            while (i < n && pattern.at(i) == c) {
                ++count;
                ++i;
            }
            tokens.append(Token{c, count, QString()});
            continue;
        }
        appendLiteral(QString(c));
        ++i;
    }
    return tokens;
}

// The literal between two tokens, without blanks (of any kind) at its ends and
// without invisible format characters (the direction marks of right-to-left
// locales: ar_EG writes "d\u200F/M\u200F/y").
QString separatorBetween(const QList<Token> &tokens, qsizetype first, qsizetype second)
{
    QString text;
    for (qsizetype i = first + 1; i < second; ++i) {
        if (tokens.at(i).letter.isNull())
            text += tokens.at(i).literal;
    }
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Format; });
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && (text.at(start).isSpace() || text.at(start) == QChar(0x202F)))
        ++start;
    while (end > start && (text.at(end - 1).isSpace() || text.at(end - 1) == QChar(0x202F)))
        --end;
    return text.mid(start, end - start);
}

QString icuLocaleName(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("en_US_POSIX");
    return locale.name();
}

struct FormatCloser
{
    void operator()(UDateFormat *format) const { udat_close(format); }
};
using FormatPointer = std::unique_ptr<UDateFormat, FormatCloser>;

FormatPointer openFormat(const QLocale &locale, UDateFormatStyle timeStyle, UDateFormatStyle dateStyle)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = icuLocaleName(locale).toLatin1();
    UDateFormat *format = udat_open(timeStyle, dateStyle, name.constData(), nullptr, -1, nullptr, 0, &status);
    if (U_FAILURE(status)) {
        if (format)
            udat_close(format);
        return nullptr;
    }
    return FormatPointer(format);
}

QString patternOf(const UDateFormat *format)
{
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_toPattern(format, false, buffer, 256, &status);
    if (U_FAILURE(status) || length <= 0 || length > 256)
        return QString();
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

QString symbolOf(const UDateFormat *format, UDateFormatSymbolType type, int32_t index)
{
    UChar buffer[64];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_getSymbols(format, type, index, buffer, 64, &status);
    if (U_FAILURE(status) || length <= 0 || length > 64)
        return QString();
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

} // namespace

TimeFormatInfo timeFormatFromPattern(const QString &pattern)
{
    TimeFormatInfo info;
    const QList<Token> tokens = tokenize(pattern);
    qsizetype hourIndex = -1;
    qsizetype minuteIndex = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QChar letter = tokens.at(i).letter;
        if (hourIndex < 0 && (letter == u'H' || letter == u'h' || letter == u'K' || letter == u'k'))
            hourIndex = i;
        else if (hourIndex >= 0 && minuteIndex < 0 && letter == u'm')
            minuteIndex = i;
    }
    if (hourIndex >= 0) {
        const Token &hour = tokens.at(hourIndex);
        info.hourFormat = hour.count >= 2 ? QStringLiteral("%02d") : QStringLiteral("%01d");
        if (hour.letter == u'H' || hour.letter == u'k') {
            info.is24Hour = true;
            info.hourType = 1;
            info.hourMinimum = 0;
            info.hourMaximum = 23;
        } else if (hour.letter == u'h') {
            info.is24Hour = false;
            info.hourType = 2;
            info.hourMinimum = 1;
            info.hourMaximum = 12;
        } else {
            info.is24Hour = false;
            info.hourType = 3;
            info.hourMinimum = 0;
            info.hourMaximum = 11;
        }
    }
    if (hourIndex >= 0 && minuteIndex > hourIndex) {
        const QString separator = separatorBetween(tokens, hourIndex, minuteIndex);
        if (!separator.isEmpty())
            info.timeSeparator = separator;
    }
    return info;
}

DateFormatInfo dateFormatFromPattern(const QString &pattern)
{
    DateFormatInfo info;
    const QList<Token> tokens = tokenize(pattern);
    qsizetype day = -1;
    qsizetype month = -1;
    qsizetype year = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QChar letter = tokens.at(i).letter;
        if (day < 0 && letter == u'd')
            day = i;
        else if (month < 0 && (letter == u'M' || letter == u'L'))
            month = i;
        else if (year < 0 && (letter == u'y' || letter == u'Y' || letter == u'u'))
            year = i;
    }
    if (day < 0 || month < 0 || year < 0)
        return info;
    if (month < day && day < year)
        info.dateOrder = 0;
    else if (day < month && month < year)
        info.dateOrder = 1;
    else if (year < month && month < day)
        info.dateOrder = 2;
    else if (month < year && year < day)
        info.dateOrder = 3;
    else if (day < year && year < month)
        info.dateOrder = 4;
    else
        info.dateOrder = 5;
    const qsizetype first = std::min({day, month, year});
    const qsizetype second = first == day ? std::min(month, year) : (first == month ? std::min(day, year) : std::min(day, month));
    const QString separator = separatorBetween(tokens, first, second);
    if (!separator.isEmpty())
        info.dateSeparator = separator.left(1);
    return info;
}

TimeFormatInfo timeFormatInfo(const QLocale &locale)
{
    FormatPointer format = openFormat(locale, UDAT_SHORT, UDAT_NONE);
    if (!format)
        return TimeFormatInfo();
    TimeFormatInfo info = timeFormatFromPattern(patternOf(format.get()));
    if (udat_countSymbols(format.get(), UDAT_AM_PMS) >= 2) {
        const QString am = symbolOf(format.get(), UDAT_AM_PMS, 0);
        const QString pm = symbolOf(format.get(), UDAT_AM_PMS, 1);
        if (!am.isEmpty() && !pm.isEmpty()) {
            info.amStr = am;
            info.pmStr = pm;
        }
    }
    return info;
}

DateFormatInfo dateFormatInfo(const QLocale &locale)
{
    FormatPointer format = openFormat(locale, UDAT_NONE, UDAT_SHORT);
    if (!format)
        return DateFormatInfo();
    return dateFormatFromPattern(patternOf(format.get()));
}

void positionsForDateOrder(int order, int &dayPosition, int &monthPosition, int &yearPosition)
{
    switch (order) {
    case 0:
        dayPosition = 1, monthPosition = 0, yearPosition = 2;
        break;
    case 2:
        dayPosition = 2, monthPosition = 1, yearPosition = 0;
        break;
    case 3:
        dayPosition = 2, monthPosition = 0, yearPosition = 1;
        break;
    case 4:
        dayPosition = 0, monthPosition = 2, yearPosition = 1;
        break;
    case 5:
        dayPosition = 1, monthPosition = 2, yearPosition = 0;
        break;
    default:
        dayPosition = 0, monthPosition = 1, yearPosition = 2;
        break;
    }
}

} // namespace TDLocaleFormats
