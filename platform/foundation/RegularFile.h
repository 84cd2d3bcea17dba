#pragma once
// Reading and writing a file only when it is a regular file. Opening a named pipe
// lets a process waiting at its other end go on (or waits for one), and opening a
// device runs its driver (a tape rewinds, a modem hangs up); a socket, and the files
// of /proc and /sys (regular in name, generated on reading, some of them waiting for
// data) are no files a document or a data file can be read from or written to either.
//
// kindOf() looks without opening anything. openForReading(), openForWriting() and
// openForAppending() first take a handle on the name that opens nothing (O_PATH),
// learn the kind from it, and only then open that very file for reading or writing
// (through the handle, so a file swapped in between is never the one opened); where
// /proc is not mounted they open the name without waiting (O_NONBLOCK) and check the
// descriptor before anything is read or written. So a pipe or device is never
// opened, and a writer or reader waiting in open() on a pipe stays waiting.
//
// Re-entrant; no shared state. Failures answer a Kind other than Regular, or false.
#include <QString>

#include <optional>

class QFile;

namespace platform::RegularFile {

enum class Kind {
    Missing, // nothing of that name (or it cannot be looked at)
    Folder,
    Special, // a pipe, socket or device, or a file of /proc or /sys (for writing: a symbolic link too)
    Regular
};

// What the path names, following symbolic links.
Kind kindOf(const QString &path);
// What the path names itself: a symbolic link as its last part is not followed and
// counts as Special (as for writing). Opens nothing either.
Kind kindOfEntry(const QString &path);
// Opens the file read-only when it is a regular file (following symbolic links); on
// any other kind the file stays closed and false is answered (with *kind telling
// why, when given: Regular for a regular file that could not be opened, such as one
// without permission).
bool openForReading(QFile &file, const QString &path, Kind *kind = nullptr);
// openForReading(), but a symbolic link as the last part of the name is refused
// (Special) and never followed: for the application's own files.
bool openEntryForReading(QFile &file, const QString &path, Kind *kind = nullptr);

// For the application's own files (logs, reports, state): opens the file for
// writing, emptied (openForWriting) or at its end (openForAppending), creating it
// (read and write for everyone the umask leaves) when nothing has that name. Only a
// regular file is opened: a symbolic link (the last part of the name is never
// followed), a pipe, a device or a folder is refused without being opened, with
// *kind telling why as above. The file is opened with write permission only.
bool openForWriting(QFile &file, const QString &path, Kind *kind = nullptr);
bool openForAppending(QFile &file, const QString &path, Kind *kind = nullptr);

// Which file, with which content as far as the system tells: the device and inode,
// the size, and the modification and change times to the nanosecond. A file put in
// the place of another (a rename, a link switched) has another inode; a write in
// place changes the change time, which no program can set back (the modification
// time it can). But a file system stamps times only so finely: to whole seconds
// (ext4 with small inodes, and whatever shows no fractions), two (FAT, and what
// network and user-space file systems may stand on), or one tick of the kernel's
// coarse clock. A write within the same grain leaves the same times: an identity
// tells every later change only once the clock is a whole grain past its change
// time (isSettled()). Before that, a caller reads the content after
// settledIdentityOf(), or compares the content itself.
struct Identity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    qint64 changedSeconds = 0;
    qint64 changedNanoseconds = 0;
    // How finely the file system stamps the file's times.
    qint64 stampGrainNanoseconds = 0;
    friend bool operator==(const Identity &, const Identity &) = default;
    // Whether the system's clock, as the file systems read it (as of the kernel's last
    // tick), is now a whole grain past the change time, so that any change of the file
    // from now on changes the identity.
    bool isSettled() const;
};
// The identity of the file an open file stands for; nothing when it cannot be looked at.
std::optional<Identity> identityOf(const QFile &file);
// The same for an open descriptor.
std::optional<Identity> identityOfDescriptor(int fd);
// The identity of the file a path names now (following symbolic links).
std::optional<Identity> identityOf(const QString &path);
// identityOf(file), taken once it is settled, when that is at most a few
// milliseconds away (one tick of a fine file system's clock): a write after it then
// changes the identity. Read the content after this. On a file system with coarse
// times, a file changed within the last grain answers an identity that is not
// settled yet, at once.
std::optional<Identity> settledIdentityOf(const QFile &file);
// The same for the file a path names (following symbolic links).
std::optional<Identity> settledIdentityOf(const QString &path);
// The same for an open descriptor.
std::optional<Identity> settledIdentityOfDescriptor(int fd);
// Waits (blocking the thread) until the identity is settled, on a coarse file system
// too: at most its grain (two seconds at most) and a tick. Answers whether it is
// (not when the clock was set back meanwhile). A look at the file after this sees
// any later change in its identity.
bool waitUntilSettled(const Identity &identity);

} // namespace platform::RegularFile
