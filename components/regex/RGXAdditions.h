#pragma once
// Regular expressions on QString, over ICU's uregex_* functions, with a process-wide
// cache of compiled expressions.
//
// Expressions and subjects are QStrings; a null QString stands for "no string" and is
// refused with an exception. Ranges are platform::Range in UTF-16 units exactly as
// QString counts them; a length of UpToEnd means "to the end of the subject". Options
// are ICU's flags (UREGEX_CASE_INSENSITIVE, …), passed to ICU unchanged.
//
// Failures: an expression that does not compile is never raised: the operation
// answers its empty result (nullopt, false, -1) and fills `error` when one is given
// (domain RGXICURegexErrorDomain, code the ICU status). Argument, range and capture
// errors and ICU failures while matching raise platform::Exception
// ("NSInvalidArgumentException", "NSRangeException", "RGXICURegexException", …) whose
// reason names the operation: "*** -[NSString rangeOfRegex:…]: …".
//
// Threading: every function may be called from any thread; the cache is guarded by
// one lock that is never held while raising or running a caller's code.
#include "components/regex/RGXRegexTypes.h"

#include "platform/foundation/Error.h"

#include <cstdint>

namespace RGXAdditions {


// Empties the whole cache: every expression compiles again on first use.
void clearStringCache();
// Forgets every binding of the cache to this subject (or to one of equal length and
// hash), for instance after its characters were changed behind the cache's back.
// Compiled expressions stay.
void flushCachedRegexData(const QString &subject);

// The number of capture groups, -1 when the expression does not compile.
qsizetype captureCountForRegex(const QString &regex);
qsizetype captureCountForRegex(const QString &regex, std::uint32_t options, platform::Error *error);
qsizetype captureCount(const QString &regex);
qsizetype captureCountWithOptions(const QString &regex, std::uint32_t options, platform::Error *error);
// Whether the expression compiles.
bool isRegexValid(const QString &regex);
bool isRegexValidWithOptions(const QString &regex, std::uint32_t options, platform::Error *error);

} // namespace RGXAdditions
