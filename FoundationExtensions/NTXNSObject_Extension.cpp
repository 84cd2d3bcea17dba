#include "FoundationExtensions/NTXNSObject_Extension.h"

#include "FoundationExtensions/NTXNSMutableArray_Extension.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QCoreApplication>
#include <QHash>
#include <QMetaProperty>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QVariantHash>
#include <QVariantMap>
#include <atomic>
#include <cmath>
#include <future>

using platform::Exception;
using platform::KeyValueObservable;

namespace NTXNSObject_Extension {

namespace {

const char *const PropagateValueName = "-[NSObject(NTXNSObject_Extension) propagateValue:forBinding:]";

bool isArray(const QVariant &value)
{
    const int id = value.metaType().id();
    return id == QMetaType::QVariantList || id == QMetaType::QStringList;
}

QObject *toQObject(const QVariant &value)
{
    if (value.metaType().flags() & QMetaType::PointerToQObject)
        return *static_cast<QObject *const *>(value.constData());
    return nullptr;
}

QString addressText(const void *pointer)
{
    return QStringLiteral("0x") + QString::number(quintptr(pointer), 16);
}

} // namespace

// ---- Key-value access ----

QString className(const QVariant &value)
{
    if (KeyValueObservable *object = KeyValueObservable::toObservable(value))
        return object->className();
    if (QObject *object = toQObject(value))
        return QString::fromLatin1(object->metaObject()->className());
    if (!value.isValid())
        return QStringLiteral("nil");
    return QString::fromLatin1(value.metaType().name());
}

QString description(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("(null)");
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QStringList parts;
        const QVariantList list = value.toList();
        for (const QVariant &element : list)
            parts.append(description(element));
        return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
    }
    default:
        break;
    }
    if (KeyValueObservable *object = KeyValueObservable::toObservable(value))
        return QStringLiteral("<") + object->className() + QStringLiteral(": ") + addressText(object) + QStringLiteral(">");
    if (value.metaType().flags() & QMetaType::PointerToQObject) {
        QObject *object = toQObject(value);
        if (!object)
            return QStringLiteral("(null)");
        return QStringLiteral("<") + QString::fromLatin1(object->metaObject()->className()) + QStringLiteral(": ") +
               addressText(object) + QStringLiteral(">");
    }
    if (value.canConvert<QString>())
        return value.toString();
    return QStringLiteral("<") + QString::fromLatin1(value.metaType().name()) + QStringLiteral(">");
}

QVariant valueForKey(const QVariant &object, const QString &key)
{
    if (!object.isValid())
        return QVariant();
    if (object.metaType() == QMetaType::fromType<KeyValueObservable *>()) {
        KeyValueObservable *observable = KeyValueObservable::toObservable(object);
        return observable ? observable->valueForKey(key) : QVariant();
    }
    if (isArray(object))
        return NTXNSMutableArray_Extension::valueForKey(object.toList(), key);
    switch (object.metaType().id()) {
    case QMetaType::QVariantMap:
        return object.toMap().value(key);
    case QMetaType::QVariantHash:
        return object.toHash().value(key);
    default:
        break;
    }
    if (object.metaType().flags() & QMetaType::PointerToQObject) {
        QObject *qobject = toQObject(object);
        if (!qobject)
            return QVariant();
        const QByteArray name = key.toUtf8();
        if (qobject->metaObject()->indexOfProperty(name.constData()) >= 0 ||
            qobject->dynamicPropertyNames().contains(name))
            return qobject->property(name.constData());
    }
    return valueForUndefinedKey(object, key);
}

QVariant valueForKeyPath(const QVariant &object, const QString &keyPath)
{
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    if (steps.size() > KeyValueObservable::MaximumKeyPathDepth)
        return valueForUndefinedKey(object, keyPath);
    QVariant current = object;
    for (const QString &step : steps) {
        if (!current.isValid())
            return QVariant();
        current = valueForKey(current, step);
    }
    return current;
}

QVariant valueForUndefinedKey(const QVariant &receiver, const QString &key)
{
    if (isArray(receiver)) {
        const std::optional<QVariant> answer = NTXNSMutableArray_Extension::valueForSpecialKey(receiver.toList(), key);
        if (answer)
            return *answer;
    }
    throw Exception(QStringLiteral("KVO/Undefined Key"),
                    QStringLiteral("%1 KVO/Undefined Key: %2").arg(className(receiver), key));
}

// ---- Bindings ----

void propagateValue(const void *object, const QVariant &value, const QString &binding)
{
    if (binding.isEmpty())
        throw Exception(Exception::InternalInconsistencyException,
                        QStringLiteral("Invalid parameter not satisfying: binding != nil"));
    const std::optional<platform::BindingInfo> info = platform::infoForBinding(object, binding);
    if (!info)
        return;

    QVariant newValue = value;
    if (!info->options.isEmpty()) {
        if (const std::shared_ptr<platform::ValueTransformer> transformer = platform::transformerForBinding(*info)) {
            if (transformer->allowsReverseTransformation())
                newValue = transformer->reverseTransformedValue(newValue);
            else
                qWarning().noquote() << QStringLiteral("WARNING: binding \"%1\" has value transformer, but it doesn't "
                                                       "allow reverse transformations in %2")
                                            .arg(binding, QLatin1String(PropagateValueName));
        }
    }

    if (!info->observedObject) {
        qWarning().noquote()
            << QStringLiteral("ERROR: NSObservedObjectKey was nil for binding \"%1\" in %2").arg(binding, QLatin1String(PropagateValueName));
        return;
    }
    if (info->keyPath.isEmpty()) {
        qWarning().noquote()
            << QStringLiteral("ERROR: NSObservedKeyPathKey was nil for binding \"%1\" in %2").arg(binding, QLatin1String(PropagateValueName));
        return;
    }
    info->observedObject->setValueForKeyPath(newValue, info->keyPath);
}

// ---- Bundles ----

namespace {

struct BundleRegistry
{
    QMutex mutex;
    QHash<QString, QString> bundleOfClass;
};

BundleRegistry &bundleRegistry()
{
    static BundleRegistry instance;
    return instance;
}

} // namespace

void registerBundleForClass(const QString &className, const QString &bundleName)
{
    BundleRegistry &r = bundleRegistry();
    QMutexLocker lock(&r.mutex);
    if (bundleName.isEmpty())
        r.bundleOfClass.remove(className);
    else
        r.bundleOfClass.insert(className, bundleName);
}

QString bundleNameForClass(const QString &className)
{
    BundleRegistry &r = bundleRegistry();
    QMutexLocker lock(&r.mutex);
    return r.bundleOfClass.value(className);
}

platform::Bundle &bundle(const QString &className)
{
    const QString name = bundleNameForClass(className);
    return name.isEmpty() ? platform::Bundle::mainBundle() : platform::Bundle::bundleNamed(name);
}

platform::Bundle &bundle(const QMetaObject *metaObject)
{
    // A subclass without a registration of its own lives where its nearest
    // registered ancestor lives.
    for (const QMetaObject *meta = metaObject; meta; meta = meta->superClass()) {
        const QString name = bundleNameForClass(QString::fromLatin1(meta->className()));
        if (!name.isEmpty())
            return platform::Bundle::bundleNamed(name);
    }
    return platform::Bundle::mainBundle();
}

platform::Bundle &bundle(const QObject *object)
{
    return bundle(object ? object->metaObject() : nullptr);
}

// ---- Running blocks with a target ----

struct PerformRequest
{
    QPointer<QObject> target;
    const QObject *targetIdentity = nullptr;
    QPointer<QTimer> timer;
    std::atomic_bool finished{false};
    TargetBlock block;
};

void invokeTargetBlock(QObject *target, const TargetBlock &block)
{
    if (block)
        block(target);
}

// A block run later from the event loop, a thread or a pool: nobody called it who could
// catch what it raises, which stops here (reported and counted) instead. The report
// names the target only where it is known to live (a delayed perform's, on its thread).
void invokeTargetBlockLater(QObject *target, const TargetBlock &block, const char *entry, bool nameTarget = false)
{
    platform::ExceptionBoundary::guard(nameTarget ? target : nullptr, entry, [&] { invokeTargetBlock(target, block); });
}

PerformHandle performBlock(QObject *target, TargetBlock block, double delay)
{
    if (!target || !block)
        return nullptr;
    double milliseconds = delay * 1000.0;
    if (!std::isfinite(milliseconds) || milliseconds < 0)
        milliseconds = std::isinf(milliseconds) && milliseconds > 0 ? double(std::numeric_limits<int>::max()) : 0.0;
    milliseconds = std::min(milliseconds, double(std::numeric_limits<int>::max()));

    auto request = std::make_shared<PerformRequest>();
    request->target = target;
    request->targetIdentity = target;
    request->block = std::move(block);

    auto *timer = new QTimer;
    timer->setSingleShot(true);
    timer->setInterval(int(std::ceil(milliseconds)));
    if (target->thread() == QThread::currentThread())
        timer->setParent(target); // goes with the target
    request->timer = timer;
    QObject::connect(timer, &QTimer::timeout, timer, platform::ExceptionBoundary::guarded(timer, "timeout", [request, timer] {
        timer->deleteLater();
        if (request->finished.exchange(true))
            return;
        TargetBlock run = std::move(request->block);
        if (QObject *receiver = request->target.data())
            invokeTargetBlockLater(receiver, run, "a delayed perform", true);
    }));
    timer->start();
    return request;
}

PerformHandle performBlock(QObject *target, TargetBlock block, double delay, const QStringList &)
{
    return performBlock(target, std::move(block), delay);
}

void cancelPreviousPerformRequests(QObject *target, const PerformHandle &handle)
{
    if (!target || !handle || handle->targetIdentity != target)
        return;
    if (handle->finished.exchange(true))
        return;
    handle->block = nullptr;
    if (QTimer *timer = handle->timer.data()) {
        QMetaObject::invokeMethod(timer, &QTimer::stop);
        timer->deleteLater();
    }
}

namespace {

// The GUI thread never waits for another thread: the waiting forms belong to other threads.
void refuseWaitingOnGuiThread(const char *method)
{
    if (QCoreApplication::instance() && platform::GuiThread::isCurrent())
        throw Exception(Exception::InvalidArgumentException,
                        QStringLiteral("waiting would block the GUI thread (in '%1')").arg(QLatin1String(method)));
}

} // namespace

void performBlockOnMainThread(QObject *target, TargetBlock block, bool wait)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        throw Exception(Exception::InternalInconsistencyException,
                        QStringLiteral("There is no application object (in 'performBlockOnMainThread:waitUntilDone:')"));
    performBlockOnThread(target, std::move(block), application->thread(), wait);
}

void performBlockOnMainThread(QObject *target, TargetBlock block, bool wait, const QStringList &)
{
    performBlockOnMainThread(target, std::move(block), wait);
}

void performBlockOnThread(QObject *target, TargetBlock block, QThread *thread, bool wait)
{
    if (!thread)
        throw Exception(Exception::InvalidArgumentException,
                        QStringLiteral("thread is NULL (in 'performBlock:onThread:waitUntilDone:')"));
    if (wait && thread == QThread::currentThread()) {
        invokeTargetBlock(target, block);
        return;
    }
    if (wait)
        refuseWaitingOnGuiThread("performBlock:onThread:waitUntilDone:");
    // Waiting on a thread that is not running would never return. (A running thread
    // must run an event loop: one that does not cannot be told from one that is
    // about to start it.)
    if (wait && !thread->isRunning())
        throw Exception(Exception::InvalidArgumentException,
                        QStringLiteral("thread is not running (in 'performBlock:onThread:waitUntilDone:')"));
    // A carrier object living in the thread: the call is delivered by its event loop.
    auto *carrier = new QObject;
    carrier->moveToThread(thread);
    QMetaObject::invokeMethod(
        carrier,
        platform::ThreadHandOff(platform::ExceptionBoundary::guarded(carrier, "a queued call", [carrier, target, block = std::move(block)] {
            carrier->deleteLater();
            invokeTargetBlockLater(target, block, "a perform on a thread");
        })),
        wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

void performBlockOnThread(QObject *target, TargetBlock block, QThread *thread, bool wait, const QStringList &)
{
    performBlockOnThread(target, std::move(block), thread, wait);
}

void performBlockInBackground(QObject *target, TargetBlock block)
{
    if (!block)
        return;
    platform::BackgroundTask::runWithoutResult([target, block = std::move(block)](const platform::BackgroundTask::Token &) {
        invokeTargetBlockLater(target, block, "a perform in the background");
    });
}

void performBlockOnQueue(QObject *target, TargetBlock block, QThreadPool *queue, bool wait)
{
    if (!queue)
        throw Exception(Exception::InvalidArgumentException,
                        QStringLiteral("aQueue is NULL (in 'performBlock:onQueue:waitUntilDone:')"));
    if (!block)
        return;
    if (!wait) {
        queue->start(platform::ThreadHandOff(platform::ExceptionBoundary::guarded(
            nullptr, "a perform on a queue", [target, block = std::move(block)] { invokeTargetBlock(target, block); })));
        return;
    }
    refuseWaitingOnGuiThread("performBlock:onQueue:waitUntilDone:");
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    // cannot throw: the block runs through the exception boundary; the promise is set once.
    const bool started = queue->tryStart(platform::ThreadHandOff([target, &block, done]() noexcept {
        invokeTargetBlockLater(target, block, "a perform on a queue");
        done->set_value();
    }));
    if (!started) {
        invokeTargetBlock(target, block);
        return;
    }
    finished.wait();
}

} // namespace NTXNSObject_Extension
