#pragma once
// The match core of the regular-expression layer: one dispatcher,
// rgx_performRegexOp, through which every non-block operation runs. It checks the
// arguments (raising at once), takes the cache lock, binds a compiled expression to
// the subject and range, runs the operation, builds the result, releases the lock,
// and only then raises what failed (range and capture errors, ICU failures, broken
// internal conditions) or, for the in-place forms, changes the receiver. Compile
// errors never raise: they come back through `error` and the result is nullopt.
//
// Safe from any thread; the lock is never held while raising.
#include "components/regex/RGXCachedRegex.h"
#include "components/regex/RGXFindAll.h"
#include "components/regex/RGXPending.h"

#include "platform/foundation/Error.h"

#include <optional>
#include <variant>

namespace RGXAdditions::detail {

using RGXOpResult =
    std::variant<std::monostate, QStringList, QList<QStringList>, RGXDictionary, QList<RGXDictionary>, QString>;

// `result` is a Range* for RGXMatchRangeOp and a qint64* (the replaced count) for
// RGXReplaceStringOp, else unused. `receiver`, for the in-place replacement, is the
// subject itself. `range` is normalised in place.
std::optional<RGXOpResult> rgx_performRegexOp(const RGXMethod &method, std::uint32_t op, const QString &regex,
                                              std::uint32_t options, int capture, const QString &subject,
                                              Range *range, const QString *replacement, platform::Error *error,
                                              void *result, qsizetype keyCount, const QString *keys,
                                              const int *captures, QString *receiver = nullptr);

bool rgx_search(RGXCachedRegex &slot, Range *searchRange, bool updateSearchRange, RGXPending &pending,
                UErrorCode &status);
// Answers whether it failed.
bool rgx_findRanges(RGXCachedRegex &slot, std::uint32_t op, RGXFindAll &findAll, RGXPending &pending,
                    UErrorCode &status);
bool rgx_growFindRanges(const RGXCachedRegex &slot, qsizetype reached, RGXFindAll &findAll, RGXPending &pending);
std::optional<RGXOpResult> rgx_makeArray(const RGXCachedRegex &slot, std::uint32_t op, const RGXFindAll &findAll,
                                         RGXPending &pending);
std::optional<RGXOpResult> rgx_makeDictionary(const RGXCachedRegex &slot, std::uint32_t op,
                                              const RGXFindAll &findAll, qsizetype keyCount, const QString *keys,
                                              const int *captures, RGXPending &pending);
// The capture's range in the last match, in subject positions; NotFound when the
// group took no part.
Range rgx_captureRange(const RGXCachedRegex &slot, int capture, UErrorCode &status);
// The text of a range of the bound subject ("" for an empty or absent range).
QString rgx_substring(const RGXCachedRegex &slot, Range r);

} // namespace RGXAdditions::detail
