// Matching, capturing and splitting: front ends of the dispatcher, one operation code
// per family.
#include "components/regex/RGXAdditions.h"

#include "components/regex/RGXRegexCore.h"

#include <algorithm>

namespace RGXAdditions {

using namespace detail;

namespace {

RGXMethod method(const char *selector)
{
    return {"NSString", false, selector};
}

template <typename T>
std::optional<T> as(std::optional<RGXOpResult> &&r)
{
    if (!r || !std::holds_alternative<T>(*r))
        return std::nullopt;
    return std::get<T>(std::move(*r));
}

std::optional<RGXOpResult> perform(const char *selector, std::uint32_t op, const QString &subject, const QString &regex,
                                   std::uint32_t options, Range range, int capture, platform::Error *error,
                                   qsizetype keyCount = 0, const QString *keys = nullptr, const int *captures = nullptr)
{
    return rgx_performRegexOp(method(selector), op, regex, options, capture, subject, &range, nullptr, error, nullptr,
                              keyCount, keys, captures);
}

Range matchRange(const char *selector, const QString &subject, const QString &regex, std::uint32_t options,
                 Range range, int capture, platform::Error *error)
{
    Range found;
    rgx_performRegexOp(method(selector), RGXMatchRangeOp, regex, options, capture, subject, &range, nullptr, error,
                       &found, 0, nullptr, nullptr);
    return found;
}

QString matchedString(const char *selector, const QString &subject, const QString &regex, std::uint32_t options,
                      Range range, int capture, platform::Error *error)
{
    const Range found = matchRange(selector, subject, regex, options, range, capture, error);
    if (found.isNotFound())
        return QString();
    return found.length == 0 ? QStringLiteral("") : subject.mid(found.location, found.length);
}

// The keys and captures of a pair list, cut at MaxKeysAndCaptures.
struct KeyList
{
    QStringList keys;
    QList<int> captures;

    explicit KeyList(std::initializer_list<RGXKeyCapture> pairs)
    {
        for (const RGXKeyCapture &pair : pairs) {
            if (keys.size() == MaxKeysAndCaptures)
                break;
            keys.append(pair.first);
            captures.append(pair.second);
        }
    }
};

const QString NoKey;
const int NoCapture = 0;

std::optional<RGXOpResult> performKeyed(const char *selector, std::uint32_t op, const QString &subject,
                                        const QString &regex, std::uint32_t options, Range range,
                                        platform::Error *error, const QStringList &keys, const QList<int> &captures)
{
    const qsizetype count = std::min(keys.size(), captures.size());
    return perform(selector, op, subject, regex, options, range, 0, error, count,
                   count ? keys.constData() : &NoKey, count ? captures.constData() : &NoCapture);
}

} // namespace

std::optional<QStringList> componentsSeparatedByRegex(const QString &subject, const QString &regex)
{
    return as<QStringList>(perform("componentsSeparatedByRegex:", RGXSplitOp, subject, regex, 0, WholeString, 0, nullptr));
}

std::optional<QStringList> componentsSeparatedByRegex(const QString &subject, const QString &regex, Range range)
{
    return as<QStringList>(perform("componentsSeparatedByRegex:range:", RGXSplitOp, subject, regex, 0, range, 0, nullptr));
}

std::optional<QStringList> componentsSeparatedByRegex(const QString &subject, const QString &regex,
                                                      std::uint32_t options, Range range, platform::Error *error)
{
    return as<QStringList>(
        perform("componentsSeparatedByRegex:options:range:error:", RGXSplitOp, subject, regex, options, range, 0, error));
}

bool isMatchedByRegex(const QString &subject, const QString &regex)
{
    return !matchRange("isMatchedByRegex:", subject, regex, 0, WholeString, 0, nullptr).isNotFound();
}

bool isMatchedByRegex(const QString &subject, const QString &regex, Range inRange)
{
    return !matchRange("isMatchedByRegex:inRange:", subject, regex, 0, inRange, 0, nullptr).isNotFound();
}

bool isMatchedByRegex(const QString &subject, const QString &regex, std::uint32_t options, Range inRange,
                      platform::Error *error)
{
    return !matchRange("isMatchedByRegex:options:inRange:error:", subject, regex, options, inRange, 0, error).isNotFound();
}

Range rangeOfRegex(const QString &subject, const QString &regex)
{
    return matchRange("rangeOfRegex:", subject, regex, 0, WholeString, 0, nullptr);
}

Range rangeOfRegex(const QString &subject, const QString &regex, int capture)
{
    return matchRange("rangeOfRegex:capture:", subject, regex, 0, WholeString, capture, nullptr);
}

Range rangeOfRegex(const QString &subject, const QString &regex, Range inRange)
{
    return matchRange("rangeOfRegex:inRange:", subject, regex, 0, inRange, 0, nullptr);
}

Range rangeOfRegex(const QString &subject, const QString &regex, std::uint32_t options, Range inRange, int capture,
                   platform::Error *error)
{
    return matchRange("rangeOfRegex:options:inRange:capture:error:", subject, regex, options, inRange, capture, error);
}

QString stringByMatching(const QString &subject, const QString &regex)
{
    return matchedString("stringByMatching:", subject, regex, 0, WholeString, 0, nullptr);
}

QString stringByMatching(const QString &subject, const QString &regex, int capture)
{
    return matchedString("stringByMatching:capture:", subject, regex, 0, WholeString, capture, nullptr);
}

QString stringByMatching(const QString &subject, const QString &regex, Range inRange)
{
    return matchedString("stringByMatching:inRange:", subject, regex, 0, inRange, 0, nullptr);
}

QString stringByMatching(const QString &subject, const QString &regex, std::uint32_t options, Range inRange,
                         int capture, platform::Error *error)
{
    return matchedString("stringByMatching:options:inRange:capture:error:", subject, regex, options, inRange, capture,
                         error);
}

std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex)
{
    return as<QStringList>(perform("componentsMatchedByRegex:", RGXMatchedStringsOp, subject, regex, 0, WholeString, 0, nullptr));
}

std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex, int capture)
{
    return as<QStringList>(
        perform("componentsMatchedByRegex:capture:", RGXMatchedStringsOp, subject, regex, 0, WholeString, capture, nullptr));
}

std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex, Range range)
{
    return as<QStringList>(perform("componentsMatchedByRegex:range:", RGXMatchedStringsOp, subject, regex, 0, range, 0, nullptr));
}

std::optional<QStringList> componentsMatchedByRegex(const QString &subject, const QString &regex,
                                                    std::uint32_t options, Range range, int capture,
                                                    platform::Error *error)
{
    return as<QStringList>(perform("componentsMatchedByRegex:options:range:capture:error:", RGXMatchedStringsOp, subject,
                                   regex, options, range, capture, error));
}

std::optional<QStringList> captureComponentsMatchedByRegex(const QString &subject, const QString &regex)
{
    return as<QStringList>(
        perform("captureComponentsMatchedByRegex:", RGXCapturesArrayOp, subject, regex, 0, WholeString, 0, nullptr));
}

std::optional<QStringList> captureComponentsMatchedByRegex(const QString &subject, const QString &regex, Range range)
{
    return as<QStringList>(
        perform("captureComponentsMatchedByRegex:range:", RGXCapturesArrayOp, subject, regex, 0, range, 0, nullptr));
}

std::optional<QStringList> captureComponentsMatchedByRegex(const QString &subject, const QString &regex,
                                                           std::uint32_t options, Range range, platform::Error *error)
{
    return as<QStringList>(perform("captureComponentsMatchedByRegex:options:range:error:", RGXCapturesArrayOp, subject,
                                   regex, options, range, 0, error));
}

std::optional<QList<QStringList>> arrayOfCaptureComponentsMatchedByRegex(const QString &subject, const QString &regex)
{
    return as<QList<QStringList>>(perform("arrayOfCaptureComponentsMatchedByRegex:",
                                          RGXAllCapturesOp | RGXArrayPerMatchBit, subject, regex, 0, WholeString, 0, nullptr));
}

std::optional<QList<QStringList>> arrayOfCaptureComponentsMatchedByRegex(const QString &subject, const QString &regex,
                                                                         Range range)
{
    return as<QList<QStringList>>(perform("arrayOfCaptureComponentsMatchedByRegex:range:",
                                          RGXAllCapturesOp | RGXArrayPerMatchBit, subject, regex, 0, range, 0, nullptr));
}

std::optional<QList<QStringList>> arrayOfCaptureComponentsMatchedByRegex(const QString &subject, const QString &regex,
                                                                         std::uint32_t options, Range range,
                                                                         platform::Error *error)
{
    return as<QList<QStringList>>(perform("arrayOfCaptureComponentsMatchedByRegex:options:range:error:",
                                          RGXAllCapturesOp | RGXArrayPerMatchBit, subject, regex, options, range, 0, error));
}

std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex,
                                                       std::initializer_list<RGXKeyCapture> keysAndCaptures)
{
    const KeyList list(keysAndCaptures);
    return as<RGXDictionary>(performKeyed("dictionaryByMatchingRegex:withKeysAndCaptures:", RGXCaptureDictionaryOp,
                                          subject, regex, 0, WholeString, nullptr, list.keys, list.captures));
}

std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex, Range range,
                                                       std::initializer_list<RGXKeyCapture> keysAndCaptures)
{
    const KeyList list(keysAndCaptures);
    return as<RGXDictionary>(performKeyed("dictionaryByMatchingRegex:range:withKeysAndCaptures:", RGXCaptureDictionaryOp,
                                          subject, regex, 0, range, nullptr, list.keys, list.captures));
}

std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex,
                                                       std::uint32_t options, Range range, platform::Error *error,
                                                       std::initializer_list<RGXKeyCapture> keysAndCaptures)
{
    const KeyList list(keysAndCaptures);
    return as<RGXDictionary>(performKeyed("dictionaryByMatchingRegex:options:range:error:withKeysAndCaptures:",
                                          RGXCaptureDictionaryOp, subject, regex, options, range, error, list.keys,
                                          list.captures));
}

std::optional<RGXDictionary> dictionaryByMatchingRegex(const QString &subject, const QString &regex,
                                                       std::uint32_t options, Range range, platform::Error *error,
                                                       const QStringList &keys, const QList<int> &captures)
{
    return as<RGXDictionary>(performKeyed("dictionaryByMatchingRegex:options:range:error:withKeys:forCaptures:count:",
                                          RGXCaptureDictionaryOp, subject, regex, options, range, error, keys, captures));
}

std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(
    const QString &subject, const QString &regex, std::initializer_list<RGXKeyCapture> keysAndCaptures)
{
    const KeyList list(keysAndCaptures);
    return as<QList<RGXDictionary>>(performKeyed("arrayOfDictionariesByMatchingRegex:withKeysAndCaptures:",
                                                 RGXAllCaptureDictionariesOp, subject, regex, 0, WholeString, nullptr,
                                                 list.keys, list.captures));
}

std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(
    const QString &subject, const QString &regex, Range range, std::initializer_list<RGXKeyCapture> keysAndCaptures)
{
    const KeyList list(keysAndCaptures);
    return as<QList<RGXDictionary>>(performKeyed("arrayOfDictionariesByMatchingRegex:range:withKeysAndCaptures:",
                                                 RGXAllCaptureDictionariesOp, subject, regex, 0, range, nullptr,
                                                 list.keys, list.captures));
}

std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(
    const QString &subject, const QString &regex, std::uint32_t options, Range range, platform::Error *error,
    std::initializer_list<RGXKeyCapture> keysAndCaptures)
{
    const KeyList list(keysAndCaptures);
    return as<QList<RGXDictionary>>(performKeyed("arrayOfDictionariesByMatchingRegex:options:range:error:withKeysAndCaptures:",
                                                 RGXAllCaptureDictionariesOp, subject, regex, options, range, error,
                                                 list.keys, list.captures));
}

std::optional<QList<RGXDictionary>> arrayOfDictionariesByMatchingRegex(const QString &subject, const QString &regex,
                                                                       std::uint32_t options, Range range,
                                                                       platform::Error *error, const QStringList &keys,
                                                                       const QList<int> &captures)
{
    return as<QList<RGXDictionary>>(
        performKeyed("arrayOfDictionariesByMatchingRegex:options:range:error:withKeys:forCaptures:count:",
                     RGXAllCaptureDictionariesOp, subject, regex, options, range, error, keys, captures));
}

} // namespace RGXAdditions
