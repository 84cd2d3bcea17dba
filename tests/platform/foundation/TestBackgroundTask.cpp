// Work off the GUI thread: the result comes back on the GUI thread, and not at all
// when the receiver went or the task was cancelled; a throwing task ends quietly.
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/GuiThread.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
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
