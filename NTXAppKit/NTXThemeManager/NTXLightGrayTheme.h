#pragma once
// The light grey theme: the framework's light grey bar gradient and a light grey fill
// for every state; the rest is the base theme's (system colours).
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"

class NTXLightGrayTheme : public NTXAbstractTheme
{
public:
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    std::optional<QColor> fillColorForStateMask(unsigned mask) const override;
};
