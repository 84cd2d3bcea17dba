// Whether the document's file was changed by another program is told by the file's
// whole identity, and by its content where the identity cannot tell yet: a file put
// in its place by rename with the same size and times (as cp -p, rsync -t and tar
// leave it), or rewritten in place with its time put back, is never saved over
// without the question, on tmpfs (times to the nanosecond) as on a file system with
// whole-second times, where such a rewrite within the second leaves every stamp
// as it was, and on vfat (modification times to two seconds).
#include "TestDocumentSupport.h"

#include "platform/foundation/RegularFile.h"
#include "tests/support/FileEvents.h"
#include "tests/support/HeldPool.h"
#include "tests/support/ScopedFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <random>

#include <fcntl.h>
#include <sys/stat.h>

using namespace doctest;
using testsupport::FileEvents;
using testsupport::HeldPool;
using testsupport::ScopedFileSystem;
namespace RegularFile = platform::RegularFile;

namespace {

class DocumentFileIdentityTest : public DocumentFixture, public ::testing::WithParamInterface<ScopedFileSystem::Kind>
{
protected:
    static struct timespec modificationTime(const QString &file)
    {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        return st.st_mtim;
    }
    // Sets the modification time, as cp -p, rsync -t, tar and touch -r do.
    static bool setModificationTime(const QString &file, struct timespec time)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, time};
        return ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) == 0;
    }
    // Writes new bytes of the same length over the file in place, and puts its time back.
    static bool rewriteInPlace(const QString &file, const QByteArray &bytes)
    {
        const struct timespec before = modificationTime(file);
        QFile opened(file);
        if (!opened.open(QIODevice::ReadWrite) || opened.size() != bytes.size() || opened.write(bytes) != bytes.size())
            return false;
        opened.close();
        return setModificationTime(file, before);
    }
    // Saves by hand, answering the question about a changed file when it comes.
    static bool saveAskingAnswered(TextDocument *doc, bool *asked)
    {
        int calls = 0;
        bool saved = false;
        doc->saveDocumentWithCompletion([&](bool ok) {
            saved = ok;
            ++calls;
        });
        *asked = false;
        // The save ends, or asks first.
        if (!QTest::qWaitFor([&] { return calls == 1 || !visibleMessageBoxes().isEmpty(); }, 10000))
            return false;
        if (calls == 0) {
            QMessageBox *box = visibleMessageBoxes().constLast();
            *asked = box->text() == QStringLiteral("The file has been changed by another application since you opened or saved it.");
            answer(box, QMessageBox::Save);
        }
        return QTest::qWaitFor([&] { return calls == 1; }, 10000) && saved;
    }
};

} // namespace

TEST_P(DocumentFileIdentityTest, AChangeWithTheSameSizeAndTimesIsNeverSavedOverWithoutAsking)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const bool wholeSeconds = GetParam() != ScopedFileSystem::Kind::Tmpfs;
    const QString file = fileSystem.path() + QStringLiteral("/work.txtdoc");

    // Everything up to the rewrite falls within one second.
    ASSERT_TRUE(ScopedFileSystem::waitForStartOfSecond());
    ASSERT_TRUE(writeText(file, "original"));
    auto *doc = qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->fileChangedOnDisk()) << "nothing changed";
    const std::optional<RegularFile::Identity> read = RegularFile::identityOf(file);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->stampGrainNanoseconds >= 1'000'000'000, wholeSeconds);

    // Rewritten in place, of the same size, its modification time put back.
    ASSERT_TRUE(rewriteInPlace(file, "TEXT\nchanged!"));
    // (vfat keeps its change times, in memory, to 10 ms.)
    if (GetParam() == ScopedFileSystem::Kind::WholeSeconds) {
        EXPECT_EQ(RegularFile::identityOf(file), read) << "the rewrite left every stamp as it was";
    }
    EXPECT_TRUE(doc->fileChangedOnDisk());
    doc->setText(QStringLiteral("mine one"));
    bool asked = false;
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    EXPECT_TRUE(asked) << "Ctrl+S saved over the change without asking";
    EXPECT_EQ(testsupport::readFile(file), "TEXT\nmine one");
    // Its own save is no change of another program's, also within the second.
    EXPECT_FALSE(doc->fileChangedOnDisk());
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    EXPECT_FALSE(asked);

    // Replaced by rename with a file of the same size and times.
    const QString copy = fileSystem.path() + QStringLiteral("/copy.txtdoc");
    ASSERT_TRUE(writeText(copy, "theirs!!"));
    ASSERT_TRUE(setModificationTime(copy, modificationTime(file)));
    ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()), 0);
    EXPECT_TRUE(doc->fileChangedOnDisk());
    doc->setText(QStringLiteral("mine two"));
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    EXPECT_TRUE(asked) << "Ctrl+S saved over the replaced file without asking";
    EXPECT_EQ(testsupport::readFile(file), "TEXT\nmine two");

    // Once the grain has passed, the settled file is told by its identity alone.
    ASSERT_TRUE(QTest::qWaitFor([&] { return RegularFile::identityOf(file)->isSettled(); }, 5000));
    EXPECT_FALSE(doc->fileChangedOnDisk());
    ASSERT_TRUE(rewriteInPlace(file, "TEXT\nlater!!!"));
    EXPECT_TRUE(doc->fileChangedOnDisk());
    doc->close();
    drainEvents();
}

// A save written in the background looks whether another program changed the file
// on its pool thread, just before it writes: the GUI thread reads nothing of the file
// (the look waits for the pool), a change made while the pool is busy is seen, and
// the answer is the GUI thread's own (fileChangedOnDisk()) at every step of a random
// run of changes, within the file system's grain (where the content tells) and after
// it; a rewrite right after the last look before the rename is asked about too.
TEST_P(DocumentFileIdentityTest, ABackgroundSaveLooksAtTheFileOnItsPoolThreadAsTheGuiThreadWould)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const QString file = fileSystem.path() + QStringLiteral("/pool.txtdoc");
    const QString copy = fileSystem.path() + QStringLiteral("/copy.txtdoc");
    ASSERT_TRUE(ScopedFileSystem::waitForStartOfSecond());
    ASSERT_TRUE(writeText(file, "original"));
    auto *doc = qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(doc, nullptr);
    doc->writeInBackground = true;

    // RewrittenAfterTheLastLook: rewritten in place while the writer (through
    // platform::SaveFile) waits after its last look at the content, before the rename.
    enum Change { None, RewrittenInPlace, ReplacedByRename, Touched, Rewritten, Removed, RewrittenAfterTheLastLook, Changes };
    // Another program's change; a file that is gone is written anew.
    auto change = [&](Change kind, int step) {
        const QByteArray now = testsupport::readFile(file);
        if (!QFile::exists(file))
            kind = kind == None ? None : Rewritten;
        // As long as the file, and not what it holds.
        QByteArray theirs(now.size(), step % 2 ? 'a' : 'b');
        switch (kind) {
        case None:
        case RewrittenAfterTheLastLook:
        case Changes:
            return true;
        case RewrittenInPlace:
            return rewriteInPlace(file, theirs);
        case ReplacedByRename:
            return writeText(copy, theirs.mid(5)) && setModificationTime(copy, modificationTime(file))
                   && ::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()) == 0;
        case Touched:
            return setModificationTime(file, {0, UTIME_NOW});
        case Rewritten:
            return writeText(file, "theirs, longer: " + QByteArray::number(step));
        case Removed:
            return QFile::remove(file);
        }
        return false;
    };

    std::mt19937 random(74);
    int asked = 0, saved = 0, lateRewrites = 0;
    for (int step = 0; step < 30; ++step) {
        const Change kind = Change(random() % Changes);
        SCOPED_TRACE(testing::Message() << "step " << step << ", change " << kind);
        doc->setText(QStringLiteral("mine %1").arg(step));
        int calls = 0;
        bool changed = false;
        if (kind == RewrittenAfterTheLastLook) {
            doc->writeThroughSaveFile = true;
            doc->checkGate->close();
            const int arrived = doc->checkGate->arrived();
            changed = doc->fileChangedOnDisk();
            doc->saveDocumentWithCompletion([&](bool) { ++calls; });
            // The first look finds what changed before; else the write goes on to its last look.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return calls == 1 || !visibleMessageBoxes().isEmpty() || doc->checkGate->arrived() > arrived; },
                10000));
            if (doc->checkGate->arrived() > arrived && QFile::exists(file)) {
                const QByteArray now = testsupport::readFile(file);
                ASSERT_TRUE(rewriteInPlace(file, QByteArray(now.size(), 'c')));
                changed = true;
                ++lateRewrites;
            }
            doc->checkGate->open();
            doc->writeThroughSaveFile = false;
        } else {
            HeldPool held;
            doc->saveDocumentWithCompletion([&](bool) { ++calls; });
            // After the save was asked for, before its pool thread could look.
            ASSERT_TRUE(change(kind, step));
            changed = doc->fileChangedOnDisk();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1 || !visibleMessageBoxes().isEmpty(); }, 10000));
        EXPECT_EQ(calls == 0, changed) << "the save's look differs from the GUI thread's";
        if (calls == 0) {
            ++asked;
            answer(visibleMessageBoxes().constLast(), random() % 2 ? QMessageBox::Save : QMessageBox::Cancel);
            ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 10000));
        } else {
            ++saved;
        }
    }
    EXPECT_GT(asked, 0);
    EXPECT_GT(saved, 0);
    EXPECT_GT(lateRewrites, 0);
    doc->close();
    drainEvents();
}

// The state a save keeps of the file it wrote is its identity: where the file
// system's times are fine (a tick of the clock), nothing of the file is read back,
// for that state or for the next save's look; where they are whole seconds, the
// content tells. Either way a rewrite in place right after a save is seen.
TEST_P(DocumentFileIdentityTest, ASaveReadsItsFileBackOnlyWhereTheTimesAreCoarse)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const bool wholeSeconds = GetParam() != ScopedFileSystem::Kind::Tmpfs;
    const QString file = fileSystem.path() + QStringLiteral("/saved.txtdoc");
    ASSERT_TRUE(writeText(file, "original"));
    auto *doc = qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(doc, nullptr);
    doc->writeInBackground = true;
    // Reads of the file in that name's place, whichever file it is.
    FileEvents events(fileSystem.path(), IN_ACCESS);
    ASSERT_TRUE(events.isWatching());
    const auto reads = [&events] { return events.take(IN_ACCESS, QStringLiteral("saved.txtdoc")); };
    // Opened within the grain of its writing, the file's state holds a digest: the
    // first save looks at the content.
    doc->setText(QStringLiteral("first"));
    bool asked = false;
    ASSERT_TRUE(saveAskingAnswered(doc, &asked));
    reads();
    for (int save = 0; save < 4; ++save) {
        ASSERT_TRUE(ScopedFileSystem::waitForStartOfSecond());
        doc->setText(QStringLiteral("mine %1").arg(save));
        ASSERT_TRUE(saveAskingAnswered(doc, &asked));
        EXPECT_FALSE(asked);
        const int read = reads();
        if (wholeSeconds)
            EXPECT_GT(read, 0) << "within the second, the content tells";
        else
            EXPECT_EQ(read, 0) << "the save read its file back";
        EXPECT_FALSE(doc->fileChangedOnDisk());
        ASSERT_TRUE(rewriteInPlace(file, "TEXT\nyour " + QByteArray::number(save)));
        EXPECT_TRUE(doc->fileChangedOnDisk());
        // Saved over after the question.
        ASSERT_TRUE(saveAskingAnswered(doc, &asked));
        EXPECT_TRUE(asked);
        reads();
    }
    doc->close();
    drainEvents();
}

// A change another program makes while a save is written, after the save's first
// look and before its rename (here: while the write waits at the gate), is not
// written over: the file stays as the other program left it, nothing of the save is
// left beside it, the document stays edited, and the person is asked, as when the
// change is found first. By hand and by the autosave; a rewrite in place keeping the
// size and the times, and a file of the same size and times put in its place.
TEST_P(DocumentFileIdentityTest, AChangeMadeWhileASaveIsWrittenIsNeverWrittenOver)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const QString file = fileSystem.path() + QStringLiteral("/meanwhile.txtdoc");
    const QString copy = fileSystem.path() + QStringLiteral("/copy.txtdoc");
    ASSERT_TRUE(writeText(file, "original"));
    auto *doc = qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(doc, nullptr);
    doc->writeInBackground = true;
    int round = 0;
    for (const bool autosave : {false, true}) {
        for (const bool renamed : {false, true}) {
            SCOPED_TRACE(testing::Message() << (autosave ? "autosave, " : "save, ") << (renamed ? "renamed" : "in place"));
            doc->setText(QStringLiteral("mine %1").arg(++round));
            const int arrived = doc->gate->arrived();
            doc->gate->close();
            int calls = 0;
            bool saved = true;
            if (autosave) {
                doc->autosaveDocument();
            } else {
                doc->saveDocumentWithCompletion([&](bool ok) {
                    saved = ok;
                    ++calls;
                });
            }
            // The write runs: the first look found nothing.
            ASSERT_TRUE(QTest::qWaitFor([&] { return doc->gate->arrived() == arrived + 1; }, 10000));
            const QByteArray now = testsupport::readFile(file);
            const QByteArray theirs(now.size(), renamed ? 'r' : 'p');
            if (renamed) {
                ASSERT_TRUE(writeText(copy, theirs.mid(5)));
                ASSERT_TRUE(setModificationTime(copy, modificationTime(file)));
                ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()), 0);
            } else {
                ASSERT_TRUE(rewriteInPlace(file, theirs));
            }
            const QByteArray changed = testsupport::readFile(file);
            doc->gate->open();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !visibleMessageBoxes().isEmpty(); }, 10000))
                << "saved over the change without asking";
            QMessageBox *box = visibleMessageBoxes().constLast();
            EXPECT_EQ(box->text(), QStringLiteral("The file has been changed by another application since you opened or saved it."));
            EXPECT_EQ(testsupport::readFile(file), changed);
            EXPECT_TRUE(doc->isDocumentEdited());
            QStringList names = QDir(fileSystem.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            names.removeOne(QStringLiteral("lost+found"));
            EXPECT_EQ(names, QStringList{QStringLiteral("meanwhile.txtdoc")});
            // Saved over after the question.
            answer(box, QMessageBox::Save);
            const QByteArray mine = "TEXT\nmine " + QByteArray::number(round);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return !doc->isSaving() && (autosave || calls == 1) && testsupport::readFile(file) == mine; },
                10000));
            EXPECT_TRUE(saved);
            EXPECT_FALSE(doc->isDocumentEdited());
        }
    }
    doc->close();
    drainEvents();
}

// Another program's write of the same size, its time put back, after the save's last
// look at the content and before the rename (here: while the writer waits at the
// gate after its replace check answered), is not written over, on a file system that
// stamps whole seconds or two as on a fine one, with everything up to the write
// within one second: the person is asked, and the file stays as the other program
// left it. By hand and by the autosave.
TEST_P(DocumentFileIdentityTest, AWriteRightAfterTheSavesLastLookAtTheContentIsNeverWrittenOver)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    for (const bool autosave : {false, true}) {
        SCOPED_TRACE(autosave ? "autosave" : "save");
        const QString file = fileSystem.path() + (autosave ? QStringLiteral("/auto.txtdoc") : QStringLiteral("/hand.txtdoc"));
        // Opened within the second of its writing: the state holds a digest where the
        // times are coarse, and the save's last look reads the content.
        ASSERT_TRUE(ScopedFileSystem::waitForStartOfSecond());
        ASSERT_TRUE(writeText(file, QByteArray(4096, 'o')));
        auto *doc = qobject_cast<TextDocument *>(controller->openDocumentWithContentsOfFile(file, true));
        ASSERT_NE(doc, nullptr);
        doc->writeInBackground = true;
        doc->writeThroughSaveFile = true;
        doc->setText(QStringLiteral("mine"));
        doc->checkGate->close();
        int calls = 0;
        bool saved = true;
        if (autosave) {
            doc->autosaveDocument();
        } else {
            doc->saveDocumentWithCompletion([&](bool ok) {
                saved = ok;
                ++calls;
            });
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return doc->checkGate->arrived() == 1; }, 10000));
        const QByteArray theirs = "TEXT\n" + QByteArray(4096, 't');
        ASSERT_TRUE(rewriteInPlace(file, theirs));
        doc->checkGate->open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !visibleMessageBoxes().isEmpty(); }, 10000))
            << "saved over the change without asking";
        EXPECT_EQ(testsupport::readFile(file), theirs);
        EXPECT_TRUE(doc->isDocumentEdited());
        answer(visibleMessageBoxes().constLast(), QMessageBox::Cancel);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !doc->isSaving() && (autosave || calls == 1); }, 10000));
        EXPECT_FALSE(saved && !autosave);
        EXPECT_EQ(testsupport::readFile(file), theirs);
        doc->close();
        drainEvents();
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, DocumentFileIdentityTest,
                         ::testing::Values(ScopedFileSystem::Kind::Tmpfs, ScopedFileSystem::Kind::WholeSeconds,
                                           ScopedFileSystem::Kind::Vfat),
                         [](const ::testing::TestParamInfo<ScopedFileSystem::Kind> &kind) {
                             switch (kind.param) {
                             case ScopedFileSystem::Kind::Tmpfs:
                                 return std::string("Tmpfs");
                             case ScopedFileSystem::Kind::WholeSeconds:
                                 return std::string("WholeSeconds");
                             case ScopedFileSystem::Kind::Vfat:
                                 break;
                             }
                             return std::string("Vfat");
                         });
