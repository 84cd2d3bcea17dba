#include "NTXAppKit/NTXThemeManager/NTXGrayTheme.h"

#include "AppKitExtensions/NTXNSGradientExtensions.h"
#include "NTXAppKit/NTXThemeManager/NTXThemeValues.h"

std::optional<platform::Gradient> NTXGrayTheme::gradientForStateMask(unsigned mask) const
{
    return *NTXNSGradientExtensions::gradientByType(mask & StateInactive ? 100 : 0);
}

std::optional<QColor> NTXGrayTheme::fillColorForStateMask(unsigned mask) const
{
    return NTXThemeValues::highlightedShadowFill(mask);
}

std::optional<platform::Gradient> NTXGrayTheme::borderSideGradientForStateMask(unsigned) const
{
    return NTXThemeValues::borderSideGradient();
}
