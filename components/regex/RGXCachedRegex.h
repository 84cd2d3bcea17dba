#pragma once
// One slot of the compiled-expression cache: the expression (a QString copy, so that
// its data stays alive and unchanged while the slot holds it), its options, the ICU
// expression compiled from it, and the subject and range the expression is bound to.
//
// A slot is owned by the cache (or by one block enumeration, which clones one) and
// is only touched under the cache lock, or by the single thread that owns the clone.
#include "components/regex/RGXRegexTypes.h"

#include <unicode/uregex.h>

#include <cstdint>

namespace RGXAdditions::detail {

struct RGXCachedRegex
{
    QString regexString;             // null when the slot is empty
    std::uint32_t regexHash = 0;
    std::uint32_t options = 0;       // ICU's flags, unchanged
    URegularExpression *icu_regex = nullptr;
    std::int32_t captureCount = -1;
    QString setToString;             // the bound subject (a copy sharing the caller's data); null when unbound
    qsizetype setToLength = 0;
    const UChar *setToUniChar = nullptr; // setToString's own UTF-16
    Range setToRange;                // the part of the subject given to ICU; NotFound when none
    Range lastFindRange;
    Range lastMatchRange;            // in subject positions
    // Whether ICU's position still follows lastMatchRange within the running
    // operation, so that the next search may continue with uregex_findNext. A new
    // operation starts afresh with uregex_find: its answer never depends on what an
    // earlier operation left behind.
    bool searchContinues = false;
};

} // namespace RGXAdditions::detail
