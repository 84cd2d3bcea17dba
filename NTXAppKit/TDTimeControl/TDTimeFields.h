#pragma once
// The value and the editing rules of the time-of-day control, apart from any widget:
// the time (hour always 0 to 23), the calendar day it belongs to, the user's time
// format, the texts of the fields, the typing filter, the acceptance of a typed
// value and stepping. TDTimeControl shows and edits one of these.
#include "NTXAppKit/TDTimeControl/TDLocaleFormats.h"
#include "platform/foundation/Range.h"

#include <QDateTime>
#include <QString>

#include <array>

class TDTimeFields
{
public:
    enum Field { HourField = 0, MinuteField = 1, SecondField = 2, AmPmField = 3 };
    static constexpr int FieldCount = 4;

    // What the typing filter decided.
    struct FilterResult
    {
        bool accept = false;
        // The editor's whole text is to become this text, all selected (AM/PM).
        bool replaceWhole = false;
        QString replacement;
        // The number the field would read after the change (digit fields).
        bool hasValue = false;
        int value = 0;
    };

    TDTimeFields();

    // Reads the hour numbering, designators and separator of the locale.
    void determineTimeFormatInfo(const QLocale &locale);
    void setFormatInfo(const TDLocaleFormats::TimeFormatInfo &info);
    const TDLocaleFormats::TimeFormatInfo &formatInfo() const { return m_format; }
    bool is24Hour() const { return m_format.is24Hour; }
    int hourType() const { return m_format.hourType; }

    int hour() const { return m_hour; }
    void setHour(int hour) { m_hour = hour; }
    int minute() const { return m_minute; }
    void setMinute(int minute) { m_minute = minute; }
    int second() const { return m_second; }
    void setSecond(int second) { m_second = second; }
    int year() const { return m_year; }
    int month() const { return m_month; }
    int day() const { return m_day; }

    // Takes the time and the calendar day of the date as the local time zone sees
    // it; an invalid date changes nothing.
    void setDate(const QDateTime &date);
    // The kept day with the time, in the local time zone (with its UTC offset).
    // While the fields still hold what setDate() put there, exactly the date it was
    // given; an edited time in an hour the clock repeats keeps the UTC offset the
    // given date had.
    QDateTime date() const;

    int hourToLocalizedHour(int hour) const;
    int localizedHourToHour(int hour, bool pm) const;

    QString hourString() const;
    QString minuteString() const;
    QString secondString() const;
    QString amPmString() const;
    QString fieldText(int field) const;

    // The range a typed number must lie in, and the fixed stepper range.
    int acceptedMinimum(int field) const;
    int acceptedMaximum(int field) const;
    static int stepperMinimum(int field);
    static int stepperMaximum(int field);
    // The field's value as the stepper counts it (AM/PM: 1 after noon).
    int stepperValue(int field) const;

    // The typing filter: may the editor of the field, now holding text, replace the
    // range with the replacement? Typing a designator's first letter into the AM/PM
    // field switches the meridian at once (the hour moves by 12).
    FilterResult shouldChangeText(int field, const QString &text, platform::Range range, const QString &replacement);

    // Takes the number typed into a field at the end of its editing; answers whether
    // it was taken. hourCellText and amPmCellText are what those fields show.
    bool acceptNewValue(int field, const QString &editorText, const QString &hourCellText, const QString &amPmCellText);

    // A stepper moved the field's value from oldValue to newValue within
    // [minimum, maximum]; the time moves one unit of the field up or down (a wrap of
    // the stepper carries into the next hour or day).
    void step(int field, int oldValue, int newValue, int minimum, int maximum);
    // One step up or down of the field, as a wrapping stepper over its range does.
    void stepField(int field, bool up);

    // The leading decimal number of a text, saturated to int (0 without digits).
    static int integerValue(const QString &text);

private:
    TDLocaleFormats::TimeFormatInfo m_format;
    int m_hour = 0;
    int m_minute = 0;
    int m_second = 0;
    int m_year = 2000;
    int m_month = 1;
    int m_day = 1;
    // The last date given, and what the fields held right after it was given.
    QDateTime m_given;
    int m_givenOffset = 0;
    std::array<int, 6> m_givenFields{};
    std::array<int, 6> fields() const { return {m_hour, m_minute, m_second, m_year, m_month, m_day}; }
};
