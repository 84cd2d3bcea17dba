#include "platform/foundation/PoolThreads.h"

#include "platform/foundation/ThreadHandOff.h"

#include <QLoggingCategory>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include <pthread.h>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcPoolThreads, "chronark.poolthreads")

// Guards the preparation: the later callers wait for the first. Once it is done, the
// count is read without the lock.
std::mutex preparation;
std::atomic<bool> prepared{false};
std::atomic<int> made{0};

// The threads being made wait here until the last one was made, so that each
// start makes a new thread rather than taking one that finished.
struct Gate
{
    std::mutex mutex;
    std::condition_variable changed;
    // Changed under the lock; atomic too, so that ThreadSanitizer, which loses sight of
    // a process's locks once it started a program (QProcess), sees them handed over.
    std::atomic<int> started{0};
    std::atomic<bool> released{false};
};

void *endAtOnce(void *)
{
    return nullptr;
}

// Whether the system makes a thread of this stack size now (0: the default); the
// thread ends at once. The error is told in `error`.
bool canMakeThread(qsizetype stackSize, int &error)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    if (stackSize > 0)
        pthread_attr_setstacksize(&attributes, size_t(stackSize));
    pthread_t thread;
    error = pthread_create(&thread, &attributes, endAtOnce, nullptr);
    pthread_attr_destroy(&attributes);
    if (error != 0)
        return false;
    pthread_join(thread, nullptr);
    return true;
}

} // namespace

int PoolThreads::prepare()
{
    if (prepared.load(std::memory_order_acquire))
        return made.load(std::memory_order_acquire);
    std::lock_guard lock(preparation);
    if (prepared.load(std::memory_order_relaxed))
        return made.load(std::memory_order_relaxed);
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    const int wanted = std::clamp(pool->maxThreadCount(), 1, MaximumThreads);
    auto gate = std::make_shared<Gate>();
    int asked = 0;
    int refusal = 0;
    while (asked < wanted && canMakeThread(pool->stackSize(), refusal)) {
        ++asked;
        pool->start(ThreadHandOff([gate] {
            std::unique_lock held(gate->mutex);
            ++gate->started;
            gate->changed.notify_all();
            gate->changed.wait(held, [&] { return gate->released.load(); });
        }));
        // The next thread is asked of the system once this one is there. A pool that
        // was busy before (a program that used it before it prepared it) may take
        // longer: then no more threads are asked for, and the one asked starts later.
        std::unique_lock held(gate->mutex);
        if (!gate->changed.wait_for(held, std::chrono::seconds(10), [&] { return gate->started == asked; }))
            break;
    }
    int started = 0;
    {
        std::lock_guard held(gate->mutex);
        started = gate->started;
        gate->released = true;
    }
    gate->changed.notify_all();
    // Never a thread more than those asked for: the pool's count of threads includes
    // one that may still start.
    if (asked > 0)
        pool->setMaxThreadCount(asked);
    // None at all is told by those who needed them (the launch says it cannot start).
    if (started > 0 && started < wanted)
        qCInfo(lcPoolThreads, "The thread pool has %d of %d threads: the system refused more (%s)", started, wanted,
               refusal != 0 ? std::strerror(refusal) : "a thread did not start");
    made.store(started, std::memory_order_release);
    prepared.store(true, std::memory_order_release);
    return started;
}

int PoolThreads::count()
{
    return made.load(std::memory_order_acquire);
}

QString PoolThreads::unavailableReason()
{
    return QStringLiteral("The system refused to make a thread to do the work.");
}

} // namespace platform
