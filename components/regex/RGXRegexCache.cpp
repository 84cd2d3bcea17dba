#include "components/regex/RGXRegexCache.h"

#include "platform/foundation/Exception.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace RGXAdditions::detail {

namespace {

constexpr int CacheSets = 13;
constexpr int CacheWays = 4;
constexpr int HintEntries = 64;
constexpr std::uint16_t InitialRecency = 0x0137;

struct CacheState
{
    std::array<RGXCachedRegex, CacheSets * CacheWays> entries;
    std::array<std::uint16_t, CacheSets> recency;
    RGXCachedRegex *last = nullptr;
    std::array<std::uint8_t, HintEntries> hints{};
    quint64 compiles = 0;

    CacheState() { recency.fill(InitialRecency); }
};

CacheState &state()
{
    static CacheState s;
    return s;
}

std::uint32_t hashOf(const QString &s)
{
    return std::uint32_t(qHash(QStringView(s), size_t(0)));
}

int hintIndex(const QString &regex, std::uint32_t o)
{
    const auto p = std::uint32_t(reinterpret_cast<quintptr>(regex.constData()));
    return int(((p >> 4) + o + (o >> 4)) & (HintEntries - 1));
}

int setOf(std::uint32_t hash, std::uint32_t options)
{
    return int((hash ^ options) % CacheSets);
}

// Using way w marks it most recent; the way whose nibble is 0 is the least recent.
void touch(std::uint16_t &word, int way)
{
    word = std::uint16_t((word | (0xFu << (4 * way))) & ~(0x1111u << (3 - way)));
}

int victim(std::uint16_t word)
{
    for (int w = CacheWays - 1; w >= 0; --w) {
        if (((word >> (4 * w)) & 0xF) == 0)
            return w;
    }
    std::fprintf(stderr, "%s:%d: Invalid parameter not satisfying: %s\n", __FILE__, __LINE__,
                 "leastRecentlyUsed < (4UL)");
    std::abort();
}

void becomeLast(CacheState &c, RGXCachedRegex *slot, const QString &regex)
{
    const int index = int(slot - c.entries.data());
    c.last = slot;
    c.hints[size_t(hintIndex(regex, slot->options))] = std::uint8_t(index);
    touch(c.recency[size_t(setOf(slot->regexHash, slot->options))], index & (CacheWays - 1));
}

bool holds(const RGXCachedRegex &slot, const QString &regex, std::uint32_t options)
{
    return slot.icu_regex && slot.options == options && !slot.regexString.isNull()
        && (rgx_sameString(slot.regexString, regex) || slot.regexString == regex);
}

} // namespace

std::mutex &rgx_cacheLock()
{
    static std::mutex lock;
    return lock;
}

bool rgx_sameString(const QString &a, const QString &b)
{
    return a.constData() == b.constData() && a.size() == b.size() && a.isNull() == b.isNull();
}

QString rgx_keptCopy(const QString &s)
{
    // Data without a header (fromRawData) may change or go away behind our back.
    if (s.isNull() || s.data_ptr().isMutable())
        return s;
    return QString(s.constData(), s.size());
}

RGXCachedRegex *rgx_getCachedRegex(const RGXCacheLock &lock, const QString &regex, std::uint32_t options,
                                   platform::Error *error, RGXPending &pending)
{
    if (!RGX_CHECK(pending, lock.owns_lock()) || !RGX_CHECK(pending, !regex.isNull()))
        return nullptr;
    CacheState &c = state();
    // Static and raw data (QStringLiteral, fromRawData) is kept as a copy, so for
    // those "the same string as last time" is equal text.
    if (c.last && c.last->options == options && c.last->icu_regex
        && (rgx_sameString(c.last->regexString, regex)
            || (!regex.data_ptr().isMutable() && c.last->regexString == regex)))
        return c.last;
    c.last = nullptr;

    RGXCachedRegex *hinted = &c.entries[c.hints[size_t(hintIndex(regex, options))]];
    if (holds(*hinted, regex, options)) {
        becomeLast(c, hinted, regex);
        return hinted;
    }
    const std::uint32_t hash = hashOf(regex);
    const int set = setOf(hash, options);
    for (int way = CacheWays - 1; way >= 0; --way) {
        RGXCachedRegex &slot = c.entries[size_t(set * CacheWays + way)];
        if (slot.regexHash == hash && holds(slot, regex, options)) {
            becomeLast(c, &slot, regex);
            return &slot;
        }
    }

    RGXCachedRegex &slot = c.entries[size_t(set * CacheWays + victim(c.recency[size_t(set)]))];
    rgx_clearCachedRegex(slot);
    if (regex.size() >= qsizetype(INT_MAX)) {
        pending.setException(platform::Exception::InvalidArgumentException,
                             QStringLiteral("Regex string length exceeds INT_MAX"));
        return nullptr;
    }
    slot.regexString = rgx_keptCopy(regex);
    slot.regexHash = hash;
    slot.options = options;

    UParseError parseError{};
    parseError.line = -1;
    parseError.offset = -1;
    UErrorCode status = U_ZERO_ERROR;
    slot.icu_regex = uregex_open(reinterpret_cast<const UChar *>(slot.regexString.utf16()),
                                 std::int32_t(slot.regexString.size()), options, &parseError, &status);
    if (slot.icu_regex && status <= U_ZERO_ERROR)
        slot.captureCount = uregex_groupCount(slot.icu_regex, &status);
    if (status > U_ZERO_ERROR) {
        rgx_clearCachedRegex(slot);
        c.last = nullptr;
        if (error) {
            RGXErrorInfo info;
            info.regex = regex;
            info.options = options;
            info.parseError = &parseError;
            info.status = status;
            info.extra = {{platform::Error::LocalizedDescriptionKey,
                           QStringLiteral("There was an error compiling the regular expression.")}};
            *error = platform::Error(RGXICURegexErrorDomain, status, rgx_makeErrorUserInfo(info));
        }
        return nullptr;
    }
    ++c.compiles;
    becomeLast(c, &slot, regex);
    return &slot;
}

RGXCachedRegex *rgx_getCachedRegexSetToString(const RGXCacheLock &lock, const QString &regex, std::uint32_t options,
                                              const QString &subject, qsizetype *matchLength, Range *range,
                                              platform::Error *error, RGXPending &pending, UErrorCode &status)
{
    if (!RGX_CHECK(pending, !subject.isNull()) || !RGX_CHECK(pending, matchLength != nullptr)
        || !RGX_CHECK(pending, range != nullptr))
        return nullptr;
    const qsizetype length = subject.size();
    *matchLength = length;
    if (range->length == UpToEnd)
        range->length = length;

    RGXCachedRegex *slot = rgx_getCachedRegex(lock, regex, options, error, pending);
    if (!slot)
        return nullptr;
    CacheState &c = state();
    if (!RGX_CHECK(pending, slot == c.last && slot->icu_regex && !slot->regexString.isNull()
                                && slot->captureCount >= 0))
        return nullptr;

    if (!(rgx_sameString(slot->setToString, subject) && slot->setToLength == length)) {
        rgx_unbindSlotFromString(*slot);
        slot->setToString = rgx_keptCopy(subject);
        slot->setToUniChar = reinterpret_cast<const UChar *>(slot->setToString.utf16());
        slot->setToLength = length;
    }
    if (slot->setToRange == *range || !range->fitsIn(length) || length >= qsizetype(INT_MAX))
        return slot;
    slot->lastMatchRange = Range();
    slot->lastFindRange = Range();
    slot->setToRange = *range;
    uregex_setText(slot->icu_regex, slot->setToUniChar + range->location, std::int32_t(range->length), &status);
    if (status > U_ZERO_ERROR) {
        slot->setToRange = Range();
        if (!pending.isSet())
            pending = rgx_makeAssertDictionary(Q_FUNC_INFO, __LINE__, QStringLiteral("Failed to set up UTF16 buffer."));
        return nullptr;
    }
    return slot;
}

void rgx_unbindSlotFromString(RGXCachedRegex &slot)
{
    if (slot.icu_regex) {
        UErrorCode ignored = U_ZERO_ERROR;
        static const UChar empty[1] = {0};
        uregex_setText(slot.icu_regex, empty, 0, &ignored);
    }
    slot.setToString = QString();
    slot.setToRange = Range();
    slot.lastMatchRange = Range();
    slot.lastFindRange = Range();
    slot.setToUniChar = nullptr;
    slot.setToLength = 0;
}

void rgx_clearCachedRegex(RGXCachedRegex &slot)
{
    rgx_unbindSlotFromString(slot);
    CacheState &c = state();
    if (c.last == &slot)
        c.last = nullptr;
    if (slot.icu_regex)
        uregex_close(slot.icu_regex);
    slot.icu_regex = nullptr;
    slot.captureCount = -1;
    slot.regexString = QString();
    slot.regexHash = 0;
    slot.options = 0;
}

void rgx_clearStringCache()
{
    RGXCacheLock lock(rgx_cacheLock());
    CacheState &c = state();
    c.last = nullptr;
    for (RGXCachedRegex &slot : c.entries)
        rgx_clearCachedRegex(slot);
    // An emptied cache is the cache of a new process: the order in which each set
    // replaces its ways and the lookup hints start over too.
    c.recency.fill(InitialRecency);
    c.hints.fill(0);
}

void rgx_flushCachedRegexData(const QString &subject)
{
    const qsizetype length = subject.size();
    const std::uint32_t hash = hashOf(subject);
    RGXCacheLock lock(rgx_cacheLock());
    for (RGXCachedRegex &slot : state().entries) {
        if (slot.setToString.isNull())
            continue;
        if (rgx_sameString(slot.setToString, subject)
            || (slot.setToLength == length && hashOf(slot.setToString) == hash))
            rgx_unbindSlotFromString(slot);
    }
}

int rgx_cachedSlotIndex(const QString &regex, std::uint32_t options)
{
    RGXCacheLock lock(rgx_cacheLock());
    const CacheState &c = state();
    for (size_t i = 0; i < c.entries.size(); ++i) {
        if (holds(c.entries[i], regex, options))
            return int(i);
    }
    return -1;
}

quint64 rgx_compileCount()
{
    RGXCacheLock lock(rgx_cacheLock());
    return state().compiles;
}

} // namespace RGXAdditions::detail
