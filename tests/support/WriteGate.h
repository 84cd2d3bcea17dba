#pragma once
// Holds the writes of the background at a gate the test opens: a write arrives,
// waits while the gate is closed, then goes on.
//
// Shared between the GUI thread (close, open, arrived) and the writing threads
// (pass); every member is guarded by one mutex. Never throws.
#include <condition_variable>
#include <mutex>

namespace testsupport {

class WriteGate
{
public:
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    // On the writing thread.
    void pass()
    {
        std::unique_lock lock(m_mutex);
        ++m_arrived;
        m_changed.wait(lock, [this] { return m_open; });
    }
    int arrived() const
    {
        std::lock_guard lock(m_mutex);
        return m_arrived;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_arrived = 0;
};

} // namespace testsupport
