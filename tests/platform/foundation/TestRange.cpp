#include "platform/foundation/Range.h"

#include <gtest/gtest.h>

#include <limits>

using platform::Range;

// A range fits in a text of a given size up to its very end: the exact fit and an empty
// range at the end do, one unit past the end does not, nor a negative part, nor a
// length so large that location + length wraps.
TEST(Range, FitsUpToTheVeryEnd)
{
    struct Case
    {
        Range range;
        qsizetype size;
        bool fits;
    };
    constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
    const Case cases[] = {
        {{0, 5}, 5, true},   {{0, 6}, 5, false},  {{2, 3}, 5, true},   {{2, 4}, 5, false},
        {{5, 0}, 5, true},   {{6, 0}, 5, false},  {{4, 1}, 5, true},   {{5, 1}, 5, false},
        {{0, 0}, 0, true},   {{0, 1}, 0, false},  {{-1, 1}, 5, false}, {{1, -1}, 5, false},
        {{1, huge}, 5, false}, {{huge, 0}, 5, false}, {Range(), 5, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.range.fitsIn(c.size), c.fits) << c.range.location << ", " << c.range.length << " in " << c.size;
}

TEST(Range, ContainsItsOwnIndexesOnly)
{
    const Range r(3, 2);
    EXPECT_FALSE(r.contains(2));
    EXPECT_TRUE(r.contains(3));
    EXPECT_TRUE(r.contains(4));
    EXPECT_FALSE(r.contains(5));
    EXPECT_EQ(r.max(), 5);
    EXPECT_FALSE(Range(3, 0).contains(3));
    EXPECT_TRUE(Range().isNotFound());
    EXPECT_FALSE(r.isNotFound());
    EXPECT_TRUE(Range(3, 2) == r);
    EXPECT_FALSE(Range(3, 1) == r);
    EXPECT_FALSE(Range(2, 2) == r);
}
