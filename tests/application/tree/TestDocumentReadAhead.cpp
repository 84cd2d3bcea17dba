// The documents of a launch read on a pool thread: what is offered is the tree the
// file gives or the reader's refusal, once, and only while the path names the very
// file read, unchanged, whichever form it has (XML or an older archive); anything
// else (a file replaced, switched, written or gone since, whatever its size and
// times say) is not offered, so that the caller reads the file itself as always.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RegularFile.h"
#include "tests/application/tree/NodeTreeArchive.h"
#include "tests/support/ExceptionLog.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/SystemCallFilter.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <stdexcept>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

    // The file's modification time, to the nanosecond.
    static struct timespec modificationTime(const QString &file)
    {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        return st.st_mtim;
    }
    // Sets the modification time, as cp -p, rsync -t, tar and touch -r do.
    static void setModificationTime(const QString &file, struct timespec time)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, time};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
    }
    // Writes the file anew in place (same descriptor, same inode), replacing one text
    // by another of the same length.
    static void rewriteInPlace(const QString &file, const QByteArray &before, const QByteArray &after)
    {
        ASSERT_EQ(before.size(), after.size());
        QFile opened(file);
        ASSERT_TRUE(opened.open(QIODevice::ReadWrite));
        QByteArray bytes = opened.readAll();
        ASSERT_TRUE(bytes.contains(before));
        bytes.replace(before, after);
        ASSERT_TRUE(opened.seek(0));
        ASSERT_EQ(opened.write(bytes), bytes.size());
    }
    static QString jobNameOf(const DocumentFileFormat::ReadResult &result)
    {
        return result.root && result.root->childrenCount() > 0 ? result.root->childAtIndex(0)->itemName() : QString();
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
    DocumentReadAhead::Offer offer = ahead.take(spelled);
    EXPECT_FALSE(offer.refused);
    ASSERT_TRUE(offer.result.has_value());
    std::optional<DocumentFileFormat::ReadResult> &result = offer.result;
    ASSERT_TRUE(result->root);
    EXPECT_EQ(DocumentFileFormat::toXmlData(*result->root, result->store), readDirectly(file));
    EXPECT_EQ(result->root->childAtIndex(0)->itemName(), QStringLiteral("Read ahead"));
    // Handed over once: a second reader of the file (a revert) reads it itself.
    EXPECT_TRUE(ahead.take(file).isEmpty());
}

TEST_F(DocumentReadAheadTest, ARefusalIsOfferedAndNothingTheCallerMustReadItself)
{
    const QString broken = path(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(broken, "<?xml version=\"1.0\"?><Chronark><document>"));
    const QString notADocument = path(QStringLiteral("text.chronark"));
    ASSERT_TRUE(testsupport::writeFile(notADocument, "a plain text and no document at all"));
    const QString brokenLater = path(QStringLiteral("broken-later.chronark"));
    ASSERT_TRUE(testsupport::writeFile(brokenLater, "<?xml version=\"1.0\"?><Chronark><document>"));
    const QString archive = path(QStringLiteral("old.chronark"));
    ASSERT_TRUE(testsupport::writeFile(archive, QByteArray("\x04\x0btypedstream\x81\xe8\x03", 16)));
    const QString changed = writeDocument(QStringLiteral("changed.chronark"), QStringLiteral("Before"));
    const QString gone = writeDocument(QStringLiteral("gone.chronark"), QStringLiteral("Gone"));
    const QString missing = path(QStringLiteral("missing.chronark"));
    const QString folder = path(QStringLiteral("folder.chronark"));
    ASSERT_TRUE(QDir().mkpath(folder));

    DocumentReadAhead ahead;
    ahead.read({broken, notADocument, brokenLater, archive, changed, gone, missing, folder});
    ASSERT_TRUE(waitUntilRead(ahead));
    // Written again after it was read (a longer name: another size), and removed.
    writeDocument(QStringLiteral("changed.chronark"), QStringLiteral("After the read"));
    ASSERT_TRUE(QFile::remove(gone));
    // Refused, then mended: the refusal is of a file that is no longer there.
    writeDocument(QStringLiteral("broken-later.chronark"), QStringLiteral("Mended"));

    // The reader's refusals stand, once: the caller does not read those files again.
    for (const QString &file : {broken, notADocument, archive}) {
        const DocumentReadAhead::Offer offer = ahead.take(file);
        EXPECT_TRUE(offer.refused) << qPrintable(file);
        EXPECT_FALSE(offer.result.has_value());
        EXPECT_TRUE(ahead.take(file).isEmpty());
    }
    for (const QString &file : {brokenLater, changed, gone, missing, folder})
        EXPECT_TRUE(ahead.take(file).isEmpty()) << qPrintable(file);
    // Never read ahead at all.
    EXPECT_TRUE(ahead.take(writeDocument(QStringLiteral("later.chronark"), QStringLiteral("Later"))).isEmpty());
}

// A read that fails on its pool thread (the tree outgrew the memory) still answers:
// the waiters are called, the file is refused as the reader refuses it (saying that
// the memory ran out, not the file), and the next read of the same file works.
TEST_F(DocumentReadAheadTest, AReadThatThrowsIsARefusalAndTheNextReadOfTheFileWorks)
{
    // A throw of the reader that reaches the task's boundary is reported there.
    const testsupport::ExceptionLog log;
    const QString file = writeDocument(QStringLiteral("large.chronark"), QStringLiteral("Large"), 200);
    const QString other = writeDocument(QStringLiteral("other.chronark"), QStringLiteral("Other"));
    DocumentReadAhead ahead;
    std::atomic<int> calls{0};
    ahead.setReader([&](QFile &opened, DocumentFileFormat::ReadResult &out) -> bool {
        ++calls;
        // Told by its size: the reader gets an open descriptor, not a name.
        if (opened.size() == QFileInfo(file).size())
            throw std::bad_alloc();
        return DocumentFileFormat::readFromOpenFile(opened, out);
    });
    ahead.read({file, other});
    ASSERT_TRUE(waitUntilRead(ahead));
    EXPECT_EQ(calls.load(), 2);
    const DocumentReadAhead::Offer failed = ahead.take(file);
    EXPECT_TRUE(failed.refused);
    EXPECT_TRUE(failed.outOfMemory);
    EXPECT_FALSE(failed.result.has_value());
    // The other file of the same request is not touched by the failure.
    const DocumentReadAhead::Offer read = ahead.take(other);
    ASSERT_TRUE(read.result.has_value());
    EXPECT_FALSE(read.outOfMemory);
    EXPECT_EQ(jobNameOf(*read.result), QStringLiteral("Other"));

    // Throwing again, and once more with the file still untaken: each read answers.
    for (int round = 0; round < 3; ++round) {
        ahead.read({file});
        ASSERT_TRUE(waitUntilRead(ahead)) << round;
    }
    EXPECT_TRUE(ahead.take(file).refused);
    // Another failure of the reader is no lack of memory.
    ahead.setReader([](QFile &, DocumentFileFormat::ReadResult &) -> bool { throw std::runtime_error("broken"); });
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    const DocumentReadAhead::Offer broken = ahead.take(file);
    EXPECT_TRUE(broken.refused);
    EXPECT_FALSE(broken.outOfMemory);
    // The reader's lack of memory is the read's own refusal; its other failure reached
    // the background task's boundary, once.
    const QStringList reports = log.messages();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(QLatin1String("the work of a background task"))) << reports.first().toStdString();
    EXPECT_TRUE(reports.first().contains(QLatin1String("broken"))) << reports.first().toStdString();

    // The reader works again: the file is read as if nothing had happened.
    ahead.setReader({});
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    const DocumentReadAhead::Offer again = ahead.take(file);
    ASSERT_TRUE(again.result.has_value());
    EXPECT_EQ(jobNameOf(*again.result), QStringLiteral("Large"));
    EXPECT_EQ(again.result->root->childAtIndex(0)->childAtIndex(0)->childrenCount(), 200);
}

// Where the system made the pool no thread, no read waits for a thread that never
// comes: each file there is refused for want of memory (the alert the caller shows
// says so and that the file is unchanged), a file gone is left to the caller, and the
// waiters are called. In the child of a death test, whose thread creation a
// system-call filter refuses before the pool made any (not under ThreadSanitizer, whose
// run-time library starts a thread of its own, which the filter would refuse).
#ifndef CHRONARK_THREAD_SANITIZER
TEST_F(DocumentReadAheadTest, ReadsForWhichNoThreadCanBeMadeAnswerAsTheMemoryRanOut)
{
    const QString file = writeDocument(QStringLiteral("one.chronark"), QStringLiteral("One"));
    const QString other = writeDocument(QStringLiteral("two.chronark"), QStringLiteral("Two"), 20);
    const QString missing = path(QStringLiteral("missing.chronark"));
    const auto readWithoutThreads = [&] {
        int failures = 0;
        const auto expect = [&failures](bool ok, const char *what) {
            if (!ok) {
                std::fprintf(stderr, "%s\n", what);
                ++failures;
            }
        };
        alarm(120);
        if (!testsupport::filterSystemCalls(testsupport::threadCreationRefused()))
            return 100;
        DocumentReadAhead ahead;
        ahead.read({file, other, missing});
        expect(ahead.isReading(), "the reads were not outstanding");
        expect(waitUntilRead(ahead), "the waiters were not called");
        for (const QString &refused : {file, other}) {
            const DocumentReadAhead::Offer offer = ahead.take(refused);
            expect(offer.refused && offer.outOfMemory && !offer.result, "a file was not refused for want of memory");
        }
        expect(ahead.take(missing).isEmpty(), "a missing file was answered");
        return failures;
    };
    qputenv("CHRONARK_TEST_POOL_UNPREPARED", "1");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(readWithoutThreads()), testing::ExitedWithCode(0), "");
    qunsetenv("CHRONARK_TEST_POOL_UNPREPARED");
}
#endif

// Not under the sanitizers, whose shadow memory does not fit under a limit of the
// address space.
#if !defined(__SANITIZE_ADDRESS__) && !defined(CHRONARK_THREAD_SANITIZER)
// Under a limit of the address space that leaves no room for a file's tree, the file
// is refused for want of memory before it is read (the reader is never called), so
// that the tree does not take what the rest of the program needs; a small file is
// read as always. In the child of a death test whose address space is limited (as by
// ulimit -v) a little above what it takes.
TEST_F(DocumentReadAheadTest, AFileWhoseTreeWouldNotFitUnderTheAddressSpaceLimitIsRefusedUnread)
{
    const QString small = writeDocument(QStringLiteral("small.chronark"), QStringLiteral("Small"), 10);
    // Larger than the room left, as its size says (the content is never read).
    const QString large = path(QStringLiteral("large.chronark"));
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_GT(file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n"), 0);
        ASSERT_TRUE(file.resize(qint64(1) << 30));
    }
    const auto readUnderALimit = [&] {
        int failures = 0;
        const auto expect = [&failures](bool ok, const char *what) {
            if (!ok) {
                std::fprintf(stderr, "%s\n", what);
                ++failures;
            }
        };
        // Both files settled first: the reads wait for no clock (a read that sleeps
        // meanwhile makes the pool start a thread for the other, which the limit refuses).
        if (!QTest::qWaitFor([&] {
                return platform::RegularFile::identityOf(large)->isSettled()
                       && platform::RegularFile::identityOf(small)->isSettled();
            }, 5000))
            return 101;
        // Room for what the read of the small file takes, and for a thread or two that
        // a busy pool may start beside it (each with its stack and its heap's
        // reservation, up to 136 MiB while glibc makes it); none for the large one's tree.
        const auto inUse = rlim_t(testsupport::statusMiB("VmSize") * 1024 * 1024);
        const struct rlimit limit {inUse + (rlim_t(512) << 20), RLIM_INFINITY};
        if (inUse == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
            return 100;
        DocumentReadAhead ahead;
        std::atomic<int> calls{0};
        ahead.setReader([&](QFile &opened, DocumentFileFormat::ReadResult &out) {
            ++calls;
            return DocumentFileFormat::readFromOpenFile(opened, out);
        });
        ahead.read({large, small});
        expect(waitUntilRead(ahead), "the waiters were not called");
        const DocumentReadAhead::Offer refused = ahead.take(large);
        expect(refused.refused && refused.outOfMemory && !refused.result, "the large file was not refused for want of memory");
        const DocumentReadAhead::Offer read = ahead.take(small);
        expect(read.result && jobNameOf(*read.result) == QStringLiteral("Small"), "the small file was not read");
        expect(calls == 1, "the reader was called for the large file");
        return failures;
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(readUnderALimit()), testing::ExitedWithCode(0), "");
}
#endif

// An older archive is read on the pool thread like an XML document, and what is
// offered is what reading the file itself gives (DocumentFileFormat::readFromFile(),
// which the GUI thread used to run): the same document in both byte orders, and the
// same refusal of a damaged archive, of one holding a class no document holds, and
// of one past the size bound, at the bound and one byte past it.
TEST_F(DocumentReadAheadTest, OlderArchivesAreReadAheadAsTheFileGivesThemAtEveryBound)
{
    const QDateTime start(QDate(2009, 3, 14), QTime(9, 5), Qt::OffsetFromUTC, 3600);
    NodePtr root = Node::create(Node::Root, start);
    NodePtr group = Node::create(Node::Group, start);
    group->setItemName(QStringLiteral("Kunden & <Partner>"));
    root->addChild(group);
    NodePtr job = Node::create(Node::Job, start);
    job->setItemName(QStringLiteral("Projekt \u00e9"));
    job->setDescript(QStringLiteral("first\u2028second"));
    job->setWage(60.0f);
    group->addChild(job);
    NodePtr day = Node::create(Node::Day, start);
    job->addChild(day);
    for (int i = 0; i < 40; ++i) {
        NodePtr entry = Node::create(Node::TimeEntry, start.addSecs(i * 3600));
        entry->setlDate(entry->cDate().addSecs(1500));
        entry->setWage(60.0f);
        entry->setActive(i == 39); // running when it was saved
        day->addChild(entry);
    }
    root->recalcWorkTimeForTree();
    DocumentValuesStore store;
    store.setWindowFrame(QRectF(12, 30, 600, 400));
    store.setTableColumnArray({TableColumnData(QStringLiteral("outlineName"), 220.0f)});
    using Order = testsupport::TypedStreamWriter::ByteOrder;
    const QByteArray big = nodetreearchive::archiveOf(*root, store, Order::Big);
    const QByteArray little = nodetreearchive::archiveOf(*root, store, Order::Little);
    QByteArray strange = big;
    strange.replace("DocumentValuesStore", "DocumentValuesStorf");
    const struct
    {
        const char *what;
        QByteArray bytes;
        qint64 size; // zeros after the bytes up to this size (sparse); -1: the bytes alone
        bool read;
    } cases[] = {
        {"big-endian", big, -1, true},
        {"little-endian", little, -1, true},
        {"cut short", big.left(big.size() / 2), -1, false},
        {"a class no document holds", strange, -1, false},
        {"at the size bound", big, DocumentFileFormat::MaximumArchiveSize, false},
        {"past the size bound", big, DocumentFileFormat::MaximumArchiveSize + 1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = path(QStringLiteral("archive.chronark"));
        QFile::remove(file);
        ASSERT_TRUE(testsupport::writeFile(file, c.bytes));
        if (c.size >= 0) {
            QFile sized(file);
            ASSERT_TRUE(sized.resize(c.size));
        }
        DocumentFileFormat::ReadResult direct;
        const bool read = DocumentFileFormat::readFromFile(file, DocumentFileFormat::TypeName, direct);
        EXPECT_EQ(read, c.read);

        DocumentReadAhead ahead;
        ahead.read({file});
        ASSERT_TRUE(waitUntilRead(ahead));
        DocumentReadAhead::Offer offer = ahead.take(file);
        EXPECT_EQ(offer.result.has_value(), read);
        EXPECT_EQ(offer.refused, !read);
        EXPECT_FALSE(offer.outOfMemory);
        if (read && offer.result) {
            EXPECT_EQ(DocumentFileFormat::toXmlData(*offer.result->root, offer.result->store),
                      DocumentFileFormat::toXmlData(*direct.root, direct.store));
            EXPECT_EQ(jobNameOf(*offer.result), QStringLiteral("Kunden & <Partner>"));
        }
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
// A read that ran out of memory after its tree had grown large (about 300 MB) leaves
// the process as resident as it was before: the memory the tree took on the reading
// thread's heap goes back to the system, not only to that heap, where the rest of the
// application could not use it.
TEST_F(DocumentReadAheadTest, AReadThatRanOutOfMemoryLeavesItsTreesMemoryToTheSystem)
{
    const QString file = writeDocument(QStringLiteral("grown.chronark"), QStringLiteral("Grown"), 10);
    const QDateTime moment = platform::Clock::now();
    std::atomic<double> grown{0.0};
    // What the read leaves alive on its thread's heap, above the tree (a cache the
    // libraries fill as they go): the heap cannot shrink below it.
    std::unique_ptr<char[]> leftAlive;
    DocumentReadAhead ahead;
    ahead.setReader([&](QFile &opened, DocumentFileFormat::ReadResult &out) -> bool {
        if (!DocumentFileFormat::readFromOpenFile(opened, out))
            return false;
        // The tree goes on growing as a large file's does, until the memory runs out
        // (about 250 bytes an entry).
        const NodePtr day = out.root->childAtIndex(0)->childAtIndex(0);
        for (int i = 0; i < 1'250'000; ++i) {
            NodePtr entry = Node::create(Node::TimeEntry, moment.addSecs(i));
            entry->setItemName(QStringLiteral("entry %1").arg(i));
            day->addChild(entry);
        }
        leftAlive = std::make_unique<char[]>(100 * 1024);
        grown = testsupport::residentMiB();
        throw std::bad_alloc();
    });
    const double before = testsupport::residentMiB();
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    EXPECT_TRUE(ahead.take(file).outOfMemory);
    const double after = testsupport::residentMiB();
    ASSERT_GT(grown - before, 250.0) << "the tree did not grow";
    EXPECT_LT(after - before, 64.0) << "before " << before << " MiB, grown " << grown << " MiB, after " << after << " MiB";
}
#endif

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
    EXPECT_TRUE(ahead.take(file).isEmpty());

    // Read again after the cancel: offered as usual.
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    EXPECT_TRUE(ahead.take(file).result.has_value());
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
            DocumentReadAhead::Offer offer = ahead.take(paths[i]);
            EXPECT_FALSE(offer.refused);
            std::optional<DocumentFileFormat::ReadResult> &result = offer.result;
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
                EXPECT_TRUE(ahead.take(paths[i]).isEmpty());
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

// Each way another program leaves a file with the same size and modification time
// as the one read: the tree read is not offered, and what the caller reads itself
// is the new content. Both documents have job names of one length.
TEST_F(DocumentReadAheadTest, AFileReplacedByRenameWithTheSameSizeAndTimeIsReadAgain)
{
    const QString file = writeDocument(QStringLiteral("renamed.chronark"), QStringLiteral("Alpha"), 50);
    DocumentReadAhead ahead;
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    // As cp -p or rsync -t leave it: written beside, the time copied, renamed over.
    const QString beside = writeDocument(QStringLiteral("beside.chronark"), QStringLiteral("Bravo"), 50);
    ASSERT_EQ(QFileInfo(beside).size(), QFileInfo(file).size());
    setModificationTime(beside, modificationTime(file));
    ASSERT_EQ(::rename(QFile::encodeName(beside).constData(), QFile::encodeName(file).constData()), 0);

    EXPECT_TRUE(ahead.take(file).isEmpty());
    DocumentFileFormat::ReadResult now;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, DocumentFileFormat::TypeName, now));
    EXPECT_EQ(jobNameOf(now), QStringLiteral("Bravo"));
}

TEST_F(DocumentReadAheadTest, AFileRewrittenInPlaceWithItsTimePutBackIsReadAgain)
{
    const QString file = writeDocument(QStringLiteral("in-place.chronark"), QStringLiteral("Alpha"), 50);
    DocumentReadAhead ahead;
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    const struct timespec before = modificationTime(file);
    const qint64 size = QFileInfo(file).size();
    rewriteInPlace(file, "Alpha", "Bravo");
    setModificationTime(file, before);
    ASSERT_EQ(QFileInfo(file).size(), size);

    EXPECT_TRUE(ahead.take(file).isEmpty());
    DocumentFileFormat::ReadResult now;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, DocumentFileFormat::TypeName, now));
    EXPECT_EQ(jobNameOf(now), QStringLiteral("Bravo"));
}

TEST_F(DocumentReadAheadTest, ASymbolicLinkSwitchedToAFileOfTheSameSizeAndTimeIsReadAgain)
{
    const QString first = writeDocument(QStringLiteral("first.chronark"), QStringLiteral("Alpha"), 50);
    const QString second = writeDocument(QStringLiteral("second.chronark"), QStringLiteral("Bravo"), 50);
    setModificationTime(second, modificationTime(first));
    const QString link = path(QStringLiteral("current.chronark"));
    ASSERT_TRUE(QFile::link(first, link));
    DocumentReadAhead ahead;
    ahead.read({link});
    ASSERT_TRUE(waitUntilRead(ahead));
    // Switched at once, as a deployment does: a new link renamed over the old.
    const QString next = path(QStringLiteral("next.chronark"));
    ASSERT_TRUE(QFile::link(second, next));
    ASSERT_EQ(::rename(QFile::encodeName(next).constData(), QFile::encodeName(link).constData()), 0);

    EXPECT_TRUE(ahead.take(link).isEmpty());
    DocumentFileFormat::ReadResult now;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(link, DocumentFileFormat::TypeName, now));
    EXPECT_EQ(jobNameOf(now), QStringLiteral("Bravo"));

    // A link left as it was offers the file it names.
    ahead.read({link});
    ASSERT_TRUE(waitUntilRead(ahead));
    DocumentReadAhead::Offer offer = ahead.take(link);
    ASSERT_TRUE(offer.result.has_value());
    EXPECT_EQ(jobNameOf(*offer.result), QStringLiteral("Bravo"));
}

TEST_F(DocumentReadAheadTest, ASameSizeRewriteInPlaceWithinTheSameMillisecondIsReadAgain)
{
    const QString file = writeDocument(QStringLiteral("same-moment.chronark"), QStringLiteral("Alpha"), 50);
    // Times within one millisecond: 100 and 200 nanoseconds past the same one.
    struct timespec moment = modificationTime(file);
    moment.tv_nsec = (moment.tv_nsec / 1000000) * 1000000 + 100;
    setModificationTime(file, moment);
    DocumentReadAhead ahead;
    ahead.read({file});
    ASSERT_TRUE(waitUntilRead(ahead));
    rewriteInPlace(file, "Alpha", "Bravo");
    moment.tv_nsec += 100;
    setModificationTime(file, moment);

    EXPECT_TRUE(ahead.take(file).isEmpty());
    DocumentFileFormat::ReadResult now;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, DocumentFileFormat::TypeName, now));
    EXPECT_EQ(jobNameOf(now), QStringLiteral("Bravo"));
}

namespace {

class DocumentReadAheadGrainTest : public ::testing::TestWithParam<testsupport::ScopedFileSystem::Kind>
{
};

} // namespace

// A file changed within its file system's time grain when it is read could be
// rewritten after the read with the same identity (on whole-second times, a rewrite
// within the second leaves every stamp as it was): it is not offered, and the caller
// reads it itself. Once the grain has passed, the file is offered; on tmpfs such a
// rewrite changes the change time and is seen at take().
TEST_P(DocumentReadAheadGrainTest, AFileChangedWithinItsTimeGrainIsReadAgain)
{
    using testsupport::ScopedFileSystem;
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const QString file = fileSystem.path() + QStringLiteral("/grain.chronark");
    const auto write = [&](const QString &job) {
        NodePtr root = Node::create(Node::Root);
        NodePtr jobNode = Node::create(Node::Job);
        jobNode->setItemName(job);
        root->addChild(jobNode);
        return DocumentFileFormat::writeToFile(file, DocumentFileFormat::TypeName, *root, DocumentValuesStore());
    };
    const auto jobRead = [](const DocumentReadAhead::Offer &offer) {
        return offer.result && offer.result->root && offer.result->root->childrenCount() == 1
                   ? offer.result->root->childAtIndex(0)->itemName()
                   : QString();
    };

    ASSERT_TRUE(ScopedFileSystem::waitForStartOfSecond());
    ASSERT_TRUE(write(QStringLiteral("Read ahead")));
    {
        DocumentReadAhead ahead;
        ahead.read({file});
        bool read = false;
        ahead.whenRead(&ahead, [&] { read = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return read; }, 30000));
        // Rewritten in place, same size, its time put back.
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        const std::optional<platform::RegularFile::Identity> before = platform::RegularFile::identityOf(file);
        QFile opened(file);
        ASSERT_TRUE(opened.open(QIODevice::ReadWrite));
        QByteArray bytes = opened.readAll();
        ASSERT_TRUE(bytes.contains("Read ahead"));
        bytes.replace("Read ahead", "Read later");
        ASSERT_TRUE(opened.seek(0));
        ASSERT_EQ(opened.write(bytes), bytes.size());
        opened.close();
        const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
        if (GetParam() == ScopedFileSystem::Kind::WholeSeconds) {
            EXPECT_EQ(platform::RegularFile::identityOf(file), before) << "the rewrite left every stamp as it was";
        }
        EXPECT_TRUE(ahead.take(file).isEmpty()) << "offered: " << qPrintable(jobRead(ahead.take(file)));
    }
    // Settled: read ahead and offered, as it is now.
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform::RegularFile::identityOf(file)->isSettled(); }, 5000));
    DocumentReadAhead ahead;
    ahead.read({file});
    bool read = false;
    ahead.whenRead(&ahead, [&] { read = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return read; }, 30000));
    EXPECT_EQ(jobRead(ahead.take(file)), QStringLiteral("Read later"));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, DocumentReadAheadGrainTest,
                         ::testing::Values(testsupport::ScopedFileSystem::Kind::Tmpfs,
                                           testsupport::ScopedFileSystem::Kind::WholeSeconds),
                         [](const ::testing::TestParamInfo<testsupport::ScopedFileSystem::Kind> &kind) {
                             return kind.param == testsupport::ScopedFileSystem::Kind::Tmpfs ? std::string("Tmpfs")
                                                                                              : std::string("WholeSeconds");
                         });
