#include "platform/HotKeyGrabber.h"

namespace platform {

HotKeyGrabber::~HotKeyGrabber() = default;

} // namespace platform
