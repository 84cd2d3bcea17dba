#pragma once
// Shortening of titles for the overflow menu: a string longer than n UTF-16 units
// becomes its first n − 1 units followed by the horizontal ellipsis (U+2026), so the
// result is n units long. A cut never splits a surrogate pair: when the last kept
// unit would be the first half of a pair, the pair goes too (the result is then one
// unit shorter). Stateless; any thread.
#include <QString>

namespace AITruncation {

// The one-character string U+2026.
const QString &ellipsis();
QString stringWithEllipsisByTruncatingToLength(const QString &string, unsigned length);

} // namespace AITruncation
