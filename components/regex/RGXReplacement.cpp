// Replacement with a template: front ends of the dispatcher (operation 2, and 18 for
// the in-place forms).
#include "components/regex/RGXAdditions.h"

#include "components/regex/RGXRegexCore.h"

namespace RGXAdditions {

using namespace detail;

namespace {

std::optional<QString> replaced(const char *selector, const QString &subject, const QString &regex,
                                const QString &replacement, std::uint32_t options, Range range, platform::Error *error)
{
    qint64 count = -1;
    auto r = rgx_performRegexOp({"NSString", false, selector}, RGXReplaceStringOp, regex, options, 0, subject, &range,
                                &replacement, error, &count, 0, nullptr, nullptr);
    if (!r || !std::holds_alternative<QString>(*r))
        return std::nullopt;
    return std::get<QString>(std::move(*r));
}

qint64 replaceInPlace(const char *selector, QString &receiver, const QString &regex, const QString &replacement,
                      std::uint32_t options, Range range, platform::Error *error)
{
    qint64 count = -1;
    rgx_performRegexOp({"NSMutableString", false, selector}, RGXReplaceStringOp | RGXReplaceInPlaceBit, regex, options,
                       0, receiver, &range, &replacement, error, &count, 0, nullptr, nullptr, &receiver);
    return count;
}

} // namespace

std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const QString &replacement)
{
    return replaced("stringByReplacingOccurrencesOfRegex:withString:", subject, regex, replacement, 0, WholeString,
                    nullptr);
}

std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const QString &replacement, Range range)
{
    return replaced("stringByReplacingOccurrencesOfRegex:withString:range:", subject, regex, replacement, 0, range,
                    nullptr);
}

std::optional<QString> stringByReplacingOccurrencesOfRegex(const QString &subject, const QString &regex,
                                                           const QString &replacement, std::uint32_t options,
                                                           Range range, platform::Error *error)
{
    return replaced("stringByReplacingOccurrencesOfRegex:withString:options:range:error:", subject, regex, replacement,
                    options, range, error);
}

qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const QString &replacement)
{
    return replaceInPlace("replaceOccurrencesOfRegex:withString:", receiver, regex, replacement, 0, WholeString,
                          nullptr);
}

qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const QString &replacement, Range range)
{
    return replaceInPlace("replaceOccurrencesOfRegex:withString:range:", receiver, regex, replacement, 0, range,
                          nullptr);
}

qint64 replaceOccurrencesOfRegex(QString &receiver, const QString &regex, const QString &replacement,
                                 std::uint32_t options, Range range, platform::Error *error)
{
    return replaceInPlace("replaceOccurrencesOfRegex:withString:options:range:error:", receiver, regex, replacement,
                          options, range, error);
}

} // namespace RGXAdditions
