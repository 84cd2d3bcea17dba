#pragma once
// The process-wide cache of compiled expressions: 13 sets of 4 ways, a recency word
// per set, a 64-entry hint table keyed by the expression's address and options, and
// the slot handed out last. Each slot also remembers the subject and range its ICU
// expression was last given, so that repeated work on one string skips
// uregex_setText.
//
// Threading: one std::mutex (rgx_cacheLock()) guards everything here. The lookup and
// binding functions take the caller's lock as proof that it is held; they never
// raise: failures go into the caller's RGXPending, to be raised after unlocking.
// "The same string" means the same QString data (constData() and length). A slot
// keeps a QString copy of expression and subject, so the data stays alive and a
// caller's in-place edit detaches from it; raw-data strings are deep-copied.
#include "components/regex/RGXCachedRegex.h"
#include "components/regex/RGXPending.h"

#include "platform/foundation/Error.h"

#include <mutex>

namespace RGXAdditions::detail {

using RGXCacheLock = std::unique_lock<std::mutex>;

std::mutex &rgx_cacheLock();

// Finds or compiles the expression. A compile error goes into `error` (when given)
// and answers null; it is never pending.
RGXCachedRegex *rgx_getCachedRegex(const RGXCacheLock &lock, const QString &regex, std::uint32_t options,
                                   platform::Error *error, RGXPending &pending);
// Lookup, then binds the slot to the subject and gives ICU the range. The range's
// UpToEnd length becomes the subject's length L (before the lookup, so even a failed
// lookup normalises it); *matchLength receives L. A range that does not fit is left
// for the caller to refuse (the slot is returned without that range set).
RGXCachedRegex *rgx_getCachedRegexSetToString(const RGXCacheLock &lock, const QString &regex, std::uint32_t options,
                                              const QString &subject, qsizetype *matchLength, Range *range,
                                              platform::Error *error, RGXPending &pending, UErrorCode &status);
void rgx_unbindSlotFromString(RGXCachedRegex &slot);
void rgx_clearCachedRegex(RGXCachedRegex &slot);
// The copy a slot keeps of a string: the same data, or a deep copy of raw data.
QString rgx_keptCopy(const QString &s);
bool rgx_sameString(const QString &a, const QString &b);

void rgx_clearStringCache();
void rgx_flushCachedRegexData(const QString &subject);

// Test hooks: the index (0-51) of the slot holding a compiled expression of this
// text and options, or -1; and the number of successful compilations so far.
int rgx_cachedSlotIndex(const QString &regex, std::uint32_t options);
quint64 rgx_compileCount();

} // namespace RGXAdditions::detail
