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
// The operations run on the global thread pool, at most
// setMaxConcurrentOperationCount() of them at a time (the pool's size unless set).
// Cancelling marks every waiting and running operation cancelled; a cancelled
// operation that has not started finishes without running its block. So does every
// operation when the system gave the pool no thread (platform::PoolThreads): it is
// cancelled and finishes on the thread that added it.
// Destroying the queue never waits and never pumps events: it cancels its waiting
// operations (they never run) and detaches the running ones. Those run on against
// the queue's shared state, which outlives it, with isCancelled() true; they tell
// no observer (the queue's observers are gone with it), and a result they hand
// back is dropped: a block hands results to the GUI thread through deliver(),
// which calls only while the receiver lives and the operation is not cancelled.
// So a block must not hold on to the queue's owner except through deliver(); what
// it shares with the owner it holds by shared_ptr.
// Exceptions leaving a block are caught and reported (platform::ExceptionBoundary::report,
// as at every boundary); the operation counts as finished.
// The hand-offs through Qt (an operation to the pool, a result to the GUI thread) go
// through platform::ThreadHandOff, so ThreadSanitizer sees them.
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {

class Operation : public std::enable_shared_from_this<Operation>
{
public:
    using Block = std::function<void(Operation &)>;
    explicit Operation(Block block) : m_block(std::move(block)) {}

    bool isCancelled() const { return m_cancelled.load(); }
    void cancel() { m_cancelled.store(true); }
    bool isFinished() const { return m_finished.load(); }

    // From the block: runs `call` on the receiver's (the GUI) thread in a later pass,
    // only if the receiver still exists and the operation is not cancelled by then
    // (a cancelled queue or a destroyed one drops it). The receiver pointer is
    // looked at only on its own thread; the guard must be made there (a QPointer
    // taken when the operation was added).
    template <typename Call>
    void deliver(const QPointer<QObject> &receiver, Call call) const;

private:
    friend class OperationQueue;
    static QObject *deliveryContext();
    Block m_block;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
};

using OperationPtr = std::shared_ptr<Operation>;

template <typename Call>
void Operation::deliver(const QPointer<QObject> &receiver, Call call) const
{
    QObject *context = deliveryContext();
    if (!context || isCancelled())
        return;
    // The queued call keeps the operation record, and so its flag.
    QMetaObject::invokeMethod(
        context,
        ThreadHandOff([receiver, call = std::move(call), self = shared_from_this()]() mutable {
            // Entered from Qt's queue: the call's exceptions stop here.
            ExceptionBoundary::guard(receiver.data(), "an operation's delivery", [&] {
                if (receiver && !self->isCancelled())
                    call();
            });
        }),
        Qt::QueuedConnection);
}

class OperationQueue : public KeyValueObservable
{
public:
    static inline const QString OperationCountKey = QStringLiteral("operationCount");

    OperationQueue();
    ~OperationQueue() override;

    OperationPtr addOperation(Operation::Block block);
    qsizetype operationCount() const;
    void cancelAllOperations();
    void setMaxConcurrentOperationCount(int count);
    // Waits (blocking) until no operation is left; tests, benchmarks and tools only
    // (the GUI thread never waits: the check of tools/check-blocking is about it).
    void waitUntilAllOperationsAreFinished();

    // Observation of "operationCount" under the notification lock; the observer gets
    // the count as it was when the change was made. What an observer raises is reported
    // and goes no further: the queue runs on.
    ObservationToken observeOperationCount(std::function<void(qsizetype count)> observer);
    void stopObserving(ObservationToken token);

    QString className() const override { return QStringLiteral("OperationQueue"); }

protected:
    const KeyTable &keyTable() const override;

private:
    struct State;
    static void schedule(const std::shared_ptr<State> &state);
    static void run(const std::shared_ptr<State> &state, const OperationPtr &operation);
    static void countChanged(State &state, qsizetype count);

    // Shared with the running operations; outlives the queue while they run.
    std::shared_ptr<State> m_state;
};

} // namespace platform
