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
#include <sys/stat.h>
#include <unistd.h>

namespace platform::SaveFileLeftovers {

namespace {

// The first word of every record, and of a pending one (the name recorded before
// the file exists, so without its inode).
constexpr char RecordTag[] = "chronark-save";
constexpr char PendingTag[] = "chronark-new";
// What a record's temporary file adds to the record's name, before random letters.
constexpr char TemporaryRecordMark[] = ".tmp";

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
// under the name, else (no unnamed files or links here, or a record of that name
// stands: a save's pending record, which its full one replaces) a temporary file
// beside it, written and renamed over the name. A temporary that a kill left is
// named after the record and ".tmp": removeRecorded() removes it.
bool writeWhole(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = QFile::encodeName(path);
    const int unnamed = UnnamedFile::open(QFile::encodeName(QFileInfo(path).absolutePath()), O_WRONLY, 0600);
    if (unnamed >= 0) {
        const bool written = writeAll(unnamed, bytes);
        const int error = written ? UnnamedFile::link(unnamed, native) : 0;
        ::close(unnamed);
        if (!written)
            return false;
        if (error == 0)
            return true;
        if (error != EEXIST && !UnnamedFile::cannotLink(error))
            return false;
    }
    const QByteArray temporary =
        native + TemporaryRecordMark + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
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

// Whether a name in the folder of records is a temporary of a record of the saved
// file whose records begin with the prefix.
bool isTemporaryRecordName(const QString &name, const QString &prefix)
{
    const qsizetype mark = prefix.size() + TemporarySuffixLength;
    if (name.size() <= mark + qsizetype(sizeof TemporaryRecordMark - 1) || !name.startsWith(prefix)
        || name.mid(mark, qsizetype(sizeof TemporaryRecordMark - 1)) != QLatin1String(TemporaryRecordMark))
        return false;
    for (qsizetype i = prefix.size(); i < mark; ++i) {
        if (!isAsciiLetter(name.at(i)))
            return false;
    }
    return true;
}

// What a record file says: a record, or a pending one (no device and inode: the
// name was recorded before its file was made).
struct ReadRecord
{
    Record record;
    bool pending = false;
};

// What the record file in the folder says.
enum class RecordRead {
    Record,     // a record of ours (in *read)
    NoRecord,   // read whole, and no record of ours: dropped
    Unreadable, // not read now (no descriptor left, say): looked at again by a later save
};

// A record as it stands in the folder: a regular file (never through a link, never
// a pipe), read up to its bound.
RecordRead readRecord(const QString &path, ReadRecord *read)
{
    QFile file;
    if (!RegularFile::openEntryForReading(file, path))
        return RecordRead::Unreadable;
    const QByteArray bytes = file.read(RecordByteLimit + 1);
    if (file.error() != QFileDevice::NoError)
        return RecordRead::Unreadable;
    if (bytes.size() > RecordByteLimit || !bytes.endsWith('\n'))
        return RecordRead::NoRecord;
    const QList<QByteArray> words = bytes.chopped(1).split(' ');
    if (words.size() == 2 && words.at(0) == PendingTag) {
        read->pending = true;
        read->record.path = QFile::decodeName(QByteArray::fromPercentEncoding(words.at(1)));
        return read->record.path.isEmpty() ? RecordRead::NoRecord : RecordRead::Record;
    }
    if (words.size() != 4 || words.at(0) != RecordTag)
        return RecordRead::NoRecord;
    bool deviceOk = false;
    bool inodeOk = false;
    read->record.device = words.at(1).toULongLong(&deviceOk);
    read->record.inode = words.at(2).toULongLong(&inodeOk);
    read->record.path = QFile::decodeName(QByteArray::fromPercentEncoding(words.at(3)));
    // Without the file's inode it names no file the writer made: never taken by name alone.
    if (!deviceOk || !inodeOk || read->record.inode == 0 || read->record.path.isEmpty())
        return RecordRead::NoRecord;
    return RecordRead::Record;
}

// Whether the recorded file still is the one the writer made beside the saved file,
// as the folder shows it (nothing is opened, no link followed). A pending record's
// file is taken only while it is empty: the writer writes nothing into it before its
// full record, with the device and inode, has replaced the pending one.
enum class Leftover {
    Writers,
    NotWriters,
    Unknown, // the file could not be looked at now
};

Leftover leftoverOf(const ReadRecord &read, const QString &savedPath)
{
    const Record &record = read.record;
    const QFileInfo saved(savedPath);
    const QFileInfo leftover(record.path);
    if (!leftover.isAbsolute() || QDir::cleanPath(leftover.absolutePath()) != QDir::cleanPath(saved.absolutePath())
        || !isTemporaryNameOf(leftover.fileName(), saved.fileName()))
        return Leftover::NotWriters;
    struct stat st {};
    if (::lstat(QFile::encodeName(record.path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Leftover::NotWriters : Leftover::Unknown;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1)
        return Leftover::NotWriters;
    if (read.pending)
        return st.st_size == 0 ? Leftover::Writers : Leftover::NotWriters;
    return quint64(st.st_dev) == record.device && quint64(st.st_ino) == record.inode ? Leftover::Writers
                                                                                      : Leftover::NotWriters;
}

// The line of a record: its tag, the device and inode when known, the path.
QByteArray recordLine(const QByteArray &tagAndNumbers, const QString &path)
{
    return tagAndNumbers + ' ' + QFile::encodeName(path).toPercentEncoding("/") + '\n';
}

// Writes a record of the save of savedPath for the leftover path.
bool writeRecord(const QString &recordFolder, const QString &savedPath, const QString &leftoverPath,
                 const QByteArray &line)
{
    // The records name the person's files: the folder is the user's alone.
    const QString folder = QDir::cleanPath(recordFolder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath())
        || (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST))
        return false;
    return writeWhole(recordPathOf(recordFolder, savedPath, leftoverPath), line);
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
    const QByteArray numbers = QByteArray(RecordTag) + ' ' + QByteArray::number(record.device) + ' '
                               + QByteArray::number(record.inode);
    return writeRecord(recordFolder, savedPath, record.path, recordLine(numbers, record.path));
}

bool recordPending(const QString &recordFolder, const QString &savedPath, const QString &leftoverPath)
{
    if (recordFolder.isEmpty() || savedPath.isEmpty() || leftoverPath.isEmpty())
        return false;
    return writeRecord(recordFolder, savedPath, leftoverPath, recordLine(PendingTag, leftoverPath));
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
        const bool temporary = isTemporaryRecordName(name, prefix);
        if (!temporary && name.size() != prefix.size() + TemporarySuffixLength)
            continue;
        if (++looked > RecordsPerFileLimit)
            break;
        const QString path = folder.filePath(name);
        // A record's temporary that a kill left (the folder is ours alone).
        if (temporary) {
            if (RegularFile::kindOfEntry(path) == RegularFile::Kind::Regular)
                ::unlink(QFile::encodeName(path).constData());
            continue;
        }
        // A record stays until it could be read and its file looked at (and removed,
        // when it is the writer's): a record dropped unchecked would leave its file
        // for good.
        ReadRecord found;
        const RecordRead read = readRecord(path, &found);
        if (read == RecordRead::Unreadable)
            continue;
        if (read == RecordRead::Record && found.record.path.endsWith(name.right(TemporarySuffixLength))) {
            const Leftover leftover = leftoverOf(found, savedPath);
            if (leftover == Leftover::Unknown)
                continue;
            if (leftover == Leftover::Writers) {
                if (::unlink(QFile::encodeName(found.record.path).constData()) == 0)
                    ++removed;
                else if (errno != ENOENT)
                    continue;
            }
        }
        // A record of ours (a regular file) goes; anything else of that name stays.
        if (RegularFile::kindOfEntry(path) == RegularFile::Kind::Regular)
            ::unlink(QFile::encodeName(path).constData());
    }
    return removed;
}

} // namespace platform::SaveFileLeftovers
