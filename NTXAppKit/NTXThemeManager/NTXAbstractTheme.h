#pragma once
// The base of the built-in themes: every operation answered from the system colours
// (platform::SystemColors), so a theme that overrides nothing follows the desktop.
// Light background style; strokes in the control shadow colours, grid lines in the
// grid colour; fills in the control highlight colour while highlighted, else the
// control background colour; gradient angle 90; no gradients; text in the (disabled)
// control text colour; opacity 0.2 when disabled, else 0.6, and on a dark background
// 0.2 when disabled, else 1.0; no shadows applied, drop shadows black (white on dark
// backgrounds) blurred 2 and 1 down; a white focus ring blurred 3.
//
// The opacity on a light or other background is the theme's own
// alphaValueForStateMask() (a virtual call), so a subclass's override reaches it.
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"

class NTXAbstractTheme : public NTXTheme
{
public:
    BackgroundStyle backgroundStyle() const override;
    platform::Shadow focusRing() const override;
    std::optional<QColor> strokeColorForStateMask(unsigned mask) const override;
    std::optional<QColor> darkStrokeColorForStateMask(unsigned mask) const override;
    std::optional<QColor> gridColorForStateMask(unsigned mask) const override;
    std::optional<QColor> fillColorForStateMask(unsigned mask) const override;
    qreal gradientAngleForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> complexGradientForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> borderSideGradientForStateMask(unsigned mask) const override;
    std::optional<QColor> textColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const override;
    std::optional<QColor> selectedTextColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const override;
    std::optional<QColor> selectedTextBackgroundColorForBackgroundStyle(BackgroundStyle style,
                                                                        unsigned mask) const override;
    qreal alphaValueForStateMask(unsigned mask) const override;
    qreal alphaValueForBackgroundStyle(BackgroundStyle style, unsigned mask) const override;
    bool applyShadows() const override;
    platform::Shadow dropShadow() const override;
    std::optional<platform::Shadow> dropShadowForBackgroundStyle(BackgroundStyle style) const override;
};
