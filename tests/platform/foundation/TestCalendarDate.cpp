#include "platform/foundation/CalendarDate.h"

#include <gtest/gtest.h>

#include <QTimeZone>

using namespace platform;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s, int offsetSecs, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::OffsetFromUTC, offsetSecs);
}

} // namespace

TEST(CalendarDateText, DescriptionIsTheDocumentForm)
{
    EXPECT_EQ(CalendarDate::description(at(2009, 3, 14, 9, 5, 0, 3600)),
              QStringLiteral("2009-03-14 09:05:00 +0100"));
    EXPECT_EQ(CalendarDate::description(at(1999, 12, 31, 23, 59, 59, -(5 * 3600 + 30 * 60))),
              QStringLiteral("1999-12-31 23:59:59 -0530"));
    EXPECT_EQ(CalendarDate::description(at(2020, 2, 29, 0, 0, 0, 0)),
              QStringLiteral("2020-02-29 00:00:00 +0000"));
    // Years keep four digits at least, and their sign (QDate's years: none is 0).
    EXPECT_EQ(CalendarDate::description(at(5, 1, 2, 3, 4, 5, 14 * 3600)),
              QStringLiteral("0005-01-02 03:04:05 +1400"));
    EXPECT_EQ(CalendarDate::description(at(12345, 6, 7, 8, 9, 10, -(12 * 3600))),
              QStringLiteral("12345-06-07 08:09:10 -1200"));
    EXPECT_EQ(CalendarDate::description(at(-44, 3, 15, 12, 0, 0, 0)),
              QStringLiteral("-0044-03-15 12:00:00 +0000"));
    EXPECT_TRUE(CalendarDate::description(QDateTime()).isEmpty());
}

TEST(CalendarDateText, RoundTripKeepsInstantAndOffset)
{
    const int offsets[] = {0, 3600, -3600, 2 * 3600, 5 * 3600 + 45 * 60, -(9 * 3600 + 30 * 60),
                           14 * 3600, -12 * 3600};
    for (int offset : offsets) {
        const QDateTime d = at(2009, 3, 14, 23, 30, 17, offset);
        const auto parsed = CalendarDate::fromDescription(CalendarDate::description(d));
        ASSERT_TRUE(parsed.has_value()) << offset;
        EXPECT_EQ(parsed->toMSecsSinceEpoch(), d.toMSecsSinceEpoch()) << offset;
        // Qt keeps a zero offset as Qt::UTC.
        EXPECT_EQ(parsed->timeSpec(), offset == 0 ? Qt::UTC : Qt::OffsetFromUTC);
        EXPECT_EQ(parsed->offsetFromUtc(), offset);
        EXPECT_EQ(parsed->date(), d.date());
        EXPECT_EQ(parsed->time(), d.time());
    }
}

TEST(CalendarDateText, ParsesAcrossDayBoundaries)
{
    // Local midnight at +0100 is 23:00 UTC of the previous day.
    const auto d = CalendarDate::fromDescription(u"2001-01-01 00:00:00 +0100");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->toUTC(), QDateTime(QDate(2000, 12, 31), QTime(23, 0), Qt::UTC));
    const auto e = CalendarDate::fromDescription(u"0001-01-01 00:00:00 -0000");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->date(), QDate(1, 1, 1));
}

TEST(CalendarDateText, RejectsMalformedText)
{
    const char16_t *bad[] = {
        u"",
        u"2009-03-14 09:05:00",
        u"2009-03-14 09:05:00 +010",
        u"2009-03-14 09:05:00 +01000",
        u"2009-03-14T09:05:00 +0100",
        u"2009-13-14 09:05:00 +0100",
        u"2009-00-14 09:05:00 +0100",
        u"2009-02-29 09:05:00 +0100", // not a leap year
        u"2009-04-31 09:05:00 +0100",
        u"2009-03-00 09:05:00 +0100",
        u"2009-03-14 24:00:00 +0100",
        u"2009-03-14 09:60:00 +0100",
        u"2009-03-14 09:05:60 +0100",
        u"2009-03-14 09:05:00 +1500",
        u"2009-03-14 09:05:00 +0160",
        u"2009-03-14 09:05:00 *0100",
        u"0000-03-14 09:05:00 +0100",
        u"2009-03-1x 09:05:00 +0100",
        u"20０9-03-14 09:05:00 +0100", // a full-width digit
        u" 2009-03-14 09:05:00 +010",
    };
    for (const char16_t *text : bad)
        EXPECT_FALSE(CalendarDate::fromDescription(QStringView(text))) << QString::fromUtf16(text).toStdString();
    EXPECT_TRUE(CalendarDate::fromDescription(u"2000-02-29 09:05:00 +1459"));
}

TEST(CalendarDateFormat, ConversionsAreExact)
{
    const QDateTime d = at(2009, 3, 4, 21, 5, 9, 3600, 7);
    EXPECT_EQ(CalendarDate::format(d, u"%d.%m.%Y"), QStringLiteral("04.03.2009"));
    EXPECT_EQ(CalendarDate::format(d, u"%H:%M:%S"), QStringLiteral("21:05:09"));
    EXPECT_EQ(CalendarDate::format(d, u"%H:%M"), QStringLiteral("21:05"));
    EXPECT_EQ(CalendarDate::format(d, u"%Y%m%d%H%M%S%z%F"), QStringLiteral("20090304210509+0100007"));
    EXPECT_EQ(CalendarDate::format(d, u"%e %y %I %p %j"), QStringLiteral("4 09 09 PM 063"));
    EXPECT_EQ(CalendarDate::format(d, u"%A %a %B %b"), QStringLiteral("Wednesday Wed March Mar"));
    EXPECT_EQ(CalendarDate::format(d, u"100%% %q %"), QStringLiteral("100% %q %"));
    EXPECT_EQ(CalendarDate::format(at(2009, 3, 4, 0, 30, 0, -7200), u"%I%p %z"),
              QStringLiteral("12AM -0200"));
    EXPECT_EQ(CalendarDate::format(at(2008, 12, 31, 12, 0, 0, 0), u"%j"), QStringLiteral("366"));
    EXPECT_TRUE(CalendarDate::format(QDateTime(), u"%Y").isEmpty());
}

TEST(CalendarDateFormat, UsesTheDatesOwnOffset)
{
    // The same instant is a different calendar day in two offsets.
    const QDateTime utc(QDate(2009, 3, 14), QTime(23, 30), Qt::UTC);
    const QDateTime tokyo = utc.toOffsetFromUtc(9 * 3600);
    EXPECT_EQ(CalendarDate::format(tokyo, u"%d %H"), QStringLiteral("15 08"));
    EXPECT_EQ(CalendarDate::dayOfCommonEra(tokyo), CalendarDate::dayOfCommonEra(utc) + 1);
    EXPECT_EQ(CalendarDate::dayOfWeek(utc), 6);   // Saturday
    EXPECT_EQ(CalendarDate::dayOfWeek(tokyo), 0); // Sunday
}

TEST(CalendarDateDays, DayOfCommonEraAndWeekday)
{
    EXPECT_EQ(CalendarDate::dayOfCommonEra(at(1, 1, 1, 12, 0, 0, 0)), 1);
    EXPECT_EQ(CalendarDate::dayOfCommonEra(at(1, 12, 31, 0, 0, 0, 0)), 365);
    EXPECT_EQ(CalendarDate::dayOfCommonEra(at(1970, 1, 1, 0, 0, 0, 0)), 719163);
    const QDate day(2024, 7, 19);
    EXPECT_EQ(CalendarDate::dayOfCommonEra(at(2024, 7, 19, 5, 0, 0, -3600)),
              day.toJulianDay() - QDate(1, 1, 1).toJulianDay() + 1);
    EXPECT_EQ(CalendarDate::dayOfWeek(at(2024, 7, 19, 5, 0, 0, -3600)), day.dayOfWeek() % 7);
    EXPECT_EQ(CalendarDate::dayOfWeek(at(1969, 12, 31, 0, 0, 0, 0)), 3); // before the epoch
}

TEST(CalendarDateOffset, WithFixedOffsetKeepsTheInstant)
{
    const QDateTime utc(QDate(2009, 7, 1), QTime(10, 0), Qt::UTC);
    const QDateTime fixed = CalendarDate::withFixedOffset(utc.toTimeZone(QTimeZone("Europe/Berlin")));
    EXPECT_EQ(fixed.timeSpec(), Qt::OffsetFromUTC);
    EXPECT_EQ(fixed.offsetFromUtc(), 7200);
    EXPECT_EQ(fixed, utc);
    EXPECT_FALSE(CalendarDate::withFixedOffset(QDateTime()).isValid());
}
