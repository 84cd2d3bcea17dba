#pragma once
// The one pattern for work off the GUI thread (image loading, long reads, searches):
//
//     platform::BackgroundTask task = platform::BackgroundTask::run(
//         receiver,
//         [](const platform::BackgroundTask::Token &token) { ...; return result; }, // pool thread
//         [receiver](Result result) { ... },                                        // GUI thread
//         [receiver](const QString &reason) { ... });                               // GUI thread
//
// The work runs on the global QThreadPool, whose threads are made once and kept
// (platform::PoolThreads), and should poll token.isCancelled() at convenient points.
// Every task ends in exactly one call on the GUI thread: the delivery with the work's
// result, or, when the work threw, the failure with the exception's text (reported as
// every exception stopped at a boundary is: platform::ExceptionBoundary::report), or, when the system refused every thread of the pool, the
// failure with PoolThreads::unavailableReason() (in a later pass, never from inside
// run()). Whoever waits for a task
// therefore always hears of it, also when the work ran out of memory. Both calls go
// through a queued call to the application object, and are made only when the
// receiver still exists and the task was not cancelled by then; otherwise the result
// is dropped there (on the GUI thread, so a result holding GUI objects is destroyed
// where it may be). Without an application object there is no GUI thread to call:
// nothing is called. The work must not touch the receiver or any other GUI object;
// the delivery and the failure may. Both hand-offs, of the work to the pool and of
// its outcome to the GUI thread, go through platform::ThreadHandOff, so that
// ThreadSanitizer sees them.
//
// run() and cancel() belong to the GUI thread; Token::isCancelled() may be called from
// any thread. A handle is a cheap copyable value; dropping it does not cancel. No
// exception of the work ends the process. One thrown by the delivery or the failure is
// caught before it reaches Qt and reported (platform::ExceptionBoundary).
//
// Many operations under one limit of threads, cancelled together (a progress window,
// pictures decoded one at a time), go to a platform::OperationQueue instead; its
// operations hand their results to the GUI thread the same way.
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/PoolThreads.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QString>
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

    // `deliver` takes the work's result; `fail` takes the text of what the work threw.
    template <typename Work, typename Deliver, typename Fail>
    static BackgroundTask run(QObject *receiver, Work work, Deliver deliver, Fail fail);
    // Work that answers nothing (warming a cache, running a caller's block): the same
    // pool and token; nobody waits for it, so a failure is only reported. Unlike run(),
    // any thread may call it.
    template <typename Work>
    static BackgroundTask runWithoutResult(Work work);

    // No delivery happens after this returns (the work may still be running; it
    // sees the token cancelled).
    void cancel() const { m_flag->store(true, std::memory_order_release); }
    bool isCancelled() const { return m_flag->load(std::memory_order_acquire); }

private:
    BackgroundTask() : m_flag(std::make_shared<std::atomic<bool>>(false)) {}
    static void logFailure(const char *what) noexcept;
    // What the work's exceptions are reported as (platform::ExceptionBoundary).
    static constexpr const char *WorkEntry = "the work of a background task";
    // Runs the work; the text of what it threw goes to *failure (reported too).
    template <typename Call>
    static void runGuarded(Call &call, QString *failure);

    std::shared_ptr<std::atomic<bool>> m_flag;
};

template <typename Call>
void BackgroundTask::runGuarded(Call &call, QString *failure)
{
    try {
        call();
        return;
    } catch (const std::exception &error) {
        ExceptionBoundary::caught(nullptr, WorkEntry);
        if (failure)
            *failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        ExceptionBoundary::caught(nullptr, WorkEntry);
        if (failure)
            *failure = QStringLiteral("unknown exception");
    }
    // A failure without words still counts as one.
    if (failure && failure->isEmpty())
        *failure = QStringLiteral("unknown exception");
}

template <typename Work, typename Deliver, typename Fail>
BackgroundTask BackgroundTask::run(QObject *receiver, Work work, Deliver deliver, Fail fail)
{
    using Result = std::invoke_result_t<Work &, const Token &>;
    static_assert(!std::is_void_v<Result>, "the work answers the value the delivery takes");
    static_assert(std::is_invocable_v<Fail &, const QString &>, "the failure takes the reason");
    BackgroundTask task;
    Token token(task.m_flag);
    QPointer<QObject> guard(receiver);
    // Hands the outcome to the GUI thread (called once, from the pool thread, or from
    // the caller when no thread takes the work).
    auto answer = [token, guard, deliver = std::move(deliver), fail = std::move(fail)](
                      std::optional<Result> result, QString failure) mutable {
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return;
        // The application object lives on the GUI thread as long as there is one (it
        // waits for the pool before it goes); the receiver is looked at only there.
        QMetaObject::invokeMethod(
            application,
            ThreadHandOff([token, guard, deliver = std::move(deliver), fail = std::move(fail),
                           value = std::move(result), failure = std::move(failure)]() mutable {
                // Entered from Qt's queue: the calls' exceptions stop here.
                ExceptionBoundary::guard(guard.data(), "a background task's delivery", [&] {
                    if (!guard || token.isCancelled())
                        return;
                    if (value)
                        deliver(std::move(*value));
                    else
                        fail(failure);
                });
            }),
            Qt::QueuedConnection);
    };
    // A pool without threads would drop the work without a word: the task fails, in a
    // later pass, as when its work fails.
    if (PoolThreads::prepare() == 0) {
        answer(std::nullopt, PoolThreads::unavailableReason());
        return task;
    }
    QThreadPool::globalInstance()->start(ThreadHandOff([token, work = std::move(work), answer = std::move(answer)]() mutable {
        // The work's own failure is caught and answered; what is left to fail here is
        // handing the answer over (memory ran out), which only the log can tell.
        try {
            if (token.isCancelled())
                return;
            std::optional<Result> result;
            QString failure;
            auto call = [&] { result.emplace(work(token)); };
            runGuarded(call, &failure);
            answer(std::move(result), std::move(failure));
        } catch (...) {
            ExceptionBoundary::caught(nullptr, "the hand-over of a background task's answer");
        }
    }));
    return task;
}

template <typename Work>
BackgroundTask BackgroundTask::runWithoutResult(Work work)
{
    static_assert(std::is_invocable_v<Work &, const Token &>, "the work takes the task's token");
    BackgroundTask task;
    Token token(task.m_flag);
    if (PoolThreads::prepare() == 0) {
        logFailure("the system refused to make a thread for it");
        return task;
    }
    QThreadPool::globalInstance()->start(ThreadHandOff([token, work = std::move(work)]() mutable {
        // runGuarded() catches the work's failures; what is left (memory ran out) is reported.
        try {
            if (token.isCancelled())
                return;
            auto call = [&] { work(token); };
            runGuarded(call, nullptr);
        } catch (...) {
            ExceptionBoundary::caught(nullptr, WorkEntry);
        }
    }));
    return task;
}

} // namespace platform
