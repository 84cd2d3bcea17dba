#include "FoundationExtensions/NTXStringEncodings.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace NTXStringEncodings {

namespace {

struct Entry
{
    quint32 encoding;
    const char *icuName;
};

constexpr Entry Table[] = {
    {ASCIIStringEncoding, "US-ASCII"},
    {JapaneseEUCStringEncoding, "EUC-JP"},
    {UTF8StringEncoding, "UTF-8"},
    {ISOLatin1StringEncoding, "ISO-8859-1"},
    {ShiftJISStringEncoding, "Shift_JIS"},
    {ISOLatin2StringEncoding, "ISO-8859-2"},
    {UnicodeStringEncoding, "UTF-16"},
    {WindowsCP1251StringEncoding, "windows-1251"},
    {WindowsCP1252StringEncoding, "windows-1252"},
    {WindowsCP1253StringEncoding, "windows-1253"},
    {WindowsCP1254StringEncoding, "windows-1254"},
    {WindowsCP1250StringEncoding, "windows-1250"},
    {ISO2022JPStringEncoding, "ISO-2022-JP"},
    {MacOSRomanStringEncoding, "macintosh"},
    {UTF16BigEndianStringEncoding, "UTF-16BE"},
    {UTF16LittleEndianStringEncoding, "UTF-16LE"},
    {UTF32StringEncoding, "UTF-32"},
    {UTF32BigEndianStringEncoding, "UTF-32BE"},
    {UTF32LittleEndianStringEncoding, "UTF-32LE"},
};

struct ConverterCloser
{
    void operator()(UConverter *c) const { ucnv_close(c); }
};

} // namespace

const char *icuNameForEncoding(quint32 encoding)
{
    for (const Entry &e : Table) {
        if (e.encoding == encoding)
            return e.icuName;
    }
    return nullptr;
}

QString decode(const QByteArray &bytes, quint32 encoding)
{
    const char *name = icuNameForEncoding(encoding);
    if (!name)
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> conv(ucnv_open(name, &status));
    if (U_FAILURE(status) || !conv)
        return QString();
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return QString();

    QString result(QStringLiteral(""));
    if (bytes.isEmpty())
        return result;

    // Convert in chunks of output so that any input size works with ICU's int32
    // buffer lengths.
    const char *source = bytes.constData();
    const char *sourceLimit = source + bytes.size();
    constexpr qsizetype Chunk = 64 * 1024;
    result.reserve(std::min<qsizetype>(bytes.size(), std::numeric_limits<int>::max() / 2));
    std::unique_ptr<UChar[]> buffer(new UChar[Chunk]);
    for (;;) {
        UChar *target = buffer.get();
        status = U_ZERO_ERROR;
        ucnv_toUnicode(conv.get(), &target, buffer.get() + Chunk, &source, sourceLimit, nullptr,
                       true, &status);
        result.append(reinterpret_cast<const QChar *>(buffer.get()), target - buffer.get());
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status))
            return QString();
        break;
    }
    return result;
}

} // namespace NTXStringEncodings
