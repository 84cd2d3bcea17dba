// Work off the GUI thread: the result, or the failure of work that threw, comes back
// on the GUI thread exactly once, and not at all when the receiver went or the task
// was cancelled; work without a result that throws ends quietly. What the work throws
// is reported as at every exception boundary, once.
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/GuiThread.h"
#include "tests/support/ExceptionLog.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>

namespace {

struct Delivery
{
    int value = 0;
    bool onGuiThread = false;
    int count = 0;
    QString failure;
    int failures = 0;
};

} // namespace

TEST(BackgroundTask, DeliversTheResultOrTheFailureOnTheGuiThreadOnlyToALiveUncancelledReceiver)
{
    enum class Ending { Delivered, ReceiverGone, Cancelled, Thrown, ThrownUnknown, ThrownThenGone };
    for (const Ending ending : {Ending::Delivered, Ending::ReceiverGone, Ending::Cancelled, Ending::Thrown,
                                Ending::ThrownUnknown, Ending::ThrownThenGone}) {
        SCOPED_TRACE(int(ending));
        const testsupport::ExceptionLog log;
        auto receiver = std::make_unique<QObject>();
        auto delivery = std::make_shared<Delivery>();
        QSemaphore started, release;
        std::atomic<bool> workerOffGuiThread{false}, sawCancel{false};
        const platform::BackgroundTask task = platform::BackgroundTask::run(
            receiver.get(),
            [&, ending](const platform::BackgroundTask::Token &token) {
                workerOffGuiThread = !platform::GuiThread::isCurrent();
                started.release();
                release.acquire();
                sawCancel = token.isCancelled();
                if (ending == Ending::Thrown || ending == Ending::ThrownThenGone)
                    throw std::runtime_error("broken input");
                if (ending == Ending::ThrownUnknown)
                    throw 7;
                return std::make_unique<int>(42); // move-only results travel too
            },
            [delivery](std::unique_ptr<int> value) {
                delivery->value = *value;
                delivery->onGuiThread = platform::GuiThread::isCurrent();
                ++delivery->count;
            },
            [delivery](const QString &reason) {
                delivery->failure = reason;
                delivery->onGuiThread = platform::GuiThread::isCurrent();
                ++delivery->failures;
            });
        started.acquire();
        if (ending == Ending::ReceiverGone || ending == Ending::ThrownThenGone)
            receiver.reset();
        if (ending == Ending::Cancelled)
            task.cancel();
        release.release();
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
        QCoreApplication::processEvents();
        EXPECT_TRUE(workerOffGuiThread);
        EXPECT_EQ(sawCancel, ending == Ending::Cancelled);
        // Exactly one of the two calls, and only for a live, uncancelled receiver.
        const bool delivered = ending == Ending::Delivered;
        const bool failed = ending == Ending::Thrown || ending == Ending::ThrownUnknown;
        EXPECT_EQ(delivery->count, delivered ? 1 : 0);
        EXPECT_EQ(delivery->failures, failed ? 1 : 0);
        if (delivered) {
            EXPECT_EQ(delivery->value, 42);
        }
        if (ending == Ending::Thrown) {
            EXPECT_EQ(delivery->failure, QStringLiteral("broken input"));
        }
        if (ending == Ending::ThrownUnknown) {
            EXPECT_FALSE(delivery->failure.isEmpty());
        }
        if (delivered || failed) {
            EXPECT_TRUE(delivery->onGuiThread);
        }
        // The work's exception is reported once, whether its receiver still waits or not.
        const bool thrown = failed || ending == Ending::ThrownThenGone;
        const QStringList reports = log.messages();
        ASSERT_EQ(reports.size(), thrown ? 1 : 0);
        if (thrown) {
            EXPECT_TRUE(reports.first().contains(QLatin1String("the work of a background task")));
            EXPECT_TRUE(reports.first().contains(ending == Ending::ThrownUnknown ? QStringLiteral("unknown type")
                                                                                 : QStringLiteral("broken input")));
        }
    }
}

TEST(BackgroundTask, WorkWithoutAResultRunsOffTheCallingThreadUnlessCancelledFirst)
{
    // Called from the GUI thread and from another thread alike.
    for (const bool fromGuiThread : {true, false}) {
        SCOPED_TRACE(fromGuiThread);
        QSemaphore started, release;
        std::atomic<int> runs{0};
        std::atomic<bool> offCallingThread{false};
        std::atomic<bool> sawCancel{false};
        std::optional<platform::BackgroundTask> task;
        const auto start = [&] {
            const QThread *caller = QThread::currentThread();
            task = platform::BackgroundTask::runWithoutResult([&, caller](const platform::BackgroundTask::Token &token) {
                offCallingThread = QThread::currentThread() != caller;
                started.release();
                release.acquire();
                sawCancel = token.isCancelled();
                ++runs;
            });
        };
        if (fromGuiThread) {
            start();
        } else {
            std::unique_ptr<QThread> other(QThread::create(start));
            other->start();
            ASSERT_TRUE(other->wait(5000));
        }
        started.acquire();
        task->cancel(); // seen by the running work
        release.release();
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
        EXPECT_EQ(runs.load(), 1);
        EXPECT_TRUE(offCallingThread);
        EXPECT_TRUE(sawCancel);
    }

    // Cancelled before a pool thread takes it: it never runs. The pool is held busy
    // until the cancel.
    QThreadPool *pool = QThreadPool::globalInstance();
    QSemaphore busy, free;
    std::atomic<int> later{0};
    for (int i = 0; i < pool->maxThreadCount(); ++i)
        platform::BackgroundTask::runWithoutResult([&](const platform::BackgroundTask::Token &) {
            busy.release();
            free.acquire();
        });
    busy.acquire(pool->maxThreadCount());
    const platform::BackgroundTask waiting =
        platform::BackgroundTask::runWithoutResult([&](const platform::BackgroundTask::Token &) { ++later; });
    waiting.cancel();
    free.release(pool->maxThreadCount());
    ASSERT_TRUE(pool->waitForDone(5000));
    EXPECT_EQ(later.load(), 0);

    // A failure ends the work, reported, and the pool goes on.
    const testsupport::ExceptionLog log;
    std::atomic<int> after{0};
    platform::BackgroundTask::runWithoutResult([](const platform::BackgroundTask::Token &) -> void {
        throw std::runtime_error("broken cache");
    });
    platform::BackgroundTask::runWithoutResult([&](const platform::BackgroundTask::Token &) { ++after; });
    ASSERT_TRUE(pool->waitForDone(5000));
    EXPECT_EQ(after.load(), 1);
    ASSERT_EQ(log.messages().size(), 1);
    EXPECT_TRUE(log.messages().first().contains(QLatin1String("broken cache")));
}
