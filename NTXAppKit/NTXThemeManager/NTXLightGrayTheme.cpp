#include "NTXAppKit/NTXThemeManager/NTXLightGrayTheme.h"

#include "AppKitExtensions/NTXNSGradientExtensions.h"
#include "platform/drawing/SystemColors.h"

std::optional<platform::Gradient> NTXLightGrayTheme::gradientForStateMask(unsigned) const
{
    return *NTXNSGradientExtensions::gradientByType(100);
}

std::optional<QColor> NTXLightGrayTheme::fillColorForStateMask(unsigned) const
{
    return platform::SystemColors::lightGrayColor();
}
