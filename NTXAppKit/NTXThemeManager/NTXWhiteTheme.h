#pragma once
// The white theme: no gradient and a white fill for every state; the rest is the
// base theme's (system colours).
// Stateless; see NTXTheme for threading.
#include "NTXAppKit/NTXThemeManager/NTXAbstractTheme.h"

class NTXWhiteTheme : public NTXAbstractTheme
{
public:
    std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const override;
    std::optional<QColor> fillColorForStateMask(unsigned mask) const override;
};
