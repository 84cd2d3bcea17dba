#include "platform/foundation/SaveFileLeftovers.h"

#include "platform/foundation/RegularFile.h"
#include "platform/foundation/UnnamedFile.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::SaveFileLeftovers {

namespace {

// The first word of every record.
constexpr char RecordTag[] = "chronark-save";

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Records of one saved file begin with this (its real path's hash) and a dot.
QString recordPrefix(const QString &savedPath)
{
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(savedPath), QCryptographicHash::Sha1).toHex();
    return QString::fromLatin1(hash) + u'.';
}

QString recordPathOf(const QString &recordFolder, const QString &savedPath, const QString &leftoverPath)
{
    const QString leftoverName = QFileInfo(leftoverPath).fileName();
    return QDir(recordFolder).filePath(recordPrefix(savedPath) + leftoverName.right(TemporarySuffixLength));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

// Puts a file holding `bytes` at `path` in one step: a new unnamed file linked in
// (no rename), else a temporary file renamed over the name.
bool writeWhole(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int unnamed = UnnamedFile::open(folder, O_WRONLY, 0600);
    if (unnamed >= 0) {
        bool ok = writeAll(unnamed, bytes);
        int error = 0;
        if (ok) {
            // A record of the same name is an old one: this one replaces it.
            ::unlink(native.constData());
            error = UnnamedFile::link(unnamed, native);
            ok = error == 0;
        }
        ::close(unnamed);
        // Where no link can be made (no /proc), a renamed file serves.
        if (ok || !UnnamedFile::cannotLink(error))
            return ok;
    }
    const QByteArray temporary =
        native + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes);
    ::close(fd);
    if (!written || ::rename(temporary.constData(), native.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

// A record as it stands in the folder: a regular file (never through a link, never
// a pipe), read up to its bound.
std::optional<Record> readRecord(const QString &path)
{
    QFile file;
    if (!RegularFile::openEntryForReading(file, path))
        return std::nullopt;
    const QByteArray bytes = file.read(RecordByteLimit + 1);
    if (bytes.size() > RecordByteLimit || !bytes.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> words = bytes.chopped(1).split(' ');
    if (words.size() != 4 || words.at(0) != RecordTag)
        return std::nullopt;
    Record record;
    bool deviceOk = false;
    bool inodeOk = false;
    record.device = words.at(1).toULongLong(&deviceOk);
    record.inode = words.at(2).toULongLong(&inodeOk);
    record.path = QFile::decodeName(QByteArray::fromPercentEncoding(words.at(3)));
    // Without the file's inode it names no file the writer made: never taken by name alone.
    if (!deviceOk || !inodeOk || record.inode == 0 || record.path.isEmpty())
        return std::nullopt;
    return record;
}

// Whether the recorded file still is the one the writer made beside the saved file,
// as the folder shows it (nothing is opened, no link followed).
bool isWritersLeftover(const Record &record, const QString &savedPath)
{
    const QFileInfo saved(savedPath);
    const QFileInfo leftover(record.path);
    if (!leftover.isAbsolute() || QDir::cleanPath(leftover.absolutePath()) != QDir::cleanPath(saved.absolutePath())
        || !isTemporaryNameOf(leftover.fileName(), saved.fileName()))
        return false;
    struct stat st {};
    if (::lstat(QFile::encodeName(record.path).constData(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1)
        return false;
    return quint64(st.st_dev) == record.device && quint64(st.st_ino) == record.inode;
}

} // namespace

QString defaultRecordFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Chronark/Saves");
}

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

bool record(const QString &recordFolder, const QString &savedPath, const Record &record)
{
    if (recordFolder.isEmpty() || savedPath.isEmpty() || record.path.isEmpty() || record.inode == 0)
        return false;
    // The records name the person's files: the folder is the user's alone.
    const QString folder = QDir::cleanPath(recordFolder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath())
        || (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST))
        return false;
    const QByteArray line = QByteArray(RecordTag) + ' ' + QByteArray::number(record.device) + ' '
                            + QByteArray::number(record.inode) + ' '
                            + QFile::encodeName(record.path).toPercentEncoding("/") + '\n';
    return writeWhole(recordPathOf(recordFolder, savedPath, record.path), line);
}

void clear(const QString &recordFolder, const QString &savedPath, const QString &leftoverPath)
{
    if (recordFolder.isEmpty() || savedPath.isEmpty() || leftoverPath.isEmpty())
        return;
    ::unlink(QFile::encodeName(recordPathOf(recordFolder, savedPath, leftoverPath)).constData());
}

int removeRecorded(const QString &recordFolder, const QString &savedPath)
{
    if (recordFolder.isEmpty() || savedPath.isEmpty())
        return 0;
    const QDir folder(recordFolder);
    const QString prefix = recordPrefix(savedPath);
    const QStringList names =
        folder.entryList({prefix + QStringLiteral("*")}, QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Unsorted);
    int removed = 0;
    int looked = 0;
    for (const QString &name : names) {
        if (name.size() != prefix.size() + TemporarySuffixLength)
            continue;
        if (++looked > RecordsPerFileLimit)
            break;
        const QString path = folder.filePath(name);
        const std::optional<Record> found = readRecord(path);
        if (found && found->path.endsWith(name.right(TemporarySuffixLength)) && isWritersLeftover(*found, savedPath)
            && ::unlink(QFile::encodeName(found->path).constData()) == 0)
            ++removed;
        // A record of ours (a regular file) goes; anything else of that name stays.
        if (RegularFile::kindOfEntry(path) == RegularFile::Kind::Regular)
            ::unlink(QFile::encodeName(path).constData());
    }
    return removed;
}

} // namespace platform::SaveFileLeftovers
