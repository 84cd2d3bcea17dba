#pragma once
// A queue of operations run on a worker thread of its own, one at a time, in the
// order they were added. The queue owns its thread: destruction drops the
// operations that have not started, waits for the running one and joins the thread.
//
// addOperation() and cancelAllOperations() may be called from any thread; an
// operation runs on the worker and must hand results to other threads itself (for
// the GUI, a queued call guarded against the receiver's end). An exception that
// escapes an operation is dropped, so one bad operation never stops the queue.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class OperationQueue
{
public:
    using Operation = std::function<void()>;

    OperationQueue();
    ~OperationQueue();
    OperationQueue(const OperationQueue &) = delete;
    OperationQueue &operator=(const OperationQueue &) = delete;

    void addOperation(Operation operation);
    // Drops every operation that has not started yet.
    void cancelAllOperations();
    // Blocks until nothing is queued or running.
    void waitUntilAllOperationsAreFinished();
    // Operations queued or running.
    int operationCount() const;

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Operation> m_pending;
    bool m_running = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace platform
