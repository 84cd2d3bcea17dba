#pragma once
// Room on a thread's heap, made ahead in few steps. The C library (glibc) gives each
// thread but the main one a heap of its own and grows it by as little as each
// allocation needs, a page at a time, one system call each; every such call takes the
// lock of the process's memory map, which every page fault and mapping of every other
// thread takes too (a launch maps libraries and faults pages on the GUI thread while
// its document is read on a pool thread). A thread about to allocate much at once
// reserves the room first: blocks below the size the library maps on their own are
// taken, which grows the heap a block at a time, and given back at once. The library
// keeps the room's access rights when it hands the memory of the freed pages back to
// the system, so the allocations that follow grow into it without a call each. And
// the other way, a Reclaim gives the room back once the thread freed what it built.
//
// Only a hint: nothing stays taken when reserve() returns, and where the allocator is
// another (a sanitizer's) the blocks are taken and given back and nothing else
// changes. Any thread; re-entrant, no shared state (a Reclaim belongs to the thread
// that made it). Never fails: a block the allocator refuses ends the reservation
// there, or is left out.
#include <QtGlobal>

#include <array>

namespace platform::ThreadHeap {

// The largest reservation made: the C library's thread heaps are 64 MiB each.
inline constexpr qint64 MaximumReservation = qint64(48) << 20;
// The size of the blocks taken, below the smallest size the C library maps on its own
// (128 KiB), so that they come from the thread's heap.
inline constexpr qint64 BlockSize = qint64(120) << 10;

// Grows the calling thread's heap by about `bytes` (at most MaximumReservation) and
// gives the memory back; answers the bytes taken and given back.
qint64 reserve(qint64 bytes);

// Under a limit of the address space (setrlimit's RLIMIT_AS, as ulimit -v sets it),
// the threads share SharedHeaps heaps: each heap the C library makes for a thread
// takes 64 MiB of the address space ahead, which the limit counts whether it is used
// or not. Without a limit nothing changes. For main(), before any thread allocates.
inline constexpr int SharedHeaps = 2;
void shareHeapsUnderALimit();

// Freed small blocks are merged with their free neighbours where they are freed. The C
// library (glibc) keeps freed blocks of up to 128 bytes in "fast bins", unmerged, and
// merges all of them at the next request of a kilobyte or more: after a tree of a
// million nodes was freed (a pool thread frees old trees and copies), that next request
// on the GUI thread, wherever it came, merged millions of blocks at once (a third of a
// second, at the start of a save). Without the fast bins each free does its own small
// part, on the thread that frees; the thread caches still serve the small blocks taken
// and given back often. For main(), before any thread allocates; process-wide. Only a
// hint: another allocator (a sanitizer's) changes nothing.
void mergeFreedBlocksWhereFreed();

// The bytes of address space the process may still map under its limit (setrlimit's
// RLIMIT_AS, as a user's ulimit -v sets it); the largest number when it has none or
// when it cannot be told.
qint64 addressSpaceLeft();

// The other way: the room of a thread's heap given back to the system after the
// thread built much and freed it again (a read that ran out of memory). The C library
// unmaps a part of a thread's heap only when no block in it is taken, and keeps the
// blocks its thread cache holds for reuse (up to seven of each small size: the ones
// freed last) as taken: what was freed last keeps the whole heap mapped, its pages
// in use and its room counted against a limit of the process's address space, while
// the other threads allocate from heaps of their own. Made before the work, a
// Reclaim takes blocks of every size the thread cache holds; giveBack() then takes
// the cache's blocks out, puts its own in their place and frees the ones it took, so
// that every free block can join its neighbours; freeing a block of BlockSize makes
// the library do so and unmap the parts that hold nothing, and the free pages of
// every heap go back to the system. Belongs to the thread that made it; giveBack()
// once. Also only a hint, never fails (with another allocator it only takes and frees
// blocks).
class Reclaim
{
public:
    // The thread cache of the C library: bins of blocks of 32 to 1,040 bytes in steps
    // of 16 (asked as 24 to 1,032 bytes), seven blocks a bin.
    static constexpr int CacheBins = 64;
    static constexpr int CachePerBin = 7;
    using Blocks = std::array<void *, CacheBins * CachePerBin>;

    Reclaim();
    ~Reclaim();
    Reclaim(const Reclaim &) = delete;
    Reclaim &operator=(const Reclaim &) = delete;
    void giveBack();

private:
    Blocks m_standIns {};
};

} // namespace platform::ThreadHeap
