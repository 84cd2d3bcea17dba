#pragma once
// A digest of a file's content, to tell whether two contents differ: XXH3 with 128
// bits (libxxhash), which reads at several gigabytes a second. It guards against an
// accident (another program's write), not against a program that means to forge a
// content of the same digest; the digests are kept in memory only.
//
// Ownership: a value object holding its running state (on the heap); not thread-safe,
// one user at a time. Failures: a state that could not be made (the memory ran out)
// leaves the digest invalid (isValid(); reset() tries again), and result() then
// answers an empty digest, as ofDevice() does when the device cannot be read to its
// end: an empty digest matches no content's. Nothing throws.
#include <QByteArray>
#include <QByteArrayView>

#include <memory>

class QIODevice;

namespace platform {

class ContentDigest
{
public:
    // The digest's length in bytes.
    static constexpr qsizetype Size = 16;

    ContentDigest();
    ~ContentDigest();
    ContentDigest(const ContentDigest &) = delete;
    ContentDigest &operator=(const ContentDigest &) = delete;

    // Starts again, as of no bytes (making the state if it is missing).
    void reset();
    // Whether the state could be made.
    bool isValid() const;
    void addData(QByteArrayView bytes);
    // The digest of the bytes added since the last reset (they may go on being added).
    QByteArray result() const;

    // The digest of what the device reads from where it stands to its end; empty
    // when a read fails.
    static QByteArray ofDevice(QIODevice &device);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace platform
