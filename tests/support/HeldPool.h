#pragma once
// Holds every thread of the global pool until released: what is handed to the pool
// (a read ahead, a save written in the background) waits. (Drawing a large widget
// hands parts of its work to the pool: while it is held, only small windows may
// show.) GUI thread; one at a time. The holder goes only once every held thread has
// left it: a thread woken by the release still touches it.
#include <QSemaphore>
#include <QThreadPool>

namespace testsupport {

class HeldPool
{
public:
    HeldPool() : m_threads(QThreadPool::globalInstance()->maxThreadCount())
    {
        for (int i = 0; i < m_threads; ++i)
            QThreadPool::globalInstance()->start([this] {
                m_started.release();
                m_release.acquire();
                m_left.release();
            });
        m_started.acquire(m_threads);
    }
    ~HeldPool()
    {
        release();
        m_left.acquire(m_threads);
    }
    HeldPool(const HeldPool &) = delete;
    HeldPool &operator=(const HeldPool &) = delete;
    void release()
    {
        if (m_held) {
            m_release.release(m_threads);
            m_held = false;
        }
    }

private:
    const int m_threads;
    bool m_held = true;
    QSemaphore m_started;
    QSemaphore m_release;
    QSemaphore m_left;
};

} // namespace testsupport
