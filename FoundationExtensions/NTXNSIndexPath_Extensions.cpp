#include "FoundationExtensions/NTXNSIndexPath_Extensions.h"

#include "platform/foundation/Range.h"

namespace NTXNSIndexPath_Extensions {

qsizetype firstIndex(const IndexPath &path)
{
    return path.isEmpty() ? platform::Range::NotFound : path.constFirst();
}

qsizetype lastIndex(const IndexPath &path)
{
    return path.isEmpty() ? platform::Range::NotFound : path.constLast();
}

IndexPath indexPathByIncrementingLastIndex(const IndexPath &path)
{
    IndexPath result = path;
    if (!result.isEmpty())
        ++result.last();
    return result;
}

std::optional<IndexPath> indexPathByReplacingIndexAtPosition(const IndexPath &path, qsizetype position,
                                                             qsizetype index)
{
    if (position < 0 || position >= path.size())
        return std::nullopt;
    IndexPath result = path;
    result[position] = index;
    return result;
}

} // namespace NTXNSIndexPath_Extensions
