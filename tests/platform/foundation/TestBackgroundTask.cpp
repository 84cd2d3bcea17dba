// Work off the GUI thread: the result comes back on the GUI thread, and not at all
// when the receiver went or the task was cancelled; a throwing task ends quietly.
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/GuiThread.h"

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
};

} // namespace

TEST(BackgroundTask, DeliversOnTheGuiThreadOnlyToALiveUncancelledReceiver)
{
    enum class Ending { Delivered, ReceiverGone, Cancelled, Thrown };
    for (const Ending ending : {Ending::Delivered, Ending::ReceiverGone, Ending::Cancelled, Ending::Thrown}) {
        SCOPED_TRACE(int(ending));
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
                if (ending == Ending::Thrown)
                    throw std::runtime_error("broken input");
                return std::make_unique<int>(42); // move-only results travel too
            },
            [delivery](std::unique_ptr<int> value) {
                delivery->value = *value;
                delivery->onGuiThread = platform::GuiThread::isCurrent();
                ++delivery->count;
            });
        started.acquire();
        if (ending == Ending::ReceiverGone)
            receiver.reset();
        if (ending == Ending::Cancelled)
            task.cancel();
        release.release();
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
        QCoreApplication::processEvents();
        EXPECT_TRUE(workerOffGuiThread);
        EXPECT_EQ(sawCancel, ending == Ending::Cancelled);
        if (ending == Ending::Delivered) {
            EXPECT_EQ(delivery->count, 1);
            EXPECT_EQ(delivery->value, 42);
            EXPECT_TRUE(delivery->onGuiThread);
        } else {
            EXPECT_EQ(delivery->count, 0);
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

    // A failure ends the work quietly, and the pool goes on.
    std::atomic<int> after{0};
    platform::BackgroundTask::runWithoutResult([](const platform::BackgroundTask::Token &) -> void {
        throw std::runtime_error("broken cache");
    });
    platform::BackgroundTask::runWithoutResult([&](const platform::BackgroundTask::Token &) { ++after; });
    ASSERT_TRUE(pool->waitForDone(5000));
    EXPECT_EQ(after.load(), 1);
}
