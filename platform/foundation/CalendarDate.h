#pragma once
// Calendar dates: QDateTime values that keep their UTC offset, with the
// strftime-like formats and the text form the documents use.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

namespace platform::CalendarDate {

// The date converted to a fixed-offset QDateTime (Qt::OffsetFromUTC) with the offset
// it has at that moment; an invalid date stays invalid.
QDateTime withFixedOffset(const QDateTime &date);

// Formats with strftime-like conversions, always in the C locale:
// %d %e %m %Y %y %H %I %M %S %p %j %A %a %B %b %z (sign and four digits) %Z
// %F (milliseconds, three digits) %% ; anything else is copied as it stands.
// %Y has at least four digits, %e is the day without a leading zero, %Z the zone
// abbreviation Qt gives ("UTC+01:00" for a fixed offset). An invalid date answers
// an empty string.
QString format(const QDateTime &date, QStringView strftimeFormat);

// The text form "2009-03-14 09:05:00 +0100" (the date in its own offset).
QString description(const QDateTime &date);

// Parses the text form above; the result carries the written offset. Answers
// nothing for any other text (bounded, never throws): exactly 25 characters, ASCII
// digits, every field in range (day within its month, seconds 0…59, year 0001…9999)
// and an offset of at most ±14:59. (Qt stores a zero offset as Qt::UTC.)
std::optional<QDateTime> fromDescription(QStringView text);

// Day of the common era of the date in its own offset (1 for 0001-01-01);
// 0 for an invalid date.
qint64 dayOfCommonEra(const QDateTime &date);

// Day of the week in the date's own offset, Sunday 0 … Saturday 6 (0 when invalid).
int dayOfWeek(const QDateTime &date);

} // namespace platform::CalendarDate
