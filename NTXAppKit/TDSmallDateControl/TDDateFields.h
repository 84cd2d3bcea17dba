#pragma once
// The value and the editing rules of the small date control, apart from any widget:
// day, month and year, the range of each field, the typing filter, the acceptance
// of a typed value and stepping. The largest day belongs to each value, so that one
// control's month never limits another control's day.
#include "platform/foundation/Range.h"

#include <QDateTime>
#include <QString>

// Days of a month of the Gregorian calendar (0 for a month outside 1 to 12).
int TDDaysInMonth(int month, int year);

class TDDateFields
{
public:
    // Field tags.
    enum Field { DayField = 0, MonthField = 1, YearField = 2 };
    static constexpr int FieldCount = 3;

    struct FilterResult
    {
        bool accept = false;
        // The number the field would read after the change.
        bool hasValue = false;
        int value = 0;
    };

    TDDateFields();

    int day() const { return m_day; }
    // Stores the day as it stands (no check).
    void setDay(int day) { m_day = day; }
    int month() const { return m_month; }
    // Stores the month, then keeps the day within the month's length.
    void setMonth(int month);
    int year() const { return m_year; }
    void setYear(int year);

    // Takes the calendar day of the date as the local time zone sees it; an invalid
    // date changes nothing.
    void setDate(const QDateTime &date);
    // The day at midnight in the local time zone (with its UTC offset).
    QDateTime date() const;

    int minimum(int field) const;
    int maximum(int field) const;
    int value(int field) const;
    void setValue(int field, int value);
    QString fieldText(int field) const;

    // The typing filter for the editor of a field, now holding text.
    FilterResult shouldChangeText(int field, const QString &text, platform::Range range, const QString &replacement) const;
    // Takes the number typed into the field when it lies in the field's range;
    // answers whether it was taken.
    bool acceptNewValue(int field, const QString &editorText);
    // One step up or down, wrapping within the field's range.
    void stepField(int field, bool up);

private:
    void clampDay();

    int m_day = 1;
    int m_month = 1;
    int m_year = 2000;
    int m_dayMaximum = 31;
};
