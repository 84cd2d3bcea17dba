#include "platform/foundation/UnnamedFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace platform::UnnamedFile {

int open(const QByteArray &folder, int flags, mode_t mode)
{
    return ::open(folder.constData(), O_TMPFILE | flags | O_CLOEXEC, mode);
}

bool isUnsupported(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

int link(int fd, const QByteArray &name)
{
    char self[48];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

bool cannotLink(int error)
{
    // ENOENT: no /proc/self/fd (or the folder is gone, which a named file then meets
    // too); EACCES: a /proc that hides it; EPERM, EOPNOTSUPP: no links on this file
    // system.
    return error == ENOENT || error == EACCES || error == EPERM || error == EOPNOTSUPP;
}

} // namespace platform::UnnamedFile
