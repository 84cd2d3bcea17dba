#include "platform/foundation/OperationQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <QtDebug>
#include <exception>

namespace platform {

OperationQueue::OperationQueue() = default;

OperationQueue::~OperationQueue()
{
    cancelAllOperations();
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        while (!m_pool.waitForDone(5))
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    } else {
        m_pool.waitForDone();
    }
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

OperationPtr OperationQueue::addOperation(Operation::Block block)
{
    auto operation = std::make_shared<Operation>(std::move(block));
    {
        QMutexLocker lock(&m_operationsMutex);
        std::erase_if(m_operations, [](const std::weak_ptr<Operation> &op) { return op.expired(); });
        m_operations.push_back(operation);
    }
    countChanged(++m_count);
    m_pool.start([this, operation] { run(operation); });
    return operation;
}

void OperationQueue::run(const OperationPtr &operation)
{
    if (!operation->isCancelled()) {
        try {
            operation->m_block(*operation);
        } catch (const std::exception &e) {
            qWarning("OperationQueue: an operation raised: %s", e.what());
        } catch (...) {
            qWarning("OperationQueue: an operation raised an unknown exception");
        }
    }
    operation->m_block = nullptr;
    operation->m_finished.store(true);
    countChanged(--m_count);
}

void OperationQueue::cancelAllOperations()
{
    QMutexLocker lock(&m_operationsMutex);
    for (const std::weak_ptr<Operation> &weak : m_operations) {
        if (OperationPtr operation = weak.lock())
            operation->cancel();
    }
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    m_pool.setMaxThreadCount(std::max(1, count));
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    m_pool.waitForDone();
}

ObservationToken OperationQueue::observeOperationCount(std::function<void(qsizetype count)> observer)
{
    QMutexLocker lock(&m_notifyMutex);
    return addObserver(OperationCountKey,
                       [this, observer = std::move(observer)](KeyValueObservable &, const QString &, bool prior) {
                           if (!prior)
                               observer(m_lastNotifiedCount); // read under m_notifyMutex
                       });
}

void OperationQueue::stopObserving(ObservationToken token)
{
    QMutexLocker lock(&m_notifyMutex);
    removeObserver(token);
}

void OperationQueue::countChanged(qsizetype count)
{
    QMutexLocker lock(&m_notifyMutex);
    m_lastNotifiedCount = count;
    didChangeValueForKey(OperationCountKey);
}

} // namespace platform
