// The documents of a launch read on a pool thread: what is offered is the tree the
// file gives, once, and only while the file is the one read; anything else (a
// failed read, an older archive, a file changed or gone since) is not offered, so
// that the caller reads the file itself as always.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/Clock.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

namespace {

class DocumentReadAheadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::Clock::setNow(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC));
    }
    void TearDown() override { platform::Clock::useSystemClock(); }

    QString path(const QString &name) const { return dir.filePath(name); }

    // A document with one job of that name (and `entries` time entries below it).
    QString writeDocument(const QString &name, const QString &job, int entries = 0)
    {
        NodePtr root = Node::create(Node::Root);
        NodePtr jobNode = Node::create(Node::Job);
        jobNode->setItemName(job);
        root->addChild(jobNode);
        if (entries > 0) {
            NodePtr day = Node::create(Node::Day);
            jobNode->addChild(day);
            for (int i = 0; i < entries; ++i) {
                NodePtr entry = Node::create(Node::TimeEntry);
                entry->setMinutes(i % 60);
                day->addChild(entry);
            }
        }
        root->recalcWorkTimeForTree();
        DocumentValuesStore store;
        store.setWindowFrame(QRectF(10, 20, 600, 400));
        EXPECT_TRUE(DocumentFileFormat::writeToFile(path(name), DocumentFileFormat::TypeName, *root, store));
        return path(name);
    }

    // What reading the file itself gives, as the file's form.
    static QByteArray readDirectly(const QString &file)
    {
        DocumentFileFormat::ReadResult result;
        if (!DocumentFileFormat::readFromFile(file, DocumentFileFormat::TypeName, result))
            return QByteArray();
        return DocumentFileFormat::toXmlData(*result.root, result.store);
    }

    static bool waitUntilRead(DocumentReadAhead &ahead)
    {
        bool read = false;
        ahead.whenRead(&ahead, [&] { read = true; });
        return QTest::qWaitFor([&] { return read; }, 30000);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(DocumentReadAheadTest, OffersTheTreeTheFileGivesOnceAndUnderEveryNameOfIt)
{
    const QString file = writeDocument(QStringLiteral("one.chronark"), QStringLiteral("Read ahead"), 500);
    DocumentReadAhead ahead;
    ahead.read({file, QString()});
    EXPECT_TRUE(ahead.isReading());
    ASSERT_TRUE(waitUntilRead(ahead));
    EXPECT_FALSE(ahead.isReading());

    // The same file by another spelling of its name.
    const QString spelled = dir.path() + QStringLiteral("/./sub/../one.chronark");
    std::optional<DocumentFileFormat::ReadResult> result = ahead.take(spelled);
    ASSERT_TRUE(result.has_value());
    ASSERT_TRUE(result->root);
    EXPECT_EQ(DocumentFileFormat::toXmlData(*result->root, result->store), readDirectly(file));
    EXPECT_EQ(result->root->childAtIndex(0)->itemName(), QStringLiteral("Read ahead"));
    // Handed over once: a second reader of the file (a revert) reads it itself.
    EXPECT_FALSE(ahead.take(file).has_value());
}

TEST_F(DocumentReadAheadTest, NothingIsOfferedThatTheCallerMustReadOrRefuseItself)
{
    const QString broken = path(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "<?xml version=\"1.0\"?><Chronark><document>"));
    const QString archive = path(QStringLiteral("old.chronark"));
    ASSERT_TRUE(testsupport::writeFile(archive, QByteArray("\x04\x0btypedstream\x81\xe8\x03", 16)));
    const QString changed = writeDocument(QStringLiteral("changed.chronark"), QStringLiteral("Before"));
    const QString gone = writeDocument(QStringLiteral("gone.chronark"), QStringLiteral("Gone"));
    const QString missing = path(QStringLiteral("missing.chronark"));
    const QString folder = path(QStringLiteral("folder.chronark"));
    ASSERT_TRUE(QDir().mkpath(folder));

    DocumentReadAhead ahead;
    ahead.read({broken, archive, changed, gone, missing, folder});
    ASSERT_TRUE(waitUntilRead(ahead));
    // Written again after it was read (a longer name: another size), and removed.
    writeDocument(QStringLiteral("changed.chronark"), QStringLiteral("After the read"));
    ASSERT_TRUE(QFile::remove(gone));

    for (const QString &file : {broken, archive, changed, gone, missing, folder})
        EXPECT_FALSE(ahead.take(file).has_value()) << qPrintable(file);
    // Never read ahead at all.
    EXPECT_FALSE(ahead.take(writeDocument(QStringLiteral("later.chronark"), QStringLiteral("Later"))).has_value());
}

TEST_F(DocumentReadAheadTest, WaitersAreCalledInALaterPassAndNotAfterCancelOrTheirContextWent)
{
    DocumentReadAhead ahead;
    // Nothing to read: still in a later pass, never inside the call.
    bool called = false;
    ahead.whenRead(&ahead, [&] { called = true; });
    EXPECT_FALSE(called);
    EXPECT_TRUE(QTest::qWaitFor([&] { return called; }, 5000));

    // A context that goes first, and a cancel: neither waiter runs, and nothing is offered.
    const QString file = writeDocument(QStringLiteral("cancelled.chronark"), QStringLiteral("Cancelled"), 2000);
    ahead.read({file});
    int calls = 0;
    auto context = std::make_unique<QObject>();
    ahead.whenRead(context.get(), [&] { ++calls; });
    context.reset();
    ahead.whenRead(&ahead, [&] { ++calls; });
    ahead.cancel();
    EXPECT_FALSE(ahead.isReading());
    bool after = false;
    ahead.whenRead(&ahead, [&] { after = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return after; }, 5000));
    QThreadPool::globalInstance()->waitForDone();
    testsupport::settleEvents();
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(ahead.take(file).has_value());

    // Read again after the cancel: offered as usual.
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    EXPECT_TRUE(ahead.take(file).has_value());
}

// Random reads, waits, takes, rewrites and cancels over a few files: after every
// step, a take answers a tree only for a file read since it was last written, taken
// or cancelled, and the tree is the file's.
TEST_F(DocumentReadAheadTest, RandomOperationsOfferOnlyWhatIsStillTheFile)
{
    std::mt19937 random(57);
    const int files = 4;
    QStringList paths;
    QList<int> version(files, 0);
    for (int i = 0; i < files; ++i)
        paths << writeDocument(QStringLiteral("f%1.chronark").arg(i), QStringLiteral("v0"));
    // Per file: read ahead of the version it has now and not yet taken.
    QList<bool> offered(files, false);
    DocumentReadAhead ahead;
    for (int step = 0; step < 120; ++step) {
        SCOPED_TRACE(step);
        const int i = int(random() % files);
        switch (random() % 5) {
        case 0: // read, and wait for it
            ahead.read({paths[i]});
            ASSERT_TRUE(waitUntilRead(ahead));
            // A file read before is not read again while its tree waits.
            offered[i] = true;
            break;
        case 1: { // take
            std::optional<DocumentFileFormat::ReadResult> result = ahead.take(paths[i]);
            EXPECT_EQ(result.has_value(), bool(offered[i]));
            if (result) {
                EXPECT_EQ(DocumentFileFormat::toXmlData(*result->root, result->store), readDirectly(paths[i]));
            }
            offered[i] = false;
            break;
        }
        case 2: // the file is written anew, with a name of another length
            ++version[i];
            writeDocument(QStringLiteral("f%1.chronark").arg(i), QStringLiteral("v").repeated(version[i] + 1));
            // What was read before is no longer the file; it stays out of the way
            // until it is taken (then nothing is offered) or read again after a take.
            if (offered[i]) {
                EXPECT_FALSE(ahead.take(paths[i]).has_value());
                offered[i] = false;
            }
            break;
        case 3: // cancel
            ahead.cancel();
            for (int j = 0; j < files; ++j)
                offered[j] = false;
            break;
        default: // a wait with nothing outstanding
            ASSERT_TRUE(waitUntilRead(ahead));
            break;
        }
        EXPECT_FALSE(ahead.isReading());
    }
}
