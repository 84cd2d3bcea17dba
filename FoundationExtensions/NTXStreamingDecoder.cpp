#include "FoundationExtensions/NTXStreamingDecoder.h"

#include "FoundationExtensions/NTXStringEncodings.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

void NTXStreamingDecoder::Closer::operator()(UConverter *c) const
{
    ucnv_close(c);
}

NTXStreamingDecoder::NTXStreamingDecoder(quint32 encoding) : m_encoding(encoding)
{
    if (!NTXStringEncodings::isAvailable(encoding))
        return;
    UErrorCode status = U_ZERO_ERROR;
    m_converter.reset(ucnv_open(NTXStringEncodings::icuNameForEncoding(encoding), &status));
    if (U_FAILURE(status)) {
        m_converter.reset();
        return;
    }
    ucnv_setToUCallBack(m_converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        m_converter.reset();
}

NTXStreamingDecoder::~NTXStreamingDecoder() = default;
NTXStreamingDecoder::NTXStreamingDecoder(NTXStreamingDecoder &&) noexcept = default;
NTXStreamingDecoder &NTXStreamingDecoder::operator=(NTXStreamingDecoder &&) noexcept = default;

bool NTXStreamingDecoder::decode(const char *bytes, qsizetype size, QString &out)
{
    return convert(bytes, size, false, out);
}

bool NTXStreamingDecoder::finish(QString &out)
{
    static const char none[1] = {0};
    return convert(none, 0, true, out);
}

bool NTXStreamingDecoder::hasPendingBytes() const
{
    if (!m_converter)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    return ucnv_toUCountPending(m_converter.get(), &status) > 0 && U_SUCCESS(status);
}

bool NTXStreamingDecoder::convert(const char *bytes, qsizetype size, bool flush, QString &out)
{
    if (!m_converter || m_failed) {
        m_failed = true;
        return false;
    }
    constexpr qsizetype Chunk = 16 * 1024;
    UChar buffer[Chunk];
    const char *source = bytes;
    const char *limit = bytes + size;
    for (;;) {
        UChar *target = buffer;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_converter.get(), &target, buffer + Chunk, &source, limit, nullptr, flush, &status);
        out.append(reinterpret_cast<const QChar *>(buffer), target - buffer);
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status)) {
            m_failed = true;
            return false;
        }
        return true;
    }
}
