#pragma once
// Decodes bytes that arrive in pieces: a character cut at the end of one piece is
// completed by the next, and state (UTF-16 byte order, ISO-2022 shifts) carries over.
//
// Owned by value by its user; one thread at a time. Decoding is strict: at the
// first illegal or unassigned sequence the decoder appends the text before it and
// fails for good (failed()); nothing after it is decoded. Every call costs time in
// proportion to its bytes.
#include <QByteArray>
#include <QString>

#include <memory>

struct UConverter;

class NTXStreamingDecoder
{
public:
    // A decoder for one of the platform's encoding numbers (NTXStringEncodings.h);
    // isValid() is false when the encoding is unknown or unavailable.
    explicit NTXStreamingDecoder(quint32 encoding);
    ~NTXStreamingDecoder();
    NTXStreamingDecoder(NTXStreamingDecoder &&) noexcept;
    NTXStreamingDecoder &operator=(NTXStreamingDecoder &&) noexcept;

    bool isValid() const { return m_converter != nullptr; }
    quint32 encoding() const { return m_encoding; }

    // Appends the text of `bytes` to `out`, holding back a cut character; answers
    // false (and stays failed) at an illegal sequence or when not valid.
    bool decode(const char *bytes, qsizetype size, QString &out);
    bool decode(const QByteArray &bytes, QString &out) { return decode(bytes.constData(), bytes.size(), out); }
    // The end of the input: answers false when a held-back character stays incomplete.
    bool finish(QString &out);
    // Bytes held back for the next piece.
    bool hasPendingBytes() const;
    bool failed() const { return m_failed; }

private:
    bool convert(const char *bytes, qsizetype size, bool flush, QString &out);

    struct Closer
    {
        void operator()(UConverter *c) const;
    };
    quint32 m_encoding = 0;
    std::unique_ptr<UConverter, Closer> m_converter;
    bool m_failed = false;
};
