#pragma once
// Holds every thread of the global pool until released: what is handed to the pool
// (a read ahead, a save written in the background) waits. (Drawing a large widget
// hands parts of its work to the pool: while it is held, only small windows may
// show.) GUI thread; one at a time. release() (and the destructor) returns once every
// held thread has let go, so that a HeldPool made next, in the same place, holds
// threads of its own; the threads share the holds' state, which outlives the object.
#include "platform/foundation/PoolThreads.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QSemaphore>
#include <QThreadPool>

#include <memory>

namespace testsupport {

class HeldPool
{
public:
    HeldPool() : m_threads((platform::PoolThreads::prepare(), QThreadPool::globalInstance()->maxThreadCount())),
                 m_state(std::make_shared<State>())
    {
        for (int i = 0; i < m_threads; ++i)
            QThreadPool::globalInstance()->start(platform::ThreadHandOff([state = m_state] {
                state->started.release();
                state->release.acquire();
                state->letGo.release();
            }));
        m_state->started.acquire(m_threads);
    }
    ~HeldPool() { release(); }
    HeldPool(const HeldPool &) = delete;
    HeldPool &operator=(const HeldPool &) = delete;
    void release()
    {
        if (m_held) {
            m_state->release.release(m_threads);
            m_state->letGo.acquire(m_threads);
            m_held = false;
        }
    }

private:
    struct State
    {
        QSemaphore started;
        QSemaphore release;
        QSemaphore letGo;
    };
    const int m_threads;
    bool m_held = true;
    std::shared_ptr<State> m_state;
};

} // namespace testsupport
