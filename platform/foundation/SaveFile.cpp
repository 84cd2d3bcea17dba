#include "platform/foundation/SaveFile.h"

#include "platform/foundation/SaveFileLeftovers.h"
#include "platform/foundation/UnnamedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Links followed at most, as the system does.
constexpr int LinkDepthLimit = 40;
// Names tried for the new file before giving up.
constexpr int NameAttempts = 16;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name of the new file: the file's, a dot and six ASCII letters.
QByteArray newFileName(const QByteArray &target)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray name = target + '.';
    for (qsizetype i = 0; i < SaveFileLeftovers::TemporarySuffixLength; ++i)
        name += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return name;
}

// The path a chain of symbolic links at `path` ends at (the path itself when it is none).
QString followedTarget(const QString &path, bool *tooDeep)
{
    QString current = path;
    for (int depth = 0; depth < LinkDepthLimit; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        const QString target = info.symLinkTarget();
        if (target.isEmpty())
            return current;
        current = QDir::cleanPath(target);
    }
    *tooDeep = true;
    return current;
}

} // namespace

SaveFile::SaveFile(const QString &path, FinalLink finalLink, QObject *parent)
    : QIODevice(parent), m_path(path), m_finalLink(finalLink)
{
}

SaveFile::~SaveFile()
{
    discard();
}

bool SaveFile::fail(int error)
{
    return failWith(systemReason(error));
}

bool SaveFile::failWith(const QString &reason)
{
    setErrorString(reason);
    return false;
}

bool SaveFile::open(OpenMode mode)
{
    if (isOpen() || m_fd >= 0)
        return failWith(QStringLiteral("The file is open already"));
    if (!(mode & WriteOnly) || (mode & (ReadOnly | Append | Truncate | NewOnly | ExistingOnly)) != 0)
        return failWith(QStringLiteral("A save file is opened for writing only"));
    if (m_path.isEmpty())
        return fail(ENOENT);
    m_writeFailed = false;
    m_digest.reset();
    // What a replace check is told of the content needs the digest's state.
    if (!m_digest.isValid())
        return fail(ENOMEM);
    m_newName.clear();
    m_unnamed = false;
    m_mode = -1;
    const QString absolute = QDir::cleanPath(QFileInfo(m_path).absoluteFilePath());
    bool tooDeep = false;
    m_target = m_finalLink == FinalLink::Follow ? followedTarget(absolute, &tooDeep) : absolute;
    if (tooDeep)
        return fail(ELOOP);
    // Known by its folder's real path (the records of its saves are kept by it).
    const QFileInfo targetInfo(m_target);
    const QString realFolder = QFileInfo(targetInfo.absolutePath()).canonicalFilePath();
    if (!realFolder.isEmpty())
        m_target = QDir(realFolder).filePath(targetInfo.fileName());
    const QByteArray target = QFile::encodeName(m_target);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(EISDIR);
        if (S_ISREG(st.st_mode)) {
            // A file that may not be written is not replaced either.
            if (::access(target.constData(), W_OK) != 0)
                return fail(errno);
            m_mode = int(st.st_mode & 07777);
        }
    }
    // Read and written: where no link to it can be made, its content is copied.
    const QByteArray folder = QFile::encodeName(QFileInfo(m_target).absolutePath());
    m_fd = UnnamedFile::open(folder, O_RDWR, createMode());
    if (m_fd >= 0)
        m_unnamed = true;
    else if (!UnnamedFile::isUnsupported(errno))
        return fail(errno);
    else if (!openNamedFile()) // no unnamed files here
        return false;
    return QIODevice::open(mode);
}

mode_t SaveFile::createMode() const
{
    // Readable by others only once it has the old file's permissions.
    return m_mode >= 0 ? 0600 : 0666;
}

bool SaveFile::openNamedFile()
{
    const QByteArray target = QFile::encodeName(m_target);
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QByteArray name = newFileName(target);
        // A name something has is passed over before it is recorded.
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0)
            continue;
        // Recorded before it exists; the full record replaces this one before a byte
        // is written into it.
        const QString namePath = QFile::decodeName(name);
        SaveFileLeftovers::recordPending(m_recordFolder, m_target, namePath);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                              createMode());
        if (fd < 0) {
            const int error = errno;
            SaveFileLeftovers::clear(m_recordFolder, m_target, namePath);
            if (error == EEXIST)
                continue;
            return fail(error);
        }
        m_fd = fd;
        m_newName = namePath;
        if (::fstat(fd, &st) == 0)
            SaveFileLeftovers::record(m_recordFolder, m_target, {m_newName, quint64(st.st_dev), quint64(st.st_ino)});
        return true;
    }
    return fail(EEXIST);
}

qint64 SaveFile::readData(char *, qint64)
{
    return -1;
}

qint64 SaveFile::writeData(const char *data, qint64 size)
{
    if (m_fd < 0 || m_writeFailed)
        return -1;
    qint64 written = 0;
    while (written < size) {
        const ssize_t n = ::write(m_fd, data + written, size_t(size - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_writeFailed = true;
            fail(n < 0 ? errno : ENOSPC);
            return -1;
        }
        m_digest.addData(QByteArrayView(data + written, qsizetype(n)));
        written += n;
    }
    return written;
}

bool SaveFile::commit()
{
    if (!isOpen() || m_fd < 0)
        return failWith(QStringLiteral("The file is not open"));
    if (m_writeFailed) {
        const QString reason = errorString();
        discard();
        return failWith(reason);
    }
    // With the old file's permissions and on the disk before it takes the file's place.
    if (!giveMode(m_fd) || !sync(m_fd) || (m_unnamed && !nameUnnamedFile())) {
        const QString reason = errorString();
        discard();
        return failWith(reason);
    }
    const QByteArray target = QFile::encodeName(m_target);
    const QByteArray newName = QFile::encodeName(m_newName);
    // The last look before the new file takes the file's place.
    if (m_replaceCheck && !mayReplace()) {
        m_renamed.reset();
        const QString reason = errorString();
        discard();
        return failWith(reason);
    }
    if (::rename(newName.constData(), target.constData()) != 0) {
        const int error = errno;
        m_renamed.reset();
        discard();
        return fail(error);
    }
    // The file as the rename left it (the rename stamped its change time).
    if (m_renamed)
        *std::exchange(m_renamed, {}) = RegularFile::identityOfDescriptor(m_fd);
    SaveFileLeftovers::clear(m_recordFolder, m_target, m_newName);
    m_newName.clear();
    ::close(m_fd);
    m_fd = -1;
    QIODevice::close();
    // The rename on the disk too: until the folder is synced, a power cut may bring
    // back the old file after the save was answered.
    const bool synced = syncFolder();
    SaveFileLeftovers::removeRecorded(m_recordFolder, m_target);
    return synced;
}

bool SaveFile::mayReplace()
{
    // Settled where that is a tick away: a later write of another program gives a
    // later time.
    const std::optional<RegularFile::Identity> identity = RegularFile::settledIdentityOfDescriptor(m_fd);
    if (!identity)
        return fail(errno);
    m_renamed = std::make_shared<std::optional<RegularFile::Identity>>();
    const Written written{*identity, m_digest.result(), m_renamed};
    const QByteArray target = QFile::encodeName(m_target);
    for (int ask = 0; ask < ReplaceCheckAskLimit; ++ask) {
        const std::optional<RegularFile::Identity> before = RegularFile::identityOf(m_target);
        if (!m_replaceCheck(written))
            return failWith(QStringLiteral("The file was not replaced"));
        // Asked again when the file changed meanwhile: the check may have looked
        // before the change. The last look before the rename (one system call).
        struct stat st {};
        const bool exists = ::stat(target.constData(), &st) == 0;
        if (exists != bool(before))
            continue;
        if (!exists)
            return true;
        if (quint64(st.st_dev) == before->device && quint64(st.st_ino) == before->inode
            && qint64(st.st_size) == before->size && qint64(st.st_mtim.tv_sec) == before->modifiedSeconds
            && qint64(st.st_mtim.tv_nsec) == before->modifiedNanoseconds
            && qint64(st.st_ctim.tv_sec) == before->changedSeconds
            && qint64(st.st_ctim.tv_nsec) == before->changedNanoseconds)
            return true;
    }
    return failWith(QStringLiteral("The file kept changing while it was looked at"));
}

bool SaveFile::giveMode(int fd)
{
    if (m_mode < 0 || ::fchmod(fd, mode_t(m_mode)) == 0)
        return true;
    const int error = errno;
    // A file system that keeps no permissions of its own (one mode for all its
    // files) may refuse the change and yet show the new file with the old one's.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && int(st.st_mode & 07777) == m_mode)
        return true;
    return fail(error);
}

bool SaveFile::sync(int fd)
{
    // A file system that cannot sync (EINVAL) or is read-only has nothing to sync.
    if (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS)
        return true;
    return fail(errno);
}

bool SaveFile::syncFolder()
{
    // A folder that may be written but not read cannot be opened to be synced.
    const QByteArray folder = QFile::encodeName(QFileInfo(m_target).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool synced = sync(fd);
    ::close(fd);
    return synced;
}

bool SaveFile::nameUnnamedFile()
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fail(errno);
    const QByteArray target = QFile::encodeName(m_target);
    int error = EEXIST;
    for (int attempt = 0; attempt < NameAttempts && error == EEXIST; ++attempt) {
        const QByteArray name = newFileName(target);
        const QString namePath = QFile::decodeName(name);
        // Recorded before the name exists, with the very file that gets it.
        SaveFileLeftovers::record(m_recordFolder, m_target, {namePath, quint64(st.st_dev), quint64(st.st_ino)});
        error = UnnamedFile::link(m_fd, name);
        if (error == 0) {
            m_newName = namePath;
            m_unnamed = false;
            return true;
        }
        SaveFileLeftovers::clear(m_recordFolder, m_target, namePath);
    }
    if (!UnnamedFile::cannotLink(error))
        return fail(error);
    // No link can be made here (no /proc): the content goes to a named file.
    const int unnamed = std::exchange(m_fd, -1);
    m_unnamed = false;
    const bool copied = openNamedFile() && copyContent(unnamed, m_fd) && giveMode(m_fd) && sync(m_fd);
    ::close(unnamed);
    return copied;
}

bool SaveFile::copyContent(int from, int to)
{
    std::vector<char> block(size_t(1) << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(from, block.data(), block.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        if (n == 0)
            return true;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(to, block.data() + written, size_t(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return fail(w < 0 ? errno : ENOSPC);
            written += w;
        }
        offset += n;
    }
}

void SaveFile::discard()
{
    if (!m_newName.isEmpty()) {
        ::unlink(QFile::encodeName(m_newName).constData());
        SaveFileLeftovers::clear(m_recordFolder, m_target, m_newName);
        m_newName.clear();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_unnamed = false;
    if (isOpen())
        QIODevice::close();
}

void SaveFile::cancelWriting()
{
    discard();
}

void SaveFile::close()
{
    discard();
}

} // namespace platform
