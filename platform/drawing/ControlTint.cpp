#include "platform/drawing/ControlTint.h"

#include "platform/foundation/UserDefaults.h"

namespace platform {

ControlTint::Value ControlTint::controlTintForVariant(qint64 variant)
{
    return variant == Graphite ? Graphite : Blue;
}

ControlTint::Value ControlTint::currentControlTint()
{
    return currentControlTint(UserDefaults::standardUserDefaults());
}

ControlTint::Value ControlTint::currentControlTint(const UserDefaults &defaults)
{
    return controlTintForVariant(defaults.integerForKey(AquaColorVariantKey));
}

ControlTint::Value ControlTint::resolved(unsigned cellTint)
{
    if (cellTint == Default)
        return currentControlTint();
    return cellTint == Graphite || cellTint == Clear ? static_cast<Value>(cellTint) : Blue;
}

} // namespace platform
