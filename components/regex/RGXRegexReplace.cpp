#include "components/regex/RGXRegexReplace.h"

#include "components/regex/RGXRegexCache.h"

#include "platform/foundation/Exception.h"

#include <QVarLengthArray>

#include <climits>

namespace RGXAdditions::detail {

namespace {

// Work buffers up to this many units live on the stack.
constexpr qsizetype StackUnits = 131071 / 2;

using WorkBuffer = QVarLengthArray<UChar, StackUnits>;

bool checkPass(qsizetype written, qint64 capacity, qint64 needed, RGXPending &pending)
{
    return RGX_CHECK(pending, written <= capacity && written <= needed && needed >= 0);
}

} // namespace

qsizetype rgx_replaceAll(RGXCachedRegex &slot, const UChar *replacement, std::int32_t replacementLength,
                         UChar *buffer, std::int32_t capacity, qint64 *replacedCount, qint64 *needed,
                         RGXPending &pending, UErrorCode &status)
{
    if (!RGX_CHECK(pending, slot.icu_regex && replacement && buffer && replacedCount && needed
                                && replacementLength >= 0 && capacity >= 0))
        return 0;
    slot.lastMatchRange = Range();
    slot.lastFindRange = Range();
    uregex_reset(slot.icu_regex, 0, &status);
    if (slot.setToRange.length == 0 && status == U_INDEX_OUTOFBOUNDS_ERROR)
        status = U_ZERO_ERROR;
    qint64 count = 0;
    qint64 total = 0;
    bool overflowed = false;
    UChar *out = buffer;
    std::int32_t room = capacity;
    while (uregex_findNext(slot.icu_regex, &status)) {
        total += uregex_appendReplacement(slot.icu_regex, replacement, replacementLength, &out, &room, &status);
        ++count;
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            status = U_ZERO_ERROR;
            overflowed = true;
        }
        if (U_FAILURE(status))
            break;
    }
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        overflowed = true;
    }
    if (U_SUCCESS(status)) {
        total += uregex_appendTail(slot.icu_regex, &out, &room, &status);
        if (status == U_STRING_NOT_TERMINATED_WARNING || (overflowed && status <= U_ZERO_ERROR))
            status = U_BUFFER_OVERFLOW_ERROR;
    }
    *replacedCount = count;
    *needed = total;
    return capacity - room;
}

std::optional<QString> rgx_replaceString(RGXCachedRegex &slot, const QString &subject, qsizetype length,
                                         const QString &replacement, qint64 *replacedCount, bool inPlace,
                                         RGXPending &pending, UErrorCode &status)
{
    qint64 count = -1;
    qint64 needed = 0;
    std::optional<QString> result;
    auto finish = [&] {
        if (pending.isSet() || status != U_ZERO_ERROR)
            count = -1;
        if (replacedCount)
            *replacedCount = count;
        return result;
    };
    const qint64 replacementLength = replacement.size();
    if (replacementLength > 2147483646 || qint64(length) / 2 + replacementLength * 2 >= 2147483647) {
        pending.setException(platform::Exception::RangeException,
                             QStringLiteral("Replacement string length exceeds INT_MAX."));
        return finish();
    }
    const qint64 capacity = qint64(length) + qint64(length) / 2 + 2 * replacementLength + 16;
    if (!RGX_CHECK(pending, length < qsizetype(INT_MAX) && capacity >= 1 && capacity <= 2147483646))
        return finish();
    const auto *replacementUnits = reinterpret_cast<const UChar *>(replacement.utf16());

    WorkBuffer buffer(capacity);
    qsizetype written = rgx_replaceAll(slot, replacementUnits, std::int32_t(replacementLength), buffer.data(),
                                       std::int32_t(capacity), &count, &needed, pending, status);
    if (!checkPass(written, capacity, needed, pending))
        return finish();
    if (needed + 4 >= 2147483647) {
        pending.setException(platform::Exception::InternalInconsistencyException,
                             QStringLiteral("Replaced string length exceeds INT_MAX."));
        return finish();
    }
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        const qint64 exact = needed + 8;
        buffer.resize(exact);
        written = rgx_replaceAll(slot, replacementUnits, std::int32_t(replacementLength), buffer.data(),
                                 std::int32_t(exact), &count, &needed, pending, status);
        if (!checkPass(written, exact, needed, pending))
            return finish();
    }
    if (status != U_ZERO_ERROR || pending.isSet())
        return finish();
    if (!RGX_CHECK(pending, count >= 0))
        return finish();

    if (written == 0)
        result = QStringLiteral("");
    else if (written == length && count == 0)
        result = inPlace ? std::optional<QString>() : std::optional<QString>(rgx_keptCopy(subject));
    else
        result = QString(reinterpret_cast<const QChar *>(buffer.constData()), written);
    if (inPlace && count > 0)
        rgx_unbindSlotFromString(slot);
    return finish();
}

} // namespace RGXAdditions::detail
