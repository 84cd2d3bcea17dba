#include "NTXAppKit/NTXThemeManager/NTXWhiteTheme.h"

#include "platform/drawing/SystemColors.h"

std::optional<platform::Gradient> NTXWhiteTheme::gradientForStateMask(unsigned) const
{
    return std::nullopt;
}

std::optional<QColor> NTXWhiteTheme::fillColorForStateMask(unsigned) const
{
    return platform::SystemColors::whiteColor();
}
