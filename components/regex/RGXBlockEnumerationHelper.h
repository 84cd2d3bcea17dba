#pragma once
// The private state of one block enumeration: a cache slot of its own holding a
// clone of the compiled expression (uregex_clone), bound to a private copy of the
// subject, so that blocks run with no lock held and whatever they do to the cache or
// the receiver cannot disturb the enumeration.
//
// Owned by the enumeration (one thread, one enumeration); the cache lock is taken
// only inside create(), for the lookup and the clone. The destructor closes the clone.
#include "components/regex/RGXCachedRegex.h"
#include "components/regex/RGXPending.h"

#include "platform/foundation/Error.h"

#include <memory>

namespace RGXAdditions::detail {

class RGXBlockEnumerationHelper
{
public:
    // Null on failure: a compile error (in `error`), or what it put into pending or
    // status (to be raised by the caller).
    static std::unique_ptr<RGXBlockEnumerationHelper> create(const QString &regex, std::uint32_t options,
                                                             const QString &subject, Range range,
                                                             platform::Error *error, RGXPending &pending,
                                                             UErrorCode &status);
    ~RGXBlockEnumerationHelper();
    RGXBlockEnumerationHelper(const RGXBlockEnumerationHelper &) = delete;
    RGXBlockEnumerationHelper &operator=(const RGXBlockEnumerationHelper &) = delete;

    RGXCachedRegex &cachedRegex() { return m_cachedRegex; }
    // The private copy's UTF-16.
    const UChar *characters() const { return m_cachedRegex.setToUniChar; }

private:
    RGXBlockEnumerationHelper() = default;

    RGXCachedRegex m_cachedRegex;
};

} // namespace RGXAdditions::detail
