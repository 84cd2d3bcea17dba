#include "platform/foundation/Formatter.h"

namespace platform {

Formatter::~Formatter() = default;

} // namespace platform
