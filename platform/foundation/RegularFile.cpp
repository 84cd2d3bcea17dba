#include "platform/foundation/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <ctime>
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

// A descriptor, closed when the guard goes unless it was released.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// The kind of what a descriptor (an O_PATH one too) stands for; its status in *st.
// A symbolic link (a handle taken without following it) counts as special.
Kind kindOfDescriptor(int fd, struct stat &st)
{
    if (::fstat(fd, &st) != 0)
        return Kind::Missing;
    if (S_ISLNK(st.st_mode))
        return Kind::Special;
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0)
        return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Special;
    return kindOfStatus(st, fs);
}

// Opens, with `flags` and without waiting, the regular file an O_PATH handle was
// taken on and looked at (`looked`): through /proc/self/fd, which opens that very
// file whatever its name names by now; where /proc is not mounted, by its name
// (never following a last symbolic link when `followLinks` is off), checked after
// the open to be that file. The descriptor answered waits again on reads and writes.
int openLookedAt(const Descriptor &handle, const QByteArray &native, int flags, bool followLinks,
                 const struct stat &looked)
{
    flags |= O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    char name[48];
    std::snprintf(name, sizeof name, "/proc/self/fd/%d", handle.get());
    int opened = ::open(name, flags);
    if (opened < 0 && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
        opened = ::open(native.constData(), flags | (followLinks ? 0 : O_NOFOLLOW));
    Descriptor fd(opened);
    if (fd.get() < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != looked.st_dev
        || st.st_ino != looked.st_ino)
        return -1;
    const int status = ::fcntl(fd.get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return -1;
    return fd.release();
}

// The file for writing (at its end when `append`), made when nothing has the name.
bool openToWrite(QFile &file, const QString &path, bool append, Kind *kind)
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
    const QIODevice::OpenMode mode = append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly;
    // A name made or removed by another process between two steps is looked at again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        Descriptor handle(::open(native.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (handle.get() < 0) {
            if (errno != ENOENT)
                return answer(false);
            // Nothing of that name: a new file, which nothing else can be.
            Descriptor made(::open(native.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC
                                       | (append ? O_APPEND : 0),
                                   0666));
            if (made.get() < 0) {
                if (errno == EEXIST)
                    continue;
                return answer(false);
            }
            found = Kind::Regular;
            if (!file.open(made.get(), mode, QFileDevice::AutoCloseHandle))
                return answer(false);
            made.release();
            return answer(true);
        }
        struct stat looked {};
        found = kindOfDescriptor(handle.get(), looked);
        if (found != Kind::Regular)
            return answer(false);
        Descriptor fd(openLookedAt(handle, native, O_WRONLY | (append ? O_APPEND : 0), false, looked));
        // Emptied only once it is known to be the file looked at.
        if (fd.get() < 0 || (!append && ::ftruncate(fd.get(), 0) != 0))
            return answer(false);
        if (!file.open(fd.get(), mode, QFileDevice::AutoCloseHandle))
            return answer(false);
        fd.release();
        return answer(true);
    }
    return answer(false);
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

Kind kindOfEntry(const QString &path)
{
    if (path.isEmpty())
        return Kind::Missing;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return Kind::Missing;
    if (S_ISLNK(st.st_mode))
        return Kind::Special;
    struct statfs fs {};
    if (::statfs(native.constData(), &fs) != 0)
        return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Special;
    return kindOfStatus(st, fs);
}

namespace {

bool openToRead(QFile &file, const QString &path, bool followLinks, Kind *kind)
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
    // A handle that opens nothing: a pipe's other end is not woken, no driver runs.
    Descriptor handle(::open(native.constData(), O_PATH | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW)));
    if (handle.get() < 0)
        return answer(false);
    struct stat looked {};
    found = kindOfDescriptor(handle.get(), looked);
    if (found != Kind::Regular)
        return answer(false);
    Descriptor fd(openLookedAt(handle, native, O_RDONLY, followLinks, looked));
    if (fd.get() < 0)
        return answer(false);
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return answer(false);
    fd.release();
    return answer(true);
}

} // namespace

bool openForReading(QFile &file, const QString &path, Kind *kind)
{
    return openToRead(file, path, true, kind);
}

bool openEntryForReading(QFile &file, const QString &path, Kind *kind)
{
    return openToRead(file, path, false, kind);
}

namespace {

Identity identityOfStatus(const struct stat &st)
{
    Identity identity;
    identity.device = quint64(st.st_dev);
    identity.inode = quint64(st.st_ino);
    identity.size = qint64(st.st_size);
    identity.modifiedSeconds = qint64(st.st_mtim.tv_sec);
    identity.modifiedNanoseconds = qint64(st.st_mtim.tv_nsec);
    identity.changedSeconds = qint64(st.st_ctim.tv_sec);
    identity.changedNanoseconds = qint64(st.st_ctim.tv_nsec);
    return identity;
}

} // namespace

std::optional<Identity> identityOf(const QFile &file)
{
    struct stat st {};
    if (file.handle() < 0 || ::fstat(file.handle(), &st) != 0)
        return std::nullopt;
    return identityOfStatus(st);
}

std::optional<Identity> identityOf(const QString &path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return identityOfStatus(st);
}

std::optional<Identity> settledIdentityOf(const QFile &file)
{
    // The coarse clock is the one file systems stamp changes with: once it is past
    // the change time, a later write gets a later time.
    constexpr int MaximumWaits = 200;
    for (int wait = 0;; ++wait) {
        std::optional<Identity> identity = identityOf(file);
        struct timespec now {};
        if (!identity || ::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0 || wait == MaximumWaits)
            return identity;
        if (std::pair(qint64(now.tv_sec), qint64(now.tv_nsec))
            > std::pair(identity->changedSeconds, identity->changedNanoseconds))
            return identity;
        const struct timespec pause {0, 500 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

bool openForWriting(QFile &file, const QString &path, Kind *kind)
{
    return openToWrite(file, path, false, kind);
}

bool openForAppending(QFile &file, const QString &path, Kind *kind)
{
    return openToWrite(file, path, true, kind);
}

} // namespace platform::RegularFile
