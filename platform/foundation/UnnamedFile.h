#pragma once
// A new file without a name in a folder (O_TMPFILE), written and then given its
// name in one step, and the one way an ordinary process has to give it that name:
// a link made through the file's entry in /proc/self/fd. Where the file system makes
// no unnamed files, or where no link can be made that way (no /proc mounted, a /proc
// that hides the process's files, a file system without links), the caller makes a
// named file instead: isUnsupported() and cannotLink() tell those cases from real
// failures (a full disk, no permission), which a named file would meet as well.
//
// Re-entrant; no shared state. Failures answer -1 with errno set (open()) or the
// system's error number (link()).
#include <QByteArray>

#include <sys/types.h>

namespace platform::UnnamedFile {

// A new unnamed file in the folder, opened with `flags` (O_WRONLY or O_RDWR, with
// O_CLOEXEC added) and made with `mode` (less the umask); -1 with errno on failure.
int open(const QByteArray &folder, int flags, mode_t mode);
// Whether open()'s error means that the folder's file system makes no unnamed files.
bool isUnsupported(int error);
// Gives the unnamed file behind fd the name (a path where nothing may stand yet):
// 0, or the system's error (EEXIST when something has the name by now).
int link(int fd, const QByteArray &name);
// Whether link()'s error means that no link can be made this way, where a named
// file would do.
bool cannotLink(int error);

} // namespace platform::UnnamedFile
