#pragma once
// Operations every object has: key-value access on any value held in a QVariant
// (model objects, arrays, maps, QObjects), pushing an edited value back through a
// binding, the bundle of a class, and running a block with a target later or
// elsewhere.
//
// Values: a model object travels as KeyValueObservable::fromObservable(), a QObject
// as QObject*, an array as QVariantList (or QStringList), nil as an invalid QVariant.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class QThread;
class QThreadPool;

namespace NTXNSObject_Extension {

// ---- Key-value access ----

// The text an object shows of itself: strings as they are, numbers in their
// shortest form, nil as "(null)", arrays as "(a, b)", objects as "<Class: 0x…>".
QString description(const QVariant &value);
// The class name used in messages.
QString className(const QVariant &value);

// A model object's value for the key; for an array, NTXNSMutableArray_Extension's
// valueForKey(); a map's value for the key; a QObject's property; nil for nil.
// Anything else (or an unknown key) goes to valueForUndefinedKey().
QVariant valueForKey(const QVariant &object, const QString &key);
// The same along a dotted path (at most KeyValueObservable::MaximumKeyPathDepth
// steps); a nil step answers nil.
QVariant valueForKeyPath(const QVariant &object, const QString &keyPath);
// An array answers "allValues" (its elements' descriptions joined with one blank)
// and "objectAtIndex<n>" (element n, or an empty string when n is not less than the
// count or negative). Everything else raises platform::Exception named
// "KVO/Undefined Key" with the reason "<class> KVO/Undefined Key: <key>".
QVariant valueForUndefinedKey(const QVariant &receiver, const QString &key);

// ---- Bindings ----

// Writes a value edited in a bound control back to the model: through the
// binding's value transformer (reversed) when it has one that allows it, then
// setValueForKeyPath() on the observed object, so observers and undo see an
// ordinary change. An unbound binding does nothing; an empty binding name raises
// platform::Exception (InternalInconsistencyException).
void propagateValue(const void *object, const QVariant &value, const QString &binding);

// ---- Bundles ----

// The bundle that holds a class: framework classes are registered with their
// component's bundle; every other class (the application's) is in the main bundle.
void registerBundleForClass(const QString &className, const QString &bundleName);
// The registered bundle name; empty for the main bundle.
QString bundleNameForClass(const QString &className);
platform::Bundle &bundle(const QString &className);
platform::Bundle &bundle(const QMetaObject *metaObject);
platform::Bundle &bundle(const QObject *object);

// ---- Running blocks with a target ----
//
// The block receives the target. Run-loop modes do not exist with Qt's event loop:
// the functions that take them accept and ignore them. The caller keeps a target
// alive while a block runs on another thread; a delayed block whose target has
// been destroyed is dropped. A block run in the calling thread before the call
// returns (waiting in the same thread, a pool with no free thread) passes its
// exception to the caller; one run later, or elsewhere, has no caller to reach: its
// exception stops at the exception boundary (platform::ExceptionBoundary: reported,
// counted), and a waiting caller returns all the same.

using TargetBlock = std::function<void(QObject *target)>;
struct PerformRequest;
// Identifies a delayed block for cancelling; null when nothing was scheduled.
using PerformHandle = std::shared_ptr<PerformRequest>;

// Calls the block with the target; a null block does nothing.
void invokeTargetBlock(QObject *target, const TargetBlock &block);

// Runs the block in the current thread's event loop after the delay (seconds; a
// negative or invalid delay counts as 0). Never runs before returning.
PerformHandle performBlock(QObject *target, TargetBlock block, double delay);
PerformHandle performBlock(QObject *target, TargetBlock block, double delay, const QStringList &modes);
// Cancels a pending delayed block of that target; a null handle does nothing.
void cancelPreviousPerformRequests(QObject *target, const PerformHandle &handle);

// Runs the block in the main thread (waiting: synchronously, immediately when
// called there). Raises platform::Exception (InternalInconsistencyException) when
// there is no application object.
void performBlockOnMainThread(QObject *target, TargetBlock block, bool wait);
void performBlockOnMainThread(QObject *target, TargetBlock block, bool wait, const QStringList &modes);
// The same in the given thread's event loop. A null thread, waiting on a thread
// that is not running, or waiting from the GUI thread for another thread (the GUI
// thread never waits), raises platform::Exception (InvalidArgumentException); a
// running thread must run an event loop (QThread::exec()).
void performBlockOnThread(QObject *target, TargetBlock block, QThread *thread, bool wait);
void performBlockOnThread(QObject *target, TargetBlock block, QThread *thread, bool wait, const QStringList &modes);
// Runs the block off the calling thread, on the pool of platform::BackgroundTask.
void performBlockInBackground(QObject *target, TargetBlock block);
// Runs the block on the pool; waiting runs it there and returns when it is done
// (in the calling thread when the pool has no free thread, as a synchronous
// dispatch does). A null pool, or waiting from the GUI thread, raises
// platform::Exception (InvalidArgumentException).
void performBlockOnQueue(QObject *target, TargetBlock block, QThreadPool *queue, bool wait);

} // namespace NTXNSObject_Extension
