#include "tests/support/ExceptionLog.h"
#include "tests/support/TestSupport.h"
#include "platform/foundation/OperationQueue.h"

#include <QSet>
#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::OperationQueue;

TEST(OperationQueue, OneAtATimeRunsInOrderOffTheCallingThreadAndSurvivesAThrow)
{
    const testsupport::ExceptionLog log;
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
    // The throw is reported, once, as at every exception boundary.
    ASSERT_EQ(log.messages().size(), 1);
    EXPECT_TRUE(log.messages().first().contains(QLatin1String("bad operation")));
}

// An observer of the count that raises (it is told on the thread that changed the
// count, a pool thread too) is reported; the queue runs what waits and empties.
TEST(OperationQueue, AnObserverThatRaisesDoesNotStopTheQueue)
{
    const testsupport::ExceptionLog log;
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::atomic<int> told{0};
    queue.observeOperationCount([&](qsizetype) {
        ++told;
        throw std::runtime_error("a bad observer");
    });
    std::atomic<int> ran{0};
    for (int i = 0; i < 8; ++i)
        queue.addOperation([&](platform::Operation &) { ++ran; });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 8);
    EXPECT_EQ(queue.operationCount(), 0);
    EXPECT_GE(told.load(), 8);
    // The last observer may still be reporting on its thread when the queue is empty.
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.messages().size() == told.load(); }, 20000));
    const QStringList reports = log.messages();
    EXPECT_EQ(reports.size(), told.load());
    for (const QString &report : reports)
        EXPECT_TRUE(report.contains(QLatin1String("a bad observer"))) << report.toStdString();
}

TEST(OperationQueue, CancelDropsWhatHasNotStarted)
{
    std::atomic<int> ran{0};
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.addOperation([&](platform::Operation &) {
        started.set_value();
        released.wait();
        ++ran;
    });
    for (int i = 0; i < 5; ++i)
        queue.addOperation([&](platform::Operation &) { ++ran; });
    started.get_future().wait();
    queue.cancelAllOperations();
    release.set_value();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(queue.operationCount(), 0);
}

// Destroying the queue never waits: what waits never runs, what runs is detached
// (it sees itself cancelled), tells no observer of the gone queue, and a result it
// hands back is dropped. No event is delivered by the destructor.
TEST(OperationQueue, DestructionDetachesTheRunningOperationAndDropsItsResult)
{
    std::atomic<int> ran{0};
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto finished = std::make_shared<std::promise<bool>>();
    std::future<bool> sawCancelled = finished->get_future();
    auto queue = std::make_unique<OperationQueue>();
    queue->setMaxConcurrentOperationCount(1);
    std::atomic<int> notifications{0};
    queue->observeOperationCount([&](qsizetype) { ++notifications; });
    QObject receiver;
    QPointer<QObject> guard(&receiver);
    bool delivered = false;
    queue->addOperation([&, finished, guard](platform::Operation &self) {
        started.set_value();
        released.wait();
        ++ran;
        self.deliver(guard, [&delivered] { delivered = true; });
        finished->set_value(self.isCancelled());
    });
    for (int i = 0; i < 5; ++i)
        queue->addOperation([&](platform::Operation &) { ++ran; });
    started.get_future().wait();

    bool postedRan = false;
    QMetaObject::invokeMethod(&receiver, [&postedRan] { postedRan = true; }, Qt::QueuedConnection);
    const int notifiedBefore = notifications.load();
    queue.reset(); // returns while the operation still runs
    EXPECT_FALSE(postedRan) << "the destructor pumped events";
    release.set_value();
    EXPECT_TRUE(sawCancelled.get());
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_TRUE(QTest::qWaitFor([&] { return postedRan; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(notifications.load(), notifiedBefore);
}

// Results come back to the GUI thread while the queue and the receiver live; a
// receiver gone by then gets nothing. A seeded mix of adds, cancels and limits keeps
// the count within what was added after every step, and ends with every operation
// finished and every result of a living receiver delivered.
TEST(OperationQueue, DeliveriesAndTheCountFollowTheOperations)
{
    OperationQueue queue;
    auto receiver = std::make_unique<QObject>();
    QPointer<QObject> guard(receiver.get());
    // Which operations ran their block: one cancelled while it ran (or before its
    // result came back) delivers nothing, so only those that ran and stayed wanted count.
    std::mutex ranLock; // the standard library's, which ThreadSanitizer sees
    QSet<const platform::Operation *> ran;
    int delivered = 0;
    std::mt19937 random(55);
    std::vector<platform::OperationPtr> added;
    for (int step = 0; step < 200; ++step) {
        switch (random() % 4) {
        case 0:
        case 1:
            added.push_back(queue.addOperation([&, guard](platform::Operation &self) {
                {
                    std::lock_guard lock(ranLock);
                    ran.insert(&self);
                }
                self.deliver(guard, [&delivered] { ++delivered; });
            }));
            break;
        case 2:
            if (!added.empty())
                added[random() % added.size()]->cancel();
            break;
        case 3:
            queue.setMaxConcurrentOperationCount(int(random() % 4) + 1);
            break;
        }
        EXPECT_GE(queue.operationCount(), 0);
        EXPECT_LE(queue.operationCount(), qsizetype(added.size()));
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue.operationCount(), 0);
    for (const auto &op : added)
        EXPECT_TRUE(op->isFinished());
    const int wanted = int(std::count_if(added.begin(), added.end(), [&](const platform::OperationPtr &op) {
        return ran.contains(op.get()) && !op->isCancelled();
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered == wanted; })) << delivered << " of " << wanted;
    testsupport::settleEvents();
    EXPECT_EQ(delivered, wanted);

    // The receiver gone: the results are dropped.
    queue.addOperation([&, guard](platform::Operation &self) { self.deliver(guard, [&delivered] { ++delivered; }); });
    queue.waitUntilAllOperationsAreFinished();
    const int before = delivered;
    receiver.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(delivered, before);
}
