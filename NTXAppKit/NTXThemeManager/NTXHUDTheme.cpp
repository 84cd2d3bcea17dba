#include "NTXAppKit/NTXThemeManager/NTXHUDTheme.h"

#include "NTXAppKit/NTXThemeManager/NTXThemeValues.h"
#include "platform/drawing/SystemColors.h"

std::optional<QColor> NTXHUDTheme::strokeColorForStateMask(unsigned mask) const
{
    if (mask == 0)
        return platform::SystemColors::deviceRGB(0.749, 0.761, 0.788, 0.7);
    return NTXFlatDarkTheme::strokeColorForStateMask(mask);
}

std::optional<platform::Gradient> NTXHUDTheme::gradientForStateMask(unsigned mask) const
{
    if (mask & (StateDisabled | StateInactive))
        return NTXFlatDarkTheme::gradientForStateMask(mask);
    const qreal alpha = alphaValueForStateMask(mask);
    if (mask & (StateHighlighted | StatePushed))
        return NTXThemeValues::lightFourStopGradient(alpha);
    return NTXThemeValues::darkFourStopGradient(alpha);
}

qreal NTXHUDTheme::alphaValueForStateMask(unsigned mask) const
{
    return mask == 0 ? 0.7 : NTXFlatDarkTheme::alphaValueForStateMask(mask);
}
