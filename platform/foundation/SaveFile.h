#pragma once
// A file written whole or not at all. open() makes a new file in the folder of the
// file (unnamed where the file system allows it), the bytes go there, and commit()
// gives it a name of its own and renames it over the file in one step: a failed or
// cancelled save leaves the old file whole, a reader sees the old file or the new
// one. The new file gets the old file's permission bits (0666 less the umask for a
// new file) and is synced to the disk before the rename.
//
// What has the file's name:
// - FinalLink::Follow (documents): a symbolic link there, or a chain of them, is
//   followed, and the file it names is replaced; the link stays a link.
// - FinalLink::Replace (the application's own files: settings, autostart entry,
//   state): whatever has the name, a symbolic link too, is replaced itself; nothing
//   is ever written through a link.
// A folder there is refused.
//
// Leftovers: the name the new file gets before the rename is the file's name, a dot
// and six ASCII letters. A process killed between the two leaves that file behind.
// With a record folder (setRecordFolder(), SaveFileLeftovers), the name is recorded
// before it is made and the record cleared after the rename, and a commit that
// succeeds removes what earlier saves of the same file recorded and left: only
// files this writer made, never another file of a similar name.
//
// Ownership: a QIODevice; not thread-safe, one writer at a time (any thread). An
// open file that is destroyed or closed without commit() is cancelled. Failures:
// open(), write() and commit() answer false or -1, with the system's reason in
// errorString(); after a failed write commit() cancels and answers false.
#include <QIODevice>
#include <QString>

namespace platform {

class SaveFile : public QIODevice
{
    Q_OBJECT
public:
    enum class FinalLink { Follow, Replace };

    explicit SaveFile(const QString &path, FinalLink finalLink = FinalLink::Follow, QObject *parent = nullptr);
    ~SaveFile() override;
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // The name given (as given).
    QString fileName() const { return m_path; }
    // Where the names of new files are recorded (empty: not recorded, the default).
    void setRecordFolder(const QString &folder) { m_recordFolder = folder; }

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

    QString m_path;
    FinalLink m_finalLink;
    QString m_recordFolder;
    // The file replaced (links followed when asked) and the new file's name, once it has one.
    QString m_target;
    QString m_newName;
    int m_fd = -1;
    bool m_unnamed = false;
    bool m_writeFailed = false;
    // The permission bits to give the new file, or -1 to keep the ones it was made with.
    int m_mode = -1;
};

} // namespace platform
