// Reading and writing only regular files: pipes, sockets, devices and the kernel's
// generated files are told apart before anything is opened, so opening a pipe that
// has no writer comes back at once instead of waiting for one, and a process
// waiting in open() at a pipe's other end stays waiting.
#include "platform/foundation/RegularFile.h"

#include "tests/support/PipeOpener.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <ctime>
#include <utility>
#include <unistd.h>

namespace RegularFile = platform::RegularFile;
using Kind = RegularFile::Kind;

namespace {

// A socket file bound in the folder; the descriptor is closed with the guard.
struct BoundSocket
{
    int fd = -1;
    explicit BoundSocket(const QString &path)
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        if (fd < 0 || native.size() >= qsizetype(sizeof address.sun_path))
            return;
        std::copy(native.cbegin(), native.cend(), address.sun_path);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~BoundSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

TEST(RegularFile, EachKindOfNameIsToldApartAndOnlyRegularFilesOpen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("plain.txt"));
    ASSERT_TRUE(testsupport::writeFile(file, "plain"));
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(file, link));
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString pipeLink = dir.filePath(QStringLiteral("pipe-link.txt"));
    ASSERT_TRUE(QFile::link(pipe, pipeLink));
    const QString socketPath = dir.filePath(QStringLiteral("s"));
    BoundSocket socket(socketPath);
    ASSERT_GE(socket.fd, 0);

    const struct
    {
        QString path;
        Kind kind;
    } cases[] = {
        {file, Kind::Regular},
        {link, Kind::Regular},
        {dir.path(), Kind::Folder},
        {pipe, Kind::Special},
        {pipeLink, Kind::Special},
        {socketPath, Kind::Special},
        {QStringLiteral("/dev/null"), Kind::Special},
        {QStringLiteral("/dev/zero"), Kind::Special},
        {QStringLiteral("/proc/self/status"), Kind::Special},
        {QStringLiteral("/sys/kernel/uevent_seqnum"), Kind::Special},
        {dir.filePath(QStringLiteral("absent")), Kind::Missing},
        {QString(), Kind::Missing},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        if (c.path.startsWith(QLatin1String("/sys/")) && !QFile::exists(c.path))
            continue;
        EXPECT_EQ(RegularFile::kindOf(c.path), c.kind);
        // Looked at as it stands, a link is no file of its own.
        const bool isLink = c.path == link || c.path == pipeLink;
        EXPECT_EQ(RegularFile::kindOfEntry(c.path), isLink ? Kind::Special : c.kind);
        QFile opened;
        Kind found = Kind::Regular;
        const bool ok = RegularFile::openForReading(opened, c.path, &found);
        EXPECT_EQ(ok, c.kind == Kind::Regular);
        EXPECT_EQ(opened.isOpen(), ok);
        // The folder and the missing name are not opened at all; the others are
        // looked at through what was opened.
        if (c.kind != Kind::Folder) {
            EXPECT_EQ(found, c.kind);
        }
        if (ok) {
            EXPECT_EQ(opened.readAll(), QByteArray("plain"));
            EXPECT_EQ(opened.size(), 5);
        }
    }
}

TEST(RegularFile, AnOpenedFileReadsWithoutWaitingAndSeeks)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data"));
    const QByteArray bytes = QByteArray("0123456789").repeated(10000);
    ASSERT_TRUE(testsupport::writeFile(file, bytes));
    QFile opened;
    ASSERT_TRUE(RegularFile::openForReading(opened, file));
    EXPECT_EQ(opened.read(13), bytes.left(13));
    ASSERT_TRUE(opened.seek(0));
    EXPECT_EQ(opened.readAll(), bytes);
    opened.close();
    // Closing gives the descriptor back: the file can be removed and is gone.
    EXPECT_TRUE(QFile::remove(file));
}

TEST(RegularFile, APipeIsNotOpenedSoWhoWaitsAtItsOtherEndStaysWaiting)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("pipe-link"));
    ASSERT_TRUE(QFile::link(pipe, link));

    // A writer waits for a reader: neither reading the pipe nor its link lets it through.
    {
        testsupport::PipeOpener writer(pipe, O_WRONLY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
        for (const QString &name : {pipe, link}) {
            QFile file;
            Kind found = Kind::Regular;
            EXPECT_FALSE(RegularFile::openForReading(file, name, &found));
            EXPECT_EQ(found, Kind::Special);
            EXPECT_TRUE(writer.isWaitingInOpen()) << qPrintable(name);
        }
    }
    // A reader waits for a writer: writing or appending to the pipe does not let it
    // through either, nor does it make a file in the pipe's place.
    {
        testsupport::PipeOpener reader(pipe, O_RDONLY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reader.isWaitingInOpen(); }, 10000));
        QFile file;
        Kind found = Kind::Regular;
        EXPECT_FALSE(RegularFile::openForWriting(file, pipe, &found));
        EXPECT_EQ(found, Kind::Special);
        EXPECT_FALSE(RegularFile::openForAppending(file, pipe, &found));
        EXPECT_EQ(found, Kind::Special);
        EXPECT_FALSE(file.isOpen());
        EXPECT_TRUE(reader.isWaitingInOpen());
        EXPECT_EQ(RegularFile::kindOf(pipe), Kind::Special);
    }
}

TEST(RegularFile, WritingMakesEmptiesOrAppendsToARegularFileOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fresh = dir.filePath(QStringLiteral("fresh.log"));
    {
        QFile file;
        Kind found = Kind::Missing;
        ASSERT_TRUE(RegularFile::openForAppending(file, fresh, &found));
        EXPECT_EQ(found, Kind::Regular);
        EXPECT_FALSE(file.isReadable());
        file.write("one\n");
    }
    {
        QFile file;
        ASSERT_TRUE(RegularFile::openForAppending(file, fresh));
        file.write("two\n");
    }
    EXPECT_EQ(testsupport::readFile(fresh), QByteArray("one\ntwo\n"));
    {
        QFile file;
        ASSERT_TRUE(RegularFile::openForWriting(file, fresh));
        file.write("anew");
    }
    EXPECT_EQ(testsupport::readFile(fresh), QByteArray("anew"));
    {
        const QString made = dir.filePath(QStringLiteral("made.txt"));
        QFile file;
        ASSERT_TRUE(RegularFile::openForWriting(file, made));
        file.write("made");
        file.close();
        EXPECT_EQ(testsupport::readFile(made), QByteArray("made"));
    }

    // A symbolic link is not followed, to a file or to nowhere; the file it names is
    // left as it was and nothing is made where a dangling one points.
    const QString target = dir.filePath(QStringLiteral("target.txt"));
    ASSERT_TRUE(testsupport::writeFile(target, "kept"));
    const QString link = dir.filePath(QStringLiteral("link.log"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString dangling = dir.filePath(QStringLiteral("dangling.log"));
    const QString nowhere = dir.filePath(QStringLiteral("nowhere.txt"));
    ASSERT_TRUE(QFile::link(nowhere, dangling));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct
    {
        QString path;
        Kind kind;
    } refused[] = {
        {link, Kind::Special},
        {dangling, Kind::Special},
        {folder, Kind::Folder},
        {QStringLiteral("/dev/null"), Kind::Special},
        {QStringLiteral("/proc/self/comm"), Kind::Special},
        {dir.filePath(QStringLiteral("absent/inside.log")), Kind::Missing},
        {QString(), Kind::Missing},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(qPrintable(c.path));
        for (bool append : {false, true}) {
            QFile file;
            Kind found = Kind::Regular;
            const bool ok = append ? RegularFile::openForAppending(file, c.path, &found)
                                   : RegularFile::openForWriting(file, c.path, &found);
            EXPECT_FALSE(ok);
            EXPECT_FALSE(file.isOpen());
            EXPECT_EQ(found, c.kind);
        }
    }
    EXPECT_EQ(testsupport::readFile(target), QByteArray("kept"));
    EXPECT_FALSE(QFile::exists(nowhere));

    // A regular file without write permission is regular, and not opened.
    const QString locked = dir.filePath(QStringLiteral("locked.log"));
    ASSERT_TRUE(testsupport::writeFile(locked, "locked"));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner));
    if (::geteuid() != 0) {
        QFile file;
        Kind found = Kind::Missing;
        EXPECT_FALSE(RegularFile::openForWriting(file, locked, &found));
        EXPECT_EQ(found, Kind::Regular);
        EXPECT_EQ(testsupport::readFile(locked), QByteArray("locked"));
    }
}

// The identity of an open file is the path's while nothing changed, under any name of
// it; a write in place, even of the same bytes, changes it; the settled identity comes
// once the clock has left the file's change time a grain behind.
TEST(RegularFile, TheIdentityOfAFileFollowsItsContentAndNotItsNames)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(testsupport::writeFile(file, "content"));
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(file, link));
    QFile opened;
    ASSERT_TRUE(RegularFile::openForReading(opened, link));
    const std::optional<RegularFile::Identity> settled = RegularFile::settledIdentityOf(opened);
    ASSERT_TRUE(settled.has_value());
    EXPECT_TRUE(settled->isSettled());
    EXPECT_GT(settled->stampGrainNanoseconds, 0);
    EXPECT_LT(settled->stampGrainNanoseconds, 1'000'000'000) << "this file system keeps fractions of a second";
    EXPECT_EQ(settled->size, 7);
    EXPECT_EQ(RegularFile::identityOf(file), settled);
    EXPECT_EQ(RegularFile::identityOf(link), settled);
    EXPECT_EQ(RegularFile::identityOf(opened), settled);

    // The same bytes written again in place.
    {
        QFile again(file);
        ASSERT_TRUE(again.open(QIODevice::ReadWrite));
        ASSERT_EQ(again.write("content"), 7);
    }
    EXPECT_NE(RegularFile::identityOf(file), settled);
    EXPECT_EQ(RegularFile::identityOf(opened), RegularFile::identityOf(file));
    EXPECT_FALSE(RegularFile::identityOf(dir.filePath(QStringLiteral("absent"))).has_value());
    EXPECT_FALSE(RegularFile::identityOf(QFile()).has_value());
}
