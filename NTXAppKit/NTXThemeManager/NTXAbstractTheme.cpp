#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"

#include "platform/drawing/SystemColors.h"

using namespace platform::SystemColors;

NTXTheme::BackgroundStyle NTXAbstractTheme::backgroundStyle() const
{
    return BackgroundStyle::Light;
}

platform::Shadow NTXAbstractTheme::focusRing() const
{
    return platform::Shadow(QSizeF(0, 0), 3.0, whiteColor());
}

std::optional<QColor> NTXAbstractTheme::strokeColorForStateMask(unsigned) const
{
    return controlShadowColor();
}

std::optional<QColor> NTXAbstractTheme::darkStrokeColorForStateMask(unsigned) const
{
    return controlDarkShadowColor();
}

std::optional<QColor> NTXAbstractTheme::gridColorForStateMask(unsigned) const
{
    return gridColor();
}

std::optional<QColor> NTXAbstractTheme::fillColorForStateMask(unsigned mask) const
{
    return mask & StateHighlighted ? controlHighlightColor() : controlBackgroundColor();
}

qreal NTXAbstractTheme::gradientAngleForStateMask(unsigned) const
{
    return 90.0;
}

std::optional<platform::Gradient> NTXAbstractTheme::gradientForStateMask(unsigned) const
{
    return std::nullopt;
}

std::optional<platform::Gradient> NTXAbstractTheme::complexGradientForStateMask(unsigned) const
{
    return std::nullopt;
}

std::optional<platform::Gradient> NTXAbstractTheme::borderSideGradientForStateMask(unsigned) const
{
    return std::nullopt;
}

std::optional<QColor> NTXAbstractTheme::textColorForBackgroundStyle(BackgroundStyle, unsigned mask) const
{
    return mask & StateDisabled ? disabledControlTextColor() : controlTextColor();
}

std::optional<QColor> NTXAbstractTheme::selectedTextColorForBackgroundStyle(BackgroundStyle, unsigned) const
{
    return selectedTextColor();
}

std::optional<QColor> NTXAbstractTheme::selectedTextBackgroundColorForBackgroundStyle(BackgroundStyle,
                                                                                      unsigned) const
{
    return selectedTextBackgroundColor();
}

qreal NTXAbstractTheme::alphaValueForStateMask(unsigned mask) const
{
    return mask & StateDisabled ? 0.2 : 0.6;
}

qreal NTXAbstractTheme::alphaValueForBackgroundStyle(BackgroundStyle style, unsigned mask) const
{
    if (style == BackgroundStyle::Dark)
        return mask & StateDisabled ? 0.2 : 1.0;
    return alphaValueForStateMask(mask);
}

bool NTXAbstractTheme::applyShadows() const
{
    return false;
}

platform::Shadow NTXAbstractTheme::dropShadow() const
{
    return platform::Shadow(QSizeF(0, -1), 2.0, blackColor());
}

std::optional<platform::Shadow> NTXAbstractTheme::dropShadowForBackgroundStyle(BackgroundStyle style) const
{
    switch (style) {
    case BackgroundStyle::Light:
        return platform::Shadow(QSizeF(0, -1), 2.0, blackColor());
    case BackgroundStyle::Dark:
        return platform::Shadow(QSizeF(0, -1), 2.0, whiteColor());
    default:
        return std::nullopt;
    }
}
