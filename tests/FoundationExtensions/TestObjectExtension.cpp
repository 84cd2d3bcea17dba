#include "FoundationExtensions/NTXNSObject_Extension.h"
#include "tests/support/QtWarningCheck.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/ValueTransformer.h"
#include "tests/support/ExceptionLog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <atomic>

namespace O = NTXNSObject_Extension;
using platform::KeyTable;
using platform::KeyValueObservable;

#include <exception>
#include <functional>
#include <thread>

namespace {

class Entry : public KeyValueObservable
{
public:
    QVariant rate;
    QString className() const override { return QStringLiteral("Entry"); }

protected:
    const KeyTable &keyTable() const override
    {
        static const KeyTable table{
            {QStringLiteral("rate"),
             {[](const KeyValueObservable &o) { return static_cast<const Entry &>(o).rate; },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Entry &>(o).rate = v; }}},
        };
        return table;
    }
};

class Doubler : public platform::ValueTransformer
{
public:
    explicit Doubler(bool reversible) : m_reversible(reversible) {}
    QVariant transformedValue(const QVariant &v) const override { return v.toInt() * 2; }
    QVariant reverseTransformedValue(const QVariant &v) const override { return v.toInt() / 2; }
    bool allowsReverseTransformation() const override { return m_reversible; }

private:
    bool m_reversible;
};


} // namespace

TEST(ObjectExtension, PropagateValueWritesThroughTheBinding)
{
    QObject field;
    Entry model;
    int changes = 0;
    model.addObserver(QStringLiteral("rate"), [&](KeyValueObservable &, const QString &, bool prior) { changes += prior ? 0 : 1; });
    platform::bind(&field, QStringLiteral("value"), &model, QStringLiteral("rate"));
    O::propagateValue(&field, 42, QStringLiteral("value"));
    EXPECT_EQ(model.rate, QVariant(42));
    EXPECT_EQ(changes, 1);

    platform::bind(&field, QStringLiteral("doubled"), &model, QStringLiteral("rate"),
                   {{QStringLiteral("NSValueTransformer"), platform::ValueTransformer::toVariant(std::make_shared<Doubler>(true))}});
    O::propagateValue(&field, 10, QStringLiteral("doubled"));
    EXPECT_EQ(model.rate, QVariant(5));
}

TEST(ObjectExtension, PropagateValueOnAnUnboundBindingDoesNothingSilently)
{
    QObject field;
    Entry model;
    model.rate = 1;
    testsupport::CapturedLog log;
    O::propagateValue(&field, 2, QStringLiteral("value"));
    EXPECT_EQ(model.rate, QVariant(1));
    EXPECT_TRUE(log.lines().isEmpty());
    try {
        O::propagateValue(&field, 2, QString());
        FAIL() << "no exception";
    } catch (const platform::Exception &x) {
        EXPECT_EQ(x.name(), platform::Exception::InternalInconsistencyException);
        EXPECT_EQ(x.reason(), QStringLiteral("Invalid parameter not satisfying: binding != nil"));
    }
}

TEST(ObjectExtension, AOneWayTransformerIsReportedAndTheValueStillWritten)
{
    QObject field;
    Entry model;
    platform::ValueTransformer::setValueTransformer(std::make_shared<Doubler>(false), QStringLiteral("TestOneWay"));
    platform::bind(&field, QStringLiteral("value"), &model, QStringLiteral("rate"),
                   {{QStringLiteral("NSValueTransformerName"), QStringLiteral("TestOneWay")}});
    testsupport::CapturedLog log;
    O::propagateValue(&field, 8, QStringLiteral("value"));
    EXPECT_EQ(model.rate, QVariant(8));
    EXPECT_EQ(log.lines(),
              QStringList{QStringLiteral("WARNING: binding \"value\" has value transformer, but it doesn't allow reverse "
                                         "transformations in -[NSObject(NTXNSObject_Extension) propagateValue:forBinding:]")});
    platform::ValueTransformer::setValueTransformer(nullptr, QStringLiteral("TestOneWay"));
}

TEST(ObjectExtension, MissingObservedObjectOrKeyPathIsReported)
{
    QObject field;
    auto model = std::make_unique<Entry>();
    platform::bind(&field, QStringLiteral("noPath"), model.get(), QString());
    platform::bind(&field, QStringLiteral("gone"), model.get(), QStringLiteral("rate"));
    model.reset();
    testsupport::CapturedLog log;
    O::propagateValue(&field, 1, QStringLiteral("noPath"));
    O::propagateValue(&field, 1, QStringLiteral("gone"));
    const QString where = QStringLiteral("-[NSObject(NTXNSObject_Extension) propagateValue:forBinding:]");
    EXPECT_EQ(log.lines(),
              QStringList({QStringLiteral("ERROR: NSObservedObjectKey was nil for binding \"noPath\" in ") + where,
                           QStringLiteral("ERROR: NSObservedObjectKey was nil for binding \"gone\" in ") + where}));
    Entry other;
    platform::bind(&field, QStringLiteral("noPath"), &other, QString());
    log.take();
    O::propagateValue(&field, 1, QStringLiteral("noPath"));
    EXPECT_EQ(log.lines(),
              QStringList{QStringLiteral("ERROR: NSObservedKeyPathKey was nil for binding \"noPath\" in ") + where});
}

TEST(ObjectExtension, UndefinedKeys)
{
    const QVariantList array{QStringLiteral("x"), 2};
    EXPECT_EQ(O::valueForUndefinedKey(array, QStringLiteral("allValues")), QVariant(QStringLiteral("x 2")));
    EXPECT_EQ(O::valueForUndefinedKey(array, QStringLiteral("objectAtIndex1")), QVariant(2));
    EXPECT_EQ(O::valueForUndefinedKey(array, QStringLiteral("objectAtIndex5")), QVariant(QString()));
    try {
        Entry entry;
        O::valueForKey(KeyValueObservable::fromObservable(&entry), QStringLiteral("missing"));
        FAIL() << "no exception";
    } catch (const platform::Exception &x) {
        EXPECT_EQ(x.name(), QStringLiteral("KVO/Undefined Key"));
        EXPECT_EQ(x.reason(), QStringLiteral("Entry KVO/Undefined Key: missing"));
    }
    QObject object;
    object.setObjectName(QStringLiteral("named"));
    EXPECT_EQ(O::valueForKey(QVariant::fromValue(&object), QStringLiteral("objectName")), QVariant(QStringLiteral("named")));
    EXPECT_THROW(O::valueForKey(QVariant::fromValue(&object), QStringLiteral("nothing")), platform::Exception);
    EXPECT_THROW(O::valueForKey(QVariant(5), QStringLiteral("k")), platform::Exception);
}

TEST(ObjectExtension, KeyPathsReachIntoArrays)
{
    Entry entry;
    entry.rate = QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("first")}},
                              QVariantMap{{QStringLiteral("name"), QStringLiteral("second")}}};
    const QVariant root = KeyValueObservable::fromObservable(&entry);
    EXPECT_EQ(O::valueForKeyPath(root, QStringLiteral("rate.objectAtIndex1.name")), QVariant(QStringLiteral("second")));
    EXPECT_EQ(O::valueForKeyPath(root, QStringLiteral("rate.name")),
              QVariant(QVariantList({QStringLiteral("first"), QStringLiteral("second")})));
    EXPECT_FALSE(O::valueForKeyPath(QVariant(), QStringLiteral("a.b")).isValid());
}

TEST(ObjectExtension, BundlesOfClasses)
{
    EXPECT_TRUE(O::bundleNameForClass(QStringLiteral("NTXTestWidget")).isEmpty());
    O::registerBundleForClass(QStringLiteral("QTimer"), QStringLiteral("NTXTestFramework"));
    EXPECT_EQ(O::bundleNameForClass(QStringLiteral("QTimer")), QStringLiteral("NTXTestFramework"));
    O::registerBundleForClass(QStringLiteral("QTimer"), QString());
    EXPECT_TRUE(O::bundleNameForClass(QStringLiteral("QTimer")).isEmpty());
}

TEST(ObjectExtension, DelayedBlocksRunLaterAndCanBeCancelled)
{
    QObject target;
    int runs = 0;
    QObject *received = nullptr;
    auto handle = O::performBlock(&target, [&](QObject *t) { ++runs; received = t; }, 0);
    ASSERT_TRUE(handle);
    EXPECT_EQ(runs, 0); // never before returning
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs == 1; }));
    EXPECT_EQ(received, &target);

    int cancelledRuns = 0;
    auto cancelled = O::performBlock(&target, [&](QObject *) { ++cancelledRuns; }, 0, {QStringLiteral("ignoredMode")});
    O::cancelPreviousPerformRequests(&target, nullptr); // nothing
    QObject other;
    O::cancelPreviousPerformRequests(&other, cancelled); // not that target's request
    O::cancelPreviousPerformRequests(&target, cancelled);
    int marker = 0;
    O::performBlock(&target, [&](QObject *) { ++marker; }, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return marker == 1; }));
    EXPECT_EQ(cancelledRuns, 0);

    // A target destroyed before the delay drops the block.
    int orphanRuns = 0;
    {
        QObject shortLived;
        O::performBlock(&shortLived, [&](QObject *) { ++orphanRuns; }, 0);
    }
    O::performBlock(&target, [&](QObject *) { ++marker; }, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return marker == 2; }));
    EXPECT_EQ(orphanRuns, 0);
    EXPECT_EQ(O::performBlock(nullptr, [](QObject *) {}, 0), nullptr);
}

// Runs the body on a thread of its own and returns when it is done (the test's own
// wait): the waiting forms belong to threads other than the GUI thread.
void offGuiThread(const std::function<void()> &body)
{
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

TEST(ObjectExtension, BlocksOnThreadsAndQueues)
{
    QObject target;
    QThread worker;
    worker.start();
    std::atomic<QThread *> ranOn{nullptr};
    offGuiThread([&] {
        O::performBlockOnThread(&target, [&](QObject *) { ranOn = QThread::currentThread(); }, &worker, true);
    });
    EXPECT_EQ(ranOn.load(), &worker);

    // The GUI thread never waits for another: the waiting forms refuse it, and run nothing.
    std::atomic_int refusedRuns{0};
    QThreadPool busy;
    EXPECT_THROW(O::performBlockOnThread(&target, [&](QObject *) { ++refusedRuns; }, &worker, true), platform::Exception);
    EXPECT_THROW(O::performBlockOnQueue(&target, [&](QObject *) { ++refusedRuns; }, &busy, true), platform::Exception);
    busy.waitForDone();
    EXPECT_EQ(refusedRuns.load(), 0);

    // Back to the main thread from the worker, without waiting.
    std::atomic_bool mainRan{false};
    O::performBlockOnThread(&target, [&](QObject *t) {
        O::performBlockOnMainThread(t, [&](QObject *) { mainRan = QThread::currentThread() == qApp->thread(); }, false);
    }, &worker, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mainRan.load(); }));

    // Waiting on the main thread from the main thread runs at once.
    bool direct = false;
    O::performBlockOnMainThread(&target, [&](QObject *) { direct = true; }, true, {QStringLiteral("mode")});
    EXPECT_TRUE(direct);

    worker.quit();
    worker.wait();
    EXPECT_THROW(O::performBlockOnThread(&target, [](QObject *) {}, &worker, true), platform::Exception);
    EXPECT_THROW(O::performBlockOnThread(&target, [](QObject *) {}, nullptr, false), platform::Exception);

    QThreadPool pool;
    std::atomic_int queued{0};
    offGuiThread([&] { O::performBlockOnQueue(&target, [&](QObject *) { ++queued; }, &pool, true); });
    EXPECT_EQ(queued.load(), 1);
    O::performBlockOnQueue(&target, [&](QObject *) { ++queued; }, &pool, false);
    pool.waitForDone();
    EXPECT_EQ(queued.load(), 2);
    try {
        O::performBlockOnQueue(&target, [](QObject *) {}, nullptr, false);
        FAIL() << "no exception";
    } catch (const platform::Exception &x) {
        EXPECT_EQ(x.name(), platform::Exception::InvalidArgumentException);
        EXPECT_EQ(x.reason(), QStringLiteral("aQueue is NULL (in 'performBlock:onQueue:waitUntilDone:')"));
    }

    std::atomic<QThread *> background{nullptr};
    O::performBlockInBackground(&target, [&](QObject *) { background = QThread::currentThread(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return background.load() != nullptr; }));
    EXPECT_NE(background.load(), qApp->thread());
}

// A block that raises: run in the calling thread before the call returns, the caller
// catches it; run later (a delay, a queued call to another thread, a pool, a thread of
// its own) it stops at the boundary, counted once each, and a caller waiting for it
// returns all the same.
TEST(ObjectExtension, BlocksThatRaiseReachTheirCallerOrStopAtTheBoundary)
{
    testsupport::ExceptionLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    QObject target;
    std::atomic_int runs{0};
    const O::TargetBlock raise = [&](QObject *) {
        ++runs;
        throw platform::Exception(platform::Exception::RangeException, QStringLiteral("index 5 beyond bounds"));
    };
    EXPECT_THROW(O::performBlockOnMainThread(&target, raise, true), platform::Exception);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before);

    O::performBlock(&target, raise, 0.0);
    O::performBlockOnMainThread(&target, raise, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs.load() == 3; }));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 2);

    QThread worker;
    worker.start();
    offGuiThread([&] { O::performBlockOnThread(&target, raise, &worker, true); }); // returns: the worker stopped it
    EXPECT_EQ(runs.load(), 4);
    worker.quit();
    worker.wait();

    QThreadPool pool;
    offGuiThread([&] { O::performBlockOnQueue(&target, raise, &pool, true); });
    O::performBlockOnQueue(&target, raise, &pool, false);
    pool.waitForDone();
    O::performBlockInBackground(&target, raise);
    // The count goes up before the report is written: wait for the report.
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.messages().size() == 6; }));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 6);
    EXPECT_EQ(runs.load(), 7);
    EXPECT_TRUE(log.allStoppedAtTheirEntries()) << log.messages().join(QLatin1Char('\n')).toStdString();
}
