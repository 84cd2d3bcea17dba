#include "platform/foundation/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <limits>
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

constexpr qint64 NanosecondsPerSecond = 1'000'000'000;
// Longest wait settledIdentityOf() makes for a file to settle.
constexpr qint64 SettleWaitLimitNanoseconds = 20'000'000;

// File systems (statfs magic numbers) whose stamps are coarse, or come from a
// machine or program whose stamps may be: FAT keeps modification times to two
// seconds, exFAT, network shares and user-space file systems may keep whole seconds.
constexpr unsigned long CoarseFileSystems[] = {
    MSDOS_SUPER_MAGIC, 0x2011BAB0 /* exFAT */, NFS_SUPER_MAGIC, SMB_SUPER_MAGIC, 0xFF534D42 /* CIFS */,
    0xFE534D42 /* SMB2 */, 0x65735546 /* FUSE */, 0x5346414F /* AFS */, 0x564C /* NCP */,
};

qint64 coarseClockTick()
{
    struct timespec resolution {};
    if (::clock_getres(CLOCK_REALTIME_COARSE, &resolution) != 0)
        return NanosecondsPerSecond / 100;
    return qint64(resolution.tv_sec) * NanosecondsPerSecond + resolution.tv_nsec;
}

qint64 stampGrainOf(const struct stat &st, const struct statfs *fs)
{
    if (fs) {
        for (const unsigned long type : CoarseFileSystems) {
            if ((unsigned long)(fs->f_type) == type)
                return 2 * NanosecondsPerSecond;
        }
    }
    // No fraction in either time: a file system that keeps whole seconds.
    if (st.st_mtim.tv_nsec == 0 && st.st_ctim.tv_nsec == 0)
        return NanosecondsPerSecond;
    // Stamps from the kernel's coarse clock.
    return coarseClockTick();
}

Identity identityOfStatus(const struct stat &st, const struct statfs *fs)
{
    Identity identity;
    identity.device = quint64(st.st_dev);
    identity.inode = quint64(st.st_ino);
    identity.size = qint64(st.st_size);
    identity.modifiedSeconds = qint64(st.st_mtim.tv_sec);
    identity.modifiedNanoseconds = qint64(st.st_mtim.tv_nsec);
    identity.changedSeconds = qint64(st.st_ctim.tv_sec);
    identity.changedNanoseconds = qint64(st.st_ctim.tv_nsec);
    identity.stampGrainNanoseconds = stampGrainOf(st, fs);
    return identity;
}

// Nanoseconds from now until the identity is settled (below 0: it is). A file
// system stamps the time truncated to its grain (or the coarse clock's last tick),
// so a change after the change time's grain has passed gets a later time.
qint64 untilSettled(const Identity &identity)
{
    // The clock the file systems stamp with: the real-time clock as of the kernel's
    // last tick, up to a tick behind the real time.
    struct timespec now {};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0)
        return identity.stampGrainNanoseconds;
    const __int128 changed = __int128(identity.changedSeconds) * NanosecondsPerSecond + identity.changedNanoseconds;
    const __int128 current = __int128(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec;
    const __int128 left = changed + identity.stampGrainNanoseconds - current;
    return qint64(std::clamp<__int128>(left, -1, std::numeric_limits<qint64>::max()));
}

} // namespace

bool Identity::isSettled() const
{
    return untilSettled(*this) < 0;
}

std::optional<Identity> identityOf(const QFile &file)
{
    return identityOfDescriptor(file.handle());
}

std::optional<Identity> identityOfDescriptor(int fd)
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    struct statfs fs {};
    return identityOfStatus(st, ::fstatfs(fd, &fs) == 0 ? &fs : nullptr);
}

std::optional<Identity> identityOf(const QString &path)
{
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || ::stat(native.constData(), &st) != 0)
        return std::nullopt;
    struct statfs fs {};
    return identityOfStatus(st, ::statfs(native.constData(), &fs) == 0 ? &fs : nullptr);
}

namespace {

// The identity `take` answers, taken again once it is settled when that is at most
// the wait limit away.
template <typename Take>
std::optional<Identity> settledIdentity(const Take &take)
{
    std::optional<Identity> identity = take();
    // A wait of one tick of a fine clock: a later write gets a later time. A coarse
    // file system's grain is not waited out here. The coarse clock moves on at the
    // kernel's ticks, so a wait may end a little before it did: looked at again.
    qint64 waited = 0;
    while (identity) {
        const qint64 left = untilSettled(*identity);
        if (left < 0 || left > SettleWaitLimitNanoseconds || waited > SettleWaitLimitNanoseconds)
            return identity;
        const struct timespec pause {0, long(left) + 1000};
        ::nanosleep(&pause, nullptr);
        waited += left + 1000;
        identity = take();
    }
    return identity;
}

} // namespace

std::optional<Identity> settledIdentityOf(const QFile &file)
{
    return settledIdentity([&file] { return identityOf(file); });
}

std::optional<Identity> settledIdentityOf(const QString &path)
{
    return settledIdentity([&path] { return identityOf(path); });
}

std::optional<Identity> settledIdentityOfDescriptor(int fd)
{
    return settledIdentity([fd] { return identityOfDescriptor(fd); });
}

bool waitUntilSettled(const Identity &identity)
{
    // The grain, and a tick of the coarse clock besides; a clock set back meanwhile
    // may make it longer, which is not waited out.
    const qint64 limit = std::min<qint64>(identity.stampGrainNanoseconds, 2 * NanosecondsPerSecond)
                         + coarseClockTick() + SettleWaitLimitNanoseconds;
    qint64 waited = 0;
    for (qint64 left = untilSettled(identity); left >= 0; left = untilSettled(identity)) {
        if (waited > limit)
            return false;
        const qint64 pause = std::min<qint64>(left + 1000, limit);
        const struct timespec wait {time_t(pause / NanosecondsPerSecond), long(pause % NanosecondsPerSecond)};
        ::nanosleep(&wait, nullptr);
        waited += pause;
    }
    return true;
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
