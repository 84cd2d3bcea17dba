#pragma once
// The colour values that several themes share: the dark themes' two- and four-stop
// gradients at an opacity, and the three-grey gradient of single border sides.
// Stateless; any thread.
#include "platform/drawing/Gradient.h"

#include <QColor>
#include <optional>

namespace NTXThemeValues {

// (0.251, 0.251, 0.255) to (0.118, 0.118, 0.118).
platform::Gradient darkTwoStopGradient(qreal alpha);
// (0.451, 0.451, 0.455) to (0.318, 0.318, 0.318).
platform::Gradient lightTwoStopGradient(qreal alpha);
// Four stops with a hard step at 0.5: (0.324, 0.331, 0.347) at 0, (0.245, 0.253, 0.269)
// and (0.206, 0.214, 0.233) at 0.5, (0.139, 0.147, 0.167) at 1.
platform::Gradient darkFourStopGradient(qreal alpha);
// The same shape 0.2 lighter in each component.
platform::Gradient lightFourStopGradient(qreal alpha);
// Greys 0.99 at 0, 0.46 at 0.5, 0.88 at 1.
platform::Gradient borderSideGradient();

} // namespace NTXThemeValues

namespace NTXThemeValues {

// The fill of the glass and grey themes: the control shadow colour at 0.7 while
// highlighted, else none.
std::optional<QColor> highlightedShadowFill(unsigned mask);

} // namespace NTXThemeValues
