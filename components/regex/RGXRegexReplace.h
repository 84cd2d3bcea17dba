#pragma once
// Replacement with an ICU template ($1, \$ …) on a slot bound to the subject: the
// text of the bound range with every match replaced. A first pass into a buffer of
// L + L/2 + 2R + 16 units; when that overflows, one second pass sized exactly by the
// first pass's count.
//
// Runs under the cache lock on behalf of the dispatcher; failures go into pending
// and status, never raised here.
#include "components/regex/RGXCachedRegex.h"
#include "components/regex/RGXPending.h"

#include <optional>

namespace RGXAdditions::detail {

// *replacedCount gets the number of replacements, -1 on failure. The result is
// nullopt on failure and, for the in-place form, when nothing was replaced.
std::optional<QString> rgx_replaceString(RGXCachedRegex &slot, const QString &subject, qsizetype length,
                                         const QString &replacement, qint64 *replacedCount, bool inPlace,
                                         RGXPending &pending, UErrorCode &status);
// Answers the units written to `buffer`.
qsizetype rgx_replaceAll(RGXCachedRegex &slot, const UChar *replacement, std::int32_t replacementLength,
                         UChar *buffer, std::int32_t capacity, qint64 *replacedCount, qint64 *needed,
                         RGXPending &pending, UErrorCode &status);

} // namespace RGXAdditions::detail
