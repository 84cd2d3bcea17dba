#include "NTXAppKit/NTXThemeManager/NTXThemeValues.h"

#include "platform/drawing/SystemColors.h"

using platform::SystemColors::calibratedWhite;
using platform::SystemColors::deviceRGB;

namespace NTXThemeValues {

platform::Gradient darkTwoStopGradient(qreal alpha)
{
    return platform::Gradient(deviceRGB(0.251, 0.251, 0.255, alpha), deviceRGB(0.118, 0.118, 0.118, alpha));
}

platform::Gradient lightTwoStopGradient(qreal alpha)
{
    return platform::Gradient(deviceRGB(0.451, 0.451, 0.455, alpha), deviceRGB(0.318, 0.318, 0.318, alpha));
}

platform::Gradient darkFourStopGradient(qreal alpha)
{
    return platform::Gradient({{0.0, deviceRGB(0.324, 0.331, 0.347, alpha)},
                               {0.5, deviceRGB(0.245, 0.253, 0.269, alpha)},
                               {0.5, deviceRGB(0.206, 0.214, 0.233, alpha)},
                               {1.0, deviceRGB(0.139, 0.147, 0.167, alpha)}});
}

platform::Gradient lightFourStopGradient(qreal alpha)
{
    return platform::Gradient({{0.0, deviceRGB(0.524, 0.531, 0.547, alpha)},
                               {0.5, deviceRGB(0.445, 0.453, 0.469, alpha)},
                               {0.5, deviceRGB(0.406, 0.414, 0.433, alpha)},
                               {1.0, deviceRGB(0.339, 0.347, 0.367, alpha)}});
}

platform::Gradient borderSideGradient()
{
    return platform::Gradient(
        {{0.0, calibratedWhite(0.99)}, {0.5, calibratedWhite(0.46)}, {1.0, calibratedWhite(0.88)}});
}

} // namespace NTXThemeValues

namespace NTXThemeValues {

std::optional<QColor> highlightedShadowFill(unsigned mask)
{
    if (!(mask & 4))
        return std::nullopt;
    return platform::SystemColors::withAlpha(platform::SystemColors::controlShadowColor(), 0.7);
}

} // namespace NTXThemeValues
