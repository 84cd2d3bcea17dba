#include "platform/foundation/SaveFile.h"

#include "platform/foundation/SaveFileLeftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Readable by others only once it has the old file's permissions.
    const mode_t createMode = m_mode >= 0 ? 0600 : 0666;
    const QByteArray folder = QFile::encodeName(QFileInfo(m_target).absolutePath());
    m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode);
    if (m_fd >= 0) {
        m_unnamed = true;
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        // No unnamed files here: the new file has its name from the start, recorded first.
        for (int attempt = 0; attempt < NameAttempts && m_fd < 0; ++attempt) {
            const QByteArray name = newFileName(target);
            const QString namePath = QFile::decodeName(name);
            SaveFileLeftovers::record(m_recordFolder, m_target, {namePath, 0, 0});
            m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, createMode);
            if (m_fd >= 0) {
                m_newName = namePath;
                break;
            }
            const int error = errno;
            SaveFileLeftovers::clear(m_recordFolder, m_target, namePath);
            if (error != EEXIST)
                return fail(error);
        }
        if (m_fd < 0)
            return fail(EEXIST);
    } else {
        return fail(errno);
    }
    return QIODevice::open(mode);
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
    // On the disk before it takes the file's place.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        discard();
        return fail(error);
    }
    if (m_mode >= 0)
        ::fchmod(m_fd, mode_t(m_mode));
    const QByteArray target = QFile::encodeName(m_target);
    if (m_unnamed) {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) {
            const int error = errno;
            discard();
            return fail(error);
        }
        char self[48];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", m_fd);
        int error = EEXIST;
        for (int attempt = 0; attempt < NameAttempts && error == EEXIST; ++attempt) {
            const QByteArray name = newFileName(target);
            const QString namePath = QFile::decodeName(name);
            // Recorded before the name exists, with the very file that gets it.
            SaveFileLeftovers::record(m_recordFolder, m_target, {namePath, quint64(st.st_dev), quint64(st.st_ino)});
            if (::linkat(AT_FDCWD, self, AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
                m_newName = namePath;
                m_unnamed = false;
                error = 0;
                break;
            }
            error = errno;
            SaveFileLeftovers::clear(m_recordFolder, m_target, namePath);
        }
        if (error != 0) {
            discard();
            return fail(error);
        }
    }
    const QByteArray newName = QFile::encodeName(m_newName);
    if (::rename(newName.constData(), target.constData()) != 0) {
        const int error = errno;
        discard();
        return fail(error);
    }
    SaveFileLeftovers::clear(m_recordFolder, m_target, m_newName);
    m_newName.clear();
    ::close(m_fd);
    m_fd = -1;
    QIODevice::close();
    SaveFileLeftovers::removeRecorded(m_recordFolder, m_target);
    return true;
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
