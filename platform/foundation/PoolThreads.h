#pragma once
// The threads of the global thread pool, made once and kept for the life of the
// process. Qt's pool makes a thread when it has none free for a task and lets it go
// after half a minute idle; when the system refuses the thread (EAGAIN: a limit of
// the address space or of the processes), the pool drops the task without a word
// and counts the thread as busy for good. A background task would never answer, and
// Qt's own raster painting, which hands bands of a large fill to the pool and waits
// for them, would hold the GUI thread for good. So the threads are made while the
// process is small (the launch does it first, before any document is read), each
// one only after a thread of the same stack size could be made and ended, and kept:
// the pool's expiry is turned off and its size set to the threads it has, so it never
// asks the system for another one.
//
// prepare() is called by the launch, by the test programs' main, and by
// platform::BackgroundTask and platform::OperationQueue before they hand work to the
// pool (only the first call does anything). Any thread; thread-safe. Failures: a
// thread the system refuses ends the preparation there: the pool keeps those made.
// With none, the pool is not used: BackgroundTask answers its tasks with
// unavailableReason(), an OperationQueue finishes its operations without running
// them, and the launch says that Chronark cannot start.
#include <QString>

namespace platform {

class PoolThreads
{
public:
    // The most threads kept: one for each of the launch's jobs off the GUI thread (the
    // documents read, the icons drawn, the fonts' configuration) and one more; Qt's
    // painting shares them. Each costs its stack and the heap the C library makes for
    // it (64 MiB of address space, counted against a limit of it).
    static constexpr int MaximumThreads = 4;

    // Makes and keeps the global pool's threads (one per processor, at most
    // MaximumThreads) and sets the pool's size to them; answers how many it has.
    static int prepare();
    // The threads prepare() made (0 before it ran).
    static int count();
    // The failure a task answers when the pool has no thread for it.
    static QString unavailableReason();
};

} // namespace platform
