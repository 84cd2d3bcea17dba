#pragma once
// A queue of operations run on threads of its own pool. Each operation is a block
// that gets its Operation record and can ask it whether it was cancelled.
//
// "operationCount" (operations added and not yet finished) is a key-value observable
// key. Its observers are told of every change on the thread that made it: the
// adding thread, or the pool thread whose operation finished. Notifications are
// serialised; register observers before adding operations and remove them when
// the count is 0 (observeOperationCount()/stopObserving() take the same lock).
//
// Cancelling marks every waiting and running operation cancelled; a cancelled
// operation that has not started finishes without running its block.
// Destroying the queue cancels it and waits for the running operations; on the
// application's main thread it meanwhile delivers the calls queued to that thread,
// so an observer that waits for the main thread never dead-locks the two.
// Exceptions leaving a block are caught and logged; the operation counts as finished.
#include "platform/foundation/KeyValueObserving.h"

#include <QMutex>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

class Operation
{
public:
    using Block = std::function<void(Operation &)>;
    explicit Operation(Block block) : m_block(std::move(block)) {}

    bool isCancelled() const { return m_cancelled.load(); }
    void cancel() { m_cancelled.store(true); }
    bool isFinished() const { return m_finished.load(); }

private:
    friend class OperationQueue;
    Block m_block;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
};

using OperationPtr = std::shared_ptr<Operation>;

class OperationQueue : public KeyValueObservable
{
public:
    static inline const QString OperationCountKey = QStringLiteral("operationCount");

    OperationQueue();
    ~OperationQueue() override;

    OperationPtr addOperation(Operation::Block block);
    qsizetype operationCount() const { return m_count.load(); }
    void cancelAllOperations();
    void setMaxConcurrentOperationCount(int count);
    // Waits (blocking) until no operation is left; tests and tools only.
    void waitUntilAllOperationsAreFinished();

    // Observation of "operationCount" under the notification lock; the observer gets
    // the count as it was when the change was made.
    ObservationToken observeOperationCount(std::function<void(qsizetype count)> observer);
    void stopObserving(ObservationToken token);

    QString className() const override { return QStringLiteral("OperationQueue"); }

protected:
    const KeyTable &keyTable() const override;

private:
    void run(const OperationPtr &operation);
    void countChanged(qsizetype count);

    QThreadPool m_pool;
    std::atomic<qsizetype> m_count{0};
    QMutex m_operationsMutex; // guards m_operations
    std::vector<std::weak_ptr<Operation>> m_operations;
    QMutex m_notifyMutex; // serialises notifications and observer changes; guards:
    qsizetype m_lastNotifiedCount = 0;
};

} // namespace platform
