// Block enumeration: one match (or piece) per step on the enumeration's private
// slot, with the block called between steps and no lock held.
#include "components/regex/RGXAdditions.h"

#include "components/regex/RGXBlockEnumerationHelper.h"
#include "components/regex/RGXRegexCore.h"

#include "platform/foundation/Exception.h"

#include <climits>
#include <vector>

namespace RGXAdditions {

using namespace detail;

namespace {

enum RGXBlockEnumerationOp { RGXBlockEnumerationMatchOp = 1, RGXBlockEnumerationReplaceOp = 2 };

constexpr std::uint32_t AllEnumerationOptions = RGXRegexEnumerationCapturedStringsNotRequired
    | RGXRegexEnumerationReplacementOwned | RGXRegexEnumerationReusedCaptureStrings;

struct Outcome
{
    bool success = false;
    qint64 count = -1;
    std::optional<QString> replaced;
};

QString textOf(const UChar *characters, Range r)
{
    return QString(reinterpret_cast<const QChar *>(characters + r.location), r.length);
}

Outcome rgx_performEnumerationUsingBlock(const RGXMethod &method, std::uint32_t op, const QString &regex,
                                         std::uint32_t options, const QString &subject, Range range,
                                         RGXBlockEnumerationOp blockOp, std::uint32_t enumerationOptions,
                                         platform::Error *error, const RGXMatchBlock &matchBlock,
                                         const RGXReplaceBlock &replaceBlock)
{
    using platform::Exception;
    if (error)
        *error = platform::Error();
    rgx_checkRegexAndSubject(method, regex, subject);
    RGXPending pending;
    if ((enumerationOptions & ~AllEnumerationOptions)
        || ((enumerationOptions & RGXRegexEnumerationCapturedStringsNotRequired)
            && (enumerationOptions & RGXRegexEnumerationReusedCaptureStrings))
        || ((enumerationOptions & RGXRegexEnumerationReplacementOwned) && blockOp != RGXBlockEnumerationReplaceOp))
        pending.setException(Exception::InvalidArgumentException,
                             QStringLiteral("The RGXRegexEnumerationOptions argument is not valid."));
    const qsizetype length = subject.size();
    if (range.length == UpToEnd)
        range.length = length;
    if (!range.fitsIn(length))
        pending.setException(Exception::RangeException, QStringLiteral("Range or index out of bounds."));
    if (length >= qsizetype(INT_MAX))
        pending.setException(Exception::RangeException, QStringLiteral("String length exceeds INT_MAX."));
    RGX_CHECK(pending, (blockOp == RGXBlockEnumerationMatchOp && matchBlock)
                           || (blockOp == RGXBlockEnumerationReplaceOp && replaceBlock && op == RGXCapturesArrayOp));
    rgx_raiseDelayedAssert(method, pending);

    Outcome outcome;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<RGXBlockEnumerationHelper> helper =
        RGXBlockEnumerationHelper::create(regex, options, subject, range, error, pending, status);
    if (!helper) {
        if (status > U_ZERO_ERROR && !pending.isSet())
            pending = rgx_icuErrorException(regex, options, status);
        if (status < U_ZERO_ERROR && error && error->isNull()) {
            RGXErrorInfo info;
            info.regex = regex;
            info.options = options;
            info.status = status;
            info.extra = {{platform::Error::LocalizedDescriptionKey,
                           QStringLiteral("The ICU library returned an unexpected error.")}};
            *error = platform::Error(RGXICURegexErrorDomain, status, rgx_makeErrorUserInfo(info));
        }
        rgx_raiseDelayedAssert({"RGXBlockEnumerationHelper", false, "initWithRegex:options:string:range:error:"},
                               pending);
        return outcome;
    }

    RGXCachedRegex &slot = helper->cachedRegex();
    const UChar *characters = helper->characters();
    const qsizetype n = slot.captureCount;
    const bool wantStrings = !(enumerationOptions & RGXRegexEnumerationCapturedStringsNotRequired);
    const bool views = enumerationOptions & RGXRegexEnumerationReusedCaptureStrings;
    std::vector<Range> ranges(size_t(5 * (n + 5)));
    std::vector<QString> strings(size_t(n + 2));
    QString result;
    RGXFindAll fa(ranges.data(), qsizetype(ranges.size()), range);
    fa.findUpTo = 1;
    const qsizetype end = range.max();
    qsizetype unmatched = range.location;
    qint64 steps = 0;
    bool stop = false;
    while (!stop) {
        fa.findInRange = Range(unmatched, end - unmatched);
        fa.resume = steps > 0;
        if (rgx_findRanges(slot, op, fa, pending, status) || fa.found == 0)
            break;
        const bool matched = !slot.lastMatchRange.isNotFound();
        const qsizetype count = fa.found == fa.addedSplitRanges ? 1 : fa.found - fa.addedSplitRanges;
        if (!RGX_CHECK(pending, count <= n + 1 && fa.ranges[0].fitsIn(slot.setToLength)))
            break;
        if (wantStrings) {
            for (qsizetype i = 0; i < count; ++i) {
                const Range r = fa.ranges[i];
                if (r.length == 0 || r.isNotFound())
                    strings[size_t(i)] = QStringLiteral("");
                else if (views)
                    strings[size_t(i)] = QString::fromRawData(reinterpret_cast<const QChar *>(characters + r.location), r.length);
                else
                    strings[size_t(i)] = textOf(characters, r);
            }
        }
        for (qsizetype i = count; i <= n + 1; ++i) {
            strings[size_t(i)] = QString();
            fa.ranges[i] = Range(Range::NotFound, Range::NotFound);
        }
        const QString *passed = wantStrings ? strings.data() : nullptr;
        if (blockOp == RGXBlockEnumerationReplaceOp) {
            const Range match = fa.ranges[0];
            result += textOf(characters, Range(unmatched, match.location - unmatched));
            const QString replacement = replaceBlock(count, passed, fa.ranges, &stop);
            if (!replacement.isNull())
                result += replacement;
        } else {
            matchBlock(count, passed, fa.ranges, &stop);
        }
        ++steps;
        if (!matched)
            break;
        unmatched = slot.lastMatchRange.max();
    }
    strings.clear();
    rgx_raiseDelayedAssert(method, pending);
    if (status > U_ZERO_ERROR) {
        // The loop ended on an ICU failure: report it rather than a partial success.
        if (error) {
            RGXErrorInfo info;
            info.flags = RGXErrorInfo::SubjectRange | RGXErrorInfo::ReplacedCount | RGXErrorInfo::EnumerationOptions;
            info.regex = regex;
            info.options = options;
            info.status = status;
            info.subject = subject;
            info.range = range;
            info.replacedCount = steps;
            info.enumerationOptions = enumerationOptions;
            info.extra = {{platform::Error::LocalizedDescriptionKey, QStringLiteral("An unexpected error occurred.")}};
            *error = platform::Error(RGXICURegexErrorDomain, status, rgx_makeErrorUserInfo(info));
        }
        return outcome;
    }
    outcome.success = true;
    outcome.count = steps;
    if (blockOp == RGXBlockEnumerationReplaceOp) {
        if (steps > 0)
            outcome.replaced = result + textOf(characters, Range(unmatched, end - unmatched));
        else
            outcome.replaced = textOf(characters, range);
    }
    return outcome;
}

} // namespace

bool enumerateStringsMatchedByRegex(const QString &subject, const QString &regex, const RGXMatchBlock &block)
{
    return rgx_performEnumerationUsingBlock({"NSString", false, "enumerateStringsMatchedByRegex:usingBlock:"},
                                            RGXCapturesArrayOp, regex, 0, subject, WholeString,
                                            RGXBlockEnumerationMatchOp, 0, nullptr, block, {})
        .success;
}

bool enumerateStringsMatchedByRegex(const QString &subject, const QString &regex, std::uint32_t options, Range inRange,
                                    platform::Error *error, std::uint32_t enumerationOptions,
                                    const RGXMatchBlock &block)
{
    return rgx_performEnumerationUsingBlock(
               {"NSString", false, "enumerateStringsMatchedByRegex:options:inRange:error:enumerationOptions:usingBlock:"},
               RGXCapturesArrayOp, regex, options, subject, inRange, RGXBlockEnumerationMatchOp, enumerationOptions,
               error, block, {})
        .success;
}

bool enumerateStringsSeparatedByRegex(const QString &subject, const QString &regex, const RGXMatchBlock &block)
{
    return rgx_performEnumerationUsingBlock({"NSString", false, "enumerateStringsSeparatedByRegex:usingBlock:"},
                                            RGXSplitOp, regex, 0, subject, WholeString, RGXBlockEnumerationMatchOp, 0,
                                            nullptr, block, {})
        .success;
}

bool enumerateStringsSeparatedByRegex(const QString &subject, const QString &regex, std::uint32_t options,
                                      Range inRange, platform::Error *error, std::uint32_t enumerationOptions,
                                      const RGXMatchBlock &block)
{
    return rgx_performEnumerationUsingBlock(
               {"NSString", false, "enumerateStringsSeparatedByRegex:options:inRange:error:enumerationOptions:usingBlock:"},
               RGXSplitOp, regex, options, subject, inRange, RGXBlockEnumerationMatchOp, enumerationOptions, error,
               block, {})
        .success;
}

std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const RGXReplaceBlock &block)
{
    return rgx_performEnumerationUsingBlock({"NSString", false, "stringByReplacingOccurrencesOfRegex:usingBlock:"},
                                            RGXCapturesArrayOp, regex, 0, subject, WholeString,
                                            RGXBlockEnumerationReplaceOp, 0, nullptr, {}, block)
        .replaced;
}

std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           std::uint32_t options, Range inRange,
                                                           platform::Error *error, std::uint32_t enumerationOptions,
                                                           const RGXReplaceBlock &block)
{
    return rgx_performEnumerationUsingBlock(
               {"NSString", false,
                "stringByReplacingOccurrencesOfRegex:options:inRange:error:enumerationOptions:usingBlock:"},
               RGXCapturesArrayOp, regex, options, subject, inRange, RGXBlockEnumerationReplaceOp, enumerationOptions,
               error, {}, block)
        .replaced;
}

qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const RGXReplaceBlock &block)
{
    const Outcome o = rgx_performEnumerationUsingBlock(
        {"NSMutableString", false, "replaceOccurrencesOfRegex:usingBlock:"}, RGXCapturesArrayOp, regex, 0, receiver,
        Range(0, receiver.size()), RGXBlockEnumerationReplaceOp, 0, nullptr, {}, block);
    if (o.success && o.count >= 1 && o.replaced)
        receiver = *o.replaced;
    return o.count;
}

qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, std::uint32_t options, Range inRange,
                                 platform::Error *error, std::uint32_t enumerationOptions,
                                 const RGXReplaceBlock &block)
{
    const QString original = receiver;
    const Outcome o = rgx_performEnumerationUsingBlock(
        {"NSMutableString", false, "replaceOccurrencesOfRegex:options:inRange:error:enumerationOptions:usingBlock:"},
        RGXCapturesArrayOp, regex, options, original, inRange, RGXBlockEnumerationReplaceOp, enumerationOptions, error,
        {}, block);
    if (o.success && o.count >= 1 && o.replaced) {
        if (inRange.length == UpToEnd)
            inRange.length = original.size();
        // A block may have changed the receiver; the enumerated range still names the part replaced.
        if (!inRange.fitsIn(receiver.size()))
            receiver = original;
        receiver.replace(inRange.location, inRange.length, *o.replaced);
    }
    return o.count;
}

} // namespace RGXAdditions
