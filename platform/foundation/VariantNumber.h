#pragma once
// Whether a QVariant holds a number: a boolean, an integer of any width or a
// floating-point value (a string of digits is not a number). Stateless; any thread.
#include <QVariant>

namespace platform {

bool isNumber(const QVariant &value);

} // namespace platform
