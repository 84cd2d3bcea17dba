#include "platform/foundation/SaveFileLeftovers.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::SaveFileLeftovers {

namespace {

constexpr qsizetype TemporarySuffixLength = 6;

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool changedBeforeMoment(const struct stat &st, const QDateTime &moment)
{
    const qint64 changed = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return changed < moment.toMSecsSinceEpoch();
}

// Looks at the file through one descriptor that follows no link and waits for no writer.
bool isLeftover(const QByteArray &nativePath, QByteArrayView leadingBytes, const QDateTime &changedBefore)
{
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool leftover = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
        && changedBeforeMoment(st, changedBefore) && st.st_size >= leadingBytes.size()) {
        QByteArray head(leadingBytes.size(), Qt::Uninitialized);
        qsizetype read = 0;
        while (read < head.size()) {
            const ssize_t n = ::read(fd, head.data() + read, size_t(head.size() - read));
            if (n <= 0)
                break;
            read += n;
        }
        leftover = read == head.size() && QByteArrayView(head) == leadingBytes;
    }
    ::close(fd);
    return leftover;
}

} // namespace

bool isTemporaryNameOf(const QString &fileName, const QString &savedFileName)
{
    if (savedFileName.isEmpty() || fileName.size() != savedFileName.size() + 1 + TemporarySuffixLength
        || !fileName.startsWith(savedFileName) || fileName.at(savedFileName.size()) != u'.')
        return false;
    for (qsizetype i = savedFileName.size() + 1; i < fileName.size(); ++i) {
        if (!isAsciiLetter(fileName.at(i)))
            return false;
    }
    return true;
}

int removeFor(const QString &savedPath, QByteArrayView leadingBytes, const QDateTime &changedBefore)
{
    if (leadingBytes.isEmpty() || !changedBefore.isValid())
        return 0;
    const QFileInfo saved(savedPath);
    const QString real = saved.canonicalFilePath();
    if (real.isEmpty())
        return 0;
    const QFileInfo realInfo(real);
    const QString savedName = realInfo.fileName();
    const QDir folder = realInfo.absoluteDir();
    int removed = 0;
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString &name : names) {
        if (!isTemporaryNameOf(name, savedName))
            continue;
        const QByteArray native = QFile::encodeName(folder.filePath(name));
        if (isLeftover(native, leadingBytes, changedBefore) && ::unlink(native.constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace platform::SaveFileLeftovers
