#pragma once
// The one pattern for work off the GUI thread (image loading, long reads, searches):
//
//     platform::BackgroundTask task = platform::BackgroundTask::run(
//         receiver,
//         [](const platform::BackgroundTask::Token &token) { ...; return result; }, // pool thread
//         [receiver](Result result) { ... });                                        // GUI thread
//
// The work runs on the global QThreadPool and should poll token.isCancelled() at
// convenient points. Its result is handed to the delivery on the GUI thread, through
// a queued call to the application object, and delivered only when the receiver still
// exists and the task was not cancelled by then; otherwise it is dropped there (on the
// GUI thread, so a result holding GUI objects is destroyed where it may be). The work
// must not touch the receiver or any other GUI object; the delivery may. Both
// hand-offs, of the work to the pool and of the result to the GUI thread, go through
// platform::ThreadHandOff, so that ThreadSanitizer sees them.
//
// run() and cancel() belong to the GUI thread; Token::isCancelled() may be called from
// any thread. A handle is a cheap copyable value; dropping it does not cancel. An
// exception thrown by the work is caught on the pool thread and logged with
// qCritical (the task then delivers nothing): it never ends the process. One thrown by
// the delivery is caught before it reaches Qt and reported (platform::ExceptionBoundary).
//
// Many operations under one limit of threads, cancelled together (a progress window,
// pictures decoded one at a time), go to a platform::OperationQueue instead; its
// operations hand their results to the GUI thread the same way.
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace platform {

class BackgroundTask
{
public:
    class Token
    {
    public:
        bool isCancelled() const { return m_flag->load(std::memory_order_acquire); }

    private:
        friend class BackgroundTask;
        explicit Token(std::shared_ptr<std::atomic<bool>> flag) : m_flag(std::move(flag)) {}
        std::shared_ptr<std::atomic<bool>> m_flag;
    };

    template <typename Work, typename Deliver>
    static BackgroundTask run(QObject *receiver, Work work, Deliver deliver);
    // Work that answers nothing (warming a cache, running a caller's block): the same
    // pool, token and failure rule, no delivery. Unlike run(), any thread may call it.
    template <typename Work>
    static BackgroundTask runWithoutResult(Work work);

    // No delivery happens after this returns (the work may still be running; it
    // sees the token cancelled).
    void cancel() const { m_flag->store(true, std::memory_order_release); }
    bool isCancelled() const { return m_flag->load(std::memory_order_acquire); }

private:
    BackgroundTask() : m_flag(std::make_shared<std::atomic<bool>>(false)) {}
    static void logFailure(const char *what);

    std::shared_ptr<std::atomic<bool>> m_flag;
};

template <typename Work, typename Deliver>
BackgroundTask BackgroundTask::run(QObject *receiver, Work work, Deliver deliver)
{
    using Result = std::invoke_result_t<Work &, const Token &>;
    static_assert(!std::is_void_v<Result>, "the work answers the value the delivery takes");
    BackgroundTask task;
    Token token(task.m_flag);
    QPointer<QObject> guard(receiver);
    QThreadPool::globalInstance()->start(ThreadHandOff([token, guard, work = std::move(work),
                                                        deliver = std::move(deliver)]() mutable {
        std::optional<Result> result;
        try {
            if (!token.isCancelled())
                result.emplace(work(token));
        } catch (const std::exception &error) {
            logFailure(error.what());
        } catch (...) {
            logFailure("unknown exception");
        }
        QCoreApplication *application = QCoreApplication::instance();
        if (!result || !application)
            return;
        // The application object lives on the GUI thread as long as there is one (it
        // waits for the pool before it goes); the receiver is looked at only there.
        QMetaObject::invokeMethod(
            application,
            ThreadHandOff([token, guard, deliver = std::move(deliver), value = std::move(*result)]() mutable {
                // The delivery is entered from Qt's queue: its exceptions stop here.
                ExceptionBoundary::guard(guard.data(), "a background task's delivery", [&] {
                    if (guard && !token.isCancelled())
                        deliver(std::move(value));
                });
            }),
            Qt::QueuedConnection);
    }));
    return task;
}

template <typename Work>
BackgroundTask BackgroundTask::runWithoutResult(Work work)
{
    static_assert(std::is_invocable_v<Work &, const Token &>, "the work takes the task's token");
    BackgroundTask task;
    Token token(task.m_flag);
    QThreadPool::globalInstance()->start(ThreadHandOff([token, work = std::move(work)]() mutable {
        try {
            if (!token.isCancelled())
                work(token);
        } catch (const std::exception &error) {
            logFailure(error.what());
        } catch (...) {
            logFailure("unknown exception");
        }
    }));
    return task;
}

} // namespace platform
