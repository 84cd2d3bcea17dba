#include "platform/desktop/DesktopSession.h"

#include <QString>

namespace platform::DesktopSession {

bool isWayland()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace platform::DesktopSession
