#include "components/regex/RGXAdditions.h"

#include "components/regex/RGXRegexCache.h"
#include "components/regex/RGXRegexCore.h"

#include "platform/foundation/Exception.h"

namespace RGXAdditions {

using namespace detail;

namespace {

// Whether the expression compiled; *count gets its capture count or -1.
bool rgx_captureCountOfRegex(const RGXMethod &method, const QString &regex, std::uint32_t options, qsizetype *count,
                             platform::Error *error)
{
    if (error)
        *error = platform::Error();
    if (regex.isNull())
        rgx_raiseArgumentException(method, platform::Exception::InvalidArgumentException,
                                   QStringLiteral("The regular expression argument is NULL."));
    RGXPending pending;
    bool found = false;
    {
        RGXCacheLock lock(rgx_cacheLock());
        const RGXCachedRegex *slot = rgx_getCachedRegex(lock, regex, options, error, pending);
        found = slot != nullptr;
        *count = slot ? slot->captureCount : -1;
    }
    rgx_raiseDelayedAssert(method, pending);
    return found;
}

qsizetype countOf(const char *selector, bool classMethod, const QString &regex, std::uint32_t options,
                  platform::Error *error)
{
    qsizetype count = -1;
    rgx_captureCountOfRegex({"NSString", classMethod, selector}, regex, options, &count, error);
    return count;
}

} // namespace

void clearStringCache()
{
    rgx_clearStringCache();
}

void flushCachedRegexData(const QString &subject)
{
    rgx_flushCachedRegexData(subject);
}

qsizetype captureCountForRegex(const QString &regex)
{
    return countOf("captureCountForRegex:", true, regex, 0, nullptr);
}

qsizetype captureCountForRegex(const QString &regex, std::uint32_t options, platform::Error *error)
{
    return countOf("captureCountForRegex:options:error:", true, regex, options, error);
}

qsizetype captureCount(const QString &regex)
{
    return countOf("captureCount", false, regex, 0, nullptr);
}

qsizetype captureCountWithOptions(const QString &regex, std::uint32_t options, platform::Error *error)
{
    return countOf("captureCountWithOptions:error:", false, regex, options, error);
}

bool isRegexValid(const QString &regex)
{
    return countOf("isRegexValid", false, regex, 0, nullptr) >= 0;
}

bool isRegexValidWithOptions(const QString &regex, std::uint32_t options, platform::Error *error)
{
    return countOf("isRegexValidWithOptions:error:", false, regex, options, error) >= 0;
}

} // namespace RGXAdditions
