#pragma once
// The HUD theme: the flat dark theme drawn more transparent when idle. An idle
// control (mask 0) is drawn at opacity 0.7 with its outline at 0.7; gradients are the
// four-stop ones (light while pushed or highlighted, else dark), or the flat dark
// two-stop dark gradient when disabled or inactive. Every other answer is the flat dark
// theme's, with this theme's opacity.
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXFlatDarkTheme.h"

class NTXHUDTheme : public NTXFlatDarkTheme
{
public:
    std::optional<QColor> strokeColorForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    qreal alphaValueForStateMask(unsigned mask) const override;
};
