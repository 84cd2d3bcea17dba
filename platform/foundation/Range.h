#pragma once
// A range of UTF-16 units (or of any indexes): location and length.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QtGlobal>
#include <limits>

namespace platform {

struct Range
{
    static constexpr qsizetype NotFound = std::numeric_limits<qsizetype>::max();

    qsizetype location = NotFound;
    qsizetype length = 0;

    constexpr Range() = default;
    constexpr Range(qsizetype loc, qsizetype len) : location(loc), length(len) {}

    constexpr bool isNotFound() const { return location == NotFound; }
    constexpr qsizetype max() const { return location + length; }
    constexpr bool contains(qsizetype index) const { return index >= location && index - location < length; }
    // Whether the range lies within [0, size).
    constexpr bool fitsIn(qsizetype size) const
    {
        return location >= 0 && length >= 0 && location <= size && length <= size - location;
    }
    friend constexpr bool operator==(const Range &a, const Range &b)
    {
        return a.location == b.location && a.length == b.length;
    }
};

} // namespace platform
