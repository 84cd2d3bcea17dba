// The global pool's threads are made once and kept: once the system refuses to make
// threads, every task, queue operation and hand-off still runs on them and answers;
// in a process that has none, a task fails through its completion with the pool's
// reason, work without a result is dropped, and a queue finishes its operations
// without running them, so that nothing waits for good. In children of death tests,
// whose thread creation a system-call filter refuses.
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/PoolThreads.h"
#include "tests/support/SystemCallFilter.h"

#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include <unistd.h>

// Not under ThreadSanitizer, whose run-time library starts a thread of its own, which the
// filter would refuse.
#ifndef CHRONARK_THREAD_SANITIZER
namespace {

// What went wrong in a child, on its standard error; the count is its exit status.
struct Failures
{
    int count = 0;
    void expect(bool ok, const char *what, int step = -1)
    {
        if (!ok) {
            std::fprintf(stderr, "%s (step %d)\n", what, step);
            ++count;
        }
    }
};

// The answers of a task: how many deliveries and failures, and the failure's reason.
struct Answers
{
    int delivered = 0;
    int failed = 0;
    QString reason;
    int total() const { return delivered + failed; }
};

platform::BackgroundTask runTask(QObject *receiver, const std::shared_ptr<Answers> &answers, int value)
{
    return platform::BackgroundTask::run(
        receiver, [value](const platform::BackgroundTask::Token &) { return value; },
        [answers, value](int result) { answers->delivered += result == value ? 1 : 1000; },
        [answers](const QString &reason) {
            ++answers->failed;
            answers->reason = reason;
        });
}

// A seeded run of tasks, work without a result and queue operations, with the thread
// creation refused from the start; after every step, every task asked so far has
// answered once (or was cancelled), and the queue runs its operations to the end.
int runAfterThreadsAreRefused()
{
    Failures failures;
    // A hang is a failure of its own: the child ends at the alarm.
    alarm(120);
    const int threads = platform::PoolThreads::prepare();
    failures.expect(threads > 0, "no thread was made before the refusal");
    if (!testsupport::filterSystemCalls(testsupport::threadCreationRefused()))
        return 100;
    QObject receiver;
    platform::OperationQueue queue;
    std::atomic<int> ran{0};
    std::atomic<int> withoutResult{0};
    int added = 0;
    int withoutResultAsked = 0;
    std::mt19937 random(20261209);
    for (int step = 0; step < 200; ++step) {
        switch (random() % 4) {
        case 0: {
            auto answers = std::make_shared<Answers>();
            runTask(&receiver, answers, step);
            failures.expect(QTest::qWaitFor([&] { return answers->total() > 0; }, 20000), "a task did not answer", step);
            failures.expect(answers->delivered == 1 && answers->failed == 0, "a task answered otherwise", step);
            break;
        }
        case 1: {
            auto answers = std::make_shared<Answers>();
            runTask(&receiver, answers, step).cancel();
            QCoreApplication::processEvents();
            failures.expect(answers->total() == 0, "a cancelled task answered", step);
            break;
        }
        case 2:
            ++withoutResultAsked;
            platform::BackgroundTask::runWithoutResult([&](const platform::BackgroundTask::Token &) { ++withoutResult; });
            break;
        default:
            for (int i = 0; i < 1 + int(random() % 20); ++i, ++added)
                queue.addOperation([&](platform::Operation &) { ++ran; });
            break;
        }
        // Every operation added runs, and the pool's size stays the one made.
        queue.waitUntilAllOperationsAreFinished();
        failures.expect(ran == added && queue.operationCount() == 0, "the queue did not run its operations", step);
        failures.expect(QThreadPool::globalInstance()->maxThreadCount() == threads, "the pool's size changed", step);
    }
    failures.expect(QTest::qWaitFor([&] { return withoutResult == withoutResultAsked; }, 20000),
                    "work without a result did not run");
    return failures.count;
}

// With thread creation refused before the pool made any: tasks fail through their
// completion, in a later pass; work without a result and queued operations never run,
// and the queue finishes them.
int runWithoutAnyThread()
{
    Failures failures;
    alarm(120);
    if (!testsupport::filterSystemCalls(testsupport::threadCreationRefused()))
        return 100;
    failures.expect(platform::PoolThreads::prepare() == 0, "the pool has threads");
    failures.expect(platform::PoolThreads::count() == 0, "the pool counts threads");
    QObject receiver;
    for (int round = 0; round < 3; ++round) {
        auto answers = std::make_shared<Answers>();
        const platform::BackgroundTask task = runTask(&receiver, answers, round);
        failures.expect(answers->total() == 0, "a task answered from inside run()", round);
        failures.expect(QTest::qWaitFor([&] { return answers->total() > 0; }, 20000), "a task did not answer", round);
        failures.expect(answers->failed == 1 && answers->delivered == 0, "a task without a thread did not fail", round);
        failures.expect(answers->reason == platform::PoolThreads::unavailableReason(), "the failure has another reason",
                        round);
    }
    std::atomic<bool> ranWithoutResult{false};
    platform::BackgroundTask::runWithoutResult([&](const platform::BackgroundTask::Token &) { ranWithoutResult = true; });
    platform::OperationQueue queue;
    std::atomic<int> ran{0};
    std::vector<platform::OperationPtr> operations;
    for (int i = 0; i < 5; ++i)
        operations.push_back(queue.addOperation([&](platform::Operation &) { ++ran; }));
    queue.waitUntilAllOperationsAreFinished();
    failures.expect(queue.operationCount() == 0, "the queue kept operations");
    for (const platform::OperationPtr &operation : operations)
        failures.expect(operation->isFinished() && operation->isCancelled(), "an operation did not finish cancelled");
    QCoreApplication::processEvents();
    failures.expect(ran == 0 && !ranWithoutResult, "work ran without a thread");
    return failures.count;
}

// The pool keeps one thread per processor, and never more than four however many the
// machine has: each costs 64 MiB of address space counted against the process's limit.
int runWithProcessors(int processors)
{
    Failures failures;
    alarm(120);
    QThreadPool::globalInstance()->setMaxThreadCount(processors);
    const int expected = std::min(processors, 4);
    failures.expect(platform::PoolThreads::prepare() == expected, "prepare() answered another count");
    failures.expect(platform::PoolThreads::count() == expected, "the pool counts another number of threads");
    failures.expect(QThreadPool::globalInstance()->maxThreadCount() == expected, "the pool's size is another");
    // Work for many more threads runs on those kept.
    std::atomic<int> ran{0};
    platform::OperationQueue queue;
    for (int i = 0; i < 64; ++i)
        queue.addOperation([&](platform::Operation &) { ++ran; });
    queue.waitUntilAllOperationsAreFinished();
    failures.expect(ran == 64, "the queue did not run its operations");
    failures.expect(QThreadPool::globalInstance()->maxThreadCount() == expected, "the pool grew");
    return failures.count;
}

} // namespace

TEST(PoolThreads, OneThreadPerProcessorAndNeverMoreThanFour)
{
    // The child's test main leaves the pool as it is, for the child to size it first.
    qputenv("CHRONARK_TEST_POOL_UNPREPARED", "1");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int processors : {1, 3, 4, 5, 16, 64})
        EXPECT_EXIT(std::exit(runWithProcessors(processors)), testing::ExitedWithCode(0), "") << processors << " processors";
    qunsetenv("CHRONARK_TEST_POOL_UNPREPARED");
}

TEST(PoolThreads, WorkHandedToThePoolAfterThreadsAreRefusedRunsOnTheThreadsKept)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(runAfterThreadsAreRefused()), testing::ExitedWithCode(0), "");
}

TEST(PoolThreads, WithoutAnyThreadTasksFailThroughTheirCompletionAndQueuesFinish)
{
    // The child's test main leaves the pool as it is, without threads.
    qputenv("CHRONARK_TEST_POOL_UNPREPARED", "1");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(runWithoutAnyThread()), testing::ExitedWithCode(0), "");
    qunsetenv("CHRONARK_TEST_POOL_UNPREPARED");
}
#endif
