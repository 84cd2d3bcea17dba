#include "NTXAppKit/NTXThemeManager/NTXGlassTheme.h"

#include "AppKitExtensions/NTXNSGradientExtensions.h"
#include "NTXAppKit/NTXThemeManager/NTXThemeValues.h"

std::optional<platform::Gradient> NTXGlassTheme::gradientForStateMask(unsigned) const
{
    return *NTXNSGradientExtensions::gradientByType(2);
}

std::optional<QColor> NTXGlassTheme::fillColorForStateMask(unsigned mask) const
{
    return NTXThemeValues::highlightedShadowFill(mask);
}

std::optional<platform::Gradient> NTXGlassTheme::borderSideGradientForStateMask(unsigned) const
{
    return NTXThemeValues::borderSideGradient();
}
