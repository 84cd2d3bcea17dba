#include "platform/foundation/ThreadHeap.h"

#include "tests/support/ProcessMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>

using namespace platform;

namespace {

constexpr qint64 MiB = qint64(1) << 20;

TEST(ThreadHeapTest, ReservesWhatIsAskedInWholeBlocksUpToTheBound)
{
    EXPECT_EQ(ThreadHeap::reserve(0), 0);
    EXPECT_EQ(ThreadHeap::reserve(-MiB), 0);
    EXPECT_EQ(ThreadHeap::reserve(1), ThreadHeap::BlockSize);
    for (const qint64 asked : {ThreadHeap::BlockSize, 3 * MiB + 1, 10 * MiB}) {
        const qint64 taken = ThreadHeap::reserve(asked);
        EXPECT_GE(taken, asked);
        EXPECT_LT(taken, asked + ThreadHeap::BlockSize);
        EXPECT_EQ(taken % ThreadHeap::BlockSize, 0);
    }
    const qint64 most = ThreadHeap::reserve(qint64(1) << 40);
    EXPECT_GE(most, ThreadHeap::MaximumReservation);
    EXPECT_LT(most, ThreadHeap::MaximumReservation + ThreadHeap::BlockSize);
    // Blocks below the size the C library maps on its own.
    EXPECT_LT(ThreadHeap::BlockSize, 128 * 1024);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)

// The span the C library maps for each heap of a thread (aligned to its size).
constexpr quintptr HeapSpan = quintptr(64) << 20;

// The bytes of this process's anonymous mappings that may be written (a thread's heap
// among them: the C library maps it whole and makes writable what it has grown to),
// within [from, to).
qint64 writableAnonymousBytes(quintptr from = 0, quintptr to = ~quintptr(0))
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    qint64 bytes = 0;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, permissions, offset, device, inode, path;
        fields >> range >> permissions >> offset >> device >> inode >> path;
        if (permissions.rfind("rw", 0) != 0 || !path.empty())
            continue;
        const size_t dash = range.find('-');
        const quintptr start = std::max<quintptr>(from, std::stoull(range.substr(0, dash), nullptr, 16));
        const quintptr end = std::min<quintptr>(to, std::stoull(range.substr(dash + 1), nullptr, 16));
        if (end > start)
            bytes += qint64(end - start);
    }
    return bytes;
}

TEST(ThreadHeapTest, OnAThreadTheRoomStaysWritableItsMemoryGoesBackAndAllocationsGrowIntoIt)
{
    constexpr qint64 room = 32 * MiB;
    qint64 writableReserved = 0, writableFilled = 0, heapWritable = 0;
    double residentBefore = 0, residentReserved = 0;
    std::thread thread([&] {
        // The thread's heap exists once it allocates; the list of pieces is made first.
        std::vector<void *> pieces;
        pieces.reserve(size_t(room / 2 / 160 + 1));
        // A small block comes from the thread's heap, in the span that holds it. (The
        // heap may be one an ended thread grew before: its room stays writable.)
        void *probe = std::malloc(64);
        const quintptr heap = quintptr(probe) & ~(HeapSpan - 1);
        residentBefore = testsupport::residentMiB();
        ThreadHeap::reserve(room);
        writableReserved = writableAnonymousBytes();
        heapWritable = writableAnonymousBytes(heap, heap + HeapSpan);
        residentReserved = testsupport::residentMiB();
        std::free(probe);
        // Half the room in small pieces, as a tree of nodes takes it.
        for (qint64 used = 0; used < room / 2; used += 160)
            pieces.push_back(std::malloc(160));
        writableFilled = writableAnonymousBytes();
        for (void *piece : pieces)
            std::free(piece);
    });
    thread.join();
    EXPECT_GE(heapWritable, room - 2 * MiB);
    EXPECT_LT(residentReserved - residentBefore, 8.0);
    // The pieces fit in the room made: nothing more was made writable.
    EXPECT_LE(writableFilled, writableReserved + MiB);
}

// A thread that built much in small pieces and freed it all gives its heap's room
// back, its address space with it: the pieces freed last, which the C library keeps
// for reuse, no longer hold the heap mapped (a limit of the address space counts
// that room until then, while other threads allocate elsewhere).
TEST(ThreadHeapTest, AThreadThatFreedWhatItBuiltGivesItsHeapsRoomBack)
{
    constexpr qint64 built = 256 * MiB;
    double before = 0, full = 0, after = 0;
    std::thread thread([&] {
        std::vector<void *> pieces;
        pieces.reserve(size_t(built / 256));
        ThreadHeap::Reclaim reclaim;
        before = testsupport::statusMiB("VmSize");
        // Pieces of the sizes a tree of nodes takes, and of every size the cache keeps.
        for (qint64 used = 0, i = 0; used < built; ++i) {
            const size_t size = size_t(24 + 16 * (i % 64));
            pieces.push_back(std::malloc(size));
            used += qint64(size);
        }
        full = testsupport::statusMiB("VmSize");
        for (void *piece : pieces)
            std::free(piece);
        reclaim.giveBack();
        after = testsupport::statusMiB("VmSize");
    });
    thread.join();
    EXPECT_GT(full - before, 200.0);
    // What stays is at most the heap the thread began in.
    EXPECT_LT(after - before, 80.0) << "before " << before << " MiB, full " << full << " MiB, after " << after << " MiB";
}


// The heaps the C library has made (its report names each "<heap nr=").
int heapCount()
{
    char *text = nullptr;
    size_t size = 0;
    FILE *report = open_memstream(&text, &size);
    if (!report)
        return -1;
    malloc_info(0, report);
    std::fclose(report);
    const std::string written(text, size);
    std::free(text);
    int count = 0;
    for (size_t at = written.find("<heap nr="); at != std::string::npos; at = written.find("<heap nr=", at + 1))
        ++count;
    return count;
}

// The heap of a block the C library took for a thread: its thread heaps are 64 MiB
// each, at addresses of that alignment.
constexpr int ThreadHeapBits = 26;

// Six threads allocate while all of them live (none takes an ended one's heap); each
// tells the heap its block came from.
std::set<std::uintptr_t> heapsOfSixThreads()
{
    std::atomic<int> started{0};
    std::mutex mutex;
    std::set<std::uintptr_t> heaps;
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] {
            void *block = std::malloc(64);
            {
                std::lock_guard lock(mutex);
                heaps.insert(reinterpret_cast<std::uintptr_t>(block) >> ThreadHeapBits);
            }
            ++started;
            while (started < 6)
                std::this_thread::yield();
            std::free(block);
        });
    for (std::thread &thread : threads)
        thread.join();
    return heaps;
}

// Under a limit of the address space, threads that start allocating share the heaps
// there are instead of each taking 64 MiB of the limit ahead: the library makes no
// heap past SharedHeaps (those the process had made before the limit stay). Without a
// limit, each of six threads that allocate at once gets a heap of its own. In children
// of death tests (the heaps' limit cannot be lifted); each child ends with 0 when the
// rule held, else with what it saw.
TEST(ThreadHeapTest, UnderAnAddressSpaceLimitNewThreadsShareTheHeapsThereAre)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto heapsMadeUnderALimit = [] {
        const struct rlimit limit {rlim_t(64) << 30, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            return 100;
        ThreadHeap::shareHeapsUnderALimit();
        const int before = heapCount();
        heapsOfSixThreads();
        const int after = heapCount();
        return after == std::max(before, ThreadHeap::SharedHeaps) ? 0 : 10 + std::min(after, 80);
    };
    EXPECT_EXIT(std::exit(heapsMadeUnderALimit()), testing::ExitedWithCode(0), "");
    const auto heapsOfThreadsWithoutALimit = [] {
        ThreadHeap::shareHeapsUnderALimit();
        const std::size_t heaps = heapsOfSixThreads().size();
        return heaps == 6 ? 0 : 10 + int(heaps);
    };
    EXPECT_EXIT(std::exit(heapsOfThreadsWithoutALimit()), testing::ExitedWithCode(0), "");
}

#endif

} // namespace

// Small blocks the GUI thread allocated and another thread freed (a tree freed on a pool
// thread) are merged as they are freed: nothing of them waits in the C library's fast
// bins for the GUI thread's next large request to merge.
TEST(ThreadHeapTest, SmallBlocksFreedOnAnotherThreadWaitForNoLaterMerge)
{
#ifdef __GLIBC__
    ThreadHeap::mergeFreedBlocksWhereFreed();
    std::vector<void *> blocks;
    for (int i = 0; i < 20000; ++i)
        blocks.push_back(std::malloc(size_t(24 + (i % 6) * 16)));
    std::thread freeing([&blocks] {
        for (void *block : blocks)
            std::free(block);
    });
    freeing.join();
    EXPECT_EQ(mallinfo2().fsmblks, size_t(0));
#endif
}
