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
// the system, so the allocations that follow grow into it without a call each.
//
// Only a hint: nothing stays taken when reserve() returns, and where the allocator is
// another (a sanitizer's) the blocks are taken and given back and nothing else
// changes. Any thread; re-entrant, no shared state. Never fails: a block the
// allocator refuses ends the reservation there.
#include <QtGlobal>

namespace platform::ThreadHeap {

// The largest reservation made: the C library's thread heaps are 64 MiB each.
inline constexpr qint64 MaximumReservation = qint64(48) << 20;
// The size of the blocks taken, below the smallest size the C library maps on its own
// (128 KiB), so that they come from the thread's heap.
inline constexpr qint64 BlockSize = qint64(120) << 10;

// Grows the calling thread's heap by about `bytes` (at most MaximumReservation) and
// gives the memory back; answers the bytes taken and given back.
qint64 reserve(qint64 bytes);

} // namespace platform::ThreadHeap
