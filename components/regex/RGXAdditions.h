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
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

namespace RGXAdditions {

// A dictionary key and the capture whose string it maps to.
using RGXKeyCapture = std::pair<QString, int>;
// At most this many pairs are taken from a key/capture list; the rest are ignored.
inline constexpr qsizetype MaxKeysAndCaptures = 62;

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

// ---- Matching, capturing and splitting. The subject comes first; the shorter forms
// use options 0, the whole subject and capture 0. Compile errors answer nullopt (or
// false, NotFound, a null string); nothing matched answers an empty list or dictionary.

// The pieces of the range between matches, each followed by the match's groups 1..n
// (empty strings for groups that took no part). Trailing empty pieces are dropped.
std::optional<QStringList> componentsSeparatedByRegex(const QString &subject, const QString &regex);
std::optional<QStringList> componentsSeparatedByRegex(const QString &subject, const QString &regex, Range range);
std::optional<QStringList> componentsSeparatedByRegex(const QString &subject, const QString &regex,
                                                      std::uint32_t options, Range range, platform::Error *error);

bool isMatchedByRegex(const QString &subject, const QString &regex);
bool isMatchedByRegex(const QString &subject, const QString &regex, Range inRange);
bool isMatchedByRegex(const QString &subject, const QString &regex, std::uint32_t options, Range inRange,
                      platform::Error *error);

// The range of the capture in the first match; {NotFound, 0} when there is none.
Range rangeOfRegex(const QString &subject, const QString &regex);
Range rangeOfRegex(const QString &subject, const QString &regex, int capture);
Range rangeOfRegex(const QString &subject, const QString &regex, Range inRange);
Range rangeOfRegex(const QString &subject, const QString &regex, std::uint32_t options, Range inRange, int capture,
                   platform::Error *error);

// The text of that range: a null QString when there is none, an empty non-null one
// for an empty match.
QString stringByMatching(const QString &subject, const QString &regex);
QString stringByMatching(const QString &subject, const QString &regex, int capture);
QString stringByMatching(const QString &subject, const QString &regex, Range inRange);
QString stringByMatching(const QString &subject, const QString &regex, std::uint32_t options, Range inRange,
                         int capture, platform::Error *error);

// One string per match: the given capture ("" where it took no part).
std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex);
std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex, int capture);
std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex, Range range);
std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex,
                                                    std::uint32_t options, Range range, int capture,
                                                    platform::Error *error);

// Captures 0..n of the first match.
std::optional<QStringList> captureComponentsMatchedByRegex(const QString &subject, const QString &regex);
std::optional<QStringList> captureComponentsMatchedByRegex(const QString &subject, const QString &regex, Range range);
std::optional<QStringList> captureComponentsMatchedByRegex(const QString &subject, const QString &regex,
                                                           std::uint32_t options, Range range, platform::Error *error);

// Captures 0..n of every match.
std::optional<QList<QStringList>> arrayOfCaptureComponentsMatchedByRegex(const QString &subject, const QString &regex);
std::optional<QList<QStringList>> arrayOfCaptureComponentsMatchedByRegex(const QString &subject, const QString &regex,
                                                                         Range range);
std::optional<QList<QStringList>> arrayOfCaptureComponentsMatchedByRegex(const QString &subject, const QString &regex,
                                                                         std::uint32_t options, Range range,
                                                                         platform::Error *error);

// Key -> the string of the key's capture in the first match; a key whose capture took
// no part is left out. A null key is refused. The pair lists are cut at
// MaxKeysAndCaptures; the two-list form has no limit.
std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex,
                                                       std::initializer_list<RGXKeyCapture> keysAndCaptures);
std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex, Range range,
                                                       std::initializer_list<RGXKeyCapture> keysAndCaptures);
std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex,
                                                       std::uint32_t options, Range range, platform::Error *error,
                                                       std::initializer_list<RGXKeyCapture> keysAndCaptures);
std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex,
                                                       std::uint32_t options, Range range, platform::Error *error,
                                                       const QStringList &keys, const QList<int> &captures);

// The same dictionary for every match.
std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(
    const QString &subject, const QString &regex, std::initializer_list<RGXKeyCapture> keysAndCaptures);
std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(
    const QString &subject, const QString &regex, Range range, std::initializer_list<RGXKeyCapture> keysAndCaptures);
std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(
    const QString &subject, const QString &regex, std::uint32_t options, Range range, platform::Error *error,
    std::initializer_list<RGXKeyCapture> keysAndCaptures);
std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(const QString &subject, const QString &regex,
                                                                       std::uint32_t options, Range range,
                                                                       platform::Error *error, const QStringList &keys,
                                                                       const QList<int> &captures);

// ---- Replacement with an ICU template ($n for capture n, \ escapes).

// The range's text (only that) with every match replaced; nullopt after a compile
// error. A template naming a missing group raises "RGXICURegexException".
std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const QString &replacement);
std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const QString &replacement, Range range);
std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const QString &replacement, std::uint32_t options,
                                                           Range range, platform::Error *error);

// Replaces the matches inside the range of the receiver, keeping the text around it.
// Answers the number of replacements, -1 on failure (the receiver is then unchanged).
qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const QString &replacement);
qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const QString &replacement, Range range);
qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const QString &replacement,
                                 std::uint32_t options, Range range, platform::Error *error);

// ---- Block enumeration. The enumeration works on a private copy of the subject and
// of the compiled expression and holds no lock while a block runs: a block may use
// this layer, change the receiver (the enumeration goes on over the old text) or
// throw (the exception passes through; nothing stays locked or leaks).
//
// A block receives the number of strings and ranges (the match and its groups, or a
// piece and the groups of the match that ends it), the strings, the ranges (positions
// in the subject; {NotFound, 0} for a group that took no part) and a stop flag to set
// to end after this step. With RGXRegexEnumerationCapturedStringsNotRequired the
// strings pointer is null. With RGXRegexEnumerationReusedCaptureStrings the strings
// are QString::fromRawData views into the private copy, valid for that step only: a
// block that keeps one must copy it (QString(view.constData(), view.size())).
enum RGXRegexEnumerationOptions : std::uint32_t {
    RGXRegexEnumerationNoOptions = 0,
    RGXRegexEnumerationCapturedStringsNotRequired = 0x200,
    RGXRegexEnumerationReplacementOwned = 0x400, // replacement only; nothing to release with QStrings
    RGXRegexEnumerationReusedCaptureStrings = 0x800,
};

using RGXMatchBlock = std::function<void(qsizetype captureCount, const QString *capturedStrings,
                                         const Range *capturedRanges, bool *stop)>;
// Answers the replacement of the match; a null QString deletes it.
using RGXReplaceBlock = std::function<QString(qsizetype captureCount, const QString *capturedStrings,
                                              const Range *capturedRanges, bool *stop)>;

// True when the enumeration ran to its end or was stopped; false on a compile error
// or an ICU failure (both reported through `error`).
bool enumerateStringsMatchedByRegex(const QString &subject, const QString &regex, const RGXMatchBlock &block);
bool enumerateStringsMatchedByRegex(const QString &subject, const QString &regex, std::uint32_t options, Range inRange,
                                    platform::Error *error, std::uint32_t enumerationOptions,
                                    const RGXMatchBlock &block);
bool enumerateStringsSeparatedByRegex(const QString &subject, const QString &regex, const RGXMatchBlock &block);
bool enumerateStringsSeparatedByRegex(const QString &subject, const QString &regex, std::uint32_t options,
                                      Range inRange, platform::Error *error, std::uint32_t enumerationOptions,
                                      const RGXMatchBlock &block);
// The range's text with each match replaced by what the block answers.
std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const RGXReplaceBlock &block);
std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           std::uint32_t options, Range inRange,
                                                           platform::Error *error, std::uint32_t enumerationOptions,
                                                           const RGXReplaceBlock &block);
// The number of replacements, -1 on failure with the receiver unchanged.
qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const RGXReplaceBlock &block);
qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, std::uint32_t options, Range inRange,
                                 platform::Error *error, std::uint32_t enumerationOptions,
                                 const RGXReplaceBlock &block);

} // namespace RGXAdditions
