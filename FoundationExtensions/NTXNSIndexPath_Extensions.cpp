#include "FoundationExtensions/NTXNSIndexPath_Extensions.h"

#include "platform/foundation/Exception.h"
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

IndexPath indexPathByReplacingIndexAtPosition(const IndexPath &path, qsizetype position, qsizetype index)
{
    if (position < 0 || position >= path.size())
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("indexPathByReplacingIndexAtPosition: position %1 beyond length %2")
                                      .arg(position)
                                      .arg(path.size()));
    IndexPath result = path;
    result[position] = index;
    return result;
}

} // namespace NTXNSIndexPath_Extensions
