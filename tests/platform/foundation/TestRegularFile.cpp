// Reading only from regular files: pipes, sockets, devices and the kernel's
// generated files are told apart before and after opening, and opening a pipe that
// has no writer comes back at once instead of waiting for one.
#include "platform/foundation/RegularFile.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
