#include "platform/archive/Coding.h"

namespace platform {

Coding::~Coding() = default;

} // namespace platform
