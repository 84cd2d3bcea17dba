#pragma once
// A call handed to another thread through Qt: to a thread pool (QThreadPool::start)
// or as a queued call to an object of another thread (QMetaObject::invokeMethod with
// Qt::QueuedConnection), with the hand-off told to ThreadSanitizer.
//
//     pool->start(platform::ThreadHandOff([state, next] { run(state, next); }));
//     QMetaObject::invokeMethod(application, platform::ThreadHandOff([value] { ... }),
//                               Qt::QueuedConnection);
//
// Qt is not built with ThreadSanitizer, so the locks and atomics with which its pool
// and its event queues pass a call on are invisible to it: what the call holds,
// written on the sending thread and read on the receiving one, looks like a data
// race. The wrapper says where the hand-off is. Each construction of it (the last is
// the copy Qt keeps, made on the sending thread before Qt passes it on) releases at
// its own address, once the call it holds is in place; the receiving thread acquires
// at that address before it calls the call, and again before the call is destroyed
// (Qt destroys a call it drops unrun, a queued call whose receiver went, on the
// receiver's thread). The address is the wrapper's own, so every hand-off has its own
// and no other one is taken for it. Built without ThreadSanitizer, the wrapper is the
// call and nothing more.
//
// Ownership: holds its call by value. Re-entrancy: one object belongs to one thread at
// a time: it is made and copied on the sending thread, called and destroyed on the
// receiving one. Failures: what the call throws passes through unchanged (the call
// keeps its own platform::ExceptionBoundary); the wrapper adds none.
//
// postToThreadOf() is the queued call of the second line above made whole: the call is
// handed off and enters through platform::ExceptionBoundary, as every call from Qt does.
#include "platform/foundation/ExceptionBoundary.h"

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <type_traits>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define CHRONARK_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define CHRONARK_THREAD_SANITIZER 1
#endif
#endif

#ifdef CHRONARK_THREAD_SANITIZER
// ThreadSanitizer's run-time library: a release at an address happens before every
// later acquire at it.
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace platform {

template <typename Call>
class ThreadHandOff
{
public:
    explicit ThreadHandOff(Call call) noexcept(std::is_nothrow_move_constructible_v<Call>)
        : m_call(std::move(call))
    {
        sent();
    }
    ThreadHandOff(ThreadHandOff &&other) noexcept(std::is_nothrow_move_constructible_v<Call>)
        : m_call(std::move(other.m_call))
    {
        sent();
    }
    // std::function (QThreadPool::start) needs a copyable call.
    ThreadHandOff(const ThreadHandOff &other)
        requires std::is_copy_constructible_v<Call>
        : m_call(other.m_call)
    {
        sent();
    }
    ThreadHandOff &operator=(const ThreadHandOff &) = delete;
    ThreadHandOff &operator=(ThreadHandOff &&) = delete;
    ~ThreadHandOff() { received(); }

    template <typename... Arguments>
    decltype(auto) operator()(Arguments &&...arguments)
    {
        received();
        return std::invoke(m_call, std::forward<Arguments>(arguments)...);
    }

private:
    void sent() const noexcept
    {
#ifdef CHRONARK_THREAD_SANITIZER
        __tsan_release(const_cast<ThreadHandOff *>(this));
#endif
    }
    void received() const noexcept
    {
#ifdef CHRONARK_THREAD_SANITIZER
        __tsan_acquire(const_cast<ThreadHandOff *>(this));
#endif
    }

    Call m_call;
};

// Calls the body on the receiver's thread, in a later pass of its event loop, through
// the exception boundary under the entry's name; Qt drops the call if the receiver goes
// first. Any thread.
template <typename Body>
void postToThreadOf(QObject *receiver, const char *entry, Body body)
{
    QMetaObject::invokeMethod(receiver, ThreadHandOff(ExceptionBoundary::guarded(receiver, entry, std::move(body))),
                              Qt::QueuedConnection);
}

} // namespace platform
