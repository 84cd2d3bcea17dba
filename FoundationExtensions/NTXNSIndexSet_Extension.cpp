#include "FoundationExtensions/NTXNSIndexSet_Extension.h"

#include <limits>

namespace NTXNSIndexSet_Extension {

std::optional<IndexSet> invertedIndexSetForRange(const IndexSet &set, platform::Range range)
{
    if (range.location < 0 || range.length < 0 || range.length > MaximumInvertedRangeLength ||
        range.location > std::numeric_limits<qsizetype>::max() - range.length)
        return std::nullopt;
    IndexSet inverted;
    auto present = set.lower_bound(range.location);
    for (qsizetype index = range.location; index < range.max(); ++index) {
        if (present != set.end() && *present == index) {
            ++present;
            continue;
        }
        inverted.insert(inverted.end(), index);
    }
    return inverted;
}

} // namespace NTXNSIndexSet_Extension
