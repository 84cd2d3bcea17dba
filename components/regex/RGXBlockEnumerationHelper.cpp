#include "components/regex/RGXBlockEnumerationHelper.h"

#include "components/regex/RGXRegexCache.h"

#include <climits>

namespace RGXAdditions::detail {

std::unique_ptr<RGXBlockEnumerationHelper> RGXBlockEnumerationHelper::create(const QString &regex, std::uint32_t options,
                                                                             const QString &subject, Range range,
                                                                             platform::Error *error,
                                                                             RGXPending &pending, UErrorCode &status)
{
    if (!RGX_CHECK(pending, !regex.isNull() && !subject.isNull()))
        return nullptr;
    std::unique_ptr<RGXBlockEnumerationHelper> helper(new RGXBlockEnumerationHelper);
    RGXCachedRegex &own = helper->m_cachedRegex;
    {
        RGXCacheLock lock(rgx_cacheLock());
        const RGXCachedRegex *slot = rgx_getCachedRegex(lock, regex, options, error, pending);
        if (!slot)
            return nullptr;
        own.icu_regex = uregex_clone(slot->icu_regex, &status);
        own.regexString = slot->regexString;
        own.regexHash = slot->regexHash;
        own.options = slot->options;
        own.captureCount = slot->captureCount;
    }
    if (status > U_ZERO_ERROR || !own.icu_regex)
        return nullptr;
    // QString data is shared, never changed in place while shared: a receiver the
    // blocks change detaches from this copy.
    own.setToString = rgx_keptCopy(subject);
    own.setToLength = own.setToString.size();
    own.setToUniChar = reinterpret_cast<const UChar *>(own.setToString.utf16());
    if (!RGX_CHECK(pending, range.fitsIn(own.setToLength) && own.setToLength < qsizetype(INT_MAX)))
        return nullptr;
    own.setToRange = range;
    uregex_setText(own.icu_regex, own.setToUniChar + range.location, std::int32_t(range.length), &status);
    if (status > U_ZERO_ERROR)
        return nullptr;
    return helper;
}

RGXBlockEnumerationHelper::~RGXBlockEnumerationHelper()
{
    if (m_cachedRegex.icu_regex)
        uregex_close(m_cachedRegex.icu_regex);
}

} // namespace RGXAdditions::detail
