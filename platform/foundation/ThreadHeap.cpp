#include "platform/foundation/ThreadHeap.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform::ThreadHeap {

qint64 reserve(qint64 bytes)
{
    const qint64 wanted = std::clamp<qint64>(bytes, 0, MaximumReservation);
    std::vector<void *> blocks;
    blocks.reserve(size_t(wanted / BlockSize + 1));
    qint64 taken = 0;
    while (taken < wanted) {
        void *block = std::malloc(size_t(BlockSize));
        if (!block)
            break;
        blocks.push_back(block);
        taken += BlockSize;
    }
    // The last first: each block joins the free room at the heap's end.
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        std::free(*it);
    return taken;
}

} // namespace platform::ThreadHeap
