#include "platform/foundation/CalendarDate.h"

#include <array>

// Dates are read and written twice per node when a document is loaded or saved,
// so the text forms are produced and parsed by hand: the civil date is computed
// from the day number directly (proleptic Gregorian calendar, like QDate), without
// format strings, regular expressions or locale objects.

namespace platform::CalendarDate {

namespace {

constexpr qint64 MSecsPerDay = 86400000;
// Days from 0001-01-01 to 1970-01-01.
constexpr qint64 DaysBeforeEpoch = 719162;
// The largest UTC offset the text form accepts, in minutes (±14:59).
constexpr int MaxOffsetMinutes = 14 * 60 + 59;

struct Civil
{
    qint64 year; // astronomical numbering: 0 is 1 BC
    int month;   // 1…12
    int day;     // 1…31
};

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Days since 1970-01-01 of a civil date (astronomical year numbering).
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Civil civilFromDays(qint64 z)
{
    z += 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

bool isLeapYear(qint64 y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(qint64 y, int m)
{
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[size_t(m - 1)];
}

// The broken-down fields of a date in its own offset.
struct Fields
{
    Civil civil;
    qint64 days;    // days since 1970-01-01 in the date's offset
    int msOfDay;    // 0…86399999
    int offsetSecs; // offset from UTC
};

Fields fieldsOf(const QDateTime &date)
{
    Fields f{};
    f.offsetSecs = date.offsetFromUtc();
    const qint64 local = date.toMSecsSinceEpoch() + qint64(f.offsetSecs) * 1000;
    f.days = floorDiv(local, MSecsPerDay);
    f.msOfDay = int(local - f.days * MSecsPerDay);
    f.civil = civilFromDays(f.days);
    return f;
}

// QDate has no year 0: the year before 1 is -1.
qint64 displayYear(qint64 astronomical)
{
    return astronomical <= 0 ? astronomical - 1 : astronomical;
}

void appendDigits(QString &out, qint64 value, int minWidth)
{
    char16_t buf[24];
    int n = 0;
    const bool negative = value < 0;
    quint64 v = negative ? quint64(0) - quint64(value) : quint64(value);
    do {
        buf[n++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < minWidth)
        buf[n++] = u'0';
    if (negative)
        out.append(QLatin1Char('-'));
    while (n > 0)
        out.append(QChar(buf[--n]));
}

void appendOffset(QString &out, int offsetSecs)
{
    out.append(QLatin1Char(offsetSecs < 0 ? '-' : '+'));
    const int minutes = (offsetSecs < 0 ? -offsetSecs : offsetSecs) / 60;
    appendDigits(out, minutes / 60, 2);
    appendDigits(out, minutes % 60, 2);
}

constexpr std::array<const char *, 7> WeekdayNames{"Sunday", "Monday", "Tuesday", "Wednesday",
                                                   "Thursday", "Friday", "Saturday"};
constexpr std::array<const char *, 12> MonthNames{"January", "February", "March", "April",
                                                  "May", "June", "July", "August",
                                                  "September", "October", "November", "December"};

int weekdayOfDays(qint64 daysSinceEpoch)
{
    // 1970-01-01 was a Thursday.
    const qint64 w = (daysSinceEpoch + 4) % 7;
    return int(w < 0 ? w + 7 : w);
}

// Two or four ASCII digits at text[pos…]; -1 when any is not a digit.
int readDigits(QStringView text, qsizetype pos, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + int(c - u'0');
    }
    return value;
}

} // namespace

QDateTime withFixedOffset(const QDateTime &date)
{
    if (!date.isValid() || date.timeSpec() == Qt::OffsetFromUTC)
        return date;
    return date.toOffsetFromUtc(date.offsetFromUtc());
}

QString format(const QDateTime &date, QStringView fmt)
{
    if (!date.isValid())
        return QString();
    const Fields f = fieldsOf(date);
    const qint64 year = displayYear(f.civil.year);
    const int hour = f.msOfDay / 3600000;
    const int minute = f.msOfDay / 60000 % 60;
    const int second = f.msOfDay / 1000 % 60;
    const int msec = f.msOfDay % 1000;

    QString out;
    out.reserve(fmt.size() + 16);
    const qsizetype n = fmt.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = fmt[i];
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out.append(c);
            continue;
        }
        const char16_t k = fmt[i + 1].unicode();
        ++i;
        switch (k) {
        case u'd': appendDigits(out, f.civil.day, 2); break;
        case u'e': appendDigits(out, f.civil.day, 1); break;
        case u'm': appendDigits(out, f.civil.month, 2); break;
        case u'Y': appendDigits(out, year, 4); break;
        case u'y': {
            const qint64 y = year % 100;
            appendDigits(out, y < 0 ? -y : y, 2);
            break;
        }
        case u'H': appendDigits(out, hour, 2); break;
        case u'I': appendDigits(out, hour % 12 == 0 ? 12 : hour % 12, 2); break;
        case u'M': appendDigits(out, minute, 2); break;
        case u'S': appendDigits(out, second, 2); break;
        case u'F': appendDigits(out, msec, 3); break;
        case u'p': out.append(hour < 12 ? QLatin1String("AM") : QLatin1String("PM")); break;
        case u'j':
            appendDigits(out, f.days - daysFromCivil(f.civil.year, 1, 1) + 1, 3);
            break;
        case u'A': out.append(QLatin1String(WeekdayNames[size_t(weekdayOfDays(f.days))])); break;
        case u'a':
            out.append(QLatin1String(WeekdayNames[size_t(weekdayOfDays(f.days))], 3));
            break;
        case u'B': out.append(QLatin1String(MonthNames[size_t(f.civil.month - 1)])); break;
        case u'b': out.append(QLatin1String(MonthNames[size_t(f.civil.month - 1)], 3)); break;
        case u'z': appendOffset(out, f.offsetSecs); break;
        case u'Z': out.append(date.timeZoneAbbreviation()); break;
        case u'%': out.append(QLatin1Char('%')); break;
        default:
            out.append(QLatin1Char('%'));
            out.append(QChar(k));
            break;
        }
    }
    return out;
}

namespace {

// Puts `value` at `out` in at least `minWidth` digits, with its sign; answers the end.
char16_t *putDigits(char16_t *out, qint64 value, int minWidth)
{
    char16_t buf[24];
    int n = 0;
    const bool negative = value < 0;
    quint64 v = negative ? quint64(0) - quint64(value) : quint64(value);
    do {
        buf[n++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < minWidth)
        buf[n++] = u'0';
    if (negative)
        *out++ = u'-';
    while (n > 0)
        *out++ = buf[--n];
    return out;
}

} // namespace

QString description(const QDateTime &date)
{
    if (!date.isValid())
        return QString();
    const Fields f = fieldsOf(date);
    const int hour = f.msOfDay / 3600000;
    const int minute = f.msOfDay / 60000 % 60;
    const int second = f.msOfDay / 1000 % 60;
    const int offsetMinutes = (f.offsetSecs < 0 ? -f.offsetSecs : f.offsetSecs) / 60;
    // Composed in place (the writer of a document asks for two per node): at most
    // 20 characters of the year with its sign and 25 of the rest.
    char16_t text[48];
    char16_t *p = putDigits(text, displayYear(f.civil.year), 4);
    *p++ = u'-';
    p = putDigits(p, f.civil.month, 2);
    *p++ = u'-';
    p = putDigits(p, f.civil.day, 2);
    *p++ = u' ';
    p = putDigits(p, hour, 2);
    *p++ = u':';
    p = putDigits(p, minute, 2);
    *p++ = u':';
    p = putDigits(p, second, 2);
    *p++ = u' ';
    *p++ = f.offsetSecs < 0 ? u'-' : u'+';
    p = putDigits(p, offsetMinutes / 60, 2);
    p = putDigits(p, offsetMinutes % 60, 2);
    return QString(reinterpret_cast<const QChar *>(text), qsizetype(p - text));
}

std::optional<QDateTime> fromDescription(QStringView text)
{
    // "YYYY-MM-DD HH:MM:SS ±HHMM", exactly 25 characters.
    if (text.size() != 25)
        return std::nullopt;
    auto is = [&](qsizetype pos, char16_t ch) { return text[pos].unicode() == ch; };
    if (!is(4, u'-') || !is(7, u'-') || !is(10, u' ') || !is(13, u':') || !is(16, u':')
        || !is(19, u' '))
        return std::nullopt;
    const char16_t sign = text[20].unicode();
    if (sign != u'+' && sign != u'-')
        return std::nullopt;

    const int year = readDigits(text, 0, 4);
    const int month = readDigits(text, 5, 2);
    const int day = readDigits(text, 8, 2);
    const int hour = readDigits(text, 11, 2);
    const int minute = readDigits(text, 14, 2);
    const int second = readDigits(text, 17, 2);
    const int offHours = readDigits(text, 21, 2);
    const int offMinutes = readDigits(text, 23, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0
        || minute > 59 || second < 0 || second > 59 || offHours < 0 || offMinutes < 0
        || offMinutes > 59)
        return std::nullopt;
    if (day > daysInMonth(year, month))
        return std::nullopt;
    const int offset = offHours * 60 + offMinutes;
    if (offset > MaxOffsetMinutes)
        return std::nullopt;
    const int offsetSecs = (sign == u'-' ? -offset : offset) * 60;

    const qint64 local = daysFromCivil(year, month, day) * MSecsPerDay
                         + qint64(hour * 3600 + minute * 60 + second) * 1000;
    const qint64 utc = local - qint64(offsetSecs) * 1000;
    QDateTime result = QDateTime::fromMSecsSinceEpoch(utc, Qt::OffsetFromUTC, offsetSecs);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

qint64 dayOfCommonEra(const QDateTime &date)
{
    if (!date.isValid())
        return 0;
    return fieldsOf(date).days + DaysBeforeEpoch + 1;
}

int dayOfWeek(const QDateTime &date)
{
    if (!date.isValid())
        return 0;
    return weekdayOfDays(fieldsOf(date).days);
}

} // namespace platform::CalendarDate
