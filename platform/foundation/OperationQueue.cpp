#include "platform/foundation/OperationQueue.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/PoolThreads.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>
#include <QtDebug>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

namespace platform {

struct OperationQueue::State
{
    // The standard library's locks and condition (not Qt's, whose library is not built
    // with ThreadSanitizer), so that ThreadSanitizer sees them taken and given up.
    std::mutex mutex; // guards the scheduling and the record of operations:
    std::deque<OperationPtr> waiting;
    std::vector<std::weak_ptr<Operation>> operations;
    int running = 0;
    int maxConcurrent = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    std::condition_variable idle; // signalled when the count reaches 0

    std::atomic<qsizetype> count{0};
    std::mutex notifyMutex; // serialises notifications and observer changes; guards:
    OperationQueue *queue = nullptr; // null once the queue is gone
    qsizetype lastNotifiedCount = 0;
};

QObject *Operation::deliveryContext()
{
    return QCoreApplication::instance();
}

OperationQueue::OperationQueue() : m_state(std::make_shared<State>())
{
    m_state->queue = this;
}

OperationQueue::~OperationQueue()
{
    cancelAllOperations();
    {
        std::lock_guard lock(m_state->mutex);
        // Waiting operations never run; they leave the count with the queue.
        m_state->count -= qsizetype(m_state->waiting.size());
        m_state->waiting.clear();
        if (m_state->count.load() == 0)
            m_state->idle.notify_all();
    }
    // After this, running operations tell no one: an observer being told now is
    // waited for here (the notification lock), and no later one starts.
    std::lock_guard lock(m_state->notifyMutex);
    m_state->queue = nullptr;
}

const KeyTable &OperationQueue::keyTable() const
{
    static const KeyTable table = {
        {OperationCountKey,
         {[](const KeyValueObservable &o) {
              return QVariant::fromValue(static_cast<const OperationQueue &>(o).operationCount());
          },
          {}}},
    };
    return table;
}

qsizetype OperationQueue::operationCount() const
{
    return m_state->count.load();
}

OperationPtr OperationQueue::addOperation(Operation::Block block)
{
    auto operation = std::make_shared<Operation>(std::move(block));
    qsizetype count = 0;
    {
        std::lock_guard lock(m_state->mutex);
        std::erase_if(m_state->operations, [](const std::weak_ptr<Operation> &op) { return op.expired(); });
        m_state->operations.push_back(operation);
        m_state->waiting.push_back(operation);
        count = ++m_state->count;
    }
    countChanged(*m_state, count);
    schedule(m_state);
    return operation;
}

void OperationQueue::schedule(const std::shared_ptr<State> &state)
{
    // A pool the system gave no thread would drop the operations without a word: they
    // finish here, cancelled, without running their blocks.
    const bool threads = PoolThreads::prepare() > 0;
    std::vector<OperationPtr> unrun;
    {
        std::lock_guard lock(state->mutex);
        while (state->running < state->maxConcurrent && !state->waiting.empty()) {
            OperationPtr next = std::move(state->waiting.front());
            state->waiting.pop_front();
            ++state->running;
            if (!threads) {
                next->cancel();
                unrun.push_back(std::move(next));
                continue;
            }
            QThreadPool::globalInstance()->start(ThreadHandOff([state, next] {
                try {
                    run(state, next);
                } catch (...) {
                    // Only the queue's own bookkeeping gets here: the operation's block
                    // and the observers of the count are caught inside.
                    ExceptionBoundary::caught(nullptr, "the bookkeeping of an operation queue");
                }
            }));
        }
    }
    if (!unrun.empty())
        qWarning("OperationQueue: no thread to run %d operations: they finish without running", int(unrun.size()));
    for (const OperationPtr &operation : unrun)
        run(state, operation);
}

void OperationQueue::run(const std::shared_ptr<State> &state, const OperationPtr &operation)
{
    if (!operation->isCancelled()) {
        try {
            operation->m_block(*operation);
        } catch (...) {
            ExceptionBoundary::caught(nullptr, "an operation of an operation queue");
        }
    }
    operation->m_block = nullptr;
    operation->m_finished.store(true);
    qsizetype count = 0;
    {
        std::lock_guard lock(state->mutex);
        --state->running;
        count = --state->count;
        if (count == 0)
            state->idle.notify_all();
    }
    countChanged(*state, count);
    schedule(state);
}

void OperationQueue::cancelAllOperations()
{
    std::lock_guard lock(m_state->mutex);
    for (const std::weak_ptr<Operation> &weak : m_state->operations) {
        if (OperationPtr operation = weak.lock())
            operation->cancel();
    }
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->maxConcurrent = std::max(1, count);
    }
    schedule(m_state);
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(m_state->mutex);
    m_state->idle.wait(lock, [&] { return m_state->count.load() == 0; });
}

ObservationToken OperationQueue::observeOperationCount(std::function<void(qsizetype count)> observer)
{
    std::lock_guard lock(m_state->notifyMutex);
    State *state = m_state.get();
    return addObserver(OperationCountKey,
                       [state, observer = std::move(observer)](KeyValueObservable &, const QString &, bool prior) {
                           if (!prior)
                               observer(state->lastNotifiedCount); // read under notifyMutex
                       });
}

void OperationQueue::stopObserving(ObservationToken token)
{
    std::lock_guard lock(m_state->notifyMutex);
    removeObserver(token);
}

void OperationQueue::countChanged(State &state, qsizetype count)
{
    std::lock_guard lock(state.notifyMutex);
    if (!state.queue)
        return;
    state.lastNotifiedCount = count;
    // An observer's failure is its own: the queue goes on with what waits, whichever
    // thread changed the count.
    try {
        state.queue->didChangeValueForKey(OperationCountKey);
    } catch (...) {
        ExceptionBoundary::caught(nullptr, "an observer of an operation queue's count");
    }
}

} // namespace platform
