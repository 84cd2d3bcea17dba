#pragma once
// The framework's shared gradients, made at the first request and kept for the life
// of the process, and their type codes.
#include "platform/drawing/Gradient.h"

namespace NTXNSGradientExtensions {

const platform::Gradient *grayBarGradient();
const platform::Gradient *lightGrayBarGradient();
const platform::Gradient *glassBarGradient();
const platform::Gradient *blueBarGradient();
const platform::Gradient *controlWindowBarGradient();
const platform::Gradient *highlightedButtonGradient();
const platform::Gradient *selectedButtonGradient();

// 0 grey bar, 1 blue bar, 2 glass bar, 3 control window bar, 100 light grey bar,
// 200 highlighted button, 201 selected button; null for any other type.
const platform::Gradient *gradientByType(int type);
// The same, except that type 0 answers the light grey bar (a window that is not key).
const platform::Gradient *inactiveGradientByType(int type);

} // namespace NTXNSGradientExtensions
