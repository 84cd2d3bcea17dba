#pragma once
// The flat dark theme: dark surfaces (background style dark), light grey-blue
// outlines, dark fills that turn light while pushed or highlighted, two- and four-stop
// grey gradients, white text (dark grey while highlighted or inactive) and the
// border-side gradient. Every opacity α is the theme's own alphaValueForStateMask()
// for the mask (a virtual call, so the HUD theme's override reaches these answers).
// Focus ring, gradient angle, grid colour, opacities and shadows are the base's.
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"

class NTXFlatDarkTheme : public NTXAbstractTheme
{
public:
    BackgroundStyle backgroundStyle() const override;
    // (0.749, 0.761, 0.788); α when disabled or inactive, else opaque.
    std::optional<QColor> strokeColorForStateMask(unsigned mask) const override;
    // (0.141, 0.141, 0.141) at 0.5 for every mask.
    std::optional<QColor> darkStrokeColorForStateMask(unsigned mask) const override;
    // Disabled or inactive: dark (0.141); else pushed or highlighted: light (0.941);
    // else dark; at α.
    std::optional<QColor> fillColorForStateMask(unsigned mask) const override;
    // Disabled or inactive: the dark two-stop gradient; else pushed or highlighted: the
    // light one; else the dark one; at α.
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    // Disabled: the dark four-stop gradient; else pushed or highlighted: the light one;
    // else the dark one; at α (the inactive bit is not looked at).
    std::optional<platform::Gradient> complexGradientForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> borderSideGradientForStateMask(unsigned mask) const override;
    // Disabled: white at α; else highlighted: the selected text background colour;
    // else inactive: dark grey; else white.
    std::optional<QColor> textColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const override;
    // White.
    std::optional<QColor> selectedTextColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const override;
    // Dark grey.
    std::optional<QColor> selectedTextBackgroundColorForBackgroundStyle(BackgroundStyle style,
                                                                        unsigned mask) const override;
};
