#include "platform/foundation/RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform::RegularFile {

namespace {

// Files of the kernel's own file systems: regular in name, made up as they are read.
bool onGeneratedFileSystem(const struct statfs &fs)
{
    return fs.f_type == PROC_SUPER_MAGIC || fs.f_type == SYSFS_MAGIC || fs.f_type == DEBUGFS_MAGIC
           || fs.f_type == TRACEFS_MAGIC || fs.f_type == SECURITYFS_MAGIC;
}

Kind kindOfStatus(const struct stat &st, const struct statfs &fs)
{
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    if (!S_ISREG(st.st_mode) || onGeneratedFileSystem(fs))
        return Kind::Special;
    return Kind::Regular;
}

} // namespace

Kind kindOf(const QString &path)
{
    if (path.isEmpty())
        return Kind::Missing;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return Kind::Missing;
    struct statfs fs {};
    if (::statfs(native.constData(), &fs) != 0)
        return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Special;
    return kindOfStatus(st, fs);
}

bool openForReading(QFile &file, const QString &path, Kind *kind)
{
    Kind found = Kind::Missing;
    const auto answer = [&](bool ok) {
        if (kind)
            *kind = found;
        return ok;
    };
    if (path.isEmpty())
        return answer(false);
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A socket cannot be opened at all; a file without read permission neither.
        found = kindOf(path);
        return answer(false);
    }
    struct stat st {};
    struct statfs fs {};
    if (::fstat(fd, &st) != 0 || ::fstatfs(fd, &fs) != 0) {
        ::close(fd);
        return answer(false);
    }
    found = kindOfStatus(st, fs);
    const int flags = ::fcntl(fd, F_GETFL);
    if (found != Kind::Regular || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return answer(false);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return answer(false);
    }
    return answer(true);
}

} // namespace platform::RegularFile
