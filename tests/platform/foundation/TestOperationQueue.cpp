#include "platform/foundation/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::OperationQueue;

TEST(OperationQueue, OneAtATimeRunsInOrderOffTheCallingThreadAndSurvivesAThrow)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> onCaller{false};
    const std::thread::id caller = std::this_thread::get_id();
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&, i](platform::Operation &) {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            if (std::this_thread::get_id() == caller)
                onCaller = true;
            order.push_back(i);
            running.fetch_sub(1);
            if (i == 5)
                throw std::runtime_error("bad operation");
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue.operationCount(), 0);
    ASSERT_EQ(order.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(order[std::size_t(i)], i);
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(onCaller);
}

TEST(OperationQueue, CancelDropsWhatHasNotStartedAndDestructionWaitsForTheRunningOne)
{
    std::atomic<int> ran{0};
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto queue = std::make_unique<OperationQueue>();
    queue->setMaxConcurrentOperationCount(1);
    queue->addOperation([&](platform::Operation &) {
        started.set_value();
        released.wait();
        ++ran;
    });
    for (int i = 0; i < 5; ++i)
        queue->addOperation([&](platform::Operation &) { ++ran; });
    started.get_future().wait();
    queue->cancelAllOperations();
    release.set_value();
    queue.reset();
    EXPECT_EQ(ran.load(), 1);
}
