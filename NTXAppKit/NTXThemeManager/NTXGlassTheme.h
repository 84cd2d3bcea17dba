#pragma once
// The glass theme: the framework's glass bar gradient for every state, a translucent
// control shadow fill while highlighted (none otherwise) and the border-side gradient;
// the rest is the base theme's (system colours).
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"

class NTXGlassTheme : public NTXAbstractTheme
{
public:
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    std::optional<QColor> fillColorForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> borderSideGradientForStateMask(unsigned mask) const override;
};
