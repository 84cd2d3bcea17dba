#include "NTXAppKit/TDSmallDateControl/TDDateFields.h"

#include "NTXAppKit/TDTimeControl/TDTimeFields.h"
#include "platform/foundation/CalendarDate.h"

int TDDaysInMonth(int month, int year)
{
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0))
        return 29;
    return lengths[month - 1];
}

TDDateFields::TDDateFields()
{
    setDay(1);
    setMonth(1);
    setYear(2000);
}

void TDDateFields::clampDay()
{
    m_dayMaximum = TDDaysInMonth(m_month, m_year);
    if (m_day > m_dayMaximum)
        m_day = m_dayMaximum;
}

void TDDateFields::setMonth(int month)
{
    m_month = month;
    clampDay();
}

void TDDateFields::setYear(int year)
{
    m_year = year;
    clampDay();
}

void TDDateFields::setDate(const QDateTime &date)
{
    if (!date.isValid())
        return;
    const QDate day = date.toLocalTime().date();
    m_day = day.day();
    m_month = day.month();
    m_year = day.year();
    clampDay();
}

QDateTime TDDateFields::date() const
{
    // startOfDay(): a day whose midnight the change to summer time skips begins
    // after the gap (in Santiago de Chile, for one, at 01:00).
    const QDateTime local = QDate(m_year, m_month, m_day).startOfDay(Qt::LocalTime);
    return platform::CalendarDate::withFixedOffset(local);
}

int TDDateFields::minimum(int field) const
{
    switch (field) {
    case DayField:
    case MonthField:
        return 1;
    case YearField:
        return 1000;
    default:
        return 0;
    }
}

int TDDateFields::maximum(int field) const
{
    switch (field) {
    case DayField:
        return m_dayMaximum;
    case MonthField:
        return 12;
    case YearField:
        return 9999;
    default:
        return 0;
    }
}

int TDDateFields::value(int field) const
{
    switch (field) {
    case DayField:
        return m_day;
    case MonthField:
        return m_month;
    case YearField:
        return m_year;
    default:
        return 0;
    }
}

void TDDateFields::setValue(int field, int value)
{
    switch (field) {
    case DayField:
        setDay(value);
        break;
    case MonthField:
        setMonth(value);
        break;
    case YearField:
        setYear(value);
        break;
    default:
        break;
    }
}

QString TDDateFields::fieldText(int field) const
{
    switch (field) {
    case DayField:
        return QStringLiteral("%1").arg(m_day, 2, 10, QLatin1Char('0'));
    case MonthField:
        return QStringLiteral("%1").arg(m_month, 2, 10, QLatin1Char('0'));
    case YearField:
        return QString::number(m_year);
    default:
        return QString();
    }
}

TDDateFields::FilterResult TDDateFields::shouldChangeText(int field, const QString &text, platform::Range range,
                                                          const QString &replacement) const
{
    FilterResult result;
    if (field < DayField || field > YearField)
        return result;
    const qsizetype lastStart = field == YearField ? 3 : 1;
    const qsizetype longest = field == YearField ? 4 : 2;
    if (range.location < 0 || range.length < 0 || range.location > lastStart || range.length > longest)
        return result;
    for (const QChar c : replacement) {
        if (c < u'0' || c > u'9')
            return result;
    }
    result.accept = true;
    if (range.fitsIn(text.size())) {
        QString after = text;
        after.replace(range.location, range.length, replacement);
        result.hasValue = true;
        result.value = TDTimeFields::integerValue(after);
    }
    return result;
}

bool TDDateFields::acceptNewValue(int field, const QString &editorText)
{
    if (field < DayField || field > YearField)
        return false;
    const int v = TDTimeFields::integerValue(editorText);
    if (v < minimum(field) || v > maximum(field))
        return false;
    setValue(field, v);
    return true;
}

void TDDateFields::stepField(int field, bool up)
{
    if (field < DayField || field > YearField)
        return;
    const int low = minimum(field);
    const int high = field == DayField ? TDDaysInMonth(m_month, m_year) : maximum(field);
    if (high < low)
        return;
    int next = value(field) + (up ? 1 : -1);
    if (next > high)
        next = low;
    if (next < low)
        next = high;
    setValue(field, next);
}
