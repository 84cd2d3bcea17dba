#pragma once
// The user's time and date formats as the time and date controls need them: the
// hour numbering, the AM/PM designators, the time separator, the date separator and
// the order of day, month and year. They are read from the locale's short time and
// date patterns (ICU), so a control follows whatever locale it is given.
#include <QLocale>
#include <QString>

namespace TDLocaleFormats {

struct TimeFormatInfo
{
    QString hourFormat = QStringLiteral("%02d"); // printf format of the hour number
    QString amStr = QStringLiteral("AM");
    QString pmStr = QStringLiteral("PM");
    QString timeSeparator = QStringLiteral(":");
    bool is24Hour = true;
    // 1: hours shown 0 to 23; 2: 1 to 12; 3: 0 to 11.
    int hourType = 1;
    // The range of hour numbers the user may type.
    int hourMinimum = 0;
    int hourMaximum = 23;
};

// Date orders: 0 month-day-year, 1 day-month-year, 2 year-month-day,
// 3 month-year-day, 4 day-year-month, 5 year-day-month.
struct DateFormatInfo
{
    QString dateSeparator = QStringLiteral(".");
    int dateOrder = 1;
};

// Analyses an ICU date/time pattern ("h:mm a", "HH.mm"); missing parts keep the
// defaults above (24-hour, "%02d", ":" , "AM"/"PM").
TimeFormatInfo timeFormatFromPattern(const QString &pattern);
DateFormatInfo dateFormatFromPattern(const QString &pattern);

// The locale's short time and date formats, with its own AM/PM designators.
TimeFormatInfo timeFormatInfo(const QLocale &locale);
DateFormatInfo dateFormatInfo(const QLocale &locale);

// Display positions (0 to 2) of day, month and year for a date order; an order
// outside 0 to 5 is taken as day-month-year.
void positionsForDateOrder(int order, int &dayPosition, int &monthPosition, int &yearPosition);

} // namespace TDLocaleFormats
