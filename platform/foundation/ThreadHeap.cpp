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
    // The first first: each block joins the free blocks before it, and only the last
    // one reaches the heap's end, so the library hands the room's pages back once. (The
    // last first would hand them back block by block, and each hand-back interrupts
    // every processor that runs a thread of the process, to flush its page tables.)
    for (void *block : blocks)
        std::free(block);
    return taken;
}

} // namespace platform::ThreadHeap
