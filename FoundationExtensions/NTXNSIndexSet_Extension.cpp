#include "FoundationExtensions/NTXNSIndexSet_Extension.h"

#include "platform/foundation/Exception.h"

#include <limits>

namespace NTXNSIndexSet_Extension {

IndexSet invertedIndexSetForRange(const IndexSet &set, platform::Range range)
{
    if (range.location < 0 || range.length < 0 || range.length > MaximumInvertedRangeLength ||
        range.location > std::numeric_limits<qsizetype>::max() - range.length)
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("invertedIndexSetForRange: range {%1, %2} is invalid")
                                      .arg(range.location)
                                      .arg(range.length));
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
