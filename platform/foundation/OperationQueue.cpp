#include "platform/foundation/OperationQueue.h"

namespace platform {

OperationQueue::OperationQueue()
    : m_thread([this] { run(); })
{
}

OperationQueue::~OperationQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_pending.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void OperationQueue::addOperation(Operation operation)
{
    if (!operation)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_pending.push_back(std::move(operation));
    }
    m_wake.notify_one();
}

void OperationQueue::cancelAllOperations()
{
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    if (!m_running)
        m_idle.notify_all();
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.empty() && !m_running; });
}

int OperationQueue::operationCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pending.size()) + (m_running ? 1 : 0);
}

void OperationQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_stopping)
            break;
        Operation operation = std::move(m_pending.front());
        m_pending.pop_front();
        m_running = true;
        lock.unlock();
        try {
            operation();
        } catch (...) {
            // One failing operation must not end the queue.
        }
        operation = nullptr;
        lock.lock();
        m_running = false;
        if (m_pending.empty())
            m_idle.notify_all();
    }
    m_running = false;
    m_idle.notify_all();
}

} // namespace platform
