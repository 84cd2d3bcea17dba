#pragma once
// A folder on a file system of a given kind, for tests of what file systems stamp
// differently: tmpfs (times to the nanosecond), ext4 with 128-byte inodes (whole
// seconds) or vfat (modification times to two seconds), the last two made in an
// image file and loop-mounted for the lifetime of the object, then unmounted and
// removed.
//
// Mounting needs the super-user and a loop device: when it cannot be done,
// skipReason() says why (a reason listed in tests/support/skip-allowlist.txt) and
// path() is empty. Tools run: mkfs.ext4 or mkfs.vfat, mount, umount (each waited for, by its
// process). Not thread-safe; one test at a time.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <ctime>
#include <sys/vfs.h>
#include <unistd.h>

namespace testsupport {

class ScopedFileSystem
{
public:
    enum class Kind { Tmpfs, WholeSeconds, Vfat };

    explicit ScopedFileSystem(Kind kind)
    {
        if (kind == Kind::Tmpfs) {
            // /dev/shm is a tmpfs on every Linux system with glibc's shared memory.
            struct statfs fs {};
            if (::statfs("/dev/shm", &fs) != 0 || fs.f_type != 0x01021994 /* TMPFS_MAGIC */) {
                m_skipReason = QStringLiteral("no tmpfs at /dev/shm");
                return;
            }
            m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/chronark-test-XXXXXX"));
            if (m_dir->isValid())
                m_path = m_dir->path();
            else
                m_skipReason = QStringLiteral("no tmpfs at /dev/shm");
            return;
        }
        if (::geteuid() != 0) {
            m_skipReason = QStringLiteral("mounting a file system needs the super-user");
            return;
        }
        if (kind == Kind::Vfat && !kernelMounts("vfat")) {
            m_skipReason = QStringLiteral("this kernel mounts no vfat file system");
            return;
        }
        m_dir = std::make_unique<QTemporaryDir>();
        const QString image = m_dir->filePath(QStringLiteral("image"));
        const QString mountPoint = m_dir->filePath(QStringLiteral("mounted"));
        QFile imageFile(image);
        if (!imageFile.open(QIODevice::WriteOnly) || !imageFile.resize(16 * 1024 * 1024)) {
            m_skipReason = QStringLiteral("no loop-mounted file system can be made here");
            return;
        }
        imageFile.close();
        QDir().mkpath(mountPoint);
        const bool made = kind == Kind::Vfat
                              ? run(QStringLiteral("mkfs.vfat"), {image})
                              : run(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"),
                                                                  QStringLiteral("-I"), QStringLiteral("128"), image});
        if (made
            && run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, mountPoint})) {
            m_mountPoint = mountPoint;
            m_path = mountPoint;
        } else {
            m_skipReason = QStringLiteral("no loop-mounted file system can be made here");
        }
    }
    ~ScopedFileSystem()
    {
        if (!m_mountPoint.isEmpty())
            run(QStringLiteral("umount"), {m_mountPoint});
    }
    ScopedFileSystem(const ScopedFileSystem &) = delete;
    ScopedFileSystem &operator=(const ScopedFileSystem &) = delete;

    // The folder (empty when none could be made).
    QString path() const { return m_path; }
    QString skipReason() const { return m_skipReason; }

    // Waits (handling events) until the system clock has just passed into a new
    // second, so that what a test does next falls within one second's grain.
    static bool waitForStartOfSecond()
    {
        return QTest::qWaitFor(
            [] {
                struct timespec now {};
                return ::clock_gettime(CLOCK_REALTIME, &now) == 0 && now.tv_nsec < 150'000'000;
            },
            3000);
    }

private:
    // Whether the running kernel knows the file system (listed in /proc/filesystems).
    static bool kernelMounts(const char *type)
    {
        QFile list(QStringLiteral("/proc/filesystems"));
        if (!list.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : list.readAll().split('\n')) {
            if (line.trimmed().split('\t').constLast() == type)
                return true;
        }
        return false;
    }
    static bool run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        return process.waitForStarted(30000) && process.waitForFinished(60000)
               && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_mountPoint;
    QString m_path;
    QString m_skipReason;
};

} // namespace testsupport
