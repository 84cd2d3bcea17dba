#include "components/regex/RGXRegexCore.h"

#include "components/regex/RGXRegexCache.h"
#include "components/regex/RGXRegexReplace.h"

#include "platform/foundation/Exception.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace RGXAdditions::detail {

namespace {

using platform::Exception;

const QString &emptyString()
{
    static const QString empty = QStringLiteral("");
    return empty;
}

RGXOpResult emptyResult(std::uint32_t op)
{
    switch (op & RGXRegexOpCodeMask) {
    case RGXCaptureDictionaryOp:
        return RGXDictionary();
    case RGXAllCaptureDictionariesOp:
        return QList<RGXDictionary>();
    default:
        return op & RGXArrayPerMatchBit ? RGXOpResult(QList<QStringList>()) : RGXOpResult(QStringList());
    }
}

} // namespace

QString rgx_substring(const RGXCachedRegex &slot, Range r)
{
    if (r.length == 0 || r.isNotFound())
        return emptyString();
    return QString(reinterpret_cast<const QChar *>(slot.setToUniChar + r.location), r.length);
}

Range rgx_captureRange(const RGXCachedRegex &slot, int capture, UErrorCode &status)
{
    const std::int32_t start = uregex_start(slot.icu_regex, capture, &status);
    const std::int32_t end = uregex_end(slot.icu_regex, capture, &status);
    if (start == -1 || U_FAILURE(status))
        return Range();
    return Range(start + slot.setToRange.location, end - start);
}

bool rgx_search(RGXCachedRegex &slot, Range *searchRange, bool updateSearchRange, RGXPending &pending,
                UErrorCode &status)
{
    auto giveUp = [&] {
        slot.lastFindRange = Range();
        slot.lastMatchRange = Range();
        if (updateSearchRange)
            *searchRange = Range(searchRange->max(), 0);
        return false;
    };
    const Range &bound = slot.setToRange;
    const Range last = slot.lastMatchRange;
    bool found = false;
    if (*searchRange == slot.lastFindRange && (last.isNotFound() || last.length > 0)) {
        found = !last.isNotFound();
    } else {
        if (!RGX_CHECK(pending, searchRange->location >= bound.location && searchRange->max() <= bound.max()))
            return false;
        slot.lastFindRange = *searchRange;
        qsizetype continueAt = -1;
        if (!last.isNotFound() && slot.searchContinues)
            continueAt = last.max() + (last.length == 0 && last.max() < bound.max() ? 1 : 0);
        const UBool hit = searchRange->location == continueAt
            ? uregex_findNext(slot.icu_regex, &status)
            : uregex_find(slot.icu_regex, std::int32_t(searchRange->location - bound.location), &status);
        slot.searchContinues = true;
        if (U_FAILURE(status))
            return giveUp();
        if (hit) {
            slot.lastMatchRange = rgx_captureRange(slot, 0, status);
            if (U_FAILURE(status))
                return giveUp();
            if (!RGX_CHECK(pending, !slot.lastMatchRange.isNotFound()
                                        && slot.lastMatchRange.location >= searchRange->location
                                        && slot.lastMatchRange.max() <= searchRange->max()))
                return giveUp();
            found = true;
        } else {
            slot.lastFindRange = Range();
            slot.lastMatchRange = Range();
        }
    }
    if (updateSearchRange) {
        const qsizetype end = searchRange->max();
        if (!found) {
            *searchRange = Range(end, 0);
        } else {
            const Range m = slot.lastMatchRange;
            const bool emptyAtEnd = m.length == 0 && m.max() == bound.max();
            const qsizetype next = std::min(end, m.max() + (m.length == 0 && !emptyAtEnd ? 1 : 0));
            if (!RGX_CHECK(pending, next > searchRange->location || emptyAtEnd))
                return giveUp();
            *searchRange = Range(next, end - next);
        }
    }
    return found;
}

bool rgx_growFindRanges(const RGXCachedRegex &slot, qsizetype reached, RGXFindAll &fa, RGXPending &pending)
{
    const qsizetype n = slot.captureCount;
    const float perMatch = float(reached + 1) / float(fa.found + 1);
    const float estimateF = float(slot.setToLength) / perMatch;
    const qsizetype estimate = estimateF >= float(INT_MAX) ? qsizetype(INT_MAX) : qsizetype(estimateF);
    const qsizetype g = fa.capacity + fa.capacity / 2;
    const qsizetype base = (std::max(estimate, g) + g) / 2;
    const qsizetype capacity = base + 4 * n + 12;
    if (!RGX_CHECK(pending, capacity > fa.found + n + 1 && capacity < qsizetype(INT_MAX)))
        return false;
    const bool onHeap = fa.ranges == fa.grown;
    void *next = std::realloc(static_cast<void *>(fa.grown), size_t(capacity) * sizeof(Range));
    if (!next)
        return false;
    fa.grown = static_cast<Range *>(next);
    if (!onHeap)
        std::memcpy(static_cast<void *>(fa.grown), fa.ranges, size_t(fa.found) * sizeof(Range));
    fa.ranges = fa.grown;
    fa.capacity = capacity;
    return true;
}

bool rgx_findRanges(RGXCachedRegex &slot, std::uint32_t op, RGXFindAll &fa, RGXPending &pending, UErrorCode &status)
{
    const std::uint32_t code = op & RGXRegexOpCodeMask;
    const qsizetype n = slot.captureCount;
    Range search = fa.resume ? fa.remainingRange : fa.findInRange;
    qsizetype unmatched = fa.findInRange.location;
    qsizetype remembered = 0;
    fa.found = 0;
    fa.addedSplitRanges = 0;
    auto failed = [&] { return pending.isSet() || status > U_ZERO_ERROR; };
    while (fa.found < fa.findUpTo) {
        if (fa.found >= fa.capacity - 12 - 4 * n && !rgx_growFindRanges(slot, unmatched, fa, pending))
            return true;
        bool hit = rgx_search(slot, &search, true, pending, status);
        while (hit && code == RGXSplitOp && slot.lastMatchRange.length == 0
               && slot.lastMatchRange.location == unmatched && !failed())
            hit = rgx_search(slot, &search, true, pending, status);
        fa.remainingRange = search;
        if (!hit || failed())
            break;
        const Range match = slot.lastMatchRange;
        const qsizetype first = fa.found;
        if (code == RGXMatchedStringsOp) {
            fa.push(fa.capture == 0 ? match : rgx_captureRange(slot, fa.capture, status));
        } else {
            fa.push(code == RGXSplitOp ? Range(unmatched, match.location - unmatched) : match);
            for (int group = 1; group <= n; ++group)
                fa.push(rgx_captureRange(slot, group, status));
        }
        unmatched = match.max();
        if (fa.ranges[first].length != 0)
            remembered = fa.found;
    }
    if (failed())
        return true;
    if (code == RGXSplitOp) {
        const qsizetype end = fa.findInRange.max();
        if (unmatched == end) {
            fa.found = remembered;
        } else {
            fa.push(Range(unmatched, end - unmatched));
            fa.addedSplitRanges = 1;
        }
    }
    return false;
}

std::optional<RGXOpResult> rgx_makeArray(const RGXCachedRegex &slot, std::uint32_t op, const RGXFindAll &fa,
                                         RGXPending &pending)
{
    const qsizetype perMatch = slot.captureCount + 1;
    if (op & RGXArrayPerMatchBit) {
        if (!RGX_CHECK(pending, fa.found % perMatch == 0))
            return std::nullopt;
        QList<QStringList> arrays;
        arrays.reserve(fa.found / perMatch);
        for (qsizetype i = 0; i < fa.found; i += perMatch) {
            QStringList strings;
            strings.reserve(perMatch);
            for (qsizetype j = 0; j < perMatch; ++j)
                strings.append(rgx_substring(slot, fa.ranges[i + j]));
            arrays.append(std::move(strings));
        }
        return arrays;
    }
    QStringList strings;
    strings.reserve(fa.found);
    for (qsizetype i = 0; i < fa.found; ++i)
        strings.append(rgx_substring(slot, fa.ranges[i]));
    return strings;
}

std::optional<RGXOpResult> rgx_makeDictionary(const RGXCachedRegex &slot, std::uint32_t op, const RGXFindAll &fa,
                                              qsizetype keyCount, const QString *keys, const int *captures,
                                              RGXPending &pending)
{
    const qsizetype perMatch = slot.captureCount + 1;
    if (!RGX_CHECK(pending, fa.found % perMatch == 0))
        return std::nullopt;
    QList<RGXDictionary> dictionaries;
    for (qsizetype i = 0; i < fa.found; i += perMatch) {
        RGXDictionary dictionary;
        for (qsizetype k = 0; k < keyCount; ++k) {
            const Range r = fa.ranges[i + captures[k]];
            if (!r.isNotFound())
                dictionary.insert(keys[k], rgx_substring(slot, r));
        }
        dictionaries.append(std::move(dictionary));
    }
    if ((op & RGXRegexOpCodeMask) == RGXCaptureDictionaryOp)
        return dictionaries.isEmpty() ? RGXDictionary() : dictionaries.first();
    return dictionaries;
}

std::optional<RGXOpResult> rgx_performRegexOp(const RGXMethod &method, std::uint32_t op, const QString &regex,
                                              std::uint32_t options, int capture, const QString &subject,
                                              Range *range, const QString *replacement, platform::Error *error,
                                              void *result, qsizetype keyCount, const QString *keys,
                                              const int *captures, QString *receiver)
{
    if (error)
        *error = platform::Error();
    const std::uint32_t code = op & RGXRegexOpCodeMask;
    rgx_checkRegexAndSubject(method, regex, subject);
    if (!range)
        rgx_raiseArgumentException(method, Exception::InternalInconsistencyException,
                                   QStringLiteral("The match range argument is NULL."));
    if (code == RGXReplaceStringOp && (!replacement || replacement->isNull()))
        rgx_raiseArgumentException(method, Exception::InvalidArgumentException,
                                   QStringLiteral("The replacement string argument is NULL."));
    if (code == RGXCaptureDictionaryOp || code == RGXAllCaptureDictionariesOp) {
        if (!keys)
            rgx_raiseArgumentException(method, Exception::InvalidArgumentException,
                                       QStringLiteral("The keys argument is NULL."));
        if (!captures)
            rgx_raiseArgumentException(method, Exception::InvalidArgumentException,
                                       QStringLiteral("The captures argument is NULL."));
    }

    RGXPending pending;
    UErrorCode status = U_ZERO_ERROR;
    std::optional<RGXOpResult> answer;
    qint64 replacedCount = -1;
    {
        RGXCacheLock lock(rgx_cacheLock());
        qsizetype length = 0;
        RGXCachedRegex *slot =
            rgx_getCachedRegexSetToString(lock, regex, options, subject, &length, range, error, pending, status);
        if (!slot)
            length = subject.size();
        if (!range->fitsIn(length))
            pending.setException(Exception::RangeException, QStringLiteral("Range or index out of bounds."));
        if (length >= qsizetype(INT_MAX))
            pending.setException(Exception::RangeException, QStringLiteral("String length exceeds INT_MAX."));
        if ((code == RGXMatchRangeOp || code == RGXMatchedStringsOp) && slot
            && (capture < 0 || capture > slot->captureCount))
            pending.setException(Exception::InvalidArgumentException, QStringLiteral("The capture argument is not valid."));
        if ((code == RGXCaptureDictionaryOp || code == RGXAllCaptureDictionariesOp) && slot && !pending.isSet()) {
            for (qsizetype i = 0; i < keyCount; ++i) {
                if (keys[i].isNull()) {
                    pending.setException(Exception::InvalidArgumentException,
                                         QStringLiteral("The capture key (key %1 of %2) is NULL.").arg(i + 1).arg(keyCount));
                    break;
                }
                if (captures[i] < 0 || captures[i] > slot->captureCount) {
                    pending.setException(
                        Exception::InvalidArgumentException,
                        QStringLiteral("The capture argument %1 (capture %2 of %3) for key '%4' is not valid.")
                            .arg(captures[i])
                            .arg(i + 1)
                            .arg(keyCount)
                            .arg(keys[i]));
                    break;
                }
            }
        }
        if (!pending.isSet() && status <= U_ZERO_ERROR && slot
            && RGX_CHECK(pending, slot->icu_regex && slot->setToUniChar && slot->setToRange == *range)) {
            slot->searchContinues = false;
            if (code == RGXMatchRangeOp) {
                Range found;
                Range search = *range;
                if (rgx_search(*slot, &search, false, pending, status) && status <= U_ZERO_ERROR)
                    found = capture == 0 ? slot->lastMatchRange : rgx_captureRange(*slot, capture, status);
                if (result)
                    *static_cast<Range *>(result) = found;
                answer = RGXOpResult();
            } else if (code == RGXReplaceStringOp) {
                std::optional<QString> replaced = rgx_replaceString(*slot, subject, length, *replacement, &replacedCount,
                                                                    (op & RGXReplaceInPlaceBit) != 0, pending, status);
                if (replaced)
                    answer = std::move(*replaced);
            } else if (code == RGXSplitOp || (code >= RGXMatchedStringsOp && code <= RGXAllCaptureDictionariesOp)) {
                RGXStackRanges stackRanges;
                RGXFindAll fa(stackRanges.data(), RGXFindAll::StackCapacity, *range);
                fa.capture = capture;
                if (code == RGXCapturesArrayOp || code == RGXCaptureDictionaryOp)
                    fa.findUpTo = 1;
                if (!rgx_findRanges(*slot, op, fa, pending, status)) {
                    if (fa.found == 0)
                        answer = emptyResult(op);
                    else if (code == RGXCaptureDictionaryOp || code == RGXAllCaptureDictionariesOp)
                        answer = rgx_makeDictionary(*slot, op, fa, keyCount, keys, captures, pending);
                    else
                        answer = rgx_makeArray(*slot, op, fa, pending);
                }
            } else {
                RGX_CHECK(pending, !"Unknown regexOp code.");
            }
        }
    }
    if (status > U_ZERO_ERROR && !pending.isSet())
        pending = rgx_icuErrorException(regex, options, status);
    if (code == RGXReplaceStringOp && result)
        *static_cast<qint64 *>(result) = pending.isSet() || status > U_ZERO_ERROR ? -1 : replacedCount;
    rgx_raiseDelayedAssert(method, pending);

    if ((op & RGXReplaceInPlaceBit) && receiver && replacedCount > 0 && status == U_ZERO_ERROR && answer
        && std::holds_alternative<QString>(*answer))
        receiver->replace(range->location, range->length, std::get<QString>(*answer));
    if (status < U_ZERO_ERROR && !answer && error) {
        RGXErrorInfo info;
        info.flags = RGXErrorInfo::SubjectRange | (code == RGXReplaceStringOp ? RGXErrorInfo::ReplacedCount : 0);
        info.regex = regex;
        info.options = options;
        info.status = status;
        info.subject = subject;
        info.range = *range;
        if (replacement)
            info.replacement = *replacement;
        info.replacedCount = replacedCount;
        info.extra = {{platform::Error::LocalizedDescriptionKey,
                       QStringLiteral("The ICU library returned an unexpected error.")}};
        *error = platform::Error(RGXICURegexErrorDomain, status, rgx_makeErrorUserInfo(info));
    }
    return answer;
}

} // namespace RGXAdditions::detail
