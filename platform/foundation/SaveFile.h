#pragma once
// A file written whole or not at all. open() makes a new file in the folder of the
// file (unnamed where the file system allows it), the bytes go there, and commit()
// gives it a name of its own and renames it over the file in one step: a failed or
// cancelled save leaves the old file whole, a reader sees the old file or the new
// one. The new file gets the old file's permission bits (0666 less the umask for a
// new file; a save that cannot give them fails) and is synced to the disk before the
// rename, and the folder after it, so that a save answered as done stays done
// through a power cut. Where no link to the unnamed file can be made (no /proc), its
// content is copied into a named new file, which then takes the file's place.
//
// What has the file's name:
// - FinalLink::Follow (documents): a symbolic link there, or a chain of them, is
//   followed, and the file it names is replaced; the link stays a link.
// - FinalLink::Replace (the application's own files: settings, autostart entry,
//   state): whatever has the name, a symbolic link too, is replaced itself; nothing
//   is ever written through a link.
// A folder there is refused.
//
// A replace check (setReplaceCheck()) is asked just before the rename, after the new
// file is written and synced, with what was written (Written: the new file's
// identity from its own descriptor, and a digest of its bytes): when it answers
// false, the commit is cancelled (the file stays as it was, nothing of the new file
// is left) and answers false. A check may take a while (it may wait for the file's
// times to settle and read the whole file): when the file (its identity, links
// followed) changed while it was asked, it is asked again, up to
// ReplaceCheckAskLimit times, and the commit fails when the file kept changing. A
// check that looks at the content does so only once the file's identity is settled
// (RegularFile::waitUntilSettled()), so that a write during its read changes the
// identity. What it answered thus holds for the file up to the last look at it, one
// system call before the rename; a change in between is written over.
// Where the file system stamps finely (a tick of the clock), the new file's identity
// is settled before the rename (a wait of at most a tick, mostly none): a write of
// another program after the rename gives the file a later modification time than
// Written's. Where it stamps coarsely, the digest tells such a write.
//
// Leftovers: the name the new file gets before the rename is the file's name, a dot
// and six ASCII letters. A process killed between the two leaves that file behind.
// With a record folder (setRecordFolder(), SaveFileLeftovers), every such file is
// recorded before it has the name: an unnamed file with its device and inode before
// it is linked in, a named one by its name before it is made and with its device and
// inode once it exists, before anything is written into it. The record is cleared
// after the rename, and a commit that succeeds removes what earlier saves of the same
// file recorded and left: only files this writer made, never another file of a
// similar name.
//
// Ownership: a QIODevice; not thread-safe, one writer at a time (any thread). An
// open file that is destroyed or closed without commit() is cancelled. Failures:
// open(), write() and commit() answer false or -1, with the system's reason in
// errorString(); after a failed write commit() cancels and answers false. A commit
// whose rename was made but whose folder could not be synced answers false too: the
// new file has the name, but a power cut may still bring back the old one.
#include "platform/foundation/ContentDigest.h"
#include "platform/foundation/RegularFile.h"

#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace platform {

class SaveFile : public QIODevice
{
    Q_OBJECT
public:
    enum class FinalLink { Follow, Replace };
    // The new file as the save wrote it, looked at through its own descriptor just
    // before the rename (which stamps its change time anew): its identity (settled
    // where the file system stamps finely), and a digest (ContentDigest, made as the
    // bytes were written) of its content.
    struct Written
    {
        RegularFile::Identity identity;
        QByteArray digest;
        // The file's identity as the rename left it, looked at through the new file's
        // own descriptor right after the rename (one system call later): filled in by
        // a commit that renamed, empty until then and after a commit that did not. A
        // later change of another program is told from the save by it, on a file system
        // that stamps finely also one that puts the modification time back.
        std::shared_ptr<std::optional<RegularFile::Identity>> renamed;
    };
    // Times a replace check is asked, at most, while the file changes as it is asked.
    static constexpr int ReplaceCheckAskLimit = 4;

    explicit SaveFile(const QString &path, FinalLink finalLink = FinalLink::Follow, QObject *parent = nullptr);
    ~SaveFile() override;
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // The name given (as given).
    QString fileName() const { return m_path; }
    // Where the names of new files are recorded (empty: not recorded, the default).
    void setRecordFolder(const QString &folder) { m_recordFolder = folder; }
    // Asked just before the new file takes the file's place (see above); on the
    // thread that commits.
    void setReplaceCheck(std::function<bool(const Written &)> check) { m_replaceCheck = std::move(check); }

    // Write-only (QIODevice::WriteOnly, optionally Unbuffered).
    bool open(OpenMode mode) override;
    // Puts the written file in the place of the file; answers success.
    bool commit();
    // Drops what was written; the file stays as it was.
    void cancelWriting();
    void close() override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool fail(int error);
    bool failWith(const QString &reason);
    void discard();
    // The permissions the new file is made with.
    mode_t createMode() const;
    // Makes the new file under its name from the start, recorded before it exists.
    bool openNamedFile();
    // Links the unnamed file in under its name, or copies it into a named file.
    bool nameUnnamedFile();
    bool copyContent(int from, int to);
    // Gives the file the old file's permission bits (m_mode).
    bool giveMode(int fd);
    bool sync(int fd);
    bool syncFolder();
    // Asks the replace check until the file holds still while it is asked.
    bool mayReplace();

    QString m_path;
    FinalLink m_finalLink;
    QString m_recordFolder;
    std::function<bool(const Written &)> m_replaceCheck;
    // Of the bytes written so far.
    ContentDigest m_digest;
    // The file replaced (links followed when asked) and the new file's name, once it has one.
    QString m_target;
    QString m_newName;
    int m_fd = -1;
    bool m_unnamed = false;
    bool m_writeFailed = false;
    // The permission bits to give the new file, or -1 to keep the ones it was made with.
    int m_mode = -1;
    // Written::renamed of the last replace check asked.
    std::shared_ptr<std::optional<RegularFile::Identity>> m_renamed;
};

} // namespace platform
