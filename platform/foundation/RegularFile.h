#pragma once
// Reading a file only when it is a regular file. Opening a named pipe for reading
// waits until some other process writes to it; a socket, a character or block
// device, and the files of /proc and /sys (regular in name, generated on reading,
// some of them waiting for data) are no files a document or a data file can be
// read from either. kindOf() looks before anything is opened; openForReading()
// opens without waiting (O_NONBLOCK) and checks what it opened, so a file swapped
// for a pipe between the look and the open is refused too.
//
// Re-entrant; no shared state. Failures answer a Kind other than Regular, or false.
#include <QString>

class QFile;

namespace platform::RegularFile {

enum class Kind {
    Missing, // nothing of that name (or it cannot be looked at)
    Folder,
    Special, // a pipe, socket or device, or a file of /proc or /sys
    Regular
};

// What the path names, following symbolic links.
Kind kindOf(const QString &path);
// Opens the file read-only when it is a regular file; on any other kind the file
// stays closed and false is answered (with *kind telling why, when given: Regular
// for a regular file that could not be opened, such as one without permission).
bool openForReading(QFile &file, const QString &path, Kind *kind = nullptr);

} // namespace platform::RegularFile
