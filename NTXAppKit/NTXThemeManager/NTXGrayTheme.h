#pragma once
// The grey theme: the framework's grey bar gradient (the light grey bar when
// inactive), the glass theme's fill and the border-side gradient; the rest is the base
// theme's (system colours).
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"

class NTXGrayTheme : public NTXAbstractTheme
{
public:
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    std::optional<QColor> fillColorForStateMask(unsigned mask) const override;
    std::optional<platform::Gradient> borderSideGradientForStateMask(unsigned mask) const override;
};
