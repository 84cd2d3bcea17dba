// A save file writes whole or not at all, follows a link at its place or replaces
// the link itself as asked, and removes after a commit only what earlier saves of
// the same file recorded and left: the records are checked, never trusted.
#include "platform/foundation/SaveFile.h"

#include "platform/foundation/SaveFileLeftovers.h"
#include "tests/support/PipeOpener.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

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
// folder, a pipe, another name, another file, several links) is dropped and its
// file stays, and a record that is no regular file is never opened.
TEST_F(SaveFileTest, ACommitRemovesOnlyWhatTheRecordsOfItsFileRightlyName)
{
    const QString file = path(QStringLiteral("Work.xml"));
    ASSERT_TRUE(save(file, "saved", SaveFile::FinalLink::Follow, records()));
    EXPECT_TRUE(namesIn(records()).isEmpty()) << "a commit clears its own record";
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(records()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700u) << "the records name the person's files";

    // A leftover as the writer makes it: recorded with its file before the rename.
    const auto leftover = [&](const QString &name, bool withFile) {
        const QString at = path(name);
        EXPECT_TRUE(testsupport::writeFile(at, "leftover"));
        struct stat st {};
        EXPECT_EQ(::lstat(QFile::encodeName(at).constData(), &st), 0);
        SaveFileLeftovers::Record made{at, withFile ? quint64(st.st_dev) : 0, withFile ? quint64(st.st_ino) : 0};
        EXPECT_TRUE(SaveFileLeftovers::record(records(), file, made));
        return at;
    };
    const QString killed = leftover(QStringLiteral("Work.xml.Qwerty"), true);
    const QString named = leftover(QStringLiteral("Work.xml.Asdfgh"), false);

    // Records that name what the writer did not make.
    QTemporaryDir elsewhere;
    const QString away = elsewhere.filePath(QStringLiteral("Work.xml.Zxcvbn"));
    ASSERT_TRUE(testsupport::writeFile(away, "away"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {away, 0, 0}));
    const QString pipe = path(QStringLiteral("Work.xml.abcdef"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {pipe, 0, 0}));
    const QString copy = path(QStringLiteral("Work.xml.backup"));
    ASSERT_TRUE(testsupport::writeFile(copy, "the person's copy"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {copy, 1, 1}));
    const QString longer = path(QStringLiteral("Work.xml.backup1"));
    ASSERT_TRUE(testsupport::writeFile(longer, "the person's copy"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {longer, 0, 0}));
    const QString hardLinked = path(QStringLiteral("Work.xml.Hardln"));
    ASSERT_TRUE(testsupport::writeFile(hardLinked, "linked twice"));
    ASSERT_EQ(::link(QFile::encodeName(hardLinked).constData(), QFile::encodeName(path(QStringLiteral("second"))).constData()), 0);
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {hardLinked, 0, 0}));
    const QString symbolic = path(QStringLiteral("Work.xml.Symlnk"));
    ASSERT_TRUE(QFile::link(copy, symbolic));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {symbolic, 0, 0}));
    // The records of another file are not this file's.
    const QString otherKilled = path(QStringLiteral("Other.xml.Poiuyt"));
    ASSERT_TRUE(testsupport::writeFile(otherKilled, "other"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), path(QStringLiteral("Other.xml")), {otherKilled, 0, 0}));
    QString others;
    if (::geteuid() == 0) {
        // Only the super-user can give a file to another user.
        others = path(QStringLiteral("Work.xml.Others"));
        ASSERT_TRUE(testsupport::writeFile(others, "another user's"));
        ASSERT_EQ(::chown(QFile::encodeName(others).constData(), 65534, 65534), 0);
        ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {others, 0, 0}));
    }
    ASSERT_EQ(namesIn(records()).size(), others.isEmpty() ? 9 : 10);

    // A record replaced by a link to a good record, and one by a pipe a writer waits at.
    const QString linkedRecord = elsewhere.filePath(QStringLiteral("record"));
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("Work.xml.Mnbvcx")), "leftover"));
    QStringList before = namesIn(records());
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {path(QStringLiteral("Work.xml.Mnbvcx")), 0, 0}));
    QStringList after = namesIn(records());
    for (const QString &known : std::as_const(before))
        after.removeOne(known);
    ASSERT_EQ(after.size(), 1);
    const QString recordOfMnbvcx = QDir(records()).filePath(after.constFirst());
    ASSERT_TRUE(QFile::rename(recordOfMnbvcx, linkedRecord));
    ASSERT_TRUE(QFile::link(linkedRecord, recordOfMnbvcx));
    before = namesIn(records());
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("Work.xml.Lkjhgf")), "leftover"));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {path(QStringLiteral("Work.xml.Lkjhgf")), 0, 0}));
    after = namesIn(records());
    for (const QString &known : std::as_const(before))
        after.removeOne(known);
    ASSERT_EQ(after.size(), 1);
    const QString recordOfLkjhgf = QDir(records()).filePath(after.constFirst());
    ASSERT_TRUE(QFile::remove(recordOfLkjhgf));
    ASSERT_EQ(::mkfifo(QFile::encodeName(recordOfLkjhgf).constData(), 0600), 0);
    testsupport::PipeOpener recordWriter(recordOfLkjhgf, O_WRONLY);
    testsupport::PipeOpener leftoverWriter(pipe, O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recordWriter.isWaitingInOpen() && leftoverWriter.isWaitingInOpen(); }, 10000));

    ASSERT_TRUE(save(file, "saved again", SaveFile::FinalLink::Follow, records()));
    EXPECT_EQ(testsupport::readFile(file), "saved again");
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_FALSE(QFileInfo::exists(named));
    for (const QString &kept : {away, copy, longer, hardLinked, otherKilled, path(QStringLiteral("Work.xml.Mnbvcx")),
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
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {leftover, 0, 0}));
    const QStringList recorded = namesIn(records());
    ASSERT_EQ(recorded.size(), 1);
    const QString record = QDir(records()).filePath(recorded.constFirst());
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
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {leftover, 0, 0}));
    const QStringList recorded = namesIn(records());
    ASSERT_EQ(recorded.size(), 1);
    const QString record = QDir(records()).filePath(recorded.constFirst());
    const QString victim = path(QStringLiteral("victim"));
    ASSERT_TRUE(testsupport::writeFile(victim, "untouched"));
    ASSERT_TRUE(QFile::remove(record));
    ASSERT_TRUE(QFile::link(victim, record));
    ASSERT_TRUE(SaveFileLeftovers::record(records(), file, {leftover, 0, 0}));
    EXPECT_FALSE(isLink(record));
    EXPECT_EQ(testsupport::readFile(victim), "untouched");
    EXPECT_TRUE(testsupport::readFile(record).contains("Work.xml.Qwerty"));
}
