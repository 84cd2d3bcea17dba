#include "platform/desktop/HotKeyGrabber.h"

namespace platform {

HotKeyGrabber::~HotKeyGrabber() = default;

} // namespace platform
