#pragma once
// The working record of a find-all operation: where the match ranges go (first the
// caller's array, then heap storage grown by an estimate of the matches still to
// come), the range searched and what is left of it, and the counters.
//
// One record per operation on one thread; it owns only its grown storage.
#include "components/regex/RGXRegexTypes.h"

#include <cstdlib>
#include <type_traits>

namespace RGXAdditions::detail {

static_assert(std::is_trivially_copyable_v<Range>);

struct RGXFindAll
{
    static constexpr qsizetype StackCapacity = 2048;
    static constexpr qsizetype AllMatches = 2147483647;

    Range *ranges = nullptr;
    Range findInRange;
    Range remainingRange;
    qsizetype capacity = 0;
    qsizetype found = 0;
    qsizetype findUpTo = AllMatches;
    int capture = 0;
    qsizetype addedSplitRanges = 0;
    // Searching starts at remainingRange rather than at findInRange (one match per
    // step, as block enumeration does; pieces still start at findInRange.location).
    bool resume = false;
    // Heap storage once the ranges outgrow the caller's array (realloc'ed, so that a
    // large array can grow in place); freed with the record.
    Range *grown = nullptr;

    RGXFindAll(Range *initial, qsizetype initialCapacity, Range range)
        : ranges(initial), findInRange(range), remainingRange(range), capacity(initialCapacity)
    {
    }
    ~RGXFindAll() { std::free(grown); }
    RGXFindAll(const RGXFindAll &) = delete;
    RGXFindAll &operator=(const RGXFindAll &) = delete;
    void push(Range r) { ranges[found++] = r; }
};

// The first StackCapacity ranges of a find-all, on the caller's stack, left
// uninitialised (only what was found is ever read).
struct RGXStackRanges
{
    alignas(Range) unsigned char bytes[sizeof(Range) * RGXFindAll::StackCapacity];
    Range *data() { return reinterpret_cast<Range *>(bytes); }
};

} // namespace RGXAdditions::detail
