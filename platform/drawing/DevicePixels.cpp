#include "platform/drawing/DevicePixels.h"

#include <QPainter>

namespace platform::DevicePixels {

QTransform worldTransformForDeviceSpace(const QPainter &painter)
{
    // device = world × rest, so world' = device⁻¹ × world makes world' × rest the identity
    bool invertible = false;
    const QTransform inverse = painter.deviceTransform().inverted(&invertible);
    if (!invertible)
        return painter.worldTransform();
    return inverse * painter.worldTransform();
}

} // namespace platform::DevicePixels
