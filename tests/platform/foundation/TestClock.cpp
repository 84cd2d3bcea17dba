#include "platform/foundation/Clock.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

using platform::Clock;

namespace {

class ClockTest : public ::testing::Test
{
protected:
    void TearDown() override { Clock::useSystemClock(); }
};

// A fixed UTC offset (Qt reports a zero offset as UTC).
bool hasFixedOffset(const QDateTime &dt)
{
    return dt.timeSpec() == Qt::OffsetFromUTC || (dt.timeSpec() == Qt::UTC && dt.offsetFromUtc() == 0);
}


TEST_F(ClockTest, SystemClockCarriesLocalOffset)
{
    ASSERT_FALSE(Clock::isFrozen());
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = Clock::now();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_TRUE(hasFixedOffset(now));
    EXPECT_EQ(now.offsetFromUtc(), now.toLocalTime().offsetFromUtc());
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);

    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    const QDateTime there = Clock::now();
    EXPECT_EQ(there.timeSpec(), Qt::OffsetFromUTC);
    EXPECT_EQ(there.offsetFromUtc(), there.toLocalTime().offsetFromUtc());
    EXPECT_TRUE(there.offsetFromUtc() == 3600 || there.offsetFromUtc() == 7200);
}

TEST_F(ClockTest, FrozenClockKeepsMomentAndOffsetAndMovesOnlyWhenAdvanced)
{
    const QDateTime moment(QDate(2009, 3, 29), QTime(1, 59, 30), Qt::OffsetFromUTC, 3600);
    Clock::setNow(moment);
    EXPECT_TRUE(Clock::isFrozen());
    EXPECT_EQ(Clock::now(), moment);
    EXPECT_EQ(Clock::now().offsetFromUtc(), 3600);
    EXPECT_EQ(Clock::now(), Clock::now());

    Clock::advance(45 * 1000);
    EXPECT_EQ(Clock::now(), moment.addSecs(45));
    EXPECT_EQ(Clock::now().offsetFromUtc(), 3600);
    EXPECT_EQ(Clock::now().time(), QTime(2, 0, 15));

    Clock::useSystemClock();
    EXPECT_FALSE(Clock::isFrozen());
    Clock::advance(3600 * 1000); // no effect on the system clock
    EXPECT_FALSE(Clock::isFrozen());
}

TEST_F(ClockTest, FreezingAtUtcOrLocalTimeGivesFixedOffset)
{
    const QDateTime utc(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC);
    Clock::setNow(utc);
    EXPECT_TRUE(hasFixedOffset(Clock::now()));
    EXPECT_EQ(Clock::now().offsetFromUtc(), 0);
    EXPECT_EQ(Clock::now().toMSecsSinceEpoch(), utc.toMSecsSinceEpoch());

    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    const QDateTime local(QDate(2020, 7, 1), QTime(12, 0), Qt::LocalTime);
    Clock::setNow(local);
    EXPECT_EQ(Clock::now().timeSpec(), Qt::OffsetFromUTC);
    EXPECT_EQ(Clock::now().offsetFromUtc(), 7200);
    EXPECT_EQ(Clock::now().toMSecsSinceEpoch(), local.toMSecsSinceEpoch());

    Clock::setNow(QDateTime()); // invalid: ignored
    EXPECT_EQ(Clock::now().toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
}

TEST_F(ClockTest, MediaTimeIsMonotonicAndFrozenWithTheClock)
{
    const double first = Clock::mediaTime();
    EXPECT_LE(first, Clock::mediaTime());

    Clock::setNow(QDateTime(QDate(2021, 3, 1), QTime(9, 0), Qt::UTC));
    const double frozen = Clock::mediaTime();
    EXPECT_GE(frozen, first);
    EXPECT_EQ(Clock::mediaTime(), frozen);
    Clock::advance(1500);
    EXPECT_DOUBLE_EQ(Clock::mediaTime(), frozen + 1.5);
    Clock::advance(-60000); // the date goes back, media time does not
    EXPECT_DOUBLE_EQ(Clock::mediaTime(), frozen + 1.5);
    Clock::setNow(QDateTime(QDate(2021, 3, 2), QTime(9, 0), Qt::UTC)); // refreezing keeps it
    EXPECT_DOUBLE_EQ(Clock::mediaTime(), frozen + 1.5);

    Clock::advance(3600 * 1000);
    const double advanced = Clock::mediaTime();
    Clock::useSystemClock(); // released far ahead of the system: never back
    EXPECT_GE(Clock::mediaTime(), advanced);
}

// Counted time: the steady reading moves with the time that passes, never with a step
// of the wall clock, and never back (also not when a frozen clock is released).
TEST_F(ClockTest, SteadyTimeFollowsPassingTimeAndNoStepOfTheWallClock)
{
    const qint64 first = Clock::steadyMSecs();
    EXPECT_LE(first, Clock::steadyMSecs());

    const QDateTime nine(QDate(2021, 3, 1), QTime(9, 0), Qt::UTC);
    Clock::setNow(nine);
    const qint64 frozen = Clock::steadyMSecs();
    EXPECT_GE(frozen, first);
    EXPECT_EQ(Clock::steadyMSecs(), frozen);
    Clock::advance(1500);
    EXPECT_EQ(Clock::steadyMSecs(), frozen + 1500);
    EXPECT_EQ(Clock::now(), nine.addMSecs(1500));

    // The time is set: back 20 minutes, forward an hour, frozen elsewhere.
    Clock::stepWallClock(-20 * 60 * 1000);
    EXPECT_EQ(Clock::now(), nine.addMSecs(1500 - 20 * 60 * 1000));
    Clock::stepWallClock(60 * 60 * 1000);
    EXPECT_EQ(Clock::now(), nine.addMSecs(1500 + 40 * 60 * 1000));
    Clock::setNow(nine.addDays(-3));
    Clock::advance(-60000);
    const double media = Clock::mediaTime();
    EXPECT_EQ(Clock::steadyMSecs(), frozen + 1500);
    Clock::advance(250);
    EXPECT_EQ(Clock::steadyMSecs(), frozen + 1750);
    EXPECT_DOUBLE_EQ(Clock::mediaTime(), media + 0.25);

    Clock::advance(3600 * 1000);
    const qint64 advanced = Clock::steadyMSecs();
    Clock::useSystemClock();
    EXPECT_GE(Clock::steadyMSecs(), advanced);
    Clock::stepWallClock(-3600 * 1000); // no effect on the system clock
    EXPECT_FALSE(Clock::isFrozen());
}

} // namespace
