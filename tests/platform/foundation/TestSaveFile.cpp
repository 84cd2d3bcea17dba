// A save file writes whole or not at all, follows a link at its place or replaces
// the link itself as asked, and removes after a commit only what earlier saves of
// the same file recorded and left: the records are checked, never trusted.
#include "platform/foundation/SaveFile.h"

#include "platform/foundation/ContentDigest.h"
#include "platform/foundation/SaveFileLeftovers.h"
#include "tests/support/PipeOpener.h"
#include "tests/support/SystemCallFilter.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::SaveFile;
namespace SaveFileLeftovers = platform::SaveFileLeftovers;

namespace {

class SaveFileTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    QString records() const { return dir.filePath(QStringLiteral("state/Saves")); }

    static bool save(const QString &file, const QByteArray &bytes, SaveFile::FinalLink link, const QString &recordFolder = {})
    {
        SaveFile saveFile(file, link);
        saveFile.setRecordFolder(recordFolder);
        return saveFile.open(QIODevice::WriteOnly) && saveFile.write(bytes) == bytes.size() && saveFile.commit();
    }

    QStringList namesIn(const QString &folder) const
    {
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    static bool isLink(const QString &file)
    {
        struct stat st {};
        return ::lstat(QFile::encodeName(file).constData(), &st) == 0 && S_ISLNK(st.st_mode);
    }

    // A record as the writer makes it: the path with the device and inode found there.
    static SaveFileLeftovers::Record recordOf(const QString &file)
    {
        struct stat st {};
        EXPECT_EQ(::lstat(QFile::encodeName(file).constData(), &st), 0) << qPrintable(file);
        return {file, quint64(st.st_dev), quint64(st.st_ino)};
    }

    // The record file that recording `made` for the save of `saved` adds.
    QString recordFileOf(const QString &saved, const SaveFileLeftovers::Record &made) const
    {
        const QStringList before = namesIn(records());
        EXPECT_TRUE(SaveFileLeftovers::record(records(), saved, made));
        QStringList added = namesIn(records());
        for (const QString &known : before)
            added.removeOne(known);
        EXPECT_EQ(added.size(), 1);
        return added.isEmpty() ? QString() : QDir(records()).filePath(added.constFirst());
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(SaveFileTest, WritesWholeOrNotAtAllAndKeepsThePermissions)
{
    const QString file = path(QStringLiteral("notes.txt"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow));
    EXPECT_EQ(testsupport::readFile(file), "first");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    ASSERT_TRUE(save(file, "second", SaveFile::FinalLink::Replace));
    EXPECT_EQ(testsupport::readFile(file), "second");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    {
        // Cancelled, or gone without a commit: the file stays as it was.
        SaveFile cancelled(file);
        ASSERT_TRUE(cancelled.open(QIODevice::WriteOnly));
        EXPECT_EQ(cancelled.write("never"), 5);
        cancelled.cancelWriting();
        EXPECT_FALSE(cancelled.commit());
        SaveFile dropped(file);
        ASSERT_TRUE(dropped.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        EXPECT_EQ(dropped.write("never"), 5);
    }
    EXPECT_EQ(testsupport::readFile(file), "second");
    EXPECT_EQ(namesIn(dir.path()), QStringList{QStringLiteral("notes.txt")});

    // A folder in the file's place, a missing folder, a reading mode: refused.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    SaveFile folder(path(QStringLiteral("folder")));
    EXPECT_FALSE(folder.open(QIODevice::WriteOnly));
    EXPECT_FALSE(folder.errorString().isEmpty());
    SaveFile missing(path(QStringLiteral("absent/notes.txt")));
    EXPECT_FALSE(missing.open(QIODevice::WriteOnly));
    SaveFile reading(file);
    EXPECT_FALSE(reading.open(QIODevice::ReadWrite));
    EXPECT_EQ(testsupport::readFile(file), "second");
}

// Follow writes the file a link names and keeps the link; Replace puts a regular
// file in the link's place and leaves the file it named alone.
TEST_F(SaveFileTest, ALinkAtThePlaceIsFollowedOrReplacedItselfAsAsked)
{
    const QString target = path(QStringLiteral("target.txt"));
    ASSERT_TRUE(testsupport::writeFile(target, "target"));
    const QString link = path(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("target.txt"), link));

    ASSERT_TRUE(save(link, "through the link", SaveFile::FinalLink::Follow));
    EXPECT_TRUE(isLink(link));
    EXPECT_EQ(testsupport::readFile(target), "through the link");

    ASSERT_TRUE(save(link, "in the link's place", SaveFile::FinalLink::Replace));
    EXPECT_FALSE(isLink(link));
    EXPECT_EQ(testsupport::readFile(link), "in the link's place");
    EXPECT_EQ(testsupport::readFile(target), "through the link");

    // A link to nothing yet: Follow makes the file it names, Replace the file itself.
    const QString dangling = path(QStringLiteral("dangling.txt"));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("made.txt")), dangling));
    ASSERT_TRUE(save(dangling, "made", SaveFile::FinalLink::Follow));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("made.txt"))), "made");
    EXPECT_TRUE(isLink(dangling));
}

// What a save killed before its rename leaves is found by its record, and a later
// commit removes it; a record naming anything the writer did not make (another
// folder, a pipe, another name, another file or none, several links) is dropped and
// its file stays, and a record that is no regular file is never opened.
TEST_F(SaveFileTest, ACommitRemovesOnlyWhatTheRecordsOfItsFileRightlyName)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "saved", SaveFile::FinalLink::Follow, records()));
    EXPECT_TRUE(namesIn(records()).isEmpty()) << "a commit clears its own record";
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(records()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700u) << "the records name the person's files";

    // A leftover as the writer makes it: recorded with its file before the rename.
    const QString killed = path(QStringLiteral("Work.xml.Qwerty"));
    ASSERT_TRUE(testsupport::writeFile(killed, "leftover"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(killed)));
    // A record naming no file (device 0, inode 0), which the writer never writes: a
    // name alone is no leftover of its.
    const QString monday = path(QStringLiteral("Work.xml.monday"));
    ASSERT_TRUE(testsupport::writeFile(monday, "the person's copy"));
    EXPECT_FALSE(SaveFileLeftovers::record(records(), file, {monday, 0, 0}));
    const QString mondayRecord = recordFileOf(file, recordOf(monday));
    QList<QByteArray> words = testsupport::readFile(mondayRecord).split(' ');
    ASSERT_EQ(words.size(), 4);
    words[1] = words[2] = "0";
    ASSERT_TRUE(testsupport::writeFile(mondayRecord, words.join(' ')));

    // Records that name what the writer did not make.
    QTemporaryDir elsewhere;
    const QString away = elsewhere.filePath(QStringLiteral("Work.xml.Zxcvbn"));
    ASSERT_TRUE(testsupport::writeFile(away, "away"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(away)));
    const QString pipe = path(QStringLiteral("Work.xml.abcdef"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(pipe)));
    const QString copy = path(QStringLiteral("Work.xml.backup"));
    ASSERT_TRUE(testsupport::writeFile(copy, "the person's copy"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {copy, 1, 1}));
    // A stale record of the right name and device whose file is another one now.
    const QString friday = path(QStringLiteral("Work.xml.friday"));
    ASSERT_TRUE(testsupport::writeFile(friday, "the person's copy"));
    SaveFileLeftovers::Record stale = recordOf(friday);
    ++stale.inode;
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, stale));
    const QString longer = path(QStringLiteral("Work.xml.backup1"));
    ASSERT_TRUE(testsupport::writeFile(longer, "the person's copy"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(longer)));
    const QString hardLinked = path(QStringLiteral("Work.xml.Hardln"));
    ASSERT_TRUE(testsupport::writeFile(hardLinked, "linked twice"));
    ASSERT_EQ(::link(QFile::encodeName(hardLinked).constData(), QFile::encodeName(path(QStringLiteral("second"))).constData()), 0);
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(hardLinked)));
    const QString symbolic = path(QStringLiteral("Work.xml.Symlnk"));
    ASSERT_TRUE(QFile::link(copy, symbolic));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(symbolic)));
    // The records of another file are not this file's.
    const QString otherKilled = path(QStringLiteral("Other.xml.Poiuyt"));
    ASSERT_TRUE(testsupport::writeFile(otherKilled, "other"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), path(QStringLiteral("Other.xml")), recordOf(otherKilled)));
    QString others;
    if (::geteuid() == 0) {
        // Only the super-user can give a file to another user.
        others = path(QStringLiteral("Work.xml.Others"));
        ASSERT_TRUE(testsupport::writeFile(others, "another user's"));
        ASSERT_EQ(::chown(QFile::encodeName(others).constData(), 65534, 65534), 0);
        ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(others)));
    }
    ASSERT_EQ(namesIn(records()).size(), others.isEmpty() ? 10 : 11);

    // A record replaced by a link to a good record, and one by a pipe a writer waits at.
    const QString linkedRecord = elsewhere.filePath(QStringLiteral("record"));
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("Work.xml.Mnbvcx")), "leftover"));
    const QString recordOfMnbvcx = recordFileOf(file, recordOf(path(QStringLiteral("Work.xml.Mnbvcx"))));
    ASSERT_TRUE(QFile::rename(recordOfMnbvcx, linkedRecord));
    ASSERT_TRUE(QFile::link(linkedRecord, recordOfMnbvcx));
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("Work.xml.Lkjhgf")), "leftover"));
    const QString recordOfLkjhgf = recordFileOf(file, recordOf(path(QStringLiteral("Work.xml.Lkjhgf"))));
    ASSERT_TRUE(QFile::remove(recordOfLkjhgf));
    ASSERT_EQ(::mkfifo(QFile::encodeName(recordOfLkjhgf).constData(), 0600), 0);
    testsupport::PipeOpener recordWriter(recordOfLkjhgf, O_WRONLY);
    testsupport::PipeOpener leftoverWriter(pipe, O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recordWriter.isWaitingInOpen() && leftoverWriter.isWaitingInOpen(); }, 10000));

    ASSERT_TRUE(save(file, "saved again", SaveFile::FinalLink::Follow, records()));
    EXPECT_EQ(testsupport::readFile(file), "saved again");
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_EQ(testsupport::readFile(monday), "the person's copy");
    for (const QString &kept : {away, copy, friday, longer, hardLinked, otherKilled, path(QStringLiteral("Work.xml.Mnbvcx")),
                                path(QStringLiteral("Work.xml.Lkjhgf"))})
        EXPECT_TRUE(QFileInfo::exists(kept)) << qPrintable(kept);
    if (!others.isEmpty()) {
        EXPECT_TRUE(QFileInfo::exists(others));
    }
    EXPECT_TRUE(isLink(symbolic));
    EXPECT_EQ(testsupport::readFile(copy), "the person's copy");
    EXPECT_TRUE(recordWriter.isWaitingInOpen()) << "a record that is a pipe was opened";
    EXPECT_TRUE(leftoverWriter.isWaitingInOpen()) << "a recorded pipe was opened";
    // The records of this file that were regular files are gone; the other file's stays,
    // and what stands in a record's place as no regular file is left alone.
    QStringList left = namesIn(records());
    EXPECT_EQ(left.size(), 3) << qPrintable(left.join(u' '));
    EXPECT_TRUE(left.contains(QFileInfo(recordOfMnbvcx).fileName()));
    EXPECT_TRUE(left.contains(QFileInfo(recordOfLkjhgf).fileName()));
    EXPECT_FALSE(testsupport::readFile(linkedRecord).isEmpty());
}

// Records stay small: one longer than the bound, or not in the form, is no record.
TEST_F(SaveFileTest, ARecordOutOfBoundsOrFormIsIgnored)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "saved", SaveFile::FinalLink::Follow, records()));
    const QString leftover = path(QStringLiteral("Work.xml.Qwerty"));
    ASSERT_TRUE(testsupport::writeFile(leftover, "leftover"));
    const QString record = recordFileOf(file, recordOf(leftover));
    const QByteArray line = testsupport::readFile(record);
    ASSERT_TRUE(line.endsWith('\n'));
    // Padded past the bound with blanks that a lenient reader would skip.
    ASSERT_TRUE(testsupport::writeFile(record, QByteArray(SaveFileLeftovers::RecordByteLimit, ' ') + line));
    ASSERT_TRUE(save(file, "saved again", SaveFile::FinalLink::Follow, records()));
    EXPECT_TRUE(QFileInfo::exists(leftover));
    // In its own form it is taken.
    ASSERT_TRUE(testsupport::writeFile(record, line));
    ASSERT_TRUE(save(file, "saved once more", SaveFile::FinalLink::Follow, records()));
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(namesIn(records()).isEmpty());
}

// A record is written whole in the folder of records, never through a link at its
// place: the file a link there names stays as it was.
TEST_F(SaveFileTest, ARecordIsNeverWrittenThroughALink)
{
    const QString file = path(QStringLiteral("Work.xml"));
    const QString leftover = path(QStringLiteral("Work.xml.Qwerty"));
    const QString record = recordFileOf(file, {leftover, 1, 2});
    const QString victim = path(QStringLiteral("victim"));
    ASSERT_TRUE(testsupport::writeFile(victim, "untouched"));
    ASSERT_TRUE(QFile::remove(record));
    ASSERT_TRUE(QFile::link(victim, record));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {leftover, 1, 2}));
    EXPECT_FALSE(isLink(record));
    EXPECT_EQ(testsupport::readFile(victim), "untouched");
    EXPECT_TRUE(testsupport::readFile(record).contains("Work.xml.Qwerty"));
}

// Where no link to an unnamed file can be made (linking answers as it does without
// /proc), a save goes through a named file, whole or not at all like any save and
// with the old file's permissions; one killed once that file exists leaves it
// recorded with its device and inode, and the next save removes it. A save that
// cannot give its file the old permissions fails and leaves the file as it was.
TEST_F(SaveFileTest, WithoutLinksASaveGoesThroughANamedFileItRecords)
{
    using testsupport::answeredWith;
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow, records()));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    const auto both = [](std::vector<testsupport::FilteredCall> a, const std::vector<testsupport::FilteredCall> &b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const auto noLinks = answeredWith(testsupport::linkCalls(), ENOENT);
    const auto noModeChange = answeredWith({__NR_fchmod}, EPERM);
    enum class Outcome { Saved, Failed, Killed };
    const struct
    {
        const char *what;
        std::vector<testsupport::FilteredCall> calls;
        Outcome outcome;
    } cases[] = {
        {"no links", noLinks, Outcome::Saved},
        // (Records are renamed into place without links: the kill comes as the unnamed
        // file's content is read to be copied.)
        {"no links, killed while copying", both(noLinks, answeredWith({__NR_pread64}, 0)), Outcome::Killed},
        {"no mode change", noModeChange, Outcome::Failed},
        {"no links, no mode change", both(noLinks, noModeChange), Outcome::Failed},
    };
    int round = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray before = testsupport::readFile(file);
        const QByteArray bytes = "saved " + QByteArray::number(++round);
        const testsupport::FilteredRun run = testsupport::runFiltered(
            c.calls, [&] { return save(file, bytes, SaveFile::FinalLink::Follow, records()); });
        ASSERT_TRUE(run.filtered);
        const QStringList leftovers = namesIn(dir.path()).filter(QStringLiteral("Work.xml."));
        switch (c.outcome) {
        case Outcome::Saved: {
            EXPECT_TRUE(run.answered && run.value) << "signal " << run.signal;
            EXPECT_EQ(testsupport::readFile(file), bytes);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0640u);
            EXPECT_TRUE(leftovers.isEmpty()) << qPrintable(leftovers.join(u' '));
            break;
        }
        case Outcome::Failed:
            EXPECT_TRUE(run.answered && !run.value) << "signal " << run.signal;
            EXPECT_EQ(testsupport::readFile(file), before);
            EXPECT_TRUE(leftovers.isEmpty()) << qPrintable(leftovers.join(u' '));
            break;
        case Outcome::Killed: {
            EXPECT_EQ(run.signal, SIGSYS);
            EXPECT_EQ(testsupport::readFile(file), before);
            ASSERT_EQ(leftovers.size(), 1);
            const QString leftover = path(leftovers.constFirst());
            EXPECT_TRUE(bytes.startsWith(testsupport::readFile(leftover)));
            const QStringList recorded = namesIn(records());
            ASSERT_EQ(recorded.size(), 1);
            const QList<QByteArray> words = testsupport::readFile(QDir(records()).filePath(recorded.constFirst())).split(' ');
            ASSERT_EQ(words.size(), 4);
            const SaveFileLeftovers::Record made = recordOf(leftover);
            EXPECT_EQ(words.at(1).toULongLong(), made.device);
            EXPECT_EQ(words.at(2).toULongLong(), made.inode);
            ASSERT_TRUE(save(file, "after", SaveFile::FinalLink::Follow, records()));
            EXPECT_FALSE(QFileInfo::exists(leftover));
            ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
            break;
        }
        }
        EXPECT_TRUE(namesIn(records()).isEmpty()) << qPrintable(namesIn(records()).join(u' '));
    }
}

// A save killed as it enters any one of its system calls, where the file system
// makes no unnamed files (also where no link could be made to one, and for a file
// saved the first time), leaves the file whole, as it was or as the save wrote it,
// and the next save removes every file the killed one made, its records' own
// temporaries too: nothing is left but the file.
TEST_F(SaveFileTest, ASaveKilledAtAnyStepLeavesNothingOnceTheNextSaveIsDone)
{
    using testsupport::FilteredCall;
    const QString file = path(QStringLiteral("Work.chronark"));
    std::vector<FilteredCall> noLinks = testsupport::noUnnamedFiles();
    for (const FilteredCall &call : testsupport::answeredWith(testsupport::linkCalls(), ENOENT))
        noLinks.push_back(call);
    const struct
    {
        const char *what;
        std::vector<FilteredCall> calls;
        bool existing;
    } settings[] = {
        {"no unnamed files", testsupport::noUnnamedFiles(), true},
        {"no unnamed files, no links", noLinks, true},
        {"no unnamed files, a new file", testsupport::noUnnamedFiles(), false},
        {"no unnamed files, no links, a new file", noLinks, false},
    };
    int kills = 0;
    for (const auto &setting : settings) {
        // Also the first save that records anything (no folder of records yet).
        for (const bool firstRecord : {false, true}) {
            SCOPED_TRACE(testing::Message() << setting.what << (firstRecord ? ", no records yet" : ""));
            for (std::size_t step = 1;; ++step) {
                SCOPED_TRACE(step);
                QFile::remove(file);
                if (setting.existing) {
                    ASSERT_TRUE(save(file, "before", SaveFile::FinalLink::Follow, records()));
                }
                if (firstRecord) {
                    ASSERT_TRUE(QDir(path(QStringLiteral("state"))).removeRecursively());
                }
                const QByteArray killed = "killed at " + QByteArray::number(qulonglong(step));
                const testsupport::TracedRun traced = testsupport::runTraced(
                    setting.calls, step, [&] { return save(file, killed, SaveFile::FinalLink::Follow, records()); });
                ASSERT_TRUE(traced.run.filtered);
                if (traced.run.answered) {
                    // Past its last call: the save ran through.
                    EXPECT_TRUE(traced.run.value);
                    EXPECT_GT(step, 20u);
                    break;
                }
                ASSERT_EQ(traced.run.signal, SIGKILL);
                ++kills;
                const QByteArray now = QFileInfo::exists(file) ? testsupport::readFile(file) : QByteArray("<none>");
                EXPECT_TRUE(now == killed || now == (setting.existing ? QByteArray("before") : QByteArray("<none>")))
                    << now.constData();
                const testsupport::FilteredRun next = testsupport::runFiltered(
                    setting.calls, [&] { return save(file, "after", SaveFile::FinalLink::Follow, records()); });
                ASSERT_TRUE(next.answered && next.value) << "signal " << next.signal;
                EXPECT_EQ(testsupport::readFile(file), "after");
                ASSERT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral("Work.chronark"), QStringLiteral("state")}));
                ASSERT_EQ(namesIn(records()), QStringList());
            }
        }
    }
    EXPECT_GE(kills, 200);
}

// A commit makes its rename last through a power cut: the folder is synced after it.
TEST_F(SaveFileTest, TheFolderIsSyncedAfterTheRename)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow));
    const testsupport::TracedRun traced =
        testsupport::runTraced({}, 0, [&] { return save(file, "second", SaveFile::FinalLink::Follow); });
    ASSERT_TRUE(traced.run.answered && traced.run.value);
    const std::vector<long> renames = testsupport::renameCalls();
    std::size_t renamed = 0;
    int syncs = 0;
    for (std::size_t i = 0; i < traced.calls.size(); ++i) {
        if (std::find(renames.begin(), renames.end(), traced.calls[i]) != renames.end())
            renamed = i + 1;
    }
    ASSERT_GT(renamed, 0u) << "no rename";
    for (std::size_t i = renamed; i < traced.calls.size(); ++i)
        syncs += traced.calls[i] == __NR_fsync || traced.calls[i] == __NR_fdatasync;
    EXPECT_EQ(syncs, 1) << "the folder's syncs after the rename";
    EXPECT_EQ(testsupport::readFile(file), "second");
}

// The replace check comes after the new file is written, just before the rename:
// when it says no, the file stays as it was and nothing of the new one is left, with
// an unnamed new file as with a named one; when it says yes, the save goes on.
TEST_F(SaveFileTest, AReplaceCheckThatSaysNoLeavesTheFileAsItWas)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow, records()));
    const auto commitAsked = [&](bool answer, const QByteArray &bytes) {
        SaveFile saveFile(file);
        saveFile.setRecordFolder(records());
        int asked = 0;
        saveFile.setReplaceCheck([&](const SaveFile::Written &) {
            ++asked;
            return answer;
        });
        const bool committed = saveFile.open(QIODevice::WriteOnly) && saveFile.write(bytes) == bytes.size()
                               && asked == 0 && saveFile.commit();
        return committed == answer && asked == 1;
    };
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        const std::vector<testsupport::FilteredCall> calls =
            named ? testsupport::noUnnamedFiles() : std::vector<testsupport::FilteredCall>{};
        const testsupport::FilteredRun refused = testsupport::runFiltered(calls, [&] { return commitAsked(false, "never"); });
        ASSERT_TRUE(refused.answered && refused.value) << "signal " << refused.signal;
        EXPECT_EQ(testsupport::readFile(file), "first");
        EXPECT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral("Work.xml"), QStringLiteral("state")}));
        EXPECT_EQ(namesIn(records()), QStringList());
    }
    ASSERT_TRUE(commitAsked(true, "second"));
    EXPECT_EQ(testsupport::readFile(file), "second");
}

// A pending record names a file before it exists; the writer writes nothing into it
// before the full record replaces the pending one. So the file a pending record
// names is the writer's only while it is empty: one with content (another program
// took the name after the kill) stays, as does its content, and the record goes.
TEST_F(SaveFileTest, APendingRecordsFileIsRemovedOnlyWhileEmpty)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "saved", SaveFile::FinalLink::Follow, records()));
    const QString empty = path(QStringLiteral("Work.xml.Qwerty"));
    const QString taken = path(QStringLiteral("Work.xml.Asdfgh"));
    const QString never = path(QStringLiteral("Work.xml.Zxcvbn"));
    for (const QString &name : {empty, taken, never})
        ASSERT_TRUE(SaveFileLeftovers::recordPending(records(), file, name));
    ASSERT_TRUE(testsupport::writeFile(empty, QByteArray()));
    ASSERT_TRUE(testsupport::writeFile(taken, "another program's notes"));
    ASSERT_EQ(namesIn(records()).size(), 3);

    ASSERT_TRUE(save(file, "saved again", SaveFile::FinalLink::Follow, records()));
    EXPECT_FALSE(QFileInfo::exists(empty)) << "the writer's empty file stays";
    EXPECT_EQ(testsupport::readFile(taken), "another program's notes");
    EXPECT_FALSE(QFileInfo::exists(never));
    EXPECT_EQ(namesIn(records()), QStringList());
    EXPECT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral("Work.xml"), QStringLiteral("Work.xml.Asdfgh"),
                                                QStringLiteral("state")}));
}

// Where a new file is made under its name, the name is recorded first; when the
// exclusive create is refused (the name was taken meanwhile, or the folder refuses
// it), the record goes with the name: none is left to name a file someone makes
// there later.
TEST_F(SaveFileTest, ARefusedNewFileLeavesNoRecordOfItsName)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow, records()));
    for (const int error : {EEXIST, EACCES}) {
        SCOPED_TRACE(error);
        // No unnamed files; the writer's exclusive create of its named file (the one
        // open of the save with O_NOCTTY: the records' own files are made without) refused.
        std::vector<testsupport::FilteredCall> calls = testsupport::noUnnamedFiles();
#ifdef __NR_open
        calls.push_back({__NR_open, error, 1, unsigned(O_NOCTTY)});
#endif
        calls.push_back({__NR_openat, error, 2, unsigned(O_NOCTTY)});
        const testsupport::FilteredRun run =
            testsupport::runFiltered(calls, [&] { return save(file, "never", SaveFile::FinalLink::Follow, records()); });
        ASSERT_TRUE(run.answered) << "signal " << run.signal;
        EXPECT_FALSE(run.value);
        EXPECT_EQ(testsupport::readFile(file), "first");
        EXPECT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral("Work.xml"), QStringLiteral("state")}));
        EXPECT_EQ(namesIn(records()), QStringList()) << "a record names a file the save never made";
    }
}

// A record that cannot be read when a save looks (here: no file descriptor left for
// opening it) stays, with its file, for a later save, which removes what it names.
TEST_F(SaveFileTest, ARecordThatCannotBeReadNowStaysForALaterSave)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow, records()));
    const QString killed = path(QStringLiteral("Work.xml.Qwerty"));
    ASSERT_TRUE(testsupport::writeFile(killed, "leftover"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, recordOf(killed)));
    const QString pending = path(QStringLiteral("Work.xml.Asdfgh"));
    ASSERT_TRUE(SaveFileLeftovers::recordPending(records(), file, pending));
    ASSERT_TRUE(testsupport::writeFile(pending, QByteArray()));
    const QStringList recorded = namesIn(records());
    ASSERT_EQ(recorded.size(), 2);

    // At the limit of descriptors: one more can be open at a time. The save itself
    // goes through; the records cannot be opened to be read.
    const testsupport::FilteredRun limited = testsupport::runFiltered({}, [&] {
        const int lowest = ::dup(0);
        ::close(lowest);
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = rlim_t(lowest) + 1;
        return ::setrlimit(RLIMIT_NOFILE, &limit) == 0 && save(file, "at the limit", SaveFile::FinalLink::Follow, records());
    });
    ASSERT_TRUE(limited.answered && limited.value) << "signal " << limited.signal;
    EXPECT_EQ(testsupport::readFile(file), "at the limit");
    EXPECT_TRUE(QFileInfo::exists(killed));
    EXPECT_TRUE(QFileInfo::exists(pending));
    EXPECT_EQ(namesIn(records()), recorded) << "records dropped unread";

    ASSERT_TRUE(save(file, "later", SaveFile::FinalLink::Follow, records()));
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_FALSE(QFileInfo::exists(pending));
    EXPECT_EQ(namesIn(records()), QStringList());
    EXPECT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral("Work.xml"), QStringLiteral("state")}));
}

// The replace check is told what was written: the new file's identity from its own
// descriptor and the digest of its bytes. When the file changes while the check is
// asked, it is asked again, so that its answer holds up to the rename; a file that
// keeps changing is not replaced.
TEST_F(SaveFileTest, TheReplaceCheckIsToldWhatWasWrittenAndAskedAgainWhileTheFileChanges)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "first", SaveFile::FinalLink::Follow, records()));
    for (const int changes : {0, 1, SaveFile::ReplaceCheckAskLimit}) {
        SCOPED_TRACE(changes);
        const QByteArray bytes = "written with " + QByteArray::number(changes) + " changes";
        SaveFile saveFile(file);
        saveFile.setRecordFolder(records());
        int asked = 0;
        std::optional<SaveFile::Written> told;
        QByteArray theirs;
        saveFile.setReplaceCheck([&](const SaveFile::Written &written) {
            told = written;
            // Another program's change lands after the check looked.
            if (asked++ < changes) {
                theirs = "changed by another program " + QByteArray::number(asked);
                EXPECT_TRUE(testsupport::writeFile(file, theirs));
            }
            return true;
        });
        ASSERT_TRUE(saveFile.open(QIODevice::WriteOnly));
        ASSERT_EQ(saveFile.write(bytes), bytes.size());
        const bool committed = saveFile.commit();
        ASSERT_TRUE(told.has_value());
        platform::ContentDigest digest;
        digest.addData(bytes);
        EXPECT_EQ(told->digest, digest.result());
        EXPECT_EQ(told->identity.size, bytes.size());
        if (changes < SaveFile::ReplaceCheckAskLimit) {
            ASSERT_TRUE(committed) << qPrintable(saveFile.errorString());
            EXPECT_EQ(asked, changes + 1);
            EXPECT_EQ(testsupport::readFile(file), bytes);
            // The digest made as the bytes went is the one of the file's content, and
            // not the one of another content of the same length.
            QFile written(file);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_EQ(platform::ContentDigest::ofDevice(written), told->digest);
            QByteArray other = bytes;
            other[0] = 'W';
            digest.reset();
            digest.addData(other);
            EXPECT_NE(digest.result(), told->digest);
            const std::optional<platform::RegularFile::Identity> now = platform::RegularFile::identityOf(file);
            ASSERT_TRUE(now.has_value());
            EXPECT_EQ(now->inode, told->identity.inode);
            EXPECT_EQ(now->modifiedNanoseconds, told->identity.modifiedNanoseconds);
            // Told after the rename: the file as it left it, unchanged since.
            ASSERT_TRUE(told->renamed && told->renamed->has_value());
            EXPECT_EQ(**told->renamed, *now);
        } else {
            EXPECT_FALSE(committed);
            EXPECT_EQ(asked, SaveFile::ReplaceCheckAskLimit);
            EXPECT_TRUE(!told->renamed || !told->renamed->has_value()) << "told a rename that was not made";
            EXPECT_EQ(testsupport::readFile(file), theirs);
        }
        EXPECT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral("Work.xml"), QStringLiteral("state")}));
        EXPECT_EQ(namesIn(records()), QStringList());
    }
}
