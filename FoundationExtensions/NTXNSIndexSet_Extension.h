#pragma once
// Index sets are std::set<qsizetype>: sorted, unique, non-negative indexes.
#include "platform/foundation/Range.h"

#include <QtGlobal>
#include <optional>
#include <set>

namespace NTXNSIndexSet_Extension {

using IndexSet = std::set<qsizetype>;

// Largest range invertedIndexSetForRange() enumerates.
constexpr qsizetype MaximumInvertedRangeLength = qsizetype(1) << 24;

// Every index of the range that the set does not contain; an empty range gives an
// empty set. None for a range with a negative location or length, one that
// overflows, or one longer than MaximumInvertedRangeLength.
std::optional<IndexSet> invertedIndexSetForRange(const IndexSet &set, platform::Range range);

} // namespace NTXNSIndexSet_Extension
