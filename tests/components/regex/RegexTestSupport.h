#pragma once
// Helpers for the regular-expression tests: running one operation through the
// dispatcher, and catching what it raises.
#include "components/regex/RGXRegexCore.h"

#include "platform/foundation/Exception.h"

#include <functional>
#include <optional>

namespace regextest {

using namespace RGXAdditions;
using namespace RGXAdditions::detail;

inline const RGXMethod TestMethod{"NSString", false, "rangeOfRegex:options:inRange:capture:error:"};

inline std::optional<RGXOpResult> run(std::uint32_t op, const QString &regex, const QString &subject,
                                      Range range = WholeString, int capture = 0)
{
    return rgx_performRegexOp(TestMethod, op, regex, 0, capture, subject, &range, nullptr, nullptr, nullptr, 0,
                              nullptr, nullptr);
}

inline QStringList strings(std::uint32_t op, const QString &regex, const QString &subject, Range range = WholeString,
                           int capture = 0)
{
    const auto r = run(op, regex, subject, range, capture);
    return r && std::holds_alternative<QStringList>(*r) ? std::get<QStringList>(*r) : QStringList{QStringLiteral("<nil>")};
}

inline Range rangeOf(const QString &regex, const QString &subject, Range range = WholeString, int capture = 0)
{
    Range found;
    rgx_performRegexOp(TestMethod, RGXMatchRangeOp, regex, 0, capture, subject, &range, nullptr, nullptr, &found, 0,
                       nullptr, nullptr);
    return found;
}

// What the call raised, or nullopt.
inline std::optional<platform::Exception> raised(const std::function<void()> &call)
{
    try {
        call();
    } catch (const platform::Exception &e) {
        return e;
    }
    return std::nullopt;
}

} // namespace regextest
