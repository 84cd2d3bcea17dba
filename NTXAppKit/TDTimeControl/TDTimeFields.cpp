#include "NTXAppKit/TDTimeControl/TDTimeFields.h"

#include "platform/foundation/CalendarDate.h"

#include <limits>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool onlyDigits(const QString &text)
{
    for (const QChar c : text) {
        if (!isAsciiDigit(c))
            return false;
    }
    return true;
}

QString formatNumber(const QString &format, int value)
{
    // "%01d" and "%02d" are the only formats in use: the minimum width is the digit
    if (format == QLatin1String("%02d"))
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    return QString::number(value);
}

} // namespace

TDTimeFields::TDTimeFields() = default;

void TDTimeFields::determineTimeFormatInfo(const QLocale &locale)
{
    setFormatInfo(TDLocaleFormats::timeFormatInfo(locale));
}

void TDTimeFields::setFormatInfo(const TDLocaleFormats::TimeFormatInfo &info)
{
    m_format = info;
    if (m_format.amStr.isEmpty() || m_format.pmStr.isEmpty()) {
        m_format.amStr = QStringLiteral("AM");
        m_format.pmStr = QStringLiteral("PM");
    }
    if (m_format.timeSeparator.isEmpty())
        m_format.timeSeparator = QStringLiteral(":");
    if (m_format.hourType < 1 || m_format.hourType > 3)
        m_format.hourType = 1;
    m_format.is24Hour = m_format.hourType == 1;
    switch (m_format.hourType) {
    case 1:
        m_format.hourMinimum = 0, m_format.hourMaximum = 23;
        break;
    case 2:
        m_format.hourMinimum = 1, m_format.hourMaximum = 12;
        break;
    default:
        m_format.hourMinimum = 0, m_format.hourMaximum = 11;
        break;
    }
}

void TDTimeFields::setDate(const QDateTime &date)
{
    if (!date.isValid())
        return;
    const QDateTime local = date.toLocalTime();
    const QTime time = local.time();
    const QDate day = local.date();
    setHour(time.hour());
    setMinute(time.minute());
    setSecond(time.second());
    m_year = day.year();
    m_month = day.month();
    m_day = day.day();
    m_given = date;
    m_givenOffset = local.offsetFromUtc();
    m_givenFields = fields();
}

QDateTime TDTimeFields::date() const
{
    if (m_given.isValid() && fields() == m_givenFields)
        return m_given;
    const QDate day(m_year, m_month, m_day);
    const QTime time(m_hour, m_minute, m_second);
    if (m_given.isValid() && day.isValid() && time.isValid()) {
        // In an hour the clock repeats, the occurrence with the offset the given
        // date had.
        const QDateTime kept = QDateTime(day, time, Qt::OffsetFromUTC, m_givenOffset).toLocalTime();
        if (kept.date() == day && kept.time() == time)
            return platform::CalendarDate::withFixedOffset(kept);
    }
    QDateTime local(day, time, Qt::LocalTime);
    if (!local.isValid() && day.isValid() && time.isValid()) {
        // A time the change to summer time skips: read with the offset in force
        // before the gap, it lands as far past the gap as it was into it.
        const int before = QDateTime(day.addDays(-1), time, Qt::LocalTime).offsetFromUtc();
        local = QDateTime(day, time, Qt::OffsetFromUTC, before).toLocalTime();
    }
    return platform::CalendarDate::withFixedOffset(local);
}

int TDTimeFields::hourToLocalizedHour(int hour) const
{
    switch (m_format.hourType) {
    case 2:
        if (hour == 0)
            return 12;
        return hour <= 12 ? hour : hour - 12;
    case 3:
        return hour < 12 ? hour : hour - 12;
    default:
        return hour;
    }
}

int TDTimeFields::localizedHourToHour(int hour, bool pm) const
{
    switch (m_format.hourType) {
    case 2:
        if (!pm)
            return hour == 12 ? 0 : hour;
        return hour == 12 ? 12 : hour + 12;
    case 3:
        return pm ? hour + 12 : hour;
    default:
        return hour;
    }
}

QString TDTimeFields::hourString() const
{
    return formatNumber(m_format.hourFormat, hourToLocalizedHour(m_hour));
}

QString TDTimeFields::minuteString() const
{
    return formatNumber(QStringLiteral("%02d"), m_minute);
}

QString TDTimeFields::secondString() const
{
    return formatNumber(QStringLiteral("%02d"), m_second);
}

QString TDTimeFields::amPmString() const
{
    return m_hour < 12 ? m_format.amStr : m_format.pmStr;
}

QString TDTimeFields::fieldText(int field) const
{
    switch (field) {
    case HourField:
        return hourString();
    case MinuteField:
        return minuteString();
    case SecondField:
        return secondString();
    case AmPmField:
        return amPmString();
    default:
        return QString();
    }
}

int TDTimeFields::acceptedMinimum(int field) const
{
    return field == HourField ? m_format.hourMinimum : 0;
}

int TDTimeFields::acceptedMaximum(int field) const
{
    switch (field) {
    case HourField:
        return m_format.hourMaximum;
    case MinuteField:
    case SecondField:
        return 59;
    default:
        return 1;
    }
}

int TDTimeFields::stepperMinimum(int)
{
    return 0;
}

int TDTimeFields::stepperMaximum(int field)
{
    switch (field) {
    case HourField:
        return 23;
    case MinuteField:
    case SecondField:
        return 59;
    default:
        return 1;
    }
}

int TDTimeFields::stepperValue(int field) const
{
    switch (field) {
    case HourField:
        return m_hour;
    case MinuteField:
        return m_minute;
    case SecondField:
        return m_second;
    case AmPmField:
        return m_hour > 11 ? 1 : 0;
    default:
        return 0;
    }
}

int TDTimeFields::integerValue(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    while (i < text.size() && isAsciiDigit(text.at(i))) {
        value = value * 10 + text.at(i).unicode() - u'0';
        if (value > limit)
            value = limit;
        ++i;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}

TDTimeFields::FilterResult TDTimeFields::shouldChangeText(int field, const QString &text, platform::Range range,
                                                          const QString &replacement)
{
    FilterResult result;
    if (field == AmPmField) {
        // The designator is replaced whole or not at all: the change itself is
        // always refused. A deletion has no first letter and changes nothing.
        if (replacement.isEmpty())
            return result;
        const QChar typed = replacement.toLower().at(0);
        const QString am = m_format.amStr.toLower();
        const QString pm = m_format.pmStr.toLower();
        if (!am.isEmpty() && typed == am.at(0)) {
            if (m_hour >= 12) {
                result.replaceWhole = true;
                result.replacement = m_format.amStr;
                m_hour -= 12;
            }
        } else if (!pm.isEmpty() && typed == pm.at(0)) {
            if (m_hour <= 11) {
                result.replaceWhole = true;
                result.replacement = m_format.pmStr;
                m_hour += 12;
            }
        }
        return result;
    }
    if (field < HourField || field > SecondField)
        return result;
    if (range.location < 0 || range.length < 0 || range.location > 1 || range.length > 2)
        return result;
    if (!onlyDigits(replacement))
        return result;
    result.accept = true;
    if (range.fitsIn(text.size())) {
        QString after = text;
        after.replace(range.location, range.length, replacement);
        result.hasValue = true;
        result.value = integerValue(after);
    }
    return result;
}

bool TDTimeFields::acceptNewValue(int field, const QString &editorText, const QString &hourCellText,
                                  const QString &amPmCellText)
{
    const int value = integerValue(editorText);
    switch (field) {
    case HourField: {
        if (value < acceptedMinimum(field) || value > acceptedMaximum(field))
            return false;
        const bool pm = !m_format.is24Hour && amPmCellText == m_format.pmStr;
        const int hour = localizedHourToHour(value, pm);
        if (hour < 0 || hour > 23)
            return false;
        m_hour = hour;
        return true;
    }
    case MinuteField:
    case SecondField:
        if (value < acceptedMinimum(field) || value > acceptedMaximum(field))
            return false;
        (field == MinuteField ? m_minute : m_second) = value;
        return true;
    case AmPmField: {
        if (m_format.is24Hour)
            return false;
        const bool pm = editorText == m_format.pmStr;
        const int shown = integerValue(hourCellText);
        if (shown < m_format.hourMinimum || shown > m_format.hourMaximum)
            return false;
        m_hour = localizedHourToHour(shown, pm);
        return true;
    }
    default:
        return false;
    }
}

void TDTimeFields::step(int field, int oldValue, int newValue, int minimum, int maximum)
{
    bool up = newValue > oldValue;
    if (oldValue == minimum && newValue == maximum)
        up = false; // wrapped downward
    if (oldValue == maximum && newValue == minimum)
        up = true; // wrapped upward
    qint64 seconds = 0;
    switch (field) {
    case HourField:
        seconds = up ? 3600 : -3600;
        break;
    case MinuteField:
        seconds = up ? 60 : -60;
        break;
    case SecondField:
        seconds = up ? 1 : -1;
        break;
    case AmPmField:
        seconds = newValue == 1 ? 43200 : -43200;
        break;
    default:
        return;
    }
    const QDateTime now = date();
    if (!now.isValid())
        return;
    setDate(now.addSecs(seconds));
}

void TDTimeFields::stepField(int field, bool up)
{
    if (field < HourField || field > AmPmField)
        return;
    const int minimum = stepperMinimum(field);
    const int maximum = stepperMaximum(field);
    const int oldValue = stepperValue(field);
    int newValue = up ? oldValue + 1 : oldValue - 1;
    if (newValue > maximum)
        newValue = minimum;
    if (newValue < minimum)
        newValue = maximum;
    step(field, oldValue, newValue, minimum, maximum);
}
