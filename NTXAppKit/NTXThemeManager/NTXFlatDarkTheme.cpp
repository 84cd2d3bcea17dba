#include "NTXAppKit/NTXThemeManager/NTXFlatDarkTheme.h"

#include "NTXAppKit/NTXThemeManager/NTXThemeValues.h"
#include "platform/drawing/SystemColors.h"

using namespace platform::SystemColors;

namespace {
constexpr unsigned DisabledOrInactive = NTXTheme::StateDisabled | NTXTheme::StateInactive;
constexpr unsigned PushedOrHighlighted = NTXTheme::StatePushed | NTXTheme::StateHighlighted;
} // namespace

NTXTheme::BackgroundStyle NTXFlatDarkTheme::backgroundStyle() const
{
    return BackgroundStyle::Dark;
}


std::optional<QColor> NTXFlatDarkTheme::strokeColorForStateMask(unsigned mask) const
{
    return deviceRGB(0.749, 0.761, 0.788, mask & DisabledOrInactive ? alphaValueForStateMask(mask) : 1.0);
}

std::optional<QColor> NTXFlatDarkTheme::darkStrokeColorForStateMask(unsigned) const
{
    return deviceRGB(0.141, 0.141, 0.141, 0.5);
}

std::optional<QColor> NTXFlatDarkTheme::fillColorForStateMask(unsigned mask) const
{
    const qreal alpha = alphaValueForStateMask(mask);
    if (!(mask & DisabledOrInactive) && (mask & PushedOrHighlighted))
        return deviceRGB(0.941, 0.941, 0.941, alpha);
    return deviceRGB(0.141, 0.141, 0.141, alpha);
}


std::optional<platform::Gradient> NTXFlatDarkTheme::gradientForStateMask(unsigned mask) const
{
    const qreal alpha = alphaValueForStateMask(mask);
    if (!(mask & DisabledOrInactive) && (mask & PushedOrHighlighted))
        return NTXThemeValues::lightTwoStopGradient(alpha);
    return NTXThemeValues::darkTwoStopGradient(alpha);
}

std::optional<platform::Gradient> NTXFlatDarkTheme::complexGradientForStateMask(unsigned mask) const
{
    const qreal alpha = alphaValueForStateMask(mask);
    if (!(mask & StateDisabled) && (mask & PushedOrHighlighted))
        return NTXThemeValues::lightFourStopGradient(alpha);
    return NTXThemeValues::darkFourStopGradient(alpha);
}

std::optional<platform::Gradient> NTXFlatDarkTheme::borderSideGradientForStateMask(unsigned) const
{
    return NTXThemeValues::borderSideGradient();
}

std::optional<QColor> NTXFlatDarkTheme::textColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const
{
    if (mask & StateDisabled)
        return deviceRGB(1.0, 1.0, 1.0, alphaValueForStateMask(mask));
    if (mask & StateHighlighted)
        return selectedTextBackgroundColorForBackgroundStyle(style, mask);
    if (mask & StateInactive)
        return darkGrayColor();
    return whiteColor();
}

std::optional<QColor> NTXFlatDarkTheme::selectedTextColorForBackgroundStyle(BackgroundStyle, unsigned) const
{
    return whiteColor();
}

std::optional<QColor> NTXFlatDarkTheme::selectedTextBackgroundColorForBackgroundStyle(BackgroundStyle,
                                                                                      unsigned) const
{
    return darkGrayColor();
}





