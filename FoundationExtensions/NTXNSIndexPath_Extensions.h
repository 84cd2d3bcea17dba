#pragma once
// Index paths are QList<qsizetype>: the index at each level, outermost first.
#include <QList>
#include <QtGlobal>

#include <optional>

namespace NTXNSIndexPath_Extensions {

using IndexPath = QList<qsizetype>;

// The index at position 0 / at the last position; platform::Range::NotFound for an
// empty path.
qsizetype firstIndex(const IndexPath &path);
qsizetype lastIndex(const IndexPath &path);
// The path with its last index increased by 1 (an empty path stays empty).
IndexPath indexPathByIncrementingLastIndex(const IndexPath &path);
// The path with the index at the position replaced; none for a position outside
// the path.
std::optional<IndexPath> indexPathByReplacingIndexAtPosition(const IndexPath &path, qsizetype position,
                                                             qsizetype index);

} // namespace NTXNSIndexPath_Extensions
