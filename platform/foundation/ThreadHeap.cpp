#include "platform/foundation/ThreadHeap.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <malloc.h>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

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

namespace {

// A block of every size the thread cache holds, as often as it holds one (blocks the
// allocator refuses are left out).
void takeCacheSizes(Reclaim::Blocks &blocks)
{
    size_t at = 0;
    for (int bin = 0; bin < Reclaim::CacheBins; ++bin) {
        for (int i = 0; i < Reclaim::CachePerBin; ++i)
            blocks[at++] = std::malloc(size_t(24 + 16 * bin));
    }
}

void freeAll(Reclaim::Blocks &blocks)
{
    for (void *&block : blocks) {
        std::free(block);
        block = nullptr;
    }
}

} // namespace

Reclaim::Reclaim()
{
    takeCacheSizes(m_standIns);
}

Reclaim::~Reclaim()
{
    freeAll(m_standIns);
}

void Reclaim::giveBack()
{
    // Out of the cache: the blocks freed last (some from elsewhere where a bin was
    // not full).
    Blocks cached {};
    takeCacheSizes(cached);
    // The stand-ins fill the cache again; the blocks taken out go back to the heap.
    freeAll(m_standIns);
    freeAll(cached);
    if (void *block = std::malloc(size_t(BlockSize)))
        std::free(block);
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

void shareHeapsUnderALimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        mallopt(M_ARENA_MAX, SharedHeaps);
}

void mergeFreedBlocksWhereFreed()
{
#ifdef __GLIBC__
    mallopt(M_MXFAST, 0);
#endif
}

qint64 addressSpaceLeft()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<qint64>::max();
    // The process's address space now: the first number of /proc/self/statm, in pages.
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return std::numeric_limits<qint64>::max();
    bool number = false;
    const qint64 pages = statm.read(64).split(' ').value(0).toLongLong(&number);
    if (!number)
        return std::numeric_limits<qint64>::max();
    const qint64 used = pages * qint64(sysconf(_SC_PAGESIZE));
    return std::max<qint64>(0, qint64(limit.rlim_cur) - used);
}

} // namespace platform::ThreadHeap
