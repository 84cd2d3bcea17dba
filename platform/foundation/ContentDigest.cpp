#include "platform/foundation/ContentDigest.h"

#include <QIODevice>

#include <new>
#include <vector>

#include <xxhash.h>

namespace platform {

namespace {

// Read at once by ofDevice(): large enough that the system calls cost nothing beside
// the digest, small enough to stay in the processor's cache.
constexpr qsizetype ReadBlock = 256 * 1024;

} // namespace

struct ContentDigest::State
{
    XXH3_state_t *state = XXH3_createState();
    State() = default;
    ~State() { XXH3_freeState(state); }
    State(const State &) = delete;
    State &operator=(const State &) = delete;
};

ContentDigest::ContentDigest() : m_state(new (std::nothrow) State)
{
    reset();
}

ContentDigest::~ContentDigest() = default;

bool ContentDigest::isValid() const
{
    return m_state && m_state->state;
}

void ContentDigest::reset()
{
    if (!isValid())
        m_state.reset(new (std::nothrow) State);
    if (isValid())
        XXH3_128bits_reset(m_state->state);
}

void ContentDigest::addData(QByteArrayView bytes)
{
    if (isValid())
        XXH3_128bits_update(m_state->state, bytes.data(), size_t(bytes.size()));
}

QByteArray ContentDigest::result() const
{
    if (!isValid())
        return QByteArray();
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state->state));
    static_assert(sizeof canonical.digest == Size);
    return QByteArray(reinterpret_cast<const char *>(canonical.digest), Size);
}

QByteArray ContentDigest::ofDevice(QIODevice &device)
{
    ContentDigest digest;
    if (!digest.isValid())
        return QByteArray();
    std::vector<char> block(static_cast<size_t>(ReadBlock));
    for (;;) {
        const qint64 n = device.read(block.data(), ReadBlock);
        if (n < 0)
            return QByteArray();
        if (n == 0)
            return device.atEnd() ? digest.result() : QByteArray();
        digest.addData(QByteArrayView(block.data(), qsizetype(n)));
    }
}

} // namespace platform
